#include "suite/data/qzEditDBRegisteredRepositoryItems.h"

#include <algorithm>

#include "platform/runtime/TypInfo.h"
#include "suite/data/qzDBEditRepository.h"
#include "suite/data/qzEditRepositoryItems.h"

// ---- Registry --------------------------------------------------------------------------------

TqzEditDBRegisteredRepositoryItems::~TqzEditDBRegisteredRepositoryItems() {
    FDestroying = true;
    ClearEntries(FCurrencyEntries);
    ClearEntries(FLookupEntries);
}

bool TqzEditDBRegisteredRepositoryItems::HoldsItem(TqzEditRepositoryItem* item) const {
    auto holds = [item](const TqzEditRegisteredRepositoryItemsDataArray& array) {
        return std::any_of(array.begin(), array.end(), [item](const auto& e) { return e.Item == item; });
    };
    return TqzEditRegisteredRepositoryItems::HoldsItem(item) || holds(FCurrencyEntries) || holds(FLookupEntries);
}

void TqzEditDBRegisteredRepositoryItems::ItemDestroyed(TqzEditRepositoryItem* item) {
    RemoveItemEntries(FCurrencyEntries, item);
    RemoveItemEntries(FLookupEntries, item);
    TqzEditRegisteredRepositoryItems::ItemDestroyed(item);
}

TqzEditRepositoryItem* TqzEditDBRegisteredRepositoryItems::CurrencyItem() {
    TqzEditRepositoryItem* item = FirstItem(FCurrencyEntries);
    return item ? item : DefaultItem();
}

TqzEditRepositoryItem* TqzEditDBRegisteredRepositoryItems::LookupItem() {
    TqzEditRepositoryItem* item = FirstItem(FLookupEntries);
    return item ? item : DefaultItem();
}

void TqzEditDBRegisteredRepositoryItems::UnregisterCurrency(Integer version) {
    Integer index = 0;
    if (Find(FCurrencyEntries, 0, version, index)) RemoveEntry(FCurrencyEntries, index);
}

void TqzEditDBRegisteredRepositoryItems::UnregisterLookup(Integer version) {
    Integer index = 0;
    if (Find(FLookupEntries, 0, version, index)) RemoveEntry(FLookupEntries, index);
}

TqzEditRepositoryItem* TqzEditDBRegisteredRepositoryItems::ItemForField(TField* field) {
    if (!field) return DefaultItem();
    if (field->GetLookup()) return LookupItem();
    if (dynamic_cast<TNumericField*>(field) && IsPublishedProp(field, "currency") &&
        GetOrdProp(field, "currency") != 0)
        return CurrencyItem();
    return ItemForFieldType(field->GetDataType());
}

// ---- The one registry ------------------------------------------------------------------------

namespace {

struct TDBDefaultEditors {
    TqzEditDBRegisteredRepositoryItems* Registry = nullptr;
    TLivenessToken RepositoryAlive;
};

TDBDefaultEditors& Unit() {
    static TDBDefaultEditors unit;
    return unit;
}

// The field types with an editor of their own; each entry makes an item of its own.
struct TFieldTypeItem {
    TFieldType FieldType;
    TClass (*ItemClass)();
};
const TFieldTypeItem kFieldTypeItems[] = {
    {ftBoolean, &TqzEditRepositoryCheckBoxItem::StaticClass},
    {ftDate, &TqzEditRepositoryDateItem::StaticClass},
    {ftTime, &TqzEditRepositoryTimeItem::StaticClass},
    {ftDateTime, &TqzEditRepositoryDateItem::StaticClass},
    {ftBytes, &TqzEditRepositoryBlobItem::StaticClass},
    {ftVarBytes, &TqzEditRepositoryBlobItem::StaticClass},
    {ftBlob, &TqzEditRepositoryBlobItem::StaticClass},
    {ftMemo, &TqzEditRepositoryMemoItem::StaticClass},
    {ftGraphic, &TqzEditRepositoryImageItem::StaticClass},
    {ftFmtMemo, &TqzEditRepositoryBlobItem::StaticClass},
    {ftParadoxOle, &TqzEditRepositoryBlobItem::StaticClass},
    {ftDBaseOle, &TqzEditRepositoryBlobItem::StaticClass},
    {ftTypedBinary, &TqzEditRepositoryBlobItem::StaticClass},
    {ftTimeStamp, &TqzEditRepositoryDateItem::StaticClass},
};

struct TRegistryEnd {
    ~TRegistryEnd() { EditDBRegisteredRepositoryItemsFinalize(); }
};

void StartUp(TDBDefaultEditors& unit) {
    TqzEditRepository* repository = GetDefaultEditRepository();
    // The registry ends with the program, before the modules started ahead of it (the unit's
    // state, made before this, outlives it).
    static const TRegistryEnd registryEnd;
    unit.Registry = new TqzEditDBRegisteredRepositoryItems();
    unit.RepositoryAlive = repository->LivenessToken();
    unit.Registry->RegisterDefault(-1, repository->CreateItem(TqzEditRepositoryMaskItem::StaticClass()));
    unit.Registry->RegisterCurrency(-1, repository->CreateItem(TqzEditRepositoryCurrencyItem::StaticClass()));
    auto* lookup = static_cast<TqzEditRepositoryLookupComboBoxItem*>(
        repository->CreateItem(TqzEditRepositoryLookupComboBoxItem::StaticClass()));
    TqzLookupComboBoxProperties* properties = lookup->GetProperties();
    properties->GetListOptions()->SetGridLines(glNone);
    properties->SetDropDownListStyle(lsEditFixedList);
    properties->GetListOptions()->SetShowHeader(false);
    unit.Registry->RegisterLookup(-1, lookup);
    for (const TFieldTypeItem& entry : kFieldTypeItems)
        unit.Registry->RegisterFieldType(entry.FieldType, -1, repository->CreateItem(entry.ItemClass()));
}

} // namespace

TqzEditDBRegisteredRepositoryItems* GetDBDefaultEditors() {
    TDBDefaultEditors& unit = Unit();
    if (unit.Registry && !unit.RepositoryAlive) EditDBRegisteredRepositoryItemsFinalize();
    if (!unit.Registry) StartUp(unit);
    return unit.Registry;
}

void EditDBRegisteredRepositoryItemsFinalize() {
    TDBDefaultEditors& unit = Unit();
    if (!unit.Registry) return;
    unit.Registry->UnregisterDefault(-1);
    unit.Registry->UnregisterCurrency(-1);
    unit.Registry->UnregisterLookup(-1);
    for (const TFieldTypeItem& entry : kFieldTypeItems) unit.Registry->UnregisterFieldType(entry.FieldType, -1);
    delete unit.Registry;
    unit.Registry = nullptr;
    unit.RepositoryAlive = TLivenessToken();
}
