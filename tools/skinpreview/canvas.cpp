#include "tools/skinpreview/canvas.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tools/skinpreview/png_writer.h"

namespace SkinPreview {

Canvas::Canvas(int width, int height, DWORD background)
    : width_(width), height_(height), dc_(nullptr) {
    bitmap_ = SkinUI::CreatePixelBitmap(nullptr, width, height, &pixels_);
    old_ = SelectObject(dc_.get(), bitmap_.get());
    if (pixels_ != nullptr) {
        std::fill(pixels_, pixels_ + width * height, background);
    }
}

Canvas::~Canvas() {
    SelectObject(dc_.get(), old_);
}

bool Canvas::Save(const std::wstring& path) const {
    if (pixels_ == nullptr) {
        return false;
    }
    GdiFlush();
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width_) * height_ * 4);
    for (int i = 0; i < width_ * height_; ++i) {
        const DWORD p = pixels_[i];
        rgba[i * 4 + 0] = static_cast<std::uint8_t>(p >> 16);
        rgba[i * 4 + 1] = static_cast<std::uint8_t>(p >> 8);
        rgba[i * 4 + 2] = static_cast<std::uint8_t>(p);
        rgba[i * 4 + 3] = 255;  // GDI leaves the alpha byte undefined
    }
    return WritePng(path, rgba, width_, height_);
}

}  // namespace SkinPreview
