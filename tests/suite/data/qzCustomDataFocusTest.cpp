// The data controller's focus, navigation, saved focus and selection, and its loading and refresh
// check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "suite/data/qzCustomData.h"
#include "tests/suite/data/RowsFixture.h"

using namespace rowstest;

namespace {

// Five records e, d, c, b, a sorted ascending: rows 0..4 show records 4, 3, 2, 1, 0.
struct TFiveFixture {
    TFiveFixture() {
        C.Fill({{"e", 5}, {"d", 4}, {"c", 3}, {"b", 2}, {"a", 1}});
        C.ChangeItemSortOrder(0, soAscending);
    }
    TRowController C;
    TNoticeLog Log;
};

// Rejects the records whose text is Reject.
struct THooksFilter : public TObject {
    void Filter(TqzCustomDataController* sender, Integer record, bool& accept) {
        accept = VarToStr(sender->GetValue(record, 0)) != Reject;
    }
    String Reject;
};

// Rejects record 1.
struct THooksFilterRef : public TObject {
    void Filter(TqzCustomDataController*, Integer record, bool& accept) { accept = record != 1; }
};

void AddRow(void* data, Integer row, const TqzDataRowInfo& info) {
    auto* s = static_cast<std::string*>(data);
    *s += (s->empty() ? "" : ",") + std::to_string(row) + ":" + std::to_string(info.Position);
}

std::string Selected(TqzCustomDataController& c) {
    std::string s;
    for (Integer i = 0; i < c.GetSelectedCount(); ++i) s += (i ? "," : "") + std::to_string(c.GetSelectedRowIndex(i));
    return s;
}

} // namespace

// ---- Focus and navigation --------------------------------------------------------------------------

TEST(qzCustomDataFocusTest, NavigationFromEachStart) {
    struct Case {
        const char* Step;
        Integer Start; // focused row before the step; -1 none
        Integer Expected;
    } cases[] = {
        {"first", 3, 0},  {"last", 1, 4},    {"next", 2, 3},     {"next", 4, 4},     {"next", -1, 0},
        {"prev", 2, 1},   {"prev", 0, 0},    {"prev", -1, 0},    {"by-3", 2, 0},     {"by-3", 4, 1},
        {"by+100", 1, 4}, {"by+100", -1, 4}, {"byMax", 2, 4},
    };
    for (const Case& k : cases) {
        TFiveFixture f;
        f.C.ChangeFocusedRowIndex(k.Start);
        const std::string step = k.Step;
        if (step == "first") f.C.GotoFirst();
        if (step == "last") f.C.GotoLast();
        if (step == "next") f.C.GotoNext();
        if (step == "prev") f.C.GotoPrev();
        if (step == "by-3") f.C.MoveBy(-3);
        if (step == "by+100") f.C.MoveBy(100);
        if (step == "byMax") f.C.MoveBy(Integer(0x7FFFFFFF));
        EXPECT_EQ(f.C.GetFocusedRowIndex(), k.Expected) << step << " from " << k.Start;
        EXPECT_EQ(f.C.GetFocusedRecordIndex(), 4 - k.Expected) << step << " from " << k.Start;
    }
}

TEST(qzCustomDataFocusTest, BeginningAndEndOfTheRows) {
    struct Case {
        Integer Records;
        Integer Focused;
        bool Bof, Eof;
    } cases[] = {
        {0, -1, true, true}, // no rows
        {3, -1, false, false},
        {3, 0, true, false},
        {3, 1, false, false},
        {3, 2, false, true},
        {1, 0, true, true},
    };
    for (const Case& k : cases) {
        TRowController c;
        c.SetRecordCount(k.Records);
        c.ChangeFocusedRowIndex(k.Focused);
        EXPECT_EQ(c.IsBOF(), k.Bof) << k.Records << "/" << k.Focused;
        EXPECT_EQ(c.IsEOF(), k.Eof) << k.Records << "/" << k.Focused;
    }
}

TEST(qzCustomDataFocusTest, FocusingClampsAndReportsOnlyRealChanges) {
    TFiveFixture f;
    f.Log.Attach(&f.C);
    f.C.ChangeFocusedRowIndex(99);
    EXPECT_EQ(f.C.GetFocusedRowIndex(), 4);
    EXPECT_EQ(f.Log.Text, "row-1>4 focus-1>0");
    f.Log.Text.clear();
    f.C.GotoNext(); // already on the last row
    f.C.ChangeFocusedRowIndex(4);
    EXPECT_EQ(f.Log.Text, "");
    f.C.ChangeFocusedRowIndex(-2);
    EXPECT_EQ(f.C.GetFocusedRowIndex(), -1);
    EXPECT_EQ(f.C.GetFocusedRecordIndex(), -1);

    f.C.ChangeFocusedRecordIndex(2);
    EXPECT_EQ(f.C.GetFocusedRowIndex(), 2);
    f.C.ChangeFocusedRecordIndex(-1);
    EXPECT_EQ(f.C.GetFocusedRowIndex(), -1);
    f.C.CheckFocusedRowExists();
    EXPECT_EQ(f.C.GetFocusedRowIndex(), 0);
    EXPECT_EQ(RaisedMessage([&] { f.C.GetRowIndexByRecordIndex(5, false); }), "RecordIndex out of range");
}

TEST(qzCustomDataFocusTest, GroupedRecordMadeVisibleWhenFocused) {
    TGroupedFixture f;
    EXPECT_EQ(f.C.GetRowIndexByRecordIndex(3, false), -1); // B collapsed
    f.C.ChangeFocusedRecordIndex(3);
    EXPECT_EQ(f.C.Rows(), "g0,g3,g3,3");
    EXPECT_EQ(f.C.GetFocusedRowIndex(), 3);
}

TEST(qzCustomDataFocusTest, RestoringTheFocusAfterADelete) {
    struct Case {
        Integer Restore; // RestoreFocusRecordIndex
        Integer Focused; // row focused before
        bool Locked;
        Integer Expected;
    } cases[] = {
        {2, 0, false, 2}, {7, 0, false, 0}, {-1, -1, false, 4}, {-1, -1, true, -1}, {-1, 1, false, 1},
    };
    for (const Case& k : cases) {
        TFiveFixture f;
        f.C.ChangeFocusedRowIndex(k.Focused);
        f.C.RestoreFocusRecordIndex = k.Restore;
        if (k.Locked) f.C.LockUpdates();
        f.C.RestoreFocusAfterDelete();
        if (k.Locked) f.C.UnlockUpdates();
        EXPECT_EQ(f.C.GetFocusedRowIndex(), k.Expected) << k.Restore << "/" << k.Focused;
    }
}

TEST(qzCustomDataFocusTest, AFilterTakingTheFocusedRecordFocusesTheFirstRowUnlessLocating) {
    for (bool locating : {false, true}) {
        TFiveFixture f;
        f.C.ChangeFocusedRecordIndex(1);
        THooksFilterRef filter;
        if (locating) f.C.GetProvider()->BeginLocate();
        f.C.OnFilterRecord = TqzFilterRecordEvent(&filter, &THooksFilterRef::Filter);
        f.C.FilterChanged();
        if (locating) f.C.GetProvider()->EndLocate();
        EXPECT_EQ(f.C.GetFocusedRowIndex(), locating ? -1 : 0) << locating;
    }
}

namespace {

// A provider that keeps its data set's record in step with the focus.
class TSyncProvider : public TqzCustomDataProvider {
public:
    using TqzCustomDataProvider::TqzCustomDataProvider;
    bool IsSyncMode() const override { return true; }
};

class TSyncController : public TRowController {
public:
    TSyncController() { ReplaceProvider(new TSyncProvider(this)); }
    bool CanChangeFocusedRow() override { return Allow; }
    bool Allow = true;
};

} // namespace

TEST(qzCustomDataFocusTest, ASynchronisedProviderMayRefuseToLeaveTheRow) {
    TSyncController c;
    c.Fill({{"a", 1}, {"b", 2}, {"c", 3}});
    EXPECT_TRUE(c.ChangeFocusedRowIndex(1));
    c.Allow = false;
    EXPECT_FALSE(c.ChangeFocusedRowIndex(2));
    EXPECT_EQ(c.GetFocusedRowIndex(), 1);
    EXPECT_TRUE(c.ChangeFocusedRowIndex(1)); // staying is no change
    c.GetProvider()->FInInserting = true;     // an insert started from the data set moves anyway
    EXPECT_TRUE(c.ChangeFocusedRowIndex(2));
    EXPECT_EQ(c.GetFocusedRowIndex(), 2);
}

namespace {

// A provider showing a window of the records unless all of them must be loaded.
class TWindowProvider : public TqzCustomDataProvider {
public:
    using TqzCustomDataProvider::TqzCustomDataProvider;
    bool IsGridMode() const override { return Window && !GetLoadAllNeeded(); }
    bool Window = false;
};

class TWindowController : public TRowController {
public:
    TWindowController() { ReplaceProvider(Provider = new TWindowProvider(this)); }
    void StructureChangedUpdate() override {
        ++StructureChanges;
        TRowController::StructureChangedUpdate();
    }
    TWindowProvider* Provider;
    int StructureChanges = 0;
};

} // namespace

TEST(qzCustomDataFocusTest, GroupingLeavesAndReentersTheWindowMode) {
    TWindowController c;
    c.Fill({{"b", 1}, {"a", 2}, {"b", 3}});
    c.Provider->Window = true;
    c.ChangeItemGroupIndex(0, 0);
    EXPECT_EQ(c.StructureChanges, 1);
    EXPECT_FALSE(c.Provider->IsGridMode());
    EXPECT_EQ(c.GetRecordCount(), 3);
    EXPECT_EQ(c.Rows(), "g1,g0");
    c.Refresh();
    EXPECT_EQ(c.StructureChanges, 1); // no change of mode: no rebuild
    c.ChangeItemGroupIndex(0, -1);
    EXPECT_EQ(c.StructureChanges, 2);
    EXPECT_TRUE(c.Provider->IsGridMode());
}

// ---- Saved focus -----------------------------------------------------------------------------------

TEST(qzCustomDataFocusTest, SavedFocusIsKeptRestoredAndLost) {
    TFiveFixture f;
    f.C.ChangeFocusedRecordIndex(1);
    EXPECT_FALSE(f.C.HasSavedFocus());
    EXPECT_TRUE(f.C.SaveFocus());
    EXPECT_FALSE(f.C.SaveFocus());
    EXPECT_TRUE(f.C.IsSavedFocusRow(3));
    EXPECT_FALSE(f.C.IsSavedFocusRow(2));
    f.C.GotoFirst();
    f.C.RestoreSavedFocus();
    EXPECT_EQ(f.C.GetFocusedRecordIndex(), 1);

    // A record deleted before the saved one moves it down with its record.
    f.C.DeleteRecord(0);
    EXPECT_EQ(f.C.GetBookmarkRecordIndex(), 0);
    EXPECT_EQ(VarToStr(f.C.GetValue(f.C.GetBookmarkRecordIndex(), 0)), "d");

    // Filtered out: forgotten with one bookmark notice.
    f.Log.Attach(&f.C);
    f.Log.Text.clear();
    THooksFilter filter;
    filter.Reject = "d";
    f.C.OnFilterRecord = TqzFilterRecordEvent(&filter, &THooksFilter::Filter);
    f.C.FilterChanged();
    EXPECT_FALSE(f.C.HasSavedFocus());
    EXPECT_EQ(f.Log.Text.find("bookmark"), f.Log.Text.rfind("bookmark"));
    EXPECT_NE(f.Log.Text.find("bookmark"), std::string::npos);

    // The saved record itself deleted.
    f.C.OnFilterRecord = TqzFilterRecordEvent();
    f.C.FilterChanged();
    f.C.ChangeFocusedRecordIndex(2);
    f.C.SaveFocus();
    f.C.DeleteRecord(2);
    EXPECT_FALSE(f.C.HasSavedFocus());
}

// ---- Selection -------------------------------------------------------------------------------------

TEST(qzCustomDataFocusTest, SingleSelectCountsTheFocusedRowWhileItIsSelected) {
    TFiveFixture f;
    f.Log.Attach(&f.C);
    EXPECT_EQ(f.C.GetSelectedCount(), 0); // nothing focused
    f.C.ChangeFocusedRowIndex(1);
    EXPECT_EQ(Selected(f.C), "1");
    EXPECT_TRUE(f.C.IsRowSelected(1));
    f.Log.Text.clear();
    f.C.SetFocusedRowSelected(false);
    EXPECT_EQ(f.C.GetSelectedCount(), 0);
    EXPECT_FALSE(f.C.IsRowSelected(1));
    EXPECT_EQ(f.Log.Text, "sel[1]"); // from row 1 to none
    f.Log.Text.clear();
    f.C.ChangeFocusedRowIndex(3); // a focus change selects the focused row again
    EXPECT_EQ(Selected(f.C), "3");
    EXPECT_EQ(f.Log.Text, "row1>3 focus3>1 sel[3]");
    f.C.SetFocusedRowSelected(false);
    f.Log.Text.clear();
    f.C.SetFocusedRecordIndex(4); // also when the focus is set directly
    EXPECT_EQ(f.Log.Text, "row3>0 focus1>4 sel[0]");
    f.C.ChangeRowSelection(0, true); // not without MultiSelect
    f.C.SelectRows(0, 4);
    EXPECT_EQ(Selected(f.C), "0");
}

TEST(qzCustomDataFocusTest, SelectingRangesFromTheAnchor) {
    TFiveFixture f;
    f.C.MultiSelect = true;
    f.C.SelectRows(4, 2);
    EXPECT_EQ(Selected(f.C), "2,3,4");
    EXPECT_FALSE(f.C.IsSelectionAnchorSet());
    f.C.SelectFromAnchor(0, false); // no anchor: nothing
    EXPECT_EQ(Selected(f.C), "2,3,4");
    f.C.SetSelectionAnchor(1);
    EXPECT_EQ(f.C.GetSelectionAnchorRowIndex(), 1);
    f.C.SelectFromAnchor(0, true);
    EXPECT_EQ(Selected(f.C), "0,1,2,3,4");
    f.C.SelectFromAnchor(2, false);
    EXPECT_EQ(Selected(f.C), "1,2");
    for (Integer row : {-1, 5})
        EXPECT_EQ(RaisedMessage([&] { f.C.SetSelectionAnchor(row); }), "RowIndex out of range") << row;

    std::string rows;
    f.C.ForEachRow(true, &AddRow, &rows);
    EXPECT_EQ(rows, "1:3,2:2");
    rows.clear();
    f.C.ForEachRow(false, &AddRow, &rows);
    EXPECT_EQ(rows, "0:4,1:3,2:2,3:1,4:0");

    f.C.ChangeFocusedRowIndex(4);
    f.C.SelectFocusedRowOnly();
    EXPECT_EQ(Selected(f.C), "4");
    f.C.SelectAll();
    EXPECT_EQ(Selected(f.C), "0,1,2,3,4");
    f.C.ClearSelection();
    EXPECT_EQ(f.C.GetSelectedCount(), 0);
    f.C.ChangeRowSelection(3, true);
    EXPECT_TRUE(f.C.FocusSelectedRow(0));
    EXPECT_EQ(f.C.GetFocusedRowIndex(), 3);
}

TEST(qzCustomDataFocusTest, TheOneSelectedRowIsRememberedWhereItMoves) {
    TRowController c;
    c.Fill({{"c", 0}, {"a", 0}, {"b", 0}});
    c.MultiSelect = true;
    TNoticeLog log;
    log.Attach(&c);
    c.ChangeRowSelection(0, true); // record 0
    c.ChangeItemSortOrder(0, soAscending);
    ASSERT_TRUE(c.IsRowSelected(2));
    log.Text.clear();
    c.ChangeRowSelection(2, false);
    EXPECT_EQ(log.Text, "sel[2]"); // the row the record moved to, not the one it was selected on
}

TEST(qzCustomDataFocusTest, DeletingTheLastRecordClearsTheSelection) {
    TRowController c;
    c.Fill({{"a", 0}});
    c.MultiSelect = true;
    c.ChangeRowSelection(0, true);
    c.SetSelectionAnchor(0);
    c.DeleteRecord(0);
    EXPECT_EQ(c.GetSelectedCount(), 0);
    EXPECT_FALSE(c.IsSelectionAnchorSet());
}

// ---- Sorting entry points --------------------------------------------------------------------------

TEST(qzCustomDataFocusTest, SortOrderOfItemsAndTheSortingEvent) {
    TRowController c;
    c.Fill({{"b", 2}, {"a", 1}});
    TNoticeLog log;
    log.Attach(&c);
    c.ChangeFocusedRowIndex(0);
    c.GetProvider()->Edit();
    c.SetValue(0, 1, 9);
    ASSERT_TRUE(c.GetProvider()->IsEditing());
    log.Text.clear();
    c.ChangeItemSortOrder(0, soDescending);
    EXPECT_FALSE(c.GetProvider()->IsEditing()); // posted first
    EXPECT_EQ(log.Text.find("OnSorting"), log.Text.rfind("OnSorting"));
    EXPECT_NE(log.Text.find("OnSorting"), std::string::npos);
    log.Text.clear();
    c.ChangeItemSortOrder(0, soDescending); // unchanged: nothing
    EXPECT_EQ(log.Text, "");

    c.ChangeItemGroupIndex(1, 0);
    c.ChangeItemSortOrder(0, soNone);
    EXPECT_EQ(c.GetItemSortingIndex(1), -1);
    EXPECT_EQ(c.GetItemSortOrder(1), soAscending); // grouped only: the grouping's order
    EXPECT_EQ(c.GetItemSortOrder(0), soNone);
    EXPECT_EQ(RaisedMessage([&] { c.ChangeItemSortOrder(2, soAscending); }), "ItemIndex out of range");
}

TEST(qzCustomDataFocusTest, GroupsOrderedByASummaryKeepTheirValueOrderOnEqualSummaries) {
    TRowController c;
    std::vector<std::pair<const char*, Integer>> rows;
    const char* texts[] = {"k", "c", "h", "a", "f", "l", "b", "e", "j", "d", "i", "g"};
    for (const char* t : texts) rows.push_back({t, 0});
    c.Fill(rows);
    c.ChangeItemGroupIndex(0, 0);
    const std::string byValue = c.Rows();
    TCollection items(TCollectionItemClass(TCollectionItem::StaticClass(),
                                           [](TCollection* owner) -> TCollectionItem* { return new TCollectionItem(owner); }));
    TCollectionItem* item = items.Add();
    c.SetSummarySortItem(item);
    EXPECT_TRUE(c.IsSortedBySummary());
    EXPECT_EQ(c.Rows(), byValue); // no summaries computed: all equal
    TqzDataGroups* groups = c.GetInfo()->GetGroups();
    for (Integer i = 0; i < groups->ItemCount(); ++i) groups->Item(i)->SummaryValues = {Variant(i % 2)};
    c.ApplySummarySortOrder();
    EXPECT_EQ(c.Rows(), "g3,g1,g7,g11,g10,g0,g6,g9,g4,g2,g8,g5"); // a, c, e, g, i, k, then b, d, f, h, j, l
    c.SetSummarySortItem(nullptr);
    EXPECT_EQ(c.Rows(), byValue);
}

// ---- Loading and the refresh check -----------------------------------------------------------------

namespace {

// The source keeps a position of its own that the controller's focus follows.
class TPositionController : public TRowController {
public:
    Integer GetSourceFocusedRecordIndex() override { return SourcePosition; }
    bool GetItemSortByDisplayText(Integer, bool) override { return true; }
    Integer SourcePosition = -1;
};

} // namespace

TEST(qzCustomDataLoadTest, ARefreshAskedInsideABracketRunsWhenItCloses) {
    TRowController c;
    TKeyedSource source;
    c.GetProvider()->SetRecordSource(&source);
    ASSERT_EQ(c.GetRecordCount(), 4);
    TNoticeLog log;
    log.Attach(&c);
    source.Handles.push_back(50);
    {
        TqzUpdateLock lock(&c);
        c.LayoutChanged(1);
        EXPECT_TRUE(c.RefreshPending);
        EXPECT_EQ(c.GetRecordCount(), 4); // not before the bracket closes
    }
    EXPECT_FALSE(c.RefreshPending);
    EXPECT_EQ(c.GetRecordCount(), 5);
    EXPECT_EQ(log.Text, "data4/-1/-1 OnDataChanged");
    c.GetProvider()->SetRecordSource(nullptr);
    EXPECT_EQ(c.GetRecordCount(), 0); // the source's records went with it
}

TEST(qzCustomDataLoadTest, AStructureChangeForgetsTheSavedFocusAndReloads) {
    TRowController c;
    TKeyedSource source;
    c.GetProvider()->SetRecordSource(&source);
    c.ChangeFocusedRowIndex(1);
    c.SaveFocus();
    c.MultiSelect = true;
    c.ChangeRowSelection(3, true);
    source.Handles.pop_back();
    c.StructureChangedUpdate();
    EXPECT_FALSE(c.HasSavedFocus());
    EXPECT_EQ(c.GetRecordCount(), 3);
    EXPECT_EQ(c.GetSelectedCount(), 0); // its record is gone
    EXPECT_EQ(c.GetLockCount(), 0);
    c.GetProvider()->SetRecordSource(nullptr);

    TRowController unbound;
    unbound.Fill({{"a", 1}, {"b", 2}});
    unbound.StructureChangedUpdate();
    EXPECT_EQ(unbound.GetRecordCount(), 2); // an unbound controller keeps its records
}

TEST(qzCustomDataLoadTest, TheFocusFollowsTheSourcePosition) {
    TPositionController c;
    c.Fill({{"a", 1}, {"b", 2}, {"c", 3}});
    c.SourcePosition = 2;
    c.DataScrolled(1);
    EXPECT_EQ(c.GetFocusedRecordIndex(), 2);
    EXPECT_EQ(c.GetFocusedRowIndex(), 2);

    // Records loaded one by one between the brackets' ends.
    c.BeginLoadRecords();
    EXPECT_EQ(c.GetProvider()->GetLockCount(), 1);
    c.GetStorage()->AddRecord();
    c.SourcePosition = 3;
    c.EndLoadRecords();
    EXPECT_EQ(c.GetProvider()->GetLockCount(), 0);
    EXPECT_EQ(c.GetRowCount(), 4);
    EXPECT_EQ(c.GetFocusedRowIndex(), 3);
}

TEST(qzCustomDataLoadTest, SummaryChangesReachTheRecomputation) {
    TRowController c;
    c.Fill({{"a", 1}, {"b", 2}});
    c.Passed.clear();
    c.SummaryChanged(true);
    c.SummaryChanged(false);
    EXPECT_EQ(c.Passed, (std::vector<Word>{1, 32}));

    // Summaries over the selected records follow the focus in single-select mode.
    c.GetSummary()->SetOptions({soSelectedRecords});
    c.Passed.clear();
    c.ChangeFocusedRowIndex(1);
    ASSERT_EQ(c.Passed.size(), 1u);
    EXPECT_EQ(c.Passed[0], 4 | 32);
    c.MultiSelect = true;
    c.Passed.clear();
    c.ChangeFocusedRowIndex(0);
    c.ChangeRowSelection(1, true);
    EXPECT_EQ(c.Passed, (std::vector<Word>{4, 8 | 32})); // the selection counts now, not the focus

    c.SummaryRecalcPending = true;
    c.Loaded();
    EXPECT_FALSE(c.SummaryRecalcPending);
}

TEST(qzCustomDataLoadTest, AGroupLocateComparesByValue) {
    TPositionController c;
    TqzCustomDataField* field = c.GetItemField(0);
    EXPECT_TRUE(c.IsDisplayTextCompareField(field));
    c.InGroupLocate = true;
    EXPECT_FALSE(c.IsDisplayTextCompareField(field));
}
