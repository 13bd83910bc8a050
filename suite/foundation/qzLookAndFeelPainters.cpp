// The painter base class: what every painter inherits, the shared drawing geometry and the
// unit's shared pictures. The standard and flat painters are in qzLookAndFeelPainters_Standard.cpp.
#include "suite/foundation/qzLookAndFeelPainters.h"

#include <array>
#include <memory>

#include "platform/classlib/ImgList.h"
#include "platform/runtime/Numbers.h"
#include "suite/foundation/qzClasses.h"

namespace qg = qzGraphics;

namespace {

// Half of n rounded the system's way (halves away from zero).
Integer RoundHalf(Integer n) { return MulDiv(n, 1, 2); }

Integer MakeOdd(Integer n) { return n % 2 == 0 ? n + 1 : n; }

TRect Shrunk(const TRect& r, Integer by) {
    return TRect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void Fill(TqzCanvas* canvas, const TRect& rect, TColor color) {
    canvas->SetBrushColor(color);
    canvas->Canvas->GetBrush()->SetStyle(bsSolid);
    canvas->Canvas->FillRect(rect);
}

void Line(TqzCanvas* canvas, Integer x1, Integer y1, Integer x2, Integer y2) {
    canvas->MoveToPoint(x1, y1);
    canvas->LineToPoint(x2, y2);
}

TqzTextFlags CellTextFlags(TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis) {
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

// ---- Shared pictures -------------------------------------------------------------------------

// The indicator pictures, 5 x 9, '#' black and '.' white (the mask colour).
constexpr std::array<std::array<const char*, 9>, 5> kIndicatorArt = {{
    {"#....", "##...", "###..", "####.", "#####", "####.", "###..", "##...", "#...."}, // arrow
    {"##.##", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "##.##"}, // edit
    {".....", ".....", "#.#.#", ".###.", "#####", ".###.", "#.#.#", ".....", "....."}, // insert
    {".....", ".....", ".....", "##.##", "##.##", ".....", ".....", ".....", "....."}, // multi-dot
    {"#....", "##...", "###..", "####.", "#####", "####.", "###..", "##...", "#.#.#"}, // multi-arrow
}};

// The pins, 12 x 12: '#' black, 'o' the head in grey, '.' transparent (fuchsia).
constexpr std::array<std::array<const char*, 12>, 2> kPinArt = {{
    {"............", "....######..", "....#oo#.#..", "....#oo#.#..", "....#oo#.#..", "....#oo#.#..",
     "...########.", "......#.....", "......#.....", "......#.....", "......#.....", "............"}, // in
    {"............", "............", "....#.....#.", "....#######.", "....#oooo##.", "#####oooo##.",
     "....#######.", "....########", "....#.....#.", "............", "............", "............"}, // out
}};

constexpr TColor kPinTransparent = clFuchsia;

std::unique_ptr<TBitmap> BitmapFromArt(const char* const* rows, Integer width, Integer height,
                                       TColor background) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    TCanvas* c = bitmap->GetCanvas();
    for (Integer y = 0; y < height; ++y)
        for (Integer x = 0; x < width; ++x) {
            const char ch = rows[y][x];
            c->SetPixels(x, y, ch == '#' ? clBlack : ch == 'o' ? clGray : background);
        }
    return bitmap;
}

struct TSharedPictures {
    std::unique_ptr<TCustomImageList> Indicators;
    std::array<std::unique_ptr<TBitmap>, 2> Patterns;
    std::array<std::unique_ptr<TBitmap>, 2> Pins;
};

TSharedPictures& Shared() {
    static TSharedPictures pictures;
    return pictures;
}

Integer UseCount = 0;

void PaintPattern(TBitmap* bitmap, TColor differ, TColor same) {
    TCanvas* c = bitmap->GetCanvas();
    for (Integer y = 0; y < 8; ++y)
        for (Integer x = 0; x < 8; ++x)
            c->SetPixels(x, y, (x % 2) != (y % 2) ? differ : same);
}

void CreatePictures() {
    TSharedPictures& s = Shared();
    if (!s.Indicators) {
        auto list = std::make_unique<TImageList>(nullptr);
        for (std::size_t i = 0; i < kIndicatorArt.size(); ++i) {
            auto bitmap = BitmapFromArt(kIndicatorArt[i].data(), 5, 9, clWhite);
            if (i == 0) {
                list->SetWidth(bitmap->GetWidth());
                list->SetHeight(bitmap->GetHeight());
            }
            list->AddMasked(bitmap.get(), clWhite);
        }
        s.Indicators = std::move(list);
    }
    if (!s.Patterns[0]) UpdateScrollBarPatterns();
    for (std::size_t i = 0; i < s.Pins.size(); ++i)
        if (!s.Pins[i]) {
            auto pin = BitmapFromArt(kPinArt[i].data(), 12, 12, kPinTransparent);
            pin->SetTransparentColor(kPinTransparent);
            pin->SetTransparent(true);
            s.Pins[i] = std::move(pin);
        }
}

void FreePictures() {
    TSharedPictures& s = Shared();
    for (auto& pin : s.Pins)
        pin.reset();
    for (auto& pattern : s.Patterns)
        pattern.reset();
    s.Indicators.reset();
}

} // namespace

// ---- Functions of the unit -------------------------------------------------------------------

TqzLookAndFeelKind StyleCodeToKind(Byte styleCode) {
    switch (styleCode) {
    case 0:
        return lfFlat;
    case 2:
        return lfUltraFlat;
    case 4:
        return lfOffice11;
    default:
        return lfStandard;
    }
}

void AcquireLookAndFeelPainterResources() {
    if (UseCount++ == 0) CreatePictures();
}

void ReleaseLookAndFeelPainterResources() {
    if (UseCount == 0) return;
    if (--UseCount == 0) {
        FreePictures();
        FreeSharedRadioButtonImages();
    }
}

TCustomImageList* IndicatorImages() {
    if (!Shared().Indicators) CreatePictures();
    return Shared().Indicators.get();
}

TBitmap* PinGlyph(Integer index) {
    if (index < 0 || index > 1) return nullptr;
    if (!Shared().Pins[index]) CreatePictures();
    return Shared().Pins[index].get();
}

TBitmap* ScrollBarPattern(Integer index) {
    if (index < 0 || index > 1) return nullptr;
    if (!Shared().Patterns[index]) UpdateScrollBarPatterns();
    return Shared().Patterns[index].get();
}

void UpdateScrollBarPatterns() {
    auto& patterns = Shared().Patterns;
    for (auto& pattern : patterns)
        if (!pattern) {
            pattern = std::make_unique<TBitmap>();
            pattern->SetSize(8, 8);
        }
    PaintPattern(patterns[0].get(), clBtnHighlight, clBtnFace);
    PaintPattern(patterns[1].get(), cl3DDkShadow, clBlack);
}

// ---- Shared geometry -------------------------------------------------------------------------

void TqzCustomLookAndFeelPainter::CalcArrowPoints(const TRect& bounds, bool square, Byte direction,
                                                  TPoint points[3]) {
    Integer l = bounds.left, t = bounds.top, r = bounds.right, b = bounds.bottom;
    if (square) {
        const Integer d = (r - l) - (b - t);
        if (d > 0) {
            l += d / 2;
            r -= d / 2;
        } else {
            t += (-d) / 2;
            b -= (-d) / 2;
        }
    }
    Integer x, y;
    if (direction == qzadUp || direction == qzadDown) {
        x = MakeOdd((r - l - 1) / 2);
        y = x / 2 + 1;
    } else {
        y = MakeOdd((b - t - 1) / 2);
        x = y / 2 + 1;
    }
    const Integer xm = (l + r - 1) / 2, x0 = (l + r - x) / 2, ym = (t + b) / 2, y0 = RoundHalf(t + b - y);
    switch (direction) {
    case qzadUp:
        points[0] = {xm, y0};
        points[1] = {x0, y0 + y - 1};
        points[2] = {x0 + x - 1, y0 + y - 1};
        break;
    case qzadDown:
        points[0] = {x0, y0};
        points[1] = {x0 + x - 1, y0};
        points[2] = {xm, y0 + y - 1};
        break;
    case qzadLeft:
        points[0] = {x0, ym};
        points[1] = {x0 + x - 1, y0};
        points[2] = {x0 + x - 1, y0 + y - 1};
        break;
    default:
        points[0] = {x0, y0};
        points[1] = {x0 + x - 1, ym};
        points[2] = {x0, y0 + y - 1};
        break;
    }
}

void TqzCustomLookAndFeelPainter::FillTriangle(TqzCanvas* canvas, const TPoint points[3], TColor color) {
    canvas->CurrentPen()->SetColor(color);
    canvas->SetBrushColor(color);
    canvas->CurrentBrush()->SetStyle(bsSolid);
    canvas->FillPolygon(points, 3);
}

void TqzCustomLookAndFeelPainter::PaintExpandSign(TqzCanvas* canvas, const TRect& bounds, TColor color,
                                                  bool expanded) {
    const Integer xm = FloorMidpoint(bounds.left, bounds.right),
                  ym = FloorMidpoint(bounds.top, bounds.bottom);
    const Integer half = (bounds.right - bounds.left - 4) / 2;
    Fill(canvas, TRect{xm - half, ym, xm + half + 1, ym + 1}, color);
    if (!expanded) Fill(canvas, TRect{xm, ym - half, xm + 1, ym + half + 1}, color);
}

void TqzCustomLookAndFeelPainter::PaintSortArrowOutline(TqzCanvas* canvas, const TRect& bounds,
                                                        bool ascending, TColor firstColor,
                                                        TColor secondColor) const {
    const TSize extent = SortArrowExtent();
    const Integer w = extent.cx, h = extent.cy;
    const Integer dir = ascending ? 1 : -1;
    const bool even = w % 2 == 0;
    const Integer xm = (bounds.left + bounds.right) / 2 - (even ? 1 : 0);
    const Integer a = w / 2, b = even ? a - 1 : a;
    const Integer y0 =
        ascending ? (bounds.top + bounds.bottom - h) / 2 : (bounds.top + bounds.bottom + h) / 2 - 1;
    TPen* pen = canvas->CurrentPen();
    pen->SetColor(firstColor);
    canvas->MoveToPoint(xm + a, y0 + (h - 2) * dir);
    canvas->LineToPoint(xm + a - b, y0);
    canvas->LineToPoint(xm + a, y0 + (h - 1) * dir);
    if (!ascending) pen->SetColor(secondColor);
    canvas->LineToPoint(xm - b, y0 + (h - 1) * dir);
    if (ascending) pen->SetColor(secondColor);
    canvas->LineToPoint(xm, y0);
    canvas->LineToPoint(xm - b, y0 + (h - (w % 2)) * dir);
}

void TqzCustomLookAndFeelPainter::PaintIndicatorImage(TqzCanvas* canvas, const TRect& bounds,
                                                      Byte indicator) const {
    if (indicator == 0) return;
    TCustomImageList* images = IndicatorImages();
    const Integer index = (indicator & 0x7F) - 1;
    // 0x80 alone would ask for image -1 and codes past the list for images it does not have.
    if (index < 0 || index >= images->GetCount()) return;
    images->Draw(canvas->Canvas, (bounds.left + bounds.right - images->GetWidth()) / 2,
                 (bounds.top + bounds.bottom - images->GetHeight()) / 2, index, true);
}

void TqzCustomLookAndFeelPainter::PaintHeaderArrows(TqzCanvas* canvas, const TRect& bounds, Byte arrows,
                                                    Integer arrowOffset) const {
    TRect r = bounds;
    r.top += ControlBorderWidth() + 1;
    r.bottom -= 1;
    const Integer h = MakeOdd((r.bottom - r.top) / 2);
    const Integer k = h / 2;
    auto arrow = [&](Integer x0, Integer d) {
        const Integer x = x0 + d * (arrowOffset - 1), y = (r.top + r.bottom - h) / 2 - 1;
        const TPoint points[3] = {{x, y}, {x, y + h + 1}, {x - d * (k + 1), y + k + 1}};
        FillTriangle(canvas, points, clWindowText);
    };
    if (arrows == 1 || arrows == 3) arrow(r.left, 1);
    if (arrows == 2 || arrows == 3) arrow(r.right, -1);
}

// ---- Base painter ----------------------------------------------------------------------------

void TqzCustomLookAndFeelPainter::PaintDropArrow(TqzCanvas* canvas, const TRect& bounds, TColor color) const {
    const Integer x = MakeOdd((bounds.right - bounds.left) / 2);
    const Integer y = x / 2 + 1;
    const Integer left = (bounds.left + bounds.right - x) / 2,
                  top = RoundHalf(bounds.top + bounds.bottom - y);
    const TPoint points[3] = {{left, top}, {left + x - 1, top}, {left + x / 2, top + y - 1}};
    FillTriangle(canvas, points, color);
}

void TqzCustomLookAndFeelPainter::PaintTextCell(TqzCanvas* canvas, const TRect& bounds,
                                                const TqzCustomDrawCellEvent& customDraw, TColor backColor,
                                                TColor textColor, TFont* font, const String& text,
                                                TAlignment hAlign, Byte vAlign, bool multiLine,
                                                bool endEllipsis, TqzButtonState, bool,
                                                const TRect& textBounds) const {
    if (!(customDraw && customDraw(canvas, bounds))) {
        canvas->SetBrushColor(backColor);
        canvas->Canvas->FillRect(bounds);
    }
    if (text.empty()) return;
    canvas->CurrentBrush()->SetStyle(bsClear);
    if (font) canvas->SelectFont(font);
    canvas->CurrentFont()->SetColor(textColor);
    canvas->OutputText(text, textBounds, true, CellTextFlags(hAlign, vAlign, multiLine, endEllipsis));
    canvas->CurrentBrush()->SetStyle(bsSolid);
}

TRect TqzCustomLookAndFeelPainter::CalcFooterCellContentBounds(const TRect& bounds) const {
    return Shrunk(bounds, FooterCellFrameWidth());
}

TRect TqzCustomLookAndFeelPainter::CalcFooterCellTextBounds(const TRect& bounds) const {
    return Shrunk(CalcFooterCellContentBounds(bounds), 2);
}

Byte TqzCustomLookAndFeelPainter::PainterStyleCode() const { return 1; }

TColor TqzCustomLookAndFeelPainter::PaletteColor05() const { return clBlack; }
TColor TqzCustomLookAndFeelPainter::PaletteColor06() const { return clBlack; }
TColor TqzCustomLookAndFeelPainter::PaletteColor07() const { return clBlack; }
TColor TqzCustomLookAndFeelPainter::PaletteColor08() const { return 0xCFCFCF; }
TColor TqzCustomLookAndFeelPainter::PaletteColor09() const { return clWhite; }
TColor TqzCustomLookAndFeelPainter::PaletteColor10() const { return clBtnShadow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor11() const { return 0xF0CAA6; }
TColor TqzCustomLookAndFeelPainter::PaletteColor12() const { return 0x800000; }
TColor TqzCustomLookAndFeelPainter::PaletteColor13() const { return 0xFF0000; }
TColor TqzCustomLookAndFeelPainter::PaletteColor14() const { return clBtnShadow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor15() const { return clWindowText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor16() const { return clWindowText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor17() const { return clWindowText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor18() const { return clWindow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor19() const { return clWindow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor20() const { return clWindow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor21() const { return clWindowText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor22() const { return clWindow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor23() const { return clWindowText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor24() const { return clBtnShadow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor25() const { return clBtnHighlight; }
TColor TqzCustomLookAndFeelPainter::PaletteColor26() const { return clBtnText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor27(TqzButtonState, TColor) const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::PaletteColor28(TqzButtonState, TColor) const { return clBtnText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor29() const { return clBtnShadow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor30() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::PaletteColor31() const { return clBtnText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor32() const { return clBtnShadow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor33() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::HeaderBackColor() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::HeaderTextColor() const { return clBtnText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor36(TqzButtonState, TColor) const { return clBtnShadow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor37() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::PaletteColor38() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::PaletteColor39() const { return clBtnText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor40() const { return 0xFF0000; }
TColor TqzCustomLookAndFeelPainter::PaletteColor41(TqzButtonState, TColor) const { return PaletteColor29(); }
TColor TqzCustomLookAndFeelPainter::PaletteColor42() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::AccentColor() const { return clHighlight; }
TColor TqzCustomLookAndFeelPainter::AccentTextColor() const { return clHighlightText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor45() const { return clWindow; }
TColor TqzCustomLookAndFeelPainter::PaletteColor46() const { return clWindowText; }
TColor TqzCustomLookAndFeelPainter::BorderLineColor() const { return 0x0000FF; }
TColor TqzCustomLookAndFeelPainter::PaletteColor48() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::PaletteColor49() const { return 0xD5FFFF; }
TColor TqzCustomLookAndFeelPainter::PaletteColor50() const { return clWindowText; }
TColor TqzCustomLookAndFeelPainter::SelectionBackColor() const { return clHighlight; }
TColor TqzCustomLookAndFeelPainter::SelectionTextColor() const { return clHighlightText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor53() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::PaletteColor54() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::PaletteColor55() const { return clBtnText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor56(TqzButtonState, TColor) const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::PaletteColor57() const { return clWhite; }
TColor TqzCustomLookAndFeelPainter::PaletteColor58() const { return clBlack; }
TColor TqzCustomLookAndFeelPainter::PaletteColor59() const { return clBtnFace; }
TColor TqzCustomLookAndFeelPainter::PaletteColor60() const { return clBtnText; }
TColor TqzCustomLookAndFeelPainter::PaletteColor61(TqzButtonState, TColor) const { return clWhite; }

void TqzCustomLookAndFeelPainter::PaintArrowGlyph(TqzCanvas* canvas, const TRect& bounds, TColor color,
                                                  Byte direction) const {
    TPoint points[3];
    CalcArrowPoints(bounds, true, direction, points);
    FillTriangle(canvas, points, color);
}

void TqzCustomLookAndFeelPainter::PaintScrollArrowButton(TqzCanvas* canvas, const TRect& bounds,
                                                         bool withBackground, Byte direction,
                                                         TqzButtonState state) const {
    if (withBackground)
        PaintButtonBackground(canvas, bounds, state);
    else
        Fill(canvas, bounds, ButtonFaceColor(state));
    TPoint points[3];
    CalcArrowPoints(bounds, false, direction, points);
    FillTriangle(canvas, points, ButtonGlyphColor(state, clDefault));
}

void TqzCustomLookAndFeelPainter::PaintButtonBackground(TqzCanvas* canvas, const TRect& bounds,
                                                        TqzButtonState state) const {
    Fill(canvas, bounds, ButtonFaceColor(state));
    PaintButtonFrame(canvas, bounds, state);
}

void TqzCustomLookAndFeelPainter::PaintStateArrow(TqzCanvas* canvas, const TRect& bounds, Byte direction,
                                                  TqzButtonState state) const {
    TRect r = bounds;
    if (state == qzbsPressed) OffsetRect(&r, ButtonCaptionPressShift(), ButtonCaptionPressShift());
    TPoint points[3];
    CalcArrowPoints(r, true, direction, points);
    if (state == qzbsDisabled) {
        TPoint shifted[3];
        for (int i = 0; i < 3; ++i)
            shifted[i] = TPoint{points[i].x + 1, points[i].y + 1};
        FillTriangle(canvas, shifted, clBtnHighlight);
        FillTriangle(canvas, points, clBtnShadow);
    } else {
        FillTriangle(canvas, points, ButtonGlyphColor(state, clDefault));
    }
}

Integer TqzCustomLookAndFeelPainter::ControlBorderWidth() const { return 0; }

void TqzCustomLookAndFeelPainter::PaintControlBorder(TqzCanvas*, const TRect&) const {}

TRect TqzCustomLookAndFeelPainter::AdjustGroupedButtonBounds(const TRect& bounds, Integer, Integer) const {
    return bounds;
}

Integer TqzCustomLookAndFeelPainter::ButtonBorderWidth(TqzButtonState) const { return 0; }

TColor TqzCustomLookAndFeelPainter::ButtonFaceColor(TqzButtonState) const { return clBtnFace; }

TRect TqzCustomLookAndFeelPainter::CalcButtonFocusBounds(TqzCanvas*, const TRect& bounds) const {
    const TRect r = Shrunk(bounds, 4);
    return IsRectEmpty(&r) ? bounds : r;
}

TqzFrameWidths TqzCustomLookAndFeelPainter::ButtonGroupBorderWidths(Integer, Integer) const {
    const Integer w = ButtonBorderWidth(qzbsNormal);
    return TqzFrameWidths{w, w, w, w};
}

Integer TqzCustomLookAndFeelPainter::ButtonCaptionInset() const { return 0; }

Integer TqzCustomLookAndFeelPainter::ButtonCaptionPressShift() const { return 0; }

TColor TqzCustomLookAndFeelPainter::ButtonGlyphColor(TqzButtonState state, TColor color) const {
    if (state == qzbsDisabled) return clBtnShadow;
    return color == clDefault ? clBtnText : color;
}

TqzButtonState TqzCustomLookAndFeelPainter::ButtonGlyphState(TqzButtonState state) const { return state; }

void TqzCustomLookAndFeelPainter::PaintButton(TqzCanvas* canvas, const TRect& bounds, TColor textColor,
                                              TColor backColor, bool framed, TqzButtonState state,
                                              const String& caption) const {
    TRect r = bounds;
    if (framed) {
        PaintButtonFrame(canvas, r, state);
        r = Shrunk(r, ButtonBorderWidth(state));
    }
    Fill(canvas, r, backColor == clDefault ? ButtonFaceColor(state) : backColor);
    canvas->CurrentFont()->SetColor(textColor == clDefault ? ButtonGlyphColor(state, clDefault) : textColor);
    canvas->CurrentBrush()->SetStyle(bsClear);
    if ((r.bottom - r.top) % 2 != 0) --r.bottom;
    if (r.bottom - r.top < 18) --r.top;
    if (state == qzbsPressed) OffsetRect(&r, ButtonCaptionPressShift(), ButtonCaptionPressShift());
    if (!caption.empty())
        canvas->OutputText(caption, r, state != qzbsDisabled,
                           qg::tfAlignHCenter | qg::tfAlignVCenter | qg::tfSingleLine | qg::tfShowPrefix);
    canvas->CurrentBrush()->SetStyle(bsSolid);
}

void TqzCustomLookAndFeelPainter::PaintPlainButton(TqzCanvas* canvas, const TRect& bounds, TColor, Integer,
                                                   Integer, TqzButtonState state) const {
    PaintButton(canvas, bounds, clDefault, clDefault, true, state, String());
}

void TqzCustomLookAndFeelPainter::PaintButtonFrame(TqzCanvas*, const TRect&, TqzButtonState) const {}

void TqzCustomLookAndFeelPainter::PaintHotFrame(TqzCanvas*, const TRect&, bool, bool) const {}

void TqzCustomLookAndFeelPainter::PaintTreeExpandButton(TqzCanvas*, const TRect&, TColor, bool) const {}

bool TqzCustomLookAndFeelPainter::ExpandButtonBeforeLines() const { return true; }

void TqzCustomLookAndFeelPainter::PaintGroupToggleButton(TqzCanvas* canvas, const TRect& bounds,
                                                         TqzButtonState state, bool expanded) const {
    PaintButton(canvas, bounds, clDefault, clDefault, true, state, String());
    canvas->CurrentPen()->SetColor(ButtonGlyphColor(state, clDefault));
    const Integer s = 3;
    const Integer x0 = (bounds.left + bounds.right - 7) / 2, y0 = (bounds.top + bounds.bottom - 8) / 2;
    const Integer d = expanded ? 1 : -1;
    for (Integer y : {y0, y0 + 1, y0 + 4, y0 + 5}) {
        Integer b = (y - y0) % 2;
        if (!expanded) b = 1 - b;
        const Integer yy = expanded ? y + s : y;
        canvas->MoveToPoint(x0 + b, yy - d * b);
        canvas->LineToPoint(x0 + s, yy - d * s);
        canvas->LineToPoint(x0 + 2 * s + 1 - b, yy + d * (1 - b));
    }
}

void TqzCustomLookAndFeelPainter::PaintSmallExpandButton(TqzCanvas* canvas, const TRect& bounds,
                                                         TColor backColor, TColor frameColor,
                                                         bool expanded) const {
    canvas->FrameSides(bounds, frameColor, qzsAll, 1);
    if (backColor != clDefault) Fill(canvas, Shrunk(bounds, 1), backColor);
    PaintExpandSign(canvas, bounds, clBtnText, expanded);
}

Integer TqzCustomLookAndFeelPainter::TreeExpandButtonExtent() const { return 0; }
Integer TqzCustomLookAndFeelPainter::GroupToggleButtonExtent() const { return 15; }
bool TqzCustomLookAndFeelPainter::HotTracksButtons() const { return false; }

bool TqzCustomLookAndFeelPainter::HitTestGroupToggleButton(const TRect& bounds, const TPoint& point) const {
    return PtInRect(&bounds, point);
}

Integer TqzCustomLookAndFeelPainter::SmallExpandButtonExtent() const { return 9; }
Integer TqzCustomLookAndFeelPainter::CheckBoxBorderWidth() const { return 2; }

TColor TqzCustomLookAndFeelPainter::CheckBoxFillColor(TqzButtonState state) const {
    return state == qzbsPressed || state == qzbsDisabled ? clBtnFace : clWindow;
}

void TqzCustomLookAndFeelPainter::PaintCheckMark(TqzCanvas* canvas, const TRect& bounds, TColor markColor,
                                                 bool checked, TqzButtonState state) const {
    Fill(canvas, bounds, CheckBoxFillColor(state));
    if (!checked) return;
    const Integer w = bounds.right - bounds.left - 2, h = bounds.bottom - bounds.top - 4;
    const Integer xm = (bounds.left + bounds.right) / 2 - 1;
    canvas->CurrentPen()->SetColor(markColor);
    for (Integer k = 0; k < 3; ++k) {
        const Integer y = (bounds.top + bounds.bottom + h) / 2 - 2 + k;
        canvas->MoveToPoint(xm - (w / 2 - 1), y - h / 2);
        canvas->LineToPoint(xm, y);
        canvas->LineToPoint(xm + w / 2 + 2, y - h);
    }
}

void TqzCustomLookAndFeelPainter::PaintCheckFrame(TqzCanvas*, const TRect&, TqzButtonState) const {}

void TqzCustomLookAndFeelPainter::PaintCheckBox(TqzCanvas* canvas, const TRect& bounds, bool checked,
                                                TqzButtonState state) const {
    PaintCheckFrame(canvas, bounds, state);
    PaintCheckMark(canvas, Shrunk(bounds, CheckBoxBorderWidth()),
                   state == qzbsDisabled ? clGrayText : clBtnText, checked, state);
}

void TqzCustomLookAndFeelPainter::PaintRadioButton(TqzCanvas* canvas, Integer left, Integer top,
                                                   TqzButtonState state, bool checked, bool focused,
                                                   bool designTime, TColor backColor) const {
    SharedRadioButtonImages()->DrawImage(canvas, left, top, StyleCodeToKind(PainterStyleCode()), state, checked,
                                         designTime, focused, backColor);
}

void TqzCustomLookAndFeelPainter::PaintHeaderCell(TqzCanvas* canvas, const TRect& bounds,
                                                  const TRect& textBounds, TqzSides neighbours,
                                                  TqzSides borders, TqzButtonState state, TAlignment hAlign,
                                                  Byte vAlign, bool multiLine, bool endEllipsis,
                                                  const String& text, TFont* font, TColor textColor,
                                                  TColor backColor, const TqzCustomDrawCellEvent& customDraw,
                                                  bool) const {
    PaintHeaderFrame(canvas, bounds, neighbours, borders);
    PaintTextCell(canvas, CalcHeaderContentBounds(bounds, borders), customDraw, backColor, textColor, font,
                  text, hAlign, vAlign, multiLine, endEllipsis, state, false, textBounds);
}

void TqzCustomLookAndFeelPainter::PaintHeaderCellVariant(TqzCanvas* canvas, const TRect& bounds,
                                                         const TRect& textBounds, TqzSides neighbours,
                                                         TqzSides borders, TqzButtonState state,
                                                         TAlignment hAlign, Byte vAlign, bool multiLine,
                                                         bool endEllipsis, const String& text, TFont* font,
                                                         TColor textColor, TColor backColor,
                                                         const TqzCustomDrawCellEvent& customDraw) const {
    PaintHeaderCell(canvas, bounds, textBounds, neighbours, borders, state, hAlign, vAlign, multiLine,
                    endEllipsis, text, font, textColor, backColor, customDraw, false);
}

void TqzCustomLookAndFeelPainter::PaintHeaderFrame(TqzCanvas*, const TRect&, TqzSides, TqzSides) const {}

void TqzCustomLookAndFeelPainter::InvertArea(TqzCanvas* canvas, const TRect& bounds) const {
    canvas->InvertArea(bounds);
}

void TqzCustomLookAndFeelPainter::PaintHeaderSection(TqzCanvas* canvas, const TRect& bounds,
                                                     const TRect& textBounds, TqzSides, TqzSides sides,
                                                     TqzButtonState state, TAlignment hAlign, Byte vAlign,
                                                     bool multiLine, bool endEllipsis, const String& text,
                                                     TFont* font, TColor textColor, TColor backColor) const {
    PaintHeaderSectionFrame(canvas, bounds, sides, state);
    PaintHeaderSectionContent(canvas, CalcHeaderSectionContentBounds(bounds, state), textBounds, state,
                              hAlign, vAlign, multiLine, endEllipsis, text, font, textColor, backColor);
}

void TqzCustomLookAndFeelPainter::PaintHeaderSectionFrame(TqzCanvas*, const TRect&, TqzSides,
                                                          TqzButtonState) const {}

void TqzCustomLookAndFeelPainter::PaintHeaderSectionContent(TqzCanvas* canvas, const TRect& bounds,
                                                            const TRect& textBounds, TqzButtonState state,
                                                            TAlignment hAlign, Byte vAlign, bool multiLine,
                                                            bool endEllipsis, const String& text, TFont* font,
                                                            TColor textColor, TColor backColor) const {
    Fill(canvas, bounds, backColor);
    PaintHeaderSectionText(canvas, CalcHeaderSectionTextBounds(textBounds, state), state, hAlign, vAlign,
                           multiLine, endEllipsis, text, font, textColor);
}

void TqzCustomLookAndFeelPainter::PaintHeaderSectionText(TqzCanvas* canvas, const TRect& bounds,
                                                         TqzButtonState state, TAlignment hAlign, Byte vAlign,
                                                         bool multiLine, bool endEllipsis, const String& text,
                                                         TFont* font, TColor textColor) const {
    const TqzTextFlags flags = CellTextFlags(hAlign, vAlign, multiLine, endEllipsis);
    canvas->CurrentBrush()->SetStyle(bsClear);
    if (font) canvas->SelectFont(font);
    if (state == qzbsDisabled) {
        TRect r = bounds;
        OffsetRect(&r, 1, 1);
        canvas->CurrentFont()->SetColor(clBtnHighlight);
        canvas->OutputText(text, r, true, flags);
        canvas->CurrentFont()->SetColor(clBtnShadow);
    } else {
        canvas->CurrentFont()->SetColor(textColor);
    }
    canvas->OutputText(text, bounds, true, flags);
    canvas->CurrentBrush()->SetStyle(bsSolid);
}

void TqzCustomLookAndFeelPainter::PaintSortArrow(TqzCanvas*, const TRect&, bool) const {}

TqzSides TqzCustomLookAndFeelPainter::HeaderEdgesFor(TqzSides) const { return qzsAll; }

Integer TqzCustomLookAndFeelPainter::HeaderFrameWidth() const { return 0; }

TRect TqzCustomLookAndFeelPainter::CalcHeaderOuterBounds(const TRect& bounds, TqzSides neighbours,
                                                         TqzSides borders) const {
    const TqzSides sides = borders & ~HeaderEdgesFor(neighbours);
    const Integer w = HeaderFrameWidth();
    TRect r = bounds;
    if (sides & qzsLeft) r.left -= w;
    if (sides & qzsTop) r.top -= w;
    if (sides & qzsRight) r.right += w;
    if (sides & qzsBottom) r.bottom += w;
    return r;
}

TRect TqzCustomLookAndFeelPainter::CalcHeaderContentBounds(const TRect& bounds, TqzSides borders) const {
    const Integer w = HeaderFrameWidth();
    TRect r = bounds;
    if (borders & qzsLeft) r.left += w;
    if (borders & qzsTop) r.top += w;
    if (borders & qzsRight) r.right -= w;
    if (borders & qzsBottom) r.bottom -= w;
    return r;
}

bool TqzCustomLookAndFeelPainter::StyleFlag109() const { return true; }

Integer TqzCustomLookAndFeelPainter::HeaderHeightFor(Integer fontHeight) const {
    return 2 * HeaderFrameWidth() + fontHeight + 4;
}

Integer TqzCustomLookAndFeelPainter::HeaderSectionFrameWidth(TqzButtonState) const { return 1; }

TRect TqzCustomLookAndFeelPainter::CalcHeaderSectionTextBounds(const TRect& bounds,
                                                               TqzButtonState state) const {
    TRect r = bounds;
    if (state == qzbsPressed) OffsetRect(&r, 1, 1);
    return r;
}

TRect TqzCustomLookAndFeelPainter::CalcHeaderSectionContentBounds(const TRect& bounds,
                                                                  TqzButtonState state) const {
    return Shrunk(bounds, HeaderSectionFrameWidth(state));
}

Integer TqzCustomLookAndFeelPainter::HeaderWidthFor(TqzCanvas* canvas, TqzSides sides, TFont* font,
                                                    const String& text) const {
    if (font) canvas->SelectFont(font);
    Integer width = canvas->TextWidthOf(text) + 4;
    if (sides & qzsLeft) width += HeaderFrameWidth();
    if (sides & qzsRight) width -= HeaderFrameWidth();
    return width;
}

bool TqzCustomLookAndFeelPainter::StyleFlag115() const { return false; }

TSize TqzCustomLookAndFeelPainter::SortArrowAreaExtent() const { return TSize{16, SortArrowExtent().cy}; }

TSize TqzCustomLookAndFeelPainter::SortArrowExtent() const { return TSize{0, 0}; }

void TqzCustomLookAndFeelPainter::PaintFooterCell(TqzCanvas* canvas, const TRect& bounds, TAlignment hAlign,
                                                  Byte vAlign, bool multiLine, const String& text,
                                                  TFont* font, TColor textColor, TColor backColor,
                                                  const TqzCustomDrawCellEvent& customDraw) const {
    PaintFooterCellFrame(canvas, bounds);
    PaintTextCell(canvas, CalcFooterCellContentBounds(bounds), customDraw, backColor, textColor, font, text,
                  hAlign, vAlign, multiLine, false, qzbsDefault, true, CalcFooterCellTextBounds(bounds));
}

Integer TqzCustomLookAndFeelPainter::StyleMetric119() const { return 15; }
Integer TqzCustomLookAndFeelPainter::FooterFrameWidth() const { return 0; }
Integer TqzCustomLookAndFeelPainter::FooterCellFrameWidth() const { return 0; }
Integer TqzCustomLookAndFeelPainter::FooterCellInset() const { return 0; }
bool TqzCustomLookAndFeelPainter::StyleFlag123() const { return true; }
TColor TqzCustomLookAndFeelPainter::FooterLineColor() const { return clBtnShadow; }
Integer TqzCustomLookAndFeelPainter::StyleMetric125() const { return 1; }

void TqzCustomLookAndFeelPainter::PaintFooterFrame(TqzCanvas*, const TRect&) const {}

void TqzCustomLookAndFeelPainter::PaintFooterCellFrame(TqzCanvas*, const TRect&) const {}

void TqzCustomLookAndFeelPainter::PaintFooterSeparator(TqzCanvas* canvas, const TRect& bounds) const {
    Fill(canvas, bounds, FooterLineColor());
}

void TqzCustomLookAndFeelPainter::PaintCheckBoxInBounds(TqzCanvas* canvas, const TRect& bounds, bool checked,
                                                        TqzButtonState state) const {
    PaintCheckBox(canvas, bounds, checked, state);
}

void TqzCustomLookAndFeelPainter::PaintCloseButton(TqzCanvas* canvas, const TRect& bounds,
                                                   TqzButtonState state) const {
    PaintButtonFrame(canvas, bounds, state);
    const TRect r = Shrunk(bounds, ButtonBorderWidth(qzbsNormal));
    Fill(canvas, r, ButtonFaceColor(state));
    Integer s = CloseButtonExtent().cx / 2;
    if (s % 2 == 0) --s;
    const Integer shift = ButtonGlyphState(state) == qzbsPressed ? 1 : 0;
    canvas->CurrentPen()->SetColor(ButtonGlyphColor(state, clDefault));
    for (Integer k = 0; k < 2; ++k) {
        const Integer x0 = (r.left + r.right - s) / 2 + k + shift, y0 = (r.top + r.bottom - s) / 2 + shift;
        Line(canvas, x0, y0, x0 + s, y0 + s);
        Line(canvas, x0, y0 + s - 1, x0 + s, y0 - 1);
    }
}

void TqzCustomLookAndFeelPainter::PaintDropDownButton(TqzCanvas*, const TRect&, bool, TqzButtonState) const {}

TSize TqzCustomLookAndFeelPainter::CheckBoxExtent() const { return TSize{13, 13}; }
TSize TqzCustomLookAndFeelPainter::CloseButtonExtent() const { return TSize{16, 14}; }
TSize TqzCustomLookAndFeelPainter::FilterButtonExtent() const { return TSize{15, 0}; }
bool TqzCustomLookAndFeelPainter::StyleFlag135() const { return true; }
TSize TqzCustomLookAndFeelPainter::ElementExtent136() const { return TSize{16, 14}; }
TSize TqzCustomLookAndFeelPainter::ElementExtent137() const { return TSize{16, 14}; }
TSize TqzCustomLookAndFeelPainter::MarkButtonExtent() const { return TSize{13, 13}; }
TSize TqzCustomLookAndFeelPainter::PinButtonExtent() const { return TSize{16, 14}; }
TSize TqzCustomLookAndFeelPainter::ElementExtent140() const { return TSize{16, 14}; }

void TqzCustomLookAndFeelPainter::PaintPlusMarkButton(TqzCanvas* canvas, const TRect& bounds,
                                                      TqzButtonState state) const {
    PaintButtonFrame(canvas, bounds, state);
    const TRect r = Shrunk(bounds, ButtonBorderWidth(qzbsNormal));
    Fill(canvas, r, ButtonFaceColor(state));
    PaintPlusMark(canvas, r, state);
}

void TqzCustomLookAndFeelPainter::PaintPlusMark(TqzCanvas* canvas, const TRect& bounds,
                                                TqzButtonState state) const {
    const bool disabled = state == qzbsDisabled;
    const TColor mark = PaletteColor16();
    // One pass of the plus: the two one-pixel lines, and two pixels at the ends.
    auto plus = [&](const TRect& r, TColor color, TColor endColor, bool outerEnds) {
        const Integer row = r.top + (r.bottom - r.top) / 2 - 1, col = r.left + (r.right - r.left) / 2 - 1;
        canvas->CurrentPen()->SetColor(color);
        Line(canvas, r.left, row, r.right - 1, row);
        Line(canvas, col, r.top, col, r.bottom - 1);
        if (outerEnds) {
            canvas->SetPixelColor(r.left - 1, row, endColor);
            canvas->SetPixelColor(col, r.top - 1, endColor);
        } else {
            canvas->SetPixelColor(r.right - 1, row, endColor);
            canvas->SetPixelColor(col, r.bottom - 1, endColor);
        }
    };
    TRect r = Shrunk(bounds, 1);
    OffsetRect(&r, 1, 1);
    plus(r, disabled ? clBtnHighlight : mark, disabled ? clBtnHighlight : mark, true);
    OffsetRect(&r, -1, -1);
    plus(r, disabled ? clBtnShadow : mark, disabled ? clBtnHighlight : mark, false);
}

void TqzCustomLookAndFeelPainter::PaintGlyphButton(TqzCanvas* canvas, const TRect& bounds, Integer glyphIndex,
                                                   TqzButtonState state) const {
    PaintButtonFrame(canvas, bounds, state);
    const TRect r = Shrunk(bounds, ButtonBorderWidth(qzbsNormal));
    Fill(canvas, r, ButtonFaceColor(state));
    TBitmap* glyph = PinGlyph(glyphIndex);
    if (!glyph) return;
    const Integer shift = state == qzbsPressed ? 1 : 0;
    canvas->DrawGraphic(r.left + (r.right - r.left - glyph->GetWidth()) / 2 + shift,
                        r.top + (r.bottom - r.top - glyph->GetHeight()) / 2 + shift, glyph);
}

void TqzCustomLookAndFeelPainter::PaintTab(TqzCanvas*, const TRect&, TObject*) const {}

void TqzCustomLookAndFeelPainter::PaintTabFrame(TqzCanvas*, const TRect&, bool, TqzSides, Byte) const {}

void TqzCustomLookAndFeelPainter::PaintTabStrip(TqzCanvas*, const TRect&, bool, TqzSides) const {}

Integer TqzCustomLookAndFeelPainter::TabMetric147(bool) const { return 0; }
Integer TqzCustomLookAndFeelPainter::TabMetric148(bool) const { return 0; }
Integer TqzCustomLookAndFeelPainter::TabFrameWidth(bool) const { return 0; }

void TqzCustomLookAndFeelPainter::PaintIndicatorHeader(TqzCanvas* canvas, const TRect& bounds,
                                                       const TqzCustomDrawCellEvent& customDraw,
                                                       TColor backColor, Byte indicator) const {
    PaintHeaderCell(canvas, bounds, bounds, 0, HeaderEdgesFor(qzsTop | qzsBottom), qzbsNormal, taLeftJustify,
                    qzvaTop, false, false, String(), nullptr, clNone, backColor, customDraw, false);
    PaintIndicatorImage(canvas, bounds, indicator);
}

void TqzCustomLookAndFeelPainter::PaintIndicatorCell(TqzCanvas* canvas, const TRect& bounds,
                                                     const TqzCustomDrawCellEvent& customDraw,
                                                     TColor backColor, Byte indicator) const {
    PaintHeaderCellVariant(canvas, bounds, bounds, 0, qzsAll, qzbsNormal, taLeftJustify, qzvaTop, false,
                           false, String(), nullptr, clNone, backColor, customDraw);
    PaintIndicatorImage(canvas, bounds, indicator);
}

bool TqzCustomLookAndFeelPainter::StyleFlag152() const { return true; }

void TqzCustomLookAndFeelPainter::PaintScrollBarElement(TqzCanvas*, bool, TqzButtonState, Byte,
                                                        const TRect&) const {}

void TqzCustomLookAndFeelPainter::PaintArrowHeader(TqzCanvas* canvas, const TRect& bounds,
                                                   const TqzCustomDrawCellEvent& customDraw, Byte arrows,
                                                   Integer arrowOffset, const TqzCellStyleRecord& style,
                                                   TqzSides neighbours, const String& text) const {
    PaintHeaderCell(canvas, bounds, bounds, neighbours, HeaderEdgesFor(neighbours), qzbsNormal, taCenter,
                    qzvaCenter, false, false, text, style.Font, style.TextColor, style.BackColor, customDraw,
                    false);
    PaintHeaderArrows(canvas, bounds, arrows, arrowOffset);
}

void TqzCustomLookAndFeelPainter::PaintBorderFrame(TqzCanvas* canvas, const TRect& bounds) const {
    PaintControlBorder(canvas, bounds);
}

void TqzCustomLookAndFeelPainter::PaintToolButton(TqzCanvas* canvas, const TRect& bounds,
                                                  TqzButtonState state) const {
    PaintButton(canvas, bounds, clDefault, clDefault, true, state, String());
}

void TqzCustomLookAndFeelPainter::PaintSplitterFrame(TqzCanvas*, const TRect&, bool,
                                                     const TqzBrushPair&) const {}
