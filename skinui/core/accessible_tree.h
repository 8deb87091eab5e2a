#pragma once
// What a screen reader sees of a skinned window: its visible controls as a flat list of simple
// children, each with a role, name, state, value, default action and rectangle. Decoration
// (containers, images without text) is left out; a dialog's message labels become one text.
#include <windows.h>

#include <string>
#include <vector>

namespace SkinUI {

class IControlUI;
class CUIManager;

struct AccessibleChild {
    long id = 0;                     // stable while the control tree keeps its shape
    IControlUI* control = nullptr;   // the control that acts (the first label of a text)
    std::vector<IControlUI*> parts;  // every control the child stands for
    long role = 0;                   // ROLE_SYSTEM_*
    std::wstring name;
    std::wstring value;
    std::wstring defaultAction;  // empty: the child has none
    long state = 0;              // STATE_SYSTEM_*
    RECT rect = {0, 0, 0, 0};    // client coordinates, as drawn
};

// The children in reading order (a dialog's text first, then its buttons).
std::vector<AccessibleChild> CollectAccessibleChildren(CUIManager& manager);

// The child id of a control: its place in the whole tree, counted from 1; 0 without a root.
long AccessibleIdOf(CUIManager& manager, IControlUI* control);

// The text without blanks (and ideographic spaces) at either end.
std::wstring TrimBlanks(const std::wstring& text);

// Joins the lines of a message: a blank between them, none between two CJK characters.
std::wstring JoinMessageLines(const std::vector<std::wstring>& lines);

}  // namespace SkinUI
