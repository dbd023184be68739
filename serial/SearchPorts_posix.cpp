// A search line on a POSIX serial device (a pty in tests): no line-error
// flags, as some adapters give none.
#include "serial/SearchPorts.h"

#include "serial/PosixSpeed.h"

#include <termios.h>
#include <unistd.h>

namespace {


class TPosixSearchLine : public TSearchLine {
public:
    explicit TPosixSearchLine(TPortHandle Handle) : FPort(static_cast<int>(Handle)) {}
    ~TPosixSearchLine() override { close(FPort); }
    TPosixSearchLine(const TPosixSearchLine&) = delete;
    TPosixSearchLine& operator=(const TPosixSearchLine&) = delete;

    bool SetRate(int32_t Rate) override
    {
        termios mode{};
        const speed_t speed = PosixSpeed(Rate);
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
