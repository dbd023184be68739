#include "tests/support/Pty.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

TPtyPort::TPtyPort(const std::string& Directory, int Port, const TPortIdentity& Identity, const std::string& Name)
{
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0)
        throw std::runtime_error("no pty");
    FDevice = ptsname(FMaster);
    termios mode{};
    tcgetattr(FMaster, &mode);
    cfmakeraw(&mode);
    tcsetattr(FMaster, TCSANOW, &mode);
    FLink = Directory + "/com" + std::to_string(Port);
    unlink(FLink.c_str());
    if (symlink(FDevice.c_str(), FLink.c_str()) != 0)
        throw std::runtime_error("cannot link " + FLink);
    FAbout = FLink + ".device";
    unlink(FAbout.c_str());
    if (!Identity.Empty() || !Name.empty()) {
        std::ofstream about(FAbout);
        about << Identity.Device << '\n' << Identity.Model << '\n' << Name << '\n';
    }
}

TPtyPort::~TPtyPort() { Disconnect(); }

void TPtyPort::Disconnect()
{
    unlink(FLink.c_str());
    unlink(FAbout.c_str());
    if (FMaster >= 0)
        close(FMaster);
    FMaster = -1;
}

void TPtyPort::Write(const std::string& Bytes)
{
    size_t done = 0;
    while (done < Bytes.size()) {
        ssize_t written = write(FMaster, Bytes.data() + done, Bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error("pty write failed");
        }
        done += static_cast<size_t>(written);
    }
}
