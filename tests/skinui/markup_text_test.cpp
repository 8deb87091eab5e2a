#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "skinui/controls/controls.h"
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

TEST(MarkupText, RawTextEndsAtItsClosingTag) {
    SkinUI::CUIManager manager;
    // Inside raw text tags print as they are ("<{>" and "<}>" print braces).
    const LONG raw = Measure(manager, L"{r}{b}x{/b}{/r}").right;
    EXPECT_EQ(raw, Measure(manager, L"<{>b<}>x<{>/b<}>").right);
    EXPECT_GT(raw, Measure(manager, L"x").right);
    // After the closing tag, in either bracket form, tags work again.
    EXPECT_EQ(Measure(manager, L"{r}a{/r}{b}b{/b}").right, Measure(manager, L"a{b}b{/b}").right);
    EXPECT_EQ(Measure(manager, L"<r>{c #ff0000}</r>x").right,
              Measure(manager, L"<{>c #ff0000<}>x").right);
    // Raw text drawn: the closing tag and what follows it are not printed as text.
    Dib dib(300, 30, kSentinel);
    RECT rect = {0, 0, 300, 30};
    int count = 0;
    CRenderer::PaintMarkupText(dib.dc(), &manager, rect, L"{r}{/b}{/r}{c #FF00FF00}tail{/c}",
                               0xFFFF0000, nullptr, nullptr, count, DT_SINGLELINE);
    EXPECT_GT(CountColor(dib, 0x00FF00), 5);
}

TEST(MarkupText, BrokenMarkupIsSafeAndReadsAsFarAsItGoes) {
    SkinUI::CUIManager manager;
    // Each broken text measures as the markup it amounts to.
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"{b}{c #ff0000}{a unfinished", L""},  // a tag never closed takes the rest
        {L"<a href", L""},
        {L"{i file='missing.png' 0 -1}", L""},
        {L"{/b}{/c}{/a}{/u}{/f}{/p}{/i} pops", L" pops"},  // closers without openers
        {L"{f Tahoma 2000000 bold}x", L"x"},               // a font size out of range
        {L"{f 99}x", L"x"},                                // no font of that index
        {L"{i nothing.png 3 9}x", L"x"},
        {L"<", L"{<}"},  // brackets that start no tag print as themselves
        {L"{", L"<{>"},
        {L"{a", L"<{>a"},
        {L"{r}{b}raw{/r}{p 5}{p}{/p}{s}", L"<{>b<}>raw"}};
    for (const auto& [broken, same] : cases) {
        EXPECT_EQ(Measure(manager, broken).right, Measure(manager, same).right) << broken;
    }

    Dib dib(120, 60, kSentinel);
    for (const auto& [broken, same] : cases) {
        RECT rect = {0, 0, 120, 60};
        RECT links[2] = {};
        std::wstring names[2];
        int count = 2;
        CRenderer::PaintMarkupText(dib.dc(), &manager, rect, broken, 0xFF000000, links, names,
                                   count, DT_WORDBREAK | DT_END_ELLIPSIS);
        EXPECT_LE(count, 1) << broken;
    }
    // Moved far past the right edge, nothing is drawn.
    Dib offside(120, 30, kSentinel);
    RECT rect = {0, 0, 120, 30};
    int none = 0;
    CRenderer::PaintMarkupText(offside.dc(), &manager, rect, L"{x 99999999}{y -5}x", 0xFF000000,
                               nullptr, nullptr, none, DT_SINGLELINE);
    EXPECT_TRUE(Untouched(offside));

    // More links than slots: only the slots are filled.
    RECT links[1] = {};
    std::wstring names[1];
    int count = 1;
    rect = {0, 0, 120, 60};
    CRenderer::PaintMarkupText(dib.dc(), &manager, rect, L"{a x}1{/a}{a y}2{/a}{a z}3{/a}",
                               0xFF000000, links, names, count, DT_SINGLELINE);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(names[0], L"x");
}

TEST(MarkupText, HugeParagraphSpacingStaysWithinBounds) {
    SkinUI::CUIManager manager;
    // Lines taller than the rectangle: the measured text fills it, never wraps to negative.
    for (const wchar_t* text :
         {L"{p 2147483647}x", L"{p 2000000000}{p 2000000000}x", L"{p 99999999999}x"}) {
        const RECT r = Measure(manager, text, 0);
        EXPECT_EQ(r.top, 0) << text;
        EXPECT_EQ(r.bottom, 100) << text;
    }
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

TEST(MarkupText, LengthsInMarkupAndControlDefaultsGrowWithTheScale) {
    SkinUI::CUIManager at100;
    SkinUI::CUIManager at200;
    at100.SetDpi(96);
    at200.SetDpi(192);
    // {x} moves the pen and {y} sets the line height, in 100 % pixels like every layout length.
    EXPECT_EQ(20, Measure(at100, L"{x 20}a").right - Measure(at100, L"a").right);
    EXPECT_EQ(40, Measure(at200, L"{x 20}a").right - Measure(at200, L"a").right);
    EXPECT_EQ(30, Measure(at100, L"{y 30}a", 0).bottom);
    EXPECT_EQ(60, Measure(at200, L"{y 30}a", 0).bottom);
    // {p} spaces the lines of a paragraph.
    const auto spacing = [](SkinUI::CUIManager& m) {
        return Measure(m, L"{p 9}a{n}b{/p}", 0).bottom - Measure(m, L"a{n}b", 0).bottom;
    };
    EXPECT_EQ(2 * spacing(at100), spacing(at200));
    EXPECT_GE(spacing(at100), 9);

    // A progress bar without a height and text controls measured without one.
    for (auto* manager : {&at100, &at200}) {
        const int scale = manager == &at100 ? 1 : 2;
        SkinUI::CProgressUI bar;
        bar.SetManager(manager, nullptr, false);
        bar.ApplyScale();
        EXPECT_EQ(12 * scale, bar.GetFixedHeight());
        const int fontHeight = manager->GetFontMetrics(manager->GetDefaultFont()).tmHeight;
        SkinUI::CLabelUI label;
        SkinUI::CButtonUI button;
        SkinUI::CEditUI edit;
        const std::pair<SkinUI::CControlUI*, int> margins[] = {
            {&label, 4}, {&button, 8}, {&edit, 6}};
        for (const auto& [control, margin] : margins) {
            control->SetManager(manager, nullptr, false);
            EXPECT_EQ(fontHeight + margin * scale, control->MeasureSize(SIZE{100, 100}).cy)
                << margin << " at " << scale;
        }
    }
}
