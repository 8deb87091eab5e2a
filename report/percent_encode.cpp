#include "report/percent_encode.h"

#include <cstring>

namespace {
bool KeptAsIs(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != '\0' && std::strchr("-_./:&?=~", c) != nullptr);
}
}  // namespace

std::string PercentEncodeUrl(const std::string& url) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(url.size());
    for (char ch : url) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (KeptAsIs(c)) {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}
