#include <algorithm>

#include "skinui/core/image_spec.h"
#include "skinui/core/msimg_functions.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

bool Intersects(const RECT& a, const RECT& b) {
    RECT unused;
    return IntersectRect(&unused, &a, &b) != FALSE;
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

// Draws source pieces of one bitmap onto a DC through either the blending or the copying path.
class GridPainter {
public:
    GridPainter(HDC dc, HDC source, const RECT& paint, bool alpha, BYTE fade)
        : dc_(dc), source_(source), paint_(paint), alpha_(alpha), blend_(AlphaBlender()) {
        function_ = {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
    }

    void Piece(const RECT& d, const RECT& s) const {
        if (Width(d) <= 0 || Height(d) <= 0 || Width(s) <= 0 || Height(s) <= 0 ||
            !Intersects(d, paint_)) {
            return;
        }
        if (alpha_) {
            blend_(dc_, d.left, d.top, Width(d), Height(d), source_, s.left, s.top, Width(s),
                   Height(s), function_);
        } else if (Width(d) == Width(s) && Height(d) == Height(s)) {
            BitBlt(dc_, d.left, d.top, Width(d), Height(d), source_, s.left, s.top, SRCCOPY);
        } else {
            StretchBlt(dc_, d.left, d.top, Width(d), Height(d), source_, s.left, s.top, Width(s),
                       Height(s), SRCCOPY);
        }
    }

private:
    HDC dc_;
    HDC source_;
    RECT paint_;
    bool alpha_;
    AlphaBlendFunction blend_;
    BLENDFUNCTION function_;
};

// The tiles [first, last) of one axis that meet the visible span, for tiles of `step` pixels
// laid from `origin`.
void VisibleTiles(LONG origin, LONG visibleFrom, LONG visibleTo, int step, int& first, int& last) {
    first = static_cast<int>((visibleFrom - origin) / step);
    last = static_cast<int>((static_cast<long long>(visibleTo) - origin + step - 1) / step);
}

void PaintMiddle(const GridPainter& painter, const RECT& inner, const RECT& innerSource,
                 const RECT& paint, bool xtiled, bool ytiled) {
    if (!xtiled && !ytiled) {
        painter.Piece(inner, innerSource);
        return;
    }
    const int sw = Width(innerSource);
    const int sh = Height(innerSource);
    RECT visible;
    if (sw <= 0 || sh <= 0 || !IntersectRect(&visible, &inner, &paint)) {
        return;
    }
    // Only the tiles inside the paint rectangle are drawn: a destination far larger than the
    // window costs no more than one that fits it.
    int firstColumn = 0, columns = 1, firstRow = 0, rows = 1;
    if (xtiled) {
        VisibleTiles(inner.left, visible.left, visible.right, sw, firstColumn, columns);
    }
    if (ytiled) {
        VisibleTiles(inner.top, visible.top, visible.bottom, sh, firstRow, rows);
    }
    for (int row = firstRow; row < rows; ++row) {
        RECT d = inner;
        RECT s = innerSource;
        if (ytiled) {
            d.top = inner.top + row * sh;
            d.bottom = std::min(d.top + sh, inner.bottom);
            s.bottom = s.top + Height(d);
        }
        for (int column = firstColumn; column < columns; ++column) {
            RECT dc = d;
            RECT sc = s;
            if (xtiled) {
                dc.left = inner.left + column * sw;
                dc.right = std::min(dc.left + sw, inner.right);
                sc.right = sc.left + Width(dc);
            }
            painter.Piece(dc, sc);
        }
    }
}

}  // namespace

void CRenderer::PaintBitmapGrid(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint,
                                const RECT& source, const RECT& corners, bool alpha, BYTE fade,
                                bool hole, bool xtiled, bool ytiled) {
    if (dc == nullptr || bitmap == nullptr) {
        return;
    }
    MemoryDC memory(dc);
    if (!memory) {
        return;
    }
    SelectGuard selected(memory.get(), bitmap);
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    const bool alphaPath = alpha || fade < 255;
    GridPainter painter(dc, memory.get(), paint, alphaPath, fade);

    const bool noCorners =
        corners.left == 0 && corners.top == 0 && corners.right == 0 && corners.bottom == 0;
    if (!alphaPath && noCorners && Width(dest) == Width(source) && Height(dest) == Height(source)) {
        RECT part;
        if (IntersectRect(&part, &dest, &paint)) {
            BitBlt(dc, part.left, part.top, Width(part), Height(part), memory.get(),
                   source.left + part.left - dest.left, source.top + part.top - dest.top, SRCCOPY);
        }
    } else {
        const RECT inner = {dest.left + corners.left, dest.top + corners.top,
                            dest.right - corners.right, dest.bottom - corners.bottom};
        const RECT innerSource = {source.left + corners.left, source.top + corners.top,
                                  source.right - corners.right, source.bottom - corners.bottom};
        if (!hole && Intersects(inner, paint)) {
            PaintMiddle(painter, inner, innerSource, paint, xtiled, ytiled);
        }
        const LONG l = corners.left, t = corners.top, r = corners.right, b = corners.bottom;
        // Corners, unscaled.
        if (l > 0 && t > 0) {
            painter.Piece({dest.left, dest.top, dest.left + l, dest.top + t},
                          {source.left, source.top, source.left + l, source.top + t});
        }
        if (r > 0 && t > 0) {
            painter.Piece({dest.right - r, dest.top, dest.right, dest.top + t},
                          {source.right - r, source.top, source.right, source.top + t});
        }
        if (l > 0 && b > 0) {
            painter.Piece({dest.left, dest.bottom - b, dest.left + l, dest.bottom},
                          {source.left, source.bottom - b, source.left + l, source.bottom});
        }
        if (r > 0 && b > 0) {
            painter.Piece({dest.right - r, dest.bottom - b, dest.right, dest.bottom},
                          {source.right - r, source.bottom - b, source.right, source.bottom});
        }
        // Edges, stretched along their length.
        if (t > 0) {
            painter.Piece({inner.left, dest.top, inner.right, dest.top + t},
                          {innerSource.left, source.top, innerSource.right, source.top + t});
        }
        if (b > 0) {
            painter.Piece({inner.left, dest.bottom - b, inner.right, dest.bottom},
                          {innerSource.left, source.bottom - b, innerSource.right, source.bottom});
        }
        if (l > 0) {
            painter.Piece({dest.left, inner.top, dest.left + l, inner.bottom},
                          {source.left, innerSource.top, source.left + l, innerSource.bottom});
        }
        if (r > 0) {
            painter.Piece({dest.right - r, inner.top, dest.right, inner.bottom},
                          {source.right - r, innerSource.top, source.right, innerSource.bottom});
        }
    }
    SetStretchBltMode(dc, oldMode);
}

bool CRenderer::PaintImageSettings(HDC dc, CUIManager* manager, const RECT& control,
                                   const RECT& paint, const ImageDrawSettings& settings) {
    if (dc == nullptr || manager == nullptr || settings.name.empty()) {
        return false;
    }
    const SkinImage* image =
        manager->FindImage(settings.name.c_str(),
                           settings.type.empty() ? nullptr : settings.type.c_str(), settings.mask);
    if (image == nullptr) {
        return false;
    }
    // The cached image is at the window's scale (CImageCache): source and
    // corner rectangles, written at 100 %, are scaled the same way, so corners stay 1:1.
    RECT source = manager->ScaleRect(settings.source);
    if (source.left == 0 && source.top == 0 && source.right == 0 && source.bottom == 0) {
        source = {0, 0, image->width, image->height};
    }
    const RECT corner = manager->ScaleRect(settings.corner);
    source.left = std::max<LONG>(source.left, 0);
    source.top = std::max<LONG>(source.top, 0);
    source.right = std::min<LONG>(source.right, image->width);
    source.bottom = std::min<LONG>(source.bottom, image->height);
    if (Intersects(settings.dest, control) && Intersects(settings.dest, paint)) {
        PaintBitmapGrid(dc, image->bitmap.get(), settings.dest, paint, source, corner,
                        image->hasAlpha, settings.fade, settings.hole, settings.xtiled,
                        settings.ytiled);
    }
    return true;
}

bool CRenderer::PaintImageSpec(HDC dc, CUIManager* manager, const RECT& control, const RECT& paint,
                               const wchar_t* spec, const wchar_t* modifier) {
    if (dc == nullptr || manager == nullptr) {
        return false;
    }
    for (const ImageDrawSettings& settings :
         ParseImageSpecs(spec, modifier, control, manager->GetDpi())) {
        PaintImageSettings(dc, manager, control, paint, settings);
    }
    return true;
}

}  // namespace SkinUI
