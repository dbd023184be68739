#include "app/SignInPlace_win.h"

#include "app/DesktopName_win.h"
#include "base/system/Numbers.h"
#include "base/system/Replaceable.h"

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

bool ThreadOnWinlogon() { return SameNoCase(DesktopName(GetThreadDesktop(GetCurrentThreadId())), "Winlogon"); }

bool InputOnWinlogon()
{
    std::string name;
    return InputDesktopName(name) && SameNoCase(name, "Winlogon");
}

constinit TReplaceable<TSignInPlace> Place{{TokenIsSystem, ThreadOnWinlogon, InputOnWinlogon, OpenDesktopSwitches}};

} // namespace

const TSignInPlace& SignInPlace() { return Place.Get(); }

void SetSignInPlace(const TSignInPlace& With) { Place.Replace(With); }
