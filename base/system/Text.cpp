#include "base/system/Text.h"

#include "base/system/Cp1252.h"

char AsciiUpper(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

std::string AsciiUpper(std::string Text)
{
    for (char& c : Text)
        c = AsciiUpper(c);
    return Text;
}

std::u16string Cp1252ToUtf16(const std::string& Text)
{
    std::u16string wide;
    wide.reserve(Text.size());
    for (unsigned char byte : Text)
        wide += Cp1252ToUnicode(byte);
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
