#pragma once
// Images loading on threads of their own, one per name, until the window asks for them: a large
// image the first paint needs is decoded while the control tree is still being built.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>

#include "skinui/core/skin_image.h"

namespace SkinUI {

class CImagePrefetches {
public:
    using Loader = std::function<std::unique_ptr<SkinImage>()>;

    CImagePrefetches() = default;
    ~CImagePrefetches() { DropAll(); }
    CImagePrefetches(const CImagePrefetches&) = delete;
    CImagePrefetches& operator=(const CImagePrefetches&) = delete;

    bool Has(const std::wstring& name) const { return loads_.count(name) != 0; }
    // Runs load on a thread of its own for the image of that name, type and mask; nothing when
    // one runs for the name already or no thread is to be had.
    void Start(const std::wstring& name, const wchar_t* type, DWORD mask, Loader load);
    // The image once its thread is done (waiting for it); null when none was started for the
    // name, or it was started for another type or mask (it is dropped then).
    std::unique_ptr<SkinImage> Take(const std::wstring& name, const wchar_t* type, DWORD mask);
    // Waits for every thread and drops what they made.
    void DropAll();

private:
    struct Load {
        std::wstring type;
        DWORD mask = 0;
        std::unique_ptr<SkinImage> image;
        std::thread thread;
    };
    std::unordered_map<std::wstring, std::unique_ptr<Load>> loads_;
};

}  // namespace SkinUI
