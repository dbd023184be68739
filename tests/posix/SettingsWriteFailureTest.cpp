// A settings write that fails half way, for real: a child process with a
// file size limit writes more than the limit allows.
#include "base/settings/IniFile.h"
#include "base/settings/SettingsJournal.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum TOutcome { Written, NotWritten, ChildFailed };

// Runs Write in a child whose files may not grow beyond Limit bytes (the
// write that passes it fails with EFBIG instead of raising the signal).
TOutcome WriteUnderSizeLimit(rlim_t Limit, bool (*Write)(const std::string&), const std::string& Path)
{
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{Limit, Limit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(ChildFailed);
        _exit(Write(Path) ? Written : NotWritten);
    }
    int status = -1;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return ChildFailed;
    return static_cast<TOutcome>(WEXITSTATUS(status));
}

const std::string OldSettings = "[Port]\r\nPort=7\r\nRate=9600\r\n[Extended]\r\nLogEvents=4\r\n";

TEST(SettingsWriteFailure, AFileSizeLimitLeavesTheOldFileByteForByte)
{
    TTempDir dir;
    const std::string path = dir.File("vemuKeys.set");
    WriteFileText(path, OldSettings);

    // A value far beyond the limit: the new text cannot be written whole.
    EXPECT_EQ(WriteUnderSizeLimit(
                  4096,
                  [](const std::string& Path) {
                      return TIniFile(Path).WriteString("GIDEI", "Sound", std::string(20000, 's'));
                  },
                  path),
              NotWritten);
    EXPECT_EQ(ReadFileText(path), OldSettings);
    EXPECT_EQ(ReadFileText(JournalName(path)), "") << "the partial journal is emptied";
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_TRUE(entry.path().filename() == "vemuKeys.set" || entry.path().filename() == "vemuKeys.set.journal")
            << entry.path();

    // A write that fits the limit still goes through.
    EXPECT_EQ(WriteUnderSizeLimit(
                  4096, [](const std::string& Path) { return TIniFile(Path).WriteString("Port", "Port", "8"); }, path),
              Written);
    EXPECT_EQ(TIniFile(path).ReadInteger("Port", "Port", 0), 8);
    EXPECT_EQ(TIniFile(path).ReadInteger("Port", "Rate", 0), 9600);
}

} // namespace
