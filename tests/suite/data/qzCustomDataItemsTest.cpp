// The data controller's items and records: removing an item that the incremental filter or a
// search uses, the notices of item reordering, sort clearing and entering an edit, and records
// read from a provider that reads record by record.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/Streams.h"
#include "suite/data/qzCustomData.h"
#include "suite/data/qzData.h"
#include "suite/foundation/qzVariants.h"
#include "tests/suite/data/RowsFixture.h"
#include "tests/support/TestSupport.h"

using namespace rowstest;

namespace {

// A provider that reads its records one by one from a list of (text, number) rows.
class TReadingProvider : public TqzCustomDataProvider {
public:
    explicit TReadingProvider(TqzCustomDataController* controller) : TqzCustomDataProvider(controller) {}
    bool CanReadData() const override { return true; }
    bool IsEOF() const override { return Position >= Integer(Rows.size()); }
    void MoveFirst() override {
        TqzCustomDataProvider::MoveFirst();
        Position = 0;
    }
    void MoveNext() override { ++Position; }
    TClass GetValueDefReaderClass() const override;
    void NoteLoadedRecord(Integer recordIndex) override { Loaded.push_back(recordIndex); }

    std::vector<std::pair<const char*, Integer>> Rows;
    Integer Position = 0;
    std::vector<Integer> Loaded;
    static TReadingProvider* Current; // the provider the reader reads from
};
TReadingProvider* TReadingProvider::Current = nullptr;

// Reads the provider's current row: column 0 the text, column 1 the number.
class TRowReader : public TqzValueDefReader {
    KOV_CLASS(TRowReader, TqzValueDefReader)
public:
    TRowReader() = default;
    Variant ReadVariant(TqzValueDef* def) override {
        auto* field = dynamic_cast<TqzCustomDataField*>(def->BoundObject());
        const auto& row =
            TReadingProvider::Current->Rows.at(std::size_t(TReadingProvider::Current->Position));
        if (!field || field->IsInternalField()) return Null();
        return field->GetIndex() == 0 ? Variant(String(row.first)) : Variant(row.second);
    }
};

TClass TReadingProvider::GetValueDefReaderClass() const { return TRowReader::StaticClass(); }

class TReadingController : public TRowController {
public:
    TReadingController() {
        ReplaceProvider(Provider = new TReadingProvider(this));
        TReadingProvider::Current = Provider;
    }
    ~TReadingController() override { TReadingProvider::Current = nullptr; }
    TReadingProvider* Provider;
};

std::string Values(TqzCustomDataController& c) {
    std::string s;
    for (Integer r = 0; r < c.GetRecordCount(); ++r)
        s += (r ? " " : "") + std::string(VarToStr(c.GetValue(r, 0))) +
             std::string(VarToStr(c.GetValue(r, 1)));
    return s;
}

} // namespace

// The filter and the search let go of an item that goes; another item's removal leaves them.
TEST(qzCustomDataItemsTest, RemovingAnItemEndsItsIncrementalFilterAndSearch) {
    for (const bool removeTheirItem : {true, false}) {
        TRowController c;
        c.Fill({{"ab", 1}, {"b", 2}, {"ac", 3}});
        c.SetIncrementalFilter(0, "a");
        ASSERT_TRUE(c.GetSearch()->Locate(0, "ac"));
        ASSERT_EQ(c.GetRowCount(), 2);
        TNoticeLog log;
        log.Attach(&c);
        TObject* item = c.Items[removeTheirItem ? 0 : 1];
        c.RemoveItem(item);
        std::erase(c.Items, item);
        delete item;
        c.Refresh();
        EXPECT_EQ(c.IsIncrementalFiltering(), !removeTheirItem) << removeTheirItem;
        EXPECT_EQ(c.GetRowCount(), removeTheirItem ? 3 : 2) << removeTheirItem;
        EXPECT_EQ(c.GetSearch()->IsSearching(), !removeTheirItem) << removeTheirItem;
        EXPECT_EQ(c.GetSearch()->SearchItemIndex(), removeTheirItem ? -1 : 0) << removeTheirItem;
        EXPECT_EQ(log.Text.find("search") != std::string::npos, removeTheirItem) << log.Text;
        EXPECT_FALSE(c.GetSearch()->LocateNext(true));
    }
}

// What the owner hears, outside any bracket, for each of these requests.
TEST(qzCustomDataItemsTest, RequestsAnnouncedAtOnce) {
    struct Case {
        const char* Name;
        std::function<void(TRowController&)> Act;
        const char* Notices;
    } cases[] = {
        {"item indexes", [](TRowController& c) { c.UpdateItemIndexes(); }, "layout"},
        // the focused record (1) goes back to its stored place
        {"sorting cleared", [](TRowController& c) { c.GetInfo()->ClearSorting(false); },
         "layout row0>1 focus1>1 OnSorting"},
        {"sorting kept", [](TRowController& c) { c.GetInfo()->ClearSorting(true); },
         "layout row0>1 focus1>1 OnSorting"},
        {"edit entered", [](TRowController& c) { c.EditRecord(); }, "record1"},
    };
    for (const Case& k : cases) {
        TRowController c;
        c.Fill({{"b", 1}, {"a", 2}});
        c.ChangeItemSortOrder(0, soAscending);
        c.SetFocusedRecordIndex(1);
        TNoticeLog log;
        log.Attach(&c);
        k.Act(c);
        EXPECT_EQ(log.Text, k.Notices) << k.Name;
    }
}

// A provider that reads record by record: loading takes every row, appending takes the current one.
TEST(qzCustomDataItemsTest, RecordsReadFromTheProvidersPosition) {
    TReadingController c;
    c.Provider->Rows = {{"x", 1}, {"y", 2}, {"z", 3}};
    c.LoadData();
    EXPECT_EQ(Values(c), "x1 y2 z3");
    EXPECT_EQ(c.Provider->Loaded, (std::vector<Integer>{0, 1, 2}));

    TNoticeLog log;
    log.Attach(&c);
    c.Provider->Position = 1;
    EXPECT_EQ(c.AppendRecordFromSource(), 3);
    EXPECT_EQ(Values(c), "x1 y2 z3 y2");
    EXPECT_EQ(c.Provider->Loaded.back(), 3);
    EXPECT_EQ(log.Text.substr(0, 11), "data2/-1/-1");
}

// Group rows and record rows selected before a recomputation.
TEST(qzCustomDataItemsTest, SelectionAcrossRegroupingAndResorting) {
    // Re-sorted with the same grouping fields: the group rows are found again by their values, a
    // record row keeps its selection only while its group is expanded.
    for (const bool expanded : {true, false}) {
        TGroupedFixture f;
        f.C.ChangeItemGroupIndex(1, -1); // grouped by text: A (0, 1, 2), B (3)
        f.C.MultiSelect = true;
        TqzCustomDataControllerInfo* info = f.C.GetInfo();
        info->GetGroups()->MakeGroupVisible(0, true); // A, 0, 1, 2, B
        ASSERT_EQ(f.C.Rows(), "g0,0,1,2,g3");
        f.C.ChangeRowSelection(4, true); // B
        f.C.ChangeRowSelection(2, true); // record 1
        if (!expanded) {
            info->GetGroups()->Item(0)->Expanded = 0;
            info->MarkExpansionChanged();
            f.C.Refresh();
        }
        f.C.ChangeItemSortOrder(0, soDescending); // B before A
        EXPECT_EQ(f.C.Rows(), expanded ? "g3,g0,0,1,2" : "g3,g0") << expanded;
        std::string selected;
        for (Integer i = 0; i < f.C.GetSelectedCount(); ++i)
            selected += (i ? "," : "") + std::to_string(f.C.GetSelectedRowIndex(i));
        EXPECT_EQ(selected, expanded ? "0,3" : "0") << expanded;
    }
    // Grouped by another field: the selection is cleared entirely.
    TGroupedFixture f;
    f.C.ChangeItemGroupIndex(1, -1);
    f.C.MultiSelect = true;
    f.C.ChangeRowSelection(0, true);
    f.C.ChangeRowSelection(1, true);
    f.C.ChangeItemGroupIndex(0, -1);
    f.C.ChangeItemGroupIndex(1, 0);
    EXPECT_EQ(f.C.GetSelectedCount(), 0);
}

namespace {

// Counts what reaches the filter criteria.
class TCountingController : public TRowController {
public:
    bool MatchesFilter(Integer recordIndex) override {
        Reached.push_back(recordIndex);
        return TRowController::MatchesFilter(recordIndex);
    }
    std::vector<Integer> Reached;
};

struct TRejecter : public TObject {
    void Filter(TqzCustomDataController*, Integer record, bool& accept) { accept = record != 1; }
    void Listener(TObject*) { Log->Add("listener"); }
    TNoticeLog* Log = nullptr;
};

} // namespace

// A record the filter event rejects reaches neither the incremental filter nor the criteria.
TEST(qzCustomDataItemsTest, TheFilterEventRejectsBeforeTheTextAndTheCriteria) {
    TCountingController c;
    c.Fill({{"a", 1}, {"a", 2}, {"b", 3}, {"a", 4}});
    TRejecter rejecter;
    c.OnFilterRecord = TqzFilterRecordEvent(&rejecter, &TRejecter::Filter);
    c.GetFilter()->AddCondition(nullptr, c.Items[1], fokLess, 4);
    c.GetFilter()->SetActive(true);
    c.Reached.clear();
    c.FilterTextReads = 0;
    c.SetIncrementalFilter(0, "a");
    EXPECT_EQ(c.Rows(), "0");
    EXPECT_EQ(c.FilterTextReads, 3);                    // records 3, 2, 0
    EXPECT_EQ(c.Reached, (std::vector<Integer>{3, 0})); // record 2 failed the text
}

// Everything one bracket raises, delivered in one order.
TEST(qzCustomDataItemsTest, NoticesOfOneBracketInTheirOrder) {
    TRowController c;
    c.Fill({{"c", 1}, {"b", 2}, {"a", 3}});
    c.MultiSelect = true;
    c.SetFocusedRecordIndex(1);
    c.SaveFocus();
    ASSERT_TRUE(c.GetSearch()->Locate(0, "b"));
    TNoticeLog log;
    log.Attach(&c);
    TRejecter listener;
    listener.Log = &log;
    c.AddDataChangedListener(&listener, TNotifyEvent(&listener, &TRejecter::Listener));
    {
        TqzUpdateLock lock(&c);
        c.SetValue(2, 0, String("x"));
        c.ChangeRowSelection(0, true);
        c.ChangeItemGroupIndex(1, 0);
        c.ChangeItemSortOrder(0, soDescending);
        c.SetFocusedRecordIndex(0);
        c.GetSearch()->Cancel();
        c.DeleteRecord(1); // the saved focus goes with it
    }
    EXPECT_EQ(
        log.Text,
        "data4/-1/-1 OnDataChanged listener row1>0 focus1>0 sel[] search bookmark OnGrouping OnSorting");
    log.Text.clear();
    c.SetValue(0, 0, String("c")); // one value: the record's event, then the data event, then listeners
    EXPECT_EQ(log.Text, "data0/0/0 OnRecordChanged0/0 OnDataChanged listener");
}

namespace {

// Items identified by their index, as the owning grid identifies its columns.
class TIdentifiedController : public TRowController {
public:
    Integer GetItemID(TObject* item) override {
        for (std::size_t i = 0; i < Items.size(); ++i)
            if (Items[i] == item) return Integer(i);
        return -1;
    }
};

} // namespace

// The filter written into a component stream, as a window definition stores it, and read back by
// another controller: the "Criteria" property carries the tree (an OR root without children too).
TEST(qzCustomDataItemsTest, CriteriaTravelInAComponentStream) {
    struct Case {
        TqzFilterBoolOperatorKind Root;
        bool WithCondition;
        const char* Read; // the target's root kind and count; "kept" when nothing was written
    } cases[] = {{fboAnd, true, "and 1"}, {fboOr, false, "or 0"}, {fboAnd, false, "kept"}};
    for (const Case& k : cases) {
        TIdentifiedController source;
        source.GetFilter()->GetRoot()->SetBoolOperatorKind(k.Root);
        if (k.WithCondition) source.GetFilter()->AddCondition(nullptr, source.Items[1], fokGreater, 1);
        TMemoryStream stream;
        source.GetFilter()->WriteToComponentStream(&stream);

        TIdentifiedController target;
        target.Fill({{"a", 1}, {"b", 2}});
        target.GetFilter()->AddCondition(nullptr, target.Items[0], fokEqual, String("z"));
        target.GetFilter()->GetRoot()->SetBoolOperatorKind(fboOr);
        target.GetFilter()->SetActive(true);
        stream.Seek(0, soBeginning);
        target.GetFilter()->ReadFromComponentStream(&stream);
        TqzFilterCriteriaItemList* root = target.GetFilter()->GetRoot();
        const std::string read = std::string(root->GetBoolOperatorKind() == fboOr ? "or " : "and ") +
                                 std::to_string(root->Count());
        EXPECT_EQ(k.Read == std::string("kept") ? "or 1" : k.Read, read) << k.Read;
        if (k.WithCondition) {
            ASSERT_NE(target.GetFilter()->FindByItemLink(target.Items[1]), nullptr);
            EXPECT_EQ(target.Rows(), "1"); // read conditions filter the target's rows
        }
    }
}
