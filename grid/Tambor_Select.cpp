// The current cell, the anchor and the selection; moving them with keys and the mouse over
// hidden cells and multi-cell areas; sizing columns and rows with the mouse.
#include <algorithm>

#include "grid/Tambor.h"
#include "platform/runtime/Clock.h"

namespace {

constexpr Integer sbLineUp = 0;
constexpr Integer sbLineDown = 1;

TGridRect Normalized(const TGridRect& r) {
    return TGridRect{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                     std::max(r.Top, r.Bottom)};
}

TGridRect Union(const TGridRect& a, const TGridRect& b) {
    return TGridRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                     std::max(a.Bottom, b.Bottom)};
}

bool IsEmptyRect(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

// The parts of `a` outside `b`, as up to four rectangles.
void Subtract(const RECT& a, const RECT& b, std::vector<RECT>& out) {
    if (IsEmptyRect(a)) return;
    if (IsEmptyRect(b) || b.left >= a.right || b.right <= a.left || b.top >= a.bottom || b.bottom <= a.top) {
        out.push_back(a);
        return;
    }
    if (b.top > a.top) out.push_back(RECT{a.left, a.top, a.right, b.top});
    if (b.bottom < a.bottom) out.push_back(RECT{a.left, b.bottom, a.right, a.bottom});
    const LONG top = std::max(a.top, b.top);
    const LONG bottom = std::min(a.bottom, b.bottom);
    if (b.left > a.left) out.push_back(RECT{a.left, top, b.left, bottom});
    if (b.right < a.right) out.push_back(RECT{b.right, top, a.right, bottom});
}

} // namespace

// ---- Current cell, anchor, selection ------------------------------------------------------------

bool TCustomTambor::AllowSelectCell(Integer col, Integer row) {
    bool canSelect = true;
    OnSelectCell(this, col, row, canSelect);
    return canSelect;
}

void TCustomTambor::SetCurrentCell(Integer col, Integer row, bool moveAnchor, bool show) {
    if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount)
        throw EInvalidGridOperation("Grid index out of range");
    if (!AllowSelectCell(col, row)) return;
    FCurrent = TGridCoord{col, row};
    if (!FOptions.Contains(goAlwaysShowEditor)) CloseEditor();
    if (moveAnchor || !FOptions.Contains(goRangeSelect)) {
        const TGridRect& area = CellAt(col, row).Area;
        FAnchor = TGridCoord{area.Right, area.Bottom};
        if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
    }
    if (moveAnchor && show) ScrollIntoView(FCurrent.X, FCurrent.Y);
    const TGridRect span = Normalized(TGridRect{FCurrent.X, FCurrent.Y, FAnchor.X, FAnchor.Y});
    const bool autoUpdate = FAutoUpdate;
    FAutoUpdate = false;
    try {
        InvalidateCells(span);
    } catch (...) {
        FAutoUpdate = autoUpdate;
        throw;
    }
    FAutoUpdate = autoUpdate;
    TGridRect selection{FCurrent.X, FCurrent.Y, FAnchor.X, FAnchor.Y};
    if (FOptions.Contains(goRowSelect)) selection.Left = FFixedCols + 1;
    ApplySelection(selection);
}

void TCustomTambor::GoToCell(Integer col, Integer row, bool moveAnchor) {
    if (col == FCurrent.X && row == FCurrent.Y) return;
    SetCurrentCell(col, row, moveAnchor, true);
    PlaceEditor();
    Click();
}

void TCustomTambor::PlaceAnchor(const TGridCoord& cell) {
    if (!FOptions.Contains(goRangeSelect)) {
        SetCurrentCell(cell.X, cell.Y, true, true);
        return;
    }
    FAnchor = cell;
    if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
}

void TCustomTambor::ApplySelection(const TGridRect& rect) {
    if (rect == FSelection) return;
    TGridRect r = Normalized(rect);
    r.Left = std::clamp(r.Left, FFixedCols + 1, FColCount - 1);
    r.Right = std::clamp(r.Right, FFixedCols + 1, FColCount - 1);
    r.Top = std::clamp(r.Top, FFixedRows + 1, FRowCount - 1);
    r.Bottom = std::clamp(r.Bottom, FFixedRows + 1, FRowCount - 1);
    const TGridRect old = FSelection;
    FSelection = r;
    InvalidateSelectionChange(old, r);
}

void TCustomTambor::InvalidateSelectionChange(const TGridRect& oldSel, const TGridRect& newSel) {
    if (!GridHasWindow()) return;
    auto pixels = [&](const TGridRect& sel) {
        if (sel.Left > sel.Right || sel.Top > sel.Bottom) return RECT{};
        TGridRect whole = sel;
        if (!IsWholeRange(whole)) whole = WidenToAreas({sel.Left, sel.Top}, {sel.Right, sel.Bottom});
        return CellRangeRect(whole, true);
    };
    const RECT a = pixels(oldSel);
    const RECT b = pixels(newSel);
    std::vector<RECT> parts;
    Subtract(a, b, parts);
    Subtract(b, a, parts);
    for (RECT part : parts) {
        part.left -= 4;
        part.top -= 4;
        part.right += 4;
        part.bottom += 4;
        InvalidatePixels(part, false);
    }
    // The letters and numbers of the selected columns and rows are drawn bold: their title
    // cells follow the selection too.
    if (oldSel.Left != newSel.Left || oldSel.Right != newSel.Right) {
        const TGridRect cols = Union(Normalized(oldSel), Normalized(newSel));
        const RECT r = CellRangeRect(TGridRect{std::max(cols.Left, 1), 0, std::max(cols.Right, 1), 0}, true);
        if (!IsEmptyRect(r)) InvalidatePixels(r, false);
    }
    if (oldSel.Top != newSel.Top || oldSel.Bottom != newSel.Bottom) {
        const TGridRect rows = Union(Normalized(oldSel), Normalized(newSel));
        const RECT r = CellRangeRect(TGridRect{0, std::max(rows.Top, 1), 0, std::max(rows.Bottom, 1)}, true);
        if (!IsEmptyRect(r)) InvalidatePixels(r, false);
    }
}

TGridRect TCustomTambor::WidenToAreas(const TGridCoord& a, const TGridCoord& b) const {
    TGridRect r = Union(CellAt(a.X, a.Y).Area, CellAt(b.X, b.Y).Area);
    for (bool grown = true; grown;) {
        grown = false;
        TGridRect next = r;
        for (Integer col = r.Left; col <= r.Right; ++col) {
            next = Union(next, CellAt(col, r.Top).Area);
            next = Union(next, CellAt(col, r.Bottom).Area);
        }
        for (Integer row = r.Top; row <= r.Bottom; ++row) {
            next = Union(next, CellAt(r.Left, row).Area);
            next = Union(next, CellAt(r.Right, row).Area);
        }
        if (!(next == r)) {
            r = next;
            grown = true;
        }
    }
    return r;
}

Integer TCustomTambor::NextShownCell(bool horizontal, Integer index) const {
    const Integer count = horizontal ? FColCount : FRowCount;
    for (Integer i = index; i < count; ++i)
        if (CellExtent(horizontal, i) >= 0) return i;
    return index - 1;
}

Integer TCustomTambor::PrevShownCell(bool horizontal, Integer index) const {
    const Integer fixed = horizontal ? FFixedCols : FFixedRows;
    for (Integer i = std::min(index, (horizontal ? FColCount : FRowCount) - 1); i > fixed; --i)
        if (CellExtent(horizontal, i) >= 0) return i;
    return index + 1;
}

// ---- Keys -------------------------------------------------------------------------------------

void TCustomTambor::KeyDown(Word& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == 0) return;
    if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || key == VK_PAUSE || key == VK_CAPITAL)
        return;
    if (!GridAcceptsKey(key, shift)) return;

    const bool withShift = shift.Contains(ssShift);
    const bool withCtrl = shift.Contains(ssCtrl);
    const bool rowSelect = FOptions.Contains(goRowSelect);
    TGridCoord point = withShift ? FAnchor : FCurrent;
    TGridCoord topLeft{FFirstVisibleCol, FFirstVisibleRow};
    TTamborDrawInfo info;
    CalcDrawInfo(info);
    const Integer rowPage = std::max(info.Vert.LastFullVisibleCell - FFirstVisibleRow, 1);
    bool extends = false; // a key that Shift turns into extending the selection

    if (withCtrl) {
        switch (key) {
        case VK_PRIOR:
            point.Y = NextShownCell(false, FFirstVisibleRow);
            break;
        case VK_NEXT:
            point.Y = PrevShownCell(false, info.Vert.LastFullVisibleCell);
            break;
        case VK_HOME:
            point = TGridCoord{NextShownCell(true, FFixedCols + 1), NextShownCell(false, FFixedRows + 1)};
            break;
        case VK_END:
            point = TGridCoord{PrevShownCell(true, FColCount - 1), PrevShownCell(false, FRowCount - 1)};
            break;
        case VK_LEFT:
            topLeft.X = PrevShownCell(true, topLeft.X - 1);
            break;
        case VK_RIGHT:
            topLeft.X = NextShownCell(true, topLeft.X + 1);
            break;
        case VK_UP:
            topLeft.Y = PrevShownCell(false, topLeft.Y - 1);
            break;
        case VK_DOWN:
            topLeft.Y = NextShownCell(false, topLeft.Y + 1);
            break;
        default:
            break;
        }
    } else {
        const TGridRect& area = CellAt(point.X, point.Y).Area;
        switch (key) {
        case VK_TAB:
            if (shift.Contains(ssAlt)) break;
            // Every column is a tab stop, so a tab goes to the next shown column; it does not
            // wrap to another row.
            if (!withShift) {
                const Integer next = NextShownCell(true, point.X + 1);
                if (next > point.X) point.X = next;
            } else if (point.X > FFixedCols + 1) {
                const Integer prev = PrevShownCell(true, point.X - 1);
                if (prev < point.X) point.X = prev;
            }
            break;
        case VK_ESCAPE:
            CloseEditor();
            break;
        case VK_PRIOR:
            point.Y = PrevShownCell(false, point.Y - rowPage);
            topLeft.Y = PrevShownCell(false, topLeft.Y - rowPage);
            extends = true;
            break;
        case VK_NEXT:
            point.Y = NextShownCell(false, point.Y + rowPage);
            topLeft.Y = NextShownCell(false, topLeft.Y + rowPage);
            extends = true;
            break;
        case VK_HOME:
            if (rowSelect)
                point.Y = NextShownCell(false, FFixedRows + 1);
            else
                point.X = NextShownCell(true, FFixedCols + 1);
            extends = true;
            break;
        case VK_END:
            if (rowSelect)
                point.Y = PrevShownCell(false, FRowCount - 1);
            else
                point.X = PrevShownCell(true, FColCount - 1);
            extends = true;
            break;
        case VK_LEFT:
            point.X = PrevShownCell(true, (rowSelect ? FFirstVisibleCol : point.X) - 1);
            extends = true;
            break;
        case VK_UP:
            point.Y = PrevShownCell(false, point.Y - 1);
            extends = true;
            break;
        case VK_RIGHT:
            point.X = NextShownCell(true, (rowSelect ? info.Horz.LastFullVisibleCell : area.Right) + 1);
            extends = true;
            break;
        case VK_DOWN:
            point.Y = NextShownCell(false, area.Bottom + 1);
            extends = true;
            break;
        case VK_DELETE:
            if (FOptions.Contains(goEditing)) {
                ClearCells(FSelection);
                InvalidateCells(FSelection);
            }
            break;
        case VK_F2:
            SwitchEditor(true);
            break;
        default:
            break;
        }
    }

    point.X = std::clamp(point.X, FFixedCols + 1, FColCount - 1);
    point.Y = std::clamp(point.Y, FFixedRows + 1, FRowCount - 1);
    if (withShift && extends) {
        // Extends the selection as a drag to the point's cell would.
        const TLivenessToken alive = LivenessToken();
        FGridState = gsSelecting;
        SelectTowards(point);
        if (!alive) return;
        const RECT r = CellRect(point.X, point.Y);
        FGridState = gsNormal;
        TCustomControl::MouseMove(shift, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        return;
    }

    TTamborDrawInfo limits;
    CalcDrawInfo(limits);
    topLeft.X = std::clamp(topLeft.X, FFixedCols + 1, std::max(MaxFirstCell(limits.Horz), FFixedCols + 1));
    topLeft.Y = std::clamp(topLeft.Y, FFixedRows + 1, std::max(MaxFirstCell(limits.Vert), FFixedRows + 1));
    if (topLeft.X != FFirstVisibleCol || topLeft.Y != FFirstVisibleRow) SetTopLeft(topLeft.X, topLeft.Y);
    const TGridRect& target = CellAt(point.X, point.Y).Area;
    if (target.Left != FCurrent.X || target.Top != FCurrent.Y) GoToCell(target.Left, target.Top, true);
}

// ---- Selecting with the mouse -----------------------------------------------------------------

Integer TCustomTambor::FirstShowingAsLast(const TTamborAxis& axis, Integer index) const {
    const Integer firstScrolling = axis.FixedCount + 1;
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
}

TGridCoord TCustomTambor::SelectingCellAt(Integer x, Integer y) const {
    TGridCoord cell = CellAtPoint(x, y);
    // Dragging over the fixed cells of a scrolled grid reaches for the column (row) hidden
    // under them.
    if (cell.X < FFirstVisibleCol && FFirstVisibleCol > FFixedCols + 1)
        cell.X = PrevShownCell(true, FFirstVisibleCol - 1);
    if (cell.Y < FFirstVisibleRow && FFirstVisibleRow > FFixedRows + 1)
        cell.Y = PrevShownCell(false, FFirstVisibleRow - 1);
    cell.X = std::clamp(cell.X, FFixedCols + 1, FColCount - 1);
    cell.Y = std::clamp(cell.Y, FFixedRows + 1, FRowCount - 1);
    return cell;
}

void TCustomTambor::SelectTowards(TGridCoord cell) {
    if (!FOptions.Contains(goRangeSelect)) return;
    if (CellAt(cell.X, cell.Y).Area == CellAt(FAnchor.X, FAnchor.Y).Area) return;
    const TGridRect selection = WidenToAreas(FCurrent, cell);
    TTamborDrawInfo info;
    CalcDrawInfo(info);
    auto scrolled = [&](const TTamborAxis& axis, Integer index) {
        if (index >= axis.FirstCell && index <= axis.LastFullVisibleCell) return axis.FirstCell;
        return FirstShowingAsLast(axis, index);
    };
    SetTopLeft(scrolled(info.Horz, cell.X), scrolled(info.Vert, cell.Y));
    PlaceAnchor(cell);
    ApplySelection(selection);
}

void TCustomTambor::DrawSizingLine() {
    if (!HandleAllocated()) return;
    HDC dc = GetDC(FHandle);
    // White XOR: the line shows on any colour and a second draw takes it away.
    HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const int oldRop = SetROP2(dc, R2_XORPEN);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    if (FGridState == gsColSizing) {
        MoveToEx(dc, FSizingPos, 0, nullptr);
        LineTo(dc, FSizingPos, GridClientHeight());
    } else {
        MoveToEx(dc, 0, FSizingPos, nullptr);
        LineTo(dc, GridClientWidth(), FSizingPos);
    }
    SetBkMode(dc, oldMode);
    SetROP2(dc, oldRop);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    ReleaseDC(FHandle, dc);
    FSizingLineShown = !FSizingLineShown;
}

// ---- Mouse ------------------------------------------------------------------------------------

void TCustomTambor::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    if (button == mbLeft && FInplaceEdit != nullptr) FLastLeftPress = GetTickCount();
    CloseEditor();
    if (!alive) return;
    const bool designing = GetComponentState().Contains(csDesigning);
    if (!designing && (CanFocus() || GetParentForm(this) == nullptr)) {
        if (CanFocus()) SetFocus();
        if (!alive) return;
        if (!HasFocusWithin()) {
            SetMouseCapture(false);
            return;
        }
    }
    if (button == mbRight) {
        TCustomControl::MouseDown(button, shift, x, y);
        return;
    }
    if (button != mbLeft) return;

    const TGridCoord cell = CellAtPoint(x, y);
    if (shift.Contains(ssDouble)) {
        DblClick();
        if (!alive) return;
        const TGridRect& area = CellAt(FCurrent.X, FCurrent.Y).Area;
        if (cell.X >= FFirstVisibleCol && cell.Y >= FFirstVisibleRow && cell.X >= area.Left &&
            cell.X <= area.Right && cell.Y >= area.Top && cell.Y <= area.Bottom)
            OpenEditor();
        if (!alive) return;
        TCustomControl::MouseDown(button, shift, x, y);
        return;
    }

    TTamborState sizing;
    Integer index, pos, ofs;
    SizingHitTest(x, y, sizing, index, pos, ofs);
    if (sizing != gsNormal) {
        FGridState = sizing;
        FSizingIndex = index;
        FSizingPos = pos;
        FSizingOfs = ofs;
        DrawSizingLine();
        return;
    }
    const THandleHit hit = HandleHitTest(x, y, shift);
    if (hit != hhNone) {
        FGridState = hit == hhMove ? gsMoving : hit == hhCopy ? gsCopying : gsFilling;
        FDragSource = FSelection;
        const TGridCoord at = CellAtPoint(x, y);
        FDragStart = TGridCoord{std::clamp(at.X, FDragSource.Left, FDragSource.Right),
                                std::clamp(at.Y, FDragSource.Top, FDragSource.Bottom)};
        FDragOffset = TGridCoord{0, 0};
        FFillDirection = fdNone;
        FDragFrameShown = false;
        DrawDragFrame();
        return;
    }

    const bool range = FOptions.Contains(goRangeSelect);
    const bool withShift = shift.Contains(ssShift);
    TGridRect selection;
    TGridCoord current = FCurrent;
    if (cell.X >= 1 && cell.Y >= 1) {
        if (cell.X < FFirstVisibleCol || cell.Y < FFirstVisibleRow) return;
        FGridState = gsSelecting;
        if (withShift && range) {
            selection = WidenToAreas(FCurrent, cell);
        } else {
            selection = CellAt(cell.X, cell.Y).Area;
            current = TGridCoord{selection.Left, selection.Top};
        }
    } else {
        // Titles: a column, a row, or everything from the corner.
        const Integer firstCol = FFixedCols + 1;
        const Integer firstRow = FFixedRows + 1;
        if (cell.Y == 0 && cell.X >= 1) {
            if (cell.X < FFirstVisibleCol) return;
            if (withShift)
                selection = range ? WidenToAreas({FCurrent.X, firstRow}, {cell.X, FRowCount - 1})
                                  : CellAt(cell.X, firstRow).Area;
            else
                selection = range ? TGridRect{cell.X, firstRow, cell.X, FRowCount - 1}
                                  : CellAt(cell.X, firstRow).Area;
        } else if (cell.X == 0 && cell.Y >= 1) {
            if (cell.Y < FFirstVisibleRow) return;
            if (withShift)
                selection = range ? WidenToAreas({firstCol, FCurrent.Y}, {FColCount - 1, cell.Y})
                                  : CellAt(firstCol, cell.Y).Area;
            else
                selection = range ? TGridRect{firstCol, cell.Y, FColCount - 1, cell.Y}
                                  : CellAt(firstCol, cell.Y).Area;
        } else {
            selection = range ? TGridRect{firstCol, firstRow, FColCount - 1, FRowCount - 1}
                              : CellAt(firstCol, firstRow).Area;
        }
        if (selection == FSelection) return;
        if (!withShift) {
            const TGridRect& first = CellAt(selection.Left, selection.Top).Area;
            current = TGridCoord{first.Left, first.Top};
        }
    }

    GoToCell(current.X, current.Y, true);
    if (!alive) return;
    if (FOptions.Contains(goRowSelect)) {
        selection.Left = FFixedCols + 1;
        selection.Right = FColCount - 1;
    }
    ApplySelection(selection);
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomTambor::MouseMove(TShiftState shift, Integer x, Integer y) {
    switch (FGridState) {
    case gsSelecting:
        SelectTowards(SelectingCellAt(x, y));
        break;
    case gsColSizing:
    case gsRowSizing: {
        const Integer limit = FGridState == gsColSizing ? GridClientWidth() : GridClientHeight();
        const Integer at = (FGridState == gsColSizing ? x : y) + FSizingOfs;
        if (FSizingLineShown) DrawSizingLine();
        FSizingPos = std::clamp(at, 0, limit);
        DrawSizingLine();
        break;
    }
    case gsMoving:
    case gsCopying:
    case gsFilling:
        DragMove(x, y);
        break;
    default:
        break;
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TCustomTambor::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    if (button == mbRight) return;
    const TLivenessToken alive = LivenessToken();
    const TTamborState state = FGridState;
    switch (state) {
    case gsSelecting:
        SelectTowards(SelectingCellAt(x, y));
        FGridState = gsNormal;
        PlaceEditor();
        Click();
        break;
    case gsColSizing:
    case gsRowSizing: {
        if (FSizingLineShown) DrawSizingLine();
        FGridState = gsNormal;
        const bool columns = state == gsColSizing;
        TTamborDrawInfo info;
        CalcDrawInfo(info);
        const Integer start = CellStart(columns ? info.Horz : info.Vert, FSizingIndex);
        const Integer size = FSizingPos <= start ? -1 : FSizingPos - start;
        if (columns)
            SetColumnWidthAt(FSizingIndex, size);
        else
            SetRowHeightAt(FSizingIndex, size);
        break;
    }
    case gsMoving:
    case gsCopying:
    case gsFilling:
        // A refused move or copy raises no OnMouseUp.
        if (!DragRelease()) return;
        break;
    default:
        FGridState = gsNormal;
        PlaceEditor();
        break;
    }
    if (!alive) return;
    TCustomControl::MouseUp(button, shift, x, y);
}

bool TCustomTambor::DoMouseWheelDown(TShiftState shift, POINT mousePos) {
    CloseEditor();
    if (TCustomControl::DoMouseWheelDown(shift, mousePos)) return true;
    ScrollBarCommand(false, sbLineDown, 0);
    return true;
}

bool TCustomTambor::DoMouseWheelUp(TShiftState shift, POINT mousePos) {
    if (TCustomControl::DoMouseWheelUp(shift, mousePos)) return true;
    ScrollBarCommand(false, sbLineUp, 0);
    return true;
}
