// Reading and holding the shared files of the program's folder, and
// waiting for another program that holds one.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

class TSharedFile;
enum class TFileAccess;
enum class TFileOpen;

enum class TFileRead {
    Read,       // Contents holds every byte of the file
    Missing,    // no file of that name: its contents may be taken as empty
    Unreadable, // it is there but could not be read (no right to it, a read error)
    TooLarge,   // larger than the reader takes: never read, never written over
    // Another program held it (or a file read together with it) past the
    // wait: Contents holds only what could be read without it, and nothing
    // may be written over it.
    Held
};

// The file as it is now, read from its start: TooLarge when it holds more
// than Limit bytes, also when it grows past them while it is read.
TFileRead ReadWhole(TSharedFile& File, uint64_t Limit, std::string& Contents);

// The pause before the next try of a file that another program holds, after
// Tries tries that waited WaitedMs in all: 100 ms, then 50 ms longer each
// time up to 300 ms, never past AllowedMs; 0 once they are used up.
uint32_t RetryPauseMs(uint32_t Tries, uint32_t WaitedMs, uint32_t AllowedMs);

// The time a caller allows for waiting on files that another program holds,
// used up by the pauses between tries. A call that its caller gave up (see
// RunWithin) shares it with the caller, and tries no more once given up.
class TWaitBudget {
public:
    explicit TWaitBudget(uint32_t AllowedMs) : FAllowedMs(AllowedMs) {}
    TWaitBudget(const TWaitBudget&) = delete;
    TWaitBudget& operator=(const TWaitBudget&) = delete;

    // Whether another try may follow a pause.
    bool CanWaitMore() const;
    // Pauses before the next try; false, at once or after the pause, when
    // the time is used up or the caller gave up.
    bool PauseBeforeNextTry();
    // From any thread.
    void GiveUp() { FGivenUp = true; }
    bool GivenUp() const { return FGivenUp; }

private:
    const uint32_t FAllowedMs;
    uint32_t FWaitedMs = 0;
    uint32_t FTries = 0;
    std::atomic<bool> FGivenUp{false};
};

// Two files held together (the settings and their journal), never one kept
// while the other is waited for: two programs that hold one each never wait
// for each other. Both are tried; when either is held, the other is let go,
// and both are tried again after a pause, while the budget lasts. Second is
// tried only when First opened. After the last try First stays open when
// only Second is held (a reader may go on without it). A hold whose caller
// gave up is let go: both count as held.
struct THeldPair {
    TFileOpen First;
    TFileOpen Second;
};
THeldPair HoldBoth(TSharedFile& First, const std::string& FirstPath, TSharedFile& Second,
                   const std::string& SecondPath, TFileAccess Access, TWaitBudget& Budget);

// The pause between two tries of a file that another program holds:
// SleepMs, unless a test puts its own in place (nullptr restores SleepMs).
using TRetryPause = void (*)(uint32_t Ms);
void SetRetryPause(TRetryPause Pause);
