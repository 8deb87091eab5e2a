#include "skinui/core/skin_log.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace SkinUI {

void LogSkinError(const wchar_t* what, const wchar_t* name, const wchar_t* detail,
                  const wchar_t* why) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[1024];
    // %ls converts the wide texts in the ANSI code page, as the rest of the log is written.
    const int length = std::snprintf(
        line, sizeof line, "%02d:%02d:%02d[%u.%u] E/SkinUI -- %ls %.200ls (%.100ls): %ls\n",
        now.wHour, now.wMinute, now.wSecond, static_cast<unsigned>(GetCurrentProcessId()),
        static_cast<unsigned>(GetCurrentThreadId()), what, name, detail, why);
    if (length <= 0) {
        return;
    }
    // One write per line, so that lines of different threads never interleave.
    std::fwrite(line, 1, std::min(static_cast<std::size_t>(length), sizeof line - 1), stdout);
    std::fflush(stdout);
}

}  // namespace SkinUI
