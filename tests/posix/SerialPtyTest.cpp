// The receiver and its read thread on a pty, and the whole engine from the
// port to the input sink.
#include "serial/COMObjct.h"

#include "app/Engine.h"
#include "gidei/KeyParse.h"
#include "serial/EnumCOM.h"
#include "serial/PortOpening.h"
#include "serial/SerialDevices.h"
#include "tests/support/Pty.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace {

using Strings = std::vector<std::string>;
const std::string ESC = "\x1b";

// The wParam of the UM_PORTLOST the read thread posts.
uintptr_t AwaitPortLostNotice(TTestEnvironment& Env)
{
    uintptr_t opening = 0;
    EXPECT_TRUE(WaitUntil([&] {
        for (const TPostedMessage& message : Env.Target.Messages())
            if (message.Msg == UM_PORTLOST) {
                opening = message.WParam;
                return true;
            }
        return false;
    })) << "the read thread never reported the port lost";
    Env.Target.Clear();
    return opening;
}

class ReceiverOnPty : public ::testing::Test {
protected:
    TTestEnvironment Env{0xFFFFFFFF};
    const TSeam Devices{SetSerialDeviceDirectory, Env.Dir.Path()};
    TPtyPort Pty{Env.Dir.Path(), 7};
    std::unique_ptr<TSerialReceiver> Receiver;
    TStateLog States;

    ReceiverOnPty()
    {
        Receiver = std::make_unique<TSerialReceiver>(Env.Settings.Port, Env.Log(), Env.Events, false);
        Receiver->SetOnStateChange(TStateLog::Record, &States);
        Receiver->SetPort(7);
    }

    ~ReceiverOnPty() override { Receiver.reset(); }

    Strings AwaitLine(const std::string& Text) { return AwaitLogLine(Env, Text); }
    uintptr_t AwaitPortLost() { return AwaitPortLostNotice(Env); }

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

// Noise as a wrong data rate makes it is said once per opening, in the log
// and to the host.
TEST_F(ReceiverOnPty, UnreadableBytesAreSaidOncePerOpening)
{
    Receiver->SetState(2);
    const std::string line = "### Das Ger\xe4t sendet unlesbare Zeichen: stimmt die Datenrate?";
    Pty.Write(std::string(40, '\xf0'));
    Strings lines = AwaitLine(line);
    Pty.Write(std::string(40, '\x92') + "z");
    const Strings later = AwaitLine("Sequence >z<");
    lines.insert(lines.end(), later.begin(), later.end());
    int told = 0;
    for (const TPostedMessage& message : Env.Target.Messages())
        told += message.Msg == UM_UNREADABLE && message.WParam == Receiver->LatestOpening();
    EXPECT_EQ(told, 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1);
}

// The host hears once per opening that the device talks.
TEST_F(ReceiverOnPty, TheFirstBytesOfAnOpeningAreToldOnce)
{
    const auto heard = [this] {
        std::vector<uintptr_t> openings;
        for (const TPostedMessage& message : Env.Target.Messages())
            if (message.Msg == UM_DEVICEHEARD)
                openings.push_back(message.WParam);
        return openings;
    };
    Receiver->SetState(2);
    EXPECT_TRUE(heard().empty()) << "nothing arrived yet";
    Pty.Write("a");
    AwaitLine("Sequence >a<");
    Pty.Write("b");
    AwaitLine("Sequence >b<");
    const uintptr_t first = Receiver->LatestOpening();
    EXPECT_EQ(heard(), (std::vector<uintptr_t>{first}));
    Receiver->Close();
    Receiver->SetState(2);
    Pty.Write("c");
    AwaitLine("Sequence >c<");
    EXPECT_EQ(heard(), (std::vector<uintptr_t>{first, Receiver->LatestOpening()}));
}

// While another session is at the console, what the device sends is
// neither logged nor framed in this one; the host hears of it once, and
// again only after bytes were this session's in between.
TEST_F(ReceiverOnPty, BytesWhileAnotherSessionHasTheConsoleAreDroppedAndToldOnce)
{
    const auto told = [this] {
        int count = 0;
        for (const TPostedMessage& message : Env.Target.Messages())
            count += message.Msg == UM_RECEIVEDAWAY && message.WParam == Receiver->LatestOpening();
        return count;
    };
    Receiver->SetState(2);
    Env.TakeLines();
    Env.AtConsole = false;
    Pty.Write(ESC + ",hold,shift.");
    ASSERT_TRUE(WaitUntil([&] { return told() == 1; }));
    Pty.Write("ab");
    SleepMs(200); // read meanwhile, with nothing to wait for
    EXPECT_EQ(told(), 1);
    Env.AtConsole = true;
    Pty.Write("c");
    EXPECT_EQ(AwaitLine("Sequence >c<"), (Strings{"  # Received: 63", "  # Sequence >c<"}));
    EXPECT_EQ(PopAll(), Strings{"c"});
    Env.AtConsole = false;
    Pty.Write("d");
    EXPECT_TRUE(WaitUntil([&] { return told() == 2; }));
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
    Env.Log().SetLogEvents(1u << lkReceived);
    Receiver->SetState(2);
    const std::string text(1000, 'z');
    Pty.Write(text);
    size_t received = 0;
    EXPECT_TRUE(WaitUntil([&] {
        for (const std::string& line : Env.TakeUnstampedLines()) {
            EXPECT_EQ(line.rfind("  # Received: ", 0), 0u) << line;
            const size_t hex = line.size() - std::string("  # Received: ").size();
            EXPECT_LE(hex, 128u);
            received += hex / 2;
        }
        return received >= text.size();
    }));
    EXPECT_EQ(received, text.size());
    EXPECT_EQ(PopAll().size(), text.size());
}

TEST_F(ReceiverOnPty, WhatArrivedBeforeThePortOpenedIsNotRead)
{
    Pty.Write("x");
    Receiver->SetState(2);
    Pty.Write("y");
    const Strings lines = AwaitLine("Sequence >y<");
    EXPECT_EQ(lines.front(), "  # Received: 79") << "sent to nobody before the opening";
    EXPECT_EQ(PopAll(), Strings{"y"});
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
    Env.Log().SetLogEvents(0);
    for (int round = 0; round < 20; ++round) {
        Receiver->SetState(2);
        Pty.Write(std::string(500, 'x'));
        Receiver->Close();
    }
    EXPECT_EQ(Receiver->State(), 0);
}

TEST_F(ReceiverOnPty, EnumerationFindsTheLinkedPortsWithWhatIsKnownOfThem)
{
    TPtyPort another(Env.Dir.Path(), 12, {"USB\\VID_1234&PID_5678\\5&1", "VID_1234&PID_5678"},
                     "USB Serial\tAdapter (COM12)");
    std::vector<TPortDevice> ports;
    GetInstalledPorts(ports);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Number, 7);
    EXPECT_TRUE(ports[0].Identity.Empty());
    EXPECT_EQ(ports[0].Description, "");
    EXPECT_EQ(ports[1].Number, 12);
    EXPECT_EQ(ports[1].Identity.Device, "USB\\VID_1234&PID_5678\\5&1");
    EXPECT_EQ(ports[1].Description, "USB Serial Adapter") << "cleaned, without the number";
}

TEST_F(ReceiverOnPty, RatesWithoutAPosixSpeedFailAtTheThirdStep)
{
    Receiver->SetRate(14400);
    Receiver->SetState(2);
    EXPECT_EQ(Receiver->State(), 0);
    Strings lines = AwaitLine("Serial Init Error");
    EXPECT_EQ(lines.back().rfind("! ERROR ### Fehler: Serial Init Error (3): ", 0), 0u) << lines.back();
}

// An adapter pulled out and plugged in again: the read thread reports the
// loss once, the main thread closes the port (state 0), quiet attempts fail
// while the device is away, and the first one after it is back restores the
// state the port had.
TEST_F(ReceiverOnPty, ALostPortComesBackInTheStateItHad)
{
    Receiver->SetState(2);
    Pty.Write("a");
    AwaitLine("Sequence >a<");
    Pty.Disconnect();
    const uintptr_t opening = AwaitPortLost();
    Strings lines = AwaitLine("Serial Comm Error");
    // Which error the hang-up shows depends on timing: a read racing the
    // hang-up fails with EIO, a poll after it sees the hang-up alone.
    const Strings asEio{"! ERROR Serial Comm Error: " + SysErrorText(EIO)};
    const Strings asHangUp{"! ERROR Serial Comm Error: " + SysErrorText(ENODEV)};
    EXPECT_TRUE(lines == asEio || lines == asHangUp) << testing::PrintToString(lines);
    EXPECT_EQ(Receiver->State(), 2) << "the main thread has not heard of it yet";

    Receiver->PortLost(opening);
    EXPECT_EQ(Receiver->State(), 0);
    EXPECT_EQ(Receiver->AwaitedState(), 2);
    EXPECT_FALSE(Receiver->Reconnect());
    EXPECT_FALSE(Receiver->Reconnect());
    EXPECT_TRUE(Env.TakeLines().empty()) << "attempts are quiet";

    TPtyPort pluggedIn(Env.Dir.Path(), 7);
    EXPECT_TRUE(Receiver->Reconnect());
    EXPECT_EQ(Receiver->State(), 2);
    EXPECT_EQ(Receiver->AwaitedState(), 0);
    EXPECT_EQ(States.States, (std::vector<int>{2, 0, 2}));
    EXPECT_EQ(Env.TakeLines(), Strings{"### Verbindung zu COM7 wiederhergestellt"});
    EXPECT_FALSE(Receiver->Reconnect()) << "nothing more to do";

    pluggedIn.Write("b");
    AwaitLine("Sequence >b<");
    EXPECT_EQ(PopAll(), (Strings{"a", "b"}));
    for (const TPostedMessage& message : Env.Target.Messages())
        EXPECT_EQ(message.Msg, UM_DEVICEHEARD) << "no notice but that the device talks";
}

TEST_F(ReceiverOnPty, APortLostWhileNotActiveComesBackNotActive)
{
    Receiver->SetState(1);
    Pty.Disconnect();
    Receiver->PortLost(AwaitPortLost());
    EXPECT_EQ(Receiver->AwaitedState(), 1);
    TPtyPort pluggedIn(Env.Dir.Path(), 7);
    EXPECT_TRUE(Receiver->Reconnect());
    EXPECT_EQ(Receiver->State(), 1);
    EXPECT_EQ(States.States, (std::vector<int>{1, 0, 1}));
    pluggedIn.Write("x");
    AwaitLine("Received: 78");
    EXPECT_TRUE(PopAll().empty());
}

// The user's latest wish wins: switching "Aktiv" while the port is away is
// what it comes back to; closing it or choosing another port ends the wait.
TEST_F(ReceiverOnPty, WhatTheUserDoesWhileThePortIsLostDecides)
{
    Receiver->SetState(2);
    Pty.Disconnect();
    Receiver->PortLost(AwaitPortLost());
    Env.TakeLines();
    Receiver->SetState(1);
    EXPECT_EQ(AwaitLine("Serial Init Error (1)").size(), 1u) << "an attempt the user asked for is not quiet";
    EXPECT_EQ(Receiver->AwaitedState(), 1);
    {
        TPtyPort pluggedIn(Env.Dir.Path(), 7);
        EXPECT_TRUE(Receiver->Reconnect());
        EXPECT_EQ(Receiver->State(), 1);
        pluggedIn.Disconnect();
        Receiver->PortLost(AwaitPortLost());
    }
    Receiver->Close();
    EXPECT_EQ(Receiver->AwaitedState(), 0);

    TPtyPort again(Env.Dir.Path(), 7);
    EXPECT_FALSE(Receiver->Reconnect()) << "closed by the user: not reopened";
    EXPECT_EQ(Receiver->State(), 0);
    Receiver->SetState(2);
    again.Disconnect();
    Receiver->PortLost(AwaitPortLost());
    Receiver->SetPort(8);
    TPtyPort third(Env.Dir.Path(), 7);
    EXPECT_FALSE(Receiver->Reconnect()) << "another port chosen: the old one is not reopened";
    EXPECT_EQ(Receiver->State(), 0);
    EXPECT_EQ(States.States, (std::vector<int>{2, 0, 1, 0, 2, 0}));
}

// An adapter plugged in only after the program started (at a logon, USB
// comes late): the port the user wants is awaited like a lost one.
TEST_F(ReceiverOnPty, APortMissingAtTheStartIsOpenedWhenItArrives)
{
    Pty.Disconnect();
    Receiver->SetState(2);
    EXPECT_EQ(AwaitLine("Serial Init Error (1)").size(), 1u);
    EXPECT_EQ(Receiver->State(), 0);
    EXPECT_EQ(Receiver->AwaitedState(), 2);
    EXPECT_FALSE(Receiver->Reconnect());
    EXPECT_TRUE(Env.TakeLines().empty()) << "attempts are quiet";
    TPtyPort pluggedIn(Env.Dir.Path(), 7);
    EXPECT_TRUE(Receiver->Reconnect());
    EXPECT_EQ(Receiver->State(), 2);
    EXPECT_EQ(States.States, (std::vector<int>{2}));
    pluggedIn.Write("s");
    AwaitLine("Sequence >s<");
}

// A port held (sleep, another session at the console) is closed and not
// tried; once nothing holds it, it is awaited as after a loss, in the state
// the user wants by then.
TEST_F(ReceiverOnPty, AHeldPortIsNotTriedAndComesBackInTheStateWantedByThen)
{
    Receiver->SetState(2);
    Receiver->Hold(hrSleep);
    Receiver->Hold(hrAway);
    EXPECT_EQ(Receiver->State(), 0);
    Receiver->SetState(1);
    EXPECT_FALSE(Receiver->Reconnect());
    Receiver->Release(hrSleep);
    EXPECT_EQ(Receiver->State(), 0) << "still held for the other reason";
    Receiver->Release(hrAway);
    EXPECT_EQ(Receiver->State(), 1);
    EXPECT_EQ(States.States, (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(Env.TakeUnstampedLines().back(), "### Verbindung zu COM7 wiederhergestellt");
    Receiver->Hold(hrSleep);
    Receiver->Close();
    Receiver->Release(hrSleep);
    EXPECT_EQ(Receiver->State(), 0) << "closed by the user meanwhile";
}

// A notice that arrives after the user already closed the port and opened
// another one must not close the new one.
TEST_F(ReceiverOnPty, ALateNoticeLeavesAPortOpenedSinceAlone)
{
    TPtyPort other(Env.Dir.Path(), 8);
    Receiver->SetState(2);
    Pty.Disconnect();
    const uintptr_t opening = AwaitPortLost();
    Receiver->SetPort(8);
    Receiver->SetState(2);
    Receiver->PortLost(opening);
    EXPECT_EQ(Receiver->State(), 2);
    EXPECT_EQ(Receiver->AwaitedState(), 0);
    other.Write("q");
    AwaitLine("Sequence >q<");
}

// From the pty to the input sink through both threads, wired as the program
// wires them.
TEST_F(ReceiverOnPty, BytesOnThePortBecomeInput)
{
    TRecordingSink sink;
    auto parser = std::make_unique<TKeyParser>(sink, Env.Settings.Typing, Env.Log(), Env.Events, Env.Language, false);
    parser->Queue = Receiver->Queue.get();
    Receiver->Queue->SetSignalEvent(parser->DataEvent.get());
    parser->Start();
    Receiver->SetState(2);

    Pty.Write("\xe4" + ESC + ",hold,shift.a" + ESC + ",combine,ctrl,alt,del." + ESC + ",goto,960,540.");
    ASSERT_TRUE(WaitUntil([&] { return sink.Count() >= 2 + 4 + 6 + 1; }));
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

// A receiver whose ports the system lists with what it knows of them (the
// host's device list reads it beside each pty): it follows its device to
// another number, and only when the choice is clear.
class FollowingDevice : public ::testing::Test {
protected:
    const std::string Model = "VID_1234&PID_5678";
    const TPortIdentity Adapter{AdapterInSocket(1), Model};
    std::unique_ptr<TTestEnvironment> Env;
    std::unique_ptr<TSeam> Devices;
    std::unique_ptr<TSerialReceiver> Receiver;
    TStateLog States;

    TPortIdentity OtherAdapter(int Socket) const { return {AdapterInSocket(Socket), Model}; }
    // A receiver that starts at COM7 with this stored device.
    void Start(const TPortIdentity& Device = TPortIdentity())
    {
        Env = std::make_unique<TTestEnvironment>(0xFFFFFFFF);
        Env->Settings.Port.Port = 7;
        Env->Settings.Port.Device = Device.Device;
        Env->Settings.Port.DeviceModel = Device.Model;
        Devices = std::make_unique<TSeam>(SetSerialDeviceDirectory, Env->Dir.Path());
        Receiver = std::make_unique<TSerialReceiver>(Env->Settings.Port, Env->Log(), Env->Events, false);
        Receiver->SetOnStateChange(TStateLog::Record, &States);
    }
    // A receiver whose stored device is Device at COM7.
    void StartStored(const TPortIdentity& Device)
    {
        Start(Device);
    }
    const std::string& Dir() const { return Env->Dir.Path(); }
    Strings Lines() { return Env->TakeUnstampedLines(); }
    // The device goes: its pty ends and the read thread's notice is handled.
    void Pull(TPtyPort& Device)
    {
        Device.Disconnect();
        Receiver->PortLost(AwaitPortLostNotice(*Env));
    }
    // The receiver's port settings as they are saved at the end.
    TPortSettings Stored() const { return Receiver->Settings(); }

    ~FollowingDevice() override { Receiver.reset(); }
};

// The adapter pulled out of one USB socket and plugged into another: a new
// instance id, a new number, the same model. Typing goes on, and the new
// number and identity are stored.
TEST_F(FollowingDevice, AnAdapterInAnotherSocketIsFollowedToItsNewNumber)
{
    Start();
    auto socket1 = std::make_unique<TPtyPort>(Dir(), 7, Adapter, "USB Serial Adapter (COM7)");
    Receiver->SetState(2);
    EXPECT_EQ(Receiver->Identity(), Adapter) << "learnt when the port opened";
    Lines();
    Pull(*socket1);
    EXPECT_FALSE(Receiver->Reconnect());
    Lines();

    const TPortIdentity socket2Adapter = OtherAdapter(2);
    TPtyPort socket2(Dir(), 9, socket2Adapter, "USB Serial Adapter (COM9)");
    EXPECT_TRUE(Receiver->Reconnect());
    EXPECT_EQ(Lines(), Strings{"### Ger\xe4t an COM9 gefunden (vorher COM7)"}) << "one line, no other";
    EXPECT_EQ(Receiver->Port(), 9);
    EXPECT_EQ(Receiver->State(), 2);
    EXPECT_EQ(Receiver->AwaitedState(), 0);
    EXPECT_EQ(States.States, (std::vector<int>{2, 0, 2}));
    socket2.Write("b");
    AwaitLogLine(*Env, "Sequence >b<");
    EXPECT_EQ(Stored().Port, 9);
    EXPECT_EQ(Stored().Device, socket2Adapter.Device);
    EXPECT_EQ(Stored().DeviceModel, Model);
}

// A device found at another number but busy (another program has its port)
// says why that port did not open, not why the stored number did not.
TEST_F(FollowingDevice, ADeviceFoundButBusySaysWhyItsOwnPortDidNotOpen)
{
    StartStored(Adapter);
    TPtyPort moved(Dir(), 9, Adapter);
    const TSeam busy(SetOpeningDelay, [](int32_t Port) -> uint32_t { return Port == 9 ? EBUSY : 0; });
    Receiver->SetState(2);
    EXPECT_EQ(Lines(), Strings{"! ERROR ### Fehler: Serial Init Error (1): " + SysErrorText(EBUSY)});
}

// The ports the opening that found the device listed are heard before the
// state it reports: a list of them follows the device without listing again.
TEST_F(FollowingDevice, TheOpeningsListingIsHeardBeforeItsState)
{
    StartStored(Adapter);
    TPtyPort moved(Dir(), 9, Adapter);
    struct THeard {
        std::vector<int> Listed, ListedAtState;
    } heard;
    Receiver->SetOnPortsListed([&](const std::vector<TPortDevice>& Present) {
        for (const TPortDevice& port : Present)
            heard.Listed.push_back(port.Number);
    });
    Receiver->SetOnStateChange([](void* Data, int) {
        auto* seen = static_cast<THeard*>(Data);
        seen->ListedAtState = seen->Listed;
    }, &heard);
    Receiver->SetState(2);
    EXPECT_EQ(Receiver->Port(), 9);
    EXPECT_EQ(heard.ListedAtState, std::vector<int>{9});
}

// At the start the stored number is gone and the device (the same instance
// id, its number changed) is at COM9: opened there without an error line.
TEST_F(FollowingDevice, AtTheStartTheDeviceIsOpenedWhereItIsNow)
{
    StartStored(Adapter);
    TPtyPort sameModel(Dir(), 4, OtherAdapter(4));
    TPtyPort moved(Dir(), 9, Adapter);
    Receiver->SetState(1);
    EXPECT_EQ(Lines(), Strings{"### Ger\xe4t an COM9 gefunden (vorher COM7)"}) << "the instance id decides";
    EXPECT_EQ(Receiver->Port(), 9);
    EXPECT_EQ(Receiver->State(), 1);
    EXPECT_EQ(States.States, std::vector<int>{1});
}

// The adapter sits in another socket at the start (a new number, a new
// instance id, the same model): alone of its model, it is taken for the
// device, since the person may have no other way to reach the dialog. An
// adapter of the model that was present when the device went during the
// session is not.
TEST_F(FollowingDevice, AtTheStartTheOnlyAdapterOfTheModelIsTakenForTheDevice)
{
    StartStored(Adapter);
    auto socket3 = std::make_unique<TPtyPort>(Dir(), 8, OtherAdapter(3));
    Receiver->SetState(2);
    EXPECT_EQ(Lines(), Strings{"### Ger\xe4t an COM8 gefunden (vorher COM7)"}) << "no error line";
    EXPECT_EQ(Receiver->Port(), 8);
    EXPECT_EQ(Receiver->State(), 2);

    TPtyPort beside(Dir(), 9, OtherAdapter(4));
    Pull(*socket3);
    EXPECT_FALSE(Receiver->Reconnect()) << "present when the device went: another device";
    EXPECT_EQ(Receiver->Port(), 8);
    EXPECT_EQ(Stored().Device, AdapterInSocket(3));
}

// A device with a serial number has the same instance id in every socket:
// an adapter of its model with another id is another device, even the only
// one that arrives while the device is away.
TEST_F(FollowingDevice, ADeviceWithASerialNumberIsFollowedOnlyByItsId)
{
    const TPortIdentity own{"USB\\VID_1234&PID_5678\\A50285BI", Model};
    Start();
    auto device = std::make_unique<TPtyPort>(Dir(), 7, own);
    Receiver->SetState(2);
    Pull(*device);
    TPtyPort stranger(Dir(), 8, OtherAdapter(2));
    EXPECT_FALSE(Receiver->Reconnect());
    EXPECT_EQ(Receiver->Port(), 7);
    TPtyPort back(Dir(), 9, own);
    EXPECT_TRUE(Receiver->Reconnect());
    EXPECT_EQ(Receiver->Port(), 9);
}

// Two adapters of the same model arrive while the device is away: nothing
// is opened by itself, and the log says why once, not at every attempt.
TEST_F(FollowingDevice, TwoAdaptersOfTheSameModelChooseNothingAndSaySoOnce)
{
    StartStored(Adapter);
    Receiver->SetState(2);
    const Strings atStart = Lines();
    ASSERT_EQ(atStart.size(), 1u) << testing::PrintToString(atStart);
    EXPECT_EQ(atStart[0].rfind("! ERROR ### Fehler: Serial Init Error (1): ", 0), 0u) << atStart[0];

    auto first = std::make_unique<TPtyPort>(Dir(), 8, OtherAdapter(3));
    TPtyPort second(Dir(), 9, OtherAdapter(4));
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_FALSE(Receiver->Reconnect());
    EXPECT_EQ(Lines(), Strings{"### Ger\xe4t von COM7 nicht eindeutig gefunden (COM8, COM9 passen): bitte im "
                               "Einstellungsdialog w\xe4hlen"})
        << "said once, the attempts every 2 seconds stay quiet";
    EXPECT_EQ(Receiver->State(), 0);
    EXPECT_EQ(Receiver->Port(), 7);
    EXPECT_TRUE(States.States.empty()) << "state 0 stays, with its notice";

    first->Disconnect();
    EXPECT_TRUE(Receiver->Reconnect()) << "one of the same model is left";
    EXPECT_EQ(Receiver->Port(), 9);
}

// Older settings files have no identity: the stored number is awaited as
// before, whatever else is present, and the identity is learnt once the
// port opens.
TEST_F(FollowingDevice, WithoutAStoredIdentityTheNumberIsAwaitedAsBefore)
{
    Start();
    TPtyPort elsewhere(Dir(), 9, OtherAdapter(2));
    Receiver->SetState(2);
    EXPECT_EQ(Receiver->State(), 0);
    EXPECT_FALSE(Receiver->Reconnect());
    EXPECT_EQ(Receiver->Port(), 7);
    TPtyPort back(Dir(), 7, Adapter);
    EXPECT_TRUE(Receiver->Reconnect());
    EXPECT_EQ(Lines().back(), "### Verbindung zu COM7 wiederhergestellt");
    EXPECT_EQ(Receiver->Identity(), Adapter);
}

// A second adapter of the same model that was plugged in beside the device
// is another device: when the device is pulled, it is not taken instead; a
// device that comes back at its own number is simply opened again.
TEST_F(FollowingDevice, ASecondAdapterSeenBesideIsNeverTakenForTheDevice)
{
    Start();
    auto device = std::make_unique<TPtyPort>(Dir(), 7, Adapter);
    Receiver->SetState(2);
    TPtyPort other(Dir(), 8, OtherAdapter(3));
    Receiver->DevicesChanged(); // the system reports the arrival
    Pull(*device);
    Lines();
    EXPECT_FALSE(Receiver->Reconnect());
    EXPECT_TRUE(Lines().empty()) << "one candidate, known to be another device: nothing to say";
    EXPECT_EQ(Receiver->Port(), 7);

    device.reset();
    device = std::make_unique<TPtyPort>(Dir(), 7, Adapter);
    EXPECT_TRUE(Receiver->Reconnect());
    EXPECT_EQ(Lines(), Strings{"### Verbindung zu COM7 wiederhergestellt"});
    Pull(*device);
    TPtyPort socket2(Dir(), 9, OtherAdapter(2));
    EXPECT_TRUE(Receiver->Reconnect()) << "the only one left that may be it";
    EXPECT_EQ(Receiver->Port(), 9);
}

// What was seen of other adapters stays known for the session: one that was
// beside the device, left, and comes back while the device is away is still
// not the device; nor is one that was there when the device went, though no
// notice of its arrival came.
TEST_F(FollowingDevice, OtherAdaptersStayKnownForTheSession)
{
    Start();
    auto device = std::make_unique<TPtyPort>(Dir(), 7, Adapter);
    Receiver->SetState(2);
    auto beside = std::make_unique<TPtyPort>(Dir(), 8, OtherAdapter(3));
    Receiver->DevicesChanged();
    beside.reset();
    Receiver->DevicesChanged(); // it left: the list no longer shows it
    TPtyPort unnoticed(Dir(), 10, OtherAdapter(5));
    Pull(*device);
    Lines();
    beside = std::make_unique<TPtyPort>(Dir(), 8, OtherAdapter(3));
    EXPECT_FALSE(Receiver->Reconnect());
    EXPECT_EQ(Receiver->Port(), 7);
    EXPECT_TRUE(Lines().empty()) << "both are known: no candidate, nothing to say";

    TPtyPort socket2(Dir(), 9, OtherAdapter(2));
    EXPECT_TRUE(Receiver->Reconnect()) << "the one that came while the device was away";
    EXPECT_EQ(Receiver->Port(), 9);
}

// Openings wait until the test lets them go, as the opening of a Bluetooth
// device that is away takes seconds.
TEvent OpeningsGo(true);
uint32_t AwaitGo(int32_t)
{
    OpeningsGo.Wait(kInfinite);
    return 0;
}

// With a job thread the owner goes on while the port opens. An attempt
// given up meanwhile (another port chosen) leaves nothing open and reports
// nothing; the port asked for since opens after it.
TEST(ReceiverOnJobThread, AnAttemptGivenUpMeanwhileLeavesNothingOpen)
{
    TTestEnvironment env(0);
    const TSeam devices(SetSerialDeviceDirectory, env.Dir.Path());
    TPtyPort first(env.Dir.Path(), 7);
    TPtyPort second(env.Dir.Path(), 8);
    TStateLog states;
    const TSeam slowOpenings(SetOpeningDelay, AwaitGo);
    {
        TSerialReceiver receiver(env.Settings.Port, env.Log(), env.Events, false, pjOwnThread);
        receiver.SetOnStateChange(TStateLog::Record, &states);
        receiver.SetPort(7);
        receiver.SetState(2);
        EXPECT_EQ(receiver.State(), 0);
        EXPECT_TRUE(receiver.Opening());
        receiver.SetPort(8);
        receiver.SetState(2);
        OpeningsGo.Set();
        ASSERT_TRUE(WaitUntil([&] {
            receiver.DeliverJobs();
            return !receiver.JobsBusy();
        }));
        EXPECT_EQ(receiver.State(), 2);
        EXPECT_EQ(receiver.Port(), 8);
        EXPECT_EQ(states.States, std::vector<int>{2});
        TPortSettings com7;
        com7.Port = 7;
        EXPECT_NO_THROW(CloseSerialPort(OpenSerialPort(com7))) << "the attempt given up keeps nothing open";
        const std::vector<TPostedMessage> posted = env.Target.Messages();
        EXPECT_NE(std::find(posted.begin(), posted.end(), TPostedMessage{UM_PORTWORK, 0, 0}), posted.end());
    }
}

// How many descriptors of this process are open on Device (the tests run
// as root, whom a port held exclusively does not keep out).
int OpenedHere(const std::string& Device)
{
    int count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error))
        count += std::filesystem::read_symlink(entry.path(), error) == Device;
    return count;
}

// An attempt that hangs while the session leaves the console and finishes
// after it came back closes what it opened as soon as it opens, before its
// result is applied: the attempt after it finds the port free.
TEST(ReceiverOnJobThread, ALateOpeningGivenUpLeavesThePortToTheNext)
{
    TTestEnvironment env(0);
    const TSeam devices(SetSerialDeviceDirectory, env.Dir.Path());
    TPtyPort port(env.Dir.Path(), 7);
    OpeningsGo.Reset();
    const TSeam slowOpenings(SetOpeningDelay, AwaitGo);
    TSerialReceiver receiver(env.Settings.Port, env.Log(), env.Events, false, pjOwnThread);
    receiver.SetPort(7);
    receiver.SetState(2);
    receiver.Hold(hrAway);
    receiver.Release(hrAway);
    env.Target.Clear();
    OpeningsGo.Set();
    ASSERT_TRUE(WaitUntil([&] { return !env.Target.Messages().empty(); })) << "the late opening never ended";
    EXPECT_EQ(OpenedHere(port.DevicePath()), 0) << "its result is not applied yet, and the port is free";
    ASSERT_TRUE(WaitUntil([&] {
        receiver.DeliverJobs();
        return !receiver.JobsBusy();
    }));
    EXPECT_EQ(receiver.State(), 2) << "the next attempt opened it";
    EXPECT_EQ(OpenedHere(port.DevicePath()), 1);
    EXPECT_EQ(env.TakeLines(), std::vector<std::string>{"### Verbindung zu COM7 wiederhergestellt"}) << "no error";
}

} // namespace

namespace {

// The engine's port work done, its results applied as the window applies
// them on UM_PORTWORK; false when it is still busy after the time.
bool Settle(TEngine& Engine)
{
    return WaitUntil([&] {
        Engine.DeliverPortJobs();
        return !Engine.Receiver().JobsBusy();
    });
}

// One quiet attempt to open the lost port, carried out: true while the
// engine still waits for its port.
bool RetryAndSettle(TEngine& Engine)
{
    const bool awaiting = Engine.RetryLostPort();
    EXPECT_TRUE(Settle(Engine));
    return awaiting && Engine.AwaitingPort();
}

TEST(EngineOnPty, WiresReceiverAndParserAndShutsDownWhileBytesArrive)
{
    TTestEnvironment env(0);
    env.Settings.Port.Port = 3;
    const TSeam devices(SetSerialDeviceDirectory, env.Dir.Path());
    TPtyPort pty(env.Dir.Path(), 9);
    TRecordingSink sink;
    TStateLog states;
    {
        TEngineSetup setup = env.Setup();
        setup.PortOverride = 9;
        TEngine engine(setup, sink, env.Log(), env.Events, TStateLog::Record, &states);
        ASSERT_TRUE(Settle(engine));
        EXPECT_EQ(engine.Receiver().Port(), 9);
        EXPECT_EQ(engine.Receiver().State(), 2);
        EXPECT_EQ(states.States, std::vector<int>{2});

        pty.Write("\x1b,mougo,up,2.");
        ASSERT_TRUE(WaitUntil([&] { return engine.Parser().Typer->Moving(); }));
        engine.MouseTimerTick();
        SleepMs(20);
        EXPECT_EQ(sink.Count(), 0u) << "no tick before the main window heard of the movement";
        engine.SetMouseMoving(true);
        engine.MouseTimerTick();
        ASSERT_TRUE(WaitUntil([&] { return sink.Count() >= 1; }));
        EXPECT_EQ(sink.Take(), std::vector<std::string>{"move 0 -2"});

        pty.Write("\x1b,lock,shift.");
        ASSERT_TRUE(WaitUntil([&] { return sink.Count() >= 1; }));
        pty.Write(std::string(2000, 'k'));
        EXPECT_EQ(engine.PortSettings().Port, 9) << "the port given replaces the stored one";
    }
    EXPECT_EQ(sink.Take().back(), "up 10") << "the parser releases what it holds on the way out";
}

// The start's opening reports its outcome when it ends: 0 when no port
// opened, which the console prints and the tray shows with its notice.
TEST(EngineOnPty, AStartThatFindsNoPortSaysSoWhenItsAttemptEnds)
{
    TTestEnvironment env(0);
    env.Settings.Port.Port = 5;
    const TSeam devices(SetSerialDeviceDirectory, env.Dir.Path());
    TRecordingSink sink;
    TStateLog states;
    {
        TEngine engine(env.Setup(), sink, env.Log(), env.Events, TStateLog::Record, &states);
        EXPECT_TRUE(engine.Starting());
        EXPECT_TRUE(states.States.empty()) << "nothing known yet";
        ASSERT_TRUE(Settle(engine));
        EXPECT_FALSE(engine.Starting());
        EXPECT_EQ(states.States, std::vector<int>{0});
        EXPECT_TRUE(engine.AwaitingPort());
    }
}

// Another user's session has the console: a session started then leaves
// the port to it until it comes to the console itself.
TEST(EngineOnPty, ASessionStartedAwayFromTheConsoleOpensThePortOnlyThere)
{
    TTestEnvironment env(0);
    env.Settings.Port.Port = 5;
    const TSeam devices(SetSerialDeviceDirectory, env.Dir.Path());
    TPtyPort pty(env.Dir.Path(), 5);
    TRecordingSink sink;
    TStateLog states;
    TEngineSetup setup = env.Setup();
    setup.StartsAtConsole = false;
    TEngine engine(setup, sink, env.Log(), env.Events, TStateLog::Record, &states);
    ASSERT_TRUE(Settle(engine));
    EXPECT_EQ(engine.Receiver().State(), 0);
    EXPECT_TRUE(states.States.empty());
    engine.SetAtConsole(true);
    ASSERT_TRUE(Settle(engine));
    EXPECT_EQ(states.States, std::vector<int>{2});
}

// The engine through a pulled and replugged adapter: input is typed again
// without a restart, and the states seen are 2, 0, 2.
TEST(EngineOnPty, TypesAgainAfterTheAdapterIsPluggedInAgain)
{
    TTestEnvironment env(0);
    env.Settings.Port.Port = 5;
    const TSeam devices(SetSerialDeviceDirectory, env.Dir.Path());
    TRecordingSink sink;
    TStateLog states;
    {
        auto pty = std::make_unique<TPtyPort>(env.Dir.Path(), 5);
        TEngine engine(env.Setup(), sink, env.Log(), env.Events, TStateLog::Record, &states);
        ASSERT_TRUE(Settle(engine));
        pty->Write("a");
        ASSERT_TRUE(WaitUntil([&] { return sink.Count() >= 2; }));
        pty.reset();
        EXPECT_TRUE(engine.PortLost(AwaitPortLostNotice(env)));
        EXPECT_TRUE(RetryAndSettle(engine)) << "still away: keep trying";
        pty = std::make_unique<TPtyPort>(env.Dir.Path(), 5);
        EXPECT_FALSE(RetryAndSettle(engine)) << "back: stop trying";
        EXPECT_FALSE(engine.AwaitingPort());
        pty->Write("b");
        ASSERT_TRUE(WaitUntil([&] { return sink.Count() >= 4; }));
    }
    EXPECT_EQ(sink.Take(), (std::vector<std::string>{"char 61 down", "char 61 up", "char 62 down", "char 62 up"}));
    EXPECT_EQ(states.States, (std::vector<int>{2, 0, 2}));
}

// Nobody can release through the device what the program holds once input
// is switched off or the adapter is gone: the engine releases it, with one
// line, and a wait that was running ends at once.
class EngineInputCut : public ::testing::Test {
protected:
    TTestEnvironment Env{0xFFFFFFFF};
    const TSeam Devices{SetSerialDeviceDirectory, Env.Dir.Path()};
    TRecordingSink Sink;
    TStateLog States;
    std::unique_ptr<TPtyPort> Pty;
    std::unique_ptr<TEngine> Engine;

    EngineInputCut()
    {
        Pty = std::make_unique<TPtyPort>(Env.Dir.Path(), 6);
        Env.Settings.Port.Port = 6;
        Engine = std::make_unique<TEngine>(Env.Setup(), Sink, Env.Log(), Env.Events, TStateLog::Record, &States);
        EXPECT_TRUE(Settle(*Engine));
    }
    ~EngineInputCut() override { Engine.reset(); }

    // Shift locked, the right button locked, ctrl held, and a wait of 24
    // days in progress with a character behind it.
    void HoldEverythingAndWait()
    {
        Pty->Write("\x1b,lock,shift.\x1b,moulock,right.\x1b,hold,ctrl.\x1b,wait,2147483647.x");
        ASSERT_TRUE(WaitUntil([&] { return Sink.Count() >= 3; }));
        AwaitLogLine(Env, "Sequence ><esc>,wait,");
        EXPECT_EQ(Sink.Take(), (Strings{"down 10", "button 0008", "down 11"}));
    }

    std::vector<std::string> AwaitRelease()
    {
        EXPECT_TRUE(WaitUntil([&] { return Sink.Count() >= 3; }, 2000)) << "keys still down";
        SleepMs(50); // nothing more may follow
        return Sink.Take();
    }

    std::vector<std::string> NewLines()
    {
        Strings lines;
        for (const std::string& line : Env.TakeUnstampedLines())
            if (line.rfind("###", 0) == 0)
                lines.push_back(line);
        return lines;
    }
};

TEST_F(EngineInputCut, SwitchingInputOffReleasesEverythingAndEndsTheWait)
{
    HoldEverythingAndWait();
    Engine->Receiver().SetState(1);
    EXPECT_EQ(AwaitRelease(), (Strings{"button 0010", "up 10", "up 11"})) << "the x behind the wait is dropped";
    EXPECT_EQ(NewLines(), (Strings{"### Warten abgebrochen: ,wait,2147483647.",
                                   "### Eingabe unterbrochen: alle Tasten und Maustasten losgelassen"}));
    // Switched on again, input is typed as before.
    Engine->Receiver().SetState(2);
    Pty->Write("y");
    ASSERT_TRUE(WaitUntil([&] { return Sink.Count() >= 2; }));
    EXPECT_EQ(Sink.Take(), (Strings{"char 79 down", "char 79 up"}));
    EXPECT_EQ(States.States, (std::vector<int>{2, 1, 2}));
    // Nothing held: switching off says nothing.
    Engine->Receiver().SetState(1);
    SleepMs(50);
    EXPECT_TRUE(NewLines().empty());
}

// Across sleep, and while another session has the console, the device can
// release nothing: everything goes up (before Suspend returns, so before
// the computer sleeps) and the port closes; nothing is tried while the
// session is away, woken too; back, the port opens in the state it had. A
// locked session keeps its port and lets go of the keys.
TEST_F(EngineInputCut, SleepAndAnotherSessionAtTheConsoleGiveUpThePortUntilBack)
{
    HoldEverythingAndWait();
    Engine->Suspend();
    EXPECT_EQ(Sink.Take(), (Strings{"button 0010", "up 10", "up 11"})) << "up before Suspend returns";
    Engine->SetAtConsole(false);
    Engine->Resume();
    ASSERT_TRUE(Settle(*Engine));
    EXPECT_EQ(Engine->Receiver().State(), 0) << "woken while away";
    EXPECT_FALSE(Engine->RetryLostPort()) << "no attempts while away";
    Engine->SetAtConsole(true);
    ASSERT_TRUE(Settle(*Engine));
    Pty->Write("\x1b,lock,shift.");
    ASSERT_TRUE(WaitUntil([&] { return Sink.Count() >= 1; }));
    Engine->SessionLocked();
    ASSERT_TRUE(WaitUntil([&] { return Sink.Count() >= 2; }));
    SleepMs(50); // its line
    EXPECT_EQ(Sink.Take(), (Strings{"down 10", "up 10"}));
    EXPECT_EQ(Engine->Receiver().State(), 2) << "locked: the port stays";
    EXPECT_EQ(States.States, (std::vector<int>{2, 0, 2}));
    EXPECT_EQ(NewLines(), (Strings{"### Ruhezustand: Tasten losgelassen, Port geschlossen",
                                   "### Warten abgebrochen: ,wait,2147483647.",
                                   "### Eingabe unterbrochen: alle Tasten und Maustasten losgelassen",
                                   "### Sitzung nicht an der Konsole: Tasten losgelassen, Port geschlossen",
                                   "### Ruhezustand beendet", "### Sitzung wieder an der Konsole",
                                   "### Verbindung zu COM6 wiederhergestellt",
                                   "### Eingabe unterbrochen: alle Tasten und Maustasten losgelassen"}));
}

TEST_F(EngineInputCut, APulledAdapterReleasesEverythingAndEndsTheWait)
{
    HoldEverythingAndWait();
    Pty.reset();
    EXPECT_TRUE(Engine->PortLost(AwaitPortLostNotice(Env)));
    EXPECT_EQ(AwaitRelease(), (Strings{"button 0010", "up 10", "up 11"}));
    const Strings lines = NewLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "### Eingabe unterbrochen: alle Tasten und Maustasten losgelassen"),
              lines.end());
    // Still away: the quiet attempts add no line.
    EXPECT_TRUE(RetryAndSettle(*Engine));
    EXPECT_TRUE(RetryAndSettle(*Engine));
    EXPECT_TRUE(NewLines().empty());
    EXPECT_EQ(States.States, (std::vector<int>{2, 0}));
}

} // namespace

// The sign-in helper's receiver opens only ports whose device the system
// lists on a hardware bus: a virtual pair or a port with no device node
// stays closed, and an adapter on USB opens.
TEST_F(FollowingDevice, OnlyAPortOnAHardwareBusOpensWhenSoRequired)
{
    Start();
    Receiver->SetHardwarePortsOnly(true);
    auto port = std::make_unique<TPtyPort>(Dir(), 7);
    Receiver->SetState(2);
    EXPECT_EQ(Receiver->State(), 0) << "no device node";
    port.reset(); // its link goes with it
    port = std::make_unique<TPtyPort>(Dir(), 7, TPortIdentity{"ROOT\\PORTS\\0000", ""}, "Virtual Pair (COM7)");
    EXPECT_FALSE(Receiver->Reconnect()) << "a software port";
    port.reset();
    port = std::make_unique<TPtyPort>(Dir(), 7, Adapter, "USB Serial Adapter (COM7)");
    EXPECT_TRUE(Receiver->Reconnect());
    port->Write("a");
    AwaitLogLine(*Env, "Sequence >a<");
}

// Control lines a driver will not switch (a pty has none) are said once;
// the port opens all the same.
TEST_F(FollowingDevice, ControlLinesADriverRefusesLeaveThePortOpen)
{
    Env = std::make_unique<TTestEnvironment>(0xFFFFFFFF);
    Env->Settings.Port.Port = 7;
    Env->Settings.Port.ControlLines = true;
    Devices = std::make_unique<TSeam>(SetSerialDeviceDirectory, Env->Dir.Path());
    Receiver = std::make_unique<TSerialReceiver>(Env->Settings.Port, Env->Log(), Env->Events, false);
    TPtyPort port(Dir(), 7);
    Lines();
    Receiver->SetState(2);
    EXPECT_EQ(Receiver->State(), 2);
    const Strings lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "### Steuerleitungen DTR/RTS an COM7 nicht eingeschaltet: der Treiber l\xe4sst es nicht zu"),
              1);
}

// The secure desktop has the input and the sign-in helper the port: the
// engine lets go of what it holds and of the port, and takes it back as
// after sleep, each with one log line; a second report of the same desktop
// changes nothing.
TEST(EngineOnPty, TheSecureDesktopGetsThePortUntilThisDesktopIsBack)
{
    TTestEnvironment env(0xFFFFFFFF);
    env.Settings.Port.Port = 5;
    const TSeam devices(SetSerialDeviceDirectory, env.Dir.Path());
    TPtyPort pty(env.Dir.Path(), 5);
    TRecordingSink sink;
    TStateLog states;
    TEngine engine(env.Setup(), sink, env.Log(), env.Events, TStateLog::Record, &states);
    ASSERT_TRUE(Settle(engine));
    pty.Write("\x1b,lock,shift.");
    ASSERT_TRUE(WaitUntil([&] { return sink.Count() >= 1; }));
    sink.Take();
    env.TakeUnstampedLines();

    engine.SetSecureDesktop(true);
    engine.SetSecureDesktop(true);
    ASSERT_TRUE(WaitUntil([&] { return sink.Count() >= 1; }));
    EXPECT_EQ(sink.Take(), std::vector<std::string>{"up 10"}) << "nothing stays down for the secure desktop";
    EXPECT_EQ(engine.Receiver().State(), 0);
    EXPECT_TRUE(engine.AtSecureDesktop());
    EXPECT_FALSE(RetryAndSettle(engine)) << "no attempts while the helper has the port";
    EXPECT_EQ(engine.Receiver().State(), 0);
    engine.SetSecureDesktop(false);
    EXPECT_FALSE(RetryAndSettle(engine)) << "back: opened again";
    EXPECT_EQ(states.States, (std::vector<int>{2, 0, 2}));
    const Strings lines = env.TakeUnstampedLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "### Sicherer Desktop: Tasten losgelassen, Port f\xfcr die Anmeldung freigegeben"),
              1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "### Zur\xfc" "ck vom sicheren Desktop"), 1);
}
