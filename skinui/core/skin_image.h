#pragma once
// A decoded skin image: a top-down 32-bit DIB section of premultiplied BGRA pixels.
#include <windows.h>

#include <memory>
#include <string>

#include "skinui/core/gdi_handles.h"

namespace SkinUI {

struct SkinImage {
    BitmapHandle bitmap;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    std::wstring resourceType;
    DWORD maskColor = 0;
};

// A new image of width x height (a top-down 32-bit DIB section, all zero) and its pixels; null
// when the section cannot be made.
std::unique_ptr<SkinImage> CreateSkinImage(int width, int height, DWORD** pixels);

// The pixels of an image (width x height, top-down rows), or null when it has none.
DWORD* SkinImagePixels(const SkinImage& image);

// The bytes of a resource of the skin's resource module; false when there is none.
bool FindSkinResource(const wchar_t* name, const wchar_t* type, const unsigned char** bytes,
                      DWORD* size);

// One straight RGBA pixel (as PNG decoding gives it) as a premultiplied BGRA value: each colour
// x alpha / 255 rounded down, without a division (exact for every product of two channels).
inline DWORD PremultiplyPixel(const unsigned char* rgba) {
    const DWORD a = rgba[3];
    if (a == 255) {
        return 0xFF000000u | (DWORD{rgba[0]} << 16) | (DWORD{rgba[1]} << 8) | rgba[2];
    }
    if (a == 0) {
        return 0;
    }
    auto times = [a](DWORD channel) {
        const DWORD x = channel * a;
        return (x + 1 + (x >> 8)) >> 8;
    };
    return (a << 24) | (times(rgba[0]) << 16) | (times(rgba[1]) << 8) | times(rgba[2]);
}

struct FontEntry {
    FontHandle font;
    std::wstring face;
    int size = 0;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    TEXTMETRICW metrics = {};
    bool hasMetrics = false;
};

// Everything an image spec can say about one image to draw.
struct ImageDrawSettings {
    std::wstring name;
    std::wstring type;
    RECT dest = {};
    RECT source = {};
    RECT corner = {};
    DWORD mask = 0;
    BYTE fade = 255;
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
};

}  // namespace SkinUI
