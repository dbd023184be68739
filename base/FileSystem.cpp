#include "base/FileSystem.h"

#include <cstdio>

bool PlatformReplaceFile(const std::string& From, const std::string& To);
bool PlatformFlushToDisk(std::FILE* File);
bool PlatformFileMissing(const std::string& Path);

namespace {

std::FILE* PlainOpenForRead(const char* Path) { return std::fopen(Path, "rb"); }

TOpenForRead OpenForRead = PlainOpenForRead;

enum class TWriteResult { NotCreated, Failed, Written };

TWriteResult WriteFileContents(const std::string& Path, const std::string& Contents)
{
    std::FILE* file = std::fopen(Path.c_str(), "wb");
    if (!file)
        return TWriteResult::NotCreated;
    bool written = std::fwrite(Contents.data(), 1, Contents.size(), file) == Contents.size();
    // On the disk before it replaces the old file: a power cut after the
    // move must find the new bytes, not an empty file.
    written = std::fflush(file) == 0 && written;
    written = written && PlatformFlushToDisk(file);
    written = std::fclose(file) == 0 && written;
    return written ? TWriteResult::Written : TWriteResult::Failed;
}

} // namespace

bool MoveFileOver(const std::string& From, const std::string& To) { return PlatformReplaceFile(From, To); }

void SetOpenForRead(TOpenForRead Open) { OpenForRead = Open ? Open : PlainOpenForRead; }

TFileRead ReadFileForUpdate(const std::string& Path, std::string& Contents)
{
    Contents.clear();
    std::FILE* file = OpenForRead(Path.c_str());
    if (!file)
        return PlatformFileMissing(Path) ? TFileRead::Missing : TFileRead::Unreadable;
    char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        Contents.append(buffer, count);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        Contents.clear();
        return TFileRead::Unreadable;
    }
    return TFileRead::Read;
}

std::optional<std::string> ReadWholeFile(const std::string& Path)
{
    std::string contents;
    if (ReadFileForUpdate(Path, contents) != TFileRead::Read)
        return std::nullopt;
    return contents;
}

bool ReplaceWholeFile(const std::string& Path, const std::string& Contents)
{
    // The file itself is never opened for writing: a write that fails half
    // way (disk full, quota, a file size limit) would leave it cut short and
    // every setting lost. What fails stays in the ".new" file, which goes.
    const std::string temporary = Path + ".new";
    const TWriteResult result = WriteFileContents(temporary, Contents);
    if (result == TWriteResult::Written && PlatformReplaceFile(temporary, Path))
        return true;
    // Only a file this call made is removed: something else of that name
    // that could not be opened (a folder, another program's file) stays.
    if (result != TWriteResult::NotCreated)
        std::remove(temporary.c_str());
    return false;
}
