// The console's log "window": the lines the view sink buffers are printed on
// the main thread only, woken by a posted UM_LOGVIEW as the log window is.
// A console that blocks (a selection held in a console window) then holds up
// the main thread alone: the threads that log never wait for it, and no
// sink's or queue's lock is held while a line is printed.
#pragma once

#include "logging/Logging.h"
#include "logging/WakeGate.h"

#include <windows.h>

#include <atomic>
#include <string>

// Standard output as text on a console, or its bytes (Windows-1252) on a pipe
// or in a file.
void PrintConsoleLine(const std::string& Line);

class TConsolePrinter : public TLogWindowLink {
public:
    using TPrint = void (*)(const std::string& Line);

    // Window receives UM_LOGVIEW and calls Drain for it; the lines come
    // from View.
    TConsolePrinter(HWND Window, TViewLog& View, TPrint Print = PrintConsoleLine);

    bool Exists() const override { return FOpen; }
    void Open() override { FOpen = true; }
    void Close() override { FOpen = false; }
    // Both only post: even on the main thread the view sink wakes the
    // printer while it holds its lock.
    void SendWake() override { Wake(); }
    void PostWake() override { Wake(); }
    void TrimLines(int) override {}

    // UM_LOGVIEW, on the main thread: prints the lines waiting in the view
    // sink, oldest first.
    void Drain();

private:
    void Wake();

    HWND FWindow;
    TViewLog& FView;
    TPrint FPrint;
    std::atomic<bool> FOpen{false};
    // One wake-up on its way is enough: the main thread's message queue
    // never fills with them, whatever the threads log while it is blocked.
    TWakeGate FWake;
};
