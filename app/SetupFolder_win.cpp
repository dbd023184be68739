#include "app/SetupFolder_win.h"

#include "app/SetupCalls_win.h"
#include "app/SetupEntries_win.h"
#include "app/SetupProtection_win.h"

namespace {

constexpr DWORD LinkOrFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

TFolderFound Look(HANDLE Folder)
{
    TEntryFacts facts;
    std::vector<TListedEntry> entries;
    if (!FactsOf(Folder, facts) || (facts.Attributes & LinkOrFolder) != FILE_ATTRIBUTE_DIRECTORY ||
        !ListEntries(Folder, entries))
        return TFolderFound::Other;
    return entries.empty() ? TFolderFound::EmptyFolder : TFolderFound::FullFolder;
}

int Create(const std::wstring& Path, TProtection& Protection)
{
    const DWORD error = SetupCalls().CreateFolder(Path, Protection.Descriptor());
    if (error == 0)
        return seDone;
    // Made by someone else in the moment since it was looked at, or still
    // held by someone after its removal.
    return error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED ? seForeign : seRights;
}

int Close(HANDLE Folder, const std::wstring& Path, TProtection& Protection)
{
    return SetupCalls().SetSecurity(Folder, Path, Protection.Owner(), Protection.List()) == 0 ? seDone : seRights;
}

// An empty folder that was made by someone else goes: removed by its
// handle, it is made afresh once that is closed.
int RemoveAndCreate(TKernelHandle Folder, const std::wstring& Path, TProtection& Protection)
{
    if (SetupCalls().Remove(Folder.Get(), Path) != 0)
        return seForeign;
    Folder.Reset();
    return Create(Path, Protection);
}

std::wstring ParentOf(const std::wstring& Path)
{
    const size_t slash = Path.find_last_of(L'\\');
    return slash == std::wstring::npos || slash + 1 == Path.size() ? std::wstring() : Path.substr(0, slash);
}

} // namespace

int CheckParent(const std::wstring& Path)
{
    std::wstring parent = ParentOf(Path);
    if (parent.size() == 2 && parent[1] == L':')
        parent += L'\\'; // a volume's root
    const TKernelHandle handle = parent.empty() ? TKernelHandle() : OpenByPath(parent, READ_CONTROL);
    TSecurityFacts facts;
    if (!handle || !SetupCalls().ReadParent(handle.Get(), parent, facts) ||
        LetsOthersRemoveFolders(facts.OwnerSid, facts.HasList, facts.Entries))
        return seParent;
    return seDone;
}

int MakeFolder(const std::wstring& Path, bool Recorded)
{
    if (const int parent = CheckParent(Path); parent != seDone)
        return parent;
    TProtection protection(TUsersRights::ReadRun, true);
    if (!protection.Valid())
        return seRights;
    TKernelHandle folder = OpenByPath(Path, FolderAccess);
    const DWORD error = folder ? 0 : GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND;
    if (!folder && !missing)
        return seForeign; // held by someone, or not ours to open
    switch (FolderStep(missing ? TFolderFound::Missing : Look(folder.Get()), Recorded)) {
    case TFolderStep::Create:
        return Create(Path, protection);
    case TFolderStep::Close:
        return Close(folder.Get(), Path, protection);
    case TFolderStep::RemoveAndCreate:
        return RemoveAndCreate(std::move(folder), Path, protection);
    case TFolderStep::Refuse:
        break;
    }
    return seForeign;
}

int CloseFolder(const std::wstring& Path)
{
    TProtection protection(TUsersRights::ReadRun, true);
    const TKernelHandle folder = OpenByPath(Path, FolderAccess);
    TEntryFacts facts;
    if (!folder || !FactsOf(folder.Get(), facts) || (facts.Attributes & LinkOrFolder) != FILE_ATTRIBUTE_DIRECTORY)
        return seForeign;
    return protection.Valid() ? Close(folder.Get(), Path, protection) : seRights;
}
