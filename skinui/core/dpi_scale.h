#pragma once
// Lengths written for 96 dots per inch (100 %) in pixels of another display scale. Every layout
// length goes through ScaleByDpi, so two lengths that meet at 100 % meet at every scale when
// their edges (not their sizes) are scaled.
#include <windows.h>

namespace SkinUI {

constexpr int kDefaultDpi = 96;

// length * dpi / 96, rounded half away from zero (as MulDiv does).
inline int ScaleByDpi(int length, int dpi) {
    if (dpi == kDefaultDpi) {
        return length;
    }
    const long long product = static_cast<long long>(length) * dpi;
    const long long half = kDefaultDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kDefaultDpi
                                         : -((-product + half) / kDefaultDpi));
}

// The span [start, start + length) at 100 % as a length at dpi: the scaled end minus the scaled
// start, so that neighbouring spans still meet.
inline int ScaleSpanByDpi(int start, int length, int dpi) {
    return ScaleByDpi(start + length, dpi) - ScaleByDpi(start, dpi);
}

inline RECT ScaleRectByDpi(const RECT& rect, int dpi) {
    return RECT{ScaleByDpi(rect.left, dpi), ScaleByDpi(rect.top, dpi), ScaleByDpi(rect.right, dpi),
                ScaleByDpi(rect.bottom, dpi)};
}

// The DPI of the display the window is on: GetDpiForWindow where the system has it (Windows 10
// 1607 and later, per monitor), else the system DPI of the screen (LOGPIXELSX). 96 when neither
// answers.
int QueryWindowDpi(HWND window);

}  // namespace SkinUI
