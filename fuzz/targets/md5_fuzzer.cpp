// MD5: the digest of a buffer must not depend on how it is cut into updates.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "download/md5.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string whole = GetStringMD5(data, size);
    if (whole.size() != 32 || whole.find_first_not_of("0123456789abcdef") != std::string::npos) {
        __builtin_trap();
    }
    // Piece lengths come from the data itself: 0 .. 130 bytes, crossing block boundaries.
    Md5Context ctx;
    Md5Init(ctx);
    std::size_t at = 0;
    while (at < size) {
        const std::size_t piece = std::min<std::size_t>(size - at, data[at] % 131);
        Md5Update(ctx, data + at, piece);
        at += piece;
        if (piece == 0) {
            Md5Update(ctx, data + at, 1);
            ++at;
        }
    }
    unsigned char digest[16];
    Md5Final(ctx, digest);
    if (Md5Hex(digest) != whole) {
        __builtin_trap();
    }
    return 0;
}
