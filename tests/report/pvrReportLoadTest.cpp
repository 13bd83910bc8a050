#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Streams.h"
#include "report/pvrClass.h"
#include "report/pvrPassw.h"
#include "report/pvrRes.h"
#include "tests/support/FormFixture.h"

namespace {

// Answers every password window that comes up: types the text and presses OK or Cancel.
struct TPasswordAnswer : TObject {
    String Text;
    bool Ok = true;
    Integer Shown = 0;
    void Idle(TObject*, bool& done) {
        for (Integer i = 0; i < Screen->GetFormCount(); ++i) {
            auto* form = dynamic_cast<TpvrPasswordForm*>(Screen->GetForms(i));
            if (!form || !form->GetVisible() || form->GetModalResult() != mrNone) continue;
            ++Shown;
            form->PasswordE->SetText(Text);
            (Ok ? form->OkB : form->CancelB)->Click();
        }
        done = false;
    }
};

class pvrReportLoadTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        App->OnIdle = MakeEvent(&Answer, &TPasswordAnswer::Idle);
    }
    void TearDown() override {
        App->OnIdle = nullptr;
        TFormFixture::TearDown();
    }

    // A definition with one page and a band, saved with the password "secret".
    static String ProtectedDefinition() {
        std::unique_ptr<TpvrReport> author(new TpvrReport(nullptr));
        auto* page = new TpvrReportPage(author.get());
        page->SetName("Page1");
        auto* band = new TpvrMasterData(page);
        band->SetName("MasterData1");
        author->GetReportOptions()->Password = "secret";
        TStringStream out;
        author->SaveToStream(&out, true);
        return out.GetDataString();
    }
    static void Load(TpvrReport* report, const String& text) {
        TStringStream in(text);
        report->LoadFromStream(&in);
    }

    TPasswordAnswer Answer;
};

} // namespace

TEST_F(pvrReportLoadTest, APasswordIsAskedOnceAndOnlyTheRightOneKeepsTheDefinition) {
    const String definition = ProtectedDefinition();
    struct Case {
        const char* name;
        String typed;
        bool ok;
        bool kept;
    };
    for (const Case& c : std::vector<Case>{{"right", "secret", true, true},
                                           {"wrong", "Secret", true, false},
                                           {"cancelled", "secret", false, false}}) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
        Answer.Shown = 0;
        Answer.Text = c.typed;
        Answer.Ok = c.ok;
        TScopedPromptScript prompts; // a wrong answer clears silently: no message box
        Load(report.get(), definition);
        EXPECT_EQ(Answer.Shown, 1);
        EXPECT_TRUE(prompts.Prompts().empty());
        EXPECT_EQ(report->ObjectCount(), c.kept ? 1 : 0);
        EXPECT_EQ(report->FindObject("MasterData1") != nullptr, c.kept);
        // A cleared report forgets the password; a kept one holds it in plain form.
        EXPECT_EQ(report->GetReportOptions()->Password, c.kept ? "secret" : "");
    }
}

TEST_F(pvrReportLoadTest, NoPasswordIsAskedAfterASaveOrWithoutOne) {
    // Saved by this report: the password counts as entered.
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    Answer.Text = "secret";
    Load(report.get(), ProtectedDefinition());
    ASSERT_EQ(Answer.Shown, 1);
    ASSERT_EQ(report->ObjectCount(), 1);
    Answer.Shown = 0;
    TStringStream saved;
    report->SaveToStream(&saved, true);
    Load(report.get(), saved.GetDataString());
    EXPECT_EQ(Answer.Shown, 0);
    EXPECT_EQ(report->ObjectCount(), 1);

    // A report that never saw the password is asked again; one without a password never is.
    std::unique_ptr<TpvrReport> other(new TpvrReport(nullptr));
    Load(other.get(), saved.GetDataString());
    EXPECT_EQ(Answer.Shown, 1);
    Answer.Shown = 0;
    other->GetReportOptions()->Password.clear();
    TStringStream open;
    other->SaveToStream(&open, true);
    std::unique_ptr<TpvrReport> third(new TpvrReport(nullptr));
    Load(third.get(), open.GetDataString());
    EXPECT_EQ(Answer.Shown, 0);
    EXPECT_EQ(third->ObjectCount(), 1);
}

TEST_F(pvrReportLoadTest, UnknownClassesEndInOneErrorReport) {
    const String text = "<?xml version=\"1.0\"?>\r\n"
                        "<TpvrReport Name=\"\">\r\n"
                        "  <TpvrReportPage Name=\"Page1\">\r\n"
                        "    <TNoSuchBand Name=\"Ghost\"/>\r\n"
                        "    <TpvrMasterData Name=\"MasterData1\"/>\r\n"
                        "    <TOtherGhost Name=\"Ghost2\"/>\r\n"
                        "  </TpvrReportPage>\r\n"
                        "  <TNoSuchPage Name=\"Ghost3\"/>\r\n"
                        "</TpvrReport>\r\n";
    const String cant = GetResources()->Get("xrCantFindClass");
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    {
        TScopedPromptScript prompts({IDOK});
        Load(report.get(), text);
        const std::vector<TPromptRecord> records = prompts.Prompts();
        ASSERT_EQ(records.size(), 1u);
        const TPromptRecord& box = records[0];
        EXPECT_EQ(box.Caption, GetResources()->Get("mbError"));
        EXPECT_EQ(box.Flags & MB_ICONMASK, MB_ICONERROR);
        const String head = GetResources()->Get("clErrors") + "\n";
        ASSERT_EQ(box.Text.substr(0, head.size()), head);
        for (const char* name : {"TNoSuchBand", "TOtherGhost", "TNoSuchPage"})
            EXPECT_NE(box.Text.find(cant + " " + name), String::npos) << name;
        EXPECT_TRUE(prompts.Errors().empty());
    }
    // What could be read stays.
    EXPECT_NE(report->FindObject("MasterData1"), nullptr);
    EXPECT_EQ(report->GetErrors()->GetCount(), 3);

    // Silent: nothing shown; rethrow: the same text as an exception.
    report->GetEngineOptions()->SetNewSilentMode(simSilent);
    {
        TScopedPromptScript prompts;
        Load(report.get(), text);
        EXPECT_TRUE(prompts.Prompts().empty());
        EXPECT_EQ(report->GetErrors()->GetCount(), 3);
    }
    report->GetEngineOptions()->SetNewSilentMode(simReThrow);
    try {
        Load(report.get(), text);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message.substr(0, GetResources()->Get("clErrors").size()),
                  GetResources()->Get("clErrors"));
    }
}

TEST(pvrGlobalLock, LockingStopsAfterShutdown) {
    TpvrGlobalDataSetList list;
    list.Lock();
    list.Lock(); // the lock is re-entrant for its holder
    list.Unlock();
    list.Unlock();
    list.Shutdown();
    // After shutdown taking the lock holds nothing: another thread passes while this one "holds" it.
    list.Lock();
    bool passed = false;
    std::thread other([&] {
        list.Lock();
        passed = list.Items().empty();
        list.Unlock();
    });
    other.join();
    list.Unlock();
    EXPECT_TRUE(passed);
}

TEST(pvrCustomDatabase, EveryOperationIsWithoutEffect) {
    TpvrCustomDatabase database(nullptr);
    database.Connect();
    database.StartTransaction();
    database.Commit();
    database.Rollback();
    database.Disconnect();
    EXPECT_FALSE(database.GetConnected());
    EXPECT_EQ(database.GetConnectionString(), "");
    EXPECT_EQ(database.GetTransactionLevel(), 0);
    EXPECT_EQ(database.GetTimeout(), 0);
    EXPECT_NE(dynamic_cast<TpvrDialogComponent*>(&database), nullptr);
}

TEST_F(pvrReportLoadTest, TheHostsSettingsOutliveALoad) {
    std::unique_ptr<TpvrReport> author(new TpvrReport(nullptr));
    author->OldStyleProgress = true;
    author->StoreInDFM = false;
    author->ShowProgress = false;
    author->IniFile = "author.ini";
    author->GetEngineOptions()->SetNewSilentMode(simReThrow);
    author->GetEngineOptions()->ConvertNulls = false;
    author->GetEngineOptions()->DoublePass = true;
    author->GetPreviewOptions()->Modal = false;
    author->GetPreviewOptions()->OutlineVisible = true;
    new TpvrReportPage(author.get());
    TStringStream out;
    author->SaveToStream(&out, true);

    TComponent previewControl(nullptr);
    std::unique_ptr<TpvrReport> host(new TpvrReport(nullptr));
    host->Preview = &previewControl;
    host->GetEngineOptions()->SetNewSilentMode(simSilent);
    Load(host.get(), out.GetDataString());
    ASSERT_EQ(host->ObjectCount(), 1);
    // Kept from the host:
    EXPECT_FALSE(host->OldStyleProgress);
    EXPECT_TRUE(host->StoreInDFM);
    EXPECT_TRUE(host->ShowProgress);
    EXPECT_EQ(host->IniFile, "\\Software\\Orvant");
    EXPECT_EQ(host->Preview, &previewControl);
    EXPECT_EQ(host->GetEngineOptions()->GetNewSilentMode(), simSilent);
    EXPECT_TRUE(host->GetPreviewOptions()->Modal);
    // Taken from the definition:
    EXPECT_FALSE(host->GetEngineOptions()->ConvertNulls);
    EXPECT_TRUE(host->GetEngineOptions()->DoublePass);
    EXPECT_TRUE(host->GetPreviewOptions()->OutlineVisible);
    host->Preview = nullptr;
}
