// A thread of its own for calls that may block for seconds (opening a serial
// port whose Bluetooth device is away, asking the system for its devices),
// so that the thread that owns the work (the window's) never waits for them.
// Jobs run one at a time in the order given; each returns a result that is
// applied on the owner's thread, in the same order, when the owner delivers.
//
// A job runs on its own copies: it must not touch the owner's objects, nor
// the program's globals, since a job the system will not let go of may still
// run when the owner is gone (see the destructor). What it leaves undone
// (a port it opened) it leaves in its result, which is freed on the owner's
// thread when it is never applied.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class TJobThread {
public:
    using TResult = std::function<void()>; // on the owner's thread; may be empty
    using TJob = std::function<TResult()>; // on the job thread
    // Tells the owner's thread that a result is ready (posts it a message);
    // called on the job thread.
    using TAnnounce = std::function<void()>;

    // How long the end waits for a job the system does not let go of.
    static constexpr uint32_t EndWaitMs = 300;

    // Without Announce there is no thread: each job runs on the caller's
    // thread and its result is applied before Run returns.
    explicit TJobThread(TAnnounce Announce = nullptr);
    // Drops the jobs not started and the results not applied, cancels the
    // blocking call of the running job where the system can, and waits for
    // the thread at most about EndWaitMs. A thread whose call still does not
    // return is not waited for: it is kept with the process and ends with it
    // (it holds nothing of the owner's).
    ~TJobThread();
    TJobThread(const TJobThread&) = delete;
    TJobThread& operator=(const TJobThread&) = delete;

    // Returns the job's number, counted from 1.
    uint64_t Run(TJob Job);
    // Cancels the blocking call of job Number where the system can, when
    // that job is the one running now (a job given up since: its result
    // would only be dropped). A job not started or over is left alone, and
    // so is any other, whose call must not fail for it.
    void CancelIfRunning(uint64_t Number);
    // Applies the results that are ready, oldest first; never waits.
    void Deliver();
    // Jobs waiting or running, or results not applied yet.
    bool Busy() const;

private:
    struct TShared;
    static void Loop(std::shared_ptr<TShared> Shared);
    std::shared_ptr<TShared> FShared;
};
