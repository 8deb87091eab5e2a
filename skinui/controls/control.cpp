#include "skinui/controls/control.h"

#include <algorithm>
#include <cwchar>

#include "skinui/controls/attribute_values.h"
#include "skinui/core/accessible_tree.h"
#include "skinui/core/image_spec.h"
#include "skinui/core/high_contrast.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

// The process-wide colour shift; the program never changes it.
constexpr short kHue = 180;
constexpr short kSaturation = 100;
constexpr short kLightness = 100;

bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

}  // namespace

CControlUI::~CControlUI() {
    auto listeners = destroyListeners;
    for (auto& listener : listeners) {
        listener(this);
    }
    if (manager_ != nullptr) {
        manager_->ForgetControl(this);
    }
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

void CControlUI::SetManager(CUIManager* manager, IControlUI* parent, bool init) {
    manager_ = manager;
    parent_ = ControlOf(parent);
    if (init && parent_ != nullptr) {
        Init();
    }
}

void CControlUI::SetText(const wchar_t* text) {
    std::wstring value = text != nullptr ? text : L"";
    if (value == text_) {
        return;
    }
    text_ = value;
    Invalidate();
    if (manager_ != nullptr) {
        manager_->NotifyAccessible(this, AccessibleChange::Name);
    }
}

void CControlUI::SetPos(RECT rect) {
    rect.right = std::max(rect.right, rect.left);
    rect.bottom = std::max(rect.bottom, rect.top);
    RECT old = itemRect_;
    if (IsEmpty(old)) {
        old = rect;
    }
    itemRect_ = rect;
    if (manager_ == nullptr) {
        return;
    }
    if (!inSizeNotify_) {
        inSizeNotify_ = true;
        auto listeners = sizeListeners;
        for (auto& listener : listeners) {
            listener(this);
        }
        inSizeNotify_ = false;
    }
    if (float_ && parent_ != nullptr) {
        const RECT& p = parent_->GetPos();
        fixedPos_.cx = fixedPos_.cx >= 0 ? itemRect_.left - p.left : itemRect_.right - p.right;
        fixedPos_.cy = fixedPos_.cy >= 0 ? itemRect_.top - p.top : itemRect_.bottom - p.bottom;
        fixedWidth_ = itemRect_.right - itemRect_.left;
        fixedHeight_ = itemRect_.bottom - itemRect_.top;
    }
    updateNeeded_ = false;
    RECT area;
    UnionRect(&area, &old, &itemRect_);
    for (CControlUI* ancestor = parent_; ancestor != nullptr; ancestor = ancestor->GetParent()) {
        RECT bound = ancestor->GetPos();
        if (!IntersectRect(&area, &area, &bound)) {
            return;
        }
    }
    if (!IsEmpty(area)) {
        manager_->Invalidate(area);
    }
}

void CControlUI::Invalidate() {
    if (!IsVisible()) {
        return;
    }
    RECT area = itemRect_;
    for (CControlUI* ancestor = parent_; ancestor != nullptr; ancestor = ancestor->GetParent()) {
        RECT bound = ancestor->GetPos();
        if (!IntersectRect(&area, &area, &bound)) {
            return;
        }
    }
    if (manager_ != nullptr && !IsEmpty(area)) {
        manager_->Invalidate(area);
    }
}

void CControlUI::RequestLayout() {
    if (!IsVisible()) {
        return;
    }
    updateNeeded_ = true;
    Invalidate();
    if (manager_ != nullptr) {
        manager_->SetUpdateNeeded();
    }
}

void CControlUI::RequestParentLayout() {
    if (parent_ != nullptr) {
        parent_->RequestLayout();
        parent_->Invalidate();
    } else {
        RequestLayout();
    }
    if (manager_ != nullptr) {
        manager_->SetUpdateNeeded();
    }
}

void CControlUI::SetPadding(RECT padding) {
    padding_ = padding;
    RequestParentLayout();
}

void CControlUI::SetFixedPos(SIZE pos) {
    fixedPos_ = pos;
    float_ ? RequestLayout() : RequestParentLayout();
}

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) {
        return;
    }
    fixedWidth_ = cx;
    float_ ? RequestLayout() : RequestParentLayout();
}

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) {
        return;
    }
    fixedHeight_ = cy;
    float_ ? RequestLayout() : RequestParentLayout();
}

#define SKINUI_LIMIT_SETTER(Name, field)                  \
    void CControlUI::Name(int value) {                    \
        if (value < 0 || value == field) {                \
            return;                                       \
        }                                                 \
        field = value;                                    \
        float_ ? RequestLayout() : RequestParentLayout(); \
    }
SKINUI_LIMIT_SETTER(SetMinWidth, minWidth_)
SKINUI_LIMIT_SETTER(SetMaxWidth, maxWidth_)
SKINUI_LIMIT_SETTER(SetMinHeight, minHeight_)
SKINUI_LIMIT_SETTER(SetMaxHeight, maxHeight_)
#undef SKINUI_LIMIT_SETTER

void CControlUI::SetRelativePos(int moveX, int moveY, int zoomX, int zoomY) {
    relativePos_.moveX = moveX;
    relativePos_.moveY = moveY;
    relativePos_.zoomX = zoomX;
    relativePos_.zoomY = zoomY;
    relativePos_.active = true;
}

void CControlUI::SetRelativeBase(int cx, int cy) {
    relativePos_.parentSize = {cx, cy};
}

void CControlUI::SetVisible(bool visible) {
    if (visible_ == visible) {
        return;
    }
    const bool wasVisible = IsVisible();
    visible_ = visible;
    focused_ = false;
    if (!visible && manager_ != nullptr && manager_->GetFocus() == this) {
        manager_->FocusControl(nullptr);
    }
    if (IsVisible() != wasVisible) {
        RequestParentLayout();
    }
}

void CControlUI::SetParentVisible(bool visible) {
    parentVisible_ = visible;
    if (!visible && manager_ != nullptr && manager_->GetFocus() == this) {
        manager_->FocusControl(nullptr);
    }
}

void CControlUI::SetEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    Invalidate();
    if (manager_ != nullptr) {
        manager_->NotifyAccessible(this, AccessibleChange::State);
    }
}

FocusRingStyle CControlUI::GetFocusRing(const FocusRingStyle& window) const {
    FocusRingStyle style = window;
    if (ownRingColor_) {
        style.color = ringColor_;
    }
    if (ringWidth_ >= 0) {
        style.width = ringWidth_;
    }
    if (ownRingGap_) {
        style.gap = ringGap_;
    }
    return style;
}

void CControlUI::TakeFocus() {
    if (manager_ != nullptr) {
        manager_->FocusControl(this);
    }
}

void CControlUI::SetFloat(bool isFloat) {
    if (float_ == isFloat) {
        return;
    }
    float_ = isFloat;
    RequestParentLayout();
}

CControlUI* CControlUI::FindControl(FindControlProc visitor, void* data, unsigned flags) {
    if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) {
        return nullptr;
    }
    if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) {
        return nullptr;
    }
    if ((flags & UIFIND_HITTEST) != 0 &&
        (!mouseEnabled_ || !PtInRect(&itemRect_, *static_cast<const POINT*>(data)))) {
        return nullptr;
    }
    return ControlOf(visitor(this, data));
}

void CControlUI::RunNotifyListeners(Notification& notification) {
    // A handler may add listeners: walk a copy.
    auto handlers = notifyListeners;
    for (auto& handler : handlers) {
        handler(notification);
    }
}

std::wstring CControlUI::AccessibleName() const {
    return TrimBlanks(accessibleName_.empty() ? GetText() : accessibleName_);
}

void CControlUI::Init() {
    OnInit();
    auto listeners = initListeners;
    for (auto& listener : listeners) {
        listener(this);
    }
}

void CControlUI::Event(ControlEvent& event) {
    auto listeners = eventListeners;
    for (auto& listener : listeners) {
        if (!listener(event)) {
            return;
        }
    }
    HandleEvent(event);
}

void CControlUI::HandleEvent(ControlEvent& event) {
    switch (event.kind) {
        case UIEVENT_SETCURSOR:
            ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            return;
        case UIEVENT_SETFOCUS:
        case UIEVENT_KILLFOCUS:
            focused_ = event.kind == UIEVENT_SETFOCUS;
            Invalidate();
            return;
        case UIEVENT_TIMER:
            if (manager_ != nullptr) {
                manager_->NotifyAll(this, L"timer", event.wParam, event.lParam);
            }
            return;
        case UIEVENT_CONTEXTMENU:
            if (menu_ && manager_ != nullptr) {
                manager_->NotifyAll(this, L"menu", event.wParam, event.lParam);
            }
            return;
        default:
            if (parent_ != nullptr) {
                parent_->HandleEvent(event);
            }
            return;
    }
}

SIZE CControlUI::MeasureSize(SIZE /*available*/) {
    return SIZE{fixedWidth_, fixedHeight_};
}

void CControlUI::SetVirtualWnd(const wchar_t* name) {
    virtualWnd_ = name != nullptr ? name : L"";
    if (manager_ != nullptr) {
        manager_->SetUseVirtualWnd(true);
    }
}

void CControlUI::SetBkImage(const wchar_t* spec) {
    bkImage_ = spec != nullptr ? spec : L"";
    Invalidate();
}

void CControlUI::SetBkColor(DWORD color) {
    bkColor1_ = color;
    Invalidate();
}
void CControlUI::SetBkColor2(DWORD color) {
    bkColor2_ = color;
    Invalidate();
}
void CControlUI::SetBkColor3(DWORD color) {
    bkColor3_ = color;
    Invalidate();
}
void CControlUI::SetBorderColor(DWORD color) {
    borderColor_ = color;
    Invalidate();
}
void CControlUI::SetFocusBorderColor(DWORD color) {
    focusBorderColor_ = color;
    Invalidate();
}
void CControlUI::SetBorderSize(int size) {
    borderSize_ = size;
    Invalidate();
}
void CControlUI::SetBorderRound(SIZE round) {
    borderRound_ = round;
    Invalidate();
}

DWORD CControlUI::AdjustColor(DWORD color) const {
    return colorHsl_ ? CRenderer::ShiftColorHsl(color, kHue, kSaturation, kLightness) : color;
}

int CControlUI::ScaleLength(int length100) const {
    return manager_ != nullptr ? manager_->ScaleLength(length100) : length100;
}

RECT CControlUI::ScaleRect(const RECT& rect100) const {
    return manager_ != nullptr ? manager_->ScaleRect(rect100) : rect100;
}

void CControlUI::ApplyScale() {
    ApplyLayoutLengths();
}

void CControlUI::ApplyLayoutLengths() {
    const LayoutLengths& l = layout100_;
    // Sizes are scaled as the span between their scaled edges, so controls that meet at 100 %
    // meet at every scale. A control anchored to the right (negative x) spans x - width to x.
    const int startX = !l.hasPos ? 0 : (l.pos.cx >= 0 ? l.pos.cx : l.pos.cx - l.width);
    const int startY = !l.hasPos ? 0 : (l.pos.cy >= 0 ? l.pos.cy : l.pos.cy - l.height);
    auto span = [this](int start, int length) {
        return ScaleLength(start + length) - ScaleLength(start);
    };
    if (l.hasPos) {
        SetFixedPos(SIZE{ScaleLength(l.pos.cx), ScaleLength(l.pos.cy)});
    }
    if (l.hasWidth) {
        SetFixedWidth(span(startX, l.width));
    }
    if (l.hasHeight) {
        SetFixedHeight(span(startY, l.height));
    }
    if (l.hasMinWidth) {
        SetMinWidth(ScaleLength(l.minWidth));
    }
    if (l.hasMaxWidth) {
        SetMaxWidth(ScaleLength(l.maxWidth));
    }
    if (l.hasMinHeight) {
        SetMinHeight(ScaleLength(l.minHeight));
    }
    if (l.hasMaxHeight) {
        SetMaxHeight(ScaleLength(l.maxHeight));
    }
    if (l.hasPadding) {
        SetPadding(ScaleRect(l.padding));
    }
}

void CControlUI::Paint(HDC dc, const RECT& dirty) {
    if (!IntersectRect(&paintRect_, &dirty, &itemRect_)) {
        return;
    }
    CRenderClip clip;
    if (borderRound_.cx > 0 || borderRound_.cy > 0) {
        CRenderer::ClipToRoundRect(dc, paintRect_, itemRect_, ScaleLength(borderRound_.cx),
                                   ScaleLength(borderRound_.cy), clip);
    }
    PaintBackColor(dc);
    PaintBackImage(dc);
    PaintStateImage(dc);
    PaintText(dc);
    PaintBorder(dc);
}

void CControlUI::PaintBackColor(HDC dc) {
    if (IsHighContrastOn()) {
        // Pages and boxes in the window colour, whatever colour or picture the skin gives them.
        if (bkColor1_ != 0 || (!bkImage_.empty() && !BackImageCarriesMeaning())) {
            CRenderer::FillColor(dc, paintRect_, SystemColor(COLOR_WINDOW));
        }
        return;
    }
    if (bkColor1_ == 0) {
        return;
    }
    const DWORD c1 = AdjustColor(bkColor1_);
    if (bkColor2_ == 0) {
        CRenderer::FillColor(dc, (c1 >> 24) < 0xFF ? itemRect_ : paintRect_, c1);
        return;
    }
    const DWORD c2 = AdjustColor(bkColor2_);
    if (bkColor3_ != 0) {
        RECT upper = itemRect_;
        upper.bottom = (itemRect_.top + itemRect_.bottom) / 2;
        RECT lower = itemRect_;
        lower.top = upper.bottom;
        CRenderer::FillGradient(dc, upper, c1, c2, true, 8);
        CRenderer::FillGradient(dc, lower, c2, AdjustColor(bkColor3_), true, 8);
    } else {
        CRenderer::FillGradient(dc, itemRect_, c1, c2, true, 16);
    }
}

void CControlUI::PaintBackImage(HDC dc) {
    if (bkImage_.empty() || (IsHighContrastOn() && !BackImageCarriesMeaning())) {
        return;
    }
    if (!CRenderer::PaintImageSpec(dc, manager_, itemRect_, paintRect_, bkImage_.c_str())) {
        bkImage_.clear();
    }
}

void CControlUI::PaintBorder(HDC dc) {
    if (borderColor_ == 0 && focusBorderColor_ == 0) {
        return;
    }
    const DWORD border = AdjustColor(borderColor_);
    const DWORD focusBorder = AdjustColor(focusBorderColor_);
    // Pen widths and corners are layout lengths too.
    const int borderSize = borderSize_ > 0 ? std::max(1, ScaleLength(borderSize_)) : 0;
    const SIZE round = {ScaleLength(borderRound_.cx), ScaleLength(borderRound_.cy)};
    auto pen = [this](int width) { return width > 0 ? std::max(1, ScaleLength(width)) : 0; };
    if (borderSize > 0 && (round.cx > 0 || round.cy > 0)) {
        CRenderer::StrokeRoundRect(dc, itemRect_, borderSize, round.cx, round.cy,
                                   focused_ && focusBorderColor_ != 0 ? focusBorder : border);
        return;
    }
    if (focused_ && focusBorderColor_ != 0 && borderSize > 0) {
        CRenderer::StrokeRect(dc, itemRect_, borderSize, focusBorder);
        return;
    }
    const RECT& r = itemRect_;
    if (leftBorderSize_ > 0 || topBorderSize_ > 0 || rightBorderSize_ > 0 ||
        bottomBorderSize_ > 0) {
        if (leftBorderSize_ > 0) {
            CRenderer::StrokeLine(dc, RECT{r.left, r.top, r.left, r.bottom}, pen(leftBorderSize_),
                                  border, borderStyle_);
        }
        if (topBorderSize_ > 0) {
            CRenderer::StrokeLine(dc, RECT{r.left, r.top, r.right, r.top}, pen(topBorderSize_),
                                  border, borderStyle_);
        }
        if (rightBorderSize_ > 0) {
            CRenderer::StrokeLine(dc, RECT{r.right, r.top, r.right, r.bottom},
                                  pen(rightBorderSize_), border, borderStyle_);
        }
        if (bottomBorderSize_ > 0) {
            CRenderer::StrokeLine(dc, RECT{r.left, r.bottom, r.right, r.bottom},
                                  pen(bottomBorderSize_), border, borderStyle_);
        }
        return;
    }
    if (borderSize > 0) {
        CRenderer::StrokeRect(dc, itemRect_, borderSize, border);
    }
}

}  // namespace SkinUI
