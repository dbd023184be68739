#include "serial/ReceiveQ.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

const std::string ESC = "\x1b";

class ReceiveQueueTest : public ::testing::Test {
protected:
    TTestEnvironment Env;
    TReceiveQueue Queue;
    TEvent Signal;

    ReceiveQueueTest()
    {
        Queue.Active = true;
        Queue.SetSignalEvent(&Signal);
    }

    std::vector<std::string> PopAll()
    {
        std::vector<std::string> units;
        for (std::string unit = Queue.Pop(); !unit.empty(); unit = Queue.Pop())
            units.push_back(unit);
        return units;
    }

    int CountSignals()
    {
        int count = 0;
        while (Signal.Wait(0))
            ++count;
        return count;
    }
};

TEST_F(ReceiveQueueTest, PlainBytesAreUnitsOfTheirOwn)
{
    Queue.AddBytes("abc");
    EXPECT_EQ(PopAll(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Env.TakeUnstampedLines(),
              (std::vector<std::string>{"  # Sequence >a<", "  # Sequence >b<", "  # Sequence >c<"}));
}

TEST_F(ReceiveQueueTest, EveryChunkWithACompletedUnitSetsTheSignalEvent)
{
    for (char byte : std::string("abc")) {
        Queue.AddBytes(std::string(1, byte).c_str());
        EXPECT_EQ(CountSignals(), 1);
    }
    // Three units in one chunk wake the parser once: it drains them all.
    Queue.AddBytes("abc");
    EXPECT_EQ(CountSignals(), 1);
    EXPECT_EQ(PopAll().size(), 6u);
    Queue.AddBytes("\x1b,hold");
    EXPECT_EQ(CountSignals(), 0) << "no unit completed, no wake-up";
}

TEST_F(ReceiveQueueTest, UnitsWaitingWhenTheParserIsWiredWakeIt)
{
    Queue.SetSignalEvent(nullptr);
    Queue.AddBytes("a");
    Queue.SetSignalEvent(&Signal);
    EXPECT_EQ(CountSignals(), 1);
    EXPECT_EQ(PopAll(), std::vector<std::string>{"a"});
    Queue.SetSignalEvent(&Signal);
    EXPECT_EQ(CountSignals(), 0) << "nothing waiting, nothing to wake";
}

TEST_F(ReceiveQueueTest, SpacesInsideASequenceAreDroppedOutsideTheyAreUnits)
{
    Queue.AddBytes((ESC + ", hold , shift . ").c_str());
    EXPECT_EQ(PopAll(), (std::vector<std::string>{ESC + ",hold,shift.", " "}));
}

TEST_F(ReceiveQueueTest, AnEscInsideASequenceAbandonsIt)
{
    Queue.AddBytes((ESC + ",move " + ESC + ",hold.").c_str());
    EXPECT_EQ(PopAll(), std::vector<std::string>{ESC + ",hold."});
    EXPECT_EQ(Env.TakeUnstampedLines(),
              (std::vector<std::string>{"? # Incomplete ><esc>,move<", "  # Sequence ><esc>,hold.<"}));

    Queue.AddBytes((ESC + " " + ESC + ".").c_str());
    EXPECT_EQ(PopAll(), std::vector<std::string>{ESC + "."});
    EXPECT_EQ(Env.TakeUnstampedLines().front(), "? # Incomplete ><esc><");
}

TEST_F(ReceiveQueueTest, ASequenceMaySpanChunks)
{
    Queue.AddBytes((ESC + ",ho").c_str());
    EXPECT_TRUE(PopAll().empty());
    EXPECT_EQ(CountSignals(), 0);
    Queue.AddBytes("ld,a.");
    EXPECT_EQ(PopAll(), std::vector<std::string>{ESC + ",hold,a."});
}

TEST_F(ReceiveQueueTest, WhileInactiveBytesAndPartialSequencesAreDropped)
{
    Queue.AddBytes((ESC + ",ho").c_str());
    Queue.Active = false;
    Queue.AddBytes((ESC + ",hold").c_str());
    Queue.Active = true;
    Queue.AddBytes(",a.");
    EXPECT_EQ(PopAll(), (std::vector<std::string>{",", "a", "."}));
    for (const std::string& line : Env.TakeLines())
        EXPECT_EQ(line.find("Incomplete"), std::string::npos) << line;
}

TEST_F(ReceiveQueueTest, ZeroBytesStartAChunkOrEndIt)
{
    Queue.AddBytes(std::string("\0", 1).c_str());
    const char chunk[] = {'a', '\0', 'b', '\0'};
    Queue.AddBytes(chunk);
    std::vector<std::string> units;
    for (std::string unit = Queue.Pop(); !unit.empty(); unit = Queue.Pop())
        units.push_back(unit);
    EXPECT_EQ(units, (std::vector<std::string>{std::string("\0", 1), "a"}));
}

TEST_F(ReceiveQueueTest, PopOnAnEmptyQueueReturnsAtOnce)
{
    EXPECT_EQ(Queue.Pop(), "");
}

TEST_F(ReceiveQueueTest, HighBytesAreUnitsLikeAnyOther)
{
    Queue.AddBytes("\xe4\xdf");
    EXPECT_EQ(PopAll(), (std::vector<std::string>{"\xe4", "\xdf"}));
}

TEST_F(ReceiveQueueTest, ANeverEndingSequenceIsDroppedAtTheLimit)
{
    // Line noise without ESC or '.': nothing may pile up, and nothing of it is
    // typed; the sequence is logged once as incomplete and its rest dropped.
    const std::string noise(TReceiveQueue::MaxSequenceLength * 3, 'x');
    Queue.AddBytes((ESC + noise).c_str());
    EXPECT_TRUE(PopAll().empty());
    std::vector<std::string> lines = Env.TakeLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("? ", 0), 0u);
    EXPECT_NE(lines[0].find("Incomplete ><esc>xxx"), std::string::npos);
    EXPECT_EQ(lines[0].size(), std::string("? 000000000 Incomplete >").size() + 5 +
                                   TReceiveQueue::MaxSequenceLength - 1 + 1);

    // Its terminating '.' ends the dropped sequence; framing goes on after it.
    Queue.AddBytes(("more." + ESC + ",hold,shift.a").c_str());
    EXPECT_EQ(PopAll(), (std::vector<std::string>{ESC + ",hold,shift.", "a"}));
}

TEST_F(ReceiveQueueTest, ASequenceUpToTheLimitIsKept)
{
    const std::string body(TReceiveQueue::MaxSequenceLength - 2, 'k');
    Queue.AddBytes((ESC + body + ".").c_str());
    std::vector<std::string> units = PopAll();
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].size(), TReceiveQueue::MaxSequenceLength);
}

TEST_F(ReceiveQueueTest, AnEscAfterTheLimitStartsAFreshSequence)
{
    Queue.AddBytes((ESC + std::string(TReceiveQueue::MaxSequenceLength + 10, 'x') + ESC + ",rel.").c_str());
    EXPECT_EQ(PopAll(), std::vector<std::string>{ESC + ",rel."});
    int incomplete = 0;
    for (const std::string& line : Env.TakeLines())
        incomplete += line.find("Incomplete") != std::string::npos;
    EXPECT_EQ(incomplete, 1);
}

TEST_F(ReceiveQueueTest, ClearedSignalEventIsNoLongerSet)
{
    Queue.SetSignalEvent(nullptr);
    Queue.AddBytes("a");
    EXPECT_EQ(CountSignals(), 0);
    EXPECT_EQ(Queue.Pop(), "a");
}

// The read thread and an injected byte add while the parser pops: every unit
// arrives once, whole and in order per producer.
TEST_F(ReceiveQueueTest, ProducersAndAConsumerOnThreeThreads)
{
    Env.TakeLines();
    Loggers->SetLogEvents(0);
    constexpr int Sequences = 2000;
    constexpr int Injected = 2000;
    std::atomic<bool> producing{true};
    std::vector<std::string> popped;

    std::thread consumer([&] {
        for (;;) {
            bool more = producing;
            std::string unit = Queue.Pop();
            if (!unit.empty())
                popped.push_back(unit);
            else if (!more)
                break;
            else
                Signal.Wait(5);
        }
    });
    std::thread reader([&] {
        for (int i = 0; i < Sequences; ++i)
            Queue.AddBytes((ESC + ",move," + std::to_string(i) + ",1.").c_str());
    });
    std::thread injector([&] {
        for (int i = 0; i < Injected; ++i)
            Queue.AddBytes("z");
    });
    reader.join();
    injector.join();
    producing = false;
    consumer.join();

    // Each chunk is framed under the lock, so an injected byte never lands
    // inside the reader's sequence: every unit arrives whole and in order.
    int zs = 0;
    std::vector<std::string> moves;
    for (const std::string& unit : popped) {
        if (unit == "z")
            ++zs;
        else
            moves.push_back(unit);
    }
    EXPECT_EQ(zs, Injected);
    ASSERT_EQ(moves.size(), static_cast<size_t>(Sequences));
    for (int i = 0; i < Sequences; ++i)
        EXPECT_EQ(moves[i], ESC + ",move," + std::to_string(i) + ",1.");
}

} // namespace
