#pragma once
// The worker side of an install: the progress thread that watches the download once a second,
// reports its steps and runs the package, and the animation thread that fills the rest of the
// bar while the package runs. Both talk to the main window only through SendMessageW.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "installer/install_command.h"

class CTinyDownload;

// Messages the workers send to the main window.
constexpr UINT kMsgSpeedText = WM_USER + 1;       // wParam: const wchar_t* speed text
constexpr UINT kMsgShowInstalling = WM_USER + 2;  // stage 2
constexpr UINT kMsgShowFinished = WM_USER + 3;    // stage 3
constexpr UINT kMsgProgressValue = WM_USER + 4;   // wParam: bar value
constexpr UINT kMsgProgressText = WM_USER + 5;    // wParam: const wchar_t* percent or result
constexpr UINT kMsgTrayCallback = WM_USER + 6;    // notification-area icon events
// Asks the window to show the "downloading" texts while the download runs.
constexpr UINT kMsgRefreshDownloadTexts = WM_USER + 7;
// What stands in the download's way changed; wParam: const DownloadObstacle*.
constexpr UINT kMsgObstacle = WM_USER + 8;

// Pauses of the two threads; tests may shorten them.
struct InstallFlowTiming {
    DWORD pollMs = 1000;         // progress thread, between two looks at the download
    DWORD installStepMs = 1000;  // animation while the package runs
    DWORD finishStepMs = 10;     // animation after the package returned
};

// How the package run of a job ended.
enum class PackageOutcome {
    NotRun,     // no verified package to run (the download was refused or never verified)
    Refused,    // its publisher was refused: set aside, not run
    Failed,     // it could not be started, its exit code could not be read, or was not one below
    Succeeded,  // it ended with exit code 0
    // It ended with 3010 (ERROR_SUCCESS_REBOOT_REQUIRED) or 1641 (..._REBOOT_INITIATED):
    // installed, and Windows must restart to finish.
    SucceededRestartNeeded,
};

// The outcome of a package run that was allowed to start.
PackageOutcome PackageOutcomeOf(const ProcessRun& run);

// One install attempt: everything the workers need, shared with the window (which may go away
// before them).
struct InstallJob {
    // The main window the workers show progress in; none for a run without window, whose
    // workers only log and report (the same steps) and run no animation.
    HWND window = nullptr;
    bool chinese = false;
    bool noPackageFolder = false;  // no safe folder for the package: nothing is downloaded
    std::shared_ptr<CTinyDownload> downloader;
    std::wstring setupPath;    // the downloaded package
    std::wstring folder;       // destination folder as the user left it
    InstallTarget target;      // command line and install folder for that destination
    std::string publisherPin;  // the package must be signed with a pinned key; "" = unchecked
    InstallFlowTiming timing;
    std::atomic<bool> finished{false};   // the package has returned
    std::atomic<bool> succeeded{false};  // ... installed; written before `finished`
    std::atomic<PackageOutcome> outcome{PackageOutcome::NotRun};  // written before `finished`
    std::atomic<DWORD> packageExitCode{0};    // the package's own code; written before `finished`
    std::atomic<bool> packageRunning{false};  // set while the package runs (a silent run's bound)
    // The window gave the job up (the user chose another folder): its progress thread ends
    // without a word, its downloader is stopped.
    std::atomic<bool> abandoned{false};
};

// Whole downloads whose checksum failed in a row before the package counts as refused.
constexpr int kDamagedDownloadsRefused = 2;

// Starts the progress thread of a job (its handle is closed at once). False when no thread
// could be started.
bool StartDownloadProgressThread(const std::shared_ptr<InstallJob>& job);

// Thread bodies, callable directly by tests.
unsigned DownloadProgressProc(const std::shared_ptr<InstallJob>& job);
unsigned InstallProgressProc(const std::shared_ptr<InstallJob>& job);
// Runs the package silently into the job's target, waiting as long as it runs; true when it
// installed (exit code 0, or a restart code). Only the file the
// downloader verified runs, held unchangeable until it has ended, and only when its signature
// passes the job's publisher pin.
bool InstallPackage(InstallJob& job);

// The text of message 1029 once the package has returned.
std::wstring InstallResultText(bool chinese, bool succeeded);

// The result page's line for an install that Windows must restart to finish.
std::wstring RestartNeededText(bool chinese);
