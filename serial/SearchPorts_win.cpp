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
        if (!ClearCommError(FPort, &errors, &status))
            return read;
        read.LineErrors = (errors & (CE_FRAME | CE_RXPARITY | CE_BREAK | CE_OVERRUN | CE_RXOVER)) != 0;
        char buffer[256];
        // The port's timeouts make a read return at once with what is there.
        for (int chunk = 0; chunk < 16 && FRead; ++chunk) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = FRead;
            DWORD count = 0;
            if (!ReadFile(FPort, buffer, sizeof buffer, &count, &overlapped)) {
                if (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(FPort, &overlapped, &count, TRUE))
                    break;
            }
            if (count == 0)
                break;
            read.Bytes.append(buffer, count);
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
