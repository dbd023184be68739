// Finding the data rate and the port: a software UART sends key presses at
// the device's rate and reads them at the rate the search listens at.
#include "serial/SerialSearch.h"

#include "support/SoftUart.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Real traffic of communication aids: letters, words, sequences.
const std::vector<std::string> Presses{
    "a", "b", "Hallo", "\x1b,hold,shift.", "\r", "e", "\x1b,enter.", "x", "\x1b,click.", "\x1b,move,10,0.",
    "n", "\xfc", "t", "\x1b,combine,ctrl,c.", "i", "s", " ", "\x1b.", "1", "\x1b,space."};

bool SameRate(int32_t A, int32_t B) { return A == B || (A == 56000 && B == 57600) || (A == 57600 && B == 56000); }

// A device on a port: it presses keys now and then; what the port reads is
// the press sent at the device's rate and read at the port's.
struct TDevice {
    int32_t Rate = 9600;
    double Clock = 1.0;
    bool ReportsErrors = true;
    size_t First = 0;         // the press it starts with
    uint32_t EveryMs = 800;   // 0: never presses
    uint32_t Now = 0;
    size_t Pressed = 0;
    size_t PressedAtRight = 0; // presses made while the port listened at the device's rate
};

class TSimulatedLine : public TSearchLine {
public:
    TSimulatedLine(TDevice& Device, bool& Closed) : FDevice(Device), FClosed(Closed) {}
    ~TSimulatedLine() override { FClosed = true; }
    bool SetRate(int32_t Rate) override
    {
        FRate = Rate;
        return Rate != RefusedRate;
    }
    TPortRead Read() override
    {
        TPortRead read;
        TDevice& d = FDevice;
        if (d.EveryMs == 0 || d.Now < (d.Pressed + 1) * d.EveryMs)
            return read;
        const std::string& press = Presses[(d.First + d.Pressed++) % Presses.size()];
        d.PressedAtRight += d.Rate == FRate ? 1 : 0;
        TLine line;
        line.Send(0.001, press, d.Rate, d.Clock, TUartFrame{});
        const TUartRead got = ReadLine(line, 0, line.End() + 0.01, FRate, TUartFrame{}, d.ReportsErrors);
        read.Bytes = got.Bytes;
        read.LineErrors = got.LineErrors;
        return read;
    }
    int32_t RefusedRate = 0;

private:
    TDevice& FDevice;
    bool& FClosed;
    int32_t FRate = 0;
};

TSearchPort PortWith(int32_t Number, TDevice& Device, bool& Closed)
{
    return {Number, std::make_unique<TSimulatedLine>(Device, Closed)};
}

void RunUntilOver(TSerialSearch& Search, TDevice& Device)
{
    for (; Search.Step(Device.Now) && Device.Now < 2 * TSerialSearch::LimitMs; Device.Now += 20) {
    }
}

// Every rate pair, clocks 3 % off either way, adapters with and without
// line-error flags, every press to begin with: a wrong rate is never taken,
// and the right one within a few presses at it.
TEST(SerialSearch, FindsTheDevicesRateAndNeverAWrongOne)
{
    size_t worstPresses = 0;
    for (const int32_t rate : RateSearchOrder)
        for (const double clock : {0.97, 1.0, 1.03})
            for (const bool flags : {true, false})
                for (size_t first = 0; first < Presses.size(); first += 3) {
                    TDevice device{rate, clock, flags, first};
                    bool closed = false;
                    std::vector<TSearchPort> ports;
                    ports.push_back(PortWith(3, device, closed));
                    TSerialSearch search(std::move(ports), false, 0);
                    RunUntilOver(search, device);
                    const std::string which = std::to_string(rate) + " clock " + std::to_string(clock) +
                                              (flags ? " flags" : " no flags") + " from " + std::to_string(first);
                    ASSERT_EQ(search.Phase(), TSearchPhase::Found) << which;
                    ASSERT_TRUE(SameRate(search.Rate(), rate)) << which << " took " << search.Rate();
                    EXPECT_TRUE(closed) << which;
                    if (search.Rate() == rate)
                        worstPresses = std::max(worstPresses, device.PressedAtRight);
                }
    EXPECT_LE(worstPresses, 4u);
}

// Judged at one wrong rate press after press, for as long as the search
// could stay there, nothing that garbage gives is taken for the device:
// not a run of presses, and not one key pressed over and over.
TEST(SerialSearch, GarbageAtAWrongRateIsNeverTakenForTheDevice)
{
    auto judgeAt = [](int32_t Sent, int32_t Read, double Clock, bool Flags, auto PressAt) {
        TRateJudge judge;
        for (size_t k = 0; k < 12; ++k) {
            TLine line;
            line.Send(0.001, PressAt(k), Sent, Clock, TUartFrame{});
            const TUartRead got = ReadLine(line, 0, line.End() + 0.01, Read, TUartFrame{}, Flags);
            const TRateEvidence evidence = judge.AddBurst(got.Bytes, got.LineErrors);
            if (evidence != TRateEvidence::None)
                return evidence;
        }
        return TRateEvidence::None;
    };
    for (const int32_t sent : RateSearchOrder)
        for (const int32_t read : RateSearchOrder) {
            if (SameRate(sent, read))
                continue;
            for (const double clock : {0.97, 1.0, 1.03})
                for (const bool flags : {true, false})
                    for (size_t first = 0; first < Presses.size(); ++first)
                        ASSERT_NE(judgeAt(sent, read, clock, flags,
                                          [&](size_t k) { return Presses[(first + k) % Presses.size()]; }),
                                  TRateEvidence::Right)
                            << sent << " read at " << read << " from " << first;
            for (char key = 0x20; key < 0x7F; ++key)
                ASSERT_NE(judgeAt(sent, read, 1.0, false, [&](size_t) { return std::string(1, key); }),
                          TRateEvidence::Right)
                    << sent << " read at " << read << " key " << key;
        }
}

// The rates in the search's order, each for a while when nothing comes
// (one the port does not take passed over), round again, and the end after
// the time.
TEST(SerialSearch, TriesTheRatesInOrderUntilTheTimeIsUp)
{
    TDevice silent;
    silent.EveryMs = 0;
    bool closed = false;
    auto line = std::make_unique<TSimulatedLine>(silent, closed);
    line->RefusedRate = 14400;
    std::vector<TSearchPort> ports;
    ports.push_back({3, std::move(line)});
    std::vector<int32_t> order(RateSearchOrder.begin(), RateSearchOrder.end());
    std::erase(order, 14400);
    TSerialSearch search(std::move(ports), false, 0);
    std::vector<int32_t> tried{search.Rate()};
    for (; search.Step(silent.Now); silent.Now += 20)
        if (search.Rate() != tried.back())
            tried.push_back(search.Rate());
    EXPECT_EQ(search.Phase(), TSearchPhase::NotFound);
    EXPECT_GE(silent.Now, TSerialSearch::LimitMs);
    EXPECT_LT(silent.Now, TSerialSearch::LimitMs + 100);
    ASSERT_EQ(tried.size(), TSerialSearch::LimitMs / TSerialSearch::DwellMs);
    for (size_t i = 0; i < tried.size(); ++i)
        EXPECT_EQ(tried[i], order[i % order.size()]) << i;
    EXPECT_TRUE(closed);

    // Garbage moves on at once; the user's stop ends the search.
    TDevice fast{115200};
    fast.EveryMs = 300;
    bool fastClosed = false;
    std::vector<TSearchPort> one;
    one.push_back(PortWith(3, fast, fastClosed));
    TSerialSearch stopped(std::move(one), false, 0);
    for (; fast.Now < 2000; fast.Now += 20)
        stopped.Step(fast.Now);
    EXPECT_NE(stopped.Rate(), RateSearchOrder[0]);
    stopped.Stop();
    EXPECT_EQ(stopped.Phase(), TSearchPhase::Stopped);
    EXPECT_FALSE(stopped.Step(fast.Now));
    EXPECT_TRUE(fastClosed);
}

// The device search: the port where something arrives is the device's, the
// others are let go at once; a port that does not take a rate is left out.
TEST(SerialSearch, TheDeviceIsOnThePortWhereSomethingArrives)
{
    TDevice nothing;
    nothing.EveryMs = 0;
    TDevice aid{19200};
    TDevice refusing{9600};
    bool nothingClosed = false, aidClosed = false, refusingClosed = false;
    std::vector<TSearchPort> ports;
    ports.push_back(PortWith(7, nothing, nothingClosed));
    ports.push_back(PortWith(9, aid, aidClosed));
    auto refusingLine = std::make_unique<TSimulatedLine>(refusing, refusingClosed);
    refusingLine->RefusedRate = RateSearchOrder[0];
    ports.push_back({4, std::move(refusingLine)});
    TSerialSearch search(std::move(ports), true, 0);
    EXPECT_TRUE(refusingClosed);
    EXPECT_EQ(search.Listening(), 2u);
    for (; search.Step(aid.Now) && search.Phase() == TSearchPhase::Listening; aid.Now += 20)
        nothing.Now = aid.Now;
    EXPECT_EQ(search.Port(), 9);
    EXPECT_TRUE(nothingClosed);
    EXPECT_FALSE(aidClosed);
    RunUntilOver(search, aid);
    EXPECT_EQ(search.Phase(), TSearchPhase::Found);
    EXPECT_EQ(search.Port(), 9);
    EXPECT_EQ(search.Rate(), 19200);
}

} // namespace
