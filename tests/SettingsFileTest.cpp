// The settings file's journal and its limits: what counts as a complete
// journal, what a start takes up from it, how long a write waits for
// another program, and a file too large to be read.
#include "base/files/FileSystem.h"
#include "base/settings/Globals.h"
#include "base/settings/SettingsJournal.h"
#include "base/files/SharedFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace {

TEST(SettingsJournal, OnlyACompleteJournalIsTakenUpAndAHeldFileIsWaitedForAboutTwoSeconds)
{
    const std::string text = "[Port]\r\nPort=7\r\n";
    const std::string record = JournalRecord(text);
    EXPECT_EQ(record, text + "\r\n; complete: 16 bytes, CRC-32 1089F41D\r\n");
    std::string flipped = record;
    flipped[9] = 'X'; // a sector the disk never wrote
    const struct {
        std::string Journal;
        std::optional<std::string> TakenUp;
    } journals[] = {
        {record, text},
        {JournalRecord(""), ""},
        {JournalRecord(record), record}, // a marker inside the text is text
        {"", std::nullopt},
        {text, std::nullopt},                                 // cut off before its marker
        {record.substr(0, record.size() - 1), std::nullopt},  // cut off inside it
        {flipped, std::nullopt},                              // the checksum does not fit
        {"x" + record, std::nullopt},                         // nor the length
        {record + "[Port]\r\n", std::nullopt},                // more after the marker
    };
    for (const auto& journal : journals)
        EXPECT_EQ(CompleteJournalText(journal.Journal), journal.TakenUp) << journal.Journal;
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(JournalName("C:\\Vemu Keys\\vemuKeys.set"), "C:\\Vemu Keys\\vemuKeys.set.journal");

    // The pauses before each next try, until the time allowed is used up.
    const struct {
        uint32_t Allowed;
        std::vector<uint32_t> Pauses;
    } waits[] = {
        {TSettingsFile::HoldWaitMs, {100, 150, 200, 250, 300, 300, 300, 300, 100}},
        {1000, {100, 150, 200, 250, 300}},
        {0, {}},
    };
    for (const auto& wait : waits) {
        std::vector<uint32_t> pauses;
        uint32_t waited = 0;
        for (uint32_t pause; (pause = RetryPauseMs(static_cast<uint32_t>(pauses.size()), waited, wait.Allowed)) > 0;) {
            pauses.push_back(pause);
            waited += pause;
        }
        EXPECT_EQ(pauses, wait.Pauses) << wait.Allowed;
    }
}

// A power cut while the file was written over: the journal was complete, the
// file is half written. The next start completes the write before it reads
// a value, and says so.
TEST(SettingsJournal, AWriteCutOffInPlaceIsCompletedAtTheNextStart)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    WriteFileText(path, "; by hand\r\n[Port]\r\nPort=7\r\n");
    {
        const TSeam faults(SetFileFaults, [&](const std::string& Path, TFileAccess Access) {
            return Path == path && Access == TFileAccess::Write ? TFileFault::WriteFails : TFileFault::None;
        });
        TIniFile ini(path);
        EXPECT_FALSE(ini.WriteInteger("Port", "Rate", 9600));
    }
    ASSERT_EQ(ReadFileText(path).find("Port=7"), std::string::npos) << "cut off half way";

    TGlobals globals(dir.File("vemuKeys.exe"));
    EXPECT_EQ(globals.Settings.Port.Rate, 9600);
    EXPECT_EQ(ReadFileText(path), "; by hand\r\n[Port]\r\nPort=7\r\nRate=9600\r\n");
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
