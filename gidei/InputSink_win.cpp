#include "gidei/InputSink.h"

#include <windows.h>

#include <atomic>
#include <iterator>

namespace {

// What this process put down and has not released yet, for the last resort:
// the system's own key state may have been reset behind the program's back
// (a display server that syncs its keyboard), but a key the program pressed
// must still go up.
std::atomic<bool> KeysPutDown[256];

struct TButton {
    int Vk;
    DWORD Down;
    DWORD Up;
    DWORD Data;
};
// The buttons the typer presses, each tracked as it goes down and up.
const TButton Buttons[] = {{VK_LBUTTON, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0},
                           {VK_RBUTTON, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 0},
                           {VK_MBUTTON, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0}};
std::atomic<bool> ButtonsPutDown[std::size(Buttons)];
// A mouse's extra buttons, which the typer never presses: released only
// when the system reports them down.
const TButton ExtraButtons[] = {{VK_XBUTTON1, 0, MOUSEEVENTF_XUP, XBUTTON1}, {VK_XBUTTON2, 0, MOUSEEVENTF_XUP, XBUTTON2}};
constexpr DWORD AnyButtonDown = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_MIDDLEDOWN | MOUSEEVENTF_XDOWN;

// Set by the last release, never cleared: the process is ending, and the
// parser may still be sending. No key or button goes down from then on;
// ups still go.
std::atomic<bool> Ending{false};
// Sends under way. The release waits for them: a send that checked the flag
// just before it was set is seen down and released, never left down.
std::atomic<int> SendsUnderWay{0};
// Records this thread sent since it last took its message queue: a thread
// that sent nothing has nothing waiting, and asks the system nothing.
thread_local unsigned SentSinceTaken = 0;

class TSendCount {
public:
    TSendCount() { ++SendsUnderWay; }
    ~TSendCount() { --SendsUnderWay; }
    TSendCount(const TSendCount&) = delete;
    TSendCount& operator=(const TSendCount&) = delete;
};

// Allocates nothing: the last resort calls it.
void SendButtonUp(const TButton& Button)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = Button.Up;
    input.mi.mouseData = Button.Data;
    SendInput(1, &input, sizeof input);
}

// What a refused record reports: nothing inserted, for a reason of its own.
unsigned Refused()
{
    SetLastError(ERROR_OPERATION_ABORTED);
    return 0;
}

class TSendInputSink : public TInputSink {
public:
    unsigned SendKeyboard(const TKeyboardRecord& Record) override
    {
        const TSendCount counted;
        if (Ending && !(Record.Flags & KEYEVENTF_KEYUP_FLAG))
            return Refused();
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = Record.Vk;
        input.ki.wScan = Record.Scan;
        input.ki.dwFlags = Record.Flags;
        const unsigned sent = SendInput(1, &input, sizeof input);
        ++SentSinceTaken;
        if (sent && !(Record.Flags & KEYEVENTF_UNICODE_FLAG) && Record.Vk < 256)
            KeysPutDown[Record.Vk] = !(Record.Flags & KEYEVENTF_KEYUP_FLAG);
        return sent;
    }

    unsigned SendMouse(const TMouseRecord& Record) override
    {
        const TSendCount counted;
        if (Ending && (Record.Flags & AnyButtonDown))
            return Refused();
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = Record.Dx;
        input.mi.dy = Record.Dy;
        input.mi.dwFlags = Record.Flags;
        const unsigned sent = SendInput(1, &input, sizeof input);
        ++SentSinceTaken;
        for (size_t i = 0; sent && i < std::size(Buttons); ++i) {
            if (Record.Flags & Buttons[i].Down)
                ButtonsPutDown[i] = true;
            if (Record.Flags & Buttons[i].Up)
                ButtonsPutDown[i] = false;
        }
        return sent;
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
    TScreenArea VirtualScreen() override
    {
        return {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    }
    uint32_t LastError() override { return GetLastError(); }

    void TakeWaitingMessages() override
    {
        if (SentSinceTaken == 0)
            return;
        SentSinceTaken = 0;
        // The sending thread owns no window; whatever is posted to it is
        // the system's and only needs taking.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
};

} // namespace

TInputSink& SystemInputSink()
{
    static TSendInputSink sink;
    return sink;
}

void ReleaseInputForGood()
{
    Ending = true;
    // Bounded: the fault may have struck inside a send, whose count then
    // never goes down.
    for (int i = 0; i < 100 && SendsUnderWay > 0; ++i)
        Sleep(1);
    ReleaseInputStillDown();
}

void ReleaseInputStillDown()
{
    for (size_t i = 0; i < std::size(Buttons); ++i) {
        const bool putDown = ButtonsPutDown[i].exchange(false);
        if (putDown || (GetAsyncKeyState(Buttons[i].Vk) & 0x8000))
            SendButtonUp(Buttons[i]);
    }
    for (const TButton& button : ExtraButtons)
        if (GetAsyncKeyState(button.Vk) & 0x8000)
            SendButtonUp(button);
    for (int vk = VK_BACK; vk <= 0xFE; ++vk) { // the mouse buttons lie below
        const bool putDown = KeysPutDown[vk].exchange(false);
        if (!putDown && !(GetAsyncKeyState(vk) & 0x8000))
            continue;
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(vk);
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
    }
}
