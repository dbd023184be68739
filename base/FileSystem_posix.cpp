#include "base/FileSystem.h"

#include "base/Text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
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

bool PlatformFlushToDisk(std::FILE* File) { return fsync(fileno(File)) == 0; }

bool PlatformFileMissing(const std::string& Path)
{
    struct stat info;
    if (lstat(Path.c_str(), &info) == 0)
        return false;
    return errno == ENOENT || errno == ENOTDIR;
}

unsigned long PlatformProcessId() { return static_cast<unsigned long>(getpid()); }
