#include "base/settings/SettingsJournal.h"

#include <cstdio>

namespace {

// The marker begins a line of its own and reads as a comment, should
// anyone open the journal as settings.
constexpr const char* MarkerStart = "\r\n; complete: ";

std::string Marker(const std::string& Text)
{
    char line[80];
    std::snprintf(line, sizeof line, "%zu bytes, CRC-32 %08X\r\n", Text.size(), static_cast<unsigned>(Crc32(Text)));
    return MarkerStart + std::string(line);
}

} // namespace

std::string JournalName(const std::string& SettingsPath) { return SettingsPath + ".journal"; }

std::string JournalRecord(const std::string& Text) { return Text + Marker(Text); }

std::optional<std::string> CompleteJournalText(const std::string& Journal)
{
    const size_t at = Journal.rfind(MarkerStart);
    if (at == std::string::npos)
        return std::nullopt;
    std::string text = Journal.substr(0, at);
    if (Journal.compare(at, std::string::npos, Marker(text)) != 0)
        return std::nullopt;
    return text;
}

uint32_t Crc32(const std::string& Data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : Data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
