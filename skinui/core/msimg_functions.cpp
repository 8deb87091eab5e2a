#include "skinui/core/msimg_functions.h"

#include <vector>

#include "skinui/core/gdi_handles.h"
#include "skinui/core/system_module.h"

namespace SkinUI {

namespace {

bool g_builtIn = false;
HMODULE g_msimg = nullptr;  // set by LoadMsimg; until then the built-in paths are used

FARPROC Lookup(const char* name) {
    if (g_msimg == nullptr) {
        return nullptr;
    }
    return GetProcAddress(g_msimg, name);
}

template <class F>
F Cast(FARPROC proc) {
    // FARPROC to a typed function pointer: the usual GetProcAddress idiom.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    return reinterpret_cast<F>(proc);
#pragma GCC diagnostic pop
}

// A top-down 32-bit DIB section selected into its own memory DC.
struct PixelSurface {
    MemoryDC dc;
    BitmapHandle bitmap;
    DWORD* pixels = nullptr;
    HGDIOBJ old = nullptr;

    PixelSurface(HDC like, int cx, int cy) : dc(like) {
        bitmap = CreatePixelBitmap(like, cx, cy, &pixels);
        if (dc && bitmap) {
            old = SelectObject(dc.get(), bitmap.get());
        }
    }
    ~PixelSurface() {
        if (old != nullptr) {
            SelectObject(dc.get(), old);
        }
    }
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;
    bool ok() const { return dc && pixels != nullptr; }
};

}  // namespace

void LoadMsimg() {
    // Kept for the life of the process, like the lookups below. From the system folder only:
    // the installer runs as administrator from the folder it was downloaded to.
    static HMODULE module = LoadSystemModule(L"msimg32.dll");
    g_msimg = module;
}

AlphaBlendFunction AlphaBlender() {
    static AlphaBlendFunction found = Cast<AlphaBlendFunction>(Lookup("AlphaBlend"));
    if (g_builtIn || found == nullptr) {
        return BuiltInAlphaBlend;
    }
    return found;
}

GradientFillFunction GradientFiller() {
    static GradientFillFunction found = Cast<GradientFillFunction>(Lookup("GradientFill"));
    return g_builtIn ? nullptr : found;
}

void UseBuiltInBlending(bool builtIn) {
    g_builtIn = builtIn;
}

BOOL WINAPI BuiltInAlphaBlend(HDC dest, int x, int y, int cx, int cy, HDC source, int sx, int sy,
                              int scx, int scy, BLENDFUNCTION blend) {
    if (cx <= 0 || cy <= 0 || scx <= 0 || scy <= 0) {
        return FALSE;
    }
    PixelSurface from(dest, cx, cy);
    PixelSurface to(dest, cx, cy);
    if (!from.ok() || !to.ok()) {
        return FALSE;
    }
    SetStretchBltMode(from.dc.get(), COLORONCOLOR);
    StretchBlt(from.dc.get(), 0, 0, cx, cy, source, sx, sy, scx, scy, SRCCOPY);
    BitBlt(to.dc.get(), 0, 0, cx, cy, dest, x, y, SRCCOPY);
    GdiFlush();
    const unsigned constant = blend.SourceConstantAlpha;
    const bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    const int count = cx * cy;
    for (int i = 0; i < count; ++i) {
        DWORD s = from.pixels[i];
        DWORD d = to.pixels[i];
        unsigned sa = perPixel ? (s >> 24) : 255u;
        // Source pixels are premultiplied: scale them by the constant alpha only, and let the
        // destination through by what the combined alpha leaves.
        unsigned a = sa * constant;  // 0 .. 255 * 255
        DWORD out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            unsigned sc = (shift == 24 ? sa : (s >> shift) & 0xFF);
            unsigned dc = (d >> shift) & 0xFF;
            unsigned value = (sc * constant * 255 + dc * (255 * 255 - a)) / (255 * 255);
            out |= (value > 255 ? 255u : value) << shift;
        }
        to.pixels[i] = out;
    }
    BitBlt(dest, x, y, cx, cy, to.dc.get(), 0, 0, SRCCOPY);
    return TRUE;
}

}  // namespace SkinUI
