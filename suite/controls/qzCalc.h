// The calculator: a drawn keypad of 27 buttons with the input logic of a pocket calculator,
// working on a display text its descendant supplies; the popup calculator whose display is the
// text of a calculator editor; and that editor, a popup editor for a floating-point number.
#pragma once

#include <array>

#include "suite/editors/qzDropDownEdit.h"
#include "suite/foundation/qzControls.h"

// ---- Calculator ------------------------------------------------------------------------------

enum TqzCalcButtonKind : Byte {
    ckBack,
    ckClearEntry,
    ckClear,
    ckMemClear,
    ckMemRecall,
    ckMemStore,
    ckMemAdd,
    ckDigit0,
    ckDigit1,
    ckDigit2,
    ckDigit3,
    ckDigit4,
    ckDigit5,
    ckDigit6,
    ckDigit7,
    ckDigit8,
    ckDigit9,
    ckSign,
    ckDecimal,
    ckDivide,
    ckMultiply,
    ckSubtract,
    ckAdd,
    ckSqrt,
    ckPercent,
    ckReciprocal,
    ckEquals,
    ckNone
};

enum TqzCalcInputState : Byte { isNewNumber, isEntering, isError };

struct TqzCalcButton {
    TqzCalcButtonKind Kind = ckNone;
    String Caption;
    TColor FontColor = clBtnText;
    TRect Bounds{};
    bool Down = false;
    bool Grayed = false;
};

constexpr Integer qzCalcButtonCount = 27;

using TqzCalcButtonClickEvent = TClosure<void(TObject* Sender, TqzCalcButtonKind& Button)>;
using TqzCalcHidePopupEvent = TClosure<void(TObject* Sender, Integer Reason)>;

class TqzCustomCalculator : public TqzControl {
    KOV_CLASS(TqzCustomCalculator, TqzControl)
public:
    explicit TqzCustomCalculator(TComponent* owner);

    // ---- Introduced virtuals, in slot order ----
    // The painter of the buttons (the standard painter here).
    virtual TqzLookAndFeelPainterClass GetPainter();
    // The display text (empty here).
    virtual String GetEditText() { return String(); }
    virtual void SetEditText(const String& text) {}
    // OnHidePopup with both, when assigned.
    virtual void HidePopup(TObject* sender, Integer reason);

    // Carries out one button (OnButtonClick may replace it first).
    void ButtonClick(TqzCalcButtonKind button);
    // The display as a number: 0 in the error state; a text that is no number raises.
    Extended GetDisplayValue();
    void SetDisplayValue(Extended value);
    void CopyToClipboard();
    // The clipboard's text without the locale currency string: a number shows (and is being
    // entered), anything else shows 0.
    void PasteFromClipboard();

    // Button size, spacing and the size the control keeps from a client size; then the layout.
    void SetCalcSize(Integer width, Integer height);
    void CreateLayout();
    // No pending operator, a new number next, the memory cleared.
    void ResetCalculation();
    TqzCalcButtonKind ButtonAtPoint(Integer x, Integer y);
    void InvalidateButton(TqzCalcButtonKind button);
    TqzCalcButtonKind ButtonForChar(char32_t ch);
    TqzCalcButtonKind ButtonForKey(Word key, TShiftState shift);

    bool GetAutoFontSize() const { return FAutoFontSize; }
    void SetAutoFontSize(bool value);
    bool GetBeepOnError() const { return FBeepOnError; }
    void SetBeepOnError(bool value) { FBeepOnError = value; }
    // bsSingle: a client edge (or a thin border without 3D controls); the popup has none.
    TBorderStyle GetCalcBorderStyle() const { return FBorderStyle; }
    void SetCalcBorderStyle(TBorderStyle value);
    bool GetShowFocusRect() const { return FShowFocusRect; }
    void SetShowFocusRect(bool value);
    Byte GetPrecision() const { return FPrecision; }
    void SetPrecision(Byte value) { FPrecision = value; }

    Integer GetFontSize() const { return FFontSize; }
    Integer GetButtonWidth() const { return FButtonWidth; }
    Integer GetButtonHeight() const { return FButtonHeight; }
    Integer GetWideButtonWidth() const { return FWideButtonWidth; }
    Integer GetHorzSpacing() const { return FHorzSpacing; }
    Integer GetVertSpacing() const { return FVertSpacing; }
    Integer GetCalcWidth() const { return FCalcWidth; }
    Integer GetCalcHeight() const { return FCalcHeight; }
    Extended GetMemory() const { return FMemory; }
    Extended GetOperand() const { return FOperand; }
    TqzCalcButtonKind GetLastOperator() const { return FLastOperator; }
    TqzCalcInputState GetInputState() const { return FInputState; }
    const TqzCalcButton& GetButton(TqzCalcButtonKind kind) const { return FButtons[kind]; }
    TqzCalcButtonKind GetHotButton() const { return FHotButton; }
    TqzCalcButtonKind GetMousePressedButton() const { return FMousePressedButton; }
    TqzCalcButtonKind GetKeyPressedButton() const { return FKeyPressedButton; }
    bool IsPopup() const { return FIsPopup; }

    TNotifyEvent OnDisplayChange;
    TqzCalcButtonClickEvent OnButtonClick;
    TNotifyEvent OnResult;
    TqzCalcHidePopupEvent OnHidePopup;

    // ---- Control framework ----
    bool HasScrollBars() const override { return false; }
    bool CanFocusOnClick() override;
    void HandleFontChange() override;
    void HandleFocusChange() override;
    void HandleMouseLeave(TControl* control) override;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseMove(TShiftState shift, Integer x, Integer y) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleKeyPress(char32_t& key) override;
    void HandleKeyUp(Word& key, TShiftState shift) override;
    void HandleResize() override;
    void SetEnabled(bool value) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;

    void PressButton(TqzCalcButtonKind button);
    void ReleaseButton(TqzCalcButtonKind button);
    // The key's button pressed (the previous one released) when it differs from the held one.
    void PressKeyButton(TqzCalcButtonKind button);

    bool FIsPopup = false;
    TqzCalcButtonKind FKeyPressedButton = ckNone;

private:
    void BeginNewNumber();
    void ShowError();
    void ClearAll();
    void UpdateMemoryButtons();
    void TrackButton(Integer x, Integer y);
    void StopTracking();
    // A finite result shows; anything else is an error.
    void ShowResult(Extended value);
    void Beep();

    bool FAutoFontSize = true;
    bool FBeepOnError = true;
    TBorderStyle FBorderStyle = bsNone;
    bool FShowFocusRect = true;
    Byte FPrecision = 15;
    Integer FFontSize = 8;
    Integer FButtonWidth = 28;
    Integer FButtonHeight = 22;
    Integer FWideButtonWidth = 47;
    Integer FHorzSpacing = 3;
    Integer FVertSpacing = 3;
    Integer FCalcWidth = 198;
    Integer FCalcHeight = 131;
    Extended FMemory = 0;
    Extended FOperand = 0;
    TqzCalcButtonKind FLastOperator = ckEquals;
    TqzCalcInputState FInputState = isNewNumber;
    std::array<TqzCalcButton, qzCalcButtonCount> FButtons{};
    TqzCalcButtonKind FHotButton = ckNone;
    TqzCalcButtonKind FMousePressedButton = ckNone;
    bool FTracking = false;
    bool FSettingSize = false;
};

class TqzCustomCalcEdit;

// The calculator in a calculator editor's drop-down: its display is the editor's text.
class TqzPopupCalculator : public TqzCustomCalculator {
    KOV_CLASS(TqzPopupCalculator, TqzCustomCalculator)
public:
    explicit TqzPopupCalculator(TComponent* owner);

    TqzLookAndFeelPainterClass GetPainter() override;
    String GetEditText() override;
    // Through the editor's inner edit, when the editor may be edited; the editor is then
    // modified.
    void SetEditText(const String& text) override;
    void ResetKeyButton() { FKeyPressedButton = ckNone; }
    // The drop-down's keys after the calculator's own.
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleKeyPress(char32_t& key) override;

    TqzCustomCalcEdit* Edit = nullptr;
};

// ---- Calculator editor -----------------------------------------------------------------------

class TqzCalcEditPropertiesValues : public TqzTextEditPropertiesValues {
    KOV_CLASS(TqzCalcEditPropertiesValues, TqzTextEditPropertiesValues)
public:
    TqzCalcEditPropertiesValues() = default;

    void Assign(TPersistent* source) override;
    void ResetAssignedValues() override;

    bool GetPrecision() const { return FPrecision; }
    void SetPrecision(bool value);

private:
    bool FPrecision = false;
};

class TqzCustomCalcEditProperties : public TqzCustomPopupEditProperties {
    KOV_CLASS(TqzCustomCalcEditProperties, TqzCustomPopupEditProperties)
public:
    explicit TqzCustomCalcEditProperties(TPersistent* owner);

    void Assign(TPersistent* source) override;
    TClass GetAssignedValuesClass() const override;
    TClass GetContainerClass() const override;
    bool IsEditValueValid(Variant& value, bool editing) override;
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                              TqzCustomEdit* editor) override;
    Integer GetEditValueSource(bool editing) override;
    bool UsesThousandSeparator(bool synchronizing) override { return FUseThousandSeparator && !FScientificFormat; }
    bool IsEditValueNumeric() override { return true; }
    bool IsTextValueValid(Variant& value, bool editing) override { return true; }
    bool EditsValueInPopup() override { return true; }
    bool PopupFitsWorkArea() override { return false; }

    // The locale thousand separators removed, a number within the range of a double (or 0).
    bool TextToValue(const String& text, Extended& value);
    // Null for a blank text or one that is no number, else the number as a double.
    Variant TextToEditValue(const String& text);

    TqzCalcEditPropertiesValues* GetCalcAssignedValues() {
        return static_cast<TqzCalcEditPropertiesValues*>(TqzCustomEditProperties::GetAssignedValues());
    }
    void SetCalcAssignedValues(TqzCalcEditPropertiesValues* value) { TqzCustomEditProperties::SetAssignedValues(value); }

    bool GetBeepOnError() const { return BeepOnError; }
    void SetBeepOnError(bool value);
    // The own value when assigned, else the provider's, else 15; never above 15.
    Byte GetPrecision();
    void SetPrecision(Byte value);
    bool IsPrecisionStored() { return GetCalcAssignedValues()->GetPrecision(); }
    bool GetQuickClose() const { return FQuickClose; }
    void SetQuickClose(bool value);
    bool GetScientificFormat() const { return FScientificFormat; }
    void SetScientificFormat(bool value);
    bool GetUseThousandSeparator() const { return FUseThousandSeparator; }
    void SetUseThousandSeparator(bool value);

private:
    Byte FPrecision = 15;
    bool FQuickClose = false;
    bool FScientificFormat = false;
    bool FUseThousandSeparator = false;
};

class TqzCalcEditProperties : public TqzCustomCalcEditProperties {
    KOV_CLASS(TqzCalcEditProperties, TqzCustomCalcEditProperties)
public:
    using TqzCustomCalcEditProperties::TqzCustomCalcEditProperties;
};

class TqzCustomCalcEdit : public TqzCustomPopupEdit {
    KOV_CLASS(TqzCustomCalcEdit, TqzCustomPopupEdit)
public:
    explicit TqzCustomCalcEdit(TComponent* owner);
    TqzCustomCalcEdit(TComponent* owner, bool isInplace);
    ~TqzCustomCalcEdit() override;

    TClass GetPropertiesClass() override { return TqzCustomCalcEditProperties::StaticClass(); }
    void Initialize() override;
    bool CanShowPopup() override;
    void CreatePopupWindow() override;
    void DoInitPopup() override;
    void SetupPopupWindow() override;
    void PopupWindowShowed(TObject* sender) override;
    void PopupWindowClosing(TObject* sender) override;
    // The error text showing when the drop-down closes becomes the value 0.
    void PopupWindowClosed(TObject* sender) override;
    void ApplyActiveProperties(TObject* properties) override;
    bool AcceptsChar(char32_t ch) override;
    void HandleEditKeyPress(char32_t& ch) override;
    void PasteFromClipboard() override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    void FormatChanged() override;

    // 0 for a null or empty value, else the value as a number.
    Extended GetValue();
    void SetValue(Extended value);

    TqzPopupCalculator* GetCalculator() const { return FCalculator; }
    TqzCustomCalcEditProperties* GetCalcProperties() const {
        return static_cast<TqzCustomCalcEditProperties*>(TqzCustomEdit::GetProperties());
    }
    TqzCustomCalcEditProperties* GetActiveCalcProperties();

protected:
    TqzCustomCalcEdit(TComponent* owner, bool isInplace, bool deferInitialization);
    void DoEnter() override;
    void DoExit() override;

private:
    void CalculatorHidePopup(TObject* sender, Integer reason);
    void TakeZeroForError();

    TqzPopupCalculator* FCalculator = nullptr;
};

class TqzCalcEdit : public TqzCustomCalcEdit {
    KOV_CLASS(TqzCalcEdit, TqzCustomCalcEdit)
public:
    explicit TqzCalcEdit(TComponent* owner);
    TqzCalcEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzCalcEditProperties::StaticClass(); }
    TqzCalcEditProperties* GetProperties() const {
        return static_cast<TqzCalcEditProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzCalcEditProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};
