// Pieces the benchmarks share: a sink that only counts, a realistic GIDEI
// stream, and the resident memory of the process.
#pragma once

#include "gidei/InputSink.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

class TNullSink : public TInputSink {
public:
    unsigned SendKeyboard(const TKeyboardRecord&) override { return Count(); }
    unsigned SendMouse(const TMouseRecord&) override { return Count(); }
    bool GetCursorPos(TPointObj& Point) override
    {
        Point = {100, 100};
        return true;
    }
    int32_t ScreenWidth() override { return 1920; }
    int32_t ScreenHeight() override { return 1080; }
    TScreenArea VirtualScreen() override { return {0, 0, 1920, 1080}; }
    uint32_t LastError() override { return 0; }
    void TakeWaitingMessages() override {}

    std::atomic<uint64_t> Records{0};
    // When armed, the time of the first record that follows.
    std::atomic<bool> Armed{false};
    std::atomic<int64_t> FirstRecordNs{0};

private:
    // Only the parser thread writes: a plain store keeps the counter off the
    // bus, so that counting does not slow down what it counts.
    unsigned Count()
    {
        if (Armed.load(std::memory_order_relaxed) && Armed.exchange(false))
            FirstRecordNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
        Records.store(Records.load(std::memory_order_relaxed) + 1, std::memory_order_release);
        return 1;
    }
};

// About one kilobyte of what a device sends: text with umlauts, key names,
// key commands and mouse commands.
std::string RealisticStream();

// Resident set size in kilobytes.
long ResidentKilobytes();
