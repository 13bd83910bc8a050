// Bands, report pages and dialog pages.
#include <algorithm>

#include "platform/classlib/Messages.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/SyncObjs.h"
#include "platform/runtime/Threads.h"
#include "report/pvrClass.h"
#include "report/pvrDialogForm.h"
#include "report/pvrPrinter.h"
#include "report/pvrRes.h"
#include "script/kq_iinterpreter.h"

// ---- Band numbers ------------------------------------------------------------------------------

namespace {

TClass BandClasses(Integer number) {
    switch (number) {
    case 0:
        return TpvrReportTitle::StaticClass();
    case 1:
        return TpvrReportSummary::StaticClass();
    case 2:
        return TpvrPageHeader::StaticClass();
    case 3:
        return TpvrPageFooter::StaticClass();
    case 4:
        return TpvrHeader::StaticClass();
    case 5:
        return TpvrFooter::StaticClass();
    case 6:
        return TpvrMasterData::StaticClass();
    case 7:
        return TpvrDetailData::StaticClass();
    case 8:
        return TpvrSubdetailData::StaticClass();
    case 9:
        return TpvrDataBand4::StaticClass();
    case 10:
        return TpvrDataBand5::StaticClass();
    case 11:
        return TpvrDataBand6::StaticClass();
    case 12:
        return TpvrGroupHeader::StaticClass();
    case 13:
        return TpvrGroupFooter::StaticClass();
    case 14:
        return TpvrChild::StaticClass();
    case 15:
        return TpvrColumnHeader::StaticClass();
    case 16:
        return TpvrColumnFooter::StaticClass();
    case 17:
        return TpvrOverlay::StaticClass();
    default:
        return nullptr;
    }
}

} // namespace

Integer BandNumber(const TpvrComponent* band) {
    Integer result = 0;
    if (!band) return result;
    for (Integer i = 0; i <= 17; ++i)
        if (band->InheritsFrom(BandClasses(i))) result = i;
    return result;
}

TClass BandClassOfNumber(Integer number) { return BandClasses(number); }

// ---- Bands -------------------------------------------------------------------------------------

TpvrBand::TpvrBand(TComponent* owner) : TpvrReportComponent(owner), FEngineList(std::make_unique<TList>()) {}

TpvrBand::~TpvrBand() = default;

void TpvrBand::SetLeft(Extended value) {
    if (auto* page = dynamic_cast<TpvrReportPage*>(GetParent())) value = page->AlignBandLeft(value);
    inherited::SetLeft(value);
}

void TpvrBand::SetTop(Extended value) {
    if (auto* page = dynamic_cast<TpvrReportPage*>(GetParent())) value = page->AlignBandVertical(value);
    inherited::SetTop(value);
}

void TpvrBand::SetHeight(Extended value) {
    if (auto* page = dynamic_cast<TpvrReportPage*>(GetParent())) value = page->AlignBandVertical(value);
    inherited::SetHeight(value);
}

String TpvrBand::GetDescription() { return GetResources()->Get("obBand"); }

void TpvrBand::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == FChild) FChild = nullptr;
}

String TpvrBand::DiffAttributes(TpvrComponent* source) { return inherited::DiffAttributes(source); }

void TpvrBand::SetChild(TpvrChild* value) {
    FChild = value;
    if (value) value->FreeNotification(this);
}

TpvrPageHeader::TpvrPageHeader(TComponent* owner) : TpvrBand(owner) { PrintOnFirstPage = true; }

TpvrPageFooter::TpvrPageFooter(TComponent* owner) : TpvrBand(owner) {
    PrintOnFirstPage = true;
    PrintOnLastPage = true;
}

TpvrDataBand::TpvrDataBand(TComponent* owner)
    : TpvrBand(owner), FVirtualDataSet(std::make_unique<TpvrUserDataSet>(nullptr)) {
    FVirtualDataSet->RangeEnd = reCount;
}

TpvrDataBand::~TpvrDataBand() = default;

String TpvrDataBand::GetDescription() { return GetResources()->Get("obDataBand"); }

void TpvrDataBand::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && FDataSet && component == FDataSet) FDataSet = nullptr;
}

void TpvrDataBand::SetDataSet(TpvrDataSet* value) {
    FDataSet = value;
    FDataSetName = value ? value->GetUserName() : String();
    if (value) value->FreeNotification(this);
}

String TpvrDataBand::GetDataSetName() const { return FDataSet ? FDataSet->GetUserName() : FDataSetName; }

void TpvrDataBand::SetDataSetName(const String& value) {
    FDataSetName = value;
    FDataSet = GlobalDataSetList()->FindDataSetByName(FDataSet, value, Report());
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TpvrDataBand::SetRowCount(Integer value) {
    FRowCount = value;
    FVirtualDataSet->RangeEndCount = value;
}

void TpvrDataBand::SetCurColumn(Integer value) {
    if (value > Columns) value = 1;
    FCurColumn = value;
    if (value == 1) std::fill(std::begin(ColumnValues), std::end(ColumnValues), Extended(0));
    SetLeft((value - 1) * (ColumnWidth + ColumnGap));
}

// ---- Report page -------------------------------------------------------------------------------

TpvrReportPage::TpvrReportPage(TComponent* owner)
    : TpvrPage(owner), FColumnPositions(std::make_unique<TStringList>()),
      FHGuides(std::make_unique<TStringList>()), FVGuides(std::make_unique<TStringList>()),
      FEngineList1(std::make_unique<TList>()), FEngineList2(std::make_unique<TList>()) {
    FOrientation = poPortrait;
    SetPaperSize(9);
    Bin = 7;
    BinOtherPages = 7;
    SetBaseName("Page");
    PrintIfEmpty = true;
    TitleBeforeHeader = true;
}

TpvrReportPage::~TpvrReportPage() = default;

void TpvrReportPage::SetPaperSize(Integer value) {
    FPaperSize = value;
    Extended width = 0;
    Extended height = 0;
    if (value < 256 && GetPaperDimensions(value, width, height)) {
        if (FOrientation == poLandscape) std::swap(width, height);
        FPaperWidth = width;
        FPaperHeight = height;
    }
    UpdatePageSize();
}

void TpvrReportPage::SetPaperWidth(Extended value) {
    FPaperWidth = value;
    FPaperSize = 256;
    UpdatePageSize();
}

void TpvrReportPage::SetPaperHeight(Extended value) {
    FPaperHeight = value;
    FPaperSize = 256;
    UpdatePageSize();
}

void TpvrReportPage::SetOrientation(TPrinterOrientation value) {
    if (value != FOrientation) {
        std::swap(FPaperWidth, FPaperHeight);
        const Extended left = LeftMargin, right = RightMargin, top = TopMargin, bottom = BottomMargin;
        if (value == poLandscape) {
            LeftMargin = top;
            RightMargin = bottom;
            TopMargin = right;
            BottomMargin = left;
        } else {
            LeftMargin = bottom;
            RightMargin = top;
            TopMargin = left;
            BottomMargin = right;
        }
        FOrientation = value;
        UpdatePageSize();
    }
    FOrientation = value;
}

void TpvrReportPage::UpdatePageSize() {
    SetWidth(Extended(Round(FPaperWidth * pvrMillimetre)));
    SetHeight(Extended(Round(FPaperHeight * pvrMillimetre)));
}

void TpvrReportPage::SetColumns(Integer value) {
    FColumns = value;
    FColumnPositions->Clear();
    if (value > 0) {
        FColumnWidth = (FPaperWidth - LeftMargin - RightMargin) / value;
        for (Integer i = 0; i < value; ++i)
            FColumnPositions->Add(FloatToStr(i * FColumnWidth));
    }
}

void TpvrReportPage::SetColumnPositions(TStrings* value) { FColumnPositions->Assign(value); }

void TpvrReportPage::SetHGuides(TStrings* value) { FHGuides->Assign(value); }

void TpvrReportPage::SetVGuides(TStrings* value) { FVGuides->Assign(value); }

void TpvrReportPage::SetDataSet(TpvrDataSet* value) {
    FDataSet = value;
    FDataSetName = value ? value->GetUserName() : String();
    if (value) value->FreeNotification(this);
}

String TpvrReportPage::GetDataSetName() const { return FDataSet ? FDataSet->GetUserName() : FDataSetName; }

void TpvrReportPage::SetDataSetName(const String& value) {
    FDataSetName = value;
    FDataSet = GlobalDataSetList()->FindDataSetByName(FDataSet, value, Report());
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TpvrReportPage::SetDefaults() {
    LeftMargin = 10;
    RightMargin = 10;
    TopMargin = 10;
    BottomMargin = 10;
    // The current printer's paper and orientation; A4 portrait when it has none.
    TpvrCustomPrinter* printer = GetReportPrinters()->CurrentPrinter();
    if (printer && !printer->GetInitialized()) printer->Init();
    if (printer && printer->GetPaperWidth() > 0 && printer->GetPaperHeight() > 0) {
        FOrientation = printer->GetOrientation();
        FPaperSize = printer->GetPaper();
        FPaperWidth = printer->GetPaperWidth();
        FPaperHeight = printer->GetPaperHeight();
    } else {
        FOrientation = poPortrait;
        SetPaperSize(9);
    }
    UpdatePageSize();
}

void TpvrReportPage::AlignChildren() {
    SetWidth((FPaperWidth - LeftMargin - RightMargin) * pvrMillimetre);
    SetHeight((FPaperHeight - TopMargin - BottomMargin) * pvrMillimetre);
    inherited::AlignChildren();
    const std::vector<TpvrComponent*> children = GetObjects();
    for (TpvrComponent* child : children) {
        auto* band = dynamic_cast<TpvrBand*>(child);
        if (!band) continue;
        if (band->Vertical)
            band->SetHeight(GetHeight() - band->GetTop());
        else
            band->SetWidth(GetWidth() - band->GetLeft());
        band->AlignChildren();
    }
    UpdatePageSize();
}

TpvrComponent* TpvrReportPage::FindBand(TClass bandClass) const {
    for (TpvrComponent* child : GetObjects())
        if (child->InheritsFrom(bandClass)) return child;
    return nullptr;
}

String TpvrReportPage::GetDescription() { return GetResources()->Get("obRepPage"); }

void TpvrReportPage::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && FDataSet && component == FDataSet) FDataSet = nullptr;
}

// ---- Dialog page -------------------------------------------------------------------------------

namespace {

// The tag a dialog page carries while it makes its form under thread-safe loading.
constexpr Integer ThreadModeTag = 318;

} // namespace

TpvrDialogPage::TpvrDialogPage(TComponent* owner) : TpvrPage(owner) {
    const Integer savedTag = GetTag();
    TpvrReport* report = Report();
    SetTag(report && report->GetEngineOptions()->ThreadSafeLoading ? ThreadModeTag : 0);
    try {
        FForm = new TpvrDialogForm(this);
    } catch (...) {
        SetTag(savedTag);
        throw;
    }
    SetTag(savedTag);
    FForm->SetKeyPreview(true);
    TFont font;
    font.SetName("Tahoma");
    font.SetSize(8);
    SetFont(&font);
    FBorderStyle = bsSizeable;
    Position = poScreenCenter;
    WindowState = wsNormal;
    SetColor(clBtnFace);
}

TpvrDialogPage::~TpvrDialogPage() {
    struct TLockScope {
        TCriticalSection* Lock;
        explicit TLockScope(TCriticalSection* lock) : Lock(lock) { Lock->Enter(); }
        ~TLockScope() { Lock->Leave(); }
    } scope(GlobalLock());
    SetParent(nullptr);
    Clear();
    delete FForm;
    FForm = nullptr;
}

void TpvrDialogPage::SetLeft(Extended value) {
    inherited::SetLeft(value);
    if (FForm) FForm->SetLeft(Integer(Round(GetLeft())));
}

void TpvrDialogPage::SetTop(Extended value) {
    inherited::SetTop(value);
    if (FForm) FForm->SetTop(Integer(Round(GetTop())));
}

void TpvrDialogPage::SetWidth(Extended value) {
    inherited::SetWidth(value);
    if (FForm) FForm->SetWidth(Integer(Round(GetWidth())));
}

void TpvrDialogPage::SetHeight(Extended value) {
    inherited::SetHeight(value);
    if (FForm) FForm->SetHeight(Integer(Round(GetHeight())));
}

String TpvrDialogPage::GetDescription() { return GetResources()->Get("obDlgPage"); }

void TpvrDialogPage::SetCaption(const String& value) {
    FCaption = value;
    if (FForm) FForm->SetCaption(value);
}

void TpvrDialogPage::SetColor(TColor value) {
    FColor = value;
    if (FForm) FForm->SetColor(value);
}

Integer TpvrDialogPage::GetModalResult() const { return FForm ? FForm->GetModalResult() : 0; }

void TpvrDialogPage::SetModalResult(Integer value) {
    if (FForm) FForm->SetModalResult(value);
}

void TpvrDialogPage::FontChanged() {
    inherited::FontChanged();
    if (FForm) FForm->SetFont(GetFont());
}

void TpvrDialogPage::FormActivate(TObject* sender) {
    if (TpvrReport* report = Report()) report->RunScriptEvent(sender, OnActivate);
}

void TpvrDialogPage::FormClick(TObject* sender) {
    if (TpvrReport* report = Report()) report->RunScriptEvent(sender, OnClick);
}

void TpvrDialogPage::FormCloseQuery(TObject* sender, bool& canClose) {
    TpvrReport* report = Report();
    if (!report) return;
    Variant args = VarArrayOf({ObjectToVariant(sender), Variant(canClose)});
    report->RunScriptEventArgs(OnCloseQuery, args);
    canClose = VarArrayGet(args, {1}).AsBoolean();
}

void TpvrDialogPage::FormDeactivate(TObject* sender) {
    if (TpvrReport* report = Report()) report->RunScriptEvent(sender, OnDeactivate);
}

void TpvrDialogPage::FormHide(TObject* sender) {
    if (TpvrReport* report = Report()) report->RunScriptEvent(sender, OnHide);
}

void TpvrDialogPage::RunKeyEvent(const String& procName, TObject* sender, Word& key, TShiftState shift) {
    TpvrReport* report = Report();
    if (!report) return;
    Variant args = VarArrayOf({ObjectToVariant(sender), Variant(SmallInt(key)), Variant(Byte(shift.Mask()))});
    report->RunScriptEventArgs(procName, args);
    key = Word(VarArrayGet(args, {1}).AsInteger());
}

void TpvrDialogPage::FormKeyDown(TObject* sender, Word& key, TShiftState shift) {
    RunKeyEvent(OnKeyDown, sender, key, shift);
}

void TpvrDialogPage::FormKeyUp(TObject* sender, Word& key, TShiftState shift) {
    RunKeyEvent(OnKeyUp, sender, key, shift);
}

void TpvrDialogPage::FormKeyPress(TObject* sender, char32_t& key) {
    TpvrReport* report = Report();
    if (!report) return;
    Variant args = VarArrayOf({ObjectToVariant(sender), Variant(Utf8FromCodePoint(key))});
    report->RunScriptEventArgs(OnKeyPress, args);
    const String text = VarToStr(VarArrayGet(args, {1}));
    key = text.empty() ? char32_t(0) : Utf8CodePointAt(text, 0);
}

void TpvrDialogPage::FormShow(TObject* sender) {
    FForm->Perform(CM_FOCUSCHANGED, 0, LPARAM(FForm->GetActiveControl()));
    if (TpvrReport* report = Report()) report->RunScriptEvent(sender, OnShow);
}

void TpvrDialogPage::FormResize(TObject* sender) {
    if (TpvrReport* report = Report()) report->RunScriptEvent(sender, OnResize);
}

void TpvrDialogPage::SetupForm() {
    auto setup = [this] {
        if (FForm->GetVisible()) FForm->Hide();
        FForm->SetPosition(Position);
        FForm->SetWindowState(WindowState);
        FForm->OnActivate = MakeEvent(this, &TpvrDialogPage::FormActivate);
        FForm->OnClick = MakeEvent(this, &TpvrDialogPage::FormClick);
        FForm->OnCloseQuery = MakeEvent(this, &TpvrDialogPage::FormCloseQuery);
        FForm->OnDeactivate = MakeEvent(this, &TpvrDialogPage::FormDeactivate);
        FForm->OnHide = MakeEvent(this, &TpvrDialogPage::FormHide);
        FForm->OnKeyDown = MakeEvent(this, &TpvrDialogPage::FormKeyDown);
        FForm->OnKeyPress = MakeEvent(this, &TpvrDialogPage::FormKeyPress);
        FForm->OnKeyUp = MakeEvent(this, &TpvrDialogPage::FormKeyUp);
        FForm->OnShow = MakeEvent(this, &TpvrDialogPage::FormShow);
        FForm->OnResize = MakeEvent(this, &TpvrDialogPage::FormResize);
    };
    TpvrReport* report = Report();
    TThread* caller = report ? report->GetEngineOptions()->CallerThread : nullptr;
    if (caller)
        TThread::Synchronize(caller, setup);
    else
        setup();
}

Integer TpvrDialogPage::ShowModal() {
    SetupForm();
    FForm->SetBorderStyle(FBorderStyle);
    FForm->SetFormStyle(fsNormal);
    Integer result = 0;
    try {
        result = FForm->ShowModal();
    } catch (...) {
        FForm->SetFormStyle(fsStayOnTop);
        throw;
    }
    FForm->SetFormStyle(fsStayOnTop);
    return result;
}
