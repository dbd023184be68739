// How the user's programs hear of desktop switches: the session's switch
// event, waited for on a thread of its own, which posts UM_DESKTOPSWITCH to
// the window and does nothing else; no polling. Test builds put their own
// answers in place of the system's (Wine has no secure desktop).
#pragma once

#include "base/system/Handles_win.h"

#include <windows.h>

struct TDesktopSource {
    // Set at every switch of the input desktop; null where there is none.
    HANDLE (*OpenSwitches)();
    // The secure desktop has the input (SecureDesktopHasInput).
    bool (*SecureHasInput)();
    // The sign-in helper will take the port (SignInHelperSetUp).
    bool (*HelperSetUp)();
};

const TDesktopSource& DesktopSource();
void SetDesktopSource(const TDesktopSource& Source);

class TDesktopWatch {
public:
    // Without a switch event nothing is watched, and the program keeps its
    // port as it always has.
    explicit TDesktopWatch(HWND Window);
    // The thread is told to end and waited for.
    ~TDesktopWatch();
    TDesktopWatch(const TDesktopWatch&) = delete;
    TDesktopWatch& operator=(const TDesktopWatch&) = delete;

private:
    static DWORD WINAPI Run(void* Self);

    HWND FWindow;
    TKernelHandle FSwitches;
    TKernelHandle FStop;
    TKernelHandle FThread;
};
