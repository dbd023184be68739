#include "app/SignInPlace_win.h"

#include <atomic>
#include <cwchar>

namespace {

bool TokenIsSystem()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const bool read = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    if (!read)
        return false;
    BYTE system[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof system;
    if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize))
        return false;
    return EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, system);
}

bool NamedWinlogon(HDESK Desktop)
{
    wchar_t name[64] = L"";
    DWORD needed = 0;
    return Desktop && GetUserObjectInformationW(Desktop, UOI_NAME, name, sizeof name - sizeof(wchar_t), &needed) &&
           _wcsicmp(name, L"Winlogon") == 0;
}

bool ThreadOnWinlogon() { return NamedWinlogon(GetThreadDesktop(GetCurrentThreadId())); }

bool InputOnWinlogon()
{
    HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    const bool secure = NamedWinlogon(input);
    if (input)
        CloseDesktop(input);
    return secure;
}

// The session's own event, set by the system at every desktop switch.
HANDLE SessionDesktopSwitches() { return OpenEventW(SYNCHRONIZE, FALSE, L"WinSta0_DesktopSwitch"); }

std::atomic<const TSignInPlace*> Current{nullptr};
const TSignInPlace SystemPlace{TokenIsSystem, ThreadOnWinlogon, InputOnWinlogon, SessionDesktopSwitches};
TSignInPlace TestPlace{};

} // namespace

const TSignInPlace& SignInPlace()
{
    const TSignInPlace* place = Current.load();
    return place ? *place : SystemPlace;
}

void SetSignInPlace(const TSignInPlace& Place)
{
    TestPlace = Place;
    Current.store(&TestPlace);
}
