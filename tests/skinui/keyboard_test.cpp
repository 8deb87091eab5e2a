// The keyboard of a skinned window as a Windows dialog has it: tab order in reading order,
// hidden pages and disabled controls passed over, Enter, Space and Esc, the focus ring that
// appears only once the keyboard is used. Real key messages go through the message loop's
// pre-translation to the window (or its native edit box) that has the focus.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skinui/controls/controls.h"
#include "skinui/core/focus_ring.h"
#include "skinui/core/manager_registry.h"
#include "tests/skinui/controls_host.h"
#include "tests/skinui/skin_test_support.h"

using namespace SkinUI;
using CtlTest::Host;

namespace {

constexpr DWORD kRing = 0xFF3FA9FF;
constexpr DWORD kBackground = 0xFF202830;

template <class T>
T* Float(CContainerUI* parent, const wchar_t* pos, const wchar_t* name) {
    T* control = new T();
    control->SetAttribute(L"float", L"true");
    control->SetAttribute(L"pos", pos);
    control->SetAttribute(L"name", name);
    parent->Add(control);
    return control;
}

// A key pressed as the user would: posted to the window that has the Windows focus (the host
// or the native edit box open over a field) and taken through the message loop. Shift is held
// for the key when asked.
void Press(UINT key, bool shift = false, bool repeat = false) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    HWND target = GetFocus() != nullptr ? GetFocus() : Host().GetHWND();
    const LPARAM flags = repeat ? 0x40000001 : 1;
    PostMessageW(target, WM_KEYDOWN, key, flags);
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    CtlTest::Pump();
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
}

std::vector<std::wstring> Names(const std::vector<CControlUI*>& controls) {
    std::vector<std::wstring> names;
    for (CControlUI* control : controls) {
        names.push_back(control->GetName());
    }
    return names;
}

std::wstring FocusName() {
    CControlUI* focus = Host().manager.GetFocus();
    return focus != nullptr ? focus->GetName() : L"(none)";
}

int CountFrom(CControlUI* control, const wchar_t* type) {
    int n = 0;
    for (const std::wstring& t : Host().TypesFrom(control)) {
        n += t == type;
    }
    return n;
}

// The start page of an installer-like window, its controls added to the tree in an order
// that is not the one on screen.
class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ManagerRegistry::SetKeyboardLastUsed(false);
        root_ = new CVerticalLayoutUI();
        root_->SetBkColor(kBackground);
        install_ = Float<CButtonUI>(root_, L"300,100,380,139", L"install");
        install_->SetDefaultButton(true);
        link_ = Float<CButtonUI>(root_, L"90,117,170,140", L"link");
        hidden_ = Float<CButtonUI>(root_, L"10,10,50,30", L"hidden");
        hidden_->SetVisible(false);
        edit_ = Float<CEditUI>(root_, L"20,80,170,102", L"folder");
        edit_->SetText(L"C:\\Program Files\\Velmora");
        Float<CLabelUI>(root_, L"20,50,170,70", L"label")->SetText(L"Destination");
        accept_ = Float<CCheckBoxUI>(root_, L"10,122,23,135", L"accept");
        disabled_ = Float<CButtonUI>(root_, L"200,80,240,102", L"disabled");
        disabled_->SetEnabled(false);
        browse_ = Float<CButtonUI>(root_, L"172,80,199,102", L"browse");
        close_ = Float<CButtonUI>(root_, L"370,5,390,25", L"close");
        close_->SetKeyboardEnabled(false);
        close_->SetCancelButton(true);
        Host().manager.SetFocusRing(FocusRingStyle{kRing, 2, 2});
        CtlTest::Attach(root_);
        // The window as just opened with the mouse: the system hides its focus.
        SendMessageW(Host().GetHWND(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
        Host().notes.clear();
    }
    void TearDown() override {
        Host().manager.SetFocusRing(FocusRingStyle{});
        ManagerRegistry::SetKeyboardLastUsed(false);
        CtlTest::Detach();
    }
    // Where the focus is after each of n presses of a key.
    std::vector<std::wstring> FocusAfter(int n, UINT key, bool shift = false) {
        std::vector<std::wstring> order;
        for (int i = 0; i < n; ++i) {
            Press(key, shift);
            order.push_back(FocusName());
        }
        return order;
    }

    CVerticalLayoutUI* root_ = nullptr;
    CButtonUI* install_ = nullptr;
    CButtonUI* link_ = nullptr;
    CButtonUI* hidden_ = nullptr;
    CEditUI* edit_ = nullptr;
    CCheckBoxUI* accept_ = nullptr;
    CButtonUI* disabled_ = nullptr;
    CButtonUI* browse_ = nullptr;
    CButtonUI* close_ = nullptr;
};

}  // namespace

TEST_F(KeyboardTest, TabMovesInReadingOrderWrapsAndShiftTabGoesBack) {
    // Line by line from the top: the folder row, then the row that the check box, the link
    // and the taller Install button share; the window's close button is no tab stop.
    const std::vector<std::wstring> reading = {L"folder", L"browse", L"accept", L"link",
                                               L"install"};
    EXPECT_EQ(Names(Host().manager.GetTabStops()), reading);
    // A window that appears offers its default button.
    EXPECT_EQ(FocusName(), L"install");
    EXPECT_EQ(FocusAfter(6, VK_TAB), (std::vector<std::wstring>{L"folder", L"browse", L"accept",
                                                                L"link", L"install", L"folder"}));
    // Tab out of the field's native edit box works the same way.
    EXPECT_EQ(FocusAfter(3, VK_TAB, true),
              (std::vector<std::wstring>{L"install", L"link", L"accept"}));

    // A control that becomes enabled or visible joins the order at its place on screen.
    disabled_->SetEnabled(true);
    hidden_->SetVisible(true);
    EXPECT_EQ(Names(Host().manager.GetTabStops()),
              (std::vector<std::wstring>{L"hidden", L"folder", L"browse", L"disabled", L"accept",
                                         L"link", L"install"}));
    // A disabled or hidden one leaves it.
    link_->SetEnabled(false);
    browse_->SetVisible(false);
    EXPECT_EQ(
        Names(Host().manager.GetTabStops()),
        (std::vector<std::wstring>{L"hidden", L"folder", L"disabled", L"accept", L"install"}));
}

TEST_F(KeyboardTest, TabIntoTheFieldSelectsItsTextSoTypingReplacesIt) {
    Host().manager.FocusControl(install_);
    Press(VK_TAB);
    ASSERT_EQ(FocusName(), L"folder");
    HWND box = edit_->GetNativeWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetFocus(), box);
    DWORD start = 1;
    DWORD end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, static_cast<DWORD>(edit_->GetText().size()));
}

TEST_F(KeyboardTest, EnterPressesTheFocusedButtonOrElseTheDefaultSpaceTogglesEscCancels) {
    // Enter on a button or link presses it.
    Host().manager.FocusControl(link_);
    Press(VK_RETURN);
    EXPECT_EQ(CountFrom(link_, L"click"), 1);
    EXPECT_EQ(CountFrom(install_, L"click"), 0);
    // A held Enter presses once.
    Press(VK_RETURN, false, true);
    EXPECT_EQ(CountFrom(link_, L"click"), 1);

    // On the check box Enter is the default button's; Space toggles the box.
    Host().manager.FocusControl(accept_);
    const bool wasSelected = accept_->IsSelected();
    Press(VK_RETURN);
    EXPECT_EQ(CountFrom(install_, L"click"), 1);
    EXPECT_EQ(accept_->IsSelected(), wasSelected);
    Press(VK_SPACE);
    EXPECT_NE(accept_->IsSelected(), wasSelected);
    Press(VK_SPACE, false, true);
    EXPECT_NE(accept_->IsSelected(), wasSelected) << "a held Space toggles once";

    // In the folder field (its native edit box has the Windows focus) Enter is the default
    // button's too, and the field does not see it.
    Host().manager.FocusControl(edit_);
    ASSERT_EQ(GetFocus(), edit_->GetNativeWindow());
    Press(VK_RETURN);
    EXPECT_EQ(CountFrom(install_, L"click"), 2);
    EXPECT_EQ(CountFrom(edit_, L"return"), 0);
    // Without an enabled default button the field gets its Return.
    install_->SetEnabled(false);
    Press(VK_RETURN);
    EXPECT_EQ(CountFrom(install_, L"click"), 2);
    EXPECT_EQ(CountFrom(edit_, L"return"), 1);

    // Esc presses the cancel button, which Tab never reaches, from anywhere.
    Press(VK_ESCAPE);
    EXPECT_EQ(CountFrom(close_, L"click"), 1);
    Host().manager.FocusControl(browse_);
    Press(VK_ESCAPE);
    EXPECT_EQ(CountFrom(close_, L"click"), 2);
    EXPECT_EQ(CountFrom(browse_, L"click"), 0);
    // A window without a cancel button leaves Esc alone.
    close_->SetVisible(false);
    Press(VK_ESCAPE);
    EXPECT_EQ(CountFrom(close_, L"click"), 2);
}

TEST_F(KeyboardTest, APageThatAppearsOffersItsDefaultAndHiddenPagesTakeNoFocus) {
    CtlTest::Detach();
    root_ = nullptr;
    auto* tabs = new CTabLayoutUI();
    auto* first = new CVerticalLayoutUI();
    auto* second = new CVerticalLayoutUI();
    tabs->Add(first);
    tabs->Add(second);
    CButtonUI* go = Float<CButtonUI>(first, L"10,10,90,40", L"go");
    go->SetDefaultButton(true);
    Float<CButtonUI>(first, L"100,10,190,40", L"other");
    Float<CButtonUI>(second, L"10,60,90,90", L"pause");
    CButtonUI* open = Float<CButtonUI>(second, L"100,60,190,90", L"open");
    open->SetDefaultButton(true);
    CtlTest::Attach(tabs);
    EXPECT_EQ(FocusName(), L"go");
    EXPECT_EQ(Names(Host().manager.GetTabStops()), (std::vector<std::wstring>{L"go", L"other"}));

    tabs->SelectItem(1);
    CtlTest::Repaint();
    EXPECT_EQ(FocusName(), L"open");
    EXPECT_EQ(Names(Host().manager.GetTabStops()), (std::vector<std::wstring>{L"pause", L"open"}));
    EXPECT_EQ(FocusAfter(3, VK_TAB), (std::vector<std::wstring>{L"pause", L"open", L"pause"}));
    // Enter presses the default of the page that shows, never the hidden page's.
    Host().manager.FocusControl(nullptr);
    Press(VK_RETURN);
    EXPECT_EQ(CountFrom(open, L"click"), 1);
    EXPECT_EQ(CountFrom(go, L"click"), 0);

    // A page without a default offers its first tab stop; one without any, nothing.
    open->SetDefaultButton(false);
    tabs->SelectItem(0);
    tabs->SelectItem(1);
    CtlTest::Repaint();
    EXPECT_EQ(FocusName(), L"pause");
    second->RemoveAll();
    tabs->SelectItem(0);
    tabs->SelectItem(1);
    CtlTest::Repaint();
    EXPECT_EQ(FocusName(), L"(none)");
}

TEST_F(KeyboardTest, FocusRingShowsOnlyOnceTheKeyboardMovesOrUsesTheFocus) {
    auto render = [] {
        auto dib = std::make_unique<SkinTest::Dib>(CtlTest::HostWindow::kWidth,
                                                   CtlTest::HostWindow::kHeight);
        Host().manager.LayoutIfNeeded();
        Host().manager.PaintTree(dib->dc(), dib->rect());
        return dib;
    };
    auto ringPixels = [](const SkinTest::Dib& dib, CControlUI* control) {
        int n = 0;
        for (int y = 0; y < dib.height(); ++y) {
            for (int x = 0; x < dib.width(); ++x) {
                n += dib.Rgb(x, y) == (kRing & 0xFFFFFF);
            }
        }
        const RECT ring = FocusRingOuterRect(control->GetPos(), 2, 2);
        // Only the band of the ring carries its colour, and all of it does.
        const int band = (ring.right - ring.left) * (ring.bottom - ring.top) -
                         (ring.right - ring.left - 4) * (ring.bottom - ring.top - 4);
        return n == band ? n : -n;
    };
    // The window opened and was clicked: the focus is on Install but not drawn.
    CtlTest::Click(340, 120);
    ASSERT_EQ(FocusName(), L"install");
    EXPECT_FALSE(Host().manager.IsFocusShown());
    EXPECT_EQ(ringPixels(*render(), install_), 0);

    // Tab shows it, from then on, on whichever control has the focus.
    Press(VK_TAB);
    EXPECT_TRUE(Host().manager.IsFocusShown());
    EXPECT_GT(ringPixels(*render(), edit_), 0);
    Press(VK_TAB);
    EXPECT_GT(ringPixels(*render(), browse_), 0);
    // A click on the window's close button (no tab stop) gives it the focus but no ring.
    CtlTest::Click(380, 15);
    ASSERT_EQ(FocusName(), L"close");
    EXPECT_EQ(ringPixels(*render(), close_), 0);
    // A click moves the focus but the ring stays shown, as in Windows.
    CtlTest::Click(340, 120);
    EXPECT_GT(ringPixels(*render(), install_), 0);

    // The window's UI state set by the system (WM_UPDATEUISTATE) hides it again; Space on the
    // focused button uses the focus and shows it.
    SendMessageW(Host().GetHWND(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    EXPECT_FALSE(Host().manager.IsFocusShown());
    EXPECT_EQ(ringPixels(*render(), install_), 0);
    Press(VK_SPACE);
    EXPECT_TRUE(Host().manager.IsFocusShown());
    EXPECT_GT(ringPixels(*render(), install_), 0);
    // The system's own state of the window agrees (what its native children go by).
    EXPECT_EQ(SendMessageW(Host().GetHWND(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);
}

TEST_F(KeyboardTest, AWindowShowsTheFocusAtOnceWhenTheKeyboardOpenedItOrTheUserAskedAlways) {
    // Opened after a key press (as a box that Esc brought up).
    ManagerRegistry::SetKeyboardLastUsed(true);
    Host().manager.AttachWindow(Host().GetHWND());
    EXPECT_TRUE(Host().manager.IsFocusShown());
    // Opened after a click.
    ManagerRegistry::SetKeyboardLastUsed(false);
    Host().manager.AttachWindow(Host().GetHWND());
    EXPECT_FALSE(Host().manager.IsFocusShown());
    // The user's setting to show keyboard cues always (for this session only).
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(TRUE), 0));
    Host().manager.AttachWindow(Host().GetHWND());
    EXPECT_TRUE(Host().manager.IsFocusShown());
    SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(FALSE), 0);
    Host().manager.AttachWindow(Host().GetHWND());
    EXPECT_FALSE(Host().manager.IsFocusShown());
}

TEST(FocusRingGeometry, GapPutsTheRingOutsideOrInsideAndTinyRingsAreDropped) {
    const RECT item = {10, 20, 110, 59};
    const RECT outside = FocusRingOuterRect(item, 2, 2);
    EXPECT_EQ(outside.left, 6);
    EXPECT_EQ(outside.top, 16);
    EXPECT_EQ(outside.right, 114);
    EXPECT_EQ(outside.bottom, 63);
    const RECT inside = FocusRingOuterRect(item, 1, -3);
    EXPECT_EQ(inside.left, 12);
    EXPECT_EQ(inside.bottom, 57);
    const RECT none = FocusRingOuterRect(item, 0, 2);
    EXPECT_TRUE(IsRectEmpty(&none));
    const RECT tiny = FocusRingOuterRect(RECT{0, 0, 4, 4}, 2, -2);
    EXPECT_TRUE(IsRectEmpty(&tiny));
}
