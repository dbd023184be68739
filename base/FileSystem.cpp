#include "base/FileSystem.h"

#include <cstdio>

bool PlatformReplaceFile(const std::string& From, const std::string& To);

namespace {

bool WriteFileContents(const std::string& Path, const std::string& Contents)
{
    FILE* file = std::fopen(Path.c_str(), "wb");
    if (!file)
        return false;
    bool written = std::fwrite(Contents.data(), 1, Contents.size(), file) == Contents.size();
    written = std::fflush(file) == 0 && written;
    return std::fclose(file) == 0 && written;
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
    const std::string temporary = Path + ".new";
    if (WriteFileContents(temporary, Contents)) {
        if (PlatformReplaceFile(temporary, Path))
            return true;
        std::remove(temporary.c_str());
    }
    return WriteFileContents(Path, Contents);
}
