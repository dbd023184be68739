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
    TReceiveQueue Queue{Env.Log()};
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
    AddChunk(Queue, "abc");
    EXPECT_EQ(PopAll(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Env.TakeUnstampedLines(),
              (std::vector<std::string>{"  # Sequence >a<", "  # Sequence >b<", "  # Sequence >c<"}));
}

TEST_F(ReceiveQueueTest, AChunkThatFindsTheQueueEmptySetsTheSignalEvent)
{
    for (char byte : std::string("abc")) {
        AddChunk(Queue, std::string(1, byte));
        EXPECT_EQ(CountSignals(), 1);
        EXPECT_EQ(Queue.Pop(), std::string(1, byte));
    }
    // Three units in one chunk wake the parser once: it drains them all.
    AddChunk(Queue, "abc");
    EXPECT_EQ(CountSignals(), 1);
    // Units that find others waiting leave the wake-up on its way alone.
    AddChunk(Queue, "de");
    EXPECT_EQ(CountSignals(), 0);
    EXPECT_EQ(PopAll().size(), 5u);
    AddChunk(Queue, "\x1b,hold");
    EXPECT_EQ(CountSignals(), 0) << "no unit completed, no wake-up";
    AddChunk(Queue, ".");
    EXPECT_EQ(CountSignals(), 1);
}

TEST_F(ReceiveQueueTest, UnitsWaitingWhenTheParserIsWiredWakeIt)
{
    Queue.SetSignalEvent(nullptr);
    AddChunk(Queue, "a");
    Queue.SetSignalEvent(&Signal);
    EXPECT_EQ(CountSignals(), 1);
    EXPECT_EQ(PopAll(), std::vector<std::string>{"a"});
    Queue.SetSignalEvent(&Signal);
    EXPECT_EQ(CountSignals(), 0) << "nothing waiting, nothing to wake";
}

TEST_F(ReceiveQueueTest, SpacesInsideASequenceAreDroppedOutsideTheyAreUnits)
{
    AddChunk(Queue, ESC + ", hold , shift . ");
    EXPECT_EQ(PopAll(), (std::vector<std::string>{ESC + ",hold,shift.", " "}));
}

TEST_F(ReceiveQueueTest, AnEscInsideASequenceAbandonsIt)
{
    AddChunk(Queue, ESC + ",move " + ESC + ",hold.");
    EXPECT_EQ(PopAll(), std::vector<std::string>{ESC + ",hold."});
    EXPECT_EQ(Env.TakeUnstampedLines(),
              (std::vector<std::string>{"? # Incomplete ><esc>,move<", "  # Sequence ><esc>,hold.<"}));

    AddChunk(Queue, ESC + " " + ESC + ".");
    EXPECT_EQ(PopAll(), std::vector<std::string>{ESC + "."});
    EXPECT_EQ(Env.TakeUnstampedLines().front(), "? # Incomplete ><esc><");
}

TEST_F(ReceiveQueueTest, ASequenceMaySpanChunks)
{
    AddChunk(Queue, ESC + ",ho");
    EXPECT_TRUE(PopAll().empty());
    EXPECT_EQ(CountSignals(), 0);
    AddChunk(Queue, "ld,a.");
    EXPECT_EQ(PopAll(), std::vector<std::string>{ESC + ",hold,a."});
}

TEST_F(ReceiveQueueTest, WhileInactiveBytesAndPartialSequencesAreDropped)
{
    AddChunk(Queue, ESC + ",ho");
    Queue.Active = false;
    AddChunk(Queue, ESC + ",hold");
    Queue.Active = true;
    AddChunk(Queue, ",a.");
    EXPECT_EQ(PopAll(), (std::vector<std::string>{",", "a", "."}));
    for (const std::string& line : Env.TakeLines())
        EXPECT_EQ(line.find("Incomplete"), std::string::npos) << line;
}

// A zero byte is line noise: it is no unit and is not typed, and it never
// costs the bytes after it, wherever the reads split the stream.
TEST_F(ReceiveQueueTest, ZeroBytesAreDroppedAndTheBytesAfterThemFramed)
{
    AddChunk(Queue, std::string("\0", 1));
    EXPECT_EQ(CountSignals(), 0);
    AddChunk(Queue, std::string("a\0b\0", 4));
    AddChunk(Queue, ESC + std::string(",ho\0ld,", 8) + std::string("\0a.\0c", 6));
    EXPECT_EQ(PopAll(), (std::vector<std::string>{"a", "b", ESC + ",hold,a.", "c"}));
    Queue.AddBytes(nullptr, 0);
    AddChunk(Queue, "");
    EXPECT_TRUE(PopAll().empty());
}

// Nobody pops (the parser pauses after each unit) while a device keeps
// sending: the queue stops growing at its limit and says so once per episode.
TEST_F(ReceiveQueueTest, AFullQueueDropsFurtherUnitsWithOneErrorLinePerEpisode)
{
    Env.Log().SetLogEvents(0);
    AddChunk(Queue, std::string(TReceiveQueue::MaxUnits - 1, 'a'));
    AddChunk(Queue, "b");
    EXPECT_TRUE(Env.TakeLines().empty()) << "the limit itself still fits";
    AddChunk(Queue, "cd" + ESC + ",hold,shift.");
    AddChunk(Queue, "e");
    std::vector<std::string> lines = Env.TakeLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "! ERROR ### Fehler: Empfangspuffer voll (10000 Einheiten), weitere Eingaben werden verworfen");

    // Room for one more ends the episode; the next overflow is a new one.
    EXPECT_EQ(Queue.Pop(), "a");
    AddChunk(Queue, "fg");
    EXPECT_EQ(Env.TakeLines().size(), 1u);
    std::vector<std::string> units = PopAll();
    ASSERT_EQ(units.size(), TReceiveQueue::MaxUnits);
    EXPECT_EQ(units[TReceiveQueue::MaxUnits - 3], "a");
    EXPECT_EQ(units[TReceiveQueue::MaxUnits - 2], "b");
    EXPECT_EQ(units.back(), "f") << "the oldest units are kept, the newest dropped";
    AddChunk(Queue, ESC + ",rel.");
    EXPECT_EQ(PopAll(), std::vector<std::string>{ESC + ",rel."});
    EXPECT_TRUE(Env.TakeLines().empty());
}

TEST_F(ReceiveQueueTest, PopOnAnEmptyQueueReturnsAtOnce)
{
    EXPECT_EQ(Queue.Pop(), "");
}

TEST_F(ReceiveQueueTest, HighBytesAreUnitsLikeAnyOther)
{
    AddChunk(Queue, "\xe4\xdf");
    EXPECT_EQ(PopAll(), (std::vector<std::string>{"\xe4", "\xdf"}));
}

TEST_F(ReceiveQueueTest, ANeverEndingSequenceIsDroppedAtTheLimit)
{
    // Line noise without ESC or '.': nothing may pile up, and nothing of it is
    // typed; the sequence is logged once as incomplete and its rest dropped.
    const std::string noise(TReceiveQueue::MaxSequenceLength * 3, 'x');
    AddChunk(Queue, ESC + noise);
    EXPECT_TRUE(PopAll().empty());
    std::vector<std::string> lines = Env.TakeLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("? ", 0), 0u);
    EXPECT_NE(lines[0].find("Incomplete ><esc>xxx"), std::string::npos);
    EXPECT_EQ(lines[0].size(), std::string("? 000000000 Incomplete >").size() + 5 +
                                   TReceiveQueue::MaxSequenceLength - 1 + 1);

    // Its terminating '.' ends the dropped sequence; framing goes on after it.
    AddChunk(Queue, "more." + ESC + ",hold,shift.a");
    EXPECT_EQ(PopAll(), (std::vector<std::string>{ESC + ",hold,shift.", "a"}));
}

TEST_F(ReceiveQueueTest, ASequenceUpToTheLimitIsKept)
{
    const std::string body(TReceiveQueue::MaxSequenceLength - 2, 'k');
    AddChunk(Queue, ESC + body + ".");
    std::vector<std::string> units = PopAll();
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].size(), TReceiveQueue::MaxSequenceLength);
}

TEST_F(ReceiveQueueTest, AnEscAfterTheLimitStartsAFreshSequence)
{
    AddChunk(Queue, ESC + std::string(TReceiveQueue::MaxSequenceLength + 10, 'x') + ESC + ",rel.");
    EXPECT_EQ(PopAll(), std::vector<std::string>{ESC + ",rel."});
    int incomplete = 0;
    for (const std::string& line : Env.TakeLines())
        incomplete += line.find("Incomplete") != std::string::npos;
    EXPECT_EQ(incomplete, 1);
}

TEST_F(ReceiveQueueTest, ClearedSignalEventIsNoLongerSet)
{
    Queue.SetSignalEvent(nullptr);
    AddChunk(Queue, "a");
    EXPECT_EQ(CountSignals(), 0);
    EXPECT_EQ(Queue.Pop(), "a");
}

// The read thread and an injected byte add while the parser pops: every unit
// arrives once, whole and in order per producer.
TEST_F(ReceiveQueueTest, ProducersAndAConsumerOnThreeThreads)
{
    Env.TakeLines();
    Env.Log().SetLogEvents(0);
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
            AddChunk(Queue, ESC + ",move," + std::to_string(i) + ",1.");
    });
    std::thread injector([&] {
        for (int i = 0; i < Injected; ++i)
            AddChunk(Queue, "z");
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
