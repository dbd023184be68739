// A file in the program's folder gets the Administrators as owner and only
// its own rights, in one call on the file itself (a link in its place is
// refused, never followed).
#pragma once

#include "app/SetupProtection_win.h"

#include <string>

// seDone, or seRights when the file is no plain file or its owner and
// rights could not be set.
int ProtectFile(const std::wstring& Path, TUsersRights Users);
