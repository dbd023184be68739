// The ports a search listens on, opened by the system: with the framing of
// the port's settings, DTR and RTS off, nothing sent.
#pragma once

#include "base/settings/SettingsRecords.h"
#include "serial/COMObjct.h"
#include "serial/SerialSearch.h"

#include <cstdint>
#include <vector>

class TEvent;

// Opens each of Numbers at the first rate of the search's order. A port
// that is in use, gone, or whose opening has not ended after WaitMs (an
// outgoing Bluetooth port to a device that is off) is passed over; so is
// every port still opening when Stop is set.
std::vector<TSearchPort> OpenSearchPorts(const std::vector<int32_t>& Numbers, const TPortSettings& Framing,
                                         uint32_t WaitMs, TEvent& Stop);

// The search's view of a port the search opened; it closes the port.
std::unique_ptr<TSearchLine> SearchLineOn(TPortHandle Handle, const TPortSettings& Framing);
