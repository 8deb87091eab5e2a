#include "installer/running_installer.h"

#include "app/config_selection.h"
#include "app/single_instance.h"
#include "installer/msg_box.h"

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

// The installer that holds the machine's lock runs where this copy cannot reach its window (in
// another session, maybe another user's): the user is told, and this copy ends.
void ShowAnotherInstallationBox() {
    const bool chinese = GetUserDefaultLangID() == 2052;
    ShowUsageBox(chinese ? L"\u672c\u673a\u4e0a\u6b63\u5728\u8fdb\u884c\u53e6\u4e00\u6b21 Velmora "
                           L"\u5b89\u88c5\uff08\u53ef\u80fd\u662f\u5176\u4ed6\u7528\u6237\u542f"
                           L"\u52a8\u7684\uff09\u3002"
                           L"\u8bf7\u7b49\u5b83\u7ed3\u675f\u540e\u518d\u8bd5\u3002"
                         : L"Another installation of Velmora is running on this computer, "
                           L"perhaps for another user. Wait until it has finished, then try "
                           L"again.");
}

}  // namespace

UINT ShowInstallerMessage() {
    static const UINT message = RegisterWindowMessageW(L"VelmoraInstaller.ShowWindow");
    return message;
}

bool HandOverToRunningInstaller(SingleInstance& lock, DWORD milliseconds) {
    if (lock.heldByInstaller() && !lock.holderInThisSession()) {
        ShowAnotherInstallationBox();
        return true;
    }
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
            // An installer's lock (not a squatter's) is never overridden: one per machine.
            if (lock.heldByInstaller()) {
                ShowAnotherInstallationBox();
                return true;
            }
            return false;
        }
    }
}
