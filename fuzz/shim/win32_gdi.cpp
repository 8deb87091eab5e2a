// GDI stand-ins: device contexts and fonts are small heap objects (so a deleted one used again
// is a use-after-free under the address sanitizer), text is measured with a plausible model
// and every character passed in is read, so that a length past the text's end is caught.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "support/fuzz_input.h"

namespace {

constexpr int kFontKind = 0x464f4e54;

struct FontObject {
    int kind = kFontKind;
    bool stock = false;
    LOGFONTW logfont = {};
};

FontObject& StockFont() {
    static FontObject font = [] {
        FontObject f;
        f.stock = true;
        f.logfont.lfHeight = -12;
        f.logfont.lfWeight = 400;
        const wchar_t face[] = L"Stand-in Sans";
        std::copy(face, face + sizeof face / sizeof face[0], f.logfont.lfFaceName);
        return f;
    }();
    return font;
}

}  // namespace

struct HDC__ {
    FontObject* font = &StockFont();
    int bkMode = OPAQUE;
    COLORREF text = 0;
    COLORREF back = 0xFFFFFF;
    int saved = 0;
};

namespace {

FontObject* AsFont(HGDIOBJ object) {
    auto* font = static_cast<FontObject*>(object);
    return font != nullptr && font->kind == kFontKind ? font : nullptr;
}

LONG PixelSize(const FontObject& font) {
    const LONG height = font.logfont.lfHeight;
    const LONG size = height < 0 ? -height : height;
    return std::clamp<LONG>(size, 1, 1000);
}

// A CJK-wide character is two average widths, controls none, the rest one to three pixels
// around the average.
LONG CharWidth(const FontObject& font, wchar_t c) {
    const LONG average =
        std::max<LONG>(1, PixelSize(font) / 2) + (font.logfont.lfWeight >= FW_BOLD);
    if (c < 0x20) {
        return 0;
    }
    if (c >= 0x2E80 && c <= 0xD7FF) {
        return 2 * average;
    }
    return average + static_cast<LONG>(c % 3);
}

// Reads every character (an overrun reaches the sanitizer) and sums the widths.
LONG Measure(HDC dc, LPCWSTR text, int length, int maxExtent, int* fit, int* dx) {
    const FontObject& font = *dc->font;
    LONG total = 0;
    int fitted = 0;
    for (int i = 0; i < length; ++i) {
        total += CharWidth(font, text[i]);
        if (total <= maxExtent) {
            fitted = i + 1;
        }
        if (dx != nullptr) {
            dx[i] = static_cast<int>(std::min<LONG>(total, 0x7FFFFFFF));
        }
    }
    if (fit != nullptr) {
        *fit = fitted;
    }
    return total;
}

}  // namespace

BOOL PtInRect(const RECT* rect, POINT point) {
    return rect != nullptr && point.x >= rect->left && point.x < rect->right &&
           point.y >= rect->top && point.y < rect->bottom;
}
BOOL IsRectEmpty(const RECT* rect) {
    return rect == nullptr || rect->right <= rect->left || rect->bottom <= rect->top;
}

HDC GetDC(HWND) {
    return new HDC__;
}
int ReleaseDC(HWND, HDC dc) {
    delete dc;
    return 1;
}
HDC CreateCompatibleDC(HDC) {
    return new HDC__;
}
BOOL DeleteDC(HDC dc) {
    delete dc;
    return TRUE;
}
int SaveDC(HDC dc) {
    return dc != nullptr ? ++dc->saved : 0;
}
BOOL RestoreDC(HDC dc, int saved) {
    if (dc == nullptr || saved <= 0 || saved > dc->saved) {
        return FALSE;
    }
    dc->saved = saved - 1;
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    FontObject* font = AsFont(object);
    if (dc == nullptr || font == nullptr) {
        return nullptr;
    }
    FontObject* old = dc->font;
    dc->font = font;
    return old;
}
BOOL DeleteObject(HGDIOBJ object) {
    FontObject* font = AsFont(object);
    if (font == nullptr || font->stock) {
        return FALSE;
    }
    delete font;
    return TRUE;
}
HGDIOBJ GetStockObject(int index) {
    return index == DEFAULT_GUI_FONT ? &StockFont() : nullptr;
}
int GetObjectW(HGDIOBJ object, int size, void* out) {
    FontObject* font = AsFont(object);
    if (font == nullptr || out == nullptr || size < static_cast<int>(sizeof(LOGFONTW))) {
        return 0;
    }
    std::memcpy(out, &font->logfont, sizeof(LOGFONTW));
    return sizeof(LOGFONTW);
}
HFONT CreateFontIndirectW(const LOGFONTW* logfont) {
    if (logfont == nullptr) {
        return nullptr;
    }
    auto* font = new FontObject;
    font->logfont = *logfont;
    return reinterpret_cast<HFONT>(font);
}
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
    if (dc == nullptr || metrics == nullptr) {
        return FALSE;
    }
    const FontObject& font = *dc->font;
    const LONG size = PixelSize(font);
    *metrics = TEXTMETRICW{};
    metrics->tmAscent = size;
    metrics->tmDescent = size / 4 + 1;
    metrics->tmHeight = metrics->tmAscent + metrics->tmDescent;
    metrics->tmAveCharWidth = std::max<LONG>(1, size / 2);
    metrics->tmMaxCharWidth = 2 * metrics->tmAveCharWidth;
    metrics->tmWeight = font.logfont.lfWeight;
    metrics->tmItalic = font.logfont.lfItalic;
    metrics->tmUnderlined = font.logfont.lfUnderline;
    return TRUE;
}

int SetBkMode(HDC dc, int mode) {
    return dc != nullptr ? std::exchange(dc->bkMode, mode) : 0;
}
COLORREF SetTextColor(HDC dc, COLORREF color) {
    return dc != nullptr ? std::exchange(dc->text, color) : 0;
}
COLORREF GetTextColor(HDC dc) {
    return dc != nullptr ? dc->text : 0;
}
COLORREF SetBkColor(HDC dc, COLORREF color) {
    return dc != nullptr ? std::exchange(dc->back, color) : 0;
}
COLORREF GetBkColor(HDC dc) {
    return dc != nullptr ? dc->back : 0;
}

BOOL TextOutW(HDC dc, int, int, LPCWSTR text, int length) {
    if (dc == nullptr || text == nullptr || length < 0) {
        return FALSE;
    }
    Measure(dc, text, length, 0, nullptr, nullptr);
    if (velmora_fuzz::drawnText != nullptr) {
        velmora_fuzz::drawnText->append(text, static_cast<std::size_t>(length));
    }
    return TRUE;
}
int DrawTextW(HDC dc, LPCWSTR text, int length, RECT* rect, UINT) {
    if (dc == nullptr || text == nullptr || rect == nullptr) {
        return 0;
    }
    if (length < 0) {
        length = static_cast<int>(std::wcslen(text));
    }
    Measure(dc, text, length, 0, nullptr, nullptr);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    return static_cast<int>(metrics.tmHeight);
}
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, SIZE* size) {
    return GetTextExtentExPointW(dc, text, length, 0, nullptr, nullptr, size);
}
BOOL GetTextExtentExPointW(HDC dc, LPCWSTR text, int length, int maxExtent, int* fit, int* dx,
                           SIZE* size) {
    if (dc == nullptr || size == nullptr || length < 0 || (length > 0 && text == nullptr)) {
        return FALSE;
    }
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    size->cx = Measure(dc, text, length, maxExtent, fit, dx);
    size->cy = metrics.tmHeight;
    return TRUE;
}
