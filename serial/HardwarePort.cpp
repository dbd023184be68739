#include "serial/HardwarePort.h"

#include "base/system/Numbers.h"

#include <array>

namespace {

// The buses whose ports are a device plugged into the computer.
constexpr std::array<const char*, 6> HardwareEnumerators{"USB", "FTDIBUS", "BTHENUM", "ACPI", "PCI", "PCMCIA"};

} // namespace

bool OnHardwareBus(const std::string& InstanceId)
{
    const size_t end = InstanceId.find('\\');
    // An enumerator alone names no device.
    if (end == std::string::npos || end + 1 >= InstanceId.size())
        return false;
    const std::string enumerator = InstanceId.substr(0, end);
    for (const char* known : HardwareEnumerators)
        if (SameNoCase(enumerator, known))
            return true;
    return false;
}
