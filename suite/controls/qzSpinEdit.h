// The spin editor: a masked text editor holding one number, an integer or a floating-point
// value, stepped by its spin buttons, the arrow and page keys and the mouse wheel, with
// auto-repeat while a button is held, bounds that clamp or wrap, parsing of typed text with an
// optional handler, and validation that reports "Value out of bounds". Its spin buttons are the
// editor's own edit buttons, laid out and painted by the spin view data and view info.
#pragma once

#include <memory>

#include "suite/editors/qzMaskEdit.h"
#include "suite/editors/qzTextEdit.h"

class TqzCustomSpinEdit;
class TqzCustomSpinEditProperties;
class TqzTimer;

enum TqzSpinEditButtonsPosition : Byte { sbpHorzLeftRight, sbpHorzRight, sbpVert };
enum TqzSpinEditValueType : Byte { vtInt, vtFloat };

using TqzSpinEditGetValueEvent =
    TClosure<void(TObject* Sender, const String& AText, Variant& AValue, String& ErrorText, bool& Error)>;

// The position of the spin buttons and whether the fast buttons show.
class TqzSpinEditButtons : public TPersistent {
    KOV_CLASS(TqzSpinEditButtons, TPersistent)
public:
    explicit TqzSpinEditButtons(TqzCustomSpinEditProperties* owner);

    // Both settings, inside one update of the owner.
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const override;

    TqzSpinEditButtonsPosition GetPosition() const { return FPosition; }
    void SetPosition(TqzSpinEditButtonsPosition value);
    bool GetShowFastButtons() const { return FShowFastButtons; }
    void SetShowFastButtons(bool value);

private:
    TqzCustomSpinEditProperties* FOwner;
    TqzSpinEditButtonsPosition FPosition = sbpVert;
    bool FShowFastButtons = false;
};

// The text editor's assigned-value flags and ValueType's.
class TqzSpinEditPropertiesValues : public TqzTextEditPropertiesValues {
    KOV_CLASS(TqzSpinEditPropertiesValues, TqzTextEditPropertiesValues)
public:
    TqzSpinEditPropertiesValues() = default;

    void Assign(TPersistent* source) override;
    void ResetAssignedValues() override;

    bool GetValueType() const { return FValueType; }
    void SetValueType(bool value);

private:
    bool FValueType = false;
};

class TqzCustomSpinEditProperties : public TqzCustomMaskEditProperties {
    KOV_CLASS(TqzCustomSpinEditProperties, TqzCustomMaskEditProperties)
public:
    explicit TqzCustomSpinEditProperties(TPersistent* owner);
    ~TqzCustomSpinEditProperties() override;

    void Assign(TPersistent* source) override;
    // The fast buttons are added or freed first, inside one update.
    void Changed() override;
    TClass GetAssignedValuesClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    TClass GetContainerClass() const override;
    bool IsEditValueNumeric() override { return true; }
    bool IsEditValueValid(Variant& value, bool editing) override;
    bool IsTextValueValid(Variant& value, bool editing) override;
    void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                              TqzCustomEdit* editor) override;
    void GetDefaultDisplayValue(Variant& value) override;
    Integer GetEditValueSource(bool editing) override;

    // ---- Introduced virtual operations, in slot order ----
    virtual bool ClampsOutOfRange() { return true; }
    // 0 refuse, 1 clamp, 2 wrap.
    virtual Integer GetOutOfRangeMode();
    virtual void GetMaxValueOfType(Variant& value);
    virtual void GetMinValueOfType(Variant& value);
    virtual bool ChecksTextBounds() { return true; }
    // A blank value becomes 0; the result is of the value type.
    virtual void PrepareValue(const Variant& value, Variant& result);
    virtual bool KeepsSelectionOnSpin() { return false; }

    // ---- Values ----
    // A number of the value type (a double, or a 64-bit integer rounded to even).
    Variant ConvertToValueType(const Variant& value);
    // Numbers converted to the value type; anything else unchanged.
    Variant NormalizeValue(const Variant& value);
    // The type's lowest (false) or highest (true) value.
    Variant GetTypeExtreme(bool maximum);
    // A bound rounded to even for vtInt.
    Variant AdjustToValueType(double value);
    // value moved into the effective bounds.
    Variant ClampToBounds(const Variant& value);
    // The whole text as a signed 64-bit integer (vtInt) or a float within +-1.7E308 (vtFloat).
    bool TextToValue(const String& text, Variant& value);
    // The owning editor's key-pressed button handed to a view data (0 none).
    Integer GetEditorKeyPressedButton();

    // ---- Settings ----
    TqzSpinEditButtons* GetSpinButtons() const { return FSpinButtons.get(); }
    void SetSpinButtons(TqzSpinEditButtons* value) { FSpinButtons->Assign(value); }
    bool GetCanEdit() const { return FCanEdit; }
    void SetCanEdit(bool value);
    bool GetCircular() const { return FCircular; }
    void SetCircular(bool value);
    double GetIncrement() const { return FIncrement; }
    void SetIncrement(double value);
    bool IsIncrementStored() const { return FIncrement != 1.0; }
    double GetLargeIncrement() const { return FLargeIncrement; }
    void SetLargeIncrement(double value);
    bool IsLargeIncrementStored() const { return FLargeIncrement != 10.0; }
    bool GetExceptionOnInvalidInput() const { return FExceptionOnInvalidInput; }
    void SetExceptionOnInvalidInput(bool value) { FExceptionOnInvalidInput = value; }
    bool GetUseCtrlIncrement() const { return FUseCtrlIncrement; }
    void SetUseCtrlIncrement(bool value) { FUseCtrlIncrement = value; }
    TqzSpinEditValueType GetValueType();
    void SetValueType(TqzSpinEditValueType value);
    bool IsValueTypeStored() { return GetSpinAssignedValues()->GetValueType(); }
    TqzSpinEditPropertiesValues* GetSpinAssignedValues() {
        return static_cast<TqzSpinEditPropertiesValues*>(TqzCustomEditProperties::GetAssignedValues());
    }
    void SetSpinAssignedValues(TqzSpinEditPropertiesValues* value) {
        TqzCustomEditProperties::SetAssignedValues(value);
    }

    TqzSpinEditGetValueEvent OnGetValue;

private:
    std::unique_ptr<TqzSpinEditButtons> FSpinButtons;
    bool FCanEdit = true;
    bool FCircular = false;
    double FIncrement = 1.0;
    double FLargeIncrement = 10.0;
    bool FExceptionOnInvalidInput = false;
    bool FUseCtrlIncrement = false;
    TqzSpinEditValueType FValueType = vtFloat;
    bool FChangingButtons = false;
};

class TqzSpinEditProperties : public TqzCustomSpinEditProperties {
    KOV_CLASS(TqzSpinEditProperties, TqzCustomSpinEditProperties)
public:
    using TqzCustomSpinEditProperties::TqzCustomSpinEditProperties;
};

// ---- View data and view info -----------------------------------------------------------------

// Places the spin buttons by position and gives them the native spin theme when in use.
class TqzSpinEditViewData : public TqzCustomTextEditViewData {
    KOV_CLASS(TqzSpinEditViewData, TqzCustomTextEditViewData)
public:
    using TqzCustomTextEditViewData::TqzCustomTextEditViewData;
    static TqzCustomEditViewData* CreateInstance(TqzCustomEditProperties* properties,
                                                 TqzCustomEditStyle* style, bool isInplace);

    void CalculateButtonBounds(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& r,
                               Integer index) override;
    void CalculateButtonViewInfo(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& r,
                                 Integer index) override;
    bool CanPressButton(TqzCustomEditViewInfo* viewInfo, Integer index) override;
    bool IsButtonPressed(TqzCustomEditViewInfo* viewInfo, Integer index) override;
    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void CalculateButtonNativeInfo(TqzEditButtonViewInfo* buttonViewInfo) override {}

    // The editor's key-pressed button (0 none), read through the editor when there is one.
    Integer GetKeyPressedButton();
    Integer KeyPressedButton = 0;

private:
    void PlaceButtons(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect r);
};

// Paints the spin buttons' frames and arrows in every button style.
class TqzSpinEditViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzSpinEditViewInfo, TqzCustomTextEditViewInfo)
public:
    TqzSpinEditViewInfo() = default;
    static TqzContainerViewInfo* CreateInstance();

    void PaintBackground(TqzCanvas* canvas) override;
    void CopyFrom(TqzContainerViewInfo* source) override;
    void MoveBy(Integer dx, Integer dy) override;
    void DrawButtonFrame(TqzCanvas* canvas, Integer index, const TRect& rect,
                         TqzEditButtonStyle style) override;
    void DrawButtonContent(TqzCanvas* canvas, Integer index, TColor faceColor, TColor contentColor,
                           const TRect& content, const TRect& outer) override;

    Integer ArrowSize = 0;
    TqzSpinEditButtonsPosition ButtonsPosition = sbpVert;
    // The native separator line; all zero when there is none.
    TPoint DelimiterLine[2] = {};

private:
    void DrawHotFlatFrame(TqzCanvas* canvas, Integer index, const TRect& rect);
    void DrawUltraFlatFrame(TqzCanvas* canvas, Integer index, const TRect& rect, bool office);
};

// ---- The editor ------------------------------------------------------------------------------

class TqzCustomSpinEdit : public TqzCustomMaskEdit {
    KOV_CLASS(TqzCustomSpinEdit, TqzCustomMaskEdit)
public:
    explicit TqzCustomSpinEdit(TComponent* owner);
    TqzCustomSpinEdit(TComponent* owner, bool isInplace);
    ~TqzCustomSpinEdit() override;

    // ---- Overrides ----
    TClass GetPropertiesClass() override { return TqzCustomSpinEditProperties::StaticClass(); }
    void Initialize() override;
    TqzContainerStyleValues GetHiddenStyleValues() override { return TqzContainerStyleValues{12}; }
    bool AcceptsChar(char32_t ch) override;
    void HandleEditKeyPress(char32_t& ch) override;
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    void HandleEditKeyUp(Word& key, TShiftState shift) override;
    void CutToClipboard() override;
    void PasteFromClipboard() override;
    void HandleContentChange(TObject* sender) override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    void SynchronizeDisplayValue() override;
    void RefreshEditValueFromDisplay() override;
    void ApplyActiveProperties(TObject* properties) override;
    void ClampValueToBounds() override;
    void HandleButtonPress(Integer index) override;
    bool UpdateViewState(const TPoint& point, Integer button, TShiftState shift, bool isMouseEvent) override;
    bool HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleDblClick() override;
    void HandleFocusChange() override;

    // ---- Introduced virtual operations, in slot order ----
    virtual double StepForButton(Integer index);
    virtual Variant GetValue();
    virtual String ValueToDisplayText(const Variant& value);
    virtual void SetValue(const Variant& value);
    // One step; true when the text changed.
    virtual bool SpinByButton(Integer index);

    // The new value of a step of the button; false when there is none.
    bool CalcSpinValue(Integer index, Variant& value);
    // value + step inside the effective bounds, clamped or wrapped by the out-of-range mode.
    bool AddStep(Variant& value, double step);
    // The step that takes value to the minimum (false) or maximum (true) bound.
    Variant StepLimit(const Variant& value, bool maximum);
    // The display text as a value; with raise the failures raise.
    bool TextToValueChecked(const String& text, bool raise, String& errorText, Variant& value);
    void StopSpinning();
    void SetKeyPressedButton(Integer value);
    Integer GetKeyPressedButton() const { return FKeyPressedButton; }
    bool IsTypedText() const { return FTypedText; }
    const Variant& GetInternalValue() const { return FInternalValue; }
    TqzTimer* GetRepeatTimer() const { return FRepeatTimer; }

    TqzCustomSpinEditProperties* GetSpinProperties() const {
        return static_cast<TqzCustomSpinEditProperties*>(GetProperties());
    }
    // The properties in use (a repository item's or the own ones).
    TqzCustomSpinEditProperties* GetActiveSpinProperties();
    bool IsValueStored();

protected:
    TqzCustomSpinEdit(TComponent* owner, bool isInplace, bool deferInitialization);

private:
    void RepeatTimerFired(TObject* sender);
    bool HasGetValueHandler();
    void RecalculateAtCursor();

    Variant FInternalValue;
    bool FTypedText = false;
    bool FTypedKey = false;
    Integer FKeyPressedButton = 0;
    TqzTimer* FRepeatTimer = nullptr;
};

class TqzSpinEdit : public TqzCustomSpinEdit {
    KOV_CLASS(TqzSpinEdit, TqzCustomSpinEdit)
public:
    explicit TqzSpinEdit(TComponent* owner);
    TqzSpinEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzSpinEditProperties::StaticClass(); }
    TqzSpinEditProperties* GetProperties() const {
        return static_cast<TqzSpinEditProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzSpinEditProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};
