#include "app/FolderRights.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, 3> Trusted{"S-1-5-18", "S-1-5-32-544",
                                             "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"};
constexpr const char* CreatorOwner = "S-1-3-0";

bool IsTrusted(const std::string& Sid)
{
    return std::find(Trusted.begin(), Trusted.end(), Sid) != Trusted.end();
}

} // namespace

bool OnlyAdministratorsMayChange(const std::string& OwnerSid, bool HasList, const std::vector<TAccessEntry>& Entries)
{
    if (!HasList || !IsTrusted(OwnerSid))
        return false;
    return std::none_of(Entries.begin(), Entries.end(), [](const TAccessEntry& Entry) {
        if (!Entry.Allows || (Entry.Mask & ChangingRights) == 0 || IsTrusted(Entry.Sid))
            return false;
        return !(Entry.InheritOnly && Entry.Sid == CreatorOwner);
    });
}
