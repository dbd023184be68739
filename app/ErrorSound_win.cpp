#include "app/ErrorSound_win.h"

#include "base/FilePaths.h"
#include "base/Globals.h"
#include "base/SystemLibrary_win.h"
#include "logging/Logging.h"

#include <string>

void PlayErrorSound()
{
    if (!Globals || !Globals->UseSound || Globals->Sound.empty())
        return;
    const std::string& name = Globals->Sound;
    if (!IsPlainFilePath(name)) {
        // Main thread only: the name said once, not at every error.
        static std::string refused;
        if (refused != name) {
            refused = name;
            LogEvent(lkError, "### Fehler-Sound abgelehnt, keine gew\xf6hnliche Datei: " + name);
        }
        return;
    }
    PlaySoundFile(BesideProgram(Globals->AppPath, name).c_str());
}
