// A window's fonts at its display scale: made at the scale, made again in place when it changes
// (with the old handles kept until the caller lets them go), found by handle and by settings.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <utility>

#include "skinui/core/scaled_fonts.h"

using SkinUI::CScaledFonts;
using SkinUI::FontEntry;

namespace {

LOGFONTW LogFontOf(HFONT font) {
    LOGFONTW lf = {};
    GetObjectW(font, sizeof lf, &lf);
    return lf;
}

}  // namespace

TEST(ScaledFonts, FontsAreMadeAtTheScaleAndAgainInPlaceWhenItChanges) {
    CScaledFonts fonts;
    EXPECT_TRUE(fonts.SetDpi(144).oldToNew.empty());
    fonts.SetDefault(L"Tahoma", 14, false, false, false);
    const HFONT bold = fonts.Add(L"Tahoma", 12, true, false, false);
    const HFONT italic = fonts.Add(L"Tahoma", 12, false, false, true);
    ASSERT_NE(nullptr, bold);
    EXPECT_EQ(-18, LogFontOf(bold).lfHeight);
    EXPECT_EQ(FW_BOLD, LogFontOf(bold).lfWeight);
    EXPECT_EQ(-21, LogFontOf(fonts.Default()->font.get()).lfHeight);
    FontEntry* first = fonts.At(0);
    FontEntry* second = fonts.At(1);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, fonts.FindByHandle(bold));
    first->hasMetrics = true;

    const HFONT oldDefault = fonts.Default()->font.get();
    CScaledFonts::Remade remade = fonts.SetDpi(192);
    // The same entries (controls hold them) with new handles at the new scale, still at 100 %.
    ASSERT_EQ(first, fonts.At(0));
    EXPECT_EQ(12, first->size);
    EXPECT_FALSE(first->hasMetrics);
    EXPECT_NE(bold, first->font.get());
    EXPECT_EQ(-24, LogFontOf(first->font.get()).lfHeight);
    EXPECT_EQ(FW_BOLD, LogFontOf(first->font.get()).lfWeight);
    EXPECT_EQ(TRUE, LogFontOf(second->font.get()).lfItalic);
    EXPECT_EQ(-28, LogFontOf(fonts.Default()->font.get()).lfHeight);
    // Every old handle with its remake, and the old ones still alive until the caller is done.
    ASSERT_EQ(3u, remade.oldToNew.size());
    for (const auto& pair :
         {std::make_pair(oldDefault, fonts.Default()->font.get()),
          std::make_pair(bold, first->font.get()), std::make_pair(italic, second->font.get())}) {
        EXPECT_NE(remade.oldToNew.end(),
                  std::find(remade.oldToNew.begin(), remade.oldToNew.end(), pair));
        EXPECT_NE(0, LogFontOf(pair.first).lfHeight);  // not deleted yet
    }
    EXPECT_EQ(nullptr, fonts.FindByHandle(bold));
    EXPECT_EQ(first, fonts.FindByHandle(first->font.get()));
}

TEST(ScaledFonts, AFontIsFoundOnlyByAllItsSettings) {
    CScaledFonts fonts;
    fonts.Add(L"Tahoma", 12, true, false, false);
    fonts.Add(L"Tahoma", 12, false, true, false);
    EXPECT_EQ(fonts.At(1), fonts.Find(L"Tahoma", 12, false, true, false));
    EXPECT_EQ(fonts.At(0), fonts.Find(L"Tahoma", 12, true, false, false));
    EXPECT_EQ(nullptr, fonts.Find(L"Tahoma", 13, true, false, false));
    EXPECT_EQ(nullptr, fonts.Find(L"Tahoma", 12, true, false, true));
    EXPECT_EQ(nullptr, fonts.Find(nullptr, 12, true, false, false));
    EXPECT_EQ(nullptr, fonts.At(2));
    EXPECT_EQ(nullptr, fonts.At(-1));
    // The default font is not one of the numbered ones.
    fonts.SetDefault(L"Tahoma", 11, false, false, false);
    EXPECT_EQ(nullptr, fonts.Find(L"Tahoma", 11, false, false, false));
    EXPECT_EQ(fonts.Default(), fonts.FindByHandle(fonts.Default()->font.get()));
}
