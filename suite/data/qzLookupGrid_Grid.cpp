// The lookup grid control: layout changes, keys, mouse, auto-scrolling and the scroll bar.
#include <algorithm>

#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinCore.h"
#include "suite/data/qzLookupGrid.h"

namespace {

constexpr Integer kAutoScrollInterval = 50;

// Runs the grid's EndUpdate on every exit.
class TGridUpdate {
public:
    explicit TGridUpdate(TqzCustomLookupGrid* grid) : FGrid(grid) { FGrid->BeginUpdate(); }
    ~TGridUpdate() noexcept(false) { FGrid->EndUpdate(); }
    TGridUpdate(const TGridUpdate&) = delete;
    TGridUpdate& operator=(const TGridUpdate&) = delete;

private:
    TqzCustomLookupGrid* FGrid;
};

} // namespace

TqzCustomLookupGrid::TqzCustomLookupGrid(TComponent* owner) : TqzCustomLookupGrid(owner, false) {}

TqzCustomLookupGrid::TqzCustomLookupGrid(TComponent* owner, bool deferInitialization) : TqzControl(owner) {
    if (!deferInitialization) InitializeGrid();
}

void TqzCustomLookupGrid::InitializeGrid() {
    FColumns.reset(CreateColumns());
    FOptions = std::make_unique<TqzLookupGridOptions>(this);
    CreateSubObjects();
    CreateDataController();
    SetColor(clWindow);
    SetParentColor(false);
    SetWidth(250);
    SetHeight(200);
    SetWantedKeys(TqzControlWantedKeys{wantArrows});
}

TqzCustomLookupGrid::~TqzCustomLookupGrid() {
    FDestroying = true;
    SetAutoScrollDirection(0);
    if (FColumns) FColumns->Clear();
    DestroyDataController();
    DestroySubObjects();
    FOptions.reset();
    FColumns.reset();
}

TCollectionItemClass TqzCustomLookupGrid::GetColumnClass() const {
    return TCollectionItemClass::Of<TqzLookupGridColumn>();
}

TqzLookupGridColumns* TqzCustomLookupGrid::CreateColumns() { return new TqzLookupGridColumns(this, GetColumnClass()); }

TqzCustomDataController* TqzCustomLookupGrid::CreateDataControllerObject() {
    return new TqzLookupGridDataController(this);
}

TqzLookAndFeelPainterClass TqzCustomLookupGrid::GetLookAndFeelPainterClass() const { return CurrentPainter(); }

TqzLookupGridPainter* TqzCustomLookupGrid::CreatePainter() { return new TqzLookupGridPainter(this); }

TqzLookupGridViewInfo* TqzCustomLookupGrid::CreateViewInfo() { return new TqzLookupGridViewInfo(this); }

void TqzCustomLookupGrid::CreateSubObjects() {
    FPainter.reset(CreatePainter());
    FPainter->LookAndFeelPainter = GetLookAndFeelPainterClass();
    FViewInfo.reset(CreateViewInfo());
}

void TqzCustomLookupGrid::CreateDataController() {
    FDataController.reset(CreateDataControllerObject());
    FDataController->UpdateControlHandler = TqzUpdateControlEvent(this, &TqzCustomLookupGrid::DataControllerUpdate);
}

void TqzCustomLookupGrid::DestroySubObjects() {
    FViewInfo.reset();
    FPainter.reset();
}

void TqzCustomLookupGrid::DestroyDataController() { FDataController.reset(); }

void TqzCustomLookupGrid::DataControllerUpdate(TqzUpdateControlInfo* info) { UpdateControl(info); }

Integer TqzCustomLookupGrid::GetFocusedRow() const {
    return FDataController ? FDataController->GetFocusedRowIndex() : -1;
}

Integer TqzCustomLookupGrid::GetRowCount() const { return FDataController ? FDataController->GetRowCount() : 0; }

bool TqzCustomLookupGrid::IsGridMode() const {
    return FDataController && FDataController->GetProvider()->IsGridMode();
}

// ---- Columns and layout changes --------------------------------------------------------------

void TqzCustomLookupGrid::AddColumn(TqzLookupGridColumn* column) { FDataController->AddItem(column); }

void TqzCustomLookupGrid::RemoveColumn(TqzLookupGridColumn* column) {
    if (FDataController) FDataController->RemoveItem(column);
    if (FFocusedColumn == column) FFocusedColumn = nullptr;
}

void TqzCustomLookupGrid::LayoutChanged(Byte flags) {
    FPendingChanges |= flags;
    ApplyPendingChanges();
}

void TqzCustomLookupGrid::BeginUpdate() {
    ++FUpdateLock;
    if (FDataController) FDataController->LockUpdates();
}

void TqzCustomLookupGrid::EndUpdate() {
    if (FDataController) FDataController->UnlockUpdates();
    --FUpdateLock;
    ApplyPendingChanges();
}

void TqzCustomLookupGrid::ApplyPendingChanges() {
    if (FPendingChanges == 0 || FUpdateLock != 0 || FDestroying) return;
    const Byte changes = FPendingChanges;
    FPendingChanges = 0;
    if (changes & (1 | 2 | 4)) RefreshLayout();
}

void TqzCustomLookupGrid::RefreshLayout() {
    if (!FViewInfo) return;
    SetTopRowIndex(FTopRowIndex, true);
    RecalculateAndInvalidate();
}

void TqzCustomLookupGrid::RecalculateAndInvalidate() {
    if (!HandleAllocated() || !FViewInfo) return;
    FViewInfo->Calculate();
    Invalidate();
    UpdateScrollBars();
}

void TqzCustomLookupGrid::InvalidateFocusedRow() { InvalidateRow(GetFocusedRow(), false); }

void TqzCustomLookupGrid::InvalidateRow(Integer row, bool recalculate) {
    TqzLookupGridRowViewInfo* info = FViewInfo ? FViewInfo->FindRow(row) : nullptr;
    if (!info) return;
    if (recalculate) {
        info->RowIsFocused = row == GetFocusedRow();
        FViewInfo->CalculateRowContents(info);
    }
    InvalidateArea(info->Bounds, false);
}

void TqzCustomLookupGrid::DataChanged() {
    RefreshLayout();
    OnDataChanged(this);
}

void TqzCustomLookupGrid::FireFocusedRowChanged() { OnFocusedRowChanged(this); }
void TqzCustomLookupGrid::FireCloseUp(bool accept) { OnCloseUp(this, accept); }
void TqzCustomLookupGrid::FireGridEvent() { OnGridEvent(this); }

void TqzCustomLookupGrid::FocusedRowChanged(Integer previousRow, Integer newRow) {
    if (IsRowFullyVisible(newRow)) {
        InvalidateRow(previousRow, true);
        InvalidateRow(newRow, true);
    } else {
        RefreshLayout();
        MakeFocusedRowVisible();
    }
}

void TqzCustomLookupGrid::SelectionChanged(TqzSelectionChangedInfo* info) {
    if (info->RowCount() == 0) {
        RefreshLayout();
        return;
    }
    for (Integer i = 0; i < info->RowCount(); ++i) InvalidateRow(info->RowIndex(i), true);
}

void TqzCustomLookupGrid::UpdateControl(TqzUpdateControlInfo* info) {
    if (FDestroying) return;
    if (dynamic_cast<TqzDataChangedInfo*>(info))
        DataChanged();
    else if (dynamic_cast<TqzLayoutChangedInfo*>(info))
        LayoutChangedNotification();
    else if (auto* focus = dynamic_cast<TqzFocusedRowChangedInfo*>(info))
        FocusedRowChanged(focus->PrevFocusedRow, focus->FocusedRow);
    else if (auto* focus = dynamic_cast<TqzFocusedRecordChangedInfo*>(info))
        FocusedRowChanged(focus->PrevFocusedRow, focus->FocusedRow);
    else if (auto* selection = dynamic_cast<TqzSelectionChangedInfo*>(info))
        SelectionChanged(selection);
}

void TqzCustomLookupGrid::SetFocusedRowSelected(bool value) { FDataController->SetFocusedRowSelected(value); }

// ---- Control overrides -----------------------------------------------------------------------

Integer TqzCustomLookupGrid::GetBorderSize() {
    return FPopupMode ? 0 : (FPainter ? FPainter->LookAndFeelPainter : CurrentPainter())->ControlBorderWidth();
}

void TqzCustomLookupGrid::AttachScrollBars() {
    TqzControl::AttachScrollBars();
    RefreshLayout();
}

void TqzCustomLookupGrid::HandleSizeChange() {
    TqzControl::HandleSizeChange();
    RefreshLayout();
}

void TqzCustomLookupGrid::HandleFontChange() {
    TqzControl::HandleFontChange();
    RefreshLayout();
}

void TqzCustomLookupGrid::HandleColorChange() {
    TqzControl::HandleColorChange();
    RefreshLayout();
}

void TqzCustomLookupGrid::HandleLookAndFeelChange() {
    if (FPainter) FPainter->LookAndFeelPainter = GetLookAndFeelPainterClass();
    LayoutChanged(1);
}

void TqzCustomLookupGrid::Loaded() {
    TqzControl::Loaded();
    LayoutChanged(1);
}

void TqzCustomLookupGrid::Paint() {
    TqzControl::Paint();
    if (!FPainter || !FViewInfo) return;
    FPainter->PaintBorder();
    FPainter->PaintContent();
}

void TqzCustomLookupGrid::CancelMouseOperation() {
    TqzControl::CancelMouseOperation();
    SetAutoScrollDirection(0);
    FMouseSelecting = false;
}

void TqzCustomLookupGrid::HandleFocusChange() {
    InvalidateFocusedRow();
    TqzControl::HandleFocusChange();
}

void TqzCustomLookupGrid::ReleaseMouse() {
    if (GetMouseCapture()) SetMouseCapture(false);
}

// ---- Rows, columns and scrolling -------------------------------------------------------------

Integer TqzCustomLookupGrid::GetTopVirtualRows() {
    return IsGridMode() && !FDataController->IsBOF() ? 1 : 0;
}

Integer TqzCustomLookupGrid::GetBottomVirtualRows() {
    return IsGridMode() && !FDataController->IsEOF() ? 1 : 0;
}

Integer TqzCustomLookupGrid::GetRowPitch() {
    const TqzGridLines lines = FOptions->GetGridLines();
    return FViewInfo->MinimumRowHeight +
           (lines == glVertical || lines == glNone ? 0 : FViewInfo->GetGridLineWidth());
}

Integer TqzCustomLookupGrid::GetRowsHeight(Integer rows) {
    FViewInfo->Calculate();
    const Integer header = FViewInfo->HeaderArea.bottom - FViewInfo->HeaderArea.top;
    return rows * GetRowPitch() + header;
}

Integer TqzCustomLookupGrid::FitHeight(Integer height) {
    FViewInfo->Calculate();
    const Integer header = FViewInfo->HeaderArea.bottom - FViewInfo->HeaderArea.top;
    const Integer pitch = std::max(GetRowPitch(), 1);
    Integer rows = (height - header) / pitch;
    if (rows <= 0) rows = 1;
    if (rows > GetRowCount()) rows = std::max(GetRowCount(), 1);
    return header + rows * pitch;
}

bool TqzCustomLookupGrid::IsRowFullyVisible(Integer row) {
    return row >= FTopRowIndex && row < FTopRowIndex + FViewInfo->VisibleRowCount;
}

void TqzCustomLookupGrid::MakeRowVisible(Integer row) {
    if (FViewInfo->Rows.empty() || row < 0) return;
    if (row < FTopRowIndex)
        SetTopRowIndexChecked(row);
    else if (row > FTopRowIndex + FViewInfo->VisibleRowCount - 1)
        SetTopRowIndexChecked(row - FViewInfo->VisibleRowCount + 1);
}

void TqzCustomLookupGrid::FocusRow(Integer row) { FDataController->ChangeFocusedRowIndex(row); }

void TqzCustomLookupGrid::FocusColumn(TqzLookupGridColumn* column) {
    if (FOptions->GetRowSelect() || FFocusedColumn == column) return;
    FFocusedColumn = column;
    LayoutChanged(1);
}

void TqzCustomLookupGrid::FocusColumnIndex(Integer index) {
    const Integer count = FColumns->GetCount();
    if (count == 0) return;
    FocusColumn(FColumns->GetColumn(std::clamp(index, 0, count - 1)));
}

void TqzCustomLookupGrid::SetPopupMode(bool value) {
    if (FPopupMode == value) return;
    FPopupMode = value;
    LayoutChanged(1);
}

void TqzCustomLookupGrid::MoveFocus(bool forward) {
    Integer row = GetFocusedRow();
    if (IsGridMode()) {
        if (forward && row == GetRowCount() - 1 && !FDataController->IsEOF()) {
            FDataController->Scroll(1);
            if (!FDataController->IsEOF()) --row;
        } else if (!forward && row == 0 && !FDataController->IsBOF()) {
            FDataController->Scroll(-1);
            if (!FDataController->IsBOF()) ++row;
        }
    }
    row = forward ? row + 1 : row - 1;
    row = std::clamp(row, 0, std::max(GetRowCount() - 1, 0));
    FocusRow(row);
    SetFocusedRowSelected(true);
}

void TqzCustomLookupGrid::PageDown() {
    MakeFocusedRowVisible();
    if (GetFocusedRow() == FTopRowIndex + FViewInfo->VisibleRowCount - 1) ScrollPageDown();
    FocusRow(FTopRowIndex + FViewInfo->VisibleRowCount - 1);
}

void TqzCustomLookupGrid::PageUp() {
    MakeFocusedRowVisible();
    if (GetFocusedRow() == FTopRowIndex) ScrollPageUp();
    FocusRow(FTopRowIndex);
}

void TqzCustomLookupGrid::ScrollPageDown() {
    const Integer visible = FViewInfo->VisibleRowCount;
    SetTopRowIndexChecked(FTopRowIndex + (visible < 2 ? 1 : visible - 1));
}

void TqzCustomLookupGrid::ScrollPageUp() {
    const Integer visible = FViewInfo->VisibleRowCount;
    SetTopRowIndexChecked(FTopRowIndex - (visible < 2 ? 1 : visible - 1));
}

void TqzCustomLookupGrid::SetTopRowIndexChecked(Integer index) {
    const Integer visible = FViewInfo->VisibleRowCount;
    if (IsGridMode()) {
        const Integer rowCount = GetRowCount();
        if (index < 0) {
            if (!FDataController->IsBOF()) FDataController->Scroll(index);
            index = 0;
        } else if (index >= rowCount) {
            if (!FDataController->IsEOF()) FDataController->Scroll(index - rowCount + 1);
            index = rowCount - 1;
        } else if (index > rowCount - visible) {
            if (!FDataController->IsEOF()) FDataController->Scroll(index - (rowCount - visible));
            index = rowCount - visible;
        }
    }
    index = std::clamp(index, 0, std::max(GetRowCount() - 1, 0));
    if (index != FTopRowIndex) SetTopRowIndex(index, false);
}

void TqzCustomLookupGrid::SetTopRowIndex(Integer index, bool silent) {
    if (!FViewInfo) return;
    const Integer top = FViewInfo->GetTopRowIndexFor(index);
    if (top == FTopRowIndex) {
        FViewInfo->Calculate();
        return;
    }
    ++IgnoreMouseMoves;
    FTopRowIndex = std::max(top, 0);
    --IgnoreMouseMoves;
    if (!silent) RecalculateAndInvalidate();
    else FViewInfo->Calculate();
}

void TqzCustomLookupGrid::ComputeScrollBarParams() {
    const Integer top = GetTopVirtualRows();
    SetScrollBarInfo(sbVertical, 0, top + GetRowCount() + GetBottomVirtualRows() - 1, 1,
                     FViewInfo->VisibleRowCount, top + FTopRowIndex, true, true);
}

void TqzCustomLookupGrid::ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) {
    if (kind != sbVertical) return;
    switch (code) {
    case scLineUp: SetTopRowIndexChecked(FTopRowIndex - 1); break;
    case scLineDown: SetTopRowIndexChecked(FTopRowIndex + 1); break;
    case scPageUp: ScrollPageUp(); break;
    case scPageDown: ScrollPageDown(); break;
    case scPosition:
        if (IsGridMode()) SetTopRowIndex(position - GetTopVirtualRows(), false);
        break;
    case scTrack:
        if (!IsGridMode()) SetTopRowIndex(position, false);
        break;
    default: break;
    }
    position = GetTopVirtualRows() + FTopRowIndex;
}

// ---- Hit test, header clicks, keys, mouse ----------------------------------------------------

TqzCustomLookupGrid::THitInfo TqzCustomLookupGrid::HitTest(const TPoint& point) {
    THitInfo hit;
    for (std::size_t i = 0; i < FViewInfo->Columns.size(); ++i) {
        const TRect& r = FViewInfo->Columns[i]->Bounds;
        if (PtInRect(&r, point)) {
            hit.Kind = qzlghtHeader;
            hit.Column = Integer(i);
            return hit;
        }
    }
    for (const auto& row : FViewInfo->Rows) {
        if (!PtInRect(&row->Bounds, point)) continue;
        hit.Kind = qzlghtRow;
        hit.Row = row->RowIndex;
        for (const auto& cell : row->Cells)
            if (point.x >= cell->Bounds.left && point.x < cell->Bounds.right) hit.Column = cell->Index;
        return hit;
    }
    return hit;
}

void TqzCustomLookupGrid::RowMouseDown(Integer row, Integer column, TShiftState) {
    if (row != -1) FocusRow(row);
    if (column != -1) FocusColumnIndex(column);
}

void TqzCustomLookupGrid::HeaderClick(Integer column, TShiftState shift) {
    if (!FOptions->ColumnSorting || column == -1 || !FColumns->GetColumn(column)->GetSorting()) return;
    TqzLookupGridColumn* clicked = FColumns->GetColumn(column);
    {
        TGridUpdate update(this);
        if (shift.Contains(ssCtrl)) {
            clicked->SetSortOrder(soNone);
        } else {
            const TqzDataSortOrder order = clicked->GetSortOrder();
            if (!shift.Contains(ssShift))
                for (Integer i = 0; i < FColumns->GetCount(); ++i)
                    if (i != column) FColumns->GetColumn(i)->SetSortOrder(soNone);
            clicked->SetSortOrder(order == soAscending ? soDescending : soAscending);
        }
    }
    MakeFocusedRowVisible();
}

void TqzCustomLookupGrid::HandleKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleKeyDown(key, shift);
    if (!alive) return;
    const bool rowSelect = FOptions->GetRowSelect();
    const Integer focusedColumn = FFocusedColumn ? FFocusedColumn->GetIndex() : -1;
    switch (key) {
    case VK_RETURN: FireCloseUp(GetFocusedRow() != -1); return;
    case VK_PRIOR: PageUp(); break;
    case VK_NEXT: PageDown(); break;
    case VK_END:
        if (shift.Contains(ssCtrl) || rowSelect)
            FDataController->GotoLast();
        else
            FocusColumnIndex(FColumns->GetCount() - 1);
        break;
    case VK_HOME:
        if (shift.Contains(ssCtrl) || rowSelect)
            FDataController->GotoFirst();
        else
            FocusColumnIndex(0);
        break;
    case VK_LEFT: FocusColumnIndex(focusedColumn - 1); break;
    case VK_RIGHT: FocusColumnIndex(focusedColumn + 1); break;
    case VK_UP: MoveFocus(false); break;
    case VK_DOWN: MoveFocus(true); break;
    default: return;
    }
    if (alive) MakeFocusedRowVisible();
}

void TqzCustomLookupGrid::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseDown(button, shift, x, y);
    if (!alive) return;
    const THitInfo hit = HitTest(TPoint{x, y});
    if (hit.Kind == qzlghtHeader) {
        HeaderClick(hit.Column, shift);
    } else if (hit.Kind == qzlghtRow) {
        RowMouseDown(hit.Row, hit.Column, shift);
        FMouseSelecting = true;
    }
}

void TqzCustomLookupGrid::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseMove(shift, x, y);
    if (!alive) return;
    const bool captured = GetMouseCapture();
    if (!captured && IgnoreMouseMoves > 0) {
        --IgnoreMouseMoves;
        return;
    }
    if (!captured && !IsHotTrack()) return;
    if (FMouseSelecting && captured) {
        if (y < FViewInfo->VisibleRowArea.top) {
            SetAutoScrollDirection(1);
            return;
        }
        if (y >= FViewInfo->VisibleRowArea.bottom) {
            SetAutoScrollDirection(2);
            return;
        }
    }
    SetAutoScrollDirection(0);
    const THitInfo hit = HitTest(TPoint{x, y});
    if (hit.Kind == qzlghtRow) {
        FocusRow(hit.Row);
        SetFocusedRowSelected(true);
    }
}

void TqzCustomLookupGrid::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseUp(button, shift, x, y);
    if (!alive) return;
    SetAutoScrollDirection(0);
    const bool selecting = FMouseSelecting;
    FMouseSelecting = false;
    if (selecting) FireCloseUp(IsPointOnRow(TPoint{x, y}));
}

void TqzCustomLookupGrid::SetAutoScrollDirection(Byte direction) {
    if (FAutoScrollDirection == direction) return;
    FAutoScrollTimer.reset();
    FAutoScrollDirection = direction;
    if (direction == 0) return;
    FAutoScrollTimer = std::make_unique<TqzTimer>(nullptr);
    FAutoScrollTimer->SetInterval(kAutoScrollInterval);
    FAutoScrollTimer->SetOnTimer(TNotifyEvent(this, &TqzCustomLookupGrid::AutoScrollTimerFired));
}

void TqzCustomLookupGrid::AutoScrollTimerFired(TObject*) {
    POINT cursor{};
    GetCursorPos(&cursor);
    const TPoint p = ScreenToClient(TPoint{cursor.x, cursor.y});
    Integer row;
    if (p.y < FViewInfo->VisibleRowArea.top)
        row = FTopRowIndex - 1;
    else if (p.y >= FViewInfo->VisibleRowArea.bottom)
        row = FTopRowIndex + FViewInfo->VisibleRowCount + 1;
    else
        return;
    row = std::clamp(row, 0, std::max(GetRowCount() - 1, 0));
    FocusRow(row);
    MakeRowVisible(row);
    SetFocusedRowSelected(false);
}

KOV_PUBLISHED(TqzCustomLookupGrid) {}

KOV_PUBLISHED(TqzLookupGrid) {
    Property("Columns", &TqzLookupGrid::GetColumns, &TqzLookupGrid::SetColumns);
    Property("Options", &TqzLookupGrid::GetOptions, &TqzLookupGrid::SetOptions);
    Property("LookAndFeel", &TqzLookupGrid::GetLookAndFeel, &TqzLookupGrid::SetLookAndFeel);
}
