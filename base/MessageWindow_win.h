// A hidden message-only window whose messages go to a C++ object: the one
// window procedure finds the object through GWLP_USERDATA.
#pragma once

#include <windows.h>

class TMessageWindow {
public:
    explicit TMessageWindow(const char* ClassName);
    virtual ~TMessageWindow();
    TMessageWindow(const TMessageWindow&) = delete;
    TMessageWindow& operator=(const TMessageWindow&) = delete;

    HWND Handle() const { return FWindow; }

protected:
    // Returns true when the message was handled, with its result.
    virtual bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
    HWND FWindow = nullptr;
};
