// The control tags of layout documents and the classes they create.
#include <cwchar>

#include "skinui/controls/controls.h"
#include "skinui/controls/layout_builder.h"

namespace SkinUI {

namespace {

template <typename T>
CControlUI* Make() {
    return new T();
}

struct TagEntry {
    const wchar_t* tag;
    CControlUI* (*make)();
};

// Tags are compared exactly. The framework's list, tree, combo, slider, rich edit, date-time,
// ActiveX, browser, tile and child-layout tags have no classes here and are skipped like any
// unknown tag, subtree and all.
constexpr TagEntry kTags[] = {
    {L"Control", Make<CControlUI>},
    {L"Container", Make<CContainerUI>},
    {L"VerticalLayout", Make<CVerticalLayoutUI>},
    {L"HorizontalLayout", Make<CHorizontalLayoutUI>},
    {L"TabLayout", Make<CTabLayoutUI>},
    {L"Label", Make<CLabelUI>},
    {L"Text", Make<CTextUI>},
    {L"Button", Make<CButtonUI>},
    {L"Option", Make<COptionUI>},
    {L"CheckBox", Make<CCheckBoxUI>},
    {L"Edit", Make<CEditUI>},
    {L"Progress", Make<CProgressUI>},
};

}  // namespace

CControlUI* CLayoutBuilder::CreateControl(const wchar_t* tag) {
    if (tag == nullptr) {
        return nullptr;
    }
    for (const TagEntry& entry : kTags) {
        if (std::wcscmp(entry.tag, tag) == 0) {
            return entry.make();
        }
    }
    return nullptr;
}

}  // namespace SkinUI
