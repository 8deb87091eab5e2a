#include "installer/window_chrome.h"

#include "app/config_selection.h"
#include "skinui/controls/control.h"
#include "skinui/core/ui_manager.h"

void PrepareSkinnedWindow(HWND window, SkinUI::CUIManager& manager) {
    SetWindowTextW(window, GetConfigSelection().windowTitle.c_str());
    LONG style = GetWindowLongW(window, GWL_STYLE);
    style = (style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    SetWindowLongW(window, GWL_STYLE, style);
    manager.AttachWindow(window);
}

LRESULT HitTestCaption(HWND window, SkinUI::CUIManager& manager, LPARAM screenPoint,
                       TextDrags textDrags) {
    POINT pt = {static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
    ScreenToClient(window, &pt);
    RECT client;
    GetClientRect(window, &client);
    const RECT caption = manager.WindowMetrics().Caption();
    if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right &&
        pt.y >= caption.top && pt.y < caption.bottom) {
        SkinUI::CControlUI* control = manager.FindAtPoint(pt);
        if (control) {
            switch (control->PointerUseAt(pt)) {
                case SkinUI::PointerUse::Background:
                    return HTCAPTION;
                case SkinUI::PointerUse::Text:
                    return textDrags == TextDrags::Yes ? HTCAPTION : HTCLIENT;
                case SkinUI::PointerUse::Control:
                    return HTCLIENT;
            }
        }
    }
    return HTCLIENT;
}

void ApplyRoundCorners(HWND window, SkinUI::CUIManager& manager) {
    const SIZE corner = manager.WindowMetrics().RoundCorner();
    if (IsIconic(window) || (corner.cx == 0 && corner.cy == 0)) {
        return;
    }
    RECT rc;
    GetWindowRect(window, &rc);
    OffsetRect(&rc, -rc.left, -rc.top);
    rc.right++;
    rc.bottom++;
    HRGN region = CreateRoundRectRgn(rc.left, rc.top, rc.right, rc.bottom, corner.cx, corner.cy);
    // The window owns the region once SetWindowRgn succeeds; delete it only when it did not.
    if (region && !SetWindowRgn(window, region, TRUE)) {
        DeleteObject(region);
    }
}
