// Forms: a modal result set while the form is being shown ends the modal loop.
#include <gtest/gtest.h>

#include "platform/classlib/Forms.h"
#include "tests/support/FormFixture.h"

namespace {

using FormsModalResultTest = testsupport::TFormFixture;

struct TShowEvents : TObject {
    TModalResult OnShowResult = mrNone;
    TModalResult OnActivateResult = mrNone;
    int CloseQueries = 0;
    bool Refuse = false;
    void Show(TObject* sender) {
        if (OnShowResult != mrNone) static_cast<TCustomForm*>(sender)->SetModalResult(OnShowResult);
    }
    void Activate(TObject* sender) {
        if (OnActivateResult != mrNone) static_cast<TCustomForm*>(sender)->SetModalResult(OnActivateResult);
    }
    void CloseQuery(TObject*, bool& canClose) {
        ++CloseQueries;
        canClose = !Refuse || CloseQueries > 1;
    }
};

TEST_F(FormsModalResultTest, AResultSetWhileShowingEndsTheLoop) {
    struct Case {
        TModalResult OnShow, OnActivate, Expected;
    } cases[] = {{mrOk, mrNone, mrOk}, {mrNone, mrYes, mrYes}, {mrCancel, mrAbort, mrAbort}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected);
        TShowEvents events;
        events.OnShowResult = c.OnShow;
        events.OnActivateResult = c.OnActivate;
        Form->OnShow = MakeEvent(&events, &TShowEvents::Show);
        Form->OnActivate = MakeEvent(&events, &TShowEvents::Activate);
        Form->OnCloseQuery = MakeEvent(&events, &TShowEvents::CloseQuery);
        EXPECT_EQ(Form->ShowModal(), c.Expected);
        EXPECT_FALSE(Form->GetVisible());
        EXPECT_EQ(events.CloseQueries, 1);
    }
}

TEST_F(FormsModalResultTest, AnEarlierResultDoesNotEndTheNextLoop) {
    TShowEvents events;
    events.OnShowResult = mrOk;
    Form->OnShow = MakeEvent(&events, &TShowEvents::Show);
    EXPECT_EQ(Form->ShowModal(), mrOk);
    // The result stays on the form; the next loop runs until something sets a new one.
    EXPECT_EQ(Form->GetModalResult(), mrOk);
    events.OnShowResult = mrNone;
    struct TCloser : TObject {
        TForm* Form = nullptr;
        int Turns = 0;
        void Idle(TObject*, bool& done) {
            if (++Turns == 3) Form->Close();
            done = false;
        }
    } closer;
    closer.Form = Form;
    App->OnIdle = MakeEvent(&closer, &TCloser::Idle);
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(closer.Turns, 3);
    App->OnIdle = nullptr;

    // A close query refusing the result set while showing keeps the loop going.
    events.OnShowResult = mrOk;
    events.Refuse = true;
    Form->OnCloseQuery = MakeEvent(&events, &TShowEvents::CloseQuery);
    closer.Turns = 0;
    App->OnIdle = MakeEvent(&closer, &TCloser::Idle);
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(events.CloseQueries, 2);
    App->OnIdle = nullptr;
}

} // namespace
