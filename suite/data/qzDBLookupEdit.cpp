#include "suite/data/qzDBLookupEdit.h"

#include <set>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

const char* const sqzPropertyDefinedByLookupField = "Property already defined by lookup field";
const char* const sqzCircularDataLink = "Circular datalinks are not allowed";

namespace {

const bool kDBLookupEditClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomDBLookupEditLookupData>();
    RegisterInterfacedPersistentClass<TqzCustomDBLookupEditProperties>();
    return true;
}();

// The properties' list notification lock for a scope.
class TNotifyLock {
public:
    explicit TNotifyLock(TqzCustomLookupEditProperties* properties) : FProperties(properties) {
        FProperties->BeginListNotifyLock();
    }
    ~TNotifyLock() noexcept(false) { FProperties->EndListNotifyLock(); }
    TNotifyLock(const TNotifyLock&) = delete;
    TNotifyLock& operator=(const TNotifyLock&) = delete;

private:
    TqzCustomLookupEditProperties* FProperties;
};

Integer CountNames(const String& names) {
    if (names.empty()) return 0;
    Integer count = 1;
    for (char c : names)
        if (c == ';') ++count;
    return count;
}

} // namespace

// ---- Lookup data -----------------------------------------------------------------------------

void TqzCustomDBLookupEditLookupData::SetCurrentKeyFromRecord(Integer recordIndex) {
    TqzCustomDataController* controller = GetDataController();
    SelectedKey = controller && recordIndex != -1 ? controller->GetRecordId(recordIndex) : Null();
}

void TqzCustomDBLookupEditLookupData::FocusCurrentKeyRecord() {
    auto* properties = dynamic_cast<TqzCustomDBLookupEditProperties*>(GetProperties());
    TqzDBDataController* controller = properties ? properties->GetListDBDataController() : nullptr;
    if (!controller) return;
    TNotifyLock lock(properties);
    try {
        // Outside grid mode a key that no record has leaves no row focused.
        if (!controller->LocateByKey(SelectedKey) && !controller->IsGridMode())
            controller->ChangeFocusedRowIndex(-1);
    } catch (const EVariantError&) {
    } catch (const EDatabaseError&) {
    }
}

// ---- Properties ------------------------------------------------------------------------------

TqzCustomDBLookupEditProperties::TqzCustomDBLookupEditProperties(TPersistent* owner)
    : TqzCustomLookupEditProperties(owner) {}

TqzCustomDBLookupEditProperties::~TqzCustomDBLookupEditProperties() {
    FLookupFieldWatch.reset();
    FLookupFieldSource.reset();
}

void TqzCustomDBLookupEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomDBLookupEditProperties*>(source);
    if (!other) {
        TqzCustomLookupEditProperties::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        TqzCustomLookupEditProperties::Assign(source);
        if (!IsDefinedByLookupField()) {
            SetKeyFieldNames(other->GetKeyFieldNames());
            SetListFieldNames(other->GetListFieldNames());
            SetListFieldIndex(other->GetListFieldIndex());
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCustomDBLookupEditProperties::CheckNotDefinedByLookupField() {
    if (IsDefinedByLookupField() && !FInternalAssign) DatabaseError(sqzPropertyDefinedByLookupField);
}

void TqzCustomDBLookupEditProperties::Changed() {
    if (FInChanged) {
        TqzCustomLookupEditProperties::Changed();
        return;
    }
    FInChanged = true;
    try {
        if (FLookupTextCache) FLookupTextCache->ClearItems();
        if (TqzDBDataController* controller = GetListDBDataController())
            controller->GetDataModeController()->SetGridMode(GetGridMode());
        BindLookupField();
        ApplyLookupResultField();
        TqzCustomLookupEditProperties::Changed();
    } catch (...) {
        FInChanged = false;
        throw;
    }
    FInChanged = false;
}

TClass TqzCustomDBLookupEditProperties::GetContainerClass() const { return TqzCustomDBLookupEdit::StaticClass(); }

void TqzCustomDBLookupEditProperties::ReleaseDefaultValuesProvider() {
    TqzCustomLookupEditProperties::ReleaseDefaultValuesProvider();
    BeginUpdate();
    try {
        Changed();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TAlignment TqzCustomDBLookupEditProperties::GetDefaultHorzAlignment() {
    if (TField* field = GetListField()) return field->GetAlignment();
    return TqzCustomLookupEditProperties::GetDefaultHorzAlignment();
}

Integer TqzCustomDBLookupEditProperties::GetDefaultMaxLength() {
    if (TField* field = GetListField()) return field->GetSize();
    return TqzCustomLookupEditProperties::GetDefaultMaxLength();
}

Integer TqzCustomDBLookupEditProperties::GetEditValueSource(bool editing) {
    if (IsLookupFieldBound()) return editing ? 2 : 1;
    return TqzCustomLookupEditProperties::GetEditValueSource(editing);
}

TClass TqzCustomDBLookupEditProperties::GetLookupDataClass() const {
    return TqzCustomDBLookupEditLookupData::StaticClass();
}

TDataSet* TqzCustomDBLookupEditProperties::GetListDataSet() {
    TqzDBDataController* controller = GetListDBDataController();
    return controller ? controller->GetDataSet() : nullptr;
}

TField* TqzCustomDBLookupEditProperties::GetListField() {
    const Integer index = GetListIndex();
    return index == -1 ? nullptr : GetListColumnField(index);
}

TField* TqzCustomDBLookupEditProperties::GetEditorField() {
    auto* provider = dynamic_cast<TqzCustomDBEditDefaultValuesProvider*>(GetDefaultValuesProvider());
    return provider ? provider->GetField() : nullptr;
}

TField* TqzCustomDBLookupEditProperties::GetEditorLookupField() {
    TField* field = GetEditorField();
    if (!field || !field->GetLookup() || field->GetComponentState().Contains(csDestroying)) return nullptr;
    return field;
}

Integer TqzCustomDBLookupEditProperties::FindByText(Integer item, const String& text, bool partial) {
    if (!GetGridMode()) return TqzCustomLookupEditProperties::FindByText(item, text, partial);
    TqzDBDataController* controller = GetListDBDataController();
    TDataSet* dataSet = GetListDataSet();
    if (!controller || !dataSet || !dataSet->GetActive() || item == -1) return -1;
    TNotifyLock lock(this);
    try {
        TLocateOptions options{loCaseInsensitive};
        if (partial) options.Include(loPartialKey);
        if (dataSet->Locate(GetListColumnFieldName(item), Variant(text), options))
            return controller->GetFocusedRecordIndex();
    } catch (const EVariantError&) {
    } catch (const EDatabaseError&) {
    }
    return -1;
}

Integer TqzCustomDBLookupEditProperties::GetListFieldIndex() {
    if (FBoundLookupField) return FindListColumnByFieldName(FBoundLookupField->GetLookupResultField());
    return TqzCustomLookupEditProperties::GetListFieldIndex();
}

String TqzCustomDBLookupEditProperties::GetDisplayText(const Variant& key) {
    TqzDBDataController* controller = GetListDBDataController();
    const Integer listIndex = GetListIndex();
    if (!controller || listIndex == -1) return String();
    if (FLookupTextCache) {
        Integer index = 0;
        if (FLookupTextCache->Locate(key, index)) return FLookupTextCache->Item(index).Text;
        String text;
        {
            TNotifyLock lock(this);
            TDataSet* dataSet = GetListDataSet();
            TField* field = GetListField();
            if (dataSet && dataSet->GetActive() && field &&
                dataSet->Locate(controller->GetKeyFieldNames(), key, TLocateOptions()))
                text = field->GetAsString();
        }
        FLookupTextCache->InsertItem(index, key, text);
        return text;
    }
    Integer record = -1;
    try {
        record = controller->FindRecordIndexByKey(key);
    } catch (const EVariantError&) {
        record = -1;
    }
    return record == -1 ? String() : controller->GetDisplayText(record, listIndex);
}

bool TqzCustomDBLookupEditProperties::UsesIncrementalFiltering() {
    return !GetGridMode() && TqzCustomLookupEditProperties::UsesIncrementalFiltering();
}

Variant TqzCustomDBLookupEditProperties::GetNullKey() {
    const Integer count = CountNames(GetKeyFieldNames());
    if (count < 2) return Null();
    Variant result = VarArrayCreate({0, count - 1}, varVariant);
    for (Integer i = 0; i < count; ++i) VarArrayPut(result, Null(), {i});
    return result;
}

bool TqzCustomDBLookupEditProperties::IsKeyTheListField() {
    const String keys = GetKeyFieldNames();
    TDataSet* dataSet = GetListDataSet();
    if (keys.empty() || CountNames(keys) != 1 || !dataSet) return false;
    TField* key = dataSet->FindField(keys);
    return key && key == GetListField();
}

void TqzCustomDBLookupEditProperties::BeginListNotifyLock() {
    TqzCustomLookupEditProperties::BeginListNotifyLock();
    TqzDBDataController* controller = GetListDBDataController();
    if (controller && controller->IsGridMode()) {
        ++FLocateLockCount;
        controller->BeginLocate();
    }
}

void TqzCustomDBLookupEditProperties::EndListNotifyLock() {
    if (FLocateLockCount > 0) {
        --FLocateLockCount;
        if (TqzDBDataController* controller = GetListDBDataController()) controller->EndLocate();
    }
    TqzCustomLookupEditProperties::EndListNotifyLock();
}

void TqzCustomDBLookupEditProperties::SetListFieldIndex(Integer value) {
    CheckNotDefinedByLookupField();
    TqzCustomLookupEditProperties::SetListFieldIndex(value);
}

String TqzCustomDBLookupEditProperties::GetKeyFieldNames() {
    TqzDBDataController* controller = GetListDBDataController();
    return controller ? controller->GetKeyFieldNames() : String();
}

void TqzCustomDBLookupEditProperties::SetKeyFieldNames(const String& value) {
    CheckNotDefinedByLookupField();
    if (TqzDBDataController* controller = GetListDBDataController()) controller->SetKeyFieldNames(value);
}

String TqzCustomDBLookupEditProperties::GetListFieldNames() {
    String names;
    for (Integer i = 0; i < GetListColumnCount(); ++i) {
        if (i > 0) names += ";";
        names += GetListColumnFieldName(i);
    }
    return names;
}

void TqzCustomDBLookupEditProperties::SetListFieldNames(const String& value) {
    const String old = GetListFieldNames();
    BeginListColumnsUpdate();
    try {
        SetListColumnsByNames(value);
        ApplyLookupResultField();
        AdjustListFieldIndex();
    } catch (...) {
        EndListColumnsUpdate();
        throw;
    }
    EndListColumnsUpdate();
    if (GetListFieldNames() != old) Changed();
}

void TqzCustomDBLookupEditProperties::SetGridMode(bool value) {
    if (value == GetGridMode()) return;
    if (value)
        FLookupTextCache = std::make_unique<TqzLookupList>();
    else
        FLookupTextCache.reset();
    Changed();
}

void TqzCustomDBLookupEditProperties::ApplyLookupResultField() {
    if (FBoundLookupField) AddListColumnIfMissing(FBoundLookupField->GetLookupResultField());
}

void TqzCustomDBLookupEditProperties::BindLookupField() {
    TField* field = GetEditorLookupField();
    if (field != FBoundLookupField) {
        FBoundLookupField = field;
        if (!field) {
            FLookupFieldWatch.reset();
            FLookupFieldSource.reset();
        } else {
            if (!FLookupFieldSource) FLookupFieldSource = std::make_unique<TDataSource>(nullptr);
            FLookupFieldWatch = std::make_unique<TqzFreeNotificator>();
            FLookupFieldWatch->OnComponentFreed =
                TqzComponentFreedEvent(this, &TqzCustomDBLookupEditProperties::LookupFieldFreed);
            FLookupFieldWatch->WatchComponent(field);
            FLookupFieldSource->SetDataSet(field->GetLookupDataSet());
            if (TqzDBDataController* controller = GetListDBDataController()) {
                FInternalAssign = true;
                try {
                    // The key and list fields first: the controller reads them when the source
                    // loads.
                    if (FindListColumnByFieldName(field->GetLookupResultField()) == -1)
                        SetListFieldNames(field->GetLookupResultField());
                    SetKeyFieldNames(field->GetLookupKeyFields());
                    SetListFieldIndex(0);
                    controller->SetDataSource(FLookupFieldSource.get());
                } catch (...) {
                    FInternalAssign = false;
                    throw;
                }
                FInternalAssign = false;
            }
        }
    }
    TqzDBDataController* controller = GetListDBDataController();
    CheckCircularDataLink(controller ? controller->GetDataSource() : nullptr);
}

void TqzCustomDBLookupEditProperties::CheckCircularDataLink(TDataSource* listSource) {
    TField* field = GetEditorField();
    TDataSet* list = listSource ? listSource->GetDataSet() : nullptr;
    if (!field || !list) return;
    std::set<TDataSet*> seen;
    for (TDataSet* dataSet = field->GetDataSet(); dataSet && seen.insert(dataSet).second;) {
        if (dataSet == list) DatabaseError(sqzCircularDataLink);
        TDataSource* master = dataSet->GetDataSource();
        dataSet = master ? master->GetDataSet() : nullptr;
    }
}

KOV_PUBLISHED(TqzCustomDBLookupEditProperties) {}

// ---- Editor ----------------------------------------------------------------------------------

TqzCustomDBLookupEdit::TqzCustomDBLookupEdit(TComponent* owner) : TqzCustomDBLookupEdit(owner, false) {}

TqzCustomDBLookupEdit::TqzCustomDBLookupEdit(TComponent* owner, bool isInplace)
    : TqzCustomDBLookupEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomDBLookupEdit::TqzCustomDBLookupEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomLookupEdit(owner, isInplace, true) {}

TqzCustomDBLookupEditProperties* TqzCustomDBLookupEdit::GetActiveDBLookupProperties() {
    return dynamic_cast<TqzCustomDBLookupEditProperties*>(GetActiveProperties());
}

bool TqzCustomDBLookupEdit::AcceptsChar(char32_t ch) {
    TqzCustomDBLookupEditProperties* properties = GetActiveDBLookupProperties();
    TField* field = properties ? properties->GetListField() : nullptr;
    if (!field) return true;
    return ch > 0x7F || field->IsValidChar(char(ch));
}

Variant TqzCustomDBLookupEdit::ItemIndexToLookupKey(Integer index) {
    TqzCustomDBLookupEditProperties* properties = GetActiveDBLookupProperties();
    TqzDBDataController* controller = properties ? properties->GetListDBDataController() : nullptr;
    return controller && index != -1 ? controller->GetRecordId(index) : Null();
}

Integer TqzCustomDBLookupEdit::LookupKeyToItemIndex(const Variant& key) {
    TqzCustomDBLookupEditProperties* properties = GetActiveDBLookupProperties();
    TqzDBDataController* controller = properties ? properties->GetListDBDataController() : nullptr;
    if (!controller) return -1;
    try {
        return controller->FindRecordIndexByKey(key);
    } catch (const EVariantError&) {
        return -1;
    }
}

KOV_PUBLISHED(TqzCustomDBLookupEdit) {}
