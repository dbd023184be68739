// The receiver and its read thread on a pty, and the whole engine from the
// port to the input sink.
#include "serial/COMObjct.h"

#include "app/Engine.h"
#include "gidei/KeyParse.h"
#include "serial/EnumCOM.h"
#include "serial/SerialDevices.h"
#include "tests/support/Pty.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;
const std::string ESC = "\x1b";

struct TStateLog {
    std::vector<int> States;
    static void Record(void* Data, int State) { static_cast<TStateLog*>(Data)->States.push_back(State); }
};

class ReceiverOnPty : public ::testing::Test {
protected:
    TTestEnvironment Env{0xFFFFFFFF, "[Debug]\nWait=-1\n"};
    TPtyPort Pty{Env.Dir.Path(), 7};
    std::unique_ptr<TSerialReceiver> Receiver;
    TStateLog States;

    ReceiverOnPty()
    {
        SetSerialDeviceDirectory(Env.Dir.Path());
        Receiver = std::make_unique<TSerialReceiver>(false);
        Receiver->SetOnStateChange(TStateLog::Record, &States);
        Receiver->SetPort(7);
    }

    ~ReceiverOnPty() override
    {
        Receiver.reset();
        SetSerialDeviceDirectory("");
    }

    // The log lines until one contains Text.
    Strings AwaitLine(const std::string& Text)
    {
        Strings lines;
        for (;;) {
            for (const std::string& line : Env.TakeUnstampedLines()) {
                lines.push_back(line);
                if (line.find(Text) != std::string::npos)
                    return lines;
            }
            SleepMs(1);
        }
    }

    Strings PopAll()
    {
        Strings units;
        for (std::string unit = Receiver->Queue->Pop(); !unit.empty(); unit = Receiver->Queue->Pop())
            units.push_back(unit);
        return units;
    }
};

TEST_F(ReceiverOnPty, OpensInactiveThenActivatesWithoutReopening)
{
    Receiver->SetState(1);
    EXPECT_EQ(Receiver->State(), 1);
    const TPortHandle handle = Receiver->Handle();
    Receiver->SetState(2);
    EXPECT_EQ(Receiver->State(), 2);
    EXPECT_EQ(Receiver->Handle(), handle);
    Receiver->SetState(2);
    Receiver->SetState(0);
    EXPECT_EQ(States.States, (std::vector<int>{1, 2}));
    Receiver->Close();
    EXPECT_EQ(Receiver->State(), 0);
    EXPECT_EQ(States.States, (std::vector<int>{1, 2, 0}));
    EXPECT_TRUE(Receiver->Queue->Active) << "closing leaves the queue's switch alone";
}

TEST_F(ReceiverOnPty, ReceivedBytesAreLoggedAndFramed)
{
    Receiver->SetState(2);
    Pty.Write(ESC + ",hold,shift.a");
    Strings lines = AwaitLine("Sequence >a<");
    EXPECT_EQ(lines.front(), "  # Received: 1B2C686F6C642C73686966742E61");
    EXPECT_EQ(PopAll(), (Strings{ESC + ",hold,shift.", "a"}));
}

TEST_F(ReceiverOnPty, ZeroBytesAreLoggedButNeitherFramedNorAllowedToSwallowTheRest)
{
    Receiver->SetState(2);
    Pty.Write(std::string("a\0b\0\0c", 6));
    Strings lines = AwaitLine("Sequence >c<");
    EXPECT_EQ(lines.front(), "  # Received: 610062000063");
    EXPECT_EQ(PopAll(), (Strings{"a", "b", "c"}));
}

TEST_F(ReceiverOnPty, LongInputArrivesInChunksOfAtMost64Bytes)
{
    Loggers->SetLogEvents(1u << lkReceived);
    Receiver->SetState(2);
    const std::string text(1000, 'z');
    Pty.Write(text);
    size_t received = 0;
    while (received < text.size()) {
        for (const std::string& line : Env.TakeUnstampedLines()) {
            ASSERT_EQ(line.rfind("  # Received: ", 0), 0u);
            const size_t hex = line.size() - std::string("  # Received: ").size();
            EXPECT_LE(hex, 128u);
            received += hex / 2;
        }
        SleepMs(1);
    }
    EXPECT_EQ(received, text.size());
    EXPECT_EQ(PopAll().size(), text.size());
}

TEST_F(ReceiverOnPty, InactiveMeansReceivedButNotFramed)
{
    Receiver->SetState(1);
    Pty.Write("abc");
    Strings lines = AwaitLine("Received: 616263");
    EXPECT_EQ(lines.size(), 1u);
    SleepMs(20);
    EXPECT_TRUE(PopAll().empty());
    Receiver->SetState(2);
    Pty.Write("d");
    AwaitLine("Sequence >d<");
    EXPECT_EQ(PopAll(), Strings{"d"});
}

TEST_F(ReceiverOnPty, ChangingTheParityOfAnOpenPortClosesIt)
{
    Receiver->SetState(2);
    Receiver->SetParity(1);
    EXPECT_EQ(Receiver->State(), 0);
    EXPECT_EQ(States.States, (std::vector<int>{2, 0}));
    Receiver->SetParity(1); // unchanged: nothing
    Receiver->SetState(2);
    EXPECT_EQ(Receiver->Parity(), 1);
    EXPECT_EQ(Receiver->State(), 2);
}

TEST_F(ReceiverOnPty, ARateBetweenTableEntriesClosesEvenWhenItSnapsBack)
{
    Receiver->SetRate(9600);
    Receiver->SetState(2);
    Receiver->SetRate(9601);
    EXPECT_EQ(Receiver->Rate(), 9600);
    EXPECT_EQ(Receiver->State(), 0);
    Receiver->SetState(2);
    Receiver->SetQInSize(100);
    EXPECT_EQ(Receiver->State(), 2) << "queue sizes never close the port";
}

TEST_F(ReceiverOnPty, InjectedBytesJoinTheStreamWhileThePortIsOpen)
{
    Receiver->SetState(2);
    Receiver->InjectByte('A');
    EXPECT_EQ(PopAll(), Strings{"A"});
    Receiver->Close();
    Receiver->InjectByte('B');
    EXPECT_TRUE(PopAll().empty());
}

TEST_F(ReceiverOnPty, ClosingWhileBytesArriveNeverHangs)
{
    Loggers->SetLogEvents(0);
    for (int round = 0; round < 20; ++round) {
        Receiver->SetState(2);
        Pty.Write(std::string(500, 'x'));
        Receiver->Close();
    }
    EXPECT_EQ(Receiver->State(), 0);
}

TEST_F(ReceiverOnPty, EnumerationFindsTheLinkedPorts)
{
    TPtyPort another(Env.Dir.Path(), 12);
    TPortSet ports;
    GetInstalledPorts(ports);
    EXPECT_TRUE(ports.Contains(7));
    EXPECT_TRUE(ports.Contains(12));
    EXPECT_FALSE(ports.Contains(1));
}

TEST_F(ReceiverOnPty, RatesWithoutAPosixSpeedFailAtTheThirdStep)
{
    Receiver->SetRate(14400);
    Receiver->SetState(2);
    EXPECT_EQ(Receiver->State(), 0);
    Strings lines = AwaitLine("Serial Init Error");
    EXPECT_EQ(lines.back().rfind("! ERROR ### Fehler: Serial Init Error (3): ", 0), 0u) << lines.back();
}

// From the pty to the input sink through both threads, wired as the program
// wires them.
TEST_F(ReceiverOnPty, BytesOnThePortBecomeInput)
{
    TRecordingSink sink;
    auto parser = std::make_unique<TKeyParser>(sink, false);
    parser->Queue = Receiver->Queue.get();
    Receiver->Queue->SetSignalEvent(parser->DataEvent.get());
    parser->Start();
    Receiver->SetState(2);

    Pty.Write("\xe4" + ESC + ",hold,shift.a" + ESC + ",combine,ctrl,alt,del." + ESC + ",goto,960,540.");
    while (sink.Count() < 2 + 4 + 6 + 1)
        SleepMs(1);
    EXPECT_EQ(sink.Take(), (Strings{"char E4 down", "char E4 up", "down 10", "down 41", "up 41", "up 10",
                                    "down 11", "down 12", "down 2E", "up 2E", "up 12", "up 11", "abs 32768 32768"}));

    // Shutdown order: the parser first, its event out of the queue, then the
    // receiver; bytes still arriving meanwhile.
    Pty.Write(std::string(100, 'q'));
    parser->Stop();
    parser->Join();
    Receiver->Queue->SetSignalEvent(nullptr);
    parser.reset();
    Pty.Write(std::string(100, 'r'));
    Receiver.reset();
}

} // namespace

namespace {

struct TEngineStates {
    std::vector<int> States;
    static void Record(void* Data, int State) { static_cast<TEngineStates*>(Data)->States.push_back(State); }
};

TEST(EngineOnPty, WiresReceiverAndParserAndShutsDownWhileBytesArrive)
{
    TTestEnvironment env(0, "[Port]\nPort=3\n[Debug]\nWait=-1\n");
    SetSerialDeviceDirectory(env.Dir.Path());
    TPtyPort pty(env.Dir.Path(), 9);
    TRecordingSink sink;
    TEngineStates states;
    {
        TEngine engine(sink, TEngineStates::Record, &states, false, 9);
        EXPECT_EQ(engine.Receiver().Port(), 9);
        EXPECT_EQ(engine.Receiver().State(), 2);
        EXPECT_EQ(states.States, std::vector<int>{2});

        pty.Write("\x1b,mougo,up,2.");
        while (!engine.Parser().Typer->Moving())
            SleepMs(1);
        engine.MouseTimerTick();
        SleepMs(20);
        EXPECT_EQ(sink.Count(), 0u) << "no tick before the main window heard of the movement";
        engine.SetMouseMoving(true);
        engine.MouseTimerTick();
        while (sink.Count() < 1)
            SleepMs(1);
        EXPECT_EQ(sink.Take(), std::vector<std::string>{"move 0 -2"});

        pty.Write("\x1b,lock,shift.");
        while (sink.Count() < 1)
            SleepMs(1);
        pty.Write(std::string(2000, 'k'));
    }
    EXPECT_EQ(sink.Take().back(), "up 10") << "the parser releases what it holds on the way out";
    EXPECT_EQ(Globals->GetString("Port", "Port", ""), "9");
    SetSerialDeviceDirectory("");
}

} // namespace
