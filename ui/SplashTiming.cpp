#include "ui/SplashTiming.h"

#include "base/threads/Sync.h"

TSplashTiming::TSplashTiming(std::function<void()> Pause) : FPause(std::move(Pause)) { Start(); }

void TSplashTiming::Start() { FStepStart = TickCount(); }

void TSplashTiming::WaitForStep(uint32_t MinMs)
{
    uint32_t elapsed;
    do {
        FPause();
        elapsed = TickCount() - FStepStart; // wraps like the tick counter
    } while (elapsed <= MinMs);
}
