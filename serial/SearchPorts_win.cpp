#include "serial/SearchPorts.h"

#include <windows.h>

namespace {

class TWinSearchLine : public TSearchLine {
public:
    TWinSearchLine(TPortHandle Handle) : FPort(reinterpret_cast<HANDLE>(Handle)), FRead(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~TWinSearchLine() override
    {
        PurgeComm(FPort, PURGE_RXABORT | PURGE_RXCLEAR);
        CloseHandle(FPort);
        if (FRead)
            CloseHandle(FRead);
    }
    TWinSearchLine(const TWinSearchLine&) = delete;
    TWinSearchLine& operator=(const TWinSearchLine&) = delete;

    bool SetRate(int32_t Rate) override
    {
        DCB control{};
        control.DCBlength = sizeof control;
        if (!GetCommState(FPort, &control))
            return false;
        control.BaudRate = static_cast<DWORD>(Rate);
        if (!SetCommState(FPort, &control))
            return false;
        PurgeComm(FPort, PURGE_RXCLEAR);
        DWORD errors = 0;
        ClearCommError(FPort, &errors, nullptr); // those of the rate before
        return true;
    }

    TPortRead Read() override
    {
        TPortRead read;
        DWORD errors = 0;
        COMSTAT status{};
        const bool counted = ClearCommError(FPort, &errors, &status) != 0;
        if (counted)
            read.LineErrors = (errors & (CE_FRAME | CE_RXPARITY | CE_BREAK | CE_OVERRUN | CE_RXOVER)) != 0;
        // A driver that cannot count (then every read is tried) has a read
        // that does not end at once cancelled, whatever it got kept.
        DWORD waiting = counted ? status.cbInQue : 1;
        char buffer[256];
        for (int chunk = 0; chunk < 16 && waiting > 0 && FRead; ++chunk) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = FRead;
            DWORD count = 0;
            if (!ReadFile(FPort, buffer, sizeof buffer, &count, &overlapped)) {
                if (GetLastError() != ERROR_IO_PENDING)
                    break;
                if (WaitForSingleObject(FRead, 10) != WAIT_OBJECT_0)
                    CancelIo(FPort);
                if (!GetOverlappedResult(FPort, &overlapped, &count, TRUE))
                    count = 0;
            }
            if (count == 0)
                break;
            read.Bytes.append(buffer, count);
            waiting = counted && count >= waiting ? 0 : waiting;
        }
        return read;
    }

private:
    HANDLE FPort;
    HANDLE FRead;
};

} // namespace

std::unique_ptr<TSearchLine> SearchLineOn(TPortHandle Handle, const TPortSettings&)
{
    return std::make_unique<TWinSearchLine>(Handle);
}
