#pragma once
// Bounds of geometry values. Any distance in pixels that comes from a layout, an image spec or
// markup is kept within +-kMaxCoordinate, so that sums of a few of them never overflow 32 bits
// and loops over them stay short.

namespace SkinUI {

constexpr int kMaxCoordinate = 1000000;

constexpr int ClampCoord(long long value) {
    return value > kMaxCoordinate    ? kMaxCoordinate
           : value < -kMaxCoordinate ? -kMaxCoordinate
                                     : static_cast<int>(value);
}

}  // namespace SkinUI
