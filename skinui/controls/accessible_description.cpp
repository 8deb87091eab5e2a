// What each control tells a screen reader about itself.
#include <oleacc.h>

#include <string>

#include "skinui/controls/button.h"
#include "skinui/controls/button_state.h"
#include "skinui/controls/edit.h"
#include "skinui/controls/label.h"
#include "skinui/controls/option.h"
#include "skinui/controls/progress.h"
#include "skinui/core/accessible_tree.h"
#include "skinui/core/markup_reader.h"

namespace SkinUI {

std::wstring CLabelUI::AccessibleName() const {
    if (!GetAccessibleName().empty() || !IsShowHtml()) {
        return CControlUI::AccessibleName();
    }
    return TrimBlanks(MarkupPlainText(GetText()));
}

bool CLabelUI::DescribeAccessible(AccessibleDescription& description) const {
    description.name = AccessibleName();
    if (description.name.empty()) {
        return false;  // an image, not a text
    }
    description.role = ROLE_SYSTEM_STATICTEXT;
    description.state |= STATE_SYSTEM_READONLY;
    return true;
}

bool CButtonUI::DescribeAccessible(AccessibleDescription& description) const {
    description.name = AccessibleName();
    const std::wstring text = GetText();
    const bool link = IsShowHtml() && (text.find(L"{a") != std::wstring::npos ||
                                       text.find(L"<a") != std::wstring::npos);
    if (link) {
        description.role = ROLE_SYSTEM_LINK;
        description.state |= STATE_SYSTEM_LINKED;
        description.defaultAction = L"Jump";
    } else {
        description.role = ROLE_SYSTEM_PUSHBUTTON;
        description.defaultAction = L"Press";
    }
    if ((GetButtonState() & UISTATE_PUSHED) != 0) {
        description.state |= STATE_SYSTEM_PRESSED;
    }
    return true;
}

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

bool CEditUI::DescribeAccessible(AccessibleDescription& description) const {
    description.name = AccessibleName();
    description.role = ROLE_SYSTEM_TEXT;
    // The open native box holds what the user is typing.
    if (HWND native = GetNativeWindow()) {
        const int length = GetWindowTextLengthW(native);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(native, &text[0], length + 1)));
        description.value = text;
    } else {
        description.value = GetText();
    }
    if (IsReadOnly()) {
        description.state |= STATE_SYSTEM_READONLY;
    }
    return true;
}

bool CProgressUI::DescribeAccessible(AccessibleDescription& description) const {
    description.name = AccessibleName();
    description.role = ROLE_SYSTEM_PROGRESSBAR;
    description.state |= STATE_SYSTEM_READONLY;
    const long long low = GetMinValue();
    const long long high = GetMaxValue() > low ? GetMaxValue() : low + 1;
    long long value = GetValue();
    value = value < low ? low : (value > high ? high : value);
    description.value = std::to_wstring((value - low) * 100 / (high - low)) + L"%";
    return true;
}

}  // namespace SkinUI
