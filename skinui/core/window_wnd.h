#pragma once
// One Win32 window: class registration (own class or superclass of a system class), creation,
// subclassing, message routing into OnMessage, modal loops, centring and icons.
#include <windows.h>

namespace SkinUI {

class CWindowWnd {
public:
    CWindowWnd() = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;
    virtual ~CWindowWnd() = default;

    HWND GetHWND() const { return window_; }
    operator HWND() const { return window_; }

    HWND CreateWnd(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle,
                   int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT,
                   int cy = CW_USEDEFAULT, HMENU menu = nullptr);
    HWND CreateWnd(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, const RECT& rect,
                   HMENU menu = nullptr);
    // Routes the messages of an existing window through this object.
    HWND Subclass(HWND window);
    void Unsubclass();
    void ShowWnd(bool show = true, bool takeFocus = true);
    UINT RunModal();
    void CloseWnd(UINT result = IDOK);
    void CenterOnOwner();
    void SetWndIcon(UINT resourceId);
    LRESULT SendMsg(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMsg(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    virtual const wchar_t* WindowClassName() const = 0;
    virtual const wchar_t* SuperclassName() const { return nullptr; }
    virtual UINT ClassStyle() const { return 0; }
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnWindowDestroyed(HWND /*window*/) {}

    bool RegisterWindowClass();
    bool RegisterSuperclass();
    static LRESULT CALLBACK ClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SuperclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    WNDPROC previousProc_ = ::DefWindowProcW;
    bool subclassed_ = false;

private:
    static LRESULT Route(CWindowWnd* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                         bool superclass);
};

}  // namespace SkinUI
