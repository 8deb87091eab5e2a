#pragma once
// Events the manager sends to controls, notifications it sends to listeners, and the
// interfaces of listeners and message hooks.
#include <windows.h>

#include <string>

namespace SkinUI {

// The application's type of every control (skinui/controls/control.h).
class CControlUI;

// Event kinds; controls compare ranges of them, so the numbers are fixed.
enum EventKind {
    UIEVENT_KEYDOWN = 3,
    UIEVENT_KEYUP = 4,
    UIEVENT_CHAR = 5,
    UIEVENT_SYSKEY = 6,
    UIEVENT_MOUSEMOVE = 9,
    UIEVENT_MOUSELEAVE = 10,
    UIEVENT_MOUSEENTER = 11,
    UIEVENT_MOUSEHOVER = 12,
    UIEVENT_BUTTONDOWN = 13,
    UIEVENT_BUTTONUP = 14,
    UIEVENT_RBUTTONDOWN = 15,
    UIEVENT_DBLCLICK = 16,
    UIEVENT_CONTEXTMENU = 17,
    UIEVENT_SCROLLWHEEL = 18,
    UIEVENT_KILLFOCUS = 20,
    UIEVENT_SETFOCUS = 21,
    UIEVENT_WINDOWSIZE = 22,
    UIEVENT_SETCURSOR = 23,
    UIEVENT_TIMER = 24,
};
constexpr int UIEVENT_MOUSE_FIRST = UIEVENT_MOUSEMOVE;
constexpr int UIEVENT_MOUSE_LAST = UIEVENT_SCROLLWHEEL;

// Key state flags of key, character, wheel and cursor events.
enum KeyStateFlags {
    UIKEYSTATE_RBUTTON = 1,
    UIKEYSTATE_LBUTTON = 2,
    UIKEYSTATE_SHIFT = 4,
    UIKEYSTATE_CONTROL = 8,
    UIKEYSTATE_ALT = 0x20,
};

struct ControlEvent {
    int kind = 0;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;
    POINT mouse = {0, 0};
    wchar_t key = 0;
    WORD keyState = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct Notification {
    std::wstring type;
    std::wstring virtualWnd;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;
    POINT mouse = {0, 0};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyUI {
public:
    virtual void Notify(Notification& notification) = 0;

protected:
    ~INotifyUI() = default;
};

class IMessageFilterUI {
public:
    virtual LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;

protected:
    ~IMessageFilterUI() = default;
};

class ITranslateAccelerator {
public:
    // 0 means the message was taken.
    virtual LRESULT TranslateAccelerator(MSG* msg) = 0;

protected:
    ~ITranslateAccelerator() = default;
};

}  // namespace SkinUI
