#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "skinui/core/ui_manager.h"
#include "skinui/core/window_wnd.h"
#include "tests/skinui/skin_test_support.h"

using SkinTest::Dib;
using SkinTest::Place;
using SkinTest::ProbeControl;
using SkinTest::TestContainer;
using SkinUI::CUIManager;

namespace {

class TestWindow : public SkinUI::CWindowWnd, public SkinUI::INotifyUI {
public:
    CUIManager manager;
    std::vector<std::wstring> notifications;

    void Notify(SkinUI::Notification& n) override { notifications.push_back(n.type); }
    int Count(const wchar_t* type) const {
        return static_cast<int>(std::count(notifications.begin(), notifications.end(), type));
    }

protected:
    const wchar_t* WindowClassName() const override { return L"SkinTestWindow"; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) {
            manager.AttachWindow(window_);
            manager.AddListener(this);
        }
        LRESULT result = 0;
        if (manager.OnWindowMessage(message, wParam, lParam, result)) {
            return result;
        }
        return CWindowWnd::OnMessage(message, wParam, lParam);
    }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!CUIManager::TranslateQueuedMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

class ManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        window_ = new TestWindow();
        ASSERT_NE(window_->CreateWnd(nullptr, L"skin test", WS_POPUP, 0, 0, 0, 300, 200), nullptr);
        window_->ShowWnd(true, false);
        Pump();
    }
    static void TearDownTestSuite() {
        DestroyWindow(window_->GetHWND());
        Pump();
        delete window_;
    }

    // Root 300x200 with three tab stops and one plain control.
    void SetUp() override {
        root_ = new TestContainer();
        a_ = new ProbeControl();
        b_ = new ProbeControl();
        c_ = new ProbeControl();
        plain_ = new SkinUI::CControlUI();
        a_->SetName(L"a");
        b_->SetName(L"b");
        c_->SetName(L"c");
        root_->Add(Place(a_, 10, 10, 50, 30));
        root_->Add(Place(plain_, 70, 10, 50, 30));
        root_->Add(Place(b_, 130, 10, 50, 30));
        root_->Add(Place(c_, 190, 10, 50, 30));
        window_->notifications.clear();
        manager().AttachRoot(root_);
        Paint();
    }
    void TearDown() override {
        manager().AttachRoot(nullptr);
        Pump();
    }
    static CUIManager& manager() { return window_->manager; }
    static void Paint() {
        InvalidateRect(window_->GetHWND(), nullptr, FALSE);
        UpdateWindow(window_->GetHWND());
    }
    static LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageW(window_->GetHWND(), message, wParam, lParam);
    }

    static TestWindow* window_;
    TestContainer* root_ = nullptr;
    ProbeControl* a_ = nullptr;
    ProbeControl* b_ = nullptr;
    ProbeControl* c_ = nullptr;
    SkinUI::CControlUI* plain_ = nullptr;
};
TestWindow* ManagerTest::window_ = nullptr;

}  // namespace

TEST_F(ManagerTest, FirstPaintLaysOutAndSendsOneWindowInit) {
    EXPECT_EQ(window_->Count(L"windowinit"), 1);
    EXPECT_EQ(root_->GetPos().right, 300);
    EXPECT_EQ(b_->GetPos().left, 130);
    EXPECT_EQ(b_->GetPos().bottom, 40);
    Paint();
    Send(WM_SIZE, 0, At(300, 200));
    Paint();
    EXPECT_EQ(window_->Count(L"windowinit"), 1);
    EXPECT_EQ(manager().FindByName(L"c"), c_);
    EXPECT_EQ(manager().FindAtPoint(POINT{140, 20}), b_);
    EXPECT_EQ(manager().FindAtPoint(POINT{5, 5}), root_);
}

TEST_F(ManagerTest, CaptureDeliversButtonUpToThePressedControl) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_BUTTONDOWN), 1);
    EXPECT_EQ(manager().GetFocus(), a_);
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(140, 20));
    EXPECT_EQ(b_->Count(SkinUI::UIEVENT_MOUSEENTER), 1);
    EXPECT_EQ(b_->Count(SkinUI::UIEVENT_MOUSEMOVE), 0);  // moves go to the pressed control
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_MOUSEMOVE), 1);
    Send(WM_LBUTTONUP, 0, At(140, 20));
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_BUTTONUP), 1);
    EXPECT_EQ(b_->Count(SkinUI::UIEVENT_BUTTONUP), 0);
    EXPECT_FALSE(manager().IsCaptured());
    EXPECT_EQ(manager().GetClickControl(), nullptr);
}

TEST_F(ManagerTest, TabAndShiftTabCycleAndWrap) {
    MSG tab = {};
    tab.hwnd = window_->GetHWND();
    tab.message = WM_KEYDOWN;
    tab.wParam = VK_TAB;
    // The first paint already moved the focus onto the first tab stop.
    EXPECT_EQ(manager().GetFocus(), a_);
    std::vector<SkinUI::CControlUI*> order;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(CUIManager::TranslateQueuedMessage(&tab));
        order.push_back(manager().GetFocus());
    }
    EXPECT_EQ(order, (std::vector<SkinUI::CControlUI*>{b_, c_, a_, b_}));
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_KILLFOCUS), 2);
    EXPECT_TRUE(a_->Count(SkinUI::UIEVENT_SETFOCUS) >= 2);

    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    order.clear();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(CUIManager::TranslateQueuedMessage(&tab));
        order.push_back(manager().GetFocus());
    }
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(order, (std::vector<SkinUI::CControlUI*>{a_, c_, b_}));
    EXPECT_GE(window_->Count(L"setfocus"), 7);

    // Hiding the focused control clears the focus.
    b_->SetVisible(false);
    EXPECT_EQ(manager().GetFocus(), nullptr);
}

TEST_F(ManagerTest, TimerIdsCycleAndNeverCollide) {
    // Counter starts at 4096: the first id is 17; the 239th wraps to 0.
    for (UINT id = 1; id <= 239; ++id) {
        ASSERT_TRUE(manager().StartTimer(a_, id, 1000000)) << id;
    }
    EXPECT_FALSE(manager().StartTimer(a_, 5, 1000000));  // already running
    a_->kinds.clear();
    Send(WM_TIMER, 0, 0);
    Send(WM_TIMER, 17, 0);
    ASSERT_EQ(a_->Count(SkinUI::UIEVENT_TIMER), 2);
    EXPECT_EQ(window_->Count(L"timer"), 2);
    // 255 ids in all: with every one running, another timer cannot start.
    for (UINT id = 240; id <= 255; ++id) {
        ASSERT_TRUE(manager().StartTimer(a_, id, 1000000)) << id;
    }
    EXPECT_FALSE(manager().StartTimer(b_, 1, 1000000));
    EXPECT_TRUE(manager().StopTimer(a_, 3));
    EXPECT_TRUE(manager().StartTimer(b_, 1, 1000000));
    EXPECT_FALSE(manager().StartTimer(a_, 3, 1000000));  // its old id went to b: none is free
    manager().RemoveTimersOf(a_);
    manager().RemoveTimersOf(b_);
}

TEST_F(ManagerTest, TimerEventCarriesTheLocalId) {
    struct Recorder : ProbeControl {
        WPARAM last = 0;
        void HandleEvent(SkinUI::ControlEvent& event) override {
            if (event.kind == SkinUI::UIEVENT_TIMER) {
                last = event.wParam;
            }
            ProbeControl::HandleEvent(event);
        }
    };
    auto* recorder = new Recorder();
    root_->Add(Place(recorder, 0, 100, 10, 10));
    ASSERT_TRUE(manager().StartTimer(recorder, 42, 1000000));
    // The Windows id of this timer is the counter after the earlier tests; find it by trying.
    for (UINT id = 0; id < 255 && recorder->last == 0; ++id) {
        Send(WM_TIMER, id, 0);
    }
    EXPECT_EQ(recorder->last, 42u);
}

TEST_F(ManagerTest, DeferredDeletionHappensOnWmApp1) {
    bool deleted = false;
    auto* doomed = new ProbeControl();
    doomed->SetName(L"doomed");
    doomed->destroyListeners.push_back([&](SkinUI::CControlUI*) {
        deleted = true;
        return true;
    });
    root_->Add(Place(doomed, 0, 150, 20, 20));
    root_->children.pop_back();
    manager().FocusControl(doomed);
    manager().AddDeferredDelete(doomed);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(manager().GetFocus(), nullptr);
    EXPECT_EQ(manager().FindByName(L"doomed"), nullptr);
    Send(CUIManager::kDeferredDeleteMessage, 0, 0);
    EXPECT_TRUE(deleted);
}

TEST_F(ManagerTest, DeferredDeletionAskedFromAnotherThreadIsDoneOnTheWindowThread) {
    // Notes the thread of every change of its manager and of its deletion.
    struct ThreadNoting : ProbeControl {
        explicit ThreadNoting(std::vector<DWORD>& threads) : threads_(threads) {}
        ~ThreadNoting() override { threads_.push_back(GetCurrentThreadId()); }
        void SetManager(CUIManager* manager, SkinUI::IControlUI* parent, bool init) override {
            threads_.push_back(GetCurrentThreadId());
            ProbeControl::SetManager(manager, parent, init);
        }
        std::vector<DWORD>& threads_;
    };
    std::vector<DWORD> threads;
    auto* doomed = new ThreadNoting(threads);
    doomed->SetName(L"doomed");
    root_->Add(Place(doomed, 0, 150, 20, 20));
    root_->children.pop_back();  // out of the tree, still known to the manager
    manager().FocusControl(doomed);
    ASSERT_TRUE(manager().StartTimer(doomed, 1, 1000000));
    threads.clear();

    std::thread worker([this, doomed] { manager().AddDeferredDelete(doomed); });
    worker.join();
    // The other thread only listed it: focus, names and timers are untouched so far.
    EXPECT_TRUE(threads.empty());
    EXPECT_EQ(manager().GetFocus(), doomed);
    EXPECT_EQ(manager().FindByName(L"doomed"), doomed);

    Pump();  // the posted message arrives
    ASSERT_FALSE(threads.empty());
    for (DWORD thread : threads) {
        EXPECT_EQ(thread, GetCurrentThreadId());
    }
    EXPECT_EQ(manager().GetFocus(), nullptr);
    EXPECT_EQ(manager().FindByName(L"doomed"), nullptr);
}

TEST_F(ManagerTest, FocusControlLaterMovesTheFocusAtTheNextPaint) {
    ASSERT_EQ(manager().GetFocus(), a_);
    window_->notifications.clear();
    manager().FocusControlLater(c_);
    // The old focus goes at once; the new one comes with the next paint.
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_KILLFOCUS), 1);
    EXPECT_EQ(window_->Count(L"killfocus"), 1);
    EXPECT_NE(manager().GetFocus(), c_);
    EXPECT_EQ(c_->Count(SkinUI::UIEVENT_SETFOCUS), 0);
    Paint();
    EXPECT_EQ(manager().GetFocus(), c_);
    EXPECT_EQ(c_->Count(SkinUI::UIEVENT_SETFOCUS), 1);
    EXPECT_EQ(window_->Count(L"setfocus"), 1);
    EXPECT_EQ(b_->Count(SkinUI::UIEVENT_SETFOCUS), 0);
    // Without a control the focus stays.
    manager().FocusControlLater(nullptr);
    Paint();
    EXPECT_EQ(manager().GetFocus(), c_);
}

TEST_F(ManagerTest, WheelGoesToTheControlUnderThePointerAndMovesTheHover) {
    POINT screen = {140, 20};
    ClientToScreen(window_->GetHWND(), &screen);
    const LPARAM at = MAKELPARAM(screen.x, screen.y);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), at);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
    // wParam 1 scrolls down (negative delta), 0 up.
    EXPECT_EQ(b_->WParams(SkinUI::UIEVENT_SCROLLWHEEL), (std::vector<WPARAM>{1, 0}));
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_SCROLLWHEEL), 0);
    // Each is followed by a mouse move at the same point.
    EXPECT_EQ(manager().GetHover(), b_);
    EXPECT_EQ(b_->Count(SkinUI::UIEVENT_MOUSEENTER), 1);
    EXPECT_EQ(b_->Count(SkinUI::UIEVENT_MOUSEMOVE), 2);
    EXPECT_EQ(manager().GetMousePos().x, 140);
}

TEST_F(ManagerTest, QueuedNotificationsWaitForTheNextMessage) {
    window_->notifications.clear();
    manager().NotifyAll(a_, L"later", 0, 0, true);
    EXPECT_EQ(window_->Count(L"later"), 0);
    Send(WM_NULL, 0, 0);
    EXPECT_EQ(window_->Count(L"later"), 1);
    // A sender deleted before delivery is not handed out.
    struct Catcher : SkinUI::INotifyUI {
        SkinUI::CControlUI* sender = reinterpret_cast<SkinUI::CControlUI*>(1);
        void Notify(SkinUI::Notification& n) override { sender = n.sender; }
    } catcher;
    manager().AddListener(&catcher);
    manager().NotifyAll(c_, L"gone", 0, 0, true);
    manager().ForgetControl(c_);
    Send(WM_NULL, 0, 0);
    EXPECT_EQ(catcher.sender, nullptr);
    manager().RemoveListener(&catcher);
}

TEST_F(ManagerTest, TreePaintsEachControlInItsRectangle) {
    root_->SetBkColor(0xFF0000FF);
    a_->SetBkColor(0xFFFF0000);
    b_->SetBkColor(0x80FFFFFF);
    b_->SetBorderColor(0xFF00FF00);
    b_->SetBorderSize(1);
    Dib dib(300, 200, 0xFF123456);
    manager().PaintTree(dib.dc(), RECT{0, 0, 300, 200});
    EXPECT_EQ(dib.Rgb(0, 0), 0x0000FFu);
    EXPECT_EQ(dib.Rgb(10, 10), 0xFF0000u);
    EXPECT_EQ(dib.Rgb(59, 39), 0xFF0000u);
    EXPECT_EQ(dib.Rgb(60, 40), 0x0000FFu);
    EXPECT_EQ(dib.Rgb(130, 10), 0x00FF00u);  // border
    EXPECT_LE(SkinTest::ColorDistance(dib.Rgb(150, 20), 0x8080FF), 2);
    // Only the dirty part is painted.
    Dib part(300, 200, 0xFF123456);
    manager().PaintTree(part.dc(), RECT{0, 0, 20, 20});
    EXPECT_EQ(part.Rgb(15, 15), 0xFF0000u);
    EXPECT_EQ(part.At(25, 25), 0xFF123456u);
}

// Inside a modal loop: press one control, move onto another, then close with result 2.
class ActDuringModal : public SkinUI::IMessageFilterUI {
public:
    static constexpr UINT kActNow = WM_APP + 7;
    ActDuringModal(TestWindow& dialog, HWND owner) : dialog_(dialog), owner_(owner) {}
    LRESULT MessageHandler(UINT message, WPARAM, LPARAM, bool& handled) override {
        if (message == kActNow) {
            handled = true;
            ownerEnabled = IsWindowEnabled(owner_) != FALSE;
            dialog_.manager.LayoutIfNeeded();
            SendMessageW(dialog_.GetHWND(), WM_LBUTTONDOWN, MK_LBUTTON, At(15, 15));
            SendMessageW(dialog_.GetHWND(), WM_MOUSEMOVE, MK_LBUTTON, At(35, 15));
            hoverBeforeClose = dialog_.manager.GetHover();
            dialog_.CloseWnd(2);
        }
        return 0;
    }
    bool ownerEnabled = true;
    SkinUI::CControlUI* hoverBeforeClose = nullptr;

private:
    TestWindow& dialog_;
    HWND owner_;
};

TEST(WindowWnd, RunModalDisablesTheOwnerAndClosingEndsHoverPressAndFocus) {
    struct Plain : SkinUI::CWindowWnd {
        const wchar_t* WindowClassName() const override { return L"SkinTestModal"; }
    };
    Plain owner;
    TestWindow dialog;
    ASSERT_NE(owner.CreateWnd(nullptr, L"owner", WS_POPUP, 0, 0, 0, 50, 50), nullptr);
    ASSERT_NE(dialog.CreateWnd(owner.GetHWND(), L"modal", WS_POPUP, 0, 60, 0, 50, 50), nullptr);
    auto* root = new TestContainer();
    auto* pressed = new ProbeControl();
    auto* hovered = new ProbeControl();
    root->Add(Place(pressed, 10, 10, 10, 10));
    root->Add(Place(hovered, 30, 10, 10, 10));
    dialog.manager.AttachRoot(root);
    ActDuringModal act(dialog, owner.GetHWND());
    dialog.manager.AddMessageHook(&act);

    dialog.CenterOnOwner();
    RECT r;
    GetWindowRect(dialog.GetHWND(), &r);
    EXPECT_EQ(r.left, 0);  // centred on a 50x50 owner at 0,0
    // The pointer rests where the test moves it, so the system reports no leave of its own.
    SetCursorPos(35, 15);
    PostMessageW(dialog.GetHWND(), ActDuringModal::kActNow, 0, 0);
    HWND ownerWindow = owner.GetHWND();
    EXPECT_EQ(dialog.RunModal(), 2u);
    EXPECT_FALSE(act.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(ownerWindow));
    EXPECT_EQ(dialog.GetHWND(), nullptr);

    // Closing ended the hover and the press and cleared the focus.
    EXPECT_EQ(act.hoverBeforeClose, hovered);
    EXPECT_EQ(hovered->Count(SkinUI::UIEVENT_MOUSELEAVE), 1);
    EXPECT_EQ(pressed->Count(SkinUI::UIEVENT_BUTTONUP), 1);
    EXPECT_EQ(dialog.manager.GetFocus(), nullptr);
    EXPECT_EQ(dialog.manager.GetHover(), nullptr);
    EXPECT_EQ(dialog.manager.GetClickControl(), nullptr);
    dialog.manager.RemoveMessageHook(&act);
    DestroyWindow(ownerWindow);
}

namespace {

// A native child that answers reflected messages with the message number it got.
LRESULT CALLBACK ReflectProbe(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= 0x2000 && message < 0x3000) {
        return static_cast<LRESULT>(message);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeReflectProbe(HWND parent) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ReflectProbe;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SkinReflectProbe";
    RegisterClassW(&wc);
    return CreateWindowExW(0, L"SkinReflectProbe", L"", WS_CHILD, 0, 0, 10, 10, parent, nullptr,
                           wc.hInstance, nullptr);
}

}  // namespace

// Each group of messages gives the window its own answer: handled or left to the default
// procedure, and with which result.
TEST_F(ManagerTest, EachMessageGroupAnswersForItself) {
    LRESULT result = -7;
    // Paint: the background is never erased (no flicker), WM_PRINTCLIENT is left to the system.
    EXPECT_TRUE(manager().OnWindowMessage(WM_ERASEBKGND, 0, 0, result));
    EXPECT_EQ(1, result);
    Dib dib(300, 200);
    EXPECT_FALSE(manager().OnWindowMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc()),
                                           PRF_CLIENT, result));

    // Size: the track limits are the window's, only where it has them.
    manager().WindowMetrics().SetMinInfo(120, 0);
    manager().WindowMetrics().SetMaxInfo(0, 400);
    MINMAXINFO info = {};
    info.ptMinTrackSize = {1, 2};
    info.ptMaxTrackSize = {3000, 4000};
    EXPECT_FALSE(
        manager().OnWindowMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), result));
    EXPECT_EQ(120, info.ptMinTrackSize.x);
    EXPECT_EQ(2, info.ptMinTrackSize.y);
    EXPECT_EQ(3000, info.ptMaxTrackSize.x);
    EXPECT_EQ(400, info.ptMaxTrackSize.y);
    manager().WindowMetrics().SetMinInfo(0, 0);
    manager().WindowMetrics().SetMaxInfo(0, 0);
    EXPECT_TRUE(manager().OnWindowMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200), result));

    // Native children: their messages come back to them reflected, and their answer is the
    // window's; without a sender nothing is answered.
    HWND child = MakeReflectProbe(window_->GetHWND());
    ASSERT_NE(nullptr, child);
    EXPECT_TRUE(manager().OnWindowMessage(WM_COMMAND, 0, reinterpret_cast<LPARAM>(child), result));
    EXPECT_EQ(0x2000 + WM_COMMAND, result);
    NMHDR header = {};
    header.hwndFrom = child;
    EXPECT_TRUE(manager().OnWindowMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header), result));
    EXPECT_EQ(0x2000 + WM_NOTIFY, result);
    header.hwndFrom = nullptr;
    EXPECT_FALSE(
        manager().OnWindowMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header), result));
    EXPECT_FALSE(manager().OnWindowMessage(WM_CTLCOLORSTATIC, 0, 0, result));
    DestroyWindow(child);

    // Keys go to the focused control; the release to the control that had the press even
    // when the focus has moved on.
    manager().FocusControl(a_);
    EXPECT_FALSE(manager().OnWindowMessage(WM_KEYDOWN, 'X', 0, result));
    manager().FocusControl(b_);
    EXPECT_FALSE(manager().OnWindowMessage(WM_KEYUP, 'X', 0, result));
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_KEYDOWN), 1);
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_KEYUP), 1);
    EXPECT_EQ(b_->Count(SkinUI::UIEVENT_KEYUP), 0);
    EXPECT_FALSE(manager().OnWindowMessage(WM_KEYUP, 'X', 0, result));
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_KEYUP), 1);
}

// A context menu ends a press as a release does: the pressed control gets it, and the release
// that follows reaches no one.
TEST_F(ManagerTest, ContextMenuEndsThePressOfThePressedControl) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    ASSERT_EQ(manager().GetClickControl(), a_);
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_->GetHWND()), At(500, 500));
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_CONTEXTMENU), 1);
    EXPECT_FALSE(manager().IsCaptured());
    EXPECT_EQ(manager().GetClickControl(), nullptr);
    Send(WM_LBUTTONUP, 0, At(20, 20));
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_BUTTONUP), 0);
    // Without a press a context menu goes nowhere.
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_->GetHWND()), At(20, 20));
    EXPECT_EQ(a_->Count(SkinUI::UIEVENT_CONTEXTMENU), 1);
}
