#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "skinui/core/ui_settings.h"
#include "skinui/core/xml_document.h"
#include "tests/support/temp_dir.h"

using SkinUI::CXmlDocument;
using SkinUI::CXmlNode;

namespace {

const char kLayout[] =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<Window size=\"586,431\" caption=\"0,0,0,40\" roundcorner=\"5,5\">\n"
    "  <Font name=\"Tahoma\" size=\"12\" default=\"true\" />\n"
    "  <!-- the page stack -->\n"
    "  <VerticalLayout bkimage=\"res='151' restype='png' corner='15,8,15,8'\">\n"
    "    <HorizontalLayout height=\"30\">\n"
    "      <Button name=\"closebtn\" float=\"true\" pos=\"522,10,0,0\" width=\"26\" "
    "height=\"26\"/>\n"
    "    </HorizontalLayout>\n"
    "    <TabLayout name=\"switch\">\n"
    "      <VerticalLayout><Text text=\"I agree to the {u}{a}terms{/a}{/u} &amp; "
    "more\"/></VerticalLayout>\n"
    "      <VerticalLayout><Progress name=\"progress\" value=\"0\"/></VerticalLayout>\n"
    "    </TabLayout>\n"
    "  </VerticalLayout>\n"
    "</Window>\n";

std::wstring Attr(const CXmlNode& node, const wchar_t* name) {
    wchar_t buffer[256] = {};
    return node.FindAttribute(name, buffer, 256) ? buffer : L"<none>";
}

std::wstring LoadFails(const wchar_t* text) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadText(text)) << "should fail";
    EXPECT_FALSE(doc.Root().IsValid());
    return doc.ErrorMessage();
}

}  // namespace

TEST(XmlDocument, ParsesALayoutWithBomCommentsAndDeclaration) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadBytes(kLayout, sizeof kLayout - 1))
        << std::string(doc.ErrorMessage(), doc.ErrorMessage() + 0);
    CXmlNode window = doc.Root();
    ASSERT_TRUE(window.IsValid());
    EXPECT_STREQ(window.Name(), L"Window");
    EXPECT_EQ(window.AttributeCount(), 3);
    EXPECT_EQ(Attr(window, L"size"), L"586,431");
    EXPECT_EQ(Attr(window, L"roundcorner"), L"5,5");
    CXmlNode font = window.FirstChild();
    EXPECT_STREQ(font.Name(), L"Font");
    CXmlNode layout = font.NextSibling();
    EXPECT_STREQ(layout.Name(), L"VerticalLayout");
    EXPECT_EQ(Attr(layout, L"bkimage"), L"res='151' restype='png' corner='15,8,15,8'");
    CXmlNode strip = layout.FirstChild();
    CXmlNode button = strip.FirstChild();
    EXPECT_STREQ(button.Name(), L"Button");
    EXPECT_EQ(Attr(button, L"pos"), L"522,10,0,0");
    EXPECT_EQ(Attr(button, L"height"), L"26");
    EXPECT_FALSE(button.HasChildren());
    CXmlNode tabs = strip.NextSibling();
    EXPECT_EQ(Attr(tabs, L"name"), L"switch");
    CXmlNode text = tabs.FirstChild().FirstChild();
    EXPECT_EQ(Attr(text, L"text"), L"I agree to the {u}{a}terms{/a}{/u} & more");
    EXPECT_FALSE(tabs.NextSibling().IsValid());

    // The same bytes without the byte order mark parse the same.
    CXmlDocument plain;
    ASSERT_TRUE(plain.LoadBytes(kLayout + 3, sizeof kLayout - 4));
    EXPECT_STREQ(plain.Root().Name(), L"Window");
}

TEST(XmlDocument, EmptyElementsWithAndWithoutBlank) {
    for (const wchar_t* text : {L"<Window size=\"1,2\"/>", L"<Window size=\"1,2\" />"}) {
        CXmlDocument doc(text);
        CXmlNode root = doc.Root();
        ASSERT_TRUE(root.IsValid()) << doc.ErrorMessage();
        EXPECT_STREQ(root.Name(), L"Window");
        EXPECT_EQ(root.AttributeCount(), 1);
        EXPECT_STREQ(root.AttributeName(0), L"size");
        EXPECT_STREQ(root.AttributeValue(0), L"1,2");
        EXPECT_STREQ(root.AttributeName(1), L"");
        EXPECT_STREQ(root.AttributeValue(-1), L"");
        EXPECT_FALSE(root.HasChildren());
    }
}

TEST(XmlDocument, EntitiesDecodeAndLaterAttributesStillFound) {
    CXmlDocument doc(
        L"<A one=\"say &quot;hi&quot; &amp; go\" two=\"&xyz; &#65; &lt;&gt;&apos;\" three=\"3\" "
        L"four=\"&AMP;\"/>");
    CXmlNode a = doc.Root();
    ASSERT_TRUE(a.IsValid()) << doc.ErrorMessage();
    ASSERT_EQ(a.AttributeCount(), 4);
    EXPECT_STREQ(a.AttributeValue(0), L"say \"hi\" & go");
    EXPECT_STREQ(a.AttributeValue(1), L"&xyz; &#65; <>'");
    EXPECT_STREQ(a.AttributeName(2), L"three");
    EXPECT_STREQ(a.AttributeValue(2), L"3");
    EXPECT_STREQ(a.AttributeValue(3), L"&AMP;");
}

TEST(XmlDocument, CommentsEndAtDashArrowAndFirstElementMayStayOpen) {
    CXmlDocument doc(L"<!-- a - b -> <Root x=\"1\"><!-- inner --><Child/><?pi stuff?><Child2/>");
    CXmlNode root = doc.Root();
    ASSERT_TRUE(root.IsValid()) << doc.ErrorMessage();
    EXPECT_STREQ(root.Name(), L"Root");
    EXPECT_STREQ(root.FirstChild().Name(), L"Child");
    EXPECT_STREQ(root.FirstChild().NextSibling().Name(), L"Child2");
}

TEST(XmlDocument, ElementsLeftOpenAtTheEndKeepTheirOwnNames) {
    CXmlDocument doc(L"<Window><Label/>");
    CXmlNode root = doc.Root();
    ASSERT_TRUE(root.IsValid()) << doc.ErrorMessage();
    EXPECT_STREQ(root.Name(), L"Window");
    EXPECT_EQ(root.AttributeCount(), 0);
    EXPECT_STREQ(root.FirstChild().Name(), L"Label");

    CXmlDocument data(L"<Window><Page>some text");
    ASSERT_TRUE(data.Root().IsValid()) << data.ErrorMessage();
    EXPECT_STREQ(data.Root().Name(), L"Window");
    EXPECT_STREQ(data.Root().FirstChild().Name(), L"Page");
    EXPECT_FALSE(data.Root().FirstChild().HasAttributes());

    // Deeper down an open element is an error, as before.
    EXPECT_EQ(LoadFails(L"<Window><Page><Label/>"), L"Expected start tag");
    EXPECT_EQ(LoadFails(L"<Window><Page><Label>"), L"Expected end-tag start");
}

TEST(XmlDocument, ErrorTexts) {
    EXPECT_EQ(LoadFails(L"<A><B></C></A>"), L"Unmatched closing tag");
    EXPECT_EQ(LoadFails(L"<A><B></B x></A>"), L"Unmatched closing tag");
    EXPECT_EQ(LoadFails(L"<A><B/>text</A>"), L"Expected start tag");
    EXPECT_EQ(LoadFails(L"text"), L"Expected start tag");
    EXPECT_EQ(LoadFails(L"<A><B><C/>"), L"Expected start tag");
    EXPECT_EQ(LoadFails(L"<A><B><C>"), L"Expected end-tag start");
    EXPECT_EQ(LoadFails(L"<Abc"), L"Error parsing element name");
    EXPECT_EQ(LoadFails(L"<A x=\"1\" ]>"), L"Error while parsing attributes");
    EXPECT_EQ(LoadFails(L"<A x=\"1\"/ >"), L"Expected start-tag closing");
    EXPECT_EQ(LoadFails(L"<A x>"), L"Error while parsing attributes");
    EXPECT_EQ(LoadFails(L"<A x='1'/>"), L"Expected attribute value");
    EXPECT_EQ(LoadFails(L"<A x=\"1"), L"Error while parsing attribute string");

    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadText(L"<A><B></C></A>"));
    EXPECT_STREQ(doc.ErrorLocation(), L"C></A>");
}

TEST(XmlDocument, SeventyAttributesShowTheFirst64) {
    std::wstring text = L"<A";
    for (int i = 0; i < 70; ++i) {
        text += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
    }
    text += L"/>";
    CXmlDocument doc(text.c_str());
    CXmlNode a = doc.Root();
    ASSERT_TRUE(a.IsValid()) << doc.ErrorMessage();
    EXPECT_EQ(a.AttributeCount(), 64);
    EXPECT_STREQ(a.AttributeValue(63), L"63");
    EXPECT_EQ(Attr(a, L"a64"), L"<none>");
}

TEST(XmlDocument, NoElementMeansNoRoot) {
    CXmlDocument doc;
    EXPECT_TRUE(doc.LoadText(L"  <!-- only a comment -->  "));
    EXPECT_FALSE(doc.Root().IsValid());
    EXPECT_TRUE(doc.LoadText(L""));
    EXPECT_FALSE(doc.Root().IsValid());
}

TEST(XmlDocument, FindAttributeNeverWritesPastTheBuffer) {
    CXmlDocument doc(L"<A long=\"0123456789\"/>");
    wchar_t buffer[6];
    for (wchar_t& c : buffer) {
        c = L'#';
    }
    ASSERT_TRUE(doc.Root().FindAttribute(L"long", buffer, 4));
    EXPECT_STREQ(buffer, L"012");
    EXPECT_EQ(buffer[4], L'#');
    EXPECT_FALSE(doc.Root().FindAttribute(L"Long", buffer, 4));
}

TEST(XmlDocument, Encodings) {
    // UTF-16 with either byte order mark.
    const unsigned char le[] = {0xFF, 0xFE, '<', 0, 'A', 0, '/', 0, '>', 0};
    const unsigned char be[] = {0xFE, 0xFF, 0, '<', 0, 'B', 0, '/', 0, '>'};
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadBytes(le, sizeof le, SkinUI::XMLFILE_ENCODING_UNICODE));
    EXPECT_STREQ(doc.Root().Name(), L"A");
    ASSERT_TRUE(doc.LoadBytes(be, sizeof be, SkinUI::XMLFILE_ENCODING_UNICODE));
    EXPECT_STREQ(doc.Root().Name(), L"B");
    // Without a mark nothing is decoded: a clear failure, not an empty document.
    EXPECT_FALSE(doc.LoadBytes(le + 2, sizeof le - 2, SkinUI::XMLFILE_ENCODING_UNICODE));
    EXPECT_STREQ(doc.ErrorMessage(), L"UTF-16 text without byte order mark");
    EXPECT_FALSE(doc.LoadBytes(le, 1, SkinUI::XMLFILE_ENCODING_UNICODE));
    // ANSI code page.
    const char ansi[] = "<C t=\"x\"/>";
    ASSERT_TRUE(doc.LoadBytes(ansi, sizeof ansi - 1, SkinUI::XMLFILE_ENCODING_ASNI));
    EXPECT_STREQ(doc.Root().Name(), L"C");
    // UTF-8 text.
    const char utf8[] = "<D t=\"\xE4\xB8\xAD\"/>";
    ASSERT_TRUE(doc.LoadBytes(utf8, sizeof utf8 - 1));
    EXPECT_STREQ(doc.Root().AttributeValue(0), L"\x4E2D");
}

TEST(XmlDocument, LoadFileLimitsAndMessages) {
    TempDir dir("xmlfiles");
    WriteFileBytes(dir.file("ok.xml"), "<Window/>");
    WriteFileBytes(dir.file("empty.xml"), "");
    WriteFileBytes(dir.file("big.xml"), std::string(4 * 1024 * 1024 + 1, ' '));
    const std::string folder = dir.path() + "\\";
    auto path = [&folder](const char* name) {
        const std::string full = folder + name;
        return std::wstring(full.begin(), full.end());
    };
    CXmlDocument doc;
    EXPECT_TRUE(doc.LoadFile(path("ok.xml").c_str()));
    EXPECT_STREQ(doc.Root().Name(), L"Window");
    EXPECT_FALSE(doc.LoadFile(path("missing.xml").c_str()));
    EXPECT_STREQ(doc.ErrorMessage(), L"Error opening file");
    EXPECT_FALSE(doc.LoadFile(path("empty.xml").c_str()));
    EXPECT_STREQ(doc.ErrorMessage(), L"File is empty");
    EXPECT_FALSE(doc.LoadFile(path("big.xml").c_str()));
    EXPECT_STREQ(doc.ErrorMessage(), L"File too large");
}

TEST(XmlDocument, DeepNestingIsRefusedNotOverflowed) {
    std::wstring text;
    for (int i = 0; i < 100000; ++i) {
        text += L"<a>";
    }
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadText(text.c_str()));
    EXPECT_STREQ(doc.ErrorMessage(), L"Elements nested too deeply");
}

// Thousands of truncated and mutated copies of a real layout: each load either succeeds or
// fails with a message, and never reads or writes outside the document.
TEST(XmlDocument, FuzzedLayoutsLoadOrFailCleanly) {
    const std::string layout(kLayout, sizeof kLayout - 1);
    std::srand(1234);
    const char alphabet[] = "<>/=\"'&;!?- \tabz:_\x00";
    int loaded = 0;
    int failed = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string bytes = layout;
        if (round < static_cast<int>(layout.size())) {
            bytes.resize(static_cast<std::size_t>(round));
        } else {
            const int edits = 1 + std::rand() % 6;
            for (int e = 0; e < edits && !bytes.empty(); ++e) {
                const std::size_t at = static_cast<std::size_t>(std::rand()) % bytes.size();
                switch (std::rand() % 3) {
                    case 0:
                        bytes[at] = alphabet[std::rand() % (sizeof alphabet - 1)];
                        break;
                    case 1:
                        bytes.erase(at, 1 + std::rand() % 8);
                        break;
                    default:
                        bytes.insert(at, 1, alphabet[std::rand() % (sizeof alphabet - 1)]);
                        break;
                }
            }
        }
        CXmlDocument doc;
        if (doc.LoadBytes(bytes.data(), bytes.size())) {
            ++loaded;
            // Walk everything that loaded.
            std::wstring names;
            for (CXmlNode n = doc.Root(); n.IsValid(); n = n.NextSibling()) {
                names += n.Name();
                for (CXmlNode c = n.FirstChild(); c.IsValid(); c = c.NextSibling()) {
                    for (int i = 0; i < c.AttributeCount(); ++i) {
                        names += c.AttributeValue(i);
                    }
                }
            }
        } else {
            ++failed;
            EXPECT_NE(doc.ErrorMessage()[0], L'\0') << "round " << round;
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(failed, 0);
}
