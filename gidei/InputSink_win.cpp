#include "gidei/InputSink.h"

#include <windows.h>

namespace {

class TSendInputSink : public TInputSink {
public:
    unsigned SendKeyboard(const TKeyboardRecord& Record) override
    {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = Record.Vk;
        input.ki.wScan = Record.Scan;
        input.ki.dwFlags = Record.Flags;
        return SendInput(1, &input, sizeof input);
    }

    unsigned SendMouse(const TMouseRecord& Record) override
    {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = Record.Dx;
        input.mi.dy = Record.Dy;
        input.mi.dwFlags = Record.Flags;
        return SendInput(1, &input, sizeof input);
    }

    bool GetCursorPos(TPointObj& Point) override
    {
        POINT position;
        if (!::GetCursorPos(&position))
            return false;
        Point = {position.x, position.y};
        return true;
    }

    int32_t ScreenWidth() override { return GetSystemMetrics(SM_CXSCREEN); }
    int32_t ScreenHeight() override { return GetSystemMetrics(SM_CYSCREEN); }
    uint32_t LastError() override { return GetLastError(); }
};

} // namespace

TInputSink& SystemInputSink()
{
    static TSendInputSink sink;
    return sink;
}

void ReleaseInputStillDown()
{
    const struct {
        int Vk;
        DWORD Flags;
        DWORD Data;
    } buttons[] = {{VK_LBUTTON, MOUSEEVENTF_LEFTUP, 0},
                   {VK_RBUTTON, MOUSEEVENTF_RIGHTUP, 0},
                   {VK_MBUTTON, MOUSEEVENTF_MIDDLEUP, 0},
                   {VK_XBUTTON1, MOUSEEVENTF_XUP, XBUTTON1},
                   {VK_XBUTTON2, MOUSEEVENTF_XUP, XBUTTON2}};
    for (const auto& button : buttons) {
        if (!(GetAsyncKeyState(button.Vk) & 0x8000))
            continue;
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = button.Flags;
        input.mi.mouseData = button.Data;
        SendInput(1, &input, sizeof input);
    }
    for (int vk = VK_BACK; vk <= 0xFE; ++vk) { // the mouse buttons lie below
        if (!(GetAsyncKeyState(vk) & 0x8000))
            continue;
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(vk);
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
    }
}
