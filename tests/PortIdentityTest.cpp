// What the user sees of a port and how its device is found again: texts from
// the device list made safe, the model part of an identity, the rules that
// follow a device to another number, and the port list's items.
#include "serial/PortIdentity.h"

#include "app/PortList.h"
#include "serial/DeviceText.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Ports = std::vector<int>;

TPortDevice Port(int Number, const std::string& Device, const std::string& Model, const std::string& Description = "")
{
    return TPortDevice{Number, Description, TPortIdentity{Device, Model}};
}

TEST(DeviceTexts, ControlCharactersBlanksAndLengthAreTamed)
{
    EXPECT_EQ(CleanDeviceText("  USB Serial\tAdapter\r\n", 64), "USB Serial Adapter");
    EXPECT_EQ(CleanDeviceText(std::string("A\0B\x1b[2J\x7f" "C", 9), 64), "A B [2J C") << "nothing reaches a terminal";
    EXPECT_EQ(CleanDeviceText("Ger\xe4t \x80 5\x81\x9d" "x", 64), "Ger\xe4t \x80 5 x") << "Windows-1252 text stays";
    EXPECT_EQ(CleanDeviceText(std::string(300, 'x'), 200).size(), 200u);
    EXPECT_EQ(CleanDeviceText("abcd  efgh", 5), "abcd") << "no blank at the cut";
    EXPECT_EQ(CleanDeviceText("\t\r\n", 64), "");
}

TEST(DeviceTexts, DescriptionsLoseTheNumberWindowsAppends)
{
    EXPECT_EQ(PortDescription("USB Serial Adapter (COM9)"), "USB Serial Adapter");
    EXPECT_EQ(PortDescription("Standard Serial over Bluetooth link (com12)"), "Standard Serial over Bluetooth link");
    EXPECT_EQ(PortDescription("Seriell(COM3)"), "Seriell");
    EXPECT_EQ(PortDescription("(COM3)"), "");
    EXPECT_EQ(PortDescription("Adapter (COM)"), "Adapter (COM)") << "no number: not the appended one";
    EXPECT_EQ(PortDescription("Adapter (COM3A)"), "Adapter (COM3A)");
    EXPECT_EQ(PortDescription("Adapter (COM3) rev 2"), "Adapter (COM3) rev 2");
    const std::string longName = PortDescription(std::string(100, 'n') + " (COM4)");
    ASSERT_EQ(longName.size(), MaxDescriptionLength);
    EXPECT_EQ(longName.back(), '\x85') << "a cut name ends in an ellipsis";
    EXPECT_EQ(PortDescription(std::string(MaxDescriptionLength, 'n')).back(), 'n') << "a name that fits is whole";
}

const std::string Paired = "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&1F9F5C5E&0&001a7dda7113_C00000000";

TEST(DeviceModels, VendorAndProductOrBluetoothAddress)
{
    EXPECT_EQ(DeviceModel({"USB\\VID_12ab&PID_5678&REV_0254", "USB\\VID_12AB&PID_5678"},
                          "USB\\VID_12AB&PID_5678\\5&2A5C9B4&0&2"),
              "VID_12AB&PID_5678");
    EXPECT_EQ(DeviceModel({"VSERBUS\\COMPORT&VID_1234&PID_5678"}, "VSERBUS\\VID_1234+PID_5678+A50285BI\\0000"),
              "VID_1234&PID_5678");
    EXPECT_EQ(DeviceModel({}, "VSERBUS\\VID_1234+PID_5678+A50285BI\\0000"), "VID_1234&PID_5678")
        << "from the instance id when the hardware ids tell nothing";
    EXPECT_EQ(DeviceModel({"ACPI\\PNP0501", "*PNP0501"}, "ACPI\\PNP0501\\1"), "") << "a built-in port has no model";

    EXPECT_EQ(DeviceModel({"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&000f"}, Paired),
              "BT_001A7DDA7113");
    EXPECT_EQ(DeviceModel({}, "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&2&0&000000000000_0"),
              "")
        << "a port waiting for calls has no remote device";

    for (const char* malformed : {"USB\\VID_12G4&PID_0001", "USB\\VID_1234&PID_12345", "USB\\VID_1234-PID_0001",
                                  "USB\\VID_1234&PID_", "USB\\VID_12"})
        EXPECT_EQ(DeviceModel({malformed}, ""), "") << malformed;
}

// What an instance id says about the device: made from its serial number
// (the same in every socket) or from the socket; and so whether a port of the
// same model may be the device.
TEST(DeviceModels, TheInstanceIdTellsWhetherTheModelMayStandForTheDevice)
{
    EXPECT_TRUE(CarriesSerialNumber("USB\\VID_1234&PID_5678\\A50285BI"));
    EXPECT_TRUE(CarriesSerialNumber("usb\\vid_1234&pid_5678\\0001"));
    EXPECT_FALSE(CarriesSerialNumber("USB\\VID_1234&PID_5678\\5&2A5C9B4&0&2")) << "made from the socket";
    for (const char* notUsb : {"VSERBUS\\VID_1234+PID_5678+A50285BI\\0000", "ACPI\\PNP0501\\1", "USB\\VID_1234&PID_5678",
                               "USB\\VID_1234&PID_5678\\", "USB\\VID_1234&PID_5678\\A1\\B2", ""})
        EXPECT_FALSE(CarriesSerialNumber(notUsb)) << notUsb;

    const std::string model = "VID_1234&PID_5678";
    EXPECT_TRUE(ModelMayStandForDevice({"USB\\VID_1234&PID_5678\\5&2A5C9B4&0&2", model}));
    EXPECT_FALSE(ModelMayStandForDevice({"USB\\VID_1234&PID_5678\\A50285BI", model}))
        << "another id of a device with a serial number is another device";
    EXPECT_FALSE(ModelMayStandForDevice({"VSERBUS\\VID_1234+PID_5678+A50285BI\\0000", model}))
        << "a bus whose ids are not known: only the same id counts";
    EXPECT_FALSE(ModelMayStandForDevice({"", model})) << "without an instance id nothing tells the bus";
    EXPECT_FALSE(ModelMayStandForDevice({"USB\\VID_1234&PID_5678\\5&2A5C9B4&0&2", ""}));
    EXPECT_TRUE(ModelMayStandForDevice({Paired, "BT_001A7DDA7113"})) << "a Bluetooth model is the device's address";
    EXPECT_FALSE(ModelMayStandForDevice({Paired, "BT_001A7DDA7114"})) << "an address that is not the id's own";
    EXPECT_FALSE(ModelMayStandForDevice({"USB\\VID_1234&PID_5678\\A50285BI", "BT_001A7DDA7113"}));
}

const std::string Model = "VID_1234&PID_5678";

// The rules that decide whether the program opens another number by itself.
TEST(MovedDevice, TheInstanceIdFirstThenTheOnlyPortOfTheSameModel)
{
    const TPortIdentity stored{AdapterInSocket(2), Model};
    const std::vector<std::string> none;

    TPortSearchResult found = FindMovedDevice(7, stored, {Port(9, "usb\\vid_1234&pid_5678\\5&2a5c9b4&0&2", "")}, none);
    EXPECT_EQ(found.Outcome, TPortSearch::Moved) << "instance ids compare without regard to case";
    EXPECT_EQ(found.Port, 9);

    found = FindMovedDevice(7, stored, {Port(8, AdapterInSocket(1), Model), Port(9, stored.Device, stored.Model)}, none);
    EXPECT_EQ(found.Outcome, TPortSearch::Moved) << "the same device wins over one of the same model";
    EXPECT_EQ(found.Port, 9);

    found = FindMovedDevice(7, stored, {Port(3, "ACPI\\PNP0501\\1", ""), Port(12, AdapterInSocket(4), "vid_1234&pid_5678")},
                            none);
    EXPECT_EQ(found.Outcome, TPortSearch::Moved) << "another socket, another instance id, the same model";
    EXPECT_EQ(found.Port, 12);
    EXPECT_EQ(found.Candidates, Ports{12});

    found = FindMovedDevice(7, stored, {Port(9, "USB\\VID_2345&PID_6789\\5&1&0&1", "VID_2345&PID_6789")}, none);
    EXPECT_EQ(found.Outcome, TPortSearch::Await) << "another model is another device";
}

// A device with its own serial number keeps its instance id in every
// socket: a port of the same model with another id is never taken for it,
// nor is such a port taken for a device without one.
TEST(MovedDevice, ADeviceWithASerialNumberIsFoundOnlyByItsId)
{
    const TPortIdentity serial{"USB\\VID_1234&PID_5678\\A50285BI", Model};
    EXPECT_EQ(FindMovedDevice(7, serial, {Port(9, AdapterInSocket(3), Model)}, {}).Outcome, TPortSearch::Await);
    EXPECT_EQ(FindMovedDevice(7, serial, {Port(9, "USB\\VID_1234&PID_5678\\B7730412", Model)}, {}).Outcome,
              TPortSearch::Await);
    const TPortSearchResult found =
        FindMovedDevice(7, serial, {Port(8, AdapterInSocket(3), Model), Port(9, "usb\\vid_1234&pid_5678\\a50285bi", Model)}, {});
    EXPECT_EQ(found.Outcome, TPortSearch::Moved) << "its own id, wherever it is";
    EXPECT_EQ(found.Port, 9);

    EXPECT_EQ(FindMovedDevice(7, {AdapterInSocket(2), Model}, {Port(9, "USB\\VID_1234&PID_5678\\B7730412", Model)}, {})
                  .Outcome,
              TPortSearch::Await)
        << "a port with a serial number is not the device that has none";
    const TPortIdentity vendorBus{"VSERBUS\\VID_1234+PID_5678+A50285BI\\0000", Model};
    EXPECT_EQ(FindMovedDevice(7, vendorBus, {Port(9, "VSERBUS\\VID_1234+PID_5678+C0FFEE12\\0000", Model)}, {}).Outcome,
              TPortSearch::Await)
        << "on a bus whose ids are not known, only the same id counts";
    EXPECT_EQ(FindMovedDevice(7, vendorBus, {Port(9, vendorBus.Device, Model)}, {}).Port, 9);
}

// A Bluetooth device paired again: a new port, maybe a new id, the same
// address; another device's address is another device.
TEST(MovedDevice, ABluetoothDeviceIsFoundByItsAddress)
{
    const TPortIdentity stored{Paired, "BT_001A7DDA7113"};
    const std::string pairedAgain =
        "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&1F9F5C5E&0&001A7DDA7113_C00000001";
    const std::string another =
        "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&1F9F5C5E&0&001A7DDA7999_C00000000";
    const TPortSearchResult found = FindMovedDevice(
        4, stored, {Port(5, another, "BT_001A7DDA7999"), Port(6, pairedAgain, "BT_001A7DDA7113")}, {});
    EXPECT_EQ(found.Outcome, TPortSearch::Moved);
    EXPECT_EQ(found.Port, 6);
}

TEST(MovedDevice, SeveralCandidatesOrNoneChooseNothing)
{
    const TPortIdentity stored{AdapterInSocket(2), Model};
    const std::vector<TPortDevice> twins = {Port(9, AdapterInSocket(4), Model), Port(8, AdapterInSocket(3), "vid_1234&pid_5678")};
    TPortSearchResult found = FindMovedDevice(7, stored, twins, {});
    EXPECT_EQ(found.Outcome, TPortSearch::Ambiguous);
    EXPECT_EQ(found.Candidates, (Ports{8, 9}));

    // The same number listed twice (a stale entry beside the live one) is
    // one port.
    found = FindMovedDevice(7, stored, {Port(9, AdapterInSocket(4), stored.Model), Port(9, AdapterInSocket(5), stored.Model)}, {});
    EXPECT_EQ(found.Outcome, TPortSearch::Moved);
    EXPECT_EQ(found.Port, 9);

    EXPECT_EQ(FindMovedDevice(7, stored, {}, {}).Outcome, TPortSearch::Await);
    EXPECT_EQ(FindMovedDevice(7, stored, {Port(0, stored.Device, stored.Model)}, {}).Outcome, TPortSearch::Await)
        << "a port named \"COM\" alone is no port";
}

TEST(MovedDevice, WithoutTheNeedOrTheMeansTheNumberIsAwaited)
{
    const TPortIdentity stored{AdapterInSocket(2), Model};
    const std::vector<TPortDevice> elsewhere = {Port(9, stored.Device, stored.Model)};

    EXPECT_EQ(FindMovedDevice(7, TPortIdentity(), elsewhere, {}).Outcome, TPortSearch::Await)
        << "older settings without an identity behave as before";
    EXPECT_EQ(FindMovedDevice(0, stored, elsewhere, {}).Outcome, TPortSearch::Await) << "no port chosen";
    EXPECT_EQ(FindMovedDevice(7, stored, {Port(7, "USB\\Other\\1", ""), Port(9, stored.Device, stored.Model)}, {})
                  .Outcome,
              TPortSearch::Await)
        << "the number is there: it is opened as before, whoever is behind it";
    EXPECT_EQ(FindMovedDevice(7, {stored.Device, ""}, {Port(9, AdapterInSocket(4), stored.Model)}, {}).Outcome,
              TPortSearch::Await)
        << "no stored model: only the same instance id counts";
    EXPECT_EQ(FindMovedDevice(7, {"", stored.Model}, {Port(9, AdapterInSocket(4), stored.Model)}, {}).Outcome,
              TPortSearch::Await)
        << "a model alone tells nothing of how the device is named";
    EXPECT_EQ(FindMovedDevice(7, stored, {Port(9, "", stored.Model)}, {}).Outcome, TPortSearch::Await)
        << "nor does a port's model without its id";
}

// Adapters of the device's model seen beside it, or present when it went,
// are other devices for the rest of the session: noted once, never
// forgotten, and the device itself never among them.
TEST(MovedDevice, OtherDevicesAreGatheredAndNeverTakenForTheDevice)
{
    const TPortIdentity device{AdapterInSocket(1), Model};
    std::vector<std::string> others;
    AddOtherDevices(others, 7, device,
                     {Port(7, device.Device, Model), Port(8, AdapterInSocket(3), Model), Port(3, "ACPI\\PNP0501\\1", ""),
                      Port(5, "USB\\VID_2345&PID_6789\\5&1&0&5", "VID_2345&PID_6789")});
    EXPECT_EQ(others, std::vector<std::string>{AdapterInSocket(3)});

    AddOtherDevices(others, 7, device, {Port(7, device.Device, Model), Port(9, AdapterInSocket(4), Model)});
    EXPECT_EQ(others, (std::vector<std::string>{AdapterInSocket(3), AdapterInSocket(4)})) << "added to, not replaced";
    AddOtherDevices(others, 7, device, {Port(10, "usb\\vid_1234&pid_5678\\5&2a5c9b4&0&3", Model)});
    EXPECT_EQ(others.size(), 2u) << "an id known already is not added again";

    // The device pulled out: what is present then is not the device
    // coming back; a stale entry at its own number is the device itself.
    AddOtherDevices(others, 7, device, {Port(7, AdapterInSocket(6), Model), Port(11, device.Device, Model)});
    EXPECT_EQ(others, (std::vector<std::string>{AdapterInSocket(3), AdapterInSocket(4)}));

    EXPECT_EQ(FindMovedDevice(7, device, {Port(8, "usb\\vid_1234&pid_5678\\5&2a5c9b4&0&3", Model)}, others).Outcome,
              TPortSearch::Await)
        << "the second adapter is never taken for the pulled one";
    TPortSearchResult found =
        FindMovedDevice(7, device, {Port(8, AdapterInSocket(3), Model), Port(9, AdapterInSocket(4), Model), Port(12, AdapterInSocket(2), Model)},
                        others);
    EXPECT_EQ(found.Outcome, TPortSearch::Moved) << "the one not known to be another device";
    EXPECT_EQ(found.Port, 12);
    EXPECT_EQ(found.Candidates, Ports{12});

    others.push_back(device.Device);
    AddOtherDevices(others, 9, device, {});
    EXPECT_EQ(others, (std::vector<std::string>{AdapterInSocket(3), AdapterInSocket(4)})) << "the device is never another one";
    std::vector<std::string> untouched{AdapterInSocket(3)};
    AddOtherDevices(untouched, 7, {"", ""}, {Port(8, AdapterInSocket(4), Model)});
    EXPECT_EQ(untouched, std::vector<std::string>{AdapterInSocket(3)}) << "no model: nothing to compare";
}

TEST(PortListItems, PresentPortsWithNamesAndTheChoiceThatIsAway)
{
    const TPortTexts texts{"COM%d", "COM%d \x96 %s", "COM%d \x96 nicht angeschlossen"};
    const std::vector<TPortDevice> present = {Port(9, AdapterInSocket(1), Model, "USB Serial Adapter"),
                                              Port(3, "ACPI\\PNP0501\\1", ""), Port(0, "", ""),
                                              Port(9, "USB\\A\\9", "", "stale twin")};
    std::vector<std::string> shown;
    for (const TPortItem& item : PortListItems(true, present, {7, 7, 0}))
        shown.push_back(PortItemText(item, texts) + "=" + std::to_string(item.Port));
    EXPECT_EQ(shown, (std::vector<std::string>{"COM3=3", "COM7 \x96 nicht angeschlossen=7",
                                               "COM9 \x96 USB Serial Adapter=9"}));

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

// A port plugged in while the dialog is open comes first, marked.
TEST(PortListItems, APortThatAppearedMeanwhileComesFirstMarked)
{
    const TPortTexts texts{"COM%d", "COM%d \x96 %s", "COM%d \x96 nicht angeschlossen", " (neu)"};
    const std::vector<TPortDevice> before = {Port(3, "ACPI\\PNP0501\\1", ""), Port(4, "BTHENUM\\x", "")};
    std::vector<TPortDevice> now = before;
    now.push_back(Port(12, AdapterInSocket(1), Model, "USB Serial Port"));
    now.push_back(Port(9, AdapterInSocket(2), Model));
    const std::vector<int32_t> added = PortsNewSince(PortNumbers(before), now);
    EXPECT_EQ(added, (std::vector<int32_t>{12, 9}));
    std::vector<std::string> shown;
    for (const TPortItem& item : PortListItems(true, now, {7}, added))
        shown.push_back(PortItemText(item, texts));
    EXPECT_EQ(shown, (std::vector<std::string>{"COM9 (neu)", "COM12 \x96 USB Serial Port (neu)", "COM3", "COM4",
                                               "COM7 \x96 nicht angeschlossen"}));
    EXPECT_TRUE(PortsNewSince(PortNumbers(now), before).empty()) << "a port gone is not new";
}

TEST(PortListItems, TheConsoleLineNamesNumberDescriptionAndIdentity)
{
    const std::string format = "COM%d: %s (Ger\xe4t %s, Modell %s)";
    EXPECT_EQ(PortListingLine(Port(9, "USB\\VID_1234&PID_5678\\5&2", Model, "USB Serial Adapter"), format),
              "COM9: USB Serial Adapter (Ger\xe4t USB\\VID_1234&PID_5678\\5&2, Modell VID_1234&PID_5678)");
    EXPECT_EQ(PortListingLine(Port(1, "ACPI\\PNP0501\\1", ""), format), "COM1: - (Ger\xe4t ACPI\\PNP0501\\1, Modell -)");
}

} // namespace
