// Who is behind a COM port number: the device's identity as the system's
// device list gives it, and the rules that find a device that came back
// under another number (a USB-serial adapter in another socket, a Bluetooth
// device paired again). The device list's texts are cleaned in
// DeviceText.h.
//
// A stored identity comes from the settings file, which every user may
// write: it is only ever compared with what the system reports, never used
// to name or open anything.
#pragma once

#include <string>
#include <vector>

struct TPortIdentity {
    // The device instance id ("USB\VID_1234&PID_5678\5&2A5C9B4&0&2"): a
    // USB device with a serial number keeps it in every socket, one without
    // gets a new one in each.
    std::string Device;
    // What stays the same in every socket: vendor and product
    // ("VID_1234&PID_5678"), or a Bluetooth device's address
    // ("BT_001A7DDA7113"); empty when the system tells neither.
    std::string Model;

    bool Empty() const { return Device.empty() && Model.empty(); }
    bool operator==(const TPortIdentity&) const = default;
};

// One present port as the system lists it.
struct TPortDevice {
    int Number = 0;
    std::string Description; // the device's name without "(COMn)"; may be empty
    TPortIdentity Identity;
};

// The model part of a device's identity: "VID_xxxx&PID_xxxx" from its
// hardware ids or its instance id (some drivers use "+" separators), else for a
// Bluetooth device ("BTHENUM\...") "BT_" and its address; empty otherwise.
std::string DeviceModel(const std::vector<std::string>& HardwareIds, const std::string& InstanceId);

// Where the device of a port is now.
enum class TPortSearch {
    Await,     // wait for the stored number, as without an identity
    Moved,     // exactly one present port is the device: open that one
    Ambiguous, // several present ports may be it: choose none of them
};

struct TPortSearchResult {
    TPortSearch Outcome = TPortSearch::Await;
    int Port = 0;                // the port to open when Moved
    std::vector<int> Candidates; // the ports that fit, ascending (Moved, Ambiguous)
};

// Whether the instance id is made from the device's own serial number: a USB
// id whose last part holds no '&' ("USB\VID_1234&PID_5678\A1B2C3D4"). Windows
// keeps such an id in every socket, so another id is another device. Without
// a serial number the id is made from the socket ("...\5&2A5C9B4&0&2").
bool CarriesSerialNumber(const std::string& InstanceId);

// Whether a port of the same model may be taken for the device once its
// instance id is nowhere listed: for a USB device whose id is made from the
// socket, and for a Bluetooth device, whose model is its own address. Not
// for a device with a serial number (another id is another device), nor on
// buses whose ids tell nothing certain, nor without an instance id.
bool ModelMayStandForDevice(const TPortIdentity& Identity);

// The stored port is gone from where it was. When the system lists the
// stored number, or the stored identity is empty (older settings files),
// the port is awaited at its number. Otherwise the device is the one present
// port with the same instance id, or else, where the model may stand for the
// device (ModelMayStandForDevice, for the stored identity and the port's
// own), the one with the same model that is not known to be another device
// (OtherDevices: instance ids). Several candidates: none is chosen.
TPortSearchResult FindMovedDevice(int StoredPort, const TPortIdentity& Stored, const std::vector<TPortDevice>& Present,
                                  const std::vector<std::string>& OtherDevices);

// Adds to OtherDevices the instance ids of the present ports of the device's
// model that are not the device itself (neither at its number Port nor with
// its instance id): seen at the same time as the device, or while it was
// away, they are other devices. Ids known already are not added again; the
// device's own id, should it be there, is taken off: the device is never
// another one.
void AddOtherDevices(std::vector<std::string>& OtherDevices, int Port, const TPortIdentity& Device,
                      const std::vector<TPortDevice>& Present);

// The present device at Port, or null.
const TPortDevice* DeviceAt(int Port, const std::vector<TPortDevice>& Present);
