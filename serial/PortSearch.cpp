#include "serial/PortSearch.h"

#include <algorithm>

TPortSearch::TPortSearch(std::vector<TSearchPort> Ports, bool FindPort, uint32_t NowMs)
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

uint32_t TPortSearch::BurstQuietMs(int32_t Rate) { return std::max<uint32_t>(100, 30u * 1000u / Rate + 1); }

bool TPortSearch::Step(uint32_t NowMs)
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

void TPortSearch::Stop()
{
    if (Running())
        FPhase = TSearchPhase::Stopped;
    FPorts.clear();
}

void TPortSearch::Listen(uint32_t NowMs)
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

void TPortSearch::ListenAtRate(uint32_t NowMs)
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

void TPortSearch::TakeRead(const TPortRead& Read, uint32_t NowMs)
{
    if (Read.Bytes.empty() && !Read.LineErrors)
        return;
    FBurst += Read.Bytes;
    FBurstErrors = FBurstErrors || Read.LineErrors;
    FLastByteMs = NowMs;
}

void TPortSearch::EndBurst(uint32_t NowMs)
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

void TPortSearch::NextRate(uint32_t NowMs)
{
    FRateIndex = (FRateIndex + 1) % RateSearchOrder.size();
    FJudge.Reset();
    FRateSinceMs = NowMs;
    if (!FPorts.front().Line->SetRate(Rate())) {
        FPhase = TSearchPhase::NotFound;
        FPorts.clear();
    }
}
