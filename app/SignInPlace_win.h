// Where the sign-in helper finds itself: whether it runs as SYSTEM on the
// secure desktop, and whether that desktop is the one that takes input now.
// Test builds put their own answers in place of the system's (Wine has no
// secure desktop); the programs that are shipped never change them.
#pragma once

#include <windows.h>

struct TSignInPlace {
    bool (*RunsAsSystem)();
    // The calling thread's desktop is "Winlogon".
    bool (*OnSecureDesktop)();
    // The input desktop is "Winlogon".
    bool (*SecureDesktopIsInput)();
    // An event that is set at each switch of the input desktop; null when
    // the system has none for this session. The caller closes it.
    HANDLE (*OpenDesktopSwitches)();
};

const TSignInPlace& SignInPlace();
void SetSignInPlace(const TSignInPlace& Place);
