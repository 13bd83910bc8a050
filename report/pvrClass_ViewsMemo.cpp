// The memo view: expressions in its text, data binding, formats, highlight, suppression of
// repeated values, measuring, splitting and drawing through the text layout object.
#include <algorithm>
#include <atomic>
#include <cmath>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"
#include "report/pvrXML.h"
#include "script/kq_iinterpreter.h"

Variant CalcExpression(TpvrComponent* view, const String& expression);

namespace {

String Attribute(const String& name, const String& value) { return " " + name + "=\"" + value + "\""; }

bool Differs(Extended a, Extended b) { return std::fabs(double(a - b)) > double(pvrTolerance); }

Integer Px(Extended value) { return Integer(Round(value)); }

String FloatAttribute(Extended value) { return VariantToXMLText(Variant(Double(value))); }

bool IsTextVariant(const Variant& value) {
    const TVarType type = VarType(value) & varTypeMask;
    return type == varString || type == varOleStr;
}

bool IsZero(const Variant& value) {
    if (IsTextVariant(value) || VarIsNull(value) || VarIsEmpty(value)) return false;
    try {
        return value == Variant(0);
    } catch (const Exception&) {
        return false;
    }
}

// The text without its last line break.
WideString WithoutFinalBreak(WideString text) {
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, u"\r\n") == 0) text.resize(text.size() - 2);
    return text;
}

// Replaces the first occurrence of `what` (ignoring ASCII case) by `by`.
WideString ReplaceFirstNoCase(const WideString& text, const WideString& what, const WideString& by) {
    auto lower = [](WideString s) {
        for (char16_t& c : s)
            if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
        return s;
    };
    const std::size_t pos = lower(text).find(lower(what));
    if (pos == WideString::npos) return text;
    WideString result = text;
    result.replace(pos, what.size(), by);
    return result;
}

bool InDesigner(TpvrComponent* view) {
    TpvrReport* report = view->Report();
    return report != nullptr && report->Designer != nullptr;
}

} // namespace

// ---- Highlight and format ----------------------------------------------------------------------

TpvrHighlight::TpvrHighlight() : FFont(std::make_unique<TFont>()) {
    FFont->SetName("Arial");
    FFont->SetSize(10);
    FFont->SetColor(clRed);
    FFont->SetCharset(DEFAULT_CHARSET);
}

TpvrHighlight::~TpvrHighlight() = default;

void TpvrHighlight::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TpvrHighlight*>(source);
    if (other == nullptr) {
        inherited::Assign(source);
        return;
    }
    FFont->Assign(other->FFont.get());
    Color = other->Color;
    Condition = other->Condition;
}

void TpvrFormat::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TpvrFormat*>(source);
    if (other == nullptr) {
        inherited::Assign(source);
        return;
    }
    DecimalSeparator = other->DecimalSeparator;
    FormatStr = other->FormatStr;
    Kind = other->Kind;
}

WideString FormatValue(const Variant& value, TpvrFormat* format) {
    if (VarIsNull(value)) return WideString();
    try {
        switch (format->Kind) {
        case fkText:
            return VarToWideStr(value);
        case fkNumeric: {
            const Extended number = value.AsExtended();
            String text = !format->FormatStr.empty() && format->FormatStr[0] == '#'
                              ? FormatFloat(format->FormatStr, number)
                              : Format(format->FormatStr, {number});
            const String localSeparator(1, FormatSettings.DecimalSeparator);
            if (format->DecimalSeparator.size() == 1 && format->DecimalSeparator != localSeparator &&
                !localSeparator.empty())
                text = StringReplace(text, localSeparator, format->DecimalSeparator, {rfReplaceAll});
            return StringToWide(text);
        }
        case fkDateTime:
            return StringToWide(FormatDateTime(format->FormatStr, VarToDateTime(value)));
        case fkBoolean: {
            const String& texts = format->FormatStr;
            const std::size_t comma = texts.find(',');
            const String falseText = comma == String::npos ? texts : texts.substr(0, comma);
            const String trueText = comma == String::npos ? String() : texts.substr(comma + 1);
            bool isTrue = false;
            try {
                isTrue = value == Variant(true);
            } catch (const Exception&) {
                isTrue = false;
            }
            return StringToWide(isTrue ? trueText : falseText);
        }
        }
    } catch (const Exception&) {
        // Falls back to the plain text below.
    }
    try {
        return VarToWideStr(value);
    } catch (const Exception&) {
        return WideString();
    }
}

// ---- TpvrCustomMemoView ------------------------------------------------------------------------

TpvrCustomMemoView::TpvrCustomMemoView(TComponent* owner)
    : TpvrStretcheable(owner), FDisplayFormat(std::make_unique<TpvrFormat>()),
      FHighlight(std::make_unique<TpvrHighlight>()), FMemo(std::make_unique<TWideStrings>()) {
    FLastValue = Null();
    SetParentFont(true);
}

TpvrCustomMemoView::~TpvrCustomMemoView() = default;

String TpvrCustomMemoView::GetDescription() { return GetResources()->Get("obText"); }

String TpvrMemoView::GetDescription() { return GetResources()->Get("obText"); }

String TpvrSysMemoView::GetDescription() { return GetResources()->Get("obSysText"); }

bool TpvrCustomMemoView::IsHighlightStored() const { return !Trim(FHighlight->Condition).empty(); }

void TpvrCustomMemoView::SetFlowTo(TpvrCustomMemoView* value) {
    FFlowTo = value;
    if (value) value->FreeNotification(this);
}

void TpvrCustomMemoView::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == FFlowTo) FFlowTo = nullptr;
}

void TpvrCustomMemoView::SetRotation(Integer value) { FRotation = ((value % 360) + 360) % 360; }

void TpvrCustomMemoView::SetStyle(const String& value) {
    FStyle = value;
    TpvrReport* report = Report();
    if (report == nullptr) return;
    TpvrStyleItem* style = report->GetStyles()->Find(value);
    if (style == nullptr) return;
    Color = style->Color;
    SetFont(style->GetFont());
    GetFrame()->Assign(style->GetFrame());
}

Extended TpvrCustomMemoView::VerticalExtra() const {
    const TpvrFrame* f = GetFrame();
    Extended result = 2 * GapY;
    if (f->Typ.Contains(ftTop)) result += (f->Width - 1) / 2;
    if (f->Typ.Contains(ftBottom)) result += f->Width / 2;
    if (f->DropShadow) result += f->ShadowWidth;
    return result;
}

Extended TpvrCustomMemoView::HorizontalExtra() const {
    const TpvrFrame* f = GetFrame();
    Extended result = 2 * GapX;
    if (f->Typ.Contains(ftLeft)) result += (f->Width - 1) / 2;
    if (f->Typ.Contains(ftRight)) result += f->Width / 2;
    if (f->DropShadow) result += f->ShadowWidth;
    return result;
}

void TpvrCustomMemoView::BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                   Extended offsetY) {
    inherited::BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    const TpvrFrame* f = GetFrame();
    const Extended w = f->Width;
    FTextRect.left = FX + Px(scaleX * GapX) + (f->Typ.Contains(ftLeft) ? Px((scaleX * w - 1) / 2) : 0);
    FTextRect.top = FY + Px(scaleY * GapY) + (f->Typ.Contains(ftTop) ? Px((scaleY * w - 1) / 2) : 0);
    FTextRect.right = FX1 - Px(scaleX * GapX) + 1 - (f->Typ.Contains(ftRight) ? Px(scaleX * w / 2) : 0);
    FTextRect.bottom = FY1 - Px(scaleY * GapY) + 1 - (f->Typ.Contains(ftBottom) ? Px(scaleY * w / 2) : 0);
}

TpvrDrawText* TpvrCustomMemoView::DrawTextObject() const {
    TpvrReport* report = Report();
    return report ? report->GetDrawText() : GlobalDrawText();
}

void TpvrCustomMemoView::SetupLayout(TpvrDrawText* layout, TCanvas* canvas, Extended scaleX, Extended scaleY,
                                     Extended offsetX, Extended offsetY, bool autoWidthBox) {
    if (FHighlight->Active) {
        layout->SetFont(FHighlight->GetFont());
        Color = FHighlight->Color;
    } else {
        layout->SetFont(GetFont());
    }
    layout->SetOptions(WordWrap, AllowHTMLTags, FRotation, Clipped, WordBreak, RTLReading);
    layout->SetGaps(LineSpacing, CharSpacing, ParagraphGap);
    const TRect box{0, 0, 10000, 10000};
    if (AutoWidth && !InDesigner(this)) {
        layout->SetDimensions(box, box, 1, 1);
        layout->SetText(FMemo.get());
        const Extended oldWidth = GetWidth();
        const Extended newWidth = layout->CalcWidth() + HorizontalExtra();
        SetWidth(newWidth);
        if (HAlign == haRight)
            SetLeft(GetLeft() + oldWidth - newWidth);
        else if (HAlign == haCenter)
            SetLeft(GetLeft() + (oldWidth - newWidth) / 2);
        if (TpvrComponent* parent = GetParent()) parent->AlignChildren();
    }
    if (autoWidthBox && AutoWidth) {
        layout->SetDimensions(box, box, 1, 1);
    } else {
        BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
        const TRect scaled = FTextRect;
        BeginDraw(canvas, 1, 1, 0, 0);
        layout->SetDimensions(FTextRect, scaled, scaleX, scaleY);
    }
    layout->SetText(FMemo.get());
}

namespace {

// Takes the layout object for the length of a scope.
struct TLayoutLock {
    explicit TLayoutLock(TpvrDrawText* layout) : Layout(layout) { Layout->Lock(); }
    ~TLayoutLock() { Layout->Unlock(); }
    TpvrDrawText* Layout;
};

} // namespace

void TpvrCustomMemoView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                              Extended offsetY) {
    if (!InDesigner(this)) {
        const WideString text = FMemo->GetText();
        const WideString replaced = ReplaceFirstNoCase(text, u"[TOTALPAGES#]", StringToWide(IntToStr(TotalPages)));
        if (replaced != text) FMemo->SetText(replaced);
    } else if (IsDataBound()) {
        FMemo->SetText(StringToWide("[" + GetDataSet()->GetUserName() + ".\"" + DataField + "\"]"));
    }
    const TColor savedColor = Color;
    TpvrDrawText* layout = DrawTextObject();
    {
        TLayoutLock lock(layout);
        SetupLayout(layout, canvas, scaleX, scaleY, offsetX, offsetY, false);
        TpvrView::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
        if (Underlines && FRotation == 0) {
            TPen* pen = canvas->GetPen();
            pen->SetStyle(psSolid);
            pen->SetColor(GetFrame()->Color);
            pen->SetWidth(std::max(FFrameWidth, 1));
            const Extended step = layout->GetLineHeight() * scaleY;
            for (Integer k = 1; step > 0; ++k) {
                const Integer y = FY + Px(k * step);
                if (y >= FY1) break;
                canvas->MoveTo(FX, y);
                canvas->LineTo(FX1, y);
            }
        }
        layout->DrawText(canvas, HAlign, VAlign);
    }
    Color = savedColor;
}

Extended TpvrCustomMemoView::CalcHeight() {
    const TColor savedColor = Color;
    TpvrDrawText* layout = DrawTextObject();
    Extended result = 0;
    {
        TLayoutLock lock(layout);
        SetupLayout(layout, nullptr, 1, 1, 0, 0, true);
        result = Round(layout->CalcHeight() + VerticalExtra());
    }
    Color = savedColor;
    return result;
}

Extended TpvrCustomMemoView::CalcWidth() {
    const TColor savedColor = Color;
    const bool autoWidth = AutoWidth;
    TpvrDrawText* layout = DrawTextObject();
    Extended result = 0;
    {
        TLayoutLock lock(layout);
        AutoWidth = false;
        SetupLayout(layout, nullptr, 1, 1, 0, 0, false);
        AutoWidth = autoWidth;
        const TRect box{0, 0, 10000, 10000};
        layout->SetDimensions(box, box, 1, 1);
        layout->SetText(FMemo.get());
        result = Round(layout->CalcWidth() + HorizontalExtra());
    }
    AutoWidth = autoWidth;
    Color = savedColor;
    return result;
}

void TpvrCustomMemoView::InitPart() { FPartText = FMemo->GetText(); }

Extended TpvrCustomMemoView::DrawPart() {
    const TColor savedColor = Color;
    FMemo->SetText(FPartText);
    TpvrDrawText* layout = DrawTextObject();
    Extended result = 0;
    {
        TLayoutLock lock(layout);
        SetupLayout(layout, nullptr, 1, 1, 0, 0, false);
        const Extended unused = layout->UnusedSpace();
        FPartText = layout->GetRemainedText();
        FMemo->SetText(layout->GetInBoundsText());
        result = unused > 0 ? unused : GetHeight();
    }
    Color = savedColor;
    return result;
}

WideString TpvrCustomMemoView::ExpressionText(const String& expression) {
    String expr = expression;
    TpvrFormat inlineFormat;
    TpvrFormat* format = FDisplayFormat.get();
    const std::size_t mark = expression.find(" #");
    if (mark != String::npos && expression.find(')', mark + 2) == String::npos) {
        expr = expression.substr(0, mark);
        const String part = expression.substr(mark + 2);
        if (!part.empty()) {
            String rest = part.substr(1);
            switch (part[0]) {
            case 'B':
            case 'b':
                inlineFormat.Kind = fkBoolean;
                break;
            case 'D':
            case 'd':
            case 'T':
            case 't':
                inlineFormat.Kind = fkDateTime;
                break;
            case 'N':
            case 'n':
                inlineFormat.Kind = fkNumeric;
                for (char& c : rest) {
                    if (c == ',' || c == '-') {
                        inlineFormat.DecimalSeparator = String(1, c);
                        c = '.';
                    }
                }
                break;
            default:
                inlineFormat.Kind = fkText;
                break;
            }
            inlineFormat.FormatStr = rest;
        }
        format = &inlineFormat;
    }
    if (SameText(expr, "TotalPages#"))
        Value = Variant(String("[TotalPages#]"));
    else
        Value = CalcExpression(this, expr);
    if (HideZeros && IsZero(Value)) return WideString();
    return FormatValue(Value, format);
}

void TpvrCustomMemoView::ExpandExpressions() {
    const std::size_t comma = ExpressionDelimiters.find(',');
    const WideString open = StringToWide(ExpressionDelimiters.substr(0, comma));
    const WideString close =
        StringToWide(comma == String::npos ? String() : ExpressionDelimiters.substr(comma + 1));
    WideString text = FMemo->GetText();
    if (open.empty() || text.find(open) == WideString::npos) return;
    std::size_t from = 0;
    while (true) {
        const std::size_t found = text.find(open, from);
        if (found == WideString::npos) break;
        Integer start = Integer(found) + 1;
        Integer end = start;
        WideString inner;
        ExtractDelimitedW(text, open, close, inner, end, start);
        const WideString value = ExpressionText(WideToString(inner));
        const std::size_t length = std::min<std::size_t>(std::size_t(end - start + 1), text.size() - (start - 1));
        text.replace(std::size_t(start - 1), length, value);
        from = std::size_t(start - 1) + value.size();
    }
    FMemo->SetText(text);
}

void TpvrCustomMemoView::GetData() {
    TpvrView::GetData();
    if (IsDataBound()) {
        TpvrDataSet* data = GetDataSet();
        if (data->IsBlobField(DataField)) {
            data->AssignBlobTo(DataField, FMemo.get());
        } else {
            Value = data->GetValue(DataField);
            if (FDisplayFormat->Kind != fkText)
                FMemo->SetText(FormatValue(Value, FDisplayFormat.get()));
            else
                FMemo->SetText(data->GetDisplayText(DataField));
            if (HideZeros && IsZero(Value)) FMemo->Clear();
        }
    } else if (AllowExpressions) {
        ExpandExpressions();
    }
    if (TpvrReport* report = Report()) {
        if (TkqScript* script = report->GetScript()) {
            if (TkqCustomVariable* symbol = script->FindLocal("Value")) symbol->SetValue(Value);
        }
    }
    FHighlight->Active = false;
    if (!FHighlight->Condition.empty()) {
        const Variant active = CalcExpression(this, FHighlight->Condition);
        try {
            FHighlight->Active = !VarIsNull(active) && active.AsBoolean();
        } catch (const Exception&) {
            FHighlight->Active = false;
        }
    }
    if (SuppressRepeated) {
        const WideString text = FMemo->GetText();
        if (!VarIsNull(FLastValue) && VarToWideStr(FLastValue) == text)
            FMemo->Clear();
        else
            FLastValue = Variant(text);
    }
    static std::atomic<UInt64> dataOrder{0};
    FDataOrder = ++dataOrder;
    if (FFlowTo != nullptr) {
        if (FlowClosesRing()) {
            // Cut where the ring closes: the first memo keeps its text, this one all it has.
            if (TpvrReport* report = Report())
                report->GetErrors()->Add(GetName() + ": the text flows back to " + FFlowTo->GetName());
            return;
        }
        InitPart();
        DrawPart();
        FFlowTo->GetMemo()->SetText(FPartText);
        FFlowTo->AllowExpressions = false;
    }
}

bool TpvrCustomMemoView::FlowClosesRing() const {
    // Follow the flow from here; only a way back here makes a ring with this memo in it.
    std::vector<const TpvrCustomMemoView*> ring{this};
    for (const TpvrCustomMemoView* next = FFlowTo; next != this; next = next->FFlowTo) {
        if (next == nullptr || std::find(ring.begin(), ring.end(), next) != ring.end()) return false;
        ring.push_back(next);
    }
    const TpvrCustomMemoView* first = this;
    for (const TpvrCustomMemoView* memo : ring)
        if (memo->FDataOrder != 0 && memo->FDataOrder < first->FDataOrder) first = memo;
    return FFlowTo == first;
}

void TpvrCustomMemoView::BeforePrint() {
    TpvrView::BeforePrint();
    if (!IsDataBound()) FSavedText = FMemo->GetText();
}

void TpvrCustomMemoView::AfterPrint() {
    FDataOrder = 0;
    if (!IsDataBound()) FMemo->SetText(FSavedText);
    TpvrView::AfterPrint();
}

String TpvrCustomMemoView::GetComponentText() {
    WideString text = FMemo->GetText();
    if (AllowExpressions) text = ReplaceFirstNoCase(text, u"[TOTALPAGES]", StringToWide(IntToStr(TotalPages)));
    return WideToString(text);
}

String TpvrCustomMemoView::DiffAttributes(TpvrComponent* source) {
    String result = inherited::DiffAttributes(source);
    auto* memo = dynamic_cast<TpvrCustomMemoView*>(source);
    if (memo == nullptr) return result;
    if (AutoWidth != memo->AutoWidth) result += Attribute("AutoWidth", VariantToXMLText(Variant(AutoWidth)));
    if (Differs(CharSpacing, memo->CharSpacing)) result += Attribute("CharSpacing", FloatAttribute(CharSpacing));
    if (Differs(GapX, memo->GapX)) result += Attribute("GapX", FloatAttribute(GapX));
    if (Differs(GapY, memo->GapY)) result += Attribute("GapY", FloatAttribute(GapY));
    if (HAlign != memo->HAlign) result += Attribute("HAlign", IntToStr(Integer(HAlign)));
    if (FHighlight->Active != memo->FHighlight->Active)
        result += Attribute("Highlight.Active", VariantToXMLText(Variant(FHighlight->Active)));
    if (Differs(LineSpacing, memo->LineSpacing)) result += Attribute("LineSpacing", FloatAttribute(LineSpacing));
    result += Attribute("u", EscapeXMLText(WideToString(WithoutFinalBreak(FMemo->GetText()))));
    if (Differs(ParagraphGap, memo->ParagraphGap))
        result += Attribute("ParagraphGap", FloatAttribute(ParagraphGap));
    if (FRotation != memo->FRotation) result += Attribute("Rotation", IntToStr(FRotation));
    if (RTLReading != memo->RTLReading) result += Attribute("RTLReading", VariantToXMLText(Variant(RTLReading)));
    if (Underlines != memo->Underlines) result += Attribute("Underlines", VariantToXMLText(Variant(Underlines)));
    if (VAlign != memo->VAlign) result += Attribute("VAlign", IntToStr(Integer(VAlign)));
    if (WordWrap != memo->WordWrap) result += Attribute("WordWrap", VariantToXMLText(Variant(WordWrap)));
    return result;
}
