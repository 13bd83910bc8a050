// The data set: state, buffer window, navigation, editing, bookmarks and notices.
#include "platform/classlib/DB.h"

#include <algorithm>
#include <cstring>

#include "platform/classlib/DBFilter.h"

#include "platform/runtime/Format.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"

const char* const FieldTypeNames[FieldTypeCount] = {
    "Unknown",    "String",    "SmallInt",  "Integer",    "Word",      "Boolean",     "Float",   "Currency",
    "BCD",        "Date",      "Time",      "DateTime",   "Bytes",     "VarBytes",    "AutoInc", "Blob",
    "Memo",       "Graphic",   "FmtMemo",   "ParadoxOle", "DBaseOle",  "TypedBinary", "Cursor",  "FixedChar",
    "WideString", "Largeint",  "ADT",       "Array",      "Reference", "DataSet",     "OraBlob", "OraClob",
    "Variant",    "Interface", "IDispatch", "Guid",       "TimeStamp", "FMTBcd"};

const char* const SFieldNotFound = "Field '%s' not found";
const char* const SDataSetClosed = "Cannot perform this operation on a closed dataset";
const char* const SDataSetOpen = "Cannot perform this operation on an open dataset";
const char* const SNotEditing = "Dataset not in edit or insert mode";
const char* const SDataSetReadOnly = "Cannot modify a read-only dataset";
const char* const SDataSetEmpty = "Cannot perform this operation on an empty dataset";
const char* const SFieldReadOnly = "Field '%s' cannot be modified";
const char* const SFieldRequired = "Field '%s' must have a value";
const char* const SRecordNotFound = "Record not found";
const char* const SDuplicateFieldName = "Duplicate field name '%s'";
const char* const SFieldNameMissing = "Field name missing";
const char* const SFieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
const char* const SInvalidFieldSize = "Invalid field size";
const char* const SFieldIndexError = "Field index out of range";
const char* const SFieldAccessError = "Cannot access field '%s' as type %s";
const char* const SDataSetMissing = "Field '%s' has no dataset";
const char* const SCircularDataLink = "Circular datalinks are not allowed";
const char* const SDataSourceChange = "DataSource cannot be changed";
const char* const SLookupInfoError = "Lookup information for field '%s' is incomplete";
const char* const SInvalidIntegerValue = "'%s' is not a valid integer value for field '%s'";
const char* const SInvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
const char* const SInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
const char* const SFieldRangeError = "%g is not a valid value for field '%s'. The allowed range is %g to %g";
const char* const SParameterNotFound = "Parameter '%s' not found";
const char* const SUnknownFieldType = "Field '%s' is of an unknown type";
const char* const SNoFieldDefs = "No fields defined. Cannot create dataset";
const char* const SInvalidFieldKind = "Invalid FieldKind";
const char* const SFieldValueError = "Invalid value for field '%s'";
const char* const SFilterSyntaxError = "Filter expression incorrectly formatted: %s";

void DatabaseError(const String& message, const TComponent* component) {
    if (component != nullptr && !component->GetName().empty())
        throw EDatabaseError(component->GetName() + ": " + message);
    throw EDatabaseError(message);
}

void DatabaseErrorFmt(const String& message, std::initializer_list<TVarRec> args,
                      const TComponent* component) {
    DatabaseError(Format(message, args), component);
}

bool IsEditMode(TDataSetState state) { return state == dsEdit || state == dsInsert || state == dsSetKey; }

std::vector<String> SplitNames(const String& names) {
    std::vector<String> result;
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = names.find(';', start);
        if (end == String::npos) end = names.size();
        String name = Trim(names.substr(start, end - start));
        if (!name.empty()) result.push_back(name);
        start = end + 1;
    }
    return result;
}

// ---- TLookupList ---------------------------------------------------------------------------------

namespace {

// One key value as text that is equal exactly for equal values, whatever the locale.
void AppendKeyText(String& out, const Variant& value) {
    auto bitsOf = [](double x) {
        UInt64 bits = 0;
        std::memcpy(&bits, &x, sizeof bits);
        return IntToStr(Int64(bits));
    };
    const TVarType type = VarType(value);
    if (type == varEmpty || type == varNull) {
        out += 'N';
    } else if (type == varBoolean) {
        out += value.AsBoolean() ? "b1" : "b0";
    } else if (VarIsStr(value)) {
        out += 's' + VarToStr(value);
    } else if (type == varDate || type == varSQLTimeStamp) {
        out += 'd' + bitsOf(value.AsDateTime());
    } else if (VarIsOrdinal(value)) {
        out += 'i' + IntToStr(value.AsInt64());
    } else if (VarIsFloat(value)) {
        const Extended x = value.AsExtended();
        if (x > -9.0e18L && x < 9.0e18L && x == Extended(Int64(x)))
            out += 'i' + IntToStr(Int64(x));
        else
            out += 'f' + bitsOf(double(x));
    } else {
        out += '?' + VarToStr(value);
    }
    out += '\x1f';
}

String LookupKeyText(const Variant& key) {
    String text;
    if (VarIsArray(key)) {
        for (Integer i = VarArrayLowBound(key, 1); i <= VarArrayHighBound(key, 1); ++i)
            AppendKeyText(text, VarArrayGet(key, {i}));
    } else {
        AppendKeyText(text, key);
    }
    return text;
}

} // namespace

void TLookupList::Add(const Variant& key, const Variant& value) { FItems[LookupKeyText(key)] = value; }

bool TLookupList::Find(const Variant& key, Variant& value) const {
    const auto found = FItems.find(LookupKeyText(key));
    if (found == FItems.end()) return false;
    value = found->second;
    return true;
}

// ---- TDataSet ------------------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), FFieldDefs(std::make_unique<TFieldDefs>(this)),
      FFields(std::make_unique<TFields>(this)) {}

TDataSet::~TDataSet() {
    Destroying();
    // A concrete data set closes in its own destructor, while its storage still exists; here
    // only the buffers are left to drop.
    if (GetActive()) {
        FState = dsInactive;
        FreeBuffers();
    }
    // Nothing virtual of this class can run any more: the sources are let go directly.
    const std::vector<TDataSource*> sources = FDataSources;
    FDataSources.clear();
    for (TDataSource* source : sources) {
        source->FDataSet = nullptr;
        source->UpdateState();
    }
    // Fields this data set owns go with it; the others (a form's) stay and forget it.
    std::vector<TField*> fields = FFields->FList;
    for (TField* field : fields) {
        if (field->GetOwner() == this) {
            delete field;
        } else {
            field->FDataSet = nullptr;
            FFields->Remove(field);
        }
    }
}

void TDataSet::DoEvent(const TDataSetNotifyEvent& event) {
    if (event) event(this);
}

void TDataSet::CheckActive() const {
    if (!GetActive()) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() {
    if (GetActive()) DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckCanModify() const {
    if (!GetCanModify()) DatabaseError(SDataSetReadOnly, this);
}

// ---- Opening and closing ----

void TDataSet::SetActive(bool value) {
    if (GetComponentState().Contains(csReading)) {
        FStreamedActive = value;
        return;
    }
    DoSetActive(value);
}

void TDataSet::DoSetActive(bool value) {
    if (GetActive() == value) return;
    if (value) {
        DoEvent(BeforeOpen);
        try {
            OpenCursor();
        } catch (...) {
            CloseCursor();
            throw;
        }
        SetState(dsBrowse);
        DoEvent(AfterOpen);
        if (!IsEmpty()) DoEvent(AfterScroll);
    } else {
        const bool destroying = GetComponentState().Contains(csDestroying);
        if (!destroying) DoEvent(BeforeClose);
        SetState(dsInactive);
        CloseCursor();
        if (!destroying) DoEvent(AfterClose);
    }
}

void TDataSet::OpenCursor() {
    FDefaultFields = GetFieldCount() == 0;
    InternalOpen();
    // The fields exist now; the window below is filled through the filter.
    if (FFiltered) PrepareFilterText();
    UpdateBufferCount();
    FBOF = true;
}

void TDataSet::CloseCursor() {
    FreeBuffers();
    // The parsed filter points at fields that closing may free.
    FFilterExpression.reset();
    InternalClose();
    FBlockReadSize = 0;
}

void TDataSet::Loaded() {
    inherited::Loaded();
    if (FStreamedActive) {
        FStreamedActive = false;
        DoSetActive(true);
    }
}

void TDataSet::GetChildren(const TGetChildProc& proc, TComponent* root) {
    for (TField* field : FFields->FList)
        if (field->GetOwner() == root) proc(field);
}

void TDataSet::SetFieldDefs(TFieldDefs* value) { FFieldDefs->Assign(value); }

// ---- Fields ----

void TDataSet::BindFields(bool binding) {
    FCalcFieldCount = 0;
    for (TField* field : FFields->FList) {
        field->FCalcSlot = -1;
        // Cached lookup results last while the data set stays open.
        if (field->FLookupList) field->FLookupList->Clear();
        if (!binding) {
            if (field->FFieldKind == fkData) field->FFieldNo = 0;
            continue;
        }
        if (field->FFieldName.empty()) DatabaseError(SFieldNameMissing, this);
        if (field->FFieldKind == fkData) {
            const Integer index = FFieldDefs->IndexOf(field->FFieldName);
            if (index < 0) DatabaseErrorFmt(SFieldNotFound, {field->GetDisplayName()}, this);
            TFieldDef* def = FFieldDefs->GetItems(index);
            const TFieldType expected = field->FDataType;
            const TFieldType actual = def->GetDataType();
            const bool compatible = expected == actual || (expected == ftString && actual == ftFixedChar) ||
                                    (expected == ftFixedChar && actual == ftString);
            if (!compatible)
                DatabaseErrorFmt(SFieldTypeMismatch,
                                 {field->GetDisplayName(), String(FieldTypeNames[expected]),
                                  String(FieldTypeNames[actual])},
                                 this);
            field->FFieldNo = def->GetFieldNo();
        } else {
            if (field->FFieldKind == fkLookup) {
                if (field->FLookupDataSet == nullptr || field->FKeyFields.empty() ||
                    field->FLookupKeyFields.empty() || field->FLookupResultField.empty())
                    DatabaseErrorFmt(SLookupInfoError, {field->GetDisplayName()}, this);
                if (field->FLookupDataSet == this) DatabaseError(SCircularDataLink, this);
            }
            field->FCalcSlot = FCalcFieldCount++;
        }
    }
}

void TDataSet::CreateFields() {
    for (Integer i = 0; i < FFieldDefs->GetCount(); ++i)
        FFieldDefs->GetItems(i)->CreateField(this, this);
}

void TDataSet::DestroyFields() {
    std::vector<TField*> fields = FFields->FList;
    for (TField* field : fields) {
        if (field->GetOwner() == this)
            delete field;
        else
            field->SetDataSet(nullptr);
    }
}

TField* TDataSet::FieldByName(const String& fieldName) const {
    TField* field = FFields->FindField(fieldName);
    if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {fieldName}, this);
    return field;
}

std::vector<TField*> TDataSet::GetFieldList(const String& fieldNames) const {
    std::vector<TField*> result;
    for (const String& name : SplitNames(fieldNames))
        result.push_back(FieldByName(name));
    return result;
}

void TDataSet::GetFieldList(TList* list, const String& fieldNames) const {
    for (TField* field : GetFieldList(fieldNames))
        list->Add(field);
}

Variant TDataSet::GetFieldValues(const String& fieldNames) const {
    const std::vector<TField*> fields = GetFieldList(fieldNames);
    if (fields.empty()) return Null();
    if (fields.size() == 1) return fields[0]->GetValue();
    Variant result = VarArrayCreate({0, Integer(fields.size()) - 1}, varVariant);
    for (std::size_t i = 0; i < fields.size(); ++i)
        VarArrayPut(result, fields[i]->GetValue(), {Integer(i)});
    return result;
}

void TDataSet::SetFieldValues(const String& fieldNames, const Variant& value) {
    const std::vector<TField*> fields = GetFieldList(fieldNames);
    if (fields.size() == 1) {
        fields[0]->SetValue(value);
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i]->SetValue(VarArrayGet(value, {Integer(i)}));
}

void TDataSet::FieldAdded(TField*) { DataEvent(deFieldListChange, 0); }

void TDataSet::FieldRemoved(TField*) {
    if (!GetComponentState().Contains(csDestroying)) DataEvent(deFieldListChange, 0);
}

// ---- Field values ----

TRecordBuffer* TDataSet::GetActiveRecordBuffer() const {
    switch (FState) {
    case dsBrowse:
    case dsBlockRead:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsOldValue:
    case dsCurValue:
        return ActiveBuffer();
    case dsCalcFields:
    case dsInternalCalc:
        return FCalcBuffer;
    case dsFilter:
        return FFilterBuffer;
    default:
        return nullptr;
    }
}

Variant TDataSet::BufferValue(const TRecordBuffer& buffer, const TField* field) const {
    if (field->FFieldKind == fkData) {
        const Integer index = field->FFieldNo - 1;
        if (index >= 0 && index < Integer(buffer.Data.size())) return buffer.Data[index];
        return Null();
    }
    const Integer slot = field->FCalcSlot;
    if (slot >= 0 && slot < Integer(buffer.Calc.size())) return buffer.Calc[slot];
    return Null();
}

Variant TDataSet::FieldValuesOf(TRecordBuffer& buffer, const std::vector<TField*>& fields) {
    const TDataSetState saved = SetTempState(dsCalcFields);
    TRecordBuffer* savedBuffer = FCalcBuffer;
    FCalcBuffer = &buffer;
    Variant result;
    try {
        if (fields.size() == 1) {
            result = fields[0]->GetValue();
        } else {
            result = VarArrayCreate({0, Integer(fields.size()) - 1}, varVariant);
            for (std::size_t i = 0; i < fields.size(); ++i)
                VarArrayPut(result, fields[i]->GetValue(), {Integer(i)});
        }
    } catch (...) {
        FCalcBuffer = savedBuffer;
        RestoreState(saved);
        throw;
    }
    FCalcBuffer = savedBuffer;
    RestoreState(saved);
    return result;
}

Variant TDataSet::GetFieldValue(const TField* field) const {
    const TRecordBuffer* buffer = GetActiveRecordBuffer();
    return buffer == nullptr ? Null() : BufferValue(*buffer, field);
}

Variant TDataSet::GetStoredFieldValue(const TField* field, TDataSetState) const {
    return GetFieldValue(field);
}

void TDataSet::SetFieldValue(TField* field, const Variant& value) {
    switch (FState) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
        break;
    default:
        DatabaseError(SNotEditing, this);
    }
    TRecordBuffer* buffer = GetActiveRecordBuffer();
    if (buffer == nullptr) DatabaseError(SNotEditing, this);
    const bool calculating = FState == dsCalcFields || FState == dsInternalCalc;
    if (calculating) {
        if (field->FFieldKind == fkData) DatabaseErrorFmt(SFieldReadOnly, {field->GetDisplayName()}, this);
    } else if (FState != dsFilter) {
        if (field->FReadOnly) DatabaseErrorFmt(SFieldReadOnly, {field->GetDisplayName()}, this);
        if (field->OnValidate) {
            field->FValidating = true;
            field->FValidateValue = value;
            try {
                field->OnValidate(field);
            } catch (...) {
                field->FValidating = false;
                field->FValidateValue.Clear();
                throw;
            }
            field->FValidating = false;
            field->FValidateValue.Clear();
        }
    }
    if (field->FFieldKind == fkData) {
        const Integer index = field->FFieldNo - 1;
        if (index < 0) DatabaseErrorFmt(SFieldNotFound, {field->GetDisplayName()}, this);
        if (index >= Integer(buffer->Data.size())) buffer->Data.resize(index + 1, Null());
        buffer->Data[index] = value;
    } else {
        const Integer slot = field->FCalcSlot;
        if (slot < 0) return;
        if (slot >= Integer(buffer->Calc.size())) buffer->Calc.resize(slot + 1, Null());
        buffer->Calc[slot] = value;
    }
    if (!calculating && FState != dsFilter && FState != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<TDataEventInfo>(field));
}

void TDataSet::CheckRequiredFields() {
    for (TField* field : FFields->FList)
        if (field->FRequired && field->FFieldKind == fkData && field->GetIsNull()) {
            field->FocusControl();
            DatabaseErrorFmt(SFieldRequired, {field->GetDisplayName()}, this);
        }
}

// ---- Calculated fields and filtering ----

TDataSetState TDataSet::SetTempState(TDataSetState value) {
    const TDataSetState old = FState;
    FState = value;
    return old;
}

void TDataSet::RestoreState(TDataSetState value) { FState = value; }

void TDataSet::SetState(TDataSetState value) {
    if (FState == value) return;
    FState = value;
    FModified = false;
    DataEvent(deUpdateState, 0);
}

void TDataSet::CalculateFields(TRecordBuffer& buffer) {
    if (FCalcFieldCount == 0) return;
    const TDataSetState saved = SetTempState(dsCalcFields);
    TRecordBuffer* savedBuffer = FCalcBuffer;
    FCalcBuffer = &buffer;
    try {
        buffer.Calc.assign(FCalcFieldCount, Null());
        for (TField* field : FFields->FList)
            if (field->FFieldKind == fkLookup) CalculateLookupField(field);
        if (OnCalcFields) OnCalcFields(this);
    } catch (...) {
        FCalcBuffer = savedBuffer;
        RestoreState(saved);
        throw;
    }
    FCalcBuffer = savedBuffer;
    RestoreState(saved);
}

void TDataSet::CalculateLookupField(TField* field) {
    TDataSet* lookupDataSet = field->FLookupDataSet;
    if (lookupDataSet == nullptr || !lookupDataSet->GetActive() || field->FCalcSlot < 0) return;
    const Variant keys = GetFieldValues(field->FKeyFields);
    if (VarIsArray(keys)) {
        for (Integer i = VarArrayLowBound(keys, 1); i <= VarArrayHighBound(keys, 1); ++i)
            if (VarIsNull(VarArrayGet(keys, {i})) || VarIsEmpty(VarArrayGet(keys, {i}))) return;
    } else if (VarIsNull(keys) || VarIsEmpty(keys)) {
        return;
    }
    Variant result;
    if (field->FLookupCache) {
        if (!field->FLookupList) field->FLookupList = std::make_unique<TLookupList>();
        if (!field->FLookupList->Find(keys, result)) {
            result = lookupDataSet->Lookup(field->FLookupKeyFields, keys, field->FLookupResultField);
            field->FLookupList->Add(keys, result);
        }
    } else {
        result = lookupDataSet->Lookup(field->FLookupKeyFields, keys, field->FLookupResultField);
    }
    FCalcBuffer->Calc[field->FCalcSlot] = result;
}

void TDataSet::UpdateCalcFields() {
    if (FState == dsSetKey || !FAutoCalcFields || FCalcFieldCount == 0) return;
    if (TRecordBuffer* buffer = ActiveBuffer(); buffer != nullptr && FRecordCount > 0)
        CalculateFields(*buffer);
}

bool TDataSet::FilterRecord(TRecordBuffer& buffer) { return !FFiltered || MatchesFilter(buffer); }

bool TDataSet::MatchesFilter(TRecordBuffer& buffer) {
    const TDataSetState saved = SetTempState(dsFilter);
    TRecordBuffer* savedBuffer = FFilterBuffer;
    FFilterBuffer = &buffer;
    bool accept = true;
    try {
        if (FCalcFieldCount > 0) CalculateFields(buffer);
        accept = EvaluateFilterText();
        if (accept && OnFilterRecord) OnFilterRecord(this, accept);
    } catch (...) {
        FFilterBuffer = savedBuffer;
        RestoreState(saved);
        throw;
    }
    FFilterBuffer = savedBuffer;
    RestoreState(saved);
    return accept;
}

void TDataSet::SetFilter(const String& value) {
    if (value == FFilterText) return;
    const String old = FFilterText;
    FFilterText = value;
    if (GetActive() && FFiltered) {
        try {
            PrepareFilterText();
        } catch (...) {
            FFilterText = old;
            throw;
        }
        FilterChanged();
    }
}

void TDataSet::SetFiltered(bool value) {
    if (value == FFiltered) return;
    if (value && GetActive()) PrepareFilterText();
    FFiltered = value;
    if (GetActive()) FilterChanged();
}

void TDataSet::SetFilterOptions(TFilterOptions value) {
    if (value == FFilterOptions) return;
    FFilterOptions = value;
    if (GetActive() && FFiltered) FilterChanged();
}

void TDataSet::FilterChanged() {
    CheckBrowseMode();
    First();
}

void TDataSet::PrepareFilterText() {
    if (Trim(FFilterText).empty())
        FFilterExpression.reset();
    else
        FFilterExpression = std::make_unique<TFilterExpression>(FFilterText, this);
}

bool TDataSet::EvaluateFilterText() {
    return !FFilterExpression || FFilterExpression->Evaluate(FFilterOptions);
}

// ---- Buffer window ----

void TDataSet::FreeBuffers() {
    FBuffers.clear();
    FBufferCount = 0;
    ClearBuffers();
}

void TDataSet::ClearBuffers() {
    FRecordCount = 0;
    FActiveRecord = 0;
    FCurrentRecord = -1;
    FBOF = true;
    FEOF = true;
}

void TDataSet::ActivateBuffers() {
    FRecordCount = 1;
    FActiveRecord = 0;
    FBOF = false;
    FEOF = false;
}

void TDataSet::MoveBuffer(Integer curIndex, Integer newIndex) {
    if (curIndex == newIndex) return;
    std::unique_ptr<TRecordBuffer> buffer = std::move(FBuffers[curIndex]);
    FBuffers.erase(FBuffers.begin() + curIndex);
    FBuffers.insert(FBuffers.begin() + newIndex, std::move(buffer));
    if (FCurrentRecord == curIndex)
        FCurrentRecord = newIndex;
    else if (curIndex < FCurrentRecord && FCurrentRecord <= newIndex)
        --FCurrentRecord;
    else if (newIndex <= FCurrentRecord && FCurrentRecord < curIndex)
        ++FCurrentRecord;
}

void TDataSet::SetCurrentRecord(Integer index) {
    if (FCurrentRecord == index) return;
    const TRecordBuffer& buffer = *FBuffers[index];
    switch (buffer.Flag) {
    case bfCurrent:
    case bfInserted:
        InternalSetToRecord(buffer);
        break;
    case bfBOF:
        InternalFirst();
        break;
    case bfEOF:
        InternalLast();
        break;
    }
    FCurrentRecord = index;
}

TGetResult TDataSet::FetchRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) {
    buffer.Flag = bfCurrent;
    const TGetResult result = GetRecord(buffer, mode, doCheck);
    if (result == grOK && FCalcFieldCount > 0) CalculateFields(buffer);
    return result;
}

bool TDataSet::GetNextRecord() {
    if (FRecordCount > 0) SetCurrentRecord(FRecordCount - 1);
    const bool ok = FetchRecord(*FBuffers[FRecordCount], gmNext, true) == grOK;
    if (ok) {
        if (FRecordCount == 0)
            ActivateBuffers();
        else if (FRecordCount < FBufferCount)
            ++FRecordCount;
        else
            MoveBuffer(0, FRecordCount);
        FCurrentRecord = FRecordCount - 1;
    } else {
        CursorPosChanged();
    }
    return ok;
}

bool TDataSet::GetPriorRecord() {
    if (FRecordCount > 0) SetCurrentRecord(0);
    const bool ok = FetchRecord(*FBuffers[FRecordCount], gmPrior, true) == grOK;
    if (ok) {
        if (FRecordCount == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(FRecordCount, 0);
            if (FRecordCount < FBufferCount) {
                ++FRecordCount;
                ++FActiveRecord;
            }
        }
        FCurrentRecord = 0;
    } else {
        CursorPosChanged();
    }
    return ok;
}

Integer TDataSet::GetNextRecords() {
    Integer count = 0;
    while (FRecordCount < FBufferCount && GetNextRecord())
        ++count;
    return count;
}

Integer TDataSet::GetPriorRecords() {
    Integer count = 0;
    while (FRecordCount < FBufferCount && GetPriorRecord())
        ++count;
    return count;
}

void TDataSet::AdjustFirstRecord(Integer delta) {
    if (delta == 0) return;
    for (TDataSource* source : FDataSources)
        for (TDataLink* link : source->FDataLinks)
            if (link->FActive) link->FFirstRecord += delta;
}

void TDataSet::SetBufferCount(Integer value) {
    constexpr Integer MaxBufferCount = 1024;
    value = std::clamp(value, 0, MaxBufferCount);
    if (value == FBufferCount) return;
    if (value < FRecordCount) {
        // Rows before the active one go first, so that it stays inside the smaller window.
        const Integer delta = FActiveRecord - value + 1;
        if (delta > 0) {
            for (Integer i = 0; i < delta; ++i)
                MoveBuffer(0, Integer(FBuffers.size()) - 1);
            FActiveRecord -= delta;
            FRecordCount -= delta;
            AdjustFirstRecord(-delta);
        }
        if (FRecordCount > value) FRecordCount = value;
        CursorPosChanged();
    }
    const std::size_t oldSize = FBuffers.size();
    FBuffers.resize(std::size_t(value) + 1);
    for (std::size_t i = oldSize; i < FBuffers.size(); ++i)
        FBuffers[i] = std::make_unique<TRecordBuffer>();
    FBufferCount = value;
    if (value > 0 && IsCursorOpen()) {
        GetNextRecords();
        if (FRecordCount > 0 && FRecordCount < FBufferCount) AdjustFirstRecord(GetPriorRecords());
    }
}

void TDataSet::UpdateBufferCount() {
    if (!IsCursorOpen()) return;
    Integer count = 1;
    for (TDataSource* source : FDataSources)
        for (TDataLink* link : source->FDataLinks)
            count = std::max(count, link->FBufferCount);
    SetBufferCount(count);
}

void TDataSet::UpdateCursorPos() {
    if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

void TDataSet::Resync(TResyncMode mode) {
    TRecordBuffer& spare = *FBuffers[FRecordCount];
    if (mode.Contains(rmExact)) {
        CursorPosChanged();
        if (FetchRecord(spare, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
    } else if (FetchRecord(spare, gmCurrent, false) != grOK && FetchRecord(spare, gmNext, false) != grOK &&
               FetchRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    Integer count = mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
    MoveBuffer(FRecordCount, 0);
    FCurrentRecord = 0;
    ActivateBuffers();
    try {
        while (count > 0 && GetPriorRecord())
            --count;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

// ---- Navigation ----

void TDataSet::First() {
    CheckBrowseMode();
    DoEvent(BeforeScroll);
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        FBOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    DoEvent(AfterScroll);
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoEvent(BeforeScroll);
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        FEOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    DoEvent(AfterScroll);
}

Integer TDataSet::MoveBy(Integer distance) {
    CheckBrowseMode();
    Integer result = 0;
    if ((distance > 0 && !FEOF) || (distance < 0 && !FBOF)) {
        FBOF = false;
        FEOF = false;
        const Integer oldRecordCount = FRecordCount;
        Integer scrollBy = 0;
        DoEvent(BeforeScroll);
        try {
            if (distance > 0) {
                if (FActiveRecord < FRecordCount - 1) {
                    const Integer step = std::min(FRecordCount - 1 - FActiveRecord, distance);
                    result += step;
                    distance -= step;
                    FActiveRecord += step;
                }
                while (distance > 0) {
                    const Integer before = FRecordCount;
                    if (!GetNextRecord()) {
                        FEOF = true;
                        break;
                    }
                    if (FRecordCount > before)
                        FActiveRecord = FRecordCount - 1; // the window grew instead of shifting
                    else
                        --scrollBy;
                    ++result;
                    --distance;
                }
            } else {
                if (FActiveRecord > 0) {
                    const Integer step = std::min(FActiveRecord, -distance);
                    result -= step;
                    distance += step;
                    FActiveRecord -= step;
                }
                while (distance < 0) {
                    const Integer before = FRecordCount;
                    if (!GetPriorRecord()) {
                        FBOF = true;
                        break;
                    }
                    if (FRecordCount > before)
                        FActiveRecord = 0;
                    else
                        ++scrollBy;
                    --result;
                    ++distance;
                }
            }
        } catch (...) {
            DataEvent(deDataSetChange, 0);
            throw;
        }
        if (FRecordCount != oldRecordCount)
            DataEvent(deDataSetChange, 0);
        else
            DataEvent(deDataSetScroll, scrollBy);
        DoEvent(AfterScroll);
    }
    return result;
}

Integer TDataSet::GetRecNo() const { return -1; }

void TDataSet::SetRecNo(Integer) {}

Integer TDataSet::GetRecordCount() const { return -1; }

bool TDataSet::Locate(const String&, const Variant&, TLocateOptions) { return false; }

Variant TDataSet::Lookup(const String&, const Variant&, const String&) { return Null(); }

bool TDataSet::FindRecord(bool, bool) {
    FFound = false;
    return false;
}

// ---- Editing ----

void TDataSet::InternalInitRecord(TRecordBuffer& buffer) {
    buffer.Data.assign(std::size_t(FFieldDefs->GetCount()), Null());
    buffer.Calc.assign(std::size_t(FCalcFieldCount), Null());
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoEvent(BeforeInsert);
    DoEvent(BeforeScroll);
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoEvent(OnNewRecord);
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync({});
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange, 0);
    DoEvent(AfterInsert);
    DoEvent(AfterScroll);
}

void TDataSet::Insert() {
    BeginInsertAppend();
    const TBookmark oldCurrent = GetBookmark();
    MoveBuffer(FRecordCount, FActiveRecord);
    TRecordBuffer& buffer = *ActiveBuffer();
    InternalInitRecord(buffer);
    CalculateFields(buffer);
    if (FRecordCount == 0) {
        buffer.Flag = bfBOF;
        buffer.Bookmark.clear();
    } else {
        buffer.Flag = bfInserted;
        buffer.Bookmark = oldCurrent;
    }
    if (FRecordCount < FBufferCount) ++FRecordCount;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer& buffer = *FBuffers[0];
    InternalInitRecord(buffer);
    CalculateFields(buffer);
    buffer.Flag = bfEOF;
    buffer.Bookmark.clear();
    FRecordCount = 1;
    FBOF = false;
    GetPriorRecords();
    InternalLast();
    EndInsertAppend();
}

void TDataSet::Edit() {
    if (FState == dsEdit || FState == dsInsert) return;
    if (FRecordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoEvent(BeforeEdit);
    CheckOperation(&TDataSet::InternalEdit, OnEditError);
    CalculateFields(*ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    DoEvent(AfterEdit);
}

void TDataSet::CheckOperation(TDataOperation operation, const TDataSetErrorEvent& errorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            (this->*operation)();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (errorEvent) errorEvent(this, &e, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
        }
    }
}

void TDataSet::Post() {
    UpdateRecord();
    if (FState == dsEdit || FState == dsInsert) {
        DataEvent(deCheckBrowseMode, 0);
        DoEvent(BeforePost);
        CheckOperation(&TDataSet::InternalPost, OnPostError);
        SetState(dsBrowse);
        Resync({});
        DoEvent(AfterPost);
    }
}

void TDataSet::Cancel() {
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    DoEvent(BeforeCancel);
    const bool scrolls = FState == dsInsert;
    if (scrolls) DoEvent(BeforeScroll);
    UpdateCursorPos();
    InternalCancel();
    SetState(dsBrowse);
    Resync({});
    DoEvent(AfterCancel);
    if (scrolls) DoEvent(AfterScroll);
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (FRecordCount == 0) DatabaseError(SDataSetEmpty, this);
    DataEvent(deCheckBrowseMode, 0);
    DoEvent(BeforeDelete);
    DoEvent(BeforeScroll);
    CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
    SetState(dsBrowse);
    Resync({});
    DoEvent(AfterDelete);
    DoEvent(AfterScroll);
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
    const Integer count = std::min(Integer(values.size()), GetFieldCount());
    for (Integer i = 0; i < count; ++i)
        FFields->GetFields(i)->SetValue(values[std::size_t(i)]);
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
    Append();
    SetFields(values);
    Post();
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
    Insert();
    SetFields(values);
    Post();
}

void TDataSet::ClearFields() {
    if (!IsEditMode(FState)) DatabaseError(SNotEditing, this);
    DataEvent(deCheckBrowseMode, 0);
    TRecordBuffer& buffer = *ActiveBuffer();
    const TBookmark bookmark = buffer.Bookmark;
    const TBookmarkFlag flag = buffer.Flag;
    InternalInitRecord(buffer);
    buffer.Bookmark = bookmark;
    buffer.Flag = flag;
    CalculateFields(buffer);
    DataEvent(deRecordChange, 0);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (FState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (FModified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

void TDataSet::UpdateRecord() {
    if (!IsEditMode(FState)) DatabaseError(SNotEditing, this);
    DataEvent(deUpdateRecord, 0);
}

// ---- Bookmarks ----

bool TDataSet::BookmarkAvailable() const {
    return GetActive() && !IsEmpty() && ActiveBuffer()->Flag == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const {
    return BookmarkAvailable() ? ActiveBuffer()->Bookmark : TBookmark();
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    DoEvent(BeforeScroll);
    InternalGotoBookmark(bookmark);
    Resync({rmExact, rmCenter});
    DoEvent(AfterScroll);
}

bool TDataSet::BookmarkValid(const TBookmark&) const { return false; }

Integer TDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const {
    if (bookmark1.empty() && bookmark2.empty()) return 0;
    if (bookmark1.empty()) return -1;
    if (bookmark2.empty()) return 1;
    return DoCompareBookmarks(bookmark1, bookmark2);
}

Integer TDataSet::DoCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const {
    const int c = bookmark1.compare(bookmark2);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// ---- Controls and notices ----

void TDataSet::DisableControls() {
    if (FDisableCount == 0) {
        FDisableState = FState;
        FEnableEvent = deDataSetChange;
    }
    ++FDisableCount;
}

void TDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount == 0) {
        if (FDisableState != FState) DataEvent(deUpdateState, 0);
        if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent, 0);
    }
}

void TDataSet::Refresh() {
    DoEvent(BeforeRefresh);
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync({});
    DoEvent(AfterRefresh);
}

void TDataSet::SetBlockReadSize(Integer value) {
    if (value > 0) {
        CheckActive();
        SetState(dsBlockRead);
    } else if (FState == dsBlockRead) {
        FBlockReadSize = value;
        SetState(dsBrowse);
        // The links heard nothing while the records were read: they catch up at once.
        DataEvent(deDataSetChange, 0);
        return;
    }
    FBlockReadSize = value;
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) const {
    // A chain of masters can be at most as long as there are data sets; the bound keeps a
    // broken chain from looping.
    for (Integer guard = 0; dataSource != nullptr && guard < 10000; ++guard) {
        TDataSet* dataSet = dataSource->GetDataSet();
        if (dataSet == nullptr) break;
        if (dataSet == this) return true;
        dataSource = dataSet->GetDataSource();
    }
    return false;
}

void TDataSet::DataEvent(TDataEvent event, TDataEventInfo info) {
    bool notify = !(ControlsDisabled() || FState == dsBlockRead);
    switch (event) {
    case deFieldChange: {
        TField* field = reinterpret_cast<TField*>(info);
        if (field->FFieldKind == fkData || field->FFieldKind == fkInternalCalc) FModified = true;
        UpdateCalcFields();
        if (field->OnChange) field->OnChange(field);
        break;
    }
    case dePropertyChange:
        FFieldDefs->SetUpdated(false);
        break;
    case deLayoutChange:
        if (ControlsDisabled()) FEnableEvent = deLayoutChange;
        break;
    case deUpdateState:
        if (ControlsDisabled()) {
            event = deDisabledStateChange;
            info = FState != dsInactive ? 1 : 0;
            notify = true;
        }
        break;
    default:
        break;
    }
    if (!notify) return;
    const std::vector<TDataSource*> sources = FDataSources;
    for (TDataSource* source : sources)
        if (std::find(FDataSources.begin(), FDataSources.end(), source) != FDataSources.end())
            source->DataEvent(event, info);
}

void TDataSet::AddDataSource(TDataSource* dataSource) {
    FDataSources.push_back(dataSource);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* dataSource) {
    FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), dataSource), FDataSources.end());
    UpdateBufferCount();
}
