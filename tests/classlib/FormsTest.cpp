// Forms: the modal loop and its result, closing and its actions, key preview, tab order, the
// multiple-document frame with its documents, and the screen's list of forms.
#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        App = std::make_unique<TApplication>(nullptr);
        App->SetTitle("KOV-571");
    }
    void TearDown() override {
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldMode);
    }

    std::unique_ptr<TApplication> App;

private:
    TClockMode FOldMode = TClockMode::Real;
};

// A plain windowed child that records its keys.
class TKeyBox : public TWinControl {
    KOV_CLASS(TKeyBox, TWinControl)
public:
    explicit TKeyBox(TComponent* owner) : TWinControl(owner) {}
};

struct TFormEvents : TObject {
    int CloseQueries = 0;
    int Refusals = 0; // how many close queries refuse before one agrees
    int Closes = 0;
    TCloseAction Action = caHide;
    std::vector<String> Keys;
    bool EatKey = false;

    void CloseQuery(TObject*, bool& canClose) {
        ++CloseQueries;
        canClose = CloseQueries > Refusals;
    }
    void Close(TObject*, TCloseAction& action) {
        ++Closes;
        action = Action;
    }
    void FormKey(TObject*, Word& key, TShiftState) {
        Keys.push_back("form");
        if (EatKey) key = 0;
    }
    void BoxKey(TObject*, Word& key, TShiftState) { Keys.push_back("box"); }
};

TForm* gModalForm = nullptr;
std::vector<bool> gOtherEnabled;
HWND gOther = nullptr;

void SetModalResultTimer(HWND, UINT, UINT_PTR, DWORD) {
    gOtherEnabled.push_back(IsWindowEnabled(gOther) != 0);
    gModalForm->SetModalResult(mrOk);
}

struct TClockStepper : TObject {
    void Idle(TObject*, bool& done) { ClockAdvanceMs(50); }
};

} // namespace

TEST_F(FormsTest, ShowModalRunsUntilTheModalResultAndCloseQueryAgree) {
    TForm* other = TForm::CreateNew(nullptr);
    other->Show();
    TForm* form = TForm::CreateNew(nullptr);
    TFormEvents events;
    events.Refusals = 1;
    form->OnCloseQuery = MakeEvent(&events, &TFormEvents::CloseQuery);
    form->OnClose = MakeEvent(&events, &TFormEvents::Close);
    gModalForm = form;
    gOther = other->GetHandle();
    gOtherEnabled.clear();
    TClockStepper stepper;
    App->OnIdle = MakeEvent(&stepper, &TClockStepper::Idle);
    UINT_PTR timer = SetTimer(nullptr, 0, 50, SetModalResultTimer);

    EXPECT_EQ(form->ShowModal(), mrOk);
    KillTimer(nullptr, timer);

    // The first close query refused: the loop went on until the timer set the result again.
    EXPECT_EQ(events.CloseQueries, 2);
    EXPECT_EQ(events.Closes, 1);
    EXPECT_EQ(gOtherEnabled, (std::vector<bool>{false, false}));
    EXPECT_TRUE(IsWindowEnabled(gOther));
    EXPECT_FALSE(form->GetVisible());
    EXPECT_FALSE(form->GetFormState().Contains(fsModal));

    // Close inside the loop is a cancel; a visible form cannot become modal.
    struct TCloser : TObject {
        TForm* Form = nullptr;
        void Idle(TObject*, bool& done) {
            Form->Close();
            done = false; // the loop looks at the result before waiting again
        }
    } closer;
    closer.Form = form;
    App->OnIdle = MakeEvent(&closer, &TCloser::Idle);
    events.CloseQueries = 0;
    events.Refusals = 0;
    EXPECT_EQ(form->ShowModal(), mrCancel);
    App->OnIdle = nullptr;
    form->Show();
    EXPECT_THROW(form->ShowModal(), EInvalidOperation);
    delete form;
    delete other;
}

TEST_F(FormsTest, CloseAsksFirstAndCarriesOutTheAction) {
    struct Case {
        TCloseAction Action;
        bool Visible;
        bool Alive;
        TWindowState State;
    };
    const std::vector<Case> cases = {
        {caNone, true, true, wsNormal},
        {caHide, false, true, wsNormal},
        {caMinimize, true, true, wsMinimized},
        {caFree, false, false, wsNormal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Action));
        TForm* form = TForm::CreateNew(nullptr);
        form->Show();
        TFormEvents events;
        events.Refusals = 1;
        events.Action = c.Action;
        form->OnCloseQuery = MakeEvent(&events, &TFormEvents::CloseQuery);
        form->OnClose = MakeEvent(&events, &TFormEvents::Close);
        form->Close(); // refused
        EXPECT_EQ(events.Closes, 0);
        EXPECT_TRUE(form->GetVisible());
        TLivenessToken alive = form->LivenessToken();
        form->Close();
        App->ProcessMessages();
        EXPECT_EQ(events.Closes, 1);
        ASSERT_EQ(bool(alive), c.Alive);
        if (!c.Alive) continue;
        EXPECT_EQ(form->GetVisible(), c.Visible);
        EXPECT_EQ(form->GetWindowState(), c.State);
        delete form;
    }
}

TEST_F(FormsTest, KeyPreviewGivesTheFormTheKeysFirst) {
    struct Case {
        bool Preview;
        bool Eat;
        std::vector<String> Keys;
    };
    const std::vector<Case> cases = {
        {false, false, {"box"}},
        {true, false, {"form", "box"}},
        {true, true, {"form"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Preview) * 2 + int(c.Eat));
        TForm* form = TForm::CreateNew(nullptr);
        auto* box = new TKeyBox(form);
        box->SetParent(form);
        box->SetBounds(10, 10, 50, 20);
        TFormEvents events;
        events.EatKey = c.Eat;
        form->SetKeyPreview(c.Preview);
        form->OnKeyDown = MakeEvent(&events, &TFormEvents::FormKey);
        box->OnKeyDown = MakeEvent(&events, &TFormEvents::BoxKey);
        form->Show();
        box->SetFocus();
        App->ProcessMessages();
        ASSERT_EQ(GetFocus(), box->GetHandle());
        PostMessageA(box->GetHandle(), WM_KEYDOWN, 'A', 0x001E0001);
        App->ProcessMessages();
        EXPECT_EQ(events.Keys, c.Keys);
        delete form;
    }
}

TEST_F(FormsTest, TabAndShiftTabWalkTheTabOrder) {
    TForm* form = TForm::CreateNew(nullptr);
    std::vector<TKeyBox*> boxes;
    for (int i = 0; i < 3; ++i) {
        auto* box = new TKeyBox(form);
        box->SetParent(form);
        box->SetBounds(10, 10 + 30 * i, 50, 20);
        box->SetTabStop(true);
        boxes.push_back(box);
    }
    boxes[2]->SetTabOrder(0); // order: 2, 0, 1
    form->Show();
    boxes[2]->SetFocus();
    App->ProcessMessages();
    ASSERT_EQ(GetFocus(), boxes[2]->GetHandle());

    BYTE keys[256] = {};
    auto press = [&](bool shift) {
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001);
        App->ProcessMessages();
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    press(false);
    EXPECT_EQ(GetFocus(), boxes[0]->GetHandle());
    press(false);
    EXPECT_EQ(GetFocus(), boxes[1]->GetHandle());
    press(false);
    EXPECT_EQ(GetFocus(), boxes[2]->GetHandle());
    press(true);
    EXPECT_EQ(GetFocus(), boxes[1]->GetHandle());
    EXPECT_EQ(form->GetActiveControl(), boxes[1]);
    EXPECT_EQ(Screen->GetActiveControl(), boxes[1]);
    delete form;
}

namespace {

// A focused control deep inside a panel, owned by nobody the form knows, is freed: the form,
// the panel and the screen must forget it, and the focus may go on to another control.
TEST_F(FormsTest, FreeingAFocusedNestedControlLeavesNoStalePointer) {
    TForm* form = TForm::CreateNew(nullptr);
    auto* panel = new TKeyBox(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 200, 100);
    auto* inner = new TKeyBox(nullptr);
    inner->SetParent(panel);
    inner->SetBounds(10, 10, 50, 20);
    inner->SetTabStop(true);
    auto* other = new TKeyBox(form);
    other->SetParent(form);
    other->SetBounds(10, 120, 50, 20);
    other->SetTabStop(true);
    form->Show();
    inner->SetFocus();
    App->ProcessMessages();
    ASSERT_EQ(form->GetActiveControl(), inner);
    ASSERT_EQ(Screen->GetActiveControl(), inner);

    delete inner;
    EXPECT_NE(form->GetActiveControl(), static_cast<TWinControl*>(inner));
    EXPECT_NE(form->GetFocusedControl(), static_cast<TWinControl*>(inner));
    EXPECT_NE(Screen->GetActiveControl(), static_cast<TWinControl*>(inner));
    EXPECT_EQ(panel->GetFocusedControl(), nullptr);

    other->SetFocus();
    App->ProcessMessages();
    EXPECT_EQ(form->GetActiveControl(), other);
    EXPECT_EQ(Screen->GetActiveControl(), other);
    delete form;
}

// The same before the form is shown: the active control was only chosen, never focused.
TEST_F(FormsTest, FreeingTheChosenActiveControlOfAHiddenFormForgetsIt) {
    TForm* form = TForm::CreateNew(nullptr);
    auto* panel = new TKeyBox(form);
    panel->SetParent(form);
    auto* inner = new TKeyBox(nullptr);
    inner->SetParent(panel);
    inner->SetTabStop(true);
    form->SetActiveControl(inner);
    ASSERT_EQ(form->GetActiveControl(), inner);
    delete inner;
    EXPECT_NE(form->GetActiveControl(), static_cast<TWinControl*>(inner));
    EXPECT_NE(form->GetFocusedControl(), static_cast<TWinControl*>(inner));
    form->Show();
    App->ProcessMessages();
    delete form;
}

// An action with no handler of its own finds its target: the focused control when the action
// handles it, else the active form; an action nobody takes reports that.
class TTargetBox : public TWinControl {
    KOV_CLASS(TTargetBox, TWinControl)
public:
    explicit TTargetBox(TComponent* owner) : TWinControl(owner) {}
};

// Like the standard edit actions: no handler needed, enabled without one.
class TBoxAction : public TCustomAction {
    KOV_CLASS(TBoxAction, TCustomAction)
public:
    explicit TBoxAction(TComponent* owner) : TCustomAction(owner) {}
    bool HandlesTarget(TObject* target) override { return dynamic_cast<TTargetBox*>(target) || (TakesForms && dynamic_cast<TCustomForm*>(target)); }
    void ExecuteTarget(TObject* target) override { Executed.push_back(target); }
    void UpdateTarget(TObject* target) override { Updated.push_back(target); }
    bool TakesForms = false;
    std::vector<TObject*> Executed, Updated;
};

TEST_F(FormsTest, AnActionWithoutHandlerActsOnTheFocusedControlOrTheActiveForm) {
    TForm* form = TForm::CreateNew(nullptr);
    auto* plain = new TKeyBox(form);
    plain->SetParent(form);
    plain->SetBounds(0, 0, 50, 20);
    plain->SetTabStop(true);
    auto* box = new TTargetBox(form);
    box->SetParent(form);
    box->SetBounds(0, 30, 50, 20);
    box->SetTabStop(true);
    TActionList list(nullptr);
    auto* action = new TBoxAction(&list);
    action->SetActionList(&list);
    form->Show();
    box->SetFocus();
    App->ProcessMessages();
    ASSERT_EQ(Screen->GetActiveControl(), box);

    EXPECT_TRUE(action->Update());
    EXPECT_EQ(action->Updated, std::vector<TObject*>{box});
    EXPECT_TRUE(action->Execute());
    EXPECT_EQ(action->Executed, std::vector<TObject*>{box});

    plain->SetFocus();
    App->ProcessMessages();
    EXPECT_FALSE(action->Execute());
    action->TakesForms = true;
    EXPECT_TRUE(action->Execute());
    EXPECT_EQ(action->Executed.back(), static_cast<TObject*>(form));

    // A handler of the action's own wins: nothing is offered.
    int handled = 0;
    struct TCounter : TObject {
        int* Count;
        void Run(TObject*) { ++*Count; }
    } counter;
    counter.Count = &handled;
    action->SetOnExecute(TNotifyEvent(&counter, &TCounter::Run));
    const std::size_t before = action->Executed.size();
    EXPECT_TRUE(action->Execute());
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(action->Executed.size(), before);
    delete form;
}

class TTestFrame : public TForm {
    KOV_CLASS(TTestFrame, TForm)
public:
    explicit TTestFrame(TComponent* owner) : TForm(owner, TCreateNew{}) {
        SetFormStyle(fsMDIForm);
        SetCaption("Frame");
        SetBounds(20, 20, 600, 400);
    }
};

class TTestDocument : public TForm {
    KOV_CLASS(TTestDocument, TForm)
public:
    explicit TTestDocument(TComponent* owner) : TForm(owner, TCreateNew{}) {
        SetFormStyle(fsMDIChild);
        SetBounds(0, 0, 200, 120);
    }
};

RECT WindowRectIn(HWND window, HWND client) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

TEST_F(FormsTest, AnMdiFrameActivatesCascadesAndTilesItsDocuments) {
    TTestFrame* frame = nullptr;
    App->CreateForm(frame);
    ASSERT_EQ(App->GetMainForm(), frame);
    frame->Show();
    HWND client = frame->GetClientHandle();
    ASSERT_NE(client, nullptr);

    auto* first = new TTestDocument(frame);
    first->SetCaption("First");
    first->Show();
    auto* second = new TTestDocument(frame);
    second->SetCaption("Second");
    second->Show();
    App->ProcessMessages();

    EXPECT_EQ(frame->GetMDIChildCount(), 2);
    EXPECT_EQ(frame->GetActiveMDIChild(), second);
    EXPECT_EQ(frame->GetMDIChildren(0), second);
    EXPECT_TRUE(second->GetActive());
    EXPECT_FALSE(first->GetActive());
    frame->Next();
    EXPECT_EQ(frame->GetActiveMDIChild(), first);
    EXPECT_TRUE(first->GetActive());
    EXPECT_FALSE(second->GetActive());
    frame->Previous();
    EXPECT_EQ(frame->GetActiveMDIChild(), second);

    RECT area{};
    GetClientRect(client, &area);
    const int w = area.right, h = area.bottom;
    const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME);

    frame->Cascade();
    // The active document ends on top, one step further in.
    RECT back = WindowRectIn(first->GetHandle(), client), front = WindowRectIn(second->GetHandle(), client);
    EXPECT_EQ(back.left, 0);
    EXPECT_EQ(back.top, 0);
    EXPECT_EQ(front.left, step);
    EXPECT_EQ(front.top, step);
    EXPECT_EQ(front.right - front.left, std::max(w - step, w / 2));
    EXPECT_EQ(frame->GetActiveMDIChild(), second);

    struct Case {
        TTileMode Mode;
        RECT Active, Other;
    };
    const std::vector<Case> cases = {
        {tbHorizontal, RECT{0, 0, w, h / 2}, RECT{0, h / 2, w, h}},
        {tbVertical, RECT{0, 0, w / 2, h}, RECT{w / 2, 0, w, h}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Mode));
        frame->SetTileMode(c.Mode);
        frame->Tile();
        RECT a = WindowRectIn(second->GetHandle(), client), o = WindowRectIn(first->GetHandle(), client);
        EXPECT_EQ(a.left, c.Active.left);
        EXPECT_EQ(a.top, c.Active.top);
        EXPECT_EQ(a.right, c.Active.right);
        EXPECT_EQ(a.bottom, c.Active.bottom);
        EXPECT_EQ(o.left, c.Other.left);
        EXPECT_EQ(o.top, c.Other.top);
        EXPECT_EQ(o.right, c.Other.right);
        EXPECT_EQ(o.bottom, c.Other.bottom);
    }
    frame->Cascade();

    // A picture of the frame for a person to look at.
    UpdateWindow(frame->GetHandle());
    App->ProcessMessages();
    GdiSurface surface;
    if (WinGetSurface(frame->GetHandle(), surface)) {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < surface.Height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(surface.Bits + y * surface.Stride);
            pixels.insert(pixels.end(), row, row + surface.Width);
        }
        testsupport::WritePng(testsupport::ArtifactPath("FormsMdiFrame.png"), surface.Width, surface.Height, pixels);
    }

    // Closing a document minimizes it (the default of documents); freeing it activates the other.
    first->Close();
    EXPECT_EQ(first->GetWindowState(), wsMinimized);
    delete second;
    EXPECT_EQ(frame->GetMDIChildCount(), 1);
    EXPECT_EQ(frame->GetActiveMDIChild(), first);

    // The frame asks its documents before itself.
    TFormEvents events;
    events.Refusals = 1;
    first->OnCloseQuery = MakeEvent(&events, &TFormEvents::CloseQuery);
    EXPECT_FALSE(frame->CloseQuery());
    EXPECT_TRUE(frame->CloseQuery());
    EXPECT_EQ(events.CloseQueries, 2);
    // Closing the main form ends the application.
    frame->Close();
    EXPECT_TRUE(App->GetTerminated());
}

// The menu bar comes when the frame's window is made: the client area shrinks by the bar while
// the window keeps its size, and the aligned controls and the document area follow it.
TEST_F(FormsTest, AlignedControlsFollowTheClientAreaWhenTheMenuBarComes) {
    TTestFrame* frame = nullptr;
    App->CreateForm(frame);
    auto* menu = new TMainMenu(frame);
    auto* file = new TMenuItem(frame);
    file->SetCaption("&File");
    menu->GetItems()->Add(file);
    auto* top = new TKeyBox(frame);
    top->SetParent(frame);
    top->SetHeight(30);
    top->SetAlign(alTop);
    auto* bottom = new TKeyBox(frame);
    bottom->SetParent(frame);
    bottom->SetHeight(19);
    bottom->SetAlign(alBottom);
    frame->SetMenu(menu);
    frame->Show();
    App->ProcessMessages();

    RECT client{};
    GetClientRect(frame->GetHandle(), &client);
    ASSERT_NE(GetMenu(frame->GetHandle()), nullptr);
    EXPECT_EQ(client.bottom, 400 - GetSystemMetrics(SM_CYCAPTION) - 2 * GetSystemMetrics(SM_CYSIZEFRAME) -
                                 GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(bottom->GetTop() + bottom->GetHeight(), client.bottom);
    EXPECT_EQ(bottom->GetWidth(), client.right);
    const RECT area = WindowRectIn(frame->GetClientHandle(), frame->GetHandle());
    EXPECT_EQ(area.top, 30);
    EXPECT_EQ(area.bottom, bottom->GetTop());
    // Nothing lies outside the client area, so the frame needs no scroll bar.
    EXPECT_FALSE(frame->GetVertScrollBar()->IsScrollBarVisible());
}

// A shortcut of the frame's menu runs its item while the focus is in a document, and not while
// the frame is disabled under a modal form.
TEST_F(FormsTest, TheFramesMenuShortcutsWorkFromADocument) {
    struct TClicks : TObject {
        int Count = 0;
        void Click(TObject*) { ++Count; }
    } clicks;
    TTestFrame* frame = nullptr;
    App->CreateForm(frame);
    auto* menu = new TMainMenu(frame);
    auto* file = new TMenuItem(frame);
    file->SetCaption("&File");
    menu->GetItems()->Add(file);
    auto* read = new TMenuItem(frame);
    read->SetCaption("&Read");
    read->SetShortCut(TextToShortCut("Ctrl+R"));
    read->OnClick = MakeEvent(&clicks, &TClicks::Click);
    file->Add(read);
    frame->SetMenu(menu);
    frame->Show();
    auto* document = new TTestDocument(frame);
    auto* box = new TKeyBox(document);
    box->SetParent(document);
    document->Show();
    App->ProcessMessages();
    box->SetFocus();
    ASSERT_EQ(GetFocus(), box->GetHandle());

    auto ctrlR = [&] {
        WinInputKey(VK_CONTROL, false, true);
        WinInputKey('R', false, true);
        WinInputKey('R', false, false);
        WinInputKey(VK_CONTROL, false, false);
        App->ProcessMessages();
    };
    ctrlR();
    EXPECT_EQ(clicks.Count, 1);

    // A form of its own that has the focus while the frame is disabled, as under a modal form.
    TForm* dialog = TForm::CreateNew(nullptr);
    dialog->SetBounds(100, 100, 200, 120);
    auto* field = new TKeyBox(dialog);
    field->SetParent(dialog);
    dialog->Show();
    App->ProcessMessages();
    field->SetFocus();
    ASSERT_EQ(GetFocus(), field->GetHandle());
    EnableWindow(frame->GetHandle(), FALSE);
    ctrlR();
    EXPECT_EQ(clicks.Count, 1);
    EnableWindow(frame->GetHandle(), TRUE);
    delete dialog;
}

TEST_F(FormsTest, ScreenListsFormsInTheOrderOfActivation) {
    const Integer before = Screen->GetFormCount();
    TForm* a = TForm::CreateNew(nullptr);
    TForm* b = TForm::CreateNew(nullptr);
    TForm* c = TForm::CreateNew(nullptr);
    EXPECT_EQ(Screen->GetFormCount(), before + 3);
    struct TCounter : TObject {
        int Changes = 0;
        void Changed(TObject*) { ++Changes; }
    } counter;
    Screen->OnActiveFormChange = MakeEvent(&counter, &TCounter::Changed);
    for (TForm* f : {a, b, c})
        f->Show();
    EXPECT_EQ(Screen->GetActiveForm(), c);
    EXPECT_EQ(Screen->GetForms(0), c);
    SetActiveWindow(a->GetHandle());
    EXPECT_EQ(Screen->GetForms(0), a);
    EXPECT_EQ(Screen->GetForms(1), c);
    EXPECT_EQ(Screen->GetActiveForm(), a);
    EXPECT_TRUE(a->GetActive());
    EXPECT_FALSE(c->GetActive());
    EXPECT_GE(counter.Changes, 4);
    Screen->OnActiveFormChange = nullptr;
    delete a;
    EXPECT_EQ(Screen->GetFormCount(), before + 2);
    EXPECT_NE(Screen->GetForms(0), a);
    delete b;
    delete c;
    EXPECT_EQ(Screen->GetFormCount(), before);
}
