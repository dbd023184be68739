// A UTF-8 path for the wide API, and back.
#pragma once

#include "base/system/PathText.h"

#include <string>

inline std::wstring WidePath(const std::string& Path)
{
    const std::u16string wide = Utf16FromUtf8(Path);
    return std::wstring(wide.begin(), wide.end());
}

inline std::string PathFromWide(const wchar_t* Path)
{
    const std::wstring wide(Path ? Path : L"");
    return Utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}
