#pragma once
// High-quality resizing of a decoded skin image (premultiplied BGRA): each output pixel is the
// average of the source pixels under it, weighted by a tent of the wider of one source and one
// output pixel, so that down-scaling averages areas and up-scaling interpolates linearly.
#include <memory>

#include "skinui/core/skin_image.h"

namespace SkinUI {

// A new image of width x height, or null when either is not positive or memory runs out.
std::unique_ptr<SkinImage> ResampleSkinImage(const SkinImage& source, int width, int height);

}  // namespace SkinUI
