// The currency editor on a form: the typing filter, the value with its bounds, null and zero
// displays, and the frequency editors as the application places them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/editors/qzFormats.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

class CurrencyEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        FOldClipboard = SetClipboardStore(&Clipboard);
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
    }
    void TearDown() override {
        SetMessageBeepHook(FOldBeep);
        testsupport::TFormFixture::TearDown();
        SetClipboardStore(FOldClipboard);
    }
    TqzCurrencyEdit* MakeEditor(Integer top = 10) {
        auto* editor = new TqzCurrencyEdit(Form);
        editor->SetParent(Form);
        editor->SetLeft(10);
        editor->SetTop(top);
        return editor;
    }
    void ShowAndFocus(TqzCurrencyEdit* editor) {
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
    static String Text(TqzCustomTextEdit* editor) { return editor->GetInnerTextEditControl()->GetText(); }

    TMemoryClipboardStore Clipboard;
    Integer Beeps = 0;

private:
    TClipboardStore* FOldClipboard = nullptr;
    TMessageBeepHook FOldBeep;
};

struct TypingCase {
    const char* Name;
    bool CommaLocale;
    Integer DecimalPlaces;
    bool UseThousandSeparator;
    std::u32string Typed;
    const char* Text;
    Integer Beeps;
};

TEST_F(CurrencyEditTest, TypingKeepsTheTextANumberWithinTheDecimalPlaces) {
    const TypingCase cases[] = {
        {"five decimals", false, 5, false, U"1.23456", "1.23456", 0},
        {"a sixth decimal", false, 5, false, U"1.234567", "1.23456", 1},
        {"separator after a whole number", false, 0, false, U"12.", "12.", 0},
        {"no digit after it", false, 0, false, U"12.3", "12.", 1},
        {"minus into an empty text", false, 2, false, U"-5", "-5", 0},
        {"minus after a digit", false, 2, false, U"5-", "5", 1},
        {"comma typed as the point", false, 2, false, U"1,5", "1.5", 0},
        {"point typed as the comma", true, 2, false, U"1.5", "1,5", 0},
        {"letters and wide characters", false, 2, false, U"1a中", "1", 2},
        {"thousand separators kept", false, 2, true, U"1,234.5", "1,234.5", 0},
    };
    for (const TypingCase& c : cases) {
        SCOPED_TRACE(c.Name);
        testsupport::ScopedFormatSettings settings(c.CommaLocale ? testsupport::CommaSettings()
                                                                 : testsupport::DotSettings());
        auto* editor = MakeEditor();
        editor->GetCurrencyEditProperties()->SetDecimalPlaces(c.DecimalPlaces);
        editor->GetCurrencyEditProperties()->SetUseThousandSeparator(c.UseThousandSeparator);
        ShowAndFocus(editor);
        Beeps = 0;
        Type(editor, c.Typed);
        EXPECT_EQ(c.Text, Text(editor));
        EXPECT_EQ(c.Beeps, Beeps);
        delete editor;
    }
}

TEST_F(CurrencyEditTest, ThousandSeparatorsAreLeftOutOfTheNumber) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    auto* editor = MakeEditor();
    double value = 0;
    EXPECT_TRUE(editor->GetCurrencyEditProperties()->TextToNumber("1,234.5", value));
    EXPECT_DOUBLE_EQ(1234.5, value);
    EXPECT_TRUE(editor->GetCurrencyEditProperties()->TextToNumber("0", value));
    EXPECT_FALSE(editor->GetCurrencyEditProperties()->TextToNumber("1e400", value));
    EXPECT_FALSE(editor->GetCurrencyEditProperties()->TextToNumber("12a", value));
    EXPECT_EQ(0.0, value);
}

struct ValueCase {
    const char* Name;
    bool AssignMin;
    double MinValue;
    bool AssignMax;
    double MaxValue;
    double Written;
    double Stored;
};

TEST_F(CurrencyEditTest, ValueWrittenByCodeIsClampedToTheBoundsThatApply) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    const ValueCase cases[] = {
        {"above the maximum", true, 0, true, 255, 300, 255},
        {"below the minimum", true, 0, true, 255, -5, 0},
        {"no bounds", false, 0, false, 0, 1E9, 1E9},
        {"only a maximum below the minimum", false, 10, true, 5, 7, 5},
        {"decimals unrounded", false, 0, false, 0, 1.234567, 1.234567},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* editor = MakeEditor();
        TqzCurrencyEditProperties* properties = editor->GetCurrencyEditProperties();
        properties->SetDecimalPlaces(5);
        if (c.AssignMin) properties->SetMinValue(c.MinValue);
        if (c.AssignMax) properties->SetMaxValue(c.MaxValue);
        if (!c.AssignMin && c.MinValue != 0) {
            // A minimum read from nowhere: the bound is the single assigned maximum.
            properties->SetMinValue(c.MinValue);
            properties->GetAssignedValues()->SetMinValue(false);
        }
        editor->SetValue(c.Written);
        EXPECT_DOUBLE_EQ(c.Stored, editor->GetValue());
        EXPECT_EQ(varDouble, VarType(editor->GetEditValue()));
        delete editor;
    }
}

TEST_F(CurrencyEditTest, StoredTextsAndNullReadAsNumbers) {
    auto* editor = MakeEditor();
    editor->SetEditValue(Variant(String("0")));
    EXPECT_EQ(0.0, editor->GetValue());
    editor->SetEditValue(Variant(String("12")));
    EXPECT_EQ(12.0, editor->GetValue());
    editor->SetEditValue(Variant(String("abc")));
    EXPECT_EQ(0.0, editor->GetValue());
    editor->SetEditValue(Null());
    EXPECT_EQ(0.0, editor->GetValue());
}

TEST_F(CurrencyEditTest, AnEmptyTextLeavesNullOrACurrencyZero) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    for (bool nullable : {true, false}) {
        SCOPED_TRACE(nullable ? "nullable" : "not nullable");
        auto* editor = MakeEditor();
        auto* other = MakeEditor(60);
        TqzCurrencyEditProperties* properties = editor->GetCurrencyEditProperties();
        properties->SetDisplayFormat("0.00000");
        properties->SetNullable(nullable);
        properties->SetNullString("none");
        editor->SetEditValue(Variant(12.5));
        ShowAndFocus(editor);
        editor->SelectAll();
        SendMessageA(InnerWindow(editor), WM_CHAR, 8, 0);
        EXPECT_EQ("", Text(editor));
        other->SetFocus();
        App->ProcessMessages();
        EXPECT_EQ(0.0, editor->GetValue());
        if (nullable) {
            EXPECT_TRUE(VarIsNull(editor->GetEditValue()));
            EXPECT_EQ("none", Text(editor));
        } else {
            EXPECT_EQ(varCurrency, VarType(editor->GetEditValue()));
            EXPECT_EQ("0.00000", Text(editor));
        }
        delete other;
        delete editor;
    }
}

// Thousand separators stand in the display of an editor without the focus only: typed digits
// are not regrouped, and the focus coming back shows the plain number again.
TEST_F(CurrencyEditTest, ThousandSeparatorsOnlyInTheUnfocusedDisplay) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    struct Case {
        const char* Name;
        const char* DisplayFormat;
        bool UseThousandSeparator;
        const char* Shown;
    };
    const Case cases[] = {
        {"plain format", "0.00", true, "1,234,567.50"},
        {"no format", "", true, "1,234,567.5"},
        {"format with its own separators", "#,##0.00", true, "1,234,567.50"},
        {"separators off", "0.00", false, "1234567.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* editor = MakeEditor();
        auto* other = MakeEditor(60);
        TqzCurrencyEditProperties* properties = editor->GetCurrencyEditProperties();
        properties->SetDisplayFormat(c.DisplayFormat);
        properties->SetUseThousandSeparator(c.UseThousandSeparator);
        ShowAndFocus(editor);
        editor->SelectAll();
        Type(editor, U"1234567.5");
        EXPECT_EQ("1234567.5", Text(editor)) << "typing";
        other->SetFocus();
        App->ProcessMessages();
        EXPECT_DOUBLE_EQ(1234567.5, editor->GetValue());
        EXPECT_EQ(c.Shown, Text(editor)) << "without the focus";
        editor->SetFocus();
        App->ProcessMessages();
        EXPECT_EQ("1234567.5", Text(editor)) << "focused again";
        delete other;
        delete editor;
    }
}

TEST_F(CurrencyEditTest, TheNullStringIsNoNumberWhenTyped) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    auto* editor = MakeEditor();
    editor->GetCurrencyEditProperties()->SetNullString("5");
    Variant value;
    bool valid = true;
    editor->DisplayToEditValue(Variant(String("5")), value, valid);
    EXPECT_TRUE(VarIsNull(value));
    editor->DisplayToEditValue(Variant(String("6")), value, valid);
    EXPECT_EQ(6.0, value.AsExtended());
}

TEST_F(CurrencyEditTest, TheFrequencyEditorReadsAndShowsFiveDecimals) {
    for (bool comma : {false, true}) {
        SCOPED_TRACE(comma ? "comma locale" : "point locale");
        testsupport::ScopedFormatSettings settings(comma ? testsupport::CommaSettings()
                                                         : testsupport::DotSettings());
        auto* editor = MakeEditor();
        auto* other = MakeEditor(60);
        TqzCurrencyEditProperties* properties = editor->GetCurrencyEditProperties();
        properties->SetDecimalPlaces(5);
        properties->SetDisplayFormat("0.00000");
        editor->SetEditValue(Variant(0.0));
        ShowAndFocus(editor);
        editor->SelectAll();
        Type(editor, U"438.12345");
        EXPECT_EQ(0, Beeps);
        other->SetFocus();
        App->ProcessMessages();
        EXPECT_DOUBLE_EQ(438.12345, editor->GetValue());
        EXPECT_EQ(comma ? "438,12345" : "438.12345", Text(editor));
        properties->SetMaxValue(470);
        editor->SetValue(500);
        EXPECT_EQ(470.0, editor->GetValue());
        EXPECT_EQ(comma ? "470,00000" : "470.00000", Text(editor));
        delete other;
        delete editor;
    }
}

TEST_F(CurrencyEditTest, TypingOutOfBoundsIsReportedNotClamped) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    auto* editor = MakeEditor();
    TqzCurrencyEditProperties* properties = editor->GetCurrencyEditProperties();
    properties->SetMinValue(0);
    properties->SetMaxValue(255);
    properties->SetDecimalPlaces(0);
    String reported;
    bool reportedError = false;
    struct Handler : TObject {
        String* Text;
        bool* Error;
        void Validate(TObject*, Variant&, String& errorText, bool& error) {
            *Text = errorText;
            *Error = error;
            error = false;
        }
    } handler;
    handler.Text = &reported;
    handler.Error = &reportedError;
    properties->OnValidate = MakeEvent(&handler, &Handler::Validate);
    ShowAndFocus(editor);
    Type(editor, U"300");
    EXPECT_TRUE(editor->ValidateEditing());
    EXPECT_TRUE(reportedError);
    EXPECT_EQ("Value out of bounds", reported);
    EXPECT_EQ(300.0, editor->GetValue());
}

TEST_F(CurrencyEditTest, PastingNeedsAnEditableEditor) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    auto* editor = MakeEditor();
    editor->GetCurrencyEditProperties()->SetReadOnly(true);
    ShowAndFocus(editor);
    TClipboardContents contents;
    contents.HasText = true;
    contents.Text = u"42";
    Clipboard.Replace(contents);
    editor->PasteFromClipboard();
    EXPECT_EQ("", Text(editor));
    editor->GetCurrencyEditProperties()->SetReadOnly(false);
    editor->PasteFromClipboard();
    EXPECT_EQ("42", Text(editor));
}

TEST(CurrencyEditProperties, RegisteredAndPublishedWithTheirDefaults) {
    TqzCurrencyEditProperties properties(nullptr);
    EXPECT_EQ(2, properties.GetDecimalPlaces());
    EXPECT_TRUE(properties.GetNullable());
    EXPECT_TRUE(properties.ValidateOnEnter);
    EXPECT_TRUE(properties.IsEditValueNumeric());
    EXPECT_EQ(TqzCurrencyEdit::StaticClass(), properties.GetContainerClass());
    EXPECT_EQ(GetFormatController()->GetLocaleCurrencyFormat(), properties.GetDisplayFormat());
    const Integer index = GetEditPropertiesRegistry()->IndexOfClass(TqzCurrencyEditProperties::StaticClass());
    ASSERT_GE(index, 0);
    EXPECT_EQ("CurrencyEdit", GetEditPropertiesRegistry()->GetDescription(index));

    TqzCurrencyEditProperties copy(nullptr);
    properties.SetDecimalPlaces(5);
    properties.SetNullable(false);
    properties.SetNullString("-");
    properties.SetUseThousandSeparator(true);
    copy.Assign(&properties);
    EXPECT_EQ(5, copy.GetDecimalPlaces());
    EXPECT_FALSE(copy.GetNullable());
    EXPECT_EQ("-", copy.GetNullString());
    EXPECT_TRUE(copy.GetUseThousandSeparator());
    // Only while not synchronising the display.
    EXPECT_TRUE(copy.UsesThousandSeparator(false));
    EXPECT_FALSE(copy.UsesThousandSeparator(true));
}

} // namespace
