#include "app/ansi_path.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// "C:\users\<name>\AppData" where <name> ends in a character whose second byte is 0x5C:
// GBK 0x95 0x5C (U+661E) in code page 936, Shift-JIS 0x95 0x5C (U+8868) in code page 932.
const std::string kProfile = "C:\\users\\x\x95\\\\AppData";
const std::vector<size_t> kProfileSeparators = {2, 8, 12};
}  // namespace

TEST(AnsiPath, TrailBytesOf0x5CAreNoSeparatorsInTheDoubleByteCodePages) {
    for (UINT codePage : {936u, 932u}) {
        SCOPED_TRACE(codePage);
        EXPECT_EQ(kProfileSeparators, AnsiPathSeparators(kProfile, codePage));
        EXPECT_EQ(12u, LastAnsiPathSeparator(kProfile, codePage));
        // A folder whose last character ends in 0x5C has no separator at its end ...
        EXPECT_FALSE(EndsWithAnsiPathSeparator("C:\\dl\\x\x95\\", codePage));
        EXPECT_EQ(5u, LastAnsiPathSeparator("C:\\dl\\x\x95\\", codePage));
        // ... and a real one after it is found.
        EXPECT_TRUE(EndsWithAnsiPathSeparator("C:\\dl\\x\x95\\\\", codePage));
        // Two such characters in a row, and one straight after a separator.
        EXPECT_EQ((std::vector<size_t>{2, 7}), AnsiPathSeparators("C:\\\x95\\\x95\\\\a", codePage));
        // A lead byte at the very end stands alone and swallows nothing.
        EXPECT_EQ(5u, NextAnsiChar("ab\\x\x95", 4, codePage));
        EXPECT_EQ(2u, LastAnsiPathSeparator("ab\\x\x95", codePage));
    }
    // The same bytes in the Western code page are two characters, the second a separator.
    EXPECT_EQ((std::vector<size_t>{2, 8, 11, 12}), AnsiPathSeparators(kProfile, 1252));
    EXPECT_TRUE(EndsWithAnsiPathSeparator("C:\\dl\\x\x95\\", 1252));
    EXPECT_EQ(std::string::npos, LastAnsiPathSeparator("", 936));
    EXPECT_FALSE(EndsWithAnsiPathSeparator("", 936));
    EXPECT_EQ(std::string::npos, LastAnsiPathSeparator("Setup.exe", 932));
}
