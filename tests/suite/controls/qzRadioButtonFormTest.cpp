// A window definition with suite radio buttons as the application stores them (two pairs, one in
// a group box, native style) loads, paints by itself, is clicked by mouse and by keys, and
// reports Checked.
#include <gtest/gtest.h>

#include <memory>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinButton.h"
#include "suite/controls/qzRadioGroup.h"

namespace {

const char* const kDefinition = R"(object RadioTestForm: TForm
  Left = 60
  Top = 60
  Width = 420
  Height = 200
  Caption = 'Batch'
  object Box: TGroupBox
    Left = 10
    Top = 10
    Width = 200
    Height = 80
    Caption = 'Mode'
    TabOrder = 0
    object BoxFirst: TqzRadioButton
      Left = 10
      Top = 20
      Width = 177
      Height = 17
      Caption = 'Replace'
      Checked = True
      TabOrder = 0
      LookAndFeel.NativeStyle = True
    end
    object BoxSecond: TqzRadioButton
      Left = 10
      Top = 45
      Width = 177
      Height = 17
      Caption = 'Add'
      TabOrder = 1
      LookAndFeel.NativeStyle = True
    end
  end
  object FormFirst: TqzRadioButton
    Left = 230
    Top = 30
    Width = 67
    Height = 17
    Caption = 'All'
    Checked = True
    TabOrder = 1
    LookAndFeel.NativeStyle = True
  end
  object FormSecond: TqzRadioButton
    Left = 230
    Top = 55
    Width = 67
    Height = 17
    Caption = 'Selected'
    TabOrder = 2
    LookAndFeel.NativeStyle = True
  end
end
)";

TEST(RadioButtonForm, AStoredDefinitionLoadsPaintsClicksAndReportsChecked) {
    const TClockMode oldMode = ClockGetMode();
    ClockSetMode(TClockMode::Manual);
    SetCursorPos(0, 0); // away from the window: nothing is hot
    auto app = std::make_unique<TApplication>(nullptr);
    auto form = std::make_unique<TForm>(nullptr);
    ReadComponentText(kDefinition, form.get(), "RadioTestForm");
    auto* boxFirst = dynamic_cast<TqzRadioButton*>(form->FindComponent("BoxFirst"));
    auto* boxSecond = dynamic_cast<TqzRadioButton*>(form->FindComponent("BoxSecond"));
    auto* formFirst = dynamic_cast<TqzRadioButton*>(form->FindComponent("FormFirst"));
    auto* formSecond = dynamic_cast<TqzRadioButton*>(form->FindComponent("FormSecond"));
    ASSERT_NE(nullptr, boxFirst);
    ASSERT_NE(nullptr, boxSecond);
    ASSERT_NE(nullptr, formFirst);
    ASSERT_NE(nullptr, formSecond);
    EXPECT_TRUE(boxFirst->GetChecked());
    EXPECT_TRUE(formFirst->GetChecked());
    EXPECT_FALSE(formSecond->GetChecked());
    EXPECT_TRUE(formSecond->GetLookAndFeel()->GetNativeStyle());
    // Without visual styles the native style is not usable: the classic painter of the default
    // kind, ultra-flat, draws.
    EXPECT_FALSE(formSecond->IsNativeStyle());
    EXPECT_EQ(lfUltraFlat, formSecond->GetLookAndFeel()->GetKind());
    EXPECT_EQ(LookAndFeelPainterClassOf(lfUltraFlat),
              formSecond->GetLookAndFeel()->PainterForThemeType(ttButton));

    form->Show();
    app->ProcessMessages();
    ASSERT_TRUE(formSecond->HandleAllocated());
    EXPECT_EQ(BS_OWNERDRAW, DWORD(GetWindowLongA(formSecond->GetHandle(), GWL_STYLE)) & BS_TYPEMASK);
    EXPECT_EQ(1, formSecond->GetButtonRect().left); // painted: the glyph was placed
    // What the window shows of the unchecked button's glyph is the ultra-flat painter's image.
    {
        UpdateWindow(form->GetHandle());
        GdiSurface surface;
        ASSERT_TRUE(WinGetSurface(form->GetHandle(), surface));
        RECT frame{};
        GetWindowRect(form->GetHandle(), &frame);
        const TRect glyph = formSecond->GetButtonRect();
        TBitmap expected;
        expected.SetSize(glyph.right - glyph.left, glyph.bottom - glyph.top);
        TqzCanvas canvas(expected.GetCanvas());
        SharedRadioButtonImages()->DrawImage(&canvas, 0, 0, lfUltraFlat, qzbsNormal, false, false, false,
                                             formSecond->GetColor());
        int differing = 0;
        for (int y = 0; y < expected.GetHeight(); ++y)
            for (int x = 0; x < expected.GetWidth(); ++x) {
                const POINT at = formSecond->ClientToScreen(POINT{glyph.left + x, glyph.top + y});
                const COLORREF shown =
                    GdiPixelToColor(surface.Row(at.y - frame.top)[at.x - frame.left] & 0xFFFFFF);
                if (shown != COLORREF(ColorToRGB(expected.GetCanvas()->GetPixels(x, y)))) ++differing;
            }
        EXPECT_EQ(0, differing);
    }

    // A click checks the button and unchecks its sibling only, not the other pair's.
    const POINT p = formSecond->ClientToScreen(POINT{5, 8});
    WinInputMouseMove(p);
    app->ProcessMessages();
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    app->ProcessMessages();
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    app->ProcessMessages();
    EXPECT_TRUE(formSecond->GetChecked());
    EXPECT_FALSE(formFirst->GetChecked());
    EXPECT_TRUE(boxFirst->GetChecked());
    ASSERT_TRUE(formSecond->Focused());

    // By keys: an arrow moves within the pair and checks where it lands; Tab goes to the
    // other pair's checked button (an unchecked radio button is no tab stop).
    auto press = [&](UINT key) {
        WinInputKey(key, false, true);
        WinInputKey(key, false, false);
        app->ProcessMessages();
    };
    press(VK_UP);
    EXPECT_TRUE(formFirst->Focused());
    EXPECT_TRUE(formFirst->GetChecked());
    EXPECT_FALSE(formSecond->GetChecked());
    press(VK_TAB);
    EXPECT_TRUE(boxFirst->Focused());
    EXPECT_TRUE(boxFirst->GetChecked());
    press(VK_DOWN);
    EXPECT_TRUE(boxSecond->Focused());
    EXPECT_TRUE(boxSecond->GetChecked());
    EXPECT_FALSE(boxFirst->GetChecked());
    EXPECT_TRUE(formFirst->GetChecked()); // the other pair keeps its choice
    EXPECT_FALSE(formSecond->GetChecked());

    form.reset();
    app.reset();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ClockSetMode(oldMode);
}

} // namespace
