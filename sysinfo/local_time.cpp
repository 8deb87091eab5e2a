#include "sysinfo/local_time.h"

#include <cstdio>

std::string FormatLocalTime(const SYSTEMTIME& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%4d:%02d:%02d_%02d:%02d:%02d", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    return text;
}

std::string GetLocalTimeText() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return FormatLocalTime(now);
}
