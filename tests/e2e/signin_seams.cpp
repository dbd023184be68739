// Linked into the test builds of the sign-in programs
// (tests/vemuKeysSignInSeams.exe, tests/vemuKeysSignInServiceSeams.exe),
// never into the programs that are shipped. Wine has no secure desktop, no
// SYSTEM token and no desktop switches; files beside the program stand for
// them (the service hands the helper no environment, so nothing else would
// reach a helper it starts):
//   secure-desktop.txt   the helper runs as SYSTEM on the secure desktop,
//                        which takes input while the file holds "1"; a
//                        100 ms timer stands for the session's switch event.
//   console-session.txt  the service finds the session it names at the
//                        console.
// The service's test build starts the helper on the user's desktop, where
// the observer sees what it types (Wine shows its "Winlogon" desktop apart).
#include "app/HelperStarter_win.h"
#include "app/SignInPlace_win.h"
#include "tests/e2e/SeamFiles.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring SecureFile;
uint32_t Session = 0;

// A file beside this program.
std::wstring Beside(const wchar_t* Name)
{
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + Name;
}

bool Yes() { return true; }

bool SecureFileSaysInput() { return FirstCharacter(SecureFile) == '1'; }

uint32_t TestSession() { return Session; }

const bool Installed = [] {
    SecureFile = Beside(L"secure-desktop.txt");
    if (GetFileAttributesW(SecureFile.c_str()) != INVALID_FILE_ATTRIBUTES)
        SetSignInPlace({Yes, Yes, SecureFileSaysInput, SwitchTicks});
    const int session = FirstCharacter(Beside(L"console-session.txt"));
    if (session >= '0' && session <= '9') {
        Session = static_cast<uint32_t>(session - '0');
        SetConsoleSessionSource(TestSession);
    }
    SetHelperDesktop(L"winsta0\\Default");
    return true;
}();

} // namespace
