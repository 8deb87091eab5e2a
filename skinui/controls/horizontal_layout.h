#pragma once
// Lines its children up from left to right: fixed widths first, the rest shared by the children
// that ask for no width. An optional separator strip lets the user drag the layout's width.
#include "skinui/controls/container.h"
#include "skinui/controls/layout_separator.h"

namespace SkinUI {

class CHorizontalLayoutUI : public CContainerUI {
public:
    CHorizontalLayoutUI() : separator_(*this, false) {}
    ~CHorizontalLayoutUI() override;

    const wchar_t* GetClassName() const override { return L"HorizontalLayoutUI"; }
    void* AsInterface(const wchar_t* name) override;
    unsigned GetInputFlags() const override { return separator_.InputFlags(); }
    void SetPos(RECT rect) override;
    void HandleEvent(ControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintAfter(HDC dc, const RECT& dirty) override;

    void SetSepWidth(int width) { separator_.SetSize(width); }
    int GetSepWidth() const { return separator_.GetSize(); }
    void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate); }
    bool IsSepImmMode() const { return separator_.IsImmediate(); }

private:
    CLayoutSeparator separator_;
};

}  // namespace SkinUI
