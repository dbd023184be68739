// Watches the desktop for the end-to-end tests: a focused window of its own
// to receive keystrokes, whose edit (control id 100) collects the characters
// that arrive (read with WM_GETTEXT), and low-level keyboard and mouse hooks
// that print every injected record as a line:
//   key <vk> <scan> down|up     (hex; Unicode characters come as vk E7)
//   move <x> <y>                (screen position after the move)
//   left down, left up, right down, right up
// "ready" comes first, once the hooks are in place. The observer ends when
// its standard input closes.
#include "tests/support/TestSupport_win.h"

#include <windows.h>

#include <cstdio>

namespace {

DWORD MainThread = 0;
constexpr int TypedTextId = 100;

// Like any program with a text field, the window hands the keyboard focus
// to it whenever it gets the focus back.
LRESULT CALLBACK ObserverWindow(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_SETFOCUS) {
        SetFocus(GetDlgItem(Window, TypedTextId));
        return 0;
    }
    return DefWindowProcA(Window, Msg, WParam, LParam);
}

void Print(const char* Line)
{
    std::printf("%s\n", Line);
    std::fflush(stdout);
}

LRESULT CALLBACK KeyboardHook(int Code, WPARAM WParam, LPARAM LParam)
{
    if (Code == HC_ACTION) {
        const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(LParam);
        if (info->flags & LLKHF_INJECTED)
            Print(KeyboardHookText(WParam, *info).c_str());
    }
    return CallNextHookEx(nullptr, Code, WParam, LParam);
}

LRESULT CALLBACK MouseHook(int Code, WPARAM WParam, LPARAM LParam)
{
    if (Code == HC_ACTION) {
        const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(LParam);
        if (info->flags & LLMHF_INJECTED)
            Print(MouseHookText(WParam, *info).c_str());
    }
    return CallNextHookEx(nullptr, Code, WParam, LParam);
}

DWORD WINAPI WatchInput(void*)
{
    char buffer[64];
    DWORD count = 0;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(input, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    }
    PostThreadMessageA(MainThread, WM_QUIT, 0, 0);
    return 0;
}

} // namespace

int main()
{
    MainThread = GetCurrentThreadId();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ObserverWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VemuObserver";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("VemuObserver", "Observer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 300, 200,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
    CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 260, 24, window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(TypedTextId)), windowClass.hInstance, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    HHOOK keyboard = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHook, windowClass.hInstance, 0);
    HHOOK mouse = SetWindowsHookExA(WH_MOUSE_LL, MouseHook, windowClass.hInstance, 0);
    if (!window || !keyboard || !mouse) {
        Print("failed");
        return 1;
    }
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    HANDLE watcher = CreateThread(nullptr, 0, WatchInput, nullptr, 0, nullptr);
    Print("ready");
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    UnhookWindowsHookEx(keyboard);
    UnhookWindowsHookEx(mouse);
    DestroyWindow(window);
    WaitForSingleObject(watcher, 1000);
    CloseHandle(watcher);
    return 0;
}
