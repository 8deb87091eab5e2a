#pragma once
// The separator strip of a vertical or horizontal layout: a few pixels on one edge that resize
// the layout when dragged, at once or through a tracker painted after the tree.
#include <windows.h>

#include "skinui/core/ui_events.h"

namespace SkinUI {

class CControlUI;

class CLayoutSeparator {
public:
    // vertical: the strip resizes the owner's height (a vertical layout), else its width.
    CLayoutSeparator(CControlUI& owner, bool vertical) : owner_(owner), vertical_(vertical) {}

    // > 0: strip on the bottom (right) edge, < 0: on the top (left) edge, 0: none.
    void SetSize(int size) { size_ = size; }
    int GetSize() const { return size_; }
    void SetImmediate(bool immediate) { immediate_ = immediate; }
    bool IsImmediate() const { return immediate_; }
    bool IsDragging() const { return dragging_; }

    // The strip in window coordinates; empty without a separator.
    RECT StripRect() const;
    // UIFLAG_SETCURSOR while the layout has an enabled separator.
    unsigned InputFlags() const;
    // Takes the events the strip handles; false leaves the event to the layout.
    bool HandleEvent(ControlEvent& event);
    // The tracker of a deferred drag.
    void PaintTracker(HDC dc) const;
    // The owner leaves: stop painting after the tree.
    void Detach();

private:
    void Track(POINT point);
    void Apply();

    CControlUI& owner_;
    bool vertical_;
    int size_ = 0;
    bool immediate_ = false;
    bool dragging_ = false;
    POINT lastMouse_ = {0, 0};
    RECT dragRect_ = {0, 0, 0, 0};
};

}  // namespace SkinUI
