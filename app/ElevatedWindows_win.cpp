#include "app/ElevatedWindows_win.h"

#include "base/system/Handles_win.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<bool (*)(uintptr_t)> ElevationCheck{nullptr};

// The integrity level's RID of a token (SECURITY_MANDATORY_*_RID), or -1
// when it cannot be read.
long IntegrityOf(HANDLE Token)
{
    alignas(TOKEN_MANDATORY_LABEL) BYTE buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(Token, TokenIntegrityLevel, buffer, sizeof buffer, &size))
        return -1;
    PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    return count ? static_cast<long>(*GetSidSubAuthority(sid, count - 1u)) : -1;
}

long OwnIntegrity()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return -1;
    const TKernelHandle owned(token);
    return IntegrityOf(token);
}

bool SystemElevated(uintptr_t Window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(Window), &process);
    if (process == 0 || process == GetCurrentProcessId())
        return false;
    static const long own = OwnIntegrity();
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (!handle)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const TKernelHandle ownedProcess(handle);
    HANDLE token = nullptr;
    if (!OpenProcessToken(handle, TOKEN_QUERY, &token))
        return GetLastError() == ERROR_ACCESS_DENIED; // a process above this one's rights
    const TKernelHandle ownedToken(token);
    const long theirs = IntegrityOf(token);
    return own >= 0 && theirs > own;
}

class TSystemTargetProbe final : public TTargetProbe {
public:
    uintptr_t InputWindow(bool Keyboard) override
    {
        if (Keyboard)
            return reinterpret_cast<uintptr_t>(GetForegroundWindow());
        POINT position;
        if (!GetCursorPos(&position))
            return 0;
        return reinterpret_cast<uintptr_t>(GetAncestor(WindowFromPoint(position), GA_ROOT));
    }

    bool Elevated(uintptr_t Window) override
    {
        if (const auto check = ElevationCheck.load())
            return check(Window);
        return SystemElevated(Window);
    }
};

} // namespace

TTargetProbe& SystemTargetProbe()
{
    static TSystemTargetProbe probe;
    return probe;
}

void SetElevationCheck(bool (*Check)(uintptr_t)) { ElevationCheck.store(Check); }
