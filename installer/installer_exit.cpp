#include "installer/installer_exit.h"

#include <cstdio>

#include "app/log.h"
#include "app/scoped_handles.h"
#include "download/tiny_download.h"
#include "report/report_queue.h"

namespace {
const char kTag[] = "Installer";

struct ExitDownload {
    CriticalSection lock;
    std::shared_ptr<CTinyDownload> downloader;
};

// Made once and never freed: no destructor may run at the end, and any thread may end the run.
ExitDownload& Current() {
    static ExitDownload* current = new ExitDownload;
    return *current;
}

void StopDownload(DWORD waitMs) {
    std::shared_ptr<CTinyDownload> downloader;
    {
        AutoLock lock(Current().lock);
        downloader = Current().downloader;
    }
    if (!downloader) {
        return;
    }
    const DWORD start = GetTickCount();
    if (downloader->Stop(waitMs)) {
        LogI(kTag, "download stopped in ", static_cast<unsigned>(GetTickCount() - start), " ms, ",
             downloader->BytesWritten(), " bytes written this run");
    } else {
        LogW(kTag, "the download did not stop in time; what it still held is lost");
    }
}
}  // namespace

void SetDownloadStoppedAtExit(std::shared_ptr<CTinyDownload> downloader) {
    AutoLock lock(Current().lock);
    // The previous one leaves with the parameter, after the lock: its destructor may wait.
    Current().downloader.swap(downloader);
}

void EndInstaller(int exitCode) {
    const DWORD start = GetTickCount();
    StopDownload(kReportGraceMs);
    // The reports went on being sent meanwhile: together both take the grace at most.
    const DWORD spent = GetTickCount() - start;
    if (!WaitForQueuedReports(spent < kReportGraceMs ? kReportGraceMs - spent : 0)) {
        LogW(kTag, "reports still queued at exit are dropped");
    }
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exitCode));
}
