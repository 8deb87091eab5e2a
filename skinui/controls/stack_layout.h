#pragma once
// A container that stacks its children along one axis (fixed sizes first, the rest shared by
// the children that ask for none), with an optional separator strip to drag its own size along
// that axis. The vertical and horizontal layouts are this class with their axis and names.
#include "skinui/controls/container.h"
#include "skinui/controls/layout_separator.h"

namespace SkinUI {

class CStackLayoutUI : public CContainerUI {
public:
    ~CStackLayoutUI() override;

    unsigned GetInputFlags() const override { return separator_.InputFlags(); }
    // The separator strip takes the press that resizes the layout.
    PointerUse PointerUseAt(POINT point) const override;
    void SetPos(RECT rect) override;
    void HandleEvent(ControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintAfter(HDC dc, const RECT& dirty) override;

protected:
    // vertical: children top to bottom and the separator attribute "sepheight"; otherwise left
    // to right and "sepwidth".
    explicit CStackLayoutUI(bool vertical) : vertical_(vertical), separator_(*this, vertical) {}

    bool vertical_;
    CLayoutSeparator separator_;
};

}  // namespace SkinUI
