#include "SoftUart.h"

#include <algorithm>
#include <cmath>

void TLine::Append(double Duration, bool Level)
{
    if (!FLevels.empty() && FLevels.back() == Level) {
        FEnd += Duration;
        return;
    }
    FEdges.push_back(FEnd);
    FLevels.push_back(Level);
    FEnd += Duration;
}

void TLine::Send(double Start, const std::string& Bytes, int Rate, double Clock, const TUartFrame& Frame)
{
    if (Start > FEnd)
        Append(Start - FEnd, true);
    const double bit = 1.0 / (Rate * Clock);
    for (const char c : Bytes) {
        const auto byte = static_cast<unsigned char>(c);
        Append(bit, false);
        int ones = 0;
        for (int i = 0; i < Frame.DataBits; ++i) {
            const bool one = ((byte >> i) & 1) != 0;
            ones += one ? 1 : 0;
            Append(bit, one);
        }
        if (Frame.Parity != 0)
            Append(bit, Frame.Parity == 1 ? ones % 2 == 0 : ones % 2 == 1);
        Append(bit * Frame.StopBits, true);
    }
}

bool TLine::Level(double Time) const
{
    if (Time >= FEnd || FEdges.empty() || Time < FEdges.front())
        return true;
    const auto run = std::upper_bound(FEdges.begin(), FEdges.end(), Time) - FEdges.begin() - 1;
    return FLevels[static_cast<size_t>(run)];
}

double TLine::NextLow(double Time) const
{
    if (!Level(Time))
        return Time;
    auto run = std::upper_bound(FEdges.begin(), FEdges.end(), Time) - FEdges.begin();
    for (; static_cast<size_t>(run) < FEdges.size(); ++run)
        if (!FLevels[static_cast<size_t>(run)])
            return FEdges[static_cast<size_t>(run)];
    return FEnd;
}

TUartRead ReadLine(const TLine& Line, double From, double To, int Rate, const TUartFrame& Frame, bool ReportsErrors)
{
    TUartRead read;
    const double tick = 1.0 / (16.0 * Rate);
    const int bits = Frame.DataBits + (Frame.Parity != 0 ? 1 : 0);
    bool needMark = !Line.Level(From); // a line low at the start is no start bit
    for (double t = From; t < To && t < Line.End() + 20 * 16 * tick;) {
        const bool level = Line.Level(t);
        if (needMark) {
            needMark = !level;
            t += tick;
            continue;
        }
        if (level) {
            // Idle: on to the first sample tick the line is low at.
            const double low = Line.NextLow(t);
            t += tick * std::max(1.0, std::ceil((low - t) / tick));
            continue;
        }
        // A falling edge: a start bit if the line is still low at its middle.
        if (Line.Level(t + 8 * tick)) {
            t += tick;
            continue;
        }
        unsigned value = 0;
        int ones = 0;
        for (int i = 0; i < bits; ++i) {
            const bool one = Line.Level(t + (8 + 16 * (i + 1)) * tick);
            if (i < Frame.DataBits)
                value |= (one ? 1u : 0u) << i;
            ones += one ? 1 : 0;
        }
        const double stopAt = t + (8 + 16 * (bits + 1)) * tick;
        const bool stop = Line.Level(stopAt);
        const bool parityOk = Frame.Parity == 0 || (Frame.Parity == 1 ? ones % 2 == 1 : ones % 2 == 0);
        const bool broken = !stop && ones == 0;
        read.Bytes += static_cast<char>(value);
        if ((!stop || !parityOk) && ReportsErrors)
            read.LineErrors = true;
        // After a break the line must go high again; after a framing error
        // a low stop sample is taken as the next start bit.
        needMark = broken;
        t = stopAt;
    }
    return read;
}
