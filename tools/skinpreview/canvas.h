#pragma once
// A 32-bit top-down DIB in a memory DC that the preview paints into and saves as a PNG.
#include <windows.h>

#include <string>

#include "skinui/core/gdi_handles.h"

namespace SkinPreview {

class Canvas {
public:
    Canvas(int width, int height, DWORD background);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    bool Save(const std::wstring& path) const;

private:
    int width_;
    int height_;
    SkinUI::MemoryDC dc_;
    SkinUI::BitmapHandle bitmap_;
    HGDIOBJ old_ = nullptr;
    DWORD* pixels_ = nullptr;
};

}  // namespace SkinPreview
