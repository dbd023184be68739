// A software serial line for the data-rate tests: a sender turns bytes into
// a bit stream at its rate (with its clock off by a factor), a receiver reads
// the stream at another rate the way a 16550 does (16 samples a bit, the
// start bit checked at its middle, each bit taken at its middle) and reports
// framing errors and breaks, or nothing at all, as some adapters do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TUartFrame {
    int DataBits = 8;
    int Parity = 0; // 0 none, 1 odd, 2 even
    int StopBits = 1;
};

// The line's level over time: runs of one level, the line idle (1) before
// the first and after the last.
class TLine {
public:
    // Appends Bytes sent at Rate with a clock Clock times as fast as it
    // should be, starting at Start (seconds; not before the line's end).
    void Send(double Start, const std::string& Bytes, int Rate, double Clock, const TUartFrame& Frame);
    bool Level(double Time) const;
    // The first time at or after Time the line is low; End() when never.
    double NextLow(double Time) const;
    double End() const { return FEnd; }

private:
    void Append(double Duration, bool Level);
    std::vector<double> FEdges;  // start of each run
    std::vector<bool> FLevels;   // level of each run
    double FEnd = 0;
};

struct TUartRead {
    std::string Bytes;
    bool LineErrors = false; // a framing or parity error, or a break
};

// Reads the line from From to To at Rate; ReportsErrors false models an
// adapter that never sets the line-error flags.
TUartRead ReadLine(const TLine& Line, double From, double To, int Rate, const TUartFrame& Frame, bool ReportsErrors);
