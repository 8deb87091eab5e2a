#include "skinui/controls/button_state.h"

namespace SkinUI {

StateImage ChooseButtonImage(UINT state, const StateImageSet& images) {
    if ((state & UISTATE_DISABLED) != 0 && images.disabled) {
        return StateImage::Disabled;
    }
    if ((state & UISTATE_PUSHED) != 0 && images.pushed) {
        return StateImage::Pushed;
    }
    if ((state & UISTATE_HOT) != 0 && images.hot) {
        return StateImage::Hot;
    }
    if ((state & UISTATE_HOT) != 0 && images.hotBkColor) {
        return StateImage::HotBkColor;
    }
    if ((state & UISTATE_FOCUSED) != 0 && images.focused) {
        return StateImage::Focused;
    }
    return StateImage::Normal;
}

DWORD ChooseButtonTextColor(UINT state, bool enabled, const ButtonTextColors& colors) {
    if ((state & UISTATE_PUSHED) != 0 && colors.pushed != 0) {
        return colors.pushed;
    }
    if ((state & UISTATE_HOT) != 0 && colors.hot != 0) {
        return colors.hot;
    }
    if ((state & UISTATE_FOCUSED) != 0 && colors.focused != 0) {
        return colors.focused;
    }
    return enabled ? colors.text : colors.disabled;
}

}  // namespace SkinUI
