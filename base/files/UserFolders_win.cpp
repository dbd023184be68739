#include "base/files/UserFolders.h"

#include "base/system/SystemLibrary_win.h"
#include "base/system/WidePath_win.h"

#include <windows.h>

#include <shlobj.h>

namespace {

// The ids of the known folders, here so that no import library is needed.
const KNOWNFOLDERID ProfileFolder = {0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}};
const KNOWNFOLDERID LocalAppDataFolder = {0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};

// A known folder of the user this process runs as (not of whatever the
// environment says); "" when the system names none.
std::string KnownFolder(const KNOWNFOLDERID& Id)
{
    static const auto get = SystemFunction<decltype(&SHGetKnownFolderPath)>("shell32.dll", "SHGetKnownFolderPath");
    static const auto release = SystemFunction<decltype(&CoTaskMemFree)>("ole32.dll", "CoTaskMemFree");
    PWSTR path = nullptr;
    if (!get || !release || get(Id, KF_FLAG_DONT_VERIFY, nullptr, &path) != S_OK) {
        if (path && release)
            release(path);
        return "";
    }
    const std::string result = PathFromWide(path);
    release(path);
    return result;
}

} // namespace

TUserFolders SystemUserFolders()
{
    TUserFolders folders;
    folders.Profile = KnownFolder(ProfileFolder);
    folders.LocalAppData = KnownFolder(LocalAppDataFolder);
    wchar_t windows[MAX_PATH + 1] = L"";
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        folders.Media = PathFromWide(windows) + "\\Media";
    return folders;
}
