// The label's effect mode: text drawn through GDI+ with gradient brushes, an optional
// one-pixel outline drawn four times around it and an optional shadow, in that order.
#include "skinui/controls/gdiplus_include.h"
#include "skinui/controls/label.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

constexpr DWORD kNoColor = 0xFFFFFFFF;

// Alpha a with the colour part of c.
Gdiplus::Color WithAlpha(int alpha, DWORD color) {
    const BYTE a = static_cast<BYTE>(std::max(0, std::min(255, alpha)));
    return Gdiplus::Color(a, static_cast<BYTE>((color >> 16) & 0xFF),
                          static_cast<BYTE>((color >> 8) & 0xFF), static_cast<BYTE>(color & 0xFF));
}

}  // namespace

void CLabelUI::PaintEffectText(HDC dc) {
    if (effect_.text.empty() || manager_ == nullptr || dc == nullptr) {
        return;
    }
    const RECT rc = TextRect();
    Gdiplus::Graphics graphics(dc);
    graphics.SetTextRenderingHint(static_cast<Gdiplus::TextRenderingHint>(effect_.renderingHint));
    Gdiplus::Font font(dc, manager_->GetFontByIndex(font_));
    Gdiplus::StringFormat format;
    format.SetAlignment(static_cast<Gdiplus::StringAlignment>(effect_.horizontalAlign));
    format.SetLineAlignment(static_cast<Gdiplus::StringAlignment>(effect_.verticalAlign));
    const Gdiplus::REAL textHeight = font.GetHeight(&graphics);
    const Gdiplus::REAL length = effect_.gradientLength != 0
                                     ? static_cast<Gdiplus::REAL>(effect_.gradientLength)
                                     : textHeight;
    const Gdiplus::PointF from(static_cast<Gdiplus::REAL>(effect_.gradientAngle), 0);
    // A gradient needs two distinct points.
    const Gdiplus::PointF to(0, length != 0 || effect_.gradientAngle != 0 ? length : 1);
    const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(rc.left),
                                static_cast<Gdiplus::REAL>(rc.top),
                                static_cast<Gdiplus::REAL>(rc.right - rc.left),
                                static_cast<Gdiplus::REAL>(rc.bottom - rc.top));
    const wchar_t* text = effect_.text.c_str();
    auto draw = [&](const Gdiplus::Brush& brush, Gdiplus::REAL dx, Gdiplus::REAL dy) {
        Gdiplus::RectF shifted(layout.X + dx, layout.Y + dy, layout.Width, layout.Height);
        graphics.DrawString(text, -1, &font, shifted, &format, &brush);
    };

    if (effect_.stroke && effect_.strokeColor != 0) {
        const Gdiplus::Color stroke = WithAlpha(effect_.strokeAlpha, effect_.strokeColor);
        Gdiplus::LinearGradientBrush brush(Gdiplus::PointF(0, 0),
                                           Gdiplus::PointF(0, textHeight + 2), stroke, stroke);
        draw(brush, -1, 0);
        draw(brush, 1, 0);
        draw(brush, 0, -1);
        draw(brush, 0, 1);
    }
    if (effect_.shadow && (effect_.shadowColorA != 0 || effect_.shadowColorB != 0)) {
        const DWORD second =
            effect_.shadowColorB != kNoColor ? effect_.shadowColorB : effect_.shadowColorA;
        Gdiplus::LinearGradientBrush brush(from, to,
                                           WithAlpha(effect_.shadowAlpha1, effect_.shadowColorA),
                                           WithAlpha(effect_.shadowAlpha2, second));
        draw(brush, static_cast<Gdiplus::REAL>(effect_.shadowOffset.x),
             static_cast<Gdiplus::REAL>(effect_.shadowOffset.y));
    }
    const DWORD second = effect_.textColor2 != kNoColor ? effect_.textColor2 : textColor_;
    Gdiplus::LinearGradientBrush brush(from, to, WithAlpha(effect_.textAlpha1, textColor_),
                                       WithAlpha(effect_.textAlpha2, second));
    draw(brush, 0, 0);
}

}  // namespace SkinUI
