#include "base/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileKind OpenedFileKind(const std::string& Path)
{
    // Without blocking: a pipe with no writer would hold the open.
    const int fd = open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return TFileKind::Unopened;
    struct stat info;
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    return regular ? TFileKind::Disk : TFileKind::Other;
}
