// Whether the bytes of the device's key presses, read at one data rate, are
// what the device sent. At a wrong rate a byte arrives as one or more other
// bytes, most with a framing error; an adapter that reports no line errors
// still gives mostly unreadable bytes, but now and then a German letter or
// a short readable run. A rate is taken only on evidence that garbage does
// not give: a complete GIDEI sequence, or readable text from several
// different key presses.
#pragma once

#include <string>
#include <vector>

enum class TRateEvidence {
    None,  // nothing to go on yet
    Wrong, // this rate cannot be the device's
    Right, // this rate is the device's
};

// A complete GIDEI sequence: the escape byte, a command or key names in
// lowercase letters, digits, commas, '+' and '-', and the closing '.'
// ("\x1b." alone resets).
bool CompleteSequence(const std::string& Bytes);

class TRateJudge {
public:
    // Readable presses of different contents, and readable ASCII characters
    // in them, that make a rate the device's.
    static constexpr size_t DistinctPresses = 2;
    static constexpr size_t AsciiCharacters = 3;

    // One burst: what arrived for a key press, and whether the port saw a
    // framing or parity error or a break while it arrived.
    TRateEvidence AddBurst(const std::string& Bytes, bool LineErrors);
    // A new rate: what was heard before counts no more.
    void Reset();

private:
    std::vector<std::string> FPresses; // distinct readable presses
    size_t FAscii = 0;
};
