// What a paint manager makes anew for a display scale: images from the set for the scale, and
// fonts (with the native children that use them) when the scale changes.
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "skinui/core/dpi_scale.h"
#include "skinui/core/image_detail.h"
#include "skinui/core/image_resample.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"
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

}  // namespace

std::unique_ptr<SkinImage> CUIManager::LoadScaledImage(const wchar_t* name, const wchar_t* type,
                                                       DWORD mask) const {
    // Resource images come in two sets: drawn for 100 % (type "png") and for 200 % (type
    // "png200", the same ids), which serves every scale above 100 %. The 200 % set may hold a
    // detail layer instead of a whole image (type "png200detail"): it is laid over the 100 %
    // image brought to its size. The image is then brought to the window's scale with a
    // high-quality filter, once, so that painting copies it 1:1 (an exact set is kept as it is).
    constexpr int kLargeSet = 200;
    std::unique_ptr<SkinImage> image;
    int setPercent = 100;
    const int wantPercent = (dpi_ * 100 + kDefaultDpi - 1) / kDefaultDpi;
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
        const long long scaled = static_cast<long long>(length) * dpi_ * 100;
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

namespace {

struct FontSwap {
    std::vector<std::pair<HFONT, HFONT>> oldToNew;
};

// Native children (the edit field, the tooltip) that use one of the old fonts get its remake.
BOOL CALLBACK SwapChildFont(HWND child, LPARAM data) {
    const auto* swap = reinterpret_cast<const FontSwap*>(data);
    const HFONT current = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    for (const auto& [oldFont, newFont] : swap->oldToNew) {
        if (current == oldFont) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(newFont), TRUE);
            break;
        }
    }
    return TRUE;
}

}  // namespace

void CUIManager::RemakeFontsAndImages() {
    // The old handles live until every native child has been given the new ones.
    std::vector<FontHandle> retired;
    FontSwap swap;
    auto remake = [&](FontEntry& entry) {
        std::unique_ptr<FontEntry> fresh =
            MakeFont(entry.face.c_str(), entry.size, entry.bold, entry.underline, entry.italic);
        swap.oldToNew.emplace_back(entry.font.get(), fresh->font.get());
        retired.push_back(std::move(entry.font));
        entry.font = std::move(fresh->font);
        entry.hasMetrics = false;
    };
    if (defaultFont_) {
        remake(*defaultFont_);
    }
    for (auto& entry : fonts_) {
        remake(*entry);
    }
    if (window_ != nullptr) {
        EnumChildWindows(window_, SwapChildFont, reinterpret_cast<LPARAM>(&swap));
    }
    if (tooltip_ != nullptr) {
        SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(GetDefaultFont()->font.get()),
                     FALSE);
    }
    for (auto& [name, image] : images_) {
        const wchar_t* type = image->resourceType.empty() ? nullptr : image->resourceType.c_str();
        std::unique_ptr<SkinImage> fresh;
        if (type != nullptr) {
            const unsigned long id = std::wcstoul(name.c_str(), nullptr, 10);
            fresh = LoadScaledImage(MAKEINTRESOURCEW(id), type, image->maskColor);
        } else {
            fresh = LoadScaledImage(name.c_str(), nullptr, image->maskColor);
        }
        if (fresh) {
            fresh->resourceType = image->resourceType;
            fresh->maskColor = image->maskColor;
            image = std::move(fresh);
        }
    }
}

}  // namespace SkinUI
