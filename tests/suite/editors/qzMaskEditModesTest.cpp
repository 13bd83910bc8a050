// The mask modes against a small stand-in for the masked editor: a text with an anchor and a
// caret that does what a single-line edit does with the keys the mode lets through or sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/Strings.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzMaskEdit.h"
#include "tests/support/TestSupport.h"

namespace {

std::u32string Chars(const String& text) {
    std::u32string result;
    for (std::size_t i = 0; i < text.size(); i = Utf8Next(text, i))
        result += Utf8CodePointAt(text, i);
    return result;
}

String Utf8(const std::u32string& chars) {
    String result;
    for (char32_t ch : chars)
        result += Utf8FromCodePoint(ch);
    return result;
}

// The editor side of a mode: the text, the selection (anchor and caret, as a native edit keeps
// them) and the keys. Key and Char route a key as the masked editor does: to the mode first,
// and to the edit when the mode answers true.
class THost : public IqzMaskEditModeHost {
public:
    explicit THost(TqzCustomMaskEditProperties* properties) : Properties(properties) {}

    void MakeMode() {
        Mode.reset(Properties->GetModeClass(Properties->GetMaskKind())(this, Properties));
        Mode->CompileMask(Properties->GetEditMask());
    }
    // The text shown and taken by the mode, as the editor shows a value.
    void Show(const String& text) {
        SetText(Chars(text));
        Mode->AdoptText(text);
    }
    void Select(Integer start, Integer length) {
        Anchor = start;
        Caret = start + length;
        Mode->CaretMoved();
    }
    // A selection made leftwards: the caret at its start.
    void SelectBackwards(Integer start, Integer length) {
        Anchor = start + length;
        Caret = start;
        Mode->CaretMoved();
    }
    void Key(Word key, bool shift = false) {
        Extend = shift;
        bool passOn = true;
        switch (key) {
        case VK_LEFT:
            passOn = Mode->HandleLeft();
            break;
        case VK_RIGHT:
            passOn = Mode->HandleRight();
            break;
        case VK_HOME:
            passOn = Mode->HandleHome();
            break;
        case VK_END:
            passOn = Mode->HandleEnd();
            break;
        case VK_DELETE:
            passOn = Mode->HandleDelete();
            break;
        }
        if (passOn) EditKey(key);
        Extend = false;
    }
    void Type(const std::u32string& text) {
        for (char32_t ch : text) {
            char32_t typed = ch;
            const bool passOn = ch == U'\b' ? Mode->HandleBackspace() : Mode->HandleChar(typed);
            if (passOn) EditChar(typed);
        }
    }
    String Text() const { return Utf8(FText); }

    // ---- The native edit ----
    Integer Length() const { return Integer(FText.size()); }
    Integer Clamp(Integer v) const { return std::max(0, std::min(v, Length())); }
    void SetText(const std::u32string& text) {
        FText = text;
        Anchor = Caret = 0;
    }
    void DeleteSelection() {
        const Integer start = GetSelStart();
        FText.erase(std::size_t(start), std::size_t(GetSelLength()));
        Anchor = Caret = start;
    }
    void EditKey(Word key) {
        const bool selected = Anchor != Caret;
        switch (key) {
        case VK_LEFT:
            if (Extend)
                Caret = Clamp(Caret - 1);
            else
                Anchor = Caret = selected ? GetSelStart() : Clamp(Caret - 1);
            break;
        case VK_RIGHT:
            if (Extend)
                Caret = Clamp(Caret + 1);
            else
                Anchor = Caret = selected ? GetSelStart() + GetSelLength() : Clamp(Caret + 1);
            break;
        case VK_HOME:
            Caret = 0;
            if (!Extend) Anchor = 0;
            break;
        case VK_END:
            Caret = Length();
            if (!Extend) Anchor = Caret;
            break;
        case VK_DELETE:
            if (selected)
                DeleteSelection();
            else if (Caret < Length())
                FText.erase(std::size_t(Caret), 1);
            break;
        }
    }
    void EditChar(char32_t ch) {
        if (ch == U'\b') {
            if (Anchor != Caret) {
                DeleteSelection();
            } else if (Caret > 0) {
                FText.erase(std::size_t(Caret - 1), 1);
                Anchor = --Caret;
            }
            return;
        }
        DeleteSelection();
        FText.insert(FText.begin() + Caret, ch);
        Anchor = ++Caret;
    }

    // ---- IqzMaskEditModeHost ----
    TqzCustomMaskEditProperties* GetMaskProperties() override { return Properties; }
    TqzMaskEditCustomMode* GetMode() override { return Mode.get(); }
    bool HasEditorWindow() override { return true; }
    bool IsHostedEditUnavailable() override { return false; }
    bool IsEditFocused() override { return Focused; }
    bool IsValueModifiedByUser() override { return false; }
    Integer GetSelStart() override { return std::min(Anchor, Caret); }
    Integer GetSelLength() override { return std::abs(Caret - Anchor); }
    void SetSelStart(Integer value) override {
        SetHostedSelStart(value);
        Mode->CaretMoved();
    }
    void SetSelLength(Integer value) override {
        SetHostedSelLength(value);
        Mode->CaretMoved();
    }
    Integer GetCaretCharIndex() override { return Caret; }
    void SetHostedSelStart(Integer value) override { Anchor = Caret = Clamp(value); }
    void SetHostedSelLength(Integer value) override {
        Anchor = GetSelStart();
        Caret = Clamp(Anchor + value);
    }
    String GetInnerEditText() override { return Text(); }
    void DisplayValueToInnerEdit(const Variant& value) override { SetText(Chars(VarToStr(value))); }
    void SetEditValueAsUser(const Variant& value) override { EditValue = value; }
    void ReadDisplayText(String& text) override { text = Text(); }
    Variant GetModeEditValue() override { return EditValue; }
    void SetDisplayValueThroughBinding(const Variant& value) override {
        SetText(Chars(VarToStr(value)));
        Mode->AdoptText(VarToStr(value));
    }
    void SendKeyDown(Word key) override {
        Sent.push_back(key);
        EditKey(key);
    }
    void SendChar(char32_t ch) override { EditChar(ch); }
    bool GetExtendSelection() override { return Extend; }
    void SetExtendSelection(bool value) override { Extend = value; }
    bool IsMaskCharAllowed(char32_t& ch, Integer position) override {
        return MaskCharHook ? MaskCharHook(ch, position) : true;
    }

    TqzCustomMaskEditProperties* Properties;
    std::unique_ptr<TqzMaskEditCustomMode> Mode;
    std::u32string FText;
    Integer Anchor = 0;
    Integer Caret = 0;
    bool Extend = false;
    bool Focused = true;
    Variant EditValue;
    std::vector<Word> Sent;
    std::function<bool(char32_t&, Integer)> MaskCharHook;
};

class MaskModesTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
        Properties.BeepOnError = true;
    }
    void TearDown() override { SetMessageBeepHook(FOldBeep); }

    THost& Host(TqzEditMaskKind kind, const String& mask) {
        Properties.SetMaskKind(kind);
        Properties.SetEditMask(mask);
        FHost = std::make_unique<THost>(&Properties);
        FHost->MakeMode();
        return *FHost;
    }
    THost& StandardHost(const String& mask) {
        THost& host = Host(emkStandard, mask);
        host.Show(host.Mode->FormatText(String()));
        return host;
    }

    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
    TqzMaskEditProperties Properties{nullptr};
    Integer Beeps = 0;

private:
    std::unique_ptr<THost> FHost;
    TMessageBeepHook FOldBeep;
};

// ---- Standard mode ---------------------------------------------------------------------------

TEST_F(MaskModesTest, TypingFillsTheDigitsAndSkipsTheClosingLiteral) {
    THost& host = StandardHost("(000)");
    EXPECT_EQ("(___)", host.Text());
    host.Select(1, 0);
    EXPECT_EQ(1, host.GetSelLength()) << "the caret covers one character";
    struct Step {
        char32_t typed;
        String text;
        Integer caret;
    };
    // After the third digit the caret skips ")" and stands at the end, where a fourth is ignored.
    const std::vector<Step> steps = {
        {'1', "(1__)", 2}, {'2', "(12_)", 3}, {'3', "(123)", 5}, {'4', "(123)", 5}};
    for (const Step& step : steps) {
        host.Type(std::u32string(1, step.typed));
        EXPECT_EQ(step.text, host.Text()) << char(step.typed);
        EXPECT_EQ(step.caret, host.GetSelStart()) << char(step.typed);
    }
    EXPECT_EQ(0, Beeps);
}

TEST_F(MaskModesTest, ADigitTypedOnALiteralLandsOnTheNextInputPosition) {
    THost& host = StandardHost("(999)000-0000;1;_");
    host.Select(0, 0);
    host.Type(U"5");
    EXPECT_EQ("(5__)___-____", host.Text());
    EXPECT_EQ(2, host.GetSelStart());
    host.Select(4, 0);
    host.Type(U"7");
    EXPECT_EQ("(5__)7__-____", host.Text());
    EXPECT_EQ(6, host.GetSelStart());
    host.Select(8, 0);
    host.Type(U"x9");
    EXPECT_EQ("(5__)7__-9___", host.Text()) << "a letter is ignored on a digit position";
    EXPECT_EQ(0, Beeps);
}

TEST_F(MaskModesTest, BackspaceAndDeleteWriteBlanksAndMoveNothingElse) {
    THost& host = StandardHost("(000)");
    host.Select(1, 0);
    host.Type(U"123");
    host.Select(2, 0);
    host.Type(U"\b");
    EXPECT_EQ("(_23)", host.Text()) << "Backspace on the second digit blanks the first";
    EXPECT_EQ(1, host.GetSelStart());
    host.Type(U"\b");
    EXPECT_EQ("(_23)", host.Text()) << "only a literal lies left of the first digit";
    EXPECT_EQ(1, host.GetSelStart());
    host.Select(2, 0);
    host.Key(VK_DELETE);
    EXPECT_EQ("(__3)", host.Text());
    EXPECT_EQ(2, host.GetSelStart());
    // A selection over literals and digits blanks the digits and keeps the literals.
    host.Select(0, 5);
    host.Key(VK_DELETE);
    EXPECT_EQ("(___)", host.Text());
    EXPECT_EQ(0, host.GetSelStart());
}

TEST_F(MaskModesTest, CaretMovesOverLiterals) {
    THost& host = StandardHost("(999)000-0000");
    struct Case {
        Integer start, length;
        Word key;
        Integer expectedStart;
    };
    const std::vector<Case> cases = {
        {2, 0, VK_RIGHT, 3},   {3, 0, VK_RIGHT, 5},   // ")" skipped
        {5, 0, VK_LEFT, 3},    {1, 0, VK_LEFT, 1},    // nothing editable left of the first digit
        {12, 0, VK_RIGHT, 13}, {13, 0, VK_RIGHT, 13}, // the end
        {6, 0, VK_HOME, 1},    {6, 0, VK_END, 13},
        {3, 3, VK_LEFT, 3},  // a selection collapses to its left end
        {4, 2, VK_LEFT, 5},  // ... the first input position in it
        {1, 3, VK_RIGHT, 3}, // ... or its right end's last input position
        {2, 3, VK_RIGHT, 3}, // ")" at the end of the selection is left out
    };
    for (const Case& c : cases) {
        host.Select(c.start, c.length);
        host.Key(c.key);
        EXPECT_EQ(c.expectedStart, host.GetSelStart()) << c.start << "+" << c.length << " key " << c.key;
    }
}

TEST_F(MaskModesTest, CaretAtStartAndEnd) {
    THost& host = StandardHost("((00");
    host.Select(1, 0);
    EXPECT_TRUE(host.Mode->CaretAtStart()) << "only literals lie left";
    host.Select(2, 0);
    EXPECT_TRUE(host.Mode->CaretAtStart());
    host.Select(3, 0);
    EXPECT_FALSE(host.Mode->CaretAtStart());
    host.SelectBackwards(1, 2);
    EXPECT_TRUE(host.Mode->CaretAtStart()) << "the caret stands at the selection's start";
    host.Select(1, 2);
    EXPECT_FALSE(host.Mode->CaretAtStart());
    host.Select(4, 0);
    EXPECT_TRUE(host.Mode->CaretAtEnd());
}

TEST_F(MaskModesTest, APasteOverwritesAsManyPositionsAsItHas) {
    THost& host = StandardHost("(000)00");
    host.Select(1, 0);
    host.Mode->PasteLength = 2;
    host.Mode->PreparePaste();
    EXPECT_EQ(2, host.GetSelLength());
    host.EditChar('1');
    host.EditChar('2');
    host.Mode->FinishPaste();
    EXPECT_EQ("(12_)__", host.Text());
    EXPECT_EQ(3, host.GetSelStart()) << "the caret on the third digit";
    // Ending on a literal moves on to the next input position.
    host.Select(2, 0);
    host.Mode->PreparePaste();
    host.EditChar('3');
    host.EditChar('4');
    host.Mode->FinishPaste();
    EXPECT_EQ("(134)__", host.Text());
    EXPECT_EQ(5, host.GetSelStart());
}

TEST_F(MaskModesTest, ValuesAndValidity) {
    THost& host = StandardHost("(999)000;0;_");
    EXPECT_EQ("      ", host.Mode->BuildEmptyMaskText());
    EXPECT_EQ("(123)___", host.Mode->FormatText("123"));
    EXPECT_EQ("12 3  ", host.Mode->TextToValue("(12_)3__"));
    EXPECT_TRUE(host.Mode->IsTextValid("(12_)345"));
    EXPECT_FALSE(host.Mode->IsTextValid("(12_)3__"));
    EXPECT_FALSE(host.Mode->IsTextValid("(___)___"));
    Properties.IgnoreMaskBlank = true;
    EXPECT_TRUE(host.Mode->IsTextValid("(___)___")) << "nothing typed at all";
    EXPECT_FALSE(host.Mode->IsTextValid("(12_)3__")) << "partly filled";
}

TEST_F(MaskModesTest, TheBlankCharacterAndTheEditorsVeto) {
    // A mode whose blank is "0" in the digits (as the time editor's), and an editor that turns
    // a 9 into 0 (refused audibly) and refuses an 8 silently.
    class TZeroBlankMode : public TqzMaskEditStandardMode {
    public:
        using TqzMaskEditStandardMode::TqzMaskEditStandardMode;
        char32_t GetBlankChar(Integer position) override { return position == 1 ? U'0' : U'_'; }
    };
    THost& host = StandardHost("00");
    host.Mode = std::make_unique<TZeroBlankMode>(&host, &Properties);
    host.Mode->CompileMask("00");
    host.MaskCharHook = [](char32_t& ch, Integer position) {
        if (ch == '9') ch = 0;
        return ch != '8' || position != 2;
    };
    host.Show("12");
    host.Select(0, 2);
    host.Key(VK_DELETE);
    EXPECT_EQ("0_", host.Text());
    host.Select(0, 0);
    host.Type(U"9");
    EXPECT_EQ("0_", host.Text());
    EXPECT_EQ(1, Beeps);
    host.Type(U"5");
    host.Type(U"8");
    EXPECT_EQ("5_", host.Text()) << "the 8 was vetoed at position 2";
    EXPECT_EQ(1, Beeps);
}

TEST_F(MaskModesTest, AnInitialValueWaitsForTheEditor) {
    Properties.SetEditMask("00-0");
    std::unique_ptr<TqzMaskEditCustomMode> mode(Properties.CreateModeOfKind());
    mode->CompileMask("00-0");
    EXPECT_TRUE(mode->InitialValuePending) << "no editor yet";
    THost& host = StandardHost("00-0");
    EXPECT_FALSE(host.Mode->InitialValuePending);
    host.Mode->InitialValuePending = true;
    host.Mode->ApplyPendingValue();
    EXPECT_EQ("  - ", VarToStr(host.EditValue));
    EXPECT_FALSE(host.Mode->InitialValuePending);
}

// ---- Regular-expression mode -----------------------------------------------------------------

TEST_F(MaskModesTest, ARefusedCharacterBeepsAndChangesNothing) {
    THost& host = Host(emkRegExpr, "\\d+");
    host.Show("");
    host.Type(U"a");
    EXPECT_EQ("", host.Text());
    EXPECT_EQ(1, Beeps);
    host.Type(U"12");
    EXPECT_EQ("12", host.Text());
    EXPECT_EQ(1, Beeps);
    Properties.BeepOnError = false;
    host.Type(U"b");
    EXPECT_EQ("12", host.Text());
    EXPECT_EQ(1, Beeps) << "beeps only with BeepOnError";
}

TEST_F(MaskModesTest, TextThatNoLongerFitsIsDropped) {
    THost& host = Host(emkRegExpr, "\\d\\d'-'\\d\\d");
    host.Show("12-34");
    host.Select(2, 0);
    host.Key(VK_DELETE);
    EXPECT_EQ("12", host.Text()) << "34 no longer fits behind 12";
    EXPECT_EQ(0, Beeps);

    host.Show("12-34");
    host.Select(3, 0);
    host.Type(U"\b");
    EXPECT_EQ("12", host.Text()) << "Backspace over the hyphen drops 34 as well";
    EXPECT_EQ(0, Beeps);

    // Replacing a selection: the edit that leaves a rest which no longer fits beeps.
    host.Show("12-34");
    host.Select(1, 2);
    host.Type(U"5");
    EXPECT_EQ("15", host.Text());
    EXPECT_EQ(1, Beeps);
    host.Show("12-34");
    host.Select(0, 1);
    host.Type(U"7");
    EXPECT_EQ("72-34", host.Text()) << "the rest still fits";
    EXPECT_EQ(1, Beeps);
    host.Show("12-34");
    host.Select(3, 2);
    host.Key(VK_DELETE);
    EXPECT_EQ("12-", host.Text());
    EXPECT_EQ(1, Beeps);
    host.Select(1, 2);
    host.Key(VK_DELETE);
    EXPECT_EQ("1", host.Text());
    EXPECT_EQ(1, Beeps) << "nothing was left behind the selection";
    host.Show("12-34");
    host.Select(1, 2);
    host.Key(VK_DELETE);
    EXPECT_EQ("1", host.Text());
    EXPECT_EQ(2, Beeps);
}

TEST_F(MaskModesTest, CaseInsensitiveSymbolsTakeThePatternsCase) {
    THost& host = Host(emkRegExpr, "abc");
    host.Show("");
    host.Type(U"A");
    EXPECT_EQ("a", host.Text());
    EXPECT_EQ("ab", host.Mode->FormatText("AxB"));
    Properties.SetCaseInsensitive(false);
    THost& strict = Host(emkRegExpr, "abc");
    strict.Show("");
    strict.Type(U"A");
    EXPECT_EQ("", strict.Text());
    EXPECT_EQ(1, Beeps);
}

TEST_F(MaskModesTest, RegularExpressionValidity) {
    THost& host = Host(emkRegExpr, "\\d\\d'-'\\d\\d");
    EXPECT_TRUE(host.Mode->IsTextValid(""));
    EXPECT_TRUE(host.Mode->IsTextValid("12-34"));
    EXPECT_FALSE(host.Mode->IsTextValid("12-3"));
    EXPECT_FALSE(host.Mode->IsTextValid("12x34"));
    Properties.IgnoreMaskBlank = true;
    EXPECT_TRUE(host.Mode->IsTextValid("12-3")) << "any valid beginning";
    EXPECT_FALSE(host.Mode->IsTextValid("1x"));
    EXPECT_EQ("", host.Mode->BuildEmptyMaskText());
    EXPECT_EQ("12-3", host.Mode->TextToValue("12-3"));
}

TEST_F(MaskModesTest, AnInvalidExpressionListsItsErrors) {
    THost& host = Host(emkRegExpr, "\\d");
    try {
        host.Mode->CompileMask("(\\d");
        FAIL() << "no error";
    } catch (const EqzMaskEditError& error) {
        EXPECT_EQ("Regular expression errors:\r\nMissing ')'", error.Message);
    }
}

TEST_F(MaskModesTest, MovingTheCaretKeepsTheMatcherInStep) {
    THost& host = Host(emkRegExpr, "\\d\\d'-'\\d\\d");
    host.Show("12-34");
    host.Key(VK_END);
    EXPECT_EQ(5, host.GetSelStart());
    host.Key(VK_LEFT);
    host.Key(VK_LEFT);
    host.Key(VK_LEFT);
    host.Key(VK_DELETE);
    EXPECT_EQ("12", host.Text());
    host.Show("12-34");
    host.Key(VK_HOME);
    host.Key(VK_RIGHT);
    host.Type(U"\b");
    EXPECT_EQ("", host.Text()) << "behind a lone 2 nothing of 2-34 fits";
}

// ---- Regular-expression mode with auto-completion --------------------------------------------

TEST_F(MaskModesTest, ForcedCharactersAreTypedAndRemovedWithTheirCharacter) {
    THost& host = Host(emkRegExprEx, "\\d\\d'-'\\d\\d");
    host.Show("");
    host.Type(U"12");
    EXPECT_EQ("12-", host.Text());
    EXPECT_EQ(3, host.GetSelStart());
    host.Type(U"\b");
    EXPECT_EQ("1", host.Text());
    host.Type(U"2");
    EXPECT_EQ("12-", host.Text());
    host.Key(VK_LEFT);
    EXPECT_EQ(1, host.GetSelStart()) << "between 1 and 2";
    host.Key(VK_RIGHT);
    EXPECT_EQ(3, host.GetSelStart()) << "behind the hyphen again";
    host.Type(U"34");
    EXPECT_EQ("12-34", host.Text());
    EXPECT_EQ(0, Beeps);
}

TEST_F(MaskModesTest, AClickInsideAGroupIsCorrectedOnTheNextKey) {
    THost& host = Host(emkRegExprEx, "\\d\\d'-'\\d\\d");
    host.Show("12-34");
    host.Select(2, 0);
    host.Key(VK_RIGHT);
    // The caret snapped back to 1 (in front of the 2 that the hyphen belongs to), and Right
    // then jumped over both.
    EXPECT_EQ(3, host.GetSelStart());
    // Backspace there removes the 1, and nothing of 2-34 fits at the start.
    host.Select(2, 0);
    host.Type(U"\b");
    EXPECT_EQ("", host.Text());
}

TEST_F(MaskModesTest, TheForcedPrefixCannotBeDeleted) {
    THost& host = Host(emkRegExprEx, "'('\\d\\d')'");
    EXPECT_EQ("(", host.Mode->BuildEmptyMaskText());
    EXPECT_TRUE(host.Mode->IsTextValid("("));
    EXPECT_FALSE(host.Mode->IsTextValid("(1"));
    EXPECT_TRUE(host.Mode->IsTextValid("(12)"));
    host.Show("(");
    host.Select(0, 0);
    host.Key(VK_DELETE);
    EXPECT_EQ("(", host.Text());
    EXPECT_EQ(1, Beeps);
    host.Select(1, 0);
    host.Type(U"\b");
    EXPECT_EQ("(", host.Text());
    EXPECT_EQ(2, Beeps);
    host.Select(1, 0);
    host.Type(U"12");
    EXPECT_EQ("(12)", host.Text());
    // Typing over everything keeps the prefix.
    host.Select(0, 4);
    host.Type(U"5");
    EXPECT_EQ("(5", host.Text());
    EXPECT_EQ(2, Beeps);
}

TEST_F(MaskModesTest, FormattingCompletesTheForcedTail) {
    THost& host = Host(emkRegExprEx, "\\d\\d'-'\\d\\d");
    EXPECT_EQ("12-", host.Mode->FormatText("12"));
    EXPECT_EQ("12-3", host.Mode->FormatText("1x2-3"));
    THost& prefixed = Host(emkRegExprEx, "'('\\d\\d')'");
    EXPECT_EQ("(", prefixed.Mode->FormatText(""));
    EXPECT_EQ("(12)", prefixed.Mode->FormatText("(12"));
}

// ---- Every mode ------------------------------------------------------------------------------

// Thousands of random keys, characters and selections (a fixed sequence): a standard mask keeps
// one character per position with its literals in place, and a regular-expression text stays a
// valid beginning of a match.
TEST_F(MaskModesTest, RandomEditingKeepsTheTextInTheMask) {
    Properties.BeepOnError = false;
    struct Mask {
        TqzEditMaskKind kind;
        const char* mask;
    };
    const Mask masks[] = {{emkStandard, "(999)000-0000;1;_"},          {emkRegExpr, "\\d\\d'-'\\d\\d"},
                          {emkRegExprEx, "\\d\\d'-'\\d\\d"},           {emkRegExprEx, "'('\\d\\d')'"},
                          {emkRegExprEx, "(\\d+'.')?\\d\\d':'\\d\\d"}, {emkRegExpr, "[a-c]*x"}};
    const char32_t chars[] = {U'1', U'2', U'-', U'(', U')', U'a', U'x', U'.', U':', U'\b'};
    const Word keys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE};
    unsigned seed = 12345;
    auto random = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (const Mask& m : masks) {
        THost& host = Host(m.kind, m.mask);
        host.Show(host.Mode->FormatText(""));
        for (int step = 0; step < 3000; ++step) {
            switch (random(4)) {
            case 0:
                host.Type(std::u32string(1, chars[random(10)]));
                break;
            case 1:
                host.Key(keys[random(5)], random(3) == 0);
                break;
            case 2: {
                const Integer a = Integer(random(unsigned(host.Length() + 1)));
                const Integer b = Integer(random(unsigned(host.Length() + 1)));
                if (random(2))
                    host.Select(std::min(a, b), std::abs(a - b));
                else
                    host.SelectBackwards(std::min(a, b), std::abs(a - b));
                break;
            }
            default:
                host.Type(std::u32string(1, chars[random(2)]));
                break;
            }
            if (m.kind == emkStandard) {
                ASSERT_EQ(13, host.Length()) << step;
                ASSERT_EQ(U'(', host.FText[0]) << step;
                ASSERT_EQ(U')', host.FText[4]) << step;
                ASSERT_EQ(U'-', host.FText[8]) << step;
            } else {
                Properties.IgnoreMaskBlank = true;
                ASSERT_TRUE(host.Mode->IsTextValid(host.Text()))
                    << m.mask << " step " << step << ": " << host.Text();
                Properties.IgnoreMaskBlank = false;
            }
        }
    }
}

} // namespace
