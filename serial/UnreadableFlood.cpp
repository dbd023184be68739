#include "serial/UnreadableFlood.h"

#include <bit>

bool ExpectedByte(unsigned char Byte)
{
    if ((Byte >= 0x20 && Byte <= 0x7E) || Byte == '\r' || Byte == '\n' || Byte == '\t' || Byte == 0x1B)
        return true;
    switch (Byte) {
    case 0xE4: // ä
    case 0xF6: // ö
    case 0xFC: // ü
    case 0xC4: // Ä
    case 0xD6: // Ö
    case 0xDC: // Ü
    case 0xDF: // ß
        return true;
    default:
        return false;
    }
}

bool TUnreadableFlood::Push(bool Unexpected)
{
    if (FTold)
        return false;
    FHistory = (FHistory << 1) | (Unexpected ? 1u : 0u);
    FTold = static_cast<unsigned>(std::popcount(FHistory)) >= Threshold;
    return FTold;
}

bool TUnreadableFlood::Add(const char* Bytes, size_t Count)
{
    for (size_t i = 0; i < Count; ++i)
        if (Push(!ExpectedByte(static_cast<unsigned char>(Bytes[i]))))
            return true;
    return false;
}

bool TUnreadableFlood::AddLineError()
{
    for (unsigned i = 0; i < LineErrorWeight; ++i)
        if (Push(true))
            return true;
    return false;
}
