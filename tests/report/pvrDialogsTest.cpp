// The report's small windows: the progress window, the search dialog and the
// page settings.
#include <gtest/gtest.h>

#include <memory>

#include "report/pvrClass.h"
#include "report/pvrPreviewPageSettings.h"
#include "report/pvrPrinter.h"
#include "report/pvrProgress.h"
#include "report/pvrRes.h"
#include "report/pvrSearchDialog.h"
#include "tests/support/FormFixture.h"

namespace {

class ProgressTest : public testsupport::TFormFixture {};

class SearchDialogTest : public testsupport::TFormFixture {};

// Page settings with the printer of a machine without printers.
class PageSettingsTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        FreeReportPrinters();
        Report = new TpvrReport(nullptr);
        Page = new TpvrReportPage(Report);
    }
    void TearDown() override {
        delete Report;
        FreeReportPrinters();
        TFormFixture::TearDown();
    }
    TpvrReport* Report = nullptr;
    TpvrReportPage* Page = nullptr;
};

// Confirms or cancels the page settings inside their modal loop, after typing a width.
struct TPageSettingsAnswer : TObject {
    bool Ok = true;
    String Width;
    void Idle(TObject*, bool& done) {
        done = false;
        for (Integer i = 0; i < Screen->GetFormCount(); ++i) {
            auto* form = dynamic_cast<TpvrPageSettingsForm*>(Screen->GetForms(i));
            if (!form || !form->GetVisible() || form->GetModalResult() != mrNone) continue;
            form->WidthE->SetText(Width);
            form->MarginLeftE->SetText("1.5");
            (Ok ? form->OKB : form->CancelB)->Click();
        }
    }
};

// Acts on the search dialog inside its modal loop: notes what it shows, types and presses.
struct TSearchAnswer : TObject {
    String Type;
    bool Ok = true;
    String Shown;
    Integer SelStart = -1, SelLength = -1;
    void Idle(TObject*, bool& done) {
        done = false;
        for (Integer i = 0; i < Screen->GetFormCount(); ++i) {
            auto* form = dynamic_cast<TpvrSearchDialog*>(Screen->GetForms(i));
            if (!form || !form->GetVisible() || form->GetModalResult() != mrNone) continue;
            Shown = form->TextE->GetText();
            SelStart = form->TextE->GetSelStart();
            SelLength = form->TextE->GetSelLength();
            form->TextE->SetText(Type);
            (Ok ? form->OkB : form->CancelB)->Click();
        }
    }
};

} // namespace

TEST_F(ProgressTest, DisablesTheActiveFormShowsProgressAndCancelStops) {
    Form->Show();
    ASSERT_EQ(Form, Screen->GetActiveForm());
    auto progress = std::make_unique<TpvrProgress>(nullptr);
    EXPECT_EQ(Form, progress->GetActiveForm());
    EXPECT_FALSE(Form->GetEnabled());
    ASSERT_NE(nullptr, progress->Bar);
    ASSERT_NE(nullptr, progress->LMessage);
    ASSERT_NE(nullptr, progress->CancelB);
    EXPECT_EQ(271, progress->GetClientWidth());
    EXPECT_EQ(101, progress->GetClientHeight());

    progress->Execute(5, "Page 1", true, true);
    EXPECT_TRUE(progress->GetVisible());
    EXPECT_FALSE(progress->GetTerminated());
    EXPECT_EQ("Page 1", progress->LMessage->GetCaption());
    EXPECT_EQ(15, progress->LMessage->GetTop());
    EXPECT_EQ(5, progress->Bar->GetMax());
    EXPECT_TRUE(progress->CancelB->GetVisible());
    progress->SetPosition(3);
    EXPECT_EQ(3, progress->Bar->GetPosition());
    progress->Reset();
    EXPECT_EQ(0, progress->Bar->GetPosition());
    progress->SetMessage("Page 2");
    EXPECT_EQ("Page 2", progress->LMessage->GetCaption());

    // Without the bar the message moves down.
    progress->SetShowProgressBar(false);
    EXPECT_FALSE(progress->Bar->GetVisible());
    EXPECT_EQ(35, progress->LMessage->GetTop());

    // The window is dragged by any point of its surface.
    RECT r{};
    GetWindowRect(progress->GetHandle(), &r);
    const LRESULT hit =
        SendMessageA(progress->GetHandle(), WM_NCHITTEST, 0, MAKELPARAM(r.left + 5, r.top + 5));
    EXPECT_EQ(HTCAPTION, hit);

    progress->CancelB->Click();
    EXPECT_TRUE(progress->GetTerminated());
    Application->ProcessMessages();
    EXPECT_FALSE(progress->GetVisible());
    EXPECT_TRUE(Form->GetEnabled());

    // Shown again without a cancel button; freeing it enables the form it disabled.
    Form->SetEnabled(false);
    progress->Execute(2, "Again", true, false);
    EXPECT_FALSE(progress->GetTerminated());
    EXPECT_FALSE(progress->CancelB->GetVisible());
    progress.reset();
    EXPECT_TRUE(Form->GetEnabled());
}

TEST_F(SearchDialogTest, OpensWithTheLastTextSelectedAndKeepsItOnlyOnOk) {
    TpvrSearchDialog::SetLastText("");
    struct Step {
        const char* Type;
        bool Ok;
        const char* WantShown;
        const char* WantLast;
    };
    const Step steps[] = {
        {"Channel", true, "", "Channel"},
        {"Zone", false, "Channel", "Channel"},
        {"Scan list", true, "Channel", "Scan list"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Type);
        TSearchAnswer answer;
        answer.Type = step.Type;
        answer.Ok = step.Ok;
        App->OnIdle = MakeEvent(&answer, &TSearchAnswer::Idle);
        std::unique_ptr<TpvrSearchDialog> dialog(new TpvrSearchDialog(nullptr));
        EXPECT_EQ(GetResources()->GetNumbered(300), dialog->GetCaption());
        EXPECT_FALSE(dialog->ReplacePanel->GetVisible());
        EXPECT_EQ(step.Ok ? mrOk : mrCancel, dialog->ShowModal());
        App->OnIdle = nullptr;
        EXPECT_EQ(step.WantShown, answer.Shown);
        EXPECT_EQ(0, answer.SelStart);
        EXPECT_EQ(Integer(answer.Shown.size()), answer.SelLength);
        EXPECT_EQ(step.WantLast, TpvrSearchDialog::LastText());
    }
    TpvrSearchDialog::SetLastText("");
}

TEST_F(PageSettingsTest, ShowsThePageInTheUnitAndTurnsACustomPaper) {
    Page->SetPaperSize(9);
    std::unique_ptr<TpvrPageSettingsForm> form(new TpvrPageSettingsForm(nullptr));
    form->Page = Page;
    form->Units = 1;
    form->Show();
    EXPECT_EQ("8.27", form->WidthE->GetText());
    EXPECT_EQ("11.69", form->HeightE->GetText());
    TpvrCustomPrinter* printer = GetReportPrinters()->CurrentPrinter();
    EXPECT_EQ(9, TpvrCustomPrinter::NumberAt(printer->GetPapers(), form->SizeCB->GetItemIndex()));
    EXPECT_TRUE(form->PortraitImg->GetVisible());
    form->Hide();

    // A custom 100 x 200 mm paper in centimetres lies down as 200 x 100.
    Page->SetPaperSize(256);
    Page->SetPaperWidth(100);
    Page->SetPaperHeight(200);
    form->Units = 0;
    form->Show();
    EXPECT_EQ(0, form->SizeCB->GetItemIndex());
    EXPECT_EQ("10", form->WidthE->GetText());
    EXPECT_EQ("20", form->HeightE->GetText());
    // Checking the button clicks it.
    form->LandscapeRB->SetChecked(true);
    EXPECT_EQ("20", form->WidthE->GetText());
    EXPECT_EQ("10", form->HeightE->GetText());
    EXPECT_TRUE(form->LandscapeImg->GetVisible());
    EXPECT_FALSE(form->PortraitImg->GetVisible());

    // Typing a size picks the custom entry and leaves the edits as typed.
    form->SizeCB->SetItemIndex(9);
    form->WidthE->SetText("12");
    EXPECT_EQ(0, form->SizeCB->GetItemIndex());
    EXPECT_EQ("12", form->WidthE->GetText());
    EXPECT_EQ("10", form->HeightE->GetText());
    form->Hide();
}

TEST_F(PageSettingsTest, CancelLeavesThePageAndOkAppliesTheTypedValues) {
    Page->SetPaperSize(9);
    const Extended width = Page->GetPaperWidth();
    const Extended left = Page->LeftMargin;
    struct Case {
        bool Ok;
        Extended WantWidth, WantLeft;
        Integer WantPaper;
    };
    for (const Case& c : {Case{false, width, left, 9}, Case{true, 150, 15, 256}}) {
        SCOPED_TRACE(c.Ok);
        TPageSettingsAnswer answer;
        answer.Ok = c.Ok;
        answer.Width = "15";
        App->OnIdle = MakeEvent(&answer, &TPageSettingsAnswer::Idle);
        std::unique_ptr<TpvrPageSettingsForm> form(new TpvrPageSettingsForm(nullptr));
        form->Page = Page;
        EXPECT_EQ(c.Ok ? mrOk : mrCancel, form->ShowModal());
        App->OnIdle = nullptr;
        EXPECT_EQ(c.WantWidth, Page->GetPaperWidth());
        EXPECT_EQ(c.WantLeft, Page->LeftMargin);
        EXPECT_EQ(c.WantPaper, Page->GetPaperSize());
        EXPECT_FALSE(form->ApplyToAll());
    }
}
