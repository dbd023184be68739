#include "gidei/KeyParse.h"

#include "tests/support/RecordingSink.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

// The parser's tokens of a unit text (without its ESC).
class TKeyParserPeer {
public:
    static std::optional<TTokenList> Tokens(TKeyParser& Parser, const std::string& Text)
    {
        Parser.Text = Text;
        return Parser.SplitTokens();
    }
};

namespace {

using Strings = std::vector<std::string>;
const std::string ESC = "\x1b";

// A parser whose units are handed over directly, without its thread.
class ParserUnits : public ::testing::Test {
protected:
    TTestEnvironment Env{0xFFFFFFFF};
    TRecordingSink Sink;
    TKeyParser Parser{Sink, Env.Settings.Typing, Env.Log(), Env.Events, Env.Language, false};

    Strings Events() { return Sink.Take(); }
    Strings Lines() { return Env.TakeUnstampedLines(); }
    void Unit(const std::string& Text) { Parser.HandleUnit(Text); }
    // What a run of characters types through the character path.
    static Strings Chars(const std::string& Text)
    {
        Strings events;
        char line[32];
        for (unsigned char c : Text) {
            std::snprintf(line, sizeof line, "char %02X down", c);
            events.push_back(line);
            std::snprintf(line, sizeof line, "char %02X up", c);
            events.push_back(line);
        }
        return events;
    }
};

TEST_F(ParserUnits, PlainBytesAreTypedAsCharacters)
{
    Unit("a");
    Unit("\xe4");
    Unit(" ");
    EXPECT_EQ(Events(), Chars("a\xe4 "));
}

TEST_F(ParserUnits, EscDotResetsEverything)
{
    Unit(ESC + ",lock,shift.");
    Unit(ESC + ",moulock.");
    Events();
    Unit(ESC + ".");
    EXPECT_EQ(Events(), (Strings{"button 0004", "abs 0 0", "up 10"}));
}

TEST_F(ParserUnits, ACommandWithoutAWordIsAProtocolError)
{
    Unit(ESC + ",.");
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(Lines(), Strings{"? # Protocol >,.<"});
    EXPECT_EQ(Env.Target.Messages(), (std::vector<TPostedMessage>{{UM_GIDEIERROR, 0, 0}}));
}

TEST_F(ParserUnits, AtMostSixTokens)
{
    Unit(ESC + ",combine,ctrl,alt,shift,lshift,a.");
    EXPECT_EQ(Events().size(), 10u);
    Unit(ESC + ",combine,ctrl,alt,shift,lshift,rshift,a.");
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(Lines(), Strings{"? # Protocol >,combine,ctrl,alt,shift,lshift,rshift,a.<"});
}

TEST_F(ParserUnits, KeyNameSequencesHoldOneName)
{
    Unit(ESC + "a,b.");
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(Lines(), Strings{"? # Protocol >a,b.<"});
    Unit(ESC + "a.");
    Unit(ESC + "Enter.");
    EXPECT_EQ(Events(), (Strings{"char 61 down", "char 61 up", "down 0D", "up 0D"}));
}

TEST_F(ParserUnits, NumbersMayRepeatNamesMayNot)
{
    Unit(ESC + ",move,10,10.");
    EXPECT_EQ(Events(), Strings{"move 10 10"});
    Unit(ESC + ",move,-3,-3.");
    EXPECT_EQ(Events(), Strings{"move -3 -3"});
    Env.Target.Clear();
    TTypingSettings answering = Env.Settings.Typing;
    answering.UseGIDEI = true;
    Parser.ApplyTyping(answering);
    Unit(ESC + ",combine,shift,SHIFT.");
    EXPECT_TRUE(Events().empty()) << "nothing is typed, even with the GIDEI error behaviour";
    EXPECT_EQ(Lines(), Strings{"? # Parameter error >Double token name \"SHIFT\"<"});
    EXPECT_TRUE(Env.Target.Messages().empty()) << "no error signal for a repeated token";
}

TEST_F(ParserUnits, EmptyTokensAreSkipped)
{
    EXPECT_EQ(TKeyParserPeer::Tokens(Parser, ",,hold,,shift,."), (std::optional<TTokenList>{{"hold", "shift"}}));
    EXPECT_EQ(TKeyParserPeer::Tokens(Parser, "a."), (std::optional<TTokenList>{{"a"}}));
    // No '.': the last byte is never part of a token.
    EXPECT_EQ(TKeyParserPeer::Tokens(Parser, ",hold,shift"), (std::optional<TTokenList>{{"hold", "shif"}}));
    Unit(ESC + ",,hold,,shift,.");
    EXPECT_EQ(Events(), Strings{"down 10"});
}

TEST_F(ParserUnits, WithGideiErrorBehaviourAFaultySequenceIsTyped)
{
    TTypingSettings answering = Env.Settings.Typing;
    answering.UseGIDEI = true;
    Parser.ApplyTyping(answering);
    Unit(ESC + "xyz.");
    EXPECT_EQ(Events(), Chars("xyz."));
    EXPECT_EQ(Lines(), Strings{"? # Parameter error >xyz<"});

    Unit(ESC + "ab\tc.");
    EXPECT_EQ(Events(), Chars("\tc."));
    EXPECT_EQ(Lines(), Strings{"? # GIDEI problem >ab\tc.<"});

    Unit(ESC + ",foo,1.");
    EXPECT_EQ(Events(), Chars(",foo,1."));

    Unit(ESC + ",move,x,5.");
    EXPECT_EQ(Events(), Chars(",x,5.")) << "typed from the ',' before the faulty parameter";

    Unit(ESC + ",a,b,c,d,e,f,g.");
    EXPECT_TRUE(Events().empty()) << "a protocol error types nothing";
}

TEST_F(ParserUnits, WithoutGideiErrorBehaviourFaultsAreOnlyLogged)
{
    Unit(ESC + "xyz.");
    Unit(ESC + "ab\tc.");
    Unit(ESC + ",foo,1.");
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(Lines(), (Strings{"? # Parameter error >xyz<", "? # Parameter error >ab\tc<",
                                "? # Unsupported command foo"}));
}

TEST_F(ParserUnits, TheTyperGetsTheSequenceText)
{
    Unit(ESC + ",hold,shift.");
    EXPECT_EQ(Parser.Typer->Sequence, ",hold,shift.");
    Unit(ESC + ",hold,shift.");
    EXPECT_EQ(Lines(), Strings{"? # Key collision ,hold,shift."});
}

TEST(ParserSettings, MadeFromTheRecordAndHandedBackWithThePauseClamped)
{
    TTestEnvironment env;
    TRecordingSink sink;
    TTypingSettings typing = env.Settings.Typing;
    typing.WaitAfter = true;
    typing.WaitFor = 20;
    typing.UseGIDEI = true;
    TKeyParser parser(sink, typing, env.Log(), env.Events, env.Language, false);
    EXPECT_TRUE(parser.WaitAfter());
    EXPECT_EQ(parser.WaitFor(), 50);
    EXPECT_TRUE(parser.UseGIDEI());
    for (const auto& [asked, kept] : {std::pair{20000, 9999}, {700, 700}, {49, 50}}) {
        typing.WaitFor = asked;
        typing.UseGIDEI = false;
        parser.ApplyTyping(typing);
        EXPECT_EQ(parser.WaitFor(), kept);
        EXPECT_FALSE(parser.UseGIDEI());
    }
    // What it was made with and what was applied since, as it is saved.
    const TTypingSettings saved = parser.Typing();
    EXPECT_TRUE(saved.WaitAfter);
    EXPECT_EQ(saved.WaitFor, 50);
    EXPECT_FALSE(saved.UseGIDEI);
    EXPECT_EQ(saved.Wait, typing.Wait);
    EXPECT_EQ(saved.MouseDelta, typing.MouseDelta);
}

// A sink that holds the parser at one record until the test lets it go:
// the test can act at an exact point of the parser's work.
class TGateSink : public TRecordingSink {
public:
    unsigned SendKeyboard(const TKeyboardRecord& Record) override
    {
        std::unique_lock<std::mutex> lock(FGateMutex);
        if (!FHoldAt.empty() && Describe(Record) == FHoldAt) {
            FHoldAt.clear();
            FHeld = true;
            FChanged.notify_all();
            // Bounded, so that a test that never opens fails instead of
            // hanging.
            FChanged.wait_for(lock, std::chrono::seconds(10), [this] { return !FHeld; });
        }
        lock.unlock();
        return TRecordingSink::SendKeyboard(Record);
    }

    void HoldAt(const std::string& Record)
    {
        std::lock_guard<std::mutex> lock(FGateMutex);
        FHoldAt = Record;
    }
    bool AwaitHeld()
    {
        std::unique_lock<std::mutex> lock(FGateMutex);
        return FChanged.wait_for(lock, std::chrono::seconds(10), [this] { return FHeld; });
    }
    void Open()
    {
        std::lock_guard<std::mutex> lock(FGateMutex);
        FHeld = false;
        FChanged.notify_all();
    }

private:
    std::mutex FGateMutex;
    std::condition_variable FChanged;
    std::string FHoldAt;
    bool FHeld = false;
};

// The parser with its thread, fed through the queue as the read thread does.
class ParserThread : public ::testing::Test {
protected:
    TTestEnvironment Env{0xFFFFFFFF};
    TGateSink Sink;
    TReceiveQueue Queue{Env.Log()};
    std::unique_ptr<TKeyParser> Parser = std::make_unique<TKeyParser>(Sink, Env.Settings.Typing, Env.Log(), Env.Events, Env.Language, false);

    ParserThread()
    {
        Queue.Active = true;
        Parser->Queue = &Queue;
        Queue.SetSignalEvent(Parser->DataEvent.get());
        Parser->Start();
    }

    ~ParserThread() override { StopParser(); }

    void StopParser()
    {
        if (!Parser)
            return;
        Parser->Stop();
        Parser->Join();
        Queue.SetSignalEvent(nullptr);
        Parser.reset();
    }

    // Waits until the sink has seen Count records (the test fails when it
    // has not within the time) and takes them.
    Strings AwaitEvents(size_t Count)
    {
        EXPECT_TRUE(WaitUntil([&] { return Sink.Count() >= Count; })) << Sink.Count() << " of " << Count << " records";
        return Sink.Take();
    }
};

TEST_F(ParserThread, UnitsFromTheQueueDriveTheTyper)
{
    AddChunk(Queue, ESC + ",hold,shift.a");
    EXPECT_EQ(AwaitEvents(4), (Strings{"down 10", "down 41", "up 41", "up 10"}));
}

TEST_F(ParserThread, ManyUnitsSignalledTogetherAreAllHandled)
{
    std::string text(300, 'x');
    AddChunk(Queue, text);
    EXPECT_EQ(AwaitEvents(600).size(), 600u);
}

// While the parser pauses after a unit, chunks that find units waiting set
// no event: the parser takes them all the same once the pause is over.
TEST_F(ParserThread, UnitsThatArriveWhileTheParserPausesAreAllHandled)
{
    TTypingSettings pausing = Env.Settings.Typing;
    pausing.WaitAfter = true;
    pausing.WaitFor = 50;
    Parser->ApplyTyping(pausing);
    AddChunk(Queue, "a");
    EXPECT_EQ(AwaitEvents(2), (Strings{"char 61 down", "char 61 up"}));
    for (char byte : std::string("bcd"))
        AddChunk(Queue, std::string(1, byte));
    EXPECT_EQ(AwaitEvents(6), (Strings{"char 62 down", "char 62 up", "char 63 down", "char 63 up", "char 64 down",
                                       "char 64 up"}));
}

TEST_F(ParserThread, AFailingUnitIsLoggedAndTheNextOneHandled)
{
    Env.TakeLines();
    Sink.ThrowOnKey = true;
    AddChunk(Queue, "ab");
    EXPECT_EQ(AwaitEvents(2), (Strings{"char 62 down", "char 62 up"}));
    Strings lines = Env.TakeUnstampedLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "! ERROR input sink failed"), lines.end());
}

TEST_F(ParserThread, TicksRunContinuousMovement)
{
    AddChunk(Queue, ESC + ",mougo,left,4.");
    ASSERT_TRUE(WaitUntil([&] { return Parser->Typer->Moving(); }));
    EXPECT_TRUE(Sink.Events().empty());
    Parser->SignalMouseTick();
    EXPECT_EQ(AwaitEvents(1), Strings{"move -4 0"});
}

// What the system leaves in the sending thread's queue is taken after each
// unit and each movement step (with the records sent before it), and never
// while the parser waits for input.
TEST_F(ParserThread, TheSendersQueueIsTakenAfterEachUnitAndEachStep)
{
    AddChunk(Queue, "a" + ESC + ",move,5,5." + ESC + ",mougo,left,4.");
    ASSERT_TRUE(WaitUntil([&] { return Sink.Takings().size() >= 3; }));
    EXPECT_EQ(Sink.Takings(), (std::vector<size_t>{2, 3, 3}));
    Parser->SignalMouseTick();
    ASSERT_TRUE(WaitUntil([&] { return Sink.Takings().size() >= 4; }));
    EXPECT_EQ(Sink.Takings().back(), 4u) << "after the step's move";
    SleepMs(100);
    EXPECT_EQ(Sink.Takings().size(), 4u) << "nothing while idle";
}

TEST_F(ParserThread, ThePauseSpacesUnitsAndEndsWithTheStop)
{
    TFakeClock clock(1000);
    TTypingSettings pausing = Env.Settings.Typing;
    pausing.WaitAfter = true;
    pausing.WaitFor = 500;
    Parser->ApplyTyping(pausing);
    AddChunk(Queue, "ab");
    EXPECT_EQ(AwaitEvents(2), (Strings{"char 61 down", "char 61 up"}));
    SleepMs(50);
    EXPECT_EQ(Sink.Count(), 0u) << "b waits for the pause after a";
    clock.Advance(499);
    SleepMs(50);
    EXPECT_EQ(Sink.Count(), 0u);
    clock.Advance(1);
    EXPECT_EQ(AwaitEvents(2), (Strings{"char 62 down", "char 62 up"}));
    // Stuck in the pause after b with the clock standing still, the parser
    // ends on the stop request all the same.
    AddChunk(Queue, "c");
    StopParser();
    SUCCEED();
}

TEST_F(ParserThread, TheStopEndsAWaitCommand)
{
    TFakeClock clock(0);
    AddChunk(Queue, ESC + ",wait,60000.x");
    SleepMs(30);
    StopParser();
    EXPECT_EQ(Sink.Count(), 0u) << "units after the wait are not handled once stopping";
}

TEST_F(ParserThread, DestroyingTheParserReleasesWhatItHolds)
{
    AddChunk(Queue, ESC + ",lock,ctrl." + ESC + ",moulock,right.");
    AwaitEvents(2);
    StopParser();
    EXPECT_EQ(Sink.Take(), (Strings{"button 0010", "up 11"}));
}

// Input cut and switched on again as the engine does it, the parser held at
// exact points of its work by the sink.
class ParserCut : public ParserThread {
protected:
    ~ParserCut() override { Sink.Open(); }

    void CutInput()
    {
        Queue.Active = false;
        Queue.Discard();
        Parser->CutInput();
    }
    void SwitchOn() { Queue.Active = true; }
};

// A second cut while the parser releases after the first, input switched
// on again and a unit arriving: its wake-up comes while the cut is still
// pending. The parser must type it, not wait for ever with it in the queue
// (no later chunk would wake it: the queue is never empty again).
TEST_F(ParserCut, UnitsAfterACutThatCameDuringTheReleaseAreTyped)
{
    AddChunk(Queue, ESC + ",lock,shift.");
    EXPECT_EQ(AwaitEvents(1), Strings{"down 10"});
    Sink.HoldAt("up 10");
    CutInput();
    ASSERT_TRUE(Sink.AwaitHeld()) << "the parser releases after the cut";
    CutInput();
    SwitchOn();
    AddChunk(Queue, "b");
    Sink.Open();
    EXPECT_EQ(AwaitEvents(3), (Strings{"up 10", "char 62 down", "char 62 up"}));
    AddChunk(Queue, "c");
    EXPECT_EQ(AwaitEvents(2), (Strings{"char 63 down", "char 63 up"})) << "and goes on";
}

// Units the parser took before a cut are the input that is gone; units the
// queue framed after input was switched on again are typed.
TEST_F(ParserCut, OnlyUnitsFromBeforeTheCutAreDropped)
{
    Sink.HoldAt("char 61 down");
    AddChunk(Queue, "ab");
    ASSERT_TRUE(Sink.AwaitHeld());
    CutInput();
    SwitchOn();
    AddChunk(Queue, "c");
    Sink.Open();
    EXPECT_EQ(AwaitEvents(4), (Strings{"char 61 down", "char 61 up", "char 63 down", "char 63 up"}));
    SleepMs(50);
    EXPECT_EQ(Sink.Count(), 0u) << "b was taken before the cut";
}

} // namespace
