// Whether only administrators can change a file or folder: the rule the
// program's elevated step applies to the sign-in programs and their folder
// before it lets Windows run them as SYSTEM. A program that any user could
// replace would run that user's code with every right.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One entry of an access list, with its trustee as a SID string.
struct TAccessEntry {
    std::string Sid;
    uint32_t Mask = 0;
    bool Allows = true;
    bool InheritOnly = false;
    // Folders made inside get the entry (CONTAINER_INHERIT_ACE).
    bool InheritsToFolders = false;
};

// The rights that change a file or what a folder holds.
inline constexpr uint32_t ChangingRights = 0x0002 | 0x0004 | 0x0010 | 0x0040 | 0x0100 | 0x00010000 | 0x00040000 |
                                           0x00080000 | 0x10000000 | 0x40000000 | 0x02000000;

// The owner is SYSTEM, the Administrators or TrustedInstaller, and no
// entry allows anyone else a changing right (an entry for the creator of
// new objects only is no right of anybody's now). Without an access list
// (HasList false) everybody may do everything.
bool OnlyAdministratorsMayChange(const std::string& OwnerSid, bool HasList, const std::vector<TAccessEntry>& Entries);
