#include "report/interval_clock.h"

#include <cstdio>
#include <ctime>

#include "app/scoped_handles.h"

namespace {

// Restarted by the UI thread and the download thread: guarded, as a 64-bit value is not
// written in one piece on this platform.
CriticalSection& ClockLock() {
    static CriticalSection lock;
    return lock;
}

int64_t g_intervalClock = 0;  // 0: not started

int64_t Now() {
    return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace

std::string FormatInterval(int64_t elapsedSeconds) {
    if (elapsedSeconds < 0) {
        return "";
    }
    const int64_t secondsOfDay = elapsedSeconds % 86400;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%d:%d", static_cast<int>(secondsOfDay / 3600),
                  static_cast<int>(secondsOfDay / 60 % 60), static_cast<int>(secondsOfDay % 60));
    return text;
}

std::string GetIntervalText(int mode) {
    AutoLock lock(ClockLock());
    if (mode == 0) {
        g_intervalClock = Now();
        return "";
    }
    if (mode != 1 || g_intervalClock == 0) {
        return "";
    }
    return FormatInterval(Now() - g_intervalClock);
}
