// The grid's life cycle, its plain properties, the stored size tables and the published
// properties of TTambor.
#include "grid/Tambor.h"

#include "platform/runtime/Filer.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Cursor.h"

namespace {
// The cursor numbers the grid's cursors are kept under in the screen's list.
constexpr Integer GridCursorBase = 1001;
} // namespace

TCustomTambor::TCustomTambor(TComponent* owner) : TCustomControl(owner) {
    FControlStyle = TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks};
    SetBounds(GetLeft(), GetTop(), FColCount * FDefaultColWidth, FRowCount * FDefaultRowHeight);
    SetColor(clWindow);
    SetParentColor(false);
    SetTabStop(true);
    SetDoubleBuffered(true);
    const char* cursors[] = {"EXCEL", "ZOOMIN", "ZOOMOUT"};
    for (Integer i = 0; i < 3; ++i)
        if (HCURSOR cursor = LoadCursorA(nullptr, cursors[i])) Screen->SetCursors(GridCursorBase + i, cursor);
    StoreSetColCount(FColCount);
    FCurrent = TGridCoord{FFixedCols + 1, FFixedRows + 1};
    FAnchor = FCurrent;
    FSelection = TGridRect{FCurrent.X, FCurrent.Y, FCurrent.X, FCurrent.Y};
    FFirstVisibleCol = FFixedCols + 1;
    FFirstVisibleRow = FFixedRows + 1;
}

TCustomTambor::~TCustomTambor() {
    // The editor goes first: while it lives it may still reach for its cell.
    FEditorCell = TGridCoord{-1, -1};
    delete FInplaceEdit;
    FInplaceEdit = nullptr;
    FCells.Clear();
}

void TCustomTambor::SetOptions(TTamborOptions value) {
    if (value.Contains(goRowSelect)) value.Exclude(goAlwaysShowEditor);
    FOptions = value;
    if (!FEditorMode) {
        if (FOptions.Contains(goAlwaysShowEditor))
            OpenEditor();
        else
            CloseEditor();
    }
    if (FOptions.Contains(goRowSelect)) SpanSelectionOverRow();
    InvalidateAll();
}

void TCustomTambor::SetScrollBars(TScrollStyle value) {
    if (value == FScrollBars) return;
    FScrollBars = value;
    RecreateWindow();
}

void TCustomTambor::SetBorderStyle(TBorderStyle value) {
    if (value == FBorderStyle) return;
    FBorderStyle = value;
    RecreateWindow();
}

void TCustomTambor::SetGridLineWidth(Integer value) {
    if (value == FGridLineWidth) return;
    FGridLineWidth = value;
    InvalidateAll();
}

void TCustomTambor::SetFixedLineColor(TColor value) {
    if (value == FFixedLineColor) return;
    FFixedLineColor = value;
    InvalidateAll();
}

void TCustomTambor::SetClientLineColor(TColor value) {
    if (value == FClientLineColor) return;
    FClientLineColor = value;
    InvalidateAll();
}

void TCustomTambor::SetTitleColor(TColor value) {
    if (value == FTitleColor) return;
    FTitleColor = value;
    InvalidateAll();
}

void TCustomTambor::SetFocusedTitleColor(TColor value) {
    if (value == FFocusedTitleColor) return;
    FFocusedTitleColor = value;
    InvalidateAll();
}

void TCustomTambor::SetHighLightColor(TColor value) {
    if (value == FHighLightColor) return;
    FHighLightColor = value;
    InvalidateAll();
}

void TCustomTambor::SetHighLightTextColor(TColor value) {
    if (value == FHighLightTextColor) return;
    FHighLightTextColor = value;
    InvalidateAll();
}

void TCustomTambor::SetShowColTitle(bool value) {
    if (value == FShowColTitle) return;
    FShowColTitle = value;
    InvalidateAll();
}

void TCustomTambor::SetShowRowTitle(bool value) {
    if (value == FShowRowTitle) return;
    FShowRowTitle = value;
    InvalidateAll();
}

// ---- Stored size tables -----------------------------------------------------------------------

void TCustomTambor::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineProperty(
        "ColWidths", [this](TReader* reader) { ReadColWidths(reader); },
        [this](TWriter* writer) { WriteColWidths(writer); }, !FColWidths.empty());
    filer->DefineProperty(
        "RowHeights", [this](TReader* reader) { ReadRowHeights(reader); },
        [this](TWriter* writer) { WriteRowHeights(writer); }, !FRowHeights.empty());
}

void TCustomTambor::ReadColWidths(TReader* reader) {
    reader->ReadListBegin();
    for (Integer col = 0; !reader->EndOfList(); ++col)
        SetColumnWidthAt(col, reader->ReadInteger());
    reader->ReadListEnd();
}

void TCustomTambor::WriteColWidths(TWriter* writer) {
    writer->WriteListBegin();
    for (Integer col = 0; col < FColCount; ++col)
        writer->WriteInteger(ColumnWidthAt(col));
    writer->WriteListEnd();
}

void TCustomTambor::ReadRowHeights(TReader* reader) {
    reader->ReadListBegin();
    for (Integer row = 0; !reader->EndOfList(); ++row)
        SetRowHeightAt(row, reader->ReadInteger());
    reader->ReadListEnd();
}

void TCustomTambor::WriteRowHeights(TWriter* writer) {
    writer->WriteListBegin();
    for (Integer row = 0; row < FRowCount; ++row)
        writer->WriteInteger(RowHeightAt(row));
    writer->WriteListEnd();
}

// ---- Type information -------------------------------------------------------------------------

namespace {

const bool kTypesNamed = [] {
    RegisterEnum<TDataStyle>("TDataStyle", {"dsText", "dsNumber", "dsDate", "dsTime", "dsFormula"});
    RegisterEnum<TAlignMode>("TAlignMode", {"taTopLeft", "taTop", "taTopRight", "taLeft", "taCenter",
                                            "taRight", "taBottomLeft", "taBottom", "taBottomRight"});
    RegisterEnum<TTamborOption>("TTamborOption", {"goFixedVertLine", "goFixedHorzLine", "goVertLine",
                                                  "goHorzLine", "goRangeSelect", "goDrawFocusSelected",
                                                  "goRowSizing", "goColSizing", "goEditing", "goTabs",
                                                  "goRowSelect", "goAlwaysShowEditor", "goThumbTracking"});
    RegisterTypeName<TTamborOptions>("TTamborOptions");
    RegisterTypeName<TSetCellTextEvent>("TSetCellTextEvent");
    RegisterTypeName<TDrawCellEvent>("TDrawCellEvent");
    RegisterTypeName<TSelectCellEvent>("TSelectCellEvent");
    RegisterTypeName<TSetEditEvent>("TSetEditEvent");
    RegisterTypeName<TCopyMoveCellsEvent>("TCopyMoveCellsEvent");

    return true;
}();

} // namespace

KOV_PUBLISHED(TTambor) {
    using G = TTambor;
    // The counts come first: a reader sets the fixed counts and sizes against them.
    Property("ColCount", &G::GetColCount, &G::SetColCount).Default(5);
    Property("RowCount", &G::GetRowCount, &G::SetRowCount).Default(5);
    Property("FixedCols", &G::GetFixedCols, &G::SetFixedCols).Default(0);
    Property("FixedRows", &G::GetFixedRows, &G::SetFixedRows).Default(0);
    Property("DefaultColWidth", &G::GetDefaultColWidth, &G::SetDefaultColWidth).Default(80);
    Property("DefaultRowHeight", &G::GetDefaultRowHeight, &G::SetDefaultRowHeight).Default(30);
    Property("GridLineWidth", &G::GetGridLineWidth, &G::SetGridLineWidth).Default(1);
    Property("FixedLineColor", &G::GetFixedLineColor, &G::SetFixedLineColor)
        .Default(clBlack)
        .TypeName("TColor");
    Property("ClientLineColor", &G::GetClientLineColor, &G::SetClientLineColor)
        .Default(clSilver)
        .TypeName("TColor");
    Property("Options", &G::GetOptions, &G::SetOptions)
        .Default(TTamborOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect});
    Property("ScrollBars", &G::GetScrollBars, &G::SetScrollBars).Default(ssBoth);
    Property("BorderStyle", &G::GetBorderStyle, &G::SetBorderStyle).Default(bsSingle);
    Property("DefaultDrawing", &G::GetDefaultDrawing, &G::SetDefaultDrawing).Default(true);
    Property("ShowColTitle", &G::GetShowColTitle, &G::SetShowColTitle).Default(true);
    Property("ShowRowTitle", &G::GetShowRowTitle, &G::SetShowRowTitle).Default(true);
    Property("TitleColor", &G::GetTitleColor, &G::SetTitleColor).Default(clBtnFace).TypeName("TColor");
    Property("FocusedTitleColor", &G::GetFocusedTitleColor, &G::SetFocusedTitleColor)
        .Default(clBlack)
        .TypeName("TColor");
    Property("HighLightColor", &G::GetHighLightColor, &G::SetHighLightColor)
        .Default(clBlack)
        .TypeName("TColor");
    Property("HighLightTextColor", &G::GetHighLightTextColor, &G::SetHighLightTextColor)
        .Default(clWhite)
        .TypeName("TColor");
    Property("AutoUpdate", &G::GetAutoUpdate, &G::SetAutoUpdate).Default(true);
    Property("AlwaysDrawFocus", &G::GetAlwaysDrawFocus, &G::SetAlwaysDrawFocus).Default(false);
    Property("ClientSizeable", &G::GetClientSizeable, &G::SetClientSizeable).Default(false);
    Property("GridCanCopyMove", &G::GetGridCanCopyMove, &G::SetGridCanCopyMove).Default(true);
    Property("GridCanFill", &G::GetGridCanFill, &G::SetGridCanFill).Default(true);
    Property("ShowPopup", &G::GetShowPopup, &G::SetShowPopup).Default(true);
    Property("VisibleColCount", &G::GetVisibleColCount).Stored(false);
    Property("VisibleRowCount", &G::GetVisibleRowCount).Stored(false);

    Property("CellDataStyle", &G::GetCellDataStyle, &G::SetCellDataStyle).Default(dsText);
    Property("CellAlignMode", &G::GetCellAlignMode, &G::SetCellAlignMode).Default(TAlignMode::taTopLeft);
    Property("CellShowForeText", &G::GetCellShowForeText, &G::SetCellShowForeText).Default(true);
    Property("CellReadOnly", &G::GetCellReadOnly, &G::SetCellReadOnly).Default(false);
    Property("CellAutoWordBreak", &G::GetCellAutoWordBreak, &G::SetCellAutoWordBreak).Default(true);
    Property("CellLineWidth", &G::GetCellLineWidth, &G::SetCellLineWidth).Default(1);
    Property("CellPenStyle", &G::GetCellPenStyle, &G::SetCellPenStyle).Default(psSolid);
    Property("CellAllowNegative", &G::GetCellAllowNegative, &G::SetCellAllowNegative).Default(true);
    Property("CellTrailingZero", &G::GetCellTrailingZero, &G::SetCellTrailingZero).Default(false);
    Property("CellZeroNull", &G::GetCellZeroNull, &G::SetCellZeroNull).Default(true);
    Property("CellThousandSep", &G::GetCellThousandSep, &G::SetCellThousandSep).Default(true);
    Property("CellMaxLength", &G::GetCellMaxLength, &G::SetCellMaxLength).Default(255);
    Property("CellIntLength", &G::GetCellIntLength, &G::SetCellIntLength).Default(3);
    Property("CellDecLength", &G::GetCellDecLength, &G::SetCellDecLength).Default(2);
    Property("CellColor", &G::GetCellColor, &G::SetCellColor).Default(clWhite).TypeName("TColor");
    Property("CellFontSize", &G::GetCellFontSize, &G::SetCellFontSize).Default(8);
    Property("CellFontColor", &G::GetCellFontColor, &G::SetCellFontColor).Default(clBlack).TypeName("TColor");
    Property("CellFontStyle", &G::GetCellFontStyle, &G::SetCellFontStyle).Default(TFontStyles());

    Property("OnSetForeText", &G::OnSetForeText);
    Property("OnSetBackText", &G::OnSetBackText);
    Property("OnTopLeftChanged", &G::OnTopLeftChanged);
    Property("OnDrawCell", &G::OnDrawCell);
    Property("OnSelectCell", &G::OnSelectCell);
    // These share their signatures with other events, and so their type information; the
    // names are given here.
    Property("OnGetEditText", &G::OnGetEditText).TypeName("TGetEditEvent");
    Property("OnGetEditMask", &G::OnGetEditMask).TypeName("TGetEditEvent");
    Property("OnSetEditText", &G::OnSetEditText);
    Property("OnHideEdit", &G::OnHideEdit);
    Property("OnCopyMoveCells", &G::OnCopyMoveCells);
    Property("OnFillCells", &G::OnFillCells).TypeName("TFillCellsEvent");
    Property("BeforeSetCellProp", &G::BeforeSetCellProp);
    Property("AfterSetCellProp", &G::AfterSetCellProp);
    Property("OnInsertCol", &G::OnInsertCol);
    Property("OnInsertRow", &G::OnInsertRow);
    Property("OnDeleteCol", &G::OnDeleteCol);
    Property("OnDeleteRow", &G::OnDeleteRow);
    Property("OnInsertCellRight", &G::OnInsertCellRight);
    Property("OnInsertCellDown", &G::OnInsertCellDown);
    Property("OnDeleteCellRight", &G::OnDeleteCellRight);
    Property("OnDeleteCellDown", &G::OnDeleteCellDown);
    Property("OnPasteCells", &G::OnPasteCells);
    Property("OnCutCells", &G::OnCutCells);
    // Defaults of the grid that differ from those of controls in general.
    Property("Color", &G::GetColor, &G::SetColor).TypeName("TColor").Default(clWindow);
    Property("ParentColor", &G::GetParentColor, &G::SetParentColor).Default(false);
    Property("TabStop", &G::GetTabStop, &G::SetTabStop).Default(true);
}

namespace {
const bool kRegistered = (RegisterClasses({TCustomTambor::StaticClass(), TTambor::StaticClass()}), true);
}
