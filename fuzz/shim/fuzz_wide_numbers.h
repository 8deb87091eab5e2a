#pragma once
// wcstol and wcstoul with the 32-bit long of Windows: out-of-range values saturate at the 32-bit
// limits (ERANGE), as the Windows library does, instead of at the 64-bit limits of this host.
// Code under the fuzzers calls them through the usual names (std::wcstol, wcstoul).
#include <cerrno>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <string>

namespace velmora_fuzz {

inline long WideToLong32(const wchar_t* text, wchar_t** end, int base) {
    const long value = ::wcstol(text, end, base);
    if (value > INT32_MAX) {
        errno = ERANGE;
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        errno = ERANGE;
        return INT32_MIN;
    }
    return value;
}

inline unsigned long WideToUnsignedLong32(const wchar_t* text, wchar_t** end, int base) {
    const wchar_t* p = text;
    while (std::iswspace(static_cast<wint_t>(*p))) {
        ++p;
    }
    const bool negative = *p == L'-';
    errno = 0;
    const unsigned long value = ::wcstoul(text, end, base);
    const unsigned long magnitude = negative ? 0 - value : value;
    if (errno == ERANGE || magnitude > UINT32_MAX) {
        errno = ERANGE;
        return UINT32_MAX;
    }
    return negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(magnitude)) : magnitude;
}

}  // namespace velmora_fuzz

namespace std {
inline long velmora_fuzz_wcstol(const wchar_t* text, wchar_t** end, int base) {
    return velmora_fuzz::WideToLong32(text, end, base);
}
inline unsigned long velmora_fuzz_wcstoul(const wchar_t* text, wchar_t** end, int base) {
    return velmora_fuzz::WideToUnsignedLong32(text, end, base);
}
}  // namespace std
using std::velmora_fuzz_wcstol;
using std::velmora_fuzz_wcstoul;

#define wcstol velmora_fuzz_wcstol
#define wcstoul velmora_fuzz_wcstoul
