#include "skinui/core/accessible_tree.h"

#include <oleacc.h>

#include <cwchar>

#include "skinui/core/control_interface.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x3000;
}

std::wstring Trim(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// Ideographs, kana, hangul and the full-width punctuation around them: lines of such text
// run on without a blank.
bool IsCjk(wchar_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFFEF);
}

IControlUI* CollectAll(IControlUI* control, void* data) {
    static_cast<std::vector<IControlUI*>*>(data)->push_back(control);
    return nullptr;
}

std::vector<IControlUI*> AllControls(CUIManager& manager) {
    std::vector<IControlUI*> all;
    if (IControlUI* root = manager.RootControl()) {
        root->FindControl(CollectAll, &all, UIFIND_ALL | UIFIND_ME_FIRST);
    }
    return all;
}

bool WindowHasFocus(HWND window) {
    HWND focus = ::GetFocus();
    return window != nullptr && focus != nullptr && (focus == window || IsChild(window, focus));
}

// Role and what goes with it; false for controls a screen reader does not need.
bool Describe(CUIManager& manager, IControlUI* control, AccessibleChild& child) {
    AccessibleDescription description;
    if (!control->DescribeAccessible(description)) {
        return false;
    }
    child.role = description.role;
    child.name = description.name;
    child.value = description.value;
    child.defaultAction = description.defaultAction;
    child.state |= description.state;
    if (!control->IsEnabled()) {
        child.state |= STATE_SYSTEM_UNAVAILABLE;
    }
    // Focusable: the control would take the keyboard focus.
    if ((control->GetInputFlags() & UIFLAG_TABSTOP) != 0 && control->IsEnabled()) {
        child.state |= STATE_SYSTEM_FOCUSABLE;
        if (manager.FocusedControl() == control && WindowHasFocus(manager.GetWindow())) {
            child.state |= STATE_SYSTEM_FOCUSED;
        }
    }
    if (manager.HoverControl() == control) {
        child.state |= STATE_SYSTEM_HOTTRACKED;
    }
    child.rect = control->GetPos();
    return true;
}

void Unite(RECT& rect, const RECT& more) {
    RECT both;
    UnionRect(&both, &rect, &more);
    rect = both;
}

}  // namespace

std::wstring TrimBlanks(const std::wstring& text) {
    return Trim(text);
}

std::wstring JoinMessageLines(const std::vector<std::wstring>& lines) {
    std::wstring joined;
    for (const std::wstring& raw : lines) {
        const std::wstring line = Trim(raw);
        if (line.empty()) {
            continue;
        }
        if (!joined.empty() && !(IsCjk(joined.back()) && IsCjk(line.front()))) {
            joined += L' ';
        }
        joined += line;
    }
    return joined;
}

long AccessibleIdOf(CUIManager& manager, IControlUI* control) {
    if (control == nullptr) {
        return 0;
    }
    const std::vector<IControlUI*> all = AllControls(manager);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == control) {
            return static_cast<long>(i) + 1;
        }
    }
    return 0;
}

std::vector<AccessibleChild> CollectAccessibleChildren(CUIManager& manager) {
    std::vector<AccessibleChild> children;
    const std::vector<IControlUI*> all = AllControls(manager);
    const bool dialog = manager.IsAccessibleDialog();
    AccessibleChild message;
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < all.size(); ++i) {
        IControlUI* control = all[i];
        if (!control->IsVisible()) {
            continue;
        }
        AccessibleChild child;
        child.id = static_cast<long>(i) + 1;
        child.control = control;
        child.parts.push_back(control);
        if (!Describe(manager, control, child)) {
            continue;
        }
        if (dialog && child.role == ROLE_SYSTEM_STATICTEXT) {
            // The lines of a message are one text, read before the buttons.
            if (message.control == nullptr) {
                message = child;
                message.parts.clear();
            } else {
                Unite(message.rect, child.rect);
            }
            message.parts.push_back(control);
            lines.push_back(child.name);
            continue;
        }
        children.push_back(child);
    }
    if (message.control != nullptr) {
        message.name = JoinMessageLines(lines);
        children.insert(children.begin(), message);
    }
    return children;
}

}  // namespace SkinUI
