// Holds a file open without any sharing, as a virus scanner may while it
// looks at it, until its standard input closes.
//
//   holder FILE     prints "held" once the file is held (or "failed"),
//                   and "released" when it lets go
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    HANDLE file = argc == 2 ? CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                            : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("failed\n");
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char buffer[64];
    DWORD count = 0;
    while (ReadFile(input, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    }
    CloseHandle(file);
    std::printf("released\n");
    std::fflush(stdout);
    return 0;
}
