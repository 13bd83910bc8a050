// The data controller over a data set: value types of fields, data fields, loading and editing
// through the provider, keys, the mode controller, the detail filter adapter, the data-set filter.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/DB.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "suite/data/qzDBData.h"
#include "suite/foundation/qzVariants.h"
#include "tests/support/LinesQuery.h"
#include "tests/support/TestSupport.h"

namespace {

class TTestItem : public TObject {};

// A controller whose items are plain objects, each bound to a data-set field by name.
class TTestDBController : public TqzDBDataController {
public:
    explicit TTestDBController(TComponent* owner = nullptr) : TqzDBDataController(owner) {}
    ~TTestDBController() override {
        for (TObject* item : Items) delete item;
    }
    TObject* GetItem(Integer index) const override { return Items.at(std::size_t(index)); }
    Integer AddFieldItem(const String& fieldName) {
        auto* item = new TTestItem();
        Items.push_back(item);
        AddItem(item);
        const Integer index = Integer(Items.size()) - 1;
        SetItemFieldName(index, fieldName);
        return index;
    }
    void FocusControlOfItem(Integer itemIndex, bool& handled) override {
        FocusedItem = itemIndex;
        handled = true;
    }
    std::vector<TObject*> Items;
    Integer FocusedItem = -1;
};

// Rows (ID, Name, Amount): ID 1..count, Name "N<id>", Amount id * 1.5.
struct TTable {
    explicit TTable(Integer count = 0) {
        DataSet.GetFieldDefs()->Add("ID", ftInteger);
        DataSet.GetFieldDefs()->Add("Name", ftString, 20);
        DataSet.GetFieldDefs()->Add("Amount", ftFloat);
        DataSet.CreateDataSet();
        for (Integer id = 1; id <= count; ++id) DataSet.AppendRecord({id, "N" + IntToStr(id), id * 1.5});
        DataSet.First();
        Source.SetDataSet(&DataSet);
    }
    TMemDataSet DataSet{nullptr};
    TDataSource Source{nullptr};
};

struct TBound {
    explicit TBound(TTable& table) {
        ID = Controller.AddFieldItem("ID");
        Name = Controller.AddFieldItem("Name");
        Amount = Controller.AddFieldItem("Amount");
        Controller.SetDataSource(&table.Source);
    }
    TTestDBController Controller;
    Integer ID = -1, Name = -1, Amount = -1;
};

// A changed record being edited that the data set refuses to post while this lives.
struct TRefusedEdit {
    explicit TRefusedEdit(TMemDataSet& dataSet) : DataSet(dataSet) {
        DataSet.BeforePost = TDataSetNotifyEvent(this, &TRefusedEdit::Refuse);
        DataSet.Edit();
        DataSet.FieldByName("Name")->SetAsString("changed");
    }
    ~TRefusedEdit() {
        DataSet.BeforePost = TDataSetNotifyEvent();
        DataSet.Cancel();
    }
    void Refuse(TDataSet*) { throw EDatabaseError("refused"); }
    TMemDataSet& DataSet;
};

// A field of any type, as the class library has no field class for some.
class TTypedField : public TField {
public:
    explicit TTypedField(TFieldType type) : TField(nullptr) { SetDataType(type); }
};

using kovtest::TLinesQuery;

} // namespace


// ---- Field types and data fields -----------------------------------------------------------------

TEST(DBDataFieldTest, EveryFieldTypeHasItsValueType) {
    const TqzValueTypeClass stringType = ValueTypeClass<TqzStringValueType>();
    const TqzValueTypeClass variantType = ValueTypeClass<TqzVariantValueType>();
    const std::vector<TqzValueTypeClass> expected = {
        variantType,                                // ftUnknown
        stringType,                                 // ftString
        ValueTypeClass<TqzSmallintValueType>(),     // ftSmallint
        ValueTypeClass<TqzIntegerValueType>(),      // ftInteger
        ValueTypeClass<TqzWordValueType>(),         // ftWord
        ValueTypeClass<TqzBooleanValueType>(),      // ftBoolean
        ValueTypeClass<TqzFloatValueType>(),        // ftFloat
        ValueTypeClass<TqzFloatValueType>(),        // ftCurrency
        ValueTypeClass<TqzCurrencyValueType>(),     // ftBCD
        ValueTypeClass<TqzDateTimeValueType>(),     // ftDate
        ValueTypeClass<TqzDateTimeValueType>(),     // ftTime
        ValueTypeClass<TqzDateTimeValueType>(),     // ftDateTime
        variantType, variantType,                   // ftBytes, ftVarBytes
        ValueTypeClass<TqzIntegerValueType>(),      // ftAutoInc
        variantType, variantType, variantType, variantType, variantType, variantType, variantType, variantType,
        variantType,                                // ftBlob .. ftFixedChar
        ValueTypeClass<TqzWideStringValueType>(),   // ftWideString
        ValueTypeClass<TqzLargeIntValueType>(),     // ftLargeint
        variantType, variantType, variantType, variantType, variantType, variantType, variantType, variantType,
        variantType, variantType, variantType,      // ftADT .. ftTimeStamp
        ValueTypeClass<TqzFMTBcdValueType>(),       // ftFMTBcd
    };
    ASSERT_EQ(expected.size(), std::size_t(FieldTypeCount));
    for (Integer type = 0; type < FieldTypeCount; ++type) {
        SCOPED_TRACE(FieldTypeNames[type]);
        TTypedField field(static_cast<TFieldType>(type));
        EXPECT_EQ(GetValueTypeClassForField(&field), expected[std::size_t(type)]);
    }
    EXPECT_EQ(GetValueTypeClassForField(nullptr), stringType);
}

TEST(DBDataFieldTest, StoredTextAndCurrencyFollowTheField) {
    struct TCase {
        TFieldType Type;
        bool Currency;
        String DisplayFormat;
        bool CanEdit;
        bool StoresText;
        bool CurrencyValues;
    };
    const TCase cases[] = {
        {ftString, false, "", true, false, false},   {ftInteger, false, "", true, false, false},
        {ftInteger, false, "0.00", true, true, false}, {ftFloat, true, "", true, true, true},
        {ftFloat, true, "0.0", true, true, false},   {ftBoolean, false, "", true, true, false},
        {ftBoolean, false, "", false, false, false}, {ftDateTime, false, "", true, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(String(FieldTypeNames[c.Type]) + " " + c.DisplayFormat);
        std::unique_ptr<TObject> object(DefaultFieldClass(c.Type)->Create(nullptr));
        auto* field = static_cast<TField*>(object.get());
        if (c.Currency) SetOrdProp(field, "Currency", 1);
        if (!c.DisplayFormat.empty()) SetStrProp(field, "DisplayFormat", c.DisplayFormat);
        EXPECT_EQ(FieldNeedsStoredText(field, c.CanEdit), c.StoresText);
        EXPECT_EQ(FieldHoldsCurrencyValues(field), c.CurrencyValues);
    }
}

TEST(DBDataFieldTest, ChildrenBelongToOneCompoundField) {
    TTestDBController controller;
    auto* compound = static_cast<TqzDBDataField*>(controller.CreateInternalField());
    auto* other = static_cast<TqzDBDataField*>(controller.CreateInternalField());
    auto* child = static_cast<TqzDBDataField*>(controller.CreateInternalField());
    compound->AddChild(child);
    compound->AddChild(child); // already there: ignored
    EXPECT_EQ(compound->ChildCount(), 1);
    EXPECT_THROW(
        {
            try {
                other->AddChild(child);
            } catch (const EqzInvalidDataControllerOperation& e) {
                EXPECT_EQ(e.Message, "ADataField.FParentField <> nil");
                throw;
            }
        },
        EqzInvalidDataControllerOperation);
    EXPECT_EQ(other->ChildCount(), 0);
    EXPECT_EQ(child->GetCompoundField(), compound);
    delete compound; // frees its child too
    delete other;
}

TEST(DBDataFieldTest, AnUnboundFieldIsAKeyFieldAndAFreedFieldUnlinks) {
    TTable table(3);
    TBound bound(table);
    auto* idField = static_cast<TqzDBDataField*>(bound.Controller.GetItemField(bound.ID));
    EXPECT_FALSE(idField->IsKeyField());
    EXPECT_EQ(idField->GetField(), table.DataSet.FindField("ID"));

    auto* item = new TTestItem();
    bound.Controller.Items.push_back(item);
    bound.Controller.AddItem(item);
    auto* unbound = static_cast<TqzDBDataField*>(bound.Controller.FindItemField(item));
    unbound->SetValueTypeClass(ValueTypeClass<TqzIntegerValueType>());
    EXPECT_TRUE(unbound->IsKeyField());

    // A persistent field freed while the data set is closed: the data field lets it go.
    table.DataSet.Close();
    TTable persistent;
    persistent.DataSet.Close();
    std::unique_ptr<TField> name(static_cast<TFieldDef*>(persistent.DataSet.GetFieldDefs()->GetItems(1))->CreateField(nullptr, &persistent.DataSet));
    TTestDBController other;
    const Integer nameItem = other.AddFieldItem("Name");
    other.SetDataSource(&persistent.Source);
    auto* nameField = static_cast<TqzDBDataField*>(other.GetItemField(nameItem));
    nameField->SetField(name.get());
    EXPECT_EQ(nameField->GetField(), name.get());
    name.reset();
    EXPECT_EQ(nameField->GetField(), nullptr);
}

// ---- Loading and editing -------------------------------------------------------------------------

TEST(DBDataControllerTest, LoadsEveryRecordAndFollowsTheDataSet) {
    TTable table(200);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    ASSERT_EQ(c.GetRecordCount(), 200);
    EXPECT_EQ(c.GetValue(0, bound.ID).AsInteger(), 1);
    EXPECT_EQ(c.GetValue(199, bound.Name), Variant("N200"));
    EXPECT_DOUBLE_EQ(c.GetValue(9, bound.Amount).AsDouble(), 15.0);
    EXPECT_EQ(c.GetFocusedRecordIndex(), 0);

    // Scrolling the data set moves the focus; focusing a row moves the data set.
    table.DataSet.MoveBy(5);
    EXPECT_EQ(c.GetFocusedRecordIndex(), 5);
    c.GetInfo()->FocusRow(42);
    EXPECT_EQ(table.DataSet.FieldByName("ID")->GetAsInteger(), 43);
}

TEST(DBDataControllerTest, EditsThroughTheProviderReachTheDataSetAndTheRows) {
    TTable table(200);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    TqzDBDataProvider* provider = c.GetDBProvider();

    // Append.
    provider->Append();
    EXPECT_EQ(table.DataSet.GetState(), dsInsert);
    table.DataSet.FieldByName("ID")->SetAsInteger(201);
    table.DataSet.FieldByName("Name")->SetAsString("new");
    provider->Post();
    EXPECT_EQ(table.DataSet.GetState(), dsBrowse);
    ASSERT_EQ(c.GetRecordCount(), 201);
    EXPECT_EQ(c.GetValue(200, bound.Name), Variant("new"));
    EXPECT_EQ(c.GetFocusedRecordIndex(), 200);

    // Edit a value through the provider, then cancel: nothing changes.
    c.GetInfo()->FocusRow(10);
    provider->Edit();
    ASSERT_TRUE(provider->SetEditingFieldValue(10, c.GetItemField(bound.Name), 0, Variant("edited")));
    EXPECT_EQ(c.GetValue(10, bound.Name), Variant("edited"));
    provider->Cancel();
    EXPECT_EQ(table.DataSet.FieldByName("Name")->GetAsString(), "N11");
    EXPECT_EQ(c.GetValue(10, bound.Name), Variant("N11"));

    // Edit and post.
    provider->Edit();
    provider->SetEditingFieldValue(10, c.GetItemField(bound.Name), 1, Variant("posted"));
    provider->Post();
    EXPECT_EQ(table.DataSet.FieldByName("Name")->GetAsString(), "posted");
    EXPECT_EQ(c.GetValue(10, bound.Name), Variant("posted"));

    // Insert before the focused record.
    c.GetInfo()->FocusRow(3);
    provider->Insert();
    table.DataSet.FieldByName("ID")->SetAsInteger(1000);
    provider->Post();
    ASSERT_EQ(c.GetRecordCount(), 202);
    EXPECT_EQ(c.GetValue(3, bound.ID).AsInteger(), 1000);

    // Delete the focused record.
    c.GetInfo()->FocusRow(0);
    provider->DeleteFocused();
    ASSERT_EQ(c.GetRecordCount(), 201);
    EXPECT_EQ(table.DataSet.GetRecordCount(), 201);
    EXPECT_EQ(c.GetValue(0, bound.ID).AsInteger(), 2);
}

TEST(DBDataControllerTest, ClosingTheDataSetUnbindsAndOpeningReloads) {
    TTable table(5);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    table.DataSet.Close();
    EXPECT_EQ(c.GetRecordCount(), 0);
    EXPECT_EQ(c.GetItemDataSetField(bound.ID), nullptr);
    table.DataSet.Open();
    table.DataSet.AppendRecord({7, "seven", 1.0});
    EXPECT_EQ(c.GetRecordCount(), 1);
    EXPECT_EQ(c.GetValue(0, bound.Name), Variant("seven"));
}

// ---- Keys ----------------------------------------------------------------------------------------

TEST(DBDataControllerTest, KeysOfOneAndTwoFields) {
    TTable table(20);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    c.SetKeyFieldNames("ID");
    EXPECT_TRUE(c.UsesSourceValues());
    EXPECT_EQ(c.FindRecordIndexByKey(7), 6);
    EXPECT_EQ(c.FindRecordIndexByKey(99), -1);
    table.DataSet.MoveBy(3);
    EXPECT_EQ(c.GetDataSetKeyValue().AsInteger(), 4);
    EXPECT_TRUE(c.LocateByKey(12));
    EXPECT_EQ(c.GetFocusedRecordIndex(), 11);
    EXPECT_EQ(table.DataSet.FieldByName("ID")->GetAsInteger(), 12);

    c.SetKeyFieldNames("ID;Name");
    ASSERT_NE(c.GetKeyField(), nullptr);
    EXPECT_EQ(c.GetKeyField()->ChildCount(), 2);
    EXPECT_EQ(c.FindRecordIndexByKey(VarArrayOf({Variant(5), Variant("N5")})), 4);
    EXPECT_EQ(c.FindRecordIndexByKey(5), -1); // not an array
    EXPECT_TRUE(VariantValuesEqual(c.GetRecordId(4), VarArrayOf({Variant(5), Variant("N5")})));

    c.SetKeyFieldNames("ID;Missing");
    EXPECT_THROW(c.GetDataSetKeyValue(), EqzInvalidDataControllerOperation);

    c.SetKeyFieldNames("");
    EXPECT_EQ(c.GetKeyField(), nullptr);
    EXPECT_FALSE(c.UsesSourceValues());
}

// Key fields no item shows, named after the records were loaded, find their records at once.
TEST(DBDataControllerTest, KeyFieldsNamedAfterLoadingFindTheirRecords) {
    struct Case {
        const char* Names;
        Variant Key;
        Integer Record;
    };
    const Case cases[] = {{"ID", Variant(7), 6},
                          {"ID;Amount", VarArrayOf({Variant(5), Variant(7.5)}), 4},
                          {"Amount", Variant(3.0), 1}};
    for (const Case& t : cases) {
        SCOPED_TRACE(t.Names);
        TTable table(10);
        TTestDBController c;
        c.AddFieldItem("Name");
        c.SetDataSource(&table.Source);
        ASSERT_EQ(c.GetRecordCount(), 10);
        c.ChangeFocusedRecordIndex(3);
        c.SetKeyFieldNames(t.Names);
        EXPECT_EQ(c.GetFocusedRecordIndex(), 3) << "the focus stays";
        EXPECT_EQ(c.FindRecordIndexByKey(t.Key), t.Record);
        EXPECT_TRUE(VariantValuesEqual(c.GetRecordId(t.Record), t.Key));
        EXPECT_EQ(c.GetValue(t.Record, 0), Variant("N" + IntToStr(t.Record + 1))) << "the items keep their values";
    }
    // In grid mode the key is searched in the loaded buffer.
    TTable table(10);
    TTestDBController c;
    c.AddFieldItem("Name");
    c.GetDataModeController()->SetGridMode(true);
    c.SetDataSource(&table.Source);
    c.SetKeyFieldNames("ID");
    EXPECT_EQ(c.FindRecordIndexByKey(4), 3);
}

TEST(DBDataControllerTest, TheControllerErrors) {
    TTable table(3);
    TBound bound(table);
    try {
        bound.Controller.GetSelectedBookmark(0);
        FAIL();
    } catch (const EqzInvalidDataControllerOperation& e) {
        EXPECT_EQ(e.Message, "DataController not in GridMode");
    }
    EXPECT_THROW(bound.Controller.GetSelectionAnchorBookmark(), EqzInvalidDataControllerOperation);
    EXPECT_NE(bound.Controller.GetDetailFilterAdapter(), nullptr);
    TTestDBController unbound;
    try {
        unbound.GetDetailFilterAdapter();
        FAIL();
    } catch (const EqzInvalidDataControllerOperation& e) {
        EXPECT_EQ(e.Message, "DetailFilterController not found");
    }
}

TEST(DBDataControllerTest, TwoControllersOnOneDataSetBothFollowIt) {
    TTable table(10);
    TBound first(table);
    TBound second(table);
    EXPECT_EQ(TqzDBDataProvider::RegistryCount(), 2);
    table.DataSet.AppendRecord({11, "eleven", 0.0});
    EXPECT_EQ(first.Controller.GetRecordCount(), 11);
    EXPECT_EQ(second.Controller.GetRecordCount(), 11);
    first.Controller.GetInfo()->FocusRow(4);
    EXPECT_EQ(second.Controller.GetFocusedRecordIndex(), 4);
}

TEST(DBDataControllerTest, FocusControlReachesTheItem) {
    TTable table(3);
    TBound bound(table);
    table.DataSet.FieldByName("Name")->FocusControl();
    EXPECT_EQ(bound.Controller.FocusedItem, bound.Name);
}

// ---- Mode controller and the detail filter adapter -----------------------------------------------

TEST(DBDataModeControllerTest, SettersAndAssign) {
    TTestDBController controller;
    TqzDBDataModeController* mode = controller.GetDataModeController();
    mode->SetGridModeBufferCount(-3);
    EXPECT_EQ(mode->GetGridModeBufferCount(), 0);
    EXPECT_EQ(controller.GetDefaultGridModeBufferCount(), 100);

    TTestDBController other;
    TqzDBDataModeController* source = other.GetDataModeController();
    source->DetailInSQLMode = true;
    source->DetailSyncActive = false;
    source->SetGridModeBufferCount(7);
    source->SetSmartRefresh(true);
    source->InsertInSync = false;
    source->SetSyncMode(false);
    mode->Assign(source);
    EXPECT_TRUE(mode->DetailInSQLMode);
    EXPECT_FALSE(mode->DetailSyncActive);
    EXPECT_EQ(mode->GetGridModeBufferCount(), 7);
    EXPECT_TRUE(mode->GetSmartRefresh());
    EXPECT_FALSE(mode->InsertInSync);
    EXPECT_FALSE(mode->GetSyncMode());
}

TEST(DBDataModeControllerTest, GridModeOnAUnidirectionalDataSetIsStoredOnly) {
    class TOneWay : public TMemDataSet {
    public:
        using TMemDataSet::TMemDataSet;
        bool IsUnidirectional() const override { return true; }
    };
    TOneWay dataSet(nullptr);
    dataSet.GetFieldDefs()->Add("ID", ftInteger);
    dataSet.CreateDataSet();
    TDataSource source(nullptr);
    source.SetDataSet(&dataSet);
    TTestDBController controller;
    controller.SetDataSource(&source);
    controller.GetDataModeController()->SetGridMode(true);
    EXPECT_TRUE(controller.GetDataModeController()->GetGridMode());
    EXPECT_FALSE(controller.GetDBProvider()->IsGridMode());
}

TEST(DBProviderDetailFilterAdapterTest, CurrentQueryAndReopening) {
    TLinesQuery query(nullptr);
    query.CreateDataSet();
    TqzDBProviderDetailFilterAdapter adapter(TDataSet::StaticClass());
    const Integer openings = query.Openings;

    bool reopened = false;
    adapter.ReopenWithParams(&query, "Master", reopened, 2);
    EXPECT_TRUE(reopened);
    EXPECT_EQ(query.Openings, openings + 1);
    EXPECT_EQ(query.GetRecordCount(), 2);
    EXPECT_FALSE(query.ControlsDisabled());
    EXPECT_TRUE(adapter.IsCurrentQuery(&query, "Master", 2));
    EXPECT_FALSE(adapter.IsCurrentQuery(&query, "Master", 3));

    // The same parameters: only a move to the first record.
    query.Last();
    reopened = false;
    adapter.ReopenWithParams(&query, "Master", reopened, 2);
    EXPECT_FALSE(reopened);
    EXPECT_EQ(query.Openings, openings + 1);
    EXPECT_TRUE(query.Bof());

    // A data set without "Params" is never current and never re-queried.
    TMemDataSet plain(nullptr);
    plain.GetFieldDefs()->Add("Master", ftInteger);
    plain.CreateDataSet();
    EXPECT_FALSE(adapter.IsCurrentQuery(&plain, "Master", Null()));
    reopened = false;
    adapter.ReopenWithParams(&plain, "Master", reopened, 1);
    EXPECT_FALSE(reopened);

    // Outside SQL mode the detail is located.
    plain.AppendRecord({1});
    plain.AppendRecord({2});
    adapter.DetailFirst(&plain, "Master", reopened, false, 2);
    EXPECT_EQ(plain.FieldByName("Master")->GetAsInteger(), 2);
}

TEST(DBProviderDetailFilterAdapterTest, AFailingReopenEnablesTheControlsAgain) {
    TLinesQuery query(nullptr);
    query.CreateDataSet();
    struct TRefuse {
        void Open(TDataSet*) { throw EDatabaseError("cannot open"); }
    } refuse;
    query.BeforeOpen = TDataSetNotifyEvent(&refuse, &TRefuse::Open);
    TqzDBProviderDetailFilterAdapter adapter(TDataSet::StaticClass());
    bool reopened = false;
    EXPECT_THROW(adapter.ReopenWithParams(&query, "Master", reopened, 3), EDatabaseError);
    EXPECT_FALSE(reopened);
    EXPECT_FALSE(query.ControlsDisabled());
}

// ---- Data-set filter -----------------------------------------------------------------------------

TEST(DBDataFilterCriteriaTest, TheDataSetFiltersWhenAsked) {
    TTable table(10);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    TqzDBDataFilterCriteria* filter = c.GetDBFilter();
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(filter->GetIgnoreOrigin());

    filter->SetAutoDataSetFilter(true);
    EXPECT_FALSE(table.DataSet.GetFiltered());
    EXPECT_EQ(table.DataSet.GetFilter(), "");

    struct TWatch {
        void BeforeChange(TObject*, TDataSet* dataSet, const String& text) {
            DataSet = dataSet;
            Text = text;
        }
        TDataSet* DataSet = nullptr;
        String Text;
    } watch;
    filter->OnBeforeChange = TqzDBDataFilterBeforeChangeEvent(&watch, &TWatch::BeforeChange);
    filter->BeginUpdate();
    filter->AddCondition(filter->GetRoot(), c.GetItemField(bound.ID), fokGreater, 7);
    filter->SetActive(true);
    filter->EndUpdate();
    EXPECT_EQ(watch.DataSet, &table.DataSet);
    EXPECT_FALSE(watch.Text.empty());
    EXPECT_TRUE(table.DataSet.GetFiltered());
    EXPECT_EQ(table.DataSet.GetFilter(), watch.Text);
    EXPECT_FALSE(filter->IsFiltering());
    EXPECT_EQ(c.GetRecordCount(), 3);
}

// ---- What the controller hears of the data set ---------------------------------------------------

namespace {

// Counts the records read from the data set.
class TCountingController : public TTestDBController {
public:
    using TTestDBController::TTestDBController;
    void RecordLoaded(Integer recordIndex) override {
        ++Reads;
        ReadRecords.insert(recordIndex);
        TTestDBController::RecordLoaded(recordIndex);
    }
    Integer Reads = 0;
    std::set<Integer> ReadRecords;
};

std::vector<Integer> RowIDs(TqzCustomDataController& c, Integer idItem) {
    std::vector<Integer> ids;
    for (Integer row = 0; row < c.GetRowCount(); ++row)
        ids.push_back(c.GetValue(c.GetInfo()->GetRowRecordIndex(row), idItem).AsInteger());
    return ids;
}

} // namespace

TEST(DBDataControllerTest, DataSetActionsReachTheController) {
    struct TCase {
        const char* Name;
        void (*Action)(TMemDataSet&);
        Integer Records;
        Integer Focused;
        bool Editing;
    };
    const TCase cases[] = {
        {"scroll", [](TMemDataSet& d) { d.MoveBy(3); }, 10, 3, false},
        {"last", [](TMemDataSet& d) { d.Last(); }, 10, 9, false},
        {"edit", [](TMemDataSet& d) { d.Edit(); }, 10, 0, true},
        {"edit and post",
         [](TMemDataSet& d) {
             d.Edit();
             d.FieldByName("Name")->SetAsString("x");
             d.Post();
         },
         10, 0, false},
        {"insert", [](TMemDataSet& d) { d.Insert(); }, 11, 0, true},
        {"append and cancel",
         [](TMemDataSet& d) {
             d.Append();
             d.Cancel();
         },
         10, 9, false},
        {"append and post", [](TMemDataSet& d) { d.AppendRecord({11, "eleven", 0.0}); }, 11, 10, false},
        {"delete", [](TMemDataSet& d) { d.Delete(); }, 9, 0, false},
        {"close", [](TMemDataSet& d) { d.Close(); }, 0, -1, false},
        {"layout change while disabled",
         [](TMemDataSet& d) {
             d.DisableControls();
             d.Close();
             d.Open();
             d.AppendRecord({1, "one", 0.0});
             d.EnableControls();
         },
         1, 0, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTable table(10);
        TBound bound(table);
        c.Action(table.DataSet);
        EXPECT_EQ(bound.Controller.GetRecordCount(), c.Records);
        EXPECT_EQ(bound.Controller.GetFocusedRecordIndex(), c.Focused);
        EXPECT_EQ(bound.Controller.GetDBProvider()->IsEditing(), c.Editing);
        if (c.Editing) {
            EXPECT_EQ(bound.Controller.GetDBProvider()->GetEditRecordIndex(), c.Focused);
        }
    }
}

TEST(DBDataControllerTest, SmartRefreshReadsOnlyTheChangedRecord) {
    TTable table(50);
    TCountingController c;
    const Integer name = c.AddFieldItem("Name");
    c.AddFieldItem("ID");
    c.SetKeyFieldNames("ID");
    c.GetDataModeController()->SetSmartRefresh(true);
    c.SetDataSource(&table.Source);
    ASSERT_EQ(c.GetRecordCount(), 50);
    ASSERT_TRUE(c.NeedsOriginalValues());
    ASSERT_TRUE(c.LocateByKey(20));

    c.ReadRecords.clear();
    table.DataSet.Edit();
    table.DataSet.FieldByName("Name")->SetAsString("twenty");
    table.DataSet.Post();
    EXPECT_EQ(c.ReadRecords, std::set<Integer>{19}); // the field change and the post re-read it
    EXPECT_EQ(c.GetValue(19, name), Variant("twenty"));
    EXPECT_EQ(c.GetRecordCount(), 50);

    // Without smart refresh every record is read again.
    c.GetDataModeController()->SetSmartRefresh(false);
    c.Reads = 0;
    table.DataSet.Edit();
    table.DataSet.FieldByName("Name")->SetAsString("again");
    table.DataSet.Post();
    EXPECT_GE(c.Reads, 50);
    EXPECT_EQ(c.GetValue(19, name), Variant("again"));
}

// Items named after the records loaded show their values at once: one name reloads the records
// once; names set inside an update bracket reload them once, when the bracket closes.
TEST(DBDataControllerTest, ItemsNamedAfterLoadingReadTheirValuesAtOnce) {
    TTable table(10);
    TCountingController c;
    const Integer id = c.AddFieldItem("ID");
    c.SetDataSource(&table.Source);
    ASSERT_EQ(c.GetRecordCount(), 10);

    c.Reads = 0;
    const Integer name = c.AddFieldItem("Name");
    EXPECT_EQ(c.Reads, 10);
    EXPECT_EQ(c.GetValue(3, name), Variant("N4"));
    EXPECT_EQ(c.GetValue(3, id), Variant(4));

    c.Reads = 0;
    c.LockUpdates();
    const Integer amount = c.AddFieldItem("Amount");
    const Integer second = c.AddFieldItem("name");
    const Integer renamed = c.AddFieldItem("ID");
    c.SetItemFieldName(renamed, "Amount");
    EXPECT_EQ(c.Reads, 0) << "nothing is read inside the bracket";
    c.UnlockUpdates();
    EXPECT_EQ(c.Reads, 10) << "the records are read once";
    EXPECT_EQ(c.GetValue(3, amount), Variant(6.0));
    EXPECT_EQ(c.GetValue(3, second), Variant("N4"));
    EXPECT_EQ(c.GetValue(3, renamed), Variant(6.0)) << "a renamed item shows its new field";

    // Renamed after loading: the new field's values, or Null for a name the data set lacks.
    c.SetItemFieldName(renamed, "ID");
    EXPECT_EQ(c.GetValue(3, renamed), Variant(4));
    c.SetItemFieldName(amount, "Missing");
    EXPECT_TRUE(VarIsNull(c.GetValue(3, amount)));
    EXPECT_EQ(c.GetValue(3, id), Variant(4));

    // Key fields named after loading: a field an item shows is not read again; another reads
    // the records once.
    c.Reads = 0;
    c.SetKeyFieldNames("ID");
    EXPECT_EQ(c.Reads, 0);
    EXPECT_EQ(c.FindRecordIndexByKey(Variant(4)), 3);
    c.SetKeyFieldNames("Amount");
    EXPECT_EQ(c.Reads, 10);
    EXPECT_EQ(c.FindRecordIndexByKey(Variant(6.0)), 3);
    c.Reads = 0;
    c.LockUpdates();
    c.SetKeyFieldNames("ID;Amount");
    c.SetItemFieldName(amount, "Amount");
    EXPECT_EQ(c.Reads, 0) << "nothing is read inside the bracket";
    c.UnlockUpdates();
    EXPECT_EQ(c.Reads, 10);
    EXPECT_EQ(c.FindRecordIndexByKey(VarArrayOf({Variant(5), Variant(7.5)})), 4);
    EXPECT_EQ(c.GetValue(4, amount), Variant(7.5));
}

TEST(DBDataControllerTest, GridModeKeepsAWindowOfTheDataSet) {
    TTable table(1000);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    c.GetDataModeController()->SetGridModeBufferCount(100);
    c.GetDataModeController()->SetGridMode(true);
    ASSERT_TRUE(c.GetDBProvider()->IsGridMode());
    EXPECT_EQ(c.GetRecordCount(), 100);
    EXPECT_EQ(c.GetValue(0, bound.ID).AsInteger(), 1);
    EXPECT_EQ(c.GetValue(99, bound.ID).AsInteger(), 100);

    // Scrolling past the window's end moves the window.
    table.DataSet.MoveBy(150);
    EXPECT_EQ(c.GetRecordCount(), 100);
    const Integer focused = c.GetFocusedRecordIndex();
    ASSERT_GE(focused, 0);
    EXPECT_EQ(c.GetValue(focused, bound.ID).AsInteger(), 151);
    table.DataSet.Last();
    EXPECT_EQ(c.GetValue(c.GetFocusedRecordIndex(), bound.ID).AsInteger(), 1000);
    EXPECT_EQ(c.GetValue(99, bound.ID).AsInteger(), 1000);
    table.DataSet.First();
    EXPECT_EQ(c.GetValue(0, bound.ID).AsInteger(), 1);
    EXPECT_EQ(c.GetFocusedRecordIndex(), 0);

    // A remembered position comes back to the same row of the window.
    table.DataSet.MoveBy(500);
    TqzDBDataProvider* provider = c.GetDBProvider();
    provider->RememberPosition();
    const Integer row = table.DataSet.GetActiveRecord();
    table.DataSet.First();
    provider->RestorePosition();
    EXPECT_EQ(table.DataSet.FieldByName("ID")->GetAsInteger(), 501);
    EXPECT_EQ(table.DataSet.GetActiveRecord(), row);

    // A remembered record that was deleted leaves the data set where it is.
    provider->RememberPosition();
    table.DataSet.Delete();
    table.DataSet.First();
    provider->RestorePosition();
    EXPECT_EQ(table.DataSet.FieldByName("ID")->GetAsInteger(), 1);

    // Bookmark answers.
    EXPECT_EQ(c.GetSelectedBookmark(0), table.DataSet.GetBookmark());
    EXPECT_FALSE(c.SaveFocus());
    EXPECT_TRUE(c.HasSavedFocus());
}

TEST(DBDataSelectionTest, SelectAllAndDeleteSelectionInGridMode) {
    TTable table(1000);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    c.MultiSelect = true;
    c.GetDataModeController()->SetGridModeBufferCount(100);
    c.GetDataModeController()->SetGridMode(true);
    table.DataSet.MoveBy(300);
    c.SelectAll();
    TqzDBDataSelection* selection = c.GetDBSelection();
    TStringList* bookmarks = selection->GetBookmarks();
    ASSERT_EQ(bookmarks->GetCount(), 1000);
    EXPECT_EQ(c.GetSelectedCount(), 1000);
    for (Integer i = 1; i < bookmarks->GetCount(); ++i)
        ASSERT_LT(table.DataSet.CompareBookmarks(bookmarks->GetStrings(i - 1), bookmarks->GetStrings(i)), 0);
    EXPECT_EQ(table.DataSet.FieldByName("ID")->GetAsInteger(), 301); // the position is kept

    // A selected row outside the window has no row index.
    EXPECT_EQ(c.GetSelectedRowIndex(0), -1);

    // Select a range from the anchor, then delete it.
    c.ClearSelection();
    EXPECT_EQ(bookmarks->GetCount(), 0);
    table.DataSet.First();
    c.SetSelectionAnchor(2);
    c.SelectFromAnchor(5, false);
    ASSERT_EQ(bookmarks->GetCount(), 4);
    c.SelectFromAnchor(6, false); // grows by one row: the end moves
    ASSERT_EQ(bookmarks->GetCount(), 5);
    c.SelectFromAnchor(2, false); // a range from a row to itself
    ASSERT_EQ(bookmarks->GetCount(), 1);
    c.SelectFromAnchor(4, false);
    ASSERT_EQ(bookmarks->GetCount(), 3);
    c.GetDBProvider()->DeleteSelection();
    EXPECT_EQ(table.DataSet.GetRecordCount(), 997);
    EXPECT_EQ(bookmarks->GetCount(), 0);
    table.DataSet.First();
    EXPECT_EQ(RowIDs(c, bound.ID)[2], 6);
}

TEST(DBDataControllerTest, AutomaticallyAssignedValuesDoNotModifyANewRecord) {
    TTable table(3);
    TBound bound(table);
    TqzDBDataProvider* provider = bound.Controller.GetDBProvider();
    table.DataSet.Append();
    provider->SetNewRecordFieldValue(0, bound.Controller.GetItemField(bound.ID), 99);
    EXPECT_TRUE(table.DataSet.GetModified());
    EXPECT_FALSE(provider->IsDataSetModified());
    table.DataSet.FieldByName("Name")->SetAsString("typed");
    EXPECT_TRUE(provider->IsDataSetModified());
    table.DataSet.Cancel();
}

// ---- The filter text means to the data set what the criteria mean to the controller ---------------

TEST(DBDataFilterCriteriaTest, TheDataSetAcceptsTheRecordsTheControllerAccepts) {
    struct TCase {
        const char* Name;
        TqzFilterOperatorKind Operator;
        const char* Field;
        Variant Value;
        bool TranslateIn = false;
        bool Comma = false;
    };
    const TCase cases[] = {
        {"in", fokInList, "ID", VarArrayOf({Variant(2), Variant(5), Variant(9)})},
        {"in translated", fokInList, "ID", VarArrayOf({Variant(2), Variant(5), Variant(9)}), true},
        {"not in", fokNotInList, "ID", VarArrayOf({Variant(2), Variant(5)})},
        {"between", fokBetween, "ID", VarArrayOf({Variant(3), Variant(6)})},
        {"decimal comma", fokLessEqual, "Amount", Variant(4.5), false, true},
        {"equal", fokEqual, "ID", Variant(4)},
        {"not equal", fokNotEqual, "ID", Variant(4)},
        {"less", fokLess, "Amount", Variant(6.0)},
        {"like begins", fokLike, "Name", Variant("N1%")},
        {"contains", fokLike, "Name", Variant("%1%")},
        {"name null", fokEqual, "Name", Null()},
        {"quote", fokEqual, "Name", Variant("O'Brien")},
        {"decimal", fokGreaterEqual, "Amount", Variant(7.5)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        testsupport::ScopedFormatSettings settings(c.Comma ? testsupport::CommaSettings() : testsupport::DotSettings());
        TTable table(12);
        table.DataSet.Last();
        table.DataSet.Edit();
        table.DataSet.FieldByName("Name")->SetAsString("O'Brien");
        table.DataSet.Post();
        table.DataSet.Prior();
        table.DataSet.Edit();
        table.DataSet.FieldByName("Name")->Clear();
        table.DataSet.Post();
        table.DataSet.First();
        TBound bound(table);
        TTestDBController& controller = bound.Controller;
        TqzDBDataFilterCriteria* filter = controller.GetDBFilter();
        const Integer item = c.Field == String("ID") ? bound.ID : (c.Field == String("Name") ? bound.Name : bound.Amount);
        filter->BeginUpdate();
        filter->SetTranslateIn(c.TranslateIn);
        filter->AddCondition(filter->GetRoot(), controller.GetItemField(item), c.Operator, c.Value);
        filter->SetActive(true);
        filter->EndUpdate();
        const std::vector<Integer> own = RowIDs(controller, bound.ID);
        EXPECT_FALSE(own.empty()); // every condition accepts some records and refuses others
        EXPECT_LT(own.size(), std::size_t(12));
        filter->SetAutoDataSetFilter(true);
        EXPECT_TRUE(table.DataSet.GetFiltered());
        EXPECT_EQ(RowIDs(controller, bound.ID), own) << table.DataSet.GetFilter();
        EXPECT_EQ(controller.GetRecordCount(), Integer(own.size()));
    }
}

// ---- Master and detail data sets -----------------------------------------------------------------

namespace {

// A master controller over masters 1 to 3 whose detail clones show the lines of their master.
struct TMasterDetail {
    class TMaster : public TTestDBController {
    public:
        TqzCustomDataController* MakeDetailController(Integer relationIndex, Integer recordIndex) override {
            auto* relation = GetRelations()->GetItems(relationIndex);
            auto* pattern = static_cast<TTestDBController*>(relation->GetDetailDataController());
            auto* clone = new TTestDBController();
            clone->AddFieldItem("Master");
            clone->AddFieldItem("Line");
            clone->Assign(pattern);
            clone->AttachToMaster(relation, recordIndex);
            return clone;
        }
        TqzCustomDataController* ControllerOfDetailLink(TObject* link) override {
            return dynamic_cast<TqzCustomDataController*>(link);
        }
    };

    explicit TMasterDetail(bool sqlMode) {
        Masters.GetFieldDefs()->Add("ID", ftInteger);
        Masters.CreateDataSet();
        for (Integer id = 1; id <= 3; ++id) Masters.AppendRecord({id});
        Masters.First();
        MasterSource.SetDataSet(&Masters);
        Master.AddFieldItem("ID");
        Master.SetKeyFieldNames("ID");
        Master.SetDataSource(&MasterSource);

        Lines.CreateDataSet();
        LineSource.SetDataSet(&Lines);
        Pattern.AddFieldItem("Master");
        Pattern.AddFieldItem("Line");
        Pattern.SetKeyFieldNames("Master;Line");
        Pattern.GetDataModeController()->DetailInSQLMode = sqlMode;
        Relation = new TqzDBDataRelation(Master.GetRelations(), &Level);
        Pattern.AttachToMaster(Relation, -1);
        Pattern.SetDetailKeyFieldNames("Master");
        Pattern.SetMasterKeyFieldNames("ID");
        Pattern.SetDataSource(&LineSource);
    }
    ~TMasterDetail() { Master.DropAllDetailLinks(); }

    TqzDBDataController* Detail(Integer masterRecord) {
        return static_cast<TqzDBDataController*>(Master.DetailControllerOf(masterRecord, 0));
    }

    TMemDataSet Masters{nullptr};
    TDataSource MasterSource{nullptr};
    TLinesQuery Lines{nullptr};
    TDataSource LineSource{nullptr};
    TMaster Master;
    TTestDBController Pattern;
    TTestItem Level;
    TqzDBDataRelation* Relation = nullptr;
};

std::vector<Integer> Values(TqzCustomDataController* c, Integer item) {
    std::vector<Integer> values;
    for (Integer r = 0; r < c->GetRecordCount(); ++r) values.push_back(c->GetValue(r, item).AsInteger());
    return values;
}

} // namespace

TEST(DBDataMasterDetailTest, DetailsInKeyModeShowTheirMastersLines) {
    TMasterDetail md(false);
    ASSERT_TRUE(md.Relation->HasKeyLink());
    EXPECT_TRUE(VariantValuesEqual(md.Relation->MasterKeyValuesOf(1), Variant(2)));
    TqzDBDataController* second = md.Detail(1);
    TqzDBDataController* third = md.Detail(2);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(Values(second, 1), (std::vector<Integer>{21, 22}));
    EXPECT_EQ(Values(third, 1), (std::vector<Integer>{31, 32, 33}));
    EXPECT_EQ(md.Lines.Openings, 1); // located, never re-queried

    // Focusing a detail row moves the detail data set to that line.
    third->FocusRow(2);
    EXPECT_EQ(md.Lines.FieldByName("Line")->GetAsInteger(), 33);
    second->FocusRow(1);
    EXPECT_EQ(md.Lines.FieldByName("Line")->GetAsInteger(), 22);
}

TEST(DBDataMasterDetailTest, DetailsInSQLModeRequeryOnlyForOtherParameters) {
    TMasterDetail md(true);
    const Integer openings = md.Lines.Openings;
    TqzDBDataController* third = md.Detail(2);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(Values(third, 1), (std::vector<Integer>{31, 32, 33}));
    EXPECT_EQ(md.Lines.Openings, openings + 1);
    EXPECT_EQ(md.Lines.GetRecordCount(), 3);

    // The same master again: the query already holds its parameters.
    third->LayoutChanged(1);
    EXPECT_EQ(md.Lines.Openings, openings + 1);

    TqzDBDataController* first = md.Detail(0);
    EXPECT_EQ(Values(first, 1), (std::vector<Integer>{11}));
    EXPECT_EQ(md.Lines.Openings, openings + 2);
    EXPECT_EQ(Values(third, 1), (std::vector<Integer>{31, 32, 33})); // kept its rows

    // Focusing a row of the other detail re-queries for its master.
    third->FocusRow(1);
    EXPECT_EQ(md.Lines.Openings, openings + 3);
    EXPECT_EQ(md.Lines.FieldByName("Line")->GetAsInteger(), 32);
}

TEST(DBDataControllerTest, AChangeWhileAnotherProviderIsLockedWaitsForItsLoad) {
    TTable table(10);
    TBound first(table);
    auto second = std::make_unique<TBound>(table);
    TqzDBDataProvider* locker = first.Controller.GetDBProvider();

    locker->LockNotifications();
    table.DataSet.AppendRecord({11, "eleven", 0.0});
    locker->UnlockNotifications();
    EXPECT_EQ(second->Controller.GetRecordCount(), 10); // skipped, waiting for the first to load
    EXPECT_EQ(locker->WaitingProviderCount(), 1);
    first.Controller.LayoutChanged(1);
    EXPECT_EQ(first.Controller.GetRecordCount(), 11);
    EXPECT_EQ(second->Controller.GetRecordCount(), 11);
    EXPECT_EQ(locker->WaitingProviderCount(), 0);

    // A waiting provider that is freed leaves the list: nobody tells a freed provider anything.
    locker->LockNotifications();
    table.DataSet.AppendRecord({12, "twelve", 0.0});
    locker->UnlockNotifications();
    EXPECT_EQ(locker->WaitingProviderCount(), 1);
    second.reset();
    EXPECT_EQ(locker->WaitingProviderCount(), 0);
    first.Controller.LayoutChanged(1);
    EXPECT_EQ(first.Controller.GetRecordCount(), 12);
    EXPECT_EQ(TqzDBDataProvider::RegistryCount(), 1);
}

TEST(DBDataControllerTest, AFailingPostLeavesTheControlsEnabledAndTheControllerUsable) {
    TTable table(5);
    TBound bound(table);
    {
        TRefusedEdit refused(table.DataSet);
        EXPECT_THROW(bound.Controller.PrepareDetailChange(), EDatabaseError);
        EXPECT_FALSE(table.DataSet.ControlsDisabled());
        EXPECT_FALSE(bound.Controller.Posting);
    }
    table.DataSet.Last();
    EXPECT_EQ(bound.Controller.GetFocusedRecordIndex(), 4);
}

TEST(DBDataControllerTest, IncrementalSearchInGridModeSearchesTheDataSet) {
    TTable table(300);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    c.GetDataModeController()->SetGridModeBufferCount(50);
    c.GetDataModeController()->SetGridMode(true);
    TqzDataControllerSearch* search = c.GetSearch();

    ASSERT_TRUE(search->Locate(bound.Name, "n25"));
    EXPECT_EQ(table.DataSet.FieldByName("Name")->GetAsString(), "N25");
    EXPECT_TRUE(search->LocateNext(true));
    EXPECT_EQ(table.DataSet.FieldByName("Name")->GetAsString(), "N250");
    EXPECT_EQ(c.GetValue(c.GetFocusedRecordIndex(), bound.ID).AsInteger(), 250);

    // From the last row a new search wraps to the first; searching on from it stops.
    table.DataSet.Last();
    ASSERT_TRUE(search->Locate(bound.Name, "N1"));
    EXPECT_EQ(table.DataSet.FieldByName("ID")->GetAsInteger(), 1);
    table.DataSet.Last();
    EXPECT_FALSE(search->LocateNext(true));
    EXPECT_EQ(table.DataSet.FieldByName("ID")->GetAsInteger(), 300);
    EXPECT_FALSE(search->Locate(bound.Name, "none"));
    EXPECT_EQ(table.DataSet.FieldByName("ID")->GetAsInteger(), 300);
}

TEST(DBDataFilterCriteriaTest, AQueryFiltersNullsWithIsNull) {
    TLinesQuery query(nullptr);
    query.CreateDataSet();
    query.Last();
    query.Edit();
    query.FieldByName("Line")->Clear();
    query.Post();
    TDataSource source(nullptr);
    source.SetDataSet(&query);
    TTestDBController c;
    const Integer line = c.AddFieldItem("Line");
    c.AddFieldItem("Master");
    c.SetDataSource(&source);
    TqzDBDataFilterCriteria* filter = c.GetDBFilter();
    filter->BeginUpdate();
    filter->AddCondition(filter->GetRoot(), c.GetItemField(line), fokNotEqual, Null());
    filter->SetActive(true);
    filter->EndUpdate();
    ASSERT_EQ(c.GetRowCount(), 5);
    filter->SetAutoDataSetFilter(true);
    EXPECT_NE(query.GetFilter().find("IS NOT NULL"), String::npos) << query.GetFilter();
    EXPECT_EQ(c.GetRecordCount(), 5);
}

TEST(DBDataControllerTest, ValuesOfALookupFieldByKind) {
    TMemDataSet models(nullptr);
    models.GetFieldDefs()->Add("Code", ftString, 4);
    models.GetFieldDefs()->Add("Name", ftString, 20);
    models.CreateDataSet();
    models.AppendRecord({"U571", "KOV-571(UHF)"});
    models.AppendRecord({"V571", "KOV-571(VHF)"});

    TMemDataSet channels(nullptr);
    channels.GetFieldDefs()->Add("No", ftInteger);
    channels.GetFieldDefs()->Add("Model", ftString, 4);
    for (const char* name : {"No", "Model"}) channels.GetFieldDefs()->Find(name)->CreateField(&channels);
    auto* modelName = new TStringField(&channels);
    modelName->SetFieldName("ModelName");
    modelName->SetFieldKind(fkLookup);
    modelName->SetDataSet(&channels);
    modelName->SetLookupDataSet(&models);
    modelName->SetKeyFields("Model");
    modelName->SetLookupKeyFields("Code");
    modelName->SetLookupResultField("Name");
    channels.CreateDataSet();
    channels.AppendRecord({1, "V571"});
    channels.AppendRecord({2, "U571"});
    channels.First();
    TDataSource source(nullptr);
    source.SetDataSet(&channels);

    TTestDBController c;
    const Integer item = c.AddFieldItem("ModelName");
    c.SetDataSource(&source);
    auto* field = static_cast<TqzDBDataField*>(c.GetItemField(item));
    ASSERT_TRUE(field->IsLookup());
    ASSERT_EQ(field->ChildCount(), 1); // a sub-field for the key field
    EXPECT_EQ(field->GetChild(0)->GetField(), channels.FindField("Model"));
    EXPECT_EQ(c.GetValue(0, item), Variant("KOV-571(VHF)"));
    EXPECT_FALSE(field->CanEdit(0));
    EXPECT_TRUE(field->CanEdit(2));

    TqzDBDataProvider* provider = c.GetDBProvider();
    EXPECT_EQ(provider->ReadEditValue(0, field, 0), Variant("KOV-571(VHF)"));
    EXPECT_EQ(provider->ReadEditValue(0, field, 1), Variant("KOV-571(VHF)"));
    EXPECT_EQ(provider->ReadEditValue(0, field, 2), Variant("V571"));

    channels.Edit();
    EXPECT_TRUE(provider->SetEditingFieldValue(0, field, 2, Variant("U571")));
    EXPECT_EQ(channels.FieldByName("Model")->GetAsString(), "U571");
    EXPECT_EQ(provider->ReadEditValue(0, field, 0), Variant("KOV-571(UHF)"));
    channels.Post();
    EXPECT_EQ(c.GetValue(0, item), Variant("KOV-571(UHF)"));
    delete modelName;
}

TEST(DBDataFilterCriteriaTest, FailuresOfTheDataSetLeaveItUsable) {
    // A data set that cannot end its edit: the criteria become inactive and the error propagates.
    TTable table(5);
    TBound bound(table);
    TqzDBDataFilterCriteria* filter = bound.Controller.GetDBFilter();
    filter->BeginUpdate();
    filter->AddCondition(filter->GetRoot(), bound.Controller.GetItemField(bound.ID), fokGreater, 2);
    filter->EndUpdate();
    {
        TRefusedEdit refused(table.DataSet);
        EXPECT_THROW(filter->SetActive(true), EDatabaseError);
        EXPECT_FALSE(filter->GetActive());
        EXPECT_FALSE(table.DataSet.ControlsDisabled());
    }

    // A data set that rejects the filter text: its error, and its controls enabled again.
    class TNoFilter : public TMemDataSet {
    public:
        using TMemDataSet::TMemDataSet;
    protected:
        void PrepareFilterText() override {
            if (!GetFilter().empty()) throw EDatabaseError("no filter here");
        }
    };
    TNoFilter plain(nullptr);
    plain.GetFieldDefs()->Add("ID", ftInteger);
    plain.CreateDataSet();
    plain.AppendRecord({1});
    TDataSource source(nullptr);
    source.SetDataSet(&plain);
    TTestDBController c;
    const Integer id = c.AddFieldItem("ID");
    c.SetDataSource(&source);
    TqzDBDataFilterCriteria* own = c.GetDBFilter();
    own->SetAutoDataSetFilter(true);
    own->BeginUpdate();
    own->AddCondition(own->GetRoot(), c.GetItemField(id), fokEqual, 1);
    own->SetActive(true);
    EXPECT_THROW(own->EndUpdate(), EDatabaseError);
    EXPECT_FALSE(plain.ControlsDisabled());
    EXPECT_EQ(c.GetRecordCount(), 1);
}

TEST(DBDataFilterCriteriaTest, AssignCopiesTheDataSetSettings) {
    TTestDBController a;
    TTestDBController b;
    TqzDBDataFilterCriteria* source = a.GetDBFilter();
    source->SetAutoDataSetFilter(true);
    source->SetIgnoreOrigin(false);
    struct TWatch {
        void BeforeChange(TObject*, TDataSet*, const String&) {}
    } watch;
    source->OnBeforeChange = TqzDBDataFilterBeforeChangeEvent(&watch, &TWatch::BeforeChange);
    TqzDBDataFilterCriteria* target = b.GetDBFilter();
    target->Assign(source);
    EXPECT_TRUE(target->GetAutoDataSetFilter());
    EXPECT_FALSE(target->GetIgnoreOrigin());
    target->CopyEvents(source);
    EXPECT_TRUE(target->OnBeforeChange.Assigned());
    target->RestoreDefaults();
    EXPECT_FALSE(target->GetAutoDataSetFilter());
    EXPECT_TRUE(target->GetIgnoreOrigin());
}

TEST(DBDataControllerTest, AssignCopiesTheDataSetBinding) {
    TTable table(4);
    TBound source(table);
    source.Controller.SetKeyFieldNames("ID");
    source.Controller.SetDetailKeyFieldNames("Master");
    source.Controller.SetMasterKeyFieldNames("ID");
    source.Controller.GetDataModeController()->SetSmartRefresh(true);
    TTestDBController target;
    target.AddFieldItem("ID");
    target.Assign(&source.Controller);
    EXPECT_EQ(target.GetDataSource(), &table.Source);
    EXPECT_EQ(target.GetKeyFieldNames(), "ID");
    EXPECT_EQ(target.GetDetailKeyFieldNames(), "Master");
    EXPECT_EQ(target.GetMasterKeyFieldNames(), "ID");
    EXPECT_EQ(target.EffectiveDetailKeyFieldNames(), "Master");
    EXPECT_TRUE(target.GetDataModeController()->GetSmartRefresh());
    EXPECT_EQ(target.GetRecordCount(), 4);

    // Detail key names without master key names are no detail key at all.
    target.SetMasterKeyFieldNames("");
    EXPECT_EQ(target.EffectiveDetailKeyFieldNames(), "");
}

TEST(DBDataMasterDetailTest, ScrollingThePatternsDataSetMovesTheMaster) {
    TMasterDetail md(false);
    EXPECT_EQ(md.Master.GetFocusedRecordIndex(), 0);
    ASSERT_TRUE(md.Lines.Locate("Master;Line", VarArrayOf({Variant(3), Variant(32)}), TLocateOptions()));
    EXPECT_EQ(md.Masters.FieldByName("ID")->GetAsInteger(), 3);
    EXPECT_EQ(md.Master.GetFocusedRecordIndex(), 2);
    EXPECT_EQ(md.Master.ActiveRelationOf(2), 0);
    md.Lines.First();
    EXPECT_EQ(md.Master.GetFocusedRecordIndex(), 0);
}

// ---- Edge cases ----------------------------------------------------------------------------------

TEST(DBDataFieldTest, UpdateFromAnUnchangedFieldChangesNothing) {
    TTable table(3);
    TBound bound(table);
    struct TWatch {
        void Handle(TqzUpdateControlInfo*) { ++Notices; }
        int Notices = 0;
    } watch;
    bound.Controller.UpdateControlHandler = TqzUpdateControlEvent(&watch, &TWatch::Handle);
    auto* field = static_cast<TqzDBDataField*>(bound.Controller.GetItemField(bound.Name));
    TqzValueDef* def = field->GetValueDef();
    field->UpdateFromField(table.DataSet.FindField("Name"));
    EXPECT_EQ(field->GetValueDef(), def); // the storage was not rebuilt
    EXPECT_EQ(watch.Notices, 0);
    EXPECT_EQ(bound.Controller.GetValue(1, bound.Name), Variant("N2"));
}

TEST(DBDataFieldTest, ARelationWithoutKeyLinkHasUnassignedMasterKeys) {
    TTable table(2);
    TBound bound(table);
    TTestItem level;
    auto* relation = new TqzDBDataRelation(bound.Controller.GetRelations(), &level);
    EXPECT_FALSE(relation->HasKeyLink());
    const Variant keys = relation->MasterKeyValuesOf(0);
    EXPECT_TRUE(VarIsEmpty(keys));
    EXPECT_FALSE(VarIsNull(keys));
}

TEST(DBDataControllerTest, ANewRecordWithOnlyAssignedValuesIsCancelledInsteadOfPosted) {
    TTable table(3);
    TBound bound(table);
    TqzDBDataProvider* provider = bound.Controller.GetDBProvider();
    EXPECT_EQ(provider->CompareBookmarks("a", "b"), table.DataSet.CompareBookmarks("a", "b"));
    table.DataSet.Append();
    provider->SetNewRecordFieldValue(0, bound.Controller.GetItemField(bound.ID), 42);
    bound.Controller.PrepareDetailChange();
    EXPECT_EQ(table.DataSet.GetState(), dsBrowse);
    EXPECT_EQ(table.DataSet.GetRecordCount(), 3);
    EXPECT_EQ(bound.Controller.GetRecordCount(), 3);

    // Without an active link bookmarks do not compare.
    bound.Controller.SetDataSource(nullptr);
    EXPECT_EQ(provider->CompareBookmarks(table.DataSet.GetBookmark(), table.DataSet.GetBookmark()), -1);
}

TEST(DBDataSelectionTest, InvalidBookmarksAndTheAnchor) {
    TTable table(30);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    c.MultiSelect = true;
    c.GetDataModeController()->SetGridMode(true);
    EXPECT_EQ(c.GetRecordCount(), 30); // the default window of 100 holds them all
    c.SetSelectionAnchor(3);
    EXPECT_TRUE(c.IsSelectionAnchorSet());
    EXPECT_EQ(c.GetSelectionAnchorRowIndex(), -1);
    c.SelectFromAnchor(6, false);
    TqzDBDataSelection* selection = c.GetDBSelection();
    ASSERT_EQ(selection->GetBookmarks()->GetCount(), 4);
    EXPECT_EQ(c.GetSelectedRowIndex(0), 3);
    EXPECT_EQ(c.GetSelectedRowKey(3), Variant(selection->GetBookmarks()->GetStrings(0)));

    // A deleted row's bookmark is dropped and the count follows.
    table.DataSet.DisableControls();
    table.DataSet.First();
    table.DataSet.MoveBy(4);
    table.DataSet.Delete();
    table.DataSet.EnableControls();
    EXPECT_EQ(selection->GetBookmarks()->GetCount(), 3);
    EXPECT_EQ(c.GetSelectedCount(), 3);

    // Removing the anchor's entry clears the anchor.
    selection->RemoveEntry(0);
    EXPECT_FALSE(c.IsSelectionAnchorSet());
    EXPECT_EQ(selection->GetBookmarks()->GetCount(), 2);
}

TEST(DBDataSelectionTest, ForEachRowOverAllRowsInGridModeEndsAtTheEnd) {
    TTable table(250);
    TBound bound(table);
    TTestDBController& c = bound.Controller;
    c.GetDataModeController()->SetGridMode(true);
    struct TCount {
        static void Visit(void* data, Integer, const TqzDataRowInfo&) { ++*static_cast<int*>(data); }
    };
    EXPECT_EQ(c.GetRecordCount(), 100); // the default window
    int visits = 0;
    c.ForEachRow(false, &TCount::Visit, &visits);
    EXPECT_EQ(visits, 250);
    EXPECT_TRUE(table.DataSet.Eof());
}

TEST(DBDataControllerTest, EditingThroughTheControllersOwnOperations) {
    TTable table(200);
    TBound bound(table);
    TTestDBController& c = bound.Controller;

    // Append, fill and post.
    c.AppendNewRecord();
    ASSERT_EQ(table.DataSet.GetState(), dsInsert);
    EXPECT_TRUE(c.SetEditingValue(bound.ID, 201));
    EXPECT_TRUE(c.SetEditingValue(bound.Name, "appended", 1));
    EXPECT_EQ(c.GetEditingValue(bound.Name), Variant("appended"));
    c.PostEditing();
    ASSERT_EQ(c.GetRecordCount(), 201);
    EXPECT_EQ(table.DataSet.GetRecordCount(), 201);
    EXPECT_EQ(c.GetValue(c.GetFocusedRecordIndex(), bound.Name), Variant("appended"));

    // Edit a value of another row, then cancel it.
    c.FocusRow(7);
    EXPECT_TRUE(c.SetEditingValue(bound.Name, "typed"));
    EXPECT_EQ(table.DataSet.GetState(), dsEdit);
    EXPECT_EQ(c.GetValue(7, bound.Name), Variant("typed"));
    c.Cancel();
    EXPECT_EQ(table.DataSet.GetState(), dsBrowse);
    EXPECT_EQ(c.GetValue(7, bound.Name), Variant("N8"));
    EXPECT_EQ(table.DataSet.FieldByName("Name")->GetAsString(), "N8");

    // Edit and post.
    c.EditRecord();
    c.SetEditingValue(bound.Amount, 99.5);
    c.PostEditing();
    EXPECT_DOUBLE_EQ(table.DataSet.FieldByName("Amount")->GetAsFloat(), 99.5);
    EXPECT_DOUBLE_EQ(c.GetValue(7, bound.Amount).AsDouble(), 99.5);

    // Insert before the focused row.
    c.InsertNewRecord();
    c.SetEditingValue(bound.ID, 500);
    c.PostEditing();
    EXPECT_EQ(c.GetRecordCount(), 202);
    EXPECT_EQ(c.GetValue(7, bound.ID).AsInteger(), 500);

    // Delete the focused row.
    c.FocusRow(0);
    c.DeleteFocused();
    EXPECT_EQ(c.GetRecordCount(), 201);
    EXPECT_EQ(table.DataSet.GetRecordCount(), 201);
    EXPECT_EQ(c.GetValue(0, bound.ID).AsInteger(), 2);
    EXPECT_EQ(c.GetFocusedRecordIndex(), 0);
}

TEST(DBDataControllerTest, DeletingKeepsTheDataSetAndTheFocusTogether) {
    struct TCase {
        const char* Name;
        bool Key;
        bool Smart;
        Integer Row;
    };
    const TCase cases[] = {
        {"by position", false, false, 3}, {"by key", true, false, 3},    {"smart refresh", true, true, 3},
        {"last by position", false, false, 9}, {"last by key", true, false, 9}, {"last, smart refresh", true, true, 9},
    };
    for (const TCase& t : cases) {
        SCOPED_TRACE(t.Name);
        TTable table(10);
        TBound bound(table);
        TTestDBController& c = bound.Controller;
        if (t.Key) c.SetKeyFieldNames("ID");
        c.GetDataModeController()->SetSmartRefresh(t.Smart);
        c.FocusRow(t.Row);
        c.DeleteFocused();
        ASSERT_EQ(c.GetRecordCount(), 9);
        const Integer focused = c.GetFocusedRecordIndex();
        ASSERT_GE(focused, 0);
        EXPECT_EQ(c.GetValue(focused, bound.ID), table.DataSet.FieldByName("ID")->GetValue());
        EXPECT_EQ(table.DataSet.FieldByName("ID")->GetAsInteger(), t.Row == 9 ? 9 : t.Row + 2);
    }
}

// ---- Summary item --------------------------------------------------------------------------------

TEST(DBDataSummaryItemTest, TheFieldIsNamedByItsDataSetFieldName) {
    TTable table(10);
    SetOrdProp(table.DataSet.FieldByName("Amount"), "Currency", 1);
    TTestDBController c;
    c.AddFieldItem("ID");
    c.SetDataSource(&table.Source);
    TqzDataSummaryItems* footer = c.GetSummary()->GetFooterSummaryItems();
    auto* item = dynamic_cast<TqzDBDataSummaryItem*>(footer->AddItem());
    ASSERT_NE(item, nullptr);
    item->SetKind(skSum);
    item->SetFieldName("Amount");
    ASSERT_NE(item->GetDataField(), nullptr);
    EXPECT_EQ(item->ItemField(), item->GetDataField());
    EXPECT_DOUBLE_EQ(c.GetSummary()->GetFooterSummaryValue(0).AsDouble(), 82.5); // 1.5 * (1 + ... + 10)
    EXPECT_TRUE(item->IsCurrencyValueType(varDouble));

    // A summary of a field without currency is not shown as currency.
    auto* count = dynamic_cast<TqzDBDataSummaryItem*>(footer->AddItem());
    count->SetKind(skMax);
    count->SetFieldName("ID");
    EXPECT_EQ(c.GetSummary()->GetFooterSummaryValue(1).AsInteger(), 10);
    EXPECT_FALSE(count->IsCurrencyValueType(varInteger));

    // Assigned, the name comes along; an empty name frees the data field.
    auto* copy = dynamic_cast<TqzDBDataSummaryItem*>(footer->AddItem());
    copy->Assign(item);
    EXPECT_EQ(copy->GetFieldName(), "Amount");
    EXPECT_NE(copy->GetDataField(), nullptr);
    copy->SetFieldName("");
    EXPECT_EQ(copy->GetDataField(), nullptr);
    EXPECT_EQ(copy->ItemField(), nullptr);
}

TEST(DBDataControllerTest, AnInsertInTheDataSetThroughTheNewItemRowWithSmartRefresh) {
    TTable table(5);
    TCountingController c;
    c.NewItemRowEnabled = true;
    const Integer id = c.AddFieldItem("ID");
    const Integer name = c.AddFieldItem("Name");
    c.SetKeyFieldNames("ID");
    c.GetDataModeController()->SetSmartRefresh(true);
    c.SetDataSource(&table.Source);
    ASSERT_EQ(c.GetRecordCount(), 5);
    table.DataSet.Append();
    EXPECT_TRUE(c.IsNewItemRowFocused());
    table.DataSet.FieldByName("ID")->SetAsInteger(6);
    table.DataSet.FieldByName("Name")->SetAsString("six");
    c.Reads = 0;
    table.DataSet.Post();
    ASSERT_EQ(c.GetRecordCount(), 6);
    EXPECT_EQ(c.GetValue(5, id).AsInteger(), 6);
    EXPECT_EQ(c.GetValue(5, name), Variant("six"));
    EXPECT_LT(c.Reads, 5); // the new record alone was read
}

TEST(DBDataMasterDetailTest, WhetherAMasterRecordHasDetailRows) {
    TMasterDetail md(false);
    md.Masters.AppendRecord({4});
    ASSERT_EQ(md.Master.GetRecordCount(), 4);
    TqzCustomDataProvider* provider = md.Master.GetProvider();
    EXPECT_TRUE(provider->DetailHasData(0, 0));
    EXPECT_TRUE(provider->DetailHasData(2, 0));
    EXPECT_FALSE(provider->DetailHasData(3, 0)); // master 4 has no lines
    EXPECT_FALSE(md.Lines.ControlsDisabled());

    // The application may answer instead.
    struct TAnswer {
        void HasChildren(TqzDBDataController*, Integer, bool& has, const Variant& keys, const String& names, Integer) {
            has = keys.AsInteger() == 4;
            Names = names;
        }
        String Names;
    } answer;
    md.Master.OnDetailHasChildren = TqzDBDataDetailHasChildrenEvent(&answer, &TAnswer::HasChildren);
    EXPECT_TRUE(provider->DetailHasData(3, 0));
    EXPECT_FALSE(provider->DetailHasData(0, 0));
    EXPECT_EQ(answer.Names, "Master");
}

TEST(DBDataFilterCriteriaTest, DateConditionsMeanTheSameToTheDataSet) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    // The clock stands still at 10:30 on a Friday.
    struct TManualDay {
        explicit TManualDay(TDateTime day) : OldMode(ClockGetMode()) {
            ClockSetMode(TClockMode::Manual);
            ClockSetLocalMicros(Int64((day - 25569.0) * 86400.0 * 1e6 + 10.5 * 3600.0 * 1e6));
        }
        ~TManualDay() { ClockSetMode(OldMode); }
        TClockMode OldMode;
    };
    const TDateTime today = EncodeDate(2026, 12, 11);
    TManualDay clock(today);
    const TqzFilterOperatorKind kinds[] = {fokYesterday, fokToday, fokThisWeek, fokLastMonth, fokThisYear};
    for (TqzFilterOperatorKind kind : kinds) {
        SCOPED_TRACE(int(kind));
        TMemDataSet dataSet(nullptr);
        dataSet.GetFieldDefs()->Add("ID", ftInteger);
        dataSet.GetFieldDefs()->Add("Day", ftDateTime);
        dataSet.CreateDataSet();
        const double offsets[] = {-400, -40, -20, -6, -1, -0.25, 0, 0.5, 1, 3, 30};
        Integer id = 0;
        for (double offset : offsets) dataSet.AppendRecord({++id, VarFromDateTime(today + offset)});
        dataSet.AppendRecord({++id, Null()});
        dataSet.First();
        TDataSource source(nullptr);
        source.SetDataSet(&dataSet);
        TTestDBController c;
        const Integer idItem = c.AddFieldItem("ID");
        const Integer day = c.AddFieldItem("Day");
        c.SetDataSource(&source);
        TqzDBDataFilterCriteria* filter = c.GetDBFilter();
        filter->BeginUpdate();
        filter->AddCondition(filter->GetRoot(), c.GetItemField(day), kind, Null());
        filter->SetActive(true);
        filter->EndUpdate();
        const std::vector<Integer> own = RowIDs(c, idItem);
        EXPECT_FALSE(own.empty());
        filter->SetAutoDataSetFilter(true);
        EXPECT_TRUE(dataSet.GetFiltered());
        EXPECT_EQ(RowIDs(c, idItem), own) << dataSet.GetFilter();
    }
}

TEST(DBDataMasterDetailTest, AnInsertThroughOneDetailIsNotTakenUpByAnother) {
    TMasterDetail md(false);
    TqzDBDataController* second = md.Detail(1);
    TqzDBDataController* third = md.Detail(2);
    second->AppendNewRecord();
    ASSERT_EQ(md.Lines.GetState(), dsInsert);
    EXPECT_NE(second->GetDBProvider()->GetEditRecordIndex(), qzNoRecord);
    EXPECT_EQ(third->GetDBProvider()->GetEditRecordIndex(), qzNoRecord);
    // The new line gets its master's key, which alone does not make it modified.
    EXPECT_EQ(md.Lines.FieldByName("Master")->GetAsInteger(), 2);
    EXPECT_FALSE(second->GetDBProvider()->IsDataSetModified());
    second->PrepareDetailChange();
    EXPECT_EQ(md.Lines.GetState(), dsBrowse);
    EXPECT_EQ(md.Lines.GetRecordCount(), 6);
    EXPECT_EQ(Values(second, 1), (std::vector<Integer>{21, 22}));
    EXPECT_EQ(Values(third, 1), (std::vector<Integer>{31, 32, 33}));
}

TEST(DBDataControllerTest, TheDataSetAndItsSourceMayGoFirst) {
    TTestDBController c;
    const Integer name = c.AddFieldItem("Name");
    c.SetKeyFieldNames("ID");
    {
        TTable table(5);
        c.SetDataSource(&table.Source);
        ASSERT_EQ(c.GetRecordCount(), 5);
        ASSERT_NE(c.GetItemDataSetField(name), nullptr);
    }
    EXPECT_EQ(c.GetDataSource(), nullptr);
    EXPECT_EQ(c.GetItemDataSetField(name), nullptr);
    EXPECT_EQ(c.GetKeyField()->GetField(), nullptr);
    EXPECT_EQ(c.GetRecordCount(), 0);
    TTable again(2);
    c.SetDataSource(&again.Source);
    EXPECT_EQ(c.GetRecordCount(), 2);
    EXPECT_EQ(c.GetValue(1, name), Variant("N2"));
    c.SetDataSource(nullptr);
}

TEST(DBDataMasterDetailTest, CancellingAnAppendLeavesTheDetailOnItsMastersLastLine) {
    TMasterDetail md(false);
    TqzDBDataController* second = md.Detail(1);
    second->FocusRow(1);
    ASSERT_EQ(md.Lines.FieldByName("Line")->GetAsInteger(), 22);
    second->FocusRow(0);
    ASSERT_EQ(md.Lines.FieldByName("Line")->GetAsInteger(), 21);
    second->AppendNewRecord();
    ASSERT_EQ(md.Lines.GetState(), dsInsert);
    second->Cancel();
    EXPECT_EQ(md.Lines.GetState(), dsBrowse);
    EXPECT_EQ(md.Lines.FieldByName("Line")->GetAsInteger(), 22);
    EXPECT_EQ(Values(second, 1), (std::vector<Integer>{21, 22}));
    EXPECT_EQ(second->GetFocusedRecordIndex(), 1);
}

TEST(DBDataModeControllerTest, GridModeWhileGroupedOrAsAPatternIsStoredOnly) {
    struct TCount : TTestDBController {
        void StructureChangedUpdate() override {
            ++Updates;
            TTestDBController::StructureChangedUpdate();
        }
        int Updates = 0;
    };
    TTable table(20);
    TCount grouped;
    const Integer id = grouped.AddFieldItem("ID");
    grouped.SetDataSource(&table.Source);
    grouped.ChangeItemGroupIndex(id, 0);
    grouped.Updates = 0;
    grouped.GetDataModeController()->SetGridMode(true);
    EXPECT_TRUE(grouped.GetDataModeController()->GetGridMode());
    EXPECT_FALSE(grouped.GetDBProvider()->IsGridMode());
    EXPECT_EQ(grouped.Updates, 0);
    EXPECT_EQ(grouped.GetRecordCount(), 20);
    // Ungrouped, the window is taken.
    grouped.ChangeItemGroupIndex(id, -1);
    EXPECT_TRUE(grouped.GetDBProvider()->IsGridMode());
    EXPECT_GE(grouped.Updates, 1);

    TCount pattern;
    pattern.AddFieldItem("ID");
    pattern.SetPatternMode(true);
    pattern.SetDataSource(&table.Source);
    pattern.Updates = 0;
    pattern.GetDataModeController()->SetGridMode(true);
    EXPECT_FALSE(pattern.GetDBProvider()->IsGridMode());
    EXPECT_EQ(pattern.Updates, 0);
}

// ---- Loading and actions -------------------------------------------------------------------------

namespace {

// An owner being read from a stream until Finish.
struct TLoadingOwner {
    TLoadingOwner() { Owner.IncludeComponentState(csLoading); }
    void Finish() { Owner.ExcludeComponentState(csLoading); }
    TComponent Owner{nullptr};
};

// An action for an open data set's source, as the data-set navigation actions are.
class TOpenSourceAction : public TBasicAction {
public:
    using TBasicAction::TBasicAction;
    bool HandlesTarget(TObject* target) override {
        auto* source = dynamic_cast<TDataSource*>(target);
        return source && source->GetDataSet() && source->GetDataSet()->GetActive();
    }
    void ExecuteTarget(TObject* target) override { Executed = target; }
    void UpdateTarget(TObject* target) override { Updated = target; }
    TObject* Executed = nullptr;
    TObject* Updated = nullptr;
};

// Opens the (emptied) in-memory data set again with four rows.
void Refill(TMemDataSet& dataSet) {
    dataSet.Open();
    for (Integer id = 1; id <= 4; ++id) dataSet.AppendRecord({id, "N" + IntToStr(id), 0.0});
    dataSet.First();
}

} // namespace

// While the owner loads, the data link's activation waits; the controller's Loaded applies the
// link's final state once, loading the records a single time.
TEST(DBDataControllerTest, AnActivationWhileTheOwnerLoadsWaitsForLoaded) {
    struct TCase {
        const char* Name;
        bool OpenWhenBound;
        void (*WhileLoading)(TMemDataSet&);
        Integer Records;
        bool Active;
        Integer Focused = 0;
    };
    const TCase cases[] = {
        {"bound to an open data set", true, [](TMemDataSet&) {}, 10, true},
        {"scrolled while loading", true, [](TMemDataSet& d) { d.MoveBy(3); }, 10, true, 3},
        {"opened while loading", false, [](TMemDataSet& d) { Refill(d); }, 4, true},
        {"closed again while loading", true, [](TMemDataSet& d) { d.Close(); }, 0, false, -1},
        {"closed and opened while loading", true,
         [](TMemDataSet& d) {
             d.Close();
             Refill(d);
         },
         4, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTable table(10);
        if (!c.OpenWhenBound) table.DataSet.Close();
        TLoadingOwner loading;
        TCountingController controller(&loading.Owner);
        controller.AddFieldItem("ID");
        controller.SetDataSource(&table.Source);
        c.WhileLoading(table.DataSet);
        EXPECT_TRUE(controller.ActivationPending);
        EXPECT_FALSE(controller.GetActive());
        EXPECT_EQ(controller.GetRecordCount(), 0);
        EXPECT_EQ(controller.Reads, 0);

        loading.Finish();
        controller.Loaded();
        EXPECT_FALSE(controller.ActivationPending);
        EXPECT_EQ(controller.GetActive(), c.Active);
        EXPECT_EQ(controller.GetRecordCount(), c.Records);
        EXPECT_EQ(controller.Reads, c.Records) << "the records are read once";
        EXPECT_EQ(controller.GetFocusedRecordIndex(), c.Focused);
    }
}

// Without a loading owner the activation runs at once; after loading, the link is followed
// directly again.
TEST(DBDataControllerTest, TheLinkIsFollowedDirectlyOutsideLoading) {
    TTable table(5);
    TLoadingOwner loading;
    TTestDBController controller(&loading.Owner);
    controller.AddFieldItem("ID");
    loading.Finish();
    controller.Loaded();
    controller.SetDataSource(&table.Source);
    EXPECT_FALSE(controller.ActivationPending);
    EXPECT_EQ(controller.GetRecordCount(), 5);
    table.DataSet.Close();
    EXPECT_FALSE(controller.GetActive());
    EXPECT_EQ(controller.GetRecordCount(), 0);
}

// Actions the controller does not take itself go to its data link, which hands them the data
// source when they handle it.
TEST(DBDataControllerTest, ActionsGoThroughTheDataLink) {
    TTable table(3);
    TBound bound(table);
    TOpenSourceAction action(nullptr);
    EXPECT_TRUE(bound.Controller.ExecuteAction(&action));
    EXPECT_TRUE(bound.Controller.UpdateAction(&action));
    EXPECT_EQ(action.Executed, &table.Source);
    EXPECT_EQ(action.Updated, &table.Source);

    TOpenSourceAction declined(nullptr);
    table.DataSet.Close();
    EXPECT_FALSE(bound.Controller.ExecuteAction(&declined));
    EXPECT_FALSE(bound.Controller.UpdateAction(&declined));
    EXPECT_EQ(declined.Executed, nullptr);
    EXPECT_EQ(declined.Updated, nullptr);

    TObject notAnAction;
    EXPECT_FALSE(bound.Controller.ExecuteAction(&notAnAction));
    TTestDBController unbound;
    table.DataSet.Open();
    EXPECT_FALSE(unbound.ExecuteAction(&action)) << "no data source";
}
