// What the engine and the loggers tell the program's window, as the
// messages that window answers on its own thread: the one place that turns
// the engine's calls into message numbers.
#pragma once

#include "app/Engine.h"
#include "base/window/Messages.h"
#include "gidei/TargetCheck.h"
#include "logging/Logging.h"
#include "serial/SerialSearchThread.h"

#include <functional>

class TPostedEvents final : public TEngineEvents, public TLogHost, public TElevatedTargetEvents,
                           public TSearchEvents {
public:
    // InputIsOurs asks the system whether this session is at the console;
    // without it every byte is ours.
    explicit TPostedEvents(TMessageTarget& Window, std::function<bool()> InputIsOurs = nullptr)
        : FWindow(Window), FInputIsOurs(std::move(InputIsOurs))
    {
    }

    void PortLost(uintptr_t Opening) override { FWindow.Post(UM_PORTLOST, Opening, 0); }
    void PortJobsReady() override { FWindow.Post(UM_PORTWORK, 0, 0); }
    void DeviceHeard(uintptr_t Opening) override { FWindow.Post(UM_DEVICEHEARD, Opening, 0); }
    void UnreadableInput(uintptr_t Opening) override { FWindow.Post(UM_UNREADABLE, Opening, 0); }
    bool InputIsOurs() override { return !FInputIsOurs || FInputIsOurs(); }
    void ReceivedAway(uintptr_t Opening) override { FWindow.Post(UM_RECEIVEDAWAY, Opening, 0); }
    void SequenceFailed() override { FWindow.Post(UM_GIDEIERROR, 0, 0); }
    void MovementChanged(bool On) override { FWindow.Post(UM_MOUSEMOVING, On ? 1 : 0, 0); }
    void LogViewSwitched(bool On) override { FWindow.Post(UM_LOGVIEW, On ? 1 : 0, 0); }
    void LogFileRefused() override { FWindow.Post(UM_LOGFILEERROR, 0, 0); }
    void ElevatedTarget(uintptr_t Window) override { FWindow.Post(UM_ELEVATEDTARGET, Window, 0); }
    void SearchChanged() override { FWindow.Post(UM_SEARCH, 0, 0); }

private:
    TMessageTarget& FWindow;
    const std::function<bool()> FInputIsOurs;
};
