// The installer's four layouts, loaded from this executable's resources with the real builder:
// the names the windows look up, the window settings and fonts, and every image they name.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "skinui/controls/controls.h"
#include "skinui/controls/layout_builder.h"
#include "skinui/core/manager_registry.h"
#include "skinui/core/ui_manager.h"
#include "tests/skinui/builder_test_support.h"
#include "tests/skinui/skin_test_support.h"

using BuilderTest::Flatten;
using BuilderTest::SharedWindow;
using SkinUI::CControlUI;
using SkinUI::CLayoutBuilder;
using SkinUI::CUIManager;

namespace {

const wchar_t kFace[] = L"\x5FAE\x8F6F\x96C5\x9ED1";

// Controls the main window looks up, with the class its code expects.
const std::map<std::wstring, std::wstring> kMainNames = {
    {L"bklayout", L"VerticalLayoutUI"},
    {L"switch", L"TabLayoutUI"},
    {L"minbtn", L"ButtonUI"},
    {L"closebtn", L"ButtonUI"},
    {L"installbtn", L"ButtonUI"},
    {L"pausebtn", L"ButtonUI"},
    {L"endbtn", L"ButtonUI"},
    {L"browse", L"ButtonUI"},
    {L"useragreement", L"ButtonUI"},
    {L"manualdownload", L"ButtonUI"},
    {L"dtedit", L"EditUI"},
    {L"progress", L"ProgressUI"},
    {L"accept", L"CheckBoxUI"},
    {L"quicklaunch", L"CheckBoxUI"},
    {L"downladspeed", L"LabelUI"},
    {L"progressread", L"LabelUI"},
    {L"status", L"LabelUI"},
    {L"finishtext", L"LabelUI"},
    {L"downtip", L"LabelUI"},
    {L"obstacle", L"TextUI"},
    {L"spaceretry", L"ButtonUI"},
    {L"spacefolder", L"ButtonUI"},
    {L"failreason", L"TextUI"},
    {L"manuallink", L"ButtonUI"},
    {L"hclogo", L"LabelUI"},
};

// Controls the message box looks up.
const std::map<std::wstring, std::wstring> kBoxNames = {
    {L"bklayout", L"VerticalLayoutUI"},
    {L"closebtn", L"ButtonUI"},
    {L"msg11", L"LabelUI"},
    {L"msg12", L"LabelUI"},
    {L"msg13", L"LabelUI"},
    {L"msg21", L"LabelUI"},
    {L"msg22", L"LabelUI"},
    {L"msg23", L"LabelUI"},
    {L"msg31", L"LabelUI"},
    {L"msg41", L"LabelUI"},
    {L"msg51", L"LabelUI"},
    {L"msg61", L"LabelUI"},
    {L"msg62", L"LabelUI"},
    {L"btnDetail", L"ButtonUI"},
    {L"btnRetry", L"ButtonUI"},
    {L"btnQuitCenter", L"ButtonUI"},
    {L"btnQuit", L"ButtonUI"},
    {L"btnContinueSetup", L"ButtonUI"},
    {L"btnCancelSetup", L"ButtonUI"},
    {L"btnOK", L"ButtonUI"},
    {L"btnCancel", L"ButtonUI"},
    {L"btnISee", L"ButtonUI"},
};

// Every PNG resource with its size.
std::map<int, SIZE> ImageSizes() {
    std::map<int, SIZE> sizes;
    for (int id : {130, 131, 132, 168, 169, 170, 171, 172, 173, 174}) {
        sizes[id] = {586, 431};
    }
    for (int id : {133, 134, 135, 139, 140, 141}) {
        sizes[id] = {31, 32};
    }
    for (int id : {136, 137, 138}) {
        sizes[id] = {139, 39};
    }
    for (int id : {142, 143, 144}) {
        sizes[id] = {27, 22};
    }
    for (int id : {145, 146, 147}) {
        sizes[id] = {183, 51};
    }
    sizes[148] = sizes[149] = {13, 13};
    sizes[150] = {232, 22};
    sizes[151] = sizes[153] = {534, 20};
    sizes[152] = {6, 6};
    sizes[157] = {300, 180};
    for (int id : {158, 159, 160}) {
        sizes[id] = {76, 34};
    }
    sizes[161] = {99, 28};
    for (int id : {162, 163, 164}) {
        sizes[id] = {14, 14};
    }
    sizes[165] = {32, 32};
    return sizes;
}

// One layout built into a manager of the shared window and laid out as the window would.
struct BuiltLayout {
    explicit BuiltLayout(UINT id) {
        manager.AttachWindow(SharedWindow());
        root = builder.Build(id, L"xml", &manager);
        if (root != nullptr) {
            manager.AttachRoot(root);
            manager.LayoutIfNeeded();
        }
    }
    // The names of the tree in document order (unnamed controls as "").
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (CControlUI* control : Flatten(root)) {
            names.push_back(control->GetName());
        }
        return names;
    }
    // Resource ids of the images the document names, anywhere in any attribute.
    std::set<int> ImageIds() {
        std::set<int> ids;
        const std::wregex image(L"res='(\\d+)' restype='png'");
        Collect(builder.GetDocument().Root(), image, ids);
        return ids;
    }
    static void Collect(SkinUI::CXmlNode node, const std::wregex& image, std::set<int>& ids) {
        for (; node.IsValid(); node = node.NextSibling()) {
            for (int i = 0; i < node.AttributeCount(); ++i) {
                const std::wstring value = node.AttributeValue(i);
                for (std::wsregex_iterator it(value.begin(), value.end(), image), end; it != end;
                     ++it) {
                    ids.insert(std::stoi((*it)[1].str()));
                }
            }
            Collect(node.FirstChild(), image, ids);
        }
    }

    CUIManager manager;
    CLayoutBuilder builder;
    CControlUI* root = nullptr;
};

void ExpectNames(BuiltLayout& layout, const std::map<std::wstring, std::wstring>& names) {
    for (const auto& [name, className] : names) {
        CControlUI* control = layout.manager.FindByName(name.c_str());
        ASSERT_NE(control, nullptr) << "no control named " << std::string(name.begin(), name.end());
        EXPECT_EQ(std::wstring(control->GetClassName()), className);
    }
}

void ExpectWindow(BuiltLayout& layout, SIZE size, std::vector<int> fontSizes, SIZE corner) {
    EXPECT_EQ(layout.manager.GetInitSize().cx, size.cx);
    EXPECT_EQ(layout.manager.GetInitSize().cy, size.cy);
    const RECT caption = layout.manager.WindowMetrics().Caption();
    EXPECT_EQ(caption.left, 0);
    EXPECT_EQ(caption.top, 0);
    EXPECT_EQ(caption.right, 0);
    EXPECT_EQ(caption.bottom, size.cy);
    EXPECT_EQ(layout.manager.WindowMetrics().RoundCorner().cx, corner.cx);
    EXPECT_EQ(layout.manager.WindowMetrics().RoundCorner().cy, corner.cy);
    ASSERT_EQ(layout.manager.GetFontCount(), static_cast<int>(fontSizes.size()));
    for (std::size_t i = 0; i < fontSizes.size(); ++i) {
        SkinUI::FontEntry* font = layout.manager.GetFontEntry(static_cast<int>(i));
        EXPECT_EQ(font->face, kFace);
        EXPECT_EQ(font->size, fontSizes[i]);
        EXPECT_FALSE(font->bold || font->italic || font->underline);
    }
    EXPECT_EQ(layout.root->GetName(), L"bklayout");
    const RECT all = layout.root->GetPos();
    EXPECT_EQ(all.right - all.left, size.cx) << "the root fills the window";
    EXPECT_EQ(all.bottom - all.top, size.cy);
}

}  // namespace

TEST(InstallerLayouts, MainWindowInBothLanguages) {
    BuiltLayout english(IDX_MAIN_EN);
    ASSERT_NE(english.root, nullptr);
    ExpectWindow(english, {586, 431}, {20, 12}, {0, 1});
    ExpectNames(english, kMainNames);
    BuiltLayout chinese(IDX_MAIN_ZH);
    ASSERT_NE(chinese.root, nullptr);
    ExpectWindow(chinese, {586, 431}, {20, 12}, {0, 1});
    ExpectNames(chinese, kMainNames);
    EXPECT_EQ(english.Names(), chinese.Names());
    EXPECT_EQ(english.manager.FindByName(L"createdesktop"), nullptr);

    for (BuiltLayout* layout : {&english, &chinese}) {
        auto* tabs = static_cast<SkinUI::CTabLayoutUI*>(layout->manager.FindByName(L"switch"));
        EXPECT_EQ(tabs->Count(), 3);
        EXPECT_EQ(tabs->GetCurSel(), 0) << "the folder page shows first";
        const RECT install = layout->manager.FindByName(L"installbtn")->GetPos();
        EXPECT_EQ(install.left, 440);
        EXPECT_EQ(install.top, 46 + 320) << "below the 46-pixel title strip";
        EXPECT_EQ(install.right - install.left, 100);
        EXPECT_EQ(install.bottom - install.top, 39);
    }
}

TEST(InstallerLayouts, MessageBoxInBothLanguages) {
    BuiltLayout chinese(IDX_MSGBOX_ZH);
    ASSERT_NE(chinese.root, nullptr);
    ExpectWindow(chinese, {300, 180}, {14}, {4, 4});
    ExpectNames(chinese, kBoxNames);
    BuiltLayout english(IDX_MSGBOX_EN);
    ASSERT_NE(english.root, nullptr);
    ExpectWindow(english, {300, 180}, {13}, {4, 4});
    ExpectNames(english, kBoxNames);
    EXPECT_EQ(english.Names(), chinese.Names());
    for (CControlUI* control : Flatten(english.root)) {
        EXPECT_TRUE(control->IsVisible()) << "every control is visible when just built";
    }
    EXPECT_EQ(english.manager.FindByName(L"msg13")->GetText(), L" CPU temporarily.");
    EXPECT_EQ(chinese.manager.FindByName(L"msg13")->GetText(),
              L" \x578B\x53F7"
              L"CPU");
}

TEST(InstallerLayouts, EveryImageNamedExistsWithItsSize) {
    const std::map<int, SIZE> sizes = ImageSizes();
    // The backgrounds of the rotation and the stage-1 progress image are set from code.
    std::set<int> named = {130, 131, 132, 168, 169, 170, 171, 172, 173, 174, 153};
    for (UINT id : {IDX_MAIN_EN, IDX_MAIN_ZH, IDX_MSGBOX_ZH, IDX_MSGBOX_EN}) {
        BuiltLayout layout(id);
        ASSERT_NE(layout.root, nullptr);
        const std::set<int> ids = layout.ImageIds();
        EXPECT_GE(ids.size(), 5u) << "layout " << id;
        named.insert(ids.begin(), ids.end());
    }
    CUIManager manager;
    for (int id : named) {
        SCOPED_TRACE(id);
        auto expected = sizes.find(id);
        ASSERT_NE(expected, sizes.end()) << "a layout names an image the table does not have";
        const SkinUI::SkinImage* image = manager.FindImage(std::to_wstring(id).c_str(), L"png", 0);
        ASSERT_NE(image, nullptr) << "no PNG resource";
        EXPECT_EQ(image->width, expected->second.cx);
        EXPECT_EQ(image->height, expected->second.cy);
    }
}

namespace {

std::vector<std::wstring> TabOrder(CUIManager& manager) {
    std::vector<std::wstring> names;
    for (CControlUI* control : manager.GetTabStops()) {
        names.push_back(control->GetName());
    }
    return names;
}

// The main layout's page (0 folder, 1 progress, 2 result) made the one that shows, as the
// window's stages do.
void ShowPage(BuiltLayout& layout, int page) {
    static_cast<SkinUI::CTabLayoutUI*>(layout.manager.FindByName(L"switch"))->SelectItem(page);
    layout.manager.LayoutIfNeeded();
}

}  // namespace

TEST(InstallerLayouts, KeyboardReachesEveryActionableControlOfThePageInReadingOrder) {
    for (UINT id : {IDX_MAIN_EN, IDX_MAIN_ZH}) {
        SCOPED_TRACE(id);
        BuiltLayout layout(id);
        ASSERT_NE(layout.root, nullptr);
        // The window buttons are reached by Esc, Alt+F4 and the system menu, as Windows'
        // caption buttons are; the hidden quick-launch box is none.
        layout.manager.FindByName(L"quicklaunch")->SetVisible(false);
        EXPECT_EQ(TabOrder(layout.manager),
                  (std::vector<std::wstring>{L"dtedit", L"browse", L"accept", L"useragreement",
                                             L"installbtn"}));
        EXPECT_EQ(layout.manager.GetFocus(), layout.manager.FindByName(L"installbtn"));
        EXPECT_EQ(layout.manager.GetDefaultButton(), layout.manager.FindByName(L"installbtn"));
        EXPECT_EQ(layout.manager.GetCancelButton(), layout.manager.FindByName(L"closebtn"));
        ShowPage(layout, 1);
        EXPECT_EQ(TabOrder(layout.manager),
                  (std::vector<std::wstring>{L"manualdownload", L"pausebtn"}));
        EXPECT_EQ(layout.manager.GetDefaultButton(), nullptr);
        // A full disk: its Retry above the bar, the way back to the folder on the row below it.
        for (const wchar_t* name : {L"obstacle", L"spaceretry", L"spacefolder"}) {
            layout.manager.FindByName(name)->SetVisible(true);
        }
        layout.manager.LayoutIfNeeded();
        EXPECT_EQ(TabOrder(layout.manager),
                  (std::vector<std::wstring>{L"spaceretry", L"spacefolder", L"manualdownload",
                                             L"pausebtn"}));
        ShowPage(layout, 2);
        EXPECT_EQ(TabOrder(layout.manager), (std::vector<std::wstring>{L"endbtn"}));
        EXPECT_EQ(layout.manager.GetFocus(), layout.manager.FindByName(L"endbtn"));
        // A refused package: the link to the complete package, below the page's button.
        layout.manager.FindByName(L"failreason")->SetVisible(true);
        layout.manager.FindByName(L"manuallink")->SetVisible(true);
        layout.manager.LayoutIfNeeded();
        EXPECT_EQ(TabOrder(layout.manager), (std::vector<std::wstring>{L"endbtn", L"manuallink"}));
        EXPECT_EQ(layout.manager.GetCancelButton(), layout.manager.FindByName(L"closebtn"));
    }
}

TEST(InstallerLayouts, EachMessageBoxOffersItsPositiveOrOnlyAnswerAndEscIsItsClose) {
    // The buttons each kind shows (as the box does), its default first.
    const std::vector<std::vector<std::wstring>> kinds = {
        {L"btnISee"},
        {L"btnQuitCenter"},
        {L"btnRetry", L"btnQuit"},
        {L"btnContinueSetup", L"btnCancelSetup"},
        {L"btnOK", L"btnCancel"},
    };
    const std::vector<std::wstring> all = {L"btnISee",        L"btnQuit",   L"btnQuitCenter",
                                           L"btnRetry",       L"btnDetail", L"btnContinueSetup",
                                           L"btnCancelSetup", L"btnOK",     L"btnCancel"};
    for (UINT id : {IDX_MSGBOX_EN, IDX_MSGBOX_ZH}) {
        BuiltLayout layout(id);
        ASSERT_NE(layout.root, nullptr);
        for (const auto& shown : kinds) {
            SCOPED_TRACE(std::string(shown[0].begin(), shown[0].end()));
            for (const std::wstring& name : all) {
                layout.manager.FindByName(name.c_str())->SetVisible(false);
            }
            for (const std::wstring& name : shown) {
                layout.manager.FindByName(name.c_str())->SetVisible(true);
            }
            layout.manager.FocusDefaultButton();
            CControlUI* positive = layout.manager.FindByName(shown[0].c_str());
            EXPECT_EQ(layout.manager.GetFocus(), positive);
            EXPECT_EQ(layout.manager.GetDefaultButton(), positive);
            EXPECT_EQ(layout.manager.GetCancelButton(), layout.manager.FindByName(L"closebtn"));
            // Left to right, the close button (top right) left out.
            EXPECT_EQ(TabOrder(layout.manager), shown);
        }
    }
}

// Counts the pixels where two pictures differ, failing for each one outside the band of the
// ring (outside its rectangle or inside the control).
int ChangedOnlyInRing(const SkinTest::Dib& a, const SkinTest::Dib& b, const RECT& ring,
                      const RECT& item) {
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.Rgb(x, y) == b.Rgb(x, y)) {
                continue;
            }
            ++changed;
            const POINT p = {x, y};
            EXPECT_TRUE(PtInRect(&ring, p) && !PtInRect(&item, p))
                << "changed at " << x << "," << y;
        }
    }
    return changed;
}

// Looks at rest stay as they were: the picture with the focus drawn differs from the one
// without any focus only in the ring around the focused control, and the focus that the
// keyboard has not used yet is not drawn at all.
TEST(InstallerLayouts, FocusOnInstallChangesOnlyThePixelsAroundIt) {
    // The test prefix has Windows' default: keyboard cues are not shown always.
    BOOL cuesAlways = TRUE;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cuesAlways, 0));
    ASSERT_FALSE(cuesAlways);
    SkinUI::ManagerRegistry::SetKeyboardLastUsed(false);
    for (UINT id : {IDX_MAIN_EN, IDX_MAIN_ZH}) {
        SCOPED_TRACE(id);
        BuiltLayout layout(id);
        ASSERT_NE(layout.root, nullptr);
        CControlUI* install = layout.manager.FindByName(L"installbtn");
        ASSERT_EQ(layout.manager.GetFocus(), install);
        ASSERT_FALSE(layout.manager.IsFocusShown());
        auto render = [&layout] {
            auto dib = std::make_unique<SkinTest::Dib>(586, 431);
            layout.manager.PaintTree(dib->dc(), dib->rect());
            return dib;
        };
        auto focusHidden = render();
        layout.manager.FocusControl(nullptr);
        auto noFocus = render();
        EXPECT_EQ(ChangedOnlyInRing(*focusHidden, *noFocus, RECT{}, RECT{}), 0);

        layout.manager.ShowFocusFromKeyboard();
        SkinUI::ManagerRegistry::SetKeyboardLastUsed(false);
        const std::wstring tag = id == IDX_MAIN_EN ? L"en" : L"zh";
        // Every stop of the page: its ring and nothing else (the pictures are kept to look at).
        for (CControlUI* stop : layout.manager.GetTabStops()) {
            const std::wstring name = stop->GetName();
            SCOPED_TRACE(std::string(name.begin(), name.end()));
            layout.manager.FocusControl(stop);
            auto focused = render();
            SkinTest::WritePngFile(L"focus_" + name + L"_" + tag + L".png", 586, 431,
                                   [&](int x, int y) { return focused->At(x, y) | 0xFF000000; });
            const RECT ring = layout.manager.FocusRingRectOf(stop);
            ASSERT_FALSE(IsRectEmpty(&ring));
            // The field's open native box is a window of its own, not in this picture.
            EXPECT_GT(ChangedOnlyInRing(*focused, *noFocus, ring, stop->GetPos()), 0);
        }

        layout.manager.FocusControl(install);
        auto focusShown = render();
        const RECT ring = layout.manager.FocusRingRectOf(install);
        const int changed = ChangedOnlyInRing(*focusShown, *noFocus, ring, install->GetPos());
        // Most of the ring's band differs from what lies under it (the band is 2 wide).
        const int band = 2 * 2 * ((ring.right - ring.left) + (ring.bottom - ring.top) - 4);
        EXPECT_GT(changed, band * 9 / 10);
        EXPECT_LE(changed, band);
    }
}
