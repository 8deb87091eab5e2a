#pragma once
// The order in which the keyboard visits a window's controls: as a page is read, line by line
// from the top, each line from the left.
#include <vector>

namespace SkinUI {

class IControlUI;

// Controls are taken from the top; one whose vertical middle lies within the first control of
// the current line (or that line's middle within it) joins that line; each line is read from
// the left. Equal places keep the given order.
void SortInReadingOrder(std::vector<IControlUI*>& controls);

}  // namespace SkinUI
