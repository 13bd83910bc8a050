// The suite's push button: its properties and state colours, the state each paint shows, the
// painter it takes, hot tracking, both drop-down kinds with their menus, the context menu and
// the glyph an action brings.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

struct Counter : TObject {
    void Clicked(TObject*) { ++Clicks; }
    // The menu's loop reads the keys queued here: the menu closes at once.
    void Popped(TObject*) {
        ++Popups;
        if (OnPopup) OnPopup();
        for (UINT key : Keys) {
            WinInputKey(key, false, true);
            WinInputKey(key, false, false);
        }
    }
    int Clicks = 0;
    int Popups = 0;
    std::function<void()> OnPopup;
    std::vector<UINT> Keys{VK_ESCAPE};
};

class Button : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Btn = new TqzButton(Form);
        Btn->SetName("Btn");
        Btn->SetParent(Form);
        Btn->SetBounds(20, 20, 100, 30);
        Btn->OnClick = TNotifyEvent(&Count, &Counter::Clicked);
    }
    void ShowForm() { ShowUnfocused(); }
    void Press(TControl* control, int x, int y, bool down) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        WinInputMouseMove(p);
        App->ProcessMessages();
        WinInputMouseButton(p, TWinMouseButton::Left, down);
        App->ProcessMessages();
    }
    void ClickAt(TControl* control, int x, int y) {
        Press(control, x, y, true);
        Press(control, x, y, false);
    }
    TPopupMenu* MakeMenu(int items = 2) {
        auto* menu = new TPopupMenu(Form);
        for (int i = 0; i < items; ++i) {
            auto* item = new TMenuItem(menu);
            item->SetCaption("Item " + std::to_string(i));
            item->SetHint("Hint " + std::to_string(i));
            menu->GetItems()->Add(item);
        }
        menu->OnPopup = TNotifyEvent(&Count, &Counter::Popped);
        return menu;
    }
    // The centre pixel of the face drawn for an owner-draw item state.
    TColor FaceAt(UINT itemState, int x = 50, int y = 15) {
        TBitmap target;
        target.SetSize(Btn->GetWidth(), Btn->GetHeight());
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.itemState = itemState;
        item.hwndItem = Btn->GetHandle();
        item.hDC = target.GetCanvas()->GetHandle();
        item.rcItem = RECT{0, 0, Btn->GetWidth(), Btn->GetHeight()};
        Btn->Perform(CN_DRAWITEM, 0, LPARAM(&item));
        return ColorToRGB(target.GetCanvas()->GetPixels(x, y));
    }

    TqzButton* Btn = nullptr;
    Counter Count;
};

TEST_F(Button, PropertiesKeepTheirRanges) {
    EXPECT_EQ(qzbkStandard, Btn->GetKind());
    EXPECT_EQ(blGlyphLeft, Btn->GetLayout());
    EXPECT_EQ(paLeft, Btn->GetPopupAlignment());
    EXPECT_EQ(4, Btn->GetSpacing());
    EXPECT_EQ(-1, Btn->GetMargin());
    EXPECT_EQ(1, Btn->GetNumGlyphs());
    EXPECT_TRUE(Btn->GetControlStyle().Contains(csOpaque));
    EXPECT_TRUE(Btn->GetControlStyle().Contains(csReflector));

    Btn->SetMargin(3);
    Btn->SetMargin(-2); // below -1: ignored
    EXPECT_EQ(3, Btn->GetMargin());
    Btn->SetMargin(-1);
    EXPECT_EQ(-1, Btn->GetMargin());
    Btn->SetNumGlyphs(7);
    EXPECT_EQ(4, Btn->GetNumGlyphs());
    Btn->SetNumGlyphs(0);
    EXPECT_EQ(4, Btn->GetNumGlyphs());

    // A popup menu is a class-library popup menu or nothing; freeing it clears the reference.
    TPopupMenu* menu = MakeMenu();
    Btn->SetPopupMenu(menu);
    EXPECT_EQ(menu, Btn->GetPopupMenu());
    auto* other = new TMainMenu(Form);
    Btn->SetPopupMenu(other);
    EXPECT_EQ(nullptr, Btn->GetPopupMenu());
    Btn->SetPopupMenu(menu);
    Btn->SetDropDownMenu(menu);
    delete menu;
    EXPECT_EQ(nullptr, Btn->GetPopupMenu());
    EXPECT_EQ(nullptr, Btn->GetDropDownMenu());
}

TEST_F(Button, StateColoursAreAssignedByValueAndStoredOnlyWhenAssigned) {
    TqzButtonColors* colors = Btn->GetColors();
    EXPECT_EQ(clDefault, colors->GetHot());
    EXPECT_TRUE(colors->GetAssignedColors().empty());
    colors->SetHot(clRed);
    EXPECT_EQ(clRed, colors->GetHot());
    EXPECT_TRUE(colors->GetAssignedColors().Contains(qzbsHot));
    colors->SetHot(clNone);
    EXPECT_EQ(clDefault, colors->GetHot());
    EXPECT_FALSE(colors->GetAssignedColors().Contains(qzbsHot));

    // At run time the set cannot be written.
    colors->SetPressed(clBlue);
    colors->SetAssignedColors(TqzButtonStates());
    EXPECT_EQ(clBlue, colors->GetPressed());
    EXPECT_TRUE(colors->GetAssignedColors().Contains(qzbsPressed));

    String text = WriteComponentText(Form);
    EXPECT_NE(String::npos, text.find("Colors.Pressed = clBlue"));
    EXPECT_EQ(String::npos, text.find("Colors.Hot"));
    EXPECT_EQ(String::npos, text.find("AssignedColors"));
    colors->SetPressed(clDefault);
    text = WriteComponentText(Form);
    EXPECT_EQ(String::npos, text.find("Colors"));

    // While designed, the set and the colours are made to agree.
    colors->SetNormal(clLime);
    Btn->IncludeComponentState(csDesigning);
    TqzButtonStates wanted;
    wanted.Include(qzbsHot); // no colour: dropped
    colors->SetAssignedColors(wanted);
    EXPECT_TRUE(colors->GetAssignedColors().empty());
    EXPECT_EQ(clDefault, colors->GetNormal());

    // Assign copies colours and set.
    TqzButtonColors copy;
    colors->SetDisabled(clYellow);
    copy.Assign(colors);
    EXPECT_EQ(clYellow, copy.GetDisabled());
    EXPECT_TRUE(copy.GetAssignedColors().Contains(qzbsDisabled));
}

TEST_F(Button, EachPaintShowsItsStateInTheStateColour) {
    Btn->GetLookAndFeel()->SetKind(lfUltraFlat);
    Btn->GetLookAndFeel()->SetNativeStyle(false);
    TqzButtonColors* colors = Btn->GetColors();
    colors->SetDefault(clYellow);
    colors->SetNormal(clRed);
    colors->SetHot(clLime);
    colors->SetPressed(clBlue);
    colors->SetDisabled(clFuchsia);
    ShowForm();

    EXPECT_EQ(ColorToRGB(clRed), FaceAt(0));
    EXPECT_EQ(qzbsNormal, Btn->CurrentState());
    EXPECT_EQ(ColorToRGB(clYellow), FaceAt(ODS_FOCUS));
    EXPECT_EQ(ColorToRGB(clBlue), FaceAt(ODS_SELECTED | ODS_FOCUS));
    EXPECT_EQ(qzbsPressed, Btn->CurrentState());

    // Hot on entry (the painter tracks hot buttons), off once the pointer is elsewhere.
    Btn->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(Btn->IsHot());
    EXPECT_EQ(ColorToRGB(clLime), FaceAt(0));
    EXPECT_EQ(ColorToRGB(clBlue), FaceAt(ODS_SELECTED)); // pressed beats hot
    Btn->MouseLeave();
    EXPECT_FALSE(Btn->IsHot());

    // The default button looks default without the focus.
    Btn->SetDefault(true);
    Form->Perform(CM_FOCUSCHANGED, 0, 0);
    EXPECT_TRUE(Btn->IsDefaultLooking());
    EXPECT_EQ(ColorToRGB(clYellow), FaceAt(0));
    Btn->SetDefault(false);

    Btn->SetEnabled(false);
    EXPECT_EQ(ColorToRGB(clFuchsia), FaceAt(ODS_SELECTED | ODS_FOCUS));
    Btn->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_FALSE(Btn->IsHot()); // a disabled button is never hot

    // The draw-parameters event has the last word.
    Btn->SetEnabled(true);
    struct Params : TObject {
        void Get(TqzCustomButton*, TqzButtonState state, TColor& color, TFont*) {
            Seen = state;
            color = clAqua;
        }
        TqzButtonState Seen = qzbsDisabled;
    } params;
    Btn->OnGetDrawParams = TqzButtonGetDrawParamsEvent(&params, &Params::Get);
    EXPECT_EQ(ColorToRGB(clAqua), FaceAt(0));
    EXPECT_EQ(qzbsNormal, params.Seen);
}

TEST_F(Button, HotOnEntryAndOffAfterTheTrackingTickSeesThePointerGone) {
    Btn->GetLookAndFeel()->SetKind(lfUltraFlat);
    ShowForm();
    const POINT inside = Btn->ClientToScreen(POINT{10, 10});
    WinInputMouseMove(inside);
    App->ProcessMessages();
    ASSERT_TRUE(Btn->IsHot());
    EXPECT_EQ(1, MouseTrackingCount());
    ClockAdvanceMs(10);
    App->ProcessMessages();
    EXPECT_TRUE(Btn->IsHot()); // still inside

    // Elsewhere on the form: the tick ends the tracking inside the mouse-leave it sends.
    WinInputMouseMove(Form->ClientToScreen(POINT{300, 250}));
    ClockAdvanceMs(10);
    App->ProcessMessages();
    ClockAdvanceMs(10);
    App->ProcessMessages();
    EXPECT_FALSE(Btn->IsHot());
    EXPECT_EQ(0, MouseTrackingCount());

    // A standard painter tracks no hot buttons.
    Btn->GetLookAndFeel()->SetKind(lfStandard);
    App->ProcessMessages();
    WinInputMouseMove(inside);
    App->ProcessMessages();
    EXPECT_FALSE(Btn->IsHot());
}

TEST_F(Button, TheOfficeKindPaintsStandardWithoutVisualStyles) {
    Btn->GetLookAndFeel()->SetKind(lfOffice11);
    Btn->GetLookAndFeel()->SetNativeStyle(false);
    EXPECT_EQ(LookAndFeelPainterClassOf(lfStandard), Btn->ActivePainterClass());
    Btn->GetLookAndFeel()->SetKind(lfFlat);
    EXPECT_EQ(LookAndFeelPainterClassOf(lfFlat), Btn->ActivePainterClass());
    // Native style without visual styles: the kind's painter.
    Btn->GetLookAndFeel()->SetNativeStyle(true);
    EXPECT_EQ(LookAndFeelPainterClassOf(lfFlat), Btn->ActivePainterClass());
}

class ButtonThemed : public Button {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
        Button::SetUp();
    }
    void TearDown() override {
        Button::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
    }
    std::optional<TThemeFake> Fake;
};

TEST_F(ButtonThemed, NativeStyleAndTheOfficeKindPaintThroughTheTheme) {
    Btn->GetLookAndFeel()->SetKind(lfOffice11);
    Btn->GetLookAndFeel()->SetNativeStyle(false);
    EXPECT_EQ(NativeLookAndFeelPainterClass(), Btn->ActivePainterClass());
    Btn->GetLookAndFeel()->SetKind(lfStandard);
    Btn->GetLookAndFeel()->SetNativeStyle(true);
    EXPECT_EQ(NativeLookAndFeelPainterClass(), Btn->ActivePainterClass());
    ShowForm();
    Fake->Calls.clear();
    FaceAt(0);
    bool sawButton = false;
    for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground"))
        if (call.Part == 1) sawButton = true;
    EXPECT_TRUE(sawButton);
}

TEST_F(Button, ADropDownButtonClicksOnItsLeftPartAndOpensItsMenuOnTheRight) {
    Btn->SetKind(qzbkDropDownButton);
    Btn->SetDropDownMenu(MakeMenu());
    ShowForm();

    ClickAt(Btn, 20, 15);
    EXPECT_EQ(1, Count.Clicks);
    EXPECT_EQ(0, Count.Popups);

    bool pressedArrow = false;
    Count.OnPopup = [&] { pressedArrow = Btn->IsDropDownRequested(); };
    ClickAt(Btn, 92, 15); // inside the right 15 pixels
    EXPECT_EQ(1, Count.Popups);
    EXPECT_TRUE(pressedArrow);
    EXPECT_EQ(1, Count.Clicks);
    EXPECT_FALSE(Btn->IsMenuVisible());
    EXPECT_FALSE(Btn->IsDropDownRequested());

    // Shift+Down opens it from the keyboard; the key goes no further.
    Btn->SetFocus();
    App->ProcessMessages();
    Btn->Perform(CN_KEYDOWN, VK_DOWN, 0); // a plain Down does nothing of it
    App->ProcessMessages();
    EXPECT_EQ(1, Count.Popups);
    WinInputKey(VK_SHIFT, false, true);
    WinInputKey(VK_DOWN, false, true);
    WinInputKey(VK_DOWN, false, false);
    WinInputKey(VK_SHIFT, false, false);
    App->ProcessMessages();
    EXPECT_EQ(2, Count.Popups);
}

TEST_F(Button, ADropDownButtonOpensOnPressAndOnSpaceWithoutOnClick) {
    Btn->SetKind(qzbkDropDown);
    Btn->SetDropDownMenu(MakeMenu());
    ShowForm();
    bool visible = false;
    Count.OnPopup = [&] { visible = Btn->IsMenuVisible(); };

    ClickAt(Btn, 50, 15);
    EXPECT_EQ(1, Count.Popups);
    EXPECT_TRUE(visible);
    EXPECT_EQ(0, Count.Clicks);
    EXPECT_FALSE(Btn->IsMenuVisible());

    Btn->SetFocus();
    App->ProcessMessages();
    WinInputKey(VK_SPACE, false, true, U" ");
    WinInputKey(VK_SPACE, false, false);
    App->ProcessMessages();
    EXPECT_EQ(2, Count.Popups);
    EXPECT_EQ(0, Count.Clicks);

    // The press that closes an open menu does not count as a click.
    Count.OnPopup = [&] { Btn->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 15)); };
    Btn->Click();
    App->ProcessMessages();
    EXPECT_EQ(3, Count.Popups);
    Btn->Click(); // the click that follows the closing press
    App->ProcessMessages();
    EXPECT_EQ(3, Count.Popups);
    EXPECT_EQ(0, Count.Clicks);
}

TEST_F(Button, AHandledDropDownOpensNoMenuAndIsNotDrawnPressedUntilTheRelease) {
    Btn->SetKind(qzbkDropDownButton);
    Btn->SetDropDownMenu(MakeMenu());
    Btn->GetLookAndFeel()->SetKind(lfUltraFlat);
    Btn->GetColors()->SetNormal(clRed);
    Btn->GetColors()->SetPressed(clBlue);
    Btn->GetColors()->SetHot(clLime);
    struct Handler : TObject {
        void Popup(TObject*, TPopupMenu*& menu, bool& handled) {
            ++Calls;
            handled = true;
        }
        int Calls = 0;
    } handler;
    Btn->OnDropDownMenuPopup = TqzButtonDropDownMenuPopupEvent(&handler, &Handler::Popup);
    ShowForm();
    Press(Btn, 92, 15, true);
    EXPECT_EQ(1, handler.Calls);
    EXPECT_EQ(0, Count.Popups);
    EXPECT_TRUE(Btn->IsDropDownRequested());
    EXPECT_EQ(ColorToRGB(clLime), FaceAt(ODS_SELECTED, 10, 15)) << Btn->CurrentState();
    Press(Btn, 92, 15, false);
    EXPECT_FALSE(Btn->IsDropDownRequested());
    EXPECT_EQ(ColorToRGB(clBlue), FaceAt(ODS_SELECTED, 10, 15)) << Btn->CurrentState();
}

TEST_F(Button, TheMenuOpensAboveWhenTheWorkAreaEndsAndFlipsItsAlignmentAtTheEdges) {
    Btn->SetKind(qzbkDropDown);
    TPopupMenu* menu = MakeMenu(3);
    menu->SetAlignment(paCenter);
    Btn->SetDropDownMenu(menu);
    ShowForm();
    Btn->SetTop(Form->GetClientHeight() - 40);
    const POINT origin = Btn->ClientToScreen(POINT{0, 0});
    const TRect area = GetMonitorWorkArea(TPoint{origin.x, origin.y + 30});
    const Integer menuHeight = CalcPopupMenuHeight(menu);
    TPopupAlignment during = paCenter;
    Count.OnPopup = [&] { during = menu->GetAlignment(); };
    RECT where{};
    struct Probe : TObject {
        void Hint(TObject*) {
            if (HWND w = FindWindowA(WC_MENUA, nullptr)) GetWindowRect(w, Where);
        }
        RECT* Where = nullptr;
    } probe;
    probe.Where = &where;
    App->OnHint = TNotifyEvent(&probe, &Probe::Hint);

    // At the bottom of the work area: above the button, two pixels clear.
    Form->SetTop(Form->GetTop() + (area.bottom - 10) - (origin.y + 30));
    App->ProcessMessages();
    const POINT top = Btn->ClientToScreen(POINT{0, 0});
    ASSERT_LT(area.bottom, top.y + 30 + menuHeight);
    Count.Keys = {VK_DOWN, VK_ESCAPE};
    Btn->Perform(QZM_DROPDOWNPOPUPMENU, 0, 0);
    App->ProcessMessages();
    App->OnHint = nullptr;
    Count.Keys = {VK_ESCAPE};
    EXPECT_EQ(1, Count.Popups);
    // The menu's top lies its computed height and two pixels above the button.
    EXPECT_EQ(top.y - 2 - menuHeight, where.top);
    EXPECT_LT(where.top, top.y);
    EXPECT_EQ(paLeft, during);                 // the button's alignment
    EXPECT_EQ(paCenter, menu->GetAlignment()); // restored

    // Left of the work area's left edge: aligned right during the popup.
    Form->SetLeft(area.left - Form->GetWidth() + 10);
    Form->SetTop(area.top + 10);
    Btn->SetLeft(0);
    App->ProcessMessages();
    Btn->Perform(QZM_DROPDOWNPOPUPMENU, 0, 0);
    App->ProcessMessages();
    EXPECT_EQ(paRight, during);
    EXPECT_EQ(paCenter, menu->GetAlignment());
}

TEST_F(Button, AButtonFreedByItsMenuIsNotTouchedAfterwards) {
    Btn->SetKind(qzbkDropDown);
    TPopupMenu* menu = MakeMenu();
    Btn->SetDropDownMenu(menu);
    ShowForm();
    Count.OnPopup = [&] {
        delete Btn;
        Btn = nullptr;
    };
    Btn->Perform(QZM_DROPDOWNPOPUPMENU, 0, 0);
    App->ProcessMessages();
    EXPECT_EQ(1, Count.Popups);
    EXPECT_EQ(paLeft, menu->GetAlignment());
}

TEST_F(Button, AQueuedCloseUpIsHandledBeforeTheWindowGoes) {
    Btn->SetKind(qzbkDropDown);
    ShowForm();
    PostMessageA(Btn->GetHandle(), QZM_DROPDOWNPOPUPMENU, 0, 0);
    Btn->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 15));
    EXPECT_TRUE(Btn->IsDropDownRequested());
    PostMessageA(Btn->GetHandle(), QZM_CLOSEUPPOPUPMENU, 0, 0);
    const HWND window = Btn->GetHandle();
    Btn->SetParent(nullptr); // the window goes
    EXPECT_FALSE(Btn->IsDropDownRequested());
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, window, QZM_CLOSEUPPOPUPMENU, QZM_CLOSEUPPOPUPMENU, PM_NOREMOVE));
}

TEST_F(Button, AKeyboardContextMenuOpensAtTheClientOriginAndItsShortcutsAreConsumed) {
    TPopupMenu* menu = MakeMenu();
    Btn->SetPopupMenu(menu);
    ShowForm();
    Btn->Perform(WM_CONTEXTMENU, WPARAM(Btn->GetHandle()), MAKELPARAM(0xFFFF, 0xFFFF));
    App->ProcessMessages();
    EXPECT_EQ(1, Count.Popups);
    EXPECT_EQ(Btn, menu->GetPopupComponent());

    // A point outside the client area is not the button's.
    Btn->Perform(WM_CONTEXTMENU, WPARAM(Btn->GetHandle()), MAKELPARAM(1, 1));
    App->ProcessMessages();
    EXPECT_EQ(1, Count.Popups);

    int itemClicks = 0;
    struct ItemCounter : TObject {
        void Clicked(TObject*) { ++*Count; }
        int* Count = nullptr;
    } itemCounter;
    itemCounter.Count = &itemClicks;
    TMenuItem* item = menu->GetItems()->GetItem(0);
    item->OnClick = TNotifyEvent(&itemCounter, &ItemCounter::Clicked);
    item->SetShortCut(ShortCut(VK_F2, TShiftState()));
    EXPECT_EQ(1, Btn->Perform(CN_KEYDOWN, VK_F2, 0));
    App->ProcessMessages();
    EXPECT_EQ(1, itemClicks);
    EXPECT_EQ(0, Btn->Perform(CN_KEYDOWN, VK_F3, 0));
}

TEST_F(Button, AnActionWithAnImageGivesAnEmptyGlyphItsImage) {
    TImageList images(nullptr, 8, 8);
    TBitmap picture;
    picture.SetSize(8, 8);
    picture.GetCanvas()->GetBrush()->SetColor(clBlue);
    picture.GetCanvas()->FillRect(TRect{0, 0, 8, 8});
    images.AddMasked(&picture, clNone);
    TActionList list(nullptr);
    list.SetImages(&images);
    TAction action(nullptr);
    action.SetActionList(&list);
    action.SetImageIndex(0);
    Btn->SetAction(&action);
    ASSERT_EQ(8, Btn->GetGlyph()->GetWidth());
    EXPECT_EQ(ColorToRGB(clBlue), ColorToRGB(Btn->GetGlyph()->GetCanvas()->GetPixels(3, 3)));
    Btn->SetAction(nullptr);

    // The list forgets images that are freed.
    {
        TImageList gone(nullptr, 8, 8);
        list.SetImages(&gone);
    }
    EXPECT_EQ(nullptr, list.GetImages());
}

// Every button kind in every painter and state, for the eye: build/test-artifacts/ControlsButtons.png.
// Below the buttons, the radio button checked and unchecked with the glyph on either side (its
// "default" column is its normal state: a radio button has no default look).
TEST_F(ButtonThemed, PictureSheet) {
    auto glyphStrip = std::make_unique<TBitmap>();
    glyphStrip->SetSize(48, 16);
    TCanvas* g = glyphStrip->GetCanvas();
    const TColor columns[3] = {clGreen, clGray, clNavy};
    for (int c = 0; c < 3; ++c) {
        g->GetBrush()->SetColor(clOlive);
        g->FillRect(TRect{c * 16, 0, c * 16 + 16, 16});
        g->GetBrush()->SetColor(columns[c]);
        g->FillRect(TRect{c * 16 + 3, 3, c * 16 + 13, 13});
        g->GetBrush()->SetColor(clBlack);
        g->FillRect(TRect{c * 16 + 5, 6, c * 16 + 11, 8});
    }
    auto oneColumn = std::make_unique<TBitmap>();
    oneColumn->SetSize(16, 16);
    oneColumn->GetCanvas()->CopyRect(TRect{0, 0, 16, 16}, g, TRect{0, 0, 16, 16});

    struct Variant {
        const char* Caption;
        TqzButtonKind Kind;
        TBitmap* Glyph;
        TButtonLayout Layout;
    };
    const Variant variants[] = {
        {"Plain", qzbkStandard, nullptr, blGlyphLeft},
        {"Menu", qzbkDropDown, nullptr, blGlyphLeft},
        {"Split", qzbkDropDownButton, nullptr, blGlyphLeft},
        {"Left", qzbkStandard, oneColumn.get(), blGlyphLeft},
        {"Right", qzbkStandard, glyphStrip.get(), blGlyphRight},
        {"Top", qzbkStandard, glyphStrip.get(), blGlyphTop},
        {"Bottom", qzbkStandard, oneColumn.get(), blGlyphBottom},
    };
    struct Look {
        TqzLookAndFeelKind Kind;
        bool Native;
    };
    const Look looks[] = {
        {lfFlat, false}, {lfStandard, false}, {lfUltraFlat, false}, {lfOffice11, false}, {lfStandard, true}};
    // Normal, default, hot, pressed, focused, disabled.
    const int states = 6;
    const int cellW = 84, cellH = 46;
    struct RadioVariant {
        const char* Caption;
        bool Checked;
        TLeftRight Alignment;
    };
    const RadioVariant radios[] = {{"Checked", true, taRightJustify},
                                   {"Unchecked", false, taRightJustify},
                                   {"Checked", true, taLeftJustify},
                                   {"Unchecked", false, taLeftJustify}};
    const int width = states * cellW * int(std::size(looks));
    const int height = int(std::size(variants) + std::size(radios)) * cellH;
    TBitmap sheet;
    sheet.SetSize(width, height);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, width, height});
    ShowForm();
    Btn->SetBounds(10, 10, 80, 42);
    for (int v = 0; v < int(std::size(variants)); ++v) {
        const Variant& variant = variants[std::size_t(v)];
        Btn->SetCaption(variant.Caption);
        Btn->SetKind(variant.Kind);
        Btn->SetGlyph(variant.Glyph);
        Btn->SetLayout(variant.Layout);
        for (int l = 0; l < int(std::size(looks)); ++l) {
            Btn->GetLookAndFeel()->SetKind(looks[std::size_t(l)].Kind);
            Btn->GetLookAndFeel()->SetNativeStyle(looks[std::size_t(l)].Native);
            App->ProcessMessages();
            for (int s = 0; s < states; ++s) {
                Btn->SetEnabled(s != 5);
                Btn->SetDefault(s == 1);
                Form->Perform(CM_FOCUSCHANGED, 0, 0);
                if (s == 2) Btn->Perform(CM_MOUSEENTER, 0, 0);
                const UINT itemState = s == 3 ? ODS_SELECTED : s == 4 ? ODS_FOCUS : 0;
                TBitmap cell;
                cell.SetSize(Btn->GetWidth(), Btn->GetHeight());
                DRAWITEMSTRUCT item{};
                item.CtlType = ODT_BUTTON;
                item.itemState = itemState;
                item.hwndItem = Btn->GetHandle();
                item.hDC = cell.GetCanvas()->GetHandle();
                item.rcItem = RECT{0, 0, Btn->GetWidth(), Btn->GetHeight()};
                Btn->Perform(CN_DRAWITEM, 0, LPARAM(&item));
                if (s == 2) Btn->MouseLeave();
                const int x = (l * states + s) * cellW + 2;
                sheet.GetCanvas()->CopyRect(
                    TRect{x, v * cellH + 2, x + Btn->GetWidth(), v * cellH + 2 + Btn->GetHeight()},
                    cell.GetCanvas(), TRect{0, 0, Btn->GetWidth(), Btn->GetHeight()});
            }
        }
    }

    Btn->SetEnabled(true);                                     // takes the focus from the radio button
    Fake->SetPartSize("Button", 2, -1, TS_TRUE, SIZE{13, 13}); // the themed radio glyph
    auto* radio = new TqzRadioButton(Form);
    radio->SetParent(Form);
    radio->SetBounds(10, 60, 80, 17);
    App->ProcessMessages();
    for (int v = 0; v < int(std::size(radios)); ++v) {
        const RadioVariant& variant = radios[std::size_t(v)];
        radio->SetCaption(variant.Caption);
        radio->SetAlignment(variant.Alignment);
        for (int l = 0; l < int(std::size(looks)); ++l) {
            radio->GetLookAndFeel()->SetKind(looks[std::size_t(l)].Kind);
            radio->GetLookAndFeel()->SetNativeStyle(looks[std::size_t(l)].Native);
            for (int s = 0; s < states; ++s) {
                radio->SetEnabled(s != 5);
                // Entering checks a radio button: the check is set after the focus.
                (s == 4 ? static_cast<TWinControl*>(radio) : Btn)->SetFocus();
                App->ProcessMessages();
                radio->SetChecked(variant.Checked);
                if (s == 2) radio->UpdateState(0, TShiftState{}, TPoint{5, 5});
                if (s == 3) {
                    SetCapture(radio->GetHandle());
                    radio->UpdateState(1, TShiftState{ssLeft}, TPoint{5, 5});
                }
                TBitmap cell;
                cell.SetSize(radio->GetWidth(), radio->GetHeight());
                DRAWITEMSTRUCT item{};
                item.CtlType = ODT_BUTTON;
                item.hwndItem = radio->GetHandle();
                item.hDC = cell.GetCanvas()->GetHandle();
                item.rcItem = RECT{0, 0, radio->GetWidth(), radio->GetHeight()};
                radio->Perform(CN_DRAWITEM, 0, LPARAM(&item));
                if (s == 3) ReleaseCapture();
                radio->UpdateState(0, TShiftState{}, TPoint{-1, -1});
                const int x = (l * states + s) * cellW + 2;
                const int y = (int(std::size(variants)) + v) * cellH + 14;
                sheet.GetCanvas()->CopyRect(TRect{x, y, x + radio->GetWidth(), y + radio->GetHeight()},
                                            cell.GetCanvas(),
                                            TRect{0, 0, radio->GetWidth(), radio->GetHeight()});
            }
        }
    }

    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const TColor c = ColorToRGB(sheet.GetCanvas()->GetPixels(x, y));
            pixels.push_back((std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
                             GetBValue(c));
        }
    testsupport::WritePng(testsupport::ArtifactPath("ControlsButtons.png"), width, height, pixels);
    // The sheet holds something of each cell: the faces differ from the white ground.
    EXPECT_NE(ColorToRGB(clWhite), ColorToRGB(sheet.GetCanvas()->GetPixels(10, 20)));
    EXPECT_NE(ColorToRGB(clWhite),
              ColorToRGB(sheet.GetCanvas()->GetPixels(10, int(std::size(variants)) * cellH + 14 + 8)));
}

} // namespace
