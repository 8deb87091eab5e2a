// Images loaded ahead on threads of their own, for the first paint at a large scale.
#include "skinui/core/image_spec.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

void CUIManager::PrefetchImage(const wchar_t* name, const wchar_t* type, DWORD mask) {
    if (name == nullptr || *name == 0 || dpi_ <= kDefaultDpi || images_.count(name) != 0) {
        return;
    }
    // The thread reads only the scale, which stays as it is until every prefetch is joined
    // (DropPrefetches).
    const std::wstring key = name;
    const std::wstring kind = type != nullptr ? type : L"";
    prefetches_.Start(key, type, mask, [this, key, kind, mask] {
        return LoadNamedImage(key, kind.empty() ? nullptr : kind.c_str(), mask);
    });
}

void CUIManager::PrefetchImages(const wchar_t* spec) {
    if (spec == nullptr || dpi_ <= kDefaultDpi) {
        return;
    }
    for (const ImageDrawSettings& settings : ParseImageSpecs(spec, nullptr, RECT{}, dpi_)) {
        PrefetchImage(settings.name.c_str(),
                      settings.type.empty() ? nullptr : settings.type.c_str(), settings.mask);
    }
}

std::unique_ptr<SkinImage> CUIManager::TakePrefetched(const std::wstring& name, const wchar_t* type,
                                                      DWORD mask) {
    return prefetches_.Take(name, type, mask);
}

void CUIManager::DropPrefetches() {
    prefetches_.DropAll();
}

}  // namespace SkinUI
