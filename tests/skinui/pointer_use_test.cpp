// What a press is for on each kind of control (a borderless window drags by the rest): the
// answer of each class, subclasses included, and the parts of a control that take the press.
#include <gtest/gtest.h>

#include "skinui/controls/controls.h"
#include "tests/skinui/controls_host.h"

using namespace SkinUI;

namespace {

POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT Centre(const CControlUI* control) {
    return Centre(control->GetPos());
}

template <typename Control>
Control* Place(CContainerUI* parent, const wchar_t* pos) {
    auto* control = new Control();
    control->SetAttribute(L"float", L"true");
    control->SetAttribute(L"pos", pos);
    parent->Add(control);
    return control;
}

}  // namespace

TEST(PointerUse, ControlsThatTakeThePressTextAndTheRest) {
    auto* root = new CVerticalLayoutUI();
    auto* label = Place<CLabelUI>(root, L"0,0,80,20");
    label->SetText(L"Folder:");
    auto* button = Place<CButtonUI>(root, L"100,0,180,20");
    auto* option = Place<COptionUI>(root, L"200,0,220,20");
    auto* check = Place<CCheckBoxUI>(root, L"240,0,260,20");
    auto* edit = Place<CEditUI>(root, L"0,40,80,60");
    auto* progress = Place<CProgressUI>(root, L"100,40,300,60");
    progress->SetText(L"50 %");  // a label underneath, but a bar to the user
    CtlTest::Attach(root);

    EXPECT_EQ(PointerUse::Text, label->PointerUseAt(Centre(label)));
    for (CControlUI* own : {static_cast<CControlUI*>(button), static_cast<CControlUI*>(option),
                            static_cast<CControlUI*>(check), static_cast<CControlUI*>(edit)}) {
        EXPECT_EQ(PointerUse::Control, own->PointerUseAt(Centre(own))) << own->GetClassName();
    }
    EXPECT_EQ(PointerUse::Background, progress->PointerUseAt(Centre(progress)));
    EXPECT_EQ(PointerUse::Background, root->PointerUseAt({350, 200}));
    CtlTest::Detach();
}

TEST(PointerUse, TextTakesThePressOnItsLinksOnly) {
    auto* root = new CVerticalLayoutUI();
    auto* text = Place<CTextUI>(root, L"0,0,300,60");
    text->SetAttribute(L"showhtml", L"true");
    text->SetText(L"Read {a first}one{/a} and {a second}two{/a}");
    CtlTest::Attach(root);
    ASSERT_EQ(2, text->GetLinkCount());
    EXPECT_EQ(PointerUse::Control, text->PointerUseAt(Centre(text->GetLinkRect(0))));
    EXPECT_EQ(PointerUse::Control, text->PointerUseAt(Centre(text->GetLinkRect(1))));
    EXPECT_EQ(PointerUse::Text, text->PointerUseAt({295, 55}));
    CtlTest::Detach();
}

TEST(PointerUse, SeparatorStripTakesThePressWhileItWorks) {
    auto* root = new CVerticalLayoutUI();
    auto* panel = new CVerticalLayoutUI();
    panel->SetAttribute(L"height", L"100");
    panel->SetAttribute(L"sepheight", L"4");
    root->Add(panel);
    CtlTest::Attach(root);
    const RECT r = panel->GetPos();
    const POINT strip = {(r.left + r.right) / 2, r.bottom - 2};
    EXPECT_EQ(PointerUse::Control, panel->PointerUseAt(strip));
    EXPECT_EQ(PointerUse::Background, panel->PointerUseAt({strip.x, r.bottom - 10}));
    panel->SetEnabled(false);  // a disabled strip resizes nothing
    EXPECT_EQ(PointerUse::Background, panel->PointerUseAt(strip));
    CtlTest::Detach();
}
