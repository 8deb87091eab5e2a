// What the window does for its keyboard focus (CKeyboardFocus), default and cancel buttons,
// keyboard cues, hit testing and capture of a paint manager.
#include <vector>

#include "skinui/core/control_interface.h"
#include "skinui/core/manager_registry.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

IControlUI* DefaultVisitor(IControlUI* control, void* /*data*/) {
    return control->IsDefaultButton() ? control : nullptr;
}

IControlUI* CancelVisitor(IControlUI* control, void* /*data*/) {
    return control->IsCancelButton() ? control : nullptr;
}

IControlUI* HitVisitor(IControlUI* control, void* /*data*/) {
    return control;
}

}  // namespace

ControlEvent CUIManager::MakeEvent(int kind, IControlUI* target, WPARAM wParam, LPARAM lParam) {
    ControlEvent event;
    event.kind = kind;
    event.sender = ControlOf(target);
    event.timestamp = GetTickCount();
    event.mouse = lastMouse_;
    event.wParam = wParam;
    event.lParam = lParam;
    return event;
}

void CUIManager::SendEvent(IControlUI* target, ControlEvent& event) {
    if (target != nullptr) {
        target->Event(event);
    }
}

WORD CUIManager::KeyStateFromKeyboard() {
    WORD state = 0;
    if (GetKeyState(VK_RBUTTON) < 0) {
        state |= UIKEYSTATE_RBUTTON;
    }
    if (GetKeyState(VK_LBUTTON) < 0) {
        state |= UIKEYSTATE_LBUTTON;
    }
    if (GetKeyState(VK_SHIFT) < 0) {
        state |= UIKEYSTATE_SHIFT;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        state |= UIKEYSTATE_CONTROL;
    }
    if (GetKeyState(VK_MENU) < 0) {
        state |= UIKEYSTATE_ALT;
    }
    return state;
}

// ---- what a focus change asks of the window ------------------------------------------------

void CUIManager::TakeWindowFocus(bool always) {
    if (window_ != nullptr && (always || ::GetFocus() != window_)) {
        ::SetFocus(window_);
    }
}

bool CUIManager::IsOwnControl(IControlUI* control) const {
    return control->GetManager() == this;
}

void CUIManager::OnFocusStep(FocusStep step, IControlUI* control, IControlUI* gaining) {
    if (step == FocusStep::Lost || step == FocusStep::Gained) {
        ControlEvent event =
            MakeEvent(step == FocusStep::Lost ? UIEVENT_KILLFOCUS : UIEVENT_SETFOCUS, gaining);
        SendEvent(control, event);
    } else if (step != FocusStep::Announced) {
        NotifyAll(control, step == FocusStep::LostNotice ? L"killfocus" : L"setfocus");
    } else if (window_ != nullptr) {
        Accessibility().OnFocusChanged(control);
    }
}

void CUIManager::InvalidateArea(const RECT* area) {
    if (window_ != nullptr) {
        InvalidateRect(window_, area, FALSE);
    }
}

void CUIManager::RequestLayout() {
    if (root_ != nullptr) {
        root_->RequestLayout();
    }
    updateNeeded_ = true;
}

bool CUIManager::FocusNextTab(bool forward) {
    // The order is the one on screen: a pending layout is done first. The key decides where
    // the focus goes, not a default focus still waiting for that layout.
    focus_.StopWaiting();
    LayoutIfNeeded();
    return focus_.MoveToNextTabStop(forward);
}

IControlUI* CUIManager::DefaultButton() const {
    if (root_ == nullptr) {
        return nullptr;
    }
    return root_->FindControl(DefaultVisitor, nullptr,
                              UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
}

IControlUI* CUIManager::CancelButton() const {
    if (root_ == nullptr) {
        return nullptr;
    }
    return root_->FindControl(CancelVisitor, nullptr,
                              UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
}

// ---- keyboard cues ------------------------------------------------------------------------

void CUIManager::ShowFocusFromKeyboard() {
    ManagerRegistry::SetKeyboardLastUsed(true);
    if (!focus_.IsHidden()) {
        return;
    }
    // Windows' way: the top-level window hears of the change and tells itself and its children
    // (WM_UPDATEUISTATE, handled below). Should the message not come back, the state changes
    // here all the same.
    if (window_ != nullptr) {
        SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
    focus_.SetHidden(false);
}

IControlUI* CUIManager::ControlAt(POINT point) const {
    if (root_ == nullptr) {
        return nullptr;
    }
    return root_->FindControl(HitVisitor, &point,
                              UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

void CUIManager::CaptureMouse() {
    if (window_ != nullptr) {
        SetCapture(window_);
    }
    captured_ = true;
}

void CUIManager::ReleaseMouse() {
    ReleaseCapture();
    captured_ = false;
}

}  // namespace SkinUI
