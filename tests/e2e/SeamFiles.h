// What the test builds' seams share: files the tests write to tell a seam
// what the system would say, and a timer that stands for the session's
// desktop-switch event (Wine has none).
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// The file's first character, or 0 when there is no file (the file is
// read each time: the test changes it while the program runs).
inline int FirstCharacter(const std::wstring& Path)
{
    FILE* file = _wfopen(Path.c_str(), L"r");
    if (!file)
        return 0;
    const int first = std::fgetc(file);
    std::fclose(file);
    return first;
}

inline int FirstCharacter(const char* Path)
{
    const std::string path(Path ? Path : "");
    return FirstCharacter(std::wstring(path.begin(), path.end()));
}

// Set every 100 ms, after which the seams look again whether the test has
// switched the desktop.
inline HANDLE SwitchTicks()
{
    HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    LARGE_INTEGER due{};
    due.QuadPart = -1000000; // 100 ms
    if (timer)
        SetWaitableTimer(timer, &due, 100, nullptr, nullptr, FALSE);
    return timer;
}
