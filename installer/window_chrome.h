#pragma once
// Behaviour shared by the installer's borderless windows: which points drag the window, and
// the rounded window region.
#include <windows.h>

#include <initializer_list>

namespace SkinUI {
class CUIManager;
}

// WM_CREATE of a skinned window: the configured title, no system caption, children clipped,
// and the paint manager attached.
void PrepareSkinnedWindow(HWND window, SkinUI::CUIManager& manager);

// WM_NCHITTEST: HTCAPTION inside the layout's caption area unless the control under the point
// is of one of the given classes ("ButtonUI", ...); HTCLIENT everywhere else.
LRESULT HitTestCaption(HWND window, SkinUI::CUIManager& manager, LPARAM screenPoint,
                       std::initializer_list<const wchar_t*> clientClasses);

// WM_SIZE: a round-rectangle window region with the layout's corner size (none for 0,0 or
// when the window is minimised).
void ApplyRoundCorners(HWND window, SkinUI::CUIManager& manager);
