#pragma once
// High-quality resizing of a decoded skin image (premultiplied BGRA): each output pixel is the
// average of the source pixels under it, weighted by a tent of the wider of one source and one
// output pixel, so that down-scaling averages areas and up-scaling interpolates linearly.
#include <memory>

#include "skinui/core/skin_image.h"

namespace SkinUI {

// A new image of width x height, or null when either is not positive or memory runs out.
// Doubling both sides (a 100 % image shown at 200 %) takes a shorter path with the same pixels.
std::unique_ptr<SkinImage> ResampleSkinImage(const SkinImage& source, int width, int height);

// The same filter through its general passes only, whatever the sizes: the reference the
// shorter paths are held to, and the baseline of the resampling benchmark.
std::unique_ptr<SkinImage> ResampleSkinImageGeneral(const SkinImage& source, int width, int height);

}  // namespace SkinUI
