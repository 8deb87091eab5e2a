// Skin images by name at a window's display scale: the set for the scale, detail layers, and
// loads ahead of the first paint.
#include "skinui/core/image_cache.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <system_error>
#include <thread>
#include <utility>

#include "skinui/core/image_detail.h"
#include "skinui/core/image_resample.h"
#include "skinui/core/image_spec.h"
#include "skinui/core/renderer.h"
#include "skinui/core/skin_log.h"
#include "skinui/core/ui_settings.h"

namespace SkinUI {

namespace {

// The 100 % image with a larger set's detail layer over it; null when the set has no layer for
// the image or the two do not fit together (the 100 % image is then used alone). The layer is
// decoded on a second thread while this one decodes the 100 % image and brings it to the set's
// scale: for a window background at start-up these are the largest pieces of work before the
// first paint, and they do not depend on each other.
std::unique_ptr<SkinImage> LoadDetailedImage(const wchar_t* name, const wchar_t* baseType,
                                             const wchar_t* detailType, int setPercent,
                                             DWORD mask) {
    if (FindResourceW(GetResourceModule(), name, detailType) == nullptr) {
        return nullptr;
    }
    DetailLayer detail;
    auto decodeDetail = [&] { detail = DecodeDetailLayer(name, detailType); };
    std::thread decoder;
    try {
        decoder = std::thread(decodeDetail);
    } catch (const std::system_error&) {
        decodeDetail();  // no thread to be had: one after the other
    }
    std::unique_ptr<SkinImage> base = CRenderer::DecodeSkinImage(name, baseType, mask);
    std::unique_ptr<SkinImage> resized;
    if (base) {
        const auto scaled = [setPercent](int length) {
            return static_cast<int>((static_cast<long long>(length) * setPercent + 50) / 100);
        };
        resized = ResampleSkinImage(*base, scaled(base->width), scaled(base->height));
    }
    if (decoder.joinable()) {
        decoder.join();
    }
    if (!base || !detail.rgba) {
        return nullptr;
    }
    if (resized && LayDetailLayer(*resized, detail, mask)) {
        return resized;
    }
    // A layer of another size than the set's scale gives: brought to the layer's own size.
    return ComposeDetailLayer(*base, detail, mask);
}

std::unique_ptr<SkinImage> LoadScaledImage(const wchar_t* name, const wchar_t* type, DWORD mask,
                                           int dpi) {
    // Resource images come in two sets: drawn for 100 % (type "png") and for 200 % (type
    // "png200", the same ids), which serves every scale above 100 %. The 200 % set may hold a
    // detail layer instead of a whole image (type "png200detail"): it is laid over the 100 %
    // image brought to its size. The image is then brought to the window's scale with a
    // high-quality filter, once, so that painting copies it 1:1 (an exact set is kept as it is).
    constexpr int kLargeSet = 200;
    std::unique_ptr<SkinImage> image;
    int setPercent = 100;
    const int wantPercent = (dpi * 100 + kDefaultDpi - 1) / kDefaultDpi;
    if (type != nullptr && *type != 0 && wantPercent > 100) {
        const std::wstring scaledType = std::wstring(type) + std::to_wstring(kLargeSet);
        image = CRenderer::DecodeSkinImage(name, scaledType.c_str(), mask);
        if (!image) {
            image =
                LoadDetailedImage(name, type, (scaledType + L"DETAIL").c_str(), kLargeSet, mask);
        }
        if (image) {
            setPercent = kLargeSet;
        }
    }
    if (!image) {
        image = CRenderer::DecodeSkinImage(name, type, mask);
        setPercent = 100;
    }
    if (!image) {
        return nullptr;
    }
    auto toWindowScale = [&](int length) {
        const long long scaled = static_cast<long long>(length) * dpi * 100;
        const long long divisor = static_cast<long long>(kDefaultDpi) * setPercent;
        return static_cast<int>(std::max(1LL, (scaled + divisor / 2) / divisor));
    };
    const int width = toWindowScale(image->width);
    const int height = toWindowScale(image->height);
    if (width != image->width || height != image->height) {
        if (auto resized = ResampleSkinImage(*image, width, height)) {
            image = std::move(resized);
        }
    }
    return image;
}

std::unique_ptr<SkinImage> LoadNamedImage(const std::wstring& name, const wchar_t* type, DWORD mask,
                                          int dpi) {
    if (name.empty()) {
        return nullptr;
    }
    std::unique_ptr<SkinImage> image;
    if (type == nullptr || *type == 0) {
        image = LoadScaledImage(name.c_str(), nullptr, mask, dpi);
    } else if (std::iswdigit(name[0])) {
        unsigned long id = std::wcstoul(name.c_str(), nullptr, 10);
        if (id != 0 && id <= 0xFFFF) {
            image = LoadScaledImage(MAKEINTRESOURCEW(id), type, mask, dpi);
        }
    }
    if (!image) {
        LogSkinError(L"image", name.c_str(),
                     type != nullptr && *type != 0 ? type : L"no resource type",
                     L"no such resource, or not a PNG");
    }
    return image;
}

}  // namespace

const SkinImage* CImageCache::Find(const wchar_t* name, const wchar_t* type, DWORD mask) {
    if (name == nullptr || *name == 0) {
        return nullptr;
    }
    auto found = images_.find(name);
    if (found != images_.end()) {
        return found->second.get();
    }
    std::unique_ptr<SkinImage> image = prefetches_.Take(name, type, mask);
    if (!image) {
        image = LoadNamedImage(name, type, mask, dpi_);
    }
    if (!image) {
        return nullptr;
    }
    image->resourceType = type != nullptr ? type : L"";
    image->maskColor = mask;
    const SkinImage* result = image.get();
    images_[name] = std::move(image);
    return result;
}

void CImageCache::Prefetch(const wchar_t* name, const wchar_t* type, DWORD mask) {
    if (name == nullptr || *name == 0 || dpi_ <= kDefaultDpi || images_.count(name) != 0) {
        return;
    }
    // The thread reads only the scale, which stays as it is until every prefetch is joined
    // (SetDpi).
    const std::wstring key = name;
    const std::wstring kind = type != nullptr ? type : L"";
    prefetches_.Start(key, type, mask, [this, key, kind, mask] {
        return LoadNamedImage(key, kind.empty() ? nullptr : kind.c_str(), mask, dpi_);
    });
}

void CImageCache::PrefetchSpec(const wchar_t* spec) {
    if (spec == nullptr || dpi_ <= kDefaultDpi) {
        return;
    }
    for (const ImageDrawSettings& settings : ParseImageSpecs(spec, nullptr, RECT{}, dpi_)) {
        Prefetch(settings.name.c_str(), settings.type.empty() ? nullptr : settings.type.c_str(),
                 settings.mask);
    }
}

void CImageCache::SetDpi(int dpi) {
    if (dpi == dpi_) {
        return;
    }
    prefetches_.DropAll();  // made for the old scale; their threads read it
    dpi_ = dpi;
    for (auto& [name, image] : images_) {
        const wchar_t* type = image->resourceType.empty() ? nullptr : image->resourceType.c_str();
        std::unique_ptr<SkinImage> fresh;
        if (type != nullptr) {
            const unsigned long id = std::wcstoul(name.c_str(), nullptr, 10);
            fresh = LoadScaledImage(MAKEINTRESOURCEW(id), type, image->maskColor, dpi_);
        } else {
            fresh = LoadScaledImage(name.c_str(), nullptr, image->maskColor, dpi_);
        }
        if (fresh) {
            fresh->resourceType = image->resourceType;
            fresh->maskColor = image->maskColor;
            image = std::move(fresh);
        }
    }
}

}  // namespace SkinUI
