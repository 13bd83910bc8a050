// The data controller's rows: group tree, record comparison, filtering, sorting, grouping, focus,
// selection and expansion across recomputation.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "suite/data/qzCustomData.h"
#include "suite/data/qzData.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Streams.h"
#include "suite/foundation/qzVariants.h"
#include "tests/support/TestSupport.h"
#include "tests/suite/data/RowsFixture.h"

using namespace rowstest;

namespace {

// Compare and filter handlers with what they were asked.
struct THooks : public TObject {
    void Compare(TqzCustomDataController*, Integer, Integer, Integer, const Variant&, const Variant&,
                 Integer& result) {
        ++CompareCalls;
        if (CompareCalls == FailAt) throw EInvalidOperation("compare failed");
        if (RandomAnswers) result = Integer(Random() % 3) - 1;
    }
    void Filter(TqzCustomDataController* sender, Integer record, bool& accept) {
        ++FilterCalls;
        accept = record != RejectRecord && VarToStr(sender->GetValue(record, 0)) != RejectText;
    }
    int CompareCalls = 0;
    int FailAt = -1;
    bool RandomAnswers = false;
    std::mt19937 Random{7};
    int FilterCalls = 0;
    Integer RejectRecord = -1;
    String RejectText = "\x01";
};

std::string Items(TqzDataGroups* groups) {
    std::string s;
    for (Integer i = 0; i < groups->ItemCount(); ++i) {
        const TqzDataGroupInfo* g = groups->Item(i);
        s += (i ? " " : "") + std::to_string(g->Level) + ":" + std::to_string(g->Begin) + "-" +
             std::to_string(g->End) + "@" + std::to_string(g->RowIndex);
    }
    return s;
}

} // namespace

// ---- Group tree ----------------------------------------------------------------------------------

TEST(qzDataGroupsTest, TwoLevelsCollapseExpandAndMakeVisible) {
    TGroupedFixture f;
    TqzCustomDataControllerInfo* info = f.C.GetInfo();
    TqzDataGroups* groups = info->GetGroups();
    // A (children 1..2), A/1 (positions 0-1), A/2 (2), B (child 4), B/1 (3).
    EXPECT_EQ(Items(groups), "0:1-2@0 1:0-1@0 1:2-2@0 0:4-4@1 1:3-3@1");
    EXPECT_EQ(info->GetRowCount(), 2);
    EXPECT_EQ(f.C.Rows(), "g0,g3");

    groups->Item(0)->Expanded = 1;
    groups->UpdateRowIndexes();
    EXPECT_EQ(info->GetRowCount(), 4);
    EXPECT_EQ(f.C.Rows(), "g0,g0,g2,g3");
    groups->Item(1)->Expanded = 1;
    groups->UpdateRowIndexes();
    EXPECT_EQ(info->GetRowCount(), 6);
    EXPECT_EQ(f.C.Rows(), "g0,g0,0,1,g2,g3");
    EXPECT_EQ(info->GetRowInfo(2).Level, 2);

    groups->SetAllExpanded(false);
    EXPECT_TRUE(groups->MakeGroupVisible(2, true));
    EXPECT_EQ(f.C.Rows(), "g0,g0,g2,2,g3");
    EXPECT_FALSE(groups->MakeGroupVisible(2, true));
    EXPECT_EQ(groups->ChildCount(-1), 2);
    EXPECT_EQ(groups->ChildCount(0), 2);
    EXPECT_EQ(groups->ChildCount(1), 2);
    EXPECT_EQ(groups->GroupOfRow(3, 0), 0);
    EXPECT_EQ(groups->GroupOfRow(4, 1), 4);
    EXPECT_EQ(groups->GroupAtLevel(3, 0), 3);
}

TEST(qzDataGroupsTest, TopGroupsSortBySummaryOnlyWithOneLevel) {
    TGroupedFixture f;
    TqzDataGroups* groups = f.C.GetInfo()->GetGroups();
    groups->SummaryItemIndex = 0;
    const std::string before = Items(groups);
    groups->SortTopGroupsBySummary();
    EXPECT_EQ(Items(groups), before); // two levels: nothing

    f.C.ChangeItemGroupIndex(1, -1);
    ASSERT_EQ(groups->ItemCount(), 2);
    groups->Item(0)->SummaryValues = {Variant(5)};
    groups->Item(1)->SummaryValues = {Variant(3)};
    groups->SortTopGroupsBySummary();
    EXPECT_EQ(Items(groups), "0:3-3@0 0:0-2@1");
    groups->SummarySortOrder = soDescending;
    groups->SortTopGroupsBySummary();
    EXPECT_EQ(Items(groups), "0:0-2@0 0:3-3@1");
}

// ---- Sorting and comparison ----------------------------------------------------------------------

TEST(qzCustomDataRowsTest, SortingKeepsEqualKeysInStorageOrder) {
    TRowController c;
    c.Fill({{"b", 1}, {"a", 2}, {"b", 3}, {"a", 4}, {"b", 5}});
    c.ChangeItemSortOrder(0, soAscending);
    EXPECT_EQ(c.Rows(), "1,3,0,2,4");
    c.ChangeItemSortOrder(0, soDescending);
    EXPECT_EQ(c.Rows(), "0,2,4,1,3");
    EXPECT_EQ(c.CompareEqualRecords(INT_MIN + 1, INT_MAX), -1);
    EXPECT_EQ(c.CompareEqualRecords(INT_MAX, INT_MIN + 1), 1);
}

TEST(qzCustomDataRowsTest, TextComparisonUnderTheStringOptions) {
    struct Case {
        Word Options;
        const char* Rows; // abc, ABC, abd stored as 0, 1, 2
    } cases[] = {
        {0, "1,0,2"},                                // by value: ordinal, upper case first
        {dcoCaseInsensitive, "0,1,2"},               // upper-cased: abc = ABC
        {dcoAnsiSort, "0,1,2"},                      // locale order, case-sensitive
        {dcoAnsiSort | dcoCaseInsensitive, "0,1,2"}, // locale order, abc = ABC
    };
    for (const Case& k : cases) {
        TRowController c;
        c.Fill({{"abc", 0}, {"ABC", 0}, {"abd", 0}});
        c.SetOptions(k.Options);
        c.ChangeItemSortOrder(0, soAscending);
        EXPECT_EQ(c.Rows(), k.Rows) << k.Options;
        c.GetItemField(0)->CompareMode = 1;
        const Integer equal = c.CompareRecordsByField(0, 1, c.GetItemField(0));
        c.GetItemField(0)->CompareMode = 0;
        EXPECT_EQ(equal == 0, (k.Options & dcoCaseInsensitive) != 0) << k.Options;
    }
}

TEST(qzCustomDataRowsTest, ARaisingCompareHandlerLeavesNothingSet) {
    TRowController c;
    c.Fill({{"b", 1}, {"a", 2}, {"c", 3}});
    THooks hooks;
    hooks.FailAt = 2;
    c.OnCompare = TqzDataControllerCompareEvent(&hooks, &THooks::Compare);
    EXPECT_EQ(RaisedMessage([&] { c.ChangeItemSortOrder(0, soAscending); }), "compare failed");
    EXPECT_FALSE(c.GetInfo()->IsCalculating());
    EXPECT_EQ(c.GetInfo()->GetChanges(), 0);
    EXPECT_FALSE(c.SortingChangedFlag);
    EXPECT_EQ(c.GetItemField(0)->CompareMode, 0);
    EXPECT_EQ(c.GetLockCount(), 0);
    EXPECT_EQ(c.GetInfo()->GetLockCount(), 0);
}

TEST(qzCustomDataRowsTest, ARandomCompareHandlerCannotBreakTheSort) {
    TRowController c;
    c.SetRecordCount(1000);
    THooks hooks;
    hooks.RandomAnswers = true;
    c.OnCompare = TqzDataControllerCompareEvent(&hooks, &THooks::Compare);
    c.ChangeItemSortOrder(1, soAscending);
    std::vector<bool> seen(1000, false);
    for (Integer row = 0; row < c.GetRowCount(); ++row) seen[std::size_t(c.GetInfo()->GetRowRecordIndex(row))] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 1000);
}

TEST(qzCustomDataRowsTest, AnEditedRecordKeepsItsPlace) {
    TRowController c;
    c.Fill({{"b", 0}, {"d", 0}, {"f", 0}});
    c.ChangeItemSortOrder(0, soAscending);
    c.SetFocusedRecordIndex(1);
    c.GetProvider()->Edit();
    THooks hooks;
    hooks.RejectText = "z";
    c.OnFilterRecord = TqzFilterRecordEvent(&hooks, &THooks::Filter);
    c.SetValue(1, 0, String("z")); // filtered and sorted last were it not edited
    EXPECT_EQ(c.Rows(), "0,1,2");
    c.GetProvider()->Post();
    EXPECT_EQ(c.Rows(), "0,2");

    c.OnFilterRecord = nullptr;
    c.GetProvider()->Append();
    const Integer appended = c.GetProvider()->GetEditRecordIndex();
    c.SetValue(appended, 0, String("a"));
    c.GetProvider()->MarkModified();
    EXPECT_EQ(c.Rows(), "0,2,1," + std::to_string(appended)); // stays last
    c.GetProvider()->Post();
    EXPECT_EQ(c.Rows(), std::to_string(appended) + ",0,2,1");
}

// ---- Rows ------------------------------------------------------------------------------------------

TEST(qzCustomDataRowsTest, RowIndexesOutOfRange) {
    TGroupedFixture f;
    TqzCustomDataControllerInfo* info = f.C.GetInfo();
    for (Integer row : {Integer(-1), info->GetRowCount()}) {
        EXPECT_EQ(RaisedMessage([&] { info->GetRowInfo(row); }), "RowIndex out of range") << row;
        EXPECT_EQ(RaisedMessage([&] { info->NextRowAfterDelete(row); }), "RowIndex out of range") << row;
        EXPECT_EQ(RaisedMessage([&] { info->IsRowSelected(row); }), "RowIndex out of range") << row;
        EXPECT_EQ(RaisedMessage([&] { info->ChangeRowSelection(row, true); }), "RowIndex out of range") << row;
    }
}

TEST(qzCustomDataRowsTest, NextRowAfterDelete) {
    struct Case {
        bool Grouped;
        Integer Row, Next;
    } cases[] = {
        {false, 0, 1}, {false, 3, 2},
        // Grouped, expanded: A, A/1, 0, 1, A/2, 2, B, B/1, 3.
        {true, 0, 1},  // A, followed by a deeper row -> the next row
        {true, 2, 3},  // record -> next record
        {true, 3, 2},  // last record of A/1 -> previous record
        {true, 5, 6},  // only record of A/2 -> next row
        {true, 8, 7},  // last row -> previous row
        {true, 1, 2},  // A/1 -> its first record
        {true, 7, 8},  // B/1, alone on its level -> its record
    };
    for (const Case& k : cases) {
        TGroupedFixture f;
        if (!k.Grouped) {
            f.C.ChangeItemGroupIndex(0, -1);
            f.C.ChangeItemGroupIndex(1, -1);
        } else {
            f.C.GetInfo()->GetGroups()->SetAllExpanded(true);
        }
        EXPECT_EQ(f.C.GetInfo()->NextRowAfterDelete(k.Row), k.Next) << k.Grouped << " " << k.Row;
    }
}

TEST(qzCustomDataRowsTest, FiltersRunInOrderAndStopAtTheFirstRejection) {
    TRowController c;
    c.Fill({{"apple", 0}, {"avocado", 1}, {"banana", 2}, {"apricot", 3}});
    THooks hooks;
    hooks.RejectRecord = 3;
    c.OnFilterRecord = TqzFilterRecordEvent(&hooks, &THooks::Filter);
    c.FilterTextReads = 0;
    EXPECT_EQ(c.SetIncrementalFilter(0, "A"), 0);
    EXPECT_EQ(c.Rows(), "0,1");
    EXPECT_EQ(hooks.FilterCalls, 4);
    EXPECT_EQ(c.FilterTextReads, 3); // record 3 never reached the text test
    c.ChangeIncrementalFilterText("");
    EXPECT_EQ(c.Rows(), "0,1,2"); // an empty text lets every record pass
    c.ResetIncrementalFilter();
    EXPECT_FALSE(c.IsIncrementalFiltering());
}

TEST(qzCustomDataRowsTest, FindRowByText) {
    TRowController c;
    c.Fill({{"alpha", 0}, {"beta", 0}, {"gamma", 0}, {"beta two", 0}});
    EXPECT_EQ(c.FindRowByText(-1, 0, true, true, true, "be"), -1);
    EXPECT_EQ(c.FindRowByText(4, 0, true, true, true, "be"), -1);
    EXPECT_EQ(c.FindRowByText(2, 0, true, false, true, "BE"), 3);
    EXPECT_EQ(c.FindRowByText(2, 0, true, true, false, "beta"), 1); // wraps before the start
    EXPECT_EQ(c.FindRowByText(2, 0, false, false, true, "al"), 0);
    EXPECT_EQ(c.FindRowByText(1, 0, false, true, true, "gam"), 2);
    EXPECT_EQ(c.FindRowByText(1, 0, true, false, false, "bet"), -1);
}

TEST(qzCustomDataRowsTest, FocusTopRowAfterSortingClearsTheSelection) {
    TRowController c;
    c.Fill({{"c", 0}, {"a", 0}, {"b", 0}});
    c.SetOptions(c.GetOptions() | dcoFocusTopRowAfterSorting);
    c.SetFocusedRecordIndex(2);
    c.GetInfo()->ChangeRowSelection(1, true);
    ASSERT_EQ(c.GetInfo()->GetSelectedCount(), 1);
    c.ChangeItemSortOrder(0, soAscending);
    EXPECT_EQ(c.GetFocusedRowIndex(), 0);
    EXPECT_EQ(c.GetFocusedRecordIndex(), 1);
    EXPECT_EQ(c.GetInfo()->GetSelectedCount(), 0);
}

TEST(qzCustomDataRowsTest, FocusFollowsTheRecordAcrossAResort) {
    TRowController c;
    c.Fill({{"c", 0}, {"a", 0}, {"b", 0}});
    c.SetFocusedRecordIndex(0);
    c.GetInfo()->ChangeRowSelection(0, true);
    c.ChangeItemSortOrder(0, soAscending);
    EXPECT_EQ(c.GetFocusedRecordIndex(), 0);
    EXPECT_EQ(c.GetFocusedRowIndex(), 2);
    EXPECT_TRUE(c.GetInfo()->IsRowSelected(2)); // the selected record moved with its row
    EXPECT_FALSE(c.GetInfo()->IsRowSelected(0));
}

TEST(qzCustomDataRowsTest, OneRecomputationPerOutermostBracket) {
    TRowController c;
    c.Fill({{"c", 0}, {"a", 0}});
    c.Recomputations = 0;
    {
        TqzUpdateLock outer(&c);
        {
            TqzUpdateLock inner(&c);
            c.SetValue(0, 0, String("d"));
            c.ChangeItemSortOrder(0, soAscending);
        }
        c.SetValue(1, 0, String("e"));
        EXPECT_EQ(c.Recomputations, 0);
    }
    EXPECT_EQ(c.Recomputations, 1);
    EXPECT_EQ(c.Rows(), "0,1");
}

TEST(qzCustomDataRowsTest, ChangeBitsPassedOn) {
    struct Case {
        const char* Name;
        Word Expected;
    } cases[] = {
        {"sort", 1 | 4 | 128},   // the focused row moved with its record
        {"group", 1 | 2 | 4 | 32 | 256},
        {"select", 8},
        {"summary view", 1},
        {"focus", 4},
    };
    for (const Case& k : cases) {
        TRowController c;
        c.Fill({{"b", 0}, {"a", 0}});
        c.SetFocusedRecordIndex(0);
        c.Passed.clear();
        const std::string name = k.Name;
        if (name == "sort") c.ChangeItemSortOrder(0, soAscending);
        if (name == "group") c.ChangeItemGroupIndex(0, 0);
        if (name == "select") c.GetInfo()->ChangeRowSelection(1, true);
        if (name == "summary view") c.GetInfo()->RequestSummaryUpdate(true);
        if (name == "focus") c.GetInfo()->FocusRow(1);
        ASSERT_EQ(c.Passed.size(), 1u) << name;
        EXPECT_EQ(c.Passed[0], k.Expected) << name;
        EXPECT_FALSE(c.SortingChangedFlag || c.GroupingChangedFlag) << name;
    }
}

// ---- Selection and expansion ---------------------------------------------------------------------

TEST(qzCustomDataRowsTest, SelectingGroupAndRecordRows) {
    TGroupedFixture f;
    TqzCustomDataControllerInfo* info = f.C.GetInfo();
    info->GetGroups()->SetAllExpanded(true);
    info->ChangeRowSelection(6, true); // B
    info->ChangeRowSelection(2, true); // record 0
    TqzDataSelection* s = info->GetSelection();
    ASSERT_EQ(s->Count(), 2);
    EXPECT_EQ(s->Entry(0).RowIndex, 2);
    EXPECT_EQ(s->Entry(0).Level, 2);
    EXPECT_EQ(s->Entry(0).RecordIndex, 0);
    EXPECT_EQ(s->Entry(1).Level, -1);
    EXPECT_EQ(s->Entry(1).RecordIndex, 3); // B's item
    Integer index = -1;
    EXPECT_FALSE(s->FindRow(4, index));
    EXPECT_EQ(index, 1);
    s->Entry(0).RowIndex = 9;
    s->SortByRow();
    EXPECT_EQ(s->Entry(0).RowIndex, 6);
    info->ChangeRowSelection(6, false);
    EXPECT_EQ(s->Count(), 1);
}

TEST(qzCustomDataRowsTest, CheckSelectionTrimsToTheRecordCount) {
    TRowController c;
    c.Fill({{"a", 0}, {"b", 0}, {"c", 0}});
    TqzDataSelection* s = c.GetInfo()->GetSelection();
    s->ResizeEntries(3);
    c.GetStorage()->SetNumRecords(2);
    c.GetInfo()->CheckSelection();
    EXPECT_EQ(s->Count(), 2);
    c.GetStorage()->SetNumRecords(0);
    c.GetInfo()->CheckSelection();
    EXPECT_EQ(s->Count(), 0);
}

TEST(qzCustomDataRowsTest, ExpansionSurvivesARecomputation) {
    TGroupedFixture f;
    TqzCustomDataControllerInfo* info = f.C.GetInfo();
    info->GetGroups()->MakeGroupVisible(4, true); // B and B/1
    f.C.SetValue(0, 0, String("C"));               // A/1 splits; B stays expanded
    EXPECT_EQ(f.C.Rows(), "g1,g3,g3,3,g0");
    f.C.SetOptions(f.C.GetOptions() | dcoGroupsAlwaysExpanded);
    EXPECT_EQ(f.C.Rows(), "g1,g1,1,g2,2,g3,g3,3,g0,g0,0");

    TqzDataExpandingInfos* infos = info->GetExpandingInfos();
    infos->AddField(f.C.GetItemField(0));
    EXPECT_EQ(RaisedMessage([&] { infos->AddField(f.C.GetItemField(0)); }), "Item already exists");
    infos->Reset();
}

// ---- Search and locate -----------------------------------------------------------------------------

TEST(qzCustomDataSearchTest, LocateWrapsStartsAtTheFocusAndStepsWithoutWrapping) {
    TRowController c;
    c.Fill({{"apple", 0}, {"banana", 0}, {"avocado", 0}, {"cherry", 0}});
    TqzDataControllerSearch* search = c.GetSearch();
    c.SetFocusedRecordIndex(3);
    EXPECT_TRUE(search->Locate(0, "ap")); // only above the focus: wraps
    EXPECT_EQ(c.GetFocusedRecordIndex(), 0);
    EXPECT_TRUE(search->IsSearching()); // focusing the match did not end the search
    EXPECT_EQ(search->CurrentText(), "ap");

    EXPECT_TRUE(search->Locate(0, "a")); // the focused record matches: it stays
    EXPECT_EQ(c.GetFocusedRecordIndex(), 0);
    EXPECT_TRUE(search->LocateNext(true));
    EXPECT_EQ(c.GetFocusedRecordIndex(), 2);
    EXPECT_FALSE(search->LocateNext(true)); // the last match: nothing, focus kept
    EXPECT_EQ(c.GetFocusedRecordIndex(), 2);
    EXPECT_TRUE(search->LocateNext(false));
    EXPECT_EQ(c.GetFocusedRecordIndex(), 0);

    EXPECT_FALSE(search->Locate(0, ""));
    EXPECT_EQ(RaisedMessage([&] { search->SetSearchItem(5); }), "ItemIndex out of range");

    search->Lock();
    search->Cancel(); // locked: nothing
    EXPECT_TRUE(search->IsSearching());
    search->Unlock();
    c.SetFocusedRecordIndex(3); // any other focus change ends it
    EXPECT_FALSE(search->IsSearching());
    EXPECT_EQ(search->CurrentText(), "");
}

TEST(qzCustomDataSearchTest, KeyAndGroupLocate) {
    TRowController c;
    c.Fill({{"b", 2}, {"a", 1}, {"b", 1}, {"a", 2}});
    c.ChangeItemSortOrder(0, soAscending);
    c.ChangeItemSortOrder(1, soAscending);
    TqzValueDefUnboundReader reader;
    reader.StoreValue(c.GetItemField(0)->GetValueDef(), Variant(String("b")));
    reader.StoreValue(c.GetItemField(1)->GetValueDef(), Variant(1));

    struct Case {
        bool Binary;
        Integer Fields;
        Integer Found;
    } cases[] = {{true, 1, 0}, {true, 2, 2}, {false, 1, 0}, {false, 2, 2}};
    TqzDataControllerKeyLocateObject locate(&c);
    EXPECT_EQ(locate.FindRecord(), -1); // no locate record yet
    locate.ReadKeyValues(&reader);
    for (const Case& k : cases) {
        Integer found;
        if (k.Binary) {
            found = c.FindRecordByKeyBinary(locate.GetLocateRecord(), k.Fields);
            // binary search lands on some record of the matching range
            EXPECT_EQ(VarToStr(c.GetValue(found, 0)), "b");
            if (k.Fields == 2) {
                EXPECT_EQ(found, k.Found);
            }
        } else {
            locate.KeyFields.assign({c.GetItemField(0), c.GetItemField(1)});
            locate.KeyFields.resize(std::size_t(k.Fields));
            found = locate.FindRecord();
            EXPECT_EQ(found, k.Found) << k.Fields;
        }
    }
    locate.ReleaseRecord();
    EXPECT_EQ(locate.FindRecord(), -1);

    TRowController empty;
    TqzDataControllerKeyLocateObject none(&empty);
    none.ReadKeyValues(&reader);
    EXPECT_EQ(empty.FindRecordByKeyBinary(none.GetLocateRecord(), 1), -1);
}

// ---- Notification ----------------------------------------------------------------------------------

namespace {

// Listeners that log their calls and change the list while called.
struct TListeners : public TObject {
    void First(TObject*) {
        Log += "1";
        if (RemoveSelf) C->RemoveDataChangedListener(this, TNotifyEvent(this, &TListeners::First));
        if (RemoveSecond) C->RemoveDataChangedListener(this, TNotifyEvent(this, &TListeners::Second));
        if (AddThird) C->AddDataChangedListener(this, TNotifyEvent(this, &TListeners::Third));
    }
    void Second(TObject*) { Log += "2"; }
    void Third(TObject*) { Log += "3"; }
    TqzCustomDataController* C = nullptr;
    bool RemoveSelf = false, RemoveSecond = false, AddThird = false;
    std::string Log;
};

} // namespace

TEST(qzCustomDataNoticeTest, InfosOfOneBracket) {
    struct Case {
        const char* Name;
        const char* Expected;
    } cases[] = {
        {"value", "data0/0/1 OnRecordChanged1/0 OnDataChanged"},
        {"record", "data1/-1/1 OnRecordChanged1/-1 OnDataChanged"},
        {"added", "data2/-1/-1 OnDataChanged focus1>1"}, // the focused record is marked changed
        {"removed", "data3/-1/-1 OnDataChanged focus1>1"},
        {"everything", "data4/0/1 OnDataChanged"}, // two records: kind 4 with the last item and record
        {"layout", "layout"},
        {"update record", "record1"},
        {"focus", "row1>2 focus1>2"},
        {"select one", "sel[0]"},
        {"select three", "sel[]"}, // from one selected row to three
        {"search", "search"},
        {"bookmark", "bookmark"},
        {"sort", "layout OnSorting"},
        {"group", "layout OnGrouping"},
    };
    for (const Case& k : cases) {
        TRowController c;
        c.Fill({{"c", 1}, {"b", 2}, {"a", 3}});
        c.MultiSelect = true;
        c.SetFocusedRecordIndex(1);
        TNoticeLog log;
        log.Attach(&c);
        const std::string name = k.Name;
        if (name == "select three") {
            c.GetInfo()->ChangeRowSelection(0, true);
            log.Text.clear();
        }
        {
            TqzUpdateLock lock(&c);
            if (name == "value") c.SetValue(1, 0, String("x"));
            if (name == "record") {
                c.SetValue(1, 0, String("x"));
                c.SetValue(1, 1, 7);
            }
            if (name == "added") c.DataChanged(dcRecordsAdded, -1, -1);
            if (name == "removed") c.DataChanged(dcRecordsRemoved, -1, -1);
            if (name == "everything") {
                c.SetValue(0, 0, String("x"));
                c.SetValue(1, 0, String("y"));
            }
            if (name == "layout") c.Change(1);
            if (name == "update record") c.Change(2048);
            if (name == "focus") c.SetFocusedRecordIndex(2);
            if (name == "select one") c.GetInfo()->ChangeRowSelection(0, true);
            if (name == "select three") {
                c.GetInfo()->ChangeRowSelection(1, true);
                c.GetInfo()->ChangeRowSelection(2, true);
            }
            if (name == "search") c.Change(64);
            if (name == "bookmark") c.Change(1024);
            if (name == "sort") c.ChangeItemSortOrder(1, soDescending);
            if (name == "group") c.ChangeItemGroupIndex(1, 0);
            EXPECT_EQ(log.Text, "") << name; // nothing while the bracket holds
        }
        EXPECT_EQ(log.Text, k.Expected) << name;
    }
}

TEST(qzCustomDataNoticeTest, SelectionInfosFromOneRowToThreeAndBack) {
    TRowController c;
    c.Fill({{"a", 0}, {"b", 0}, {"c", 0}, {"d", 0}});
    c.MultiSelect = true;
    TNoticeLog log;
    log.Attach(&c);
    TqzCustomDataControllerInfo* info = c.GetInfo();
    info->ChangeRowSelection(0, true);
    info->ChangeRowSelection(1, true);
    info->ChangeRowSelection(2, true);
    info->ChangeRowSelection(2, false);
    info->ChangeRowSelection(1, false);
    info->ChangeRowSelection(0, false);
    EXPECT_EQ(log.Text, "sel[0] sel[] sel[] sel[] sel[] sel[0]");
}

TEST(qzCustomDataNoticeTest, ListenersSurviveChangesDuringTheWalk) {
    struct Case {
        bool RemoveSelf, RemoveSecond, AddThird;
        const char* First;
        const char* Second;
    } cases[] = {
        {false, false, false, "12", "12"},
        {true, false, false, "12", "2"},
        {false, true, false, "1", "1"},
        {false, false, true, "12", "123"}, // the added one waits for the next notice
    };
    for (const Case& k : cases) {
        TRowController c;
        TListeners l;
        l.C = &c;
        l.RemoveSelf = k.RemoveSelf;
        l.RemoveSecond = k.RemoveSecond;
        l.AddThird = k.AddThird;
        c.AddDataChangedListener(&l, TNotifyEvent(&l, &TListeners::First));
        c.AddDataChangedListener(&l, TNotifyEvent(&l, &TListeners::Second));
        c.SetRecordCount(1);
        EXPECT_EQ(l.Log, k.First);
        l.Log.clear();
        l.AddThird = false;
        c.SetRecordCount(2);
        EXPECT_EQ(l.Log, k.Second);
    }
}

TEST(qzCustomDataNoticeTest, DeferredWhileTheOwnerLoadsAndQuietWhileItIsRead) {
    TComponent owner(nullptr);
    class TOwned : public TqzDataController {
    public:
        using TqzDataController::TqzDataController;
        TObject* GetItem(Integer) const override { return nullptr; }
    } c(&owner);
    TNoticeLog log;
    log.Attach(&c);
    owner.IncludeComponentState(csLoading);
    owner.IncludeComponentState(csReading);
    c.SetRecordCount(1);
    c.SetRecordCount(2);
    c.Change(128 | 256);
    EXPECT_EQ(log.Text, "data2/-1/-1 data2/-1/-1");
    EXPECT_TRUE(c.IsDataChangedDeferred());
    owner.ExcludeComponentState(csLoading);
    owner.ExcludeComponentState(csReading);
    c.Loaded();
    EXPECT_EQ(log.Text, "data2/-1/-1 data2/-1/-1 OnDataChanged");
}

// ---- Data filter -----------------------------------------------------------------------------------

namespace {

// Records what a filer is offered and plays a writer, then a reader, with the binary data.
class TCapturingFiler : public TFiler {
public:
    TCapturingFiler() : TFiler(nullptr) {}
    void DefineProperty(const String&, const TReaderProc&, const TWriterProc&, bool) override {}
    void DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override {
        Name = name;
        HasData = hasData;
        if (Reading) {
            Data.SetPosition(0);
            readData(&Data);
        } else if (hasData) {
            writeData(&Data);
        }
    }
    String Name;
    bool HasData = false;
    bool Reading = false;
    TMemoryStream Data;
};

struct TFilterLog : public TObject {
    void Changed(TObject*) { ++Changes; }
    void ValueList(TqzFilterCriteria*, Integer item, TqzDataFilterValueList* list) {
        Asked.push_back(item);
        Sizes.push_back(list->Count());
    }
    int Changes = 0;
    std::vector<Integer> Asked, Sizes;
};

std::string Entries(TqzDataFilterValueList* list) {
    std::string s;
    for (Integer i = 0; i < list->Count(); ++i) s += (i ? "|" : "") + list->Items(i).DisplayText;
    return s;
}

} // namespace

TEST(qzDataFilterTest, ActiveCriteriaFilterTheRowsAndNotifyOnce) {
    TRowController c;
    c.Fill({{"a", 1}, {"b", 2}, {"c", 3}});
    TqzDataFilterCriteria* filter = c.GetFilter();
    TFilterLog log;
    filter->OnChanged = TNotifyEvent(&log, &TFilterLog::Changed);
    filter->AddCondition(nullptr, c.Items[1], fokGreater, 1); // a client item names its field
    EXPECT_EQ(c.Rows(), "0,1,2");                            // not active yet
    log.Changes = 0;
    filter->SetActive(true);
    filter->SetActive(true);
    EXPECT_EQ(log.Changes, 1);
    EXPECT_EQ(c.Rows(), "1,2");
    ASSERT_NE(filter->FindByItemLink(c.Items[1]), nullptr);
    EXPECT_EQ(filter->FindByItemLink(c.Items[1])->GetItemLink(), c.GetItemField(1));

    // An extra filter changes without refiltering the controller.
    TqzDataFilterCriteria* extra = c.CreateFilter();
    extra->SetActive(true);
    c.Recomputations = 0;
    extra->AddCondition(nullptr, c.Items[0], fokEqual, String("a"));
    EXPECT_EQ(c.Recomputations, 0);

    filter->ClearTree();
    filter->GetRoot()->SetBoolOperatorKind(fboOr);
    EXPECT_FALSE(filter->IsFiltering()); // an OR root without children filters nothing
    EXPECT_EQ(c.Rows(), "0,1,2");
}

TEST(qzDataFilterTest, CriteriaPropertyIsStoredAndReadBack) {
    struct Case {
        TqzFilterBoolOperatorKind Root;
        bool WithCondition;
        bool Stored;
    } cases[] = {{fboAnd, false, false}, {fboOr, false, true}, {fboAnd, true, true}};
    for (const Case& k : cases) {
        TRowController c;
        TqzDataFilterCriteria* filter = c.GetFilter();
        filter->GetRoot()->SetBoolOperatorKind(k.Root);
        if (k.WithCondition) filter->AddCondition(nullptr, c.Items[0], fokEqual, String("x"));
        TCapturingFiler writer;
        static_cast<TPersistent*>(filter)->DefineProperties(&writer);
        EXPECT_EQ(writer.Name, "Criteria");
        EXPECT_EQ(writer.HasData, k.Stored) << k.Root << k.WithCondition;
        if (!k.Stored) continue;

        TRowController other;
        TCapturingFiler reader;
        reader.Reading = true;
        reader.Data.CopyFrom(&writer.Data, 0);
        static_cast<TPersistent*>(other.GetFilter())->DefineProperties(&reader);
        EXPECT_EQ(other.GetFilter()->GetRoot()->GetBoolOperatorKind(), k.Root);
        EXPECT_EQ(other.GetFilter()->GetRoot()->Count(), k.WithCondition ? 1 : 0);
        if (k.WithCondition) {
            EXPECT_EQ(other.GetFilter()->FindByItemLink(other.Items[0])->GetItemLink(), other.GetItemField(0));
        }
    }
}

TEST(qzDataFilterTest, ValueListsOfAnItem) {
    TRowController c;
    c.Fill({{"b", 1}, {"", 2}, {"a", 3}, {"b", 4}});
    c.SetValue(3, 1, Null());
    TqzDataFilterCriteria* filter = c.GetFilter();
    TFilterLog log;
    filter->OnGetValueList = TqzDataFilterGetValueListEvent(&log, &TFilterLog::ValueList);
    std::unique_ptr<TqzDataFilterValueList> list(filter->CreateValueList());

    list->Load(0); // no nulls: an empty string is a value
    EXPECT_EQ(Entries(list.get()), "(All)|(Custom...)||a|b");
    TqzFilterCriteriaOptions options = filter->GetOptions();
    options.Include(fcoSoftNull);
    filter->SetOptions(options);
    list->Load(0); // the empty string counts as blank now
    EXPECT_EQ(Entries(list.get()), "(All)|(Custom...)|(Blanks)|(NonBlanks)|a|b");
    list->Load(1);
    EXPECT_EQ(Entries(list.get()), "(All)|(Custom...)|(Blanks)|(NonBlanks)|1|2|3");
    filter->SetMaxValueListCount(5);
    list->Load(1);
    EXPECT_EQ(Entries(list.get()), "(All)|(Custom...)|(Blanks)|(NonBlanks)|1");
    EXPECT_EQ(log.Asked, (std::vector<Integer>{0, 0, 1, 1}));
    EXPECT_EQ(log.Sizes.back(), 5);
}

// ---- Record keys across a full update --------------------------------------------------------------

namespace {

// Records by handle; the handle is the key. Deleting announces a change of everything.
std::string SelectedRecords(TqzCustomDataController& c) {
    std::string s;
    TqzDataSelection* sel = c.GetInfo()->GetSelection();
    for (Integer i = 0; i < sel->Count(); ++i)
        s += (i ? "," : "") + std::to_string(sel->Entry(i).RecordIndex) + "@" + std::to_string(sel->Entry(i).RowIndex);
    return s;
}

} // namespace

TEST(qzCustomDataKeysTest, SelectionFollowsItsRecordsAcrossAFullUpdate) {
    TRowController c;
    TKeyedSource source;
    c.GetProvider()->SetRecordSource(&source);
    ASSERT_EQ(c.GetRecordCount(), 4);
    ASSERT_TRUE(c.HasRecordKeys());
    for (Integer row : {0, 1, 3}) c.GetInfo()->ChangeRowSelection(row, true);
    c.LockFullUpdate();
    source.Remove(20); // record 1 goes; 30 and 40 move down
    c.UnlockFullUpdate();
    EXPECT_EQ(SelectedRecords(c), "0@0,2@2");
    EXPECT_EQ(c.GetLockCount(), 0);
    c.GetProvider()->SetRecordSource(nullptr);
}

TEST(qzCustomDataKeysTest, WithoutKeysTheBracketOnlyRechecksTheSelection) {
    TRowController c;
    c.Fill({{"a", 0}, {"b", 0}, {"c", 0}});
    EXPECT_FALSE(c.HasRecordKeys());
    c.GetInfo()->ChangeRowSelection(2, true);
    c.LockFullUpdate();
    c.SetRecordCount(2);
    c.UnlockFullUpdate();
    EXPECT_EQ(c.GetInfo()->GetSelectedCount(), 0);
}

TEST(qzCustomDataNoticeTest, CancellingASearchAndLosingTheFocusedRecordToTheFilter) {
    TRowController c;
    c.Fill({{"a", 1}, {"b", 2}, {"c", 3}});
    TNoticeLog log;
    log.Attach(&c);
    ASSERT_TRUE(c.GetSearch()->Locate(0, "c"));
    log.Text.clear();
    c.GetSearch()->Cancel();
    EXPECT_EQ(log.Text, "search");

    // The filter takes the focused record away: the focus goes to row 0.
    c.GetFilter()->AddCondition(nullptr, c.Items[1], fokLess, 3);
    c.GetFilter()->SetActive(true);
    EXPECT_EQ(c.Rows(), "0,1");
    EXPECT_EQ(c.GetFocusedRowIndex(), 0);
    EXPECT_EQ(c.GetFocusedRecordIndex(), 0);
}
