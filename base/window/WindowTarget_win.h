// A window handle that messages are posted to.
#pragma once

#include "base/window/Messages.h"

#include <windows.h>

class TWindowTarget : public TMessageTarget {
public:
    explicit TWindowTarget(HWND Window) : FWindow(Window) {}
    void Post(uint32_t Msg, uintptr_t WParam, intptr_t LParam) override
    {
        PostMessageA(FWindow, Msg, static_cast<WPARAM>(WParam), static_cast<LPARAM>(LParam));
    }

private:
    HWND FWindow;
};
