// The window-level part of a layout document: fonts, images and default attribute lists below
// the first element, and the Window element's own settings.
#include <algorithm>
#include <cwchar>
#include <string>

#include "skinui/controls/layout_builder.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

// Window geometry stays within what window messages can carry.
constexpr long kMaxCoordinate = 32767;

long Clamp(long value, long low, long high) {
    return std::min(std::max(value, low), high);
}

// Up to `n` integers: the first from the start of the value, each further one from the character
// after the end of the previous number (blanks before a number skipped). Numbers the value does
// not have are 0; the end of the value is never passed.
void ReadIntegers(const wchar_t* value, long* numbers, int n) {
    std::fill(numbers, numbers + n, 0L);
    const wchar_t* p = value;
    for (int i = 0; i < n; ++i) {
        wchar_t* end = nullptr;
        numbers[i] = Clamp(std::wcstol(p, &end, 10), -kMaxCoordinate, kMaxCoordinate);
        if (*end == 0) {
            return;
        }
        p = end + 1;
    }
}

SIZE ReadSize(const wchar_t* value) {
    long n[2];
    ReadIntegers(value, n, 2);
    // A negative extent means nothing: none.
    return SIZE{std::max(n[0], 0L), std::max(n[1], 0L)};
}

RECT ReadRect(const wchar_t* value) {
    long n[4];
    ReadIntegers(value, n, 4);
    return RECT{n[0], n[1], n[2], n[3]};
}

// An optional '#', then hexadecimal digits as an ARGB value.
DWORD ReadColor(const wchar_t* value) {
    if (*value == L'#') {
        ++value;
    }
    return static_cast<DWORD>(std::wcstoul(value, nullptr, 16));
}

bool IsTrue(const wchar_t* value) {
    return std::wcscmp(value, L"true") == 0;
}

void ReadFont(CXmlNode node, CUIManager& manager) {
    std::wstring face;
    long size = 12;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool isDefault = false;
    const int count = node.AttributeCount();
    for (int i = 0; i < count; ++i) {
        const std::wstring name = node.AttributeName(i);
        const wchar_t* value = node.AttributeValue(i);
        if (name == L"name") {
            face = value;
        } else if (name == L"size") {
            size = Clamp(std::wcstol(value, nullptr, 10), -kMaxCoordinate, kMaxCoordinate);
        } else if (name == L"bold") {
            bold = IsTrue(value);
        } else if (name == L"underline") {
            underline = IsTrue(value);
        } else if (name == L"italic") {
            italic = IsTrue(value);
        } else if (name == L"default") {
            isDefault = IsTrue(value);
        }
    }
    if (face.empty()) {
        return;
    }
    const int pixels = static_cast<int>(size);
    manager.AddFontEntry(face.c_str(), pixels, bold, underline, italic);
    if (isDefault) {
        manager.SetBaseFont(face.c_str(), pixels, bold, underline, italic);
    }
}

void ReadImage(CXmlNode node, CUIManager& manager) {
    std::wstring name;
    std::wstring type;
    DWORD mask = 0;
    const int count = node.AttributeCount();
    for (int i = 0; i < count; ++i) {
        const std::wstring attribute = node.AttributeName(i);
        const wchar_t* value = node.AttributeValue(i);
        if (attribute == L"name") {
            name = value;
        } else if (attribute == L"restype") {
            type = value;
        } else if (attribute == L"mask") {
            mask = ReadColor(value);
        }
    }
    if (!name.empty()) {
        manager.FindImage(name.c_str(), type.empty() ? nullptr : type.c_str(), mask);
    }
}

void ReadDefault(CXmlNode node, CUIManager& manager) {
    std::wstring tag;
    std::wstring list;
    const int count = node.AttributeCount();
    for (int i = 0; i < count; ++i) {
        const std::wstring attribute = node.AttributeName(i);
        if (attribute == L"name") {
            tag = node.AttributeValue(i);
        } else if (attribute == L"value") {
            list = node.AttributeValue(i);
        }
    }
    if (!tag.empty()) {
        manager.AddDefaultAttributeList(tag.c_str(), list.c_str());
    }
}

void ApplyWindowAttribute(CUIManager& manager, const std::wstring& name, const wchar_t* value) {
    if (name == L"size") {
        const SIZE size = ReadSize(value);
        manager.SetInitSize(size.cx, size.cy);
    } else if (name == L"sizebox") {
        manager.WindowMetrics().SetSizeBox(ReadRect(value));
    } else if (name == L"caption") {
        manager.WindowMetrics().SetCaption(ReadRect(value));
    } else if (name == L"roundcorner") {
        const SIZE size = ReadSize(value);
        manager.WindowMetrics().SetRoundCorner(size.cx, size.cy);
    } else if (name == L"mininfo") {
        const SIZE size = ReadSize(value);
        manager.WindowMetrics().SetMinInfo(size.cx, size.cy);
    } else if (name == L"maxinfo") {
        const SIZE size = ReadSize(value);
        manager.WindowMetrics().SetMaxInfo(size.cx, size.cy);
    } else if (name == L"showdirty") {
        manager.SetShowUpdateRect(IsTrue(value));
    } else if (name == L"alpha") {
        // Unclamped: the manager keeps 0 to 255 and a value outside it turns layering off.
        manager.SetWindowOpacity(static_cast<int>(std::wcstol(value, nullptr, 10)));
    } else if (name == L"bktrans") {
        manager.SetBackgroundTransparent(IsTrue(value));
    } else if (name == L"disabledfontcolor") {
        manager.SetDisabledColor(ReadColor(value));
    } else if (name == L"defaultfontcolor") {
        manager.SetDefaultFontColor(ReadColor(value));
    } else if (name == L"linkfontcolor") {
        manager.SetLinkFontColor(ReadColor(value));
    } else if (name == L"linkhoverfontcolor") {
        manager.SetLinkHoverFontColor(ReadColor(value));
    } else if (name == L"selectedcolor") {
        manager.SetSelectedBkColor(ReadColor(value));
    } else if (name == L"focusringcolor" || name == L"focusringwidth" || name == L"focusringgap") {
        FocusRingStyle ring = manager.GetFocusRing();
        if (name == L"focusringcolor") {
            ring.color = ReadColor(value);
        } else if (name == L"focusringwidth") {
            ring.width =
                static_cast<int>(std::min(16L, std::max(0L, std::wcstol(value, nullptr, 10))));
        } else {
            ring.gap =
                static_cast<int>(std::min(16L, std::max(-16L, std::wcstol(value, nullptr, 10))));
        }
        manager.SetFocusRing(ring);
    }
}

}  // namespace

void CLayoutBuilder::ReadSharedResources(CXmlNode root, CUIManager& manager) {
    for (CXmlNode child = root.FirstChild(); child.IsValid(); child = child.NextSibling()) {
        const std::wstring tag = child.Name();
        if (tag == L"Image") {
            ReadImage(child, manager);
        } else if (tag == L"Font") {
            ReadFont(child, manager);
        } else if (tag == L"Default") {
            ReadDefault(child, manager);
        }
    }
}

void CLayoutBuilder::ApplyWindowAttributes(CXmlNode root, CUIManager& manager) {
    const int count = root.AttributeCount();
    for (int i = 0; i < count; ++i) {
        ApplyWindowAttribute(manager, root.AttributeName(i), root.AttributeValue(i));
    }
}

}  // namespace SkinUI
