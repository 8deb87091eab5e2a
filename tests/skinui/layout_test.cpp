// Layout arithmetic of the containers, tab selection, hit testing and hostile attribute values.
#include <gtest/gtest.h>

#include "skinui/controls/controls.h"
#include "tests/skinui/controls_host.h"

using namespace SkinUI;

namespace {

CControlUI* Sized(int cx, int cy) {
    auto* c = new CControlUI();
    c->SetFixedWidth(cx);
    c->SetFixedHeight(cy);
    return c;
}

void ExpectRect(const RECT& r, LONG l, LONG t, LONG rr, LONG b) {
    EXPECT_EQ(r.left, l);
    EXPECT_EQ(r.top, t);
    EXPECT_EQ(r.right, rr);
    EXPECT_EQ(r.bottom, b);
}

IControlUI* HitProc(IControlUI* control, void*) {
    return control;
}

}  // namespace

TEST(VerticalLayout, FixedChildrenKeepTheirHeightsEvenPastTheBottom) {
    CVerticalLayoutUI layout;
    CControlUI* top = Sized(0, 46);
    CControlUI* body = Sized(0, 411);
    layout.Add(top);
    layout.Add(body);
    layout.SetPos(RECT{0, 0, 300, 431});
    ExpectRect(top->GetPos(), 0, 0, 300, 46);
    ExpectRect(body->GetPos(), 0, 46, 300, 457);
}

TEST(VerticalLayout, StretchingChildrenShareAndTheLastTakesTheRemainder) {
    CVerticalLayoutUI layout;
    CControlUI* a = Sized(0, 0);
    CControlUI* b = Sized(0, 0);
    layout.Add(a);
    layout.Add(b);
    layout.SetPos(RECT{0, 0, 10, 101});
    EXPECT_EQ(a->GetHeight(), 50);
    EXPECT_EQ(b->GetHeight(), 51);
    EXPECT_EQ(b->GetPos().bottom, 101);

    // Gaps and paddings are not counted twice: the last child still ends at the bottom.
    layout.SetChildPadding(10);
    a->SetPadding(RECT{0, 4, 0, 0});
    layout.SetPos(RECT{0, 0, 10, 101});
    EXPECT_EQ(a->GetPos().top, 4);
    EXPECT_EQ(a->GetHeight(), 43);
    EXPECT_EQ(b->GetPos().top, 57);
    EXPECT_EQ(b->GetPos().bottom, 101);
}

TEST(VerticalLayout, PaddingLiesAroundAndInsideTheChild) {
    CVerticalLayoutUI layout;
    CControlUI* a = Sized(0, 20);
    CControlUI* b = Sized(30, 10);
    a->SetPadding(RECT{3, 5, 7, 5});
    layout.Add(a);
    layout.Add(b);
    layout.SetInset(RECT{1, 2, 1, 2});
    layout.SetChildPadding(4);
    layout.SetPos(RECT{0, 0, 100, 200});
    // Left/right padding and the inset shrink the width; the bottom padding is inside.
    ExpectRect(a->GetPos(), 4, 7, 4 + 88, 7 + 25);
    // The next child starts 30 below the first's cursor, plus the gap; its own width is kept.
    ExpectRect(b->GetPos(), 1, 2 + 30 + 4, 31, 2 + 30 + 4 + 10);
}

TEST(HorizontalLayout, MirrorsTheVerticalArithmetic) {
    CHorizontalLayoutUI layout;
    CControlUI* a = Sized(46, 0);
    CControlUI* b = Sized(411, 0);
    layout.Add(a);
    layout.Add(b);
    layout.SetPos(RECT{0, 0, 431, 30});
    ExpectRect(a->GetPos(), 0, 0, 46, 30);
    ExpectRect(b->GetPos(), 46, 0, 457, 30);

    CHorizontalLayoutUI stretch;
    CControlUI* c = Sized(0, 0);
    CControlUI* d = Sized(0, 12);
    c->SetPadding(RECT{5, 2, 5, 3});
    stretch.Add(c);
    stretch.Add(d);
    stretch.SetPos(RECT{0, 0, 111, 40});
    // 111 - 10 of padding = 101, shared 50/51; the right padding lies inside the rectangle.
    ExpectRect(c->GetPos(), 5, 2, 5 + 50 + 5, 37);
    ExpectRect(d->GetPos(), 60, 0, 111, 12);
}

TEST(FloatingChildren, PlacedByPosWidthHeightAndRelativePosition) {
    CVerticalLayoutUI page;
    auto* sized = new CControlUI();
    sized->SetAttribute(L"float", L"true");
    sized->SetAttribute(L"pos", L"10,20,0,0");
    sized->SetAttribute(L"width", L"40");
    sized->SetAttribute(L"height", L"15");
    auto* bare = new CControlUI();
    bare->SetAttribute(L"float", L"true");
    bare->SetAttribute(L"pos", L"10,20,0,0");
    auto* anchored = new CControlUI();
    anchored->SetAttribute(L"float", L"true");
    anchored->SetAttribute(L"pos", L"-60,5,-10,25");
    auto* moving = new CControlUI();
    moving->SetAttribute(L"float", L"true");
    moving->SetAttribute(L"pos", L"0,0,20,20");
    moving->SetAttribute(L"relativepos", L"50,0,100,0");
    page.Add(sized);
    page.Add(bare);
    page.Add(anchored);
    page.Add(moving);
    page.SetPos(RECT{100, 50, 300, 250});
    ExpectRect(sized->GetPos(), 110, 70, 150, 85);
    ExpectRect(bare->GetPos(), 110, 70, 110, 70);
    ExpectRect(anchored->GetPos(), 240, 55, 290, 75);
    ExpectRect(moving->GetPos(), 100, 50, 120, 70);
    // The first layout only records the parent size; growing by 100 moves by half and widens.
    page.SetPos(RECT{100, 50, 400, 250});
    ExpectRect(moving->GetPos(), 150, 50, 270, 70);
}

TEST(TabLayout, ShowsOnePageAndReportsTheSelection) {
    auto* tabs = new CTabLayoutUI();
    CControlUI* pages[3];
    for (CControlUI*& page : pages) {
        page = new CVerticalLayoutUI();
        tabs->Add(page);
    }
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_TRUE(pages[0]->IsVisible());
    EXPECT_FALSE(pages[1]->IsVisible());
    EXPECT_FALSE(pages[2]->IsVisible());
    CtlTest::Attach(tabs);
    ASSERT_TRUE(tabs->SelectItem(2));
    CtlTest::Repaint();
    EXPECT_FALSE(pages[0]->IsVisible());
    EXPECT_FALSE(pages[1]->IsVisible());
    EXPECT_TRUE(pages[2]->IsVisible());
    ExpectRect(pages[2]->GetPos(), 0, 0, CtlTest::HostWindow::kWidth, CtlTest::HostWindow::kHeight);
    ASSERT_EQ(CtlTest::Host().Count(L"tabselect"), 1);
    for (const CtlTest::Note& note : CtlTest::Host().notes) {
        if (note.type == L"tabselect") {
            EXPECT_EQ(note.sender, tabs);
            EXPECT_EQ(note.wParam, 2u);
            EXPECT_EQ(note.lParam, 0);
        }
    }
    EXPECT_TRUE(tabs->SelectItem(2));
    EXPECT_FALSE(tabs->SelectItem(3));
    EXPECT_EQ(CtlTest::Host().Count(L"tabselect"), 1);
    // Removing the selected page falls back to the first one.
    EXPECT_TRUE(tabs->Remove(pages[2]));
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_TRUE(pages[0]->IsVisible());
    CtlTest::Detach();
}

TEST(Container, MouseChildOffMakesTheContainerTheHit) {
    CContainerUI box;
    CControlUI* child = Sized(0, 0);
    box.Add(child);
    box.SetPos(RECT{0, 0, 50, 50});
    POINT inside = {10, 10};
    const unsigned flags = UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST;
    EXPECT_EQ(box.FindControl(HitProc, &inside, flags), child);
    box.SetAttribute(L"mousechild", L"false");
    EXPECT_EQ(box.FindControl(HitProc, &inside, flags), &box);
    POINT outside = {60, 10};
    EXPECT_EQ(box.FindControl(HitProc, &outside, flags), nullptr);
}

TEST(Container, AChildIsHeldOnceAndByOneParent) {
    CVerticalLayoutUI a;
    CVerticalLayoutUI b;
    CControlUI* child = new CControlUI();
    EXPECT_TRUE(a.Add(child));
    EXPECT_FALSE(a.Add(child));
    EXPECT_FALSE(a.Insert(child, 0));
    EXPECT_FALSE(b.Add(child));
    EXPECT_FALSE(a.Add(nullptr));
    EXPECT_FALSE(a.Add(&a));
    EXPECT_EQ(a.Count(), 1);
    // A child that is not owned leaves cleanly and may join another container.
    a.SetOwnsChildren(false);
    EXPECT_TRUE(a.Remove(child));
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_TRUE(b.Add(child));
    EXPECT_FALSE(a.Remove(child));
}

TEST(Attributes, MalformedValuesNeitherCrashNorOverflow) {
    CVerticalLayoutUI layout;
    CControlUI* c = new CControlUI();
    layout.Add(c);
    for (const wchar_t* pos : {L"", L"abc", L"1,2", L",,,", L"5,", L"1 , 2 , 3 , 4",
                               L"99999999999999999999,0,-99999999999999999999,5"}) {
        c->SetAttribute(L"pos", pos);
    }
    c->SetAttribute(L"width", L"-5");
    EXPECT_GE(c->GetFixedWidth(), 0);
    c->SetAttribute(L"height", L"99999999999999");
    c->SetAttribute(L"padding", L"2147483647,2147483647,2147483647,2147483647");
    c->SetAttribute(L"minwidth", L"-1");
    c->SetAttribute(L"bkcolor", L"#");
    layout.SetAttribute(L"childpadding", L"2147483647");
    layout.SetAttribute(L"inset", L"-2147483647");
    layout.SetPos(RECT{0, 0, 100, 100});
    EXPECT_GE(c->GetPos().right, c->GetPos().left);
    EXPECT_GE(c->GetPos().bottom, c->GetPos().top);

    CControlUI d;
    d.SetAttributeList(L"name=\"a\" text=b visible=\"false\"");
    EXPECT_EQ(d.GetName(), L"a");
    EXPECT_EQ(d.GetText(), L"");
    EXPECT_TRUE(d.IsVisible());
    d.SetAttributeList(L"text=\"x\"  tooltip=\"t\"");
    EXPECT_EQ(d.GetText(), L"x");
    EXPECT_EQ(d.GetToolTip(), L"");
    d.SetAttributeList(L"userdata=\"never closed");
    EXPECT_EQ(d.GetUserData(), L"");
    d.SetAttributeList(L"=\"\" shortcut=\"\"");
    EXPECT_EQ(d.GetShortcut(), 0);
}

TEST(Container, ClassNames) {
    CTabLayoutUI tabs;
    EXPECT_STREQ(tabs.GetClassName(), L"TabLayoutUI");
    CHorizontalLayoutUI h;
    EXPECT_STREQ(h.GetClassName(), L"HorizontalLayoutUI");
}
