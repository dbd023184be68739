#include "base/Globals.h"

#include "base/MessageDialog.h"
#include "base/SystemServices.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct TGlobalsScope {
    explicit TGlobalsScope(TGlobals* Object) { Globals = Object; }
    ~TGlobalsScope() { Globals = nullptr; }
};

TEST(Globals, PathsComeFromTheExecutable)
{
    TTempDir dir;
    TGlobals globals(nullptr, dir.File("vemuKeys.exe"));
    EXPECT_EQ(globals.AppPath, dir.Path());
    EXPECT_EQ(globals.ExeName, dir.File("vemuKeys.exe"));
    EXPECT_EQ(globals.IniFile->FileName(), dir.File("vemuKeys.set"));
}

TEST(Globals, StartupSettingsHaveTheirDefaults)
{
    TTempDir dir;
    TGlobals globals(nullptr, dir.File("vemuKeys.exe"));
    EXPECT_TRUE(globals.CheckPort);
    EXPECT_FALSE(globals.Tray);
    EXPECT_FALSE(globals.ExtendedUI);
    EXPECT_FALSE(globals.GIDEIUI);
    EXPECT_FALSE(globals.UseSound);
    EXPECT_EQ(globals.Sound, "");
    EXPECT_EQ(globals.MouseDelta, 100);
    EXPECT_FALSE(globals.LogfileInfo);
}

TEST(Globals, TrayNeedsAPort)
{
    struct Case {
        const char* Settings;
        bool Tray;
    } cases[] = {
        {"[Start]\nTray=1\n", false},
        {"[Start]\nTray=1\n[Port]\nPort=0\n", false},
        {"[Start]\nTray=1\n[Port]\nPort=3\n", true},
        {"[Start]\nTray=0\n[Port]\nPort=3\n", false},
    };
    for (const Case& c : cases) {
        TTempDir dir;
        WriteFileText(dir.File("vemuKeys.set"), c.Settings);
        TGlobals globals(nullptr, dir.File("vemuKeys.exe"));
        EXPECT_EQ(globals.Tray, c.Tray) << c.Settings;
    }
}

TEST(Globals, ReadsStoredStartupSettings)
{
    TTempDir dir;
    WriteFileText(dir.File("vemuKeys.set"), "[Extended]\nCheckPort=0\n[Start]\nExtendedUI=1\nGIDEIUI=1\n"
                                            "[GIDEI]\nUseSound=1\nSound=C:\\ding.wav\n[Debug]\nMouseDelta=0x32\n"
                                            "[Show]\nLogfileInfo=1\n");
    TGlobals globals(nullptr, dir.File("vemuKeys.exe"));
    EXPECT_FALSE(globals.CheckPort);
    EXPECT_TRUE(globals.ExtendedUI);
    EXPECT_TRUE(globals.GIDEIUI);
    EXPECT_TRUE(globals.UseSound);
    EXPECT_EQ(globals.Sound, "C:\\ding.wav");
    EXPECT_EQ(globals.MouseDelta, 50);
    EXPECT_TRUE(globals.LogfileInfo);
}

TEST(Globals, MouseDeltaStaysWithinItsBounds)
{
    for (const auto& [stored, bounded] : {std::pair{"-50", 1}, {"0", 1}, {"1000", 1000}, {"2147483647", 1000}}) {
        TTempDir dir;
        WriteFileText(dir.File("vemuKeys.set"), std::string("[Debug]\nMouseDelta=") + stored + "\n");
        EXPECT_EQ(TGlobals(nullptr, dir.File("vemuKeys.exe")).MouseDelta, bounded) << stored;
    }
}

TEST(Globals, DestructorWritesTheValuesTheDialogChanges)
{
    TTempDir dir;
    {
        TGlobals globals(nullptr, dir.File("vemuKeys.exe"));
        globals.UseSound = true;
        globals.Sound = "fehler.wav";
        globals.LogfileInfo = true;
    }
    TIniFile ini(dir.File("vemuKeys.set"));
    EXPECT_EQ(ini.ReadString("GIDEI", "UseSound", ""), "1");
    EXPECT_EQ(ini.ReadString("GIDEI", "Sound", "-"), "fehler.wav");
    EXPECT_EQ(ini.ReadString("Show", "LogfileInfo", ""), "1");
}

TEST(Globals, PutReportsAFailedWriteAsFalse)
{
    TTempDir dir;
    TGlobals globals(nullptr, dir.File("no-such-folder/vemuKeys.exe"));
    EXPECT_FALSE(globals.SaveFailed());
    EXPECT_FALSE(globals.PutString("Start", "Left", "1"));
    EXPECT_FALSE(globals.PutInteger("Start", "Left", 1));
    EXPECT_FALSE(globals.PutBool("Start", "Tray", true));
    EXPECT_TRUE(globals.SaveFailed()) << "remembered for the message at the end";
    EXPECT_EQ(globals.GetInteger("Start", "Left", 100), 100);
}

TEST(Globals, PostToMainReachesTheTargetOnlyWhenThereIsOne)
{
    TTempDir dir;
    TRecordingTarget target;
    TGlobals withTarget(&target, dir.File("vemuKeys.exe"));
    withTarget.PostToMain(UM_GIDEIERROR, 1, 2);
    EXPECT_EQ(target.Messages(), (std::vector<TPostedMessage>{{UM_GIDEIERROR, 1, 2}}));
    TGlobals withoutTarget(nullptr, dir.File("vemuKeys.exe"));
    withoutTarget.PostToMain(UM_GIDEIERROR, 0, 0); // must not crash
}

#ifndef _WIN32
TEST(Globals, WithoutARegistryAutostartCannotBeChanged)
{
    TTempDir dir;
    TGlobals globals(nullptr, dir.File("vemuKeys.exe"));
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
    TGlobals globals(nullptr, Exe());
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
    TGlobals globals(nullptr, Exe());
    EXPECT_FALSE(globals.AutoStart);
    EXPECT_TRUE(globals.AutoStartChangeable);
    globals.SetAutoStart(true);
    EXPECT_TRUE(globals.AutoStart);
    EXPECT_EQ(Registry.Values["vemuKeys"], Exe());
    const int opens = Registry.Opens;
    globals.SetAutoStart(true);
    EXPECT_EQ(Registry.Opens, opens) << "no registry access without a change";
    globals.SetAutoStart(false);
    EXPECT_FALSE(globals.AutoStart);
    EXPECT_EQ(Registry.Values.count("vemuKeys"), 0u);
}

TEST_F(AutoStartDecision, AFailedChangeLeavesTheRealState)
{
    TGlobals globals(nullptr, Exe());
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

TEST(Helpers, ReportErrorPostsTheErrorSignalThenLogs)
{
    TTestEnvironment env;
    ReportError(lkProtocol, ",a,b,c,d,e,f,g.");
    EXPECT_EQ(env.Target.Messages(), (std::vector<TPostedMessage>{{UM_GIDEIERROR, 0, 0}}));
    EXPECT_EQ(env.TakeUnstampedLines(), std::vector<std::string>{"? # Protocol >,a,b,c,d,e,f,g.<"});
}

TEST(Helpers, ReportMovingPostsOneOrZero)
{
    TTestEnvironment env;
    ReportMoving(true);
    ReportMoving(false);
    EXPECT_EQ(env.Target.Messages(), (std::vector<TPostedMessage>{{UM_MOUSEMOVING, 1, 0}, {UM_MOUSEMOVING, 0, 0}}));
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

TEST(Helpers, LoadResourceCopyFindsTheTablesAndNothingElse)
{
    EXPECT_EQ(LoadResourceCopy(234).size(), 6405u);
    EXPECT_EQ(LoadResourceCopy(235).size(), 39u);
    EXPECT_TRUE(LoadResourceCopy(999).empty());
}

TEST(Helpers, GetFileVersionLeavesTheValuesWithoutAVersionBlock)
{
    TTempDir dir;
    TGlobals globals(nullptr, dir.File("vemuKeys.exe")); // no such file
    TGlobalsScope scope(&globals);
    int major = 7, minor = 8, release = 9, build = 10;
    GetFileVersion(major, minor, release, build);
    EXPECT_EQ(major, 7);
    EXPECT_EQ(minor, 8);
    EXPECT_EQ(release, 9);
    EXPECT_EQ(build, 10);
}

} // namespace
