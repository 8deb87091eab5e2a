// A layout's separator strip takes the press that resizes the layout, where the rest of the
// layout is background (a borderless window drags by it).
#include <gtest/gtest.h>

#include "skinui/controls/controls.h"
#include "tests/skinui/controls_host.h"

using namespace SkinUI;

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
