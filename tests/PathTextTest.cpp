// Paths in full Unicode beside texts in Windows-1252.
#include "base/system/PathText.h"

#include <gtest/gtest.h>

namespace {

TEST(PathText, ConversionsKeepWhatEachSideCanHold)
{
    struct TCase {
        std::string Cp1252;  // as the settings file stores it
        std::string Utf8;    // as the program holds the path
        std::u16string Wide; // as the system takes it
    };
    const TCase cases[] = {
        {"C:\\Vemu\\vemuKeys.set", "C:\\Vemu\\vemuKeys.set", u"C:\\Vemu\\vemuKeys.set"},
        {"J\xfcrgen \x80 \x96", "J\xc3\xbcrgen \xe2\x82\xac \xe2\x80\x93", u"J\u00fcrgen \u20ac \u2013"},
        {"\xdf\xe4\xf6", "\xc3\x9f\xc3\xa4\xc3\xb6", u"\u00df\u00e4\u00f6"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Utf8FromCp1252(c.Cp1252), c.Utf8) << c.Cp1252;
        EXPECT_EQ(Cp1252FromUtf8(c.Utf8), c.Cp1252) << c.Cp1252;
        EXPECT_EQ(Utf16FromUtf8(c.Utf8), c.Wide) << c.Cp1252;
        EXPECT_EQ(Utf8FromUtf16(c.Wide), c.Utf8) << c.Cp1252;
    }
}

TEST(PathText, WhatWindows1252LacksIsKeptInThePathAndAQuestionMarkInText)
{
    const std::string polish = "\xc5\x81ukasz \xc5\x9e" "ahin"; // Łukasz Şahin
    EXPECT_EQ(Utf16FromUtf8(polish), u"\u0141ukasz \u015eahin");
    EXPECT_EQ(Utf8FromUtf16(u"\u0141ukasz \u015eahin"), polish);
    EXPECT_EQ(Cp1252FromUtf8(polish), "?ukasz ?ahin");
    // Beyond the basic plane: a surrogate pair on the wide side.
    EXPECT_EQ(Utf16FromUtf8("\xf0\x9f\x98\x80"), u"\U0001F600");
    EXPECT_EQ(Utf8FromUtf16(u"\U0001F600"), "\xf0\x9f\x98\x80");
    // Bytes that are no UTF-8 are Windows-1252 already.
    EXPECT_EQ(Cp1252FromUtf8("J\xfcrgen"), "J\xfcrgen");
    EXPECT_EQ(Utf16FromUtf8("J\xfcrgen"), u"J\u00fcrgen");
    EXPECT_EQ(Utf16FromUtf8("\xed\xa0\x80"), u"\u00ed\u00a0\u20ac") << "an encoded surrogate is no UTF-8";
}

} // namespace
