// Edit masks: the mask helpers and the masked edit control.
//
// A mask is "mask;save-literals;blank". The mask part has one character per position of the
// edited text: L (letter) l (letter or blank), A (letter or digit) a (the same or blank),
// C (any character) c (any or blank), 0 (digit) 9 (digit or blank), # (digit, + or -, or blank),
// : and / (the locale's time and date separators), \ (the next character is a literal), and the
// directives > (upper case from here), < (lower case), <> (no case change) and ! (optional
// characters are leading blanks: values fill from the right). Every other character is a
// literal. The second field "0" keeps the literals out of Text (anything else keeps them); the
// third is the blank shown for an empty position ("_" by default). Offsets count characters
// (code points), 0-based.
#pragma once

#include <vector>

#include "platform/classlib/EditCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Sets.h"

KOV_DECLARE_EXCEPTION(EDBEditError, Exception);

constexpr char MaskFieldSeparator = ';';
constexpr char MaskNoSave = '0';
constexpr char32_t DefaultBlank = U'_';

enum TMaskCharType { mcNone, mcLiteral, mcIntlLiteral, mcDirective, mcMask, mcMaskOpt, mcFieldSeparator, mcField };
enum TMaskDirective { mdReverseDir, mdUpperCase, mdLowerCase, mdLiteralChar };
using TMaskDirectives = TSet<TMaskDirective, mdLiteralChar>;

// The offset of the separator that ends the mask part; -1 when the mask has none.
Integer MaskGetFldSeparator(const String& editMask);
// Whether Text keeps the literals (the second field is not "0").
bool MaskGetMaskSave(const String& editMask);
// The blank of empty positions (the third field's character, else "_").
char32_t MaskGetMaskBlank(const String& editMask);
// What the character at a mask offset is (mcNone past the end).
TMaskCharType MaskGetCharType(const String& editMask, Integer maskOffset);
// The directives in force at a mask offset.
TMaskDirectives MaskGetCurrentDirectives(const String& editMask, Integer maskOffset);
// ":" and "/" as the locale's separators; other characters as they are.
char32_t MaskIntlLiteralToChar(char32_t c);
// The text offset of a mask offset (the positions before it); -1 for an offset in the fields.
Integer MaskOffsetToOffset(const String& editMask, Integer maskOffset);
// The mask offset of a text offset; -1 past the last position.
Integer OffsetToMaskOffset(const String& editMask, Integer offset);
// Whether the text position at `offset` is a literal.
bool IsLiteralChar(const String& editMask, Integer offset);
// Lines a value that holds the literals up with the mask: a literal the value lacks is put in,
// missing characters become `blank` (and so do blanks in the value).
String PadInputLiterals(const String& editMask, const String& value, char32_t blank);
// Puts the characters of a value without literals into the input positions (from the right
// with "!"), literals in between, `blank` where the value has nothing.
String MaskDoFormatText(const String& editMask, const String& value, char32_t blank);
// A value formatted by the mask with blanks as spaces: PadInputLiterals when the mask keeps its
// literals, MaskDoFormatText otherwise.
String FormatMaskText(const String& editMask, const String& value);

// One position of a parsed mask.
struct TMaskPosition {
    bool Literal = false;
    char32_t Char = 0;     // the literal, or the mask character (L l A a C c 0 9 #)
    bool Required = false;
    int CaseConversion = 0;  // 0 none, 1 upper, 2 lower
};

// A mask taken apart.
struct TMaskLayout {
    std::vector<TMaskPosition> Positions;
    bool Save = true;
    char32_t Blank = DefaultBlank;
    bool Reverse = false;

    explicit TMaskLayout(const String& editMask = String());
    Integer Count() const { return Integer(Positions.size()); }
    // Whether the input position takes `c`, converting its case first as the mask says.
    bool Accepts(Integer position, char32_t& c) const;
    // The offset of the first position that does not hold what the mask asks; -1 when all do.
    Integer FirstInvalid(const std::u32string& text) const;
};

class TCustomMaskEdit : public TCustomEdit {
    KOV_CLASS(TCustomMaskEdit, TCustomEdit)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomMaskEdit(TComponent* owner);

    String GetEditMask() const { return FEditMask; }
    // Refits the value into the new mask.
    void SetEditMask(const String& value);
    bool IsMasked() const { return FLayout.Count() > 0; }
    // The text as shown: literals in place, the blank in empty positions.
    String GetEditText() const;
    void SetEditText(const String& value);
    // Masked: the value, blanks as spaces, literals only when the mask keeps them. Setting it
    // formats the value into EditText.
    String GetText() const;
    void SetText(const String& value);
    // Raises EDBEditError (through ValidateError) when the modified text does not hold what the
    // mask requires; the focus comes back and the caret goes to the first wrong position.
    virtual void ValidateEdit();
    // Puts back the text of when the control got the focus, if it was modified.
    void Reset();

protected:
    // Beeps and raises EDBEditError.
    virtual void ValidateError();
    void KeyDown(Word& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void CreateWnd() override;

    void WMKeyDown(TWMKey& message);
    void WMLButtonUp(TMessage& message);
    void WMCut(TMessage& message);
    void WMPaste(TMessage& message);
    void WMClear(TMessage& message);
    void CMEnter(TMessage& message);
    void CMExit(TMessage& message);

    // The caret on the input position at or after `position`, covering its character.
    void SetCursor(Integer position);
    // Gives an empty selection the one-character caret again.
    void CheckCursor();

private:
    std::u32string Current() const;
    void GetSel(Integer& start, Integer& end) const;
    // Replaces what changed between the text shown and `text` (same length) as one edit, then
    // puts the caret at `caret`.
    void ApplyEdit(const std::u32string& text, Integer caret);
    void BlankRange(std::u32string& text, Integer start, Integer end) const;
    Integer NextInput(Integer position) const;  // at or after; Count() when none
    Integer PrevInput(Integer position) const;  // before; -1 when none
    void InputChar(char32_t c);
    void DeleteKeys(bool backspace);

    String FEditMask;
    TMaskLayout FLayout;
    String FOldValue;
    bool FReEnter = false;
};

class TMaskEdit : public TCustomMaskEdit {
    KOV_CLASS(TMaskEdit, TCustomMaskEdit)
public:
    explicit TMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
};
