// What a low-level hook saw, as the one-line texts the input tests compare:
//   key <vk> <scan> down|up     (hex; Unicode characters come as vk E7)
//   move <x> <y>, left down, left up, right down, right up
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

inline std::string KeyboardHookText(WPARAM Message, const KBDLLHOOKSTRUCT& Info)
{
    // The message tells key-up; Wine leaves LLKHF_UP off for Unicode records.
    const bool up = Message == WM_KEYUP || Message == WM_SYSKEYUP;
    char text[64];
    std::snprintf(text, sizeof text, "key %02lX %02lX %s", Info.vkCode, Info.scanCode, up ? "up" : "down");
    return text;
}

inline std::string MouseHookText(WPARAM Message, const MSLLHOOKSTRUCT& Info)
{
    char text[64];
    switch (Message) {
    case WM_MOUSEMOVE: std::snprintf(text, sizeof text, "move %ld %ld", Info.pt.x, Info.pt.y); break;
    case WM_LBUTTONDOWN: return "left down";
    case WM_LBUTTONUP: return "left up";
    case WM_RBUTTONDOWN: return "right down";
    case WM_RBUTTONUP: return "right up";
    default: std::snprintf(text, sizeof text, "mouse %04X", static_cast<unsigned>(Message)); break;
    }
    return text;
}
