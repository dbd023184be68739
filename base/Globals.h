// The settings store, the lockable base class and the helpers that every
// part of the program leans on.
#pragma once

#include "base/IniFile.h"
#include "base/Messages.h"
#include "base/Sync.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// An object with its own re-entrant critical section.
class TLockableObject {
public:
    TLockableObject() = default;
    virtual ~TLockableObject() = default;
    void Lock() { FLock.Enter(); }
    void Unlock() { FLock.Leave(); }

private:
    TCriticalSection FLock;
};

// Holds an object's lock for a scope.
class TObjectLock {
public:
    explicit TObjectLock(TLockableObject& Object) : FObject(Object) { FObject.Lock(); }
    ~TObjectLock() { FObject.Unlock(); }
    TObjectLock(const TObjectLock&) = delete;
    TObjectLock& operator=(const TObjectLock&) = delete;

private:
    TLockableObject& FObject;
};

// The program's own exception: a message text and nothing else.
class EvemuError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TGlobals {
public:
    static constexpr const char* SettingsFileName = "vemuKeys.set";
    static constexpr const char* AutoStartValueName = "vemuKeys";

    TGlobals(TMessageTarget* MainWindow, const std::string& ExeName);
    ~TGlobals();
    TGlobals(const TGlobals&) = delete;
    TGlobals& operator=(const TGlobals&) = delete;

    std::string AppPath; // with trailing delimiter
    std::string ExeName;
    bool AutoStart = false;
    bool AutoStartChangeable = false;
    bool CheckPort = true;
    bool Tray = false;
    bool ExtendedUI = false;
    bool GIDEIUI = false;
    bool IsNT5 = false;
    bool UseSound = false;
    std::string Sound;
    TMessageTarget* MainWindow = nullptr;
    // Hundredths of a pixel per movement tick and speed step.
    static constexpr int32_t MinMouseDelta = 1;
    static constexpr int32_t MaxMouseDelta = 1000;
    int32_t MouseDelta = 100;
    bool LogfileInfo = false;
    // Rewritten by the main thread on input-language changes, read by others.
    std::atomic<uint32_t> InputLanguage{0};
    std::unique_ptr<TIniFile> IniFile;

    std::string GetString(const std::string& Section, const std::string& Key, const std::string& Default) const;
    int32_t GetInteger(const std::string& Section, const std::string& Key, int32_t Default) const;
    bool GetBool(const std::string& Section, const std::string& Key, bool Default) const;
    bool PutString(const std::string& Section, const std::string& Key, const std::string& Value);
    bool PutInteger(const std::string& Section, const std::string& Key, int32_t Value);
    bool PutBool(const std::string& Section, const std::string& Key, bool Value);

    // Whether a settings write of this session failed (the user's changes
    // are then lost, which the program must say).
    bool SaveFailed() const { return FSaveFailed; }
    // The error line that says so, naming the settings file.
    std::string NotSavedLine() const;
    // [GIDEI] UseSound, [GIDEI] Sound and [Show] LogfileInfo: the last
    // settings written at the program's end (the destructor writes them
    // when nobody did before).
    void WriteOwnSettings();

    // Whether the autostart value is there: anyone may read it. Sets
    // AutoStartChangeable: only who may write the key may change it.
    bool ReadAutoStart();
    void SetAutoStart(bool On);

    void PostToMain(uint32_t Msg, uintptr_t WParam, intptr_t LParam) const;

private:
    bool Saved(bool Written);

    std::atomic<bool> FSaveFailed{false};
    bool FOwnSettingsWritten = false;
};

class TRunKey;
// How the autostart reaches the Run key: the system's registry, unless a
// test puts a key of its own in its place (an empty opener restores the
// system's). Null when the key cannot be opened with the access asked for.
using TRunKeyOpener = std::function<std::unique_ptr<TRunKey>(bool Write)>;
void SetRunKeyOpener(TRunKeyOpener Opener);

// The one settings object; null before the main window creates it and after
// the program has ended.
extern TGlobals* Globals;

// Raises Value to Min, then lowers it to Max; true when the result equals
// Current (the setter then has nothing to do).
bool ClampAndCompare(int32_t& Value, int32_t Min, int32_t Max, int32_t Current);

// A copy of the program's data resource Id; empty when it is missing.
std::vector<uint8_t> LoadResourceCopy(int Id);

// The system's text for an error code, or "<unbekannt>".
std::string SysErrorText(uint32_t Code);

// The four parts of the program file's version; left as they are when the
// file has none.
void GetFileVersion(int& Major, int& Minor, int& Release, int& Build);

// Tells the main window about a failed sequence (error sound, tray flash),
// then logs it.
void ReportError(uint8_t Kind, const std::string& Text);
// Tells the main window that continuous mouse movement started or stopped.
void ReportMoving(bool On);
