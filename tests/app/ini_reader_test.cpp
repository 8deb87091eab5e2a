#include "app/ini_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

namespace {
std::string ParseError(const std::string& text) {
    std::istringstream in(text);
    try {
        IniReader reader(in);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}
}  // namespace

TEST(IniReader, EmptyInputAndTopLevelKeys) {
    std::istringstream empty("");
    IniReader none(empty);
    EXPECT_TRUE(none.top().values.empty());
    EXPECT_TRUE(none.top().sections.empty());

    std::istringstream in("x=1\r\n[full]\r\naddress=http://h/Setup.exe\r\nchecksum=abc\r\n");
    IniReader reader(in);
    EXPECT_EQ("1", reader.top().value("x"));
    EXPECT_EQ("http://h/Setup.exe", reader.top().section("full").value("address"));
    EXPECT_EQ("abc", reader.top().section("full").value("checksum"));
    EXPECT_EQ(1u, reader.top().section("full").depth);
}

TEST(IniReader, KeysAndValuesAreNotTrimmedAndKeepFurtherEquals) {
    std::istringstream in("a = b\nu=x?a=1\n");
    IniReader reader(in);
    EXPECT_EQ(" b", reader.top().values.at("a "));
    EXPECT_EQ("x?a=1", reader.top().values.at("u"));
}

TEST(IniReader, NestingFollowsBracketDepth) {
    std::istringstream in("[a]\nk=1\n[[b]]\nk=2\n[[[d]]]\n[[e]]\n[c]\nk=3\n");
    IniReader reader(in);
    IniSection& a = reader.top().section("a");
    EXPECT_EQ("1", a.value("k"));
    EXPECT_EQ("2", a.section("b").value("k"));
    EXPECT_EQ(&a, a.section("b").parent);
    EXPECT_EQ(3u, a.section("b").section("d").depth);
    EXPECT_EQ(2u, a.section("e").depth);
    EXPECT_EQ("3", reader.top().section("c").value("k"));
    EXPECT_EQ(&reader.top(), reader.top().section("c").parent);
}

TEST(IniReader, HeaderNameLosesDepthCharactersFromEachEnd) {
    std::istringstream in("[a\nk=1\n[x]]\nk=2\n");
    IniReader reader(in);
    EXPECT_EQ("1", reader.top().section("").value("k"));
    EXPECT_EQ("2", reader.top().section("x]").value("k"));
}

TEST(IniReader, FaultsNameTheLine) {
    EXPECT_EQ("no '=' found on line #3", ParseError("[a]\nk=1\nbroken\n"));
    EXPECT_EQ("section with wrong depth on line #2", ParseError("[a]\n[[[x]]]\n"));
    EXPECT_EQ("duplicate section name on the same level on line #4",
              ParseError("[a]\nk=1\n; c\n[a]\n"));
    EXPECT_EQ("duplicated key found on line #3", ParseError("[a]\nk=1\nk=2\n"));
    // Only the very first character makes a comment.
    EXPECT_EQ("no '=' found on line #1", ParseError("  # note\n"));
    // Comments and blank lines count as lines.
    EXPECT_EQ("no '=' found on line #5", ParseError("# c\n; c\n\n  \t\nbad\n"));
    // The same name under different parents is fine.
    EXPECT_EQ("", ParseError("[a]\n[[s]]\n[b]\n[[s]]\n"));
    // A header deeper than its section from the start.
    EXPECT_EQ("section with wrong depth on line #1", ParseError("[[x]]\n"));
}

TEST(IniReader, MissingLookupsInsertEmptyEntries) {
    std::istringstream in("[full]\n");
    IniReader reader(in);
    EXPECT_EQ("", reader.top().section("full").value("address"));
    EXPECT_EQ(1u, reader.top().section("full").values.count("address"));
    IniSection& missing = reader.top().section("nope");
    EXPECT_EQ(0u, missing.depth);
    EXPECT_EQ(nullptr, missing.parent);
    EXPECT_EQ(1u, reader.top().sections.count("nope"));
}

TEST(IniReader, TextInMemoryReadsLikeAStream) {
    const std::string text = "x=1\r\n[full]\r\naddress=a=b\r\n[[n]]\r\nk=v";  // no final line end
    std::istringstream in(text);
    IniReader fromStream(in);
    IniReader fromText(text);
    EXPECT_EQ(fromStream.top().values, fromText.top().values);
    EXPECT_EQ("a=b", fromText.top().section("full").value("address"));
    EXPECT_EQ("v", fromText.top().section("full").section("n").value("k"));
    try {
        IniReader bad(std::string("[a]\nk=1\n\nbroken"));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("no '=' found on line #4", e.what());
    }
    IniReader empty(std::string(""));
    EXPECT_TRUE(empty.top().values.empty());
}

TEST(IniReader, ManyHeadersDoNotExhaustTheStack) {
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "[s" + std::to_string(i) + "]\n[[c]]\nk=v\n";
    }
    std::istringstream in(text);
    IniReader reader(in);
    EXPECT_EQ(20000u, reader.top().sections.size());
    EXPECT_EQ("v", reader.top().section("s19999").section("c").value("k"));
}
