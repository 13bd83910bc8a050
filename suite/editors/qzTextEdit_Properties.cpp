#include <cmath>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "suite/editors/qzTextEdit.h"
#include "suite/foundation/qzVariants.h"

namespace {

struct TTextEditPropertiesTypes {
    TTextEditPropertiesTypes() {
        RegisterEnum<TqzTextEditingStyle>("TqzTextEditingStyle",
                                          {"FreeText", "RestrictedText", "FixedList", "NoEdit"});
        RegisterEnum<TqzEditEchoMode>("TqzEditEchoMode", {"eemNormal", "eemPassword"});
        RegisterEnum<TqzTextEditViewStyle>(
            "TqzTextEditViewStyle", {"vsNormal", "vsHideCursor", "vsButtonsOnly", "vsButtonsAutoWidth"});
        RegisterTypeName<TqzNewLookupDisplayTextEvent>("TqzNewLookupDisplayTextEvent");
        RegisterInterfacedPersistentClass<TqzCustomTextEditProperties>();
        RegisterInterfacedPersistentClass<TqzTextEditProperties>();
    }
};
const TTextEditPropertiesTypes kTextEditPropertiesTypes;

// The unit's entry in the editor properties registry; made again when the editor unit was
// restarted (its end frees the registry).
void RegisterTextEditProperties() {
    GetEditPropertiesRegistry()->Register(TqzTextEditProperties::StaticClass(),
                                          "TextEdit|Represents a single line text editor");
}
const bool kTextEditPropertiesRegistered = (RegisterTextEditProperties(), true);

// The text's ASCII letters in one case; everything else as it is.
String ConvertAsciiCase(const String& text, TEditCharCase charCase) {
    String result = text;
    for (char& c : result) {
        if (charCase == ecUpperCase && c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (charCase == ecLowerCase && c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return result;
}

String ThousandSeparatorText() { return String(1, FormatSettings.ThousandSeparator); }

} // namespace

// ---- Thousand separators ---------------------------------------------------------------------

void SplitExponent(String& text, String& exponent) {
    const std::size_t pos = text.find_first_of("eE");
    if (pos == String::npos) {
        exponent.clear();
        return;
    }
    exponent = text.substr(pos);
    text.erase(pos);
}

void RemoveThousandSeparators(String& text) {
    const String separator = ThousandSeparatorText();
    std::size_t pos;
    while ((pos = text.find(separator)) != String::npos)
        text.erase(pos, separator.size());
}

void InsertThousandSeparators(String& text) {
    std::size_t begin = 0;
    while (begin < text.size() && Byte(text[begin]) <= 32)
        ++begin;
    std::size_t end = text.size();
    while (end > begin && Byte(text[end - 1]) <= 32)
        --end;
    const String leading = text.substr(0, begin);
    const String trailing = text.substr(end);
    String number = text.substr(begin, end - begin);
    String exponent;
    SplitExponent(number, exponent);
    RemoveThousandSeparators(number);
    std::size_t integerEnd = number.find(FormatSettings.DecimalSeparator);
    if (integerEnd == String::npos) integerEnd = number.size();
    const String separator = ThousandSeparatorText();
    // Counted in characters from the right end of the integer part; never before its first
    // digit, so a sign keeps its digit.
    std::size_t firstDigit = 0;
    while (firstDigit < integerEnd && !(number[firstDigit] >= '0' && number[firstDigit] <= '9'))
        ++firstDigit;
    Integer count = 0;
    std::size_t pos = integerEnd;
    while (pos > firstDigit) {
        pos = Utf8Prev(number, pos);
        ++count;
        if (count % 3 == 0 && pos > firstDigit) number.insert(pos, separator);
    }
    text = leading + number + exponent + trailing;
}

// ---- Assigned values -------------------------------------------------------------------------

TqzCustomTextEditProperties* TqzTextEditPropertiesValues::TextOwner() const {
    return dynamic_cast<TqzCustomTextEditProperties*>(GetProperties());
}

void TqzTextEditPropertiesValues::SetFlag(bool& flag, bool value) {
    if (flag == value) return;
    flag = value;
    Changed();
}

void TqzTextEditPropertiesValues::SetDisplayFormat(bool value) { SetFlag(FDisplayFormat, value); }
void TqzTextEditPropertiesValues::SetEditFormat(bool value) { SetFlag(FEditFormat, value); }
void TqzTextEditPropertiesValues::SetMaxValue(bool value) { SetFlag(FMaxValue, value); }
void TqzTextEditPropertiesValues::SetMinValue(bool value) { SetFlag(FMinValue, value); }

void TqzTextEditPropertiesValues::SetMaxLength(bool value) {
    if (FMaxLength == value) return;
    FMaxLength = value;
    if (TqzCustomTextEditProperties* owner = TextOwner()) owner->MaxLengthChanged();
}

void TqzTextEditPropertiesValues::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzTextEditPropertiesValues*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetDisplayFormat(other->FDisplayFormat);
        SetEditFormat(other->FEditFormat);
        SetMaxLength(other->FMaxLength);
        SetMaxValue(other->FMaxValue);
        SetMinValue(other->FMinValue);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzTextEditPropertiesValues::ResetAssignedValues() {
    BeginUpdate();
    try {
        inherited::ResetAssignedValues();
        SetDisplayFormat(false);
        SetEditFormat(false);
        SetMaxLength(false);
        SetMaxValue(false);
        SetMinValue(false);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool TqzTextEditPropertiesValues::IsDisplayFormatStored() const {
    TqzCustomTextEditProperties* owner = TextOwner();
    return FDisplayFormat && owner && owner->GetDisplayFormat().empty() && OwnerHasProperty("DisplayFormat");
}

bool TqzTextEditPropertiesValues::IsEditFormatStored() const {
    TqzCustomTextEditProperties* owner = TextOwner();
    return FEditFormat && owner && owner->GetEditFormat().empty() && OwnerHasProperty("EditFormat");
}

bool TqzTextEditPropertiesValues::IsMaxValueStored() const {
    TqzCustomTextEditProperties* owner = TextOwner();
    return FMaxValue && owner && owner->GetMaxValue() == 0 && OwnerHasProperty("MaxValue");
}

bool TqzTextEditPropertiesValues::IsMinValueStored() const {
    TqzCustomTextEditProperties* owner = TextOwner();
    return FMinValue && owner && owner->GetMinValue() == 0 && OwnerHasProperty("MinValue");
}

KOV_PUBLISHED(TqzTextEditPropertiesValues) {
    Property("DisplayFormat", &TqzTextEditPropertiesValues::GetDisplayFormat,
             &TqzTextEditPropertiesValues::SetDisplayFormat)
        .Stored(&TqzTextEditPropertiesValues::IsDisplayFormatStored);
    Property("EditFormat", &TqzTextEditPropertiesValues::GetEditFormat,
             &TqzTextEditPropertiesValues::SetEditFormat)
        .Stored(&TqzTextEditPropertiesValues::IsEditFormatStored);
    Property("MaxLength", &TqzTextEditPropertiesValues::GetMaxLength,
             &TqzTextEditPropertiesValues::SetMaxLength)
        .Stored(false);
    Property("MaxValue", &TqzTextEditPropertiesValues::GetMaxValue, &TqzTextEditPropertiesValues::SetMaxValue)
        .Stored(&TqzTextEditPropertiesValues::IsMaxValueStored);
    Property("MinValue", &TqzTextEditPropertiesValues::GetMinValue, &TqzTextEditPropertiesValues::SetMinValue)
        .Stored(&TqzTextEditPropertiesValues::IsMinValueStored);
}

// ---- Properties ------------------------------------------------------------------------------

TqzCustomTextEditProperties::TqzCustomTextEditProperties(TPersistent* owner)
    : TqzCustomEditProperties(owner), FLookupItems(std::make_unique<TStringList>()) {
    FLookupItems->OnChange = MakeEvent(this, &TqzCustomTextEditProperties::LookupItemsChanged);
    GetFormatController()->AddListener(this);
    RegisterTextEditProperties();
}

TqzCustomTextEditProperties::~TqzCustomTextEditProperties() {
    GetFormatController()->RemoveListener(this);
    FLookupItems.reset();
}

TClass TqzCustomTextEditProperties::GetAssignedValuesClass() const {
    return TqzTextEditPropertiesValues::StaticClass();
}

void TqzCustomTextEditProperties::LookupItemsChanged(TObject*) { Changed(); }

void TqzCustomTextEditProperties::ReadIsDisplayFormatAssigned(TReader* reader) {
    GetAssignedValues()->SetDisplayFormat(reader->ReadBoolean());
}

void TqzCustomTextEditProperties::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineProperty(
        "IsDisplayFormatAssigned", [this](TReader* reader) { ReadIsDisplayFormatAssigned(reader); }, nullptr,
        false);
}

void TqzCustomTextEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomTextEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetCharCase(other->GetCharCase());
        SetEchoMode(other->GetEchoMode());
        SetFixedListPrefixSearch(other->GetFixedListPrefixSearch());
        SetHideCursor(other->GetHideCursor());
        SetHideSelection(other->GetHideSelection());
        ImmediateUpdateText = other->ImmediateUpdateText;
        SetIncrementalSearch(other->GetIncrementalSearch());
        SetMostRecentListMode(other->GetMostRecentListMode());
        SetLookupItemsSorted(false);
        FLookupItems->Assign(other->GetLookupItems());
        SetLookupItemsSorted(other->GetLookupItemsSorted());
        TqzTextEditPropertiesValues* values = GetAssignedValues();
        TqzTextEditPropertiesValues* otherValues = other->GetAssignedValues();
        values->SetDisplayFormat(false);
        if (otherValues->GetDisplayFormat()) SetDisplayFormat(other->GetDisplayFormat());
        values->SetEditFormat(false);
        if (otherValues->GetEditFormat()) SetEditFormat(other->GetEditFormat());
        values->SetMaxLength(false);
        if (otherValues->GetMaxLength()) SetMaxLength(other->GetMaxLength());
        values->SetMaxValue(false);
        if (otherValues->GetMaxValue()) SetMaxValue(other->GetMaxValue());
        values->SetMinValue(false);
        if (otherValues->GetMinValue()) SetMinValue(other->GetMinValue());
        SetOEMConvert(other->GetOEMConvert());
        SetImeMode(other->GetImeMode());
        SetImeName(other->GetImeName());
        SetPasswordChar(other->GetPasswordChar());
        SetUseDisplayFormatWhenEditing(other->GetUseDisplayFormatWhenEditing());
        OnNewLookupDisplayText = other->OnNewLookupDisplayText;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCustomTextEditProperties::AlignmentChanged(TObject* sender) { inherited::AlignmentChanged(sender); }

void TqzCustomTextEditProperties::SetAlignment(TqzEditAlignment* value) { inherited::SetAlignment(value); }

void TqzCustomTextEditProperties::GetDefaultValidationErrorText(String& text) {
    inherited::GetDefaultValidationErrorText(text);
}

void TqzCustomTextEditProperties::GetDefaultValidationErrorText(Integer errorKind, String& text) {
    if (errorKind == 1)
        text = LocalizeSuiteText("Value out of bounds");
    else
        GetDefaultValidationErrorText(text);
}

void TqzCustomTextEditProperties::FormatChanged() {
    FLocaleFormatsChanging = true;
    try {
        Changed();
    } catch (...) {
        FLocaleFormatsChanging = false;
        throw;
    }
    FLocaleFormatsChanging = false;
}

// -- Display --

void TqzCustomTextEditProperties::ApplyEchoModeAndCharCase(String& text) {
    if (FEchoMode == eemPassword) {
        const Integer length = Utf8Length(text);
        text.assign(std::size_t(length), FPasswordChar == 0 ? '*' : FPasswordChar);
        return;
    }
    if (FCharCase != ecNormal) text = ConvertAsciiCase(text, FCharCase);
}

bool TqzCustomTextEditProperties::IsTextValueValid(Variant& value, bool) {
    const String text = VarToStr(value);
    bool valid = true;
    const TqzTextEditingStyle style = GetEditingStyle();
    if (!text.empty() && (style == RestrictedText || style == FixedList) && UsesLookupData())
        valid = IsLookupText(text);
    if (valid) value = ConvertAsciiCase(text, FCharCase);
    return valid;
}

bool TqzCustomTextEditProperties::IsEditValueValid(Variant& value, bool editing) {
    if (!inherited::IsEditValueValid(value, editing)) return false;
    if (VarIsNull(value) || !VarIsStr(value)) return true;
    return IsTextValueValid(value, editing);
}

bool TqzCustomTextEditProperties::IsLookupText(const String& text) {
    for (Integer i = 0; i < FLookupItems->GetCount(); ++i)
        if (AnsiSameText(FLookupItems->GetStrings(i), text)) return true;
    return false;
}

Variant TqzCustomTextEditProperties::ConvertEditValueToDisplay(const Variant& editValue, bool editing) {
    Variant copy = editValue;
    Variant display;
    if (IsEditValueValid(copy, editing))
        PrepareDisplayValue(copy, display, editing);
    else if (VarType(editValue) == varDate)
        display = DateTimeToStr(VarToDateTime(editValue));
    else
        display = VarToStr(editValue);
    return display;
}

WideString TqzCustomTextEditProperties::GetDisplayTextWide(const Variant& editValue) {
    String text = VarToStr(ConvertEditValueToDisplay(editValue, false));
    ApplyEchoModeAndCharCase(text);
    return StringToWide(text);
}

bool TqzCustomTextEditProperties::AreDisplayValuesEqual(const Variant& v1, const Variant& v2) {
    return GetDisplayTextWide(v1) == GetDisplayTextWide(v2);
}

void TqzCustomTextEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue,
                                                      bool editing) {
    if (!IsEditValueNumeric()) {
        displayValue = VarToStr(editValue);
        return;
    }
    if (VarIsNull(editValue) || VarIsEmpty(editValue) ||
        (VarIsStr(editValue) && VarToStr(editValue).empty())) {
        displayValue = String();
        return;
    }
    if (VarIsNumeric(editValue) || VarIsStr(editValue)) {
        displayValue = FormatNumericDisplayValue(editValue, editing);
        return;
    }
    throw EConvertError(LocalizeSuiteText("Could not convert to numeric value"));
}

String TqzCustomTextEditProperties::FormatNumericDisplayValue(const Variant& value, bool editing) {
    if (!editing) {
        const String format = GetDisplayFormat();
        String text = format.empty() ? VarToStr(value) : FormatFloat(format, value.AsExtended());
        if (UsesThousandSeparator(false) && text.find(ThousandSeparatorText()) == String::npos)
            InsertThousandSeparators(text);
        return text;
    }
    bool currency = false, sourceFormat = false;
    String format;
    CalculateEditFormat(currency, sourceFormat, format, nullptr);
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    const Integer precision = provider ? provider->GetDefaultDecimalPrecision() : 15;
    String text = VarToStr(value);
    TBcd bcd;
    if (currency) {
        if (TryStrToBcd(text, bcd))
            text = BcdToStrF(bcd, ffFixed, precision, FormatSettings.CurrencyDecimals);
        return text;
    }
    if (!format.empty()) return FormatFloat(format, value.AsExtended());
    if (TryStrToBcd(text, bcd)) text = BcdToStrF(bcd, ffGeneral, precision, 0);
    if (UsesThousandSeparator(true)) InsertThousandSeparators(text);
    return text;
}

Integer TqzCustomTextEditProperties::GetSupportedOperations() {
    return inherited::GetSupportedOperations() | 0x85E;
}

TqzCustomEditViewDataClass TqzCustomTextEditProperties::GetViewDataClass() const {
    return &TqzCustomTextEditViewData::CreateInstance;
}

TqzCustomEditViewInfoClass TqzCustomTextEditProperties::GetViewInfoClass() const {
    return &TqzCustomTextEditViewInfo::CreateInstance;
}

TClass TqzCustomTextEditProperties::GetContainerClass() const { return TqzTextEdit::StaticClass(); }

TClass TqzCustomTextEditProperties::GetLookupDataClass() const {
    return TqzCustomTextEditLookupData::StaticClass();
}

// -- Formats --

void TqzCustomTextEditProperties::CalculateEditFormat(bool& currency, bool& sourceFormat, String& format,
                                                      TqzCustomEdit* editor) {
    currency = false;
    sourceFormat = false;
    format.clear();
    if (GetAssignedValues()->GetEditFormat()) {
        format = FEditFormat;
        return;
    }
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    const bool notInPlace = editor == nullptr || !editor->IsInplace();
    if (notInPlace && provider && provider->HasImplicitDisplayFormat()) {
        sourceFormat = true;
        return;
    }
    if (provider && !provider->GetDefaultEditFormat().empty()) {
        format = provider->GetDefaultEditFormat();
        return;
    }
    if (GetAssignedValues()->GetDisplayFormat()) {
        format = FDisplayFormat;
    } else if (provider) {
        format = provider->GetDefaultDisplayFormat();
        if (format.empty())
            currency =
                (GetDisplayFormatOptions() & qzdfoNoCurrencyValue) == 0 && provider->IsCurrencyValueSource();
    }
    if (!FUseDisplayFormatWhenEditing) format.clear();
}

String TqzCustomTextEditProperties::GetDisplayFormat() {
    if (GetAssignedValues()->GetDisplayFormat()) return FDisplayFormat;
    if (IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider()) {
        const String format = provider->GetDefaultDisplayFormat();
        if (!format.empty()) return format;
    }
    String format;
    GetDefaultDisplayFormat(format);
    return format;
}

void TqzCustomTextEditProperties::SetDisplayFormat(const String& value) {
    TqzTextEditPropertiesValues* values = GetAssignedValues();
    if (values->GetDisplayFormat() && FDisplayFormat == value) return;
    BeginUpdate();
    values->SetDisplayFormat(true);
    FDisplayFormat = value;
    EndUpdate(false);
    Changed();
}

String TqzCustomTextEditProperties::GetEditFormat() {
    bool currency = false, sourceFormat = false;
    String format;
    CalculateEditFormat(currency, sourceFormat, format, nullptr);
    return format;
}

void TqzCustomTextEditProperties::SetEditFormat(const String& value) {
    TqzTextEditPropertiesValues* values = GetAssignedValues();
    if (values->GetEditFormat() && FEditFormat == value) return;
    BeginUpdate();
    values->SetEditFormat(true);
    FEditFormat = value;
    EndUpdate(false);
    Changed();
}

// -- Length and bounds --

Integer TqzCustomTextEditProperties::GetDefaultMaxLength() {
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    return provider ? provider->GetDefaultMaxLength() : 0;
}

Integer TqzCustomTextEditProperties::GetMaxLength() {
    return GetAssignedValues()->GetMaxLength() ? FMaxLength : GetDefaultMaxLength();
}

void TqzCustomTextEditProperties::SetMaxLength(Integer value) {
    if (value < 0) value = 0;
    TqzTextEditPropertiesValues* values = GetAssignedValues();
    if (values->GetMaxLength() && FMaxLength == value) return;
    BeginUpdate();
    values->SetMaxLength(true);
    FMaxLength = value;
    EndUpdate(false);
    MaxLengthChanged();
}

double TqzCustomTextEditProperties::GetMaxValue() {
    if (GetAssignedValues()->GetMaxValue()) return FMaxValue;
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    return provider ? double(provider->GetDefaultMaxValue()) : 0.0;
}

void TqzCustomTextEditProperties::SetMaxValue(double value) {
    TqzTextEditPropertiesValues* values = GetAssignedValues();
    if (values->GetMaxValue() && FMaxValue == value) return;
    BeginUpdate();
    values->SetMaxValue(true);
    FMaxValue = value;
    EndUpdate(false);
    Changed();
}

double TqzCustomTextEditProperties::GetMinValue() {
    if (GetAssignedValues()->GetMinValue()) return FMinValue;
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    return provider ? double(provider->GetDefaultMinValue()) : 0.0;
}

void TqzCustomTextEditProperties::SetMinValue(double value) {
    TqzTextEditPropertiesValues* values = GetAssignedValues();
    if (values->GetMinValue() && FMinValue == value) return;
    BeginUpdate();
    values->SetMinValue(true);
    FMinValue = value;
    EndUpdate(false);
    Changed();
}

bool TqzCustomTextEditProperties::HasSingleValueBound() {
    TqzTextEditPropertiesValues* values = GetAssignedValues();
    return values->GetMinValue() != values->GetMaxValue();
}

bool TqzCustomTextEditProperties::IsValueBoundDefined(Integer which) {
    const double maxValue = GetMaxValue(), minValue = GetMinValue();
    if (maxValue > minValue) return true;
    if (maxValue == minValue) return false;
    if (!HasSingleValueBound()) return false;
    TqzTextEditPropertiesValues* values = GetAssignedValues();
    return which == 0 ? values->GetMinValue() : values->GetMaxValue();
}

bool TqzCustomTextEditProperties::IsValueBoundsDefined() {
    const double maxValue = GetMaxValue(), minValue = GetMinValue();
    return maxValue > minValue || (maxValue < minValue && HasSingleValueBound());
}

void TqzCustomTextEditProperties::ValidateValueBounds(const Variant& displayValue, String& errorText,
                                                      TqzCustomEdit* editor, bool& error) {
    Variant value = displayValue;
    if (editor) {
        bool isValid = true;
        editor->DisplayToEditValue(displayValue, value, isValid);
    }
    if (!IsVariantNumeric(value) && !IsVariantDate(value)) return;
    const bool below = IsValueBoundDefined(0) && CompareVariantValues(value, Variant(GetMinValue())) < 0;
    const bool above = IsValueBoundDefined(1) && CompareVariantValues(value, Variant(GetMaxValue())) > 0;
    if (below || above) {
        error = true;
        GetDefaultValidationErrorText(1, errorText);
    }
}

void TqzCustomTextEditProperties::ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                                                       TqzCustomEdit* editor) {
    if (IsEditValueNumeric() && IsValueBoundsDefined())
        ValidateValueBounds(displayValue, errorText, editor, error);
    inherited::ValidateDisplayValue(displayValue, errorText, error, editor);
}

// -- Plain settings --

void TqzCustomTextEditProperties::SetCharCase(TEditCharCase value) {
    if (FCharCase == value) return;
    FCharCase = value;
    Changed();
}

void TqzCustomTextEditProperties::SetEchoMode(TqzEditEchoMode value) {
    if (FEchoMode == value) return;
    FEchoMode = value;
    Changed();
}

void TqzCustomTextEditProperties::SetFixedListPrefixSearch(bool value) {
    if (FFixedListPrefixSearch == value) return;
    FFixedListPrefixSearch = value;
    if (GetEditingStyle() == FixedList) Changed();
}

void TqzCustomTextEditProperties::SetHideCursor(bool value) {
    if (FHideCursor == value) return;
    FHideCursor = value;
    Changed();
}

void TqzCustomTextEditProperties::SetHideSelection(bool value) {
    if (FHideSelection == value) return;
    FHideSelection = value;
    Changed();
}

void TqzCustomTextEditProperties::SetImeMode(TImeMode value) {
    if (FImeMode == value) return;
    FImeMode = value;
    Changed();
}

void TqzCustomTextEditProperties::SetImeName(const TImeName& value) {
    if (FImeName == value) return;
    FImeName = value;
    Changed();
}

void TqzCustomTextEditProperties::SetIncrementalSearch(bool value) {
    if (FIncrementalSearch == value) return;
    FIncrementalSearch = value;
    Changed();
}

void TqzCustomTextEditProperties::SetLookupItems(TStrings* value) { FLookupItems->Assign(value); }

void TqzCustomTextEditProperties::SetMostRecentListMode(bool value) {
    if (FMostRecentListMode == value) return;
    FMostRecentListMode = value;
    Changed();
}

void TqzCustomTextEditProperties::SetOEMConvert(bool value) {
    if (FOEMConvert == value) return;
    FOEMConvert = value;
    Changed();
}

void TqzCustomTextEditProperties::SetPasswordChar(char value) {
    if (FPasswordChar == value) return;
    FPasswordChar = value;
    Changed();
}

void TqzCustomTextEditProperties::SetUseDisplayFormatWhenEditing(bool value) {
    if (FUseDisplayFormatWhenEditing == value) return;
    FUseDisplayFormatWhenEditing = value;
    Changed();
}

TqzTextEditViewStyle TqzCustomTextEditProperties::GetViewStyle() {
    switch (GetButtonsLayout()) {
    case 1:
        return vsButtonsOnly;
    case 2:
        return vsButtonsAutoWidth;
    default:
        return FHideCursor ? vsHideCursor : vsNormal;
    }
}

void TqzCustomTextEditProperties::SetViewStyle(TqzTextEditViewStyle value) {
    if (value == GetViewStyle()) return;
    BeginUpdate();
    try {
        SetButtonsLayout(value == vsButtonsOnly ? 1 : value == vsButtonsAutoWidth ? 2 : 0);
        SetHideCursor(value != vsNormal);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

KOV_PUBLISHED(TqzCustomTextEditProperties) {}

KOV_PUBLISHED(TqzTextEditProperties) {
    Property("AssignedValues", &TqzTextEditProperties::GetAssignedValues,
             &TqzTextEditProperties::SetAssignedValues);
    Property("CharCase", &TqzTextEditProperties::GetCharCase, &TqzTextEditProperties::SetCharCase)
        .Default(ecNormal);
    Property("EchoMode", &TqzTextEditProperties::GetEchoMode, &TqzTextEditProperties::SetEchoMode)
        .Default(eemNormal);
    Property("HideSelection", &TqzTextEditProperties::GetHideSelection,
             &TqzTextEditProperties::SetHideSelection)
        .Default(true);
    Property("ImeMode", &TqzTextEditProperties::GetImeMode, &TqzTextEditProperties::SetImeMode)
        .Default(imDontCare);
    Property("ImeName", &TqzTextEditProperties::GetImeName, &TqzTextEditProperties::SetImeName)
        .TypeName("TImeName");
    Property("IncrementalSearch", &TqzTextEditProperties::GetIncrementalSearch,
             &TqzTextEditProperties::SetIncrementalSearch)
        .Default(true);
    Property("LookupItems", &TqzTextEditProperties::GetLookupItems, &TqzTextEditProperties::SetLookupItems);
    Property("LookupItemsSorted", &TqzTextEditProperties::GetLookupItemsSorted,
             &TqzTextEditProperties::SetLookupItemsSorted)
        .Default(false);
    Property("MaxLength", &TqzTextEditProperties::GetMaxLength, &TqzTextEditProperties::SetMaxLength)
        .Stored(&TqzTextEditProperties::IsMaxLengthStored);
    Property("OEMConvert", &TqzTextEditProperties::GetOEMConvert, &TqzTextEditProperties::SetOEMConvert)
        .Default(false);
    Property("PasswordChar", &TqzTextEditProperties::GetPasswordChar, &TqzTextEditProperties::SetPasswordChar)
        .Default(char(0));
    Property("OnNewLookupDisplayText", &TqzTextEditProperties::OnNewLookupDisplayText);
}
