// What the user sees of a port and how its device is found again: texts from
// the device list made safe, the model part of an identity, the rules that
// follow a device to another number, and the port list's items.
#include "serial/PortIdentity.h"

#include "app/PortList.h"

#include <gtest/gtest.h>

namespace {

using Ports = std::vector<int>;

TPortDevice Port(int Number, const std::string& Device, const std::string& Model, const std::string& Description = "")
{
    return TPortDevice{Number, Description, TPortIdentity{Device, Model}};
}

TEST(DeviceTexts, ControlCharactersBlanksAndLengthAreTamed)
{
    EXPECT_EQ(CleanDeviceText("  USB-SERIAL\tCH340\r\n", 64), "USB-SERIAL CH340");
    EXPECT_EQ(CleanDeviceText(std::string("A\0B\x1b[2J\x7f" "C", 9), 64), "A B [2J C") << "nothing reaches a terminal";
    EXPECT_EQ(CleanDeviceText("Ger\xe4t \x80 5\x81\x9d" "x", 64), "Ger\xe4t \x80 5 x") << "Windows-1252 text stays";
    EXPECT_EQ(CleanDeviceText(std::string(300, 'x'), 200).size(), 200u);
    EXPECT_EQ(CleanDeviceText("abcd  efgh", 5), "abcd") << "no blank at the cut";
    EXPECT_EQ(CleanDeviceText("\t\r\n", 64), "");
}

TEST(DeviceTexts, DescriptionsLoseTheNumberWindowsAppends)
{
    EXPECT_EQ(PortDescription("USB-SERIAL CH340 (COM9)"), "USB-SERIAL CH340");
    EXPECT_EQ(PortDescription("Standard Serial over Bluetooth link (com12)"), "Standard Serial over Bluetooth link");
    EXPECT_EQ(PortDescription("Prolific(COM3)"), "Prolific");
    EXPECT_EQ(PortDescription("(COM3)"), "");
    EXPECT_EQ(PortDescription("Adapter (COM)"), "Adapter (COM)") << "no number: not the appended one";
    EXPECT_EQ(PortDescription("Adapter (COM3A)"), "Adapter (COM3A)");
    EXPECT_EQ(PortDescription("Adapter (COM3) rev 2"), "Adapter (COM3) rev 2");
    const std::string longName = PortDescription(std::string(100, 'n') + " (COM4)");
    ASSERT_EQ(longName.size(), MaxDescriptionLength);
    EXPECT_EQ(longName.back(), '\x85') << "a cut name ends in an ellipsis";
    EXPECT_EQ(PortDescription(std::string(MaxDescriptionLength, 'n')).back(), 'n') << "a name that fits is whole";
}

TEST(DeviceModels, VendorAndProductOrBluetoothAddress)
{
    EXPECT_EQ(DeviceModel({"USB\\VID_1a86&PID_7523&REV_0254", "USB\\VID_1A86&PID_7523"},
                          "USB\\VID_1A86&PID_7523\\5&2A5C9B4&0&2"),
              "VID_1A86&PID_7523");
    EXPECT_EQ(DeviceModel({"FTDIBUS\\COMPORT&VID_0403&PID_6001"}, "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000"),
              "VID_0403&PID_6001");
    EXPECT_EQ(DeviceModel({}, "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000"), "VID_0403&PID_6001")
        << "from the instance id when the hardware ids tell nothing";
    EXPECT_EQ(DeviceModel({"ACPI\\PNP0501", "*PNP0501"}, "ACPI\\PNP0501\\1"), "") << "a built-in port has no model";

    const std::string paired =
        "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&1F9F5C5E&0&001a7dda7113_C00000000";
    EXPECT_EQ(DeviceModel({"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&000f"}, paired),
              "BT_001A7DDA7113");
    EXPECT_EQ(DeviceModel({}, "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&2&0&000000000000_0"),
              "")
        << "a port waiting for calls has no remote device";

    for (const char* malformed : {"USB\\VID_12G4&PID_0001", "USB\\VID_1234&PID_12345", "USB\\VID_1234-PID_0001",
                                  "USB\\VID_1234&PID_", "USB\\VID_12"})
        EXPECT_EQ(DeviceModel({malformed}, ""), "") << malformed;
}

// The rules that decide whether the program opens another number by itself.
TEST(MovedDevice, TheInstanceIdFirstThenTheOnlyPortOfTheSameModel)
{
    const TPortIdentity stored{"USB\\VID_1A86&PID_7523\\5&2A5C9B4&0&2", "VID_1A86&PID_7523"};
    const std::vector<std::string> none;

    TPortSearchResult found = FindMovedDevice(7, stored, {Port(9, "usb\\vid_1a86&pid_7523\\5&2a5c9b4&0&2", "")}, none);
    EXPECT_EQ(found.Outcome, TPortSearch::Moved) << "instance ids compare without regard to case";
    EXPECT_EQ(found.Port, 9);

    found = FindMovedDevice(7, stored,
                            {Port(8, "USB\\VID_1A86&PID_7523\\5&1&0&1", "VID_1A86&PID_7523"),
                             Port(9, stored.Device, stored.Model)},
                            none);
    EXPECT_EQ(found.Outcome, TPortSearch::Moved) << "the same device wins over one of the same model";
    EXPECT_EQ(found.Port, 9);

    found = FindMovedDevice(7, stored, {Port(3, "ACPI\\PNP0501\\1", ""), Port(12, "USB\\X\\1", "VID_1A86&PID_7523")},
                            none);
    EXPECT_EQ(found.Outcome, TPortSearch::Moved) << "another socket, another instance id, the same model";
    EXPECT_EQ(found.Port, 12);
    EXPECT_EQ(found.Candidates, Ports{12});

    found = FindMovedDevice(7, stored, {Port(9, "USB\\X\\1", "VID_0403&PID_6001")}, none);
    EXPECT_EQ(found.Outcome, TPortSearch::Await) << "another model is another device";
}

TEST(MovedDevice, SeveralCandidatesOrNoneChooseNothing)
{
    const TPortIdentity stored{"USB\\VID_1A86&PID_7523\\5&2A5C9B4&0&2", "VID_1A86&PID_7523"};
    const std::vector<TPortDevice> twins = {Port(9, "USB\\A\\2", "VID_1A86&PID_7523"),
                                            Port(8, "USB\\A\\1", "vid_1a86&pid_7523")};
    TPortSearchResult found = FindMovedDevice(7, stored, twins, {});
    EXPECT_EQ(found.Outcome, TPortSearch::Ambiguous);
    EXPECT_EQ(found.Candidates, (Ports{8, 9}));

    // The same number listed twice (a stale entry beside the live one) is
    // one port.
    found = FindMovedDevice(7, stored, {Port(9, "USB\\A\\2", stored.Model), Port(9, "USB\\A\\3", stored.Model)}, {});
    EXPECT_EQ(found.Outcome, TPortSearch::Moved);
    EXPECT_EQ(found.Port, 9);

    EXPECT_EQ(FindMovedDevice(7, stored, {}, {}).Outcome, TPortSearch::Await);
    EXPECT_EQ(FindMovedDevice(7, stored, {Port(0, stored.Device, stored.Model)}, {}).Outcome, TPortSearch::Await)
        << "a port named \"COM\" alone is no port";
}

TEST(MovedDevice, WithoutTheNeedOrTheMeansTheNumberIsAwaited)
{
    const TPortIdentity stored{"USB\\VID_1A86&PID_7523\\5&2A5C9B4&0&2", "VID_1A86&PID_7523"};
    const std::vector<TPortDevice> elsewhere = {Port(9, stored.Device, stored.Model)};

    EXPECT_EQ(FindMovedDevice(7, TPortIdentity(), elsewhere, {}).Outcome, TPortSearch::Await)
        << "older settings without an identity behave as before";
    EXPECT_EQ(FindMovedDevice(0, stored, elsewhere, {}).Outcome, TPortSearch::Await) << "no port chosen";
    EXPECT_EQ(FindMovedDevice(7, stored, {Port(7, "USB\\Other\\1", ""), Port(9, stored.Device, stored.Model)}, {})
                  .Outcome,
              TPortSearch::Await)
        << "the number is there: it is opened as before, whoever is behind it";
    EXPECT_EQ(FindMovedDevice(7, {stored.Device, ""}, {Port(9, "USB\\A\\2", stored.Model)}, {}).Outcome,
              TPortSearch::Await)
        << "no stored model: only the same instance id counts";
    EXPECT_EQ(FindMovedDevice(7, {"", stored.Model}, elsewhere, {}).Port, 9) << "a model alone suffices";
}

TEST(MovedDevice, APortSeenBesideTheDeviceIsAnotherDevice)
{
    const TPortIdentity stored{"USB\\A\\1", "VID_1A86&PID_7523"};
    const std::vector<TPortDevice> atTheStart = {Port(7, "USB\\A\\1", stored.Model), Port(8, "USB\\B\\1", stored.Model),
                                                 Port(3, "ACPI\\PNP0501\\1", "")};
    const std::vector<std::string> others = DevicesBeside(7, atTheStart);
    EXPECT_EQ(others, std::vector<std::string>{"USB\\B\\1"});
    EXPECT_TRUE(DevicesBeside(9, atTheStart).empty()) << "a port not listed tells nothing";
    EXPECT_TRUE(DevicesBeside(3, atTheStart).empty()) << "nor one without a model";

    EXPECT_EQ(FindMovedDevice(7, stored, {Port(8, "usb\\b\\1", stored.Model)}, others).Outcome, TPortSearch::Await)
        << "the second adapter is never taken for the pulled one";
    const TPortSearchResult found =
        FindMovedDevice(7, stored, {Port(8, "USB\\B\\1", stored.Model), Port(9, "USB\\A\\2", stored.Model)}, others);
    EXPECT_EQ(found.Outcome, TPortSearch::Moved);
    EXPECT_EQ(found.Port, 9);
}

TEST(PortListItems, PresentPortsWithNamesAndTheChoiceThatIsAway)
{
    const TPortTexts texts{"COM%d", "COM%d \x96 %s", "COM%d \x96 nicht angeschlossen"};
    const std::vector<TPortDevice> present = {Port(9, "USB\\A\\1", "VID_1A86&PID_7523", "USB-SERIAL CH340"),
                                              Port(3, "ACPI\\PNP0501\\1", ""), Port(0, "", ""),
                                              Port(9, "USB\\A\\9", "", "stale twin")};
    std::vector<std::string> shown;
    for (const TPortItem& item : PortListItems(true, present, {7, 7, 0}))
        shown.push_back(PortItemText(item, texts) + "=" + std::to_string(item.Port));
    EXPECT_EQ(shown, (std::vector<std::string>{"COM3=3", "COM7 \x96 nicht angeschlossen=7",
                                               "COM9 \x96 USB-SERIAL CH340=9"}));

    const std::vector<TPortItem> kept = PortListItems(true, present, {9, 3});
    ASSERT_EQ(kept.size(), 2u) << "a chosen port that is present is listed once";
    EXPECT_TRUE(kept[1].Present);
    EXPECT_TRUE(PortListItems(true, {}, {0}).empty());

    const std::vector<TPortItem> all = PortListItems(false, present, {7});
    ASSERT_EQ(all.size(), 255u);
    EXPECT_EQ(PortItemText(all[8], texts), "COM9") << "without the port check every number is plain";
    EXPECT_EQ(all.back().Port, 255);

    TPortItem percent{5, true, "100%s %d Serial"};
    EXPECT_EQ(PortItemText(percent, texts), "COM5 \x96 100%s %d Serial") << "a device's text is never a format";
}

TEST(PortListItems, TheConsoleLineNamesNumberDescriptionAndIdentity)
{
    const std::string format = "COM%d: %s (Ger\xe4t %s, Modell %s)";
    EXPECT_EQ(PortListingLine(Port(9, "USB\\VID_1A86&PID_7523\\5&2", "VID_1A86&PID_7523", "USB-SERIAL CH340"), format),
              "COM9: USB-SERIAL CH340 (Ger\xe4t USB\\VID_1A86&PID_7523\\5&2, Modell VID_1A86&PID_7523)");
    EXPECT_EQ(PortListingLine(Port(1, "ACPI\\PNP0501\\1", ""), format), "COM1: - (Ger\xe4t ACPI\\PNP0501\\1, Modell -)");
}

} // namespace
