// What a window remembers of the keyboard focus: where Tab goes, the focus a layout settles
// later, and whether the focus is drawn.
#include <gtest/gtest.h>

#include <vector>

#include "skinui/controls/controls.h"
#include "skinui/core/focus_state.h"

using SkinUI::CControlUI;
using SkinUI::CFocusState;
using SkinUI::IControlUI;

TEST(FocusState, TabGoesRoundTheStopsBothWaysAndStartsAtAnEnd) {
    std::vector<CControlUI> controls(4);
    const std::vector<IControlUI*> stops = {&controls[0], &controls[1], &controls[2]};
    EXPECT_EQ(&controls[1], CFocusState::NextTabStop(stops, &controls[0], true));
    EXPECT_EQ(&controls[0], CFocusState::NextTabStop(stops, &controls[2], true));
    EXPECT_EQ(&controls[2], CFocusState::NextTabStop(stops, &controls[0], false));
    EXPECT_EQ(&controls[1], CFocusState::NextTabStop(stops, &controls[2], false));
    // From no focus, or a control that is no stop: the first going forward, the last back.
    EXPECT_EQ(&controls[0], CFocusState::NextTabStop(stops, nullptr, true));
    EXPECT_EQ(&controls[2], CFocusState::NextTabStop(stops, &controls[3], false));
    const std::vector<IControlUI*> one = {&controls[1]};
    EXPECT_EQ(&controls[1], CFocusState::NextTabStop(one, &controls[1], true));
    EXPECT_EQ(nullptr, CFocusState::NextTabStop({}, &controls[1], true));
}

TEST(FocusState, ALayoutFocusesTheControlAskedForOnlyWhileItIsAStop) {
    std::vector<CControlUI> controls(3);
    const std::vector<IControlUI*> stops = {&controls[0], &controls[1]};
    CFocusState state;
    EXPECT_FALSE(state.IsNeeded());

    state.AskLater(&controls[1]);
    EXPECT_TRUE(state.IsNeeded());
    EXPECT_EQ(&controls[1], state.TakeAfterLayout(stops));
    EXPECT_FALSE(state.IsNeeded());
    EXPECT_EQ(nullptr, state.TakeAfterLayout(stops));  // taken once

    // Hidden or disabled by the time of the layout: the window's default instead.
    state.AskLater(&controls[2]);
    EXPECT_EQ(nullptr, state.TakeAfterLayout(stops));
    // A control that went away is never focused later.
    state.AskLater(&controls[0]);
    state.Forget(&controls[0]);
    EXPECT_TRUE(state.IsNeeded());
    EXPECT_EQ(nullptr, state.TakeAfterLayout(stops));
    // A new tree keeps what was asked; a request for the default or a key drops it.
    state.AskLater(&controls[0]);
    state.NeedFocus();
    EXPECT_EQ(&controls[0], state.TakeAfterLayout(stops));
    state.AskLater(&controls[0]);
    state.AskDefaultLater();
    EXPECT_TRUE(state.IsNeeded());
    EXPECT_EQ(nullptr, state.TakeAfterLayout(stops));
    state.AskLater(&controls[0]);
    state.Settle();
    EXPECT_FALSE(state.IsNeeded());
}

TEST(FocusState, TheFocusIsHiddenUntilShownAndOnlyAChangeIsReported) {
    CFocusState state;
    EXPECT_TRUE(state.IsHidden());
    EXPECT_FALSE(state.SetHidden(true));
    EXPECT_TRUE(state.SetHidden(false));
    EXPECT_FALSE(state.IsHidden());
    EXPECT_FALSE(state.SetHidden(false));
}
