// Window messages turned into control events; pre-translation and the message loop.
#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "skinui/core/control_interface.h"
#include "skinui/core/high_contrast.h"
#include "skinui/core/manager_registry.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

// Reflected control messages: the message number plus this base.
constexpr UINT kReflectBase = 0x2000;

POINT PointOf(LPARAM lParam) {
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
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

void CUIManager::SetHover(IControlUI* control) {
    if (control == hover_) {
        return;
    }
    if (hover_ != nullptr) {
        ControlEvent leave = MakeEvent(UIEVENT_MOUSELEAVE, hover_);
        IControlUI* old = hover_;
        hover_ = nullptr;
        SendEvent(old, leave);
        if (tooltip_ != nullptr) {
            SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
        }
    }
    if (control != nullptr) {
        hover_ = control;
        ControlEvent enter = MakeEvent(UIEVENT_MOUSEENTER, control);
        SendEvent(control, enter);
    }
}

void CUIManager::OnMouseMove(POINT point) {
    if (!mouseTracking_) {
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof track;
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = window_;
        track.dwHoverTime =
            tooltip_ == nullptr
                ? 400u
                : static_cast<DWORD>(SendMessageW(tooltip_, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        TrackMouseEvent(&track);
        mouseTracking_ = true;
    }
    lastMouse_ = point;
    IControlUI* control = ControlAt(point);
    if (control != nullptr && control->GetManager() != this) {
        return;
    }
    SetHover(control);
    IControlUI* target = click_ != nullptr ? click_ : control;
    ControlEvent event = MakeEvent(UIEVENT_MOUSEMOVE, target);
    SendEvent(target, event);
}

void CUIManager::ShowToolTip(IControlUI* control) {
    std::wstring text = control->GetToolTip();
    if (text.empty()) {
        return;
    }
    tooltipText_ = text;
    toolInfo_.cbSize = TTTOOLINFOW_V2_SIZE;
    toolInfo_.uFlags = TTF_IDISHWND;
    toolInfo_.hwnd = window_;
    toolInfo_.uId = reinterpret_cast<UINT_PTR>(window_);
    toolInfo_.hinst = GetProgramInstance();
    toolInfo_.lpszText = &tooltipText_[0];
    toolInfo_.rect = control->GetPos();
    if (tooltip_ == nullptr) {
        tooltip_ =
            CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                            nullptr, GetProgramInstance(), nullptr);
        // The window's own scale, not the system's (a second display may differ).
        SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(GetDefaultFont()->font.get()),
                     FALSE);
        SendMessageW(tooltip_, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&toolInfo_));
    }
    SendMessageW(tooltip_, TTM_SETTOOLINFO, 0, reinterpret_cast<LPARAM>(&toolInfo_));
    SendMessageW(tooltip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&toolInfo_));
}

bool CUIManager::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (window_ == nullptr) {
        return false;
    }
    DeliverQueuedNotifications();
    {
        auto hooks = messageHooks_;
        for (IMessageFilterUI* hook : hooks) {
            bool handled = false;
            LRESULT hookResult = hook->MessageHandler(message, wParam, lParam, handled);
            if (handled) {
                result = hookResult;
                return true;
            }
        }
    }
    // Screen readers: the first request makes the window's accessibility.
    if (message == WM_GETOBJECT || accessibility_ != nullptr) {
        if (Accessibility().OnWindowMessage(message, wParam, lParam, result)) {
            return true;
        }
    }
    bool handled = false;
    switch (message) {
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            // High contrast on or off, or other system colours: painted anew with them. Left
            // unhandled, so the window's own code hears it too.
            RefreshHighContrast();
            InvalidateRect(window_, nullptr, FALSE);
            break;
        case WM_PAINT:
            handled = OnPaint();
            break;
        case WM_PRINTCLIENT: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            RECT client;
            GetClientRect(window_, &client);
            if (root_ != nullptr) {
                root_->Paint(dc, client);
            }
            if ((lParam & PRF_CHILDREN) != 0) {
                for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr;
                     child = ::GetWindow(child, GW_HWNDNEXT)) {
                    RECT pos;
                    GetWindowRect(child, &pos);
                    MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&pos), 2);
                    POINT old;
                    OffsetWindowOrgEx(dc, -pos.left, -pos.top, &old);
                    SendMessageW(child, WM_PRINT, wParam, lParam | PRF_NONCLIENT);
                    SetWindowOrgEx(dc, old.x, old.y, nullptr);
                }
            }
            break;
        }
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            const SIZE minimum = GetMinInfo();
            const SIZE maximum = GetMaxInfo();
            if (minimum.cx > 0) {
                info->ptMinTrackSize.x = minimum.cx;
            }
            if (minimum.cy > 0) {
                info->ptMinTrackSize.y = minimum.cy;
            }
            if (maximum.cx > 0) {
                info->ptMaxTrackSize.x = maximum.cx;
            }
            if (maximum.cy > 0) {
                info->ptMaxTrackSize.y = maximum.cy;
            }
            break;
        }
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
            handled = true;
            break;
        }
        case WM_SIZE: {
            if (focus_.Control() != nullptr) {
                ControlEvent event =
                    MakeEvent(UIEVENT_WINDOWSIZE, focus_.Control(), wParam, lParam);
                SendEvent(focus_.Control(), event);
            }
            if (root_ != nullptr) {
                root_->RequestLayout();
            }
            updateNeeded_ = true;
            handled = true;
            break;
        }
        case WM_TIMER: {
            IControlUI* target = nullptr;
            UINT localId = 0;
            if (timers_.Find(window_, static_cast<UINT>(wParam), target, localId)) {
                ControlEvent event = MakeEvent(UIEVENT_TIMER, target, localId, lParam);
                SendEvent(target, event);
            }
            break;
        }
        case WM_MOUSEMOVE:
            OnMouseMove(PointOf(lParam));
            break;
        case WM_MOUSEHOVER: {
            mouseTracking_ = false;
            POINT point = PointOf(lParam);
            IControlUI* control = ControlAt(point);
            if (hover_ != nullptr) {
                ControlEvent event = MakeEvent(UIEVENT_MOUSEHOVER, hover_, wParam, lParam);
                event.mouse = point;
                SendEvent(hover_, event);
            }
            if (control != nullptr) {
                ShowToolTip(control);
            }
            handled = true;
            break;
        }
        case WM_MOUSELEAVE:
            if (tooltip_ != nullptr) {
                SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE,
                             reinterpret_cast<LPARAM>(&toolInfo_));
            }
            // A hover report ends the tracking of this manager but not the system's tracking of
            // the leave: a control still hovered then is left too.
            if (mouseTracking_ || hover_ != nullptr) {
                SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(-1, -1));
            }
            mouseTracking_ = false;
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            ManagerRegistry::SetKeyboardLastUsed(false);
            ::SetFocus(window_);
            POINT point = PointOf(lParam);
            lastMouse_ = point;
            IControlUI* control = ControlAt(point);
            if (control == nullptr || control->GetManager() != this) {
                break;
            }
            click_ = control;
            FocusControl(control);
            CaptureMouse();
            int kind = message == WM_LBUTTONDOWN   ? UIEVENT_BUTTONDOWN
                       : message == WM_RBUTTONDOWN ? UIEVENT_RBUTTONDOWN
                                                   : UIEVENT_DBLCLICK;
            ControlEvent event = MakeEvent(kind, control, wParam, lParam);
            event.keyState = static_cast<WORD>(wParam);
            SendEvent(control, event);
            break;
        }
        case WM_LBUTTONUP: {
            POINT point = PointOf(lParam);
            lastMouse_ = point;
            if (click_ == nullptr) {
                break;
            }
            ReleaseMouse();
            IControlUI* control = click_;
            click_ = nullptr;
            ControlEvent event = MakeEvent(UIEVENT_BUTTONUP, control, wParam, lParam);
            event.keyState = static_cast<WORD>(wParam);
            SendEvent(control, event);
            break;
        }
        case WM_CONTEXTMENU: {
            if (click_ == nullptr) {
                break;
            }
            ReleaseMouse();
            IControlUI* control = click_;
            click_ = nullptr;
            ControlEvent event = MakeEvent(UIEVENT_CONTEXTMENU, control, wParam, lParam);
            SendEvent(control, event);
            break;
        }
        case WM_MOUSEWHEEL: {
            POINT point = PointOf(lParam);
            ScreenToClient(window_, &point);
            lastMouse_ = point;
            IControlUI* control = ControlAt(point);
            if (control == nullptr || control->GetManager() != this) {
                break;
            }
            const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
            ControlEvent event = MakeEvent(UIEVENT_SCROLLWHEEL, control, delta < 0 ? 1 : 0, lParam);
            event.keyState = KeyStateFromKeyboard();
            SendEvent(control, event);
            SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
            break;
        }
        case WM_KEYDOWN:
        case WM_CHAR: {
            if (focus_.Control() == nullptr) {
                break;
            }
            ControlEvent event = MakeEvent(message == WM_KEYDOWN ? UIEVENT_KEYDOWN : UIEVENT_CHAR,
                                           focus_.Control(), wParam, lParam);
            event.key = static_cast<wchar_t>(wParam);
            event.keyState = KeyStateFromKeyboard();
            if (message == WM_KEYDOWN) {
                keyPress_ = focus_.Control();
            }
            SendEvent(focus_.Control(), event);
            break;
        }
        case WM_KEYUP: {
            if (keyPress_ == nullptr) {
                break;
            }
            IControlUI* control = keyPress_;
            keyPress_ = nullptr;
            ControlEvent event = MakeEvent(UIEVENT_KEYUP, control, wParam, lParam);
            event.key = static_cast<wchar_t>(wParam);
            event.keyState = KeyStateFromKeyboard();
            SendEvent(control, event);
            break;
        }
        case WM_SETCURSOR: {
            if (LOWORD(lParam) != HTCLIENT) {
                break;
            }
            if (captured_) {
                handled = true;
                break;
            }
            POINT point;
            GetCursorPos(&point);
            ScreenToClient(window_, &point);
            IControlUI* control = ControlAt(point);
            if (control == nullptr || (control->GetInputFlags() & UIFLAG_SETCURSOR) == 0) {
                break;
            }
            ControlEvent event = MakeEvent(UIEVENT_SETCURSOR, control, wParam, lParam);
            event.mouse = point;
            event.keyState = KeyStateFromKeyboard();
            SendEvent(control, event);
            result = TRUE;
            handled = true;
            break;
        }
        case WM_CLOSE: {
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
            break;
        }
        case WM_UPDATEUISTATE:
            // Not handled: the system keeps the window's state and passes it to the children.
            if ((HIWORD(wParam) & UISF_HIDEFOCUS) != 0) {
                if (LOWORD(wParam) == UIS_SET) {
                    focus_.SetHidden(true);
                } else if (LOWORD(wParam) == UIS_CLEAR) {
                    focus_.SetHidden(false);
                }
            }
            break;
        case WM_ERASEBKGND:
            result = 1;
            handled = true;
            break;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header != nullptr && header->hwndFrom != nullptr) {
                result = SendMessageW(header->hwndFrom, message + kReflectBase, wParam, lParam);
                handled = true;
            }
            break;
        }
        case WM_COMMAND:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            if (lParam != 0) {
                result = SendMessageW(reinterpret_cast<HWND>(lParam), message + kReflectBase,
                                      wParam, lParam);
                handled = true;
            }
            break;
        case kDeferredDeleteMessage:
            DeleteDeferred();
            break;
        default:
            break;
    }
    DeliverQueuedNotifications();
    return handled;
}

bool CUIManager::OnPreMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    auto hooks = preMessageHooks_;
    for (IMessageFilterUI* hook : hooks) {
        bool handled = false;
        LRESULT hookResult = hook->MessageHandler(message, wParam, lParam, handled);
        if (handled) {
            result = hookResult;
            return true;
        }
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
