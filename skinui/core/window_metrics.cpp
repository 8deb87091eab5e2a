#include "skinui/core/window_metrics.h"

namespace SkinUI {

int CWindowMetrics::ScaleLength(int length100) const {
    return ScaleByDpi(length100, dpi_);
}

// Edge by edge, as ScaleRectByDpi.
RECT CWindowMetrics::ScaleRect(const RECT& rect100) const {
    return RECT{ScaleLength(rect100.left), ScaleLength(rect100.top), ScaleLength(rect100.right),
                ScaleLength(rect100.bottom)};
}

SIZE CWindowMetrics::ScaleSize(const SIZE& size100) const {
    return {ScaleLength(size100.cx), ScaleLength(size100.cy)};
}

}  // namespace SkinUI
