#include "skinui/core/window_metrics.h"

namespace SkinUI {

int CWindowMetrics::ScaleLength(int length100) const {
    return ScaleByDpi(length100, dpi_);
}

RECT CWindowMetrics::ScaleRect(const RECT& rect100) const {
    return ScaleRectByDpi(rect100, dpi_);
}

SIZE CWindowMetrics::ScaleSize(const SIZE& size100) const {
    return {ScaleLength(size100.cx), ScaleLength(size100.cy)};
}

}  // namespace SkinUI
