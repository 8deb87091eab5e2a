#include <climits>
#include <cstring>
#include <vector>

#include <stb/stb_image.h>

#include "skinui/core/gdi_handles.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_settings.h"

namespace SkinUI {

namespace {

bool ReadResource(const wchar_t* name, const wchar_t* type, std::vector<unsigned char>& bytes) {
    const unsigned char* data = nullptr;
    DWORD size = 0;
    if (!FindSkinResource(name, type, &data, &size)) {
        return false;
    }
    bytes.assign(data, data + size);
    return true;
}

struct StbPixels {
    unsigned char* data = nullptr;
    ~StbPixels() { stbi_image_free(data); }
};

}  // namespace

std::unique_ptr<SkinImage> CRenderer::DecodeSkinImage(const wchar_t* name, const wchar_t* type,
                                                      DWORD mask) {
    if (name == nullptr) {
        return nullptr;
    }
    std::vector<unsigned char> bytes;
    if (type != nullptr && *type != 0) {
        ReadResource(name, type, bytes);
    } else if (UntypedImageSource source = GetUntypedImageSource()) {
        if (!IS_INTRESOURCE(name)) {
            source(name, bytes);
        }
    }
    if (bytes.empty()) {
        return nullptr;
    }
    return DecodeSkinImageBytes(bytes.data(), bytes.size(), mask);
}

std::unique_ptr<SkinImage> CRenderer::DecodeSkinImageBytes(const unsigned char* bytes,
                                                           std::size_t size, DWORD mask) {
    if (bytes == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        return nullptr;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    StbPixels rgba;
    rgba.data = stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4);
    if (rgba.data == nullptr || width <= 0 || height <= 0) {
        return nullptr;
    }
    DWORD* out = nullptr;
    auto image = CreateSkinImage(width, height, &out);
    if (!image) {
        return nullptr;
    }
    // Premultiplied alpha, colour x alpha / 255 rounded down. Opaque and fully transparent
    // pixels (most of a background, most of an overlay) need no arithmetic at all.
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    bool hasAlpha = false;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* px = rgba.data + i * 4;
        DWORD value = PremultiplyPixel(px);
        hasAlpha = hasAlpha || px[3] != 255;
        if (value == mask) {
            value = 0;
            hasAlpha = true;
        }
        out[i] = value;
    }
    image->hasAlpha = hasAlpha;
    image->maskColor = mask;
    return image;
}

std::unique_ptr<SkinImage> CreateSkinImage(int width, int height, DWORD** pixels) {
    DWORD* bits = nullptr;
    auto image = std::make_unique<SkinImage>();
    image->bitmap = CreatePixelBitmap(nullptr, width, height, &bits);
    if (!image->bitmap || bits == nullptr) {
        return nullptr;
    }
    image->width = width;
    image->height = height;
    *pixels = bits;
    return image;
}

bool FindSkinResource(const wchar_t* name, const wchar_t* type, const unsigned char** bytes,
                      DWORD* size) {
    HMODULE module = GetResourceModule();
    HRSRC found = name != nullptr && type != nullptr ? FindResourceW(module, name, type) : nullptr;
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD length = found != nullptr ? SizeofResource(module, found) : 0;
    if (data == nullptr || length == 0) {
        return false;
    }
    *bytes = static_cast<const unsigned char*>(data);
    *size = length;
    return true;
}

DWORD* SkinImagePixels(const SkinImage& image) {
    DIBSECTION section = {};
    if (!image.bitmap ||
        GetObjectW(image.bitmap.get(), sizeof section, &section) != sizeof section) {
        return nullptr;
    }
    return static_cast<DWORD*>(section.dsBm.bmBits);
}

}  // namespace SkinUI
