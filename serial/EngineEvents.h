// The kernel events of the engine's threads, with the names they have had
// from the start (tools of the field find the program by them).
#pragma once

#include "base/threads/Sync.h"
#include "logging/Log.h"

#include <memory>
#include <string>

constexpr const char* ReadStopEventName = "vemuTermEvt";
constexpr const char* ParserStopEventName = "vemuUruk";
constexpr const char* ParserDataEventName = "vemuSnaga";
constexpr const char* ParserTickEventName = "vemuSharku";

// An auto-reset event, named when Named; a name already taken by another
// process is never shared: the event is then unnamed, said once in Log.
inline std::unique_ptr<TEvent> MakeEngineEvent(const char* Name, bool Named, TLog& Log)
{
    auto event = std::make_unique<TEvent>(false, Named ? Name : nullptr);
    if (event->NameRefused())
        Log.Log(lkError, std::string("### Ereignis \"") + Name + "\" gibt es schon, ein eigenes ohne Namen genommen");
    return event;
}
