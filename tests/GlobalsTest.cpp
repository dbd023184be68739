#include "base/settings/Globals.h"

#include "app/Program.h"
#include "base/system/Numbers.h"
#include "base/system/SystemServices.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {

std::string Exe(const TTempDir& Dir) { return Dir.File("vemuKeys.exe"); }

TEST(Globals, PathsComeFromTheExecutable)
{
    TTempDir dir;
    TGlobals globals(Exe(dir));
    EXPECT_EQ(globals.AppPath, dir.Path());
    EXPECT_EQ(globals.ExeName, Exe(dir));
    EXPECT_EQ(globals.IniFile().FileName(), dir.File("vemuKeys.set"));
}

TEST(SettingsTable, WithoutAFileEverySettingHasItsDefault)
{
    TTempDir dir;
    const TGlobals globals(Exe(dir));
    EXPECT_EQ(globals.Settings, TSettingsRecords());
    // The defaults the program has always started with.
    EXPECT_TRUE(globals.Settings.Start.CheckPort);
    EXPECT_EQ(globals.Settings.Port.Rate, 300);
    EXPECT_EQ(globals.Settings.Port.ByteSize, 8);
    EXPECT_EQ(globals.Settings.Typing.WaitFor, 500);
    EXPECT_EQ(globals.Settings.Typing.MouseDelta, 100);
    EXPECT_EQ(globals.Settings.Log.ViewMax, 200);
    EXPECT_EQ(globals.Settings.Start.Left, 100);
    EXPECT_EQ(globals.Settings.Start.LogView.Left, 10);
}

// Every key is spelt alike for reading and writing: values unlike their
// defaults written by one program are what the next one reads.
TEST(SettingsTable, EveryWrittenSettingReadsBackAsItWasSaved)
{
    TSettingsRecords saved;
    saved.Port = {7, 9600, 7, 2, 1, 0, 0, "USB\\VID_1234&PID_5678\\1", "VID_1234&PID_5678"};
    saved.Typing.WaitAfter = true;
    saved.Typing.WaitFor = 1234;
    saved.Typing.UseGIDEI = true;
    saved.Log = {true, 333, true, "C:\\log.txt", 0x40000009u};
    saved.Start.Tray = true;
    saved.Start.ExpandPort = true;
    saved.Start.Left = -20;
    saved.Start.Top = 40;
    saved.Start.UseSound = true;
    saved.Start.Sound = "ding.wav";
    saved.Start.LogfileInfo = true;
    saved.Start.LogView = {1, 2, 300, 400};
    TTempDir dir;
    {
        TGlobals globals(Exe(dir));
        globals.Settings = saved;
        ASSERT_TRUE(globals.SaveChanged(TrayProgramGroups(true)));
    }
    EXPECT_EQ(TGlobals(Exe(dir)).Settings, saved);
}

TEST(SettingsTable, ValuesAreReadWithinTheirBoundsAndBadOnesGiveTheDefault)
{
    const auto delta = [](const TSettingsRecords& S) { return S.Typing.MouseDelta; };
    const auto wait = [](const TSettingsRecords& S) { return S.Typing.Wait; };
    const auto port = [](const TSettingsRecords& S) { return S.Port.Port; };
    const auto rate = [](const TSettingsRecords& S) { return S.Port.Rate; };
    const auto tray = [](const TSettingsRecords& S) { return int32_t{S.Start.Tray}; };
    const std::vector<std::pair<std::string, std::pair<std::function<int32_t(const TSettingsRecords&)>, int32_t>>>
        cases = {
            {"[Debug]\nMouseDelta=0x32\n", {delta, 50}},
            {"[Debug]\nMouseDelta=-50\n", {delta, 1}},
            {"[Debug]\nMouseDelta=0\n", {delta, 1}},
            {"[Debug]\nMouseDelta=2147483647\n", {delta, 1000}},
            {"[Debug]\nMouseDelta=\n", {delta, 100}},
            {"[Debug]\nMouseDelta=viel\n", {delta, 100}},
            {"[Debug]\nWait=5000\n", {wait, 999}},
            {"[Debug]\nWait=-7\n", {wait, -1}},
            {"[Port]\nPort=0x0A\n", {port, 10}},
            {"[Port]\nPort=300\n", {port, 255}},
            {"[Port]\nRate=4294967296\n", {rate, 300}},
            {"[Start]\nTray=1\n", {tray, 0}},
            {"[Start]\nTray=1\n[Port]\nPort=0\n", {tray, 0}},
            {"[Start]\nTray=1\n[Port]\nPort=3\n", {tray, 1}},
            {"[Start]\nTray=0\n[Port]\nPort=3\n", {tray, 0}},
        };
    for (const auto& [stored, check] : cases) {
        TTempDir dir;
        WriteFileText(dir.File("vemuKeys.set"), stored);
        EXPECT_EQ(check.first(TGlobals(Exe(dir)).Settings), check.second) << stored;
    }
}

TEST(SettingsTable, SettingsOnlyEverReadAreNeverWritten)
{
    TTempDir dir;
    WriteFileText(dir.File("vemuKeys.set"), "[Extended]\nCheckPort=0\n[Start]\nExtendedUI=1\nGIDEIUI=1\n"
                                            "[Debug]\nMouseDelta=50\nWait=-1\n[Port]\nQInSize=100\n");
    TGlobals globals(Exe(dir));
    EXPECT_FALSE(globals.Settings.Start.CheckPort);
    EXPECT_TRUE(globals.Settings.Start.ExtendedUI);
    EXPECT_TRUE(globals.Settings.Start.GIDEIUI);
    EXPECT_EQ(globals.Settings.Typing.MouseDelta, 50);
    EXPECT_EQ(globals.Settings.Port.QInSize, 100);
    globals.Settings.Start.CheckPort = true;
    globals.Settings.Typing.MouseDelta = 1;
    globals.Settings.Port.QInSize = 5;
    ASSERT_TRUE(globals.SaveChanged(TrayProgramGroups(true)));
    const std::string text = ReadFileText(dir.File("vemuKeys.set"));
    for (const char* kept : {"CheckPort=0", "ExtendedUI=1", "MouseDelta=50", "Wait=-1", "QInSize=100"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
}

// A file written afresh keeps the order the programs have always written
// it in: the tray program's, and the console's, which owns fewer groups.
TEST(SettingsTable, AFreshFileHasEachProgramsOrder)
{
    TTempDir tray, console;
    ASSERT_TRUE(TGlobals(Exe(tray)).SaveChanged(TrayProgramGroups(false)));
    EXPECT_EQ(ReadFileText(tray.File("vemuKeys.set")),
              "[Start]\r\nTray=0\r\nExpandPort=0\r\nLeft=100\r\nTop=100\r\n"
              "[Port]\r\nPort=0\r\nRate=300\r\nBytesize=8\r\nParity=0\r\nStopbits=0\r\nControlLines=0\r\nDevice=\r\n"
              "DeviceModel=\r\n"
              "[Extended]\r\nWaitAfter=0\r\nWaitFor=500\r\nViewLog=0\r\nViewMax=200\r\nFileLog=0\r\nFileName=\r\n"
              "LogEvents=0\r\n[GIDEI]\r\nUse=0\r\nUseSound=0\r\nSound=\r\n[Show]\r\nLogfileInfo=0\r\n");
    ASSERT_TRUE(TGlobals(Exe(console)).SaveChanged(ConsoleProgramGroups()));
    const std::string text = ReadFileText(console.File("vemuKeys.set"));
    EXPECT_EQ(text.rfind("[Extended]\r\nWaitAfter=0\r\nWaitFor=500\r\nViewLog=0\r\n", 0), 0u) << text;
    EXPECT_LT(text.find("[GIDEI]\r\nUse=0\r\nUseSound=0"), text.find("[Port]"));
    EXPECT_EQ(text.find("[Start]"), std::string::npos);
}

// Two programs ending together each keep their change: only the values a
// program changed since it read them are written, and nothing at all when
// it changed none.
TEST(SettingsTable, OnlyChangedValuesAreWrittenAndCountAsReadAfterwards)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    WriteFileText(path, "; by hand\r\n[Port]\r\nPort=0x07\r\nRate=9600\r\n");
    TGlobals first(Exe(dir));
    TGlobals second(Exe(dir));
    const std::string untouched = ReadFileText(path);
    first.Settings.Port.Rate = 19200;
    second.Settings.Port.Port = 9;
    ASSERT_TRUE(first.SaveChanged({TSettingGroup::Port}));
    ASSERT_TRUE(second.SaveChanged({TSettingGroup::Port}));
    const std::string text = ReadFileText(path);
    EXPECT_NE(text.find("Port=9\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Rate=19200\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("; by hand\r\n", 0), 0u);

    WriteFileText(path, untouched);
    ASSERT_TRUE(first.SaveChanged({TSettingGroup::Port})) << "saved already: nothing to write";
    EXPECT_EQ(ReadFileText(path), untouched);
}

TEST(SettingsTable, AFailedSaveIsFalseAndRemembered)
{
    TTempDir dir;
    TGlobals globals(dir.File("no-such-folder/vemuKeys.exe"));
    EXPECT_FALSE(globals.SaveFailed());
    globals.Settings.Start.Left = 1;
    EXPECT_FALSE(globals.SaveChanged(TrayProgramGroups(false)));
    EXPECT_TRUE(globals.SaveFailed()) << "remembered for the message at the end";
}

#ifdef __linux__
// The end of a session writes the settings file once, however many values
// changed: one hold, one journal, one write.
TEST(SettingsTable, AnExitWithThreeChangedValuesWritesTheFileOnce)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    WriteFileText(path, "[Port]\r\nPort=3\r\n");
    TProgram program(Exe(dir), TProgramKind::Tray);
    TSettingsRecords& settings = program.Globals().Settings;
    settings.Start.Left = 5;
    settings.Start.UseSound = true;
    settings.Start.Sound = "ding.wav";
    // What a first save writes of the defaults does not count here.
    ASSERT_TRUE(program.SaveSettings());
    settings.Start.Left = 6;
    settings.Start.Top = 7;
    settings.Start.Sound = "gong.wav";

    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, path.c_str(), IN_CLOSE_WRITE), 0);
    ASSERT_TRUE(program.SaveSettings());
    int writes = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;)
        for (char* at = buffer; at < buffer + got; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
            ++writes;
    close(watch);
    EXPECT_EQ(writes, 1);
    const std::string text = ReadFileText(path);
    EXPECT_NE(text.find("Left=6\r\nTop=7\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Sound=gong.wav\r\n"), std::string::npos) << text;
}
#endif

#ifndef _WIN32
TEST(Globals, WithoutARegistryAutostartCannotBeChanged)
{
    TTempDir dir;
    TGlobals globals(Exe(dir));
    EXPECT_FALSE(globals.AutoStartChangeable);
    EXPECT_FALSE(globals.AutoStart);
    globals.SetAutoStart(true);
    EXPECT_FALSE(globals.AutoStart);
}
#endif

// The Run key as users meet it: readable only (no administrator rights) or
// writable; writes may fail all the same.
struct TFakeRunRegistry {
    bool Writable = true;
    bool WritesFail = false;
    std::map<std::string, std::string> Values;
    int Opens = 0;
};

class TFakeRunKey : public TRunKey {
public:
    explicit TFakeRunKey(TFakeRunRegistry& Registry) : FRegistry(Registry) {}
    bool Query(const char* Name, std::string& Data) const override
    {
        const auto found = FRegistry.Values.find(Name);
        if (found == FRegistry.Values.end())
            return false;
        Data = found->second;
        return true;
    }
    bool SetString(const char* Name, const std::string& Data) override
    {
        if (FRegistry.WritesFail)
            return false;
        FRegistry.Values[Name] = Data;
        return true;
    }
    bool Delete(const char* Name) override { return !FRegistry.WritesFail && FRegistry.Values.erase(Name) > 0; }

private:
    TFakeRunRegistry& FRegistry;
};

class AutoStartDecision : public ::testing::Test {
protected:
    std::string Exe() const { return Dir.File("vemuKeys.exe"); }

    TTempDir Dir;
    TFakeRunRegistry Registry;
    const TSeam RunKey{SetRunKeyOpener, [this](bool Write) -> std::unique_ptr<TRunKey> {
                           ++Registry.Opens;
                           if (Write && !Registry.Writable)
                               return nullptr;
                           return std::make_unique<TFakeRunKey>(Registry);
                       }};
};

TEST_F(AutoStartDecision, AValueTheUserMayNotChangeIsShownAsItIsAndLeftAlone)
{
    Registry.Writable = false;
    Registry.Values["vemuKeys"] = "C:\\Programme\\Vemu Keys\\vemuKeys.exe";
    TGlobals globals(Exe());
    EXPECT_TRUE(globals.AutoStart) << "the program does start with Windows";
    EXPECT_FALSE(globals.AutoStartChangeable);
    globals.SetAutoStart(false);
    EXPECT_TRUE(globals.AutoStart);
    EXPECT_EQ(Registry.Values.count("vemuKeys"), 1u);

    Registry.Values.clear();
    EXPECT_FALSE(globals.ReadAutoStart());
    EXPECT_FALSE(globals.AutoStartChangeable);
}

TEST_F(AutoStartDecision, AWritableKeyIsChangedAndReadBack)
{
    TGlobals globals(Exe());
    EXPECT_FALSE(globals.AutoStart);
    EXPECT_TRUE(globals.AutoStartChangeable);
    globals.SetAutoStart(true);
    EXPECT_TRUE(globals.AutoStart);
    EXPECT_EQ(Registry.Values["vemuKeys"], "\"" + Exe() + "\"") << "quoted: no part of the path is taken for a program";
    const int opens = Registry.Opens;
    globals.SetAutoStart(true);
    EXPECT_EQ(Registry.Opens, opens) << "no registry access without a change";
    globals.SetAutoStart(false);
    EXPECT_FALSE(globals.AutoStart);
    EXPECT_EQ(Registry.Values.count("vemuKeys"), 0u);
}

// A folder any user may change (a zip started with higher rights): the
// machine's value would start their program in every session. An old
// unquoted value is still the program's own.
TEST_F(AutoStartDecision, AFolderOthersMayChangeNeverGetsTheMachinesValue)
{
    Registry.Values["vemuKeys"] = Exe();
    TGlobals globals(Exe());
    EXPECT_TRUE(globals.AutoStart) << "an unquoted value";
    globals.SetProgramFolderShared(true);
    EXPECT_FALSE(globals.AutoStartChangeable);
    globals.SetAutoStart(false);
    EXPECT_EQ(Registry.Values.count("vemuKeys"), 1u) << "left as it is";
    Registry.Values.clear();
    globals.SetProgramFolderShared(true);
    globals.SetAutoStart(true);
    EXPECT_TRUE(Registry.Values.empty());
    EXPECT_FALSE(globals.AutoStart);
}

TEST_F(AutoStartDecision, AFailedChangeLeavesTheRealState)
{
    TGlobals globals(Exe());
    Registry.WritesFail = true;
    globals.SetAutoStart(true);
    EXPECT_FALSE(globals.AutoStart);
    EXPECT_TRUE(Registry.Values.empty());
}

TEST(ClampAndCompare, ClampsAndComparesWithTheCurrentValue)
{
    int32_t value = 5;
    EXPECT_TRUE(ClampAndCompare(value, 7, 8, 7));
    EXPECT_EQ(value, 7);
    value = 1000;
    EXPECT_FALSE(ClampAndCompare(value, 10, 999, 200));
    EXPECT_EQ(value, 999);
    value = 300;
    EXPECT_TRUE(ClampAndCompare(value, 10, 999, 300));
    EXPECT_EQ(value, 300);
}

TEST(Helpers, SysErrorTextKnowsSystemErrors)
{
    EXPECT_FALSE(SysErrorText(2).empty());
    EXPECT_NE(SysErrorText(2), "<unbekannt>");
    // The text ends a log line: no line break of its own may follow it.
    for (uint32_t code : {2u, 5u, 87u}) {
        const std::string text = SysErrorText(code);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << code << ": " << text;
        EXPECT_NE(text.back(), ' ') << code;
    }
#ifdef _WIN32
    EXPECT_EQ(SysErrorText(0x7FFFFFF0u), "<unbekannt>");
#endif
}

TEST(Helpers, LoadResourceBytesFindsTheTablesAndNothingElse)
{
    EXPECT_EQ(LoadResourceBytes(234).size(), 6405u);
    EXPECT_EQ(LoadResourceBytes(235).size(), 39u);
    EXPECT_TRUE(LoadResourceBytes(999).empty());
}

TEST(Helpers, ReadFileVersionLeavesTheValuesWithoutAVersionBlock)
{
    TTempDir dir;
    int major = 7, minor = 8, release = 9, build = 10;
    EXPECT_FALSE(ReadFileVersion(Exe(dir), major, minor, release, build)); // no such file
    EXPECT_EQ(major, 7);
    EXPECT_EQ(minor, 8);
    EXPECT_EQ(release, 9);
    EXPECT_EQ(build, 10);
}

} // namespace
