#include "base/system/PathText.h"

#include "base/system/Cp1252.h"

namespace {

void AppendUtf8(std::string& Out, char32_t Code)
{
    if (Code < 0x80) {
        Out += static_cast<char>(Code);
    } else if (Code < 0x800) {
        Out += static_cast<char>(0xC0 | (Code >> 6));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
        Out += static_cast<char>(0xE0 | (Code >> 12));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (Code >> 18));
        Out += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    }
}

// The character at Text[At] and its length in bytes; 0 when no valid UTF-8
// sequence starts there.
size_t DecodeUtf8(const std::string& Text, size_t At, char32_t& Code)
{
    const auto byte = [&](size_t I) { return static_cast<unsigned char>(Text[I]); };
    const unsigned char first = byte(At);
    if (first < 0x80) {
        Code = first;
        return 1;
    }
    const size_t length = first >= 0xF0 && first < 0xF5 ? 4 : first >= 0xE0 ? 3 : first >= 0xC2 ? 2 : 0;
    if (length == 0 || At + length > Text.size() || (length == 3 && first >= 0xF0))
        return 0;
    char32_t code = first & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(At + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(At + i) & 0x3F);
    }
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    Code = code;
    return length;
}

char Cp1252Byte(char32_t Code)
{
    if (Code < 0x80 || (Code >= 0xA0 && Code <= 0xFF))
        return static_cast<char>(Code);
    for (unsigned byte = 0x80; byte < 0xA0; ++byte)
        if (Cp1252ToUnicode(static_cast<unsigned char>(byte)) == Code)
            return static_cast<char>(byte);
    return '?';
}

} // namespace

std::string Utf8FromCp1252(const std::string& Text)
{
    std::string out;
    for (unsigned char byte : Text)
        AppendUtf8(out, Cp1252ToUnicode(byte));
    return out;
}

std::string Cp1252FromUtf8(const std::string& Text)
{
    std::string out;
    for (size_t i = 0; i < Text.size();) {
        char32_t code = 0;
        const size_t length = DecodeUtf8(Text, i, code);
        out += length ? Cp1252Byte(code) : Text[i];
        i += length ? length : 1;
    }
    return out;
}

std::u16string Utf16FromUtf8(const std::string& Text)
{
    std::u16string out;
    for (size_t i = 0; i < Text.size();) {
        char32_t code = 0;
        size_t length = DecodeUtf8(Text, i, code);
        if (length == 0) { // not UTF-8: the byte as Windows-1252
            code = Cp1252ToUnicode(static_cast<unsigned char>(Text[i]));
            length = 1;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += length;
    }
    return out;
}

std::string Utf8FromUtf16(const std::u16string& Text)
{
    std::string out;
    for (size_t i = 0; i < Text.size(); ++i) {
        char32_t code = Text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 && Text[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (Text[++i] - 0xDC00);
        AppendUtf8(out, code);
    }
    return out;
}
