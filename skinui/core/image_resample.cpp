#include "skinui/core/image_resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace SkinUI {

namespace {

// Weights are integers that sum to kOne per output pixel (fixed point, 14 bits).
constexpr int kShift = 14;
constexpr int kOne = 1 << kShift;

// Weights of one output pixel along one axis: the first source index and a weight for each
// source pixel from there on (none of them zero).
struct Taps {
    int first = 0;
    std::vector<int> weights;
};

std::vector<Taps> MakeTaps(int sourceLength, int targetLength) {
    std::vector<Taps> all(static_cast<size_t>(targetLength));
    const double ratio = static_cast<double>(sourceLength) / targetLength;
    const double support = std::max(1.0, ratio);  // tent half-width in source pixels
    std::vector<double> raw;
    for (int i = 0; i < targetLength; ++i) {
        const double centre = (i + 0.5) * ratio;
        const int first = std::max(0, static_cast<int>(std::floor(centre - support)));
        const int last = std::min(sourceLength - 1, static_cast<int>(std::ceil(centre + support)));
        raw.clear();
        double sum = 0;
        int begin = -1;
        for (int src = first; src <= last; ++src) {
            const double w = std::max(0.0, 1.0 - std::fabs(src + 0.5 - centre) / support);
            if (w <= 0 && begin < 0) {
                continue;  // leading zero weights
            }
            if (begin < 0) {
                begin = src;
            }
            raw.push_back(w);
            sum += w;
        }
        while (!raw.empty() && raw.back() <= 0) {
            raw.pop_back();
        }
        Taps& taps = all[static_cast<size_t>(i)];
        if (raw.empty() || sum <= 0) {
            // Never happens for lengths of at least 1; keep the nearest pixel regardless.
            taps.first = std::min(sourceLength - 1, static_cast<int>(centre));
            taps.weights.assign(1, kOne);
            continue;
        }
        taps.first = begin;
        int given = 0;
        for (double w : raw) {
            const int weight = static_cast<int>(std::lround(w / sum * kOne));
            taps.weights.push_back(weight);
            given += weight;
        }
        // Rounding must not brighten or darken: the largest weight takes the difference.
        *std::max_element(taps.weights.begin(), taps.weights.end()) += kOne - given;
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

    // Rows first (source height x target width, four channels in 8.7 fixed point, so that the
    // column pass sums in 32 bits), then columns. The pixels are premultiplied, so averaging
    // them never bleeds the colour of transparent pixels.
    const std::vector<Taps> across = MakeTaps(source.width, width);
    const std::vector<Taps> down = MakeTaps(source.height, height);
    constexpr int kRowShift = kShift - 7;
    constexpr uint32_t kRowHalf = 1u << (kRowShift - 1);
    std::vector<uint16_t> rows(static_cast<size_t>(width) * source.height * 4);
    for (int y = 0; y < source.height; ++y) {
        const DWORD* line = in + static_cast<size_t>(y) * source.width;
        uint16_t* out = &rows[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x) {
            const Taps& taps = across[static_cast<size_t>(x)];
            uint32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
            const DWORD* p = line + taps.first;
            for (int w : taps.weights) {
                const DWORD px = *p++;
                c0 += w * (px & 0xFF);
                c1 += w * ((px >> 8) & 0xFF);
                c2 += w * ((px >> 16) & 0xFF);
                c3 += w * (px >> 24);
            }
            out[x * 4] = static_cast<uint16_t>((c0 + kRowHalf) >> kRowShift);
            out[x * 4 + 1] = static_cast<uint16_t>((c1 + kRowHalf) >> kRowShift);
            out[x * 4 + 2] = static_cast<uint16_t>((c2 + kRowHalf) >> kRowShift);
            out[x * 4 + 3] = static_cast<uint16_t>((c3 + kRowHalf) >> kRowShift);
        }
    }
    const size_t stride = static_cast<size_t>(width) * 4;
    std::vector<uint32_t> sums(stride);
    for (int y = 0; y < height; ++y) {
        const Taps& taps = down[static_cast<size_t>(y)];
        std::fill(sums.begin(), sums.end(), 0);
        for (size_t k = 0; k < taps.weights.size(); ++k) {
            const uint16_t* row = &rows[(static_cast<size_t>(taps.first) + k) * stride];
            const uint32_t w = static_cast<uint32_t>(taps.weights[k]);
            for (size_t i = 0; i < stride; ++i) {
                sums[i] += w * row[i];
            }
        }
        DWORD* line = result + static_cast<size_t>(y) * width;
        constexpr int kColumnShift = kShift + 7;
        constexpr uint32_t kColumnHalf = 1u << (kColumnShift - 1);
        for (int x = 0; x < width; ++x) {
            DWORD channel[4];
            for (int ch = 0; ch < 4; ++ch) {
                channel[ch] =
                    std::min<DWORD>(255, (sums[x * 4 + ch] + kColumnHalf) >> kColumnShift);
            }
            // Premultiplied: no colour channel may exceed alpha.
            for (int ch = 0; ch < 3; ++ch) {
                channel[ch] = std::min(channel[ch], channel[3]);
            }
            line[x] = (channel[3] << 24) | (channel[2] << 16) | (channel[1] << 8) | channel[0];
        }
    }
    return image;
}

}  // namespace SkinUI
