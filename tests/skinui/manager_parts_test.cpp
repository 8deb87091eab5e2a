// The parts a paint manager hands its bookkeeping to: the timer table, the deferred deletions
// the name map and the keyboard's reading order.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "skinui/controls/controls.h"
#include "skinui/core/control_names.h"
#include "skinui/core/deferred_deletions.h"
#include "skinui/core/image_prefetches.h"
#include "skinui/core/reading_order.h"
#include "skinui/core/timer_table.h"

using SkinUI::CControlNames;
using SkinUI::CControlUI;
using SkinUI::CDeferredDeletions;
using SkinUI::CTimerTable;
using SkinUI::IControlUI;

namespace {

class TimerWindow {
public:
    TimerWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"timers", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr)) {}
    ~TimerWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

}  // namespace

TEST(TimerTable, EveryRunningTimerHasAWindowsIdOfItsOwn) {
    TimerWindow window;
    ASSERT_NE(window.get(), nullptr);
    CTimerTable table;
    std::vector<CControlUI> controls(150);
    // Two local ids per control: more timers than Windows ids to hand out.
    int started = 0;
    for (CControlUI& control : controls) {
        for (UINT local = 1; local <= 2; ++local) {
            started += table.Start(window.get(), &control, local, 60000) ? 1 : 0;
        }
    }
    EXPECT_GT(started, 200);
    EXPECT_LE(started, 255);
    std::set<std::pair<IControlUI*, UINT>> found;
    for (UINT id = 0; id < 255; ++id) {
        IControlUI* control = nullptr;
        UINT local = 0;
        if (table.Find(window.get(), id, control, local)) {
            EXPECT_TRUE(found.insert({control, local}).second) << "two ids for one timer";
        }
    }
    EXPECT_EQ(found.size(), static_cast<std::size_t>(started)) << "one id for two timers";
    table.KillAll();
    EXPECT_EQ(table.Count(), 0u);
}

TEST(TimerTable, ARunningTimerIsNotStartedTwiceAndStopsAndGoes) {
    TimerWindow window;
    CTimerTable table;
    CControlUI a;
    CControlUI b;
    ASSERT_TRUE(table.Start(window.get(), &a, 7, 60000));
    EXPECT_FALSE(table.Start(window.get(), &a, 7, 60000)) << "already running";
    EXPECT_FALSE(table.Start(nullptr, &a, 8, 60000));
    EXPECT_FALSE(table.Start(window.get(), nullptr, 8, 60000));
    ASSERT_TRUE(table.Start(window.get(), &b, 7, 60000));
    auto idOf = [&](IControlUI* wanted, UINT wantedLocal) {
        for (UINT id = 0; id < 255; ++id) {
            IControlUI* control = nullptr;
            UINT local = 0;
            if (table.Find(window.get(), id, control, local) && control == wanted &&
                local == wantedLocal) {
                return static_cast<int>(id);
            }
        }
        return -1;
    };
    const int idA = idOf(&a, 7);
    ASSERT_GE(idA, 0);
    EXPECT_NE(idA, idOf(&b, 7));
    EXPECT_TRUE(table.Stop(window.get(), &a, 7));
    EXPECT_FALSE(table.Stop(window.get(), &a, 7));
    EXPECT_EQ(idOf(&a, 7), -1) << "a stopped timer delivers nothing";
    EXPECT_TRUE(table.Start(window.get(), &a, 7, 60000)) << "a stopped timer starts again";
    EXPECT_GE(idOf(&a, 7), 0);
    table.Forget(&a);
    EXPECT_EQ(idOf(&a, 7), -1);
    EXPECT_GE(idOf(&b, 7), 0);
    EXPECT_EQ(table.Count(), 1u);
}

TEST(DeferredDeletions, EveryControlAddedByAnyThreadIsTakenOnceInItsOrder) {
    CDeferredDeletions list;
    constexpr int kThreads = 4;
    constexpr int kEach = 2000;
    std::vector<CControlUI> controls(kThreads * kEach);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                list.Add(&controls[static_cast<std::size_t>(t * kEach + i)], (i % 2) != 0);
            }
        });
    }
    std::vector<CDeferredDeletions::Entry> taken;
    for (int round = 0; round < 1000; ++round) {
        for (const auto& entry : list.TakeAll()) {
            taken.push_back(entry);
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const auto& entry : list.TakeAll()) {
        taken.push_back(entry);
    }
    ASSERT_EQ(taken.size(), controls.size());
    std::vector<int> last(kThreads, -1);
    for (const auto& entry : taken) {
        const int index = static_cast<int>(static_cast<CControlUI*>(entry.control) - &controls[0]);
        const int thread = index / kEach;
        const int i = index % kEach;
        EXPECT_GT(i, last[static_cast<std::size_t>(thread)]) << "out of order or twice";
        last[static_cast<std::size_t>(thread)] = i;
        EXPECT_EQ(entry.detached, (i % 2) != 0);
    }
    EXPECT_TRUE(list.TakeAll().empty());
}

TEST(ControlNames, ALaterControlTakesTheNameAndAForgottenOneLeavesNoName) {
    auto* box = new SkinUI::CVerticalLayoutUI;
    box->SetName(L"box");
    auto* first = new CControlUI;
    first->SetName(L"a");
    auto* second = new CControlUI;
    second->SetName(L"a");
    auto* other = new CControlUI;
    other->SetName(L"b");
    auto* nameless = new CControlUI;
    box->Add(first);
    box->Add(other);
    box->Add(nameless);
    box->Add(second);
    CControlNames names;
    names.Enter(box);
    EXPECT_EQ(names.Find(L"box"), box);
    EXPECT_EQ(names.Find(L"a"), second);
    EXPECT_EQ(names.Find(L"b"), other);
    EXPECT_EQ(names.Find(L""), nullptr);
    EXPECT_EQ(names.Find(nullptr), nullptr);
    names.Forget(second);
    EXPECT_EQ(names.Find(L"a"), nullptr) << "the name is not given back to the earlier control";
    EXPECT_EQ(names.Find(L"b"), other);
    names.Enter(first);
    EXPECT_EQ(names.Find(L"a"), first);
    names.Clear();
    EXPECT_EQ(names.Find(L"box"), nullptr);
    delete box;
}

// A page as the start page lays it out: a field and its button on one line (the button a little
// higher and taller, so first from the top), a check box and a link below (the link first in
// the tree), and two controls at the same place, which keep the tree's order.
TEST(ReadingOrder, LineByLineFromTheTopEachLineFromTheLeft) {
    struct Placed {
        const wchar_t* name;
        RECT rect;
    };
    const Placed page[] = {
        {L"link", {120, 60, 200, 80}},   {L"browse", {210, 8, 240, 38}},
        {L"field", {60, 10, 200, 34}},   {L"box", {60, 60, 80, 80}},
        {L"twin1", {60, 120, 100, 140}}, {L"twin2", {60, 120, 100, 140}},
    };
    std::vector<CControlUI> controls(sizeof page / sizeof page[0]);
    std::vector<IControlUI*> order;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        controls[i].SetName(page[i].name);
        controls[i].SetPos(page[i].rect);
        order.push_back(&controls[i]);
    }
    SkinUI::SortInReadingOrder(order);
    std::vector<std::wstring> names;
    for (IControlUI* control : order) {
        names.push_back(control->GetName());
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"field", L"browse", L"box", L"link", L"twin1",
                                                L"twin2"}));
    // A control taller than a line takes the controls beside it into its line.
    CControlUI tall;
    tall.SetName(L"tall");
    tall.SetPos(RECT{0, 0, 50, 90});
    order.push_back(&tall);
    SkinUI::SortInReadingOrder(order);
    names.clear();
    for (IControlUI* control : order) {
        names.push_back(control->GetName());
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"tall", L"field", L"box", L"link", L"browse",
                                                L"twin1", L"twin2"}));
}

// An image asked for while its thread still decodes is waited for, and handed out once; asked
// for as another type or mask it is not the one that was loaded.
TEST(ImagePrefetches, TakeWaitsForTheThreadAndChecksWhatWasAsked) {
    SkinUI::CImagePrefetches prefetches;
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto image = [release](int width) {
        return [release, width] {
            WaitForSingleObject(release, INFINITE);
            auto made = std::make_unique<SkinUI::SkinImage>();
            made->width = width;
            return made;
        };
    };
    prefetches.Start(L"170", L"png", 0, image(170));
    prefetches.Start(L"170", L"png", 0, image(999));  // one thread per name
    prefetches.Start(L"171", L"png", 0, image(171));
    prefetches.Start(L"172", L"png", 0, image(172));
    EXPECT_TRUE(prefetches.Has(L"170"));
    SetEvent(release);
    std::unique_ptr<SkinUI::SkinImage> taken = prefetches.Take(L"170", L"png", 0);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->width, 170);
    EXPECT_FALSE(prefetches.Has(L"170"));
    EXPECT_EQ(prefetches.Take(L"170", L"png", 0), nullptr) << "handed out once";
    EXPECT_EQ(prefetches.Take(L"171", L"png200", 0), nullptr);
    EXPECT_EQ(prefetches.Take(L"172", L"png", 0xFFFF00FF), nullptr);
    EXPECT_EQ(prefetches.Take(L"nothing", L"png", 0), nullptr);
    prefetches.Start(L"173", nullptr, 0, image(173));
    prefetches.DropAll();
    EXPECT_FALSE(prefetches.Has(L"173"));
    CloseHandle(release);
}
