#include <windows.h>

#include <string>

bool PlatformReplaceFile(const std::string& From, const std::string& To)
{
    // A read-only file is not replaced. Windows refuses the move by itself;
    // the explicit test keeps it so where the file system would allow it.
    const DWORD attributes = GetFileAttributesA(To.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExA(From.c_str(), To.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
