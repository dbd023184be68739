// The sign-in helper's rules: the machine's key taken only when every value
// is one of its list, the ports it may open, and how its service keeps it.
#include "app/FolderRights.h"
#include "app/HelperKeeper.h"
#include "app/SecureDesktop.h"
#include "app/SignInChoice.h"
#include "app/SignInSettings.h"
#include "serial/HardwarePort.h"

#include <gtest/gtest.h>

namespace {

TMachineValue Number(uint32_t V)
{
    TMachineValue value;
    value.Kind = TMachineValue::mvNumber;
    value.Number = V;
    return value;
}

TMachineValue Text(const std::string& V)
{
    TMachineValue value;
    value.Kind = TMachineValue::mvText;
    value.Text = V;
    return value;
}

TMachineValues ValidKey()
{
    return {{"Port", Number(3)},     {"Rate", Number(9600)},       {"ByteSize", Number(8)},
            {"Parity", Number(0)},   {"StopBits", Number(0)},      {"ControlLines", Number(1)},
            {"Device", Text("USB\\VID_0403&PID_6001\\5&2A5C9B4&0&2")}};
}

TEST(SignInKey, AValidKeyDescribesThePortAndItsAdapter)
{
    std::string refusal;
    const auto settings = ParseSignInSettings(ValidKey(), refusal);
    ASSERT_TRUE(settings) << refusal;
    EXPECT_EQ(settings->Port, 3);
    EXPECT_EQ(settings->Rate, 9600);
    EXPECT_TRUE(settings->ControlLines);
    EXPECT_EQ(settings->DeviceModel, "VID_0403&PID_6001") << "followed into another socket as the programs do";
    EXPECT_EQ(ParseSignInSettings(SignInValues(*settings), refusal), settings) << "what the elevated step writes";

    TMachineValues minimal = ValidKey();
    minimal.erase("ControlLines");
    minimal.erase("Device");
    const auto plain = ParseSignInSettings(minimal, refusal);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->ControlLines);
    EXPECT_EQ(plain->Device, "");
}

// Nothing is clamped: one value outside its list refuses the whole key.
TEST(SignInKey, AnyValueOutsideItsListRefusesTheKey)
{
    const struct {
        const char* Name;
        TMachineValue Value;
    } cases[] = {
        {"Port", Number(0)},         {"Port", Number(256)},          {"Port", Text("3")},
        {"Rate", Number(9601)},      {"Rate", Number(0)},            {"ByteSize", Number(6)},
        {"ByteSize", Number(9)},     {"Parity", Number(3)},          {"StopBits", Number(3)},
        {"ControlLines", Number(2)}, {"Device", Number(1)},          {"Device", Text(std::string(201, 'A'))},
        {"Device", Text("USB\\\x01")}, {"Device", Text("USB\\\xc3\xa4")}, {"Rate", TMachineValue{}},
    };
    for (const auto& c : cases) {
        TMachineValues values = ValidKey();
        values[c.Name] = c.Value;
        std::string refusal;
        EXPECT_FALSE(ParseSignInSettings(values, refusal)) << c.Name;
        EXPECT_NE(refusal.find(c.Name), std::string::npos) << refusal;
    }
    for (const char* required : {"Port", "Rate", "ByteSize", "Parity", "StopBits"}) {
        TMachineValues values = ValidKey();
        values.erase(required);
        std::string refusal;
        EXPECT_FALSE(ParseSignInSettings(values, refusal)) << required << " missing";
    }
    TMachineValues longest = ValidKey();
    longest["Device"] = Text(std::string(200, 'A'));
    std::string refusal;
    EXPECT_TRUE(ParseSignInSettings(longest, refusal)) << "200 characters are allowed";
}

TEST(HardwarePorts, OnlyHardwareEnumeratorsAreAllowed)
{
    for (const char* id : {"USB\\VID_0403&PID_6001\\A1B2", "FTDIBUS\\VID_0403+PID_6001+A1B2\\0000",
                           "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}\\7&1&0&001A7DDA7113_C00000000",
                           "ACPI\\PNP0501\\1", "pci\\VEN_8086&DEV_A13D\\3", "PCMCIA\\MODEM\\1"})
        EXPECT_TRUE(OnHardwareBus(id)) << id;
    for (const char* id : {"", "ROOT\\PORTS\\0000", "COM0COM\\PORT\\CNCA0", "SWD\\MMDEVAPI\\x", "USB", "USB\\",
                           "USBX\\VID_1\\2", "\\USB\\VID_1"})
        EXPECT_FALSE(OnHardwareBus(id)) << id;
}

// The user's programs let go of the port only for a desktop that takes
// typing for the helper: never for a secure screen saver.
TEST(SecureDesktop, OnlyTheSignInDesktopOrOneThatCannotBeOpenedCounts)
{
    EXPECT_TRUE(SecureDesktopHasInput({false, "", false})) << "the user's program cannot open it";
    EXPECT_TRUE(SecureDesktopHasInput({true, "Winlogon", false}));
    EXPECT_TRUE(SecureDesktopHasInput({true, "WINLOGON", false}));
    EXPECT_FALSE(SecureDesktopHasInput({true, "Default", false}));
    EXPECT_FALSE(SecureDesktopHasInput({false, "", true})) << "a secure screen saver";
    EXPECT_FALSE(SecureDesktopHasInput({true, "Screen-saver", true}));
}

TEST(HelperKeeper, ExactlyOneHelperRunsInTheConsoleSessionWhileTheKeyIsValid)
{
    using S = THelperStep;
    const struct {
        bool Valid;
        uint32_t Console;
        bool Running;
        uint32_t In;
        S Step;
    } cases[] = {
        {true, 1, false, NoSession, S::Start}, {true, 1, true, 1, S::Keep},          {true, 2, true, 1, S::Move},
        {false, 1, true, 1, S::End},           {false, 1, false, NoSession, S::Keep}, {true, NoSession, true, 1, S::End},
        {true, NoSession, false, NoSession, S::Keep},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextHelperStep({c.Valid, c.Console, c.Running, c.In}), c.Step)
            << c.Valid << " " << c.Console << " " << c.Running << " " << c.In;
}

TEST(HelperKeeper, EarlyEndsWaitLongerAndASteadyRunStartsAgainAtOneSecond)
{
    TRestartPause pause;
    std::vector<uint32_t> pauses;
    for (int i = 0; i < 11; ++i)
        pauses.push_back(pause.AfterEnd(10));
    EXPECT_EQ(pauses, (std::vector<uint32_t>{1000, 2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000, 300000,
                                             300000}));
    EXPECT_EQ(pause.AfterEnd(TRestartPause::SteadyRunMs), 1000u);
    EXPECT_EQ(pause.AfterEnd(10), 2000u);
    pause.Reset();
    EXPECT_EQ(pause.AfterEnd(10), 1000u);
}

} // namespace

namespace {

TPortSettings ServedPort()
{
    TPortSettings port;
    port.Port = 3;
    port.Rate = 9600;
    port.Device = "USB\\VID_0403&PID_6001\\5&2A5C9B4&0&2";
    return port;
}

TEST(SignInChoice, OkNeedsTheStepOnlyForAChangedBoxOrAChangedServedPort)
{
    const TPortSettings before = ServedPort();
    TPortSettings rate = before;
    rate.Rate = 19200;
    TPortSettings lines = before;
    lines.ControlLines = true;
    TPortSettings queue = before;
    queue.QInSize = 100;
    using S = TSignInStep;
    EXPECT_EQ(SignInStepFor(false, true, before, before), S::SetUp);
    EXPECT_EQ(SignInStepFor(true, false, before, rate), S::Remove);
    EXPECT_EQ(SignInStepFor(true, true, before, rate), S::SetUp);
    EXPECT_EQ(SignInStepFor(true, true, before, lines), S::SetUp);
    EXPECT_EQ(SignInStepFor(true, true, before, queue), S::None) << "not a value of the key";
    EXPECT_EQ(SignInStepFor(false, false, before, rate), S::None);
    EXPECT_EQ(SignInStepFor(true, true, before, before), S::None);
}

// What the dialog hands the elevated step comes back the same, and the
// step refuses what the key would refuse.
TEST(SignInChoice, TheStepsArgumentsAreCheckedAgainWhereTheyArrive)
{
    const TPortSettings port = ServedPort();
    const auto arguments = SignInStepArguments(TSignInStep::SetUp, port);
    EXPECT_EQ(SignInStepCommandLine(arguments),
              "/signin \"on\" \"3\" \"9600\" \"8\" \"0\" \"0\" \"0\" \"USB\\VID_0403&PID_6001\\5&2A5C9B4&0&2\"");
    TSignInStep step = TSignInStep::None;
    TPortSettings read;
    std::string refusal;
    ASSERT_TRUE(ParseSignInStep(arguments, step, read, refusal)) << refusal;
    EXPECT_EQ(step, TSignInStep::SetUp);
    EXPECT_EQ(read.Port, 3);
    EXPECT_EQ(read.Device, port.Device);
    ASSERT_TRUE(ParseSignInStep({"off"}, step, read, refusal));
    EXPECT_EQ(step, TSignInStep::Remove);

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"on", "0", "9600", "8", "0", "0", "0"}, {"on", "3", "9601", "8", "0", "0", "0"},
          {"on", "3", "9600", "8", "0", "0"}, {"on", "3", "+9600", "8", "0", "0", "0"},
          {"on", "3", "9600", "8", "0", "0", "2"}, {"on", "3", "9600", "8", "0", "0", "0", "USB\\\x7f"},
          {"off", "3"}, {"an"}, {}})
        EXPECT_FALSE(ParseSignInStep(wrong, step, read, refusal)) << SignInStepCommandLine(wrong);
    TPortSettings quoted = port;
    quoted.Device = "USB\\\"x";
    EXPECT_TRUE(SignInStepArguments(TSignInStep::SetUp, quoted).empty()) << "a quote would break the command line";
    TPortSettings noPort = port;
    noPort.Port = 0;
    EXPECT_TRUE(SignInStepArguments(TSignInStep::SetUp, noPort).empty());
}

} // namespace

namespace {

// The folder as the installer leaves it, and the ways a user could change
// what runs as SYSTEM.
TEST(FolderRights, OnlyAFolderAndFilesNoUserCanChangeAreAccepted)
{
    const std::string admins = "S-1-5-32-544";
    const std::vector<TAccessEntry> installed{{"S-1-5-18", 0x1F01FF}, {admins, 0x1F01FF}, {"S-1-5-32-545", 0x1200A9}};
    EXPECT_TRUE(OnlyAdministratorsMayChange(admins, true, installed));
    EXPECT_TRUE(OnlyAdministratorsMayChange("S-1-5-18", true, installed));
    EXPECT_FALSE(OnlyAdministratorsMayChange("S-1-5-21-1-2-3-1001", true, installed)) << "a user owns it";
    EXPECT_FALSE(OnlyAdministratorsMayChange(admins, false, {})) << "no access list: everybody may";

    const struct {
        TAccessEntry Entry;
        bool Accepted;
    } extra[] = {
        {{"S-1-5-11", 0x1301BF}, false},                   // Authenticated Users: Modify
        {{"S-1-5-32-545", 0x0002}, false},                 // Users may add files
        {{"S-1-1-0", 0x00040000}, false},                  // Everyone may change the list
        {{"S-1-5-32-545", 0x10000000}, false},             // generic all
        {{"S-1-5-32-545", 0x1F01FF, false}, true},         // a denial grants nothing
        {{"S-1-3-0", 0x10000000, true, true}, true},       // the creator of new objects
        {{"S-1-3-0", 0x10000000, true, false}, false},     // ... but not on the object itself
        {{"S-1-5-32-545", 0x0002, true, true}, false},     // inherited by what lies inside
    };
    for (const auto& e : extra) {
        std::vector<TAccessEntry> entries = installed;
        entries.push_back(e.Entry);
        EXPECT_EQ(OnlyAdministratorsMayChange(admins, true, entries), e.Accepted)
            << e.Entry.Sid << " " << std::hex << e.Entry.Mask;
    }
}

} // namespace
