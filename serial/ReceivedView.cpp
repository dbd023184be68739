#include "serial/ReceivedView.h"

#include "serial/UnreadableFlood.h"

#include <array>

namespace {

constexpr std::array<const char*, 32> ControlNames{"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                                   "BS",  "TAB", "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                                   "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                                   "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

bool UndefinedInCp1252(unsigned char Byte)
{
    return Byte == 0x81 || Byte == 0x8D || Byte == 0x8F || Byte == 0x90 || Byte == 0x9D;
}

// Readable text: what a device may send, but not a bare escape byte.
bool ReadableByte(unsigned char Byte) { return Byte != 0x1B && ExpectedByte(Byte); }

std::string Named(const char* Name) { return std::string("\xab") + Name + "\xbb"; }

} // namespace

std::string ReadableUnit(const std::string& Unit)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string text;
    for (const char c : Unit) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20)
            text += Named(ControlNames[byte]);
        else if (byte == 0x7F)
            text += Named("DEL");
        else if (UndefinedInCp1252(byte))
            text += Named((std::string("x") + hex[byte >> 4] + hex[byte & 15]).c_str());
        else
            text += c;
    }
    return text;
}

TReceivedVerdict UnitVerdict(const std::string& Unit)
{
    if (Unit.empty())
        return TReceivedVerdict::Nothing;
    if (Unit.size() > 1 && Unit.front() == '\x1b' && Unit.back() == '.') {
        bool readable = true;
        for (size_t i = 1; i < Unit.size(); ++i)
            readable = readable && ReadableByte(static_cast<unsigned char>(Unit[i]));
        if (readable)
            return TReceivedVerdict::Gidei;
    }
    for (const char c : Unit)
        if (!ReadableByte(static_cast<unsigned char>(c)))
            return TReceivedVerdict::Unreadable;
    return TReceivedVerdict::Text;
}

void TReceivedView::Add(const std::string& Unit)
{
    std::lock_guard<std::mutex> lock(FMutex);
    FUnits.push_back(Unit);
    if (FUnits.size() > ShownUnits)
        FUnits.pop_front();
}

void TReceivedView::Clear()
{
    std::lock_guard<std::mutex> lock(FMutex);
    FUnits.clear();
}

std::string TReceivedView::Text() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    std::string text;
    for (const std::string& unit : FUnits)
        text += (text.empty() ? "" : " ") + ReadableUnit(unit);
    return text;
}

TReceivedVerdict TReceivedView::Verdict() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FUnits.empty() ? TReceivedVerdict::Nothing : UnitVerdict(FUnits.back());
}
