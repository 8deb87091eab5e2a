#pragma once
// A plain scroll bar for containers: a range, a position and a thumb drawn in flat colours.
#include <windows.h>

#include "skinui/controls/control.h"

namespace SkinUI {

class CScrollBarUI : public CControlUI {
public:
    explicit CScrollBarUI(bool horizontal);

    const wchar_t* GetClassName() const override { return L"ScrollBarUI"; }
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStateImage(HDC dc) override;

    bool IsHorizontal() const { return horizontal_; }
    int GetScrollRange() const { return range_; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return pos_; }
    void SetScrollPos(int pos);
    // Breadth of the bar across its axis.
    int GetThickness() const { return thickness_; }
    // The thumb's rectangle for the current range and position (empty without a range).
    RECT GetThumbRect() const;

private:
    bool horizontal_;
    int range_ = 0;
    int pos_ = 0;
    int thickness_ = 12;
    DWORD thumbColor_ = 0xFFB0B0B0;
};

}  // namespace SkinUI
