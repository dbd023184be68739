#include "logging/EventMask.h"

#include <cstddef>

void TickFromMask(uint32_t Mask, std::vector<bool>& Ticks)
{
    for (size_t item = 0; item < Ticks.size() && item + 1 < 32; ++item)
        if ((Mask >> (item + 1)) & 1u)
            Ticks[item] = true;
}

uint32_t MaskFromTicks(const std::vector<bool>& Ticks)
{
    uint32_t mask = 0;
    for (size_t item = 0; item < Ticks.size(); ++item)
        if (Ticks[item] && item + 1 < 32)
            mask |= 1u << (item + 1);
    return mask;
}
