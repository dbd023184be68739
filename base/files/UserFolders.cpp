#include "base/files/UserFolders.h"

#include "base/system/Text.h"

namespace {

bool IsSeparator(char C) { return C == '\\' || C == '/'; }

bool StartsWithNoCase(const std::string& Text, const std::string& Head)
{
    return Text.size() >= Head.size() && AsciiUpper(Text.substr(0, Head.size())) == AsciiUpper(Head);
}

// Upper case for ASCII and for the Latin-1 letters in UTF-8 (two bytes,
// 0xC3 then 0xA0 to 0xBE, but for the division sign): enough for the names
// users give their folders to match as the file system matches them.
std::string FoldCase(std::string Text)
{
    for (size_t i = 0; i < Text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(Text[i]);
        if (byte == 0xC3 && i + 1 < Text.size()) {
            const auto next = static_cast<unsigned char>(Text[i + 1]);
            if (next >= 0xA0 && next <= 0xBE && next != 0xB7)
                Text[i + 1] = static_cast<char>(next - 0x20);
            ++i;
        } else {
            Text[i] = AsciiUpper(Text[i]);
        }
    }
    return Text;
}

// The name as "X:\A\B" or "\A\B" (a host's root), folded; "" for a name
// that lies below nothing.
std::string Comparable(const std::string& Path)
{
    std::string rest = Path;
    std::string root;
    if (rest.rfind("\\\\?\\", 0) == 0)
        rest.erase(0, 4);
    if (rest.size() >= 2 && AsciiUpper(rest[0]) >= 'A' && AsciiUpper(rest[0]) <= 'Z' && rest[1] == ':' &&
        (rest.size() == 2 || IsSeparator(rest[2]))) {
        root = rest.substr(0, 2);
        rest.erase(0, 2);
    } else if (Path.size() < 2 || Path[0] != '/' || IsSeparator(Path[1])) {
        return ""; // another computer, a relative name, the current drive's root
    }
    std::string result = root;
    size_t begin = 0;
    while (begin < rest.size()) {
        size_t end = begin;
        while (end < rest.size() && !IsSeparator(rest[end]))
            ++end;
        std::string component = rest.substr(begin, end - begin);
        // Windows drops trailing dots and blanks of a component: "Anna." is
        // "Anna", and ". " is "." again.
        while (!component.empty() && (component.back() == '.' || component.back() == ' '))
            component.pop_back();
        if (component.empty() && end > begin)
            return "";
        if (!component.empty())
            result += "\\" + component;
        begin = end + 1;
    }
    return FoldCase(result);
}

} // namespace

std::string ExpandUserFolder(const std::string& Name, const TUserFolders& Folders)
{
    for (const auto& [mark, folder] : {std::pair<const char*, const std::string*>{"%USERPROFILE%", &Folders.Profile},
                                       {"%LOCALAPPDATA%", &Folders.LocalAppData}}) {
        const std::string head(mark);
        if (!StartsWithNoCase(Name, head) || (Name.size() > head.size() && !IsSeparator(Name[head.size()])))
            continue;
        if (folder->empty())
            return Name;
        std::string base = *folder;
        while (!base.empty() && IsSeparator(base.back()))
            base.pop_back();
        return base + Name.substr(head.size());
    }
    return Name;
}

bool LiesBelow(const std::string& Path, const std::string& Folder)
{
    const std::string path = Comparable(Path);
    const std::string folder = Comparable(Folder);
    return !path.empty() && !folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '\\';
}

bool LiesBelowAny(const std::string& Path, const std::vector<std::string>& Folders)
{
    for (const std::string& folder : Folders)
        if (LiesBelow(Path, folder))
            return true;
    return false;
}
