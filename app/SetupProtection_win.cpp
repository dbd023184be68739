#include "app/SetupProtection_win.h"

namespace {

constexpr DWORD ReadRunRights = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
constexpr DWORD ReadWriteRights = FILE_GENERIC_READ | FILE_GENERIC_WRITE;

} // namespace

bool TProtection::MakeSid(int Index, WELL_KNOWN_SID_TYPE Type)
{
    DWORD size = SECURITY_MAX_SID_SIZE;
    return CreateWellKnownSid(Type, nullptr, FSids[Index], &size) != FALSE;
}

TProtection::TProtection(TUsersRights Users, bool Folder)
{
    if (!MakeSid(0, WinLocalSystemSid) || !MakeSid(1, WinBuiltinAdministratorsSid) || !MakeSid(2, WinBuiltinUsersSid))
        return;
    FList.resize(sizeof(ACL) + 3 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE));
    const DWORD inherit = Folder ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0;
    PACL list = List();
    bool made = InitializeAcl(list, DWORD(FList.size()), ACL_REVISION) &&
                AddAccessAllowedAceEx(list, ACL_REVISION, inherit, FILE_ALL_ACCESS, FSids[0]) &&
                AddAccessAllowedAceEx(list, ACL_REVISION, inherit, FILE_ALL_ACCESS, FSids[1]);
    if (made && Users != TUsersRights::None)
        made = AddAccessAllowedAceEx(list, ACL_REVISION, inherit,
                                     Users == TUsersRights::ReadRun ? ReadRunRights : ReadWriteRights, FSids[2]);
    FValid = made && InitializeSecurityDescriptor(&FDescriptor, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorOwner(&FDescriptor, Owner(), FALSE) &&
             SetSecurityDescriptorDacl(&FDescriptor, TRUE, list, FALSE) &&
             SetSecurityDescriptorControl(&FDescriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

void EnableAdministratorPrivileges()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    for (const wchar_t* name : {L"SeTakeOwnershipPrivilege", L"SeRestorePrivilege", L"SeBackupPrivilege"}) {
        TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
}
