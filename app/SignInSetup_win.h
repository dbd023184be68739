// Whether the sign-in helper is set up on this PC: its service registered
// and the machine's key valid. Asked by the user's programs when the
// secure desktop takes input (they let go of the port only for a helper
// that will take it) and by the dialog, which shows the machine's state.
#pragma once

inline constexpr const wchar_t* SignInServiceName = L"vemuKeysSignIn";

bool SignInServiceRegistered();
bool SignInHelperSetUp();

#include <string>

// Registers the service for the program in Folder (created, or changed
// when it is there) and starts it afresh, so that it reads the machine's
// key as it is now. Elevated only.
bool RegisterSignInService(const std::wstring& Folder);
// Stops and removes the service; true also when it was not there.
bool RemoveSignInService();
