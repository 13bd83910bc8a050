// Counts and their limits, column widths and row heights, the pixel layout of both axes,
// cells at points, scrolling and scroll bars, and the sizing hit test.
#include <algorithm>

#include "grid/Tambor.h"

namespace {

constexpr Integer MaxColCount = 256;
// Beyond this a size table would not be addressable by the window system's 32-bit offsets.
constexpr Integer MaxSizeTableEntries = 134217725;
// The scroll bars of whole cells run from 0 to this.
constexpr Integer ScrollRange = 127;

// Scroll-bar request codes of the window system.
constexpr Integer sbLineUp = 0;
constexpr Integer sbLineDown = 1;
constexpr Integer sbPageUp = 2;
constexpr Integer sbPageDown = 3;
constexpr Integer sbThumbPosition = 4;
constexpr Integer sbThumbTrack = 5;
constexpr Integer sbTop = 6;
constexpr Integer sbBottom = 7;

[[noreturn]] void RaiseGridIndex() { throw EInvalidGridOperation("Grid index out of range"); }

void ResizeTable(std::vector<Integer>& table, Integer count, Integer fill) {
    if (!table.empty()) table.resize(std::size_t(count), fill);
}

} // namespace

// ---- Counts -----------------------------------------------------------------------------------

void TCustomTambor::SetColCount(Integer value) {
    // Limits first, so that the merged-cell check looks at the columns really dropped.
    if (value > MaxColCount) {
        if (GetComponentState().Contains(csDesigning)) GridErrorBox("");
        value = MaxColCount;
    }
    if (value < 2) value = 2;
    if (value == FColCount) return;
    if (value < FColCount)
        for (Integer col = value; col < FColCount; ++col)
            for (Integer row = 1; row < FRowCount; ++row)
                if (IsMergedCell(col, row)) return;
    ChangeSize(value, FRowCount);
}

void TCustomTambor::SetRowCount(Integer value) {
    if (value < 2) value = 2;
    if (value == FRowCount) return;
    if (value > MaxSizeTableEntries) throw EInvalidGridOperation("Grid too large for operation");
    if (value < FRowCount)
        for (Integer row = value; row < FRowCount; ++row)
            for (Integer col = 1; col < FColCount; ++col)
                if (IsMergedCell(col, row)) return;
    ChangeSize(FColCount, value);
}

void TCustomTambor::ChangeSize(Integer newColCount, Integer newRowCount) {
    const Integer oldColCount = FColCount;
    const Integer oldRowCount = FRowCount;
    const Integer oldFixedCols = FFixedCols;
    const Integer oldFixedRows = FFixedRows;
    try {
        StoreSetColCount(newColCount);
        StoreSetRowCount(newRowCount);
        FColCount = newColCount;
        FRowCount = newRowCount;
        if (FFixedCols >= FColCount - 1) FFixedCols = FColCount - 2;
        if (FFixedRows >= FRowCount - 1) FFixedRows = FRowCount - 2;
        ResizeTable(FColWidths, FColCount, FDefaultColWidth);
        ResizeTable(FRowHeights, FRowCount, FDefaultRowHeight);

        if (FColCount < oldColCount)
            FFirstVisibleCol = std::min(FFirstVisibleCol, MaxFirstCell(CalcAxis(true)));
        if (FRowCount < oldRowCount)
            FFirstVisibleRow = std::min(FFirstVisibleRow, MaxFirstCell(CalcAxis(false)));
        FFirstVisibleCol = std::clamp(FFirstVisibleCol, FFixedCols + 1, FColCount - 1);
        FFirstVisibleRow = std::clamp(FFirstVisibleRow, FFixedRows + 1, FRowCount - 1);
        if (FColCount != 2) FHorzOffset = 0;

        FCurrent.X = std::min(FCurrent.X, FColCount - 1);
        FCurrent.Y = std::min(FCurrent.Y, FRowCount - 1);
        FAnchor = FCurrent;
        FSelection = TGridRect{FCurrent.X, FCurrent.Y, FCurrent.X, FCurrent.Y};
        if (FOptions.Contains(goRowSelect)) SpanSelectionOverRow();

        InvalidateAll();
        UpdateScrollRange();
        SizeChanged(oldColCount, oldRowCount);
    } catch (...) {
        FColCount = oldColCount;
        FRowCount = oldRowCount;
        FFixedCols = oldFixedCols;
        FFixedRows = oldFixedRows;
        StoreSetColCount(oldColCount);
        StoreSetRowCount(oldRowCount);
        ResizeTable(FColWidths, FColCount, FDefaultColWidth);
        ResizeTable(FRowHeights, FRowCount, FDefaultRowHeight);
        FFirstVisibleCol = std::clamp(FFirstVisibleCol, FFixedCols + 1, FColCount - 1);
        FFirstVisibleRow = std::clamp(FFirstVisibleRow, FFixedRows + 1, FRowCount - 1);
        FCurrent.X = std::min(FCurrent.X, FColCount - 1);
        FCurrent.Y = std::min(FCurrent.Y, FRowCount - 1);
        throw;
    }
}

void TCustomTambor::ResetCurrentToFirst() {
    FCurrent = TGridCoord{FFixedCols + 1, FFixedRows + 1};
    FAnchor = FCurrent;
    FSelection = TGridRect{FCurrent.X, FCurrent.Y, FCurrent.X, FCurrent.Y};
    if (FOptions.Contains(goRowSelect)) SpanSelectionOverRow();
}

void TCustomTambor::SpanSelectionOverRow() {
    FAnchor.X = FColCount - 1;
    FSelection.Left = FFixedCols + 1;
    FSelection.Right = FColCount - 1;
}

void TCustomTambor::SetFixedCols(Integer value) {
    if (value < 0) RaiseGridIndex();
    if (value == FFixedCols || value >= FColCount - 1) return;
    FFixedCols = value;
    ResetCurrentToFirst();
    FFirstVisibleCol = FFixedCols + 1;
    FHorzOffset = 0;
    InvalidateAll();
    UpdateScrollRange();
}

void TCustomTambor::SetFixedRows(Integer value) {
    if (value < 0) RaiseGridIndex();
    if (value == FFixedRows || value >= FRowCount - 1) return;
    FFixedRows = value;
    ResetCurrentToFirst();
    FFirstVisibleRow = FFixedRows + 1;
    InvalidateAll();
    UpdateScrollRange();
}

// ---- Sizes ------------------------------------------------------------------------------------

Integer TCustomTambor::ColumnWidthAt(Integer col) const {
    if (FColWidths.empty() || col < 0 || col >= Integer(FColWidths.size())) return FDefaultColWidth;
    return FColWidths[std::size_t(col)];
}

Integer TCustomTambor::RowHeightAt(Integer row) const {
    if (FRowHeights.empty() || row < 0 || row >= Integer(FRowHeights.size())) return FDefaultRowHeight;
    return FRowHeights[std::size_t(row)];
}

void TCustomTambor::SetColumnWidthAt(Integer col, Integer width) {
    if (col < 0 || col >= FColCount) RaiseGridIndex();
    if (FColWidths.empty()) FColWidths.assign(std::size_t(FColCount), FDefaultColWidth);
    Integer& entry = FColWidths[std::size_t(col)];
    if (entry == width) return;
    // Repaint from where the column (or a multi-cell area reaching into it) starts, before the
    // layout changes.
    Integer first = col;
    for (Integer row = 0; row < FRowCount; ++row)
        first = std::min(first, CellAt(col, row).Area.Left);
    const TTamborAxis axis = CalcAxis(true);
    const Integer left = std::clamp(CellStart(axis, std::max(first, 0)), 0, axis.ClientExtent);
    entry = width;
    InvalidatePixels(RECT{left, 0, GridClientWidth(), GridClientHeight()}, false);
    if (FAutoUpdate) UpdateNow();
    ColWidthsChanged();
}

void TCustomTambor::SetRowHeightAt(Integer row, Integer height) {
    if (row < 0 || row >= FRowCount) RaiseGridIndex();
    if (FRowHeights.empty()) FRowHeights.assign(std::size_t(FRowCount), FDefaultRowHeight);
    Integer& entry = FRowHeights[std::size_t(row)];
    if (entry == height) return;
    Integer first = row;
    for (Integer col = 0; col < FColCount; ++col)
        first = std::min(first, CellAt(col, row).Area.Top);
    const TTamborAxis axis = CalcAxis(false);
    const Integer top = std::clamp(CellStart(axis, std::max(first, 0)), 0, axis.ClientExtent);
    entry = height;
    InvalidatePixels(RECT{0, top, GridClientWidth(), GridClientHeight()}, false);
    if (FAutoUpdate) UpdateNow();
    RowHeightsChanged();
}

void TCustomTambor::SetDefaultColWidth(Integer value) {
    ResizeTable(FColWidths, FColCount, value);
    FDefaultColWidth = value;
    ColWidthsChanged();
    InvalidateAll();
}

void TCustomTambor::SetDefaultRowHeight(Integer value) {
    ResizeTable(FRowHeights, FRowCount, value);
    FDefaultRowHeight = value;
    RowHeightsChanged();
    InvalidateAll();
}

void TCustomTambor::ColWidthsChanged() {
    UpdateScrollRange();
    PlaceEditor();
}

void TCustomTambor::RowHeightsChanged() {
    UpdateScrollRange();
    PlaceEditor();
}

// ---- Axis layout ------------------------------------------------------------------------------

Integer TCustomTambor::CellExtent(bool horizontal, Integer index) const {
    return horizontal ? ColumnWidthAt(index) : RowHeightAt(index);
}

TTamborAxis TCustomTambor::CalcAxis(bool horizontal) const {
    TTamborAxis axis;
    axis.Horizontal = horizontal;
    const bool lines = horizontal ? FOptions.Contains(goFixedVertLine) || FOptions.Contains(goVertLine)
                                  : FOptions.Contains(goFixedHorzLine) || FOptions.Contains(goHorzLine);
    const Integer lineWidth = lines ? FGridLineWidth : 0;
    axis.LineWidth = lineWidth;
    axis.ClientExtent = horizontal ? GridClientWidth() : GridClientHeight();
    axis.FixedCount = horizontal ? FFixedCols : FFixedRows;
    axis.FirstCell = horizontal ? FFirstVisibleCol : FFirstVisibleRow;
    axis.CellCount = horizontal ? FColCount : FRowCount;
    axis.Offset = horizontal ? FHorzOffset : 0;
    // Column 0 holds the row titles, row 0 the column titles.
    const bool titleShown = horizontal ? FShowRowTitle : FShowColTitle;
    axis.TitleExtent = titleShown ? CellExtent(horizontal, 0) + lineWidth : 0;
    Integer boundary = axis.TitleExtent;
    for (Integer i = 1; i <= axis.FixedCount; ++i)
        boundary += CellExtent(horizontal, i) + lineWidth;
    axis.FixedBoundary = boundary;

    Integer pos = boundary;
    Integer i = axis.FirstCell;
    axis.LastFullVisibleCell = axis.FirstCell - 1;
    for (; i < axis.CellCount; ++i) {
        const Integer end = pos + CellExtent(horizontal, i) + lineWidth;
        if (end > axis.ClientExtent + lineWidth) break;
        pos = end;
        axis.LastFullVisibleCell = i;
    }
    axis.GridBoundary = i < axis.CellCount ? axis.ClientExtent : pos;
    return axis;
}

void TCustomTambor::CalcDrawInfo(TTamborDrawInfo& info) const {
    info.Horz = CalcAxis(true);
    info.Vert = CalcAxis(false);
}

Integer TCustomTambor::CellStart(const TTamborAxis& axis, Integer index) const {
    const Integer lineWidth = axis.LineWidth;
    if (index <= 0) return 0;
    if (index <= axis.FixedCount) {
        Integer pos = axis.TitleExtent;
        for (Integer i = 1; i < index; ++i)
            pos += CellExtent(axis.Horizontal, i) + lineWidth;
        return pos;
    }
    Integer pos = axis.FixedBoundary - axis.Offset;
    if (index >= axis.FirstCell) {
        for (Integer i = axis.FirstCell; i < index; ++i)
            pos += CellExtent(axis.Horizontal, i) + lineWidth;
    } else {
        for (Integer i = index; i < axis.FirstCell; ++i)
            pos -= CellExtent(axis.Horizontal, i) + lineWidth;
    }
    return pos;
}

bool TCustomTambor::CellShown(const TTamborAxis& axis, Integer index) const {
    if (index < 0 || index >= axis.CellCount) return false;
    const Integer extent = CellExtent(axis.Horizontal, index);
    if (extent < 0) return false;
    if (index == 0) return axis.TitleExtent > 0;
    if (index <= axis.FixedCount) return true;
    if (index < axis.FirstCell) return false;
    const Integer start = CellStart(axis, index);
    if (start >= axis.ClientExtent) return false;
    // A column scrolled by pixels shows while any of it lies right of the fixed boundary.
    return axis.Offset == 0 || start + extent > axis.FixedBoundary;
}

Integer TCustomTambor::CellIndexAt(const TTamborAxis& axis, Integer pos) const {
    const Integer lineWidth = axis.LineWidth;
    if (pos < axis.TitleExtent) return 0;
    if (pos < axis.FixedBoundary) {
        Integer start = axis.TitleExtent;
        for (Integer i = 1; i <= axis.FixedCount; ++i) {
            const Integer end = start + CellExtent(axis.Horizontal, i) + lineWidth;
            if (pos >= start && pos < end) return i;
            start = end;
        }
        return axis.FixedCount;
    }
    Integer start = axis.FixedBoundary - axis.Offset;
    for (Integer i = axis.FirstCell; i < axis.CellCount; ++i) {
        const Integer end = start + CellExtent(axis.Horizontal, i) + lineWidth;
        if (pos >= start && pos < end) return i;
        start = end;
    }
    return axis.CellCount - 1;
}

Integer TCustomTambor::MaxFirstCell(const TTamborAxis& axis) const {
    // The first cell when the last one shows as the last of the view.
    return FirstShowingAsLast(axis, axis.CellCount - 1);
}

// ---- Cells and pixels -------------------------------------------------------------------------

RECT TCustomTambor::CellRect(Integer col, Integer row) const {
    return CellRangeRect(TGridRect{col, row, col, row}, false);
}

RECT TCustomTambor::CellRangeRect(const TGridRect& rect, bool includeLines) const {
    if (rect.Left > rect.Right || rect.Top > rect.Bottom) return RECT{};
    TTamborDrawInfo info;
    CalcDrawInfo(info);
    // On each axis: from the first shown cell of the range to the end of its last shown one.
    auto span = [&](const TTamborAxis& axis, Integer from, Integer to, LONG& start, LONG& end) {
        from = std::max(from, 0);
        to = std::min(to, axis.CellCount - 1);
        Integer first = -1;
        Integer last = -1;
        for (Integer i = from; i <= to; ++i) {
            if (!CellShown(axis, i)) {
                if (first >= 0 && i > axis.FixedCount && i >= axis.FirstCell &&
                    CellStart(axis, i) >= axis.ClientExtent)
                    break;
                continue;
            }
            if (first < 0) first = i;
            last = i;
        }
        if (first < 0) return false;
        start = CellStart(axis, first);
        end = CellStart(axis, last) + CellExtent(axis.Horizontal, last) + (includeLines ? axis.LineWidth : 0);
        return true;
    };
    RECT result;
    if (!span(info.Horz, rect.Left, rect.Right, result.left, result.right) ||
        !span(info.Vert, rect.Top, rect.Bottom, result.top, result.bottom))
        return RECT{};
    return result;
}

TGridCoord TCustomTambor::CellAtPoint(Integer x, Integer y) const {
    TTamborDrawInfo info;
    CalcDrawInfo(info);
    return TGridCoord{CellIndexAt(info.Horz, x), CellIndexAt(info.Vert, y)};
}

Integer TCustomTambor::GetVisibleColCount() const {
    const TTamborAxis axis = CalcAxis(true);
    return axis.LastFullVisibleCell - axis.FirstCell + 1;
}

Integer TCustomTambor::GetVisibleRowCount() const {
    const TTamborAxis axis = CalcAxis(false);
    return axis.LastFullVisibleCell - axis.FirstCell + 1;
}

// ---- Scrolling --------------------------------------------------------------------------------

void TCustomTambor::SetTopLeft(Integer col, Integer row) {
    col = std::clamp(col, FFixedCols + 1, FColCount - 1);
    row = std::clamp(row, FFixedRows + 1, FRowCount - 1);
    if (col == FFirstVisibleCol && row == FFirstVisibleRow) return;
    MoveTopLeft(col, row);
    if (FAutoUpdate) UpdateNow();
}

void TCustomTambor::MoveTopLeft(Integer col, Integer row) {
    TTamborDrawInfo before;
    CalcDrawInfo(before);
    // Pixels between the old and the new first scrolling cell on one axis.
    auto distance = [&](const TTamborAxis& axis, Integer from, Integer to) {
        Integer pixels = 0;
        for (Integer i = std::min(from, to); i < std::max(from, to); ++i)
            pixels += CellExtent(axis.Horizontal, i) + axis.LineWidth;
        return to >= from ? pixels : -pixels;
    };
    const Integer dx = distance(before.Horz, FFirstVisibleCol, col);
    const Integer dy = distance(before.Vert, FFirstVisibleRow, row);
    FFirstVisibleCol = col;
    FFirstVisibleRow = row;
    UpdateScrollPos();

    const Integer width = GridClientWidth();
    const Integer height = GridClientHeight();
    const Integer areaWidth = width - before.Horz.FixedBoundary;
    const Integer areaHeight = height - before.Vert.FixedBoundary;
    if (std::abs(dx) < areaWidth && std::abs(dy) < areaHeight) {
        // The title and fixed rows move along horizontally, the fixed columns vertically.
        if (dx != 0) ScrollPixels(-dx, 0, RECT{before.Horz.FixedBoundary, 0, width, height});
        if (dy != 0) ScrollPixels(0, -dy, RECT{0, before.Vert.FixedBoundary, width, height});
    } else {
        InvalidateAll();
    }
    TopLeftChanged();
}

void TCustomTambor::TopLeftChanged() {
    // The editor follows its cell without being widened to the cell's area.
    if (FEditorMode && FInplaceEdit != nullptr) FInplaceEdit->ShowAt(CellRect(FCurrent.X, FCurrent.Y), false);
    OnTopLeftChanged(this);
}

void TCustomTambor::ScrollIntoView(Integer col, Integer row) {
    TTamborDrawInfo info;
    CalcDrawInfo(info);
    auto intoView = [&](const TTamborAxis& axis, Integer index) {
        const Integer firstScrolling = axis.FixedCount + 1;
        if (index >= axis.FirstCell && index <= axis.LastFullVisibleCell) return axis.FirstCell;
        if (index < axis.FirstCell) return std::max(index, firstScrolling);
        // The largest first cell that still shows `index` completely.
        const Integer available = axis.ClientExtent + axis.LineWidth - axis.FixedBoundary;
        Integer first = std::min(index, axis.CellCount - 1);
        Integer used = CellExtent(axis.Horizontal, first) + axis.LineWidth;
        while (first - 1 >= firstScrolling) {
            const Integer extent = CellExtent(axis.Horizontal, first - 1) + axis.LineWidth;
            if (used + extent > available) break;
            used += extent;
            --first;
        }
        return std::max(first, firstScrolling);
    };
    SetTopLeft(intoView(info.Horz, col), intoView(info.Vert, row));
}

Integer TCustomTambor::ScrollBarRangeMax(bool horizontal) const {
    const TTamborAxis axis = CalcAxis(horizontal);
    if (horizontal && FColCount == 2)
        return std::max(ColumnWidthAt(1) - (axis.ClientExtent - axis.FixedBoundary), 0);
    return MaxFirstCell(axis) > axis.FixedCount + 1 ? ScrollRange : 0;
}

Integer TCustomTambor::ScrollBarPosition(bool horizontal) const {
    const TTamborAxis axis = CalcAxis(horizontal);
    if (horizontal && FColCount == 2) return FHorzOffset;
    const Integer firstScrolling = axis.FixedCount + 1;
    const Integer span = MaxFirstCell(axis) - firstScrolling;
    // Nothing to scroll: the thumb stays at the start instead of dividing by zero.
    if (span <= 0) return 0;
    return std::clamp((axis.FirstCell - firstScrolling) * ScrollRange / span, 0, ScrollRange);
}

void TCustomTambor::UpdateScrollRange() {
    if (FColCount == 2) {
        const Integer limit = ScrollBarRangeMax(true);
        if (FHorzOffset > limit) {
            FHorzOffset = limit;
            InvalidateAll();
        }
    }
    const Integer oldWidth = GridClientWidth();
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        SetScrollBar(false, ScrollBarRangeMax(false), ScrollBarPosition(false));
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) {
        SetScrollBar(true, ScrollBarRangeMax(true), ScrollBarPosition(true));
        // Showing or hiding the vertical bar changes the client width.
        if (GridClientWidth() != oldWidth)
            SetScrollBar(true, ScrollBarRangeMax(true), ScrollBarPosition(true));
    }
}

void TCustomTambor::UpdateScrollPos() {
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        SetScrollBar(false, ScrollBarRangeMax(false), ScrollBarPosition(false));
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        SetScrollBar(true, ScrollBarRangeMax(true), ScrollBarPosition(true));
}

void TCustomTambor::ScrollBarCommand(bool horizontal, Integer code, Integer position) {
    PrepareScrollCommand();
    if (horizontal && FColCount == 2) {
        ScrollPixelMode(code, position);
        return;
    }
    const TTamborAxis axis = CalcAxis(horizontal);
    const Integer firstScrolling = axis.FixedCount + 1;
    const Integer maxFirst = MaxFirstCell(axis);
    const Integer page = std::max(axis.LastFullVisibleCell - axis.FirstCell + 1, 1);
    Integer first = axis.FirstCell;
    Integer step = 0; // the direction hidden cells are stepped over in
    switch (code) {
    case sbLineUp:
        first -= 1, step = -1;
        break;
    case sbLineDown:
        first += 1, step = 1;
        break;
    case sbPageUp:
        first -= page, step = -1;
        break;
    case sbPageDown:
        first += page, step = 1;
        break;
    case sbThumbTrack:
        if (!FOptions.Contains(goThumbTracking)) return;
        [[fallthrough]];
    case sbThumbPosition:
        first = firstScrolling +
                std::clamp(position, 0, ScrollRange) * std::max(maxFirst - firstScrolling, 0) / ScrollRange;
        step = first >= axis.FirstCell ? 1 : -1;
        break;
    case sbTop:
        first = firstScrolling;
        step = 1;
        break;
    case sbBottom:
        first = maxFirst;
        step = -1;
        break;
    default:
        return;
    }
    while (first >= firstScrolling && first <= maxFirst && CellExtent(horizontal, first) <= 0)
        first += step;
    first = std::clamp(first, firstScrolling, std::max(maxFirst, firstScrolling));
    if (horizontal)
        SetTopLeft(first, FFirstVisibleRow);
    else
        SetTopLeft(FFirstVisibleCol, first);
}

void TCustomTambor::ScrollPixelMode(Integer code, Integer position) {
    const TTamborAxis axis = CalcAxis(true);
    const Integer areaWidth = axis.ClientExtent - axis.FixedBoundary;
    const Integer limit = std::max(ColumnWidthAt(1) - areaWidth, 0);
    Integer offset = FHorzOffset;
    switch (code) {
    case sbLineUp:
        offset -= ZeroDigitWidth();
        break;
    case sbLineDown:
        offset += ZeroDigitWidth();
        break;
    case sbPageUp:
        offset -= areaWidth;
        break;
    case sbPageDown:
        offset += areaWidth;
        break;
    case sbThumbTrack:
        if (!FOptions.Contains(goThumbTracking)) return;
        [[fallthrough]];
    case sbThumbPosition:
        offset = position;
        break;
    case sbTop:
        offset = 0;
        break;
    case sbBottom:
        offset = limit;
        break;
    default:
        return;
    }
    offset = std::clamp(offset, 0, limit);
    if (offset == FHorzOffset) return;
    const Integer dx = offset - FHorzOffset;
    FHorzOffset = offset;
    UpdateScrollPos();
    ScrollPixels(-dx, 0, RECT{axis.FixedBoundary, 0, axis.ClientExtent, GridClientHeight()});
    InvalidateCells(TGridRect{1, 0, 1, FFixedRows});
}

// ---- Sizing hit test --------------------------------------------------------------------------

bool TCustomTambor::AxisSizingHit(const TTamborAxis& axis, Integer pos, const TGridCoord& cell,
                                  Integer& index, Integer& border) const {
    const Integer lineWidth = axis.LineWidth;
    const Integer lead = lineWidth <= 6 ? (7 - lineWidth) / 2 : 0;
    const Integer band = std::max(lineWidth, 7);
    const bool horizontal = axis.Horizontal;

    // No border inside a multi-cell area; at its outer edges only close to them.
    const TGridRect& area = CellAt(cell.X, cell.Y).Area;
    const Integer index0 = horizontal ? cell.X : cell.Y;
    const Integer low = horizontal ? area.Left : area.Top;
    const Integer high = horizontal ? area.Right : area.Bottom;
    if (low != high) {
        if (index0 > low && index0 < high) return false;
        const Integer edge =
            index0 == low ? CellStart(axis, low) : CellStart(axis, high) + CellExtent(horizontal, high);
        if (std::abs(pos - edge) > (7 - lineWidth) / 2) return false;
    }

    bool hit = false;
    auto test = [&](Integer i) {
        const Integer end = CellStart(axis, i) + CellExtent(horizontal, i);
        const Integer from = end - lead;
        if (pos >= from && pos < from + band) {
            // A hidden cell after this one ends at the same border and wins: it can be
            // dragged open again.
            index = i;
            border = end;
            hit = true;
        }
    };
    for (Integer i = 1; i <= axis.FixedCount && i < axis.CellCount; ++i)
        test(i);
    for (Integer i = std::max(axis.FirstCell, axis.FixedCount + 1); i < axis.CellCount; ++i) {
        if (CellStart(axis, i) > axis.ClientExtent) break;
        test(i);
    }
    return hit;
}

void TCustomTambor::SizingHitTest(Integer x, Integer y, TTamborState& state, Integer& index,
                                  Integer& sizingPos, Integer& sizingOfs) const {
    state = gsNormal;
    index = -1;
    sizingPos = 0;
    sizingOfs = 0;
    const bool designing = GetComponentState().Contains(csDesigning);
    const bool colSizing = designing || FOptions.Contains(goColSizing);
    const bool rowSizing = designing || FOptions.Contains(goRowSizing);
    if (!colSizing && !rowSizing) return;

    TTamborDrawInfo info;
    CalcDrawInfo(info);
    const TGridCoord cell = CellAtPoint(x, y);
    if (cell.X >= FSelection.Left && cell.X <= FSelection.Right && cell.Y >= FSelection.Top &&
        cell.Y <= FSelection.Bottom)
        return;

    Integer border = 0;
    if (colSizing && x >= info.Horz.TitleExtent && (FClientSizeable || y < info.Vert.FixedBoundary) &&
        AxisSizingHit(info.Horz, x, cell, index, border)) {
        state = gsColSizing;
        sizingPos = border;
        sizingOfs = border - x;
        return;
    }
    if (rowSizing && y >= info.Vert.TitleExtent && (FClientSizeable || x < info.Horz.FixedBoundary) &&
        AxisSizingHit(info.Vert, y, cell, index, border)) {
        state = gsRowSizing;
        sizingPos = border;
        sizingOfs = border - y;
        return;
    }
    index = -1;
}
