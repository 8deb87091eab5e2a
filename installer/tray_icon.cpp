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

namespace {

// The notification-area icon at the size the system asks for at its scale: LoadIconMetric of
// common controls 6 (Vista and later; looked up, the program starts on XP) picks the best image
// of the icon group and scales it down well; elsewhere the small-icon metric.
HICON LoadSmallIcon(UINT iconResource) {
    HINSTANCE instance = SkinUI::CUIManager::GetProgramInstance();
    using LoadIconMetricFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    FARPROC proc = comctl != nullptr ? GetProcAddress(comctl, "LoadIconMetric") : nullptr;
    if (proc != nullptr) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
        auto loadIconMetric = reinterpret_cast<LoadIconMetricFunction>(proc);
#pragma GCC diagnostic pop
        HICON icon = nullptr;
        const int kSmall = 0;  // LIM_SMALL
        if (SUCCEEDED(loadIconMetric(instance, MAKEINTRESOURCEW(iconResource), kSmall, &icon)) &&
            icon != nullptr) {
            return icon;
        }
    }
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconResource), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

}  // namespace

bool TrayIcon::Add(HWND window, UINT iconResource, const std::wstring& tip) {
    window_ = window;
    icon_.reset(LoadSmallIcon(iconResource));
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = id_;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = callbackMessage_;
    data.hIcon = icon_.get();
    CopyText(data.szTip, sizeof(data.szTip) / sizeof(data.szTip[0]), tip);
    // An icon still there from before takes the new data instead.
    added_ = Shell_NotifyIconW(NIM_ADD, &data) || Shell_NotifyIconW(NIM_MODIFY, &data);
    if (added_) {
        // From this version on the shell also tells of the keyboard: Enter or Space on the
        // focused icon (Win+B, arrows) arrives as NIN_KEYSELECT, Enter after a click as
        // NIN_SELECT. A shell that knows no versions keeps sending the mouse's messages.
        data.uVersion = NOTIFYICON_VERSION;
        versioned_ = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
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

bool TrayIcon::IsActivation(LPARAM callbackEvent) {
    return callbackEvent == WM_LBUTTONUP || callbackEvent == NIN_SELECT ||
           callbackEvent == NIN_KEYSELECT;
}

UINT TrayIcon::TaskbarCreatedMessage() {
    static const UINT message = [] {
        const UINT id = RegisterWindowMessageW(L"TaskbarCreated");
        // The installer runs as administrator and Explorer does not: from Windows Vista on,
        // Explorer's broadcast reaches it only when let through (looked up: not on XP).
        using Filter = BOOL(WINAPI*)(UINT, DWORD);
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
        auto allow = reinterpret_cast<Filter>(
            user32 ? GetProcAddress(user32, "ChangeWindowMessageFilter") : nullptr);
#pragma GCC diagnostic pop
        if (allow != nullptr && id != 0) {
            allow(id, 1 /* MSGFLT_ADD */);
        }
        return id;
    }();
    return message;
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
