#pragma once
// A skinned window's side of MSAA: it answers WM_GETOBJECT with the window's accessible object
// (made at the first request, so a start without a screen reader builds nothing), raises the
// WinEvents that let a screen reader follow the focus, states, texts and pages, and carries out
// default actions the way a click does.
#include <windows.h>

#include <unordered_map>

namespace SkinUI {

class CAccessibleObject;
class IControlUI;
class CUIManager;

// What changed in a control, for its WinEvent (Children: a page of it shows others now).
enum class AccessibleChange { State, Name, Value, Children };

class CAccessibility {
public:
    // Windows timer of the window that delivers throttled text and value events.
    static constexpr UINT_PTR kThrottleTimer = 0xACC1;
    // A control's name or value is announced at most once per this many milliseconds.
    static constexpr DWORD kThrottleInterval = 1000;

    explicit CAccessibility(CUIManager& manager);
    ~CAccessibility();
    CAccessibility(const CAccessibility&) = delete;
    CAccessibility& operator=(const CAccessibility&) = delete;

    // WM_GETOBJECT, WM_SETFOCUS, WM_DESTROY, the throttle timer and posted default actions.
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    void OnFocusChanged(IControlUI* control);
    void OnControlChanged(IControlUI* control, AccessibleChange change);
    // The page changed: the client's children are others now.
    void OnChildrenChanged();
    // Something a screen reader should read out now (the result of the install).
    void Announce(IControlUI* control);

    // For the accessible object: asks the window to act on a child as a click would, once this
    // call has returned (a click may open a modal box, which must not block the caller).
    bool PostDefaultAction(long childId);
    CUIManager& manager() { return manager_; }

    // The message that carries a posted default action.
    static UINT DefaultActionMessage();

private:
    void Raise(DWORD event, long childId);
    void RaiseThrottled(DWORD event, long childId);
    void FlushThrottled();
    void Disconnect();

    struct Throttle {
        DWORD last = 0;
        DWORD pendingEvent = 0;  // 0: nothing waits
    };

    CUIManager& manager_;
    CAccessibleObject* object_ = nullptr;
    std::unordered_map<long, Throttle> throttles_;
    bool timerRunning_ = false;
};

}  // namespace SkinUI
