// The classic looks: the standard painter's double 3D frames and the flat painter's single 3D
// lines. Both override only what differs from the base painter.
#include "platform/winapi/GdiFrame.h"
#include "suite/foundation/qzLookAndFeelPainters.h"

namespace {

TRect Shrunk(const TRect& r, Integer by) {
    return TRect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void Fill(TqzCanvas* canvas, const TRect& rect, TColor color) {
    canvas->SetBrushColor(color);
    canvas->CurrentBrush()->SetStyle(bsSolid);
    canvas->Canvas->FillRect(rect);
}

// A one-pixel frame, first colour left and top, second right and bottom.
void Ring(TqzCanvas* canvas, const TRect& rect, TColor first, TColor second, TqzSides sides = qzsAll) {
    canvas->DrawTwoColorFrame(rect, first, 1, sides, second);
}

void PaintHeaderRing(TqzCanvas* canvas, const TRect& r, TqzSides neighbours) {
    Ring(canvas, r, clBtnHighlight, clBtnShadow);
    if (neighbours & qzsLeft) {
        canvas->SetPixelColor(r.left, r.top + 1, clBtnFace);
        canvas->SetPixelColor(r.left, r.bottom - 2, clBtnFace);
    }
    if (neighbours & qzsRight) {
        canvas->SetPixelColor(r.right - 1, r.top, clBtnHighlight);
        canvas->SetPixelColor(r.right - 1, r.top + 1, clBtnFace);
        canvas->SetPixelColor(r.right - 1, r.bottom - 2, clBtnFace);
    }
}

void PaintDropDown(const TqzCustomLookAndFeelPainter* painter, TqzCanvas* canvas, const TRect& bounds,
                   bool active, TqzButtonState state) {
    if (state == qzbsPressed)
        Ring(canvas, bounds, clBtnShadow, clBtnHighlight);
    else
        Ring(canvas, bounds, clBtnHighlight, clBtnShadow);
    const TRect inner = Shrunk(bounds, 1);
    Fill(canvas, inner, clBtnFace);
    painter->PaintDropArrow(canvas, inner, active ? clBlue : clBtnText);
}

void PaintPlusMarkShifted(const TqzCustomLookAndFeelPainter* painter, TqzCanvas* canvas, const TRect& bounds,
                          TqzButtonState state) {
    TRect r = bounds;
    --r.right;
    --r.bottom;
    if (state == qzbsPressed) OffsetRect(&r, 1, 1);
    painter->TqzCustomLookAndFeelPainter::PaintPlusMark(canvas, r, state);
}

void PaintTabEdge(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides, Byte side) {
    TRect r = bounds;
    TColor color = clBtnHighlight;
    if (vertical) {
        if (side == 0) {
            r.top += (sides & qzsTop) ? 2 : 1;
            r.bottom -= (sides & qzsBottom) ? 2 : 1;
            canvas->SetPixelColor(r.left + 1, r.top - 1, clBtnHighlight);
            canvas->SetPixelColor(r.left + 1, r.bottom, clBtnHighlight);
        } else if ((side == 1 || side == 3) && (sides & qzsLeft)) {
            ++r.left;
        }
        if (side == 3) color = clBtnShadow;
    } else {
        if (side == 0 || side == 2) {
            if (sides & qzsTop) r.top += 2;
            if (sides & qzsBottom) r.bottom -= 1;
        } else if (side == 1) {
            ++r.left;
            --r.right;
            canvas->SetPixelColor(r.left - 1, r.top + 1, clBtnHighlight);
            canvas->SetPixelColor(r.right, r.top + 1, clBtnHighlight);
        }
        if (side == 2) color = clBtnShadow;
    }
    Fill(canvas, r, color);
}

void PaintScrollPage(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) {
    TBrush* brush = canvas->CurrentBrush();
    brush->SetBitmap(ScrollBarPattern(state == qzbsPressed ? 1 : 0));
    canvas->Canvas->FillRect(bounds);
    brush->SetBitmap(nullptr);
    brush->SetStyle(bsSolid);
}

// Where the arrow of scroll-bar part 1 or 2 points.
Byte ScrollArrowDirection(bool horizontal, Byte part) {
    if (horizontal) return part == qzsbpFirstButton ? qzadLeft : qzadRight;
    return part == qzsbpFirstButton ? qzadUp : qzadDown;
}

// The lines of a splitter: one pair (first colour at top or left, second at bottom or right)
// followed by the change of bounds that grows them along the splitter and shrinks them across.
void SplitterLines(TqzCanvas* canvas, TRect& r, bool horizontal, TColor first, TColor second) {
    canvas->FrameSides(r, first, horizontal ? qzsTop : qzsLeft, 1);
    canvas->FrameSides(r, second, horizontal ? qzsBottom : qzsRight, 1);
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
}

} // namespace

// ---- Standard --------------------------------------------------------------------------------

Byte TqzStandardLookAndFeelPainter::PainterStyleCode() const { return 1; }
TColor TqzStandardLookAndFeelPainter::PaletteColor49() const { return clWindow; }
Integer TqzStandardLookAndFeelPainter::ControlBorderWidth() const { return 2; }

void TqzStandardLookAndFeelPainter::PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, clBtnShadow, clBtnHighlight);
    Ring(canvas, Shrunk(bounds, 1), cl3DDkShadow, cl3DLight);
}

Integer TqzStandardLookAndFeelPainter::ButtonBorderWidth(TqzButtonState state) const {
    return state == qzbsDefault ? 3 : 2;
}

Integer TqzStandardLookAndFeelPainter::ButtonCaptionInset() const { return 1; }
Integer TqzStandardLookAndFeelPainter::ButtonCaptionPressShift() const { return 1; }

void TqzStandardLookAndFeelPainter::PaintButtonFrame(TqzCanvas* canvas, const TRect& bounds,
                                                     TqzButtonState state) const {
    TRect r = bounds;
    if (state == qzbsPressed || state == qzbsDefault) {
        canvas->FrameSides(r, clBlack, qzsAll, 1);
        r = Shrunk(r, 1);
    }
    if (state == qzbsPressed) {
        Ring(canvas, r, clBtnShadow, clBtnShadow);
        return;
    }
    Ring(canvas, r, clBtnHighlight, cl3DDkShadow);
    Ring(canvas, Shrunk(r, 1), cl3DLight, clBtnShadow);
}

void TqzStandardLookAndFeelPainter::PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds,
                                                          TColor color, bool expanded) const {
    Ring(canvas, bounds, clBtnHighlight, cl3DDkShadow);
    TRect r = Shrunk(bounds, 1);
    canvas->FrameSides(r, clBtnShadow, qzsRight | qzsBottom, 1);
    --r.right;
    --r.bottom;
    Fill(canvas, r, color == clDefault ? clBtnFace : color);
    PaintExpandSign(canvas, r, clBtnText, expanded);
    canvas->ExcludeClipArea(bounds);
}

void TqzStandardLookAndFeelPainter::PaintGroupToggleButton(TqzCanvas* canvas, const TRect& bounds,
                                                           TqzButtonState state, bool expanded) const {
    PainterClass<TqzFlatLookAndFeelPainter>()->PaintGroupToggleButton(canvas, bounds, state, expanded);
}

Integer TqzStandardLookAndFeelPainter::TreeExpandButtonExtent() const { return 12; }
bool TqzStandardLookAndFeelPainter::HotTracksButtons() const { return false; }

void TqzStandardLookAndFeelPainter::PaintCheckFrame(TqzCanvas* canvas, const TRect& bounds,
                                                    TqzButtonState) const {
    Ring(canvas, bounds, cl3DDkShadow, cl3DLight);
    Ring(canvas, Shrunk(bounds, 1), clBtnShadow, clBtnHighlight);
}

void TqzStandardLookAndFeelPainter::PaintHeaderFrame(TqzCanvas* canvas, const TRect& bounds,
                                                     TqzSides neighbours, TqzSides) const {
    PaintHeaderRing(canvas, bounds, neighbours);
}

void TqzStandardLookAndFeelPainter::PaintHeaderSectionFrame(TqzCanvas* canvas, const TRect& bounds,
                                                            TqzSides sides, TqzButtonState state) const {
    if (state == qzbsPressed) {
        Ring(canvas, bounds, clBtnShadow, clBtnShadow, sides);
        return;
    }
    Ring(canvas, bounds, clBtnHighlight, cl3DDkShadow, sides);
    Ring(canvas, Shrunk(bounds, 1), cl3DLight, clBtnShadow, sides);
}

void TqzStandardLookAndFeelPainter::PaintSortArrow(TqzCanvas* canvas, const TRect& bounds,
                                                   bool ascending) const {
    PaintSortArrowOutline(canvas, bounds, ascending, clBtnHighlight, clBtnShadow);
}

Integer TqzStandardLookAndFeelPainter::HeaderFrameWidth() const { return 1; }

Integer TqzStandardLookAndFeelPainter::HeaderSectionFrameWidth(TqzButtonState state) const {
    return state == qzbsPressed ? 1 : 2;
}

TSize TqzStandardLookAndFeelPainter::SortArrowExtent() const { return TSize{8, 7}; }
Integer TqzStandardLookAndFeelPainter::FooterFrameWidth() const { return 1; }
Integer TqzStandardLookAndFeelPainter::FooterCellFrameWidth() const { return 1; }
Integer TqzStandardLookAndFeelPainter::FooterCellInset() const { return 1; }

void TqzStandardLookAndFeelPainter::PaintFooterFrame(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, clBtnHighlight, clBtnShadow);
}

void TqzStandardLookAndFeelPainter::PaintFooterCellFrame(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, clBtnShadow, clBtnHighlight);
}

void TqzStandardLookAndFeelPainter::PaintDropDownButton(TqzCanvas* canvas, const TRect& bounds, bool active,
                                                        TqzButtonState state) const {
    PaintDropDown(this, canvas, bounds, active, state);
}

void TqzStandardLookAndFeelPainter::PaintPlusMark(TqzCanvas* canvas, const TRect& bounds,
                                                  TqzButtonState state) const {
    PaintPlusMarkShifted(this, canvas, bounds, state);
}

void TqzStandardLookAndFeelPainter::PaintTabFrame(TqzCanvas* canvas, const TRect& bounds, bool vertical,
                                                  TqzSides sides, Byte side) const {
    PaintTabEdge(canvas, bounds, vertical, sides, side);
}

void TqzStandardLookAndFeelPainter::PaintTabStrip(TqzCanvas* canvas, const TRect& bounds, bool,
                                                  TqzSides sides) const {
    Ring(canvas, bounds, clBtnHighlight, clBtnShadow, sides);
}

Integer TqzStandardLookAndFeelPainter::TabFrameWidth(bool) const { return 1; }

void TqzStandardLookAndFeelPainter::PaintScrollBarElement(TqzCanvas* canvas, bool horizontal,
                                                          TqzButtonState state, Byte part,
                                                          const TRect& bounds) const {
    if (IsRectEmpty(&bounds) || (part == qzsbpThumb && state == qzbsDisabled)) return;
    if (state == qzbsHot) state = qzbsNormal;
    const bool arrow = part == qzsbpFirstButton || part == qzsbpSecondButton;
    auto frame = [&] {
        if (arrow && state == qzbsPressed) {
            Ring(canvas, bounds, clBtnShadow, clBtnShadow);
            Ring(canvas, Shrunk(bounds, 1), clBtnFace, clBtnFace);
        } else {
            Ring(canvas, bounds, clBtnFace, cl3DDkShadow);
            Ring(canvas, Shrunk(bounds, 1), clBtnHighlight, clBtnShadow);
        }
    };
    if (arrow) {
        TRect r = bounds;
        if (state == qzbsPressed) OffsetRect(&r, 1, 1);
        static constexpr UINT kKinds[4] = {DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT};
        UINT flags = kKinds[ScrollArrowDirection(horizontal, part)];
        if (state == qzbsDisabled) flags |= DFCS_INACTIVE;
        if (state == qzbsPressed) flags |= DFCS_FLAT;
        DrawFrameControl(canvas->DeviceContext(), &r, DFC_SCROLL, flags);
        frame();
    } else if (part == qzsbpThumb) {
        frame();
        Fill(canvas, Shrunk(bounds, ButtonBorderWidth(qzbsNormal)), clBtnFace);
    } else if (part == qzsbpPageBefore || part == qzsbpPageAfter) {
        PaintScrollPage(canvas, bounds, state);
    }
}

void TqzStandardLookAndFeelPainter::PaintArrowHeader(TqzCanvas* canvas, const TRect& bounds,
                                                     const TqzCustomDrawCellEvent& customDraw, Byte arrows,
                                                     Integer arrowOffset, const TqzCellStyleRecord& style,
                                                     TqzSides neighbours, const String& text) const {
    const bool left = neighbours & qzsLeft, right = neighbours & qzsRight;
    TqzSides sides = qzsAll;
    if (left && right)
        sides = qzsTop | qzsBottom;
    else if (right)
        sides = qzsLeft | qzsTop | qzsBottom;
    else if (left)
        sides = qzsTop | qzsRight | qzsBottom;
    canvas->FrameSides(bounds, clBlack, sides, 1);
    const TRect content = CalcHeaderContentBounds(bounds, sides);
    PaintHeaderCell(canvas, content, content, neighbours, qzsAll, qzbsNormal, taCenter, qzvaCenter, false,
                    false, text, style.Font, style.TextColor, style.BackColor, customDraw, false);
    PaintHeaderArrows(canvas, bounds, arrows, arrowOffset);
}

void TqzStandardLookAndFeelPainter::PaintSplitterFrame(TqzCanvas* canvas, const TRect& bounds,
                                                       bool horizontal, const TqzBrushPair& fill) const {
    TRect r = bounds;
    SplitterLines(canvas, r, horizontal, clBtnFace, cl3DDkShadow);
    SplitterLines(canvas, r, horizontal, clBtnHighlight, clBtnShadow);
    canvas->FillWithFrame(r, fill, 1, clDefault, 0);
}

// ---- Flat ------------------------------------------------------------------------------------

Byte TqzFlatLookAndFeelPainter::PainterStyleCode() const { return 0; }
Integer TqzFlatLookAndFeelPainter::ControlBorderWidth() const { return 1; }

void TqzFlatLookAndFeelPainter::PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, clBtnShadow, clBtnHighlight);
}

Integer TqzFlatLookAndFeelPainter::ButtonBorderWidth(TqzButtonState state) const {
    return state == qzbsDefault ? 2 : 1;
}

Integer TqzFlatLookAndFeelPainter::ButtonCaptionInset() const { return 1; }
Integer TqzFlatLookAndFeelPainter::ButtonCaptionPressShift() const { return 1; }

void TqzFlatLookAndFeelPainter::PaintButtonFrame(TqzCanvas* canvas, const TRect& bounds,
                                                 TqzButtonState state) const {
    if (state == qzbsPressed) {
        Ring(canvas, bounds, clBtnShadow, clBtnHighlight);
    } else if (state == qzbsDefault) {
        canvas->FrameSides(bounds, clBlack, qzsAll, 1);
        Ring(canvas, Shrunk(bounds, 1), clBtnHighlight, clBtnShadow);
    } else {
        Ring(canvas, bounds, clBtnHighlight, clBtnShadow);
    }
}

void TqzFlatLookAndFeelPainter::PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor color,
                                                      bool expanded) const {
    PaintButton(canvas, bounds, clDefault, color, true, qzbsNormal, String());
    PaintExpandSign(canvas, Shrunk(bounds, 1), clBtnText, expanded);
    canvas->ExcludeClipArea(bounds);
}

Integer TqzFlatLookAndFeelPainter::TreeExpandButtonExtent() const { return 11; }
bool TqzFlatLookAndFeelPainter::HotTracksButtons() const { return false; }

void TqzFlatLookAndFeelPainter::PaintCheckFrame(TqzCanvas* canvas, const TRect& bounds,
                                                TqzButtonState state) const {
    Ring(canvas, bounds, clBtnShadow, clBtnHighlight);
    canvas->FrameSides(Shrunk(bounds, 1), CheckBoxFillColor(state), qzsAll, 1);
}

void TqzFlatLookAndFeelPainter::PaintHeaderFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides neighbours,
                                                 TqzSides) const {
    PaintHeaderRing(canvas, bounds, neighbours);
}

void TqzFlatLookAndFeelPainter::PaintHeaderSectionFrame(TqzCanvas* canvas, const TRect& bounds,
                                                        TqzSides sides, TqzButtonState state) const {
    if (state == qzbsPressed)
        Ring(canvas, bounds, clBtnShadow, clBtnHighlight, sides);
    else
        Ring(canvas, bounds, clBtnHighlight, clBtnShadow, sides);
}

void TqzFlatLookAndFeelPainter::PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const {
    PaintSortArrowOutline(canvas, bounds, ascending, clBtnHighlight, clBtnShadow);
}

Integer TqzFlatLookAndFeelPainter::HeaderFrameWidth() const { return 1; }
Integer TqzFlatLookAndFeelPainter::HeaderSectionFrameWidth(TqzButtonState) const { return 1; }
TSize TqzFlatLookAndFeelPainter::SortArrowExtent() const { return TSize{8, 7}; }
Integer TqzFlatLookAndFeelPainter::FooterFrameWidth() const { return 1; }
Integer TqzFlatLookAndFeelPainter::FooterCellFrameWidth() const { return 1; }
Integer TqzFlatLookAndFeelPainter::FooterCellInset() const { return 1; }

void TqzFlatLookAndFeelPainter::PaintFooterFrame(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, clBtnHighlight, clBtnShadow);
}

void TqzFlatLookAndFeelPainter::PaintFooterCellFrame(TqzCanvas* canvas, const TRect& bounds) const {
    Ring(canvas, bounds, clBtnShadow, clBtnHighlight);
}

void TqzFlatLookAndFeelPainter::PaintDropDownButton(TqzCanvas* canvas, const TRect& bounds, bool active,
                                                    TqzButtonState state) const {
    PaintDropDown(this, canvas, bounds, active, state);
}

void TqzFlatLookAndFeelPainter::PaintPlusMark(TqzCanvas* canvas, const TRect& bounds,
                                              TqzButtonState state) const {
    PaintPlusMarkShifted(this, canvas, bounds, state);
}

void TqzFlatLookAndFeelPainter::PaintTabFrame(TqzCanvas* canvas, const TRect& bounds, bool vertical,
                                              TqzSides sides, Byte side) const {
    PaintTabEdge(canvas, bounds, vertical, sides, side);
}

void TqzFlatLookAndFeelPainter::PaintTabStrip(TqzCanvas* canvas, const TRect& bounds, bool,
                                              TqzSides sides) const {
    Ring(canvas, bounds, clBtnHighlight, clBtnShadow, sides);
}

Integer TqzFlatLookAndFeelPainter::TabFrameWidth(bool) const { return 1; }

void TqzFlatLookAndFeelPainter::PaintScrollBarElement(TqzCanvas* canvas, bool horizontal,
                                                      TqzButtonState state, Byte part,
                                                      const TRect& bounds) const {
    if (IsRectEmpty(&bounds) || (part == qzsbpThumb && state == qzbsDisabled)) return;
    if (state == qzbsHot) state = qzbsNormal;
    if (part >= qzsbpFirstButton && part <= qzsbpThumb) {
        PaintButton(canvas, bounds, clDefault, clDefault, true, state, String());
        if (part != qzsbpThumb)
            PaintStateArrow(canvas, Shrunk(bounds, ButtonBorderWidth(qzbsNormal)),
                            ScrollArrowDirection(horizontal, part), state);
    } else if (part == qzsbpPageBefore || part == qzsbpPageAfter) {
        PaintScrollPage(canvas, bounds, state);
    }
}

void TqzFlatLookAndFeelPainter::PaintSplitterFrame(TqzCanvas* canvas, const TRect& bounds, bool horizontal,
                                                   const TqzBrushPair& fill) const {
    TRect r = bounds;
    SplitterLines(canvas, r, horizontal, clBtnHighlight, clBtnShadow);
    canvas->FillWithFrame(r, fill, 1, clDefault, 0);
}
