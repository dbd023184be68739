// Arbitrary bytes through the receive queue, the parser's unit handling and
// the typer with a recording sink. After each input the reset sequence ESC '.'
// must leave no key and no button down, and the typer's states must agree
// with what the sink saw.
#include "gidei/KeyParse.h"
#include "serial/ReceiveQ.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

// Every read of the clock is a long time after the last, so that wait
// commands and pauses end at once instead of stalling the fuzzer.
std::atomic<uint32_t> Ticks{0};
uint32_t LeapingTicks() { return Ticks.fetch_add(0x40000000u); }

struct TFuzzEngine {
    TFuzzEngine()
    {
        SetTickSource(LeapingTicks);
        Environment = std::make_unique<TTestEnvironment>(0xFFFFFFFF);
        TTestEnvironment& env = *Environment;
        Queue = std::make_unique<TReceiveQueue>(env.Log());
        Parser = std::make_unique<TKeyParser>(Sink, env.Settings.Typing, env.Log(), env.Events, env.Language, false);
        Queue->Active = true;
    }
    std::unique_ptr<TTestEnvironment> Environment;
    TRecordingSink Sink;
    std::unique_ptr<TReceiveQueue> Queue;
    std::unique_ptr<TKeyParser> Parser;
    std::set<unsigned> Keys;
    std::set<unsigned> Buttons;
};

[[noreturn]] void Fail(const char* What, const std::string& Event)
{
    std::fprintf(stderr, "fuzz check failed: %s (%s)\n", What, Event.c_str());
    std::abort();
}

void Replay(TFuzzEngine& Engine)
{
    for (const std::string& event : Engine.Sink.Take()) {
        unsigned code = 0;
        if (std::sscanf(event.c_str(), "down %x", &code) == 1) {
            if (!Engine.Keys.insert(code).second)
                Fail("key down twice", event);
        } else if (std::sscanf(event.c_str(), "up %x", &code) == 1) {
            if (Engine.Keys.erase(code) != 1)
                Fail("key up without key down", event);
        } else if (std::sscanf(event.c_str(), "button %x", &code) == 1) {
            const bool down = code == 0x0002 || code == 0x0008;
            const unsigned button = (code == 0x0002 || code == 0x0004) ? 1 : 5;
            if (down ? !Engine.Buttons.insert(button).second : Engine.Buttons.erase(button) != 1)
                Fail("button pressed twice or released while up", event);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static TFuzzEngine engine;
    // Chunks as the read thread hands them over: up to 64 bytes.
    for (size_t at = 0; at < Size; at += 64)
        engine.Queue->AddBytes(reinterpret_cast<const char*>(Data + at), std::min<size_t>(64, Size - at));
    for (std::string unit = engine.Queue->Pop(); !unit.empty(); unit = engine.Queue->Pop()) {
        engine.Parser->HandleUnit(unit);
        if (engine.Parser->Typer->Moving())
            engine.Parser->Typer->MouseTick();
    }
    Replay(engine);
    const TKeyTable& keys = engine.Parser->Typer->KeyTable();
    for (int vk = 0; vk < 256; ++vk)
        if ((keys.KeyState(vk) != ksUp) != (engine.Keys.count(static_cast<unsigned>(vk)) == 1))
            Fail("key state and sink disagree", std::to_string(vk));

    engine.Parser->HandleUnit("\x1b.");
    Replay(engine);
    if (!engine.Keys.empty() || keys.AnyKeyActive())
        Fail("a key is still down after the reset", "");
    if (!engine.Buttons.empty())
        Fail("a button is still down after the reset", "");
    // A sequence cut short by the input stays in the queue: end it so that
    // the next input starts clean.
    engine.Queue->AddBytes("\x1b.", 2);
    while (!engine.Queue->Pop().empty()) {
    }
    engine.Parser->HandleUnit("\x1b.");
    engine.Sink.Take();
    engine.Environment->TakeLines();
    engine.Environment->Target.Clear();
    return 0;
}
