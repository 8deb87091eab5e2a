#include "skinui/core/focus_ring.h"

#include "skinui/core/high_contrast.h"
#include "skinui/core/renderer.h"

namespace SkinUI {

namespace {

bool DrawsRing(const FocusRingStyle& style) {
    return (style.color >> 24) != 0 && style.width > 0;
}

}  // namespace

RECT FocusRingOuterRect(const RECT& item, int width, int gap) {
    if (width <= 0) {
        return RECT{0, 0, 0, 0};
    }
    RECT outer = item;
    InflateRect(&outer, gap + width, gap + width);
    // A ring that would not leave a hole in the middle is not drawn.
    if (outer.right - outer.left <= 2 * width || outer.bottom - outer.top <= 2 * width) {
        return RECT{0, 0, 0, 0};
    }
    return outer;
}

void PaintFocusRing(HDC dc, const RECT& item, const FocusRingStyle& style) {
    if (!DrawsRing(style)) {
        return;
    }
    const RECT o = FocusRingOuterRect(item, style.width, style.gap);
    if (IsRectEmpty(&o)) {
        return;
    }
    const int w = style.width;
    const DWORD color = IsHighContrastOn() ? SystemColor(COLOR_HIGHLIGHT) : style.color;
    CRenderer::FillColor(dc, RECT{o.left, o.top, o.right, o.top + w}, color);
    CRenderer::FillColor(dc, RECT{o.left, o.bottom - w, o.right, o.bottom}, color);
    CRenderer::FillColor(dc, RECT{o.left, o.top + w, o.left + w, o.bottom - w}, color);
    CRenderer::FillColor(dc, RECT{o.right - w, o.top + w, o.right, o.bottom - w}, color);
}

}  // namespace SkinUI
