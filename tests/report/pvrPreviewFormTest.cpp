// The preview window: the tool bar and context menu the preview options choose, the zoom box,
// printing without a printer, closing and cancelling, the page counter, and the window opened
// by ShowReport over the channel list (with pictures for a person to look at).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Buttons.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "report/pvrClass.h"
#include "report/pvrDsgnIntf.h"
#include "report/pvrExportFilter.h"
#include "report/pvrPreview.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrinter.h"
#include "report/pvrRes.h"
#include "report/pvrSearchDialog.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

String Numbered(Integer id) { return GetResources()->GetNumbered(id); }

void SavePicture(TCustomForm* form, const std::string& name) {
    UpdateWindow(form->GetHandle());
    Application->ProcessMessages();
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(form->GetHandle(), s));
    testsupport::WritePng(testsupport::ArtifactPath(name), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
}

// Presses a key in the window that has the focus, through the message loop (which makes the
// character of the key).
void TypeKey(Word key) {
    HWND focus = GetFocus();
    ASSERT_NE(nullptr, focus);
    PostMessageA(focus, WM_KEYDOWN, key, 0);
    PostMessageA(focus, WM_KEYUP, key, 0);
    Application->ProcessMessages();
}

// Clicks a tool button with the mouse, as a person does (check buttons toggle then).
void MouseClick(TToolButton* button) {
    const RECT r = button->GetBoundsRect();
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    HWND bar = button->GetParent()->GetHandle();
    PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(bar, WM_LBUTTONUP, 0, at);
    Application->ProcessMessages();
}

// A report of `count` pages, each showing "P<n>", on a machine without printers.
class pvrPreviewFormTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        RegisterSysRTTI();
        FreeReportPrinters();
        Report.reset(new TpvrReport(nullptr));
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
    }
    void TearDown() override {
        Report.reset();
        FreeReportPrinters();
        TFormFixture::TearDown();
    }
    void Define(Integer count) {
        auto* page = new TpvrReportPage(Report.get());
        page->SetName("Page1");
        auto* band = new TpvrMasterData(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 10, 500, 20);
        band->SetRowCount(count);
        band->StartNewPage = true;
        auto* memo = new TpvrMemoView(band);
        memo->SetName("Memo1");
        memo->SetBounds(5, 0, 100, 20);
        memo->GetMemo()->SetText(u"P[Line]");
    }
    // The window ShowPreparedReport opens modeless over what the store holds.
    TpvrPreviewForm* OpenModeless(TpvrPreviewButtons buttons) {
        Report->GetPreviewOptions()->Buttons = buttons;
        Report->GetPreviewOptions()->Modal = false;
        Report->GetPreviewOptions()->Maximized = false;
        Report->ShowPreparedReport();
        auto* form = dynamic_cast<TpvrPreviewForm*>(Report->PreviewForm);
        if (form) App->ProcessMessages();
        return form;
    }
    static TpvrPreviewButtons AppButtons() {
        return TpvrPreviewButtons{pbPrint, pbZoom, pbNavigator, pbExportQuick};
    }

    std::unique_ptr<TpvrReport> Report;
};

// Notes the status texts the window shows while a preparation runs, and can press Esc at a
// chosen page.
struct TProgressWatch : TObject {
    Integer EscapeAtPage = 0;
    std::vector<String> Status;
    bool SawRunning = false;
    void Progress(TpvrReport* report, Integer, Integer page) {
        auto* form = dynamic_cast<TpvrPreviewForm*>(report->PreviewForm);
        if (!form) return;
        Status.push_back(form->StatusBar->GetPanels()->GetItems(0)->GetText());
        if (form->GetPreview()->GetRunning()) SawRunning = true;
        if (page == EscapeAtPage && GetFocus()) PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    }
};

// An export filter that counts the pages it is handed.
class TCountingExport : public TpvrCustomExportFilter {
    KOV_CLASS(TCountingExport, TpvrCustomExportFilter)
public:
    Integer ShowModal() override { return mrOk; }
    bool Start() override {
        ++Starts;
        return true;
    }
    void StartPage(TpvrReportPage*, Integer) override { ++Pages; }
    void ExportObject(TpvrComponent*) override {}
    void FinishPage(TpvrReportPage*, Integer) override {}
    void Finish() override {}
    Integer Starts = 0;
    Integer Pages = 0;
};

} // namespace

TEST_F(pvrPreviewFormTest, ButtonsSeparatorsAndContextMenuFollowTheOptions) {
    struct Case {
        const char* Name;
        TpvrPreviewButtons Buttons;
        std::vector<const char*> Visible;
        std::vector<const char*> Separators;
        std::vector<String> Menu;
    };
    const std::vector<const char*> all = {
        "PrintB",        "OpenB",          "SaveB",          "ExportB",   "PdfB",      "EmailB",
        "FindB",         "ZoomWholePageB", "ZoomPageWidthB", "Zoom100B",  "Zoom50B",   "Sep3",
        "FullScreenBtn", "PageSettingsB",  "OutlineB",       "HandToolB", "ZoomToolB", "NewPageB",
        "DelPageB",      "DesignerB",      "FirstB",         "PriorB",    "Sep4",      "NextB",
        "LastB",         "CancelB"};
    const Case cases[] = {
        {"application",
         AppButtons(),
         {"PrintB", "ZoomWholePageB", "ZoomPageWidthB", "Zoom100B", "Zoom50B", "Sep3", "FullScreenBtn",
          "FirstB", "PriorB", "Sep4", "NextB", "LastB", "CancelB"},
         {"Sep1", "Sep6"},
         {Numbered(102), "-", Numbered(112), Numbered(114), Numbered(116), Numbered(118), Numbered(150)}},
        // No export filter and no designer are registered: those buttons stay hidden.
        {"every button",
         TpvrPreviewButtons::FromMask(4095),
         {"PrintB",    "OpenB",     "SaveB",    "FindB",         "ZoomWholePageB", "ZoomPageWidthB",
          "Zoom100B",  "Zoom50B",   "Sep3",     "FullScreenBtn", "PageSettingsB",  "OutlineB",
          "HandToolB", "ZoomToolB", "NewPageB", "DelPageB",      "FirstB",         "PriorB",
          "Sep4",      "NextB",     "LastB",    "CancelB"},
         {"Sep1", "Sep2", "Sep5", "Sep7", "Sep6"},
         {Numbered(102), Numbered(104), Numbered(106), Numbered(110), "-", Numbered(112), Numbered(114),
          Numbered(116), Numbered(118), Numbered(150)}},
        {"none", TpvrPreviewButtons{}, {"CancelB"}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TpvrPreviewForm* form = OpenModeless(c.Buttons);
        ASSERT_NE(nullptr, form);
        EXPECT_EQ(form->GetPreview(), Report->Preview);
        for (const char* name : all) {
            auto* control = dynamic_cast<TControl*>(form->FindComponent(name));
            ASSERT_NE(nullptr, control) << name;
            const bool expected = std::find_if(c.Visible.begin(), c.Visible.end(), [&](const char* v) {
                                      return String(v) == name;
                                  }) != c.Visible.end();
            EXPECT_EQ(expected, control->GetVisible()) << name;
        }
        for (const char* name : {"Sep1", "Sep2", "Sep5", "Sep7", "Sep6"}) {
            const bool kept = std::find_if(c.Separators.begin(), c.Separators.end(), [&](const char* v) {
                                  return String(v) == name;
                              }) != c.Separators.end();
            EXPECT_EQ(kept, form->FindComponent(name) != nullptr) << name;
        }
        std::vector<String> menu;
        TMenuItem* items = form->RightMenu->GetItems();
        for (Integer i = 0; i < items->GetCount(); ++i)
            menu.push_back(items->GetItem(i)->GetCaption());
        EXPECT_EQ(c.Menu, menu);
        EXPECT_EQ(form->RightMenu, form->GetPopupMenu());
        form->Close();
        App->ProcessMessages();
        EXPECT_EQ(nullptr, Report->PreviewForm);
        EXPECT_EQ(nullptr, Report->Preview);
    }
}

TEST_F(pvrPreviewFormTest, ContextMenuItemsRunTheButtonsCommands) {
    Define(3);
    ASSERT_TRUE(Report->PrepareReport());
    TpvrPreviewForm* form = OpenModeless(AppButtons());
    ASSERT_NE(nullptr, form);
    TMenuItem* items = form->RightMenu->GetItems();
    ASSERT_EQ(7, items->GetCount());
    EXPECT_EQ(form->ZoomWholePageB->GetImageIndex(), items->GetItem(2)->GetImageIndex());
    items->GetItem(2)->Click();
    EXPECT_EQ(zmWholePage, form->GetPreview()->GetZoomMode());
    EXPECT_EQ(form->ZoomText(), form->ZoomCB->GetText());
    items->GetItem(4)->Click();
    EXPECT_EQ(zmDefault, form->GetPreview()->GetZoomMode());
    EXPECT_EQ(1.0L, form->GetPreview()->GetZoom());
    EXPECT_EQ("100%", form->ZoomCB->GetText());
    delete form;
    EXPECT_EQ(nullptr, Report->PreviewForm);
}

TEST_F(pvrPreviewFormTest, ARegisteredExportFilterGetsTheExportMenuAndExportsThePages) {
    Define(3);
    ASSERT_TRUE(Report->PrepareReport());
    TCountingExport filter;
    auto* registration = static_cast<TpvrExportFilterItem*>(pvrExportFilters()->Add());
    registration->Filter = &filter;
    // The registry is the process's: the filter leaves it whatever happens here.
    const std::unique_ptr<TpvrExportFilterItem> unregister(registration);
    const Integer index = registration->GetIndex();
    TpvrPreviewButtons buttons = AppButtons();
    buttons.Include(pbExport);
    TpvrPreviewForm* form = OpenModeless(buttons);
    ASSERT_NE(nullptr, form);
    EXPECT_TRUE(form->ExportB->GetVisible());
    EXPECT_FALSE(form->PdfB->GetVisible());
    TMenuItem* exports = form->ExportPopup->GetItems();
    ASSERT_EQ(1, exports->GetCount());
    EXPECT_EQ("TCountingExport...", exports->GetItem(0)->GetCaption());
    EXPECT_EQ(index, exports->GetItem(0)->GetTag());

    // The context menu repeats the drop-down button with its items.
    TMenuItem* menu = form->RightMenu->GetItems();
    ASSERT_GE(menu->GetCount(), 2);
    EXPECT_EQ(Numbered(108), menu->GetItem(1)->GetCaption());
    ASSERT_EQ(1, menu->GetItem(1)->GetCount());
    menu->GetItem(1)->GetItem(0)->Click();
    EXPECT_EQ(1, filter.Starts);
    EXPECT_EQ(3, filter.Pages);
    EXPECT_TRUE(form->GetEnabled());
    delete form;
}

TEST_F(pvrPreviewFormTest, ZoomBoxTakesTypedPercentagesAndItsNamedEntries) {
    Define(2);
    ASSERT_TRUE(Report->PrepareReport());
    TpvrPreviewForm* form = OpenModeless(AppButtons());
    ASSERT_NE(nullptr, form);
    TpvrPreview* preview = form->GetPreview();
    EXPECT_EQ(100, form->ZoomCB->GetListWidth());
    EXPECT_EQ(8, form->ZoomCB->GetItems()->GetCount());
    EXPECT_EQ(GetResources()->Get("zmWholePage"), form->ZoomCB->GetItems()->GetStrings(7));

    // Typed and confirmed with Enter; the box then shows the zoom the preview took.
    form->ZoomCB->SetFocus();
    form->ZoomCB->SetText("150 %");
    TypeKey(VK_RETURN);
    EXPECT_EQ(1.5L, preview->GetZoom());
    EXPECT_EQ("150%", form->ZoomCB->GetText());
    EXPECT_EQ(preview, form->GetActiveControl());

    // An empty text leaves the zoom as it is; a small one stops at a quarter.
    form->ZoomCB->SetText("");
    form->ZoomCBClick(form->ZoomCB);
    EXPECT_EQ(1.5L, preview->GetZoom());
    App->ProcessMessages();
    EXPECT_EQ("150%", form->ZoomCB->GetText());
    form->ZoomCB->SetText("10%");
    form->ZoomCBClick(form->ZoomCB);
    EXPECT_EQ(0.25L, preview->GetZoom());

    // A zoom too large to lay pages out at stops at 100 times.
    form->ZoomCB->SetText("100000000000 %");
    form->ZoomCBClick(form->ZoomCB);
    EXPECT_EQ(100.0L, preview->GetZoom());
    UpdateWindow(form->GetHandle());
    preview->Last();

    // The last two entries choose page width and whole page.
    form->ZoomCB->SetItemIndex(7);
    form->ZoomCBClick(form->ZoomCB);
    EXPECT_EQ(zmWholePage, preview->GetZoomMode());
    App->ProcessMessages();
    EXPECT_EQ(form->ZoomText(), form->ZoomCB->GetText());
    form->ZoomCB->SetItemIndex(6);
    form->ZoomCBClick(form->ZoomCB);
    EXPECT_EQ(zmPageWidth, preview->GetZoomMode());
    delete form;
}

TEST_F(pvrPreviewFormTest, ZoomListOpensUpwardsNearTheScreenBottom) {
    TpvrPreviewForm* form = OpenModeless(AppButtons());
    ASSERT_NE(nullptr, form);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    form->SetBounds(20, screenHeight - 90, 803, 300);
    App->ProcessMessages();
    TpvrComboBox* box = form->ZoomCB;
    box->SetDroppedDown(true);
    ASSERT_TRUE(box->GetDroppedDown());
    RECT list{}, field{};
    GetWindowRect(box->GetListHandle(), &list);
    GetWindowRect(box->GetHandle(), &field);
    EXPECT_EQ(49, field.right - field.left);
    EXPECT_EQ(100, list.right - list.left);
    EXPECT_TRUE(box->GetDroppingUp());
    EXPECT_LE(list.bottom, field.top);
    box->SetDroppedDown(false);
    delete form;
}

TEST_F(pvrPreviewFormTest, PageNumberTakesDigitsAndEnterGoesThere) {
    Define(5);
    ASSERT_TRUE(Report->PrepareReport());
    TpvrPreviewForm* form = OpenModeless(AppButtons());
    ASSERT_NE(nullptr, form);
    EXPECT_EQ(Format(GetResources()->Get("clPageOf"), {1, 5}),
              form->StatusBar->GetPanels()->GetItems(0)->GetText());
    form->PageE->SetFocus();
    form->PageE->SetText("");
    TypeKey('4');
    TypeKey('X');
    EXPECT_EQ("4", form->PageE->GetText());
    TypeKey(VK_RETURN);
    EXPECT_EQ(4, form->GetPreview()->GetPageNo());
    EXPECT_EQ(Format(GetResources()->Get("clPageOf"), {4, 5}),
              form->StatusBar->GetPanels()->GetItems(0)->GetText());
    form->NextBClick(nullptr);
    EXPECT_EQ("5", form->PageE->GetText());
    // A number past the last page stops at the last.
    form->PageE->SetFocus();
    form->PageE->SetText("99");
    TypeKey(VK_RETURN);
    EXPECT_EQ(5, form->GetPreview()->GetPageNo());
    delete form;
}

TEST_F(pvrPreviewFormTest, PrintWithOnlyTheVirtualPrinterSaysSoAndPrintsNothing) {
    Define(2);
    ASSERT_TRUE(Report->PrepareReport());
    ASSERT_FALSE(GetReportPrinters()->GetHasInstalledPrinters());
    TpvrPreviewForm* form = OpenModeless(AppButtons());
    ASSERT_NE(nullptr, form);
    EXPECT_TRUE(form->PrintB->GetEnabled());
    // No print dialog may open: the modal script has no step for one.
    testsupport::TScopedModalScript modal;
    TScopedPromptScript prompts({IDOK});
    form->PrintB->Click();
    const std::vector<TPromptRecord> shown = prompts.Prompts();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(GetResources()->Get("clNoPrinters"), shown[0].Text);
    EXPECT_EQ(GetResources()->Get("mbError"), shown[0].Caption);
    EXPECT_TRUE(modal.Shown().empty());
    EXPECT_TRUE(form->GetEnabled());
    delete form;
}

TEST_F(pvrPreviewFormTest, ShowReportPreparesInsideTheModalWindowAndEscapeClosesIt) {
    Define(30);
    TProgressWatch watch;
    Report->OnProgress = MakeEvent(&watch, &TProgressWatch::Progress);
    Report->GetPreviewOptions()->Buttons = AppButtons();
    testsupport::TScopedModalScript modal;
    modal.Add<TpvrPreviewForm>("pvrPreviewForm", [&](TpvrPreviewForm& form) {
        // The window is open before the first page; the timer starts the preparation.
        EXPECT_EQ(0, Report->GetPreviewPages()->GetCount());
        EXPECT_EQ(wsMaximized, form.GetWindowState());
        EXPECT_EQ(poDesigned, form.GetPosition());
        ClockAdvanceMs(50);
        App->ProcessMessages();
        EXPECT_EQ(30, Report->GetPreviewPages()->GetCount());
        EXPECT_FALSE(form.GetPreview()->GetRunning());
        EXPECT_EQ(GetResources()->Get("clClose"), form.CancelB->GetCaption());
        EXPECT_TRUE(form.PrintB->GetEnabled());
        EXPECT_EQ(Format(GetResources()->Get("clPageOf"), {1, 30}),
                  form.StatusBar->GetPanels()->GetItems(0)->GetText());
        TypeKey(VK_ESCAPE);
    });
    Report->ShowReport();
    EXPECT_EQ(std::vector<String>{"pvrPreviewForm"}, modal.Shown());
    EXPECT_TRUE(watch.SawRunning);
    EXPECT_FALSE(Report->Terminated);
    EXPECT_EQ(nullptr, Report->PreviewForm);
    EXPECT_EQ(nullptr, Report->Preview);
}

TEST_F(pvrPreviewFormTest, EscapeDuringThePreparationCancelsIt) {
    Define(30);
    TProgressWatch watch;
    watch.EscapeAtPage = 3;
    Report->OnProgress = MakeEvent(&watch, &TProgressWatch::Progress);
    testsupport::TScopedModalScript modal;
    bool closeRefused = false;
    modal.Add<TpvrPreviewForm>(
        "pvrPreviewForm",
        [&](TpvrPreviewForm& form) {
            ClockAdvanceMs(50);
            // The run stopped at the key, and the stopped run closed the window.
            App->ProcessMessages();
            closeRefused = true;
        },
        testsupport::TScopedModalScript::MayStayOpen);
    Report->ShowReport();
    EXPECT_TRUE(closeRefused);
    EXPECT_TRUE(Report->Terminated);
    EXPECT_LT(Report->GetPreviewPages()->GetCount(), 30);
    EXPECT_GE(Report->GetPreviewPages()->GetCount(), 3);
    EXPECT_EQ(nullptr, Report->PreviewForm);
}

TEST_F(pvrPreviewFormTest, ClosingWhilePreparingIsRefusedAndStopsTheRun) {
    Define(30);
    struct TCloser : TObject {
        bool Refused = false;
        bool PrintEnabled = true;
        String Caption;
        void Progress(TpvrReport* report, Integer, Integer page) {
            auto* form = dynamic_cast<TpvrPreviewForm*>(report->PreviewForm);
            if (!form || page != 2) return;
            Caption = form->CancelB->GetCaption();
            PrintEnabled = form->PrintB->GetEnabled();
            Refused = !form->CloseQuery();
        }
    } closer;
    Report->OnProgress = MakeEvent(&closer, &TCloser::Progress);
    testsupport::TScopedModalScript modal;
    modal.Add<TpvrPreviewForm>(
        "pvrPreviewForm",
        [&](TpvrPreviewForm&) {
            ClockAdvanceMs(50);
            App->ProcessMessages();
        },
        testsupport::TScopedModalScript::MayStayOpen);
    Report->ShowReport();
    EXPECT_TRUE(closer.Refused);
    EXPECT_FALSE(closer.PrintEnabled);
    EXPECT_EQ(GetResources()->Get("clCancel"), closer.Caption);
    EXPECT_TRUE(Report->Terminated);
}

TEST_F(pvrPreviewFormTest, FirstPassOfADoublePassRunShowsItsRunningCount) {
    Define(12);
    Report->GetEngineOptions()->DoublePass = true;
    TProgressWatch watch;
    Report->OnProgress = MakeEvent(&watch, &TProgressWatch::Progress);
    testsupport::TScopedModalScript modal;
    String after;
    modal.Add<TpvrPreviewForm>("pvrPreviewForm", [&](TpvrPreviewForm& form) {
        ClockAdvanceMs(50);
        App->ProcessMessages();
        after = form.StatusBar->GetPanels()->GetItems(0)->GetText();
        form.Close();
    });
    Report->ShowReport();
    const String firstPass = GetResources()->Get("clFirstPass") + " ";
    const bool shown = std::any_of(watch.Status.begin(), watch.Status.end(),
                                   [&](const String& text) { return text.rfind(firstPass, 0) == 0; });
    EXPECT_TRUE(shown) << testing::PrintToString(watch.Status);
    EXPECT_EQ(Format(GetResources()->Get("clPageOf"), {1, 12}), after);
}

// A window closed before the timer's first tick (50 ms after ShowReport) leaves no preparation
// behind: the timer is stopped with the window, and a tick already on its way does nothing.
TEST_F(pvrPreviewFormTest, AWindowClosedBeforeTheFirstTickPreparesNothing) {
    struct TCounter : TObject {
        Integer Runs = 0;
        void BeginDoc(TObject*) { ++Runs; }
    };
    for (const bool modalWindow : {true, false}) {
        SCOPED_TRACE(modalWindow ? "modal" : "modeless");
        Report.reset(new TpvrReport(nullptr));
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        Define(3);
        TCounter counter;
        Report->OnBeginDoc = MakeEvent(&counter, &TCounter::BeginDoc);
        Report->GetPreviewOptions()->Modal = modalWindow;
        Report->GetPreviewOptions()->Maximized = false;
        testsupport::TScopedModalScript modal;
        if (modalWindow)
            modal.Add<TpvrPreviewForm>("pvrPreviewForm", [&](TpvrPreviewForm& form) {
                ClockAdvanceMs(20);
                App->ProcessMessages();
                form.Close();
            });
        Report->ShowReport();
        if (!modalWindow) {
            ASSERT_NE(nullptr, Report->PreviewForm);
            ClockAdvanceMs(20);
            App->ProcessMessages();
            dynamic_cast<TpvrPreviewForm*>(Report->PreviewForm)->Close();
            App->ProcessMessages();
        }
        EXPECT_EQ(nullptr, Report->PreviewForm);
        EXPECT_FALSE(Report->GetTimer()->GetEnabled());
        ClockAdvanceMs(100);
        App->ProcessMessages();
        Report->GetTimer()->GetOnTimer()(Report->GetTimer());
        EXPECT_EQ(0, counter.Runs);
        EXPECT_EQ(0, Report->GetPreviewPages()->GetCount());
    }
}

// A frame holding documents, made the program's main window.
class TPreviewTestFrame : public TForm {
    KOV_CLASS(TPreviewTestFrame, TForm)
public:
    explicit TPreviewTestFrame(TComponent* owner) : TForm(owner, TCreateNew{}) {
        SetFormStyle(fsMDIForm);
        SetBounds(0, 0, 900, 640);
    }
};

// With MDIChild the window is a document of the main window, modal or not asked (a document is
// never modal): ShowPreparedReport returns with it open, and closing it frees it.
TEST_F(pvrPreviewFormTest, AnMdiChildPreviewIsADocumentOfTheFrameAndClosingFreesIt) {
    TPreviewTestFrame* frame = nullptr;
    App->CreateForm(frame);
    ASSERT_EQ(App->GetMainForm(), frame);
    frame->Show();
    Define(2);
    ASSERT_TRUE(Report->PrepareReport());
    for (const bool modalWindow : {true, false}) {
        SCOPED_TRACE(modalWindow ? "modal" : "modeless");
        Report->GetPreviewOptions()->MDIChild = true;
        Report->GetPreviewOptions()->Modal = modalWindow;
        Report->GetPreviewOptions()->Buttons = AppButtons();
        testsupport::TScopedModalScript modal; // no window may be shown modally
        Report->ShowPreparedReport();
        auto* form = dynamic_cast<TpvrPreviewForm*>(Report->PreviewForm);
        ASSERT_NE(nullptr, form);
        App->ProcessMessages();
        EXPECT_EQ(fsMDIChild, form->GetFormStyle());
        EXPECT_EQ(1, frame->GetMDIChildCount());
        EXPECT_EQ(form, frame->GetActiveMDIChild());
        EXPECT_EQ(frame->GetClientHandle(), GetParent(form->GetHandle()));
        EXPECT_EQ(form->GetPreview(), Report->Preview);
        EXPECT_EQ(2, form->GetPreview()->GetAllPages());
        TLivenessToken alive = form->LivenessToken();
        form->Close();
        App->ProcessMessages();
        EXPECT_FALSE(alive);
        EXPECT_EQ(0, frame->GetMDIChildCount());
        EXPECT_EQ(nullptr, Report->PreviewForm);
        EXPECT_EQ(nullptr, Report->Preview);
        EXPECT_TRUE(modal.Shown().empty());
    }
}

TEST_F(pvrPreviewFormTest, OutlineAndToolButtonsReachThePreview) {
    Define(2);
    ASSERT_TRUE(Report->PrepareReport());
    Report->GetPreviewOptions()->OutlineVisible = true;
    TpvrPreviewForm* form = OpenModeless(TpvrPreviewButtons::FromMask(4095));
    ASSERT_NE(nullptr, form);
    TpvrPreview* preview = form->GetPreview();
    EXPECT_TRUE(form->OutlineB->GetDown());
    MouseClick(form->OutlineB);
    EXPECT_FALSE(form->OutlineB->GetDown());
    EXPECT_FALSE(preview->GetOutlineVisible());
    MouseClick(form->OutlineB);
    EXPECT_TRUE(preview->GetOutlineVisible());

    EXPECT_TRUE(form->HandToolB->GetDown());
    MouseClick(form->ZoomToolB);
    EXPECT_FALSE(form->HandToolB->GetDown());
    EXPECT_EQ(ptZoom, preview->GetTool());
    MouseClick(form->HandToolB);
    EXPECT_EQ(ptHand, preview->GetTool());
    delete form;
}

TEST_F(pvrPreviewFormTest, MinimizingTheWindowMinimizesTheProgram) {
    struct TCounter : TObject {
        Integer Count = 0;
        void Minimized(TObject*) { ++Count; }
    } counter;
    App->OnMinimize = MakeEvent(&counter, &TCounter::Minimized);
    TpvrPreviewForm* form = OpenModeless(AppButtons());
    ASSERT_NE(nullptr, form);
    SendMessageA(form->GetHandle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(1, counter.Count);
    EXPECT_FALSE(IsIconic(form->GetHandle()));
    delete form;
    App->OnMinimize = nullptr;
}

TEST_F(pvrPreviewFormTest, FullScreenHidesTheBarsAndComesBack) {
    TpvrPreviewForm* form = OpenModeless(AppButtons());
    ASSERT_NE(nullptr, form);
    form->FullScreenBtn->Click();
    EXPECT_TRUE(form->GetFullScreen());
    EXPECT_FALSE(form->ToolBar->GetVisible());
    EXPECT_FALSE(form->StatusBar->GetVisible());
    EXPECT_EQ(bsNone, form->GetBorderStyle());
    EXPECT_EQ(wsMaximized, form->GetWindowState());
    // F11 leaves it.
    form->SetFocus();
    form->GetPreview()->SetFocus();
    TypeKey(VK_F11);
    EXPECT_FALSE(form->GetFullScreen());
    EXPECT_TRUE(form->ToolBar->GetVisible());
    EXPECT_TRUE(form->StatusBar->GetVisible());
    EXPECT_EQ(bsSizeable, form->GetBorderStyle());
    EXPECT_EQ(wsNormal, form->GetWindowState());
    delete form;
}

// The application's printout: the channel list definition over its record set, shown by
// ShowReport in the modal window; pictures at 100 %, whole page, and with a search hit.
TEST_F(pvrPreviewFormTest, TheChannelListInThePreviewWindow) {
    ClockSetLocalMicros(Int64(1772600767) * 1000000);
    std::unique_ptr<TDataModule> module(new TDataModule(nullptr, TCreateNew{}));
    ReadComponentText(testsupport::ReadFileBytes(testsupport::FixturePath("report/PrintData.form")),
                      module.get());
    auto* ado = dynamic_cast<TMemDataSet*>(module->FindComponent("myAdo"));
    auto* report = dynamic_cast<TpvrReport*>(module->FindComponent("pvrReport"));
    ASSERT_TRUE(ado && report);
    ado->CreateDataSet();
    for (Integer n = 1; n <= 60; ++n) {
        ado->Append();
        ado->FieldByName("TypeID")->SetAsVariant(Variant(Integer(n <= 15 ? 1 : 2)));
        ado->FieldByName("TypeName")->SetAsVariant(Variant(String(n <= 15 ? "Settings" : "Channels")));
        ado->FieldByName("AField")->SetAsVariant(Variant(String("Channel ") + IntToStr(n)));
        ado->FieldByName("AValue")->SetAsVariant(Variant(IntToStr(n * 125)));
        ado->FieldByName("BField")->SetAsVariant(Variant(String("Tone")));
        ado->FieldByName("BValue")->SetAsVariant(Variant(String("off")));
        ado->Post();
    }
    ado->First();
    ASSERT_TRUE(report->LoadFromFile(testsupport::FixturePath("report/ChannelList.xml")));
    report->GetEngineOptions()->SetNewSilentMode(simSilent);
    report->GetPreviewOptions()->Buttons = AppButtons();

    testsupport::TScopedModalScript modal;
    Integer pages = 0;
    modal.Add<TpvrPreviewForm>("pvrPreviewForm", [&](TpvrPreviewForm& form) {
        ClockAdvanceMs(50);
        App->ProcessMessages();
        pages = report->GetPreviewPages()->GetCount();
        // Not maximized on a display of unknown size: a picture of the designed client size.
        form.SetWindowState(wsNormal);
        form.SetClientWidth(803);
        form.SetClientHeight(584);
        App->ProcessMessages();
        SavePicture(&form, "pvrPreviewForm-100.png");
        form.ZoomWholePageB->Click();
        SavePicture(&form, "pvrPreviewForm-whole-page.png");
        form.Zoom100B->Click();
        // Searching is not on the application's tool bar; the preview still finds.
        modal.Add<TpvrSearchDialog>("pvrSearchDialog", [](TpvrSearchDialog& d) {
            d.TextE->SetText("Channel 7");
            d.TopCB->SetChecked(true);
            d.OkB->Click();
        });
        form.GetPreview()->Find();
        EXPECT_TRUE(form.GetPreview()->GetFindActive());
        SavePicture(&form, "pvrPreviewForm-search.png");
        form.CancelB->Click();
    });
    report->ShowReport();
    EXPECT_GT(pages, 1);
    EXPECT_EQ((std::vector<String>{"pvrPreviewForm", "pvrSearchDialog"}), modal.Shown());
    EXPECT_EQ(nullptr, report->PreviewForm);
}

TEST_F(pvrPreviewFormTest, AModelessWindowOutlivingItsReportClosesCleanly) {
    Define(2);
    ASSERT_TRUE(Report->PrepareReport());
    TpvrPreviewForm* form = OpenModeless(AppButtons());
    ASSERT_NE(nullptr, form);
    TLivenessToken alive = form->LivenessToken();
    Report.reset();
    EXPECT_EQ(nullptr, form->GetPreview()->Report);
    form->UpdateControls();
    form->Close();
    App->ProcessMessages();
    EXPECT_FALSE(alive);
}
