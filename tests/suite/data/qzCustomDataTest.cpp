// The data controller: fields, relations, field lists, readers, infos, the notifier, the module's
// routines, the provider's editing cycle and the controller's records, items and values.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

#include "suite/data/qzCustomData.h"
#include "suite/data/qzData.h"
#include "suite/foundation/qzVariants.h"
#include "tests/support/TestSupport.h"

namespace {

class TTestItem : public TObject {};

// A controller whose items are plain objects.
class TTestController : public TqzDataController {
public:
    TTestController() : TqzDataController(nullptr) {}
    ~TTestController() override {
        for (TObject* item : Items) delete item;
    }
    TObject* GetItem(Integer index) const override { return Items.at(std::size_t(index)); }

    Integer AddItemOf(TqzValueTypeClass type, bool storesText = false) {
        auto* item = new TTestItem();
        Items.push_back(item);
        AddItem(item);
        const Integer index = Integer(Items.size()) - 1;
        ChangeValueTypeClass(index, type);
        if (storesText) ChangeStoresDisplayText(index, true);
        return index;
    }
    void ComponentRemoved(TComponent* component) override {
        ++RemovedComponents;
        TqzDataController::ComponentRemoved(component);
    }
    void LinkField(TqzCustomDataField* field) override {
        Linked.push_back(field);
        if (field == FreeOnLink) {
            TqzCustomDataField* victim = FieldToFree;
            FreeOnLink = nullptr;
            FieldToFree = nullptr;
            delete victim;
        }
    }
    void WritePendingEditValues() override {
        ++PendingWrites;
        GetProvider()->UpdateData(); // re-entry: does nothing
    }

    std::vector<TObject*> Items;
    int RemovedComponents = 0;
    std::vector<TqzCustomDataField*> Linked;
    TqzCustomDataField* FreeOnLink = nullptr;
    TqzCustomDataField* FieldToFree = nullptr;
    int PendingWrites = 0;
};

// A record source holding records by handle; every change of its record set is announced to the
// provider as a change of everything, which reloads the controller.
class TTestSource : public TqzCustomRecordSource {
public:
    struct TRecord {
        Integer Handle;
        std::map<Integer, Variant> Values;
    };

    Integer AppendRecord() override {
        if (FailAppend) throw EInvalidOperation("source refused");
        Records.push_back({FNextHandle, {}});
        Announce();
        return FNextHandle++;
    }
    Integer InsertBefore(Integer handle) override {
        auto it = Find(handle);
        Records.insert(it, {FNextHandle, {}});
        Announce();
        return FNextHandle++;
    }
    bool CanInsert() override { return true; }
    void DeleteRecord(Integer handle) override {
        Records.erase(Find(handle));
        Announce();
    }
    String GetDisplayText(Integer handle, Integer item) override {
        return "<" + VarToStr(GetValue(handle, item)) + ">";
    }
    bool GetCompareForm(Integer handle, Integer item, const Byte*& data) override {
        const Variant value = GetValue(handle, item);
        if (VarIsNull(value)) return false;
        Integer& cell = FCompareCells[{handle, item}];
        cell = value.AsInteger();
        data = reinterpret_cast<const Byte*>(&cell);
        return true;
    }
    Variant GetRecordKey(Integer handle) override { return handle; }
    Variant GetValue(Integer handle, Integer item) override {
        auto it = Find(handle);
        if (it == Records.end()) return Null();
        auto value = it->Values.find(item);
        return value == it->Values.end() ? Null() : value->second;
    }
    bool ProvidesValues() override { return true; }
    void LoadRecords() override {
        for (const TRecord& record : Records) GetCurrentProvider()->AddSourceRecord(record.Handle);
    }
    void SetRecordCount(Integer count) override { AskedCount = count; }
    void SetValue(Integer handle, Integer item, const Variant& value) override {
        auto it = Find(handle);
        if (it != Records.end()) it->Values[item] = value;
    }

    std::vector<TRecord> Records;
    Integer AskedCount = -1;
    bool FailAppend = false;

private:
    std::vector<TRecord>::iterator Find(Integer handle) {
        return std::find_if(Records.begin(), Records.end(), [&](const TRecord& r) { return r.Handle == handle; });
    }
    void Announce() {
        if (GetCurrentProvider()) GetCurrentProvider()->DataChanged(dcEverything, -1, -1);
    }
    Integer FNextHandle = 100;
    std::map<std::pair<Integer, Integer>, Integer> FCompareCells;
};

// Writes the controller's events and data changes into one line.
class TEventLog : public TObject {
public:
    void Attach(TqzCustomDataController* c) {
        c->OnBeforeInsert = TNotifyEvent(this, &TEventLog::BeforeInsert);
        c->OnAfterInsert = TNotifyEvent(this, &TEventLog::AfterInsert);
        c->OnBeforePost = TNotifyEvent(this, &TEventLog::BeforePost);
        c->OnAfterPost = TNotifyEvent(this, &TEventLog::AfterPost);
        c->OnBeforeCancel = TNotifyEvent(this, &TEventLog::BeforeCancel);
        c->OnAfterCancel = TNotifyEvent(this, &TEventLog::AfterCancel);
        c->OnBeforeDelete = TqzRecordEvent(this, &TEventLog::BeforeDelete);
        c->OnAfterDelete = TNotifyEvent(this, &TEventLog::AfterDelete);
        c->OnNewRecord = TqzRecordEvent(this, &TEventLog::NewRecord);
        c->OnDataChanged = TNotifyEvent(this, &TEventLog::Changed);
        c->UpdateControlHandler = TqzUpdateControlEvent(this, &TEventLog::Update);
    }
    void BeforeInsert(TObject*) { Add("BI"); }
    void AfterInsert(TObject*) { Add("AI"); }
    void BeforePost(TObject*) {
        Add("BP");
        if (RaiseInBeforePost) throw EAbort("refused");
    }
    void AfterPost(TObject*) { Add("AP"); }
    void BeforeCancel(TObject*) { Add("BC"); }
    void AfterCancel(TObject*) { Add("AC"); }
    void BeforeDelete(TqzCustomDataController*, Integer record) { Add("BD" + std::to_string(record)); }
    void AfterDelete(TObject*) { Add("AD"); }
    void NewRecord(TqzCustomDataController*, Integer record) { Add("NR" + std::to_string(record)); }
    void Changed(TObject*) { ++DataChangedEvents; }
    void Update(TqzUpdateControlInfo* info) {
        if (auto* data = dynamic_cast<TqzDataChangedInfo*>(info))
            Add("DC" + std::to_string(data->Kind) + "/" + std::to_string(data->ItemIndex) + "/" +
                std::to_string(data->RecordIndex));
    }
    void Add(const std::string& entry) { Text += (Text.empty() ? "" : " ") + entry; }

    std::string Text;
    int DataChangedEvents = 0;
    bool RaiseInBeforePost = false;
};

template <class F> std::string RaisedMessage(F&& f) {
    try {
        f();
    } catch (const EqzInvalidDataControllerOperation& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

const TqzValueTypeClass IntegerType = ValueTypeClass<TqzIntegerValueType>();
const TqzValueTypeClass StringType = ValueTypeClass<TqzStringValueType>();

// A controller with one Integer item and records holding 10, 20, 30, record 1 focused; bound to
// a source holding the same values when asked.
struct TFixture {
    explicit TFixture(bool bound, bool newItemRow = false) {
        C.AddItemOf(IntegerType);
        if (bound) {
            for (Integer v : {10, 20, 30}) {
                Source.Records.push_back({Integer(Source.Records.size()) + 1, {}});
                Source.Records.back().Values[0] = v;
            }
            C.GetProvider()->SetRecordSource(&Source);
        } else {
            C.SetRecordCount(3);
            for (Integer r = 0; r < 3; ++r) C.SetValue(r, 0, (r + 1) * 10);
        }
        C.NewItemRowEnabled = newItemRow;
        C.SetFocusedRecordIndex(1);
        Log.Attach(&C);
    }
    ~TFixture() { C.GetProvider()->SetRecordSource(nullptr); }
    std::string Values() {
        std::string s;
        for (Integer r = 0; r < C.GetRecordCount(); ++r)
            s += (r ? "," : "") + (VarIsNull(C.GetValue(r, 0)) ? std::string("-") : VarToStr(C.GetValue(r, 0)));
        return s;
    }

    TTestSource Source;
    TTestController C;
    TEventLog Log;
};

} // namespace

// ---- Fields and relations --------------------------------------------------------------------------

TEST(qzCustomDataFieldTest, RemovingAFieldPassesItsStorageToTheFirstLinkedField) {
    TTestController c;
    c.AddItemOf(IntegerType);
    c.SetRecordCount(2);
    c.SetValue(0, 0, 7);
    c.SetValue(1, 0, 8);
    TqzCustomDataField* owner = c.GetItemField(0);
    TqzCustomDataField* linked[3];
    for (auto& f : linked) {
        f = c.CreateField();
        f->SetLinkedField(owner);
    }
    c.RemoveItem(c.Items[0]);
    EXPECT_EQ(linked[0]->GetLinkedField(), nullptr);
    ASSERT_NE(linked[0]->GetValueDef(), nullptr);
    EXPECT_EQ(linked[0]->GetValueDef()->BoundObject(), linked[0]);
    EXPECT_EQ(linked[0]->GetValueTypeClass(), IntegerType);
    for (int i : {1, 2}) {
        EXPECT_EQ(linked[i]->GetLinkedField(), linked[0]);
        EXPECT_EQ(linked[i]->GetValueDef(), linked[0]->GetValueDef());
    }
    EXPECT_EQ(c.GetFieldValue(0, linked[2]), Variant(7));
    EXPECT_EQ(c.GetFieldValue(1, linked[1]), Variant(8));
    EXPECT_EQ(c.GetStorage()->GetValueDefs()->DefCount(), 1);
}

TEST(qzCustomDataFieldTest, ClientFieldsStayBeforeInternalFieldsAndLinksNeverCycle) {
    TTestController c;
    c.AddItemOf(IntegerType);
    TqzCustomDataField* internal = c.CreateInternalField();
    EXPECT_EQ(internal->GetIndex(), 1);
    c.AddItemOf(StringType);
    EXPECT_EQ(c.GetItemField(1)->GetIndex(), 1);
    EXPECT_EQ(internal->GetIndex(), 2);
    EXPECT_EQ(c.GetFields()->ClientFieldCount(), 2);
    EXPECT_EQ(c.GetItemCount(), 2);

    TqzCustomDataField* a = c.GetItemField(0);
    TqzCustomDataField* b = c.GetItemField(1);
    a->SetLinkedField(b); // a drops its own column
    EXPECT_EQ(a->GetValueDef(), b->GetValueDef());
    b->SetLinkedField(a); // b -> a -> b
    EXPECT_EQ(b->GetLinkedField(), nullptr);
    b->SetLinkedField(b);
    EXPECT_EQ(b->GetLinkedField(), nullptr);
    internal->SetLinkedField(a); // follows the chain to its end
    EXPECT_EQ(internal->GetLinkedField(), b);
    EXPECT_EQ(c.GetStorage()->GetValueDefs()->DefCount(), 1);
}

TEST(qzCustomDataFieldTest, RelationsMakeAndFreeTheDetailField) {
    TTestController c;
    c.AddItemOf(IntegerType);
    TqzCustomDataRelationList* relations = c.GetRelations();
    EXPECT_EQ(relations->GetDetailField(), nullptr);
    TTestItem levelA, levelB;
    auto* first = new TqzCustomDataRelation(relations, &levelA);
    TqzCustomDataField* detailField = relations->GetDetailField();
    ASSERT_NE(detailField, nullptr);
    EXPECT_TRUE(detailField->IsInternalField());
    EXPECT_EQ(detailField->GetValueTypeClass(), ValueTypeClass<TqzObjectValueType>());
    auto* second = new TqzCustomDataRelation(relations, &levelB);
    EXPECT_EQ(relations->GetDetailField(), detailField);
    EXPECT_EQ(relations->RelationByItem(&levelB), second);
    EXPECT_EQ(second->GetIndex(), 1);
    delete first;
    EXPECT_NE(relations->GetDetailField(), nullptr);
    delete second;
    EXPECT_EQ(relations->GetDetailField(), nullptr);
    EXPECT_EQ(c.GetFields()->GetCount(), 1);
    EXPECT_EQ(c.GetStorage()->GetValueDefs()->DefCount(), 1);
}

TEST(qzCustomDataFieldTest, DetailObjectsLiveInTheRecordAsHandles) {
    TTestController c;
    c.AddItemOf(IntegerType);
    c.SetRecordCount(2);
    TqzCustomDataRelationList* relations = c.GetRelations();
    TTestItem level;
    auto* relation = new TqzCustomDataRelation(relations, &level);
    EXPECT_EQ(RaisedMessage([&] { relations->DetailObject(2); }), "RecordIndex out of range");
    EXPECT_EQ(RaisedMessage([&] { relations->HasDetails(-7, 0); }), "RecordIndex out of range");
    EXPECT_EQ(RaisedMessage([&] { relations->ClearDetails(5, -1); }), "RecordIndex out of range");
    EXPECT_FALSE(relations->HasDetails(0, -1));
    EXPECT_FALSE(relations->ClearDetails(0, -1));

    TTestController prototype;
    relation->SetDetailDataController(&prototype);
    TqzDetailObject* object = relations->DetailObject(0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->ActiveRelationIndex, 0);
    EXPECT_EQ(object->SlotCount(), 1);
    EXPECT_EQ(relations->DetailObject(0), object);
    const Variant stored = c.GetStorage()->ReadValue(0, relations->GetDetailField()->GetValueDef());
    EXPECT_EQ(HandleToObject(Cardinal(stored.AsInteger())), object);

    auto* detail = new TTestController();
    detail->SetMasterRelation(relation);
    TLivenessToken detailAlive = detail->LivenessToken();
    object->SetDetailController(0, detail);
    EXPECT_TRUE(relations->HasDetails(0, -1));
    EXPECT_TRUE(relations->HasDetails(0, 0));
    EXPECT_FALSE(relations->HasDetails(0, 1));
    EXPECT_TRUE(relations->ClearDetails(0, 0));
    EXPECT_FALSE(detailAlive);
    EXPECT_FALSE(relations->HasDetails(0, -1));
    object->SetDetailController(0, new TTestController());
    EXPECT_TRUE(relations->ClearDetails(0, -1));
    EXPECT_FALSE(relations->HasDetails(0, 0));

    // Details no longer used anywhere: the stale object is freed and 0 stored.
    auto* stale = new TTestController();
    stale->SetMasterRelation(relation);
    object->SetDetailController(0, stale);
    TLivenessToken objectAlive = object->LivenessToken();
    TLivenessToken staleAlive = stale->LivenessToken();
    relation->SetDetailDataController(nullptr);
    EXPECT_EQ(relations->DetailObject(0), nullptr);
    EXPECT_FALSE(objectAlive);
    EXPECT_FALSE(staleAlive);
    EXPECT_EQ(c.GetStorage()->ReadValue(0, relations->GetDetailField()->GetValueDef()), Variant(0));
}

TEST(qzCustomDataFieldTest, LinkFieldsStartsAgainWhenAFieldIsFreed) {
    TTestController c;
    c.AddItemOf(IntegerType);
    c.AddItemOf(IntegerType);
    TqzCustomDataField* extra = c.CreateInternalField();
    c.FreeOnLink = c.GetItemField(1);
    c.FieldToFree = extra;
    c.LinkFields();
    const std::vector<TqzCustomDataField*> expected = {c.GetItemField(0), c.GetItemField(1)};
    EXPECT_EQ(c.Linked, expected);
    EXPECT_EQ(c.GetFields()->GetCount(), 2);
}

// ---- Sorting and grouping lists --------------------------------------------------------------------

namespace {

struct TChangeCounter : public TObject {
    void Count(TObject*) { ++Calls; }
    int Calls = 0;
};

std::string Entries(const TqzSortingFieldList& list, const std::vector<TqzCustomDataField*>& fields) {
    std::string s;
    for (Integer i = 0; i < list.GetCount(); ++i) {
        const auto& e = list.Entry(i);
        const auto name = char('a' + (std::find(fields.begin(), fields.end(), e.Field) - fields.begin()));
        s += std::string(s.empty() ? "" : " ") + name + std::to_string(int(e.SortOrder));
    }
    return s;
}

} // namespace

TEST(qzSortingFieldListTest, ChangesAndTheirAnnouncements) {
    TTestController c;
    std::vector<TqzCustomDataField*> f;
    for (int i = 0; i < 4; ++i) f.push_back(c.CreateField());
    struct Case {
        const char* Name;
        bool Grouping;
        std::function<void(TqzSortingFieldList&)> Act;
        const char* Expected;
        int Calls;
    };
    const std::vector<Case> cases = {
        {"none removes from sorting", false, [&](auto& l) { l.ApplySortOrder(f[1], soNone); }, "a1 c2", 1},
        {"none turns grouping ascending", true, [&](auto& l) { l.ApplySortOrder(f[2], soNone); }, "a1 b1 c1", 1},
        {"none of an absent field", false, [&](auto& l) { l.ApplySortOrder(f[3], soNone); }, "a1 b1 c2", 0},
        {"same order is no change", false, [&](auto& l) { l.ApplySortOrder(f[2], soDescending); }, "a1 b1 c2", 0},
        {"absent field appended", false, [&](auto& l) { l.ApplySortOrder(f[3], soDescending); }, "a1 b1 c2 d2", 1},
        {"clearing three", false, [&](auto& l) { l.RemoveAll(); }, "", 3},
        {"place absent beyond the end", false, [&](auto& l) { l.PlaceField(f[3], 9); }, "a1 b1 c2 d1", 1},
        {"place present beyond the end", false, [&](auto& l) { l.PlaceField(f[0], 9); }, "b1 c2 a1", 1},
        {"place below 0 removes", false, [&](auto& l) { l.PlaceField(f[1], -1); }, "a1 c2", 1},
        {"move to the same place", false, [&](auto& l) { l.MoveEntry(1, 1); }, "a1 b1 c2", 0},
        {"notify of a listed field", false, [&](auto& l) { l.NotifyFieldChange(f[0]); }, "a1 b1 c2", 1},
        {"notify of another field", false, [&](auto& l) { l.NotifyFieldChange(f[3]); }, "a1 b1 c2", 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        TqzSortingFieldList sorting;
        TqzGroupingFieldList grouping;
        TqzSortingFieldList& list = k.Grouping ? grouping : sorting;
        list.AddEntry(f[0], soAscending);
        list.AddEntry(f[1], soAscending);
        list.AddEntry(f[2], soDescending);
        TChangeCounter counter;
        list.OnChanged = TNotifyEvent(&counter, &TChangeCounter::Count);
        k.Act(list);
        EXPECT_EQ(Entries(list, f), k.Expected);
        EXPECT_EQ(counter.Calls, k.Calls);
    }
}

TEST(qzSortingFieldListTest, TotalSortingListAndSyncOrders) {
    TTestController c;
    std::vector<TqzCustomDataField*> f;
    for (int i = 0; i < 4; ++i) f.push_back(c.CreateField());
    TqzGroupingFieldList grouping;
    grouping.AddEntry(f[2], soDescending);
    grouping.AddEntry(f[0], soAscending);
    TqzSortingFieldList sorting;
    sorting.AddEntry(f[0], soDescending);
    sorting.AddEntry(f[3], soAscending);
    TqzSortingFieldList total;
    total.AppendMissing(&grouping);
    total.AppendMissing(&sorting);
    EXPECT_EQ(Entries(total, f), "c2 a1 d1");
    EXPECT_EQ(total.SortOrderOf(f[1]), soNone);
    EXPECT_EQ(total.IndexOfField(f[3]), 2);

    grouping.SyncOrders(&sorting);
    EXPECT_EQ(Entries(grouping, f), "c1 a2");
}

// ---- Module routines, readers, infos and the notifier ----------------------------------------------

TEST(qzCustomDataModuleTest, ComparisonsAnswerBySign) {
    struct Case {
        Integer A, B;
        int Sign;
    };
    const std::vector<Case> cases = {
        {INT_MIN, 1, -1}, {INT_MAX, -1, 1}, {INT_MIN, INT_MAX, -1}, {5, 5, 0}, {INT_MAX, INT_MIN, 1},
    };
    auto sign = [](Integer v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.A) + " vs " + std::to_string(k.B));
        EXPECT_EQ(sign(ComparePlainValues(k.A, k.B)), k.Sign);
        EXPECT_EQ(sign(CompareSelectionEntries(k.A, k.B)), k.Sign);
    }
    EXPECT_LT(CompareKeyValues(Null(), 1), 0);
    EXPECT_EQ(CompareKeyValues("a", "a"), 0);
}

TEST(qzCustomDataModuleTest, ListSortOrdersAndStaysInsideTheList) {
    auto plain = [](void*, Integer a, Integer b) { return ComparePlainValues(a, b); };
    const std::vector<std::vector<Integer>> lists = {
        {}, {4}, {2, 1}, {3, 3, 3, 3}, {5, 4, 3, 2, 1, 0}, {INT_MAX, INT_MIN, 0, INT_MIN, INT_MAX, -1},
    };
    for (std::vector<Integer> list : lists) {
        std::vector<Integer> expected = list;
        std::sort(expected.begin(), expected.end());
        qzSortList(list, plain, nullptr);
        EXPECT_EQ(list, expected);
    }
    // A comparison that is not consistent leaves the values in place, merely out of order.
    int calls = 0;
    auto erratic = [](void* context, Integer, Integer) -> Integer {
        int& n = *static_cast<int*>(context);
        return (n++ % 3) - 1;
    };
    std::vector<Integer> list;
    for (Integer i = 0; i < 200; ++i) list.push_back(i % 7);
    std::vector<Integer> sortedBefore = list;
    qzSortList(list, erratic, &calls);
    std::sort(list.begin(), list.end());
    std::sort(sortedBefore.begin(), sortedBefore.end());
    EXPECT_EQ(list, sortedBefore);
    EXPECT_EQ(RaisedMessage([] { RaiseDataControllerError(sqzRowIndexOutOfRange); }), "RowIndex out of range");
}

TEST(qzCustomDataModuleTest, SelectionChangedInfoRows) {
    struct Case {
        Integer Row1, Row2;
        std::vector<Integer> Rows;
    };
    const std::vector<Case> cases = {{3, 3, {3}}, {-1, 5, {5}}, {2, -1, {2}}, {-1, -1, {}}, {1, 4, {1, 4}}};
    for (const Case& k : cases) {
        TqzSelectionChangedInfo info(k.Row1, k.Row2);
        std::vector<Integer> rows;
        for (Integer i = 0; i < info.RowCount(); ++i) rows.push_back(info.RowIndex(i));
        EXPECT_EQ(rows, k.Rows) << k.Row1 << "," << k.Row2;
    }
}

TEST(qzCustomDataReaderTest, UnboundAndRecordReaders) {
    TTestController c;
    c.AddItemOf(IntegerType);
    c.AddItemOf(StringType, true);
    c.AddItemOf(IntegerType);
    TqzValueDef* defs[3];
    for (int i = 0; i < 3; ++i) defs[i] = c.GetItemField(i)->GetValueDef();

    TqzValueDefUnboundReader reader;
    EXPECT_TRUE(VarIsNull(reader.ReadVariant(defs[0])));
    for (int i = 0; i < 3; ++i) reader.StoreValue(defs[i], Integer(i + 1));
    reader.TruncateValues(1);
    reader.StoreValue(defs[2], 9);
    EXPECT_EQ(reader.ReadVariant(defs[0]), Variant(1));
    EXPECT_TRUE(VarIsNull(reader.ReadVariant(defs[1])));
    EXPECT_EQ(reader.ReadVariant(defs[2]), Variant(9));
    // An internal record's mirror reads the public definition's value.
    const Integer internal = c.GetStorage()->AcquireInternalRecord();
    c.GetStorage()->FillRecord(internal, &reader);
    EXPECT_EQ(c.GetStorage()->ReadValue(internal, defs[2]), Variant(9));
    TqzValueDef* mirror = c.GetStorage()->MapValueDef(internal, defs[0]);
    ASSERT_NE(mirror, defs[0]);
    EXPECT_EQ(reader.ReadVariant(mirror), Variant(1));

    // An internal field: skipped, and its text is empty even when it stores text.
    TqzCustomDataField* hidden = c.CreateInternalField();
    hidden->SetValueTypeClass(StringType);
    hidden->SetStoresText(true);
    c.SetRecordCount(1);
    c.GetStorage()->WriteValue(0, hidden->GetValueDef(), "v");
    c.GetStorage()->WriteDisplayText(0, hidden->GetValueDef(), "shown");
    c.SetRecordDisplayText(0, 1, "text");
    TqzValueDefRecordReader recordReader(&c, 0);
    EXPECT_TRUE(recordReader.Skips(hidden->GetValueDef()));
    EXPECT_FALSE(recordReader.Skips(defs[1]));
    EXPECT_EQ(recordReader.ReadText(hidden->GetValueDef()), "");
    EXPECT_EQ(recordReader.ReadText(defs[1]), "text");
    EXPECT_EQ(recordReader.ReadVariant(hidden->GetValueDef()), Variant("v"));
    EXPECT_TRUE(reader.Skips(hidden->GetValueDef()));
}

TEST(qzCustomDataNotifierTest, RemovalReachesTheControllerOnce) {
    TTestController c;
    auto* notifier = new TqzDataControllerNotifier(nullptr, &c);
    auto* watched = new TComponent(nullptr);
    notifier->FreeNotification(watched);
    delete watched;
    EXPECT_EQ(c.RemovedComponents, 1);
    delete notifier;
    EXPECT_EQ(c.RemovedComponents, 1);
}

// ---- The controller's records, items and values ------------------------------------------------------

TEST(qzCustomDataControllerTest, FreshControllerAndRecordCounts) {
    TTestController c;
    EXPECT_EQ(c.GetRecordCount(), 0);
    EXPECT_EQ(c.GetOptions(), 28);
    EXPECT_EQ(c.GetBookmarkRecordIndex(), -1);
    EXPECT_EQ(c.GetMasterRecordIndex(), -1);
    EXPECT_EQ(c.RestoreFocusRecordIndex, -1);
    EXPECT_TRUE(c.GetActive());
    EXPECT_EQ(c.GetNewItemRecordIndexValue(), 0);
    EXPECT_EQ(RaisedMessage([&] { c.CheckRecordIndex(0); }), "RecordIndex out of range");
    EXPECT_LT(c.GetNewItemRecordIndexValue(), 0); // made by the first check
    EXPECT_EQ(c.GetProvider()->GetInsertedRecordIndex(), -1);

    TEventLog log;
    log.Attach(&c);
    c.SetRecordCount(3);
    c.SetRecordCount(-5);
    EXPECT_EQ(c.GetRecordCount(), 0);
    c.SetRecordCount(0);
    EXPECT_EQ(log.Text, "DC2/-1/-1 DC3/-1/-1");
    EXPECT_EQ(log.DataChangedEvents, 2);
}

TEST(qzCustomDataControllerTest, RecordIdsInsertPositionsAndItemChecks) {
    TTestController c;
    c.AddItemOf(IntegerType);
    c.SetRecordCount(2);
    EXPECT_TRUE(VarIsNull(c.GetRecordId(1)));
    EXPECT_EQ(RaisedMessage([&] { c.GetRecordId(2); }), "RecordIndex out of range");
    EXPECT_EQ(RaisedMessage([&] { c.GetRecordId(c.GetNewItemRecordIndex()); }), "RecordIndex out of range");
    c.SetValue(1, 0, 5);
    c.InsertStoredRecord(2);
    EXPECT_EQ(c.GetRecordCount(), 3);
    EXPECT_EQ(c.GetValue(1, 0), Variant(5));
    EXPECT_EQ(RaisedMessage([&] { c.InsertStoredRecord(4); }), "RecordIndex out of range");
    EXPECT_EQ(RaisedMessage([&] { c.AddItem(c.Items[0]); }), "Item already exists");
    EXPECT_EQ(RaisedMessage([&] { c.GetValue(0, 1); }), "ItemIndex out of range");
    EXPECT_EQ(RaisedMessage([&] { c.SetValue(0, -1, 1); }), "ItemIndex out of range");
    EXPECT_EQ(RaisedMessage([&] { c.ChangeValueTypeClass(3, IntegerType); }), "ItemIndex out of range");
    EXPECT_EQ(RaisedMessage([&] { c.GetValue(3, 0); }), "RecordIndex out of range");
}

TEST(qzCustomDataControllerTest, FieldListValues) {
    TTestController c;
    c.AddItemOf(IntegerType);
    c.AddItemOf(StringType);
    c.SetRecordCount(1);
    c.SetValue(0, 0, 4);
    c.SetValue(0, 1, "x");
    EXPECT_TRUE(VarIsNull(c.GetFieldListValue(0, {})));
    EXPECT_EQ(c.GetFieldListValue(0, {c.GetItemField(1)}), Variant("x"));
    const Variant pair = c.GetFieldListValue(0, {c.GetItemField(0), c.GetItemField(1)});
    ASSERT_TRUE(VarIsArray(pair));
    EXPECT_EQ(VarArrayLowBound(pair, 1), 0);
    EXPECT_EQ(VarArrayHighBound(pair, 1), 1);
    EXPECT_EQ(VarArrayGet(pair, {0}), Variant(4));
    EXPECT_EQ(VarArrayGet(pair, {1}), Variant("x"));
}

TEST(qzCustomDataControllerTest, ValuesAndTextsUnboundBoundAndInternal) {
    struct Case {
        bool Bound;
        const char* Text; // the display text of record 0 after writing 42
    };
    for (const Case& k : {Case{false, "42"}, Case{true, "<42>"}}) {
        SCOPED_TRACE(k.Bound ? "bound" : "unbound");
        TFixture f(k.Bound);
        TTestController& c = f.C;
        c.SetValue(0, 0, 42);
        EXPECT_EQ(c.GetValue(0, 0), Variant(42));
        EXPECT_EQ(c.GetDisplayText(0, 0), k.Text);
        EXPECT_EQ(f.Values(), "42,20,30");
        // The new-item buffer is an internal record: always the storage.
        const Integer buffer = c.GetNewItemRecordIndex();
        c.SetValue(buffer, 0, 5);
        EXPECT_EQ(c.GetValue(buffer, 0), Variant(5));
        EXPECT_EQ(c.GetDisplayText(buffer, 0), "5");
        EXPECT_EQ(c.GetRecordCount(), 3);
        if (k.Bound) {
            EXPECT_EQ(f.Source.Records[0].Values[0], Variant(42));
            TqzCustomDataField* id = c.GetRecordIDField();
            ASSERT_NE(id, nullptr);
            EXPECT_TRUE(id->IsInternalField());
            EXPECT_FALSE(c.IsSourceField(id));
            EXPECT_TRUE(c.IsSourceField(c.GetItemField(0)));
            EXPECT_EQ(c.GetFieldValue(2, id), Variant(3)); // the record's handle
            EXPECT_EQ(c.GetRecordId(2), Variant(3));       // the source's key
            EXPECT_EQ(c.GetFieldListValue(1, {}), Variant(2));
            c.SetRecordCount(7);
            EXPECT_EQ(f.Source.AskedCount, 7);
            EXPECT_EQ(c.GetRecordCount(), 3);
        } else {
            EXPECT_EQ(c.GetRecordIDField(), nullptr);
            EXPECT_TRUE(VarIsNull(c.GetRecordId(2)));
        }
    }
}

TEST(qzCustomDataControllerTest, ChangingTheValueTypeRebuildsTheColumn) {
    TTestController c;
    c.AddItemOf(IntegerType);
    c.SetRecordCount(2);
    c.SetValue(0, 0, 3);
    TqzValueDef* before = c.GetItemField(0)->GetValueDef();
    c.ChangeValueTypeClass(0, StringType);
    TqzValueDef* after = c.GetItemField(0)->GetValueDef();
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->GetValueTypeClass(), StringType);
    EXPECT_EQ(c.GetStorage()->GetValueDefs()->DefCount(), 1);
    EXPECT_TRUE(VarIsNull(c.GetValue(0, 0)));
    c.SetValue(1, 0, "abc");
    EXPECT_EQ(c.GetValue(1, 0), Variant("abc"));
    (void)before;
    c.ChangeValueTypeClass(0, nullptr);
    EXPECT_EQ(c.GetItemField(0)->GetValueDef(), nullptr);
    EXPECT_TRUE(VarIsNull(c.GetValue(1, 0)));
}

TEST(qzCustomDataControllerTest, AssignCopiesOptionsAndListedHandlersOnly) {
    TTestController from, to;
    TEventLog log;
    log.Attach(&from);
    from.OnRecordChanged = TqzRecordChangedEvent([](TqzCustomDataController*, Integer, Integer) {});
    from.OnSortingChanged = TNotifyEvent(&log, &TEventLog::Changed);
    from.SetOptions(dcoCaseInsensitive | dcoImmediatePost);
    to.Assign(&from);
    EXPECT_EQ(to.GetOptions(), dcoCaseInsensitive | dcoImmediatePost);
    EXPECT_TRUE(to.OnDataChanged == from.OnDataChanged);
    EXPECT_TRUE(to.OnRecordChanged == from.OnRecordChanged);
    EXPECT_TRUE(to.OnSortingChanged == from.OnSortingChanged);
    EXPECT_FALSE(to.OnBeforePost.Assigned());
    EXPECT_FALSE(to.OnAfterInsert.Assigned());
    EXPECT_FALSE(to.OnNewRecord.Assigned());
    EXPECT_FALSE(to.OnBeforeDelete.Assigned());
    TqzDataFilterCriteria other(&from);
    EXPECT_THROW(to.Assign(&other), EConvertError);
}

TEST(qzCustomDataControllerTest, DataChangesInsideABracketMerge) {
    TTestController c;
    c.AddItemOf(IntegerType);
    c.AddItemOf(IntegerType);
    c.SetRecordCount(3);
    TEventLog log;
    log.Attach(&c);
    struct Case {
        std::vector<std::pair<Integer, Integer>> Writes; // (record, item)
        const char* Expected;
    };
    const std::vector<Case> cases = {
        {{{1, 0}}, "DC0/0/1"},
        {{{1, 0}, {1, 0}}, "DC0/0/1"},
        {{{1, 0}, {1, 1}}, "DC1/-1/1"},
        {{{1, 0}, {2, 0}}, "DC4/0/2"},
    };
    for (const Case& k : cases) {
        log.Text.clear();
        c.LockUpdates();
        c.LockUpdates();
        for (auto [record, item] : k.Writes) c.SetValue(record, item, 1);
        c.UnlockUpdates();
        EXPECT_EQ(log.Text, "");
        c.UnlockUpdates();
        EXPECT_EQ(log.Text, k.Expected);
    }
}

// ---- The provider's editing cycle --------------------------------------------------------------------

TEST(qzCustomDataProviderTest, EventsOfEachOperation) {
    enum Op { Append, Insert, Edit, Post, Cancel, DeleteFocused, DeleteRecords };
    struct Case {
        Op Operation;
        bool NewItemRow, Bound;
        const char* Log;
        const char* Values; // afterwards
    };
    // Post and Cancel follow an edit (or a new record) whose value became 99.
    const std::vector<Case> cases = {
        {Append, false, false, "BI NR3 DC2/-1/-1 AI", "10,20,30,-"},
        {Append, true, false, "BI NR-1 AI", "10,20,30"},
        {Append, false, true, "BI NR3 DC4/-1/-1 AI", "10,20,30,-"},
        {Append, true, true, "BI NR-1 AI", "10,20,30"},
        {Insert, false, false, "BI NR1 DC2/-1/-1 AI", "10,-,20,30"},
        {Insert, true, false, "BI NR-1 AI", "10,20,30"},
        {Insert, false, true, "BI NR1 DC4/-1/-1 AI", "10,-,20,30"},
        {Insert, true, true, "BI NR-1 AI", "10,20,30"},
        {Edit, false, false, "", "10,20,30"},
        {Edit, true, true, "", "10,20,30"},
        {Post, false, false, "BP DC1/-1/1 AP", "10,99,30"},
        {Post, true, false, "BP DC2/-1/-1 DC1/-1/3 DC1/-1/3 AP", "10,20,30,99"},
        {Post, false, true, "BP DC1/-1/1 AP", "10,99,30"},
        {Post, true, true, "BP DC4/-1/-1 DC1/-1/3 DC1/-1/3 AP", "10,20,30,99"},
        {Cancel, false, false, "BC DC1/-1/1 AC", "10,20,30"},
        {Cancel, true, false, "BC AC", "10,20,30"},
        {Cancel, false, true, "BC DC1/-1/1 AC", "10,20,30"},
        {Cancel, true, true, "BC AC", "10,20,30"},
        {DeleteFocused, false, false, "BD1 DC3/-1/-1 AD", "10,30"},
        {DeleteFocused, true, false, "BD1 DC3/-1/-1 AD", "10,30"},
        {DeleteFocused, false, true, "BD1 DC4/-1/-1 AD", "10,30"},
        {DeleteFocused, true, true, "BD1 DC4/-1/-1 AD", "10,30"},
        {DeleteRecords, false, false, "BD2 AD BD0 AD DC3/-1/-1", "20"},
        {DeleteRecords, true, false, "BD2 AD BD0 AD DC3/-1/-1", "20"},
        {DeleteRecords, false, true, "BD2 AD BD0 AD DC4/-1/-1", "20"},
        {DeleteRecords, true, true, "BD2 AD BD0 AD DC4/-1/-1", "20"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.Operation) + (k.NewItemRow ? " new-item row" : "") + (k.Bound ? " bound" : ""));
        TFixture f(k.Bound, k.NewItemRow);
        TqzCustomDataProvider* p = f.C.GetProvider();
        const Integer lockBefore = f.C.GetLockCount();
        switch (k.Operation) {
        case Append: p->Append(); break;
        case Insert: p->Insert(); break;
        case Edit: p->Edit(); break;
        case Post:
        case Cancel:
            if (k.NewItemRow)
                p->Append();
            else
                p->Edit();
            p->SetEditingFieldValue(p->GetEditRecordIndex(), f.C.GetItemField(0), 0, 99);
            f.Log.Text.clear();
            if (k.Operation == Post)
                p->Post();
            else
                p->Cancel();
            EXPECT_FALSE(p->IsEditing());
            break;
        case DeleteFocused: p->DeleteFocused(); break;
        case DeleteRecords: p->DeleteRecords({0, 2}); break;
        }
        EXPECT_EQ(f.Log.Text, k.Log);
        EXPECT_EQ(f.Values(), k.Values);
        EXPECT_EQ(f.C.GetLockCount(), lockBefore);
        if (k.Operation == Append || k.Operation == Insert) {
            EXPECT_TRUE(p->IsInserting());
            EXPECT_EQ(f.C.IsNewItemRowFocused(), k.NewItemRow);
        }
        if (k.Operation == Edit) {
            EXPECT_TRUE(p->IsEditing());
            EXPECT_FALSE(p->IsInserting());
            EXPECT_EQ(p->GetEditRecordIndex(), 1);
            EXPECT_EQ(p->GetEditSuccessor(), 2);
        }
    }
}

TEST(qzCustomDataProviderTest, EditingEdgeCases) {
    TFixture f(false);
    TqzCustomDataProvider* p = f.C.GetProvider();
    // A second append while an untouched new record is open leaves it alone.
    p->Append();
    f.Log.Text.clear();
    p->Append();
    EXPECT_EQ(f.Log.Text, "");
    EXPECT_EQ(f.C.GetRecordCount(), 4);
    // Posting the untouched new record cancels it without post events.
    p->Post();
    EXPECT_EQ(f.Log.Text, "BC DC3/-1/-1 AC DC4/-1/-1");
    EXPECT_EQ(f.Values(), "10,20,30");
    // Appending while a modified edit is open posts it first.
    f.C.SetFocusedRecordIndex(0);
    p->Edit();
    p->SetEditingFieldValue(0, f.C.GetItemField(0), 0, 11);
    f.Log.Text.clear();
    p->Append();
    EXPECT_EQ(f.Log.Text, "BP DC1/-1/0 AP BI NR3 DC2/-1/-1 AI");
    EXPECT_EQ(f.Values(), "11,20,30,-");
    p->Cancel();
    // UpdateData from within itself does nothing.
    p->Edit();
    p->MarkChanging();
    p->UpdateData();
    EXPECT_EQ(f.C.PendingWrites, 1);
    // A notification lock keeps DataChanged from the controller, but the edit still ends.
    p->LockNotifications();
    f.Log.Text.clear();
    p->DataChanged(dcRecordChanged, -1, 0);
    EXPECT_EQ(f.Log.Text, "");
    EXPECT_FALSE(p->IsEditing());
    p->UnlockNotifications();
}

TEST(qzCustomDataProviderTest, WithoutSourceAndKindOneTexts) {
    TTestController c;
    c.AddItemOf(StringType);
    c.AddItemOf(IntegerType);
    c.SetRecordCount(1);
    TqzCustomDataProvider* p = c.GetProvider();
    EXPECT_FALSE(p->CanReadData());
    EXPECT_EQ(p->AppendSourceRecord(), -1);
    EXPECT_EQ(p->InsertSourceRecord(0), -1);
    EXPECT_TRUE(VarIsNull(p->GetSourceValue(0, c.GetItemField(0))));
    EXPECT_EQ(p->GetSourceDisplayText(0, c.GetItemField(0)), "");
    EXPECT_TRUE(VarIsNull(p->GetSourceRecordKey(0)));
    EXPECT_FALSE(p->DetailHasData(0, 0));
    EXPECT_EQ(RaisedMessage([&] { p->ReadEditValue(qzNoRecord, c.GetItemField(0), 0); }), "RecordIndex out of range");
    EXPECT_EQ(RaisedMessage([&] { p->CanInitEditing(5); }), "RecordIndex out of range");

    struct Case {
        Integer Kind;
        Variant Value;
        bool StoredNull;
    };
    for (const Case& k : {Case{1, "", true}, Case{0, "", false}, Case{1, "a", false}}) {
        c.SetValue(0, 0, "old");
        EXPECT_TRUE(p->SetEditingFieldValue(0, c.GetItemField(0), k.Kind, k.Value));
        EXPECT_EQ(VarIsNull(c.GetValue(0, 0)), k.StoredNull) << k.Kind;
        EXPECT_TRUE(p->IsModified());
    }
}

TEST(qzCustomDataProviderTest, GroupValuesWithoutGroupingAndDeleteFocusChoice) {
    TFixture f(false);
    ASSERT_TRUE(f.C.GetOptions() & dcoAssignGroupingValues);
    TqzCustomDataProvider* p = f.C.GetProvider();
    p->Insert();
    EXPECT_TRUE(VarIsNull(f.C.GetValue(1, 0)));
    p->Cancel();
    EXPECT_EQ(f.Values(), "10,20,30");

    struct Case {
        Integer Focused, Restore, FocusedAfter;
    };
    for (const Case& k : {Case{1, 2, 1}, Case{2, 1, 1}, Case{0, 1, 0}}) {
        TFixture g(false);
        g.C.SetFocusedRecordIndex(k.Focused);
        g.C.GetProvider()->PrepareDelete();
        EXPECT_EQ(g.C.RestoreFocusRecordIndex, k.Restore) << k.Focused;
        g.C.GetProvider()->DeleteFocused();
        EXPECT_EQ(g.C.GetFocusedRecordIndex(), k.FocusedAfter) << k.Focused;
        g.C.GetProvider()->FinishDelete();
        EXPECT_EQ(g.C.RestoreFocusRecordIndex, -1);
    }
}

TEST(qzCustomDataProviderTest, ComparingFieldsOfRecords) {
    TFixture f(false);
    TqzDataStorage* storage = f.C.GetStorage();
    TqzCustomDataField* field = f.C.GetItemField(0);
    TqzCustomDataProvider* p = f.C.GetProvider();
    const Integer a = storage->AcquireInternalRecord();
    const Integer b = storage->AcquireInternalRecord();
    storage->WriteValue(a, field->GetValueDef(), 5);
    storage->WriteValue(b, field->GetValueDef(), -5);
    EXPECT_GT(p->CompareFieldOfRecords(a, b, field), 0);
    EXPECT_LT(p->CompareFieldOfRecords(b, a, field), 0);
    f.C.SetValue(2, 0, Null());
    EXPECT_LT(p->CompareFieldOfRecords(2, 0, field), 0);
    EXPECT_GT(p->CompareFieldOfRecords(b, 2, field), 0);
    EXPECT_LT(p->CompareFieldOfRecords(b, 0, field), 0);

    TFixture g(true);
    g.Source.Records[1].Values.erase(0);
    TqzCustomDataProvider* q = g.C.GetProvider();
    TqzCustomDataField* boundField = g.C.GetItemField(0);
    EXPECT_LT(q->CompareFieldOfRecords(1, 0, boundField), 0);
    EXPECT_GT(q->CompareFieldOfRecords(2, 0, boundField), 0);
    EXPECT_EQ(q->CompareFieldOfRecords(0, 0, boundField), 0);
}

TEST(qzCustomDataProviderTest, ARaisingBeforePostHandlerLeavesTheEditOpen) {
    for (bool bound : {false, true}) {
        SCOPED_TRACE(bound ? "bound" : "unbound");
        TFixture f(bound, true);
        TqzCustomDataProvider* p = f.C.GetProvider();
        p->Append();
        p->SetEditingFieldValue(p->GetEditRecordIndex(), f.C.GetItemField(0), 0, 7);
        const Integer editing = p->GetEditRecordIndex();
        f.Log.RaiseInBeforePost = true;
        f.C.LockUpdates();
        EXPECT_THROW(f.C.PostEditing(), EAbort);
        EXPECT_EQ(f.C.GetLockCount(), 1);
        f.C.UnlockUpdates();
        EXPECT_EQ(f.C.GetLockCount(), 0);
        EXPECT_EQ(p->GetLockCount(), 0);
        EXPECT_TRUE(p->IsEditing());
        EXPECT_TRUE(p->IsInserting());
        EXPECT_EQ(p->GetEditRecordIndex(), editing);
        EXPECT_EQ(f.C.GetValue(editing, 0), Variant(7));
        EXPECT_EQ(f.C.GetRecordCount(), 3);
        f.Log.RaiseInBeforePost = false;
        f.C.PostEditing();
        EXPECT_EQ(f.Values(), "10,20,30,7");
    }
}

TEST(qzCustomDataProviderTest, AFailingSourceLeavesTheLockCountsAsTheyWere) {
    TFixture f(true, true);
    TqzCustomDataProvider* p = f.C.GetProvider();
    p->Append();
    p->SetEditingFieldValue(p->GetEditRecordIndex(), f.C.GetItemField(0), 0, 7);
    f.Source.FailAppend = true;
    EXPECT_THROW(p->Post(), EInvalidOperation);
    EXPECT_FALSE(p->IsDataChangedLocked());
    EXPECT_EQ(f.C.GetLockCount(), 0);
    EXPECT_EQ(p->GetLockCount(), 0);
    EXPECT_TRUE(p->IsInserting());
    p->Cancel();

    TFixture g(true, false);
    g.Source.FailAppend = true;
    g.C.LockUpdates();
    EXPECT_THROW(g.C.GetProvider()->Append(), EInvalidOperation);
    EXPECT_EQ(g.C.GetLockCount(), 1);
    g.C.UnlockUpdates();
    EXPECT_FALSE(g.C.GetProvider()->IsEditing());
    EXPECT_EQ(g.Values(), "10,20,30");
}
