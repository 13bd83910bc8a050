// The data controller: the record engine under the suite's list-like controls.
//
// A controller keeps the records of one data set in its record storage (or reaches them through
// an application-supplied record source), describes each column by a data field, and runs the
// editing cycle through its data provider. This header also holds its companions: data fields
// and their list, master-detail relations with the per-record detail objects, the sorting and
// grouping field lists, value readers, update-control infos, the notifier and the module's
// shared routines.
//
// Records are addressed by record index (0 .. count - 1; negative indexes are internal records;
// qzNoRecord means none); rows are positions in the controller info's row list (-1: none).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Collections.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/runtime/Variant.h"
#include "suite/data/qzDataStorage.h"
#include "suite/data/qzFilter.h"

// ---- Module routines ---------------------------------------------------------------------------

constexpr Integer qzNoRecord = Integer(0x80000001);

KOV_DECLARE_EXCEPTION(EqzInvalidDataControllerOperation, Exception);

extern const char* const sqzRecordIndexOutOfRange; // "RecordIndex out of range"
extern const char* const sqzRowIndexOutOfRange;    // "RowIndex out of range"
extern const char* const sqzItemIndexOutOfRange;   // "ItemIndex out of range"
extern const char* const sqzItemAlreadyExists;     // "Item already exists"

[[noreturn]] void RaiseDataControllerError(const char* message);

// Comparison callback of the list sort: negative, zero or positive by the order of a and b.
using TqzListSortCompare = Integer (*)(void* context, Integer a, Integer b);
// In-place quicksort of 32-bit values (not stable). The middle element is the pivot; the scans
// stay inside the list even when the comparison is not consistent.
void qzSortList(Integer* items, Integer count, TqzListSortCompare compare, void* context);
void qzSortList(std::vector<Integer>& items, TqzListSortCompare compare, void* context);

// Comparisons by sign (never by a subtraction that can overflow).
Integer CompareSelectionEntries(Integer rowIndex1, Integer rowIndex2);
Integer ComparePlainValues(Integer value1, Integer value2);
Integer CompareKeyValues(const Variant& key1, const Variant& key2);

enum TqzDataSortOrder : Byte { soNone, soAscending, soDescending };

class TqzCustomDataController;
class TqzCustomDataFieldList;
class TqzCustomDataProvider;
class TqzCustomDataRelationList;

// ---- Data fields -------------------------------------------------------------------------------

class TqzCustomDataField : public TObject {
    KOV_CLASS(TqzCustomDataField, TObject)
public:
    explicit TqzCustomDataField(TqzCustomDataFieldList* fieldList);
    // The field list is told first (another field may take the storage over); then the field
    // frees its own storage column.
    ~TqzCustomDataField() override;

    // Takes source's storage column and value type; source keeps neither.
    virtual void TakeOverStorage(TqzCustomDataField* source);
    virtual void ComponentRemoved(TComponent* component) {}
    virtual bool CanRead() const;
    virtual bool IsKeyField() const { return false; }
    virtual bool IsInternalField() const { return FInternal; }

    void BeginStorageRebuild();
    void EndStorageRebuild();
    void AnnounceLayoutChange();

    TqzCustomDataFieldList* GetFieldList() const { return FFieldList; }
    TqzCustomDataController* GetController() const;
    bool GetInternal() const { return FInternal; }
    void SetInternal(bool value);
    TObject* GetItem() const { return FItem; }
    void SetItem(TObject* value) { FItem = value; }
    Integer GetIndex() const;
    void SetIndex(Integer value);
    // A field sharing the storage of another; never a chain (the end of one is stored). A field
    // never links to itself, directly or through the chain.
    TqzCustomDataField* GetLinkedField() const { return FLinkedField; }
    void SetLinkedField(TqzCustomDataField* value);
    // Effective through the link.
    TqzValueDef* GetValueDef() const;
    TqzValueTypeClass GetValueTypeClass() const;
    void SetValueTypeClass(TqzValueTypeClass value);
    bool GetStoresText() const;
    void SetStoresText(bool value);
    // A non-internal field that an internal field stands for (the data-set binding's reference
    // fields); none here.
    TqzCustomDataField* GetReferenceField() const { return FReferenceField; }
    void SetReferenceField(TqzCustomDataField* value) { FReferenceField = value; }

    bool CompareThroughValues = false;
    Integer CompareMode = 0;
    bool CustomCompare = false;

private:
    TqzCustomDataFieldList* FFieldList;
    bool FInternal = false;
    TObject* FItem = nullptr;
    Integer FRebuildLock = 0;
    TqzCustomDataField* FLinkedField = nullptr;
    bool FStoresText = false;
    TqzValueDef* FValueDef = nullptr;
    TqzValueTypeClass FValueTypeClass = nullptr;
    TqzCustomDataField* FReferenceField = nullptr;
};

class TqzCustomDataFieldList : public TObject {
    KOV_CLASS(TqzCustomDataFieldList, TObject)
public:
    explicit TqzCustomDataFieldList(TqzCustomDataController* controller);
    ~TqzCustomDataFieldList() override;

    virtual void ComponentRemoved(TComponent* component);

    // Internal fields go last; others before the first internal field.
    void AddField(TqzCustomDataField* field);
    TqzCustomDataField* FieldByItem(TObject* item) const;
    void RemovingField(TqzCustomDataField* field);
    void RemoveAll();
    void MoveField(TqzCustomDataField* field, Integer newIndex);

    Integer GetCount() const { return Integer(FItems.size()); }
    TqzCustomDataField* GetItems(Integer index) const { return FItems.at(std::size_t(index)); }
    Integer IndexOf(const TqzCustomDataField* field) const;
    Integer GetInternalCount() const { return FInternalCount; }
    Integer ClientFieldCount() const { return GetCount() - FInternalCount; }
    TqzCustomDataController* GetController() const { return FController; }
    bool FieldDestroyed = false;
    void RecountInternal();

private:
    TqzCustomDataController* FController;
    Integer FInternalCount = 0;
    std::vector<TqzCustomDataField*> FItems;
};

// ---- Relations and detail objects --------------------------------------------------------------

class TqzCustomDataRelation : public TObject {
    KOV_CLASS(TqzCustomDataRelation, TObject)
public:
    // Joins the list.
    TqzCustomDataRelation(TqzCustomDataRelationList* relationList, TObject* item);
    ~TqzCustomDataRelation() override;

    virtual void FieldRemoved(TqzCustomDataField* field) {}
    virtual void RelationCreated() {}

    void Changed();
    TqzCustomDataController* GetController() const;
    Integer GetIndex() const;
    TObject* GetItem() const { return FItem; }
    TqzCustomDataRelationList* GetRelationList() const { return FRelationList; }
    // The prototype detail controller of the relation (none when details are not used).
    TqzCustomDataController* GetDetailDataController() const { return FDetailDataController; }
    void SetDetailDataController(TqzCustomDataController* value) { FDetailDataController = value; }

private:
    TqzCustomDataController* FDetailDataController = nullptr;
    TObject* FItem;
    TqzCustomDataRelationList* FRelationList;
};

class TqzDetailInfoObject : public TObject {
    KOV_CLASS(TqzDetailInfoObject, TObject)
public:
    TqzDetailInfoObject() = default;
    // Frees the detail controller.
    ~TqzDetailInfoObject() override;
    TqzCustomDataController* LinkObject = nullptr;
    bool DetailDataChanged = false;
};

class TqzDetailObject : public TObject {
    KOV_CLASS(TqzDetailObject, TObject)
public:
    TqzDetailObject() = default;
    ~TqzDetailObject() override;

    void FreeAllInfos();
    void ClearSlot(Integer index);
    void Fit(Integer relationCount);
    TqzCustomDataController* DetailController(Integer index) const;
    bool IsEmpty() const;
    void SetDetailController(Integer index, TqzCustomDataController* controller);
    bool TakeChangedMarks();
    // Every held detail controller forgets its master relation.
    void Dismantle();
    Integer SlotCount() const { return Integer(FInfos.size()); }
    TqzDetailInfoObject* Info(Integer index) const;

    Integer ActiveRelationIndex = -1;
    bool Expanded = false;

private:
    std::vector<TqzDetailInfoObject*> FInfos;
};

class TqzCustomDataRelationList : public TObject {
    KOV_CLASS(TqzCustomDataRelationList, TObject)
public:
    explicit TqzCustomDataRelationList(TqzCustomDataController* controller);
    ~TqzCustomDataRelationList() override;

    void LockChanges() { ++FLockCount; }
    void UnlockChanges();
    void Changed(TqzCustomDataRelation* relation);
    void AddRelation(TqzCustomDataRelation* relation);
    void RemoveRelation(TqzCustomDataRelation* relation);
    void RemoveAll();
    TqzCustomDataRelation* RelationByItem(TObject* item) const;
    void FieldRemoved(TqzCustomDataField* field);
    TqzDetailObject* DetailObject(Integer recordIndex);
    bool HasDetails(Integer recordIndex, Integer relationIndex);
    bool ClearDetails(Integer recordIndex, Integer relationIndex);

    Integer GetCount() const { return Integer(FItems.size()); }
    TqzCustomDataRelation* GetItems(Integer index) const { return FItems.at(std::size_t(index)); }
    Integer IndexOf(const TqzCustomDataRelation* relation) const;
    TqzCustomDataField* GetDetailField() const { return FDetailField; }
    TqzCustomDataController* GetController() const { return FController; }

private:
    // The detail object the record holds (none for Null, 0 or a handle of a freed object).
    TqzDetailObject* StoredDetailObject(Integer recordIndex) const;
    void StoreDetailObject(Integer recordIndex, TqzDetailObject* object);

    TqzCustomDataController* FController;
    TqzCustomDataField* FDetailField = nullptr;
    std::vector<TqzCustomDataRelation*> FItems;
    Integer FLockCount = 0;
};

// ---- Sorting and grouping field lists ----------------------------------------------------------

struct TqzSortingFieldEntry {
    TqzCustomDataField* Field;
    TqzDataSortOrder SortOrder;
};

class TqzSortingFieldList : public TObject {
    KOV_CLASS(TqzSortingFieldList, TObject)
public:
    TqzSortingFieldList() = default;

    virtual void ApplySortOrder(TqzCustomDataField* field, TqzDataSortOrder order);

    void AddEntry(TqzCustomDataField* field, TqzDataSortOrder order);
    void InsertEntry(Integer index, TqzCustomDataField* field, TqzDataSortOrder order);
    void DeleteEntry(Integer index);
    void RemoveField(TqzCustomDataField* field);
    void MoveEntry(Integer fromIndex, Integer toIndex);
    void SetEntryOrder(Integer index, TqzDataSortOrder order);
    void RemoveAll();
    Integer IndexOfField(const TqzCustomDataField* field) const;
    TqzDataSortOrder SortOrderOf(const TqzCustomDataField* field) const;
    void NotifyFieldChange(TqzCustomDataField* field);
    void AppendMissing(const TqzSortingFieldList* other);
    void PlaceField(TqzCustomDataField* field, Integer index);

    Integer GetCount() const { return Integer(FEntries.size()); }
    // Raises EListError outside 0..Count-1.
    const TqzSortingFieldEntry& Entry(Integer index) const;

    // Called with the list after every change.
    TNotifyEvent OnChanged;

protected:
    void Changed();

private:
    std::vector<TqzSortingFieldEntry> FEntries;
};

class TqzGroupingFieldList : public TqzSortingFieldList {
    KOV_CLASS(TqzGroupingFieldList, TqzSortingFieldList)
public:
    TqzGroupingFieldList() = default;
    // soNone is taken as soAscending: a grouping field is never removed this way.
    void ApplySortOrder(TqzCustomDataField* field, TqzDataSortOrder order) override;
    void SyncOrders(const TqzSortingFieldList* sorting);
};

// ---- Readers -----------------------------------------------------------------------------------

// Values given one by one, per value definition.
class TqzValueDefUnboundReader : public TqzValueDefReader {
    KOV_CLASS(TqzValueDefUnboundReader, TqzValueDefReader)
public:
    TqzValueDefUnboundReader() = default;
    ~TqzValueDefUnboundReader() override;

    Variant ReadVariant(TqzValueDef* def) override;
    bool Skips(TqzValueDef* def) override;

    void StoreValue(TqzValueDef* def, const Variant& value);
    void TruncateValues(Integer count);
    void RemoveAll() { TruncateValues(0); }

private:
    std::vector<TqzValueDef*> FDefs;
    std::vector<std::unique_ptr<Variant>> FValues;
};

// The values of one record of a controller.
class TqzValueDefRecordReader : public TqzValueDefReader {
    KOV_CLASS(TqzValueDefRecordReader, TqzValueDefReader)
public:
    TqzValueDefRecordReader(TqzCustomDataController* controller, Integer recordIndex);
    String ReadText(TqzValueDef* def) override;
    Variant ReadVariant(TqzValueDef* def) override;
    bool Skips(TqzValueDef* def) override;

private:
    TqzCustomDataController* FController;
    Integer FRecordIndex;
};

// Whether def belongs to an internal field of a controller.
bool IsInternalFieldDef(TqzValueDef* def);

// ---- Update-control infos ----------------------------------------------------------------------

class TqzUpdateControlInfo : public TObject {
    KOV_CLASS(TqzUpdateControlInfo, TObject)
public:
    TqzUpdateControlInfo() = default;
};

class TqzFocusedRecordChangedInfo : public TqzUpdateControlInfo {
    KOV_CLASS(TqzFocusedRecordChangedInfo, TqzUpdateControlInfo)
public:
    TqzFocusedRecordChangedInfo(Integer prevFocusedRecord, bool prevFocusChanged, Integer focusedRow,
                                Integer prevFocusedRow, Integer focusedRecord)
        : PrevFocusedRecord(prevFocusedRecord), PrevFocusChanged(prevFocusChanged), FocusedRow(focusedRow),
          PrevFocusedRow(prevFocusedRow), FocusedRecord(focusedRecord) {}
    Integer PrevFocusedRecord;
    bool PrevFocusChanged;
    Integer FocusedRow, PrevFocusedRow, FocusedRecord;
};

class TqzFocusedRowChangedInfo : public TqzUpdateControlInfo {
    KOV_CLASS(TqzFocusedRowChangedInfo, TqzUpdateControlInfo)
public:
    TqzFocusedRowChangedInfo(Integer prevFocusedRow, Integer focusedRow)
        : PrevFocusedRow(prevFocusedRow), FocusedRow(focusedRow) {}
    Integer PrevFocusedRow, FocusedRow;
};

class TqzUpdateRecordInfo : public TqzUpdateControlInfo {
    KOV_CLASS(TqzUpdateRecordInfo, TqzUpdateControlInfo)
public:
    explicit TqzUpdateRecordInfo(Integer recordIndex) : RecordIndex(recordIndex) {}
    Integer RecordIndex;
};

class TqzSelectionChangedInfo : public TqzUpdateControlInfo {
    KOV_CLASS(TqzSelectionChangedInfo, TqzUpdateControlInfo)
public:
    explicit TqzSelectionChangedInfo(std::vector<Integer> rows) : FRows(std::move(rows)) {}
    // Takes row1 unless it is -1, and row2 unless it is -1 or row1.
    TqzSelectionChangedInfo(Integer row1, Integer row2);
    Integer RowCount() const { return Integer(FRows.size()); }
    // Raises EListError outside 0..RowCount-1.
    Integer RowIndex(Integer index) const;

private:
    std::vector<Integer> FRows;
};

// One data change: kind (0 value, 1 record, 2 records added, 3 records removed, 4 everything),
// item index and record index.
class TqzLayoutChangedInfo : public TqzUpdateControlInfo {
    KOV_CLASS(TqzLayoutChangedInfo, TqzUpdateControlInfo)
public:
    TqzLayoutChangedInfo() = default;
};

class TqzSearchChangedInfo : public TqzUpdateControlInfo {
    KOV_CLASS(TqzSearchChangedInfo, TqzUpdateControlInfo)
public:
    TqzSearchChangedInfo() = default;
};

class TqzBookmarkChangedInfo : public TqzUpdateControlInfo {
    KOV_CLASS(TqzBookmarkChangedInfo, TqzUpdateControlInfo)
public:
    TqzBookmarkChangedInfo() = default;
};

class TqzDataChangedInfo : public TqzUpdateControlInfo {
    KOV_CLASS(TqzDataChangedInfo, TqzUpdateControlInfo)
public:
    TqzDataChangedInfo(Byte kind, Integer itemIndex, Integer recordIndex)
        : Kind(kind), ItemIndex(itemIndex), RecordIndex(recordIndex) {}
    Byte Kind;
    Integer ItemIndex, RecordIndex;
};

using TqzUpdateControlEvent = TClosure<void(TqzUpdateControlInfo* info)>;

// ---- Notifier ------------------------------------------------------------------------------------

// Tells its controller of every component that is removed.
class TqzDataControllerNotifier : public TComponent {
    KOV_CLASS(TqzDataControllerNotifier, TComponent)
public:
    TqzDataControllerNotifier(TComponent* owner, TqzCustomDataController* controller);
    void Notification(TComponent* component, TOperation operation) override;

private:
    TqzCustomDataController* FController;
};

// ---- Group tree ----------------------------------------------------------------------------------

// One group of the tree. Deepest-level groups span record-list positions Begin..End; the others
// span the item indexes of their first and last child.
struct TqzDataGroupInfo {
    Integer RowIndex = 0;
    Byte Expanded = 0;
    Integer Level = 0;
    Integer Begin = 0;
    Integer End = 0;
    std::vector<Variant> SummaryValues;
};

// What a row shows. For a group row, Position is the record-list position of its first record; the
// controller info maps positions to record indexes.
struct TqzDataRowInfo {
    Byte Expanded = 0;
    Integer Level = 0;
    Integer Position = -1;
};

// The group tree as a flat list of items in pre-order (each group followed by its children).
class TqzDataGroups : public TObject {
    KOV_CLASS(TqzDataGroups, TObject)
public:
    TqzDataGroups() = default;

    void RemoveAll();
    void AddGroupingField(TqzCustomDataField* field) { FFields.push_back(field); }
    TqzDataGroupInfo* NewGroupItem();
    Integer GroupingFieldCount() const { return Integer(FFields.size()); }
    TqzCustomDataField* GroupingField(Integer level) const { return FFields.at(std::size_t(level)); }
    Integer ItemCount() const { return Integer(FItems.size()); }
    // Raises "ItemIndex out of range" outside 0..ItemCount-1.
    TqzDataGroupInfo* Item(Integer index) const;

    // Numbers the rows: collapsed groups hide their contents (which take the collapsed row).
    void UpdateRowIndexes();
    Integer RowCount() const { return FItems.empty() ? 0 : FRowCount; }
    // The item shown on a group row (the outermost collapsed one), or for a record row the
    // deepest group whose records it shows. -1 without items.
    Integer ItemOfRow(Integer row) const;
    bool IsGroupRow(Integer row) const;
    TqzDataRowInfo RowInfo(Integer row) const;
    // The record-list position of a group's first record.
    Integer FirstPosition(Integer item) const;
    Integer ParentOf(Integer item) const;
    // -1 is the root (the top groups); a deepest group counts its records.
    Integer ChildCount(Integer item) const;
    Integer ChildItem(Integer item, Integer number) const;
    Integer ChildPosition(Integer item, Integer number) const;
    Integer TopGroup(Integer number) const { return ChildItem(-1, number); }
    // The item of a row; with a level >= 0 the group of that level there (the first one after an
    // outer group, the enclosing one otherwise).
    Integer GroupOfRow(Integer row, Integer level = -1) const;
    // The group of a level that holds a record-list position; -1 when none does.
    Integer GroupAtLevel(Integer position, Integer level) const;
    bool IsGroupVisible(Integer item) const;
    // Expands the item when asked and every enclosing group; renumbers when anything changed.
    bool MakeGroupVisible(Integer item, bool expandItself);
    void SetAllExpanded(bool expanded);
    // One grouping level only: orders the groups by their value at SummaryItemIndex.
    void SortTopGroupsBySummary();

    Integer SummaryItemIndex = -1;
    TqzDataSortOrder SummarySortOrder = soAscending;

private:
    bool IsDeepest(const TqzDataGroupInfo& g) const { return g.Level >= GroupingFieldCount() - 1; }
    std::vector<TqzCustomDataField*> FFields;
    std::vector<std::unique_ptr<TqzDataGroupInfo>> FItems;
    Integer FRowCount = 0;
};

// ---- Focus and selection ---------------------------------------------------------------------------

class TqzCustomDataControllerInfo;
class TqzDataSummary;

class TqzDataFocusingInfo : public TObject {
    KOV_CLASS(TqzDataFocusingInfo, TObject)
public:
    explicit TqzDataFocusingInfo(TqzCustomDataControllerInfo* info) : FInfo(info) {}
    void Assign(const TqzDataFocusingInfo& source);
    void SetNone() { Level = RecordIndex = RowIndex = -1; }
    bool SameFocus(const TqzDataFocusingInfo& other) const;

    Byte Changed = 0;
    Integer Level = -1;
    Byte PrevNewItemRow = 0;
    Integer PrevRecordIndex = -1;
    Integer RecordIndex = -1;
    Integer RowIndex = -1;

private:
    TqzCustomDataControllerInfo* FInfo;
};

// A selected row: Level -1 is a group row (RecordIndex is then the group's item index).
struct TqzSelectionEntry {
    Integer Level;
    Integer RecordIndex;
    Integer RowIndex;
};

// The selected rows, kept sorted by row.
class TqzDataSelection : public TObject {
    KOV_CLASS(TqzDataSelection, TObject)
public:
    explicit TqzDataSelection(TqzCustomDataController* controller) : FController(controller) {}
    virtual void ClearAnchor() { FAnchor = -1; }
    virtual void InsertEntry(Integer index, Integer row, Integer level, Integer record);
    virtual void ClearEntries() { FEntries.clear(); }
    virtual void RemoveEntry(Integer index);
    virtual void ResizeEntries(Integer count);
    virtual void InsertSelected(Integer index, Integer row, Integer level, Integer record);
    // Whether the row is selected; index is its entry or where it would go.
    virtual bool FindRow(Integer row, Integer& index) const;

    void RemoveAll();
    void ClearWithAnchor();
    void RemoveSelected(Integer index);
    bool IsRowSelected(Integer row) const;
    Integer FindGroupEntry(Integer item) const;
    Integer FindRecordEntry(Integer record) const;
    bool IsRecordSelected(Integer record) const { return FindRecordEntry(record) >= 0; }
    void SortByRow();
    void Changed() { OnChanged(this); }
    // Deletes the data entries whose records left the record list; whether any did.
    bool DropVanishedRecords(const TqzCustomDataControllerInfo* info);
    Integer Count() const { return Integer(FEntries.size()); }
    // Raises EListError outside 0..Count-1.
    TqzSelectionEntry& Entry(Integer index);
    Integer GetAnchor() const { return FAnchor; }
    void SetAnchor(Integer row) { FAnchor = row; }

    TNotifyEvent OnChanged;

protected:
    TqzCustomDataController* FController;
    std::vector<TqzSelectionEntry> FEntries;
    Integer FAnchor = -1;
};

// ---- Expansion kept across recomputation -----------------------------------------------------------

struct TqzDataExpandingInfo {
    Integer Level;
    Variant Value;
    Byte State; // 1 expanded, 2 selected
};

class TqzDataExpandingInfos : public TObject {
    KOV_CLASS(TqzDataExpandingInfos, TObject)
public:
    TqzDataExpandingInfos() = default;
    // Raises "Item already exists" for a field saved already.
    void AddField(TqzCustomDataField* field);
    void AddItem(Integer level, const Variant& value, Byte state) { FItems.push_back({level, value, state}); }
    void ForgetField(TqzCustomDataField* field) {
        if (IndexOfField(field) >= 0) Reset();
    }
    void Reset();
    Integer FieldCount() const { return Integer(FFields.size()); }
    TqzCustomDataField* Field(Integer index) const { return FFields.at(std::size_t(index)); }
    Integer ItemCount() const { return Integer(FItems.size()); }
    const TqzDataExpandingInfo& Item(Integer index) const { return FItems.at(std::size_t(index)); }
    Integer IndexOfField(const TqzCustomDataField* field) const;

    Byte SaveMode = 0;

private:
    std::vector<TqzCustomDataField*> FFields;
    std::vector<TqzDataExpandingInfo> FItems;
};

// ---- Rows: filtering, sorting and grouping ----------------------------------------------------------

// Change bits of the controller info.
constexpr Word ciReload = 0x001;
constexpr Word ciGrouping = 0x002;
constexpr Word ciSorting = 0x004;
constexpr Word ciFocusedRow = 0x008;
constexpr Word ciView = 0x010;
constexpr Word ciExpansion = 0x020;
constexpr Word ciFocusReset = 0x040;
constexpr Word ciSelection = 0x080;
constexpr Word ciSummary = 0x100;
constexpr Word ciFocusedRecord = 0x200;

// Turns the records into rows: filters, sorts and groups them, and keeps focus, selection and
// expansion over the rows. Requests collect change bits; one recomputation runs when no bracket
// is open.
class TqzCustomDataControllerInfo : public TObject {
    KOV_CLASS(TqzCustomDataControllerInfo, TObject)
public:
    explicit TqzCustomDataControllerInfo(TqzCustomDataController* controller);
    ~TqzCustomDataControllerInfo() override;

    virtual void CheckSelection();
    virtual void Recalculate();

    // Bracket and requests.
    void LockChanges() { ++FLockCount; }
    void UnlockChanges();
    // Closes the bracket without recomputing (an exception is on its way).
    void ReleaseLock() { --FLockCount; }
    Integer GetLockCount() const { return FLockCount; }
    void CheckUpdate();
    void RequestReload();
    void ResetFocus();
    void RequestSummaryUpdate(bool viewOnly);
    void MarkExpansionChanged();
    void MarkFocusedRecordChanged(bool previousChanged);
    void FieldRemovedFromView(TqzCustomDataField* field);
    void FieldCompareChanged(TqzCustomDataField* field);
    void ChangeFieldSorting(TqzCustomDataField* field, TqzDataSortOrder order);
    void ClearSorting(bool keepGrouped);
    Word GetChanges() const { return FChanges; }
    bool IsCalculating() const { return FCalculating != 0; }
    bool IsFocusing() const { return FInFocusing != 0; }

    // Rows.
    Integer GetRowCount() const;
    void CheckRowIndex(Integer row) const;
    // Position mapped to a record index.
    TqzDataRowInfo GetRowInfo(Integer row) const;
    Integer RowOfRecord(Integer recordIndex, bool makeVisible);
    Integer RecordListCount() const { return Integer(FRecordList.size()); }
    Integer RecordAt(Integer position) const { return FRecordList.at(std::size_t(position)); }
    Integer PositionOfRecord(Integer recordIndex) const;
    bool IsGrouped() const { return FGroups->ItemCount() > 0; }
    Integer NextRowAfterDelete(Integer rowIndex) const;
    Integer DataRowOfGroup(Integer item, Integer position, bool makeVisible);
    // The record of a row; -1 outside the rows.
    Integer GetRowRecordIndex(Integer rowIndex) const;
    Integer GetRecordRowIndex(Integer recordIndex) const;

    // Focus.
    // With refresh, the row is taken even when it is the focused one (its record changed).
    void ChangeFocusedRow(Integer row, bool forced, bool refresh = false);
    void FocusRow(Integer row);
    void RefocusRow(Integer row);
    bool CanFocusRow(Integer row);
    Integer GetFocusedRowIndex() const { return FFocusing->RowIndex; }
    Integer GetFocusedRecordIndex() const { return FFocusing->RecordIndex; }
    // Focuses the row of a record (forced; its groups are expanded). While rows are stale (in a
    // bracket or during a recomputation) only the record is kept and its row is found afterwards.
    void SetFocusedRecordIndex(Integer recordIndex);
    void SetFocusedRowIndex(Integer rowIndex);
    // Renames the focused record after records were inserted or removed before it.
    void MoveFocusedRecord(Integer recordIndex);
    Integer RowOfFocusedRecord();
    // The info is asking the controller whether the focus may move.
    bool IsAskingFocus() const { return FInCanFocus != 0; }
    bool PreviousFocusChanged() const { return FPrevFocusing->Changed != 0; }
    Integer PreviousFocusedRecord() const { return FPrevFocusing->RecordIndex; }
    Integer PreviousFocusedRow() const { return FPrevFocusing->RowIndex; }
    void SavePreviousFocus() { FPrevFocusing->Assign(*FFocusing); }
    void MarkPreviousFocusChanged() { FPrevFocusing->Changed = 1; }

    // Selection.
    void ChangeRowSelection(Integer row, bool select);
    void ClearSelection();
    void ClearSelectionAnchor() { FSelection->ClearAnchor(); }
    Integer GetSelectedCount() const { return FSelection->Count(); }
    Integer SelectedRow(Integer index) const { return FSelection->Entry(index).RowIndex; }
    bool IsRowSelected(Integer row) const;
    TqzDataSelection* GetSelection() const { return FSelection.get(); }
    // A descendant controller's own selection class takes the place of the plain one.
    void ReplaceSelection(TqzDataSelection* selection) {
        FSelection.reset(selection);
        FSelection->OnChanged = TNotifyEvent(this, &TqzCustomDataControllerInfo::SelectionChanged);
    }

    // Drops a field being freed from sorting and grouping.
    void RemoveField(TqzCustomDataField* field) { FieldRemovedFromView(field); }
    // Re-evaluates the sorting and grouping of a field whose compare settings changed.
    void RefreshField(TqzCustomDataField* field) { FieldCompareChanged(field); }

    TqzSortingFieldList* GetSorting() const { return FSorting.get(); }
    TqzSortingFieldList* GetTotalSorting() const { return FTotalSorting.get(); }
    TqzGroupingFieldList* GetGrouping() const { return FGrouping.get(); }
    TqzDataGroups* GetGroups() const { return FGroups.get(); }
    TqzDataExpandingInfos* GetExpandingInfos() const { return FExpandingInfos.get(); }

private:
    friend class TqzDataFocusingInfo;
    void SortingChanged(TObject*);
    void GroupingChanged(TObject*);
    void SelectionChanged(TObject*);
    void Raise(Word bits) { FChanges |= bits; }
    void Filter();
    void PrepareCompareModes();
    void ResetCompareModes();
    void Sort();
    void Group();
    Integer CompareSorted(Integer a, Integer b);
    static Integer CompareSortedCallback(void* context, Integer a, Integer b);
    bool GroupDiffers(Integer record, Integer first, Integer level);
    void EstablishFocus();
    void RefreshFocusFromRow();
    void SaveExpansionStates();
    void RestoreExpansionStates();
    void RebuildSelectionRows();
    void PassChangesOn();
    // Steps of a recomputation between its start and its clean-up.
    template <class StartRun> void Compute(TqzDataSummary* summary, StartRun startRun);

    Word FChanges = 0;
    TqzCustomDataController* FController;
    std::unique_ptr<TqzDataGroups> FGroups;
    std::unique_ptr<TqzDataExpandingInfos> FExpandingInfos;
    Byte FExpansionChanged = 0;
    Byte FInFocusing = 0;
    std::unique_ptr<TqzDataFocusingInfo> FFocusing;
    std::unique_ptr<TqzDataFocusingInfo> FPrevFocusing;
    std::unique_ptr<TqzGroupingFieldList> FGrouping;
    Byte FInCanFocus = 0;
    Byte FCalculating = 0;
    Integer FLockCount = 0;
    std::vector<Integer> FRecordList;
    std::unique_ptr<TqzDataSelection> FSelection;
    std::unique_ptr<TqzSortingFieldList> FSorting;
    std::unique_ptr<TqzSortingFieldList> FTotalSorting;
};
// ---- Companions the controller owns --------------------------------------------------------------

class TqzDataFilterCriteria;
class TqzDataFilterValueList;
using TqzDataFilterGetValueListEvent =
    TClosure<void(TqzFilterCriteria* sender, Integer itemIndex, TqzDataFilterValueList* valueList)>;

// A condition on one of the controller's data fields.
class TqzDataFilterCriteriaItem : public TqzFilterCriteriaItem {
    KOV_CLASS(TqzDataFilterCriteriaItem, TqzFilterCriteriaItem)
public:
    using TqzFilterCriteriaItem::TqzFilterCriteriaItem;
    Variant RecordValue(Integer recordIndex) override;
    String ItemCaption() override;
    String ExpressionFieldName() override;
    TObject* LinkedItem() override;
    TqzCustomDataField* GetField() const { return dynamic_cast<TqzCustomDataField*>(GetItemLink()); }

private:
    TqzCustomDataController* Controller() const;
};

// The distinct values of one of the controller's items.
class TqzDataFilterValueList : public TqzFilterValueList {
    KOV_CLASS(TqzDataFilterValueList, TqzFilterValueList)
public:
    using TqzFilterValueList::TqzFilterValueList;
    // (All), (Custom...), then (Blanks) and (NonBlanks) when blanks exist, then the values.
    virtual void Load(Integer itemIndex);
};

// Filter criteria over the controller's records, stored as the binary property "Criteria".
class TqzDataFilterCriteria : public TqzFilterCriteria {
    KOV_CLASS(TqzDataFilterCriteria, TqzFilterCriteria)
public:
    explicit TqzDataFilterCriteria(TqzCustomDataController* controller) : FController(controller) {}
    ~TqzDataFilterCriteria() override;
    void Assign(TPersistent* source) override;

    Integer ItemLinkIndex(TObject* itemLink) override;
    TObject* ItemLinkAt(Integer index) override;
    TqzFilterCriteriaItemClass ConditionClass() override;
    TqzFilterValueListClass ValueListClass() override;
    void NotifyChanged() override;
    void CopyEvents(TPersistent* source) override;
    // Takes a data field or a client item (turned into its data field).
    TqzFilterCriteriaItem* AddCondition(TqzFilterCriteriaItemList* list, TObject* itemLink,
                                        TqzFilterOperatorKind operatorKind, const Variant& value,
                                        const String& displayValue = String()) override;
    TqzFilterCriteriaItem* FindByItemLink(TObject* itemLink) override;
    virtual TqzDataFilterValueList* CreateValueList();
    virtual bool IsFiltering() const;
    bool Matches(Integer recordIndex) { return FilterRecord(recordIndex); }
    void FieldRemoved(TqzCustomDataField* field) { RemoveItemLink(field); }

    bool GetActive() const { return FActive; }
    void SetActive(bool value);
    TqzCustomDataController* GetController() const { return FController; }

    TqzDataFilterGetValueListEvent OnGetValueList;

protected:
    void DefineProperties(TFiler* filer) override;

private:
    TObject* FieldOf(TObject* itemLink) const;
    bool FActive = false;
    TqzCustomDataController* FController;
    bool FDestroying = false;
};

// The incremental search of a list control; the search state lives in the controller.
class TqzDataControllerSearch : public TObject {
    KOV_CLASS(TqzDataControllerSearch, TObject)
public:
    explicit TqzDataControllerSearch(TqzCustomDataController* controller) : FController(controller) {}
    virtual void FocusPosition(Integer position);
    // The first position from start towards end (-1: the last or first) whose search text begins
    // with text; -1 when none.
    virtual Integer FindFrom(Integer start, Integer end, bool forward, const String& text);
    virtual bool Locate(Integer itemIndex, const String& text);
    virtual bool LocateNext(bool forward);
    virtual void Lock() { FLocked = 1; }
    virtual void Unlock() { FLocked = 0; }

    void SetSearchItem(Integer itemIndex);
    Integer SearchItemIndex() const;
    bool IsSearching() const;
    String CurrentText() const;
    void Cancel();
    bool IsLocked() const { return FLocked != 0; }

protected:
    TqzCustomDataController* FController;
    Byte FLocked = 0;
};

// Finds a record by key values read into an internal locate record.
class TqzDataControllerLocateObject : public TObject {
    KOV_CLASS(TqzDataControllerLocateObject, TObject)
public:
    explicit TqzDataControllerLocateObject(TqzCustomDataController* controller) : FController(controller) {}
    ~TqzDataControllerLocateObject() override;
    virtual void ReleaseRecord();
    virtual Integer FindRecord() = 0;
    void ReadKeyValues(TqzValueDefReader* reader);
    Integer GetLocateRecord() const { return FLocateRecord; }

protected:
    TqzCustomDataController* FController;
    Integer FLocateRecord = 0;
};

class TqzDataControllerKeyLocateObject : public TqzDataControllerLocateObject {
    KOV_CLASS(TqzDataControllerKeyLocateObject, TqzDataControllerLocateObject)
public:
    using TqzDataControllerLocateObject::TqzDataControllerLocateObject;
    Integer FindRecord() override;
    std::vector<TqzCustomDataField*> KeyFields;
};

class TqzDataControllerGroupLocateObject : public TqzDataControllerLocateObject {
    KOV_CLASS(TqzDataControllerGroupLocateObject, TqzDataControllerLocateObject)
public:
    explicit TqzDataControllerGroupLocateObject(TqzCustomDataController* controller);
    Integer FindRecord() override;
    void SetLevel(Integer level);
    Integer GetLevel() const { return FLevel; }
    bool UsesBinarySearch() const { return FBinarySearch; }

private:
    std::vector<TqzCustomDataField*> FGroupingFields;
    std::vector<TqzCustomDataField*> FFindFields;
    bool FBinarySearch = true;
    Integer FLevel = 0;
};

// ---- Summaries ------------------------------------------------------------------------------------

enum TqzSummaryKind : Byte { skNone, skSum, skMin, skMax, skCount, skAverage };
enum TqzSummaryPosition : Byte { spGroup, spFooter };
enum TqzSummaryOption { soNullIgnore, soSelectedRecords };
using TqzSummaryOptions = TSet<TqzSummaryOption, soSelectedRecords>;
// The value classes that choose a default format.
enum TqzSummaryValueClass : Byte { svcCurrency, svcDate, svcOther };

class TqzDataSummary;
class TqzDataSummaryItem;
class TqzDataSummaryItems;
class TqzDataSummaryGroup;

struct TqzSummaryEventArguments {
    Integer RecordIndex;
    TqzDataSummaryItem* SummaryItem;
};
// What an OnSummary handler may change: the record's value, the running summary and count; with
// Done set the record adds nothing more.
struct TqzSummaryEventOutArguments {
    Variant Value;
    Variant SummaryValue;
    Integer CountValue = 0;
    bool Done = false;
};

using TqzSummaryEvent = TClosure<void(TqzDataSummaryItems* sender, const TqzSummaryEventArguments& arguments,
                                      TqzSummaryEventOutArguments& outArguments)>;
using TqzDataSummaryItemGetTextEvent =
    TClosure<void(TqzDataSummaryItem* sender, const Variant& value, bool isFooter, String& text)>;
using TqzAfterSummaryEvent = TClosure<void(TqzDataSummary* sender)>;

// Accumulators of one run, one element per item of the collection being computed.
using TqzDataSummaryValues = std::vector<Variant>;
using TqzDataSummaryCountValues = std::vector<Integer>;

// An item bound to one of the controller's fields (none is allowed).
class TqzCustomDataSummaryItem : public TCollectionItem {
    KOV_CLASS(TqzCustomDataSummaryItem, TCollectionItem)
public:
    explicit TqzCustomDataSummaryItem(TCollection* collection) : TCollectionItem(collection) {}
    virtual TqzCustomDataController* Controller() const = 0;
    // The field is about to become the item's field.
    virtual void FieldChanging(TqzCustomDataField*) {}

    TqzCustomDataField* GetField() const { return FField; }
    // The field is given by its client item (a column); nullptr clears it.
    TObject* GetItemLink() const { return FField ? FField->GetItem() : nullptr; }
    void SetItemLink(TObject* item);
    // Forgets the field without reporting a change (the field is being freed).
    void ClearField() { FField = nullptr; }

protected:
    void SetField(TqzCustomDataField* field);

private:
    TqzCustomDataField* FField = nullptr;
};

class TqzDataSummaryItem : public TqzCustomDataSummaryItem {
    KOV_CLASS(TqzDataSummaryItem, TqzCustomDataSummaryItem)
public:
    explicit TqzDataSummaryItem(TCollection* collection) : TqzCustomDataSummaryItem(collection) {}
    // Stops being the controller's summary sort item first.
    ~TqzDataSummaryItem() override;
    void Assign(TPersistent* source) override;
    TqzCustomDataController* Controller() const override;

    virtual bool IsCurrencyValueType(TVarType varType);
    // Has a field, or counts the records of a group.
    virtual bool IsCalculated();
    virtual bool StoresPosition();
    virtual TqzCustomDataField* ItemField() { return GetField(); }
    virtual void FormatValue(const Variant& value, bool isFooter, String& text);

    TqzDataSummaryItems* GetSummaryItems() const;
    const String& GetFormat() const { return FFormat; }
    void SetFormat(const String& value);
    TqzSummaryKind GetKind() const { return FKind; }
    void SetKind(TqzSummaryKind value);
    TqzSummaryPosition GetPosition() const { return FPosition; }
    void SetPosition(TqzSummaryPosition value);

    TqzDataSummaryItemGetTextEvent OnGetText;

private:
    String FFormat;
    TqzSummaryKind FKind = skSum;
    TqzSummaryPosition FPosition = spGroup;
};

class TqzDataSummaryItems : public TCollection {
    KOV_CLASS(TqzDataSummaryItems, TCollection)
public:
    TqzDataSummaryItems(TqzDataSummary* summary, TCollectionItemClass itemClass);
    // An item that orders the controller's groups stops doing so.
    ~TqzDataSummaryItems() override;
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const override;

    virtual TqzSummaryPosition PositionOf(TqzDataSummaryItem* item) { return item->GetPosition(); }
    virtual bool IsItemPositionStored(TqzDataSummaryItem* item) { return item->GetPosition() != spGroup; }
    // The first item on the field of the item at itemIndex whose position is the one given;
    // nullptr when none. Raises EListError outside the items.
    virtual TqzDataSummaryItem* ItemOfField(Integer itemIndex, TqzSummaryPosition position);
    virtual bool ItemVisible(Integer flags, bool a, bool b);
    virtual void CopyEvents(TqzDataSummaryItems* source) { OnSummary = source->OnSummary; }
    virtual void GetDefaultFormat(TqzSummaryValueClass valueClass, TqzSummaryKind kind, String& text, bool isFooter);
    virtual void GetGroupSummaryText(const std::vector<Variant>& values, String& text) { text.clear(); }

    TqzDataSummaryItem* GetItem(Integer index) const { return static_cast<TqzDataSummaryItem*>(GetItems(index)); }
    TqzDataSummaryItem* AddItem() { return static_cast<TqzDataSummaryItem*>(Add()); }
    TqzDataSummary* GetSummary() const { return FSummary; }
    // An item's destructor is running: the change its removal reports cannot raise.
    void ItemDying() { FItemDying = true; }

    TqzSummaryEvent OnSummary;

protected:
    void Update(TCollectionItem* item) override;

private:
    TqzDataSummary* FSummary;
    bool FItemDying = false;
};

class TqzDataFooterSummaryItems : public TqzDataSummaryItems {
    KOV_CLASS(TqzDataFooterSummaryItems, TqzDataSummaryItems)
public:
    using TqzDataSummaryItems::TqzDataSummaryItems;
    TqzSummaryPosition PositionOf(TqzDataSummaryItem*) override { return spFooter; }
    bool IsItemPositionStored(TqzDataSummaryItem*) override { return false; }
};

class TqzDataGroupSummaryItems : public TqzDataSummaryItems {
    KOV_CLASS(TqzDataGroupSummaryItems, TqzDataSummaryItems)
public:
    // owner: the summary group holding the items, nullptr for the summary's default items.
    TqzDataGroupSummaryItems(TqzDataSummary* summary, TCollectionItemClass itemClass, TPersistent* owner)
        : TqzDataSummaryItems(summary, itemClass), FOwner(owner) {}
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const override;
    // "(SUM=10.00, COUNT=2)": the group-row items' texts.
    void GetGroupSummaryText(const std::vector<Variant>& values, String& text) override;

    const String& GetBeginText() const { return FBeginText; }
    void SetBeginText(const String& value);
    const String& GetEndText() const { return FEndText; }
    void SetEndText(const String& value);
    const String& GetSeparator() const { return FSeparator; }
    void SetSeparator(const String& value);
    bool IsBeginTextStored() const { return FBeginText != "("; }
    bool IsEndTextStored() const { return FEndText != ")"; }
    bool IsSeparatorStored() const { return FSeparator != ","; }

private:
    void TextChanged();
    TPersistent* FOwner;
    String FBeginText = "(";
    String FEndText = ")";
    String FSeparator = ",";
};

// Binds a summary group to a client item; a client item belongs to one summary group at most.
class TqzDataSummaryGroupItemLink : public TqzCustomDataSummaryItem {
    KOV_CLASS(TqzDataSummaryGroupItemLink, TqzCustomDataSummaryItem)
public:
    explicit TqzDataSummaryGroupItemLink(TCollection* collection) : TqzCustomDataSummaryItem(collection) {}
    ~TqzDataSummaryGroupItemLink() override;
    void Assign(TPersistent* source) override;
    TqzCustomDataController* Controller() const override;
    void FieldChanging(TqzCustomDataField* field) override;
    TqzDataSummaryGroup* GetSummaryGroup() const;
};

class TqzDataSummaryGroupItemLinks : public TCollection {
    KOV_CLASS(TqzDataSummaryGroupItemLinks, TCollection)
public:
    TqzDataSummaryGroupItemLinks(TqzDataSummaryGroup* group, TCollectionItemClass itemClass)
        : TCollection(itemClass), FGroup(group) {}
    TPersistent* GetOwner() const override;
    TqzDataSummaryGroup* GetSummaryGroup() const { return FGroup; }
    TqzDataSummaryGroupItemLink* GetItem(Integer index) const {
        return static_cast<TqzDataSummaryGroupItemLink*>(GetItems(index));
    }
    TqzDataSummaryGroupItemLink* AddLink() { return static_cast<TqzDataSummaryGroupItemLink*>(Add()); }
    void ItemDying() { FItemDying = true; }

protected:
    void Update(TCollectionItem* item) override;

private:
    TqzDataSummaryGroup* FGroup;
    bool FItemDying = false;
};

class TqzDataSummaryGroup : public TCollectionItem {
    KOV_CLASS(TqzDataSummaryGroup, TCollectionItem)
public:
    explicit TqzDataSummaryGroup(TCollection* collection);
    ~TqzDataSummaryGroup() override;
    void Assign(TPersistent* source) override;

    TqzDataSummary* GetSummary() const;
    // Made on first access.
    TqzDataSummaryGroupItemLinks* GetLinks();
    bool HasLinks() const { return FLinks != nullptr; }
    void SetLinks(TqzDataSummaryGroupItemLinks* value) { GetLinks()->Assign(value); }
    TqzDataGroupSummaryItems* GetSummaryItems() const { return FSummaryItems.get(); }
    void SetSummaryItems(TqzDataGroupSummaryItems* value) { FSummaryItems->Assign(value); }

private:
    std::unique_ptr<TqzDataSummaryGroupItemLinks> FLinks;
    std::unique_ptr<TqzDataGroupSummaryItems> FSummaryItems;
};

class TqzDataSummaryGroups : public TCollection {
    KOV_CLASS(TqzDataSummaryGroups, TCollection)
public:
    explicit TqzDataSummaryGroups(TqzDataSummary* summary);
    TPersistent* GetOwner() const override;
    TqzDataSummary* GetSummary() const { return FSummary; }
    TqzDataSummaryGroup* GetItem(Integer index) const { return static_cast<TqzDataSummaryGroup*>(GetItems(index)); }
    TqzDataSummaryGroup* AddGroup() { return static_cast<TqzDataSummaryGroup*>(Add()); }
    void ItemDying() { FItemDying = true; }

protected:
    void Update(TCollectionItem* item) override;

private:
    TqzDataSummary* FSummary;
    bool FItemDying = false;
};

// The footer and group summaries of a controller, computed during its recomputation.
class TqzDataSummary : public TPersistent {
    KOV_CLASS(TqzDataSummary, TPersistent)
public:
    explicit TqzDataSummary(TqzCustomDataController* controller);
    ~TqzDataSummary() override;
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const override;

    virtual void PrepareAccumulators(TqzDataSummaryItems* items, TqzDataSummaryValues& values,
                                     TqzDataSummaryCountValues& counts);
    // Adds the records at record-list positions first..last.
    virtual void AccumulateRange(TqzDataSummaryItems* items, TqzDataSummaryValues& values,
                                 TqzDataSummaryCountValues& counts, Integer first, Integer last);
    // viewOnly: one item's display settings changed; otherwise the values must be computed again.
    virtual void Changed(bool viewOnly);
    // The same for a change reported from a destructor: a failing recomputation is dropped (its
    // clean-up has run; the next recomputation computes the values again).
    void ChangedFromDestructor(bool viewOnly);
    // Runs OnAfterSummary, or keeps it for the controller's Loaded while its owner loads.
    virtual void FireAfterSummary();
    virtual void FinishValue(TqzDataSummaryItem* item, Variant& value, Integer count);
    virtual void AddRecordValue(TqzDataSummaryItem* item, Integer recordIndex, Integer& count, Variant& value);
    // A variant array of the finished values, Null without items.
    virtual Variant StoreResults(TqzDataSummaryItems* items, TqzDataSummaryValues& values,
                                 TqzDataSummaryCountValues& counts);
    // The record at a record-list position; -1 when it does not take part.
    virtual Integer SummaryRecordAt(Integer position);
    virtual TCollectionItemClass GetItemLinkClass();
    virtual TCollectionItemClass GetItemClass();
    virtual bool IsValidValueIndex(Integer index) const;
    virtual void NotifyController(bool viewOnly);
    virtual void CopyEvents(TqzDataSummary* source);
    // The recomputation's summary run: the footer before sorting, the groups after grouping (or
    // both after grouping over the selected records only).
    virtual void StartSummaryRun() { ComputeFooter(); }
    virtual void FinishSummaryRun();
    virtual void ComputeSummaries();
    virtual void ComputeFooter();
    virtual void ComputeGroups();

    // Inside the lock (nestable; it also holds the controller's update bracket) changes are not
    // reported; the outermost unlock reports one when asked.
    void BeginUpdate();
    void EndUpdate(bool reportChange = true);
    // Closes the lock without reporting or recomputing (an exception is on its way).
    void ReleaseLock();
    // Every item on the field loses it (the field is being freed or leaves the view).
    void RemoveItemsOfField(TqzCustomDataField* field);
    void FieldRemoved(TqzCustomDataField* field) { RemoveItemsOfField(field); }
    // The summary group linked to the level's grouping field, else the default items; nullptr
    // outside the grouping.
    TqzDataGroupSummaryItems* GroupItemsForLevel(Integer level);

    TqzCustomDataController* GetController() const { return FController; }
    TqzDataGroupSummaryItems* GetDefaultGroupSummaryItems() const { return FDefaultGroupSummaryItems.get(); }
    void SetDefaultGroupSummaryItems(TqzDataGroupSummaryItems* value) { FDefaultGroupSummaryItems->Assign(value); }
    TqzDataFooterSummaryItems* GetFooterSummaryItems() const { return FFooterSummaryItems.get(); }
    void SetFooterSummaryItems(TqzDataFooterSummaryItems* value) { FFooterSummaryItems->Assign(value); }
    TqzDataSummaryGroups* GetSummaryGroups() const { return FSummaryGroups.get(); }
    void SetSummaryGroups(TqzDataSummaryGroups* value) { FSummaryGroups->Assign(value); }
    TqzSummaryOptions GetOptions() const { return FOptions; }
    void SetOptions(TqzSummaryOptions value);
    // The footer values: a variant array, one element per footer item (Null before a run or
    // without items).
    const Variant& GetFooterSummaryValues() const { return FFooterSummaryValues; }
    // Null for an index without a value.
    Variant GetFooterSummaryValue(Integer index) const;
    String GetFooterSummaryText(Integer index);
    bool IsDestroying() const { return FDestroying; }
    bool InAfterSummary() const { return FInAfterSummary; }
    Integer GetLockCount() const { return FLockCount; }

    TqzAfterSummaryEvent OnAfterSummary;

private:
    TqzCustomDataController* FController;
    std::unique_ptr<TqzDataGroupSummaryItems> FDefaultGroupSummaryItems;
    std::unique_ptr<TqzDataFooterSummaryItems> FFooterSummaryItems;
    std::unique_ptr<TqzDataSummaryGroups> FSummaryGroups;
    TqzSummaryOptions FOptions;
    Variant FFooterSummaryValues = Null();
    bool FDestroying = false;
    bool FInAfterSummary = false;
    Integer FLockCount = 0;
    // The records that count in selected-records mode during one run (empty: all count).
    std::vector<bool> FSelectedRecords;
    bool FSelectedOnly = false;
    void CollectSelectedRecords();
};

// Read access to the group tree: child groups, the records of a group, grouping fields by level.
// A group item is an index into the tree's items; -1 is the root.
class TqzDataControllerGroups : public TObject {
    KOV_CLASS(TqzDataControllerGroups, TObject)
public:
    explicit TqzDataControllerGroups(TqzCustomDataController* controller) : FController(controller) {}

    Integer ChildCount(Integer groupItem) const;
    // The item of a child group; -1 for a deepest group or a number outside its children.
    Integer ChildGroup(Integer groupItem, Integer index) const;
    // The record of the index-th record of a deepest group; -1 otherwise.
    Integer ChildRecord(Integer groupItem, Integer index) const;
    Integer GroupOfRow(Integer row) const;
    Integer Level(Integer groupItem) const;
    Integer LevelCount() const;
    Integer FieldIndexOfLevel(Integer level) const;
    // Appends the records under the group in row order.
    void CollectRecordIndexes(std::vector<Integer>& list, Integer groupItem) const;
    // A group row: its records; a data row: its record.
    void CollectRecordIndexesOfRow(std::vector<Integer>& list, Integer row) const;

private:
    TqzDataGroups* Tree() const;
    TqzCustomDataController* FController;
};

// Extra filters made by CreateFilter; owns them.
class TqzDataFilterList : public TObject {
    KOV_CLASS(TqzDataFilterList, TObject)
public:
    TqzDataFilterList() = default;
    ~TqzDataFilterList() override;
    void Add(TqzDataFilterCriteria* filter) { FItems.push_back(filter); }
    void Remove(TqzDataFilterCriteria* filter);
    bool Contains(const TqzDataFilterCriteria* filter) const;
    void FieldRemoved(TqzCustomDataField* field);
    // Frees the filters from the last to the first.
    void RemoveAll();
    Integer GetCount() const { return Integer(FItems.size()); }
    TqzDataFilterCriteria* GetItems(Integer index) const { return FItems.at(std::size_t(index)); }

private:
    std::vector<TqzDataFilterCriteria*> FItems;
};

// ---- Record keys and the save object ---------------------------------------------------------------

class TqzSaveObject;
class TqzSelectedKeys;

struct TqzKeyInfo {
    virtual ~TqzKeyInfo() = default;
    Variant Key;
};
struct TqzSelectedKeyInfo : TqzKeyInfo {
    Integer EntryIndex = -1;
};
struct TqzDetailKeyInfo : TqzKeyInfo {
    Integer RelationIndex = 0;
    std::unique_ptr<TqzSaveObject> SubSave;
};

// Collects records by key value before the records are rebuilt and applies them afterwards.
class TqzKeys : public TObject {
    KOV_CLASS(TqzKeys, TObject)
public:
    TqzKeys() = default;
    ~TqzKeys() override { RemoveAll(); }
    virtual void ApplyKeys() {}
    virtual void CollectKeys() {}
    virtual void FreeKey(TqzKeyInfo* key) { delete key; }
    virtual void RemoveAll();

    void Bind(TqzCustomDataController* controller);
    void SaveFrom(TqzCustomDataController* controller);
    void RestoreTo(TqzCustomDataController* controller);
    bool FindKey(Integer recordIndex, Integer& index);
    void DeleteKey(Integer index);
    Integer Count() const { return Integer(FKeys.size()); }
    TqzKeyInfo* Key(Integer index) const { return FKeys.at(std::size_t(index)); }

protected:
    Variant KeyOf(Integer recordIndex);
    TqzCustomDataController* FController = nullptr;
    std::vector<TqzCustomDataField*> FKeyFields;
    std::vector<TqzKeyInfo*> FKeys;
};

// Master records with expanded details: the active relation and the detail controller's own state.
class TqzDetailKeys : public TqzKeys {
    KOV_CLASS(TqzDetailKeys, TqzKeys)
public:
    TqzDetailKeys() = default;
    void ApplyKeys() override;
    void CollectKeys() override;

private:
    static void SelectKeptRecords(TqzCustomDataController* detail, TqzSelectedKeys* keys);
};

class TqzSelectedKeys : public TqzKeys {
    KOV_CLASS(TqzSelectedKeys, TqzKeys)
public:
    TqzSelectedKeys() = default;
    void ApplyKeys() override;
    void CollectKeys() override;
};

class TqzSaveObject : public TObject {
    KOV_CLASS(TqzSaveObject, TObject)
public:
    TqzSaveObject() = default;
    void SaveState(TqzCustomDataController* controller);
    void RestoreState(TqzCustomDataController* controller);
    TqzDetailKeys* GetDetailKeys() { return &FDetailKeys; }
    TqzSelectedKeys* GetSelectedKeys() { return &FSelectedKeys; }

private:
    TqzDetailKeys FDetailKeys;
    TqzSelectedKeys FSelectedKeys;
};

// ---- Record source and provider ------------------------------------------------------------------

// An application-supplied holder of records. Records are identified by handles the source
// chooses; items are the source's identifiers of the controller's fields.
class TqzCustomRecordSource : public TObject {
    KOV_CLASS(TqzCustomRecordSource, TObject)
public:
    TqzCustomRecordSource() = default;
    // Detaches from every provider still attached.
    ~TqzCustomRecordSource() override;

    virtual Integer AppendRecord() = 0;
    virtual void SortRecords() {}
    virtual void DeleteRecord(Integer handle) = 0;
    virtual bool DetailHasData(Integer masterRecordIndex, Integer relationIndex) { return false; }
    virtual String GetDisplayText(Integer handle, Integer item) = 0;
    // Whether a value is present; data is its stored form (the field's value type's data).
    virtual bool GetCompareForm(Integer handle, Integer item, const Byte*& data) = 0;
    virtual Integer GetItemOfField(Integer fieldIndex) { return fieldIndex; }
    virtual bool CanInsert() { return false; }
    virtual Variant GetRecordKey(Integer handle) { return Null(); }
    virtual Variant GetValue(Integer handle, Integer item) = 0;
    virtual Integer InsertBefore(Integer handle) { return AppendRecord(); }
    virtual bool SortsItself() { return false; }
    virtual bool ComparesItself() { return false; }
    virtual bool ProvidesValues() { return false; }
    virtual bool AllowsStoredCompare() { return true; }
    // Hands each record to the current provider (AddSourceRecord).
    virtual void LoadRecords() = 0;
    virtual Integer Compare(Integer handle1, Integer handle2, Integer item) { return 0; }
    virtual void SetRecordCount(Integer count) {}
    virtual void SetValue(Integer handle, Integer item, const Variant& value) = 0;

    TqzCustomDataProvider* GetCurrentProvider() const { return FProvider; }
    void SetCurrentProvider(TqzCustomDataProvider* provider) { FProvider = provider; }
    TqzCustomDataProvider* GetDefaultProvider() const { return FDefaultProvider; }
    void SetDefaultProvider(TqzCustomDataProvider* provider) { FDefaultProvider = provider; }
    TqzCustomDataController* GetDataController() const;
    void Attach(TqzCustomDataProvider* provider);
    void Detach(TqzCustomDataProvider* provider);
    Integer ProviderCount() const { return FProviders ? Integer(FProviders->size()) : 0; }

private:
    TqzCustomDataProvider* FProvider = nullptr;
    TqzCustomDataProvider* FDefaultProvider = nullptr;
    std::unique_ptr<std::vector<TqzCustomDataProvider*>> FProviders;
};

class TqzCustomDataProvider : public TObject {
    KOV_CLASS(TqzCustomDataProvider, TObject)
public:
    explicit TqzCustomDataProvider(TqzCustomDataController* controller);
    ~TqzCustomDataProvider() override;

    virtual void SortInSource();
    virtual bool SupportsCustomSourceFlag() const { return true; }
    virtual bool SourceSorts();
    virtual bool IsGridMode() const { return false; }
    virtual bool IsSourceActive() const { return false; }
    virtual bool IsOtherProviderInserting() const { return false; }
    virtual bool SourceProvidesValues();
    virtual bool IsSyncMode() const { return false; }
    virtual bool CanReadData() const { return FRecordSource != nullptr; }
    virtual bool IsStructureReady() const { return false; }
    virtual bool IsBOF() const { return true; }
    virtual bool HasPendingChange() const { return FChanging; }
    virtual bool IsEditing() const { return FEditRecordIndex != qzNoRecord; }
    virtual bool IsEOF() const { return true; }
    virtual bool IsGridModeUpdating() const { return false; }
    virtual bool IsInserting() const { return IsEditing() && FInserting; }
    virtual bool IsModified() const { return FModified; }
    virtual bool IsReadOnly() const { return !CanModify(); }
    virtual void NoteLoadedRecord(Integer recordIndex) {}
    virtual void MoveFirst() { FFieldsRecreated = false; }
    virtual void MovePrior() {}
    virtual void MoveNext() {}
    virtual void MoveLast() {}
    virtual void MoveBy(Integer distance) {}
    virtual void ScrollBuffer(Integer distance) {}
    virtual void RememberPosition() {}
    virtual void RestorePosition() {}
    virtual bool CanAppend() const { return CanModify(); }
    virtual bool CanDelete() const;
    virtual bool CanInitEditing(Integer recordIndex);
    virtual bool CanInsert() const { return CanModify(); }
    virtual bool CanModify() const { return true; }
    virtual void Append() { StartNewRecord(true); }
    virtual void Cancel();
    virtual void UpdateData();
    virtual Integer DeleteFocused();
    virtual void DeleteRecords(const std::vector<Integer>& recordIndexes);
    virtual void DeleteSelection();
    virtual void Edit() { EditFocused(); }
    virtual Variant ReadEditValue(Integer recordIndex, TqzCustomDataField* field, Integer valueKind);
    virtual void Insert() { StartNewRecord(false); }
    virtual void Post();
    virtual void CommitEditing();
    // Kind 1 is a value typed as text: an empty text is stored as Null.
    virtual bool SetEditingFieldValue(Integer recordIndex, TqzCustomDataField* field, Integer valueKind,
                                      const Variant& value);
    virtual void PrepareDelete();
    virtual void FinishDelete();
    virtual void SetNewRecordFieldValue(Integer recordIndex, TqzCustomDataField* field, const Variant& value);
    virtual void InitNewRecord(Integer recordIndex, const std::vector<Variant>& groupValues);
    virtual void BeginEdit();
    virtual void StartNewRecord(bool append);
    virtual void ClearChanging() { FChanging = false; }
    virtual void EndEditing();
    virtual void ClearModified() { FModified = false; }
    virtual void MarkChanging() { FChanging = true; }
    virtual void EditFocused() { BeginEdit(); }
    virtual void MarkModified() { FModified = true; }
    virtual void BeginLocate() { ++FLocateCount; }
    virtual void EndLocate() { --FLocateCount; }
    virtual void LockNotifications() { ++FLockCount; }
    virtual void UnlockNotifications() { --FLockCount; }
    virtual Integer AppendSourceRecord();
    virtual void DeleteSourceRecord(Integer recordIndex);
    virtual bool DetailHasData(Integer masterRecordIndex, Integer relationIndex);
    virtual String GetSourceDisplayText(Integer recordIndex, TqzCustomDataField* field);
    virtual String GetBufferDisplayText(Integer recordIndex, TqzCustomDataField* field) { return String(); }
    virtual Variant GetBufferValue(Integer recordIndex, TqzCustomDataField* field) { return Null(); }
    virtual Variant GetSourceRecordKey(Integer recordIndex);
    virtual Integer GetSyncEditingRecord() const { return -1; }
    virtual Variant GetSourceValue(Integer recordIndex, TqzCustomDataField* field);
    virtual TClass GetValueDefReaderClass() const { return TqzValueDefReader::StaticClass(); }
    virtual Integer InsertSourceRecord(Integer recordIndex);
    virtual void LoadGridModeBuffer() {}
    virtual Integer CompareFieldOfRecords(Integer recordIndex1, Integer recordIndex2, TqzCustomDataField* field);
    virtual Integer CompareSourceRecords(Integer recordIndex1, Integer recordIndex2, TqzCustomDataField* field);
    virtual void SetSourceDisplayText(Integer recordIndex, TqzCustomDataField* field, const String& text) {}
    virtual void SetSourceRecordCount(Integer count);
    virtual void SetSourceValue(Integer recordIndex, TqzCustomDataField* field, const Variant& value);
    virtual void ActiveChanged(bool active);
    virtual void DataChanged(Byte kind, Integer itemIndex, Integer recordIndex);
    virtual void DataScrolled(Integer distance);
    virtual void LayoutChanged(Integer kind);

    // Attaching rebuilds the controller's structure (not while it is being destroyed).
    void SetRecordSource(TqzCustomRecordSource* source);
    TqzCustomRecordSource* GetRecordSource() const { return FRecordSource; }
    Integer AddSourceRecord(Integer handle);
    void LoadFromSource();
    // The record index of a handle (linear search from 0), -1 when absent.
    Integer RecordIndexOfHandle(Integer handle) const;
    Integer HandleOfRecord(Integer recordIndex) const;

    TqzCustomDataController* GetController() const { return FController; }
    Integer GetEditRecordIndex() const { return FEditRecordIndex; }
    void SetEditRecordIndex(Integer value) { FEditRecordIndex = value; }
    Integer GetEditPredecessor() const { return FEditPredecessor; }
    Integer GetEditSuccessor() const { return FEditSuccessor; }
    Integer GetInsertedRecordIndex() const { return FInsertedRecordIndex; }
    void SetInsertedRecordIndex(Integer value) { FInsertedRecordIndex = value; }
    Integer GetSavedRecordIndex() const { return FSavedRecordIndex; }
    void ForgetSavedRecord() { FSavedRecordIndex = 0; }
    Integer GetLockCount() const { return FLockCount; }
    Integer GetLocateCount() const { return FLocateCount; }
    bool IsDataChangedLocked() const { return FDataChangedLocked; }
    bool GetLoadAllNeeded() const { return FLoadAllNeeded; }
    void SetLoadAllNeeded(bool value) { FLoadAllNeeded = value; }
    bool FActiveChanging = false;
    bool FFieldsRecreated = false;
    bool FInInserting = false;

private:
    TqzCustomRecordSource* SourceCall();
    void ReleaseSavedRecord();
    void FocusAfterDelete();

    bool FChanging = false;
    TqzCustomRecordSource* FRecordSource = nullptr;
    bool FDataChangedLocked = false;
    TqzCustomDataController* FController;
    Integer FEditRecordIndex = qzNoRecord;
    Integer FEditPredecessor = qzNoRecord;
    Integer FEditSuccessor = qzNoRecord;
    Integer FInsertedRecordIndex = -1;
    bool FInUpdateData = false;
    Integer FLocateCount = 0;
    Integer FLockCount = 0;
    bool FModified = false;
    Integer FSavedRecordIndex = 0;
    bool FInserting = false;
    bool FLoadAllNeeded = false;
};

// ---- Editing and master-detail companions ---------------------------------------------------------

// A weak reference to a controller: freeing the link removes it from the controller's list, and a
// controller that goes clears the reference of every link it still has.
class TqzDataListenerLink : public TObject {
    KOV_CLASS(TqzDataListenerLink, TObject)
public:
    explicit TqzDataListenerLink(TqzCustomDataController* controller);
    ~TqzDataListenerLink() override;
    TqzCustomDataController* Controller = nullptr;
};

// The controller's links; clears them when the controller goes.
struct TqzDataListenerLinks {
    TqzDataListenerLinks() = default;
    TqzDataListenerLinks(const TqzDataListenerLinks&) = delete;
    TqzDataListenerLinks& operator=(const TqzDataListenerLinks&) = delete;
    ~TqzDataListenerLinks();
    std::vector<TqzDataListenerLink*> Items;
};

// Edit state bits (GetEditState).
constexpr Byte dceInsert = 1;
constexpr Byte dceEdit = 2;
constexpr Byte dceChanging = 4;
constexpr Byte dceModified = 8;
// Edit operation bits (GetEditOperations).
constexpr Byte dceoAppend = 1;
constexpr Byte dceoDelete = 2;
constexpr Byte dceoEdit = 4;
constexpr Byte dceoInsert = 8;
constexpr Byte dceoShowEdit = 16;

// Detail kinds (DetailKind).
constexpr Integer dkTopLevel = 0;
constexpr Integer dkPattern = 1;
constexpr Integer dkClone = 2;

using TqzDetailVisitProc = std::function<void(TqzCustomDataController* detail, void* data)>;

// ---- The controller ------------------------------------------------------------------------------

// Options bits.
constexpr Word dcoAnsiSort = 1;
constexpr Word dcoCaseInsensitive = 2;
constexpr Word dcoAssignGroupingValues = 4;
constexpr Word dcoAssignMasterDetailKeys = 8;
constexpr Word dcoSaveExpanding = 16;
constexpr Word dcoSortByDisplayText = 32;
constexpr Word dcoFocusTopRowAfterSorting = 64;
constexpr Word dcoGroupsAlwaysExpanded = 128;
constexpr Word dcoImmediatePost = 256;
constexpr Word dcoInsertOnNewItemRowFocusing = 512;
constexpr Word dcoDefaultOptions = dcoAssignGroupingValues | dcoAssignMasterDetailKeys | dcoSaveExpanding;

// Data change kinds.
constexpr Byte dcValueChanged = 0;
constexpr Byte dcRecordChanged = 1;
constexpr Byte dcRecordsAdded = 2;
constexpr Byte dcRecordsRemoved = 3;
constexpr Byte dcEverything = 4;

using TqzRecordEvent = TClosure<void(TqzCustomDataController* sender, Integer recordIndex)>;
using TqzFilterRecordEvent = TClosure<void(TqzCustomDataController* sender, Integer recordIndex, bool& accept)>;
using TqzDetailAllowEvent = TClosure<void(TqzCustomDataController* sender, Integer recordIndex, bool& allow)>;
using TqzRecordChangedEvent = TClosure<void(TqzCustomDataController* sender, Integer recordIndex, Integer itemIndex)>;
using TqzDataControllerCompareEvent =
    TClosure<void(TqzCustomDataController* dataController, Integer recordIndex1, Integer recordIndex2,
                  Integer itemIndex, const Variant& v1, const Variant& v2, Integer& compare)>;

class TqzCustomDataController : public TPersistent {
    KOV_CLASS(TqzCustomDataController, TPersistent)
public:
    explicit TqzCustomDataController(TComponent* owner);
    ~TqzCustomDataController() override;
    TPersistent* GetOwner() const override { return FOwner; }
    void Assign(TPersistent* source) override;

    // Fields and record operations.
    virtual TqzCustomDataField* CreateInternalField();
    virtual TqzCustomDataField* CreateField();
    virtual Integer GetRecordToEdit();
    virtual bool CanFocusRecord(Integer recordIndex);
    virtual bool CanSelectRow(Integer) { return true; }
    // Forgets the saved focus when it is lost (the record being removed, or -1 after a reload).
    virtual void RevalidateSavedFocus(Integer recordIndex = -1);
    virtual void SyncFocusedRecord() {}
    virtual void EndEditIfRecordAffected(Integer recordIndex);
    virtual bool CanChangeFocusedRow() { return true; }
    virtual void CopyRecordValues(Integer fromRecordIndex, Integer toRecordIndex);
    // Writes one value (and a field's stored display text) of a copied record to the bound source.
    virtual void WriteStoredValueToSource(Integer recordIndex, TqzCustomDataField* field,
                                          const Variant& value, const String& displayText);
    // Appends one record read from the provider's current position; its index.
    virtual Integer AppendRecordFromSource();
    virtual void ShiftDetailsAfterInsert(Integer recordIndex);
    virtual void ShiftDetailsAfterDelete(Integer recordIndex);
    virtual void DeleteStoredRecord(Integer recordIndex);
    virtual void FireAfterCancel();
    virtual void FireAfterDelete();
    virtual void FireAfterInsert();
    virtual void FireAfterPost();
    virtual void FireBeforeCancel();
    virtual void FireBeforeDelete(Integer recordIndex);
    virtual void FireBeforeInsert();
    virtual void FireBeforePost();
    virtual bool FireFilterRecord(Integer recordIndex);
    virtual bool HasFilterRecordHandler() const { return OnFilterRecord.Assigned(); }
    virtual void FireNewRecord(Integer recordIndex);
    virtual void NotifyDataChanged();
    virtual void RecordLoaded(Integer recordIndex);
    virtual bool SearchInSource() { return false; }
    // The first item, in index order, whose ID is id; nullptr when none.
    virtual TObject* FindItemByID(Integer id);
    virtual TObject* FindItemLike(TObject* item) { return FindItemByID(GetItemID(item)); }
    virtual Integer GetCurrentBufferRecord();
    virtual TClass GetDataProviderClass() const { return TqzCustomDataProvider::StaticClass(); }
    virtual TClass GetDataSelectionClass() const { return TqzDataSelection::StaticClass(); }
    virtual TClass GetFieldClass() const { return TqzCustomDataField::StaticClass(); }
    virtual TClass GetFilterClass() const { return TqzDataFilterCriteria::StaticClass(); }
    virtual TClass GetRelationClass() const { return TqzCustomDataRelation::StaticClass(); }
    virtual TClass GetSearchClass() const { return TqzDataControllerSearch::StaticClass(); }
    virtual TClass GetSummaryClass() const { return TqzDataSummary::StaticClass(); }
    virtual TCollectionItemClass GetSummaryItemClass() const { return TCollectionItemClass::Of<TqzDataSummaryItem>(); }
    virtual TCollectionItemClass GetSummaryGroupItemLinkClass() const {
        return TCollectionItemClass::Of<TqzDataSummaryGroupItemLink>();
    }
    virtual String GetFieldDisplayText(Integer recordIndex, TqzCustomDataField* field);
    virtual Integer GetDefaultActiveRelationIndex() const { return 0; }
    virtual Integer GetItemID(TObject*) { return -1; }
    virtual Variant GetFieldListValue(Integer recordIndex, const std::vector<TqzCustomDataField*>& fields);
    virtual Variant GetFieldValue(Integer recordIndex, TqzCustomDataField* field);
    // The focused record (the source's current record once a source keeps its own position).
    virtual Integer GetSourceFocusedRecordIndex() { return GetFocusedRecordIndex(); }
    virtual bool IsSourceField(TqzCustomDataField* field) const;
    virtual bool IsOwnerDestroying() const;
    virtual bool IsSingleSelect() const { return !MultiSelect; }
    virtual bool IsImmediatePost() const;
    virtual bool UsesSourceValues() const;
    virtual bool IsOwnerLoading() const;
    // The owner is being read from a stored window definition.
    bool IsOwnerReading() const;
    virtual bool NeedsDataUpdate() const { return IsBoundToSource() || FStructureChanged; }
    virtual bool IsBoundToSource() const;
    virtual bool IsProviderLoading() const { return false; }
    virtual bool NeedsOriginalValues() const { return false; }
    virtual bool IsUnboundMode() const;
    virtual void LoadData();
    virtual bool IsRefreshPendingInGridMode() const { return false; }
    virtual void AfterDataLoaded() {}
    virtual void LinkField(TqzCustomDataField*) {}
    virtual void ComponentRemoved(TComponent* component);
    // Ends the edit, empties the storage and rebuilds the record-handle field for the source.
    virtual void StructureChangedUpdate();
    virtual void LinkFields();
    virtual bool ShouldSyncDetailFocus() const { return false; }
    virtual void DetailDataChanged(TqzCustomDataRelation* relation);
    virtual bool IsKeyedByRecordID() const { return false; }
    virtual void ResetInternalRecords(TObject* sender);
    virtual void FieldRemoved(TqzCustomDataField* field);
    virtual void ActiveChanged(bool active);
    virtual void DataChanged(Byte kind, Integer itemIndex, Integer recordIndex);
    virtual void DataScrolled(Integer distance);
    virtual void LayoutChanged(Integer kind);
    virtual void BeforeFocusedRowChange(Integer) {}
    virtual void ItemValueTypeClassChanged(Integer) {}
    virtual void UpdateControl(TqzUpdateControlInfo* info);
    virtual String GetSearchDisplayText(Integer recordIndex, Integer itemIndex) {
        return GetDisplayText(recordIndex, itemIndex);
    }
    virtual String GetFilterDisplayText(Integer recordIndex, Integer itemIndex) {
        return GetDisplayText(recordIndex, itemIndex);
    }
    virtual Integer AddRecordFromReader(TqzValueDefReader* reader);
    virtual void BeginLocate() {}
    virtual void EndLocate() {}
    // The update bracket: it also holds the info's recomputation. Only the data change is turned
    // into a notice yet: one TqzDataChangedInfo goes to UpdateControlHandler, followed by
    // OnDataChanged, at once outside a bracket and at the outermost UnlockUpdates inside one.
    virtual void LockUpdates();
    virtual void UnlockUpdates();
    // Closes a bracket without delivering anything (an exception is on its way; the pending
    // change waits for the next bracket to close).
    void ReleaseUpdateLock();
    virtual TqzDataFilterCriteria* CreateFilter();
    virtual void AddItem(TObject* item);
    virtual bool RefreshIfItemOrdered(Integer itemIndex);
    virtual void Loaded();
    virtual void RemoveItem(TObject* item);
    virtual void UpdateItemIndexes();
    virtual bool ExecuteAction(TObject*) { return false; }
    virtual bool UpdateAction(TObject*) { return false; }
    virtual bool IsGridModeNotifyLocked() const { return FGridModeNotifyLock != 0; }
    virtual void ChangeItemCustomCompare(Integer itemIndex, bool value);
    virtual void ChangeStoresDisplayText(Integer itemIndex, bool value);
    virtual void ChangeValueTypeClass(Integer itemIndex, TqzValueTypeClass valueType);
    virtual TObject* GetItem(Integer index) const = 0;
    virtual Integer GetItemCount() const;
    virtual bool GetItemCustomCompare(Integer) { return false; }
    virtual bool GetItemStoresDisplayText(Integer itemIndex);
    virtual bool IsItemTextValue(Integer itemIndex, bool excludeNumeric);
    virtual Variant GetRecordFieldValue(Integer recordIndex, TqzCustomDataField* field);
    virtual std::vector<Variant> GetGroupValues(Integer recordIndex);
    virtual String GetDisplayText(Integer recordIndex, Integer itemIndex);
    virtual Integer GetRecordCount() const;
    virtual Variant GetRecordId(Integer recordIndex);
    virtual Variant GetValue(Integer recordIndex, Integer itemIndex);
    virtual void Refresh();
    virtual void SetRecordDisplayText(Integer recordIndex, Integer itemIndex, const String& text);
    virtual void SetRecordCount(Integer count);
    virtual void SetValue(Integer recordIndex, Integer itemIndex, const Variant& value);
    virtual void Cancel();
    virtual void PrepareDetailChange() {}
    virtual bool CanEditItem(Integer) { return true; }
    virtual void PostEditing();
    virtual void UpdateData();
    virtual void RefreshSource() {}
    virtual void WritePendingEditValues() {}
    virtual Integer GetEditingRecordIndex();
    virtual Integer GetNewItemRecordIndex();
    virtual TqzCustomDataController* GetMaster() const;
    // Makes the clone of a relation's pattern for a master record; nothing here.
    virtual TqzCustomDataController* MakeDetailController(Integer relationIndex, Integer recordIndex) {
        return nullptr;
    }
    // The detail controller a link stands for; nothing here.
    virtual TqzCustomDataController* ControllerOfDetailLink(TObject*) { return nullptr; }

    // Editing, the new-item row and deletion.
    virtual void AppendNewRecord();
    virtual void InsertNewRecord();
    virtual void EditRecord();
    virtual bool CanInitEditing(Integer itemIndex);
    // Kind 1 is a value typed as text (an empty text is stored as Null). Whether it was written.
    virtual bool SetEditingValue(Integer itemIndex, const Variant& value, Integer valueKind = 0);
    virtual Variant GetEditingValue(Integer itemIndex, Integer valueKind = 0);
    virtual void DeleteFocused();
    virtual void DeleteSelection();
    virtual Byte GetEditState();
    virtual Byte GetEditOperations();
    bool IsEditing();
    // Closes a full-update bracket without restoring (an exception is on its way).
    void ReleaseFullUpdate();
    std::vector<TqzDataListenerLink*>& GetListenerLinks() { return FListenerLinks.Items; }
    // The records of a row (all records of a group row), appended in row order.
    void CollectRowRecords(Integer row, std::vector<Integer>& records);
    // The records of every selected row, ascending, each once.
    void SelectedRecords(std::vector<Integer>& records);

    // Master-detail.
    virtual TqzCustomDataRelation* GetRelationToMaster() const { return FMasterRelation; }
    virtual Integer GetMasterRecord() const { return FMasterRecordIndex; }
    virtual bool HasMaster() const { return FMasterRelation != nullptr; }
    Integer DetailKind() const;
    TqzCustomDataController* FindRootController();
    TqzCustomDataController* FindPatternController();
    virtual void AttachToMaster(TqzCustomDataRelation* relation, Integer masterRecordIndex);
    void SetPatternMode(bool value);
    bool GetPatternMode() const { return FPatternMode; }
    // The link object standing for the clone of a record and relation, made on demand.
    TqzCustomDataController* DetailLinkOf(Integer recordIndex, Integer relationIndex);
    TqzCustomDataController* DetailControllerOf(Integer recordIndex, Integer relationIndex);
    bool HasDetailController(Integer recordIndex, Integer relationIndex);
    Integer ActiveRelationOf(Integer recordIndex);
    void SetActiveRelationOf(Integer recordIndex, Integer relationIndex);
    bool IsDetailExpanded(Integer recordIndex);
    bool SetDetailExpanded(Integer recordIndex, bool expanded);
    virtual bool CanChangeDetailExpanding(Integer recordIndex, bool expanded);
    virtual void FireDetailExpanding(Integer recordIndex, bool& allow);
    virtual void FireDetailExpanded(Integer recordIndex);
    virtual void FireDetailCollapsing(Integer recordIndex, bool& allow);
    virtual void FireDetailCollapsed(Integer recordIndex);
    void DropDetailLinks(Integer recordIndex, Integer relationIndex);
    void DropAllDetailLinks();
    void CollapseAllDetails();
    void CollectDetailChangeMarks();
    void ClearRelationDetails(TqzCustomDataRelation* relation);
    virtual void ResetClonesOfItem(TObject* item);
    virtual bool NotifyDetailsBeforeFocusChange();
    void FocusDetailsOfMaster(Integer recordIndex);
    void VisitDetailControllers(TqzCustomDataRelation* relation, const TqzDetailVisitProc& callback, void* data);
    TqzCustomDataController* GetCurrentDetail() const { return FCurrentDetail; }
    bool IsCreatingDetail() const { return FCreatingDetail; }
    bool IsSyncingDetails() const { return FSyncingDetails; }
    void SetSyncingDetails(bool value) { FSyncingDetails = value; }
    virtual void RestorePosition() { FProvider->RestorePosition(); }
    virtual void RememberPosition() { FProvider->RememberPosition(); }
    virtual void SyncDetailWithMaster() {}
    virtual Variant GetFilterValue(Integer recordIndex, Integer itemIndex) { return GetValue(recordIndex, itemIndex); }
    virtual String GetItemCaption(Integer) { return String(); }
    virtual String GetItemFilterName(Integer itemIndex) { return GetItemCaption(itemIndex); }
    virtual bool GetItemSortByDisplayText(Integer, bool) { return false; }
    virtual void FocusControlOfItem(Integer, bool& handled) {}

    // Change notification.
    // Adds bits to the pending changes and delivers them unless a bracket is open.
    void Change(Word bits);
    // Loading: links the fields and, unless a refresh waits for the bracket to close, reloads.
    void UpdateAll(bool full);
    virtual void CheckFocusedRow();
    virtual void DataLoaded();
    virtual void BeginLoadRecords();
    virtual void EndLoadRecords();
    // The summary asks for a view change (true) or a recomputation of its values (false).
    virtual void SummaryChanged(bool viewOnly);
    bool IsLoadingFocus() const { return FLoadingFocus; }
    bool RefreshPending = false;
    Integer StructureLock = 0;
    bool StructurePending = false;
    bool SummaryRecalcPending = false;
    void AddDataChangedListener(TObject* key, TNotifyEvent handler);
    void RemoveDataChangedListener(TObject* key, TNotifyEvent handler);
    Integer DataChangedListenerCount() const { return Integer(FListeners.size()); }
    bool IsDataChangedDeferred() const { return FDataChangedDeferred; }

    // Record comparison, key and text search, incremental filter.
    // Binary search of the filtered, sorted rows on the first keyFieldCount sorting fields.
    Integer FindRecordByKeyBinary(Integer locateRecord, Integer keyFieldCount);
    Integer FindRecordByKeyLinear(Integer locateRecord, const std::vector<TqzCustomDataField*>& fields);
    TqzDataControllerSearch* GetSearch() const { return FSearch.get(); }
    // With MultiSelect: the selection becomes the focused row alone.
    virtual void SelectFocusedRowOnly();

    // Focus and navigation (grid mode moves the provider instead).
    TqzDataRowInfo GetRowInfo(Integer rowIndex) const { return FInfo->GetRowInfo(rowIndex); }
    Integer GetRowIndexByRecordIndex(Integer recordIndex, bool makeVisible);
    // False when a synchronised provider refuses to leave the focused row.
    bool ChangeFocusedRowIndex(Integer rowIndex);
    void ChangeFocusedRecordIndex(Integer recordIndex);
    void FocusRow(Integer rowIndex) { ChangeFocusedRowIndex(rowIndex); }
    void CheckFocusedRowExists();
    void RestoreFocusAfterDelete();
    // The clones of the focused record follow the master's focus (SyncingDetails set meanwhile).
    virtual void FocusDetailsOfFocusedRecord();
    virtual bool FocusSelectedRow(Integer selectedIndex);
    void GotoFirst();
    void GotoLast();
    void GotoNext();
    void GotoPrev();
    void MoveBy(Integer distance);
    void Scroll(Integer distance);
    bool IsBOF() const;
    bool IsEOF() const;
    // Saved focus (reported as a bookmark change when it is lost).
    virtual bool SaveFocus();
    virtual void RestoreSavedFocus();
    virtual void ForgetSavedFocus() { FBookmarkRecordIndex = -1; }
    virtual bool HasSavedFocus() const { return FBookmarkRecordIndex != -1; }
    virtual bool IsSavedFocusRow(Integer rowIndex);
    virtual bool IsSavedFocusLost(Integer recordIndex);
    // Selection: the info's rows with MultiSelect, else the focused row while FocusedRowSelected.
    using TqzEachRowProc = void (*)(void* data, Integer rowIndex, const TqzDataRowInfo& rowInfo);
    Integer GetSelectedCount() const;
    virtual Integer GetSelectedRowIndex(Integer index) const;
    bool IsRowSelected(Integer rowIndex) const;
    virtual void ChangeRowSelection(Integer rowIndex, bool selected);
    void SelectRows(Integer fromRowIndex, Integer toRowIndex);
    virtual void SelectAll();
    void ClearSelection();
    virtual void SetSelectionAnchor(Integer rowIndex);
    virtual Integer GetSelectionAnchorRowIndex() const;
    virtual bool IsSelectionAnchorSet() const { return GetSelectionAnchorRowIndex() != -1; }
    virtual void SelectFromAnchor(Integer rowIndex, bool keepOthers);
    void SetFocusedRowSelected(bool value);
    virtual void ForEachRow(bool selectedOnly, TqzEachRowProc proc, void* data);
    virtual TqzDataSelection* GetSelection() const { return FInfo->GetSelection(); }
    virtual Variant GetSelectedRowKey(Integer rowIndex) { return Variant(rowIndex); }
    // Groups ordered by a group summary item (nothing: by their values).
    TCollectionItem* GetSummarySortItem() const { return FSummarySortItem; }
    // Drops the reference without refreshing (the item is being freed with the summary).
    void ForgetSummarySortItem() { FSummarySortItem = nullptr; }
    void SetSummarySortItem(TCollectionItem* value);
    TqzDataSortOrder GetSummarySortOrder() const { return FSummarySortOrder; }
    void SetSummarySortOrder(TqzDataSortOrder value);
    Integer GetItemSortingIndex(Integer itemIndex);
    TqzCustomDataField* SearchField = nullptr;
    bool Searching = false;
    String SearchText;
    bool InGroupLocate = false;
    virtual Integer CompareRecordsByField(Integer recordIndex1, Integer recordIndex2, TqzCustomDataField* field);
    virtual Integer CompareRecordsBySortInfo(Integer recordIndex1, Integer recordIndex2,
                                             const TqzSortingFieldEntry& info);
    virtual Integer CompareEqualRecords(Integer recordIndex1, Integer recordIndex2);
    virtual Variant GetComparedValue(Integer recordIndex, TqzCustomDataField* field);
    virtual bool NeedsValueCompare(TqzCustomDataField* field);
    virtual bool IsItemCompareByText(Integer itemIndex);
    virtual bool IsStringCompareField(TqzCustomDataField* field) const;
    virtual bool IsDisplayTextCompareField(TqzCustomDataField* field);
    // The record of the first filtered row, from start, whose display text in the item begins
    // with (or, not partial, equals) the text; -1 when none.
    virtual Integer FindRowByText(Integer start, Integer itemIndex, bool forward, bool wrap, bool partial,
                                  const String& text);
    virtual Integer SetIncrementalFilter(Integer itemIndex, const String& text);
    void ChangeIncrementalFilterText(const String& text);
    virtual void ResetIncrementalFilter();
    virtual bool IsIncrementalFiltering() const {
        return FIncrementalFilterField && !FIncrementalFilterText.empty();
    }
    virtual String GetIncrementalFilterText() const { return FIncrementalFilterText; }
    virtual bool MatchesSearchText(Integer recordIndex);
    virtual bool IsFiltering() const { return FFilter && FFilter->IsFiltering(); }
    virtual bool MatchesFilter(Integer recordIndex) { return FFilter->Matches(recordIndex); }
    // The filter changed: an edit is cancelled, the rows refreshed and the saved focus revalidated.
    virtual void FilterChanged();

    // Sorting and grouping entry points.
    void ChangeItemSortOrder(Integer itemIndex, TqzDataSortOrder order);
    // Puts the item's field at a grouping level (-1 ungroups it).
    void ChangeItemGroupIndex(Integer itemIndex, Integer groupIndex);
    TqzDataSortOrder GetItemSortOrder(Integer itemIndex);
    virtual bool IsSortedBySummary() const { return FSummarySortItem != nullptr; }
    virtual void ApplySummarySortOrder();
    virtual void UpdateLoadAllNeeded();
    virtual void UpdateSelectionMemory();
    // The info hands the changes of a recomputation over.
    virtual void ReceiveInfoChanges(Word changes) { FChanges |= changes; }
    Word GetChanges() const { return FChanges; }
    bool InUpdateControl() const { return FInUpdateControl; }

    bool GroupingChangedFlag = false;
    bool SortingChangedFlag = false;
    bool LoadedDuringActivation = false;
    bool SelectionRecheck = false;
    bool InPost = false;

    // Record storage operations of the provider.
    Integer AppendStoredRecord();
    void InsertStoredRecord(Integer recordIndex);
    void DeleteRecord(Integer recordIndex);
    // Raises "RecordIndex out of range" unless the record is stored, the new-item buffer (made
    // here when missing) or the provider's saved record.
    void CheckRecordIndex(Integer recordIndex);
    void CheckItemIndex(Integer itemIndex) const;
    TqzCustomDataField* GetItemField(Integer itemIndex) const;
    Integer GetItemIndexOfField(TqzCustomDataField* field) const;
    TqzCustomDataField* FindItemField(TObject* item) const { return FFields->FieldByItem(item); }
    void SetFieldValue(Integer recordIndex, TqzCustomDataField* field, const Variant& value);
    void SetFieldDisplayText(Integer recordIndex, TqzCustomDataField* field, const String& text);
    bool GetRecordIdsEnabled() const { return IsUnboundMode() && IsKeyedByRecordID(); }
    bool IsNewItemRowFocused() const;
    // The new-item buffer while the owner shows a new-item row.
    bool IsNewItemRecord(Integer recordIndex) const;
    void SetNewItemRowFocused(bool value);
    bool GetNewItemRowFocusedFlag() const { return FNewItemRowFocused; }
    // A row took the focus: the new-item row no longer has it.
    void DropNewItemRowFocus() { FNewItemRowFocused = false; }
    Integer GetFocusedRecordIndex() const { return FInfo->GetFocusedRecordIndex(); }
    void SetFocusedRecordIndex(Integer recordIndex);
    Integer GetFocusedRowIndex() const { return FInfo->GetFocusedRowIndex(); }
    void SetFocusedRowIndex(Integer rowIndex);
    Integer GetRowCount() const { return FInfo->GetRowCount(); }
    // The outermost bracket saves the selected records (and expanded details) by key and puts
    // them back when it closes.
    void LockFullUpdate();
    void UnlockFullUpdate();
    bool InFullUpdate() const { return FFullUpdateCount > 0; }
    virtual void GetKeyFields(std::vector<TqzCustomDataField*>&) {}
    // Records are identified by key: key fields exist, or a bound source provides values.
    virtual bool HasRecordKeys();
    Integer GetLockCount() const { return FLockCount; }
    // The focused record entered edit or changed its values: announced unless a bracket holds it.
    void MarkRecordChanged() { Change(2048); }

    Word GetOptions() const { return FOptions; }
    void SetOptions(Word value);
    TqzDataStorage* GetStorage() const { return FStorage.get(); }
    TqzCustomDataFieldList* GetFields() const { return FFields.get(); }
    TqzCustomDataProvider* GetProvider() const { return FProvider.get(); }
    TqzCustomDataControllerInfo* GetInfo() const { return FInfo.get(); }
    TqzDataFilterCriteria* GetFilter() const { return FFilter.get(); }
    TqzDataSummary* GetSummary() const { return FSummary.get(); }
    TqzDataControllerGroups* GetGroups() const { return FGroups.get(); }
    TqzDataControllerNotifier* GetNotifier() const { return FNotifier.get(); }
    TqzDataFilterList* GetFilters() const { return FFilters.get(); }
    // Made on first use.
    TqzCustomDataRelationList* GetRelations();
    bool HasRelations() const { return FRelations != nullptr; }
    TqzCustomDataField* GetRecordIDField() const { return FRecordIDField; }
    TqzCustomDataRelation* GetMasterRelation() const { return FMasterRelation; }
    void SetMasterRelation(TqzCustomDataRelation* value) {
        FMasterRelation = value;
        FMasterRelationAlive = value ? value->LivenessToken() : TLivenessToken();
    }
    Integer GetMasterRecordIndex() const { return FMasterRecordIndex; }
    Integer GetBookmarkRecordIndex() const { return FBookmarkRecordIndex; }
    bool GetActive() const { return FActive; }
    bool IsDestroying() const { return FDestroying; }
    bool IsInCancel() const { return FInCancel; }
    bool IsSourceChanging() const { return FSourceChanging; }
    void SetSourceChanging(bool value) { FSourceChanging = value; }
    bool GetDeletingSelection() const { return FDeletingSelection; }
    bool GetFocusedRowSelected() const { return FFocusedRowSelected; }
    Integer GetNewItemRecordIndexValue() const { return FNewItemRecordIndex; }

    bool MultiSelect = false;
    bool NewItemRowEnabled = false;
    Integer RestoreFocusRecordIndex = -1;

    TNotifyEvent OnAfterCancel;
    TNotifyEvent OnAfterDelete;
    TNotifyEvent OnAfterInsert;
    TNotifyEvent OnAfterPost;
    TNotifyEvent OnBeforeCancel;
    TqzRecordEvent OnBeforeDelete;
    TNotifyEvent OnBeforeInsert;
    TNotifyEvent OnBeforePost;
    TqzFilterRecordEvent OnFilterRecord;
    TqzRecordEvent OnNewRecord;
    TqzDataControllerCompareEvent OnCompare;
    TNotifyEvent OnDataChanged;
    TqzDetailAllowEvent OnDetailCollapsing;
    TqzRecordEvent OnDetailCollapsed;
    TqzDetailAllowEvent OnDetailExpanding;
    TqzRecordEvent OnDetailExpanded;
    TNotifyEvent OnGroupingChanged;
    TqzRecordChangedEvent OnRecordChanged;
    TNotifyEvent OnSortingChanged;
    TqzUpdateControlEvent UpdateControlHandler;

protected:
    // A descendant's provider and filter classes, made by its constructor.
    void ReplaceProvider(TqzCustomDataProvider* provider) { FProvider.reset(provider); }
    void ReplaceFilter(TqzDataFilterCriteria* filter) { FFilter.reset(filter); }
    void ReplaceSearch(TqzDataControllerSearch* search) { FSearch.reset(search); }
    void ReplaceSummary(TqzDataSummary* summary) { FSummary.reset(summary); }

private:
    void ResetPendingChange();
    void DeliverDataChange();
    void CheckChanges();
    void NotifySelectionChanged();
    struct TListener {
        TObject* Key;
        TNotifyEvent Handler;
        Integer Serial;
    };
    std::vector<TListener> FListeners;
    Integer FListenerSerial = 0;
    bool FDataChangedDeferred = false;
    bool FInSortingChanged = false;
    Integer FPrevSelectedCount = 0;
    Integer FPrevSelectedRow = -1;
    void EnsureRecordIDField();

    bool FActive = false;
    Integer FGridModeNotifyLock = 0;
    Integer FBookmarkRecordIndex = -1;
    Word FChanges = 0;
    bool FDestroying = false;
    bool FFocusedRowSelected = true;
    bool FInCancel = false;
    bool FDeletingSelection = false;
    bool FSourceChanging = false;
    bool FStructureChanged = false;
    bool FInRefreshCheck = false;
    bool FLoadingFocus = false;
    TCollectionItem* FSummarySortItem = nullptr;
    TqzDataSortOrder FSummarySortOrder = soNone;
    void RefreshCheck();
    void LoadAllRecords();
    void MarkEverythingChanged();
    bool FDataChangePending = false;
    bool FInUpdateControl = false;
    Integer FFullUpdateCount = 0;
    std::unique_ptr<TqzSaveObject> FSaveObject;
    TqzCustomDataField* FIncrementalFilterField = nullptr;
    String FIncrementalFilterText;
    Integer FLockCount = 0;
    Integer FNewItemRecordIndex = 0;
    bool FNewItemRowFocused = false;
    Integer FMasterRecordIndex = -1;
    TqzCustomDataRelation* FMasterRelation = nullptr;
    Word FOptions = dcoDefaultOptions;
    TComponent* FOwner;
    TqzCustomDataField* FRecordIDField = nullptr;
    Byte FPendingChangeKind = dcEverything;
    Integer FPendingChangeItem = -1;
    Integer FPendingChangeRecord = -1;

    std::unique_ptr<TqzDataStorage> FStorage;
    std::unique_ptr<TqzDataControllerGroups> FGroups;
    std::unique_ptr<TqzCustomDataFieldList> FFields;
    std::unique_ptr<TqzDataFilterList> FFilters;
    std::unique_ptr<TqzDataFilterCriteria> FFilter;
    std::unique_ptr<TqzDataControllerSearch> FSearch;
    std::unique_ptr<TqzDataSummary> FSummary;
    std::unique_ptr<TqzCustomDataProvider> FProvider;
    std::unique_ptr<TqzCustomDataControllerInfo> FInfo;
    std::unique_ptr<TqzDataControllerNotifier> FNotifier;
    std::unique_ptr<TqzCustomDataRelationList> FRelations;

    // Editing and master-detail state.
    void DeleteRecordList(std::vector<Integer> records);
    void DeleteFocusedRecord();
    void AdjustChoiceForList(const std::vector<Integer>& records);
    // A controller that goes leaves its relation and its master's current detail.
    void LeaveMaster();
    TqzDataListenerLinks FListenerLinks;
    TLivenessToken FMasterRelationAlive; // the relation goes before the clones its master frees
    TqzCustomDataController* FCurrentDetail = nullptr;
    bool FCreatingDetail = false;
    bool FRetryingDetail = false;
    bool FChangingExpanding = false;
    bool FPatternMode = false;
    bool FSyncingDetails = false;
};

// Opens the controller's update bracket and closes it on every exit.
class TqzUpdateLock {
public:
    explicit TqzUpdateLock(TqzCustomDataController* controller) : FController(controller) {
        FController->LockUpdates();
    }
    ~TqzUpdateLock() noexcept(false);
    TqzUpdateLock(const TqzUpdateLock&) = delete;
    TqzUpdateLock& operator=(const TqzUpdateLock&) = delete;

private:
    TqzCustomDataController* FController;
    int FExceptions = std::uncaught_exceptions();
};
