#include "app/FolderRights_win.h"

#include "base/system/Handles_win.h"
#include "base/system/WidePath_win.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

std::string SidText(PSID Sid)
{
    wchar_t* text = nullptr;
    if (!Sid || !ConvertSidToStringSidW(Sid, &text))
        return "";
    const std::string result = PathFromWide(text);
    LocalFree(text);
    return result;
}

TAccessEntry EntryOf(const ACE_HEADER* Header)
{
    TAccessEntry entry;
    entry.InheritOnly = (Header->AceFlags & INHERIT_ONLY_ACE) != 0;
    entry.InheritsToFolders = (Header->AceFlags & CONTAINER_INHERIT_ACE) != 0;
    if (Header->AceType == ACCESS_ALLOWED_ACE_TYPE || Header->AceType == ACCESS_DENIED_ACE_TYPE) {
        const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(Header);
        entry.Allows = Header->AceType == ACCESS_ALLOWED_ACE_TYPE;
        entry.Mask = ace->Mask;
        entry.Sid = SidText(const_cast<DWORD*>(&ace->SidStart));
    } else {
        // An entry of a kind not read here may allow anything.
        entry.Mask = ChangingRights;
        entry.Sid = "?";
    }
    return entry;
}

} // namespace

TSecurityFacts SecurityFactsOf(PSID Owner, PACL List)
{
    TSecurityFacts facts;
    facts.OwnerSid = SidText(Owner);
    facts.HasList = List != nullptr;
    for (DWORD i = 0; List && i < List->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (GetAce(List, i, reinterpret_cast<void**>(&header)))
            facts.Entries.push_back(EntryOf(header));
    }
    return facts;
}

bool ReadSecurityFacts(HANDLE Handle, TSecurityFacts& Facts)
{
    Facts = TSecurityFacts();
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(Handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    Facts = SecurityFactsOf(owner, list);
    LocalFree(descriptor);
    return true;
}

bool OnlyAdministratorsChange(const std::wstring& Path, bool Folder)
{
    HANDLE handle = CreateFileW(Path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | (Folder ? FILE_FLAG_BACKUP_SEMANTICS : 0), nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const TKernelHandle owned(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != Folder || (!Folder && info.nNumberOfLinks != 1))
        return false;
    TSecurityFacts facts;
    return ReadSecurityFacts(handle, facts) && OnlyAdministratorsMayChange(facts.OwnerSid, facts.HasList, facts.Entries);
}
