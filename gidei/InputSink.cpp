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
