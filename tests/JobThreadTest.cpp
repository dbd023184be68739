// The job thread's end does not wait for a call that never returns (its
// order and delivery show in the receiver's tests).
#include "base/JobThread.h"

#include "base/Sync.h"

#include <gtest/gtest.h>

#include <memory>

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

} // namespace
