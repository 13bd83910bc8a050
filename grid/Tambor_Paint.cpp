// Painting: the grid lines and cells of the nine regions (title, fixed and scrolling bands on
// both axes), merged areas painted once from their top-left cell, the focus frame with its
// copy-and-fill handle, and the empty space beyond the last cell.
#include <algorithm>
#include <vector>

#include "grid/Tambor.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"

namespace {

// One band of an axis: its pixel extent and the cells drawn in it.
struct TBand {
    Integer Start = 0;
    Integer End = 0;
    Integer First = 0;
    Integer Last = -1;
};

struct TBands {
    TBand Title;
    TBand Fixed;
    TBand Scrolling;
};

TBands BandsOf(const TTamborAxis& axis, Integer controlExtent) {
    TBands bands;
    bands.Title = TBand{0, axis.TitleExtent, 0, 0};
    bands.Fixed = TBand{axis.TitleExtent, axis.FixedBoundary, 1, axis.FixedCount};
    bands.Scrolling = TBand{axis.FixedBoundary, std::min(controlExtent, axis.GridBoundary), axis.FirstCell,
                            std::min(axis.CellCount - 1, axis.LastFullVisibleCell + 1)};
    return bands;
}

// The regions in painting order, with the band of each axis, the base state and which option
// switches their lines on.
enum TBandKind { bkTitle, bkFixed, bkScrolling };
struct TRegionDef {
    TBandKind Horz;
    TBandKind Vert;
    bool Titled;
    bool Fixed;
};
constexpr TRegionDef Regions[] = {
    {bkTitle, bkTitle, true, false},          {bkFixed, bkTitle, true, false},
    {bkTitle, bkFixed, true, false},          {bkScrolling, bkTitle, true, false},
    {bkTitle, bkScrolling, true, false},      {bkFixed, bkFixed, false, true},
    {bkScrolling, bkFixed, false, true},      {bkFixed, bkScrolling, false, true},
    {bkScrolling, bkScrolling, false, false},
};

const TBand& Pick(const TBands& bands, TBandKind kind) {
    return kind == bkTitle ? bands.Title : kind == bkFixed ? bands.Fixed : bands.Scrolling;
}

bool Intersects(const TRect& a, const TRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Puts back the clip region a DC had before a region replaced it.
class TSavedClip {
public:
    explicit TSavedClip(HDC dc) : FDC(dc), FRegion(CreateRectRgn(0, 0, 0, 0)) {
        FHad = GetClipRgn(dc, FRegion) == 1;
    }
    ~TSavedClip() {
        SelectClipRgn(FDC, FHad ? FRegion : nullptr);
        DeleteObject(FRegion);
    }
    void ClipTo(const TRect& rect) const {
        HRGN region = CreateRectRgnIndirect(&rect);
        SelectClipRgn(FDC, region);
        DeleteObject(region);
    }
    TSavedClip(const TSavedClip&) = delete;
    TSavedClip& operator=(const TSavedClip&) = delete;

private:
    HDC FDC;
    HRGN FRegion;
    bool FHad = false;
};

} // namespace

bool TCustomTambor::HasFocusWithin() const {
    if (TCustomForm* form = GetParentForm(this)) return form->GetActiveControl() == this;
    if (!HandleAllocated()) return false;
    for (HWND window = GetFocus(); window != nullptr; window = ::GetParent(window))
        if (window == FHandle) return true;
    return false;
}

bool TCustomTambor::IsWholeRange(const TGridRect& rect) const {
    for (Integer col = rect.Left; col <= rect.Right; ++col) {
        if (CellAt(col, rect.Top).Area.Top != rect.Top) return false;
        if (CellAt(col, rect.Bottom).Area.Bottom != rect.Bottom) return false;
    }
    for (Integer row = rect.Top; row <= rect.Bottom; ++row) {
        if (CellAt(rect.Left, row).Area.Left != rect.Left) return false;
        if (CellAt(rect.Right, row).Area.Right != rect.Right) return false;
    }
    return true;
}

void TCustomTambor::Paint() {
    TTamborDrawInfo info;
    CalcDrawInfo(info);
    TCanvas* canvas = GetCanvas();
    HDC dc = canvas->GetHandle();
    if (info.Horz.LineWidth > 0 || info.Vert.LineWidth > 0) PaintLines(info, dc);
    PaintCells(info);
    const bool designing = GetComponentState().Contains(csDesigning);
    if (FDefaultDrawing && !designing &&
        !(FOptions.Contains(goEditing) && FOptions.Contains(goAlwaysShowEditor)) &&
        !FOptions.Contains(goRowSelect))
        PaintFocus(info);

    const Integer width = GridClientWidth();
    const Integer height = GridClientHeight();
    canvas->GetBrush()->SetColor(GetColor());
    if (info.Horz.GridBoundary < width)
        canvas->FillRect(TRect{info.Horz.GridBoundary, 0, width, info.Vert.GridBoundary});
    if (info.Vert.GridBoundary < height) canvas->FillRect(TRect{0, info.Vert.GridBoundary, width, height});
}

// ---- Lines ------------------------------------------------------------------------------------

void TCustomTambor::PaintLines(const TTamborDrawInfo& info, HDC dc) {
    const TBands cols = BandsOf(info.Horz, GridClientWidth());
    const TBands rows = BandsOf(info.Vert, GridClientHeight());

    // One axis of one region: lines after each shown cell, cut where a multi-cell area
    // straddles them (beyond the titles), drawn in one call.
    auto axisLines = [&](bool vertical, const TBand& along, const TBand& across, bool on, TColor onColor,
                         TColor offColor, bool titled) {
        const TTamborAxis& axis = vertical ? info.Horz : info.Vert;
        const TTamborAxis& other = vertical ? info.Vert : info.Horz;
        const Integer lineWidth = axis.LineWidth;
        if (lineWidth == 0) return;
        std::vector<POINT> points;
        std::vector<DWORD> counts;
        auto segment = [&](Integer pos, Integer from, Integer to) {
            if (from >= to) return;
            if (vertical) {
                points.push_back(POINT{pos, from});
                points.push_back(POINT{pos, to});
            } else {
                points.push_back(POINT{from, pos});
                points.push_back(POINT{to, pos});
            }
            counts.push_back(2);
        };
        for (Integer i = along.First; i <= along.Last; ++i) {
            const Integer size = CellExtent(axis.Horizontal, i);
            if (size < 0) continue;
            const Integer pos = CellStart(axis, i) + size + lineWidth / 2;
            if (pos > along.End + lineWidth) break;
            if (pos < along.Start) continue;
            if (titled || i == 0 || across.First == 0) {
                segment(pos, across.Start, across.End);
                continue;
            }
            // Gaps where an area holding a cell of this line's column (row) reaches past it.
            Integer from = across.Start;
            for (Integer j = across.First; j <= across.Last; ++j) {
                const TGridRect& area = vertical ? CellAt(i, j).Area : CellAt(j, i).Area;
                const bool straddles = vertical ? area.Right > i : area.Bottom > i;
                if (!straddles) continue;
                const Integer lo = vertical ? area.Top : area.Left;
                const Integer hi = vertical ? area.Bottom : area.Right;
                const Integer gapStart = CellStart(other, lo);
                const Integer gapEnd = CellStart(other, hi) + CellExtent(other.Horizontal, hi);
                segment(pos, from, std::min(gapStart, across.End));
                from = std::max(from, gapEnd);
                j = hi;
            }
            segment(pos, from, across.End);
        }
        if (counts.empty()) return;
        const TColor color = ColorToRGB(on ? onColor : offColor);
        HPEN pen;
        if (FGridLineWidth > 1) {
            LOGBRUSH brush{BS_SOLID, COLORREF(color), 0};
            pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER,
                               DWORD(FGridLineWidth), &brush, 0, nullptr);
        } else {
            pen = CreatePen(PS_SOLID, FGridLineWidth, COLORREF(color));
        }
        HGDIOBJ old = SelectObject(dc, pen);
        const int oldRop = SetROP2(dc, R2_COPYPEN);
        PolyPolyline(dc, points.data(), counts.data(), DWORD(counts.size()));
        SetROP2(dc, oldRop);
        SelectObject(dc, old);
        DeleteObject(pen);
    };

    for (const TRegionDef& def : Regions) {
        const TBand& h = Pick(cols, def.Horz);
        const TBand& v = Pick(rows, def.Vert);
        if (h.End <= h.Start || v.End <= v.Start) continue;
        bool vertOn = true;
        bool horzOn = true;
        TColor onColor = clBlack;
        TColor offColor = clBlack;
        if (!def.Titled) {
            const bool fixed = def.Fixed;
            vertOn = FOptions.Contains(fixed ? goFixedVertLine : goVertLine);
            horzOn = FOptions.Contains(fixed ? goFixedHorzLine : goHorzLine);
            onColor = fixed ? FFixedLineColor : FClientLineColor;
            offColor = GetColor();
        }
        if (horzOn) {
            axisLines(true, h, v, vertOn, onColor, offColor, def.Titled);
            axisLines(false, v, h, horzOn, onColor, offColor, def.Titled);
        } else {
            axisLines(false, v, h, horzOn, onColor, offColor, def.Titled);
            axisLines(true, h, v, vertOn, onColor, offColor, def.Titled);
        }
    }
}

// ---- Cells ------------------------------------------------------------------------------------

void TCustomTambor::PaintCells(const TTamborDrawInfo& info) {
    TCanvas* canvas = GetCanvas();
    HDC dc = canvas->GetHandle();
    const TBands cols = BandsOf(info.Horz, GridClientWidth());
    const TBands rows = BandsOf(info.Vert, GridClientHeight());
    const bool designing = GetComponentState().Contains(csDesigning);
    const bool focused = HasFocusWithin();
    const Integer lw = info.Horz.LineWidth;
    const Integer lh = info.Vert.LineWidth;

    for (const TRegionDef& def : Regions) {
        const TBand& h = Pick(cols, def.Horz);
        const TBand& v = Pick(rows, def.Vert);
        if (h.End <= h.Start || v.End <= v.Start || h.First > h.Last || v.First > v.Last) continue;
        const TRect region{h.Start, v.Start, h.End, v.End};
        TSavedClip clip(dc);
        clip.ClipTo(region);

        // A scrolling band starts at the leftmost (topmost) area reaching into its first cell.
        Integer firstCol = h.First;
        Integer x = h.Start - (def.Horz == bkScrolling ? info.Horz.Offset : 0);
        Integer firstRow = v.First;
        Integer y = v.Start;
        if (def.Horz == bkScrolling) {
            Integer left = CellAt(h.First, std::max(v.First, 1)).Area.Left;
            for (Integer row = 1; row <= rows.Scrolling.Last; ++row)
                left = std::min(left, CellAt(h.First, row).Area.Left);
            for (Integer col = std::max(left, 1); col < h.First; ++col)
                x -= CellExtent(true, col) + lw;
            firstCol = std::max(left, 1);
        }
        if (def.Vert == bkScrolling) {
            Integer top = CellAt(std::max(h.First, 1), v.First).Area.Top;
            for (Integer col = 1; col <= cols.Scrolling.Last; ++col)
                top = std::min(top, CellAt(col, v.First).Area.Top);
            for (Integer row = std::max(top, 1); row < v.First; ++row)
                y -= CellExtent(false, row) + lh;
            firstRow = std::max(top, 1);
        }

        TTamborDrawState base;
        if (def.Titled) base.Include(gdTitled);
        if (def.Fixed) base.Include(gdFixed);
        for (Integer row = firstRow; row <= v.Last && y < region.bottom; ++row) {
            Integer cx = x;
            for (Integer col = firstCol; col <= h.Last && cx < region.right; ++col) {
                const Integer cellX = cx;
                cx += CellExtent(true, col) + lw;
                const TCellInfo& cell = CellAt(col, row);
                const TGridRect& area = cell.Area;
                if (area.Left != col || area.Top != row) continue;
                Integer w = -lw;
                for (Integer c = col; c <= area.Right && c < FColCount; ++c)
                    w += CellExtent(true, c) + lw;
                Integer hgt = -lh;
                for (Integer r = row; r <= area.Bottom && r < FRowCount; ++r)
                    hgt += CellExtent(false, r) + lh;
                const TRect rect{cellX, y, cellX + w, y + hgt};
                if (w <= 0 || hgt <= 0 || !Intersects(rect, region)) continue;

                TTamborDrawState state = base;
                const bool current = col == FCurrent.X && row == FCurrent.Y;
                if (focused && current) state.Include(gdFocused);
                if (area.Left <= FSelection.Right && area.Right >= FSelection.Left &&
                    area.Top <= FSelection.Bottom && area.Bottom >= FSelection.Top)
                    state.Include(gdSelected);
                // The in-place editor covers the focused cell while it is shown; in editor mode
                // without it (a read-only cell) the cell is painted as any other.
                if (state.Contains(gdFocused) && InplaceEditorShown() && !designing) continue;

                if (FDefaultDrawing || designing) {
                    const bool selected = state.Contains(gdSelected);
                    TColor back;
                    if (selected &&
                        (FOptions.Contains(goDrawFocusSelected) || FOptions.Contains(goRowSelect))) {
                        back = FHighLightColor;
                        canvas->GetFont()->SetColor(FHighLightTextColor);
                    } else if (row == 0 || col == 0) {
                        back = FTitleColor;
                    } else if (!selected || current) {
                        back = cell.Color;
                    } else {
                        back = FHighLightColor;
                    }
                    canvas->GetBrush()->SetColor(back);
                    canvas->FillRect(rect);
                }
                PaintCell(col, row, rect, region, state);
                if (FDefaultDrawing && state.Contains(gdTitled) && GetCtl3D()) {
                    TRect edge = rect;
                    DrawEdge(canvas->GetHandle(), &edge, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
                    edge = rect;
                    DrawEdge(canvas->GetHandle(), &edge, BDR_RAISEDINNER, BF_TOPLEFT);
                }
            }
            y += CellExtent(false, row) + lh;
        }
    }
}

void TCustomTambor::PaintCell(Integer col, Integer row, TRect rect, const TRect& clipRect,
                              TTamborDrawState state) {
    TCanvas* canvas = GetCanvas();
    const TCellInfo& cell = CellAt(col, row);
    const bool designing = GetComponentState().Contains(csDesigning);

    if (cell.TopLine || cell.LeftLine || cell.BottomLine || cell.RightLine) {
        TPen* pen = canvas->GetPen();
        pen->SetColor(clBlack);
        pen->SetWidth(cell.LineWidth);
        pen->SetStyle(cell.PenStyle);
        pen->SetMode(pmCopy);
        const Integer half = cell.LineWidth / 2;
        const Integer x1 = rect.left + half - 1;
        const Integer y1 = rect.top + half - 1;
        const Integer x2 = rect.right - half;
        const Integer y2 = rect.bottom - half;
        auto line = [&](Integer ax, Integer ay, Integer bx, Integer by) {
            canvas->MoveTo(ax, ay);
            canvas->LineTo(bx, by);
        };
        if (cell.TopLine) line(x1, y1, x2, y1);
        if (cell.LeftLine) line(x1, y1, x1, y2);
        if (cell.BottomLine) line(x1, y2, x2, y2);
        if (cell.RightLine) line(x2, y1, x2, y2);
        pen->SetWidth(1);
        pen->SetStyle(psSolid);
    }

    TFont* font = canvas->GetFont();
    if ((row == 0 && col >= 1) || (col == 0 && row >= 1)) {
        // Column letters and row numbers; those of the selected columns and rows stand out.
        canvas->GetBrush()->SetStyle(bsClear);
        font->SetName("MS Sans Serif");
        font->SetSize(9);
        font->SetColor(clBlack);
        font->SetStyle(TFontStyles());
        const bool inSelection = row == 0 ? col >= FSelection.Left && col <= FSelection.Right
                                          : row >= FSelection.Top && row <= FSelection.Bottom;
        if (inSelection && !designing) {
            font->SetStyle(TFontStyles{fsBold});
            font->SetColor(FFocusedTitleColor);
        }
        TRect textRect = rect;
        canvas->TextRect(textRect, row == 0 ? ColumnLetters(col - 1) : IntToStr(row),
                         TTextFormat{tfSingleLine, tfCenter, tfVerticalCenter, tfNoPrefix});
        OnDrawCell(this, col, row, rect, state);
        return;
    }

    TRect inner{rect.left + 4, rect.top + 4, rect.right - 4, rect.bottom - 4};
    HDC dc = canvas->GetHandle();
    IntersectClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
    const String& text = cell.ShowForeText ? cell.ForeText : cell.BackText;
    if (!text.empty()) {
        font->SetName(cell.FontName);
        font->SetSize(cell.FontSize);
        const bool highlighted = state.Contains(gdSelected) &&
                                 (FOptions.Contains(goRowSelect) || col != FCurrent.X || row != FCurrent.Y);
        font->SetColor(highlighted ? FHighLightTextColor : cell.FontColor);
        font->SetStyle(cell.FontStyle);
        canvas->GetBrush()->SetStyle(bsClear);

        TTextFormat format{tfNoPrefix};
        if (cell.AutoWordBreak) format.Include(tfWordBreak);
        TRect measured{0, 0, inner.right - inner.left, inner.bottom - inner.top};
        String measuredText = text;
        canvas->TextRect(measured, measuredText, format + TTextFormat{tfCalcRect});
        const Integer textHeight = measured.bottom - measured.top;
        switch (cell.AlignMode) {
        case TAlignMode::taTop:
        case TAlignMode::taCenter:
        case TAlignMode::taBottom:
            format.Include(tfCenter);
            break;
        case TAlignMode::taTopRight:
        case TAlignMode::taRight:
        case TAlignMode::taBottomRight:
            format.Include(tfRight);
            break;
        default:
            break;
        }
        switch (cell.AlignMode) {
        case TAlignMode::taLeft:
        case TAlignMode::taCenter:
        case TAlignMode::taRight:
            inner.top += (inner.bottom - inner.top - textHeight) / 2;
            break;
        case TAlignMode::taBottomLeft:
        case TAlignMode::taBottom:
        case TAlignMode::taBottomRight:
            inner.top = inner.bottom - textHeight;
            break;
        default:
            break;
        }
        TRect textRect = inner;
        canvas->TextRect(textRect, text, format);
    }
    HRGN region = CreateRectRgnIndirect(&clipRect);
    SelectClipRgn(canvas->GetHandle(), region);
    DeleteObject(region);
    OnDrawCell(this, col, row, inner, state);
}

// ---- Focus frame ------------------------------------------------------------------------------

void TCustomTambor::PaintFocus(const TTamborDrawInfo& info) {
    TCanvas* canvas = GetCanvas();
    HDC dc = canvas->GetHandle();
    TSavedClip clip(dc);
    clip.ClipTo(TRect{info.Horz.FixedBoundary, info.Vert.FixedBoundary, info.Horz.GridBoundary,
                      info.Vert.GridBoundary});
    const bool whole = IsWholeRange(FSelection);
    auto isEmpty = [](const RECT& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; };
    TPen* pen = canvas->GetPen();
    pen->SetStyle(psSolid);
    pen->SetMode(pmCopy);
    auto line = [&](Integer ax, Integer ay, Integer bx, Integer by) {
        canvas->MoveTo(ax, ay);
        canvas->LineTo(bx, by);
    };

    if ((HasFocusWithin() || FAlwaysDrawFocus) && (FGridCanCopyMove || FGridCanFill)) {
        if (whole) {
            const RECT r = CellRangeRect(FSelection, true);
            if (isEmpty(r)) return;
            const Integer L = r.left, T = r.top, R = r.right, B = r.bottom;
            pen->SetColor(clBlack);
            pen->SetWidth(3);
            line(L, T, R - 3, T);
            line(L, T, L, B - 3);
            if (L < R - 6) line(L, B - 2, R - 7, B - 2);
            if (T < B - 6) line(R - 2, T, R - 2, B - 6);
            canvas->GetBrush()->SetColor(clBlack);
            canvas->Rectangle(R - 3, B - 3, R, B);
            pen->SetColor(clWhite);
            pen->SetWidth(1);
            line(L + 2, T + 2, R - 4, T + 2);
            line(L + 2, T + 2, L + 2, B - 4);
            line(L + 2, B - 4, R + 1, B - 4);
            line(R - 4, T + 2, R - 4, B + 1);
        } else {
            RECT r = CellRangeRect(CellAt(FCurrent.X, FCurrent.Y).Area, true);
            if (isEmpty(r)) return;
            r.right -= 2;
            r.bottom -= 2;
            pen->SetColor(clBlack);
            pen->SetWidth(1);
            const TPoint frame[] = {
                {r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}, {r.left, r.top}};
            canvas->Polyline(frame, 5);
        }
        pen->SetWidth(1);
        pen->SetColor(clBlack);
        return;
    }
    if (whole) {
        RECT r = CellRangeRect(FSelection, true);
        if (isEmpty(r)) return;
        r.right -= 1;
        r.bottom -= 1;
        canvas->DrawFocusRect(r);
    }
}
