// The lookup grid's layout (headers, rows, cells, empty areas) and its painting.
#include <algorithm>

#include "suite/data/qzLookupGrid.h"
#include "suite/foundation/qzClasses.h"

namespace {

TqzLookAndFeelPainterClass LookAndFeelPainterOf(TqzCustomLookupGrid* grid) {
    TqzLookAndFeelPainterClass painter = grid->GetPainter() ? grid->GetPainter()->LookAndFeelPainter : nullptr;
    return painter ? painter : grid->GetLookAndFeelPainterClass();
}

bool IsEmptyRect(const TRect& r) { return r.right <= r.left || r.bottom <= r.top; }

} // namespace

// ---- Part view infos -------------------------------------------------------------------------

TqzLookupGridColumnViewInfo::TqzLookupGridColumnViewInfo() = default;
TqzLookupGridColumnViewInfo::~TqzLookupGridColumnViewInfo() = default;
TqzLookupGridCellViewInfo::TqzLookupGridCellViewInfo() = default;
TqzLookupGridCellViewInfo::~TqzLookupGridCellViewInfo() = default;

// ---- View info -------------------------------------------------------------------------------

TqzLookupGridViewInfo::TqzLookupGridViewInfo(TqzCustomLookupGrid* grid) : Grid(grid) {}

TqzLookupGridViewInfo::~TqzLookupGridViewInfo() {
    Rows.clear();
    Columns.clear();
}

TRect TqzLookupGridViewInfo::GetClientBounds() const { return Grid->GetClientBounds(); }

TqzCanvas* TqzLookupGridViewInfo::GetCanvas() const { return Grid->GetPainter()->GetCanvas(); }

TColor TqzLookupGridViewInfo::GetContentColor() { return Grid->GetColor(); }
TFont* TqzLookupGridViewInfo::GetContentFont() { return Grid->GetFont(); }
TColor TqzLookupGridViewInfo::GetContentTextColor() { return GetContentFont()->GetColor(); }
TColor TqzLookupGridViewInfo::GetHeaderColor() { return LookAndFeelPainterOf(Grid)->HeaderBackColor(); }
TFont* TqzLookupGridViewInfo::GetHeaderFont() { return Grid->GetFont(); }
TColor TqzLookupGridViewInfo::GetHeaderTextColor() { return LookAndFeelPainterOf(Grid)->HeaderTextColor(); }
TColor TqzLookupGridViewInfo::GetSelectionColor() { return LookAndFeelPainterOf(Grid)->SelectionBackColor(); }
TColor TqzLookupGridViewInfo::GetSelectionTextColor() {
    return LookAndFeelPainterOf(Grid)->SelectionTextColor();
}

Integer TqzLookupGridViewInfo::GetHeaderHeight() {
    return LookAndFeelPainterOf(Grid)->HeaderHeightFor(GetCanvas()->MeasureFontHeight(GetHeaderFont()));
}

void TqzLookupGridViewInfo::Calculate() {
    BorderSize = Grid->GetBorderSize();
    CalculateHeaders();
    CalculateRows();
    CalculateEmptyAreas();
}

void TqzLookupGridViewInfo::PrepareColumnStyle(TqzLookupGridColumnViewInfo* columnViewInfo,
                                               TqzLookupGridColumn* column) {
    TqzCustomEditProperties* properties = column->GetActiveProperties();
    columnViewInfo->Style.reset(
        static_cast<TqzCustomEditStyle*>(properties->GetStyleClass()(nullptr, csNormal, nullptr, false)));
    TqzCustomEditStyle* style = columnViewInfo->Style.get();
    style->SetButtonTransparency(ebtHideInactive);
    if (TFont* font = column->GetFont()) style->SetFont(font);
    columnViewInfo->TextColor = style->GetTextColor();
    columnViewInfo->BackColor = style->GetColor();
}

TqzCustomEditViewData* TqzLookupGridViewInfo::BeginCellDrawing(TqzLookupGridColumnViewInfo* columnViewInfo,
                                                               TqzLookupGridColumn* column) {
    return column->GetActiveProperties()->CreateViewData(columnViewInfo->Style.get(), true);
}

void TqzLookupGridViewInfo::CalculateHeaders() {
    Columns.clear();
    TqzLookupGridColumns* columns = Grid->GetColumns();
    if (columns->GetCount() == 0) {
        HeaderArea = TRect{};
        return;
    }
    HeaderArea = GetClientBounds();
    HeaderArea.bottom = Grid->GetOptions()->GetShowHeader() ? HeaderArea.top + GetHeaderHeight() : HeaderArea.top;
    TqzLookAndFeelPainterClass painter = LookAndFeelPainterOf(Grid);
    for (Integer i = 0; i < columns->GetCount(); ++i) {
        TqzLookupGridColumn* column = columns->GetColumn(i);
        auto info = std::make_unique<TqzLookupGridColumnViewInfo>();
        info->Column = column;
        info->Alignment = column->GetHeaderAlignment();
        info->AdjacentSides = TqzSides((column->IsLeftmost() ? 0 : 1) | (column->IsRightmost() ? 0 : 4));
        info->Borders = painter->HeaderEdgesFor(info->AdjacentSides);
        info->SortOrder = column->GetSortOrder();
        info->Text = column->GetCaption();
        PrepareColumnStyle(info.get(), column);
        Columns.push_back(std::move(info));
    }
    CalculateHeaderBounds();
}

void TqzLookupGridViewInfo::CalculateHeaderBounds() {
    TqzAutoWidthObject widths(Integer(Columns.size()));
    for (const auto& info : Columns) {
        TqzAutoWidthItem* item = widths.AppendItem();
        item->MinimumWidth = info->Column->GetMinWidth();
        item->DesiredWidth = info->Column->GetWidth();
        item->KeepWidth = info->Column->GetFixed();
    }
    widths.TargetWidth = HeaderArea.right - HeaderArea.left;
    widths.DistributeWidths();
    TqzLookAndFeelPainterClass painter = LookAndFeelPainterOf(Grid);
    Integer left = HeaderArea.left;
    for (std::size_t i = 0; i < Columns.size(); ++i) {
        TqzLookupGridColumnViewInfo* info = Columns[i].get();
        Integer width = widths.ItemAt(Integer(i))->ResultWidth;
        if (width < 0) width = 0;
        info->Bounds = TRect{left, HeaderArea.top, left + width, HeaderArea.bottom};
        info->ContentArea = painter->CalcHeaderContentBounds(info->Bounds, info->Borders);
        left += width;
    }
    if (left < HeaderArea.right) HeaderArea.right = left;
}

void TqzLookupGridViewInfo::CalculateRows() {
    Rows.clear();
    RowArea = TRect{};
    VisibleRowArea = TRect{};
    PartlyVisibleRowCount = 0;
    VisibleRowCount = 0;
    if (HeaderArea.right - HeaderArea.left < 1) return;

    TqzCanvas* canvas = GetCanvas();
    MinimumRowHeight = 0;
    for (const auto& info : Columns) {
        TSize size{0, 0};
        TqzEditSizeParameters parameters;
        info->Column->GetActiveProperties()->GetEditSize(canvas, info->Style.get(), true, Variant(), parameters,
                                                         size);
        MinimumRowHeight = std::max(MinimumRowHeight, size.cy + 2);
    }

    const TRect client = GetClientBounds();
    const Integer rowCount = Grid->GetRowCount();
    Integer top = HeaderArea.bottom;
    RowArea = TRect{HeaderArea.left, top, HeaderArea.right, top};
    VisibleRowArea = RowArea;
    const Integer first = TopRowSearchMode != 0 ? WorkingTopRow : Grid->GetTopRowIndex();
    const bool backward = TopRowSearchMode == 2;
    for (Integer index = first; backward ? index >= 0 : index < rowCount; index += backward ? -1 : 1) {
        if (index < 0 || index >= rowCount) break;
        auto row = std::make_unique<TqzLookupGridRowViewInfo>();
        row->RowIndex = index;
        CalculateRow(row.get(), top, index == rowCount - 1);
        const Integer bottom = row->Bounds.bottom;
        Rows.push_back(std::move(row));
        ++PartlyVisibleRowCount;
        RowArea.bottom = bottom;
        top = bottom;
        if (bottom > client.bottom) break;
        ++VisibleRowCount;
        VisibleRowArea.bottom = bottom;
    }
    if (PartlyVisibleRowCount > 0 && VisibleRowCount == 0) VisibleRowCount = 1;
}

void TqzLookupGridViewInfo::CalculateRow(TqzLookupGridRowViewInfo* row, Integer top, bool last) {
    TqzCustomDataController* controller = Grid->GetDataController();
    row->RecordIndex = controller->GetInfo()->GetRowRecordIndex(row->RowIndex);
    row->RowIsFocused = row->RowIndex == Grid->GetFocusedRow();
    row->Bounds = TRect{HeaderArea.left, top, HeaderArea.right, top + MinimumRowHeight};
    row->ContentArea = row->Bounds;
    row->Borders = TqzBorders();
    const TqzGridLines lines = Grid->GetOptions()->GetGridLines();
    const Integer lineWidth = GetGridLineWidth();
    for (std::size_t i = 0; i < Columns.size(); ++i) {
        auto cell = std::make_unique<TqzLookupGridCellViewInfo>();
        cell->Index = Integer(i);
        cell->RowIsFocused = Columns[i]->Column == Grid->GetFocusedColumn();
        cell->Bounds = TRect{Columns[i]->Bounds.left, top, Columns[i]->Bounds.right, top + MinimumRowHeight};
        const bool lastCell = i + 1 == Columns.size();
        const bool verticalLine = lines == glBoth || lines == glVertical || (lines == glHorizontal && lastCell);
        if (verticalLine) {
            if (lastCell) {
                row->Borders.Include(bRight);
                row->ContentArea.right = cell->Bounds.right - lineWidth;
            } else {
                cell->Borders.Include(bRight);
            }
            cell->Bounds.right -= lineWidth;
        }
        row->Cells.push_back(std::move(cell));
    }
    bool bottomLine = lines == glBoth || lines == glHorizontal;
    if (lines == glVertical && last && TopRowSearchMode == 0)
        bottomLine = row->Bounds.bottom != GetClientBounds().bottom;
    if (bottomLine) {
        row->Bounds.bottom += lineWidth;
        row->Borders.Include(bBottom);
    }
    for (auto& cell : row->Cells) cell->ContentArea = cell->Bounds;
    CalculateRowContents(row);
}

void TqzLookupGridViewInfo::CalculateRowContents(TqzLookupGridRowViewInfo* row) {
    TqzCustomDataController* controller = Grid->GetDataController();
    const bool selected = controller->IsRowSelected(row->RowIndex);
    TqzCanvas* canvas = GetCanvas();
    for (auto& cell : row->Cells) {
        cell->RowIsFocused = Columns[std::size_t(cell->Index)]->Column == Grid->GetFocusedColumn();
        TqzLookupGridColumnViewInfo* columnInfo = Columns[std::size_t(cell->Index)].get();
        TqzLookupGridColumn* column = columnInfo->Column;
        const bool selectionColours = selected && row->RowIsFocused && !cell->RowIsFocused;
        columnInfo->Style->SetColor(selectionColours ? GetSelectionColor() : GetContentColor());
        columnInfo->Style->SetTextColor(selectionColours ? GetSelectionTextColor() : GetContentTextColor());
        TqzCustomEditProperties* properties = column->GetActiveProperties();
        cell->CellEditViewInfo.reset(static_cast<TqzCustomEditViewInfo*>(properties->GetViewInfoClass()()));
        Variant value;
        if (row->RecordIndex >= 0) {
            if (properties->GetEditValueSource(false) != 0)
                value = Variant(controller->GetDisplayText(row->RecordIndex, cell->Index));
            else
                value = controller->GetValue(row->RecordIndex, cell->Index);
        }
        std::unique_ptr<TqzCustomEditViewData> viewData(BeginCellDrawing(columnInfo, column));
        TRect bounds = cell->ContentArea;
        InflateRect(&bounds, -1, -1);
        viewData->EditValueToViewInfo(canvas, value, cell->CellEditViewInfo.get());
        viewData->Calculate(canvas, bounds, TPoint{-1, -1}, 0, TShiftState(), cell->CellEditViewInfo.get(), false);
        EndCellDrawing(columnInfo, column);
    }
}

void TqzLookupGridViewInfo::CalculateEmptyAreas() {
    const TRect client = GetClientBounds();
    if (HeaderArea.right < client.right)
        RightEmptyArea = TRect{HeaderArea.right, client.top, client.right, client.bottom};
    else
        RightEmptyArea = TRect{};
    const Integer rowsBottom = Rows.empty() ? std::max(HeaderArea.bottom, client.top) : RowArea.bottom;
    if (rowsBottom < client.bottom)
        BottomEmptyArea = TRect{client.left, rowsBottom, client.right, client.bottom};
    else
        BottomEmptyArea = TRect{};
}

Integer TqzLookupGridViewInfo::GetTopRowIndexFor(Integer index) {
    struct TModeReset {
        TqzLookupGridViewInfo* Info;
        ~TModeReset() { Info->TopRowSearchMode = 0; }
    } reset{this};
    TopRowSearchMode = 1;
    WorkingTopRow = index;
    Calculate();
    if (IsEmptyRect(BottomEmptyArea)) return index;
    TopRowSearchMode = 2;
    WorkingTopRow = std::min(index + VisibleRowCount - 1, Grid->GetRowCount() - 1);
    Calculate();
    return WorkingTopRow - VisibleRowCount + 1;
}

TqzLookupGridRowViewInfo* TqzLookupGridViewInfo::FindRow(Integer rowIndex) const {
    for (const auto& row : Rows)
        if (row->RowIndex == rowIndex) return row.get();
    return nullptr;
}

// ---- Painter ---------------------------------------------------------------------------------

TqzLookupGridPainter::TqzLookupGridPainter(TqzCustomLookupGrid* grid) : FGrid(grid) {}

TqzLookupGridPainter::~TqzLookupGridPainter() = default;

TqzLookupGridViewInfo* TqzLookupGridPainter::ViewInfo() const { return FGrid->GetViewInfo(); }

TqzCanvas* TqzLookupGridPainter::GetCanvas() {
    if (FGrid->HandleAllocated()) {
        FScreenCanvas.reset();
        return FGrid->GetControlCanvas();
    }
    if (!FScreenCanvas) FScreenCanvas = std::make_unique<TqzScreenCanvas>();
    return FScreenCanvas.get();
}

void TqzLookupGridPainter::PaintBorder() {
    TqzCanvas* canvas = GetCanvas();
    if (ViewInfo()->BorderSize != 0) LookAndFeelPainter->PaintControlBorder(canvas, FGrid->GetBounds());
    canvas->IntersectClipArea(ViewInfo()->GetClientBounds());
}

void TqzLookupGridPainter::PaintContent() {
    PaintHeaders();
    PaintEmptyAreas();
    PaintRows();
}

void TqzLookupGridPainter::PaintHeaders() {
    TqzLookupGridViewInfo* info = ViewInfo();
    if (IsEmptyRect(info->HeaderArea)) return;
    TqzCanvas* canvas = GetCanvas();
    for (const auto& header : info->Columns) {
        TRect text = LookAndFeelPainter->CalcHeaderContentBounds(header->Bounds, header->Borders);
        InflateRect(&text, -2, -2);
        TRect arrow{};
        if (header->SortOrder != soNone) {
            arrow = text;
            arrow.left = std::max(text.right - LookAndFeelPainter->SortArrowAreaExtent().cx, text.left);
            text.right = arrow.left;
        }
        LookAndFeelPainter->PaintHeaderCell(canvas, header->Bounds, text, header->AdjacentSides, header->Borders,
                                            qzbsNormal, header->Alignment, qzvaCenter, false, false, header->Text,
                                            info->GetHeaderFont(), info->GetHeaderTextColor(),
                                            info->GetHeaderColor(), TqzCustomDrawCellEvent(),
                                            header->Column->IsRightmost());
        if (header->SortOrder != soNone)
            LookAndFeelPainter->PaintSortArrow(canvas, arrow, header->SortOrder == soAscending);
    }
}

void TqzLookupGridPainter::PaintEmptyAreas() {
    TqzCanvas* canvas = GetCanvas();
    canvas->SetBrushColor(FGrid->GetColor());
    for (const TRect& area : {ViewInfo()->RightEmptyArea, ViewInfo()->BottomEmptyArea})
        if (!IsEmptyRect(area)) canvas->FillRectOrTile(area);
}

void TqzLookupGridPainter::PaintRows() {
    TqzLookupGridViewInfo* info = ViewInfo();
    for (Integer i = 0; i < info->PartlyVisibleRowCount && i < Integer(info->Rows.size()); ++i)
        PaintRow(info->Rows[std::size_t(i)].get());
}

void TqzLookupGridPainter::PaintLines(const TRect& bounds, TqzBorders borders) {
    TqzCanvas* canvas = GetCanvas();
    const Integer width = ViewInfo()->GetGridLineWidth();
    canvas->SetBrushColor(ViewInfo()->GetGridLineColor());
    if (borders.Contains(bRight)) canvas->FillRectOrTile(TRect{bounds.right, bounds.top, bounds.right + width, bounds.bottom});
    if (borders.Contains(bBottom))
        canvas->FillRectOrTile(TRect{bounds.left, bounds.bottom, bounds.right, bounds.bottom + width});
}

void TqzLookupGridPainter::PaintRow(TqzLookupGridRowViewInfo* row) {
    TqzLookupGridViewInfo* info = ViewInfo();
    const Integer lineWidth = info->GetGridLineWidth();
    const TRect content{row->Bounds.left, row->Bounds.top, row->ContentArea.right,
                        row->Bounds.bottom - (row->Borders.Contains(bBottom) ? lineWidth : 0)};
    for (auto& cell : row->Cells) {
        PaintLines(cell->Bounds, cell->Borders);
        PaintCell(cell.get());
    }
    TqzBorders rowBorders;
    if (row->Borders.Contains(bRight)) rowBorders.Include(bRight);
    PaintLines(content, rowBorders);
    if (row->Borders.Contains(bBottom)) {
        TqzBorders bottom;
        bottom.Include(bBottom);
        PaintLines(TRect{row->Bounds.left, content.top, row->Bounds.right, content.bottom}, bottom);
    }
    if (row->RowIsFocused && (FGrid->Focused() || FGrid->GetPopupMode())) GetCanvas()->DrawFocusFrame(content);
}

void TqzLookupGridPainter::PaintCell(TqzLookupGridCellViewInfo* cell) {
    if (!cell->CellEditViewInfo) return;
    TqzCanvas* canvas = GetCanvas();
    cell->CellEditViewInfo->Draw(canvas);
    canvas->FrameSides(cell->ContentArea, cell->CellEditViewInfo->BackgroundColor, 15, 1);
}
