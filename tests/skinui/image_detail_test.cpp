// Detail layers over a 100 % image brought to a larger scale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "skinui/core/image_detail.h"
#include "skinui/core/image_resample.h"

using SkinUI::ComposeDetailLayer;
using SkinUI::DetailLayer;
using SkinUI::SkinImage;

namespace {

std::unique_ptr<SkinImage> Filled(int width, int height, DWORD pixel) {
    DWORD* pixels = nullptr;
    auto image = SkinUI::CreateSkinImage(width, height, &pixels);
    if (image) {
        std::fill(pixels, pixels + static_cast<size_t>(width) * height, pixel);
        image->hasAlpha = (pixel >> 24) != 255;
    }
    return image;
}

// A layer of straight RGBA bytes, all transparent black.
DetailLayer Clear(int width, int height) {
    DetailLayer layer;
    layer.width = width;
    layer.height = height;
    const size_t size = static_cast<size_t>(width) * height * 4;
    layer.rgba = {static_cast<unsigned char*>(std::calloc(size > 0 ? size : 1, 1)), &std::free};
    return layer;
}

void Put(DetailLayer& layer, int index, unsigned char r, unsigned char g, unsigned char b,
         unsigned char a) {
    unsigned char* p = layer.rgba.get() + index * 4;
    p[0] = r, p[1] = g, p[2] = b, p[3] = a;
}

std::vector<DWORD> PixelsOf(const SkinImage& image) {
    const DWORD* p = SkinUI::SkinImagePixels(image);
    return std::vector<DWORD>(p, p + static_cast<size_t>(image.width) * image.height);
}

}  // namespace

TEST(DetailLayer, TransparentPixelsShowTheBaseAsResizedAndOthersLieOverIt) {
    // A base with an edge, so that the resize has something to interpolate.
    auto base = Filled(5, 3, 0xFF204080);
    SkinUI::SkinImagePixels(*base)[7] = 0xFFFFFFFF;
    DetailLayer layer = Clear(10, 6);
    Put(layer, 0, 0x11, 0x22, 0x33, 0xFF);  // opaque: replaces
    Put(layer, 1, 0x80, 0x00, 0x00, 0x80);  // half covering: premultiplied, then blended
    Put(layer, 2, 0xFF, 0xFF, 0xFF, 0x00);  // no cover, whatever its colour: the base shows
    Put(layer, 3, 0x01, 0x02, 0x03, 0xFF);  // the mask colour: counts as transparent
    auto composed = ComposeDetailLayer(*base, layer, 0xFF010203);
    ASSERT_TRUE(composed);
    EXPECT_EQ(10, composed->width);
    EXPECT_EQ(6, composed->height);
    EXPECT_FALSE(composed->hasAlpha);

    auto resized = SkinUI::ResampleSkinImage(*base, 10, 6);
    ASSERT_TRUE(resized);
    std::vector<DWORD> expected = PixelsOf(*resized);
    const DWORD under = expected[1];
    expected[0] = 0xFF112233;
    // 0x80 red at alpha 0x80 premultiplies to 0x40, rounding down as the decoder does.
    auto blend = [&](int shift, DWORD layerChannel) {
        return layerChannel + (((under >> shift) & 0xFF) * 127 + 127) / 255;
    };
    expected[1] =
        (blend(24, 0x80) << 24) | (blend(16, 0x40) << 16) | (blend(8, 0) << 8) | blend(0, 0);
    EXPECT_EQ(expected, PixelsOf(*composed));
    EXPECT_EQ(0xFFu, expected[1] >> 24);  // opaque under half cover stays opaque
}

TEST(DetailLayer, TranslucentBasesStayTranslucentAndBadPairsAreRefused) {
    auto clear = Filled(4, 4, 0);
    auto composed = ComposeDetailLayer(*clear, Clear(8, 8), 0);
    ASSERT_TRUE(composed);
    EXPECT_TRUE(composed->hasAlpha);
    EXPECT_EQ(std::vector<DWORD>(64, 0), PixelsOf(*composed));

    // One pixel grows to any size; lengths rounded either way still fit (587 x 431 at 150 %).
    EXPECT_TRUE(ComposeDetailLayer(*Filled(1, 1, 0xFF000000), Clear(3, 3), 0));
    EXPECT_TRUE(ComposeDetailLayer(*Filled(587, 431, 0xFF000000), Clear(881, 646), 0));
    // Other proportions, a smaller layer, and images without pixels are not composed.
    EXPECT_FALSE(ComposeDetailLayer(*Filled(4, 4, 0xFF000000), Clear(8, 12), 0));
    EXPECT_FALSE(ComposeDetailLayer(*Filled(4, 4, 0xFF000000), Clear(2, 2), 0));
    EXPECT_FALSE(ComposeDetailLayer(SkinImage{}, Clear(2, 2), 0));
    EXPECT_FALSE(ComposeDetailLayer(*Filled(1, 1, 0xFF000000), DetailLayer{}, 0));
    // Laying needs the very size.
    auto target = Filled(4, 4, 0xFF000000);
    EXPECT_FALSE(SkinUI::LayDetailLayer(*target, Clear(4, 5), 0));
    EXPECT_TRUE(SkinUI::LayDetailLayer(*target, Clear(4, 4), 0));

    // Broken or missing bytes decode to no layer.
    const unsigned char junk[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
    EXPECT_FALSE(SkinUI::DecodeDetailLayerBytes(junk, sizeof junk).rgba);
    EXPECT_FALSE(SkinUI::DecodeDetailLayerBytes(nullptr, 0).rgba);
    EXPECT_FALSE(SkinUI::DecodeDetailLayer(MAKEINTRESOURCEW(1), L"NOSUCHTYPE").rgba);
}
