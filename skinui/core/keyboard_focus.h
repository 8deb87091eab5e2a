#pragma once
// The keyboard focus of one window: which control has it and how it changes hands, a focus
// waiting for the next layout, whether it is drawn, and the ring that shows it. What a change
// sets off outside (control events, notifications, screen readers, repainting) goes through
// IFocusHost, which the window's paint manager implements.
#include <windows.h>

#include <vector>

#include "skinui/core/control_interface.h"
#include "skinui/core/focus_ring.h"
#include "skinui/core/focus_state.h"
#include "skinui/core/window_metrics.h"

namespace SkinUI {

// What a focus change tells the window, in this order: the old control loses the focus
// (UIEVENT_KILLFOCUS, then "killfocus" to the listeners), the new one gains it
// (UIEVENT_SETFOCUS, "setfocus"), and a screen reader hears of it.
enum class FocusStep { Lost, LostNotice, Gained, GainedNotice, Announced };

class IFocusHost {
public:
    // Asks Windows to give the window the keyboard focus (nothing without a window): `always`,
    // or only while another window has it.
    virtual void TakeWindowFocus(bool always) = 0;
    // The control belongs to this window's tree.
    virtual bool IsOwnControl(IControlUI* control) const = 0;
    // One step of a change for `control`; `gaining` is the control that gains the focus
    // (null when none does), the events' sender.
    virtual void OnFocusStep(FocusStep step, IControlUI* control, IControlUI* gaining) = 0;
    // Repaints the area (null: the whole window).
    virtual void InvalidateArea(const RECT* area) = 0;
    // The tree is to be laid out (and the window painted) again.
    virtual void RequestLayout() = 0;
    // The visible, enabled tab stops in reading order.
    virtual std::vector<IControlUI*> TabStops() const = 0;
    // The visible, enabled default button, or null.
    virtual IControlUI* DefaultButton() const = 0;

protected:
    ~IFocusHost() = default;
};

class CKeyboardFocus {
public:
    CKeyboardFocus(IFocusHost& host, const CWindowMetrics& metrics)
        : host_(host), metrics_(metrics) {}
    CKeyboardFocus(const CKeyboardFocus&) = delete;
    CKeyboardFocus& operator=(const CKeyboardFocus&) = delete;

    IControlUI* Control() const { return focused_; }

    // The one place where a control gains the focus: the old one gets UIEVENT_KILLFOCUS and
    // "killfocus", then the new one, when it is this window's and visible and enabled,
    // UIEVENT_SETFOCUS and "setfocus"; a tab stop is announced to screen readers. A control
    // that goes away while this happens (a listener deleted it) is left alone from then on.
    void Set(IControlUI* control);
    // The old control loses the focus now; `control` gets it at the next layout when it is
    // then a tab stop, else the window's default does.
    void SetLater(IControlUI* control);
    // Nothing waits for a layout any more: a key decides where the focus goes.
    void StopWaiting() { state_.Settle(); }
    // Tab and Shift+Tab: the next (previous) tab stop, going round at the ends. The caller
    // lays the tree out first, so that the order is the one on screen.
    bool MoveToNextTabStop(bool forward);
    // The default button, else the first tab stop, else nothing.
    void SetToDefault();
    void SetToDefaultLater() {
        state_.AskDefaultLater();
        host_.InvalidateArea(nullptr);
    }
    // A new tree: the next layout settles the focus.
    void NeedFocus() { state_.NeedFocus(); }
    // After a layout: a focus asked for later goes where it was asked to.
    void SettleAfterLayout();
    // A control that goes away stops being (or becoming) the focus, without events.
    void Forget(IControlUI* control);
    // The window closes: nobody has the focus any more, without events.
    void Drop() { focused_ = nullptr; }

    // The focus is drawn only once the keyboard has moved or used it (Windows' UI state).
    bool IsHidden() const { return state_.IsHidden(); }
    // Repaints the ring when that changes.
    void SetHidden(bool hidden) {
        if (state_.SetHidden(hidden)) {
            InvalidateRing();
        }
    }
    // The state a new window starts with (nothing is repainted).
    void StartHidden(bool hidden) { state_.SetHidden(hidden); }

    // The window's ring; a control may change its colour, width and gap.
    const FocusRingStyle& WindowRing() const { return ring_; }
    void SetWindowRing(const FocusRingStyle& style) { ring_ = style; }
    // The ring a control draws, in pixels of the window's scale.
    FocusRingStyle RingStyleOf(IControlUI* control) const;
    // Where it goes: empty for a control that is no tab stop or draws no ring.
    RECT RingRectOf(IControlUI* control) const;
    // Draws the focused control's ring where it meets `update` (nothing while hidden).
    void PaintRing(HDC dc, const RECT& update) const;

private:
    class Arrival;
    // The focused control loses the focus to `gaining`.
    void LoseTo(IControlUI* gaining);
    void InvalidateRing();

    IControlUI* focused_ = nullptr;
    IFocusHost& host_;
    const CWindowMetrics& metrics_;
    // The innermost change under way (a listener may start another).
    Arrival* arriving_ = nullptr;
    CFocusState state_;
    FocusRingStyle ring_;
};

}  // namespace SkinUI
