#include "logging/Logging.h"

#include "app/Program.h"

#include "tests/support/TestSupport.h"

#include "base/files/FilePaths.h"
#include "base/files/FileSystem.h"
#include "base/files/SharedFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

TEST(LogFormat, EveryKindHasItsExactLine)
{
    const uint32_t stamp = 1234;
    EXPECT_EQ(FormatLogLine(lkPlain, stamp, ">>> Start x"), ">>> Start x");
    EXPECT_EQ(FormatLogLine(lkGeneral, stamp, "t"), "  000001234 GENERAL t");
    EXPECT_EQ(FormatLogLine(lkReceived, stamp, " 1B26"), "  000001234 Received: 1B26");
    EXPECT_EQ(FormatLogLine(lkSequence, stamp, "\x1b,hold,shift."), "  000001234 Sequence ><esc>,hold,shift.<");
    EXPECT_EQ(FormatLogLine(lkIncomplete, stamp, "\x1b,move"), "? 000001234 Incomplete ><esc>,move<");
    EXPECT_EQ(FormatLogLine(lkGideiProblem, stamp, "ab\tc."), "? 000001234 GIDEI problem >ab\tc.<");
    EXPECT_EQ(FormatLogLine(lkProtocol, stamp, ",."), "? 000001234 Protocol >,.<");
    EXPECT_EQ(FormatLogLine(lkUnsupportedCommand, stamp, "foo"), "? 000001234 Unsupported command foo");
    EXPECT_EQ(FormatLogLine(lkUnsupportedParameter, stamp, ",click,but3. but3"),
              "? 000001234 Unsupported parameter ,click,but3. but3");
    EXPECT_EQ(FormatLogLine(lkParameterError, stamp, ",move,5. 3"), "? 000001234 Parameter error >,move,5. 3<");
    EXPECT_EQ(FormatLogLine(lkKeyCollision, stamp, ",hold,shift."), "? 000001234 Key collision ,hold,shift.");
    EXPECT_EQ(FormatLogLine(lkDoubleKey, stamp, ",moulock,left,1. 2"), "? 000001234 Double key ,moulock,left,1. 2");
    EXPECT_EQ(FormatLogLine(lkSystem, stamp, "move: x"), "? 000001234 SYSTEM move: x");
    EXPECT_EQ(FormatLogLine(lkDebug, stamp, "d"), "  000001234 DEBUG d");
    EXPECT_EQ(FormatLogLine(lkModifierCollision, stamp, ",ascii,65."), "  000001234 Modifier collision ,ascii,65.");
    EXPECT_EQ(FormatLogLine(lkError, stamp, "### Fehler: x"), "! ERROR ### Fehler: x");
    for (TLogKind kind = 15; kind < 30; ++kind)
        EXPECT_EQ(FormatLogLine(kind, stamp, "x"), "") << int(kind);
}

TEST(LogFormat, StampsHaveNineDigitsAndTextIsKeptAsItIs)
{
    EXPECT_EQ(FormatLogLine(lkSequence, 0, "a"), "  000000000 Sequence >a<");
    EXPECT_EQ(FormatLogLine(lkSequence, 429496729, "%s%d"), "  429496729 Sequence >%s%d<");
    EXPECT_EQ(FormatLogLine(lkSequence, 5, std::string("\0", 1)), std::string("  000000005 Sequence >\0<", 24));
    EXPECT_EQ(FormatLogLine(lkSequence, 5, "\x1b\x1b"), "  000000005 Sequence ><esc><esc><");
}

TEST(LogFormat, KindNamesForTheEventSelection)
{
    EXPECT_STREQ(LogKindName(lkGeneral), "General events");
    EXPECT_STREQ(LogKindName(lkModifierCollision), "Modifier collision");
    EXPECT_STREQ(LogKindName(lkPlain), "");
    EXPECT_STREQ(LogKindName(20), "");
}

class LoggersTest : public ::testing::Test {
protected:
    TFakeClock Clock{1000};
};

TEST_F(LoggersTest, WithoutAStoredMaskOnlyPlainAndErrorLinesAreLogged)
{
    TTestEnvironment env(0);
    EXPECT_EQ(env.Log().LogEvents(), TLoggers::ForcedKinds);
    for (TLogKind kind = 0; kind <= 31; ++kind)
        env.Log().Log(kind, "k" + std::to_string(kind));
    EXPECT_EQ(env.TakeLines(), (std::vector<std::string>{"k0", "! ERROR k30"}));
}

TEST_F(LoggersTest, TheStoredChoicesAreTakenAndHandedBackWithTheForcedBits)
{
    TTempDir dir;
    TLogSettings stored;
    stored.LogEvents = 8;
    stored.ViewMax = 5;
    stored.FileName = "trace.log";
    stored.FileLog = true;
    TLoggers loggers(stored, dir.Path(), TUserFolders{dir.Path(), "", ""});
    EXPECT_EQ(loggers.LogEvents(), 8u | TLoggers::ForcedKinds);
    loggers.Log(lkSequence, "a");
    loggers.Log(lkReceived, " 61");
    std::string line;
    ASSERT_TRUE(loggers.View().FetchLine(line));
    EXPECT_EQ(line, "  000000100 Sequence >a<"); // (1000 - 0) / 10
    EXPECT_FALSE(loggers.View().FetchLine(line));
    ASSERT_TRUE(loggers.WaitWritten(5000));
    EXPECT_TRUE(loggers.File().IsOpen()) << "the stored file, beside the program";
    loggers.SetLogEvents(0);
    const TLogSettings saved = loggers.Settings();
    EXPECT_EQ(saved.LogEvents, 1073741825u);
    EXPECT_EQ(saved.ViewMax, 10) << "clamped";
    EXPECT_TRUE(saved.FileLog);
    EXPECT_EQ(saved.FileName, "trace.log");
    EXPECT_FALSE(saved.ViewLog);
}

TEST_F(LoggersTest, KindsAbove31AreNeverLogged)
{
    TTestEnvironment env(0xFFFFFFFF);
    env.Log().Log(32, "x");
    env.Log().Log(200, "x");
    env.Log().Log(255, "x");
    EXPECT_TRUE(env.TakeLines().empty());
}

TEST_F(LoggersTest, StampsCountHundredthsSinceTheStartLineAcrossTheTickWrap)
{
    TTestEnvironment env;
    Clock.Set(0xFFFFFF00u);
    env.Log().LogStart();
    env.Log().Log(lkSequence, "a");
    Clock.Set(0x00000100u); // wrapped: 512 ms later
    env.Log().Log(lkSequence, "b");
    std::vector<std::string> lines = env.TakeLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind(">>> Start ", 0), 0u);
    EXPECT_EQ(lines[1], "  000000000 Sequence >a<");
    EXPECT_EQ(lines[2], "  000000051 Sequence >b<");
    env.Log().LogEnd();
    EXPECT_EQ(env.TakeLines().at(0).rfind("<<< End ", 0), 0u);
}

TEST_F(LoggersTest, LogHexWritesTwoUpperCaseDigitsPerByte)
{
    TTestEnvironment env;
    env.Log().LogHex(lkReceived, " ", "\x1b&");
    env.Log().LogHex(lkReceived, " ", std::string("\0\xff\x0a", 3));
    env.Log().LogHex(lkReceived, " ", "");
    EXPECT_EQ(env.TakeUnstampedLines(),
              (std::vector<std::string>{"  # Received: 1B26", "  # Received: 00FF0A", "  # Received: "}));
    env.Log().SetLogEvents(0);
    env.Log().LogHex(lkReceived, " ", "a");
    EXPECT_TRUE(env.TakeLines().empty());
}

TEST_F(LoggersTest, ViewBufferKeepsTheNewestLinesUpToTheLimitPlusOne)
{
    TTestEnvironment env;
    env.Log().View().SetMaxLines(10);
    for (int i = 0; i < 30; ++i)
        env.Log().Log(lkPlain, std::to_string(i));
    std::vector<std::string> lines = env.TakeLines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines.front(), "19");
    EXPECT_EQ(lines.back(), "29");
}

TEST_F(LoggersTest, ViewLimitIsClampedAndChangedOnlyByTheOwnerThread)
{
    TTestEnvironment env;
    env.Log().View().SetMaxLines(5);
    EXPECT_EQ(env.Log().View().MaxLines(), 10);
    env.Log().View().SetMaxLines(5000);
    EXPECT_EQ(env.Log().View().MaxLines(), 999);
    std::thread([&env] {
        env.Log().View().SetMaxLines(50);
        env.Log().View().SetActive(true);
    }).join();
    EXPECT_EQ(env.Log().View().MaxLines(), 999);
    EXPECT_FALSE(env.Log().View().Active());
}

class TFakeLogWindow : public TLogWindowLink {
public:
    bool Opened = false;
    int Sent = 0, Posted = 0, Trimmed = -1;
    bool Exists() const override { return Opened; }
    void Open() override { Opened = true; }
    void Close() override { Opened = false; }
    void SendWake() override { ++Sent; }
    void PostWake() override { ++Posted; }
    void TrimLines(int Max) override { Trimmed = Max; }
};

TEST_F(LoggersTest, ViewSinkOpensAndWakesTheLogWindow)
{
    TTestEnvironment env;
    TFakeLogWindow window;
    env.Log().View().SetWindow(&window);
    env.Log().Log(lkPlain, "while closed");
    EXPECT_EQ(window.Sent + window.Posted, 0);

    env.Log().View().SetActive(true);
    EXPECT_TRUE(window.Opened);
    EXPECT_EQ(window.Posted, 1) << "the window fetches what was buffered while it was closed";
    EXPECT_EQ(env.Target.Messages(), (std::vector<TPostedMessage>{{UM_LOGVIEW, 1, 0}}));

    env.Log().Log(lkPlain, "main thread");
    EXPECT_EQ(window.Sent, 1);
    std::thread([&env] { env.Log().Log(lkPlain, "other thread"); }).join();
    EXPECT_EQ(window.Posted, 2);

    env.Log().View().SetMaxLines(20);
    EXPECT_EQ(window.Trimmed, 20);

    env.Log().View().SetActive(false);
    EXPECT_FALSE(window.Opened);
    EXPECT_EQ(env.Target.Messages().back(), (TPostedMessage{UM_LOGVIEW, 0, 0}));
    env.Log().View().SetWindow(nullptr);
}

TEST_F(LoggersTest, FileSinkAppendsLinesWithCrLfWhileActive)
{
    TTestEnvironment env;
    const std::string path = env.Dir.File("trace.log");
    WriteFileText(path, ">>> Start old\r\n");
    env.Log().File().SetFileName("trace.log");
    env.Log().File().SetActive(true);
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_TRUE(env.Log().File().IsOpen());
    env.Log().Log(lkPlain, "one");
    env.Log().Log(25, "ignored text"); // kinds without a format give empty lines
    env.Log().File().SetActive(false);
    env.Log().Log(lkPlain, "not written");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(path), ">>> Start old\r\none\r\n\r\n");
}

TEST_F(LoggersTest, FileSinkWithoutANameOpensNothingAndSaysNothing)
{
    TTestEnvironment env;
    env.Log().File().SetActive(true);
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_FALSE(env.Log().File().IsOpen());
    env.Log().Log(lkPlain, "dropped");
    EXPECT_TRUE(env.Target.Messages().empty());
}

TEST_F(LoggersTest, FileSinkThatCannotOpenItsFileTellsTheMainWindow)
{
    TTestEnvironment env;
    env.Log().File().SetActive(true);
    env.Log().File().SetFileName("missing-folder/trace.log");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_FALSE(env.Log().File().IsOpen());
    EXPECT_TRUE(env.Log().File().Active());
    EXPECT_EQ(env.Target.Messages(), (std::vector<TPostedMessage>{{UM_LOGFILEERROR, 0, 0}}));
}

// Any user may write the log file's name into the shared settings file: a
// device is never opened (COM8.log would send every logged byte out through
// the port), and a relative name lies beside the program.
TEST_F(LoggersTest, FileSinkRefusesDevicesAndTakesRelativeNamesBesideTheProgram)
{
    TTestEnvironment env;
    env.Log().File().SetActive(true);
    for (const char* name : {"COM8.log", "\\\\.\\COM8", "\\\\server\\share\\vemu.log", "\\??\\GLOBALROOT\\Device\\Serial0",
                             "\\??\\UNC\\server\\share\\vemu.log"}) {
        env.Target.Clear();
        env.TakeLines();
        env.Log().File().SetFileName(name);
        ASSERT_TRUE(env.Log().WaitWritten(5000));
        EXPECT_FALSE(env.Log().File().IsOpen()) << name;
        EXPECT_EQ(env.TakeLines(), std::vector<std::string>{std::string("! ERROR ### Log-Datei abgelehnt, keine "
                                                                         "gew\xf6hnliche Datei: ") + name});
        EXPECT_EQ(env.Target.Messages(), (std::vector<TPostedMessage>{{UM_LOGFILEERROR, 0, 0}})) << "the usual notice";
        EXPECT_EQ(env.Log().File().FileName(), name) << "the stored name stays as it is";
    }
    env.Log().File().SetFileName("trace.log");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_TRUE(env.Log().File().IsOpen());
    env.Log().Log(lkPlain, "beside the program");
    env.Log().File().SetActive(false);
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(env.Dir.File("trace.log")), "beside the program\r\n");
}

// A name that passes every check of the name may still lead to a device:
// what was opened is looked at, and anything but a file on a disk is closed
// again at once.
TEST_F(LoggersTest, FileSinkRefusesWhatOpensAsADevice)
{
    TTestEnvironment env;
#ifdef _WIN32
    // Windows names no device with a log file's name: the host's null device
    // is refused for its name already.
    const TEveryDriveLocal drives;
    const std::string name = "Z:\\dev\\null";
    const std::string why = "Name endet nicht auf .log oder .txt";
#else
    const std::string name = "pipe.log";
    ASSERT_EQ(mkfifo(env.Dir.File(name).c_str(), 0600), 0);
    const std::string why = "keine gew\xf6hnliche Datei";
#endif
    ASSERT_TRUE(IsPlainFilePath(name));
    env.Log().File().SetActive(true);
    env.TakeLines();
    env.Log().File().SetFileName(name);
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_FALSE(env.Log().File().IsOpen());
    EXPECT_EQ(env.TakeLines(), std::vector<std::string>{"! ERROR ### Log-Datei abgelehnt, " + why + ": " + name});
    EXPECT_EQ(env.Target.Messages(), (std::vector<TPostedMessage>{{UM_LOGFILEERROR, 0, 0}}));
}

// A file of another kind is never even made; a log switched on later in
// the session begins with the session's start line, so that it is taken
// again at the next start.
TEST_F(LoggersTest, FileSinkMakesOnlyLogsAndBeginsThemWithTheStartLine)
{
    TTestEnvironment env;
    env.Log().LogStart();
    const std::string start = env.TakeLines().at(0);
    env.Log().File().SetActive(true);
    env.Log().File().SetFileName("run.hta");
    EXPECT_EQ(env.TakeLines(), std::vector<std::string>{"! ERROR ### Log-Datei abgelehnt, Name endet nicht auf .log "
                                                        "oder .txt: run.hta"});
    EXPECT_FALSE(std::filesystem::exists(env.Dir.File("run.hta")));
    env.Log().File().SetFileName("later.log");
    env.Log().Log(lkPlain, "typed");
    env.Log().File().SetActive(false);
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(env.Dir.File("later.log")), start + "\r\ntyped\r\n");
}

void NoPause(uint32_t) {}

// The program starts while a scanner holds the settings file and ends once
// it is free again: the failure is said once the loggers are there, and the
// defaults the session ran with never replace the user's settings, neither
// the writes of the running program nor those of the loggers' and the
// settings store's ends.
TEST_F(LoggersTest, SettingsUnreadableAtTheStartAreSaidAndNeverOverwritten)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    const std::string before = "; by hand\r\n[Port]\r\nPort=7\r\n[Extended]\r\nLogEvents=4\r\n";
    WriteFileText(path, before);
    const TSeam noPauses(SetRetryPause, NoPause);
    {
        std::unique_ptr<TProgram> program;
        {
            const TSeam held(SetFileFaults, [&](const std::string& Path, TFileAccess) {
                return Path == path ? TFileFault::Held : TFileFault::None;
            });
            program = std::make_unique<TProgram>(dir.File("vemuKeys.exe"), TProgramKind::Tray);
        }
        program->StartLog();
        std::vector<std::string> lines;
        for (std::string line; program->Loggers().View().FetchLine(line);)
            lines.push_back(line);
        EXPECT_EQ(lines.size(), 2u) << "the start line and the failure, once";
        lines.resize(2);
        EXPECT_EQ(lines[0].rfind(">>> Start", 0), 0u);
        EXPECT_EQ(lines[1], "! ERROR ### Einstellungsdatei blockiert, diese Sitzung schreibt nichts hinein: " + path);
        program->Globals().Settings.Port.Port = 3;
        EXPECT_FALSE(program->SaveSettings());
        EXPECT_TRUE(program->Globals().SaveFailed());
        program.reset();
    }
    EXPECT_EQ(ReadFileText(path), before);
}

// A port that keeps failing must not fill the disk.
TEST_F(LoggersTest, ErrorsLogIsKeptBelowItsLimitWithOneOlderFile)
{
    TTestEnvironment env;
    const std::string errors = env.Dir.File("Errors.log");
    const std::string old = env.Dir.File("Errors.old.log");
    WriteFileText(old, "oldest\r\n");
    WriteFileText(errors, std::string(TErrorLog::MaxFileSize - 1, 'x'));
    // Both stay the files they were: links made to them see the new lines.
    std::filesystem::create_hard_link(errors, env.Dir.File("errors.link"));
    std::filesystem::create_hard_link(old, env.Dir.File("old.link"));
    env.Log().Log(lkError, "still fits");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(old), "oldest\r\n");
    env.Log().Log(lkError, "new file");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(errors), "! ERROR new file\r\n");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    const std::string previous = ReadFileText(old);
    EXPECT_EQ(previous.size(), TErrorLog::MaxFileSize - 1 + std::string("! ERROR still fits\r\n").size());
    EXPECT_EQ(previous.substr(previous.size() - 20), "! ERROR still fits\r\n");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(env.Dir.File("errors.link")), "! ERROR new file\r\n");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(env.Dir.File("old.link")), previous);
}

// Any user can make the older file unreplaceable: a folder of that name
// (or a read-only file, which Windows will not replace). The full file
// begins afresh instead of growing on.
TEST_F(LoggersTest, ErrorsLogBeginsAfreshWhenTheOlderFileCannotBeReplaced)
{
    TTestEnvironment env;
    const std::string errors = env.Dir.File("Errors.log");
    const std::string old = env.Dir.File("Errors.old.log");
    std::filesystem::create_directory(old);
    WriteFileText(old + "/keep", "x");
    WriteFileText(errors, std::string(TErrorLog::MaxFileSize, 'x'));
    env.Log().Log(lkError, "eins");
    env.Log().Log(lkError, "zwei");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(errors), "! ERROR ### Errors.old.log nicht ersetzbar, Errors.log neu begonnen\r\n"
                                    "! ERROR eins\r\n! ERROR zwei\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(old));
}

TEST_F(LoggersTest, ErrorLinesAreOnDiskInErrorsLogRightAway)
{
    TTestEnvironment env;
    const std::string errors = env.Dir.File("Errors.log");
    env.Log().Log(lkSequence, "not an error");
    env.Log().Log(lkError, "### Fehler: eins");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(errors), "! ERROR ### Fehler: eins\r\n");
    env.Log().Log(lkError, "zwei");
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_EQ(ReadFileText(errors), "! ERROR ### Fehler: eins\r\n! ERROR zwei\r\n");
    // The error line reaches the view buffer as well.
    std::vector<std::string> lines = env.TakeLines();
    EXPECT_EQ(lines.back(), "! ERROR zwei");
}

TEST_F(LoggersTest, LinesFromSeveralThreadsAreNeverInterleaved)
{
    TTestEnvironment env;
    const std::string path = env.Dir.File("threads.log");
    env.Log().File().SetFileName("threads.log");
    env.Log().File().SetActive(true);
    auto writer = [&env](char letter) {
        for (int i = 0; i < 200; ++i)
            env.Log().Log(lkPlain, std::string(50, letter));
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    env.Log().File().SetActive(false);
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    std::string text = ReadFileText(path);
    ASSERT_EQ(text.size(), 400u * 52u);
    for (size_t at = 0; at < text.size(); at += 52) {
        EXPECT_TRUE(text.compare(at, 52, std::string(50, 'a') + "\r\n") == 0 ||
                    text.compare(at, 52, std::string(50, 'b') + "\r\n") == 0)
            << "at " << at;
    }
}

} // namespace

// An open that waits until the test lets it go, as an open of a file that
// another user holds under an oplock waits for him.
class TStuckOpen {
public:
    TStuckOpen() : FGate(std::make_shared<TGate>()) {}
    ~TStuckOpen() { Release(); }
    TNamedFileOpenPause Pause() const
    {
        return [Gate = FGate](const std::string&) {
            std::unique_lock<std::mutex> lock(Gate->Lock);
            Gate->Reached = true;
            Gate->Changed.notify_all();
            Gate->Changed.wait(lock, [&] { return Gate->Released; });
        };
    }
    bool WaitReached()
    {
        std::unique_lock<std::mutex> lock(FGate->Lock);
        return FGate->Changed.wait_for(lock, std::chrono::seconds(5), [&] { return FGate->Reached; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(FGate->Lock);
        FGate->Released = true;
        FGate->Changed.notify_all();
    }

private:
    struct TGate {
        std::mutex Lock;
        std::condition_variable Changed;
        bool Reached = false, Released = false;
    };
    std::shared_ptr<TGate> FGate;
};

// Every thread that logs goes on while the log file does not answer; the
// lines past the queue's bound are counted and said once the file is free.
TEST_F(LoggersTest, AStuckLogFileCostsOnlyItsOwnLinesAndSaysHowMany)
{
    TTestEnvironment env(1u << lkSequence);
    TStuckOpen stuck;
    const TSeam pause(SetNamedFileOpenPause, stuck.Pause());
    env.Log().File().SetFileName("trace.log");
    env.Log().File().SetActive(true);
    ASSERT_TRUE(stuck.WaitReached());
    const size_t dropped = 25;
    for (size_t i = 0; i < TSinkThread::MaxWaitingLines + dropped; ++i)
        env.Log().Log(lkSequence, "x");
    EXPECT_FALSE(env.Log().WaitWritten(50)) << "the file is still held";
    for (std::string line; env.Log().View().FetchLine(line);) {
    }
    stuck.Release();
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    const std::string said = "! ERROR " + BlockedLinesLine(dropped, "trace.log");
    EXPECT_EQ(said, "! ERROR ### 25 Log-Zeilen nicht geschrieben: trace.log war blockiert");
    EXPECT_EQ(env.TakeLines(), std::vector<std::string>{said}) << "said once";
    env.Log().File().SetActive(false);
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    const std::string text = ReadFileText(env.Dir.File("trace.log"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(TSinkThread::MaxWaitingLines + 1));
    EXPECT_EQ(text.substr(text.size() - said.size() - 2), said + "\r\n");
    EXPECT_NE(ReadFileText(env.Dir.File("Errors.log")).find(said), std::string::npos);
}

// The end waits about a second for a file that does not answer, then goes
// on; the thread still in the open is kept, and says nothing once it is
// let go.
TEST_F(LoggersTest, TheEndDoesNotWaitForAStuckFile)
{
    TStuckOpen stuck;
    const TSeam pause(SetNamedFileOpenPause, stuck.Pause());
    {
        TTestEnvironment env;
        env.Log().File().SetFileName("trace.log");
        env.Log().File().SetActive(true);
        ASSERT_TRUE(stuck.WaitReached());
        env.Log().Log(lkError, "before the end");
    } // returns: the test's time limit shows it
    stuck.Release();
}
