// Takes a program of the tests down its last-resort path, as a fault of its
// own would: a thread started in it at an address that holds no code raises
// an access violation that nothing handles.
//
//   faulter CLASS     the process of the window of that class (top-level
//                     or message-only); prints "faulted PID" or "failed"
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::printf("failed\n");
        return 2;
    }
    HWND window = FindWindowA(argv[1], nullptr);
    if (!window)
        window = FindWindowExA(HWND_MESSAGE, nullptr, argv[1], nullptr);
    DWORD process = 0;
    if (window)
        GetWindowThreadProcessId(window, &process);
    HANDLE target = process ? OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                              PROCESS_VM_WRITE | PROCESS_VM_READ,
                                          FALSE, process)
                            : nullptr;
    // Address 16 lies in the first page, which is never mapped.
    HANDLE thread = target ? CreateRemoteThread(target, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(16),
                                                nullptr, 0, nullptr)
                           : nullptr;
    if (!thread) {
        std::printf("failed\n");
        return 1;
    }
    CloseHandle(thread);
    CloseHandle(target);
    std::printf("faulted %lu\n", process);
    return 0;
}
