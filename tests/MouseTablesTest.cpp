#include "gidei/MouseTables.h"

#include "gidei/KeyTable.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MouseTableResource, HasTheShippedBytes)
{
    const uint8_t expected[] = {
        1, 0, 0, 0, 0x02, 0, 0, 0, 0x04, 0, 0, 0, 'l', 'e', 'f', 't', 0,
        5, 0, 0, 0, 0x08, 0, 0, 0, 0x10, 0, 0, 0, 'r', 'i', 'g', 'h', 't', 0,
        0, 0, 0, 0,
    };
    std::vector<uint8_t> bytes = LoadResourceBytes(MouseTableResourceId);
    ASSERT_EQ(bytes.size(), sizeof expected);
    EXPECT_EQ(std::memcmp(bytes.data(), expected, sizeof expected), 0);
}

class MouseTableTest : public ::testing::Test {
protected:
    TMouseTable Table{NoLog()};

    int Index(const std::string& Name)
    {
        int index = -1;
        EXPECT_TRUE(Table.Find(Name, index)) << Name;
        return index;
    }
};

TEST_F(MouseTableTest, EveryNameIsAnEntryOfItsOwn)
{
    EXPECT_EQ(Table.Count(), 12);
    for (int i = 1; i < Table.Count(); ++i)
        EXPECT_LE(CompareNoCase(Table.Name(i - 1), Table.Name(i)), 0);
}

TEST_F(MouseTableTest, NamesResolveToTheirButtonAndFlagsInAnyCase)
{
    for (const char* name : {"left", "Left", "LEFT", "1", "but1", "BUT1"}) {
        int index = Index(name);
        EXPECT_EQ(Table.ButtonName(index), "but1") << name;
        EXPECT_EQ(Table.DownFlags(index), 0x0002u) << name;
        EXPECT_EQ(Table.UpFlags(index), 0x0004u) << name;
    }
    for (const char* name : {"right", "RiGhT", "5", "but5"}) {
        int index = Index(name);
        EXPECT_EQ(Table.ButtonName(index), "but5") << name;
        EXPECT_EQ(Table.DownFlags(index), 0x0008u) << name;
        EXPECT_EQ(Table.UpFlags(index), 0x0010u) << name;
    }
    for (const char* name : {"2", "but2", "3", "but3", "4", "but4"}) {
        int index = Index(name);
        EXPECT_EQ(Table.DownFlags(index), 0u) << name;
        EXPECT_EQ(Table.UpFlags(index), 0u) << name;
    }
}

TEST_F(MouseTableTest, UnknownNamesHaveNoButton)
{
    int index;
    EXPECT_FALSE(Table.Find("middle", index));
    EXPECT_FALSE(Table.Find("", index));
    EXPECT_FALSE(Table.Find("but6", index));
    EXPECT_EQ(Table.ButtonOf("middle"), "");
    EXPECT_EQ(Table.ButtonOf("1"), Table.ButtonOf("left"));
    EXPECT_EQ(Table.ButtonOf("RIGHT"), "but5");
}

TEST_F(MouseTableTest, AllNamesOfAButtonShareOneState)
{
    Table.SetButtonState(Index("left"), 1);
    EXPECT_EQ(Table.ButtonState(Index("1")), 1);
    EXPECT_EQ(Table.ButtonState(Index("but1")), 1);
    EXPECT_EQ(Table.ButtonState(Index("left")), 1);
    EXPECT_EQ(Table.ButtonState(Index("right")), 0);
    Table.SetButtonState(Index("but1"), 0);
    EXPECT_EQ(Table.ButtonState(Index("left")), 0);
    EXPECT_EQ(Table.ButtonState(Index("1")), 0);
}

TEST(MouseTableDamage, WithoutAResourceThereAreNoNames)
{
    TMouseTable table{std::vector<uint8_t>(), NoLog()};
    int index;
    EXPECT_EQ(table.Count(), 0);
    EXPECT_FALSE(table.Find("1", index));
    EXPECT_EQ(table.ButtonOf("left"), "");
}

TEST(MouseTableDamage, AButtonNumberOutsideOneToFiveHasNoState)
{
    const std::vector<uint8_t> bytes = {7, 0, 0, 0, 0x20, 0, 0, 0, 0x40, 0, 0, 0, 'x', 0, 0, 0, 0, 0};
    TMouseTable table(bytes, NoLog());
    int index;
    ASSERT_TRUE(table.Find("x", index));
    EXPECT_EQ(table.ButtonName(index), "but7");
    EXPECT_EQ(table.DownFlags(index), 0x20u);
    table.SetButtonState(index, 1);
    EXPECT_EQ(table.ButtonState(index), 0);
}

TEST(MouseTableDamage, ACopyCutShortKeepsTheRecordsBeforeTheCut)
{
    TTestEnvironment env;
    const std::vector<uint8_t> whole = LoadResourceBytes(MouseTableResourceId);
    for (size_t length = 1; length < whole.size(); ++length) {
        TMouseTable table(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(length)), env.Log());
        int index;
        const bool leftKnown = length >= 17;
        EXPECT_EQ(table.Find("left", index), leftKnown) << length;
        EXPECT_FALSE(table.Find("right", index) && length < 35) << length;
        if (table.Find("1", index)) {
            EXPECT_EQ(table.DownFlags(index), leftKnown ? 0x0002u : 0u) << length;
        }
    }
    std::vector<std::string> lines = env.TakeLines();
    EXPECT_EQ(lines.size(), whole.size() - 1) << "one error line per damaged copy";
    EXPECT_EQ(lines.front().rfind("! ERROR Mouse table resource damaged", 0), 0u);
}

TEST(MouseDir, EightDirectionsInAnyCase)
{
    TMouseDir directions;
    struct Case {
        const char* Name;
        TPointObj Delta;
    } cases[] = {{"up", {0, -1}},      {"down", {0, 1}},      {"left", {-1, 0}},     {"right", {1, 0}},
                 {"upleft", {-1, -1}}, {"upright", {1, -1}}, {"downleft", {-1, 1}}, {"DownRight", {1, 1}}};
    for (const Case& c : cases) {
        int index;
        ASSERT_TRUE(directions.Find(c.Name, index)) << c.Name;
        TPointObj delta;
        directions.Delta(index, delta);
        EXPECT_EQ(delta, c.Delta) << c.Name;
    }
    int index;
    EXPECT_FALSE(directions.Find("north", index));
    EXPECT_FALSE(directions.Find("", index));
}

TEST(MousePosMem, AnchorsByDigitOrLetterInEitherCase)
{
    TMousePosMem anchors;
    TPointObj point{7, 7};
    anchors.Recall('Q', point);
    EXPECT_EQ(point, (TPointObj{0, 0}));
    EXPECT_FALSE(anchors.Invalid);

    anchors.Store('a', {100, 200});
    anchors.Recall('A', point);
    EXPECT_EQ(point, (TPointObj{100, 200}));
    EXPECT_FALSE(anchors.Invalid);

    anchors.Store('9', {-5, 6});
    anchors.Store('z', {1, 2});
    anchors.Recall('9', point);
    EXPECT_EQ(point, (TPointObj{-5, 6}));
    anchors.Recall('Z', point);
    EXPECT_EQ(point, (TPointObj{1, 2}));
}

TEST(MousePosMem, OtherCharactersAreInvalidAndStoreNothing)
{
    TMousePosMem anchors;
    anchors.Store('a', {100, 200});
    TPointObj point;
    for (char name : {'#', ' ', '\0', '[', '@', '/', ':', static_cast<char>(0xE4)}) {
        anchors.Store(name, {9, 9});
        EXPECT_TRUE(anchors.Invalid) << int(name);
        anchors.Recall(name, point);
        EXPECT_TRUE(anchors.Invalid) << int(name);
        EXPECT_EQ(point, (TPointObj{0, 0}));
    }
    anchors.Recall('5', point);
    EXPECT_FALSE(anchors.Invalid);
    EXPECT_EQ(point, (TPointObj{0, 0}));
    anchors.Recall('A', point);
    EXPECT_EQ(point, (TPointObj{100, 200}));
}

} // namespace
