// The layout attributes of the control base: one by name, or a list as a layout's default
// attributes give them.
#include <cwchar>
#include <string>

#include "skinui/controls/attribute_values.h"
#include "skinui/controls/control.h"
#include "skinui/core/image_spec.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

// Position, size, limits and padding, kept at 100 % and scaled for the window.
bool CControlUI::SetLayoutAttribute(const std::wstring& key, const wchar_t* value) {
    if (key == L"pos") {
        RECT r = ParseRect(value);
        layout100_.hasPos = true;
        layout100_.pos = SIZE{r.left >= 0 ? r.left : r.right, r.top >= 0 ? r.top : r.bottom};
        if (r.right - r.left >= 0) {
            layout100_.hasWidth = true;
            layout100_.width = r.right - r.left;
        }
        if (r.bottom - r.top >= 0) {
            layout100_.hasHeight = true;
            layout100_.height = r.bottom - r.top;
        }
        ApplyLayoutLengths();
    } else if (key == L"relativepos") {
        RECT r = ParseRect(value);
        SetRelativePos(r.left, r.top, r.right, r.bottom);
    } else if (key == L"padding") {
        layout100_.hasPadding = true;
        layout100_.padding = ParseRect(value);
        ApplyLayoutLengths();
    } else if (key == L"width" || key == L"height" || key == L"minwidth" || key == L"minheight" ||
               key == L"maxwidth" || key == L"maxheight") {
        const int length = ParseCoord(value);
        // A negative size is refused, as by the setters.
        const bool accepted = length >= 0 || key == L"minwidth" || key == L"minheight" ||
                              key == L"maxwidth" || key == L"maxheight";
        if (!accepted) {
            return true;
        }
        LayoutLengths& l = layout100_;
        if (key == L"width") {
            l.hasWidth = true, l.width = length;
        } else if (key == L"height") {
            l.hasHeight = true, l.height = length;
        } else if (key == L"minwidth") {
            l.hasMinWidth = true, l.minWidth = length;
        } else if (key == L"minheight") {
            l.hasMinHeight = true, l.minHeight = length;
        } else if (key == L"maxwidth") {
            l.hasMaxWidth = true, l.maxWidth = length;
        } else {
            l.hasMaxHeight = true, l.maxHeight = length;
        }
        ApplyLayoutLengths();
    } else {
        return false;
    }
    return true;
}

// Background colours and image, borders and their corners.
bool CControlUI::SetLookAttribute(const std::wstring& key, const wchar_t* value) {
    if (key == L"bkcolor" || key == L"bkcolor1") {
        SetBkColor(ParseHexColor(value));
    } else if (key == L"bkcolor2") {
        SetBkColor2(ParseHexColor(value));
    } else if (key == L"bkcolor3") {
        SetBkColor3(ParseHexColor(value));
    } else if (key == L"bordercolor") {
        SetBorderColor(ParseHexColor(value));
    } else if (key == L"focusbordercolor") {
        SetFocusBorderColor(ParseHexColor(value));
    } else if (key == L"colorhsl") {
        colorHsl_ = ParseBool(value);
        Invalidate();
    } else if (key == L"bordersize") {
        if (std::wcschr(value, L',') == nullptr) {
            borderSize_ = ParseCoord(value);
            leftBorderSize_ = topBorderSize_ = rightBorderSize_ = bottomBorderSize_ = 0;
        } else {
            RECT r = ParseRect(value);
            leftBorderSize_ = r.left;
            topBorderSize_ = r.top;
            rightBorderSize_ = r.right;
            bottomBorderSize_ = r.bottom;
        }
        Invalidate();
    } else if (key == L"leftbordersize") {
        leftBorderSize_ = ParseCoord(value);
        Invalidate();
    } else if (key == L"topbordersize") {
        topBorderSize_ = ParseCoord(value);
        Invalidate();
    } else if (key == L"rightbordersize") {
        rightBorderSize_ = ParseCoord(value);
        Invalidate();
    } else if (key == L"bottombordersize") {
        bottomBorderSize_ = ParseCoord(value);
        Invalidate();
    } else if (key == L"borderstyle") {
        borderStyle_ = ParseInt(value);
        Invalidate();
    } else if (key == L"borderround") {
        RECT r = ParseRect(value);
        SetBorderRound(SIZE{r.left, r.top});
    } else if (key == L"bkimage") {
        SetBkImage(value);
    } else {
        return false;
    }
    return true;
}

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr || value == nullptr) {
        return;
    }
    const std::wstring key = name;
    if (SetLayoutAttribute(key, value) || SetLookAttribute(key, value)) {
        return;
    }
    if (key == L"name") {
        SetName(value);
    } else if (key == L"text") {
        SetText(value);
    } else if (key == L"tooltip") {
        SetToolTip(value);
    } else if (key == L"accname") {
        SetAccessibleName(value);
    } else if (key == L"userdata") {
        SetUserData(value);
    } else if (key == L"enabled") {
        SetEnabled(ParseBool(value));
    } else if (key == L"mouse") {
        SetMouseEnabled(ParseBool(value));
    } else if (key == L"keyboard") {
        SetKeyboardEnabled(ParseBool(value));
    } else if (key == L"default") {
        SetDefaultButton(ParseBool(value));
    } else if (key == L"cancel") {
        SetCancelButton(ParseBool(value));
    } else if (key == L"focusringcolor") {
        ownRingColor_ = true;
        ringColor_ = ParseHexColor(value);
    } else if (key == L"focusringwidth") {
        ringWidth_ = ParseCoord(value) < 0 ? 0 : ParseCoord(value);
    } else if (key == L"focusringgap") {
        ownRingGap_ = true;
        ringGap_ = ParseCoord(value);
    } else if (key == L"visible") {
        SetVisible(ParseBool(value));
    } else if (key == L"float") {
        SetFloat(ParseBool(value));
    } else if (key == L"menu") {
        SetMenuEnabled(ParseBool(value));
    } else if (key == L"shortcut") {
        SetShortcut(value[0]);
    } else if (key == L"virtualwnd") {
        SetVirtualWnd(value);
    }
}

void CControlUI::SetAttributeList(const wchar_t* list) {
    if (list == nullptr) {
        return;
    }
    const wchar_t* p = list;
    while (*p != 0) {
        const wchar_t* equals = std::wcschr(p, L'=');
        if (equals == nullptr || equals[1] != L'"') {
            return;
        }
        std::wstring name(p, equals);
        const wchar_t* begin = equals + 2;
        const wchar_t* close = std::wcschr(begin, L'"');
        if (close == nullptr) {
            return;
        }
        SetAttribute(name.c_str(), std::wstring(begin, close).c_str());
        p = close + 1;
        if (p[0] != L' ' || p[1] == 0) {
            return;
        }
        ++p;
    }
}

}  // namespace SkinUI
