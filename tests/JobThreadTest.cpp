// The job thread's end does not wait for a call that never returns, and a
// cancel ends the call of the job it names only (their order and delivery
// show in the receiver's tests).
#include "base/threads/JobThread.h"

#include "base/threads/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// A call the system does not let go of (a driver that ignores the cancel):
// the end gives it up and frees the results never applied; the thread ends
// by itself once the call returns.
TEST(JobThread, TheEndDoesNotWaitForACallThatNeverReturns)
{
    auto release = std::make_shared<TEvent>(true);
    auto started = std::make_shared<TEvent>(true);
    auto held = std::make_shared<int>(0);
    bool applied = false;
    {
        TJobThread jobs([] {});
        jobs.Run([held, &applied] { return TJobThread::TResult([held, &applied] { applied = true; }); });
        jobs.Run([release, started] {
            started->Set();
            release->Wait(kInfinite);
            return TJobThread::TResult();
        });
        ASSERT_TRUE(started->Wait(10000));
    }
    EXPECT_FALSE(release->Wait(0)) << "the call still blocks: the end did not wait for it";
    EXPECT_FALSE(applied);
    EXPECT_EQ(held.use_count(), 1) << "the result never applied is freed";
    release->Set();
}

#ifdef _WIN32
// A port's opening that hangs, given up: only its own blocking call is
// cancelled, never that of another job (a listing of the ports).
TEST(JobThread, ACancelEndsTheCallOfTheJobNamedOnly)
{
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    std::atomic<DWORD> error{1};
    TEvent started(true), ended(true);
    TJobThread jobs([] {});
    auto blockingRead = [&] {
        started.Set();
        char byte = 0;
        DWORD count = 0;
        error = ReadFile(readEnd, &byte, 1, &count, nullptr) ? 0 : GetLastError();
        ended.Set();
        return TJobThread::TResult();
    };
    const uint64_t listing = jobs.Run(blockingRead);
    ASSERT_TRUE(started.Wait(10000));
    jobs.CancelIfRunning(listing + 1); // the attempt waiting behind it
    DWORD written = 0;
    WriteFile(writeEnd, "x", 1, &written, nullptr);
    ASSERT_TRUE(ended.Wait(10000));
    EXPECT_EQ(error, 0u) << "another job's call was cancelled";

    started.Reset();
    ended.Reset();
    const uint64_t attempt = jobs.Run(blockingRead);
    ASSERT_TRUE(started.Wait(10000));
    // A cancel that comes before the call begins is lost: it is repeated.
    for (int tries = 0; tries < 500 && !ended.Wait(20); ++tries)
        jobs.CancelIfRunning(attempt);
    ASSERT_TRUE(ended.Wait(0)) << "the named job's call was not cancelled";
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    CloseHandle(writeEnd);
    CloseHandle(readEnd);
}
#endif

} // namespace
