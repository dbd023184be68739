#include "base/Text.h"

namespace {

// 0x80 to 0x9F of Windows-1252; 0 where the byte has no character.
const char16_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char16_t FromCp1252(unsigned char Byte)
{
    if (Byte >= 0x80 && Byte < 0xA0 && HighControls[Byte - 0x80] != 0)
        return HighControls[Byte - 0x80];
    return Byte;
}

} // namespace

std::u16string Cp1252ToUtf16(const std::string& Text)
{
    std::u16string wide;
    wide.reserve(Text.size());
    for (unsigned char byte : Text)
        wide += FromCp1252(byte);
    return wide;
}

std::vector<std::string> SplitLines(const std::string& Text)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& Lines)
{
    std::string text;
    for (size_t i = 0; i < Lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += Lines[i];
    }
    return text;
}

std::string FileDialogFilter(const std::string& ResourceText)
{
    std::string filter = ResourceText;
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    filter += '\0';
    filter += '\0';
    return filter;
}

std::string FolderOf(const std::string& Path)
{
    const size_t slash = Path.find_last_of("\\/");
    if (slash == std::string::npos)
        return std::string();
    // "C:\file" keeps its root "C:\".
    if (slash == 2 && Path[1] == ':')
        return Path.substr(0, 3);
    return Path.substr(0, slash);
}
