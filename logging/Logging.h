// The log dispatcher and its three sinks: the log window's buffer, the log
// file the user chose, and "Errors.log" beside the program.
#pragma once

#include "base/files/NamedFile.h"
#include "base/settings/SettingsRecords.h"
#include "base/threads/Lockable.h"
#include "logging/Log.h"
#include "logging/SinkThread.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Kinds the user can choose, with the names the event selection lists.
constexpr int SelectableLogKinds = 14;
const char* LogKindName(TLogKind Kind); // "" for kinds without a name

// The line of one event: the kind's format with the stamp and the text.
std::string FormatLogLine(TLogKind Kind, uint32_t Stamp, const std::string& Text);

// What the loggers tell the program's window: the log window was switched
// on or off, a log file could not be taken. Called on the thread that made
// the change.
class TLogHost {
public:
    virtual void LogViewSwitched(bool On) = 0;
    virtual void LogFileRefused() = 0;

protected:
    ~TLogHost() = default;
};

class TBaseLog : public TLockableObject {
public:
    virtual void SetActive(bool On) { FActive = On; }
    virtual void Write(TLogKind Kind, const std::string& Line) = 0;
    void LockedWrite(TLogKind Kind, const std::string& Line);
    bool Active() const { return FActive; }

protected:
    std::atomic<bool> FActive{false};
};

// What the view sink needs of the log window, which lives on the main thread.
class TLogWindowLink {
public:
    virtual ~TLogWindowLink() = default;
    virtual bool Exists() const = 0;
    // Creates the window when needed and shows it.
    virtual void Open() = 0;
    virtual void Close() = 0;
    // UM_LOGVIEW: sent from the main thread, so the window holds the line
    // when Log returns; posted from every other thread.
    virtual void SendWake() = 0;
    virtual void PostWake() = 0;
    // Cuts the window's own list to the new limit.
    virtual void TrimLines(int Max) = 0;
};

class TViewLog : public TBaseLog {
public:
    TViewLog();
    void SetActive(bool On) override;
    void Write(TLogKind Kind, const std::string& Line) override;
    bool FetchLine(std::string& Line);
    void SetMaxLines(int32_t N);
    int32_t MaxLines() const { return FMaxLines; }
    void SetWindow(TLogWindowLink* Window)
    {
        TObjectLock lock(*this);
        FWindow = Window;
    }
    void SetHost(TLogHost* Host) { FHost = Host; }

private:
    bool OnOwnerThread() const { return std::this_thread::get_id() == FThreadId; }
    int32_t FMaxLines = 200;
    std::deque<std::string> FLines;
    std::thread::id FThreadId;
    TLogWindowLink* FWindow = nullptr;
    TLogHost* FHost = nullptr;
};

// The line that says how many lines a stuck file cost, once it is free.
std::string BlockedLinesLine(uint64_t Dropped, const std::string& File);

// How long the end waits for the sinks' threads in all: a file that does
// not answer costs the exit (and a logoff) no more than this.
constexpr uint32_t SinkEndWaitMs = 1000;

class TFileLog : public TBaseLog {
public:
    // A refusal of a file is said in Log; a relative name is taken in
    // AppPath (the program's folder, with its trailing delimiter); a file
    // is taken only in User's profile folder. The file is opened and
    // written on the sink's own thread.
    TFileLog(TLog& Log, std::string AppPath, TUserFolders User);
    ~TFileLog() override;
    // A refusal from before there was a host (the stored file, taken when
    // the loggers are made) is told to the first one.
    void SetHost(TLogHost* Host);
    void SetActive(bool On) override;
    void Write(TLogKind Kind, const std::string& Line) override;
    void SetFileName(const std::string& Name);
    void CloseLogFile();
    std::string FileName();
    // Whether the file is open, as far as the sink's thread has come.
    bool IsOpen() const;
    // The session's start line, which begins a file that is opened empty
    // after the start.
    void SetStartLine(const std::string& Line);
    // Waits at most Ms until what was asked of the file before is done.
    bool WaitWritten(uint32_t Ms) { return FThread.WaitDone(Ms); }
    // Writes what waits until Deadline; then nothing more is written.
    void End(std::chrono::steady_clock::time_point Deadline) { FThread.End(Deadline); }

private:
    struct TState;
    void Tell(const TSinkReport& Report);

    TLog& FLog;
    const std::string FAppPath;
    const TUserFolders FUser;
    std::mutex FHostLock; // the host is told from the sink's thread
    TLogHost* FHost = nullptr;
    bool FRefusalUntold = false;
    std::string FFileName;
    std::string FStartLine;
    std::shared_ptr<TState> FState;
    TSinkThread FThread; // the last member: it ends before the others go
};

class TErrorLog : public TBaseLog {
public:
    // A port that keeps failing must not fill the disk: past this size the
    // lines are copied into "Errors.old.log" (over what it held) and the
    // file begins afresh, both in place.
    static constexpr uint64_t MaxFileSize = 1024 * 1024;

    // The files "Errors.log" and "Errors.old.log" in AppPath, written on
    // the sink's own thread; a stuck file's lost lines are said in Log.
    TErrorLog(TLog& Log, const std::string& AppPath);
    void Write(TLogKind Kind, const std::string& Line) override;
    const std::string& FileName() const { return FFileName; }
    const std::string& OldFileName() const { return FOldFileName; }
    bool WaitWritten(uint32_t Ms) { return FThread.WaitDone(Ms); }
    void End(std::chrono::steady_clock::time_point Deadline) { FThread.End(Deadline); }

private:
    const std::string FFileName;
    const std::string FOldFileName;
    TSinkThread FThread;
};

// The dispatcher: every line goes to the three sinks, once its kind is
// chosen. Made from the log settings: the events chosen, the view's length,
// the log file and whether it is on; the view itself is switched on by its
// window's owner.
class TLoggers : public TLog {
public:
    // Bits that are always set: the plain lines and the error lines.
    static constexpr uint32_t ForcedKinds = (1u << lkPlain) | (1u << lkError);

    // A log file is taken only in User's profile folder.
    TLoggers(const TLogSettings& Settings, const std::string& AppPath, const TUserFolders& User);
    ~TLoggers() override;
    TLoggers(const TLoggers&) = delete;
    TLoggers& operator=(const TLoggers&) = delete;

    // Where the sinks say that the view was switched or a file refused;
    // nullptr for nowhere.
    void SetHost(TLogHost* Host);
    // The current choices, as they are saved.
    TLogSettings Settings();

    void Log(TLogKind Kind, const std::string& Text) override;
    bool Enabled(TLogKind Kind) const override { return Kind < 32 && (FLogEvents.load() >> Kind) & 1u; }
    void LogStart();
    void LogEnd();
    void SetLogEvents(uint32_t Mask) { FLogEvents = Mask | ForcedKinds; }
    uint32_t LogEvents() const { return FLogEvents; }
    // Waits at most about Ms until the files have what was logged before
    // (tests, and whoever reads a log file the program writes).
    bool WaitWritten(uint32_t Ms);
    TViewLog& View() { return FView; }
    TFileLog& File() { return FFile; }

private:
    TViewLog FView;
    TFileLog FFile;
    TErrorLog FErrors;
    std::atomic<uint32_t> FStartTick{0};
    std::atomic<uint32_t> FLogEvents{ForcedKinds};
};
