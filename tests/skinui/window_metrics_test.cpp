// A window's scale and the frame lengths a layout gives at 100 %: rounding, settings read at a
// changed scale without rounding twice, and the scale a display change brings.
#include <gtest/gtest.h>

#include "skinui/core/ui_manager.h"
#include "skinui/core/window_metrics.h"

using SkinUI::CUIManager;
using SkinUI::CWindowMetrics;

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

TEST(WindowMetrics, LengthsRoundHalfAwayFromZero) {
    CWindowMetrics metrics;
    ASSERT_TRUE(metrics.SetDpi(120));        // 125 %
    EXPECT_EQ(3, metrics.ScaleLength(2));    // 2.5
    EXPECT_EQ(-3, metrics.ScaleLength(-2));  // -2.5
    EXPECT_EQ(1, metrics.ScaleLength(1));    // 1.25
    EXPECT_EQ(4, metrics.ScaleLength(3));    // 3.75
    ASSERT_TRUE(metrics.SetDpi(144));        // 150 %
    EXPECT_EQ(2, metrics.ScaleLength(1));
    EXPECT_EQ(-2, metrics.ScaleLength(-1));
    EXPECT_EQ(0, metrics.ScaleLength(0));
    // Edge by edge: neighbours that meet at 100 % still meet.
    EXPECT_TRUE(SameRect(RECT{2, -2, 5, 8}, metrics.ScaleRect(RECT{1, -1, 3, 5})));
    // The smallest scale never makes a one-pixel length vanish.
    ASSERT_TRUE(metrics.SetDpi(CWindowMetrics::kMinDpi));
    EXPECT_EQ(1, metrics.ScaleLength(1));
    EXPECT_EQ(-1, metrics.ScaleLength(-1));
}

TEST(WindowMetrics, OnlyANewScaleInRangeIsTaken) {
    CWindowMetrics metrics;
    EXPECT_EQ(96, metrics.Dpi());
    EXPECT_FALSE(metrics.SetDpi(96));
    EXPECT_FALSE(metrics.SetDpi(CWindowMetrics::kMinDpi - 1));
    EXPECT_FALSE(metrics.SetDpi(CWindowMetrics::kMaxDpi + 1));
    EXPECT_FALSE(metrics.SetDpi(0));
    EXPECT_EQ(96, metrics.Dpi());
    EXPECT_TRUE(metrics.SetDpi(CWindowMetrics::kMaxDpi));
    EXPECT_FALSE(metrics.SetDpi(CWindowMetrics::kMaxDpi));
    EXPECT_TRUE(metrics.SetDpi(CWindowMetrics::kMinDpi));
    EXPECT_EQ(CWindowMetrics::kMinDpi, metrics.Dpi());
}

TEST(WindowMetrics, SettingsAreKeptAt100PercentAndReadAtTheCurrentScale) {
    CWindowMetrics metrics;
    metrics.SetInitSize(586, 431);
    metrics.SetCaption(RECT{0, 0, 0, 31});
    metrics.SetSizeBox(RECT{3, 3, 3, 3});
    metrics.SetRoundCorner(5, 5);
    metrics.SetMinInfo(401, 301);
    metrics.SetMaxInfo(0, 0);
    EXPECT_EQ(586, metrics.InitSize().cx);
    ASSERT_TRUE(metrics.SetDpi(120));
    EXPECT_EQ(733, metrics.InitSize().cx);  // 732.5
    EXPECT_EQ(539, metrics.InitSize().cy);  // 538.75
    EXPECT_EQ(39, metrics.Caption().bottom);
    EXPECT_TRUE(SameRect(RECT{4, 4, 4, 4}, metrics.SizeBox()));
    EXPECT_EQ(6, metrics.RoundCorner().cx);  // 6.25
    EXPECT_EQ(501, metrics.MinInfo().cx);    // 501.25
    EXPECT_EQ(376, metrics.MinInfo().cy);    // 376.25
    EXPECT_EQ(0, metrics.MaxInfo().cx);
    // Through other scales and back: the numbers of the layout, never rounded twice.
    ASSERT_TRUE(metrics.SetDpi(144));
    ASSERT_TRUE(metrics.SetDpi(96));
    EXPECT_EQ(586, metrics.InitSize().cx);
    EXPECT_EQ(431, metrics.InitSize().cy);
    EXPECT_EQ(31, metrics.Caption().bottom);
    EXPECT_EQ(401, metrics.MinInfo().cx);
    // A setting given while at 150 % is still a 100 % length.
    ASSERT_TRUE(metrics.SetDpi(144));
    metrics.SetRoundCorner(3, 3);
    EXPECT_EQ(5, metrics.RoundCorner().cx);  // 4.5
    ASSERT_TRUE(metrics.SetDpi(192));
    EXPECT_EQ(6, metrics.RoundCorner().cy);
}

TEST(WindowMetrics, ADisplayChangeGivesTheWindowsSettingsInItsPixels) {
    HWND window = CreateWindowExW(0, L"STATIC", L"metrics", WS_POPUP, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    {
        CUIManager manager;
        manager.AttachWindow(window);
        manager.SetDpi(96);
        manager.WindowMetrics().SetCaption(RECT{0, 0, 0, 31});
        manager.WindowMetrics().SetMinInfo(401, 301);
        LRESULT result = 0;
        RECT suggested = {10, 20, 10 + 300, 20 + 150};
        EXPECT_TRUE(manager.OnWindowMessage(CUIManager::kDpiChangedMessage, MAKEWPARAM(144, 144),
                                            reinterpret_cast<LPARAM>(&suggested), result));
        EXPECT_EQ(144, manager.GetDpi());
        EXPECT_EQ(47, manager.WindowMetrics().Caption().bottom);  // 46.5
        EXPECT_EQ(602, manager.WindowMetrics().MinInfo().cx);     // 601.5
        RECT now;
        GetWindowRect(window, &now);
        EXPECT_EQ(300, now.right - now.left);
        // A scale no display has is ignored; the window still takes the suggested size.
        suggested = {10, 20, 10 + 320, 20 + 160};
        EXPECT_TRUE(manager.OnWindowMessage(CUIManager::kDpiChangedMessage, MAKEWPARAM(20, 20),
                                            reinterpret_cast<LPARAM>(&suggested), result));
        EXPECT_EQ(144, manager.GetDpi());
        EXPECT_EQ(47, manager.WindowMetrics().Caption().bottom);
        GetWindowRect(window, &now);
        EXPECT_EQ(320, now.right - now.left);
    }
    DestroyWindow(window);
}

}  // namespace
