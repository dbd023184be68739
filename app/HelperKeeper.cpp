#include "app/HelperKeeper.h"

#include <algorithm>

THelperStep NextHelperStep(const THelperSituation& S)
{
    const bool wanted = S.KeyValid && S.ConsoleSession != NoSession;
    if (!S.Running)
        return wanted ? THelperStep::Start : THelperStep::Keep;
    if (!wanted)
        return THelperStep::End;
    return S.RunningSession == S.ConsoleSession ? THelperStep::Keep : THelperStep::Move;
}

uint32_t TRestartPause::AfterEnd(uint32_t RanMs)
{
    if (RanMs >= SteadyRunMs)
        FNext = FirstMs;
    const uint32_t pause = FNext;
    FNext = std::min(FNext * 2, LongestMs);
    return pause;
}
