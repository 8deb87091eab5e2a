#include "skinui/controls/container.h"

#include <algorithm>
#include <cwchar>

#include "skinui/controls/attribute_values.h"
#include "skinui/controls/scrollbar.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

bool IsMouseEvent(int kind) {
    return kind >= UIEVENT_MOUSE_FIRST && kind <= UIEVENT_MOUSE_LAST;
}

IControlUI* ForgetVisitor(IControlUI* control, void* data) {
    static_cast<CUIManager*>(data)->ForgetControl(control);
    return nullptr;
}

}  // namespace

CContainerUI::~CContainerUI() {
    delayedDestroy_ = false;
    RemoveAll();
    delete vScroll_;
    delete hScroll_;
}

// ---- children ---------------------------------------------------------------------------------

CControlUI* CContainerUI::ItemAt(int index) const {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return items_[static_cast<std::size_t>(index)];
}

int CContainerUI::IndexOf(CControlUI* control) const {
    auto found = std::find(items_.begin(), items_.end(), control);
    return found != items_.end() ? static_cast<int>(found - items_.begin()) : -1;
}

bool CContainerUI::MoveItem(CControlUI* control, int index) {
    const int from = IndexOf(control);
    if (from < 0 || index < 0 || index >= Count()) {
        return false;
    }
    RequestLayout();
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + index, control);
    return true;
}

bool CContainerUI::Add(CControlUI* control) {
    // Not the virtual Insert: a derived Add must not run a derived Insert as well.
    return CContainerUI::Insert(control, Count());
}

bool CContainerUI::Insert(CControlUI* control, int index) {
    // A control lives in one list only: a second entry would be deleted twice.
    if (control == nullptr || control == this || IndexOf(control) >= 0 ||
        (control->GetParent() != nullptr && control->GetParent() != this)) {
        return false;
    }
    index = std::max(0, std::min(index, Count()));
    if (manager_ != nullptr) {
        manager_->BindControls(control, this);
    } else {
        control->SetManager(nullptr, this, false);
    }
    if (IsVisible()) {
        RequestLayout();
    } else {
        control->SetParentVisible(false);
    }
    items_.insert(items_.begin() + index, control);
    return true;
}

void CContainerUI::DisposeChild(CControlUI* child) {
    if (autoDestroy_) {
        if (delayedDestroy_ && manager_ != nullptr) {
            manager_->AddDeferredDelete(child);
        } else {
            delete child;
        }
        return;
    }
    // A child that is kept leaves this tree: the manager lets go of it and it forgets us.
    if (manager_ != nullptr) {
        child->FindControl(ForgetVisitor, manager_, UIFIND_ALL);
    }
    child->SetManager(nullptr, nullptr, false);
}

bool CContainerUI::Remove(CControlUI* control) {
    const int index = IndexOf(control);
    if (index < 0) {
        return false;
    }
    RequestLayout();
    items_.erase(items_.begin() + index);
    DisposeChild(control);
    return true;
}

bool CContainerUI::RemoveAt(int index) {
    return Remove(ItemAt(index));
}

bool CContainerUI::RemoveAll() {
    std::vector<CControlUI*> children;
    children.swap(items_);
    for (CControlUI* child : children) {
        DisposeChild(child);
    }
    RequestLayout();
    return true;
}

// ---- settings ---------------------------------------------------------------------------------

void CContainerUI::ApplyScale() {
    CControlUI::ApplyScale();
    if (hasInset100_) {
        SetInset(ScaleRect(inset100_));
    }
    if (hasChildPadding100_) {
        SetChildPadding(ScaleLength(childPadding100_));
    }
    for (CControlUI* child : items_) {
        child->ApplyScale();
    }
    if (vScroll_ != nullptr) {
        vScroll_->ApplyScale();
    }
    if (hScroll_ != nullptr) {
        hScroll_->ApplyScale();
    }
}

void CContainerUI::SetInset(RECT inset) {
    inset_ = inset;
    RequestLayout();
}

void CContainerUI::SetChildPadding(int padding) {
    childPadding_ = padding;
    RequestLayout();
}

int CContainerUI::FindSelectableItem(int start, bool forward) const {
    if (items_.empty()) {
        return -1;
    }
    start = std::max(0, std::min(start, Count() - 1));
    for (int i = start; i >= 0 && i < Count(); i += forward ? 1 : -1) {
        CControlUI* child = ItemAt(i);
        if (child->IsVisible() && child->IsEnabled()) {
            return i;
        }
    }
    return -1;
}

void CContainerUI::SetManager(CUIManager* manager, IControlUI* parent, bool init) {
    for (CControlUI* child : items_) {
        child->SetManager(manager, this, init);
    }
    if (vScroll_ != nullptr) {
        vScroll_->SetManager(manager, this, init);
    }
    if (hScroll_ != nullptr) {
        hScroll_->SetManager(manager, this, init);
    }
    CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible) {
    if (visible_ == visible) {
        return;
    }
    CControlUI::SetVisible(visible);
    for (CControlUI* child : items_) {
        child->SetParentVisible(IsVisible());
    }
}

void CContainerUI::SetParentVisible(bool visible) {
    CControlUI::SetParentVisible(visible);
    for (CControlUI* child : items_) {
        child->SetParentVisible(IsVisible());
    }
}

void CContainerUI::SetMouseEnabled(bool enabled) {
    if (vScroll_ != nullptr) {
        vScroll_->SetMouseEnabled(enabled);
    }
    if (hScroll_ != nullptr) {
        hScroll_->SetMouseEnabled(enabled);
    }
    CControlUI::SetMouseEnabled(enabled);
}

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr || value == nullptr) {
        return;
    }
    const std::wstring key = name;
    if (key == L"inset") {
        hasInset100_ = true;
        inset100_ = ParseRect(value);
        SetInset(ScaleRect(inset100_));
    } else if (key == L"mousechild") {
        SetChildMouse(ParseBool(value));
    } else if (key == L"vscrollbar") {
        EnableScrollBars(ParseBool(value), hScroll_ != nullptr);
    } else if (key == L"hscrollbar") {
        EnableScrollBars(vScroll_ != nullptr, ParseBool(value));
    } else if (key == L"vscrollbarstyle") {
        EnableScrollBars(true, hScroll_ != nullptr);
        vScroll_->SetAttributeList(value);
    } else if (key == L"hscrollbarstyle") {
        EnableScrollBars(vScroll_ != nullptr, true);
        hScroll_->SetAttributeList(value);
    } else if (key == L"childpadding") {
        hasChildPadding100_ = true;
        childPadding100_ = ParseCoord(value);
        SetChildPadding(ScaleLength(childPadding100_));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

// ---- layout -----------------------------------------------------------------------------------

bool CContainerUI::IsBarShown(const CScrollBarUI* bar) const {
    return bar != nullptr && bar->IsVisible();
}

RECT CContainerUI::ClientRect() const {
    RECT rc = {itemRect_.left + inset_.left, itemRect_.top + inset_.top,
               itemRect_.right - inset_.right, itemRect_.bottom - inset_.bottom};
    if (IsBarShown(vScroll_)) {
        rc.right -= vScroll_->GetThickness();
    }
    if (IsBarShown(hScroll_)) {
        rc.bottom -= hScroll_->GetThickness();
    }
    return rc;
}

void CContainerUI::SetPos(RECT rect) {
    CControlUI::SetPos(rect);
    const RECT inner = {itemRect_.left + inset_.left, itemRect_.top + inset_.top,
                        itemRect_.right - inset_.right, itemRect_.bottom - inset_.bottom};
    for (int i = 0; i < Count(); ++i) {
        CControlUI* child = ItemAt(i);
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloat()) {
            PlaceFloatChild(i);
        } else {
            child->SetPos(inner);
        }
    }
}

void CContainerUI::PlaceFloatChild(int index) {
    CControlUI* child = ItemAt(index);
    if (child == nullptr || !child->IsVisible() || !child->IsFloat()) {
        return;
    }
    const RECT& r = itemRect_;
    const SIZE pos = child->GetFixedPos();
    const long long w = child->GetFixedWidth();
    const long long h = child->GetFixedHeight();
    long long left, top, right, bottom;
    if (pos.cx >= 0) {
        left = r.left + static_cast<long long>(pos.cx);
        right = left + w;
    } else {
        right = r.right + static_cast<long long>(pos.cx);
        left = right - w;
    }
    if (pos.cy >= 0) {
        top = r.top + static_cast<long long>(pos.cy);
        bottom = top + h;
    } else {
        bottom = r.bottom + static_cast<long long>(pos.cy);
        top = bottom - h;
    }
    if (child->IsRelativePos()) {
        const RelativePos rel = child->GetRelativePos();
        if (rel.parentSize.cx != 0 || rel.parentSize.cy != 0) {
            const long long growW = (r.right - r.left) - static_cast<long long>(rel.parentSize.cx);
            const long long growH = (r.bottom - r.top) - static_cast<long long>(rel.parentSize.cy);
            left += growW * rel.moveX / 100;
            top += growH * rel.moveY / 100;
            right = left + growW * rel.zoomX / 100 + w;
            bottom = top + growH * rel.zoomY / 100 + h;
        }
        child->SetRelativeBase(r.right - r.left, r.bottom - r.top);
    }
    child->SetPos(RECT{ClampCoord(left), ClampCoord(top), ClampCoord(right), ClampCoord(bottom)});
}

// ---- hit testing and events -------------------------------------------------------------------

CControlUI* CContainerUI::FindControl(FindControlProc visitor, void* data, unsigned flags) {
    if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) {
        return nullptr;
    }
    if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) {
        return nullptr;
    }
    const bool hitTest = (flags & UIFIND_HITTEST) != 0;
    const POINT* point = static_cast<const POINT*>(data);
    if (hitTest && (!mouseEnabled_ || !PtInRect(&itemRect_, *point))) {
        return nullptr;
    }
    CControlUI* found = nullptr;
    for (CScrollBarUI* bar : {vScroll_, hScroll_}) {
        if (bar != nullptr && (found = bar->FindControl(visitor, data, flags)) != nullptr) {
            return found;
        }
    }
    if (hitTest && !mouseChild_) {
        return ControlOf(visitor(this, data));
    }
    if ((flags & UIFIND_ME_FIRST) != 0 && (found = ControlOf(visitor(this, data))) != nullptr) {
        return found;
    }
    const RECT client = ClientRect();
    // A visitor may change the list (a handler removing a child): walk a copy.
    std::vector<CControlUI*> children = items_;
    if ((flags & UIFIND_TOP_FIRST) != 0) {
        std::reverse(children.begin(), children.end());
    }
    for (CControlUI* child : children) {
        found = child->FindControl(visitor, data, flags);
        if (found == nullptr) {
            continue;
        }
        if (hitTest && !found->IsFloat() && !PtInRect(&client, *point)) {
            continue;
        }
        return found;
    }
    if ((flags & UIFIND_ME_FIRST) == 0) {
        return ControlOf(visitor(this, data));
    }
    return nullptr;
}

void CContainerUI::HandleEvent(ControlEvent& event) {
    if (!mouseEnabled_ && IsMouseEvent(event.kind)) {
        if (parent_ != nullptr) {
            parent_->HandleEvent(event);
        } else {
            CControlUI::HandleEvent(event);
        }
        return;
    }
    if (event.kind == UIEVENT_SETFOCUS || event.kind == UIEVENT_KILLFOCUS) {
        focused_ = event.kind == UIEVENT_SETFOCUS;
        return;
    }
    const bool vertical = vScroll_ != nullptr && vScroll_->IsVisible() && vScroll_->IsEnabled();
    const bool horizontal = hScroll_ != nullptr && hScroll_->IsVisible() && hScroll_->IsEnabled();
    if (vertical || horizontal) {
        if (event.kind == UIEVENT_KEYDOWN) {
            switch (event.key) {
                case VK_DOWN:
                    vertical ? ScrollLineDown() : ScrollLineRight();
                    return;
                case VK_UP:
                    vertical ? ScrollLineUp() : ScrollLineLeft();
                    return;
                case VK_NEXT:
                    vertical ? ScrollPageDown() : ScrollPageRight();
                    return;
                case VK_PRIOR:
                    vertical ? ScrollPageUp() : ScrollPageLeft();
                    return;
                case VK_HOME:
                    vertical ? ScrollToTop() : ScrollToLeft();
                    return;
                case VK_END:
                    vertical ? ScrollToBottom() : ScrollToRight();
                    return;
                default:
                    break;
            }
        } else if (event.kind == UIEVENT_SCROLLWHEEL) {
            if (event.wParam == 0) {
                vertical ? ScrollLineUp() : ScrollLineLeft();
            } else {
                vertical ? ScrollLineDown() : ScrollLineRight();
            }
            return;
        }
    }
    CControlUI::HandleEvent(event);
}

// ---- painting ---------------------------------------------------------------------------------

void CContainerUI::Paint(HDC dc, const RECT& dirty) {
    RECT own;
    if (!IntersectRect(&own, &dirty, &itemRect_)) {
        return;
    }
    CRenderClip clip;
    CRenderer::ClipToRect(dc, own, clip);
    CControlUI::Paint(dc, dirty);
    if (!items_.empty()) {
        const RECT client = ClientRect();
        RECT inner;
        if (IntersectRect(&inner, &dirty, &client)) {
            std::vector<CControlUI*> children = items_;
            for (CControlUI* child : children) {
                RECT meet;
                const RECT& pos = child->GetPos();
                if (!child->IsVisible() || !IntersectRect(&meet, &dirty, &pos)) {
                    continue;
                }
                if (child->IsFloat()) {
                    if (IntersectRect(&meet, &itemRect_, &pos)) {
                        child->Paint(dc, dirty);
                    }
                } else if (IntersectRect(&meet, &client, &pos)) {
                    CRenderClip childClip;
                    CRenderer::ClipToRect(dc, inner, childClip);
                    child->Paint(dc, dirty);
                }
            }
        }
    }
    for (CScrollBarUI* bar : {vScroll_, hScroll_}) {
        if (bar != nullptr && bar->IsVisible()) {
            bar->Paint(dc, dirty);
        }
    }
}

}  // namespace SkinUI
