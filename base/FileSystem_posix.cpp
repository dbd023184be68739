#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string& Path)
{
    const size_t slash = Path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : Path.substr(0, slash);
}

} // namespace

bool PlatformReplaceFile(const std::string& From, const std::string& To)
{
    if (std::rename(From.c_str(), To.c_str()) != 0)
        return false;
    // The move itself is on the disk once the folder is.
    const int folder = open(FolderOf(To).c_str(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
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
