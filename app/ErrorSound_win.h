// The error sound that the tray program plays for a failed sequence, when
// the user switched it on.
#pragma once

#include "base/settings/SettingsRecords.h"
#include "logging/Log.h"

#include <string>

class TErrorSound {
public:
    // The sound file named in Settings, taken in AppPath when relative.
    TErrorSound(const TStartSettings& Settings, std::string AppPath, TLog& Log)
        : FSettings(Settings), FAppPath(std::move(AppPath)), FLog(Log)
    {
    }

    // Plays the file as a sound file, never as a system sound alias, and
    // only when it opens as an ordinary file on a disk (and is not too large
    // to be read): a device or a network path from the shared settings file
    // is refused with one error line per name that says why. Main thread
    // only.
    void Play();

private:
    const TStartSettings& FSettings;
    const std::string FAppPath;
    TLog& FLog;
    std::string FRefused; // the name said last, so that it is said once
};
