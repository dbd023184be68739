// The engine's threads together: bytes from a read thread, injected bytes
// from the main thread, movement ticks from a timer thread, and the parser
// draining. Run under ThreadSanitizer by scripts/check-threads.sh.
#include "gidei/KeyParse.h"
#include "serial/ReceiveQ.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(EngineThreads, ReadThreadInjectedBytesAndTicksMeetInTheParser)
{
    TTestEnvironment env(0xFFFFFFFF);
    TRecordingSink sink;
    TReceiveQueue queue{env.Log()};
    queue.Active = true;
    auto parser = std::make_unique<TKeyParser>(sink, env.Settings.Typing, env.Log(), env.Events, env.Language, false);
    parser->Queue = &queue;
    queue.SetSignalEvent(parser->DataEvent.get());
    parser->Start();

    constexpr int Rounds = 300;
    std::atomic<bool> ticking{true};
    std::thread reader([&] {
        for (int i = 0; i < Rounds; ++i)
            AddChunk(queue, "\x1b,mougo,right,2.\x1b,hold,shift.a\x1b,move,1,1.");
    });
    std::thread injector([&] {
        for (int i = 0; i < Rounds; ++i) {
            const char byte = 'z';
            queue.AddBytes(&byte, 1);
        }
    });
    std::thread timer([&] {
        while (ticking) {
            parser->SignalMouseTick();
            std::this_thread::yield();
        }
    });
    reader.join();
    injector.join();

    // Everything sent is typed: per round shift+a (4 records) and the move,
    // and per injected byte two character records; ticks add moves.
    auto typed = [&] {
        int keys = 0;
        for (const std::string& event : sink.Events())
            keys += event == "down 41" || event == "char 7A down" || event == "down 5A";
        return keys;
    };
    EXPECT_TRUE(WaitUntil([&] { return typed() >= 2 * Rounds; }));
    ticking = false;
    timer.join();

    parser->Stop();
    parser->Join();
    queue.SetSignalEvent(nullptr);
    parser.reset();
    // Shift is held each round only until the next stroke; at the end the
    // parser released everything it held.
    EXPECT_EQ(typed(), 2 * Rounds);
    int downs = 0, ups = 0;
    for (const std::string& event : sink.Events()) {
        downs += event.rfind("down ", 0) == 0;
        ups += event.rfind("up ", 0) == 0;
    }
    EXPECT_EQ(downs, ups) << "every key that went down went up";
    std::vector<std::string> lines = env.TakeLines();
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("ERROR"), std::string::npos) << line;
}

} // namespace
