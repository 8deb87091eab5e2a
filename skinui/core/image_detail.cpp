#include "skinui/core/image_detail.h"

#include <climits>
#include <cstdlib>

#include <stb/stb_image.h>

#include "skinui/core/image_resample.h"

namespace SkinUI {

namespace {

// Whether `large` is `small` scaled by one factor on both axes, each length rounded either way.
bool SameProportions(int smallWidth, int smallHeight, int largeWidth, int largeHeight) {
    const long long crossWidth = static_cast<long long>(largeWidth) * smallHeight;
    const long long crossHeight = static_cast<long long>(largeHeight) * smallWidth;
    return std::llabs(crossWidth - crossHeight) <= static_cast<long long>(smallWidth) + smallHeight;
}

}  // namespace

DetailLayer DecodeDetailLayerBytes(const unsigned char* bytes, std::size_t size) {
    DetailLayer layer;
    if (bytes == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        return layer;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    layer.rgba = {
        stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4),
        &stbi_image_free};
    if (!layer.rgba || width <= 0 || height <= 0) {
        layer.rgba.reset();
        return layer;
    }
    layer.width = width;
    layer.height = height;
    return layer;
}

DetailLayer DecodeDetailLayer(const wchar_t* name, const wchar_t* type) {
    const unsigned char* bytes = nullptr;
    DWORD size = 0;
    if (!FindSkinResource(name, type, &bytes, &size)) {
        return DetailLayer{};
    }
    return DecodeDetailLayerBytes(bytes, size);
}

bool LayDetailLayer(SkinImage& target, const DetailLayer& layer, DWORD mask) {
    DWORD* out = SkinImagePixels(target);
    const unsigned char* in = layer.rgba.get();
    if (in == nullptr || out == nullptr || target.width != layer.width ||
        target.height != layer.height) {
        return false;
    }
    bool hasAlpha = false;
    const size_t count = static_cast<size_t>(layer.width) * layer.height;
    for (size_t i = 0; i < count; ++i, in += 4) {
        const DWORD alpha = in[3];
        if (alpha != 0) {
            // Premultiplied as a decoded image is, then "over" what is below.
            DWORD top = PremultiplyPixel(in);
            if (top == mask) {
                top = 0;
            }
            if (alpha == 255 && top != 0) {
                out[i] = top;
            } else if (top != 0) {
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
        }
        hasAlpha = hasAlpha || (out[i] >> 24) != 255;
    }
    target.hasAlpha = hasAlpha;
    return true;
}

std::unique_ptr<SkinImage> ComposeDetailLayer(const SkinImage& base, const DetailLayer& layer,
                                              DWORD mask) {
    if (base.width <= 0 || base.height <= 0 || !layer.rgba || layer.width < base.width ||
        layer.height < base.height ||
        !SameProportions(base.width, base.height, layer.width, layer.height)) {
        return nullptr;
    }
    std::unique_ptr<SkinImage> result = ResampleSkinImage(base, layer.width, layer.height);
    if (!result || !LayDetailLayer(*result, layer, mask)) {
        return nullptr;
    }
    return result;
}

}  // namespace SkinUI
