#include "app/ConsolePrinter_win.h"

#include "base/window/Messages.h"

#include <cstdio>

void PrintConsoleLine(const std::string& Line)
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        const std::string text = Line + "\r\n";
        std::wstring wide(text.size(), L'\0');
        const int length = MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                               static_cast<int>(wide.size()));
        DWORD written = 0;
        WriteConsoleW(output, wide.data(), static_cast<DWORD>(length), &written, nullptr);
        return;
    }
    std::fwrite(Line.data(), 1, Line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

TConsolePrinter::TConsolePrinter(HWND Window, TViewLog& View, TPrint Print) : FWindow(Window), FView(View), FPrint(Print) {}

void TConsolePrinter::Wake()
{
    if (FWake.Claim() && !PostMessageA(FWindow, UM_LOGVIEW, 0, 0))
        FWake.PostFailed();
}

void TConsolePrinter::Drain()
{
    FWake.Arrived();
    std::string line;
    while (FView.FetchLine(line))
        FPrint(line);
}
