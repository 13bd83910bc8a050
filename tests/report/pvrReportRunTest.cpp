#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrCustomPreview.h"
#include "report/pvrDialogForm.h"
#include "report/pvrEngine.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrRes.h"
#include "script/kq_iinterpreter.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestSupport.h"

namespace {

// Writes down what the report tells it, with the page count the store had at each call.
class TRecordingPreview : public TpvrCustomPreview {
public:
    using TpvrCustomPreview::TpvrCustomPreview;
    void Init() override { Log.push_back("Init " + IntToStr(PreviewPages->GetCount())); }
    void Lock() override { Log.push_back("Lock"); }
    void Unlock() override { Log.push_back("Unlock"); }
    void PreparationStarted() override { Log.push_back("Started"); }
    void PreparationProgress(Integer pageIndex) override { Log.push_back("Progress " + IntToStr(pageIndex)); }
    void PreparationStopped() override { Log.push_back("Stopped " + IntToStr(PreviewPages->GetCount())); }
    std::vector<String> Log;
};

// A dialog control around a class-library button: a dialog page is shown only when it holds one.
class TRunButtonControl : public TpvrDialogControl {
    KOV_CLASS(TRunButtonControl, TpvrDialogControl)
public:
    explicit TRunButtonControl(TComponent* owner) : TpvrDialogControl(owner) {
        SetControl(new TButton(nullptr));
    }
};

class pvrReportRunTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        RegisterSysRTTI();
        Report.reset(new TpvrReport(nullptr));
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        auto* page = new TpvrReportPage(Report.get());
        page->SetName("Page1");
        auto* band = new TpvrMasterData(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 10, 500, 20);
        band->SetRowCount(2);
        auto* memo = new TpvrMemoView(band);
        memo->SetName("Memo1");
        memo->SetBounds(5, 0, 100, 20);
        memo->GetMemo()->SetText(u"[Line]");
    }
    void TearDown() override {
        Report.reset();
        TFormFixture::TearDown();
    }
    TpvrMemoView* Memo() { return dynamic_cast<TpvrMemoView*>(Report->FindObject("Memo1")); }

public:
    // The band's event comes before its views save their bounds, so the move outlives the band.
    void MoveMemo(TpvrComponent* sender) {
        if (sender->GetName() == "MasterData1") Memo()->SetLeft(77);
    }
    void FailTwice(TpvrComponent* sender) {
        if (sender->GetName() == "Memo1") Report->Calc("1 +");
    }

protected:
    std::unique_ptr<TpvrReport> Report;
};

TEST_F(pvrReportRunTest, AMissingDataSourceIsReportedAndNothingRuns) {
    Report->GetDataSets()->Add()->SetDataSetName("NoSuchData");
    bool began = false;
    struct Flag : TObject {
        bool* Value;
        void Set(TObject*) { *Value = true; }
    } flag;
    flag.Value = &began;
    Report->OnBeginDoc = MakeEvent(&flag, &Flag::Set);
    EXPECT_FALSE(Report->PrepareReport());
    EXPECT_FALSE(began);
    ASSERT_EQ(Report->GetErrors()->GetCount(), 1);
    EXPECT_EQ(Report->GetErrors()->GetStrings(0),
              Format(GetResources()->Get("clDSNotExist"), {"NoSuchData"}));
    EXPECT_EQ(Report->GetPreviewPages()->GetCount(), 0);
}

TEST_F(pvrReportRunTest, TheDefinitionComesBackAfterTheRunUnlessReloadIsOff) {
    Report->OnBeforePrint = MakeEvent(this, &pvrReportRunTest::MoveMemo);
    for (bool reload : {true, false}) {
        SCOPED_TRACE(reload);
        Memo()->SetLeft(5);
        Report->GetEngineOptions()->ReloadAfterRun = reload;
        ASSERT_TRUE(Report->PrepareReport());
        ASSERT_EQ(Report->GetPreviewPages()->GetCount(), 1);
        EXPECT_DOUBLE_EQ(double(Memo()->GetLeft()), reload ? 5.0 : 77.0);
        TpvrReportPage* page = Report->GetPreviewPages()->GetPage(0);
        EXPECT_DOUBLE_EQ(double(page->FindObject("Memo1")->GetLeft()), 77.0);
    }
}

TEST_F(pvrReportRunTest, AnErrorRaisedTwiceIsListedOnceAndReThrowRaisesTheReport) {
    Report->OnBeforePrint = MakeEvent(this, &pvrReportRunTest::FailTwice);
    EXPECT_FALSE(Report->PrepareReport());
    EXPECT_EQ(Report->GetErrors()->GetCount(), 1);
    Report->GetEngineOptions()->SetNewSilentMode(simReThrow);
    try {
        Report->PrepareReport();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message.rfind(GetResources()->Get("clErrors") + "\n", 0), 0u) << e.Message;
    }
}

TEST_F(pvrReportRunTest, ShowReportPreparesOnTheTimerTickIntoTheAttachedPreview) {
    auto* preview = new TRecordingPreview(Form);
    Report->Preview = preview;
    Report->ShowReport();
    EXPECT_EQ(preview->Log, (std::vector<String>{"Init 0"}));
    ClockAdvanceMs(49);
    App->ProcessMessages();
    EXPECT_EQ(preview->Log.size(), 1u);
    ClockAdvanceMs(1);
    App->ProcessMessages();
    EXPECT_EQ(preview->Log, (std::vector<String>{"Init 0", "Started", "Progress 0", "Stopped 1"}));
    EXPECT_EQ(preview->Report, Report.get());
    Report->Preview = nullptr;
}

// The dialog page's form runs the page's script procedures while the report runs, and takes back
// what the script changed in its arguments; outside a run the same events run nothing.
TEST_F(pvrReportRunTest, TheDialogPagesFormEventsRunItsScriptProceduresDuringTheRun) {
    auto* dialog = new TpvrDialogPage(Report.get());
    dialog->SetName("DialogPage1");
    new TRunButtonControl(dialog);
    dialog->OnShow = "DialogShow";
    dialog->OnResize = "DialogResize";
    dialog->OnKeyDown = "DialogKeyDown";
    dialog->OnKeyPress = "DialogKeyPress";
    dialog->OnCloseQuery = "DialogCloseQuery";
    Report->GetScriptText()->SetText(
        "var Log: String; Closes: Integer;\r\n"
        "procedure DialogShow(Sender: TObject);\r\nbegin Log := Log + 'S' end;\r\n"
        "procedure DialogResize(Sender: TObject);\r\nbegin Log := Log + 'R' end;\r\n"
        "procedure DialogKeyDown(Sender: TObject; var Key: Integer; Shift: Integer);\r\n"
        "begin Key := Key * 10 + Shift end;\r\n"
        "procedure DialogKeyPress(Sender: TObject; var Key: String);\r\n"
        "begin if Key = 'x' then Key := '' else Key := 'qz' end;\r\n"
        "procedure DialogCloseQuery(Sender: TObject; var CanClose: Boolean);\r\n"
        "begin CanClose := Closes > 0; Closes := Closes + 1; Log := Log + 'Q' end;\r\n"
        "begin end.");
    struct TSeen {
        Word Down = 0;
        char32_t Press = 0;
        char32_t Cleared = 1;
        bool OpenAfterFirstClose = false;
    } seen;
    {
        testsupport::TScopedModalScript modal;
        modal.Add("TpvrDialogForm", [&](TCustomForm& shown) {
            shown.SetWidth(shown.GetWidth() + 40);
            seen.Down = 7;
            shown.OnKeyDown(&shown, seen.Down, TShiftState{ssShift, ssCtrl});
            seen.Press = U'a';
            shown.OnKeyPress(&shown, seen.Press);
            seen.Cleared = U'x';
            shown.OnKeyPress(&shown, seen.Cleared);
            // The script refuses to close the first time; the modal loop asks again when it ends.
            seen.OpenAfterFirstClose = !shown.CloseQuery();
            shown.SetModalResult(mrOk);
        });
        ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
        EXPECT_EQ(modal.Shown().size(), 1u);
    }
    EXPECT_EQ(seen.Down, 7 * 10 + (1 | 4));
    EXPECT_EQ(seen.Press, U'q'); // the first character of the text comes back
    EXPECT_EQ(seen.Cleared, char32_t(0));
    EXPECT_TRUE(seen.OpenAfterFirstClose);
    // Shown first, resized (once or more as the window settles), asked twice to close.
    const String log = Report->GetScript()->FindLocal("Log")->GetValue().AsString();
    EXPECT_EQ(log.front(), 'S') << log;
    EXPECT_NE(log.find('R'), String::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 2), "QQ") << log;

    // The snapshot brought back a new page; its form, shown outside a run, runs nothing.
    dialog = dynamic_cast<TpvrDialogPage*>(Report->FindObject("DialogPage1"));
    ASSERT_NE(dialog, nullptr);
    dialog->SetupForm();
    TpvrDialogForm* form = dialog->GetForm();
    Word key = 7;
    form->OnKeyDown(form, key, TShiftState{});
    EXPECT_EQ(key, 7);
    EXPECT_EQ(Report->GetScript()->FindLocal("Log")->GetValue().AsString(), log);
}

} // namespace
