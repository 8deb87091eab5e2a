// Fonts and window opacity of a paint manager.
#include <algorithm>
#include <cwchar>

#include "skinui/core/dpi_scale.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/ui_settings.h"

namespace SkinUI {

std::unique_ptr<FontEntry> CUIManager::MakeFont(const wchar_t* face, int size, bool bold,
                                                bool underline, bool italic) const {
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    if (face != nullptr && *face != 0) {
        std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
        lf.lfFaceName[LF_FACESIZE - 1] = 0;
    }
    // Sizes are pixels at 100 %: the font grows with the window's scale like every length.
    lf.lfHeight = -ScaleLength(size);
    if (bold) {
        lf.lfWeight = FW_BOLD;
    }
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfItalic = italic ? TRUE : FALSE;
    auto entry = std::make_unique<FontEntry>();
    entry->font.reset(CreateFontIndirectW(&lf));
    entry->face = lf.lfFaceName;
    entry->size = size;
    entry->bold = bold;
    entry->underline = underline;
    entry->italic = italic;
    return entry;
}

FontEntry* CUIManager::GetDefaultFont() {
    if (!defaultFont_) {
        if (parent_ != nullptr) {
            return parent_->GetDefaultFont();
        }
        LOGFONTW lf = {};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        const std::wstring& face = GetDefaultFontFaceName();
        int size = lf.lfHeight < 0 ? -lf.lfHeight : (lf.lfHeight > 0 ? lf.lfHeight : 12);
        // The stock font is made for the system's scale; keep its size at 100 %.
        const int systemDpi = QueryWindowDpi(nullptr);
        size = std::max(1, (size * kDefaultDpi + systemDpi / 2) / systemDpi);
        defaultFont_ = MakeFont(face.empty() ? lf.lfFaceName : face.c_str(), size,
                                lf.lfWeight >= FW_BOLD, lf.lfUnderline != 0, lf.lfItalic != 0);
    }
    return defaultFont_.get();
}

void CUIManager::SetBaseFont(const wchar_t* face, int size, bool bold, bool underline,
                             bool italic) {
    defaultFont_ = MakeFont(face, size, bold, underline, italic);
}

HFONT CUIManager::AddFontEntry(const wchar_t* face, int size, bool bold, bool underline,
                               bool italic) {
    fonts_.push_back(MakeFont(face, size, bold, underline, italic));
    return fonts_.back()->font.get();
}

FontEntry* CUIManager::GetFontEntry(int index) {
    if (index >= 0 && index < static_cast<int>(fonts_.size())) {
        return fonts_[index].get();
    }
    return GetDefaultFont();
}

HFONT CUIManager::GetFontByIndex(int index) {
    return GetFontEntry(index)->font.get();
}

FontEntry* CUIManager::GetFontEntry(HFONT font) {
    for (CUIManager* manager = this; manager != nullptr; manager = manager->parent_) {
        if (manager->defaultFont_ && manager->defaultFont_->font.get() == font) {
            return manager->defaultFont_.get();
        }
        for (auto& entry : manager->fonts_) {
            if (entry->font.get() == font) {
                return entry.get();
            }
        }
    }
    return nullptr;
}

FontEntry* CUIManager::FindFontEntry(const wchar_t* face, int size, bool bold, bool underline,
                                     bool italic) {
    if (face == nullptr) {
        return nullptr;
    }
    for (CUIManager* manager = this; manager != nullptr; manager = manager->parent_) {
        for (auto& entry : manager->fonts_) {
            if (entry->face == face && entry->size == size && entry->bold == bold &&
                entry->underline == underline && entry->italic == italic) {
                return entry.get();
            }
        }
    }
    return nullptr;
}

const TEXTMETRICW& CUIManager::GetFontMetrics(FontEntry* entry) {
    if (!entry->hasMetrics) {
        WindowDC screen(nullptr);
        HDC dc = windowDC_ != nullptr ? windowDC_ : screen.get();
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
