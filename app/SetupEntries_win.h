// The entries of a folder the installer helper holds open, listed and
// opened by that handle: a name swapped for a link between two steps
// never leads the helper elsewhere, since nothing is looked up by path
// below the folder it opened.
#pragma once

#include "app/SetupRules.h"
#include "base/system/Handles_win.h"

#include <windows.h>

#include <string>
#include <vector>

struct TListedEntry {
    std::wstring Name;
    TEntryFacts Facts;
};

// What an open asks for: a folder is taken (owner and rights), listed and
// removed; anything else only removed.
inline constexpr DWORD FolderAccess =
    DELETE | READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
inline constexpr DWORD EntryAccess = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

// Opens Path itself (a link as itself), without letting anybody delete or
// rename it while it is held. Null with the error in GetLastError.
TKernelHandle OpenByPath(const std::wstring& Path, DWORD Access);
// Opens the entry Name of the opened folder Parent the same way.
TKernelHandle OpenInFolder(HANDLE Parent, const std::wstring& Name, DWORD Access);
// The entries of the opened folder, without "." and "..". False when it
// cannot be listed.
bool ListEntries(HANDLE Folder, std::vector<TListedEntry>& Entries);
// The attributes and file number of an opened entry.
bool FactsOf(HANDLE Entry, TEntryFacts& Facts);
