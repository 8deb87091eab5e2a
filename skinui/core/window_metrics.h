#pragma once
// A window's display scale and the lengths of its frame that a layout gives at 100 % (96 dots
// per inch): they are kept in those units and read in pixels of the current scale, so a scale
// change never rounds a setting twice.
#include <windows.h>

#include "skinui/core/dpi_scale.h"

namespace SkinUI {

class CWindowMetrics {
public:
    // Scales a window may take; anything else is ignored.
    static constexpr int kMinDpi = 48;
    static constexpr int kMaxDpi = 960;

    int Dpi() const { return dpi_; }
    // True when the scale changed (a scale outside the range, or the current one, changes
    // nothing).
    bool SetDpi(int dpi) {
        if (dpi < kMinDpi || dpi > kMaxDpi || dpi == dpi_) {
            return false;
        }
        dpi_ = dpi;
        return true;
    }

    // A length at 100 % in pixels of this scale, rounded half away from zero (ScaleByDpi).
    // Not inline: the one copy of the arithmetic serves every control.
    int ScaleLength(int length100) const;
    RECT ScaleRect(const RECT& rect100) const;
    SIZE ScaleSize(const SIZE& size100) const;

    SIZE InitSize() const { return ScaleSize(initSize_); }
    void SetInitSize(int cx, int cy) { initSize_ = {cx, cy}; }
    RECT SizeBox() const { return ScaleRect(sizeBox_); }
    void SetSizeBox(const RECT& box) { sizeBox_ = box; }
    RECT Caption() const { return ScaleRect(caption_); }
    void SetCaption(const RECT& caption) { caption_ = caption; }
    SIZE RoundCorner() const { return ScaleSize(roundCorner_); }
    void SetRoundCorner(int cx, int cy) { roundCorner_ = {cx, cy}; }
    SIZE MinInfo() const { return ScaleSize(minInfo_); }
    void SetMinInfo(int cx, int cy) { minInfo_ = {cx, cy}; }
    SIZE MaxInfo() const { return ScaleSize(maxInfo_); }
    void SetMaxInfo(int cx, int cy) { maxInfo_ = {cx, cy}; }

private:
    int dpi_ = kDefaultDpi;
    SIZE initSize_ = {0, 0};
    RECT sizeBox_ = {0, 0, 0, 0};
    RECT caption_ = {0, 0, 0, 0};
    SIZE roundCorner_ = {0, 0};
    SIZE minInfo_ = {0, 0};
    SIZE maxInfo_ = {0, 0};
};

}  // namespace SkinUI
