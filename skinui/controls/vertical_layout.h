#pragma once
// Stacks its children from top to bottom: fixed heights first, the rest shared by the children
// that ask for no height. An optional separator strip lets the user drag the layout's height.
#include "skinui/controls/container.h"
#include "skinui/controls/layout_separator.h"

namespace SkinUI {

class CVerticalLayoutUI : public CContainerUI {
public:
    CVerticalLayoutUI() : separator_(*this, true) {}
    ~CVerticalLayoutUI() override;

    const wchar_t* GetClassName() const override { return L"VerticalLayoutUI"; }
    void* AsInterface(const wchar_t* name) override;
    unsigned GetInputFlags() const override { return separator_.InputFlags(); }
    void SetPos(RECT rect) override;
    void HandleEvent(ControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintAfter(HDC dc, const RECT& dirty) override;

    void SetSepHeight(int height) { separator_.SetSize(height); }
    int GetSepHeight() const { return separator_.GetSize(); }
    void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate); }
    bool IsSepImmMode() const { return separator_.IsImmediate(); }

private:
    CLayoutSeparator separator_;
};

}  // namespace SkinUI
