// The program's elevated step for the sign-in helper. The dialog's "OK"
// starts the program itself with "runas" and a fixed switch; that copy
// checks its arguments again, checks that the sign-in programs lie in the
// installed folder that only administrators can change, writes or removes
// the machine's key and registers, restarts or removes the service, and
// ends. It needs no window, no settings file and no single-instance check.
#pragma once

#include "app/SignInChoice.h"

#include <windows.h>

#include <string>
#include <vector>

// Whether the sign-in helper can be set up from this copy of the program:
// both sign-in programs beside it, in the folder the installer recorded,
// and neither they nor the folder changeable by any user. Otherwise false,
// with the string id of the reason.
bool SignInPlacementOK(int& ReasonId);
// Test builds put their own answer in place (Wine enforces no rights).
void SetSignInPlacementCheck(bool (*Check)(int& ReasonId));

// The step itself, in the elevated copy: 0 done, 1 refused or failed.
int RunSignInStep(const std::vector<std::string>& Arguments);

enum class TStepOutcome { Done, Declined, Failed };
// Starts the elevated copy with Arguments and waits for it, the window's
// messages still served meanwhile.
TStepOutcome RunElevatedSignInStep(HWND Owner, const std::vector<std::string>& Arguments);
