// The job thread: what may block runs off the owner's thread, results come
// back in order and only when the owner delivers them, and the end does not
// wait for a call that never returns.
#include "base/JobThread.h"

#include "base/Sync.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(JobThread, JobsRunElsewhereAndTheirResultsAreAppliedInOrderWhenDelivered)
{
    std::atomic<int> announced{0};
    TJobThread jobs([&] { ++announced; });
    std::vector<int> applied;
    std::vector<std::thread::id> ranOn(3);
    for (int i = 0; i < 3; ++i)
        jobs.Run([i, &ranOn, &applied] {
            ranOn[i] = std::this_thread::get_id();
            return TJobThread::TResult([i, &applied] { applied.push_back(i); });
        });
    ASSERT_TRUE(WaitUntil([&] { return announced == 3; }));
    EXPECT_TRUE(applied.empty()) << "nothing is applied before the owner delivers";
    EXPECT_TRUE(jobs.Busy());
    jobs.Deliver();
    EXPECT_EQ(applied, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(jobs.Busy());
    for (const std::thread::id& id : ranOn)
        EXPECT_NE(id, std::this_thread::get_id());
}

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
