#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrCustomPreview.h"
#include "report/pvrEngine.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrRes.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
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
    EXPECT_EQ(Report->GetErrors()->GetStrings(0), Format(GetResources()->Get("clDSNotExist"), {"NoSuchData"}));
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

} // namespace
