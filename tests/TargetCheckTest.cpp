// Input to a window with higher rights is told once per window, found as
// it is sent; the records go on to the system all the same.
#include "gidei/TargetCheck.h"

#include "tests/support/RecordingSink.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct TFakeProbe final : TTargetProbe {
    uintptr_t Foreground = 0;
    uintptr_t UnderPointer = 0;
    std::set<uintptr_t> ElevatedWindows;
    int Asked = 0;
    uintptr_t InputWindow(bool Keyboard) override { return Keyboard ? Foreground : UnderPointer; }
    bool Elevated(uintptr_t Window) override
    {
        ++Asked;
        return ElevatedWindows.count(Window) != 0;
    }
};

struct TToldWindows final : TElevatedTargetEvents {
    std::vector<uintptr_t> Windows;
    void ElevatedTarget(uintptr_t Window) override { Windows.push_back(Window); }
};

TEST(TargetCheck, EachElevatedWindowIsToldOnceAndTheInputStillGoes)
{
    TRecordingSink inner;
    TFakeProbe probe;
    TToldWindows told;
    TTargetCheckingSink sink(inner, probe, told);
    probe.ElevatedWindows = {20, 30};

    probe.Foreground = 10;
    sink.SendKeyboard({0x41, 0, 0});
    probe.Foreground = 20;
    sink.SendKeyboard({0x41, 0, 0});
    sink.SendKeyboard({0x41, 0, KEYEVENTF_KEYUP_FLAG});
    probe.Foreground = 10;
    sink.SendKeyboard({0x42, 0, 0});
    probe.Foreground = 20;
    sink.SendKeyboard({0x43, 0, 0});
    EXPECT_EQ(told.Windows, (std::vector<uintptr_t>{20})) << "once for window 20, however often it comes back";
    EXPECT_EQ(probe.Asked, 4) << "rights asked when the window changes, not for every record";

    probe.UnderPointer = 30;
    sink.SendMouse({0, 0, 0x0002});
    probe.Foreground = 0;
    sink.SendKeyboard({0x44, 0, 0});
    EXPECT_EQ(told.Windows, (std::vector<uintptr_t>{20, 30})) << "the mouse goes to the window under the pointer";
    EXPECT_EQ(inner.Count(), 7u) << "every record reached the system's sink";
}

} // namespace
