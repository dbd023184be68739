#include "gidei/InputSink.h"

int32_t MulDiv(int64_t A, int64_t B, int64_t C)
{
    if (C == 0)
        return -1;
    if (C < 0) {
        A = -A;
        C = -C;
    }
    const int64_t product = A * B;
    const int64_t result = (product >= 0 ? product + C / 2 : product - C / 2) / C;
    if (result > 2147483647 || result < -2147483647)
        return -1;
    return static_cast<int32_t>(result);
}

int32_t VirtualDeskCoordinate(int32_t Pixel, int32_t Origin, int32_t Extent)
{
    if (Extent <= 0)
        return 0;
    const int64_t offset = static_cast<int64_t>(Pixel) - Origin;
    if (offset <= 0)
        return 0;
    const int64_t coordinate = (offset * 65536 + Extent - 1) / Extent; // rounded up
    return static_cast<int32_t>(coordinate < 65535 ? coordinate : 65535);
}
