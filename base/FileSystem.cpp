#include "base/FileSystem.h"

#include <cstdio>

bool PlatformReplaceFile(const std::string& From, const std::string& To);

namespace {

enum class TWriteResult { NotCreated, Failed, Written };

TWriteResult WriteFileContents(const std::string& Path, const std::string& Contents)
{
    FILE* file = std::fopen(Path.c_str(), "wb");
    if (!file)
        return TWriteResult::NotCreated;
    bool written = std::fwrite(Contents.data(), 1, Contents.size(), file) == Contents.size();
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    return written ? TWriteResult::Written : TWriteResult::Failed;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& Path)
{
    FILE* file = std::fopen(Path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string contents;
    char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        contents.append(buffer, count);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
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
