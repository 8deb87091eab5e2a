#include "skinui/core/window_wnd.h"

#include <algorithm>

#include "skinui/core/ui_manager.h"
#include "skinui/core/ui_settings.h"

namespace SkinUI {

namespace {

constexpr wchar_t kObjectProperty[] = L"WndX";

}  // namespace

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSW wc = {};
    wc.style = ClassStyle();
    wc.lpfnWndProc = ClassProc;
    wc.hInstance = GetProgramInstance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = WindowClassName();
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(nullptr, SuperclassName(), &wc) &&
        !GetClassInfoExW(GetProgramInstance(), SuperclassName(), &wc)) {
        return false;
    }
    previousProc_ = wc.lpfnWndProc;
    wc.lpfnWndProc = SuperclassProc;
    wc.hInstance = GetProgramInstance();
    wc.lpszClassName = WindowClassName();
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::CreateWnd(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle,
                           const RECT& rect, HMENU menu) {
    return CreateWnd(parent, title, style, exStyle, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, menu);
}

HWND CWindowWnd::CreateWnd(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                           int y, int cx, int cy, HMENU menu) {
    const bool registered =
        SuperclassName() != nullptr ? RegisterSuperclass() : RegisterWindowClass();
    if (!registered) {
        return nullptr;
    }
    window_ = CreateWindowExW(exStyle, WindowClassName(), title, style, x, y, cx, cy, parent, menu,
                              GetProgramInstance(), this);
    return window_;
}

HWND CWindowWnd::Subclass(HWND window) {
    if (window == nullptr || subclassed_) {
        return window_;
    }
    previousProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SuperclassProc)));
    if (previousProc_ == nullptr) {
        previousProc_ = ::DefWindowProcW;
        return nullptr;
    }
    SetPropW(window, kObjectProperty, this);
    subclassed_ = true;
    window_ = window;
    return window_;
}

void CWindowWnd::Unsubclass() {
    if (!subclassed_ || window_ == nullptr || !IsWindow(window_)) {
        return;
    }
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
    previousProc_ = ::DefWindowProcW;
    subclassed_ = false;
}

LRESULT CALLBACK CWindowWnd::ClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<CWindowWnd*>(create->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindowWnd*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return Route(self, window, message, wParam, lParam, false);
}

LRESULT CALLBACK CWindowWnd::SuperclassProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<CWindowWnd*>(create->lpCreateParams);
        self->window_ = window;
        SetPropW(window, kObjectProperty, self);
    } else {
        self = static_cast<CWindowWnd*>(GetPropW(window, kObjectProperty));
    }
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return Route(self, window, message, wParam, lParam, true);
}

LRESULT CWindowWnd::Route(CWindowWnd* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                          bool superclass) {
    if (message != WM_NCDESTROY) {
        return self->OnMessage(message, wParam, lParam);
    }
    LRESULT result = CallWindowProcW(self->previousProc_, window, message, wParam, lParam);
    if (superclass) {
        RemovePropW(window, kObjectProperty);
    } else {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    if (self->subclassed_) {
        self->Unsubclass();
    }
    self->window_ = nullptr;
    self->OnWindowDestroyed(window);
    return result;
}

LRESULT CWindowWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(previousProc_, window_, message, wParam, lParam);
}

void CWindowWnd::ShowWnd(bool show, bool takeFocus) {
    if (window_ != nullptr) {
        ShowWindow(window_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
    }
}

UINT CWindowWnd::RunModal() {
    if (window_ == nullptr) {
        return 0;
    }
    HWND owner = GetWindow(window_, GW_OWNER);
    ShowWindow(window_, SW_SHOWNORMAL);
    if (owner != nullptr) {
        EnableWindow(owner, FALSE);
    }
    UINT result = 0;
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg;
    while (window_ != nullptr && IsWindow(window_)) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (msg.message == WM_CLOSE && msg.hwnd == window_) {
            result = static_cast<UINT>(msg.wParam);
            if (owner != nullptr) {
                EnableWindow(owner, TRUE);
                SetFocus(owner);
            }
        }
        if (!CUIManager::TranslateQueuedMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (owner != nullptr) {
        EnableWindow(owner, TRUE);
        SetFocus(owner);
    }
    if (quit) {
        PostQuitMessage(static_cast<int>(quitCode));
    }
    return result;
}

void CWindowWnd::CloseWnd(UINT result) {
    if (window_ != nullptr) {
        PostMessageW(window_, WM_CLOSE, result, 0);
    }
}

void CWindowWnd::CenterOnOwner() {
    if (window_ == nullptr) {
        return;
    }
    RECT window;
    GetWindowRect(window_, &window);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT center = work;
    HWND owner = GetWindow(window_, GW_OWNER);
    if (owner != nullptr) {
        GetWindowRect(owner, &center);
    }
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG x = (center.left + center.right) / 2 - width / 2;
    LONG y = (center.top + center.bottom) / 2 - height / 2;
    // Keep inside the work area: the left/top edge wins when the window is larger.
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    SetWindowPos(window_, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetWndIcon(UINT resourceId) {
    if (window_ == nullptr) {
        return;
    }
    // Shared icons belong to the system: nothing to free here.
    HICON big = static_cast<HICON>(LoadImageW(
        GetProgramInstance(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
        GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR | LR_SHARED));
    HICON small = static_cast<HICON>(LoadImageW(
        GetProgramInstance(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR | LR_SHARED));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

LRESULT CWindowWnd::SendMsg(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(window_, message, wParam, lParam);
}

LRESULT CWindowWnd::PostMsg(UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(window_, message, wParam, lParam);
}

}  // namespace SkinUI
