#pragma once
// The ring that shows which control has the keyboard focus. Its sizes are the skin's, in pixels
// of the layout; the geometry is worked out here and nowhere else.
#include <windows.h>

namespace SkinUI {

struct FocusRingStyle {
    DWORD color = 0;  // ARGB; no ring while the alpha is 0
    int width = 0;    // thickness of the ring
    int gap = 0;      // space between the control and the ring; negative puts it inside
};

// The outer rectangle of the ring around a control's rectangle (empty when the style draws
// nothing). The ring covers the band `width` wide along its inner edge.
RECT FocusRingOuterRect(const RECT& item, int width, int gap);

// Fills the ring's four bands with the colour (nothing for a style without a ring).
void PaintFocusRing(HDC dc, const RECT& item, const FocusRingStyle& style);

}  // namespace SkinUI
