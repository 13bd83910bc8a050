// Data-set binding: value types of fields, data fields, the reader, assigned fields, relations,
// the mode controller, the data link and the detail filter adapter.
#include "suite/data/qzDBData.h"

#include <algorithm>

#include "platform/runtime/TypInfo.h"
#include "suite/data/qzDBData_Scopes.h"
#include "suite/foundation/qzVariants.h"

const char* const sqzKeyFieldNotFound = "Key Field not found";
const char* const sqzDetailFilterNotFound = "DetailFilterController not found";
const char* const sqzNotGridMode = "DataController not in GridMode";
const char* const sqzDataFieldHasParent = "ADataField.FParentField <> nil";

// ---- Field routines ------------------------------------------------------------------------------

TqzValueTypeClass GetValueTypeClassForField(TField* field) {
    if (!field) return ValueTypeClass<TqzStringValueType>();
    switch (field->GetDataType()) {
    case ftString: return ValueTypeClass<TqzStringValueType>();
    case ftSmallint: return ValueTypeClass<TqzSmallintValueType>();
    case ftInteger:
    case ftAutoInc: return ValueTypeClass<TqzIntegerValueType>();
    case ftWord: return ValueTypeClass<TqzWordValueType>();
    case ftBoolean: return ValueTypeClass<TqzBooleanValueType>();
    case ftFloat:
    case ftCurrency: return ValueTypeClass<TqzFloatValueType>();
    case ftBCD: return ValueTypeClass<TqzCurrencyValueType>();
    case ftDate:
    case ftTime:
    case ftDateTime: return ValueTypeClass<TqzDateTimeValueType>();
    case ftWideString: return ValueTypeClass<TqzWideStringValueType>();
    case ftLargeint: return ValueTypeClass<TqzLargeIntValueType>();
    case ftFMTBcd: return ValueTypeClass<TqzFMTBcdValueType>();
    default: return ValueTypeClass<TqzVariantValueType>();
    }
}

bool FieldHoldsCurrencyValues(TField* field) { return FieldShowsCurrency(field); }

bool FieldNeedsStoredText(TField* field, bool canEdit) {
    if (!field) return false;
    if (field->OnGetText.Assigned() || !field->GetEditMask().empty()) return true;
    return FieldFormatsText(field, canEdit);
}

// ---- Parameters ----------------------------------------------------------------------------------

TParams* DataSetParams(TDataSet* dataSet) {
    if (!dataSet || !GetPropInfo(dataSet, "Params")) return nullptr;
    return dynamic_cast<TParams*>(GetObjectProp(dataSet, "Params"));
}

Variant GetParamValue(TParams* params, const String& names) { return params->GetParamValues(names); }

void SetParamValue(TParams* params, const String& names, const Variant& values) {
    params->SetParamValues(names, values);
}

// ---- TqzDBDataField ------------------------------------------------------------------------------

TqzDBDataField::~TqzDBDataField() {
    if (FCompoundField) FCompoundField->RemoveChild(this);
    ClearChildren();
    FChildFields.reset();
}

TqzDBDataController* TqzDBDataField::GetDBController() const {
    return dynamic_cast<TqzDBDataController*>(GetController());
}

void TqzDBDataField::TakeOverStorage(TqzCustomDataField* source) {
    inherited::TakeOverStorage(source);
    auto* other = dynamic_cast<TqzDBDataField*>(source);
    if (!other) return;
    FField = other->FField;
    other->FField = nullptr;
    ClearChildren();
    FChildFields = std::move(other->FChildFields);
    if (FChildFields)
        for (TqzDBDataField* child : *FChildFields) child->FCompoundField = this;
}

void TqzDBDataField::ComponentRemoved(TComponent* component) {
    if (ReferencedField()) return;
    inherited::ComponentRemoved(component);
    if (!FField || component != FField) return;
    if (TqzDBDataController* controller = GetDBController()) {
        TqzDBDataProvider* provider = controller->GetDBProvider();
        if (provider && provider->InFirstMove() && provider->GetDataLink()->GetActive() && provider->GetDataSet() &&
            !provider->GetDataSet()->GetActive())
            provider->FFieldsRecreated = true;
    }
    FField = nullptr;
    AnnounceLayoutChange();
}

bool TqzDBDataField::CanEdit(Integer kind) const {
    if (IsKeyField()) return true;
    TField* field = GetField();
    if (!field) return false;
    if (IsLookup()) {
        if (kind != 2) return false;
        for (Integer i = 0; i < ChildCount(); ++i)
            if (!GetChild(i)->CanEdit(0)) return false;
        return ChildCount() > 0 || KeyFieldsModifiable(field);
    }
    if (!field->GetCanModify()) return false;
    if (kind == 0) return true;
    switch (field->GetDataType()) {
    case ftBytes: case ftVarBytes: case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo:
    case ftParadoxOle: case ftDBaseOle: case ftTypedBinary: case ftCursor: case ftADT: case ftArray:
    case ftReference: case ftDataSet: return field->OnSetText.Assigned();
    default: return true;
    }
}

bool TqzDBDataField::IsKeyField() const {
    return !GetInternal() && FFieldName.empty() && !GetField() && GetValueDef() != nullptr;
}

bool TqzDBDataField::IsInternalField() const { return inherited::IsInternalField(); }

void TqzDBDataField::AddChild(TqzDBDataField* field) {
    if (!FChildFields) FChildFields = std::make_unique<std::vector<TqzDBDataField*>>();
    if (std::find(FChildFields->begin(), FChildFields->end(), field) != FChildFields->end()) return;
    if (field->FCompoundField) RaiseDataControllerError(sqzDataFieldHasParent);
    FChildFields->push_back(field);
    field->FCompoundField = this;
}

void TqzDBDataField::RemoveChild(TqzDBDataField* field) {
    if (!FChildFields) return;
    auto it = std::find(FChildFields->begin(), FChildFields->end(), field);
    if (it == FChildFields->end()) return;
    FChildFields->erase(it);
    field->FCompoundField = nullptr;
}

void TqzDBDataField::ClearChildren() {
    if (!FChildFields) return;
    while (!FChildFields->empty()) {
        TqzDBDataField* child = FChildFields->back();
        RemoveChild(child);
        delete child;
    }
}

TField* TqzDBDataField::GetField() const {
    if (TqzDBDataField* reference = ReferencedField()) return reference->GetField();
    return FField;
}

Integer TqzDBDataField::ChildCount() const {
    if (TqzDBDataField* reference = ReferencedField()) return reference->ChildCount();
    return FChildFields ? Integer(FChildFields->size()) : 0;
}

TqzDBDataField* TqzDBDataField::GetChild(Integer index) const {
    if (TqzDBDataField* reference = ReferencedField()) return reference->GetChild(index);
    return FChildFields->at(std::size_t(index));
}

bool TqzDBDataField::IsLookup() const {
    TField* field = GetField();
    return field && field->GetLookup();
}

void TqzDBDataField::SetField(TField* field) {
    if (ReferencedField()) return;
    if (field && field->GetComponentState().Contains(csDestroying)) field = nullptr;
    if (field == FField) return;
    FField = field;
    if (field) field->FreeNotification(GetController()->GetNotifier());
    ClearChildren();
}

void TqzDBDataField::UpdateFromField(TField* field) {
    if (ReferencedField()) return;
    TqzCustomDataController* controller = GetController();
    for (int pass = 0; pass < 4; ++pass) {
        const Integer itemIndex = GetInternal() ? -1 : controller->GetItemIndexOfField(this);
        const bool canEdit = itemIndex >= 0 && controller->CanEditItem(itemIndex);
        const bool storesText = FieldNeedsStoredText(field, canEdit);
        const TqzValueTypeClass valueType = GetValueTypeClassForField(field);
        const bool currency = FieldHoldsCurrencyValues(field);
        const bool typeChanged = valueType != GetValueTypeClass() || currency != FCurrencyValues;
        if (!typeChanged && storesText == GetStoresText()) return;
        BeginStorageRebuild();
        try {
            SetStoresText(storesText);
            SetValueTypeClass(valueType);
            FCurrencyValues = currency;
        } catch (...) {
            EndStorageRebuild();
            throw;
        }
        EndStorageRebuild();
        if (!typeChanged) continue;
        if (itemIndex >= 0) controller->ItemValueTypeClassChanged(itemIndex);
        TqzCustomDataFieldList* list = GetFieldList();
        for (Integer i = 0; i < list->GetCount(); ++i) {
            TqzCustomDataField* other = list->GetItems(i);
            if (other == this || other->GetLinkedField() != this || other->GetInternal()) continue;
            const Integer otherIndex = controller->GetItemIndexOfField(other);
            if (otherIndex >= 0) controller->ItemValueTypeClassChanged(otherIndex);
        }
    }
}

// Whether the reader leaves the field's values alone: its values do not come from the data
// set's current row (a bound field in grid mode, an unbound field outside a cancel).
static bool SkipsInReader(TqzDBDataField* field) {
    TqzDBDataController* controller = field->GetDBController();
    if (!controller) return true;
    if (field->GetField() && !controller->GetDBProvider()->IsGridMode()) return false;
    if (field->IsKeyField() && controller->InDataSetCancel) return false;
    return true;
}

// ---- TqzValueDefDBReader -------------------------------------------------------------------------

static TqzDBDataField* DataFieldOf(TqzValueDef* def) { return dynamic_cast<TqzDBDataField*>(def->BoundObject()); }

Variant TqzValueDefDBReader::ReadVariant(TqzValueDef* def) {
    TqzDBDataField* dataField = DataFieldOf(def);
    if (dataField && dataField->GetField()) return GetFieldValue(dataField->GetField());
    return inherited::ReadVariant(def);
}

String TqzValueDefDBReader::ReadText(TqzValueDef* def) {
    TqzDBDataField* dataField = DataFieldOf(def);
    if (dataField && dataField->GetField()) return dataField->GetField()->GetDisplayText();
    return inherited::ReadText(def);
}

bool TqzValueDefDBReader::Skips(TqzValueDef* def) {
    TqzDBDataField* dataField = DataFieldOf(def);
    return !dataField || SkipsInReader(dataField);
}

// ---- TqzDBDataAssignedFields ---------------------------------------------------------------------

void TqzDBDataAssignedFields::Add(TField* field) {
    if (!Contains(field)) FFields.push_back(field);
}

void TqzDBDataAssignedFields::AddList(const std::vector<TField*>& fields) {
    for (TField* field : fields)
        if (field) Add(field);
}

void TqzDBDataAssignedFields::AddByNames(TDataSet* dataSet, const String& names) {
    AddList(dataSet->GetFieldList(names));
}

bool TqzDBDataAssignedFields::Contains(TField* field) const {
    return std::find(FFields.begin(), FFields.end(), field) != FFields.end();
}

// ---- TqzDBDataRelation ---------------------------------------------------------------------------

void TqzDBDataRelation::FieldRemoved(TqzCustomDataField* field) {
    inherited::FieldRemoved(field);
    if (field == MasterKeyDataField) MasterKeyDataField = nullptr;
}

void TqzDBDataRelation::FreeMasterKeyField() {
    TqzDBDataField* field = MasterKeyDataField;
    MasterKeyDataField = nullptr;
    delete field;
}

TqzDBDataController* TqzDBDataRelation::DetailDBController() const {
    return dynamic_cast<TqzDBDataController*>(GetDetailDataController());
}

String TqzDBDataRelation::DetailKeyFieldNames() const {
    TqzDBDataController* detail = DetailDBController();
    return detail ? detail->EffectiveDetailKeyFieldNames() : String();
}

String TqzDBDataRelation::MasterKeyFieldNames() const {
    TqzDBDataController* detail = DetailDBController();
    return detail ? detail->GetMasterKeyFieldNames() : String();
}

bool TqzDBDataRelation::HasKeyLink() { return MasterKeyDataField && !DetailKeyFieldNames().empty(); }

void TqzDBDataRelation::CollectMasterKeyFields(std::vector<TqzCustomDataField*>& list) {
    if (!MasterKeyDataField) return;
    if (MasterKeyDataField->ChildCount() == 0) {
        list.push_back(MasterKeyDataField);
        return;
    }
    for (Integer i = 0; i < MasterKeyDataField->ChildCount(); ++i) list.push_back(MasterKeyDataField->GetChild(i));
}

Variant TqzDBDataRelation::MasterKeyValuesOf(Integer recordIndex) {
    TqzCustomDataController* master = GetController();
    master->CheckRecordIndex(recordIndex);
    Variant result; // unassigned
    if (HasKeyLink()) {
        std::vector<TqzCustomDataField*> fields;
        CollectMasterKeyFields(fields);
        result = master->GetFieldListValue(recordIndex, fields);
    }
    return result;
}

// ---- TqzDBDataModeController ---------------------------------------------------------------------

TPersistent* TqzDBDataModeController::GetOwner() const { return FController; }

void TqzDBDataModeController::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzDBDataModeController*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    DetailInSQLMode = other->DetailInSQLMode;
    DetailSyncActive = other->DetailSyncActive;
    SetGridMode(other->FGridMode);
    SetGridModeBufferCount(other->FGridModeBufferCount);
    SetSmartRefresh(other->FSmartRefresh);
    InsertInSync = other->InsertInSync;
    SetSyncMode(other->FSyncMode);
    OnDetailFirst = other->OnDetailFirst;
    OnDetailIsCurrentQuery = other->OnDetailIsCurrentQuery;
}

void TqzDBDataModeController::SetGridMode(bool value) {
    if (FGridMode == value) return;
    TqzDBDataProvider* provider = FController->GetDBProvider();
    const bool before = provider->IsGridMode();
    FGridMode = value;
    if (provider->IsGridMode() != before) FController->StructureChangedUpdate();
}

void TqzDBDataModeController::SetGridModeBufferCount(Integer value) {
    if (value < 0) value = 0;
    if (FGridModeBufferCount == value) return;
    FGridModeBufferCount = value;
    FController->ApplyGridModeBufferCount();
}

void TqzDBDataModeController::SetSmartRefresh(bool value) {
    if (FSmartRefresh == value) return;
    FSmartRefresh = value;
    TqzDBDataProvider* provider = FController->GetDBProvider();
    if (!provider->IsGridMode()) provider->DataScrolled(0);
}

void TqzDBDataModeController::SetSyncMode(bool value) {
    if (FSyncMode == value) return;
    FSyncMode = value;
    TqzDBDataProvider* provider = FController->GetDBProvider();
    if (provider->CanReadData()) provider->DataScrolled(0);
}

bool TqzDBDataModeController::DetailIsCurrentQuery(const String& keyFieldNames, const Variant& keyValues) {
    if (OnDetailIsCurrentQuery.Assigned())
        return OnDetailIsCurrentQuery(this, FController->GetDataSet(), keyFieldNames, keyValues);
    return FController->GetDetailFilterAdapter()->IsCurrentQuery(FController->GetDataSet(), keyFieldNames,
                                                                   keyValues);
}

void TqzDBDataModeController::DetailFirst(const String& keyFieldNames, const Variant& keyValues, bool& reopened) {
    reopened = false;
    if (OnDetailFirst.Assigned()) {
        OnDetailFirst(this, FController->GetDataSet(), keyFieldNames, keyValues, reopened);
        return;
    }
    FController->GetDetailFilterAdapter()->DetailFirst(FController->GetDataSet(), keyFieldNames, reopened,
                                                       DetailInSQLMode, keyValues);
}

// ---- TqzDBProviderDetailFilterAdapter ------------------------------------------------------------

bool TqzDBProviderDetailFilterAdapter::IsCurrentQuery(TDataSet* dataSet, const String& paramNames,
                                                      const Variant& paramValues) {
    TParams* params = DataSetParams(dataSet);
    return params && VariantValuesEqual(GetParamValue(params, paramNames), paramValues);
}

void TqzDBProviderDetailFilterAdapter::ReopenWithParams(TDataSet* dataSet, const String& paramNames, bool& reopened,
                                                        const Variant& paramValues) {
    TParams* params = DataSetParams(dataSet);
    if (!params) return;
    if (VariantValuesEqual(GetParamValue(params, paramNames), paramValues)) {
        dataSet->First();
        return;
    }
    qzdbdata::TControlsDisabled disabled(dataSet);
    dataSet->SetActive(false);
    SetParamValue(params, paramNames, paramValues);
    dataSet->SetActive(true);
    reopened = true;
}

void TqzDBProviderDetailFilterAdapter::DetailFirst(TDataSet* dataSet, const String& keyFieldNames, bool& reopened,
                                                   bool sqlMode, const Variant& keyValues) {
    if (sqlMode)
        ReopenWithParams(dataSet, keyFieldNames, reopened, keyValues);
    else
        dataSet->Locate(keyFieldNames, keyValues, TLocateOptions());
}

// ---- The module's adapters -----------------------------------------------------------------------

namespace {

struct TDBDataModule {
    TDBDataModule() {
        Adapters = std::make_unique<TqzDBAdapterList>();
        Adapters->RegisterAdapter(TDataSet::StaticClass(), DBAdapterItemClass<TqzDBProviderDetailFilterAdapter>());
    }
    std::unique_ptr<TqzDBAdapterList> Adapters;
};

} // namespace

TqzDBAdapterList* GetDBDataAdapters() {
    static TDBDataModule module;
    return module.Adapters.get();
}

// ---- TqzDBDataLink -------------------------------------------------------------------------------

TqzDBDataLink::TqzDBDataLink(TqzDBDataProvider* provider) : FProvider(provider) { VisualControl = true; }

void TqzDBDataLink::ActiveChanged() {
    if (FProvider->IsDetached()) return;
    // While the owner is read from a stream its items and settings are not all there yet: the
    // activation waits for the controller's Loaded.
    TqzDBDataController* controller = FProvider->GetDBController();
    if (controller->IsOwnerLoading()) {
        controller->ActivationPending = true;
        return;
    }
    ApplyActiveState();
}

bool TqzDBDataLink::IsWaiting() const {
    // Until a waiting activation is applied the data set's notices are moot: the activation
    // loads everything.
    return FProvider->IsDetached() || FProvider->GetDBController()->ActivationPending;
}

void TqzDBDataLink::ApplyActiveState() {
    if (FProvider->IsDetached()) return;
    {
        qzdbdata::TFlagScope changing(FProvider->FActiveChanging);
        FProvider->ActiveChanged(GetActive());
    }
    TDataSet* dataSet = GetDataSet();
    FProvider->InSetDataSource = dataSet && dataSet->GetState() == dsInsert;
}

void TqzDBDataLink::DataEvent(TDataEvent event, TDataEventInfo info) {
    inherited::DataEvent(event, info);
    if (event == deDisabledStateChange && info == 0) LayoutChangePending = true;
}

void TqzDBDataLink::DataSetChanged() {
    if (IsWaiting()) return;
    if (LayoutChangePending) {
        LayoutChanged();
        return;
    }
    FProvider->DataSetChanged();
}

void TqzDBDataLink::DataSetScrolled(Integer distance) {
    if (IsWaiting()) return;
    FProvider->DataScrolled(distance);
}

void TqzDBDataLink::EditingChanged() {
    if (IsWaiting()) return;
    FProvider->EditingChanged();
}

void TqzDBDataLink::FocusControl(TField*& field) {
    if (FProvider->IsDetached() || !field) return;
    TqzCustomDataController* controller = FProvider->GetController();
    for (Integer i = 0; i < controller->GetItemCount(); ++i) {
        auto* dataField = dynamic_cast<TqzDBDataField*>(controller->GetItemField(i));
        if (!dataField || dataField->GetInternal() || dataField->GetField() != field) continue;
        bool handled = false;
        controller->FocusControlOfItem(i, handled);
        if (handled) field = nullptr;
        return;
    }
}

void TqzDBDataLink::LayoutChanged() {
    if (IsWaiting()) return;
    TDataSet* dataSet = GetDataSet();
    if ((dataSet && dataSet->GetState() == dsInsert) || (FProvider->IsSmartRefresh() && LayoutChangeSuppressed)) {
        FProvider->DataSetChanged();
        return;
    }
    FProvider->LayoutChanged(3);
    LayoutChangePending = false;
}

void TqzDBDataLink::RecordChanged(TField* field) {
    if (IsWaiting()) return;
    FProvider->RecordChanged(field);
}

void TqzDBDataLink::UpdateData() {
    if (FProvider->IsDetached()) return;
    FProvider->GetController()->WritePendingEditValues();
    if (FProvider->IsSmartRefresh()) FProvider->RecordChanged(nullptr);
    FProvider->ClearChanging();
}
