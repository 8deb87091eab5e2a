#include "skinui/controls/stack_layout.h"

#include <cwchar>

#include "skinui/controls/attribute_values.h"
#include "skinui/controls/layout_stack.h"
#include "skinui/controls/scrollbar.h"

namespace SkinUI {

CStackLayoutUI::~CStackLayoutUI() {
    separator_.Detach();
}

PointerUse CStackLayoutUI::PointerUseAt(POINT point) const {
    const RECT strip = separator_.StripRect();
    return separator_.InputFlags() != 0 && PtInRect(&strip, point) ? PointerUse::Control
                                                                   : PointerUse::Background;
}

void CStackLayoutUI::SetPos(RECT rect) {
    CControlUI::SetPos(rect);
    StackParams params;
    params.vertical = vertical_;
    params.client = ClientRect();
    params.childPadding = childPadding_;
    if (items_.empty()) {
        UpdateScrollBars(params.client, 0, 0);
        return;
    }
    params.scroll = GetScrollPos();
    const CScrollBarUI* crossBar = params.vertical ? hScroll_ : vScroll_;
    params.extraCross = IsBarShown(crossBar) ? crossBar->GetScrollRange() : 0;
    const int needed = StackChildren(items_, params, [this](int i) { PlaceFloatChild(i); });
    if (params.vertical) {
        UpdateScrollBars(params.client, 0, needed);
    } else {
        UpdateScrollBars(params.client, needed, 0);
    }
}

void CStackLayoutUI::HandleEvent(ControlEvent& event) {
    if (!separator_.HandleEvent(event)) {
        CContainerUI::HandleEvent(event);
    }
}

void CStackLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    const wchar_t* separatorSize = vertical_ ? L"sepheight" : L"sepwidth";
    if (name != nullptr && value != nullptr && std::wcscmp(name, separatorSize) == 0) {
        separator_.SetSize(ParseCoord(value));
    } else if (name != nullptr && value != nullptr && std::wcscmp(name, L"sepimm") == 0) {
        separator_.SetImmediate(ParseBool(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CStackLayoutUI::PaintAfter(HDC dc, const RECT& /*dirty*/) {
    separator_.PaintTracker(dc);
}

}  // namespace SkinUI
