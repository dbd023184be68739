#include "serial/COMObjct.h"

#include "serial/DeviceText.h"
#include "serial/EnumCOM.h"
#include "serial/PortOpening.h"
#include "tests/support/TestSupport.h"

#ifndef _WIN32
#include "serial/SerialDevices.h"
#endif

#include <gtest/gtest.h>

namespace {

class ReceiverSettings : public ::testing::Test {
protected:
    TTestEnvironment Env;
    TSerialReceiver Receiver{Env.Settings.Port, Env.Log(), Env.Events, false};
};

TEST_F(ReceiverSettings, DefaultsWhenNothingIsStored)
{
    EXPECT_EQ(Receiver.Port(), 0);
    EXPECT_EQ(Receiver.Rate(), 300);
    EXPECT_EQ(Receiver.ByteSize(), 8);
    EXPECT_EQ(Receiver.Parity(), 0);
    EXPECT_EQ(Receiver.StopBits(), 0);
    EXPECT_EQ(Receiver.State(), 0);
    EXPECT_FALSE(Receiver.Queue->Active);
}

TEST_F(ReceiverSettings, RatesSnapToTheTable)
{
    Receiver.SetRate(1000);
    EXPECT_EQ(Receiver.Rate(), 600);
    Receiver.SetRate(50);
    EXPECT_EQ(Receiver.Rate(), 110);
    Receiver.SetRate(200000);
    EXPECT_EQ(Receiver.Rate(), 115200);
    Receiver.SetRate(14400);
    EXPECT_EQ(Receiver.Rate(), 14400);
    Receiver.SetRate(57599);
    EXPECT_EQ(Receiver.Rate(), 56000);
}

TEST_F(ReceiverSettings, SettersClampToTheirRanges)
{
    Receiver.SetPort(300);
    EXPECT_EQ(Receiver.Port(), 255);
    Receiver.SetPort(-1);
    EXPECT_EQ(Receiver.Port(), 0);
    Receiver.SetByteSize(5);
    EXPECT_EQ(Receiver.ByteSize(), 7);
    Receiver.SetByteSize(9);
    EXPECT_EQ(Receiver.ByteSize(), 8);
    Receiver.SetParity(3);
    EXPECT_EQ(Receiver.Parity(), 2);
    Receiver.SetStopBits(-4);
    EXPECT_EQ(Receiver.StopBits(), 0);
    Receiver.SetQInSize(10000);
    EXPECT_EQ(Receiver.QInSize(), 9999);
    Receiver.SetQOutSize(-1);
    EXPECT_EQ(Receiver.QOutSize(), 0);
}

TEST_F(ReceiverSettings, WithoutAPortNothingOpens)
{
    TStateLog log;
    Receiver.SetOnStateChange(TStateLog::Record, &log);
    Receiver.SetState(2);
    Receiver.SetState(1);
    Receiver.SetState(0);
    EXPECT_EQ(Receiver.State(), 0);
    EXPECT_TRUE(log.States.empty());
    Receiver.InjectByte('A');
    EXPECT_EQ(Receiver.Queue->Pop(), "") << "a closed port drops injected bytes";
}

TEST(ReceiverStorage, TakenClampedAndHandedBackAsTheyAreSaved)
{
    TTestEnvironment env(0);
    TPortSettings stored;
    stored.Port = 10;
    stored.Rate = 1000; // between two rates of the table: the lower one
    stored.ByteSize = 9;
    stored.Parity = 2;
    stored.StopBits = 1;
    stored.QInSize = 100;
    stored.QOutSize = 20000;
    TSerialReceiver receiver(stored, env.Log(), env.Events, false);
    EXPECT_EQ(receiver.Port(), 10);
    EXPECT_EQ(receiver.Rate(), 600);
    EXPECT_EQ(receiver.ByteSize(), 8);
    EXPECT_EQ(receiver.Parity(), 2);
    EXPECT_EQ(receiver.StopBits(), 1);
    EXPECT_EQ(receiver.QInSize(), 100);
    EXPECT_EQ(receiver.QOutSize(), 9999);
    receiver.SetPort(4);
    const TPortSettings saved = receiver.Settings();
    EXPECT_EQ(saved.Port, 4);
    EXPECT_EQ(saved.Rate, 600);
    EXPECT_EQ(saved.ByteSize, 8);
    EXPECT_EQ(saved.Parity, 2);
    EXPECT_EQ(saved.StopBits, 1);
}

// The identity of the port's device is kept beside its number; it is only
// compared with what the system lists, so a damaged one merely never fits.
TEST(ReceiverStorage, TheDeviceIdentityIsKeptBesideTheNumberAndGoesWithIt)
{
    TTestEnvironment env(0);
    TPortSettings stored;
    stored.Port = 10;
    stored.Device = "USB\\VID_1234&PID_5678\\5&2\x1b[2J";
    stored.DeviceModel = "VID_1234&PID_5678";
    TSerialReceiver receiver(stored, env.Log(), env.Events, false);
    EXPECT_EQ(receiver.Identity(), (TPortIdentity{"USB\\VID_1234&PID_5678\\5&2 [2J", "VID_1234&PID_5678"}));
    EXPECT_EQ(receiver.Settings().DeviceModel, "VID_1234&PID_5678");
    receiver.SetPort(10);
    EXPECT_FALSE(receiver.Identity().Empty()) << "the same number keeps it";
    receiver.SetPort(4);
    EXPECT_TRUE(receiver.Identity().Empty()) << "it described the device at the old number";
    EXPECT_EQ(receiver.Settings().Device, "");
    EXPECT_EQ(receiver.Settings().DeviceModel, "");
}

TEST(ReceiverOpening, APortThatDoesNotExistLogsOneErrorAndStaysClosed)
{
    TTestEnvironment env(0);
#ifndef _WIN32
    const TSeam devices(SetSerialDeviceDirectory, env.Dir.Path());
#endif
    TSerialReceiver receiver(env.Settings.Port, env.Log(), env.Events, false);
    TStateLog log;
    receiver.SetOnStateChange(TStateLog::Record, &log);
    receiver.SetPort(250);
    receiver.SetState(2);
    EXPECT_EQ(receiver.State(), 0);
    EXPECT_TRUE(log.States.empty());
    std::vector<std::string> lines = env.TakeLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("! ERROR ### Fehler: Serial Init Error (1): ", 0), 0u) << lines[0];
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_NE(ReadFileText(env.Dir.File("Errors.log")).find("Serial Init Error (1)"), std::string::npos);
}

int OpeningsTried = 0;
// Something the opening's own error handling does not expect (it takes
// what the system reports).
uint32_t FirstOpeningThrows(int32_t)
{
    if (OpeningsTried++ == 0)
        throw 42;
    return 0;
}

TEST(ReceiverOpening, AnOpeningThatThrowsIsAFailedOneAndTheNextStillRuns)
{
    TTestEnvironment env(0);
#ifndef _WIN32
    const TSeam devices(SetSerialDeviceDirectory, env.Dir.Path());
#endif
    OpeningsTried = 0;
    const TSeam throwing(SetOpeningDelay, FirstOpeningThrows);
    TSerialReceiver receiver(env.Settings.Port, env.Log(), env.Events, false);
    receiver.SetPort(250);
    receiver.SetState(2);
    EXPECT_EQ(env.TakeLines(), std::vector<std::string>{"! ERROR ### Fehler: <unbekannt>"});
    receiver.Reconnect();
    EXPECT_EQ(OpeningsTried, 2) << "the receiver still waits for the first opening";
    EXPECT_EQ(receiver.State(), 0);
}

TEST(PortNames, NumbersFromPortNames)
{
    struct Case {
        const char* Name;
        bool Valid;
        int Number;
    } cases[] = {
        {"COM12", true, 12}, {"com3", true, 3},    {"COM", true, 0},      {"CoX7", true, 7},
        {"COM255", true, 255}, {"COM0", true, 0},  {"LPT1", false, 0},    {"COM3A", false, 0},
        {"COM300", false, 0}, {"COM-1", false, 0}, {"COM 1", false, 0},   {"", false, 0},
        {"C", false, 0},      {"CO", true, 0},     {"COM99999999999", false, 0},
    };
    for (const Case& c : cases) {
        int number = -1;
        EXPECT_EQ(PortNumberFromName(c.Name, number), c.Valid) << c.Name;
        if (c.Valid) {
            EXPECT_EQ(number, c.Number) << c.Name;
        }
    }
}

TEST(PortNames, EnumerationNeverFailsAndStartsAfresh)
{
    std::vector<TPortDevice> ports(1);
    ports[0].Number = 200;
    GetInstalledPorts(ports);
    for (const TPortDevice& port : ports) {
        EXPECT_NE(port.Number, 200) << "the list is cleared first";
        EXPECT_GE(port.Number, 1);
        EXPECT_LE(port.Description.size(), MaxDescriptionLength);
    }
}

} // namespace
