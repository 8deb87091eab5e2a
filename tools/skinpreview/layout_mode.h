#pragma once
// skinpreview's layout mode.
#include <string>
#include <vector>

namespace SkinPreview {

// source: a layout file, or a decimal resource id of type "xml" in this executable. Each frame
// is a fresh build with "normal" or actions joined by '+': "hover:NAME" (pointer over it),
// "press:NAME" (button held down on it), "click:NAME" (pressed and released), "focus:NAME",
// "select:TABLAYOUT:INDEX", "hide:NAME,NAME,...", "show:NAME,NAME,...", "text:NAME=TEXT" (\uXXXX
// escapes allowed, so texts in any language survive the command line) and "value:PROGRESS:N".
// With frames, each is
// drawn under its caption, one below the other.
// With repaints > 0 the median time of a full repaint is printed. Returns the exit code.
int LayoutMode(const wchar_t* source, const wchar_t* output,
               const std::vector<std::wstring>& frames, int repaints);

}  // namespace SkinPreview
