// vemuKeysRights: the installer's helper, run by the installer and the
// uninstaller from their own temporary folder, never from the program's.
// It does what the installer script cannot do itself: make and close the
// program's folder with owner and rights in one call, protect its files,
// remove a user's tree by handle, and take up the settings' journal before
// an uninstall that keeps the settings. No window, no console:
//   vemuKeysRights check-parent <folder>
//   vemuKeysRights make-folder <folder> recorded|new
//   vemuKeysRights close-folder <folder>
//   vemuKeysRights protect-file <file> none|read-run|read-write
//   vemuKeysRights remove-tree <folder>
//   vemuKeysRights take-up-journal <settings file>
// The exit code (app/SetupRules.h) is what the script checks. Its name holds
// no "setup" or "install": Windows would ask for elevation by that alone.
#include "app/SetupFile_win.h"
#include "app/SetupFolder_win.h"
#include "app/SetupProtection_win.h"
#include "app/SetupRules.h"
#include "app/SetupTree_win.h"
#include "base/settings/SettingsFile.h"
#include "base/system/SystemLibrary_win.h"
#include "base/system/WidePath_win.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

int ProtectFileWith(const std::wstring& Path, const std::wstring& Rights)
{
    if (Rights == L"none")
        return ProtectFile(Path, TUsersRights::None);
    if (Rights == L"read-run")
        return ProtectFile(Path, TUsersRights::ReadRun);
    if (Rights == L"read-write")
        return ProtectFile(Path, TUsersRights::ReadWrite);
    return seUsage;
}

// A complete journal goes into the file, so that the kept settings are
// those of the last write even when it was cut off.
int TakeUpJournal(const std::wstring& Settings)
{
    TSettingsFile file(PathFromWide(Settings.c_str()));
    return file.TakeUpJournal() == TSettingsFile::TTakeUp::Failed ? seNotRemoved : seDone;
}

int Run(const std::vector<std::wstring>& Arguments)
{
    if (Arguments.size() < 2)
        return seUsage;
    const std::wstring& command = Arguments[0];
    const std::wstring& path = Arguments[1];
    if (command == L"check-parent" && Arguments.size() == 2)
        return CheckParent(path);
    if (command == L"make-folder" && Arguments.size() == 3 && (Arguments[2] == L"recorded" || Arguments[2] == L"new"))
        return MakeFolder(path, Arguments[2] == L"recorded");
    if (command == L"close-folder" && Arguments.size() == 2)
        return CloseFolder(path);
    if (command == L"protect-file" && Arguments.size() == 3)
        return ProtectFileWith(path, Arguments[2]);
    if (command == L"remove-tree" && Arguments.size() == 2)
        return RemoveTree(path);
    if (command == L"take-up-journal" && Arguments.size() == 2)
        return TakeUpJournal(path);
    return seUsage;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return seUsage;
    const std::vector<std::wstring> given(arguments + 1, arguments + count);
    LocalFree(arguments);
    EnableAdministratorPrivileges();
    return Run(given);
}
