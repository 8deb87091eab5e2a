// Progress bar arithmetic and painting; label alignment and effect text.
#include <gtest/gtest.h>

#include <climits>

#include "skinui/controls/controls.h"
#include "tests/skinui/controls_host.h"
#include "tests/skinui/skin_test_support.h"

using namespace SkinUI;
using CtlTest::Host;

namespace {

void PaintAll(SkinTest::Dib& dib) {
    Host().manager.LayoutIfNeeded();
    Host().manager.PaintTree(dib.dc(), dib.rect());
}

}  // namespace

TEST(Progress, PartAndModifierFollowTheValue) {
    RECT part = ProgressPart(true, 534, 20, 0, 100, 35);
    EXPECT_EQ(part.right, 186);
    EXPECT_EQ(ProgressModifier(part, true), L"dest='0,0,186,20'");
    EXPECT_EQ(ProgressModifier(part, false), L"dest='0,0,186,20' source='0,0,186,20'");
    EXPECT_EQ(ProgressPart(true, 534, 20, 0, 100, 150).right, 534);
    EXPECT_EQ(ProgressPart(true, 534, 20, 0, 100, -7).right, 0);
    RECT vertical = ProgressPart(false, 20, 200, 0, 100, 25);
    EXPECT_EQ(vertical.top, 150);
    EXPECT_EQ(vertical.bottom, 200);
    // Extreme ranges neither overflow nor divide by zero.
    EXPECT_EQ(ProgressPart(true, 534, 20, INT_MIN, INT_MAX, INT_MAX).right, 534);
    EXPECT_EQ(ProgressPart(true, 534, 20, INT_MAX, INT_MAX, INT_MAX).right, 0);
    EXPECT_EQ(ProgressPart(true, 534, 20, 5, 5, 5).right, 0);
}

TEST(Progress, PaintsTheForeImageOverItsPart) {
    auto* root = new CVerticalLayoutUI();
    auto* bar = new CProgressUI();
    root->Add(bar);
    bar->SetAttribute(L"float", L"true");
    bar->SetAttribute(L"pos", L"10,10,544,30");
    const std::wstring fore =
        SkinTest::WritePngFile(L"bar_fore.png", 4, 4, [](int, int) { return 0xFF00C000; });
    bar->SetAttribute(L"foreimage", (L"file='" + fore + L"'").c_str());
    bar->SetAttribute(L"min", L"0");
    bar->SetAttribute(L"max", L"100");
    bar->SetAttribute(L"value", L"35");
    CtlTest::Attach(root);
    SkinTest::Dib dib(CtlTest::HostWindow::kWidth, CtlTest::HostWindow::kHeight);
    PaintAll(dib);
    EXPECT_EQ(bar->GetLastModifier(), L"dest='0,0,186,20'");
    EXPECT_EQ(dib.Rgb(10 + 185, 20), 0x00C000u);
    EXPECT_NE(dib.Rgb(10 + 187, 20), 0x00C000u);

    bar->SetValue(150);
    PaintAll(dib);
    EXPECT_EQ(bar->GetLastModifier(), L"dest='0,0,534,20'");

    bar->SetAttribute(L"min", L"5");
    bar->SetAttribute(L"max", L"5");
    PaintAll(dib);
    EXPECT_EQ(bar->GetMaxValue(), 6);
    CtlTest::Detach();
}

TEST(Label, AlignWords) {
    LabelAlignment start{DT_VCENTER, kAlignNear, kAlignCenter};
    LabelAlignment v = ApplyAlignWords(L"vcenter", start);
    EXPECT_EQ(v.style & (DT_CENTER | DT_VCENTER), static_cast<UINT>(DT_CENTER | DT_VCENTER));
    EXPECT_EQ(v.horizontal, kAlignCenter);
    LabelAlignment rb = ApplyAlignWords(L"right bottom", start);
    EXPECT_EQ(rb.style & (DT_RIGHT | DT_BOTTOM | DT_VCENTER | DT_CENTER),
              static_cast<UINT>(DT_RIGHT | DT_BOTTOM));
    EXPECT_EQ(rb.vertical, kAlignFar);
}

TEST(Label, VCenterCentresTheTextHorizontallyToo) {
    auto* root = new CVerticalLayoutUI();
    root->SetBkColor(0xFFFFFFFF);
    auto* label = new CLabelUI();
    root->Add(label);
    label->SetAttribute(L"float", L"true");
    label->SetAttribute(L"pos", L"0,0,300,40");
    label->SetAttribute(L"textcolor", L"#FF000000");
    label->SetAttribute(L"text", L"IIII");
    label->SetAttribute(L"align", L"vcenter");
    CtlTest::Attach(root);
    SkinTest::Dib dib(CtlTest::HostWindow::kWidth, CtlTest::HostWindow::kHeight);
    PaintAll(dib);
    int left = 300, right = -1, top = 40, bottom = -1;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (dib.Rgb(x, y) != 0xFFFFFF) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, left);
    EXPECT_NEAR((left + right) / 2.0, 150, 4);
    EXPECT_NEAR((top + bottom) / 2.0, 20, 4);
    CtlTest::Detach();
}

TEST(Label, EffectModeDrawsItsOwnText) {
    auto* root = new CVerticalLayoutUI();
    root->SetBkColor(0xFFFFFFFF);
    auto* label = new CLabelUI();
    root->Add(label);
    label->SetAttribute(L"float", L"true");
    label->SetAttribute(L"pos", L"0,0,300,40");
    label->SetAttribute(L"textcolor", L"#FF0000FF");
    label->SetAttribute(L"enabledeffect", L"true");
    label->SetAttribute(L"enabledstroke", L"true");
    label->SetAttribute(L"strokecolor", L"#FFFF0000");
    label->SetAttribute(L"shadowoffset", L"3,500");
    label->SetText(L"Effect");
    EXPECT_EQ(label->GetText(), L"Effect");
    EXPECT_EQ(label->CControlUI::GetText(), L"");
    CtlTest::Attach(root);
    SkinTest::Dib dib(CtlTest::HostWindow::kWidth, CtlTest::HostWindow::kHeight);
    PaintAll(dib);
    int inked = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 300; ++x) {
            inked += dib.Rgb(x, y) != 0xFFFFFF;
        }
    }
    EXPECT_GT(inked, 20);
    CtlTest::Detach();
}

TEST(Text, MarkedUpLinksAreClickable) {
    auto* root = new CVerticalLayoutUI();
    auto* text = new CTextUI();
    root->Add(text);
    text->SetAttribute(L"float", L"true");
    text->SetAttribute(L"pos", L"0,0,300,60");
    text->SetAttribute(L"showhtml", L"true");
    text->SetText(L"Read {a first}one{/a} and {a second}two{/a}");
    CtlTest::Attach(root);
    ASSERT_EQ(text->GetLinkCount(), 2);
    EXPECT_EQ(text->GetLinkContent(1), L"second");
    EXPECT_EQ(text->GetInputFlags(), static_cast<unsigned>(UIFLAG_SETCURSOR));
    const RECT link = text->GetLinkRect(1);
    const int x = (link.left + link.right) / 2;
    const int y = (link.top + link.bottom) / 2;
    CtlTest::MouseMove(x, y);
    EXPECT_EQ(text->GetHoveredLink(), 1);
    CtlTest::Click(x, y);
    int links = 0;
    for (const CtlTest::Note& note : Host().notes) {
        if (note.type == L"link") {
            ++links;
            EXPECT_EQ(note.wParam, 1u);
        }
    }
    EXPECT_EQ(links, 1);
    // Away from the links a click sends nothing.
    CtlTest::Click(295, 55);
    EXPECT_EQ(Host().Count(L"link"), 1);
    CtlTest::Detach();
}
