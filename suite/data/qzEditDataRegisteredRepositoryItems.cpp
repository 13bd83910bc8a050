#include "suite/data/qzEditDataRegisteredRepositoryItems.h"

#include "suite/data/qzEditRepositoryItems.h"

namespace {

struct TDataDefaultEditors {
    TqzEditDataRegisteredRepositoryItems* Registry = nullptr;
    TLivenessToken RepositoryAlive;
};

TDataDefaultEditors& Unit() {
    static TDataDefaultEditors unit;
    return unit;
}

// The value types with an editor of their own, each with the item class made for it.
struct TValueTypeItem {
    TqzValueTypeClass (*ValueType)();
    TClass (*ItemClass)();
};
const TValueTypeItem kValueTypeItems[] = {
    {&ValueTypeClass<TqzBooleanValueType>, &TqzEditRepositoryCheckBoxItem::StaticClass},
    {&ValueTypeClass<TqzCurrencyValueType>, &TqzEditRepositoryCurrencyItem::StaticClass},
    {&ValueTypeClass<TqzDateTimeValueType>, &TqzEditRepositoryDateItem::StaticClass},
    {&ValueTypeClass<TqzFMTBcdValueType>, &TqzEditRepositoryCurrencyItem::StaticClass},
    {&ValueTypeClass<TqzSQLTimeStampValueType>, &TqzEditRepositoryDateItem::StaticClass},
};

struct TRegistryEnd {
    ~TRegistryEnd() { EditDataRegisteredRepositoryItemsFinalize(); }
};

void StartUp(TDataDefaultEditors& unit) {
    TqzEditRepository* repository = GetDefaultEditRepository();
    // The registry ends with the program, before the modules started ahead of it (the unit's
    // state, made before this, outlives it).
    static const TRegistryEnd registryEnd;
    unit.Registry = new TqzEditDataRegisteredRepositoryItems();
    unit.RepositoryAlive = repository->LivenessToken();
    unit.Registry->RegisterDefault(-1, repository->CreateItem(TqzEditRepositoryTextItem::StaticClass()));
    for (const TValueTypeItem& entry : kValueTypeItems)
        unit.Registry->RegisterValueType(entry.ValueType(), -1, repository->CreateItem(entry.ItemClass()));
}

} // namespace

TqzEditDataRegisteredRepositoryItems* GetDataDefaultEditors() {
    TDataDefaultEditors& unit = Unit();
    // The editor unit's restart freed the repository and, with it, every item.
    if (unit.Registry && !unit.RepositoryAlive) EditDataRegisteredRepositoryItemsFinalize();
    if (!unit.Registry) StartUp(unit);
    return unit.Registry;
}

void EditDataRegisteredRepositoryItemsFinalize() {
    TDataDefaultEditors& unit = Unit();
    if (!unit.Registry) return;
    unit.Registry->UnregisterDefault(-1);
    for (const TValueTypeItem& entry : kValueTypeItems) unit.Registry->UnregisterValueType(entry.ValueType(), -1);
    delete unit.Registry;
    unit.Registry = nullptr;
    unit.RepositoryAlive = TLivenessToken();
}
