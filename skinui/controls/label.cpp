#include "skinui/controls/label.h"

#include <oleacc.h>
#include "skinui/core/accessible_tree.h"
#include "skinui/core/markup_reader.h"

#include <cmath>
#include <cwchar>
#include <stdexcept>

#include "skinui/controls/attribute_values.h"
#include "skinui/controls/gdiplus_session.h"
#include "skinui/core/image_spec.h"
#include "skinui/core/high_contrast.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

LabelAlignment ApplyAlignWords(const wchar_t* words, LabelAlignment a) {
    if (words == nullptr) {
        return a;
    }
    auto has = [words](const wchar_t* word) { return std::wcsstr(words, word) != nullptr; };
    if (has(L"left")) {
        a.style = (a.style & ~(DT_CENTER | DT_RIGHT)) | DT_LEFT;
        a.horizontal = kAlignNear;
    }
    // "vcenter" contains "center" too, so it centres horizontally as well.
    if (has(L"center")) {
        a.style = (a.style & ~(DT_LEFT | DT_RIGHT)) | DT_CENTER;
        a.horizontal = kAlignCenter;
    }
    if (has(L"right")) {
        a.style = (a.style & ~(DT_LEFT | DT_CENTER)) | DT_RIGHT;
        a.horizontal = kAlignFar;
    }
    if (has(L"top")) {
        a.style = (a.style & ~(DT_BOTTOM | DT_VCENTER)) | DT_TOP;
        a.vertical = kAlignNear;
    }
    if (has(L"vcenter")) {
        a.style = (a.style & ~(DT_TOP | DT_BOTTOM)) | DT_VCENTER;
        a.vertical = kAlignCenter;
    }
    if (has(L"bottom")) {
        a.style = (a.style & ~(DT_TOP | DT_VCENTER)) | DT_BOTTOM;
        a.vertical = kAlignFar;
    }
    return a;
}

CLabelUI::CLabelUI() : gdiplus_(std::make_unique<GdiplusSession>()) {}

CLabelUI::~CLabelUI() = default;

std::wstring CLabelUI::GetText() const {
    try {
        return effect_.enabled ? effect_.text : CControlUI::GetText();
    } catch (const std::exception&) {
        throw std::runtime_error("CLabelUI::GetText");
    }
}

void CLabelUI::SetText(const wchar_t* text) {
    try {
        if (!effect_.enabled) {
            CControlUI::SetText(text);
            return;
        }
        std::wstring value = text != nullptr ? text : L"";
        if (value != effect_.text) {
            effect_.text = value;
            Invalidate();
        }
    } catch (const std::exception&) {
        throw std::runtime_error("CLabelUI::SetText");
    }
}

void CLabelUI::HandleEvent(ControlEvent& event) {
    if (event.kind == UIEVENT_SETFOCUS || event.kind == UIEVENT_KILLFOCUS) {
        focused_ = event.kind == UIEVENT_SETFOCUS;
        return;
    }
    CControlUI::HandleEvent(event);
}

#define SKINUI_LABEL_SETTER(Name, Type, field) \
    void CLabelUI::Name(Type value) {          \
        if (field != value) {                  \
            field = value;                     \
            Invalidate();                      \
        }                                      \
    }
SKINUI_LABEL_SETTER(SetTextStyle, UINT, textStyle_)
SKINUI_LABEL_SETTER(SetTextColor, DWORD, textColor_)
SKINUI_LABEL_SETTER(SetDisabledTextColor, DWORD, disabledTextColor_)
SKINUI_LABEL_SETTER(SetFont, int, font_)
SKINUI_LABEL_SETTER(SetShowHtml, bool, showHtml_)
SKINUI_LABEL_SETTER(SetEnabledEffect, bool, effect_.enabled)
SKINUI_LABEL_SETTER(SetEnabledStroke, bool, effect_.stroke)
SKINUI_LABEL_SETTER(SetEnabledShadow, bool, effect_.shadow)
#undef SKINUI_LABEL_SETTER

void CLabelUI::SetTextPadding(RECT padding) {
    textPadding_ = padding;
    Invalidate();
}

void CLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr || value == nullptr) {
        return;
    }
    const std::wstring key = name;
    if (key == L"align") {
        LabelAlignment a = ApplyAlignWords(
            value, LabelAlignment{textStyle_, effect_.horizontalAlign, effect_.verticalAlign});
        effect_.horizontalAlign = a.horizontal;
        effect_.verticalAlign = a.vertical;
        SetTextStyle(a.style);
    } else if (key == L"endellipsis") {
        SetTextStyle(ParseBool(value) ? textStyle_ | DT_END_ELLIPSIS
                                      : textStyle_ & ~static_cast<UINT>(DT_END_ELLIPSIS));
    } else if (key == L"font") {
        SetFont(ParseInt(value));
    } else if (key == L"textcolor") {
        SetTextColor(ParseHexColor(value));
    } else if (key == L"disabledtextcolor") {
        SetDisabledTextColor(ParseHexColor(value));
    } else if (key == L"textpadding") {
        SetTextPadding(ParseRect(value));
    } else if (key == L"showhtml") {
        SetShowHtml(ParseBool(value));
    } else if (key == L"enabledeffect") {
        SetEnabledEffect(ParseBool(value));
    } else if (key == L"enabledstroke") {
        SetEnabledStroke(ParseBool(value));
    } else if (key == L"enabledshadow") {
        SetEnabledShadow(ParseBool(value));
    } else if (key == L"rhaa") {
        const int hint = ParseInt(value);
        effect_.renderingHint = hint >= 0 && hint <= 5 ? hint : 0;
    } else if (key == L"transshadow") {
        effect_.shadowAlpha1 = ParseInt(value);
    } else if (key == L"transshadow1") {
        effect_.shadowAlpha2 = ParseInt(value);
    } else if (key == L"transtext") {
        effect_.textAlpha1 = ParseInt(value);
    } else if (key == L"transtext1") {
        effect_.textAlpha2 = ParseInt(value);
    } else if (key == L"transstroke") {
        effect_.strokeAlpha = ParseInt(value);
    } else if (key == L"gradientangle") {
        effect_.gradientAngle = ParseCoord(value);
    } else if (key == L"gradientlength") {
        effect_.gradientLength = ParseCoord(value);
    } else if (key == L"shadowoffset") {
        const RECT r = ParseRect(value);
        if (r.top >= -180 && r.top <= 180) {
            // The offset is a distance along an angle in degrees, counter-clockwise from the
            // positive x axis (screen y grows downwards).
            const double radians = r.top * 3.14159265358979323846 / 180.0;
            effect_.shadowOffset.x = static_cast<LONG>(std::lround(r.left * std::cos(radians)));
            effect_.shadowOffset.y = static_cast<LONG>(std::lround(-r.left * std::sin(radians)));
        }
    } else if (key == L"textcolor1") {
        effect_.textColor2 = ParseHexColor(value);
    } else if (key == L"textshadowcolora") {
        effect_.shadowColorA = ParseHexColor(value);
    } else if (key == L"textshadowcolorb") {
        effect_.shadowColorB = ParseHexColor(value);
    } else if (key == L"strokecolor") {
        effect_.strokeColor = ParseHexColor(value);
    } else {
        CControlUI::SetAttribute(name, value);
        return;
    }
    Invalidate();
}

int CLabelUI::FontHeight() {
    if (manager_ == nullptr) {
        return 12;
    }
    FontEntry* font = manager_->GetFontEntry(font_);
    return font != nullptr ? manager_->GetFontMetrics(font).tmHeight : 12;
}

SIZE CLabelUI::MeasureSize(SIZE available) {
    if (fixedHeight_ > 0) {
        return CControlUI::MeasureSize(available);
    }
    return SIZE{fixedWidth_, FontHeight() + ScaleLength(LineSpacing100())};
}

void CLabelUI::FillDefaultColors() {
    if (manager_ == nullptr) {
        return;
    }
    if (textColor_ == 0) {
        textColor_ = manager_->GetDefaultFontColor();
    }
    if (disabledTextColor_ == 0) {
        disabledTextColor_ = manager_->GetDisabledColor();
    }
}

RECT CLabelUI::TextRect() const {
    const RECT pad = GetTextPadding();
    return RECT{itemRect_.left + pad.left, itemRect_.top + pad.top, itemRect_.right - pad.right,
                itemRect_.bottom - pad.bottom};
}

DWORD CLabelUI::HighContrastTextColor() const {
    return SystemColor(IsEnabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
}

void CLabelUI::DrawLabelText(HDC dc, DWORD color, UINT style) {
    if (IsHighContrastOn()) {
        color = HighContrastTextColor();
    }
    RECT rect = TextRect();
    if (showHtml_) {
        int links = 0;
        CRenderer::PaintMarkupText(dc, manager_, rect, text_.c_str(), color, nullptr, nullptr,
                                   links, style);
    } else {
        CRenderer::PaintPlainText(dc, manager_, rect, text_.c_str(), color, font_, style);
    }
}

void CLabelUI::PaintText(HDC dc) {
    FillDefaultColors();
    if (effect_.enabled) {
        PaintEffectText(dc);
        return;
    }
    if (text_.empty()) {
        return;
    }
    DrawLabelText(dc, IsEnabled() ? textColor_ : disabledTextColor_, textStyle_ | DT_SINGLELINE);
}

// What a screen reader is told of the control.
std::wstring CLabelUI::AccessibleName() const {
    if (!GetAccessibleName().empty() || !IsShowHtml()) {
        return CControlUI::AccessibleName();
    }
    return TrimBlanks(MarkupPlainText(GetText()));
}

bool CLabelUI::DescribeAccessible(AccessibleDescription& description) const {
    description.name = AccessibleName();
    if (description.name.empty()) {
        return false;  // an image, not a text
    }
    description.role = ROLE_SYSTEM_STATICTEXT;
    description.state |= STATE_SYSTEM_READONLY;
    return true;
}

}  // namespace SkinUI
