// The in-memory data set.
#include "platform/classlib/MemDataSet.h"

#include <algorithm>

#include "platform/classlib/DBFilter.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

bool IsNullValue(const Variant& value) { return VarIsNull(value) || VarIsEmpty(value); }

} // namespace

// ---- TMemDataSet ---------------------------------------------------------------------------------

TMemDataSet::TMemDataSet(TComponent* owner) : TDataSet(owner) {}

TMemDataSet::~TMemDataSet() {
    Destroying();
    try {
        Close();
    } catch (...) {
        // Closing an in-memory set drops its records; nothing can be lost that was not already.
    }
}

void TMemDataSet::CreateDataSet() {
    CheckInactive();
    if (GetFieldDefs()->GetCount() == 0 && GetFieldCount() > 0) InitFieldDefsFromFields();
    Open();
}

void TMemDataSet::EmptyDataSet() {
    CheckBrowseMode();
    FRecords.clear();
    RecordsChanged();
    FCursor = -1;
    Resync({});
}

void TMemDataSet::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    if (GetActive()) CheckBrowseMode();
    FReadOnly = value;
}

void TMemDataSet::InitFieldDefsFromFields() {
    TFieldDefs* defs = GetFieldDefs();
    defs->BeginUpdate();
    try {
        defs->Clear();
        for (Integer i = 0; i < GetFieldCount(); ++i) {
            TField* field = GetFields()->GetFields(i);
            if (field->GetFieldKind() != fkData) continue;
            const bool sized = dynamic_cast<TStringField*>(field) != nullptr ||
                               dynamic_cast<TBinaryField*>(field) != nullptr ||
                               dynamic_cast<TBCDField*>(field) != nullptr ||
                               dynamic_cast<TFMTBCDField*>(field) != nullptr || field->GetIsBlob();
            TFieldDef* def = defs->Add(field->GetFieldName(), field->GetDataType(),
                                       sized ? field->GetSize() : 0, field->GetRequired());
            if (auto* f = dynamic_cast<TFloatField*>(field)) def->SetPrecision(f->GetPrecision());
            if (auto* f = dynamic_cast<TBCDField*>(field)) def->SetPrecision(f->GetPrecision());
            if (auto* f = dynamic_cast<TFMTBCDField*>(field)) def->SetPrecision(f->GetPrecision());
        }
    } catch (...) {
        defs->EndUpdate();
        throw;
    }
    defs->EndUpdate();
}

void TMemDataSet::InternalOpen() {
    if (GetFieldDefs()->GetCount() == 0) {
        if (GetFieldCount() == 0) DatabaseError(SNoFieldDefs, this);
        InitFieldDefsFromFields();
    }
    if (GetDefaultFields()) CreateFields();
    BindFields(true);
    FRecords.clear();
    RecordsChanged();
    FAutoIncValues.assign(std::size_t(GetFieldDefs()->GetCount()), 0);
    FCursor = -1;
    FCursorOpen = true;
}

void TMemDataSet::InternalClose() {
    FRecords.clear();
    RecordsChanged();
    FCursorOpen = false;
    BindFields(false);
    if (GetDefaultFields()) DestroyFields();
}

TBookmark TMemDataSet::BookmarkOf(Int64 id) { return IntToStr(id); }

Int64 TMemDataSet::IdOf(const TBookmark& bookmark) {
    Int64 id = 0;
    return TryStrToInt64(bookmark, id) ? id : -1;
}

Integer TMemDataSet::IndexOfId(Int64 id) const {
    if (!FIndexValid) {
        FIndex.clear();
        for (std::size_t i = 0; i < FRecords.size(); ++i)
            FIndex[FRecords[i]->Id] = Integer(i);
        FIndexValid = true;
    }
    const auto found = FIndex.find(id);
    return found == FIndex.end() ? -1 : found->second;
}

Integer TMemDataSet::IndexOfBookmark(const TBookmark& bookmark) const {
    const Int64 id = IdOf(bookmark);
    return id < 0 ? -1 : IndexOfId(id);
}

void TMemDataSet::FillBuffer(TRecordBuffer& buffer, Integer index) const {
    const TMemRecord& record = *FRecords[std::size_t(index)];
    buffer.Data = record.Values;
    buffer.Data.resize(std::size_t(GetFieldDefs()->GetCount()), Null());
    buffer.Calc.assign(std::size_t(GetCalcFieldCount()), Null());
    buffer.Bookmark = BookmarkOf(record.Id);
    buffer.Flag = bfCurrent;
}

bool TMemDataSet::AcceptRecord(Integer index, TRecordBuffer& buffer) {
    FillBuffer(buffer, index);
    return FilterRecord(buffer);
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool) {
    const Integer count = Integer(FRecords.size());
    switch (mode) {
    case gmNext: {
        Integer index = std::max(FCursor + 1, 0);
        while (index < count && !AcceptRecord(index, buffer))
            ++index;
        if (index >= count) {
            FCursor = count;
            return grEOF;
        }
        FCursor = index;
        return grOK;
    }
    case gmPrior: {
        Integer index = std::min(FCursor, count) - 1;
        while (index >= 0 && !AcceptRecord(index, buffer))
            --index;
        if (index < 0) {
            FCursor = -1;
            return grBOF;
        }
        FCursor = index;
        return grOK;
    }
    case gmCurrent:
        if (FCursor < 0 || FCursor >= count || !AcceptRecord(FCursor, buffer)) return grError;
        return grOK;
    }
    return grError;
}

void TMemDataSet::InternalFirst() { FCursor = -1; }

void TMemDataSet::InternalLast() { FCursor = Integer(FRecords.size()); }

void TMemDataSet::InternalSetToRecord(const TRecordBuffer& buffer) {
    const Integer index = IndexOfBookmark(buffer.Bookmark);
    if (index >= 0) FCursor = index;
}

void TMemDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    const Integer index = IndexOfBookmark(bookmark);
    if (index < 0) DatabaseError(SRecordNotFound, this);
    FCursor = index;
}

void TMemDataSet::InternalPost() {
    CheckRequiredFields();
    const TRecordBuffer& buffer = *ActiveBuffer();
    std::vector<Variant> values = buffer.Data;
    values.resize(std::size_t(GetFieldDefs()->GetCount()), Null());
    if (GetState() == dsEdit) {
        const Integer index = IndexOfBookmark(buffer.Bookmark);
        if (index < 0) DatabaseError(SRecordNotFound, this);
        FRecords[std::size_t(index)]->Values = std::move(values);
        FCursor = index;
        return;
    }
    // A new record: numbered columns left null get the next number of their column.
    for (std::size_t column = 0; column < values.size(); ++column) {
        if (GetFieldDefs()->GetItems(Integer(column))->GetDataType() != ftAutoInc) continue;
        Int64& last = FAutoIncValues[column];
        if (IsNullValue(values[column]))
            values[column] = Variant(Integer(++last));
        else
            last = std::max<Int64>(last, values[column].AsInt64());
    }
    auto record = std::make_unique<TMemRecord>();
    record->Id = FNextId++;
    record->Values = std::move(values);
    Integer index = Integer(FRecords.size());
    if (buffer.Flag == bfBOF) {
        index = 0;
    } else if (buffer.Flag == bfInserted) {
        const Integer before = IndexOfBookmark(buffer.Bookmark);
        if (before >= 0) index = before;
    }
    FRecords.insert(FRecords.begin() + index, std::move(record));
    RecordsChanged();
    FCursor = index;
}

void TMemDataSet::InternalDelete() {
    const Integer index = IndexOfBookmark(ActiveBuffer()->Bookmark);
    if (index < 0) DatabaseError(SRecordNotFound, this);
    FRecords.erase(FRecords.begin() + index);
    RecordsChanged();
    FCursor = index; // now on the record that followed
}

Integer TMemDataSet::GetRecordCount() const {
    CheckActive();
    if (!GetFiltered()) return Integer(FRecords.size());
    auto* self = const_cast<TMemDataSet*>(this);
    TRecordBuffer buffer;
    Integer count = 0;
    for (Integer i = 0; i < Integer(FRecords.size()); ++i)
        if (self->AcceptRecord(i, buffer)) ++count;
    return count;
}

Integer TMemDataSet::GetRecNo() const {
    if (!GetActive() || IsEmpty() || GetState() == dsInsert) return -1;
    const Integer index = IndexOfBookmark(ActiveBuffer()->Bookmark);
    if (index < 0) return -1;
    if (!GetFiltered()) return index + 1;
    auto* self = const_cast<TMemDataSet*>(this);
    TRecordBuffer buffer;
    Integer number = 0;
    for (Integer i = 0; i <= index; ++i)
        if (self->AcceptRecord(i, buffer)) ++number;
    return number;
}

void TMemDataSet::SetRecNo(Integer value) {
    CheckBrowseMode();
    if (value < 1) return;
    TRecordBuffer buffer;
    Integer number = 0;
    for (Integer i = 0; i < Integer(FRecords.size()); ++i) {
        if (!AcceptRecord(i, buffer) || ++number != value) continue;
        if (value == GetRecNo()) return;
        if (BeforeScroll) BeforeScroll(this);
        FCursor = i;
        Resync({rmCenter});
        if (AfterScroll) AfterScroll(this);
        return;
    }
}

bool TMemDataSet::BookmarkValid(const TBookmark& bookmark) const {
    if (!GetActive()) return false;
    const Integer index = IndexOfBookmark(bookmark);
    if (index < 0) return false;
    TRecordBuffer buffer;
    return const_cast<TMemDataSet*>(this)->AcceptRecord(index, buffer);
}

Integer TMemDataSet::DoCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const {
    const Integer index1 = IndexOfBookmark(bookmark1);
    const Integer index2 = IndexOfBookmark(bookmark2);
    // Records that are gone keep the order they were made in.
    const Int64 a = index1 >= 0 && index2 >= 0 ? index1 : IdOf(bookmark1);
    const Int64 b = index1 >= 0 && index2 >= 0 ? index2 : IdOf(bookmark2);
    return a < b ? -1 : a > b ? 1 : 0;
}

Variant TMemDataSet::GetStoredFieldValue(const TField* field, TDataSetState state) const {
    if (field->GetFieldKind() != fkData) return TDataSet::GetStoredFieldValue(field, state);
    const TRecordBuffer* buffer = ActiveBuffer();
    if (!GetActive() || buffer == nullptr || IsEmpty() || buffer->Flag != bfCurrent) return Null();
    const Integer index = IndexOfBookmark(buffer->Bookmark);
    const Integer column = field->GetFieldNo() - 1;
    if (index < 0 || column < 0) return Null();
    const std::vector<Variant>& values = FRecords[std::size_t(index)]->Values;
    return column < Integer(values.size()) ? values[std::size_t(column)] : Null();
}

Integer TMemDataSet::FindKeyRecord(const std::vector<TField*>& fields, const Variant& keyValues,
                                   TLocateOptions options, TRecordBuffer& buffer) {
    std::vector<Variant> keys;
    if (fields.size() == 1) {
        keys.push_back(VarIsArray(keyValues) ? VarArrayGet(keyValues, {VarArrayLowBound(keyValues, 1)})
                                             : keyValues);
    } else {
        if (!VarIsArray(keyValues)) return -1;
        const Integer low = VarArrayLowBound(keyValues, 1);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (low + Integer(i) > VarArrayHighBound(keyValues, 1)) return -1;
            keys.push_back(VarArrayGet(keyValues, {low + Integer(i)}));
        }
    }
    for (Integer index = 0; index < Integer(FRecords.size()); ++index) {
        if (!AcceptRecord(index, buffer)) continue;
        if (!GetFiltered()) CalculateFields(buffer);
        const Variant values = FieldValuesOf(buffer, fields);
        bool match = true;
        for (std::size_t i = 0; i < fields.size() && match; ++i) {
            const Variant value = fields.size() == 1 ? values : VarArrayGet(values, {Integer(i)});
            match = LocateKeyMatches(value, keys[i], options);
        }
        if (match) return index;
    }
    return -1;
}

bool TMemDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    if (fields.empty()) return false;
    TRecordBuffer buffer;
    const Integer index = FindKeyRecord(fields, keyValues, options, buffer);
    if (index < 0) return false;
    if (BeforeScroll) BeforeScroll(this);
    FCursor = index;
    Resync({rmExact, rmCenter});
    if (AfterScroll) AfterScroll(this);
    return true;
}

Variant TMemDataSet::Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
    if (!GetActive()) return Null();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    const std::vector<TField*> results = GetFieldList(resultFields);
    if (fields.empty() || results.empty()) return Null();
    TRecordBuffer buffer;
    if (FindKeyRecord(fields, keyValues, {}, buffer) < 0) return Null();
    return FieldValuesOf(buffer, results);
}

bool TMemDataSet::FindRecord(bool restart, bool goForward) {
    CheckBrowseMode();
    // Filtered or not, the search goes by the filter text as it stands now.
    if (!GetFiltered()) PrepareFilterText();
    if (BeforeScroll) BeforeScroll(this);
    SetFound(false);
    const Integer count = Integer(FRecords.size());
    const Integer step = goForward ? 1 : -1;
    Integer index = goForward ? 0 : count - 1;
    if (!restart && !IsEmpty()) {
        const Integer current = IndexOfBookmark(ActiveBuffer()->Bookmark);
        if (current >= 0) index = current + step;
    }
    TRecordBuffer buffer;
    for (; index >= 0 && index < count; index += step) {
        FillBuffer(buffer, index);
        if (!MatchesFilter(buffer)) continue;
        FCursor = index;
        Resync({rmExact, rmCenter});
        SetFound(true);
        if (AfterScroll) AfterScroll(this);
        return true;
    }
    return false;
}

// ---- Registration --------------------------------------------------------------------------------

namespace {

struct TMemDataSetRegistration {
    TMemDataSetRegistration() {
        RegisterEnum<TFilterOption>("TFilterOption", {"foCaseInsensitive", "foNoPartialCompare"});
        RegisterTypeName<TFilterOptions>("TFilterOptions");
        RegisterTypeName<TDataSetNotifyEvent>("TDataSetNotifyEvent");
        RegisterTypeName<TDataSetErrorEvent>("TDataSetErrorEvent");
        RegisterTypeName<TFilterRecordEvent>("TFilterRecordEvent");
        RegisterClass(TMemDataSet::StaticClass());
    }
};
const TMemDataSetRegistration MemDataSetRegistration;

} // namespace

KOV_PUBLISHED(TMemDataSet) {
    Property("AutoCalcFields", &TMemDataSet::GetAutoCalcFields, &TMemDataSet::SetAutoCalcFields)
        .Default(true);
    Property("FieldDefs", &TMemDataSet::GetFieldDefs, &TMemDataSet::SetFieldDefs);
    Property("Filter", &TMemDataSet::GetFilter, &TMemDataSet::SetFilter);
    Property("Filtered", &TMemDataSet::GetFiltered, &TMemDataSet::SetFiltered).Default(false);
    Property("FilterOptions", &TMemDataSet::GetFilterOptions, &TMemDataSet::SetFilterOptions)
        .Default(TFilterOptions());
    Property("ReadOnly", &TMemDataSet::GetReadOnly, &TMemDataSet::SetReadOnly).Default(false);
    // Active comes last so that a stored definition has everything else in place when it opens.
    Property("Active", &TMemDataSet::GetActive, &TMemDataSet::SetActive).Default(false);
    Property("BeforeOpen", &TMemDataSet::BeforeOpen);
    Property("AfterOpen", &TMemDataSet::AfterOpen);
    Property("BeforeClose", &TMemDataSet::BeforeClose);
    Property("AfterClose", &TMemDataSet::AfterClose);
    Property("BeforeInsert", &TMemDataSet::BeforeInsert);
    Property("AfterInsert", &TMemDataSet::AfterInsert);
    Property("BeforeEdit", &TMemDataSet::BeforeEdit);
    Property("AfterEdit", &TMemDataSet::AfterEdit);
    Property("BeforePost", &TMemDataSet::BeforePost);
    Property("AfterPost", &TMemDataSet::AfterPost);
    Property("BeforeCancel", &TMemDataSet::BeforeCancel);
    Property("AfterCancel", &TMemDataSet::AfterCancel);
    Property("BeforeDelete", &TMemDataSet::BeforeDelete);
    Property("AfterDelete", &TMemDataSet::AfterDelete);
    Property("BeforeScroll", &TMemDataSet::BeforeScroll);
    Property("AfterScroll", &TMemDataSet::AfterScroll);
    Property("BeforeRefresh", &TMemDataSet::BeforeRefresh);
    Property("AfterRefresh", &TMemDataSet::AfterRefresh);
    Property("OnCalcFields", &TMemDataSet::OnCalcFields);
    Property("OnDeleteError", &TMemDataSet::OnDeleteError);
    Property("OnEditError", &TMemDataSet::OnEditError);
    Property("OnFilterRecord", &TMemDataSet::OnFilterRecord);
    Property("OnNewRecord", &TMemDataSet::OnNewRecord);
    Property("OnPostError", &TMemDataSet::OnPostError);
}
