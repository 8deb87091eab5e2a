#pragma once
// Helpers of the layout builder tests: one hidden window for every manager that needs a native
// window (destroying windows is slow under Wine), files in the working folder and tree walks.
#include <windows.h>

#include <string>
#include <vector>

#include "skinui/controls/control.h"

namespace BuilderTest {

// A hidden popup window, made on first use and kept for the whole run.
HWND SharedWindow();

// Writes UTF-8 text to a file in the working folder.
void WriteTextFile(const char* name, const std::string& text);

// The children of a container (empty for a control that is none).
std::vector<SkinUI::CControlUI*> Children(SkinUI::CControlUI* control);

// The names of a container's children, in order.
std::vector<std::wstring> ChildNames(SkinUI::CControlUI* control);

// Every control of the tree in document order, the root first.
std::vector<SkinUI::CControlUI*> Flatten(SkinUI::CControlUI* root);

// A name or text for a failure message: ASCII kept, anything else as '?'.
std::string Narrow(const std::wstring& text);

}  // namespace BuilderTest
