// The log window's list: trimming, pausing, the copy text; and the event
// dialog's ticks.
#include "logging/EventMask.h"
#include "logging/LogView.h"

#include "resources/StringIds.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class TVectorList : public TLogList {
public:
    int Count() const override { return static_cast<int>(Lines.size()); }
    void DeleteFirst() override { Lines.erase(Lines.begin()); }
    void Append(const std::string& Line) override { Lines.push_back(Line); }
    void EnableCopy(bool On) override { CopyEnabled = On; }
    std::vector<std::string> Lines;
    bool CopyEnabled = false;
};

class LogView : public ::testing::Test {
protected:
    TTestEnvironment Env{0xFFFFFFFF};
    TVectorList List;
    TLogView View{List};

    void LogLines(int From, int To)
    {
        for (int i = From; i <= To; ++i)
            Env.Log().Log(lkPlain, "line " + std::to_string(i));
    }
};

TEST_F(LogView, ARunningWindowKeepsTheLimitPlusOneNewestLines)
{
    EXPECT_EQ(View.StartStop(), IDS_LOG_STOP) << "a new window starts running";
    Env.Log().View().SetMaxLines(10);
    for (int i = 1; i <= 50; ++i) {
        Env.Log().Log(lkPlain, "line " + std::to_string(i));
        View.DrainLines(Env.Log().View());
    }
    ASSERT_EQ(List.Lines.size(), 11u);
    EXPECT_EQ(List.Lines.front(), "line 40");
    EXPECT_EQ(List.Lines.back(), "line 50");
    EXPECT_TRUE(List.CopyEnabled);
}

TEST_F(LogView, APausedWindowDropsLinesAndStartResumesWithTheNext)
{
    View.StartStop();
    LogLines(1, 2);
    View.DrainLines(Env.Log().View());
    EXPECT_EQ(View.StartStop(), IDS_LOG_START);
    LogLines(3, 4);
    View.DrainLines(Env.Log().View());
    EXPECT_EQ(View.StartStop(), IDS_LOG_STOP);
    LogLines(5, 5);
    View.DrainLines(Env.Log().View());
    EXPECT_EQ(List.Lines, (std::vector<std::string>{"line 1", "line 2", "line 5"}));
    std::string left;
    EXPECT_FALSE(Env.Log().View().FetchLine(left)) << "paused lines are taken and dropped, not kept";
}

TEST_F(LogView, LoweringTheLimitCutsTheListAtOnceOnlyWhileRunning)
{
    View.StartStop();
    LogLines(1, 100);
    View.DrainLines(Env.Log().View());
    ASSERT_EQ(List.Lines.size(), 100u);
    View.TrimLines(10);
    ASSERT_EQ(List.Lines.size(), 10u);
    EXPECT_EQ(List.Lines.front(), "line 91");
    View.StartStop();
    View.TrimLines(5);
    EXPECT_EQ(List.Lines.size(), 10u) << "paused: the list stays";
}

TEST(LogCopyText, SelectedLinesInListOrderEachWithCrLf)
{
    const std::vector<std::string> lines{"first", "second", "third \xe4"};
    EXPECT_EQ(LogCopyText(lines, {2, 0}), "first\r\nthird \xe4\r\n");
    EXPECT_EQ(LogCopyText(lines, {}), "");
    EXPECT_EQ(LogCopyText(lines, {1, 7}), "second\r\n") << "an index past the end is ignored";
}

TEST(EventMask, TicksOnlyAddAndKindsOutsideTheListAreLost)
{
    std::vector<bool> ticks(14, false);
    ticks[0] = true; // kind 1, already ticked
    TickFromMask((1u << 3) | (1u << 14) | (1u << 20) | (1u << 30) | 1u, ticks);
    EXPECT_TRUE(ticks[0]) << "never unticked";
    EXPECT_TRUE(ticks[2]);
    EXPECT_TRUE(ticks[13]);
    EXPECT_EQ(std::count(ticks.begin(), ticks.end(), true), 3);
    EXPECT_EQ(MaskFromTicks(ticks), (1u << 1) | (1u << 3) | (1u << 14)) << "kind 20 and the forced bits are gone";
    EXPECT_EQ(MaskFromTicks(std::vector<bool>(14, false)), 0u);
}

} // namespace
