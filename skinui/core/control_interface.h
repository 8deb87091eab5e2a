#pragma once
// What the core of the framework (manager, painter, focus, screen readers) needs of a control.
// The control classes implement it; the core never sees them. What the manager hands back to
// the application (a found, focused or notifying control) is the control class itself, which
// the core knows by name only.
#include <windows.h>

#include <string>

#include "skinui/core/focus_ring.h"
#include "skinui/core/ui_events.h"

namespace SkinUI {

class CControlUI;
class CUIManager;
class IControlUI;

// Visitor of FindControl: returns the control it accepts, or null to go on searching.
using FindControlProc = IControlUI* (*)(IControlUI* control, void* data);

enum FindFlags : unsigned {
    UIFIND_ALL = 0,
    UIFIND_VISIBLE = 1,
    UIFIND_ENABLED = 2,
    UIFIND_HITTEST = 4,
    UIFIND_TOP_FIRST = 8,
    UIFIND_ME_FIRST = 0x80000000u,
};

enum InputFlags : unsigned {
    UIFLAG_TABSTOP = 1,
    UIFLAG_SETCURSOR = 2,
};

// What a screen reader reads of a control, as the control itself tells it (role, name, value,
// default action and the states only it knows: checked, pressed, read-only). Focus, hover,
// availability and the rectangle are added by the window.
struct AccessibleDescription {
    long role = 0;  // ROLE_SYSTEM_*
    std::wstring name;
    std::wstring value;
    std::wstring defaultAction;  // empty: none
    long state = 0;              // STATE_SYSTEM_*
};

class IControlUI {
public:
    virtual ~IControlUI() = default;

    // The control as the application's type.
    virtual CControlUI* AsControl() = 0;

    virtual std::wstring GetName() const = 0;
    virtual std::wstring GetText() const = 0;
    virtual std::wstring GetToolTip() const = 0;
    virtual wchar_t GetShortcut() const = 0;
    virtual std::wstring GetVirtualWnd() const = 0;

    virtual CUIManager* GetManager() const = 0;
    virtual void SetManager(CUIManager* manager, IControlUI* parent, bool init = true) = 0;
    virtual IControlUI* GetParent() const = 0;
    virtual IControlUI* FindControl(FindControlProc visitor, void* data, unsigned flags) = 0;

    virtual const RECT& GetPos() const = 0;
    virtual void SetPos(RECT rect) = 0;
    virtual bool IsUpdateNeeded() const = 0;
    virtual void RequestLayout() = 0;
    virtual void ApplyScale() = 0;
    virtual void Paint(HDC dc, const RECT& dirty) = 0;
    virtual void PaintAfter(HDC dc, const RECT& dirty) = 0;

    virtual bool IsVisible() const = 0;
    virtual bool IsEnabled() const = 0;
    virtual bool IsKeyboardEnabled() const = 0;
    virtual unsigned GetInputFlags() const = 0;
    virtual bool IsDefaultButton() const = 0;
    virtual bool IsCancelButton() const = 0;
    // Alt with the control's shortcut letter focuses and activates it (static text only names
    // a letter, it does not take it).
    virtual bool TakesShortcut() const = 0;
    // Enter presses the focused control itself (a button or link), not the default button.
    virtual bool IsPressedByEnter() const = 0;
    virtual FocusRingStyle GetFocusRing(const FocusRingStyle& window) const = 0;

    virtual bool Activate() = 0;
    virtual void Event(ControlEvent& event) = 0;
    // Runs the control's own notification handlers (before the window's listeners).
    virtual void RunNotifyListeners(Notification& notification) = 0;

    // False for what a screen reader does not need (containers, pictures).
    virtual bool DescribeAccessible(AccessibleDescription& description) const = 0;
};

// The application's control behind an interface (null for null).
inline CControlUI* ControlOf(IControlUI* control) {
    return control != nullptr ? control->AsControl() : nullptr;
}

}  // namespace SkinUI
