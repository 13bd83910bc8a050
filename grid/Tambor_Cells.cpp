// The cell store, cell properties by selector code, the text operations and repaint requests.
#include <algorithm>

#include "grid/Tambor.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Strings.h"

namespace {

[[noreturn]] void RaiseGridIndex() { throw EInvalidGridOperation("Grid index out of range"); }

bool ToBool(const TCellPropValue& value) { return Byte(value.AsInteger()) != 0; }

TCellPropValue::TKind KindOfCode(Integer code) {
    if (code == 22) return TCellPropValue::cpFontStyles;
    if (code >= 23) return TCellPropValue::cpText;
    return TCellPropValue::cpInteger;
}

void CheckValueKind(Integer code, const TCellPropValue& value) {
    if (code < 0 || code > 25) return;
    if (value.Kind() != KindOfCode(code)) throw EConvertError("Invalid cell property value");
}

} // namespace

// ---- Cell access ------------------------------------------------------------------------------

TCellInfo& TCustomTambor::CellAt(Integer col, Integer row) {
    if (col < 0 || row < 0 || col >= FCells.Count()) RaiseGridIndex();
    TColCellInfoList& column = FCells.Items(col);
    if (row >= column.Count()) RaiseGridIndex();
    return column.Items(row);
}

const TCellInfo& TCustomTambor::CellAt(Integer col, Integer row) const {
    return const_cast<TCustomTambor*>(this)->CellAt(col, row);
}

TGridRect TCustomTambor::CellAreaOf(Integer col, Integer row) const { return CellAt(col, row).Area; }

TColor TCustomTambor::CellColorOf(Integer col, Integer row) const { return CellAt(col, row).Color; }

bool TCustomTambor::IsMergedCell(Integer col, Integer row) const {
    const TGridRect& area = CellAt(col, row).Area;
    return area.Left != area.Right || area.Top != area.Bottom;
}

bool TCustomTambor::RangeHasMergedCell(const TGridRect& rect) const {
    const Integer left = std::max(rect.Left, 0);
    const Integer top = std::max(rect.Top, 0);
    const Integer right = std::min(rect.Right, FColCount - 1);
    const Integer bottom = std::min(rect.Bottom, FRowCount - 1);
    for (Integer c = left; c <= right; ++c)
        for (Integer r = top; r <= bottom; ++r)
            if (IsMergedCell(c, r)) return true;
    return false;
}

TCellInfo TCustomTambor::InitCell(Integer col, Integer row) const {
    TCellInfo cell;
    cell.DataStyle = FCellDataStyle;
    cell.AlignMode = FCellAlignMode;
    cell.ReadOnly = FCellReadOnly;
    cell.AutoWordBreak = FCellAutoWordBreak;
    cell.ShowForeText = FCellShowForeText;
    cell.LineWidth = FCellLineWidth;
    cell.PenStyle = FCellPenStyle;
    cell.MaxLength = FCellMaxLength;
    cell.IntLength = FCellIntLength;
    cell.DecLength = FCellDecLength;
    cell.FontName = CellFontName;
    cell.FontSize = FCellFontSize;
    cell.FontColor = FCellFontColor;
    // The number rules and the font style of a new cell do not follow the grid-wide defaults.
    cell.AllowNegative = true;
    cell.TrailingZero = false;
    cell.ZeroNull = false;
    cell.ThousandSep = false;
    cell.FontStyle = TFontStyles();
    cell.Spare = 0;
    cell.Color = (col >= 1 && row >= 1) ? FCellColor : FTitleColor;
    cell.Area = TGridRect{col, row, col, row};
    return cell;
}

void TCustomTambor::StoreSetColCount(Integer count) {
    if (count <= 1) return;
    while (FCells.Count() < count) {
        const Integer col = FCells.Count();
        TColCellInfoList& column = FCells.Add();
        for (Integer row = 0; row < FRowCount; ++row)
            column.Add(InitCell(col, row));
    }
    while (FCells.Count() > count)
        FCells.DeleteLast();
}

void TCustomTambor::StoreSetRowCount(Integer count) {
    if (count < 0) count = 0;
    for (Integer col = 0; col < FCells.Count(); ++col) {
        TColCellInfoList& column = FCells.Items(col);
        while (column.Count() < count)
            column.Add(InitCell(col, column.Count()));
        while (column.Count() > count)
            column.DeleteLast();
    }
}

// ---- Texts ------------------------------------------------------------------------------------

String TCustomTambor::ReadForeText(Integer col, Integer row) const { return CellAt(col, row).ForeText; }

String TCustomTambor::ReadBackText(Integer col, Integer row) const { return CellAt(col, row).BackText; }

void TCustomTambor::WriteForeText(Integer col, Integer row, const String& text) {
    TCellInfo& cell = CellAt(col, row);
    if (text != cell.ForeText) {
        String converted = text;
        try {
            switch (cell.DataStyle) {
            case dsNumber:
                converted = FormatNumberText(text, cell.IntLength, cell.DecLength, cell.ThousandSep,
                                             cell.ZeroNull, cell.TrailingZero);
                break;
            case dsDate:
                if (!text.empty()) converted = FormatDateTime("yyyy-mm-dd", StrToDate(text));
                break;
            case dsTime:
                // The stored form is fixed: colons whatever the locale's time separator.
                if (!text.empty()) converted = FormatDateTime("hh':'nn':'ss", StrToTime(text));
                break;
            default:
                break;
            }
        } catch (const EConvertError&) {
            // The style's own message would follow the cell name; this system has none.
            GridErrorBox("Cell[" + IntToStr(col) + "," + IntToStr(row) + "]");
            return;
        }
        cell.ForeText = converted;
        if (cell.ShowForeText) InvalidateCells(cell.Area);
    }
    if (OnSetForeText) OnSetForeText(this, col, row, cell.ForeText);
}

void TCustomTambor::WriteBackText(Integer col, Integer row, const String& text) {
    TCellInfo& cell = CellAt(col, row);
    if (text != cell.BackText) {
        cell.BackText = text;
        if (!cell.ShowForeText) InvalidateCells(cell.Area);
    }
    if (OnSetBackText) OnSetBackText(this, col, row, cell.BackText);
}

// ---- Cell properties --------------------------------------------------------------------------

void TCustomTambor::ApplyCellProperty(Integer col, Integer row, Integer code, const TCellPropValue& value) {
    TCellInfo& cell = CellAt(col, row);
    switch (code) {
    case 0:
        cell.DataStyle = TDataStyle(Byte(value.AsInteger()));
        break;
    case 1:
        cell.AlignMode = TAlignMode(Byte(value.AsInteger()));
        break;
    case 2:
        cell.ReadOnly = ToBool(value);
        break;
    case 3:
        cell.AutoWordBreak = ToBool(value);
        break;
    case 4:
        cell.ShowForeText = ToBool(value);
        break;
    // The selectors name the lines top, left, right, bottom.
    case 5:
        cell.TopLine = ToBool(value);
        break;
    case 6:
        cell.LeftLine = ToBool(value);
        break;
    case 7:
        cell.RightLine = ToBool(value);
        break;
    case 8:
        cell.BottomLine = ToBool(value);
        break;
    case 9:
        cell.AllowNegative = ToBool(value);
        break;
    case 10:
        cell.TrailingZero = ToBool(value);
        break;
    case 11:
        cell.ZeroNull = ToBool(value);
        break;
    case 12:
        cell.ThousandSep = ToBool(value);
        break;
    case 13:
        cell.MaxLength = value.AsInteger();
        break;
    case 14:
        cell.IntLength = value.AsInteger();
        break;
    case 15:
        cell.DecLength = value.AsInteger();
        break;
    case 16:
        cell.LineWidth = value.AsInteger();
        break;
    case 17:
        cell.PenStyle = TPenStyle(Byte(value.AsInteger()));
        break;
    case 18:
        cell.Spare = 0;
        break;
    case 19:
        cell.Color = value.AsInteger();
        break;
    case 20:
        cell.FontSize = value.AsInteger();
        break;
    case 21:
        cell.FontColor = value.AsInteger();
        break;
    case 22:
        cell.FontStyle = value.AsFontStyles();
        break;
    case 23:
        cell.FontName = value.AsText();
        break;
    case 24:
        WriteForeText(col, row, value.AsText());
        break;
    case 25:
        WriteBackText(col, row, value.AsText());
        break;
    default:
        break;
    }
}

void TCustomTambor::SetColumnCellProperty(Integer col, Integer code, const TCellPropValue& value) {
    if (col <= 0 || col >= FColCount) return;
    CheckValueKind(code, value);
    for (Integer row = 1; row < FRowCount; ++row)
        ApplyCellProperty(col, row, code, value);
    RefreshIfAutoUpdate();
}

void TCustomTambor::SetRowCellProperty(Integer row, Integer code, const TCellPropValue& value) {
    if (row <= 0 || row >= FRowCount) return;
    CheckValueKind(code, value);
    for (Integer col = 1; col < FColCount; ++col)
        ApplyCellProperty(col, row, code, value);
    RefreshIfAutoUpdate();
}

TGridRect TCustomTambor::ClampToDataCells(const TGridRect& rect) const {
    auto clamp = [](Integer v, Integer hi) { return std::clamp(v, 1, std::max(hi, 1)); };
    return TGridRect{clamp(rect.Left, FColCount - 1), clamp(rect.Top, FRowCount - 1),
                     clamp(rect.Right, FColCount - 1), clamp(rect.Bottom, FRowCount - 1)};
}

void TCustomTambor::SetRangeCellProperty(const TGridRect& rect, Integer code, const TCellPropValue& value) {
    CheckValueKind(code, value);
    const TGridRect r = ClampToDataCells(rect);
    for (Integer col = r.Left; col <= r.Right; ++col)
        for (Integer row = r.Top; row <= r.Bottom; ++row)
            ApplyCellProperty(col, row, code, value);
    InvalidateCells(r);
}

void TCustomTambor::SetAllCellProperty(Integer code, const TCellPropValue& value) {
    CheckValueKind(code, value);
    for (Integer col = 1; col < FColCount; ++col)
        for (Integer row = 1; row < FRowCount; ++row)
            ApplyCellProperty(col, row, code, value);
    RefreshIfAutoUpdate();
}

void TCustomTambor::ResetCells(const TGridRect& rect) {
    const TGridRect r = ClampToDataCells(rect);
    for (Integer col = r.Left; col <= r.Right; ++col)
        for (Integer row = r.Top; row <= r.Bottom; ++row)
            CellAt(col, row) = InitCell(col, row);
    InvalidateCells(r);
}

// ---- Defaults of new cells --------------------------------------------------------------------

void TCustomTambor::SetCellDataStyle(TDataStyle value) {
    SetAllCellProperty(0, Integer(value));
    FCellDataStyle = value;
}

void TCustomTambor::SetCellAlignMode(TAlignMode value) {
    SetAllCellProperty(1, Integer(value));
    FCellAlignMode = value;
}

void TCustomTambor::SetCellReadOnly(bool value) {
    SetAllCellProperty(2, Integer(value));
    FCellReadOnly = value;
}

void TCustomTambor::SetCellAutoWordBreak(bool value) {
    SetAllCellProperty(3, Integer(value));
    FCellAutoWordBreak = value;
}

void TCustomTambor::SetCellShowForeText(bool value) {
    SetAllCellProperty(4, Integer(value));
    FCellShowForeText = value;
}

void TCustomTambor::SetCellAllowNegative(bool value) {
    SetAllCellProperty(9, Integer(value));
    FCellAllowNegative = value;
}

void TCustomTambor::SetCellTrailingZero(bool value) {
    SetAllCellProperty(10, Integer(value));
    FCellTrailingZero = value;
}

void TCustomTambor::SetCellZeroNull(bool value) {
    SetAllCellProperty(11, Integer(value));
    FCellZeroNull = value;
}

void TCustomTambor::SetCellThousandSep(bool value) {
    SetAllCellProperty(12, Integer(value));
    FCellThousandSep = value;
}

void TCustomTambor::SetCellMaxLength(Integer value) {
    SetAllCellProperty(13, value);
    FCellMaxLength = value;
}

void TCustomTambor::SetCellIntLength(Integer value) {
    SetAllCellProperty(14, value);
    FCellIntLength = value;
}

void TCustomTambor::SetCellDecLength(Integer value) {
    SetAllCellProperty(15, value);
    FCellDecLength = value;
}

void TCustomTambor::SetCellLineWidth(Integer value) {
    SetAllCellProperty(16, value);
    FCellLineWidth = value;
}

void TCustomTambor::SetCellPenStyle(TPenStyle value) {
    SetAllCellProperty(17, Integer(value));
    FCellPenStyle = value;
}

void TCustomTambor::SetCellColor(TColor value) {
    SetAllCellProperty(19, value);
    FCellColor = value;
}

void TCustomTambor::SetCellFontSize(Integer value) {
    SetAllCellProperty(20, value);
    FCellFontSize = value;
}

void TCustomTambor::SetCellFontColor(TColor value) {
    SetAllCellProperty(21, value);
    FCellFontColor = value;
}

void TCustomTambor::SetCellFontStyle(TFontStyles value) {
    SetAllCellProperty(22, value);
    FCellFontStyle = value;
}

void TCustomTambor::ClearCells(const TGridRect& block) {
    const bool autoUpdate = FAutoUpdate;
    FAutoUpdate = false;
    TGridRect widened;
    try {
        const TGridRect r = ClampToDataCells(block);
        widened = r;
        std::vector<TGridCoord> cleared;
        for (Integer col = r.Left; col <= r.Right; ++col)
            for (Integer row = r.Top; row <= r.Bottom; ++row) {
                const TGridRect area = CellAt(col, row).Area;
                const TGridCoord topLeft{area.Left, area.Top};
                if (std::find(cleared.begin(), cleared.end(), topLeft) != cleared.end()) continue;
                cleared.push_back(topLeft);
                if (CellAt(topLeft.X, topLeft.Y).ReadOnly) continue;
                WriteForeText(topLeft.X, topLeft.Y, "");
                WriteBackText(topLeft.X, topLeft.Y, "");
            }
        if (r.Left <= r.Right && r.Top <= r.Bottom)
            widened = WidenToAreas({r.Left, r.Top}, {r.Right, r.Bottom});
    } catch (...) {
        FAutoUpdate = autoUpdate;
        throw;
    }
    FAutoUpdate = autoUpdate;
    InvalidateCells(widened);
}

// ---- Repainting -------------------------------------------------------------------------------

void TCustomTambor::InvalidateCells(const TGridRect& rect) {
    if (!GridHasWindow()) return;
    const TGridRect clamped{std::max(rect.Left, 0), std::max(rect.Top, 0),
                            std::min(rect.Right, FColCount - 1), std::min(rect.Bottom, FRowCount - 1)};
    if (clamped.Left > clamped.Right || clamped.Top > clamped.Bottom) return;
    RECT pixels = CellRangeRect(clamped, false);
    if (pixels.left == 0 && pixels.top == 0 && pixels.right == 0 && pixels.bottom == 0) return;
    pixels.left -= 3;
    pixels.top -= 3;
    pixels.right += 3;
    pixels.bottom += 3;
    InvalidatePixels(pixels, false);
    if (FAutoUpdate) UpdateNow();
}

void TCustomTambor::RefreshIfAutoUpdate() {
    if (FAutoUpdate) InvalidateAll();
}

void TCustomTambor::RepaintRow(Integer row) {
    if (!GridHasWindow()) return;
    // Through the last column drawn, the partly visible one included, wherever the grid is
    // scrolled to.
    InvalidateCells(TGridRect{0, row, FFirstVisibleCol + GetVisibleColCount(), row});
}

void TCustomTambor::SetAutoUpdate(bool value) {
    FAutoUpdate = value;
    RefreshIfAutoUpdate();
}
