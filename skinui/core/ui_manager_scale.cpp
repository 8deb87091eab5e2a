// What a paint manager makes anew when the display scale changes: fonts, with the native
// children that use them.
#include <utility>
#include <vector>

#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

struct FontSwap {
    std::vector<std::pair<HFONT, HFONT>> oldToNew;
};

// Native children (the edit field, the tooltip) that use one of the old fonts get its remake.
BOOL CALLBACK SwapChildFont(HWND child, LPARAM data) {
    const auto* swap = reinterpret_cast<const FontSwap*>(data);
    const HFONT current = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    for (const auto& [oldFont, newFont] : swap->oldToNew) {
        if (current == oldFont) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(newFont), TRUE);
            break;
        }
    }
    return TRUE;
}

}  // namespace

void CUIManager::RemakeFonts() {
    // The old handles live until every native child has been given the new ones.
    const CScaledFonts::Remade remade = fonts_.SetDpi(metrics_.Dpi());
    FontSwap swap{remade.oldToNew};
    if (window_ != nullptr) {
        EnumChildWindows(window_, SwapChildFont, reinterpret_cast<LPARAM>(&swap));
    }
    if (tooltip_ != nullptr) {
        SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(GetDefaultFont()->font.get()),
                     FALSE);
    }
}

}  // namespace SkinUI
