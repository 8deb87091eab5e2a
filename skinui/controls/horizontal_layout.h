#pragma once
// Lines its children up from left to right: fixed widths first, the rest shared by the children
// that ask for no width. An optional separator strip lets the user drag the layout's width.
#include "skinui/controls/stack_layout.h"

namespace SkinUI {

class CHorizontalLayoutUI : public CStackLayoutUI {
public:
    CHorizontalLayoutUI() : CStackLayoutUI(false) {}

    const wchar_t* GetClassName() const override { return L"HorizontalLayoutUI"; }

    void SetSepWidth(int width) { separator_.SetSize(width); }
    int GetSepWidth() const { return separator_.GetSize(); }
    void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate); }
    bool IsSepImmMode() const { return separator_.IsImmediate(); }
};

}  // namespace SkinUI
