#include "base/FileSystem.h"

#include <windows.h>

#include <cstdio>
#include <io.h>
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

bool PlatformFlushToDisk(std::FILE* File)
{
    const intptr_t handle = _get_osfhandle(_fileno(File));
    return handle != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) != 0;
}

bool PlatformFileMissing(const std::string& Path)
{
    // Asks for the name only: a file that another program holds without
    // sharing still has its attributes.
    if (GetFileAttributesA(Path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

unsigned long PlatformProcessId() { return GetCurrentProcessId(); }
