#include "base/files/SharedFile.h"

#include "base/system/WidePath_win.h"

#include "base/files/OwnFile_win.h"

#include <windows.h>

#include <algorithm>

namespace {

HANDLE AsHandle(void* Handle) { return static_cast<HANDLE>(Handle); }

TFileOpen OpenFailure(DWORD Error)
{
    switch (Error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return TFileOpen::Held;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return TFileOpen::Missing;
    default:
        return TFileOpen::Refused;
    }
}

// A file on a disk: not a folder, not a device. Windows refuses to open a
// read-only file for writing by itself; the test keeps it so where the file
// system would allow it.
bool IsWritableFile(HANDLE File, bool Writing)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(File) == FILE_TYPE_DISK && GetFileInformationByHandle(File, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(Writing && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY));
}

HANDLE OpenFile(const std::string& Path, bool Writing, DWORD Flags)
{
    return CreateFileW(WidePath(Path).c_str(), Writing ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                       Writing ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, Writing ? OPEN_ALWAYS : OPEN_EXISTING,
                       Flags, nullptr);
}

} // namespace

TFileOpen TSharedFile::PlatformOpen(const std::string& Path, TFileAccess Access)
{
    const bool writing = Access == TFileAccess::Write;
    // A link in the name's place, where a user may make one, would lead
    // this program's writes into another user's file.
    TReparseFacts found;
    HANDLE file = OpenOwnFile([&](DWORD Flags) { return OpenFile(Path, writing, Flags); }, found);
    if (file == INVALID_HANDLE_VALUE) {
        const TFileOpen failure = OpenFailure(GetLastError());
        // Writing makes a missing file: a missing folder refuses it.
        return writing && failure == TFileOpen::Missing ? TFileOpen::Refused : failure;
    }
    if (found.LeadsElsewhere() || !IsWritableFile(file, writing)) {
        CloseHandle(file);
        return TFileOpen::Refused;
    }
    FHandle = file;
    return TFileOpen::Opened;
}

bool TSharedFile::IsOpen() const { return AsHandle(FHandle) != INVALID_HANDLE_VALUE; }

uint64_t TSharedFile::Size() const
{
    LARGE_INTEGER size{};
    return IsOpen() && GetFileSizeEx(AsHandle(FHandle), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

int64_t TSharedFile::PlatformReadPiece(uint64_t Offset, char* Buffer, size_t Size)
{
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(Offset);
    if (!SetFilePointerEx(AsHandle(FHandle), at, nullptr, FILE_BEGIN))
        return -1;
    DWORD count = 0;
    if (!ReadFile(AsHandle(FHandle), Buffer, static_cast<DWORD>(Size), &count, nullptr))
        return -1;
    return count;
}

bool TSharedFile::PlatformWrite(uint64_t Offset, const std::string& Data, bool Cut)
{
    HANDLE file = AsHandle(FHandle);
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(Offset);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN))
        return false;
    size_t done = 0;
    while (done < Data.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(Data.size() - done, 1u << 20));
        if (!WriteFile(file, Data.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return !Cut || (SetEndOfFile(file) && FlushFileBuffers(file));
}

void TSharedFile::Close()
{
    if (IsOpen()) {
        CloseHandle(AsHandle(FHandle));
        FHandle = INVALID_HANDLE_VALUE;
    }
}
