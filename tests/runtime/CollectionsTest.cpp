#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/runtime/Collections.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/TypInfo.h"

namespace {

class TClColumn : public TCollectionItem {
    KOV_CLASS(TClColumn, TCollectionItem)
public:
    explicit TClColumn(TCollection* collection) : TCollectionItem(collection) {}
    ~TClColumn() override {
        if (Destroyed != nullptr) ++*Destroyed;
    }

    String GetCaption() const { return FCaption; }
    void SetCaption(const String& value) {
        if (FCaption == value) return;
        FCaption = value;
        Changed(false);
    }
    Integer GetWidth() const { return FWidth; }
    void SetWidth(Integer value) {
        if (FWidth == value) return;
        FWidth = value;
        Changed(true);
    }

    void Assign(TPersistent* source) override {
        if (auto* column = dynamic_cast<TClColumn*>(source)) {
            SetCaption(column->FCaption);
            SetWidth(column->FWidth);
            return;
        }
        TCollectionItem::Assign(source);
    }

    String GetDisplayName() const override { return FCaption.empty() ? TCollectionItem::GetDisplayName() : FCaption; }

    int* Destroyed = nullptr;

private:
    String FCaption;
    Integer FWidth = 64;
};

// An item that cannot copy itself from anything.
class TClPlainItem : public TCollectionItem {
    KOV_CLASS(TClPlainItem, TCollectionItem)
public:
    explicit TClPlainItem(TCollection* collection) : TCollectionItem(collection) {}
};

class TClAbstractItem : public TCollectionItem {
    KOV_CLASS(TClAbstractItem, TCollectionItem)
public:
    explicit TClAbstractItem(TCollection* collection) : TCollectionItem(collection) {}
    virtual void Draw() = 0;
};

// Records what the collection is told.
class TClColumns : public TOwnedCollection {
    KOV_CLASS(TClColumns, TOwnedCollection)
public:
    explicit TClColumns(TPersistent* owner = nullptr)
        : TOwnedCollection(owner, TCollectionItemClass::Of<TClColumn>()) {}

    TClColumn* Column(Integer index) const { return static_cast<TClColumn*>(GetItems(index)); }
    TClColumn* AddColumn() { return static_cast<TClColumn*>(Add()); }

    std::vector<TCollectionItem*> Updates;
    std::vector<std::pair<TCollectionItem*, TCollectionNotification>> Notices;

protected:
    void Update(TCollectionItem* item) override { Updates.push_back(item); }
    void Notify(TCollectionItem* item, TCollectionNotification action) override {
        Notices.push_back({item, action});
    }
};

// A component that publishes its columns, for name paths.
class TClGrid : public TComponent {
    KOV_CLASS(TClGrid, TComponent)
public:
    explicit TClGrid(TComponent* owner) : TComponent(owner), FColumns(this) {}
    TClColumns* GetColumns() const { return const_cast<TClColumns*>(&FColumns); }
    TClColumns* GetHidden() const { return nullptr; }

private:
    TClColumns FColumns;
};

}  // namespace

KOV_PUBLISHED(TClGrid) {
    Property("Hidden", &TClGrid::GetHidden);
    Property("Columns", &TClGrid::GetColumns);
}

namespace {

TEST(Collections, IdsIncreaseAndAreNeverGivenAgain) {
    TClColumns columns;
    TClColumn* a = columns.AddColumn();
    TClColumn* b = columns.AddColumn();
    TClColumn* c = columns.AddColumn();
    EXPECT_EQ(a->GetID(), 0);
    EXPECT_EQ(b->GetID(), 1);
    EXPECT_EQ(c->GetID(), 2);

    columns.Delete(1);
    TClColumn* d = columns.AddColumn();
    EXPECT_EQ(d->GetID(), 3);
    EXPECT_EQ(columns.FindItemID(1), nullptr);
    EXPECT_EQ(columns.FindItemID(3), d);
    EXPECT_EQ(columns.FindItemID(0), a);

    columns.Clear();
    EXPECT_EQ(columns.GetCount(), 0);
    EXPECT_EQ(columns.AddColumn()->GetID(), 4);
}

TEST(Collections, IndexMovesTheItem) {
    TClColumns columns;
    std::vector<TClColumn*> made;
    for (int i = 0; i < 4; ++i) made.push_back(columns.AddColumn());
    columns.Updates.clear();

    made[3]->SetIndex(0);
    EXPECT_EQ(made[3]->GetIndex(), 0);
    EXPECT_EQ(columns.Column(1), made[0]);
    EXPECT_EQ(columns.Column(3), made[2]);
    EXPECT_EQ(columns.Updates, (std::vector<TCollectionItem*>{nullptr}));  // the whole collection

    columns.Updates.clear();
    made[1]->SetIndex(made[1]->GetIndex());  // no move, no report
    EXPECT_TRUE(columns.Updates.empty());

    try {
        made[0]->SetIndex(4);
        ADD_FAILURE() << "no exception";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message, "List index out of bounds (4)");
    }
    EXPECT_EQ(made[0]->GetIndex(), 1);

    TClColumn* inserted = static_cast<TClColumn*>(columns.Insert(1));
    EXPECT_EQ(inserted->GetIndex(), 1);
    EXPECT_EQ(columns.GetCount(), 5);
    EXPECT_THROW(columns.Insert(7), EListError);
    EXPECT_EQ(columns.GetCount(), 5);  // a refused insertion adds nothing
    EXPECT_THROW(columns.GetItems(5), EListError);
}

TEST(Collections, UpdateIsReportedOncePerOutermostUpdate) {
    TClColumns columns;
    TClColumn* a = columns.AddColumn();
    EXPECT_EQ(columns.Updates, (std::vector<TCollectionItem*>{nullptr}));  // an added item

    columns.Updates.clear();
    a->SetCaption("Name");  // a change of one item
    a->SetWidth(80);        // a change of all items
    EXPECT_EQ(columns.Updates, (std::vector<TCollectionItem*>{a, nullptr}));

    columns.Updates.clear();
    columns.BeginUpdate();
    columns.BeginUpdate();
    columns.AddColumn()->SetCaption("Freq");
    a->SetCaption("Channel");
    columns.Delete(0);
    columns.EndUpdate();
    EXPECT_TRUE(columns.Updates.empty());
    columns.AddColumn();
    columns.EndUpdate();
    EXPECT_EQ(columns.Updates, (std::vector<TCollectionItem*>{nullptr}));
    EXPECT_EQ(columns.GetCount(), 2);

    columns.Updates.clear();
    columns.Clear();
    EXPECT_EQ(columns.Updates, (std::vector<TCollectionItem*>{nullptr}));
}

// Whether each item is of its own class when the collection reports a change.
class TClCheckedColumns : public TOwnedCollection {
    KOV_CLASS(TClCheckedColumns, TOwnedCollection)
public:
    TClCheckedColumns() : TOwnedCollection(nullptr, TCollectionItemClass::Of<TClColumn>()) {}
    std::vector<bool> Complete;

protected:
    void Update(TCollectionItem*) override {
        bool complete = true;
        for (Integer i = 0; i < GetCount(); ++i) complete = complete && dynamic_cast<TClColumn*>(GetItems(i));
        Complete.push_back(complete);
    }
};

TEST(Collections, AnAddedItemIsReportedOnceItIsMade) {
    TClCheckedColumns columns;
    columns.Add();
    columns.Insert(0);
    ASSERT_GE(columns.Complete.size(), 2u);
    for (bool complete : columns.Complete) EXPECT_TRUE(complete);
}

TEST(Collections, NotifyTellsAddingExtractingAndDeleting) {
    using Notices = std::vector<std::pair<TCollectionItem*, TCollectionNotification>>;
    TClColumns columns;
    TClColumn* a = columns.AddColumn();
    TClColumn* b = columns.AddColumn();
    EXPECT_EQ(columns.Notices, (Notices{{a, cnAdded}, {b, cnAdded}}));

    columns.Notices.clear();
    columns.Delete(0);
    EXPECT_EQ(columns.Notices, (Notices{{a, cnDeleting}, {a, cnExtracting}}));

    columns.Notices.clear();
    delete b;  // freed directly: it leaves the collection
    EXPECT_EQ(columns.Notices, (Notices{{b, cnExtracting}}));
    EXPECT_EQ(columns.GetCount(), 0);
}

TEST(Collections, ItemsAreFreedWithTheCollection) {
    int destroyed = 0;
    {
        TClColumns columns;
        for (int i = 0; i < 3; ++i) columns.AddColumn()->Destroyed = &destroyed;
        columns.Updates.clear();
        columns.Delete(1);
        EXPECT_EQ(destroyed, 1);
    }
    EXPECT_EQ(destroyed, 3);

    auto* loose = new TClColumn(nullptr);  // an item may live without a collection
    loose->Destroyed = &destroyed;
    EXPECT_EQ(loose->GetIndex(), -1);
    EXPECT_EQ(loose->GetCollection(), nullptr);
    delete loose;
    EXPECT_EQ(destroyed, 4);
}

TEST(Collections, AnItemMovesBetweenCollections) {
    int destroyed = 0;
    TClColumns second;
    second.AddColumn();
    second.AddColumn();
    {
        TClColumns first;
        TClColumn* a = first.AddColumn();
        TClColumn* moving = first.AddColumn();
        moving->Destroyed = &destroyed;
        moving->SetCaption("moving");
        first.Notices.clear();
        second.Notices.clear();
        first.Updates.clear();

        moving->SetCollection(&second);
        EXPECT_EQ(moving->GetCollection(), &second);
        EXPECT_EQ(moving->GetIndex(), 2);
        EXPECT_EQ(moving->GetID(), 2);  // a new ID from its new collection
        EXPECT_EQ(first.GetCount(), 1);
        EXPECT_EQ(first.Column(0), a);
        EXPECT_EQ(first.Notices.size(), 1u);
        EXPECT_EQ(first.Notices[0].second, cnExtracting);
        EXPECT_EQ(second.Notices.back().second, cnAdded);
        EXPECT_EQ(first.Updates, (std::vector<TCollectionItem*>{nullptr}));

        // An item of another class is refused and stays where it was.
        TCollection plain(TCollectionItemClass::Of<TClPlainItem>());
        try {
            moving->SetCollection(&plain);
            ADD_FAILURE() << "no exception";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message, "Invalid property value");
        }
        EXPECT_EQ(moving->GetCollection(), &second);
        EXPECT_EQ(plain.GetCount(), 0);
    }
    EXPECT_EQ(destroyed, 0);  // it belongs to the second collection now
    EXPECT_EQ(second.Column(2)->GetCaption(), "moving");
}

TEST(Collections, AssignCopiesItemsByTheirAssign) {
    TClColumns source;
    source.AddColumn()->SetCaption("Freq");
    TClColumn* wide = source.AddColumn();
    wide->SetCaption("Name");
    wide->SetWidth(120);

    TClColumns target;
    target.AddColumn();
    target.AddColumn();
    target.AddColumn();
    target.Updates.clear();
    target.Assign(&source);
    ASSERT_EQ(target.GetCount(), 2);
    EXPECT_EQ(target.Column(0)->GetCaption(), "Freq");
    EXPECT_EQ(target.Column(1)->GetWidth(), 120);
    EXPECT_NE(target.Column(1), wide);
    EXPECT_EQ(target.Updates, (std::vector<TCollectionItem*>{nullptr}));

    target.Assign(&target);  // itself: unchanged
    EXPECT_EQ(target.GetCount(), 2);

    target.SetItems(0, source.Column(1));
    EXPECT_EQ(target.Column(0)->GetCaption(), "Name");

    TCollection plainSource(TCollectionItemClass::Of<TClPlainItem>());
    plainSource.Add();
    TCollection plainTarget(TCollectionItemClass::Of<TClPlainItem>());
    try {
        plainTarget.Assign(&plainSource);
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "Cannot assign a TClPlainItem to a TClPlainItem");
    }
}

TEST(Collections, NamesAndOwners) {
    auto* form = new TComponent(nullptr);
    auto* grid = new TClGrid(form);
    grid->SetName("Grid1");
    TClColumns* columns = grid->GetColumns();
    TClColumn* a = columns->AddColumn();
    TClColumn* b = columns->AddColumn();

    EXPECT_EQ(columns->GetOwner(), grid);
    EXPECT_EQ(a->GetOwner(), columns);
    EXPECT_EQ(columns->GetNamePath(), "Grid1.Columns");
    EXPECT_EQ(b->GetNamePath(), "Grid1.Columns[1]");

    EXPECT_EQ(a->GetDisplayName(), "TClColumn");  // the class name by default
    a->SetCaption("Freq");
    EXPECT_EQ(a->GetDisplayName(), "Freq");
    EXPECT_EQ(columns->GetItemClass().ClassType(), TClColumn::StaticClass());

    TClColumns ownerless;
    EXPECT_EQ(ownerless.GetNamePath(), "TClColumns");
    EXPECT_EQ(ownerless.AddColumn()->GetNamePath(), "TClColumns[0]");
    TClColumn loose(nullptr);
    EXPECT_EQ(loose.GetNamePath(), "TClColumn");

    TClGrid unnamed(nullptr);
    EXPECT_EQ(unnamed.GetColumns()->GetNamePath(), "TClColumns");
    delete form;
}

TEST(Collections, AnAbstractItemClassCannotMakeItems) {
    TCollection collection(TCollectionItemClass::Of<TClAbstractItem>());
    EXPECT_THROW(collection.Add(), EInvalidOperation);
    EXPECT_EQ(collection.GetCount(), 0);
}

}  // namespace
