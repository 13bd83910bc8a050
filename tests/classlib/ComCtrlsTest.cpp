// Tool bars and status bars on a form: the bar's layout (rows, wrapping, separators, other
// controls, AutoSize), check buttons alone and grouped, the drop-down arrow and menu items, the
// custom drawing of buttons and its states, panels with owner drawing, simple text, the size
// grip's hit test and AutoHint; both read from a definition; and a picture of them.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Hints.h"
#include "platform/classlib/ImgList.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class ComCtrlsTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Form->SetBounds(50, 50, 420, 240);
    }
    void TearDown() override {
        if (FPopupHookInstalled) SetPopupMenuHook(FOldPopupHook);
        TFormFixture::TearDown();
    }
    void ShowForm() {
        Form->Show();
        App->ProcessMessages();
        UpdateWindow(Form->GetHandle());
        App->ProcessMessages();
    }
    void MoveTo(TControl* control, int x, int y) {
        WinInputMouseMove(control->ClientToScreen(POINT{x, y}));
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
    TToolBar* MakeBar() {
        auto* bar = new TToolBar(Form);
        bar->SetParent(Form);
        return bar;
    }
    TToolButton* AddButton(TToolBar* bar, TToolButtonStyle style = tbsButton, int image = -1) {
        auto* b = new TToolButton(Form);
        b->SetParent(bar);
        b->SetStyle(style);
        b->SetImageIndex(image);
        return b;
    }
    // Keeps the menus unit's popup hook, if any, to put it back after the test.
    void InstallPopupHook(TPopupMenuHook hook) {
        TPopupMenuHook old = SetPopupMenuHook(std::move(hook));
        if (!FPopupHookInstalled) FOldPopupHook = std::move(old);
        FPopupHookInstalled = true;
    }
    COLORREF PixelAt(TControl* control, int x, int y) {
        GdiSurface s;
        EXPECT_TRUE(WinGetSurface(Form->GetHandle(), s));
        RECT frame;
        GetWindowRect(Form->GetHandle(), &frame);
        POINT p = control->ClientToScreen(POINT{x, y});
        return GdiPixelToColor(s.Row(p.y - frame.top)[p.x - frame.left] & 0xFFFFFF);
    }
    // A list of 16 x 16 images, each a square of its colour on fuchsia.
    std::unique_ptr<TImageList> MakeImages(const std::vector<TColor>& colors) {
        auto list = std::make_unique<TImageList>(nullptr);
        for (TColor color : colors) {
            TBitmap bitmap;
            bitmap.SetWidth(16);
            bitmap.SetHeight(16);
            bitmap.GetCanvas()->GetBrush()->SetColor(clFuchsia);
            bitmap.GetCanvas()->FillRect(TRect{0, 0, 16, 16});
            bitmap.GetCanvas()->GetBrush()->SetColor(color);
            bitmap.GetCanvas()->FillRect(TRect{2, 2, 14, 14});
            list->AddMasked(&bitmap, clFuchsia);
        }
        return list;
    }

private:
    TPopupMenuHook FOldPopupHook;
    bool FPopupHookInstalled = false;
};

struct TEvents : TObject {
    std::vector<TObject*> Clicks;
    struct TDrawn {
        TToolButton* Button;
        TCustomDrawState State;
    };
    std::vector<TDrawn> Drawn;
    TToolButton* Replace = nullptr;
    void Click(TObject* sender) { Clicks.push_back(sender); }
    void DrawButton(TToolBar* bar, TToolButton* button, TCustomDrawState state, bool& defaultDraw) {
        Drawn.push_back({button, state});
        if (button != Replace) return;
        bar->GetCanvas()->GetBrush()->SetColor(clLime);
        bar->GetCanvas()->FillRect(button->GetBoundsRect());
        defaultDraw = false;
    }
    TCustomDrawState StateOf(TToolButton* button) const {
        for (auto it = Drawn.rbegin(); it != Drawn.rend(); ++it)
            if (it->Button == button) return it->State;
        return TCustomDrawState();
    }
    std::vector<TRect> PanelRects;
    std::vector<TStatusPanel*> Panels;
    void DrawPanel(TStatusBar* bar, TStatusPanel* panel, const TRect& rect) {
        Panels.push_back(panel);
        PanelRects.push_back(rect);
        bar->GetCanvas()->GetBrush()->SetColor(clYellow);
        bar->GetCanvas()->FillRect(rect);
    }
};

} // namespace

TEST_F(ComCtrlsTest, ToolBarLaysOutItsControlsInOrderAndWrapsRows) {
    auto images = MakeImages({clRed, clBlue});
    TToolBar* bar = MakeBar();
    bar->SetAlign(alNone);
    bar->SetEdgeBorders(TEdgeBorders());
    bar->SetImages(images.get());
    bar->SetIndent(4);
    TToolButton* a = AddButton(bar);
    TToolButton* sep = AddButton(bar, tbsSeparator);
    TToolButton* drop = AddButton(bar, tbsDropDown);
    TToolButton* hidden = AddButton(bar);
    hidden->SetVisible(false);
    auto* panel = new TPanel(Form);
    panel->SetParent(bar);
    panel->SetBounds(0, 0, 40, 18);
    TToolButton* b = AddButton(bar, tbsDivider);
    TToolButton* c = AddButton(bar);

    EXPECT_EQ(bar->GetButtonCount(), 6);
    EXPECT_EQ(bar->GetButtons(2), drop);
    EXPECT_EQ(drop->GetIndex(), 2);
    EXPECT_EQ(panel->GetParent(), bar);
    struct Case {
        TControl* Control;
        RECT Bounds;
    };
    // Buttons 23 x 22, separators 8 wide, the drop-down 14 wider, the panel at its own size.
    for (const Case& k : std::vector<Case>{{a, {4, 0, 27, 22}},
                                            {sep, {27, 0, 35, 22}},
                                            {drop, {35, 0, 72, 22}},
                                            {panel, {72, 0, 112, 18}},
                                            {b, {112, 0, 120, 22}},
                                            {c, {120, 0, 143, 22}}}) {
        SCOPED_TRACE(k.Control->ClassName());
        const RECT r = k.Control->GetBoundsRect();
        EXPECT_EQ(r.left, k.Bounds.left);
        EXPECT_EQ(r.top, k.Bounds.top);
        EXPECT_EQ(r.right, k.Bounds.right);
        EXPECT_EQ(r.bottom, k.Bounds.bottom);
    }
    EXPECT_EQ(bar->GetRowCount(), 1);

    // Narrower than its controls, the bar goes on in further rows; Wrap breaks after a button;
    // AutoSize takes the rows' height.
    bar->SetAutoSize(true);
    bar->SetWidth(80);
    EXPECT_EQ(panel->GetTop(), 22);
    EXPECT_EQ(panel->GetLeft(), 4);
    EXPECT_EQ(bar->GetHeight(), 44);
    a->SetWrap(true);
    EXPECT_EQ(sep->GetTop(), 22);
    EXPECT_EQ(sep->GetLeft(), 4);
    EXPECT_EQ(bar->GetRowCount(), 3);
    EXPECT_EQ(bar->GetHeight(), 66);

    // Larger images and captions widen every button alike.
    bar->SetWidth(400);
    a->SetWrap(false);
    a->SetCaption("A rather long caption");
    bar->SetShowCaptions(true);
    EXPECT_GT(c->GetWidth(), 23);
    EXPECT_EQ(c->GetWidth(), a->GetWidth());
    EXPECT_GT(c->GetHeight(), 22);

    // A button freed leaves the order.
    delete drop;
    EXPECT_EQ(bar->GetButtonCount(), 5);
    EXPECT_EQ(bar->GetButtons(2), hidden);
    EXPECT_THROW(bar->GetButtons(5), EListError);
}

TEST_F(ComCtrlsTest, CheckButtonsToggleAndGroupsKeepOneDown) {
    TEvents events;
    TToolBar* bar = MakeBar();
    TToolButton* lone = AddButton(bar, tbsCheck);
    AddButton(bar, tbsSeparator);
    TToolButton* g1 = AddButton(bar, tbsCheck);
    TToolButton* g2 = AddButton(bar, tbsCheck);
    TToolButton* g3 = AddButton(bar, tbsCheck);
    TToolButton* plain = AddButton(bar);
    for (TToolButton* g : {g1, g2, g3}) g->SetGrouped(true);
    for (TToolButton* b : {lone, g1, g2, g3, plain}) b->OnClick = MakeEvent(&events, &TEvents::Click);
    ShowForm();

    ClickAt(lone, 5, 5);
    EXPECT_TRUE(lone->GetDown());
    ClickAt(lone, 5, 5);
    EXPECT_FALSE(lone->GetDown());

    ClickAt(g1, 5, 5);
    ClickAt(g3, 5, 5);
    EXPECT_FALSE(g1->GetDown());
    EXPECT_TRUE(g3->GetDown());
    // The down button of a group stays down unless the group allows all up.
    ClickAt(g3, 5, 5);
    EXPECT_TRUE(g3->GetDown());
    g2->SetAllowAllUp(true);
    EXPECT_TRUE(g3->GetAllowAllUp());
    ClickAt(g3, 5, 5);
    EXPECT_FALSE(g3->GetDown());
    // Setting Down in code puts the group's other button up too.
    g1->SetDown(true);
    g2->SetDown(true);
    EXPECT_FALSE(g1->GetDown());

    // A plain button never stays down; a press that leaves the button does not click.
    ClickAt(plain, 5, 5);
    EXPECT_FALSE(plain->GetDown());
    const size_t before = events.Clicks.size();
    const POINT in = plain->ClientToScreen(POINT{5, 5});
    const POINT out = plain->ClientToScreen(POINT{5, 60});
    WinInputMouseMove(in);
    WinInputMouseButton(in, TWinMouseButton::Left, true);
    App->ProcessMessages();
    EXPECT_TRUE(plain->GetPressed());
    WinInputMouseMove(out);
    App->ProcessMessages();
    EXPECT_FALSE(plain->GetPressed());
    WinInputMouseButton(out, TWinMouseButton::Left, false);
    App->ProcessMessages();
    EXPECT_EQ(events.Clicks.size(), before);
    EXPECT_EQ(events.Clicks.size(), 7u);
}

TEST_F(ComCtrlsTest, DropDownArrowShowsTheMenuAndMenuItemButtonsClickTheItem) {
    TEvents events;
    TToolBar* bar = MakeBar();
    TToolButton* drop = AddButton(bar, tbsDropDown);
    drop->OnClick = MakeEvent(&events, &TEvents::Click);
    auto* menu = new TComponent(Form);
    drop->SetDropdownMenu(menu);
    struct TShown {
        TComponent* Menu;
        TControl* Control;
        POINT Pos;
        bool DroppedWhileShown;
    };
    std::vector<TShown> shown;
    InstallPopupHook([&](TComponent* m, TControl* control, POINT pos) {
        shown.push_back({m, control, pos, static_cast<TToolButton*>(control)->GetPressed()});
        return true;
    });
    ShowForm();

    ClickAt(drop, drop->GetWidth() - 4, 8);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Menu, menu);
    EXPECT_EQ(shown[0].Control, drop);
    const POINT under = drop->ClientToScreen(POINT{0, drop->GetHeight()});
    EXPECT_EQ(shown[0].Pos.x, under.x);
    EXPECT_EQ(shown[0].Pos.y, under.y);
    EXPECT_TRUE(shown[0].DroppedWhileShown);
    EXPECT_FALSE(drop->GetPressed());
    EXPECT_TRUE(events.Clicks.empty());
    // The face clicks the button.
    ClickAt(drop, 4, 8);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(events.Clicks.size(), 1u);
    // A freed menu is forgotten.
    delete menu;
    EXPECT_EQ(drop->GetDropdownMenu(), nullptr);

    // A button with a menu item runs the item's click after its own.
    std::vector<TComponent*> itemClicks;
    TMenuItemClickHook old = SetMenuItemClickHook([&](TComponent* item) { itemClicks.push_back(item); });
    TToolButton* byItem = AddButton(bar);
    auto* item = new TComponent(Form);
    byItem->SetMenuItem(item);
    byItem->Click();
    SetMenuItemClickHook(old);
    ASSERT_EQ(itemClicks.size(), 1u);
    EXPECT_EQ(itemClicks[0], item);
}

TEST_F(ComCtrlsTest, CustomDrawButtonSeesTheStatesAndCanReplaceTheDrawing) {
    auto images = MakeImages({clRed, clBlue, clGreen});
    auto disabledImages = MakeImages({clGray, clGray, clGray});
    TEvents events;
    TToolBar* bar = MakeBar();
    bar->SetFlat(true);
    bar->SetImages(images.get());
    bar->SetDisabledImages(disabledImages.get());
    bar->OnCustomDrawButton = MakeEvent(&events, &TEvents::DrawButton);
    TToolButton* replaced = AddButton(bar, tbsButton, 0);
    TToolButton* checked = AddButton(bar, tbsCheck, 1);
    checked->SetDown(true);
    TToolButton* disabled = AddButton(bar, tbsButton, 2);
    disabled->SetEnabled(false);
    TToolButton* hot = AddButton(bar, tbsButton, 2);
    TToolButton* marked = AddButton(bar, tbsButton, 1);
    marked->SetMarked(true);
    marked->SetIndeterminate(true);
    events.Replace = replaced;
    ShowForm();
    MoveTo(hot, 5, 5);
    UpdateWindow(bar->GetHandle());

    struct Case {
        TToolButton* Button;
        TCustomDrawState Expected;
    };
    for (const Case& k : std::vector<Case>{{replaced, {}},
                                            {checked, {cdsChecked}},
                                            {disabled, {cdsDisabled}},
                                            {hot, {cdsHot}},
                                            {marked, {cdsMarked, cdsIndeterminate}}}) {
        SCOPED_TRACE(k.Button->GetIndex());
        EXPECT_TRUE(events.StateOf(k.Button) == k.Expected);
    }
    // The handler's drawing stands; the others have their images (the disabled one from the
    // disabled images).
    EXPECT_EQ(PixelAt(replaced, 11, 11), COLORREF(clLime));
    EXPECT_EQ(PixelAt(checked, 12, 12), COLORREF(clBlue));
    EXPECT_EQ(PixelAt(disabled, 11, 11), COLORREF(clGray));
    EXPECT_EQ(PixelAt(hot, 11, 11), COLORREF(clGreen));

    // Pressed and held: cdsSelected.
    const POINT p = hot->ClientToScreen(POINT{5, 5});
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    App->ProcessMessages();
    UpdateWindow(bar->GetHandle());
    EXPECT_TRUE(events.StateOf(hot).Contains(cdsSelected));
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    App->ProcessMessages();

    // OnCustomDraw clearing DefaultDraw leaves every button undrawn.
    struct TBarDraw : TObject {
        int Calls = 0;
        void Draw(TToolBar*, const TRect&, bool& defaultDraw) {
            ++Calls;
            defaultDraw = false;
        }
    } barDraw;
    bar->OnCustomDraw = MakeEvent(&barDraw, &TBarDraw::Draw);
    events.Drawn.clear();
    bar->Repaint();
    EXPECT_GT(barDraw.Calls, 0);
    EXPECT_TRUE(events.Drawn.empty());
    EXPECT_NE(PixelAt(replaced, 11, 11), COLORREF(clLime));
}

TEST_F(ComCtrlsTest, ButtonsShowTheirOwnHintsOnABarThatShowsHints) {
    InstallHintHook();
    TToolBar* bar = MakeBar();
    bar->SetShowHint(true);
    TToolButton* first = AddButton(bar);
    first->SetHint("New|Starts a new file");
    TToolButton* second = AddButton(bar);
    second->SetHint("Open");
    ShowForm();
    for (TToolButton* b : {first, second}) {
        SCOPED_TRACE(b->GetHint());
        EXPECT_TRUE(b->GetShowHint());
        MoveTo(b, 5, 5);
        ClockAdvanceMs(App->GetHintPause() + 100);
        App->ProcessMessages();
        EXPECT_EQ(GetApplicationHintControl(), b);
        EXPECT_EQ(App->GetHint(), GetLongHint(b->GetHint()));
    }
    CancelApplicationHint();
    RemoveHintHook();
}

TEST_F(ComCtrlsTest, StatusBarPanelsOwnerDrawingAndSimpleText) {
    TEvents events;
    auto* bar = new TStatusBar(Form);
    bar->SetParent(Form);
    EXPECT_EQ(bar->GetAlign(), alBottom);
    Form->SetBorderStyle(bsSingle);
    for (int width : {50, 80, 120}) bar->GetPanels()->Add()->SetWidth(width);
    bar->GetPanels()->GetItems(0)->SetText("Port");
    TStatusPanel* drawn = bar->GetPanels()->GetItems(1);
    drawn->SetStyle(psOwnerDraw);
    bar->OnDrawPanel = MakeEvent(&events, &TEvents::DrawPanel);
    ShowForm();

    // Panels side by side two pixels apart; the last one takes the rest.
    const int width = bar->GetClientWidth();
    struct Case {
        int Index;
        RECT Rect;
    };
    for (const Case& k : std::vector<Case>{{0, {0, 2, 50, 19}}, {1, {52, 2, 132, 19}}, {2, {134, 2, width, 19}}}) {
        SCOPED_TRACE(k.Index);
        const TRect r = bar->GetPanelRect(k.Index);
        EXPECT_EQ(r.left, k.Rect.left);
        EXPECT_EQ(r.top, k.Rect.top);
        EXPECT_EQ(r.right, k.Rect.right);
        EXPECT_EQ(r.bottom, k.Rect.bottom);
    }
    ASSERT_FALSE(events.Panels.empty());
    EXPECT_EQ(events.Panels.back(), drawn);
    EXPECT_EQ(events.PanelRects.back().left, 53);
    EXPECT_EQ(events.PanelRects.back().right, 131);
    EXPECT_EQ(PixelAt(bar, 60, 10), COLORREF(clYellow));
    EXPECT_EQ(PixelAt(bar, 1, 2), COLORREF(ColorToRGB(clBtnShadow)));  // the lowered bevel

    // The simple text covers the panels.
    events.Panels.clear();
    bar->SetSimpleText("Reading...");
    bar->SetSimplePanel(true);
    UpdateWindow(bar->GetHandle());
    EXPECT_TRUE(events.Panels.empty());
    EXPECT_NE(PixelAt(bar, 60, 10), COLORREF(clYellow));
}

TEST_F(ComCtrlsTest, SizeGripAnswersOnlyOnASizableForm) {
    auto* bar = new TStatusBar(Form);
    bar->SetParent(Form);
    bar->GetPanels()->Add()->SetWidth(100);
    ShowForm();
    const TRect grip = bar->GetGripRect();
    const POINT onGrip = bar->ClientToScreen(POINT{grip.right - 3, grip.bottom - 3});
    const POINT onPanel = bar->ClientToScreen(POINT{10, 10});
    auto hit = [&](POINT p) { return SendMessageA(bar->GetHandle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)); };

    struct Case {
        TFormBorderStyle Style;
        bool SizeGrip;
        LRESULT OnGrip;
    };
    for (const Case& k : std::vector<Case>{
             {bsSizeable, true, HTBOTTOMRIGHT}, {bsSizeable, false, HTCLIENT}, {bsSingle, true, HTCLIENT}}) {
        SCOPED_TRACE(int(k.Style) * 10 + int(k.SizeGrip));
        Form->SetBorderStyle(k.Style);
        bar->SetSizeGrip(k.SizeGrip);
        App->ProcessMessages();
        EXPECT_EQ(bar->GetGripShown(), k.OnGrip == HTBOTTOMRIGHT);
        EXPECT_EQ(hit(onGrip), k.OnGrip);
        EXPECT_EQ(hit(onPanel), HTCLIENT);
    }
    // The last panel stops at the grip.
    Form->SetBorderStyle(bsSizeable);
    bar->SetSizeGrip(true);
    EXPECT_EQ(bar->GetPanelRect(0).right, grip.left);
}

TEST_F(ComCtrlsTest, AutoHintShowsTheApplicationsHintUnlessTheProgramHandlesIt) {
    auto* bar = new TStatusBar(Form);
    bar->SetParent(Form);
    bar->SetAutoHint(true);
    App->SetHint("Saves the channels");
    EXPECT_EQ(bar->GetSimpleText(), "Saves the channels");
    bar->GetPanels()->Add();
    App->SetHint("Opens a file");
    EXPECT_EQ(bar->GetPanels()->GetItems(0)->GetText(), "Opens a file");

    // A handler of the program's own takes the hints instead.
    struct THint : TObject {
        int Calls = 0;
        void Hint(TObject*) { ++Calls; }
    } own;
    App->OnHint = MakeEvent(&own, &THint::Hint);
    App->SetHint("Prints");
    EXPECT_EQ(own.Calls, 1);
    EXPECT_EQ(bar->GetPanels()->GetItems(0)->GetText(), "Opens a file");
    delete bar;
    App->SetHint("After the bar");
}

TEST_F(ComCtrlsTest, BarsAreReadFromADefinition) {
    auto images = MakeImages({clRed, clBlue});
    images->SetName("Image");
    Form->InsertComponent(images.get());
    const String text = R"(object F: TForm
  object tbar: TToolBar
    ShowHint = True
    Flat = True
    Images = Image
    ButtonHeight = 24
    EdgeBorders = [ebTop, ebBottom]
    object tbNew: TToolButton
      Tag = 1
      Hint = 'New'
      ImageIndex = 0
    end
    object ToolButton2: TToolButton
      Width = 8
      Style = tbsDivider
    end
    object tbOutline: TToolButton
      Style = tbsCheck
      Grouped = True
      Down = True
    end
  end
  object MainBar: TStatusBar
    SimplePanel = False
    Panels = <
      item
        Width = 50
      end
      item
        Alignment = taCenter
        Bevel = pbRaised
        Style = psOwnerDraw
        Text = 'x'
        Width = 80
      end>
  end
end
)";
    ReadComponentText(text, Form);
    auto* bar = dynamic_cast<TToolBar*>(Form->FindComponent("tbar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->GetFlat());
    EXPECT_EQ(bar->GetImages(), images.get());
    // The list leaving the form leaves the bar without images.
    Form->RemoveComponent(images.get());
    EXPECT_EQ(bar->GetImages(), nullptr);
    EXPECT_EQ(bar->GetButtonHeight(), 24);
    EXPECT_TRUE(bar->GetEdgeBorders() == (TEdgeBorders{ebTop, ebBottom}));
    ASSERT_EQ(bar->GetButtonCount(), 3);
    EXPECT_EQ(bar->GetButtons(0)->GetName(), "tbNew");
    EXPECT_EQ(bar->GetButtons(0)->GetTag(), 1);
    EXPECT_TRUE(bar->GetButtons(0)->GetShowHint());
    EXPECT_EQ(bar->GetButtons(1)->GetStyle(), tbsDivider);
    EXPECT_EQ(bar->GetButtons(1)->GetWidth(), 8);
    EXPECT_TRUE(bar->GetButtons(2)->GetDown());
    EXPECT_EQ(bar->GetButtons(2)->GetLeft(), bar->GetButtons(1)->GetLeft() + 8);
    auto* status = dynamic_cast<TStatusBar*>(Form->FindComponent("MainBar"));
    ASSERT_NE(status, nullptr);
    ASSERT_EQ(status->GetPanels()->GetCount(), 2);
    TStatusPanel* second = status->GetPanels()->GetItems(1);
    EXPECT_EQ(second->GetWidth(), 80);
    EXPECT_EQ(second->GetAlignment(), taCenter);
    EXPECT_EQ(second->GetBevel(), pbRaised);
    EXPECT_EQ(second->GetStyle(), psOwnerDraw);
    EXPECT_EQ(second->GetText(), "x");
}

TEST_F(ComCtrlsTest, PictureOfAToolBarAndAStatusBar) {
    auto images = MakeImages({clRed, clBlue, clGreen, clNavy});
    auto hotImages = MakeImages({clMaroon, clAqua, clLime, clPurple});
    Form->SetBorderStyle(bsSizeable);
    TToolBar* bar = MakeBar();
    bar->SetFlat(true);
    bar->SetImages(images.get());
    bar->SetHotImages(hotImages.get());
    TToolButton* plain = AddButton(bar, tbsButton, 0);
    AddButton(bar, tbsSeparator);
    AddButton(bar, tbsCheck, 1)->SetDown(true);
    TToolButton* divider = AddButton(bar, tbsDivider);
    auto* menu = new TComponent(Form);
    AddButton(bar, tbsDropDown, 2)->SetDropdownMenu(menu);
    AddButton(bar, tbsButton, 3)->SetEnabled(false);
    TToolButton* hot = AddButton(bar, tbsButton, 0);
    auto* captions = new TToolBar(Form);
    captions->SetParent(Form);
    captions->SetTop(60);
    captions->SetShowCaptions(true);
    captions->SetAutoSize(true);
    captions->SetImages(images.get());
    for (const char* caption : {"Read", "Write"}) {
        TToolButton* b = AddButton(captions, tbsButton, 1);
        b->SetCaption(caption);
    }
    captions->GetButtons(1)->SetEnabled(false);
    auto* status = new TStatusBar(Form);
    status->SetParent(Form);
    for (int width : {50, 80, 120}) status->GetPanels()->Add()->SetWidth(width);
    status->GetPanels()->GetItems(0)->SetText("COM1");
    status->GetPanels()->GetItems(1)->SetText("Centre");
    status->GetPanels()->GetItems(1)->SetAlignment(taCenter);
    status->GetPanels()->GetItems(2)->SetText("Raised");
    status->GetPanels()->GetItems(2)->SetBevel(pbRaised);
    ShowForm();
    MoveTo(hot, 5, 5);
    UpdateWindow(Form->GetHandle());
    App->ProcessMessages();

    EXPECT_EQ(PixelAt(hot, 11, 11), COLORREF(clMaroon));  // from the hot images
    EXPECT_EQ(PixelAt(plain, 11, 11), COLORREF(clRed));
    EXPECT_EQ(PixelAt(divider, divider->GetWidth() / 2 - 1, 10), COLORREF(ColorToRGB(clBtnShadow)));
    const TRect grip = status->GetGripRect();
    EXPECT_TRUE(status->GetGripShown());
    int gripLines = 0;
    for (int d = 1; d < grip.right - grip.left; ++d)
        if (PixelAt(status, grip.right - d, grip.bottom - 2) != COLORREF(ColorToRGB(clBtnFace))) ++gripLines;
    EXPECT_GT(gripLines, 2);

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
    testsupport::WritePng(testsupport::ArtifactPath("ComCtrlsBars.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
}
