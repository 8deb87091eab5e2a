#pragma once
// The arithmetic the vertical and horizontal layouts share: children stacked along one axis,
// fixed sizes first, the rest shared by the children that ask for none.
#include <windows.h>

#include <functional>
#include <vector>

namespace SkinUI {

class CControlUI;

struct StackParams {
    bool vertical = true;
    RECT client = {0, 0, 0, 0};
    // Scroll position (x, y) the stack is shifted back by.
    SIZE scroll = {0, 0};
    // Extra room across the axis (the other axis' scroll range when its bar is shown).
    int extraCross = 0;
    int childPadding = 0;
};

// Places every visible child: floating ones through placeFloat(index), the others stacked.
// Returns the extent the stacked children need along the axis, gaps included.
int StackChildren(const std::vector<CControlUI*>& items, const StackParams& params,
                  const std::function<void(int)>& placeFloat);

}  // namespace SkinUI
