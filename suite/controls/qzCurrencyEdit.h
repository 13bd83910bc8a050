// The currency editor: a text editor for one decimal number. Typed characters are filtered so
// that the text always stays a number with at most DecimalPlaces decimals; the number is shown
// through a display format when the editor is not focused, a null value can show as a fixed
// text, and Value offers the number as a double clamped to the bounds when written.
#pragma once

#include "suite/editors/qzTextEdit.h"

class TqzCustomCurrencyEditProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TqzCustomCurrencyEditProperties, TqzCustomTextEditProperties)
public:
    explicit TqzCustomCurrencyEditProperties(TPersistent* owner);

    // The text settings, DecimalPlaces, Nullable, NullString and UseThousandSeparator from other
    // currency properties inside one update; anything else as the text properties do.
    void Assign(TPersistent* source) override;
    TClass GetContainerClass() const override;
    Byte GetDisplayFormatOptions() override { return 3; }
    void GetDefaultDisplayFormat(String& format) override;
    // True only when the editor is not synchronising its display and the option is on.
    bool UsesThousandSeparator(bool focused) override;
    bool IsEditValueNumeric() override { return true; }
    Integer GetEditValueSource(bool editing) override;
    bool IsEditValueValid(Variant& value, bool editing) override;
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                              TqzCustomEdit* editor) override;

    // The locale thousand separators removed, the rest parsed with the locale decimal
    // separator; 0 or a magnitude within 5E-324..1.7E308 is a number.
    bool TextToNumber(const String& text, double& value);

    Integer GetDecimalPlaces() const { return FDecimalPlaces; }
    // Written directly, without a change signal: it limits typing only.
    void SetDecimalPlaces(Integer value) { FDecimalPlaces = value; }
    bool GetNullable() const { return FNullable; }
    void SetNullable(bool value);
    const String& GetNullString() const { return FNullString; }
    void SetNullString(const String& value);
    bool GetUseThousandSeparator() const { return FUseThousandSeparator; }
    void SetUseThousandSeparator(bool value);

private:
    Integer FDecimalPlaces = 2;
    bool FNullable = true;
    String FNullString;
    bool FUseThousandSeparator = false;
};

class TqzCurrencyEditProperties : public TqzCustomCurrencyEditProperties {
    KOV_CLASS(TqzCurrencyEditProperties, TqzCustomCurrencyEditProperties)
public:
    using TqzCustomCurrencyEditProperties::TqzCustomCurrencyEditProperties;
};

class TqzCustomCurrencyEdit : public TqzCustomTextEdit {
    KOV_CLASS(TqzCustomCurrencyEdit, TqzCustomTextEdit)
public:
    explicit TqzCustomCurrencyEdit(TComponent* owner);
    TqzCustomCurrencyEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzCustomCurrencyEditProperties::StaticClass(); }
    void Initialize() override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    bool AcceptsChar(char32_t ch) override;
    void HandleEditKeyPress(char32_t& ch) override;
    void PasteFromClipboard() override;
    void ApplyActiveProperties(TObject* properties) override;

    TqzCustomCurrencyEditProperties* GetCurrencyProperties() const {
        return static_cast<TqzCustomCurrencyEditProperties*>(GetProperties());
    }
    // The properties in use (a repository item's or the own ones).
    TqzCustomCurrencyEditProperties* GetActiveCurrencyProperties();

    // 0 for a null value or a text that is no currency, else the edit value as a number.
    double GetValue();
    // Clamped to the bounds that apply, then set as the user sets it.
    void SetValue(double value);

protected:
    TqzCustomCurrencyEdit(TComponent* owner, bool isInplace, bool deferInitialization);
};

class TqzCurrencyEdit : public TqzCustomCurrencyEdit {
    KOV_CLASS(TqzCurrencyEdit, TqzCustomCurrencyEdit)
public:
    explicit TqzCurrencyEdit(TComponent* owner);
    TqzCurrencyEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzCurrencyEditProperties::StaticClass(); }
    TqzCurrencyEditProperties* GetCurrencyEditProperties() const {
        return static_cast<TqzCurrencyEditProperties*>(GetProperties());
    }
    void SetCurrencyEditProperties(TqzCurrencyEditProperties* value) { GetProperties()->Assign(value); }
};
