// Process entry of the installer: COM, the log file, the main window and its message loop.
#include <windows.h>

#include <objbase.h>
#include <memory>
#include <string>

#include "app/dll_search.h"
#include "app/log.h"
#include "app/single_instance.h"
#include "installer/installer_exit.h"
#include "installer/log_file.h"
#include "installer/main_frame.h"
#include "installer/running_installer.h"
#include "skinui/core/ui_manager.h"

namespace {
// A running copy shows a window at the latest when its configuration request (30 s at most)
// has ended; a mutex held longer without one is not an installer's.
const DWORD kWaitForRunningInstallerMilliseconds = 40000;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Already done before the static initialisers; repeated here so it is plainly first.
    const DllSearchMode dllSearch = RestrictDllSearch();
    // Before the log is opened: the running copy writes it.
    SingleInstance lock(kInstallerMutexName);
    if (!lock.owned() && HandOverToRunningInstaller(lock, kWaitForRunningInstallerMilliseconds)) {
        return 0;
    }
    SkinUI::CUIManager::SetProgramInstance(instance);
    if (FAILED(CoInitialize(nullptr))) {
        return 0;
    }
    OpenInstallerLog(std::wstring());
    LogI("WinMain", "DLL search: ", DllSearchModeName(dllSearch));
    if (!lock.owned()) {
        LogW("WinMain",
             "the installer's mutex is held by a process that shows no installer window"
             " (error ",
             static_cast<unsigned long>(lock.error()), "); starting all the same");
    }
    {
        // Fetches the remote configuration first; the retry prompt may end the process.
        auto frame = std::make_unique<CMainFrame>();
        frame->CreateWnd(nullptr, L"", WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                         0, 300, 400, nullptr);
        frame->CenterOnOwner();
        SkinUI::CUIManager::RunMessageLoop();
        CoUninitialize();
    }
    // The download may still run (the window can close while it does): end without static
    // destructors, after the queued reports.
    EndInstaller();
}
