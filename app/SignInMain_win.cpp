// vemuKeysSignIn: the device at the sign-in screen, the lock screen and
// the questions of User Account Control. Its service starts it as SYSTEM on
// the secure desktop of the session at the console; anywhere else it ends
// at once with 2. It reads the machine's own key and nothing else (no
// settings file, no environment, not its command line), shows nothing,
// writes no file and logs nothing of what it receives: passwords pass
// through it.
#include "app/EventLog_win.h"
#include "app/LastResort_win.h"
#include "app/SignInHelper_win.h"
#include "app/SignInKey_win.h"
#include "app/SignInPlace_win.h"
#include "base/system/SystemLibrary_win.h"

#include <windows.h>

namespace {

// Nothing to say but that it ended, and nothing may stay down.
[[noreturn]] void EndQuietly(const std::string&) { EndProcessWithNothingDown(1); }

// A key that cannot be used: said once, then nothing more until the
// service ends the helper.
[[noreturn]] void StayIdle(TEventLogNote& Note, const std::string& Why)
{
    Note.Once("Vemu Keys bei der Anmeldung: " + Why);
    for (;;)
        Sleep(INFINITE);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    InstallLastResort(EndQuietly);
    const TSignInPlace& place = SignInPlace();
    if (!place.RunsAsSystem() || !place.OnSecureDesktop())
        return 2;
    TEventLogNote note;
    std::string refusal;
    const auto port = ReadSignInKey(refusal);
    if (!port)
        StayIdle(note, "Einstellungen der Maschine abgelehnt (" + refusal + ")");
    TSignInHelper helper(*port, note);
    if (!helper.Run())
        StayIdle(note, "keine Nachricht \xc3\xbc" "ber den Wechsel des Desktops");
    return 0;
}
