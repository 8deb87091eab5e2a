// The markup painter (tags, escapes, line breaking, links, inline images) over the GDI
// stand-ins, in the layouts' usual styles: wrapped and centred with link slots, one line cut
// with an ellipsis, and measuring only. And what is drawn is what is read out: on one uncut
// line the painter draws exactly the plain text that screen readers get.
#include <cstddef>
#include <cstdint>
#include <string>

#include "skinui/core/markup_reader.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"
#include "support/fuzz_input.h"

namespace {

constexpr int kLinkSlots = 4;

void Paint(SkinUI::CUIManager& manager, HDC dc, const wchar_t* text, RECT rect, UINT style) {
    RECT links[kLinkSlots] = {{0, 0, 400, 300}, {20, 10, 60, 40}, {}, {}};
    std::wstring linkTexts[kLinkSlots] = {L"a", L"http://velmora.example/", L"", L""};
    int linkCount = kLinkSlots;
    SkinUI::CRenderer::PaintMarkupText(dc, &manager, rect, text, 0xFF102030, links, linkTexts,
                                       linkCount, style);
    if (linkCount < 0 || linkCount > kLinkSlots) {
        __builtin_trap();
    }
    for (int i = 0; i < linkCount; ++i) {
        velmora_fuzz::CheckFits32(links[i], "link rectangle");
    }
    velmora_fuzz::CheckFits32(rect, "text extent");
}

// Paragraph spacing may move lines past any rectangle; without it every line of a single-line
// layout (line feeds still break) fits in a tall one.
bool HasParagraphs(const wchar_t* text) {
    for (const wchar_t* p = text; *p != 0; ++p) {
        if ((*p == L'{' || *p == L'<') && p[1] == L'p') {
            return true;
        }
    }
    return false;
}

void CheckDrawnIsPlain(SkinUI::CUIManager& manager, HDC dc, const wchar_t* text) {
    if (HasParagraphs(text)) {
        return;
    }
    std::wstring drawn;
    velmora_fuzz::drawnText = &drawn;
    RECT rect = {0, 0, 0x100000, 0x10000000};
    int none = 0;
    SkinUI::CRenderer::PaintMarkupText(dc, &manager, rect, text, 0xFF102030, nullptr, nullptr, none,
                                       DT_SINGLELINE);
    velmora_fuzz::drawnText = nullptr;
    if (drawn != SkinUI::MarkupPlainText(text, 0)) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<wchar_t> units = velmora_fuzz::WideUnits(data, size);
    SkinUI::CUIManager manager;
    HDC dc = CreateCompatibleDC(nullptr);
    Paint(manager, dc, units.data(), RECT{10, 10, 130, 200}, DT_WORDBREAK | DT_CENTER | DT_VCENTER);
    Paint(manager, dc, units.data(), RECT{0, 0, 90, 24},
          DT_SINGLELINE | DT_END_ELLIPSIS | DT_RIGHT);
    Paint(manager, dc, units.data(), RECT{5, 5, 305, 105},
          DT_CALCRECT | DT_WORDBREAK | DT_END_ELLIPSIS);
    SkinUI::CRenderer::PaintPlainText(dc, &manager, RECT{0, 0, 50, 20}, units.data(), 0, 0,
                                      DT_SINGLELINE);
    CheckDrawnIsPlain(manager, dc, units.data());
    DeleteDC(dc);
    return 0;
}
