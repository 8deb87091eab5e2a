// The manager's keyboard shortcuts, cursors, mouse leave and tooltips, driven by real messages
// to a real window with real controls.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "skinui/controls/controls.h"
#include "tests/skinui/controls_host.h"

using namespace SkinUI;
using CtlTest::Host;

namespace {

template <class T>
T* Float(CContainerUI* parent, const wchar_t* pos) {
    T* control = new T();
    control->SetAttribute(L"float", L"true");
    control->SetAttribute(L"pos", pos);
    parent->Add(control);
    return control;
}

// Puts the system's pointer at a point of the host's client area (or anywhere on the screen
// with screen = true), so that what the system reports agrees with the messages a test sends.
void PointerAt(int x, int y, bool screen = false) {
    POINT point = {x, y};
    if (!screen) {
        ClientToScreen(Host().GetHWND(), &point);
    }
    SetCursorPos(point.x, point.y);
    CtlTest::Pump();
}

// Pumps messages until the condition holds or a generous time has passed; returns whether it
// holds. Only an upper bound: nothing depends on how soon it comes.
bool PumpUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000; ++i) {
        CtlTest::Pump();
        if (condition()) {
            return true;
        }
        Sleep(10);
    }
    return false;
}

struct TooltipSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindTooltipOf(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TooltipSearch*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (GetWindow(window, GW_OWNER) == search->owner && lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The manager's tooltip window: an owned popup of the host of the system's tooltip class.
HWND FindTooltip() {
    TooltipSearch search = {Host().GetHWND(), nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindTooltipOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The host's tool in the tooltip window: its text and rectangle.
struct Tool {
    std::wstring text;
    RECT rect;
};

Tool ToolOf(HWND tip) {
    TOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = Host().GetHWND();
    info.uId = reinterpret_cast<UINT_PTR>(Host().GetHWND());
    SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info));
    wchar_t text[80] = {};
    info.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
    return Tool{text, info.rect};
}

// Pre-translates one message as the message loop would; true when the manager took it.
bool Translate(UINT message, WPARAM wParam) {
    MSG msg = {};
    msg.hwnd = Host().GetHWND();
    msg.message = message;
    msg.wParam = wParam;
    const bool taken = CUIManager::TranslateQueuedMessage(&msg);
    CtlTest::Pump();
    return taken;
}

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = new CVerticalLayoutUI();
        label_ = Float<CLabelUI>(root_, L"10,10,110,40");
        button_ = Float<CButtonUI>(root_, L"120,10,220,40");
        option_ = Float<COptionUI>(root_, L"230,10,330,40");
        edit_ = Float<CEditUI>(root_, L"10,60,210,90");
        CtlTest::Attach(root_);
        Host().manager.FocusControl(nullptr);
        CtlTest::Pump();
        Host().notes.clear();
    }
    void TearDown() override {
        PointerAt(800, 600, true);
        CtlTest::Detach();
    }
    std::vector<std::wstring> From(CControlUI* control) const { return Host().TypesFrom(control); }

    CVerticalLayoutUI* root_ = nullptr;
    CLabelUI* label_ = nullptr;
    CButtonUI* button_ = nullptr;
    COptionUI* option_ = nullptr;
    CEditUI* edit_ = nullptr;
};

}  // namespace

TEST_F(InputTest, AltShortcutsReachButtonsOptionsAndEditsButNotLabels) {
    // The label comes first in the tree with the same key: it only names the shortcut.
    label_->SetAttribute(L"shortcut", L"I");
    button_->SetAttribute(L"shortcut", L"I");
    option_->SetAttribute(L"shortcut", L"o");
    edit_->SetAttribute(L"shortcut", L"E");

    EXPECT_TRUE(Translate(WM_SYSCHAR, L'i'));
    EXPECT_EQ(Host().manager.GetFocus(), button_);
    EXPECT_EQ(From(button_), (std::vector<std::wstring>{L"setfocus", L"click"}));
    EXPECT_TRUE(From(label_).empty());

    EXPECT_TRUE(Translate(WM_SYSCHAR, L'O'));
    EXPECT_EQ(Host().manager.GetFocus(), option_);
    EXPECT_TRUE(option_->IsSelected());

    EXPECT_TRUE(Translate(WM_SYSCHAR, L'e'));
    EXPECT_EQ(Host().manager.GetFocus(), edit_);

    // A key only a label has, or nobody, is not taken.
    label_->SetAttribute(L"shortcut", L"L");
    EXPECT_FALSE(Translate(WM_SYSCHAR, L'l'));
    EXPECT_FALSE(Translate(WM_SYSCHAR, L'z'));
    EXPECT_EQ(Host().manager.GetFocus(), edit_);
    // A hidden or disabled control is passed over.
    button_->SetAttribute(L"shortcut", L"B");
    button_->SetEnabled(false);
    EXPECT_FALSE(Translate(WM_SYSCHAR, L'b'));
}

TEST_F(InputTest, SetCursorAsksTheControlUnderThePointer) {
    HWND host = Host().GetHWND();
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    auto cursorAt = [&](int x, int y, WORD hit = HTCLIENT) {
        PointerAt(x, y);
        SetCursor(nullptr);
        SendMessageW(host, WM_SETCURSOR, reinterpret_cast<WPARAM>(host),
                     MAKELPARAM(hit, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorAt(150, 20), LoadCursorW(nullptr, IDC_HAND));
    EXPECT_EQ(cursorAt(50, 70), LoadCursorW(nullptr, IDC_IBEAM));
    // A label asks for no cursor: the window's own (the arrow) applies.
    EXPECT_EQ(cursorAt(50, 20), arrow);
    // Outside the client area the manager stays out of it.
    EXPECT_EQ(cursorAt(150, 20, HTCAPTION), arrow);
    // While the mouse is captured the cursor stays as it is.
    Host().manager.CaptureMouse();
    EXPECT_EQ(cursorAt(150, 20), nullptr);
    Host().manager.ReleaseMouse();
}

TEST_F(InputTest, MouseLeaveEndsTheHover) {
    // The pointer is outside the window, as when the system reports a leave.
    PointerAt(800, 600, true);
    SendMessageW(Host().GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(150, 20));
    ASSERT_EQ(Host().manager.GetHover(), button_);
    EXPECT_NE(button_->GetButtonState() & UISTATE_HOT, 0u);
    SendMessageW(Host().GetHWND(), WM_MOUSELEAVE, 0, 0);
    CtlTest::Pump();
    EXPECT_EQ(Host().manager.GetHover(), nullptr);
    EXPECT_EQ(button_->GetButtonState() & UISTATE_HOT, 0u);
}

TEST_F(InputTest, TooltipShowsAfterTheHoverDelayAndHidesOnLeave) {
    button_->SetToolTip(L"Install now");
    // The pointer rests on the button: the system reports a hover after the delay.
    PointerAt(150, 20);
    CtlTest::MouseMove(150, 20);
    HWND tip = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        tip = FindTooltip();
        return tip != nullptr && IsWindowVisible(tip);
    }));
    const Tool tool = ToolOf(tip);
    EXPECT_EQ(tool.text, L"Install now");
    EXPECT_EQ(tool.rect.left, 120);  // the button's rectangle
    EXPECT_EQ(tool.rect.right, 220);

    // The pointer leaves the window: the tooltip goes.
    PointerAt(800, 600, true);
    SendMessageW(Host().GetHWND(), WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(tip); }));
    // The leave after a hover ends the hover as well.
    EXPECT_EQ(Host().manager.GetHover(), nullptr);
    EXPECT_EQ(button_->GetButtonState() & UISTATE_HOT, 0u);
}
