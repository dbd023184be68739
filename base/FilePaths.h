// Paths that come from the shared settings file, which every user of the
// PC may change: the program opens only ordinary files with them, never a
// device or a file on another computer.
#pragma once

#include <string>

// True for an ordinary file on a local drive or relative to the program:
// false for device names (CON, NUL, AUX, PRN, COM1 to COM9, LPT1 to LPT9,
// CONIN$, CONOUT$; also with an extension, trailing blanks or a folder in
// front, as Windows reads them), for "\\.\" and "\\?\" paths, for network
// paths ("\\server\share\..."), for a ':' anywhere but after a drive letter
// (streams, "COM8:") and for an empty name.
bool IsPlainFilePath(const std::string& Path);

// A relative name is taken relative to the program's folder (Folder, with
// its trailing delimiter), not to whatever the current folder is; a name
// with a drive or a leading delimiter stays as it is.
std::string BesideProgram(const std::string& Folder, const std::string& Path);
