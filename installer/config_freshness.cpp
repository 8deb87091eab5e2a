#include "installer/config_freshness.h"

namespace {
bool AllDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}
}  // namespace

bool ParseSerial(const std::string& text, uint64_t* serial) {
    if (!AllDigits(text) || text.size() > 18) {
        return false;
    }
    *serial = std::stoull(text);
    return true;
}

bool ParseUtcDate(const std::string& text, unsigned* yyyymmdd) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !AllDigits(text.substr(0, 4)) ||
        !AllDigits(text.substr(5, 2)) || !AllDigits(text.substr(8, 2))) {
        return false;
    }
    const unsigned year = std::stoul(text.substr(0, 4));
    const unsigned month = std::stoul(text.substr(5, 2));
    const unsigned day = std::stoul(text.substr(8, 2));
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
        return false;
    }
    *yyyymmdd = year * 10000 + month * 100 + day;
    return true;
}

Freshness CheckFreshness(const std::string& serialText, const std::string& expiresText,
                         uint64_t acceptedSerial, const SYSTEMTIME& nowUtc) {
    Freshness result;
    if (!ParseSerial(serialText, &result.serial)) {
        result.reason =
            serialText.empty() ? "no serial" : "serial \"" + serialText + "\" is not a number";
        return result;
    }
    unsigned expires = 0;
    if (!ParseUtcDate(expiresText, &expires)) {
        result.reason = expiresText.empty()
                            ? "no expiry date"
                            : "expires \"" + expiresText + "\" is not a date (YYYY-MM-DD)";
        return result;
    }
    const unsigned today = nowUtc.wYear * 10000u + nowUtc.wMonth * 100u + nowUtc.wDay;
    if (today > expires) {
        result.reason = "expired on " + expiresText + " (UTC)";
        return result;
    }
    if (result.serial < acceptedSerial) {
        result.reason = "serial " + std::to_string(result.serial) + " is lower than " +
                        std::to_string(acceptedSerial) + ", accepted before (rollback)";
        return result;
    }
    result.ok = true;
    return result;
}
