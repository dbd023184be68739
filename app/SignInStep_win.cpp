#include "app/SignInStep_win.h"

#include "app/FolderRights_win.h"
#include "app/SignInKey_win.h"
#include "app/SignInSetup_win.h"
#include "base/system/Handles_win.h"
#include "base/system/Numbers.h"
#include "base/system/WidePath_win.h"
#include "resources/StringIds.h"

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <atomic>

namespace {

std::atomic<bool (*)(int&)> PlacementCheck{nullptr};

std::wstring OwnPath()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}

std::wstring FolderOf(const std::wstring& Path) { return Path.substr(0, Path.find_last_of(L'\\')); }

// The folder the installer recorded for the installation.
std::wstring InstalledFolder()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VemuKeys", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return L"";
    wchar_t folder[MAX_PATH + 1] = L"";
    DWORD size = sizeof folder - sizeof(wchar_t);
    DWORD type = 0;
    const LSTATUS read =
        RegQueryValueExW(key, L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ)
        return L"";
    folder[size / sizeof(wchar_t)] = L'\0';
    std::wstring result(folder);
    while (!result.empty() && result.back() == L'\\')
        result.pop_back();
    return result;
}

bool SystemPlacementOK(int& ReasonId)
{
    const std::wstring folder = FolderOf(OwnPath());
    const std::wstring installed = InstalledFolder();
    if (folder.empty() || installed.empty() || !SameNoCase(PathFromWide(folder.c_str()), PathFromWide(installed.c_str()))) {
        ReasonId = IDS_SIGNIN_NOT_INSTALLED;
        return false;
    }
    for (const wchar_t* name : {L"vemuKeysSignIn.exe", L"vemuKeysSignInService.exe"})
        if (GetFileAttributesW((folder + L"\\" + name).c_str()) == INVALID_FILE_ATTRIBUTES) {
            ReasonId = IDS_SIGNIN_NOT_INSTALLED;
            return false;
        }
    if (!OnlyAdministratorsChange(folder, true) ||
        !OnlyAdministratorsChange(folder + L"\\vemuKeysSignIn.exe", false) ||
        !OnlyAdministratorsChange(folder + L"\\vemuKeysSignInService.exe", false)) {
        ReasonId = IDS_SIGNIN_FOLDER_OPEN;
        return false;
    }
    return true;
}

} // namespace

bool SignInPlacementOK(int& ReasonId)
{
    if (const auto check = PlacementCheck.load())
        return check(ReasonId);
    return SystemPlacementOK(ReasonId);
}

void SetSignInPlacementCheck(bool (*Check)(int&)) { PlacementCheck.store(Check); }

int RunSignInStep(const std::vector<std::string>& Arguments)
{
    TSignInStep step = TSignInStep::None;
    TPortSettings port;
    std::string refusal;
    int reason = 0;
    if (!ParseSignInStep(Arguments, step, port, refusal) || !SignInPlacementOK(reason))
        return 1;
    if (step == TSignInStep::Remove)
        return RemoveSignInService() && RemoveSignInKey() ? 0 : 1;
    // The key first: the service reads it when it starts. A service that
    // cannot be set up leaves the key as it was.
    bool hadKey = false;
    const TMachineValues before = ReadSignInValues(hadKey);
    if (WriteSignInKey(SignInValues(port)) && RegisterSignInService(FolderOf(OwnPath())))
        return 0;
    if (hadKey)
        WriteSignInKey(before);
    else
        RemoveSignInKey();
    return 1;
}

TStepOutcome RunElevatedSignInStep(HWND Owner, const std::vector<std::string>& Arguments)
{
    if (Arguments.empty())
        return TStepOutcome::Failed;
    const std::wstring program = OwnPath();
    const std::wstring parameters = WidePath(SignInStepCommandLine(Arguments));
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    run.hwnd = Owner;
    run.lpVerb = L"runas";
    run.lpFile = program.c_str();
    run.lpParameters = parameters.c_str();
    run.nShow = SW_HIDE;
    if (!ShellExecuteExW(&run))
        return GetLastError() == ERROR_CANCELLED ? TStepOutcome::Declined : TStepOutcome::Failed;
    if (!run.hProcess)
        return TStepOutcome::Failed;
    const TKernelHandle process(run.hProcess);
    // The step takes seconds (the service stops and starts): the window
    // goes on answering meanwhile.
    while (MsgWaitForMultipleObjects(1, &run.hProcess, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    DWORD code = 1;
    GetExitCodeProcess(run.hProcess, &code);
    return code == 0 ? TStepOutcome::Done : TStepOutcome::Failed;
}
