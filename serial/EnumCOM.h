// The COM ports present on the machine, with what the system's device list
// says about each: the configuration offers them by name, and the receiver
// finds its device again when it comes back under another number.
#pragma once

#include "serial/PortIdentity.h"

#include <string>
#include <vector>

// Fills Ports (cleared first) with the present ports of the device class
// "Ports", at most one device examined per index 0..255, in the order the
// system lists them. Descriptions and identities are bounded and cleaned.
// False when the system could not be asked (the device-setup libraries or
// their functions missing, the device list refused): Ports is empty then,
// as it is when no port was found.
bool GetInstalledPorts(std::vector<TPortDevice>& Ports);

// The number in a device's port name: names starting with "CO" (any case)
// whose text after the first three characters is a decimal number 0..255.
// "COM12" gives 12, "com3" 3, "COM" 0; "LPT1", "COM3A" and "COM300" none.
bool PortNumberFromName(const std::string& Name, int& Number);
