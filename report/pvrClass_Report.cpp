// Dialog controls, the report component, and the published properties of the object model.
#include <mutex>

#include "platform/classlib/ExtCtrls.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/IniFiles.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Threads.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/WinCore.h"
#include "report/pvrClass.h"
#include "report/pvrClassRTTI.h"
#include "report/pvrDialogForm.h"
#include "report/pvrRes.h"
#include "report/pvrUtils.h"
#include "report/pvrXMLSerializer.h"
#include "script/kq_iclassesrtti.h"
#include "script/kq_idialogsrtti.h"
#include "script/kq_iformsrtti.h"
#include "script/kq_igraphicsrtti.h"
#include "script/kq_iinterpreter.h"
#include "script/kq_isysrtti.h"

// ---- Dialog controls ---------------------------------------------------------------------------

namespace {

TForm*& HiddenHost() {
    static TForm* host = nullptr;
    return host;
}

// Detaches the controls the host still parents (their owners free them) and frees it.
struct THiddenHostModule {
    ~THiddenHostModule() {
        TForm*& host = HiddenHost();
        if (!host) return;
        while (host->GetControlCount() > 0)
            host->GetControls(0)->SetParent(nullptr);
        delete host;
        host = nullptr;
    }
};
THiddenHostModule HiddenHostModule;

} // namespace

TWinControl* HiddenHostForm() {
    TForm*& host = HiddenHost();
    if (!host) host = TForm::CreateNew(nullptr);
    return host;
}

TpvrDialogControl::TpvrDialogControl(TComponent* owner) : TpvrReportComponent(owner) {}

TpvrDialogControl::~TpvrDialogControl() {
    SetParent(nullptr);
    Clear();
    delete FControl;
    FControl = nullptr;
}

void TpvrDialogControl::SetControl(TControl* control) {
    delete FControl;
    FControl = control;
    if (!FControl) return;
    PlaceControl();
    FControl->SetBounds(Integer(Round(GetLeft())), Integer(Round(GetTop())), Integer(Round(GetWidth())),
                        Integer(Round(GetHeight())));
    FControl->SetFont(GetFont());
    FControl->SetVisible(GetVisible());
}

void TpvrDialogControl::PlaceControl() {
    if (!FControl) return;
    TpvrComponent* parent = GetParent();
    if (auto* control = dynamic_cast<TpvrDialogControl*>(parent)) {
        if (auto* win = dynamic_cast<TWinControl*>(control->GetControl())) {
            FControl->SetParent(win);
            return;
        }
    }
    if (auto* page = dynamic_cast<TpvrDialogPage*>(parent)) {
        FControl->SetParent(page->GetForm());
        return;
    }
    FControl->SetParent(HiddenHostForm());
}

void TpvrDialogControl::SetParent(TpvrComponent* value) {
    inherited::SetParent(value);
    PlaceControl();
}

void TpvrDialogControl::SetLeft(Extended value) {
    inherited::SetLeft(value);
    if (FControl) FControl->SetLeft(Integer(Round(GetLeft())));
}

void TpvrDialogControl::SetTop(Extended value) {
    inherited::SetTop(value);
    if (FControl) FControl->SetTop(Integer(Round(GetTop())));
}

void TpvrDialogControl::SetWidth(Extended value) {
    inherited::SetWidth(value);
    if (FControl) FControl->SetWidth(Integer(Round(GetWidth())));
}

void TpvrDialogControl::SetHeight(Extended value) {
    inherited::SetHeight(value);
    if (FControl) FControl->SetHeight(Integer(Round(GetHeight())));
}

void TpvrDialogControl::SetVisible(bool value) {
    inherited::SetVisible(value);
    if (FControl) FControl->SetVisible(value);
}

void TpvrDialogControl::SetParentFont(bool value) {
    inherited::SetParentFont(value);
    if (FControl) FControl->SetParentFont(value);
}

void TpvrDialogControl::FontChanged() {
    inherited::FontChanged();
    if (FControl) FControl->SetFont(GetFont());
}

void TpvrDialogControl::SetName(const String& value) {
    const String oldName = GetName();
    inherited::SetName(value);
    if (!FControl || IsLoading || GetComponentState().Contains(csLoading)) return;
    if (FControl->GetCaption() == oldName) FControl->SetCaption(value);
}

void TpvrDialogControl::Draw(TCanvas* canvas, Extended, Extended, Extended, Extended) {
    if (!FControl) return;
    TBitmap bitmap;
    bitmap.SetSize(Integer(Round(GetWidth())), Integer(Round(GetHeight())));
    bitmap.GetCanvas()->GetBrush()->SetColor(clBtnFace);
    bitmap.GetCanvas()->FillRect(TRect{0, 0, bitmap.GetWidth(), bitmap.GetHeight()});
    canvas->Lock();
    try {
        HDC dc = bitmap.GetCanvas()->GetHandle();
        if (auto* win = dynamic_cast<TWinControl*>(FControl)) {
            win->PaintTo(dc, 0, 0);
        } else {
            FControl->Perform(WM_ERASEBKGND, WPARAM(dc), 0);
            FControl->Perform(WM_PAINT, WPARAM(dc), 0);
        }
    } catch (...) {
        canvas->Unlock();
        throw;
    }
    canvas->Unlock();
    canvas->Draw(Integer(Round(AbsLeft())), Integer(Round(AbsTop())), &bitmap);
}

// ---- The report --------------------------------------------------------------------------------

TpvrReport::TpvrReport(TComponent* owner) : TpvrComponent(owner) {
    FVersion = "3.20";
    // The binding modules are added at the script's first use (AddScriptBindings).
    FScript = new TkqScript(nullptr);
    FScript->HighCharIdentifiers = true;
    FTimer = new TTimer(nullptr);
    FTimer->SetInterval(50);
    FTimer->SetEnabled(false);
    FTimer->SetOnTimer(MakeEvent(this, &TpvrReport::TimerTick));
    FEngineOptions = std::make_unique<TpvrEngineOptions>();
    FPreviewOptions = std::make_unique<TpvrPreviewOptions>();
    FPrintOptions = std::make_unique<TpvrPrintOptions>();
    FReportOptions = std::make_unique<TpvrReportOptions>();
    FReportOptions->Report = this;
    IniFile = "\\Software\\Orvant";
    FScriptText = std::make_unique<TStringList>();
    FExpressionCache = std::make_unique<TpvrExpressionCache>(FScript);
    FErrors = std::make_unique<TStringList>();
    FErrors->SetSorted(true);
    FErrors->SetDuplicates(dupIgnore);
    FSystemVariables = std::make_unique<TStringList>();
    FDataSets = std::make_unique<TpvrReportDataSets>(this);
    FVariables = std::make_unique<TpvrVariables>();
    FStyles = std::make_unique<TpvrStyles>(this);
    ShowProgress = true;
    StoreInDFM = true;
    Clear();
}

TpvrReport::~TpvrReport() {
    // The pages go while the report is whole, so their removal reaches a complete report.
    TpvrComponent::Clear();
    FDataSets.reset();
    FVariables.reset();
    FStyles.reset();
    Preview = nullptr;
    delete FTimer;
    FTimer = nullptr;
    FExpressionCache.reset();
    delete FScript;
    FScript = nullptr;
}

TkqScript* TpvrReport::GetScript() const {
    AddScriptBindings();
    return FScript;
}

// The binding modules register thousands of names and nothing reads them before the script is
// first used (a preparation, an expression, a script event), so they are added then, once. A
// report working for a caller thread has them added on the user-interface thread, like its other
// window-side work; the lock keeps two first users apart.
void TpvrReport::AddScriptBindings() const {
    if (FScriptBindingsAdded.load(std::memory_order_acquire)) return;
    auto add = [this] {
        static std::mutex lock;
        const std::lock_guard<std::mutex> guard(lock);
        if (FScriptBindingsAdded.load(std::memory_order_relaxed)) return;
        FScript->AddRTTI();
        FScriptBindingsAdded.store(true, std::memory_order_release);
    };
    TThread* caller = FEngineOptions ? FEngineOptions->CallerThread : nullptr;
    if (caller)
        TThread::Synchronize(caller, add);
    else
        add();
}

void TpvrReport::Clear() {
    TThread* caller = FEngineOptions ? FEngineOptions->CallerThread : nullptr;
    if (caller)
        TThread::Synchronize(caller, [this] { DoClear(); });
    else
        DoClear();
}

void TpvrReport::DoClear() {
    TpvrComponent::Clear();
    FDataSets->Clear();
    FVariables->Clear();
    FStyles->Clear();
    FEngineOptions->Clear();
    FPreviewOptions->Clear();
    FPrintOptions->Clear();
    FReportOptions->Clear();
    FDataSet = nullptr;
    FDataSetName.clear();
    DotMatrixReport = false;
    ScriptLanguage = "PascalScript";
    FScriptText->Clear();
    FScriptText->Add("begin");
    FScriptText->Add("");
    FScriptText->Add("end.");
    FSystemVariables->Clear();
    for (const char* name : {"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line", "Line#"})
        FSystemVariables->Add(name);
    OnRunDialogs.clear();
    OnStartReport.clear();
    OnStopReport.clear();
}

String TpvrReport::GetDescription() { return GetResources()->Get("obReport"); }

void TpvrReport::GetChildren(const TGetChildProc& proc, TComponent* root) {
    if (StoreInDFM) inherited::GetChildren(proc, root);
}

void TpvrReport::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove) return;
    // A data source being freed is no longer of its class here: pointers are compared.
    if (FDataSets)
        while (TpvrDataSetItem* item = FDataSets->FindByDataSet(component))
            delete item;
    if (FDataSet && component == FDataSet) FDataSet = nullptr;
    if (component == Preview) Preview = nullptr;
}

TpvrDataSet* TpvrReport::GetDataset(const String& alias) const {
    TpvrDataSetItem* item = FDataSets->FindByName(alias);
    return item ? item->GetDataSet() : nullptr;
}

String TpvrReport::GetDataSetName() const { return FDataSet ? FDataSet->GetUserName() : FDataSetName; }

void TpvrReport::SetDataSetName(const String& value) {
    FDataSetName = value;
    FDataSet = GlobalDataSetList()->FindDataSetByName(FDataSet, value, this);
    if (FDataSet) FDataSet->FreeNotification(this);
}

namespace {

// A byte 1 followed by a byte c stands for c + 128 in collection strings of the standard form.
String DecodeHighBytes(const String& text) {
    String result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\x01' && i + 1 < text.size()) {
            result += char(Byte(text[i + 1]) + 128);
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

} // namespace

void TpvrReport::ReadXMLCollection(TReader* reader, TCollection* collection) {
    if (reader->NextValue() == vaCollection) {
        reader->ReadValue();
        reader->ReadCollection(collection);
        for (Integer i = 0; i < collection->GetCount(); ++i) {
            TCollectionItem* item = collection->GetItems(i);
            for (PPropInfo prop : GetPropList(item)) {
                if (prop->Kind() == tkString || prop->Kind() == tkLString)
                    SetStrProp(item, prop, DecodeHighBytes(GetStrProp(item, prop)));
                else if (prop->Kind() == tkVariant) {
                    const Variant value = GetVariantProp<Variant>(item, prop);
                    if (VarIsStr(value))
                        SetVariantProp(item, prop, Variant(DecodeHighBytes(VarToStr(value))));
                }
            }
        }
        return;
    }
    collection->Clear();
    reader->ReadListBegin();
    while (!reader->EndOfList()) {
        reader->ReadListBegin();
        const String text = reader->ReadString();
        while (!reader->EndOfList())
            reader->SkipValue();
        reader->ReadListEnd();
        TCollectionItem* item = collection->Add();
        if (CurrentSerializer) {
            CurrentSerializer->ReadProperties(text, item);
        } else {
            TpvrXMLSerializer serializer(nullptr);
            serializer.ReadItemProperties(this, item, text);
        }
    }
    reader->ReadListEnd();
}

void TpvrReport::WriteXMLCollection(TWriter* writer, TCollection* collection) {
    if (!IsWritingXML) {
        writer->WriteCollection(collection);
        return;
    }
    TpvrXMLSerializer serializer(nullptr);
    serializer.Owner = this;
    writer->WriteListBegin();
    for (Integer i = 0; i < collection->GetCount(); ++i) {
        const String text = serializer.WriteProperties(collection->GetItems(i));
        writer->WriteListBegin();
        writer->WriteValue(vaLString);
        const uint32_t length = uint32_t(text.size());
        const Byte bytes[4] = {Byte(length), Byte(length >> 8), Byte(length >> 16), Byte(length >> 24)};
        writer->GetStream()->WriteBuffer(bytes, 4);
        if (!text.empty()) writer->GetStream()->WriteBuffer(text.data(), Integer(text.size()));
        writer->WriteListEnd();
    }
    writer->WriteListEnd();
}

void TpvrReport::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    const struct {
        const char* Name;
        TCollection* Collection;
    } collections[] = {
        {"Datasets", FDataSets.get()}, {"Variables", FVariables.get()}, {"Style", FStyles.get()}};
    for (const auto& c : collections) {
        TCollection* collection = c.Collection;
        filer->DefineProperty(
            c.Name, [this, collection](TReader* reader) { ReadXMLCollection(reader, collection); },
            [this, collection](TWriter* writer) { WriteXMLCollection(writer, collection); }, true);
    }
}

void TpvrReport::LoadFromStream(TStream* stream) {
    FErrors->Clear();
    TpvrEngineOptions engine;
    engine.Assign(FEngineOptions.get());
    TpvrPreviewOptions preview;
    preview.Assign(FPreviewOptions.get());
    const String iniFile = IniFile;
    TComponent* previewControl = Preview;
    const bool oldStyleProgress = OldStyleProgress;
    const bool showProgress = ShowProgress;
    const bool storeInDFM = StoreInDFM;
    // Clearing forgets the options; a password given (or just saved) for this report still counts.
    const String entered = FReportOptions->EnteredPassword;
    auto restore = [&] {
        FReportOptions->EnteredPassword = entered;
        engine.ConvertNulls = FEngineOptions->ConvertNulls;
        engine.DoublePass = FEngineOptions->DoublePass;
        FEngineOptions->Assign(&engine);
        preview.OutlineVisible = FPreviewOptions->OutlineVisible;
        preview.OutlineWidth = FPreviewOptions->OutlineWidth;
        preview.OutlineExpand = FPreviewOptions->OutlineExpand;
        FPreviewOptions->Assign(&preview);
        IniFile = iniFile;
        Preview = previewControl;
        OldStyleProgress = oldStyleProgress;
        ShowProgress = showProgress;
        StoreInDFM = storeInDFM;
        FReportOptions->Password = DecodePassword(FReportOptions->Password);
    };
    LoadStream = stream;
    try {
        inherited::LoadFromStream(stream);
    } catch (...) {
        LoadStream = nullptr;
        restore();
        throw;
    }
    LoadStream = nullptr;
    restore();
    if (ReloadingAfterRun || FReportOptions->CheckPassword()) {
        if (FErrors->GetCount() > 0) ReportError(this, GetResources()->Get("clErrors") + "\n" + FErrors->GetText());
    } else {
        Clear();
    }
}

void TpvrReport::SaveToStream(TStream* stream, bool saveChildren, bool saveDefaultValues) {
    const String password = FReportOptions->Password;
    FReportOptions->EnteredPassword = password;
    FReportOptions->Password = EncodePassword(password);
    TComponent* previewControl = Preview;
    Preview = nullptr;
    struct TRestore {
        TpvrReport* Report;
        String Password;
        TComponent* Preview;
        ~TRestore() {
            Report->FReportOptions->Password = Password;
            Report->Preview = Preview;
        }
    } restore{this, password, previewControl};
    inherited::SaveToStream(stream, saveChildren, saveDefaultValues);
}

bool TpvrReport::LoadFromFile(const String& fileName, bool force) {
    Clear();
    FileName = String();
    const bool exists = FileExists(fileName);
    if (exists || force) {
        TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
        LoadFromStream(&file);
        FileName = fileName;
    }
    return exists;
}

void TpvrReport::SaveToFile(const String& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file, true, false);
}

TpvrPage* TpvrReport::Pages(Integer index) const {
    if (index < 0 || index >= ObjectCount()) return nullptr;
    return dynamic_cast<TpvrPage*>(GetObjects()[std::size_t(index)]);
}

TCustomIniFile* TpvrReport::GetIniFile() const {
    if (Pos("\\Software\\", IniFile) == 1) return new TRegistryIniFile(IniFile);
    return new TIniFile(IniFile);
}

void TpvrReport::SetDataSet(TpvrDataSet* value) {
    FDataSet = value;
    FDataSetName = value ? value->GetUserName() : String();
    if (value) value->FreeNotification(this);
}

void TpvrReport::TimerTick(TObject*) {
    // Preparing belongs to the run; the timer only stops itself until then.
    FTimer->SetEnabled(false);
}

// ---- Published properties ----------------------------------------------------------------------

namespace {
const bool kEnumsRegistered = [] {
    RegisterEnum<TpvrSilentMode>("TpvrSilentMode", {"simMessageBoxes", "simSilent", "simReThrow"});
    RegisterEnum<TpvrPreviewButton>("TpvrPreviewButton", {"pbPrint", "pbLoad", "pbSave", "pbExport", "pbZoom",
                                                          "pbFind", "pbOutline", "pbPageSetup", "pbTools",
                                                          "pbEdit", "pbNavigator", "pbExportQuick"});
    RegisterTypeName<TpvrPreviewButtons>("TpvrPreviewButtons");
    RegisterEnum<TpvrZoomMode>("TpvrZoomMode", {"zmDefault", "zmWholePage", "zmPageWidth", "zmManyPages"});
    RegisterEnum<TpvrPrintPages>("TpvrPrintPages", {"ppAll", "ppOdd", "ppEven"});
    RegisterEnum<TpvrDuplexMode>("TpvrDuplexMode", {"dmNone", "dmVertical", "dmHorizontal", "dmSimplex"});
    RegisterEnum<TpvrRestriction>("TpvrRestriction",
                                  {"rfDontModify", "rfDontSize", "rfDontMove", "rfDontDelete"});
    RegisterTypeName<TpvrRestrictions>("TpvrRestrictions");
    return true;
}();
} // namespace

KOV_PUBLISHED(TpvrEngineOptions) {
    Property("ConvertNulls", &TpvrEngineOptions::ConvertNulls).Default(true);
    Property("DoublePass", &TpvrEngineOptions::DoublePass).Default(false);
    Property("MaxMemSize", &TpvrEngineOptions::MaxMemSize).Default(10);
    Property("PrintIfEmpty", &TpvrEngineOptions::PrintIfEmpty).Default(true);
    Property("SilentMode", &TpvrEngineOptions::GetSilentMode, &TpvrEngineOptions::SetSilentMode)
        .Stored(false);
    Property("NewSilentMode", &TpvrEngineOptions::GetNewSilentMode, &TpvrEngineOptions::SetNewSilentMode)
        .Default(simMessageBoxes);
    Property("TempDir", &TpvrEngineOptions::TempDir);
    Property("UseFileCache", &TpvrEngineOptions::UseFileCache).Default(false);
}

KOV_PUBLISHED(TpvrPreviewOptions) {
    Property("AllowEdit", &TpvrPreviewOptions::AllowEdit).Default(true);
    Property("Buttons", &TpvrPreviewOptions::Buttons).Default(TpvrPreviewButtons::FromMask(4095));
    Property("DoubleBuffered", &TpvrPreviewOptions::DoubleBuffered).Default(true);
    Property("Maximized", &TpvrPreviewOptions::Maximized).Default(true);
    Property("MDIChild", &TpvrPreviewOptions::MDIChild).Default(false);
    Property("Modal", &TpvrPreviewOptions::Modal).Default(true);
    Property("OutlineExpand", &TpvrPreviewOptions::OutlineExpand).Default(true);
    Property("OutlineVisible", &TpvrPreviewOptions::OutlineVisible).Default(false);
    Property("OutlineWidth", &TpvrPreviewOptions::OutlineWidth).Default(120);
    Property("ShowCaptions", &TpvrPreviewOptions::ShowCaptions).Default(false);
    Property("Zoom", &TpvrPreviewOptions::Zoom);
    Property("ZoomMode", &TpvrPreviewOptions::ZoomMode).Default(zmDefault);
}

KOV_PUBLISHED(TpvrPrintOptions) {
    Property("Copies", &TpvrPrintOptions::Copies).Default(1);
    Property("Collate", &TpvrPrintOptions::Collate).Default(true);
    Property("PageNumbers", &TpvrPrintOptions::PageNumbers);
    Property("Printer", &TpvrPrintOptions::Printer);
    Property("PrintPages", &TpvrPrintOptions::PrintPages).Default(ppAll);
    Property("Reverse", &TpvrPrintOptions::Reverse).Default(false);
    Property("ShowDialog", &TpvrPrintOptions::ShowDialog).Default(true);
}

KOV_PUBLISHED(TpvrReportOptions) {
    Property("Author", &TpvrReportOptions::Author);
    Property("Compressed", &TpvrReportOptions::Compressed).Default(false);
    Property("ConnectionName", &TpvrReportOptions::GetConnectionName, &TpvrReportOptions::SetConnectionName);
    Property("CreateDate", &TpvrReportOptions::CreateDate);
    Property("Description", &TpvrReportOptions::GetDescription, &TpvrReportOptions::SetDescription);
    Property("InitString", &TpvrReportOptions::InitString);
    Property("Name", &TpvrReportOptions::Name);
    Property("LastChange", &TpvrReportOptions::LastChange);
    Property("Password", &TpvrReportOptions::Password);
    Property("Picture", &TpvrReportOptions::GetPicture, &TpvrReportOptions::SetPicture);
    Property("VersionBuild", &TpvrReportOptions::VersionBuild);
    Property("VersionMajor", &TpvrReportOptions::VersionMajor);
    Property("VersionMinor", &TpvrReportOptions::VersionMinor);
    Property("VersionRelease", &TpvrReportOptions::VersionRelease);
}

KOV_PUBLISHED(TpvrReportComponent) { Property("Description", &TpvrReportComponent::Description); }

KOV_PUBLISHED(TpvrDialogControl) {
    Property("Left", &TpvrComponent::GetLeft, &TpvrComponent::SetLeft);
    Property("Top", &TpvrComponent::GetTop, &TpvrComponent::SetTop);
    Property("Width", &TpvrComponent::GetWidth, &TpvrComponent::SetWidth);
    Property("Height", &TpvrComponent::GetHeight, &TpvrComponent::SetHeight);
    Property("Font", &TpvrComponent::GetFont, &TpvrComponent::SetFont).Stored(&TpvrComponent::IsFontStored);
    Property("GroupIndex", &TpvrComponent::GroupIndex).Default(0);
    Property("ParentFont", &TpvrComponent::GetParentFont, &TpvrComponent::SetParentFont).Default(true);
    Property("Visible", &TpvrComponent::GetVisible, &TpvrComponent::SetVisible).Default(true);
}

KOV_PUBLISHED(TpvrBand) {
    Property("Font", &TpvrComponent::GetFont, &TpvrComponent::SetFont).Stored(&TpvrComponent::IsFontStored);
    Property("Height", &TpvrComponent::GetHeight, &TpvrComponent::SetHeight);
    Property("Left", &TpvrComponent::GetLeft, &TpvrComponent::SetLeft);
    Property("ParentFont", &TpvrComponent::GetParentFont, &TpvrComponent::SetParentFont).Default(true);
    Property("Restrictions", &TpvrComponent::Restrictions).Default(TpvrRestrictions());
    Property("Top", &TpvrComponent::GetTop, &TpvrComponent::SetTop);
    Property("Vertical", &TpvrBand::Vertical).Default(false);
    Property("Visible", &TpvrComponent::GetVisible, &TpvrComponent::SetVisible).Default(true);
    Property("Width", &TpvrComponent::GetWidth, &TpvrComponent::SetWidth);
    Property("OnAfterCalcHeight", &TpvrBand::OnAfterCalcHeight);
    Property("OnAfterPrint", &TpvrReportComponent::OnAfterPrint);
    Property("OnBeforePrint", &TpvrReportComponent::OnBeforePrint);
}

namespace {

// The settings most band classes publish besides the common ones.
template <class P> void PublishChildSettings(P& p) {
    p.Property("AllowSplit", &TpvrBand::AllowSplit).Default(false);
    p.Property("Child", &TpvrBand::GetChild, &TpvrBand::SetChild);
    p.Property("KeepChild", &TpvrBand::KeepChild).Default(false);
    p.Property("PrintChildIfInvisible", &TpvrBand::PrintChildIfInvisible).Default(false);
    p.Property("Stretched", &TpvrBand::Stretched).Default(false);
}

} // namespace

KOV_PUBLISHED(TpvrReportTitle) {
    PublishChildSettings(*this);
    Property("StartNewPage", &TpvrBand::StartNewPage).Default(false);
}

KOV_PUBLISHED(TpvrReportSummary) {
    PublishChildSettings(*this);
    Property("StartNewPage", &TpvrBand::StartNewPage).Default(false);
}

KOV_PUBLISHED(TpvrChild) {
    PublishChildSettings(*this);
    Property("StartNewPage", &TpvrBand::StartNewPage).Default(false);
}

KOV_PUBLISHED(TpvrPageHeader) {
    Property("Child", &TpvrBand::GetChild, &TpvrBand::SetChild);
    Property("PrintChildIfInvisible", &TpvrBand::PrintChildIfInvisible).Default(false);
    Property("PrintOnFirstPage", &TpvrPageHeader::PrintOnFirstPage).Default(true);
    Property("Stretched", &TpvrBand::Stretched).Default(false);
}

KOV_PUBLISHED(TpvrPageFooter) {
    Property("PrintOnFirstPage", &TpvrPageFooter::PrintOnFirstPage).Default(true);
    Property("PrintOnLastPage", &TpvrPageFooter::PrintOnLastPage).Default(true);
}

KOV_PUBLISHED(TpvrHeader) {
    PublishChildSettings(*this);
    Property("ReprintOnNewPage", &TpvrHeader::ReprintOnNewPage).Default(false);
    Property("StartNewPage", &TpvrBand::StartNewPage).Default(false);
}

KOV_PUBLISHED(TpvrFooter) { PublishChildSettings(*this); }

KOV_PUBLISHED(TpvrGroupFooter) { PublishChildSettings(*this); }

KOV_PUBLISHED(TpvrDataBand) {
    PublishChildSettings(*this);
    Property("Columns", &TpvrDataBand::Columns).Default(0);
    Property("ColumnWidth", &TpvrDataBand::ColumnWidth);
    Property("ColumnGap", &TpvrDataBand::ColumnGap);
    Property("DataSet", &TpvrDataBand::GetDataSet, &TpvrDataBand::SetDataSet);
    Property("DataSetName", &TpvrDataBand::GetDataSetName, &TpvrDataBand::SetDataSetName);
    Property("FooterAfterEach", &TpvrDataBand::FooterAfterEach).Default(false);
    Property("KeepFooter", &TpvrDataBand::KeepFooter).Default(false);
    Property("KeepHeader", &TpvrDataBand::KeepHeader).Default(false);
    Property("KeepTogether", &TpvrDataBand::KeepTogether).Default(false);
    Property("OutlineText", &TpvrBand::OutlineText);
    Property("PrintIfDetailEmpty", &TpvrDataBand::PrintIfDetailEmpty).Default(false);
    Property("RowCount", &TpvrDataBand::GetRowCount, &TpvrDataBand::SetRowCount).Default(0);
    Property("StartNewPage", &TpvrBand::StartNewPage).Default(false);
    Property("OnMasterDetail", &TpvrDataBand::OnMasterDetail);
}

KOV_PUBLISHED(TpvrGroupHeader) {
    PublishChildSettings(*this);
    Property("Condition", &TpvrGroupHeader::Condition);
    Property("KeepTogether", &TpvrGroupHeader::KeepTogether).Default(false);
    Property("ReprintOnNewPage", &TpvrGroupHeader::ReprintOnNewPage).Default(false);
    Property("OutlineText", &TpvrBand::OutlineText);
    Property("StartNewPage", &TpvrBand::StartNewPage).Default(false);
}

KOV_PUBLISHED(TpvrColumnHeader) { Property("Stretched", &TpvrBand::Stretched).Default(false); }

KOV_PUBLISHED(TpvrOverlay) { Property("PrintOnTop", &TpvrOverlay::PrintOnTop).Default(false); }

KOV_PUBLISHED(TpvrPage) {
    Property("Font", &TpvrComponent::GetFont, &TpvrComponent::SetFont).Stored(&TpvrComponent::IsFontStored);
    Property("Visible", &TpvrComponent::GetVisible, &TpvrComponent::SetVisible).Default(true);
}

KOV_PUBLISHED(TpvrReportPage) {
    // The orientation first and the paper number after its sizes, so that reading a stored page
    // arrives at the paper it was written with.
    Property("Orientation", &TpvrReportPage::GetOrientation, &TpvrReportPage::SetOrientation)
        .Default(poPortrait);
    Property("PaperWidth", &TpvrReportPage::GetPaperWidth, &TpvrReportPage::SetPaperWidth);
    Property("PaperHeight", &TpvrReportPage::GetPaperHeight, &TpvrReportPage::SetPaperHeight);
    Property("PaperSize", &TpvrReportPage::GetPaperSize, &TpvrReportPage::SetPaperSize);
    Property("LeftMargin", &TpvrReportPage::LeftMargin);
    Property("RightMargin", &TpvrReportPage::RightMargin);
    Property("TopMargin", &TpvrReportPage::TopMargin);
    Property("BottomMargin", &TpvrReportPage::BottomMargin);
    Property("Bin", &TpvrReportPage::Bin).Default(7);
    Property("BinOtherPages", &TpvrReportPage::BinOtherPages).Default(7);
    Property("Columns", &TpvrReportPage::GetColumns, &TpvrReportPage::SetColumns).Default(0);
    Property("ColumnWidth", &TpvrReportPage::GetColumnWidth, &TpvrReportPage::SetColumnWidth);
    Property("ColumnPositions", &TpvrReportPage::GetColumnPositions, &TpvrReportPage::SetColumnPositions);
    Property("DataSet", &TpvrReportPage::GetDataSet, &TpvrReportPage::SetDataSet);
    Property("DataSetName", &TpvrReportPage::GetDataSetName, &TpvrReportPage::SetDataSetName);
    Property("Duplex", &TpvrReportPage::Duplex).Default(dmNone);
    Property("HGuides", &TpvrReportPage::GetHGuides, &TpvrReportPage::SetHGuides);
    Property("VGuides", &TpvrReportPage::GetVGuides, &TpvrReportPage::SetVGuides);
    Property("LargeDesignHeight", &TpvrReportPage::LargeDesignHeight).Default(false);
    Property("MirrorMargins", &TpvrReportPage::MirrorMargins).Default(false);
    Property("OutlineText", &TpvrReportPage::OutlineText);
    Property("PrintIfEmpty", &TpvrReportPage::PrintIfEmpty).Default(true);
    Property("PrintOnPreviousPage", &TpvrReportPage::PrintOnPreviousPage).Default(false);
    Property("TitleBeforeHeader", &TpvrReportPage::TitleBeforeHeader).Default(true);
    Property("OnAfterPrint", &TpvrReportPage::OnAfterPrint);
    Property("OnBeforePrint", &TpvrReportPage::OnBeforePrint);
    Property("OnManualBuild", &TpvrReportPage::OnManualBuild);
}

KOV_PUBLISHED(TpvrDialogPage) {
    Property("BorderStyle", &TpvrDialogPage::GetBorderStyle, &TpvrDialogPage::SetBorderStyle)
        .Default(bsSizeable);
    Property("Caption", &TpvrDialogPage::GetCaption, &TpvrDialogPage::SetCaption);
    Property("Color", &TpvrDialogPage::GetColor, &TpvrDialogPage::SetColor)
        .TypeName("TColor")
        .Default(clBtnFace);
    Property("Height", &TpvrComponent::GetHeight, &TpvrComponent::SetHeight);
    Property("Left", &TpvrComponent::GetLeft, &TpvrComponent::SetLeft);
    Property("Position", &TpvrDialogPage::Position).Default(poScreenCenter);
    Property("Top", &TpvrComponent::GetTop, &TpvrComponent::SetTop);
    Property("Width", &TpvrComponent::GetWidth, &TpvrComponent::SetWidth);
    Property("WindowState", &TpvrDialogPage::WindowState).Default(wsNormal);
    Property("OnActivate", &TpvrDialogPage::OnActivate);
    Property("OnClick", &TpvrDialogPage::OnClick);
    Property("OnCloseQuery", &TpvrDialogPage::OnCloseQuery);
    Property("OnDeactivate", &TpvrDialogPage::OnDeactivate);
    Property("OnHide", &TpvrDialogPage::OnHide);
    Property("OnKeyDown", &TpvrDialogPage::OnKeyDown);
    Property("OnKeyPress", &TpvrDialogPage::OnKeyPress);
    Property("OnKeyUp", &TpvrDialogPage::OnKeyUp);
    Property("OnShow", &TpvrDialogPage::OnShow);
    Property("OnResize", &TpvrDialogPage::OnResize);
}

KOV_PUBLISHED(TpvrReport) {
    Property("Version", &TpvrReport::GetVersion, &TpvrReport::SetVersion);
    Property("DataSet", &TpvrReport::GetDataSet, &TpvrReport::SetDataSet);
    Property("DataSetName", &TpvrReport::GetDataSetName, &TpvrReport::SetDataSetName);
    Property("DotMatrixReport", &TpvrReport::DotMatrixReport).Default(false);
    Property("EngineOptions", &TpvrReport::GetEngineOptions, &TpvrReport::SetEngineOptions);
    Property("IniFile", &TpvrReport::IniFile);
    Property("OldStyleProgress", &TpvrReport::OldStyleProgress).Default(false);
    Property("PreviewOptions", &TpvrReport::GetPreviewOptions, &TpvrReport::SetPreviewOptions);
    Property("PrintOptions", &TpvrReport::GetPrintOptions, &TpvrReport::SetPrintOptions);
    Property("ReportOptions", &TpvrReport::GetReportOptions, &TpvrReport::SetReportOptions);
    Property("ScriptLanguage", &TpvrReport::ScriptLanguage);
    Property("ScriptText", &TpvrReport::GetScriptText, &TpvrReport::SetScriptText);
    Property("ShowProgress", &TpvrReport::ShowProgress).Default(true);
    Property("StoreInDFM", &TpvrReport::StoreInDFM).Default(true);
    Property("OnBeginDoc", &TpvrReport::OnBeginDoc);
    Property("OnEndDoc", &TpvrReport::OnEndDoc);
    Property("OnPrintReport", &TpvrReport::OnPrintReport);
    Property("OnAfterPrintReport", &TpvrReport::OnAfterPrintReport);
    Property("OnBeforePrint", &TpvrReport::OnBeforePrint);
    Property("OnAfterPrint", &TpvrReport::OnAfterPrint);
    Property("OnBeforeConnect", &TpvrReport::OnBeforeConnect);
    Property("OnClickObject", &TpvrReport::OnClickObject);
    Property("OnGetValue", &TpvrReport::OnGetValue);
    Property("OnManualBuild", &TpvrReport::OnManualBuild);
    Property("OnMouseOverObject", &TpvrReport::OnMouseOverObject);
    Property("OnUserFunction", &TpvrReport::OnUserFunction);
    Property("OnProgressStart", &TpvrReport::OnProgressStart);
    Property("OnProgress", &TpvrReport::OnProgress);
    Property("OnProgressStop", &TpvrReport::OnProgressStop);
    Property("OnRunDialogs", &TpvrReport::OnRunDialogs);
    Property("OnStartReport", &TpvrReport::OnStartReport);
    Property("OnStopReport", &TpvrReport::OnStopReport);
}

// ---- Module start-up ---------------------------------------------------------------------------

namespace {
const bool kReportClassesRegistered = [] {
    RegisterClasses(
        {TpvrChild::StaticClass(),       TpvrColumnFooter::StaticClass(),  TpvrColumnHeader::StaticClass(),
         TpvrMasterData::StaticClass(),  TpvrDetailData::StaticClass(),    TpvrSubdetailData::StaticClass(),
         TpvrDataBand4::StaticClass(),   TpvrDataBand5::StaticClass(),     TpvrDataBand6::StaticClass(),
         TpvrDialogPage::StaticClass(),  TpvrFooter::StaticClass(),        TpvrGroupFooter::StaticClass(),
         TpvrGroupHeader::StaticClass(), TpvrHeader::StaticClass(),        TpvrOverlay::StaticClass(),
         TpvrPageFooter::StaticClass(),  TpvrPageHeader::StaticClass(),    TpvrReport::StaticClass(),
         TpvrReportPage::StaticClass(),  TpvrReportSummary::StaticClass(), TpvrReportTitle::StaticClass(),
         TpvrNullBand::StaticClass()});
    return true;
}();
} // namespace

TpvrQO2Events* QO2Events() {
    static TpvrQO2Events* events = new TpvrQO2Events();
    return events;
}

namespace {

// At the end of the program the data-source list stops locking: data sources freed later leave
// it alone.
struct TReportModuleShutdown {
    ~TReportModuleShutdown() { GlobalDataSetList()->Shutdown(); }
};

} // namespace

void StartReportEngine() {
    static bool started = false;
    if (started) return;
    started = true;
    static TReportModuleShutdown shutdown;
    // The binding modules every report script gets, in this order; the report engine's own
    // module comes fifth, before the dialogs.
    RegisterSysRTTI();
    RegisterClassesRTTI();
    RegisterGraphicsRTTI();
    RegisterFormsRTTI();
    RegisterReportRTTI();
    RegisterDialogsRTTI();
    GlobalLock();
    GlobalDataSetList();
    const struct {
        Integer Index;
        const char* Name;
    } cursors[] = {{150, "pvrHAND"}, {151, "pvrZOOM"}, {152, "pvrFORMAT"}};
    for (const auto& cursor : cursors)
        Screen->SetCursors(cursor.Index, LoadCursorA(HInstance, cursor.Name));
    GetResources()->UpdateScriptMessages();
    QO2Events();
}
