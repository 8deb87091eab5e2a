#include "skinui/controls/layout_separator.h"

#include <algorithm>
#include <cstdlib>

#include "skinui/controls/control.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

constexpr DWORD kTrackerColor = 0xAA000000;

}  // namespace

RECT CLayoutSeparator::StripRect() const {
    RECT r = owner_.GetPos();
    if (size_ == 0) {
        return RECT{0, 0, 0, 0};
    }
    // The strip's width is a layout length: wider on a display of larger scale.
    CUIManager* manager = owner_.GetManager();
    const int width = std::abs(size_);
    const int strip = manager != nullptr ? std::max(1, manager->ScaleLength(width)) : width;
    if (vertical_) {
        if (size_ > 0) {
            r.top = std::max(r.top, r.bottom - strip);
        } else {
            r.bottom = std::min(r.bottom, r.top + strip);
        }
    } else if (size_ > 0) {
        r.left = std::max(r.left, r.right - strip);
    } else {
        r.right = std::min(r.right, r.left + strip);
    }
    return r;
}

unsigned CLayoutSeparator::InputFlags() const {
    return owner_.IsEnabled() && size_ != 0 ? static_cast<unsigned>(UIFLAG_SETCURSOR) : 0u;
}

bool CLayoutSeparator::HandleEvent(ControlEvent& event) {
    if (size_ == 0 || !owner_.IsEnabled()) {
        return false;
    }
    const RECT strip = StripRect();
    switch (event.kind) {
        case UIEVENT_SETCURSOR:
            if (!PtInRect(&strip, event.mouse)) {
                return false;
            }
            ::SetCursor(LoadCursorW(nullptr, vertical_ ? IDC_SIZENS : IDC_SIZEWE));
            return true;
        case UIEVENT_BUTTONDOWN:
            if (!PtInRect(&strip, event.mouse)) {
                return false;
            }
            dragging_ = true;
            lastMouse_ = event.mouse;
            dragRect_ = owner_.GetPos();
            if (!immediate_ && owner_.GetManager() != nullptr) {
                owner_.GetManager()->AddPostPainter(&owner_);
            }
            return true;
        case UIEVENT_MOUSEMOVE:
            if (!dragging_) {
                return false;
            }
            Track(event.mouse);
            return true;
        case UIEVENT_BUTTONUP:
            if (!dragging_) {
                return false;
            }
            dragging_ = false;
            if (!immediate_) {
                Apply();
                if (owner_.GetManager() != nullptr) {
                    owner_.GetManager()->RemovePostPainter(&owner_);
                    owner_.GetManager()->Invalidate(owner_.GetPos());
                }
            }
            return true;
        default:
            return false;
    }
}

void CLayoutSeparator::Track(POINT point) {
    const int delta = vertical_ ? point.y - lastMouse_.y : point.x - lastMouse_.x;
    lastMouse_ = point;
    // A strip on the leading edge grows the layout when dragged towards the start.
    const int signedDelta = size_ > 0 ? delta : -delta;
    RECT r = dragRect_;
    const int current = vertical_ ? r.bottom - r.top : r.right - r.left;
    const int minimum = vertical_ ? owner_.GetMinHeight() : owner_.GetMinWidth();
    const int maximum = vertical_ ? owner_.GetMaxHeight() : owner_.GetMaxWidth();
    const int wanted = std::max(minimum, std::min(maximum, current + signedDelta));
    if (vertical_) {
        size_ > 0 ? r.bottom = r.top + wanted : r.top = r.bottom - wanted;
    } else {
        size_ > 0 ? r.right = r.left + wanted : r.left = r.right - wanted;
    }
    if (owner_.GetManager() != nullptr) {
        RECT both;
        UnionRect(&both, &dragRect_, &r);
        owner_.GetManager()->Invalidate(both);
    }
    dragRect_ = r;
    if (immediate_) {
        Apply();
    }
}

void CLayoutSeparator::Apply() {
    if (vertical_) {
        owner_.SetFixedHeight(dragRect_.bottom - dragRect_.top);
    } else {
        owner_.SetFixedWidth(dragRect_.right - dragRect_.left);
    }
    owner_.RequestParentLayout();
}

void CLayoutSeparator::PaintTracker(HDC dc) const {
    if (!dragging_ || immediate_) {
        return;
    }
    CRenderer::FillColor(dc, dragRect_, kTrackerColor);
}

void CLayoutSeparator::Detach() {
    if (owner_.GetManager() != nullptr) {
        owner_.GetManager()->RemovePostPainter(&owner_);
    }
}

}  // namespace SkinUI
