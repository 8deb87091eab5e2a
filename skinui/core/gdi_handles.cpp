#include "skinui/core/gdi_handles.h"

namespace SkinUI {

BitmapHandle CreatePixelBitmap(HDC like, int cx, int cy, DWORD** pixels) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle bitmap(CreateDIBSection(like, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    *pixels = bitmap ? static_cast<DWORD*>(bits) : nullptr;
    return bitmap;
}

}  // namespace SkinUI
