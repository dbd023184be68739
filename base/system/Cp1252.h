// The program's 8-bit text is Windows-1252: the bytes 0x80 to 0x9F carry
// the euro sign, typographic quotes, dashes and the like there, not the
// C1 control codes of the same values.
#pragma once

// The Unicode character of a Windows-1252 byte; the five bytes that code
// page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stay as they are,
// as Windows converts them.
char16_t Cp1252ToUnicode(unsigned char Byte);
