// Threads whose blocking call the system would not let go of at the end (a
// serial port's open, a file held under an oplock): neither waited for then,
// nor destroyed while they run, since a running thread's object destroyed
// ends the process on the spot. Those that have ended by the time the
// process ends are joined; the others end with the process. A kept thread
// must hold nothing of its owner's: only state it shares by ownership.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Over tells whether the thread has left its work, so that it can be joined.
void KeepThread(std::function<bool()> Over, std::thread Thread);
// Made before the first thread that may be kept, so that the list outlives
// them all.
void PrepareKeptThreads();

// The end of a thread whose state TShared (its Lock, Over and Thread) it
// shares with its owner: joined when it is over, kept otherwise. Lock holds
// Shared's lock, and is let go.
template <typename TShared>
void JoinOrKeep(std::unique_lock<std::mutex>& Lock, const std::shared_ptr<TShared>& Shared)
{
    const bool over = Shared->Over;
    Lock.unlock();
    if (over) {
        Shared->Thread.join();
        return;
    }
    KeepThread(
        [Shared] {
            std::lock_guard<std::mutex> guard(Shared->Lock);
            return Shared->Over;
        },
        std::move(Shared->Thread));
}
