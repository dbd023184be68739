// Reads little-endian values from a copy of a data resource without ever
// stepping past its end; a damaged resource is reported once as an error
// line.
#pragma once

#include "logging/Log.h"

#include <cstdint>
#include <string>
#include <vector>

class TResourceReader {
public:
    // The damage is reported in Log.
    TResourceReader(const std::vector<uint8_t>& Bytes, TLog& Log) : FBytes(Bytes), FLog(Log) {}

    bool U32(uint32_t& Value);
    bool Peek(uint8_t& Byte) const;
    bool Skip(size_t Count);
    // A zero-terminated text; false when the zero byte is missing.
    bool Text(std::string& Value);
    // Count items of Size bytes each are still there.
    bool Fits(uint32_t Count, size_t Size) const;
    void ReportDamage(const char* What) const;

private:
    const std::vector<uint8_t>& FBytes;
    TLog& FLog;
    size_t FPosition = 0;
};
