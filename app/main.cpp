// Process entry of the installer: the command line, COM, the log file, then the main window
// and its message loop, or the silent run.
#include <windows.h>

#include <objbase.h>

#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/dll_search.h"
#include "app/log.h"
#include "app/single_instance.h"
#include "app/text_convert.h"
#include "installer/build_relaxations.h"
#include "installer/config_fetch.h"
#include "installer/install_folder_check.h"
#include "installer/installer_exit.h"
#include "installer/log_file.h"
#include "installer/main_frame.h"
#include "installer/msg_box.h"
#include "installer/running_installer.h"
#include "installer/silent_install.h"
#include "installer/usage_text.h"
#include "skinui/core/ui_manager.h"

namespace {
// A running copy shows a window at the latest when its configuration request (30 s at most)
// has ended; a mutex held longer without one is not an installer's.
const DWORD kWaitForRunningInstallerMilliseconds = 40000;

// What is wrong with the command line ("" = nothing).
std::string CommandLineFault(const CommandLine& command) {
    if (!command.ok) {
        return WideToAnsi(command.error);
    }
    if (command.hasFolder) {
        const FolderCheck check = CheckInstallFolder(command.folder);
        if (!check.ok) {
            return "/D=" + WideToAnsi(command.folder) + ": " + check.reason;
        }
    }
    return std::string();
}

// The usage text to standard output, else (never in a silent run) in a message box.
void ShowUsage(bool silent) {
    const std::string text = UsageText();
    if (WriteToStandardOutput(text) || silent) {
        return;
    }
    if (SUCCEEDED(CoInitialize(nullptr))) {
        ShowUsageBox(UsageBoxText());
    }
}

// /? and a command line that cannot be used end here, before anything is fetched.
void HandleUsageAndFaults(const CommandLine& command) {
    const std::string fault = CommandLineFault(command);
    if (fault.empty() && !command.usage) {
        return;
    }
    ShowUsage(command.silent);
    if (fault.empty()) {
        EndInstaller(kExitInstalled);
    }
    OpenInstallerLog(command.ok ? command.logPath : std::wstring());
    LogE("WinMain", "bad command line: ", fault);
    EndInstaller(kExitBadCommandLine);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Already done before the static initialisers; repeated here so it is plainly first.
    const DllSearchMode dllSearch = RestrictDllSearch();
    const CommandLine command = ParseCommandLine(GetCommandLineW());
    SkinUI::CUIManager::SetProgramInstance(instance);
    HandleUsageAndFaults(command);
    // Before the log is opened: the running copy writes it.
    SingleInstance lock(kInstallerMutexName, kInstallerSessionMutexName);
    if (!lock.owned()) {
        if (command.silent) {
            EndInstaller(kExitAnotherInstallerRunning);  // nothing is brought forward
        }
        if (HandOverToRunningInstaller(lock, kWaitForRunningInstallerMilliseconds)) {
            return 0;
        }
    }
    if (FAILED(CoInitialize(nullptr))) {
        if (command.silent) {
            EndInstaller(kExitSystemUnsupported);
        }
        return 0;
    }
    OpenInstallerLog(command.logPath);
    LogBuildRelaxations();
    if (lock.scope() == SingleInstance::Scope::Session) {
        LogW("WinMain",
             "no administrator: the lock against a second installer covers this "
             "session only");
    }
    LogI("WinMain", "DLL search: ", DllSearchModeName(dllSearch));
    if (command.any()) {
        LogI("WinMain", "command line: ", WideToAnsi(GetCommandLineW()));
    }
    if (!lock.owned()) {
        LogW("WinMain",
             "the installer's mutex is held by a process that shows no installer window"
             " (error ",
             static_cast<unsigned long>(lock.error()), "); starting all the same");
    }
    if (command.silent) {
        RunSilentInstall(command.folder, SilentLimitsFromEnvironment());
    }
    {
        auto frame = std::make_unique<CMainFrame>(InstallSettings::FetchLater{});
        if (command.hasFolder) {
            frame->settings().setInstallPath(command.folder);
        }
        // The configuration is fetched on another thread while the window is created, hidden;
        // the retry prompt may end the process. The window shows once the configuration is in.
        ConfigFetch fetch(frame->settings());
        frame->CreateWnd(nullptr, L"", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 300, 400,
                         nullptr);
        frame->CenterOnOwner();
        if (!fetch.Wait()) {
            EndInstaller();  // the hidden window was closed; the request may still run
        }
        frame->ShowConfigured();
        SkinUI::CUIManager::RunMessageLoop();
        CoUninitialize();
    }
    // The download may still run (the window can close while it does): end without static
    // destructors, after the queued reports.
    EndInstaller();
}
