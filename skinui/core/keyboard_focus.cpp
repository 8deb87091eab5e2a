#include "skinui/core/keyboard_focus.h"

#include <algorithm>

namespace SkinUI {

// Marks a control as on its way to the focus for as long as a change lasts; a change started
// from a listener meanwhile stacks its own.
class CKeyboardFocus::Arrival {
public:
    Arrival(Arrival*& top, IControlUI* control) : top_(top), outer_(top), control_(control) {
        top_ = this;
    }
    ~Arrival() { top_ = outer_; }
    Arrival(const Arrival&) = delete;
    Arrival& operator=(const Arrival&) = delete;
    // False once the control went away.
    bool Alive() const { return control_ != nullptr; }
    // Every change on the way to `control` stops.
    static void Forget(Arrival* top, IControlUI* control) {
        for (Arrival* arrival = top; arrival != nullptr; arrival = arrival->outer_) {
            if (arrival->control_ == control) {
                arrival->control_ = nullptr;
            }
        }
    }

private:
    Arrival*& top_;
    Arrival* outer_;
    IControlUI* control_;
};

void CKeyboardFocus::LoseTo(IControlUI* gaining) {
    InvalidateRing();
    if (focused_ == nullptr) {
        return;
    }
    IControlUI* old = focused_;
    focused_ = nullptr;
    host_.OnFocusStep(FocusStep::Lost, old, gaining);
    host_.OnFocusStep(FocusStep::LostNotice, old, gaining);
}

void CKeyboardFocus::Set(IControlUI* control) {
    if (control == focused_) {
        return;
    }
    host_.TakeWindowFocus(false);
    // The window's messages on taking Windows' focus may have moved it already.
    if (control == focused_) {
        return;
    }
    state_.DropPending();
    if (control == nullptr) {
        LoseTo(nullptr);
        return;
    }
    Arrival arrival(arriving_, control);
    LoseTo(control);
    if (!arrival.Alive() || !host_.IsOwnControl(control) || !control->IsVisible() ||
        !control->IsEnabled()) {
        return;
    }
    focused_ = control;
    InvalidateRing();
    host_.OnFocusStep(FocusStep::Gained, control, control);
    if (!arrival.Alive()) {
        return;
    }
    host_.OnFocusStep(FocusStep::GainedNotice, control, control);
    // Screen readers: a page that holds the focus for a moment before its default button
    // takes it is not announced.
    if (arrival.Alive() && focused_ == control &&
        (control->GetInputFlags() & UIFLAG_TABSTOP) != 0) {
        host_.OnFocusStep(FocusStep::Announced, control, control);
    }
}

void CKeyboardFocus::SetLater(IControlUI* control) {
    host_.TakeWindowFocus(true);
    if (control == nullptr) {
        return;
    }
    Arrival arrival(arriving_, control);
    LoseTo(control);
    state_.AskLater(arrival.Alive() ? control : nullptr);
    host_.RequestLayout();
}

bool CKeyboardFocus::MoveToNextTabStop(bool forward) {
    state_.Settle();
    IControlUI* next = CFocusState::NextTabStop(host_.TabStops(), focused_, forward);
    if (next == nullptr) {
        return false;
    }
    Set(next);
    return true;
}

void CKeyboardFocus::SetToDefault() {
    state_.Settle();
    IControlUI* target = host_.DefaultButton();
    if (target == nullptr) {
        const std::vector<IControlUI*> stops = host_.TabStops();
        target = stops.empty() ? nullptr : stops.front();
    }
    Set(target);
}

void CKeyboardFocus::SettleAfterLayout() {
    if (!state_.IsNeeded()) {
        return;
    }
    if (IControlUI* pending = state_.TakeAfterLayout(host_.TabStops())) {
        Set(pending);
    } else {
        SetToDefault();
    }
}

void CKeyboardFocus::Forget(IControlUI* control) {
    if (control == nullptr) {
        return;
    }
    if (focused_ == control) {
        focused_ = nullptr;
    }
    Arrival::Forget(arriving_, control);
    state_.Forget(control);
}

FocusRingStyle CKeyboardFocus::RingStyleOf(IControlUI* control) const {
    // The skin's sizes as they are drawn: the one place to turn layout pixels into screen
    // pixels.
    if (control == nullptr) {
        return FocusRingStyle{};
    }
    FocusRingStyle style = control->GetFocusRing(ring_);
    // A visible ring stays at least a pixel wide at any scale.
    style.width = style.width > 0 ? (std::max)(1, metrics_.ScaleLength(style.width)) : 0;
    style.gap = metrics_.ScaleLength(style.gap);
    return style;
}

RECT CKeyboardFocus::RingRectOf(IControlUI* control) const {
    // Only a control the keyboard can reach shows that it has the focus (a window button or a
    // page that took it from a click or a page change does not).
    if (control == nullptr || (control->GetInputFlags() & UIFLAG_TABSTOP) == 0) {
        return RECT{0, 0, 0, 0};
    }
    const FocusRingStyle style = RingStyleOf(control);
    if ((style.color >> 24) == 0) {
        return RECT{0, 0, 0, 0};
    }
    return FocusRingOuterRect(control->GetPos(), style.width, style.gap);
}

void CKeyboardFocus::InvalidateRing() {
    if (focused_ == nullptr) {
        return;
    }
    const RECT ring = RingRectOf(focused_);
    if (!IsRectEmpty(&ring)) {
        host_.InvalidateArea(&ring);
    }
}

void CKeyboardFocus::PaintRing(HDC dc, const RECT& update) const {
    if (state_.IsHidden() || focused_ == nullptr || !focused_->IsVisible() ||
        !focused_->IsEnabled()) {
        return;
    }
    const RECT ring = RingRectOf(focused_);
    RECT overlap;
    if (IsRectEmpty(&ring) || !IntersectRect(&overlap, &ring, &update)) {
        return;
    }
    PaintFocusRing(dc, focused_->GetPos(), RingStyleOf(focused_));
}

}  // namespace SkinUI
