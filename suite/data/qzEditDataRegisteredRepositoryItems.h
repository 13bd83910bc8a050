// The default editors of values of the data controller: repository items keyed by value type
// class. At start-up the registry holds a text item as default and the check box and currency
// items of the value types they edit, all in the default edit repository.
#pragma once

#include "suite/data/qzDataStorage.h"
#include "suite/data/qzEditRegisteredRepositoryItems.h"

class TqzEditDataRegisteredRepositoryItems : public TqzEditRegisteredRepositoryItems {
    KOV_CLASS(TqzEditDataRegisteredRepositoryItems, TqzEditRegisteredRepositoryItems)
public:
    TqzEditDataRegisteredRepositoryItems() = default;

    void RegisterValueType(TqzValueTypeClass valueType, Integer version, TqzEditRepositoryItem* item) {
        RegisterKey(KeyOf(valueType), version, item);
    }
    void UnregisterValueType(TqzValueTypeClass valueType, Integer version) {
        UnregisterKey(KeyOf(valueType), version);
    }
    TqzEditRepositoryItem* ItemForValueType(TqzValueTypeClass valueType) { return ItemFor(KeyOf(valueType)); }

    static TqzRegisteredRepositoryItemKey KeyOf(TqzValueTypeClass valueType) {
        return reinterpret_cast<TqzRegisteredRepositoryItemKey>(valueType);
    }
};

// The one registry, made and filled on first use (made again once the default edit repository
// that held its items was freed).
TqzEditDataRegisteredRepositoryItems* GetDataDefaultEditors();
// The module's end: the start-up entries are unregistered and the registry freed.
void EditDataRegisteredRepositoryItemsFinalize();
