// The installer's windows in high contrast, drawn by the real framework with the system colours
// of Windows' "High Contrast Black" scheme in the prefix's registry (VELMORA_HIGH_CONTRAST_COLORS;
// Wine 8 cannot turn high contrast itself on, so the setting comes through the framework's
// seam): every page and message box both ways, every text against what is behind it at a WCAG
// contrast of at least 7:1 on the drawn pixels, and a switch while the window is up.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "skinui/controls/controls.h"
#include "skinui/controls/layout_builder.h"
#include "skinui/core/high_contrast.h"
#include "skinui/core/ui_manager.h"
#include "tests/skinui/builder_test_support.h"
#include "tests/skinui/skin_test_support.h"

using BuilderTest::Flatten;
using BuilderTest::Narrow;
using SkinTest::Dib;
using SkinUI::CControlUI;
using SkinUI::CLabelUI;
using SkinUI::CLayoutBuilder;
using SkinUI::CTabLayoutUI;
using SkinUI::CUIManager;

namespace {

// WCAG 2 relative luminance of an sRGB colour (0xRRGGBB).
double Luminance(DWORD rgb) {
    auto channel = [](DWORD value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel((rgb >> 16) & 0xFF) + 0.7152 * channel((rgb >> 8) & 0xFF) +
           0.0722 * channel(rgb & 0xFF);
}

double ContrastRatio(DWORD a, DWORD b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Restores the system's answer whatever a test did.
struct HighContrast {
    explicit HighContrast(int state) { SkinUI::SetHighContrastForTesting(state); }
    ~HighContrast() { SkinUI::SetHighContrastForTesting(-1); }
};

// One layout built into a manager of the shared window at 100 %, with a frame's changes.
struct Built {
    CUIManager manager;
    CControlUI* root = nullptr;

    explicit Built(int id, HWND window = BuilderTest::SharedWindow()) {
        manager.AttachWindow(window);
        manager.SetDpi(96);
        CLayoutBuilder builder;
        root = builder.Build(MAKEINTRESOURCEW(id), L"xml", &manager, nullptr);
        if (root != nullptr) {
            manager.AttachRoot(root);
        }
    }
    CControlUI* Find(const wchar_t* name) { return manager.FindByName(name); }
    void Page(int page) {
        if (auto* tabs = dynamic_cast<CTabLayoutUI*>(Find(L"switch"))) {
            tabs->SelectItem(page);
        }
    }
    void LayOut() {
        const SIZE size = manager.GetInitSize();
        root->SetPos(RECT{0, 0, size.cx, size.cy});
    }
    std::unique_ptr<Dib> Draw() {
        LayOut();
        const SIZE size = manager.GetInitSize();
        auto dib = std::make_unique<Dib>(size.cx, size.cy);
        root->Paint(dib->dc(), dib->rect());
        return dib;
    }
};

// Every visible text of the drawn frame: the colour most of its box has (what is behind the
// text) against the colour of its box that stands out most from it.
void ExpectReadableTexts(Built& built, const Dib& dib, const std::string& frame) {
    int checked = 0;
    for (CControlUI* control : Flatten(built.root)) {
        auto* label = dynamic_cast<CLabelUI*>(control);
        if (label == nullptr || !control->IsVisible() || label->GetText().empty()) {
            continue;
        }
        // Hidden by an invisible parent (another page) counts as hidden.
        bool shown = true;
        for (CControlUI* up = control->GetParent(); up != nullptr; up = up->GetParent()) {
            shown = shown && up->IsVisible();
        }
        RECT box = control->GetPos();
        const RECT whole = dib.rect();
        IntersectRect(&box, &box, &whole);
        if (!shown || IsRectEmpty(&box)) {
            continue;
        }
        std::map<DWORD, int> counts;
        for (int y = box.top; y < box.bottom; ++y) {
            for (int x = box.left; x < box.right; ++x) {
                ++counts[dib.Rgb(x, y)];
            }
        }
        DWORD back = 0;
        int most = 0;
        for (const auto& c : counts) {
            if (c.second > most) {
                most = c.second;
                back = c.first;
            }
        }
        double best = 1.0;
        for (const auto& c : counts) {
            best = std::max(best, ContrastRatio(back, c.first));
        }
        EXPECT_GE(best, 7.0) << frame << ": " << Narrow(control->GetName()) << " \""
                             << Narrow(label->GetText()) << "\" on " << std::hex << back;
        ++checked;
    }
    EXPECT_GT(checked, 0) << frame;
}

void Save(const Dib& dib, const std::wstring& name) {
    SkinTest::WritePngFile(name, dib.width(), dib.height(),
                           [&](int x, int y) { return 0xFF000000u | dib.Rgb(x, y); });
}

// What each frame shows: the main window's pages (the progress page also with a full disk,
// the result page also with a refused package) and the message box's six kinds.
struct Frame {
    const char* name;
    int page;  // -1: a message box
    std::vector<const wchar_t*> show;
    std::vector<const wchar_t*> hide;
};

const wchar_t* const kBoxControls[] = {L"msg11",
                                       L"msg12",
                                       L"msg13",
                                       L"msg21",
                                       L"msg22",
                                       L"msg23",
                                       L"msg31",
                                       L"msg41",
                                       L"msg51",
                                       L"msg61",
                                       L"msg62",
                                       L"btnISee",
                                       L"btnQuit",
                                       L"btnQuitCenter",
                                       L"btnRetry",
                                       L"btnDetail",
                                       L"btnContinueSetup",
                                       L"btnCancelSetup",
                                       L"btnOK",
                                       L"btnCancel"};

std::vector<Frame> MainFrames() {
    return {{"start", 0, {}, {L"quicklaunch"}},
            {"progress", 1, {}, {L"pausebtn", L"downtip", L"manualdownload", L"downladspeed"}},
            {"disk",
             1,
             {L"obstacle", L"spaceretry", L"spacefolder"},
             {L"pausebtn", L"downtip", L"manualdownload", L"downladspeed"}},
            {"result", 2, {}, {}},
            {"refused", 2, {L"failreason", L"manuallink"}, {}}};
}

std::vector<Frame> BoxFrames() {
    return {{"cpu", -1, {L"msg11", L"msg12", L"msg13", L"btnQuitCenter"}, {}},
            {"xp", -1, {L"msg21", L"msg22", L"msg23", L"btnISee"}, {}},
            {"config", -1, {L"msg31", L"btnRetry", L"btnQuit"}, {}},
            {"cancel", -1, {L"msg41", L"btnContinueSetup", L"btnCancelSetup"}, {}},
            {"exit", -1, {L"msg51", L"btnOK", L"btnCancel"}, {}},
            {"os", -1, {L"msg61", L"msg62", L"btnQuitCenter"}, {}}};
}

void Apply(Built& built, const Frame& frame) {
    if (frame.page >= 0) {
        built.Page(frame.page);
        if (CControlUI* obstacle = built.Find(L"obstacle")) {
            obstacle->SetText(
                L"Not enough disk space on drive C: (120.5 MB needed, 20.0 MB free). The "
                L"download goes on by itself as soon as there is room.");
        }
        // The window shows the logo itself where the background image carried it.
        if (CControlUI* logo = built.Find(L"hclogo")) {
            logo->SetVisible(SkinUI::IsHighContrastOn());
        }
    } else {
        for (const wchar_t* name : kBoxControls) {
            built.Find(name)->SetVisible(false);
        }
    }
    for (const wchar_t* name : frame.show) {
        built.Find(name)->SetVisible(true);
    }
    for (const wchar_t* name : frame.hide) {
        built.Find(name)->SetVisible(false);
    }
}

}  // namespace

TEST(HighContrast, ThePrefixHasTheHighContrastBlackColours) {
    EXPECT_EQ(0xFF000000u, SkinUI::SystemColor(COLOR_WINDOW));
    EXPECT_EQ(0xFFFFFFFFu, SkinUI::SystemColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(0xFFFFFF00u, SkinUI::SystemColor(COLOR_HOTLIGHT));
    // Wine 8 keeps no high contrast setting: the framework's own answer is "off" until set.
    EXPECT_FALSE(SkinUI::IsHighContrastOn());
}

TEST(HighContrast, EveryPageAndBoxBothWaysWithEveryTextAtLeast7To1) {
    struct Window {
        int id;
        const wchar_t* name;
        std::vector<Frame> frames;
    };
    const Window windows[] = {{IDX_MAIN_EN, L"main_en", MainFrames()},
                              {IDX_MAIN_ZH, L"main_zh", MainFrames()},
                              {IDX_MSGBOX_EN, L"msgbox_en", BoxFrames()},
                              {IDX_MSGBOX_ZH, L"msgbox_zh", BoxFrames()}};
    for (const Window& window : windows) {
        for (const Frame& frame : window.frames) {
            const std::string what = Narrow(window.name) + " " + frame.name;
            std::unique_ptr<Dib> normal;
            {
                HighContrast off(0);
                Built built(window.id);
                ASSERT_NE(nullptr, built.root) << what;
                Apply(built, frame);
                normal = built.Draw();
            }
            HighContrast on(1);
            Built built(window.id);
            Apply(built, frame);
            std::unique_ptr<Dib> contrast = built.Draw();
            // The decorative background gave way to the window colour (the top-left corner
            // is background in every window), which the skin's picture is not.
            EXPECT_EQ(0u, contrast->Rgb(2, 2)) << what;
            EXPECT_NE(0u, normal->Rgb(2, 2)) << what;
            ExpectReadableTexts(built, *contrast, what);
            const std::wstring file =
                std::wstring(window.name) + L"_" +
                std::wstring(frame.name, frame.name + std::strlen(frame.name));
            Save(*normal, file + L"_normal.png");
            Save(*contrast, file + L"_contrast.png");
        }
    }
}

TEST(HighContrast, MeaningfulImagesStayAndTheProgressUsesTheHighlight) {
    HighContrast on(1);
    Built box(IDX_MSGBOX_EN);
    std::unique_ptr<Dib> dib = box.Draw();
    // The logo of the box is drawn: its pixels are not all the window colour.
    const RECT logo = box.Find(L"Icon")->GetPos();
    int lit = 0;
    for (int y = logo.top; y < logo.bottom; ++y) {
        for (int x = logo.left; x < logo.right; ++x) {
            lit += dib->Rgb(x, y) != 0;
        }
    }
    EXPECT_GT(lit, 50);

    Built main(IDX_MAIN_EN);
    main.Page(1);
    main.Find(L"pausebtn")->SetVisible(false);  // the stage hides it
    auto* bar = dynamic_cast<SkinUI::CProgressUI*>(main.Find(L"progress"));
    ASSERT_NE(nullptr, bar);
    bar->SetValue(50);
    dib = main.Draw();
    const RECT r = bar->GetPos();
    const int y = (r.top + r.bottom) / 2;
    EXPECT_EQ(SkinUI::SystemColor(COLOR_HIGHLIGHT) & 0xFFFFFF, dib->Rgb(r.left + 20, y));
    EXPECT_EQ(0u, dib->Rgb(r.right - 20, y)) << "the rest of the track in the window colour";
    EXPECT_EQ(0xFFFFFFu, dib->Rgb(r.right - 1, y))
        << "framed in the text colour " << r.left << "," << r.top << "," << r.right << ","
        << r.bottom << " " << std::hex << dib->Rgb(r.right - 2, y) << " " << dib->Rgb(r.right, y);
}

TEST(HighContrast, TheWindowFollowsASwitchWhileItIsUp) {
    // A window on the screen: only a shown window has something to paint anew.
    HWND window = CreateWindowExW(0, L"STATIC", L"switch", WS_POPUP | WS_VISIBLE, 0, 0, 586, 431,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    Built built(IDX_MAIN_EN, window);
    auto background = [&] { return built.Draw()->Rgb(300, 200); };
    SkinUI::SetHighContrastForTesting(-1);
    const DWORD skin = background();
    EXPECT_NE(0u, skin);
    // High contrast goes on: Windows tells every window with WM_SETTINGCHANGE.
    HighContrast on(1);
    ValidateRect(window, nullptr);
    LRESULT result = 0;
    built.manager.OnWindowMessage(WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, result);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE)) << "the window is painted anew";
    EXPECT_EQ(0u, background());
    // ... and off again, this time told by WM_SYSCOLORCHANGE.
    SkinUI::SetHighContrastForTesting(0);
    ValidateRect(window, nullptr);
    built.manager.OnWindowMessage(WM_SYSCOLORCHANGE, 0, 0, result);
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_EQ(skin, background());
    built.manager.AttachWindow(BuilderTest::SharedWindow());
    DestroyWindow(window);
}
