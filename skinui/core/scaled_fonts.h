#pragma once
// A window's fonts, given in pixels at 100 % and made for the window's display scale: the
// default font and the numbered fonts of its layout, made again when the scale changes.
#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "skinui/core/dpi_scale.h"
#include "skinui/core/gdi_handles.h"
#include "skinui/core/skin_image.h"

namespace SkinUI {

class CScaledFonts {
public:
    // A font of `size` pixels at 100 % made for `dpi` (the stock GUI font's face when none).
    static std::unique_ptr<FontEntry> Make(const wchar_t* face, int size, bool bold, bool underline,
                                           bool italic, int dpi);

    int GetDpi() const { return dpi_; }
    // The default font; null until it is set or made from the system's.
    FontEntry* Default() const { return default_.get(); }
    void SetDefault(const wchar_t* face, int size, bool bold, bool underline, bool italic);
    // Makes the default font from the stock GUI font (in the process's face when one is set),
    // its size taken back from the system's scale to 100 %.
    FontEntry* MakeDefaultFromSystem();
    HFONT Add(const wchar_t* face, int size, bool bold, bool underline, bool italic);
    // The numbered font; null when there is none of that number.
    FontEntry* At(int index) const;
    int Count() const { return static_cast<int>(fonts_.size()); }
    // The font (the default one too) that made this handle; null when none of these did.
    FontEntry* FindByHandle(HFONT font) const;
    // The first numbered font of these settings; null when there is none.
    FontEntry* Find(const wchar_t* face, int size, bool bold, bool underline, bool italic) const;

    // What a scale change leaves: the old handles, to be dropped only once every native window
    // that used one has been given its remake.
    struct Remade {
        std::vector<FontHandle> retired;
        std::vector<std::pair<HFONT, HFONT>> oldToNew;
    };
    // Makes every font again for the scale (the entries stay where they are).
    Remade SetDpi(int dpi);

private:
    int dpi_ = kDefaultDpi;
    std::unique_ptr<FontEntry> default_;
    std::vector<std::unique_ptr<FontEntry>> fonts_;
};

}  // namespace SkinUI
