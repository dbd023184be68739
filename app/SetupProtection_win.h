// The owner and protected rights the installer helper gives the program's
// folder and its files: owned by the Administrators, changed only by them
// and the system, nothing inherited from above. The groups by well-known
// SID, so that a localised Windows finds them.
#pragma once

#include <windows.h>

#include <vector>

enum class TUsersRights {
    None,      // a file of something else, or a folder being taken away
    ReadRun,   // the folder and the program's files
    ReadWrite, // the files every user's program writes
};

class TProtection {
public:
    // A folder's entries are inherited by what is made inside it.
    TProtection(TUsersRights Users, bool Folder);
    TProtection(const TProtection&) = delete;
    TProtection& operator=(const TProtection&) = delete;

    bool Valid() const { return FValid; }
    PSID Owner() { return FSids[1]; }
    PACL List() { return reinterpret_cast<PACL>(FList.data()); }
    // The owner and the protected list as one descriptor, for a creation.
    PSECURITY_DESCRIPTOR Descriptor() { return &FDescriptor; }

private:
    bool MakeSid(int Index, WELL_KNOWN_SID_TYPE Type);

    BYTE FSids[3][SECURITY_MAX_SID_SIZE]{};
    std::vector<BYTE> FList;
    SECURITY_DESCRIPTOR FDescriptor{};
    bool FValid = false;
};

// Only the system's and the administrators' rights may be used by the
// helper's opens (ownership of a user's folder taken, backup opens of what
// he holds): switched on for the process, failures ignored.
void EnableAdministratorPrivileges();
