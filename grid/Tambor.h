// The cell grid: one record per cell with its own formatting and two texts (the fore text that
// is shown and edited, the back text the application keeps codes in), cell properties set by
// selector codes, checked text writes with their notifications, number, date and time text
// conversion, and the grid's geometry: counts, column widths and row heights, the mapping
// between cells and pixels, and scrolling.
//
// The grid is a custom control: it paints its cells, keeps a current cell and a selection that
// keys and the mouse move, and scrolls with its window's scroll bars. Everything that touches
// the window (invalidating, painting at once, moving pixels, scroll bars, the client size) goes
// through a few protected virtuals, so that a grid without a window still works as data.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/Mask.h"
#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/runtime/WinTypes.h"

class TFiler;
class TReader;
class TWriter;

// ---- Cells ------------------------------------------------------------------------------------

KOV_DECLARE_EXCEPTION(EInvalidGridOperation, Exception);

enum TDataStyle : Byte { dsText, dsNumber, dsDate, dsTime, dsFormula };
// Scoped: the class library's TAlignment has a taCenter of its own.
enum class TAlignMode : Byte {
    taTopLeft,
    taTop,
    taTopRight,
    taLeft,
    taCenter,
    taRight,
    taBottomLeft,
    taBottom,
    taBottomRight
};

// A rectangle of cells, corners included.
struct TGridRect {
    Integer Left = 0;
    Integer Top = 0;
    Integer Right = 0;
    Integer Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

struct TGridCoord {
    Integer X = 0;
    Integer Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// One cell. Every cell of a multi-cell area has the same Area; the area's top-left cell holds
// what is shown for the whole area.
struct TCellInfo {
    TDataStyle DataStyle = dsText;
    TAlignMode AlignMode = TAlignMode::taTopLeft;
    TGridRect Area;
    bool ReadOnly = false;
    bool AutoWordBreak = true;
    bool ShowForeText = true; // false: the back text is shown and edited
    bool TopLine = false;
    bool LeftLine = false;
    bool BottomLine = false;
    bool RightLine = false;
    bool AllowNegative = true; // kept with the cell; nothing reads it
    bool TrailingZero = false;
    bool ZeroNull = false;
    bool ThousandSep = false;
    Integer MaxLength = 255; // kept with the cell; the editor has no length limit
    Integer IntLength = 3;
    Integer DecLength = 2;
    Integer LineWidth = 1;
    TPenStyle PenStyle = psSolid;
    Integer Spare = 0;
    TColor Color = clWhite;
    Integer FontSize = 8;
    TColor FontColor = clBlack;
    TFontStyles FontStyle;
    String FontName;
    String ForeText;
    String BackText;
};

// The records of one column, index = row. Owns them.
class TColCellInfoList {
public:
    Integer Count() const { return Integer(FItems.size()); }
    TCellInfo& Items(Integer row) { return *FItems[std::size_t(row)]; }
    const TCellInfo& Items(Integer row) const { return *FItems[std::size_t(row)]; }
    void Add(const TCellInfo& cell) { FItems.push_back(std::make_unique<TCellInfo>(cell)); }
    void DeleteLast() { FItems.pop_back(); }
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TCellInfo>> FItems;
};

// The cell store: one list per column, index = column.
class TCells {
public:
    Integer Count() const { return Integer(FItems.size()); }
    TColCellInfoList& Items(Integer col) { return *FItems[std::size_t(col)]; }
    const TColCellInfoList& Items(Integer col) const { return *FItems[std::size_t(col)]; }
    TColCellInfoList& Add() { return *FItems.emplace_back(std::make_unique<TColCellInfoList>()); }
    void DeleteLast() { FItems.pop_back(); }
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TColCellInfoList>> FItems;
};

// The value of a cell-property selector: an integer for codes 0..21, font styles for 22, a
// text for 23..25.
class TCellPropValue {
public:
    enum TKind { cpInteger, cpFontStyles, cpText };

    TCellPropValue(Integer value) : FKind(cpInteger), FInteger(value) {}
    TCellPropValue(const TFontStyles& value) : FKind(cpFontStyles), FFontStyles(value) {}
    TCellPropValue(const String& value) : FKind(cpText), FText(value) {}
    TCellPropValue(const char* value) : FKind(cpText), FText(value ? value : "") {}

    TKind Kind() const { return FKind; }
    Integer AsInteger() const { return FInteger; }
    const TFontStyles& AsFontStyles() const { return FFontStyles; }
    const String& AsText() const { return FText; }

private:
    TKind FKind;
    Integer FInteger = 0;
    TFontStyles FFontStyles;
    String FText;
};

// ---- Text conversion and the grid's message boxes --------------------------------------------

// Removes every thousands separator of the locale, then the blanks at both ends.
String StripThousandSeparators(const String& text);
// The number text a dsNumber cell stores for `text`; "" for "", "-", "0." and "0", and for a
// zero with zeroNull. Raises EConvertError when the text is not a number.
String FormatNumberText(const String& text, Integer intLength, Integer decLength, bool thousandSep,
                        bool zeroNull, bool trailingZero);
// The title of the k-th data column (k = column - 1): "A".."Z", "AA".."IV"; "" outside 0..255.
String ColumnLetters(Integer k);

// Caption "Caution", information icon, OK.
void GridInfoBox(const String& text);
// Caption "Caution", error icon, OK.
void GridErrorBox(const String& text);
// Caption "Confirmation", question icon, OK and Cancel; defaultButton 2 makes Cancel the
// default. True when OK was chosen.
bool GridConfirmBox(const String& text, Integer defaultButton);

// ---- The grid ---------------------------------------------------------------------------------

enum TTamborOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TTamborOptions = TSet<TTamborOption, goThumbTracking>;

enum TTamborState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsMoving, gsCopying, gsFilling };

using TSetCellTextEvent = TClosure<void(TObject* Sender, Integer ACol, Integer ARow, String& Value)>;

// How a painted cell stands: in the selection, the focused current cell, in the fixed band, in
// the title row or column.
enum TTamborDrawStateItem { gdSelected, gdFocused, gdFixed, gdTitled };
using TTamborDrawState = TSet<TTamborDrawStateItem, gdTitled>;
using TDrawCellEvent =
    TClosure<void(TObject* Sender, Integer ACol, Integer ARow, TRect Rect, TTamborDrawState State)>;
// CanSelect is true on entry; a handler that clears it keeps the current cell where it is.
using TSelectCellEvent = TClosure<void(TObject* Sender, Integer ACol, Integer ARow, bool& CanSelect)>;
// The editor's text (or mask) of a cell; a handler may replace Value.
using TGetEditEvent = TClosure<void(TObject* Sender, Integer ACol, Integer ARow, String& Value)>;
using TSetEditEvent = TClosure<void(TObject* Sender, Integer ACol, Integer ARow, const String& Value)>;

// What a press at a point of the selection's border would start.
enum THandleHit { hhNone, hhMove, hhCopy, hhFill };
enum TFillDirection { fdNone, fdHorizontal, fdVertical };
using TCopyMoveCellsEvent = TClosure<void(TObject* Sender, TGridRect SrcRect, TGridRect DestRect)>;
using TFillCellsEvent = TClosure<void(TObject* Sender, TGridRect SrcRect, TGridRect DestRect)>;

class TInplaceEdit;

// Pixel layout of one axis (columns with the client width, rows with the client height).
struct TTamborAxis {
    bool Horizontal = true;
    Integer LineWidth = 0;     // L: GridLineWidth when the axis draws lines, else 0
    Integer TitleExtent = 0;   // title cell + L, 0 when the title is hidden
    Integer FixedBoundary = 0; // end of the fixed cells
    Integer GridBoundary = 0;  // end of the last fully visible cell, or the client extent
    Integer ClientExtent = 0;
    Integer FixedCount = 0;          // FixedCols / FixedRows
    Integer FirstCell = 0;           // FirstVisibleCol / FirstVisibleRow
    Integer LastFullVisibleCell = 0; // FirstCell - 1 when none fits
    Integer CellCount = 0;           // ColCount / RowCount
    Integer Offset = 0;              // pixels the scrolling cells are moved left (columns only)
};

struct TTamborDrawInfo {
    TTamborAxis Horz;
    TTamborAxis Vert;
};

class TCustomTambor : public TCustomControl {
    KOV_CLASS(TCustomTambor, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomTambor(TComponent* owner);
    ~TCustomTambor() override;

    // ---- Cells (every access is range-checked: "Grid index out of range") ----
    TCellInfo& CellAt(Integer col, Integer row);
    const TCellInfo& CellAt(Integer col, Integer row) const;
    TGridRect CellAreaOf(Integer col, Integer row) const;
    TColor CellColorOf(Integer col, Integer row) const;
    bool IsMergedCell(Integer col, Integer row) const;
    // Cells of the rectangle outside the grid do not count.
    bool RangeHasMergedCell(const TGridRect& rect) const;

    String ReadForeText(Integer col, Integer row) const;
    String ReadBackText(Integer col, Integer row) const;
    // The checked write: converts by the cell's data style (a failure shows the "Cell[c,r]" box
    // and changes nothing), stores, repaints, then raises OnSetForeText even when nothing
    // changed.
    void WriteForeText(Integer col, Integer row, const String& text);
    void WriteBackText(Integer col, Integer row, const String& text);

    // Selector codes 0..25; other codes change nothing. A value of the wrong kind for its code
    // raises EConvertError.
    void SetColumnCellProperty(Integer col, Integer code, const TCellPropValue& value);
    void SetRowCellProperty(Integer row, Integer code, const TCellPropValue& value);
    void SetRangeCellProperty(const TGridRect& rect, Integer code, const TCellPropValue& value);
    void SetAllCellProperty(Integer code, const TCellPropValue& value);
    // Gives the cells of the rectangle (clamped to the data cells) the values of new cells.
    void ResetCells(const TGridRect& rect);
    // Empties the fore and back texts of the block's cells (through the checked writes, so the
    // text events run), leaving ReadOnly cells alone; an area is cleared at its top-left cell.
    void ClearCells(const TGridRect& block);

    // ---- Repainting (requests outside the grid are clamped to it) ----
    void InvalidateCells(const TGridRect& rect);
    void RefreshIfAutoUpdate();
    void RepaintRow(Integer row);
    bool GetAutoUpdate() const { return FAutoUpdate; }
    void SetAutoUpdate(bool value);

    // ---- Counts ----
    Integer GetColCount() const { return FColCount; }
    void SetColCount(Integer value);
    Integer GetRowCount() const { return FRowCount; }
    void SetRowCount(Integer value);
    Integer GetFixedCols() const { return FFixedCols; }
    void SetFixedCols(Integer value);
    Integer GetFixedRows() const { return FFixedRows; }
    void SetFixedRows(Integer value);

    // ---- Sizes ----
    Integer ColumnWidthAt(Integer col) const;
    Integer RowHeightAt(Integer row) const;
    void SetColumnWidthAt(Integer col, Integer width);
    void SetRowHeightAt(Integer row, Integer height);
    Integer GetDefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(Integer value);
    Integer GetDefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(Integer value);
    Integer GetGridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(Integer value);

    // ---- Cells and pixels ----
    RECT CellRect(Integer col, Integer row) const;
    // All zero when the range is empty or none of it is visible.
    RECT CellRangeRect(const TGridRect& rect, bool includeLines) const;
    TGridCoord CellAtPoint(Integer x, Integer y) const;
    Integer GetVisibleColCount() const;
    Integer GetVisibleRowCount() const;

    // ---- Scrolling ----
    Integer GetFirstVisibleCol() const { return FFirstVisibleCol; }
    Integer GetFirstVisibleRow() const { return FFirstVisibleRow; }
    // Pixels the single data column is scrolled by (only while ColCount is 2).
    Integer GetHorzOffset() const { return FHorzOffset; }
    void SetTopLeft(Integer col, Integer row);
    void ScrollIntoView(Integer col, Integer row);
    // A scroll-bar request with the window system's codes: 0 line up, 1 line down, 2 page up,
    // 3 page down, 4 thumb position, 5 thumb track, 6 top, 7 bottom (others do nothing);
    // `position` is the thumb's 0..127 (or pixel) position.
    void ScrollBarCommand(bool horizontal, Integer code, Integer position);
    // The scroll bar's maximum (its minimum is 0) and position for the present layout.
    Integer ScrollBarRangeMax(bool horizontal) const;
    Integer ScrollBarPosition(bool horizontal) const;

    // ---- Current cell and selection ----
    Integer GetCol() const { return FCurrent.X; }
    Integer GetRow() const { return FCurrent.Y; }
    TGridCoord GetAnchor() const { return FAnchor; }
    TGridRect GetSelection() const { return FSelection; }
    TTamborState GetGridState() const { return FGridState; }
    // Makes (col, row) the current cell unless OnSelectCell refuses it. The anchor goes to the
    // bottom-right of the cell's area unless goRangeSelect is set and moveAnchor is not; with
    // moveAnchor and show the cell is scrolled into view. Raises "Grid index out of range"
    // outside the grid.
    void SetCurrentCell(Integer col, Integer row, bool moveAnchor, bool show);
    // SetCurrentCell with show, then the editor and OnClick; nothing for the current cell.
    void GoToCell(Integer col, Integer row, bool moveAnchor);
    // Moves the anchor (with goRangeSelect) or the current cell (without) to the cell.
    void PlaceAnchor(const TGridCoord& cell);
    // Stores the selection, clamped to the scrolling data cells, and repaints what changed.
    void ApplySelection(const TGridRect& rect);
    // The smallest rectangle holding both cells' areas that cuts no multi-cell area.
    TGridRect WidenToAreas(const TGridCoord& a, const TGridCoord& b) const;
    // The first index from `index` up (down to the first scrolling one) whose size is not
    // negative; index - 1 (index + 1) when there is none.
    Integer NextShownCell(bool horizontal, Integer index) const;
    Integer PrevShownCell(bool horizontal, Integer index) const;
    // Whether the grid is the active control of its form (without a form: whether the focus
    // is in its window).
    bool HasFocusWithin() const;
    // Whether no multi-cell area crosses the border of the rectangle.
    bool IsWholeRange(const TGridRect& rect) const;

    // ---- Moving, copying and filling blocks of cells ----
    // Move (copy with Ctrl) on the selection's border, fill just beyond its bottom-right corner.
    THandleHit HandleHitTest(Integer x, Integer y, TShiftState shift) const;
    // Keeps every field of the block's cells (clamped to the data cells) for one operation.
    void CopyToBuffer(const TGridRect& block);
    // Writes the kept cells to the target (clamped to the data cells), shifted from their
    // source by the target's top-left corner, areas moved along; texts are written directly.
    void PasteFromBuffer(const TGridRect& target);
    // Whether the block can land on the target: non-empty cells there need the user's OK; a
    // target that cuts an area or holds a ReadOnly cell is refused with an error box.
    bool CheckMoveTarget(const TGridRect& source, const TGridRect& target);
    // Whether the cells a fill by `count` covers may be filled (the block itself for fdNone).
    bool CheckFillTarget(const TGridRect& block, Integer count, TFillDirection direction);
    // Repeats the block's columns (rows) over `count` more columns (rows) beyond it, to the
    // right (down) for a positive count, to the left (up) for a negative one.
    void FillCells(const TGridRect& block, Integer count, TFillDirection direction);

    // ---- The in-place editor ----
    bool GetEditorMode() const { return FEditorMode; }
    // Whether the in-place editor is on the screen (editor mode on a read-only cell shows none).
    bool InplaceEditorShown() const;
    // The editor, once a placement made it; it lives as long as the grid.
    TInplaceEdit* GetInplaceEditor() const { return FInplaceEdit; }
    // The cell whose text the editor holds; (-1, -1) when none.
    TGridCoord GetEditorCell() const { return FEditorCell; }
    // Editor mode on (scrolling the current cell in first) and the editor placed.
    void OpenEditor();
    // Editor mode off; the editor's text goes back into its cell.
    void CloseEditor();
    void SwitchEditor(bool on);
    // Opens the editor and hands it a typed character.
    void OpenEditorWithKey(char32_t key);
    void SelectEditorText();
    // Shows the editor over the current cell's area when editing is allowed, loading the cell.
    void PlaceEditor();
    // Commits the editor's text, raises OnHideEdit and hides the editor.
    void ReleaseEditor();
    // The text the editor starts with: the shown text of the area's top-left cell, then
    // OnGetEditText.
    String EditorTextOf(Integer col, Integer row);
    // Empty unless OnGetEditMask gives one.
    String EditorMaskOf(Integer col, Integer row);
    bool EditorMayModify() const { return FCanEditModify; }
    // Writes an edited text into the cell through the checked writes, then OnSetEditText.
    void TakeEditorText(Integer col, Integer row, const String& text);
    void CommitEditorText();

    // Which border (if any) a press at the client point would size: state gsColSizing or
    // gsRowSizing with the sized index, the border's position and its distance from the point.
    virtual void SizingHitTest(Integer x, Integer y, TTamborState& state, Integer& index, Integer& sizingPos,
                               Integer& sizingOfs) const;

    // ---- Other properties ----
    TTamborOptions GetOptions() const { return FOptions; }
    void SetOptions(TTamborOptions value);
    TScrollStyle GetScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TColor GetFixedLineColor() const { return FFixedLineColor; }
    void SetFixedLineColor(TColor value);
    TColor GetClientLineColor() const { return FClientLineColor; }
    void SetClientLineColor(TColor value);
    TColor GetTitleColor() const { return FTitleColor; }
    void SetTitleColor(TColor value);
    TColor GetFocusedTitleColor() const { return FFocusedTitleColor; }
    void SetFocusedTitleColor(TColor value);
    TColor GetHighLightColor() const { return FHighLightColor; }
    void SetHighLightColor(TColor value);
    TColor GetHighLightTextColor() const { return FHighLightTextColor; }
    void SetHighLightTextColor(TColor value);
    bool GetShowColTitle() const { return FShowColTitle; }
    void SetShowColTitle(bool value);
    bool GetShowRowTitle() const { return FShowRowTitle; }
    void SetShowRowTitle(bool value);
    bool GetDefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool value) { FDefaultDrawing = value; }
    bool GetAlwaysDrawFocus() const { return FAlwaysDrawFocus; }
    void SetAlwaysDrawFocus(bool value) { FAlwaysDrawFocus = value; }
    bool GetClientSizeable() const { return FClientSizeable; }
    void SetClientSizeable(bool value) { FClientSizeable = value; }
    bool GetGridCanCopyMove() const { return FGridCanCopyMove; }
    void SetGridCanCopyMove(bool value) { FGridCanCopyMove = value; }
    bool GetGridCanFill() const { return FGridCanFill; }
    void SetGridCanFill(bool value) { FGridCanFill = value; }
    bool GetShowPopup() const { return FShowPopup; }
    void SetShowPopup(bool value) { FShowPopup = value; }

    // ---- Defaults of new cells; the setters also set the property on every data cell ----
    TDataStyle GetCellDataStyle() const { return FCellDataStyle; }
    void SetCellDataStyle(TDataStyle value);
    TAlignMode GetCellAlignMode() const { return FCellAlignMode; }
    void SetCellAlignMode(TAlignMode value);
    bool GetCellReadOnly() const { return FCellReadOnly; }
    void SetCellReadOnly(bool value);
    bool GetCellAutoWordBreak() const { return FCellAutoWordBreak; }
    void SetCellAutoWordBreak(bool value);
    bool GetCellShowForeText() const { return FCellShowForeText; }
    void SetCellShowForeText(bool value);
    bool GetCellAllowNegative() const { return FCellAllowNegative; }
    void SetCellAllowNegative(bool value);
    bool GetCellTrailingZero() const { return FCellTrailingZero; }
    void SetCellTrailingZero(bool value);
    bool GetCellZeroNull() const { return FCellZeroNull; }
    void SetCellZeroNull(bool value);
    bool GetCellThousandSep() const { return FCellThousandSep; }
    void SetCellThousandSep(bool value);
    Integer GetCellMaxLength() const { return FCellMaxLength; }
    void SetCellMaxLength(Integer value);
    Integer GetCellIntLength() const { return FCellIntLength; }
    void SetCellIntLength(Integer value);
    Integer GetCellDecLength() const { return FCellDecLength; }
    void SetCellDecLength(Integer value);
    Integer GetCellLineWidth() const { return FCellLineWidth; }
    void SetCellLineWidth(Integer value);
    TPenStyle GetCellPenStyle() const { return FCellPenStyle; }
    void SetCellPenStyle(TPenStyle value);
    TColor GetCellColor() const { return FCellColor; }
    void SetCellColor(TColor value);
    Integer GetCellFontSize() const { return FCellFontSize; }
    void SetCellFontSize(Integer value);
    TColor GetCellFontColor() const { return FCellFontColor; }
    void SetCellFontColor(TColor value);
    TFontStyles GetCellFontStyle() const { return FCellFontStyle; }
    void SetCellFontStyle(TFontStyles value);
    // The font face of new cells.
    String CellFontName = "MS Sans Serif";

    // ---- Events ----
    TSetCellTextEvent OnSetForeText;
    TSetCellTextEvent OnSetBackText;
    TNotifyEvent OnTopLeftChanged;
    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TGetEditEvent OnGetEditText;
    TGetEditEvent OnGetEditMask;
    TSetEditEvent OnSetEditText;
    TSetEditEvent OnHideEdit;
    TCopyMoveCellsEvent OnCopyMoveCells;
    TFillCellsEvent OnFillCells;
    // Stored with the grid, so definitions that name them read, but never raised.
    TNotifyEvent BeforeSetCellProp;
    TNotifyEvent AfterSetCellProp;
    TNotifyEvent OnInsertCol;
    TNotifyEvent OnInsertRow;
    TNotifyEvent OnDeleteCol;
    TNotifyEvent OnDeleteRow;
    TNotifyEvent OnInsertCellRight;
    TNotifyEvent OnInsertCellDown;
    TNotifyEvent OnDeleteCellRight;
    TNotifyEvent OnDeleteCellDown;
    TNotifyEvent OnPasteCells;
    TNotifyEvent OnCutCells;

    // Stores "ColWidths" and "RowHeights" once a size table exists.
    void DefineProperties(TFiler* filer) override;

protected:
    // The values a new cell at (col, row) gets.
    TCellInfo InitCell(Integer col, Integer row) const;

    // ---- Window seams: nothing happens without a window ----
    // Whether the control's window exists.
    virtual bool GridHasWindow() const { return HandleAllocated(); }
    virtual Integer GridClientWidth() const { return GetClientWidth(); }
    virtual Integer GridClientHeight() const { return GetClientHeight(); }
    // Marks client pixels for repainting.
    virtual void InvalidatePixels(const RECT& rect, bool erase);
    // Marks the whole control for repainting.
    virtual void InvalidateAll();
    // Paints what is marked at once.
    virtual void UpdateNow();
    // Moves the client pixels inside `area` by (dx, dy) and marks the uncovered strip.
    virtual void ScrollPixels(Integer dx, Integer dy, const RECT& area);
    // Shows a scroll bar's range 0..maxRange (0..0 hides it) and position.
    virtual void SetScrollBar(bool horizontal, Integer maxRange, Integer position);
    // The window must be made again (border and scroll-bar styles).
    virtual void RecreateWindow();
    // Width of "0" in the grid's font: the line step of pixel scrolling.
    virtual Integer ZeroDigitWidth() const;
    // A scroll-bar command is starting: the editor hides and the grid takes the focus.
    virtual void PrepareScrollCommand();

    // ---- Painting ----
    void Paint() override;
    // Draws one cell (or area, from its top-left cell): border lines, title or text, then
    // OnDrawCell. `rect` spans the whole area, `clipRect` is the band being painted.
    virtual void PaintCell(Integer col, Integer row, TRect rect, const TRect& clipRect,
                           TTamborDrawState state);
    virtual bool AllowSelectCell(Integer col, Integer row);
    virtual bool GridAcceptsKey(Word key, TShiftState shift) { return true; }
    virtual TInplaceEdit* MakeInplaceEditor();
    virtual bool EditorAllowed();
    virtual Integer EditorLengthLimit() { return 0; }
    virtual bool EditorAcceptsKey(char32_t key) { return true; }

    // ---- Window, keys and mouse ----
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void KeyDown(Word& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    // OnKeyPress and Enter switching the editor; the editor runs it before its own handling.
    void GridKeyPress(char32_t& key);
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    bool DoMouseWheelDown(TShiftState shift, POINT mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, POINT mousePos) override;
    void WMSize(TMessage& message);
    void WMHScroll(TMessage& message);
    void WMVScroll(TMessage& message);
    void WMGetDlgCode(TMessage& message);
    void WMSetCursor(TMessage& message);
    void WMSetFocus(TMessage& message);
    void WMKillFocus(TMessage& message);
    void WMCancelMode(TMessage& message);
    void CMCancelMode(TMessage& message);
    void CMExit(TMessage& message);
    void CMWantSpecialKey(TMessage& message);

    // ---- Notification hooks ----
    virtual void SizeChanged(Integer oldColCount, Integer oldRowCount) {}
    virtual void TopLeftChanged();
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();

    // ---- Geometry ----
    TTamborAxis CalcAxis(bool horizontal) const;
    void CalcDrawInfo(TTamborDrawInfo& info) const;
    Integer CellExtent(bool horizontal, Integer index) const;
    // Pixel position of a cell's start on the axis.
    Integer CellStart(const TTamborAxis& axis, Integer index) const;
    // Whether any of the cell shows on the axis.
    bool CellShown(const TTamborAxis& axis, Integer index) const;
    Integer CellIndexAt(const TTamborAxis& axis, Integer pos) const;
    // The largest first scrolling cell that still fills the client area.
    Integer MaxFirstCell(const TTamborAxis& axis) const;
    // Recomputes both scroll bars.
    void UpdateScrollRange();
    void UpdateScrollPos();

    TCells FCells;
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridRect FSelection{1, 1, 1, 1};
    TTamborState FGridState = gsNormal;
    Integer FFirstVisibleCol = 1;
    Integer FFirstVisibleRow = 1;
    Integer FHorzOffset = 0;
    bool FEditorMode = false;
    TInplaceEdit* FInplaceEdit = nullptr;
    TGridCoord FEditorCell{-1, -1};
    bool FCanEditModify = true;
    // When the grid last saw a left-button press (the editor turns a quick second one into a
    // double click).
    DWORD FLastLeftPress = 0;

    friend class TInplaceEdit;

private:
    void ApplyCellProperty(Integer col, Integer row, Integer code, const TCellPropValue& value);
    TGridRect ClampToDataCells(const TGridRect& rect) const;
    void StoreSetColCount(Integer count);
    void StoreSetRowCount(Integer count);
    void ChangeSize(Integer newColCount, Integer newRowCount);
    void ResetCurrentToFirst();
    void SpanSelectionOverRow();
    void MoveTopLeft(Integer col, Integer row);
    void ScrollPixelMode(Integer code, Integer position);
    bool AxisSizingHit(const TTamborAxis& axis, Integer pos, const TGridCoord& cell, Integer& index,
                       Integer& border) const;
    // Painting.
    void PaintLines(const TTamborDrawInfo& info, HDC dc);
    void PaintCells(const TTamborDrawInfo& info);
    void PaintFocus(const TTamborDrawInfo& info);
    // Selection and mouse.
    void InvalidateSelectionChange(const TGridRect& oldSel, const TGridRect& newSel);
    void SelectTowards(TGridCoord cell);
    TGridCoord SelectingCellAt(Integer x, Integer y) const;
    void DrawSizingLine();
    // Moving, copying, filling.
    void PasteBuffer(Integer du, Integer dv, const TGridRect& region);
    void DrawDragFrame();
    void ScrollForDrag(const TGridCoord& cell);
    void DragMove(Integer x, Integer y);
    bool DragRelease();
    void CancelBlockDrag();
    Integer FirstShowingAsLast(const TTamborAxis& axis, Integer index) const;
    void ReadColWidths(TReader* reader);
    void WriteColWidths(TWriter* writer);
    void ReadRowHeights(TReader* reader);
    void WriteRowHeights(TWriter* writer);

    Integer FColCount = 5;
    Integer FRowCount = 5;
    Integer FFixedCols = 0;
    Integer FFixedRows = 0;
    Integer FDefaultColWidth = 80;
    Integer FDefaultRowHeight = 30;
    Integer FGridLineWidth = 1;
    // Absent (empty) until a size is set; then one entry per column or row.
    std::vector<Integer> FColWidths;
    std::vector<Integer> FRowHeights;
    bool FAutoUpdate = true;
    TTamborOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TScrollStyle FScrollBars = ssBoth;
    TBorderStyle FBorderStyle = bsSingle;
    TColor FFixedLineColor = clBlack;
    TColor FClientLineColor = clSilver;
    TColor FTitleColor = clBtnFace;
    TColor FFocusedTitleColor = clBlack;
    TColor FHighLightColor = clBlack;
    TColor FHighLightTextColor = clWhite;
    bool FShowColTitle = true;
    bool FShowRowTitle = true;
    bool FDefaultDrawing = true;
    bool FAlwaysDrawFocus = false;
    bool FClientSizeable = false;
    bool FGridCanCopyMove = true;
    bool FGridCanFill = true;
    bool FShowPopup = true;
    // Sizing with the mouse: the sized column or row, where its line is drawn, and the distance
    // between the pressed point and the border.
    // A block being moved, copied or filled: the block, the cell the drag started on, how far
    // it has gone, and which way a fill goes; the frame shown for it.
    TGridRect FDragSource;
    TGridCoord FDragStart;
    TGridCoord FDragOffset;
    TFillDirection FFillDirection = fdNone;
    bool FDragFrameShown = false;
    RECT FDragFrame{};
    struct TBufferedCell {
        TGridCoord Source;
        TCellInfo Cell;
    };
    std::vector<TBufferedCell> FCellBuffer;
    Integer FSizingIndex = -1;
    Integer FSizingPos = 0;
    Integer FSizingOfs = 0;
    bool FSizingLineShown = false;

    TDataStyle FCellDataStyle = dsText;
    TAlignMode FCellAlignMode = TAlignMode::taTopLeft;
    bool FCellReadOnly = false;
    bool FCellAutoWordBreak = true;
    bool FCellShowForeText = true;
    bool FCellAllowNegative = true;
    bool FCellTrailingZero = false;
    bool FCellZeroNull = true;
    bool FCellThousandSep = true;
    Integer FCellMaxLength = 255;
    Integer FCellIntLength = 3;
    Integer FCellDecLength = 2;
    Integer FCellLineWidth = 1;
    TPenStyle FCellPenStyle = psSolid;
    TColor FCellColor = clWhite;
    Integer FCellFontSize = 8;
    TColor FCellFontColor = clBlack;
    TFontStyles FCellFontStyle;
};

// The borderless editor laid over the current cell. Keys that move between cells go to the
// grid; number cells take any character at the caret; date and time cells edit with a mask.
class TInplaceEdit : public TCustomMaskEdit {
    KOV_CLASS(TInplaceEdit, TCustomMaskEdit)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TInplaceEdit(TComponent* owner);

    TCustomTambor* GetGrid() const { return FGrid; }
    // Takes the current cell's text, mask, colour and font.
    void LoadCell();
    // Shows the editor at the rectangle (an empty one hides it).
    void ShowAt(const TRect& rect, bool redraw);
    // Hides the editor; the grid gets the focus back when the editor had it.
    void Conceal();
    // The caret to the end with nothing selected.
    void CaretToEnd();
    void RefreshArea();
    const String& GetOpeningText() const { return FOpeningText; }

protected:
    void CreateParams(TCreateParams& params) override;
    void KeyDown(Word& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void KeyUp(Word& key, TShiftState shift) override;

    void WMSetFocus(TMessage& message);
    void WMLButtonDown(TMessage& message);
    void WMLButtonDblClk(TMessage& message);
    void WMMouseWheel(TMessage& message);
    void WMGetDlgCode(TMessage& message);
    void WMPaste(TMessage& message);
    void WMCutClear(TMessage& message);

private:
    friend class TCustomTambor;
    TCustomTambor* FGrid = nullptr;
    TCellInfo FCell;
    String FOpeningText;
};

// The grid to place on windows: publishes the properties and events.
class TTambor : public TCustomTambor {
    KOV_CLASS(TTambor, TCustomTambor)
public:
    explicit TTambor(TComponent* owner) : TCustomTambor(owner) {}
};
