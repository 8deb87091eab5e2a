#include "skinui/controls/edit.h"

#include <oleacc.h>

#include <algorithm>
#include <cwchar>

#include "skinui/controls/attribute_values.h"
#include "skinui/core/image_spec.h"
#include "skinui/core/high_contrast.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

CEditUI::CEditUI() {
    textPadding_ = RECT{4, 3, 4, 3};
    bkColor1_ = 0xFFFFFFFF;
}

CEditUI::~CEditUI() {
    if (window_ != nullptr) {
        // The box deletes itself with its window; it must not call back into this control.
        CEditWnd* box = window_;
        window_ = nullptr;
        box->ReleaseOwner();
        DestroyWindow(box->GetHWND());
    }
}

unsigned CEditUI::GetInputFlags() const {
    return IsEnabled() ? static_cast<unsigned>(UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : 0u;
}

HWND CEditUI::GetNativeWindow() const {
    return window_ != nullptr ? window_->GetHWND() : nullptr;
}

void CEditUI::SetText(const wchar_t* text) {
    text_ = text != nullptr ? text : L"";
    if (window_ != nullptr) {
        SetWindowTextW(window_->GetHWND(), text_.c_str());
    }
    Invalidate();
    if (manager_ != nullptr) {
        manager_->NotifyAccessible(this, AccessibleChange::Value);
    }
}

void CEditUI::SetPos(RECT rect) {
    CControlUI::SetPos(rect);
    if (window_ != nullptr) {
        const RECT rc = window_->CalcPos();
        SetWindowPos(window_->GetHWND(), nullptr, rc.left, rc.top, rc.right - rc.left,
                     rc.bottom - rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CEditUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    if (!IsVisible() && window_ != nullptr && manager_ != nullptr) {
        manager_->FocusControl(nullptr);
    }
}

void CEditUI::SetParentVisible(bool visible) {
    CControlUI::SetParentVisible(visible);
    if (!IsVisible() && window_ != nullptr && manager_ != nullptr) {
        manager_->FocusControl(nullptr);
    }
}

void CEditUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    if (!enabled) {
        state_ = 0;
    }
}

void CEditUI::SetMaxChar(int count) {
    maxChar_ = count;
    if (window_ != nullptr) {
        SendMessageW(window_->GetHWND(), EM_LIMITTEXT, static_cast<WPARAM>(maxChar_), 0);
    }
}

void CEditUI::SetReadOnly(bool readOnly) {
    if (readOnly_ == readOnly) {
        return;
    }
    readOnly_ = readOnly;
    if (window_ != nullptr) {
        SendMessageW(window_->GetHWND(), EM_SETREADONLY, readOnly_ ? TRUE : FALSE, 0);
    }
    Invalidate();
}

void CEditUI::SetPasswordMode(bool password) {
    if (password_ != password) {
        password_ = password;
        Invalidate();
    }
}

void CEditUI::SetPasswordChar(wchar_t c) {
    if (passwordChar_ != c) {
        passwordChar_ = c;
        if (window_ != nullptr) {
            SendMessageW(window_->GetHWND(), EM_SETPASSWORDCHAR, static_cast<WPARAM>(c), 0);
        }
        Invalidate();
    }
}

void CEditUI::SetNumberOnly(bool numberOnly) {
    extraStyle_ =
        numberOnly ? extraStyle_ | ES_NUMBER : extraStyle_ & ~static_cast<DWORD>(ES_NUMBER);
    if (window_ != nullptr) {
        HWND box = window_->GetHWND();
        LONG_PTR style = GetWindowLongPtrW(box, GWL_STYLE);
        style = numberOnly ? style | ES_NUMBER : style & ~static_cast<LONG_PTR>(ES_NUMBER);
        SetWindowLongPtrW(box, GWL_STYLE, style);
    }
}

void CEditUI::SetNativeEditBkColor(DWORD color) {
    nativeBkColor_ = color;
}

void CEditUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr || value == nullptr) {
        return;
    }
    const std::wstring key = name;
    if (key == L"readonly") {
        SetReadOnly(ParseBool(value));
    } else if (key == L"numberonly") {
        SetNumberOnly(ParseBool(value));
    } else if (key == L"password") {
        SetPasswordMode(ParseBool(value));
    } else if (key == L"maxchar") {
        SetMaxChar(ParseInt(value));
    } else if (key == L"normalimage") {
        SetNormalImage(value);
    } else if (key == L"hotimage") {
        SetHotImage(value);
    } else if (key == L"focusedimage") {
        SetFocusedImage(value);
    } else if (key == L"disabledimage") {
        SetDisabledImage(value);
    } else if (key == L"nativebkcolor") {
        SetNativeEditBkColor(ParseHexColor(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CEditUI::OpenNativeWindow() {
    if (window_ != nullptr) {
        return;
    }
    auto* box = new CEditWnd();
    window_ = box;
    if (!box->Init(this)) {
        // No native box: the control keeps drawing its own text.
        window_ = nullptr;
        delete box;
    }
}

void CEditUI::OnNativeClosed() {
    window_ = nullptr;
    Invalidate();
}

void CEditUI::OnNativeTextChanged(const std::wstring& text) {
    text_ = text;
    if (manager_ != nullptr) {
        manager_->NotifyAccessible(this, AccessibleChange::Value);
        manager_->NotifyAll(this, L"textchanged");
    }
}

bool CEditUI::OnEvent(ControlEvent& event) {
    switch (event.kind) {
        case UIEVENT_SETCURSOR:
            if (IsEnabled()) {
                ::SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
                return true;
            }
            return false;
        case UIEVENT_WINDOWSIZE:
            if (window_ != nullptr && manager_ != nullptr) {
                manager_->FocusControlLater(this);
            }
            return true;
        case UIEVENT_SCROLLWHEEL:
            return window_ != nullptr;
        case UIEVENT_SETFOCUS:
            focused_ = true;
            if (IsEnabled()) {
                if (window_ == nullptr) {
                    OpenNativeWindow();
                }
                Invalidate();
            }
            return true;
        case UIEVENT_KILLFOCUS:
            focused_ = false;
            if (IsEnabled()) {
                Invalidate();
            }
            return true;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_RBUTTONDOWN:
        case UIEVENT_DBLCLICK:
            OnPress(event);
            return true;
        case UIEVENT_MOUSEMOVE:
        case UIEVENT_BUTTONUP:
        case UIEVENT_CONTEXTMENU:
            return true;
        default:
            return TrackHot(event);
    }
}

// A press opens the native box (when the field has the focus without one) and selects its text.
void CEditUI::OnPress(const ControlEvent& event) {
    if (!IsEnabled()) {
        return;
    }
    if (manager_ != nullptr) {
        manager_->ReleaseMouse();
    }
    if (IsFocused() && window_ == nullptr) {
        OpenNativeWindow();
        if (!PtInRect(&itemRect_, event.mouse)) {
            return;
        }
    }
    if (window_ != nullptr) {
        const int length = GetWindowTextLengthW(window_->GetHWND());
        SendMessageW(window_->GetHWND(), EM_SETSEL, 0, length > 0 ? length : 1);
    }
}

std::wstring CEditUI::DisplayText() const {
    return password_ ? std::wstring(text_.size(), passwordChar_) : text_;
}

void CEditUI::PaintStateImage(HDC dc) {
    state_ = IsFocused() ? state_ | UISTATE_FOCUSED : state_ & ~UISTATE_FOCUSED;
    state_ = !IsEnabled() ? state_ | UISTATE_DISABLED : state_ & ~UISTATE_DISABLED;
    if (IsHighContrastOn()) {
        CRenderer::FillColor(dc, itemRect_, SystemColor(COLOR_WINDOW));
        CRenderer::StrokeRect(dc, itemRect_, std::max(1, ScaleLength(1)),
                              SystemColor(COLOR_WINDOWTEXT));
        return;
    }
    std::wstring* chosen = nullptr;
    if ((state_ & UISTATE_DISABLED) != 0) {
        chosen = &disabledImage_;
    } else if ((state_ & UISTATE_FOCUSED) != 0) {
        chosen = &focusedImage_;
    } else if ((state_ & UISTATE_HOT) != 0) {
        chosen = &hotImage_;
    }
    auto draw = [&](std::wstring& spec) {
        if (spec.empty()) {
            return false;
        }
        if (!CRenderer::PaintImageSpec(dc, manager_, itemRect_, paintRect_, spec.c_str())) {
            spec.clear();
            return false;
        }
        return true;
    };
    if (chosen != nullptr && draw(*chosen)) {
        return;
    }
    draw(normalImage_);
}

void CEditUI::PaintText(HDC dc) {
    FillDefaultColors();
    const std::wstring shown = DisplayText();
    if (shown.empty()) {
        return;
    }
    const DWORD color = IsHighContrastOn() ? HighContrastTextColor()
                                           : (IsEnabled() ? textColor_ : disabledTextColor_);
    CRenderer::PaintPlainText(dc, manager_, TextRect(), shown.c_str(), color, font_,
                              textStyle_ | DT_SINGLELINE);
}

// What a screen reader is told of the control.
bool CEditUI::DescribeAccessible(AccessibleDescription& description) const {
    description.name = AccessibleName();
    description.role = ROLE_SYSTEM_TEXT;
    // The open native box holds what the user is typing.
    if (HWND native = GetNativeWindow()) {
        const int length = GetWindowTextLengthW(native);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(native, &text[0], length + 1)));
        description.value = text;
    } else {
        description.value = GetText();
    }
    if (IsReadOnly()) {
        description.state |= STATE_SYSTEM_READONLY;
    }
    return true;
}

}  // namespace SkinUI
