#include "serial/EnumCOM.h"

void TPortSet::Add(int Port)
{
    if (Port >= 0 && Port <= 255)
        FBits[static_cast<size_t>(Port) / 8] |= static_cast<uint8_t>(1u << (Port % 8));
}

bool TPortSet::Contains(int Port) const
{
    return Port >= 0 && Port <= 255 && (FBits[static_cast<size_t>(Port) / 8] >> (Port % 8)) & 1u;
}

bool TPortSet::Empty() const
{
    for (uint8_t byte : FBits)
        if (byte)
            return false;
    return true;
}

bool PortNumberFromName(const std::string& Name, int& Number)
{
    if (Name.size() < 2 || (Name[0] != 'C' && Name[0] != 'c') || (Name[1] != 'O' && Name[1] != 'o'))
        return false;
    // The third character (normally 'M') is not examined.
    const std::string digits = Name.size() > 3 ? Name.substr(3) : std::string();
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > 255)
            return false;
    }
    Number = value;
    return true;
}
