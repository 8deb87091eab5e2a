// Process entry of the installer: the command line, COM, the log file, then the main window
// and its message loop, or the silent run.
#include <windows.h>

#include <objbase.h>

#include <cstdio>
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
#include "installer/window_station.h"
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

// Opens the log (the /LOG= file even when another switch is bad). A /LOG= file that cannot be
// written ends the run: the administrator asked for that file, and a log elsewhere is lost.
// A silent run's first line on standard output is where its log is.
void OpenLog(const CommandLine& command) {
    std::string failure;
    if (!OpenInstallerLog(command.logPath, command.silent, &failure)) {
        WriteToStandardOutput("The log file given with /LOG= cannot be written: " + failure +
                              "\r\nExit code " + std::to_string(kExitBadCommandLine) + "\r\n");
        EndInstaller(kExitBadCommandLine);
    }
    const std::wstring path = InstallerLogPath();
    if (command.silent && !path.empty()) {
        WriteToStandardOutput(WideToAnsi(path) + "\r\n");
    }
}

// The usage text to standard output, and where nobody would see a box (a silent run, a window
// station that is not interactive) to the log instead of a box.
void ShowUsage(bool unseen) {
    const std::string text = UsageText();
    const bool written = WriteToStandardOutput(text);
    if (unseen) {
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            LogI("Usage", text.substr(start, end - start));
        }
        return;
    }
    if (!written && SUCCEEDED(CoInitialize(nullptr))) {
        ShowUsageBox(UsageBoxText());
    }
}

// /? and a command line that cannot be used end here, before anything is fetched, with the
// log opened first so that what was wrong is written down.
void HandleUsageAndFaults(const CommandLine& command, bool interactive) {
    std::string fault = CommandLineFault(command);
    if (fault.empty() && !command.usage) {
        if (interactive || command.silent) {
            return;
        }
        fault =
            "the window station is not interactive: nobody could see the window (deploy "
            "with /S)";
    }
    OpenLog(command);
    const bool unseen = command.silent || !interactive;
    if (!interactive) {
        LogW("WinMain", "the window station is not interactive: no window and no box");
    }
    if (!fault.empty()) {
        LogE("WinMain", "bad command line: ", fault);
    }
    ShowUsage(unseen);
    EndInstaller(fault.empty() ? kExitInstalled : kExitBadCommandLine);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Already done before the static initialisers; repeated here so it is plainly first.
    const DllSearchMode dllSearch = RestrictDllSearch();
    KeepStandardOutput();
    const CommandLine command = ParseCommandLine(GetCommandLineW());
    SkinUI::CUIManager::SetProgramInstance(instance);
    HandleUsageAndFaults(command, WindowStationIsInteractive());
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
    OpenLog(command);
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
    const HRESULT com = CoInitialize(nullptr);
    if (FAILED(com)) {
        char code[16] = "";
        std::snprintf(code, sizeof(code), "%08lX", static_cast<unsigned long>(com));
        LogE("WinMain", "COM could not be started (0x", code, ")");
        EndInstaller(command.silent ? kExitComUnavailable : kExitInstalled);
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
