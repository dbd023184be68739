// The sign-in helper's rules: the machine's key taken only when every value
// is one of its list, the ports it may open, and how its service keeps it.
#include "app/HelperKeeper.h"
#include "app/SecureDesktop.h"
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
