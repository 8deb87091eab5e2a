// The layout builder's document sources, window settings, fonts, images, default attribute lists
// and Include elements.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "skinui/controls/controls.h"
#include "skinui/controls/layout_builder.h"
#include "skinui/core/ui_manager.h"
#include "tests/skinui/builder_test_resources.h"
#include "tests/skinui/builder_test_support.h"
#include "tests/skinui/skin_test_support.h"

using BuilderTest::ChildNames;
using BuilderTest::Children;
using BuilderTest::Flatten;
using BuilderTest::SharedWindow;
using SkinUI::CControlUI;
using SkinUI::CLayoutBuilder;
using SkinUI::CUIManager;

namespace {

const char kTreeText[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<Window size=\"320,200\">\n"
    "    <Font name=\"Arial\" size=\"15\" />\n"
    "    <VerticalLayout name=\"top\">\n"
    "        <Label name=\"greeting\" text=\"\xE4\xBD\xA0\xE5\xA5\xBD\" />\n"
    "    </VerticalLayout>\n"
    "</Window>\n";

// The tree of tree.xml: checks it and the settings it leaves in the manager, then frees it.
void ExpectTreeLayout(CControlUI* root, CUIManager& manager, const char* source) {
    SCOPED_TRACE(source);
    std::unique_ptr<CControlUI> owned(root);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetClassName(), L"VerticalLayoutUI");
    EXPECT_EQ(root->GetName(), L"top");
    std::vector<CControlUI*> children = Children(root);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_STREQ(children[0]->GetClassName(), L"LabelUI");
    EXPECT_EQ(children[0]->GetText(), L"\x4F60\x597D");  // UTF-8 decoded
    EXPECT_EQ(manager.GetFontCount(), 1);
    EXPECT_EQ(manager.GetInitSize().cx, 320);
    EXPECT_EQ(manager.GetInitSize().cy, 200);
}

CControlUI* BuildText(const wchar_t* text, CUIManager* manager, CControlUI* parent = nullptr) {
    CLayoutBuilder builder;
    return builder.Build(text, nullptr, manager, parent);
}

}  // namespace

TEST(LayoutSources, ResourceTextAndFileGiveTheSameTree) {
    {
        CUIManager manager;
        manager.AttachWindow(SharedWindow());
        CLayoutBuilder builder;
        // The resource type is "XML"; Windows matches type names without regard to case.
        ExpectTreeLayout(builder.Build(IDX_BUILDER_TREE, L"xml", &manager), manager, "resource");
    }
    {
        CUIManager manager;
        manager.AttachWindow(SharedWindow());
        CLayoutBuilder builder;
        ExpectTreeLayout(builder.Build(IDR_BUILDER_TREE_DATA, RT_RCDATA, &manager), manager,
                         "numeric resource type");
    }
    {
        CUIManager manager;
        manager.AttachWindow(SharedWindow());
        BuilderTest::WriteTextFile("builder_tree.xml", kTreeText);
        CLayoutBuilder builder;
        ExpectTreeLayout(builder.Build(L"builder_tree.xml", nullptr, &manager), manager, "file");
    }
    {
        CUIManager manager;
        manager.AttachWindow(SharedWindow());
        std::string utf8 = std::strchr(kTreeText, '\n') + 1;  // the text begins with '<Window'
        int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
        std::wstring text(length, L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &text[0], length);
        CLayoutBuilder builder;
        ExpectTreeLayout(builder.Build(text.c_str(), nullptr, &manager), manager, "text");
    }
}

TEST(LayoutSources, FailuresGiveNoTree) {
    CUIManager manager;
    CLayoutBuilder builder;
    EXPECT_EQ(builder.Build(nullptr, L"xml", &manager), nullptr);
    EXPECT_EQ(builder.Build(IDX_BUILDER_TREE, nullptr, &manager), nullptr) << "no type";
    EXPECT_EQ(builder.Build(IDX_BUILDER_TREE, L"", &manager), nullptr) << "empty type";
    EXPECT_EQ(builder.Build(4711u, L"xml", &manager), nullptr) << "no such resource";
    EXPECT_EQ(builder.Build(IDX_BUILDER_TREE, L"png", &manager), nullptr) << "other type";
    EXPECT_EQ(builder.Build(L"no such file.xml", nullptr, &manager), nullptr);
    EXPECT_EQ(builder.Build(L"", nullptr, &manager), nullptr);
    EXPECT_EQ(builder.Build(L"<Window><Label></Window>", nullptr, &manager), nullptr);
    EXPECT_STRNE(builder.GetDocument().ErrorMessage(), L"") << "the parse error stays";
    EXPECT_EQ(builder.Build(L"<!-- nothing -->", nullptr, &manager), nullptr);
    EXPECT_EQ(manager.GetFontCount(), 0);
}

// The window's attributes act on the window: its size, the limits Windows gets when the user
// resizes it, layering for a translucent window, and the text colours of labels that set none.
TEST(LayoutWindow, WindowAttributesActOnTheWindow) {
    CUIManager manager;
    manager.AttachWindow(SharedWindow());
    std::unique_ptr<CControlUI> root(
        BuildText(L"<Window size=\"586,431\" mininfo=\"100,80\" maxinfo=\"800,600\" alpha=\"200\""
                  L" disabledfontcolor=\"#FF010203\" defaultfontcolor=\"FF040506\" unknown=\"1\">"
                  L"<Label name=\"l\" text=\"x\"/></Window>",
                  &manager));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), L"l");
    RECT client;
    GetClientRect(SharedWindow(), &client);
    EXPECT_EQ(client.right, 586) << "the window takes its initial size";
    EXPECT_EQ(client.bottom, 431);

    MINMAXINFO limits = {};
    limits.ptMaxTrackSize = {5000, 5000};
    LRESULT result = 0;
    manager.OnWindowMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits), result);
    EXPECT_EQ(limits.ptMinTrackSize.x, 100);
    EXPECT_EQ(limits.ptMinTrackSize.y, 80);
    EXPECT_EQ(limits.ptMaxTrackSize.x, 800);
    EXPECT_EQ(limits.ptMaxTrackSize.y, 600);

    EXPECT_NE(GetWindowLongW(SharedWindow(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);

    // Labels take the window's colours once they are in its tree.
    auto* label = dynamic_cast<SkinUI::CLabelUI*>(root.get());
    ASSERT_NE(label, nullptr);
    ASSERT_TRUE(manager.AttachRoot(root.release()));
    label->SetPos(RECT{0, 0, 40, 20});
    SkinTest::Dib dib(40, 20, 0xFFFFFFFF);
    label->Paint(dib.dc(), RECT{0, 0, 40, 20});
    EXPECT_EQ(label->GetTextColor(), 0xFF040506u);
    EXPECT_EQ(label->GetDisabledTextColor(), 0xFF010203u);
}

TEST(LayoutWindow, MalformedValuesReadAsFarAsTheyGo) {
    struct Case {
        const wchar_t* attributes;
        SIZE size;
        RECT caption;
        int alpha;
        DWORD color;
    };
    const Case cases[] = {
        {L"size=\"586\" caption=\"0, 0, 0, 431\"", {586, 0}, {0, 0, 0, 431}, 255, 0xFF000000},
        {L"size=\"\" caption=\"\"", {0, 0}, {0, 0, 0, 0}, 255, 0xFF000000},
        {L"size=\"wide,tall\" caption=\"1,2\" alpha=\"x\"", {0, 0}, {1, 2, 0, 0}, 0, 0xFF000000},
        // Exactly one separator between numbers: the blank before the comma ends the list.
        {L"size=\" 7 ,8\" caption=\"5,,6\"", {7, 0}, {5, 0, 6, 0}, 255, 0xFF000000},
        {L"size=\"99999999999,5\" caption=\"-99999999999,1,2,3\" alpha=\"9999\"",
         {32767, 5},
         {-32767, 1, 2, 3},
         255,
         0xFF000000},
        {L"size=\"-5,-7\" alpha=\"-3\" defaultfontcolor=\"#zz\"", {0, 0}, {0, 0, 0, 0}, 0, 0},
        {L"size=\"1,2,3,4\" defaultfontcolor=\"#1FFFFFFFFFF\"",
         {1, 2},
         {0, 0, 0, 0},
         255,
         0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        CUIManager manager;
        manager.AttachWindow(SharedWindow());
        const std::wstring text =
            std::wstring(L"<Window ") + c.attributes + L"><Control/></Window>";
        std::unique_ptr<CControlUI> root(BuildText(text.c_str(), &manager));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(manager.GetInitSize().cx, c.size.cx);
        EXPECT_EQ(manager.GetInitSize().cy, c.size.cy);
        const RECT caption = manager.WindowMetrics().Caption();
        EXPECT_EQ(caption.left, c.caption.left);
        EXPECT_EQ(caption.top, c.caption.top);
        EXPECT_EQ(caption.right, c.caption.right);
        EXPECT_EQ(caption.bottom, c.caption.bottom);
        EXPECT_EQ(manager.GetWindowOpacity(), c.alpha);
        EXPECT_EQ(manager.GetDefaultFontColor(), c.color);
    }

    // An opacity out of range is kept clamped, but the window is then not layered at all.
    CUIManager manager;
    manager.AttachWindow(SharedWindow());
    auto layered = [] {
        return (GetWindowLongW(SharedWindow(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    };
    std::unique_ptr<CControlUI> first(
        BuildText(L"<Window alpha=\"200\"><Control/></Window>", &manager));
    EXPECT_TRUE(layered());
    std::unique_ptr<CControlUI> second(
        BuildText(L"<Window alpha=\"-3\"><Control/></Window>", &manager));
    EXPECT_FALSE(layered());
    EXPECT_EQ(manager.GetWindowOpacity(), 0);
    std::unique_ptr<CControlUI> third(
        BuildText(L"<Window alpha=\"9999\"><Control/></Window>", &manager));
    EXPECT_FALSE(layered());
    EXPECT_EQ(manager.GetWindowOpacity(), 255);
}

TEST(LayoutWindow, SettingsNeedAWindowElementAndAManagerWithAWindow) {
    const wchar_t* text =
        L"<Window size=\"586,431\" caption=\"0,0,0,431\"><Font name=\"Arial\" size=\"9\"/>"
        L"<VerticalLayout name=\"v\"><Label name=\"l\"/></VerticalLayout></Window>";
    {
        CUIManager manager;  // not attached to a window yet
        std::unique_ptr<CControlUI> root(BuildText(text, &manager));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(ChildNames(root.get()), std::vector<std::wstring>{L"l"});
        EXPECT_EQ(manager.GetInitSize().cx, 0);
        EXPECT_EQ(manager.WindowMetrics().Caption().bottom, 0);
        EXPECT_EQ(manager.GetFontCount(), 1) << "fonts need no window";
    }
    {
        std::unique_ptr<CControlUI> root(BuildText(text, nullptr));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(ChildNames(root.get()), std::vector<std::wstring>{L"l"});
    }
    {
        CUIManager manager;
        manager.AttachWindow(SharedWindow());
        std::unique_ptr<CControlUI> root(
            BuildText(L"<Dialog size=\"586,431\"><Font name=\"Arial\" size=\"9\"/>"
                      L"<Label name=\"l\"/></Dialog>",
                      &manager));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->GetName(), L"l");
        EXPECT_EQ(manager.GetInitSize().cx, 0) << "only a Window element carries settings";
        EXPECT_EQ(manager.GetFontCount(), 1) << "fonts count below any first element";
    }
}

TEST(LayoutResources, FontsAreNumberedInDocumentOrder) {
    CUIManager manager;
    std::unique_ptr<CControlUI> root(BuildText(
        L"<Window><Font name=\"Arial\" size=\"20\" bold=\"false\" italic=\"false\"/>"
        L"<Font size=\"40\"/>"  // no face: no font
        L"<Font name=\"Tahoma\" size=\"12\" bold=\"true\" underline=\"true\" italic=\"TRUE\"/>"
        L"<Font name=\"Courier New\" default=\"true\" italic=\"true\"/>"
        L"<Font name=\"Arial\" size=\"-99999999999\"/>"
        L"<Control/></Window>",
        &manager));
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(manager.GetFontCount(), 4);
    SkinUI::FontEntry* f0 = manager.GetFontEntry(0);
    EXPECT_EQ(f0->face, L"Arial");
    EXPECT_EQ(f0->size, 20);
    EXPECT_FALSE(f0->bold || f0->underline || f0->italic);
    SkinUI::FontEntry* f1 = manager.GetFontEntry(1);
    EXPECT_EQ(f1->face, L"Tahoma");
    EXPECT_EQ(f1->size, 12);
    EXPECT_TRUE(f1->bold);
    EXPECT_TRUE(f1->underline);
    EXPECT_FALSE(f1->italic) << "only \"true\" is true";
    SkinUI::FontEntry* f2 = manager.GetFontEntry(2);
    EXPECT_EQ(f2->face, L"Courier New");
    EXPECT_EQ(f2->size, 12) << "the default size";
    EXPECT_TRUE(f2->italic);
    EXPECT_NE(f2->font.get(), nullptr);
    SkinUI::FontEntry* base = manager.GetDefaultFont();
    EXPECT_EQ(base->face, L"Courier New");
    EXPECT_TRUE(base->italic);
    EXPECT_EQ(manager.GetFontEntry(3)->size, -32767) << "a huge number is bounded";
}

TEST(LayoutResources, FontImageAndDefaultCountOnlyBelowTheFirstElement) {
    CUIManager manager;
    std::unique_ptr<CControlUI> root(
        BuildText(L"<Window><VerticalLayout name=\"v\">"
                  L"<Font name=\"Arial\" size=\"30\"/>"
                  L"<Default name=\"Label\" value=\"text=&quot;x&quot;\"/>"
                  L"<Image name=\"nothing.png\"/>"
                  L"<Label name=\"l\"/></VerticalLayout></Window>",
                  &manager));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(manager.GetFontCount(), 0);
    EXPECT_EQ(manager.GetDefaultAttributeList(L"Label"), nullptr);
    EXPECT_EQ(ChildNames(root.get()), std::vector<std::wstring>{L"l"}) << "and make no controls";
    EXPECT_EQ(Children(root.get())[0]->GetText(), L"");
}

TEST(LayoutResources, ImagesAreCachedUnderTheirNameWithTheirMask) {
    const std::wstring path =
        SkinTest::WritePngFile(L"builder_image.png", 3, 2, [](int, int) { return 0xFFFF0000; });
    CUIManager manager;
    const std::wstring text = L"<Window><Image name=\"" + path +
                              L"\" mask=\"#FF00FF00\"/><Image mask=\"#FF0000FF\"/>"
                              L"<Image name=\"cat\" restype=\"png\"/>"
                              L"<Image name=\"4711\" restype=\"png\"/><Control/></Window>";
    std::unique_ptr<CControlUI> root(BuildText(text.c_str(), &manager));
    ASSERT_NE(root, nullptr);
    const SkinUI::SkinImage* image = manager.FindImage(path.c_str(), nullptr, 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->maskColor, 0xFF00FF00u) << "cached by the layout with its mask";
}

TEST(LayoutDefaults, DefaultListComesBeforeTheElementsOwnAttributes) {
    CUIManager manager;
    const wchar_t* text =
        L"<Window>"
        L"<Default name=\"Button\" value=\"text=&quot;default&quot; width=&quot;33&quot; "
        L"tooltip=&quot;tip&quot;\"/>"
        L"<!-- <Default name=\"Label\" value=\"text=&quot;commented&quot;\"/> -->"
        L"<Default name=\"Edit\" value=\"width=&quot;20&quot; text=x height=&quot;5&quot;\"/>"
        L"<Default name=\"Progress\" value=\"width=&quot;7&quot; height=&quot;8\"/>"
        L"<VerticalLayout>"
        L"<Button name=\"own\" text=\"own\"/><Button name=\"plain\"/><Label name=\"label\"/>"
        L"<Edit name=\"edit\"/><Progress name=\"bar\"/>"
        L"</VerticalLayout></Window>";
    std::unique_ptr<CControlUI> root(BuildText(text, &manager));
    ASSERT_NE(root, nullptr);
    std::vector<CControlUI*> c = Children(root.get());
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0]->GetText(), L"own") << "the element's attribute wins";
    EXPECT_EQ(c[0]->GetFixedWidth(), 33);
    EXPECT_EQ(c[0]->GetToolTip(), L"tip");
    EXPECT_EQ(c[1]->GetText(), L"default");
    EXPECT_EQ(manager.GetDefaultAttributeList(L"Label"), nullptr) << "comments are skipped";
    EXPECT_EQ(c[2]->GetText(), L"");
    // Malformed lists: the pairs before the fault stay applied, nothing after it.
    EXPECT_EQ(c[3]->GetFixedWidth(), 20);
    EXPECT_EQ(c[3]->GetFixedHeight(), 0);
    EXPECT_EQ(c[4]->GetFixedWidth(), 7);
    SkinUI::CProgressUI fresh;
    EXPECT_EQ(c[4]->GetFixedHeight(), fresh.GetFixedHeight()) << "an unterminated value";
}

TEST(LayoutDefaults, ListsOfAParentManagerApply) {
    CUIManager parent;
    std::unique_ptr<CControlUI> none(BuildText(
        L"<Window><Default name=\"Label\" value=\"text=&quot;inherited&quot;\"/></Window>",
        &parent));
    EXPECT_EQ(none, nullptr) << "a document without controls builds nothing";
    CUIManager child;
    child.SetParentManager(&parent);
    std::unique_ptr<CControlUI> label(BuildText(L"<Window><Label/></Window>", &child));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetText(), L"inherited");
}

TEST(LayoutInclude, CountCopiesGoIntoTheParentInPlace) {
    BuilderTest::WriteTextFile("builder_part.xml",
                               "<Window><Button name=\"b\"/><Label name=\"l\"/></Window>");
    CUIManager manager;
    std::unique_ptr<CControlUI> root(BuildText(
        L"<Window><VerticalLayout><Label name=\"first\"/>"
        L"<Include source=\"builder_part.xml\" count=\"3\"/>"
        L"<Include source=\"builder_part.xml\"/>"  // once
        L"<Include source=\"builder_part.xml\" count=\"0\"/>"
        L"<Include source=\"builder_part.xml\" count=\"-2\"/>"
        L"<Include count=\"2\"/>"
        L"<Include/>"
        L"<Include source=\"no such part.xml\"/>"
        L"<Include source=\"&lt;Window&gt;&lt;Label name=&quot;t&quot;/&gt;&lt;/Window&gt;\"/>"
        L"<Label name=\"last\"/></VerticalLayout></Window>",
        &manager));
    ASSERT_NE(root, nullptr);
    const std::vector<std::wstring> expected = {L"first", L"b", L"l", L"b", L"l",   L"b",
                                                L"l",     L"b", L"l", L"t", L"last"};
    EXPECT_EQ(ChildNames(root.get()), expected);
}

TEST(LayoutInclude, ResourceLayoutsIncludeResourcesOfTheirType) {
    CUIManager manager;
    CLayoutBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Build(IDX_BUILDER_INCLUDING, L"xml", &manager));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), L"row");
    std::vector<CControlUI*> c = Children(root.get());
    ASSERT_EQ(c.size(), 8u);
    EXPECT_EQ(c[0]->GetName(), L"first");
    for (int i = 1; i <= 6; ++i) {
        EXPECT_STREQ(c[i]->GetClassName(), i % 2 != 0 ? L"ButtonUI" : L"LabelUI");
        EXPECT_EQ(c[i]->GetText(), L"part");
    }
    EXPECT_EQ(c[7]->GetName(), L"last");
}

TEST(LayoutInclude, ALayoutIncludingItselfEnds) {
    CUIManager manager;
    CLayoutBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Build(IDX_BUILDER_SELF, L"xml", &manager));
    ASSERT_NE(root, nullptr);
    // Every included copy adds one layout, until the builder's include budget is spent.
    const std::size_t count = Flatten(root.get()).size();
    EXPECT_GT(count, 100u);
    EXPECT_LE(count, static_cast<std::size_t>(CLayoutBuilder::kMaxIncludes) + 1);
}
