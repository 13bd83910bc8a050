// Forms: which control has the focus when a form becomes active — its active control, else its
// first control in tab order that can take the focus, else the form itself; a frame leaves the
// focus to its active document.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/FormFixture.h"

namespace {

// A plain windowed child that counts its keys.
class TFocusBox : public TWinControl {
    KOV_CLASS(TFocusBox, TWinControl)
public:
    explicit TFocusBox(TComponent* owner) : TWinControl(owner) {}
};

class TFrame : public TForm {
    KOV_CLASS(TFrame, TForm)
public:
    explicit TFrame(TComponent* owner) : TForm(owner, TCreateNew{}) {
        SetFormStyle(fsMDIForm);
        SetBounds(20, 20, 600, 400);
    }
};

class TDocument : public TForm {
    KOV_CLASS(TDocument, TForm)
public:
    explicit TDocument(TComponent* owner) : TForm(owner, TCreateNew{}) {
        SetFormStyle(fsMDIChild);
        SetBounds(0, 40, 200, 120);
    }
};

struct TKeys : TObject {
    std::vector<String> Got;
    void Key(TObject* sender, Word& key, TShiftState) {
        Got.push_back(static_cast<TComponent*>(sender)->GetName() + ":" + IntToStr(key));
    }
};

class FormsFocusTest : public testsupport::TFormFixture {
protected:
    // Boxes "b0".."bN-1" on the fixture's form, one under the other, tab stops by default.
    std::vector<TFocusBox*> Boxes(int count, TWinControl* parent = nullptr) {
        std::vector<TFocusBox*> boxes;
        for (int i = 0; i < count; ++i) {
            auto* box = new TFocusBox(Form);
            box->SetName("b" + IntToStr(i));
            box->SetParent(parent ? parent : Form);
            box->SetBounds(10, 10 + 30 * i, 60, 20);
            box->SetTabStop(true);
            box->OnKeyDown = MakeEvent(&Keys, &TKeys::Key);
            boxes.push_back(box);
        }
        return boxes;
    }
    void Pump() { App->ProcessMessages(); }

    TKeys Keys;
};

TEST_F(FormsFocusTest, AnActivatedFormFocusesItsActiveOrItsFirstFocusableControl) {
    struct Case {
        const char* Name;
        std::function<void(std::vector<TFocusBox*>&)> Arrange;
        int Focused; // index of the box with the focus, -1: the form itself
    };
    const Case cases[] = {
        {"creation order", [](auto&) {}, 0},
        {"tab order", [](auto& b) { b[2]->SetTabOrder(0); }, 2},
        {"the first is hidden", [](auto& b) { b[0]->SetVisible(false); }, 1},
        {"the first is disabled", [](auto& b) { b[0]->SetEnabled(false); }, 1},
        {"the first is no tab stop", [](auto& b) { b[0]->SetTabStop(false); }, 1},
        {"an active control chosen", [](auto& b) { static_cast<TForm*>(b[0]->GetOwner())->SetActiveControl(b[2]); }, 2},
        {"none can take the focus",
         [](auto& b) {
             for (TFocusBox* box : b)
                 box->SetTabStop(false);
         },
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        delete Form;
        Form = TForm::CreateNew(nullptr);
        Form->SetBounds(50, 50, 420, 320);
        std::vector<TFocusBox*> boxes = Boxes(3);
        c.Arrange(boxes);
        Form->Show();
        Pump();
        EXPECT_TRUE(Form->GetActive());
        const HWND expected = c.Focused < 0 ? Form->GetHandle() : boxes[std::size_t(c.Focused)]->GetHandle();
        EXPECT_EQ(GetFocus(), expected);
        EXPECT_EQ(Form->GetActiveControl(), c.Focused < 0 ? nullptr : boxes[std::size_t(c.Focused)]);
    }
}

// A control inside a panel counts in the tab order; keys typed right after showing reach it, and
// a form activated again gives the focus back to the control that had it.
TEST_F(FormsFocusTest, KeysReachTheFirstControlAndTheFocusComesBackOnReactivation) {
    auto* panel = new TPanel(Form);
    panel->SetParent(Form);
    panel->SetBounds(0, 0, 200, 200);
    std::vector<TFocusBox*> boxes = Boxes(2, panel);
    Form->Show();
    Pump();
    ASSERT_EQ(GetFocus(), boxes[0]->GetHandle());
    WinInputKey('7', false, true);
    WinInputKey('7', false, false);
    Pump();
    EXPECT_EQ(Keys.Got, std::vector<String>{"b0:55"});

    boxes[1]->SetFocus();
    TForm* other = TForm::CreateNew(nullptr);
    other->SetBounds(300, 300, 100, 100);
    other->Show();
    Pump();
    ASSERT_FALSE(Form->GetActive());
    Form->SetFocus();
    Pump();
    EXPECT_TRUE(Form->GetActive());
    EXPECT_EQ(GetFocus(), boxes[1]->GetHandle());
    delete other;
}

// A document's first control takes the focus when the document is shown in its frame, also when
// the frame has a control of its own.
TEST_F(FormsFocusTest, AFrameLeavesTheFocusToItsActiveDocument) {
    TFrame* frame = nullptr;
    App->CreateForm(frame);
    auto* own = new TFocusBox(frame);
    own->SetParent(frame);
    own->SetAlign(alTop);
    own->SetTabStop(true);
    frame->Show();
    Pump();
    EXPECT_EQ(GetFocus(), own->GetHandle()); // no document yet

    auto* document = new TDocument(frame);
    auto* grid = new TFocusBox(document);
    grid->SetName("grid");
    grid->SetParent(document);
    grid->SetBounds(5, 5, 80, 40);
    grid->SetTabStop(true);
    grid->OnKeyDown = MakeEvent(&Keys, &TKeys::Key);
    document->Show();
    Pump();
    EXPECT_EQ(GetFocus(), grid->GetHandle());
    EXPECT_EQ(document->GetActiveControl(), grid);

    // The frame activated again (another window was active) hands the focus to the document.
    TForm* other = TForm::CreateNew(nullptr);
    other->SetBounds(300, 300, 100, 100);
    other->Show();
    Pump();
    frame->SetFocus();
    Pump();
    EXPECT_EQ(GetFocus(), grid->GetHandle());
    WinInputKey('5', false, true);
    WinInputKey('5', false, false);
    Pump();
    EXPECT_EQ(Keys.Got, std::vector<String>{"grid:53"});
    delete other;
}

} // namespace
