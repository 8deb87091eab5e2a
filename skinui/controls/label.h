#pragma once
// Static text: plain or marked up, in the window's fonts and colours, or drawn through GDI+
// with a gradient, an outline and a shadow when the effect mode is on.
#include <windows.h>

#include <memory>
#include <string>

#include "skinui/controls/control.h"

namespace SkinUI {

class GdiplusSession;

// Near, centre and far, as the effect mode aligns its text.
enum EffectAlign { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };

// What "align" makes of a text style and the effect alignments.
struct LabelAlignment {
    UINT style;
    int horizontal;
    int vertical;
};
LabelAlignment ApplyAlignWords(const wchar_t* words, LabelAlignment current);

class CLabelUI : public CControlUI {
public:
    CLabelUI();
    ~CLabelUI() override;

    const wchar_t* GetClassName() const override { return L"LabelUI"; }
    // Static text names a shortcut letter for the control after it; it takes none itself.
    bool TakesShortcut() const override { return false; }
    PointerUse PointerUseAt(POINT /*point*/) const override { return PointerUse::Text; }
    // Marked-up text reads as the text it shows.
    std::wstring AccessibleName() const;
    bool DescribeAccessible(AccessibleDescription& description) const override;
    std::wstring GetText() const override;
    void SetText(const wchar_t* text) override;
    void HandleEvent(ControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintText(HDC dc) override;

    UINT GetTextStyle() const { return textStyle_; }
    void SetTextStyle(UINT style);
    DWORD GetTextColor() const { return textColor_; }
    void SetTextColor(DWORD color);
    DWORD GetDisabledTextColor() const { return disabledTextColor_; }
    void SetDisabledTextColor(DWORD color);
    int GetFont() const { return font_; }
    void SetFont(int index);
    // In pixels of the window's scale; set in 100 % units (a layout length).
    RECT GetTextPadding() const { return ScaleRect(textPadding_); }
    void SetTextPadding(RECT padding);
    bool IsShowHtml() const { return showHtml_; }
    void SetShowHtml(bool show);

    bool IsEffectEnabled() const { return effect_.enabled; }
    std::wstring GetEffectText() const { return effect_.text; }
    void SetEnabledEffect(bool enabled);
    void SetEnabledStroke(bool enabled);
    void SetEnabledShadow(bool enabled);
    int GetHorizontalAlign() const { return effect_.horizontalAlign; }
    int GetVerticalAlign() const { return effect_.verticalAlign; }

protected:
    // Default and disabled text colours taken from the manager when not set.
    void FillDefaultColors();
    // The item rectangle minus the text padding.
    RECT TextRect() const;
    // Plain or marked-up single-line text of the label in one colour with a given style.
    void DrawLabelText(HDC dc, DWORD color, UINT style);
    // The system colour its text takes in high contrast.
    virtual DWORD HighContrastTextColor() const;
    void PaintEffectText(HDC dc);
    int FontHeight();
    // Without a fixed height, one line of text is its font's height plus this (100 % units).
    virtual int LineSpacing100() const { return 4; }

    DWORD textColor_ = 0;
    DWORD disabledTextColor_ = 0;
    int font_ = -1;
    UINT textStyle_ = DT_VCENTER;
    RECT textPadding_ = {0, 0, 0, 0};
    bool showHtml_ = false;

    // Settings of the effect mode.
    struct Effect {
        int horizontalAlign = kAlignNear;
        int verticalAlign = kAlignCenter;
        int shadowAlpha1 = 60;
        int shadowAlpha2 = 60;
        int textAlpha1 = 168;
        int textAlpha2 = 168;
        int strokeAlpha = 255;
        int gradientLength = 0;
        int gradientAngle = 0;
        bool enabled = false;
        bool stroke = false;
        bool shadow = false;
        DWORD textColor2 = 0xFFFFFFFF;  // -1: none
        DWORD shadowColorA = 0xFF000000;
        DWORD shadowColorB = 0xFFFFFFFF;  // -1: none
        DWORD strokeColor = 0;
        POINT shadowOffset = {0, 0};
        std::wstring text;
        int renderingHint = 0;
    } effect_;

private:
    // Every label keeps GDI+ started while it lives.
    std::unique_ptr<GdiplusSession> gdiplus_;
};

}  // namespace SkinUI
