// On the host the present ports are the devices in the serial device folder
// ("comN"), or /dev/ttyS* without one. What a device list would say about a
// port stands beside it in "comN.device": its instance id, its model and its
// friendly name, one per line.
#include "serial/EnumCOM.h"

#include "serial/DeviceText.h"
#include "serial/SerialDevices.h"

#include <filesystem>
#include <fstream>

bool GetInstalledPorts(std::vector<TPortDevice>& Ports)
{
    Ports.clear();
    std::error_code error;
    for (int port = 1; port <= 255; ++port) {
        const std::string path = SerialDevicePath(port);
        if (!std::filesystem::exists(path, error))
            continue;
        TPortDevice device;
        device.Number = port;
        std::ifstream about(path + ".device");
        std::string instance, model, name;
        std::getline(about, instance);
        std::getline(about, model);
        std::getline(about, name);
        device.Identity.Device = CleanDeviceText(instance, MaxDeviceIdLength);
        device.Identity.Model = CleanDeviceText(model, MaxDeviceIdLength);
        device.Description = PortDescription(name);
        Ports.push_back(device);
    }
    return true;
}
