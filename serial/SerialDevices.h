// Where the host build finds COM port N: "comN" in a folder of serial
// devices (tests link ptys there), or /dev/ttyS(N-1).
#pragma once

#include <string>

void SetSerialDeviceDirectory(const std::string& Directory);
std::string SerialDevicePath(int Port);
