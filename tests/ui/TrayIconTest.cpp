// The tray icon's records and shell calls for the states, notices and
// flashes a user meets, with a recording shell.
#include "ui/TrayIcon.h"

#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TCall {
    uint32_t Message;
    TTrayRecord Record;
};

class TRecordingShell : public TTrayShell {
public:
    void Notify(uint32_t Message, const TTrayRecord& Record) override { Calls.push_back({Message, Record}); }
    void StartFlashTimer() override
    {
        ++Starts;
        TimerRunning = true;
    }
    void StopFlashTimer() override { TimerRunning = false; }
    std::vector<TCall> Take() { return std::exchange(Calls, {}); }

    std::vector<TCall> Calls;
    int Starts = 0;
    bool TimerRunning = false;
};

bool HasNoConnectionBalloon(const TTrayRecord& Record)
{
    return (Record.Flags & nifInfo) && Record.InfoFlags == 0x12 && Record.InfoTitle == IDS_NOCONNECTION_TITLE &&
           Record.InfoText == IDS_NOCONNECTION_TEXT;
}

TEST(TrayIcon, StartInTrayWithThePortClosedAddsTheClosedIconWithItsBalloon)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.SetState(0);
    EXPECT_TRUE(shell.Calls.empty()) << "state 0 is no change";
    tray.ShowIcon(true);
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Message, nimAdd);
    EXPECT_EQ(calls[0].Record.Flags, nifMessage | nifIcon | nifTip | nifInfo);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Closed);
    EXPECT_EQ(calls[0].Record.Tip, IDS_STATE_CLOSED);
    EXPECT_TRUE(HasNoConnectionBalloon(calls[0].Record));
    EXPECT_TRUE(tray.IconShown());
}

TEST(TrayIcon, EveryEntryIntoStateZeroBringsTheBalloonOnce)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.ShowIcon(true);
    shell.Take();
    // Rebuilds in state 0 (a flash ending, a language change) do not repeat it.
    tray.FlashError();
    tray.FlashTimerElapsed();
    tray.SetLayoutOK(false);
    tray.SetLayoutOK(true);
    for (const TCall& call : shell.Take())
        EXPECT_FALSE(HasNoConnectionBalloon(call.Record));

    tray.SetState(2);
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Message, nimModify);
    EXPECT_EQ(calls[0].Record.Flags, nifIcon | nifTip);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Active);
    EXPECT_EQ(calls[0].Record.Tip, IDS_STATE_ACTIVE);

    tray.SetState(0);
    calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(HasNoConnectionBalloon(calls[0].Record));
}

// At the start the port may still be opening (a Bluetooth device takes
// seconds): no notice before the outcome is known, one after a failure.
TEST(TrayIcon, AStateStillAwaitedBringsItsNoticeOnlyOnceKnown)
{
    for (const uint8_t outcome : {0, 2}) {
        TRecordingShell shell;
        TTrayIcon tray(shell);
        tray.AwaitState();
        tray.ShowIcon(true);
        auto calls = shell.Take();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].Record.Image, TTrayImage::Closed);
        EXPECT_FALSE(calls[0].Record.Flags & nifInfo) << "no notice while opening";
        tray.SetState(outcome);
        calls = shell.Take();
        ASSERT_EQ(calls.size(), 1u) << "the outcome is a change, 0 too";
        EXPECT_EQ(HasNoConnectionBalloon(calls[0].Record), outcome == 0);
        tray.SetState(outcome);
        EXPECT_TRUE(shell.Calls.empty()) << "known now: the same state is no change";
    }
}

TEST(TrayIcon, ABalloonRequestedWhileHiddenIsDropped)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.SetState(2);
    tray.SetState(0); // hidden: no shell call, the notice counts as requested
    EXPECT_TRUE(shell.Calls.empty());
    tray.ShowIcon(true);
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Closed);
    EXPECT_FALSE(calls[0].Record.Flags & nifInfo);
}

TEST(TrayIcon, OneFlashAtATimeAndTheStateIconReturnsWhenItEnds)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.SetState(2);
    tray.ShowIcon(true);
    shell.Take();

    tray.FlashError();
    tray.FlashError();
    EXPECT_EQ(shell.Starts, 1);
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Error);
    EXPECT_EQ(calls[0].Record.Tip, IDS_STATE_ACTIVE);

    tray.FlashTimerElapsed();
    EXPECT_FALSE(shell.TimerRunning);
    calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Active);
    tray.FlashError();
    EXPECT_EQ(shell.Starts, 2) << "a new flash once the first has ended";
}

TEST(TrayIcon, AStateChangeDuringAFlashEndsIt)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.SetState(2);
    tray.ShowIcon(true);
    tray.FlashError();
    shell.Take();
    tray.SetState(1);
    EXPECT_FALSE(shell.TimerRunning);
    EXPECT_FALSE(tray.Flashing());
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Inactive);
    EXPECT_EQ(calls[0].Record.Tip, IDS_STATE_INACTIVE);
}

TEST(TrayIcon, AnUnsuitableLanguageShowsItsBalloonAndLaterItsIcon)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.SetState(1);
    tray.ShowIcon(true);
    shell.Take();
    tray.SetLayoutOK(false);
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Inactive);
    EXPECT_EQ(calls[0].Record.InfoFlags, 0x11u);
    EXPECT_EQ(calls[0].Record.InfoTitle, IDS_LAYOUT_TITLE);
    EXPECT_EQ(calls[0].Record.InfoText, IDS_LAYOUT_TEXT);
    tray.SetState(2);
    calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Language);
    EXPECT_EQ(calls[0].Record.Tip, IDS_STATE_LAYOUT);
    tray.SetLayoutOK(false);
    EXPECT_TRUE(shell.Calls.empty()) << "no change, no call";
}

TEST(TrayIcon, TheLanguageNoticeReplacesANoConnectionNoticeOfTheSameStep)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    // The first rebuild in state 0 would bring the no-connection notice; the
    // language notice takes its place.
    tray.SetLayoutOK(false);
    EXPECT_TRUE(shell.Calls.empty()) << "hidden";
    EXPECT_EQ(tray.Record().InfoTitle, IDS_LAYOUT_TITLE);
    EXPECT_EQ(tray.Record().InfoFlags, 0x11u);
    tray.ShowIcon(true);
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].Record.Flags & nifInfo) << "both notices count as requested";
}

TEST(TrayIcon, HidingDeletesShowingAddsTheCurrentRecord)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.SetState(2);
    tray.ShowIcon(true);
    tray.ShowIcon(true);
    tray.ShowIcon(false);
    tray.SetState(1);
    tray.ShowIcon(true);
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Message, nimAdd);
    EXPECT_EQ(calls[1].Message, nimDelete);
    EXPECT_EQ(calls[2].Message, nimAdd);
    EXPECT_EQ(calls[2].Record.Image, TTrayImage::Inactive);
    EXPECT_EQ(calls[2].Record.Flags, nifMessage | nifIcon | nifTip);
}

TEST(TrayIcon, TheMenuItemAktivFollowsTheState)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    EXPECT_FALSE(tray.ActiveEnabled());
    EXPECT_FALSE(tray.ActiveChecked());
    tray.SetState(1);
    EXPECT_TRUE(tray.ActiveEnabled());
    EXPECT_FALSE(tray.ActiveChecked());
    tray.SetState(2);
    EXPECT_TRUE(tray.ActiveEnabled());
    EXPECT_TRUE(tray.ActiveChecked());
}

TEST(TrayIcon, ANewTaskbarGetsAShownIconAgainWithoutRepeatingANotice)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.TaskbarCreated();
    EXPECT_TRUE(shell.Calls.empty()) << "nothing to add while hidden";
    tray.ShowIcon(true);
    shell.Take();
    tray.TaskbarCreated();
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Message, nimAdd);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Closed);
    EXPECT_EQ(calls[0].Record.Flags, nifMessage | nifIcon | nifTip);
    EXPECT_TRUE(tray.IconShown());
}

} // namespace

namespace {

// A notice of the moment (input a window with administrator rights drops)
// is a warning balloon over the current icon, and nothing while hidden.
TEST(TrayIcon, ANoticeOfTheMomentShowsOverTheCurrentIcon)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.ShowNotice(IDS_ELEVATED_TITLE, IDS_ELEVATED_TEXT);
    EXPECT_TRUE(shell.Calls.empty()) << "hidden";
    tray.SetState(2);
    tray.ShowIcon(true);
    shell.Take();
    tray.ShowNotice(IDS_ELEVATED_TITLE, IDS_ELEVATED_TEXT);
    const auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Message, nimModify);
    EXPECT_EQ(calls[0].Record.Image, TTrayImage::Active);
    EXPECT_TRUE(calls[0].Record.Flags & nifInfo);
    EXPECT_EQ(calls[0].Record.InfoFlags, niifWarning | niifNoSound);
    EXPECT_EQ(calls[0].Record.InfoText, IDS_ELEVATED_TEXT);
}

} // namespace

namespace {

// While an open port has heard nothing from the device, the tooltip says
// so in a second line; the first bytes take it away, and the next opening
// starts unheard again.
TEST(TrayIcon, AnOpenPortThatHeardNothingSaysSoInTheTooltip)
{
    TRecordingShell shell;
    TTrayIcon tray(shell);
    tray.ShowIcon(true);
    tray.SetState(2);
    EXPECT_EQ(shell.Take().back().Record.TipSecond, IDS_TIP_NOTHING_YET);
    tray.SetDeviceHeard();
    auto calls = shell.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Record.Flags, nifTip);
    EXPECT_EQ(calls[0].Record.Tip, IDS_STATE_ACTIVE);
    EXPECT_EQ(calls[0].Record.TipSecond, 0);
    tray.SetDeviceHeard();
    EXPECT_TRUE(shell.Take().empty()) << "heard once per opening";
    tray.SetState(1);
    EXPECT_EQ(shell.Take().back().Record.TipSecond, 0) << "inactive, but the device was heard";
    tray.SetState(0);
    EXPECT_EQ(shell.Take().back().Record.TipSecond, 0) << "no line without a port";
    tray.SetState(2);
    EXPECT_EQ(shell.Take().back().Record.TipSecond, IDS_TIP_NOTHING_YET) << "a new opening";
}

} // namespace
