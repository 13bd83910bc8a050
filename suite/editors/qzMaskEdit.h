// The masked editor: a text editor whose text follows an edit mask.
//
// The mask is either a classic edit mask (one mask character per position of the text) or a
// regular expression, optionally with auto-completion of the characters the pattern leaves no
// choice about. While a mask is set the editor hands every key, caret move, clipboard operation
// and value formatting to a mask mode, a strategy object of the class the mask kind selects;
// without a mask it behaves exactly like the text editor.
//
// Positions, lengths and characters are code points.
#pragma once

#include <memory>

#include "platform/runtime/Exceptions.h"
#include "suite/editors/qzRegExpr.h"
#include "suite/editors/qzStandardMask.h"
#include "suite/editors/qzTextEdit.h"

enum TqzEditMaskKind : Byte { emkStandard, emkRegExpr, emkRegExprEx };
using TqzEditMask = String;

// An invalid mask (a regular expression that does not compile).
KOV_DECLARE_EXCEPTION(EqzMaskEditError, Exception);

// Empty, or only NUL, TAB, LF, FF, CR and blanks.
bool IsBlankMask(const String& mask);

class TqzCustomMaskEditProperties;
class TqzMaskEditCustomMode;

// What a mask mode uses of the editor it serves: the hosted edit's text, caret and selection,
// the value flow and the simulated keys.
class IqzMaskEditModeHost {
public:
    virtual ~IqzMaskEditModeHost() = default;

    // The properties in use.
    virtual TqzCustomMaskEditProperties* GetMaskProperties() = 0;
    virtual TqzMaskEditCustomMode* GetMode() = 0;
    // The editor's window exists.
    virtual bool HasEditorWindow() = 0;
    // Being destroyed, or without its hosted edit.
    virtual bool IsHostedEditUnavailable() = 0;
    virtual bool IsEditFocused() = 0;
    // The value was changed by the user since the focus came.
    virtual bool IsValueModifiedByUser() = 0;

    // Selection through the editor (the setters tell the mode CaretMoved).
    virtual Integer GetSelStart() = 0;
    virtual Integer GetSelLength() = 0;
    virtual void SetSelStart(Integer value) = 0;
    virtual void SetSelLength(Integer value) = 0;
    // The character index under the blinking caret (the selection's end when it was made
    // rightwards).
    virtual Integer GetCaretCharIndex() = 0;
    // The hosted edit's own caret and selection length, set without telling the mode.
    virtual void SetHostedSelStart(Integer value) = 0;
    virtual void SetHostedSelLength(Integer value) = 0;
    virtual String GetInnerEditText() = 0;

    // The value flow.
    virtual void DisplayValueToInnerEdit(const Variant& value) = 0;
    virtual void SetEditValueAsUser(const Variant& value) = 0;
    virtual void ReadDisplayText(String& text) = 0;
    virtual Variant GetModeEditValue() = 0;
    // A display text handed back through the editor's data binding.
    virtual void SetDisplayValueThroughBinding(const Variant& value) = 0;

    // The hosted edit performs a key or a character of its own.
    virtual void SendKeyDown(Word key) = 0;
    virtual void SendChar(char32_t ch) = 0;
    // Shift was held with the key being handled.
    virtual bool GetExtendSelection() = 0;
    virtual void SetExtendSelection(bool value) = 0;
    // A typed character may go to a 1-based position (it may be changed; 0 refuses it audibly).
    virtual bool IsMaskCharAllowed(char32_t& ch, Integer position) = 0;
};

using TqzMaskEditModeClass = TqzMaskEditCustomMode* (*)(IqzMaskEditModeHost* editor,
                                                        TqzCustomMaskEditProperties* properties);

// ---- Mask modes ------------------------------------------------------------------------------

// The contract between a masked editor and its mode. Handlers answer false when the mode did the
// work (the editor swallows the key) and true when the hosted edit's own handling follows.
class TqzMaskEditCustomMode : public TObject {
    KOV_CLASS(TqzMaskEditCustomMode, TObject)
public:
    // editor nullptr: a formatting mode owned by the properties.
    TqzMaskEditCustomMode(IqzMaskEditModeHost* editor, TqzCustomMaskEditProperties* properties);

    // ---- Virtual operations, in slot order ----
    // 0 standard, 1 regular expression, 2 with auto-completion.
    virtual Integer ModeKind() { return 0; }
    virtual void FinishPaste() {}
    // May raise EqzMaskEditError.
    virtual void CompileMask(const String& mask) { MaskText = mask; }
    virtual String BuildEmptyMaskText() { return String(); }
    virtual String FormatText(const String& text) { return text; }
    virtual void PrepareSelectAll() {}
    virtual bool CaretAtStart() { return false; }
    virtual bool CaretAtEnd() { return false; }
    virtual bool IsTextValid(const String& text) { return true; }
    virtual void CaretMoved() {}
    virtual void PreparePaste() {}
    virtual bool HandleBackspace() { return true; }
    virtual bool HandleDelete() { return true; }
    virtual bool HandleEnd() { return true; }
    virtual bool HandleHome() { return true; }
    virtual bool HandleLeft() { return true; }
    virtual bool HandleRight() { return true; }
    virtual bool HandleChar(char32_t& ch) { return true; }
    virtual void AdoptText(const String& text) {}
    virtual void RefreshFromValue();
    virtual void ApplyPendingValue() {}
    virtual String TextToValue(const String& text) { return text; }

    // The editor's active properties, or (without editor) those given at creation.
    TqzCustomMaskEditProperties* GetProperties();
    // The platform's beep when the properties ask for it.
    void Beep();
    // There is an editor and its hosted edit exists.
    bool EditorAvailable();
    void SetInnerSelStart(Integer value);
    void SetInnerSelLength(Integer value);

    IqzMaskEditModeHost* Editor;
    Integer PasteLength = 0;
    bool InitialValuePending = false;
    String MaskText;
    // What the editor last built or updated the mode for.
    TEditCharCase RecordedCharCase = ecNormal;
    TqzEditEchoMode RecordedEchoMode = eemNormal;

protected:
    // The editor's text as code points.
    std::u32string EditorText();

private:
    TqzCustomMaskEditProperties* FProperties;
};

// Classic edit masks: the text holds one character per mask position and the caret normally
// covers one character, so typing overwrites.
class TqzMaskEditStandardMode : public TqzMaskEditCustomMode {
    KOV_CLASS(TqzMaskEditStandardMode, TqzMaskEditCustomMode)
public:
    TqzMaskEditStandardMode(IqzMaskEditModeHost* editor, TqzCustomMaskEditProperties* properties);
    static TqzMaskEditCustomMode* CreateInstance(IqzMaskEditModeHost* editor,
                                                 TqzCustomMaskEditProperties* properties) {
        return new TqzMaskEditStandardMode(editor, properties);
    }

    void FinishPaste() override;
    void CompileMask(const String& mask) override;
    String BuildEmptyMaskText() override;
    String FormatText(const String& text) override;
    bool CaretAtStart() override;
    bool CaretAtEnd() override;
    bool IsTextValid(const String& text) override;
    void CaretMoved() override;
    void PreparePaste() override;
    bool HandleBackspace() override;
    bool HandleDelete() override;
    bool HandleEnd() override;
    bool HandleHome() override;
    bool HandleLeft() override;
    bool HandleRight() override;
    bool HandleChar(char32_t& ch) override;
    void AdoptText(const String& text) override { CaretMoved(); }
    void RefreshFromValue() override;
    void ApplyPendingValue() override;
    String TextToValue(const String& text) override;

    // ---- Introduced ----
    // The character that stands for an empty 1-based position.
    virtual char32_t GetBlankChar(Integer position);

    TqzStandardMask* GetMaskLayout() const { return MaskLayout.get(); }

    std::unique_ptr<TqzStandardMask> MaskLayout;

private:
    bool IsInputPosition(Integer index) const;
    Integer FPasteStart = 0;
};

// Regular-expression masks: the text left of the caret is always a valid beginning of a match;
// a character that cannot continue it is refused, and text right of the caret that no longer
// fits after an edit is dropped.
class TqzMaskEditRegExprMode : public TqzMaskEditCustomMode {
    KOV_CLASS(TqzMaskEditRegExprMode, TqzMaskEditCustomMode)
public:
    TqzMaskEditRegExprMode(IqzMaskEditModeHost* editor, TqzCustomMaskEditProperties* properties);
    static TqzMaskEditCustomMode* CreateInstance(IqzMaskEditModeHost* editor,
                                                 TqzCustomMaskEditProperties* properties) {
        return new TqzMaskEditRegExprMode(editor, properties);
    }

    Integer ModeKind() override { return 1; }
    void CompileMask(const String& mask) override;
    String BuildEmptyMaskText() override { return String(); }
    String FormatText(const String& text) override;
    void PrepareSelectAll() override;
    bool CaretAtStart() override;
    bool CaretAtEnd() override;
    bool IsTextValid(const String& text) override;
    void CaretMoved() override { ResyncNeeded = true; }
    bool HandleBackspace() override;
    bool HandleDelete() override;
    bool HandleEnd() override;
    bool HandleHome() override;
    bool HandleLeft() override;
    bool HandleRight() override;
    bool HandleChar(char32_t& ch) override;
    void AdoptText(const String& text) override;
    void RefreshFromValue() override;
    String TextToValue(const String& text) override { return text; }

    // ---- Introduced, in slot order ----
    virtual void CutSelection();
    virtual void RestoreCut();

    void Resync();
    // The characters right of the caret still continue the text left of it (Expression ends
    // where it began).
    bool AfterFits();
    // The text right of the caret is removed.
    void DropTextAfter();
    // target compiled from this mode's pattern; false when there is none or it fails.
    bool CompileCopy(TqzRegExpr& target);

    std::unique_ptr<TqzRegExpr> Expression;
    std::u32string TextBefore;
    std::u32string TextAfter;
    std::u32string CutText;
    bool CutFromAfter = false;
    bool ResyncNeeded = false;

protected:
    // The work of the key handlers, after Resync and before the beep of a false answer.
    bool DoHandleBackspace();
    bool DoHandleDelete();
    bool DoHandleChar(char32_t& ch);
    void MoveLeft();
    void MoveRight();
    void MoveHome();
    void MoveEnd();
    bool HasSelection() { return Editor && Editor->GetSelLength() > 0; }
};

// Regular-expression masks with auto-completion: forced characters are inserted while typing,
// Left and Right jump over them, and Backspace and Delete remove them with the character they
// belong to.
class TqzMaskEditRegExprExMode : public TqzMaskEditRegExprMode {
    KOV_CLASS(TqzMaskEditRegExprExMode, TqzMaskEditRegExprMode)
public:
    TqzMaskEditRegExprExMode(IqzMaskEditModeHost* editor, TqzCustomMaskEditProperties* properties);
    static TqzMaskEditCustomMode* CreateInstance(IqzMaskEditModeHost* editor,
                                                 TqzCustomMaskEditProperties* properties) {
        return new TqzMaskEditRegExprExMode(editor, properties);
    }

    Integer ModeKind() override { return 2; }
    void FinishPaste() override {}
    void CompileMask(const String& mask) override;
    String BuildEmptyMaskText() override;
    String FormatText(const String& text) override;
    void PrepareSelectAll() override;
    bool IsTextValid(const String& text) override;
    void PreparePaste() override { ResyncEx(); }
    bool HandleBackspace() override;
    bool HandleDelete() override;
    bool HandleEnd() override;
    bool HandleHome() override;
    bool HandleLeft() override;
    bool HandleRight() override;
    bool HandleChar(char32_t& ch) override;
    void AdoptText(const String& text) override;
    void ApplyPendingValue() override;
    void CutSelection() override;
    void RestoreCut() override;

    void ClearAuto();
    void ResyncEx();
    // The forced characters now following the text are completed; the caret and Expression end
    // where they began.
    void RetypeAfter();

    std::u32string AutoText;
    Integer RemovedCount = 0;
    std::u32string ScratchText;

private:
    void AutoInserted(char32_t ch) { AutoText += ch; }
    void AutoRemoved() { ++RemovedCount; }
    void ScratchInserted(char32_t ch) { ScratchText += ch; }
    void SetAuto(bool value) { Expression->SetAutoComplete(value); }
    // The text right of the caret checked again and completed, or dropped when it no longer fits.
    void RecheckAfter();
    // Switching auto-completion off and on at the start collects the forced prefix.
    std::u32string CollectForcedPrefix();
    // A temporary expression from this pattern that collected the forced prefix.
    bool MakeScratchExpression(TqzRegExpr& expression, std::u32string& prefix);
    void ForwardStep();
    void BackwardStep();
    // With a selection starting at 0 behind a forced prefix: the selection moves behind it.
    bool MoveSelectionBehindPrefix();
};

// ---- Properties ------------------------------------------------------------------------------

// The text-editor properties with the mask settings.
class TqzCustomMaskEditProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TqzCustomMaskEditProperties, TqzCustomTextEditProperties)
public:
    explicit TqzCustomMaskEditProperties(TPersistent* owner);
    ~TqzCustomMaskEditProperties() override;

    // From other masked properties the mask settings too, inside one update.
    void Assign(TPersistent* source) override;
    bool IsEditValueValid(Variant& value, bool editing) override;
    bool UsesLookupData() override;
    Byte GetDisplayFormatOptions() override;
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                              TqzCustomEdit* editor) override;
    void MaxLengthChanged() override;
    void SetCharCase(TEditCharCase value) override;
    TClass GetContainerClass() const override;

    // ---- Introduced, last slot ----
    virtual TqzMaskEditModeClass GetModeClass(TqzEditMaskKind kind);

    // An uncompiled mode of the current kind without editor; the caller owns it.
    TqzMaskEditCustomMode* CreateModeOfKind();
    // Such a mode with the effective mask compiled (nullptr for a blank mask).
    TqzMaskEditCustomMode* CreateFormattingMode();

    // The stored mask, or with a standard kind and a blank stored mask the provider's default.
    TqzEditMask GetEditMask();
    // An invalid regular expression raises EqzMaskEditError and keeps the old mask.
    void SetEditMask(const TqzEditMask& value);
    const TqzEditMask& GetStoredEditMask() const { return FEditMask; }
    // Stored without notification (the editor's kind change clears and restores it).
    void SetStoredEditMask(const TqzEditMask& value) { FEditMask = value; }
    bool IsEditMaskStored() const { return !FEditMask.empty(); }
    TqzEditMaskKind GetMaskKind() const { return FMaskKind; }
    void SetMaskKind(TqzEditMaskKind value);
    bool GetCaseInsensitive() const { return FCaseInsensitive; }
    void SetCaseInsensitive(bool value);
    bool GetAlwaysShowBlanksAndLiterals() const { return FAlwaysShowBlanksAndLiterals; }
    void SetAlwaysShowBlanksAndLiterals(bool value);
    bool IsMasked();
    const String& GetEmptyMaskText() const { return FEmptyMaskText; }
    void SetEmptyMaskText(const String& value) { FEmptyMaskText = value; }
    TqzMaskEditCustomMode* GetFormattingMode() const { return FFormattingMode.get(); }

    bool IgnoreMaskBlank = false;

private:
    TqzEditMaskKind FMaskKind = emkStandard;
    TqzEditMask FEditMask;
    bool FCaseInsensitive = true;
    bool FAlwaysShowBlanksAndLiterals = false;
    String FEmptyMaskText;
    std::unique_ptr<TqzMaskEditCustomMode> FFormattingMode;
    TqzMaskEditModeClass FFormattingModeClass = nullptr;
    bool FMaxLengthChanging = false;
};

// The masked editor's published settings.
class TqzMaskEditProperties : public TqzCustomMaskEditProperties {
    KOV_CLASS(TqzMaskEditProperties, TqzCustomMaskEditProperties)
public:
    using TqzCustomMaskEditProperties::TqzCustomMaskEditProperties;
};

// ---- The masked editor -----------------------------------------------------------------------

// A text editor whose keys, caret moves, clipboard operations and value formatting go through a
// mask mode while a mask is set.
class TqzCustomMaskEdit : public TqzCustomTextEdit, public IqzMaskEditModeHost {
    KOV_CLASS(TqzCustomMaskEdit, TqzCustomTextEdit)
public:
    explicit TqzCustomMaskEdit(TComponent* owner);
    TqzCustomMaskEdit(TComponent* owner, bool isInplace);
    ~TqzCustomMaskEdit() override;

    // ---- Overrides ----
    void HandleContentChange(TObject* sender) override;
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    void HandleEditKeyPress(char32_t& ch) override;
    void Initialize() override;
    void ApplyDisplayValue(const Variant& value) override;
    void ApplyActiveProperties(TObject* properties) override;
    void SynchronizeDisplayValue() override;
    void CutToClipboard() override;
    TClass GetPropertiesClass() override { return TqzCustomMaskEditProperties::StaticClass(); }
    void PasteFromClipboard() override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    String GetEditingText() override;
    bool SetEditingText(const String& text) override;
    void SetSelLength(Integer value) override;
    void SetSelStart(Integer value) override;
    void SetSelText(const String& value) override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleKeyPress(char32_t& key) override;
    void HandleKeyUp(Word& key, TShiftState shift) override;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseMove(TShiftState shift, Integer x, Integer y) override;
    void HandleDblClick() override;

    // ---- Introduced, after the inherited ones ----
    // A typed character may go to a 1-based position (true here).
    bool IsMaskCharAllowed(char32_t& ch, Integer position) override { return true; }
    // The current Text shown again through the mask.
    virtual void ReformatMaskedText();

    // ---- The mode's view of the editor ----
    TqzCustomMaskEditProperties* GetMaskProperties() override;
    TqzMaskEditCustomMode* GetMode() override { return FMode.get(); }
    bool HasEditorWindow() override { return HandleAllocated(); }
    bool IsHostedEditUnavailable() override { return IsInnerEditUnavailable(); }
    bool IsEditFocused() override { return TqzCustomTextEdit::IsEditFocused(); }
    bool IsValueModifiedByUser() override { return GetModifiedAfterEnter(); }
    Integer GetSelStart() override { return TqzCustomTextEdit::GetSelStart(); }
    Integer GetSelLength() override { return TqzCustomTextEdit::GetSelLength(); }
    // Where the focused hosted edit shows its caret (at either end of a selection).
    Integer GetCaretCharIndex() override;
    void SetHostedSelStart(Integer value) override;
    void SetHostedSelLength(Integer value) override;
    String GetInnerEditText() override;
    void DisplayValueToInnerEdit(const Variant& value) override {
        TqzCustomTextEdit::DisplayValueToInnerEdit(value);
    }
    void SetEditValueAsUser(const Variant& value) override { TqzCustomTextEdit::SetEditValueAsUser(value); }
    void ReadDisplayText(String& text) override { TqzCustomTextEdit::ReadDisplayText(text); }
    Variant GetModeEditValue() override { return GetEditValue(); }
    void SetDisplayValueThroughBinding(const Variant& value) override;
    // The key or character goes to the editor's window with the editor's own key handling
    // switched off, so that the hosted edit performs its action (reading the keyboard state).
    void SendKeyDown(Word key) override;
    void SendChar(char32_t ch) override;
    bool GetExtendSelection() override { return ExtendSelection; }
    void SetExtendSelection(bool value) override { ExtendSelection = value; }

    String BuildEmptyText();
    void AdoptTextIfMasked(const String& text);
    bool IsMasked();

    bool ExtendSelection = false;
    bool SimulatingKey = false;
    String EditingText;

protected:
    TqzCustomMaskEdit(TComponent* owner, bool isInplace, bool deferInitialization);
    void HandleEnter() override;
    void Loaded() override;

private:
    std::unique_ptr<TqzMaskEditCustomMode> FMode;
};

// The masked editor placed on forms.
class TqzMaskEdit : public TqzCustomMaskEdit {
    KOV_CLASS(TqzMaskEdit, TqzCustomMaskEdit)
public:
    explicit TqzMaskEdit(TComponent* owner);
    TqzMaskEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzMaskEditProperties::StaticClass(); }
    TqzMaskEditProperties* GetMaskEditProperties() const {
        return static_cast<TqzMaskEditProperties*>(GetProperties());
    }
    void SetMaskEditProperties(TqzMaskEditProperties* value) { GetProperties()->Assign(value); }
};
