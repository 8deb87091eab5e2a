// How the keyboard focus changes hands, told to a window that only writes down what it hears:
// the order of what a change sets off, controls that cannot take the focus or go away while it
// moves, Tab, a focus asked for later, and the ring at the window's scale.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "skinui/controls/controls.h"
#include "skinui/core/gdi_handles.h"
#include "skinui/core/keyboard_focus.h"

inline bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

using SkinUI::CControlUI;
using SkinUI::CKeyboardFocus;
using SkinUI::CWindowMetrics;
using SkinUI::FocusRingStyle;
using SkinUI::FocusStep;
using SkinUI::IControlUI;

namespace {

class TabStop : public CControlUI {
public:
    unsigned GetInputFlags() const override { return SkinUI::UIFLAG_TABSTOP; }
};

class RecordingHost : public SkinUI::IFocusHost {
public:
    void TakeWindowFocus(bool always) override { log.push_back(always ? "window!" : "window?"); }
    bool IsOwnControl(IControlUI* control) const override { return owned.count(control) != 0; }
    void OnFocusStep(FocusStep step, IControlUI* control, IControlUI* gaining) override {
        static const char* const kSteps[] = {"lost", "lost-notice", "gained", "gained-notice",
                                             "announced"};
        std::string line = std::string(kSteps[static_cast<int>(step)]) + " " + Name(control);
        if (step == FocusStep::Lost) {
            line += " to " + Name(gaining);
        }
        log.push_back(line);
        if (listener) {
            listener(step, control);
        }
    }
    void InvalidateArea(const RECT* area) override {
        if (area == nullptr) {
            log.push_back("repaint");
        } else {
            invalidated.push_back(*area);
        }
    }
    void RequestLayout() override { log.push_back("layout"); }
    std::vector<IControlUI*> TabStops() const override { return stops; }
    IControlUI* DefaultButton() const override { return defaultButton; }

    std::string Name(IControlUI* control) const {
        auto found = names.find(control);
        return found != names.end() ? found->second : "none";
    }
    std::vector<std::string> Take() {
        std::vector<std::string> taken;
        taken.swap(log);
        return taken;
    }

    std::vector<std::string> log;
    std::vector<RECT> invalidated;
    std::map<IControlUI*, std::string> names;
    std::set<IControlUI*> owned;
    std::vector<IControlUI*> stops;
    IControlUI* defaultButton = nullptr;
    std::function<void(FocusStep, IControlUI*)> listener;
};

class KeyboardFocusTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto& [control, name] : std::map<IControlUI*, std::string>{
                 {&a_, "a"}, {&b_, "b"}, {&c_, "c"}, {&plain_, "plain"}}) {
            host_.names[control] = name;
            host_.owned.insert(control);
        }
        host_.stops = {&a_, &b_, &c_};
    }
    using Log = std::vector<std::string>;

    RecordingHost host_;
    CWindowMetrics metrics_;
    CKeyboardFocus focus_{host_, metrics_};
    TabStop a_, b_, c_;
    CControlUI plain_;  // no tab stop
};

TEST_F(KeyboardFocusTest, AChangeTellsTheWindowEachStepInOrder) {
    focus_.Set(&a_);
    EXPECT_EQ((Log{"window?", "gained a", "gained-notice a", "announced a"}), host_.Take());
    focus_.Set(&b_);
    EXPECT_EQ((Log{"window?", "lost a to b", "lost-notice a", "gained b", "gained-notice b",
                   "announced b"}),
              host_.Take());
    EXPECT_EQ(&b_, focus_.Control());
    // The same control again: nothing at all.
    focus_.Set(&b_);
    EXPECT_TRUE(host_.Take().empty());
    // A control no key reaches takes the focus quietly for screen readers.
    focus_.Set(&plain_);
    EXPECT_EQ(
        (Log{"window?", "lost b to plain", "lost-notice b", "gained plain", "gained-notice plain"}),
        host_.Take());
    focus_.Set(nullptr);
    EXPECT_EQ((Log{"window?", "lost plain to none", "lost-notice plain"}), host_.Take());
    EXPECT_EQ(nullptr, focus_.Control());
}

TEST_F(KeyboardFocusTest, AControlThatCannotTakeTheFocusOnlyTakesItAway) {
    TabStop other;  // another window's
    host_.names[&other] = "other";
    b_.SetVisible(false);
    c_.SetEnabled(false);
    for (IControlUI* refused : std::vector<IControlUI*>{&b_, &c_, &other}) {
        focus_.Set(&a_);
        host_.Take();
        focus_.Set(refused);
        const std::string name = host_.Name(refused);
        EXPECT_EQ((Log{"window?", "lost a to " + name, "lost-notice a"}), host_.Take()) << name;
        EXPECT_EQ(nullptr, focus_.Control()) << name;
    }
}

TEST_F(KeyboardFocusTest, AControlDeletedByAListenerIsNeitherFocusedNorAnnounced) {
    focus_.Set(&a_);
    // Deleted while the old control hears that it loses the focus.
    host_.listener = [&](FocusStep step, IControlUI*) {
        if (step == FocusStep::LostNotice) {
            focus_.Forget(&b_);
        }
    };
    host_.Take();
    focus_.Set(&b_);
    EXPECT_EQ((Log{"window?", "lost a to b", "lost-notice a"}), host_.Take());
    EXPECT_EQ(nullptr, focus_.Control());

    // Deleted by its own focus event: nobody hears of it afterwards.
    host_.listener = [&](FocusStep step, IControlUI* control) {
        if (step == FocusStep::Gained) {
            focus_.Forget(control);
        }
    };
    focus_.Set(&c_);
    EXPECT_EQ((Log{"window?", "gained c"}), host_.Take());
    EXPECT_EQ(nullptr, focus_.Control());

    // Deleted before a layout it was to be focused at: the window's default gets the focus.
    host_.listener = nullptr;
    focus_.Set(&a_);
    host_.listener = [&](FocusStep step, IControlUI*) {
        if (step == FocusStep::Lost) {
            focus_.Forget(&b_);
        }
    };
    focus_.SetLater(&b_);
    host_.listener = nullptr;
    host_.defaultButton = &c_;
    host_.Take();
    focus_.SettleAfterLayout();
    EXPECT_EQ(&c_, focus_.Control());
}

TEST_F(KeyboardFocusTest, TabGoesRoundTheStopsAndStartsAtAnEnd) {
    EXPECT_TRUE(focus_.MoveToNextTabStop(false));
    EXPECT_EQ(&c_, focus_.Control());
    EXPECT_TRUE(focus_.MoveToNextTabStop(true));
    EXPECT_EQ(&a_, focus_.Control());
    EXPECT_TRUE(focus_.MoveToNextTabStop(false));
    EXPECT_EQ(&c_, focus_.Control());
    // A key decides where the focus goes, not a focus waiting for the next layout.
    focus_.SetLater(&b_);
    focus_.MoveToNextTabStop(true);
    EXPECT_EQ(&a_, focus_.Control());
    host_.Take();
    focus_.SettleAfterLayout();
    EXPECT_TRUE(host_.Take().empty());
    // No stops: the focus stays where it is.
    host_.stops.clear();
    EXPECT_FALSE(focus_.MoveToNextTabStop(true));
    EXPECT_EQ(&a_, focus_.Control());
}

TEST_F(KeyboardFocusTest, AFocusAskedForLaterArrivesAtTheLayoutWhileItIsATabStop) {
    focus_.Set(&a_);
    host_.Take();
    // The old control loses the focus at once; the new one waits for the layout.
    focus_.SetLater(&b_);
    EXPECT_EQ((Log{"window!", "lost a to b", "lost-notice a", "layout"}), host_.Take());
    EXPECT_EQ(nullptr, focus_.Control());
    focus_.SettleAfterLayout();
    EXPECT_EQ(&b_, focus_.Control());

    // No longer a tab stop by then: the default button, else the first stop.
    focus_.SetLater(&c_);
    host_.stops = {&a_, &b_};
    host_.defaultButton = &b_;
    focus_.SettleAfterLayout();
    EXPECT_EQ(&b_, focus_.Control());
    focus_.SetLater(&c_);
    host_.defaultButton = nullptr;
    focus_.SettleAfterLayout();
    EXPECT_EQ(&a_, focus_.Control());

    // The default asked for later: the whole window is painted (and so laid out) again.
    host_.defaultButton = &b_;
    host_.Take();
    focus_.SetToDefaultLater();
    EXPECT_EQ((Log{"repaint"}), host_.Take());
    EXPECT_EQ(&a_, focus_.Control());
    focus_.SettleAfterLayout();
    EXPECT_EQ(&b_, focus_.Control());
    // A later layout leaves the focus where it is; so does a null asked for later.
    focus_.Set(&c_);
    focus_.SettleAfterLayout();
    focus_.SetLater(nullptr);
    focus_.SettleAfterLayout();
    EXPECT_EQ(&c_, focus_.Control());
    // A new tree: its default at the next layout; none there leaves nobody focused.
    focus_.NeedFocus();
    host_.stops.clear();
    host_.defaultButton = nullptr;
    focus_.SettleAfterLayout();
    EXPECT_EQ(nullptr, focus_.Control());
}

TEST_F(KeyboardFocusTest, TheRingIsScaledWithTheWindowAndDrawnOnlyForAStopThatShowsIt) {
    const RECT pos = {100, 50, 180, 80};
    a_.SetPos(pos);
    plain_.SetPos(pos);
    focus_.SetWindowRing(FocusRingStyle{0xFF112233, 1, 1});
    // At 150 % a 1 pixel ring and gap become 2 (1.5, rounded away from zero).
    ASSERT_TRUE(metrics_.SetDpi(144));
    FocusRingStyle style = focus_.RingStyleOf(&a_);
    EXPECT_EQ(2, style.width);
    EXPECT_EQ(2, style.gap);
    EXPECT_EQ((RECT{96, 46, 184, 84}), focus_.RingRectOf(&a_));
    // A ring inside the control: a negative gap rounds away from zero too.
    focus_.SetWindowRing(FocusRingStyle{0xFF112233, 1, -1});
    EXPECT_EQ(-2, focus_.RingStyleOf(&a_).gap);
    // The smallest scale keeps a visible ring a pixel wide; no width stays no ring.
    ASSERT_TRUE(metrics_.SetDpi(CWindowMetrics::kMinDpi));
    EXPECT_EQ(1, focus_.RingStyleOf(&a_).width);
    focus_.SetWindowRing(FocusRingStyle{0xFF112233, 0, 0});
    EXPECT_EQ(0, focus_.RingStyleOf(&a_).width);
    // No ring for a control no key reaches, nor in a transparent colour.
    focus_.SetWindowRing(FocusRingStyle{0xFF112233, 2, 0});
    const RECT noStop = focus_.RingRectOf(&plain_);
    EXPECT_TRUE(IsRectEmpty(&noStop));
    focus_.SetWindowRing(FocusRingStyle{0x00112233, 2, 0});
    const RECT clear = focus_.RingRectOf(&a_);
    EXPECT_TRUE(IsRectEmpty(&clear));
}

TEST_F(KeyboardFocusTest, ShowingOrHidingTheFocusRepaintsTheRingOnlyWhenItChanges) {
    a_.SetPos(RECT{10, 10, 50, 30});
    focus_.SetWindowRing(FocusRingStyle{0xFF000000, 1, 1});
    focus_.Set(&a_);
    host_.invalidated.clear();
    // A new window's state is taken as it is.
    focus_.StartHidden(false);
    EXPECT_TRUE(host_.invalidated.empty());
    focus_.SetHidden(false);
    EXPECT_TRUE(host_.invalidated.empty());
    focus_.SetHidden(true);
    ASSERT_EQ(1u, host_.invalidated.size());
    EXPECT_EQ((RECT{8, 8, 52, 32}), host_.invalidated[0]);
    EXPECT_TRUE(focus_.IsHidden());
    // Forgetting the focused control needs no events and leaves nothing to repaint.
    host_.Take();
    focus_.Forget(&a_);
    EXPECT_EQ(nullptr, focus_.Control());
    EXPECT_TRUE(host_.Take().empty());
}

TEST_F(KeyboardFocusTest, TheRingIsPaintedOnlyWhenShownOnAFocusThatCanHaveIt) {
    SkinUI::MemoryDC dc(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 80;
    info.bmiHeader.biHeight = -60;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    SkinUI::BitmapHandle bitmap(
        CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_NE(nullptr, bitmap.get());
    const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    const RECT all = {0, 0, 80, 60};
    const COLORREF white = RGB(255, 255, 255);
    auto ringPainted = [&](const RECT& update) {
        FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        focus_.PaintRing(dc.get(), update);
        return GetPixel(dc.get(), 17, 30) != white;  // inside the ring's left band
    };
    a_.SetPos(RECT{20, 20, 60, 40});
    focus_.SetWindowRing(FocusRingStyle{0xFFFF0000, 2, 1});
    focus_.Set(&a_);
    EXPECT_FALSE(ringPainted(all));  // hidden until the keyboard is used
    focus_.SetHidden(false);
    EXPECT_TRUE(ringPainted(all));
    EXPECT_EQ(white, GetPixel(dc.get(), 30, 30));    // the control itself is left alone
    EXPECT_FALSE(ringPainted(RECT{70, 0, 80, 10}));  // an update away from the ring
    a_.SetEnabled(false);
    EXPECT_FALSE(ringPainted(all));
    a_.SetEnabled(true);
    focus_.Set(&plain_);
    EXPECT_FALSE(ringPainted(all));
    SelectObject(dc.get(), old);
}

}  // namespace
