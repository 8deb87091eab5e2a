#include "installer/install_flow.h"

#include <process.h>

#include <utility>

#include "app/text_convert.h"
#include "app/log.h"
#include "app/scoped_handles.h"
#include "download/tiny_download.h"
#include "installer/main_frame_texts.h"
#include "installer/package_handover.h"
#include "installer/progress_texts.h"
#include "installer/publisher_check.h"
#include "report/interval_clock.h"
#include "report/speed_report.h"
#include "report/step_report.h"

namespace {
const char kTag[] = "CMainFrame";
const wchar_t kNoSpeed[] = L"-- / --";

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

// One look at a running download: bar, speed, percent and the percent steps.
struct ProgressWatch {
    SpeedSamples samples;
    double previous = 0.0;
    bool percent2Pending = true;
    bool percent50Pending = true;

    void Pass(const InstallJob& job, DownloadInfo& info) {
        SendMessageW(job.window, kMsgRefreshDownloadTexts, 0, 0);
        job.downloader->GetDownloadInfo(&info);
        const double current = info.received;
        LogT(kTag, "CurDownloadLen=", static_cast<unsigned long long>(current), ", TotalLen=",
             static_cast<unsigned long long>(info.totalLength > 0 ? info.totalLength : 0));
        SendValue(job, DownloadBarValue(info));
        samples.Add(current - previous);
        SendText(job, kMsgSpeedText, FormatSpeedText(samples.Average()));
        ++SpeedSampleCount;
        const int percent = DownloadPercent(info);
        SendText(job, kMsgProgressText, PercentText(percent));
        if (percent == 2 && percent2Pending) {
            ReportStepWithInterval(kStepPercent2);
            percent2Pending = false;
        }
        if (percent == 50 && percent50Pending) {
            ReportStepWithInterval(kStepPercent50);
            percent50Pending = false;
        }
        previous = current;
    }
};
}  // namespace

std::wstring InstallResultText(bool chinese, bool succeeded) {
    const MainFrameTexts& texts = TextsFor(chinese);
    return succeeded ? texts.installSucceeded : texts.installFailed;
}

bool StartDownloadProgressThread(const std::shared_ptr<InstallJob>& job) {
    return StartThread(&DownloadProgressProc, job);
}

unsigned DownloadProgressProc(const std::shared_ptr<InstallJob>& jobPtr) {
    InstallJob& job = *jobPtr;
    CTinyDownload& downloader = *job.downloader;
    DownloadInfo info = {};
    ProgressWatch watch;
    for (;;) {
        if (downloader.IsDownloading()) {
            watch.Pass(job, info);
        } else {
            SendText(job, kMsgSpeedText, kNoSpeed);
        }
        if (downloader.IsFinished()) {
            break;
        }
        Sleep(job.timing.pollMs);
    }
    LogT(kTag, "Download success, installing ...");
    // A refused item finishes at once: nothing was downloaded, so nothing is reported as such.
    if (downloader.GetWorkCount() > 0) {
        if (SpeedSampleCount != 1) {
            SendSpeedReport(info.received);
        }
        ReportStepWithInterval(kStepSetupDownloaded);
    }
    GetIntervalText(0);
    SendValue(job, kDownloadShare);
    job.finished = false;
    job.succeeded = false;
    SendMessageW(job.window, kMsgShowInstalling, 0, 0);
    StartThread(&InstallProgressProc, jobPtr);
    const bool ok = InstallPackage(job);
    ReportStepWithInterval(ok ? kStepSetupSuccess : kStepSetupFailed);
    job.finished = true;
    return 1;
}

bool InstallPackage(InstallJob& job) {
    LogT(kTag, "dest: ", WideToAnsi(job.folder));
    LogI(kTag, "install: ", WideToAnsi(job.target.commandLine));
    LogI(kTag, "start exe: ", WideToAnsi(job.target.programPath));
    LogI(kTag, "start path: ", WideToAnsi(job.target.installDir));
    bool ok = false;
    // Held until the package has ended: nobody can change, delete or rename it meanwhile.
    ScopedHandle package = TakeVerifiedPackage(*job.downloader, job.setupPath);
    if (package.valid()) {
        if (PublisherAccepted(package.get(), job.setupPath, job.publisherPin)) {
            ok = RunProcess(job.target.commandLine, true, FolderOf(job.setupPath));
        } else {
            SetPackageAside(std::move(package), job.setupPath);
        }
    }
    job.succeeded = ok;
    return ok;
}

unsigned InstallProgressProc(const std::shared_ptr<InstallJob>& jobPtr) {
    InstallJob& job = *jobPtr;
    unsigned value = 71;
    SendValue(job, value);
    while (!job.finished) {
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
    SendMessageW(job.window, kMsgShowFinished, 0, 0);
    SendText(job, kMsgProgressText, InstallResultText(job.chinese, job.succeeded));
    return 0;
}
