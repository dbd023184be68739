// The event selection dialog's check list and the log mask: item i stands
// for event kind i + 1.
#pragma once

#include <cstdint>
#include <vector>

// Ticks the items of the kinds set in Mask; items are never unticked.
void TickFromMask(uint32_t Mask, std::vector<bool>& Ticks);
// The mask of the ticked kinds (bits 0 and 30 are the loggers' business).
uint32_t MaskFromTicks(const std::vector<bool>& Ticks);
