#include "serial/COMObjct.h"

#include "base/system/Error.h"
#include "base/system/SystemServices.h"
#include "logging/Log.h"

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
        // Binary mode, no parity checking, no flow control, DTR and RTS off
        // (RaiseControlLines switches them on where the device needs them).
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

bool RaiseControlLines(TPortHandle Handle)
{
    const bool dtr = EscapeCommFunction(AsHandle(Handle), SETDTR) != 0;
    const bool rts = EscapeCommFunction(AsHandle(Handle), SETRTS) != 0;
    return dtr && rts;
}

namespace {

// The port's one overlapped record, shared by its wait and its reads, with
// what a pending operation writes into: it must outlive that operation.
struct TReadState {
    TReadState(HANDLE Handle, TLog& Log_) : Port(Handle), Log(Log_) { Overlapped.hEvent = Received.NativeHandle(); }
    TReadState(const TReadState&) = delete;
    TReadState& operator=(const TReadState&) = delete;

    // Ends an operation still pending on the record; the bytes it got.
    DWORD CancelPending()
    {
        DWORD count = 0;
        CancelIo(Port);
        if (!GetOverlappedResult(Port, &Overlapped, &count, TRUE))
            count = 0;
        return count;
    }

    HANDLE Port;
    TLog& Log;
    TEvent Received{true};
    OVERLAPPED Overlapped{};
    DWORD Mask = 0;
    char Buffer[64];
    bool Waiting = false; // a WaitCommEvent is pending on the record
    std::string Lost;     // why the port can no longer be read; empty while it can
};

// Waits until characters arrive: true then; false when the thread is asked
// to stop, or when the port can no longer be waited on (Lost).
bool AwaitCharacters(TReadState& State, TEvent& Stop)
{
    if (WaitCommEvent(State.Port, &State.Mask, &State.Overlapped)) {
        State.Received.Set(); // completed at once
    } else if (GetLastError() == ERROR_IO_PENDING) {
        State.Waiting = true;
    } else {
        // A port that cannot be waited on is of no more use, and waiting
        // again would fail again at once.
        State.Lost = SysErrorText(GetLastError());
        return false;
    }
    const int woken = WaitForAny({&State.Received, &Stop}, kInfinite);
    if (woken < 0) {
        State.Lost = SysErrorText(GetLastError());
        return false;
    }
    if (woken != 0)
        return false; // stop request: the caller looks at the flag
    State.Waiting = false;
    // The wait's own result is not looked at (some drivers end it with an
    // error on every event): the read tells whether the device is still
    // there.
    return true;
}

// One read of what has arrived: the bytes read, 0 when nothing more is
// there. A read that does not complete at once ends when bytes arrive (they
// are not lost), or when the thread is asked to stop (Stopped; what it got
// is kept). An error that means the device is gone sets Lost; another is
// logged.
DWORD ReadChunk(TReadState& State, TEvent& Stop, bool& Stopped)
{
    DWORD count = 0;
    if (ReadFile(State.Port, State.Buffer, sizeof State.Buffer, &count, &State.Overlapped))
        return count;
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        const int done = WaitForAny({&State.Received, &Stop}, kInfinite);
        if (done != 0) {
            if (done < 0)
                State.Lost = SysErrorText(GetLastError());
            Stopped = true;
            return State.CancelPending();
        }
        if (GetOverlappedResult(State.Port, &State.Overlapped, &count, FALSE))
            return count;
        error = GetLastError();
    }
    if (DeviceGone(error))
        State.Lost = SysErrorText(error);
    else
        State.Log.Log(lkError, "Serial Comm Error: " + SysErrorText(error));
    return 0;
}

// Ends what is still under way on the port before the record goes away.
void EndReading(TReadState& State)
{
    PurgeComm(State.Port, PURGE_RXABORT);
    if (State.Waiting) {
        // Clearing the mask completes the pending wait.
        SetCommMask(State.Port, 0);
        State.CancelPending();
    }
}

} // namespace

void TWorkThread::Execute()
{
    TReadState state(AsHandle(Handle), FLog);
    try {
        while (!Terminated() && state.Lost.empty()) {
            if (!AwaitCharacters(state, *TermEvent))
                continue; // stopped or lost: the loop's condition tells
            bool stopped = false;
            for (DWORD count = 1; count > 0 && !stopped && state.Lost.empty();) {
                count = ReadChunk(state, *TermEvent, stopped);
                if (count > 0)
                    Deliver(state.Buffer, count);
            }
            DWORD errors = 0;
            if (ClearCommError(state.Port, &errors, nullptr) &&
                (errors & (CE_FRAME | CE_RXPARITY | CE_BREAK | CE_OVERRUN | CE_RXOVER)) != 0)
                LineError();
            state.Received.Reset();
        }
    } catch (const std::exception& error) {
        state.Lost = error.what();
    } catch (...) {
        state.Lost = "<unbekannt>";
    }
    EndReading(state);
    if (!state.Lost.empty())
        ReportLost(state.Lost);
}
