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
