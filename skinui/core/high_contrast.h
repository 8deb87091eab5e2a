#pragma once
// Windows' high contrast, read through one place: while it is on, the skin paints with the
// system's colours instead of its images (pages and labels in the window colours, buttons in
// the button colours, the highlight for the progress bar and the focus, the hot-track colour
// for links); images that carry meaning stay, decorative backgrounds go.
#include <windows.h>

namespace SkinUI {

// SPI_GETHIGHCONTRAST with HCF_HIGHCONTRASTON, read once and again after RefreshHighContrast,
// unless a test has set the answer.
bool IsHighContrastOn();
// Reads the setting again (WM_SETTINGCHANGE, WM_SYSCOLORCHANGE).
void RefreshHighContrast();
// Tests: 1 on, 0 off, -1 back to the system's answer. Systems that cannot turn high contrast
// on (Wine) are tested through it.
void SetHighContrastForTesting(int state);

// A system colour (COLOR_WINDOW, ...) as the skin's 0xAARRGGBB, opaque.
DWORD SystemColor(int index);

}  // namespace SkinUI
