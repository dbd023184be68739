#include "serial/SerialSearch.h"

#include <algorithm>

TSerialSearch::TSerialSearch(std::vector<TSearchPort> Ports, bool FindPort, uint32_t NowMs)
    : FPorts(std::move(Ports)), FStartMs(NowMs), FRateSinceMs(NowMs)
{
    // Every port listens at the order's first rate; one that does not take
    // it is of no use.
    std::erase_if(FPorts, [](TSearchPort& Port) { return !Port.Line || !Port.Line->SetRate(RateSearchOrder[0]); });
    if (FPorts.empty())
        FPhase = TSearchPhase::NotFound;
    else if (!FindPort) {
        FPorts.resize(1);
        FPort = FPorts.front().Number;
        FPhase = TSearchPhase::Rating;
    }
}

uint32_t TSerialSearch::BurstQuietMs(int32_t Rate) { return std::max<uint32_t>(100, 30u * 1000u / Rate + 1); }

bool TSerialSearch::Step(uint32_t NowMs)
{
    if (!Running())
        return false;
    if (NowMs - FStartMs >= LimitMs) {
        FPhase = TSearchPhase::NotFound;
        FPorts.clear();
        return false;
    }
    if (FPhase == TSearchPhase::Listening)
        Listen(NowMs);
    else
        ListenAtRate(NowMs);
    return Running();
}

void TSerialSearch::Stop()
{
    if (Running())
        FPhase = TSearchPhase::Stopped;
    FPorts.clear();
}

void TSerialSearch::Listen(uint32_t NowMs)
{
    for (size_t i = 0; i < FPorts.size(); ++i) {
        TPortRead read = FPorts[i].Line->Read();
        if (read.Bytes.empty() && !read.LineErrors)
            continue;
        // The device is here: the other ports are let go, and what arrived
        // is the first press at the first rate.
        TSearchPort device = std::move(FPorts[i]);
        FPorts.clear();
        FPorts.push_back(std::move(device));
        FPort = FPorts.front().Number;
        FPhase = TSearchPhase::Rating;
        FRateSinceMs = NowMs;
        TakeRead(read, NowMs);
        return;
    }
}

void TSerialSearch::ListenAtRate(uint32_t NowMs)
{
    TakeRead(FPorts.front().Line->Read(), NowMs);
    if (!FBurst.empty() || FBurstErrors) {
        if (NowMs - FLastByteMs >= BurstQuietMs(Rate()))
            EndBurst(NowMs);
        return; // a press under way is heard out before the rate changes
    }
    if (Running() && NowMs - FRateSinceMs >= DwellMs)
        NextRate(NowMs);
}

void TSerialSearch::TakeRead(const TPortRead& Read, uint32_t NowMs)
{
    if (Read.Bytes.empty() && !Read.LineErrors)
        return;
    FBurst += Read.Bytes;
    FBurstErrors = FBurstErrors || Read.LineErrors;
    FLastByteMs = NowMs;
}

void TSerialSearch::EndBurst(uint32_t NowMs)
{
    const TRateEvidence evidence = FJudge.AddBurst(FBurst, FBurstErrors);
    FBurst.clear();
    FBurstErrors = false;
    if (evidence == TRateEvidence::Right) {
        FPhase = TSearchPhase::Found;
        FPorts.clear();
    } else if (evidence == TRateEvidence::Wrong) {
        NextRate(NowMs);
    }
}

void TSerialSearch::NextRate(uint32_t NowMs)
{
    FJudge.Reset();
    FRateSinceMs = NowMs;
    // A rate the port does not take is passed over; a port that takes none
    // is of no use.
    for (size_t tried = 0; tried < RateSearchOrder.size(); ++tried) {
        FRateIndex = (FRateIndex + 1) % RateSearchOrder.size();
        if (FPorts.front().Line->SetRate(Rate()))
            return;
    }
    FPhase = TSearchPhase::NotFound;
    FPorts.clear();
}
