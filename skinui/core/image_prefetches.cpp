#include "skinui/core/image_prefetches.h"

#include <system_error>

namespace SkinUI {

void CImagePrefetches::Start(const std::wstring& name, const wchar_t* type, DWORD mask,
                             Loader load) {
    if (Has(name)) {
        return;
    }
    auto entry = std::make_unique<Load>();
    entry->type = type != nullptr ? type : L"";
    entry->mask = mask;
    Load* slot = entry.get();
    try {
        // The thread writes only its own slot.
        slot->thread = std::thread([slot, load = std::move(load)] { slot->image = load(); });
    } catch (const std::system_error&) {
        return;  // no thread to be had: the image is loaded when it is needed
    }
    loads_[name] = std::move(entry);
}

std::unique_ptr<SkinImage> CImagePrefetches::Take(const std::wstring& name, const wchar_t* type,
                                                  DWORD mask) {
    auto found = loads_.find(name);
    if (found == loads_.end()) {
        return nullptr;
    }
    std::unique_ptr<Load> entry = std::move(found->second);
    loads_.erase(found);
    if (entry->thread.joinable()) {
        entry->thread.join();
    }
    if (entry->type != (type != nullptr ? type : L"") || entry->mask != mask) {
        return nullptr;  // asked for in another way than it was loaded
    }
    return std::move(entry->image);
}

void CImagePrefetches::DropAll() {
    for (auto& [name, entry] : loads_) {
        if (entry->thread.joinable()) {
            entry->thread.join();
        }
    }
    loads_.clear();
}

}  // namespace SkinUI
