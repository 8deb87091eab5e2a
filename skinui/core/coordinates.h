#pragma once
// Bounds of geometry values. Any distance in pixels that comes from a layout, an image spec or
// markup is kept within +-kMaxCoordinate, so that sums of a few of them never overflow 32 bits
// and loops over them stay short.
#include <windows.h>

namespace SkinUI {

constexpr int kMaxCoordinate = 1000000;

constexpr int ClampCoord(long long value) {
    return value > kMaxCoordinate    ? kMaxCoordinate
           : value < -kMaxCoordinate ? -kMaxCoordinate
                                     : static_cast<int>(value);
}

// Four integers, each followed by one separator character; blanks before a number allowed.
// Missing numbers are 0; each is clamped as above. Layout attributes and image specs read their
// rectangles with it.
RECT ParseRect(const wchar_t* value);

}  // namespace SkinUI
