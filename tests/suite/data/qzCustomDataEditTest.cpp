// The controller's editing layer: operations and their events, edit state and operation bits,
// edit values, the new-item row, deletion with its focus choice, and a controller freed by a
// handler of its own post.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "suite/data/qzCustomData.h"
#include "suite/data/qzData.h"
#include "suite/foundation/qzVariants.h"

namespace {

class TEditItem : public TObject {};

const TqzValueTypeClass IntType = ValueTypeClass<TqzIntegerValueType>();
const TqzValueTypeClass TextType = ValueTypeClass<TqzStringValueType>();

using TRecords = std::vector<std::pair<Integer, Integer>>;

// Item 0 a number, item 1 a group key, item 2 a text; records given as (number, key).
class TEditController : public TqzDataController {
public:
    explicit TEditController(const TRecords& records = {{10, 1}, {20, 1}, {30, 2}})
        : TqzDataController(nullptr) {
        for (TqzValueTypeClass type : {IntType, IntType, TextType}) {
            Items.push_back(new TEditItem());
            AddItem(Items.back());
            ChangeValueTypeClass(Integer(Items.size()) - 1, type);
        }
        TqzUpdateLock lock(this);
        SetRecordCount(Integer(records.size()));
        for (std::size_t r = 0; r < records.size(); ++r) {
            SetValue(Integer(r), 0, records[r].first);
            SetValue(Integer(r), 1, records[r].second);
        }
    }
    ~TEditController() override {
        for (TObject* item : Items) delete item;
    }
    TObject* GetItem(Integer index) const override { return Items.at(std::size_t(index)); }
    std::string Values() {
        std::string s;
        for (Integer r = 0; r < GetRecordCount(); ++r)
            s += (r ? "," : "") + (VarIsNull(GetValue(r, 0)) ? std::string("-") : VarToStr(GetValue(r, 0)));
        return s;
    }
    std::vector<TObject*> Items;
};

// The editing events in one line.
class TEditLog : public TObject {
public:
    void Attach(TqzCustomDataController* c) {
        c->OnBeforeInsert = TNotifyEvent(this, &TEditLog::BeforeInsert);
        c->OnAfterInsert = TNotifyEvent(this, &TEditLog::AfterInsert);
        c->OnBeforePost = TNotifyEvent(this, &TEditLog::BeforePost);
        c->OnAfterPost = TNotifyEvent(this, &TEditLog::AfterPost);
        c->OnBeforeCancel = TNotifyEvent(this, &TEditLog::BeforeCancel);
        c->OnAfterCancel = TNotifyEvent(this, &TEditLog::AfterCancel);
        c->OnBeforeDelete = TqzRecordEvent(this, &TEditLog::BeforeDelete);
        c->OnAfterDelete = TNotifyEvent(this, &TEditLog::AfterDelete);
        c->OnNewRecord = TqzRecordEvent(this, &TEditLog::NewRecord);
    }
    void BeforeInsert(TObject*) { Add("BI"); }
    void AfterInsert(TObject*) { Add("AI"); }
    void BeforePost(TObject*) { Add("BP"); }
    void AfterPost(TObject*) { Add("AP"); }
    void BeforeCancel(TObject*) { Add("BC"); }
    void AfterCancel(TObject*) { Add("AC"); }
    void BeforeDelete(TqzCustomDataController*, Integer record) {
        Add("BD" + std::to_string(record));
        if (record == FailDeleteOf) throw EAbort("refused");
    }
    void AfterDelete(TObject*) { Add("AD"); }
    void NewRecord(TqzCustomDataController*, Integer record) { Add("NR" + std::to_string(record)); }
    void Add(const std::string& entry) { Text += (Text.empty() ? "" : " ") + entry; }
    std::string Text;
    Integer FailDeleteOf = -100;
};

template <class F> std::string Raised(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

// Record source whose deletions can fail; records by handle, values per item.
class TFailingSource : public TqzCustomRecordSource {
public:
    Integer AppendRecord() override { return 0; }
    void DeleteRecord(Integer handle) override {
        if (Fail) throw EInvalidOperation("cannot delete");
        std::erase(Handles, handle);
        GetCurrentProvider()->DataChanged(dcEverything, -1, -1);
    }
    String GetDisplayText(Integer handle, Integer) override { return String(std::to_string(handle)); }
    bool GetCompareForm(Integer, Integer, const Byte*&) override { return false; }
    Variant GetRecordKey(Integer handle) override { return handle; }
    Variant GetValue(Integer handle, Integer item) override { return item == 0 ? Variant(handle) : Variant(1); }
    bool ProvidesValues() override { return true; }
    void LoadRecords() override {
        for (Integer h : Handles) GetCurrentProvider()->AddSourceRecord(h);
    }
    void SetValue(Integer, Integer, const Variant&) override {}
    std::vector<Integer> Handles{10, 20, 30, 40};
    bool Fail = false;
};

} // namespace

TEST(qzCustomDataEditTest, EventsOfEachOperation) {
    enum Op { Append, Insert, Edit, Post, Cancel, DeleteFocused, DeleteSelection };
    struct Case {
        Op Operation;
        bool NewItemRow, Multi;
        const char* Log;
        const char* Values; // afterwards
    };
    // Post and Cancel follow an edit (with the new-item row: a new record) whose value became 99.
    // With MultiSelect, rows 0 and 2 are selected and row 1 focused.
    const std::vector<Case> cases = {
        {Append, false, false, "BI NR3 AI", "10,20,30,-"},
        {Append, true, false, "BI NR-1 AI", "10,20,30"},
        {Insert, false, false, "BI NR1 AI", "10,-,20,30"},
        {Insert, true, true, "BI NR-1 AI", "10,20,30"},
        {Edit, false, false, "", "10,20,30"},
        {Edit, true, true, "", "10,20,30"},
        {Post, false, false, "BP AP", "10,99,30"},
        {Post, true, false, "BP AP", "10,20,30,99"},
        {Post, false, true, "BP AP", "10,99,30"},
        {Cancel, false, false, "BC AC", "10,20,30"},
        {Cancel, true, true, "BC AC", "10,20,30"},
        {DeleteFocused, false, false, "BD1 AD", "10,30"},
        {DeleteFocused, true, true, "BD1 AD", "10,30"},
        {DeleteSelection, false, false, "BD1 AD", "10,30"},
        {DeleteSelection, true, false, "BD1 AD", "10,30"},
        {DeleteSelection, false, true, "BD2 AD BD0 AD", "20"},
        {DeleteSelection, true, true, "BD2 AD BD0 AD", "20"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.Operation) + (k.NewItemRow ? " new-item row" : "") + (k.Multi ? " multi" : ""));
        TEditController c;
        TEditLog log;
        log.Attach(&c);
        c.NewItemRowEnabled = k.NewItemRow;
        c.MultiSelect = k.Multi;
        if (k.Multi) {
            c.GetInfo()->ChangeRowSelection(0, true);
            c.GetInfo()->ChangeRowSelection(2, true);
        }
        c.SetFocusedRecordIndex(1);
        switch (k.Operation) {
        case Append: c.AppendNewRecord(); break;
        case Insert: c.InsertNewRecord(); break;
        case Edit: c.EditRecord(); break;
        case Post:
        case Cancel:
            if (k.NewItemRow)
                c.AppendNewRecord();
            else
                c.EditRecord();
            EXPECT_TRUE(c.SetEditingValue(0, 99));
            log.Text.clear();
            if (k.Operation == Post)
                c.PostEditing();
            else
                c.Cancel();
            EXPECT_FALSE(c.IsEditing());
            break;
        case DeleteFocused: c.DeleteFocused(); break;
        case DeleteSelection: c.DeleteSelection(); break;
        }
        EXPECT_EQ(log.Text, k.Log);
        EXPECT_EQ(c.Values(), k.Values);
        EXPECT_EQ(c.GetLockCount(), 0);
        EXPECT_EQ(c.RestoreFocusRecordIndex, -1);
        if (k.Operation == Append || k.Operation == Insert) {
            EXPECT_EQ(c.IsNewItemRowFocused(), k.NewItemRow);
        }
        if (k.Operation == Edit) {
            EXPECT_EQ(c.GetEditingRecordIndex(), 1);
        }
        if (k.Operation == DeleteFocused || k.Operation == DeleteSelection) {
            EXPECT_EQ(c.GetInfo()->GetSelectedCount(), 0);
        }
    }
}

TEST(qzCustomDataEditTest, EditStateAndOperationBits) {
    TEditController c;
    c.SetFocusedRecordIndex(0);
    EXPECT_EQ(c.GetEditState(), 0);
    EXPECT_FALSE(c.IsEditing());
    EXPECT_EQ(c.GetEditOperations(), dceoAppend | dceoDelete | dceoEdit | dceoInsert | dceoShowEdit);
    c.EditRecord();
    EXPECT_EQ(c.GetEditState(), dceEdit);
    EXPECT_TRUE(c.IsEditing());
    c.SetEditingValue(0, 11);
    EXPECT_EQ(c.GetEditState(), dceEdit | dceChanging | dceModified);
    c.UpdateData();
    EXPECT_EQ(c.GetEditState(), dceEdit | dceModified);
    c.PostEditing();
    EXPECT_EQ(c.GetEditState(), 0);
    c.AppendNewRecord();
    EXPECT_EQ(c.GetEditState(), dceInsert);
    c.SetEditingValue(0, 12);
    EXPECT_EQ(c.GetEditState(), dceInsert | dceChanging | dceModified);
    c.Cancel();
    EXPECT_EQ(c.GetEditState(), 0);

    TEditController empty(TRecords{});
    EXPECT_EQ(empty.GetEditOperations(), dceoAppend | dceoEdit | dceoInsert | dceoShowEdit);
}

TEST(qzCustomDataEditTest, ImmediatePostAndInsertWhenTheNewItemRowIsFocused) {
    TEditController c;
    TEditLog log;
    log.Attach(&c);
    c.SetFocusedRecordIndex(2);
    c.SetOptions(c.GetOptions() | dcoImmediatePost);
    EXPECT_TRUE(c.SetEditingValue(0, 33));
    EXPECT_EQ(log.Text, "BP AP");
    EXPECT_EQ(c.GetEditState(), 0);
    EXPECT_EQ(c.Values(), "10,20,33");

    TEditController d;
    TEditLog dlog;
    dlog.Attach(&d);
    d.NewItemRowEnabled = true;
    d.SetOptions(d.GetOptions() | dcoInsertOnNewItemRowFocusing);
    d.SetNewItemRowFocused(true);
    EXPECT_EQ(dlog.Text, "BI NR-1 AI");
    EXPECT_EQ(d.GetEditState(), dceInsert);
    EXPECT_TRUE(VarIsNull(d.GetEditingValue(0)));
    d.SetEditingValue(0, 44);
    EXPECT_EQ(d.GetEditingValue(0), Variant(44));
    d.SetNewItemRowFocused(false); // posts
    EXPECT_EQ(d.Values(), "10,20,30,44");
    EXPECT_EQ(dlog.Text, "BI NR-1 AI BP AP");
}

TEST(qzCustomDataEditTest, EditValuesAndTheirErrors) {
    TEditController c;
    EXPECT_EQ(Raised([&] { c.GetEditingValue(0); }), "RecordIndex out of range"); // nothing focused
    EXPECT_EQ(Raised([&] { c.GetEditingValue(5); }), "ItemIndex out of range");
    EXPECT_EQ(Raised([&] { c.SetEditingValue(-1, 1); }), "ItemIndex out of range");
    c.NewItemRowEnabled = true;
    c.SetNewItemRowFocused(true);
    EXPECT_TRUE(VarIsNull(c.GetEditingValue(0))); // the new-item row, nothing edited yet

    c.SetFocusedRecordIndex(0);
    EXPECT_EQ(c.GetEditingValue(0), Variant(10));
    struct Case {
        Integer Kind;
        Variant Value;
        bool StoredNull;
    };
    for (const Case& k : {Case{1, "", true}, Case{0, "", false}, Case{1, "x", false}}) {
        c.SetValue(0, 2, "old");
        EXPECT_TRUE(c.SetEditingValue(2, k.Value, k.Kind));
        EXPECT_EQ(VarIsNull(c.GetValue(0, 2)), k.StoredNull) << k.Kind;
    }
    c.Cancel();
    EXPECT_EQ(c.GetValue(0, 2), Variant("old")); // the original values are back
}

TEST(qzCustomDataEditTest, FocusingAnotherRecordPostsTheEdit) {
    TEditController c;
    TEditLog log;
    log.Attach(&c);
    c.SetFocusedRecordIndex(0);
    c.SetEditingValue(0, 11);
    EXPECT_TRUE(c.CanFocusRecord(0)); // the record being edited: the edit goes on
    EXPECT_EQ(log.Text, "");
    EXPECT_TRUE(c.CanFocusRecord(2));
    EXPECT_EQ(log.Text, "BP AP");
    EXPECT_EQ(c.Values(), "11,20,30");
    log.Text.clear();
    c.PostEditing(); // browse: nothing
    EXPECT_EQ(log.Text, "");
}

TEST(qzCustomDataEditTest, EdgeCasesOfNewRecordsAndDeletion) {
    {
        // An untouched new record is dropped by the post, with cancel events only.
        TEditController c;
        TEditLog log;
        log.Attach(&c);
        c.SetFocusedRecordIndex(0);
        c.AppendNewRecord();
        log.Text.clear();
        c.PostEditing();
        EXPECT_EQ(log.Text, "BC AC");
        EXPECT_EQ(c.GetRecordCount(), 3);
    }
    {
        // The new-item row keeps the new record in its buffer until the post copies it.
        TEditController c;
        c.NewItemRowEnabled = true;
        c.AppendNewRecord();
        c.SetEditingValue(0, 77);
        EXPECT_EQ(c.GetRecordCount(), 3);
        EXPECT_LT(c.GetEditingRecordIndex(), 0);
        c.PostEditing();
        EXPECT_EQ(c.Values(), "10,20,30,77");
    }
    {
        // Cancelling an insert at the end focuses the record before the dropped one.
        TEditController c;
        c.SetFocusedRecordIndex(2);
        c.AppendNewRecord();
        EXPECT_EQ(c.GetFocusedRecordIndex(), 3);
        c.Cancel();
        EXPECT_EQ(c.GetRecordCount(), 3);
        EXPECT_EQ(c.GetFocusedRecordIndex(), 2);
    }
    {
        // A group row: every record of the group, from the highest record index down.
        TEditController c(TRecords{{10, 1}, {20, 2}, {30, 1}, {40, 1}});
        TEditLog log;
        log.Attach(&c);
        c.ChangeItemGroupIndex(1, 0);
        ASSERT_TRUE(c.GetInfo()->GetGroups()->IsGroupRow(0));
        c.SetFocusedRowIndex(0);
        c.DeleteFocused();
        EXPECT_EQ(log.Text, "BD3 AD BD2 AD BD0 AD");
        EXPECT_EQ(c.Values(), "20");
    }
    {
        // The chosen record lies after the focused one: it is focused, one index lower.
        TEditController c(TRecords{{10, 1}, {20, 1}, {30, 1}, {40, 1}});
        c.SetFocusedRecordIndex(1);
        c.DeleteFocused();
        EXPECT_EQ(c.Values(), "10,30,40");
        EXPECT_EQ(c.GetFocusedRecordIndex(), 1);
        EXPECT_EQ(c.GetValue(c.GetFocusedRecordIndex(), 0), Variant(30));
    }
    {
        // The same with a source that reloads its records after deleting.
        TEditController c(TRecords{});
        TFailingSource source;
        c.GetProvider()->SetRecordSource(&source);
        c.SetFocusedRecordIndex(1);
        c.DeleteFocused();
        EXPECT_EQ(c.GetRecordCount(), 3);
        EXPECT_EQ(c.GetValue(c.GetFocusedRecordIndex(), 0), Variant(30));
        c.GetProvider()->SetRecordSource(nullptr);
    }
}

TEST(qzCustomDataEditTest, AFailingDeletionClosesEveryBracket) {
    // A source that refuses (inside the full-update bracket) and a refusing handler (outside).
    for (bool bound : {true, false}) {
        SCOPED_TRACE(bound ? "bound" : "unbound");
        TEditController c(bound ? TRecords{} : TRecords{{10, 1}, {20, 1}, {30, 1}});
        TFailingSource source;
        TEditLog log;
        log.Attach(&c);
        if (bound) {
            c.GetProvider()->SetRecordSource(&source);
            source.Fail = true;
        } else {
            log.FailDeleteOf = 1;
        }
        c.SetFocusedRecordIndex(1);
        const Integer count = c.GetRecordCount();
        EXPECT_THROW(c.DeleteFocused(), Exception);
        EXPECT_EQ(c.GetRecordCount(), count);
        EXPECT_EQ(c.GetFocusedRecordIndex(), 1);
        EXPECT_EQ(c.RestoreFocusRecordIndex, -1);
        EXPECT_EQ(c.GetLockCount(), 0);
        EXPECT_FALSE(c.InFullUpdate());
        EXPECT_EQ(c.GetInfo()->GetLockCount(), 0);
        // Everything works afterwards.
        source.Fail = false;
        log.FailDeleteOf = -100;
        c.DeleteFocused();
        EXPECT_EQ(c.GetRecordCount(), count - 1);
        if (bound) c.GetProvider()->SetRecordSource(nullptr);
    }
}

namespace {

// Frees the controller from inside one of its handlers.
class TKiller : public TObject {
public:
    void Kill(TObject* sender) {
        ++Calls;
        delete static_cast<TqzCustomDataController*>(sender);
    }
    int Calls = 0;
};

} // namespace

TEST(qzCustomDataEditTest, ListenerLinksLeaveTheListAndLearnOfTheEnd) {
    auto* c = new TEditController();
    TqzDataListenerLink kept(c);
    {
        TqzDataListenerLink passing(c);
        EXPECT_EQ(c->GetListenerLinks().size(), 2u);
    }
    EXPECT_EQ(c->GetListenerLinks().size(), 1u);
    EXPECT_EQ(kept.Controller, c);
    delete c;
    EXPECT_EQ(kept.Controller, nullptr);
}

TEST(qzCustomDataEditTest, AControllerFreedByItsOwnPostIsNotTouchedAfterwards) {
    for (int handler : {0, 1, 2}) {
        SCOPED_TRACE(handler);
        auto* c = new TEditController();
        TKiller killer;
        c->SetFocusedRecordIndex(0);
        c->SetEditingValue(0, 5);
        if (handler == 0) c->OnAfterPost = TNotifyEvent(&killer, &TKiller::Kill);
        if (handler == 1) c->OnDataChanged = TNotifyEvent(&killer, &TKiller::Kill);
        if (handler == 2) c->AddDataChangedListener(&killer, TNotifyEvent(&killer, &TKiller::Kill));
        c->PostEditing();
        EXPECT_EQ(killer.Calls, 1);
    }
    // An untouched new record whose cancel ends in the data change that frees it.
    auto* c = new TEditController();
    TKiller killer;
    c->AppendNewRecord();
    c->OnDataChanged = TNotifyEvent(&killer, &TKiller::Kill);
    c->PostEditing();
    EXPECT_EQ(killer.Calls, 1);
}

TEST(qzCustomDataEditTest, AFilterChangeCancelsTheEdit) {
    TEditController c;
    TEditLog log;
    log.Attach(&c);
    c.GetProvider(); // unbound: the filter posts first
    c.SetFocusedRecordIndex(1);
    c.AppendNewRecord();
    log.Text.clear();
    c.FilterChanged();
    EXPECT_EQ(log.Text, "BC AC");
    EXPECT_EQ(c.GetRecordCount(), 3);
    EXPECT_FALSE(c.IsEditing());
}
