// Message dialogs: the dialog's parts, the button sets through the prompt service, the dialog
// answering by its buttons, and a picture of one.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/MsgBox.h"
#include "platform/classlib/MsgDlg.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/AppFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class MsgDlgTest : public testsupport::TAppFixture {
protected:
    void SetUp() override {
        TAppFixture::SetUp();
        App->SetTitle("KOV-571");
    }
};

} // namespace

TEST_F(MsgDlgTest, DialogHoldsIconTextAndButtons) {
    std::unique_ptr<TForm> dialog(
        CreateMessageDialog("Overwrite the file?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbCancel}));
    EXPECT_EQ(dialog->GetCaption(), "Confirm");
    auto* image = dynamic_cast<TImage*>(dialog->FindComponent("Image"));
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->GetPicture()->GetGraphic()->GetEmpty());
    auto* label = dynamic_cast<TLabel*>(dialog->FindComponent("Message"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetCaption(), "Overwrite the file?");
    struct Case {
        const char* Name;
        TModalResult Result;
        bool Default, Cancel;
    };
    for (const Case& c : std::vector<Case>{{"Yes", mrYes, true, false},
                                           {"No", mrNo, false, false},
                                           {"Cancel", mrCancel, false, true}}) {
        SCOPED_TRACE(c.Name);
        auto* button = dynamic_cast<TButton*>(dialog->FindComponent(c.Name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetModalResult(), c.Result);
        EXPECT_EQ(button->GetDefault(), c.Default);
        EXPECT_EQ(button->GetCancel(), c.Cancel);
    }
    EXPECT_EQ(dialog->FindComponent("OK"), nullptr);

    // Captions by type; a custom one has the title and no icon.
    struct TypeCase {
        TMsgDlgType Type;
        const char* Caption;
    };
    for (const TypeCase& c : std::vector<TypeCase>{{mtWarning, "Warning"},
                                                   {mtError, "Error"},
                                                   {mtInformation, "Information"},
                                                   {mtCustom, "KOV-571"}}) {
        std::unique_ptr<TForm> d(CreateMessageDialog("x", c.Type, TMsgDlgButtons{mbOK}));
        EXPECT_EQ(d->GetCaption(), c.Caption);
        EXPECT_EQ(d->FindComponent("Image") == nullptr, c.Type == mtCustom);
    }
    EXPECT_EQ(TMsgDlgButtons({mbYes, mbNo}).Mask(), 3u);
    EXPECT_EQ(TMsgDlgButtons({mbHelp}).Mask(), 1024u);
}

TEST_F(MsgDlgTest, ButtonSetsGoThroughThePromptService) {
    struct Case {
        TMsgDlgType Type;
        TMsgDlgButtons Buttons;
        UINT Flags;
        int Reply;
    };
    const std::vector<Case> cases = {
        {mtConfirmation, {mbYes, mbNo}, MB_YESNO | MB_ICONQUESTION, IDNO},
        {mtWarning, {mbYes, mbNo, mbCancel}, MB_YESNOCANCEL | MB_ICONWARNING, IDCANCEL},
        {mtError, {mbOK}, MB_OK | MB_ICONERROR, IDOK},
        {mtInformation, {mbOK, mbCancel}, MB_OKCANCEL | MB_ICONINFORMATION, IDCANCEL},
        {mtError, {mbAbort, mbRetry, mbIgnore}, MB_ABORTRETRYIGNORE | MB_ICONERROR, IDRETRY},
        {mtWarning, {mbRetry, mbCancel}, MB_RETRYCANCEL | MB_ICONWARNING, IDRETRY},
        // Not a message-box kind: asked with the largest kind it holds.
        {mtConfirmation, {mbYes, mbNo, mbAll, mbNoToAll}, MB_YESNO | MB_ICONQUESTION, IDYES},
        {mtCustom, {mbOK, mbHelp}, MB_OK, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Flags);
        TScopedPromptScript script({c.Reply});
        EXPECT_EQ(MessageDlg("Question", c.Type, c.Buttons, 0), c.Reply);
        ASSERT_EQ(script.Prompts().size(), 1u);
        EXPECT_EQ(script.Prompts()[0].Text, "Question");
        EXPECT_EQ(script.Prompts()[0].Flags, c.Flags);
        EXPECT_TRUE(script.Errors().empty());
    }
    TScopedPromptScript script({IDOK});
    ShowMessage("Done");
    ASSERT_EQ(script.Prompts().size(), 1u);
    EXPECT_EQ(script.Prompts()[0].Caption, "KOV-571");
    EXPECT_EQ(script.Prompts()[0].Flags, MB_OK);
}

namespace {
// Presses a button of the dialog that shows when the loop goes idle.
struct TPresser : TObject {
    String Button;
    std::vector<String> Captions;
    void Idle(TObject*, bool& done) {
        TCustomForm* form = Screen->GetActiveCustomForm();
        if (form == nullptr) return;
        Captions.push_back(form->GetCaption());
        if (auto* button = dynamic_cast<TButton*>(form->FindComponent(Button))) button->Click();
        done = false;
    }
};
} // namespace

TEST_F(MsgDlgTest, WithoutAScriptTheDialogShowsAndAnswersByItsButton) {
    TPromptPresenter old = SetPromptPresenter(ShowDrawnMessageBox);
    TPresser presser;
    App->OnIdle = MakeEvent(&presser, &TPresser::Idle);
    struct Case {
        TMsgDlgButtons Buttons;
        const char* Button;
        Integer Result;
    };
    for (const Case& c : std::vector<Case>{{{mbYes, mbNo, mbYesToAll, mbNoToAll}, "NoToAll", mrNoToAll},
                                           {{mbYes, mbNo}, "No", mrNo}}) {
        presser.Button = c.Button;
        presser.Captions.clear();
        EXPECT_EQ(MessageDlg("Replace?", mtConfirmation, c.Buttons, 0), c.Result);
        ASSERT_FALSE(presser.Captions.empty());
        EXPECT_EQ(presser.Captions[0], "Confirm");
    }
    App->OnIdle = nullptr;
    SetPromptPresenter(old);
}

TEST_F(MsgDlgTest, DialogPictureIsSaved) {
    std::unique_ptr<TForm> dialog(CreateMessageDialog("The radio did not answer.\nCheck the cable and try again.",
                                                      mtWarning, TMsgDlgButtons{mbAbort, mbRetry, mbIgnore}));
    dialog->Show();
    UpdateWindow(dialog->GetHandle());
    App->ProcessMessages();
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(dialog->GetHandle(), s));
    testsupport::WritePng(testsupport::ArtifactPath("MsgDlgWarning.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
    auto* retry = dynamic_cast<TButton*>(dialog->FindComponent("Retry"));
    ASSERT_NE(retry, nullptr);
    EXPECT_GT(retry->GetTop(), dialog->FindComponent("Message") ? 20 : 0);
}
