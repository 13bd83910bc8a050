// Standard controls painted flat: which controls a painter chooses, what each message of a
// subclassed control repaints or changes, giving controls back (painter off, painter or control
// freed, Ctl3D changed), handing them to another painter, the colours each control kind is drawn
// in, and a sheet of every kind in every state.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "menupainter/Skarn.h"
#include "platform/classlib/Buttons.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/CommonCtrls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Mask.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinButton.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

// Classes of the names the choosing rules know from other class libraries.
class TBitBtn : public TButton {
    KOV_CLASS(TBitBtn, TButton)
public:
    explicit TBitBtn(TComponent* owner) : TButton(owner) {}
};
class TDBEdit : public TCustomEdit {
    KOV_CLASS(TDBEdit, TCustomEdit)
public:
    explicit TDBEdit(TComponent* owner) : TCustomEdit(owner) {}
};
class TDBNavigator : public TCustomPanel {
    KOV_CLASS(TDBNavigator, TCustomPanel)
public:
    explicit TDBNavigator(TComponent* owner) : TCustomPanel(owner) {}
};
class TDBCtrlPanel : public TCustomControl {
    KOV_CLASS(TDBCtrlPanel, TCustomControl)
public:
    explicit TDBCtrlPanel(TComponent* owner) : TCustomControl(owner) { FControlStyle.Include(csAcceptsControls); }
};
class TybTabSheet : public TCustomControl {
    KOV_CLASS(TybTabSheet, TCustomControl)
public:
    explicit TybTabSheet(TComponent* owner) : TCustomControl(owner) { FControlStyle.Include(csAcceptsControls); }
};

// A form without a definition that the application can make its main form.
class TPlainForm : public TForm {
    KOV_CLASS(TPlainForm, TForm)
public:
    explicit TPlainForm(TComponent* owner) : TForm(owner, TCreateNew{}) {}
};

namespace {

template <class T> T* Place(TWinControl* parent, Integer x, Integer y, Integer w, Integer h) {
    // Owned by the parent's form, as a window definition makes it.
    TComponent* owner = dynamic_cast<TCustomForm*>(parent) ? parent : parent->GetOwner();
    auto* c = new T(owner);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
}

bool Subclassed(TControl* c) { return TControlSubClass::Find(c) != nullptr; }

TWndMethod OwnProc(TControl* c) { return MakeEvent(c, &TControl::WndProc); }

class SkarnControlsTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Form->SetBounds(40, 40, 640, 420);
    }
    // An active painter of the form choosing the given kinds inside the given containers.
    TSkarn* Painter(TXPControls controls = AllXPControls(), TXPContainers containers = AllXPContainers(),
                    TCustomForm* form = nullptr) {
        auto* p = new TSkarn(form ? form : Form);
        p->SetXPControls(controls);
        p->SetXPContainers(containers);
        p->SetActive(true);
        return p;
    }
    void Show() {
        Form->Show();
        App->ProcessMessages();
    }
    // A pixel of the shown form's image, at a point of the control: of its whole window for a
    // control with a window, of its rectangle otherwise.
    COLORREF At(TControl* c, int x, int y) {
        HWND top = Form->GetHandle();
        GdiSurface s;
        EXPECT_TRUE(WinGetSurface(top, s));
        RECT frame{};
        GetWindowRect(top, &frame);
        POINT p{};
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            RECT r{};
            GetWindowRect(w->GetHandle(), &r);
            p = POINT{r.left + x, r.top + y};
        } else {
            p = c->GetParent()->ClientToScreen(POINT{c->GetLeft() + x, c->GetTop() + y});
        }
        return GdiPixelToColor(s.Row(p.y - frame.top)[p.x - frame.left] & 0xFFFFFF);
    }
    // Marks the window's top-left pixel, to see whether a message paints the frame again.
    static void Mark(TWinControl* c) {
        HDC dc = GetWindowDC(c->GetHandle());
        SetPixel(dc, 0, 0, COLORREF(clFuchsia));
        ReleaseDC(c->GetHandle(), dc);
    }
    static COLORREF Corner(TWinControl* c) {
        HDC dc = GetWindowDC(c->GetHandle());
        const COLORREF color = GetPixel(dc, 0, 0);
        ReleaseDC(c->GetHandle(), dc);
        return color;
    }
    static COLORREF Rgb(TColor c) { return COLORREF(ColorToRGB(c)); }
};

// ---- Choosing ----------------------------------------------------------------------------------------

TEST_F(SkarnControlsTest, EachKindIsChosenByItsOwnMemberOnly) {
    struct Case {
        const char* Name;
        std::function<TControl*()> Make;
        TXPControl Kind;
    };
    const std::vector<Case> cases = {
        {"combo box", [&] { return Place<TComboBox>(Form, 8, 8, 120, 22); }, xcCombo},
        {"edit", [&] { return Place<TEdit>(Form, 8, 8, 120, 22); }, xcEdit},
        {"mask edit", [&] { return Place<TMaskEdit>(Form, 8, 8, 120, 22); }, xcMaskEdit},
        {"class named TDBEdit", [&] { return Place<TDBEdit>(Form, 8, 8, 120, 22); }, xcMaskEdit},
        {"memo", [&] { return Place<TMemo>(Form, 8, 8, 120, 60); }, xcMemo},
        {"check box", [&] { return Place<TCheckBox>(Form, 8, 8, 120, 20); }, xcCheckBox},
        {"radio button", [&] { return Place<TRadioButton>(Form, 8, 8, 120, 20); }, xcRadioButton},
        {"class named TBitBtn", [&] { return Place<TBitBtn>(Form, 8, 8, 80, 26); }, xcBitBtn},
        {"button", [&] { return Place<TButton>(Form, 8, 8, 80, 26); }, xcButton},
        {"class named TDBNavigator", [&] { return Place<TDBNavigator>(Form, 8, 8, 120, 26); }, xcButton},
        {"up-down", [&] { return Place<TUpDown>(Form, 8, 8, 16, 24); }, xcUpDown},
        {"speed button", [&] { return Place<TSpeedButton>(Form, 8, 8, 26, 26); }, xcSpeedButton},
        {"panel", [&] { return Place<TPanel>(Form, 8, 8, 120, 60); }, xcPanel},
        {"group box", [&] { return Place<TGroupBox>(Form, 8, 8, 120, 60); }, xcGroupBox},
        {"list box", [&] { return Place<TListBox>(Form, 8, 8, 120, 60); }, xcListBox},
        {"tree view", [&] { return Place<TTreeView>(Form, 8, 8, 120, 60); }, xcTreeView},
        {"progress bar", [&] { return Place<TProgressBar>(Form, 8, 8, 120, 16); }, xcProgressBar},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        TControl* control = k.Make();
        TSkarn* only = Painter(TXPControls{k.Kind});
        EXPECT_TRUE(Subclassed(control));
        EXPECT_EQ(TControlSubClass::Find(control)->GetPainter(), only);
        delete only;
        EXPECT_FALSE(Subclassed(control));
        EXPECT_TRUE(control->WindowProc == OwnProc(control));

        TXPControls others = AllXPControls();
        others.Exclude(k.Kind);
        TSkarn* rest = Painter(others);
        EXPECT_FALSE(Subclassed(control));
        delete rest;
        delete control;
    }
}

TEST_F(SkarnControlsTest, TheParentMustBeAChosenContainerAndNothingTaggedSkip) {
    struct Case {
        const char* Name;
        TWinControl* Parent;
        TXPContainer Kind;
    };
    auto* panel = Place<TPanel>(Form, 0, 0, 200, 100);
    auto* group = Place<TGroupBox>(Form, 0, 100, 200, 100);
    auto* scroll = Place<TScrollBox>(Form, 200, 0, 200, 100);
    auto* bar = Place<TToolBar>(Form, 200, 100, 200, 40);
    auto* frame = Place<TDBCtrlPanel>(Form, 0, 200, 200, 100);
    auto* sheet = Place<TybTabSheet>(Form, 200, 200, 200, 100);
    for (const Case& k : std::vector<Case>{{"form", Form, xccForm},
                                           {"panel", panel, xccPanel},
                                           {"group box", group, xccGroupBox},
                                           {"scroll box", scroll, xccScrollBox},
                                           {"tool bar", bar, xccToolbar},
                                           {"class named TDBCtrlPanel", frame, xccFrame},
                                           {"class named TybTabSheet", sheet, xccTabSheet}}) {
        SCOPED_TRACE(k.Name);
        auto* button = Place<TButton>(k.Parent, 4, 4, 60, 24);
        TSkarn* only = Painter(TXPControls{xcButton}, TXPContainers{k.Kind});
        EXPECT_TRUE(Subclassed(button));
        delete only;
        TXPContainers others = AllXPContainers();
        others.Exclude(k.Kind);
        TSkarn* rest = Painter(TXPControls{xcButton}, others);
        EXPECT_FALSE(Subclassed(button));
        delete rest;
        delete button;
    }

    // Tag 999 on the control or on its parent keeps it out; a form owned by the painter's form
    // is walked too.
    auto* tagged = Place<TButton>(Form, 300, 300, 60, 24);
    tagged->SetTag(999);
    panel->SetTag(999);
    auto* inTaggedPanel = Place<TButton>(panel, 4, 4, 60, 24);
    TForm* owned = TForm::CreateNew(Form);
    auto* onOwned = Place<TButton>(owned, 4, 4, 60, 24);
    auto* plain = Place<TButton>(Form, 400, 300, 60, 24);
    TSkarn* painter = Painter(TXPControls{xcButton});
    EXPECT_FALSE(Subclassed(tagged));
    EXPECT_FALSE(Subclassed(inTaggedPanel));
    EXPECT_TRUE(Subclassed(onOwned));
    EXPECT_TRUE(Subclassed(plain));
    // Activating again makes no second object.
    painter->SetOverrideOwnerDraw(true);
    EXPECT_EQ(painter->SubClasses().size(), 2u);
}

TEST_F(SkarnControlsTest, ChangingTheChoiceWhileActiveGivesTheOldControlsBackFirst) {
    auto* button = Place<TButton>(Form, 8, 8, 80, 26);
    auto* box = Place<TCheckBox>(Form, 8, 40, 120, 20);
    auto* edit = Place<TEdit>(Form, 8, 70, 120, 22);
    Show();
    TSkarn* painter = Painter(TXPControls{xcButton, xcEdit});
    UpdateWindow(Form->GetHandle());
    ASSERT_TRUE(Subclassed(button) && Subclassed(edit));
    EXPECT_FALSE(edit->GetCtl3D()); // switched off by its painting

    painter->SetXPControls(TXPControls{xcCheckBox});
    EXPECT_FALSE(Subclassed(button));
    EXPECT_FALSE(Subclassed(edit));
    EXPECT_TRUE(edit->GetCtl3D());
    EXPECT_TRUE(button->WindowProc == OwnProc(button));
    EXPECT_TRUE(Subclassed(box));

    painter->SetXPContainers(TXPContainers{xccPanel});
    EXPECT_FALSE(Subclassed(box));
    EXPECT_TRUE(painter->SubClasses().empty());
}

// ---- Messages ----------------------------------------------------------------------------------------

TEST_F(SkarnControlsTest, MessagesRepaintAndChangeStateAsTheTableSays) {
    Show();
    TSkarn* painter = Painter(TXPControls{xcEdit});
    const COLORREF hotFrame = Rgb(LightenColor(clHighlight, 60));
    const COLORREF plainFrame = Rgb(DarkenColor(clBtnFace, 60));
    struct Msg {
        UINT Id;
        WPARAM W;
    };
    struct Row {
        const char* Name;
        std::vector<Msg> Before;
        Msg Sent;
        bool Painted;
        bool Hot;
        bool Recreated;
        bool MouseDown;
        bool SpaceDown;
    };
    const Msg enter{CM_MOUSEENTER, 0}, space{WM_KEYDOWN, VK_SPACE}, moved{WM_WINDOWPOSCHANGED, 0};
    for (const Row& r : std::vector<Row>{
             {"focus given", {}, {WM_SETFOCUS, 0}, true, true, false, false, false},
             {"focus taken", {enter}, {WM_KILLFOCUS, 0}, true, false, false, false, false},
             {"mouse enters", {}, enter, true, true, false, false, false},
             {"mouse leaves", {enter}, {CM_MOUSELEAVE, 0}, true, false, false, false, false},
             {"exit", {enter}, {CM_EXIT, 0}, true, false, false, false, false},
             {"text changed", {}, {CM_TEXTCHANGED, 0}, true, false, false, false, false},
             {"focus changed", {}, {CM_FOCUSCHANGED, 0}, true, false, false, false, false},
             {"parent colour changed", {}, {CM_PARENTCOLORCHANGED, 0}, true, false, false, false, false},
             {"enabled changed, still enabled", {enter}, {CM_ENABLEDCHANGED, 0}, true, true, false, false, false},
             {"check set", {enter}, {BM_SETCHECK, 0}, true, false, false, false, false},
             {"check read", {enter}, {BM_GETCHECK, 0}, true, false, false, false, false},
             {"state set", {enter}, {BM_SETSTATE, 0}, true, true, false, false, false},
             {"space down", {}, space, true, false, false, false, true},
             {"space down again: painted once", {space}, space, false, false, false, false, true},
             {"space up", {space}, {WM_KEYUP, VK_SPACE}, true, false, false, false, false},
             {"other key", {}, {WM_KEYDOWN, 'A'}, false, false, false, false, false},
             {"mouse moves onto it: entered", {}, {WM_MOUSEMOVE, 0}, true, true, false, false, false},
             {"window moved", {}, moved, false, false, true, false, false},
             {"reflected parent notice", {}, {0xBE10, 0}, false, false, true, false, false},
             {"message 0xB8", {}, {0xB8, 0}, false, false, true, false, false},
             {"paint ends the rebuilding", {moved}, {WM_PAINT, 0}, true, false, false, false, false},
         }) {
        SCOPED_TRACE(r.Name);
        auto* edit = Place<TEdit>(Form, 20, 20, 150, 24);
        edit->SetCtl3D(false); // as its first painting leaves it
        painter->ActivateComponent(edit, true, false);
        TControlSubClass* sub = TControlSubClass::Find(edit);
        ASSERT_NE(sub, nullptr);
        edit->GetHandle();
        for (const Msg& m : r.Before)
            edit->Perform(m.Id, m.W, 0);
        Mark(edit);
        edit->Perform(r.Sent.Id, r.Sent.W, 0);
        EXPECT_EQ(sub->GetLastMessage(), r.Sent.Id);
        EXPECT_EQ(sub->GetHot(), r.Hot);
        EXPECT_EQ(sub->GetRecreated(), r.Recreated);
        EXPECT_EQ(sub->GetMouseDown(), r.MouseDown);
        EXPECT_EQ(sub->GetSpaceDown(), r.SpaceDown);
        EXPECT_EQ(Corner(edit), r.Painted ? (r.Hot ? hotFrame : plainFrame) : COLORREF(clFuchsia));
        delete edit;
    }
    EXPECT_TRUE(painter->SubClasses().empty());

    // Disabled: hot off; a disabled control ignores the mouse entering.
    auto* edit = Place<TEdit>(Form, 20, 20, 150, 24);
    painter->ActivateComponent(edit, true, false);
    TControlSubClass* sub = TControlSubClass::Find(edit);
    edit->Perform(CM_MOUSEENTER, 0, 0);
    edit->SetEnabled(false);
    EXPECT_FALSE(sub->GetHot());
    EXPECT_EQ(sub->GetLastMessage(), UINT(CM_ENABLEDCHANGED));
    edit->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_FALSE(sub->GetHot());

    // Button presses: the mouse button down and up.
    auto* button = Place<TButton>(Form, 200, 20, 80, 26);
    painter->SetXPControls(TXPControls{xcButton});
    sub = TControlSubClass::Find(button);
    ASSERT_NE(sub, nullptr);
    button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(sub->GetMouseDown());
    button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(sub->GetMouseDown());
    // A double click is a second press.
    button->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(sub->GetMouseDown());
    button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

TEST_F(SkarnControlsTest, AFlatSpeedButtonsPaintIsAnsweredByThePainter) {
    Show();
    auto* flat = Place<TSpeedButton>(Form, 10, 10, 40, 30);
    flat->SetFlat(true);
    auto* raised = Place<TSpeedButton>(Form, 60, 10, 40, 30);
    TSkarn* painter = Painter(TXPControls{xcSpeedButton});
    painter->GetPalette();
    ASSERT_TRUE(Subclassed(flat) && Subclassed(raised));
    TBitmap image;
    image.SetPixelFormat(pf32bit);
    image.SetSize(40, 30);
    auto paint = [&](TControl* c) {
        image.GetCanvas()->GetBrush()->SetColor(clFuchsia);
        image.GetCanvas()->FillRect(TRect{0, 0, 40, 30});
        return c->Perform(WM_PAINT, WPARAM(image.GetCanvas()->GetHandle()), 0);
    };
    // The flat one: answered 1, its face the parent's colour (not hot).
    EXPECT_EQ(paint(flat), 1);
    EXPECT_EQ(COLORREF(ColorToRGB(image.GetCanvas()->GetPixels(20, 15))), Rgb(clBtnFace));
    // The mouse over it: invalidated, and its next paint has the hot colour.
    flat->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(TControlSubClass::Find(flat)->GetHot());
    paint(flat);
    EXPECT_EQ(COLORREF(ColorToRGB(image.GetCanvas()->GetPixels(20, 15))), Rgb(painter->GetPalette().SelectFace));
    // A button that is not flat paints itself.
    paint(raised);
    EXPECT_NE(COLORREF(ColorToRGB(image.GetCanvas()->GetPixels(20, 15))), COLORREF(clFuchsia));
}

TEST_F(SkarnControlsTest, ADoubleClickOnACheckBoxTogglesItTwice) {
    auto* box = Place<TCheckBox>(Form, 20, 20, 120, 20);
    box->SetCaption("Check");
    Show();
    TSkarn* painter = Painter(TXPControls{xcCheckBox});
    ASSERT_TRUE(Subclassed(box));
    Integer clicks = 0;
    struct TCounter : TObject {
        Integer* Count;
        void Click(TObject*) { ++*Count; }
    } counter;
    counter.Count = &clicks;
    box->OnClick = MakeEvent(&counter, &TCounter::Click);
    const POINT at = box->ClientToScreen(POINT{8, 10});
    WinInputMouseMove(at);
    for (int i = 0; i < 2; ++i) {
        WinInputMouseButton(at, TWinMouseButton::Left, true);
        App->ProcessMessages();
        WinInputMouseButton(at, TWinMouseButton::Left, false);
        App->ProcessMessages();
    }
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(box->GetChecked());
    EXPECT_EQ(TControlSubClass::Find(box)->GetPainter(), painter);
}

// ---- Giving controls back ----------------------------------------------------------------------------

TEST_F(SkarnControlsTest, Ctl3DChangesKeepTheEditSubclassedAndItsEndFreesTheObject) {
    auto* edit = Place<TEdit>(Form, 20, 20, 150, 24);
    Show();
    TSkarn* painter = Painter(TXPControls{xcEdit});
    UpdateWindow(Form->GetHandle());
    TControlSubClass* sub = TControlSubClass::Find(edit);
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->GetSavedCtl3D());
    // Its painting switched the 3-D look off: the window was made again without the edge.
    EXPECT_FALSE(edit->GetCtl3D());
    EXPECT_EQ(GetWindowLongA(edit->GetHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    HWND before = edit->GetHandle();
    edit->SetCtl3D(true);
    EXPECT_EQ(TControlSubClass::Find(edit), sub);
    EXPECT_NE(edit->GetHandle(), before);
    UpdateWindow(edit->GetHandle());
    EXPECT_EQ(TControlSubClass::Find(edit), sub);
    EXPECT_FALSE(edit->GetCtl3D());

    delete edit;
    EXPECT_TRUE(painter->SubClasses().empty());
    EXPECT_EQ(TControlSubClass::Find(edit), nullptr);
}

TEST_F(SkarnControlsTest, SwitchingThePainterOffGivesEachControlBackAtItsNextMessage) {
    auto* edit = Place<TEdit>(Form, 20, 20, 150, 24);
    edit->SetBorderStyle(bsSingle);
    auto* list = Place<TListBox>(Form, 20, 60, 150, 80);
    auto* button = Place<TButton>(Form, 200, 20, 80, 26);
    Show();
    TSkarn* painter = Painter();
    RedrawWindow(Form->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_TRUE(Subclassed(edit) && Subclassed(list) && Subclassed(button));
    EXPECT_FALSE(edit->GetCtl3D());
    EXPECT_FALSE(list->GetCtl3D());

    painter->SetActive(false);
    EXPECT_TRUE(Subclassed(edit)); // nothing happens before a message
    const LRESULT length = edit->Perform(WM_GETTEXTLENGTH, 0, 0);
    EXPECT_EQ(length, 0); // the control's own answer stands
    EXPECT_FALSE(Subclassed(edit));
    EXPECT_TRUE(edit->GetCtl3D());
    EXPECT_EQ(edit->GetBorderStyle(), bsSingle);
    EXPECT_TRUE(edit->WindowProc == OwnProc(edit));
    list->Perform(WM_NULL, 0, 0);
    EXPECT_TRUE(list->GetCtl3D());
    EXPECT_EQ(list->GetBorderStyle(), bsSingle);
    button->Perform(WM_NULL, 0, 0);
    EXPECT_TRUE(painter->SubClasses().empty());
}

// The painter freed while its form's controls live, and a control freed right after a move: each
// control is given back or takes its object with it, and nothing freed is reached (run under the
// address sanitizer).
TEST_F(SkarnControlsTest, FreeingThePainterOrAMovedControlLeavesNothingDangling) {
    auto* edit = Place<TEdit>(Form, 20, 20, 150, 24);
    auto* moved = Place<TButton>(Form, 200, 20, 80, 26);
    auto* speed = Place<TSpeedButton>(Form, 300, 20, 30, 30);
    speed->SetFlat(true);
    Show();
    auto* behind = Place<TEdit>(Form, 20, 60, 150, 24);
    Show();
    TSkarn* painter = Painter();
    UpdateWindow(Form->GetHandle());
    ASSERT_EQ(painter->SubClasses().size(), 4u);
    // An up-down made later puts its own procedure in front of the second edit's.
    auto* upDown = Place<TUpDown>(Form, 172, 60, 16, 24);
    upDown->SetAssociate(behind);

    moved->SetBounds(210, 20, 80, 26);
    EXPECT_TRUE(TControlSubClass::Find(moved)->GetRecreated());
    delete moved;
    delete speed;
    EXPECT_EQ(painter->SubClasses().size(), 2u);

    delete painter;
    EXPECT_FALSE(Subclassed(edit));
    EXPECT_TRUE(edit->WindowProc == OwnProc(edit));
    EXPECT_TRUE(edit->GetCtl3D());
    edit->Perform(WM_NULL, 0, 0);
    // The object behind the up-down's procedure stays in the chain and passes messages on.
    EXPECT_FALSE(Subclassed(behind));
    upDown->SetPosition(7);
    EXPECT_EQ(behind->GetText(), "7");
    delete upDown;
    behind->SetText("8");
    EXPECT_EQ(behind->GetText(), "8");
    delete behind;
    UpdateWindow(Form->GetHandle());
}

// ---- Hand-over ---------------------------------------------------------------------------------------

TEST_F(SkarnControlsTest, TheManagerHandsOtherFormsControlsToTheNextPainter) {
    // The painter's own form, a second form with a painter of its own, and a third form the
    // manager paints with the active painter.
    auto* own = Place<TButton>(Form, 10, 10, 80, 26);
    TForm* second = TForm::CreateNew(nullptr);
    auto* secondButton = Place<TButton>(second, 10, 10, 80, 26);
    TForm* third = TForm::CreateNew(nullptr);
    auto* thirdButton = Place<TButton>(third, 10, 10, 80, 26);
    auto* thirdEdit = Place<TEdit>(third, 10, 50, 120, 24);

    TSkarn* first = Painter(TXPControls{xcButton, xcEdit});
    first->Loaded();
    TSkarn* other = Painter(TXPControls{xcButton, xcEdit}, AllXPContainers(), second);
    other->Loaded();
    TSkarnManager* manager = SkarnManager();
    ASSERT_EQ(manager->GetActivePainter(), first);
    SendMessageA(App->GetHandle(), WM_NULL, 0, 0); // the hook treats the waiting forms
    ASSERT_TRUE(Subclassed(thirdButton) && Subclassed(thirdEdit));
    EXPECT_EQ(TControlSubClass::Find(thirdButton)->GetPainter(), first);
    EXPECT_EQ(TControlSubClass::Find(secondButton)->GetPainter(), other);
    const TWndMethod previous = TControlSubClass::Find(thirdButton)->GetPreviousWndProc();

    // The active painter goes before its form's controls.
    delete first;
    EXPECT_EQ(manager->GetActivePainter(), other);
    TControlSubClass* moved = TControlSubClass::Find(thirdButton);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->GetPainter(), other);
    EXPECT_TRUE(thirdButton->WindowProc == TWndMethod(moved, &TControlSubClass::ControlSubClass));
    EXPECT_TRUE(moved->GetPreviousWndProc() == previous);
    EXPECT_EQ(TControlSubClass::Find(thirdEdit)->GetPainter(), other);
    // The leaving form's own controls are given back.
    EXPECT_FALSE(Subclassed(own));
    EXPECT_TRUE(own->WindowProc == OwnProc(own));
    thirdButton->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(moved->GetHot());

    delete third;
    delete second;
    EXPECT_EQ(SkarnManager(), nullptr);
}

TEST_F(SkarnControlsTest, WithNoPainterLeftEveryPaintedFormButTheLeavingOneIsGivenBack) {
    TPlainForm* main = nullptr;
    App->CreateForm(main);
    auto* mainButton = Place<TButton>(main, 10, 10, 80, 26);
    auto* mainPainter = Painter(TXPControls{xcButton}, AllXPContainers(), main);
    auto* ownButton = Place<TButton>(Form, 10, 10, 80, 26);
    TForm* third = TForm::CreateNew(nullptr);
    auto* thirdButton = Place<TButton>(third, 10, 10, 80, 26);
    mainPainter->Loaded();
    ASSERT_EQ(Application->GetMainForm(), main);
    SendMessageA(App->GetHandle(), WM_NULL, 0, 0);
    ASSERT_TRUE(Subclassed(mainButton) && Subclassed(thirdButton) && Subclassed(ownButton));

    mainPainter->SetDisableSubclassing(true);
    EXPECT_EQ(SkarnManager()->GetActivePainter(), nullptr);
    EXPECT_FALSE(Subclassed(thirdButton));
    EXPECT_FALSE(Subclassed(ownButton));
    EXPECT_TRUE(thirdButton->WindowProc == OwnProc(thirdButton));
    // The leaving painter's own form keeps its controls.
    EXPECT_TRUE(Subclassed(mainButton));
    EXPECT_TRUE(SkarnManager()->GetPainted().empty());
    delete third;
}

// ---- Colours -----------------------------------------------------------------------------------------

// One control of every kind on a form of its own colour, painted by a painter choosing them all.
class SkarnControlColorsTest : public SkarnControlsTest {
protected:
    static constexpr TColor kParent = TColor(0xC08040);
    void SetUp() override {
        SkarnControlsTest::SetUp();
        Form->SetColor(kParent);
        Combo = Place<TComboBox>(Form, 10, 10, 120, 22);
        Edit = Place<TEdit>(Form, 10, 40, 120, 24);
        Box = Place<TCheckBox>(Form, 10, 70, 120, 20);
        Box->SetAllowGrayed(true);
        Radio = Place<TRadioButton>(Form, 10, 95, 120, 20);
        Button = Place<TButton>(Form, 10, 120, 80, 26);
        Button->SetCaption("OK");
        Speed = Place<TSpeedButton>(Form, 100, 120, 30, 30);
        Speed->SetFlat(true);
        Speed->SetGroupIndex(1);
        Speed->SetAllowAllUp(true);
        UpDown = Place<TUpDown>(Form, 140, 120, 16, 24);
        Panel = Place<TPanel>(Form, 200, 10, 120, 60);
        Group = Place<TGroupBox>(Form, 200, 80, 120, 60);
        Group->SetCaption("Group");
        List = Place<TListBox>(Form, 340, 10, 120, 60);
        Tree = Place<TTreeView>(Form, 340, 80, 120, 60);
        Progress = Place<TProgressBar>(Form, 200, 160, 120, 16);
        Show();
        Xp = Painter();
        Redraw();
        // The edit, list and tree switched to the flat look were made again: paint once more.
        Redraw();
    }
    void Redraw() {
        RedrawWindow(Form->GetHandle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    static void Enter(TControl* c) { c->Perform(CM_MOUSEENTER, 0, 0); }
    static void Leave(TControl* c) { c->Perform(CM_MOUSELEAVE, 0, 0); }

    TComboBox* Combo = nullptr;
    TEdit* Edit = nullptr;
    TCheckBox* Box = nullptr;
    TRadioButton* Radio = nullptr;
    TButton* Button = nullptr;
    TSpeedButton* Speed = nullptr;
    TUpDown* UpDown = nullptr;
    TPanel* Panel = nullptr;
    TGroupBox* Group = nullptr;
    TListBox* List = nullptr;
    TTreeView* Tree = nullptr;
    TProgressBar* Progress = nullptr;
    TSkarn* Xp = nullptr;
};

TEST_F(SkarnControlColorsTest, EachKindTakesTheFrameAndFaceColoursOfItsState) {
    const TSkarnPalette pal = Xp->GetPalette();
    const TColor hotFrame = LightenColor(pal.SelectBorder, 60);
    const TColor parentDark = DarkenColor(kParent, 60), parentLight = LightenColor(kParent, 60);
    const TColor face = pal.IconColumn, hotFace = LightenColor(clBtnFace, 40);
    struct Probe {
        const char* Name;
        std::function<void()> Setup, Teardown;
        TControl* Control;
        int X, Y;
        TColor Expected;
    };
    auto none = [] {};
    const std::vector<Probe> probes = {
        // Combo box: outer ring of the parent, inner frame, drop button.
        {"combo outer ring", none, none, Combo, 0, 10, kParent},
        {"combo frame normal", none, none, Combo, 1, 10, clWindow},
        {"combo button normal", none, none, Combo, 104, 5, face},
        {"combo frame hot", [&] { Enter(Combo); }, [&] { Leave(Combo); }, Combo, 1, 10, pal.SelectBorder},
        {"combo button hot", [&] { Enter(Combo); }, [&] { Leave(Combo); }, Combo, 104, 5, pal.SelectFace},
        // The focus makes a control hot; once the mouse leaves it shows the focus alone.
        {"combo frame focused",
         [&] {
             Combo->SetFocus();
             Leave(Combo);
         },
         none, Combo, 1, 10, hotFrame},
        {"combo button focused",
         [&] {
             Combo->SetFocus();
             Leave(Combo);
         },
         none, Combo, 104, 5, pal.CheckedFace},
        // Edit: one frame.
        {"edit normal", none, none, Edit, 0, 10, parentDark},
        {"edit hot", [&] { Enter(Edit); }, [&] { Leave(Edit); }, Edit, 0, 10, hotFrame},
        {"edit focused", [&] { Edit->SetFocus(); }, none, Edit, 0, 10, hotFrame},
        {"edit disabled", [&] { Edit->SetEnabled(false); }, [&] { Edit->SetEnabled(true); }, Edit, 0, 10, parentDark},
        // Check box: frame, fill and tick of the box.
        {"check frame normal", none, none, Box, 1, 10, clBtnShadow},
        {"check fill normal", none, none, Box, 3, 5, clWindow},
        {"check frame hot", [&] { Enter(Box); }, [&] { Leave(Box); }, Box, 1, 10, pal.SelectBorder},
        {"check fill hot", [&] { Enter(Box); }, [&] { Leave(Box); }, Box, 3, 5, pal.SelectFace},
        {"check fill focused", [&] { Box->SetFocus(); }, none, Box, 3, 5, pal.SelectFace},
        {"check fill pressed",
         [&] {
             Box->SetFocus();
             Box->Perform(WM_KEYDOWN, VK_SPACE, 0);
         },
         [&] { Box->Perform(WM_KEYUP, VK_SPACE, 0); }, Box, 3, 5, pal.PressedFace},
        {"check tick checked", [&] { Box->SetChecked(true); }, [&] { Box->SetChecked(false); }, Box, 4, 10,
         clHighlight},
        {"check tick grayed", [&] { Box->SetState(cbGrayed); }, [&] { Box->SetState(cbUnchecked); }, Box, 4, 10,
         TColor(0x808080)},
        {"check tick disabled",
         [&] {
             Box->SetChecked(true);
             Box->SetEnabled(false);
         },
         [&] {
             Box->SetEnabled(true);
             Box->SetChecked(false);
         },
         Box, 4, 10, pal.DisabledText},
        // Radio button: outer circle and dot.
        {"radio fill normal", none, none, Radio, 3, 10, clWindow},
        {"radio fill hot", [&] { Enter(Radio); }, [&] { Leave(Radio); }, Radio, 3, 10, pal.SelectFace},
        {"radio dot checked", [&] { Radio->SetChecked(true); }, [&] { Radio->SetChecked(false); }, Radio, 8, 10,
         clHighlight},
        // Push button: face and the dark line of its raised or pressed side.
        {"button face normal", none, none, Button, 5, 13, face},
        {"button face hot", [&] { Enter(Button); }, [&] { Leave(Button); }, Button, 5, 13, hotFace},
        {"button frame normal", none, none, Button, 0, 13, LightenColor(clBtnShadow, 30)},
        {"button frame focused", [&] { Button->SetFocus(); }, none, Button, 0, 13, LightenColor(hotFrame, 30)},
        {"button raised side", none, none, Button, 78, 13, DarkenColor(clBtnShadow, 50)},
        {"button pressed side",
         [&] {
             Button->SetFocus();
             Button->Perform(WM_KEYDOWN, VK_SPACE, 0);
         },
         [&] {
             Button->Perform(WM_KEYUP, VK_SPACE, 0);
         },
         Button, 1, 13, DarkenColor(hotFrame, 50)},
        {"button face disabled", [&] { Button->SetEnabled(false); }, [&] { Button->SetEnabled(true); }, Button, 5,
         13, face},
        {"button face tagged", [&] { Button->SetTag(1000); }, [&] { Button->SetTag(0); }, Button, 5, 13,
         LightenColor(kParent, 16)},
        {"button face tagged hot",
         [&] {
             Button->SetTag(1000);
             Enter(Button);
         },
         [&] {
             Leave(Button);
             Button->SetTag(0);
         },
         Button, 5, 13, LightenColor(kParent, 40)},
        // Flat speed button: the parent, the hot colour, down.
        {"speed face normal", none, none, Speed, 5, 5, kParent},
        {"speed face hot", [&] { Enter(Speed); }, [&] { Leave(Speed); }, Speed, 5, 5, pal.SelectFace},
        {"speed face down", [&] { Speed->SetDown(true); }, [&] { Speed->SetDown(false); }, Speed, 5, 5,
         pal.CheckedFace},
        {"speed face down and hot",
         [&] {
             Speed->SetDown(true);
             Enter(Speed);
         },
         [&] {
             Leave(Speed);
             Speed->SetDown(false);
         },
         Speed, 5, 5, pal.PressedFace},
        // Up-down halves.
        {"up-down fill", none, none, UpDown, 5, 3, LightenColor(pal.SelectFace, 16)},
        {"up-down frame", none, none, UpDown, 0, 5, LightenColor(kParent, 80)},
        {"up-down fill tagged", [&] { UpDown->SetTag(1000); }, [&] { UpDown->SetTag(0); }, UpDown, 5, 3,
         LightenColor(kParent, 16)},
        // Panel bevel, group box frame.
        {"panel raised light side", none, none, Panel, 0, 30, parentLight},
        {"panel raised dark side", none, none, Panel, 119, 30, parentDark},
        {"group box frame dark", none, none, Group, 0, 40, parentDark},
        {"group box frame light", none, none, Group, 1, 40, parentLight},
        // List box, tree view and progress bar frames.
        {"list frame normal", none, none, List, 0, 30, parentDark},
        {"list inner ring", none, none, List, 1, 30, clWindow},
        {"list frame hot", [&] { Enter(List); }, [&] { Leave(List); }, List, 0, 30, hotFrame},
        {"tree frame focused", [&] { Tree->SetFocus(); }, none, Tree, 0, 30, hotFrame},
        {"progress frame normal", none, none, Progress, 0, 8, parentDark},
        {"progress frame hot", [&] { Enter(Progress); }, [&] { Leave(Progress); }, Progress, 0, 8,
         pal.SelectBorder},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.Name);
        p.Setup();
        Redraw();
        EXPECT_EQ(At(p.Control, p.X, p.Y), Rgb(p.Expected));
        p.Teardown();
        Form->SetActiveControl(nullptr);
        ::SetFocus(Form->GetHandle());
        App->ProcessMessages();
    }
}

// A sheet to look at: every kind in the states normal, hot, focused, pressed and disabled, with
// the system's colours and with the painter's own.
TEST_F(SkarnControlColorsTest, SheetOfEveryKindInEveryState) {
    struct Kind {
        const char* Name;
        TControl* Control;
    };
    TSpeedButton* down = Place<TSpeedButton>(Form, 470, 10, 30, 30);
    down->SetFlat(true);
    down->SetGroupIndex(2);
    down->SetAllowAllUp(true);
    down->SetDown(true);
    TBitmap glyph;
    glyph.SetSize(16, 16);
    glyph.GetCanvas()->GetBrush()->SetColor(clFuchsia);
    glyph.GetCanvas()->FillRect(TRect{0, 0, 16, 16});
    glyph.GetCanvas()->GetBrush()->SetColor(clGreen);
    glyph.GetCanvas()->FillRect(TRect{3, 3, 13, 13});
    Speed->SetGlyph(&glyph);
    down->SetGlyph(&glyph);
    Combo->GetItems()->Add("Combo");
    Combo->SetItemIndex(0);
    Edit->SetText("Edit");
    Box->SetCaption("Check box");
    Box->SetChecked(true);
    Radio->SetCaption("Radio");
    Radio->SetChecked(true);
    Panel->SetCaption("Panel");
    List->GetItems()->Add("List item");
    Tree->GetItems()->Add(nullptr, "Tree node");
    Progress->SetPosition(40);
    const std::vector<Kind> kinds = {{"combo box", Combo}, {"edit", Edit},         {"check box", Box},
                                     {"radio", Radio},     {"button", Button},     {"speed", Speed},
                                     {"speed down", down}, {"up-down", UpDown},    {"panel", Panel},
                                     {"group box", Group}, {"list box", List},     {"tree view", Tree},
                                     {"progress", Progress}};
    Xp->ActivateComponent(down, true, false);
    const char* states[] = {"normal", "hot", "focused", "pressed", "disabled"};
    const int cellW = 150, cellH = 60, labelW = 76;
    TBitmap sheet;
    sheet.SetPixelFormat(pf32bit);
    sheet.SetSize(labelW + 2 * 5 * cellW, 20 + Integer(kinds.size()) * cellH);
    TCanvas* out = sheet.GetCanvas();
    out->GetBrush()->SetColor(clWhite);
    out->FillRect(TRect{0, 0, sheet.GetWidth(), sheet.GetHeight()});
    for (int palette = 0; palette < 2; ++palette) {
        if (palette == 1) {
            Xp->SetUseSystemColors(false);
            Xp->SetSelectColor(TColor(0x60C0F0));
            Xp->SetSelectBorderColor(TColor(0x0060C0));
            Xp->SetIconBackColor(TColor(0xE0F0F0));
            Xp->SetCheckedColor(TColor(0x0060C0));
        }
        for (int st = 0; st < 5; ++st) {
            const int x0 = labelW + (palette * 5 + st) * cellW;
            out->GetBrush()->SetStyle(bsClear);
            out->TextOut(x0 + 4, 2, String(states[st]) + (palette ? " (own)" : ""));
            for (std::size_t i = 0; i < kinds.size(); ++i) {
                TControl* c = kinds[i].Control;
                auto* win = dynamic_cast<TWinControl*>(c);
                switch (st) {
                case 1:
                    Enter(c);
                    break;
                case 2:
                    if (win) win->SetFocus();
                    break;
                case 3:
                    if (win) {
                        win->SetFocus();
                        c->Perform(WM_KEYDOWN, VK_SPACE, 0);
                    } else {
                        c->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                    }
                    break;
                case 4:
                    c->SetEnabled(false);
                    break;
                }
                Redraw();
                // The control and a margin of its parent around it.
                RECT r{};
                if (win) {
                    GetWindowRect(win->GetHandle(), &r);
                } else {
                    const POINT tl = c->GetParent()->ClientToScreen(POINT{c->GetLeft(), c->GetTop()});
                    r = RECT{tl.x, tl.y, tl.x + c->GetWidth(), tl.y + c->GetHeight()};
                }
                RECT frame{};
                GetWindowRect(Form->GetHandle(), &frame);
                HDC formDC = GetWindowDC(Form->GetHandle());
                const int y0 = 20 + int(i) * cellH;
                BitBlt(out->GetHandle(), x0 + 4, y0 + 4, std::min<int>(r.right - r.left + 8, cellW - 8),
                       std::min<int>(r.bottom - r.top + 8, cellH - 8), formDC, r.left - frame.left - 4,
                       r.top - frame.top - 4, SRCCOPY);
                ReleaseDC(Form->GetHandle(), formDC);
                if (palette == 0 && st == 0) out->TextOut(4, y0 + 8, kinds[i].Name);
                switch (st) {
                case 1:
                    Leave(c);
                    break;
                case 3:
                    if (win)
                        c->Perform(WM_KEYUP, VK_SPACE, 0);
                    else
                        c->Perform(WM_LBUTTONUP, 0, MAKELPARAM(-50, -50));
                    // The press was a click: the marks are put back.
                    Box->SetChecked(true);
                    Radio->SetChecked(true);
                    break;
                case 4:
                    c->SetEnabled(true);
                    break;
                }
                Form->SetActiveControl(nullptr);
                ::SetFocus(Form->GetHandle());
                App->ProcessMessages();
            }
        }
    }
    // Sanity: the sheet holds the flat colours, not only white.
    EXPECT_NE(ColorToRGB(out->GetPixels(labelW + 4 + 4 + 5, 20 + 4 + 4 + 10)), ColorToRGB(clWhite));
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < sheet.GetHeight(); ++y) {
        const auto* row = static_cast<const std::uint32_t*>(sheet.GetScanLine(y));
        for (int x = 0; x < sheet.GetWidth(); ++x)
            pixels.push_back(0xFF000000u | row[x]);
    }
    const std::string path = testsupport::ArtifactPath("MenuPainterControls.png");
    testsupport::WritePng(path, sheet.GetWidth(), sheet.GetHeight(), pixels.data(), sheet.GetWidth());
    EXPECT_GT(testsupport::ReadFileBytes(path).size(), 1000u);
}

} // namespace
