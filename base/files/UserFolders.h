// The folders of the user the program runs as. Files that the shared
// settings file names (the log file, the error sound) are opened only
// there: any user may write those names, and a file in another user's
// folder, on a stick or on another computer would carry this user's typing
// away.
#pragma once

#include <string>
#include <vector>

struct TUserFolders {
    std::string Profile;      // the user's own profile folder
    std::string LocalAppData; // its local application data
    std::string Media;        // the system's sounds, for the error sound only
};

// The folders of the user this process runs as, from the system; a folder
// the system does not name stays empty (nothing lies in it).
TUserFolders SystemUserFolders();

// A name that begins with "%USERPROFILE%" or "%LOCALAPPDATA%" (in any case,
// followed by a separator or nothing) with that part replaced by the
// user's folder: one shared setting gives every user a file of their own.
// Any other name, and a name whose folder is unknown, stays as it is.
std::string ExpandUserFolder(const std::string& Name, const TUserFolders& Folders);

// Whether Path lies below Folder (not the folder itself). Both are absolute
// names: "X:\..." with or without the "\\?\" prefix, or "/..." on a host
// without drive letters. The comparison ignores case, the kind of
// separator, repeated separators and a trailing one. A name on another
// computer ("\\server\...", "\\?\UNC\..."), a name with a "." or ".."
// component and a relative name lie below nothing.
bool LiesBelow(const std::string& Path, const std::string& Folder);
bool LiesBelowAny(const std::string& Path, const std::vector<std::string>& Folders);
