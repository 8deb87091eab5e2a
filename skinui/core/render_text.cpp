// Plain text and text with inline markup tags.
#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "skinui/core/coordinates.h"
#include "skinui/core/high_contrast.h"
#include "skinui/core/image_spec.h"
#include "skinui/core/markup_reader.h"
#include "skinui/core/renderer.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

void CRenderer::PaintPlainText(HDC dc, CUIManager* manager, RECT rect, const wchar_t* text,
                               DWORD color, int font, UINT style) {
    if (dc == nullptr || manager == nullptr || text == nullptr) {
        return;
    }
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, ToColorRef(color));
    {
        SelectGuard selected(dc, manager->GetFontByIndex(font));
        DrawTextW(dc, text, -1, &rect, style | DT_NOPREFIX);
    }
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

namespace {

struct MarkupState {
    std::vector<FontEntry*> fonts;
    std::vector<DWORD> colors;
    std::vector<int> spacing;
    bool raw = false;
    bool selected = false;
    bool inLink = false;
    std::wstring linkText;
    LONG linkStart = 0;
    int lineHeightOverride = 0;
};

struct LineResult {
    const wchar_t* end = nullptr;
    LONG width = 0;
    LONG height = 0;
    bool stop = false;  // nothing more is drawn (single line cut with an ellipsis)
};

class MarkupPainter {
public:
    MarkupPainter(HDC dc, CUIManager* manager, const RECT& rect, DWORD defaultColor, RECT* links,
                  std::wstring* linkTexts, int capacity, UINT style)
        : dc_(dc),
          manager_(manager),
          rect_(rect),
          defaultColor_(defaultColor),
          links_(links),
          linkTexts_(linkTexts),
          capacity_(links != nullptr && linkTexts != nullptr ? std::max(capacity, 0) : 0),
          style_(style) {
        for (int i = 0; i < capacity_; ++i) {
            previousLinks_.push_back(links_[i]);
            previousTexts_.push_back(linkTexts_[i]);
        }
    }

    // Lays out and (unless measuring) draws; returns the extent used.
    RECT Run(const wchar_t* text) {
        MarkupState state;
        state.fonts.push_back(manager_->GetDefaultFont());
        const wchar_t* p = text;
        LONG top = rect_.top;
        LONG widest = 0;
        while (*p != 0 && top < rect_.bottom) {
            MarkupState saved = state;
            measuring_ = true;
            LineResult measured = Line(p, state, top, 0, 0);
            state = saved;
            measuring_ = false;
            LONG offset = 0;
            if ((style_ & DT_SINGLELINE) == 0) {
                const LONG room = rect_.right - rect_.left - measured.width;
                if ((style_ & DT_CENTER) != 0) {
                    offset = std::max(0L, room / 2);
                } else if ((style_ & DT_RIGHT) != 0) {
                    offset = std::max(0L, room);
                }
            }
            LineResult drawn = Line(p, state, top, measured.height, offset);
            widest = std::max(widest, drawn.width);
            top = ClampCoord(static_cast<long long>(top) + measured.height);
            if (drawn.end == p || drawn.stop) {
                break;
            }
            p = drawn.end;
        }
        return RECT{rect_.left, rect_.top, rect_.left + widest, std::min(top, rect_.bottom)};
    }

    int LinksUsed() const { return linksUsed_; }

private:
    FontEntry* Current(const MarkupState& state) const { return state.fonts.back(); }

    FontEntry* Variant(FontEntry* base, bool bold, bool underline, bool italic) {
        FontEntry* found =
            manager_->FindFontEntry(base->face.c_str(), base->size, bold, underline, italic);
        if (found == nullptr) {
            HFONT font =
                manager_->AddFontEntry(base->face.c_str(), base->size, bold, underline, italic);
            found = manager_->GetFontEntry(font);
        }
        return found != nullptr ? found : base;
    }

    FontEntry* DescribedFont(const std::wstring& argument) {
        if (!argument.empty() && std::iswdigit(argument[0])) {
            return manager_->GetFontEntry(
                static_cast<int>(std::wcstol(argument.c_str(), nullptr, 10)));
        }
        std::wstring face;
        int size = 10;
        bool bold = false, underline = false, italic = false;
        std::size_t i = 0;
        auto word = [&]() {
            while (i < argument.size() && argument[i] == L' ') {
                ++i;
            }
            std::size_t begin = i;
            while (i < argument.size() && argument[i] != L' ') {
                ++i;
            }
            return argument.substr(begin, i - begin);
        };
        face = word();
        for (std::wstring w = word(); !w.empty(); w = word()) {
            if (std::iswdigit(w[0])) {
                size = static_cast<int>(std::wcstol(w.c_str(), nullptr, 10));
            } else if (w == L"bold") {
                bold = true;
            } else if (w == L"underline") {
                underline = true;
            } else if (w == L"italic") {
                italic = true;
            }
        }
        if (face.empty() || size <= 0 || size > 500) {
            return nullptr;
        }
        FontEntry* found = manager_->FindFontEntry(face.c_str(), size, bold, underline, italic);
        if (found == nullptr) {
            found = manager_->GetFontEntry(
                manager_->AddFontEntry(face.c_str(), size, bold, underline, italic));
        }
        return found;
    }

    static void Pop(std::vector<FontEntry*>& fonts) {
        if (fonts.size() > 1) {
            fonts.pop_back();
        }
    }

    DWORD Color(const MarkupState& state) const {
        return state.colors.empty() ? defaultColor_ : state.colors.back();
    }

    LONG FontHeight(FontEntry* font) { return manager_->GetFontMetrics(font).tmHeight; }

    void DrawRun(const wchar_t* s, int n, const MarkupState& state, LONG x, LONG bottom) {
        if (measuring_ || (style_ & DT_CALCRECT) != 0 || n <= 0) {
            return;
        }
        FontEntry* font = Current(state);
        SelectGuard selected(dc_, font->font.get());
        SetTextColor(dc_, ToColorRef(Color(state)));
        if (state.selected) {
            SetBkMode(dc_, OPAQUE);
            SetBkColor(dc_, ToColorRef(manager_->GetSelectedBkColor()));
        }
        TextOutW(dc_, x, bottom - FontHeight(font), s, n);
        if (state.selected) {
            SetBkMode(dc_, TRANSPARENT);
        }
    }

    LONG Extent(FontEntry* font, const wchar_t* s, int n) {
        SelectGuard selected(dc_, font->font.get());
        SIZE size = {0, 0};
        GetTextExtentPoint32W(dc_, s, n, &size);
        return size.cx;
    }

    void RecordLink(const MarkupState& state, LONG x, LONG top, LONG height) {
        if (measuring_ || linksUsed_ >= capacity_) {
            return;
        }
        links_[linksUsed_] = RECT{state.linkStart, top, x, top + height};
        linkTexts_[linksUsed_] = state.linkText;
        ++linksUsed_;
    }

    bool LinkHovered(const std::wstring& text) const {
        const POINT mouse = manager_->GetMousePos();
        for (std::size_t i = 0; i < previousLinks_.size(); ++i) {
            if (previousTexts_[i] == text && PtInRect(&previousLinks_[i], mouse)) {
                return true;
            }
        }
        return false;
    }

    // One line from p: measuring finds its height and width; otherwise it is drawn with its
    // bottom at top + height.
    LineResult Line(const wchar_t* p, MarkupState& state, LONG top, LONG height, LONG offset) {
        const bool single = (style_ & DT_SINGLELINE) != 0;
        LineResult result;
        LONG x = rect_.left + offset;
        const LONG lineLeft = x;
        LONG lineHeight = FontHeight(Current(state));
        const LONG bottom = top + height;
        if (state.inLink) {
            state.linkStart = x;
        }
        auto finish = [&](const wchar_t* end) {
            long long spacing = 0;
            for (int s : state.spacing) {
                spacing += s;
            }
            result.end = end;
            result.width = x - lineLeft;
            result.height = ClampCoord(
                (state.lineHeightOverride > 0 ? state.lineHeightOverride : lineHeight) + spacing);
            return result;
        };
        while (*p != 0) {
            if (*p == L'\n') {
                return finish(p + 1);
            }
            if (*p == L'\r') {
                ++p;
                continue;
            }
            wchar_t printed = 0;
            MarkupTag tag;
            if (!state.raw && ReadMarkupEscape(p, printed)) {
                lineHeight = std::max(lineHeight, FontHeight(Current(state)));
                PlaceRun(&printed, 1, state, x, bottom, x == lineLeft);
                p += 3;
                continue;
            }
            if (ReadMarkupTag(p, tag) && MarkupTagCounts(tag, state.raw)) {
                const wchar_t* next = tag.next;
                if (Apply(tag, state, x, lineLeft, top, height, lineHeight, single)) {
                    // The tag breaks the line: a break tag is consumed, a paragraph start is not
                    // when it has to come back to the start of the next line.
                    return finish(breakConsumes_ ? next : p);
                }
                p = next;
                continue;
            }
            // Plain run up to the next possible tag (in raw text only the end of raw text),
            // line feed or end.
            const wchar_t* end = MarkupRunEnd(p, state.raw);
            lineHeight = std::max(lineHeight, FontHeight(Current(state)));
            const int length = static_cast<int>(end - p);
            const int placed = PlaceRun(p, length, state, x, bottom, x == lineLeft);
            if (placed < 0) {
                finish(p);
                result.stop = true;
                return result;
            }
            p += placed;
            if (placed < length) {
                while (*p == L' ') {
                    ++p;
                }
                return finish(p);
            }
        }
        return finish(p);
    }

    // Places (and draws) as much of the run as fits; returns the characters used, or -1 when a
    // single line was cut with an ellipsis and nothing more follows.
    int PlaceRun(const wchar_t* s, int n, const MarkupState& state, LONG& x, LONG bottom,
                 bool lineStart) {
        FontEntry* font = Current(state);
        const LONG room = rect_.right - x;
        int fit = 0;
        SIZE size = {0, 0};
        {
            SelectGuard selected(dc_, font->font.get());
            GetTextExtentExPointW(dc_, s, n, std::max(room, 0L), &fit, nullptr, &size);
        }
        if (fit >= n) {
            DrawRun(s, n, state, x, bottom);
            x += Extent(font, s, n);
            return n;
        }
        const bool single = (style_ & DT_SINGLELINE) != 0;
        const bool ellipsis = (style_ & DT_END_ELLIPSIS) != 0;
        if (single && !ellipsis) {
            // The clip region cuts what does not fit.
            DrawRun(s, n, state, x, bottom);
            x += Extent(font, s, n);
            return n;
        }
        int cut = fit;
        if (!single && (style_ & DT_WORDBREAK) != 0) {
            for (int i = fit - 1; i >= 0; --i) {
                const wchar_t c = s[i];
                const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
                if (!letter) {
                    cut = i + 1;
                    break;
                }
                if (i == 0) {
                    cut = lineStart ? fit : 0;
                }
            }
        }
        if (cut == 0 && lineStart) {
            cut = 1;
        }
        if (ellipsis) {
            const int shown = std::max(0, cut - 2);
            DrawRun(s, shown, state, x, bottom);
            x += Extent(font, s, shown);
            DrawRun(L"...", 3, state, x, bottom);
            x += Extent(font, L"...", 3);
            if (single) {
                return -1;
            }
            return std::max(cut, 1);
        }
        DrawRun(s, cut, state, x, bottom);
        x += Extent(font, s, cut);
        return cut;
    }

    // Applies a tag; true when it ends the current line.
    bool Apply(const MarkupTag& tag, MarkupState& state, LONG& x, LONG lineLeft, LONG top,
               LONG height, LONG& lineHeight, bool single) {
        breakConsumes_ = true;
        const bool atLineStart = x == lineLeft;
        switch (tag.letter) {
            case L'a':
                if (!tag.closing) {
                    state.inLink = true;
                    state.linkText = tag.argument;
                    state.linkStart = x;
                    state.colors.push_back(IsHighContrastOn() ? SystemColor(COLOR_HOTLIGHT)
                                           : LinkHovered(tag.argument)
                                               ? manager_->GetLinkHoverFontColor()
                                               : manager_->GetLinkFontColor());
                    FontEntry* base = Current(state);
                    state.fonts.push_back(Variant(base, base->bold, true, base->italic));
                } else if (state.inLink) {
                    RecordLink(state, x, top, height);
                    state.inLink = false;
                    if (!state.colors.empty()) {
                        state.colors.pop_back();
                    }
                    Pop(state.fonts);
                }
                return false;
            case L'b':
            case L'u':
                if (!tag.closing) {
                    FontEntry* base = Current(state);
                    if (tag.letter == L'b') {
                        state.fonts.push_back(
                            base->bold ? base : Variant(base, true, base->underline, base->italic));
                    } else {
                        state.fonts.push_back(Variant(base, base->bold, true, base->italic));
                    }
                } else {
                    Pop(state.fonts);
                }
                return false;
            case L'c':
                if (!tag.closing) {
                    // High contrast: the colour the text has already (a link's, or its own).
                    state.colors.push_back(
                        IsHighContrastOn() ? Color(state) : ParseHexColor(tag.argument.c_str()));
                } else if (!state.colors.empty()) {
                    state.colors.pop_back();
                }
                return false;
            case L'f':
                if (!tag.closing) {
                    FontEntry* font = DescribedFont(tag.argument);
                    state.fonts.push_back(font != nullptr ? font : Current(state));
                    lineHeight = std::max(lineHeight, FontHeight(Current(state)));
                } else {
                    Pop(state.fonts);
                }
                return false;
            case L'i':
                if (tag.closing) {
                    Pop(state.fonts);
                    return false;
                }
                if (tag.argument.empty()) {
                    FontEntry* base = Current(state);
                    state.fonts.push_back(Variant(base, base->bold, base->underline, true));
                    return false;
                }
                return InlineImage(tag.argument, x, atLineStart, top, height, lineHeight, single);
            case L'n':
                if (tag.closing || single) {
                    return false;
                }
                return true;
            case L'p':
                if (!tag.closing) {
                    if (!atLineStart && !single) {
                        breakConsumes_ = false;
                        return true;
                    }
                    state.spacing.push_back(manager_->ScaleLength(std::clamp(
                        std::wcstol(tag.argument.c_str(), nullptr, 10), -10000L, 10000L)));
                    return false;
                }
                if (!state.spacing.empty()) {
                    state.spacing.pop_back();
                }
                return !single;
            case L'r':
                state.raw = !tag.closing;
                return false;
            case L's':
                state.selected = !state.selected;
                return false;
            case L'x':
                if (!tag.closing) {
                    x = ClampCoord(
                        static_cast<long long>(x) +
                        manager_->ScaleLength(std::clamp(
                            std::wcstol(tag.argument.c_str(), nullptr, 10), -10000L, 10000L)));
                }
                return false;
            case L'y':
                if (!tag.closing) {
                    state.lineHeightOverride = manager_->ScaleLength(static_cast<int>(
                        std::clamp(std::wcstol(tag.argument.c_str(), nullptr, 10), 0L, 10000L)));
                }
                return false;
            default:
                return false;
        }
    }

    bool InlineImage(const std::wstring& argument, LONG& x, bool atLineStart, LONG top, LONG height,
                     LONG& lineHeight, bool single) {
        // The spec part runs to the last quote when it is of the key='value' form.
        std::size_t specEnd = argument.rfind(L'\'');
        if (specEnd == std::wstring::npos) {
            specEnd = argument.find(L' ');
            if (specEnd == std::wstring::npos) {
                specEnd = argument.size();
            }
        } else {
            ++specEnd;
        }
        std::wstring spec = argument.substr(0, specEnd);
        const wchar_t* rest = argument.c_str() + specEnd;
        wchar_t* end = nullptr;
        long frames = std::wcstol(rest, &end, 10);
        long index = std::wcstol(end, nullptr, 10);
        frames = std::max(frames, 1L);
        if (index < 0 || index >= frames) {
            index = 0;
        }
        std::vector<ImageDrawSettings> images = ParseImageSpecs(spec.c_str(), nullptr, rect_);
        if (images.empty()) {
            return false;
        }
        const ImageDrawSettings& settings = images.front();
        const SkinImage* image = manager_->FindImage(
            settings.name.c_str(), settings.type.empty() ? nullptr : settings.type.c_str(),
            settings.mask);
        if (image == nullptr) {
            return false;
        }
        const LONG frameWidth = image->width / frames;
        if (!single && !atLineStart && x + frameWidth > rect_.right) {
            breakConsumes_ = false;
            return true;
        }
        lineHeight = std::max<LONG>(lineHeight, image->height);
        if (!measuring_ && (style_ & DT_CALCRECT) == 0) {
            const LONG bottom = top + height;
            const RECT dest = {x, bottom - image->height, x + frameWidth, bottom};
            const RECT source = {index * frameWidth, 0, (index + 1) * frameWidth, image->height};
            const RECT corners = {0, 0, 0, 0};
            CRenderer::PaintBitmapGrid(dc_, image->bitmap.get(), dest, rect_, source, corners,
                                       image->hasAlpha);
        }
        x += frameWidth;
        return false;
    }

    HDC dc_;
    CUIManager* manager_;
    RECT rect_;
    DWORD defaultColor_;
    RECT* links_;
    std::wstring* linkTexts_;
    int capacity_;
    UINT style_;
    std::vector<RECT> previousLinks_;
    std::vector<std::wstring> previousTexts_;
    int linksUsed_ = 0;
    bool measuring_ = false;
    bool breakConsumes_ = true;
};

}  // namespace

void CRenderer::PaintMarkupText(HDC dc, CUIManager* manager, RECT& rect, const wchar_t* text,
                                DWORD defaultColor, RECT* links, std::wstring* linkTexts,
                                int& linkCount, UINT style) {
    if (dc == nullptr || manager == nullptr || text == nullptr || IsRectEmpty(&rect)) {
        linkCount = 0;
        return;
    }
    const UINT alignment = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM;
    RECT area = rect;
    if ((style & alignment) != 0 && (style & DT_CALCRECT) == 0) {
        RECT measure = {rect.left, rect.top, rect.left + 9999, rect.top + 99};
        int none = 0;
        PaintMarkupText(dc, manager, measure, text, defaultColor, nullptr, nullptr, none,
                        (style & ~alignment) | DT_CALCRECT);
        const LONG width = measure.right - measure.left;
        const LONG height = measure.bottom - measure.top;
        if ((style & DT_SINGLELINE) != 0) {
            if ((style & DT_CENTER) != 0) {
                area.left += std::max(0L, (rect.right - rect.left - width) / 2);
            } else if ((style & DT_RIGHT) != 0) {
                area.left = std::max(rect.left, rect.right - width);
            }
        }
        if ((style & DT_VCENTER) != 0) {
            area.top += std::max(0L, (rect.bottom - rect.top - height) / 2);
        } else if ((style & DT_BOTTOM) != 0) {
            area.top = std::max(rect.top, rect.bottom - height);
        }
    }
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = GetTextColor(dc);
    const COLORREF oldBack = GetBkColor(dc);
    MarkupPainter painter(dc, manager, area, defaultColor, links, linkTexts, linkCount, style);
    RECT used;
    {
        CRenderClip clip;
        if ((style & DT_CALCRECT) == 0) {
            CRenderer::ClipToRect(dc, rect, clip);
        }
        used = painter.Run(text);
    }
    linkCount = painter.LinksUsed();
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    if ((style & DT_CALCRECT) != 0) {
        rect.right = std::min(rect.right, used.right);
        rect.bottom = std::min(rect.bottom, used.bottom);
    }
}

}  // namespace SkinUI
