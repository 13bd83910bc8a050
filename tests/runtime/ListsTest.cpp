#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/runtime/Components.h"
#include "platform/runtime/Lists.h"

namespace {

void* P(std::intptr_t value) { return reinterpret_cast<void*>(value); }
std::intptr_t V(void* item) { return reinterpret_cast<std::intptr_t>(item); }

std::vector<std::intptr_t> Values(TList& list) {
    std::vector<std::intptr_t> result;
    for (Integer i = 0; i < list.GetCount(); ++i) result.push_back(V(list.Get(i)));
    return result;
}

Integer CompareValues(void* a, void* b) { return V(a) < V(b) ? -1 : V(a) > V(b) ? 1 : 0; }

// Records every notice, and whether the item was still in the list when it came.
class TLsRecordingList : public TList {
    KOV_CLASS(TLsRecordingList, TList)
public:
    struct TNotice {
        std::intptr_t Item;
        TListNotification Action;
        bool InList;
        bool operator==(const TNotice&) const = default;
    };
    ~TLsRecordingList() override { Clear(); }
    std::vector<TNotice> Notices;

protected:
    void Notify(void* item, TListNotification action) override {
        Notices.push_back({V(item), action, IndexOf(item) >= 0});
        TList::Notify(item, action);
    }
};

// Counts its own destruction.
class TLsCounted : public TObject {
    KOV_CLASS(TLsCounted, TObject)
public:
    explicit TLsCounted(int* destroyed) : FDestroyed(destroyed) {}
    ~TLsCounted() override { ++*FDestroyed; }

private:
    int* FDestroyed;
};

template <class E, class F>
void ExpectError(F&& action, const String& message) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const E& e) {
        EXPECT_EQ(e.Message, message);
    }
}

TEST(Lists, ErrorsCarryTheIndexOrCount) {
    TList list;
    EXPECT_EQ(list.Add(P(1)), 0);
    EXPECT_EQ(list.Add(P(2)), 1);
    ExpectError<EListError>([&] { list.Get(2); }, "List index out of bounds (2)");
    ExpectError<EListError>([&] { list.Get(-1); }, "List index out of bounds (-1)");
    ExpectError<EListError>([&] { list.Insert(3, P(9)); }, "List index out of bounds (3)");
    ExpectError<EListError>([&] { list.Delete(2); }, "List index out of bounds (2)");
    ExpectError<EListError>([&] { list.Exchange(0, 5); }, "List index out of bounds (5)");
    ExpectError<EListError>([&] { list.Move(0, 2); }, "List index out of bounds (2)");
    ExpectError<EListError>([&] { list.SetCapacity(1); }, "List capacity out of bounds (1)");
    ExpectError<EListError>([&] { list.SetCount(-1); }, "List count out of bounds (-1)");
    EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{1, 2}));

    TList empty;
    ExpectError<EListError>([&] { empty.First(); }, "List index out of bounds (0)");
    ExpectError<EListError>([&] { empty.Last(); }, "List index out of bounds (-1)");
}

TEST(Lists, EditingKeepsOrderAndReportsIndexes) {
    TList list;
    for (std::intptr_t v : {10, 20, 30, 40}) list.Add(P(v));
    list.Insert(0, P(5));
    list.Insert(5, P(50));
    EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{5, 10, 20, 30, 40, 50}));
    list.Move(0, 3);
    EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{10, 20, 30, 5, 40, 50}));
    list.Exchange(0, 5);
    EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{50, 20, 30, 5, 40, 10}));
    EXPECT_EQ(list.Remove(P(30)), 2);
    EXPECT_EQ(list.Remove(P(99)), -1);
    EXPECT_EQ(list.IndexOf(P(40)), 3);
    EXPECT_EQ(V(list.First()), 50);
    EXPECT_EQ(V(list.Last()), 10);

    list.SetCount(7);  // grows with nullptrs
    EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{50, 20, 5, 40, 10, 0, 0}));
    list.Put(1, nullptr);
    list.Pack();
    EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{50, 5, 40, 10}));
    list.SetCapacity(list.GetCount());
    EXPECT_GT(list.Expand()->GetCapacity(), list.GetCount());  // room for one more

    TList copy;
    copy.Add(P(1));
    copy.Assign(&list);
    EXPECT_EQ(Values(copy), Values(list));
    copy.Assign(&copy);
    EXPECT_EQ(Values(copy), Values(list));

    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(Lists, NotifyTellsWhatCameAndWent) {
    using N = TLsRecordingList::TNotice;
    TLsRecordingList list;
    list.Add(P(1));
    list.Add(nullptr);  // nullptrs are never announced
    list.Insert(0, P(2));
    EXPECT_EQ(list.Notices, (std::vector<N>{{1, lnAdded, true}, {2, lnAdded, true}}));

    list.Notices.clear();
    list.Put(0, P(3));  // the old item is deleted, the new one added
    list.Put(0, P(3));  // the same item again: no notices
    list.Move(0, 2);
    list.Exchange(0, 1);
    EXPECT_EQ(list.Notices, (std::vector<N>{{2, lnDeleted, false}, {3, lnAdded, true}}));

    list.Notices.clear();
    EXPECT_EQ(V(list.Extract(P(1))), 1);  // extracted, not deleted
    EXPECT_EQ(list.Extract(P(42)), nullptr);
    EXPECT_EQ(list.Notices, (std::vector<N>{{1, lnExtracted, false}}));

    list.Notices.clear();
    list.Add(P(4));
    list.Add(P(5));
    list.Notices.clear();
    list.Delete(list.IndexOf(P(4)));
    list.Clear();  // the rest, last first
    EXPECT_EQ(list.Notices,
              (std::vector<N>{{4, lnDeleted, false}, {5, lnDeleted, false}, {3, lnDeleted, false}}));
}

TEST(Lists, SortOrdersLikeTheStandardSort) {
    struct Case {
        const char* Name;
        std::vector<std::intptr_t> Items;
    };
    std::vector<std::intptr_t> many;
    for (int i = 0; i < 500; ++i) many.push_back((i * 7919) % 263);  // many duplicates
    const std::vector<Case> cases = {
        {"empty", {}},
        {"one", {7}},
        {"two reversed", {2, 1}},
        {"sorted", {1, 2, 3, 4, 5}},
        {"reversed", {9, 8, 7, 6, 5, 4, 3, 2, 1}},
        {"all equal", {4, 4, 4, 4, 4}},
        {"duplicates", {3, 1, 3, 2, 1, 3, 2}},
        {"many", many},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TList list;
        for (std::intptr_t v : c.Items) list.Add(P(v));
        list.Sort(CompareValues);
        std::vector<std::intptr_t> expected = c.Items;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Values(list), expected);
    }
}

TEST(Lists, SortWithAnInconsistentCompareStaysInBounds) {
    TList list;
    for (std::intptr_t v = 1; v <= 50; ++v) list.Add(P(v));
    unsigned state = 12345;
    list.Sort([&](void*, void*) {
        state = state * 1103515245u + 12345u;
        return Integer((state >> 16) % 3) - 1;
    });
    std::vector<std::intptr_t> items = Values(list);
    std::sort(items.begin(), items.end());
    std::vector<std::intptr_t> expected;
    for (std::intptr_t v = 1; v <= 50; ++v) expected.push_back(v);
    EXPECT_EQ(items, expected);  // still the same items
}

TEST(ObjectLists, OwnedObjectsAreFreedWhenTheyLeave) {
    int destroyed = 0;
    {
        TObjectList list;
        auto* a = new TLsCounted(&destroyed);
        auto* b = new TLsCounted(&destroyed);
        auto* c = new TLsCounted(&destroyed);
        auto* d = new TLsCounted(&destroyed);
        auto* e = new TLsCounted(&destroyed);
        for (TObject* o : {static_cast<TObject*>(a), static_cast<TObject*>(b), static_cast<TObject*>(c),
                           static_cast<TObject*>(d)})
            list.Add(o);

        list.Delete(0);
        EXPECT_EQ(destroyed, 1);
        EXPECT_EQ(list.Remove(b), 0);
        EXPECT_EQ(destroyed, 2);
        EXPECT_EQ(list.Extract(c), c);  // handed back, not freed
        EXPECT_EQ(destroyed, 2);
        delete c;
        EXPECT_EQ(destroyed, 3);
        list.SetItems(0, e);  // replacing frees the old one
        EXPECT_EQ(destroyed, 4);
        EXPECT_EQ(list.GetItems(0), e);
    }
    EXPECT_EQ(destroyed, 5);  // the list's destructor freed the last one
}

TEST(ObjectLists, WithoutOwnershipNothingIsFreed) {
    int destroyed = 0;
    TLsCounted a(&destroyed);
    TLsCounted b(&destroyed);
    {
        TObjectList list(false);
        list.Add(&a);
        list.Add(&b);
        list.Delete(0);
        list.Clear();
        list.Add(&a);
    }
    EXPECT_EQ(destroyed, 0);
}

TEST(ComponentLists, AComponentFreedElsewhereLeavesTheList) {
    auto* owner = new TComponent(nullptr);
    auto* a = new TComponent(owner);
    auto* b = new TComponent(owner);
    auto* loose = new TComponent(nullptr);

    TComponentList list(false);
    list.Add(a);
    list.Add(b);
    list.Add(loose);
    list.Add(a);  // listed twice
    ASSERT_EQ(list.GetCount(), 4);

    delete a;  // both entries go
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.IndexOf(b), 0);
    EXPECT_EQ(list.GetItems(1), loose);

    EXPECT_EQ(list.Extract(loose), loose);  // no longer watched
    delete loose;
    EXPECT_EQ(list.GetCount(), 1);

    delete owner;  // frees b
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(ComponentLists, OwningListFreesItsComponentsAndMayGoFirst) {
    auto* kept = new TComponent(nullptr);
    auto* freed = new TComponent(nullptr);
    {
        TComponentList list;  // owns its components
        list.Add(freed);
        list.Add(kept);
        const TLivenessToken freedToken = freed->LivenessToken();
        list.Delete(0);
        EXPECT_FALSE(freedToken.IsAlive());
        EXPECT_EQ(list.GetCount(), 1);
        EXPECT_EQ(list.Extract(kept), kept);
    }
    delete kept;  // the list is gone; nobody is told any more

    // Freeing the parent frees the child as well: the child leaves the list before the list
    // would reach it.
    auto* parent = new TComponent(nullptr);
    auto* child = new TComponent(parent);
    {
        TComponentList list;
        list.Add(child);
        list.Add(parent);
    }

    auto* late = new TComponent(nullptr);
    {
        TComponentList list(false);
        list.Add(late);
    }
    delete late;  // after the list: must not reach it
}

TEST(Bits, GrowOnSetAndCheckReads) {
    TBits bits;
    EXPECT_EQ(bits.GetSize(), 0);
    EXPECT_EQ(bits.OpenBit(), 0);
    bits.SetBits(10, true);
    EXPECT_EQ(bits.GetSize(), 11);
    EXPECT_TRUE(bits.GetBits(10));
    EXPECT_FALSE(bits.GetBits(3));

    struct Case {
        const char* Name;
        std::function<void()> Action;
    };
    const std::vector<Case> failing = {
        {"read past the end", [&] { bits.GetBits(11); }},
        {"read below zero", [&] { bits.GetBits(-1); }},
        {"write below zero", [&] { bits.SetBits(-1, true); }},
        {"negative size", [&] { bits.SetSize(-1); }},
    };
    for (const Case& c : failing) {
        SCOPED_TRACE(c.Name);
        ExpectError<EBitsError>(c.Action, "Bits index out of range");
    }

    for (Integer i = 0; i < 11; ++i) bits.SetBits(i, true);
    EXPECT_EQ(bits.OpenBit(), 11);  // every bit set: the size
    bits.SetBits(4, false);
    EXPECT_EQ(bits.OpenBit(), 4);
    bits.SetSize(3);
    EXPECT_EQ(bits.OpenBit(), 3);
    bits.SetSize(5);
    EXPECT_FALSE(bits.GetBits(4));  // new bits are false
}

}  // namespace
