#include "installer/install_flow.h"

#include <process.h>

#include <utility>

#include "app/text_convert.h"
#include "app/log.h"
#include "app/scoped_handles.h"
#include "download/proxy_auth.h"
#include "download/tiny_download.h"
#include "installer/main_frame_texts.h"
#include "installer/package_handover.h"
#include "installer/progress_texts.h"
#include "installer/progress_watch.h"
#include "installer/publisher_check.h"
#include "report/interval_clock.h"
#include "report/speed_report.h"
#include "report/step_report.h"

namespace {
const char kTag[] = "CMainFrame";

void SendText(const InstallJob& job, UINT message, const std::wstring& text) {
    SendMessageW(job.window, message, reinterpret_cast<WPARAM>(text.c_str()), 0);
}

void SendValue(const InstallJob& job, unsigned value) {
    SendMessageW(job.window, kMsgProgressValue, value, 0);
}

using ThreadBody = unsigned (*)(const std::shared_ptr<InstallJob>&);

struct ThreadStart {
    ThreadBody body;
    std::shared_ptr<InstallJob> job;
};

unsigned __stdcall ThreadEntry(void* argument) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
    return start->body(start->job);
}

// Worker threads are never joined: the handle is closed at once.
bool StartThread(ThreadBody body, const std::shared_ptr<InstallJob>& job) {
    auto* start = new ThreadStart{body, job};
    ScopedHandle thread(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadEntry, start, 0, nullptr)));
    if (!thread.valid()) {
        delete start;
        LogE(kTag, "thread start failed");
        return false;
    }
    return true;
}

DownloadNote NoteOf(const CTinyDownload& downloader, const DiskShortage& shortage) {
    DownloadNote note;
    note.diskShortage = shortage;
    note.bytesWritten = downloader.BytesWritten();
    note.checksumFailuresInARow = downloader.ChecksumFailuresInARow();
    note.proxyRefused = ProxyAuth::Process().Refused();
    return note;
}

// What the progress watch shows and reports, as window messages and usage steps.
class WindowProgressSink : public ProgressSink {
public:
    explicit WindowProgressSink(const InstallJob& job) : job_(job) {}

    void RefreshDownloadTexts() override {
        SendMessageW(job_.window, kMsgRefreshDownloadTexts, 0, 0);
    }
    void ProgressValue(unsigned value) override { SendValue(job_, value); }
    void SpeedText(const std::wstring& text) override { SendText(job_, kMsgSpeedText, text); }
    void PercentText(const std::wstring& text) override { SendText(job_, kMsgProgressText, text); }
    void Step(int step) override { ReportStepWithInterval(step); }
    void SpeedReport(double transferBytes) override { SendSpeedReport(transferBytes); }
    void Obstacle(const DownloadObstacle& obstacle) override {
        SendMessageW(job_.window, kMsgObstacle, reinterpret_cast<WPARAM>(&obstacle), 0);
    }

private:
    const InstallJob& job_;
};

// A job without window: nothing to show, the same reports.
class ReportingProgressSink : public ProgressSink {
public:
    void RefreshDownloadTexts() override {}
    void ProgressValue(unsigned) override {}
    void SpeedText(const std::wstring&) override {}
    void PercentText(const std::wstring&) override {}
    void Step(int step) override { ReportStepWithInterval(step); }
    void SpeedReport(double transferBytes) override { SendSpeedReport(transferBytes); }
};
}  // namespace

std::wstring InstallResultText(bool chinese, bool succeeded) {
    const MainFrameTexts& texts = TextsFor(chinese);
    return succeeded ? texts.installSucceeded : texts.installFailed;
}

std::wstring RestartNeededText(bool chinese) {
    return TextsFor(chinese).restartNeeded;
}

PackageOutcome PackageOutcomeOf(const ProcessRun& run) {
    if (!run.codeRead) {
        return PackageOutcome::Failed;
    }
    switch (run.code) {
        case 0:
            return PackageOutcome::Succeeded;
        case ERROR_SUCCESS_REBOOT_REQUIRED:
        case ERROR_SUCCESS_REBOOT_INITIATED:
            return PackageOutcome::SucceededRestartNeeded;
        default:
            return PackageOutcome::Failed;
    }
}

namespace {
enum class DownloadEnd { Finished, Abandoned, Refused };

// The passes over the download, once a second until it is finished, or until the job ends
// here: given up by the window, or refused after damaged downloads.
DownloadEnd WatchDownload(InstallJob& job, ProgressWatch& watch, DownloadInfo& info) {
    CTinyDownload& downloader = *job.downloader;
    for (;;) {
        if (job.state.stage() == InstallStage::Abandoned) {
            return DownloadEnd::Abandoned;
        }
        const bool downloading = downloader.IsDownloading();
        if (downloading) {
            downloader.GetDownloadInfo(&info);
        }
        const DiskShortage shortage = downloader.GetDiskShortage();
        // A pause the user chose is no wait for the network: the page says "Paused" alone.
        const RetryState retry =
            downloader.GetStatus() == PAUSED ? RetryState() : downloader.GetRetryState();
        watch.Pass(downloading, info, ObstacleFor(job.chinese, shortage, retry));
        job.state.NoteDownload(NoteOf(downloader, shortage));
        if (downloader.IsFinished()) {
            return DownloadEnd::Finished;
        }
        // A package that arrives damaged every time is not to be had from there: the window
        // says so instead of downloading it forever (a run without window ends on its own).
        if (job.window && downloader.ChecksumFailuresInARow() >= kDamagedDownloadsRefused) {
            LogE(kTag, "the package failed its checksum on ", kDamagedDownloadsRefused,
                 " whole downloads in a row: refused");
            downloader.Stop(10000);
            job.state.EndDownloadWithout(PackageOutcome::Refused);
            SendMessageW(job.window, kMsgShowFinished, 0, 0);
            SendText(job, kMsgProgressText, InstallResultText(job.chinese, false));
            return DownloadEnd::Refused;
        }
        Sleep(job.timing.pollMs);
    }
}
}  // namespace

bool StartDownloadProgressThread(const std::shared_ptr<InstallJob>& job) {
    return StartThread(&DownloadProgressProc, job);
}

unsigned DownloadProgressProc(const std::shared_ptr<InstallJob>& jobPtr) {
    InstallJob& job = *jobPtr;
    CTinyDownload& downloader = *job.downloader;
    DownloadInfo info = {};
    WindowProgressSink windowSink(job);
    ReportingProgressSink reportingSink;
    ProgressWatch watch(job.window ? static_cast<ProgressSink&>(windowSink) : reportingSink);
    switch (WatchDownload(job, watch, info)) {
        case DownloadEnd::Abandoned:
            return 0;
        case DownloadEnd::Refused:
            return 1;
        case DownloadEnd::Finished:
            break;
    }
    LogT(kTag, "Download success, installing ...");
    // A refused item finishes at once: nothing was downloaded, so nothing is reported as such.
    if (downloader.GetWorkCount() > 0) {
        watch.Finish(info);
    }
    GetIntervalText(0);
    if (job.window) {
        SendValue(job, kDownloadShare);
    }
    if (!job.state.StartInstalling()) {
        return 0;  // given up by the window as the download ended: its package is not run
    }
    if (job.window) {
        SendMessageW(job.window, kMsgShowInstalling, 0, 0);
        StartThread(&InstallProgressProc, jobPtr);
    }
    PackageResult result;
    const bool ok = InstallPackage(job, &result);
    ReportStepWithInterval(ok ? kStepSetupSuccess : kStepSetupFailed);
    // Recorded after its report: a silent run ends the process once it sees the outcome.
    job.state.SetOutcome(result.outcome, result.exitCode);
    if (!job.window) {
        job.state.Finish();  // no animation to end it
    }
    return 1;
}

bool InstallPackage(InstallJob& job, PackageResult* result) {
    LogT(kTag, "dest: ", WideToAnsi(job.folder));
    LogI(kTag, "install: ", WideToAnsi(job.target.commandLine));
    LogI(kTag, "start exe: ", WideToAnsi(job.target.programPath));
    LogI(kTag, "start path: ", WideToAnsi(job.target.installDir));
    PackageResult ran;
    // Held until the package has ended: nobody can change, delete or rename it meanwhile.
    ScopedHandle package = TakeVerifiedPackage(*job.downloader, job.setupPath);
    if (package.valid()) {
        if (PublisherAccepted(package.get(), job.setupPath, job.publisherPin)) {
            job.state.SetPackageRunning(true);
            const ProcessRun run =
                RunProcessToEnd(job.target.commandLine, true, FolderOf(job.setupPath));
            job.state.SetPackageRunning(false);
            ran.exitCode = run.code;
            ran.outcome = PackageOutcomeOf(run);
            if (ran.outcome == PackageOutcome::SucceededRestartNeeded) {
                LogW(kTag, "the package returned ", static_cast<unsigned long>(run.code),
                     ": installed, Windows must restart to finish");
            }
        } else {
            SetPackageAside(std::move(package), job.setupPath);
            ran.outcome = PackageOutcome::Refused;
        }
    }
    if (result) {
        *result = ran;
    }
    return ran.outcome == PackageOutcome::Succeeded ||
           ran.outcome == PackageOutcome::SucceededRestartNeeded;
}

unsigned InstallProgressProc(const std::shared_ptr<InstallJob>& jobPtr) {
    InstallJob& job = *jobPtr;
    unsigned value = 71;
    SendValue(job, value);
    while (!job.state.packageReturned()) {
        Sleep(job.timing.installStepMs);
        if (value < 95) {
            ++value;
        }
        SendValue(job, value);
        SendText(job, kMsgProgressText, PercentText(static_cast<int>(value)));
    }
    while (value < 100) {
        Sleep(job.timing.finishStepMs);
        ++value;
        SendValue(job, value);
        SendText(job, kMsgProgressText, PercentText(static_cast<int>(value)));
    }
    job.state.Finish();
    SendMessageW(job.window, kMsgShowFinished, 0, 0);
    SendText(job, kMsgProgressText, InstallResultText(job.chinese, job.state.succeeded()));
    return 0;
}
