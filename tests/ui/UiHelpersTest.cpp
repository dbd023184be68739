// Helpers of the windows: splash timing, text conversions, placement on the
// monitors, the hidden mode and the exception text.
#include "app/Lifecycle.h"
#include "base/system/ExceptionName.h"
#include "base/settings/Globals.h"
#include "base/window/ScreenPlacement.h"
#include "base/system/Text.h"
#include "ui/SplashTiming.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A pause that only moves the fake clock, recording when it happened.
struct TFakePauses {
    TFakeClock& Clock;
    uint32_t Step;
    int Count = 0;
    void operator()()
    {
        Clock.Advance(Step);
        ++Count;
    }
};

TEST(SplashTiming, EveryStepPausesAtLeastOnce)
{
    TFakeClock clock(1000);
    TFakePauses pauses{clock, TSplashTiming::PauseMs};
    TSplashTiming timing([&] { pauses(); });
    clock.Advance(400);
    timing.WaitForStep(0);
    EXPECT_EQ(pauses.Count, 1);
    EXPECT_EQ(TickCount(), 1450u);
}

TEST(SplashTiming, TheNextTextWaitsUntilThePreviousWasShownLongEnough)
{
    TFakeClock clock(0xFFFFFF00u); // the tick counter wraps during the test
    TFakePauses pauses{clock, 10};
    TSplashTiming timing([&] { pauses(); });
    timing.WaitForStep(250);
    EXPECT_EQ(TickCount() - 0xFFFFFF00u, 260u) << "more than 250 ms";
    timing.Start();
    const uint32_t secondStart = TickCount();
    clock.Advance(10); // the next call comes 10 ms later
    timing.WaitForStep(250);
    EXPECT_GT(TickCount() - secondStart, 250u);
    EXPECT_LE(TickCount() - secondStart, 260u);
}

TEST(Text, Cp1252BecomesUtf16)
{
    const std::string text = "Gr\xfc\xdf" "e \x80 \x84\x93\x94 \x81";
    EXPECT_EQ(Cp1252ToUtf16(text), u"Gr\u00fc\u00dfe \u20ac \u201e\u201c\u201d \u0081");
    EXPECT_EQ(Cp1252ToUtf16("\xe4\xf6\xfc\xc4\xd6\xdc\xdf"), u"\u00e4\u00f6\u00fc\u00c4\u00d6\u00dc\u00df");
    EXPECT_EQ(Cp1252ToUtf16("plain"), u"plain");
}

TEST(Text, LinesSplitAtCrLfAndCrLf)
{
    EXPECT_EQ(SplitLines("a\rb\nc\r\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("one"), (std::vector<std::string>{"one"}));
    EXPECT_EQ(SplitLines("x\r\n\r\ny"), (std::vector<std::string>{"x", "", "y"}));
    EXPECT_EQ(JoinLinesCrLf({"a", "b"}), "a\r\nb");
}

TEST(Text, FileDialogFiltersAndFolders)
{
    EXPECT_EQ(FileDialogFilter("Sound-Dateien (*.wav)|*.wav"), std::string("Sound-Dateien (*.wav)\0*.wav\0\0", 29));
    EXPECT_EQ(FolderOf("C:\\Logs\\vemu.log"), "C:\\Logs");
    EXPECT_EQ(FolderOf("C:\\vemu.log"), "C:\\");
    EXPECT_EQ(FolderOf("vemu.log"), "");
    EXPECT_EQ(FolderOf(""), "");
}

TEST(ScreenPlacement, APositionOnAMonitorStaysAndOneOffAllMonitorsMovesToTheNearest)
{
    const std::vector<TMonitorArea> monitors{
        {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
        {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}},
    };
    const TScreenRect onSecond{2000, 100, 2210, 310};
    EXPECT_EQ(PlaceOnMonitors(onSecond, monitors), onSecond);
    const TScreenRect partlyOn{1800, 1000, 2010, 1210};
    EXPECT_EQ(PlaceOnMonitors(partlyOn, monitors), partlyOn) << "overlapping a monitor is enough";

    // A removed third monitor to the right: the window lands on the second,
    // inside its work area.
    EXPECT_EQ(PlaceOnMonitors({4000, 200, 4210, 410}, monitors), (TScreenRect{2990, 200, 3200, 410}));
    // Far below the first: kept above its taskbar.
    EXPECT_EQ(PlaceOnMonitors({100, 3000, 406, 3328}, monitors), (TScreenRect{100, 712, 406, 1040}));
    // Larger than the work area: the top-left corner stays visible.
    EXPECT_EQ(PlaceOnMonitors({-5000, -5000, -1000, -3000}, monitors), (TScreenRect{0, 0, 4000, 2000}));
    EXPECT_EQ(PlaceOnMonitors(onSecond, {}), onSecond);
}

// Any user may write any number into the stored places.
TEST(ScreenPlacement, AStoredPlaceFitsTheScreensWithoutOverflow)
{
    const std::vector<TMonitorArea> monitors{
        {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
        {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}},
    };
    EXPECT_EQ(PlaceStored({2000, 100, 210, 210}, 200, 200, monitors), (TScreenRect{2000, 100, 2210, 310}));
    EXPECT_EQ(PlaceStored({INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}, 200, 200, monitors),
              (TScreenRect{1920, 0, 3840, 1040}))
        << "as large as the largest work area, its corner on the nearest monitor";
    EXPECT_EQ(PlaceStored({INT32_MIN, INT32_MIN, -5, 0}, 200, 150, monitors), (TScreenRect{0, 0, 200, 150}));
    EXPECT_EQ(PlaceStored({INT32_MAX, 0, 100, 100}, 50, 50, {}), (TScreenRect{32767, 0, 32867, 100}));
}

TEST(Lifecycle, HiddenModeAndInjectedBytes)
{
    EXPECT_TRUE(IsHiddenModeArgument("MORWENN"));
    EXPECT_TRUE(IsHiddenModeArgument("morWenn"));
    EXPECT_FALSE(IsHiddenModeArgument("MORWENNX"));
    EXPECT_FALSE(IsHiddenModeArgument(""));
    uint8_t byte = 0;
    EXPECT_TRUE(AcceptInjectedByte(true, 65, byte));
    EXPECT_EQ(byte, 65);
    EXPECT_TRUE(AcceptInjectedByte(true, 255, byte));
    EXPECT_EQ(byte, 255);
    EXPECT_FALSE(AcceptInjectedByte(true, 256, byte));
    EXPECT_FALSE(AcceptInjectedByte(true, static_cast<uintptr_t>(-1), byte)) << "not a byte value";
    EXPECT_FALSE(AcceptInjectedByte(false, 65, byte));
}

TEST(Lifecycle, AFailedSaveIsSaidOnceAndAtALogoffOnlyInErrorsLog)
{
    using enum TNotSavedNotice;
    const struct {
        bool Failed, Said;
        TCloseReason Reason;
        TNotSavedNotice Notice;
    } cases[] = {
        {false, false, crExit, Nothing},  {true, false, crExit, Message},         {true, false, crHide, Message},
        {true, true, crExit, Nothing},    {true, false, crEndSession, ErrorLine}, {true, true, crEndSession, Nothing},
        {false, false, crEndSession, Nothing},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NotSavedNotice(c.Failed, c.Said, c.Reason), c.Notice) << c.Failed << c.Said << c.Reason;
}

TEST(Lifecycle, TheExceptionMessageNamesTheClass)
{
    EXPECT_EQ(ExceptionMessageText("Klasse %s aufgetreten.\rNeustart", "EvemuError"),
              "Klasse EvemuError aufgetreten.\rNeustart");
    EXPECT_EQ(ExceptionClassName(EvemuError("x")), "EvemuError");
    EXPECT_EQ(ExceptionClassName(std::bad_alloc()), "std::bad_alloc");
}

} // namespace
