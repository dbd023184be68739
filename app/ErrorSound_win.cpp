#include "app/ErrorSound_win.h"

#include "base/FilePaths.h"
#include "base/FileSystem.h"
#include "base/Globals.h"
#include "base/SystemLibrary_win.h"
#include "logging/Logging.h"

#include <string>

void PlayErrorSound()
{
    if (!Globals || !Globals->UseSound || Globals->Sound.empty())
        return;
    const std::string& name = Globals->Sound;
    const std::string path = BesideProgram(Globals->AppPath, name);
    // The name is checked, and then what it leads to: a name that passed
    // the checks may still reach a device. A file that is not there plays
    // nothing, as before.
    const bool plain = IsPlainFilePath(name);
    const TFileKind kind = plain ? OpenedFileKind(path) : TFileKind::Other;
    if (kind == TFileKind::Other) {
        // Main thread only: the name said once, not at every error.
        static std::string refused;
        if (refused != name) {
            refused = name;
            LogEvent(lkError, "### Fehler-Sound abgelehnt, keine gew\xf6hnliche Datei: " + name);
        }
        return;
    }
    if (kind == TFileKind::Disk)
        PlaySoundFile(path.c_str());
}
