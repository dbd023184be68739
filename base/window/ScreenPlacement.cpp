#include "base/window/ScreenPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

bool Overlap(const TScreenRect& A, const TScreenRect& B)
{
    return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
}

// Squared distance between the two rectangles (0 when they touch).
int64_t Distance(const TScreenRect& A, const TScreenRect& B)
{
    const int64_t dx = std::max<int64_t>({0, int64_t(B.Left) - A.Right, int64_t(A.Left) - B.Right});
    const int64_t dy = std::max<int64_t>({0, int64_t(B.Top) - A.Bottom, int64_t(A.Top) - B.Bottom});
    return dx * dx + dy * dy;
}

int32_t MoveInside(int32_t Start, int32_t Size, int32_t AreaStart, int32_t AreaEnd)
{
    return std::max(AreaStart, std::min(Start, AreaEnd - Size));
}

int32_t Bound(int64_t Value, int64_t Low, int64_t High)
{
    return static_cast<int32_t>(std::max(Low, std::min(Value, High)));
}

// The box around every monitor; without monitors, what window coordinates
// can be.
TScreenRect Desktop(const std::vector<TMonitorArea>& Monitors)
{
    if (Monitors.empty())
        return {INT16_MIN, INT16_MIN, INT16_MAX, INT16_MAX};
    TScreenRect box = Monitors.front().Monitor;
    for (const TMonitorArea& monitor : Monitors) {
        box.Left = std::min(box.Left, monitor.Monitor.Left);
        box.Top = std::min(box.Top, monitor.Monitor.Top);
        box.Right = std::max(box.Right, monitor.Monitor.Right);
        box.Bottom = std::max(box.Bottom, monitor.Monitor.Bottom);
    }
    return box;
}

} // namespace

TScreenRect PlaceOnMonitors(const TScreenRect& Window, const std::vector<TMonitorArea>& Monitors)
{
    if (Monitors.empty())
        return Window;
    const TMonitorArea* nearest = &Monitors.front();
    int64_t best = std::numeric_limits<int64_t>::max();
    for (const TMonitorArea& monitor : Monitors) {
        if (Overlap(Window, monitor.Monitor))
            return Window;
        const int64_t distance = Distance(Window, monitor.Monitor);
        if (distance < best) {
            best = distance;
            nearest = &monitor;
        }
    }
    const TScreenRect& area = nearest->Work;
    TScreenRect placed;
    placed.Left = MoveInside(Window.Left, Window.Width(), area.Left, area.Right);
    placed.Top = MoveInside(Window.Top, Window.Height(), area.Top, area.Bottom);
    placed.Right = placed.Left + Window.Width();
    placed.Bottom = placed.Top + Window.Height();
    return placed;
}

TScreenRect PlaceStored(const TStoredPlace& Place, int32_t MinWidth, int32_t MinHeight,
                        const std::vector<TMonitorArea>& Monitors)
{
    const TScreenRect desktop = Desktop(Monitors);
    int32_t maxWidth = Monitors.empty() ? desktop.Width() : 0;
    int32_t maxHeight = Monitors.empty() ? desktop.Height() : 0;
    for (const TMonitorArea& monitor : Monitors) {
        maxWidth = std::max(maxWidth, monitor.Work.Width());
        maxHeight = std::max(maxHeight, monitor.Work.Height());
    }
    const int32_t width = Bound(Place.Width, MinWidth, std::max(MinWidth, maxWidth));
    const int32_t height = Bound(Place.Height, MinHeight, std::max(MinHeight, maxHeight));
    // At most just beside the monitors: such a place is still moved onto
    // the nearest one.
    const int32_t left = Bound(Place.Left, int64_t(desktop.Left) - width, desktop.Right);
    const int32_t top = Bound(Place.Top, int64_t(desktop.Top) - height, desktop.Bottom);
    return PlaceOnMonitors({left, top, left + width, top + height}, Monitors);
}
