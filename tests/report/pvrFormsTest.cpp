#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/winapi/WinBackendInterface.h"
#include "report/pvrClass.h"
#include "report/pvrDialogForm.h"
#include "report/pvrPassw.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

using pvrFormsTest = testsupport::TFormFixture;

// Answers the password window once it is up: types the text and presses a button.
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

} // namespace

TEST_F(pvrFormsTest, DialogFormUnderThreadSafeLoadingStartsEmpty) {
    TComponent page(nullptr);
    std::unique_ptr<TpvrDialogForm> stored(new TpvrDialogForm(&page));
    EXPECT_FALSE(stored->GuardedByLock);
    EXPECT_EQ(stored->GetCaption(), " ");
    EXPECT_EQ(stored->GetClientWidth(), 115);
    EXPECT_EQ(stored->GetClientHeight(), 59);
    EXPECT_TRUE(stored->GetKeyPreview());
    EXPECT_EQ(stored->GetFont()->GetName(), "Tahoma");
    EXPECT_EQ(stored->GetOwner(), nullptr);

    page.SetTag(318);
    std::unique_ptr<TpvrDialogForm> guarded(new TpvrDialogForm(&page));
    EXPECT_TRUE(guarded->GuardedByLock);
    EXPECT_NE(guarded->GetCaption(), " ");
    EXPECT_NE(guarded->GetClientWidth(), 115);
    EXPECT_FALSE(guarded->GetKeyPreview());

    // Its own close query refuses.
    bool canClose = true;
    ASSERT_TRUE(bool(stored->OnCloseQuery));
    stored->OnCloseQuery(stored.get(), canClose);
    EXPECT_FALSE(canClose);
    EXPECT_FALSE(stored->CloseQuery());
}

TEST_F(pvrFormsTest, DialogPageMakesItsFormAndPassesSettingsOn) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    auto* page = new TpvrDialogPage(report.get());
    ASSERT_NE(page->GetForm(), nullptr);
    EXPECT_FALSE(page->GetForm()->GuardedByLock);
    EXPECT_EQ(page->GetTag(), 0);
    EXPECT_EQ(page->GetFont()->GetName(), "Tahoma");
    EXPECT_EQ(page->GetForm()->GetFont()->GetName(), "Tahoma");
    EXPECT_EQ(page->GetDescription(), "obDlgPage");
    page->SetCaption("Ask");
    page->SetBounds(10.4, 20.6, 300, 200);
    EXPECT_EQ(page->GetForm()->GetCaption(), "Ask");
    EXPECT_EQ(page->GetForm()->GetLeft(), 10);
    EXPECT_EQ(page->GetForm()->GetTop(), 21);
    EXPECT_EQ(page->GetForm()->GetWidth(), 300);
    page->SetColor(clWindow);
    EXPECT_EQ(page->GetForm()->GetColor(), clWindow);

    report->GetEngineOptions()->ThreadSafeLoading = true;
    page->SetTag(5);
    auto* threaded = new TpvrDialogPage(report.get());
    EXPECT_TRUE(threaded->GetForm()->GuardedByLock);
    EXPECT_EQ(threaded->GetTag(), 0); // the tag is put back after the form is made
}

TEST_F(pvrFormsTest, PasswordWindowHidesTheTextAndIsSaved) {
    std::unique_ptr<TpvrPasswordForm> form(new TpvrPasswordForm(nullptr));
    ASSERT_NE(form->PasswordE, nullptr);
    EXPECT_EQ(form->PasswordE->GetPasswordChar(), '*');
    EXPECT_EQ(form->GetCaption(), "5000");
    EXPECT_EQ(form->PasswordL->GetCaption(), "5001");
    EXPECT_EQ(form->OkB->GetCaption(), "确定");
    EXPECT_EQ(form->CancelB->GetCaption(), "取消");
    EXPECT_EQ(form->OkB->GetModalResult(), mrOk);
    EXPECT_TRUE(form->CancelB->GetCancel());
    EXPECT_EQ(form->GetClientWidth(), 249);
    EXPECT_EQ(form->GetBorderStyle(), bsDialog);

    form->PasswordE->SetText("secret");
    form->Show();
    UpdateWindow(form->GetHandle());
    App->ProcessMessages();
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(form->GetHandle(), s));
    testsupport::WritePng(testsupport::ArtifactPath("pvrPasswordForm.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
}

TEST_F(pvrFormsTest, CheckPasswordAsksOnlyWhenThereIsOne) {
    TPasswordAnswer answer;
    App->OnIdle = MakeEvent(&answer, &TPasswordAnswer::Idle);
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    TpvrReportOptions* options = report->GetReportOptions();

    EXPECT_TRUE(options->CheckPassword());
    EXPECT_EQ(answer.Shown, 0);

    struct Case {
        const char* name;
        String typed;
        bool ok;
        bool result;
    };
    for (const Case& c : std::vector<Case>{{"wrong", "Secret", true, false},
                                           {"cancelled", "secret", false, false},
                                           {"right", "secret", true, true}}) {
        options->Password = "secret";
        options->EnteredPassword.clear();
        answer.Shown = 0;
        answer.Text = c.typed;
        answer.Ok = c.ok;
        EXPECT_EQ(options->CheckPassword(), c.result) << c.name;
        EXPECT_EQ(answer.Shown, 1) << c.name;
        EXPECT_EQ(options->EnteredPassword, c.result ? "secret" : "") << c.name;
    }
    // Given once, it is not asked again.
    answer.Shown = 0;
    EXPECT_TRUE(options->CheckPassword());
    EXPECT_EQ(answer.Shown, 0);
    App->OnIdle = nullptr;
}

namespace {

// A dialog control around a class-library button, as concrete dialog controls wrap theirs.
class TTestButtonControl : public TpvrDialogControl {
    KOV_CLASS(TTestButtonControl, TpvrDialogControl)
public:
    explicit TTestButtonControl(TComponent* owner) : TpvrDialogControl(owner) {
        auto* button = new TButton(nullptr);
        SetControl(button);
    }
};

class TTestPanelControl : public TpvrDialogControl {
    KOV_CLASS(TTestPanelControl, TpvrDialogControl)
public:
    explicit TTestPanelControl(TComponent* owner) : TpvrDialogControl(owner) {
        SetControl(new TGroupBox(nullptr));
    }
};

} // namespace

TEST_F(pvrFormsTest, DialogControlsPlaceTheirControlsOnThePagesForm) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    auto* page = new TpvrDialogPage(report.get());
    auto* button = new TTestButtonControl(page);
    EXPECT_EQ(button->GetBaseName(), "TTestButton");
    TControl* control = button->GetControl();
    EXPECT_EQ(control->GetParent(), page->GetForm());
    button->SetBounds(10.6, 4.4, 80, 25);
    EXPECT_EQ(control->GetLeft(), 11);
    EXPECT_EQ(control->GetTop(), 4);
    EXPECT_EQ(control->GetWidth(), 80);
    button->SetVisible(false);
    EXPECT_FALSE(control->GetVisible());
    EXPECT_EQ(control->GetFont()->GetName(), "Tahoma"); // the page's font came down

    // The caption follows a rename while it shows the old name.
    control->SetCaption("Button1");
    button->SetName("Button1");
    button->SetName("OkButton");
    EXPECT_EQ(control->GetCaption(), "OkButton");
    control->SetCaption("Go");
    button->SetName("GoButton");
    EXPECT_EQ(control->GetCaption(), "Go");

    // Inside another dialog control, and without a page.
    auto* panel = new TTestPanelControl(page);
    button->SetParent(panel);
    EXPECT_EQ(control->GetParent(), panel->GetControl());
    auto* loose = new TTestButtonControl(nullptr);
    EXPECT_EQ(loose->GetControl()->GetParent(), HiddenHostForm());
    delete loose;
}
