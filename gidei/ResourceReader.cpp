#include "gidei/ResourceReader.h"


#include <cstring>

bool TResourceReader::U32(uint32_t& Value)
{
    if (!Fits(1, 4))
        return false;
    Value = static_cast<uint32_t>(FBytes[FPosition]) | static_cast<uint32_t>(FBytes[FPosition + 1]) << 8 |
            static_cast<uint32_t>(FBytes[FPosition + 2]) << 16 | static_cast<uint32_t>(FBytes[FPosition + 3]) << 24;
    FPosition += 4;
    return true;
}

bool TResourceReader::Peek(uint8_t& Byte) const
{
    if (FPosition >= FBytes.size())
        return false;
    Byte = FBytes[FPosition];
    return true;
}

bool TResourceReader::Skip(size_t Count)
{
    if (Count > FBytes.size() - FPosition)
        return false;
    FPosition += Count;
    return true;
}

bool TResourceReader::Text(std::string& Value)
{
    const void* end = std::memchr(FBytes.data() + FPosition, 0, FBytes.size() - FPosition);
    if (!end)
        return false;
    const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(end) - (FBytes.data() + FPosition));
    Value.assign(reinterpret_cast<const char*>(FBytes.data() + FPosition), length);
    FPosition += length + 1;
    return true;
}

bool TResourceReader::Fits(uint32_t Count, size_t Size) const
{
    return static_cast<uint64_t>(Count) * Size <= FBytes.size() - FPosition;
}

void TResourceReader::ReportDamage(const char* What) const
{
    FLog.Log(lkError, std::string(What) + " resource damaged at byte " + std::to_string(FPosition));
}
