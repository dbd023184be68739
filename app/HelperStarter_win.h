// Starts the sign-in helper as SYSTEM on the secure desktop of a session:
// the service's own token, duplicated into that session, and the helper
// from the service's own folder (the locked program folder). The helper
// gets no command line, no handles and no environment of the service's.
#pragma once

#include "base/system/Handles_win.h"

#include <windows.h>

#include <cstdint>
#include <string>

class THelperStarter {
public:
    // The helper beside this program.
    THelperStarter();

    // The helper's process in Session, or null when it could not start.
    TKernelHandle Start(uint32_t Session) const;
    // Ends the helper and waits until it has.
    static void End(TKernelHandle& Process);

    const std::wstring& HelperPath() const { return FPath; }

private:
    std::wstring FPath;
};

// The session at the console, NoSession while none is attached; test
// builds may answer instead (Wine has one session).
uint32_t ConsoleSession();
void SetConsoleSessionSource(uint32_t (*Source)());

// The desktop the helper starts on: the secure one, "winsta0\Winlogon".
// Test builds start it on the user's desktop instead, where Wine's desktop
// shows what it types.
void SetHelperDesktop(const wchar_t* Desktop);
