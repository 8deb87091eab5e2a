#include "skinui/core/reading_order.h"

#include <algorithm>
#include <cstddef>

#include "skinui/core/control_interface.h"

namespace SkinUI {

void SortInReadingOrder(std::vector<IControlUI*>& controls) {
    std::stable_sort(controls.begin(), controls.end(), [](IControlUI* a, IControlUI* b) {
        return a->GetPos().top < b->GetPos().top;
    });
    std::size_t lineStart = 0;
    while (lineStart < controls.size()) {
        const RECT anchor = controls[lineStart]->GetPos();
        const LONG anchorMiddle = (anchor.top + anchor.bottom) / 2;
        std::size_t lineEnd = lineStart + 1;
        while (lineEnd < controls.size()) {
            const RECT r = controls[lineEnd]->GetPos();
            const LONG middle = (r.top + r.bottom) / 2;
            const bool inLine = (middle >= anchor.top && middle < anchor.bottom) ||
                                (anchorMiddle >= r.top && anchorMiddle < r.bottom);
            if (!inLine) {
                break;
            }
            ++lineEnd;
        }
        std::stable_sort(
            controls.begin() + static_cast<std::ptrdiff_t>(lineStart),
            controls.begin() + static_cast<std::ptrdiff_t>(lineEnd),
            [](IControlUI* a, IControlUI* b) { return a->GetPos().left < b->GetPos().left; });
        lineStart = lineEnd;
    }
}

}  // namespace SkinUI
