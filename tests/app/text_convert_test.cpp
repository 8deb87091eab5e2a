#include "app/text_convert.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(TextConvert, WideToAnsiUsesTheCodePageAndBytesRoundTripUnitByUnit) {
    EXPECT_EQ("C:\\Program Files\\Velmora", WideToAnsi(L"C:\\Program Files\\Velmora"));
    if (GetACP() == 1252) {  // e-acute is one byte in the Western code page
        EXPECT_EQ("caf\xE9", WideToAnsi(L"caf\u00e9"));
    }
    EXPECT_EQ("", WideToAnsi(L""));
    EXPECT_EQ(L"http://www.velmora.example/", WidenBytes("http://www.velmora.example/"));
    EXPECT_EQ(L"\u00e9", WidenBytes("\xE9"));  // bytes widen without a code page
    EXPECT_EQ("D:\\x", NarrowUnits(L"D:\\x"));
    EXPECT_EQ(std::string(1, '\x34'), NarrowUnits(L"\u5634"));  // only the low byte stays
}

TEST(TextConvert, CodePageConversionsKeepWholeTextsAndNeverFail) {
    EXPECT_EQ(L"", Utf8ToWide(""));
    EXPECT_EQ(L"", AnsiToWide(""));
    EXPECT_EQ("", WideToUtf8(L""));
    EXPECT_EQ("", Utf8ToAnsi(""));

    // UTF-8 both ways, a character outside the Basic Multilingual Plane included.
    const std::wstring wide = L"\u5b89\u88c5 caf\u00e9 \U0001F600";
    const std::string utf8 = "\xE5\xAE\x89\xE8\xA3\x85 caf\xC3\xA9 \xF0\x9F\x98\x80";
    EXPECT_EQ(wide, Utf8ToWide(utf8));
    EXPECT_EQ(utf8, WideToUtf8(wide));

    // Embedded NULs are part of the text.
    EXPECT_EQ(std::wstring(L"a\0b", 3), Utf8ToWide(std::string("a\0b", 3)));
    EXPECT_EQ(std::wstring(L"a\0b", 3), AnsiToWide(std::string("a\0b", 3)));

    // An invalid byte costs itself only: the text around it survives.
    const std::wstring broken = Utf8ToWide(
        "ab\xFF"
        "cd");
    ASSERT_GE(broken.size(), 4u);
    EXPECT_EQ(L"ab", broken.substr(0, 2));
    EXPECT_EQ(L"cd", broken.substr(broken.size() - 2));
    EXPECT_EQ(std::wstring::npos, broken.find(L'\u00ff'));

    if (GetACP() == 1252) {
        EXPECT_EQ(L"caf\u00e9", AnsiToWide("caf\xE9"));
        EXPECT_EQ("caf\xE9", Utf8ToAnsi("caf\xC3\xA9"));
        // Characters the code page lacks become its default character.
        EXPECT_EQ("?", WideToAnsi(L"\u5b89"));
        EXPECT_EQ("x?y", Utf8ToAnsi("x\xE5\xAE\x89y"));
    } else if (GetACP() == 936) {
        EXPECT_EQ("\xB0\xB2", Utf8ToAnsi("\xE5\xAE\x89"));
        EXPECT_EQ(L"\u5b89", AnsiToWide("\xB0\xB2"));
    }
}
