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
