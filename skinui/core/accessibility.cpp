#include "skinui/core/accessibility.h"

#include <oleacc.h>

#include "skinui/core/control_interface.h"
#include "skinui/core/accessible_object.h"
#include "skinui/core/accessible_tree.h"
#include "skinui/core/oleacc_functions.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

bool IsExposed(CUIManager& manager, long id) {
    for (const AccessibleChild& child : CollectAccessibleChildren(manager)) {
        if (child.id == id) {
            return true;
        }
    }
    return false;
}

}  // namespace

CAccessibility::CAccessibility(CUIManager& manager) : manager_(manager) {}

CAccessibility::~CAccessibility() {
    Disconnect();
}

UINT CAccessibility::DefaultActionMessage() {
    static const UINT message = RegisterWindowMessageW(L"SkinUI.AccessibleDefaultAction");
    return message;
}

void CAccessibility::Disconnect() {
    if (timerRunning_ && manager_.GetWindow() != nullptr) {
        KillTimer(manager_.GetWindow(), kThrottleTimer);
    }
    timerRunning_ = false;
    if (object_ != nullptr) {
        object_->Disconnect();
        object_->Release();
        object_ = nullptr;
    }
}

bool CAccessibility::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND window = manager_.GetWindow();
    switch (message) {
        case WM_GETOBJECT: {
            if (static_cast<LONG>(lParam) != OBJID_CLIENT || manager_.GetRoot() == nullptr) {
                return false;
            }
            const OleaccFunctions* oleacc = GetOleaccFunctions();
            if (oleacc == nullptr) {
                return false;  // the system's own object then
            }
            if (object_ == nullptr) {
                object_ = new CAccessibleObject(this);
            }
            result = oleacc->lresultFromObject(kIidAccessible, wParam,
                                               static_cast<IAccessible*>(object_));
            return true;
        }
        case WM_SETFOCUS:
            // The window got the focus back: the control that has it inside is the focus.
            if (IControlUI* focus = manager_.FocusedControl()) {
                OnFocusChanged(focus);
            }
            return false;
        case WM_DESTROY:
            Disconnect();
            return false;
        case WM_TIMER:
            if (wParam != kThrottleTimer) {
                return false;
            }
            FlushThrottled();
            result = 0;
            return true;
        default:
            break;
    }
    if (message == DefaultActionMessage() && message != 0 && window != nullptr) {
        // Looked up again: the page may have changed since the request.
        const long id = static_cast<long>(wParam);
        for (const AccessibleChild& child : CollectAccessibleChildren(manager_)) {
            if (child.id == id && !child.defaultAction.empty()) {
                child.control->Activate();
                break;
            }
        }
        result = 0;
        return true;
    }
    return false;
}

bool CAccessibility::PostDefaultAction(long childId) {
    const UINT message = DefaultActionMessage();
    return message != 0 && manager_.GetWindow() != nullptr &&
           PostMessageW(manager_.GetWindow(), message, static_cast<WPARAM>(childId), 0) != FALSE;
}

void CAccessibility::Raise(DWORD event, long childId) {
    HWND window = manager_.GetWindow();
    if (window == nullptr || childId < 0) {
        return;
    }
    NotifyWinEvent(event, window, OBJID_CLIENT, childId);
}

void CAccessibility::OnFocusChanged(IControlUI* control) {
    HWND window = manager_.GetWindow();
    if (control == nullptr || window == nullptr || !IsWindowVisible(window)) {
        return;
    }
    // A control a screen reader does not see (a page taking the focus) leaves it on the client.
    const long id = AccessibleIdOf(manager_, control);
    Raise(EVENT_OBJECT_FOCUS, IsExposed(manager_, id) ? id : CHILDID_SELF);
}

void CAccessibility::OnControlChanged(IControlUI* control, AccessibleChange change) {
    if (change == AccessibleChange::Children) {
        OnChildrenChanged();
        return;
    }
    // Told also while the window waits in the notification area: a screen reader may follow
    // the progress there.
    if (control == nullptr || manager_.GetWindow() == nullptr || !control->IsVisible()) {
        return;
    }
    const long id = AccessibleIdOf(manager_, control);
    if (id == 0) {
        return;
    }
    switch (change) {
        case AccessibleChange::State:
            Raise(EVENT_OBJECT_STATECHANGE, id);
            break;
        case AccessibleChange::Name:
            RaiseThrottled(EVENT_OBJECT_NAMECHANGE, id);
            break;
        case AccessibleChange::Value:
            RaiseThrottled(EVENT_OBJECT_VALUECHANGE, id);
            break;
        case AccessibleChange::Children:
            break;  // told above, whatever the control's state
    }
}

// The first change is told at once; further ones within the interval wait for its end, and
// only the latest is told then.
void CAccessibility::RaiseThrottled(DWORD event, long childId) {
    const DWORD now = GetTickCount();
    auto found = throttles_.find(childId);
    if (found == throttles_.end() || now - found->second.last >= kThrottleInterval) {
        Throttle& throttle = throttles_[childId];
        throttle.last = now;
        throttle.pendingEvent = 0;
        Raise(event, childId);
        return;
    }
    found->second.pendingEvent = event;
    if (!timerRunning_) {
        timerRunning_ =
            SetTimer(manager_.GetWindow(), kThrottleTimer, kThrottleInterval / 4, nullptr) != 0;
    }
}

void CAccessibility::FlushThrottled() {
    const DWORD now = GetTickCount();
    bool waiting = false;
    for (auto& entry : throttles_) {
        Throttle& throttle = entry.second;
        if (throttle.pendingEvent == 0) {
            continue;
        }
        if (now - throttle.last < kThrottleInterval) {
            waiting = true;
            continue;
        }
        const DWORD event = throttle.pendingEvent;
        throttle.pendingEvent = 0;
        throttle.last = now;
        // A control hidden meanwhile (page change) is not told about.
        if (IsExposed(manager_, entry.first)) {
            Raise(event, entry.first);
        }
    }
    if (!waiting && timerRunning_) {
        KillTimer(manager_.GetWindow(), kThrottleTimer);
        timerRunning_ = false;
    }
}

void CAccessibility::OnChildrenChanged() {
    HWND window = manager_.GetWindow();
    if (window == nullptr || !IsWindowVisible(window)) {
        return;
    }
    Raise(EVENT_OBJECT_REORDER, CHILDID_SELF);
}

void CAccessibility::Announce(IControlUI* control) {
    HWND window = manager_.GetWindow();
    if (control == nullptr || window == nullptr || !control->IsVisible()) {
        return;
    }
    const long id = AccessibleIdOf(manager_, control);
    if (id == 0) {
        return;
    }
    Raise(EVENT_OBJECT_SHOW, id);
    Raise(EVENT_SYSTEM_ALERT, id);
}

}  // namespace SkinUI
