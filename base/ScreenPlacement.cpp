#include "base/ScreenPlacement.h"

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
