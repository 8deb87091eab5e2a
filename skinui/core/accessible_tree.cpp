#include "skinui/core/accessible_tree.h"

#include <oleacc.h>

#include <cwchar>

#include "skinui/controls/button_state.h"
#include "skinui/controls/controls.h"
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

bool IsTagLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsCloser(wchar_t c) {
    return c == L'>' || c == L'}';
}

// Length of the markup tag at p ("{x ...}", "<x>", "{/x}"), 0 when p holds no tag.
size_t TagLength(const wchar_t* p) {
    if (*p != L'<' && *p != L'{') {
        return 0;
    }
    if (p[1] == L'/' && IsTagLetter(p[2]) && IsCloser(p[3])) {
        return 4;
    }
    if (!IsTagLetter(p[1]) || !(p[2] == L' ' || IsCloser(p[2]))) {
        return 0;
    }
    const wchar_t* q = p + 2;
    while (*q != 0 && !IsCloser(*q)) {
        ++q;
    }
    return static_cast<size_t>(q - p) + (*q != 0 ? 1 : 0);
}

bool IsLink(CControlUI* control) {
    auto* label = dynamic_cast<CLabelUI*>(control);
    if (label == nullptr || !label->IsShowHtml()) {
        return false;
    }
    const std::wstring text = control->GetText();
    return text.find(L"{a") != std::wstring::npos || text.find(L"<a") != std::wstring::npos;
}

CControlUI* CollectAll(CControlUI* control, void* data) {
    static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return nullptr;
}

std::vector<CControlUI*> AllControls(CUIManager& manager) {
    std::vector<CControlUI*> all;
    if (CControlUI* root = manager.GetRoot()) {
        root->FindControl(CollectAll, &all, UIFIND_ALL | UIFIND_ME_FIRST);
    }
    return all;
}

bool WindowHasFocus(HWND window) {
    HWND focus = ::GetFocus();
    return window != nullptr && focus != nullptr && (focus == window || IsChild(window, focus));
}

// Role and what goes with it; false for controls a screen reader does not need.
bool Describe(CUIManager& manager, CControlUI* control, AccessibleChild& child) {
    if (control->AsInterface(L"IContainer") != nullptr) {
        return false;
    }
    child.name = AccessibleNameOf(control);
    if (auto* option = dynamic_cast<COptionUI*>(control)) {
        child.role = option->GetGroup().empty() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
        if (option->IsSelected()) {
            child.state |= STATE_SYSTEM_CHECKED;
        }
        if (child.role == ROLE_SYSTEM_RADIOBUTTON) {
            child.defaultAction = L"Check";
        } else {
            child.defaultAction = option->IsSelected() ? L"Uncheck" : L"Check";
        }
    } else if (auto* button = dynamic_cast<CButtonUI*>(control)) {
        if (IsLink(control)) {
            child.role = ROLE_SYSTEM_LINK;
            child.state |= STATE_SYSTEM_LINKED;
            child.defaultAction = L"Jump";
        } else {
            child.role = ROLE_SYSTEM_PUSHBUTTON;
            child.defaultAction = L"Press";
        }
        if ((button->GetButtonState() & UISTATE_PUSHED) != 0) {
            child.state |= STATE_SYSTEM_PRESSED;
        }
    } else if (auto* edit = dynamic_cast<CEditUI*>(control)) {
        child.role = ROLE_SYSTEM_TEXT;
        // The open native box holds what the user is typing.
        if (HWND native = edit->GetNativeWindow()) {
            const int length = GetWindowTextLengthW(native);
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            text.resize(static_cast<size_t>(GetWindowTextW(native, &text[0], length + 1)));
            child.value = text;
        } else {
            child.value = control->GetText();
        }
        if (edit->IsReadOnly()) {
            child.state |= STATE_SYSTEM_READONLY;
        }
    } else if (auto* progress = dynamic_cast<CProgressUI*>(control)) {
        child.role = ROLE_SYSTEM_PROGRESSBAR;
        child.state |= STATE_SYSTEM_READONLY;
        const long long low = progress->GetMinValue();
        const long long high = progress->GetMaxValue() > low ? progress->GetMaxValue() : low + 1;
        long long value = progress->GetValue();
        value = value < low ? low : (value > high ? high : value);
        child.value = std::to_wstring((value - low) * 100 / (high - low)) + L"%";
    } else if (dynamic_cast<CLabelUI*>(control) != nullptr) {
        if (child.name.empty()) {
            return false;  // an image, not a text
        }
        child.role = ROLE_SYSTEM_STATICTEXT;
        child.state |= STATE_SYSTEM_READONLY;
    } else {
        return false;
    }
    if (!control->IsEnabled()) {
        child.state |= STATE_SYSTEM_UNAVAILABLE;
    }
    // Focusable: the control would take the keyboard focus.
    if ((control->GetInputFlags() & UIFLAG_TABSTOP) != 0 && control->IsEnabled()) {
        child.state |= STATE_SYSTEM_FOCUSABLE;
        if (manager.GetFocus() == control && WindowHasFocus(manager.GetWindow())) {
            child.state |= STATE_SYSTEM_FOCUSED;
        }
    }
    if (manager.GetHover() == control) {
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

std::wstring StripMarkup(const std::wstring& text) {
    std::wstring plain;
    const wchar_t* p = text.c_str();
    while (*p != 0) {
        // Escapes: "<{>" is "{", "{<}" is "<" and so on.
        if ((p[0] == L'<' && (p[1] == L'{' || p[1] == L'}') && p[2] == L'>') ||
            (p[0] == L'{' && (p[1] == L'<' || p[1] == L'>') && p[2] == L'}')) {
            plain += p[1];
            p += 3;
            continue;
        }
        if (const size_t length = TagLength(p)) {
            // A line break tag reads as a blank.
            if ((p[1] == L'n' || p[1] == L'N') && length == 3) {
                plain += L' ';
            }
            p += length;
            continue;
        }
        plain += *p++;
    }
    return plain;
}

std::wstring AccessibleNameOf(CControlUI* control) {
    if (control == nullptr) {
        return std::wstring();
    }
    const std::wstring own = control->GetAccessibleName();
    if (!own.empty()) {
        return Trim(own);
    }
    auto* label = dynamic_cast<CLabelUI*>(control);
    const std::wstring text = control->GetText();
    return Trim(label != nullptr && label->IsShowHtml() ? StripMarkup(text) : text);
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

long AccessibleIdOf(CUIManager& manager, CControlUI* control) {
    if (control == nullptr) {
        return 0;
    }
    const std::vector<CControlUI*> all = AllControls(manager);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == control) {
            return static_cast<long>(i) + 1;
        }
    }
    return 0;
}

std::vector<AccessibleChild> CollectAccessibleChildren(CUIManager& manager) {
    std::vector<AccessibleChild> children;
    const std::vector<CControlUI*> all = AllControls(manager);
    const bool dialog = manager.IsAccessibleDialog();
    AccessibleChild message;
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < all.size(); ++i) {
        CControlUI* control = all[i];
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
