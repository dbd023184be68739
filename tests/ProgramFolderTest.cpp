// In an installed folder users may create nothing: the files the program
// writes beside itself must be exactly those the installer creates and lets
// users write (its DataFiles list), or every user's save fails there.
#include "base/settings/SettingsJournal.h"
#include "logging/Logging.h"
#include "base/settings/Globals.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

std::string NameOf(const std::string& Path) { return Path.substr(Path.find_last_of("\\/") + 1); }

// The names the installer script's DataFiles macro lists, its defines
// resolved.
std::set<std::string> InstallerDataFiles()
{
    std::map<std::string, std::string> defines;
    std::set<std::string> names;
    std::istringstream script(ReadFileText(VEMU_INSTALLER_SCRIPT));
    const std::regex define(R"re(!define (\w+) "([^"$]*)"\s*)re");
    const std::regex listed(R"re(\s*!insertmacro \$\{DO\} "\$\{(\w+)\}"\s*)re");
    bool inList = false;
    for (std::string line; std::getline(script, line);) {
        std::smatch match;
        if (std::regex_match(line, match, define))
            defines[match[1]] = match[2];
        else if (line.rfind("!macro DataFiles", 0) == 0)
            inList = true;
        else if (line.rfind("!macroend", 0) == 0)
            inList = false;
        else if (inList && std::regex_match(line, match, listed))
            names.insert(defines.at(match[1]));
    }
    return names;
}

TEST(ProgramFolder, UsersMayWriteExactlyTheFilesTheProgramWrites)
{
    TTestEnvironment env;
    TGlobals globals(env.Dir.File("vemuKeys.exe"));
    const TErrorLog errors(env.Log(), env.Dir.Path());
    const std::set<std::string> written = {NameOf(globals.IniFile().FileName()),
                                           NameOf(JournalName(globals.IniFile().FileName())),
                                           NameOf(errors.FileName()), NameOf(errors.OldFileName())};
    EXPECT_EQ(InstallerDataFiles(), written);
}

} // namespace
