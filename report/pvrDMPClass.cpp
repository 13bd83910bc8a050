#include "report/pvrDMPClass.h"

#include <cmath>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "report/pvrDsgnIntf.h"
#include "report/pvrRes.h"
#include "report/pvrXML.h"
#include "script/kq_xml.h"

namespace {

String Attribute(const String& name, const String& value) { return " " + name + "=\"" + value + "\""; }

// Whole units toward zero; a value on the grid stays there whatever the division's last bit.
Extended TruncUnits(Extended value, Extended unit) {
    const Extended units = value / unit;
    return Extended(Trunc(units + (units < 0 ? -1e-9L : 1e-9L))) * unit;
}
Extended RoundCells(Extended value) { return Extended(Round(value / pvrCharWidth)) * pvrCharWidth; }
Extended TruncCells(Extended value) { return TruncUnits(value, pvrCharWidth); }
Extended RoundLines(Extended value) { return Extended(Round(value / pvrCharHeight)) * pvrCharHeight; }
Extended TruncLines(Extended value) { return TruncUnits(value, pvrCharHeight); }
bool OnGrid(Extended value, Extended unit) {
    const Extended units = value / unit;
    return std::fabs(double(units - Extended(Round(units)))) < 1e-9;
}

// The screen font of a style set: only bold, italic and underline show.
TFontStyles ScreenStyles(const TpvrDMPFontStyles& styles) {
    TFontStyles result;
    if (styles.Contains(fsxBold)) result.Include(fsBold);
    if (styles.Contains(fsxItalic)) result.Include(fsItalic);
    if (styles.Contains(fsxUnderline)) result.Include(fsUnderline);
    return result;
}

void SetFixedFont(TFont* font, const TpvrDMPFontStyles& styles) {
    font->SetName("Courier New");
    font->SetSize(12);
    font->SetStyle(ScreenStyles(styles));
}

TpvrDMPPage* DMPPageOf(TpvrComponent* object) { return dynamic_cast<TpvrDMPPage*>(object->Page()); }

} // namespace

Extended DMPBottomLineExtra(const TpvrComponent* view) {
    auto* memo = dynamic_cast<const TpvrDMPMemoView*>(view);
    return memo != nullptr && memo->GetFrame()->Typ.Contains(ftBottom) ? pvrCharHeight : 0;
}

String DMPFontStylesText(const TpvrDMPFontStyles& styles) { return IntToStr(Integer(styles.Mask() & 0x1FF)); }

// ---- Memo --------------------------------------------------------------------------------------

TpvrDMPMemoView::TpvrDMPMemoView(TComponent* owner) : TpvrCustomMemoView(owner) { ResetFont(); }

void TpvrDMPMemoView::ResetFont() {
    FResettingFont = true;
    try {
        SetFixedFont(GetFont(), FFontStyle);
    } catch (...) {
        FResettingFont = false;
        throw;
    }
    FResettingFont = false;
    CharSpacing = 0;
    LineSpacing = 1;
    GapX = 0;
    GapY = 0;
}

void TpvrDMPMemoView::FontChanged() {
    // The fixed font is this object's own: putting it back keeps ParentFont as it is.
    if (!FResettingFont) inherited::FontChanged();
}

void TpvrDMPMemoView::SetLeft(Extended value) {
    inherited::SetLeft(Align == baRight ? TruncCells(value) : RoundCells(value));
}

void TpvrDMPMemoView::SetTop(Extended value) { inherited::SetTop(RoundLines(value)); }

void TpvrDMPMemoView::SetWidth(Extended value) { inherited::SetWidth(RoundCells(value)); }

void TpvrDMPMemoView::SetHeight(Extended value) { inherited::SetHeight(RoundLines(value)); }

Extended TpvrDMPMemoView::CalcHeight() { return RoundLines(inherited::CalcHeight()); }

Extended TpvrDMPMemoView::CalcWidth() { return RoundCells(inherited::CalcWidth()); }

void TpvrDMPMemoView::BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                Extended offsetY) {
    // Widen the bounds for the drawing only, past the snapping setters.
    const Extended left = GetLeft(), top = GetTop(), width = GetWidth(), height = GetHeight();
    TpvrComponent::SetLeft(left - pvrCharWidth / 2);
    TpvrComponent::SetTop(top - pvrCharHeight / 2);
    TpvrComponent::SetWidth(width + pvrCharWidth);
    TpvrComponent::SetHeight(height + pvrCharHeight);
    try {
        inherited::BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    } catch (...) {
        TpvrComponent::SetLeft(left);
        TpvrComponent::SetTop(top);
        TpvrComponent::SetWidth(width);
        TpvrComponent::SetHeight(height);
        throw;
    }
    TpvrComponent::SetLeft(left);
    TpvrComponent::SetTop(top);
    TpvrComponent::SetWidth(width);
    TpvrComponent::SetHeight(height);
}

void TpvrDMPMemoView::SetParentFont(bool value) {
    inherited::SetParentFont(value);
    if (value)
        if (TpvrDMPPage* page = DMPPageOf(this)) FFontStyle = page->GetFontStyle();
    ResetFont();
}

void TpvrDMPMemoView::SetFontStyle(const TpvrDMPFontStyles& value) {
    FFontStyle = value;
    inherited::SetParentFont(false);
    ResetFont();
}

void TpvrDMPMemoView::TakePageFontStyle(const TpvrDMPFontStyles& value) {
    FFontStyle = value;
    ResetFont();
}

String TpvrDMPMemoView::DiffAttributes(TpvrComponent* source) {
    String result = inherited::DiffAttributes(source);
    auto* memo = dynamic_cast<TpvrDMPMemoView*>(source);
    if (memo != nullptr && !(FFontStyle == memo->FFontStyle))
        result += Attribute("FontStyle", DMPFontStylesText(FFontStyle));
    return result;
}

String TpvrDMPMemoView::GetDescription() { return GetResources()->Get("obDMPText"); }

// ---- Line --------------------------------------------------------------------------------------

TpvrDMPLineView::TpvrDMPLineView(TComponent* owner) : TpvrCustomLineView(owner) {}

void TpvrDMPLineView::SetLeft(Extended value) {
    const Extended half = pvrCharWidth / 2;
    if (value < 0)
        value = TruncCells(value) - half;
    else if (Align == baRight)
        // A line already in the middle of a cell stays there: rounding the half cell would move it
        // a cell to the left each time the value is set again (loading, restoring after a run).
        value = OnGrid(value + half, pvrCharWidth) ? value : RoundCells(value) - half;
    else
        value = TruncCells(value) + half;
    inherited::SetLeft(value);
}

void TpvrDMPLineView::SetTop(Extended value) { inherited::SetTop(TruncLines(value) + pvrCharHeight / 2); }

void TpvrDMPLineView::SetWidth(Extended value) {
    inherited::SetWidth(Align == baWidth ? TruncCells(value) : RoundCells(value));
}

void TpvrDMPLineView::SetParentFont(bool value) {
    inherited::SetParentFont(value);
    if (value)
        if (TpvrDMPPage* page = DMPPageOf(this)) FFontStyle = page->GetFontStyle();
}

void TpvrDMPLineView::SetFontStyle(const TpvrDMPFontStyles& value) {
    FFontStyle = value;
    inherited::SetParentFont(false);
}

String TpvrDMPLineView::DiffAttributes(TpvrComponent* source) {
    String result = inherited::DiffAttributes(source);
    auto* line = dynamic_cast<TpvrDMPLineView*>(source);
    if (line != nullptr && !(FFontStyle == line->FFontStyle))
        result += Attribute("FontStyle", DMPFontStylesText(FFontStyle));
    return result;
}

String TpvrDMPLineView::GetDescription() { return GetResources()->Get("obDMPLine"); }

// ---- Command -----------------------------------------------------------------------------------

TpvrDMPCommand::TpvrDMPCommand(TComponent* owner) : TpvrView(owner) {}

void TpvrDMPCommand::SetLeft(Extended value) { inherited::SetLeft(RoundCells(value)); }

void TpvrDMPCommand::SetTop(Extended value) { inherited::SetTop(RoundLines(value)); }

String TpvrDMPCommand::DiffAttributes(TpvrComponent* source) {
    String result = inherited::DiffAttributes(source);
    auto* command = dynamic_cast<TpvrDMPCommand*>(source);
    if (command != nullptr && Command != command->Command)
        result += Attribute("Command", EscapeXMLText(Command));
    return result;
}

String TpvrDMPCommand::GetDescription() { return GetResources()->Get("obDMPCmd"); }

// ---- Page --------------------------------------------------------------------------------------

TpvrDMPPage::TpvrDMPPage(TComponent* owner) : TpvrReportPage(owner) {
    ResetFont();
    SnapPaper();
}

void TpvrDMPPage::ResetFont() { SetFixedFont(GetFont(), FFontStyle); }

void TpvrDMPPage::SnapPaper() {
    if (FInDefaults) return;
    const Extended cell = pvrCharWidth / pvrMillimetre;
    const Extended line = pvrCharHeight / pvrMillimetre;
    SetPaperDimensions(Extended(Round(GetPaperWidth() / cell)) * cell,
                       Extended(Round(GetPaperHeight() / line)) * line);
}

void TpvrDMPPage::SetPaperHeight(Extended value) {
    inherited::SetPaperHeight(value);
    SnapPaper();
}

void TpvrDMPPage::SetPaperWidth(Extended value) {
    inherited::SetPaperWidth(value);
    SnapPaper();
}

void TpvrDMPPage::SetPaperSize(Integer value) {
    inherited::SetPaperSize(value);
    SnapPaper();
}

void TpvrDMPPage::SetDefaults() {
    // The printer's paper as it is, then cut down: rounding first could make it larger.
    FInDefaults = true;
    try {
        inherited::SetDefaults();
    } catch (...) {
        FInDefaults = false;
        throw;
    }
    FInDefaults = false;
    const Extended cell = pvrCharWidth / pvrMillimetre;
    const Extended line = pvrCharHeight / pvrMillimetre;
    LeftMargin = cell;
    RightMargin = cell;
    TopMargin = line;
    BottomMargin = line;
    SetPaperDimensions(Extended(Trunc(GetPaperWidth() / cell)) * cell,
                       Extended(Trunc(GetPaperHeight() / line)) * line);
}

void TpvrDMPPage::Assign(TPersistent* source) {
    inherited::Assign(source);
    if (auto* page = dynamic_cast<TpvrDMPPage*>(source)) {
        FFontStyle = page->FFontStyle;
        ResetFont();
    }
}

Extended TpvrDMPPage::AlignBandLeft(Extended value) const { return RoundCells(value); }

Extended TpvrDMPPage::AlignBandVertical(Extended value) const { return RoundLines(value); }

void TpvrDMPPage::SetFontStyle(const TpvrDMPFontStyles& value) {
    FFontStyle = value;
    ResetFont();
    for (TpvrComponent* object : AllObjects()) {
        if (!object->GetParentFont()) continue;
        if (auto* memo = dynamic_cast<TpvrDMPMemoView*>(object))
            memo->TakePageFontStyle(value);
        else if (auto* line = dynamic_cast<TpvrDMPLineView*>(object))
            line->TakePageFontStyle(value);
    }
}

// ---- Published properties and registration -----------------------------------------------------

namespace {

const bool kDMPClassesRegistered = [] {
    RegisterEnum<TpvrDMPFontStyle>("TpvrDMPFontStyle",
                                   {"fsxBold", "fsxItalic", "fsxUnderline", "fsxSuperScript", "fsxSubScript",
                                    "fsxCondensed", "fsxWide", "fsx12cpi", "fsx15cpi"});
    RegisterTypeName<TpvrDMPFontStyles>("TpvrDMPFontStyles");
    RegisterClass(TpvrDMPPage::StaticClass());
    TpvrObjectCollection* objects = pvrObjects();
    objects->RegisterObject(TpvrDMPMemoView::StaticClass(), nullptr, 2, 0, String(), String());
    objects->RegisterObject(TpvrDMPLineView::StaticClass(), nullptr, 5, 0, String(), String());
    objects->RegisterObject(TpvrDMPCommand::StaticClass(), nullptr, 53, 0, String(), String());
    return true;
}();

} // namespace

KOV_PUBLISHED(TpvrDMPMemoView) {
    using M = TpvrCustomMemoView;
    Property("FontStyle", &TpvrDMPMemoView::GetFontStyle, &TpvrDMPMemoView::SetFontStyle)
        .Stored(&TpvrDMPMemoView::IsFontStyleStored);
    Property("AutoWidth", &M::AutoWidth).Default(false);
    Property("AllowExpressions", &M::AllowExpressions).Default(true);
    Property("DataField", &TpvrView::DataField);
    Property("DataSet", &TpvrView::GetDataSet, &TpvrView::SetDataSet);
    Property("DataSetName", &TpvrView::GetDataSetName, &TpvrView::SetDataSetName);
    Property("DisplayFormat", &M::GetDisplayFormat, &M::SetDisplayFormat);
    Property("ExpressionDelimiters", &M::ExpressionDelimiters).Stored(&M::IsDelimitersStored);
    Property("FlowTo", &M::GetFlowTo, &M::SetFlowTo);
    Property("Frame", &TpvrView::GetFrame, &TpvrView::SetFrame);
    Property("HAlign", &M::HAlign).Default(haLeft);
    Property("HideZeros", &M::HideZeros).Default(false);
    Property("Memo", &M::GetMemo, &M::SetMemo);
    Property("ParentFont", &TpvrComponent::GetParentFont, &TpvrComponent::SetParentFont);
    Property("RTLReading", &M::RTLReading).Default(false);
    Property("SuppressRepeated", &M::SuppressRepeated).Default(false);
    Property("WordWrap", &M::WordWrap).Default(true);
    Property("VAlign", &M::VAlign).Default(vaTop);
}

KOV_PUBLISHED(TpvrDMPLineView) {
    Property("FontStyle", &TpvrDMPLineView::GetFontStyle, &TpvrDMPLineView::SetFontStyle)
        .Stored(&TpvrDMPLineView::IsFontStyleStored);
    Property("ParentFont", &TpvrComponent::GetParentFont, &TpvrComponent::SetParentFont);
}

KOV_PUBLISHED(TpvrDMPCommand) { Property("Command", &TpvrDMPCommand::Command); }

KOV_PUBLISHED(TpvrDMPPage) { Property("FontStyle", &TpvrDMPPage::GetFontStyle, &TpvrDMPPage::SetFontStyle); }
