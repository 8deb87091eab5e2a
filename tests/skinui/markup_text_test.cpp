#include <gtest/gtest.h>

#include <string>

#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"
#include "tests/skinui/skin_test_support.h"

using SkinTest::Dib;
using SkinUI::CRenderer;

namespace {

constexpr DWORD kSentinel = 0xFF123456;

int CountColor(const Dib& dib, DWORD rgb) {
    int n = 0;
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            n += dib.Rgb(x, y) == rgb ? 1 : 0;
        }
    }
    return n;
}

bool Untouched(const Dib& dib) {
    return CountColor(dib, kSentinel & 0xFFFFFF) == dib.width() * dib.height();
}

RECT Measure(SkinUI::CUIManager& manager, const wchar_t* text, UINT style = DT_SINGLELINE) {
    Dib dib(8, 8, kSentinel);
    RECT rect = {0, 0, 400, 100};
    int links = 0;
    CRenderer::PaintMarkupText(dib.dc(), &manager, rect, text, 0xFF000000, nullptr, nullptr, links,
                               style | DT_CALCRECT);
    return rect;
}

}  // namespace

TEST(MarkupText, LinkDrawsInItsColourAndRecordsOneRectangle) {
    SkinUI::CUIManager manager;
    Dib dib(300, 40, kSentinel);
    RECT rect = {0, 0, 300, 40};
    RECT links[4] = {};
    std::wstring texts[4];
    int count = 4;
    CRenderer::PaintMarkupText(dib.dc(), &manager, rect,
                               L"{u}{a}{c #0080ff}complete package{/c}{/a}{/u}", 0xFF000000, links,
                               texts, count, DT_SINGLELINE);
    EXPECT_EQ(count, 1);
    EXPECT_GT(links[0].right - links[0].left, 40);
    EXPECT_GT(links[0].bottom - links[0].top, 5);
    EXPECT_EQ(texts[0], L"");
    EXPECT_GT(CountColor(dib, 0x0080FF), 20);
    EXPECT_EQ(CountColor(dib, 0x0000FF), 0);  // not the plain link colour
    // Only inside the link rectangle.
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (dib.Rgb(x, y) == 0x0080FF) {
                POINT p = {x, y};
                ASSERT_TRUE(PtInRect(&links[0], p)) << x << "," << y;
            }
        }
    }
}

TEST(MarkupText, CalcRectMeasuresWithoutDrawing) {
    SkinUI::CUIManager manager;
    Dib dib(300, 100, kSentinel);
    RECT rect = {10, 10, 300, 100};
    int count = 0;
    CRenderer::PaintMarkupText(dib.dc(), &manager, rect, L"{b}bold{/b} and plain", 0xFF000000,
                               nullptr, nullptr, count, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_TRUE(Untouched(dib));
    EXPECT_EQ(rect.left, 10);
    EXPECT_GT(rect.right, 40);
    EXPECT_LT(rect.right, 300);
    EXPECT_GT(rect.bottom, 15);
    EXPECT_LT(rect.bottom, 60);
    // Bold text is wider than the same text plain.
    EXPECT_GT(Measure(manager, L"{b}wide words{/b}").right, Measure(manager, L"wide words").right);
}

TEST(MarkupText, EscapedBracketsPrint) {
    SkinUI::CUIManager manager;
    const RECT escaped = Measure(manager, L"a<{>b{<}c");
    const RECT plain = Measure(manager, L"a{b<c");
    EXPECT_EQ(escaped.right, plain.right);
    EXPECT_GT(escaped.right, Measure(manager, L"abc").right);
    // A bracket that starts no tag prints as itself.
    EXPECT_GT(Measure(manager, L"{Z}").right, Measure(manager, L"Z").right);
}

TEST(MarkupText, WrapsAndBreaksLines) {
    SkinUI::CUIManager manager;
    const RECT one = Measure(manager, L"line");
    const LONG lineHeight = one.bottom - one.top;
    const RECT two = Measure(manager, L"line{n}line", 0);
    EXPECT_EQ(two.bottom - two.top, 2 * lineHeight);
    EXPECT_EQ(Measure(manager, L"line{n}line").bottom - one.top,
              lineHeight);  // {n} ignored on one line
    const RECT feed = Measure(manager, L"line\nline\nline", 0);
    EXPECT_EQ(feed.bottom - feed.top, 3 * lineHeight);

    Dib dib(60, 200, kSentinel);
    RECT rect = {0, 0, 60, 200};
    int count = 0;
    CRenderer::PaintMarkupText(dib.dc(), &manager, rect,
                               L"several words that will never fit on one line", 0xFF000000,
                               nullptr, nullptr, count, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GT(rect.bottom, 3 * lineHeight - 1);
    EXPECT_LE(rect.right, 60);
}

TEST(MarkupText, BrokenMarkupIsSafe) {
    SkinUI::CUIManager manager;
    Dib dib(120, 60, kSentinel);
    const wchar_t* texts[] = {L"{b}{c #ff0000}{a unfinished",
                              L"{/b}{/c}{/a}{/u}{/f}{/p}{/i} pops",
                              L"{f Tahoma 2000000 bold}x",
                              L"{f 99}{f -3}x",
                              L"{i nothing.png 3 9}x",
                              L"{x 99999999}{y -5}x",
                              L"<",
                              L"{",
                              L"{a",
                              L"<a href",
                              L"{r}{b}raw{/r}{p 5}{p}{/p}{s}",
                              L"{i file='missing.png' 0 -1}"};
    for (const wchar_t* text : texts) {
        RECT rect = {0, 0, 120, 60};
        RECT links[2] = {};
        std::wstring names[2];
        int count = 2;
        CRenderer::PaintMarkupText(dib.dc(), &manager, rect, text, 0xFF000000, links, names, count,
                                   DT_WORDBREAK | DT_END_ELLIPSIS);
        EXPECT_LE(count, 2) << text;
    }
    // More links than slots: only the slots are filled.
    RECT rect = {0, 0, 120, 60};
    RECT links[1] = {};
    std::wstring names[1];
    int count = 1;
    CRenderer::PaintMarkupText(dib.dc(), &manager, rect, L"{a x}1{/a}{a y}2{/a}{a z}3{/a}",
                               0xFF000000, links, names, count, DT_SINGLELINE);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(names[0], L"x");
}

TEST(MarkupText, CentredSingleLineAndPlainText) {
    SkinUI::CUIManager manager;
    Dib dib(200, 40, kSentinel);
    RECT rect = {0, 0, 200, 40};
    int count = 0;
    CRenderer::PaintMarkupText(dib.dc(), &manager, rect, L"{c #FF00FF00}mid{/c}", 0xFF000000,
                               nullptr, nullptr, count, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    int minX = 200, maxX = -1;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (dib.Rgb(x, y) == 0x00FF00) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
    }
    ASSERT_GE(maxX, 0);
    EXPECT_NEAR((minX + maxX) / 2, 100, 6);

    Dib plain(100, 30, kSentinel);
    CRenderer::PaintPlainText(plain.dc(), &manager, RECT{0, 0, 100, 30}, L"&x", 0xFF0000FF, -1,
                              DT_SINGLELINE);
    EXPECT_GT(CountColor(plain, 0x0000FF), 2);
}
