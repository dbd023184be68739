// The thread that does a file sink's disk work, in the order it was given,
// so that no thread that logs (the read thread, the parser, the window)
// ever waits for a disk: another user can hold a file under an oplock and
// never let go, and an open of it then never returns.
//
// Lines wait in a bounded queue: while the file is stuck, the lines past
// the bound are dropped and counted, and once a write is done again the
// sink is told how many, once. Opens and closes are never dropped.
//
// A task runs on the thread and touches only what it owns (the sink's file
// state, shared by ownership), since a task stuck in the system may outlive
// the sink. What it has to say goes back through the sink's outlet, which
// is never called once the thread was ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// What a task leaves to be said: an error line for the log, and whether
// the file the user chose was refused (the notice).
struct TSinkReport {
    std::string ErrorLine;
    bool Refused = false;
};

class TSinkThread {
public:
    using TTask = std::function<TSinkReport()>;
    // Called on the sink thread, never after End: a task's report, or
    // Dropped lines that were not written before a write succeeded again.
    struct TOutlet {
        std::function<void(const TSinkReport& Report)> Report;
        std::function<void(uint64_t Dropped)> Freed;
    };
    // About a minute of a busy trace; far more than a disk needs to catch up.
    static constexpr size_t MaxWaitingLines = 8192;

    explicit TSinkThread(TOutlet Outlet);
    // Ends with a second's wait, unless End came before.
    ~TSinkThread();
    TSinkThread(const TSinkThread&) = delete;
    TSinkThread& operator=(const TSinkThread&) = delete;

    // A line's write; dropped and counted while MaxWaitingLines wait.
    void PostLine(TTask Task);
    // An open or a close.
    void PostControl(TTask Task);
    // Waits until what was posted before is done, at most Ms; false when
    // the thread is still at it (a file that does not answer).
    bool WaitDone(uint32_t Ms);
    // No more outlet calls; what waits is still written until Deadline,
    // then the thread is joined, or, stuck in a call, kept with the
    // process. Nothing posted afterwards is done.
    void End(std::chrono::steady_clock::time_point Deadline);

private:
    struct TShared;
    static void Loop(std::shared_ptr<TShared> Shared);
    std::shared_ptr<TShared> FShared;
};
