#include "skinui/controls/text.h"

#include <algorithm>
#include <cwchar>

#include "skinui/core/high_contrast.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

CTextUI::CTextUI() {
    textStyle_ = DT_WORDBREAK;
    textPadding_ = RECT{2, 0, 2, 0};
}

unsigned CTextUI::GetInputFlags() const {
    return IsEnabled() && linkCount_ > 0 ? static_cast<unsigned>(UIFLAG_SETCURSOR) : 0u;
}

RECT CTextUI::GetLinkRect(int index) const {
    return index >= 0 && index < linkCount_ ? links_[index] : RECT{0, 0, 0, 0};
}

std::wstring CTextUI::GetLinkContent(int index) const {
    return index >= 0 && index < linkCount_ ? linkTexts_[index] : std::wstring();
}

int CTextUI::LinkAt(POINT point) const {
    for (int i = 0; i < linkCount_; ++i) {
        if (PtInRect(&links_[i], point)) {
            return i;
        }
    }
    return -1;
}

bool CTextUI::OnEvent(ControlEvent& event) {
    switch (event.kind) {
        case UIEVENT_SETCURSOR:
            if (LinkAt(event.mouse) >= 0) {
                ::SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return true;
            }
            return false;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if ((event.kind == UIEVENT_BUTTONDOWN || IsEnabled()) && LinkAt(event.mouse) >= 0) {
                Invalidate();
                return true;
            }
            return false;
        case UIEVENT_BUTTONUP:
            return IsEnabled() && ReleaseOnLink(event.mouse);
        case UIEVENT_CONTEXTMENU:
            return true;
        case UIEVENT_MOUSEMOVE:
            if (IsEnabled() && linkCount_ > 0) {
                const int link = LinkAt(event.mouse);
                if (link != hoverLink_) {
                    hoverLink_ = link;
                    Invalidate();
                }
                return true;
            }
            return false;
        case UIEVENT_MOUSELEAVE:
            if (hoverLink_ != -1) {
                hoverLink_ = -1;
                Invalidate();
            }
            return true;
        default:
            return false;
    }
}

// A release on a link raises "link" with its index.
bool CTextUI::ReleaseOnLink(POINT point) {
    const int link = LinkAt(point);
    if (link < 0) {
        return false;
    }
    if (manager_ != nullptr) {
        manager_->NotifyAll(this, L"link", static_cast<WPARAM>(link));
    }
    return true;
}

SIZE CTextUI::MeasureSize(SIZE available) {
    if (manager_ == nullptr || text_.empty()) {
        return CControlUI::MeasureSize(available);
    }
    const RECT pad = GetTextPadding();
    RECT rc = {pad.left, 0, std::max(fixedWidth_, static_cast<int>(available.cx)) - pad.right,
               9999};
    WindowDC screen(nullptr);
    HDC dc = manager_->GetWindowDC() != nullptr ? manager_->GetWindowDC() : screen.get();
    if (showHtml_) {
        int links = 0;
        CRenderer::PaintMarkupText(dc, manager_, rc, text_.c_str(), 0, nullptr, nullptr, links,
                                   DT_CALCRECT | textStyle_);
    } else {
        SelectGuard font(dc, manager_->GetFontByIndex(font_));
        DrawTextW(dc, text_.c_str(), -1, &rc, DT_CALCRECT | DT_NOPREFIX | textStyle_);
    }
    SIZE size = {rc.right - rc.left + pad.left + pad.right,
                 rc.bottom - rc.top + pad.top + pad.bottom};
    if (fixedHeight_ != 0) {
        size.cy = fixedHeight_;
    }
    return size;
}

void CTextUI::PaintText(HDC dc) {
    if (text_.empty()) {
        linkCount_ = 0;
        return;
    }
    FillDefaultColors();
    const DWORD color = IsHighContrastOn() ? HighContrastTextColor()
                                           : (IsEnabled() ? textColor_ : disabledTextColor_);
    RECT rect = TextRect();
    if (showHtml_) {
        linkCount_ = kMaxLinks;
        CRenderer::PaintMarkupText(dc, manager_, rect, text_.c_str(), color, links_, linkTexts_,
                                   linkCount_, textStyle_);
    } else {
        CRenderer::PaintPlainText(dc, manager_, rect, text_.c_str(), color, font_, textStyle_);
    }
}

}  // namespace SkinUI
