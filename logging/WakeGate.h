// One posted wake-up at a time for a window that drains the view sink's
// lines: a thread that logs while the main thread is busy posts no more
// than one message, so the main thread's message queue (10,000 posted
// messages at most) never fills with wake-ups and drops the messages that
// matter, such as the notice that the port was lost.
#pragma once

#include <atomic>

class TWakeGate {
public:
    // True when the caller is to post the wake-up: none is on its way.
    bool Claim() { return !FPosted.exchange(true); }
    // The post failed: the next line tries again.
    void PostFailed() { FPosted = false; }
    // The wake-up arrived. Called before the lines are fetched, so that a
    // line logged from then on posts a new one and none is left behind.
    void Arrived() { FPosted = false; }

private:
    std::atomic<bool> FPosted{false};
};
