#include "app/SetupCalls_win.h"

#include <aclapi.h>

namespace {

DWORD CreateFolder(const std::wstring& Path, PSECURITY_DESCRIPTOR Descriptor)
{
    SECURITY_ATTRIBUTES attributes{sizeof attributes, Descriptor, FALSE};
    return CreateDirectoryW(Path.c_str(), &attributes) ? 0 : GetLastError();
}

DWORD SetSecurity(HANDLE Handle, const std::wstring&, PSID Owner, PACL List)
{
    // By handle: unlike the named call, it walks into nothing below.
    return SetSecurityInfo(Handle, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           Owner, nullptr, List, nullptr);
}

bool ReadParent(HANDLE Handle, const std::wstring&, TSecurityFacts& Facts) { return ReadSecurityFacts(Handle, Facts); }

DWORD Remove(HANDLE Handle, const std::wstring&)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(Handle, FileDispositionInfo, &disposition, sizeof disposition) ? 0
                                                                                                       : GetLastError();
}

TSetupCalls Calls{CreateFolder, SetSecurity, ReadParent, Remove};

} // namespace

const TSetupCalls& SetupCalls() { return Calls; }

void SetSetupCalls(const TSetupCalls& Replacement) { Calls = Replacement; }
