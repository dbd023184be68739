// The error sound that the tray program plays for a failed sequence, when
// the user switched it on.
#pragma once

#include "base/files/NamedFile.h"
#include "base/files/UserFolders.h"
#include "base/settings/SettingsRecords.h"
#include "base/threads/JobThread.h"
#include "logging/Log.h"

#include <string>

class TErrorSound {
public:
    // The sound file named in Settings, taken in AppPath when relative,
    // and only in User's profile folder or the system's sounds. The file is
    // read on a thread of its own, which Announce says is done (it posts
    // the window a message, whose handler calls Deliver): a file that does
    // not answer never stops the window.
    TErrorSound(const TStartSettings& Settings, std::string AppPath, TUserFolders User, TLog& Log,
                TJobThread::TAnnounce Announce)
        : FSettings(Settings), FAppPath(std::move(AppPath)), FUser(std::move(User)), FLog(Log),
          FReader(std::move(Announce))
    {
    }

    // Plays the file as a sound file, never as a system sound alias, and
    // only when it opens as an ordinary file on a disk in the user's folder
    // or the system's sounds, is not too large to be read and is a plain
    // PCM wave (no codec is ever loaded for it): anything else from the
    // shared settings file is refused with one error line per name that
    // says why. Main thread only; a sound still being read is not read
    // twice.
    void Play();
    // Plays the sound that was read, or says why it was refused.
    void Deliver() { FReader.Deliver(); }

private:
    void Played(const std::string& Name, TFileRefusal Refusal, std::string Bytes);

    const TStartSettings& FSettings;
    const std::string FAppPath;
    const TUserFolders FUser;
    TLog& FLog;
    std::string FRefused; // the name said last, so that it is said once
    TJobThread FReader;
};
