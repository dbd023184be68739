// The engine's speed: framing, the whole path from the queue through the
// parser thread to the input sink, the latency of one unit, the cost of a log
// line, and memory over a long stream.
#include "bench/BenchSupport.h"
#include "gidei/KeyParse.h"
#include "serial/ReceiveQ.h"
#include "tests/support/TestSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr double LineRate = 11520.0; // bytes per second at 115200 baud

// The stream cut as the read thread cuts it: chunks of up to 64 bytes.
std::vector<std::string> Chunks(const std::string& Stream)
{
    std::vector<std::string> chunks;
    for (size_t at = 0; at < Stream.size(); at += 64)
        chunks.push_back(Stream.substr(at, 64));
    return chunks;
}

size_t UnitsOf(const std::string& Stream)
{
    TReceiveQueue queue;
    queue.Active = true;
    size_t units = 0;
    for (const std::string& chunk : Chunks(Stream)) {
        queue.AddBytes(chunk.data(), chunk.size());
        while (!queue.Pop().empty())
            ++units;
    }
    return units;
}

void BM_Framing(benchmark::State& State)
{
    TTestEnvironment env(0);
    const std::vector<std::string> chunks = Chunks(RealisticStream());
    TReceiveQueue queue{env.Log()};
    queue.Active = true;
    size_t bytes = 0;
    for (auto _ : State) {
        for (const std::string& chunk : chunks) {
            queue.AddBytes(chunk.data(), chunk.size());
            bytes += chunk.size();
        }
        while (!queue.Pop().empty()) {
        }
    }
    State.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_Framing);

// The queue and the parser thread, wired as the program wires them, on a
// sink that only counts.
struct TThreadedEngine {
    explicit TThreadedEngine(TTestEnvironment& Env)
        : Queue(Env.Log()), Parser(Sink, Env.Settings.Typing, Env.Log(), Env.Events, Env.Language, false)
    {
        Queue.Active = true;
        Parser.Queue = &Queue;
        Queue.SetSignalEvent(Parser.DataEvent.get());
        Parser.Start();
    }
    ~TThreadedEngine()
    {
        Parser.Stop();
        Parser.Join();
        Queue.SetSignalEvent(nullptr);
    }
    TNullSink Sink;
    TReceiveQueue Queue;
    TKeyParser Parser;
};

// Queue, parser thread and typer with a sink that only counts; no pause
// after events, logging masked off. Each pass hands over 64 KB, as fast as
// the read thread could, and waits until the last record has left. The
// queue drops what exceeds its limit, so a chunk waits while the queue has
// no room for it: the parser then has thousands of units to work on, and a
// line never comes near that.
void BM_Engine(benchmark::State& State)
{
    TTestEnvironment env(0);
    std::string stream;
    for (int i = 0; i < 64; ++i)
        stream += RealisticStream();
    const std::vector<std::string> chunks = Chunks(stream);
    const size_t units = UnitsOf(stream);

    TThreadedEngine engine(env);
    TNullSink& sink = engine.Sink;
    TReceiveQueue& queue = engine.Queue;
    // Hands the stream over; false when the engine stopped taking it.
    auto handOver = [&](uint64_t Target) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        // The queue is asked for its room once per kilobyte (a chunk adds
        // at most one unit per byte), so that asking costs the parser little.
        constexpr size_t Step = 16;
        for (size_t i = 0; i < chunks.size(); ++i) {
            while (i % Step == 0 && queue.Waiting() + Step * 64 > TReceiveQueue::MaxUnits) {
                if (std::chrono::steady_clock::now() > deadline)
                    return false;
                std::this_thread::sleep_for(std::chrono::microseconds(20));
            }
            queue.AddBytes(chunks[i].data(), chunks[i].size());
        }
        // The read thread sleeps while the port is quiet; so does this one.
        while (sink.Records < Target) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        return true;
    };

    // The records one pass gives, counted once the engine is warm.
    handOver(0);
    uint64_t last = 0;
    do {
        last = sink.Records;
        SleepMs(50);
    } while (sink.Records != last);
    const uint64_t perPass = last;

    uint64_t passes = 0;
    for (auto _ : State) {
        if (!handOver(sink.Records + perPass)) {
            State.SkipWithError("records went missing");
            return;
        }
        env.Target.Clear(); // the posted movement notices would pile up
        ++passes;
    }

    State.SetBytesProcessed(static_cast<int64_t>(passes * stream.size()));
    State.SetItemsProcessed(static_cast<int64_t>(passes * units));
    State.counters["x_line_rate"] =
        benchmark::Counter(static_cast<double>(passes * stream.size()) / LineRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Engine)->UseRealTime();

// The parser's and typer's share of the work, on one thread: the units of
// the stream handled one after the other.
void BM_Units(benchmark::State& State)
{
    TTestEnvironment env(0);
    const std::string stream = RealisticStream();
    TReceiveQueue queue{env.Log()};
    queue.Active = true;
    for (const std::string& chunk : Chunks(stream))
        queue.AddBytes(chunk.data(), chunk.size());
    std::vector<std::string> units;
    for (std::string unit = queue.Pop(); !unit.empty(); unit = queue.Pop())
        units.push_back(unit);
    TNullSink sink;
    TKeyParser parser(sink, env.Settings.Typing, env.Log(), env.Events, env.Language, false);
    for (auto _ : State) {
        for (const std::string& unit : units)
            parser.HandleUnit(unit);
        env.Target.Clear();
    }
    State.SetItemsProcessed(static_cast<int64_t>(State.iterations() * units.size()));
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * stream.size()));
}
BENCHMARK(BM_Units);

// From AddBytes of a complete unit to the first record in the sink, through
// the real threads and events.
void BM_Latency(benchmark::State& State)
{
    TTestEnvironment env(0);
    TThreadedEngine engine(env);
    TNullSink& sink = engine.Sink;
    TReceiveQueue& queue = engine.Queue;

    std::vector<double> samples;
    for (auto _ : State) {
        for (int i = 0; i < 5000; ++i) {
            const uint64_t before = sink.Records;
            sink.Armed = true;
            const auto start = std::chrono::steady_clock::now();
            queue.AddBytes("x", 1);
            while (sink.Records < before + 2) {
            }
            const int64_t startNs =
                std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count();
            samples.push_back(static_cast<double>(sink.FirstRecordNs - startNs) / 1000.0);
        }
    }

    std::sort(samples.begin(), samples.end());
    State.counters["p50_us"] = samples[samples.size() / 2];
    State.counters["p99_us"] = samples[samples.size() * 99 / 100];
    State.counters["max_us"] = samples.back();
}
BENCHMARK(BM_Latency)->Iterations(1)->UseRealTime();

// One log line with every kind on and the file sink writing.
void BM_LogLine(benchmark::State& State)
{
    TTestEnvironment env(0xFFFFFFFF);
    env.Log().File().SetFileName(env.Dir.File("bench.log"));
    env.Log().File().SetActive(true);
    const std::string text = "\x1b,combine,ctrl,alt,del.";
    for (auto _ : State)
        env.Log().Log(lkSequence, text);
    env.Log().File().SetActive(false);
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_LogLine);

// A long stream, with line noise that never ends its sequence, through queue
// and parser: resident memory must not grow with its length.
void BM_MemoryFlat(benchmark::State& State)
{
    TTestEnvironment env(0);
    TNullSink sink;
    TReceiveQueue queue{env.Log()};
    queue.Active = true;
    TKeyParser parser(sink, env.Settings.Typing, env.Log(), env.Events, env.Language, false);
    const std::string noise = "\x1b" + std::string(100000, 'n');
    const std::vector<std::string> chunks = Chunks(RealisticStream() + noise + ".");
    const int64_t megabytes = State.range(0);
    long before = 0, after = 0;
    size_t bytes = 0;
    for (auto _ : State) {
        size_t done = 0;
        while (done < static_cast<size_t>(megabytes) << 20) {
            for (const std::string& chunk : chunks) {
                queue.AddBytes(chunk.data(), chunk.size());
                done += chunk.size();
            }
            for (std::string unit = queue.Pop(); !unit.empty(); unit = queue.Pop())
                parser.HandleUnit(unit);
            env.Target.Clear(); // the posted movement notices would pile up
            if (before == 0 && done >= (static_cast<size_t>(megabytes) << 20) / 8)
                before = ResidentKilobytes();
        }
        bytes += done;
        after = ResidentKilobytes();
    }
    State.SetBytesProcessed(static_cast<int64_t>(bytes));
    State.counters["rss_growth_kb"] = static_cast<double>(after - before);
}
BENCHMARK(BM_MemoryFlat)->Arg(64)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// A device that keeps sending while the parser pauses after each unit: nobody
// pops, so the queue fills up to its limit and must then stop growing.
void BM_MemoryParserPaused(benchmark::State& State)
{
    TTestEnvironment env(0);
    TReceiveQueue queue{env.Log()};
    queue.Active = true;
    const std::vector<std::string> chunks = Chunks(RealisticStream());
    const size_t total = static_cast<size_t>(State.range(0)) << 20;
    long before = 0, after = 0;
    for (auto _ : State) {
        size_t done = 0;
        while (done < total) {
            for (const std::string& chunk : chunks) {
                queue.AddBytes(chunk.data(), chunk.size());
                done += chunk.size();
            }
            if (before == 0 && done >= total / 8)
                before = ResidentKilobytes();
        }
        after = ResidentKilobytes();
    }
    State.SetBytesProcessed(static_cast<int64_t>(total));
    State.counters["rss_growth_kb"] = static_cast<double>(after - before);
    State.counters["units_held"] = static_cast<double>(queue.Waiting());
}
BENCHMARK(BM_MemoryParserPaused)->Arg(64)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
