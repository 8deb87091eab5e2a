// Decoding skin PNGs into premultiplied pixels: every colour and alpha pair gives colour x alpha
// / 255 rounded down, opaque images stay without alpha, and the mask colour becomes transparent.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "skinui/core/renderer.h"
#include "tools/skinpreview/png_writer.h"

using SkinUI::CRenderer;

namespace {

std::unique_ptr<SkinUI::SkinImage> Decode(const std::vector<std::uint8_t>& rgba, int width,
                                          int height, DWORD mask) {
    const std::string png = SkinPreview::EncodePng(rgba, width, height);
    return CRenderer::DecodeSkinImageBytes(reinterpret_cast<const unsigned char*>(png.data()),
                                           png.size(), mask);
}

const DWORD* Bits(const SkinUI::SkinImage& image) {
    const DWORD* bits = SkinUI::SkinImagePixels(image);
    EXPECT_NE(nullptr, bits);
    return bits;
}

TEST(ImageDecode, EveryColourAndAlphaIsPremultipliedRoundingDown) {
    // 256 x 256: red is the column, alpha the row, green and blue the column's complement and
    // a mix, so each channel meets every alpha.
    std::vector<std::uint8_t> rgba;
    for (int alpha = 0; alpha < 256; ++alpha) {
        for (int value = 0; value < 256; ++value) {
            rgba.insert(
                rgba.end(),
                {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(255 - value),
                 static_cast<std::uint8_t>((value * 7) & 0xFF), static_cast<std::uint8_t>(alpha)});
        }
    }
    auto image = Decode(rgba, 256, 256, 0);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->hasAlpha);
    const DWORD* bits = Bits(*image);
    ASSERT_NE(nullptr, bits);
    int wrong = 0;
    for (size_t i = 0; i < 256 * 256 && wrong < 5; ++i) {
        const DWORD a = rgba[i * 4 + 3];
        const DWORD want = (a << 24) | (rgba[i * 4] * a / 255 << 16) |
                           (rgba[i * 4 + 1] * a / 255 << 8) | (rgba[i * 4 + 2] * a / 255);
        if (bits[i] != want) {
            ++wrong;
            ADD_FAILURE() << "colour " << i % 256 << " alpha " << a << ": " << std::hex << bits[i]
                          << " instead of " << want;
        }
    }
}

TEST(ImageDecode, OpaqueImagesHaveNoAlphaAndTheMaskBecomesTransparent) {
    // Opaque red, green, and one pixel of the mask colour.
    const std::vector<std::uint8_t> opaque = {255, 0, 0, 255, 0, 255, 0, 255};
    auto plain = Decode(opaque, 2, 1, 0);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->hasAlpha);
    EXPECT_EQ(0xFFFF0000u, Bits(*plain)[0]);
    EXPECT_EQ(0xFF00FF00u, Bits(*plain)[1]);

    auto masked = Decode(opaque, 2, 1, 0xFF00FF00u);
    ASSERT_TRUE(masked);
    EXPECT_TRUE(masked->hasAlpha);
    EXPECT_EQ(0xFFFF0000u, Bits(*masked)[0]);
    EXPECT_EQ(0u, Bits(*masked)[1]);
    EXPECT_EQ(0xFF00FF00u, masked->maskColor);

    // Fully transparent pixels are all zero whatever colour the file gives them.
    auto clear = Decode({200, 100, 50, 0}, 1, 1, 0);
    ASSERT_TRUE(clear);
    EXPECT_TRUE(clear->hasAlpha);
    EXPECT_EQ(0u, Bits(*clear)[0]);
}

}  // namespace
