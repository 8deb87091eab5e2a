#pragma once
// Shows one child at a time: the selected page fills the layout, the others are hidden.
#include "skinui/controls/container.h"

namespace SkinUI {

class CTabLayoutUI : public CContainerUI {
public:
    CTabLayoutUI() = default;
    ~CTabLayoutUI() override = default;

    const wchar_t* GetClassName() const override { return L"TabLayoutUI"; }
    void SetPos(RECT rect) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    bool Add(CControlUI* control) override;
    bool Insert(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAll() override;

    int GetCurSel() const { return selected_; }
    bool SelectItem(int index);
    bool SelectItem(CControlUI* control) { return SelectItem(IndexOf(control)); }

private:
    int selected_ = -1;
};

}  // namespace SkinUI
