#include "base/files/FilePaths.h"

#include "base/system/Text.h"

#include <string_view>

TDriveKind SystemDriveKind(char Letter);

namespace {

TDriveKindSource DriveKindSource = SystemDriveKind;

bool IsSeparator(char C) { return C == '\\' || C == '/'; }

bool IsDriveLetter(char C) { return AsciiUpper(C) >= 'A' && AsciiUpper(C) <= 'Z'; }

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
    const std::string name = AsciiUpper(std::string(base));
    if (name == "CON" || name == "NUL" || name == "AUX" || name == "PRN" || name == "CONIN$" || name == "CONOUT$")
        return true;
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) &&
           IsDeviceDigit(name[3]);
}

} // namespace

bool IsPlainFilePath(const std::string& Path)
{
    // A leading separator: "\\server\share", "\\.\COM8", "\\?\" and "\??\" (which
    // Windows passes on as a raw path: "\??\GLOBALROOT\Device\Serial0", a
    // share), or the root of whatever drive is current.
    if (Path.empty() || IsSeparator(Path[0]))
        return false;
    size_t begin = 0;
    const bool drive = Path.size() >= 2 && Path[1] == ':';
    if (drive) {
        // "X:name" lies in whatever folder is current on X:.
        if (!IsDriveLetter(Path[0]) || Path.size() < 3 || !IsSeparator(Path[2]))
            return false;
        begin = 3;
    }
    if (Path.find(':', begin) != std::string::npos)
        return false;
    while (begin <= Path.size()) {
        size_t end = begin;
        while (end < Path.size() && !IsSeparator(Path[end]))
            ++end;
        if (IsDeviceName(std::string_view(Path).substr(begin, end - begin)))
            return false;
        begin = end + 1;
    }
    // A name that ends in a separator names a folder, no file.
    if (IsSeparator(Path.back()))
        return false;
    // A network drive is another computer, whatever letter it has.
    return !drive || DriveKindSource(AsciiUpper(Path[0])) == TDriveKind::Local;
}

std::string BesideProgram(const std::string& Folder, const std::string& Path)
{
    if (Path.empty() || IsSeparator(Path[0]) || (Path.size() >= 2 && Path[1] == ':'))
        return Path;
    return Folder + Path;
}

std::string DialogStartFolder(const std::string& Name, const std::string& ProgramFolder)
{
    return IsPlainFilePath(Name) ? FolderOf(BesideProgram(ProgramFolder, Name)) : std::string();
}

void SetDriveKindSource(TDriveKindSource Source) { DriveKindSource = Source ? Source : SystemDriveKind; }
