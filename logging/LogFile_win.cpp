#include "logging/LogFile.h"

#include <windows.h>

bool TLogFileHandle::Open(const std::string& Name)
{
    Close();
    HANDLE file = CreateFileA(Name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // A name that passed every check may still lead to a device (a link, a
    // name the checks do not know): every logged byte would go out there.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return false;
    }
    SetFilePointer(file, 0, nullptr, FILE_END);
    FHandle = file;
    return true;
}

bool TLogFileHandle::IsOpen() const { return FHandle != INVALID_HANDLE_VALUE; }

uint64_t TLogFileHandle::Size() const
{
    LARGE_INTEGER size{};
    return IsOpen() && GetFileSizeEx(FHandle, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

bool TLogFileHandle::Write(const char* Data, size_t Size)
{
    DWORD written = 0;
    return IsOpen() && WriteFile(FHandle, Data, static_cast<DWORD>(Size), &written, nullptr) && written == Size;
}

bool TLogFileHandle::Truncate()
{
    return IsOpen() && SetFilePointer(FHandle, 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(FHandle);
}

void TLogFileHandle::Close()
{
    if (IsOpen()) {
        CloseHandle(FHandle);
        FHandle = INVALID_HANDLE_VALUE;
    }
}
