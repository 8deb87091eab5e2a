#pragma once
// A label that reacts to the pointer and the keyboard: hot, pushed, focused and disabled states
// with an image and a text colour each, raising "click" on release inside it.
#include <windows.h>

#include <string>

#include "skinui/controls/button_state.h"
#include "skinui/controls/label.h"

namespace SkinUI {

class CButtonUI : public CLabelUI {
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
    void HandleEvent(ControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintStateImage(HDC dc) override;
    void PaintText(HDC dc) override;

    UINT GetButtonState() const { return state_; }
    std::wstring GetNormalImage() const { return normalImage_; }
    void SetNormalImage(const wchar_t* spec);
    std::wstring GetHotImage() const { return hotImage_; }
    void SetHotImage(const wchar_t* spec);
    void SetHotForeImage(const wchar_t* spec);
    std::wstring GetPushedImage() const { return pushedImage_; }
    void SetPushedImage(const wchar_t* spec);
    void SetFocusedImage(const wchar_t* spec);
    void SetDisabledImage(const wchar_t* spec);
    std::wstring GetForeImage() const { return foreImage_; }
    void SetForeImage(const wchar_t* spec);
    void SetHotBkColor(DWORD color);
    void SetHotTextColor(DWORD color);
    void SetPushedTextColor(DWORD color);
    void SetFocusedTextColor(DWORD color);

protected:
    // Draws one image spec; a spec that cannot be drawn is cleared. True when it drew.
    bool DrawSpec(HDC dc, std::wstring& spec);
    void PaintForeImage(HDC dc);
    // High contrast: a face in the button colours (the highlight while hot or pushed) instead
    // of the images; an icon without text keeps its image. True when nothing else is to draw.
    bool PaintHighContrastFace(HDC dc);
    bool HasStateImages() const;
    DWORD HighContrastTextColor() const override;

    UINT state_ = 0;
    DWORD hotBkColor_ = 0;
    DWORD hotTextColor_ = 0;
    DWORD pushedTextColor_ = 0;
    DWORD focusedTextColor_ = 0;
    std::wstring normalImage_;
    std::wstring hotImage_;
    std::wstring hotForeImage_;
    std::wstring pushedImage_;
    std::wstring focusedImage_;
    std::wstring disabledImage_;
};

}  // namespace SkinUI
