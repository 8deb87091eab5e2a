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
    // Not ExitProcess: it stops the other threads wherever they are and then runs every DLL's
    // detach code, which deadlocks or crashes when a stopped thread held that DLL's lock or
    // was half way through its set-up (the hardware probe inside Direct3D, a proxy lookup in
    // WinHTTP, a request in Schannel). Our files are written through already; the system
    // closes the handles. ExitProcess stays as the fallback should termination be refused.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    ExitProcess(static_cast<UINT>(exitCode));
}
