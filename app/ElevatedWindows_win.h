// Where the device's input goes and whether that window runs with higher
// rights than the program (a higher integrity level, or a process whose
// token the program may not even read). Test builds put their own answer
// in place of the rights (Wine has no integrity levels).
#pragma once

#include "gidei/TargetCheck.h"

TTargetProbe& SystemTargetProbe();
void SetElevationCheck(bool (*Check)(uintptr_t Window));
