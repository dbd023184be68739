// Names from the shared settings file: only ordinary files are opened.
#include "base/files/FilePaths.h"

#include "base/files/NamedFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// C: and D: are this computer's drives, Z: another computer's share mapped
// to a letter, every other letter no drive at all.
TDriveKind TestDrives(char Letter)
{
    if (Letter == 'C' || Letter == 'D')
        return TDriveKind::Local;
    return Letter == 'Z' ? TDriveKind::Remote : TDriveKind::Missing;
}

class FilePaths : public ::testing::Test {
protected:
    const TSeam Drives{SetDriveKindSource, TestDrives};
};

TEST_F(FilePaths, DevicesStreamsAndOtherComputersAreRefused)
{
    for (const char* path : {"COM8", "com8", "COM8.log", "com1.txt.bak", "Logs\\COM8.log", "C:\\Logs\\lpt1.txt",
                             "C:/temp/nul", "NUL .txt", "aux", "PRN.wav", "CON", "conin$", "CONOUT$.log", "COM\xb9.log",
                             "lpt\xb3", "\\\\.\\COM8", "//./COM8", "\\\\?\\C:\\x.log", "\\\\server\\share\\vemu.log",
                             "//server/share/vemu.log", "\\/server/share", "COM8:", "C:\\log.txt:hidden", "ding.wav:x",
                             "C:\\Logs\\", "", "COM8\\vemu.log"}) {
        EXPECT_FALSE(IsPlainFilePath(path)) << path;
    }
}

// "\??\" is passed on by Windows as a raw path: a device, another drive's
// file, a share.
TEST_F(FilePaths, RawAndRootedPathsAreRefused)
{
    for (const char* path : {"\\??\\GLOBALROOT\\Device\\Serial0", "\\??\\C:\\Logs\\vemu.log",
                             "\\??\\UNC\\server\\share\\x.wav", "/?\?/C:/Logs/vemu.log", "\\?\?/UNC/server/share/x.wav",
                             "//?/C:/x.log", "//?/UNC/server/share/x.wav", "\\Logs\\vemu.log", "/home/user/vemu.log",
                             "D:vemu.log", "C:", "??\\C:\\x.log"}) {
        EXPECT_FALSE(IsPlainFilePath(path)) << path;
    }
}

TEST_F(FilePaths, NetworkDrivesAndMissingDrivesAreRefused)
{
    for (const char* path : {"Z:\\vemu.log", "z:/Logs/vemu.log", "Q:\\vemu.log"})
        EXPECT_FALSE(IsPlainFilePath(path)) << path;
    EXPECT_TRUE(IsPlainFilePath("d:\\Logs\\vemu.log"));
}

TEST_F(FilePaths, OrdinaryFilesPass)
{
    for (const char* path : {"vemu.log", "C:\\Logs\\vemu.log", "c:/Logs/vemu.log", "..\\vemu.log", "COM10.log",
                             "COM0.log", "comic.log", "Logs\\console.log", "nullable.wav", "LPT.txt",
                             "C:\\Windows\\Media\\ding.wav", "a b\\con sole.log", "Logs/vemu.log"}) {
        EXPECT_TRUE(IsPlainFilePath(path)) << path;
    }
}

TEST_F(FilePaths, RelativeNamesAreTakenBesideTheProgram)
{
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "vemu.log"), "C:\\Vemu Keys\\vemu.log");
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "Logs\\vemu.log"), "C:\\Vemu Keys\\Logs\\vemu.log");
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "D:\\vemu.log"), "D:\\vemu.log");
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "D:vemu.log"), "D:vemu.log");
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "\\vemu.log"), "\\vemu.log");
    EXPECT_EQ(BesideProgram("/opt/vemu/", "/tmp/vemu.log"), "/tmp/vemu.log");
}

TEST_F(FilePaths, FileDialogsStartOnlyInLocalFolders)
{
    EXPECT_EQ(DialogStartFolder("D:\\Logs\\vemu.log", "C:\\Vemu\\"), "D:\\Logs");
    EXPECT_EQ(DialogStartFolder("vemu.log", "C:\\Vemu\\"), "C:\\Vemu");
    for (const char* name : {"\\\\server\\share\\vemu.log", "//server/share/vemu.log", "Z:\\vemu.log", "COM8.log", ""})
        EXPECT_EQ(DialogStartFolder(name, "C:\\Vemu\\"), "") << name;
}

// What a name leads to once it is opened: a name that passed every check
// may still reach a device.
TEST(NamedFile, OnlyFilesOnADiskAreOpened)
{
    TTempDir dir;
    WriteFileText(dir.File("ding.wav"), "RIFF");
    TNamedFile file;
    const auto open = [&](const std::string& Name) { return file.Open(TNamedFileUse::ReadSound, Name, dir.Path()); };
    EXPECT_EQ(open("ding.wav"), TFileRefusal::None);
    std::string bytes;
    EXPECT_TRUE(file.ReadAll(bytes) && bytes == "RIFF");
    EXPECT_EQ(open("missing.wav"), TFileRefusal::None);
    EXPECT_FALSE(file.IsOpen());
#ifdef _WIN32
    EXPECT_EQ(open("NUL"), TFileRefusal::NotAFile);
    EXPECT_EQ(open("\\\\.\\NUL"), TFileRefusal::NotAFile);
    {
        const TEveryDriveLocal drives;
        EXPECT_EQ(open("Z:\\dev\\null"), TFileRefusal::NotAFile);
    }
#else
    // A link in the name's place is not followed.
    ASSERT_EQ(symlink("/dev/null", dir.File("null.wav").c_str()), 0);
    EXPECT_EQ(open("null.wav"), TFileRefusal::Link);
    ASSERT_EQ(mkfifo(dir.File("pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(open("pipe.wav"), TFileRefusal::NotAFile);
#endif
    EXPECT_FALSE(file.IsOpen());
}

// Any user may name any file as another user's log: the rules over what the
// opened file says of itself, for the log file and for the error sound.
TEST(NamedFile, RulesForTheLogFileAndTheSound)
{
    TOpenedFileFacts earlierLog; // the user's own log from an earlier start
    earlierLog.Disk = earlierLog.OwnedByUser = earlierLog.KeepsRights = true;
    earlierLog.FinalName = "\\\\?\\C:\\Users\\Anna\\vemu.log";
    earlierLog.Head = ">>> Start";
    earlierLog.Size = 4000;
    using F = TOpenedFileFacts&;
    using R = TFileRefusal;
    const struct {
        const char* What;
        void (*Change)(F);
        TFileRefusal Log, Sound;
    } cases[] = {
        {"an earlier log", [](F) {}, R::None, R::None},
        {"made just now", [](F f) { f.Created = true, f.Size = 0, f.Head = ""; }, R::None, R::None},
        {"empty", [](F f) { f.Size = 0, f.Head = ""; }, R::None, R::None},
        {"a .TXT", [](F f) { f.FinalName = "C:\\vemu.TXT"; }, R::None, R::None},
        {"a device", [](F f) { f.Disk = false; }, R::NotAFile, R::NotAFile},
        {"a folder", [](F f) { f.Directory = true; }, R::NotAFile, R::NotAFile},
        {"a link", [](F f) { f.Reparse.Kind = TReparse::NameSurrogate; }, R::Link, R::Link},
        {"kept by a cloud service", [](F f) { f.Reparse.Kind = TReparse::Other; }, R::None, R::None},
        {"a service's file that opens as another", [](F f) { f.Reparse = {TReparse::Other, false}; }, R::Link, R::Link},
        {"the long name of a short one", [](F f) { f.FinalName = "C:\\Start\\vemu.log.hta"; }, R::WrongName, R::None},
        {"a second name", [](F f) { f.Names = 2; }, R::SecondName, R::None},
        {"on FAT", [](F f) { f.KeepsRights = false; }, R::NoRights, R::None},
        {"made on FAT", [](F f) { f.Created = true, f.Size = 0, f.KeepsRights = false; }, R::NoRights, R::None},
        {"another user's", [](F f) { f.OwnedByUser = false; }, R::ForeignOwner, R::None},
        {"a document", [](F f) { f.Head = "Liebe Ann"; }, R::NotALog, R::None},
        {"the start line cut", [](F f) { f.Head = ">>> Sta", f.Size = 7; }, R::NotALog, R::None},
        {"too large to play", [](F f) { f.Size = MaxSoundSize + 1; }, R::None, R::TooLarge},
        {"the largest sound", [](F f) { f.Size = MaxSoundSize; }, R::None, R::None},
    };
    for (const auto& c : cases) {
        TOpenedFileFacts facts = earlierLog;
        c.Change(facts);
        EXPECT_EQ(JudgeOpenedFile(TNamedFileUse::AppendLog, facts), c.Log) << c.What;
        EXPECT_EQ(JudgeOpenedFile(TNamedFileUse::ReadSound, facts), c.Sound) << c.What;
    }
    for (const char* name : {"vemu.log", "C:\\Logs\\VEMU.LOG", "notiz.Txt"})
        EXPECT_TRUE(IsLogFileName(name)) << name;
    for (const char* name : {"run.hta", "vemu.log.hta", "vemu.logx", "vemu.log ", "log", ""})
        EXPECT_FALSE(IsLogFileName(name)) << name;
}

} // namespace
