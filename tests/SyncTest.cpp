#include "base/threads/Sync.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(CriticalSection, IsReentrantAndExcludesOtherThreads)
{
    TCriticalSection section;
    std::atomic<bool> otherEntered{false};
    section.Enter();
    section.Enter(); // the holder may enter again
    std::thread other([&] {
        section.Enter();
        otherEntered = true;
        section.Leave();
    });
    section.Leave();
    SleepMs(50);
    EXPECT_FALSE(otherEntered) << "one Leave must not release a section entered twice";
    section.Leave();
    other.join();
    EXPECT_TRUE(otherEntered);
}

TEST(Event, AutoResetWakesOnceAndClears)
{
    TEvent event;
    ASSERT_TRUE(event.Valid());
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    event.Set(); // two sets before a wait collapse into one signal
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, ManualResetStaysSetUntilReset)
{
    TEvent event(true);
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, WaitForAnyPrefersTheLowestIndexAndTimesOut)
{
    TEvent data, tick, stop;
    EXPECT_EQ(WaitForAny({&data, &tick, &stop}, 20), -1);
    stop.Set();
    data.Set();
    EXPECT_EQ(WaitForAny({&data, &tick, &stop}, kInfinite), 0);
    EXPECT_EQ(WaitForAny({&data, &tick, &stop}, kInfinite), 2);
    EXPECT_EQ(WaitForAny({&data, &tick, &stop}, 0), -1);
}

TEST(Event, SetFromAnotherThreadWakesAWaiter)
{
    TEvent event;
    std::thread setter([&] {
        SleepMs(30);
        event.Set();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForAny({&event}, 5000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    setter.join();
}

TEST(Event, OneSignalWakesOnlyOneOfTwoWaiters)
{
    TEvent event;
    std::atomic<int> woken{0};
    auto waiter = [&] {
        if (event.Wait(300))
            ++woken;
    };
    std::thread a(waiter), b(waiter);
    SleepMs(50);
    event.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken, 1);
}

TEST(Clock, SleepAdvancesTheTickCount)
{
    // The sleep is measured with the precise clock: the Windows tick
    // advances in steps of about 16 ms, and under Wine on a loaded machine
    // its updates may lag further behind.
    const auto before = std::chrono::steady_clock::now();
    const uint32_t start = TickCount();
    SleepMs(100);
    const auto slept = std::chrono::steady_clock::now() - before;
    EXPECT_GE(slept, std::chrono::milliseconds(95));
    const uint32_t elapsed = TickCount() - start;
    EXPECT_GT(elapsed, 0u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Clock, TickSourceCanBeReplaced)
{
    {
        const TSeam clock(SetTickSource, []() -> uint32_t { return 0xFFFFFFF0u; });
        EXPECT_EQ(TickCount(), 0xFFFFFFF0u);
    }
    EXPECT_NE(TickCount(), 0xFFFFFFF0u);
}

class TCountingThread : public TThread {
public:
    std::atomic<int> Rounds{0};
    TEvent Wake;

protected:
    void Execute() override
    {
        while (!Terminated()) {
            Wake.Wait(kInfinite);
            ++Rounds;
        }
    }
};

TEST(Thread, DoesNotRunBeforeStartAndEndsWhenTerminatedAndWoken)
{
    TCountingThread thread;
    thread.Wake.Set();
    SleepMs(20);
    EXPECT_EQ(thread.Rounds, 0) << "a thread is created suspended";
    thread.Start();
    thread.Wake.Set();
    EXPECT_TRUE(WaitUntil([&] { return thread.Rounds > 0; }));
    thread.Terminate();
    thread.Wake.Set();
    thread.Join();
    EXPECT_TRUE(thread.Terminated());
    EXPECT_GE(thread.Rounds, 1);
}

class TThrowingThread : public TThread {
public:
    std::atomic<bool> Ran{false};

protected:
    void Execute() override
    {
        Ran = true;
        throw std::runtime_error("run loop failed");
    }
};

TEST(Thread, AnExceptionEndsOnlyTheThread)
{
    TThrowingThread first;
    first.Start();
    first.Join();
    EXPECT_TRUE(first.Ran);
    TThrowingThread second; // the process and its threads go on
    second.Start();
    second.Join();
    EXPECT_TRUE(second.Ran);
}

} // namespace
