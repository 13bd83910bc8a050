// The flat, hot-tracking looks: the ultra-flat painter's one-pixel frames in system colours and
// the office painter, which takes its colours from the office colour scheme.
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"

namespace {

using TUltraFlat = TqzUltraFlatLookAndFeelPainter;
using TOffice11 = TqzOffice11LookAndFeelPainter;
using TBase = TqzCustomLookAndFeelPainter;

TRect Shrunk(const TRect& r, Integer by) {
    return TRect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void Fill(TqzCanvas* canvas, const TRect& rect, TColor color) {
    canvas->SetBrushColor(color);
    canvas->CurrentBrush()->SetStyle(bsSolid);
    canvas->Canvas->FillRect(rect);
}

void Ring(TqzCanvas* canvas, const TRect& rect, TColor color) { canvas->FrameSides(rect, color, qzsAll, 1); }

// Columns x1 .. x2 of row y (both ends included).
void Row(TqzCanvas* canvas, Integer y, Integer x1, Integer x2, TColor color) {
    if (x2 >= x1) Fill(canvas, TRect{x1, y, x2 + 1, y + 1}, color);
}

// Rows y1 .. y2 of column x (both ends included).
void Column(TqzCanvas* canvas, Integer x, Integer y1, Integer y2, TColor color) {
    if (y2 >= y1) Fill(canvas, TRect{x, y1, x + 1, y2 + 1}, color);
}

// The base text cell's flags.
TqzTextFlags CellTextFlags(TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis) {
    namespace qg = qzGraphics;
    TqzTextFlags flags = hAlign == taRightJustify ? qg::tfAlignRight
                         : hAlign == taCenter     ? qg::tfAlignHCenter
                                                  : qg::tfAlignLeft;
    flags |= vAlign == qzvaBottom   ? qg::tfAlignBottom
             : vAlign == qzvaCenter ? qg::tfAlignVCenter
                                    : qg::tfAlignTop;
    flags |= multiLine ? qg::tfWordBreak : qg::tfSingleLine;
    if (endEllipsis) flags |= qg::tfEndEllipsis;
    return flags;
}

Byte ScrollArrowDirection(bool horizontal, Byte part) {
    if (horizontal) return part == qzsbpFirstButton ? qzadLeft : qzadRight;
    return part == qzsbpFirstButton ? qzadUp : qzadDown;
}

} // namespace

// ---- Ultra-flat: colours and answers ---------------------------------------------------------

TColor TUltraFlat::StateFrameColor(TqzButtonState state) const {
    return state == qzbsNormal ? clBtnShadow : clHighlight;
}
TColor TUltraFlat::PaletteColor159() const { return clBtnShadow; }
TColor TUltraFlat::PaletteColor160() const { return clBtnText; }
TColor TUltraFlat::HotFrameColor() const { return clHighlight; }
TColor TUltraFlat::PaletteColor16() const { return 0x800000; }
TColor TUltraFlat::BorderLineColor() const { return clBtnShadow; }
Byte TUltraFlat::PainterStyleCode() const { return 2; }
Integer TUltraFlat::ControlBorderWidth() const { return 1; }
Integer TUltraFlat::ButtonBorderWidth(TqzButtonState state) const { return state == qzbsDefault ? 2 : 1; }

TColor TUltraFlat::ButtonFaceColor(TqzButtonState state) const {
    if (state == qzbsHot) return HotTrackLightColor();
    if (state == qzbsPressed) return PressedLightColor();
    return clBtnFace;
}

TRect TUltraFlat::CalcButtonFocusBounds(TqzCanvas*, const TRect& bounds) const {
    const TRect r = Shrunk(bounds, 3);
    return IsRectEmpty(&r) ? bounds : r;
}

TqzFrameWidths TUltraFlat::ButtonGroupBorderWidths(Integer buttonCount, Integer buttonIndex) const {
    TqzFrameWidths widths{1, 2, 1, 2};
    if (buttonIndex == 0)
        widths.Left = 2;
    else if (buttonIndex == buttonCount - 1)
        widths.Right = 2;
    return widths;
}

Integer TUltraFlat::ButtonCaptionInset() const { return 2; }
Integer TUltraFlat::ButtonCaptionPressShift() const { return 0; }

TColor TUltraFlat::ButtonGlyphColor(TqzButtonState state, TColor color) const {
    if (state == qzbsPressed) return clHighlightText;
    return TBase::ButtonGlyphColor(state, color);
}

TqzButtonState TUltraFlat::ButtonGlyphState(TqzButtonState) const { return qzbsNormal; }
Integer TUltraFlat::TreeExpandButtonExtent() const { return 11; }
bool TUltraFlat::HotTracksButtons() const { return true; }

TqzSides TUltraFlat::HeaderEdgesFor(TqzSides neighbours) const {
    TqzSides edges = qzsAll;
    if (neighbours & qzsLeft) edges &= ~qzsLeft;
    if (neighbours & qzsTop) edges &= ~qzsTop;
    return edges;
}

Integer TUltraFlat::HeaderFrameWidth() const { return 1; }
TSize TUltraFlat::SortArrowExtent() const { return TSize{7, 8}; }
TSize TUltraFlat::MarkButtonExtent() const { return TSize{12, 12}; }
TSize TUltraFlat::CloseButtonExtent() const { return TSize{16, 15}; }
Integer TUltraFlat::StyleMetric119() const { return 12; }
Integer TUltraFlat::FooterFrameWidth() const { return 1; }
Integer TUltraFlat::FooterCellFrameWidth() const { return 1; }
Integer TUltraFlat::FooterCellInset() const { return 2; }
Integer TUltraFlat::TabFrameWidth(bool) const { return 1; }

// ---- Ultra-flat: drawing ---------------------------------------------------------------------

void TUltraFlat::PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, clBtnShadow);
}

void TUltraFlat::PaintButtonFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    switch (state) {
    case qzbsDefault:
        Ring(canvas, bounds, clWindowFrame);
        Ring(canvas, Shrunk(bounds, 1), clWindowFrame);
        break;
    case qzbsNormal:
        Ring(canvas, bounds, clBtnText);
        break;
    case qzbsDisabled:
        Ring(canvas, bounds, clBtnShadow);
        break;
    default:
        Ring(canvas, bounds, clHighlight);
        break;
    }
}

void TUltraFlat::PaintPlainButton(TqzCanvas* canvas, const TRect& bounds, TColor frameColor,
                                  Integer buttonIndex, Integer buttonCount, TqzButtonState state) const {
    TRect r = bounds;
    ++r.top;
    --r.bottom;
    if (buttonIndex == 0) ++r.left;
    if (buttonIndex == buttonCount - 1) --r.right;
    if (state == qzbsNormal || state == qzbsDisabled) {
        Ring(canvas, r, frameColor);
        r = Shrunk(r, 1);
    } else {
        const TColor line = HotFrameColor();
        if (buttonIndex > 0) {
            Fill(canvas, TRect{r.left, r.top, r.left + 1, r.bottom}, line);
            ++r.left;
        }
        if (buttonIndex < buttonCount - 1) {
            Fill(canvas, TRect{r.right - 1, r.top, r.right, r.bottom}, line);
            --r.right;
        }
    }
    Fill(canvas, r, ButtonFaceColor(state));
}

void TUltraFlat::PaintHotFrame(TqzCanvas* canvas, const TRect& bounds, bool highlighted, bool hot) const {
    Ring(canvas, bounds, highlighted ? clBtnText : hot ? HotFrameColor() : clBtnShadow);
}

void TUltraFlat::PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor color,
                                       bool expanded) const {
    Ring(canvas, bounds, clBtnShadow);
    const TRect r = Shrunk(bounds, 1);
    Fill(canvas, r, color == clDefault ? clBtnFace : color);
    PaintExpandSign(canvas, r, clBtnText, expanded);
    canvas->ExcludeClipArea(bounds);
}

void TUltraFlat::PaintCheckFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    Ring(canvas, bounds, clBtnText);
    Ring(canvas, Shrunk(bounds, 1), CheckBoxFillColor(state));
}

void TUltraFlat::PaintHeaderCellVariant(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                        TqzSides neighbours, TqzSides borders, TqzButtonState state,
                                        TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis,
                                        const String& text, TFont* font, TColor textColor, TColor backColor,
                                        const TqzCustomDrawCellEvent& customDraw) const {
    PaintTextCell(canvas, bounds, customDraw, backColor, textColor, font, text, hAlign, vAlign, multiLine,
                  endEllipsis, state, false, Shrunk(textBounds, 1));
    PaintHeaderFrame(canvas, Shrunk(bounds, 1), neighbours, borders);
}

void TUltraFlat::PaintHeaderFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides, TqzSides borders) const {
    canvas->FrameSides(bounds, clBtnText, (borders & (qzsLeft | qzsTop)) | qzsRight | qzsBottom, 1);
}

void TUltraFlat::PaintHeaderSectionFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides sides,
                                         TqzButtonState state) const {
    canvas->FrameSides(bounds, state == qzbsDisabled ? clBtnShadow : clBlack, sides, 1);
}

void TUltraFlat::PaintHeaderSectionContent(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                           TqzButtonState state, TAlignment hAlign, Byte vAlign,
                                           bool multiLine, bool endEllipsis, const String& text, TFont* font,
                                           TColor textColor, TColor backColor) const {
    const bool faced = state == qzbsHot || state == qzbsPressed || state == qzbsDisabled;
    Fill(canvas, bounds, faced ? ButtonFaceColor(state) : backColor);
    PaintHeaderSectionText(canvas, textBounds, state, hAlign, vAlign, multiLine, endEllipsis, text, font,
                           textColor);
}

void TUltraFlat::PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const {
    PaintSortArrowOutline(canvas, bounds, ascending, clBtnShadow, clBtnShadow);
}

void TUltraFlat::PaintFooterFrame(TqzCanvas* canvas, const TRect& bounds) const {
    canvas->FrameSides(bounds, FooterLineColor(), qzsRight | qzsBottom, 1);
}

void TUltraFlat::PaintFooterCellFrame(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, FooterLineColor());
}

void TUltraFlat::PaintDropDownButton(TqzCanvas* canvas, const TRect& bounds, bool active,
                                     TqzButtonState state) const {
    Ring(canvas, bounds, StateFrameColor(state));
    const TRect r = Shrunk(bounds, 1);
    Fill(canvas, r, ButtonFaceColor(state));
    PaintDropArrow(canvas, r, active ? TColor(0xFF0000) : ButtonGlyphColor(state, clDefault));
}

void TUltraFlat::PaintTabFrame(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides,
                               Byte side) const {
    TRect r = bounds;
    const bool dark = vertical ? side == 3 : side == 2;
    if (dark && !vertical) r.bottom -= TabFrameWidth(vertical);
    Fill(canvas, r, dark ? PaletteColor160() : PaletteColor159());
}

void TUltraFlat::PaintTabStrip(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides) const {
    canvas->DrawTwoColorFrame(bounds, PaletteColor159(), TabFrameWidth(vertical), sides, PaletteColor159());
}

void TUltraFlat::PaintScrollBarElement(TqzCanvas* canvas, bool horizontal, TqzButtonState state, Byte part,
                                       const TRect& bounds) const {
    if (IsRectEmpty(&bounds) || (part == qzsbpThumb && state == qzbsDisabled)) return;
    if (part >= qzsbpFirstButton && part <= qzsbpThumb) {
        PaintButton(canvas, bounds, clDefault, clDefault, true, state, String());
        if (part != qzsbpThumb)
            PaintStateArrow(canvas, bounds, ScrollArrowDirection(horizontal, part), state);
    } else if (part == qzsbpPageBefore || part == qzsbpPageAfter) {
        TBrush* brush = canvas->CurrentBrush();
        brush->SetBitmap(ScrollBarPattern(state == qzbsPressed ? 1 : 0));
        canvas->Canvas->FillRect(bounds);
        brush->SetBitmap(nullptr);
        brush->SetStyle(bsSolid);
    }
}

void TUltraFlat::PaintToolButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    PaintButton(canvas, bounds, clDefault, clDefault, state == qzbsHot || state == qzbsPressed, state,
                String());
}

void TUltraFlat::PaintSplitterFrame(TqzCanvas* canvas, const TRect& bounds, bool horizontal,
                                    const TqzBrushPair& fill) const {
    TRect r = bounds;
    canvas->FrameSides(r, BorderLineColor(), horizontal ? qzsTop | qzsBottom : qzsLeft | qzsRight, 1);
    if (horizontal) {
        --r.left;
        ++r.right;
        ++r.top;
        --r.bottom;
    } else {
        ++r.left;
        --r.right;
        --r.top;
        ++r.bottom;
    }
    canvas->FillWithFrame(r, fill, 1, clDefault, 0);
}

// ---- Office11: colours and answers -----------------------------------------------------------

TColor TOffice11::PaletteColor162() const { return SchemeColor20; }
TColor TOffice11::PaletteColor163() const { return SchemeColor33; }
TColor TOffice11::PaletteColor164() const { return SchemeColor34; }
TColor TOffice11::BlendedColor165() const { return Blend(SchemeColor19, SchemeColor20, 50); }

TColor TOffice11::StateFrameColor(TqzButtonState state) const {
    return state == qzbsNormal ? PaletteColor163() : SchemeColor40;
}
TColor TOffice11::PaletteColor159() const { return PaletteColor163(); }
TColor TOffice11::HotFrameColor() const { return SchemeColor40; }

TColor TOffice11::PaletteColor14() const { return SchemeMidShadowColor; }
TColor TOffice11::PaletteColor24() const { return SchemeColor35; }
TColor TOffice11::PaletteColor25() const { return SchemeHighlightColor; }
TColor TOffice11::PaletteColor27(TqzButtonState, TColor) const { return HeaderBackColor(); }
TColor TOffice11::PaletteColor28(TqzButtonState, TColor) const { return HeaderTextColor(); }
TColor TOffice11::PaletteColor30() const { return SchemeColor51; }
TColor TOffice11::PaletteColor32() const { return SchemeMidShadowColor; }
TColor TOffice11::PaletteColor33() const { return SchemeColor19; }
TColor TOffice11::HeaderBackColor() const { return SchemeColor21; }
TColor TOffice11::PaletteColor36(TqzButtonState, TColor) const { return PaletteColor32(); }
TColor TOffice11::PaletteColor42() const { return SchemeColor21; }
TColor TOffice11::AccentColor() const { return SchemeColor52; }
TColor TOffice11::AccentTextColor() const { return clWindowText; }
TColor TOffice11::BorderLineColor() const { return SchemeColor54; }
TColor TOffice11::PaletteColor48() const { return SchemeColor53; }
TColor TOffice11::PaletteColor54() const { return SchemeColor22; }
TColor TOffice11::PaletteColor56(TqzButtonState, TColor) const { return PaletteColor54(); }
TColor TOffice11::PaletteColor59() const { return SchemeColor21; }
TColor TOffice11::PaletteColor61(TqzButtonState, TColor) const { return PaletteColor48(); }
TColor TOffice11::FooterLineColor() const { return PaletteColor163(); }

Byte TOffice11::PainterStyleCode() const { return 4; }

TColor TOffice11::ButtonFaceColor(TqzButtonState state) const {
    switch (state) {
    case qzbsHot:
        return SchemeColor41;
    case qzbsPressed:
        return SchemeColor43;
    case qzbsDisabled:
        return clBtnFace;
    default:
        return SchemeColor21;
    }
}

TColor TOffice11::ButtonGlyphColor(TqzButtonState state, TColor) const {
    if (state == qzbsPressed && !OfficeSchemeColorsActive()) return clHighlightText;
    if (state == qzbsDisabled) return SchemeColor50;
    return SchemeColor49;
}

Integer TOffice11::TreeExpandButtonExtent() const { return 11; }
Integer TOffice11::SmallExpandButtonExtent() const { return TreeExpandButtonExtent(); }
bool TOffice11::ExpandButtonBeforeLines() const { return false; }

TColor TOffice11::CheckBoxFillColor(TqzButtonState state) const {
    if (state == qzbsHot || state == qzbsPressed || state == qzbsDisabled) return ButtonFaceColor(state);
    return TBase::CheckBoxFillColor(state);
}

TqzSides TOffice11::HeaderEdgesFor(TqzSides) const { return qzsAll; }
Integer TOffice11::HeaderFrameWidth() const { return 1; }
bool TOffice11::StyleFlag115() const { return true; }

// ---- Office11: drawing -----------------------------------------------------------------------

void TOffice11::PaintTextCell(TqzCanvas* canvas, const TRect& bounds,
                              const TqzCustomDrawCellEvent& customDraw, TColor, TColor textColor, TFont* font,
                              const String& text, TAlignment hAlign, Byte vAlign, bool multiLine,
                              bool endEllipsis, TqzButtonState state, bool plainFill,
                              const TRect& textBounds) const {
    const bool hot = state == qzbsHot;
    HDC dc = canvas->DeviceContext();
    if (!(customDraw && customDraw(canvas, bounds))) {
        const TColor c = hot ? SchemeColor19 : BlendedColor165();
        const TColor e = hot ? SchemeColor19 : PaletteColor162();
        if (plainFill) {
            FillSolidRect(dc, bounds, c);
        } else {
            FillSolidRect(dc, TRect{bounds.left, bounds.top, bounds.right, bounds.bottom - 3}, c);
            FillGradientRect(dc, TRect{bounds.left, bounds.bottom - 4, bounds.right, bounds.bottom}, c, false,
                             e);
        }
    }
    if (!text.empty()) {
        canvas->CurrentBrush()->SetStyle(bsClear);
        if (font) canvas->SelectFont(font);
        canvas->CurrentFont()->SetColor(textColor);
        canvas->OutputText(text, textBounds, true, CellTextFlags(hAlign, vAlign, multiLine, endEllipsis));
        canvas->CurrentBrush()->SetStyle(bsSolid);
    }
    if (hot)
        FillGradientRect(dc, TRect{bounds.left - 1, bounds.bottom - 2, bounds.right, bounds.bottom + 1},
                         SchemeColor41, false, SchemeColor42);
}

void TOffice11::PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, SchemeColor37);
}

void TOffice11::PaintBorderFrame(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, BorderLineColor());
}

void TOffice11::PaintButtonFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    switch (state) {
    case qzbsDefault:
        TUltraFlat::PaintButtonFrame(canvas, bounds, state);
        break;
    case qzbsNormal:
        Ring(canvas, bounds, clBtnText);
        break;
    case qzbsDisabled:
        Ring(canvas, bounds, SchemeColor50);
        break;
    default:
        Ring(canvas, bounds, SchemeColor40);
        break;
    }
}

void TOffice11::PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor, bool expanded) const {
    TBitmap* bitmap = expanded ? ExpandMinusBitmap : ExpandPlusBitmap;
    // Without the colour set (or without the pictures) there is nothing to draw.
    if (!bitmap || bitmap->GetWidth() < 11 || bitmap->GetHeight() < 11) return;
    TCanvas* target = canvas->Canvas;
    TCanvas* picture = bitmap->GetCanvas();
    picture->SetPixels(0, 0, Blend(ExpandButtonLightColor, target->GetPixels(bounds.left, bounds.top), 25));
    const TColor dark =
        Blend(ExpandButtonDarkColor, target->GetPixels(bounds.right - 1, bounds.bottom - 1), 25);
    picture->SetPixels(10, 10, dark);
    picture->SetPixels(0, 10, dark);
    picture->SetPixels(10, 0, dark);
    canvas->DrawGraphic(bounds.left, bounds.top, bitmap);
}

void TOffice11::PaintSmallExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor, TColor,
                                       bool expanded) const {
    PaintTreeExpandButton(canvas, bounds, clDefault, expanded);
}

void TOffice11::PaintHeaderCell(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                TqzSides neighbours, TqzSides borders, TqzButtonState state,
                                TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis,
                                const String& text, TFont* font, TColor textColor, TColor backColor,
                                const TqzCustomDrawCellEvent&, bool rightmost) const {
    TBase::PaintHeaderCell(canvas, bounds, textBounds, neighbours, borders, state, hAlign, vAlign, multiLine,
                           endEllipsis, text, font, textColor, backColor, TqzCustomDrawCellEvent(),
                           rightmost);
}

void TOffice11::PaintHeaderFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides neighbours,
                                 TqzSides borders) const {
    const TColor h = BlendedColor165(), g = PaletteColor162(), d = PaletteColor163(), m = PaletteColor164();
    const Integer L = bounds.left, T = bounds.top, R = bounds.right, B = bounds.bottom;
    if (borders & qzsTop) Row(canvas, T, L, R - 1, h);
    if (borders & qzsBottom) Row(canvas, B - 1, L, R - 1, d);
    if (borders & qzsLeft) {
        if (neighbours & qzsLeft) {
            canvas->SetPixelColor(L, T + 1, h);
            Column(canvas, L, T + 2, B - 4, m);
            canvas->SetPixelColor(L, B - 3, Blend(h, g, 25));
        } else {
            Column(canvas, L, T + 1, B - 3, m);
        }
        canvas->SetPixelColor(L, B - 2, g);
    }
    if (borders & qzsRight) {
        if (neighbours & qzsRight) {
            canvas->SetPixelColor(R - 1, T + 1, h);
            Column(canvas, R - 1, T + 2, B - 4, d);
            canvas->SetPixelColor(R - 1, B - 3, Blend(h, g, 25));
            canvas->SetPixelColor(R - 1, B - 2, g);
        } else {
            canvas->SetPixelColor(R - 1, T, Blend(h, d, 50));
            Column(canvas, R - 1, T + 1, B - 3, d);
            canvas->SetPixelColor(R - 1, B - 2, Blend(g, d, 50));
        }
    }
}

void TOffice11::PaintHeaderSection(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                   TqzSides neighbours, TqzSides sides, TqzButtonState state,
                                   TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis,
                                   const String& text, TFont* font, TColor textColor,
                                   TColor backColor) const {
    PaintHeaderCell(canvas, bounds, textBounds, neighbours, sides, state, hAlign, vAlign, multiLine,
                    endEllipsis, text, font, textColor, backColor, TqzCustomDrawCellEvent(), false);
    if (state == qzbsPressed) InvertArea(canvas, bounds);
}

void TOffice11::PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const {
    PaintSortArrowOutline(canvas, bounds, ascending, PaletteColor164(), PaletteColor163());
}

void TOffice11::PaintScrollBarElement(TqzCanvas* canvas, bool horizontal, TqzButtonState state, Byte part,
                                      const TRect& bounds) const {
    const TqzLookAndFeelPainterClass painter = AreThemesActiveForTypes(1u << ttScrollBar)
                                                   ? PainterClass<TqzWinXPLookAndFeelPainter>()
                                                   : PainterClass<TqzStandardLookAndFeelPainter>();
    painter->PaintScrollBarElement(canvas, horizontal, state, part, bounds);
}

void TOffice11::PaintArrowHeader(TqzCanvas* canvas, const TRect& bounds,
                                 const TqzCustomDrawCellEvent& customDraw, Byte arrows, Integer arrowOffset,
                                 const TqzCellStyleRecord& style, TqzSides, const String& text) const {
    const TRect inner = Shrunk(bounds, 1);
    if (!(customDraw && customDraw(canvas, bounds)))
        canvas->FillWithFrame(inner, TqzBrushPair{nullptr, style.BackColor}, 1, clDefault, 0);
    if (!text.empty()) {
        canvas->CurrentBrush()->SetStyle(bsClear);
        if (style.Font) canvas->SelectFont(style.Font);
        canvas->CurrentFont()->SetColor(style.TextColor);
        canvas->OutputText(text, inner, true,
                           qzGraphics::tfAlignHCenter | qzGraphics::tfAlignVCenter |
                               qzGraphics::tfSingleLine);
        canvas->CurrentBrush()->SetStyle(bsSolid);
    }
    PaintHeaderArrows(canvas, bounds, arrows, arrowOffset);
}

void TOffice11::PaintToolButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    PainterClass<TqzWinXPLookAndFeelPainter>()->PaintToolButton(canvas, bounds, state);
}
