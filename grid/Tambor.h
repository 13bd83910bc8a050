// The cell grid: one record per cell with its own formatting and two texts (the fore text that
// is shown and edited, the back text the application keeps codes in), cell properties set by
// selector codes, checked text writes with their notifications, number, date and time text
// conversion, and the grid's geometry: counts, column widths and row heights, the mapping
// between cells and pixels, and scrolling.
//
// Everything that needs a window (invalidating, painting at once, moving pixels, scroll bars,
// the client size) goes through protected virtuals that do nothing here; the control that owns
// a window overrides them.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/runtime/WinTypes.h"

class TFiler;
class TReader;
class TWriter;

// ---- Graphics and control types the cells and the grid's properties are declared with ----------

using TColor = Integer;
constexpr TColor clBlack = 0x000000;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clWindow = TColor(0xFF000005);
constexpr TColor clBtnFace = TColor(0xFF00000F);

enum TPenStyle : Byte { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, fsStrikeOut>;
enum TBorderStyle { bsNone, bsSingle };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

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

class TCustomTambor : public TComponent {
    KOV_CLASS(TCustomTambor, TComponent)
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
    TGridRect GetSelection() const { return FSelection; }
    TTamborState GetGridState() const { return FGridState; }

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

    // Stores "ColWidths" and "RowHeights" once a size table exists.
    void DefineProperties(TFiler* filer) override;

protected:
    // The values a new cell at (col, row) gets.
    TCellInfo InitCell(Integer col, Integer row) const;

    // ---- Window seams: nothing happens without a window ----
    // Whether the control's window exists.
    virtual bool HandleAllocated() const { return false; }
    virtual Integer GridClientWidth() const { return FClientWidth; }
    virtual Integer GridClientHeight() const { return FClientHeight; }
    // Marks client pixels for repainting.
    virtual void InvalidatePixels(const RECT& rect, bool erase) {}
    // Marks the whole control for repainting.
    virtual void InvalidateAll() {}
    // Paints what is marked at once.
    virtual void UpdateNow() {}
    // Moves the client pixels inside `area` by (dx, dy) and marks the uncovered strip.
    virtual void ScrollPixels(Integer dx, Integer dy, const RECT& area) {}
    // Shows a scroll bar's range 0..maxRange (0..0 hides it) and position.
    virtual void SetScrollBar(bool horizontal, Integer maxRange, Integer position) {}
    // The window must be made again (border and scroll-bar styles).
    virtual void RecreateWindow() {}
    // Width of "0" in the grid's font: the line step of pixel scrolling.
    virtual Integer ZeroDigitWidth() const { return 8; }
    // A scroll-bar command is starting: the editor hides and the grid takes the focus.
    virtual void PrepareScrollCommand() {}

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
    Integer FClientWidth = 0;
    Integer FClientHeight = 0;

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

// The grid to place on windows: publishes the properties and events.
class TTambor : public TCustomTambor {
    KOV_CLASS(TTambor, TCustomTambor)
public:
    explicit TTambor(TComponent* owner) : TCustomTambor(owner) {}
};
