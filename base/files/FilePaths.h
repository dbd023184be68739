// Paths that come from the shared settings file, which every user of the
// PC may change: the program opens only ordinary files with them, never a
// device or a file on another computer.
#pragma once

#include <string>

// True only for an ordinary file on a local drive ("X:\...") or a plain
// name relative to the program: false for any name that begins with a
// separator ("\\server\share\...", "\\.\COM8", "\\?\", "\??\", and the root
// of whatever drive is current), for "X:name" (whatever folder is current on
// X:), for a drive that is a network drive or no drive at all, for device
// names (CON, NUL, AUX, PRN, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$;
// also with an extension, trailing blanks or a folder in front, as Windows
// reads them), for a ':' anywhere but after the drive letter (streams,
// "COM8:"), for a name that ends in a separator and for an empty name.
bool IsPlainFilePath(const std::string& Path);

// A relative name is taken relative to the program's folder (Folder, with
// its trailing delimiter), not to whatever the current folder is; a name
// with a drive or a leading delimiter stays as it is.
std::string BesideProgram(const std::string& Folder, const std::string& Path);

// The folder a file dialog starts in for a name from the settings: the
// name's folder (a relative name's beside the program) only when the name is
// a plain local path, otherwise "" (the dialog's own choice). A dialog that
// opens in a folder on another computer signs the user in to it at once.
std::string DialogStartFolder(const std::string& Name, const std::string& ProgramFolder);

// Where a drive letter leads: a drive of this computer, another computer's
// share mapped to a letter, or nothing.
enum class TDriveKind { Local, Remote, Missing };
using TDriveKindSource = TDriveKind (*)(char Letter);
// The system answers (every letter is Local where there are no drive
// letters); a test may put its own answers in place, nullptr restores the
// system's.
void SetDriveKindSource(TDriveKindSource Source);
