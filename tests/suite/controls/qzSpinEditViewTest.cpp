// The spin buttons' layout by position, with and without fast buttons, their frames and arrows
// probed in the hot-flat and ultra-flat styles, native parts and states under the recording
// theme, and a sheet to look at: build/test-artifacts/ControlsSpinCurrency.png (spin editors in
// the three positions with and without fast buttons, and a currency editor, in each painter kind
// and state: normal, hot button, pressed button, focused, disabled).
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

bool RectsEqual(const TRect& a, const TRect& b) { return EqualRect(&a, &b) != 0; }

class SpinEditViewTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        Form->SetBounds(0, 0, 700, 500);
    }
    void TearDown() override {
        testsupport::TFormFixture::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
    }
    TqzSpinEdit* MakeEditor(TqzSpinEditButtonsPosition position, bool fast, Integer height = 21) {
        auto* editor = new TqzSpinEdit(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, 10, 121, height);
        editor->GetProperties()->GetSpinButtons()->SetPosition(position);
        editor->GetProperties()->GetSpinButtons()->SetShowFastButtons(fast);
        return editor;
    }
    void Show() {
        Form->Show();
        App->ProcessMessages();
    }
    static void SetLook(TqzCustomEdit* edit, TqzLookAndFeelKind kind, bool native) {
        for (TqzEditStyle* style :
             {edit->GetStyle(), edit->GetStyleDisabled(), edit->GetStyleFocused(), edit->GetStyleHot()}) {
            style->GetLookAndFeel()->SetKind(kind);
            style->GetLookAndFeel()->SetNativeStyle(native);
        }
    }
    static void SetButtonStyle(TqzCustomEdit* edit, TqzEditButtonStyle style) {
        for (TqzEditStyle* s :
             {edit->GetStyle(), edit->GetStyleDisabled(), edit->GetStyleFocused(), edit->GetStyleHot()})
            s->SetButtonStyle(style);
    }
    static TRect Button(TqzCustomEdit* editor, Integer index) {
        return editor->GetViewInfo()->GetButtonInfo(index)->Bounds;
    }
    // The editor's background and buttons with one button forced into a state (-1: none).
    static void PaintCell(TqzCustomEdit* editor, TBitmap& cell, Integer button, Integer state) {
        editor->UpdateViewAtCursor();
        TqzCustomEditViewInfo* info = editor->GetViewInfo();
        if (button >= 0 && button < info->GetButtonCount()) {
            TqzEditButtonViewInfoData& data = info->GetButtonInfo(button)->Data;
            data.State = state;
            static constexpr Integer kNative[4] = {4, 1, 3, 2};
            if (data.NativeState != 0) data.NativeState = kNative[state];
        }
        cell.SetSize(editor->GetWidth(), editor->GetHeight());
        cell.GetCanvas()->GetBrush()->SetColor(clWhite);
        cell.GetCanvas()->FillRect(TRect{0, 0, editor->GetWidth(), editor->GetHeight()});
        TqzCanvas canvas(cell.GetCanvas());
        info->PaintBackground(&canvas);
    }
    static TColor Pixel(TBitmap& cell, Integer x, Integer y) {
        return ColorToRGB(cell.GetCanvas()->GetPixels(x, y));
    }

    std::optional<TThemeFake> Fake;
};

TEST_F(SpinEditViewTest, ButtonsArePlacedByPosition) {
    // A 121 x 21 editor: the button area is (2, 2, 119, 18); the standard button width is 16, the
    // arrow 3 high, the horizontal buttons 4 * 3 - 3 = 9 wide and the fast ones 14.
    struct Case {
        TqzSpinEditButtonsPosition Position;
        bool Fast;
        TRect Down, Up, FastDown, FastUp;
        bool DownLeft;
    } const cases[] = {
        {sbpVert, false, {103, 10, 119, 18}, {103, 2, 119, 10}, {}, {}, false},
        {sbpVert, true, {89, 10, 105, 18}, {89, 2, 105, 10}, {75, 2, 89, 18}, {105, 2, 119, 18}, false},
        {sbpHorzRight, false, {101, 2, 110, 18}, {110, 2, 119, 18}, {}, {}, false},
        {sbpHorzRight, true, {87, 2, 96, 18}, {96, 2, 105, 18}, {73, 2, 87, 18}, {105, 2, 119, 18}, false},
        {sbpHorzLeftRight, false, {2, 2, 11, 18}, {110, 2, 119, 18}, {}, {}, true},
        {sbpHorzLeftRight, true, {16, 2, 25, 18}, {96, 2, 105, 18}, {2, 2, 16, 18}, {105, 2, 119, 18}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.Position)) + (c.Fast ? " fast" : ""));
        auto* editor = MakeEditor(c.Position, c.Fast);
        SetLook(editor, lfUltraFlat, false);
        Show();
        editor->UpdateViewAtCursor();
        auto* info = static_cast<TqzSpinEditViewInfo*>(editor->GetViewInfo());
        ASSERT_EQ(c.Fast ? 4 : 2, info->GetButtonCount());
        EXPECT_EQ(3, info->ArrowSize);
        EXPECT_TRUE(RectsEqual(c.Down, Button(editor, 0)));
        EXPECT_TRUE(RectsEqual(c.Up, Button(editor, 1)));
        if (c.Fast) {
            EXPECT_TRUE(RectsEqual(c.FastDown, Button(editor, 2)));
            EXPECT_TRUE(RectsEqual(c.FastUp, Button(editor, 3)));
        }
        EXPECT_EQ(c.DownLeft, info->GetButtonInfo(0)->Data.LeftAlignment);
        EXPECT_FALSE(info->GetButtonInfo(1)->Data.LeftAlignment);
        // The text stays clear of every button.
        for (Integer i = 0; i < info->GetButtonCount(); ++i) {
            const TRect b = Button(editor, i);
            EXPECT_TRUE(b.right <= info->ClientRect.left || b.left >= info->ClientRect.right) << i;
            EXPECT_TRUE(RectsEqual(b, info->GetButtonInfo(i)->VisibleBounds)) << i;
        }
        delete editor;
    }
    // With an odd button area the up button takes the smaller half.
    for (Integer height : {22, 23}) {
        SCOPED_TRACE(height);
        auto* editor = MakeEditor(sbpVert, false);
        editor->SetAutoSize(false);
        editor->SetBounds(10, 10, 121, height);
        Show();
        editor->UpdateViewAtCursor();
        const TRect up = Button(editor, 1), down = Button(editor, 0);
        const Integer area = down.bottom - up.top;
        EXPECT_EQ(up.bottom, down.top);
        EXPECT_EQ(area / 2, up.bottom - up.top);
        EXPECT_EQ(area % 2, (down.bottom - down.top) - (up.bottom - up.top));
        delete editor;
    }
}

TEST_F(SpinEditViewTest, HotFlatFramesByKind) {
    auto* editor = MakeEditor(sbpVert, false);
    SetLook(editor, lfStandard, false);
    SetButtonStyle(editor, btsHotFlat);
    Show();
    TBitmap cell;
    PaintCell(editor, cell, -1, 0);
    const TRect up = Button(editor, 1), down = Button(editor, 0);
    const TColor shadow = ColorToRGB(clBtnShadow), face = ColorToRGB(clBtnFace);
    // Up (kind 6): a frame all round.
    EXPECT_EQ(shadow, Pixel(cell, up.left, up.top + 3));
    EXPECT_EQ(shadow, Pixel(cell, up.left + 5, up.bottom - 1));
    // Down (kind 7): left, right and bottom outer, the top in the face colour.
    EXPECT_EQ(face, Pixel(cell, down.left + 5, down.top));
    EXPECT_EQ(shadow, Pixel(cell, down.left, down.top + 3));
    EXPECT_EQ(shadow, Pixel(cell, down.left + 5, down.bottom - 1));
    // Pressed: the face is the button text colour and the arrow the highlight.
    PaintCell(editor, cell, 1, qzebsPressed);
    EXPECT_EQ(ColorToRGB(clBtnText), Pixel(cell, up.left + 2, up.top + 2));
}

TEST_F(SpinEditViewTest, UltraFlatFramesAndEmbossedDisabledArrows) {
    auto* editor = MakeEditor(sbpVert, false);
    SetLook(editor, lfUltraFlat, false);
    SetButtonStyle(editor, btsUltraFlat);
    Show();
    TBitmap cell;
    const TRect up = Button(editor, 1);
    // Normal: a frame in the background colour.
    PaintCell(editor, cell, -1, 0);
    EXPECT_EQ(ColorToRGB(editor->GetViewInfo()->BackgroundColor), Pixel(cell, up.left, up.top + 3));
    // Hot up button (choice 5): the bottom and the left edge in the highlight colour.
    PaintCell(editor, cell, 1, qzebsHot);
    const TColor highlight = ColorToRGB(GetHighlightBorderColor(false));
    EXPECT_EQ(highlight, Pixel(cell, up.left + 5, up.bottom - 1));
    EXPECT_EQ(highlight, Pixel(cell, up.left, up.top + 3));
    EXPECT_EQ(ColorToRGB(GetFlatButtonStateColor(false, false)), Pixel(cell, up.left + 2, up.top + 1));

    // Disabled: the arrows in the shadow colour over a highlight copy one pixel off.
    editor->SetEnabled(false);
    App->ProcessMessages();
    PaintCell(editor, cell, -1, 0);
    const TRect down = Button(editor, 0);
    bool shadowSeen = false, highlightSeen = false;
    for (Integer y = down.top; y < down.bottom; ++y)
        for (Integer x = down.left; x < down.right; ++x) {
            shadowSeen = shadowSeen || Pixel(cell, x, y) == ColorToRGB(clBtnShadow);
            highlightSeen = highlightSeen || Pixel(cell, x, y) == ColorToRGB(clBtnHighlight);
        }
    EXPECT_TRUE(shadowSeen);
    EXPECT_TRUE(highlightSeen);
}

TEST_F(SpinEditViewTest, NativeButtonsUseTheSpinThemeParts) {
    struct Case {
        TqzSpinEditButtonsPosition Position;
        int DownPart, UpPart;
        bool Separator;
    } const cases[] = {{sbpVert, 2, 1, true}, {sbpHorzRight, 4, 3, true}, {sbpHorzLeftRight, 4, 3, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Position));
        auto* editor = MakeEditor(c.Position, false);
        SetLook(editor, lfStandard, true);
        Show();
        TBitmap cell;
        Fake->Calls.clear();
        PaintCell(editor, cell, 1, qzebsHot);
        auto* info = static_cast<TqzSpinEditViewInfo*>(editor->GetViewInfo());
        EXPECT_EQ(c.DownPart, info->GetButtonInfo(0)->Data.NativePart);
        EXPECT_EQ(c.UpPart, info->GetButtonInfo(1)->Data.NativePart);
        EXPECT_EQ(1, info->GetButtonInfo(0)->Data.NativeState);
        bool downDrawn = false, upDrawn = false;
        for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground")) {
            if (call.Part == c.DownPart && call.State == 1) downDrawn = true;
            if (call.Part == c.UpPart && call.State == 2) upDrawn = true;
        }
        EXPECT_TRUE(downDrawn);
        EXPECT_TRUE(upDrawn);
        const bool hasLine = info->DelimiterLine[0].x != 0 || info->DelimiterLine[1].x != 0;
        EXPECT_EQ(c.Separator, hasLine);
        if (c.Position == sbpVert) {
            const TPoint p = info->DelimiterLine[0];
            EXPECT_EQ(ColorToRGB(info->BackgroundColor), Pixel(cell, p.x + 2, p.y));
        }
        delete editor;
    }
}

TEST_F(SpinEditViewTest, PictureSheet) {
    struct Look {
        TqzLookAndFeelKind Kind;
        bool Native;
    };
    const Look looks[] = {
        {lfFlat, false}, {lfStandard, false}, {lfUltraFlat, false}, {lfOffice11, false}, {lfStandard, true}};
    struct Layout {
        TqzSpinEditButtonsPosition Position;
        bool Fast;
    };
    const Layout layouts[] = {{sbpVert, false},     {sbpVert, true},           {sbpHorzRight, false},
                              {sbpHorzRight, true}, {sbpHorzLeftRight, false}, {sbpHorzLeftRight, true}};
    // normal, hot button, pressed button, focused, disabled
    const int kStates = 5;
    const int cellW = 130, cellH = 26;
    const int rows = int(std::size(looks)) * (int(std::size(layouts)) + 1);
    const int width = kStates * cellW, height = rows * cellH;
    TBitmap sheet;
    sheet.SetSize(width, height);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, width, height});

    auto* spin = MakeEditor(sbpVert, false);
    spin->SetValue(Variant(42.0));
    auto* currency = new TqzCurrencyEdit(Form);
    currency->SetParent(Form);
    currency->SetBounds(10, 60, 121, 21);
    currency->GetCurrencyEditProperties()->SetDisplayFormat("0.00000");
    currency->SetValue(438.125);
    auto* parking = new TqzCurrencyEdit(Form);
    parking->SetParent(Form);
    parking->SetBounds(300, 300, 121, 21);
    Show();
    int row = 0;
    for (const Look& look : looks) {
        for (int l = 0; l <= int(std::size(layouts)); ++l) {
            TqzCustomEdit* editor =
                l < int(std::size(layouts)) ? static_cast<TqzCustomEdit*>(spin) : currency;
            SetLook(editor, look.Kind, look.Native);
            if (l < int(std::size(layouts))) {
                spin->GetProperties()->GetSpinButtons()->SetPosition(layouts[l].Position);
                spin->GetProperties()->GetSpinButtons()->SetShowFastButtons(layouts[l].Fast);
            }
            for (int s = 0; s < kStates; ++s) {
                editor->SetEnabled(s != 4);
                if (s == 3)
                    editor->SetFocus();
                else
                    parking->SetFocus();
                App->ProcessMessages();
                TBitmap cell;
                PaintCell(editor, cell, s == 1 || s == 2 ? 1 : -1, s == 1 ? qzebsHot : qzebsPressed);
                if (editor->ShowsInnerEdit()) {
                    TBitmap text;
                    text.SetSize(editor->GetWidth(), editor->GetHeight());
                    editor->PaintTo(text.GetCanvas()->GetHandle(), 0, 0);
                    const TRect client = editor->GetViewInfo()->ClientRect;
                    cell.GetCanvas()->CopyRect(client, text.GetCanvas(), client);
                }
                const int x = s * cellW + 4, y = row * cellH + 2;
                sheet.GetCanvas()->CopyRect(TRect{x, y, x + cell.GetWidth(), y + cell.GetHeight()},
                                            cell.GetCanvas(), TRect{0, 0, cell.GetWidth(), cell.GetHeight()});
            }
            editor->SetEnabled(true);
            ++row;
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
    testsupport::WritePng(testsupport::ArtifactPath("ControlsSpinCurrency.png"), width, height, pixels);
    EXPECT_EQ(rows, row);
    // Every cell drew something of its editor over the white sheet.
    for (int r = 0; r < rows; ++r)
        for (int s = 0; s < kStates; ++s) {
            int drawn = 0;
            for (int x = s * cellW + 4; x < s * cellW + 4 + 121; ++x)
                if (ColorToRGB(sheet.GetCanvas()->GetPixels(x, r * cellH + 2 + 10)) != ColorToRGB(clWhite))
                    ++drawn;
            EXPECT_GT(drawn, 0) << r << " " << s;
        }
}

} // namespace
