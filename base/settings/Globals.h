// The settings object: the settings file read once into typed records, the
// autostart value, and the one save of what changed.
#pragma once

#include "base/files/UserFolders.h"
#include "base/settings/IniFile.h"
#include "base/settings/SettingsRecords.h"
#include "base/settings/SettingsTable.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TGlobals {
public:
    static constexpr const char* SettingsFileName = "vemuKeys.set";
    static constexpr const char* AutoStartValueName = "vemuKeys";

    // Reads the settings file beside the program (ExeName is its full path)
    // once, after a cut-off write was taken up from the journal; a file
    // held by another program is waited for up to
    // TSettingsFile::StartWaitMs, and, still held, leaves a session that
    // saves nothing (SaveChanged is false).
    explicit TGlobals(const std::string& ExeName);
    TGlobals(const TGlobals&) = delete;
    TGlobals& operator=(const TGlobals&) = delete;

    std::string AppPath; // with trailing delimiter
    std::string ExeName;
    // Where the files the settings name may lie: the log file and the
    // error sound.
    TUserFolders UserFolders;
    bool AutoStart = false;
    bool AutoStartChangeable = false;
    // Users other than the administrators may change the program's folder
    // (a zip unpacked anywhere, started with higher rights): the machine's
    // Run value would start whatever they put there in every user's
    // session, so it is never written.
    bool AutoStartFolderShared = false;
    bool IsNT5 = false;
    // The settings as read; the owners hand back their current values here
    // before a save.
    TSettingsRecords Settings;

    // Writes the settings of the groups (in that order) whose text differs
    // from what was read or last saved, in one update of the file: a
    // setting another program changed meanwhile and this one did not stays
    // as the other wrote it. What is written counts as read. False (and
    // SaveFailed from then on) when the file could not be written.
    bool SaveChanged(const std::vector<TSettingGroup>& Groups);

    // Whether a settings write of this session failed (the user's changes
    // are then lost, which the program must say).
    bool SaveFailed() const { return FSaveFailed; }
    // The error line that says so, naming the settings file.
    std::string NotSavedLine() const;
    TIniFile& IniFile() { return *FIniFile; }

    // Whether the autostart value is there: anyone may read it. Sets
    // AutoStartChangeable: only who may write the key may change it.
    bool ReadAutoStart();
    // Writes the program's path quoted, so that Windows never takes a part
    // of it ("C:\Program.exe") for the program.
    void SetAutoStart(bool On);
    // Says whether the program's folder is shared (see above) and reads
    // the autostart again.
    void SetProgramFolderShared(bool Shared);

private:
    std::unique_ptr<TIniFile> FIniFile;
    std::atomic<bool> FSaveFailed{false};
};

// The groups each program writes back at its end, in the order a file
// written afresh keeps: the tray program everything it owns (the log
// window's place only once that window was there), the console what its
// engine and loggers own.
std::vector<TSettingGroup> TrayProgramGroups(bool LogViewPlaced);
std::vector<TSettingGroup> ConsoleProgramGroups();

// The autostart value that starts ExeName: its path in quotes.
std::string AutoStartValue(const std::string& ExeName);

class TRunKey;
// How the autostart reaches the Run key: the system's registry, unless a
// test puts a key of its own in its place (an empty opener restores the
// system's). Null when the key cannot be opened with the access asked for.
using TRunKeyOpener = std::function<std::unique_ptr<TRunKey>(bool Write)>;
void SetRunKeyOpener(TRunKeyOpener Opener);
