#include "base/files/WaveFile.h"

#include <cstdint>

namespace {

uint32_t Little(const std::string& Bytes, size_t At, size_t Size)
{
    uint32_t value = 0;
    for (size_t i = Size; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(Bytes[At + i]);
    return value;
}

constexpr uint32_t PcmTag = 1;
constexpr size_t FormatSize = 16; // tag, channels, rate, byte rate, block, bits

bool FormatIsPcm(const std::string& Bytes, size_t At, size_t Size)
{
    if (Size < FormatSize || Little(Bytes, At, 2) != PcmTag)
        return false;
    const uint32_t channels = Little(Bytes, At + 2, 2);
    const uint32_t bits = Little(Bytes, At + 14, 2);
    return channels >= 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
}

} // namespace

bool IsPlainPcmWave(const std::string& Bytes)
{
    if (Bytes.size() < 12 || Bytes.compare(0, 4, "RIFF") != 0 || Bytes.compare(8, 4, "WAVE") != 0)
        return false;
    // The RIFF size may claim less than the file holds, never more.
    const uint64_t end = uint64_t{Little(Bytes, 4, 4)} + 8;
    if (end > Bytes.size())
        return false;
    bool format = false;
    for (uint64_t at = 12; at + 8 <= end;) {
        const std::string id = Bytes.substr(static_cast<size_t>(at), 4);
        const uint64_t size = Little(Bytes, static_cast<size_t>(at) + 4, 4);
        const uint64_t body = at + 8;
        if (body + size > end)
            return false;
        if (id == "fmt ") {
            if (format || !FormatIsPcm(Bytes, static_cast<size_t>(body), static_cast<size_t>(size)))
                return false;
            format = true;
        } else if (id == "data") {
            return format;
        }
        at = body + size + (size & 1); // chunks begin on even offsets
    }
    return false;
}
