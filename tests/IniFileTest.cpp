#include "base/IniFile.h"

#include "base/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string Path = Dir.File("vemuKeys.set");
    TIniFile Ini{Path};

    void Store(const std::string& Text) { WriteFileText(Path, Text); }
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

// Where no new file can be made beside the settings file, the file is not
// rewritten in place either: it keeps every byte.
TEST_F(IniFileTest, WithoutRoomForTheNewFileTheOldOneStaysAsItWas)
{
    const std::string before = "[Port]\r\nPort=7\r\nRate=9600\r\n";
    Store(before);
    std::filesystem::create_directory(Path + ".new");
    EXPECT_FALSE(Ini.WriteString("Port", "Port", "8"));
    EXPECT_FALSE(Ini.WriteString("Start", "Left", "1"));
    EXPECT_EQ(ReadFileText(Path), before);
    EXPECT_EQ(Ini.ReadInteger("Port", "Port", 0), 7);
}

// Reads of the settings file fail while it lives, the way a file that
// another program holds, or a failing stick, makes them fail.
class TFailingReads {
public:
    explicit TFailingReads(TOpenForRead Open) { SetOpenForRead(Open); }
    ~TFailingReads() { SetOpenForRead(nullptr); }

    // Refused at the door (a sharing violation, no right to read).
    static std::FILE* Refused(const char*)
    {
        errno = EACCES;
        return nullptr;
    }
    // Opened, but every read fails (a read error half way); the C library
    // of Windows reads nothing from such a stream without an error, so
    // there the real sharing violation of the Win32 test stands for it.
    static std::FILE* FailingRead(const char* Path) { return std::fopen(Path, "ab"); }

    static std::vector<TOpenForRead> Failures()
    {
#ifdef _WIN32
        return {&Refused};
#else
        return {&Refused, &FailingRead};
#endif
    }
};

TEST_F(IniFileTest, AFileThatIsThereButCannotBeReadIsNeverReplaced)
{
    const std::string before = "; set up by hand\r\n[Port]\r\nPort=7\r\n[GIDEI]\r\nSound=C:\\ding.wav\r\n";
    for (TOpenForRead open : TFailingReads::Failures()) {
        Store(before);
        {
            TFailingReads failing(open);
            EXPECT_FALSE(Ini.WriteString("Start", "Tray", "1")) << "a write that changed nothing reports success";
            EXPECT_FALSE(Ini.WriteInteger("Port", "Port", 8));
        }
        EXPECT_EQ(ReadFileText(Path), before);
        EXPECT_FALSE(std::filesystem::exists(Path + ".new"));
        // Readable again, it takes writes as before.
        ASSERT_TRUE(Ini.WriteInteger("Port", "Port", 8));
        EXPECT_EQ(Ini.ReadInteger("Port", "Port", 0), 8);
        EXPECT_EQ(Ini.ReadString("GIDEI", "Sound", ""), "C:\\ding.wav");
    }
}

TEST_F(IniFileTest, OnlyAMissingFileStartsEmpty)
{
    std::string contents = "left over";
    EXPECT_EQ(ReadFileForUpdate(Path, contents), TFileRead::Missing);
    EXPECT_EQ(contents, "");
    EXPECT_EQ(ReadFileForUpdate(Dir.File("no-folder/vemuKeys.set"), contents), TFileRead::Missing);
    Store("[A]\r\nx=1\r\n");
    EXPECT_EQ(ReadFileForUpdate(Path, contents), TFileRead::Read);
    EXPECT_EQ(contents, "[A]\r\nx=1\r\n");
    // A folder of that name is there, and no settings file to be replaced.
    const std::string folder = Dir.File("folder.set");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(ReadFileForUpdate(folder, contents), TFileRead::Unreadable);
    EXPECT_FALSE(TIniFile(folder).WriteString("A", "x", "2"));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

} // namespace
