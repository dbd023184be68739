#include "app/SearchControl_win.h"

#include "app/ConfigPages_win.h"
#include "app/ConfigRules.h"
#include "app/Engine.h"
#include "base/system/SystemServices.h"
#include "logging/Log.h"
#include "resources/ResourceIds.h"
#include "resources/StringIds.h"

#include <cstdio>

namespace {

std::string Formatted(int TextId, int32_t First, int32_t Second = 0)
{
    char text[256];
    std::snprintf(text, sizeof text, LoadResourceText(TextId).c_str(), static_cast<int>(First),
                  static_cast<int>(Second));
    return text;
}

} // namespace

TSearchControl::TSearchControl(TEngine& Engine, TConfigPages& Pages, TLog& Log, TSearchEvents& Events)
    : FEngine(Engine), FPages(Pages), FLog(Log), FEvents(Events)
{
}

void TSearchControl::Pressed(int ButtonId)
{
    if (Running()) {
        // The thread ends at its next step and then tells.
        FThread->Stop();
        return;
    }
    Start(ButtonId);
}

void TSearchControl::Start(int ButtonId)
{
    const TConfigValues chosen = FPages.Chosen(TConfigValues());
    TPortSettings framing;
    framing.ByteSize = chosen.SizeItem + 7;
    framing.Parity = chosen.ParityItem;
    framing.StopBits = chosen.StopItem;
    FFindPort = ButtonId == IDC_FINDDEVICE;
    std::vector<int32_t> ports;
    if (FFindPort)
        ports = FPages.SearchablePorts();
    else if (chosen.PortSelected && chosen.Port > 0)
        ports.push_back(chosen.Port);
    if (ports.empty()) {
        FPages.ShowReceivedLine(LoadResourceText(FFindPort ? IDS_SEARCH_NO_DEVICE : IDS_SEARCH_NO_RATE));
        return;
    }
    // The port is let go first, so that the search can open it too.
    FEngine.SetSearching(true);
    FPages.SetSearching(ButtonId);
    FPages.ShowReceivedLine(LoadResourceText(IDS_SEARCH_OPENING));
    FThread = std::make_unique<TSerialSearchThread>(std::move(ports), FFindPort, framing, FEvents);
}

void TSearchControl::Changed()
{
    if (!FThread)
        return;
    const TSearchState state = FThread->State();
    if (FThread->Over()) {
        Finish(state);
        return;
    }
    if (state.Opening)
        return;
    FPages.ShowReceivedLine(state.Phase == TSearchPhase::Listening
                                ? Formatted(IDS_SEARCH_LISTENING, static_cast<int32_t>(state.Listening))
                                : Formatted(IDS_SEARCH_RATING, state.Rate));
}

void TSearchControl::Finish(const TSearchState& State)
{
    FThread.reset(); // over: the join is at once
    std::string line;
    if (State.Phase == TSearchPhase::Found) {
        FPages.SelectFound(FFindPort ? State.Port : 0, State.Rate);
        line = FFindPort ? Formatted(IDS_SEARCH_DEVICE_FOUND, State.Port, State.Rate)
                         : Formatted(IDS_SEARCH_RATE_FOUND, State.Rate);
    } else if (State.Phase == TSearchPhase::Stopped) {
        line = LoadResourceText(IDS_SEARCH_STOPPED);
    } else {
        line = LoadResourceText(FFindPort ? IDS_SEARCH_NO_DEVICE : IDS_SEARCH_NO_RATE);
    }
    FLog.Log(lkPlain, "### " + line);
    FPages.ShowReceivedLine(line);
    FPages.SetSearching(0);
    FEngine.SetSearching(false);
}

void TSearchControl::End()
{
    if (!FThread)
        return;
    FThread->Stop();
    FThread->Join();
    Finish(FThread->State());
}
