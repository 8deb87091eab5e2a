#include "installer/tray_icon.h"

#include <shellapi.h>

#include "skinui/core/ui_manager.h"

namespace {
// The structure as Windows XP knows it (up to the balloon fields); later systems accept it too.
static_assert(sizeof(NOTIFYICONDATAW) == 952, "Windows XP size of the icon data");

void CopyText(wchar_t* field, size_t capacity, const std::wstring& text) {
    const size_t n = text.size() < capacity ? text.size() : capacity - 1;
    text.copy(field, n);
    field[n] = L'\0';
}
}  // namespace

bool TrayIcon::Add(HWND window, UINT iconResource, const std::wstring& tip) {
    window_ = window;
    icon_.reset(static_cast<HICON>(LoadImageW(
        SkinUI::CUIManager::GetProgramInstance(), MAKEINTRESOURCEW(iconResource), IMAGE_ICON,
        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = id_;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = callbackMessage_;
    data.hIcon = icon_.get();
    CopyText(data.szTip, sizeof(data.szTip) / sizeof(data.szTip[0]), tip);
    if (Shell_NotifyIconW(NIM_ADD, &data)) {
        added_ = true;
    }
    return added_;
}

void TrayIcon::Remove() {
    if (!window_) {
        return;
    }
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window_;
    data.uID = id_;
    Shell_NotifyIconW(NIM_DELETE, &data);
    added_ = false;
}

bool TrayIcon::ShowBalloon(const std::wstring& text, const std::wstring& title) {
    if (!window_) {
        return false;
    }
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window_;
    data.uID = id_;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    data.uTimeout = 1500;
    CopyText(data.szInfoTitle, sizeof(data.szInfoTitle) / sizeof(data.szInfoTitle[0]), title);
    CopyText(data.szInfo, sizeof(data.szInfo) / sizeof(data.szInfo[0]), text);
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}
