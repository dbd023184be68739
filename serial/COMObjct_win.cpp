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

// Errors of a read that mean the device is gone (a USB adapter pulled out,
// its driver gone with it), not a bad byte on the line. The port's own
// pending reads are cancelled only when the thread stops, so an aborted read
// while running means the device went away too.
bool DeviceGone(DWORD Error)
{
    switch (Error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_NOT_FOUND:
    case 433: // ERROR_NO_SUCH_DEVICE, missing from some SDK headers
    case ERROR_DEV_NOT_EXIST:
    case ERROR_NOT_READY:
    case ERROR_BAD_UNIT:
        return true;
    default:
        return false;
    }
}

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
        // What arrived before the port was opened was sent to nobody.
        PurgeComm(port, PURGE_RXCLEAR);
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
    std::string lost;     // why the port can no longer be read; empty while it can

    // Ends an operation still pending on the record before the record goes
    // away with this frame.
    auto cancelPending = [&](DWORD& Count) {
        CancelIo(port);
        if (!GetOverlappedResult(port, &overlapped, &Count, TRUE))
            Count = 0;
    };

    try {
        while (!Terminated() && lost.empty()) {
            if (WaitCommEvent(port, &mask, &overlapped)) {
                received.Set(); // completed at once
            } else if (GetLastError() == ERROR_IO_PENDING) {
                waiting = true;
            } else {
                // A port that cannot be waited on is of no more use, and
                // waiting again would fail again at once.
                lost = SysErrorText(GetLastError());
                break;
            }

            const int woken = WaitForAny({&received, TermEvent.get()}, kInfinite);
            if (woken < 0) {
                lost = SysErrorText(GetLastError());
                break;
            }
            if (woken != 0)
                continue; // stop request: look at the flag
            waiting = false;
            // The wait's own result is not looked at (some drivers end it
            // with an error on every event): the read tells whether the
            // device is still there.

            for (;;) {
                DWORD count = 0;
                DWORD error = 0;
                if (!ReadFile(port, buffer, sizeof buffer, &count, &overlapped)) {
                    error = GetLastError();
                    count = 0;
                    if (error == ERROR_IO_PENDING) {
                        // A read that did not complete at once ends when
                        // bytes arrive; they are not lost.
                        const int done = WaitForAny({&received, TermEvent.get()}, kInfinite);
                        if (done == 0) {
                            error = GetOverlappedResult(port, &overlapped, &count, FALSE) ? 0 : GetLastError();
                        } else {
                            if (done < 0)
                                lost = SysErrorText(GetLastError());
                            cancelPending(count); // stopping: keep what it got
                            if (count > 0)
                                Deliver(buffer, count);
                            break;
                        }
                    }
                }
                if (error != 0) {
                    count = 0;
                    if (DeviceGone(error)) {
                        lost = SysErrorText(error);
                        break;
                    }
                    LogEvent(lkError, "Serial Comm Error: " + SysErrorText(error));
                }
                if (count == 0)
                    break;
                Deliver(buffer, count);
            }
            received.Reset();
        }
    } catch (const std::exception& error) {
        lost = error.what();
    } catch (...) {
        lost = "<unbekannt>";
    }

    PurgeComm(port, PURGE_RXABORT);
    if (waiting) {
        // Clearing the mask completes the pending wait.
        SetCommMask(port, 0);
        DWORD ignored = 0;
        cancelPending(ignored);
    }
    if (!lost.empty())
        ReportLost(lost);
}
