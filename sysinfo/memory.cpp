#include "sysinfo/memory.h"

#include <windows.h>

#include <cstdio>

std::string FormatMemoryMB(uint64_t bytes) {
    const uint64_t mib = bytes / 1024 / 1024;
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(static_cast<uint32_t>(mib)));
    return text;
}

std::string GetTotalMemoryMB() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) {
        return "";
    }
    return FormatMemoryMB(status.ullTotalPhys);
}
