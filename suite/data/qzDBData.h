// The data controller over a data set of the class library: data fields linked to the data
// set's fields, the reader that loads the data set's current row, the mode settings, the data
// link through which the data set's notices arrive, the provider that moves and edits the data
// set (one process-wide registry of them), the detail filter adapter that re-queries a detail
// data set by its "Params", the bookmark selection of grid mode, the filter criteria that the
// data set can apply itself, the summary item named by a field name, and the controller.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/runtime/StringLists.h"
#include "suite/data/qzCustomData.h"
#include "suite/data/qzDB.h"

class TqzDBDataController;
class TqzDBDataProvider;

extern const char* const sqzKeyFieldNotFound;          // "Key Field not found"
extern const char* const sqzDetailFilterNotFound;      // "DetailFilterController not found"
extern const char* const sqzNotGridMode;               // "DataController not in GridMode"
extern const char* const sqzDataFieldHasParent;        // "ADataField.FParentField <> nil"

// The value type a field's values are stored with; no field gives the string type.
TqzValueTypeClass GetValueTypeClassForField(TField* field);
// Whether the field's display text must be stored beside its value; canEdit is whether the
// controller lets the field's item be edited.
bool FieldNeedsStoredText(TField* field, bool canEdit);
// A float, BCD or FMT BCD field with its currency flag, no display format and no OnGetText.
bool FieldHoldsCurrencyValues(TField* field);

// The current values of the named parameters of a data set's TParams ("A;B" gives an array).
Variant GetParamValue(TParams* params, const String& names);
void SetParamValue(TParams* params, const String& names, const Variant& values);
// The TParams a data set publishes as "Params"; nullptr when it has none.
TParams* DataSetParams(TDataSet* dataSet);

// ---- Data fields ---------------------------------------------------------------------------------

class TqzDBDataField : public TqzCustomDataField {
    KOV_CLASS(TqzDBDataField, TqzCustomDataField)
public:
    explicit TqzDBDataField(TqzCustomDataFieldList* fieldList) : TqzCustomDataField(fieldList) {}
    // Leaves its compound field and frees its children (last to first).
    ~TqzDBDataField() override;

    void TakeOverStorage(TqzCustomDataField* source) override;
    void ComponentRemoved(TComponent* component) override;
    // kind 0 a value, 1 a text, 2 the keys of a lookup field.
    bool CanEdit(Integer kind) const;
    // An item whose values live only in the storage: no data-set field, no field name.
    bool IsKeyField() const override;
    bool IsInternalField() const override;

    // Raises "ADataField.FParentField <> nil" for a field of another compound field.
    void AddChild(TqzDBDataField* field);
    void RemoveChild(TqzDBDataField* field);
    void ClearChildren();
    // Through the chain of fields this one refers to.
    TField* GetField() const;
    Integer ChildCount() const;
    TqzDBDataField* GetChild(Integer index) const;
    bool IsLookup() const;
    void SetField(TField* field);
    // Takes the field's value type, stored-text flag and currency flag.
    void UpdateFromField(TField* field);

    TqzDBDataField* ReferencedField() const { return dynamic_cast<TqzDBDataField*>(GetLinkedField()); }
    TqzDBDataController* GetDBController() const;
    const String& GetFieldName() const { return FFieldName; }
    void SetFieldName(const String& value) { FFieldName = value; }
    TqzDBDataField* GetCompoundField() const { return FCompoundField; }
    bool GetCurrencyValues() const { return FCurrencyValues; }

private:
    TField* FField = nullptr;
    String FFieldName;
    std::unique_ptr<std::vector<TqzDBDataField*>> FChildFields;
    TqzDBDataField* FCompoundField = nullptr;
    bool FCurrencyValues = false;
};

// Reads one record from the data set's current row.
class TqzValueDefDBReader : public TqzValueDefReader {
    KOV_CLASS(TqzValueDefDBReader, TqzValueDefReader)
public:
    TqzValueDefDBReader() = default;
    Variant ReadVariant(TqzValueDef* def) override;
    String ReadText(TqzValueDef* def) override;
    bool Skips(TqzValueDef* def) override;
};

// Fields given values automatically in a new record (defaults, master keys).
class TqzDBDataAssignedFields : public TObject {
    KOV_CLASS(TqzDBDataAssignedFields, TObject)
public:
    TqzDBDataAssignedFields() = default;
    void Add(TField* field);
    void AddList(const std::vector<TField*>& fields);
    void AddByNames(TDataSet* dataSet, const String& names);
    void Clear() { FFields.clear(); }
    bool IsEmpty() const { return FFields.empty(); }
    bool Contains(TField* field) const;

private:
    std::vector<TField*> FFields;
};

class TqzDBDataRelation : public TqzCustomDataRelation {
    KOV_CLASS(TqzDBDataRelation, TqzCustomDataRelation)
public:
    using TqzCustomDataRelation::TqzCustomDataRelation;
    ~TqzDBDataRelation() override { FreeMasterKeyField(); }

    void FieldRemoved(TqzCustomDataField* field) override;
    // Unassigned (not Null) without a key link.
    Variant MasterKeyValuesOf(Integer recordIndex);
    void CollectMasterKeyFields(std::vector<TqzCustomDataField*>& list);
    bool HasKeyLink();
    void FreeMasterKeyField();
    // The key names of the relation's detail controller, when that is a data-set controller.
    String DetailKeyFieldNames() const;
    String MasterKeyFieldNames() const;
    TqzDBDataController* DetailDBController() const;

    TqzDBDataField* MasterKeyDataField = nullptr;
};

// ---- Data mode, data link and the detail filter adapter --------------------------------------------

using TqzDBDataModeControllerDetailFirstEvent =
    TClosure<void(TObject* sender, TDataSet* dataSet, const String& masterDetailKeyFieldNames,
                  const Variant& masterDetailKeyValues, bool& reopened)>;
using TqzDBDataModeControllerDetailIsCurrentQueryEvent =
    TClosure<bool(TObject* sender, TDataSet* dataSet, const String& masterDetailKeyFieldNames,
                  const Variant& masterDetailKeyValues)>;

class TqzDBDataModeController : public TPersistent {
    KOV_CLASS(TqzDBDataModeController, TPersistent)
public:
    explicit TqzDBDataModeController(TqzDBDataController* controller) : FController(controller) {}
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const override;

    bool DetailIsCurrentQuery(const String& keyFieldNames, const Variant& keyValues);
    void DetailFirst(const String& keyFieldNames, const Variant& keyValues, bool& reopened);

    bool GetGridMode() const { return FGridMode; }
    void SetGridMode(bool value);
    Integer GetGridModeBufferCount() const { return FGridModeBufferCount; }
    void SetGridModeBufferCount(Integer value);
    bool GetSmartRefresh() const { return FSmartRefresh; }
    void SetSmartRefresh(bool value);
    bool GetSyncMode() const { return FSyncMode; }
    void SetSyncMode(bool value);

    bool DetailInSQLMode = false;
    bool DetailSyncActive = true;
    bool InsertInSync = true;
    TqzDBDataModeControllerDetailFirstEvent OnDetailFirst;
    TqzDBDataModeControllerDetailIsCurrentQueryEvent OnDetailIsCurrentQuery;

private:
    TqzDBDataController* FController;
    bool FGridMode = false;
    Integer FGridModeBufferCount = 0;
    bool FSmartRefresh = false;
    bool FSyncMode = true;
};

class TqzDBDataLink : public TDataLink {
    KOV_CLASS(TqzDBDataLink, TDataLink)
public:
    explicit TqzDBDataLink(TqzDBDataProvider* provider);
    void DataEvent(TDataEvent event, TDataEventInfo info) override;
    TqzDBDataProvider* GetProvider() const { return FProvider; }
    // The data set's changed notice, also sent to waiting providers.
    void NotifyDataSetChanged() { DataSetChanged(); }
    // The pending edit values written into the fields.
    void WriteData() { UpdateData(); }
    // The provider follows the link's present active state (what ActiveChanged does outside
    // the owner's loading; the controller's Loaded runs it for an activation that waited).
    void ApplyActiveState();

    bool LayoutChangePending = false;
    bool LayoutChangeSuppressed = false;

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(Integer distance) override;
    void EditingChanged() override;
    void FocusControl(TField*& field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    // Detached, or an activation waits for the owner's loading to end.
    bool IsWaiting() const;
    TqzDBDataProvider* FProvider;
};

// Positions a detail data set whose rows are chosen by the query parameters it publishes as
// "Params".
class TqzDBProviderDetailFilterAdapter : public TqzDBAdapterItem {
    KOV_CLASS(TqzDBProviderDetailFilterAdapter, TqzDBAdapterItem)
public:
    using TqzDBAdapterItem::TqzDBAdapterItem;
    virtual bool IsCurrentQuery(TDataSet* dataSet, const String& paramNames, const Variant& paramValues);
    virtual void ReopenWithParams(TDataSet* dataSet, const String& paramNames, bool& reopened,
                                  const Variant& paramValues);
    virtual void DetailFirst(TDataSet* dataSet, const String& keyFieldNames, bool& reopened, bool sqlMode,
                             const Variant& keyValues);
};

// The module's detail filter adapters (TqzDBProviderDetailFilterAdapter for TDataSet from the
// start); made once however often it is asked for.
TqzDBAdapterList* GetDBDataAdapters();

// ---- The provider --------------------------------------------------------------------------------

struct TqzDBDataProviderSavePosInfo {
    String BookmarkText;
    Integer BufferRow = 0;
    bool AtBof = false;
    bool AtEof = false;
};

class TqzDBDataProvider : public TqzCustomDataProvider {
    KOV_CLASS(TqzDBDataProvider, TqzCustomDataProvider)
public:
    explicit TqzDBDataProvider(TqzDBDataController* controller);
    ~TqzDBDataProvider() override;

    bool SupportsCustomSourceFlag() const override { return false; }
    bool IsGridMode() const override;
    bool IsSourceActive() const override;
    bool IsOtherProviderInserting() const override;
    bool IsSyncMode() const override;
    bool CanReadData() const override;
    bool IsStructureReady() const override;
    bool IsBOF() const override;
    bool IsEditing() const override;
    bool IsEOF() const override;
    bool IsGridModeUpdating() const override { return IsGridMode() && FUpdatingGridBuffer; }
    bool IsInserting() const override;
    bool IsModified() const override;
    void NoteLoadedRecord(Integer recordIndex) override;
    void MoveFirst() override;
    void MovePrior() override;
    void MoveNext() override;
    void MoveLast() override;
    void MoveBy(Integer distance) override;
    void ScrollBuffer(Integer distance) override;
    void RememberPosition() override;
    void RestorePosition() override;
    bool CanDelete() const override;
    bool CanInitEditing(Integer recordIndex) override;
    bool CanModify() const override;
    void Append() override;
    void Insert() override;
    void Cancel() override;
    Integer DeleteFocused() override;
    void DeleteRecords(const std::vector<Integer>& recordIndexes) override;
    void DeleteSelection() override;
    void Edit() override;
    Variant ReadEditValue(Integer recordIndex, TqzCustomDataField* field, Integer valueKind) override;
    void Post() override;
    void CommitEditing() override;
    bool SetEditingFieldValue(Integer recordIndex, TqzCustomDataField* field, Integer valueKind,
                              const Variant& value) override;
    void SetNewRecordFieldValue(Integer recordIndex, TqzCustomDataField* field, const Variant& value) override;
    void InitNewRecord(Integer recordIndex, const std::vector<Variant>& groupValues) override;
    void FinishDelete() override;
    void ActiveChanged(bool active) override;
    void BeginLocate() override;
    void LockNotifications() override;
    void UnlockNotifications() override;
    bool DetailHasData(Integer masterRecordIndex, Integer relationIndex) override;
    String GetBufferDisplayText(Integer recordIndex, TqzCustomDataField* field) override;
    Variant GetBufferValue(Integer recordIndex, TqzCustomDataField* field) override;
    Integer GetSyncEditingRecord() const override;
    TClass GetValueDefReaderClass() const override { return TqzValueDefDBReader::StaticClass(); }
    void LoadGridModeBuffer() override;
    void DataScrolled(Integer distance) override;
    void LayoutChanged(Integer kind) override;

    virtual bool IsDataSetModified();
    virtual bool IsBookmarkValid(const String& bookmark);
    virtual Integer CompareBookmarks(const String& bookmark1, const String& bookmark2);
    virtual void CancelDataSet();
    virtual void RecordChanged(TField* field);

    void ReloadGridModeBuffer();
    // The data set's changed notice (the data link's).
    void DataSetChanged();
    void EditingChanged();
    bool IsKeyMode() const;
    bool IsSmartRefresh() const;
    bool IsDataSetBusy() const;
    bool IsOtherProviderLocked(TqzDBDataProvider*& locker) const;
    void AddWaitingProvider(TqzDBDataProvider* provider);
    void RemoveWaitingProvider(TqzDBDataProvider* provider);
    // Each waiting provider, last first, gets the changed notice and leaves the list.
    void NotifyWaitingProviders();
    Integer WaitingProviderCount() const { return Integer(FWaitingProviders.size()); }
    // Reads the edited record again from the data set's current row.
    void RefreshEditedRecord();
    void SmartRefreshChangedRecord();
    void ForgetUpdatingRecord();
    // Grid mode: the next row (from the current one unless searching on) whose display text of
    // the item begins with the text, ignoring case; without searching on, the search wraps.
    bool SearchInDataSet(Integer itemIndex, const String& text, bool forward, bool searchOn);

    TDataSource* GetDataSource() const { return FDataLink->GetDataSource(); }
    void SetDataSource(TDataSource* value);
    TDataSet* GetDataSet() const { return FDataLink->GetDataSet(); }
    TqzDBDataLink* GetDataLink() const { return FDataLink.get(); }
    TqzDBDataController* GetDBController() const;
    TqzDBDataAssignedFields* GetFilledFields() { return &FFilledFields; }
    const TqzDBDataProviderSavePosInfo& GetSavePos() const { return FSavePos; }
    Integer GetCurrentBufferRecord() const { return FCurrentBufferRecord; }
    void SetCurrentBufferRecord(Integer value) { FCurrentBufferRecord = value; }
    Integer GetGridModeBufferSize() const;
    bool InFirstMove() const { return FInFirstMove; }
    bool InInsertCall() const { return FInInsertCall; }
    bool InCanInitEditing() const { return FInCanInitEditing; }
    // Whether the (detail) data set shows this master record's rows.
    bool GetDataSetOnRecord() const;
    void SetDataSetOnRecord(bool value) { FDataSetOnRecord = value; }
    bool InSetDataSource = false;
    bool PostLocatePending = false;
    Integer PendingRecordIndex = Integer(0x80000001);
    // qzNoRecord when none: the new-item buffer itself may be record -1.
    Integer PendingNewRecordIndex = qzNoRecord;
    bool PendingRecordInserting = false;
    Integer PendingPrevFocusedIndex = -1;

    // The process-wide registry of live providers.
    static Integer RegistryCount();
    static TqzDBDataProvider* RegistryItem(Integer index);
    // The controller is going: the link leaves its data source and passes nothing on.
    void Detach();
    bool IsDetached() const { return FDetached; }

private:
    void InsertWrapper(bool append);
    void StartControllerInsert();
    // Other registered providers on the same data set.
    std::vector<TqzDBDataProvider*> OthersOnDataSet() const;

    TqzDBDataAssignedFields FFilledFields;
    std::unique_ptr<TqzDBDataLink> FDataLink;
    std::vector<TqzDBDataProvider*> FWaitingProviders;
    TqzDBDataProviderSavePosInfo FSavePos;
    Integer FCurrentBufferRecord = 0;
    bool FInFirstMove = false;
    bool FInInsertCall = false;
    bool FStartingInsert = false;
    bool FInOwnInsert = false;
    bool FInCanInitEditing = false;
    bool FNotifyingWaiting = false;
    bool FBeingNotified = false;
    bool FUpdatingGridBuffer = false;
    bool FInSearch = false;
    bool FDataSetOnRecord = false;
    bool FDetached = false;
    bool FInDataSourceChange = false;
};

// ---- Selection by bookmarks ----------------------------------------------------------------------

class TqzDBDataSelection : public TqzDataSelection {
    KOV_CLASS(TqzDBDataSelection, TqzDataSelection)
public:
    explicit TqzDBDataSelection(TqzCustomDataController* controller);
    ~TqzDBDataSelection() override;

    void ClearAnchor() override;
    void InsertEntry(Integer index, Integer row, Integer level, Integer record) override;
    void ClearEntries() override;
    void RemoveEntry(Integer index) override;
    bool FindRow(Integer row, Integer& index) const override;

    bool FindBookmark(const String& bookmark, Integer& index) const;
    String BookmarkOfBufferRow(Integer row) const;
    bool DropInvalidBookmarks();
    void SyncCount();
    void SelectAllInDataSet();
    void SelectRangeTo(const String& bookmark, bool keepOthers);

    TStringList* GetBookmarks() const { return FBookmarks.get(); }
    String AnchorMark;

private:
    bool InGridMode() const;
    TqzDBDataProvider* Provider() const;
    TDataSet* DataSet() const;
    std::unique_ptr<TStringList> FBookmarks;
    bool FSelectingAll = false;
};

// ---- Filter criteria and summary item --------------------------------------------------------------

using TqzDBDataFilterBeforeChangeEvent =
    TClosure<void(TObject* sender, TDataSet* dataSet, const String& filterText)>;
using TqzDBDataFilterFormatFilterTextValueEvent =
    TClosure<void(TObject* sender, const Variant& value, String& displayValue)>;

class TqzDBDataFilterCriteriaItem : public TqzDataFilterCriteriaItem {
    KOV_CLASS(TqzDBDataFilterCriteriaItem, TqzDataFilterCriteriaItem)
public:
    using TqzDataFilterCriteriaItem::TqzDataFilterCriteriaItem;
    // The filter-operator adapter of the data set's class may take another operator (SQL's
    // IS NULL on a query).
    TqzFilterOperatorClass OperatorClass() override;
};

// The incremental search: in grid mode it searches the data set itself.
class TqzDBDataControllerSearch : public TqzDataControllerSearch {
    KOV_CLASS(TqzDBDataControllerSearch, TqzDataControllerSearch)
public:
    using TqzDataControllerSearch::TqzDataControllerSearch;
    bool Locate(Integer itemIndex, const String& text) override;
    bool LocateNext(bool forward) override;
};

class TqzDBDataFilterCriteria : public TqzDataFilterCriteria {
    KOV_CLASS(TqzDBDataFilterCriteria, TqzDataFilterCriteria)
public:
    explicit TqzDBDataFilterCriteria(TqzCustomDataController* controller);
    ~TqzDBDataFilterCriteria() override;
    void Assign(TPersistent* source) override;
    void CopyEvents(TPersistent* source) override;
    void RestoreDefaults() override;
    void FormatValueText(TqzFilterCriteriaItem* condition, const Variant& value, String& text) override;
    TqzFilterCriteriaItemClass ConditionClass() override;
    bool IsFiltering() const override;
    void NotifyChanged() override;

    // The data set filters the records itself.
    bool IsDataSetFiltering() const;
    bool GetAutoDataSetFilter() const { return FAutoDataSetFilter; }
    void SetAutoDataSetFilter(bool value);
    bool GetIgnoreOrigin() const { return FIgnoreOrigin; }
    void SetIgnoreOrigin(bool value);

    TqzDBDataFilterBeforeChangeEvent OnBeforeChange;
    TqzDBDataFilterFormatFilterTextValueEvent OnFormatFilterTextValue;

private:
    TqzDBDataController* DBController() const;
    void ApplyToDataSet();
    bool FAutoDataSetFilter = false;
    bool FIgnoreOrigin = true;
    bool FDestroyingDB = false;
};

// A summary item that names the summarised field by its data-set field name.
class TqzDBDataSummaryItem : public TqzDataSummaryItem {
    KOV_CLASS(TqzDBDataSummaryItem, TqzDataSummaryItem)
public:
    explicit TqzDBDataSummaryItem(TCollection* collection) : TqzDataSummaryItem(collection) {}
    // Frees its data field.
    ~TqzDBDataSummaryItem() override;
    void Assign(TPersistent* source) override;
    // Currency exactly when the summarised field holds currency values, for a field bound to a
    // data-set field.
    bool IsCurrencyValueType(TVarType varType) override;
    TqzCustomDataField* ItemField() override { return FDataField ? FDataField : GetField(); }

    const String& GetFieldName() const { return FFieldName; }
    // A name binds the item's own data field to the data-set field of that name; an empty name
    // frees it.
    void SetFieldName(const String& value);
    TqzDBDataField* GetDataField() const { return FDataField; }

private:
    void FreeDataField();
    String FFieldName;
    TqzDBDataField* FDataField = nullptr;
};

// ---- The controller ------------------------------------------------------------------------------

using TqzDBDataDetailHasChildrenEvent =
    TClosure<void(TqzDBDataController* sender, Integer recordIndex, bool& hasChildren,
                  const Variant& masterKeyValues, const String& detailKeyFieldNames, Integer relationIndex)>;

class TqzDBDataController : public TqzCustomDataController {
    KOV_CLASS(TqzDBDataController, TqzCustomDataController)
public:
    explicit TqzDBDataController(TComponent* owner);
    ~TqzDBDataController() override;
    void Assign(TPersistent* source) override;

    // Virtual operations of the data-set controller.
    virtual void DataSetCurrentChanged(bool) {}
    virtual void DataSourceChanged() {}
    virtual void NewRecordInitialized(Integer) {}
    virtual Integer GetDefaultGridModeBufferCount() const { return 100; }
    virtual void GridModeBufferScrolled() { Change(1); }
    virtual Integer FindRecordIndexByDataSetKey();
    virtual bool SyncDataSetPosition(Integer recordIndex);
    virtual void GridModeBufferMoved() {}
    virtual TqzDBProviderDetailFilterAdapter* GetDetailFilterAdapter();

    // Overrides.
    TqzCustomDataField* CreateField() override;
    bool CanFocusRecord(Integer recordIndex) override;
    void SyncFocusedRecord() override;
    bool CanChangeFocusedRow() override;
    void ShiftDetailsAfterDelete(Integer recordIndex) override;
    Integer GetCurrentBufferRecord() override;
    TClass GetDataProviderClass() const override { return TqzDBDataProvider::StaticClass(); }
    TClass GetFieldClass() const override { return TqzDBDataField::StaticClass(); }
    TClass GetFilterClass() const override { return TqzDBDataFilterCriteria::StaticClass(); }
    TClass GetRelationClass() const override { return TqzDBDataRelation::StaticClass(); }
    TCollectionItemClass GetSummaryItemClass() const override {
        return TCollectionItemClass::Of<TqzDBDataSummaryItem>();
    }
    void GetKeyFields(std::vector<TqzCustomDataField*>& list) override { GetKeyFieldList(list); }
    bool HasRecordKeys() override { return UsesSourceValues(); }
    bool IsSourceField(TqzCustomDataField* field) const override;
    bool UsesSourceValues() const override;
    bool NeedsDataUpdate() const override { return true; }
    bool NeedsOriginalValues() const override;
    void LoadData() override;
    bool IsRefreshPendingInGridMode() const override { return RefreshingBuffer; }
    void AfterDataLoaded() override;
    void LinkField(TqzCustomDataField* field) override;
    void ComponentRemoved(TComponent* component) override;
    void StructureChangedUpdate() override;
    void LinkFields() override;
    void CheckFocusedRow() override;
    Integer GetSourceFocusedRecordIndex() override;
    void BeginLocate() override { InLocate = true; }
    void EndLocate() override { InLocate = false; }
    void Loaded() override;
    // The base answer, else the data link's: a standard action that handles the data source.
    bool ExecuteAction(TObject* action) override;
    bool UpdateAction(TObject* action) override;
    bool IsGridModeNotifyLocked() const override;
    void ChangeValueTypeClass(Integer itemIndex, TqzValueTypeClass valueType) override;
    bool IsItemTextValue(Integer itemIndex, bool excludeNumeric) override;
    Variant GetRecordFieldValue(Integer recordIndex, TqzCustomDataField* field) override;
    Variant GetRecordId(Integer recordIndex) override;
    void PrepareDetailChange() override;
    void RefreshSource() override;
    Variant GetFilterValue(Integer recordIndex, Integer itemIndex) override;
    String GetItemFilterName(Integer itemIndex) override;
    bool CanEditItem(Integer itemIndex) override;

    // Fields and keys.
    String GetItemFieldName(Integer itemIndex) const;
    void SetItemFieldName(Integer itemIndex, const String& name);
    TField* GetItemDataSetField(Integer itemIndex) const;
    void SetFieldNames(TqzDBDataField* field, const String& names, bool composite);
    void GetKeyFieldList(std::vector<TqzCustomDataField*>& list) const;
    // Raises "Key Field not found" for a key without a data-set field.
    std::vector<TField*> GetKeyDataSetFields() const;
    Variant GetDataSetKeyValue() const;
    Integer FindRecordIndexByKey(const Variant& keyValue);
    bool LocateByKey(const Variant& keyValue);
    // Reads the edited record again from the data set's current row.
    void ReloadRecordFromDataSet(Integer recordIndex);
    // Every field loses its data-set field (the data set closed).
    void UnlinkFields();

    // Data set.
    TDataSource* GetDataSource() const;
    void SetDataSource(TDataSource* value);
    TDataSet* GetDataSet() const;
    Integer GetRecordCountInDataSet() const;
    Integer GetRecNoInDataSet() const;
    void SetRecNoInDataSet(Integer value);
    bool IsDataSetSequenced() const;
    TqzDBDataProvider* GetDBProvider() const;
    TqzDBDataModeController* GetDataModeController() const { return FDataModeController.get(); }
    void SetDataModeController(TqzDBDataModeController* value) { FDataModeController->Assign(value); }
    TqzDBDataFilterCriteria* GetDBFilter() const { return dynamic_cast<TqzDBDataFilterCriteria*>(GetFilter()); }
    TqzDBDataSelection* GetDBSelection() const;

    // Grid mode: focus and selection by bookmarks (outside grid mode the base's answers).
    String GetSelectedBookmark(Integer index);
    String GetSelectionAnchorBookmark();
    bool SaveFocus() override;
    void RestoreSavedFocus() override;
    void ForgetSavedFocus() override;
    bool HasSavedFocus() const override;
    bool IsSavedFocusLost(Integer recordIndex) override;
    bool IsSavedFocusRow(Integer rowIndex) override;
    Variant GetSelectedRowKey(Integer rowIndex) override;
    Integer GetSelectedRowIndex(Integer index) const override;
    Integer GetSelectionAnchorRowIndex() const override;
    bool IsSelectionAnchorSet() const override;
    void SelectAll() override;
    void SelectFromAnchor(Integer rowIndex, bool keepOthers) override;
    void SetSelectionAnchor(Integer rowIndex) override;
    bool FocusSelectedRow(Integer index) override;
    void ForEachRow(bool selectedOnly, TqzEachRowProc proc, void* data) override;
    void ApplyGridModeBufferCount();
    bool IsGridMode() const;

    // Master-detail.
    String GetKeyFieldNames() const { return FKeyFieldNames; }
    void SetKeyFieldNames(const String& value);
    String GetDetailKeyFieldNames() const { return FDetailKeyFieldNames; }
    void SetDetailKeyFieldNames(const String& value);
    String GetMasterKeyFieldNames() const { return FMasterKeyFieldNames; }
    void SetMasterKeyFieldNames(const String& value);
    // The detail key names when the master key names are set, else empty.
    String EffectiveDetailKeyFieldNames() const;
    std::vector<TField*> GetDetailKeyFields();
    Variant GetDataSetDetailKeyValues();
    bool IsDetail() const { return GetMasterRelation() != nullptr; }
    void AttachToMaster(TqzCustomDataRelation* relation, Integer masterRecordIndex) override;
    void DetailDataChanged(TqzCustomDataRelation* relation) override;
    void SyncDetailWithMaster() override;
    bool CanChangeDetailExpanding(Integer recordIndex, bool expanded) override;
    // Moves the master (up the chain) to this detail data set's current key; the detail controller
    // of the master's focused record, this controller when it has no data-set master.
    TqzDBDataController* SyncMasterWithDetail();
    TqzDBDataController* GetDetailForFocusedMaster(Integer relationIndex, const Variant& detailKeyValues);
    // Synchronised with its data set all the way up through its masters.
    bool IsSynchronisedUp();
    // The master key fields of every data-set relation, from the names its detail holds.
    void UpdateRelationKeyFields();
    // Every detail controller of this controller's relation but ExcludedDetail binds its fields
    // again (the data set's fields may have been made anew) and reports a structure change.
    void UpdateDetailStructures(bool excludeSelf);
    // The master relation takes this detail's key names (not for a clone).
    void RefreshRelationKeyFieldNames();
    void ReopenDetail();
    Integer DetailNeedsReopen();
    TqzDBDataField* GetKeyField() const { return FKeyField; }

    String SavedFocusBookmark;
    TqzDBDataController* ExcludedDetail = nullptr;
    bool Posting = false;
    bool DetailReopening = false;
    bool SyncingPosition = false;
    bool InLocate = false;
    bool WasLoaded = false;
    bool RefreshingBuffer = false;
    // The data link's active state changed while the owner was loading; Loaded applies it.
    bool ActivationPending = false;
    Variant MasterKeyValues;
    bool UnlinkingFields = false;
    bool SyncingMaster = false;
    bool InDataSetEdit = false;
    bool InDataSetCancel = false;
    TqzDBDataDetailHasChildrenEvent OnDetailHasChildren;

private:
    void RebuildKeyField();
    void FreeDetailKeyFields();
    bool IsRefilledByOtherProvider() const;
    std::unique_ptr<TqzDBDataModeController> FDataModeController;
    String FDetailKeyFieldNames;
    TqzDBDataField* FKeyField = nullptr;
    String FKeyFieldNames;
    std::unique_ptr<std::vector<TField*>> FDetailKeyFields;
    String FMasterKeyFieldNames;
};
