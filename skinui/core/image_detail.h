#pragma once
// Detail layers: a set of images for a larger scale may hold, instead of a whole picture, only
// what differs from the 100 % picture brought to that scale (text and edges), transparent
// elsewhere. Large smooth pictures (window backgrounds) then cost a fraction of a whole set.
#include <windows.h>

#include <cstddef>
#include <memory>

#include "skinui/core/skin_image.h"

namespace SkinUI {

// A decoded layer as its PNG holds it: width x height straight (not premultiplied) RGBA bytes.
// It is laid over its base as it is, without a bitmap of its own: at start-up it is the
// largest image a 200 % window decodes.
struct DetailLayer {
    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> rgba{nullptr, nullptr};
};

// The layer resource `name` of `type` (or PNG bytes); no pixels when missing or broken.
DetailLayer DecodeDetailLayer(const wchar_t* name, const wchar_t* type);
DetailLayer DecodeDetailLayerBytes(const unsigned char* bytes, std::size_t size);

// Lays the layer over an image of its size, already brought to it (premultiplied "over"; a
// layer pixel equal to `mask` once premultiplied counts as transparent, as when decoding an
// image). False, with nothing changed, when the sizes differ or either has no pixels.
bool LayDetailLayer(SkinImage& target, const DetailLayer& layer, DWORD mask);

// The base resized to the layer's size with the layer laid over it. Null when either has no
// pixels, the layer is not larger than the base, or its proportions are not the base's (within
// a pixel), or memory runs out.
std::unique_ptr<SkinImage> ComposeDetailLayer(const SkinImage& base, const DetailLayer& layer,
                                              DWORD mask);

}  // namespace SkinUI
