#include "skinui/controls/pressable.h"

namespace SkinUI {

void CPressableUI::HandleEvent(ControlEvent& event) {
    const bool pointer = event.kind >= UIEVENT_MOUSE_FIRST && event.kind <= UIEVENT_MOUSE_LAST;
    if (pointer && !IsMouseEnabled()) {
        if (parent_ != nullptr) {
            parent_->HandleEvent(event);
        } else {
            CLabelUI::HandleEvent(event);
        }
        return;
    }
    if (!OnEvent(event)) {
        CLabelUI::HandleEvent(event);
    }
}

bool CPressableUI::TrackHot(const ControlEvent& event) {
    if (event.kind != UIEVENT_MOUSEENTER && event.kind != UIEVENT_MOUSELEAVE) {
        return false;
    }
    if (IsEnabled()) {
        state_ = event.kind == UIEVENT_MOUSEENTER ? state_ | UISTATE_HOT : state_ & ~UISTATE_HOT;
        Invalidate();
    }
    return true;
}

bool CPressableUI::TrackPress(const ControlEvent& event) {
    const bool inside = PtInRect(&itemRect_, event.mouse) != FALSE;
    switch (event.kind) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (inside && IsEnabled()) {
                state_ |= UISTATE_PUSHED | UISTATE_CAPTURED;
                Invalidate();
            }
            return true;
        case UIEVENT_MOUSEMOVE:
            if ((state_ & UISTATE_CAPTURED) != 0) {
                state_ = inside ? state_ | UISTATE_PUSHED : state_ & ~UISTATE_PUSHED;
                Invalidate();
            }
            return true;
        case UIEVENT_BUTTONUP:
            if ((state_ & UISTATE_CAPTURED) != 0) {
                // The state is settled first: a "click" handler may delete this control.
                state_ &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
                Invalidate();
                if (inside) {
                    Activate();
                }
            }
            return true;
        default:
            return false;
    }
}

void CPressableUI::SetImageSpec(std::wstring& field, const wchar_t* spec) {
    const std::wstring value = spec != nullptr ? spec : L"";
    if (field != value) {
        field = value;
        Invalidate();
    }
}

void CPressableUI::SetNormalImage(const wchar_t* spec) {
    SetImageSpec(normalImage_, spec);
}
void CPressableUI::SetHotImage(const wchar_t* spec) {
    SetImageSpec(hotImage_, spec);
}
void CPressableUI::SetFocusedImage(const wchar_t* spec) {
    SetImageSpec(focusedImage_, spec);
}
void CPressableUI::SetDisabledImage(const wchar_t* spec) {
    SetImageSpec(disabledImage_, spec);
}

}  // namespace SkinUI
