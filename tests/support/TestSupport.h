// Shared pieces of the tests: a scratch folder, a recorder for posted
// messages, a settable clock and an environment with the settings store and
// the loggers wired as the program wires them.
#pragma once

#include "base/Globals.h"
#include "logging/Logging.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
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

// Replaces the system clock while it lives.
class TFakeClock {
public:
    explicit TFakeClock(uint32_t Start = 0);
    ~TFakeClock();
    void Set(uint32_t Ticks);
    void Advance(uint32_t Ms);
};

// Globals and Loggers as the main window creates them, in a scratch folder.
// The view sink keeps up to 999 lines so tests can read what was logged.
class TTestEnvironment {
public:
    explicit TTestEnvironment(uint32_t LogEvents = 0xFFFFFFFF, const std::string& Settings = "");
    ~TTestEnvironment();

    // The lines logged since the last call, oldest first.
    std::vector<std::string> TakeLines();
    // The same lines with their nine-digit stamps replaced by "#".
    std::vector<std::string> TakeUnstampedLines();

    TTempDir Dir;
    TRecordingTarget Target;

private:
    std::unique_ptr<TGlobals> FGlobals;
    std::unique_ptr<TLoggers> FLoggers;
};

// Waits until Condition holds, looking every millisecond; false when it still
// does not after TimeoutMs, so that a test fails and names itself instead of
// hanging.
bool WaitUntil(const std::function<bool()>& Condition, uint32_t TimeoutMs = 10000);

class TReceiveQueue;
// Hands Bytes to the queue as one chunk, as the read thread does: every byte,
// zero bytes included.
void AddChunk(TReceiveQueue& Queue, const std::string& Bytes);

// A log line without its time stamp, for comparisons.
std::string WithoutStamp(const std::string& Line);
