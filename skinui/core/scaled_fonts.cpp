// A window's fonts at its display scale.
#include "skinui/core/scaled_fonts.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "skinui/core/ui_settings.h"

namespace SkinUI {

std::unique_ptr<FontEntry> CScaledFonts::Make(const wchar_t* face, int size, bool bold,
                                              bool underline, bool italic, int dpi) {
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    if (face != nullptr && *face != 0) {
        std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
        lf.lfFaceName[LF_FACESIZE - 1] = 0;
    }
    // Sizes are pixels at 100 %: the font grows with the window's scale like every length.
    lf.lfHeight = -ScaleByDpi(size, dpi);
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

void CScaledFonts::SetDefault(const wchar_t* face, int size, bool bold, bool underline,
                              bool italic) {
    default_ = Make(face, size, bold, underline, italic, dpi_);
}

FontEntry* CScaledFonts::MakeDefaultFromSystem() {
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    const std::wstring& face = GetDefaultFontFaceName();
    int size = lf.lfHeight < 0 ? -lf.lfHeight : (lf.lfHeight > 0 ? lf.lfHeight : 12);
    // The stock font is made for the system's scale; keep its size at 100 %.
    const int systemDpi = QueryWindowDpi(nullptr);
    size = std::max(1, (size * kDefaultDpi + systemDpi / 2) / systemDpi);
    default_ = Make(face.empty() ? lf.lfFaceName : face.c_str(), size, lf.lfWeight >= FW_BOLD,
                    lf.lfUnderline != 0, lf.lfItalic != 0, dpi_);
    return default_.get();
}

HFONT CScaledFonts::Add(const wchar_t* face, int size, bool bold, bool underline, bool italic) {
    fonts_.push_back(Make(face, size, bold, underline, italic, dpi_));
    return fonts_.back()->font.get();
}

FontEntry* CScaledFonts::At(int index) const {
    if (index >= 0 && index < static_cast<int>(fonts_.size())) {
        return fonts_[index].get();
    }
    return nullptr;
}

FontEntry* CScaledFonts::FindByHandle(HFONT font) const {
    if (default_ && default_->font.get() == font) {
        return default_.get();
    }
    for (const auto& entry : fonts_) {
        if (entry->font.get() == font) {
            return entry.get();
        }
    }
    return nullptr;
}

FontEntry* CScaledFonts::Find(const wchar_t* face, int size, bool bold, bool underline,
                              bool italic) const {
    if (face == nullptr) {
        return nullptr;
    }
    for (const auto& entry : fonts_) {
        if (entry->face == face && entry->size == size && entry->bold == bold &&
            entry->underline == underline && entry->italic == italic) {
            return entry.get();
        }
    }
    return nullptr;
}

CScaledFonts::Remade CScaledFonts::SetDpi(int dpi) {
    Remade remade;
    if (dpi == dpi_) {
        return remade;
    }
    dpi_ = dpi;
    auto remake = [&](FontEntry& entry) {
        std::unique_ptr<FontEntry> fresh =
            Make(entry.face.c_str(), entry.size, entry.bold, entry.underline, entry.italic, dpi_);
        remade.oldToNew.emplace_back(entry.font.get(), fresh->font.get());
        remade.retired.push_back(std::move(entry.font));
        entry.font = std::move(fresh->font);
        entry.hasMetrics = false;
    };
    if (default_) {
        remake(*default_);
    }
    for (auto& entry : fonts_) {
        remake(*entry);
    }
    return remade;
}

}  // namespace SkinUI
