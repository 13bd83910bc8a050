// Edit masks: the mask helpers, typing into masked edits through synthesised keys (the
// overwrite caret, literals stepped over, case directives, backspace and delete, pasting),
// Text against EditText, a failing ValidateEdit, and a borderless multi-line masked edit with
// a formatting rectangle, as a grid's cell editor uses it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/Mask.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinEdit.h"
#include "tests/classlib/EditHostFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

// ---- Helpers ------------------------------------------------------------------------------------------

TEST(MaskHelpersTest, FieldsOfAMask) {
    struct Case {
        const char* Mask;
        Integer Separator;
        bool Save;
        char32_t Blank;
    };
    const std::vector<Case> cases = {
        {"(999)000-0000;1;_", 13, true, U'_'}, {"!99/99/0000;0;*", 11, false, U'*'},
        {"00:00:00;1; ", 8, true, U' '},       {"LL00", -1, true, U'_'},
        {"\\;00;0", 4, false, U'_'},           {"99;1", 2, true, U'_'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mask);
        EXPECT_EQ(MaskGetFldSeparator(c.Mask), c.Separator);
        EXPECT_EQ(MaskGetMaskSave(c.Mask), c.Save);
        EXPECT_EQ(MaskGetMaskBlank(c.Mask), c.Blank);
    }
}

TEST(MaskHelpersTest, CharacterTypesDirectivesAndOffsets) {
    const String mask = ">L\\L<>a!:0;1;_";
    const std::vector<TMaskCharType> types = {mcDirective, mcMask,      mcDirective, mcLiteral,
                                              mcDirective, mcDirective, mcMaskOpt,   mcDirective,
                                              mcIntlLiteral, mcMask,   mcFieldSeparator, mcField};
    for (std::size_t i = 0; i < types.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(MaskGetCharType(mask, Integer(i)), types[i]);
    }
    EXPECT_EQ(MaskGetCharType(mask, 99), mcNone);
    EXPECT_TRUE(MaskGetCurrentDirectives(mask, 1).Contains(mdUpperCase));
    EXPECT_TRUE(MaskGetCurrentDirectives(mask, 3).Contains(mdLiteralChar));
    EXPECT_FALSE(MaskGetCurrentDirectives(mask, 6).Contains(mdUpperCase));
    EXPECT_TRUE(MaskGetCurrentDirectives(mask, 0).Contains(mdReverseDir));
    // Positions: L, literal L, a, :, 0.
    EXPECT_EQ(MaskOffsetToOffset(mask, 6), 2);
    EXPECT_EQ(OffsetToMaskOffset(mask, 2), 6);
    EXPECT_EQ(OffsetToMaskOffset(mask, 5), -1);
    EXPECT_TRUE(IsLiteralChar(mask, 1));
    EXPECT_TRUE(IsLiteralChar(mask, 3));
    EXPECT_FALSE(IsLiteralChar(mask, 4));
}

TEST(MaskHelpersTest, FormattingValues) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    FormatSettings.DateSeparator = '-';
    FormatSettings.TimeSeparator = '.';
    struct Case {
        const char* Mask;
        const char* Value;
        const char* Formatted;
    };
    const std::vector<Case> cases = {
        {"(999)000-0000;1;_", "(555)123-4567", "(555)123-4567"},
        {"(999)000-0000;1;_", "5551234567", "(555)123-4567"},  // the literals are put in
        {"(999)000-0000;0;_", "5551234567", "(555)123-4567"},
        {"(999)000-0000;0;_", "555", "(555)   -    "},
        {"!99/99/0000;1;_", "12-31-1999", "12-31-1999"},  // "/" is the locale's date separator
        {"!99/99/0000;0;_", "3", "  -  -   3"},           // "!" fills from the right
        {"00:00:00;1; ", "12.30.15", "12.30.15"},
        {"LL00", "ab12", "ab12"},
        {">LL<ll", "abCD", "ABcd"},
        {"\\(000\\);0", "7", "(7  )"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(String(c.Mask) + " / " + c.Value);
        EXPECT_EQ(FormatMaskText(c.Mask, c.Value), c.Formatted);
    }
    EXPECT_EQ(MaskDoFormatText("(999)000-0000;0;_", "555", U'_'), "(555)___-____");
    EXPECT_EQ(PadInputLiterals("(999)000-0000;1;_", "(55", U'_'), "(55_)___-____");
}

// ---- The masked edit ----------------------------------------------------------------------------------

class MaskEditTest : public edittest::TEditHostFixture {
protected:
    MaskEditTest() : TEditHostFixture(360, 200) {}
    void SetUp() override {
        TEditHostFixture::SetUp();
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
    }
    void TearDown() override {
        TEditHostFixture::TearDown();
        SetMessageBeepHook(FOldBeep);
    }
    TMaskEdit* MakeEdit(const String& mask) {
        auto* edit = new TMaskEdit(Host);
        edit->SetParent(Host);
        edit->SetBounds(10, 10, 200, 24);
        edit->SetEditMask(mask);
        return edit;
    }
    static std::pair<Integer, Integer> Sel(TCustomEdit* edit) {
        return {edit->GetSelStart(), edit->GetSelLength()};
    }

    int Beeps = 0;

private:
    TMessageBeepHook FOldBeep;
};

TEST_F(MaskEditTest, TypingFillsTheMaskWithTheOverwriteCaret) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    FormatSettings.DateSeparator = '/';
    struct Case {
        const char* Mask;
        std::u32string Typed;
        const char* EditText;
        const char* Text;
        Integer Caret;
        int Beeps;
    };
    const std::vector<Case> cases = {
        {"(999)000-0000;1;_", U"5551234567", "(555)123-4567", "(555)123-4567", 13, 0},
        {"(999)000-0000;1;_", U"55x5", "(555)___-____", "(555)   -    ", 5, 1},  // x is refused
        {"(999)000-0000;0;_", U"555123", "(555)123-____", "555123    ", 9, 0},
        {"!99/99/0000;1;_", U"12311999", "12/31/1999", "12/31/1999", 10, 0},
        {"LL00", U"ab12", "ab12", "ab12", 4, 0},
        {"LL00", U"1a", "a___", "a   ", 1, 1},  // a digit where a letter must go
        {">LL<ll", U"abCD", "ABcd", "ABcd", 4, 0},
        {"00:00;1;_", U"1234", "12:34", "12:34", 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mask);
        Beeps = 0;
        TMaskEdit* edit = MakeEdit(c.Mask);
        edit->SetFocus();
        edit->SelectAll();
        Key(VK_HOME);
        Type(c.Typed);
        EXPECT_EQ(edit->GetEditText(), c.EditText);
        EXPECT_EQ(edit->GetText(), c.Text);
        EXPECT_EQ(edit->GetSelStart(), c.Caret);
        EXPECT_EQ(Beeps, c.Beeps);
        EXPECT_TRUE(edit->GetModified());
        delete edit;
    }
}

TEST_F(MaskEditTest, CaretMovesDeletesAndBackspaces) {
    TMaskEdit* edit = MakeEdit("(999)000-0000;1;_");
    edit->SetText("5551234567");
    EXPECT_EQ(edit->GetEditText(), "(555)123-4567");
    edit->SetFocus();
    Key(VK_HOME);
    EXPECT_EQ(Sel(edit), std::make_pair(1, 1));  // the first input position, covered
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    EXPECT_EQ(Sel(edit), std::make_pair(5, 1));  // ")" stepped over
    Key(VK_LEFT);
    EXPECT_EQ(Sel(edit), std::make_pair(3, 1));
    Key(VK_DELETE);  // blanks, nothing moves
    EXPECT_EQ(edit->GetEditText(), "(55_)123-4567");
    EXPECT_EQ(Sel(edit), std::make_pair(3, 1));
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    Key(VK_BACK);  // the position before the caret, across the literal
    EXPECT_EQ(edit->GetEditText(), "(55_)_23-4567");
    EXPECT_EQ(Sel(edit), std::make_pair(5, 1));
    Key(VK_END);
    EXPECT_EQ(Sel(edit), std::make_pair(13, 0));
    Type(U"9");  // nothing left to type over
    EXPECT_EQ(edit->GetEditText(), "(55_)_23-4567");
    // A selection typed over is blanked first.
    edit->SetSelStart(6);
    edit->SetSelLength(5);
    Type(U"8");
    EXPECT_EQ(edit->GetEditText(), "(55_)_8_-__67");
    EXPECT_EQ(edit->GetText(), "(55 ) 8 -  67");
    // Undo takes the last change back.
    edit->Undo();
    EXPECT_EQ(edit->GetEditText(), "(55_)_23-4567");
}

TEST_F(MaskEditTest, ClipboardThroughTheMask) {
    TMaskEdit* edit = MakeEdit("(999)000-0000;1;_");
    edit->SetFocus();
    Key(VK_HOME);
    TClipboardContents c;
    c.HasText = true;
    c.Text = u"(415) 555-12";
    Clip.Replace(c);
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->GetEditText(), "(415)555-12__");
    EXPECT_EQ(Sel(edit), std::make_pair(11, 1));
    // Cut copies the selection and leaves blanks; the length never changes.
    edit->SetSelStart(1);
    edit->SetSelLength(3);
    edit->CutToClipboard();
    EXPECT_EQ(edit->GetEditText(), "(___)555-12__");
    TClipboardContents out = Clip.Read();
    EXPECT_EQ(out.Text, u"415");
    edit->SetSelStart(5);
    edit->SetSelLength(4);
    edit->ClearSelection();
    EXPECT_EQ(edit->GetEditText(), "(___)___-12__");
}

TEST_F(MaskEditTest, ValidateEditFailsAtTheFirstIncompletePosition) {
    TMaskEdit* edit = MakeEdit("(999)000-0000;1;_");
    TEdit* other = new TEdit(Host);
    other->SetParent(Host);
    other->SetBounds(10, 50, 100, 24);
    edit->SetFocus();
    // Untouched text is not checked.
    EXPECT_NO_THROW(edit->ValidateEdit());
    Key(VK_HOME);
    Type(U"12345");
    try {
        edit->ValidateEdit();
        FAIL() << "no error";
    } catch (const EDBEditError& e) {
        EXPECT_EQ(e.Message, "Invalid input value.  Use escape key to abandon changes");
    }
    EXPECT_EQ(Sel(edit), std::make_pair(7, 1));  // the third required digit
    EXPECT_EQ(GetFocus(), edit->GetHandle());
    EXPECT_GE(Beeps, 1);
    Type(U"67890");
    EXPECT_NO_THROW(edit->ValidateEdit());
    EXPECT_EQ(edit->GetText(), "(123)456-7890");

    // Esc puts back the text the control had when it got the focus.
    other->SetFocus();
    edit->SetFocus();
    Key(VK_HOME);
    Type(U"9");
    EXPECT_EQ(edit->GetEditText(), "(923)456-7890");
    Key(VK_ESCAPE);
    EXPECT_EQ(edit->GetEditText(), "(123)456-7890");
    EXPECT_FALSE(edit->GetModified());
}

TEST_F(MaskEditTest, ChangingTheMaskKeepsTheValue) {
    TMaskEdit* edit = MakeEdit("");
    EXPECT_FALSE(edit->IsMasked());
    edit->SetText("1234");
    edit->SetEditMask("00-00;0;_");
    EXPECT_TRUE(edit->IsMasked());
    EXPECT_EQ(edit->GetEditText(), "12-34");
    EXPECT_EQ(edit->GetText(), "1234");
    edit->SetEditMask("");
    EXPECT_EQ(edit->GetText(), "1234");
    EXPECT_EQ(GetClass("TMaskEdit"), TMaskEdit::StaticClass());
    SetStrProp(edit, "EditMask", "LL;1;*");
    SetStrProp(edit, "Text", "x");
    EXPECT_EQ(edit->GetEditText(), "x*");
    EXPECT_EQ(GetStrProp(edit, "Text"), "x ");
}

// A borderless multi-line masked edit with a formatting rectangle, as a grid lays over a cell.
class TCellEditor : public TCustomMaskEdit {
    KOV_CLASS(TCellEditor, TCustomMaskEdit)
public:
    explicit TCellEditor(TComponent* owner) : TCustomMaskEdit(owner) {
        SetBorderStyle(bsNone);
        SetParentCtl3D(false);
        SetCtl3D(false);
        SetTabStop(false);
    }
    void PlaceFormatRect() {
        RECT r{2, 2, GetWidth() - 2, GetHeight()};
        Perform(EM_SETRECTNP, 0, LPARAM(&r));
        Perform(EM_SCROLLCARET, 0, 0);
    }

protected:
    void CreateParams(TCreateParams& params) override {
        TCustomMaskEdit::CreateParams(params);
        params.Style = (params.Style & ~ES_AUTOHSCROLL) | ES_MULTILINE;
    }
};

TEST_F(MaskEditTest, MultiLineMaskedEditWithAFormattingRectangle) {
    auto* editor = new TCellEditor(Host);
    editor->SetParent(Host);
    editor->SetBounds(20, 20, 120, 40);
    editor->SetEditMask("9999/99/99;1; ");
    editor->PlaceFormatRect();
    RECT r{};
    editor->Perform(EM_GETRECT, 0, LPARAM(&r));
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.right, 118);
    EXPECT_EQ(r.bottom, 40);
    const DWORD style = GetWindowLongA(editor->GetHandle(), GWL_STYLE);
    EXPECT_NE(style & ES_MULTILINE, 0u);
    EXPECT_EQ(style & (ES_AUTOHSCROLL | WS_BORDER), 0u);
    EXPECT_EQ(GetWindowLongA(editor->GetHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);

    editor->SetFocus();
    Key(VK_HOME);
    Type(U"20240");
    EXPECT_EQ(editor->GetEditText(), "2024/0 /  ");
    Key(VK_DOWN);  // a multi-line edit keeps its own line moves; the caret still covers a character
    EXPECT_EQ(editor->GetSelLength(), 1);
    editor->SetSelStart(6);
    Type(U"615");
    EXPECT_EQ(editor->GetText(), "2024/06/15");

    auto* phone = MakeEdit("(999)000-0000;1;_");
    phone->SetTop(80);
    phone->SetText("555123");
    phone->SetFocus();
    phone->SetSelStart(6);
    UpdateWindow(Host->GetHandle());
    Pump();
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Host->GetHandle(), s));
    testsupport::WritePng(testsupport::ArtifactPath("MaskTest_MaskedEdits.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
    // Nothing of the text is drawn left of the formatting rectangle.
    const POINT left = Host->ScreenToClient(editor->ClientToScreen(POINT{1, 10}));
    EXPECT_EQ(GdiPixelToColor(s.Row(left.y)[left.x] & 0xFFFFFF), GetSysColor(COLOR_WINDOW));
}

}  // namespace
