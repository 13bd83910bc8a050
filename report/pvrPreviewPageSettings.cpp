#include "report/pvrPreviewPageSettings.h"

#include <memory>
#include <string>
#include <utility>

#include "platform/runtime/IniFiles.h"
#include "report/pvrClass.h"
#include "report/pvrPrinter.h"
#include "report/pvrRes.h"
#include "report/pvrUtils.h"

namespace {

template <typename T> T* Find(TComponent* owner, const String& name) {
    return dynamic_cast<T*>(owner->FindComponent(name));
}

// A sheet of paper standing or lying, drawn on the picture.
void DrawSheet(TImage* image, bool landscape) {
    if (!image) return;
    TBitmap* bitmap = image->GetPicture()->GetBitmap();
    bitmap->SetSize(32, 32);
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(clBtnFace);
    canvas->FillRect(TRect(0, 0, 32, 32));
    const TRect sheet = landscape ? TRect(2, 7, 30, 26) : TRect(7, 2, 26, 30);
    canvas->GetBrush()->SetColor(clWhite);
    canvas->GetPen()->SetColor(clBlack);
    canvas->Rectangle(sheet);
    for (Integer y = sheet.top + 4; y < sheet.bottom - 3; y += 3) {
        canvas->MoveTo(sheet.left + 3, y);
        canvas->LineTo(sheet.right - 3, y);
    }
}

} // namespace

TpvrPageSettingsForm::TpvrPageSettingsForm(TComponent* owner) : TForm(owner) { AfterConstruction(); }

Extended TpvrPageSettingsForm::ToUnits(Integer units, Extended mm) {
    switch (units) {
    case 0:
    case 2:
    case 3:
        return mm / 10;
    case 1:
        return mm / 25.4;
    default:
        return 0;
    }
}

Extended TpvrPageSettingsForm::FromUnits(Integer units, Extended value) {
    switch (units) {
    case 0:
    case 2:
    case 3:
        return value * 10;
    case 1:
        return value * 25.4;
    default:
        return 0;
    }
}

void TpvrPageSettingsForm::FormCreate(TObject*) {
    OKB = Find<TButton>(this, "OKB");
    CancelB = Find<TButton>(this, "CancelB");
    SizeL = Find<TGroupBox>(this, "SizeL");
    SizeCB = Find<TComboBox>(this, "SizeCB");
    WidthL = Find<TLabel>(this, "WidthL");
    WidthE = Find<TEdit>(this, "WidthE");
    HeightL = Find<TLabel>(this, "HeightL");
    HeightE = Find<TEdit>(this, "HeightE");
    OrientationL = Find<TGroupBox>(this, "OrientationL");
    PortraitRB = Find<TRadioButton>(this, "PortraitRB");
    LandscapeRB = Find<TRadioButton>(this, "LandscapeRB");
    PortraitImg = Find<TImage>(this, "PortraitImg");
    LandscapeImg = Find<TImage>(this, "LandscapeImg");
    MarginsL = Find<TGroupBox>(this, "MarginsL");
    LeftL = Find<TLabel>(this, "LeftL");
    MarginLeftE = Find<TEdit>(this, "MarginLeftE");
    TopL = Find<TLabel>(this, "TopL");
    MarginTopE = Find<TEdit>(this, "MarginTopE");
    RightL = Find<TLabel>(this, "RightL");
    MarginRightE = Find<TEdit>(this, "MarginRightE");
    BottomL = Find<TLabel>(this, "BottomL");
    MarginBottomE = Find<TEdit>(this, "MarginBottomE");
    OtherL = Find<TGroupBox>(this, "OtherL");
    ApplyToCurRB = Find<TRadioButton>(this, "ApplyToCurRB");
    ApplyToAllRB = Find<TRadioButton>(this, "ApplyToAllRB");
    for (Integer i = 0; i < 6; ++i)
        UnitLabels[i] = Find<TLabel>(this, "UnitL" + std::to_string(i + 1));
    DrawSheet(PortraitImg, false);
    DrawSheet(LandscapeImg, true);
}

void TpvrPageSettingsForm::ShowSize(Extended width, Extended height) {
    if (WidthE) WidthE->SetText(FloatToShortText(ToUnits(Units, width)));
    if (HeightE) HeightE->SetText(FloatToShortText(ToUnits(Units, height)));
}

Integer TpvrPageSettingsForm::ChosenPaper() const {
    TpvrCustomPrinter* printer = GetReportPrinters()->CurrentPrinter();
    if (!printer || !SizeCB) return pvrCustomPaper;
    // By position: paper names of a printer need not be distinct (the virtual one has none).
    const Integer index = SizeCB->GetItemIndex();
    if (index < 0 || index >= printer->GetPapers()->GetCount()) return pvrCustomPaper;
    return TpvrCustomPrinter::NumberAt(printer->GetPapers(), index);
}

void TpvrPageSettingsForm::FormShow(TObject*) {
    FUpdating = true;
    TpvrResources* res = GetResources();
    SetCaption(res->GetNumbered(400));
    const std::pair<TControl*, Integer> texts[] = {
        {WidthL, 401},   {HeightL, 402},    {SizeL, 403},        {OrientationL, 404},
        {LeftL, 405},    {TopL, 406},       {RightL, 407},       {BottomL, 408},
        {MarginsL, 409}, {PortraitRB, 410}, {LandscapeRB, 411},  {OKB, 1},
        {CancelB, 2},    {OtherL, 412},     {ApplyToCurRB, 413}, {ApplyToAllRB, 414},
    };
    for (const auto& [control, id] : texts)
        if (control) control->SetCaption(res->GetNumbered(id));

    if (Report) {
        // The report hands over a settings object of its own each time.
        const std::unique_ptr<TCustomIniFile> ini(Report->GetIniFile());
        Units = ini->ReadInteger("Form.TpvrDesignerForm", "Units", 0);
    }
    const String unitText = (Units == 0 || Units == 2 || Units == 3) ? res->Get("uCm")
                            : Units == 1                             ? res->Get("uInch")
                                                                     : String();
    for (TLabel* label : UnitLabels)
        if (label) label->SetCaption(unitText);

    TpvrCustomPrinter* printer = GetReportPrinters()->CurrentPrinter();
    if (SizeCB && printer) {
        SizeCB->GetItems()->Assign(printer->GetPapers());
        const Integer index = Page ? printer->PaperIndex(Page->GetPaperSize()) : -1;
        SizeCB->SetItemIndex(index < 0 ? 0 : index);
    }
    if (Page) {
        ShowSize(Page->GetPaperWidth(), Page->GetPaperHeight());
        if (MarginLeftE) MarginLeftE->SetText(FloatToShortText(ToUnits(Units, Page->LeftMargin)));
        if (MarginTopE) MarginTopE->SetText(FloatToShortText(ToUnits(Units, Page->TopMargin)));
        if (MarginRightE) MarginRightE->SetText(FloatToShortText(ToUnits(Units, Page->RightMargin)));
        if (MarginBottomE) MarginBottomE->SetText(FloatToShortText(ToUnits(Units, Page->BottomMargin)));
        const bool landscape = Page->GetOrientation() == poLandscape;
        if (PortraitRB) PortraitRB->SetChecked(!landscape);
        if (LandscapeRB) LandscapeRB->SetChecked(landscape);
    }
    PortraitRBClick(nullptr);
    FUpdating = false;
}

void TpvrPageSettingsForm::PortraitRBClick(TObject*) {
    if (PortraitImg && PortraitRB) PortraitImg->SetVisible(PortraitRB->GetChecked());
    if (LandscapeImg && LandscapeRB) LandscapeImg->SetVisible(LandscapeRB->GetChecked());
    SizeCBClick(nullptr);
}

void TpvrPageSettingsForm::SizeCBClick(TObject*) {
    if (FUpdating) return;
    TpvrCustomPrinter* printer = GetReportPrinters()->CurrentPrinter();
    if (!printer || !WidthE || !HeightE) return;
    FUpdating = true;
    const Integer paper = ChosenPaper();
    const Extended width = FromUnits(Units, ParseFloatText(WidthE->GetText()));
    const Extended height = FromUnits(Units, ParseFloatText(HeightE->GetText()));
    const TPrinterOrientation orientation =
        LandscapeRB && LandscapeRB->GetChecked() ? poLandscape : poPortrait;
    // A custom paper turns with the orientation.
    if (paper == pvrCustomPaper)
        printer->SetPaperLayout(paper, height, width, orientation);
    else
        printer->SetPaperLayout(paper, width, height, orientation);
    ShowSize(printer->GetPaperWidth(), printer->GetPaperHeight());
    FUpdating = false;
}

void TpvrPageSettingsForm::WidthEChange(TObject*) {
    if (FUpdating || !SizeCB) return;
    SizeCB->SetItemIndex(0);
}

bool TpvrPageSettingsForm::ApplyToAll() const { return ApplyToAllRB && ApplyToAllRB->GetChecked(); }

void TpvrPageSettingsForm::FormHide(TObject*) {
    if (GetModalResult() != mrOk || !Page) return;
    Page->SetOrientation(LandscapeRB && LandscapeRB->GetChecked() ? poLandscape : poPortrait);
    Page->SetPaperWidth(FromUnits(Units, ParseFloatText(WidthE->GetText())));
    Page->SetPaperHeight(FromUnits(Units, ParseFloatText(HeightE->GetText())));
    Page->SetPaperSize(ChosenPaper());
    Page->LeftMargin = FromUnits(Units, ParseFloatText(MarginLeftE->GetText()));
    Page->TopMargin = FromUnits(Units, ParseFloatText(MarginTopE->GetText()));
    Page->RightMargin = FromUnits(Units, ParseFloatText(MarginRightE->GetText()));
    Page->BottomMargin = FromUnits(Units, ParseFloatText(MarginBottomE->GetText()));
    Page->AlignChildren();
}

void TpvrPageSettingsForm::FormKeyDown(TObject*, Word& key, TShiftState) {
    if (key == VK_F1) GetResources()->Help(this);
}

KOV_PUBLISHED(TpvrPageSettingsForm) {
    Method("FormCreate", &TpvrPageSettingsForm::FormCreate);
    Method("FormShow", &TpvrPageSettingsForm::FormShow);
    Method("FormHide", &TpvrPageSettingsForm::FormHide);
    Method("FormKeyDown", &TpvrPageSettingsForm::FormKeyDown);
    Method("PortraitRBClick", &TpvrPageSettingsForm::PortraitRBClick);
    Method("SizeCBClick", &TpvrPageSettingsForm::SizeCBClick);
    Method("WidthEChange", &TpvrPageSettingsForm::WidthEChange);
}

namespace {
const bool kPageSettingsRegistered = [] {
    RegisterClasses({TpvrPageSettingsForm::StaticClass()});
    return true;
}();
} // namespace
