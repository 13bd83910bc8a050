// The masked editor on a form: keys typed into its native edit go through the mask mode, the
// hosted edit does what the mode leaves to it (with the keyboard state it reads), and the
// properties' mask settings reach the editor.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "platform/winapi/WinEdit.h"
#include "suite/editors/qzMaskEdit.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

// A standard mode whose blank is "0" in the first position (as the time editor's), and an
// editor that refuses a 9 audibly and an 8 in the second position silently.
class TZeroBlankMode : public TqzMaskEditStandardMode {
    KOV_CLASS(TZeroBlankMode, TqzMaskEditStandardMode)
public:
    using TqzMaskEditStandardMode::TqzMaskEditStandardMode;
    static TqzMaskEditCustomMode* CreateInstance(IqzMaskEditModeHost* editor,
                                                 TqzCustomMaskEditProperties* properties) {
        return new TZeroBlankMode(editor, properties);
    }
    char32_t GetBlankChar(Integer position) override { return position == 1 ? U'0' : U'_'; }
};

class TZeroBlankProperties : public TqzCustomMaskEditProperties {
    KOV_CLASS(TZeroBlankProperties, TqzCustomMaskEditProperties)
public:
    using TqzCustomMaskEditProperties::TqzCustomMaskEditProperties;
    TqzMaskEditModeClass GetModeClass(TqzEditMaskKind kind) override {
        return kind == emkStandard ? &TZeroBlankMode::CreateInstance
                                   : TqzCustomMaskEditProperties::GetModeClass(kind);
    }
};

class TVetoEdit : public TqzCustomMaskEdit {
    KOV_CLASS(TVetoEdit, TqzCustomMaskEdit)
public:
    explicit TVetoEdit(TComponent* owner) : TqzCustomMaskEdit(owner, false, true) { InitializeEditor(); }
    TClass GetPropertiesClass() override { return TZeroBlankProperties::StaticClass(); }
    bool IsMaskCharAllowed(char32_t& ch, Integer position) override {
        if (ch == '9') ch = 0;
        return ch != '8' || position != 2;
    }
};

const bool kRegistered = [] {
    RegisterInterfacedPersistentClass<TZeroBlankProperties>();
    return true;
}();

class MaskEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        FOldClipboard = SetClipboardStore(&Clipboard);
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
    }
    void TearDown() override {
        SetShift(false, false);
        SetMessageBeepHook(FOldBeep);
        testsupport::TFormFixture::TearDown();
        SetClipboardStore(FOldClipboard);
    }
    template <class T = TqzMaskEdit>
    T* MakeEditor(TqzEditMaskKind kind, const String& mask, Integer top = 10) {
        auto* editor = new T(Form);
        editor->SetParent(Form);
        editor->SetLeft(10);
        editor->SetTop(top);
        auto* properties = static_cast<TqzCustomMaskEditProperties*>(editor->GetProperties());
        properties->BeepOnError = true;
        properties->SetMaskKind(kind);
        properties->SetEditMask(mask);
        return editor;
    }
    // On the shown form, focused.
    template <class T = TqzMaskEdit> T* FocusedEditor(TqzEditMaskKind kind, const String& mask) {
        T* editor = MakeEditor<T>(kind, mask);
        Form->Show();
        App->ProcessMessages();
        editor->SetFocus();
        App->ProcessMessages();
        return editor;
    }
    static HWND InnerWindow(TqzCustomTextEdit* editor) {
        return editor->GetInnerTextEditControl()->GetHandle();
    }
    static void Type(TqzCustomTextEdit* editor, const std::u32string& text) {
        for (char32_t ch : text)
            SendMessageA(InnerWindow(editor), WM_CHAR, WPARAM(ch), 0);
    }
    static void SetShift(bool shift, bool ctrl) {
        BYTE state[256] = {};
        if (shift) state[VK_SHIFT] = 0x80;
        if (ctrl) state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
    }
    static void Key(TqzCustomTextEdit* editor, Word key, bool shift = false, bool ctrl = false) {
        SetShift(shift, ctrl);
        SendMessageA(InnerWindow(editor), WM_KEYDOWN, key, 0);
        SendMessageA(InnerWindow(editor), WM_KEYUP, key, 0);
        SetShift(false, false);
    }
    static String Text(TqzCustomTextEdit* editor) { return editor->GetInnerTextEditControl()->GetText(); }
    void PutOnClipboard(const std::u16string& text) {
        TClipboardContents contents;
        contents.HasText = true;
        contents.Text = text;
        Clipboard.Replace(contents);
    }

    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
    TMemoryClipboardStore Clipboard;
    Integer Beeps = 0;

private:
    TClipboardStore* FOldClipboard = nullptr;
    TMessageBeepHook FOldBeep;
};

// ---- Standard masks --------------------------------------------------------------------------

TEST_F(MaskEditTest, TypingFillsTheInputPositions) {
    struct Case {
        String mask;
        Integer caret;
        std::u32string typed;
        String text;
        Integer finalCaret;
    };
    const std::vector<Case> cases = {
        // The caret skips the closing literal after the third digit; a fourth digit is ignored.
        {"(000)", 1, U"123", "(123)", 5},
        {"(000)", 1, U"1234", "(123)", 5},
        // A digit typed on a literal lands on the next input position.
        {"(999)000-0000;1;_", 0, U"1", "(1__)___-____", 2},
        {"(999)000-0000;1;_", 4, U"5", "(___)5__-____", 6},
        {"(999)000-0000;1;_", 8, U"7", "(___)___-7___", 10},
        // A letter is refused by a digit position, silently.
        {"(999)000-0000;1;_", 1, U"a", "(___)___-____", 1},
    };
    for (const Case& c : cases) {
        auto* editor = FocusedEditor(emkStandard, c.mask);
        EXPECT_EQ(editor->GetMode()->FormatText(""), Text(editor));
        editor->SetSelStart(c.caret);
        EXPECT_EQ(1, editor->GetSelLength()) << "the caret covers a character";
        Type(editor, c.typed);
        EXPECT_EQ(c.text, Text(editor)) << c.mask;
        EXPECT_EQ(c.finalCaret, editor->GetSelStart()) << c.mask;
        delete editor;
    }
    EXPECT_EQ(0, Beeps);
}

TEST_F(MaskEditTest, BackspaceAndDeleteBlankPositions) {
    auto* editor = FocusedEditor(emkStandard, "(000)");
    editor->SetSelStart(1);
    Type(editor, U"123");
    editor->SetSelStart(2);
    Type(editor, U"\b");
    EXPECT_EQ("(_23)", Text(editor));
    EXPECT_EQ(1, editor->GetSelStart());
    Type(editor, U"\b");
    EXPECT_EQ("(_23)", Text(editor));
    EXPECT_EQ(1, editor->GetSelStart()) << "only a literal lies to the left";
    editor->SetSelStart(2);
    Key(editor, VK_DELETE);
    EXPECT_EQ("(__3)", Text(editor)) << "Delete writes a blank and moves nothing";
    EXPECT_EQ(2, editor->GetSelStart());
    // Shift+Delete cuts the character under the caret.
    editor->SetSelStart(3);
    Key(editor, VK_DELETE, true);
    EXPECT_EQ("(___)", Text(editor));
    EXPECT_EQ(u"3", Clipboard.Read().Text);
}

TEST_F(MaskEditTest, ShiftDeleteWithoutASelectionIsBackspace) {
    auto* editor = FocusedEditor(emkRegExpr, "\\d+");
    Type(editor, U"123");
    Key(editor, VK_LEFT);
    Key(editor, VK_DELETE, true);
    EXPECT_EQ("13", Text(editor));
    EXPECT_EQ(1, editor->GetSelStart());
    Type(editor, U"4");
    EXPECT_EQ("143", Text(editor)) << "the mode kept in step";
}

TEST_F(MaskEditTest, ShiftLeavesTheCaretKeysToTheHostedEdit) {
    auto* editor = FocusedEditor(emkStandard, "(000)000");
    editor->SetSelStart(3);
    ASSERT_EQ(1, editor->GetSelLength());
    // The one-character caret becomes an empty selection behind its character, from where the
    // hosted edit extends leftwards.
    Key(editor, VK_LEFT, true);
    EXPECT_EQ(2, editor->GetSelStart());
    EXPECT_EQ(2, editor->GetSelLength());
    EXPECT_EQ(2, editor->GetCaretCharIndex()) << "the caret at the selection's start";
    editor->SetSelStart(3);
    Key(editor, VK_RIGHT, true);
    EXPECT_EQ(3, editor->GetSelStart());
    EXPECT_EQ(2, editor->GetSelLength());
    EXPECT_EQ(5, editor->GetCaretCharIndex());
    editor->SetSelStart(3);
    Key(editor, VK_HOME, true);
    EXPECT_EQ(0, editor->GetSelStart());
    EXPECT_EQ(3, editor->GetSelLength());
    editor->SetSelStart(3);
    Key(editor, VK_END, true);
    EXPECT_EQ(3, editor->GetSelStart());
    EXPECT_EQ(5, editor->GetSelLength());
    // Without Shift they stay on input positions; Ctrl+Left is Home.
    editor->SetSelStart(5);
    Key(editor, VK_LEFT);
    EXPECT_EQ(3, editor->GetSelStart());
    Key(editor, VK_LEFT, false, true);
    EXPECT_EQ(1, editor->GetSelStart());
    Key(editor, VK_END);
    EXPECT_EQ(8, editor->GetSelStart());
}

TEST_F(MaskEditTest, PastingOverwritesAsManyPositionsAsItInserts) {
    auto* editor = FocusedEditor(emkStandard, "(000)00");
    editor->SetSelStart(1);
    PutOnClipboard(u"12");
    SendMessageA(InnerWindow(editor), WM_PASTE, 0, 0);
    EXPECT_EQ("(12_)__", Text(editor));
    EXPECT_EQ(3, editor->GetSelStart()) << "on the third digit";
    // SetSelText overwrites as many positions as it inserts, whatever the clipboard holds.
    PutOnClipboard(u"98765");
    editor->SetSelStart(5);
    editor->SetSelText("34");
    EXPECT_EQ("(12_)34", Text(editor));
    // Cutting writes blanks.
    editor->SetSelection(1, 2);
    SendMessageA(InnerWindow(editor), WM_CUT, 0, 0);
    EXPECT_EQ("(___)34", Text(editor));
}

TEST_F(MaskEditTest, ABlankCharacterAndAVetoOfTheEditorsOwn) {
    auto* editor = FocusedEditor<TVetoEdit>(emkStandard, "00");
    editor->SetEditValue(Variant(String("12")));
    editor->SetSelection(0, 2);
    Key(editor, VK_DELETE);
    EXPECT_EQ("0_", Text(editor));
    editor->SetSelStart(0);
    Type(editor, U"9");
    EXPECT_EQ("0_", Text(editor));
    EXPECT_EQ(1, Beeps);
    Type(editor, U"58");
    EXPECT_EQ("5_", Text(editor));
    EXPECT_EQ(1, Beeps);
}

TEST_F(MaskEditTest, IgnoreMaskBlankAndTheValidationMessage) {
    auto* editor = FocusedEditor(emkStandard, "000;0;_");
    auto* properties = editor->GetMaskEditProperties();
    struct Case {
        bool ignoreBlank;
        String text;
        bool valid;
    };
    const std::vector<Case> cases = {
        {false, "___", false}, {true, "___", true}, {true, "1__", false}, {false, "123", true}};
    for (const Case& c : cases) {
        properties->IgnoreMaskBlank = c.ignoreBlank;
        Variant display(c.text);
        String errorText;
        bool error = false;
        properties->ValidateDisplayValue(display, errorText, error, editor);
        EXPECT_EQ(!c.valid, error) << c.text << " " << c.ignoreBlank;
        if (!c.valid) {
            EXPECT_EQ("The edit value is invalid", errorText);
        }
    }
    // Typed on the form: the editor refuses the partly filled value with the message.
    properties->IgnoreMaskBlank = false;
    properties->BeepOnError = false;
    editor->SetSelStart(0);
    Type(editor, U"1");
    try {
        editor->ValidateEditing(true);
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ("The edit value is invalid", error.Message);
    }
    // The refused text was selected whole; typing goes on behind the 1.
    EXPECT_EQ(3, editor->GetSelLength());
    editor->SetSelStart(1);
    Type(editor, U"23");
    EXPECT_TRUE(editor->ValidateEditing(true));
    EXPECT_EQ("123", VarToStr(editor->GetEditValue()));
}

// ---- Regular-expression masks ----------------------------------------------------------------

TEST_F(MaskEditTest, RegularExpressionsRefuseWhatCannotContinue) {
    auto* editor = FocusedEditor(emkRegExpr, "\\d+");
    Type(editor, U"a");
    EXPECT_EQ("", Text(editor));
    EXPECT_EQ(1, Beeps);
    Type(editor, U"12");
    EXPECT_EQ("12", Text(editor));
    EXPECT_EQ(1, Beeps);
    editor->GetMaskEditProperties()->BeepOnError = false;
    Type(editor, U"b");
    EXPECT_EQ("12", Text(editor));
    EXPECT_EQ(1, Beeps);
}

TEST_F(MaskEditTest, TextThatNoLongerFitsIsDropped) {
    auto* editor = FocusedEditor(emkRegExpr, "\\d\\d'-'\\d\\d");
    Type(editor, U"12-34");
    EXPECT_EQ("12-34", Text(editor));
    Key(editor, VK_LEFT);
    Key(editor, VK_LEFT);
    Key(editor, VK_LEFT);
    EXPECT_EQ(2, editor->GetSelStart());
    Key(editor, VK_DELETE);
    EXPECT_EQ("12", Text(editor));
    EXPECT_EQ(0, Beeps);
    Type(editor, U"-34");
    editor->SetSelection(1, 2);
    Type(editor, U"5");
    EXPECT_EQ("15", Text(editor)) << "replacing a selection dropped what no longer fits";
    EXPECT_EQ(1, Beeps);
}

TEST_F(MaskEditTest, ASelectionMadeLeftwardsIsReplacedInStep) {
    auto* editor = FocusedEditor(emkRegExpr, "\\d\\d'-'\\d\\d");
    Type(editor, U"12-34");
    Key(editor, VK_LEFT, true);
    Key(editor, VK_LEFT, true);
    ASSERT_EQ(3, editor->GetSelStart());
    ASSERT_EQ(2, editor->GetSelLength());
    Type(editor, U"5");
    EXPECT_EQ("12-5", Text(editor));
    Type(editor, U"6");
    EXPECT_EQ("12-56", Text(editor));
    Type(editor, U"7");
    EXPECT_EQ("12-56", Text(editor)) << "nothing may follow";
    EXPECT_EQ(1, Beeps);
}

TEST_F(MaskEditTest, AutoCompletionInsertsAndRemovesForcedCharacters) {
    auto* editor = FocusedEditor(emkRegExprEx, "\\d\\d'-'\\d\\d");
    Type(editor, U"12");
    EXPECT_EQ("12-", Text(editor));
    Type(editor, U"\b");
    EXPECT_EQ("1", Text(editor));
    Type(editor, U"2");
    Key(editor, VK_LEFT);
    EXPECT_EQ(1, editor->GetSelStart()) << "between 1 and 2";
    Key(editor, VK_RIGHT);
    EXPECT_EQ(3, editor->GetSelStart()) << "behind the hyphen";
    Type(editor, U"34");
    EXPECT_EQ("12-34", Text(editor));
    // A click between 2 and the hyphen: the next key starts in front of the 2.
    editor->SetSelStart(2);
    Key(editor, VK_RIGHT);
    EXPECT_EQ(3, editor->GetSelStart());
    EXPECT_EQ(0, Beeps);
}

TEST_F(MaskEditTest, AClickInsideAGroupIsCorrectedOnTheNextKey) {
    auto* editor = FocusedEditor(emkRegExprEx, "\\d\\d'-'\\d\\d");
    Type(editor, U"1234");
    ASSERT_EQ("12-34", Text(editor));
    // The user clicks between 2 and the hyphen.
    const HWND inner = InnerWindow(editor);
    const LRESULT position = SendMessageA(inner, EM_POSFROMCHAR, 2, 0);
    const POINT client{SmallInt(LOWORD(DWORD(position))), SmallInt(HIWORD(DWORD(position))) + 3};
    const POINT screen = editor->GetInnerTextEditControl()->ClientToScreen(client);
    WinInputMouseMove(screen);
    WinInputMouseButton(screen, TWinMouseButton::Left, true);
    WinInputMouseButton(screen, TWinMouseButton::Left, false);
    App->ProcessMessages();
    ASSERT_EQ(2, editor->GetSelStart());
    Type(editor, U"\b");
    // The caret was put in front of the 2 the hyphen belongs to: the 1 went, and nothing of
    // 2-34 fits at the start.
    EXPECT_EQ("", Text(editor));
    EXPECT_EQ(0, Beeps);
}

TEST_F(MaskEditTest, ARegularExpressionCutLeavesWhatStillFits) {
    auto* editor = FocusedEditor(emkRegExpr, "\\d+");
    Type(editor, U"123");
    editor->SetSelection(1, 1);
    SendMessageA(InnerWindow(editor), WM_CUT, 0, 0);
    EXPECT_EQ("13", Text(editor));
    EXPECT_EQ(u"2", Clipboard.Read().Text);
    Type(editor, U"5");
    EXPECT_EQ("153", Text(editor));
    PutOnClipboard(u"7x8");
    SendMessageA(InnerWindow(editor), WM_PASTE, 0, 0);
    EXPECT_EQ("15783", Text(editor)) << "the refused letter is left out";
}

TEST_F(MaskEditTest, AForcedPrefixIsTheEmptyValueAndStays) {
    auto* editor = FocusedEditor(emkRegExprEx, "'('\\d\\d')'");
    EXPECT_EQ("(", editor->GetMaskEditProperties()->GetEmptyMaskText());
    EXPECT_TRUE(editor->GetMode()->IsTextValid("("));
    editor->SetEditValue(Variant(String("(")));
    EXPECT_EQ("(", Text(editor));
    editor->SetSelStart(0);
    Key(editor, VK_DELETE);
    EXPECT_EQ("(", Text(editor));
    EXPECT_EQ(1, Beeps);
    editor->SetSelStart(1);
    Type(editor, U"12");
    EXPECT_EQ("(12)", Text(editor));
}

TEST_F(MaskEditTest, CaseInsensitiveSymbolsTakeThePatternsCase) {
    auto* editor = FocusedEditor(emkRegExpr, "abc");
    Type(editor, U"A");
    EXPECT_EQ("a", Text(editor));
    editor->GetMaskEditProperties()->SetCaseInsensitive(false);
    Type(editor, U"B");
    EXPECT_EQ("a", Text(editor));
    EXPECT_EQ(1, Beeps);
}

// ---- The editor and its properties -----------------------------------------------------------

TEST_F(MaskEditTest, ChangingTheKindClearsAMaskOfTheOtherSyntax) {
    auto* editor = FocusedEditor(emkStandard, "(000)");
    auto* properties = editor->GetMaskEditProperties();
    properties->SetMaskKind(emkRegExpr);
    EXPECT_EQ("", properties->GetEditMask());
    EXPECT_FALSE(properties->IsMasked());
    properties->SetMaskKind(emkRegExprEx);
    properties->SetEditMask("\\d+");
    properties->SetMaskKind(emkRegExpr);
    EXPECT_EQ("\\d+", properties->GetEditMask()) << "both regular-expression kinds share the syntax";
    TqzMaskEditProperties source(nullptr);
    source.SetEditMask("00-00");
    properties->Assign(&source);
    EXPECT_EQ(emkStandard, properties->GetMaskKind());
    EXPECT_EQ("00-00", properties->GetEditMask()) << "kind and mask changed in one update";
    EXPECT_EQ(0, editor->GetMode()->ModeKind());
    EXPECT_EQ("__-__", Text(editor));
}

TEST_F(MaskEditTest, AMaskedEditorHasNoMaxLength) {
    auto* editor = FocusedEditor(emkStandard, "000");
    editor->GetMaskEditProperties()->SetMaxLength(2);
    EXPECT_EQ(0, editor->GetMaskEditProperties()->GetMaxLength());
    EXPECT_EQ(0, editor->GetInnerTextEdit()->GetMaxLength());
}

TEST_F(MaskEditTest, WithoutAMaskKeysReachTheTextEditorUnchanged) {
    auto* editor = FocusedEditor(emkStandard, "");
    Type(editor, U"ab中");
    EXPECT_EQ("ab中", Text(editor));
    Key(editor, VK_LEFT);
    Type(editor, U"\b");
    EXPECT_EQ("a中", Text(editor));
    EXPECT_EQ(1, editor->GetSelStart());
    editor->GetMaskEditProperties()->SetMaxLength(3);
    EXPECT_EQ(3, editor->GetInnerTextEdit()->GetMaxLength());
}

TEST_F(MaskEditTest, BlanksShowOnlyWhileFocusedUnlessAskedFor) {
    auto* editor = MakeEditor(emkStandard, "000;0;_");
    auto* other = new TqzTextEdit(Form);
    other->SetParent(Form);
    other->SetTop(40);
    ShowUnfocused();
    EXPECT_EQ("   ", Text(editor));
    editor->SetFocus();
    App->ProcessMessages();
    EXPECT_EQ("___", Text(editor));
    other->SetFocus();
    App->ProcessMessages();
    EXPECT_EQ("   ", Text(editor));
    editor->GetMaskEditProperties()->SetAlwaysShowBlanksAndLiterals(true);
    editor->SynchronizeDisplayValue();
    EXPECT_EQ("___", Text(editor));
}

TEST_F(MaskEditTest, AnUpperCaseEditorIsCaseInsensitive) {
    auto* editor = FocusedEditor(emkRegExpr, "ab");
    auto* properties = editor->GetMaskEditProperties();
    properties->SetCaseInsensitive(false);
    properties->SetCharCase(ecUpperCase);
    EXPECT_TRUE(properties->GetCaseInsensitive());
    properties->SetCaseInsensitive(false);
    EXPECT_TRUE(properties->GetCaseInsensitive());
    auto* mode = dynamic_cast<TqzMaskEditRegExprMode*>(editor->GetMode());
    ASSERT_NE(nullptr, mode);
    EXPECT_TRUE(mode->Expression->GetIgnoreCase());
}

TEST_F(MaskEditTest, AnInvalidRegularExpressionKeepsTheOldMask) {
    auto* editor = FocusedEditor(emkRegExpr, "\\d+");
    auto* properties = editor->GetMaskEditProperties();
    EXPECT_THROW(properties->SetEditMask("[1-"), EqzMaskEditError);
    EXPECT_EQ("\\d+", properties->GetEditMask());
    EXPECT_EQ("\\d+", editor->GetMode()->MaskText);
    properties->SetMaskKind(emkStandard);
    properties->SetEditMask("[1-");
    EXPECT_EQ("[1-", properties->GetEditMask());
}

TEST_F(MaskEditTest, AStoredDefinitionLoads) {
    const String definition = "object MaskForm: TForm\n"
                              "  Left = 10\n"
                              "  Top = 10\n"
                              "  Width = 300\n"
                              "  Height = 120\n"
                              "  object Phone: TqzMaskEdit\n"
                              "    Left = 8\n"
                              "    Top = 8\n"
                              "    Properties.IgnoreMaskBlank = True\n"
                              "    Properties.EditMask = '(999)000-0000;1;_'\n"
                              "    EditValue = '(12 )345-6789'\n"
                              "    TabOrder = 0\n"
                              "  end\n"
                              "  object Code: TqzMaskEdit\n"
                              "    Left = 8\n"
                              "    Top = 40\n"
                              "    Properties.MaskKind = emkRegExprEx\n"
                              "    Properties.EditMask = '\\d\\d''-''\\d\\d'\n"
                              "    Properties.ValidateOnEnter = False\n"
                              "    TabOrder = 1\n"
                              "  end\n"
                              "end\n";
    auto form = std::make_unique<TForm>(nullptr);
    ReadComponentText(definition, form.get(), "MaskForm");
    auto* phone = dynamic_cast<TqzMaskEdit*>(form->FindComponent("Phone"));
    auto* code = dynamic_cast<TqzMaskEdit*>(form->FindComponent("Code"));
    ASSERT_NE(nullptr, phone);
    ASSERT_NE(nullptr, code);
    EXPECT_EQ("(999)000-0000;1;_", phone->GetMaskEditProperties()->GetEditMask());
    EXPECT_TRUE(phone->GetMaskEditProperties()->IgnoreMaskBlank);
    EXPECT_TRUE(phone->GetMaskEditProperties()->ValidateOnEnter);
    EXPECT_EQ("(12 )345-6789", Text(phone));
    EXPECT_EQ(emkRegExprEx, code->GetMaskEditProperties()->GetMaskKind());
    EXPECT_EQ("\\d\\d'-'\\d\\d", code->GetMaskEditProperties()->GetEditMask());
    EXPECT_EQ(2, code->GetMode()->ModeKind());
    EXPECT_FALSE(code->GetMaskEditProperties()->ValidateOnEnter);
}

} // namespace
