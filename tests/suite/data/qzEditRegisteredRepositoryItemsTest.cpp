// The default-editor registries: the sorted entries and their search, registration rules, items
// leaving the registry when destroyed, and the start-up entries of the value-type registry.
#include <gtest/gtest.h>

#include <memory>

#include "platform/runtime/Strings.h"
#include "suite/data/qzEditDataRegisteredRepositoryItems.h"
#include "suite/data/qzEditRepositoryItems.h"
#include "tests/support/TestSupport.h"

namespace {

struct TRegistryFixture {
    TRegistryFixture() {
        for (auto& item : Items) item = Repository.CreateItem(TqzEditRepositoryTextItem::StaticClass());
    }
    TqzEditRepository Repository{nullptr};
    TqzEditRepositoryItem* Items[4] = {};
};

TEST(qzEditRegisteredRepositoryItems, EntriesStaySortedByKeyAndVersionDescending) {
    TRegistryFixture f;
    TqzEditRegisteredRepositoryItems registry;
    registry.RegisterKey(5, 1, f.Items[0]);
    registry.RegisterKey(9, 0, f.Items[1]);
    registry.RegisterKey(5, 7, f.Items[2]);
    registry.RegisterKey(-3, 0, f.Items[3]);
    String order;
    for (const auto& e : registry.GetEntries()) order += IntToStr(Integer(e.Key)) + "/" + IntToStr(e.Version) + " ";
    EXPECT_EQ(order, "9/0 5/7 5/1 -3/0 ");
    // Any version of key 5 finds one of its two entries.
    TqzEditRepositoryItem* found = registry.ItemFor(5);
    EXPECT_TRUE(found == f.Items[0] || found == f.Items[2]);
    EXPECT_EQ(registry.ItemFor(-3), f.Items[3]);
}

TEST(qzEditRegisteredRepositoryItems, DefaultAnswersKeyZeroAndUnknownKeys) {
    TRegistryFixture f;
    TqzEditRegisteredRepositoryItems registry;
    EXPECT_EQ(registry.ItemFor(0), nullptr);
    registry.RegisterDefault(-1, f.Items[0]);
    registry.RegisterKey(42, -1, f.Items[1]);
    EXPECT_EQ(registry.ItemFor(0), f.Items[0]);
    EXPECT_EQ(registry.ItemFor(41), f.Items[0]);
    EXPECT_EQ(registry.ItemFor(42), f.Items[1]);
    // A second item for the same key and version leaves the first in place.
    registry.RegisterKey(42, -1, f.Items[2]);
    EXPECT_EQ(registry.GetEntries().size(), 1u);
    EXPECT_EQ(registry.ItemFor(42), f.Items[1]);
    EXPECT_EQ(f.Items[2]->GetListenerCount(), 0);
    registry.UnregisterKey(42, -1);
    EXPECT_EQ(registry.ItemFor(42), f.Items[0]);
    EXPECT_EQ(f.Items[1]->GetListenerCount(), 0);
    registry.UnregisterDefault(-1);
    EXPECT_EQ(registry.DefaultItem(), nullptr);
}

TEST(qzEditRegisteredRepositoryItems, DestroyedItemLeavesEveryEntry) {
    TRegistryFixture f;
    TqzEditRegisteredRepositoryItems registry;
    registry.RegisterDefault(0, f.Items[0]);
    registry.RegisterKey(1, 0, f.Items[0]);
    registry.RegisterKey(2, 0, f.Items[1]);
    delete f.Items[0];
    EXPECT_EQ(registry.DefaultItem(), nullptr);
    ASSERT_EQ(registry.GetEntries().size(), 1u);
    EXPECT_EQ(registry.GetEntries()[0].Item, f.Items[1]);
}

TEST(qzEditRegisteredRepositoryItems, ItemInTwoEntriesKeepsBeingWatchedUntilTheLastGoes) {
    TRegistryFixture f;
    TqzEditRegisteredRepositoryItems registry;
    registry.RegisterKey(1, 0, f.Items[0]);
    registry.RegisterKey(2, 0, f.Items[0]);
    registry.UnregisterKey(1, 0);
    EXPECT_EQ(f.Items[0]->GetListenerCount(), 1);
    // Freeing the item still reaches the registry: no entry keeps a freed item.
    delete f.Items[0];
    EXPECT_TRUE(registry.GetEntries().empty());
}

TEST(qzEditRegisteredRepositoryItems, RegistryFreedFirstStopsListening) {
    TRegistryFixture f;
    {
        TqzEditRegisteredRepositoryItems registry;
        registry.RegisterDefault(0, f.Items[0]);
        registry.RegisterKey(3, 0, f.Items[1]);
    }
    EXPECT_EQ(f.Items[0]->GetListenerCount(), 0);
    EXPECT_EQ(f.Items[1]->GetListenerCount(), 0);
}

TEST(qzEditRegisteredRepositoryItems, ChangedPropertiesReachTheRegistry) {
    struct TCounting : TqzEditRegisteredRepositoryItems {
        void RegistryChanged() override { ++Changes; }
        Integer Changes = 0;
    };
    TRegistryFixture f;
    TCounting registry;
    registry.RegisterKey(1, 0, f.Items[0]);
    EXPECT_EQ(registry.Changes, 1);
    f.Items[0]->GetProperties()->SetAutoSelect(false);
    EXPECT_EQ(registry.Changes, 2);
}

// The value-type registry at start-up: which item class edits which value type.
TEST(qzEditDataRegisteredRepositoryItems, StartUpItemsByValueType) {
    EditDataRegisteredRepositoryItemsFinalize();
    TqzEditDataRegisteredRepositoryItems* registry = GetDataDefaultEditors();
    struct TCase {
        TqzValueTypeClass ValueType;
        TClass ItemClass;
    };
    const TCase cases[] = {
        {nullptr, TqzEditRepositoryTextItem::StaticClass()},
        {ValueTypeClass<TqzStringValueType>(), TqzEditRepositoryTextItem::StaticClass()},
        {ValueTypeClass<TqzIntegerValueType>(), TqzEditRepositoryTextItem::StaticClass()},
        {ValueTypeClass<TqzBooleanValueType>(), TqzEditRepositoryCheckBoxItem::StaticClass()},
        {ValueTypeClass<TqzCurrencyValueType>(), TqzEditRepositoryCurrencyItem::StaticClass()},
        {ValueTypeClass<TqzFMTBcdValueType>(), TqzEditRepositoryCurrencyItem::StaticClass()},
        {ValueTypeClass<TqzDateTimeValueType>(), TqzEditRepositoryDateItem::StaticClass()},
        {ValueTypeClass<TqzSQLTimeStampValueType>(), TqzEditRepositoryDateItem::StaticClass()},
    };
    for (const TCase& c : cases) {
        TqzEditRepositoryItem* item = registry->ItemForValueType(c.ValueType);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->ClassType(), c.ItemClass) << (c.ValueType ? c.ValueType->ClassName() : "none");
        EXPECT_EQ(item->GetRepository(), GetDefaultEditRepository());
    }
    // The two currency value types have an item each, and so have the two date types.
    EXPECT_NE(registry->ItemForValueType(ValueTypeClass<TqzCurrencyValueType>()),
              registry->ItemForValueType(ValueTypeClass<TqzFMTBcdValueType>()));
    EXPECT_NE(registry->ItemForValueType(ValueTypeClass<TqzDateTimeValueType>()),
              registry->ItemForValueType(ValueTypeClass<TqzSQLTimeStampValueType>()));

    // Destroying the check box item makes Boolean values fall back to the text item.
    delete registry->ItemForValueType(ValueTypeClass<TqzBooleanValueType>());
    EXPECT_EQ(registry->ItemForValueType(ValueTypeClass<TqzBooleanValueType>()), registry->DefaultItem());
    // Shut-down unregisters every start-up entry: no item stays watched by a freed registry.
    TqzEditRepositoryItem* dateItem = registry->ItemForValueType(ValueTypeClass<TqzSQLTimeStampValueType>());
    TqzEditRepositoryItem* textItem = registry->DefaultItem();
    EditDataRegisteredRepositoryItemsFinalize();
    EXPECT_EQ(dateItem->GetListenerCount(), 0);
    EXPECT_EQ(textItem->GetListenerCount(), 0);
}

TEST(qzEditDataRegisteredRepositoryItems, MadeAgainAfterTheEditorUnitRestarted) {
    EditDataRegisteredRepositoryItemsFinalize();
    GetDataDefaultEditors();
    EditUnitFinalize();
    EditUnitInitialize();
    TqzEditDataRegisteredRepositoryItems* registry = GetDataDefaultEditors();
    ASSERT_NE(registry->DefaultItem(), nullptr);
    EXPECT_EQ(registry->DefaultItem()->GetRepository(), GetDefaultEditRepository());
    EditDataRegisteredRepositoryItemsFinalize();
}

} // namespace
