// The typer through the real SendInput, seen by low-level keyboard and mouse
// hooks of an observer thread with a window of its own to receive the keys.
#include "tests/support/TestSupport_win.h"
#include "tests/support/TyperHarness.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

struct TSeen {
    std::string Text;
    bool Injected;
};

std::mutex SeenMutex;
std::vector<TSeen> Seen;

void Record(const std::string& Text, bool Injected)
{
    std::lock_guard<std::mutex> lock(SeenMutex);
    Seen.push_back({Text, Injected});
}

LRESULT CALLBACK KeyboardHook(int Code, WPARAM WParam, LPARAM LParam)
{
    if (Code == HC_ACTION) {
        const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(LParam);
        Record(KeyboardHookText(WParam, *info), (info->flags & LLKHF_INJECTED) != 0);
    }
    return CallNextHookEx(nullptr, Code, WParam, LParam);
}

LRESULT CALLBACK MouseHook(int Code, WPARAM WParam, LPARAM LParam)
{
    if (Code == HC_ACTION) {
        const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(LParam);
        Record(MouseHookText(WParam, *info), (info->flags & LLMHF_INJECTED) != 0);
    }
    return CallNextHookEx(nullptr, Code, WParam, LParam);
}

class TObserver {
public:
    TObserver()
    {
        FThread = std::thread([this] { Run(); });
        std::unique_lock<std::mutex> lock(FMutex);
        FReady.wait(lock, [this] { return FStarted; });
    }

    ~TObserver()
    {
        PostThreadMessageA(FThreadId, WM_QUIT, 0, 0);
        FThread.join();
    }

    bool Hooked() const { return FHooked; }

private:
    void Run()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VemuInputObserver";
        RegisterClassA(&windowClass);
        HWND window = CreateWindowA("VemuInputObserver", "Observer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200, 300,
                                    200, nullptr, nullptr, windowClass.hInstance, nullptr);
        SetForegroundWindow(window);
        SetFocus(window);
        HHOOK keyboard = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHook, GetModuleHandleA(nullptr), 0);
        HHOOK mouse = SetWindowsHookExA(WH_MOUSE_LL, MouseHook, GetModuleHandleA(nullptr), 0);
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from here
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FThreadId = GetCurrentThreadId();
            FHooked = keyboard && mouse && window;
            FStarted = true;
        }
        FReady.notify_all();
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        UnhookWindowsHookEx(keyboard);
        UnhookWindowsHookEx(mouse);
        DestroyWindow(window);
    }

    std::thread FThread;
    std::mutex FMutex;
    std::condition_variable FReady;
    bool FStarted = false;
    bool FHooked = false;
    DWORD FThreadId = 0;
};

std::vector<std::string> AwaitSeen(size_t Count)
{
    for (int i = 0; i < 300; ++i) {
        {
            std::lock_guard<std::mutex> lock(SeenMutex);
            if (Seen.size() >= Count)
                break;
        }
        Sleep(10);
    }
    Sleep(100); // anything more that would still come
    std::lock_guard<std::mutex> lock(SeenMutex);
    std::vector<std::string> texts;
    for (const TSeen& seen : Seen) {
        EXPECT_TRUE(seen.Injected) << seen.Text;
        texts.push_back(seen.Text);
    }
    Seen.clear();
    return texts;
}

TEST(SendInputSink, TheDesktopSeesTheTypersRecords)
{
    TObserver observer;
    ASSERT_TRUE(observer.Hooked());
    TTestEnvironment env(0xFFFFFFFF);
    TStubOwner owner;
    const TTypingSettings typing; // the pause after each event as shipped
    TKeyTyper typer(owner, SystemInputSink(), typing, env.Log(), env.Events, env.Language);

    typer.TypeChar(0xE4);
    EXPECT_EQ(AwaitSeen(2), (std::vector<std::string>{"key E7 E4 down", "key E7 E4 up"}));

    typer.Sequence = ",hold,shift.";
    typer.ExecuteCommand({"hold", "shift"});
    typer.TypeChar('a');
    EXPECT_EQ(AwaitSeen(4), (std::vector<std::string>{"key 10 00 down", "key 41 00 down", "key 41 00 up", "key 10 00 up"}));

    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(width, 200);
    ASSERT_GT(height, 100);
    typer.Sequence = ",goto,100,50.";
    typer.ExecuteCommand({"goto", "100", "50"});
    EXPECT_EQ(AwaitSeen(1), std::vector<std::string>{"move 100 50"});
    typer.Sequence = ",click.";
    typer.ExecuteCommand({"click"});
    EXPECT_EQ(AwaitSeen(2), (std::vector<std::string>{"left down", "left up"}));

    // An anchor's point over the virtual screen: the system maps it back to
    // the very pixel (goto with numbers rounds over 65535 and may land a
    // pixel short).
    const TScreenArea screen = SystemInputSink().VirtualScreen();
    SystemInputSink().SendMouse({VirtualDeskCoordinate(333, screen.Left, screen.Width),
                                 VirtualDeskCoordinate(211, screen.Top, screen.Height),
                                 MOUSEEVENTF_MOVE_FLAG | MOUSEEVENTF_ABSOLUTE_FLAG | MOUSEEVENTF_VIRTUALDESK_FLAG});
    EXPECT_EQ(AwaitSeen(1), std::vector<std::string>{"move 333 211"});
    EXPECT_TRUE(env.TakeLines().empty()) << "nothing failed";
}

TEST(SendInputSink, MulDivAgreesWithTheSystem)
{
    const int values[] = {0, 1, -1, 2, 3, 7, 100, 1023, 1024, 1920, 65535, -65535, 2147483647, -2147483647};
    for (int a : values)
        for (int b : values)
            for (int c : {1, 2, 3, -3, 768, 1080, 1920, 0, 65536})
                EXPECT_EQ(MulDiv(a, b, c), ::MulDiv(a, b, c)) << a << " " << b << " " << c;
}

// What the sink lets through once the last release has been made: run in a
// process of its own (the flag is never cleared), whose exit code says
// whether every record fared as it must.
[[noreturn]] void ReleaseAndSendMore()
{
    ReleaseInputForGood();
    TInputSink& sink = SystemInputSink();
    const bool keyDown = sink.SendKeyboard({'A', 0, 0}) != 0;
    const bool charDown = sink.SendKeyboard({0, 0xE4, KEYEVENTF_UNICODE_FLAG}) != 0;
    const bool buttonDown = sink.SendMouse({0, 0, MOUSEEVENTF_RIGHTDOWN}) != 0;
    const bool keyUp = sink.SendKeyboard({'A', 0, KEYEVENTF_KEYUP_FLAG}) != 0;
    const bool charUp = sink.SendKeyboard({0, 0xE4, KEYEVENTF_UNICODE_FLAG | KEYEVENTF_KEYUP_FLAG}) != 0;
    const bool buttonUp = sink.SendMouse({0, 0, MOUSEEVENTF_RIGHTUP}) != 0;
    std::fprintf(stderr, "sent: key down %d, char down %d, button down %d, key up %d, char up %d, button up %d\n",
                 keyDown, charDown, buttonDown, keyUp, charUp, buttonUp);
    std::fflush(stderr);
    std::_Exit(!keyDown && !charDown && !buttonDown && keyUp && charUp && buttonUp ? 0 : 1);
}

// The parser may still be sending while the process ends: once the last
// resort has released, no key or button goes down any more; ups still go.
TEST(SendInputSinkDeathTest, AfterTheLastReleaseNothingGoesDown)
{
    EXPECT_EXIT(ReleaseAndSendMore(), ::testing::ExitedWithCode(0), "");
}

} // namespace
