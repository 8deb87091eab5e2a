#include "skinui/core/image_resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
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

// The general passes: rows first (source height x target width, four channels in 8.7 fixed
// point, so that the column pass sums in 32 bits), then columns. The pixels are premultiplied,
// so averaging them never bleeds the colour of transparent pixels.
void ResampleGeneral(const DWORD* in, int sourceWidth, int sourceHeight, DWORD* result, int width,
                     int height) {
    const std::vector<Taps> across = MakeTaps(sourceWidth, width);
    const std::vector<Taps> down = MakeTaps(sourceHeight, height);
    constexpr int kRowShift = kShift - 7;
    constexpr uint32_t kRowHalf = 1u << (kRowShift - 1);
    std::vector<uint16_t> rows(static_cast<size_t>(width) * sourceHeight * 4);
    for (int y = 0; y < sourceHeight; ++y) {
        const DWORD* line = in + static_cast<size_t>(y) * sourceWidth;
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
}

// Two channels of a pixel, each in a 16-bit half of a word: blue and red, green and alpha.
inline uint32_t BlueRed(DWORD pixel) {
    return pixel & 0x00FF00FFu;
}
inline uint32_t GreenAlpha(DWORD pixel) {
    return (pixel >> 8) & 0x00FF00FFu;
}

// One source row at twice its width, as sums of weights 3 and 1 (4 and 0 at both ends) of
// the two nearest source pixels, two channels per word (at most 4 x 255 per channel): for each
// output pixel its blue and red word, then its green and alpha word.
void WidenRow(const DWORD* line, int width, uint32_t* wide) {
    uint32_t leftBR = BlueRed(line[0]);
    uint32_t leftGA = GreenAlpha(line[0]);
    wide[0] = leftBR * 4;
    wide[1] = leftGA * 4;
    for (int x = 1; x < width; ++x) {
        const uint32_t rightBR = BlueRed(line[x]);
        const uint32_t rightGA = GreenAlpha(line[x]);
        uint32_t* out = wide + 4 * x - 2;
        out[0] = leftBR * 3 + rightBR;
        out[1] = leftGA * 3 + rightGA;
        out[2] = leftBR + rightBR * 3;
        out[3] = leftGA + rightGA * 3;
        leftBR = rightBR;
        leftGA = rightGA;
    }
    wide[4 * width - 2] = leftBR * 4;
    wide[4 * width - 1] = leftGA * 4;
}

// No colour channel above alpha, as premultiplied pixels have it.
inline DWORD ClampColourToAlpha(DWORD pixel) {
    const DWORD alpha = pixel >> 24;
    const DWORD b = std::min<DWORD>(pixel & 0xFF, alpha);
    const DWORD g = std::min<DWORD>((pixel >> 8) & 0xFF, alpha);
    const DWORD r = std::min<DWORD>((pixel >> 16) & 0xFF, alpha);
    return (alpha << 24) | (r << 16) | (g << 8) | b;
}

bool AllPremultiplied(const DWORD* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const DWORD pixel = pixels[i];
        const DWORD alpha = pixel >> 24;
        if (alpha != 255 && ((pixel & 0xFF) > alpha || ((pixel >> 8) & 0xFF) > alpha ||
                             ((pixel >> 16) & 0xFF) > alpha)) {
            return false;
        }
    }
    return true;
}

// Two output rows from two widened source rows: 3 x upper + 1 x lower, and 1 x upper + 3 x
// lower (each channel then holds a sum of weights 9, 3, 3, 1), divided by 16 and rounded.
// Averages of premultiplied pixels are premultiplied: only other sources need the clamp.
template <bool kClamp>
void BlendRowPair(const uint32_t* upper, const uint32_t* lower, int width, DWORD* first,
                  DWORD* second) {
    constexpr uint32_t kHalf = 0x00080008u;  // 8 in both halves: rounds the division by 16
    // Each half divided by 16 and kept to its low byte: blue and red shifted down into bytes 0
    // and 2, green and alpha shifted up into bytes 1 and 3.
    constexpr uint32_t kLow = 0x00FF00FFu;
    constexpr uint32_t kHigh = 0xFF00FF00u;
    for (int x = 0; x < width; ++x) {
        const uint32_t upperBR = upper[2 * x];
        const uint32_t upperGA = upper[2 * x + 1];
        const uint32_t lowerBR = lower[2 * x];
        const uint32_t lowerGA = lower[2 * x + 1];
        const uint32_t sumBR = upperBR + lowerBR + kHalf;
        const uint32_t sumGA = upperGA + lowerGA + kHalf;
        DWORD top = (((sumBR + 2 * upperBR) >> 4) & kLow) | (((sumGA + 2 * upperGA) << 4) & kHigh);
        DWORD bottom =
            (((sumBR + 2 * lowerBR) >> 4) & kLow) | (((sumGA + 2 * lowerGA) << 4) & kHigh);
        if (kClamp) {
            top = ClampColourToAlpha(top);
            bottom = ClampColourToAlpha(bottom);
        }
        first[x] = top;
        second[x] = bottom;
    }
}

// Exactly twice the size on both axes. The general passes' weights are then 3/4 and 1/4 of the
// two nearest source pixels on each axis (the whole edge pixel for the outermost output rows
// and columns), and their fixed-point steps are exact until the last rounding: every output
// channel is (9a + 3b + 3c + d + 8) / 16 of its four nearest source pixels. Computed here two
// channels to a 32-bit word, two output rows at a time, with no per-pixel tap lists: the same
// pixels in a fraction of the time.
template <bool kClamp>
void DoubleSize(const DWORD* in, int sourceWidth, int sourceHeight, DWORD* result) {
    const int width = sourceWidth * 2;
    const size_t wide = static_cast<size_t>(width);
    std::vector<uint32_t> upper(2 * wide);
    std::vector<uint32_t> lower(2 * wide);
    WidenRow(in, sourceWidth, upper.data());
    // The outermost rows take the edge rows whole (weights 3 + 1 of the same row).
    BlendRowPair<kClamp>(upper.data(), upper.data(), width, result, result);
    for (int y = 1; y < sourceHeight; ++y) {
        WidenRow(in + static_cast<size_t>(y) * sourceWidth, sourceWidth, lower.data());
        DWORD* first = result + (2 * static_cast<size_t>(y) - 1) * wide;
        BlendRowPair<kClamp>(upper.data(), lower.data(), width, first, first + wide);
        upper.swap(lower);
    }
    DWORD* last = result + (2 * static_cast<size_t>(sourceHeight) - 1) * wide;
    BlendRowPair<kClamp>(upper.data(), upper.data(), width, last, last);
}

void DoubleSize(const DWORD* in, int sourceWidth, int sourceHeight, DWORD* result) {
    if (AllPremultiplied(in, static_cast<size_t>(sourceWidth) * sourceHeight)) {
        DoubleSize<false>(in, sourceWidth, sourceHeight, result);
    } else {
        DoubleSize<true>(in, sourceWidth, sourceHeight, result);
    }
}

// An empty image of width x height carrying the source's attributes, and its pixels.
std::unique_ptr<SkinImage> MakeTarget(const SkinImage& source, int width, int height,
                                      DWORD** pixels) {
    auto image = CreateSkinImage(width, height, pixels);
    if (image) {
        image->hasAlpha = source.hasAlpha;
        image->resourceType = source.resourceType;
        image->maskColor = source.maskColor;
    }
    return image;
}

bool SizesValid(const SkinImage& source, int width, int height) {
    return width > 0 && height > 0 && source.width > 0 && source.height > 0;
}

// The resized image, through the 2x path where it applies and `allowDouble` is set.
std::unique_ptr<SkinImage> Resample(const SkinImage& source, int width, int height,
                                    bool allowDouble) {
    const DWORD* in = SkinImagePixels(source);
    if (in == nullptr || !SizesValid(source, width, height)) {
        return nullptr;
    }
    DWORD* result = nullptr;
    auto image = MakeTarget(source, width, height, &result);
    if (!image) {
        return nullptr;
    }
    if (allowDouble && width == 2LL * source.width && height == 2LL * source.height) {
        DoubleSize(in, source.width, source.height, result);
    } else {
        ResampleGeneral(in, source.width, source.height, result, width, height);
    }
    return image;
}

}  // namespace

std::unique_ptr<SkinImage> ResampleSkinImage(const SkinImage& source, int width, int height) {
    return Resample(source, width, height, true);
}

std::unique_ptr<SkinImage> ResampleSkinImageGeneral(const SkinImage& source, int width,
                                                    int height) {
    return Resample(source, width, height, false);
}

}  // namespace SkinUI
