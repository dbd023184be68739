// What the dialog shows of the device: units as a carer reads them, and
// the verdict on the latest one.
#include "serial/ReceivedView.h"

#include "serial/ReceiveQ.h"
#include "serial/UnreadableFlood.h"

#include <gtest/gtest.h>

namespace {

TEST(ReceivedView, UnitsReadAsACarerReadsThem)
{
    const struct {
        std::string Unit;
        std::string Shown;
        TReceivedVerdict Verdict;
    } cases[] = {
        {"\x1b,hold,shift.", "\xab" "ESC\xbb,hold,shift.", TReceivedVerdict::Gidei},
        {"a", "a", TReceivedVerdict::Text},
        {"\r", "\xab" "CR\xbb", TReceivedVerdict::Text},
        {"\n", "\xab" "LF\xbb", TReceivedVerdict::Text},
        {"\t", "\xab" "TAB\xbb", TReceivedVerdict::Text},
        {"\xe4", "\xe4", TReceivedVerdict::Text},
        {"\xdf", "\xdf", TReceivedVerdict::Text},
        {std::string(1, '\0'), "\xab" "NUL\xbb", TReceivedVerdict::Unreadable},
        {"\x7f", "\xab" "DEL\xbb", TReceivedVerdict::Unreadable},
        {"\x81", "\xab" "x81\xbb", TReceivedVerdict::Unreadable},
        {"\xf0", "\xf0", TReceivedVerdict::Unreadable},
        {"\x1b", "\xab" "ESC\xbb", TReceivedVerdict::Unreadable},
        {"\x1b\x92\x13.", "\xab" "ESC\xbb\x92\xab" "DC3\xbb.", TReceivedVerdict::Unreadable},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadableUnit(c.Unit), c.Shown) << c.Shown;
        EXPECT_EQ(UnitVerdict(c.Unit), c.Verdict) << c.Shown;
    }
}

// The view keeps the last five units the queue frames, from the moment it
// is watched, and judges the latest.
TEST(ReceivedView, TheLastFiveUnitsOfTheQueueAreShown)
{
    TReceivedView view;
    EXPECT_EQ(view.Verdict(), TReceivedVerdict::Nothing);
    TReceiveQueue queue;
    queue.Active = true;
    queue.AddBytes("x", 1);
    queue.SetUnitWatcher([&view](const std::string& Unit) { view.Add(Unit); });
    const std::string bytes = "abc\x1b,hold,shift.de";
    queue.AddBytes(bytes.data(), bytes.size());
    EXPECT_EQ(view.Text(), "b c \xab" "ESC\xbb,hold,shift. d e");
    EXPECT_EQ(view.Verdict(), TReceivedVerdict::Text);
    queue.AddBytes("\x1b,click.", 8);
    EXPECT_EQ(view.Verdict(), TReceivedVerdict::Gidei);
    queue.SetUnitWatcher(nullptr);
    queue.AddBytes("\xf0", 1);
    EXPECT_EQ(view.Verdict(), TReceivedVerdict::Gidei) << "no longer watched";
    view.Clear();
    EXPECT_EQ(view.Text(), "");
}

} // namespace

namespace {

// A wrong data rate: bytes that are neither GIDEI nor text, half of the
// last 32 or more, are said once; a device that sends GIDEI and German text
// never is, whatever it sends.
TEST(UnreadableFlood, HalfOfTheLastBytesUnexpectedIsSaidOnce)
{
    const std::string gidei = "\x1b,hold,shift.a\x1b,combine,ctrl,alt,del.Gr\xfc\xdf" "e \xc4pfel\r\n\t";
    TUnreadableFlood clean;
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(clean.Add(gidei.data(), gidei.size()));

    TUnreadableFlood noise;
    std::string mixed;
    for (int i = 0; i < 15; ++i)
        mixed += std::string("\xf0", 1) + "a";
    EXPECT_FALSE(noise.Add(mixed.data(), mixed.size())) << "15 of 30";
    EXPECT_TRUE(noise.Add("\x92", 1)) << "16 of the last 32";
    EXPECT_FALSE(noise.Add(mixed.data(), mixed.size())) << "once";

    TUnreadableFlood spread;
    const std::string sparse = std::string(3, '\0') + std::string(7, 'x');
    for (int i = 0; i < 50; ++i)
        EXPECT_FALSE(spread.Add(sparse.data(), sparse.size())) << "about a third, never half";

    // Line errors weigh as unexpected bytes: a glitch alone is never said.
    TUnreadableFlood errors;
    EXPECT_FALSE(errors.AddLineError()) << "one glitch";
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(errors.AddLineError());
    EXPECT_TRUE(errors.AddLineError()) << "four errors close together";
}

} // namespace
