#include "gidei/TargetCheck.h"

#include <algorithm>

unsigned TTargetCheckingSink::SendKeyboard(const TKeyboardRecord& Record)
{
    Check(true);
    return FInner.SendKeyboard(Record);
}

unsigned TTargetCheckingSink::SendMouse(const TMouseRecord& Record)
{
    Check(false);
    return FInner.SendMouse(Record);
}

void TTargetCheckingSink::Check(bool Keyboard)
{
    const int kind = Keyboard ? 0 : 1;
    const uintptr_t window = FProbe.InputWindow(Keyboard);
    if (window != FLastWindow[kind]) {
        FLastWindow[kind] = window;
        FLastElevated[kind] = window != 0 && FProbe.Elevated(window);
    }
    if (!FLastElevated[kind] || std::find(FTold.begin(), FTold.end(), window) != FTold.end())
        return;
    if (FTold.size() >= RememberedWindows)
        FTold.clear();
    FTold.push_back(window);
    FEvents.ElevatedTarget(window);
}
