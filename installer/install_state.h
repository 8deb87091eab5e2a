#pragma once
// The state of one install attempt, kept in one place: how far it got (the stage), how its
// package run ended (the outcome) and whether the user paused the download. Each change has one
// owner: the thread that starts the job moves it to Downloading, the window pauses and resumes,
// the progress thread moves it to Installing and records the package's run, and the thread that
// shows the end (the animation, or the progress thread without a window) moves it to Finished.
// The window may give a downloading job up (Abandoned); the progress thread may end a download
// that can never give a package (Finished without Installing).
// The window draws from it; the silent run waits on it. A change not allowed from the current
// state is refused (false, a log line) and changes nothing.
#include <windows.h>

#include <cstdint>

#include "app/scoped_handles.h"
#include "download/tiny_download.h"

// The first four are the window's page stages.
enum class InstallStage { Ready = 0, Downloading = 1, Installing = 2, Finished = 3, Abandoned };

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

// What the progress thread last saw of the download, for a watcher's stall, checksum and proxy
// checks.
struct DownloadNote {
    uint64_t bytesWritten = 0;
    int checksumFailuresInARow = 0;
    bool proxyRefused = false;  // a proxy refused the download's requests for good
    DiskShortage diskShortage;

    bool operator==(const DownloadNote& other) const;
};

// One consistent copy of the state.
struct InstallSnapshot {
    InstallStage stage = InstallStage::Ready;
    bool paused = false;           // Downloading only
    bool packageRunning = false;   // Installing, between the package's start and its end
    bool packageReturned = false;  // the outcome below is final
    PackageOutcome outcome = PackageOutcome::NotRun;
    DWORD packageExitCode = 0;
    DownloadNote download;
    unsigned version = 0;  // grows with every change

    bool succeeded() const {
        return outcome == PackageOutcome::Succeeded ||
               outcome == PackageOutcome::SucceededRestartNeeded;
    }
};

class InstallState {
public:
    InstallState();
    InstallState(const InstallState&) = delete;
    InstallState& operator=(const InstallState&) = delete;

    InstallSnapshot Read() const;
    InstallStage stage() const { return Read().stage; }
    bool paused() const { return Read().paused; }
    bool packageReturned() const { return Read().packageReturned; }
    bool succeeded() const { return Read().succeeded(); }

    bool StartDownload();                         // Ready -> Downloading
    bool SetPaused(bool paused);                  // while Downloading
    bool NoteDownload(const DownloadNote& note);  // while Downloading
    bool StartInstalling();                       // Downloading -> Installing (the pause ends)
    bool Abandon();                               // Downloading -> Abandoned
    // Downloading -> Finished with that outcome: no package will come from this download.
    bool EndDownloadWithout(PackageOutcome outcome);
    bool SetPackageRunning(bool running);                     // Installing, before the outcome
    bool SetOutcome(PackageOutcome outcome, DWORD exitCode);  // Installing, once
    bool Finish();  // Installing with an outcome -> Finished

    // Waits until the version differs from seenVersion or timeoutMs has passed, and returns the
    // state then. One waiter at a time.
    InstallSnapshot WaitForChange(unsigned seenVersion, DWORD timeoutMs) const;

private:
    bool Refuse(const char* change) const;
    void Changed();  // under the lock

    mutable CriticalSection lock_;
    ScopedHandle changed_;  // auto-reset: set on every change
    InstallSnapshot state_;
};
