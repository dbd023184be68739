// The configuration dialog's rules: enabling, the port list, and values
// loaded from and applied to the running objects.
#include "app/ConfigRules.h"

#include "app/Engine.h"
#include "base/settings/Globals.h"
#include "gidei/KeyParse.h"
#include "serial/COMObjct.h"
#include "serial/EnumCOM.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestSupport.h"

#ifndef _WIN32
#include "serial/SerialDevices.h"
#include "tests/support/Pty.h"
#endif

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TConfigValues Valid()
{
    TConfigValues values;
    values.PortSelected = true;
    values.Port = 3;
    return values;
}

TEST(ConfigEnables, OKNeedsAPortAndTheNamesOfVisibleTabs)
{
    const TConfigTabs all{true, true};
    EXPECT_TRUE(ConfigEnables(Valid(), all).OK);
    TConfigValues noPort = Valid();
    noPort.PortSelected = false;
    EXPECT_FALSE(ConfigEnables(noPort, all).OK);
    EXPECT_FALSE(ConfigEnables(noPort, {false, false}).OK);

    TConfigValues emptyLogName = Valid();
    emptyLogName.LogFile = true;
    EXPECT_FALSE(ConfigEnables(emptyLogName, all).OK);
    EXPECT_TRUE(ConfigEnables(emptyLogName, {false, true}).OK) << "the hidden tab takes no part";
    emptyLogName.LogFileName = "C:\\vemu.log";
    EXPECT_TRUE(ConfigEnables(emptyLogName, all).OK);

    TConfigValues emptySound = Valid();
    emptySound.UseSound = true;
    EXPECT_FALSE(ConfigEnables(emptySound, all).OK);
    EXPECT_TRUE(ConfigEnables(emptySound, {true, false}).OK);
    emptySound.PortSelected = false;
    emptySound.SoundName = "ding.wav";
    EXPECT_FALSE(ConfigEnables(emptySound, all).OK) << "the sound name does not replace the port";
}

TEST(ConfigEnables, DependentControlsFollowTheirBoxes)
{
    TConfigValues values = Valid();
    TConfigEnables enables = ConfigEnables(values, {true, true});
    EXPECT_FALSE(enables.LogLines);
    EXPECT_FALSE(enables.LogFileName);
    EXPECT_FALSE(enables.WaitFor);
    EXPECT_FALSE(enables.Events) << "neither Anzeigen nor In Datei schreiben";
    EXPECT_FALSE(enables.SoundName);
    values.LogView = true;
    values.Debug = true;
    values.UseSound = true;
    values.SoundName = "x.wav";
    enables = ConfigEnables(values, {true, true});
    EXPECT_TRUE(enables.LogLines);
    EXPECT_TRUE(enables.Events);
    EXPECT_TRUE(enables.WaitFor);
    EXPECT_TRUE(enables.SoundName);
    EXPECT_FALSE(enables.LogFileName);
    values.LogView = false;
    values.LogFile = true;
    values.LogFileName = "a.log";
    enables = ConfigEnables(values, {true, true});
    EXPECT_TRUE(enables.Events);
    EXPECT_TRUE(enables.LogFileName);
    EXPECT_TRUE(enables.OK);
}

TEST(ConfigLists, Rates)
{
    EXPECT_EQ(RateItemOf(110), 0);
    EXPECT_EQ(RateItemOf(9600), 6);
    EXPECT_EQ(RateItemOf(115200), 12);
    EXPECT_EQ(RateItemOf(1000), 0) << "not in the table";
}

// The engine and the settings as the dialog finds them at a start with
// these values stored.
TEngineSetup StoredSetup(TTestEnvironment& Env)
{
    TPortSettings& port = Env.Settings.Port;
    port.Rate = 9600;
    port.ByteSize = 7;
    port.Parity = 2;
    port.StopBits = 1;
    TTypingSettings& typing = Env.Settings.Typing;
    typing.WaitAfter = true;
    typing.WaitFor = 700;
    typing.UseGIDEI = true;
    return Env.Setup();
}

class ConfigValues : public ::testing::Test {
protected:
    ConfigValues()
    {
        Globals.Settings.Start.UseSound = true;
        Globals.Settings.Start.Sound = "ding.wav";
    }

    TTestEnvironment Env{0};
    TGlobals Globals{Env.Dir.File("vemuKeys.exe")};
    TRecordingSink Sink;
    TEngine Engine{StoredSetup(Env), Sink, Env.Log(), Env.Events, nullptr, nullptr};
    TSerialReceiver& Receiver = Engine.Receiver();
    TKeyParser& Parser = Engine.Parser();
};

TEST_F(ConfigValues, LoadShowsTheRunningObjects)
{
    Env.Log().View().SetMaxLines(77);
    Env.Log().File().SetFileName(Env.Dir.File("a.log"));
    const TConfigValues values = LoadConfigValues(Engine, Globals, Env.Log());
    EXPECT_FALSE(values.PortSelected);
    EXPECT_EQ(values.RateItem, 6);
    EXPECT_EQ(values.SizeItem, 0);
    EXPECT_EQ(values.ParityItem, 2);
    EXPECT_EQ(values.StopItem, 1);
    EXPECT_FALSE(values.AutoStart);
    EXPECT_EQ(values.LogLines, 77);
    EXPECT_FALSE(values.LogFile);
    EXPECT_EQ(values.LogFileName, Env.Dir.File("a.log"));
    EXPECT_TRUE(values.Debug);
    EXPECT_EQ(values.WaitFor, 700);
    EXPECT_TRUE(values.UseGIDEI);
    EXPECT_TRUE(values.UseSound);
    EXPECT_EQ(values.SoundName, "ding.wav");
}

TEST_F(ConfigValues, ApplyHandsEveryValueOnWithoutWritingTheSettings)
{
    TConfigValues values = LoadConfigValues(Engine, Globals, Env.Log());
    values.PortSelected = true;
    values.Port = 250; // no such device: the port stays closed
    values.RateItem = 12;
    values.SizeItem = 1;
    values.ParityItem = 0;
    values.StopItem = 2;
    values.ControlLines = true;
    values.LogLines = 5000;
    values.LogFile = true;
    values.LogFileName = "log.txt"; // beside the program
    values.Debug = false;
    values.WaitFor = 20;
    values.UseGIDEI = false;
    values.UseSound = false;
    values.SoundName = "";
    ApplyConfigValues(values, Engine, Globals, Env.Log());
    EXPECT_EQ(Receiver.Port(), 250);
    EXPECT_EQ(Receiver.Rate(), 115200);
    EXPECT_EQ(Receiver.ByteSize(), 8);
    EXPECT_EQ(Receiver.Parity(), 0);
    EXPECT_EQ(Receiver.StopBits(), 2);
    EXPECT_TRUE(Receiver.Settings().ControlLines) << "stored as [Port] ControlLines";
    EXPECT_EQ(Env.Log().View().MaxLines(), 999);
    EXPECT_TRUE(Env.Log().File().Active());
    ASSERT_TRUE(Env.Log().WaitWritten(5000));
    EXPECT_TRUE(Env.Log().File().IsOpen());
    EXPECT_FALSE(Parser.WaitAfter());
    EXPECT_EQ(Parser.WaitFor(), 50);
    EXPECT_FALSE(Parser.UseGIDEI());
    EXPECT_FALSE(Globals.Settings.Start.UseSound);
    EXPECT_EQ(Globals.Settings.Start.Sound, "");
    EXPECT_EQ(Receiver.State(), 0);
    EXPECT_FALSE(std::filesystem::exists(Env.Dir.File("vemuKeys.set")));
    // No selected port keeps the receiver's.
    values.PortSelected = false;
    values.Port = 9;
    ApplyConfigValues(values, Engine, Globals, Env.Log());
    EXPECT_EQ(Receiver.Port(), 250);
}

// The user mends a refused log-file name: the old name is not tried again,
// so its notice does not come back.
TEST_F(ConfigValues, ANewLogNameIsOpenedWithoutTryingTheOldOne)
{
    Env.Log().File().SetActive(true);
    Env.Log().File().SetFileName("run.hta");
    ASSERT_TRUE(Env.Log().WaitWritten(5000));
    Env.Target.Clear();
    TConfigValues values = LoadConfigValues(Engine, Globals, Env.Log());
    values.LogFileName = "vemu.log";
    ApplyConfigValues(values, Engine, Globals, Env.Log());
    ASSERT_TRUE(Env.Log().WaitWritten(5000));
    EXPECT_TRUE(Env.Log().File().IsOpen());
    for (const TPostedMessage& message : Env.Target.Messages())
        EXPECT_NE(message.Msg, UM_LOGFILEERROR);
}

#ifndef _WIN32
TEST_F(ConfigValues, OKLeavesTheReceiverOpenAndActive)
{
    TPtyPort pty(Env.Dir.Path(), 7);
    const TSeam devices(SetSerialDeviceDirectory, Env.Dir.Path());
    Receiver.SetPort(7);
    Receiver.SetRate(9600);
    Receiver.SetState(1);
    ASSERT_TRUE(WaitUntil([&] {
        Engine.DeliverPortJobs();
        return Receiver.State() == 1;
    }));
    TConfigValues values = LoadConfigValues(Engine, Globals, Env.Log());
    values.PortSelected = true;
    ApplyConfigValues(values, Engine, Globals, Env.Log());
    EXPECT_EQ(Receiver.State(), 2);
    values.ParityItem = 1; // a changed setting closes the port; OK opens it again
    ApplyConfigValues(values, Engine, Globals, Env.Log());
    EXPECT_EQ(Receiver.Parity(), 1);
    EXPECT_TRUE(WaitUntil([&] {
        Engine.DeliverPortJobs();
        return Receiver.State() == 2;
    }));
    Receiver.Close();
}
#endif

} // namespace
