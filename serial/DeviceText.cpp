#include "serial/DeviceText.h"

#include "base/system/Text.h"

#include <algorithm>

namespace {

// Bytes that show as nothing in a list: controls, DEL, no-break space, and
// the five bytes Windows-1252 gives no character.
bool IsBlank(unsigned char C)
{
    return C <= 0x20 || C == 0x7F || C == 0x81 || C == 0x8D || C == 0x8F || C == 0x90 || C == 0x9D || C == 0xA0;
}

void TrimRight(std::string& Text)
{
    while (!Text.empty() && Text.back() == ' ')
        Text.pop_back();
}

// The " (COMn)" Windows appends to a device's name, where Text ends with
// one: where it begins; npos otherwise.
size_t AppendedPortName(const std::string& Text)
{
    const size_t open = Text.rfind('(');
    if (open == std::string::npos || Text.back() != ')' || Text.size() - open <= 5 ||
        AsciiUpper(Text.substr(open, 4)) != "(COM")
        return std::string::npos;
    const std::string digits = Text.substr(open + 4, Text.size() - open - 5);
    return std::all_of(digits.begin(), digits.end(), [](char C) { return C >= '0' && C <= '9'; }) ? open
                                                                                                  : std::string::npos;
}

} // namespace

std::string CleanDeviceText(const std::string& Raw, size_t MaxLength)
{
    std::string text;
    bool blank = false;
    for (unsigned char c : Raw) {
        if (IsBlank(c)) {
            blank = !text.empty();
            continue;
        }
        if (blank)
            text += ' ';
        blank = false;
        text += static_cast<char>(c);
        if (text.size() >= MaxLength)
            break;
    }
    if (text.size() > MaxLength)
        text.resize(MaxLength);
    TrimRight(text);
    return text;
}

std::string PortDescription(const std::string& FriendlyName)
{
    std::string text = CleanDeviceText(FriendlyName, 4 * MaxDescriptionLength);
    // The list shows the number already (and the appended one may be stale).
    const size_t appended = AppendedPortName(text);
    if (appended != std::string::npos) {
        text.resize(appended);
        TrimRight(text);
    }
    if (text.size() > MaxDescriptionLength) {
        text.resize(MaxDescriptionLength - 1);
        TrimRight(text);
        text += '\x85'; // the ellipsis of Windows-1252
    }
    return text;
}
