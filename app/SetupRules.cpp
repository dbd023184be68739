#include "app/SetupRules.h"

#include <algorithm>
#include <array>

namespace {

// The system, the Administrators and TrustedInstaller; the creator of new
// objects and the owner's rights stand for the owner, who is one of them
// when the list is looked at at all.
constexpr std::array<const char*, 5> Trusted{"S-1-5-18", "S-1-5-32-544",
                                             "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                                             "S-1-3-0", "S-1-3-4"};
constexpr const char* CreatorOwner = "S-1-3-0";
constexpr const char* OwnerRights = "S-1-3-4";

constexpr uint32_t DeleteRight = 0x00010000;
constexpr uint32_t DeleteChild = 0x0040;
constexpr uint32_t ListChanging = 0x00040000 | 0x00080000 | 0x10000000 | 0x02000000; // DAC, owner, all, maximum
constexpr uint32_t FolderAttribute = 0x10;
constexpr uint32_t ReparseAttribute = 0x400;

bool IsTrusted(const std::string& Sid)
{
    return std::find(Trusted.begin(), Trusted.end(), Sid) != Trusted.end();
}

bool LetsOthersRemove(const TAccessEntry& Entry)
{
    if (!Entry.Allows || IsTrusted(Entry.Sid))
        return false;
    const bool onFolder = !Entry.InheritOnly && (Entry.Mask & (DeleteChild | ListChanging)) != 0;
    const bool onChildren = Entry.InheritsToFolders && (Entry.Mask & (DeleteRight | ListChanging)) != 0;
    return onFolder || onChildren;
}

} // namespace

bool LetsOthersRemoveFolders(const std::string& OwnerSid, bool HasList, const std::vector<TAccessEntry>& Entries)
{
    if (!HasList || !IsTrusted(OwnerSid) || OwnerSid == CreatorOwner || OwnerSid == OwnerRights)
        return true;
    return std::any_of(Entries.begin(), Entries.end(), LetsOthersRemove);
}

TFolderStep FolderStep(TFolderFound Found, bool Recorded)
{
    switch (Found) {
    case TFolderFound::Missing:
        return TFolderStep::Create;
    case TFolderFound::EmptyFolder:
        return Recorded ? TFolderStep::Close : TFolderStep::RemoveAndCreate;
    case TFolderFound::FullFolder:
        return Recorded ? TFolderStep::Close : TFolderStep::Refuse;
    case TFolderFound::Other:
        break;
    }
    return TFolderStep::Refuse;
}

TEntryStep EntryStep(const TEntryFacts& Listed, const TEntryFacts& Opened)
{
    // Opened as itself, a link is only ever removed: what it leads to is
    // never walked, whatever the open shows.
    if (Listed.Attributes & ReparseAttribute)
        return TEntryStep::RemoveItself;
    const bool sameKind = ((Listed.Attributes ^ Opened.Attributes) & FolderAttribute) == 0;
    if (Listed.Id != Opened.Id || (Opened.Attributes & ReparseAttribute) || !sameKind)
        return TEntryStep::Changed;
    return (Opened.Attributes & FolderAttribute) ? TEntryStep::Walk : TEntryStep::RemoveItself;
}
