// One copy of the program per session, shared by the tray program and the
// console engine: two copies must never share the device.
#pragma once

#include <windows.h>

// The mutex both programs hold for their lifetime.
constexpr const char* InstanceMutexName = "Celeborn";

class TInstanceMutex {
public:
    // A mutex that exists but may not be opened is another user's copy in
    // this session (an administrator's, started with raised rights): it
    // runs all the same.
    TInstanceMutex()
        : FMutex(CreateMutexA(nullptr, FALSE, InstanceMutexName)), FFirst(FMutex && GetLastError() != ERROR_ALREADY_EXISTS)
    {
    }
    ~TInstanceMutex()
    {
        if (FMutex)
            CloseHandle(FMutex);
    }
    TInstanceMutex(const TInstanceMutex&) = delete;
    TInstanceMutex& operator=(const TInstanceMutex&) = delete;
    bool First() const { return FFirst; }

private:
    HANDLE FMutex;
    bool FFirst;
};
