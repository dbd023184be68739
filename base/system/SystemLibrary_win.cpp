#include "base/system/SystemLibrary_win.h"

#include <mmsystem.h>

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

void PlaySoundBytes(std::string Bytes)
{
    using TPlaySound = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);
    static const auto play = SystemFunction<TPlaySound>("winmm.dll", "PlaySoundA");
    // The bytes must outlive the sound: kept until the next one, and never
    // freed at the end, while the system may still be playing them.
    static std::string* const playing = new std::string;
    if (!play)
        return;
    play(nullptr, nullptr, 0); // stops the one before, which reads the old bytes
    *playing = std::move(Bytes);
    play(playing->data(), nullptr, SND_ASYNC | SND_MEMORY | SND_NODEFAULT);
}
