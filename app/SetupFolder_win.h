// The program's folder, made or closed by the installer helper before
// anything is written into it: only administrators and the system may
// change anything there from the folder's first moment (or, for the folder
// of the recorded installation, from one call on), so that no user holds a
// handle that outlives its owner and rights.
#pragma once

#include <string>

// seParent when the parent folder lets other users remove or rename its
// folders (or cannot be read), else seDone.
int CheckParent(const std::wstring& Path);

// Makes the folder Path with its owner and protected rights in the
// creating call; the recorded installation's folder (Recorded) gets them in
// one call; an empty folder of anybody else is removed and made afresh.
// seForeign for anything else there, seParent as CheckParent, seRights when
// the rights could not be set.
int MakeFolder(const std::wstring& Path, bool Recorded);

// The owner and protected rights of the folder an uninstall leaves behind
// (the kept settings in it): seRights when they could not be set, seForeign
// when Path is no plain folder.
int CloseFolder(const std::wstring& Path);
