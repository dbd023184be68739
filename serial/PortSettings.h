// The rules of the port's settings: the rates a port may run at, and the
// bounds each setting is brought within before it is used.
#pragma once

#include "base/settings/SettingsRecords.h"

#include <array>
#include <cstdint>

// The selectable data rates, ascending.
inline constexpr std::array<int32_t, 13> BaudRates{110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400,
                                                   56000, 57600, 115200};

struct TPortBounds {
    int32_t Min;
    int32_t Max;
};
inline constexpr TPortBounds PortNumberBounds{0, 255};
inline constexpr TPortBounds RateBounds{110, 115200};
inline constexpr TPortBounds ByteSizeBounds{7, 8};
inline constexpr TPortBounds ParityBounds{0, 2};
inline constexpr TPortBounds StopBitsBounds{0, 2};
inline constexpr TPortBounds QueueSizeBounds{0, 9999};

// The rate of the table at or below Rate (the lowest one below it).
int32_t SnappedRate(int32_t Rate);
