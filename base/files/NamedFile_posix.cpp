#include "base/files/NamedFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The name the system has for what Fd holds, links on the way resolved.
std::string FinalName(int Fd)
{
    char name[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(Fd);
    const ssize_t length = readlink(link.c_str(), name, sizeof name);
    return length > 0 && static_cast<size_t>(length) < sizeof name ? std::string(name, static_cast<size_t>(length))
                                                                   : std::string();
}

std::string FinalFolderName(const std::string& Folder)
{
    char* resolved = realpath(Folder.c_str(), nullptr);
    const std::string result = resolved ? resolved : "";
    std::free(resolved);
    return result;
}

bool Describe(int Fd, TOpenedFileFacts& Facts)
{
    struct stat info;
    if (fstat(Fd, &info) != 0)
        return false;
    Facts.Disk = S_ISREG(info.st_mode) || S_ISDIR(info.st_mode);
    Facts.Directory = S_ISDIR(info.st_mode);
    Facts.Names = static_cast<uint32_t>(info.st_nlink);
    Facts.Size = static_cast<uint64_t>(info.st_size);
    Facts.OwnedByUser = info.st_uid == geteuid();
    Facts.KeepsRights = true; // the modes of every Unix file system
    Facts.FinalName = FinalName(Fd);
    Facts.Volume = TVolumeKind::Fixed; // what the host calls local is taken as it is
    char head[16] = {};
    const ssize_t read = Facts.Disk && !Facts.Directory ? pread(Fd, head, std::strlen(LogStartMark), 0) : 0;
    Facts.Head.assign(head, read > 0 ? static_cast<size_t>(read) : 0);
    return true;
}

} // namespace

bool TNamedFile::OpenAndDescribe(TNamedFileUse Use, const std::string& Path, const std::vector<std::string>& Homes,
                                 TOpenedFileFacts& Facts)
{
    for (const std::string& home : Homes)
        Facts.Homes.push_back(FinalFolderName(home));
    // Never through a link in the last place; without blocking: a pipe with
    // no writer would hold the open.
    const bool log = Use == TNamedFileUse::AppendLog;
    if (log) {
        FFd = open(Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        Facts.Created = FFd >= 0;
        if (!Facts.Created && errno == EEXIST)
            FFd = open(Path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    } else {
        FFd = open(Path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }
    if (FFd < 0 && errno == ELOOP) {
        // A link in the last place: refused without being opened.
        Facts.Disk = true;
        Facts.Reparse.Kind = TReparse::NameSurrogate;
        return true;
    }
    // No sharing for a log file, as on Windows: a second writer is refused.
    return IsOpen() && (!log || flock(FFd, LOCK_EX | LOCK_NB) == 0) && Describe(FFd, Facts);
}

bool TNamedFile::MakePrivate() { return fchmod(FFd, 0600) == 0; }

void TNamedFile::Discard(const std::string& Path)
{
    unlink(Path.c_str());
    Close();
}

bool TNamedFile::SeekToEnd() { return lseek(FFd, 0, SEEK_END) >= 0; }

bool TNamedFile::IsOpen() const { return FFd >= 0; }

bool TNamedFile::Write(const char* Data, size_t Size)
{
    while (IsOpen() && Size > 0) {
        const ssize_t written = write(FFd, Data, Size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        Data += written;
        Size -= static_cast<size_t>(written);
    }
    return IsOpen();
}

bool TNamedFile::ReadAll(std::string& Bytes)
{
    Bytes.clear();
    struct stat info;
    if (!IsOpen() || fstat(FFd, &info) != 0 || static_cast<uint64_t>(info.st_size) > MaxSoundSize)
        return false;
    Bytes.resize(static_cast<size_t>(info.st_size));
    const ssize_t read = pread(FFd, Bytes.data(), Bytes.size(), 0);
    if (read < 0)
        return false;
    Bytes.resize(static_cast<size_t>(read));
    return true;
}

void TNamedFile::Close()
{
    if (FFd >= 0) {
        close(FFd);
        FFd = -1;
    }
}
