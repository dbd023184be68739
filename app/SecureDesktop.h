// Whether the secure desktop (the sign-in screen, the lock screen's
// password entry, User Account Control's questions) has the input, as a
// program of the user can tell: it cannot open that desktop at all, or it
// finds it named "Winlogon". A secure screen saver's desktop cannot be
// opened either, but it takes no typing: it does not count.
#pragma once

#include <string>

struct TInputDesktop {
    bool Opened = false;
    std::string Name; // when opened
    bool ScreenSaverRunning = false;
};

bool SecureDesktopHasInput(const TInputDesktop& Desktop);
