// The pointer's messages turned into control events: hover and leave, presses and releases,
// the wheel, the cursor shape and the tooltip.
#include <windowsx.h>

#include "skinui/core/control_interface.h"
#include "skinui/core/manager_registry.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

POINT PointOf(LPARAM lParam) {
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
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

bool CUIManager::OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_MOUSEMOVE:
            OnMouseMove(PointOf(lParam));
            return false;
        case WM_MOUSEHOVER:
            OnMouseHover(wParam, lParam);
            return true;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return false;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            OnMouseDown(message, wParam, lParam);
            return false;
        case WM_LBUTTONUP:
            lastMouse_ = PointOf(lParam);
            EndClick(UIEVENT_BUTTONUP, wParam, lParam, true);
            return false;
        case WM_CONTEXTMENU:
            EndClick(UIEVENT_CONTEXTMENU, wParam, lParam, false);
            return false;
        case WM_MOUSEWHEEL:
            OnMouseWheel(wParam, lParam);
            return false;
        case WM_SETCURSOR:
            return OnSetCursor(wParam, lParam, result);
        default:
            return false;
    }
}

inline void CUIManager::OnMouseHover(WPARAM wParam, LPARAM lParam) {
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
}

inline void CUIManager::OnMouseLeave() {
    if (tooltip_ != nullptr) {
        SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
    }
    // A hover report ends the tracking of this manager but not the system's tracking of
    // the leave: a control still hovered then is left too.
    if (mouseTracking_ || hover_ != nullptr) {
        SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(-1, -1));
    }
    mouseTracking_ = false;
}

inline void CUIManager::OnMouseDown(UINT message, WPARAM wParam, LPARAM lParam) {
    ManagerRegistry::SetKeyboardLastUsed(false);
    ::SetFocus(window_);
    POINT point = PointOf(lParam);
    lastMouse_ = point;
    IControlUI* control = ControlAt(point);
    if (control == nullptr || control->GetManager() != this) {
        return;
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
}

inline void CUIManager::EndClick(int kind, WPARAM wParam, LPARAM lParam, bool withKeyState) {
    if (click_ == nullptr) {
        return;
    }
    ReleaseMouse();
    IControlUI* control = click_;
    click_ = nullptr;
    ControlEvent event = MakeEvent(kind, control, wParam, lParam);
    if (withKeyState) {
        event.keyState = static_cast<WORD>(wParam);
    }
    SendEvent(control, event);
}

inline void CUIManager::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    POINT point = PointOf(lParam);
    ScreenToClient(window_, &point);
    lastMouse_ = point;
    IControlUI* control = ControlAt(point);
    if (control == nullptr || control->GetManager() != this) {
        return;
    }
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    ControlEvent event = MakeEvent(UIEVENT_SCROLLWHEEL, control, delta < 0 ? 1 : 0, lParam);
    event.keyState = KeyStateFromKeyboard();
    SendEvent(control, event);
    SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
}

inline bool CUIManager::OnSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (LOWORD(lParam) != HTCLIENT) {
        return false;
    }
    if (captured_) {
        return true;
    }
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(window_, &point);
    IControlUI* control = ControlAt(point);
    if (control == nullptr || (control->GetInputFlags() & UIFLAG_SETCURSOR) == 0) {
        return false;
    }
    ControlEvent event = MakeEvent(UIEVENT_SETCURSOR, control, wParam, lParam);
    event.mouse = point;
    event.keyState = KeyStateFromKeyboard();
    SendEvent(control, event);
    result = TRUE;
    return true;
}

}  // namespace SkinUI
