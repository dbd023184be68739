#include "base/files/SharedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

TFileOpen TSharedFile::PlatformOpen(const std::string& Path, TFileAccess Access)
{
    const bool writing = Access == TFileAccess::Write;
    // A link is never followed; without blocking, as a pipe would hold the
    // open.
    const int fd = open(Path.c_str(), (writing ? O_RDWR | O_CREAT : O_RDONLY) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                        0644);
    if (fd < 0)
        return !writing && (errno == ENOENT || errno == ENOTDIR) ? TFileOpen::Missing : TFileOpen::Refused;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return TFileOpen::Refused;
    }
    // The share modes of Windows, between the programs that use this
    // class: readers beside each other, a writer alone.
    if (flock(fd, (writing ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        return held ? TFileOpen::Held : TFileOpen::Refused;
    }
    FFd = fd;
    return TFileOpen::Opened;
}

bool TSharedFile::IsOpen() const { return FFd >= 0; }

uint64_t TSharedFile::Size() const
{
    struct stat info;
    return IsOpen() && fstat(FFd, &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

int64_t TSharedFile::PlatformReadPiece(uint64_t Offset, char* Buffer, size_t Size)
{
    for (;;) {
        const ssize_t count = pread(FFd, Buffer, Size, static_cast<off_t>(Offset));
        if (count < 0 && errno == EINTR)
            continue;
        return count < 0 ? -1 : static_cast<int64_t>(count);
    }
}

bool TSharedFile::PlatformWrite(uint64_t Offset, const std::string& Data, bool Cut)
{
    size_t done = 0;
    while (done < Data.size()) {
        const ssize_t written = pwrite(FFd, Data.data() + done, Data.size() - done, static_cast<off_t>(Offset + done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return !Cut || (ftruncate(FFd, static_cast<off_t>(Offset + Data.size())) == 0 && fsync(FFd) == 0);
}

void TSharedFile::Close()
{
    if (FFd >= 0) {
        close(FFd);
        FFd = -1;
    }
}
