#pragma once
// Behaviour shared by the installer's borderless windows: which points drag the window, and
// the rounded window region.
#include <windows.h>

namespace SkinUI {
class CUIManager;
}

// WM_CREATE of a skinned window: the configured title, no system caption, children clipped,
// and the paint manager attached.
void PrepareSkinnedWindow(HWND window, SkinUI::CUIManager& manager);

// Whether a window's static texts belong to its drag area.
enum class TextDrags { No, Yes };

// WM_NCHITTEST: inside the layout's caption area the control under the point says what a press
// there is for (SkinUI::CControlUI::PointerUseAt): HTCLIENT for a control that takes the press
// itself (button, option, check box, edit, link), HTCLIENT for static text unless the window's
// texts drag, HTCAPTION for the rest (background, pictures, progress bars). HTCLIENT outside.
LRESULT HitTestCaption(HWND window, SkinUI::CUIManager& manager, LPARAM screenPoint,
                       TextDrags textDrags);

// WM_SIZE: a round-rectangle window region with the layout's corner size (none for 0,0 or
// when the window is minimised).
void ApplyRoundCorners(HWND window, SkinUI::CUIManager& manager);
