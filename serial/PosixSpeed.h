// The termios speed of a data rate on a POSIX serial device; B0 for the
// rates POSIX has no constant for (14400, 56000).
#pragma once

#include <cstdint>
#include <termios.h>

inline speed_t PosixSpeed(int32_t Rate)
{
    switch (Rate) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}
