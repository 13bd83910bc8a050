// Text view data and view info: the text shown, where it goes, how it is measured, and painting
// it through a row cache laid out once per calculation.
#include <algorithm>
#include <cstring>

#include "platform/runtime/Strings.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/SysColors.h"
#include "suite/editors/qzTextEdit.h"

namespace {

constexpr Integer kVertAlignmentBits = 0x30;
constexpr TColor kNoColor = TColor(0x20000000);

// The text up to its first NUL character.
String UpToNul(const String& text) {
    const std::size_t nul = text.find('\0');
    return nul == String::npos ? text : text.substr(0, nul);
}

TColor InvertedColor(TColor color) { return TColor((ColorToRGB(color) ^ 0xFFFFFF) & 0xFFFFFF); }

bool IsStandAloneTextViewData(TqzCustomEditViewData* viewData) {
    return !viewData->IsInplace && dynamic_cast<TqzCustomTextEditViewData*>(viewData) != nullptr;
}

TqzTextEditingStyle EditingStyleOf(TqzCustomEditViewData* viewData) {
    auto* properties = dynamic_cast<TqzCustomTextEditProperties*>(viewData->GetProperties());
    return properties ? properties->GetEditingStyle() : FreeText;
}

bool IsListStyle(TqzTextEditingStyle style) { return style == FixedList || style == NoEdit; }

bool IsNativeEditComboView(TqzCustomTextEditViewData* viewData) {
    return viewData->IsComboBoxView() && viewData->NativeStyle;
}

} // namespace

// ---- Unit routines ---------------------------------------------------------------------------

void GetTextEditTextRect(TqzCustomEditViewData* viewData, TRect& margins) {
    viewData->GetContentOffsets(margins);
    if (!IsStandAloneTextViewData(viewData) || !IsListStyle(EditingStyleOf(viewData))) return;
    margins.left += 1;
    if (viewData->VertAlignment == taTopJustify) {
        margins.top += 1;
        margins.bottom -= 1;
    }
}

void CalculateTextRect(TqzCanvas* canvas, TqzCustomTextEditViewData* viewData,
                       TqzCustomTextEditViewInfo* viewInfo) {
    TRect margins;
    viewData->GetTextRect(margins);
    const TRect& client = viewInfo->ClientRect;
    viewInfo->TextRect = TRect{client.left + margins.left, client.top + margins.top,
                               client.right - margins.right, client.bottom - margins.bottom};
    if (viewData->IsInplace) return;
    const Integer height = canvas->TextHeightOf("Zg");
    TRect& r = viewInfo->TextRect;
    if (r.bottom - r.top < height) r.bottom = std::min(r.top + height, client.bottom);
}

void CalculateMultiRowAttributes(TqzCanvas* canvas, TqzCustomTextEditViewData* viewData,
                                 TqzCustomTextEditViewInfo* viewInfo) {
    TFont* font = viewData->GetStyle()->GetEffectiveFont();
    if (!font) return;
    canvas->SelectFont(font);
    viewInfo->TextOutFlags = viewData->GetDrawTextFlags();
    const Integer layoutFlags =
        (viewInfo->TextOutFlags & ~toSingleLine) | toWordBreak | toWholeRows | toRowCount;
    TRect margins;
    viewData->GetTextRect(margins);
    TSize contentMargins;
    viewData->GetContentMargins(contentMargins);
    const TRect& r = viewInfo->TextRect;
    Integer width = (r.right - r.left) + margins.left + margins.right - contentMargins.cx -
                    viewData->InplaceEditOffsets.left - viewData->InplaceEditOffsets.right;
    if (viewData->HorzAlignment == taRightJustify) ++width;
    const String text = UpToNul(viewInfo->Text);
    TqzTextParams params = PrepareCanvasTextParams(canvas, layoutFlags);
    Integer rowCount = 0;
    TqzTextRows rows;
    LayoutCanvasTextRows(canvas, text.c_str(), TRect{0, 0, width, 0x7FFFFFFF}, 0, rowCount, rows, params);
    if (rowCount > 1) {
        viewInfo->TextOutFlags = (viewInfo->TextOutFlags & ~toSingleLine) | toWordBreak | toWholeRows;
        if (rowCount * params.RowHeight > r.bottom - r.top) viewInfo->TextOutFlags &= ~kVertAlignmentBits;
    }
}

void CalculateEditTextSize(TqzCanvas* canvas, TqzCustomEditViewData* viewData, const String& text,
                           TSize& size, bool addHorizontalMargin, Integer rowCount,
                           const TqzEditSizeParameters& sizeParameters, Integer flags) {
    auto* textViewData = dynamic_cast<TqzCustomTextEditViewData*>(viewData);
    const bool adjust = textViewData && !viewData->IsInplace && IsListStyle(EditingStyleOf(viewData)) &&
                        !IsNativeEditComboView(textViewData);
    canvas->SelectFont(viewData->GetStyle()->GetEffectiveFont());
    TSize margins;
    viewData->GetContentMargins(margins);
    const Integer lineHeight = canvas->TextHeightOf("Zg");
    const bool emptyNoHeight = textViewData && (textViewData->TextFlags & qztfEmptyTextNoHeight) != 0;
    const String shown = UpToNul(text);
    const Integer width = sizeParameters.Width;
    if (width >= 0) {
        if (rowCount > 0) {
            size = TSize{width, lineHeight * rowCount};
        } else {
            Integer available = width;
            if (viewData->IsInplace) available -= 2;
            if (adjust) available -= 1;
            if (available <= 0) {
                size = TSize{0, (emptyNoHeight && shown.empty()) ? 0 : lineHeight};
            } else if (shown.empty()) {
                size = TSize{width, emptyNoHeight ? 0 : lineHeight};
            } else {
                const Integer layoutFlags =
                    (((flags | toRowCount) & ~toSingleLine) | toWordBreak | toWholeRows) &
                    ~kVertAlignmentBits;
                TqzTextParams params = PrepareCanvasTextParams(canvas, layoutFlags);
                Integer rows = 0;
                TqzTextRows laidOut;
                LayoutCanvasTextRows(canvas, shown.c_str(), TRect{0, 0, available, 0x7FFFFFFF},
                                     sizeParameters.MaxLineCount, rows, laidOut, params);
                if (sizeParameters.MaxLineCount > 0) rows = std::min(rows, sizeParameters.MaxLineCount);
                size = TSize{width, rows * lineHeight};
            }
        }
    } else {
        if (flags & toSingleLine) {
            size.cy = lineHeight;
            if (shown.empty()) {
                size.cx = 0;
            } else {
                TRect r{0, 0, 0x7FFFFFFF, 0};
                canvas->CalcTextBounds(shown, r, TextOutFlagsToCanvasFlags(flags));
                size.cx = r.right - r.left;
            }
        } else {
            TqzTextParams params = PrepareCanvasTextParams(canvas, flags | toCalcRect);
            Integer rows = 0;
            TqzTextRows laidOut;
            LayoutCanvasTextRows(canvas, shown.c_str(), TRect{0, 0, 0x7FFFFFFF, 0x7FFFFFFF}, 0, rows, laidOut,
                                 params);
            if (rowCount > 0)
                rows = std::min(rows, rowCount);
            else if (sizeParameters.MaxLineCount > 0)
                rows = std::min(rows, sizeParameters.MaxLineCount);
            size.cx = rows > 0 ? WidestTextRow(laidOut, rows) : 0;
            size.cy = rowCount > 0 ? lineHeight * rowCount : lineHeight;
        }
        if (adjust) size.cx += 1;
        if (addHorizontalMargin) size.cx += margins.cx;
    }
    if (size.cy > 0) size.cy += margins.cy;
}

void DrawTextEditText(TqzCanvas* canvas, TqzCustomTextEditViewInfo* viewInfo, const String& text,
                      Integer leftIndent, Integer rightIndent, Integer rowLimit, TColor selTextColor,
                      TColor selBackgroundColor, Integer selLength, Integer selStart, Integer flags,
                      const TRect& bounds) {
    if (!viewInfo->RowsLaidOut) {
        viewInfo->RowsLaidOut = true;
        ++viewInfo->RowLayoutCount;
        viewInfo->RowCount = 0;
        viewInfo->Rows.clear();
        viewInfo->RowsEllipsis = false;
        viewInfo->RowSelLength = 0;
        viewInfo->RowText = UpToNul(text);
        const String& shown = viewInfo->RowText;
        if (shown.empty()) return;
        HDC dc = canvas->DeviceContext();
        viewInfo->RowParams = PrepareTextParams(dc, flags);
        viewInfo->RowLayoutRect = IndentTextBounds(bounds, leftIndent, rightIndent);
        const TRect& layout = viewInfo->RowLayoutRect;
        if (layout.right <= layout.left || layout.bottom <= layout.top) return;
        Integer rows = 0;
        const bool allPlaced =
            LayoutTextRows(dc, shown.c_str(), layout, rowLimit, viewInfo->RowParams, rows, viewInfo->Rows);
        viewInfo->RowsEllipsis = !allPlaced;
        if (rows == 0) return;
        if (rowLimit <= 0 || rows < rowLimit) {
            viewInfo->RowsEllipsis = false;
        } else {
            rows = rowLimit;
            viewInfo->RowsEllipsis =
                !allPlaced && (flags & toEndEllipsis) && (flags & toWholeRows) && !(flags & toSingleLine);
        }
        viewInfo->RowCount = rows;
        PlaceTextRows(dc, layout, viewInfo->RowParams, rows, viewInfo->Rows);
        // The selection, counted in characters of the shown text.
        const Integer length = Utf8Length(shown);
        Integer start = selStart, count = selLength;
        if (start < 0 || start >= length) count = 0;
        if (count > 0 && start + count > length) count = length - start;
        // The row engine counts bytes.
        const Integer byteStart = count > 0 ? Integer(Utf8Copy(shown, 1, start).size()) : 0;
        const Integer byteLength = count > 0 ? Integer(Utf8Copy(shown, start + 1, count).size()) : 0;
        viewInfo->RowSelStart = byteStart;
        viewInfo->RowSelLength = byteLength;
        viewInfo->RowSelTextColor = selTextColor;
        viewInfo->RowSelBackgroundColor = selBackgroundColor;
    }
    if (viewInfo->RowCount == 0) return;
    canvas->SelectFont(canvas->CurrentFont());
    DrawTextRowsOut(canvas->DeviceContext(), viewInfo->RowLayoutRect, viewInfo->RowParams,
                    viewInfo->RowsEllipsis, viewInfo->RowSelTextColor, viewInfo->RowSelBackgroundColor,
                    viewInfo->RowSelLength, viewInfo->RowSelStart, viewInfo->RowCount, viewInfo->Rows);
}

void PaintTextEditViewInfo(TqzCanvas* canvas, TqzCustomTextEditViewInfo* viewInfo) {
    viewInfo->TqzCustomEditViewInfo::PaintBackground(canvas);
    TRect r = viewInfo->ClientRect;
    if (!viewInfo->IsInplace) {
        if ((!viewInfo->NativeStyle || viewInfo->Highlighted) && viewInfo->EditingStyle != NoEdit)
            canvas->FrameSides(r, viewInfo->BackgroundColor);
        InflateRect(&r, -1, -1);
    }
    if (viewInfo->CustomDraw && viewInfo->CustomDrawHandler) {
        viewInfo->CustomDrawHandler(canvas, r);
    } else {
        if (viewInfo->Highlighted) {
            canvas->SetBrushColor(clHighlight);
            canvas->FillRectOrTile(r, nullptr);
        }
        if (!(viewInfo->InnerControlVisible && viewInfo->InnerEditVisible)) viewInfo->PaintContent(canvas);
    }
    if (!viewInfo->InnerEditVisible && viewInfo->Focused && !viewInfo->IsInplace && !viewInfo->PopupOpen) {
        TFont* font = canvas->CurrentFont();
        if (viewInfo->Highlighted) {
            font->SetColor(clHighlightText);
            canvas->SetBrushColor(clHighlight);
        } else {
            font->SetColor(clBtnText);
            canvas->SetBrushColor(viewInfo->BackgroundColor);
        }
        canvas->SelectFont(font);
        canvas->DrawFocusFrame(r);
    }
}

// ---- View data -------------------------------------------------------------------------------

TqzCustomEditViewData* TqzCustomTextEditViewData::CreateInstance(TqzCustomEditProperties* properties,
                                                                 TqzCustomEditStyle* style, bool isInplace) {
    return CreateEditViewData<TqzCustomTextEditViewData>(properties, style, isInplace);
}

TqzCustomTextEditProperties* TqzCustomTextEditViewData::GetTextProperties() const {
    return dynamic_cast<TqzCustomTextEditProperties*>(GetProperties());
}

void TqzCustomTextEditViewData::InitializeFromProperties() {
    inherited::InitializeFromProperties();
    FormattedBySource = GetProperties()->IsFormattingFromSourceWhileIdle();
}

void TqzCustomTextEditViewData::EditValueToDisplayText(const Variant& editValue, String& text) {
    text.clear();
    TqzCustomTextEditProperties* properties = GetTextProperties();
    try {
        if (FormattedBySource)
            text = VarIsNull(editValue) ? String() : VarToStr(editValue);
        else if (properties)
            text = VarToStr(properties->ConvertEditValueToDisplay(editValue, IsEditFocused()));
        else
            text = VarToStr(editValue);
    } catch (...) {
        if (properties) properties->ApplyEchoModeAndCharCase(text);
        throw;
    }
    if (properties) properties->ApplyEchoModeAndCharCase(text);
}

void TqzCustomTextEditViewData::CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                                                     const TqzEditSizeParameters& sizeParameters) {
    TSize inheritedSize{0, 0};
    inherited::CalculateContentSize(canvas, editValue, inheritedSize, sizeParameters);
    String text;
    BuildDisplayText(editValue, text);
    CalculateEditTextSize(canvas, this, text, size, true, 0, sizeParameters, GetDrawTextFlags());
    MaxSize(size, inheritedSize);
}

void TqzCustomTextEditViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p,
                                          Integer button, TShiftState shift, TqzCustomEditViewInfo* viewInfo,
                                          bool isMouseEvent) {
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* textViewInfo = dynamic_cast<TqzCustomTextEditViewInfo*>(viewInfo);
    if (!textViewInfo) return;
    textViewInfo->Highlighted = false;
    // The text flags join the view info's drawing flags.
    textViewInfo->DrawTextFlags |= TextFlags;
    TqzCustomTextEditProperties* properties = GetTextProperties();
    textViewInfo->EditingStyle = properties ? properties->GetEditingStyle() : FreeText;
    textViewInfo->InnerEditVisible = IsInnerEditVisible();
    textViewInfo->PopupOpen = Edit != nullptr && Edit->HasOpenPopup();
    canvas->SelectFont(GetStyle()->GetEffectiveFont());
    CalculateTextRect(canvas, this, textViewInfo);
    textViewInfo->MaxLineCount = GetVisibleLineCount();
    textViewInfo->InvalidateRows();
    CalculateTextAttributes(canvas, textViewInfo);
}

void TqzCustomTextEditViewData::CalculateTextAttributes(TqzCanvas* canvas,
                                                        TqzCustomTextEditViewInfo* viewInfo) {
    TqzCustomTextEditProperties* properties = GetTextProperties();
    if (properties && !properties->IsMultiLine() && (properties->GetSupportedOperations() & 0x2) &&
        (TextFlags & qztfMultiRow))
        CalculateMultiRowAttributes(canvas, this, viewInfo);
    else
        viewInfo->TextOutFlags = GetDrawTextFlags();
    if (viewInfo->DrawTextFlags & qztfEllipsis) viewInfo->TextOutFlags |= toEndEllipsis;
    viewInfo->IsComboBoxView = IsComboBoxView();
}

void TqzCustomTextEditViewData::EditValueToViewInfo(TqzCanvas*, const Variant& editValue,
                                                    TqzCustomEditViewInfo* viewInfo) {
    auto* textViewInfo = dynamic_cast<TqzCustomTextEditViewInfo*>(viewInfo);
    if (!textViewInfo) return;
    if (IsPreview)
        textViewInfo->Text.clear();
    else
        BuildDisplayText(editValue, textViewInfo->Text);
    CalculateSelectionInfo(textViewInfo);
}

void TqzCustomTextEditViewData::CalculateSelectionInfo(TqzCustomTextEditViewInfo* viewInfo) {
    viewInfo->SelStart = SelStart;
    viewInfo->SelLength = SelLength;
    if (SelLength == 0) return;
    const TColor t = SelTextColor, b = SelBackgroundColor;
    if (b != kNoColor) {
        viewInfo->SelBackgroundColor = b;
        viewInfo->SelTextColor = t != kNoColor ? t : InvertedColor(b);
    } else if (t != kNoColor) {
        viewInfo->SelTextColor = t;
        viewInfo->SelBackgroundColor = InvertedColor(t);
    } else if (GetStyle()->GetColor() == clHighlight) {
        viewInfo->SelBackgroundColor = TColor(0);
        viewInfo->SelTextColor = TColor(0xFFFFFF);
    } else {
        viewInfo->SelBackgroundColor = clHighlight;
        viewInfo->SelTextColor = clHighlightText;
    }
}

void TqzCustomTextEditViewData::GetClientExtent(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo,
                                                TRect& rect) {
    inherited::GetClientExtent(canvas, viewInfo, rect);
    if (!IsInplace && IsComboBoxView() && NativeStyle) rect.right += 1;
}

bool TqzCustomTextEditViewData::IsInnerEditVisible() {
    auto* edit = dynamic_cast<TqzCustomTextEdit*>(Edit);
    return edit != nullptr && edit->ShowsInnerEdit();
}

void TqzCustomTextEditViewData::StoreDrawText(const Variant& value, TqzCustomTextEditViewInfo* viewInfo) {
    viewInfo->Text = VarToStr(value);
    if (TqzCustomTextEditProperties* properties = GetTextProperties())
        properties->ApplyEchoModeAndCharCase(viewInfo->Text);
}

Integer TqzCustomTextEditViewData::GetDrawTextFlags() {
    Integer flags = 0;
    if (HorzAlignment == taRightJustify) flags |= toRight;
    if (HorzAlignment == taCenter) flags |= toCenterH;
    if (VertAlignment == taBottomJustify) flags |= toBottom;
    if (VertAlignment == taVCenter) flags |= toCenterV;
    return flags | toSingleLine | toNoLeftOverflow | toNoTopOverflow;
}

void TqzCustomTextEditViewData::GetTextRect(TRect& margins) { GetTextEditTextRect(this, margins); }

// ---- View info -------------------------------------------------------------------------------

TqzCustomTextEditViewInfo::~TqzCustomTextEditViewInfo() { Rows.clear(); }

TqzContainerViewInfo* TqzCustomTextEditViewInfo::CreateInstance() { return new TqzCustomTextEditViewInfo(); }

void TqzCustomTextEditViewInfo::PaintBackground(TqzCanvas* canvas) { PaintTextEditViewInfo(canvas, this); }

void TqzCustomTextEditViewInfo::PaintContent(TqzCanvas* canvas) {
    if (UpToNul(Text).empty()) return;
    if (Font) canvas->SelectFont(Font);
    TFont* font = canvas->CurrentFont();
    font->SetColor(Highlighted ? clHighlightText : TextColor);
    AdjustPaintFont(font);
    canvas->SelectFont(font);
    DrawTextEditText(canvas, this, Text, 0, 0, MaxLineCount, SelTextColor, SelBackgroundColor, SelLength,
                     SelStart, TextOutFlags, TextRect);
}

void TqzCustomTextEditViewInfo::MoveBy(Integer dx, Integer dy) {
    inherited::MoveBy(dx, dy);
    OffsetRect(&TextRect, dx, dy);
    if (!RowsLaidOut) return;
    OffsetRect(&RowLayoutRect, dx, dy);
    for (TqzTextRow& row : Rows) {
        row.Left += dx;
        row.Top += dy;
    }
}

bool TqzCustomTextEditViewInfo::IsTextHintNeeded(const TPoint& p, String& text, bool& isMultiLine,
                                                 TRect& textRect) {
    return IsTextHintNeededAt(GetScreenCanvas(), p, textRect, isMultiLine, &text, TRect{});
}

bool TqzCustomTextEditViewInfo::IsTextHintNeededAt(TqzCanvas* canvas, const TPoint& point, TRect& hintRect,
                                                   bool& isMultiLine, String* text, const TRect& limitRect) {
    if (text) text->clear();
    const POINT p{point.x - Origin.x, point.y - Origin.y};
    TRect limit = TextRect;
    if (!(limitRect.left == 0 && limitRect.top == 0 && limitRect.right == 0 && limitRect.bottom == 0)) {
        TRect moved = limitRect;
        OffsetRect(&moved, -Origin.x, -Origin.y);
        IntersectRect(&limit, &moved, &TextRect);
    }
    if (!PtInRect(&limit, p)) return false;
    if (Font) canvas->SelectFont(Font);
    const Integer flags = ((TextOutFlags | toRowCount) & ~kVertAlignmentBits);
    const bool wraps = (flags & toWordBreak) && !(flags & toSingleLine);
    TRect layout = TextRect;
    layout.bottom = 0x3FFFFFFF;
    if (!wraps) layout.right = 0x3FFFFFFF;
    const String shown = UpToNul(Text);
    TqzTextParams params = PrepareCanvasTextParams(canvas, flags);
    Integer rowCount = 0;
    TqzTextRows rows;
    bool needed = !LayoutCanvasTextRows(canvas, shown.c_str(), layout, MaxLineCount, rowCount, rows, params);
    if (!needed) {
        const Integer width = TextRect.right - TextRect.left;
        Integer y = TextRect.top;
        for (Integer i = 0; i < rowCount && !needed; ++i) {
            String rowText(rows[std::size_t(i)].Text, std::size_t(rows[std::size_t(i)].CharCount));
            while (!rowText.empty() && Byte(rowText.back()) <= 32)
                rowText.pop_back();
            SIZE extent{};
            GetTextExtentPoint32A(canvas->DeviceContext(), rowText.c_str(), Integer(rowText.size()), &extent);
            y += extent.cy;
            needed = extent.cx > width || TextRect.left + extent.cx > limit.right || y > limit.bottom;
        }
    }
    if (needed) {
        isMultiLine = wraps;
        if (text) *text = Text;
        hintRect = TextRect;
        OffsetRect(&hintRect, Origin.x, Origin.y);
    }
    return needed;
}
