// A call that may block in the system for as long as another program wants
// (an open that waits for the break of an oplock another user never
// acknowledges), run on a thread of its own so that its caller waits no
// longer than it allows.
#pragma once

#include <cstdint>
#include <functional>

class TEvent;

// Runs Call on a thread of its own and waits for it at most LimitMs: true
// when it returned in time. Otherwise GiveUp runs on the caller's thread at
// once (it tells the call to stop what it still can), and the call's thread
// is given up the way TJobThread gives one up: kept with the process, never
// detached. Call and GiveUp must therefore work on their own copies (shared
// pointers they hold), never on the caller's objects.
bool RunWithin(uint32_t LimitMs, std::function<void()> Call, std::function<void()> GiveUp);

// How RunWithin waits for the call: Done.Wait(Ms), unless a test puts its
// own in place (nullptr restores it), so that a limit of seconds is shown
// without waiting that long.
using TCallWait = bool (*)(TEvent& Done, uint32_t Ms);
void SetCallWait(TCallWait Wait);
