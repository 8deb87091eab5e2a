// Window messages turned into control events, one handler for each group of messages (the
// pointer's are in ui_manager_mouse.cpp); pre-translation and the message loop.
#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "skinui/core/control_interface.h"
#include "skinui/core/high_contrast.h"
#include "skinui/core/manager_registry.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

// Reflected control messages: the message number plus this base.
constexpr UINT kReflectBase = 0x2000;

// The first hook that handles the message answers it; the list is copied because a hook may
// remove itself.
bool RunMessageHooks(std::vector<IMessageFilterUI*> hooks, UINT message, WPARAM wParam,
                     LPARAM lParam, LRESULT& result) {
    for (IMessageFilterUI* hook : hooks) {
        bool handled = false;
        LRESULT hookResult = hook->MessageHandler(message, wParam, lParam, handled);
        if (handled) {
            result = hookResult;
            return true;
        }
    }
    return false;
}

struct ShortcutSearch {
    wchar_t key;
};

IControlUI* ShortcutVisitor(IControlUI* control, void* data) {
    const wchar_t key = static_cast<ShortcutSearch*>(data)->key;
    if (control->GetShortcut() == 0 || !control->TakesShortcut()) {
        return nullptr;
    }
    return static_cast<wchar_t>(std::towupper(control->GetShortcut())) == key ? control : nullptr;
}

// A button or link that Enter presses itself; check boxes and options leave Enter to the
// default button, as in a Windows dialog.
bool IsPushButton(IControlUI* control) {
    return control != nullptr && control->IsPressedByEnter();
}

// As in a dialog, a text field reached with Tab has its whole text selected, so typing
// replaces it: the native window that says it takes a selection (DLGC_HASSETSEL) gets one.
void SelectAllInNativeEdit(HWND window) {
    HWND focused = ::GetFocus();
    if (focused == nullptr || focused == window || !IsChild(window, focused)) {
        return;
    }
    if ((SendMessageW(focused, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
        SendMessageW(focused, EM_SETSEL, 0, -1);
    }
}

}  // namespace

bool CUIManager::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (window_ == nullptr) {
        return false;
    }
    DeliverQueuedNotifications();
    if (RunMessageHooks(messageHooks_, message, wParam, lParam, result)) {
        return true;
    }
    if (OnAccessibilityMessage(message, wParam, lParam, result)) {
        return true;
    }
    const bool handled = OnMessageGroup(message, wParam, lParam, result);
    DeliverQueuedNotifications();
    return handled;
}

// Each message goes to the handler of its group; true when the window has answered it.
inline bool CUIManager::OnMessageGroup(UINT message, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result) {
    switch (message) {
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            OnSystemColourMessage();
            return false;
        case WM_PAINT:
        case WM_PRINTCLIENT:
        case WM_ERASEBKGND:
            return OnPaintMessage(message, wParam, lParam, result);
        case WM_MOUSEMOVE:
        case WM_MOUSEHOVER:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_CONTEXTMENU:
        case WM_MOUSEWHEEL:
        case WM_SETCURSOR:
            return OnMouseMessage(message, wParam, lParam, result);
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_KEYUP:
            OnKeyMessage(message, wParam, lParam);
            return false;
        case WM_CLOSE:
        case WM_UPDATEUISTATE:
            OnFocusMessage(message, wParam, lParam);
            return false;
        case WM_TIMER:
            OnTimerMessage(wParam, lParam);
            return false;
        case WM_GETMINMAXINFO:
        case WM_SIZE:
        case kDpiChangedMessage:
            return OnSizeMessage(message, wParam, lParam, result);
        case WM_NOTIFY:
        case WM_COMMAND:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            return OnReflectedMessage(message, wParam, lParam, result);
        case kDeferredDeleteMessage:
            DeleteDeferred();
            return false;
        default:
            return false;
    }
}

// High contrast on or off, or other system colours: painted anew with them. Left unhandled, so
// the window's own code hears it too.
inline void CUIManager::OnSystemColourMessage() {
    RefreshHighContrast();
    InvalidateRect(window_, nullptr, FALSE);
}

// Screen readers: the first request makes the window's accessibility.
inline bool CUIManager::OnAccessibilityMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                               LRESULT& result) {
    if (message != WM_GETOBJECT && accessibility_ == nullptr) {
        return false;
    }
    return Accessibility().OnWindowMessage(message, wParam, lParam, result);
}

inline bool CUIManager::OnPaintMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result) {
    switch (message) {
        case WM_PAINT:
            return OnPaint();
        case WM_PRINTCLIENT:
            PrintClient(reinterpret_cast<HDC>(wParam), lParam);
            return false;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        default:
            return false;
    }
}

// WM_PRINTCLIENT: the tree, and with PRF_CHILDREN the native children at their places.
inline void CUIManager::PrintClient(HDC dc, LPARAM flags) {
    RECT client;
    GetClientRect(window_, &client);
    if (root_ != nullptr) {
        root_->Paint(dc, client);
    }
    if ((flags & PRF_CHILDREN) == 0) {
        return;
    }
    for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT pos;
        GetWindowRect(child, &pos);
        MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&pos), 2);
        POINT old;
        OffsetWindowOrgEx(dc, -pos.left, -pos.top, &old);
        SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags | PRF_NONCLIENT);
        SetWindowOrgEx(dc, old.x, old.y, nullptr);
    }
}

inline void CUIManager::OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYUP) {
        if (keyPress_ == nullptr) {
            return;
        }
        IControlUI* control = keyPress_;
        keyPress_ = nullptr;
        ControlEvent event = MakeEvent(UIEVENT_KEYUP, control, wParam, lParam);
        event.key = static_cast<wchar_t>(wParam);
        event.keyState = KeyStateFromKeyboard();
        SendEvent(control, event);
        return;
    }
    if (focus_.Control() == nullptr) {
        return;
    }
    ControlEvent event = MakeEvent(message == WM_KEYDOWN ? UIEVENT_KEYDOWN : UIEVENT_CHAR,
                                   focus_.Control(), wParam, lParam);
    event.key = static_cast<wchar_t>(wParam);
    event.keyState = KeyStateFromKeyboard();
    if (message == WM_KEYDOWN) {
        keyPress_ = focus_.Control();
    }
    SendEvent(focus_.Control(), event);
}

// WM_CLOSE lets go of the hovered and pressed controls and the focus (which goes back to the
// owner); WM_UPDATEUISTATE shows or hides the focus ring.
inline void CUIManager::OnFocusMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_UPDATEUISTATE) {
        // Not handled: the system keeps the window's state and passes it to the children.
        if ((HIWORD(wParam) & UISF_HIDEFOCUS) != 0) {
            if (LOWORD(wParam) == UIS_SET) {
                focus_.SetHidden(true);
            } else if (LOWORD(wParam) == UIS_CLEAR) {
                focus_.SetHidden(false);
            }
        }
        return;
    }
    if (hover_ != nullptr) {
        IControlUI* control = hover_;
        hover_ = nullptr;
        ControlEvent event = MakeEvent(UIEVENT_MOUSELEAVE, control, wParam, lParam);
        SendEvent(control, event);
    }
    if (click_ != nullptr) {
        IControlUI* control = click_;
        click_ = nullptr;
        ControlEvent event = MakeEvent(UIEVENT_BUTTONUP, control, wParam, lParam);
        SendEvent(control, event);
    }
    focus_.Drop();
    HWND owner = ::GetWindow(window_, GW_OWNER);
    if (owner != nullptr) {
        ::SetFocus(owner);
    }
}

inline void CUIManager::OnTimerMessage(WPARAM wParam, LPARAM lParam) {
    IControlUI* target = nullptr;
    UINT localId = 0;
    if (timers_.Find(window_, static_cast<UINT>(wParam), target, localId)) {
        ControlEvent event = MakeEvent(UIEVENT_TIMER, target, localId, lParam);
        SendEvent(target, event);
    }
}

inline bool CUIManager::OnSizeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_GETMINMAXINFO:
            LimitTrackSize(*reinterpret_cast<MINMAXINFO*>(lParam));
            return false;
        case kDpiChangedMessage: {
            // Moved to a display of another scale: the tree takes the new scale first, then the
            // window the size Windows suggests; nothing is painted in between, so no frame shows
            // the old layout in the new size or the other way round.
            SetDpi(LOWORD(wParam));
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            if (suggested != nullptr && window_ != nullptr) {
                SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                             suggested->right - suggested->left, suggested->bottom - suggested->top,
                             SWP_NOZORDER | SWP_NOACTIVATE);
            }
            result = 0;
            return true;
        }
        case WM_SIZE:
            if (focus_.Control() != nullptr) {
                ControlEvent event =
                    MakeEvent(UIEVENT_WINDOWSIZE, focus_.Control(), wParam, lParam);
                SendEvent(focus_.Control(), event);
            }
            if (root_ != nullptr) {
                root_->RequestLayout();
            }
            updateNeeded_ = true;
            return true;
        default:
            return false;
    }
}

inline void CUIManager::LimitTrackSize(MINMAXINFO& info) const {
    const SIZE minimum = metrics_.MinInfo();
    const SIZE maximum = metrics_.MaxInfo();
    if (minimum.cx > 0) {
        info.ptMinTrackSize.x = minimum.cx;
    }
    if (minimum.cy > 0) {
        info.ptMinTrackSize.y = minimum.cy;
    }
    if (maximum.cx > 0) {
        info.ptMaxTrackSize.x = maximum.cx;
    }
    if (maximum.cy > 0) {
        info.ptMaxTrackSize.y = maximum.cy;
    }
}

// Messages of native children come back to them as reflected messages, so that the control
// behind a child answers them.
inline bool CUIManager::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                           LRESULT& result) {
    HWND from = nullptr;
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        from = header != nullptr ? header->hwndFrom : nullptr;
    } else {
        from = reinterpret_cast<HWND>(lParam);
    }
    if (from == nullptr) {
        return false;
    }
    result = SendMessageW(from, message + kReflectBase, wParam, lParam);
    return true;
}

bool CUIManager::OnPreMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (RunMessageHooks(preMessageHooks_, message, wParam, lParam, result)) {
        return true;
    }
    switch (message) {
        case WM_KEYDOWN:
            return OnKeyboardNavigation(wParam, lParam);
        case WM_SYSCHAR: {
            if (root_ == nullptr) {
                break;
            }
            ShortcutSearch search{static_cast<wchar_t>(std::towupper(static_cast<wint_t>(wParam)))};
            IControlUI* control = root_->FindControl(
                ShortcutVisitor, &search, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
            if (control != nullptr) {
                FocusControl(control);
                control->Activate();
                return true;
            }
            break;
        }
        case WM_SYSKEYDOWN:
            if (focus_.Control() != nullptr) {
                ControlEvent event = MakeEvent(UIEVENT_SYSKEY, focus_.Control(), wParam, lParam);
                event.key = static_cast<wchar_t>(wParam);
                event.keyState = KeyStateFromKeyboard();
                SendEvent(focus_.Control(), event);
            }
            break;
        default:
            break;
    }
    return false;
}

// The keys of a Windows dialog, before the focused control (or its native edit box) sees them:
// Tab and Shift+Tab move the focus; Enter presses the focused button or link, or else the
// default button; Esc presses the cancel button (the window's close); Space and the arrows
// reach the focused control. Each of them shows the focus from then on.
bool CUIManager::OnKeyboardNavigation(WPARAM key, LPARAM lParam) {
    // A held key repeats: Enter and Esc act once per press.
    const bool repeat = (lParam & 0x40000000) != 0;
    switch (key) {
        case VK_TAB:
            ShowFocusFromKeyboard();
            FocusNextTab(GetKeyState(VK_SHIFT) >= 0);
            SelectAllInNativeEdit(window_);
            return true;
        case VK_RETURN: {
            IControlUI* target =
                IsPushButton(focus_.Control()) ? focus_.Control() : DefaultButton();
            if (target == nullptr) {
                return false;
            }
            ShowFocusFromKeyboard();
            if (!repeat) {
                target->Activate();
            }
            return true;
        }
        case VK_ESCAPE: {
            IControlUI* cancel = CancelButton();
            if (cancel == nullptr) {
                return false;
            }
            if (!repeat) {
                cancel->Activate();
            }
            return true;
        }
        case VK_SPACE:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (focus_.Control() != nullptr) {
                ShowFocusFromKeyboard();
            }
            return false;
        default:
            return false;
    }
}

bool CUIManager::TranslateQueuedMessage(MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) {
        return false;
    }
    CUIManager* manager = nullptr;
    if ((GetWindowLongW(msg->hwnd, GWL_STYLE) & WS_CHILD) != 0) {
        for (HWND window = msg->hwnd; window != nullptr && manager == nullptr;
             window = GetParent(window)) {
            manager = ManagerRegistry::ForWindow(window);
        }
    } else {
        manager = ManagerRegistry::ForWindow(msg->hwnd);
    }
    if (manager == nullptr) {
        return false;
    }
    auto accelerators = manager->accelerators_;
    for (ITranslateAccelerator* accelerator : accelerators) {
        if (accelerator->TranslateAccelerator(msg) == 0) {
            return true;
        }
    }
    LRESULT result = 0;
    return manager->OnPreMessage(msg->message, msg->wParam, msg->lParam, result);
}

void CUIManager::RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateQueuedMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

}  // namespace SkinUI
