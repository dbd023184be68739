// The sign-in service's work: exactly one helper in the session at the
// console while the machine's key is valid (THelperKeeper's rules), looked
// at again at the start, at every session change and when the helper ends;
// the helper ends with the service. The service has no endpoint of any
// kind: the service manager's controls are all it hears.
#pragma once

#include "app/HelperKeeper.h"
#include "app/HelperStarter_win.h"
#include "base/system/Handles_win.h"

#include <windows.h>

class TSignInService {
public:
    TSignInService();
    ~TSignInService();
    TSignInService(const TSignInService&) = delete;
    TSignInService& operator=(const TSignInService&) = delete;

    // Keeps the helper until Stop.
    void Run();
    // From the service's control handler (any thread).
    void Stop() { SetEvent(FStop.Get()); }
    void SessionChanged() { SetEvent(FChanged.Get()); }

private:
    void Follow();
    DWORD PauseLeft() const;

    THelperStarter FStarter;
    TRestartPause FPause;
    TKernelHandle FStop;
    TKernelHandle FChanged;
    TKernelHandle FHelper;
    uint32_t FHelperSession = NoSession;
    DWORD FStartedAt = 0;
    bool FPausing = false;
    DWORD FPauseFrom = 0;
    DWORD FPauseMs = 0;
};
