#pragma once
// A button that stays selected: alone it toggles, in a named group of the window exactly one
// option is selected. The check box is the same control under another class name.
#include <windows.h>

#include <string>

#include "skinui/controls/button.h"

namespace SkinUI {

class COptionUI : public CButtonUI {
public:
    COptionUI() = default;
    ~COptionUI() override;

    const wchar_t* GetClassName() const override { return L"OptionUI"; }
    // Enter goes to the default button, as from a check box in a Windows dialog.
    bool IsPressedByEnter() const override { return false; }
    bool DescribeAccessible(AccessibleDescription& description) const override;
    bool Activate() override;
    void SetManager(CUIManager* manager, IControlUI* parent, bool init = true) override;
    void SetEnabled(bool enabled) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStateImage(HDC dc) override;
    void PaintText(HDC dc) override;
    virtual void Select(bool selected);

    bool IsSelected() const { return selected_; }
    std::wstring GetGroup() const { return group_; }
    void SetGroup(const wchar_t* group);
    void SetSelectedImage(const wchar_t* spec);
    void SetSelectedHotImage(const wchar_t* spec);
    void SetOptionForeImage(const wchar_t* spec);
    void SetSelectedBkColor(DWORD color);
    void SetSelectedTextColor(DWORD color);

private:
    void LeaveGroup();
    void NotifySelectChanged();
    // Deselects the other options of this option's group.
    void DeselectOthers();

    bool selected_ = false;
    std::wstring group_;
    DWORD selectedBkColor_ = 0;
    DWORD selectedTextColor_ = 0;
    std::wstring selectedImage_;
    std::wstring selectedHotImage_;
    std::wstring optionForeImage_;
};

class CCheckBoxUI : public COptionUI {
public:
    const wchar_t* GetClassName() const override { return L"CheckBoxUI"; }
};

}  // namespace SkinUI
