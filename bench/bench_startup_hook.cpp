// Linked into a copy of the installer for the start-up benchmark: when the main window has
// painted for the first time, writes "installer_first_paint <ms since process creation>" and
// "installer_own_code <ms since this file's static initialiser>" (the part that leaves out
// Wine's process start, which varies by tens of milliseconds from run to run), and ends the
// process.
#include <windows.h>

#include "bench/startup_clock.h"
#include "installer/main_frame.h"

namespace {
double g_staticInit = 0;

void OnFirstPaint(CMainFrame&) {
    const double now = MillisecondsSinceProcessStart();
    WriteFigure("installer_first_paint", now);
    WriteFigure("installer_own_code", now - g_staticInit);
    ExitProcess(0);
}

struct InstallHook {
    InstallHook() {
        g_staticInit = MillisecondsSinceProcessStart();
        CMainFrame::onFirstPaint = &OnFirstPaint;
    }
} g_hook;
}  // namespace
