// Names from the shared settings file: only ordinary files are opened.
#include "base/files/FilePaths.h"

#include "base/files/NamedFile.h"
#include "base/files/UserFolders.h"
#include "base/files/WaveFile.h"
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
    const TUserFolders user{dir.Path(), "", ""};
    const auto open = [&](const std::string& Name) {
        return file.Open(TNamedFileUse::ReadSound, Name, dir.Path(), user);
    };
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
        EXPECT_EQ(open("Z:\\dev\\null"), TFileRefusal::OutsideProfile);
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
    earlierLog.Volume = TVolumeKind::Fixed;
    earlierLog.Homes = {"\\\\?\\C:\\Users\\Anna"};
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
        {"a .TXT", [](F f) { f.FinalName = "C:\\Users\\Anna\\vemu.TXT"; }, R::None, R::None},
        {"a device", [](F f) { f.Disk = false; }, R::NotAFile, R::NotAFile},
        {"a folder", [](F f) { f.Directory = true; }, R::NotAFile, R::NotAFile},
        {"a link", [](F f) { f.Reparse.Kind = TReparse::NameSurrogate; }, R::Link, R::Link},
        {"kept by a cloud service", [](F f) { f.Reparse.Kind = TReparse::Other; }, R::None, R::None},
        {"a service's file that opens as another", [](F f) { f.Reparse = {TReparse::Other, false}; }, R::Link, R::Link},
        {"the long name of a short one", [](F f) { f.FinalName = "C:\\Users\\Anna\\vemu.log.hta"; }, R::WrongName,
         R::None},
        {"a junction below the profile", [](F f) { f.FinalName = "\\\\?\\D:\\Stick\\vemu.log"; }, R::LeadsAway,
         R::LeadsAway},
        {"the profile reached through a junction",
         [](F f) { f.FinalName = "\\\\?\\D:\\Profile\\Anna\\vemu.log", f.Homes = {"\\\\?\\D:\\Profile\\Anna"}; },
         R::None, R::None},
        {"no final name", [](F f) { f.FinalName = ""; }, R::LeadsAway, R::LeadsAway},
        {"on a stick", [](F f) { f.Volume = TVolumeKind::Removable; }, R::NotFixedDisk, R::NotFixedDisk},
        {"on another computer",
         [](F f) { f.FinalName = "\\\\?\\UNC\\pc\\c$\\Users\\Anna\\vemu.log", f.Volume = TVolumeKind::Remote; },
         R::NotFixedDisk, R::NotFixedDisk},
        {"a volume of unknown kind", [](F f) { f.Volume = TVolumeKind::Unknown; }, R::NotFixedDisk, R::NotFixedDisk},
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

// Which names lie in the user's own folder: the same rule for the name from
// the settings before anything is opened and for the final names of the
// opened file and of the profile.
TEST(UserFolders, WhatLiesBelowTheUsersFolder)
{
    const struct {
        const char* Path;
        const char* Folder;
        bool Below;
    } cases[] = {
        {"C:\\Users\\Anna\\vemu.log", "C:\\Users\\Anna", true},
        {"c:\\users\\ANNA\\Logs\\vemu.log", "C:\\Users\\Anna\\", true},
        {"\\\\?\\C:\\Users\\Anna\\vemu.log", "C:\\Users\\Anna", true},
        {"C:\\Users\\Anna\\vemu.log", "\\\\?\\C:\\Users\\Anna", true},
        {"C:/Users/Anna//vemu.log", "C:\\Users\\Anna", true},
        {"C:\\Users\\\xc3\x84nna\\x.log", "C:\\Users\\\xc3\xa4nna", true},
        {"C:\\Users\\Anna.\\vemu.log", "C:\\Users\\Anna", true}, // Windows drops the dot
        {"/home/anna/vemu.log", "/home/anna/", true},
        {"C:\\Users\\Anna", "C:\\Users\\Anna", false},
        {"C:\\Users\\Anna2\\vemu.log", "C:\\Users\\Anna", false},
        {"C:\\Users\\Bob\\vemu.log", "C:\\Users\\Anna", false},
        {"C:\\Users\\Anna\\..\\Bob\\vemu.log", "C:\\Users\\Anna", false},
        {"C:\\Users\\Anna\\.\\vemu.log", "C:\\Users\\Anna", false},
        {"C:\\Users\\Anna\\.. \\Bob\\x.log", "C:\\Users\\Anna", false},
        {"C:\\Users\\Anna\\vemu.log", "C:\\Users\\Anna\\Documents", false},
        {"D:\\Users\\Anna\\vemu.log", "C:\\Users\\Anna", false},
        {"\\\\server\\share\\Anna\\vemu.log", "\\\\server\\share\\Anna", false},
        {"\\\\?\\UNC\\server\\share\\Anna\\x.log", "\\\\?\\UNC\\server\\share\\Anna", false},
        {"\\Users\\Anna\\vemu.log", "\\Users\\Anna", false},
        {"vemu.log", "C:\\Users\\Anna", false},
        {"C:\\Users\\Anna\\vemu.log", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LiesBelow(c.Path, c.Folder), c.Below) << c.Path << " below " << c.Folder;
    EXPECT_TRUE(LiesBelowAny("C:\\Windows\\Media\\ding.wav", {"C:\\Users\\Anna", "C:\\Windows\\Media"}));
    EXPECT_FALSE(LiesBelowAny("C:\\Windows\\System32\\x.wav", {"C:\\Users\\Anna", "C:\\Windows\\Media"}));
}

// One shared name gives every user a file of their own, also in a profile
// whose name has letters outside Windows-1252.
TEST(UserFolders, ProfileNamesAreExpandedForTheUser)
{
    const TUserFolders anna{"C:\\Users\\Anna\\", "C:\\Users\\Anna\\AppData\\Local", "C:\\Windows\\Media"};
    const TUserFolders other{"C:\\Users\\\xd0\xaf\xd1\x80\xd0\xb0", "", ""};
    const struct {
        const char* Name;
        const TUserFolders& User;
        std::string Expanded;
    } cases[] = {
        {"%USERPROFILE%\\vemu.log", anna, "C:\\Users\\Anna\\vemu.log"},
        {"%LOCALAPPDATA%\\Vemu\\vemu.log", anna, "C:\\Users\\Anna\\AppData\\Local\\Vemu\\vemu.log"},
        {"%USERPROFILE%\\vemu.log", other, "C:\\Users\\\xd0\xaf\xd1\x80\xd0\xb0\\vemu.log"},
        {"%LOCALAPPDATA%\\vemu.log", other, "%LOCALAPPDATA%\\vemu.log"}, // unknown: lies below nothing
        {"%USERPROFILE%x.log", anna, "%USERPROFILE%x.log"},
        {"Logs\\%USERPROFILE%\\x.log", anna, "Logs\\%USERPROFILE%\\x.log"},
        {"%WINDIR%\\Media\\ding.wav", anna, "%WINDIR%\\Media\\ding.wav"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandUserFolder(c.Name, c.User), c.Expanded) << c.Name;
    EXPECT_TRUE(LiesBelow(ExpandUserFolder("%USERPROFILE%\\vemu.log", other), other.Profile));
    EXPECT_EQ(HomesFor(TNamedFileUse::AppendLog, anna), std::vector<std::string>{anna.Profile});
    EXPECT_EQ(HomesFor(TNamedFileUse::ReadSound, anna), (std::vector<std::string>{anna.Profile, anna.Media}));
    EXPECT_EQ(HomesFor(TNamedFileUse::ReadSound, other), std::vector<std::string>{other.Profile});
}

// The error sound is played only from a plain PCM wave file: no codec is
// ever loaded for bytes another user chose.
TEST(WaveFile, OnlyPlainPcmWavesArePlayed)
{
    const auto chunk = [](const std::string& Id, const std::string& Body) {
        const auto size = static_cast<uint32_t>(Body.size());
        std::string bytes = Id;
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>((size >> (8 * i)) & 0xFF);
        return bytes + Body + (Body.size() % 2 ? std::string(1, '\0') : "");
    };
    const auto format = [](char Tag, char Channels, char Bits) {
        return std::string{Tag, 0, Channels, 0, 0x44, static_cast<char>(0xAC), 0, 0, 0, 0, 0, 0, 2, 0, Bits, 0};
    };
    const auto riff = [](const std::string& Body, int Extra = 0) {
        const auto size = static_cast<uint32_t>(Body.size() + 4 + Extra);
        std::string bytes = "RIFF";
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>((size >> (8 * i)) & 0xFF);
        return bytes + "WAVE" + Body;
    };
    const std::string pcm = chunk("fmt ", format(1, 1, 16));
    const std::string data = chunk("data", "\x01\x02\x03");
    const struct {
        const char* What;
        std::string Bytes;
        bool Plays;
    } cases[] = {
        {"a plain wave", riff(pcm + data), true},
        {"a list chunk first", riff(chunk("LIST", "INFOabcd") + pcm + data), true},
        {"a longer format chunk", riff(chunk("fmt ", format(1, 1, 16) + std::string(2, '\0')) + data), true},
        {"compressed (MP3)", riff(chunk("fmt ", format(0x55, 1, 0)) + data), false},
        {"extensible", riff(chunk("fmt ", format(static_cast<char>(0xFE), 1, 16)) + data), false},
        {"12 bits", riff(chunk("fmt ", format(1, 1, 12)) + data), false},
        {"a short format chunk", riff(chunk("fmt ", format(1, 1, 16).substr(0, 14)) + data), false},
        {"two format chunks", riff(pcm + chunk("fmt ", format(0x55, 1, 0)) + data), false},
        {"data before the format", riff(data + pcm), false},
        {"no data", riff(pcm), false},
        {"a chunk past the end", riff(pcm + std::string("data\x64\0\0\0abc", 11)), false},
        {"a RIFF size past the end", riff(pcm + data, 10), false},
        {"text", "Liebe Anna,", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsPlainPcmWave(c.Bytes), c.Plays) << c.What;
}

} // namespace
