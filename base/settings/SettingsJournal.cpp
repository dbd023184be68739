#include "base/settings/SettingsJournal.h"

#include <cstdio>
#include <cstring>

namespace {

// The marker begins a line of its own and reads as a comment, should
// anyone open the journal as settings.
constexpr const char* MarkerStart = "\r\n; complete: ";

std::string Marker(const std::string& Text, const std::string& Replaced)
{
    char line[120];
    std::snprintf(line, sizeof line, "%zu bytes, CRC-32 %08X, replacing %zu bytes, CRC-32 %08X\r\n", Text.size(),
                  static_cast<unsigned>(Crc32(Text)), Replaced.size(), static_cast<unsigned>(Crc32(Replaced)));
    return MarkerStart + std::string(line);
}

// The decimal number at At, of at most nine digits; nothing otherwise.
std::optional<size_t> CountAt(const std::string& Text, size_t At)
{
    size_t count = 0, digits = 0;
    for (; At < Text.size() && Text[At] >= '0' && Text[At] <= '9' && digits < 10; ++At, ++digits)
        count = count * 10 + static_cast<size_t>(Text[At] - '0');
    if (digits == 0 || digits > 9)
        return std::nullopt;
    return count;
}

size_t CommonPrefix(const std::string& A, const std::string& B)
{
    size_t length = 0;
    while (length < A.size() && length < B.size() && A[length] == B[length])
        ++length;
    return length;
}

size_t CommonSuffix(const std::string& A, const std::string& B)
{
    size_t length = 0;
    while (length < A.size() && length < B.size() && A[A.size() - 1 - length] == B[B.size() - 1 - length])
        ++length;
    return length;
}

} // namespace

std::string JournalName(const std::string& SettingsPath) { return SettingsPath + ".journal"; }

std::string JournalRecord(const std::string& Text, const std::string& Replaced)
{
    return Text + Replaced + Marker(Text, Replaced);
}

std::optional<TJournal> CompleteJournal(const std::string& Journal)
{
    const size_t at = Journal.rfind(MarkerStart);
    if (at == std::string::npos)
        return std::nullopt;
    const std::optional<size_t> length = CountAt(Journal, at + std::strlen(MarkerStart));
    if (!length || *length > at)
        return std::nullopt;
    TJournal journal{Journal.substr(0, *length), Journal.substr(*length, at - *length)};
    if (Journal.compare(at, std::string::npos, Marker(journal.Text, journal.Replaced)) != 0)
        return std::nullopt;
    return journal;
}

bool JournalFits(const TJournal& Journal, const std::string& File)
{
    const std::string& text = Journal.Text;
    const std::string& replaced = Journal.Replaced;
    if (File == replaced || File == text)
        return true;
    // A write cut off after K bytes leaves text[0, K) + replaced[K, end):
    // as long as the replaced text when K is within it, else text[0, K).
    const size_t prefix = CommonPrefix(File, text);
    if (File.size() > replaced.size())
        return prefix == File.size();
    if (File.size() < replaced.size())
        return false;
    // Some K with File[0, K) from the new text and File[K, end) from the
    // replaced one.
    return replaced.size() - CommonSuffix(File, replaced) <= prefix;
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
