// On the host the present ports are the devices in the serial device folder
// ("comN"), or /dev/ttyS* without one.
#include "serial/EnumCOM.h"

#include "serial/SerialDevices.h"

#include <filesystem>

void GetInstalledPorts(TPortSet& Ports)
{
    Ports.Clear();
    std::error_code error;
    for (int port = 1; port <= 255; ++port)
        if (std::filesystem::exists(SerialDevicePath(port), error))
            Ports.Add(port);
}
