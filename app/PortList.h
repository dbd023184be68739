// What the user sees of the serial ports: the configuration dialog's port
// list, which follows the ports present, and the console's port listing.
#pragma once

#include "serial/PortIdentity.h"

#include <cstdint>
#include <string>
#include <vector>

struct TPortItem {
    int32_t Port = 0;
    bool Present = true;
    std::string Description; // empty: the number alone
    bool New = false;        // appeared while the dialog is open
};

// Without the port check every number 1..255, plain. Otherwise the present
// ports (each number once; 0 never), and the ports in Kept (the chosen one,
// the user's selection) that are absent, marked so that the choice is not
// lost; ascending, except that present ports in New come first, marked:
// plugging the adapter in is the surest way to tell which entry it is.
std::vector<TPortItem> PortListItems(bool CheckPort, const std::vector<TPortDevice>& Present,
                                     const std::vector<int32_t>& Kept, const std::vector<int32_t>& New = {});

// The present ports whose numbers Before does not hold.
std::vector<int32_t> PortsNewSince(const std::vector<int32_t>& Before, const std::vector<TPortDevice>& Present);
std::vector<int32_t> PortNumbers(const std::vector<TPortDevice>& Present);

// The item texts (from the string table): Plain with %d, Described with %d
// and %s, Absent with %d; NewMark follows a new port's text.
struct TPortTexts {
    std::string Plain;
    std::string Described;
    std::string Absent;
    std::string NewMark;
};
std::string PortItemText(const TPortItem& Item, const TPortTexts& Texts);

// The console's line for a present port: Format holds %d (the number) and
// three %s (description, instance id, model); a missing part shows as "-".
std::string PortListingLine(const TPortDevice& Device, const std::string& Format);
