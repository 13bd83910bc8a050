// The spin editor on a form: stepping by keys, buttons and the wheel within bounds that clamp or
// wrap, typing and the clipboard, validation, auto-repeat on the manual clock, the fast buttons
// and the channel editors as the application stores them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzSpinEdit.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

class SpinEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        FOldClipboard = SetClipboardStore(&Clipboard);
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
    }
    void TearDown() override {
        SetShift(false);
        SetMessageBeepHook(FOldBeep);
        testsupport::TFormFixture::TearDown();
        SetClipboardStore(FOldClipboard);
    }
    TqzSpinEdit* MakeEditor(Integer top = 10) {
        auto* editor = new TqzSpinEdit(Form);
        editor->SetParent(Form);
        editor->SetLeft(10);
        editor->SetTop(top);
        return editor;
    }
    void ShowAndFocus(TqzSpinEdit* editor) {
        Form->Show();
        App->ProcessMessages();
        editor->SetFocus();
        App->ProcessMessages();
    }
    static HWND InnerWindow(TqzCustomTextEdit* editor) {
        return editor->GetInnerTextEditControl()->GetHandle();
    }
    static void Type(TqzCustomTextEdit* editor, const std::u32string& text) {
        for (char32_t ch : text)
            SendMessageA(InnerWindow(editor), WM_CHAR, WPARAM(ch), 0);
    }
    static void SetShift(bool ctrl) {
        BYTE state[256] = {};
        if (ctrl) state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
    }
    static void Key(TqzCustomTextEdit* editor, Word key, bool ctrl = false) {
        SetShift(ctrl);
        SendMessageA(InnerWindow(editor), WM_KEYDOWN, key, 0);
        SendMessageA(InnerWindow(editor), WM_KEYUP, key, 0);
        SetShift(false);
    }
    static String Text(TqzCustomTextEdit* editor) { return editor->GetInnerTextEditControl()->GetText(); }
    void PutOnClipboard(const std::u16string& text) {
        TClipboardContents contents;
        contents.HasText = true;
        contents.Text = text;
        Clipboard.Replace(contents);
    }
    static TPoint ButtonCenter(TqzSpinEdit* editor, Integer index) {
        const TRect r = editor->GetViewInfo()->GetButtonInfo(index)->Bounds;
        return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static void Press(TqzSpinEdit* editor, Integer index) {
        const TPoint p = ButtonCenter(editor, index);
        SendMessageA(editor->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    static void Release(TqzSpinEdit* editor, Integer index) {
        const TPoint p = ButtonCenter(editor, index);
        SendMessageA(editor->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }
    void Advance(Integer ms) {
        ClockAdvanceMs(ms);
        App->ProcessMessages();
    }

    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
    TMemoryClipboardStore Clipboard;
    Integer Beeps = 0;

private:
    TClipboardStore* FOldClipboard = nullptr;
    TMessageBeepHook FOldBeep;
};

struct StepCase {
    const char* Name;
    TqzSpinEditValueType Type;
    double MinValue, MaxValue;
    bool Circular;
    double Increment;
    Variant Start;
    Word Key;
    Variant Expected;
};

TEST_F(SpinEditTest, StepsStayInsideTheBoundsOrWrap) {
    const Int64 top = INT64_MAX, bottom = INT64_MIN;
    const StepCase cases[] = {
        {"no bounds: a float steps", vtFloat, 0, 0, false, 1, Variant(5.0), VK_UP, Variant(6.0)},
        {"no bounds: the integer type's top stays", vtInt, 0, 0, false, 1, Variant(top), VK_UP, Variant(top)},
        {"no bounds: the integer type's bottom stays", vtInt, 0, 0, false, 1, Variant(bottom), VK_DOWN,
         Variant(bottom)},
        {"no bounds: a page from the top stays", vtInt, 0, 0, false, 1, Variant(top - 3), VK_PRIOR,
         Variant(top)},
        {"at the maximum, up", vtFloat, 1, 188, false, 1, Variant(188.0), VK_UP, Variant(188.0)},
        {"at the maximum, up, circular", vtFloat, 1, 188, true, 1, Variant(188.0), VK_UP, Variant(1.0)},
        {"at the minimum, down", vtFloat, 1, 188, false, 1, Variant(1.0), VK_DOWN, Variant(1.0)},
        {"at the minimum, down, circular", vtFloat, 1, 188, true, 1, Variant(1.0), VK_DOWN, Variant(188.0)},
        {"above the range, down", vtFloat, 1, 5, false, 1, Variant(9.0), VK_DOWN, Variant(5.0)},
        {"above the range, up", vtFloat, 1, 5, false, 1, Variant(9.0), VK_UP, Variant(9.0)},
        {"below the range, up", vtFloat, 1, 5, false, 1, Variant(-3.0), VK_UP, Variant(1.0)},
        {"a page wraps once round", vtFloat, 1, 5, true, 1, Variant(5.0), VK_PRIOR, Variant(5.0)},
        {"a page clamps", vtFloat, 1, 5, false, 1, Variant(3.0), VK_NEXT, Variant(1.0)},
        {"integer step 2.5 is 2", vtInt, 0, 0, false, 2.5, Variant(Int64(0)), VK_UP, Variant(Int64(2))},
        {"integer step 3.5 is 4", vtInt, 0, 0, false, 3.5, Variant(Int64(0)), VK_UP, Variant(Int64(4))},
        {"float step 2.5", vtFloat, 0, 0, false, 2.5, Variant(0.0), VK_UP, Variant(2.5)},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* editor = MakeEditor();
        TqzSpinEditProperties* properties = editor->GetProperties();
        properties->SetValueType(c.Type);
        properties->SetMinValue(c.MinValue);
        properties->SetMaxValue(c.MaxValue);
        properties->SetCircular(c.Circular);
        properties->SetIncrement(c.Increment);
        ShowAndFocus(editor);
        editor->SetValue(c.Start);
        Key(editor, c.Key);
        const Variant value = editor->GetValue();
        EXPECT_EQ(c.Type == vtInt ? varInt64 : varDouble, VarType(value));
        if (c.Type == vtInt)
            EXPECT_EQ(c.Expected.AsInt64(), value.AsInt64());
        else
            EXPECT_DOUBLE_EQ(double(c.Expected.AsExtended()), double(value.AsExtended()));
        delete editor;
    }
}

TEST_F(SpinEditTest, AWholeNumberShowsWithoutDecimalsAndSpinsTheText) {
    auto* editor = MakeEditor();
    editor->GetProperties()->SetMinValue(1);
    editor->GetProperties()->SetMaxValue(5);
    ShowAndFocus(editor);
    editor->SetValue(Variant(1.0));
    EXPECT_EQ("1", Text(editor));
    Key(editor, VK_UP);
    EXPECT_EQ("2", Text(editor));
    EXPECT_EQ(1, editor->GetSelStart());
    EXPECT_TRUE(editor->GetModifiedAfterEnter());
    EXPECT_EQ(3.0, (editor->GetValue() + Variant(Integer(1))).AsExtended());
}

TEST_F(SpinEditTest, CtrlIncrementSpinsOnlyWithCtrl) {
    auto* editor = MakeEditor();
    editor->GetProperties()->SetUseCtrlIncrement(true);
    ShowAndFocus(editor);
    editor->SetValue(Variant(3.0));
    Key(editor, VK_UP);
    EXPECT_EQ(3.0, editor->GetValue().AsExtended());
    Key(editor, VK_UP, true);
    EXPECT_EQ(4.0, editor->GetValue().AsExtended());
    editor->GetProperties()->SetUseCtrlIncrement(false);
    Key(editor, VK_UP);
    EXPECT_EQ(5.0, editor->GetValue().AsExtended());
}

TEST_F(SpinEditTest, TypingTakesNumbersOnly) {
    struct Case {
        const char* Name;
        bool Comma;
        TqzSpinEditValueType Type;
        std::u32string Typed;
        const char* Text;
        Integer Beeps;
    } const cases[] = {
        {"comma as the point", false, vtFloat, U"1,5", "1.5", 0},
        {"point as the comma", true, vtFloat, U"1.5", "1,5", 0},
        {"a letter", false, vtFloat, U"1x", "1", 1},
        {"a wide character", false, vtFloat, U"中", "", 1},
        {"integers take no separator", false, vtInt, U"2.", "2", 1},
        {"exponents", false, vtFloat, U"-1e5", "-1e5", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        testsupport::ScopedFormatSettings settings(c.Comma ? testsupport::CommaSettings()
                                                           : testsupport::DotSettings());
        auto* editor = MakeEditor();
        editor->GetProperties()->SetValueType(c.Type);
        ShowAndFocus(editor);
        editor->SelectAll();
        SendMessageA(InnerWindow(editor), WM_CHAR, 8, 0);
        Beeps = 0;
        Type(editor, c.Typed);
        EXPECT_EQ(c.Text, Text(editor));
        EXPECT_EQ(c.Beeps, Beeps);
        delete editor;
    }
}

TEST_F(SpinEditTest, WithoutCanEditOnlyTheButtonsChangeTheValue) {
    auto* editor = MakeEditor();
    editor->GetProperties()->SetCanEdit(false);
    ShowAndFocus(editor);
    editor->SetValue(Variant(7.0));
    editor->SelectAll();
    Type(editor, U"5");
    SendMessageA(InnerWindow(editor), WM_CHAR, 8, 0);
    EXPECT_EQ("7", Text(editor));
    PutOnClipboard(u"9");
    SendMessageA(InnerWindow(editor), WM_PASTE, 0, 0);
    SendMessageA(InnerWindow(editor), WM_CUT, 0, 0);
    EXPECT_EQ("7", Text(editor));
    Key(editor, VK_DOWN);
    EXPECT_EQ("6", Text(editor));
    // Code still pastes.
    editor->SelectAll();
    editor->PasteFromClipboard();
    EXPECT_EQ("9", Text(editor));
}

TEST_F(SpinEditTest, TheWheelSpinsDownAndUp) {
    auto* editor = MakeEditor();
    ShowAndFocus(editor);
    editor->SetValue(Variant(10.0));
    EXPECT_TRUE(editor->HandleMouseWheel(TShiftState(), -120, POINT{0, 0}));
    EXPECT_EQ(9.0, editor->GetValue().AsExtended());
    EXPECT_TRUE(editor->HandleMouseWheel(TShiftState(), 120, POINT{0, 0}));
    EXPECT_TRUE(editor->HandleMouseWheel(TShiftState(), 120, POINT{0, 0}));
    EXPECT_EQ(11.0, editor->GetValue().AsExtended());
}

struct ValidateLog : TObject {
    void Validate(TObject*, Variant& display, String& errorText, bool& error) {
        Display = VarToStr(display);
        ErrorText = errorText;
        Error = error;
        ++Calls;
        error = false;
    }
    void GetValue(TObject*, const String& text, Variant& value, String& errorText, bool& error) {
        if (text == "ten") {
            value = Variant(10.0);
            error = false;
        } else if (text == "bad") {
            throw Exception("no such number");
        }
    }
    String Display;
    String ErrorText;
    bool Error = false;
    Integer Calls = 0;
};

TEST_F(SpinEditTest, ANumberOutOfBoundsIsReportedAndNotClamped) {
    auto* editor = MakeEditor();
    ValidateLog log;
    editor->GetProperties()->SetMinValue(1);
    editor->GetProperties()->SetMaxValue(188);
    editor->GetProperties()->OnValidate = MakeEvent(&log, &ValidateLog::Validate);
    ShowAndFocus(editor);
    editor->SelectAll();
    Type(editor, U"300");
    EXPECT_TRUE(editor->ValidateEditing());
    EXPECT_EQ(1, log.Calls);
    EXPECT_TRUE(log.Error);
    EXPECT_EQ("Value out of bounds", log.ErrorText);
    EXPECT_EQ(300.0, editor->GetValue().AsExtended());
}

TEST_F(SpinEditTest, TextThatIsNoNumberKeepsTheLastGoodValue) {
    for (bool raise : {false, true}) {
        SCOPED_TRACE(raise ? "with exceptions" : "without exceptions");
        auto* editor = MakeEditor();
        ValidateLog log;
        editor->GetProperties()->SetExceptionOnInvalidInput(raise);
        editor->GetProperties()->OnValidate = MakeEvent(&log, &ValidateLog::Validate);
        ShowAndFocus(editor);
        editor->SetValue(Variant(4.0));
        editor->SelectAll();
        Type(editor, U"1e");
        EXPECT_EQ("1e", Text(editor));
        if (raise)
            EXPECT_THROW(editor->GetValue(), Exception);
        else
            EXPECT_EQ(4.0, editor->GetValue().AsExtended());
        String errorText;
        Variant value;
        EXPECT_FALSE(editor->TextToValueChecked("1e", false, errorText, value));
        EXPECT_EQ(raise ? "Invalid numeric value" : "", errorText);
        EXPECT_EQ(4.0, value.AsExtended());
        delete editor;
    }
}

TEST_F(SpinEditTest, AGetValueHandlerSuppliesOrFails) {
    auto* editor = MakeEditor();
    ValidateLog log;
    editor->GetProperties()->OnGetValue = MakeEvent(&log, &ValidateLog::GetValue);
    ShowAndFocus(editor);
    editor->SelectAll();
    Type(editor, U"ten");
    EXPECT_EQ("ten", Text(editor));
    EXPECT_EQ(10.0, editor->GetValue().AsExtended());
    String errorText;
    Variant value;
    EXPECT_FALSE(editor->TextToValueChecked("bad", false, errorText, value));
    EXPECT_EQ("", errorText); // ExceptionOnInvalidInput is off
    try {
        editor->TextToValueChecked("bad", true, errorText, value);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ("no such number", e.Message);
    }
}

TEST_F(SpinEditTest, FastButtonsComeAndGo) {
    auto* editor = MakeEditor();
    TqzEditButtons* buttons = editor->GetProperties()->GetButtons();
    EXPECT_EQ(2, buttons->GetCount());
    editor->GetProperties()->GetSpinButtons()->SetShowFastButtons(true);
    EXPECT_EQ(4, buttons->GetCount());
    ShowAndFocus(editor);
    editor->SetValue(Variant(0.0));
    Key(editor, VK_PRIOR);
    EXPECT_EQ(10.0, editor->GetValue().AsExtended());
    editor->GetProperties()->GetSpinButtons()->SetShowFastButtons(false);
    EXPECT_EQ(2, buttons->GetCount());
}

TEST_F(SpinEditTest, AHeldButtonRepeatsAfter400ThenEvery100Ms) {
    auto* editor = MakeEditor();
    ShowAndFocus(editor);
    editor->SetValue(Variant(0.0));
    Press(editor, 1);
    EXPECT_EQ(1.0, editor->GetValue().AsExtended());
    Advance(399);
    EXPECT_EQ(1.0, editor->GetValue().AsExtended());
    Advance(1);
    EXPECT_EQ(2.0, editor->GetValue().AsExtended());
    Advance(100);
    EXPECT_EQ(3.0, editor->GetValue().AsExtended());
    Advance(100);
    EXPECT_EQ(4.0, editor->GetValue().AsExtended());
    Release(editor, 1);
    EXPECT_EQ(nullptr, editor->GetRepeatTimer());
    Advance(500);
    EXPECT_EQ(4.0, editor->GetValue().AsExtended());

    // A key that is no spin key stops it as well.
    Press(editor, 0);
    EXPECT_EQ(3.0, editor->GetValue().AsExtended());
    SendMessageA(InnerWindow(editor), WM_KEYDOWN, VK_HOME, 0);
    Advance(500);
    EXPECT_EQ(3.0, editor->GetValue().AsExtended());
    Release(editor, 0);

    // So does the focus going elsewhere.
    auto* other = MakeEditor(60);
    Press(editor, 1);
    EXPECT_EQ(4.0, editor->GetValue().AsExtended());
    other->SetFocus();
    App->ProcessMessages();
    EXPECT_EQ(nullptr, editor->GetRepeatTimer());
    Advance(500);
    EXPECT_EQ(4.0, editor->GetValue().AsExtended());
}

TEST_F(SpinEditTest, AHeldSpinKeyDrawsItsButtonPressedAndBlocksTheMouse) {
    auto* editor = MakeEditor();
    ShowAndFocus(editor);
    editor->SetValue(Variant(0.0));
    SendMessageA(InnerWindow(editor), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(1, editor->GetKeyPressedButton());
    EXPECT_EQ(qzebsPressed, editor->GetViewInfo()->GetButtonInfo(0)->Data.State);
    EXPECT_EQ(-1.0, editor->GetValue().AsExtended());
    Press(editor, 1);
    EXPECT_EQ(-1.0, editor->GetValue().AsExtended());
    Release(editor, 1);
    SendMessageA(InnerWindow(editor), WM_KEYUP, VK_DOWN, 0);
    EXPECT_EQ(0, editor->GetKeyPressedButton());
    EXPECT_NE(qzebsPressed, editor->GetViewInfo()->GetButtonInfo(0)->Data.State);
}

TEST(SpinEditProperties, DefaultsRegistrationAndCopies) {
    TqzSpinEditProperties properties(nullptr);
    EXPECT_EQ(vtFloat, properties.GetValueType());
    EXPECT_FALSE(properties.IsValueTypeStored());
    EXPECT_EQ(sbpVert, properties.GetSpinButtons()->GetPosition());
    EXPECT_TRUE(properties.ValidateOnEnter);
    EXPECT_TRUE(properties.GetCanEdit());
    EXPECT_EQ(1.0, properties.GetIncrement());
    EXPECT_EQ(10.0, properties.GetLargeIncrement());
    EXPECT_EQ(1, properties.GetOutOfRangeMode());
    properties.SetCircular(true);
    EXPECT_EQ(2, properties.GetOutOfRangeMode());
    const Integer index = GetEditPropertiesRegistry()->IndexOfClass(TqzSpinEditProperties::StaticClass());
    ASSERT_GE(index, 0);
    EXPECT_EQ("SpinEdit", GetEditPropertiesRegistry()->GetDescription(index));

    properties.SetValueType(vtInt);
    properties.GetSpinButtons()->SetPosition(sbpHorzRight);
    properties.GetSpinButtons()->SetShowFastButtons(true);
    properties.SetMinValue(0.5);
    properties.SetMaxValue(2.5);
    Variant bound;
    properties.GetMinValueOfType(bound);
    EXPECT_EQ(0, bound.AsInt64()); // rounded to even
    properties.GetMaxValueOfType(bound);
    EXPECT_EQ(2, bound.AsInt64());
    TqzSpinEditProperties copy(nullptr);
    copy.Assign(&properties);
    EXPECT_EQ(vtInt, copy.GetValueType());
    EXPECT_TRUE(copy.IsValueTypeStored());
    EXPECT_EQ(sbpHorzRight, copy.GetSpinButtons()->GetPosition());
    EXPECT_EQ(4, copy.GetButtons()->GetCount());
}

const char* const kChannelForm = R"(object ChannelForm: TForm
  Left = 60
  Top = 60
  Width = 300
  Height = 120
  Caption = 'Channel'
  object seChannel: TqzSpinEdit
    Left = 10
    Top = 10
    Properties.MaxValue = 188.000000000000000000
    Properties.MinValue = 1.000000000000000000
    Style.LookAndFeel.NativeStyle = True
    StyleDisabled.LookAndFeel.NativeStyle = True
    StyleFocused.LookAndFeel.NativeStyle = True
    StyleHot.LookAndFeel.NativeStyle = True
    TabOrder = 0
    Value = 1
    Width = 80
  end
  object seVox: TqzSpinEdit
    Left = 10
    Top = 40
    Properties.MaxValue = 5.000000000000000000
    Properties.MinValue = 1.000000000000000000
    Style.LookAndFeel.NativeStyle = True
    StyleDisabled.LookAndFeel.NativeStyle = True
    StyleFocused.LookAndFeel.NativeStyle = True
    StyleHot.LookAndFeel.NativeStyle = True
    TabOrder = 1
    Value = 1
    Width = 80
  end
end
)";

TEST(SpinEditForm, TheChannelEditorsLoadAndStep) {
    const TClockMode oldMode = ClockGetMode();
    ClockSetMode(TClockMode::Manual);
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    SetCursorPos(0, 0);
    auto app = std::make_unique<TApplication>(nullptr);
    auto form = std::make_unique<TForm>(nullptr);
    ReadComponentText(kChannelForm, form.get(), "ChannelForm");
    auto* channel = dynamic_cast<TqzSpinEdit*>(form->FindComponent("seChannel"));
    auto* vox = dynamic_cast<TqzSpinEdit*>(form->FindComponent("seVox"));
    ASSERT_NE(nullptr, channel);
    ASSERT_NE(nullptr, vox);
    EXPECT_EQ(1.0, channel->GetValue().AsExtended());
    EXPECT_EQ(188.0, channel->GetProperties()->GetMaxValue());
    form->Show();
    app->ProcessMessages();

    channel->GetProperties()->SetMaxValue(100 - 2);
    EXPECT_EQ(1.0, channel->GetProperties()->GetMinValue());
    EXPECT_EQ(1.0, channel->GetProperties()->GetIncrement());
    channel->SetFocus();
    app->ProcessMessages();
    HWND inner = channel->GetInnerTextEditControl()->GetHandle();
    SendMessageA(inner, WM_KEYDOWN, VK_UP, 0);
    SendMessageA(inner, WM_KEYUP, VK_UP, 0);
    SendMessageA(inner, WM_KEYDOWN, VK_UP, 0);
    SendMessageA(inner, WM_KEYUP, VK_UP, 0);
    SendMessageA(inner, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(inner, WM_KEYUP, VK_DOWN, 0);
    EXPECT_EQ(2.0, channel->GetValue().AsExtended());
    EXPECT_EQ("2", channel->GetText());

    vox->SetFocus();
    app->ProcessMessages();
    inner = vox->GetInnerTextEditControl()->GetHandle();
    for (int i = 0; i < 7; ++i) {
        SendMessageA(inner, WM_KEYDOWN, VK_UP, 0);
        SendMessageA(inner, WM_KEYUP, VK_UP, 0);
    }
    EXPECT_EQ(5.0, vox->GetValue().AsExtended());
    EXPECT_EQ(2.0, channel->GetValue().AsExtended());

    form.reset();
    app.reset();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ClockSetMode(oldMode);
}

} // namespace
