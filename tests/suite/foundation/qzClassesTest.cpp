// The suite's general classes: class registries, width distribution, free notifications, object
// links, the owning list and the settings base.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/TypInfo.h"
#include "suite/foundation/qzClasses.h"

namespace {

class TRegBase : public TObject {
    KOV_CLASS(TRegBase, TObject)
};
class TRegMiddle : public TRegBase {
    KOV_CLASS(TRegMiddle, TRegBase)
};
class TRegDerived : public TRegMiddle {
    KOV_CLASS(TRegDerived, TRegMiddle)
};
class TRegDerived2 : public TRegDerived {
    KOV_CLASS(TRegDerived2, TRegDerived)
};
class TRegOther : public TObject {
    KOV_CLASS(TRegOther, TObject)
};

std::vector<String> ItemClassNames(const TqzRegisteredClassList& list) {
    std::vector<String> names;
    for (Integer i = 0; i < list.GetCount(); ++i)
        names.push_back(list.GetItems(i).ItemClass->ClassName());
    return names;
}

TEST(QzRegisteredClassList, EntriesFollowTheirAncestors) {
    TqzRegisteredClassList list;
    list.RegisterPair(TRegBase::StaticClass(), TList::StaticClass());
    list.RegisterPair(TRegDerived::StaticClass(), TStringList::StaticClass());
    list.RegisterPair(TRegMiddle::StaticClass(), TStrings::StaticClass());
    EXPECT_EQ((std::vector<String>{"TRegBase", "TRegMiddle", "TRegDerived"}), ItemClassNames(list));

    struct Case {
        TClass Asked;
        bool Found;
        Integer Index;
    };
    const std::vector<Case> cases = {
        {TRegDerived2::StaticClass(), true, 2}, // the nearest registered ancestor
        {TRegDerived::StaticClass(), true, 2},
        {TRegMiddle::StaticClass(), true, 1},
        {TRegOther::StaticClass(), false, -1},
        {TObject::StaticClass(), false, 0}, // no ancestor entry: the lowest descendant entry
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Asked->ClassName());
        Integer index = 99;
        EXPECT_EQ(c.Found, list.FindItemClass(c.Asked, index));
        EXPECT_EQ(c.Index, index);
    }
    Integer index = -1;
    ASSERT_TRUE(list.FindItemClass(TRegDerived2::StaticClass(), index));
    EXPECT_EQ(TStringList::StaticClass(), list.GetItems(index).RegisteredClass);

    // Without an ancestor entry a class goes before its lowest descendant.
    TqzRegisteredClassList reversed;
    reversed.RegisterPair(TRegDerived::StaticClass(), TList::StaticClass());
    reversed.RegisterPair(TRegOther::StaticClass(), TList::StaticClass());
    reversed.RegisterPair(TRegBase::StaticClass(), TList::StaticClass());
    EXPECT_EQ((std::vector<String>{"TRegBase", "TRegDerived", "TRegOther"}), ItemClassNames(reversed));

    // Unregistering removes every entry with both classes, and only those.
    list.RegisterPair(TRegMiddle::StaticClass(), TStrings::StaticClass());
    list.RegisterPair(TRegMiddle::StaticClass(), TList::StaticClass());
    list.UnregisterPair(TRegMiddle::StaticClass(), TStrings::StaticClass());
    EXPECT_EQ((std::vector<String>{"TRegBase", "TRegMiddle", "TRegDerived"}), ItemClassNames(list));
    EXPECT_EQ(TList::StaticClass(), list.GetItems(1).RegisteredClass);
    EXPECT_THROW(list.GetItems(3), EListError);
}

class TStreamedByRegistry : public TObject {
    KOV_CLASS(TStreamedByRegistry, TObject)
};

TEST(QzRegisteredClasses, DescriptionsSortingAndStreaming) {
    TqzRegisteredClasses registry;
    registry.Register(TRegBase::StaticClass(), "beta|the second");
    registry.Register(TRegMiddle::StaticClass(), "Alpha|the first");
    registry.Register(TRegBase::StaticClass(), "Gamma|ignored");
    registry.Register(TRegOther::StaticClass(), "NoBar");
    ASSERT_EQ(3, registry.GetCount());
    EXPECT_EQ("beta", registry.GetDescription(0)) << "the first description stays";
    EXPECT_EQ("NoBar", registry.GetDescription(2));
    EXPECT_EQ("Alpha|the first", registry.GetText(1));

    registry.SetSorted(true);
    std::vector<String> order;
    for (Integer i = 0; i < registry.GetCount(); ++i)
        order.push_back(registry.GetDescription(i));
    EXPECT_EQ((std::vector<String>{"Alpha", "beta", "NoBar"}), order);
    EXPECT_EQ(TRegMiddle::StaticClass(), registry.GetItems(0));
    // A class registered into a sorted registry takes its place.
    registry.Register(TRegDerived::StaticClass(), "charlie|");
    EXPECT_EQ(2, registry.IndexOfClass(TRegDerived::StaticClass()));
    registry.Unregister(TRegBase::StaticClass());
    EXPECT_EQ(-1, registry.IndexOfClass(TRegBase::StaticClass()));
    EXPECT_EQ(3, registry.GetCount());
    EXPECT_EQ(&registry, registry.GetItemList()->GetRegisteredClasses());

    EXPECT_EQ(nullptr, GetClass("TStreamedByRegistry"));
    TqzRegisteredClasses streamed(true);
    streamed.Register(TStreamedByRegistry::StaticClass(), "Streamed|");
    EXPECT_EQ(TStreamedByRegistry::StaticClass(), GetClass("TStreamedByRegistry"));
    UnRegisterClass(TStreamedByRegistry::StaticClass());
}

TEST(QzAutoWidthObject, SharesRoundCumulativelyAndHonourMinimums) {
    struct Item {
        Integer Desired, Minimum;
        bool Keep;
    };
    struct Case {
        const char* Name;
        Integer Target;
        std::vector<Item> Items;
        std::vector<Integer> Expected;
    };
    const std::vector<Case> cases = {
        {"equal thirds", 100, {{1, 0, false}, {1, 0, false}, {1, 0, false}}, {33, 34, 33}},
        {"a minimum", 100, {{1, 40, false}, {1, 0, false}, {1, 0, false}}, {40, 30, 30}},
        {"all kept", 50, {{10, 0, true}, {20, 0, true}, {30, 0, true}}, {10, 20, 30}},
        {"one kept", 100, {{30, 0, true}, {1, 0, false}, {1, 0, false}}, {30, 35, 35}},
        {"minimums pinned in turn",
         90,
         {{1, 0, false}, {1, 35, false}, {1, 0, false}, {1, 25, false}},
         {15, 35, 15, 25}},
        {"proportional", 60, {{1, 0, false}, {2, 0, false}}, {20, 40}},
        {"nothing desired", 60, {{0, 0, false}, {0, 0, false}}, {-1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzAutoWidthObject widths(Integer(c.Items.size()));
        for (const Item& item : c.Items) {
            TqzAutoWidthItem* added = widths.AppendItem();
            EXPECT_EQ(-1, added->ResultWidth);
            added->DesiredWidth = item.Desired;
            added->MinimumWidth = item.Minimum;
            added->KeepWidth = item.Keep;
        }
        widths.TargetWidth = c.Target;
        widths.DistributeWidths();
        std::vector<Integer> results;
        for (Integer i = 0; i < widths.Count(); ++i)
            results.push_back(widths.ItemAt(i)->ResultWidth);
        EXPECT_EQ(c.Expected, results);
    }
}

TEST(QzAutoWidthObject, DistributingAgainStartsOver) {
    TqzAutoWidthObject widths(2);
    for (int i = 0; i < 2; ++i)
        widths.AppendItem()->DesiredWidth = 1;
    EXPECT_EQ(2, widths.TotalWidth());
    widths.TargetWidth = 10;
    widths.DistributeWidths();
    widths.TargetWidth = 30;
    widths.DistributeWidths();
    EXPECT_EQ(15, widths.ItemAt(0)->ResultWidth);
    EXPECT_EQ(15, widths.ItemAt(1)->ResultWidth);
    EXPECT_THROW(widths.ItemAt(2), EListError);
}

TEST(QzFreeNotificator, TellsOfWatchedComponentsOnly) {
    struct Listener : TObject {
        std::vector<String> Freed;
        void ComponentFreed(TObject*, TComponent* component) { Freed.push_back(component->GetName()); }
    } listener;
    TqzFreeNotificator notificator;
    notificator.OnComponentFreed = MakeEvent(&listener, &Listener::ComponentFreed);
    auto* watched = new TComponent(nullptr);
    watched->SetName("Watched");
    auto* unwatched = new TComponent(nullptr);
    unwatched->SetName("Unwatched");
    notificator.WatchComponent(watched);
    notificator.WatchComponent(unwatched);
    notificator.UnwatchComponent(unwatched);
    notificator.WatchComponent(nullptr);
    notificator.UnwatchComponent(nullptr);
    delete unwatched;
    delete watched;
    EXPECT_EQ(std::vector<String>{"Watched"}, listener.Freed);
}

TEST(QzObjectLinks, ClearedWhenTheComponentGoes) {
    auto* first = new TqzComponent(nullptr);
    auto* second = new TqzComponent(nullptr);
    TqzObjectLink* a = AddObjectLink(first);
    TqzObjectLink* b = AddObjectLink(first);
    TqzObjectLink* c = AddObjectLink(second);
    TqzObjectLink* none = AddObjectLink(nullptr);
    EXPECT_EQ(first, a->Target);
    delete first;
    EXPECT_EQ(nullptr, a->Target);
    EXPECT_EQ(nullptr, b->Target);
    EXPECT_EQ(second, c->Target);
    RemoveObjectLink(a); // only frees it
    RemoveObjectLink(none);
    RemoveObjectLink(nullptr);
    // A component that is not a suite component is cleared by its caller.
    auto* plain = new TComponent(nullptr);
    TqzObjectLink* d = AddObjectLink(plain);
    ClearObjectLinksTo(plain);
    EXPECT_EQ(nullptr, d->Target);
    delete plain;
    delete second;
    EXPECT_EQ(nullptr, c->Target);
    RemoveObjectLink(b);
    RemoveObjectLink(c);
    RemoveObjectLink(d);
    // With every link gone the controller is gone too; new links start a new one.
    TqzObjectLink* again = AddObjectLink(nullptr);
    ClearObjectLinksTo(nullptr);
    RemoveObjectLink(again);
}

class TLinkingComponent : public TqzComponent {
    KOV_CLASS(TLinkingComponent, TqzComponent)
public:
    using TqzComponent::TqzComponent;
    std::vector<TComponent*> Linked;

protected:
    void CollectLinkedComponents(TList* list) override {
        for (TComponent* c : Linked)
            list->Add(c);
    }
};

TEST(QzComponent, FakeLinksArePublishedAndFollowTheLinkedComponents) {
    for (const char* name : {"FakeComponentLink1", "FakeComponentLink2", "FakeComponentLink3"}) {
        SCOPED_TRACE(name);
        PPropInfo prop = GetPropInfo(TqzComponent::StaticClass(), name);
        ASSERT_NE(nullptr, prop);
        EXPECT_EQ(tkClass, prop->PropType->Kind);
    }
    TComponent owner(nullptr);
    auto* linking = new TLinkingComponent(&owner);
    auto* a = new TComponent(nullptr);
    auto* b = new TComponent(nullptr);
    linking->SetFakeComponentLink3(a);
    linking->Linked = {a, b};
    // Outside design mode loading leaves the links alone.
    linking->Loaded();
    EXPECT_EQ(a, linking->GetFakeComponentLink3());
    linking->IncludeComponentState(csDesigning);
    linking->Loaded();
    EXPECT_EQ(a, linking->GetFakeComponentLink1());
    EXPECT_EQ(b, linking->GetFakeComponentLink2());
    EXPECT_EQ(nullptr, linking->GetFakeComponentLink3());
    // A linked component that is freed is no longer linked.
    delete a;
    EXPECT_EQ(nullptr, linking->GetFakeComponentLink1());
    EXPECT_EQ(b, linking->GetFakeComponentLink2());
    // The suite's own components link to nothing.
    auto* plain = new TqzComponent(&owner);
    plain->SetFakeComponentLink1(b);
    plain->IncludeComponentState(csDesigning);
    plain->Loaded();
    EXPECT_EQ(nullptr, plain->GetFakeComponentLink1());
    delete b;
}

TEST(QzObjectList, ClearFreesTheItemsInOrder) {
    static std::vector<int>* freed = nullptr;
    struct Item : TObject {
        int Id;
        explicit Item(int id) : Id(id) {}
        ~Item() override { freed->push_back(Id); }
    };
    std::vector<int> log;
    freed = &log;
    {
        TqzObjectList list;
        for (int i = 1; i <= 3; ++i)
            list.Add(new Item(i));
        EXPECT_EQ(2, static_cast<Item*>(list.ItemAt(1))->Id);
        list.Clear();
        EXPECT_EQ((std::vector<int>{1, 2, 3}), log);
        EXPECT_EQ(0, list.GetCount());
        auto* kept = new Item(4);
        list.Add(kept);
        list.Add(new Item(5));
        list.Delete(0); // taken out, not freed
        EXPECT_EQ((std::vector<int>{1, 2, 3}), log);
        delete kept;
    }
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), log) << "the list frees what it holds when it goes";
    freed = nullptr;
}

class TTestSettings : public TqzInterfacedPersistent {
    KOV_CLASS(TTestSettings, TqzInterfacedPersistent)
public:
    using TqzInterfacedPersistent::TqzInterfacedPersistent;
};

TEST(QzInterfacedPersistent, MadeFromItsClassForAnOwner) {
    RegisterInterfacedPersistentClass<TTestSettings>();
    TComponent owner(nullptr);
    std::unique_ptr<TqzInterfacedPersistent> settings(
        TqzInterfacedPersistent::Create(TTestSettings::StaticClass(), &owner));
    ASSERT_NE(nullptr, settings);
    EXPECT_EQ(TTestSettings::StaticClass(), settings->ClassType());
    EXPECT_EQ(&owner, settings->GetOwner());
    EXPECT_EQ(&owner, GetPersistentOwner(settings.get()));
    EXPECT_EQ(-1, settings->AddRef());
    EXPECT_EQ(-1, settings->Release());
    EXPECT_THROW(TqzInterfacedPersistent::Create(TRegBase::StaticClass(), &owner), EInvalidOperation);

    TComponent child(&owner);
    EXPECT_EQ(&owner, GetPersistentOwner(&child));
    EXPECT_EQ(nullptr, GetPersistentOwner(&owner));
    EXPECT_EQ(nullptr, GetPersistentOwner(nullptr));
}

TEST(QzHelpers, MidpointsSizePairsAndTexts) {
    struct Case {
        Integer A, B, Expected;
    };
    const std::vector<Case> cases = {{-3, 0, -2},
                                     {3, 0, 1},
                                     {-4, 0, -2},
                                     {-1, 0, -1},
                                     {10, 20, 15},
                                     {2147483647, 2147483647, 2147483647},
                                     {-2147483647 - 1, -1, -1073741825}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.A) + ", " + std::to_string(c.B));
        EXPECT_EQ(c.Expected, FloorMidpoint(c.A, c.B));
    }
    SIZE pair{};
    EXPECT_EQ(7, MakeSizePair(7, 9, pair));
    EXPECT_EQ(7, pair.cx);
    EXPECT_EQ(9, pair.cy);
    EXPECT_EQ("Represents a ProgressBar", LocalizeSuiteText("Represents a ProgressBar"));
}

} // namespace
