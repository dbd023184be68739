// Holds of the settings file and its journal by other programs: the order
// that never keeps one while waiting for the other, the start that waits up
// to ten seconds and then runs with what it could read, and opens that
// never return, at the start and in a save.
#include "base/files/FileSystem.h"
#include "base/files/SharedFile.h"
#include "base/settings/Globals.h"
#include "base/settings/SettingsJournal.h"
#include "base/threads/Sync.h"
#include "base/threads/TimedCall.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<uint32_t> Pauses;
void RecordPause(uint32_t Ms) { Pauses.push_back(Ms); }
uint32_t Waited() { return std::accumulate(Pauses.begin(), Pauses.end(), 0u); }

// The limits a timed call was given, each waited for a moment only.
std::vector<uint32_t> CallLimits;
bool ShortCallWait(TEvent& Done, uint32_t Ms)
{
    CallLimits.push_back(Ms);
    return Done.Wait(std::min(Ms, 200u));
}

// Lets the hanging opens go at the end of a test, and waits until they
// have left the open (the threads given up touch no seam after that).
class THangRelease {
public:
    ~THangRelease()
    {
        ReleaseHangingOpens();
        for (int i = 0; i < 5000 && HangingOpens() > 0; ++i)
            SleepMs(1);
    }
};

class SettingsHold : public ::testing::Test {
protected:
    SettingsHold()
    {
        Pauses.clear();
        CallLimits.clear();
    }

    std::vector<std::string> Notes(TGlobals& Globals)
    {
        std::vector<std::string> notes;
        Globals.IniFile().SetNoteSink([&](const std::string& Line) { notes.push_back(Line); });
        Globals.IniFile().SetNoteSink(nullptr);
        return notes;
    }

    const TSeam RecordedPauses{SetRetryPause, RecordPause};
    TTempDir Dir;
    std::string Path = Dir.File("vemuKeys.set");
    std::string Exe = Dir.File("vemuKeys.exe");
    const std::string Before = "; by hand\r\n[Port]\r\nPort=7\r\nRate=9600\r\n";
};

// While the second file is held, the first is never kept: a program that
// holds the second and waits for the first gets it in every pause. After
// the last try a reader keeps the first, to go on without the second.
std::string FirstPath;
int FirstFreeInPauses = 0;
void PauseTryingFirst(uint32_t Ms)
{
    RecordPause(Ms);
    TSharedFile other;
    FirstFreeInPauses += other.Open(FirstPath, TFileAccess::Write) == TFileOpen::Opened;
}

TEST_F(SettingsHold, OneFileIsNeverKeptWhileTheOtherIsWaitedFor)
{
    WriteFileText(Path, Before);
    FirstPath = Path;
    const TSeam tryingFirst(SetRetryPause, PauseTryingFirst);
    for (const TFileAccess access : {TFileAccess::Read, TFileAccess::Write}) {
        Pauses.clear();
        FirstFreeInPauses = 0;
        TSharedFile holder, first, second;
        ASSERT_EQ(holder.Open(JournalName(Path), TFileAccess::Write), TFileOpen::Opened);
        TWaitBudget budget(TSettingsFile::HoldWaitMs);
        const THeldPair held = HoldBoth(first, Path, second, JournalName(Path), access, budget);
        EXPECT_EQ(held.First, TFileOpen::Opened);
        EXPECT_EQ(held.Second, TFileOpen::Held);
        EXPECT_TRUE(first.IsOpen()) << "kept after the last try";
        EXPECT_EQ(Waited(), TSettingsFile::HoldWaitMs);
        EXPECT_EQ(FirstFreeInPauses, static_cast<int>(Pauses.size())) << "free in every pause";
    }
}

// Another program holds the journal (its save under way, or for good): a
// program starting meanwhile still reads its port and rate from the file,
// after about ten seconds of waiting, says so, and writes nothing.
TEST_F(SettingsHold, AProgramStartingWhileTheJournalIsHeldReadsItsPort)
{
    WriteFileText(Path, Before);
    TSharedFile holder;
    ASSERT_EQ(holder.Open(JournalName(Path), TFileAccess::Write), TFileOpen::Opened);
    TGlobals globals(Exe);
    EXPECT_EQ(globals.Settings.Port.Port, 7);
    EXPECT_EQ(globals.Settings.Port.Rate, 9600);
    EXPECT_GE(Waited(), TSettingsFile::StartWaitMs - 1000);
    EXPECT_LE(Waited(), TSettingsFile::StartWaitMs);
    EXPECT_EQ(Notes(globals), std::vector<std::string>{"### Einstellungsdatei blockiert, diese Sitzung schreibt "
                                                       "nichts hinein: " + JournalName(Path)});
    holder.Close();
    globals.Settings.Port.Port = 9;
    EXPECT_FALSE(globals.SaveChanged({TSettingGroup::Port}));
    EXPECT_TRUE(globals.SaveFailed());
    EXPECT_EQ(ReadFileText(Path), Before);
}

// A hold that ends within the start's wait costs nothing but the wait.
TEST_F(SettingsHold, AFileHeldForAFewSecondsAtTheStartIsWaitedFor)
{
    WriteFileText(Path, Before);
    int heldFor = 20; // tries
    const TSeam faults(SetFileFaults, [&](const std::string& File, TFileAccess) {
        return File == Path && heldFor-- > 0 ? TFileFault::Held : TFileFault::None;
    });
    TGlobals globals(Exe);
    EXPECT_GT(Waited(), 3000u) << "longer than a read later on waits";
    EXPECT_EQ(globals.Settings.Port.Port, 7);
    EXPECT_TRUE(Notes(globals).empty());
    globals.Settings.Port.Port = 9;
    EXPECT_TRUE(globals.SaveChanged({TSettingGroup::Port}));
}

// An open that never returns (another user's oplock whose break is never
// acknowledged) ends the start's wait after ten seconds in all: the program
// runs with the complete journal it could read, says the file is held and
// writes nothing.
TEST_F(SettingsHold, AnOpenThatNeverReturnsEndsTheStartAfterTenSeconds)
{
    const std::string pending = "[Port]\r\nPort=3\r\nRate=19200\r\n";
    WriteFileText(Path, Before);
    WriteFileText(JournalName(Path), JournalRecord(pending, Before));
    const THangRelease release;
    const TSeam hangs(SetFileFaults, [&](const std::string& File, TFileAccess) {
        return File == Path ? TFileFault::Hangs : TFileFault::None;
    });
    const TSeam shortWaits(SetCallWait, ShortCallWait);
    TGlobals globals(Exe);
    EXPECT_EQ(CallLimits, std::vector<uint32_t>{TSettingsFile::StartWaitMs});
    EXPECT_EQ(HangingOpens(), 1u) << "still in the open";
    EXPECT_EQ(globals.Settings.Port.Port, 3);
    EXPECT_EQ(globals.Settings.Port.Rate, 19200);
    EXPECT_EQ(Notes(globals), std::vector<std::string>{"### Einstellungsdatei blockiert, diese Sitzung schreibt "
                                                       "nichts hinein: " + Path});
    EXPECT_FALSE(globals.SaveChanged({TSettingGroup::Port}));
    EXPECT_EQ(CallLimits.size(), 1u) << "the save did not touch the file";
}

// The same in a save (at an exit, or on OK): it gives up after its two
// seconds and counts as not saved, and the hold given up writes nothing
// when it returns. The next save tries once, and writes.
TEST_F(SettingsHold, ASaveWhoseOpenNeverReturnsGivesUp)
{
    WriteFileText(Path, Before);
    TGlobals globals(Exe);
    globals.Settings.Port.Port = 9;
    {
        const THangRelease release;
        const TSeam hangs(SetFileFaults, [&](const std::string& File, TFileAccess Access) {
            return File == Path && Access == TFileAccess::Write ? TFileFault::Hangs : TFileFault::None;
        });
        const TSeam shortWaits(SetCallWait, ShortCallWait);
        EXPECT_FALSE(globals.SaveChanged({TSettingGroup::Port}));
        EXPECT_EQ(CallLimits, std::vector<uint32_t>{TSettingsFile::HoldWaitMs});
        EXPECT_TRUE(globals.SaveFailed());
    }
    EXPECT_EQ(ReadFileText(Path), Before);
    EXPECT_EQ(ReadFileText(JournalName(Path)), "");
    Pauses.clear();
    EXPECT_TRUE(globals.SaveChanged({TSettingGroup::Port}));
    EXPECT_TRUE(Pauses.empty());
    EXPECT_NE(ReadFileText(Path).find("Port=9\r\n"), std::string::npos);
}

} // namespace
