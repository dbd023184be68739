// Linked into the test builds of both programs (tests/vemuKeysSeams.exe,
// tests/vemuKeysConSeams.exe), never into the programs that are shipped:
// seams that the end-to-end tests set through the environment.
//   VEMU_TEST_OPENING_MS=N   every opening of a port first takes N ms, as
//                            for a Bluetooth device that is away; the wait
//                            is a blocking read that CancelSynchronousIo
//                            ends, and then the opening fails as a
//                            cancelled CreateFile does.
//   VEMU_TEST_OPENING_STUBBORN=1  with VEMU_TEST_OPENING_MS, the wait is a
//                            sleep that nothing ends, and the port opens
//                            after it, as a driver's that ignores a cancel.
//   VEMU_TEST_CONSOLE_FILE=F another session is at the console while the
//                            file F holds "0" (read each time it is asked).
//   VEMU_TEST_SECURE_FILE=F  the secure desktop has the input while the
//                            file F holds "1"; a 100 ms timer stands for
//                            the session's switch event. Whether the
//                            sign-in helper is set up is asked of the
//                            system (Wine's service manager and registry).
//   VEMU_TEST_ELEVATED_CLASS=C  windows of class C run with higher rights
//                            (Wine has no integrity levels).
//   VEMU_TEST_SIGNIN_PLACED=1  the sign-in programs lie in an installed
//                            folder only administrators can change (Wine
//                            enforces no rights).
//   VEMU_TEST_STUCK_FILE=T   an open of a file the settings name (the log
//                            file, the error sound) whose path holds T never
//                            returns, as an open of a file that another
//                            user holds under an oplock and never lets go.
#include "app/DesktopWatch_win.h"
#include "app/ElevatedWindows_win.h"
#include "app/EngineHost_win.h"
#include "app/SignInSetup_win.h"
#include "app/SignInStep_win.h"
#include "base/files/NamedFile.h"
#include "serial/PortOpening.h"
#include "tests/e2e/SeamFiles.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

DWORD OpeningMs = 0;

VOID CALLBACK WakeReader(PVOID WriteEnd, BOOLEAN)
{
    DWORD written = 0;
    WriteFile(WriteEnd, "x", 1, &written, nullptr);
}

bool StubbornOpening = false;

uint32_t SlowOpening(int32_t)
{
    if (StubbornOpening) {
        Sleep(OpeningMs);
        return 0;
    }
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0))
        return 0;
    HANDLE timer = nullptr;
    CreateTimerQueueTimer(&timer, nullptr, WakeReader, writeEnd, OpeningMs, 0, WT_EXECUTEONLYONCE);
    char byte = 0;
    DWORD count = 0;
    const DWORD error = ReadFile(readEnd, &byte, 1, &count, nullptr) ? 0 : GetLastError();
    DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);
    CloseHandle(writeEnd);
    CloseHandle(readEnd);
    return error == ERROR_OPERATION_ABORTED ? error : 0;
}

const char* ConsoleFile = nullptr;

bool ConsoleFileSaysHere() { return FirstCharacter(ConsoleFile) != '0'; }

const char* SecureFile = nullptr;

bool SecureFileSaysInput() { return FirstCharacter(SecureFile) == '1'; }

const char* ElevatedClass = nullptr;

bool OfElevatedClass(uintptr_t Window)
{
    char name[64] = "";
    GetClassNameA(reinterpret_cast<HWND>(Window), name, sizeof name);
    return std::strcmp(name, ElevatedClass) == 0;
}

bool Placed(int&) { return true; }

const char* StuckText = nullptr;

void StuckOpen(const std::string& Path)
{
    if (Path.find(StuckText) != std::string::npos)
        Sleep(INFINITE);
}

const bool Installed = [] {
    StuckText = std::getenv("VEMU_TEST_STUCK_FILE");
    if (StuckText)
        SetNamedFileOpenPause(StuckOpen);
    if (std::getenv("VEMU_TEST_SIGNIN_PLACED"))
        SetSignInPlacementCheck(Placed);
    ElevatedClass = std::getenv("VEMU_TEST_ELEVATED_CLASS");
    if (ElevatedClass)
        SetElevationCheck(OfElevatedClass);
    SecureFile = std::getenv("VEMU_TEST_SECURE_FILE");
    if (SecureFile)
        SetDesktopSource({SwitchTicks, SecureFileSaysInput, SignInHelperSetUp});
    ConsoleFile = std::getenv("VEMU_TEST_CONSOLE_FILE");
    if (ConsoleFile)
        SetConsoleSessionCheck(ConsoleFileSaysHere);
    if (const char* ms = std::getenv("VEMU_TEST_OPENING_MS")) {
        OpeningMs = static_cast<DWORD>(std::strtoul(ms, nullptr, 10));
        StubbornOpening = std::getenv("VEMU_TEST_OPENING_STUBBORN") != nullptr;
        SetOpeningDelay(SlowOpening);
    }
    return true;
}();

} // namespace
