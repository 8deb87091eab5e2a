#include "skinui/controls/tab_layout.h"

#include <algorithm>
#include <cwchar>

#include "skinui/controls/attribute_values.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

bool CTabLayoutUI::Add(CControlUI* control) {
    if (!CContainerUI::Add(control)) {
        return false;
    }
    if (selected_ == -1 && control->IsVisible()) {
        selected_ = IndexOf(control);
    } else {
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Insert(CControlUI* control, int index) {
    if (!CContainerUI::Insert(control, index)) {
        return false;
    }
    const int at = IndexOf(control);
    if (selected_ == -1 && control->IsVisible()) {
        selected_ = at;
        return true;
    }
    if (selected_ >= at) {
        ++selected_;
    }
    // One page is shown at a time: a page inserted anywhere stays hidden until selected.
    control->SetVisible(false);
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
    const int index = IndexOf(control);
    if (!CContainerUI::Remove(control)) {
        return false;
    }
    if (index == selected_) {
        if (Count() == 0) {
            selected_ = -1;
        } else {
            selected_ = 0;
            ItemAt(0)->SetVisible(true);
        }
        RequestParentLayout();
    } else if (index < selected_) {
        --selected_;
    }
    return true;
}

bool CTabLayoutUI::RemoveAll() {
    selected_ = -1;
    CContainerUI::RemoveAll();
    RequestParentLayout();
    return true;
}

bool CTabLayoutUI::SelectItem(int index) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    if (index == selected_) {
        return true;
    }
    const int old = selected_;
    selected_ = index;
    for (int i = 0; i < Count(); ++i) {
        CControlUI* page = ItemAt(i);
        if (i == index) {
            page->SetVisible(true);
            page->TakeFocus();
            SetPos(itemRect_);
        } else {
            page->SetVisible(false);
        }
    }
    RequestParentLayout();
    if (manager_ != nullptr) {
        // The page that appears offers its default button to the keyboard.
        manager_->FocusDefaultButtonLater();
        manager_->NotifyAccessible(this, AccessibleChange::Children);
        manager_->NotifyAll(this, L"tabselect", static_cast<WPARAM>(selected_),
                            static_cast<LPARAM>(old));
    }
    return true;
}

void CTabLayoutUI::SetPos(RECT rect) {
    CControlUI::SetPos(rect);
    const RECT& r = itemRect_;
    for (int i = 0; i < Count(); ++i) {
        CControlUI* child = ItemAt(i);
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloat()) {
            PlaceFloatChild(i);
            continue;
        }
        if (i != selected_) {
            continue;
        }
        const RECT pad = child->GetPadding();
        const long long left = static_cast<long long>(r.left) + inset_.left + pad.left;
        const long long top = static_cast<long long>(r.top) + inset_.top + pad.top;
        const long long room_w = std::max<long long>(
            0, static_cast<long long>(r.right) - inset_.right - pad.right - left);
        const long long room_h = std::max<long long>(
            0, static_cast<long long>(r.bottom) - inset_.bottom - pad.bottom - top);
        SIZE size = child->MeasureSize(SIZE{ClampCoord(room_w), ClampCoord(room_h)});
        long long w = size.cx == 0 ? room_w : size.cx;
        long long h = size.cy == 0 ? room_h : size.cy;
        w = std::min<long long>(std::max<long long>(w, child->GetMinWidth()), child->GetMaxWidth());
        h = std::min<long long>(std::max<long long>(h, child->GetMinHeight()),
                                child->GetMaxHeight());
        child->SetPos(
            RECT{ClampCoord(left), ClampCoord(top), ClampCoord(left + w), ClampCoord(top + h)});
    }
}

void CTabLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name != nullptr && value != nullptr && std::wcscmp(name, L"selectedid") == 0) {
        SelectItem(ParseInt(value));
    }
    CContainerUI::SetAttribute(name, value);
}

}  // namespace SkinUI
