#include "serial/ReceiveQ.h"

#include "logging/Logging.h"

void TReceiveQueue::AddBytes(const char* Bytes)
{
    TObjectLock lock(*this);
    if (!Active) {
        // A partly received sequence is forgotten without a log line.
        FInSequence = false;
        FDiscarding = false;
        return;
    }
    const char* byte = Bytes;
    do {
        AddByte(*byte);
        ++byte;
    } while (*byte != '\0');
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
        if (!FDiscarding && Loggers)
            Loggers->Log(lkIncomplete, FCurrent);
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
        if (Loggers)
            Loggers->Log(lkIncomplete, FCurrent);
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
    FSequences.push_back(FCurrent);
    if (Loggers)
        Loggers->Log(lkSequence, FCurrent);
    FCurrent.clear();
    FInSequence = false;
    if (SignalEvent)
        SignalEvent->Set();
}

void TReceiveQueue::SetSignalEvent(TEvent* Event)
{
    TObjectLock lock(*this);
    SignalEvent = Event;
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
