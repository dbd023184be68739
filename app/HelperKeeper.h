// What the sign-in service decides about its helper: exactly one runs, in
// the session at the console, while the machine's key is valid; one that
// ended early is started again after a pause that grows, never in a tight
// loop.
#pragma once

#include <cstdint>

inline constexpr uint32_t NoSession = 0xFFFFFFFF;

struct THelperSituation {
    bool KeyValid = false;
    uint32_t ConsoleSession = NoSession; // NoSession while none is attached
    bool Running = false;
    uint32_t RunningSession = NoSession;
};

enum class THelperStep {
    Keep,  // nothing to do
    Start, // start one in the console session
    End,   // end the running one
    Move,  // end the running one and start one in the console session
};

THelperStep NextHelperStep(const THelperSituation& Situation);

// The pause before a helper that ended is started again: one second at
// first, doubled after each early end up to five minutes; a helper that ran
// for a minute ended for a reason of its moment, and the count starts again.
class TRestartPause {
public:
    static constexpr uint32_t FirstMs = 1000;
    static constexpr uint32_t LongestMs = 300000;
    static constexpr uint32_t SteadyRunMs = 60000;

    // The helper ran RanMs before it ended: how long to wait now.
    uint32_t AfterEnd(uint32_t RanMs);
    // A session change or a changed key: the next start is not held back.
    void Reset() { FNext = FirstMs; }

private:
    uint32_t FNext = FirstMs;
};
