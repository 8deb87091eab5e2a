// Ends a process the way the installer's cancel button does while its threads work, for tests
// that repeat it many times:
//   end_driver <package address> <package MD5> <download folder>
// A real download of the package runs, a thread raises step reports without pause, and
// watcher threads keep reading the state the report and progress threads share (reporting
// address, interval clock, processor name), as those threads do. Once the download moves, the
// install-not-finished prompt is shown ("shown" on standard output) for the test to click.
// A watcher that finds that state changed under it ends the process with code 99: something
// freed it while threads were still running.
#include <windows.h>

#include <process.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "download/tiny_download.h"
#include "installer/msg_box.h"
#include "report/interval_clock.h"
#include "report/report_hosts.h"
#include "report/step_report.h"
#include "sysinfo/processor.h"

namespace {
const UINT kStateChanged = 99;
const int kWatchers = 3;

// Never freed, so that only the installer's own state can change under the watchers.
const std::string* g_baseUrl = nullptr;
const std::wstring* g_processor = nullptr;

[[noreturn]] void StateChanged(const char* what) {
    std::printf("changed under a thread: %s\n", what);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), kStateChanged);
    for (;;) {
        Sleep(INFINITE);
    }
}

unsigned __stdcall Watch(void*) {
    for (unsigned pass = 0;; ++pass) {
        if (GetReportBaseUrl() != *g_baseUrl) {
            StateChanged("reporting address");
        }
        GetIntervalText(1);
        if (pass % 64 == 0 && GetProcessorName() != *g_processor) {
            StateChanged("processor name");
        }
    }
}

unsigned __stdcall RaiseReports(void*) {
    for (;;) {
        ReportStepWithInterval(kStepPercent2);
        Sleep(200);
    }
}

void Start(unsigned(__stdcall* body)(void*)) {
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, body, nullptr, 0, nullptr));
    if (thread) {
        CloseHandle(thread);
    }
}

void Announce(CMsgBox&) {
    std::printf("shown\n");
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: end_driver <address> <md5> <folder>\n");
        return 2;
    }
    g_baseUrl = new std::string(GetReportBaseUrl());
    g_processor = new std::wstring(GetProcessorName());
    GetIntervalText(0);

    // Never freed: the download thread uses it until the process ends.
    auto* downloader = new CTinyDownload;
    DownloadWork work = {};
    std::snprintf(work.url, sizeof work.url, "%s", argv[1]);
    std::snprintf(work.md5, sizeof work.md5, "%s", argv[2]);
    std::snprintf(work.savePath, sizeof work.savePath, "%s", argv[3]);
    downloader->AddDownloadWork(work);
    downloader->StartDownloadThread();
    for (int i = 0; i < kWatchers; ++i) {
        Start(&Watch);
    }
    Start(&RaiseReports);

    DownloadInfo info = {};
    do {
        Sleep(50);
        downloader->GetDownloadInfo(&info);
    } while (!(downloader->IsDownloading() && info.received > 0));

    CMsgBox::onShow = &Announce;
    ShowCancelInstallBox(L"XXCLOSE");
    std::printf("returned\n");
    std::fflush(stdout);
    return 3;
}
