// The settings file must read the same through the system's private-profile
// functions as through our own reader, both ways round.
#include "base/settings/IniFile.h"

#include "tests/support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string SystemRead(const std::string& File, const char* Section, const char* Key, const char* Default)
{
    std::vector<char> buffer(2048);
    DWORD length = GetPrivateProfileStringA(Section, Key, Default, buffer.data(), static_cast<DWORD>(buffer.size()),
                                            File.c_str());
    return std::string(buffer.data(), length);
}

struct TProbe {
    const char* Section;
    const char* Key;
};

void ExpectSameReading(const std::string& File, const std::vector<TProbe>& Probes)
{
    TIniFile ini(File);
    for (const TProbe& probe : Probes) {
        SCOPED_TRACE(std::string("[") + probe.Section + "] " + probe.Key);
        EXPECT_EQ(ini.ReadString(probe.Section, probe.Key, "<default>"),
                  SystemRead(File, probe.Section, probe.Key, "<default>"));
        std::optional<std::string> text = ini.Read(probe.Section, probe.Key);
        const int systemInt = static_cast<int>(GetPrivateProfileIntA(probe.Section, probe.Key, -77, File.c_str()));
        if (text && TIniFile::ParseInteger(*text)) {
            EXPECT_EQ(ini.ReadInteger(probe.Section, probe.Key, -77), systemInt);
        } else if (!text || text->empty()) {
            EXPECT_EQ(ini.ReadInteger(probe.Section, probe.Key, -77), -77);
            EXPECT_EQ(systemInt, -77);
        } else {
            // Text that is no whole number gives the caller's default here,
            // where the system reads the digits it finds at the start.
            EXPECT_EQ(ini.ReadInteger(probe.Section, probe.Key, -77), -77);
        }
    }
}

TEST(IniFileAgainstWin32, WhatWeWriteTheSystemReads)
{
    TTempDir dir;
    const std::string file = dir.File("vemuKeys.set");
    TIniFile ini(file);
    ASSERT_TRUE(ini.WriteInteger("Port", "Port", 3));
    ASSERT_TRUE(ini.WriteInteger("Port", "Rate", 115200));
    ASSERT_TRUE(ini.WriteInteger("Start", "Left", -20));
    ASSERT_TRUE(ini.WriteBool("Start", "Tray", true));
    ASSERT_TRUE(ini.WriteBool("GIDEI", "Use", false));
    ASSERT_TRUE(ini.WriteString("GIDEI", "Sound", "C:\\Windows\\Media\\ding.wav"));
    ASSERT_TRUE(ini.WriteString("Extended", "FileName", "C:\\Programme\\Vemu Keys\\vemu log.txt"));
    ASSERT_TRUE(ini.WriteString("Extended", "Empty", ""));
    ASSERT_TRUE(ini.WriteString("Extended", "Long", std::string(2500, 'L')));
    ASSERT_TRUE(ini.WriteString("Extended", "Quoted", "\"zitiert\""));
    ASSERT_TRUE(ini.WriteString("Extended", "Umlaut", "M\xfc" "ller \xe4\xf6\xdf"));
    ASSERT_TRUE(ini.WriteInteger("Port", "Rate", 9600)); // rewritten in place
    ASSERT_TRUE(ini.WriteString("Extended", "Broken", "one\r\ntwo=2"));
    ExpectSameReading(file, {{"Port", "Port"},       {"Port", "Rate"},         {"Start", "Left"},
                             {"Start", "Tray"},      {"GIDEI", "Use"},         {"GIDEI", "Sound"},
                             {"Extended", "FileName"}, {"Extended", "Empty"},  {"Extended", "Long"},
                             {"Extended", "Quoted"}, {"Extended", "Umlaut"},   {"Extended", "Broken"},
                             {"Extended", "two"},    {"port", "RATE"},         {"Missing", "Port"}});
}

TEST(IniFileAgainstWin32, WhatTheSystemWritesWeRead)
{
    TTempDir dir;
    const std::string file = dir.File("vemuKeys.set");
    WriteFileText(file, "stray=before any section\r\n"
                        "  [Port]  \r\n"
                        "  Port  =  0x0A  \r\n"
                        "Rate = abc\r\n"
                        "Bytesize=7 bits\r\n"
                        "Parity\r\n"
                        "Stopbits=\r\n"
                        "; a comment line\r\n"
                        "\r\n\r\n"
                        "[port]\r\n"
                        "QInSize=100\r\n"
                        "[Extended]\n"
                        "ViewMax=\"300\"\n"
                        "FileName='c:\\x.log'\n"
                        "Lone=\"\n"
                        "[ Spaced ]\r"
                        "Key=spaced\r"
                        "[Unclosed\r\n"
                        "Key=unclosed\r\n"
                        "Tab\t=\tvalue with tab\t\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("GIDEI", "Use", "1", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("gidei", "SOUND", "  laut.wav", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Port", "Rate", "300", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Debug", "Long", std::string(2047, 'x').c_str(), file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Debug", "Longer", std::string(3000, 'y').c_str(), file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Debug", "QuotedLong", ("\"" + std::string(2046, 'q') + "\"").c_str(),
                                           file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Debug", "Neg", "-15", file.c_str()));
    ExpectSameReading(file, {{"Port", "Port"},       {"Port", "Rate"},        {"Port", "Bytesize"},
                             {"Port", "Parity"},     {"Port", "Stopbits"},    {"Port", "QInSize"},
                             {"Port", "; a comment line"}, {"Extended", "ViewMax"}, {"Extended", "FileName"},
                             {"Extended", "Lone"},   {"Spaced", "Key"},       {" Spaced ", "Key"},
                             {"Unclosed", "Key"},    {"Extended", "Key"},     {"Extended", "Tab"},
                             {"GIDEI", "Use"},       {"GIDEI", "Sound"},      {"Debug", "Long"},
                             {"Debug", "Longer"},    {"Debug", "QuotedLong"}, {"Debug", "Neg"},
                             {"", "stray"},          {"Debug", "Missing"},    {"Nowhere", "Key"}});
}

TEST(IniFileAgainstWin32, OurWritesKeepWhatTheSystemWrote)
{
    TTempDir dir;
    const std::string file = dir.File("vemuKeys.set");
    ASSERT_TRUE(WritePrivateProfileStringA("Port", "Port", "4", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Start", "Left", "10", file.c_str()));
    TIniFile ini(file);
    ASSERT_TRUE(ini.WriteInteger("Port", "Rate", 2400));
    ASSERT_TRUE(ini.WriteInteger("Start", "Left", 11));
    ASSERT_TRUE(WritePrivateProfileStringA("Port", "Parity", "2", file.c_str()));
    ExpectSameReading(file, {{"Port", "Port"}, {"Port", "Rate"}, {"Port", "Parity"}, {"Start", "Left"}});
    EXPECT_EQ(ini.ReadInteger("Port", "Rate", 0), 2400);
    EXPECT_EQ(ini.ReadInteger("Port", "Parity", 0), 2);
}

// A settings file the user (or an administrator) made read-only is never
// written.
TEST(IniFileAgainstWin32, AReadOnlySettingsFileKeepsItsBytes)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    const std::string before = "[Port]\r\nPort=7\r\n";
    WriteFileText(path, before);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    TIniFile ini(path);
    const bool written = ini.WriteString("Port", "Port", "8");
    const std::vector<std::string> leftovers = SettingsLeftovers(dir);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL); // so that the folder can go
    EXPECT_FALSE(written);
    EXPECT_TRUE(leftovers.empty()) << "nothing written beside it";
    EXPECT_EQ(ReadFileText(path), before);
}

// A scanner or a sync tool that holds the file without read sharing, or
// locks it: the write changes nothing and says so, and the file keeps
// every byte.
TEST(IniFileAgainstWin32, AFileHeldWithoutReadSharingOrLockedIsNotReplaced)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    const std::string before = "; by hand\r\n[Port]\r\nPort=7\r\n[Extended]\r\nLogEvents=4\r\n";
    for (const bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "locked" : "held without read sharing");
        WriteFileText(path, before);
        const DWORD sharing = FILE_SHARE_WRITE | FILE_SHARE_DELETE | (locked ? FILE_SHARE_READ : 0);
        HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        OVERLAPPED whole{};
        if (locked) {
            ASSERT_TRUE(LockFileEx(holder, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 4096, 0, &whole));
        }
        TIniFile ini(path);
        const bool written = ini.WriteString("Start", "Tray", "1");
        if (locked)
            UnlockFileEx(holder, 0, 4096, 0, &whole);
        CloseHandle(holder);
        EXPECT_FALSE(written);
        EXPECT_EQ(ReadFileText(path), before);
        EXPECT_TRUE(SettingsLeftovers(dir).empty());
        EXPECT_TRUE(ini.WriteString("Start", "Tray", "1"));
        EXPECT_EQ(SystemRead(path, "Port", "Port", ""), "7");
        EXPECT_EQ(SystemRead(path, "Start", "Tray", ""), "1");
    }
}

} // namespace
