// Holds something for the installer tests until its standard input closes:
//   holder file PATH    the file, opened without any sharing, so that no
//                       other program can open, replace or delete it (a
//                       file in use, or one a user keeps open)
//   holder mutex NAME   a mutex only the system may open: an administrator
//                       cannot open the one of another user's program
// Prints "ready" once it holds it, or "failed <error>" and ends with 1.
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

HANDLE HoldFile(const wchar_t* Path)
{
    HANDLE file = CreateFileW(Path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

HANDLE HoldMutex(const wchar_t* Name)
{
    // Owner and only holder of rights: the system.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:SYD:(A;;GA;;;SY)", SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return nullptr;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    HANDLE mutex = CreateMutexW(&attributes, FALSE, Name);
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    if (mutex && error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        SetLastError(ERROR_ALREADY_EXISTS);
        return nullptr;
    }
    return mutex;
}

} // namespace

int main()
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count != 3) {
        std::printf("failed usage: holder file PATH | holder mutex NAME\n");
        return 1;
    }
    const std::wstring kind = arguments[1];
    HANDLE held = kind == L"file" ? HoldFile(arguments[2]) : kind == L"mutex" ? HoldMutex(arguments[2]) : nullptr;
    LocalFree(arguments);
    if (!held) {
        std::printf("failed %lu\n", GetLastError());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    char buffer[64];
    DWORD read = 0;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
    CloseHandle(held);
    return 0;
}
