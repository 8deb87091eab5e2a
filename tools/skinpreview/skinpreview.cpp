// skinpreview: renders through the real framework into a PNG file.
//   skinpreview image  <image spec> <width> <height> <out.png> [background AARRGGBB]
//   skinpreview markup <marked-up text> <width> <height> <out.png>
//   skinpreview layout <layout.xml> <out.png> [repaints]
// The layout mode paints the tree of a hidden window through the same layout and paint steps
// as WM_PAINT; with a repaint count it also prints the median time of a full repaint.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/window_wnd.h"
#include "skinui/core/xml_document.h"
#include "tools/skinpreview/png_writer.h"
#include "tools/skinpreview/preview_tree.h"

namespace {

// A 32-bit top-down DIB in a memory DC.
class Canvas {
public:
    Canvas(int width, int height, DWORD background) : width_(width), height_(height), dc_(nullptr) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        pixels_ = static_cast<DWORD*>(bits);
        old_ = SelectObject(dc_.get(), bitmap_.get());
        std::fill(pixels_, pixels_ + width * height, background);
    }
    ~Canvas() { SelectObject(dc_.get(), old_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return dc_.get(); }
    bool Save(const std::wstring& path) const {
        GdiFlush();
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width_) * height_ * 4);
        for (int i = 0; i < width_ * height_; ++i) {
            const DWORD p = pixels_[i];
            rgba[i * 4 + 0] = static_cast<std::uint8_t>(p >> 16);
            rgba[i * 4 + 1] = static_cast<std::uint8_t>(p >> 8);
            rgba[i * 4 + 2] = static_cast<std::uint8_t>(p);
            rgba[i * 4 + 3] = 255;  // GDI leaves the alpha byte undefined
        }
        return SkinPreview::WritePng(path, rgba, width_, height_);
    }

private:
    int width_;
    int height_;
    SkinUI::MemoryDC dc_;
    SkinUI::BitmapHandle bitmap_;
    HGDIOBJ old_ = nullptr;
    DWORD* pixels_ = nullptr;
};

class PreviewWindow : public SkinUI::CWindowWnd {
public:
    SkinUI::CUIManager manager;

protected:
    const wchar_t* WindowClassName() const override { return L"SkinPreviewWindow"; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) {
            manager.AttachWindow(window_);
        }
        LRESULT result = 0;
        if (manager.OnWindowMessage(message, wParam, lParam, result)) {
            return result;
        }
        return CWindowWnd::OnMessage(message, wParam, lParam);
    }
};

int Usage() {
    std::fprintf(stderr,
                 "usage: skinpreview image <spec> <width> <height> <out.png> [AARRGGBB]\n"
                 "       skinpreview markup <text> <width> <height> <out.png>\n"
                 "       skinpreview layout <layout.xml> <out.png> [repaints]\n");
    return 2;
}

int ImageMode(int argc, wchar_t** argv) {
    if (argc < 6) {
        return Usage();
    }
    const int cx = _wtoi(argv[3]);
    const int cy = _wtoi(argv[4]);
    if (cx <= 0 || cy <= 0 || cx > 8192 || cy > 8192) {
        return Usage();
    }
    const DWORD background = argc > 6 ? std::wcstoul(argv[6], nullptr, 16) : 0xFFFFFFFF;
    SkinUI::CUIManager manager;
    Canvas canvas(cx, cy, background);
    const RECT all = {0, 0, cx, cy};
    SkinUI::CRenderer::PaintImageSpec(canvas.dc(), &manager, all, all, argv[2]);
    return canvas.Save(argv[5]) ? 0 : 1;
}

int MarkupMode(int argc, wchar_t** argv) {
    if (argc < 6) {
        return Usage();
    }
    const int cx = _wtoi(argv[3]);
    const int cy = _wtoi(argv[4]);
    if (cx <= 0 || cy <= 0 || cx > 8192 || cy > 8192) {
        return Usage();
    }
    SkinUI::CUIManager manager;
    Canvas canvas(cx, cy, 0xFFFFFFFF);
    RECT rect = {4, 4, cx - 4, cy - 4};
    RECT links[8] = {};
    std::wstring texts[8];
    int count = 8;
    SkinUI::CRenderer::PaintMarkupText(canvas.dc(), &manager, rect, argv[2], 0xFF000000, links,
                                       texts, count, DT_WORDBREAK);
    for (int i = 0; i < count; ++i) {
        std::printf("link %d: %ld,%ld,%ld,%ld\n", i, links[i].left, links[i].top, links[i].right,
                    links[i].bottom);
    }
    return canvas.Save(argv[5]) ? 0 : 1;
}

int LayoutMode(int argc, wchar_t** argv) {
    if (argc < 4) {
        return Usage();
    }
    SkinUI::CXmlDocument document;
    if (!document.LoadFile(argv[2])) {
        std::fwprintf(stderr, L"layout: %ls at \"%ls\"\n", document.ErrorMessage(),
                      document.ErrorLocation());
        return 1;
    }
    PreviewWindow window;
    if (window.CreateWnd(nullptr, L"skinpreview", WS_POPUP, 0, 0, 0, 100, 100) == nullptr) {
        return 1;
    }
    SkinPreview::PreviewNode* root = SkinPreview::BuildPreviewTree(document, window.manager);
    if (root == nullptr) {
        std::fprintf(stderr, "layout: no root element\n");
        return 1;
    }
    SIZE size = window.manager.GetInitSize();
    if (size.cx <= 0 || size.cy <= 0) {
        size = {400, 300};
    }
    SetWindowPos(window.GetHWND(), nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    window.manager.AttachRoot(root);
    window.manager.LayoutIfNeeded();
    Canvas canvas(size.cx, size.cy, 0xFFFFFFFF);
    const RECT all = {0, 0, size.cx, size.cy};
    window.manager.PaintTree(canvas.dc(), all);
    const bool saved = canvas.Save(argv[3]);

    const int repaints = argc > 4 ? std::max(0, _wtoi(argv[4])) : 0;
    if (repaints > 0) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        std::vector<double> times;
        for (int i = 0; i < repaints; ++i) {
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            window.manager.PaintTree(canvas.dc(), all);
            GdiFlush();
            QueryPerformanceCounter(&end);
            times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart));
        }
        std::sort(times.begin(), times.end());
        std::printf("repaint %dx%d median %.3f ms over %d\n", static_cast<int>(size.cx),
                    static_cast<int>(size.cy), times[times.size() / 2], repaints);
    }
    DestroyWindow(window.GetHWND());
    return saved ? 0 : 1;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        return Usage();
    }
    const std::wstring mode = argv[1];
    int code = 2;
    if (mode == L"image") {
        code = ImageMode(argc, argv);
    } else if (mode == L"markup") {
        code = MarkupMode(argc, argv);
    } else if (mode == L"layout") {
        code = LayoutMode(argc, argv);
    } else {
        code = Usage();
    }
    LocalFree(argv);
    return code;
}
