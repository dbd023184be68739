#include "app/SetupTree_win.h"

#include "app/SetupCalls_win.h"
#include "app/SetupEntries_win.h"
#include "app/SetupProtection_win.h"

namespace {

// Deeper than any folder a program keeps; a user's endless nesting stops
// the walk instead of the stack.
constexpr int MaxDepth = 64;

class TTreeRemoval {
public:
    int Folder(HANDLE Handle, const std::wstring& Path, int Depth);

private:
    int Entry(HANDLE Parent, const std::wstring& ParentPath, const TListedEntry& Listed, int Depth);
    int Take(HANDLE Handle, const std::wstring& Path);

    TProtection FTaken{TUsersRights::None, true};
};

int TTreeRemoval::Take(HANDLE Handle, const std::wstring& Path)
{
    if (!FTaken.Valid() || SetupCalls().SetSecurity(Handle, Path, FTaken.Owner(), FTaken.List()) != 0)
        return seRights;
    return seDone;
}

// The folder is taken, emptied and removed.
int TTreeRemoval::Folder(HANDLE Handle, const std::wstring& Path, int Depth)
{
    if (Depth > MaxDepth)
        return seNotRemoved;
    if (const int taken = Take(Handle, Path); taken != seDone)
        return taken;
    std::vector<TListedEntry> entries;
    if (!ListEntries(Handle, entries))
        return seNotRemoved;
    for (const TListedEntry& listed : entries)
        if (const int result = Entry(Handle, Path, listed, Depth); result != seDone)
            return result;
    return SetupCalls().Remove(Handle, Path) == 0 ? seDone : seNotRemoved;
}

int TTreeRemoval::Entry(HANDLE Parent, const std::wstring& ParentPath, const TListedEntry& Listed, int Depth)
{
    const std::wstring path = ParentPath + L"\\" + Listed.Name;
    const bool folder = (Listed.Facts.Attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                        FILE_ATTRIBUTE_DIRECTORY;
    const TKernelHandle opened = OpenInFolder(Parent, Listed.Name, folder ? FolderAccess : EntryAccess);
    TEntryFacts facts;
    if (!opened || !FactsOf(opened.Get(), facts))
        return seNotRemoved;
    switch (EntryStep(Listed.Facts, facts)) {
    case TEntryStep::Walk:
        return Folder(opened.Get(), path, Depth + 1);
    case TEntryStep::RemoveItself:
        return SetupCalls().Remove(opened.Get(), path) == 0 ? seDone : seNotRemoved;
    case TEntryStep::Changed:
        break;
    }
    return seNotRemoved;
}

} // namespace

int RemoveTree(const std::wstring& Path)
{
    TKernelHandle root = OpenByPath(Path, FolderAccess);
    if (!root && (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
        return seDone;
    if (!root)
        root = OpenByPath(Path, EntryAccess);
    TEntryFacts facts;
    if (!root || !FactsOf(root.Get(), facts))
        return seNotRemoved;
    // The folder named is walked only when it is a plain folder itself.
    if ((facts.Attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != FILE_ATTRIBUTE_DIRECTORY)
        return SetupCalls().Remove(root.Get(), Path) == 0 ? seDone : seNotRemoved;
    return TTreeRemoval().Folder(root.Get(), Path, 0);
}
