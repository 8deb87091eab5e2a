// Detail layers over a 100 % image brought to a larger scale.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skinui/core/image_detail.h"
#include "skinui/core/image_resample.h"

using SkinUI::ComposeDetailLayer;
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

std::vector<DWORD> PixelsOf(const SkinImage& image) {
    const DWORD* p = SkinUI::SkinImagePixels(image);
    return std::vector<DWORD>(p, p + static_cast<size_t>(image.width) * image.height);
}

}  // namespace

TEST(DetailLayer, TransparentPixelsShowTheBaseAsResizedAndOthersLieOverIt) {
    // A base with an edge, so that the resize has something to interpolate.
    auto base = Filled(5, 3, 0xFF204080);
    SkinUI::SkinImagePixels(*base)[7] = 0xFFFFFFFF;
    auto layer = Filled(10, 6, 0);
    DWORD* top = SkinUI::SkinImagePixels(*layer);
    top[0] = 0xFF112233;  // opaque: replaces
    top[1] = 0x80400000;  // half covering, premultiplied: blends
    auto composed = ComposeDetailLayer(*base, *layer);
    ASSERT_TRUE(composed);
    EXPECT_EQ(10, composed->width);
    EXPECT_EQ(6, composed->height);
    EXPECT_FALSE(composed->hasAlpha);

    auto resized = SkinUI::ResampleSkinImage(*base, 10, 6);
    ASSERT_TRUE(resized);
    std::vector<DWORD> expected = PixelsOf(*resized);
    const DWORD under = expected[1];
    expected[0] = 0xFF112233;
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
    auto layer = Filled(8, 8, 0);
    auto composed = ComposeDetailLayer(*clear, *layer);
    ASSERT_TRUE(composed);
    EXPECT_TRUE(composed->hasAlpha);
    EXPECT_EQ(std::vector<DWORD>(64, 0), PixelsOf(*composed));

    // One pixel grows to any size; lengths rounded either way still fit (587 x 431 at 150 %).
    EXPECT_TRUE(ComposeDetailLayer(*Filled(1, 1, 0xFF000000), *Filled(3, 3, 0)));
    EXPECT_TRUE(ComposeDetailLayer(*Filled(587, 431, 0xFF000000), *Filled(881, 646, 0)));
    // Other proportions, a smaller layer, and images without pixels are not composed.
    EXPECT_FALSE(ComposeDetailLayer(*Filled(4, 4, 0xFF000000), *Filled(8, 12, 0)));
    EXPECT_FALSE(ComposeDetailLayer(*Filled(4, 4, 0xFF000000), *Filled(2, 2, 0)));
    SkinImage empty;
    EXPECT_FALSE(ComposeDetailLayer(empty, *Filled(2, 2, 0)));
    EXPECT_FALSE(ComposeDetailLayer(*Filled(1, 1, 0xFF000000), empty));
}
