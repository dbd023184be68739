#include "app/ErrorSound_win.h"

#include "base/settings/Globals.h"
#include "base/files/NamedFile.h"
#include "base/system/SystemLibrary_win.h"
#include "logging/Logging.h"

#include <string>

void PlayErrorSound()
{
    if (!Globals || !Globals->UseSound || Globals->Sound.empty())
        return;
    const std::string& name = Globals->Sound;
    // Played from the bytes of the file that was checked, never opened
    // again by its name. A file that is not there plays nothing, as before.
    TNamedFile file;
    const TFileRefusal refusal = file.Open(TNamedFileUse::ReadSound, name, Globals->AppPath);
    if (refusal != TFileRefusal::None) {
        // Main thread only: the name said once, not at every error.
        static std::string refused;
        if (refused != name) {
            refused = name;
            LogEvent(lkError, std::string("### Fehler-Sound abgelehnt, ") + RefusalReason(refusal) + ": " + name);
        }
        return;
    }
    std::string bytes;
    if (file.ReadAll(bytes))
        PlaySoundBytes(std::move(bytes));
}
