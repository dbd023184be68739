#include "app/SetupRules.h"

#include <gtest/gtest.h>

namespace {

const std::string System = "S-1-5-18", Admins = "S-1-5-32-544", Users = "S-1-5-32-545",
                  AuthenticatedUsers = "S-1-5-11", Everyone = "S-1-1-0", CreatorOwner = "S-1-3-0",
                  TrustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                  AUser = "S-1-5-21-1-2-3-1001";
constexpr uint32_t Full = 0x1F01FF, ReadRun = 0x1200A9, Modify = 0x1301BF, AddFolder = 0x0004;

TAccessEntry Allow(const std::string& Sid, uint32_t Mask, bool InheritOnly = false, bool ToFolders = true)
{
    return {Sid, Mask, true, InheritOnly, ToFolders};
}

// The lists of well-known places, as Windows sets them.
const std::vector<TAccessEntry> ProgramFiles{
    Allow(TrustedInstaller, Full), Allow(System, Full), Allow(Admins, Full), Allow(Users, ReadRun),
    Allow(CreatorOwner, 0x10000000, true), Allow("S-1-15-2-1", ReadRun)};
const std::vector<TAccessEntry> VolumeRoot{
    Allow(Admins, Full), Allow(System, Full), Allow(Users, ReadRun),
    Allow(AuthenticatedUsers, Modify, true), Allow(AuthenticatedUsers, AddFolder, false, false)};

TEST(SetupRules, AParentIsRefusedWhenOthersMayRemoveItsFolders)
{
    EXPECT_FALSE(LetsOthersRemoveFolders(TrustedInstaller, true, ProgramFiles)) << "Program Files";
    EXPECT_FALSE(LetsOthersRemoveFolders(Admins, true, ProgramFiles)) << "a copy an administrator made";
    EXPECT_TRUE(LetsOthersRemoveFolders(System, true, VolumeRoot)) << "a volume's root: what users make inherits Modify";
    EXPECT_TRUE(LetsOthersRemoveFolders(AUser, true, ProgramFiles)) << "a user's folder: he may rewrite its list";
    EXPECT_TRUE(LetsOthersRemoveFolders(Admins, false, {})) << "no list: everybody may";

    const struct {
        TAccessEntry Entry;
        bool Refused;
        const char* What;
    } extra[] = {
        {Allow(Users, 0x0040, false, false), true, "users may delete children"},
        {Allow(Everyone, 0x00040000, false, false), true, "everyone may change the list"},
        {Allow(AuthenticatedUsers, 0x00080000, false, false), true, "users may take ownership"},
        {Allow(Users, 0x10000000, false, false), true, "generic all"},
        {Allow(Users, 0x00010000, true, true), true, "folders made inside inherit a right to delete"},
        {Allow(Users, 0x00010000, true, false), false, "delete for files made inside only"},
        {Allow(Users, 0x00010000, false, false), false, "users may delete the parent, not what it holds"},
        {Allow(Users, 0x40000000, true, true), false, "generic write holds no right to delete"},
        {{Users, Full, false, false, true}, false, "a denial grants nothing"},
        {Allow(CreatorOwner, 0x10000000, true, true), false, "the creator: the administrator who makes it"},
        {Allow(Admins, Full, false, true), false, "the administrators"},
    };
    for (const auto& e : extra) {
        std::vector<TAccessEntry> entries = ProgramFiles;
        entries.push_back(e.Entry);
        EXPECT_EQ(LetsOthersRemoveFolders(TrustedInstaller, true, entries), e.Refused) << e.What;
    }
}

TEST(SetupRules, OnlyTheRecordedFolderIsTakenAsItIs)
{
    const struct {
        TFolderFound Found;
        bool Recorded;
        TFolderStep Step;
    } cases[] = {
        {TFolderFound::Missing, false, TFolderStep::Create},
        {TFolderFound::Missing, true, TFolderStep::Create},
        {TFolderFound::EmptyFolder, false, TFolderStep::RemoveAndCreate},
        {TFolderFound::EmptyFolder, true, TFolderStep::Close},
        {TFolderFound::FullFolder, false, TFolderStep::Refuse},
        {TFolderFound::FullFolder, true, TFolderStep::Close},
        {TFolderFound::Other, false, TFolderStep::Refuse},
        {TFolderFound::Other, true, TFolderStep::Refuse},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderStep(c.Found, c.Recorded), c.Step) << int(c.Found) << " recorded " << c.Recorded;
}

TEST(SetupRules, AWalkNeverFollowsALinkAndStopsAtAReplacedEntry)
{
    constexpr uint32_t Folder = 0x10, File = 0x20, Link = 0x400;
    const struct {
        TEntryFacts Listed, Opened;
        TEntryStep Step;
        const char* What;
    } cases[] = {
        {{Folder, 7}, {Folder, 7}, TEntryStep::Walk, "a folder"},
        {{File, 7}, {File, 7}, TEntryStep::RemoveItself, "a file"},
        {{Folder | Link, 7}, {Folder | Link, 7}, TEntryStep::RemoveItself, "a junction"},
        {{Folder | Link, 7}, {Folder, 9}, TEntryStep::RemoveItself, "a link whose open shows its target"},
        {{File | Link, 7}, {File | Link, 7}, TEntryStep::RemoveItself, "a file's symbolic link"},
        {{Folder, 7}, {Folder, 8}, TEntryStep::Changed, "another folder since the listing"},
        {{Folder, 7}, {Folder | Link, 7}, TEntryStep::Changed, "a link since the listing"},
        {{File, 7}, {Folder, 7}, TEntryStep::Changed, "a folder where a file was listed"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntryStep(c.Listed, c.Opened), c.Step) << c.What;
}

} // namespace
