#pragma once
// A label that reacts to the pointer and the keyboard: hot, pushed, focused and disabled states
// with an image and a text colour each, raising "click" on release inside it.
#include <windows.h>

#include <string>

#include "skinui/controls/button_state.h"
#include "skinui/controls/pressable.h"

namespace SkinUI {

class CButtonUI : public CPressableUI {
public:
    CButtonUI();
    ~CButtonUI() override = default;

    const wchar_t* GetClassName() const override { return L"ButtonUI"; }
    bool TakesShortcut() const override { return true; }
    bool IsPressedByEnter() const override { return IsKeyboardEnabled(); }
    // Options and check boxes too.
    PointerUse PointerUseAt(POINT /*point*/) const override { return PointerUse::Control; }
    bool DescribeAccessible(AccessibleDescription& description) const override;
    unsigned GetInputFlags() const override;
    bool Activate() override;
    void SetEnabled(bool enabled) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStateImage(HDC dc) override;
    void PaintText(HDC dc) override;

    void SetHotForeImage(const wchar_t* spec);
    std::wstring GetPushedImage() const { return pushedImage_; }
    void SetPushedImage(const wchar_t* spec);
    std::wstring GetForeImage() const { return foreImage_; }
    void SetForeImage(const wchar_t* spec);
    void SetHotBkColor(DWORD color);
    void SetHotTextColor(DWORD color);
    void SetPushedTextColor(DWORD color);
    void SetFocusedTextColor(DWORD color);

protected:
    bool OnEvent(ControlEvent& event) override;
    int LineSpacing100() const override { return 8; }
    // Draws one image spec; a spec that cannot be drawn is cleared. True when it drew.
    bool DrawSpec(HDC dc, std::wstring& spec);
    void PaintForeImage(HDC dc);
    // High contrast: a face in the button colours (the highlight while hot or pushed) instead
    // of the images; an icon without text keeps its image. True when nothing else is to draw.
    bool PaintHighContrastFace(HDC dc);
    bool HasStateImages() const;
    DWORD HighContrastTextColor() const override;

    DWORD hotBkColor_ = 0;
    DWORD hotTextColor_ = 0;
    DWORD pushedTextColor_ = 0;
    DWORD focusedTextColor_ = 0;
    std::wstring hotForeImage_;
    std::wstring pushedImage_;
};

}  // namespace SkinUI
