// Registries that tell which repository item an editor of a given kind of value uses by
// default: entries {key, version, item} kept sorted by key descending and, within one key, by
// version descending, plus the default entries (key 0). A registry listens to its items, so an
// item that is destroyed leaves every entry.
#pragma once

#include <cstdint>
#include <vector>

#include "suite/editors/qzEdit.h"
#include "suite/foundation/qzClasses.h"

// Key 0 is the default; keys of descendants are class references or field type ordinals.
using TqzRegisteredRepositoryItemKey = std::intptr_t;

// Asks for an entry of a key whatever its version.
constexpr Integer qzAnyVersion = 2147483647;

struct TqzEditRegisteredRepositoryItemsData {
    TqzRegisteredRepositoryItemKey Key = 0;
    Integer Version = 0;
    TqzEditRepositoryItem* Item = nullptr;
};
using TqzEditRegisteredRepositoryItemsDataArray = std::vector<TqzEditRegisteredRepositoryItemsData>;

class TqzEditRegisteredRepositoryItems : public TqzInterfacedPersistent, public IqzEditRepositoryItemListener {
    KOV_CLASS(TqzEditRegisteredRepositoryItems, TqzInterfacedPersistent)
public:
    TqzEditRegisteredRepositoryItems();
    // Every default entry, then every entry, each from the last.
    ~TqzEditRegisteredRepositoryItems() override;
    TqzEditRegisteredRepositoryItems(const TqzEditRegisteredRepositoryItems&) = delete;
    TqzEditRegisteredRepositoryItems& operator=(const TqzEditRegisteredRepositoryItems&) = delete;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

    // IqzEditRepositoryItemListener
    void ItemRemoved(TqzEditRepositoryItem* sender) override { ItemDestroyed(sender); }
    void PropertiesChanged(TqzEditRepositoryItem* sender) override { ItemPropertiesChanged(sender); }

    // ---- Virtual operations, in slot order ----
    // Every default entry and every entry holding the item goes.
    virtual void ItemDestroyed(TqzEditRepositoryItem* item);
    virtual void ItemPropertiesChanged(TqzEditRepositoryItem* item) { RegistryChanged(); }
    // An entry of that key and version answers its index and changes nothing; otherwise the
    // entry is inserted at its sorted place and the registry listens to the item.
    virtual Integer InsertEntry(TqzEditRegisteredRepositoryItemsDataArray& array,
                                TqzRegisteredRepositoryItemKey key, TqzEditRepositoryItem* item, Integer version);
    virtual void RegistryChanged() {}
    // The first default entry's item; nullptr without one.
    virtual TqzEditRepositoryItem* DefaultItem();
    // For a nonzero key, the item of an entry of that key (any version); else the default.
    virtual TqzEditRepositoryItem* ItemFor(TqzRegisteredRepositoryItemKey key);
    virtual void RegisterDefault(Integer version, TqzEditRepositoryItem* item);
    virtual void RegisterKey(TqzRegisteredRepositoryItemKey key, Integer version, TqzEditRepositoryItem* item);
    virtual void UnregisterDefault(Integer version);
    virtual void UnregisterKey(TqzRegisteredRepositoryItemKey key, Integer version);

    // Binary search: true with the entry's index, else false with the index that keeps the
    // array sorted. Version qzAnyVersion matches any entry of the key.
    static bool Find(const TqzEditRegisteredRepositoryItemsDataArray& array, TqzRegisteredRepositoryItemKey key,
                     Integer version, Integer& index);

    const TqzEditRegisteredRepositoryItemsDataArray& GetDefaults() const { return FDefaults; }
    const TqzEditRegisteredRepositoryItemsDataArray& GetEntries() const { return FEntries; }
    bool IsDestroying() const { return FDestroying; }

protected:
    // Takes the entry out; the registry stops listening to its item once no entry holds it.
    void RemoveEntry(TqzEditRegisteredRepositoryItemsDataArray& array, Integer index);
    void RemoveItemEntries(TqzEditRegisteredRepositoryItemsDataArray& array, TqzEditRepositoryItem* item);
    void ClearEntries(TqzEditRegisteredRepositoryItemsDataArray& array);
    // Some entry of any array holds the item.
    virtual bool HoldsItem(TqzEditRepositoryItem* item) const;
    static TqzEditRepositoryItem* FirstItem(const TqzEditRegisteredRepositoryItemsDataArray& array);

    bool FDestroying = false;
    TqzEditRegisteredRepositoryItemsDataArray FDefaults;
    TqzEditRegisteredRepositoryItemsDataArray FEntries;
};
