// Moving and copying the selected block by its border, filling beyond it by its handle, and
// the cell buffer the cells travel in.
#include <algorithm>
#include <cstdlib>

#include "grid/Tambor.h"
#include "platform/winapi/GdiFrame.h"

namespace {

TGridRect Shifted(const TGridRect& r, Integer du, Integer dv) {
    return TGridRect{r.Left + du, r.Top + dv, r.Right + du, r.Bottom + dv};
}

// The block extended by `count` columns (rows) on the side the sign says.
TGridRect ExtendedBlock(const TGridRect& block, Integer count, TFillDirection direction) {
    TGridRect r = block;
    if (direction == fdHorizontal) (count < 0 ? r.Left : r.Right) += count;
    if (direction == fdVertical) (count < 0 ? r.Top : r.Bottom) += count;
    return r;
}

} // namespace

THandleHit TCustomTambor::HandleHitTest(Integer x, Integer y, TShiftState shift) const {
    if (x < 0 || y < 0 || (!FGridCanCopyMove && !FGridCanFill) || !IsWholeRange(FSelection)) return hhNone;
    const RECT r = CellRangeRect(FSelection, true);
    if (r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0) return hhNone;
    const bool inside = x > r.left - 3 && x < r.right + 3 && y > r.top - 3 && y < r.bottom + 3;
    if (inside && (std::abs(x - r.left) < 3 || std::abs(x - r.right) < 4 || std::abs(y - r.top) < 3 ||
                   std::abs(y - r.bottom) < 4)) {
        if (!FGridCanCopyMove) return hhNone;
        return shift.Contains(ssCtrl) ? hhCopy : hhMove;
    }
    if (std::abs(x - r.right) <= 4 && std::abs(y - r.bottom) <= 5) return FGridCanFill ? hhFill : hhNone;
    return hhNone;
}

void TCustomTambor::CopyToBuffer(const TGridRect& block) {
    FCellBuffer.clear();
    const TGridRect r{std::max(block.Left, 1), std::max(block.Top, 1), std::min(block.Right, FColCount - 1),
                      std::min(block.Bottom, FRowCount - 1)};
    for (Integer col = r.Left; col <= r.Right; ++col)
        for (Integer row = r.Top; row <= r.Bottom; ++row)
            FCellBuffer.push_back(TBufferedCell{TGridCoord{col, row}, CellAt(col, row)});
}

void TCustomTambor::PasteBuffer(Integer du, Integer dv, const TGridRect& region) {
    const TGridRect r{std::max(region.Left, 1), std::max(region.Top, 1),
                      std::min(region.Right, FColCount - 1), std::min(region.Bottom, FRowCount - 1)};
    if (r.Left > r.Right || r.Top > r.Bottom) return;
    for (const TBufferedCell& entry : FCellBuffer) {
        const Integer col = entry.Source.X + du;
        const Integer row = entry.Source.Y + dv;
        if (col < r.Left || col > r.Right || row < r.Top || row > r.Bottom) continue;
        TCellInfo& cell = CellAt(col, row);
        cell = entry.Cell;
        cell.Area = Shifted(entry.Cell.Area, du, dv);
    }
    InvalidateCells(r);
}

void TCustomTambor::PasteFromBuffer(const TGridRect& target) {
    if (FCellBuffer.empty()) return;
    const TGridCoord& origin = FCellBuffer.front().Source;
    PasteBuffer(target.Left - origin.X, target.Top - origin.Y, target);
}

bool TCustomTambor::CheckMoveTarget(const TGridRect& source, const TGridRect& target) {
    bool asked = false;
    for (Integer col = target.Left; col <= target.Right && !asked; ++col)
        for (Integer row = target.Top; row <= target.Bottom && !asked; ++row) {
            if (col >= source.Left && col <= source.Right && row >= source.Top && row <= source.Bottom)
                continue;
            const TCellInfo& cell = CellAt(col, row);
            if (cell.ForeText.empty() && cell.BackText.empty()) continue;
            if (!GridConfirmBox("", 2)) return false;
            asked = true;
        }
    if (!(WidenToAreas({target.Left, target.Top}, {target.Right, target.Bottom}) == target)) {
        GridErrorBox("");
        return false;
    }
    for (Integer col = target.Left; col <= target.Right; ++col)
        for (Integer row = target.Top; row <= target.Bottom; ++row)
            if (CellAt(col, row).ReadOnly) {
                GridErrorBox("");
                return false;
            }
    return true;
}

bool TCustomTambor::CheckFillTarget(const TGridRect& block, Integer count, TFillDirection direction) {
    TGridRect covered = block;
    if (direction == fdHorizontal) {
        covered.Left = count <= 0 ? block.Left + count : block.Right + 1;
        covered.Right = count <= 0 ? block.Left - 1 : block.Right + count;
    } else if (direction == fdVertical) {
        covered.Top = count <= 0 ? block.Top + count : block.Bottom + 1;
        covered.Bottom = count <= 0 ? block.Top - 1 : block.Bottom + count;
    }
    if (covered.Left > covered.Right || covered.Top > covered.Bottom) return true;
    if (!(WidenToAreas({covered.Left, covered.Top}, {covered.Right, covered.Bottom}) == covered)) {
        GridErrorBox("");
        return false;
    }
    for (Integer col = covered.Left; col <= covered.Right; ++col)
        for (Integer row = covered.Top; row <= covered.Bottom; ++row)
            if (CellAt(col, row).ReadOnly) {
                GridErrorBox("");
                return false;
            }
    return true;
}

void TCustomTambor::FillCells(const TGridRect& block, Integer count, TFillDirection direction) {
    const bool horizontal = direction == fdHorizontal;
    const Integer size = horizontal ? block.Right - block.Left + 1 : block.Bottom - block.Top + 1;
    const bool merged = RangeHasMergedCell(block);
    if (merged && size > 0 && count % size != 0) return;
    if (!CheckFillTarget(block, count, direction) || direction == fdNone || size <= 0) return;

    CopyToBuffer(block);
    const TGridRect extended = ExtendedBlock(block, count, direction);
    auto pasteAt = [&](Integer shift, Integer from, Integer to) {
        // The block moved by `shift` along the direction, kept to the cells from..to.
        TGridRect region = block;
        if (horizontal) {
            region.Left = from;
            region.Right = to;
            PasteBuffer(shift, 0, region);
        } else {
            region.Top = from;
            region.Bottom = to;
            PasteBuffer(0, shift, region);
        }
    };
    const Integer first = horizontal ? block.Left : block.Top;
    const Integer last = horizontal ? block.Right : block.Bottom;
    const Integer copies = std::abs(count / size);
    const Integer rest = merged ? 0 : std::abs(count % size);
    if (count >= 0) {
        for (Integer k = 1; k <= copies; ++k)
            pasteAt(k * size, first + k * size, last + k * size);
        // The first rows (columns) of the block once more after the last whole copy.
        if (rest > 0)
            pasteAt((copies + 1) * size, first + (copies + 1) * size, first + (copies + 1) * size + rest - 1);
    } else {
        for (Integer k = copies; k >= 1; --k)
            pasteAt(-k * size, first - k * size, last - k * size);
        // The last rows (columns) of the block just before the first whole copy.
        if (rest > 0) {
            const Integer to = first + count + rest - 1;
            pasteAt(to - last, first + count, to);
        }
    }
    FCellBuffer.clear();
    ApplySelection(extended);
    OnFillCells(this, block, extended);
}

// ---- Dragging ---------------------------------------------------------------------------------

void TCustomTambor::DrawDragFrame() {
    if (!HandleAllocated()) return;
    TTamborDrawInfo info;
    CalcDrawInfo(info);
    HDC dc = GetDC(FHandle);
    IntersectClipRect(dc, info.Horz.FixedBoundary, info.Vert.FixedBoundary, GridClientWidth(),
                      GridClientHeight());
    if (!FDragFrameShown) {
        const TGridRect block =
            FGridState == gsFilling
                ? ExtendedBlock(FDragSource, FFillDirection == fdHorizontal ? FDragOffset.X : FDragOffset.Y,
                                FFillDirection)
                : Shifted(FDragSource, FDragOffset.X, FDragOffset.Y);
        FDragFrame = CellRangeRect(block, true);
        FDragFrame.right -= 1;
        FDragFrame.bottom -= 1;
    }
    DrawFocusRect(dc, &FDragFrame);
    ReleaseDC(FHandle, dc);
    FDragFrameShown = !FDragFrameShown;
}

void TCustomTambor::ScrollForDrag(const TGridCoord& cell) {
    TTamborDrawInfo info;
    CalcDrawInfo(info);
    auto scrolled = [&](const TTamborAxis& axis, Integer index) {
        if (index >= axis.FirstCell && index <= axis.LastFullVisibleCell) return axis.FirstCell;
        return FirstShowingAsLast(axis, index);
    };
    SetTopLeft(scrolled(info.Horz, cell.X), scrolled(info.Vert, cell.Y));
}

void TCustomTambor::DragMove(Integer x, Integer y) {
    const TGridCoord cell = SelectingCellAt(x, y);
    const TGridRect& b = FDragSource;
    TGridCoord offset;
    TFillDirection direction = fdNone;
    TGridRect moved;
    if (FGridState == gsFilling) {
        const bool inCols = cell.X >= b.Left && cell.X <= b.Right;
        const bool inRows = cell.Y >= b.Top && cell.Y <= b.Bottom;
        if (!(inCols && inRows)) direction = !inCols ? fdHorizontal : fdVertical;
        Integer k = 0;
        if (direction == fdHorizontal) k = cell.X > b.Left ? cell.X - b.Right : cell.X - b.Left;
        if (direction == fdVertical) k = cell.Y > b.Top ? cell.Y - b.Bottom : cell.Y - b.Top;
        const Integer size = direction == fdHorizontal ? b.Right - b.Left + 1 : b.Bottom - b.Top + 1;
        if (direction != fdNone && RangeHasMergedCell(b))
            k = k <= 0 ? ((k + 1) / size - 1) * size : ((k - 1) / size + 1) * size;
        offset = direction == fdHorizontal ? TGridCoord{k, 0} : TGridCoord{0, k};
        moved = ExtendedBlock(b, k, direction);
    } else {
        offset = TGridCoord{cell.X - FDragStart.X, cell.Y - FDragStart.Y};
        moved = Shifted(b, offset.X, offset.Y);
    }
    if (moved.Left <= FFixedCols || moved.Right >= FColCount || moved.Top <= FFixedRows ||
        moved.Bottom >= FRowCount)
        return;
    if (FDragFrameShown) DrawDragFrame();
    ScrollForDrag(cell);
    FDragOffset = offset;
    FFillDirection = direction;
    DrawDragFrame();
}

bool TCustomTambor::DragRelease() {
    if (FDragFrameShown) DrawDragFrame();
    const TTamborState state = FGridState;
    FGridState = gsNormal;
    if (state == gsFilling) {
        FillCells(FDragSource, FFillDirection == fdHorizontal ? FDragOffset.X : FDragOffset.Y,
                  FFillDirection);
        return true;
    }
    const TGridRect target = Shifted(FDragSource, FDragOffset.X, FDragOffset.Y);
    if (!CheckMoveTarget(FDragSource, target)) return false;
    if (FDragOffset.X == 0 && FDragOffset.Y == 0) return true;
    const TGridCoord current = FCurrent;
    const TGridRect selection = FSelection;
    CopyToBuffer(FDragSource);
    if (state == gsMoving) ResetCells(FDragSource);
    PasteFromBuffer(target);
    FCellBuffer.clear();
    const TLivenessToken alive = LivenessToken();
    GoToCell(current.X + FDragOffset.X, current.Y + FDragOffset.Y, true);
    if (!alive) return false;
    ApplySelection(Shifted(selection, FDragOffset.X, FDragOffset.Y));
    OnCopyMoveCells(this, FDragSource, target);
    return true;
}

void TCustomTambor::CancelBlockDrag() {
    if (FDragFrameShown) DrawDragFrame();
    FCellBuffer.clear();
}
