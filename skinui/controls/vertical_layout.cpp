#include "skinui/controls/vertical_layout.h"

#include <cwchar>

#include "skinui/controls/attribute_values.h"
#include "skinui/controls/layout_stack.h"
#include "skinui/controls/scrollbar.h"

namespace SkinUI {

CVerticalLayoutUI::~CVerticalLayoutUI() {
    separator_.Detach();
}

void* CVerticalLayoutUI::AsInterface(const wchar_t* name) {
    if (name != nullptr && std::wcscmp(name, L"VerticalLayout") == 0) {
        return this;
    }
    return CContainerUI::AsInterface(name);
}

void CVerticalLayoutUI::SetPos(RECT rect) {
    CControlUI::SetPos(rect);
    StackParams params;
    params.vertical = true;
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

void CVerticalLayoutUI::HandleEvent(ControlEvent& event) {
    if (!separator_.HandleEvent(event)) {
        CContainerUI::HandleEvent(event);
    }
}

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name != nullptr && value != nullptr && std::wcscmp(name, L"sepheight") == 0) {
        separator_.SetSize(ParseCoord(value));
    } else if (name != nullptr && value != nullptr && std::wcscmp(name, L"sepimm") == 0) {
        separator_.SetImmediate(ParseBool(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CVerticalLayoutUI::PaintAfter(HDC dc, const RECT& /*dirty*/) {
    separator_.PaintTracker(dc);
}

}  // namespace SkinUI
