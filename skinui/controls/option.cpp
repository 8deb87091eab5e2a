#include "skinui/controls/option.h"

#include <oleacc.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "skinui/controls/attribute_values.h"
#include "skinui/core/image_spec.h"
#include "skinui/core/high_contrast.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

COptionUI::~COptionUI() {
    LeaveGroup();
}

void COptionUI::LeaveGroup() {
    if (manager_ != nullptr && !group_.empty()) {
        manager_->RemoveOptionGroup(group_.c_str(), this);
    }
}

void COptionUI::SetManager(CUIManager* manager, IControlUI* parent, bool init) {
    // A manager left behind (the option moves or goes to the deferred deletions) must not keep
    // it in a group.
    if (manager != manager_) {
        LeaveGroup();
    }
    CButtonUI::SetManager(manager, parent, init);
    if (init && manager_ != nullptr && !group_.empty()) {
        manager_->AddOptionGroup(group_.c_str(), this);
        // A group has one selected option at most: one that joins selected wins over the
        // members already there (of a layout that selects several, the last one built).
        if (selected_) {
            DeselectOthers();
        }
    }
}

void COptionUI::DeselectOthers() {
    const std::vector<CControlUI*>* members = manager_->GetOptionGroup(group_.c_str());
    if (members == nullptr) {
        return;
    }
    const std::vector<CControlUI*> others = *members;
    for (CControlUI* other : others) {
        auto* option = dynamic_cast<COptionUI*>(other);
        if (option != nullptr && option != this) {
            option->Select(false);
        }
    }
}

void COptionUI::SetGroup(const wchar_t* group) {
    const std::wstring name = group != nullptr ? group : L"";
    if (name == group_) {
        return;
    }
    LeaveGroup();
    group_ = name;
    if (manager_ != nullptr && !group_.empty()) {
        manager_->AddOptionGroup(group_.c_str(), this);
        // Joining selected re-applies the selection to the group.
        if (selected_) {
            DeselectOthers();
        }
    }
}

void COptionUI::Select(bool selected) {
    if (selected_ == selected) {
        return;
    }
    selected_ = selected;
    state_ = selected ? state_ | UISTATE_SELECTED : state_ & ~UISTATE_SELECTED;
    // Repaint first: a "selectchanged" handler may delete this option.
    Invalidate();
    if (manager_ == nullptr) {
        return;
    }
    if (group_.empty()) {
        NotifySelectChanged();
        return;
    }
    if (!selected) {
        return;
    }
    DeselectOthers();
    NotifySelectChanged();
}

// A screen reader hears of the new state before the window's listeners act on it.
void COptionUI::NotifySelectChanged() {
    manager_->NotifyAccessible(this, AccessibleChange::State);
    manager_->NotifyAll(this, L"selectchanged");
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) {
        return false;
    }
    Select(group_.empty() ? !selected_ : true);
    return true;
}

void COptionUI::SetEnabled(bool enabled) {
    CButtonUI::SetEnabled(enabled);
    if (!enabled) {
        state_ = selected_ ? static_cast<UINT>(UISTATE_SELECTED) : 0u;
    }
}

void COptionUI::SetSelectedImage(const wchar_t* spec) {
    selectedImage_ = spec != nullptr ? spec : L"";
    Invalidate();
}
void COptionUI::SetSelectedHotImage(const wchar_t* spec) {
    selectedHotImage_ = spec != nullptr ? spec : L"";
    Invalidate();
}
void COptionUI::SetOptionForeImage(const wchar_t* spec) {
    optionForeImage_ = spec != nullptr ? spec : L"";
    Invalidate();
}
void COptionUI::SetSelectedBkColor(DWORD color) {
    if (selectedBkColor_ != color) {
        selectedBkColor_ = color;
        Invalidate();
    }
}
void COptionUI::SetSelectedTextColor(DWORD color) {
    if (selectedTextColor_ != color) {
        selectedTextColor_ = color;
        Invalidate();
    }
}

void COptionUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr || value == nullptr) {
        return;
    }
    const std::wstring key = name;
    if (key == L"group") {
        SetGroup(value);
    } else if (key == L"selected") {
        Select(ParseBool(value));
    } else if (key == L"selectedimage") {
        SetSelectedImage(value);
    } else if (key == L"selectedhotimage") {
        SetSelectedHotImage(value);
    } else if (key == L"foreimage") {
        SetOptionForeImage(value);
    } else if (key == L"selectedbkcolor") {
        SetSelectedBkColor(ParseHexColor(value));
    } else if (key == L"selectedtextcolor") {
        SetSelectedTextColor(ParseHexColor(value));
    } else {
        CButtonUI::SetAttribute(name, value);
    }
}

void COptionUI::PaintStateImage(HDC dc) {
    // An option never shows a pushed state.
    state_ &= ~UISTATE_PUSHED;
    if (IsHighContrastOn() && HasStateImages()) {
        // A box in the text colour, filled when selected.
        const DWORD ink = SystemColor(IsEnabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
        const int pen = std::max(1, ScaleLength(1));
        CRenderer::StrokeRect(dc, itemRect_, pen, ink);
        if (selected_) {
            RECT mark = itemRect_;
            InflateRect(&mark, -2 * pen - 1, -2 * pen - 1);
            CRenderer::FillColor(dc, mark, ink);
        }
        return;
    }
    if ((state_ & UISTATE_HOT) != 0 && selected_ && !selectedHotImage_.empty()) {
        if (!DrawSpec(dc, selectedHotImage_)) {
            CButtonUI::PaintStateImage(dc);
        }
    } else if (selected_) {
        if (!selectedImage_.empty()) {
            if (!DrawSpec(dc, selectedImage_)) {
                CButtonUI::PaintStateImage(dc);
            }
        } else if (selectedBkColor_ != 0) {
            CRenderer::FillColor(dc, paintRect_, AdjustColor(selectedBkColor_));
            return;
        } else {
            CButtonUI::PaintStateImage(dc);
        }
    } else {
        CButtonUI::PaintStateImage(dc);
    }
    DrawSpec(dc, optionForeImage_);
}

void COptionUI::PaintText(HDC dc) {
    if (!selected_) {
        CButtonUI::PaintText(dc);
        return;
    }
    FillDefaultColors();
    if (text_.empty()) {
        return;
    }
    const DWORD text = selectedTextColor_ != 0 ? selectedTextColor_ : textColor_;
    DrawLabelText(dc, IsEnabled() ? text : disabledTextColor_, textStyle_);
}

// What a screen reader is told of the control.
bool COptionUI::DescribeAccessible(AccessibleDescription& description) const {
    description.name = AccessibleName();
    description.role = GetGroup().empty() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
    if (IsSelected()) {
        description.state |= STATE_SYSTEM_CHECKED;
    }
    if (description.role == ROLE_SYSTEM_RADIOBUTTON) {
        description.defaultAction = L"Check";
    } else {
        description.defaultAction = IsSelected() ? L"Uncheck" : L"Check";
    }
    return true;
}

}  // namespace SkinUI
