#include "app/SecureDesktop.h"

#include "base/system/Numbers.h"

bool SecureDesktopHasInput(const TInputDesktop& Desktop)
{
    if (Desktop.ScreenSaverRunning)
        return false;
    return !Desktop.Opened || SameNoCase(Desktop.Name, "Winlogon");
}
