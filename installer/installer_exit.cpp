#include "installer/installer_exit.h"

#include <cstdio>

#include "app/log.h"
#include "report/report_queue.h"

namespace {
const char kTag[] = "Installer";
}  // namespace

void EndInstaller(int exitCode) {
    if (!WaitForQueuedReports(kReportGraceMs)) {
        LogW(kTag, "reports still queued at exit are dropped");
    }
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exitCode));
}
