// Focus, tab order, hit testing and capture of a paint manager.
#include <algorithm>
#include <vector>

#include "skinui/core/control_interface.h"
#include "skinui/core/manager_registry.h"
#include "skinui/core/reading_order.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

IControlUI* CollectTabStop(IControlUI* control, void* data) {
    if ((control->GetInputFlags() & UIFLAG_TABSTOP) != 0) {
        static_cast<std::vector<IControlUI*>*>(data)->push_back(control);
    }
    return nullptr;
}

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

void CUIManager::FocusControl(IControlUI* control) {
    if (window_ != nullptr && ::GetFocus() != window_ && control != focus_) {
        ::SetFocus(window_);
    }
    if (control == focus_) {
        return;
    }
    focusState_.DropPending();
    InvalidateFocusRing();
    if (focus_ != nullptr) {
        IControlUI* old = focus_;
        focus_ = nullptr;
        ControlEvent event = MakeEvent(UIEVENT_KILLFOCUS, control);
        SendEvent(old, event);
        NotifyAll(old, L"killfocus");
    }
    if (control != nullptr && control->GetManager() == this && control->IsVisible() &&
        control->IsEnabled()) {
        focus_ = control;
        InvalidateFocusRing();
        ControlEvent event = MakeEvent(UIEVENT_SETFOCUS, control);
        SendEvent(control, event);
        NotifyAll(control, L"setfocus");
        // Screen readers: the one place the focused control changes. A page that holds the
        // focus for a moment before its default button takes it is not announced.
        if (focus_ == control && window_ != nullptr &&
            (control->GetInputFlags() & UIFLAG_TABSTOP) != 0) {
            Accessibility().OnFocusChanged(control);
        }
    }
}

void CUIManager::FocusControlLater(IControlUI* control) {
    if (window_ != nullptr) {
        ::SetFocus(window_);
    }
    if (control == nullptr) {
        return;
    }
    if (focus_ != nullptr) {
        InvalidateFocusRing();
        IControlUI* old = focus_;
        focus_ = nullptr;
        ControlEvent event = MakeEvent(UIEVENT_KILLFOCUS, control);
        SendEvent(old, event);
        NotifyAll(old, L"killfocus");
    }
    focusState_.AskLater(control);
    if (root_ != nullptr) {
        root_->RequestLayout();
    }
    updateNeeded_ = true;
}

std::vector<IControlUI*> CUIManager::TabStops() const {
    std::vector<IControlUI*> stops;
    if (root_ != nullptr) {
        root_->FindControl(CollectTabStop, &stops,
                           UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    }
    SortInReadingOrder(stops);
    return stops;
}

std::vector<CControlUI*> CUIManager::GetTabStops() const {
    std::vector<CControlUI*> stops;
    for (IControlUI* stop : TabStops()) {
        stops.push_back(stop->AsControl());
    }
    return stops;
}

bool CUIManager::FocusNextTab(bool forward) {
    // The order is the one on screen: a pending layout is done first. The key decides where
    // the focus goes, not a default focus still waiting for that layout.
    focusState_.Settle();
    LayoutIfNeeded();
    IControlUI* next = CFocusState::NextTabStop(TabStops(), focus_, forward);
    if (next == nullptr) {
        return false;
    }
    FocusControl(next);
    return true;
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

void CUIManager::FocusDefaultButton() {
    focusState_.Settle();
    IControlUI* target = DefaultButton();
    if (target == nullptr) {
        const std::vector<IControlUI*> stops = TabStops();
        target = stops.empty() ? nullptr : stops.front();
    }
    FocusControl(target);
}

void CUIManager::FocusDefaultButtonLater() {
    focusState_.AskDefaultLater();
    if (window_ != nullptr) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

// ---- keyboard cues ------------------------------------------------------------------------

void CUIManager::SetFocusHidden(bool hidden) {
    if (focusState_.SetHidden(hidden)) {
        InvalidateFocusRing();
    }
}

void CUIManager::ShowFocusFromKeyboard() {
    ManagerRegistry::SetKeyboardLastUsed(true);
    if (!focusState_.IsHidden()) {
        return;
    }
    // Windows' way: the top-level window hears of the change and tells itself and its children
    // (WM_UPDATEUISTATE, handled below). Should the message not come back, the state changes
    // here all the same.
    if (window_ != nullptr) {
        SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
    SetFocusHidden(false);
}

FocusRingStyle CUIManager::FocusRingStyleOf(IControlUI* control) const {
    // The skin's sizes as they are drawn: the one place to turn layout pixels into screen
    // pixels.
    if (control == nullptr) {
        return FocusRingStyle{};
    }
    FocusRingStyle style = control->GetFocusRing(focusRing_);
    // A visible ring stays at least a pixel wide at any scale.
    style.width = style.width > 0 ? (std::max)(1, ScaleLength(style.width)) : 0;
    style.gap = ScaleLength(style.gap);
    return style;
}

RECT CUIManager::FocusRingRectOf(IControlUI* control) const {
    // Only a control the keyboard can reach shows that it has the focus (a window button or a
    // page that took it from a click or a page change does not).
    if (control == nullptr || (control->GetInputFlags() & UIFLAG_TABSTOP) == 0) {
        return RECT{0, 0, 0, 0};
    }
    const FocusRingStyle style = FocusRingStyleOf(control);
    if ((style.color >> 24) == 0) {
        return RECT{0, 0, 0, 0};
    }
    return FocusRingOuterRect(control->GetPos(), style.width, style.gap);
}

void CUIManager::InvalidateFocusRing() {
    if (focus_ == nullptr || window_ == nullptr) {
        return;
    }
    const RECT ring = FocusRingRectOf(focus_);
    if (!IsRectEmpty(&ring)) {
        Invalidate(ring);
    }
}

void CUIManager::PaintFocusRing(HDC dc, const RECT& update) {
    if (focusState_.IsHidden() || focus_ == nullptr || !focus_->IsVisible() ||
        !focus_->IsEnabled()) {
        return;
    }
    const RECT ring = FocusRingRectOf(focus_);
    RECT overlap;
    if (IsRectEmpty(&ring) || !IntersectRect(&overlap, &ring, &update)) {
        return;
    }
    SkinUI::PaintFocusRing(dc, focus_->GetPos(), FocusRingStyleOf(focus_));
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
