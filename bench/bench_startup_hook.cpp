// Linked into a copy of the installer for the start-up benchmark: when the main window has
// painted for the first time, writes "installer_first_paint <ms since process creation>" and
// ends the process.
#include <windows.h>

#include "bench/startup_clock.h"
#include "installer/main_frame.h"

namespace {
void OnFirstPaint(CMainFrame&) {
    WriteFigure("installer_first_paint", MillisecondsSinceProcessStart());
    ExitProcess(0);
}

struct InstallHook {
    InstallHook() { CMainFrame::onFirstPaint = &OnFirstPaint; }
} g_hook;
}  // namespace
