#include "skinui/controls/horizontal_layout.h"

#include <cwchar>

#include "skinui/controls/attribute_values.h"
#include "skinui/controls/layout_stack.h"
#include "skinui/controls/scrollbar.h"

namespace SkinUI {

CHorizontalLayoutUI::~CHorizontalLayoutUI() {
    separator_.Detach();
}

void* CHorizontalLayoutUI::AsInterface(const wchar_t* name) {
    if (name != nullptr && std::wcscmp(name, L"HorizontalLayout") == 0) {
        return this;
    }
    return CContainerUI::AsInterface(name);
}

void CHorizontalLayoutUI::SetPos(RECT rect) {
    CControlUI::SetPos(rect);
    StackParams params;
    params.vertical = false;
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

void CHorizontalLayoutUI::HandleEvent(ControlEvent& event) {
    if (!separator_.HandleEvent(event)) {
        CContainerUI::HandleEvent(event);
    }
}

void CHorizontalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name != nullptr && value != nullptr && std::wcscmp(name, L"sepwidth") == 0) {
        separator_.SetSize(ParseCoord(value));
    } else if (name != nullptr && value != nullptr && std::wcscmp(name, L"sepimm") == 0) {
        separator_.SetImmediate(ParseBool(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CHorizontalLayoutUI::PaintAfter(HDC dc, const RECT& /*dirty*/) {
    separator_.PaintTracker(dc);
}

}  // namespace SkinUI
