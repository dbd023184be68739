#include "base/threads/JobThread.h"

#include "base/threads/KeptThreads.h"
#include "base/threads/Sync.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

struct TJobThread::TShared {
    std::mutex Lock;
    std::condition_variable Wake;  // a job or the end, for the thread
    std::condition_variable Ended; // the thread has left its loop
    std::deque<std::pair<uint64_t, TJob>> Jobs; // with their numbers
    std::deque<TResult> Results;
    uint64_t Numbered = 0;   // the last job's number
    uint64_t RunningJob = 0; // the number of the job running, 0 for none
    bool Ending = false;
    bool Over = false;
    TCallCanceller* Canceller = nullptr; // the thread's, while it loops
    TAnnounce Announce;
    std::thread Thread;
};

TJobThread::TJobThread(TAnnounce Announce) : FShared(std::make_shared<TShared>())
{
    PrepareKeptThreads();
    FShared->Announce = std::move(Announce);
    if (FShared->Announce)
        FShared->Thread = std::thread(Loop, FShared);
}

TJobThread::~TJobThread()
{
    if (!FShared->Thread.joinable())
        return;
    std::deque<std::pair<uint64_t, TJob>> jobs;
    std::deque<TResult> results;
    std::unique_lock<std::mutex> lock(FShared->Lock);
    FShared->Ending = true;
    jobs.swap(FShared->Jobs);
    results.swap(FShared->Results);
    FShared->Wake.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(EndWaitMs);
    // A cancel that comes between two calls of the job is lost: it is
    // repeated until the thread is out.
    while (!FShared->Over && std::chrono::steady_clock::now() < deadline) {
        if (FShared->Canceller)
            FShared->Canceller->Cancel();
        FShared->Ended.wait_for(lock, std::chrono::milliseconds(20));
    }
    JoinOrKeep(lock, FShared);
}

void TJobThread::Loop(std::shared_ptr<TShared> Shared)
{
    TCallCanceller canceller;
    std::unique_lock<std::mutex> lock(Shared->Lock);
    Shared->Canceller = &canceller;
    for (;;) {
        Shared->Wake.wait(lock, [&] { return Shared->Ending || !Shared->Jobs.empty(); });
        if (Shared->Ending)
            break;
        TJob job = std::move(Shared->Jobs.front().second);
        Shared->RunningJob = Shared->Jobs.front().first;
        Shared->Jobs.pop_front();
        lock.unlock();
        TResult result;
        try {
            result = job();
        } catch (...) {
            // A job that fails has no result; the next one runs.
        }
        job = nullptr;
        lock.lock();
        Shared->RunningJob = 0;
        if (Shared->Ending)
            break; // the result is dropped with this frame
        if (result) {
            Shared->Results.push_back(std::move(result));
            Shared->Announce();
        }
    }
    Shared->Canceller = nullptr;
    Shared->Over = true;
    Shared->Ended.notify_all();
}

uint64_t TJobThread::Run(TJob Job)
{
    if (!FShared->Thread.joinable()) {
        const uint64_t number = ++FShared->Numbered;
        if (TResult result = Job())
            result();
        return number;
    }
    std::lock_guard<std::mutex> lock(FShared->Lock);
    const uint64_t number = ++FShared->Numbered;
    FShared->Jobs.emplace_back(number, std::move(Job));
    FShared->Wake.notify_one();
    return number;
}

void TJobThread::CancelIfRunning(uint64_t Number)
{
    std::lock_guard<std::mutex> lock(FShared->Lock);
    if (Number != 0 && FShared->RunningJob == Number && FShared->Canceller)
        FShared->Canceller->Cancel();
}

void TJobThread::Deliver()
{
    for (;;) {
        TResult result;
        {
            std::lock_guard<std::mutex> lock(FShared->Lock);
            if (FShared->Results.empty())
                return;
            result = std::move(FShared->Results.front());
            FShared->Results.pop_front();
        }
        result();
    }
}

bool TJobThread::Busy() const
{
    std::lock_guard<std::mutex> lock(FShared->Lock);
    return FShared->RunningJob != 0 || !FShared->Jobs.empty() || !FShared->Results.empty();
}
