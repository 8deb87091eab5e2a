#pragma once
// A signed configuration names its own age: `serial`, an integer that grows with every
// configuration we publish, and `expires`, the last UTC day on which it may be used. The
// installer remembers the highest serial it accepted (under HKCU) and refuses a lower one, so
// an old signed configuration cannot be replayed (pointing at an older, vulnerable package),
// and an expired one, so a configuration cannot be frozen for ever.
#include <windows.h>

#include <cstdint>
#include <string>

struct Freshness {
    bool ok = false;
    uint64_t serial = 0;
    std::string reason;  // why not, for the log line
};

// Checks the texts of `serial` and `expires` against the highest serial accepted before and
// today's UTC date. Equal serials pass (the same configuration again).
Freshness CheckFreshness(const std::string& serialText, const std::string& expiresText,
                         uint64_t acceptedSerial, const SYSTEMTIME& nowUtc);

// A decimal serial: digits only, at most 18 of them.
bool ParseSerial(const std::string& text, uint64_t* serial);

// "YYYY-MM-DD" as the number YYYYMMDD, checked as a calendar date.
bool ParseUtcDate(const std::string& text, unsigned* yyyymmdd);
