// The rule of FolderRights on what a name holds: the program's elevated
// step applies it to the sign-in programs and their folder, the tray
// program to its own folder before it writes the machine's autostart.
#pragma once

#include "app/FolderRights.h"

#include <windows.h>

#include <string>
#include <vector>

// Whether only administrators can change the file or folder at Path, read
// from its handle, opened without following a link (a link, a folder where
// a file was expected and a file with a second name never pass).
bool OnlyAdministratorsChange(const std::wstring& Path, bool Folder);

// The owner and access list of an opened file or folder, with SID texts.
struct TSecurityFacts {
    std::string OwnerSid;
    bool HasList = false;
    std::vector<TAccessEntry> Entries;
};

// False when the handle's owner and list cannot be read.
bool ReadSecurityFacts(HANDLE Handle, TSecurityFacts& Facts);
// The same of an owner and a list (null: none) that are at hand.
TSecurityFacts SecurityFactsOf(PSID Owner, PACL List);
