// Query parameters: named, typed values kept in a collection.
#include "platform/classlib/DB.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

// The field type that matches a value's variant type.
TFieldType VarTypeToDataType(TVarType type) {
    switch (type & varTypeMask) {
    case varSmallint:
    case varShortInt:
    case varByte:
        return ftSmallint;
    case varWord:
        return ftWord;
    case varInteger:
    case varLongWord:
        return ftInteger;
    case varInt64:
        return ftLargeint;
    case varSingle:
    case varDouble:
        return ftFloat;
    case varCurrency:
        return ftBCD;
    case varDate:
        return ftDateTime;
    case varBoolean:
        return ftBoolean;
    case varOleStr:
        return ftWideString;
    case varString:
        return ftString;
    case varFMTBcd:
        return ftFMTBcd;
    case varSQLTimeStamp:
        return ftTimeStamp;
    case varVariant:
        return ftVariant;
    default:
        return ftUnknown;
    }
}

} // namespace

// ---- TParam --------------------------------------------------------------------------------------

TParam::TParam(TCollection* collection) : TCollectionItem(collection) {}

TParam::TParam(TParams* params, TParamType paramType) : TCollectionItem(params), FParamType(paramType) {}

String TParam::GetDisplayName() const { return FName.empty() ? inherited::GetDisplayName() : FName; }

void TParam::Assign(TPersistent* source) {
    if (auto* param = dynamic_cast<TParam*>(source)) {
        FName = param->FName;
        FDataType = param->FDataType;
        FParamType = param->FParamType;
        FSize = param->FSize;
        FPrecision = param->FPrecision;
        FNumericScale = param->FNumericScale;
        FData = param->FData;
        FNull = param->FNull;
        FBound = param->FBound;
        return;
    }
    if (auto* field = dynamic_cast<TField*>(source)) {
        AssignField(field);
        return;
    }
    inherited::Assign(source);
}

void TParam::AssignField(TField* field) {
    if (field == nullptr) return;
    AssignFieldValue(field, field->GetValue());
    FName = field->GetFieldName();
}

void TParam::AssignFieldValue(TField* field, const Variant& value) {
    if (field == nullptr) return;
    FDataType = field->GetDataType() == ftAutoInc ? ftInteger : field->GetDataType();
    FSize = field->GetSize();
    SetValue(value);
}

void TParam::Clear() {
    FNull = true;
    FData.Clear();
}

bool TParam::GetIsNull() const { return FNull || VarIsNull(FData) || VarIsEmpty(FData); }

void TParam::SetBound(bool value) {
    FBound = value;
    if (!value) Clear();
}

void TParam::SetDataType(TFieldType value) {
    if (value == FDataType) return;
    FDataType = value;
    // A value kept under the old type is converted when it can be; otherwise it is dropped.
    if (!GetIsNull()) {
        try {
            switch (value) {
            case ftString:
            case ftFixedChar:
            case ftMemo:
            case ftBlob:
                FData = Variant(VarToStr(FData));
                break;
            case ftSmallint:
            case ftInteger:
            case ftWord:
            case ftAutoInc:
                FData = Variant(FData.AsInteger());
                break;
            case ftLargeint:
                FData = Variant(FData.AsInt64());
                break;
            case ftFloat:
                FData = Variant(FData.AsDouble());
                break;
            case ftCurrency:
            case ftBCD:
                FData = Variant(FData.AsCurrency());
                break;
            case ftBoolean:
                FData = Variant(FData.AsBoolean());
                break;
            case ftDate:
            case ftTime:
            case ftDateTime:
                FData = VarFromDateTime(FData.AsDateTime());
                break;
            default:
                break;
            }
        } catch (const EVariantError&) {
            Clear();
        }
    }
}

Variant TParam::GetValue() const { return GetIsNull() ? Null() : FData; }

void TParam::SetValue(const Variant& value) {
    FData = value;
    if (FDataType == ftUnknown) FDataType = VarTypeToDataType(VarType(value));
    FNull = VarIsNull(value) || VarIsEmpty(value);
    FBound = !VarIsEmpty(value);
}

void TParam::SetTyped(TFieldType type, const Variant& value) {
    FDataType = type;
    SetValue(value);
}

String TParam::GetAsString() const { return GetIsNull() ? String() : VarToStr(FData); }
void TParam::SetAsString(const String& value) { SetTyped(ftString, Variant(value)); }
WideString TParam::GetAsWideString() const { return GetIsNull() ? WideString() : VarToWideStr(FData); }
void TParam::SetAsWideString(const WideString& value) { SetTyped(ftWideString, Variant(value)); }
Integer TParam::GetAsInteger() const { return GetIsNull() ? 0 : FData.AsInteger(); }
void TParam::SetAsInteger(Integer value) { SetTyped(ftInteger, Variant(value)); }
void TParam::SetAsSmallInt(SmallInt value) { SetTyped(ftSmallint, Variant(value)); }
void TParam::SetAsWord(Word value) { SetTyped(ftWord, Variant(value)); }
Int64 TParam::GetAsLargeInt() const { return GetIsNull() ? 0 : FData.AsInt64(); }
void TParam::SetAsLargeInt(Int64 value) { SetTyped(ftLargeint, Variant(value)); }
double TParam::GetAsFloat() const { return GetIsNull() ? 0.0 : FData.AsDouble(); }
void TParam::SetAsFloat(double value) { SetTyped(ftFloat, Variant(value)); }
Currency TParam::GetAsCurrency() const { return GetIsNull() ? Currency() : FData.AsCurrency(); }
void TParam::SetAsCurrency(Currency value) { SetTyped(ftCurrency, Variant(value)); }
void TParam::SetAsBCD(Currency value) { SetTyped(ftBCD, Variant(value)); }
TBcd TParam::GetAsFMTBCD() const { return GetIsNull() ? IntegerToBcd(0) : VarToBcd(FData); }
void TParam::SetAsFMTBCD(const TBcd& value) { SetTyped(ftFMTBcd, Variant(value)); }
bool TParam::GetAsBoolean() const { return !GetIsNull() && FData.AsBoolean(); }
void TParam::SetAsBoolean(bool value) { SetTyped(ftBoolean, Variant(value)); }
TDateTime TParam::GetAsDateTime() const { return GetIsNull() ? 0.0 : FData.AsDateTime(); }
void TParam::SetAsDateTime(TDateTime value) { SetTyped(ftDateTime, VarFromDateTime(value)); }
void TParam::SetAsDate(TDateTime value) { SetTyped(ftDate, VarFromDateTime(value)); }
void TParam::SetAsTime(TDateTime value) { SetTyped(ftTime, VarFromDateTime(value)); }
TSQLTimeStamp TParam::GetAsSQLTimeStamp() const {
    return GetIsNull() ? TSQLTimeStamp() : VarToSQLTimeStamp(FData);
}
void TParam::SetAsSQLTimeStamp(const TSQLTimeStamp& value) { SetTyped(ftTimeStamp, Variant(value)); }
void TParam::SetAsMemo(const String& value) { SetTyped(ftMemo, Variant(value)); }
void TParam::SetAsBlob(const String& value) { SetTyped(ftBlob, Variant(value)); }

// ---- TParams -------------------------------------------------------------------------------------

TParams::TParams() : TCollection(TCollectionItemClass::Of<TParam>()) {}

TParams::TParams(TPersistent* owner) : TCollection(TCollectionItemClass::Of<TParam>()), FOwner(owner) {}

TParam* TParams::AddParam(TParam* value) {
    value->SetCollection(this);
    return value;
}

void TParams::RemoveParam(TParam* value) {
    if (value->GetCollection() == this) value->SetCollection(nullptr);
}

TParam* TParams::CreateParam(TFieldType fieldType, const String& paramName, TParamType paramType) {
    auto* param = static_cast<TParam*>(Add());
    param->SetName(paramName);
    param->SetDataType(fieldType);
    param->SetParamType(paramType);
    return param;
}

TParam* TParams::FindParam(const String& value) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (AnsiSameText(GetItems(i)->GetName(), value)) return GetItems(i);
    return nullptr;
}

TParam* TParams::ParamByName(const String& value) const {
    TParam* param = FindParam(value);
    if (param == nullptr) DatabaseErrorFmt(SParameterNotFound, {value}, dynamic_cast<TComponent*>(FOwner));
    return param;
}

void TParams::GetParamList(TList* list, const String& paramNames) const {
    for (const String& name : SplitNames(paramNames))
        list->Add(ParamByName(name));
}

bool TParams::IsEqual(TParams* value) const {
    if (value == nullptr || value->GetCount() != GetCount()) return false;
    for (Integer i = 0; i < GetCount(); ++i) {
        TParam* a = GetItems(i);
        TParam* b = value->GetItems(i);
        if (!AnsiSameText(a->GetName(), b->GetName()) || a->GetDataType() != b->GetDataType() ||
            a->GetParamType() != b->GetParamType() || a->GetIsNull() != b->GetIsNull())
            return false;
        if (!a->GetIsNull() && !VarSameValue(a->GetValue(), b->GetValue())) return false;
    }
    return true;
}

void TParams::AssignValues(TParams* value) {
    for (Integer i = 0; i < value->GetCount(); ++i) {
        TParam* source = value->GetItems(i);
        if (TParam* target = FindParam(source->GetName())) {
            target->Assign(source);
        }
    }
}

Variant TParams::GetParamValues(const String& paramName) const {
    const std::vector<String> names = SplitNames(paramName);
    if (names.size() == 1) return ParamByName(names[0])->GetValue();
    Variant result = VarArrayCreate({0, Integer(names.size()) - 1}, varVariant);
    for (std::size_t i = 0; i < names.size(); ++i)
        VarArrayPut(result, ParamByName(names[i])->GetValue(), {Integer(i)});
    return result;
}

void TParams::SetParamValues(const String& paramName, const Variant& value) {
    const std::vector<String> names = SplitNames(paramName);
    if (names.size() == 1) {
        ParamByName(names[0])->SetValue(value);
        return;
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        ParamByName(names[i])->SetValue(VarArrayGet(value, {Integer(i)}));
}

// ---- Registration --------------------------------------------------------------------------------

namespace {

struct TParamsRegistration {
    TParamsRegistration() {
        RegisterEnum<TParamType>("TParamType",
                                 {"ptUnknown", "ptInput", "ptOutput", "ptInputOutput", "ptResult"});
    }
};
const TParamsRegistration ParamsRegistration;

} // namespace

KOV_PUBLISHED(TParam) {
    Property("DataType", &TParam::GetDataType, &TParam::SetDataType).Default(ftUnknown);
    Property("Name", &TParam::GetName, &TParam::SetName);
    Property("NumericScale", &TParam::GetNumericScale, &TParam::SetNumericScale).Default(0);
    Property("ParamType", &TParam::GetParamType, &TParam::SetParamType).Default(ptUnknown);
    Property("Precision", &TParam::GetPrecision, &TParam::SetPrecision).Default(0);
    Property("Size", &TParam::GetSize, &TParam::SetSize).Default(0);
    Property("Value", &TParam::GetValue, &TParam::SetValue);
}
