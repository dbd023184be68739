// Shared pieces of the tests: a scratch folder, a recorder for posted
// messages, a settable clock, guards for the seams tests set, and an
// environment with loggers and an engine host that records what it hears.
// What needs windows.h is in TestSupport_win.h.
#pragma once

#include "app/Engine.h"
#include "app/PostedEvents.h"
#include "base/settings/SettingsRecords.h"
#include "base/system/Error.h"
#include "base/system/SystemServices.h"
#include "base/window/Messages.h"
#include "logging/Logging.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

// A fresh folder, removed with everything in it at the end of the test.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    const std::string& Path() const { return FPath; } // with trailing delimiter
    std::string File(const std::string& Name) const { return FPath + Name; }

private:
    std::string FPath;
};

std::string ReadFileText(const std::string& Path);
void WriteFileText(const std::string& Path, const std::string& Text);

struct TPostedMessage {
    uint32_t Msg;
    uintptr_t WParam;
    intptr_t LParam;
    bool operator==(const TPostedMessage&) const = default;
};

class TRecordingTarget : public TMessageTarget {
public:
    void Post(uint32_t Msg, uintptr_t WParam, intptr_t LParam) override;
    std::vector<TPostedMessage> Messages();
    void Clear();

private:
    std::mutex FMutex;
    std::vector<TPostedMessage> FMessages;
};

// A seam of the program set for the life of the guard: Set(Value) now, and
// Set with an empty value (the system's own) at the end of the test, also
// when an assertion ends it early.
//   const TSeam drives(SetDriveKindSource, [](char) { return TDriveKind::Local; });
class TSeam {
public:
    template <typename TValue>
    TSeam(void (*Set)(TValue), std::type_identity_t<TValue> Value) : FUndo([Set] { Set(std::remove_cvref_t<TValue>()); })
    {
        Set(Value);
    }
    ~TSeam() { FUndo(); }
    TSeam(const TSeam&) = delete;
    TSeam& operator=(const TSeam&) = delete;

private:
    std::function<void()> FUndo;
};

// Every drive counts as a local disk while it lives: under Wine Z: is the
// host's root, whose devices pass every check of a name.
class TEveryDriveLocal {
public:
    TEveryDriveLocal();

private:
    TSeam FSeam;
};

// Replaces the system clock while it lives.
class TFakeClock {
public:
    explicit TFakeClock(uint32_t Start = 0);
    ~TFakeClock();
    void Set(uint32_t Ticks);
    void Advance(uint32_t Ms);
};

// Loggers as the program makes them (Errors.log in a scratch folder), the
// records the objects under test are made from, and a host that records.
// The view sink keeps up to 999 lines so tests can read what was logged.
class TTestEnvironment {
public:
    explicit TTestEnvironment(uint32_t LogEvents = 0xFFFFFFFF);
    ~TTestEnvironment();

    // The lines logged since the last call, oldest first.
    std::vector<std::string> TakeLines();
    // The same lines with their nine-digit stamps replaced by "#".
    std::vector<std::string> TakeUnstampedLines();

    TLoggers& Log() { return *FLoggers; }
    // The engine's setup from Settings, without global names.
    TEngineSetup Setup() const;

    TTempDir Dir;
    TRecordingTarget Target;
    // Whether this session is at the console, as the read thread asks it.
    std::atomic<bool> AtConsole{true};
    TPostedEvents Events{Target, [this] { return AtConsole.load(); }};
    // No pause after injected input, unless a test asks for one.
    TSettingsRecords Settings = QuickSettings();
    TInputLanguage Language{0};

    static TSettingsRecords QuickSettings();

private:
    std::unique_ptr<TLoggers> FLoggers;
};

// Waits until Condition holds, looking every millisecond; false when it still
// does not after TimeoutMs, so that a test fails and names itself instead of
// hanging.
bool WaitUntil(const std::function<bool()>& Condition, uint32_t TimeoutMs = 10000);

// The log lines up to the first that contains Text, stamps replaced by "#";
// when none comes in time, the test fails and the lines end with a note
// saying so (GTestSupport.cpp).
std::vector<std::string> AwaitLogLine(TTestEnvironment& Env, const std::string& Text);

// What a settings write left in Dir besides the settings file and an empty
// journal.
std::vector<std::string> SettingsLeftovers(const TTempDir& Dir);

// The instance id Windows gives a USB-serial adapter without a serial number
// in USB socket number Socket (model VID_1234&PID_5678).
std::string AdapterInSocket(int Socket);

// The connection states a receiver or an engine reported, in order.
struct TStateLog {
    std::vector<int> States;
    static void Record(void* Data, int State) { static_cast<TStateLog*>(Data)->States.push_back(State); }
};

class TReceiveQueue;
// Hands Bytes to the queue as one chunk, as the read thread does: every byte,
// zero bytes included.
void AddChunk(TReceiveQueue& Queue, const std::string& Bytes);

// A log line without its time stamp, for comparisons.
std::string WithoutStamp(const std::string& Line);
