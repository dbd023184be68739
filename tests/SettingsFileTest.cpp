// The settings file's journal: what counts as a complete journal, which
// file it fits, what a reader and the next program make of a write cut at
// any step, and the limits on what is read and taken up.
#include "base/files/FileSystem.h"
#include "base/files/SharedFile.h"
#include "base/settings/Globals.h"
#include "base/settings/SettingsJournal.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

namespace {

void NoPause(uint32_t) {}

// A journal as the previous version wrote it: no replaced text.
std::string EarlierJournal(const std::string& Text)
{
    char marker[80];
    std::snprintf(marker, sizeof marker, "\r\n; complete: %zu bytes, CRC-32 %08X\r\n", Text.size(),
                  static_cast<unsigned>(Crc32(Text)));
    return Text + marker;
}

const std::string OldText = "; by hand\r\n[Port]\r\nPort=7\r\nRate=300\r\n";
const std::string NewText = "; by hand\r\n[Port]\r\nPort=3\r\nRate=9600\r\n[GIDEI]\r\nSound=ding.wav\r\n";

TEST(SettingsJournal, ACompleteJournalHoldsItsTextAndTheTextItReplaces)
{
    const std::string text = "[Port]\r\nPort=7\r\n";
    const std::string replaced = "[Port]\r\nPort=1\r\n";
    const std::string record = JournalRecord(text, replaced);
    EXPECT_EQ(record, text + replaced +
                          "\r\n; complete: 16 bytes, CRC-32 1089F41D, replacing 16 bytes, CRC-32 140488AF\r\n");
    std::string flipped = record;
    flipped[20] = 'X'; // a sector the disk never wrote, in the replaced text
    const struct {
        std::string Journal;
        std::optional<TJournal> Complete;
    } journals[] = {
        {record, TJournal{text, replaced}},
        {JournalRecord("", ""), TJournal{"", ""}},
        {JournalRecord(record, ""), TJournal{record, ""}}, // a marker inside the text is text
        {"", std::nullopt},
        {text + replaced, std::nullopt},                     // cut off before its marker
        {record.substr(0, record.size() - 1), std::nullopt}, // cut off inside it
        {flipped, std::nullopt},                             // a checksum does not fit
        {"x" + record, std::nullopt},                        // nor the lengths
        {record + "[Port]\r\n", std::nullopt},               // more after the marker
        {EarlierJournal(text), std::nullopt},                // names no replaced text
    };
    for (const auto& journal : journals)
        EXPECT_EQ(CompleteJournal(journal.Journal), journal.Complete) << journal.Journal;
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(JournalName("C:\\Vemu Keys\\vemuKeys.set"), "C:\\Vemu Keys\\vemuKeys.set.journal");
}

// The in-place write leaves the new text's first K bytes over the rest of
// the replaced one, before or after its end is cut; nothing else fits.
TEST(SettingsJournal, AJournalFitsTheTextItReplacedAndWhatItsWriteLeftOnly)
{
    const std::string shorter = "[Port]\r\nPort=3\r\n";
    for (const std::string& text : {NewText, shorter, std::string(OldText).replace(24, 1, "9")}) {
        const TJournal journal{text, OldText};
        for (size_t k = 0; k <= text.size(); ++k) {
            const std::string left = text.substr(0, k) + (k < OldText.size() ? OldText.substr(k) : "");
            EXPECT_TRUE(JournalFits(journal, left)) << k << ": " << left;
        }
        EXPECT_TRUE(JournalFits(journal, text)) << "written and cut";
    }
    const TJournal journal{NewText, OldText};
    std::string oneByteOff = OldText;
    oneByteOff[OldText.size() - 3] = 'X';
    std::string mixed = NewText.substr(0, 10) + OldText.substr(10);
    mixed[5] = 'Q';
    for (const std::string& file : {std::string("[Start]\r\nTray=1\r\n"), std::string(), oneByteOff, mixed,
                                    OldText.substr(0, OldText.size() - 1), NewText + "x",
                                    NewText.substr(0, OldText.size() + 2) + "x"})
        EXPECT_FALSE(JournalFits(journal, file)) << file;
}

// Whatever the journal holds, the next program's take-up leaves the file a
// reader saw before it: the new text where the journal fits the file,
// otherwise the file as it is; the journal is empty afterwards.
TEST(SettingsJournal, ATakeUpWritesOnlyOverTheTextItReplacedOrAWriteItCutOff)
{
    const TSeam noPauses(SetRetryPause, NoPause);
    const std::string cutOff = NewText.substr(0, 12) + OldText.substr(12);
    const std::string large = "[Port]\r\nPort=3\r\n;" + std::string(TSettingsFile::MaxSize, 'x');
    const std::string handEdit = "; by hand\r\n[Port]\r\nPort=5\r\nRate=300\r\n";
    using T = TSettingsFile::TTakeUp;
    const struct {
        const char* Name;
        std::string Journal;
        std::string File;
        std::string After; // what readers see before, and the file after
        T Result;
    } cases[] = {
        {"over the text it replaced", JournalRecord(NewText, OldText), OldText, NewText, T::TakenUp},
        {"over its cut-off write", JournalRecord(NewText, OldText), cutOff, NewText, T::TakenUp},
        {"written, not yet emptied", JournalRecord(NewText, OldText), NewText, NewText, T::Nothing},
        {"over a file changed since", JournalRecord(NewText, OldText), handEdit, handEdit, T::Nothing},
        {"of the earlier kind", EarlierJournal(NewText), cutOff, cutOff, T::Nothing},
        {"cut off itself", JournalRecord(NewText, OldText).substr(0, 90), OldText, OldText, T::Nothing},
        {"of a text over the limit", JournalRecord(large, OldText), OldText, OldText, T::Nothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        const std::string path = dir.File("vemuKeys.set");
        WriteFileText(path, c.File);
        WriteFileText(JournalName(path), c.Journal);
        TSettingsFile file(path);
        const TSettingsFile::TText read = file.Read();
        EXPECT_EQ(read.Result, TFileRead::Read);
        EXPECT_EQ(read.Text, c.After);
        EXPECT_EQ(file.TakeUpJournal(), c.Result);
        EXPECT_EQ(ReadFileText(path), c.After);
        EXPECT_EQ(ReadFileText(JournalName(path)), "");
    }
}

// A write cut at every step (the journal part written, the file written
// part way or not yet cut to its length, the journal not yet emptied) leaves
// the old or the new text for every reader, never a mix, and the next
// program's take-up leaves just what the reader saw; cut again while it is
// taken up, the one after completes it.
TEST(SettingsJournal, AWriteCutAtAnyStepLeavesTheOldOrTheNewText)
{
    const TSeam noPauses(SetRetryPause, NoPause);
    const struct {
        const char* Name;
        std::string Text;
    } writes[] = {
        {"longer", NewText},
        {"shorter", "[Port]\r\nPort=3\r\n"},
        {"as long", std::string(OldText).replace(24, 1, "9").replace(32, 1, "9")},
    };
    const auto writeCutAt = [](const std::string& Path, const std::string& Text, uint64_t Units) {
        WriteFileText(Path, OldText);
        WriteFileText(JournalName(Path), "");
        const TSeam crash(SetWriteCrash, std::optional<uint64_t>(Units));
        return TSettingsFile(Path).Update([Text](std::string& Settings) {
            Settings = Text;
            return true;
        });
    };
    for (const auto& write : writes) {
        SCOPED_TRACE(write.Name);
        std::set<std::string> seen;
        int mixedOnDisk = 0;
        bool finished = false;
        for (uint64_t units = 0; !finished && units < 1000; ++units) {
            TTempDir dir;
            const std::string path = dir.File("vemuKeys.set");
            finished = writeCutAt(path, write.Text, units);
            const std::string left = ReadFileText(path);
            const std::string read = TSettingsFile(path).Read().Text;
            ASSERT_TRUE(read == OldText || read == write.Text) << units << ": " << read;
            mixedOnDisk += left != OldText && left != write.Text;
            TSettingsFile(path).TakeUpJournal();
            EXPECT_EQ(ReadFileText(path), read) << units;
            EXPECT_EQ(ReadFileText(JournalName(path)), "") << units;
            seen.insert(read);
        }
        EXPECT_TRUE(finished) << "a write with enough room goes through";
        EXPECT_EQ(seen.size(), 2u);
        EXPECT_GT(mixedOnDisk, 0) << "cuts inside the file's write";
    }

    const uint64_t middle = JournalRecord(NewText, OldText).size() + 1 + NewText.size() / 2;
    for (uint64_t again = 0; again <= NewText.size() + 2; ++again) {
        TTempDir dir;
        const std::string path = dir.File("vemuKeys.set");
        ASSERT_FALSE(writeCutAt(path, NewText, middle));
        {
            const TSeam crash(SetWriteCrash, std::optional<uint64_t>(again));
            TSettingsFile(path).TakeUpJournal();
        }
        EXPECT_EQ(TSettingsFile(path).Read().Text, NewText) << again;
        TSettingsFile(path).TakeUpJournal();
        EXPECT_EQ(ReadFileText(path), NewText) << again;
    }
}

// A power cut while the file was written over: the journal was complete, the
// file is half written. The next start completes the write before it reads
// a value, and says so.
TEST(SettingsJournal, AWriteCutOffInPlaceIsCompletedAtTheNextStart)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    const std::string before = "[Port]\r\nPort=7\r\nRate=300\r\n; by hand\r\n";
    const std::string after = "[Port]\r\nPort=9\r\nRate=9600\r\n; by hand\r\n";
    WriteFileText(path, before);
    {
        const TSeam faults(SetFileFaults, [&](const std::string& Path, TFileAccess Access) {
            return Path == path && Access == TFileAccess::Write ? TFileFault::WriteFails : TFileFault::None;
        });
        TIniFile ini(path);
        EXPECT_FALSE(ini.WriteMany({{"Port", "Port", "9"}, {"Port", "Rate", "9600"}}));
    }
    ASSERT_EQ(ReadFileText(path), after.substr(0, after.size() / 2) + before.substr(after.size() / 2))
        << "cut off half way";

    TGlobals globals(dir.File("vemuKeys.exe"));
    EXPECT_EQ(globals.Settings.Port.Port, 9);
    EXPECT_EQ(globals.Settings.Port.Rate, 9600);
    EXPECT_EQ(ReadFileText(path), after);
    EXPECT_EQ(ReadFileText(JournalName(path)), "");
    std::vector<std::string> notes;
    globals.IniFile().SetNoteSink([&](const std::string& Line) { notes.push_back(Line); });
    EXPECT_EQ(notes, std::vector<std::string>{"### Unterbrochene Speicherung der Einstellungen aus dem Journal "
                                              "nachgeholt: " + path});
}

// A file of any size never stalls a start: past 64 KiB it is not read, the
// program runs on its defaults and never writes over it.
TEST(SettingsJournal, AFileLargerThan64KiBIsNeitherReadNorWritten)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    const std::string large = "[Port]\r\nPort=7\r\n;" + std::string(TSettingsFile::MaxSize, 'x');
    WriteFileText(path, large);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Port", "Port", 0), 0);
    EXPECT_FALSE(ini.WriteInteger("Port", "Port", 3));
    EXPECT_EQ(ReadFileText(path), large);
    std::vector<std::string> notes;
    ini.SetNoteSink([&](const std::string& Line) { notes.push_back(Line); });
    EXPECT_EQ(notes, std::vector<std::string>{"### Einstellungsdatei gr\xf6\xdf" "er als 64 KiB, die Einstellungen "
                                              "dieser Sitzung werden nicht gespeichert: " + path});

    // Nor does a write make a file that large.
    WriteFileText(path, "[Port]\r\nPort=7\r\n");
    EXPECT_FALSE(TIniFile(path).WriteString("GIDEI", "Sound", std::string(TSettingsFile::MaxSize, 's')));
    EXPECT_EQ(ReadFileText(path), "[Port]\r\nPort=7\r\n");
}

// Another program appends to the file, or to its journal, as fast as it is
// read: the read ends at the limit all the same.
TEST(SettingsJournal, AFileThatGrowsWhileItIsReadIsReadNoFurtherThanTheLimit)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    const std::string small = "[Port]\r\nPort=7\r\n";
    const struct {
        const char* Name;
        std::string Growing;
        TFileRead Result;
        std::string Text;
    } cases[] = {
        {"the file", path, TFileRead::TooLarge, ""},
        {"the journal", JournalName(path), TFileRead::Read, small},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFileText(path, small + ";" + std::string(TSettingsFile::MaxSize - small.size() - 10, 'x'));
        if (c.Growing == path)
            WriteFileText(JournalName(path), "");
        else {
            WriteFileText(path, small);
            WriteFileText(JournalName(path), JournalRecord("[Port]\r\nPort=3\r\n", small));
        }
        int pieces = 0;
        const TSeam grows(SetReadPieceHook, [&](const std::string& Path) {
            if (Path != c.Growing)
                return;
            ++pieces;
            std::ofstream(Path, std::ios::binary | std::ios::app) << std::string(16384, 'y');
        });
        const TSettingsFile::TText read = TSettingsFile(path).Read();
        EXPECT_EQ(read.Result, c.Result);
        EXPECT_EQ(read.Text, c.Text);
        EXPECT_GT(pieces, 0);
        EXPECT_LE(pieces, 12) << "read no further than the limit";
    }
}

#ifndef _WIN32
// Where a user may make links, one in place of a shared file would send
// another user's program's writes into that user's own file: only the
// name's own file is opened. (Wine shows no link as one.)
TEST(SharedFile, ALinkInPlaceOfASharedFileIsNeverFollowed)
{
    TTempDir dir;
    WriteFileText(dir.File("victim.txt"), "mine");
    std::filesystem::create_symlink(dir.File("victim.txt"), dir.File("Errors.log"));
    TSharedFile file;
    EXPECT_EQ(file.Open(dir.File("Errors.log"), TFileAccess::Write), TFileOpen::Refused);
    EXPECT_EQ(file.Open(dir.File("Errors.log"), TFileAccess::Read), TFileOpen::Refused);
    EXPECT_EQ(ReadFileText(dir.File("victim.txt")), "mine");
}
#endif

} // namespace
