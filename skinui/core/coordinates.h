#pragma once
// The range every geometry value of the framework is kept in: layout attributes, image-spec
// rectangles and markup spacing. No sum of a few such values can overflow an int.

namespace SkinUI {

// Largest distance in pixels a geometry value may give; beyond it values are clamped.
constexpr int kMaxCoordinate = 1000000;

inline int ClampCoord(long long value) {
    if (value > kMaxCoordinate) {
        return kMaxCoordinate;
    }
    if (value < -kMaxCoordinate) {
        return -kMaxCoordinate;
    }
    return static_cast<int>(value);
}

}  // namespace SkinUI
