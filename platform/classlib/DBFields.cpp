// Fields, the list of a data set's fields, and field definitions.
#include <cmath>
#include <limits>

#include "platform/classlib/DB.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

bool IsNullValue(const Variant& value) { return VarIsNull(value) || VarIsEmpty(value); }

// At most `count` characters of UTF-8 text, never splitting one.
String TruncateChars(const String& text, Integer count) {
    std::size_t index = 0;
    for (Integer i = 0; i < count && index < text.size(); ++i)
        index = Utf8Next(text, index);
    return text.substr(0, index);
}

// At most `count` UTF-16 units, never splitting a surrogate pair.
WideString TruncateUnits(const WideString& text, Integer count) {
    if (count < 0 || std::size_t(count) >= text.size()) return text;
    std::size_t end = std::size_t(count);
    if (end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) --end;
    return text.substr(0, end);
}

} // namespace

// ---- Field classes by type ------------------------------------------------------------------------

TClass DefaultFieldClass(TFieldType type) {
    switch (type) {
    case ftString:
    case ftFixedChar:
        return TStringField::StaticClass();
    case ftSmallint:
        return TSmallintField::StaticClass();
    case ftInteger:
        return TIntegerField::StaticClass();
    case ftWord:
        return TWordField::StaticClass();
    case ftBoolean:
        return TBooleanField::StaticClass();
    case ftFloat:
        return TFloatField::StaticClass();
    case ftCurrency:
        return TCurrencyField::StaticClass();
    case ftBCD:
        return TBCDField::StaticClass();
    case ftDate:
        return TDateField::StaticClass();
    case ftTime:
        return TTimeField::StaticClass();
    case ftDateTime:
        return TDateTimeField::StaticClass();
    case ftBytes:
        return TBytesField::StaticClass();
    case ftVarBytes:
        return TVarBytesField::StaticClass();
    case ftAutoInc:
        return TAutoIncField::StaticClass();
    case ftBlob:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
        return TBlobField::StaticClass();
    case ftMemo:
    case ftOraClob:
        return TMemoField::StaticClass();
    case ftGraphic:
        return TGraphicField::StaticClass();
    case ftWideString:
        return TWideStringField::StaticClass();
    case ftLargeint:
        return TLargeintField::StaticClass();
    case ftVariant:
        return TVariantField::StaticClass();
    case ftTimeStamp:
        return TSQLTimeStampField::StaticClass();
    case ftFMTBcd:
        return TFMTBCDField::StaticClass();
    default:
        return nullptr;
    }
}

// ---- TFieldDef / TFieldDefs --------------------------------------------------------------------------

TFieldDef::TFieldDef(TCollection* collection) : TCollectionItem(collection) {}

TFieldDef::TFieldDef(TFieldDefs* owner, const String& name, TFieldType dataType, Integer size, bool required,
                     Integer fieldNo)
    : TCollectionItem(owner) {
    FName = name;
    FDataType = dataType;
    FSize = size;
    if (required) FAttributes.Include(faRequired);
    if (fieldNo > 0 && fieldNo - 1 != GetIndex() && fieldNo - 1 < owner->GetCount()) SetIndex(fieldNo - 1);
}

void TFieldDef::Assign(TPersistent* source) {
    if (auto* def = dynamic_cast<TFieldDef*>(source)) {
        FName = def->FName;
        FDataType = def->FDataType;
        FSize = def->FSize;
        FPrecision = def->FPrecision;
        FAttributes = def->FAttributes;
        Changed(false);
        return;
    }
    inherited::Assign(source);
}

TFieldDefs* TFieldDef::GetFieldDefs() const { return static_cast<TFieldDefs*>(GetCollection()); }

void TFieldDef::SetName(const String& value) {
    FName = value;
    Changed(false);
}

void TFieldDef::SetDataType(TFieldType value) {
    FDataType = value;
    Changed(false);
}

void TFieldDef::SetSize(Integer value) {
    FSize = value;
    Changed(false);
}

void TFieldDef::SetPrecision(Integer value) {
    FPrecision = value;
    Changed(false);
}

void TFieldDef::SetAttributes(TFieldAttributes value) {
    FAttributes = value;
    Changed(false);
}

void TFieldDef::SetRequired(bool value) {
    if (value)
        FAttributes.Include(faRequired);
    else
        FAttributes.Exclude(faRequired);
    Changed(false);
}

TField* TFieldDef::CreateField(TComponent* owner, TDataSet* dataSet) {
    TFieldDefs* defs = GetFieldDefs();
    if (dataSet == nullptr && defs != nullptr) dataSet = defs->GetDataSet();
    const TClass cls = GetFieldClass();
    if (cls == nullptr) DatabaseErrorFmt(SUnknownFieldType, {FName}, dataSet);
    auto* field = static_cast<TField*>(cls->Create(owner));
    try {
        if (FSize != 0 || dynamic_cast<TStringField*>(field) != nullptr ||
            dynamic_cast<TBinaryField*>(field) != nullptr)
            field->SetSize(FSize);
        if (FPrecision != 0) {
            if (auto* f = dynamic_cast<TFloatField*>(field)) f->SetPrecision(FPrecision);
            if (auto* f = dynamic_cast<TBCDField*>(field)) f->SetPrecision(FPrecision);
            if (auto* f = dynamic_cast<TFMTBCDField*>(field)) f->SetPrecision(FPrecision);
        }
        if (FDataType == ftFixedChar) static_cast<TStringField*>(field)->SetFixedChar(true);
        // One blob class serves several blob types (formatted memo, OLE, typed binary).
        if (auto* blob = dynamic_cast<TBlobField*>(field)) blob->SetBlobType(FDataType);
        field->SetFieldName(FName);
        field->SetRequired(GetRequired());
        field->SetReadOnly(FAttributes.Contains(faReadonly));
        if (FAttributes.Contains(faHiddenCol)) field->SetVisible(false);
        field->SetDataSet(dataSet);
    } catch (...) {
        delete field;
        throw;
    }
    return field;
}

TFieldDefs::TFieldDefs(TDataSet* owner)
    : TOwnedCollection(owner, TCollectionItemClass::Of<TFieldDef>()), FDataSet(owner) {}

TFieldDef* TFieldDefs::AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }

TFieldDef* TFieldDefs::Add(const String& name, TFieldType dataType, Integer size, bool required) {
    if (name.empty()) DatabaseError(SFieldNameMissing, FDataSet);
    if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, {name}, FDataSet);
    TFieldDef* def = AddFieldDef();
    BeginUpdate();
    def->SetName(name);
    def->SetDataType(dataType);
    def->SetSize(size);
    def->SetRequired(required);
    EndUpdate();
    return def;
}

Integer TFieldDefs::IndexOf(const String& name) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (AnsiSameText(GetItems(i)->GetName(), name)) return i;
    return -1;
}

TFieldDef* TFieldDefs::Find(const String& name) const {
    const Integer index = IndexOf(name);
    if (index < 0) DatabaseErrorFmt(SFieldNotFound, {name}, FDataSet);
    return GetItems(index);
}

void TFieldDefs::Update() {
    if (FUpdated || FDataSet == nullptr) return;
    FDataSet->InternalInitFieldDefs();
    FUpdated = true;
}

void TFieldDefs::Update(TCollectionItem* item) {
    inherited::Update(item);
    // A changed definition must be read again by the fields of the next opening.
    if (FDataSet != nullptr && !FDataSet->GetActive()) FUpdated = false;
}

// ---- TFields --------------------------------------------------------------------------------------

TFields::TFields(TDataSet* dataSet) : FDataSet(dataSet) {}

TFields::~TFields() = default;

TField* TFields::GetFields(Integer index) const {
    if (index < 0 || index >= GetCount()) DatabaseError(SFieldIndexError, FDataSet);
    return FList[std::size_t(index)];
}

Integer TFields::IndexOf(const TField* field) const {
    for (std::size_t i = 0; i < FList.size(); ++i)
        if (FList[i] == field) return Integer(i);
    return -1;
}

TField* TFields::FindField(const String& fieldName) const {
    for (TField* field : FList)
        if (AnsiSameText(field->GetFieldName(), fieldName)) return field;
    return nullptr;
}

TField* TFields::FieldByName(const String& fieldName) const {
    TField* field = FindField(fieldName);
    if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {fieldName}, FDataSet);
    return field;
}

TField* TFields::FieldByNumber(Integer fieldNo) const {
    for (TField* field : FList)
        if (field->GetFieldNo() == fieldNo) return field;
    return nullptr;
}

void TFields::GetFieldNames(TStrings* list) const {
    list->BeginUpdate();
    try {
        list->Clear();
        for (TField* field : FList)
            list->Add(field->GetFieldName());
    } catch (...) {
        list->EndUpdate();
        throw;
    }
    list->EndUpdate();
}

void TFields::Add(TField* field) {
    FList.push_back(field);
    if (FDataSet != nullptr) FDataSet->FieldAdded(field);
}

void TFields::Remove(TField* field) {
    const Integer index = IndexOf(field);
    if (index < 0) return;
    FList.erase(FList.begin() + index);
    if (FDataSet != nullptr) FDataSet->FieldRemoved(field);
}

void TFields::SetFieldIndex(TField* field, Integer value) {
    const Integer current = IndexOf(field);
    if (current < 0) return;
    value = std::max(0, std::min(value, GetCount() - 1));
    if (value == current) return;
    FList.erase(FList.begin() + current);
    FList.insert(FList.begin() + value, field);
    if (FDataSet != nullptr) {
        FDataSet->DataEvent(deFieldListChange, 0);
        if (FDataSet->GetActive()) FDataSet->DataEvent(deLayoutChange, 0);
    }
}

// ---- TField --------------------------------------------------------------------------------------

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
    if (FDataSet != nullptr) {
        if (FDataSet->GetActive()) {
            try {
                FDataSet->Close();
            } catch (...) {
                // The field goes anyway.
            }
        }
        TDataSet* dataSet = FDataSet;
        FDataSet = nullptr;
        dataSet->FFields->Remove(this);
    }
}

void TField::Assign(TPersistent* source) {
    if (auto* field = dynamic_cast<TField*>(source)) {
        SetValue(field->GetValue());
        return;
    }
    inherited::Assign(source);
}

Variant TField::GetData() const {
    if (FValidating) return FValidateValue;
    if (FDataSet == nullptr) return Null();
    return FDataSet->GetFieldValue(this);
}

void TField::SetData(const Variant& value) {
    if (FDataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, {GetDisplayName()});
    FDataSet->SetFieldValue(this, value);
}

bool TField::GetIsNull() const { return IsNullValue(GetData()); }

void TField::Clear() { SetData(Null()); }

Variant TField::GetOldValue() const {
    return FDataSet == nullptr ? Null() : FDataSet->GetStoredFieldValue(this, dsOldValue);
}

Variant TField::GetNewValue() const { return GetAsVariant(); }

Variant TField::GetCurValue() const {
    return FDataSet == nullptr ? Null() : FDataSet->GetStoredFieldValue(this, dsCurValue);
}

void TField::AccessError(const String& typeName) const {
    DatabaseErrorFmt(SFieldAccessError, {GetDisplayName(), typeName});
}

String TField::GetAsString() const { return VarToStr(GetAsVariant()); }
void TField::SetAsString(const String&) { AccessError("String"); }
WideString TField::GetAsWideString() const { return StringToWide(GetAsString()); }
void TField::SetAsWideString(const WideString& value) { SetAsString(WideToString(value)); }
Integer TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(Integer) { AccessError("Integer"); }
Int64 TField::GetAsLargeInt() const { AccessError("LargeInt"); }
void TField::SetAsLargeInt(Int64) { AccessError("LargeInt"); }
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
Currency TField::GetAsCurrency() const { return Currency(GetAsFloat()); }
void TField::SetAsCurrency(Currency value) { SetAsFloat(double(value)); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }
TBcd TField::GetAsBCD() const { AccessError("BCD"); }
void TField::SetAsBCD(const TBcd&) { AccessError("BCD"); }
TSQLTimeStamp TField::GetAsSQLTimeStamp() const { AccessError("SQLTimeStamp"); }
void TField::SetAsSQLTimeStamp(const TSQLTimeStamp&) { AccessError("SQLTimeStamp"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetAsVariant(const Variant&) { AccessError("Variant"); }

void TField::DoGetText(String& text, bool) const { text = GetAsString(); }

String TField::GetDisplayText() const {
    String text;
    if (OnGetText)
        OnGetText(const_cast<TField*>(this), text, true);
    else
        DoGetText(text, true);
    return text;
}

String TField::GetText() const {
    String text;
    if (OnGetText)
        OnGetText(const_cast<TField*>(this), text, false);
    else
        DoGetText(text, false);
    return text;
}

void TField::SetText(const String& value) {
    if (OnSetText)
        OnSetText(this, value);
    else
        SetAsString(value);
}

void TField::SetDataSet(TDataSet* value) {
    if (value == FDataSet) return;
    if (FDataSet != nullptr) FDataSet->CheckInactive();
    if (value != nullptr) {
        value->CheckInactive();
        if (!FFieldName.empty() && value->FindField(FFieldName) != nullptr)
            DatabaseErrorFmt(SDuplicateFieldName, {FFieldName}, value);
    }
    if (FDataSet != nullptr) {
        TDataSet* old = FDataSet;
        FDataSet = nullptr;
        old->FFields->Remove(this);
    }
    FDataSet = value;
    if (value != nullptr) value->FFields->Add(this);
}

void TField::SetFieldName(const String& value) {
    if (FDataSet != nullptr && !value.empty() && !AnsiSameText(value, FFieldName)) {
        FDataSet->CheckInactive();
        TField* other = FDataSet->FindField(value);
        if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateFieldName, {value}, FDataSet);
    }
    FFieldName = value;
}

void TField::SetFieldKind(TFieldKind value) {
    if (value == FFieldKind) return;
    if (FDataSet != nullptr) FDataSet->CheckInactive();
    FFieldKind = value;
}

void TField::SetCalculated(bool value) { SetFieldKind(value ? fkCalculated : fkData); }

void TField::SetLookup(bool value) { SetFieldKind(value ? fkLookup : fkData); }

Integer TField::GetIndex() const { return FDataSet == nullptr ? -1 : FDataSet->FFields->IndexOf(this); }

void TField::SetIndex(Integer value) {
    if (FDataSet != nullptr) FDataSet->FFields->SetFieldIndex(this, value);
}

void TField::CheckTypeSize(Integer value) const {
    if (value != 0 && !GetIsBlob()) DatabaseError(SInvalidFieldSize);
}

void TField::SetSize(Integer value) {
    if (FDataSet != nullptr) FDataSet->CheckInactive();
    CheckTypeSize(value);
    FSize = value;
}

String TField::GetDisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }

void TField::SetDisplayLabel(const String& value) {
    const String stored = value == FFieldName ? String() : value;
    if (stored == FDisplayLabel) return;
    FDisplayLabel = stored;
    PropertyChanged(true);
}

Integer TField::GetDisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : GetDefaultWidth(); }

void TField::SetDisplayWidth(Integer value) {
    if (value == FDisplayWidth) return;
    FDisplayWidth = value;
    PropertyChanged(true);
}

void TField::SetEditMask(const String& value) {
    FEditMask = value;
    PropertyChanged(false);
}

void TField::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    PropertyChanged(false);
}

void TField::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    PropertyChanged(true);
}

void TField::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    FReadOnly = value;
    PropertyChanged(true);
}

void TField::SetRequired(bool value) { FRequired = value; }

bool TField::GetCanModify() const {
    if (FDataSet == nullptr || FFieldNo <= 0) return false;
    return !FReadOnly && FDataSet->GetCanModify();
}

bool TField::IsValidChar(char) const { return true; }

void TField::PropertyChanged(bool layoutAffected) {
    if (FDataSet != nullptr && FDataSet->GetActive())
        FDataSet->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetLookupDataSet(TDataSet* value) {
    if (value == FLookupDataSet) return;
    if (FDataSet != nullptr) FDataSet->CheckInactive();
    if (FLookupDataSet != nullptr) FLookupDataSet->RemoveFreeNotification(this);
    FLookupDataSet = value;
    if (value != nullptr) value->FreeNotification(this);
    RefreshLookupList();
}

void TField::SetKeyFields(const String& value) {
    if (FDataSet != nullptr) FDataSet->CheckInactive();
    FKeyFields = value;
    RefreshLookupList();
}

void TField::SetLookupKeyFields(const String& value) {
    if (FDataSet != nullptr) FDataSet->CheckInactive();
    FLookupKeyFields = value;
    RefreshLookupList();
}

void TField::SetLookupResultField(const String& value) {
    if (FDataSet != nullptr) FDataSet->CheckInactive();
    FLookupResultField = value;
    RefreshLookupList();
}

void TField::SetLookupCache(bool value) {
    if (value == FLookupCache) return;
    FLookupCache = value;
    RefreshLookupList();
}

void TField::RefreshLookupList() {
    if (FLookupList) FLookupList->Clear();
}

void TField::FocusControl() {
    if (FDataSet == nullptr || !FDataSet->GetActive()) return;
    TField* field = this;
    FDataSet->DataEvent(deFocusControl, reinterpret_cast<TDataEventInfo>(&field));
}

TComponent* TField::GetParentComponent() const { return FDataSet; }

void TField::SetParentComponent(TComponent* value) { SetDataSet(dynamic_cast<TDataSet*>(value)); }

void TField::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == FLookupDataSet) {
        FLookupDataSet = nullptr;
        RefreshLookupList();
    }
}

// ---- TStringField --------------------------------------------------------------------------------

TStringField::TStringField(TComponent* owner) : TField(owner) {
    SetDataType(ftString);
    SetSize(20);
}

void TStringField::CheckTypeSize(Integer value) const {
    // A string column of no characters would silently store nothing.
    if (value < 1) DatabaseError(SInvalidFieldSize);
}

void TStringField::SetFixedChar(bool value) {
    FFixedChar = value;
    SetDataType(value ? ftFixedChar : ftString);
}

String TStringField::GetAsString() const {
    const Variant value = GetData();
    return IsNullValue(value) ? String() : VarToStr(value);
}

void TStringField::SetAsString(const String& value) { SetData(Variant(TruncateChars(value, GetSize()))); }

WideString TStringField::GetAsWideString() const { return StringToWide(GetAsString()); }

Integer TStringField::GetAsInteger() const { return StrToInt(GetAsString()); }
void TStringField::SetAsInteger(Integer value) { SetAsString(IntToStr(value)); }
Int64 TStringField::GetAsLargeInt() const { return StrToInt64(GetAsString()); }
void TStringField::SetAsLargeInt(Int64 value) { SetAsString(IntToStr(value)); }
double TStringField::GetAsFloat() const { return double(StrToFloat(GetAsString())); }
void TStringField::SetAsFloat(double value) { SetAsString(FloatToStr(value)); }

bool TStringField::GetAsBoolean() const {
    const String text = GetAsString();
    return !text.empty() && (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y');
}

void TStringField::SetAsBoolean(bool value) { SetAsString(value ? "T" : "F"); }
TDateTime TStringField::GetAsDateTime() const { return StrToDateTime(GetAsString()); }
void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToStr(value)); }

Variant TStringField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(VarToStr(value));
}

void TStringField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsString(VarToStr(value));
}

// ---- TWideStringField ----------------------------------------------------------------------------

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) { SetDataType(ftWideString); }

WideString TWideStringField::GetAsWideString() const {
    const Variant value = GetData();
    return IsNullValue(value) ? WideString() : VarToWideStr(value);
}

void TWideStringField::SetAsWideString(const WideString& value) {
    SetData(Variant(TruncateUnits(value, GetSize())));
}

String TWideStringField::GetAsString() const { return WideToString(GetAsWideString()); }
void TWideStringField::SetAsString(const String& value) { SetAsWideString(StringToWide(value)); }

Variant TWideStringField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(VarToWideStr(value));
}

void TWideStringField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsWideString(VarToWideStr(value));
}

// ---- TNumericField -------------------------------------------------------------------------------

TNumericField::TNumericField(TComponent* owner) : TField(owner) { SetDefaultAlignment(taRightJustify); }

void TNumericField::SetDisplayFormat(const String& value) {
    if (value == FDisplayFormat) return;
    FDisplayFormat = value;
    PropertyChanged(false);
}

void TNumericField::SetEditFormat(const String& value) {
    if (value == FEditFormat) return;
    FEditFormat = value;
    PropertyChanged(false);
}

bool TNumericField::IsValidChar(char ch) const {
    if ((ch >= '0' && ch <= '9') || ch == '+' || ch == '-') return true;
    switch (GetDataType()) {
    case ftFloat:
    case ftCurrency:
        return ch == FormatSettings.DecimalSeparator || ch == 'E' || ch == 'e';
    case ftBCD:
    case ftFMTBcd:
        return ch == FormatSettings.DecimalSeparator;
    default:
        return false;
    }
}

// ---- TIntegerField and its kin -------------------------------------------------------------------

TIntegerField::TIntegerField(TComponent* owner)
    : TNumericField(owner), FMinRange(std::numeric_limits<Integer>::min()),
      FMaxRange(std::numeric_limits<Integer>::max()) {
    SetDataType(ftInteger);
}

void TIntegerField::SetRange(Int64 minRange, Int64 maxRange) {
    FMinRange = minRange;
    FMaxRange = maxRange;
}

void TIntegerField::SetMinValue(Integer value) {
    FMinValue = value;
    PropertyChanged(false);
}

void TIntegerField::SetMaxValue(Integer value) {
    FMaxValue = value;
    PropertyChanged(false);
}

bool TIntegerField::CheckRange(Int64 value) const {
    if (value < FMinRange || value > FMaxRange) return false;
    if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue)) return false;
    return true;
}

void TIntegerField::RangeError(Int64 value) const {
    Int64 low = FMinRange;
    Int64 high = FMaxRange;
    if (FMinValue != 0 || FMaxValue != 0) {
        low = std::max<Int64>(low, FMinValue);
        high = std::min<Int64>(high, FMaxValue);
    }
    DatabaseErrorFmt(SFieldRangeError, {Extended(value), GetDisplayName(), Extended(low), Extended(high)});
}

Integer TIntegerField::GetAsInteger() const {
    const Variant value = GetData();
    return IsNullValue(value) ? 0 : value.AsInteger();
}

String TIntegerField::GetAsString() const {
    const Variant value = GetData();
    return IsNullValue(value) ? String() : IntToStr(value.AsInteger());
}

void TIntegerField::DoGetText(String& text, bool displayText) const {
    const Variant value = GetData();
    if (IsNullValue(value)) {
        text.clear();
        return;
    }
    const String& format = displayText || GetEditFormat().empty() ? GetDisplayFormat() : GetEditFormat();
    text = format.empty() ? IntToStr(value.AsInteger()) : FormatFloat(format, value.AsInteger());
}

void TIntegerField::SetAsString(const String& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    Int64 number = 0;
    if (!TryStrToInt64(Trim(value), number))
        DatabaseErrorFmt(SInvalidIntegerValue, {value, GetDisplayName()});
    SetAsLargeInt(number);
}

void TIntegerField::SetAsInteger(Integer value) { SetAsLargeInt(value); }

Int64 TIntegerField::GetAsLargeInt() const { return GetAsInteger(); }

void TIntegerField::SetAsLargeInt(Int64 value) {
    if (!CheckRange(value)) RangeError(value);
    SetData(MakeValue(Integer(value)));
}

double TIntegerField::GetAsFloat() const { return GetAsInteger(); }

void TIntegerField::SetAsFloat(double value) {
    if (!std::isfinite(value)) DatabaseErrorFmt(SFieldValueError, {GetDisplayName()});
    const long double rounded = std::nearbyint(static_cast<long double>(value));
    if (rounded < static_cast<long double>(FMinRange) || rounded > static_cast<long double>(FMaxRange))
        DatabaseErrorFmt(SFieldRangeError,
                         {Extended(value), GetDisplayName(), Extended(FMinRange), Extended(FMaxRange)});
    SetAsLargeInt(Round(value));
}

Variant TIntegerField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : MakeValue(value.AsInteger());
}

void TIntegerField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsLargeInt(value.AsInt64());
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) {
    SetDataType(ftSmallint);
    SetRange(-32768, 32767);
}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner) {
    SetDataType(ftWord);
    SetRange(0, 65535);
}

TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftAutoInc); }

// ---- TLargeintField ------------------------------------------------------------------------------

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) { SetDataType(ftLargeint); }

void TLargeintField::SetMinValue(Int64 value) {
    FMinValue = value;
    PropertyChanged(false);
}

void TLargeintField::SetMaxValue(Int64 value) {
    FMaxValue = value;
    PropertyChanged(false);
}

Int64 TLargeintField::GetAsLargeInt() const {
    const Variant value = GetData();
    return IsNullValue(value) ? 0 : value.AsInt64();
}

String TLargeintField::GetAsString() const {
    const Variant value = GetData();
    return IsNullValue(value) ? String() : IntToStr(value.AsInt64());
}

void TLargeintField::DoGetText(String& text, bool displayText) const {
    const Variant value = GetData();
    if (IsNullValue(value)) {
        text.clear();
        return;
    }
    const String& format = displayText || GetEditFormat().empty() ? GetDisplayFormat() : GetEditFormat();
    text = format.empty() ? IntToStr(value.AsInt64()) : FormatFloat(format, Extended(value.AsInt64()));
}

void TLargeintField::SetAsString(const String& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    Int64 number = 0;
    if (!TryStrToInt64(Trim(value), number))
        DatabaseErrorFmt(SInvalidIntegerValue, {value, GetDisplayName()});
    SetAsLargeInt(number);
}

void TLargeintField::SetAsLargeInt(Int64 value) {
    if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue))
        DatabaseErrorFmt(SFieldRangeError,
                         {Extended(value), GetDisplayName(), Extended(FMinValue), Extended(FMaxValue)});
    SetData(Variant(value));
}

Integer TLargeintField::GetAsInteger() const { return Integer(GetAsLargeInt()); }
void TLargeintField::SetAsInteger(Integer value) { SetAsLargeInt(value); }
double TLargeintField::GetAsFloat() const { return double(GetAsLargeInt()); }

void TLargeintField::SetAsFloat(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
        DatabaseErrorFmt(SFieldValueError, {GetDisplayName()});
    SetAsLargeInt(Round(value));
}

Variant TLargeintField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(value.AsInt64());
}

void TLargeintField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsLargeInt(value.AsInt64());
}

// ---- TFloatField ---------------------------------------------------------------------------------

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(ftFloat); }

void TFloatField::SetCurrency(bool value) {
    if (value == FCurrency) return;
    FCurrency = value;
    PropertyChanged(false);
}

void TFloatField::SetPrecision(Integer value) {
    value = std::max(2, std::min(value, 15));
    if (value == FPrecision) return;
    FPrecision = value;
    PropertyChanged(false);
}

void TFloatField::SetMinValue(double value) {
    FMinValue = value;
    PropertyChanged(false);
}

void TFloatField::SetMaxValue(double value) {
    FMaxValue = value;
    PropertyChanged(false);
}

double TFloatField::GetAsFloat() const {
    const Variant value = GetData();
    return IsNullValue(value) ? 0.0 : value.AsDouble();
}

String TFloatField::GetAsString() const {
    const Variant value = GetData();
    return IsNullValue(value) ? String() : FloatToStr(value.AsDouble());
}

void TFloatField::DoGetText(String& text, bool displayText) const {
    const Variant value = GetData();
    if (IsNullValue(value)) {
        text.clear();
        return;
    }
    const double number = value.AsDouble();
    const String& format = displayText || GetEditFormat().empty() ? GetDisplayFormat() : GetEditFormat();
    if (!format.empty())
        text = FormatFloat(format, number);
    else if (FCurrency)
        text = FloatToStrF(number, displayText ? ffCurrency : ffFixed, FPrecision,
                           FormatSettings.CurrencyDecimals);
    else
        text = FloatToStrF(number, ffGeneral, FPrecision, 0);
}

void TFloatField::SetAsString(const String& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    double number = 0;
    if (!TryStrToFloat(value, number)) DatabaseErrorFmt(SInvalidFloatValue, {value, GetDisplayName()});
    SetAsFloat(number);
}

void TFloatField::SetAsFloat(double value) {
    if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue))
        DatabaseErrorFmt(SFieldRangeError,
                         {Extended(value), GetDisplayName(), Extended(FMinValue), Extended(FMaxValue)});
    SetData(Variant(value));
}

Integer TFloatField::GetAsInteger() const { return Integer(Round(GetAsFloat())); }
void TFloatField::SetAsInteger(Integer value) { SetAsFloat(value); }
Int64 TFloatField::GetAsLargeInt() const { return Round(GetAsFloat()); }
void TFloatField::SetAsLargeInt(Int64 value) { SetAsFloat(double(value)); }
Currency TFloatField::GetAsCurrency() const { return Currency(GetAsFloat()); }
void TFloatField::SetAsCurrency(Currency value) { SetAsFloat(double(value)); }

Variant TFloatField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(value.AsDouble());
}

void TFloatField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsFloat(value.AsDouble());
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
    SetDataType(ftCurrency);
    SetCurrency(true);
}

// ---- TBCDField -----------------------------------------------------------------------------------

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftBCD);
    SetSize(4);
}

void TBCDField::CheckTypeSize(Integer value) const {
    if (value < 0 || value > 4) DatabaseError(SInvalidFieldSize);
}

Integer TBCDField::GetDefaultWidth() const { return FPrecision > 0 ? FPrecision + 2 : 10; }

void TBCDField::SetCurrency(bool value) {
    if (value == FCurrency) return;
    FCurrency = value;
    PropertyChanged(false);
}

void TBCDField::SetPrecision(Integer value) {
    FPrecision = std::max(0, value);
    PropertyChanged(false);
}

Currency TBCDField::GetAsCurrency() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Currency() : value.AsCurrency();
}

String TBCDField::GetAsString() const {
    const Variant value = GetData();
    return IsNullValue(value) ? String() : CurrToStr(value.AsCurrency());
}

void TBCDField::DoGetText(String& text, bool displayText) const {
    const Variant value = GetData();
    if (IsNullValue(value)) {
        text.clear();
        return;
    }
    const Currency number = value.AsCurrency();
    const String& format = displayText || GetEditFormat().empty() ? GetDisplayFormat() : GetEditFormat();
    if (!format.empty())
        text = FormatFloat(format, number.ToExtended());
    else if (FCurrency)
        text = CurrToStrF(number, displayText ? ffCurrency : ffFixed, FormatSettings.CurrencyDecimals);
    else
        text = CurrToStr(number);
}

void TBCDField::SetAsString(const String& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    Currency number;
    if (!TryStrToCurr(value, number)) DatabaseErrorFmt(SInvalidFloatValue, {value, GetDisplayName()});
    SetAsCurrency(number);
}

void TBCDField::SetAsCurrency(Currency value) {
    if ((FMinValue != Currency() || FMaxValue != Currency()) && (value < FMinValue || value > FMaxValue))
        DatabaseErrorFmt(SFieldRangeError, {value.ToExtended(), GetDisplayName(), FMinValue.ToExtended(),
                                            FMaxValue.ToExtended()});
    SetData(Variant(value));
}

Integer TBCDField::GetAsInteger() const { return Integer(GetAsCurrency().ToInt64()); }
void TBCDField::SetAsInteger(Integer value) { SetAsCurrency(Currency(value)); }
Int64 TBCDField::GetAsLargeInt() const { return GetAsCurrency().ToInt64(); }
void TBCDField::SetAsLargeInt(Int64 value) { SetAsCurrency(Currency(value)); }
double TBCDField::GetAsFloat() const { return double(GetAsCurrency()); }

void TBCDField::SetAsFloat(double value) {
    Currency number;
    try {
        number = FloatToCurr(value);
    } catch (const EConvertError&) {
        DatabaseErrorFmt(SFieldValueError, {GetDisplayName()});
    }
    SetAsCurrency(number);
}

TBcd TBCDField::GetAsBCD() const { return CurrToBcd(GetAsCurrency()); }
void TBCDField::SetAsBCD(const TBcd& value) { SetAsCurrency(BcdToCurr(value)); }

Variant TBCDField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(value.AsCurrency());
}

void TBCDField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsCurrency(value.AsCurrency());
}

// ---- TFMTBCDField --------------------------------------------------------------------------------

TFMTBCDField::TFMTBCDField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftFMTBcd);
    SetSize(8);
}

void TFMTBCDField::CheckTypeSize(Integer value) const {
    if (value < 0 || value > MaxFMTBcdDigits) DatabaseError(SInvalidFieldSize);
}

void TFMTBCDField::SetCurrency(bool value) {
    if (value == FCurrency) return;
    FCurrency = value;
    PropertyChanged(false);
}

void TFMTBCDField::SetPrecision(Integer value) {
    FPrecision = std::max(0, std::min(value, MaxFMTBcdDigits));
    PropertyChanged(false);
}

TBcd TFMTBCDField::GetAsBCD() const {
    const Variant value = GetData();
    return IsNullValue(value) ? IntegerToBcd(0) : value.AsBcd();
}

String TFMTBCDField::GetAsString() const {
    const Variant value = GetData();
    return IsNullValue(value) ? String() : BcdToStr(value.AsBcd());
}

void TFMTBCDField::DoGetText(String& text, bool displayText) const {
    const Variant value = GetData();
    if (IsNullValue(value)) {
        text.clear();
        return;
    }
    const TBcd number = value.AsBcd();
    const String& format = displayText || GetEditFormat().empty() ? GetDisplayFormat() : GetEditFormat();
    if (!format.empty())
        text = FormatFloat(format, BcdToDouble(number));
    else if (FCurrency)
        text = BcdToStrF(number, displayText ? ffCurrency : ffFixed, FPrecision,
                         FormatSettings.CurrencyDecimals);
    else
        text = BcdToStr(number);
}

void TFMTBCDField::SetAsString(const String& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    TBcd number;
    if (!TryStrToBcd(value, number)) DatabaseErrorFmt(SInvalidFloatValue, {value, GetDisplayName()});
    SetAsBCD(number);
}

void TFMTBCDField::SetAsBCD(const TBcd& value) { SetData(Variant(value)); }
Integer TFMTBCDField::GetAsInteger() const { return Integer(Round(BcdToDouble(GetAsBCD()))); }
void TFMTBCDField::SetAsInteger(Integer value) { SetAsBCD(IntegerToBcd(value)); }
Int64 TFMTBCDField::GetAsLargeInt() const { return Round(BcdToDouble(GetAsBCD())); }
void TFMTBCDField::SetAsLargeInt(Int64 value) { SetAsBCD(IntegerToBcd(value)); }
double TFMTBCDField::GetAsFloat() const { return BcdToDouble(GetAsBCD()); }

void TFMTBCDField::SetAsFloat(double value) {
    if (!std::isfinite(value)) DatabaseErrorFmt(SFieldValueError, {GetDisplayName()});
    SetAsBCD(DoubleToBcd(value));
}

Currency TFMTBCDField::GetAsCurrency() const { return BcdToCurr(GetAsBCD()); }
void TFMTBCDField::SetAsCurrency(Currency value) { SetAsBCD(CurrToBcd(value)); }

Variant TFMTBCDField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(value.AsBcd());
}

void TFMTBCDField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsBCD(VarToBcd(value));
}

// ---- TBooleanField -------------------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

Integer TBooleanField::GetDefaultWidth() const {
    return std::max(Utf8Length(FTrueText), Utf8Length(FFalseText));
}

void TBooleanField::SetDisplayValues(const String& value) {
    if (value == FDisplayValues) return;
    FDisplayValues = value;
    if (value.empty()) {
        FTrueText = "True";
        FFalseText = "False";
    } else {
        const std::size_t separator = value.find(';');
        if (separator == String::npos) {
            FTrueText = value;
            FFalseText.clear();
        } else {
            FTrueText = value.substr(0, separator);
            FFalseText = value.substr(separator + 1);
        }
    }
    PropertyChanged(true);
}

bool TBooleanField::GetAsBoolean() const {
    const Variant value = GetData();
    return !IsNullValue(value) && value.AsBoolean();
}

void TBooleanField::SetAsBoolean(bool value) { SetData(Variant(value)); }

String TBooleanField::GetAsString() const {
    const Variant value = GetData();
    if (IsNullValue(value)) return String();
    return value.AsBoolean() ? FTrueText : FFalseText;
}

void TBooleanField::SetAsString(const String& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    const Integer length = Utf8Length(value);
    if (AnsiSameText(value, Utf8Copy(FFalseText, 1, length)))
        SetAsBoolean(false);
    else if (AnsiSameText(value, Utf8Copy(FTrueText, 1, length)))
        SetAsBoolean(true);
    else
        DatabaseErrorFmt(SInvalidBoolValue, {value, GetDisplayName()});
}

Variant TBooleanField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(value.AsBoolean());
}

void TBooleanField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsBoolean(value.AsBoolean());
}

// ---- TDateTimeField and its kin ------------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }

String TDateTimeField::DefaultFormat() const { return "c"; }

TDateTime TDateTimeField::ParseText(const String& value) const { return StrToDateTime(value); }

void TDateTimeField::SetDisplayFormat(const String& value) {
    if (value == FDisplayFormat) return;
    FDisplayFormat = value;
    PropertyChanged(false);
}

TDateTime TDateTimeField::GetAsDateTime() const {
    const Variant value = GetData();
    return IsNullValue(value) ? 0.0 : value.AsDateTime();
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
    // Dates keep the day, times the time of day, as their columns store them.
    if (GetDataType() == ftDate)
        value = std::trunc(value);
    else if (GetDataType() == ftTime)
        value = std::fabs(value - std::trunc(value));
    SetData(VarFromDateTime(value));
}

double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }
void TDateTimeField::SetAsFloat(double value) { SetAsDateTime(value); }

void TDateTimeField::DoGetText(String& text, bool displayText) const {
    const Variant value = GetData();
    if (IsNullValue(value)) {
        text.clear();
        return;
    }
    const String format = displayText && !FDisplayFormat.empty() ? FDisplayFormat : DefaultFormat();
    text = FormatDateTime(format, value.AsDateTime());
}

String TDateTimeField::GetAsString() const {
    String text;
    DoGetText(text, false);
    return text;
}

void TDateTimeField::SetAsString(const String& value) {
    if (value.empty())
        Clear();
    else
        SetAsDateTime(ParseText(value));
}

TSQLTimeStamp TDateTimeField::GetAsSQLTimeStamp() const { return DateTimeToSQLTimeStamp(GetAsDateTime()); }

void TDateTimeField::SetAsSQLTimeStamp(const TSQLTimeStamp& value) {
    SetAsDateTime(SQLTimeStampToDateTime(value));
}

Variant TDateTimeField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : VarFromDateTime(value.AsDateTime());
}

void TDateTimeField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsDateTime(value.AsDateTime());
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }
String TDateField::DefaultFormat() const { return FormatSettings.ShortDateFormat; }
TDateTime TDateField::ParseText(const String& value) const { return StrToDate(value); }

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }
String TTimeField::DefaultFormat() const { return FormatSettings.LongTimeFormat; }
TDateTime TTimeField::ParseText(const String& value) const { return StrToTime(value); }

// ---- TSQLTimeStampField --------------------------------------------------------------------------

TSQLTimeStampField::TSQLTimeStampField(TComponent* owner) : TField(owner) { SetDataType(ftTimeStamp); }

void TSQLTimeStampField::SetDisplayFormat(const String& value) {
    if (value == FDisplayFormat) return;
    FDisplayFormat = value;
    PropertyChanged(false);
}

TSQLTimeStamp TSQLTimeStampField::GetAsSQLTimeStamp() const {
    const Variant value = GetData();
    return IsNullValue(value) ? TSQLTimeStamp() : value.AsSQLTimeStamp();
}

void TSQLTimeStampField::SetAsSQLTimeStamp(const TSQLTimeStamp& value) { SetData(Variant(value)); }

void TSQLTimeStampField::DoGetText(String& text, bool displayText) const {
    const Variant value = GetData();
    if (IsNullValue(value)) {
        text.clear();
        return;
    }
    text = SQLTimeStampToStr(displayText ? FDisplayFormat : String(), value.AsSQLTimeStamp());
}

String TSQLTimeStampField::GetAsString() const {
    String text;
    DoGetText(text, false);
    return text;
}

void TSQLTimeStampField::SetAsString(const String& value) {
    if (value.empty())
        Clear();
    else
        SetAsSQLTimeStamp(StrToSQLTimeStamp(value));
}

TDateTime TSQLTimeStampField::GetAsDateTime() const {
    return GetIsNull() ? 0.0 : SQLTimeStampToDateTime(GetAsSQLTimeStamp());
}

void TSQLTimeStampField::SetAsDateTime(TDateTime value) { SetAsSQLTimeStamp(DateTimeToSQLTimeStamp(value)); }
double TSQLTimeStampField::GetAsFloat() const { return GetAsDateTime(); }
void TSQLTimeStampField::SetAsFloat(double value) { SetAsDateTime(value); }

Variant TSQLTimeStampField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(value.AsSQLTimeStamp());
}

void TSQLTimeStampField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsSQLTimeStamp(VarToSQLTimeStamp(value));
}

// ---- Binary and blob fields ----------------------------------------------------------------------

TBinaryField::TBinaryField(TComponent* owner) : TField(owner) {}

void TBinaryField::CheckTypeSize(Integer value) const {
    if (value < 0) DatabaseError(SInvalidFieldSize);
}

String TBinaryField::GetAsString() const {
    const Variant value = GetData();
    return IsNullValue(value) ? String() : VarToStr(value);
}

void TBinaryField::SetAsString(const String& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    SetData(Variant(GetSize() > 0 && Integer(value.size()) > GetSize()
                        ? value.substr(0, std::size_t(GetSize()))
                        : value));
}

Variant TBinaryField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(VarToStr(value));
}

void TBinaryField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsString(VarToStr(value));
}

void TBinaryField::DoGetText(String& text, bool) const {
    const bool empty = GetIsNull();
    text = GetDataType() == ftBytes ? (empty ? "(Bytes)" : "(BYTES)") : (empty ? "(VarBytes)" : "(VARBYTES)");
}

TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner) {
    SetDataType(ftBytes);
    SetSize(16);
}

TVarBytesField::TVarBytesField(TComponent* owner) : TBinaryField(owner) {
    SetDataType(ftVarBytes);
    SetSize(16);
}

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(ftBlob); }

void TBlobField::SetBlobType(TBlobType value) { SetDataType(value); }

String TBlobField::GetAsString() const {
    const Variant value = GetData();
    return IsNullValue(value) ? String() : VarToStr(value);
}

// An empty value is no value, as a blob of no bytes is null.
void TBlobField::SetAsString(const String& value) {
    if (value.empty())
        Clear();
    else
        SetData(Variant(value));
}

WideString TBlobField::GetAsWideString() const { return StringToWide(GetAsString()); }
void TBlobField::SetAsWideString(const WideString& value) { SetAsString(WideToString(value)); }

Variant TBlobField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : Variant(VarToStr(value));
}

void TBlobField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetAsString(VarToStr(value));
}

Integer TBlobField::GetBlobSize() const { return Integer(GetAsString().size()); }

void TBlobField::LoadFromStream(TStream* stream) {
    const Int64 size = stream->GetSize() - stream->GetPosition();
    String bytes(std::size_t(std::max<Int64>(size, 0)), '\0');
    if (!bytes.empty()) stream->ReadBuffer(bytes.data(), Integer(bytes.size()));
    SetAsString(bytes);
}

void TBlobField::SaveToStream(TStream* stream) const {
    const String bytes = GetAsString();
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), Integer(bytes.size()));
}

void TBlobField::LoadFromFile(const String& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TBlobField::SaveToFile(const String& fileName) const {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

void TBlobField::DoGetText(String& text, bool) const {
    const char* name = "Blob";
    switch (GetDataType()) {
    case ftMemo:
    case ftOraClob:
        name = "Memo";
        break;
    case ftGraphic:
        name = "Graphic";
        break;
    case ftFmtMemo:
        name = "FmtMemo";
        break;
    case ftParadoxOle:
    case ftDBaseOle:
        name = "Ole";
        break;
    case ftTypedBinary:
        name = "Binary";
        break;
    default:
        break;
    }
    text = "(" + (GetIsNull() ? String(name) : UpperCase(name)) + ")";
}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftMemo); }

TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner) { SetDataType(ftGraphic); }

// ---- TVariantField -------------------------------------------------------------------------------

TVariantField::TVariantField(TComponent* owner) : TField(owner) { SetDataType(ftVariant); }

Variant TVariantField::GetAsVariant() const {
    const Variant value = GetData();
    return IsNullValue(value) ? Null() : value;
}

void TVariantField::SetAsVariant(const Variant& value) {
    if (IsNullValue(value))
        Clear();
    else
        SetData(value);
}

String TVariantField::GetAsString() const { return VarToStr(GetData()); }
void TVariantField::SetAsString(const String& value) { SetAsVariant(Variant(value)); }
Integer TVariantField::GetAsInteger() const { return GetIsNull() ? 0 : GetData().AsInteger(); }
void TVariantField::SetAsInteger(Integer value) { SetAsVariant(Variant(value)); }
Int64 TVariantField::GetAsLargeInt() const { return GetIsNull() ? 0 : GetData().AsInt64(); }
void TVariantField::SetAsLargeInt(Int64 value) { SetAsVariant(Variant(value)); }
double TVariantField::GetAsFloat() const { return GetIsNull() ? 0.0 : GetData().AsDouble(); }
void TVariantField::SetAsFloat(double value) { SetAsVariant(Variant(value)); }
Currency TVariantField::GetAsCurrency() const { return GetIsNull() ? Currency() : GetData().AsCurrency(); }
void TVariantField::SetAsCurrency(Currency value) { SetAsVariant(Variant(value)); }
bool TVariantField::GetAsBoolean() const { return !GetIsNull() && GetData().AsBoolean(); }
void TVariantField::SetAsBoolean(bool value) { SetAsVariant(Variant(value)); }
TDateTime TVariantField::GetAsDateTime() const { return GetIsNull() ? 0.0 : GetData().AsDateTime(); }
void TVariantField::SetAsDateTime(TDateTime value) { SetAsVariant(VarFromDateTime(value)); }

// ---- Registration --------------------------------------------------------------------------------

namespace {

struct TFieldTypesRegistration {
    TFieldTypesRegistration() {
        RegisterEnum<TAlignment>("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
        RegisterEnum<TFieldKind>("TFieldKind", {"fkData", "fkCalculated", "fkLookup", "fkInternalCalc"});
        RegisterEnum<TFieldType>("TFieldType",
                                 {"ftUnknown",  "ftString",      "ftSmallint", "ftInteger",   "ftWord",
                                  "ftBoolean",  "ftFloat",       "ftCurrency", "ftBCD",       "ftDate",
                                  "ftTime",     "ftDateTime",    "ftBytes",    "ftVarBytes",  "ftAutoInc",
                                  "ftBlob",     "ftMemo",        "ftGraphic",  "ftFmtMemo",   "ftParadoxOle",
                                  "ftDBaseOle", "ftTypedBinary", "ftCursor",   "ftFixedChar", "ftWideString",
                                  "ftLargeint", "ftADT",         "ftArray",    "ftReference", "ftDataSet",
                                  "ftOraBlob",  "ftOraClob",     "ftVariant",  "ftInterface", "ftIDispatch",
                                  "ftGuid",     "ftTimeStamp",   "ftFMTBcd"});
        RegisterEnum<TFieldAttribute>(
            "TFieldAttribute", {"faHiddenCol", "faReadonly", "faRequired", "faLink", "faUnNamed", "faFixed"});
        RegisterTypeName<TFieldAttributes>("TFieldAttributes");
        RegisterTypeName<TFieldNotifyEvent>("TFieldNotifyEvent");
        RegisterTypeName<TFieldGetTextEvent>("TFieldGetTextEvent");
        RegisterTypeName<TFieldSetTextEvent>("TFieldSetTextEvent");
        RegisterClasses({TStringField::StaticClass(),   TWideStringField::StaticClass(),
                         TIntegerField::StaticClass(),  TSmallintField::StaticClass(),
                         TWordField::StaticClass(),     TAutoIncField::StaticClass(),
                         TLargeintField::StaticClass(), TFloatField::StaticClass(),
                         TCurrencyField::StaticClass(), TBCDField::StaticClass(),
                         TFMTBCDField::StaticClass(),   TBooleanField::StaticClass(),
                         TDateField::StaticClass(),     TTimeField::StaticClass(),
                         TDateTimeField::StaticClass(), TSQLTimeStampField::StaticClass(),
                         TBlobField::StaticClass(),     TMemoField::StaticClass(),
                         TGraphicField::StaticClass(),  TVariantField::StaticClass(),
                         TBytesField::StaticClass(),    TVarBytesField::StaticClass()});
    }
};
const TFieldTypesRegistration FieldTypesRegistration;

} // namespace

KOV_PUBLISHED(TFieldDef) {
    Property("Name", &TFieldDef::GetName, &TFieldDef::SetName);
    Property("Attributes", &TFieldDef::GetAttributes, &TFieldDef::SetAttributes).Default(TFieldAttributes());
    Property("DataType", &TFieldDef::GetDataType, &TFieldDef::SetDataType).Default(ftUnknown);
    Property("Precision", &TFieldDef::GetPrecision, &TFieldDef::SetPrecision).Default(0);
    Property("Size", &TFieldDef::GetSize, &TFieldDef::SetSize).Default(0);
}

KOV_PUBLISHED(TField) {
    Property("Alignment", &TField::GetAlignment, &TField::SetAlignment).Default(taLeftJustify);
    Property("DisplayLabel", &TField::GetDisplayLabel, &TField::SetDisplayLabel)
        .Stored(&TField::IsDisplayLabelStored);
    Property("DisplayWidth", &TField::GetDisplayWidth, &TField::SetDisplayWidth)
        .Stored(&TField::IsDisplayWidthStored);
    Property("EditMask", &TField::GetEditMask, &TField::SetEditMask);
    Property("FieldKind", &TField::GetFieldKind, &TField::SetFieldKind).Default(fkData);
    Property("FieldName", &TField::GetFieldName, &TField::SetFieldName);
    Property("KeyFields", &TField::GetKeyFields, &TField::SetKeyFields);
    Property("LookupCache", &TField::GetLookupCache, &TField::SetLookupCache).Default(false);
    Property("LookupDataSet", &TField::GetLookupDataSet, &TField::SetLookupDataSet);
    Property("LookupKeyFields", &TField::GetLookupKeyFields, &TField::SetLookupKeyFields);
    Property("LookupResultField", &TField::GetLookupResultField, &TField::SetLookupResultField);
    Property("Origin", &TField::GetOrigin, &TField::SetOrigin);
    Property("ReadOnly", &TField::GetReadOnly, &TField::SetReadOnly).Default(false);
    Property("Required", &TField::GetRequired, &TField::SetRequired).Default(false);
    Property("Visible", &TField::GetVisible, &TField::SetVisible).Default(true);
    Property("OnChange", &TField::OnChange);
    Property("OnGetText", &TField::OnGetText);
    Property("OnSetText", &TField::OnSetText);
    Property("OnValidate", &TField::OnValidate);
}

KOV_PUBLISHED(TStringField) {
    Property("Alignment", &TStringField::GetAlignment, &TStringField::SetAlignment).Default(taLeftJustify);
    Property("FixedChar", &TStringField::GetFixedChar, &TStringField::SetFixedChar).Default(false);
    Property("Size", &TStringField::GetSize, &TStringField::SetSize).Default(20);
    Property("Transliterate", &TStringField::GetTransliterate, &TStringField::SetTransliterate).Default(true);
}

KOV_PUBLISHED(TNumericField) {
    Property("Alignment", &TNumericField::GetAlignment, &TNumericField::SetAlignment).Default(taRightJustify);
    Property("DisplayFormat", &TNumericField::GetDisplayFormat, &TNumericField::SetDisplayFormat);
    Property("EditFormat", &TNumericField::GetEditFormat, &TNumericField::SetEditFormat);
}

KOV_PUBLISHED(TIntegerField) {
    Property("MaxValue", &TIntegerField::GetMaxValue, &TIntegerField::SetMaxValue).Default(0);
    Property("MinValue", &TIntegerField::GetMinValue, &TIntegerField::SetMinValue).Default(0);
}

KOV_PUBLISHED(TLargeintField) {
    Property("MaxValue", &TLargeintField::GetMaxValue, &TLargeintField::SetMaxValue).Default(Int64(0));
    Property("MinValue", &TLargeintField::GetMinValue, &TLargeintField::SetMinValue).Default(Int64(0));
}

KOV_PUBLISHED(TFloatField) {
    Property("currency", &TFloatField::GetCurrency, &TFloatField::SetCurrency).Default(false);
    Property("MaxValue", &TFloatField::GetMaxValue, &TFloatField::SetMaxValue);
    Property("MinValue", &TFloatField::GetMinValue, &TFloatField::SetMinValue);
    Property("Precision", &TFloatField::GetPrecision, &TFloatField::SetPrecision).Default(15);
}

KOV_PUBLISHED(TCurrencyField) {
    Property("currency", &TCurrencyField::GetCurrency, &TCurrencyField::SetCurrency).Default(true);
}

KOV_PUBLISHED(TBCDField) {
    Property("currency", &TBCDField::GetCurrency, &TBCDField::SetCurrency).Default(false);
    Property("Precision", &TBCDField::GetPrecision, &TBCDField::SetPrecision).Default(0);
    Property("Size", &TBCDField::GetSize, &TBCDField::SetSize).Default(4);
}

KOV_PUBLISHED(TFMTBCDField) {
    Property("currency", &TFMTBCDField::GetCurrency, &TFMTBCDField::SetCurrency).Default(false);
    Property("Precision", &TFMTBCDField::GetPrecision, &TFMTBCDField::SetPrecision).Default(15);
    Property("Size", &TFMTBCDField::GetSize, &TFMTBCDField::SetSize).Default(8);
}

KOV_PUBLISHED(TBooleanField) {
    Property("DisplayValues", &TBooleanField::GetDisplayValues, &TBooleanField::SetDisplayValues);
}

KOV_PUBLISHED(TDateTimeField) {
    Property("DisplayFormat", &TDateTimeField::GetDisplayFormat, &TDateTimeField::SetDisplayFormat);
}

KOV_PUBLISHED(TSQLTimeStampField) {
    Property("DisplayFormat", &TSQLTimeStampField::GetDisplayFormat, &TSQLTimeStampField::SetDisplayFormat);
}

KOV_PUBLISHED(TBinaryField) { Property("Size", &TBinaryField::GetSize, &TBinaryField::SetSize).Default(16); }

KOV_PUBLISHED(TBlobField) {
    Property("BlobType", &TBlobField::GetBlobType, &TBlobField::SetBlobType);
    Property("Size", &TBlobField::GetSize, &TBlobField::SetSize).Default(0);
}
