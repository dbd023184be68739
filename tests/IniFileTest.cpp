#include "base/settings/IniFile.h"

#include "base/files/FileSystem.h"
#include "base/settings/SettingsJournal.h"
#include "base/files/SharedFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

// The pauses between tries of an unreadable file, recorded instead of
// slept.
std::vector<uint32_t> Pauses;
void RecordPause(uint32_t Ms) { Pauses.push_back(Ms); }

class IniFileTest : public ::testing::Test {
protected:
    IniFileTest() { Pauses.clear(); }

    const TSeam RecordedPauses{SetRetryPause, RecordPause};
    TTempDir Dir;
    std::string Path = Dir.File("vemuKeys.set");
    TIniFile Ini{Path};

    void Store(const std::string& Text) { WriteFileText(Path, Text); }

    // What a write left in the folder.
    std::vector<std::string> Leftovers() const { return SettingsLeftovers(Dir); }
};

TEST_F(IniFileTest, MissingFileReadsDefaults)
{
    EXPECT_EQ(Ini.ReadInteger("Port", "Port", 7), 7);
    EXPECT_EQ(Ini.ReadString("GIDEI", "Sound", "none"), "none");
    EXPECT_TRUE(Ini.ReadBool("Extended", "CheckPort", true));
}

TEST_F(IniFileTest, IntegersAreDecimalOrHexWithDefaultsForTheRest)
{
    Store("[Port]\r\nPort=0x0A\r\nRate=abc\r\nA=-12\r\nB=+7\r\nC=0XfF\r\nD=12abc\r\nE=\r\n"
          "F=0x\r\nG=2147483648\r\nH=-2147483648\r\nI=0xFFFFFFFF\r\nJ=0x100000000\r\nK=0xG1\r\nL=-\r\n");
    EXPECT_EQ(Ini.ReadInteger("Port", "Port", 0), 10);
    EXPECT_EQ(Ini.ReadInteger("Port", "Rate", 0), 0);
    EXPECT_EQ(Ini.ReadInteger("Port", "Rate", 300), 300);
    EXPECT_EQ(Ini.ReadInteger("Port", "A", 0), -12);
    EXPECT_EQ(Ini.ReadInteger("Port", "B", 0), 7);
    EXPECT_EQ(Ini.ReadInteger("Port", "C", 0), 255);
    EXPECT_EQ(Ini.ReadInteger("Port", "D", 5), 5);
    EXPECT_EQ(Ini.ReadInteger("Port", "E", 5), 5);
    EXPECT_EQ(Ini.ReadInteger("Port", "F", 5), 5);
    EXPECT_EQ(Ini.ReadInteger("Port", "G", 5), 5);
    EXPECT_EQ(Ini.ReadInteger("Port", "H", 5), INT32_MIN);
    EXPECT_EQ(Ini.ReadInteger("Port", "I", 5), -1);
    EXPECT_EQ(Ini.ReadInteger("Port", "J", 5), 5);
    EXPECT_EQ(Ini.ReadInteger("Port", "K", 5), 5);
    EXPECT_EQ(Ini.ReadInteger("Port", "L", 5), 5);
}

TEST_F(IniFileTest, BooleansAreNonZeroIntegers)
{
    Store("[S]\nOn=1\nOff=0\nTwo=2\nText=yes\n");
    EXPECT_TRUE(Ini.ReadBool("S", "On", false));
    EXPECT_FALSE(Ini.ReadBool("S", "Off", true));
    EXPECT_TRUE(Ini.ReadBool("S", "Two", false));
    EXPECT_TRUE(Ini.ReadBool("S", "Text", true));
    EXPECT_FALSE(Ini.ReadBool("S", "Text", false));
}

TEST_F(IniFileTest, ReadsLikeThePrivateProfileReader)
{
    Store("  [port]  \n"
          "  PORT  =   5   \n"
          "quoted=\"a b \"\n"
          "single='x'\n"
          "lone=\"\n"
          "novalue\n"
          "empty=\n"
          "[Port]\n"
          "Rate=9600\n"
          "[Other]\r"
          "Key=v\r\n\r\n\r\n"
          "[ Spaced ]\n"
          "K=1\n"
          "[broken\n");
    EXPECT_EQ(Ini.ReadString("Port", "Port", "-"), "5");
    EXPECT_EQ(Ini.ReadString(" Port ", " port ", "-"), "5");
    EXPECT_EQ(Ini.ReadString("Port", "quoted", "-"), "a b ");
    EXPECT_EQ(Ini.ReadString("Port", "single", "-"), "x");
    EXPECT_EQ(Ini.ReadString("Port", "lone", "-"), "\"");
    EXPECT_EQ(Ini.ReadString("Port", "novalue", "-"), "-");
    EXPECT_EQ(Ini.ReadString("Port", "empty", "-"), "");
    // Only the first section of a name is read.
    EXPECT_EQ(Ini.ReadString("Port", "Rate", "-"), "-");
    EXPECT_EQ(Ini.ReadString("Other", "Key", "-"), "v");
    EXPECT_EQ(Ini.ReadString("Spaced", "K", "-"), "-");
    EXPECT_EQ(Ini.ReadString(" Spaced ", "K", "-"), "-");
}

TEST_F(IniFileTest, LongValuesAreCutTo2047Characters)
{
    const std::string longValue(3000, 'x');
    Store("[S]\nlong=" + longValue + "\nexact=" + std::string(2047, 'y') + "\n");
    EXPECT_EQ(Ini.ReadString("S", "long", ""), std::string(2047, 'x'));
    EXPECT_EQ(Ini.ReadString("S", "exact", ""), std::string(2047, 'y'));
}

TEST_F(IniFileTest, WritesGoThroughAtOnceAndKeepTheRestOfTheFile)
{
    Store("; my notes\r\n[Port]\r\nPort=3\r\nRate=300\r\n\r\n[GIDEI]\r\nUse=1\r\n");
    ASSERT_TRUE(Ini.WriteInteger("port", "RATE", 9600));
    ASSERT_TRUE(Ini.WriteInteger("Port", "Bytesize", 7));
    ASSERT_TRUE(Ini.WriteBool("Start", "Tray", true));
    EXPECT_EQ(ReadFileText(Path), "; my notes\r\n[Port]\r\nPort=3\r\nRate=9600\r\nBytesize=7\r\n\r\n"
                                  "[GIDEI]\r\nUse=1\r\n[Start]\r\nTray=1\r\n");
    EXPECT_EQ(Ini.ReadInteger("Port", "Rate", 0), 9600);
}

TEST_F(IniFileTest, WritingCreatesTheFileAndAppendsAfterAnUnterminatedLastLine)
{
    ASSERT_TRUE(Ini.WriteString("Extended", "FileName", "C:\\logs\\vemu.log"));
    EXPECT_EQ(ReadFileText(Path), "[Extended]\r\nFileName=C:\\logs\\vemu.log\r\n");
    Store("[A]\nx=1");
    ASSERT_TRUE(Ini.WriteString("A", "y", "2"));
    ASSERT_TRUE(Ini.WriteString("B", "z", "3"));
    EXPECT_EQ(ReadFileText(Path), "[A]\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
}

TEST_F(IniFileTest, AValueStaysOnOneLine)
{
    // A line break would turn the rest of the value into a key of its own.
    ASSERT_TRUE(Ini.WriteString("GIDEI", "Sound", "a.wav\r\n[Port]\r\nPort=9"));
    EXPECT_EQ(Ini.ReadString("GIDEI", "Sound", ""), "a.wav");
    EXPECT_EQ(Ini.ReadInteger("Port", "Port", 0), 0);
}

TEST_F(IniFileTest, WrittenValuesReadBack)
{
    for (int32_t value : {0, 1, -1, 255, INT32_MAX, INT32_MIN}) {
        ASSERT_TRUE(Ini.WriteInteger("S", "I", value));
        EXPECT_EQ(Ini.ReadInteger("S", "I", 42), value);
    }
    ASSERT_TRUE(Ini.WriteString("S", "Text", "  leading blanks"));
    EXPECT_EQ(Ini.ReadString("S", "Text", ""), "leading blanks");
}

TEST_F(IniFileTest, AFileThatCannotBeWrittenReportsFalse)
{
    TIniFile nowhere(Dir.File("missing-folder/vemuKeys.set"));
    EXPECT_FALSE(nowhere.WriteString("S", "K", "v"));
    EXPECT_EQ(nowhere.ReadString("S", "K", "default"), "default");
}

// Where the journal cannot be written, the file is not rewritten in place
// either: it keeps every byte.
TEST_F(IniFileTest, WithoutItsJournalTheFileStaysAsItWas)
{
    const std::string before = "[Port]\r\nPort=7\r\nRate=9600\r\n";
    Store(before);
    std::filesystem::create_directory(JournalName(Path));
    EXPECT_FALSE(Ini.WriteString("Port", "Port", "8"));
    EXPECT_FALSE(Ini.WriteString("Start", "Left", "1"));
    EXPECT_EQ(ReadFileText(Path), before);
    EXPECT_EQ(Ini.ReadInteger("Port", "Port", 0), 7);
}

// Opens of the settings file fail while it lives, the way a file that
// another program holds, one without the right to it, or a failing stick
// makes them fail.
class TFailingReads {
public:
    explicit TFailingReads(TFileFault Fault)
        : FFaults(SetFileFaults, [Fault](const std::string&, TFileAccess) { return Fault; })
    {
    }

    static std::vector<TFileFault> Failures() { return {TFileFault::Held, TFileFault::Refused, TFileFault::ReadFails}; }

private:
    TSeam FFaults;
};

TEST_F(IniFileTest, AFileThatIsThereButCannotBeReadIsNeverReplaced)
{
    const std::string before = "; set up by hand\r\n[Port]\r\nPort=7\r\n[GIDEI]\r\nSound=C:\\ding.wav\r\n";
    // Each round writes a port of its own: a value this program wrote
    // before is no change and would not be written at all.
    int32_t port = 8;
    for (TFileFault fault : TFailingReads::Failures()) {
        Store(before);
        ++port;
        {
            TFailingReads failing(fault);
            Pauses.clear();
            EXPECT_FALSE(Ini.WriteString("Start", "Tray", "1")) << "a write that changed nothing reports success";
            const size_t waited = Pauses.size();
            EXPECT_EQ(waited > 0, fault == TFileFault::Held) << "another program's hold is waited for";
            EXPECT_FALSE(Ini.WriteInteger("Port", "Port", port));
            EXPECT_EQ(Pauses.size(), waited) << "the next write of an exit does not wait again";
        }
        EXPECT_EQ(ReadFileText(Path), before);
        EXPECT_TRUE(Leftovers().empty());
        // Readable again, it takes writes as before.
        ASSERT_TRUE(Ini.WriteInteger("Port", "Port", port));
        EXPECT_EQ(Ini.ReadInteger("Port", "Port", 0), port);
        EXPECT_EQ(Ini.ReadString("GIDEI", "Sound", ""), "C:\\ding.wav");
    }
}

TEST_F(IniFileTest, OnlyAMissingFileStartsEmpty)
{
    EXPECT_EQ(TSettingsFile(Path).Read().Result, TFileRead::Missing);
    EXPECT_EQ(TSettingsFile(Dir.File("no-folder/vemuKeys.set")).Read().Result, TFileRead::Missing);
    Store("[A]\r\nx=1\r\n");
    const TSettingsFile::TText read = TSettingsFile(Path).Read();
    EXPECT_EQ(read.Result, TFileRead::Read);
    EXPECT_EQ(read.Text, "[A]\r\nx=1\r\n");
    // A folder of that name is there, and no settings file to be replaced.
    const std::string folder = Dir.File("folder.set");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(TSettingsFile(folder).Read().Result, TFileRead::Unreadable);
    EXPECT_FALSE(TIniFile(folder).WriteString("A", "x", "2"));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

// A scanner or a sync tool holds the file for a moment: it is tried again
// over about a second before it counts as held; a missing file is never
// waited for.
int RefusalsLeft = 0;

TEST_F(IniFileTest, AFileHeldForAMomentIsTriedAgain)
{
    Store("[Port]\r\nPort=7\r\n");
    const TSeam faults(SetFileFaults, [](const std::string&, TFileAccess) {
        if (RefusalsLeft == 0)
            return TFileFault::None;
        --RefusalsLeft;
        return TFileFault::Held;
    });
    RefusalsLeft = 3;
    EXPECT_EQ(Ini.ReadInteger("Port", "Port", 0), 7);
    EXPECT_EQ(Pauses.size(), 3u);
    EXPECT_FALSE(Ini.WritesRefused());

    Pauses.clear();
    RefusalsLeft = 1000;
    EXPECT_EQ(TSettingsFile(Path).Read().Result, TFileRead::Held);
    uint32_t waited = 0;
    for (uint32_t pause : Pauses)
        waited += pause;
    EXPECT_GE(Pauses.size(), 3u) << "a few tries";
    EXPECT_LE(waited, 1000u) << "about a second at most";

    Pauses.clear();
    RefusalsLeft = 1000;
    EXPECT_EQ(TSettingsFile(Dir.File("missing.set")).Read().Result, TFileRead::Missing);
    EXPECT_TRUE(Pauses.empty()) << "a missing file is not waited for";
}

// The program starts while a scanner holds the file: its values are the
// defaults (port 0), and written back at the end they would replace the
// user's settings once the file is readable again. None is written.
TEST_F(IniFileTest, AfterAReadThatFoundTheFileUnreadableNothingIsWritten)
{
    const std::string before = "; by hand\r\n[Port]\r\nPort=7\r\nRate=9600\r\n";
    for (TFileFault fault : TFailingReads::Failures()) {
        Store(before);
        TIniFile ini(Path);
        std::vector<std::string> notes;
        {
            TFailingReads failing(fault);
            EXPECT_EQ(ini.ReadInteger("Port", "Port", 0), 0);
            EXPECT_TRUE(ini.WritesRefused());
            Pauses.clear();
            EXPECT_EQ(ini.ReadInteger("Port", "Rate", 300), 300);
            EXPECT_TRUE(Pauses.empty()) << "later reads of the session do not wait again";
        }
        // Readable again at the end: still nothing is written.
        EXPECT_EQ(ini.ReadInteger("Port", "Port", 0), 7);
        EXPECT_FALSE(ini.WriteInteger("Port", "Port", 0));
        EXPECT_FALSE(ini.WriteInteger("Port", "Rate", 300));
        EXPECT_FALSE(ini.WriteString("Start", "Tray", "1"));
        EXPECT_EQ(ReadFileText(Path), before);
        EXPECT_TRUE(Leftovers().empty());

        // Said once, when a sink is there; a second sink hears nothing.
        ini.SetNoteSink([&](const std::string& Line) { notes.push_back(Line); });
        ini.SetNoteSink([&](const std::string& Line) { notes.push_back("again: " + Line); });
        EXPECT_EQ(notes, std::vector<std::string>{fault == TFileFault::Held
                                                      ? "### Einstellungsdatei blockiert, diese Sitzung schreibt "
                                                        "nichts hinein: " + Path
                                                      : "### Einstellungsdatei nicht lesbar, die Einstellungen "
                                                        "dieser Sitzung werden nicht gespeichert: " + Path});
    }
}

TEST_F(IniFileTest, AFileThatBecomesUnreadableLaterIsSaidAtOnceWhenASinkIsSet)
{
    Store("[Port]\r\nPort=7\r\n");
    std::vector<std::string> notes;
    Ini.SetNoteSink([&](const std::string& Line) { notes.push_back(Line); });
    EXPECT_EQ(Ini.ReadInteger("Port", "Port", 0), 7);
    EXPECT_TRUE(notes.empty());
    {
        TFailingReads failing(TFileFault::Held);
        EXPECT_EQ(Ini.ReadInteger("LogView", "Left", 10), 10);
        EXPECT_EQ(Ini.ReadInteger("LogView", "Top", 10), 10);
    }
    EXPECT_EQ(notes.size(), 1u);
    EXPECT_FALSE(Ini.WriteInteger("LogView", "Left", 10));
}

// Two programs (two users' sessions) ending at once: each holds the file
// for its whole read-change-write, the other waits, and both changes stay.
// The file is written in place: a second link to it sees every change.
TEST_F(IniFileTest, TwoProgramsSavingAtOnceEachKeepTheirChange)
{
    SetRetryPause(nullptr); // real waits: the other program's write must end
    Store("; by hand\r\n[Port]\r\nPort=7\r\n");
    const std::string link = Dir.File("link.set");
    std::filesystem::create_hard_link(Path, link);
    std::atomic<int> failed{0};
    // Each adds keys of its own: a change lost to the other's write is a
    // key missing.
    auto program = [&](char Name) {
        TIniFile ini(Path);
        for (int i = 1; i <= 20; ++i)
            failed += !ini.WriteInteger("Test", Name + std::to_string(i), i);
    };
    std::thread first(program, 'A'), second(program, 'B');
    first.join();
    second.join();
    EXPECT_EQ(failed, 0);
    for (int i = 1; i <= 20; ++i) {
        EXPECT_EQ(Ini.ReadInteger("Test", "A" + std::to_string(i), 0), i);
        EXPECT_EQ(Ini.ReadInteger("Test", "B" + std::to_string(i), 0), i);
    }
    EXPECT_EQ(ReadFileText(Path).rfind("; by hand\r\n[Port]\r\nPort=7\r\n", 0), 0u);
    EXPECT_EQ(ReadFileText(link), ReadFileText(Path)) << "written in place";
    EXPECT_EQ(ReadFileText(JournalName(Path)), "") << "the journal emptied";
}

TEST_F(IniFileTest, AProgramWritesBackOnlyWhatItChanged)
{
    // Two sessions read the same settings at their start; each changes
    // one value, and both write every value at their end.
    Store("[Port]\r\nPort=7\r\n[GIDEI]\r\nSound=\"a.wav\"\r\n");
    TIniFile first(Path), second(Path);
    ASSERT_EQ(first.ReadInteger("Port", "Port", 0), 7);
    ASSERT_EQ(first.ReadString("GIDEI", "Sound", ""), "a.wav");
    ASSERT_EQ(second.ReadInteger("port", "PORT", 0), 7);
    ASSERT_EQ(second.ReadString("GIDEI", "Sound", ""), "a.wav");
    EXPECT_TRUE(second.WriteInteger("Port", "Port", 3));
    EXPECT_TRUE(second.WriteString("GIDEI", "Sound", "a.wav"));
    EXPECT_TRUE(first.WriteInteger("Port", "Port", 7));
    EXPECT_TRUE(first.WriteString("GIDEI", "Sound", "b.wav"));
    EXPECT_EQ(Ini.ReadInteger("Port", "Port", 0), 3) << "the second session's change stays";
    EXPECT_EQ(Ini.ReadString("GIDEI", "Sound", ""), "b.wav") << "the first session's change stays";
    // A key read as missing is written, and a value written once is not
    // written again over another program's change.
    EXPECT_EQ(first.ReadInteger("Port", "Rate", 0), 0);
    EXPECT_TRUE(first.WriteInteger("Port", "Rate", 0));
    EXPECT_EQ(Ini.Read("Port", "Rate"), "0");
    EXPECT_TRUE(second.WriteString("GIDEI", "Sound", "c.wav"));
    EXPECT_TRUE(first.WriteString("GIDEI", "Sound", "b.wav"));
    EXPECT_EQ(Ini.ReadString("GIDEI", "Sound", ""), "c.wav");
}

} // namespace
