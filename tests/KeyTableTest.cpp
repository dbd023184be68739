#include "gidei/KeyTable.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

#include "TwoBlockTable.inc"

uint32_t U32At(const std::vector<uint8_t>& Bytes, size_t At)
{
    return Bytes[At] | Bytes[At + 1] << 8 | Bytes[At + 2] << 16 | static_cast<uint32_t>(Bytes[At + 3]) << 24;
}

// Walks the resource bytes on its own, without the table's loader.
struct TRawEntry {
    std::string Name;
    uint32_t Flags;
    std::vector<std::vector<uint32_t>> Groups;
};

std::vector<TRawEntry> ParseRaw(const std::vector<uint8_t>& Bytes, uint32_t& EntryCount, std::vector<uint32_t>& Languages)
{
    size_t at = 4;
    EntryCount = U32At(Bytes, at);
    uint32_t languages = U32At(Bytes, at + 4);
    at += 8;
    for (uint32_t i = 0; i < languages; ++i, at += 4)
        Languages.push_back(U32At(Bytes, at));
    std::vector<TRawEntry> entries;
    while (Bytes.at(at) != 0) {
        TRawEntry entry;
        entry.Name = reinterpret_cast<const char*>(&Bytes[at]);
        at += entry.Name.size() + 1;
        entry.Flags = U32At(Bytes, at);
        uint32_t groups = U32At(Bytes, at + 4);
        at += 8;
        for (uint32_t g = 0; g < groups; ++g) {
            uint32_t count = U32At(Bytes, at);
            at += 4;
            std::vector<uint32_t> values;
            for (uint32_t v = 0; v < count; ++v, at += 4)
                values.push_back(U32At(Bytes, at));
            entry.Groups.push_back(values);
        }
        entries.push_back(entry);
    }
    EXPECT_EQ(at + 1, Bytes.size()) << "the block's zero byte ends the resource";
    return entries;
}

TEST(KeyTableResource, HasTheShippedLayout)
{
    std::vector<uint8_t> bytes = LoadResourceBytes(KeyTableResourceId);
    ASSERT_EQ(bytes.size(), 6405u);
    EXPECT_EQ(U32At(bytes, 0), 1u) << "one block";
    uint32_t entryCount = 0;
    std::vector<uint32_t> languages;
    std::vector<TRawEntry> entries = ParseRaw(bytes, entryCount, languages);
    EXPECT_EQ(entryCount, 323u);
    EXPECT_EQ(entries.size(), 323u);
    EXPECT_EQ(languages, (std::vector<uint32_t>{0x0407, 0x0C07}));
    int unavailable = 0;
    for (const TRawEntry& entry : entries) {
        unavailable += entry.Flags == kfUnavailable;
        if (entry.Flags == kfUnavailable) {
            EXPECT_TRUE(entry.Groups.empty()) << entry.Name;
        }
        EXPECT_LE(entry.Name.size(), 13u);
    }
    EXPECT_EQ(unavailable, 169);
    EXPECT_EQ(entries.size() - unavailable, 154u);

    const uint8_t first[] = {0x30, 0x00, 0x2C, 0, 0, 0, 0x02, 0, 0, 0, 0x01, 0, 0, 0, 0x30, 0, 0, 0, 0x01, 0, 0, 0, 0x30, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data() + 20, first, sizeof first), 0) << "first entry \"0\"";
}

struct TRow {
    std::vector<std::string> Names;
    uint32_t Flags;
    std::vector<uint32_t> Keys;
    int Char; // -1 for none
};

// The named keys of the German table; names in one row are synonyms.
const std::vector<TRow> NamedRows = {
    {{"backspace", "bspace"}, 0x04, {0x08}, -1},
    {{"tab"}, 0x04, {0x09}, -1},
    {{"enter", "kpenter", "ret", "return"}, 0x04, {0x0D}, -1},
    {{"capslk", "capslock"}, 0x04, {0x14}, -1},
    {{"esc", "escape"}, 0x04, {0x1B}, -1},
    {{"space"}, 0x04, {0x20}, -1},
    {{"pageup", "pgup"}, 0x04, {0x21}, -1},
    {{"pagedown", "pgdn"}, 0x04, {0x22}, -1},
    {{"end"}, 0x04, {0x23}, -1},
    {{"home"}, 0x04, {0x24}, -1},
    {{"left"}, 0x04, {0x25}, -1},
    {{"up"}, 0x04, {0x26}, -1},
    {{"right"}, 0x04, {0x27}, -1},
    {{"dn", "down"}, 0x04, {0x28}, -1},
    {{"printscreen", "prtscr"}, 0x04, {0x2C}, -1},
    {{"ins", "insert"}, 0x04, {0x2D}, -1},
    {{"del", "delete"}, 0x04, {0x2E}, -1},
    {{"menu"}, 0x04, {0x5D}, -1},
    {{"kp*", "kptimes"}, 0x04, {0x6A}, -1},
    {{"kp+", "kpplus"}, 0x04, {0x6B}, -1},
    {{"kp-", "kpminus"}, 0x04, {0x6D}, -1},
    {{"kpcomma", "kpperiod"}, 0x04, {0x6E}, -1},
    {{"kp/", "kpdivide"}, 0x04, {0x6F}, -1},
    {{"numlk", "numlock"}, 0x04, {0x90}, -1},
    {{"shift"}, 0x06, {0x10}, -1},
    {{"control", "ctrl"}, 0x06, {0x11}, -1},
    {{"altgr"}, 0x06, {0x11, 0x12}, -1},
    {{"alt"}, 0x06, {0x12}, -1},
    {{"cmd", "command", "lcmd", "lcommand"}, 0x06, {0x5B}, -1},
    {{"rcmd", "rcommand"}, 0x06, {0x5C}, -1},
    {{"lshift", "shiftleft"}, 0x06, {0xA0}, -1},
    {{"rshift", "shiftright"}, 0x06, {0xA1}, -1},
    {{"lcontrol", "lctrl"}, 0x06, {0xA2}, -1},
    {{"rcontrol", "rctrl"}, 0x06, {0xA3}, -1},
    {{"lalt"}, 0x06, {0xA4}, -1},
    {{"ralt"}, 0x06, {0xA5}, -1},
    {{"exclaim"}, 0x20, {0x10, 0x31}, 0x21},
    {{"dollar"}, 0x20, {0x10, 0x34}, 0x24},
    {{"ampersand"}, 0x20, {0x10, 0x36}, 0x26},
    {{"slash"}, 0x20, {0x10, 0x37}, 0x2F},
    {{"asterisk"}, 0x20, {0x10, 0xBB}, 0x2A},
    {{"semicolon"}, 0x20, {0x10, 0xBC}, 0x3B},
    {{"underscore"}, 0x20, {0x10, 0xBD}, 0x5F},
    {{"colon"}, 0x20, {0x10, 0xBE}, 0x3A},
    {{"question"}, 0x20, {0x10, 0xDB}, 0x3F},
    {{"supertwo"}, 0x20, {0x11, 0x12, 0x32}, 0xB2},
    {{"superthree"}, 0x20, {0x11, 0x12, 0x33}, 0xB3},
    {{"at"}, 0x20, {0x11, 0x12, 0x51}, 0x40},
    {{"tilde"}, 0x20, {0x11, 0x12, 0xBB}, 0x7E},
    {{"backslash", "bslash"}, 0x20, {0x11, 0x12, 0xDB}, 0x5C},
    {{"udieresis"}, 0x24, {0xBA}, 0xFC},
    {{"plus"}, 0x24, {0xBB}, 0x2B},
    {{"comma"}, 0x24, {0xBC}, 0x2C},
    {{"minus"}, 0x24, {0xBD}, 0x2D},
    {{"period"}, 0x24, {0xBE}, 0x2E},
    {{"odieresis"}, 0x24, {0xC0}, 0xF6},
    {{"sharps"}, 0x24, {0xDB}, 0xDF},
    {{"adieresis"}, 0x24, {0xDE}, 0xE4},
};

class KeyTableTest : public ::testing::Test {
protected:
    TTestEnvironment Env;
    TKeyTable Table{Env.Language, Env.Log()};

    const TKeyData& Entry(const std::string& Name)
    {
        int index = -1;
        EXPECT_TRUE(Table.Find(Name, index)) << Name;
        static TKeyData none;
        const TKeyData* entry = Table.KeyData(index);
        return entry ? *entry : none;
    }

    void ExpectEntry(const std::string& Name, uint32_t Flags, const std::vector<uint32_t>& Keys, int Char)
    {
        SCOPED_TRACE(Name);
        const TKeyData& entry = Entry(Name);
        EXPECT_EQ(entry.Flags, Flags);
        EXPECT_EQ(entry.Group(0).Values(), Keys);
        EXPECT_EQ(entry.HasChar(), Char >= 0);
        EXPECT_EQ(entry.GroupCount(), Char >= 0 ? 2 : 1);
        EXPECT_EQ(entry.CharCode(), Char >= 0 ? static_cast<uint32_t>(Char) : 0u);
        EXPECT_EQ(entry.Table, &Table);
    }
};

TEST_F(KeyTableTest, LoadsAllEntriesSortedByName)
{
    ASSERT_EQ(Table.Count(), 323);
    for (int i = 1; i < Table.Count(); ++i)
        EXPECT_LT(CompareNoCase(Table.Name(i - 1), Table.Name(i)), 0) << Table.Name(i);
    EXPECT_EQ(Table.LanguageCount(), 2);
    EXPECT_EQ(Table.LanguageId(0), 0x0407u);
    EXPECT_EQ(Table.LanguageId(1), 0x0C07u);
    EXPECT_EQ(Table.LanguageId(2), 0u);
    EXPECT_EQ(Table.LanguageId(-1), 0u);
}

TEST_F(KeyTableTest, EveryNamedRowAndItsSynonyms)
{
    for (const TRow& row : NamedRows)
        for (const std::string& name : row.Names)
            ExpectEntry(name, row.Flags, row.Keys, row.Char);
}

TEST_F(KeyTableTest, RegularGroupsOfLettersDigitsAndFunctionKeys)
{
    for (int i = 0; i < 26; ++i)
        ExpectEntry(std::string(1, static_cast<char>('a' + i)), 0x34, {static_cast<uint32_t>(0x41 + i)}, 0x61 + i);
    const char* words[] = {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"};
    for (int i = 0; i < 10; ++i) {
        ExpectEntry(std::to_string(i), 0x2C, {static_cast<uint32_t>(0x30 + i)}, 0x30 + i);
        ExpectEntry(words[i], 0x0C, {static_cast<uint32_t>(0x30 + i)}, -1);
        ExpectEntry("kp" + std::to_string(i), 0x04, {static_cast<uint32_t>(0x60 + i)}, -1);
    }
    for (int i = 1; i <= 12; ++i)
        ExpectEntry("f" + std::to_string(i), 0x04, {static_cast<uint32_t>(0x6F + i)}, -1);
}

TEST_F(KeyTableTest, NamesAreFoundInAnyCase)
{
    ExpectEntry("A", 0x34, {0x41}, 0x61);
    ExpectEntry("Ctrl", 0x06, {0x11}, -1);
    ExpectEntry("PGUP", 0x04, {0x21}, -1);
    ExpectEntry("AdIeReSiS", 0x24, {0xDE}, 0xE4);
}

TEST_F(KeyTableTest, UnavailableUnknownAndEmptyNamesAreNotFound)
{
    int index = -1;
    for (const char* name : {"pause", "f13", "eacute", "PAUSE", "zdotaccent", "aacute"}) {
        EXPECT_FALSE(Table.Find(name, index)) << name;
        ASSERT_NE(Table.KeyData(index), nullptr) << "the position of an unavailable name is still found";
        EXPECT_TRUE(Table.KeyData(index)->Flags & kfUnavailable);
    }
    EXPECT_FALSE(Table.Find("middle", index));
    EXPECT_FALSE(Table.Find("", index));
    EXPECT_FALSE(Table.Find("a ", index));
    EXPECT_FALSE(Table.Find("\xe4", index));
}

TEST_F(KeyTableTest, KeyStatesOutsideTheRangeReadZeroAndIgnoreWrites)
{
    EXPECT_EQ(Table.KeyState(256), 0);
    EXPECT_EQ(Table.KeyState(-1), 0);
    Table.SetKeyState(300, ksPressed);
    Table.SetKeyState(-1, ksPressed);
    EXPECT_FALSE(Table.AnyKeyActive());
    for (int vk = 0; vk < 256; ++vk)
        EXPECT_EQ(Table.KeyState(vk), 0);
}

TEST_F(KeyTableTest, ALockedKeyLeavesTheLockOnlyThroughUp)
{
    EXPECT_FALSE(Table.AnyKeyActive());
    Table.SetKeyState(0x10, ksLocked);
    EXPECT_TRUE(Table.AnyKeyActive());
    Table.SetKeyState(0x10, ksPressed);
    EXPECT_EQ(Table.KeyState(0x10), ksLocked);
    Table.SetKeyState(0x10, ksHeld);
    EXPECT_EQ(Table.KeyState(0x10), ksLocked);
    Table.SetKeyState(0x10, ksUp);
    EXPECT_EQ(Table.KeyState(0x10), ksUp);
    EXPECT_FALSE(Table.AnyKeyActive());
}

TEST_F(KeyTableTest, AnyKeyActiveFollowsEveryStateChange)
{
    Table.SetKeyState(0x41, ksPressed);
    Table.SetKeyState(0xFF, ksHeld);
    Table.SetKeyState(0x41, ksHeld);
    EXPECT_TRUE(Table.AnyKeyActive());
    Table.SetKeyState(0x41, ksUp);
    EXPECT_TRUE(Table.AnyKeyActive());
    Table.SetKeyState(0xFF, ksUp);
    Table.SetKeyState(0xFF, ksUp);
    EXPECT_FALSE(Table.AnyKeyActive());
}

TEST_F(KeyTableTest, TheLanguageCheckFollowsTheInputLanguage)
{
    Env.Language = 0x0407;
    EXPECT_TRUE(Table.LanguageSupported());
    Env.Language = 0x0C07;
    EXPECT_TRUE(Table.LanguageSupported());
    Env.Language = 0x0409;
    EXPECT_FALSE(Table.LanguageSupported());
    EXPECT_EQ(Table.Count(), 323);
}

std::vector<uint8_t> TwoBlocks() { return std::vector<uint8_t>(TwoBlockTable, TwoBlockTable + sizeof TwoBlockTable); }

TEST(KeyTableBlocks, TheBlockThatFitsTheInputLanguageIsLoaded)
{
    TTestEnvironment env;
    int index;
    struct Case {
        uint32_t Language;
        const char* Present;
        const char* Absent;
        bool Supported;
    } cases[] = {
        {0x0407, "deutsch", "english", true},
        {0x0409, "english", "deutsch", true},
        {0x0410, "deutsch", "english", false}, // no fit: the last block stays
    };
    for (const Case& c : cases) {
        env.Language = c.Language;
        TKeyTable table(TwoBlocks(), env.Language, env.Log());
        EXPECT_TRUE(table.Find(c.Present, index)) << std::hex << c.Language;
        EXPECT_FALSE(table.Find(c.Absent, index)) << std::hex << c.Language;
        EXPECT_TRUE(table.Find("a", index));
        EXPECT_EQ(table.Count(), 2);
        EXPECT_EQ(table.LanguageSupported(), c.Supported);
    }
    EXPECT_TRUE(env.TakeLines().empty()) << "a sound resource logs nothing";
}

TEST(KeyTableDamage, WithoutAResourceTheTableIsEmpty)
{
    TTestEnvironment env;
    TKeyTable table{std::vector<uint8_t>(), env.Language, env.Log()};
    int index;
    EXPECT_EQ(table.Count(), 0);
    EXPECT_FALSE(table.Find("a", index));
    EXPECT_FALSE(table.LanguageSupported());
}

TEST(KeyTableDamage, ACopyCutAnywhereIsReadUpToTheCut)
{
    // Without loggers: only the reading itself is under test here.
    const TInputLanguage german{0x0407};
    const std::vector<uint8_t> whole = LoadResourceBytes(KeyTableResourceId);
    int previous = 0;
    for (size_t length = 0; length < whole.size(); ++length) {
        TKeyTable table(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(length)), german, NoLog());
        EXPECT_LE(table.Count(), 323);
        EXPECT_GE(table.Count(), previous) << "at length " << length;
        previous = table.Count();
    }
    EXPECT_EQ(previous, 323) << "cut before the final zero byte, every entry is still read";
}

TEST(KeyTableDamage, DamageStopsTheLoadingWithOneErrorLine)
{
    TTestEnvironment env;
    std::vector<uint8_t> bytes = LoadResourceBytes(KeyTableResourceId);
    const size_t secondEntry = 20 + 26; // after header and the 26 bytes of "0"

    std::vector<uint8_t> groups = bytes;
    groups[secondEntry + 2 + 4] = 3; // "1": a group count above 2
    TKeyTable badGroups(groups, env.Language, env.Log());
    EXPECT_EQ(badGroups.Count(), 1);
    int index;
    EXPECT_TRUE(badGroups.Find("0", index));

    std::vector<uint8_t> values = bytes;
    values[secondEntry + 2 + 8 + 3] = 0x7F; // "1": a value count far past the end
    TKeyTable badValues(values, env.Language, env.Log());
    EXPECT_EQ(badValues.Count(), 1);

    std::vector<uint8_t> blocks = bytes;
    blocks[0] = 2; // a second block that is not there
    env.Language = 0x0409;
    TKeyTable missingBlock(blocks, env.Language, env.Log());
    EXPECT_EQ(missingBlock.Count(), 323) << "the first block stays when the second cannot be read";

    std::vector<uint8_t> languages = bytes;
    languages[11] = 0x7F; // language count past the end
    TKeyTable badLanguages(languages, env.Language, env.Log());
    EXPECT_EQ(badLanguages.Count(), 0);

    std::vector<uint8_t> unterminated(bytes.begin(), bytes.begin() + static_cast<long>(secondEntry) + 1);
    unterminated.push_back('1'); // a name without its zero byte
    TKeyTable badName(unterminated, env.Language, env.Log());
    EXPECT_EQ(badName.Count(), 1);

    std::vector<std::string> lines = env.TakeLines();
    ASSERT_EQ(lines.size(), 5u);
    for (const std::string& line : lines)
        EXPECT_EQ(line.rfind("! ERROR Key table resource damaged at byte ", 0), 0u) << line;
    ASSERT_TRUE(env.Log().WaitWritten(5000));
    EXPECT_NE(ReadFileText(env.Dir.File("Errors.log")).find("Key table resource damaged"), std::string::npos);
}

TEST(KeyDataList, AReferenceListLeavesTheEntriesToTheirOwner)
{
    const TInputLanguage german{0x0407};
    TKeyTable table(german, NoLog());
    int index;
    ASSERT_TRUE(table.Find("shift", index));
    {
        TKeyDataList references;
        references.Add("shift", table.KeyData(index));
        references.Add("SHIFT", table.KeyData(index));
        EXPECT_EQ(references.Count(), 2);
    }
    EXPECT_EQ(table.KeyData(index)->Name, "shift");
}

TEST(KeyDataList, TheSortedListKeepsTheFirstOfTwoEqualNames)
{
    TKeyDataSortedList list(true);
    auto* first = new TKeyData;
    first->Flags = 1;
    list.Add("b", first);
    list.Add("A", new TKeyData);
    list.Add("B", new TKeyData); // freed by the list, not added
    ASSERT_EQ(list.Count(), 2);
    int index;
    ASSERT_TRUE(list.Find("b", index));
    EXPECT_EQ(list.KeyData(index), first);
    EXPECT_EQ(list.Name(0), "A");
}

} // namespace
