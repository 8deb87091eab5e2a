// Process entry of the installer: COM, the log file, the main window and its message loop.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>

#include "installer/installer_exit.h"
#include "installer/main_frame.h"
#include "skinui/core/ui_manager.h"

namespace {
// Sends standard output (the log) to "Velmorainstaller.log" in the roaming application data.
void RedirectLog() {
    char folder[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE)) {
        return;
    }
    char path[MAX_PATH];
    std::snprintf(path, sizeof(path), "%s\\Velmorainstaller.log", folder);
    OutputDebugStringA(path);
    OutputDebugStringA("\n");
    if (!std::freopen(path, "w", stdout)) {
        return;
    }
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    SkinUI::CUIManager::SetProgramInstance(instance);
    if (FAILED(CoInitialize(nullptr))) {
        return 0;
    }
    RedirectLog();
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
