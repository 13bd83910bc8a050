// The lookup grid: the small read-only grid of a lookup editor's drop-down. Its columns are the
// items of its data controller (a column's index is its item index); each column draws its cells
// with the editor of its repository item. A header sorts on click; the grid has a focused row
// (and, without RowSelect, a focused column), keyboard and mouse navigation, a vertical scroll
// bar, hot tracking and auto-scrolling while the mouse button is held.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Collections.h"
#include "suite/data/qzCustomData.h"
#include "suite/data/qzData.h"
#include "suite/data/qzEditRepositoryItems.h"
#include "suite/editors/qzEdit.h"
#include "suite/foundation/qzControls.h"
#include "suite/foundation/qzGraphics.h"
#include "suite/foundation/qzLookAndFeelPainters.h"

class TqzCustomLookupGrid;
class TqzLookupGridColumns;

using TqzLookupGridCloseUpEvent = TClosure<void(TObject* Sender, bool AAccept)>;

// ---- Columns, options, data controller -------------------------------------------------------

class TqzLookupGridColumn;

// The defaults of a column's editor: whether its source keeps display texts.
class TqzLookupGridDefaultValuesProvider : public TqzCustomEditDefaultValuesProvider {
    KOV_CLASS(TqzLookupGridDefaultValuesProvider, TqzCustomEditDefaultValuesProvider)
public:
    using TqzCustomEditDefaultValuesProvider::TqzCustomEditDefaultValuesProvider;
    bool HasSourceDisplayFormat(bool currencyAllowed) override;
};

class TqzLookupGridColumn : public TCollectionItem, public IqzEditRepositoryItemListener {
    KOV_CLASS(TqzLookupGridColumn, TCollectionItem)
public:
    explicit TqzLookupGridColumn(TCollection* collection);
    ~TqzLookupGridColumn() override;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    void ItemRemoved(TqzEditRepositoryItem* sender) override;
    void PropertiesChanged(TqzEditRepositoryItem* sender) override;

    // From another column inside the collection's update: defaults first, then the settings.
    void Assign(TPersistent* source) override;
    // The base move, then the data controller renumbers its items.
    void SetIndex(Integer value) override;

    // ---- Virtual operations, in slot order ----
    virtual void CheckWidth(Integer& width);
    // A factory of the column's defaults provider, made with the column as owner.
    virtual TClass GetDefaultValuesProviderClass() const;
    virtual TqzValueTypeClass GetItemValueTypeClass();
    virtual void SetItemValueTypeClass(TqzValueTypeClass value);
    virtual String GetDefaultCaption() { return String(); }
    virtual TqzEditRepositoryItem* GetDefaultRepositoryItem();
    virtual Integer GetDefaultWidth() { return 64; }
    virtual TFont* GetFont();
    virtual TqzEditRepositoryItem* GetDefaultRepositoryItemOrInternal();
    // RepositoryItem when set, else the default one: the cells are drawn with its properties.
    virtual TqzEditRepositoryItem* GetActiveRepositoryItem();
    virtual bool IsLeftmost() { return GetIndex() == 0; }
    virtual bool IsRightmost();
    virtual void RestoreDefaults();

    // ---- Published ----
    String GetCaption();
    void SetCaption(const String& value);
    bool IsCaptionStored() const { return CaptionSet; }
    bool GetFixed() const { return Fixed; }
    void SetFixed(bool value);
    TAlignment GetHeaderAlignment() const { return HeaderAlignment; }
    void SetHeaderAlignment(TAlignment value);
    Integer GetMinWidth() const { return MinWidth; }
    void SetMinWidth(Integer value);
    bool GetSorting() const { return Sorting; }
    void SetSorting(bool value);
    TqzDataSortOrder GetSortOrder();
    void SetSortOrder(TqzDataSortOrder value);
    TqzEditRepositoryItem* GetRepositoryItem() const { return RepositoryItem; }
    void SetRepositoryItem(TqzEditRepositoryItem* value);
    Integer GetWidth();
    void SetWidth(Integer value);
    bool IsWidthStored() const { return WidthSet; }

    TqzCustomLookupGrid* GetGrid() const;
    TqzCustomDataController* GetDataController() const;
    // The provider of the column's defaults (made on first use).
    TqzCustomEditDefaultValuesProvider* GetDefaultValuesProvider();
    TqzCustomEditProperties* GetActiveProperties();

    String Caption;
    bool CaptionSet = false;
    TAlignment HeaderAlignment = taLeftJustify;
    Integer MinWidth = 20;
    Integer Width = 0;
    bool WidthSet = false;
    bool Fixed = false;
    bool Sorting = true;
    TqzEditRepositoryItem* RepositoryItem = nullptr;
    std::unique_ptr<TqzEditRepositoryTextItem> InternalRepositoryItem;

private:
    std::unique_ptr<TqzCustomEditDefaultValuesProvider> FDefaultsProvider;
    TqzCustomLookupGrid* FGrid = nullptr;
    bool FAddedToController = false;
};

class TqzLookupGridColumns : public TCollection {
    KOV_CLASS(TqzLookupGridColumns, TCollection)
public:
    TqzLookupGridColumns(TqzCustomLookupGrid* grid, TCollectionItemClass itemClass);

    TPersistent* GetOwner() const override;
    TqzCustomLookupGrid* GetGrid() const { return FGrid; }
    TqzLookupGridColumn* Add() { return static_cast<TqzLookupGridColumn*>(TCollection::Add()); }
    TqzLookupGridColumn* GetColumn(Integer index) const {
        return static_cast<TqzLookupGridColumn*>(GetItems(index));
    }
    // Also the grid's update lock (not while the grid goes).
    void BeginUpdate() override;
    void EndUpdate() override;
    void RestoreDefaults();

protected:
    void Update(TCollectionItem* item) override;

private:
    TqzCustomLookupGrid* FGrid;
};

class TqzLookupGridOptions : public TPersistent {
    KOV_CLASS(TqzLookupGridOptions, TPersistent)
public:
    explicit TqzLookupGridOptions(TqzCustomLookupGrid* grid) : FGrid(grid) {}

    // Inside the grid's update lock.
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const override;

    // Bits of the grid data controller's Options; false and ignored without a grid.
    bool GetAnsiSort() const;
    void SetAnsiSort(bool value);
    bool GetCaseInsensitive() const;
    void SetCaseInsensitive(bool value);
    TqzGridLines GetGridLines() const { return FGridLines; }
    void SetGridLines(TqzGridLines value);
    bool GetRowSelect() const { return FRowSelect; }
    // True clears the grid's focused column.
    void SetRowSelect(bool value);
    bool GetShowHeader() const { return FShowHeader; }
    void SetShowHeader(bool value);
    TqzCustomLookupGrid* GetGrid() const { return FGrid; }

    bool ColumnSorting = true;
    TNotifyEvent OnChanged;

private:
    // The grid's layout change, then OnChanged.
    void Changed();
    void SetControllerOption(Word bit, bool value);

    TqzCustomLookupGrid* FGrid;
    TqzGridLines FGridLines = glBoth;
    bool FRowSelect = true;
    bool FShowHeader = true;
};

class TqzLookupGridDataController : public TqzDataController {
    KOV_CLASS(TqzLookupGridDataController, TqzDataController)
public:
    explicit TqzLookupGridDataController(TComponent* owner);
    TObject* GetItem(Integer index) const override;
    TqzCustomLookupGrid* GetGrid() const;
};

// ---- Layout and painting ---------------------------------------------------------------------

class TqzCustomEditViewInfo;

class TqzLookupGridPartViewInfo : public TObject {
    KOV_CLASS(TqzLookupGridPartViewInfo, TObject)
public:
    TqzLookupGridPartViewInfo() = default;
    TRect Bounds;
    TRect ContentArea;
};

class TqzLookupGridColumnViewInfo : public TqzLookupGridPartViewInfo {
    KOV_CLASS(TqzLookupGridColumnViewInfo, TqzLookupGridPartViewInfo)
public:
    TqzLookupGridColumnViewInfo();
    ~TqzLookupGridColumnViewInfo() override;

    std::unique_ptr<TqzCustomEditStyle> Style;
    TColor TextColor = clWindowText;
    TColor BackColor = clWindow;
    TqzSides Borders = 0;
    TAlignment Alignment = taLeftJustify;
    TqzSides AdjacentSides = 0;
    TqzDataSortOrder SortOrder = soNone;
    String Text;
    TqzLookupGridColumn* Column = nullptr;
};

class TqzLookupGridCellViewInfo : public TqzLookupGridPartViewInfo {
    KOV_CLASS(TqzLookupGridCellViewInfo, TqzLookupGridPartViewInfo)
public:
    TqzLookupGridCellViewInfo();
    ~TqzLookupGridCellViewInfo() override;

    std::unique_ptr<TqzCustomEditViewInfo> CellEditViewInfo;
    TqzBorders Borders;
    Integer Index = -1;
    bool RowIsFocused = false;
};

class TqzLookupGridRowViewInfo : public TqzLookupGridPartViewInfo {
    KOV_CLASS(TqzLookupGridRowViewInfo, TqzLookupGridPartViewInfo)
public:
    TqzLookupGridRowViewInfo() = default;

    Integer Count() const { return Integer(Cells.size()); }
    TqzLookupGridCellViewInfo* Cell(Integer index) const { return Cells.at(std::size_t(index)).get(); }

    std::vector<std::unique_ptr<TqzLookupGridCellViewInfo>> Cells;
    TqzBorders Borders;
    bool RowIsFocused = false;
    Integer RowIndex = -1;
    Integer RecordIndex = -1;
};

class TqzLookupGridViewInfo : public TObject {
    KOV_CLASS(TqzLookupGridViewInfo, TObject)
public:
    explicit TqzLookupGridViewInfo(TqzCustomLookupGrid* grid);
    ~TqzLookupGridViewInfo() override;

    // ---- Virtual operations, in slot order ----
    virtual Integer GetHeaderHeight();
    virtual void CalculateHeaders();
    virtual void CalculateEmptyAreas();
    virtual void CalculateHeaderBounds();
    virtual void CalculateRows();
    virtual void Calculate();
    // The top row for a wanted top index: the last page stays full.
    virtual Integer GetTopRowIndexFor(Integer index);
    virtual void PrepareColumnStyle(TqzLookupGridColumnViewInfo* columnViewInfo, TqzLookupGridColumn* column);
    // A view data of the column's properties in its style; the caller owns it.
    virtual TqzCustomEditViewData* BeginCellDrawing(TqzLookupGridColumnViewInfo* columnViewInfo,
                                                    TqzLookupGridColumn* column);
    virtual void EndCellDrawing(TqzLookupGridColumnViewInfo* columnViewInfo, TqzLookupGridColumn* column) {}
    virtual TColor GetContentColor();
    virtual TFont* GetContentFont();
    virtual TColor GetContentTextColor();
    virtual TColor GetGridLineColor() { return clBtnFace; }
    virtual Integer GetGridLineWidth() { return 1; }
    virtual TColor GetHeaderColor();
    virtual TFont* GetHeaderFont();
    virtual TColor GetHeaderTextColor();
    virtual TColor GetSelectionColor();
    virtual TColor GetSelectionTextColor();

    // The row's view info by row index; nullptr when the row is not placed.
    TqzLookupGridRowViewInfo* FindRow(Integer rowIndex) const;
    // The cells' contents of a row (colours, editor view infos) computed again.
    void CalculateRowContents(TqzLookupGridRowViewInfo* row);
    TRect GetClientBounds() const;
    TqzCanvas* GetCanvas() const;

    std::vector<std::unique_ptr<TqzLookupGridColumnViewInfo>> Columns;
    TqzCustomLookupGrid* Grid;
    Integer WorkingTopRow = 0;
    Byte TopRowSearchMode = 0;
    Integer MinimumRowHeight = 0;
    std::vector<std::unique_ptr<TqzLookupGridRowViewInfo>> Rows;
    Integer BorderSize = 0;
    TRect HeaderArea;
    TRect BottomEmptyArea;
    TRect RightEmptyArea;
    Integer PartlyVisibleRowCount = 0;
    Integer VisibleRowCount = 0;
    TRect RowArea;
    TRect VisibleRowArea;

private:
    void CalculateRow(TqzLookupGridRowViewInfo* row, Integer top, bool last);
};

class TqzLookupGridPainter : public TObject {
    KOV_CLASS(TqzLookupGridPainter, TObject)
public:
    explicit TqzLookupGridPainter(TqzCustomLookupGrid* grid);
    ~TqzLookupGridPainter() override;

    // ---- Virtual operations, in slot order ----
    virtual void PaintBorder();
    virtual void PaintCell(TqzLookupGridCellViewInfo* cell);
    virtual void PaintContent();
    virtual void PaintEmptyAreas();
    virtual void PaintHeaders();
    virtual void PaintRow(TqzLookupGridRowViewInfo* row);
    virtual void PaintRows();

    // The grid's canvas while it has a window; else a screen canvas made once.
    TqzCanvas* GetCanvas();
    TqzLookAndFeelPainterClass LookAndFeelPainter = nullptr;

private:
    TqzLookupGridViewInfo* ViewInfo() const;
    void PaintLines(const TRect& bounds, TqzBorders borders);

    TqzCustomLookupGrid* FGrid;
    std::unique_ptr<TqzScreenCanvas> FScreenCanvas;
};

// ---- The grid --------------------------------------------------------------------------------

// Hit test kinds.
constexpr Byte qzlghtNone = 0;
constexpr Byte qzlghtHeader = 1;
constexpr Byte qzlghtRow = 2;

class TqzCustomLookupGrid : public TqzControl {
    KOV_CLASS(TqzCustomLookupGrid, TqzControl)
public:
    explicit TqzCustomLookupGrid(TComponent* owner);
    ~TqzCustomLookupGrid() override;

    // ---- Virtual operations, in slot order ----
    virtual void AddColumn(TqzLookupGridColumn* column);
    virtual void LayoutChanged(Byte flags);
    virtual void CreateSubObjects();
    virtual void CreateDataController();
    virtual void DestroySubObjects();
    virtual void DestroyDataController();
    virtual void RowMouseDown(Integer row, Integer column, TShiftState shift);
    virtual void HeaderClick(Integer column, TShiftState shift);
    virtual TCollectionItemClass GetColumnClass() const;
    virtual TqzLookupGridColumns* CreateColumns();
    virtual TqzCustomDataController* CreateDataControllerObject();
    virtual TqzLookAndFeelPainterClass GetLookAndFeelPainterClass() const;
    virtual TqzLookupGridPainter* CreatePainter();
    virtual Integer GetTopVirtualRows();
    virtual Integer GetBottomVirtualRows();
    virtual TqzLookupGridViewInfo* CreateViewInfo();
    virtual bool IsHotTrack() { return FPopupMode; }
    virtual void RemoveColumn(TqzLookupGridColumn* column);
    virtual void SetAutoScrollDirection(Byte direction);
    virtual void InvalidateFocusedRow();
    virtual void InvalidateRow(Integer row, bool recalculate);
    virtual void RecalculateAndInvalidate();
    virtual void DataChanged();
    virtual void LayoutChangedNotification() { RefreshLayout(); }
    virtual void FireFocusedRowChanged();
    virtual void FireCloseUp(bool accept);
    virtual void FireGridEvent();
    virtual void FocusedRowChanged(Integer previousRow, Integer newRow);
    virtual void RefreshLayout();
    virtual void SelectionChanged(TqzSelectionChangedInfo* info);
    virtual void UpdateControl(TqzUpdateControlInfo* info);
    virtual void SetFocusedRowSelected(bool value);

    // ---- Overrides of the control ----
    Integer GetBorderSize() override;
    void AttachScrollBars() override;
    void HandleSizeChange() override;
    void HandleFontChange() override;
    void HandleColorChange() override;
    void HandleLookAndFeelChange() override;
    void ComputeScrollBarParams() override;
    void ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) override;
    bool AcceptsUnfocusedMouseDown() override { return true; }
    void CancelMouseOperation() override;
    void HandleFocusChange() override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseMove(TShiftState shift, Integer x, Integer y) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;

    // ---- Operations ----
    void BeginUpdate();
    void EndUpdate();
    void ApplyPendingChanges();
    struct THitInfo {
        Byte Kind = qzlghtNone;
        Integer Row = -1;
        Integer Column = -1;
    };
    THitInfo HitTest(const TPoint& point);
    bool IsPointOnRow(const TPoint& point) { return HitTest(point).Kind == qzlghtRow; }
    bool IsRowFullyVisible(Integer row);
    void MakeFocusedRowVisible() { MakeRowVisible(GetFocusedRow()); }
    void MakeRowVisible(Integer row);
    void FocusRow(Integer row);
    void FocusColumn(TqzLookupGridColumn* column);
    void FocusColumnIndex(Integer index);
    bool GetPopupMode() const { return FPopupMode; }
    void SetPopupMode(bool value);
    Integer GetRowsHeight(Integer rows);
    Integer FitHeight(Integer height);
    Integer GetRowPitch();
    void MoveFocus(bool forward);
    void PageDown();
    void PageUp();
    void ScrollPageDown();
    void ScrollPageUp();
    void SetTopRowIndexChecked(Integer index);
    void SetTopRowIndex(Integer index, bool silent);
    // The mouse capture released (the lookup editor's list hides).
    void ReleaseMouse();

    TqzLookupGridColumns* GetColumns() const { return FColumns.get(); }
    void SetColumns(TqzLookupGridColumns* value) { FColumns->Assign(value); }
    TqzLookupGridOptions* GetOptions() const { return FOptions.get(); }
    void SetOptions(TqzLookupGridOptions* value) { FOptions->Assign(value); }
    TqzCustomDataController* GetDataController() const { return FDataController.get(); }
    TqzLookupGridViewInfo* GetViewInfo() const { return FViewInfo.get(); }
    TqzLookupGridPainter* GetPainter() const { return FPainter.get(); }
    TqzLookupGridColumn* GetFocusedColumn() const { return FFocusedColumn; }
    Integer GetFocusedRow() const;
    Integer GetRowCount() const;
    Integer GetTopRowIndex() const { return FTopRowIndex; }
    Integer GetVisibleRowCount() const { return FViewInfo->VisibleRowCount; }
    Integer GetUpdateLock() const { return FUpdateLock; }
    bool IsGridDestroying() const { return FDestroying; }
    Byte GetAutoScrollDirection() const { return FAutoScrollDirection; }
    TqzTimer* GetAutoScrollTimer() const { return FAutoScrollTimer.get(); }
    bool IsMouseSelecting() const { return FMouseSelecting; }
    bool IsGridMode() const;

    Integer IgnoreMouseMoves = 0;
    TNotifyEvent OnFocusedRowChanged;
    TqzLookupGridCloseUpEvent OnCloseUp;
    TNotifyEvent OnDataChanged;
    TNotifyEvent OnGridEvent;

protected:
    // The column and data controller classes of descendants are asked for once the object is
    // complete: a descendant's constructor calls InitializeGrid last.
    TqzCustomLookupGrid(TComponent* owner, bool deferInitialization);
    void InitializeGrid();
    void Loaded() override;
    void Paint() override;
    void ClearFocusedColumn() { FFocusedColumn = nullptr; }

private:
    friend class TqzLookupGridColumn;
    friend class TqzLookupGridOptions;
    void AutoScrollTimerFired(TObject* sender);
    void DataControllerUpdate(TqzUpdateControlInfo* info);

    Byte FPendingChanges = 0;
    std::unique_ptr<TqzLookupGridColumns> FColumns;
    TqzLookupGridColumn* FFocusedColumn = nullptr;
    bool FPopupMode = false;
    Integer FUpdateLock = 0;
    std::unique_ptr<TqzLookupGridOptions> FOptions;
    std::unique_ptr<TqzLookupGridPainter> FPainter;
    bool FMouseSelecting = false;
    Byte FAutoScrollDirection = 0;
    std::unique_ptr<TqzTimer> FAutoScrollTimer;
    Integer FTopRowIndex = 0;
    std::unique_ptr<TqzLookupGridViewInfo> FViewInfo;
    std::unique_ptr<TqzCustomDataController> FDataController;
    bool FDestroying = false;
};

class TqzLookupGrid : public TqzCustomLookupGrid {
    KOV_CLASS(TqzLookupGrid, TqzCustomLookupGrid)
public:
    explicit TqzLookupGrid(TComponent* owner) : TqzCustomLookupGrid(owner) {}
};
