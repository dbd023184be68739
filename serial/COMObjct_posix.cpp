// The receiver on a POSIX serial device (a pty stands in for a port in
// tests). COM port N is the device "comN" in the serial device folder, or
// /dev/ttyS(N-1) without one.
#include "serial/COMObjct.h"

#include "base/system/Error.h"
#include "base/system/SystemServices.h"
#include "logging/Log.h"
#include "serial/PosixSpeed.h"
#include "serial/SerialDevices.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(int Step, int Error)
{
    throw EvemuError("Serial Init Error (" + std::to_string(Step) + "): " + SysErrorText(static_cast<uint32_t>(Error)));
}

// Read errors that mean the device is gone rather than a bad byte.
bool DeviceGone(int Error) { return Error == EIO || Error == ENXIO || Error == ENODEV || Error == EBADF; }


} // namespace

TPortHandle OpenSerialPort(const TPortSettings& Settings)
{
    const std::string path = SerialDevicePath(Settings.Port);
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        Fail(1, errno);
    // No sharing, as on Windows.
    ioctl(fd, TIOCEXCL);
    // Step 2, the driver's queue sizes, has no POSIX counterpart.
    termios mode{};
    if (tcgetattr(fd, &mode) != 0) {
        int error = errno;
        close(fd);
        Fail(3, error);
    }
    cfmakeraw(&mode);
    mode.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    mode.c_cflag |= CLOCAL | CREAD | (Settings.ByteSize == 7 ? CS7 : CS8);
    if (Settings.Parity == 1)
        mode.c_cflag |= PARENB | PARODD;
    else if (Settings.Parity == 2)
        mode.c_cflag |= PARENB;
    if (Settings.StopBits != 0)
        mode.c_cflag |= CSTOPB; // one and a half stop bits become two
    mode.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    // Step 4: a read returns at once with what has arrived.
    mode.c_cc[VMIN] = 0;
    mode.c_cc[VTIME] = 0;
    const speed_t speed = PosixSpeed(Settings.Rate);
    if (speed == B0 || cfsetispeed(&mode, speed) != 0 || cfsetospeed(&mode, speed) != 0 ||
        tcsetattr(fd, TCSANOW, &mode) != 0) {
        int error = speed == B0 ? EINVAL : errno;
        close(fd);
        Fail(3, error);
    }
    // What arrived before the port was opened was sent to nobody.
    tcflush(fd, TCIFLUSH);
    return fd;
}

void CloseSerialPort(TPortHandle Handle) { close(static_cast<int>(Handle)); }

bool RaiseControlLines(TPortHandle Handle)
{
    int lines = TIOCM_DTR | TIOCM_RTS;
    return ioctl(static_cast<int>(Handle), TIOCMBIS, &lines) == 0;
}

void TWorkThread::Execute()
{
    const int port = static_cast<int>(Handle);
    char buffer[64];
    pollfd fds[2] = {{port, POLLIN, 0}, {TermEvent->NativeFd(), POLLIN, 0}};
    std::string lost; // why the port can no longer be read; empty while it can
    try {
        while (!Terminated() && lost.empty()) {
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                lost = SysErrorText(static_cast<uint32_t>(errno));
                break;
            }
            if (fds[1].revents & POLLIN) {
                TermEvent->TryConsume();
                continue;
            }
            for (;;) {
                const ssize_t count = read(port, buffer, sizeof buffer);
                if (count > 0) {
                    Deliver(buffer, static_cast<size_t>(count));
                    continue;
                }
                if (count < 0 && DeviceGone(errno))
                    lost = SysErrorText(static_cast<uint32_t>(errno));
                else if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                    FLog.Log(lkError, "Serial Comm Error: " + SysErrorText(static_cast<uint32_t>(errno)));
                break;
            }
            // A device that hung up (the far end of a pty closed, a USB
            // adapter pulled out) has nothing more to read and keeps
            // reporting itself ready.
            if (lost.empty() && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)))
                lost = SysErrorText(ENODEV);
        }
    } catch (const std::exception& error) {
        lost = error.what();
    } catch (...) {
        lost = "<unbekannt>";
    }
    tcflush(port, TCIFLUSH);
    if (!lost.empty())
        ReportLost(lost);
}
