#include "serial/ReceiveQ.h"

#include <algorithm>

void TReceiveQueue::AddBytes(const char* Bytes, size_t Count)
{
    TObjectLock lock(*this);
    if (!Active) {
        // A partly received sequence is forgotten without a log line.
        FInSequence = false;
        FDiscarding = false;
        return;
    }
    const size_t before = FSequences.size();
    FRoom = MaxUnits - std::min(before, MaxUnits);
    for (size_t i = 0; i < Count; ++i)
        if (Bytes[i] != '\0')
            AddByte(Bytes[i]);
    // One wake-up for all units of the chunk: the parser cannot take any of
    // them before the lock is released, and its auto-reset event would fold
    // several signals into one anyway. None when units were waiting already:
    // a signal per chunk while the parser is busy (pausing after each unit,
    // or behind a burst) cost the read thread a system call for nothing.
    if (SignalEvent && before == 0 && !FSequences.empty())
        SignalEvent->Set();
}

void TReceiveQueue::Discard()
{
    TObjectLock lock(*this);
    FSequences.clear();
    FCurrent.clear();
    FInSequence = false;
    FDiscarding = false;
    FOverflowing = false;
    ++FGeneration;
}

void TReceiveQueue::AddByte(char Byte)
{
    if (!FInSequence) {
        FCurrent.assign(1, Byte);
        if (Byte == Esc)
            FInSequence = true;
        else
            CompleteUnit();
        return;
    }
    if (Byte == Esc) {
        if (!FDiscarding)
            FLog.Log(lkIncomplete, FCurrent);
        FCurrent.assign(1, Esc);
        FDiscarding = false;
        return;
    }
    if (FDiscarding) {
        if (Byte == '.') {
            FInSequence = false;
            FDiscarding = false;
        }
        return;
    }
    // Spaces never stay in a sequence, so leaving them out keeps the work per
    // byte constant.
    if (Byte == ' ')
        return;
    if (FCurrent.size() >= MaxSequenceLength) {
        FLog.Log(lkIncomplete, FCurrent);
        FCurrent.clear();
        FDiscarding = true;
        if (Byte == '.') {
            FInSequence = false;
            FDiscarding = false;
        }
        return;
    }
    FCurrent += Byte;
    if (Byte == '.')
        CompleteUnit();
}

void TReceiveQueue::CompleteUnit()
{
    FInSequence = false;
    if (FRoom == 0) {
        FCurrent.clear();
        if (!FOverflowing)
            FLog.Log(lkError, "### Fehler: Empfangspuffer voll (" + std::to_string(MaxUnits) +
                                      " Einheiten), weitere Eingaben werden verworfen");
        FOverflowing = true;
        return;
    }
    FOverflowing = false;
    --FRoom;
    FSequences.push_back(std::move(FCurrent));
    FCurrent.clear();
    if (FLog.Enabled(lkSequence))
        FLog.Log(lkSequence, FSequences.back());
    if (FWatcher)
        FWatcher(FSequences.back());
}

void TReceiveQueue::SetUnitWatcher(TUnitWatcher Watcher)
{
    TObjectLock lock(*this);
    FWatcher = std::move(Watcher);
}

void TReceiveQueue::SetSignalEvent(TEvent* Event)
{
    TObjectLock lock(*this);
    SignalEvent = Event;
    // Units framed before the parser was wired must not wait for the next
    // byte to be noticed.
    if (SignalEvent && !FSequences.empty())
        SignalEvent->Set();
}

std::string TReceiveQueue::Pop()
{
    TObjectLock lock(*this);
    if (FSequences.empty())
        return std::string();
    std::string unit = std::move(FSequences.front());
    FSequences.pop_front();
    return unit;
}

size_t TReceiveQueue::Waiting()
{
    TObjectLock lock(*this);
    return FSequences.size();
}

uint32_t TReceiveQueue::PopAll(std::deque<std::string>& Units)
{
    TObjectLock lock(*this);
    if (Units.empty()) {
        Units.swap(FSequences);
        return FGeneration;
    }
    for (std::string& unit : FSequences)
        Units.push_back(std::move(unit));
    FSequences.clear();
    return FGeneration;
}
