// Where the keyboard focus goes next.
#include "skinui/core/focus_state.h"

#include <algorithm>
#include <cstddef>

namespace SkinUI {

IControlUI* CFocusState::NextTabStop(const std::vector<IControlUI*>& stops, IControlUI* current,
                                     bool forward) {
    if (stops.empty()) {
        return nullptr;
    }
    auto found = std::find(stops.begin(), stops.end(), current);
    std::size_t next = 0;
    if (found == stops.end()) {
        next = forward ? 0 : stops.size() - 1;
    } else {
        std::size_t index = static_cast<std::size_t>(found - stops.begin());
        next = forward ? (index + 1) % stops.size() : (index + stops.size() - 1) % stops.size();
    }
    return stops[next];
}

IControlUI* CFocusState::TakeAfterLayout(const std::vector<IControlUI*>& stops) {
    IControlUI* pending = pending_;
    Settle();
    if (pending != nullptr && std::find(stops.begin(), stops.end(), pending) != stops.end()) {
        return pending;
    }
    return nullptr;
}

}  // namespace SkinUI
