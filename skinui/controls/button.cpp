#include "skinui/controls/button.h"

#include <oleacc.h>

#include <algorithm>
#include <cwchar>

#include "skinui/core/high_contrast.h"
#include "skinui/core/image_spec.h"
#include "skinui/core/markup_reader.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

CButtonUI::CButtonUI() {
    textStyle_ = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

unsigned CButtonUI::GetInputFlags() const {
    return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0u) | (IsEnabled() ? UIFLAG_SETCURSOR : 0u);
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) {
        return false;
    }
    if (manager_ != nullptr) {
        manager_->NotifyAll(this, L"click");
    }
    return true;
}

void CButtonUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    if (!enabled) {
        state_ = 0;
    }
}

bool CButtonUI::OnEvent(ControlEvent& event) {
    switch (event.kind) {
        case UIEVENT_SETFOCUS:
        case UIEVENT_KILLFOCUS:
            Invalidate();
            return false;
        case UIEVENT_KEYDOWN:
            if (IsKeyboardEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
                // A held key presses once.
                if ((event.lParam & 0x40000000) == 0) {
                    Activate();
                }
                return true;
            }
            return false;
        case UIEVENT_CONTEXTMENU:
            if (IsMenuEnabled() && manager_ != nullptr) {
                manager_->NotifyAll(this, L"menu", event.wParam, event.lParam);
            }
            return true;
        case UIEVENT_SETCURSOR:
            ::SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return true;
        default:
            return TrackPress(event) || TrackHot(event);
    }
}

void CButtonUI::SetHotForeImage(const wchar_t* spec) {
    SetImageSpec(hotForeImage_, spec);
}
void CButtonUI::SetPushedImage(const wchar_t* spec) {
    SetImageSpec(pushedImage_, spec);
}
void CButtonUI::SetForeImage(const wchar_t* spec) {
    SetImageSpec(foreImage_, spec);
}

#define SKINUI_BUTTON_COLOR(Name, field) \
    void CButtonUI::Name(DWORD color) {  \
        if (field != color) {            \
            field = color;               \
            Invalidate();                \
        }                                \
    }
SKINUI_BUTTON_COLOR(SetHotBkColor, hotBkColor_)
SKINUI_BUTTON_COLOR(SetHotTextColor, hotTextColor_)
SKINUI_BUTTON_COLOR(SetPushedTextColor, pushedTextColor_)
SKINUI_BUTTON_COLOR(SetFocusedTextColor, focusedTextColor_)
#undef SKINUI_BUTTON_COLOR

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr || value == nullptr) {
        return;
    }
    const std::wstring key = name;
    if (key == L"normalimage") {
        SetNormalImage(value);
    } else if (key == L"hotimage") {
        SetHotImage(value);
    } else if (key == L"pushedimage") {
        SetPushedImage(value);
    } else if (key == L"focusedimage") {
        SetFocusedImage(value);
    } else if (key == L"disabledimage") {
        SetDisabledImage(value);
    } else if (key == L"hotforeimage") {
        SetHotForeImage(value);
    } else if (key == L"foreimage") {
        SetForeImage(value);
    } else if (key == L"hotbkcolor") {
        SetHotBkColor(ParseHexColor(value));
    } else if (key == L"hottextcolor") {
        SetHotTextColor(ParseHexColor(value));
    } else if (key == L"pushedtextcolor") {
        SetPushedTextColor(ParseHexColor(value));
    } else if (key == L"focusedtextcolor") {
        SetFocusedTextColor(ParseHexColor(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

bool CButtonUI::DrawSpec(HDC dc, std::wstring& spec) {
    if (spec.empty()) {
        return false;
    }
    if (!CRenderer::PaintImageSpec(dc, manager_, itemRect_, paintRect_, spec.c_str())) {
        spec.clear();
        return false;
    }
    return true;
}

void CButtonUI::PaintForeImage(HDC dc) {
    DrawSpec(dc, foreImage_);
}

bool CButtonUI::HasStateImages() const {
    return !normalImage_.empty() || !hotImage_.empty() || !pushedImage_.empty();
}

bool CButtonUI::PaintHighContrastFace(HDC dc) {
    if (!HasStateImages()) {
        return true;  // a link or a plain text: nothing behind its text
    }
    if (text_.empty()) {
        return false;  // an icon: its image is what it says
    }
    const bool lit = IsEnabled() && (state_ & (UISTATE_HOT | UISTATE_PUSHED)) != 0;
    CRenderer::FillColor(dc, itemRect_, SystemColor(lit ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    CRenderer::StrokeRect(dc, itemRect_, std::max(1, ScaleLength(1)),
                          SystemColor(IsEnabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    return true;
}

DWORD CButtonUI::HighContrastTextColor() const {
    if (!IsEnabled()) {
        return SystemColor(COLOR_GRAYTEXT);
    }
    if (!HasStateImages()) {
        return SystemColor(COLOR_WINDOWTEXT);
    }
    const bool lit = (state_ & (UISTATE_HOT | UISTATE_PUSHED)) != 0;
    return SystemColor(lit ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
}

void CButtonUI::PaintStateImage(HDC dc) {
    state_ = IsFocused() ? state_ | UISTATE_FOCUSED : state_ & ~UISTATE_FOCUSED;
    state_ = !IsEnabled() ? state_ | UISTATE_DISABLED : state_ & ~UISTATE_DISABLED;
    if (IsHighContrastOn() && PaintHighContrastFace(dc)) {
        return;
    }
    // Each failed drawing clears its spec, so the choice falls to the next one.
    for (;;) {
        StateImageSet images;
        images.normal = !normalImage_.empty();
        images.hot = !hotImage_.empty();
        images.pushed = !pushedImage_.empty();
        images.focused = !focusedImage_.empty();
        images.disabled = !disabledImage_.empty();
        images.hotBkColor = hotBkColor_ != 0;
        switch (ChooseButtonImage(state_, images)) {
            case StateImage::Disabled:
                if (!DrawSpec(dc, disabledImage_)) {
                    continue;
                }
                break;
            case StateImage::Pushed:
                if (!DrawSpec(dc, pushedImage_)) {
                    continue;
                }
                break;
            case StateImage::Hot:
                if (!DrawSpec(dc, hotImage_)) {
                    continue;
                }
                if (!hotForeImage_.empty()) {
                    DrawSpec(dc, hotForeImage_);
                    return;
                }
                break;
            case StateImage::HotBkColor:
                CRenderer::FillColor(dc, paintRect_, AdjustColor(hotBkColor_));
                return;
            case StateImage::Focused:
                if (!DrawSpec(dc, focusedImage_)) {
                    continue;
                }
                break;
            case StateImage::Normal:
                DrawSpec(dc, normalImage_);
                break;
        }
        PaintForeImage(dc);
        return;
    }
}

void CButtonUI::PaintText(HDC dc) {
    FillDefaultColors();
    if (effect_.enabled) {
        PaintEffectText(dc);
        return;
    }
    if (text_.empty()) {
        return;
    }
    ButtonTextColors colors;
    colors.text = textColor_;
    colors.disabled = disabledTextColor_;
    colors.hot = hotTextColor_;
    colors.pushed = pushedTextColor_;
    colors.focused = focusedTextColor_;
    DrawLabelText(dc, ChooseButtonTextColor(state_, IsEnabled(), colors), textStyle_);
}

// What a screen reader is told of the control.
bool CButtonUI::DescribeAccessible(AccessibleDescription& description) const {
    description.name = AccessibleName();
    // A button whose marked-up text holds a link is read as the link.
    if (IsShowHtml() && MarkupHasLink(GetText())) {
        description.role = ROLE_SYSTEM_LINK;
        description.state |= STATE_SYSTEM_LINKED;
        description.defaultAction = L"Jump";
    } else {
        description.role = ROLE_SYSTEM_PUSHBUTTON;
        description.defaultAction = L"Press";
    }
    if ((GetButtonState() & UISTATE_PUSHED) != 0) {
        description.state |= STATE_SYSTEM_PRESSED;
    }
    return true;
}

}  // namespace SkinUI
