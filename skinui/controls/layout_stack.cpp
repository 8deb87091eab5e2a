#include "skinui/controls/layout_stack.h"

#include <algorithm>

#include "skinui/controls/attribute_values.h"
#include "skinui/controls/control.h"

namespace SkinUI {

namespace {

// One axis of a child's limits and paddings, so that one algorithm serves both layouts.
struct AxisView {
    bool vertical;
    long long Main(SIZE s) const { return vertical ? s.cy : s.cx; }
    long long Cross(SIZE s) const { return vertical ? s.cx : s.cy; }
    long long MinMain(const CControlUI* c) const {
        return vertical ? c->GetMinHeight() : c->GetMinWidth();
    }
    long long MaxMain(const CControlUI* c) const {
        return vertical ? c->GetMaxHeight() : c->GetMaxWidth();
    }
    long long MinCross(const CControlUI* c) const {
        return vertical ? c->GetMinWidth() : c->GetMinHeight();
    }
    long long MaxCross(const CControlUI* c) const {
        return vertical ? c->GetMaxWidth() : c->GetMaxHeight();
    }
    long long FixedCross(const CControlUI* c) const {
        return vertical ? c->GetFixedWidth() : c->GetFixedHeight();
    }
    // Leading and trailing padding along the axis and across it.
    long long Lead(const RECT& p) const { return vertical ? p.top : p.left; }
    long long Trail(const RECT& p) const { return vertical ? p.bottom : p.right; }
    long long CrossLead(const RECT& p) const { return vertical ? p.left : p.top; }
    long long CrossTrail(const RECT& p) const { return vertical ? p.right : p.bottom; }
    SIZE Make(long long main, long long cross) const {
        const LONG m = ClampCoord(main);
        const LONG c = ClampCoord(cross);
        return vertical ? SIZE{c, m} : SIZE{m, c};
    }
};

long long Clamp(long long value, long long low, long long high) {
    if (value < low) {
        value = low;
    }
    if (value > high) {
        value = high;
    }
    return value;
}

bool IsStacked(const CControlUI* child) {
    return child->IsVisible() && !child->IsFloat();
}

}  // namespace

int StackChildren(const std::vector<CControlUI*>& items, const StackParams& params,
                  const std::function<void(int)>& placeFloat) {
    const AxisView axis{params.vertical};
    const RECT& c = params.client;
    const long long mainSize = params.vertical ? c.bottom - c.top : c.right - c.left;
    const long long crossSize =
        (params.vertical ? c.right - c.left : c.bottom - c.top) + params.extraCross;
    const long long gap = params.childPadding;

    // First pass: fixed sizes and the number of children that stretch.
    int stretchCount = 0;
    int laidOut = 0;
    long long fixedSum = 0;
    for (CControlUI* child : items) {
        if (!IsStacked(child)) {
            continue;
        }
        long long size = axis.Main(child->MeasureSize(axis.Make(mainSize, crossSize)));
        if (size == 0) {
            ++stretchCount;
        } else {
            size = Clamp(size, axis.MinMain(child), axis.MaxMain(child));
        }
        const RECT pad = child->GetPadding();
        fixedSum += axis.Lead(pad) + axis.Trail(pad) + size;
        ++laidOut;
    }
    // What the children not yet placed still need: their fixed sizes, paddings and the gaps.
    long long fixedLeft = fixedSum + gap * std::max(0, laidOut - 1);
    const long long share =
        stretchCount > 0 ? std::max<long long>(0, (mainSize - fixedLeft) / stretchCount) : 0;

    // Second pass: place them.
    long long cursor = params.vertical ? c.top - params.scroll.cy : c.left - params.scroll.cx;
    const long long crossStart = params.vertical ? c.left - params.scroll.cx : c.top;
    long long remaining = mainSize;
    long long needed = 0;
    int stretchSeen = 0;
    int placed = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        CControlUI* child = items[i];
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloat()) {
            placeFloat(static_cast<int>(i));
            continue;
        }
        ++placed;
        const RECT pad = child->GetPadding();
        const long long lead = axis.Lead(pad);
        const long long trail = axis.Trail(pad);
        fixedLeft -= lead + trail;
        if (placed < laidOut) {
            fixedLeft -= gap;
        }
        remaining -= lead;
        long long size = axis.Main(child->MeasureSize(axis.Make(remaining, crossSize)));
        if (size != 0) {
            size = Clamp(size, axis.MinMain(child), axis.MaxMain(child));
            fixedLeft -= size;
        } else {
            ++stretchSeen;
            size = stretchSeen == stretchCount
                       ? std::max<long long>(0, remaining - trail - fixedLeft)
                       : share;
        }
        size = Clamp(size, axis.MinMain(child), axis.MaxMain(child));

        long long cross = axis.FixedCross(child);
        if (cross == 0) {
            cross = std::max<long long>(0, crossSize - axis.CrossLead(pad) - axis.CrossTrail(pad));
        }
        cross = Clamp(cross, axis.MinCross(child), axis.MaxCross(child));

        const long long mainStart = cursor + lead;
        const long long crossFrom = crossStart + axis.CrossLead(pad);
        // The trailing padding along the axis lies inside the child's rectangle.
        if (params.vertical) {
            child->SetPos(RECT{ClampCoord(crossFrom), ClampCoord(mainStart),
                               ClampCoord(crossFrom + cross),
                               ClampCoord(mainStart + size + trail)});
        } else {
            child->SetPos(RECT{ClampCoord(mainStart), ClampCoord(crossFrom),
                               ClampCoord(mainStart + size + trail),
                               ClampCoord(crossFrom + cross)});
        }
        cursor += lead + size + trail + gap;
        needed += lead + size + trail;
        remaining -= size + trail + gap;
    }
    return ClampCoord(needed + gap * std::max(0, laidOut - 1));
}

}  // namespace SkinUI
