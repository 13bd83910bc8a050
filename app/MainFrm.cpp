#include "app/MainFrm.h"

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "grid/Tambor.h"
#include "menupainter/Skarn.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Menus.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Strings.h"
#include "suite/editors/qzDropDownEdit.h"

TfMainFrm* fMainFrm = nullptr;

namespace {

template <class T> T* Placed(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The main window's definition has no ") + name);
    return component;
}

void SetPanel(TStatusBar* bar, Integer index, const String& text) {
    if (bar && index < bar->GetPanels()->GetCount()) bar->GetPanels()->GetItems(index)->SetText(text);
}

} // namespace

TfMainFrm::TfMainFrm(TComponent* owner) : TForm(owner) { AfterConstruction(); }

TfMainFrm::~TfMainFrm() {
    // The painter gives the menu its own drawing back before either goes.
    if (Xp) Xp->SetActive(false);
    // The channel window goes with this window (the base frees what it owns).
    if (fChInfo && fChInfo->GetOwner() == this) fChInfo = nullptr;
    if (fMainFrm == this) fMainFrm = nullptr;
}

void TfMainFrm::Notification(TComponent* component, TOperation operation) {
    TForm::Notification(component, operation);
    if (operation == opRemove && component == fChInfo) fChInfo = nullptr;
}

void TfMainFrm::FormCreate(TObject*) {
    odOpen = Placed<TOpenDialog>(this, "odOpen");
    sdSave = Placed<TSaveDialog>(this, "sdSave");
    MainMenu = Placed<TMainMenu>(this, "MainMenu");
    pBar = Placed<TPanel>(this, "pBar");
    tbar = Placed<TToolBar>(this, "tbar");
    MainBar = Placed<TStatusBar>(this, "MainBar");
    ImBack = Placed<TImage>(this, "ImBack");
    Image = Placed<TImageList>(this, "Image");
    Timer = Placed<TTimer>(this, "Timer");
    Xp = Placed<TSkarn>(this, "Xp");
    lCom = Placed<TLabel>(this, "lCom");
    lMode = Placed<TLabel>(this, "lMode");
    Label4 = Placed<TLabel>(this, "Label4");
    stModel = Placed<TStaticText>(this, "stModel");
    stFreq = Placed<TStaticText>(this, "stFreq");
    cbFreq = Placed<TqzComboBox>(this, "cbFreq");
    cbCom = Placed<TqzComboBox>(this, "cbCom");
    if (!tvData) tvData = dynamic_cast<TTambor*>(FindComponent("tvData"));

    // The tool bar's eight images, 16 x 16 on magenta, in the order of the tool buttons.
    TBitmap strip;
    strip.LoadFromResourceName(HInstance, "TOOLBAR");
    Image->AddMasked(&strip, clFuchsia);
}

void TfMainFrm::FormShow(TObject*) {
    TALL& state = *AppState;
    ImBack->GetPicture()->GetBitmap()->LoadFromResourceName(HInstance, "PIC");
    if (auto* item = dynamic_cast<TMenuItem*>(FindComponent("mTestOnline"))) item->SetVisible(state.ShowTestOnline);

    if (ModelList->Count() > 0) {
        TMacType& first = *ModelList->ModelAt(0);
        state.UseModel(first);
        state.BandText = first.DefaultBand;
    }

    TStrings* ports = cbCom->GetProperties()->GetItems();
    ports->Clear();
    ListComPorts(ports);
    state.ComPort = UpperCase(state.ComPort);
    const Integer stored = ports->IndexOf(state.ComPort);
    if (stored >= 0) {
        cbCom->SetItemIndex(stored);
    } else if (ports->GetCount() > 0) {
        cbCom->SetItemIndex(0);
        state.ComPort = ports->GetStrings(0);
    }

    ParseBandText(state.BandText, state.BandLow, state.BandHigh);
    FileName.clear();
    SingleModel = ModelList->Count() == 1;
    if (WindowsNeedTranslation()) TranslateForm(this, state.LanguageName, true);
    SetCaption(state.Title);
    ApplyModelMode();
    RefreshStatus();
    ShowChannelWindow();
    state.Modified = false;
}

void TfMainFrm::FormPaint(TObject*) {
    TBitmap* background = ImBack ? ImBack->GetPicture()->GetBitmap() : nullptr;
    if (!background || background->GetEmpty()) return;
    TCanvas* canvas = GetCanvas();
    canvas->GetBrush()->SetBitmap(background);
    canvas->FillRect(TRect(0, 0, Screen->GetWidth(), Screen->GetHeight()));
    canvas->GetBrush()->SetBitmap(nullptr);
}

void TfMainFrm::RefreshStatus() {
    const TALL& state = *AppState;
    const TDateTime now = Now();
    SetPanel(MainBar, 0, String());
    SetPanel(MainBar, 1, FormatDateTime("yyyy/mm/dd", now));
    SetPanel(MainBar, 2, FormatDateTime("HH:mm:ss", now));
    SetPanel(MainBar, 4, String());
    const String fileSuffix = FileName.empty() ? String() : " [" + FileName + "]";
    if (SingleModel) {
        SetCaption(state.Title + "--" + state.ModelName + fileSuffix);
        if (cbFreq) {
            const Integer band = cbFreq->GetProperties()->GetItems()->IndexOf(state.BandText);
            cbFreq->SetItemIndex(band >= 0 ? band : 0);
        }
        if (stModel) stModel->SetCaption(state.ComPort);
        SetPanel(MainBar, 3, String());
    } else {
        if (stModel) stModel->SetCaption(state.ModelName);
        if (stFreq) stFreq->SetCaption(state.BandText);
        SetPanel(MainBar, 3, (lCom ? lCom->GetCaption() : String()) + state.ComPort);
        SetCaption(state.Title + fileSuffix);
    }
}

void TfMainFrm::ApplyModelMode() {
    lMode->SetVisible(!SingleModel);
    lCom->SetVisible(SingleModel);
    cbFreq->SetVisible(SingleModel);
    for (const char* name : {"mModel", "N6"})
        if (auto* item = dynamic_cast<TMenuItem*>(FindComponent(name))) item->SetVisible(!SingleModel);
}

void TfMainFrm::ShowChannelWindow() {
    if (!fChInfo) fChInfo = new TfChInfo(this);
    fChInfo->Show();
}

void TfMainFrm::TimerTimer(TObject*) { SetPanel(MainBar, 2, FormatDateTime("HH:mm:ss", Now())); }

void TfMainFrm::cbFreqChange(TObject*) {
    if (!SingleModel) return;
    const String band = cbFreq->GetText();
    stFreq->SetCaption(band);
    AppState->UseBand(band);
}

void TfMainFrm::ButtonClick(TObject* sender) {
    if (auto* component = dynamic_cast<TComponent*>(sender)) RunCommand(component->GetTag());
}

void TfMainFrm::TButtonClick(TObject* sender) { ButtonClick(sender); }

void TfMainFrm::ExitClick(TObject*) { Close(); }

void TfMainFrm::ToolbarClick(TObject* sender) {
    pBar->SetVisible(!pBar->GetVisible());
    if (auto* item = dynamic_cast<TMenuItem*>(sender)) item->SetChecked(pBar->GetVisible());
}

void TfMainFrm::StatusBarClick(TObject* sender) {
    MainBar->SetVisible(!MainBar->GetVisible());
    if (auto* item = dynamic_cast<TMenuItem*>(sender)) item->SetChecked(MainBar->GetVisible());
}

void TfMainFrm::FormCloseQuery(TObject*, bool& canClose) {
    if (ShowPrompt(PromptTexts->Confirmation, PromptTexts->ExitProgram, 2) != IDYES) {
        canClose = false;
        return;
    }
    // Data the user chose to save and that were not saved must not be lost with the window.
    canClose = SaveBeforeDiscard();
}

void TfMainFrm::FormClose(TObject*, TCloseAction&) {
    // A settings file that cannot be written must never keep the program from ending.
    try {
        WriteSystemSettings();
    } catch (Exception& e) {
        Application->ShowException(&e);
    }
}

KOV_PUBLISHED(TfMainFrm) {
    Method("FormCreate", &TfMainFrm::FormCreate);
    Method("FormShow", &TfMainFrm::FormShow);
    Method("FormPaint", &TfMainFrm::FormPaint);
    Method("FormCloseQuery", &TfMainFrm::FormCloseQuery);
    Method("FormClose", &TfMainFrm::FormClose);
    Method("ButtonClick", &TfMainFrm::ButtonClick);
    Method("TButtonClick", &TfMainFrm::TButtonClick);
    Method("ExitClick", &TfMainFrm::ExitClick);
    Method("ToolbarClick", &TfMainFrm::ToolbarClick);
    Method("StatusBarClick", &TfMainFrm::StatusBarClick);
    Method("TimerTimer", &TfMainFrm::TimerTimer);
    Method("cbFreqChange", &TfMainFrm::cbFreqChange);
}
