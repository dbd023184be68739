#include "base/FilePaths.h"

#include <string_view>

namespace {

bool IsSeparator(char C) { return C == '\\' || C == '/'; }

char Upper(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

bool IsDriveLetter(char C) { return (Upper(C) >= 'A' && Upper(C) <= 'Z'); }

// Windows-1252 superscripts one to three: Windows reads COM¹ as a device
// too.
bool IsDeviceDigit(char C)
{
    return (C >= '1' && C <= '9') || C == '\xb9' || C == '\xb2' || C == '\xb3';
}

// A component names a device when its part before the first '.', without
// trailing blanks, is a device name: "COM8.log" and "nul .txt" open COM8
// and NUL.
bool IsDeviceName(std::string_view Component)
{
    std::string_view base = Component.substr(0, Component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    std::string name;
    for (char c : base)
        name += Upper(c);
    if (name == "CON" || name == "NUL" || name == "AUX" || name == "PRN" || name == "CONIN$" || name == "CONOUT$")
        return true;
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) &&
           IsDeviceDigit(name[3]);
}

} // namespace

bool IsPlainFilePath(const std::string& Path)
{
    if (Path.empty())
        return false;
    // Two separators at the start: "\\server\share", "\\.\COM8", "\\?\".
    if (Path.size() >= 2 && IsSeparator(Path[0]) && IsSeparator(Path[1]))
        return false;
    const bool drive = Path.size() >= 2 && Path[1] == ':' && IsDriveLetter(Path[0]);
    if (Path.find(':', drive ? 2 : 0) != std::string::npos)
        return false;
    size_t begin = drive ? 2 : 0;
    while (begin <= Path.size()) {
        size_t end = begin;
        while (end < Path.size() && !IsSeparator(Path[end]))
            ++end;
        if (IsDeviceName(std::string_view(Path).substr(begin, end - begin)))
            return false;
        begin = end + 1;
    }
    // A name that ends in a separator names a folder, no file.
    return !IsSeparator(Path.back());
}

std::string BesideProgram(const std::string& Folder, const std::string& Path)
{
    if (Path.empty() || IsSeparator(Path[0]) || (Path.size() >= 2 && Path[1] == ':'))
        return Path;
    return Folder + Path;
}
