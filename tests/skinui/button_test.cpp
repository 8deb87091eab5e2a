// Buttons, options and check boxes driven by real mouse and key messages to a real window.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "skinui/controls/controls.h"
#include "tests/skinui/controls_host.h"
#include "tests/skinui/skin_test_support.h"

using namespace SkinUI;
using CtlTest::Host;

namespace {

std::wstring SolidPng(const wchar_t* name, DWORD color) {
    return L"file='" + SkinTest::WritePngFile(name, 8, 8, [color](int, int) { return color; }) +
           L"'";
}

// A root with floating children placed by pos.
CVerticalLayoutUI* Root() {
    auto* root = new CVerticalLayoutUI();
    root->SetBkColor(0xFFFFFFFF);
    return root;
}

template <class T>
T* Float(CContainerUI* parent, const wchar_t* pos) {
    T* control = new T();
    control->SetAttribute(L"float", L"true");
    control->SetAttribute(L"pos", pos);
    parent->Add(control);
    return control;
}

// What the tree paints at (x, y), through the manager's own painting path.
DWORD PixelAt(int x, int y) {
    SkinTest::Dib dib(CtlTest::HostWindow::kWidth, CtlTest::HostWindow::kHeight);
    Host().manager.LayoutIfNeeded();
    Host().manager.PaintTree(dib.dc(), dib.rect());
    return dib.Rgb(x, y);
}

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = Root();
        button_ = Float<CButtonUI>(root_, L"10,10,110,40");
        button_->SetText(L"OK");
        other_ = Float<CButtonUI>(root_, L"200,10,300,40");
        CtlTest::Attach(root_);
    }
    void TearDown() override { CtlTest::Detach(); }
    int Clicks() const {
        int n = 0;
        for (const std::wstring& type : Host().TypesFrom(button_)) {
            n += type == L"click";
        }
        return n;
    }

    CVerticalLayoutUI* root_ = nullptr;
    CButtonUI* button_ = nullptr;
    CButtonUI* other_ = nullptr;
};

}  // namespace

TEST_F(ButtonTest, ClickComesOnlyOnReleaseInside) {
    CtlTest::MouseMove(20, 20);
    CtlTest::MouseDown(20, 20);
    EXPECT_NE(button_->GetButtonState() & UISTATE_PUSHED, 0u);
    CtlTest::MouseMove(250, 200);
    EXPECT_EQ(button_->GetButtonState() & UISTATE_PUSHED, 0u);
    CtlTest::MouseUp(250, 200);
    EXPECT_EQ(Clicks(), 0);

    CtlTest::MouseMove(20, 20);
    CtlTest::MouseDown(20, 20);
    CtlTest::MouseMove(250, 200);
    CtlTest::MouseMove(30, 30);
    CtlTest::MouseUp(30, 30);
    EXPECT_EQ(Clicks(), 1);
    EXPECT_EQ(button_->GetButtonState() & (UISTATE_PUSHED | UISTATE_CAPTURED), 0u);
}

TEST_F(ButtonTest, SpaceAndReturnClickAFocusedKeyboardButton) {
    Host().manager.FocusControl(button_);
    CtlTest::KeyDown(VK_SPACE);
    CtlTest::KeyDown(VK_RETURN);
    CtlTest::KeyDown('A');
    EXPECT_EQ(Clicks(), 2);
    button_->SetAttribute(L"keyboard", L"false");
    CtlTest::KeyDown(VK_SPACE);
    EXPECT_EQ(Clicks(), 2);
    EXPECT_EQ(button_->GetInputFlags(), static_cast<unsigned>(UIFLAG_SETCURSOR));
}

TEST_F(ButtonTest, DisabledButtonNeitherClicksNorKeepsState) {
    CtlTest::MouseMove(20, 20);
    EXPECT_NE(button_->GetButtonState() & UISTATE_HOT, 0u);
    button_->SetEnabled(false);
    EXPECT_EQ(button_->GetButtonState(), 0u);
    CtlTest::Click(20, 20);
    EXPECT_FALSE(button_->Activate());
    EXPECT_EQ(Clicks(), 0);
}

TEST_F(ButtonTest, StateImagesFollowTheState) {
    button_->SetAttribute(L"normalimage", SolidPng(L"btn_normal.png", 0xFFFF0000).c_str());
    button_->SetAttribute(L"hotimage", SolidPng(L"btn_hot.png", 0xFF00FF00).c_str());
    button_->SetAttribute(L"pushedimage", SolidPng(L"btn_pushed.png", 0xFF0000FF).c_str());
    button_->SetAttribute(L"disabledimage", SolidPng(L"btn_disabled.png", 0xFF808080).c_str());
    button_->SetText(L"");
    CtlTest::MouseMove(350, 250);
    EXPECT_EQ(PixelAt(15, 15), 0xFF0000u);
    CtlTest::MouseMove(20, 20);
    EXPECT_EQ(PixelAt(15, 15), 0x00FF00u);
    CtlTest::MouseDown(20, 20);
    EXPECT_EQ(PixelAt(15, 15), 0x0000FFu);
    CtlTest::MouseUp(20, 20);
    button_->SetEnabled(false);
    EXPECT_EQ(PixelAt(15, 15), 0x808080u);
    // Outside the button the root's white background is untouched.
    EXPECT_EQ(PixelAt(150, 15), 0xFFFFFFu);
}

TEST(ButtonChoice, ImageAndTextColourPriorities) {
    StateImageSet all;
    all.normal = all.hot = all.pushed = all.focused = all.disabled = all.hotBkColor = true;
    EXPECT_EQ(ChooseButtonImage(UISTATE_DISABLED | UISTATE_PUSHED, all), StateImage::Disabled);
    EXPECT_EQ(ChooseButtonImage(UISTATE_PUSHED | UISTATE_HOT, all), StateImage::Pushed);
    EXPECT_EQ(ChooseButtonImage(UISTATE_HOT | UISTATE_FOCUSED, all), StateImage::Hot);
    EXPECT_EQ(ChooseButtonImage(UISTATE_FOCUSED, all), StateImage::Focused);
    EXPECT_EQ(ChooseButtonImage(0, all), StateImage::Normal);
    StateImageSet colourOnly;
    colourOnly.hotBkColor = true;
    EXPECT_EQ(ChooseButtonImage(UISTATE_HOT | UISTATE_PUSHED, colourOnly), StateImage::HotBkColor);
    EXPECT_EQ(ChooseButtonImage(UISTATE_DISABLED, colourOnly), StateImage::Normal);

    ButtonTextColors c;
    c.text = 1;
    c.disabled = 2;
    c.hot = 3;
    c.focused = 5;
    EXPECT_EQ(ChooseButtonTextColor(UISTATE_PUSHED | UISTATE_HOT, true, c), 3u);
    EXPECT_EQ(ChooseButtonTextColor(UISTATE_FOCUSED, true, c), 5u);
    EXPECT_EQ(ChooseButtonTextColor(0, false, c), 2u);
}

TEST_F(ButtonTest, MarkupTextIsDrawnAndStillClicks) {
    button_->SetAttribute(L"showhtml", L"true");
    button_->SetText(L"{u}{a}{c #0080ff}User Agreement{/c}{/a}{/u}");
    CtlTest::MouseMove(350, 250);
    SkinTest::Dib dib(CtlTest::HostWindow::kWidth, CtlTest::HostWindow::kHeight);
    Host().manager.LayoutIfNeeded();
    Host().manager.PaintTree(dib.dc(), dib.rect());
    int blue = 0;
    for (int y = 10; y < 40; ++y) {
        for (int x = 10; x < 110; ++x) {
            blue += SkinTest::ColorDistance(dib.Rgb(x, y), 0x0080FF) < 40;
        }
    }
    EXPECT_GT(blue, 5);
    CtlTest::Click(60, 25);
    EXPECT_EQ(Clicks(), 1);
}

TEST_F(ButtonTest, DeletedWhileHoverClickAndFocusLeavesNothingBehind) {
    CtlTest::MouseMove(20, 20);
    CtlTest::MouseDown(20, 20);
    ASSERT_EQ(Host().manager.GetHover(), button_);
    ASSERT_EQ(Host().manager.GetClickControl(), button_);
    ASSERT_EQ(Host().manager.GetFocus(), button_);
    root_->Remove(button_);
    EXPECT_EQ(Host().manager.GetHover(), nullptr);
    EXPECT_EQ(Host().manager.GetClickControl(), nullptr);
    EXPECT_EQ(Host().manager.GetFocus(), nullptr);
    CtlTest::MouseUp(20, 20);
    CtlTest::Pump();

    // Deleted at once, too.
    root_->SetDeferDelete(false);
    CtlTest::MouseMove(210, 20);
    CtlTest::MouseDown(210, 20);
    root_->Remove(other_);
    EXPECT_EQ(Host().manager.GetHover(), nullptr);
    EXPECT_EQ(Host().manager.GetClickControl(), nullptr);
    EXPECT_EQ(Host().manager.GetFocus(), nullptr);
    CtlTest::MouseMove(220, 20);
    CtlTest::MouseUp(220, 20);
    button_ = other_ = nullptr;
}

TEST_F(ButtonTest, GroupedOptionsKeepExactlyOneSelected) {
    auto* a = Float<COptionUI>(root_, L"10,60,60,90");
    auto* b = Float<COptionUI>(root_, L"70,60,120,90");
    a->SetAttribute(L"group", L"g");
    b->SetAttribute(L"group", L"g");
    CtlTest::Repaint();
    CtlTest::Click(20, 70);
    EXPECT_TRUE(a->IsSelected());
    Host().notes.clear();
    CtlTest::Click(80, 70);
    EXPECT_TRUE(b->IsSelected());
    EXPECT_FALSE(a->IsSelected());
    EXPECT_EQ(Host().TypesFrom(b),
              (std::vector<std::wstring>{L"setfocus", L"click", L"selectchanged"}));
    for (const std::wstring& type : Host().TypesFrom(a)) {
        EXPECT_NE(type, L"selectchanged");
    }
    Host().notes.clear();
    CtlTest::Click(80, 70);
    EXPECT_TRUE(b->IsSelected());
    EXPECT_EQ(Host().Count(L"selectchanged"), 0);
    EXPECT_EQ(Host().Count(L"click"), 1);
    // An option that goes away leaves its group.
    root_->Remove(a);
    ASSERT_NE(Host().manager.GetOptionGroup(L"g"), nullptr);
    EXPECT_EQ(Host().manager.GetOptionGroup(L"g")->size(), 1u);
}

TEST_F(ButtonTest, UngroupedCheckBoxToggles) {
    auto* box = Float<CCheckBoxUI>(root_, L"10,60,60,90");
    EXPECT_STREQ(box->GetClassName(), L"CheckBoxUI");
    CtlTest::Repaint();
    CtlTest::Click(20, 70);
    EXPECT_TRUE(box->IsSelected());
    CtlTest::Click(20, 70);
    EXPECT_FALSE(box->IsSelected());
    std::vector<std::wstring> events;
    for (const std::wstring& type : Host().TypesFrom(box)) {
        if (type == L"click" || type == L"selectchanged") {
            events.push_back(type);
        }
    }
    EXPECT_EQ(events,
              (std::vector<std::wstring>{L"click", L"selectchanged", L"click", L"selectchanged"}));
}

namespace {

// A parent that keeps the pointer events its children hand on.
class RecordingLayout : public CVerticalLayoutUI {
public:
    void HandleEvent(ControlEvent& event) override {
        kinds.push_back(event.kind);
        CVerticalLayoutUI::HandleEvent(event);
    }
    int Count(int kind) const {
        return static_cast<int>(std::count(kinds.begin(), kinds.end(), kind));
    }
    std::vector<int> kinds;
};

}  // namespace

// A button, an edit field and a text with a link whose pointer is switched off while pressed
// hand the rest of the press to their parent: no click, no link.
TEST(PressableControls, PointerSwitchedOffMidPressGoesToTheParent) {
    auto* root = Root();
    auto* panel = new RecordingLayout();
    panel->SetAttribute(L"float", L"true");
    panel->SetAttribute(L"pos", L"0,0,400,300");
    root->Add(panel);
    auto* button = Float<CButtonUI>(panel, L"10,10,110,40");
    button->SetText(L"OK");
    auto* edit = Float<CEditUI>(panel, L"10,60,110,90");
    auto* text = Float<CTextUI>(panel, L"10,110,210,140");
    text->SetAttribute(L"showhtml", L"true");
    text->SetText(L"{a}a link to press{/a}");
    CtlTest::Attach(root);
    ASSERT_EQ(1, text->GetLinkCount());
    const RECT link = text->GetLinkRect(0);
    // The edit field is pressed beside its native box, which takes the presses on itself.
    const POINT points[] = {{20, 25}, {11, 61}, {link.left + 2, (link.top + link.bottom) / 2}};
    CControlUI* const controls[] = {button, edit, text};
    for (int i = 0; i < 3; ++i) {
        CtlTest::MouseMove(points[i].x, points[i].y);
        CtlTest::MouseDown(points[i].x, points[i].y);
        controls[i]->SetMouseEnabled(false);
        panel->kinds.clear();
        CtlTest::MouseUp(points[i].x, points[i].y);
        EXPECT_EQ(1, panel->Count(UIEVENT_BUTTONUP)) << i;
        controls[i]->SetMouseEnabled(true);
    }
    EXPECT_EQ(0, Host().Count(L"click"));
    EXPECT_EQ(0, Host().Count(L"link"));
    // Switched on again, the same presses are their own.
    panel->kinds.clear();
    CtlTest::Click(20, 25);
    CtlTest::Click(points[2].x, points[2].y);
    EXPECT_EQ(0, panel->Count(UIEVENT_BUTTONUP));
    EXPECT_EQ(1, Host().Count(L"click"));
    EXPECT_EQ(1, Host().Count(L"link"));
    CtlTest::Detach();
}
