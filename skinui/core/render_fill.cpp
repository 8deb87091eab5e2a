#include <algorithm>
#include <cmath>

#include "skinui/core/msimg_functions.h"
#include "skinui/core/gdi_handles.h"
#include "skinui/core/renderer.h"

namespace SkinUI {

namespace {

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

void FillBands(HDC dc, const RECT& rect, DWORD first, DWORD second, bool vertical, int steps) {
    int bands = 64;
    for (int limit = 4, n = 2; limit <= 64; limit *= 2, n *= 2) {
        if (steps < limit) {
            bands = n;
            break;
        }
    }
    int shift = 0;
    while ((1 << shift) < bands) {
        ++shift;
    }
    const int length = vertical ? Height(rect) : Width(rect);
    for (int i = 0; i < bands; ++i) {
        auto channel = [&](int bit) {
            int a = static_cast<int>((first >> bit) & 0xFF);
            int b = static_cast<int>((second >> bit) & 0xFF);
            return (b * (bands - i) + a * i) >> shift;
        };
        // Band i counts from the bottom (right) edge.
        int farEdge = length - length * i / bands;
        int nearEdge = length - length * (i + 1) / bands;
        RECT band = rect;
        if (vertical) {
            band.top = rect.top + nearEdge;
            band.bottom = rect.top + farEdge;
        } else {
            band.left = rect.left + nearEdge;
            band.right = rect.left + farEdge;
        }
        BrushHandle brush(CreateSolidBrush(RGB(channel(16), channel(8), channel(0))));
        FillRect(dc, &band, brush.get());
    }
}

}  // namespace

void CRenderer::FillColor(HDC dc, const RECT& rect, DWORD color) {
    const BYTE alpha = static_cast<BYTE>(color >> 24);
    if (dc == nullptr || alpha == 0) {
        return;
    }
    if (alpha == 255) {
        const COLORREF old = SetBkColor(dc, ToColorRef(color));
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
        SetBkColor(dc, old);
        return;
    }
    DWORD* pixel = nullptr;
    BitmapHandle bitmap = CreatePixelBitmap(nullptr, 1, 1, &pixel);
    if (!bitmap || pixel == nullptr) {
        return;
    }
    // Blending expects premultiplied pixels.
    const DWORD r = ((color >> 16) & 0xFF) * alpha / 255;
    const DWORD g = ((color >> 8) & 0xFF) * alpha / 255;
    const DWORD b = (color & 0xFF) * alpha / 255;
    *pixel = (static_cast<DWORD>(alpha) << 24) | (r << 16) | (g << 8) | b;
    const RECT source = {0, 0, 1, 1};
    const RECT corners = {0, 0, 0, 0};
    PaintBitmapGrid(dc, bitmap.get(), rect, rect, source, corners, true, 255);
}

void CRenderer::FillGradient(HDC dc, const RECT& rect, DWORD first, DWORD second, bool vertical,
                             int steps) {
    const int alpha = (static_cast<int>(first >> 24) + static_cast<int>(second >> 24)) / 2;
    const int cx = Width(rect);
    const int cy = Height(rect);
    if (dc == nullptr || alpha == 0 || cx <= 0 || cy <= 0) {
        return;
    }
    MemoryDC memory(dc);
    DWORD* pixels = nullptr;
    BitmapHandle bitmap = CreatePixelBitmap(nullptr, cx, cy, &pixels);
    if (!memory || !bitmap) {
        return;
    }
    SelectGuard selected(memory.get(), bitmap.get());
    const RECT local = {0, 0, cx, cy};
    if (GradientFillFunction fill = GradientFiller()) {
        TRIVERTEX vertices[2] = {};
        vertices[0].x = 0;
        vertices[0].y = 0;
        vertices[0].Red = static_cast<COLOR16>(((first >> 16) & 0xFF) << 8);
        vertices[0].Green = static_cast<COLOR16>(((first >> 8) & 0xFF) << 8);
        vertices[0].Blue = static_cast<COLOR16>((first & 0xFF) << 8);
        vertices[0].Alpha = 0xFF00;
        vertices[1].x = cx;
        vertices[1].y = cy;
        vertices[1].Red = static_cast<COLOR16>(((second >> 16) & 0xFF) << 8);
        vertices[1].Green = static_cast<COLOR16>(((second >> 8) & 0xFF) << 8);
        vertices[1].Blue = static_cast<COLOR16>((second & 0xFF) << 8);
        vertices[1].Alpha = 0xFF00;
        GRADIENT_RECT mesh = {0, 1};
        fill(memory.get(), vertices, 2, &mesh, 1,
             vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
    } else {
        FillBands(memory.get(), local, first, second, vertical, steps);
    }
    if (alpha >= 255) {
        BitBlt(dc, rect.left, rect.top, cx, cy, memory.get(), 0, 0, SRCCOPY);
    } else {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0};
        AlphaBlender()(dc, rect.left, rect.top, cx, cy, memory.get(), 0, 0, cx, cy, blend);
    }
}

void CRenderer::StrokeLine(HDC dc, const RECT& points, int width, DWORD color, int style) {
    if (dc == nullptr) {
        return;
    }
    PenHandle pen(CreatePen(style, width, ToColorRef(color)));
    SelectGuard selected(dc, pen.get());
    MoveToEx(dc, points.left, points.top, nullptr);
    LineTo(dc, points.right, points.bottom);
}

void CRenderer::StrokeRect(HDC dc, const RECT& rect, int width, DWORD color) {
    if (dc == nullptr) {
        return;
    }
    PenHandle pen(CreatePen(PS_INSIDEFRAME, width, ToColorRef(color)));
    SelectGuard selectedPen(dc, pen.get());
    SelectGuard selectedBrush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void CRenderer::StrokeRoundRect(HDC dc, const RECT& rect, int width, int ellipseWidth,
                                int ellipseHeight, DWORD color) {
    if (dc == nullptr) {
        return;
    }
    PenHandle pen(CreatePen(PS_INSIDEFRAME, width, ToColorRef(color)));
    SelectGuard selectedPen(dc, pen.get());
    SelectGuard selectedBrush(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, ellipseWidth, ellipseHeight);
}

// ---- clipping -------------------------------------------------------------------------------

void CRenderClip::Save(HDC dc) {
    dc_ = dc;
    old_.reset(CreateRectRgn(0, 0, 0, 0));
    hadClip_ = old_ && GetClipRgn(dc, old_.get()) == 1;
}

CRenderClip::~CRenderClip() {
    if (dc_ != nullptr) {
        SelectClipRgn(dc_, hadClip_ ? old_.get() : nullptr);
    }
}

void CRenderer::ClipToRect(HDC dc, const RECT& rect, CRenderClip& clip) {
    if (dc == nullptr) {
        return;
    }
    clip.Save(dc);
    RegionHandle region(CreateRectRgnIndirect(&rect));
    ExtSelectClipRgn(dc, region.get(), RGN_AND);
}

void CRenderer::ClipToRoundRect(HDC dc, const RECT& rect, const RECT& inner, int ellipseWidth,
                                int ellipseHeight, CRenderClip& clip) {
    if (dc == nullptr) {
        return;
    }
    clip.Save(dc);
    RegionHandle region(CreateRectRgnIndirect(&rect));
    RegionHandle round(CreateRoundRectRgn(inner.left, inner.top, inner.right + 1, inner.bottom + 1,
                                          ellipseWidth, ellipseHeight));
    CombineRgn(region.get(), region.get(), round.get(), RGN_AND);
    ExtSelectClipRgn(dc, region.get(), RGN_AND);
}

// ---- colour ---------------------------------------------------------------------------------

namespace {

double HueToChannel(double p, double q, double t) {
    if (t < 0) {
        t += 1;
    }
    if (t > 1) {
        t -= 1;
    }
    if (t < 1.0 / 6) {
        return p + (q - p) * 6 * t;
    }
    if (t < 0.5) {
        return q;
    }
    if (t < 2.0 / 3) {
        return p + (q - p) * (2.0 / 3 - t) * 6;
    }
    return p;
}

}  // namespace

DWORD CRenderer::ShiftColorHsl(DWORD color, short hue, short saturation, short lightness) {
    if (hue == 180 && saturation == 100 && lightness == 100) {
        return color;
    }
    const double r = ((color >> 16) & 0xFF) / 255.0;
    const double g = ((color >> 8) & 0xFF) / 255.0;
    const double b = (color & 0xFF) / 255.0;
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    double h = 0;
    double s = 0;
    double l = (high + low) / 2;
    if (high > low) {
        const double d = high - low;
        s = l > 0.5 ? d / (2 - high - low) : d / (high + low);
        if (high == r) {
            h = (g - b) / d + (g < b ? 6 : 0);
        } else if (high == g) {
            h = (b - r) / d + 2;
        } else {
            h = (r - g) / d + 4;
        }
        h *= 60;
    }
    h = std::fmod(h + hue - 180 + 720, 360.0);
    s = std::clamp(s * saturation / 100.0, 0.0, 1.0);
    l = std::clamp(l * lightness / 100.0, 0.0, 1.0);
    double outR = l;
    double outG = l;
    double outB = l;
    if (s > 0) {
        const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
        const double p = 2 * l - q;
        outR = HueToChannel(p, q, h / 360 + 1.0 / 3);
        outG = HueToChannel(p, q, h / 360);
        outB = HueToChannel(p, q, h / 360 - 1.0 / 3);
    }
    auto channel = [](double v) {
        return static_cast<DWORD>(std::clamp(std::lround(v * 255), 0L, 255L));
    };
    return (color & 0xFF000000) | (channel(outR) << 16) | (channel(outG) << 8) | channel(outB);
}

}  // namespace SkinUI
