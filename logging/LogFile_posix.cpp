#include "logging/LogFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

bool TLogFileHandle::Open(const std::string& Name)
{
    Close();
    int fd = open(Name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    // No sharing, as on Windows: a second writer is refused.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || lseek(fd, 0, SEEK_END) < 0) {
        close(fd);
        return false;
    }
    FFd = fd;
    return true;
}

bool TLogFileHandle::IsOpen() const { return FFd >= 0; }

uint64_t TLogFileHandle::Size() const
{
    struct stat info;
    return IsOpen() && fstat(FFd, &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

bool TLogFileHandle::Write(const char* Data, size_t Size)
{
    while (Size > 0) {
        ssize_t written = write(FFd, Data, Size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        Data += written;
        Size -= static_cast<size_t>(written);
    }
    return FFd >= 0;
}

bool TLogFileHandle::Truncate() { return IsOpen() && ftruncate(FFd, 0) == 0 && lseek(FFd, 0, SEEK_SET) == 0; }

void TLogFileHandle::Close()
{
    if (FFd >= 0) {
        close(FFd);
        FFd = -1;
    }
}
