#pragma once
// The worker side of an install: the progress thread that watches the download once a second,
// reports its steps and runs the package, and the animation thread that fills the rest of the
// bar while the package runs. Both talk to the main window only through SendMessageW.
#include <windows.h>

#include <memory>
#include <string>

#include "installer/install_command.h"
#include "installer/install_state.h"

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
    InstallState state;  // stage, pause and outcome: what the window and a silent run read
};

// Whole downloads whose checksum failed in a row before the package counts as refused.
constexpr int kDamagedDownloadsRefused = 2;

// Starts the progress thread of a job (its handle is closed at once). False when no thread
// could be started.
bool StartDownloadProgressThread(const std::shared_ptr<InstallJob>& job);

// Thread bodies, callable directly by tests.
unsigned DownloadProgressProc(const std::shared_ptr<InstallJob>& job);
unsigned InstallProgressProc(const std::shared_ptr<InstallJob>& job);
// How a package run ended, before it is recorded in the job's state.
struct PackageResult {
    PackageOutcome outcome = PackageOutcome::NotRun;
    DWORD exitCode = 0;
};

// Runs the package silently into the job's target, waiting as long as it runs; true when it
// installed (exit code 0, or a restart code). Only the file the
// downloader verified runs, held unchangeable until it has ended, and only when its signature
// passes the job's publisher pin. The job's state shows the package running (it must be
// Installing); the result goes to `result` for the caller to record once it has reported it.
bool InstallPackage(InstallJob& job, PackageResult* result = nullptr);

// The text of message 1029 once the package has returned.
std::wstring InstallResultText(bool chinese, bool succeeded);

// The result page's line for an install that Windows must restart to finish.
std::wstring RestartNeededText(bool chinese);
