// skinpreview: renders through the real framework into a PNG file.
//   skinpreview image  <image spec> <width> <height> <out.png> [background AARRGGBB]
//   skinpreview markup <marked-up text> <width> <height> <out.png>
//   skinpreview layout <layout.xml | resource id> <out.png> [repaints] [frame ...]
// The layout mode builds the layout with the layout builder into a hidden window and paints it
// through the same layout and paint steps as WM_PAINT (see layout_mode.h for the frames); with a
// repaint count it also prints the median time of a full repaint.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"
#include "tools/skinpreview/canvas.h"
#include "tools/skinpreview/layout_mode.h"

namespace {

using SkinPreview::Canvas;

int Usage() {
    std::fprintf(stderr,
                 "usage: skinpreview image <spec> <width> <height> <out.png> [AARRGGBB]\n"
                 "       skinpreview markup <text> <width> <height> <out.png>\n"
                 "       skinpreview layout <layout.xml | id> <out.png> [repaints] [frame ...]\n");
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
    int repaints = 0;
    int next = 4;
    if (argc > next && std::iswdigit(argv[next][0])) {
        repaints = std::max(0, _wtoi(argv[next]));
        ++next;
    }
    std::vector<std::wstring> frames(argv + next, argv + argc);
    return SkinPreview::LayoutMode(argv[2], argv[3], frames, repaints);
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
