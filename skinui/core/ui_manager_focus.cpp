// Focus, tab order, hit testing and capture of a paint manager.
#include <algorithm>

#include "skinui/controls/control.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

CControlUI* CollectTabStop(CControlUI* control, void* data) {
    if ((control->GetInputFlags() & UIFLAG_TABSTOP) != 0) {
        static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    }
    return nullptr;
}

CControlUI* HitVisitor(CControlUI* control, void* /*data*/) {
    return control;
}

}  // namespace

ControlEvent CUIManager::MakeEvent(int kind, CControlUI* target, WPARAM wParam, LPARAM lParam) {
    ControlEvent event;
    event.kind = kind;
    event.sender = target;
    event.timestamp = GetTickCount();
    event.mouse = lastMouse_;
    event.wParam = wParam;
    event.lParam = lParam;
    return event;
}

void CUIManager::SendEvent(CControlUI* target, ControlEvent& event) {
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

void CUIManager::FocusControl(CControlUI* control) {
    if (window_ != nullptr && ::GetFocus() != window_ && control != focus_) {
        ::SetFocus(window_);
    }
    if (control == focus_) {
        return;
    }
    if (focus_ != nullptr) {
        CControlUI* old = focus_;
        focus_ = nullptr;
        ControlEvent event = MakeEvent(UIEVENT_KILLFOCUS, control);
        SendEvent(old, event);
        NotifyAll(old, L"killfocus");
    }
    if (control != nullptr && control->GetManager() == this && control->IsVisible() &&
        control->IsEnabled()) {
        focus_ = control;
        ControlEvent event = MakeEvent(UIEVENT_SETFOCUS, control);
        SendEvent(control, event);
        NotifyAll(control, L"setfocus");
        // Screen readers: the one place the focused control changes.
        if (focus_ == control && window_ != nullptr) {
            Accessibility().OnFocusChanged(control);
        }
    }
}

void CUIManager::FocusControlLater(CControlUI* control) {
    if (window_ != nullptr) {
        ::SetFocus(window_);
    }
    if (control == nullptr) {
        return;
    }
    if (focus_ != nullptr) {
        CControlUI* old = focus_;
        focus_ = nullptr;
        ControlEvent event = MakeEvent(UIEVENT_KILLFOCUS, control);
        SendEvent(old, event);
        NotifyAll(old, L"killfocus");
    }
    std::vector<CControlUI*> stops;
    if (root_ != nullptr) {
        root_->FindControl(CollectTabStop, &stops,
                           UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    }
    auto found = std::find(stops.begin(), stops.end(), control);
    if (found != stops.end()) {
        focus_ = found == stops.begin() ? stops.back() : *(found - 1);
        if (focus_ == control) {
            focus_ = nullptr;
        }
    }
    focusNeeded_ = true;
    if (root_ != nullptr) {
        root_->RequestLayout();
    }
    updateNeeded_ = true;
}

bool CUIManager::FocusNextTab(bool forward) {
    if (updateNeeded_) {
        focusNeeded_ = true;
        if (window_ != nullptr) {
            InvalidateRect(window_, nullptr, FALSE);
        }
        return true;
    }
    focusNeeded_ = false;
    if (root_ == nullptr) {
        return false;
    }
    std::vector<CControlUI*> stops;
    root_->FindControl(CollectTabStop, &stops, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    if (stops.empty()) {
        return false;
    }
    auto current = std::find(stops.begin(), stops.end(), focus_);
    std::size_t next = 0;
    if (current == stops.end()) {
        next = forward ? 0 : stops.size() - 1;
    } else {
        std::size_t index = static_cast<std::size_t>(current - stops.begin());
        next = forward ? (index + 1) % stops.size() : (index + stops.size() - 1) % stops.size();
    }
    FocusControl(stops[next]);
    return true;
}

CControlUI* CUIManager::FindAtPoint(POINT point) const {
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
