#include "base/FileSystem.h"

#include "base/Text.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool PlatformReplaceFile(const std::string& From, const std::string& To)
{
    if (std::rename(From.c_str(), To.c_str()) != 0)
        return false;
    // The move itself is on the disk once the folder is.
    std::string folder = FolderOf(To);
    if (folder.empty())
        folder = To.rfind('/') == 0 ? "/" : ".";
    const int folderFd = open(folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return true;
}

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
