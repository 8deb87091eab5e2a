// Scrolling of a container: bars on the right and bottom of the client area, moved by keys,
// the wheel and code; the children are laid out again at each new position.
#include <algorithm>

#include "skinui/controls/container.h"
#include "skinui/controls/scrollbar.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

SIZE CContainerUI::GetScrollPos() const {
    return SIZE{hScroll_ != nullptr ? hScroll_->GetScrollPos() : 0,
                vScroll_ != nullptr ? vScroll_->GetScrollPos() : 0};
}

SIZE CContainerUI::GetScrollRange() const {
    return SIZE{hScroll_ != nullptr ? hScroll_->GetScrollRange() : 0,
                vScroll_ != nullptr ? vScroll_->GetScrollRange() : 0};
}

void CContainerUI::SetScrollPos(SIZE pos) {
    const SIZE old = GetScrollPos();
    if (vScroll_ != nullptr) {
        vScroll_->SetScrollPos(pos.cy);
    }
    if (hScroll_ != nullptr) {
        hScroll_->SetScrollPos(pos.cx);
    }
    const SIZE now = GetScrollPos();
    if (now.cx != old.cx || now.cy != old.cy) {
        SetPos(itemRect_);
        Invalidate();
    }
}

int CContainerUI::LineSize() const {
    int height = 12;
    if (manager_ != nullptr) {
        if (FontEntry* font = manager_->GetDefaultFont()) {
            height = manager_->GetFontMetrics(font).tmHeight;
        }
    }
    return height + 8;
}

void CContainerUI::ScrollLineUp() {
    SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx, pos.cy - LineSize()});
}
void CContainerUI::ScrollLineDown() {
    SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx, pos.cy + LineSize()});
}
void CContainerUI::ScrollPageUp() {
    SIZE pos = GetScrollPos();
    const RECT client = ClientRect();
    SetScrollPos(SIZE{pos.cx, pos.cy - (client.bottom - client.top)});
}
void CContainerUI::ScrollPageDown() {
    SIZE pos = GetScrollPos();
    const RECT client = ClientRect();
    SetScrollPos(SIZE{pos.cx, pos.cy + (client.bottom - client.top)});
}
void CContainerUI::ScrollToTop() {
    SetScrollPos(SIZE{GetScrollPos().cx, 0});
}
void CContainerUI::ScrollToBottom() {
    SetScrollPos(SIZE{GetScrollPos().cx, GetScrollRange().cy});
}
void CContainerUI::ScrollLineLeft() {
    SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx - LineSize(), pos.cy});
}
void CContainerUI::ScrollLineRight() {
    SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx + LineSize(), pos.cy});
}
void CContainerUI::ScrollPageLeft() {
    SIZE pos = GetScrollPos();
    const RECT client = ClientRect();
    SetScrollPos(SIZE{pos.cx - (client.right - client.left), pos.cy});
}
void CContainerUI::ScrollPageRight() {
    SIZE pos = GetScrollPos();
    const RECT client = ClientRect();
    SetScrollPos(SIZE{pos.cx + (client.right - client.left), pos.cy});
}
void CContainerUI::ScrollToLeft() {
    SetScrollPos(SIZE{0, GetScrollPos().cy});
}
void CContainerUI::ScrollToRight() {
    SetScrollPos(SIZE{GetScrollRange().cx, GetScrollPos().cy});
}

void CContainerUI::EnableScrollBars(bool vertical, bool horizontal) {
    auto toggle = [this](CScrollBarUI*& bar, bool wanted, bool isHorizontal) {
        if (wanted && bar == nullptr) {
            bar = new CScrollBarUI(isHorizontal);
            bar->SetManager(manager_, this, manager_ != nullptr);
            bar->SetMouseEnabled(mouseEnabled_);
        } else if (!wanted && bar != nullptr) {
            delete bar;
            bar = nullptr;
        }
    };
    const bool changed =
        (vertical != (vScroll_ != nullptr)) || (horizontal != (hScroll_ != nullptr));
    toggle(vScroll_, vertical, false);
    toggle(hScroll_, horizontal, true);
    if (changed) {
        RequestLayout();
    }
}

void CContainerUI::UpdateScrollBars(RECT rect, int cxNeeded, int cyNeeded) {
    if (vScroll_ != nullptr) {
        vScroll_->SetScrollRange(std::max(0, cyNeeded - static_cast<int>(rect.bottom - rect.top)));
        vScroll_->SetPos(
            RECT{rect.right, rect.top, rect.right + vScroll_->GetThickness(), rect.bottom});
    }
    if (hScroll_ != nullptr) {
        hScroll_->SetScrollRange(std::max(0, cxNeeded - static_cast<int>(rect.right - rect.left)));
        hScroll_->SetPos(
            RECT{rect.left, rect.bottom, rect.right, rect.bottom + hScroll_->GetThickness()});
    }
}

}  // namespace SkinUI
