// The age fields of a signed configuration (`serial`, `expires`) come from the network: whatever
// their text, the check must never pass a configuration older than one accepted before or past
// its day, and what it parses must read back as the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "installer/config_freshness.h"

namespace {

// The input: accepted serial (8 bytes), today (4 bytes), then the serial and expiry texts
// separated by the first newline.
struct Input {
    uint64_t accepted = 0;
    SYSTEMTIME today = {};
    std::string serial;
    std::string expires;
};

Input Split(const uint8_t* data, size_t size) {
    Input input;
    for (size_t i = 0; i < 8 && i < size; ++i) {
        input.accepted = (input.accepted << 8) | data[i];
    }
    input.accepted %= 1000000000000000000ull;  // what a stored serial can be (18 digits)
    if (size >= 12) {
        input.today.wYear = static_cast<WORD>(1970 + (data[8] | (data[9] << 8)) % 200);
        input.today.wMonth = static_cast<WORD>(1 + data[10] % 12);
        input.today.wDay = static_cast<WORD>(1 + data[11] % 31);
    }
    const std::string rest =
        size > 12 ? std::string(reinterpret_cast<const char*>(data) + 12, size - 12) : "";
    const size_t newline = rest.find('\n');
    input.serial = rest.substr(0, newline);
    input.expires = newline == std::string::npos ? "" : rest.substr(newline + 1);
    return input;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Input input = Split(data, size);

    uint64_t serial = 0;
    if (ParseSerial(input.serial, &serial)) {
        // Digits only: the number reads back as the text without its leading zeros.
        const size_t first = input.serial.find_first_not_of('0');
        const std::string digits = first == std::string::npos ? "0" : input.serial.substr(first);
        if (std::to_string(serial) != digits) {
            __builtin_trap();
        }
    }
    unsigned date = 0;
    if (ParseUtcDate(input.expires, &date)) {
        char text[16];
        std::snprintf(text, sizeof text, "%04u-%02u-%02u", date / 10000, date / 100 % 100,
                      date % 100);
        if (input.expires != text) {
            __builtin_trap();
        }
    }

    const Freshness fresh =
        CheckFreshness(input.serial, input.expires, input.accepted, input.today);
    if (fresh.ok) {
        const unsigned today =
            input.today.wYear * 10000u + input.today.wMonth * 100u + input.today.wDay;
        if (fresh.serial < input.accepted || fresh.serial != serial || today > date) {
            __builtin_trap();  // a rollback or an expired configuration let through
        }
    } else if (fresh.reason.empty()) {
        __builtin_trap();  // every refusal is explained in the log line
    }
    return 0;
}
