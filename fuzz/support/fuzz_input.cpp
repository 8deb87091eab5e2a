#include "support/fuzz_input.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace velmora_fuzz {

std::wstring* drawnText = nullptr;

namespace {

// Character classes (iswalnum, iswdigit) over all of Unicode, as the Windows library has them.
const bool kLocaleSet = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;

}  // namespace

std::vector<wchar_t> WideUnits(const std::uint8_t* data, std::size_t size) {
    std::vector<wchar_t> units;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        for (std::size_t i = 2; i + 1 < size; i += 2) {
            units.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
        }
    } else if (size > 0 && size <= 0x7FFFFFFF) {
        const char* bytes = reinterpret_cast<const char*>(data);
        const int n = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
        units.resize(static_cast<std::size_t>(n));
        MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), units.data(), n);
    }
    units.push_back(0);
    (void)kLocaleSet;
    return units;
}

void CheckFits32(long value, const char* what) {
    if (value < -0x7FFFFFFFL - 1 || value > 0x7FFFFFFFL) {
        std::fprintf(stderr, "%s = %ld does not fit the 32-bit LONG of the Windows build\n", what,
                     value);
        std::abort();
    }
}

void CheckFits32(const RECT& rect, const char* what) {
    CheckFits32(rect.left, what);
    CheckFits32(rect.top, what);
    CheckFits32(rect.right, what);
    CheckFits32(rect.bottom, what);
}

}  // namespace velmora_fuzz
