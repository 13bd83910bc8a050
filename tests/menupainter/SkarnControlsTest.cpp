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

TXPControls AllControls() {
    TXPControls s;
    for (Integer i = xcMainMenu; i <= xcHotKey; ++i)
        s.Include(TXPControl(i));
    return s;
}
TXPContainers AllContainers() {
    TXPContainers s;
    for (Integer i = xccForm; i <= xccPageScroller; ++i)
        s.Include(TXPContainer(i));
    return s;
}

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
    TSkarn* Painter(TXPControls controls = AllControls(), TXPContainers containers = AllContainers(),
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

        TXPControls others = AllControls();
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
        TXPContainers others = AllContainers();
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
    TSkarn* painter = Painter();
    UpdateWindow(Form->GetHandle());
    ASSERT_EQ(painter->SubClasses().size(), 3u);

    moved->SetBounds(210, 20, 80, 26);
    EXPECT_TRUE(TControlSubClass::Find(moved)->GetRecreated());
    delete moved;
    delete speed;
    EXPECT_EQ(painter->SubClasses().size(), 1u);

    delete painter;
    EXPECT_FALSE(Subclassed(edit));
    EXPECT_TRUE(edit->WindowProc == OwnProc(edit));
    EXPECT_TRUE(edit->GetCtl3D());
    edit->Perform(WM_NULL, 0, 0);
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
    TSkarn* other = Painter(TXPControls{xcButton, xcEdit}, AllContainers(), second);
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
    auto* mainPainter = Painter(TXPControls{xcButton}, AllContainers(), main);
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

} // namespace
