// The rule of FolderRights on what a name holds: the program's elevated
// step applies it to the sign-in programs and their folder, the tray
// program to its own folder before it writes the machine's autostart.
#pragma once

#include "app/FolderRights.h"

#include <string>

// Whether only administrators can change the file or folder at Path, read
// from its handle, opened without following a link (a link, a folder where
// a file was expected and a file with a second name never pass).
bool OnlyAdministratorsChange(const std::wstring& Path, bool Folder);
