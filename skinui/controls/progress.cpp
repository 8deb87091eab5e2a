#include "skinui/controls/progress.h"

#include <oleacc.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwchar>

#include "skinui/controls/attribute_values.h"
#include "skinui/core/high_contrast.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

RECT ProgressPart(bool horizontal, int width, int height, int minimum, int maximum, int value) {
    // 64-bit arithmetic: any int range and size multiply without overflow.
    const long long low = minimum;
    const long long high = low >= maximum ? low + 1 : maximum;
    long long v = value < low ? low : value;
    v = v > high ? high : v;
    const long long span = high - low;
    if (horizontal) {
        return RECT{0, 0, static_cast<LONG>(width * (v - low) / span), height};
    }
    return RECT{0, static_cast<LONG>(height * (high - v) / span), width, height};
}

std::wstring ProgressModifier(const RECT& p, bool stretch) {
    wchar_t buffer[128];
    if (stretch) {
        std::swprintf(buffer, sizeof buffer / sizeof buffer[0], L"dest='%d,%d,%d,%d'",
                      static_cast<int>(p.left), static_cast<int>(p.top), static_cast<int>(p.right),
                      static_cast<int>(p.bottom));
    } else {
        std::swprintf(buffer, sizeof buffer / sizeof buffer[0],
                      L"dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", static_cast<int>(p.left),
                      static_cast<int>(p.top), static_cast<int>(p.right),
                      static_cast<int>(p.bottom), static_cast<int>(p.left), static_cast<int>(p.top),
                      static_cast<int>(p.right), static_cast<int>(p.bottom));
    }
    return buffer;
}

CProgressUI::CProgressUI() {
    textStyle_ = DT_CENTER | DT_SINGLELINE;
    // A layout length like any other: scaled with the window unless the layout gives one.
    fixedHeight_ = 12;
    layout100_.hasHeight = true;
    layout100_.height = 12;
}

#define SKINUI_PROGRESS_SETTER(Name, Type, field) \
    void CProgressUI::Name(Type value) {          \
        if (field != value) {                     \
            field = value;                        \
            Invalidate();                         \
        }                                         \
    }
SKINUI_PROGRESS_SETTER(SetHorizontal, bool, horizontal_)
SKINUI_PROGRESS_SETTER(SetStretchForeImage, bool, stretch_)
SKINUI_PROGRESS_SETTER(SetMinValue, int, min_)
SKINUI_PROGRESS_SETTER(SetMaxValue, int, max_)
#undef SKINUI_PROGRESS_SETTER

void CProgressUI::SetValue(int value) {
    if (value_ != value) {
        value_ = value;
        Invalidate();
        if (manager_ != nullptr) {
            manager_->NotifyAccessible(this, AccessibleChange::Value);
        }
    }
}

void CProgressUI::SetForeImage(const wchar_t* spec) {
    const std::wstring value = spec != nullptr ? spec : L"";
    if (value != progressImage_) {
        progressImage_ = value;
        Invalidate();
    }
}

void CProgressUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr || value == nullptr) {
        return;
    }
    const std::wstring key = name;
    if (key == L"foreimage") {
        SetForeImage(value);
    } else if (key == L"hor") {
        SetHorizontal(ParseBool(value));
    } else if (key == L"isstretchfore") {
        SetStretchForeImage(ParseBool(value));
    } else if (key == L"min") {
        SetMinValue(ParseInt(value));
    } else if (key == L"max") {
        SetMaxValue(ParseInt(value));
    } else if (key == L"value") {
        SetValue(ParseInt(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CProgressUI::PaintStateImage(HDC dc) {
    // The range is mended where it is used: an empty range becomes one step wide.
    if (min_ >= max_ && min_ < INT_MAX) {
        max_ = min_ + 1;
    }
    if (min_ < max_) {
        value_ = value_ < min_ ? min_ : (value_ > max_ ? max_ : value_);
    }
    const RECT part = ProgressPart(horizontal_, GetWidth(), GetHeight(), min_, max_, value_);
    if (IsHighContrastOn()) {
        // The track framed in the text colour, the done part in the highlight.
        RECT done = part;
        OffsetRect(&done, itemRect_.left, itemRect_.top);
        CRenderer::FillColor(dc, done, SystemColor(COLOR_HIGHLIGHT));
        CRenderer::StrokeRect(dc, itemRect_, std::max(1, ScaleLength(1)),
                              SystemColor(COLOR_WINDOWTEXT));
        return;
    }
    if (progressImage_.empty()) {
        return;
    }
    modifier_ = ProgressModifier(part, stretch_);
    if (!CRenderer::PaintImageSpec(dc, manager_, itemRect_, paintRect_, progressImage_.c_str(),
                                   modifier_.c_str())) {
        progressImage_.clear();
    }
}

// What a screen reader is told of the control.
bool CProgressUI::DescribeAccessible(AccessibleDescription& description) const {
    description.name = AccessibleName();
    description.role = ROLE_SYSTEM_PROGRESSBAR;
    description.state |= STATE_SYSTEM_READONLY;
    const long long low = GetMinValue();
    const long long high = GetMaxValue() > low ? GetMaxValue() : low + 1;
    long long value = GetValue();
    value = value < low ? low : (value > high ? high : value);
    description.value = std::to_wstring((value - low) * 100 / (high - low)) + L"%";
    return true;
}

}  // namespace SkinUI
