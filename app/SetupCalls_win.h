// The installer helper's calls that change or judge security and remove
// entries. Test builds put recording ones in their place (Wine keeps no
// security descriptors of files, so a record is what shows the calls); the
// helper that is shipped never changes them.
#pragma once

#include "app/FolderRights_win.h"

#include <windows.h>

#include <string>

struct TSetupCalls {
    // CreateDirectoryW with the descriptor: the folder exists with its
    // owner and rights from its first moment. An error code, 0 when made.
    DWORD (*CreateFolder)(const std::wstring& Path, PSECURITY_DESCRIPTOR Descriptor);
    // Owner and protected list of the opened entry Path in one call.
    DWORD (*SetSecurity)(HANDLE Handle, const std::wstring& Path, PSID Owner, PACL List);
    // The owner and list of the opened parent folder Path.
    bool (*ReadParent)(HANDLE Handle, const std::wstring& Path, TSecurityFacts& Facts);
    // Marks the opened entry Path for removal when its handle closes.
    DWORD (*Remove)(HANDLE Handle, const std::wstring& Path);
};

const TSetupCalls& SetupCalls();
void SetSetupCalls(const TSetupCalls& Calls);
