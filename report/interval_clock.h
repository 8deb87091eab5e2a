#pragma once
// The clock behind the "interval" value of step reports: time since the download started, or
// since it completed.
#include <cstdint>
#include <string>

// Mode 0 restarts the clock and gives ""; mode 1 gives the time since the last restart as
// "h:m:s" ("" before any restart); other modes give "".
std::string GetIntervalText(int mode);

// Elapsed seconds as "h:m:s" of their UTC breakdown, whole days dropped; "" when negative.
std::string FormatInterval(int64_t elapsedSeconds);
