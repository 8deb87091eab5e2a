// Images loaded ahead on threads of their own, for the first paint at a large scale.
#include <system_error>
#include <thread>

#include "skinui/core/image_spec.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

void CUIManager::PrefetchImage(const wchar_t* name, const wchar_t* type, DWORD mask) {
    if (name == nullptr || *name == 0 || dpi_ <= kDefaultDpi || images_.count(name) != 0 ||
        prefetches_.count(name) != 0) {
        return;
    }
    auto prefetch = std::make_unique<Prefetch>();
    prefetch->type = type != nullptr ? type : L"";
    prefetch->mask = mask;
    Prefetch* slot = prefetch.get();
    const std::wstring key = name;
    try {
        // The thread reads only the scale, which stays as it is until every prefetch is joined
        // (DropPrefetches), and writes only its own slot.
        slot->loader = std::thread([this, slot, key] {
            slot->image =
                LoadNamedImage(key, slot->type.empty() ? nullptr : slot->type.c_str(), slot->mask);
        });
    } catch (const std::system_error&) {
        return;  // no thread to be had: FindImage loads it when it is needed
    }
    prefetches_[key] = std::move(prefetch);
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
    auto found = prefetches_.find(name);
    if (found == prefetches_.end()) {
        return nullptr;
    }
    std::unique_ptr<Prefetch> prefetch = std::move(found->second);
    prefetches_.erase(found);
    if (prefetch->loader.joinable()) {
        prefetch->loader.join();
    }
    if (prefetch->type != (type != nullptr ? type : L"") || prefetch->mask != mask) {
        return nullptr;  // asked for in another way than it was loaded
    }
    return std::move(prefetch->image);
}

void CUIManager::DropPrefetches() {
    for (auto& [name, prefetch] : prefetches_) {
        if (prefetch->loader.joinable()) {
            prefetch->loader.join();
        }
    }
    prefetches_.clear();
}

}  // namespace SkinUI
