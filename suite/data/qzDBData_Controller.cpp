// The data-set data controller: fields bound to the data set's fields, the key, loading, the data
// set's position and the controller's focus, master-detail by key field names.
#include <algorithm>

#include "platform/classlib/ActnList.h"
#include "platform/runtime/StringLists.h"
#include "suite/data/qzDBData.h"
#include "suite/data/qzDBData_Scopes.h"
#include "suite/foundation/qzVariants.h"

namespace {

using qzdbdata::TControlsDisabled;
using qzdbdata::TFlagScope;

bool SameValues(const Variant& a, const Variant& b) { return VariantValuesEqual(a, b); }

} // namespace

// ---- Construction --------------------------------------------------------------------------------

TqzDBDataController::TqzDBDataController(TComponent* owner) : TqzCustomDataController(owner) {
    FDataModeController = std::make_unique<TqzDBDataModeController>(this);
    ReplaceProvider(new TqzDBDataProvider(this));
    ReplaceFilter(new TqzDBDataFilterCriteria(this));
    ReplaceSearch(new TqzDBDataControllerSearch(this));
    // Made again now that the summary item class is this controller's.
    ReplaceSummary(new TqzDataSummary(this));
    GetInfo()->ReplaceSelection(new TqzDBDataSelection(this));
    GetDBDataAdapters();
}

TqzDBDataController::~TqzDBDataController() {
    GetDBProvider()->Detach();
    FreeDetailKeyFields();
    TqzDBDataField* key = FKeyField;
    FKeyField = nullptr;
    delete key;
}

void TqzDBDataController::Assign(TPersistent* source) {
    inherited::Assign(source);
    auto* other = dynamic_cast<TqzDBDataController*>(source);
    if (!other) return;
    FDataModeController->Assign(other->FDataModeController.get());
    SetDataSource(other->GetDataSource());
    SetKeyFieldNames(other->FKeyFieldNames);
    SetDetailKeyFieldNames(other->FDetailKeyFieldNames);
    SetMasterKeyFieldNames(other->FMasterKeyFieldNames);
    OnDetailHasChildren = other->OnDetailHasChildren;
}

TqzCustomDataField* TqzDBDataController::CreateField() {
    auto* field = new TqzDBDataField(GetFields());
    GetFields()->AddField(field);
    return field;
}

TqzDBDataProvider* TqzDBDataController::GetDBProvider() const {
    return static_cast<TqzDBDataProvider*>(GetProvider());
}

TqzDBDataSelection* TqzDBDataController::GetDBSelection() const {
    return dynamic_cast<TqzDBDataSelection*>(GetInfo()->GetSelection());
}

// ---- Data set ------------------------------------------------------------------------------------

TDataSource* TqzDBDataController::GetDataSource() const { return GetDBProvider()->GetDataSource(); }

void TqzDBDataController::SetDataSource(TDataSource* value) {
    if (GetDataSource() == value) return;
    GetDBProvider()->SetDataSource(value);
    DataSourceChanged();
}

TDataSet* TqzDBDataController::GetDataSet() const { return GetDBProvider()->GetDataSet(); }

Integer TqzDBDataController::GetRecordCountInDataSet() const {
    TDataSet* dataSet = GetDataSet();
    return dataSet && dataSet->GetActive() ? dataSet->GetRecordCount() : 0;
}

Integer TqzDBDataController::GetRecNoInDataSet() const {
    TDataSet* dataSet = GetDataSet();
    return dataSet && dataSet->GetActive() ? dataSet->GetRecNo() : -1;
}

void TqzDBDataController::SetRecNoInDataSet(Integer value) {
    if (TDataSet* dataSet = GetDataSet()) dataSet->SetRecNo(value);
}

bool TqzDBDataController::IsDataSetSequenced() const {
    TDataSet* dataSet = GetDataSet();
    return dataSet && dataSet->IsSequenced();
}

TqzDBProviderDetailFilterAdapter* TqzDBDataController::GetDetailFilterAdapter() {
    TqzDBAdapterList* adapters = GetDBDataAdapters();
    TDataSet* dataSet = GetDataSet();
    Integer index = -1;
    if (dataSet && adapters->FindAdapter(dataSet->ClassType(), index))
        if (auto* adapter = dynamic_cast<TqzDBProviderDetailFilterAdapter*>(adapters->Adapters(index))) return adapter;
    RaiseDataControllerError(sqzDetailFilterNotFound);
}

// ---- Field names and binding ---------------------------------------------------------------------

String TqzDBDataController::GetItemFieldName(Integer itemIndex) const {
    CheckItemIndex(itemIndex);
    return static_cast<TqzDBDataField*>(GetItemField(itemIndex))->GetFieldName();
}

TField* TqzDBDataController::GetItemDataSetField(Integer itemIndex) const {
    CheckItemIndex(itemIndex);
    return static_cast<TqzDBDataField*>(GetItemField(itemIndex))->GetField();
}

void TqzDBDataController::SetItemFieldName(Integer itemIndex, const String& name) {
    CheckItemIndex(itemIndex);
    auto* field = static_cast<TqzDBDataField*>(GetItemField(itemIndex));
    if (field->GetFieldName() == name) return;
    SetFieldNames(field, name, false);
    LinkField(field);
}

void TqzDBDataController::SetFieldNames(TqzDBDataField* field, const String& names, bool composite) {
    if (field->GetLinkedField()) {
        field->SetLinkedField(nullptr);
        field->SetReferenceField(nullptr);
    }
    field->ClearChildren();
    if (!composite && field->GetFieldName() != names) {
        if (!field->GetFieldName().empty()) GetInfo()->RemoveField(field);
        field->SetFieldName(names);
    }
    if (composite || HasSeveralFieldNames(names)) {
        TqzUpdateLock lock(this);
        for (const String& name : SplitNames(names)) {
            auto* child = static_cast<TqzDBDataField*>(CreateInternalField());
            field->AddChild(child);
            SetFieldNames(child, name, false);
            LinkField(child);
        }
        return;
    }
    TqzDBDataField* reference = nullptr;
    if (!field->GetFieldName().empty()) {
        for (Integer i = 0; i < GetFields()->GetCount(); ++i) {
            auto* other = dynamic_cast<TqzDBDataField*>(GetFields()->GetItems(i));
            if (other && other != field && !other->GetInternal() && other->GetLinkedField() == nullptr &&
                SameTextUpper(other->GetFieldName(), field->GetFieldName())) {
                reference = other;
                break;
            }
        }
    }
    if (reference) {
        field->SetField(nullptr);
        field->SetLinkedField(reference);
        field->SetReferenceField(reference);
        Change(2);
    } else {
        const TqzValueTypeClass before = field->GetValueTypeClass();
        if (field->GetFieldName().empty()) field->SetValueTypeClass(nullptr);
        if (field->GetValueTypeClass() != before && !field->GetInternal()) {
            const Integer item = GetItemIndexOfField(field);
            if (item >= 0) ItemValueTypeClassChanged(item);
        }
        // A layout change, not just its notice: a loaded controller reloads its records so that
        // the newly bound field (a key or list field set after the source) has its values.
        LayoutChanged(1);
    }
}

bool TqzDBDataController::IsRefilledByOtherProvider() const {
    TDataSet* dataSet = GetDataSet();
    for (Integer i = 0; i < TqzDBDataProvider::RegistryCount(); ++i) {
        TqzDBDataProvider* provider = TqzDBDataProvider::RegistryItem(i);
        if (provider == GetDBProvider() || provider->GetDataSet() != dataSet) continue;
        if (provider->GetDBController()->DetailReopening) return true;
    }
    return false;
}

void TqzDBDataController::LinkField(TqzCustomDataField* field) {
    auto* dataField = dynamic_cast<TqzDBDataField*>(field);
    if (!dataField || dataField->ReferencedField()) return;
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return;
    TField* found = nullptr;
    if (!UnlinkingFields && !dataField->GetFieldName().empty() && !HasSeveralFieldNames(dataField->GetFieldName()))
        found = dataSet->FindField(dataField->GetFieldName());
    const TField* previous = dataField->GetField();
    if (dataField->ChildCount() == 0 || found) dataField->SetField(found);
    if (found && (found != previous || !IsRefilledByOtherProvider())) {
        dataField->UpdateFromField(found);
        if (found->GetLookup() && dataField->ChildCount() == 0) SetFieldNames(dataField, found->GetKeyFields(), true);
    }
}

void TqzDBDataController::LinkFields() {
    inherited::LinkFields();
    // Sub-fields of lookup fields: bound once their parent knows its lookup field.
    for (Integer i = 0; i < GetFields()->GetCount(); ++i) {
        auto* field = dynamic_cast<TqzDBDataField*>(GetFields()->GetItems(i));
        if (!field || !field->GetCompoundField()) continue;
        TField* parent = field->GetCompoundField()->GetField();
        if (parent && parent->GetLookup() && !parent->GetComponentState().Contains(csDestroying)) LinkField(field);
    }
}

void TqzDBDataController::UnlinkFields() {
    TFlagScope unlinking(UnlinkingFields);
    for (Integer i = 0; i < GetFields()->GetCount(); ++i)
        if (auto* field = dynamic_cast<TqzDBDataField*>(GetFields()->GetItems(i)))
            if (!field->ReferencedField()) field->SetField(nullptr);
}

void TqzDBDataController::ComponentRemoved(TComponent* component) {
    inherited::ComponentRemoved(component);
    if (FDetailKeyFields &&
        std::find(FDetailKeyFields->begin(), FDetailKeyFields->end(), component) != FDetailKeyFields->end())
        FreeDetailKeyFields();
}

bool TqzDBDataController::IsSourceField(TqzCustomDataField* field) const {
    if (auto* dataField = dynamic_cast<TqzDBDataField*>(field))
        if (dataField->GetField()) return true;
    return inherited::IsSourceField(field);
}

bool TqzDBDataController::CanEditItem(Integer itemIndex) {
    auto* field = dynamic_cast<TqzDBDataField*>(GetItemField(itemIndex));
    return field && field->CanEdit(0);
}

void TqzDBDataController::ChangeValueTypeClass(Integer itemIndex, TqzValueTypeClass valueType) {
    auto* field = dynamic_cast<TqzDBDataField*>(GetItemField(itemIndex));
    if (field && field->GetField()) return;
    inherited::ChangeValueTypeClass(itemIndex, valueType);
}

bool TqzDBDataController::IsItemTextValue(Integer itemIndex, bool excludeNumeric) {
    if (excludeNumeric) {
        auto* field = dynamic_cast<TqzDBDataField*>(GetItemField(itemIndex));
        if (field && FieldShowsCurrency(field->GetField())) return false;
    }
    return inherited::IsItemTextValue(itemIndex, excludeNumeric);
}

// ---- Key -----------------------------------------------------------------------------------------

void TqzDBDataController::SetKeyFieldNames(const String& value) {
    if (FKeyFieldNames == value) return;
    FKeyFieldNames = value;
    RebuildKeyField();
}

void TqzDBDataController::RebuildKeyField() {
    if (FKeyFieldNames.empty()) {
        TqzDBDataField* key = FKeyField;
        FKeyField = nullptr;
        delete key;
        Change(2);
        return;
    }
    if (!FKeyField) FKeyField = static_cast<TqzDBDataField*>(CreateInternalField());
    SetFieldNames(FKeyField, FKeyFieldNames, false);
    LinkField(FKeyField);
}

void TqzDBDataController::GetKeyFieldList(std::vector<TqzCustomDataField*>& list) const {
    if (!FKeyField) return;
    if (FKeyField->ChildCount() == 0) {
        list.push_back(FKeyField);
        return;
    }
    for (Integer i = 0; i < FKeyField->ChildCount(); ++i) list.push_back(FKeyField->GetChild(i));
}

std::vector<TField*> TqzDBDataController::GetKeyDataSetFields() const {
    std::vector<TqzCustomDataField*> keys;
    GetKeyFieldList(keys);
    std::vector<TField*> fields;
    for (TqzCustomDataField* key : keys) {
        TField* field = static_cast<TqzDBDataField*>(key)->GetField();
        if (!field) RaiseDataControllerError(sqzKeyFieldNotFound);
        fields.push_back(field);
    }
    return fields;
}

Variant TqzDBDataController::GetDataSetKeyValue() const { return GetFieldsValue(GetDataSet(), GetKeyDataSetFields()); }

bool TqzDBDataController::UsesSourceValues() const { return FKeyField != nullptr && !GetDBProvider()->IsGridMode(); }

bool TqzDBDataController::NeedsOriginalValues() const { return GetDBProvider()->IsSmartRefresh(); }

Variant TqzDBDataController::GetRecordId(Integer recordIndex) {
    CheckRecordIndex(recordIndex);
    std::vector<TqzCustomDataField*> keys;
    GetKeyFields(keys);
    return GetFieldListValue(recordIndex, keys);
}

Integer TqzDBDataController::FindRecordIndexByKey(const Variant& keyValue) {
    std::vector<TqzCustomDataField*> keys;
    GetKeyFields(keys);
    if (keys.empty()) return -1;
    if (keys.size() > 1 && !VarIsArray(keyValue)) return -1;
    for (Integer i = 0; i < GetRecordCount(); ++i)
        if (SameValues(GetFieldListValue(i, keys), keyValue)) return i;
    return -1;
}

bool TqzDBDataController::LocateByKey(const Variant& keyValue) {
    const Integer record = FindRecordIndexByKey(keyValue);
    TqzDBDataProvider* provider = GetDBProvider();
    if (record < 0 && provider->IsGridMode()) {
        TDataSet* dataSet = GetDataSet();
        if (!dataSet) return false;
        bool found = false;
        provider->BeginLocate();
        try {
            found = dataSet->Locate(FKeyFieldNames, keyValue, TLocateOptions());
        } catch (...) {
            provider->EndLocate();
            throw;
        }
        provider->EndLocate();
        if (found) SetFocusedRowSelected(true);
        return found;
    }
    if (record < 0) return false;
    ChangeFocusedRecordIndex(record);
    return GetFocusedRecordIndex() == record;
}

Integer TqzDBDataController::FindRecordIndexByDataSetKey() {
    if (!FKeyField || !GetDataSet() || !GetDataSet()->GetActive() || GetDataSet()->IsEmpty()) return -1;
    std::vector<TqzCustomDataField*> keys;
    GetKeyFieldList(keys);
    for (TqzCustomDataField* key : keys)
        if (!static_cast<TqzDBDataField*>(key)->GetField()) return -1;
    return FindRecordIndexByKey(GetDataSetKeyValue());
}

Variant TqzDBDataController::GetRecordFieldValue(Integer recordIndex, TqzCustomDataField* field) {
    auto* dataField = dynamic_cast<TqzDBDataField*>(field);
    if (dataField && dataField->ChildCount() > 0) {
        if (dataField->ChildCount() == 1) return GetRecordFieldValue(recordIndex, dataField->GetChild(0));
        std::vector<Variant> values;
        for (Integer i = 0; i < dataField->ChildCount(); ++i)
            values.push_back(GetRecordFieldValue(recordIndex, dataField->GetChild(i)));
        return VarArrayOf(values);
    }
    return inherited::GetRecordFieldValue(recordIndex, field);
}

Variant TqzDBDataController::GetFilterValue(Integer recordIndex, Integer itemIndex) {
    auto* dataField = dynamic_cast<TqzDBDataField*>(GetItemField(itemIndex));
    if (dataField && dataField->IsLookup()) {
        if (dataField->ChildCount() == 0) return Null();
        return GetRecordFieldValue(recordIndex, dataField);
    }
    return inherited::GetFilterValue(recordIndex, itemIndex);
}

String TqzDBDataController::GetItemFilterName(Integer itemIndex) {
    auto* dataField = dynamic_cast<TqzDBDataField*>(GetItemField(itemIndex));
    if (!dataField || !dataField->GetField()) return String();
    const bool ignoreOrigin = GetDBFilter() ? GetDBFilter()->GetIgnoreOrigin() : true;
    if (dataField->ChildCount() == 0) return FilterFieldName(dataField->GetField(), ignoreOrigin);
    String names;
    for (Integer i = 0; i < dataField->ChildCount(); ++i) {
        if (i > 0) names += ";";
        names += FilterFieldName(dataField->GetChild(i)->GetField(), ignoreOrigin);
    }
    return names;
}

// ---- Loading -------------------------------------------------------------------------------------

void TqzDBDataController::LoadData() {
    TqzDBDataProvider* provider = GetDBProvider();
    if (!UsesSourceValues() && !provider->IsGridMode()) provider->SetCurrentBufferRecord(0);
    LockFullUpdate();
    try {
        inherited::LoadData();
    } catch (...) {
        try {
            UnlockFullUpdate();
        } catch (...) {
        }
        throw;
    }
    UnlockFullUpdate();
}

void TqzDBDataController::AfterDataLoaded() {
    TqzDBDataProvider* provider = GetDBProvider();
    provider->NotifyWaitingProviders();
}

void TqzDBDataController::ReloadRecordFromDataSet(Integer recordIndex) {
    if (recordIndex == qzNoRecord) return;
    TqzDBDataProvider* provider = GetDBProvider();
    provider->PendingRecordIndex = recordIndex;
    TqzValueDefDBReader reader;
    GetStorage()->FillRecord(recordIndex, &reader);
    RecordLoaded(recordIndex);
    if (!provider->InCanInitEditing()) Change(2048);
}

void TqzDBDataController::StructureChangedUpdate() {
    if (!GetDBProvider()->IsGridMode()) GetDBProvider()->GetDataLink()->SetBufferCount(1);
    inherited::StructureChangedUpdate();
}

void TqzDBDataController::Loaded() {
    TqzDBDataProvider* provider = GetDBProvider();
    // An activation that waited for the owner runs now with the link's present state; it loads
    // the structure and the records itself, so the first layout change is not repeated.
    const bool activated = ActivationPending;
    if (ActivationPending) {
        ActivationPending = false;
        provider->GetDataLink()->ApplyActiveState();
    }
    if (!WasLoaded && !activated && provider->IsStructureReady()) inherited::LayoutChanged(1);
    inherited::Loaded();
    WasLoaded = true;
}

bool TqzDBDataController::ExecuteAction(TObject* action) {
    if (inherited::ExecuteAction(action)) return true;
    auto* basicAction = dynamic_cast<TBasicAction*>(action);
    return basicAction && GetDBProvider()->GetDataLink()->ExecuteAction(basicAction);
}

bool TqzDBDataController::UpdateAction(TObject* action) {
    if (inherited::UpdateAction(action)) return true;
    auto* basicAction = dynamic_cast<TBasicAction*>(action);
    return basicAction && GetDBProvider()->GetDataLink()->UpdateAction(basicAction);
}

bool TqzDBDataController::IsGridModeNotifyLocked() const {
    if (inherited::IsGridModeNotifyLocked()) return true;
    return GetDBProvider()->IsGridMode() && GetDataSet() && GetDataSet()->GetState() == dsInsert;
}

void TqzDBDataController::RefreshSource() {
    if (TDataSet* dataSet = GetDataSet()) dataSet->Refresh();
}

void TqzDBDataController::ApplyGridModeBufferCount() {
    TqzDBDataProvider* provider = GetDBProvider();
    if (!provider->IsGridMode()) return;
    TFlagScope refreshing(RefreshingBuffer);
    provider->LoadGridModeBuffer();
    Change(2);
}

// ---- Position and focus --------------------------------------------------------------------------

Integer TqzDBDataController::GetCurrentBufferRecord() {
    if (GetDBProvider()->IsGridMode()) return GetDBProvider()->GetDataLink()->GetActiveRecord();
    return inherited::GetCurrentBufferRecord();
}

Integer TqzDBDataController::GetSourceFocusedRecordIndex() {
    TqzDBDataProvider* provider = GetDBProvider();
    if (!provider->IsSyncMode()) return inherited::GetSourceFocusedRecordIndex();
    const Integer record = provider->GetSyncEditingRecord();
    return record >= 0 && record < GetRecordCount() ? record : inherited::GetSourceFocusedRecordIndex();
}

void TqzDBDataController::CheckFocusedRow() {
    TqzUpdateLock lock(this);
    inherited::CheckFocusedRow();
    TqzDBDataProvider* provider = GetDBProvider();
    if (provider->IsSyncMode() && DetailKind() == dkPattern && !IsOwnerLoading() && !provider->FActiveChanging &&
        !provider->IsDataSetBusy())
        SyncMasterWithDetail();
    if (!provider->IsSyncMode() || !UsesSourceValues() || SyncingPosition) return;
    const Integer record = FindRecordIndexByDataSetKey();
    if (record >= 0 && record != provider->GetCurrentBufferRecord()) {
        provider->SetCurrentBufferRecord(record);
        inherited::CheckFocusedRow();
    }
}

bool TqzDBDataController::SyncDataSetPosition(Integer recordIndex) {
    if (recordIndex < 0) return false;
    TqzDBDataProvider* provider = GetDBProvider();
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return false;
    if (UsesSourceValues()) {
        const Variant key = GetRecordId(recordIndex);
        if (SameValues(key, GetDataSetKeyValue()) && recordIndex == provider->GetCurrentBufferRecord()) {
            PrepareDetailChange();
            return true;
        }
        PrepareDetailChange();
        const bool found = dataSet->Locate(FKeyFieldNames, key, TLocateOptions());
        if (found) provider->SetCurrentBufferRecord(recordIndex);
        return found;
    }
    PrepareDetailChange();
    provider->MoveBy(recordIndex - provider->GetCurrentBufferRecord());
    return true;
}

bool TqzDBDataController::CanFocusRecord(Integer recordIndex) {
    TqzDBDataProvider* provider = GetDBProvider();
    if ((provider->IsInserting() && recordIndex == provider->GetEditRecordIndex()) ||
        (NewItemRowEnabled && recordIndex < 0)) {
        if (recordIndex < 0 && !provider->IsInserting()) PostEditing();
        return true;
    }
    bool result = true;
    provider->BeginLocate();
    try {
        if (IsDetail() && FDataModeController->DetailSyncActive && !SyncingPosition) ReopenDetail();
        if (!SyncingPosition && provider->IsSyncMode())
            result = SyncDataSetPosition(recordIndex);
        else
            result = inherited::CanFocusRecord(recordIndex);
    } catch (...) {
        provider->EndLocate();
        throw;
    }
    provider->EndLocate();
    DataLoaded();
    return result;
}

void TqzDBDataController::SyncFocusedRecord() {
    if (GetFocusedRecordIndex() < 0) return;
    TFlagScope syncing(SyncingPosition);
    GetDBProvider()->SetDataSetOnRecord(true);
    DataSetCurrentChanged(true);
}

bool TqzDBDataController::CanChangeFocusedRow() {
    if (SyncingPosition) return true;
    auto* relation = dynamic_cast<TqzDBDataRelation*>(GetMasterRelation());
    if (!relation) return true;
    TqzCustomDataController* master = relation->GetController();
    if (!master->CanChangeFocusedRow()) return false;
    TLivenessToken masterAlive = master->LivenessToken();
    TLivenessToken selfAlive = LivenessToken();
    master->PrepareDetailChange();
    if (!masterAlive || !selfAlive) return false;
    PrepareDetailChange();
    return masterAlive && selfAlive;
}

void TqzDBDataController::PrepareDetailChange() {
    TFlagScope posting(Posting);
    TDataSet* dataSet = GetDataSet();
    TqzDBDataProvider* provider = GetDBProvider();
    if (dataSet && (dataSet->GetState() == dsEdit || dataSet->GetState() == dsInsert)) {
        dataSet->UpdateRecord();
        if (provider->IsDataSetModified()) {
            TControlsDisabled disabled(dataSet, !NeedsOriginalValues());
            dataSet->Post();
        } else {
            Cancel();
        }
    }
}

void TqzDBDataController::ShiftDetailsAfterDelete(Integer recordIndex) {
    inherited::ShiftDetailsAfterDelete(recordIndex);
    TqzDBDataProvider* provider = GetDBProvider();
    if (recordIndex == provider->PendingRecordIndex) provider->ForgetUpdatingRecord();
    if (recordIndex == provider->PendingPrevFocusedIndex) provider->PendingPrevFocusedIndex = -1;
}

// ---- Master-detail -------------------------------------------------------------------------------

String TqzDBDataController::EffectiveDetailKeyFieldNames() const {
    return FMasterKeyFieldNames.empty() ? String() : FDetailKeyFieldNames;
}

void TqzDBDataController::SetDetailKeyFieldNames(const String& value) {
    if (FDetailKeyFieldNames == value) return;
    FDetailKeyFieldNames = value;
    FreeDetailKeyFields();
    RefreshRelationKeyFieldNames();
}

void TqzDBDataController::SetMasterKeyFieldNames(const String& value) {
    if (FMasterKeyFieldNames == value) return;
    FMasterKeyFieldNames = value;
    FreeDetailKeyFields();
    RefreshRelationKeyFieldNames();
}

void TqzDBDataController::RefreshRelationKeyFieldNames() {
    // A clone shares its pattern's names.
    if (!GetMasterRelation() || DetailKind() == dkClone) return;
    if (auto* master = dynamic_cast<TqzDBDataController*>(GetMasterRelation()->GetController()))
        master->UpdateRelationKeyFields();
}

void TqzDBDataController::AttachToMaster(TqzCustomDataRelation* relation, Integer masterRecordIndex) {
    TqzUpdateLock lock(this);
    inherited::AttachToMaster(relation, masterRecordIndex);
    auto* dbRelation = dynamic_cast<TqzDBDataRelation*>(relation);
    if (dbRelation && masterRecordIndex != -1) {
        MasterKeyValues = dbRelation->MasterKeyValuesOf(masterRecordIndex);
        LayoutChanged(2);
    }
}

void TqzDBDataController::DetailDataChanged(TqzCustomDataRelation* relation) {
    inherited::DetailDataChanged(relation);
    if (!IsDestroying()) UpdateRelationKeyFields();
}

void TqzDBDataController::UpdateRelationKeyFields() {
    if (!HasRelations()) return;
    TqzCustomDataRelationList* relations = GetRelations();
    for (Integer i = 0; i < relations->GetCount(); ++i) {
        auto* relation = dynamic_cast<TqzDBDataRelation*>(relations->GetItems(i));
        if (!relation) continue;
        const String names = relation->MasterKeyFieldNames();
        if (names.empty()) {
            relation->FreeMasterKeyField();
            continue;
        }
        if (!relation->MasterKeyDataField)
            relation->MasterKeyDataField = static_cast<TqzDBDataField*>(CreateInternalField());
        TqzDBDataField* field = relation->MasterKeyDataField;
        if (field->GetFieldName() == names && (field->GetField() || field->ChildCount() > 0 || field->GetLinkedField()))
            continue;
        SetFieldNames(field, names, false);
        LinkField(field);
    }
}

bool TqzDBDataController::CanChangeDetailExpanding(Integer recordIndex, bool expanded) {
    if (IsGridMode() && expanded) {
        for (int attempt = 0; attempt < 2 && GetFocusedRecordIndex() != recordIndex; ++attempt)
            ChangeFocusedRecordIndex(recordIndex);
        if (GetFocusedRecordIndex() != recordIndex) return false;
    }
    return inherited::CanChangeDetailExpanding(recordIndex, expanded);
}

bool TqzDBDataController::IsSynchronisedUp() {
    TqzDBDataProvider* provider = GetDBProvider();
    if (!provider->IsSyncMode() || !UsesSourceValues() || provider->IsEditing()) return false;
    auto* master = GetMasterRelation() ? dynamic_cast<TqzDBDataController*>(GetMasterRelation()->GetController()) : nullptr;
    return !master || master->IsSynchronisedUp();
}

TqzDBDataController* TqzDBDataController::SyncMasterWithDetail() {
    auto* relation = dynamic_cast<TqzDBDataRelation*>(GetMasterRelation());
    if (!GetMasterRelation() || EffectiveDetailKeyFieldNames().empty()) return this;
    if (!relation) return nullptr;
    auto* master = dynamic_cast<TqzDBDataController*>(relation->GetController());
    if (!master || !master->IsSynchronisedUp() || master->SyncingMaster || !master->GetDataSet()) return nullptr;
    TqzDBDataController* detail = nullptr;
    {
        TFlagScope syncing(master->SyncingMaster);
        const Variant detailKeys = GetDataSetDetailKeyValues();
        TDataSet* masterDataSet = master->GetDataSet();
        const String masterNames = FMasterKeyFieldNames;
        bool found = VariantValuesEqual(detailKeys, GetFieldsValue(masterDataSet, masterDataSet->GetFieldList(masterNames)));
        if (!found) {
            TqzDBDataProvider* masterProvider = master->GetDBProvider();
            masterProvider->BeginLocate();
            try {
                found = masterDataSet->Locate(masterNames, detailKeys, TLocateOptions());
            } catch (...) {
                masterProvider->EndLocate();
                throw;
            }
            masterProvider->EndLocate();
            if (found) master->CheckFocusedRow();
        }
        if (found) {
            master->SyncMasterWithDetail();
            detail = master->GetDetailForFocusedMaster(relation->GetIndex(), detailKeys);
        }
    }
    master->DataLoaded();
    return detail;
}

TqzDBDataController* TqzDBDataController::GetDetailForFocusedMaster(Integer relationIndex,
                                                                   const Variant& detailKeyValues) {
    const Integer focused = GetFocusedRecordIndex();
    if (focused < 0) return nullptr;
    auto* detail = dynamic_cast<TqzDBDataController*>(DetailControllerOf(focused, relationIndex));
    const Integer active = ActiveRelationOf(focused);
    if (active != relationIndex && active >= 0) {
        auto* current = dynamic_cast<TqzDBDataController*>(DetailControllerOf(focused, active));
        if (current && VariantValuesEqual(current->GetDataSetDetailKeyValues(), detailKeyValues)) return current;
    }
    SetActiveRelationOf(focused, relationIndex);
    return detail;
}

void TqzDBDataController::UpdateDetailStructures(bool excludeSelf) {
    if (!excludeSelf) LinkFields();
    TqzCustomDataRelation* relation = GetMasterRelation();
    if (!relation) return;
    struct TVisit {
        TqzDBDataController* Self;
        bool ExcludeSelf;
    } visit{this, excludeSelf};
    VisitDetailControllers(
        relation,
        [](TqzCustomDataController* detail, void* data) {
            auto* v = static_cast<TVisit*>(data);
            if (detail == v->Self->ExcludedDetail || (v->ExcludeSelf && detail == v->Self)) return;
            detail->LinkFields();
            detail->Change(2);
        },
        &visit);
}

void TqzDBDataController::SyncDetailWithMaster() {
    if (IsDetail() && FDataModeController->DetailSyncActive) ReopenDetail();
}

void TqzDBDataController::FreeDetailKeyFields() { FDetailKeyFields.reset(); }

std::vector<TField*> TqzDBDataController::GetDetailKeyFields() {
    if (!FDetailKeyFields) {
        FDetailKeyFields = std::make_unique<std::vector<TField*>>();
        TDataSet* dataSet = GetDataSet();
        const String names = EffectiveDetailKeyFieldNames();
        if (dataSet && !names.empty()) {
            *FDetailKeyFields = dataSet->GetFieldList(names);
            for (TField* field : *FDetailKeyFields) field->FreeNotification(GetNotifier());
        }
    }
    return *FDetailKeyFields;
}

Variant TqzDBDataController::GetDataSetDetailKeyValues() {
    std::vector<TField*> fields = GetDetailKeyFields();
    if (fields.empty()) return Variant();
    return GetFieldsValue(GetDataSet(), fields);
}

void TqzDBDataController::ReopenDetail() {
    if (!FDataModeController->DetailInSQLMode) return;
    const String names = EffectiveDetailKeyFieldNames();
    if (names.empty() || !GetDataSet()) return;
    if (FDataModeController->DetailIsCurrentQuery(names, MasterKeyValues)) return;
    TFlagScope reopening(DetailReopening);
    TqzDBDataProvider* provider = GetDBProvider();
    provider->LockNotifications();
    try {
        provider->MoveFirst();
        provider->RememberPosition();
        provider->RestorePosition();
        provider->SetCurrentBufferRecord(0);
    } catch (...) {
        try {
            provider->UnlockNotifications();
        } catch (...) {
        }
        throw;
    }
    provider->UnlockNotifications();
}

Integer TqzDBDataController::DetailNeedsReopen() {
    if (!IsDetail() || !FDataModeController->DetailInSQLMode) return 0;
    if (!FDataModeController->DetailSyncActive) return 1;
    if (GetDBProvider()->IsDataSetBusy() || VarIsEmpty(MasterKeyValues)) return 0;
    return SameValues(GetDataSetDetailKeyValues(), MasterKeyValues) ? 0 : 1;
}

// ---- Grid mode: focus and selection by bookmarks -------------------------------------------------

bool TqzDBDataController::IsGridMode() const { return GetDBProvider()->IsGridMode(); }

String TqzDBDataController::GetSelectedBookmark(Integer index) {
    if (!IsGridMode()) RaiseDataControllerError(sqzNotGridMode);
    TqzDBDataSelection* selection = GetDBSelection();
    if (IsSingleSelect()) return selection->BookmarkOfBufferRow(GetFocusedRecordIndex());
    return selection->GetBookmarks()->GetStrings(index);
}

String TqzDBDataController::GetSelectionAnchorBookmark() {
    if (!IsGridMode()) RaiseDataControllerError(sqzNotGridMode);
    return GetDBSelection()->AnchorMark;
}

bool TqzDBDataController::SaveFocus() {
    if (!IsGridMode()) return inherited::SaveFocus();
    TDataSet* dataSet = GetDataSet();
    if (!dataSet || !dataSet->GetActive()) return false;
    const String bookmark = dataSet->GetBookmark();
    if (bookmark != SavedFocusBookmark) SavedFocusBookmark = bookmark;
    return false;
}

void TqzDBDataController::RestoreSavedFocus() {
    if (!IsGridMode()) {
        inherited::RestoreSavedFocus();
        return;
    }
    TDataSet* dataSet = GetDataSet();
    if (!dataSet || SavedFocusBookmark.empty() || !GetDBProvider()->IsBookmarkValid(SavedFocusBookmark)) return;
    dataSet->GotoBookmark(SavedFocusBookmark);
    CheckFocusedRow();
}

void TqzDBDataController::ForgetSavedFocus() {
    SavedFocusBookmark.clear();
    inherited::ForgetSavedFocus();
}

bool TqzDBDataController::HasSavedFocus() const {
    return IsGridMode() ? !SavedFocusBookmark.empty() : inherited::HasSavedFocus();
}

bool TqzDBDataController::IsSavedFocusLost(Integer recordIndex) {
    if (!IsGridMode()) return inherited::IsSavedFocusLost(recordIndex);
    if (!GetDataSet()) return true;
    return !GetDBProvider()->IsBookmarkValid(SavedFocusBookmark);
}

bool TqzDBDataController::IsSavedFocusRow(Integer rowIndex) {
    if (!IsGridMode()) return inherited::IsSavedFocusRow(rowIndex);
    const String bookmark = GetDBSelection()->BookmarkOfBufferRow(GetInfo()->GetRowRecordIndex(rowIndex));
    return !bookmark.empty() && !SavedFocusBookmark.empty() &&
           GetDBProvider()->CompareBookmarks(bookmark, SavedFocusBookmark) == 0;
}

Variant TqzDBDataController::GetSelectedRowKey(Integer rowIndex) {
    if (!IsGridMode()) return inherited::GetSelectedRowKey(rowIndex);
    return Variant(GetDBSelection()->BookmarkOfBufferRow(GetInfo()->GetRowRecordIndex(rowIndex)));
}

Integer TqzDBDataController::GetSelectedRowIndex(Integer index) const {
    if (!IsGridMode() || IsSingleSelect()) return inherited::GetSelectedRowIndex(index);
    TqzDBDataSelection* selection = GetDBSelection();
    TStringList* bookmarks = selection->GetBookmarks();
    const Integer rows = GetRecordCount();
    if (index < 0 || index >= bookmarks->GetCount() || rows == 0) return -1;
    const String bookmark = bookmarks->GetStrings(index);
    TqzDBDataProvider* provider = GetDBProvider();
    if (provider->CompareBookmarks(bookmark, selection->BookmarkOfBufferRow(0)) < 0 ||
        provider->CompareBookmarks(bookmark, selection->BookmarkOfBufferRow(rows - 1)) > 0)
        return -1;
    for (Integer record = 0; record < rows; ++record)
        if (provider->CompareBookmarks(selection->BookmarkOfBufferRow(record), bookmark) == 0)
            return GetInfo()->GetRecordRowIndex(record);
    return -1;
}

Integer TqzDBDataController::GetSelectionAnchorRowIndex() const {
    return IsGridMode() ? -1 : inherited::GetSelectionAnchorRowIndex();
}

bool TqzDBDataController::IsSelectionAnchorSet() const {
    return IsGridMode() ? !GetDBSelection()->AnchorMark.empty() : inherited::IsSelectionAnchorSet();
}

void TqzDBDataController::SelectAll() {
    if (!IsGridMode()) {
        inherited::SelectAll();
        return;
    }
    GetDBSelection()->SelectAllInDataSet();
}

void TqzDBDataController::SelectFromAnchor(Integer rowIndex, bool keepOthers) {
    if (!IsGridMode()) {
        inherited::SelectFromAnchor(rowIndex, keepOthers);
        return;
    }
    if (!IsSelectionAnchorSet()) return;
    GetInfo()->CheckRowIndex(rowIndex);
    TqzDBDataSelection* selection = GetDBSelection();
    selection->SelectRangeTo(selection->BookmarkOfBufferRow(GetInfo()->GetRowRecordIndex(rowIndex)), keepOthers);
}

void TqzDBDataController::SetSelectionAnchor(Integer rowIndex) {
    if (!IsGridMode()) {
        inherited::SetSelectionAnchor(rowIndex);
        return;
    }
    GetInfo()->CheckRowIndex(rowIndex);
    TqzDBDataSelection* selection = GetDBSelection();
    selection->AnchorMark = selection->BookmarkOfBufferRow(GetInfo()->GetRowRecordIndex(rowIndex));
}

bool TqzDBDataController::FocusSelectedRow(Integer index) {
    if (!IsGridMode()) return inherited::FocusSelectedRow(index);
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return false;
    dataSet->GotoBookmark(GetSelectedBookmark(index));
    return true;
}

void TqzDBDataController::ForEachRow(bool selectedOnly, TqzEachRowProc proc, void* data) {
    TDataSet* dataSet = GetDataSet();
    if (!IsGridMode() || !dataSet) {
        inherited::ForEachRow(selectedOnly, proc, data);
        return;
    }
    auto focusedRow = [&]() {
        const Integer row = GetInfo()->GetFocusedRowIndex();
        if (row >= 0) proc(data, row, GetInfo()->GetRowInfo(row));
    };
    if (selectedOnly) {
        if (IsSingleSelect()) {
            focusedRow();
            return;
        }
        TStringList* bookmarks = GetDBSelection()->GetBookmarks();
        for (Integer i = 0; i < bookmarks->GetCount(); ++i) {
            dataSet->GotoBookmark(bookmarks->GetStrings(i));
            focusedRow();
        }
        return;
    }
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) focusedRow();
}
