// What the installer's helper decides before it touches the program's
// folder: whether a parent folder lets other users take away what it holds,
// what to do with the folder found at the chosen place, and what an entry
// opened during a walk of a tree really is. Every user's autostart and an
// administrator's uninstall run what is in that folder: a user who can
// rename it away, or who keeps a handle to it from before it was closed,
// can put his own program there.
#pragma once

#include "app/FolderRights.h"

#include <cstdint>
#include <string>
#include <vector>

// The helper's exit codes, which the installer script checks.
inline constexpr int seDone = 0;
inline constexpr int seUsage = 1;
inline constexpr int seForeign = 3;    // the folder is not one the program may take
inline constexpr int seNotRemoved = 4; // an entry could not be removed (in use, or changed while walked)
inline constexpr int seRights = 5;     // owner and rights could not be set
inline constexpr int seParent = 7;     // the parent lets other users rename or delete its folders

// Whether someone but the administrators and the system may delete or
// rename folders in a folder with this owner and access list: an owner who
// may rewrite the list, a right to delete children or to change the list,
// or a right to delete that folders made inside inherit. Without a list
// (HasList false) everybody may.
bool LetsOthersRemoveFolders(const std::string& OwnerSid, bool HasList, const std::vector<TAccessEntry>& Entries);

// What is found where the program's folder is to be.
enum class TFolderFound {
    Missing,
    EmptyFolder,
    FullFolder,
    Other, // a file, a link or anything else that is not a plain folder
};

enum class TFolderStep {
    Create,          // made with its protected rights in the creating call
    Close,           // owner and protected rights set in one call
    RemoveAndCreate, // removed and made afresh
    Refuse,
};

// Only the recorded installation's folder (Recorded) is taken as it is; an
// empty folder anybody else made may hold handles from before and is made
// afresh; anything else is refused.
TFolderStep FolderStep(TFolderFound Found, bool Recorded);

// An entry of a folder as the listing gave it and as it was opened.
struct TEntryFacts {
    uint32_t Attributes = 0;
    uint64_t Id = 0;
};

enum class TEntryStep {
    Walk,         // a plain folder: walked into
    RemoveItself, // a file, or a link that is removed as itself and never followed
    Changed,      // not what the listing showed: something replaced it meanwhile
};

TEntryStep EntryStep(const TEntryFacts& Listed, const TEntryFacts& Opened);
