#pragma once
// The process-wide list of paint managers and what the first of them sets up.
#include <windows.h>

#include <vector>

namespace SkinUI {

class CUIManager;

namespace ManagerRegistry {

// True exactly once: for the first manager built in the process.
bool FirstManagerBuilt();
void Add(CUIManager* manager);
void Remove(CUIManager* manager);
// The manager attached to this window, or null.
CUIManager* ForWindow(HWND window);
// Whether the last input that moved or used the focus came from the keyboard (a window that
// appears then shows its focus at once, as Windows' dialogs do), or from the mouse.
bool KeyboardLastUsed();
void SetKeyboardLastUsed(bool keyboard);
// The 1-pixel red pen that outlines update rectangles.
HPEN UpdateRectPen();

}  // namespace ManagerRegistry
}  // namespace SkinUI
