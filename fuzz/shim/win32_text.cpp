// MultiByteToWideChar for UTF-8 and the Windows-1252 ANSI code page, yielding UTF-16 units.
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

// Windows-1252 at 0x80..0x9F; the rest of the page is Latin-1. Unassigned bytes map to
// themselves, as Windows does.
constexpr unsigned short kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void DecodeAnsi(const unsigned char* s, std::size_t n, std::vector<wchar_t>& out) {
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = s[i];
        out.push_back(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
    }
}

// One U+FFFD per byte that does not start a well-formed sequence (no overlong forms, no
// surrogates, nothing above U+10FFFF).
void DecodeUtf8(const unsigned char* s, std::size_t n, std::vector<wchar_t>& out) {
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned long code = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0F;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        }
        bool valid = length != 0 && i + length <= n;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const unsigned char t = s[i + k];
            const unsigned char lo = k == 1 ? low : 0x80;
            const unsigned char hi = k == 1 ? high : 0xBF;
            valid = t >= lo && t <= hi;
            code = (code << 6) | (t & 0x3F);
        }
        if (!valid) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(code));
        }
        i += length;
    }
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, const char* source, int sourceLength, wchar_t* target,
                        int targetLength) {
    if (source == nullptr || sourceLength == 0 || targetLength < 0) {
        return 0;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(source);
    std::size_t n = sourceLength < 0 ? std::strlen(source) + 1 : std::size_t(sourceLength);
    std::vector<wchar_t> units;
    units.reserve(n);
    if (codePage == CP_UTF8) {
        DecodeUtf8(bytes, n, units);
    } else {
        DecodeAnsi(bytes, n, units);
    }
    if (target == nullptr || targetLength == 0) {
        return static_cast<int>(units.size());
    }
    if (units.size() > static_cast<std::size_t>(targetLength)) {
        return 0;
    }
    for (std::size_t i = 0; i < units.size(); ++i) {
        target[i] = units[i];
    }
    return static_cast<int>(units.size());
}
