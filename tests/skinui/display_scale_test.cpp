// The installer's layouts at the display scale of this Wine prefix (VELMORA_WINE_DPI: 96, 120,
// 144 or 192 dots per inch), built from the resources linked into this program, whose manifest
// makes it DPI-aware as the installer is: the window size and every control's rectangle are the
// 100 % ones times the scale, no text is cut or touches its neighbour, and a WM_DPICHANGED
// from 96 to 192 takes a window to the 192 result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "resources/resource.h"
#include "skinui/controls/controls.h"
#include "skinui/core/dpi_scale.h"
#include "skinui/core/image_resample.h"
#include "skinui/controls/layout_builder.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"
#include "tests/skinui/builder_test_support.h"

using BuilderTest::Flatten;
using BuilderTest::Narrow;
using SkinUI::CControlUI;
using SkinUI::CLabelUI;
using SkinUI::CLayoutBuilder;
using SkinUI::CTabLayoutUI;
using SkinUI::CUIManager;

namespace {

int PrefixDpi() {
    const char* v = std::getenv("VELMORA_WINE_DPI");
    return v && *v ? std::atoi(v) : 96;
}

// A window of its own for each manager, kept to the end of the run (destroying windows is slow
// under Wine).
HWND NewWindow() {
    static const ATOM windowClass = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DisplayScaleTest";
        return RegisterClassW(&wc);
    }();
    HWND window = CreateWindowExW(0, MAKEINTATOM(windowClass), L"scale", WS_POPUP, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(nullptr, window) << GetLastError();
    return window;
}

struct Layout {
    int id;
    const char* name;
    bool mainWindow;
};
const Layout kLayouts[] = {{IDX_MAIN_EN, "main_en", true},
                           {IDX_MAIN_ZH, "main_zh", true},
                           {IDX_MSGBOX_EN, "msgbox_en", false},
                           {IDX_MSGBOX_ZH, "msgbox_zh", false}};

// One layout built into a manager of its own window, at the manager's scale.
struct Built {
    HWND window = nullptr;
    std::unique_ptr<CUIManager> manager;
    CControlUI* root = nullptr;

    Built(int id, int dpi) : window(NewWindow()), manager(std::make_unique<CUIManager>()) {
        manager->AttachWindow(window);
        manager->SetDpi(dpi);
        CLayoutBuilder builder;
        root = builder.Build(MAKEINTRESOURCEW(id), L"xml", manager.get(), nullptr);
        if (root != nullptr) {
            manager->AttachRoot(root);
        }
        LayOut();
    }
    ~Built() { manager.reset(); }
    void LayOut() {
        if (root == nullptr) {
            return;
        }
        const SIZE size = manager->GetInitSize();
        root->SetPos(RECT{0, 0, size.cx, size.cy});
    }
    // Every page of the tab layout in turn (a message box has none: one pass).
    template <class F>
    void ForEachPage(F visit) {
        auto* tab = static_cast<CTabLayoutUI*>(manager->FindByName(L"switch"));
        const int pages = tab != nullptr ? tab->Count() : 1;
        for (int page = 0; page < pages; ++page) {
            if (tab != nullptr) {
                tab->SelectItem(page);
                LayOut();
            }
            visit(page);
        }
    }
};

// The extent of the text's glyphs as the control draws them (single line, its font and
// alignment), in window coordinates; empty when there is no text to see. Blanks at the end
// count for the alignment but draw nothing.
RECT DrawnText(CUIManager& manager, CLabelUI* label) {
    const std::wstring text = label->GetText();
    const RECT item = label->GetPos();
    if (text.empty() || item.right <= item.left) {
        return RECT{0, 0, 0, 0};
    }
    const RECT pad = label->GetTextPadding();
    const RECT box = {item.left + pad.left, item.top + pad.top, item.right - pad.right,
                      item.bottom - pad.bottom};
    HDC dc = manager.GetWindowDC();
    auto measure = [&](const std::wstring& t) {
        RECT measured = {0, 0, 30000, 1000};
        if (label->IsShowHtml()) {
            int links = 0;
            SkinUI::CRenderer::PaintMarkupText(dc, &manager, measured, t.c_str(), 0, nullptr,
                                               nullptr, links, DT_CALCRECT | DT_SINGLELINE);
        } else {
            HGDIOBJ old = SelectObject(dc, manager.GetFontByIndex(label->GetFont()));
            DrawTextW(dc, t.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(dc, old);
        }
        return SIZE{measured.right - measured.left, measured.bottom - measured.top};
    };
    const SIZE whole = measure(text);
    const std::wstring trimmed = text.substr(0, text.find_last_not_of(L' ') + 1);
    const SIZE glyphs = trimmed.size() == text.size() ? whole : measure(trimmed);
    const UINT style = label->GetTextStyle();
    RECT drawn = box;
    if ((style & DT_RIGHT) != 0) {
        drawn.left = box.right - whole.cx;
    } else if ((style & DT_CENTER) != 0) {
        drawn.left = box.left + (box.right - box.left - whole.cx) / 2;
    }
    drawn.right = drawn.left + glyphs.cx;
    if ((style & DT_BOTTOM) != 0) {
        drawn.top = box.bottom - whole.cy;
    } else if ((style & DT_VCENTER) != 0) {
        drawn.top = box.top + (box.bottom - box.top - whole.cy) / 2;
    }
    drawn.bottom = drawn.top + whole.cy;
    return drawn;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

}  // namespace

TEST(DisplayScale, ManagerTakesThePrefixScale) {
    HWND window = NewWindow();
    CUIManager manager;
    manager.AttachWindow(window);
    EXPECT_EQ(PrefixDpi(), manager.GetDpi());
    EXPECT_EQ(PrefixDpi(), SkinUI::QueryWindowDpi(window));
}

TEST(DisplayScale, WindowAndControlsAreTheLayoutTimesTheScale) {
    const int dpi = PrefixDpi();
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        Built base(layout.id, 96);
        Built scaled(layout.id, dpi);
        ASSERT_NE(nullptr, base.root);
        ASSERT_NE(nullptr, scaled.root);
        const SIZE size100 = base.manager->GetInitSize();
        const SIZE size = scaled.manager->GetInitSize();
        EXPECT_NEAR(size100.cx * dpi / 96.0, size.cx, 1.0);
        EXPECT_NEAR(size100.cy * dpi / 96.0, size.cy, 1.0);
        if (layout.mainWindow) {
            EXPECT_EQ(586, size100.cx);
            EXPECT_EQ(431, size100.cy);
        }
        const RECT caption100 = base.manager->WindowMetrics().Caption();
        EXPECT_EQ(SkinUI::ScaleRectByDpi(caption100, dpi).bottom,
                  scaled.manager->WindowMetrics().Caption().bottom);

        base.ForEachPage([&](int page) {
            scaled.ForEachPage([&](int scaledPage) {
                if (scaledPage != page) {
                    return;
                }
                const auto controls100 = Flatten(base.root);
                const auto controls = Flatten(scaled.root);
                ASSERT_EQ(controls100.size(), controls.size());
                for (size_t i = 0; i < controls.size(); ++i) {
                    if (!controls[i]->IsVisible()) {
                        continue;
                    }
                    const RECT r100 = controls100[i]->GetPos();
                    const RECT r = controls[i]->GetPos();
                    const std::string what = Narrow(controls[i]->GetName()) + " page " +
                                             std::to_string(page) + " " + Describe(r100) + " -> " +
                                             Describe(r);
                    EXPECT_NEAR(r100.left * dpi / 96.0, r.left, 1.0) << what;
                    EXPECT_NEAR(r100.top * dpi / 96.0, r.top, 1.0) << what;
                    EXPECT_NEAR(r100.right * dpi / 96.0, r.right, 1.0) << what;
                    EXPECT_NEAR(r100.bottom * dpi / 96.0, r.bottom, 1.0) << what;
                }
            });
        });
    }
}

TEST(DisplayScale, NoTextIsCutOrTouchesItsNeighbour) {
    const int dpi = PrefixDpi();
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        Built built(layout.id, dpi);
        ASSERT_NE(nullptr, built.root);
        // The result page's restart line is shown only after some installs: checked as shown.
        if (CControlUI* restart = built.manager->FindByName(L"restarttext")) {
            restart->SetVisible(true);
        }
        built.ForEachPage([&](int page) {
            std::vector<std::pair<CLabelUI*, RECT>> texts;
            for (CControlUI* control : Flatten(built.root)) {
                auto* label = dynamic_cast<CLabelUI*>(control);
                if (label == nullptr || !control->IsVisible()) {
                    continue;
                }
                const RECT drawn = DrawnText(*built.manager, label);
                if (drawn.right <= drawn.left) {
                    continue;
                }
                const RECT item = label->GetPos();
                const RECT pad = label->GetTextPadding();
                // Right-aligned text may keep blanks at its end: its glyphs end before the box.
                const RECT whole = {
                    drawn.left, drawn.top,
                    (label->GetTextStyle() & DT_RIGHT) != 0 ? item.right - pad.right : drawn.right,
                    drawn.bottom};
                const std::string what =
                    Narrow(control->GetName()) + " \"" + Narrow(label->GetText()) + "\" page " +
                    std::to_string(page) + " text " + Describe(drawn) + " in " + Describe(item);
                EXPECT_GE(whole.left, item.left + pad.left) << what;
                EXPECT_LE(whole.right, item.right - pad.right) << what;
                texts.emplace_back(label, drawn);
            }
            // The message box keeps the texts of every kind in one place and shows one kind at
            // a time: neighbours are checked in the main window only.
            if (!layout.mainWindow) {
                return;
            }
            const int gap = SkinUI::ScaleByDpi(2, dpi);
            for (size_t a = 0; a < texts.size(); ++a) {
                for (size_t b = a + 1; b < texts.size(); ++b) {
                    const RECT& ra = texts[a].second;
                    const RECT& rb = texts[b].second;
                    const bool sameRow = ra.top < rb.bottom && rb.top < ra.bottom;
                    if (!sameRow) {
                        continue;
                    }
                    const bool apart = ra.right + gap <= rb.left || rb.right + gap <= ra.left;
                    EXPECT_TRUE(apart)
                        << "page " << page << ": \"" << Narrow(texts[a].first->GetText()) << "\" "
                        << Describe(ra) << " and \"" << Narrow(texts[b].first->GetText()) << "\" "
                        << Describe(rb);
                }
            }
        });
    }
}

TEST(DisplayScale, DpiChangedTakesTheSuggestedRectAndTheNewScale) {
    HWND window = NewWindow();
    CUIManager manager;
    manager.AttachWindow(window);
    manager.SetDpi(96);
    CLayoutBuilder builder;
    CControlUI* root = builder.Build(MAKEINTRESOURCEW(IDX_MAIN_EN), L"xml", &manager, nullptr);
    ASSERT_NE(nullptr, root);
    manager.AttachRoot(root);
    SetWindowPos(window, nullptr, 10, 20, 586, 431, SWP_NOZORDER | SWP_NOACTIVATE);
    // Messages reach the manager as the installer's windows pass them on.
    LRESULT result = 0;
    RECT suggested = {10, 20, 10 + 1172, 20 + 862};
    EXPECT_TRUE(manager.OnWindowMessage(CUIManager::kDpiChangedMessage, MAKEWPARAM(192, 192),
                                        reinterpret_cast<LPARAM>(&suggested), result));
    EXPECT_EQ(192, manager.GetDpi());
    RECT now;
    GetWindowRect(window, &now);
    EXPECT_EQ(1172, now.right - now.left);
    EXPECT_EQ(862, now.bottom - now.top);
    manager.OnWindowMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(1172, 862), result);
    manager.LayoutIfNeeded();

    Built reference(IDX_MAIN_EN, 192);
    const auto controls = Flatten(root);
    const auto expected = Flatten(reference.root);
    ASSERT_EQ(expected.size(), controls.size());
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!controls[i]->IsVisible()) {
            continue;
        }
        const RECT a = controls[i]->GetPos();
        const RECT b = expected[i]->GetPos();
        EXPECT_TRUE(EqualRect(&a, &b))
            << Narrow(controls[i]->GetName()) << " " << Describe(a) << " vs " << Describe(b);
    }
    // Fonts were made again at the new size: the text font of the layout is 12 px at 100 %.
    const TEXTMETRICW& metrics = manager.GetFontMetrics(manager.GetFontEntry(1));
    EXPECT_GE(metrics.tmHeight, 2 * 12);

    // What WM_PAINT draws now matches a window built at 192 from the start.
    HDC screen = GetDC(nullptr);
    HDC a = CreateCompatibleDC(screen);
    HDC b = CreateCompatibleDC(screen);
    HBITMAP bitmapA = CreateCompatibleBitmap(screen, 1172, 862);
    HBITMAP bitmapB = CreateCompatibleBitmap(screen, 1172, 862);
    HGDIOBJ oldA = SelectObject(a, bitmapA);
    HGDIOBJ oldB = SelectObject(b, bitmapB);
    const RECT all = {0, 0, 1172, 862};
    manager.PaintTree(a, all);
    reference.manager->PaintTree(b, all);
    int differing = 0;
    for (int y = 0; y < 862; y += 7) {
        for (int x = 0; x < 1172; x += 7) {
            differing += GetPixel(a, x, y) != GetPixel(b, x, y);
        }
    }
    EXPECT_EQ(0, differing);
    SelectObject(a, oldA);
    SelectObject(b, oldB);
    DeleteObject(bitmapA);
    DeleteObject(bitmapB);
    DeleteDC(a);
    DeleteDC(b);
    ReleaseDC(nullptr, screen);
}

namespace {

// Sum of squared differences between neighbouring pixels (all three colours): a sharp edge
// puts its whole step between two pixels, a blurred one spreads it, which lowers the sum.
double EdgeEnergy(HDC dc, const RECT& area) {
    double energy = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        COLORREF left = GetPixel(dc, area.left, y);
        for (int x = area.left + 1; x < area.right; ++x) {
            const COLORREF here = GetPixel(dc, x, y);
            for (int shift : {0, 8, 16}) {
                const double d = static_cast<double>((here >> shift) & 0xFF) -
                                 static_cast<double>((left >> shift) & 0xFF);
                energy += d * d;
            }
            left = here;
        }
    }
    return energy;
}

// A 32-bit memory surface of a given size.
struct Surface {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    Surface(int width, int height) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        old = SelectObject(dc, bitmap);
        ReleaseDC(nullptr, screen);
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

// The same sum over pixels in memory (rows of `stride` pixels).
double EdgeEnergy(const DWORD* pixels, int stride, const RECT& area) {
    double energy = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        const DWORD* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = area.left + 1; x < area.right; ++x) {
            for (int shift : {0, 8, 16}) {
                const double d = static_cast<double>((row[x] >> shift) & 0xFF) -
                                 static_cast<double>((row[x - 1] >> shift) & 0xFF);
                energy += d * d;
            }
        }
    }
    return energy;
}

}  // namespace

TEST(DisplayScale, ImagesComeFromTheSetForTheScale) {
    // The close button's face is 31 x 32 at 100 %: from the 200 % set 1:1 at 192 DPI, brought
    // down from it at 144, and from the 100 % set at 96.
    for (const auto& [dpi, width, height] :
         {std::tuple<int, int, int>{96, 31, 32}, std::tuple<int, int, int>{144, 47, 48},
          std::tuple<int, int, int>{192, 62, 64}}) {
        HWND window = NewWindow();
        CUIManager manager;
        manager.AttachWindow(window);
        manager.SetDpi(dpi);
        const SkinUI::SkinImage* image = manager.FindImage(L"134", L"png");
        ASSERT_NE(nullptr, image) << dpi;
        EXPECT_EQ(width, image->width) << dpi;
        EXPECT_EQ(height, image->height) << dpi;
        if (dpi == 192) {
            // Exactly the 200 % picture, not the 100 % one made larger.
            auto drawn = SkinUI::CRenderer::DecodeSkinImage(MAKEINTRESOURCEW(134), L"png200", 0);
            ASSERT_TRUE(drawn);
            std::vector<DWORD> a(static_cast<size_t>(width) * height);
            std::vector<DWORD> b(a.size());
            GetBitmapBits(image->bitmap.get(), static_cast<LONG>(a.size() * 4), a.data());
            GetBitmapBits(drawn->bitmap.get(), static_cast<LONG>(b.size() * 4), b.data());
            EXPECT_EQ(a, b);
        }
    }
}

TEST(DisplayScale, TheWindowAt200IsSharperThanAt100ScaledUp) {
    Built at100(IDX_MAIN_EN, 96);
    Built at200(IDX_MAIN_EN, 192);
    ASSERT_NE(nullptr, at100.root);
    ASSERT_NE(nullptr, at200.root);
    Surface small(586, 431);
    Surface large(1172, 862);
    Surface upscaled(1172, 862);
    at100.manager->PaintTree(small.dc, RECT{0, 0, 586, 431});
    at200.manager->PaintTree(large.dc, RECT{0, 0, 1172, 862});
    SetStretchBltMode(upscaled.dc, HALFTONE);
    StretchBlt(upscaled.dc, 0, 0, 1172, 862, small.dc, 0, 0, 586, 431, SRCCOPY);
    // The title buttons (icons) and the folder and agreement row (text, check box, button).
    const RECT titleButtons = {1040, 16, 1164, 76};
    const RECT controlRow = {40, 596, 1120, 820};
    for (const RECT& area : {titleButtons, controlRow}) {
        const double sharp = EdgeEnergy(large.dc, area);
        const double blurred = EdgeEnergy(upscaled.dc, area);
        EXPECT_GT(sharp, blurred * 1.2) << Describe(area) << " " << sharp << " vs " << blurred;
    }
}

TEST(DisplayScale, BackgroundsAt200AreTheirDetailLayersOverThe100PictureUpscaled) {
    HWND window = NewWindow();
    CUIManager manager;
    manager.AttachWindow(window);
    manager.SetDpi(192);
    for (int id : {IDP_BG_EN_0, IDP_BG_EN_2, IDP_BG_ZH_0, IDP_BG_ZH_4}) {
        const std::wstring name = std::to_wstring(id);
        const SkinUI::SkinImage* image = manager.FindImage(name.c_str(), L"png");
        ASSERT_NE(nullptr, image) << id;
        ASSERT_EQ(1172, image->width) << id;
        ASSERT_EQ(862, image->height) << id;
        auto small = SkinUI::CRenderer::DecodeSkinImage(MAKEINTRESOURCEW(id), L"png", 0);
        auto layer = SkinUI::CRenderer::DecodeSkinImage(MAKEINTRESOURCEW(id), L"png200detail", 0);
        ASSERT_TRUE(small && layer) << id;
        auto upscaled = SkinUI::ResampleSkinImage(*small, 1172, 862);
        ASSERT_TRUE(upscaled);
        const DWORD* got = SkinUI::SkinImagePixels(*image);
        const DWORD* over = SkinUI::SkinImagePixels(*layer);
        const DWORD* under = SkinUI::SkinImagePixels(*upscaled);
        // The layer's pixels where it has any, the upscale elsewhere; it is the minority.
        size_t detailed = 0;
        size_t wrong = 0;
        for (size_t i = 0; i < size_t{1172} * 862; ++i) {
            const bool opaque = (over[i] >> 24) == 255;
            detailed += opaque ? 1 : 0;
            wrong += got[i] != (opaque ? over[i] : under[i]) ? 1 : 0;
        }
        EXPECT_EQ(0u, wrong) << id;
        EXPECT_GT(detailed, size_t{1172} * 862 / 100) << id;
        EXPECT_LT(detailed, size_t{1172} * 862 / 5) << id;

        // And the headline is sharper for it than the upscale alone.
        const RECT headline = {64, 200, 620, 440};
        const double sharp = EdgeEnergy(got, 1172, headline);
        const double blurred = EdgeEnergy(under, 1172, headline);
        EXPECT_GT(sharp, blurred * 1.2) << id << " " << sharp << " vs " << blurred;
    }
}

TEST(DisplayScale, APrefetchedBackgroundIsTheOneALoadGivesAndAScaleChangeDropsIt) {
    auto pixelsOf = [](const SkinUI::SkinImage* image) {
        const DWORD* p = SkinUI::SkinImagePixels(*image);
        return std::vector<DWORD>(p, p + static_cast<size_t>(image->width) * image->height);
    };
    const std::wstring name = std::to_wstring(IDP_BG_ZH_0);
    CUIManager direct;
    direct.SetDpi(192);
    const SkinUI::SkinImage* loaded = direct.FindImage(name.c_str(), L"png");
    ASSERT_NE(nullptr, loaded);

    CUIManager ahead;
    ahead.SetDpi(192);
    ahead.PrefetchImages((L"res='" + name + L"' restype='png'").c_str());
    const SkinUI::SkinImage* taken = ahead.FindImage(name.c_str(), L"png");
    ASSERT_NE(nullptr, taken);
    EXPECT_EQ(loaded->width, taken->width);
    EXPECT_EQ(pixelsOf(loaded), pixelsOf(taken));

    // Made for 192 but the window moved to 96 first: the image is loaded anew at 96.
    CUIManager moved;
    moved.SetDpi(192);
    moved.PrefetchImage(name.c_str(), L"png");
    moved.SetDpi(96);
    const SkinUI::SkinImage* small = moved.FindImage(name.c_str(), L"png");
    ASSERT_NE(nullptr, small);
    EXPECT_EQ(586, small->width);
    // A manager that goes away with a prefetch still running waits for it.
    CUIManager gone;
    gone.SetDpi(144);
    gone.PrefetchImage(name.c_str(), L"png");
}

// The texts the window puts on its pages when something stands in the way, in their longest
// forms (a volume of 1 TiB, the longest wait between attempts), and the links and the button
// that come with them: each inside its box, wrapped where it wraps, at this scale.
TEST(DisplayScale, TheTextsOfAnObstacleFitTheirBoxes) {
    const int dpi = PrefixDpi();
    struct Shown {
        int id;
        int page;
        const wchar_t* name;
        std::wstring text;  // "" keeps the layout's
    };
    const std::wstring diskEn =
        L"Not enough disk space on drive C: (1048576.0 MB needed, 1048575.9 MB free). The "
        L"download goes on by itself as soon as there is room.";
    const std::wstring diskZh =
        L"\x78C1\x76D8 C: \x7A7A\x95F4\x4E0D\x8DB3\xFF1A\x9700\x8981 1048576.0 MB\xFF0C\x53EF"
        L"\x7528 1048575.9 MB\x3002\x7A7A\x51FA\x7A7A\x95F4\x540E\xFF0C\x4E0B\x8F7D\x4F1A\x81EA"
        L"\x52A8\x7EE7\x7EED\x3002";
    const Shown shown[] = {
        {IDX_MAIN_EN, 1, L"obstacle", diskEn},
        {IDX_MAIN_EN, 1, L"obstacle", L"Waiting for the network, trying again in 30 s"},
        {IDX_MAIN_EN, 1, L"spaceretry", L""},
        {IDX_MAIN_EN, 1, L"spacefolder", L""},
        {IDX_MAIN_EN, 2, L"failreason", L""},
        {IDX_MAIN_EN, 2, L"manuallink", L""},
        {IDX_MAIN_ZH, 1, L"obstacle", diskZh},
        {IDX_MAIN_ZH, 1, L"obstacle",
         L"\x6B63\x5728\x7B49\x5F85\x7F51\x7EDC\xFF0C"
         L"30 \x79D2\x540E\x91CD\x8BD5"},
        {IDX_MAIN_ZH, 1, L"spaceretry", L""},
        {IDX_MAIN_ZH, 1, L"spacefolder", L""},
        {IDX_MAIN_ZH, 2, L"failreason", L""},
        {IDX_MAIN_ZH, 2, L"manuallink", L""},
    };
    for (const Shown& s : shown) {
        Built built(s.id, dpi);
        ASSERT_NE(nullptr, built.root);
        static_cast<CTabLayoutUI*>(built.manager->FindByName(L"switch"))->SelectItem(s.page);
        auto* label = dynamic_cast<CLabelUI*>(built.manager->FindByName(s.name));
        ASSERT_NE(nullptr, label) << Narrow(s.name);
        label->SetVisible(true);
        if (!s.text.empty()) {
            label->SetText(s.text.c_str());
        }
        built.LayOut();
        const RECT item = label->GetPos();
        const RECT pad = label->GetTextPadding();
        const std::string what = Narrow(s.name) + " \"" + Narrow(label->GetText()) + "\" in " +
                                 Describe(item) + " at " + std::to_string(dpi);
        if ((label->GetTextStyle() & DT_WORDBREAK) != 0) {
            // Wrapped: as many lines as it takes must fit the box's height.
            RECT measured = {0, 0, item.right - item.left - pad.left - pad.right, 0};
            HDC dc = built.manager->GetWindowDC();
            HGDIOBJ old = SelectObject(dc, built.manager->GetFontByIndex(label->GetFont()));
            DrawTextW(dc, label->GetText().c_str(), -1, &measured,
                      DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            SelectObject(dc, old);
            EXPECT_LE(measured.right, item.right - item.left - pad.left - pad.right) << what;
            EXPECT_LE(measured.bottom, item.bottom - item.top - pad.top - pad.bottom) << what;
            EXPECT_GT(measured.bottom, 0) << what;
        } else {
            const RECT drawn = DrawnText(*built.manager, label);
            EXPECT_GT(drawn.right, drawn.left) << what;
            EXPECT_GE(drawn.left, item.left + pad.left) << what;
            EXPECT_LE(drawn.right, item.right - pad.right) << what;
            EXPECT_LE(drawn.bottom - drawn.top, item.bottom - item.top) << what;
        }
    }
}
