// Layout and double-buffered painting of a manager's control tree.
#include <algorithm>
#include <vector>

#include "skinui/core/control_interface.h"
#include "skinui/core/manager_registry.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

IControlUI* RelayoutVisitor(IControlUI* control, void* /*data*/) {
    if (control->IsUpdateNeeded()) {
        control->SetPos(control->GetPos());
    }
    return nullptr;
}

}  // namespace

void CUIManager::ReleaseOffscreen() {
    if (offscreenOld_ != nullptr) {
        SelectObject(offscreenDC_.get(), offscreenOld_);
        offscreenOld_ = nullptr;
    }
    offscreenDC_.reset();
    offscreenBitmap_.reset();
    if (backgroundOld_ != nullptr) {
        SelectObject(backgroundDC_.get(), backgroundOld_);
        backgroundOld_ = nullptr;
    }
    backgroundDC_.reset();
    backgroundBitmap_.reset();
}

void CUIManager::LayoutIfNeeded() {
    if (root_ == nullptr || window_ == nullptr) {
        return;
    }
    RECT client;
    GetClientRect(window_, &client);
    if (updateNeeded_ && !IsRectEmpty(&client)) {
        updateNeeded_ = false;
        if (root_->IsUpdateNeeded()) {
            root_->SetPos(client);
            ReleaseOffscreen();
        } else {
            root_->FindControl(RelayoutVisitor, nullptr, UIFIND_VISIBLE | UIFIND_ME_FIRST);
        }
        if (firstLayout_) {
            firstLayout_ = false;
            NotifyAll(root_, L"windowinit");
        }
    }
    focus_.SettleAfterLayout();
}

void CUIManager::PaintTree(HDC dc, const RECT& update) {
    if (root_ == nullptr || dc == nullptr) {
        return;
    }
    root_->Paint(dc, update);
    auto painters = postPainters_;
    for (IControlUI* control : painters) {
        control->PaintAfter(dc, update);
    }
    focus_.PaintRing(dc, update);
}

bool CUIManager::OnPaint() {
    RECT update;
    if (!GetUpdateRect(window_, &update, FALSE)) {
        return true;
    }
    if (root_ == nullptr) {
        PAINTSTRUCT ps;
        BeginPaint(window_, &ps);
        EndPaint(window_, &ps);
        return true;
    }
    // Layout first: what it invalidates joins the update region this paint covers.
    LayoutIfNeeded();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    RECT client;
    GetClientRect(window_, &client);
    const RECT& paint = ps.rcPaint;
    if (offscreenPaint_ && !IsRectEmpty(&client)) {
        const int cx = client.right - client.left;
        const int cy = client.bottom - client.top;
        if (!offscreenDC_) {
            offscreenDC_ = MemoryDC(dc);
            offscreenBitmap_.reset(CreateCompatibleBitmap(dc, cx, cy));
            offscreenOld_ = SelectObject(offscreenDC_.get(), offscreenBitmap_.get());
        }
        SavedDCState saved(dc);
        if (alphaBackground_) {
            if (!backgroundDC_) {
                backgroundDC_ = MemoryDC(dc);
                backgroundBitmap_.reset(CreateCompatibleBitmap(dc, cx, cy));
                backgroundOld_ = SelectObject(backgroundDC_.get(), backgroundBitmap_.get());
                BitBlt(backgroundDC_.get(), paint.left, paint.top, paint.right - paint.left,
                       paint.bottom - paint.top, dc, paint.left, paint.top, SRCCOPY);
            }
            BitBlt(offscreenDC_.get(), paint.left, paint.top, paint.right - paint.left,
                   paint.bottom - paint.top, backgroundDC_.get(), paint.left, paint.top, SRCCOPY);
        }
        PaintTree(offscreenDC_.get(), paint);
        BitBlt(dc, paint.left, paint.top, paint.right - paint.left, paint.bottom - paint.top,
               offscreenDC_.get(), paint.left, paint.top, SRCCOPY);
        if (showUpdateRect_) {
            SelectGuard pen(dc, ManagerRegistry::UpdateRectPen());
            SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
            Rectangle(dc, paint.left, paint.top, paint.right, paint.bottom);
        }
    } else {
        PaintTree(dc, paint);
    }
    EndPaint(window_, &ps);
    if (updateNeeded_) {
        InvalidateRect(window_, nullptr, FALSE);
    }
    return true;
}

}  // namespace SkinUI
