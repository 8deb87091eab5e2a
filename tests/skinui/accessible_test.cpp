// What a screen reader gets from a skinned window, in-process with the system's oleacc: the
// client object's children, a default action that acts as a click, throttled value events,
// and an object that outlives its window.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <algorithm>
#include <string>
#include <vector>

#include "skinui/controls/controls.h"
#include "skinui/core/accessible_tree.h"
#include "skinui/core/markup_reader.h"
#include "tests/skinui/controls_host.h"

using namespace SkinUI;
using CtlTest::Host;

namespace {

// The window's object is marshalled through COM, as for a client in another process.
class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};
const auto* const com = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

template <class T>
T* Float(CContainerUI* parent, const wchar_t* pos, const wchar_t* text = nullptr) {
    T* control = new T();
    control->SetAttribute(L"float", L"true");
    control->SetAttribute(L"pos", pos);
    if (text != nullptr) {
        control->SetAttribute(L"text", text);
    }
    parent->Add(control);
    return control;
}

VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

IAccessible* ObjectOf(HWND window) {
    IAccessible* object = nullptr;
    EXPECT_EQ(S_OK, AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                               IID_IAccessible, reinterpret_cast<void**>(&object)));
    return object;
}

std::wstring Text(HRESULT hr, BSTR text) {
    std::wstring out = SUCCEEDED(hr) && text != nullptr ? std::wstring(text) : L"";
    SysFreeString(text);
    return out;
}

std::wstring Name(IAccessible* object, long id) {
    BSTR text = nullptr;
    HRESULT hr = object->get_accName(Child(id), &text);
    return Text(hr, text);
}

std::wstring Value(IAccessible* object, long id) {
    BSTR text = nullptr;
    HRESULT hr = object->get_accValue(Child(id), &text);
    return Text(hr, text);
}

long AsLong(HRESULT hr, const VARIANT& v) {
    return SUCCEEDED(hr) && v.vt == VT_I4 ? v.lVal : -1;
}

long Role(IAccessible* object, long id) {
    VARIANT v;
    VariantInit(&v);
    return AsLong(object->get_accRole(Child(id), &v), v);
}

long State(IAccessible* object, long id) {
    VARIANT v;
    VariantInit(&v);
    return AsLong(object->get_accState(Child(id), &v), v);
}

std::vector<long> Children(IAccessible* object) {
    long count = 0;
    object->get_accChildCount(&count);
    std::vector<VARIANT> items(static_cast<size_t>(count));
    long got = 0;
    std::vector<long> ids;
    if (count > 0 && SUCCEEDED(AccessibleChildren(object, 0, count, items.data(), &got))) {
        for (long i = 0; i < got; ++i) {
            ids.push_back(items[static_cast<size_t>(i)].lVal);
        }
    }
    return ids;
}

class Page {
public:
    Page() {
        root = new CContainerUI();
        decoration = Float<CLabelUI>(root, L"0,0,400,40");
        decoration->SetAttribute(L"bkimage", L"file='none.png'");
        close = Float<CButtonUI>(root, L"370,5,390,25");
        close->SetAttribute(L"accname", L"Close");
        label = Float<CLabelUI>(root, L"10,50,110,70", L"  Folder:  ");
        hidden = Float<CLabelUI>(root, L"10,80,110,100", L"never read");
        hidden->SetVisible(false);
        check = Float<CCheckBoxUI>(root, L"10,110,23,123");
        check->SetAttribute(L"accname", L"Accept the agreement");
        link = Float<CButtonUI>(root, L"30,110,130,130", L"{u}{a}{c #0080ff}Agreement{/c}{/a}{/u}");
        link->SetAttribute(L"showhtml", L"true");
        bar = Float<CProgressUI>(root, L"10,150,310,170");
        bar->SetAttribute(L"max", L"200");
        bar->SetAttribute(L"value", L"50");
        install = Float<CButtonUI>(root, L"300,250,390,290", L"Install");
        install->SetEnabled(false);
        CtlTest::Attach(root);
    }
    ~Page() { CtlTest::Detach(); }

    CContainerUI* root;
    CLabelUI* decoration;
    CButtonUI* close;
    CLabelUI* label;
    CLabelUI* hidden;
    CCheckBoxUI* check;
    CButtonUI* link;
    CProgressUI* bar;
    CButtonUI* install;
};

TEST(AccessibleWindow, ChildrenAreTheVisibleControlsWithRolesNamesStatesAndPlaces) {
    Page page;
    IAccessible* object = ObjectOf(Host().GetHWND());
    ASSERT_NE(nullptr, object);
    const std::vector<long> ids = Children(object);
    std::vector<std::wstring> names;
    std::vector<long> roles;
    for (long id : ids) {
        names.push_back(Name(object, id));
        roles.push_back(Role(object, id));
    }
    // Decoration and hidden controls are not there; the markup is not read.
    EXPECT_EQ((std::vector<std::wstring>{L"Close", L"Folder:", L"Accept the agreement",
                                         L"Agreement", L"", L"Install"}),
              names);
    EXPECT_EQ(
        (std::vector<long>{ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_STATICTEXT, ROLE_SYSTEM_CHECKBUTTON,
                           ROLE_SYSTEM_LINK, ROLE_SYSTEM_PROGRESSBAR, ROLE_SYSTEM_PUSHBUTTON}),
        roles);
    ASSERT_EQ(6u, ids.size());
    EXPECT_EQ(L"25%", Value(object, ids[4]));
    EXPECT_NE(0, State(object, ids[5]) & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_EQ(0, State(object, ids[2]) & STATE_SYSTEM_CHECKED);

    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(S_OK, object->accLocation(&x, &y, &w, &h, Child(ids[3])));
    POINT origin = {0, 0};
    ClientToScreen(Host().GetHWND(), &origin);
    EXPECT_EQ(origin.x + 30, x);
    EXPECT_EQ(origin.y + 110, y);
    EXPECT_EQ(100, w);
    EXPECT_EQ(20, h);
    VARIANT hit;
    VariantInit(&hit);
    ASSERT_EQ(S_OK, object->accHitTest(origin.x + 15, origin.y + 115, &hit));
    EXPECT_EQ(ids[2], hit.lVal);

    // Ids stay with their controls when others appear.
    page.hidden->SetVisible(true);
    const std::vector<long> more = Children(object);
    ASSERT_EQ(7u, more.size());
    EXPECT_EQ(ids[1], more[1]);
    EXPECT_EQ(L"never read", Name(object, more[2]));
    EXPECT_EQ(ids[2], more[3]);
    BSTR text = nullptr;
    EXPECT_EQ(E_INVALIDARG, object->get_accName(Child(999), &text));
    object->Release();
}

TEST(AccessibleWindow, DefaultActionActsAsAClickOnceTheCallerHasItsAnswer) {
    Page page;
    IAccessible* object = ObjectOf(Host().GetHWND());
    ASSERT_NE(nullptr, object);
    const std::vector<long> ids = Children(object);
    ASSERT_EQ(6u, ids.size());
    BSTR action = nullptr;
    HRESULT hr = object->get_accDefaultAction(Child(ids[2]), &action);
    EXPECT_EQ(L"Check", Text(hr, action));

    ASSERT_EQ(S_OK, object->accDoDefaultAction(Child(ids[2])));
    // Nothing yet: a click may open a modal box, which must not hold the caller.
    EXPECT_FALSE(page.check->IsSelected());
    CtlTest::Pump();
    EXPECT_TRUE(page.check->IsSelected());
    EXPECT_EQ((std::vector<std::wstring>{L"click", L"selectchanged"}),
              Host().TypesFrom(page.check));
    EXPECT_NE(0, State(object, ids[2]) & STATE_SYSTEM_CHECKED);
    action = nullptr;
    hr = object->get_accDefaultAction(Child(ids[2]), &action);
    EXPECT_EQ(L"Uncheck", Text(hr, action));

    // A disabled button has nothing to press.
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, object->accDoDefaultAction(Child(ids[5])));
    CtlTest::Pump();
    EXPECT_TRUE(Host().TypesFrom(page.install).empty());
    object->Release();
}

struct Recorded {
    DWORD event;
    long child;
    std::wstring value;
};
std::vector<Recorded>* recording = nullptr;

void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG child, DWORD,
                     DWORD) {
    if (recording == nullptr || window != Host().GetHWND() || objectId != OBJID_CLIENT) {
        return;
    }
    IAccessible* object = nullptr;
    VARIANT v;
    VariantInit(&v);
    std::wstring value;
    if (child > 0 && SUCCEEDED(AccessibleObjectFromEvent(window, static_cast<DWORD>(objectId),
                                                         static_cast<DWORD>(child), &object, &v))) {
        value = Value(object, child);
        object->Release();
    }
    recording->push_back({event, child, value});
}

TEST(AccessibleWindow, ValueEventsComeAtMostOnceASecondAndEndWithTheLatestValue) {
    Page page;
    std::vector<Recorded> events;
    recording = &events;
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, Record,
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(nullptr, hook);
    for (int value = 60; value <= 180; value += 20) {
        page.bar->SetValue(value);
        CtlTest::Pump();
        Sleep(50);
    }
    page.install->SetEnabled(true);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 1800) {
        CtlTest::Pump();
        Sleep(20);
    }
    UnhookWinEvent(hook);
    recording = nullptr;
    std::vector<std::wstring> values;
    int states = 0;
    for (const Recorded& e : events) {
        if (e.event == EVENT_OBJECT_VALUECHANGE) {
            values.push_back(e.value);
        } else if (e.event == EVENT_OBJECT_STATECHANGE) {
            ++states;
        }
    }
    // Seven changes within half a second: the first at once, the last after the second.
    EXPECT_EQ((std::vector<std::wstring>{L"30%", L"90%"}), values);
    EXPECT_EQ(1, states);
}

// A window of its own: the object is kept after the window and its controls are gone.
class ShortLivedWindow : public CWindowWnd {
public:
    CUIManager manager;

protected:
    const wchar_t* WindowClassName() const override { return L"AccessibleShortLived"; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) {
            manager.AttachWindow(window_);
            auto* root = new CContainerUI();
            Float<CButtonUI>(root, L"10,10,90,40", L"OK");
            manager.AttachRoot(root);
        }
        LRESULT result = 0;
        if (manager.OnWindowMessage(message, wParam, lParam, result)) {
            return result;
        }
        return CWindowWnd::OnMessage(message, wParam, lParam);
    }
};

TEST(AccessibleWindow, ObjectKeptAfterItsWindowAnswersNotConnected) {
    auto* window = new ShortLivedWindow();
    window->CreateWnd(nullptr, L"short lived", WS_POPUP, 0, 0, 0, 100, 50);
    IAccessible* object = ObjectOf(window->GetHWND());
    ASSERT_NE(nullptr, object);
    const std::vector<long> ids = Children(object);
    ASSERT_EQ(1u, ids.size());
    EXPECT_EQ(L"OK", Name(object, ids[0]));

    DestroyWindow(window->GetHWND());
    CtlTest::Pump();
    long count = 7;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, object->get_accChildCount(&count));
    // The controls are freed with the manager: the object must not reach them.
    delete window;
    BSTR text = nullptr;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, object->get_accName(Child(ids[0]), &text));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, object->accDoDefaultAction(Child(ids[0])));
    VARIANT hit;
    VariantInit(&hit);
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, object->accHitTest(5, 5, &hit));
    object->Release();
}

TEST(AccessibleText, MarkupReadsAsDrawnAndMessageLinesJoinAsTheyRead) {
    EXPECT_EQ(L"User Agreement", MarkupPlainText(L"{u}{a}{c #0080ff}User Agreement{/c}{/a}{/u}"));
    EXPECT_EQ(L"a{b} c", MarkupPlainText(L"<b>a</b><{>b<}>{n}c"));
    // Read as the painter draws them: upper-case tags are text, raw text stands as written
    // (escapes and tags in it included), a tag never closed runs to the end.
    EXPECT_EQ(L"{B}bold{/B}", MarkupPlainText(L"{B}bold{/B}"));
    EXPECT_EQ(L"x {b}<{>y", MarkupPlainText(L"x {r}{b}<{>{/r}y"));
    EXPECT_EQ(L"ab", MarkupPlainText(L"a\r<n>b", 0));
    EXPECT_EQ(L"a", MarkupPlainText(L"a{c #ff0000"));
    EXPECT_EQ(L"Can't get the perfect effect of Velmora under OS winXP,please",
              JoinMessageLines(
                  {L"Can't get the perfect effect of", L"", L"Velmora under OS winXP,please"}));
    // Chinese lines run on; a name in Latin letters keeps its blanks.
    EXPECT_EQ(L"XP系统不能体验Velmora极致效果建议将系统升级到win7以上",
              JoinMessageLines({L"XP系统不能体验Velmora极致效果", L"建议将系统升级到win7以上"}));
    EXPECT_EQ(L"很抱歉，Velmora暂时不支持 AMD Athlon 型号CPU",
              JoinMessageLines({L"很抱歉，Velmora暂时不支持", L"AMD Athlon", L" 型号CPU"}));
    EXPECT_EQ(L"获取下载地址失败!", JoinMessageLines({L"        获取下载地址失败!"}));
}

}  // namespace

namespace {

// The events a screen reader hears from the host window while `act` runs (and a moment after).
template <class Act>
std::vector<Recorded> EventsDuring(Act act) {
    std::vector<Recorded> events;
    recording = &events;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_REORDER, EVENT_OBJECT_VALUECHANGE, nullptr,
                                         Record, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    EXPECT_NE(nullptr, hook);
    act();
    for (int i = 0; i < 10; ++i) {
        CtlTest::Pump();
        Sleep(20);
    }
    UnhookWinEvent(hook);
    recording = nullptr;
    return events;
}

int CountOf(const std::vector<Recorded>& events, DWORD event) {
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [event](const Recorded& e) { return e.event == event; }));
}

}  // namespace

// Each control tells a screen reader of its own changes: a check box of its state, a tab layout
// of its new page; a notification of the same name from elsewhere tells nothing.
TEST(AccessibleWindow, ControlsRaiseTheirOwnEvents) {
    Page page;
    auto* tabs = new CTabLayoutUI();
    tabs->SetAttribute(L"float", L"true");
    tabs->SetAttribute(L"pos", L"10,200,110,240");
    tabs->Add(new CControlUI());
    tabs->Add(new CControlUI());
    page.root->Add(tabs);
    CtlTest::Pump();
    ShowWindow(Host().GetHWND(), SW_SHOWNA);
    ObjectOf(Host().GetHWND())->Release();  // a screen reader is listening

    std::vector<Recorded> events = EventsDuring([&] { page.check->Select(true); });
    EXPECT_EQ(1, CountOf(events, EVENT_OBJECT_STATECHANGE));
    events = EventsDuring([&] { tabs->SelectItem(1); });
    EXPECT_EQ(1, CountOf(events, EVENT_OBJECT_REORDER));
    events = EventsDuring([&] {
        Host().manager.NotifyAll(page.label, L"selectchanged");
        Host().manager.NotifyAll(page.label, L"tabselect");
    });
    EXPECT_EQ(0, CountOf(events, EVENT_OBJECT_STATECHANGE));
    EXPECT_EQ(0, CountOf(events, EVENT_OBJECT_REORDER));
}

// A button reads as a link only when its markup opens a link the painter draws as one.
TEST(AccessibleText, AButtonIsALinkWhenItsMarkupHasOne) {
    EXPECT_TRUE(MarkupHasLink(L"{u}{a}{c #0080ff}Agreement{/c}{/a}{/u}"));
    EXPECT_TRUE(MarkupHasLink(L"see <a http://x>here</a>"));
    // Raw text, escapes, tags that are no tags and a closing tag alone are no links.
    EXPECT_FALSE(MarkupHasLink(L"{r}{a}x{/a}{/r}"));
    EXPECT_FALSE(MarkupHasLink(L"<{>a<}> and {<}a{>}"));
    EXPECT_FALSE(MarkupHasLink(L"{ab}{A}x"));
    EXPECT_FALSE(MarkupHasLink(L"x{/a}"));

    CButtonUI button;
    button.SetAttribute(L"showhtml", L"true");
    button.SetText(L"{b}{abc}{/b}");
    AccessibleDescription description;
    ASSERT_TRUE(button.DescribeAccessible(description));
    EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, description.role);
    button.SetText(L"{b}{a}Agreement{/a}{/b}");
    description = AccessibleDescription();
    ASSERT_TRUE(button.DescribeAccessible(description));
    EXPECT_EQ(ROLE_SYSTEM_LINK, description.role);
    EXPECT_EQ(L"Jump", description.defaultAction);
}
