// The base view (binding, frame, background, shadow, tag and link expressions), the shape view,
// and the published properties and registration of every view class.
#include <algorithm>
#include <cmath>

#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"
#include "report/pvrXML.h"

namespace {

String Attribute(const String& name, const String& value) { return " " + name + "=\"" + value + "\""; }

bool Differs(Extended a, Extended b) { return std::fabs(double(a - b)) > double(pvrTolerance); }

Integer Px(Extended value) { return Integer(Round(value)); }

} // namespace

// The value of an expression through the view's report.
Variant CalcExpression(TpvrComponent* view, const String& expression);

// ---- TpvrView ----------------------------------------------------------------------------------

TpvrView::TpvrView(TComponent* owner) : TpvrReportComponent(owner), FFrame(std::make_unique<TpvrFrame>()) {}

TpvrView::~TpvrView() = default;

void TpvrView::SetDataSet(TpvrDataSet* value) {
    FDataSet = value;
    FDataSetName = value ? value->GetUserName() : String();
    if (value) value->FreeNotification(this);
}

String TpvrView::GetDataSetName() const { return FDataSet ? FDataSet->GetUserName() : FDataSetName; }

void TpvrView::SetDataSetName(const String& value) {
    FDataSetName = value;
    FDataSet = GlobalDataSetList()->FindDataSetByName(FDataSet, value, Report());
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TpvrView::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == FDataSet) FDataSet = nullptr;
}

void TpvrView::BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
    FCanvas = canvas;
    FScaleX = scaleX;
    FScaleY = scaleY;
    FOffsetX = offsetX;
    FOffsetY = offsetY;
    const Extended left = AbsLeft();
    const Extended top = AbsTop();
    FX = Px(offsetX + scaleX * left);
    FY = Px(offsetY + scaleY * top);
    FX1 = Px(offsetX + scaleX * (left + GetWidth()));
    FY1 = Px(offsetY + scaleY * (top + GetHeight()));
    if (FFrame->DropShadow) {
        FX1 -= Px(scaleX * FFrame->ShadowWidth);
        FY1 -= Px(scaleY * FFrame->ShadowWidth);
    }
    FDX = FX1 - FX;
    FDY = FY1 - FY;
    FFrameWidth = Px(scaleX * FFrame->Width);
}

void TpvrView::DrawBackground() {
    if (FCanvas == nullptr) return;
    if (Color != clTransparent) {
        FCanvas->GetBrush()->SetStyle(bsSolid);
        FCanvas->GetBrush()->SetColor(Color);
        FCanvas->FillRect(TRect{FX, FY, FX1, FY1});
    }
    if (BrushStyle >= bsHorizontal && BrushStyle <= bsDiagCross) {
        FCanvas->GetBrush()->SetColor(FFrame->Color);
        FCanvas->GetBrush()->SetStyle(BrushStyle);
        const int oldMode = SetBkMode(FCanvas->GetHandle(), TRANSPARENT);
        FCanvas->FillRect(TRect{FX, FY, FX1 + 1, FY1 + 1});
        SetBkMode(FCanvas->GetHandle(), oldMode);
        FCanvas->GetBrush()->SetStyle(bsSolid);
    }
}

void TpvrView::DrawWideLine(Integer x1, Integer y1, Integer x2, Integer y2, Integer width) {
    if (width <= 0) width = 1;
    const bool sideways = std::abs(x2 - x1) < std::abs(y2 - y1);
    for (Integer k = -(width / 2); k <= (width - 1) / 2; ++k) {
        if (sideways) {
            FCanvas->MoveTo(x1 + k, y1);
            FCanvas->LineTo(x2 + k, y2);
        } else {
            FCanvas->MoveTo(x1, y1 + k);
            FCanvas->LineTo(x2, y2 + k);
        }
    }
}

void TpvrView::DrawFrame() {
    if (FCanvas == nullptr) return;
    TPen* pen = FCanvas->GetPen();
    if (FFrame->DropShadow) {
        pen->SetStyle(psSolid);
        pen->SetWidth(1);
        pen->SetColor(FFrame->ShadowColor);
        const Integer s = Px(FFrame->ShadowWidth * FScaleX);
        const Integer sy = Px(FFrame->ShadowWidth * FScaleY);
        DrawWideLine(FX1 + s / 2, FY + s, FX1 + s / 2, FY1, s);
        DrawWideLine(FX + sy, FY1 + sy / 2, FX1 + sy, FY1 + sy / 2, sy);
    }
    const TpvrFrameTypes& typ = FFrame->Typ;
    if (typ.empty() || FFrame->Color == clTransparent || FFrame->Width == 0) return;

    const Integer fw = FFrameWidth;
    const TpvrFrameStyle style = FFrame->Style;
    const bool dashed = style != fsSolid && style != fsDouble;
    pen->SetColor(FFrame->Color);
    pen->SetStyle(dashed ? TPenStyle(style) : psSolid);
    pen->SetWidth(dashed ? 1 : std::max(fw, 1));
    HDC dc = FCanvas->GetHandle();
    const int oldMode = GetBkMode(dc);
    if (style != fsSolid) {
        // The view's colour fills the gaps of dashed lines.
        if (Color == clTransparent) {
            FCanvas->GetBrush()->SetStyle(bsClear);
            SetBkMode(FCanvas->GetHandle(), TRANSPARENT);
        } else {
            FCanvas->GetBrush()->SetColor(Color);
            SetBkMode(FCanvas->GetHandle(), OPAQUE);
            SetBkColor(FCanvas->GetHandle(), COLORREF(ColorToRGB(Color)));
        }
    }

    auto line = [&](Integer x1, Integer y1, Integer x2, Integer y2) {
        if (dashed) {
            DrawWideLine(x1, y1, x2, y2, fw);
        } else {
            FCanvas->MoveTo(x1, y1);
            FCanvas->LineTo(x2, y2);
        }
    };
    const Integer bottomEnd = FX1 + (fw == 1 ? 1 : 0);
    if (style != fsDouble) {
        if (typ.Contains(ftLeft)) line(FX, FY, FX, FY1);
        if (typ.Contains(ftRight)) line(FX1, FY, FX1, FY1);
        if (typ.Contains(ftTop)) line(FX, FY, FX1, FY);
        if (typ.Contains(ftBottom)) line(FX, FY1, bottomEnd, FY1);
    } else {
        // Two lines a frame width outside and inside each side; the outer ones meet at framed
        // corners, the inner ones stop short of them; the edge between them in the view's colour.
        struct TSide {
            TpvrFrameType Type;
            bool Vertical;
            Integer At, From, To, Outward;
            TpvrFrameType Before, After;
        };
        const TSide sides[] = {{ftLeft, true, FX, FY, FY1, -1, ftTop, ftBottom},
                               {ftRight, true, FX1, FY, FY1, 1, ftTop, ftBottom},
                               {ftTop, false, FY, FX, FX1, -1, ftLeft, ftRight},
                               {ftBottom, false, FY1, FX, bottomEnd, 1, ftLeft, ftRight}};
        for (const TSide& side : sides) {
            if (!typ.Contains(side.Type)) continue;
            const Integer before = typ.Contains(side.Before) ? fw : 0;
            const Integer after = typ.Contains(side.After) ? fw : 0;
            auto draw = [&](Integer at, Integer from, Integer to) {
                if (side.Vertical)
                    line(at, from, at, to);
                else
                    line(from, at, to, at);
            };
            pen->SetColor(FFrame->Color);
            draw(side.At + side.Outward * fw, side.From - before, side.To + after);
            draw(side.At - side.Outward * fw, side.From + before, side.To - after);
            if (Color != clTransparent) {
                pen->SetColor(Color);
                draw(side.At, side.From, side.To);
            }
        }
    }
    SetBkMode(dc, oldMode);
    FCanvas->GetBrush()->SetStyle(bsSolid);
}

void TpvrView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground();
    DrawFrame();
}

void TpvrView::BeforePrint() {
    inherited::BeforePrint();
    FSavedTagStr = TagStr;
    FSavedURL = URL;
}

void TpvrView::AfterPrint() {
    TagStr = FSavedTagStr;
    URL = FSavedURL;
    inherited::AfterPrint();
}

String TpvrView::ExpandBrackets(const String& text) {
    String result = text;
    std::size_t pos = 0;
    while (pos < result.size()) {
        if (result[pos] != '[') {
            ++pos;
            continue;
        }
        // The matching closing bracket, nested pairs counted; none: the rest of the text.
        std::size_t end = pos + 1;
        Integer depth = 1;
        for (; end < result.size(); ++end) {
            if (result[end] == '[') ++depth;
            if (result[end] == ']' && --depth == 0) break;
        }
        const String inner = result.substr(pos + 1, std::min(end, result.size()) - pos - 1);
        const String value = VarToStr(CalcExpression(this, inner));
        result.replace(pos, std::min(end + 1, result.size()) - pos, value);
        pos += value.size();
    }
    return result;
}

void TpvrView::GetData() {
    if (TagStr.find('[') != String::npos) TagStr = ExpandBrackets(TagStr);
    if (URL.find('[') != String::npos) URL = ExpandBrackets(URL);
}

String TpvrView::DiffAttributes(TpvrComponent* source) {
    String result = inherited::DiffAttributes(source);
    auto* view = dynamic_cast<TpvrView*>(source);
    if (view == nullptr) return result;
    const TpvrFrame* f = FFrame.get();
    const TpvrFrame* s = view->FFrame.get();
    if (BrushStyle != view->BrushStyle) result += Attribute("BrushStyle", IntToStr(Integer(BrushStyle)));
    if (Align != view->Align) result += Attribute("Align", IntToStr(Integer(Align)));
    if (Color != view->Color) result += Attribute("Color", IntToStr(Integer(Color)));
    if (f->Color != s->Color) result += Attribute("Frame.Color", IntToStr(Integer(f->Color)));
    if (f->DropShadow != s->DropShadow)
        result += Attribute("Frame.DropShadow", VariantToXMLText(Variant(f->DropShadow)));
    if (f->ShadowColor != s->ShadowColor) result += Attribute("Frame.ShadowColor", IntToStr(Integer(f->ShadowColor)));
    if (Differs(f->ShadowWidth, s->ShadowWidth))
        result += Attribute("Frame.ShadowWidth", VariantToXMLText(Variant(Double(f->ShadowWidth))));
    if (f->Style != s->Style) result += Attribute("Frame.Style", IntToStr(Integer(f->Style)));
    if (!(f->Typ == s->Typ)) result += Attribute("Frame.Typ", IntToStr(Integer(f->Typ.Mask())));
    if (Differs(f->Width, s->Width)) result += Attribute("Frame.Width", VariantToXMLText(Variant(Double(f->Width))));
    if (Cursor != view->Cursor) result += Attribute("Cursor", IntToStr(Cursor));
    if (Printable != view->Printable) result += Attribute("Printable", VariantToXMLText(Variant(Printable)));
    if (TagStr != view->TagStr) result += Attribute("TagStr", EscapeXMLText(TagStr));
    if (URL != view->URL) result += Attribute("URL", EscapeXMLText(URL));
    return result;
}

// ---- TpvrShapeView -----------------------------------------------------------------------------

TpvrShapeView::TpvrShapeView(TComponent* owner) : TpvrView(owner) {
    if (IsDesigning) {
        const Integer kind = CurrentDesignFlags();
        if (kind >= skRectangle && kind <= skDiagonal2) Shape = TpvrShapeKind(kind);
    }
}

String TpvrShapeView::GetDescription() { return GetResources()->Get("obShape"); }

void TpvrShapeView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    TPen* pen = canvas->GetPen();
    TBrush* brush = canvas->GetBrush();
    pen->SetColor(GetFrame()->Color);
    pen->SetWidth(std::max(FFrameWidth, 1));
    pen->SetStyle(GetFrame()->Style == fsDouble ? psClear : TPenStyle(GetFrame()->Style));
    brush->SetStyle(bsSolid);
    HDC dc = canvas->GetHandle();
    const int oldMode = SetBkMode(dc, OPAQUE);
    const Integer halfW = FDX / 2, halfH = FDY / 2;
    auto shape = [&]() {
        switch (Shape) {
        case skRectangle:
            canvas->Rectangle(FX, FY, FX1 + 1, FY1 + 1);
            break;
        case skRoundRectangle: {
            const Integer corner = Curve == 0 ? std::min(FDX, FDY) / 4 : Px(Curve * FScaleX * 10);
            canvas->RoundRect(FX, FY, FX1 + 1, FY1 + 1, corner, corner);
            break;
        }
        case skEllipse:
            canvas->Ellipse(FX, FY, FX1 + 1, FY1 + 1);
            break;
        case skTriangle:
            canvas->Polygon({TPoint{FX1, FY1}, TPoint{FX, FY1}, TPoint{FX + halfW, FY}, TPoint{FX1, FY1}});
            break;
        case skDiamond:
            canvas->Polygon({TPoint{FX + halfW, FY}, TPoint{FX1, FY + halfH}, TPoint{FX + halfW, FY1},
                             TPoint{FX, FY + halfH}});
            break;
        case skDiagonal1:
        case skDiagonal2: {
            const Integer width = FFrameWidth;
            pen->SetWidth(1);
            if (Shape == skDiagonal1)
                DrawWideLine(FX, FY1, FX1, FY, width);
            else
                DrawWideLine(FX, FY, FX1, FY1, width);
            pen->SetWidth(std::max(FFrameWidth, 1));
            break;
        }
        }
    };
    if (BrushStyle == bsSolid) {
        if (Color == clTransparent)
            brush->SetStyle(bsClear);
        else
            brush->SetColor(Color);
        shape();
    } else {
        if (Color != clTransparent) {
            brush->SetStyle(bsSolid);
            brush->SetColor(Color);
            shape();
        }
        brush->SetColor(GetFrame()->Color);
        brush->SetStyle(BrushStyle);
        if (BrushStyle != bsClear) SetBkMode(dc, TRANSPARENT);
        shape();
    }
    SetBkMode(dc, oldMode);
    brush->SetStyle(bsSolid);
}

String TpvrShapeView::DiffAttributes(TpvrComponent* source) {
    String result = inherited::DiffAttributes(source);
    auto* shape = dynamic_cast<TpvrShapeView*>(source);
    if (shape && Shape != shape->Shape) result += Attribute("Shape", IntToStr(Integer(Shape)));
    return result;
}

// ---- Subreport ---------------------------------------------------------------------------------

TpvrSubreport::TpvrSubreport(TComponent* owner) : TpvrView(owner) {
    GetFrame()->Typ = TpvrFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    TFont font;
    font.SetName("Tahoma");
    font.SetSize(8);
    font.SetColor(GetFont()->GetColor());
    SetFont(&font);
    Color = TColor(12632256);
}

TpvrSubreport::~TpvrSubreport() {
    if (FPage && FPage->Subreport == this) FPage->Subreport = nullptr;
}

String TpvrSubreport::GetDescription() { return GetResources()->Get("obSubRep"); }

void TpvrSubreport::SetPage(TpvrReportPage* value) {
    if (FPage && FPage->Subreport == this) FPage->Subreport = nullptr;
    FPage = value;
    if (value) {
        value->Subreport = this;
        value->FreeNotification(this);
    }
}

void TpvrSubreport::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == FPage) FPage = nullptr;
}

void TpvrSubreport::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
    TpvrView::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    canvas->SetFont(GetFont());
    canvas->GetBrush()->SetStyle(bsClear);
    canvas->TextOut(FX + 2, FY + 2, GetName());
    canvas->GetBrush()->SetStyle(bsSolid);
}

// ---- The page's background ---------------------------------------------------------------------

TpvrPictureView* TpvrReportPage::GetBackground() {
    if (!FBackground) {
        FBackground = std::make_unique<TpvrPictureView>(nullptr);
        FBackground->Color = clTransparent;
        FBackground->KeepAspectRatio = false;
    }
    return FBackground.get();
}

void TpvrReportPage::DrawBackground(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                    Extended offsetY) {
    TpvrPictureView* background = GetBackground();
    background->SetBounds(0, 0, (GetPaperWidth() - LeftMargin - RightMargin) * pvrMillimetre,
                          (GetPaperHeight() - TopMargin - BottomMargin) * pvrMillimetre);
    background->Draw(canvas, scaleX, scaleY, LeftMargin * pvrMillimetre * scaleX + offsetX,
                     TopMargin * pvrMillimetre * scaleY + offsetY);
}

TColor TpvrReportPage::GetColor() { return GetBackground()->Color; }
void TpvrReportPage::SetColor(TColor value) { GetBackground()->Color = value; }
TpvrFrame* TpvrReportPage::GetFrame() { return GetBackground()->GetFrame(); }
void TpvrReportPage::SetFrame(TpvrFrame* value) { GetBackground()->SetFrame(value); }
TPicture* TpvrReportPage::GetBackPicture() { return GetBackground()->GetPicture(); }
void TpvrReportPage::SetBackPicture(TPicture* value) { GetBackground()->SetPicture(value); }

// ---- Expressions -------------------------------------------------------------------------------

Variant CalcExpression(TpvrComponent* view, const String& expression) {
    TpvrReport* report = view->Report();
    if (report == nullptr) return Null();
    return report->Calc(expression);
}

// ---- Published properties and registration -----------------------------------------------------

namespace {
const bool kViewClassesRegistered = [] {
    RegisterEnum<TpvrAlign>("TpvrAlign", {"baNone", "baLeft", "baRight", "baCenter", "baWidth", "baBottom", "baClient"});
    RegisterEnum<TpvrShiftMode>("TpvrShiftMode", {"smDontShift", "smAlways", "smWhenOverlapped"});
    RegisterEnum<TpvrStretchMode>("TpvrStretchMode", {"smDontStretch", "smActualHeight", "smMaxHeight"});
    RegisterEnum<TpvrShapeKind>("TpvrShapeKind", {"skRectangle", "skRoundRectangle", "skEllipse", "skTriangle",
                                                  "skDiamond", "skDiagonal1", "skDiagonal2"});
    RegisterEnum<TpvrHAlign>("TpvrHAlign", {"haLeft", "haRight", "haCenter", "haBlock"});
    RegisterEnum<TpvrVAlign>("TpvrVAlign", {"vaTop", "vaBottom", "vaCenter"});
    RegisterEnum<TpvrFormatKind>("TpvrFormatKind", {"fkText", "fkNumeric", "fkDateTime", "fkBoolean"});
    RegisterClasses({TpvrCustomMemoView::StaticClass(), TpvrHighlight::StaticClass(), TpvrLineView::StaticClass(),
                     TpvrMemoView::StaticClass(), TpvrPictureView::StaticClass(), TpvrShapeView::StaticClass(),
                     TpvrSubreport::StaticClass(), TpvrSysMemoView::StaticClass(),
                     TpvrCustomLineView::StaticClass(), TpvrFormat::StaticClass()});
    return true;
}();

// What every view publishes.
template <class P> void PublishViewSettings(P& p) {
    p.Property("Align", &TpvrView::Align).Default(baNone);
    p.Property("Printable", &TpvrView::Printable).Default(true);
    p.Property("ShiftMode", &TpvrView::ShiftMode).Default(smAlways);
    p.Property("Left", &TpvrComponent::GetLeft, &TpvrComponent::SetLeft);
    p.Property("Top", &TpvrComponent::GetTop, &TpvrComponent::SetTop);
    p.Property("Width", &TpvrComponent::GetWidth, &TpvrComponent::SetWidth);
    p.Property("Height", &TpvrComponent::GetHeight, &TpvrComponent::SetHeight);
    p.Property("GroupIndex", &TpvrComponent::GroupIndex).Default(0);
    p.Property("Restrictions", &TpvrComponent::Restrictions).Default(TpvrRestrictions());
    p.Property("Visible", &TpvrComponent::GetVisible, &TpvrComponent::SetVisible).Default(true);
    p.Property("OnAfterData", &TpvrReportComponent::OnAfterData);
    p.Property("OnAfterPrint", &TpvrReportComponent::OnAfterPrint);
    p.Property("OnBeforePrint", &TpvrReportComponent::OnBeforePrint);
    p.Property("OnPreviewClick", &TpvrReportComponent::OnPreviewClick);
}

template <class P> void PublishFill(P& p) {
    p.Property("BrushStyle", &TpvrView::BrushStyle).Default(bsSolid);
    p.Property("Color", &TpvrView::Color).TypeName("TColor").Default(clTransparent);
}

template <class P> void PublishBinding(P& p) {
    p.Property("DataField", &TpvrView::DataField);
    p.Property("DataSet", &TpvrView::GetDataSet, &TpvrView::SetDataSet);
    p.Property("DataSetName", &TpvrView::GetDataSetName, &TpvrView::SetDataSetName);
}

} // namespace

KOV_PUBLISHED(TpvrView) { PublishViewSettings(*this); }

KOV_PUBLISHED(TpvrStretcheable) { Property("StretchMode", &TpvrStretcheable::StretchMode).Default(smDontStretch); }

KOV_PUBLISHED(TpvrShapeView) {
    PublishFill(*this);
    Property("Cursor", &TpvrView::Cursor).TypeName("TCursor").Default(TCursor(0));
    Property("Curve", &TpvrShapeView::Curve).Default(0);
    Property("Frame", &TpvrView::GetFrame, &TpvrView::SetFrame);
    Property("Shape", &TpvrShapeView::Shape).Default(skRectangle);
    Property("TagStr", &TpvrView::TagStr);
    Property("URL", &TpvrView::URL);
}

KOV_PUBLISHED(TpvrHighlight) {
    Property("Active", &TpvrHighlight::Active).Default(false);
    Property("Color", &TpvrHighlight::Color).TypeName("TColor").Default(clTransparent);
    Property("Condition", &TpvrHighlight::Condition);
    Property("Font", &TpvrHighlight::GetFont, &TpvrHighlight::SetFont);
}

KOV_PUBLISHED(TpvrFormat) {
    Property("DecimalSeparator", &TpvrFormat::DecimalSeparator);
    Property("FormatStr", &TpvrFormat::FormatStr);
    Property("Kind", &TpvrFormat::Kind).Default(fkText);
}

KOV_PUBLISHED(TpvrCustomMemoView) {
    Property("Cursor", &TpvrView::Cursor).TypeName("TCursor").Default(TCursor(0));
    Property("TagStr", &TpvrView::TagStr);
    Property("URL", &TpvrView::URL);
}

KOV_PUBLISHED(TpvrMemoView) {
    using M = TpvrCustomMemoView;
    Property("AutoWidth", &M::AutoWidth).Default(false);
    Property("AllowExpressions", &M::AllowExpressions).Default(true);
    Property("AllowHTMLTags", &M::AllowHTMLTags).Default(false);
    PublishFill(*this);
    Property("CharSpacing", &M::CharSpacing).Stored(&M::IsCharSpacingStored);
    Property("Clipped", &M::Clipped).Default(true);
    PublishBinding(*this);
    Property("DisplayFormat", &M::GetDisplayFormat, &M::SetDisplayFormat);
    Property("ExpressionDelimiters", &M::ExpressionDelimiters).Stored(&M::IsDelimitersStored);
    Property("FlowTo", &M::GetFlowTo, &M::SetFlowTo);
    Property("Font", &TpvrComponent::GetFont, &TpvrComponent::SetFont).Stored(&TpvrComponent::IsFontStored);
    Property("Frame", &TpvrView::GetFrame, &TpvrView::SetFrame);
    Property("GapX", &M::GapX).Stored(&M::IsGapXStored);
    Property("GapY", &M::GapY).Stored(&M::IsGapYStored);
    Property("HAlign", &M::HAlign).Default(haLeft);
    Property("HideZeros", &M::HideZeros).Default(false);
    Property("Highlight", &M::GetHighlight, &M::SetHighlight).Stored(&M::IsHighlightStored);
    Property("LineSpacing", &M::LineSpacing).Stored(&M::IsLineSpacingStored);
    Property("Memo", &M::GetMemo, &M::SetMemo);
    Property("ParagraphGap", &M::ParagraphGap).Stored(&M::IsParagraphGapStored);
    Property("ParentFont", &TpvrComponent::GetParentFont, &TpvrComponent::SetParentFont).Default(true);
    Property("Rotation", &M::GetRotation, &M::SetRotation).Default(0);
    Property("RTLReading", &M::RTLReading).Default(false);
    Property("Style", &M::GetStyle, &M::SetStyle);
    Property("SuppressRepeated", &M::SuppressRepeated).Default(false);
    Property("Underlines", &M::Underlines).Default(false);
    Property("WordBreak", &M::WordBreak).Default(false);
    Property("WordWrap", &M::WordWrap).Default(true);
    Property("VAlign", &M::VAlign).Default(vaTop);
}

KOV_PUBLISHED(TpvrSysMemoView) {
    using M = TpvrCustomMemoView;
    Property("AutoWidth", &M::AutoWidth).Default(false);
    PublishFill(*this);
    Property("CharSpacing", &M::CharSpacing).Stored(&M::IsCharSpacingStored);
    Property("DisplayFormat", &M::GetDisplayFormat, &M::SetDisplayFormat);
    Property("Font", &TpvrComponent::GetFont, &TpvrComponent::SetFont).Stored(&TpvrComponent::IsFontStored);
    Property("Frame", &TpvrView::GetFrame, &TpvrView::SetFrame);
    Property("GapX", &M::GapX).Stored(&M::IsGapXStored);
    Property("GapY", &M::GapY).Stored(&M::IsGapYStored);
    Property("HAlign", &M::HAlign).Default(haLeft);
    Property("Highlight", &M::GetHighlight, &M::SetHighlight).Stored(&M::IsHighlightStored);
    Property("Memo", &M::GetMemo, &M::SetMemo);
    Property("ParentFont", &TpvrComponent::GetParentFont, &TpvrComponent::SetParentFont).Default(true);
    Property("Rotation", &M::GetRotation, &M::SetRotation).Default(0);
    Property("Style", &M::GetStyle, &M::SetStyle);
    Property("VAlign", &M::VAlign).Default(vaTop);
}

KOV_PUBLISHED(TpvrCustomLineView) {}

KOV_PUBLISHED(TpvrLineView) {
    Property("Diagonal", &TpvrCustomLineView::Diagonal).Default(false);
    Property("Frame", &TpvrView::GetFrame, &TpvrView::SetFrame);
}

KOV_PUBLISHED(TpvrPictureView) {
    Property("Cursor", &TpvrView::Cursor).TypeName("TCursor").Default(TCursor(0));
    Property("AutoSize", &TpvrPictureView::GetAutoSize, &TpvrPictureView::SetAutoSize).Default(false);
    Property("Center", &TpvrPictureView::Center).Default(false);
    PublishBinding(*this);
    Property("Frame", &TpvrView::GetFrame, &TpvrView::SetFrame);
    Property("KeepAspectRatio", &TpvrPictureView::KeepAspectRatio).Default(true);
    Property("Picture", &TpvrPictureView::GetPicture, &TpvrPictureView::SetPicture);
    Property("Stretched", &TpvrPictureView::Stretched).Default(true);
    Property("TagStr", &TpvrView::TagStr);
    Property("URL", &TpvrView::URL);
}

KOV_PUBLISHED(TpvrSubreport) {
    PublishFill(*this);
    Property("Font", &TpvrComponent::GetFont, &TpvrComponent::SetFont).Stored(&TpvrComponent::IsFontStored);
    Property("Frame", &TpvrView::GetFrame, &TpvrView::SetFrame);
    Property("Page", &TpvrSubreport::GetPage, &TpvrSubreport::SetPage);
    Property("ParentFont", &TpvrComponent::GetParentFont, &TpvrComponent::SetParentFont).Default(true);
    Property("PrintOnParent", &TpvrSubreport::PrintOnParent).Default(false);
}

// The page's background settings, published after the page's own.
KOV_PUBLISHED(TpvrReportPage) {
    Property("Color", &TpvrReportPage::GetColor, &TpvrReportPage::SetColor).TypeName("TColor").Default(clTransparent);
    Property("Frame", &TpvrReportPage::GetFrame, &TpvrReportPage::SetFrame);
    Property("BackPicture", &TpvrReportPage::GetBackPicture, &TpvrReportPage::SetBackPicture);
}
