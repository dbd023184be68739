// What the Windows test programs (the tests under Wine, the observer, the UI
// driver, the rights helper's seams) share: the texts of what low-level hooks
// saw, the open popup menu, and UTF-8 output. The portable helpers are in
// TestSupport.h.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// What a low-level hook saw, as the one-line texts the input tests compare:
//   key <vk> <scan> down|up     (hex; Unicode characters come as vk E7)
//   move <x> <y>, left down, left up, right down, right up

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

// The popup menu open on the desktop, waited for up to TimeoutMs; null when
// none opens.
inline HWND AwaitOpenMenu(DWORD TimeoutMs = 6000)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HWND menu = FindWindowA("#32768", nullptr);
        if (menu && IsWindowVisible(menu))
            return menu;
        if (GetTickCount() - start >= TimeoutMs)
            return nullptr;
        Sleep(20);
    }
}

// Text as UTF-8, for output that the tests read.
inline std::string Utf8(const std::wstring& Text)
{
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), result.data(), length, nullptr,
                        nullptr);
    return result;
}
