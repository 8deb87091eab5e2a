#pragma once
// How long a silent run keeps trying before it gives up with its exit code.
#include <windows.h>

struct SilentLimits {
    DWORD configMs = 5 * 60 * 1000;    // fetching the configuration, retries included
    DWORD stallMs = 10 * 60 * 1000;    // the download without a byte of progress
    DWORD packageMs = 30 * 60 * 1000;  // the package running (it is left running after it)
};

// The limits, shortened by the environment (tests): VELMORA_SILENT_CONFIG_SECONDS,
// VELMORA_SILENT_STALL_SECONDS and VELMORA_SILENT_PACKAGE_SECONDS, whole seconds from 1 up to the
// usual limit. Any other value is ignored with a W line.
SilentLimits SilentLimitsFromEnvironment();

// One such value: the milliseconds to use for `text` (null: not set) under `limitMs`.
DWORD ShortenedLimit(const char* name, const char* text, DWORD limitMs);
