#include "installer/running_installer.h"

#include "app/config_selection.h"
#include "app/single_instance.h"

namespace {

const DWORD kPollMilliseconds = 250;
const UINT kAnswerTimeoutMilliseconds = 5000;

// A box the running copy shows (its configuration prompt comes before the main window exists,
// the machine checks while it is being created), else its main window, maybe in the tray.
HWND FindRunningInstallerWindow() {
    const wchar_t* title = GetConfigSelection().windowTitle.c_str();
    HWND box = FindWindowW(L"UIMsgBox", title);
    if (box != nullptr && IsWindowVisible(box)) {
        return box;
    }
    return FindWindowW(L"UIMainFrame", title);
}

void BringForward(HWND window) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, ShowInstallerMessage(), 0, 0, SMTO_ABORTIFHUNG,
                        kAnswerTimeoutMilliseconds, &answer);
    if (IsIconic(window)) {
        ShowWindow(window, SW_RESTORE);
    }
    // The folder browser, when open, is the window the user has to answer.
    HWND popup = GetLastActivePopup(window);
    SetForegroundWindow(popup != nullptr ? popup : window);
}

}  // namespace

UINT ShowInstallerMessage() {
    static const UINT message = RegisterWindowMessageW(L"VelmoraInstaller.ShowWindow");
    return message;
}

bool HandOverToRunningInstaller(SingleInstance& lock, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindRunningInstallerWindow()) {
            BringForward(window);
            return true;
        }
        if (lock.WaitForOwnership(kPollMilliseconds)) {
            return false;
        }
        if (GetTickCount() - start >= milliseconds) {
            return false;
        }
    }
}
