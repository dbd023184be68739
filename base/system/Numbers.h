// Small rules about numbers that several parts share.
#pragma once

#include <cstdint>
#include <string_view>

// Raises Value to Min, then lowers it to Max; true when the result equals
// Current (the setter then has nothing to do).
inline bool ClampAndCompare(int32_t& Value, int32_t Min, int32_t Max, int32_t Current)
{
    if (Value < Min)
        Value = Min;
    if (Value > Max)
        Value = Max;
    return Value == Current;
}

// An optional sign and decimal digits only, within 32 bits; false (Value
// untouched) for anything else, the empty text included.
bool ParseDecimal(std::string_view Text, int32_t& Value);

// Equal when they differ in the case of ASCII letters only.
bool SameNoCase(std::string_view A, std::string_view B);
// Below zero, zero or above zero as A sorts before, with or after B, the
// case of ASCII letters ignored.
int CompareNoCase(std::string_view A, std::string_view B);
// The ASCII letter in lower case; every other byte as it is.
inline char FoldCase(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }
