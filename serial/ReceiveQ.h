// Frames the serial byte stream into units: one plain byte, or one escape
// sequence from ESC to its '.', spaces dropped. The read thread adds bytes,
// the parser thread pops units.
#pragma once

#include "base/system/Text.h"
#include "base/threads/Lockable.h"
#include "logging/Log.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

class TEvent;

class TReceiveQueue : public TLockableObject {
public:
    // A sequence longer than this is noise, not GIDEI: it is dropped (and
    // logged as incomplete) instead of growing without bound.
    static constexpr size_t MaxSequenceLength = 4096;
    // Completed units waiting for the parser, at most: far beyond what a
    // device sends while the parser pauses after each unit, and a bound on
    // the memory of one that never stops sending. Units beyond it are
    // dropped, with one error line each time the queue runs full.
    static constexpr size_t MaxUnits = 10000;

    // Incomplete sequences, the sequences framed and a full queue are said
    // in Log.
    explicit TReceiveQueue(TLog& Log = NoLog()) : FLog(Log) {}

    // Frames Count bytes (none is safe). A zero byte is line noise, not
    // input: it is dropped and the bytes after it are framed as usual.
    void AddBytes(const char* Bytes, size_t Count);
    // The oldest unit, or the empty string when there is none.
    std::string Pop();
    // Forgets every unit that waits and a sequence in progress: the input
    // they belong to is gone (the port closed, input switched off). Each
    // call begins a new generation of units.
    void Discard();
    // How many completed units wait for the parser.
    size_t Waiting();
    // Moves every completed unit, oldest first, to the end of Units in one
    // go: the parser takes the lock once per wake-up instead of once per
    // unit, which keeps it out of the read thread's way. Returns the
    // generation they belong to: once Generation() differs, a Discard came
    // after them and they belong to the input that is gone.
    uint32_t PopAll(std::deque<std::string>& Units);
    uint32_t Generation() const { return FGeneration; }

    // The event (the parser's data event) set by a chunk that brings units
    // to an empty queue, or none; set at once when units are already
    // waiting. Units that find others waiting set it no more: their wake-up
    // is on its way, or the consumer is at work. So a consumer waits for the
    // event only after it found the queue empty, and takes everything that
    // waits before it waits again (as the parser's PopAll does). Taken under
    // the lock, so once this returns no chunk in progress still signals the
    // event it replaced, which may then be closed.
    void SetSignalEvent(TEvent* Event);

    // Hears every unit as it is framed (on the read thread, under the
    // queue's lock: it must only note the unit and post); null for none.
    using TUnitWatcher = std::function<void(const std::string& Unit)>;
    void SetUnitWatcher(TUnitWatcher Watcher);

    // Bytes are framed only while the receiver is active.
    std::atomic<bool> Active{false};

private:
    TLog& FLog;
    TEvent* SignalEvent = nullptr;
    TUnitWatcher FWatcher;
    void AddByte(char Byte);
    void CompleteUnit();

    std::deque<std::string> FSequences;
    std::string FCurrent;
    bool FInSequence = false;
    // The current sequence passed the limit: its bytes are dropped until it
    // ends.
    bool FDiscarding = false;
    // Units the chunk being framed may still add (counted down instead of
    // asking the list for its size after every unit).
    size_t FRoom = 0;
    // The queue ran full and its error line is out; the next unit that fits
    // ends the episode.
    bool FOverflowing = false;
    // Counts the calls of Discard; changed under the lock.
    std::atomic<uint32_t> FGeneration{0};
};
