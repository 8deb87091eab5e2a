#pragma once
// What a window remembers of the keyboard focus besides the focused control: a focus asked for
// at the next layout (a control, or the window's default), whether the focus is drawn, and
// where Tab and Shift+Tab go.
#include <vector>

#include "skinui/core/control_interface.h"

namespace SkinUI {

class CFocusState {
public:
    // The stop after (or before) `current` in `stops`, going round at the ends; the first (or
    // last) when `current` is none of them; null when there are no stops.
    static IControlUI* NextTabStop(const std::vector<IControlUI*>& stops, IControlUI* current,
                                   bool forward);

    // The next layout is to settle the focus: on `control` when it is then a tab stop, else
    // on the window's default.
    void AskLater(IControlUI* control) {
        pending_ = control;
        needed_ = true;
    }
    // The next layout is to settle the focus on the window's default (or on a control asked
    // for before, when it is still waiting).
    void NeedFocus() { needed_ = true; }
    void AskDefaultLater() {
        pending_ = nullptr;
        needed_ = true;
    }
    // The focus was given by other means: nothing is waiting for a layout any more.
    void Settle() {
        pending_ = nullptr;
        needed_ = false;
    }
    void DropPending() { pending_ = nullptr; }
    // A control that goes away is never focused later.
    void Forget(IControlUI* control) {
        if (pending_ == control) {
            pending_ = nullptr;
        }
    }
    bool IsNeeded() const { return needed_; }
    // At the layout: the control asked for when it is one of `stops`, else null (the window's
    // default then); nothing waits afterwards.
    IControlUI* TakeAfterLayout(const std::vector<IControlUI*>& stops);

    // The focus is drawn only once the keyboard has moved or used it (Windows' UI state).
    bool IsHidden() const { return hidden_; }
    // True when that changed.
    bool SetHidden(bool hidden) {
        const bool changed = hidden_ != hidden;
        hidden_ = hidden;
        return changed;
    }

private:
    IControlUI* pending_ = nullptr;
    bool needed_ = false;
    bool hidden_ = true;
};

}  // namespace SkinUI
