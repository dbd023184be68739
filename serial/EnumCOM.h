// The numbers of the COM ports present on the machine, so that the
// configuration offers only those.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Port numbers 0..255, one bit each.
class TPortSet {
public:
    void Clear() { FBits.fill(0); }
    void Add(int Port);
    bool Contains(int Port) const;
    bool Empty() const;

private:
    std::array<uint8_t, 32> FBits{};
};

// Fills Ports; never fails (an empty set: nothing found, or no way to ask).
void GetInstalledPorts(TPortSet& Ports);

// The number in a device's port name: names starting with "CO" (any case)
// whose text after the first three characters is a decimal number 0..255.
// "COM12" gives 12, "com3" 3, "COM" 0; "LPT1", "COM3A" and "COM300" none.
bool PortNumberFromName(const std::string& Name, int& Number);
