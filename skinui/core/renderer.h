#pragma once
// Drawing functions every control paints with: skin images, image specs, fills, gradients,
// strokes, clip regions, plain and marked-up text, colour shifting.
#include <windows.h>

#include <memory>
#include <string>

#include "skinui/core/gdi_handles.h"
#include "skinui/core/skin_image.h"

namespace SkinUI {

class CUIManager;

// Restores the clip region a DC had before ClipToRect/ClipToRoundRect when it ends.
class CRenderClip {
public:
    CRenderClip() = default;
    ~CRenderClip();
    CRenderClip(const CRenderClip&) = delete;
    CRenderClip& operator=(const CRenderClip&) = delete;

private:
    friend class CRenderer;
    void Save(HDC dc);
    HDC dc_ = nullptr;
    RegionHandle old_;
    bool hadClip_ = false;
};

class CRenderer {
public:
    // name may be MAKEINTRESOURCEW(id) when type is given. Null when nothing decodes.
    static std::unique_ptr<SkinImage> DecodeSkinImage(const wchar_t* name, const wchar_t* type,
                                                      DWORD mask);
    // PNG bytes in memory to a skin image (premultiplied, mask applied).
    static std::unique_ptr<SkinImage> DecodeSkinImageBytes(const unsigned char* bytes,
                                                           std::size_t size, DWORD mask);

    static bool PaintImageSpec(HDC dc, CUIManager* manager, const RECT& control, const RECT& paint,
                               const wchar_t* spec, const wchar_t* modifier = nullptr);
    static bool PaintImageSettings(HDC dc, CUIManager* manager, const RECT& control,
                                   const RECT& paint, const ImageDrawSettings& settings);
    static void PaintBitmapGrid(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint,
                                const RECT& source, const RECT& corners, bool alpha,
                                BYTE fade = 255, bool hole = false, bool xtiled = false,
                                bool ytiled = false);

    static void FillColor(HDC dc, const RECT& rect, DWORD color);
    static void FillGradient(HDC dc, const RECT& rect, DWORD first, DWORD second, bool vertical,
                             int steps);
    static void StrokeLine(HDC dc, const RECT& points, int width, DWORD color,
                           int style = PS_SOLID);
    static void StrokeRect(HDC dc, const RECT& rect, int width, DWORD color);
    static void StrokeRoundRect(HDC dc, const RECT& rect, int width, int ellipseWidth,
                                int ellipseHeight, DWORD color);

    static void ClipToRect(HDC dc, const RECT& rect, CRenderClip& clip);
    static void ClipToRoundRect(HDC dc, const RECT& rect, const RECT& inner, int ellipseWidth,
                                int ellipseHeight, CRenderClip& clip);

    static void PaintPlainText(HDC dc, CUIManager* manager, RECT rect, const wchar_t* text,
                               DWORD color, int font, UINT style);
    // rect: in the area, out (with DT_CALCRECT) the text's extent. links/linkTexts: linkCount
    // slots in (holding the previous layout's links), the used count out.
    static void PaintMarkupText(HDC dc, CUIManager* manager, RECT& rect, const wchar_t* text,
                                DWORD defaultColor, RECT* links, std::wstring* linkTexts,
                                int& linkCount, UINT style);

    static DWORD ShiftColorHsl(DWORD color, short hue, short saturation, short lightness);
};

inline COLORREF ToColorRef(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

}  // namespace SkinUI
