// A window's image cache: one load per name at the window's scale, loaded anew when the scale
// changes, nothing for names that no resource has, and no prefetch made for another scale.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "skinui/core/image_cache.h"
#include "skinui/core/renderer.h"

using SkinUI::CImageCache;
using SkinUI::SkinImage;

namespace {

// The close button's face: 31 x 32 at 100 %, with a picture of its own in the 200 % set.
constexpr const wchar_t* kClose = L"134";

std::vector<DWORD> PixelsOf(const SkinImage& image) {
    const DWORD* p = SkinUI::SkinImagePixels(image);
    return std::vector<DWORD>(p, p + static_cast<size_t>(image.width) * image.height);
}

}  // namespace

TEST(ImageCache, AnImageIsLoadedOnceAtTheScaleAndAnewWhenTheScaleChanges) {
    CImageCache cache;
    cache.SetDpi(144);
    const SkinImage* first = cache.Find(kClose, L"png", 0);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(47, first->width);
    EXPECT_EQ(48, first->height);
    EXPECT_EQ(first, cache.Find(kClose, L"png", 0));

    cache.SetDpi(192);
    const SkinImage* large = cache.Find(kClose, L"png", 0);
    ASSERT_NE(nullptr, large);
    auto drawn200 = SkinUI::CRenderer::DecodeSkinImage(MAKEINTRESOURCEW(134), L"png200", 0);
    ASSERT_TRUE(drawn200);
    ASSERT_EQ(drawn200->width, large->width);
    EXPECT_EQ(PixelsOf(*drawn200), PixelsOf(*large));

    cache.SetDpi(96);
    const SkinImage* small = cache.Find(kClose, L"png", 0);
    ASSERT_NE(nullptr, small);
    auto drawn100 = SkinUI::CRenderer::DecodeSkinImage(MAKEINTRESOURCEW(134), L"png", 0);
    ASSERT_TRUE(drawn100);
    ASSERT_EQ(31, small->width);
    EXPECT_EQ(PixelsOf(*drawn100), PixelsOf(*small));
}

TEST(ImageCache, NamesNoResourceHasGiveNothingAndSpoilNothing) {
    CImageCache cache;
    EXPECT_EQ(nullptr, cache.Find(L"", L"png", 0));
    EXPECT_EQ(nullptr, cache.Find(nullptr, L"png", 0));
    EXPECT_EQ(nullptr, cache.Find(L"65000", L"png", 0));
    EXPECT_EQ(nullptr, cache.Find(L"close.png", L"png", 0));
    // Without a type the name is not looked for at all, and the failure is not remembered
    // against the name.
    EXPECT_EQ(nullptr, cache.Find(kClose, nullptr, 0));
    const SkinImage* typed = cache.Find(kClose, L"png", 0);
    ASSERT_NE(nullptr, typed);
    EXPECT_EQ(31, typed->width);
}

TEST(ImageCache, APrefetchIsTakenAtItsScaleAndDroppedWhenTheScaleChanges) {
    CImageCache direct;
    direct.SetDpi(144);
    const SkinImage* loaded = direct.Find(kClose, L"png", 0);
    ASSERT_NE(nullptr, loaded);

    CImageCache ahead;
    ahead.SetDpi(144);
    ahead.PrefetchSpec(L"res='134' restype='png'");
    const SkinImage* taken = ahead.Find(kClose, L"png", 0);
    ASSERT_NE(nullptr, taken);
    ASSERT_EQ(loaded->width, taken->width);
    EXPECT_EQ(PixelsOf(*loaded), PixelsOf(*taken));

    CImageCache moved;
    moved.SetDpi(192);
    moved.Prefetch(kClose, L"png", 0);
    moved.SetDpi(96);
    const SkinImage* small = moved.Find(kClose, L"png", 0);
    ASSERT_NE(nullptr, small);
    EXPECT_EQ(31, small->width);
}
