// Fonts (from the window's own or a parent manager's) and window opacity of a paint manager.
#include <algorithm>

#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

FontEntry* CUIManager::GetDefaultFont() {
    if (fonts_.Default() == nullptr) {
        if (parent_ != nullptr) {
            return parent_->GetDefaultFont();
        }
        fonts_.MakeDefaultFromSystem();
    }
    return fonts_.Default();
}

void CUIManager::SetBaseFont(const wchar_t* face, int size, bool bold, bool underline,
                             bool italic) {
    fonts_.SetDefault(face, size, bold, underline, italic);
}

HFONT CUIManager::AddFontEntry(const wchar_t* face, int size, bool bold, bool underline,
                               bool italic) {
    return fonts_.Add(face, size, bold, underline, italic);
}

FontEntry* CUIManager::GetFontEntry(int index) {
    FontEntry* entry = fonts_.At(index);
    return entry != nullptr ? entry : GetDefaultFont();
}

HFONT CUIManager::GetFontByIndex(int index) {
    return GetFontEntry(index)->font.get();
}

FontEntry* CUIManager::GetFontEntry(HFONT font) {
    for (CUIManager* manager = this; manager != nullptr; manager = manager->parent_) {
        if (FontEntry* entry = manager->fonts_.FindByHandle(font)) {
            return entry;
        }
    }
    return nullptr;
}

FontEntry* CUIManager::FindFontEntry(const wchar_t* face, int size, bool bold, bool underline,
                                     bool italic) {
    for (CUIManager* manager = this; manager != nullptr; manager = manager->parent_) {
        if (FontEntry* entry = manager->fonts_.Find(face, size, bold, underline, italic)) {
            return entry;
        }
    }
    return nullptr;
}

const TEXTMETRICW& CUIManager::GetFontMetrics(FontEntry* entry) {
    if (!entry->hasMetrics) {
        WindowDC screen(nullptr);
        HDC dc = windowDC_.get() != nullptr ? windowDC_.get() : screen.get();
        SelectGuard selected(dc, entry->font.get());
        GetTextMetricsW(dc, &entry->metrics);
        entry->hasMetrics = true;
    }
    return entry->metrics;
}

void CUIManager::SetWindowOpacity(int alpha) {
    opacity_ = std::clamp(alpha, 0, 255);
    if (window_ == nullptr) {
        return;
    }
    using SetLayeredFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    HMODULE user32 = GetModuleHandleW(L"User32.dll");
    FARPROC proc =
        user32 != nullptr ? GetProcAddress(user32, "SetLayeredWindowAttributes") : nullptr;
    if (proc == nullptr) {
        return;
    }
    // FARPROC to its real type: the usual GetProcAddress idiom.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    auto setLayered = reinterpret_cast<SetLayeredFunction>(proc);
#pragma GCC diagnostic pop
    LONG style = GetWindowLongW(window_, GWL_EXSTYLE);
    if (alpha >= 0 && alpha <= 255) {
        style |= WS_EX_LAYERED;
    } else {
        style &= ~WS_EX_LAYERED;
    }
    SetWindowLongW(window_, GWL_EXSTYLE, style);
    setLayered(window_, 0, static_cast<BYTE>(opacity_), LWA_ALPHA);
}

}  // namespace SkinUI
