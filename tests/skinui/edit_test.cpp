// The edit control and its native box, driven by real messages.
#include <gtest/gtest.h>

#include "skinui/controls/controls.h"
#include "tests/skinui/controls_host.h"
#include "tests/skinui/heap_watch.h"

using namespace SkinUI;
using CtlTest::Host;

namespace {

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = new CVerticalLayoutUI();
        edit_ = new CEditUI();
        button_ = new CButtonUI();
        for (auto [control, pos] : {std::pair<CControlUI*, const wchar_t*>{edit_, L"10,10,210,40"},
                                    {button_, L"10,100,110,130"}}) {
            control->SetAttribute(L"float", L"true");
            control->SetAttribute(L"pos", pos);
            root_->Add(control);
        }
        CtlTest::Attach(root_);
        // The first layout gives the first tab stop, the edit, the focus: start from the button.
        Host().manager.FocusControl(button_);
        CtlTest::Pump();
        Host().notes.clear();
    }
    void TearDown() override { CtlTest::Detach(); }
    int Count(const wchar_t* type) const {
        int n = 0;
        for (const std::wstring& t : Host().TypesFrom(edit_)) {
            n += t == type;
        }
        return n;
    }
    void Type(HWND box, const wchar_t* text) {
        for (const wchar_t* p = text; *p != 0; ++p) {
            SendMessageW(box, WM_CHAR, *p, 1);
        }
        CtlTest::Pump();
    }

    CVerticalLayoutUI* root_ = nullptr;
    CEditUI* edit_ = nullptr;
    CButtonUI* button_ = nullptr;
};

}  // namespace

TEST_F(EditTest, NativeBoxFollowsTheFocus) {
    EXPECT_EQ(edit_->GetNativeWindow(), nullptr);
    CtlTest::Click(50, 25);
    HWND box = edit_->GetNativeWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(GetFocus(), box);
    wchar_t cls[32] = {};
    GetClassNameW(box, cls, 32);
    EXPECT_STREQ(cls, L"EditWnd");

    Type(box, L"ab");
    EXPECT_EQ(Count(L"textchanged"), 2);
    EXPECT_EQ(edit_->GetText(), L"ab");
    SendMessageW(box, WM_KEYDOWN, VK_RETURN, 1);
    CtlTest::Pump();
    EXPECT_EQ(Count(L"return"), 1);

    CtlTest::Click(50, 115);
    EXPECT_EQ(edit_->GetNativeWindow(), nullptr);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(edit_->GetText(), L"ab");
}

TEST_F(EditTest, PasswordShowsStarsAndUsesAPasswordBox) {
    edit_->SetAttribute(L"password", L"true");
    edit_->SetText(L"abc");
    EXPECT_EQ(edit_->DisplayText(), L"***");
    CtlTest::Click(50, 25);
    HWND box = edit_->GetNativeWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(GetWindowLongW(box, GWL_STYLE) & ES_PASSWORD, 0);
    EXPECT_EQ(SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), L'*');
}

TEST_F(EditTest, NumberOnlyCanBeTurnedOffAgain) {
    edit_->SetAttribute(L"numberonly", L"true");
    EXPECT_NE(edit_->GetWindowStyles() & ES_NUMBER, 0u);
    edit_->SetAttribute(L"numberonly", L"false");
    EXPECT_EQ(edit_->GetWindowStyles() & ES_NUMBER, 0u);
    CtlTest::Click(50, 25);
    HWND box = edit_->GetNativeWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & ES_NUMBER, 0);
    Type(box, L"x1");
    EXPECT_EQ(edit_->GetText(), L"x1");
}

TEST_F(EditTest, AttributesReachAnOpenBoxAndDeletionClosesIt) {
    CtlTest::Click(50, 25);
    HWND box = edit_->GetNativeWindow();
    ASSERT_NE(box, nullptr);
    edit_->SetAttribute(L"maxchar", L"3");
    Type(box, L"abcdef");
    EXPECT_EQ(edit_->GetText(), L"abc");
    edit_->SetReadOnly(true);
    EXPECT_NE(GetWindowLongW(box, GWL_STYLE) & ES_READONLY, 0);
    root_->SetDeferDelete(false);
    root_->Remove(edit_);
    edit_ = nullptr;
    CtlTest::Pump();
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(Host().manager.GetFocus(), nullptr);
}

namespace {

// The system's edit procedure, and one in front of it that can make new boxes fail to be
// created (WM_CREATE answers -1, so the window is destroyed inside CreateWindowEx).
WNDPROC systemEditProc = nullptr;
bool refuseCreation = false;

LRESULT CALLBACK RefusingEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE && refuseCreation) {
        return -1;
    }
    return CallWindowProcW(systemEditProc, window, message, wParam, lParam);
}

// Puts a procedure in the place of the system Edit class's own; returns the one it replaced.
WNDPROC SetEditClassProc(WNDPROC proc) {
    HWND sample = CreateWindowExW(0, L"Edit", nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    auto old = reinterpret_cast<WNDPROC>(
        SetClassLongPtrW(sample, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
    DestroyWindow(sample);
    return old;
}

}  // namespace

TEST_F(EditTest, ABoxThatCannotBeCreatedIsDeletedOnceAndLeavesTheControlDrawingItself) {
    systemEditProc = SetEditClassProc(RefusingEditProc);
    ASSERT_NE(systemEditProc, nullptr);
    refuseCreation = true;
    HeapWatch::Start();
    Host().manager.FocusControl(edit_);
    CtlTest::Pump();
    const HeapWatch::Result heap = HeapWatch::Stop();
    refuseCreation = false;
    SetEditClassProc(systemEditProc);

    EXPECT_EQ(heap.doubleDeletes, 0);
    EXPECT_EQ(heap.writtenAfterDelete, 0);
    EXPECT_EQ(edit_->GetNativeWindow(), nullptr);
    EXPECT_EQ(Host().manager.GetFocus(), edit_);
    // Once boxes can be made again, the next focus opens one.
    Host().manager.FocusControl(button_);
    Host().manager.FocusControl(edit_);
    CtlTest::Pump();
    EXPECT_NE(edit_->GetNativeWindow(), nullptr);
}
