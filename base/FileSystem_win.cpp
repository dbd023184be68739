#include "base/FileSystem.h"

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

TFileKind OpenedFileKind(const std::string& Path)
{
    HANDLE file = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return TFileKind::Unopened;
    const DWORD type = GetFileType(file);
    CloseHandle(file);
    return type == FILE_TYPE_DISK ? TFileKind::Disk : TFileKind::Other;
}
