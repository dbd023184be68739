// Desktops by name ("Default", "Winlogon") and their switches: what the
// sign-in helper and the user's programs ask of the input desktop and of
// their own.
#pragma once

#include <windows.h>

#include <string>

// The desktop's name in ASCII ('?' for anything else); "" when it cannot
// be read.
std::string DesktopName(HDESK Desktop);
// The input desktop's name; false when this process may not open it (the
// secure desktop, to a program of the user).
bool InputDesktopName(std::string& Name);
// The session's own event, set by the system at every switch of the input
// desktop; null where there is none. The caller closes it.
HANDLE OpenDesktopSwitches();
