// Names from the shared settings file: only ordinary files are opened.
#include "base/FilePaths.h"

#include "base/FileSystem.h"
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
    FilePaths() { SetDriveKindSource(TestDrives); }
    ~FilePaths() override { SetDriveKindSource(nullptr); }
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

// What a name leads to once it is opened: a name that passed every check
// may still reach a device.
TEST(OpenedFileKind, OnlyFilesOnADiskAreFiles)
{
    TTempDir dir;
    WriteFileText(dir.File("ding.wav"), "RIFF");
    EXPECT_EQ(OpenedFileKind(dir.File("ding.wav")), TFileKind::Disk);
    EXPECT_EQ(OpenedFileKind(dir.File("missing.wav")), TFileKind::Unopened);
#ifdef _WIN32
    EXPECT_EQ(OpenedFileKind("NUL"), TFileKind::Other);
    EXPECT_EQ(OpenedFileKind("\\\\.\\NUL"), TFileKind::Other);
#else
    ASSERT_EQ(symlink("/dev/null", dir.File("null.wav").c_str()), 0);
    EXPECT_EQ(OpenedFileKind(dir.File("null.wav")), TFileKind::Other);
    ASSERT_EQ(mkfifo(dir.File("pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(OpenedFileKind(dir.File("pipe.wav")), TFileKind::Other);
#endif
}

} // namespace
