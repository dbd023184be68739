#include "base/files/UserFolders.h"

#include <cstdlib>

// The host's home stands for the profile; it has no system sounds.
TUserFolders SystemUserFolders()
{
    TUserFolders folders;
    if (const char* home = std::getenv("HOME"); home && *home) {
        folders.Profile = home;
        folders.LocalAppData = folders.Profile + "/.local/share";
    }
    return folders;
}
