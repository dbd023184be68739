// The log dispatcher and its three sinks: the log window's buffer, the log
// file the user chose, and "Errors.log" beside the program.
#pragma once

#include "base/Globals.h"
#include "base/NamedFile.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using TLogKind = uint8_t;

constexpr TLogKind lkPlain = 0;
constexpr TLogKind lkGeneral = 1;
constexpr TLogKind lkReceived = 2;
constexpr TLogKind lkSequence = 3;
constexpr TLogKind lkIncomplete = 4;
constexpr TLogKind lkGideiProblem = 5;
constexpr TLogKind lkProtocol = 6;
constexpr TLogKind lkUnsupportedCommand = 7;
constexpr TLogKind lkUnsupportedParameter = 8;
constexpr TLogKind lkParameterError = 9;
constexpr TLogKind lkKeyCollision = 10;
constexpr TLogKind lkDoubleKey = 11;
constexpr TLogKind lkSystem = 12;
constexpr TLogKind lkDebug = 13;
constexpr TLogKind lkModifierCollision = 14;
constexpr TLogKind lkError = 30;

// Kinds the user can choose, with the names the event selection lists.
constexpr int SelectableLogKinds = 14;
const char* LogKindName(TLogKind Kind); // "" for kinds without a name

// The line of one event: the kind's format with the stamp and the text.
std::string FormatLogLine(TLogKind Kind, uint32_t Stamp, const std::string& Text);

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

private:
    bool OnOwnerThread() const { return std::this_thread::get_id() == FThreadId; }
    int32_t FMaxLines = 200;
    std::deque<std::string> FLines;
    std::thread::id FThreadId;
    TLogWindowLink* FWindow = nullptr;
};

class TFileLog : public TBaseLog {
public:
    ~TFileLog() override;
    void SetActive(bool On) override;
    void Write(TLogKind Kind, const std::string& Line) override;
    void SetFileName(const std::string& Name);
    void CloseLogFile();
    std::string FileName();
    bool IsOpen();
    // The session's start line, which begins a file that is opened empty
    // after the start.
    void SetStartLine(const std::string& Line);

private:
    TNamedFile FFile;
    std::string FFileName;
    std::string FStartLine;
};

class TSharedFile;

class TErrorLog : public TBaseLog {
public:
    // A port that keeps failing must not fill the disk: past this size the
    // lines are copied into "Errors.old.log" (over what it held) and the
    // file begins afresh, both in place.
    static constexpr uint64_t MaxFileSize = 1024 * 1024;

    TErrorLog();
    void Write(TLogKind Kind, const std::string& Line) override;
    const std::string& FileName() const { return FFileName; }
    const std::string& OldFileName() const { return FOldFileName; }

private:
    bool BeginAfresh(TSharedFile& File);

    std::string FFileName;
    std::string FOldFileName;
};

class TLoggers {
public:
    // Bits that are always set: the plain lines and the error lines.
    static constexpr uint32_t ForcedKinds = (1u << lkPlain) | (1u << lkError);

    TLoggers();
    ~TLoggers();

    // Which events are logged, into the settings file (also done when the
    // loggers go).
    void WriteSettings();
    TLoggers(const TLoggers&) = delete;
    TLoggers& operator=(const TLoggers&) = delete;

    void Log(TLogKind Kind, const std::string& Text);
    void LogHex(TLogKind Kind, const std::string& Prefix, const std::string& Data);
    void LogStart();
    void LogEnd();
    void SetLogEvents(uint32_t Mask) { FLogEvents = Mask | ForcedKinds; }
    uint32_t LogEvents() const { return FLogEvents; }
    bool Enabled(TLogKind Kind) const { return Kind < 32 && (FLogEvents.load() >> Kind) & 1u; }
    TBaseLog* Logs(int Index) const { return FLogs.at(static_cast<size_t>(Index)).get(); }
    int Count() const { return static_cast<int>(FLogs.size()); }

private:
    std::vector<std::unique_ptr<TBaseLog>> FLogs;
    std::atomic<uint32_t> FStartTick{0};
    std::atomic<uint32_t> FLogEvents{ForcedKinds};
};

extern TLoggers* Loggers;
extern TViewLog* ViewLog;
extern TFileLog* FileLog;

// Loggers.Log for code that may run before the loggers exist or after they
// are gone (tables built in tests, a typer released at exit).
inline void LogEvent(TLogKind Kind, const std::string& Text)
{
    if (Loggers)
        Loggers->Log(Kind, Text);
}
