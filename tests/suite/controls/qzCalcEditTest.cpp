// The calculator editor: typing, formatting, precision, pasting, its value, and the calculator
// in its drop-down writing the editor's text and closing it with a reason.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzCalc.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

struct CloseLog {
    std::vector<TqzEditCloseUpReason> Reasons;
    void Closed(TObject*, TqzEditCloseUpReason reason) { Reasons.push_back(reason); }
};

class CalcEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        FOldClipboard = SetClipboardStore(&Clipboard);
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
    }
    void TearDown() override {
        SetMessageBeepHook(FOldBeep);
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
        testsupport::TFormFixture::TearDown();
        SetClipboardStore(FOldClipboard);
    }
    TqzCalcEdit* MakeEditor(Integer top = 10) {
        auto* editor = new TqzCalcEdit(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, top, 150, 21);
        editor->GetProperties()->OnClosePopup = MakeEvent(&Log, &CloseLog::Closed);
        return editor;
    }
    TqzCalcEdit* FocusedEditor() {
        TqzCalcEdit* editor = MakeEditor();
        Form->Show();
        Pump();
        editor->SetFocus();
        Pump();
        return editor;
    }
    void Pump() { App->ProcessMessages(); }
    static HWND Inner(TqzCustomTextEdit* editor) { return editor->GetInnerTextEditControl()->GetHandle(); }
    static String Text(TqzCustomTextEdit* editor) { return editor->GetInnerTextEditControl()->GetText(); }
    void Type(TqzCustomTextEdit* editor, const std::u32string& text) {
        for (char32_t ch : text)
            SendMessageA(Inner(editor), WM_CHAR, WPARAM(ch), 0);
        Pump();
    }
    void CalcKeys(TqzCalcEdit* editor, const std::string& chars) {
        HWND window = editor->GetCalculator()->GetHandle();
        for (char ch : chars) {
            SendMessageA(window, WM_CHAR, WPARAM(ch), 0);
            SendMessageA(window, WM_KEYUP, WPARAM(ch), 0);
        }
        Pump();
    }
    void CalcKey(TqzCalcEdit* editor, Word key) {
        HWND window = editor->GetCalculator()->GetHandle();
        SendMessageA(window, WM_KEYDOWN, key, 0);
        SendMessageA(window, WM_KEYUP, key, 0);
        Pump();
    }
    void Open(TqzCalcEdit* editor) {
        editor->SetDroppedDown(true);
        Pump();
        ASSERT_TRUE(editor->HasOpenPopup());
    }
    void PutClipboard(const String& text) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        SetClipboardData(CF_TEXT, block);
        CloseClipboard();
    }

    TMemoryClipboardStore Clipboard;
    Integer Beeps = 0;
    CloseLog Log;

private:
    TClipboardStore* FOldClipboard = nullptr;
    TMessageBeepHook FOldBeep;
};

TEST_F(CalcEditTest, TypingKeepsTheTextANumber) {
    struct Case {
        const char* Name;
        bool CommaLocale;
        std::u32string Typed;
        const char* Text;
        Integer Beeps;
    };
    const Case cases[] = {
        {"minus into an empty text", false, U"-", "-", 0},
        {"a letter", false, U"a", "", 1},
        // "1.5e" is no number yet, so the exponent cannot be typed at the end.
        {"an exponent at the end", false, U"-1.5e3", "-1.53", 1},
        {"comma under a point locale", false, U"1,5", "1.5", 0},
        {"point under a comma locale", true, U"1.5", "1,5", 0},
        {"a second separator", false, U"1.5.", "1.5", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        testsupport::ScopedFormatSettings settings(c.CommaLocale ? testsupport::CommaSettings()
                                                                 : testsupport::DotSettings());
        TqzCalcEdit* editor = FocusedEditor();
        editor->GetInnerTextEditControl()->SetText("");
        Beeps = 0;
        Type(editor, c.Typed);
        EXPECT_EQ(c.Text, Text(editor));
        EXPECT_EQ(c.Beeps, Beeps);
        delete editor;
    }
}

TEST_F(CalcEditTest, PrecisionIsAtMostFifteenAndStoredOnlyWhenSet) {
    TqzCalcEditProperties p(nullptr);
    EXPECT_EQ(15, p.GetPrecision());
    EXPECT_FALSE(p.IsPrecisionStored());
    p.SetPrecision(20);
    EXPECT_EQ(15, p.GetPrecision());
    p.SetPrecision(6);
    EXPECT_EQ(6, p.GetPrecision());
    EXPECT_TRUE(p.IsPrecisionStored());
    TqzCalcEditProperties copy(nullptr);
    copy.Assign(&p);
    EXPECT_EQ(6, copy.GetPrecision());
    p.GetCalcAssignedValues()->ResetAssignedValues();
    EXPECT_EQ(15, p.GetPrecision());
    copy.Assign(&p);
    EXPECT_FALSE(copy.IsPrecisionStored());
    EXPECT_TRUE(p.GetBeepOnError());
    EXPECT_FALSE(p.GetPopupSizeable());
    EXPECT_FALSE(p.GetImmediateDropDown());
}

TEST_F(CalcEditTest, TheUnfocusedTextFollowsTheFormatSettings) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    struct Case {
        const char* Name;
        bool Thousands;
        bool Scientific;
        double Value;
        const char* Text;
    };
    const Case cases[] = {
        {"general", false, false, 1234567.5, "1234567.5"},
        {"thousand separators", true, false, 1234567.5, "1,234,567.5"},
        {"scientific without separators", true, true, 1234567.5, "1.2345675E+6"},
        {"scientific", false, true, 1500, "1.5E+3"},
        {"scientific with a decimal", false, true, 1050, "1.05E+3"},
        {"scientific of a whole mantissa", false, true, 1, "1E+0"},
    };
    TqzCalcEdit* editor = MakeEditor();
    auto* other = MakeEditor(60);
    Form->Show();
    Pump();
    other->SetFocus();
    Pump();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        editor->GetProperties()->SetUseThousandSeparator(c.Thousands);
        editor->GetProperties()->SetScientificFormat(c.Scientific);
        editor->SetValue(c.Value);
        Pump();
        EXPECT_EQ(c.Text, Text(editor));
        EXPECT_DOUBLE_EQ(c.Value, double(editor->GetValue()));
    }
}

TEST_F(CalcEditTest, ValueOfNothingIsZeroAndPastingDropsTheCurrency) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    TqzCalcEdit* editor = FocusedEditor();
    editor->SetEditValue(Null());
    EXPECT_EQ(0, editor->GetValue());
    editor->SetEditValue(Variant(String("")));
    EXPECT_EQ(0, editor->GetValue());
    PutClipboard("$42.5");
    editor->PasteFromClipboard();
    EXPECT_EQ("42.5", Text(editor));
    ASSERT_TRUE(editor->ValidateEditing());
    EXPECT_DOUBLE_EQ(42.5, double(editor->GetValue()));
    // A text that is no number becomes no value.
    Variant value;
    bool valid = true;
    editor->DisplayToEditValue(Variant(String("abc")), value, valid);
    EXPECT_TRUE(VarIsNull(value));
}

TEST_F(CalcEditTest, TheDropDownCalculatorWritesTheTextAndClosesWithAReason) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    TqzCalcEdit* editor = FocusedEditor();
    // Enter: equals, then accepted.
    Open(editor);
    CalcKeys(editor, "7+8");
    EXPECT_EQ("8", Text(editor));
    EXPECT_TRUE(editor->GetModifiedAfterEnter());
    CalcKey(editor, VK_RETURN);
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ(std::vector<TqzEditCloseUpReason>{qzcrAccept}, Log.Reasons);
    EXPECT_EQ("15", Text(editor));
    EXPECT_DOUBLE_EQ(15, double(editor->GetValue()));
    // Escape: C clicked (the calculator's keys come first), then cancelled.
    Open(editor);
    CalcKeys(editor, "99");
    EXPECT_EQ("99", Text(editor));
    CalcKey(editor, VK_ESCAPE);
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ(qzcrCancel, Log.Reasons.back());
    EXPECT_EQ("0", Text(editor));
    // = closes only with QuickClose.
    Open(editor);
    CalcKeys(editor, "2*3=");
    EXPECT_TRUE(editor->HasOpenPopup());
    editor->GetProperties()->SetQuickClose(true);
    CalcKeys(editor, "+1=");
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ(qzcrAccept, Log.Reasons.back());
    EXPECT_DOUBLE_EQ(7, double(editor->GetValue()));
    // Alt+Up closes with the toggle reason, keeping what the calculator shows.
    Open(editor);
    CalcKeys(editor, "12");
    SendMessageA(editor->GetCalculator()->GetHandle(), WM_SYSKEYDOWN, VK_UP, 0x20000000);
    SendMessageA(editor->GetCalculator()->GetHandle(), WM_SYSKEYUP, VK_UP, 0x20000000);
    Pump();
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ(qzcrToggle, Log.Reasons.back());
    EXPECT_DOUBLE_EQ(12, double(editor->GetValue()));
    // An error showing when the drop-down closes becomes 0.
    Open(editor);
    CalcKeys(editor, "0");
    CalcKey(editor, 'R');
    EXPECT_EQ("Error", Text(editor));
    CalcKey(editor, VK_F4);
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ(qzcrToggle, Log.Reasons.back());
    EXPECT_EQ("0", Text(editor));
    EXPECT_EQ(0, editor->GetValue());
}

TEST_F(CalcEditTest, AReadOnlyEditorOpensNoCalculator) {
    TqzCalcEdit* editor = FocusedEditor();
    editor->GetProperties()->SetReadOnly(true);
    editor->SetDroppedDown(true);
    Pump();
    EXPECT_FALSE(editor->HasOpenPopup());
}

} // namespace
