// Functions of system DLLs that Windows does not always load from the system
// folder. The program's own folder may be writable by every user (the
// settings live there), so a DLL of the same name dropped there must never
// be loaded: these DLLs are loaded by their full path in the system folder
// when needed, instead of being imported.
#pragma once

#include <windows.h>

#include <string>

// DLLs that are loaded by name at run time (by the system's own components:
// themes, sound, file dialogs) come from the system folder only, never from
// the program's folder or the current one. Both programs call it first.
void RestrictDllSearch();

// The DLL from the system folder, or null. Each call loads it once more:
// FreeLibrary undoes one call, and a DLL never freed stays for the process.
HMODULE LoadSystemLibrary(const char* Name);

// A function of a loaded DLL, or null when there is no DLL or no such
// function.
template <typename TFunction>
TFunction ModuleFunction(HMODULE Module, const char* Name)
{
    return Module ? reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(Module, Name))) : nullptr;
}

// A function of a system DLL, which stays loaded, or null when the DLL or the
// function is missing.
template <typename TFunction>
TFunction SystemFunction(const char* Library, const char* Name)
{
    return ModuleFunction<TFunction>(LoadSystemLibrary(Library), Name);
}

// A wave file's bytes played asynchronously with winmm's PlaySoundA, from
// memory (never a system sound alias, a registry entry or a file the system
// opens by name). Main thread only; a sound still playing is stopped.
// (base/system/Sound_win.cpp)
void PlaySoundBytes(std::string Bytes);
