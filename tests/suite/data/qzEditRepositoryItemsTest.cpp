// The typed repository items of the editors: their properties classes, their making by class
// name from a stored window definition, and the image combo box item letting go of a freed
// image list.
#include <gtest/gtest.h>

#include "platform/classlib/ImgList.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Streams.h"
#include "suite/data/qzEditRepositoryItems.h"

namespace {

// A root that stores the components it owns and that have no parent of their own, as a form
// does.
class TItemsRoot : public TComponent {
    KOV_CLASS(TItemsRoot, TComponent)
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent* root) override {
        for (Integer i = 0; i < GetComponentCount(); ++i)
            if (!GetComponents(i)->HasParent()) proc(GetComponents(i));
    }
};

struct TItemCase {
    const char* ItemClassName;
    TClass PropertiesClass;
};

const TItemCase kEditorItems[] = {
    {"TqzEditRepositoryButtonItem", TqzButtonEditProperties::StaticClass()},
    {"TqzEditRepositoryImageItem", TqzImageProperties::StaticClass()},
    {"TqzEditRepositoryCalcItem", TqzCalcEditProperties::StaticClass()},
    {"TqzEditRepositoryDateItem", TqzDateEditProperties::StaticClass()},
    {"TqzEditRepositoryMemoItem", TqzMemoProperties::StaticClass()},
    {"TqzEditRepositoryImageComboBoxItem", TqzImageComboBoxProperties::StaticClass()},
    {"TqzEditRepositoryBlobItem", TqzBlobEditProperties::StaticClass()},
    {"TqzEditRepositoryTimeItem", TqzTimeEditProperties::StaticClass()},
    {"TqzEditRepositoryMRUItem", TqzMRUEditProperties::StaticClass()},
    {"TqzEditRepositoryHyperLinkItem", TqzHyperLinkEditProperties::StaticClass()},
    {"TqzEditRepositoryRadioGroupItem", TqzRadioGroupProperties::StaticClass()},
};

// Every item is found by its class name, holds properties of its own kind, and stores and reads
// back its properties in a window definition.
TEST(qzEditRepositoryItems, EditorItemsStoreAndReadTheirPropertiesByClassName) {
    RegisterClass(TItemsRoot::StaticClass());
    for (const TItemCase& c : kEditorItems) {
        SCOPED_TRACE(c.ItemClassName);
        TClass itemClass = GetClass(c.ItemClassName);
        ASSERT_NE(itemClass, nullptr);
        ASSERT_TRUE(itemClass->InheritsFrom(TqzEditRepositoryItem::StaticClass()));

        const String text = String("object Main: TItemsRoot\n"
                                   "  object Repo: TqzEditRepository\n"
                                   "    object Item: ") +
                            c.ItemClassName +
                            "\n"
                            "      Properties.ReadOnly = True\n"
                            "    end\n"
                            "  end\n"
                            "end\n";
        TItemsRoot root(nullptr);
        ReadComponentText(text, &root);
        auto* item = dynamic_cast<TqzEditRepositoryItem*>(root.FindComponent("Item"));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->ClassType(), itemClass);
        EXPECT_EQ(item->GetPropertiesClass(), c.PropertiesClass);
        EXPECT_EQ(item->GetProperties()->ClassType(), c.PropertiesClass);
        EXPECT_TRUE(item->GetProperties()->GetReadOnly());

        // Written and read again into a fresh root, the item keeps its class and properties.
        TMemoryStream binary;
        {
            TWriter writer(&binary);
            writer.WriteRootComponent(&root);
        }
        binary.SetPosition(0);
        TStringStream written;
        ObjectBinaryToText(&binary, &written);
        TItemsRoot again(nullptr);
        ReadComponentText(written.GetDataString(), &again);
        auto* reread = dynamic_cast<TqzEditRepositoryItem*>(again.FindComponent("Item"));
        ASSERT_NE(reread, nullptr);
        EXPECT_EQ(reread->ClassType(), itemClass);
        EXPECT_TRUE(reread->GetProperties()->GetReadOnly());
    }
}

// Counts the change notices of one item.
class TChangeCounter : public TObject, public IqzEditRepositoryItemListener {
public:
    void ItemRemoved(TqzEditRepositoryItem*) override {}
    void PropertiesChanged(TqzEditRepositoryItem*) override { ++Changes; }
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    Integer Changes = 0;
};

// An image list leaving the item's owner is cleared through the setters: one change notice.
// A list being freed is gone from the properties as well.
TEST(qzEditRepositoryItems, ImageComboBoxItemLetsGoOfARemovedImageList) {
    TItemsRoot root(nullptr);
    auto* repository = new TqzEditRepository(&root);
    auto* item = static_cast<TqzEditRepositoryImageComboBoxItem*>(
        repository->CreateItemEx(TqzEditRepositoryImageComboBoxItem::StaticClass(), &root));
    auto* images = new TImageList(&root);
    auto* kept = new TImageList(&root);
    item->GetProperties()->SetImages(images);
    item->GetProperties()->SetLargeImages(kept);
    TChangeCounter counter;
    item->AddListener(&counter);

    root.RemoveComponent(images);
    EXPECT_EQ(item->GetProperties()->GetImages(), nullptr);
    EXPECT_EQ(item->GetProperties()->GetLargeImages(), kept);
    EXPECT_EQ(counter.Changes, 1);
    delete images;

    item->GetProperties()->SetImages(kept);
    delete kept;
    EXPECT_EQ(item->GetProperties()->GetImages(), nullptr);
    EXPECT_EQ(item->GetProperties()->GetLargeImages(), nullptr);
    item->RemoveListener(&counter);
}

} // namespace
