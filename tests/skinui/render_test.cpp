#include <gtest/gtest.h>

#include "skinui/core/image_spec.h"
#include "skinui/core/msimg_functions.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/ui_settings.h"
#include "tests/skinui/skin_test_support.h"

using SkinTest::Dib;
using SkinTest::WritePngFile;
using SkinUI::CRenderer;
using SkinUI::ImageDrawSettings;

namespace {

constexpr DWORD kSentinel = 0xFF123456;

// 40x20 image: 5-pixel frame in distinct corner colours, edges grey, middle green; the pixel
// at (20, 10) is magenta for the mask test.
DWORD FramedPixel(int x, int y) {
    const bool left = x < 5, right = x >= 35, top = y < 5, bottom = y >= 15;
    if (left && top)
        return 0xFFFF0000;
    if (right && top)
        return 0xFF0000FF;
    if (left && bottom)
        return 0xFFFFFF00;
    if (right && bottom)
        return 0xFF00FFFF;
    if (left || right || top || bottom)
        return 0xFF808080;
    if (x == 20 && y == 10)
        return 0xFFFF00FF;
    return 0xFF00C000;
}

class RenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        framed_ = new std::wstring(WritePngFile(L"framed.png", 40, 20, FramedPixel));
        // 4x4: two columns red, two blue; used for tiling.
        tile_ = new std::wstring(WritePngFile(
            L"tile.png", 4, 4, [](int x, int) { return x < 2 ? 0xFFFF0000u : 0xFF0000FFu; }));
    }
    static void TearDownTestSuite() {
        delete framed_;
        delete tile_;
    }
    std::wstring Spec(const std::wstring& file, const std::wstring& extra = L"") {
        return L"file='" + file + L"'" + (extra.empty() ? L"" : L" " + extra);
    }

    SkinUI::CUIManager manager_;
    static std::wstring* framed_;
    static std::wstring* tile_;
};
std::wstring* RenderTest::framed_ = nullptr;
std::wstring* RenderTest::tile_ = nullptr;

}  // namespace

TEST(ImageSpec, ParsesKeysAndStopsSafelyOnBrokenText) {
    const RECT control = {10, 20, 110, 70};
    auto images = SkinUI::ParseImageSpecs(
        L"res='151' restype='png' corner='15,8,15,8' dest='5,5,500,40' mask='#FFFF00FF' fade='128' "
        L"hole='true'",
        nullptr, control);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].name, L"151");
    EXPECT_EQ(images[0].type, L"png");
    EXPECT_EQ(images[0].corner.left, 15);
    EXPECT_EQ(images[0].corner.bottom, 8);
    EXPECT_EQ(images[0].dest.left, 15);
    EXPECT_EQ(images[0].dest.top, 25);
    EXPECT_EQ(images[0].dest.right, 110);  // cut to the control
    EXPECT_EQ(images[0].dest.bottom, 60);
    EXPECT_EQ(images[0].mask, 0xFFFF00FFu);
    EXPECT_EQ(images[0].fade, 128);
    EXPECT_TRUE(images[0].hole);

    // A plain name draws over the whole control; a plain modifier leaves the name.
    images = SkinUI::ParseImageSpecs(L"bg.png", L"plain", control);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].name, L"bg.png");
    EXPECT_EQ(images[0].dest.right, 110);
    // The modifier overrides what it names.
    images = SkinUI::ParseImageSpecs(L"file='a.png' fade='10'", L"fade='200'", control);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].fade, 200);
    // Two images in one spec are drawn once each.
    images =
        SkinUI::ParseImageSpecs(L"res='1' restype='png' res='2' restype='png'", nullptr, control);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].name, L"1");
    EXPECT_EQ(images[1].name, L"2");

    // Broken specs keep what was read before the fault and never read past the text.
    for (const wchar_t* broken :
         {L"file='a.png' corner='1,2", L"file='a.png' corner=", L"file='a.png' corner 3",
          L"file='a.png' dest='1,,", L"file='a.png'corner='1,1,1,1'",
          L"file='a.png' source='-5,x,7'"}) {
        images = SkinUI::ParseImageSpecs(broken, nullptr, control);
        ASSERT_EQ(images.size(), 1u) << broken;
        EXPECT_EQ(images[0].name, L"a.png") << broken;
        EXPECT_EQ(images[0].corner.left, 0) << broken;  // never a half-read corner
    }
    for (const wchar_t* nothing : {L"=", L"file='", L"file=''", L"res ="}) {
        EXPECT_TRUE(SkinUI::ParseImageSpecs(nothing, nullptr, control).empty()) << nothing;
    }
    EXPECT_EQ(SkinUI::ParseHexColor(L" #80ff0000"), 0x80FF0000u);
    EXPECT_EQ(SkinUI::ParseHexColor(L"#"), 0u);
}

TEST(ImageSpec, NumbersAreBoundedLikeControlGeometry) {
    constexpr LONG kBound = 1000000;  // the bound of control geometry
    const RECT control = {10, 20, 110, 70};
    auto images = SkinUI::ParseImageSpecs(
        L"file='a.png' dest='-2147483000,-99999999999,2147483000,99999999' "
        L"source='-2147483647,0,2147483647,4000000' corner='2147483647,-5,3000000,-2147483647'",
        nullptr, control);
    ASSERT_EQ(images.size(), 1u);
    const ImageDrawSettings& s = images[0];
    EXPECT_EQ(s.dest.left, 10 - kBound);  // the control's offset plus the bounded number
    EXPECT_EQ(s.dest.top, 20 - kBound);
    EXPECT_EQ(s.dest.right, 110);  // still cut to the control
    EXPECT_EQ(s.dest.bottom, 70);
    EXPECT_EQ(s.source.left, -kBound);
    EXPECT_EQ(s.source.right, kBound);
    EXPECT_EQ(s.source.bottom, kBound);
    // Border widths are never negative.
    EXPECT_EQ(s.corner.left, kBound);
    EXPECT_EQ(s.corner.top, 0);
    EXPECT_EQ(s.corner.right, kBound);
    EXPECT_EQ(s.corner.bottom, 0);
}

TEST_F(RenderTest, NineGridKeepsCornersAndStretchesTheMiddle) {
    Dib dib(120, 60, kSentinel);
    const RECT control = {10, 10, 110, 50};  // 100x40 from a 40x20 image
    ASSERT_TRUE(CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(),
                                          Spec(*framed_, L"corner='5,5,5,5'").c_str()));
    // Corners unscaled: 5x5 in their own colour, the next pixel is an edge.
    EXPECT_EQ(dib.Rgb(10, 10), 0xFF0000u);
    EXPECT_EQ(dib.Rgb(14, 14), 0xFF0000u);
    EXPECT_EQ(dib.Rgb(15, 10), 0x808080u);
    EXPECT_EQ(dib.Rgb(109, 10), 0x0000FFu);
    EXPECT_EQ(dib.Rgb(105, 14), 0x0000FFu);
    EXPECT_EQ(dib.Rgb(104, 10), 0x808080u);
    EXPECT_EQ(dib.Rgb(10, 49), 0xFFFF00u);
    EXPECT_EQ(dib.Rgb(109, 49), 0x00FFFFu);
    EXPECT_EQ(dib.Rgb(14, 45), 0xFFFF00u);
    // Middle stretched over the rest; nothing drawn outside the control.
    EXPECT_EQ(dib.Rgb(30, 20), 0x00C000u);
    EXPECT_EQ(dib.Rgb(90, 40), 0x00C000u);
    EXPECT_EQ(dib.At(9, 10), kSentinel);
    EXPECT_EQ(dib.At(110, 49), kSentinel);
    EXPECT_EQ(dib.At(50, 50), kSentinel);
}

TEST_F(RenderTest, MaskFadeAndHole) {
    const RECT control = {0, 0, 40, 20};
    {
        Dib dib(40, 20, kSentinel);
        CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(),
                                  Spec(*framed_, L"mask='#FFFF00FF'").c_str());
        EXPECT_EQ(dib.At(20, 10), kSentinel);  // masked away: the background shows
        EXPECT_EQ(dib.Rgb(19, 10), 0x00C000u);
    }
    {
        // Fade 128 on an opaque image: half of green over black.
        Dib dib(40, 20, 0xFF000000);
        CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(),
                                  Spec(*tile_, L"fade='128'").c_str());
        // tile.png drawn stretched; pick a red pixel.
        const DWORD red = dib.Rgb(2, 5);
        EXPECT_NEAR(static_cast<int>((red >> 16) & 0xFF), 128, 2);
        EXPECT_EQ(red & 0xFFFF, 0u);
    }
    {
        Dib dib(40, 20, kSentinel);
        CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(),
                                  Spec(*framed_, L"corner='5,5,5,5' hole='true'").c_str());
        EXPECT_EQ(dib.At(20, 12), kSentinel);
        EXPECT_EQ(dib.Rgb(2, 2), 0xFF0000u);
        EXPECT_EQ(dib.Rgb(20, 2), 0x808080u);
    }
}

TEST_F(RenderTest, TilingRepeatsTheMiddle) {
    const RECT control = {0, 0, 10, 8};
    {
        Dib dib(12, 10, kSentinel);
        CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(),
                                  Spec(*tile_, L"xtiled='true' ytiled='true'").c_str());
        // 4-pixel tiles: red red blue blue | red red blue blue | red red (cut)
        const DWORD expected[10] = {0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000,
                                    0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000, 0xFF0000};
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(dib.Rgb(x, 7), expected[x]) << x;
        }
        EXPECT_EQ(dib.At(10, 3), kSentinel);
        EXPECT_EQ(dib.At(3, 8), kSentinel);
    }
    {
        Dib dib(12, 10, kSentinel);
        CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(),
                                  Spec(*tile_, L"xtiled='true'").c_str());
        EXPECT_EQ(dib.Rgb(4, 0), 0xFF0000u);
        EXPECT_EQ(dib.Rgb(7, 7), 0x0000FFu);
        EXPECT_EQ(dib.At(10, 0), kSentinel);
    }
}

TEST_F(RenderTest, AHugeTiledDestinationDrawsOnlyWhatShows) {
    // A destination starting a million pixels off to the top-left, tiled both ways with 4-pixel
    // tiles: only the tiles inside the paint rectangle are laid, in phase with the far origin.
    const RECT control = {-999998, -999998, 10, 8};
    Dib dib(12, 10, kSentinel);
    ASSERT_TRUE(CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(),
                                          Spec(*tile_, L"xtiled='true' ytiled='true'").c_str()));
    // 999998 % 4 == 2: pixel 0 is the third column of a tile (blue), pixels 2 and 3 red.
    const DWORD expected[10] = {0x0000FF, 0x0000FF, 0xFF0000, 0xFF0000, 0x0000FF,
                                0x0000FF, 0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF};
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(dib.Rgb(x, 7), expected[x]) << x;
    }
    EXPECT_EQ(dib.At(10, 3), kSentinel);
    EXPECT_EQ(dib.At(3, 8), kSentinel);
    // Far beyond any window: clamped to the same bound and drawn the same way.
    Dib huge(12, 10, kSentinel);
    CRenderer::PaintImageSpec(huge.dc(), &manager_, RECT{0, 0, 10, 8}, huge.rect(),
                              Spec(*tile_,
                                   L"dest='-2147483000,-2147483000,10,8' xtiled='true' "
                                   L"ytiled='true'")
                                  .c_str());
    EXPECT_EQ(huge.Rgb(0, 0), 0xFF0000u);  // 1000000 % 4 == 0: in phase with the control
    EXPECT_EQ(huge.Rgb(2, 7), 0x0000FFu);
}

TEST_F(RenderTest, BrokenSpecsAndMissingImagesDrawNothing) {
    Dib dib(20, 20, kSentinel);
    const RECT control = {0, 0, 20, 20};
    EXPECT_TRUE(
        CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(), L"file='nowhere.png'"));
    EXPECT_TRUE(CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(), L"file='"));
    EXPECT_TRUE(CRenderer::PaintImageSpec(
        dib.dc(), &manager_, control, dib.rect(),
        Spec(*framed_, L"source='-50,-50,99999,99999' corner='90,90,90,90'").c_str()));
    EXPECT_FALSE(CRenderer::PaintImageSpec(dib.dc(), nullptr, control, dib.rect(), L"x.png"));
    EXPECT_FALSE(CRenderer::PaintImageSpec(nullptr, &manager_, control, dib.rect(), L"x.png"));
    // Bytes that are not a PNG do not decode.
    const unsigned char junk[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
    EXPECT_EQ(CRenderer::DecodeSkinImageBytes(junk, sizeof junk, 0), nullptr);
}

TEST_F(RenderTest, ImagesOfOneNameShareTheFirstLoad) {
    const SkinUI::SkinImage* first = manager_.FindImage(framed_->c_str(), nullptr, 0);
    ASSERT_NE(first, nullptr);
    const SkinUI::SkinImage* second = manager_.FindImage(framed_->c_str(), nullptr, 0xFFFF00FF);
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->maskColor, 0u);
    EXPECT_EQ(first->width, 40);
    EXPECT_FALSE(first->hasAlpha);
    // A typed name must be a resource number.
    EXPECT_EQ(manager_.FindImage(L"abc", L"png", 0), nullptr);
}

// The installer names no image source: a file beside the program (a download folder where a
// web page may have put one) is never read, neither by its name nor by the name of a resource
// that does not exist; only resources are.
TEST_F(RenderTest, WithoutAnImageSourceNoFileIsRead) {
    const std::wstring planted = WritePngFile(L"planted.png", 4, 4, FramedPixel);
    const SkinUI::UntypedImageSource tests = SkinUI::GetUntypedImageSource();
    SkinUI::SetUntypedImageSource(nullptr);
    SkinUI::CUIManager manager;
    EXPECT_EQ(manager.FindImage(planted.c_str(), nullptr, 0), nullptr);
    EXPECT_EQ(manager.FindImage(L"planted.png", nullptr, 0), nullptr);
    EXPECT_EQ(manager.FindImage(L"planted.png", L"png", 0), nullptr);
    EXPECT_EQ(CRenderer::DecodeSkinImage(L"planted.png", nullptr, 0), nullptr);
    EXPECT_EQ(CRenderer::DecodeSkinImage(L"planted.png", L"", 0), nullptr);
    SkinUI::SetUntypedImageSource(tests);
    EXPECT_NE(manager.FindImage(planted.c_str(), nullptr, 0), nullptr);
}

TEST(Fill, ColorAlphaZeroOpaqueAndTranslucent) {
    Dib dib(10, 10, kSentinel);
    const RECT all = {0, 0, 10, 10};
    CRenderer::FillColor(dib.dc(), all, 0x00FF0000);
    EXPECT_EQ(dib.At(5, 5), kSentinel);
    CRenderer::FillColor(dib.dc(), RECT{2, 2, 6, 6}, 0xFFFF0000);
    EXPECT_EQ(dib.Rgb(2, 2), 0xFF0000u);
    EXPECT_EQ(dib.Rgb(5, 5), 0xFF0000u);
    EXPECT_EQ(dib.At(6, 6), kSentinel);
    // Half-transparent white over black gives mid grey.
    dib.Fill(0xFF000000);
    CRenderer::FillColor(dib.dc(), all, 0x80FFFFFF);
    EXPECT_NEAR(static_cast<int>(dib.Rgb(4, 4) & 0xFF), 128, 2);
}

TEST(Fill, VerticalGradientEndpointsWithBothPaths) {
    for (bool builtIn : {false, true}) {
        SkinUI::UseBuiltInBlending(builtIn);
        Dib dib(10, 64, kSentinel);
        CRenderer::FillGradient(dib.dc(), RECT{0, 0, 10, 64}, 0xFFFF0000, 0xFF0000FF, true, 64);
        EXPECT_LE(SkinTest::ColorDistance(dib.Rgb(5, 0), 0xFF0000), 8) << builtIn;
        EXPECT_LE(SkinTest::ColorDistance(dib.Rgb(5, 63), 0x0000FF), 8) << builtIn;
        EXPECT_LE(SkinTest::ColorDistance(dib.Rgb(5, 32), 0x800080), 12) << builtIn;
        EXPECT_EQ(dib.Rgb(0, 10), dib.Rgb(9, 10));
    }
    SkinUI::UseBuiltInBlending(false);
    Dib dib(4, 4, kSentinel);
    CRenderer::FillGradient(dib.dc(), RECT{0, 0, 4, 4}, 0x00FF0000, 0x000000FF, true, 8);
    EXPECT_EQ(dib.At(1, 1), kSentinel);
}

TEST_F(RenderTest, BuiltInBlenderMatchesAlphaBlend) {
    // Semi-transparent gradient image over a coloured background, through both paths.
    const std::wstring path = WritePngFile(L"alpha.png", 16, 16, [](int x, int y) {
        return (static_cast<DWORD>(x * 16) << 24) | (static_cast<DWORD>(y * 16) << 16) | 0x4080u;
    });
    const RECT control = {0, 0, 32, 32};
    DWORD results[2][32 * 32];
    for (int pass = 0; pass < 2; ++pass) {
        SkinUI::UseBuiltInBlending(pass == 1);
        Dib dib(32, 32, 0xFF20A040);
        CRenderer::PaintImageSpec(dib.dc(), &manager_, control, dib.rect(),
                                  Spec(path, L"fade='200'").c_str());
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                results[pass][y * 32 + x] = dib.Rgb(x, y);
            }
        }
    }
    SkinUI::UseBuiltInBlending(false);
    int worst = 0;
    for (int i = 0; i < 32 * 32; ++i) {
        worst = std::max(worst, SkinTest::ColorDistance(results[0][i], results[1][i]));
    }
    EXPECT_LE(worst, 3);
}

TEST(Color, HslShift) {
    EXPECT_EQ(CRenderer::ShiftColorHsl(0x80123456, 180, 100, 100), 0x80123456u);
    // Hue + 120 degrees turns red into green; alpha stays.
    EXPECT_EQ(CRenderer::ShiftColorHsl(0x7FFF0000, 300, 100, 100), 0x7F00FF00u);
    // Saturation 0 gives grey.
    const DWORD grey = CRenderer::ShiftColorHsl(0xFFFF0000, 180, 0, 100);
    EXPECT_EQ((grey >> 16) & 0xFF, grey & 0xFF);
}
