// A search line on a POSIX serial device (a pty in tests): no line-error
// flags, as some adapters give none.
#include "serial/SearchPorts.h"

#include <termios.h>
#include <unistd.h>

namespace {

speed_t Speed(int32_t Rate)
{
    switch (Rate) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

class TPosixSearchLine : public TSearchLine {
public:
    explicit TPosixSearchLine(TPortHandle Handle) : FPort(static_cast<int>(Handle)) {}
    ~TPosixSearchLine() override { close(FPort); }
    TPosixSearchLine(const TPosixSearchLine&) = delete;
    TPosixSearchLine& operator=(const TPosixSearchLine&) = delete;

    bool SetRate(int32_t Rate) override
    {
        termios mode{};
        const speed_t speed = Speed(Rate);
        if (speed == B0 || tcgetattr(FPort, &mode) != 0 || cfsetispeed(&mode, speed) != 0 ||
            cfsetospeed(&mode, speed) != 0 || tcsetattr(FPort, TCSANOW, &mode) != 0)
            return false;
        tcflush(FPort, TCIFLUSH);
        return true;
    }

    TPortRead Read() override
    {
        TPortRead read;
        char buffer[256];
        for (ssize_t count = 1; count > 0 && read.Bytes.size() < 4096;) {
            count = ::read(FPort, buffer, sizeof buffer);
            if (count > 0)
                read.Bytes.append(buffer, static_cast<size_t>(count));
        }
        return read;
    }

private:
    int FPort;
};

} // namespace

std::unique_ptr<TSearchLine> SearchLineOn(TPortHandle Handle, const TPortSettings&)
{
    return std::make_unique<TPosixSearchLine>(Handle);
}
