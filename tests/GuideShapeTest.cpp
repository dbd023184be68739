// The user guide's shape: a carer's part that is read in a quarter of an
// hour (what to check first, then the quick start), and the reference
// behind it in appendices.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr size_t CarerPartMostWords = 5000;
const std::string AppendixMark = "## Anhang";

std::vector<std::string> GuideLines()
{
    std::ifstream file(VEMU_GUIDE_FILE);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

bool StartsWith(const std::string& Text, const std::string& Start) { return Text.compare(0, Start.size(), Start) == 0; }

// Words as a reader meets them: pictures left out, and only what holds a
// letter or a digit (table rules, list marks and dashes are no words); 0xC3
// begins the UTF-8 of the German letters ä, ö, ü and ß.
size_t WordsOf(const std::string& Line)
{
    static const std::regex picture(R"(!\[[^\]]*\]\([^)]*\))");
    std::istringstream words(std::regex_replace(Line, picture, " "));
    size_t count = 0;
    for (std::string word; words >> word;)
        for (const char c : word)
            if (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) == 0xC3) {
                ++count;
                break;
            }
    return count;
}

TEST(GuideShape, WordsCountLettersAndDigitsButNotPictures)
{
    EXPECT_EQ(WordsOf("Klicken Sie auf „OK“."), 4u);
    EXPECT_EQ(WordsOf("Über – ß"), 2u);
    EXPECT_EQ(WordsOf("| `ESC,click.` | 9600 | — |"), 2u);
    EXPECT_EQ(WordsOf("![Der Dialog mit vielen Wörtern](screenshots/dialog.png)"), 0u);
    EXPECT_EQ(WordsOf("| ![grün](screenshots/symbol-aktiv.png) | Der Anschluss ist offen. |"), 4u);
}

TEST(GuideShape, CarerPartComesFirstAndIsShort)
{
    const std::vector<std::string> lines = GuideLines();
    ASSERT_FALSE(lines.empty()) << "no guide at " << VEMU_GUIDE_FILE;
    std::vector<std::string> sections;
    size_t words = 0;
    bool inAppendix = false;
    for (const std::string& line : lines) {
        if (StartsWith(line, "## ")) {
            sections.push_back(line);
            inAppendix = inAppendix || StartsWith(line, AppendixMark);
        }
        if (!inAppendix)
            words += WordsOf(line);
    }
    ASSERT_GE(sections.size(), 2u);
    EXPECT_EQ(sections[0], "## Bevor Sie anfangen");
    EXPECT_EQ(sections[1], "## Schnellstart");
    EXPECT_TRUE(inAppendix) << "the guide has no appendix";
    EXPECT_LE(words, CarerPartMostWords) << "words from the top to the first appendix";
    RecordProperty("carer_part_words", static_cast<int>(words));
}

TEST(GuideShape, AppendicesHoldDeviceSetUpAndIt)
{
    std::vector<std::string> appendices;
    for (const std::string& line : GuideLines())
        if (StartsWith(line, AppendixMark))
            appendices.push_back(line);
    const auto has = [&](const std::string& Title) {
        for (const std::string& heading : appendices)
            if (heading.find(Title) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(has("Das Gerät einrichten"));
    EXPECT_TRUE(has("Für die IT"));
    // Nothing but appendices after the first one: the carer's part ends there.
    bool seen = false;
    for (const std::string& line : GuideLines()) {
        if (StartsWith(line, AppendixMark))
            seen = true;
        else if (seen && StartsWith(line, "## "))
            ADD_FAILURE() << "a section among the appendices: " << line;
    }
}

} // namespace
