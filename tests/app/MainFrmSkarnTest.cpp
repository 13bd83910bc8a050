// The main window's menu painter chooses menus, pop-up menus and the tool bar only: after start-up
// and with the batch-edit and about dialogs shown, no control of the program is subclassed, while
// the main menu and the tool bar keep the painter's drawing.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/BBatchEdit.h"
#include "app/FrmAbout.h"
#include "menupainter/Skarn.h"
#include "tests/app/MainFrmFixture.h"
#include "tests/support/ModalScript.h"

namespace {

class MainFrmSkarnTest : public mainfrmtest::TMainFrmFixture {
protected:
    // The controls the painter would take under a choice of every kind, inside the window.
    void ExpectNoneTaken(TWinControl* window, Integer& seen) {
        for (Integer i = 0; i < window->GetControlCount(); ++i) {
            TControl* c = window->GetControls(i);
            ++seen;
            SCOPED_TRACE(c->GetName() + ": " + c->ClassName());
            EXPECT_FALSE(Frame->Xp->ChoosesControl(c));
            EXPECT_EQ(TControlSubClass::Find(c), nullptr);
            if (auto* w = dynamic_cast<TWinControl*>(c)) ExpectNoneTaken(w, seen);
        }
    }
    // Lets the manager treat the forms that wait for it, then checks every form of the screen.
    Integer ExpectNoneTakenAnywhere() {
        SendMessageA(App->GetHandle(), WM_NULL, 0, 0);
        Integer seen = 0;
        for (Integer i = 0; i < Screen->GetCustomFormCount(); ++i)
            ExpectNoneTaken(Screen->GetCustomForms(i), seen);
        return seen;
    }
};

TEST_F(MainFrmSkarnTest, NoControlIsSubclassedAndMenusAndToolBarKeepTheirDrawing) {
    Start();
    TSkarn* xp = Frame->Xp;
    ASSERT_NE(xp, nullptr);
    EXPECT_TRUE(xp->GetActive());
    EXPECT_TRUE(xp->GetXPControls() == (TXPControls{xcMainMenu, xcPopupMenu, xcToolbar}));
    EXPECT_TRUE(xp->GetXPContainers() == (TXPContainers{xccForm, xccToolbar, xccCoolbar}));
    EXPECT_GT(ExpectNoneTakenAnywhere(), 5);
    EXPECT_TRUE(xp->SubClasses().empty());

    // The menu bar's items and the tool bar are the painter's.
    TMenuItem* first = Frame->MainMenu->GetItems()->GetItem(0);
    EXPECT_TRUE(first->OnDrawItem == MakeEvent(xp, &TSkarn::DrawMenuItem));
    EXPECT_TRUE(first->GetItem(0)->OnMeasureItem == MakeEvent(xp, &TSkarn::MeasureMenuItem));
    EXPECT_TRUE(Frame->tbar->OnCustomDrawButton == MakeEvent(xp, &TSkarn::DrawToolButton));

    // The dialogs: group boxes, list boxes, panels and a memo stay as they are.
    testsupport::TScopedModalScript modal;
    Integer batchControls = 0, aboutControls = 0;
    modal.Add<TfBBatchEdit>("fBBatchEdit", [&](TfBBatchEdit& d) {
        batchControls = ExpectNoneTakenAnywhere();
        d.Close();
    });
    modal.Add<TfFrmAbout>("fFrmAbout", [&](TfFrmAbout& d) {
        aboutControls = ExpectNoneTakenAnywhere();
        d.Close();
    });
    std::unique_ptr<TfBBatchEdit> batch(new TfBBatchEdit(nullptr));
    batch->ShowModal();
    std::unique_ptr<TfFrmAbout> about(new TfFrmAbout(nullptr));
    about->ShowModal();
    EXPECT_GT(batchControls, 10);
    EXPECT_GT(aboutControls, 10);
    EXPECT_TRUE(xp->SubClasses().empty());
}

} // namespace
