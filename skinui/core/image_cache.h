#pragma once
// A window's skin images by name, each decoded once from the program's resources at the
// window's display scale; large ones may be decoded ahead on threads of their own.
#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "skinui/core/dpi_scale.h"
#include "skinui/core/image_prefetches.h"
#include "skinui/core/skin_image.h"

namespace SkinUI {

class CImageCache {
public:
    CImageCache() = default;
    ~CImageCache() { prefetches_.DropAll(); }
    CImageCache(const CImageCache&) = delete;
    CImageCache& operator=(const CImageCache&) = delete;

    int GetDpi() const { return dpi_; }
    // The image of that name ("170", a resource id, with its type "png"), loaded at the first
    // ask (or taken from its prefetch); null, with an error line, when no resource has it.
    const SkinImage* Find(const wchar_t* name, const wchar_t* type, DWORD mask);
    // Starts loading an image as Find would on a thread of its own; nothing at 100 %, where
    // loading is cheap, or when the image is cached or on its way already.
    void Prefetch(const wchar_t* name, const wchar_t* type, DWORD mask);
    // The same for every image an image spec ("res='170' restype='png'") draws.
    void PrefetchSpec(const wchar_t* spec);
    // Takes a new scale: the prefetches (made for the old one) are waited for and dropped and
    // every cached image is loaded anew; one that no longer loads keeps its old picture.
    void SetDpi(int dpi);
    // Waits for every prefetch and drops what they made.
    void DropPrefetches() { prefetches_.DropAll(); }

private:
    int dpi_ = kDefaultDpi;
    std::unordered_map<std::wstring, std::unique_ptr<SkinImage>> images_;
    // Last: its threads read dpi_ and are joined before the rest goes.
    CImagePrefetches prefetches_;
};

}  // namespace SkinUI
