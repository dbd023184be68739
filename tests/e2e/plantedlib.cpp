// A DLL that the tests plant in a program's folder under the name of a
// system DLL that is loaded by name at run time. Loaded into any process,
// it leaves the file "planted-loaded.txt" beside itself, naming that
// process; nothing else.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, void*)
{
    if (Reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(Instance, path, MAX_PATH);
    char* name = std::strrchr(path, '\\');
    if (!name || static_cast<size_t>(name + 1 - path) + 20 >= sizeof path)
        return TRUE;
    std::strcpy(name + 1, "planted-loaded.txt");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char process[MAX_PATH] = "";
        const DWORD length = GetModuleFileNameA(nullptr, process, MAX_PATH);
        DWORD written = 0;
        WriteFile(file, process, length, &written, nullptr);
        CloseHandle(file);
    }
    return TRUE;
}
