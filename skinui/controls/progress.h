#pragma once
// A bar that draws its fore image over the part of its rectangle the value stands for,
// stretched or cut.
#include <windows.h>

#include <string>

#include "skinui/controls/label.h"

namespace SkinUI {

// The filled part of a bar of width w and height h, in the bar's own coordinates, after the
// range is mended (max = min + 1 when min >= max) and the value clamped into it.
RECT ProgressPart(bool horizontal, int width, int height, int minimum, int maximum, int value);
// The image-spec modifier that draws the fore image over that part.
std::wstring ProgressModifier(const RECT& part, bool stretch);

class CProgressUI : public CLabelUI {
public:
    CProgressUI();
    ~CProgressUI() override = default;

    const wchar_t* GetClassName() const override { return L"ProgressUI"; }
    bool TakesShortcut() const override { return true; }
    // A bar shows; a press on it is the window's, whatever its label text.
    PointerUse PointerUseAt(POINT /*point*/) const override { return PointerUse::Background; }
    bool DescribeAccessible(AccessibleDescription& description) const override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStateImage(HDC dc) override;
    bool BackImageCarriesMeaning() const override { return false; }

    bool IsHorizontal() const { return horizontal_; }
    void SetHorizontal(bool horizontal);
    bool IsStretchForeImage() const { return stretch_; }
    void SetStretchForeImage(bool stretch);
    int GetMinValue() const { return min_; }
    void SetMinValue(int value);
    int GetMaxValue() const { return max_; }
    void SetMaxValue(int value);
    int GetValue() const { return value_; }
    void SetValue(int value);
    std::wstring GetForeImage() const { return progressImage_; }
    void SetForeImage(const wchar_t* spec);
    // The modifier of the last paint.
    std::wstring GetLastModifier() const { return modifier_; }

private:
    bool horizontal_ = true;
    bool stretch_ = true;
    int max_ = 100;
    int min_ = 0;
    int value_ = 0;
    std::wstring progressImage_;
    std::wstring modifier_;
};

}  // namespace SkinUI
