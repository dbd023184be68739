// Names from the shared settings file: only ordinary files are opened.
#include "base/FilePaths.h"

#include <gtest/gtest.h>

namespace {

TEST(FilePaths, DevicesStreamsAndOtherComputersAreRefused)
{
    for (const char* path : {"COM8", "com8", "COM8.log", "com1.txt.bak", "Logs\\COM8.log", "C:\\Logs\\lpt1.txt",
                             "C:/temp/nul", "NUL .txt", "aux", "PRN.wav", "CON", "conin$", "CONOUT$.log", "COM\xb9.log",
                             "lpt\xb3", "\\\\.\\COM8", "//./COM8", "\\\\?\\C:\\x.log", "\\\\server\\share\\vemu.log",
                             "//server/share/vemu.log", "\\/server/share", "COM8:", "C:\\log.txt:hidden", "ding.wav:x",
                             "C:\\Logs\\", "", "COM8\\vemu.log"}) {
        EXPECT_FALSE(IsPlainFilePath(path)) << path;
    }
}

TEST(FilePaths, OrdinaryFilesPass)
{
    for (const char* path : {"vemu.log", "C:\\Logs\\vemu.log", "c:/Logs/vemu.log", "D:vemu.log", "\\Logs\\vemu.log",
                             "..\\vemu.log", "COM10.log", "COM0.log", "comic.log", "Logs\\console.log", "nullable.wav",
                             "LPT.txt", "C:\\Windows\\Media\\ding.wav", "a b\\con sole.log", "/home/user/vemu.log"}) {
        EXPECT_TRUE(IsPlainFilePath(path)) << path;
    }
}

TEST(FilePaths, RelativeNamesAreTakenBesideTheProgram)
{
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "vemu.log"), "C:\\Vemu Keys\\vemu.log");
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "Logs\\vemu.log"), "C:\\Vemu Keys\\Logs\\vemu.log");
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "D:\\vemu.log"), "D:\\vemu.log");
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "D:vemu.log"), "D:vemu.log");
    EXPECT_EQ(BesideProgram("C:\\Vemu Keys\\", "\\vemu.log"), "\\vemu.log");
    EXPECT_EQ(BesideProgram("/opt/vemu/", "/tmp/vemu.log"), "/tmp/vemu.log");
}

} // namespace
