// The native edit box an edit control opens over itself while it has the focus.
#include <algorithm>
#include <string>
#include <vector>

#include "skinui/controls/edit.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

// Reflected messages: what the parent window receives, sent back to the child that caused it.
constexpr UINT kReflectedCommand = 0x2000 + WM_COMMAND;
constexpr UINT kReflectedColorEdit = 0x2000 + WM_CTLCOLOREDIT;
constexpr UINT kReflectedColorStatic = 0x2000 + WM_CTLCOLORSTATIC;
constexpr DWORD kNoColor = 0xFFFFFFFF;

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(std::max(0, length)) + 1, L'\0');
    GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

}  // namespace

RECT CEditWnd::CalcPos() const {
    const RECT item = owner_->GetPos();
    const RECT pad = owner_->GetTextPadding();
    RECT rc = {item.left + pad.left, item.top + pad.top, item.right - pad.right,
               item.bottom - pad.bottom};
    CUIManager* manager = owner_->GetManager();
    if (manager != nullptr) {
        if (FontEntry* font = manager->GetFontEntry(owner_->GetFont())) {
            const LONG height = manager->GetFontMetrics(font).tmHeight;
            if (height < rc.bottom - rc.top) {
                rc.top += (rc.bottom - rc.top - height) / 2;
                rc.bottom = rc.top + height;
            }
        }
    }
    return rc;
}

bool CEditWnd::Init(CEditUI* owner) {
    owner_ = owner;
    CUIManager* manager = owner->GetManager();
    if (manager == nullptr || manager->GetWindow() == nullptr) {
        return false;
    }
    DWORD style = WS_CHILD | ES_AUTOHSCROLL;
    if (owner->IsPasswordMode()) {
        style |= ES_PASSWORD;
    }
    // Until Init returns the caller owns this object: a window destroyed on the way (the system
    // edit may refuse to be created) must not take the object with it.
    creating_ = true;
    if (CreateWnd(manager->GetWindow(), nullptr, style, 0, CalcPos()) != nullptr) {
        SetUp(*owner, *manager);
    }
    creating_ = false;
    if (window_ == nullptr) {
        return false;
    }
    initialised_ = true;
    return true;
}

void CEditWnd::SetUp(CEditUI& owner, CUIManager& manager) {
    SendMsg(WM_SETFONT, reinterpret_cast<WPARAM>(manager.GetFontByIndex(owner.GetFont())), TRUE);
    SendMsg(EM_LIMITTEXT, static_cast<WPARAM>(owner.GetMaxChar()));
    if (owner.IsPasswordMode()) {
        SendMsg(EM_SETPASSWORDCHAR, static_cast<WPARAM>(owner.GetPasswordChar()));
    }
    SetWindowTextW(window_, owner.GetText().c_str());
    SendMsg(EM_SETMODIFY, FALSE);
    SendMsg(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
    EnableWindow(window_, owner.IsEnabled() ? TRUE : FALSE);
    SendMsg(EM_SETREADONLY, owner.IsReadOnly() ? TRUE : FALSE);
    const LONG_PTR current = GetWindowLongPtrW(window_, GWL_STYLE);
    SetWindowLongPtrW(window_, GWL_STYLE, current | static_cast<LONG_PTR>(owner.GetWindowStyles()));
    if (window_ != nullptr) {
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        SetFocus(window_);
    }
}

LRESULT CEditWnd::OnControlColor(HDC dc) {
    if (owner_ == nullptr || owner_->GetNativeEditBkColor() == kNoColor) {
        return 0;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(owner_->GetTextColor()));
    if (!brush_) {
        brush_.reset(CreateSolidBrush(ToColorRef(owner_->GetNativeEditBkColor())));
    }
    return reinterpret_cast<LRESULT>(brush_.get());
}

LRESULT CEditWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KILLFOCUS: {
            // The box lives only while it has the focus.
            const LRESULT result = CallWindowProcW(previousProc_, window_, message, wParam, lParam);
            PostMsg(WM_CLOSE);
            return result;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                if (owner_ != nullptr && owner_->GetManager() != nullptr) {
                    owner_->GetManager()->NotifyAll(owner_, L"return");
                }
                return 0;
            }
            break;
        case kReflectedCommand:
            if (HIWORD(wParam) == EN_CHANGE) {
                if (initialised_ && owner_ != nullptr) {
                    owner_->OnNativeTextChanged(WindowText(window_));
                }
                return 0;
            }
            if (HIWORD(wParam) == EN_UPDATE) {
                InvalidateRect(window_, nullptr, FALSE);
                return 0;
            }
            return 0;
        case kReflectedColorEdit:
        case kReflectedColorStatic:
            return OnControlColor(reinterpret_cast<HDC>(wParam));
        default:
            break;
    }
    return CallWindowProcW(previousProc_, window_, message, wParam, lParam);
}

void CEditWnd::OnWindowDestroyed(HWND /*window*/) {
    if (creating_) {
        // Init reports the failure; its caller deletes this object.
        brush_.reset();
        return;
    }
    if (owner_ != nullptr) {
        owner_->OnNativeClosed();
    }
    brush_.reset();
    delete this;
}

}  // namespace SkinUI
