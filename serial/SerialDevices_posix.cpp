#include "serial/SerialDevices.h"

#include <mutex>

namespace {
std::mutex DirectoryMutex;
std::string DeviceDirectory;
} // namespace

void SetSerialDeviceDirectory(const std::string& Directory)
{
    std::lock_guard<std::mutex> lock(DirectoryMutex);
    DeviceDirectory = Directory;
}

std::string SerialDevicePath(int Port)
{
    std::lock_guard<std::mutex> lock(DirectoryMutex);
    if (!DeviceDirectory.empty())
        return DeviceDirectory + "/com" + std::to_string(Port);
    return "/dev/ttyS" + std::to_string(Port - 1);
}
