#include "base/MessageWindow_win.h"

TMessageWindow::TMessageWindow(const char* ClassName)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = ClassName;
    RegisterClassA(&windowClass);
    FWindow = CreateWindowA(ClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    // The object is found only from here on: while the window is being
    // created, the derived object does not exist yet, and the creation
    // messages take their default handling.
    if (FWindow)
        SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TMessageWindow::~TMessageWindow()
{
    if (FWindow) {
        SetWindowLongPtrA(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
    }
}

LRESULT CALLBACK TMessageWindow::WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    auto* self = reinterpret_cast<TMessageWindow*>(GetWindowLongPtrA(Window, GWLP_USERDATA));
    LRESULT result = 0;
    if (self && self->HandleMessage(Msg, WParam, LParam, result))
        return result;
    return DefWindowProcA(Window, Msg, WParam, LParam);
}
