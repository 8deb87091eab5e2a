#include "skinui/controls/control.h"

#include <algorithm>
#include <cwchar>

#include "skinui/controls/attribute_values.h"
#include "skinui/core/image_spec.h"
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

void* CControlUI::AsInterface(const wchar_t* name) {
    return name != nullptr && std::wcscmp(name, L"Control") == 0 ? this : nullptr;
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

void CControlUI::SetManager(CUIManager* manager, CControlUI* parent, bool init) {
    manager_ = manager;
    parent_ = parent;
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
    return visitor(this, data);
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

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr || value == nullptr) {
        return;
    }
    const std::wstring key = name;
    if (key == L"pos") {
        RECT r = ParseRect(value);
        layout100_.hasPos = true;
        layout100_.pos = SIZE{r.left >= 0 ? r.left : r.right, r.top >= 0 ? r.top : r.bottom};
        if (r.right - r.left >= 0) {
            layout100_.hasWidth = true;
            layout100_.width = r.right - r.left;
        }
        if (r.bottom - r.top >= 0) {
            layout100_.hasHeight = true;
            layout100_.height = r.bottom - r.top;
        }
        ApplyLayoutLengths();
    } else if (key == L"relativepos") {
        RECT r = ParseRect(value);
        SetRelativePos(r.left, r.top, r.right, r.bottom);
    } else if (key == L"padding") {
        layout100_.hasPadding = true;
        layout100_.padding = ParseRect(value);
        ApplyLayoutLengths();
    } else if (key == L"bkcolor" || key == L"bkcolor1") {
        SetBkColor(ParseHexColor(value));
    } else if (key == L"bkcolor2") {
        SetBkColor2(ParseHexColor(value));
    } else if (key == L"bkcolor3") {
        SetBkColor3(ParseHexColor(value));
    } else if (key == L"bordercolor") {
        SetBorderColor(ParseHexColor(value));
    } else if (key == L"focusbordercolor") {
        SetFocusBorderColor(ParseHexColor(value));
    } else if (key == L"colorhsl") {
        colorHsl_ = ParseBool(value);
        Invalidate();
    } else if (key == L"bordersize") {
        if (std::wcschr(value, L',') == nullptr) {
            borderSize_ = ParseCoord(value);
            leftBorderSize_ = topBorderSize_ = rightBorderSize_ = bottomBorderSize_ = 0;
        } else {
            RECT r = ParseRect(value);
            leftBorderSize_ = r.left;
            topBorderSize_ = r.top;
            rightBorderSize_ = r.right;
            bottomBorderSize_ = r.bottom;
        }
        Invalidate();
    } else if (key == L"leftbordersize") {
        leftBorderSize_ = ParseCoord(value);
        Invalidate();
    } else if (key == L"topbordersize") {
        topBorderSize_ = ParseCoord(value);
        Invalidate();
    } else if (key == L"rightbordersize") {
        rightBorderSize_ = ParseCoord(value);
        Invalidate();
    } else if (key == L"bottombordersize") {
        bottomBorderSize_ = ParseCoord(value);
        Invalidate();
    } else if (key == L"borderstyle") {
        borderStyle_ = ParseInt(value);
        Invalidate();
    } else if (key == L"borderround") {
        RECT r = ParseRect(value);
        SetBorderRound(SIZE{r.left, r.top});
    } else if (key == L"bkimage") {
        SetBkImage(value);
    } else if (key == L"width" || key == L"height" || key == L"minwidth" || key == L"minheight" ||
               key == L"maxwidth" || key == L"maxheight") {
        const int length = ParseCoord(value);
        // A negative size is refused, as by the setters.
        const bool accepted = length >= 0 || key == L"minwidth" || key == L"minheight" ||
                              key == L"maxwidth" || key == L"maxheight";
        if (!accepted) {
            return;
        }
        LayoutLengths& l = layout100_;
        if (key == L"width") {
            l.hasWidth = true, l.width = length;
        } else if (key == L"height") {
            l.hasHeight = true, l.height = length;
        } else if (key == L"minwidth") {
            l.hasMinWidth = true, l.minWidth = length;
        } else if (key == L"minheight") {
            l.hasMinHeight = true, l.minHeight = length;
        } else if (key == L"maxwidth") {
            l.hasMaxWidth = true, l.maxWidth = length;
        } else {
            l.hasMaxHeight = true, l.maxHeight = length;
        }
        ApplyLayoutLengths();
    } else if (key == L"name") {
        SetName(value);
    } else if (key == L"text") {
        SetText(value);
    } else if (key == L"tooltip") {
        SetToolTip(value);
    } else if (key == L"accname") {
        SetAccessibleName(value);
    } else if (key == L"userdata") {
        SetUserData(value);
    } else if (key == L"enabled") {
        SetEnabled(ParseBool(value));
    } else if (key == L"mouse") {
        SetMouseEnabled(ParseBool(value));
    } else if (key == L"keyboard") {
        SetKeyboardEnabled(ParseBool(value));
    } else if (key == L"default") {
        SetDefaultButton(ParseBool(value));
    } else if (key == L"cancel") {
        SetCancelButton(ParseBool(value));
    } else if (key == L"focusringcolor") {
        ownRingColor_ = true;
        ringColor_ = ParseHexColor(value);
    } else if (key == L"focusringwidth") {
        ringWidth_ = ParseCoord(value) < 0 ? 0 : ParseCoord(value);
    } else if (key == L"focusringgap") {
        ownRingGap_ = true;
        ringGap_ = ParseCoord(value);
    } else if (key == L"visible") {
        SetVisible(ParseBool(value));
    } else if (key == L"float") {
        SetFloat(ParseBool(value));
    } else if (key == L"menu") {
        SetMenuEnabled(ParseBool(value));
    } else if (key == L"shortcut") {
        SetShortcut(value[0]);
    } else if (key == L"virtualwnd") {
        SetVirtualWnd(value);
    }
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

void CControlUI::SetAttributeList(const wchar_t* list) {
    if (list == nullptr) {
        return;
    }
    const wchar_t* p = list;
    while (*p != 0) {
        const wchar_t* equals = std::wcschr(p, L'=');
        if (equals == nullptr || equals[1] != L'"') {
            return;
        }
        std::wstring name(p, equals);
        const wchar_t* begin = equals + 2;
        const wchar_t* close = std::wcschr(begin, L'"');
        if (close == nullptr) {
            return;
        }
        SetAttribute(name.c_str(), std::wstring(begin, close).c_str());
        p = close + 1;
        if (p[0] != L' ' || p[1] == 0) {
            return;
        }
        ++p;
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
    if (bkImage_.empty()) {
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
