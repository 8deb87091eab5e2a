// Resizing of skin images: doubling both sides takes a shorter path than the general filter,
// and must give exactly its pixels on the real skin images and on made-up ones of every shape.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "skinui/core/image_resample.h"
#include "skinui/core/renderer.h"
#include "skinui/core/skin_image.h"

using SkinUI::ResampleSkinImage;
using SkinUI::ResampleSkinImageGeneral;
using SkinUI::SkinImage;

namespace {

std::vector<DWORD> PixelsOf(const SkinImage& image) {
    const DWORD* bits = SkinUI::SkinImagePixels(image);
    if (bits == nullptr) {
        ADD_FAILURE() << "not a DIB section";
        return {};
    }
    return std::vector<DWORD>(bits, bits + static_cast<size_t>(image.width) * image.height);
}

std::unique_ptr<SkinImage> MakeImage(int width, int height, const std::vector<DWORD>& pixels) {
    DWORD* bits = nullptr;
    auto image = SkinUI::CreateSkinImage(width, height, &bits);
    if (!image) {
        ADD_FAILURE() << "no DIB section of " << width << "x" << height;
        return nullptr;
    }
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof(DWORD));
    image->hasAlpha = true;
    return image;
}

DWORD Pixel(DWORD alpha, DWORD red, DWORD green, DWORD blue) {
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

// Doubles `source` through ResampleSkinImage and through the general passes: the pixels must be
// the same, and premultiplied (no colour above alpha).
void ExpectDoubledAsGeneral(const SkinImage& source, const std::string& what) {
    SCOPED_TRACE(what + " " + std::to_string(source.width) + "x" + std::to_string(source.height));
    const int width = source.width * 2;
    const int height = source.height * 2;
    auto fast = ResampleSkinImage(source, width, height);
    auto general = ResampleSkinImageGeneral(source, width, height);
    ASSERT_TRUE(fast && general);
    ASSERT_EQ(width, fast->width);
    ASSERT_EQ(height, fast->height);
    const std::vector<DWORD> got = PixelsOf(*fast);
    const std::vector<DWORD> want = PixelsOf(*general);
    ASSERT_EQ(want.size(), got.size());
    int mismatches = 0;
    for (size_t i = 0; i < want.size() && mismatches < 5; ++i) {
        if (got[i] != want[i]) {
            ++mismatches;
            ADD_FAILURE() << "pixel (" << i % width << ", " << i / width << "): " << std::hex
                          << got[i] << " instead of " << want[i];
        }
    }
    for (DWORD px : got) {
        const DWORD alpha = px >> 24;
        if ((px & 0xFF) > alpha || ((px >> 8) & 0xFF) > alpha || ((px >> 16) & 0xFF) > alpha) {
            ADD_FAILURE() << "colour above alpha: " << std::hex << px;
            break;
        }
    }
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    if (IS_INTRESOURCE(name)) {
        reinterpret_cast<std::vector<WORD>*>(names)->push_back(
            static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    }
    return TRUE;
}

TEST(ImageResample, DoublingGivesTheGeneralPixelsOnEverySkinImage) {
    // All images of both sets linked into this program: backgrounds, buttons, icons, with
    // odd sizes, opaque art and soft transparent edges.
    int checked = 0;
    for (const wchar_t* type : {L"PNG", L"PNG200"}) {
        std::vector<WORD> ids;
        EnumResourceNamesW(GetModuleHandleW(nullptr), type, CollectName,
                           reinterpret_cast<LONG_PTR>(&ids));
        for (WORD id : ids) {
            auto image = SkinUI::CRenderer::DecodeSkinImage(MAKEINTRESOURCEW(id), type, 0);
            ASSERT_TRUE(image) << "resource " << id;
            std::string name = type[3] ? "png200 " : "png ";
            ExpectDoubledAsGeneral(*image, name + std::to_string(id));
            ++checked;
        }
    }
    EXPECT_GE(checked, 30) << "the skin images were not found in this program";
}

TEST(ImageResample, DoublingGivesTheGeneralPixelsOnMadeUpImages) {
    std::mt19937 random(20261207);
    auto byte = [&](DWORD upTo) { return std::uniform_int_distribution<DWORD>(0, upTo)(random); };
    // Premultiplied pixels, with full and zero alpha much more often than chance gives them.
    auto premultiplied = [&](int, int, int, int) {
        const DWORD pick = byte(3);
        const DWORD alpha = pick == 0 ? 0 : pick == 1 ? 255 : byte(255);
        return Pixel(alpha, byte(alpha), byte(alpha), byte(alpha));
    };
    using Fill = std::function<DWORD(int x, int y, int width, int height)>;
    const std::vector<std::pair<std::string, Fill>> fills = {
        {"premultiplied", premultiplied},
        {"opaque", [&](int, int, int, int) { return Pixel(255, byte(255), byte(255), byte(255)); }},
        {"white", [](int, int, int, int) { return Pixel(255, 255, 255, 255); }},
        {"transparent", [](int, int, int, int) { return DWORD{0}; }},
        {"transparent edges",
         [&](int x, int y, int w, int h) {
             const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
             return edge ? DWORD{0} : Pixel(255, byte(255), byte(255), byte(255));
         }},
        {"opaque edges",
         [&](int x, int y, int w, int h) {
             const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
             return edge ? Pixel(255, byte(255), byte(255), byte(255)) : DWORD{0};
         }},
        // Not premultiplied (a colour above its alpha): both paths must clamp alike.
        {"unpremultiplied", [&](int, int, int, int) { return static_cast<DWORD>(random()); }},
    };
    const int sizes[][2] = {{1, 1}, {1, 6}, {7, 1}, {2, 2}, {3, 5}, {17, 13}, {64, 1}, {101, 43}};
    for (const auto& [name, fill] : fills) {
        for (const auto& size : sizes) {
            std::vector<DWORD> pixels;
            for (int y = 0; y < size[1]; ++y) {
                for (int x = 0; x < size[0]; ++x) {
                    pixels.push_back(fill(x, y, size[0], size[1]));
                }
            }
            auto image = MakeImage(size[0], size[1], pixels);
            ASSERT_TRUE(image);
            ExpectDoubledAsGeneral(*image, name);
        }
    }
}

TEST(ImageResample, DoublingInterpolatesAndKeepsTheImageAttributes) {
    // Opaque black beside opaque white, doubled: the edge pixels are kept whole, the two between
    // are a quarter and three quarters of the way (64 and 191 after rounding), on every row.
    auto image = MakeImage(2, 1, {Pixel(255, 0, 0, 0), Pixel(255, 255, 255, 255)});
    ASSERT_TRUE(image);
    image->hasAlpha = false;
    image->resourceType = L"PNG";
    image->maskColor = 0x00FF00FF;
    auto doubled = ResampleSkinImage(*image, 4, 2);
    ASSERT_TRUE(doubled);
    const std::vector<DWORD> row = {Pixel(255, 0, 0, 0), Pixel(255, 64, 64, 64),
                                    Pixel(255, 191, 191, 191), Pixel(255, 255, 255, 255)};
    std::vector<DWORD> want = row;
    want.insert(want.end(), row.begin(), row.end());
    EXPECT_EQ(want, PixelsOf(*doubled));
    EXPECT_FALSE(doubled->hasAlpha);
    EXPECT_EQ(L"PNG", doubled->resourceType);
    EXPECT_EQ(0x00FF00FFu, doubled->maskColor);

    EXPECT_EQ(nullptr, ResampleSkinImage(*image, 0, 2));
    EXPECT_EQ(nullptr, ResampleSkinImage(*image, 4, -2));
}

}  // namespace
