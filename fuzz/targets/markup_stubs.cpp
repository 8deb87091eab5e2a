// What the markup painter needs of the paint manager and the renderer beyond fonts and images
// (ui_manager_resources.cpp is built as it is): a bare manager with the mouse over the text, no
// clipping, no blitting, and images of plausible sizes for any name.
#include <map>
#include <memory>
#include <string>

#include "skinui/core/high_contrast.h"
#include "skinui/core/renderer.h"
#include "skinui/core/skin_log.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

CUIManager::CUIManager() {
    lastMouse_ = POINT{30, 20};
}

CUIManager::~CUIManager() {}

// The manager owns its screen-reader part; the painter never makes one.
CAccessibility::~CAccessibility() {}

CRenderClip::~CRenderClip() {}

// The manager's parts the painter never reaches.
CDeferredDeletions::CDeferredDeletions() {}
CDeferredDeletions::~CDeferredDeletions() {}
void CTimerTable::KillAll() {}
void CImagePrefetches::DropAll() {}
// The painter never moves the keyboard focus.
void CUIManager::TakeWindowFocus(bool) {}
bool CUIManager::IsOwnControl(IControlUI*) const {
    return false;
}
void CUIManager::OnFocusStep(FocusStep, IControlUI*, IControlUI*) {}
void CUIManager::InvalidateArea(const RECT*) {}
void CUIManager::RequestLayout() {}
std::vector<IControlUI*> CUIManager::TabStops() const {
    return {};
}
IControlUI* CUIManager::DefaultButton() const {
    return nullptr;
}

void LogSkinError(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*) {}

void CRenderer::ClipToRect(HDC, const RECT&, CRenderClip&) {}

void CRenderer::PaintBitmapGrid(HDC, HBITMAP, const RECT& dest, const RECT& paint,
                                const RECT& source, const RECT& corners, bool, BYTE, bool, bool,
                                bool) {
    for (const RECT* r : {&dest, &paint, &source, &corners}) {
        if (r->left < -0x7FFFFFFFL - 1 || r->right > 0x7FFFFFFFL || r->top < -0x7FFFFFFFL - 1 ||
            r->bottom > 0x7FFFFFFFL) {
            __builtin_trap();  // 32-bit coordinates on Windows
        }
    }
}

// "none..." names decode to nothing; a resource id or any other name to an image whose size
// follows from the name.
std::unique_ptr<SkinImage> CRenderer::DecodeSkinImage(const wchar_t* name, const wchar_t* type,
                                                      DWORD mask) {
    unsigned seed = 0;
    if (type != nullptr) {
        seed = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(name));
    } else {
        std::wstring text = name;
        if (text.rfind(L"none", 0) == 0) {
            return nullptr;
        }
        for (wchar_t c : text) {
            seed = seed * 31 + static_cast<unsigned>(c);
        }
    }
    auto image = std::make_unique<SkinImage>();
    image->width = 1 + static_cast<int>(seed % 97);
    image->height = 1 + static_cast<int>((seed / 97) % 41);
    image->hasAlpha = (mask & 1) != 0;
    return image;
}

// At 100 %, the scale the fuzzer's manager has: images as decoded, kept by name; the painter's
// manager prefetches nothing.
const SkinImage* CImageCache::Find(const wchar_t* name, const wchar_t* type, DWORD mask) {
    static std::map<std::wstring, std::unique_ptr<SkinImage>> images;
    const std::wstring key = (reinterpret_cast<UINT_PTR>(name) >> 16) == 0
                                 ? L"#" + std::to_wstring(reinterpret_cast<UINT_PTR>(name))
                                 : std::wstring(name ? name : L"");
    auto found = images.find(key);
    if (found == images.end()) {
        found = images.emplace(key, CRenderer::DecodeSkinImage(name, type, mask)).first;
    }
    return found->second.get();
}

int QueryWindowDpi(HWND) {
    return kDefaultDpi;
}

// High contrast off: the marked-up texts keep the colours they name.
bool IsHighContrastOn() {
    return false;
}

DWORD SystemColor(int) {
    return 0xFF000000u;
}

}  // namespace SkinUI
