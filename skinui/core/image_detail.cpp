#include "skinui/core/image_detail.h"

#include <cstdlib>

#include "skinui/core/image_resample.h"

namespace SkinUI {

namespace {

// Whether `large` is `small` scaled by one factor on both axes, each length rounded either way.
bool SameProportions(const SkinImage& small, const SkinImage& large) {
    const long long crossWidth = static_cast<long long>(large.width) * small.height;
    const long long crossHeight = static_cast<long long>(large.height) * small.width;
    return std::llabs(crossWidth - crossHeight) <=
           static_cast<long long>(small.width) + small.height;
}

}  // namespace

std::unique_ptr<SkinImage> ComposeDetailLayer(const SkinImage& base, const SkinImage& detail) {
    if (base.width <= 0 || base.height <= 0 || detail.width < base.width ||
        detail.height < base.height || !SameProportions(base, detail)) {
        return nullptr;
    }
    std::unique_ptr<SkinImage> result = ResampleSkinImage(base, detail.width, detail.height);
    if (!result || !LayDetailLayer(*result, detail)) {
        return nullptr;
    }
    return result;
}

bool LayDetailLayer(SkinImage& target, const SkinImage& detail) {
    const DWORD* layer = SkinImagePixels(detail);
    DWORD* out = SkinImagePixels(target);
    if (layer == nullptr || out == nullptr || target.width != detail.width ||
        target.height != detail.height) {
        return false;
    }
    bool hasAlpha = false;
    const size_t count = static_cast<size_t>(detail.width) * detail.height;
    for (size_t i = 0; i < count; ++i) {
        const DWORD top = layer[i];
        const DWORD alpha = top >> 24;
        if (alpha == 255) {
            out[i] = top;
        } else if (alpha != 0 || top != 0) {
            // Premultiplied: every channel is the layer's plus what shows through of the base.
            const DWORD below = out[i];
            const DWORD through = 255 - alpha;
            DWORD blended = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const DWORD channel =
                    ((top >> shift) & 0xFF) + (((below >> shift) & 0xFF) * through + 127) / 255;
                blended |= (channel > 255 ? 255 : channel) << shift;
            }
            out[i] = blended;
        }
        hasAlpha = hasAlpha || (out[i] >> 24) != 255;
    }
    target.hasAlpha = hasAlpha;
    return true;
}

}  // namespace SkinUI
