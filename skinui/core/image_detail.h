#pragma once
// Detail layers: a set of images for a larger scale may hold, instead of a whole picture, only
// what differs from the 100 % picture brought to that scale (text and edges), transparent
// elsewhere. Large smooth pictures (window backgrounds) then cost a fraction of a whole set.
#include <memory>

#include "skinui/core/skin_image.h"

namespace SkinUI {

// The base resized to the detail layer's size with the layer laid over it (premultiplied
// "over"). Null when either image has no pixels, the layer is not larger than the base, or its
// proportions are not the base's (within a pixel), or memory runs out.
std::unique_ptr<SkinImage> ComposeDetailLayer(const SkinImage& base, const SkinImage& detail);

// Lays the layer over an image of its size, already brought to it; false (nothing changed) when
// the sizes differ or either has no pixels.
bool LayDetailLayer(SkinImage& target, const SkinImage& detail);

}  // namespace SkinUI
