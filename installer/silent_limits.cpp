#include "installer/silent_limits.h"

#include <cstdlib>
#include <string>

#include "app/log.h"

namespace {
const char kTag[] = "Silent";
}  // namespace

DWORD ShortenedLimit(const char* name, const char* text, DWORD limitMs) {
    if (!text) {
        return limitMs;
    }
    const std::string value = text;
    const bool digits = !value.empty() && value.size() <= 6 &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long seconds = digits ? std::strtoul(value.c_str(), nullptr, 10) : 0;
    if (seconds == 0 || seconds * 1000 > limitMs) {
        LogW(kTag, name, "=", value, " ignored: whole seconds from 1 to ", limitMs / 1000);
        return limitMs;
    }
    LogI(kTag, name, "=", value, ": limit shortened to ", seconds, " s");
    return static_cast<DWORD>(seconds * 1000);
}

SilentLimits SilentLimitsFromEnvironment() {
    SilentLimits limits;
    limits.configMs = ShortenedLimit("VELMORA_SILENT_CONFIG_SECONDS",
                                     std::getenv("VELMORA_SILENT_CONFIG_SECONDS"), limits.configMs);
    limits.stallMs = ShortenedLimit("VELMORA_SILENT_STALL_SECONDS",
                                    std::getenv("VELMORA_SILENT_STALL_SECONDS"), limits.stallMs);
    limits.packageMs =
        ShortenedLimit("VELMORA_SILENT_PACKAGE_SECONDS",
                       std::getenv("VELMORA_SILENT_PACKAGE_SECONDS"), limits.packageMs);
    return limits;
}
