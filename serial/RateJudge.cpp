#include "serial/RateJudge.h"

#include "serial/UnreadableFlood.h"

#include <algorithm>

namespace {

bool SequenceByte(unsigned char Byte)
{
    return (Byte >= 'a' && Byte <= 'z') || (Byte >= '0' && Byte <= '9') || Byte == ',' || Byte == '+' ||
           Byte == '-';
}

// Readable ASCII that counts as evidence: not a blank, not a line end. A
// German letter or a blank alone is what garbage often looks like.
bool AsciiEvidence(unsigned char Byte) { return Byte > 0x20 && Byte <= 0x7E; }

} // namespace

bool CompleteSequence(const std::string& Bytes)
{
    if (Bytes.size() < 2 || Bytes.front() != '\x1b' || Bytes.back() != '.')
        return false;
    return std::all_of(Bytes.begin() + 1, Bytes.end() - 1,
                       [](char c) { return SequenceByte(static_cast<unsigned char>(c)); });
}

TRateEvidence TRateJudge::AddBurst(const std::string& Bytes, bool LineErrors)
{
    if (LineErrors)
        return TRateEvidence::Wrong;
    if (Bytes.empty())
        return TRateEvidence::None;
    if (Bytes.find('\x1b') != std::string::npos) {
        // A press that sends a sequence sends it whole.
        return CompleteSequence(Bytes) ? TRateEvidence::Right : TRateEvidence::Wrong;
    }
    size_t ascii = 0;
    for (const char c : Bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!ExpectedByte(byte))
            return TRateEvidence::Wrong;
        ascii += AsciiEvidence(byte) ? 1 : 0;
    }
    if (ascii == 0)
        return TRateEvidence::None;
    if (std::find(FPresses.begin(), FPresses.end(), Bytes) == FPresses.end())
        FPresses.push_back(Bytes);
    FAscii += ascii;
    return FPresses.size() >= DistinctPresses && FAscii >= AsciiCharacters ? TRateEvidence::Right
                                                                           : TRateEvidence::None;
}

void TRateJudge::Reset()
{
    FPresses.clear();
    FAscii = 0;
}
