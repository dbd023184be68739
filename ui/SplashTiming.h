// The splash window's step texts stay readable: each new text waits until
// the one before has been on screen for its minimum time, and every step
// costs at least one 50 ms pause in which the window is repainted.
#pragma once

#include <cstdint>
#include <functional>

class TSplashTiming {
public:
    static constexpr uint32_t PauseMs = 50;

    // Pause sleeps PauseMs and repaints the window (a seam for tests).
    explicit TSplashTiming(std::function<void()> Pause);

    // The first text appears now.
    void Start();
    // Waits until the current text has been shown for more than MinMs
    // (at least one pause), then starts the next step's time.
    void WaitForStep(uint32_t MinMs);
    uint32_t StepStart() const { return FStepStart; }

private:
    std::function<void()> FPause;
    uint32_t FStepStart = 0;
};
