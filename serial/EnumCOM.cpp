#include "serial/EnumCOM.h"

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
