// The suite's radio button: the glyph state under the mouse, checking on entry, the caption
// rectangle's margins, the background it fills or lets through, a click by mouse, the caption's
// look (disabled, wrapped, focus frame), transparency, the native style through the recording
// theme, and the context menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Menus.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

struct ClickCounter : TObject {
    void Clicked(TObject*) { ++Clicks; }
    int Clicks = 0;
};

class RadioButton : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        SetCursorPos(0, 0); // away from the form
        First = MakeButton("First", 10);
        Second = MakeButton("Second", 40);
        First->SetChecked(true);
        Count.Clicks = 0;
    }
    TqzRadioButton* MakeButton(const char* name, int top) {
        auto* button = new TqzRadioButton(Form);
        button->SetName(name);
        button->SetCaption(name);
        button->SetParent(Form);
        button->SetBounds(20, top, 120, 17);
        button->OnClick = TNotifyEvent(&Count, &ClickCounter::Clicked);
        return button;
    }
    void ShowForm() { ShowUnfocused(); }
    void MoveTo(TControl* control, int x, int y) {
        WinInputMouseMove(control->ClientToScreen(POINT{x, y}));
        App->ProcessMessages();
    }
    void Button(TControl* control, int x, int y, bool down) {
        WinInputMouseButton(control->ClientToScreen(POINT{x, y}), TWinMouseButton::Left, down);
        App->ProcessMessages();
    }
    // An owner-draw paint of the button, as RGB colours by row.
    struct Picture {
        int Width = 0, Height = 0;
        std::vector<TColor> Pixels;
        TColor At(int x, int y) const { return Pixels[std::size_t(y * Width + x)]; }
    };
    Picture Paint(TqzRadioButton* button) {
        TBitmap target;
        target.SetSize(button->GetWidth(), button->GetHeight());
        target.GetCanvas()->GetBrush()->SetColor(clFuchsia); // shows what the paint leaves alone
        target.GetCanvas()->FillRect(TRect{0, 0, button->GetWidth(), button->GetHeight()});
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.hwndItem = button->GetHandle();
        item.hDC = target.GetCanvas()->GetHandle();
        item.rcItem = RECT{0, 0, button->GetWidth(), button->GetHeight()};
        button->Perform(CN_DRAWITEM, 0, LPARAM(&item));
        // The paint leaves the glyph cut out of the clip area; the pixels are read unclipped.
        SelectClipRgn(item.hDC, nullptr);
        Picture picture;
        picture.Width = button->GetWidth();
        picture.Height = button->GetHeight();
        for (int y = 0; y < picture.Height; ++y)
            for (int x = 0; x < picture.Width; ++x)
                picture.Pixels.push_back(ColorToRGB(target.GetCanvas()->GetPixels(x, y)));
        return picture;
    }
    // The pixel at (x, y) of an owner-draw paint of the button.
    TColor PaintedAt(TqzRadioButton* button, int x, int y) { return Paint(button).At(x, y); }
    // Pixels of one colour outside the glyph.
    static int CountOutsideGlyph(const Picture& picture, const TRect& glyph, TColor color) {
        int count = 0;
        for (int y = 0; y < picture.Height; ++y)
            for (int x = 0; x < picture.Width; ++x)
                if (!(x >= glyph.left && x < glyph.right && y >= glyph.top && y < glyph.bottom) &&
                    picture.At(x, y) == ColorToRGB(color))
                    ++count;
        return count;
    }

    TqzRadioButton* First = nullptr;
    TqzRadioButton* Second = nullptr;
    ClickCounter Count;
};

TEST_F(RadioButton, StartsNormalWithItsPublishedDefaults) {
    EXPECT_EQ(rbsNormal, First->GetButtonState());
    EXPECT_FALSE(First->GetTransparent());
    EXPECT_TRUE(First->GetParentBackground());
    EXPECT_EQ(taRightJustify, First->GetAlignment());
    EXPECT_TRUE(First->GetControlStyle().Contains(csDoubleClicks));
    const TSize glyph = RadioGlyphSize();
    EXPECT_GT(glyph.cx, 0);
    EXPECT_GT(glyph.cy, 0);

    // Only a class-library popup menu is kept, and freeing it clears the reference.
    auto* menu = new TPopupMenu(Form);
    First->SetPopupMenu(menu);
    EXPECT_EQ(menu, First->GetPopupMenu());
    First->SetPopupMenu(new TMainMenu(Form));
    EXPECT_EQ(nullptr, First->GetPopupMenu());
    First->SetPopupMenu(menu);
    delete menu;
    EXPECT_EQ(nullptr, First->GetPopupMenu());
}

TEST_F(RadioButton, PressedWhileHeldInsideHotWhenDraggedOutNormalAfterwards) {
    ShowForm();
    MoveTo(Second, 5, 8);
    EXPECT_EQ(rbsHot, Second->GetButtonState());
    Button(Second, 5, 8, true);
    EXPECT_EQ(rbsPressed, Second->GetButtonState());
    MoveTo(Second, 5, 60);
    EXPECT_EQ(rbsHot, Second->GetButtonState()); // the capture lasts
    Button(Second, 5, 60, false);
    EXPECT_EQ(rbsNormal, Second->GetButtonState());
    // The press focused it, and entering checks it: one click, none more for the release outside.
    EXPECT_TRUE(Second->GetChecked());
    EXPECT_EQ(1, Count.Clicks);

    // A left-button leave (what the tracking tick reports) gives the normal state.
    MoveTo(Second, 5, 8);
    EXPECT_EQ(rbsHot, Second->GetButtonState());
    Second->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(rbsNormal, Second->GetButtonState());

    Second->SetEnabled(false);
    EXPECT_EQ(rbsDisabled, Second->GetButtonState());
}

TEST_F(RadioButton, AClickChecksTheButtonAndUnchecksItsSibling) {
    ShowForm();
    MoveTo(Second, 5, 8);
    Button(Second, 5, 8, true);
    Button(Second, 5, 8, false);
    EXPECT_TRUE(Second->GetChecked());
    EXPECT_FALSE(First->GetChecked());
    EXPECT_EQ(1, Count.Clicks);
}

TEST_F(RadioButton, EnteringAnUncheckedButtonChecksItWithOneClick) {
    ShowForm();
    First->SetFocus();
    App->ProcessMessages();
    EXPECT_EQ(0, Count.Clicks); // already checked
    Second->SetFocus();
    App->ProcessMessages();
    EXPECT_TRUE(Second->GetChecked());
    EXPECT_FALSE(First->GetChecked());
    EXPECT_EQ(1, Count.Clicks);

    // By Tab, onto an unchecked button that is a tab stop.
    First->SetFocus();
    App->ProcessMessages();
    EXPECT_EQ(2, Count.Clicks);
    Second->SetChecked(false);
    Second->SetTabStop(true);
    Count.Clicks = 0;
    WinInputKey(VK_TAB, false, true);
    WinInputKey(VK_TAB, false, false);
    App->ProcessMessages();
    ASSERT_TRUE(Second->Focused());
    EXPECT_TRUE(Second->GetChecked());
    EXPECT_FALSE(First->GetChecked());
    EXPECT_EQ(1, Count.Clicks);
}

TEST_F(RadioButton, CaptionMarginsByLookWrapAndAlignment) {
    struct Case {
        bool native, wrap;
        TLeftRight alignment;
        TRect expected; // from (0, 0, 100, 20)
    };
    const Case cases[] = {
        {false, false, taRightJustify, {5, -1, 100, 20}}, {false, false, taLeftJustify, {2, -1, 99, 20}},
        {false, true, taRightJustify, {5, -1, 98, 20}},   {false, true, taLeftJustify, {2, -1, 94, 20}},
        {true, false, taRightJustify, {3, -1, 100, 20}},  {true, false, taLeftJustify, {0, -1, 99, 20}},
        {true, true, taRightJustify, {3, -1, 100, 20}},   {true, true, taLeftJustify, {0, -1, 97, 20}},
    };
    for (const Case& c : cases) {
        First->SetWordWrap(c.wrap);
        First->SetAlignment(c.alignment);
        TRect r{0, 0, 100, 20};
        First->AdjustCaptionRect(r, c.native);
        EXPECT_EQ(c.expected.left, r.left) << c.native << c.wrap << int(c.alignment);
        EXPECT_EQ(c.expected.top, r.top) << c.native << c.wrap << int(c.alignment);
        EXPECT_EQ(c.expected.right, r.right) << c.native << c.wrap << int(c.alignment);
        EXPECT_EQ(c.expected.bottom, r.bottom) << c.native << c.wrap << int(c.alignment);
    }
}

TEST_F(RadioButton, FillsWithItsColourUnlessTransparent) {
    Form->SetColor(clLime);
    First->SetColor(clRed);
    ShowForm();
    EXPECT_EQ(clRed, PaintedAt(First, 118, 1));
    // The glyph sits at x 1, vertically centred.
    const TSize glyph = RadioGlyphSize();
    EXPECT_EQ(1, First->GetButtonRect().left);
    EXPECT_EQ((17 - glyph.cy) / 2, First->GetButtonRect().top);

    First->SetTransparent(true);
    EXPECT_TRUE(First->IsTransparent());
    EXPECT_EQ(clLime, PaintedAt(First, 118, 1)); // the parent shows through

    // Glyph on the right edge.
    First->SetAlignment(taLeftJustify);
    ShowForm();
    PaintedAt(First, 0, 0);
    EXPECT_EQ(120, First->GetButtonRect().right);
}

TEST_F(RadioButton, TheGlyphIsTheSystemMasksDiscNotItsCell) {
    // The system cell is 13 pixels square; the radio disc drawn in it by the mask is 12.
    TBitmap boxes;
    boxes.SetHandle(LoadBitmapA(nullptr, OBM_CHECKBOXES));
    EXPECT_EQ(13, boxes.GetWidth() / 4);
    EXPECT_EQ(13, boxes.GetHeight() / 3);
    EXPECT_EQ(12, RadioGlyphSize().cx);
    EXPECT_EQ(12, RadioGlyphSize().cy);
    // The painters' images are of the same size, so a classic glyph fills ButtonRect.
    EXPECT_EQ(RadioGlyphSize().cx, SharedRadioButtonImages()->RadioWidth());
    EXPECT_EQ(RadioGlyphSize().cy, SharedRadioButtonImages()->RadioHeight());
    ShowForm();
    PaintedAt(First, 0, 0);
    EXPECT_EQ(RadioGlyphSize().cx, First->GetButtonRect().right - First->GetButtonRect().left);
    EXPECT_EQ(RadioGlyphSize().cy, First->GetButtonRect().bottom - First->GetButtonRect().top);
}

TEST_F(RadioButton, WordWrapBreaksTheCaptionIntoLinesOtherwiseOneClippedLine) {
    First->SetBounds(20, 10, 90, 60);
    First->SetCaption("alpha beta gamma delta epsilon");
    First->SetColor(clWhite);
    First->GetFont()->SetColor(clMaroon);
    First->SetAlignment(taLeftJustify); // the glyph on the right: the caption must stop before it
    ShowForm();
    TBitmap measure;
    measure.GetCanvas()->GetFont()->Assign(First->GetFont());
    const int lineHeight = measure.GetCanvas()->TextHeight("Qq");
    for (bool wrap : {false, true}) {
        SCOPED_TRACE(wrap);
        First->SetWordWrap(wrap);
        const Picture picture = Paint(First);
        const TRect glyph = First->GetButtonRect();
        int top = picture.Height, bottom = -1, right = -1;
        for (int y = 0; y < picture.Height; ++y)
            for (int x = 0; x < picture.Width; ++x)
                if (picture.At(x, y) == ColorToRGB(clMaroon)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                    right = std::max(right, x);
                }
        ASSERT_GE(bottom, 0);
        if (wrap)
            EXPECT_GT(bottom - top + 1, lineHeight);
        else
            EXPECT_LE(bottom - top + 1, lineHeight);
        // Classic margins: the caption ends 1 (6 wrapped) pixels before the glyph.
        EXPECT_LT(right, glyph.left - (wrap ? 6 : 1));
    }
}

TEST_F(RadioButton, TheFocusFrameNeverReachesPastTheGlyph) {
    for (TLeftRight alignment : {taLeftJustify, taRightJustify}) {
        SCOPED_TRACE(int(alignment));
        First->SetAlignment(alignment);
        First->SetCaption("A caption far too long for the button");
        First->SetColor(clWhite);
        ShowForm();
        Second->SetFocus();
        App->ProcessMessages();
        const Picture idle = Paint(First);
        First->SetFocus();
        App->ProcessMessages();
        ASSERT_TRUE(First->Focused());
        const Picture focused = Paint(First);
        const TRect glyph = First->GetButtonRect();
        int frame = 0, pastGlyph = 0;
        for (int y = 0; y < idle.Height; ++y)
            for (int x = 0; x < idle.Width; ++x) {
                if (x >= glyph.left && x < glyph.right) continue; // the glyph shows focus too
                if (idle.At(x, y) == focused.At(x, y)) continue;
                ++frame;
                if (alignment == taLeftJustify ? x >= glyph.left : x < glyph.right) ++pastGlyph;
            }
        EXPECT_GT(frame, 0);
        EXPECT_EQ(0, pastGlyph);
    }
}

TEST_F(RadioButton, ADisabledClassicCaptionIsEmbossedUnlessTheButtonIsAnInnerControl) {
    class TInnerRadio : public TqzRadioButton, public IqzContainerInnerControl {
    public:
        using TqzRadioButton::TqzRadioButton;
        TWinControl* GetControl() override { return this; }
        TqzContainer* GetControlContainer() override { return nullptr; }
        Integer AddRef() override { return -1; }
        Integer Release() override { return -1; }
    };
    auto* inner = new TInnerRadio(Form);
    inner->SetParent(Form);
    inner->SetBounds(20, 80, 120, 17);
    struct Case {
        TqzRadioButton* Button;
        bool Enabled;
        bool Highlight, Shadow, FontColour;
    };
    const Case cases[] = {
        {First, true, false, false, true},
        {First, false, true, true, false},
        {inner, false, false, false, true}, // plain, in its font colour
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Button == inner ? "inner " : "") + (c.Enabled ? "enabled" : "disabled"));
        c.Button->SetCaption("WWW");
        c.Button->SetColor(clYellow);
        c.Button->GetFont()->SetColor(clMaroon);
        c.Button->SetEnabled(c.Enabled);
        ShowForm();
        const Picture picture = Paint(c.Button);
        const TRect glyph = c.Button->GetButtonRect();
        EXPECT_EQ(c.Highlight, CountOutsideGlyph(picture, glyph, clBtnHighlight) > 0);
        EXPECT_EQ(c.Shadow, CountOutsideGlyph(picture, glyph, clBtnShadow) > 0);
        EXPECT_EQ(c.FontColour, CountOutsideGlyph(picture, glyph, clMaroon) > 0);
    }
}

TEST_F(RadioButton, TransparentShowsItsParentsPatternBehindGlyphAndCaption) {
    // A parent painting a checkerboard of 4-pixel squares in its own coordinates.
    class TPatterned : public TCustomControl {
    public:
        using TCustomControl::TCustomControl;
        static TColor At(int x, int y) { return ((x / 4 + y / 4) % 2) != 0 ? clBlue : clLime; }
        void Paint() override {
            TCanvas* canvas = GetCanvas();
            for (int y = 0; y < GetHeight(); y += 4)
                for (int x = 0; x < GetWidth(); x += 4) {
                    canvas->GetBrush()->SetColor(At(x, y));
                    canvas->FillRect(TRect{x, y, x + 4, y + 4});
                }
        }
    };
    auto* parent = new TPatterned(Form);
    parent->SetParent(Form);
    parent->SetBounds(150, 100, 200, 100);
    First->SetParent(parent);
    First->SetBounds(13, 21, 120, 17);
    First->SetCaption("Go");
    First->SetColor(clRed);
    ShowForm();
    Picture picture = Paint(First);
    EXPECT_EQ(ColorToRGB(clRed), picture.At(110, 2));

    First->SetTransparent(true);
    picture = Paint(First);
    const TRect glyph = First->GetButtonRect();
    // Away from glyph and caption, and in the glyph's corner outside the disc: the pattern at
    // the same place of the parent.
    for (POINT p : {POINT{110, 2}, POINT{117, 14}, POINT{60, 0}, POINT{glyph.left, glyph.top},
                    POINT{glyph.right - 1, glyph.bottom - 1}}) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_EQ(ColorToRGB(TPatterned::At(13 + p.x, 21 + p.y)), picture.At(p.x, p.y));
    }
    EXPECT_EQ(0, CountOutsideGlyph(picture, TRect{}, clRed));
    EXPECT_EQ(0, CountOutsideGlyph(picture, TRect{}, clFuchsia));
}

TEST_F(RadioButton, TheKeyboardsContextMenuOpensAtTheClientOriginAndAClickOutsideIsNotTheButtons) {
    class TRecordingRadio : public TqzRadioButton {
    public:
        using TqzRadioButton::TqzRadioButton;
        bool ShowPopupMenu(TComponent* menu, Integer x, Integer y) override {
            Shown.push_back(POINT{x, y});
            return TqzRadioButton::ShowPopupMenu(menu, x, y);
        }
        std::vector<POINT> Shown;
    };
    struct Closer : TObject {
        void Popped(TObject*) {
            WinInputKey(VK_ESCAPE, false, true);
            WinInputKey(VK_ESCAPE, false, false);
        }
    } closer;
    auto* button = new TRecordingRadio(Form);
    button->SetParent(Form);
    button->SetBounds(20, 80, 120, 17);
    auto* menu = new TPopupMenu(Form);
    auto* item = new TMenuItem(menu);
    item->SetCaption("Item");
    menu->GetItems()->Add(item);
    menu->OnPopup = TNotifyEvent(&closer, &Closer::Popped);
    button->SetPopupMenu(menu);
    ShowForm();
    EXPECT_EQ(1, button->Perform(WM_CONTEXTMENU, WPARAM(button->GetHandle()), MAKELPARAM(0xFFFF, 0xFFFF)));
    App->ProcessMessages();
    ASSERT_EQ(1u, button->Shown.size());
    const POINT origin = button->ClientToScreen(POINT{0, 0});
    EXPECT_EQ(origin.x, button->Shown[0].x);
    EXPECT_EQ(origin.y, button->Shown[0].y);
    EXPECT_EQ(button, menu->GetPopupComponent());
    // A mouse point inside opens there; one outside the client area is not the button's.
    const POINT inside = button->ClientToScreen(POINT{30, 5});
    EXPECT_EQ(1,
              button->Perform(WM_CONTEXTMENU, WPARAM(button->GetHandle()), MAKELPARAM(inside.x, inside.y)));
    App->ProcessMessages();
    ASSERT_EQ(2u, button->Shown.size());
    EXPECT_EQ(inside.x, button->Shown[1].x);
    EXPECT_EQ(inside.y, button->Shown[1].y);
    const POINT outside = button->ClientToScreen(POINT{200, 5});
    EXPECT_EQ(0,
              button->Perform(WM_CONTEXTMENU, WPARAM(button->GetHandle()), MAKELPARAM(outside.x, outside.y)));
    App->ProcessMessages();
    EXPECT_EQ(2u, button->Shown.size());
}

TEST_F(RadioButton, AButtonFreedByItsContextPopupHandlerIsNotTouchedAfterwards) {
    struct Freer : TObject {
        void ContextPopup(TObject* sender, POINT, bool&) { delete static_cast<TqzRadioButton*>(sender); }
    } freer;
    Second->OnContextPopup = TContextPopupEvent(&freer, &Freer::ContextPopup);
    ShowForm();
    const TLivenessToken alive = Second->LivenessToken();
    const POINT p = Second->ClientToScreen(POINT{5, 5});
    Second->Perform(WM_CONTEXTMENU, WPARAM(Second->GetHandle()), MAKELPARAM(p.x, p.y));
    EXPECT_FALSE(alive);
}

// The native style with visual styles on: the recording theme draws the glyph.
class RadioButtonThemed : public RadioButton {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        Fake->SetPartSize("Button", 2, -1, TS_TRUE, SIZE{13, 13});
        ThemeManagerInitialize();
        RadioButton::SetUp();
        for (TqzRadioButton* button : {First, Second}) {
            button->GetLookAndFeel()->SetNativeStyle(true);
            button->SetParentBackground(false);
            button->SetColor(clYellow);
        }
    }
    void TearDown() override {
        RadioButton::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
    }
    std::optional<TThemeFake> Fake;
};

TEST_F(RadioButtonThemed, TheThemedRadioPartIsDrawnInTheTablesStateWithNoPainterGlyph) {
    ASSERT_TRUE(Second->IsNativeStyle());
    ShowForm();
    struct Case {
        const char* Name;
        bool Checked;
        std::function<void()> Enter, Leave;
        TqzRadioButtonState State;
        int StateId;
    };
    auto none = [] {};
    auto hot = [&] { MoveTo(Second, 60, 8); };
    auto away = [&] {
        SetCursorPos(0, 0);
        Second->Perform(CM_MOUSELEAVE, 0, 0);
    };
    // Held by the mouse without taking the focus (entering would check it).
    auto press = [&] {
        SetCapture(Second->GetHandle());
        Second->UpdateState(1, TShiftState{ssLeft}, TPoint{60, 8});
    };
    auto release = [&] {
        ReleaseCapture();
        Second->UpdateState(0, TShiftState{}, TPoint{-1, -1});
    };
    auto disable = [&] { Second->SetEnabled(false); };
    auto enable = [&] { Second->SetEnabled(true); };
    const Case cases[] = {
        {"normal", false, none, none, rbsNormal, 1},
        {"hot", false, hot, away, rbsHot, 2},
        {"pressed", false, press, release, rbsPressed, 3},
        {"disabled", false, disable, enable, rbsDisabled, 4},
        {"checked", true, none, none, rbsNormal, 5},
        {"checked hot", true, hot, away, rbsHot, 6},
        {"checked pressed", true, press, release, rbsPressed, 7},
        {"checked disabled", true, disable, enable, rbsDisabled, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Second->SetChecked(c.Checked);
        c.Enter();
        ASSERT_EQ(c.State, Second->GetButtonState());
        Fake->Calls.clear();
        const Picture picture = Paint(Second);
        int radioParts = 0;
        for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground")) {
            EXPECT_EQ(2, call.Part);
            EXPECT_EQ(c.StateId, call.State);
            ++radioParts;
        }
        EXPECT_EQ(1, radioParts);
        // The glyph has the theme's size, at x 0, vertically centred; the theme's picture of it
        // is all there is in it (no painter glyph over it).
        const TRect glyph = Second->GetButtonRect();
        EXPECT_EQ(0, glyph.left);
        EXPECT_EQ(2, glyph.top);
        EXPECT_EQ(13, glyph.right);
        EXPECT_EQ(15, glyph.bottom);
        for (int y = glyph.top + 1; y < glyph.bottom - 1; ++y)
            for (int x = glyph.left + 1; x < glyph.right - 1; ++x)
                ASSERT_EQ(ColorToRGB(TColor(Fake->Fill)), picture.At(x, y)) << x << "," << y;
        c.Leave();
    }
}

TEST_F(RadioButtonThemed, ADisabledNativeCaptionIsPlainShadowAndTheParentBackgroundIsTheThemes) {
    First->SetCaption("WWW");
    First->GetFont()->SetColor(clMaroon);
    First->SetEnabled(false);
    ShowForm();
    Picture picture = Paint(First);
    const TRect glyph = First->GetButtonRect();
    EXPECT_GT(CountOutsideGlyph(picture, glyph, clBtnShadow), 0);
    EXPECT_EQ(0, CountOutsideGlyph(picture, glyph, clBtnHighlight));
    EXPECT_EQ(0, CountOutsideGlyph(picture, glyph, clMaroon));
    EXPECT_EQ(ColorToRGB(clYellow), picture.At(110, 1));

    // With ParentBackground the parent's image is drawn behind it instead of its colour.
    Form->SetColor(clLime);
    First->SetParentBackground(true);
    EXPECT_TRUE(First->HasOwnBackground());
    picture = Paint(First);
    EXPECT_EQ(ColorToRGB(clLime), picture.At(110, 1));
}

} // namespace
