// The preview window: the tool bar, status bar and menus around a preview control, and the
// commands they run on it.
#include <algorithm>

#include "platform/classlib/Buttons.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "report/pvrDsgnIntf.h"
#include "report/pvrExportFilter.h"
#include "report/pvrPreview.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrinter.h"
#include "report/pvrRes.h"
#include "report/pvrUtils.h"

namespace {

// Posted to the window after a zoom typed or chosen in the zoom box, so the box shows the zoom
// the preview took once the box has finished with its own text.
constexpr UINT WM_PVR_UPDATEZOOM = 1025;

template <typename T> T* Find(TComponent* owner, const char* name) {
    return dynamic_cast<T*>(owner->FindComponent(name));
}

void SetTexts(TControl* control, Integer caption, Integer hint) {
    if (!control) return;
    TpvrResources* res = GetResources();
    if (caption) control->SetCaption(res->GetNumbered(caption));
    if (hint) control->SetHint(res->GetNumbered(hint));
}

void ShowIf(TControl* control, bool visible) {
    if (control) control->SetVisible(visible);
}

void EnableIf(TControl* control, bool enabled) {
    if (control) control->SetEnabled(enabled);
}

} // namespace

KOV_MESSAGE_MAP(TpvrPreviewForm) {
    map.Message(WM_ACTIVATEAPP, &TpvrPreviewForm::WMActivateApp);
    map.Message(WM_SYSCOMMAND, &TpvrPreviewForm::WMSysCommand);
    map.Message(WM_PVR_UPDATEZOOM, &TpvrPreviewForm::WMUpdateZoom);
}

TpvrPreviewForm::TpvrPreviewForm(TComponent* owner) : TForm(owner) { AfterConstruction(); }

TpvrPreviewForm::~TpvrPreviewForm() {
    StopPendingRun();
    // A report whose window this was forgets it.
    if (FPreview && FPreview->Report && FPreview->Report->PreviewForm == this)
        FPreview->Report->PreviewForm = nullptr;
    if (FPreview) {
        FPreview->Host = nullptr;
        FPreview->OnPageChanged = {};
    }
}

TpvrPreviewOptions* TpvrPreviewForm::Options() const {
    return FPreview && FPreview->Report ? FPreview->Report->GetPreviewOptions() : nullptr;
}

void TpvrPreviewForm::FindComponents() {
    ToolBar = Find<TToolBar>(this, "ToolBar");
    PrintB = Find<TToolButton>(this, "PrintB");
    OpenB = Find<TToolButton>(this, "OpenB");
    SaveB = Find<TToolButton>(this, "SaveB");
    ExportB = Find<TToolButton>(this, "ExportB");
    PdfB = Find<TToolButton>(this, "PdfB");
    EmailB = Find<TToolButton>(this, "EmailB");
    FindB = Find<TToolButton>(this, "FindB");
    Sep1 = Find<TToolButton>(this, "Sep1");
    ZoomWholePageB = Find<TToolButton>(this, "ZoomWholePageB");
    ZoomPageWidthB = Find<TToolButton>(this, "ZoomPageWidthB");
    Zoom100B = Find<TToolButton>(this, "Zoom100B");
    Zoom50B = Find<TToolButton>(this, "Zoom50B");
    Sep3 = Find<TpvrTBPanel>(this, "Sep3");
    ZoomCB = Find<TpvrComboBox>(this, "ZoomCB");
    FullScreenBtn = Find<TToolButton>(this, "FullScreenBtn");
    Sep2 = Find<TToolButton>(this, "Sep2");
    PageSettingsB = Find<TToolButton>(this, "PageSettingsB");
    OutlineB = Find<TToolButton>(this, "OutlineB");
    Sep5 = Find<TToolButton>(this, "Sep5");
    HandToolB = Find<TToolButton>(this, "HandToolB");
    ZoomToolB = Find<TToolButton>(this, "ZoomToolB");
    Sep7 = Find<TToolButton>(this, "Sep7");
    NewPageB = Find<TToolButton>(this, "NewPageB");
    DelPageB = Find<TToolButton>(this, "DelPageB");
    DesignerB = Find<TToolButton>(this, "DesignerB");
    Sep6 = Find<TToolButton>(this, "Sep6");
    FirstB = Find<TToolButton>(this, "FirstB");
    PriorB = Find<TToolButton>(this, "PriorB");
    Sep4 = Find<TpvrTBPanel>(this, "Sep4");
    PageE = Find<TEdit>(this, "PageE");
    NextB = Find<TToolButton>(this, "NextB");
    LastB = Find<TToolButton>(this, "LastB");
    qoTBPanel1 = Find<TpvrTBPanel>(this, "qoTBPanel1");
    CancelB = Find<TSpeedButton>(this, "CancelB");
    StatusBar = Find<TStatusBar>(this, "StatusBar");
    ExportPopup = Find<TPopupMenu>(this, "ExportPopup");
    HiddenMenu = Find<TPopupMenu>(this, "HiddenMenu");
    Showtemplate1 = Find<TMenuItem>(this, "Showtemplate1");
    RightMenu = Find<TPopupMenu>(this, "RightMenu");
}

void TpvrPreviewForm::FormCreate(TObject*) {
    FindComponents();
    TpvrResources* res = GetResources();
    SetCaption(res->GetNumbered(100));
    SetTexts(PrintB, 101, 102);
    SetTexts(OpenB, 103, 104);
    SetTexts(SaveB, 105, 106);
    SetTexts(ExportB, 107, 108);
    SetTexts(FindB, 109, 110);
    SetTexts(ZoomWholePageB, 111, 112);
    SetTexts(ZoomPageWidthB, 113, 114);
    SetTexts(Zoom100B, 115, 116);
    SetTexts(Zoom50B, 117, 118);
    SetTexts(ZoomCB, 0, 119);
    SetTexts(PageSettingsB, 120, 121);
    SetTexts(OutlineB, 122, 123);
    SetTexts(HandToolB, 124, 125);
    SetTexts(ZoomToolB, 126, 127);
    SetTexts(NewPageB, 128, 129);
    SetTexts(DelPageB, 130, 131);
    SetTexts(DesignerB, 132, 133);
    SetTexts(FirstB, 134, 135);
    SetTexts(PriorB, 136, 137);
    SetTexts(NextB, 138, 139);
    SetTexts(LastB, 140, 141);
    SetTexts(CancelB, 2, 0);
    SetTexts(PageE, 0, 142);
    SetTexts(FullScreenBtn, 0, 150);
    SetTexts(PdfB, 0, 151);
    SetTexts(EmailB, 0, 152);

    if (ZoomCB) {
        TStrings* items = ZoomCB->GetItems();
        items->Clear();
        for (const char* zoom : {"25%", "50%", "75%", "100%", "150%", "200%"})
            items->Add(zoom);
        items->Add(res->Get("zmPageWidth"));
        items->Add(res->Get("zmWholePage"));
    }
    if (ToolBar) ToolBar->SetImages(res->PreviewButtons());

    FPreview = new TpvrPreview(this);
    FPreview->SetName("Preview");
    FPreview->SetParent(this);
    FPreview->SetAlign(alClient);
    FPreview->Host = this;
    FPreview->OnPageChanged = MakeEvent(this, &TpvrPreviewForm::PreviewPageChanged);
    SetActiveControl(FPreview);

    FFullScreen = false;
    FPdfFilter = nullptr;
    FEmailFilter = nullptr;
}

// ---- Initialising from the report's options --------------------------------------------------

void TpvrPreviewForm::RemoveSeparator(TToolButton*& separator) {
    delete separator;
    separator = nullptr;
}

void TpvrPreviewForm::Init() {
    TpvrPreviewOptions* options = Options();
    if (!options) return;
    const TpvrPreviewButtons buttons = options->Buttons;

    if (options->Maximized) SetWindowState(wsMaximized);
    if (options->MDIChild) SetFormStyle(fsMDIChild);
    FPreview->SetOutlineVisible(options->OutlineVisible);
    FPreview->SetOutlineWidth(options->OutlineWidth);
    FPreview->SetZoom(options->Zoom);
    FPreview->SetZoomMode(options->ZoomMode);
    EnableIf(NewPageB, options->AllowEdit);
    EnableIf(DelPageB, options->AllowEdit);
    EnableIf(DesignerB, options->AllowEdit);

    ShowIf(PrintB, buttons.Contains(pbPrint));
    ShowIf(OpenB, buttons.Contains(pbLoad));
    ShowIf(SaveB, buttons.Contains(pbSave));
    ShowIf(ExportB, buttons.Contains(pbExport));
    ShowIf(FindB, buttons.Contains(pbFind));
    ShowIf(PdfB, false);
    ShowIf(EmailB, false);

    const bool zoom = buttons.Contains(pbZoom);
    for (TControl* control : std::initializer_list<TControl*>{ZoomWholePageB, ZoomPageWidthB, Zoom100B,
                                                              Zoom50B, Sep3, FullScreenBtn})
        ShowIf(control, zoom);
    if (!zoom) RemoveSeparator(Sep1);

    ShowIf(OutlineB, buttons.Contains(pbOutline));
    if (OutlineB) OutlineB->SetDown(FPreview->GetOutlineVisible());
    ShowIf(PageSettingsB, buttons.Contains(pbPageSetup));
    if (!buttons.Contains(pbOutline) && !buttons.Contains(pbPageSetup)) RemoveSeparator(Sep2);

    ShowIf(HandToolB, buttons.Contains(pbTools));
    ShowIf(ZoomToolB, buttons.Contains(pbTools));
    if (!buttons.Contains(pbTools)) RemoveSeparator(Sep5);

    // No report designer is registered in this program, so the designer button never shows.
    ShowIf(NewPageB, buttons.Contains(pbEdit));
    ShowIf(DelPageB, buttons.Contains(pbEdit));
    ShowIf(DesignerB, false);
    if (!buttons.Contains(pbEdit)) RemoveSeparator(Sep7);

    const bool navigator = buttons.Contains(pbNavigator);
    for (TControl* control : std::initializer_list<TControl*>{FirstB, PriorB, Sep4, NextB, LastB})
        ShowIf(control, navigator);
    if (!navigator) RemoveSeparator(Sep6);

    if (ToolBar) ToolBar->SetShowCaptions(options->ShowCaptions);

    BuildExportMenu();

    TpvrReport* report = FPreview->Report;
    if (!report->GetReportOptions()->Name.empty()) SetCaption(report->GetReportOptions()->Name);

    FPreview->Init();

    BuildRightMenu();
    SetPopupMenu(RightMenu);
    UpdateControls();
}

void TpvrPreviewForm::BuildExportMenu() {
    if (!ExportPopup) return;
    ExportPopup->GetItems()->Clear();
    FPdfFilter = nullptr;
    FEmailFilter = nullptr;
    TpvrPreviewOptions* options = Options();
    const bool quick = options && options->Buttons.Contains(pbExportQuick);
    bool any = false;
    TpvrExportFilterCollection* filters = pvrExportFilters();
    for (Integer i = 0; i < filters->GetCount(); ++i) {
        auto* filter = dynamic_cast<TpvrCustomExportFilter*>(filters->Items(i)->Filter);
        if (!filter) continue;
        const String className = filter->ClassName();
        // The dot-matrix filter serves printing only.
        if (className == "TpvrDMPExport") continue;
        any = true;
        auto* item = new TMenuItem(ExportPopup);
        item->SetCaption(className + "...");
        item->SetTag(i);
        item->OnClick = MakeEvent(this, &TpvrPreviewForm::ExportItemClick);
        ExportPopup->GetItems()->Add(item);
        if (className == "TpvrPDFExport") {
            FPdfFilter = filter;
            ShowIf(PdfB, quick);
        } else if (className == "TpvrMailExport") {
            FEmailFilter = filter;
            ShowIf(EmailB, quick);
        }
    }
    if (!any) ShowIf(ExportB, false);
}

void TpvrPreviewForm::BuildRightMenu() {
    if (!RightMenu || !ToolBar) return;
    TMenuItem* root = RightMenu->GetItems();
    root->Clear();
    RightMenu->SetImages(ToolBar->GetImages());
    Integer separators = 0;
    for (Integer i = 0; i < ToolBar->GetButtonCount(); ++i) {
        TToolButton* button = ToolBar->GetButtons(i);
        if (button->GetStyle() == tbsSeparator || button->GetStyle() == tbsDivider) {
            if (++separators == 2) break;
            auto* line = new TMenuItem(RightMenu);
            line->SetCaption("-");
            root->Add(line);
            continue;
        }
        if (!button->GetVisible() || button->GetStyle() == tbsCheck || button->GetHint().empty()) continue;
        auto* item = new TMenuItem(RightMenu);
        item->SetCaption(button->GetHint());
        item->OnClick = button->OnClick;
        item->SetImageIndex(button->GetImageIndex());
        if (auto* dropDown = dynamic_cast<TPopupMenu*>(button->GetDropdownMenu())) {
            TMenuItem* source = dropDown->GetItems();
            for (Integer j = 0; j < source->GetCount(); ++j) {
                TMenuItem* from = source->GetItem(j);
                auto* sub = new TMenuItem(RightMenu);
                sub->SetCaption(from->GetCaption());
                sub->SetTag(from->GetTag());
                sub->OnClick = from->OnClick;
                item->Add(sub);
            }
        }
        root->Add(item);
    }
}

// ---- State shown ---------------------------------------------------------------------------------

void TpvrPreviewForm::UpdateControls() {
    if (!FPreview) return;
    const bool running = FPreview->GetRunning();
    const bool pages = FPreview->PreviewPages && FPreview->PreviewPages->GetCount() > 0;
    const bool edit = Options() && Options()->AllowEdit;
    for (TToolButton* button : {PrintB, OpenB, SaveB, ExportB, PdfB, EmailB, FindB, PageSettingsB})
        EnableIf(button, !running && pages);
    for (TToolButton* button : {NewPageB, DelPageB, DesignerB})
        EnableIf(button, !running && edit);
    // A disabled button does not stay pressed.
    if (ToolBar)
        for (Integer i = 0; i < ToolBar->GetButtonCount(); ++i) {
            TToolButton* button = ToolBar->GetButtons(i);
            if (!button->GetEnabled() && button->GetDown()) button->SetDown(false);
        }
}

String TpvrPreviewForm::ZoomText() const { return IntToStr(Integer(Round(FPreview->GetZoom() * 100))) + "%"; }

void TpvrPreviewForm::SetStatusText(const String& text) {
    if (StatusBar && StatusBar->GetPanels()->GetCount() > 1)
        StatusBar->GetPanels()->GetItems(1)->SetText(text);
    Application->ProcessMessages();
}

void TpvrPreviewForm::PreviewPageChanged(TObject*, Integer pageNo) {
    TpvrCustomPreviewPages* pages = FPreview->PreviewPages;
    const Integer count = pages ? pages->GetCount() : 0;
    TpvrCustomEngine* engine = pages ? pages->Engine : nullptr;
    String text;
    if (engine && engine->Running && engine->GetDoublePass() && !engine->FinalPass)
        text = GetResources()->Get("clFirstPass") + " " + IntToStr(count);
    else
        text = Format(GetResources()->Get("clPageOf"), {pageNo, count});
    if (StatusBar && StatusBar->GetPanels()->GetCount() > 0)
        StatusBar->GetPanels()->GetItems(0)->SetText(text);
    if (PageE) PageE->SetText(IntToStr(pageNo));
}

void TpvrPreviewForm::PreviewUpdateControls() { UpdateControls(); }

void TpvrPreviewForm::PreviewZoomChanged() {
    if (ZoomCB) ZoomCB->SetText(ZoomText());
}

void TpvrPreviewForm::PreviewRunningChanged(bool running) {
    if (CancelB) CancelB->SetCaption(GetResources()->Get(running ? "clCancel" : "clClose"));
    if (!running && StatusBar && StatusBar->GetPanels()->GetCount() > 1)
        StatusBar->GetPanels()->GetItems(1)->SetText("");
    UpdateControls();
}

void TpvrPreviewForm::PreviewDblClick() {
    if (FFullScreen) SwitchFullScreen();
}

// ---- Commands ------------------------------------------------------------------------------------

void TpvrPreviewForm::PrintBClick(TObject*) {
    if (GetReportPrinters()->GetHasInstalledPrinters())
        FPreview->Print();
    else
        ShowErrorBox(GetResources()->Get("clNoPrinters"));
    SetEnabled(true);
}

void TpvrPreviewForm::OpenBClick(TObject*) { FPreview->Load(); }
void TpvrPreviewForm::SaveBClick(TObject*) { FPreview->Save(); }
void TpvrPreviewForm::FindBClick(TObject*) { FPreview->Find(); }
void TpvrPreviewForm::PageSettingsBClick(TObject*) { FPreview->PageSetup(); }
void TpvrPreviewForm::NewPageBClick(TObject*) { FPreview->AddPage(); }
void TpvrPreviewForm::DelPageBClick(TObject*) { FPreview->DeletePage(); }
void TpvrPreviewForm::DesignerBClick(TObject*) { FPreview->EditPage(); }
void TpvrPreviewForm::Showtemplate1Click(TObject*) { FPreview->EditTemplate(); }
void TpvrPreviewForm::FirstBClick(TObject*) { FPreview->First(); }
void TpvrPreviewForm::PriorBClick(TObject*) { FPreview->Prior(); }
void TpvrPreviewForm::NextBClick(TObject*) { FPreview->Next(); }
void TpvrPreviewForm::LastBClick(TObject*) { FPreview->Last(); }

void TpvrPreviewForm::DesignerBMouseUp(TObject*, TMouseButton button, TShiftState, Integer, Integer) {
    if (button != mbRight || !HiddenMenu || !DesignerB) return;
    const POINT corner = DesignerB->ClientToScreen(POINT{0, 0});
    HiddenMenu->Popup(corner.x, corner.y);
}

void TpvrPreviewForm::ZoomWholePageBClick(TObject*) {
    FPreview->SetZoomMode(zmWholePage);
    if (ZoomCB) ZoomCB->SetText(ZoomText());
}

void TpvrPreviewForm::ZoomPageWidthBClick(TObject*) {
    FPreview->SetZoomMode(zmPageWidth);
    if (ZoomCB) ZoomCB->SetText(ZoomText());
}

void TpvrPreviewForm::Zoom100BClick(TObject*) {
    FPreview->SetZoom(1);
    if (ZoomCB) ZoomCB->SetText(ZoomText());
}

void TpvrPreviewForm::Zoom50BClick(TObject*) {
    FPreview->SetZoomMode(zmManyPages);
    if (ZoomCB) ZoomCB->SetText(ZoomText());
}

void TpvrPreviewForm::ZoomCBClick(TObject*) {
    if (!ZoomCB) return;
    if (FPreview->CanFocus()) FPreview->SetFocus();
    const Integer index = ZoomCB->GetItemIndex();
    if (index == 6) {
        FPreview->SetZoomMode(zmPageWidth);
    } else if (index == 7) {
        FPreview->SetZoomMode(zmWholePage);
    } else {
        String text = ZoomCB->GetText();
        const std::size_t percent = text.find('%');
        if (percent != String::npos) text[percent] = ' ';
        text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
        if (!text.empty()) {
            // The preview keeps the zoom within its limits.
            FPreview->SetZoom(ParseFloatText(text) / 100);
        }
    }
    PostMessageA(GetHandle(), WM_PVR_UPDATEZOOM, 0, 0);
}

void TpvrPreviewForm::WMUpdateZoom(TMessage&) {
    if (ZoomCB) ZoomCB->SetText(ZoomText());
}

void TpvrPreviewForm::OutlineBClick(TObject*) {
    if (!OutlineB) return;
    FPreview->SetOutlineVisible(OutlineB->GetDown());
    FPreview->UpdatePages();
}

void TpvrPreviewForm::SelectToolBClick(TObject*) {
    if (HandToolB && HandToolB->GetDown())
        FPreview->SetTool(ptHand);
    else if (ZoomToolB && ZoomToolB->GetDown())
        FPreview->SetTool(ptZoom);
}

void TpvrPreviewForm::CancelBClick(TObject*) {
    if (FPreview->GetRunning())
        FPreview->Cancel();
    else
        Close();
}

void TpvrPreviewForm::FullScreenBtnClick(TObject*) { SwitchFullScreen(); }

void TpvrPreviewForm::SwitchFullScreen() {
    FFullScreen = !FFullScreen;
    if (FFullScreen) {
        if (StatusBar) StatusBar->SetVisible(false);
        if (ToolBar) ToolBar->SetVisible(false);
        FSavedBorderStyle = GetBorderStyle();
        FSavedWindowState = GetWindowState();
        SetBorderStyle(bsNone);
        SetWindowState(wsMaximized);
    } else {
        SetBorderStyle(FSavedBorderStyle);
        SetWindowState(FSavedWindowState);
        if (ToolBar) ToolBar->SetVisible(true);
        if (StatusBar) StatusBar->SetVisible(true);
    }
}

void TpvrPreviewForm::PdfBClick(TObject*) {
    if (FPdfFilter) ExportThrough(FPdfFilter);
}

void TpvrPreviewForm::EmailBClick(TObject*) {
    if (FEmailFilter) ExportThrough(FEmailFilter);
}

void TpvrPreviewForm::ExportItemClick(TObject* sender) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item) return;
    TpvrExportFilterCollection* filters = pvrExportFilters();
    const Integer index = item->GetTag();
    if (index < 0 || index >= filters->GetCount()) return;
    if (auto* filter = dynamic_cast<TpvrCustomExportFilter*>(filters->Items(index)->Filter))
        ExportThrough(filter);
}

void TpvrPreviewForm::ExportThrough(TpvrCustomExportFilter* filter) {
    FPreview->Export(filter);
    SetEnabled(true);
}

// ---- Keys, wheel, closing ------------------------------------------------------------------------

void TpvrPreviewForm::FormKeyDown(TObject*, Word& key, TShiftState) {
    switch (key) {
    case VK_ESCAPE:
        key = 0;
        CancelBClick(this);
        break;
    case VK_F11:
        key = 0;
        SwitchFullScreen();
        break;
    case VK_F1:
        key = 0;
        GetResources()->Help(this);
        break;
    default:
        break;
    }
}

void TpvrPreviewForm::FormKeyPress(TObject*, char32_t& key) {
    TWinControl* active = GetActiveControl();
    if (PageE && active == PageE) {
        if (key == '\r') {
            key = 0;
            FPreview->SetPageNo(StrToIntDef(PageE->GetText(), FPreview->GetPageNo()));
            if (FPreview->CanFocus()) FPreview->SetFocus();
        } else if (key >= ' ' && (key < '0' || key > '9')) {
            // The page number takes digits only.
            key = 0;
        }
    } else if (ZoomCB && active == ZoomCB && key == '\r') {
        key = 0;
        ZoomCBClick(ZoomCB);
    }
}

void TpvrPreviewForm::FormMouseWheel(TObject*, TShiftState shift, Integer wheelDelta, POINT, bool& handled) {
    FPreview->MouseWheelScroll(wheelDelta, false, shift.Contains(ssCtrl));
    handled = true;
}

void TpvrPreviewForm::FormCloseQuery(TObject*, bool& canClose) {
    // While pages are being prepared the close button stops the preparation instead.
    if (FPreview && FPreview->GetRunning()) {
        FPreview->Cancel();
        canClose = false;
    }
}

void TpvrPreviewForm::FormClose(TObject*, TCloseAction& action) {
    StopPendingRun();
    if (FreeOnClose) action = caFree;
}

void TpvrPreviewForm::StopPendingRun() {
    TpvrReport* report = FPreview ? FPreview->Report : nullptr;
    if (!report || report->PreviewForm != this) return;
    // The report's timer starts the preparation shown in this window (50 ms after showing it):
    // stopped, and without its handler, a tick still queued does nothing either.
    if (TTimer* timer = report->GetTimer()) {
        timer->SetEnabled(false);
        timer->SetOnTimer(TNotifyEvent());
    }
}

void TpvrPreviewForm::WMSysCommand(TMessage& message) {
    // Minimizing the window minimizes the program, unless it is a document of the main window.
    if ((message.WParam & 0xFFF0) == SC_MINIMIZE && GetFormStyle() != fsMDIChild) {
        Application->Minimize();
        message.Result = 0;
        return;
    }
    KOV_INHERITED(message);
}

void TpvrPreviewForm::WMActivateApp(TMessage& message) {
    KOV_INHERITED(message);
    // The program comes back when it is activated while minimized, with this window active.
    TForm* mainForm = Application->GetMainForm();
    if (message.WParam && mainForm && mainForm != this && mainForm->HandleAllocated() &&
        IsIconic(mainForm->GetHandle())) {
        Application->Restore();
        if (GetFormStyle() != fsMDIChild && HandleAllocated()) SetActiveWindow(GetHandle());
    }
}

KOV_PUBLISHED(TpvrPreviewForm) {
    Method("FormCreate", &TpvrPreviewForm::FormCreate);
    Method("FormClose", &TpvrPreviewForm::FormClose);
    Method("FormCloseQuery", &TpvrPreviewForm::FormCloseQuery);
    Method("FormKeyDown", &TpvrPreviewForm::FormKeyDown);
    Method("FormKeyPress", &TpvrPreviewForm::FormKeyPress);
    Method("FormMouseWheel", &TpvrPreviewForm::FormMouseWheel);
    Method("PrintBClick", &TpvrPreviewForm::PrintBClick);
    Method("OpenBClick", &TpvrPreviewForm::OpenBClick);
    Method("SaveBClick", &TpvrPreviewForm::SaveBClick);
    Method("FindBClick", &TpvrPreviewForm::FindBClick);
    Method("ZoomWholePageBClick", &TpvrPreviewForm::ZoomWholePageBClick);
    Method("ZoomPageWidthBClick", &TpvrPreviewForm::ZoomPageWidthBClick);
    Method("Zoom100BClick", &TpvrPreviewForm::Zoom100BClick);
    Method("Zoom50BClick", &TpvrPreviewForm::Zoom50BClick);
    Method("ZoomCBClick", &TpvrPreviewForm::ZoomCBClick);
    Method("FullScreenBtnClick", &TpvrPreviewForm::FullScreenBtnClick);
    Method("PageSettingsBClick", &TpvrPreviewForm::PageSettingsBClick);
    Method("OutlineBClick", &TpvrPreviewForm::OutlineBClick);
    Method("SelectToolBClick", &TpvrPreviewForm::SelectToolBClick);
    Method("NewPageBClick", &TpvrPreviewForm::NewPageBClick);
    Method("DelPageBClick", &TpvrPreviewForm::DelPageBClick);
    Method("DesignerBClick", &TpvrPreviewForm::DesignerBClick);
    Method("DesignerBMouseUp", &TpvrPreviewForm::DesignerBMouseUp);
    Method("FirstBClick", &TpvrPreviewForm::FirstBClick);
    Method("PriorBClick", &TpvrPreviewForm::PriorBClick);
    Method("NextBClick", &TpvrPreviewForm::NextBClick);
    Method("LastBClick", &TpvrPreviewForm::LastBClick);
    Method("CancelBClick", &TpvrPreviewForm::CancelBClick);
    Method("Showtemplate1Click", &TpvrPreviewForm::Showtemplate1Click);
    Method("PdfBClick", &TpvrPreviewForm::PdfBClick);
    Method("EmailBClick", &TpvrPreviewForm::EmailBClick);
}

namespace {
const bool kPreviewFormRegistered = [] {
    RegisterClasses({TpvrPreviewForm::StaticClass()});
    return true;
}();
} // namespace
