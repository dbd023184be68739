// Which ports may carry input onto the secure desktop: only a port whose
// device sits on a hardware bus. A software port (a virtual pair, whose
// other end any program can write) or one with no device node at all could
// let a program of a normal user answer an administrator's question.
#pragma once

#include <string>

// Whether the device instance id ("USB\VID_...\...") starts with one of the
// enumerators of hardware buses; anything else, an empty id among them, is
// refused.
bool OnHardwareBus(const std::string& InstanceId);
