#include "serial/SerialSearchThread.h"

#include "serial/SearchPorts.h"

namespace {

TSearchState StateOf(const TSerialSearch& Search)
{
    TSearchState state;
    state.Phase = Search.Phase();
    state.Opening = false;
    state.Port = Search.Port();
    state.Rate = Search.Rate();
    state.Listening = Search.Listening();
    return state;
}

} // namespace

TSerialSearchThread::TSerialSearchThread(std::vector<int32_t> Ports, bool FindPort, const TPortSettings& Framing,
                                     TSearchEvents& Events)
    : FPorts(std::move(Ports)), FFindPort(FindPort), FFraming(Framing), FEvents(Events)
{
    Start();
}

TSerialSearchThread::~TSerialSearchThread()
{
    Stop();
    Join();
}

TSearchState TSerialSearchThread::State() const
{
    std::lock_guard<std::mutex> lock(FLock);
    return FState;
}

bool TSerialSearchThread::Over() const
{
    std::lock_guard<std::mutex> lock(FLock);
    return FOver;
}

void TSerialSearchThread::Publish(const TSearchState& State)
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (FState == State && !FOver)
            return;
        FState = State;
    }
    FEvents.SearchChanged();
}

void TSerialSearchThread::Execute()
{
    {
        TSerialSearch search(OpenSearchPorts(FPorts, FFraming, OpenWaitMs, FStop), FFindPort, TickCount());
        while (search.Running()) {
            Publish(StateOf(search));
            if (FStop.Wait(StepMs))
                search.Stop();
            else
                search.Step(TickCount());
        }
        // Its ports are closed before the end is told.
        const TSearchState last = StateOf(search);
        std::lock_guard<std::mutex> lock(FLock);
        FState = last;
        FOver = true;
    }
    FEvents.SearchChanged();
}
