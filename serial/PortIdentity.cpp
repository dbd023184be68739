#include "serial/PortIdentity.h"

#include "base/system/Text.h"

#include <algorithm>
#include <cctype>

namespace {

// Device ids and models are compared as Windows compares them: without
// regard to case.
bool SameText(const std::string& A, const std::string& B)
{
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return AsciiUpper(X) == AsciiUpper(Y);
           });
}

bool AllHex(const std::string& Text)
{
    return std::all_of(Text.begin(), Text.end(), [](char C) { return std::isxdigit(static_cast<unsigned char>(C)); });
}

// Whether Ids holds Id, compared as device ids are.
bool ListsId(const std::vector<std::string>& Ids, const std::string& Id)
{
    return std::any_of(Ids.begin(), Ids.end(), [&](const std::string& Listed) { return SameText(Listed, Id); });
}

// "VID_xxxx", "&" or "+", "PID_xxxx" somewhere in Text.
std::string VendorAndProduct(const std::string& Text)
{
    static const size_t Length = sizeof "VID_xxxx&PID_xxxx" - 1;
    const std::string upper = AsciiUpper(Text);
    for (size_t at = upper.find("VID_"); at != std::string::npos; at = upper.find("VID_", at + 1)) {
        if (at + Length > upper.size())
            break;
        const std::string vendor = upper.substr(at + 4, 4);
        const std::string product = upper.substr(at + 13, 4);
        const char separator = upper[at + 8];
        const bool ends = at + Length == upper.size() || !std::isalnum(static_cast<unsigned char>(upper[at + Length]));
        if (AllHex(vendor) && (separator == '&' || separator == '+') && upper.compare(at + 9, 4, "PID_") == 0 &&
            AllHex(product) && ends)
            return "VID_" + vendor + "&PID_" + product;
    }
    return std::string();
}

// A Bluetooth serial port's instance id ends in "...&<12 hex digits>_<more>":
// the remote device's address (all zeros for a port that waits for calls).
std::string BluetoothAddress(const std::string& InstanceId)
{
    if (!SameText(InstanceId.substr(0, 8), "BTHENUM\\"))
        return std::string();
    std::string last = InstanceId.substr(InstanceId.rfind('\\') + 1); // after "BTHENUM\" at least
    const size_t lastPart = last.rfind('&');
    if (lastPart != std::string::npos)
        last.erase(0, lastPart + 1);
    const std::string address = last.substr(0, last.find('_'));
    if (address.size() != 12 || !AllHex(address) || address == "000000000000")
        return std::string();
    return "BT_" + AsciiUpper(address);
}

// The parts of an instance id between its backslashes: the bus, the device
// on it, the instance.
std::vector<std::string> IdParts(const std::string& InstanceId)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end = InstanceId.find('\\'); end != std::string::npos; end = InstanceId.find('\\', start)) {
        parts.push_back(InstanceId.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(InstanceId.substr(start));
    return parts;
}

// A USB id's instance part, empty for other ids.
std::string UsbInstance(const std::string& InstanceId)
{
    const std::vector<std::string> parts = IdParts(InstanceId);
    return parts.size() == 3 && SameText(parts[0], "USB") ? parts[2] : std::string();
}

} // namespace

std::string DeviceModel(const std::vector<std::string>& HardwareIds, const std::string& InstanceId)
{
    for (const std::string& id : HardwareIds) {
        std::string model = VendorAndProduct(id);
        if (!model.empty())
            return model;
    }
    std::string model = VendorAndProduct(InstanceId);
    return model.empty() ? BluetoothAddress(InstanceId) : model;
}

const TPortDevice* DeviceAt(int Port, const std::vector<TPortDevice>& Present)
{
    for (const TPortDevice& device : Present)
        if (Port > 0 && device.Number == Port)
            return &device;
    return nullptr;
}

bool CarriesSerialNumber(const std::string& InstanceId)
{
    const std::string instance = UsbInstance(InstanceId);
    return !instance.empty() && instance.find('&') == std::string::npos;
}

bool ModelMayStandForDevice(const TPortIdentity& Identity)
{
    if (Identity.Model.empty() || Identity.Device.empty())
        return false;
    // A Bluetooth port's model is the address in its own instance id: the
    // remote device, whatever port Windows gave it after pairing again.
    const std::string address = BluetoothAddress(Identity.Device);
    if (!address.empty())
        return SameText(address, Identity.Model);
    // A USB id made from the socket; one made from the device's serial
    // number stays the same in every socket.
    return !UsbInstance(Identity.Device).empty() && !CarriesSerialNumber(Identity.Device);
}

TPortSearchResult FindMovedDevice(int StoredPort, const TPortIdentity& Stored, const std::vector<TPortDevice>& Present,
                                  const std::vector<std::string>& OtherDevices)
{
    TPortSearchResult result;
    if (StoredPort <= 0 || Stored.Empty() || DeviceAt(StoredPort, Present))
        return result;

    auto portsWhere = [&](auto Fits) {
        std::vector<int> ports;
        for (const TPortDevice& device : Present)
            if (device.Number > 0 && Fits(device) &&
                std::find(ports.begin(), ports.end(), device.Number) == ports.end())
                ports.push_back(device.Number);
        std::sort(ports.begin(), ports.end());
        return ports;
    };

    if (!Stored.Device.empty())
        result.Candidates = portsWhere([&](const TPortDevice& D) { return SameText(D.Identity.Device, Stored.Device); });
    if (result.Candidates.empty() && ModelMayStandForDevice(Stored))
        result.Candidates = portsWhere([&](const TPortDevice& D) {
            return SameText(D.Identity.Model, Stored.Model) && ModelMayStandForDevice(D.Identity) &&
                   !ListsId(OtherDevices, D.Identity.Device);
        });
    if (result.Candidates.size() == 1) {
        result.Outcome = TPortSearch::Moved;
        result.Port = result.Candidates.front();
    } else if (result.Candidates.size() > 1) {
        result.Outcome = TPortSearch::Ambiguous;
    }
    return result;
}

void AddOtherDevices(std::vector<std::string>& OtherDevices, int Port, const TPortIdentity& Device,
                      const std::vector<TPortDevice>& Present)
{
    // The device itself is never another one, whatever was thought before.
    if (!Device.Device.empty())
        std::erase_if(OtherDevices, [&](const std::string& Other) { return SameText(Other, Device.Device); });
    if (Device.Model.empty())
        return;
    for (const TPortDevice& present : Present)
        if (present.Number != Port && !present.Identity.Device.empty() &&
            SameText(present.Identity.Model, Device.Model) && !SameText(present.Identity.Device, Device.Device) &&
            !ListsId(OtherDevices, present.Identity.Device))
            OtherDevices.push_back(present.Identity.Device);
}
