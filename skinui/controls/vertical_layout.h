#pragma once
// Stacks its children from top to bottom: fixed heights first, the rest shared by the children
// that ask for no height. An optional separator strip lets the user drag the layout's height.
#include "skinui/controls/stack_layout.h"

namespace SkinUI {

class CVerticalLayoutUI : public CStackLayoutUI {
public:
    CVerticalLayoutUI() : CStackLayoutUI(true) {}

    const wchar_t* GetClassName() const override { return L"VerticalLayoutUI"; }

    void SetSepHeight(int height) { separator_.SetSize(height); }
    int GetSepHeight() const { return separator_.GetSize(); }
    void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate); }
    bool IsSepImmMode() const { return separator_.IsImmediate(); }
};

}  // namespace SkinUI
