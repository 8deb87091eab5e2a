// The trees the layout builder makes: tags and classes, nesting, the order of building,
// attaching and configuring, parents that refuse, and a layout shaped like the installer's.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skinui/controls/controls.h"
#include "skinui/controls/layout_builder.h"
#include "skinui/core/ui_manager.h"
#include "tests/skinui/builder_test_support.h"

using BuilderTest::ChildNames;
using BuilderTest::Children;
using BuilderTest::Flatten;
using BuilderTest::SharedWindow;
using SkinUI::CControlUI;
using SkinUI::CLayoutBuilder;
using SkinUI::CUIManager;

namespace {

CControlUI* BuildText(const wchar_t* text, CUIManager* manager, CControlUI* parent = nullptr) {
    CLayoutBuilder builder;
    return builder.Build(text, nullptr, manager, parent);
}

// A vertical layout that notes what each new child looks like when it is added and can refuse
// every second one.
class RecordingLayout : public SkinUI::CVerticalLayoutUI {
public:
    bool Add(CControlUI* control) override {
        namesAtAdd.push_back(control->GetName());
        childrenAtAdd.push_back(Children(control).size());
        control->destroyListeners.push_back([this](CControlUI*) {
            ++destroyed;
            return true;
        });
        if (refuseEverySecond && namesAtAdd.size() % 2 == 0) {
            return false;
        }
        return CVerticalLayoutUI::Add(control);
    }
    bool refuseEverySecond = false;
    std::vector<std::wstring> namesAtAdd;
    std::vector<std::size_t> childrenAtAdd;
    int destroyed = 0;
};

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

}  // namespace

TEST(LayoutTree, EveryTagMakesItsClass) {
    std::unique_ptr<CControlUI> root(
        BuildText(L"<Window><Container><Control/><Container/><VerticalLayout/><HorizontalLayout/>"
                  L"<TabLayout/><Label/><Text/><Button/><Option/><CheckBox/><Edit/><Progress/>"
                  L"</Container></Window>",
                  nullptr));
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetClassName(), L"ContainerUI");
    std::vector<std::wstring> classes;
    for (CControlUI* child : Children(root.get())) {
        classes.push_back(child->GetClassName());
    }
    const std::vector<std::wstring> expected = {
        L"ControlUI",   L"ContainerUI", L"VerticalLayoutUI", L"HorizontalLayoutUI",
        L"TabLayoutUI", L"LabelUI",     L"TextUI",           L"ButtonUI",
        L"OptionUI",    L"CheckBoxUI",  L"EditUI",           L"ProgressUI"};
    EXPECT_EQ(classes, expected);
}

TEST(LayoutTree, UnknownTagsAreSkippedWithEverythingInside) {
    std::unique_ptr<CControlUI> root(
        BuildText(L"<Window><VerticalLayout><Label name=\"a\"/>"
                  L"<Foo><Label name=\"inside\"/><VerticalLayout><Button name=\"deeper\"/>"
                  L"</VerticalLayout></Foo>"
                  L"<List><Label name=\"listed\"/></List><TreeNode/><TileLayout/>"
                  L"<label name=\"lower case\"/><Label name=\"b\"/></VerticalLayout></Window>",
                  nullptr));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Flatten(root.get()).size(), 3u);
    EXPECT_EQ(ChildNames(root.get()), (std::vector<std::wstring>{L"a", L"b"}));
}

TEST(LayoutTree, ChildrenFirstThenAttachedThenConfigured) {
    CUIManager manager;
    RecordingLayout parent;
    const wchar_t* text =
        L"<Window><Default name=\"Label\" value=\"name=&quot;by default&quot;\"/>"
        L"<HorizontalLayout name=\"row\" virtualwnd=\"page\"><Label/><Label/></HorizontalLayout>"
        L"<Label/><Label name=\"own\"/></Window>";
    CControlUI* first = BuildText(text, &manager, &parent);
    ASSERT_NE(first, nullptr);
    // Attached with its children but before any attribute.
    EXPECT_EQ(parent.namesAtAdd, (std::vector<std::wstring>{L"", L"", L""}));
    EXPECT_EQ(parent.childrenAtAdd, (std::vector<std::size_t>{2, 0, 0}));
    EXPECT_EQ(ChildNames(&parent), (std::vector<std::wstring>{L"row", L"by default", L"own"}));
    EXPECT_EQ(first->GetName(), L"row") << "the first control of the level is returned";
    EXPECT_EQ(ChildNames(first), (std::vector<std::wstring>{L"by default", L"by default"}));
    // The manager was there while the attributes were applied, and is taken back after.
    EXPECT_TRUE(manager.UsesVirtualWnd());
    for (CControlUI* control : Flatten(&parent)) {
        EXPECT_EQ(control->GetManager(), nullptr);
    }
}

TEST(LayoutTree, RefusedChildrenAreDestroyedAndBuildingGoesOn) {
    RecordingLayout parent;
    parent.refuseEverySecond = true;
    CControlUI* first = BuildText(
        L"<Window><Label name=\"1\"/><Label name=\"2\"/><Label name=\"3\"/><Label name=\"4\"/>"
        L"<Label name=\"5\"/></Window>",
        nullptr, &parent);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ChildNames(&parent), (std::vector<std::wstring>{L"1", L"3", L"5"}));
    EXPECT_EQ(parent.destroyed, 2);
}

TEST(LayoutTree, AParentThatHoldsNoChildrenGetsNothing) {
    CUIManager manager;
    SkinUI::CLabelUI label;
    EXPECT_EQ(BuildText(L"<Window><Button name=\"b\"/><Label/></Window>", &manager, &label),
              nullptr);
    EXPECT_EQ(manager.FindByName(L"b"), nullptr);
}

TEST(LayoutTree, WithoutAParentOnlyTheFirstTopLevelControlIsKept) {
    CUIManager manager;
    std::unique_ptr<CControlUI> first(
        BuildText(L"<Window><Foo/><Label name=\"one\"/><Label name=\"two\"/><Option name=\"three\" "
                  L"group=\"g\"/></Window>",
                  &manager));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetName(), L"one");
    const auto* group = manager.GetOptionGroup(L"g");
    EXPECT_TRUE(group == nullptr || group->empty()) << "a dropped option leaves its group";
}

TEST(LayoutTree, ControlsBuiltIntoABoundTreeStayBound) {
    CUIManager manager;
    manager.AttachWindow(SharedWindow());
    auto* root = new SkinUI::CVerticalLayoutUI();
    root->SetDeferDelete(false);
    manager.AttachRoot(root);
    CControlUI* added =
        BuildText(L"<Window><Label name=\"late\" text=\"x\"/></Window>", &manager, root);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetManager(), &manager);
    EXPECT_EQ(added->GetParent(), root);
    EXPECT_EQ(manager.FindByName(L"late"), added);
    // Removing it deletes it; the manager must not keep its name.
    EXPECT_TRUE(root->Remove(added));
    EXPECT_EQ(manager.FindByName(L"late"), nullptr);
}

// A vertical layout that counts the inits of every control added to it, its subtree included.
class InitCountingLayout : public SkinUI::CVerticalLayoutUI {
public:
    bool Add(CControlUI* control) override {
        for (CControlUI* each : Flatten(control)) {
            counts.push_back(Count{each, 0});
            const std::size_t slot = counts.size() - 1;
            each->initListeners.push_back([this, slot](CControlUI*) {
                ++counts[slot].inits;
                return true;
            });
        }
        return CVerticalLayoutUI::Add(control);
    }
    struct Count {
        CControlUI* control;
        int inits;
    };
    std::vector<Count> counts;
};

TEST(LayoutTree, ControlsBuiltIntoABoundTreeAreInitialisedOnce) {
    CUIManager manager;
    manager.AttachWindow(SharedWindow());
    auto* root = new InitCountingLayout();
    manager.AttachRoot(root);
    CControlUI* added = BuildText(
        L"<Window><HorizontalLayout name=\"strip\"><Button name=\"go\"/><Label/></HorizontalLayout>"
        L"<Option name=\"pick\" group=\"g\"/></Window>",
        &manager, root);
    ASSERT_NE(added, nullptr);
    ASSERT_EQ(root->counts.size(), 4u);
    for (const InitCountingLayout::Count& count : root->counts) {
        EXPECT_EQ(count.inits, 1) << count.control->GetClassName();
    }
    EXPECT_EQ(manager.FindByName(L"go"), root->counts[1].control);
    EXPECT_EQ(manager.FindByName(L"pick"), root->counts[3].control);
    ASSERT_NE(manager.GetOptionGroup(L"g"), nullptr);
    EXPECT_EQ(manager.GetOptionGroup(L"g")->size(), 1u);
}

TEST(LayoutTree, OfSeveralSelectedOptionsOfAGroupTheLastBuiltStaysSelected) {
    CUIManager manager;
    manager.AttachWindow(SharedWindow());
    CControlUI* root = BuildText(
        L"<Window><VerticalLayout>"
        L"<Option name=\"a\" group=\"g\" selected=\"true\"/>"
        L"<HorizontalLayout><CheckBox name=\"b\" group=\"g\" selected=\"true\"/></HorizontalLayout>"
        L"<Option name=\"c\" group=\"g\"/>"
        L"<Option name=\"other\" group=\"h\" selected=\"true\"/>"
        L"</VerticalLayout></Window>",
        &manager);
    ASSERT_NE(root, nullptr);
    manager.AttachRoot(root);
    auto selected = [&](const wchar_t* name) {
        auto* option = dynamic_cast<SkinUI::COptionUI*>(manager.FindByName(name));
        return option != nullptr && option->IsSelected();
    };
    EXPECT_FALSE(selected(L"a"));
    EXPECT_TRUE(selected(L"b"));
    EXPECT_FALSE(selected(L"c"));
    EXPECT_TRUE(selected(L"other"));
    ASSERT_NE(manager.GetOptionGroup(L"g"), nullptr);
    EXPECT_EQ(manager.GetOptionGroup(L"g")->size(), 3u);
    // One more selected member built into the attached tree takes the selection over.
    BuildText(L"<Window><Option name=\"d\" group=\"g\" selected=\"true\"/></Window>", &manager,
              root);
    EXPECT_FALSE(selected(L"b"));
    EXPECT_TRUE(selected(L"d"));
    EXPECT_TRUE(selected(L"other"));
    // Selected before it names its group: joining re-applies the selection.
    BuildText(L"<Window><Option name=\"e\" selected=\"true\" group=\"g\"/></Window>", &manager,
              root);
    EXPECT_FALSE(selected(L"d"));
    EXPECT_TRUE(selected(L"e"));
}

TEST(LayoutTree, AnElementLeftOpenAtTheEndIsStillBuilt) {
    CUIManager manager;
    auto* root = new SkinUI::CVerticalLayoutUI();
    manager.AttachRoot(root);
    // The text ends inside the first element and inside the Button: both still count.
    BuildText(L"<Window><Label name=\"one\"/><Button>", &manager, root);
    ASSERT_EQ(Children(root).size(), 2u);
    EXPECT_STREQ(Children(root)[1]->GetClassName(), L"ButtonUI");
}

// A layout with the shape of the installer's main window: background, title strip with two
// floating buttons, a tab layout of three pages of floating controls.
TEST(LayoutSample, MainWindowShapedLayoutGivesTheExpectedTree) {
    CUIManager manager;
    manager.AttachWindow(SharedWindow());
    const wchar_t* text =
        L"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>"
        L"<Window size=\"586,431\" caption=\"0,0,0,431\" roundcorner=\"0,1\">"
        L"<Font name=\"Arial\" size=\"20\" bold=\"false\" italic=\"false\" />"
        L"<Font name=\"Arial\" size=\"12\" bold=\"false\" />"
        L"<VerticalLayout name=\"bklayout\" bkcolor=\"#FF203040\">"
        L" <HorizontalLayout height=\"46\">"
        L"  <Button name=\"minbtn\" float=\"true\" pos=\"522,10,0,0\" width=\"26\" height=\"26\""
        L"   font=\"0\" keyboard=\"false\" />"
        L"  <Button name=\"closebtn\" float=\"true\" pos=\"553,10,0,0\" width=\"26\" height=\"26\""
        L"   font=\"0\" keyboard=\"false\" />"
        L" </HorizontalLayout>"
        L" <TabLayout name=\"switch\" pos=\"0,0,0,0\" height=\"411\">"
        L"  <VerticalLayout name=\"page0\">"
        L"   <Label float=\"true\" pos=\"24,300,0,0\" width=\"120\" height=\"22\" text=\"Folder\""
        L"    font=\"1\" />"
        L"   <CheckBox name=\"accept\" float=\"true\" pos=\"25,342,0,0\" width=\"13\""
        L"    height=\"13\" />"
        L"   <Button name=\"installbtn\" float=\"true\" pos=\"440,320,0,0\" width=\"100\""
        L"    height=\"39\" text=\"Install\" font=\"1\" keyboard=\"false\" />"
        L"  </VerticalLayout>"
        L"  <VerticalLayout name=\"page1\">"
        L"   <Progress name=\"progress\" float=\"true\" pos=\"28,320,0,0\" width=\"534\""
        L"    height=\"20\" min=\"0\" max=\"100\" value=\"35\" />"
        L"  </VerticalLayout>"
        L"  <VerticalLayout name=\"page2\"><HorizontalLayout>"
        L"   <Label name=\"finishtext\" float=\"true\" pos=\"24,320,0,0\" width=\"240\""
        L"    height=\"22\" font=\"0\" />"
        L"  </HorizontalLayout></VerticalLayout>"
        L" </TabLayout>"
        L"</VerticalLayout></Window>";
    CLayoutBuilder builder;
    CControlUI* root = builder.Build(text, nullptr, &manager);
    ASSERT_NE(root, nullptr);
    ASSERT_TRUE(manager.AttachRoot(root));
    manager.LayoutIfNeeded();

    EXPECT_STREQ(root->GetClassName(), L"VerticalLayoutUI");
    EXPECT_EQ(root->GetName(), L"bklayout");
    std::vector<CControlUI*> top = Children(root);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_STREQ(top[0]->GetClassName(), L"HorizontalLayoutUI");
    EXPECT_STREQ(top[1]->GetClassName(), L"TabLayoutUI");
    EXPECT_EQ(ChildNames(top[1]), (std::vector<std::wstring>{L"page0", L"page1", L"page2"}));
    EXPECT_EQ(manager.GetFontCount(), 2);
    EXPECT_EQ(manager.GetFontEntry(0)->size, 20);
    EXPECT_EQ(manager.GetFontEntry(1)->size, 12);

    ExpectRect(root->GetPos(), 0, 0, 586, 431);
    ExpectRect(top[0]->GetPos(), 0, 0, 586, 46);
    ExpectRect(top[1]->GetPos(), 0, 46, 586, 457);
    ExpectRect(manager.FindByName(L"minbtn")->GetPos(), 522, 10, 548, 36);
    ExpectRect(manager.FindByName(L"closebtn")->GetPos(), 553, 10, 579, 36);
    ExpectRect(manager.FindByName(L"installbtn")->GetPos(), 440, 366, 540, 405);
    ExpectRect(manager.FindByName(L"accept")->GetPos(), 25, 388, 38, 401);
    EXPECT_TRUE(manager.FindByName(L"page0")->IsVisible());
    EXPECT_FALSE(manager.FindByName(L"page1")->IsVisible());
    EXPECT_FALSE(manager.FindByName(L"finishtext")->IsVisible());
    EXPECT_EQ(static_cast<SkinUI::CTabLayoutUI*>(top[1])->GetCurSel(), 0);
    EXPECT_EQ(static_cast<SkinUI::CProgressUI*>(manager.FindByName(L"progress"))->GetValue(), 35);
    for (CControlUI* control : Flatten(root)) {
        EXPECT_EQ(control->GetManager(), &manager);
    }
}
