#include "base/system/SystemLibrary_win.h"

#include <string>

void RestrictDllSearch()
{
    // Found at run time: systems without the update that brought it still
    // drop the current folder from the search.
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault =
        ModuleFunction<TSetDefaultDllDirectories>(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    SetDllDirectoryA("");
}

HMODULE LoadSystemLibrary(const char* Name)
{
    char folder[MAX_PATH] = "";
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        return nullptr;
    const std::string path = std::string(folder) + "\\" + Name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
