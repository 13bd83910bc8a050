// The data-set routines of the data controller, the adapter lists and the filter-operator
// adapter that writes SQL null tests on query data sets.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/StringLists.h"
#include "suite/data/qzDB.h"
#include "suite/data/qzDBFilter.h"
#include "tests/suite/data/FilterFixture.h"
#include "tests/support/TestSupport.h"

using namespace filtertest;

namespace {

// A data set of another class whose name says it is a query.
class TTestQuery : public TMemDataSet {
    KOV_CLASS(TTestQuery, TMemDataSet)
public:
    using TMemDataSet::TMemDataSet;
};

class TTestAdapter : public TqzDBAdapterItem {
    KOV_CLASS(TTestAdapter, TqzDBAdapterItem)
public:
    using TqzDBAdapterItem::TqzDBAdapterItem;
};

void NoText(TField*, String& text, bool) { text = "?"; }
void IgnoreText(TField*, const String&) {}

// An open data set with one record being appended and a field of each kind the routines tell
// apart.
struct TFieldsFixture {
    TFieldsFixture() {
        TFieldDefs* defs = DataSet.GetFieldDefs();
        defs->Add("Name", ftString, 20);
        defs->Add("Wide", ftWideString, 10);
        defs->Add("Qty", ftInteger);
        defs->Add("Price", ftFloat);
        defs->Add("Money", ftCurrency);
        defs->Add("Flag", ftBoolean);
        defs->Add("Day", ftDateTime);
        defs->Add("Notes", ftMemo);
        defs->Add("Picture", ftGraphic);
        defs->Add("Raw", ftBytes, 4);
        DataSet.CreateDataSet();
        DataSet.Append();
    }
    TField* F(const char* name) { return DataSet.FieldByName(name); }

    testsupport::ScopedFormatSettings Settings{testsupport::DotSettings()};
    TMemDataSet DataSet{nullptr};
};

} // namespace

TEST(qzDBTest, FieldNamesForFilters) {
    const std::vector<std::pair<String, String>> quoted = {{"Name", "Name"},
                                                           {"_a1", "_a1"},
                                                           {"Unit Price", "[Unit Price]"},
                                                           {"1st", "[1st]"},
                                                           {"Gr\xC3\xB6\xC3\x9F"
                                                            "e",
                                                            "[Gr\xC3\xB6\xC3\x9F"
                                                            "e]"}};
    for (const auto& [name, expected] : quoted) {
        String text = name;
        QuoteFieldName(text);
        EXPECT_EQ(text, expected);
    }

    TStringField name(nullptr);
    name.SetFieldName("Name");
    EXPECT_EQ(FilterFieldName(nullptr, false), "");
    EXPECT_EQ(FilterFieldName(&name, false), "Name");
    name.SetFieldName("Unit Price");
    EXPECT_EQ(FilterFieldName(&name, false), "[Unit Price]");
    name.SetOrigin("ORDERS.PRICE");
    EXPECT_EQ(FilterFieldName(&name, false), "ORDERS.PRICE");
    EXPECT_EQ(FilterFieldName(&name, true), "[Unit Price]");

    EXPECT_TRUE(SameTextUpper("abc", "ABC"));
    EXPECT_FALSE(SameTextUpper("abc", "abd"));

    EXPECT_FALSE(HasSeveralFieldNames("Name"));
    EXPECT_FALSE(HasSeveralFieldNames("Name; "));
    EXPECT_TRUE(HasSeveralFieldNames("Name;Qty"));
    EXPECT_EQ(FieldNameCount(""), 0);
    EXPECT_EQ(FieldNameCount("A; B ;C"), 3);
    TStringList list;
    list.Add("old");
    SplitFieldNames("A; B ;C", &list);
    EXPECT_EQ(list.GetCommaText(), "A,B,C");
}

TEST(qzDBTest, ReadingAndWritingFieldValues) {
    TFieldsFixture f;
    TField* name = f.F("Name");
    TField* qty = f.F("Qty");
    // Two null fields still give two elements.
    const Variant both = GetFieldsValue(&f.DataSet, {name, qty});
    ASSERT_TRUE(VarIsArray(both));
    EXPECT_EQ(VarArrayLowBound(both, 1), 0);
    EXPECT_EQ(VarArrayHighBound(both, 1), 1);
    EXPECT_TRUE(VarIsNull(VarArrayGet(both, {0})));
    EXPECT_TRUE(VarIsNull(VarArrayGet(both, {1})));
    EXPECT_TRUE(VarIsNull(GetFieldsValue(&f.DataSet, {})));

    SetFieldsValue(&f.DataSet, {name, qty}, VarArrayOf({"bolt", 12}));
    EXPECT_EQ(name->GetAsString(), "bolt");
    EXPECT_EQ(qty->GetAsInteger(), 12);
    SetFieldsValue(&f.DataSet, {qty}, 7);
    EXPECT_EQ(GetFieldsValue(&f.DataSet, {qty}), Variant(7));
    SetFieldsValue(&f.DataSet, {}, 9); // nothing to set

    TField* wide = f.F("Wide");
    EXPECT_TRUE(VarIsNull(GetFieldValue(wide)));
    wide->SetAsString("\xE4\xB8\xAD");
    EXPECT_EQ(VarType(GetFieldValue(wide)), varOleStr);
    EXPECT_EQ(GetFieldValue(wide).AsWideString(), u"\u4E2D");

    TField* day = f.F("Day");
    SetFieldValue(day, 46000.5);
    EXPECT_EQ(day->GetAsDateTime(), 46000.5);
    SetFieldValue(qty, "15");
    EXPECT_EQ(qty->GetAsInteger(), 15);
}

TEST(qzDBTest, EditingAndTextFormsByFieldType) {
    struct TCase {
        const char* Field;
        void (*Setup)(TField*);
        bool CanEdit, CanEditIgnoringHandler;
        bool FormatsText; // binaryAndBooleanAnswer false
        bool ShowsCurrency;
    };
    auto plain = [](TField*) {};
    const std::vector<TCase> cases = {
        {"Name", plain, true, true, false, false},
        {"Name", [](TField* x) { x->SetEditMask("999"); }, true, true, true, false},
        {"Name", [](TField* x) { x->OnGetText = &NoText; }, true, true, true, false},
        {"Name", [](TField* x) { x->SetReadOnly(true); }, false, false, false, false},
        {"Qty", plain, true, true, false, false},
        {"Qty", [](TField* x) { static_cast<TNumericField*>(x)->SetDisplayFormat("0.0"); }, true, true, true,
         false},
        {"Qty", [](TField* x) { static_cast<TNumericField*>(x)->SetEditFormat("0"); }, true, true, true,
         false},
        {"Price", plain, true, true, false, false},
        {"Price", [](TField* x) { static_cast<TFloatField*>(x)->SetCurrency(true); }, true, true, true, true},
        {"Money", plain, true, true, true, true},
        {"Money", [](TField* x) { static_cast<TNumericField*>(x)->SetDisplayFormat("0.00"); }, true, true,
         true, false},
        {"Money", [](TField* x) { x->OnGetText = &NoText; }, true, true, true, false},
        {"Day", plain, true, true, false, false},
        {"Day", [](TField* x) { static_cast<TDateTimeField*>(x)->SetDisplayFormat("yyyy"); }, true, true,
         true, false},
        {"Flag", plain, true, true, false, false},
        {"Notes", plain, false, true, false, false},
        {"Notes", [](TField* x) { x->OnSetText = &IgnoreText; }, true, true, false, false},
        {"Picture", plain, false, true, false, false},
        {"Raw", plain, false, true, false, false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TCase& c = cases[i];
        SCOPED_TRACE(testing::Message() << c.Field << " case " << i);
        TFieldsFixture fresh;
        TField* field = fresh.F(c.Field);
        c.Setup(field);
        EXPECT_EQ(CanEditField(field, false), c.CanEdit);
        EXPECT_EQ(CanEditField(field, true), c.CanEditIgnoringHandler);
        EXPECT_EQ(FieldFormatsText(field, false), c.FormatsText);
        EXPECT_EQ(FieldShowsCurrency(field), c.ShowsCurrency);
        // Binary and Boolean fields answer as asked.
        const bool asked = String(c.Field) == "Flag" || String(c.Field) == "Notes" ||
                           String(c.Field) == "Picture" || String(c.Field) == "Raw";
        EXPECT_EQ(FieldFormatsText(field, true), c.FormatsText || asked);
    }
}

TEST(qzDBAdapterListTest, MostDerivedClassIsFoundFirst) {
    const TClass dataSet = TDataSet::StaticClass();
    const TClass mem = TMemDataSet::StaticClass();
    const TClass query = TTestQuery::StaticClass();
    auto classesOf = [](TqzDBAdapterList& list) {
        std::vector<String> names;
        for (Integer i = 0; i < list.Count(); ++i)
            names.push_back(list.Adapters(i)->GetDataSetClass()->ClassName());
        return names;
    };
    for (bool ancestorFirst : {true, false}) {
        SCOPED_TRACE(ancestorFirst);
        TqzDBAdapterList list;
        if (ancestorFirst) list.RegisterAdapter(dataSet, DBAdapterItemClass<TqzDBAdapterItem>());
        list.RegisterAdapter(query, DBAdapterItemClass<TTestAdapter>());
        if (!ancestorFirst) list.RegisterAdapter(dataSet, DBAdapterItemClass<TqzDBAdapterItem>());
        EXPECT_EQ(classesOf(list), (std::vector<String>{"TDataSet", "TTestQuery"}));
        Integer index = -1;
        EXPECT_TRUE(list.FindAdapter(query, index));
        EXPECT_EQ(index, 1);
        EXPECT_EQ(list.Adapters(index)->ClassName(), "TTestAdapter");
        EXPECT_TRUE(list.FindAdapter(mem, index));
        EXPECT_EQ(index, 0);
        // A class above every registration: not found, the index names its first descendant.
        EXPECT_FALSE(list.FindAdapter(TComponent::StaticClass(), index));
        EXPECT_EQ(index, 0);
    }

    TqzDBAdapterList list;
    list.RegisterAdapter(query, DBAdapterItemClass<TTestAdapter>());
    EXPECT_FALSE([&] {
        Integer index = 0;
        return list.FindAdapter(mem, index) || index != 0;
    }());
    list.RegisterAdapter(mem, DBAdapterItemClass<TqzDBAdapterItem>());
    EXPECT_EQ(classesOf(list), (std::vector<String>{"TMemDataSet", "TTestQuery"}));
    list.UnregisterAdapter(query, DBAdapterItemClass<TqzDBAdapterItem>()); // not that adapter class
    EXPECT_EQ(list.Count(), 2);
    list.UnregisterAdapter(query, DBAdapterItemClass<TTestAdapter>());
    EXPECT_EQ(classesOf(list), (std::vector<String>{"TMemDataSet"}));
    EXPECT_THROW(list.Adapters(1), EListError);

    // The process-wide list serves every data set through its TDataSet adapter.
    EXPECT_EQ(GetFilterOperatorAdapter(nullptr), nullptr);
    TTestQuery queryDataSet(nullptr);
    TqzDBFilterOperatorAdapter* adapter = GetFilterOperatorAdapter(&queryDataSet);
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(adapter->GetDataSetClass(), dataSet);
    TMemDataSet memDataSet(nullptr);
    EXPECT_EQ(GetFilterOperatorAdapter(&memDataSet), adapter);
}

namespace {

// Criteria whose conditions let the data set's filter-operator adapter choose their operator.
class TDataSetCondition : public TTableCondition {
    KOV_CLASS(TDataSetCondition, TTableCondition)
public:
    using TTableCondition::TTableCondition;
    TqzFilterOperatorClass OperatorClass() override;
};

class TDataSetCriteria : public TTableCriteria {
    KOV_CLASS(TDataSetCriteria, TTableCriteria)
public:
    explicit TDataSetCriteria(TDataSet* dataSet) : DataSet(dataSet) {}
    TqzFilterCriteriaItemClass ConditionClass() override {
        return FilterCriteriaItemClass<TDataSetCondition>();
    }
    TDataSet* DataSet;
};

TqzFilterOperatorClass TDataSetCondition::OperatorClass() {
    TqzFilterOperatorClass result = TTableCondition::OperatorClass();
    TDataSet* dataSet = static_cast<TDataSetCriteria*>(Criteria())->DataSet;
    if (TqzDBFilterOperatorAdapter* adapter = GetFilterOperatorAdapter(dataSet))
        adapter->AdjustOperatorClass(this, dataSet, result);
    return result;
}

} // namespace

TEST(qzDBFilterTest, QueryDataSetsWriteSqlNullTests) {
    TTestQuery query(nullptr);
    TMemDataSet table(nullptr);
    struct TCase {
        TDataSet* DataSet;
        TqzFilterOperatorKind Kind;
        Variant Value;
        const char* Text;
    };
    const std::vector<TCase> cases = {
        {&query, fokEqual, Null(), "(Name IS NULL)"},    {&query, fokNotEqual, Null(), "(Name IS NOT NULL)"},
        {&query, fokLike, Null(), "(Name IS NULL)"},     {&query, fokNotLike, Null(), "(Name IS NOT NULL)"},
        {&query, fokEqual, "x", "(Name = 'x')"},         {&table, fokEqual, Null(), "(Name = NULL)"},
        {&table, fokNotEqual, Null(), "(Name <> NULL)"}, {nullptr, fokEqual, Null(), "(Name = NULL)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        TDataSetCriteria criteria(c.DataSet);
        auto* condition = criteria.AddCondition(nullptr, criteria.Name(), c.Kind, c.Value);
        EXPECT_EQ(criteria.GetFilterText(), c.Text);
        // They test as the null operators do.
        const bool isNull = c.Kind == fokEqual || c.Kind == fokLike;
        if (VarIsNull(c.Value)) {
            EXPECT_TRUE(condition->GetOperator()->IsNullTest());
            EXPECT_EQ(criteria.FilterRecord(criteria.AddRow(criteria.Name(), Null())), isNull);
            EXPECT_EQ(criteria.FilterRecord(criteria.AddRow(criteria.Name(), "a")), !isNull);
        }
    }
}
