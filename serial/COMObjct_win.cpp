#include "serial/COMObjct.h"

#include "base/Globals.h"
#include "logging/Logging.h"

#include <windows.h>

namespace {

[[noreturn]] void Fail(int Step)
{
    const DWORD error = GetLastError();
    throw EvemuError("Serial Init Error (" + std::to_string(Step) + "): " + SysErrorText(error));
}

HANDLE AsHandle(TPortHandle Handle) { return reinterpret_cast<HANDLE>(Handle); }

} // namespace

TPortHandle OpenSerialPort(const TPortSettings& Settings)
{
    const std::string name = "\\\\.\\COM" + std::to_string(Settings.Port);
    HANDLE port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        Fail(1);
    int step = 2;
    try {
        if (Settings.QInSize > 0 && Settings.QOutSize > 0 &&
            !SetupComm(port, static_cast<DWORD>(Settings.QInSize), static_cast<DWORD>(Settings.QOutSize)))
            Fail(step);
        step = 3;
        // Binary mode, no parity checking, no flow control, DTR and RTS off.
        DCB control{};
        control.DCBlength = sizeof control;
        control.BaudRate = static_cast<DWORD>(Settings.Rate);
        control.fBinary = TRUE;
        control.ByteSize = static_cast<BYTE>(Settings.ByteSize);
        control.Parity = static_cast<BYTE>(Settings.Parity);
        control.StopBits = static_cast<BYTE>(Settings.StopBits);
        if (!SetCommState(port, &control))
            Fail(step);
        step = 4;
        // A read returns at once with what has arrived.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        if (!SetCommTimeouts(port, &timeouts))
            Fail(step);
        step = 5;
        if (!SetCommMask(port, EV_RXCHAR))
            Fail(step);
    } catch (...) {
        CloseHandle(port);
        throw;
    }
    return reinterpret_cast<TPortHandle>(port);
}

void CloseSerialPort(TPortHandle Handle) { CloseHandle(AsHandle(Handle)); }

void TWorkThread::Execute()
{
    HANDLE port = AsHandle(Handle);
    TEvent received(true);
    OVERLAPPED overlapped{};
    overlapped.hEvent = received.NativeHandle();
    DWORD mask = 0; // written by a pending WaitCommEvent: lives as long as the record
    char buffer[64];
    bool waiting = false; // a WaitCommEvent is pending on the record

    // Ends an operation still pending on the record before the record goes
    // away with this frame.
    auto cancelPending = [&](DWORD& Count) {
        CancelIo(port);
        if (!GetOverlappedResult(port, &overlapped, &Count, TRUE))
            Count = 0;
    };

    try {
        while (!Terminated()) {
            if (WaitCommEvent(port, &mask, &overlapped))
                received.Set(); // completed at once
            else if (GetLastError() == ERROR_IO_PENDING)
                waiting = true;
            else
                LogEvent(lkError, "Serial Comm Error: " + SysErrorText(GetLastError()));

            const int woken = WaitForAny({&received, TermEvent.get()}, kInfinite);
            if (woken < 0) {
                // A wait that fails would fail again at once: end the thread
                // instead of spinning.
                LogEvent(lkError, "Serial Comm Error: " + SysErrorText(GetLastError()));
                break;
            }
            if (woken != 0)
                continue; // stop request: look at the flag
            waiting = false;

            for (;;) {
                DWORD count = 0;
                if (!ReadFile(port, buffer, 64, &count, &overlapped)) {
                    const DWORD error = GetLastError();
                    if (error != ERROR_IO_PENDING) {
                        LogEvent(lkError, "Serial Comm Error: " + SysErrorText(error));
                        count = 0;
                    } else if (WaitForAny({&received, TermEvent.get()}, kInfinite) == 0) {
                        // A read that did not complete at once ends when bytes
                        // arrive; they are not lost.
                        if (!GetOverlappedResult(port, &overlapped, &count, FALSE))
                            count = 0;
                    } else {
                        cancelPending(count); // stopping: keep what it got
                        if (count > 0)
                            Deliver(buffer, count);
                        break;
                    }
                }
                if (count == 0)
                    break;
                Deliver(buffer, count);
            }
            received.Reset();
        }
    } catch (...) {
    }

    PurgeComm(port, PURGE_RXABORT);
    if (waiting) {
        // Clearing the mask completes the pending wait.
        SetCommMask(port, 0);
        DWORD ignored = 0;
        cancelPending(ignored);
    }
}
