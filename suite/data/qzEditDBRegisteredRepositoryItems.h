// The default editors of data-set fields: repository items keyed by field type, with a default
// (mask) item, a currency item for fields that show currency and a lookup item for lookup fields,
// all made in the default edit repository at start-up.
#pragma once

#include "platform/classlib/DB.h"
#include "suite/data/qzEditRegisteredRepositoryItems.h"

class TqzEditDBRegisteredRepositoryItems : public TqzEditRegisteredRepositoryItems {
    KOV_CLASS(TqzEditDBRegisteredRepositoryItems, TqzEditRegisteredRepositoryItems)
public:
    TqzEditDBRegisteredRepositoryItems() = default;
    // The currency and lookup entries, then the rest.
    ~TqzEditDBRegisteredRepositoryItems() override;

    void ItemDestroyed(TqzEditRepositoryItem* item) override;

    // The first currency (lookup) entry's item, else the default.
    TqzEditRepositoryItem* CurrencyItem();
    TqzEditRepositoryItem* LookupItem();
    void RegisterCurrency(Integer version, TqzEditRepositoryItem* item) { InsertEntry(FCurrencyEntries, 0, item, version); }
    void RegisterLookup(Integer version, TqzEditRepositoryItem* item) { InsertEntry(FLookupEntries, 0, item, version); }
    void UnregisterCurrency(Integer version);
    void UnregisterLookup(Integer version);
    void RegisterFieldType(TFieldType fieldType, Integer version, TqzEditRepositoryItem* item) {
        RegisterKey(KeyOf(fieldType), version, item);
    }
    void UnregisterFieldType(TFieldType fieldType, Integer version) { UnregisterKey(KeyOf(fieldType), version); }
    TqzEditRepositoryItem* ItemForFieldType(TFieldType fieldType) { return ItemFor(KeyOf(fieldType)); }
    // No field: the default; a lookup field: the lookup item; a numeric field whose published
    // "currency" reads true: the currency item; else the item of its data type.
    TqzEditRepositoryItem* ItemForField(TField* field);

    static TqzRegisteredRepositoryItemKey KeyOf(TFieldType fieldType) { return Integer(fieldType) & 0x7F; }

protected:
    bool HoldsItem(TqzEditRepositoryItem* item) const override;

private:
    TqzEditRegisteredRepositoryItemsDataArray FCurrencyEntries;
    TqzEditRegisteredRepositoryItemsDataArray FLookupEntries;
};

// The one registry, made and filled on first use (made again once the default edit repository
// that held its items was freed).
TqzEditDBRegisteredRepositoryItems* GetDBDefaultEditors();
// The module's end: the start-up entries are unregistered and the registry freed.
void EditDBRegisteredRepositoryItemsFinalize();
