#include "suite/data/qzDB.h"

#include "platform/runtime/Strings.h"

namespace {

bool IsIdentifierStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool IsIdentifier(const String& name) {
    if (name.empty() || !IsIdentifierStart(name[0])) return false;
    for (char c : name)
        if (!IsIdentifierStart(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

// Bytes, var bytes, the blobs up to cursors, and the object types.
bool IsBinaryOrObjectType(TFieldType type) {
    return type == ftBytes || type == ftVarBytes || (type >= ftBlob && type <= ftCursor) ||
           (type >= ftADT && type <= ftDataSet);
}

// The currency flag of a float, BCD or FMTBcd field; false for other fields.
bool CurrencyFlag(TField* field) {
    if (auto* f = dynamic_cast<TFloatField*>(field)) return f->GetCurrency();
    if (auto* f = dynamic_cast<TBCDField*>(field)) return f->GetCurrency();
    if (auto* f = dynamic_cast<TFMTBCDField*>(field)) return f->GetCurrency();
    return false;
}

String DisplayFormatOf(TField* field) {
    if (auto* f = dynamic_cast<TNumericField*>(field)) return f->GetDisplayFormat();
    if (auto* f = dynamic_cast<TDateTimeField*>(field)) return f->GetDisplayFormat();
    if (auto* f = dynamic_cast<TSQLTimeStampField*>(field)) return f->GetDisplayFormat();
    return String();
}

} // namespace

bool KeyFieldsModifiable(TField* lookupField) {
    TDataSet* dataSet = lookupField->GetDataSet();
    if (dataSet == nullptr) return false;
    const std::vector<String> names = SplitNames(lookupField->GetKeyFields());
    if (names.empty()) return false;
    for (const String& name : names) {
        TField* key = dataSet->FindField(name);
        if (key == nullptr || !key->GetCanModify()) return false;
    }
    return true;
}

void QuoteFieldName(String& name) {
    if (!IsIdentifier(name)) name = "[" + name + "]";
}

String FilterFieldName(TField* field, bool ignoreOrigin) {
    if (field == nullptr) return String();
    String name = ignoreOrigin ? String() : field->GetOrigin();
    if (name.empty()) {
        name = field->GetFieldName();
        QuoteFieldName(name);
    }
    return name;
}

Variant GetFieldsValue(TDataSet*, const std::vector<TField*>& fields) {
    if (fields.empty()) return Null();
    if (fields.size() == 1) return fields[0]->GetValue();
    Variant result = VarArrayCreate({0, Integer(fields.size()) - 1}, varVariant);
    for (std::size_t i = 0; i < fields.size(); ++i)
        VarArrayPut(result, fields[i]->GetValue(), {Integer(i)});
    return result;
}

void SetFieldsValue(TDataSet*, const std::vector<TField*>& fields, const Variant& value) {
    if (fields.empty()) return;
    if (fields.size() == 1) {
        fields[0]->SetValue(value);
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i]->SetValue(VarArrayGet(value, {Integer(i)}));
}

Variant GetFieldValue(TField* field) {
    if (field->GetIsNull()) return Null();
    if (dynamic_cast<TWideStringField*>(field) != nullptr) return Variant(field->GetAsWideString());
    return field->GetValue();
}

void SetFieldValue(TField* field, const Variant& value) {
    if (dynamic_cast<TDateTimeField*>(field) != nullptr && VarType(value) == varDouble)
        field->SetAsDateTime(value.AsDouble());
    else
        field->SetValue(value);
}

bool SameTextUpper(const String& a, const String& b) { return AnsiUpperCase(a) == AnsiUpperCase(b); }

bool CanEditField(TField* field, bool ignoreTextHandler) {
    if (!field->GetCanModify()) return false;
    if (ignoreTextHandler) return true;
    return !IsBinaryOrObjectType(field->GetDataType()) || field->OnSetText.Assigned();
}

bool FieldFormatsText(TField* field, bool binaryAndBooleanAnswer) {
    if (field->OnGetText.Assigned() || !field->GetEditMask().empty()) return true;
    if (IsBinaryOrObjectType(field->GetDataType()) || dynamic_cast<TBooleanField*>(field) != nullptr)
        return binaryAndBooleanAnswer;
    if (auto* numeric = dynamic_cast<TNumericField*>(field)) {
        if (!numeric->GetDisplayFormat().empty() || !numeric->GetEditFormat().empty()) return true;
        return CurrencyFlag(field);
    }
    if (dynamic_cast<TDateTimeField*>(field) != nullptr ||
        dynamic_cast<TSQLTimeStampField*>(field) != nullptr)
        return !DisplayFormatOf(field).empty();
    return false;
}

bool FieldShowsCurrency(TField* field) {
    return CurrencyFlag(field) && DisplayFormatOf(field).empty() && !field->OnGetText.Assigned();
}

bool HasSeveralFieldNames(const String& names) { return SplitNames(names).size() > 1; }

Integer FieldNameCount(const String& names) { return Integer(SplitNames(names).size()); }

void SplitFieldNames(const String& names, TStrings* list) {
    list->Clear();
    for (const String& name : SplitNames(names))
        list->Add(name);
}

// ---- Adapters ------------------------------------------------------------------------------------

TqzDBAdapterList::~TqzDBAdapterList() { ClearAdapters(); }

bool TqzDBAdapterList::FindAdapter(TClass dataSetClass, Integer& index) {
    index = -1;
    for (Integer i = Count() - 1; i >= 0; --i) {
        const TClass itemClass = FItems[std::size_t(i)]->GetDataSetClass();
        if (dataSetClass->InheritsFrom(itemClass)) {
            index = i;
            return true;
        }
        if (itemClass->InheritsFrom(dataSetClass)) index = i;
    }
    return false;
}

void TqzDBAdapterList::RegisterAdapter(TClass dataSetClass, TqzDBAdapterItemClass adapterClass) {
    std::unique_ptr<TqzDBAdapterItem> item(adapterClass->Create(dataSetClass));
    Integer index = -1;
    if (FindAdapter(dataSetClass, index))
        ++index;
    else if (index < 0)
        index = Count();
    FItems.insert(FItems.begin() + index, std::move(item));
}

void TqzDBAdapterList::UnregisterAdapter(TClass dataSetClass, TqzDBAdapterItemClass adapterClass) {
    std::erase_if(FItems, [&](const std::unique_ptr<TqzDBAdapterItem>& item) {
        return item->GetDataSetClass() == dataSetClass && item->ClassType() == adapterClass->ClassType;
    });
}

void TqzDBAdapterList::ClearAdapters() { FItems.clear(); }

TqzDBAdapterItem* TqzDBAdapterList::Adapters(Integer index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FItems[std::size_t(index)].get();
}
