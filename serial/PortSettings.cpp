#include "serial/PortSettings.h"

int32_t SnappedRate(int32_t Rate)
{
    int32_t snapped = BaudRates[0];
    for (int32_t rate : BaudRates)
        if (rate <= Rate)
            snapped = rate;
    return snapped;
}
