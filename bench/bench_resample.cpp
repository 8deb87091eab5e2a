// bench_resample [runs]: the image resizing a 200 % window does at load, on the English
// background (586 x 431 -> 1172 x 862), through the general passes and through the doubling
// path; prints the medians of `runs` (default 21) in milliseconds and checks the two agree. Also
// the floor both pay: making the target image and writing each of its pixels once (the first
// write to fresh memory costs a page fault per 4 KiB), and the same background brought to 150 %
// (879 x 647), which only the general passes do.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "skinui/core/image_detail.h"
#include "skinui/core/image_resample.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/renderer.h"

namespace {

using Resample = std::unique_ptr<SkinUI::SkinImage> (*)(const SkinUI::SkinImage&, int, int);

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

double MedianMilliseconds(Resample resample, const SkinUI::SkinImage& source, int width, int height,
                          int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        auto image = resample(source, width, height);
        QueryPerformanceCounter(&end);
        if (!image) {
            std::fprintf(stderr, "resampling failed\n");
            std::exit(1);
        }
        times.push_back(Milliseconds(start, end));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Makes a width x height image and fills it: what any resizing costs at least.
std::unique_ptr<SkinUI::SkinImage> MakeAndFill(const SkinUI::SkinImage&, int width, int height) {
    DWORD* pixels = nullptr;
    auto image = SkinUI::CreateSkinImage(width, height, &pixels);
    if (image) {
        std::memset(pixels, 0xFF, static_cast<size_t>(width) * height * 4);
    }
    return image;
}

// Median milliseconds of a piece of work.
template <typename Work>
double MedianOf(Work work, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        work();
        QueryPerformanceCounter(&end);
        times.push_back(Milliseconds(start, end));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool SamePixels(const SkinUI::SkinImage& a, const SkinUI::SkinImage& b) {
    const DWORD* first = SkinUI::SkinImagePixels(a);
    const DWORD* second = SkinUI::SkinImagePixels(b);
    return a.width == b.width && a.height == b.height && first && second &&
           std::memcmp(first, second, static_cast<size_t>(a.width) * a.height * 4) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    auto background = SkinUI::CRenderer::DecodeSkinImage(MAKEINTRESOURCEW(IDP_BG_EN_0), L"PNG", 0);
    if (!background) {
        std::fprintf(stderr, "no background image\n");
        return 1;
    }
    const int width = background->width * 2;
    const int height = background->height * 2;
    if (!SamePixels(*SkinUI::ResampleSkinImage(*background, width, height),
                    *SkinUI::ResampleSkinImageGeneral(*background, width, height))) {
        std::fprintf(stderr, "the doubling path differs from the general passes\n");
        return 1;
    }
    const double general =
        MedianMilliseconds(&SkinUI::ResampleSkinImageGeneral, *background, width, height, runs);
    const double doubling =
        MedianMilliseconds(&SkinUI::ResampleSkinImage, *background, width, height, runs);
    const double floor = MedianMilliseconds(&MakeAndFill, *background, width, height, runs);
    const int width150 = (background->width * 3 + 1) / 2;
    const int height150 = (background->height * 3 + 1) / 2;
    const double general150 =
        MedianMilliseconds(&SkinUI::ResampleSkinImage, *background, width150, height150, runs);
    std::printf(
        "resample %dx%d -> %dx%d: general %.2f ms, doubling %.2f ms; making and filling the "
        "target alone %.2f ms; to %dx%d (general) %.2f ms (median of %d)\n",
        background->width, background->height, width, height, general, doubling, floor, width150,
        height150, general150, runs);

    // The pieces of a 200 % background with its detail layer, and the whole load as the window
    // does it (a manager of its own each time, so nothing is cached).
    const wchar_t* id = MAKEINTRESOURCEW(IDP_BG_EN_0);
    const double decodeBase =
        MedianOf([&] { SkinUI::CRenderer::DecodeSkinImage(id, L"PNG", 0); }, runs);
    const double decodeLayer =
        MedianOf([&] { SkinUI::DecodeDetailLayer(id, L"PNG200DETAIL"); }, runs);
    const SkinUI::DetailLayer layer = SkinUI::DecodeDetailLayer(id, L"PNG200DETAIL");
    auto doubled = SkinUI::ResampleSkinImage(*background, width, height);
    const double lay = MedianOf([&] { SkinUI::LayDetailLayer(*doubled, layer, 0); }, runs);
    const std::wstring name = std::to_wstring(IDP_BG_EN_0);
    const double whole = MedianOf(
        [&] {
            SkinUI::CUIManager manager;
            manager.SetDpi(192);
            manager.FindImage(name.c_str(), L"PNG");
        },
        runs);
    std::printf(
        "detail layer: decoding the 100 %% background %.2f ms, the layer %.2f ms, laying it over "
        "the doubled background %.2f ms; the whole 200 %% load %.2f ms (median of %d)\n",
        decodeBase, decodeLayer, lay, whole, runs);
    return 0;
}
