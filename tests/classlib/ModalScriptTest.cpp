// The modal-loop hook and the test script that acts inside modal forms through it.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <memory>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ModalScript.h"

namespace {

using testsupport::TScopedModalScript;

class ModalScriptTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Form->SetName("fOwner");
        Form->Show();
    }
    // A dialog with an OK button (ModalResult mrOk).
    std::unique_ptr<TForm> MakeDialog(const String& name) {
        std::unique_ptr<TForm> dialog(TForm::CreateNew(nullptr));
        dialog->SetName(name);
        dialog->SetBounds(80, 80, 200, 120);
        auto* ok = new TButton(dialog.get());
        ok->SetName("bOk");
        ok->SetParent(dialog.get());
        ok->SetModalResult(mrOk);
        return dialog;
    }
};

TEST_F(ModalScriptTest, AStepActsInsideTheLoopOfItsForm) {
    std::unique_ptr<TForm> dialog = MakeDialog("fDialog");
    bool seen = false;
    TScopedModalScript modal;
    modal.Add("fDialog", [&](TCustomForm& form) {
        seen = true;
        EXPECT_EQ(dialog.get(), &form);
        EXPECT_TRUE(form.GetVisible());
        EXPECT_TRUE(form.GetFormState().Contains(fsModal));
        EXPECT_FALSE(IsWindowEnabled(Form->GetHandle()));
        static_cast<TButton*>(form.FindComponent("bOk"))->Click();
    });
    EXPECT_EQ(mrOk, dialog->ShowModal());
    EXPECT_TRUE(seen);
    EXPECT_FALSE(dialog->GetVisible());
    EXPECT_TRUE(IsWindowEnabled(Form->GetHandle()));
    EXPECT_EQ(std::vector<String>{"fDialog"}, modal.Shown());
    EXPECT_EQ(0u, modal.Pending());
}

TEST_F(ModalScriptTest, FormsShownInsideAStepTakeTheNextSteps) {
    std::unique_ptr<TForm> outer = MakeDialog("fOuter");
    std::unique_ptr<TForm> inner = MakeDialog("fInner");
    TModalResult innerResult = mrNone;
    TScopedModalScript modal;
    // By class name, typed.
    modal.Add<TForm>("TForm", [&](TForm& form) {
        EXPECT_EQ(outer.get(), &form);
        innerResult = inner->ShowModal();
        EXPECT_TRUE(form.GetFormState().Contains(fsModal));
        form.SetModalResult(mrYes);
    });
    modal.Add("fInner", [&](TCustomForm& form) {
        EXPECT_FALSE(IsWindowEnabled(outer->GetHandle()));
        form.Close();
    });
    EXPECT_EQ(mrYes, outer->ShowModal());
    EXPECT_EQ(mrCancel, innerResult);
    EXPECT_EQ((std::vector<String>{"fOuter", "fInner"}), modal.Shown());
}

TEST_F(ModalScriptTest, AStepMayLeaveTheFormToCloseItself) {
    std::unique_ptr<TForm> dialog = MakeDialog("fBusy");
    TScopedModalScript modal;
    modal.Add(
        "fBusy", [](TCustomForm& form) { PostMessageA(form.GetHandle(), WM_CLOSE, 0, 0); },
        TScopedModalScript::MayStayOpen);
    EXPECT_EQ(mrCancel, dialog->ShowModal());
}

TEST_F(ModalScriptTest, AnUnscriptedFormFailsTheTestInsteadOfHanging) {
    struct Case {
        const char* Name;
        const char* StepFor; // nullptr: no step
        bool Closes;         // the step sets a result
        const char* Failure;
    } cases[] = {
        {"fNoStep", nullptr, false, "no step left"},
        {"fOther", "fExpected", true, "where the script expects fExpected"},
        {"fLeftOpen", "fLeftOpen", false, "still open after its step"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<TForm> dialog = MakeDialog(c.Name);
        auto modal = std::make_unique<TScopedModalScript>();
        if (c.StepFor != nullptr)
            modal->Add(c.StepFor, [&](TCustomForm& form) {
                if (c.Closes) form.SetModalResult(mrOk);
            });
        TModalResult result = mrNone;
        EXPECT_NONFATAL_FAILURE(result = dialog->ShowModal(), c.Failure);
        EXPECT_EQ(mrCancel, result);
        EXPECT_EQ(std::vector<String>{c.Name}, modal->Shown());
        // A step not taken fails the test when the script goes.
        if (std::string(c.Name) == "fOther")
            EXPECT_NONFATAL_FAILURE(modal.reset(), "fExpected was never shown");
    }
    // A typed step for a form of another class.
    std::unique_ptr<TForm> dialog = MakeDialog("fTyped");
    TScopedModalScript modal;
    modal.Add<TDataModule>("fTyped", [](TDataModule&) {});
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(mrCancel, dialog->ShowModal()), "is a TForm");
}

TEST_F(ModalScriptTest, TheScriptBeforeActsAgainAndNoneWhenAllAreGone) {
    std::unique_ptr<TForm> dialog = MakeDialog("fDialog");
    TScopedModalScript outer;
    outer.Add("fDialog", [](TCustomForm& form) { form.SetModalResult(mrNo); });
    {
        TScopedModalScript inner;
        inner.Add("fDialog", [](TCustomForm& form) { form.SetModalResult(mrYes); });
        EXPECT_EQ(mrYes, dialog->ShowModal());
    }
    EXPECT_EQ(mrNo, dialog->ShowModal());
    EXPECT_EQ(std::vector<String>{"fDialog"}, outer.Shown());
}

TEST(ModalLoopHook, IsNoneWithoutAScript) { EXPECT_EQ(nullptr, SetModalLoopHook(nullptr)); }

} // namespace
