// The user guide's generated name tables against the program's own tables:
// the guide lists exactly the key names, mouse button names, directions and
// anchor names the program accepts, each once.
#include "gidei/KeyTable.h"
#include "gidei/MouseTables.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Names = std::set<std::string>;

// The names in backticks of one generated block of the guide; the block
// must be there and list no name twice.
Names GuideNames(const std::string& Block)
{
    std::ifstream file(VEMU_GUIDE_FILE);
    std::stringstream text;
    text << file.rdbuf();
    const std::string guide = text.str();
    const std::string begin = "<!-- tabelle: " + Block + " -->", end = "<!-- ende: " + Block + " -->";
    const size_t from = guide.find(begin), to = guide.find(end);
    if (from == std::string::npos || to == std::string::npos || to < from) {
        ADD_FAILURE() << "the guide has no block " << Block;
        return {};
    }
    std::vector<std::string> listed;
    for (size_t open = guide.find('`', from); open < to; open = guide.find('`', open + 1)) {
        const size_t close = guide.find('`', open + 1);
        listed.push_back(guide.substr(open + 1, close - open - 1));
        open = close;
    }
    Names names(listed.begin(), listed.end());
    EXPECT_EQ(names.size(), listed.size()) << "a name is listed twice in " << Block;
    return names;
}

// The names of one set that the other lacks, listed.
std::string Lacking(const Names& From, const Names& In)
{
    std::string lacking;
    for (const std::string& name : From)
        if (!In.count(name))
            lacking += (lacking.empty() ? "" : " ") + name;
    return lacking;
}

void ExpectBlockLists(const std::string& Block, const Names& Accepted)
{
    const Names listed = GuideNames(Block);
    EXPECT_EQ(Lacking(Accepted, listed), "") << "accepted by the program, missing in the guide's block " << Block;
    EXPECT_EQ(Lacking(listed, Accepted), "") << "listed in the guide's block " << Block << ", not accepted as such";
}

TEST(GuideTables, KeyNamesAreThoseOfTheKeyTable)
{
    TTestEnvironment env;
    env.Language = 0x0407;
    TKeyTable table(env.Language, env.Log());
    Names available, unavailable;
    for (int i = 0; i < table.Count(); ++i) {
        int index;
        (table.Find(table.Name(i), index) ? available : unavailable).insert(table.Name(i));
    }
    ASSERT_FALSE(available.empty());
    ExpectBlockLists("tasten", available);
    ExpectBlockLists("tasten-nicht-verfuegbar", unavailable);
}

TEST(GuideTables, MouseButtonNamesAreThoseOfTheButtonTable)
{
    TTestEnvironment env;
    TMouseTable table(env.Log());
    Names supported, unsupported;
    for (int i = 0; i < table.Count(); ++i)
        (table.DownFlags(i) != 0 ? supported : unsupported).insert(table.Name(i));
    ASSERT_FALSE(supported.empty());
    ExpectBlockLists("maustasten", supported);
    ExpectBlockLists("maustasten-ohne-funktion", unsupported);
}

TEST(GuideTables, DirectionsAndAnchorNamesAreThoseOfTheProgram)
{
    TMouseDir directions;
    const Names listed = GuideNames("richtungen");
    for (const std::string& name : listed) {
        int index;
        EXPECT_TRUE(directions.Find(name, index)) << name;
    }
    EXPECT_EQ(listed.size(), static_cast<size_t>(directions.Count()));

    // Every character the anchor memory takes, by its capital.
    TMousePosMem anchors;
    Names accepted;
    for (int code = 1; code < 256; ++code) {
        TPointObj point;
        anchors.Recall(static_cast<char>(code), point);
        if (!anchors.Invalid)
            accepted.insert(std::string(1, static_cast<char>(code >= 'a' && code <= 'z' ? code - 'a' + 'A' : code)));
    }
    ExpectBlockLists("anker", accepted);
}

} // namespace
