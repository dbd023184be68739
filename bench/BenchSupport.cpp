#include "bench/BenchSupport.h"

#include <cstdio>
#include <unistd.h>

std::string RealisticStream()
{
    const std::string esc = "\x1b";
    std::string stream;
    stream += "Gr\xfc\xdf" "e aus Wien, liebe Gr\xfc\xdf" "e an alle! ";
    stream += esc + ",hold,shift.m" + "it freundlichen Gr\xfc\xdf" "en";
    stream += esc + "enter." + esc + "enter.";
    stream += esc + ",combine,ctrl,c." + esc + ",combine,ctrl,v.";
    stream += esc + ",move,5,-3." + esc + ",move,-12,40." + esc + ",goto,960,540.";
    stream += esc + ",click." + esc + ",dblclick,left." + esc + ",click,right.";
    stream += "Stra\xdf" "e " + esc + "adieresis." + esc + "odieresis." + esc + "udieresis.";
    stream += esc + ",lock,shift.abc" + esc + ",rel.";
    stream += esc + ",anchor,a." + esc + ",goto,a." + esc + ",ascii,228.";
    stream += esc + "pgdn." + esc + "left." + esc + "backspace." + esc + "tab.";
    stream += esc + ",combine,altgr,q." + esc + ",mougo,downright,3." + esc + ",moustop.";
    stream += "Die Tastatur ist f\xfc" "r alle da. 0123456789 ";
    while (stream.size() < 1024)
        stream += "text ";
    return stream;
}

long ResidentKilobytes()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
