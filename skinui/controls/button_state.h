#pragma once
// Button state bits and the pure choices a button makes from them: which state image it draws
// and which text colour it uses.
#include <windows.h>

namespace SkinUI {

enum ButtonStateBits : UINT {
    UISTATE_FOCUSED = 0x01,
    UISTATE_SELECTED = 0x02,
    UISTATE_DISABLED = 0x04,
    UISTATE_HOT = 0x08,
    UISTATE_PUSHED = 0x10,
    UISTATE_CAPTURED = 0x40,
};

enum class StateImage { Normal, Hot, Pushed, Focused, Disabled, HotBkColor };

// Which state images (and the hot background colour) a button has.
struct StateImageSet {
    bool normal = false;
    bool hot = false;
    bool pushed = false;
    bool focused = false;
    bool disabled = false;
    bool hotBkColor = false;
};

// The first choice for the state; Normal means "the normal image if there is one".
StateImage ChooseButtonImage(UINT state, const StateImageSet& images);

struct ButtonTextColors {
    DWORD text = 0;
    DWORD disabled = 0;
    DWORD hot = 0;
    DWORD pushed = 0;
    DWORD focused = 0;
};

DWORD ChooseButtonTextColor(UINT state, bool enabled, const ButtonTextColors& colors);

}  // namespace SkinUI
