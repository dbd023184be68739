// The console prints on its main thread only: a console that blocks holds up
// that thread alone, never a thread that logs.
#include "app/ConsolePrinter_win.h"

#include "base/window/Window_win.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class TPrinterWindow : public TWindow {
public:
    TPrinterWindow() { CreateHandle("VemuPrinterTestWindow", "", 0, 0, HWND_MESSAGE); }
    TConsolePrinter* Printer = nullptr;
    int Wakes = 0;

protected:
    bool HandleMessage(UINT Msg, WPARAM, LPARAM, LRESULT& Result) override
    {
        if (Msg != UM_LOGVIEW || !Printer)
            return false;
        ++Wakes;
        Printer->Drain();
        Result = 0;
        return true;
    }
};

HANDLE PrintingStarted = nullptr;
HANDLE LoggerDone = nullptr;
bool LoggerDoneWhileBlocked = false;
std::vector<std::string> Printed;

// The first line blocks the console, as a selection in its window does,
// until the logging thread is through (or 10 s have passed).
void BlockingPrint(const std::string& Line)
{
    if (Printed.empty()) {
        SetEvent(PrintingStarted);
        LoggerDoneWhileBlocked = WaitForSingleObject(LoggerDone, 10000) == WAIT_OBJECT_0;
    }
    Printed.push_back(WithoutStamp(Line));
}

TEST(ConsolePrinter, ABlockedConsoleNeverStallsTheThreadsThatLog)
{
    PrintingStarted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    LoggerDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Printed.clear();
    constexpr int Lines = 300;
    {
        TTestEnvironment env(0xFFFFFFFF);
        TPrinterWindow window;
        TConsolePrinter printer(window.Handle(), env.Log().View(), BlockingPrint);
        window.Printer = &printer;
        env.Log().View().SetWindow(&printer);
        env.Log().View().SetActive(true);
        env.Log().Log(lkGeneral, "main");
        EXPECT_TRUE(Printed.empty()) << "logging on the main thread does not print on the spot";

        std::thread logger([&env] {
            if (WaitForSingleObject(PrintingStarted, 10000) != WAIT_OBJECT_0)
                return;
            for (int i = 0; i < Lines; ++i)
                env.Log().Log(lkGeneral, std::to_string(i));
            SetEvent(LoggerDone);
        });
        const bool allPrinted = WaitUntil([&] {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
            return Printed.size() >= Lines + 1;
        }, 20000);
        logger.join();
        env.Log().View().SetWindow(nullptr);

        EXPECT_TRUE(allPrinted) << Printed.size() << " lines printed";
        EXPECT_TRUE(LoggerDoneWhileBlocked) << "the logging thread waited for the console";
        EXPECT_LE(window.Wakes, 3) << "one wake-up on its way at a time";
    }
    ASSERT_EQ(Printed.size(), static_cast<size_t>(Lines + 1));
    EXPECT_EQ(Printed[0], "  # GENERAL main");
    for (int i = 0; i < Lines; ++i)
        EXPECT_EQ(Printed[static_cast<size_t>(i) + 1], "  # GENERAL " + std::to_string(i));
    CloseHandle(PrintingStarted);
    CloseHandle(LoggerDone);
}

} // namespace
