// The helpers that reach the Windows registry, the program file and the
// error sound's file.
#include "app/ErrorSound_win.h"
#include "base/files/FilePaths.h"
#include "base/settings/Globals.h"
#include "base/system/SystemServices.h"

#include "gidei/KeyParse.h"
#include "serial/EngineEvents.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

const char* const RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void RemoveRunValue()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "vemuKeys");
        RegCloseKey(key);
    }
}

void StoreRunValue(const std::string& Data)
{
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunKey, 0, KEY_WRITE, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "vemuKeys", 0, REG_SZ, reinterpret_cast<const BYTE*>(Data.c_str()),
                   static_cast<DWORD>(Data.size() + 1));
    RegCloseKey(key);
}

std::string RunValue()
{
    char data[512] = "";
    DWORD size = sizeof data;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    LONG result = RegQueryValueExA(key, "vemuKeys", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(data) : "<absent>";
}

class AutoStart : public ::testing::Test {
protected:
    void SetUp() override { RemoveRunValue(); }
    void TearDown() override { RemoveRunValue(); }
    TTempDir Dir;
};

TEST_F(AutoStart, TheRunValueHoldsTheQuotedProgramPath)
{
    TGlobals globals(Dir.File("vemuKeys.exe"));
    ASSERT_TRUE(globals.AutoStartChangeable);
    EXPECT_FALSE(globals.AutoStart);
    globals.SetAutoStart(true);
    EXPECT_TRUE(globals.AutoStart);
    EXPECT_EQ(RunValue(), "\"" + Dir.File("vemuKeys.exe") + "\"");
    globals.SetAutoStart(false);
    EXPECT_FALSE(globals.AutoStart);
    EXPECT_EQ(RunValue(), "<absent>");
}

TEST_F(AutoStart, TheRegistryDecides)
{
    StoreRunValue("");
    TGlobals globals(Dir.File("vemuKeys.exe"));
    EXPECT_FALSE(globals.AutoStart) << "an empty value counts as absent";
    StoreRunValue("C:\\anything.exe");
    EXPECT_TRUE(globals.ReadAutoStart());
    StoreRunValue(std::string(300, 'x'));
    EXPECT_FALSE(globals.ReadAutoStart()) << "a value longer than 260 bytes counts as absent";

    StoreRunValue("C:\\vemuKeys.exe");
    globals.AutoStart = globals.ReadAutoStart();
    RemoveRunValue(); // behind the program's back
    globals.SetAutoStart(false);
    EXPECT_FALSE(globals.AutoStart);
}

TEST(FileVersion, ComesFromTheVersionBlockOfTheProgram)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    int major = -1, minor = -1, release = -1, build = -1;
    EXPECT_TRUE(ReadFileVersion(path, major, minor, release, build));
    EXPECT_EQ(ProgramFilePath(), path);
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(release, 0);
    EXPECT_EQ(build, 0);
}

TEST(SystemFacts, TheSystemIsOfTheNtFamily)
{
    TTempDir dir;
    TGlobals globals(dir.File("vemuKeys.exe"));
    EXPECT_TRUE(globals.IsNT5);
    // A system that keeps no default input language (Wine) still has the
    // keyboard layout it starts the program with.
    EXPECT_NE(SystemDefaultInputLanguage() & 0xFFFF, 0u) << "the input language is always known";
}

// The sound's name comes from the shared settings file: it is played only
// when it opens as a plain wave file on a disk in the user's folder, and a
// refusal is said once per name.
TEST(ErrorSound, OnlyAPlainWaveInTheUsersFolderIsPlayed)
{
    TTestEnvironment env(0xFFFFFFFF);
    TStartSettings settings;
    settings.UseSound = true;
    // Without an announcer the file is read on the calling thread.
    TErrorSound sound(settings, env.Dir.Path(), TUserFolders{env.Dir.Path(), "", ""}, env.Log(), nullptr);
    const std::string refused = "! ERROR ### Fehler-Sound abgelehnt, ";
    WriteFileText(env.Dir.File("codec.wav"), std::string("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x55\0\x01\0", 24) +
                                                 std::string(10, '\0') + std::string("\x10\0data\0\0\0\0", 10));
    const TEveryDriveLocal drives;
    for (const auto& [name, why] :
         {std::pair<std::string, std::string>{"Z:\\dev\\null", "au\xdf" "erhalb des eigenen Benutzerordners"},
          {"\\??\\C:\\ding.wav", "keine gew\xf6hnliche Datei"},
          {"codec.wav", "keine einfache WAV-Datei (PCM)"}}) {
        settings.Sound = name;
        env.TakeLines();
        sound.Play();
        sound.Play();
        EXPECT_EQ(env.TakeLines(), std::vector<std::string>{refused + why + ": " + name});
    }
    WriteFileText(env.Dir.File("ding.wav"), std::string("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0", 24) +
                                                std::string(10, '\0') + std::string("\x10\0data\0\0\0\0", 10));
    for (const char* name : {"ding.wav", "missing.wav"}) {
        settings.Sound = name;
        sound.Play();
        EXPECT_TRUE(env.TakeLines().empty()) << name;
    }
}

} // namespace

namespace {

// Another program made an object under the parser's name first, set for
// good: shared, it would wake the parser for ever. The parser takes an
// event of its own and says so once in Errors.log.
TEST(EngineEvents, ANameTakenAlreadyIsNeverShared)
{
    TTestEnvironment env(0);
    HANDLE squatter = CreateEventA(nullptr, TRUE, TRUE, ParserStopEventName);
    ASSERT_NE(squatter, nullptr);
    {
        TRecordingSink sink;
        TKeyParser parser(sink, env.Settings.Typing, env.Log(), env.Events, env.Language, true);
        EXPECT_TRUE(parser.StopEvent->NameRefused());
        EXPECT_FALSE(parser.StopEvent->Wait(0)) << "not the other program's set event";
        EXPECT_FALSE(parser.DataEvent->NameRefused());
    }
    CloseHandle(squatter);
    const std::string line = "! ERROR ### Ereignis \"vemuUruk\" gibt es schon, ein eigenes ohne Namen genommen";
    EXPECT_EQ(env.TakeLines(), std::vector<std::string>{line});
    EXPECT_EQ(ReadFileText(env.Dir.File("Errors.log")), line + "\r\n");
}

} // namespace
