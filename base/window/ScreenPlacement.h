// Where a window may stand: a stored position that lies on no monitor any
// more (a second screen removed) is moved onto the nearest one, so the
// window can always be seen, and a stored size fits a screen.
#pragma once

#include <cstdint>
#include <vector>

struct TScreenRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool operator==(const TScreenRect&) const = default;
};

struct TMonitorArea {
    TScreenRect Monitor; // the whole screen
    TScreenRect Work;    // without the taskbar
};

// The window's rectangle, unchanged when it overlaps a monitor; otherwise
// moved into the work area of the nearest monitor (its size kept, its
// top-left corner inside when it is larger than the area).
TScreenRect PlaceOnMonitors(const TScreenRect& Window, const std::vector<TMonitorArea>& Monitors);

// A window's place as the settings file keeps it: any user may have written
// any number there.
struct TStoredPlace {
    int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

// The window's rectangle for a stored place: its size kept between the
// smallest size and the largest work area, its corner near the monitors, so
// that no edge overflows; then placed by PlaceOnMonitors.
TScreenRect PlaceStored(const TStoredPlace& Place, int32_t MinWidth, int32_t MinHeight,
                        const std::vector<TMonitorArea>& Monitors);
