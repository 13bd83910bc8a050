// The standard controls on a form: clicks by mouse and by Space, the check box's state cycle,
// radio siblings, default and cancel buttons, owner-drawn buttons, speed button groups, and a
// sheet of every control saved as a picture.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Buttons.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinButton.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class StdCtrlsTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        App->SetTitle("KOV-571");
    }
    void ShowForm() {
        Form->Show();
        App->ProcessMessages();
    }
    void ClickAt(TControl* control, int x, int y) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        WinInputMouseMove(p);
        App->ProcessMessages();
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        App->ProcessMessages();
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        App->ProcessMessages();
    }
    void Key(UINT key) {
        WinInputKey(key, false, true);
        App->ProcessMessages();
        WinInputKey(key, false, false);
        App->ProcessMessages();
    }
    template <class T>
    T* Make(int left, int top, int width, int height, const String& caption = String()) {
        T* control = new T(Form);
        control->SetParent(Form);
        control->SetBounds(left, top, width, height);
        if (!caption.empty()) control->SetCaption(caption);
        return control;
    }
};

struct TClicks : TObject {
    std::vector<TObject*> Senders;
    std::vector<TCheckBoxState> States;
    void Click(TObject* sender) {
        Senders.push_back(sender);
        if (auto* box = dynamic_cast<TCheckBox*>(sender)) States.push_back(box->GetState());
    }
};

} // namespace

TEST_F(StdCtrlsTest, EachWindowedKindClicksByMouseAndBySpace) {
    TClicks clicks;
    auto* button = Make<TButton>(10, 10, 75, 25, "Go");
    auto* check = Make<TCheckBox>(10, 50, 120, 17, "Check");
    auto* radio = Make<TRadioButton>(10, 80, 120, 17, "Radio");
    for (TControl* c : std::vector<TControl*>{button, check, radio}) c->OnClick = MakeEvent(&clicks, &TClicks::Click);
    ShowForm();

    struct Case {
        TWinControl* Control;
        int X;
    };
    for (const Case& c : std::vector<Case>{{button, 30}, {check, 6}, {radio, 6}}) {
        SCOPED_TRACE(c.Control->ClassName());
        clicks.Senders.clear();
        ClickAt(c.Control, c.X, 8);
        ASSERT_EQ(clicks.Senders.size(), 1u);
        EXPECT_EQ(clicks.Senders[0], c.Control);
    }
    EXPECT_TRUE(check->GetChecked());
    EXPECT_TRUE(radio->GetChecked());

    // Space on the focused control clicks it too; the check box goes back to unchecked.
    for (TWinControl* control : std::vector<TWinControl*>{button, check}) {
        SCOPED_TRACE(control->ClassName());
        control->SetFocus();
        App->ProcessMessages();
        clicks.Senders.clear();
        Key(VK_SPACE);
        ASSERT_EQ(clicks.Senders.size(), 1u);
        EXPECT_EQ(clicks.Senders[0], control);
    }
    EXPECT_FALSE(check->GetChecked());
}

TEST_F(StdCtrlsTest, CheckBoxCyclesThroughGrayedOnlyWhenAllowed) {
    TClicks clicks;
    auto* check = Make<TCheckBox>(10, 10, 120, 17, "Check");
    check->OnClick = MakeEvent(&clicks, &TClicks::Click);
    ShowForm();
    struct Case {
        bool AllowGrayed;
        std::vector<TCheckBoxState> Cycle;
    };
    const std::vector<Case> cases = {
        {false, {cbChecked, cbUnchecked, cbChecked}},
        {true, {cbGrayed, cbChecked, cbUnchecked, cbGrayed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.AllowGrayed);
        check->SetClicksDisabled(true);
        check->SetState(cbUnchecked);
        check->SetClicksDisabled(false);
        check->SetAllowGrayed(c.AllowGrayed);
        clicks.States.clear();
        for (size_t i = 0; i < c.Cycle.size(); ++i) {
            ClickAt(check, 6, 8);
            EXPECT_EQ(check->GetState(), c.Cycle[i]);
            EXPECT_EQ(SendMessageA(check->GetHandle(), BM_GETCHECK, 0, 0), LRESULT(c.Cycle[i]));
        }
        EXPECT_EQ(clicks.States, c.Cycle);
    }

    // Code that changes Checked clicks too, once per change; not while the box is loading.
    clicks.States.clear();
    check->SetChecked(true);
    check->SetChecked(true);
    EXPECT_EQ(clicks.States, std::vector<TCheckBoxState>{cbChecked});
    auto* loading = new TCheckBox(Form);
    loading->OnClick = MakeEvent(&clicks, &TClicks::Click);
    clicks.Senders.clear();
    loading->IncludeComponentState(csLoading);
    SetEnumProp(loading, "State", "cbGrayed");
    EXPECT_EQ(loading->GetState(), cbGrayed);
    EXPECT_TRUE(clicks.Senders.empty());
    loading->Loaded();
    loading->SetState(cbChecked);
    EXPECT_EQ(clicks.Senders, std::vector<TObject*>{loading});
}

TEST_F(StdCtrlsTest, CheckingARadioButtonUnchecksItsSiblingsOnly) {
    TClicks clicks;
    auto* a = Make<TRadioButton>(10, 10, 100, 17, "A");
    auto* b = Make<TRadioButton>(10, 30, 100, 17, "B");
    auto* group = Make<TGroupBox>(150, 10, 200, 100, "Group");
    auto* c = new TRadioButton(Form);
    c->SetParent(group);
    c->SetBounds(10, 20, 100, 17);
    for (TControl* r : std::vector<TControl*>{a, b, c}) r->OnClick = MakeEvent(&clicks, &TClicks::Click);
    ShowForm();

    a->SetChecked(true);
    c->SetChecked(true);
    EXPECT_TRUE(a->GetChecked());
    ClickAt(b, 6, 8);
    EXPECT_FALSE(a->GetChecked());
    EXPECT_TRUE(b->GetChecked());
    EXPECT_TRUE(c->GetChecked()); // another parent, another group
    EXPECT_EQ(SendMessageA(a->GetHandle(), BM_GETCHECK, 0, 0), LRESULT(BST_UNCHECKED));
    // Only checking clicks: a, c, then b.
    EXPECT_EQ(clicks.Senders, (std::vector<TObject*>{a, c, b}));
}

TEST_F(StdCtrlsTest, DefaultAndCancelButtonsAnswerEnterAndEscape) {
    auto* ok = Make<TButton>(10, 10, 75, 25, "OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = Make<TButton>(100, 10, 75, 25, "Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    auto* other = Make<TButton>(190, 10, 75, 25, "Other");
    other->SetModalResult(mrRetry);
    auto* check = Make<TCheckBox>(10, 50, 120, 17, "Check");
    ShowForm();

    struct Case {
        TWinControl* Focused;
        UINT Key;
        TModalResult Result;
    };
    const std::vector<Case> cases = {
        {check, VK_RETURN, mrOk},      // the default button
        {check, VK_ESCAPE, mrCancel},  // the cancel button
        {other, VK_RETURN, mrRetry},   // a focused button takes Enter itself
        {other, VK_ESCAPE, mrCancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Focused->GetCaption() << " " << c.Key);
        c.Focused->SetFocus();
        App->ProcessMessages();
        Form->SetModalResult(mrNone);
        Key(c.Key);
        EXPECT_EQ(Form->GetModalResult(), c.Result);
    }
    // The default look follows the focus: the focused button, else the default one.
    other->SetFocus();
    App->ProcessMessages();
    EXPECT_TRUE(other->GetActive());
    EXPECT_FALSE(ok->GetActive());
    EXPECT_EQ(GetWindowLongA(ok->GetHandle(), GWL_STYLE) & BS_TYPEMASK, LONG(BS_PUSHBUTTON));
    check->SetFocus();
    App->ProcessMessages();
    EXPECT_TRUE(ok->GetActive());
    EXPECT_EQ(GetWindowLongA(ok->GetHandle(), GWL_STYLE) & BS_TYPEMASK, LONG(BS_DEFPUSHBUTTON));
}

namespace {
// A button that draws itself, as the suite's buttons do.
class TDrawnButton : public TButton {
    KOV_CLASS(TDrawnButton, TButton)
public:
    explicit TDrawnButton(TComponent* owner) : TButton(owner) {}
    std::vector<DRAWITEMSTRUCT> Items;

protected:
    void CreateParams(TCreateParams& params) override {
        TButton::CreateParams(params);
        params.Style |= BS_OWNERDRAW;
    }
    void DrawItem(const DRAWITEMSTRUCT& item) override {
        Items.push_back(item);
        HBRUSH brush = CreateSolidBrush(RGB(0, 128, 0));
        FillRect(item.hDC, &item.rcItem, brush);
        DeleteObject(brush);
    }
};
} // namespace

TEST_F(StdCtrlsTest, OwnerDrawnButtonDrawsItselfWithItsState) {
    auto* button = Make<TDrawnButton>(10, 10, 80, 30, "Drawn");
    button->SetDefault(true);
    ShowForm();
    button->SetFocus();
    UpdateWindow(Form->GetHandle());
    App->ProcessMessages();
    ASSERT_FALSE(button->Items.empty());
    const DRAWITEMSTRUCT& item = button->Items.back();
    EXPECT_EQ(item.CtlType, UINT(ODT_BUTTON));
    EXPECT_EQ(item.hwndItem, button->GetHandle());
    EXPECT_EQ(item.rcItem.right - item.rcItem.left, 80);
    EXPECT_TRUE(item.itemState & ODS_FOCUS);

    // Pressed while the mouse is down on it.
    button->Items.clear();
    const POINT p = button->ClientToScreen(POINT{20, 10});
    WinInputMouseMove(p);
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    App->ProcessMessages();
    UpdateWindow(button->GetHandle());
    ASSERT_FALSE(button->Items.empty());
    EXPECT_TRUE(button->Items.back().itemState & ODS_SELECTED);
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    App->ProcessMessages();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
    RECT frame;
    GetWindowRect(Form->GetHandle(), &frame);
    const POINT at{button->ClientToScreen(POINT{40, 15}).x - frame.left,
                   button->ClientToScreen(POINT{40, 15}).y - frame.top};
    EXPECT_EQ(GdiPixelToColor(s.Row(at.y)[at.x] & 0xFFFFFF), RGB(0, 128, 0));
}

TEST_F(StdCtrlsTest, SpeedButtonsOfAGroupKeepOneDown) {
    TClicks clicks;
    auto* a = Make<TSpeedButton>(10, 10, 23, 22);
    auto* b = Make<TSpeedButton>(40, 10, 23, 22);
    auto* plain = Make<TSpeedButton>(70, 10, 23, 22);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    for (TControl* c : std::vector<TControl*>{a, b, plain}) c->OnClick = MakeEvent(&clicks, &TClicks::Click);
    ShowForm();

    ClickAt(a, 5, 5);
    EXPECT_TRUE(a->GetDown());
    ClickAt(b, 5, 5);
    EXPECT_TRUE(b->GetDown());
    EXPECT_FALSE(a->GetDown());
    // Without AllowAllUp a down button stays down; with it a click puts it up.
    ClickAt(b, 5, 5);
    EXPECT_TRUE(b->GetDown());
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->GetAllowAllUp());
    ClickAt(b, 5, 5);
    EXPECT_FALSE(b->GetDown());
    // A button of no group clicks and never stays down.
    ClickAt(plain, 5, 5);
    EXPECT_FALSE(plain->GetDown());
    EXPECT_EQ(plain->GetState(), bsUp);
    EXPECT_EQ(clicks.Senders, (std::vector<TObject*>{a, b, b, b, plain}));

    // Flat buttons light up under the mouse.
    plain->SetFlat(true);
    WinInputMouseMove(plain->ClientToScreen(POINT{5, 5}));
    App->ProcessMessages();
    EXPECT_TRUE(plain->GetMouseInControl());
    WinInputMouseMove(Form->ClientToScreen(POINT{300, 200}));
    App->ProcessMessages();
    EXPECT_FALSE(plain->GetMouseInControl());
}

TEST_F(StdCtrlsTest, GraphicControlsClickByMouse) {
    TClicks clicks;
    auto* label = Make<TLabel>(10, 10, 100, 17, "Label");
    auto* image = Make<TImage>(10, 40, 32, 32);
    auto* shape = Make<TShape>(60, 40, 32, 32);
    auto* panel = Make<TPanel>(10, 90, 100, 40, "Panel");
    for (TControl* c : std::vector<TControl*>{label, image, shape, panel})
        c->OnClick = MakeEvent(&clicks, &TClicks::Click);
    ShowForm();
    for (TControl* c : std::vector<TControl*>{label, image, shape, panel}) {
        SCOPED_TRACE(c->ClassName());
        clicks.Senders.clear();
        ClickAt(c, 5, 5);
        ASSERT_EQ(clicks.Senders.size(), 1u);
        EXPECT_EQ(clicks.Senders[0], c);
    }
}

TEST_F(StdCtrlsTest, LabelSizesToItsTextAndItsMnemonicFocuses) {
    auto* label = Make<TLabel>(10, 10, 200, 40, "&Name");
    auto* check = Make<TCheckBox>(10, 50, 120, 17, "Other");
    label->SetFocusControl(check);
    ShowForm();
    EXPECT_LT(label->GetWidth(), 100);
    EXPECT_GT(label->GetHeight(), 8);
    const Integer oneLine = label->GetHeight();
    label->SetAutoSize(false);
    label->SetWidth(40);
    label->SetWordWrap(true);
    label->SetCaption("several words that wrap");
    label->SetAutoSize(true);
    EXPECT_EQ(label->GetWidth(), 40);
    EXPECT_GT(label->GetHeight(), 2 * oneLine);
    EXPECT_EQ(StripHotkey("&Save && go"), "Save & go");
    EXPECT_TRUE(IsAccel('s', "&Save"));
    EXPECT_FALSE(IsAccel('s', "&&Save"));
    EXPECT_EQ(label->Perform(CM_DIALOGCHAR, 'n', 0), 0); // the caption changed: no mnemonic now
    label->SetCaption("&Name");
    EXPECT_EQ(label->Perform(CM_DIALOGCHAR, 'n', 0), 1);
    EXPECT_TRUE(check->Focused());
}

TEST_F(StdCtrlsTest, ImageMakesABitmapForItsCanvasAndPlacesThePicture) {
    auto* image = Make<TImage>(0, 0, 100, 60);
    image->GetCanvas()->GetBrush()->SetColor(clRed);
    image->GetCanvas()->FillRect(TRect{0, 0, 10, 10});
    ASSERT_NE(dynamic_cast<TBitmap*>(image->GetPicture()->GetGraphic()), nullptr);
    EXPECT_EQ(image->GetPicture()->GetWidth(), 100);
    image->GetPicture()->GetBitmap()->SetWidth(20);
    image->GetPicture()->GetBitmap()->SetHeight(10);
    struct Case {
        bool Stretch, Center, Proportional;
        TRect Expected;
    };
    const std::vector<Case> cases = {
        {false, false, false, {0, 0, 20, 10}},  {false, true, false, {40, 25, 60, 35}},
        {true, false, false, {0, 0, 100, 60}},  {true, false, true, {0, 0, 100, 50}},
        {true, true, true, {0, 5, 100, 55}},
    };
    for (const Case& c : cases) {
        image->SetStretch(c.Stretch);
        image->SetCenter(c.Center);
        image->SetProportional(c.Proportional);
        const TRect r = image->DestRect();
        EXPECT_EQ(r.left, c.Expected.left);
        EXPECT_EQ(r.top, c.Expected.top);
        EXPECT_EQ(r.right, c.Expected.right);
        EXPECT_EQ(r.bottom, c.Expected.bottom);
    }
    image->SetAutoSize(true);
    EXPECT_EQ(image->GetWidth(), 20);
    EXPECT_EQ(image->GetHeight(), 10);
    image->GetPicture()->GetIcon();
    EXPECT_THROW(image->GetCanvas(), EInvalidOperation);
}

TEST_F(StdCtrlsTest, ClassesAndPropertiesAreRegistered) {
    for (const char* name : {"TLabel", "TStaticText", "TPanel", "TBevel", "TShape", "TImage", "TGroupBox",
                             "TButton", "TSpeedButton", "TCheckBox", "TRadioButton"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(GetClass(name), nullptr);
    }
    auto* panel = Make<TPanel>(0, 0, 50, 50);
    SetEnumProp(panel, "BevelOuter", "bvLowered");
    EXPECT_EQ(panel->GetBevelOuter(), bvLowered);
    auto* shape = Make<TShape>(0, 0, 50, 50);
    SetEnumProp(shape, "Shape", "stCircle");
    EXPECT_EQ(shape->GetShape(), stCircle);
    auto* button = Make<TButton>(0, 0, 50, 50);
    SetOrdProp(button, "ModalResult", mrYes);
    EXPECT_EQ(button->GetModalResult(), mrYes);
}

TEST_F(StdCtrlsTest, SheetOfEveryControlIsSavedAsPicture) {
    Form->SetBounds(50, 50, 520, 360);
    Form->SetCaption("Controls");
    Make<TLabel>(10, 10, 100, 17, "&Label");
    auto* label2 = Make<TLabel>(120, 10, 120, 17, "Centred label");
    label2->SetAutoSize(false);
    label2->SetAlignment(taCenter);
    label2->SetColor(clWhite);
    auto* text = Make<TStaticText>(260, 10, 100, 17, "Static text");
    text->SetBorderStyle(sbsSunken);
    auto* panel = Make<TPanel>(10, 40, 150, 50, "Panel");
    panel->SetBevelInner(bvLowered);
    auto* bevel = Make<TBevel>(170, 40, 80, 50);
    bevel->SetShape(bsFrame);
    auto* circle = Make<TShape>(260, 40, 50, 50);
    circle->SetShape(stCircle);
    circle->GetBrush()->SetColor(clYellow);
    auto* rounded = Make<TShape>(320, 40, 80, 50);
    rounded->SetShape(stRoundRect);
    rounded->GetBrush()->SetColor(clAqua);
    auto* group = Make<TGroupBox>(10, 100, 200, 110, "Group");
    auto* r1 = new TRadioButton(Form);
    r1->SetParent(group);
    r1->SetBounds(10, 20, 120, 17);
    r1->SetCaption("First");
    r1->SetChecked(true);
    auto* r2 = new TRadioButton(Form);
    r2->SetParent(group);
    r2->SetBounds(10, 45, 120, 17);
    r2->SetCaption("Second");
    auto* c1 = Make<TCheckBox>(230, 110, 120, 17, "Checked");
    c1->SetChecked(true);
    auto* c2 = Make<TCheckBox>(230, 135, 120, 17, "Grayed");
    c2->SetAllowGrayed(true);
    c2->SetState(cbGrayed);
    auto* c3 = Make<TCheckBox>(230, 160, 120, 17, "Text left");
    c3->SetAlignment(taLeftJustify);
    auto* ok = Make<TButton>(10, 230, 75, 25, "OK");
    ok->SetDefault(true);
    Make<TButton>(95, 230, 75, 25, "Cancel");
    auto glyph = std::make_unique<TBitmap>();
    glyph->SetWidth(32);
    glyph->SetHeight(16);
    glyph->GetCanvas()->GetBrush()->SetColor(clFuchsia);
    glyph->GetCanvas()->FillRect(TRect{0, 0, 32, 16});
    glyph->GetCanvas()->GetBrush()->SetColor(clBlue);
    glyph->GetCanvas()->FillRect(TRect{3, 3, 13, 13});
    glyph->GetCanvas()->GetBrush()->SetColor(clGray);
    glyph->GetCanvas()->FillRect(TRect{19, 3, 29, 13});
    auto* speed = Make<TSpeedButton>(190, 230, 80, 25, "Speed");
    speed->SetGlyph(glyph.get());
    auto* down = Make<TSpeedButton>(280, 230, 25, 25);
    down->SetGroupIndex(3);
    down->SetDown(true);
    down->SetGlyph(glyph.get());
    auto* image = Make<TImage>(320, 230, 40, 40);
    image->GetCanvas()->GetBrush()->SetColor(clGreen);
    image->GetCanvas()->Ellipse(0, 0, 40, 40);
    ShowForm();
    UpdateWindow(Form->GetHandle());
    App->ProcessMessages();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
    RECT frame;
    GetWindowRect(Form->GetHandle(), &frame);
    auto at = [&](TControl* control, int x, int y) {
        POINT p = control->ClientToScreen(POINT{x, y});
        p.x -= frame.left;
        p.y -= frame.top;
        return GdiPixelToColor(s.Row(p.y)[p.x] & 0xFFFFFF);
    };
    EXPECT_EQ(at(circle, 25, 25), COLORREF(clYellow));
    EXPECT_EQ(at(rounded, 40, 25), COLORREF(clAqua));
    EXPECT_EQ(at(image, 20, 20), COLORREF(clGreen));
    EXPECT_EQ(at(speed, 40, 24), COLORREF(ColorToRGB(cl3DDkShadow))); // the raised face's outer bottom edge
    EXPECT_EQ(at(panel, 0, 0), COLORREF(ColorToRGB(clBtnHighlight))); // raised outer bevel
    testsupport::WritePng(testsupport::ArtifactPath("StdCtrlsSheet.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
}
