#include "skinui/core/image_resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace SkinUI {

namespace {

// Weights of one output pixel along one axis: the first source index and a weight for each
// source pixel from there on.
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Taps> MakeTaps(int sourceLength, int targetLength) {
    std::vector<Taps> all(static_cast<size_t>(targetLength));
    const double ratio = static_cast<double>(sourceLength) / targetLength;
    const double support = std::max(1.0, ratio);  // tent half-width in source pixels
    for (int i = 0; i < targetLength; ++i) {
        const double centre = (i + 0.5) * ratio;
        const int first = std::max(0, static_cast<int>(std::floor(centre - support)));
        const int last = std::min(sourceLength - 1, static_cast<int>(std::ceil(centre + support)));
        Taps& taps = all[static_cast<size_t>(i)];
        taps.first = first;
        double sum = 0;
        for (int s = first; s <= last; ++s) {
            const double w = std::max(0.0, 1.0 - std::fabs(s + 0.5 - centre) / support);
            taps.weights.push_back(static_cast<float>(w));
            sum += w;
        }
        if (sum <= 0) {
            // Never happens for lengths of at least 1; keep the nearest pixel regardless.
            taps.weights.assign(1, 1.0f);
            taps.first = std::min(sourceLength - 1, static_cast<int>(centre));
            sum = 1;
        }
        for (float& w : taps.weights) {
            w = static_cast<float>(w / sum);
        }
    }
    return all;
}

const DWORD* PixelsOf(const SkinImage& image) {
    DIBSECTION section = {};
    if (GetObjectW(image.bitmap.get(), sizeof section, &section) != sizeof section) {
        return nullptr;
    }
    return static_cast<const DWORD*>(section.dsBm.bmBits);
}

}  // namespace

std::unique_ptr<SkinImage> ResampleSkinImage(const SkinImage& source, int width, int height) {
    const DWORD* in = PixelsOf(source);
    if (in == nullptr || width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0) {
        return nullptr;
    }
    DWORD* result = nullptr;
    auto image = CreateSkinImage(width, height, &result);
    if (!image) {
        return nullptr;
    }
    image->hasAlpha = source.hasAlpha;
    image->resourceType = source.resourceType;
    image->maskColor = source.maskColor;

    // Rows first (source height x target width, four float channels), then columns. The pixels
    // are premultiplied, so averaging them never bleeds the colour of transparent pixels.
    const std::vector<Taps> across = MakeTaps(source.width, width);
    const std::vector<Taps> down = MakeTaps(source.height, height);
    std::vector<float> rows(static_cast<size_t>(width) * source.height * 4);
    for (int y = 0; y < source.height; ++y) {
        const DWORD* line = in + static_cast<size_t>(y) * source.width;
        float* out = &rows[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x) {
            const Taps& taps = across[static_cast<size_t>(x)];
            float c[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < taps.weights.size(); ++k) {
                const DWORD p = line[taps.first + static_cast<int>(k)];
                const float w = taps.weights[k];
                c[0] += w * (p & 0xFF);
                c[1] += w * ((p >> 8) & 0xFF);
                c[2] += w * ((p >> 16) & 0xFF);
                c[3] += w * (p >> 24);
            }
            std::copy(c, c + 4, out + x * 4);
        }
    }
    for (int y = 0; y < height; ++y) {
        const Taps& taps = down[static_cast<size_t>(y)];
        for (int x = 0; x < width; ++x) {
            float c[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < taps.weights.size(); ++k) {
                const float* p =
                    &rows[(static_cast<size_t>(taps.first + static_cast<int>(k)) * width + x) * 4];
                const float w = taps.weights[k];
                for (int ch = 0; ch < 4; ++ch) {
                    c[ch] += w * p[ch];
                }
            }
            DWORD channel[4];
            for (int ch = 0; ch < 4; ++ch) {
                channel[ch] = static_cast<DWORD>(std::clamp(c[ch] + 0.5f, 0.0f, 255.0f));
            }
            // Premultiplied: no colour channel may exceed alpha.
            for (int ch = 0; ch < 3; ++ch) {
                channel[ch] = std::min(channel[ch], channel[3]);
            }
            result[static_cast<size_t>(y) * width + x] =
                (channel[3] << 24) | (channel[2] << 16) | (channel[1] << 8) | channel[0];
        }
    }
    return image;
}

}  // namespace SkinUI
