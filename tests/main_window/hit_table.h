#pragma once
// Which points of a borderless window drag it: WM_NCHITTEST asked as the system asks it
// (screen coordinates), checked against a window's table of answers.
#include <windows.h>

#include <initializer_list>
#include <map>
#include <string>

namespace SkinUI {
class CControlUI;
class CUIManager;
}  // namespace SkinUI

namespace HitTable {

// HTCAPTION or HTCLIENT for the control found under a point, by its key.
using Answers = std::map<std::wstring, LRESULT>;

// A point in client coordinates and the key of the control expected there.
struct Spot {
    POINT at;
    const wchar_t* key;
};

// A control's name, or its class name when it has none (layouts, unnamed labels).
std::wstring Key(const SkinUI::CControlUI* control);

// The window's answer for a point in client coordinates.
LRESULT HitTest(HWND window, POINT client);

// The centre of every visible control of the window, and the given spots, answer as the table
// says for the control found there; every row of the table is used (a table that no longer
// fits the layout fails).
void Check(HWND window, SkinUI::CUIManager& manager, const Answers& answers,
           std::initializer_list<Spot> spots);

// Points just beyond the client area's edges never drag the window; its corners, where both
// windows show their background, do.
void CheckEdges(HWND window);

}  // namespace HitTable
