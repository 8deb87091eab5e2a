#pragma once
// Multi-line text with clickable links: marked-up links raise "link" with their index.
#include <windows.h>

#include <string>

#include "skinui/controls/pressable.h"

namespace SkinUI {

class CTextUI : public CPressableUI {
public:
    static constexpr int kMaxLinks = 8;

    CTextUI();
    ~CTextUI() override = default;

    const wchar_t* GetClassName() const override { return L"TextUI"; }
    bool TakesShortcut() const override { return true; }
    // Its links take the press; the rest is static text.
    PointerUse PointerUseAt(POINT point) const override {
        return LinkAt(point) >= 0 ? PointerUse::Control : PointerUse::Text;
    }
    unsigned GetInputFlags() const override;
    SIZE MeasureSize(SIZE available) override;
    void PaintText(HDC dc) override;

    int GetLinkCount() const { return linkCount_; }
    RECT GetLinkRect(int index) const;
    std::wstring GetLinkContent(int index) const;
    int GetHoveredLink() const { return hoverLink_; }

protected:
    bool OnEvent(ControlEvent& event) override;

private:
    bool ReleaseOnLink(POINT point);
    // Index of the link under the point, or -1.
    int LinkAt(POINT point) const;

    RECT links_[kMaxLinks] = {};
    std::wstring linkTexts_[kMaxLinks];
    int linkCount_ = 0;
    int hoverLink_ = -1;
};

}  // namespace SkinUI
