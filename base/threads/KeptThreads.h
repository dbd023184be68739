// Threads whose blocking call the system would not let go of at the end (a
// serial port's open, a file held under an oplock): neither waited for then,
// nor destroyed while they run, since a running thread's object destroyed
// ends the process on the spot. Those that have ended by the time the
// process ends are joined; the others end with the process. A kept thread
// must hold nothing of its owner's: only state it shares by ownership.
#pragma once

#include <functional>
#include <thread>

// Over tells whether the thread has left its work, so that it can be joined.
void KeepThread(std::function<bool()> Over, std::thread Thread);
// Made before the first thread that may be kept, so that the list outlives
// them all.
void PrepareKeptThreads();
