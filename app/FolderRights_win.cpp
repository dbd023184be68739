#include "app/FolderRights_win.h"

#include "base/system/Handles_win.h"
#include "base/system/WidePath_win.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <vector>

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

} // namespace

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
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    std::vector<TAccessEntry> entries;
    for (DWORD i = 0; list && i < list->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(list, i, reinterpret_cast<void**>(&header)))
            continue;
        TAccessEntry entry;
        entry.InheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
            auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            entry.Allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
            entry.Mask = ace->Mask;
            entry.Sid = SidText(&ace->SidStart);
        } else {
            // An entry of a kind not read here may allow anything.
            entry.Mask = ChangingRights;
            entry.Sid = "?";
        }
        entries.push_back(entry);
    }
    const bool accepted = OnlyAdministratorsMayChange(SidText(owner), list != nullptr, entries);
    LocalFree(descriptor);
    return accepted;
}

