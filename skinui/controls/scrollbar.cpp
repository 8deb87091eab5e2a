#include "skinui/controls/scrollbar.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "skinui/core/image_spec.h"
#include "skinui/core/renderer.h"

namespace SkinUI {

CScrollBarUI::CScrollBarUI(bool horizontal) : horizontal_(horizontal) {
    bkColor1_ = 0xFFE8E8E8;
}

void CScrollBarUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name != nullptr && value != nullptr && std::wcscmp(name, L"thumbcolor") == 0) {
        thumbColor_ = ParseHexColor(value);
        Invalidate();
        return;
    }
    if (name != nullptr && value != nullptr && std::wcscmp(name, L"thickness") == 0) {
        thickness_ = std::max(0, std::min(200, static_cast<int>(std::wcstol(value, nullptr, 10))));
        RequestParentLayout();
        return;
    }
    CControlUI::SetAttribute(name, value);
}

void CScrollBarUI::SetScrollRange(int range) {
    range = std::max(0, range);
    if (range == range_) {
        return;
    }
    range_ = range;
    pos_ = std::min(pos_, range_);
    Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
    pos = std::max(0, std::min(pos, range_));
    if (pos == pos_) {
        return;
    }
    pos_ = pos;
    Invalidate();
}

RECT CScrollBarUI::GetThumbRect() const {
    if (range_ <= 0) {
        return RECT{0, 0, 0, 0};
    }
    const RECT& r = itemRect_;
    const long long length = horizontal_ ? r.right - r.left : r.bottom - r.top;
    // The thumb stands for the visible part of (visible + range), at least a few pixels long.
    const long long thumb = std::max<long long>(8, length * length / (length + range_));
    const long long offset = (length - thumb) * pos_ / range_;
    if (horizontal_) {
        return RECT{static_cast<LONG>(r.left + offset), r.top,
                    static_cast<LONG>(r.left + offset + thumb), r.bottom};
    }
    return RECT{r.left, static_cast<LONG>(r.top + offset), r.right,
                static_cast<LONG>(r.top + offset + thumb)};
}

void CScrollBarUI::PaintStateImage(HDC dc) {
    const RECT thumb = GetThumbRect();
    if (thumb.right > thumb.left && thumb.bottom > thumb.top && thumbColor_ != 0) {
        CRenderer::FillColor(dc, thumb, thumbColor_);
    }
}

}  // namespace SkinUI
