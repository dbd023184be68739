#include "logging/SinkThread.h"

#include "base/threads/KeptThreads.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

struct TSinkThread::TShared {
    std::mutex Lock;
    std::condition_variable Changed; // a task, a task done, the end
    std::deque<std::pair<bool, TTask>> Tasks; // with whether each is a line
    size_t WaitingLines = 0;
    uint64_t Dropped = 0;
    uint64_t Posted = 0; // tasks posted and done, counted for WaitDone
    uint64_t Done = 0;
    bool Ending = false; // nothing more is taken
    bool Over = false;   // the thread has left its loop
    // Held while the outlet is called, and to take it away: an outlet call
    // that has begun is over before End goes on. Re-entrant, since the
    // outlet logs, and the line comes back to this very sink.
    std::recursive_mutex Gate;
    bool OutletGone = false;
    TOutlet Outlet;
    std::thread Thread;
};

TSinkThread::TSinkThread(TOutlet Outlet) : FShared(std::make_shared<TShared>())
{
    PrepareKeptThreads();
    FShared->Outlet = std::move(Outlet);
    FShared->Thread = std::thread(Loop, FShared);
}

TSinkThread::~TSinkThread() { End(std::chrono::steady_clock::now() + std::chrono::seconds(1)); }

void TSinkThread::PostLine(TTask Task)
{
    std::lock_guard<std::mutex> lock(FShared->Lock);
    if (FShared->Ending)
        return;
    if (FShared->WaitingLines >= MaxWaitingLines) {
        ++FShared->Dropped;
        return;
    }
    ++FShared->WaitingLines;
    ++FShared->Posted;
    FShared->Tasks.emplace_back(true, std::move(Task));
    FShared->Changed.notify_all();
}

void TSinkThread::PostControl(TTask Task)
{
    std::lock_guard<std::mutex> lock(FShared->Lock);
    if (FShared->Ending)
        return;
    ++FShared->Posted;
    FShared->Tasks.emplace_back(false, std::move(Task));
    FShared->Changed.notify_all();
}

bool TSinkThread::WaitDone(uint32_t Ms)
{
    std::unique_lock<std::mutex> lock(FShared->Lock);
    const uint64_t posted = FShared->Posted;
    return FShared->Changed.wait_for(lock, std::chrono::milliseconds(Ms),
                                     [&] { return FShared->Done >= posted || FShared->Over; });
}

void TSinkThread::End(std::chrono::steady_clock::time_point Deadline)
{
    if (!FShared->Thread.joinable())
        return;
    {
        std::lock_guard<std::recursive_mutex> gate(FShared->Gate);
        FShared->OutletGone = true;
    }
    std::unique_lock<std::mutex> lock(FShared->Lock);
    // What was logged before the end is still written, while there is time.
    const uint64_t posted = FShared->Posted;
    FShared->Changed.wait_until(lock, Deadline, [&] { return FShared->Done >= posted; });
    FShared->Ending = true;
    FShared->Tasks.clear();
    FShared->Changed.notify_all();
    FShared->Changed.wait_until(lock, Deadline, [&] { return FShared->Over; });
    JoinOrKeep(lock, FShared);
}

void TSinkThread::Loop(std::shared_ptr<TShared> Shared)
{
    std::unique_lock<std::mutex> lock(Shared->Lock);
    for (;;) {
        Shared->Changed.wait(lock, [&] { return Shared->Ending || !Shared->Tasks.empty(); });
        if (Shared->Ending)
            break;
        auto [isLine, task] = std::move(Shared->Tasks.front());
        Shared->Tasks.pop_front();
        if (isLine)
            --Shared->WaitingLines;
        lock.unlock();
        TSinkReport report;
        try {
            report = task();
        } catch (...) {
            // A write that fails costs its line; the next one is tried.
        }
        task = nullptr;
        lock.lock();
        const uint64_t dropped = isLine ? Shared->Dropped : 0;
        if (isLine)
            Shared->Dropped = 0;
        lock.unlock();
        {
            std::lock_guard<std::recursive_mutex> gate(Shared->Gate);
            if (!Shared->OutletGone) {
                if (!report.ErrorLine.empty() || report.Refused)
                    Shared->Outlet.Report(report);
                if (dropped > 0)
                    Shared->Outlet.Freed(dropped);
            }
        }
        lock.lock();
        ++Shared->Done;
        Shared->Changed.notify_all();
    }
    Shared->Over = true;
    Shared->Changed.notify_all();
}
