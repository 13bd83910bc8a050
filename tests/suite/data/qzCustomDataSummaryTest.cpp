// The data controller's summaries: footer and group values, their texts and default formats,
// the summary events, summary groups and the read access to the group tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/FormatSettings.h"
#include "suite/data/qzCustomData.h"
#include "suite/data/qzData.h"
#include "suite/foundation/qzVariants.h"
#include "tests/support/TestSupport.h"

namespace {

class TSumItem : public TObject {};

// An unbound controller with a text column (0, for grouping) and two columns of any values (1, 2).
class TSumController : public TqzDataController {
public:
    // With another controller: over the same client items (as the clones of a pattern are).
    explicit TSumController(TComponent* owner = nullptr, const TSumController* sameItemsAs = nullptr)
        : TqzDataController(owner), FOwnsItems(!sameItemsAs) {
        const TqzValueTypeClass types[] = {ValueTypeClass<TqzStringValueType>(), ValueTypeClass<TqzVariantValueType>(),
                                           ValueTypeClass<TqzVariantValueType>()};
        for (TqzValueTypeClass type : types) {
            Items.push_back(sameItemsAs ? sameItemsAs->Items[Items.size()] : new TSumItem());
            AddItem(Items.back());
            ChangeValueTypeClass(Integer(Items.size()) - 1, type);
        }
    }
    ~TSumController() override {
        if (FOwnsItems)
            for (TObject* item : Items) delete item;
    }
    TObject* GetItem(Integer index) const override { return Items.at(std::size_t(index)); }

    struct TRow {
        const char* Group;
        Variant Value;
        Variant Other = Null();
    };
    void Fill(const std::vector<TRow>& rows) {
        TqzUpdateLock lock(this);
        SetRecordCount(Integer(rows.size()));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            SetValue(Integer(r), 0, String(rows[r].Group));
            SetValue(Integer(r), 1, rows[r].Value);
            SetValue(Integer(r), 2, rows[r].Other);
        }
    }
    TqzDataSummaryItem* AddFooter(TqzSummaryKind kind, Integer itemIndex = 1) {
        return AddTo(GetSummary()->GetFooterSummaryItems(), kind, itemIndex);
    }
    TqzDataSummaryItem* AddGroupItem(TqzSummaryKind kind, Integer itemIndex = 1,
                                     TqzDataSummaryItems* items = nullptr) {
        return AddTo(items ? items : GetSummary()->GetDefaultGroupSummaryItems(), kind, itemIndex);
    }
    TqzDataSummaryItem* AddTo(TqzDataSummaryItems* items, TqzSummaryKind kind, Integer itemIndex) {
        TqzDataSummaryItem* item = items->AddItem();
        item->SetKind(kind);
        if (itemIndex >= 0) item->SetItemLink(GetItem(itemIndex));
        return item;
    }
    // The summary texts of the group rows, "|"-separated.
    std::string GroupTexts() {
        std::string s;
        TqzDataGroups* groups = GetInfo()->GetGroups();
        for (Integer i = 0; i < groups->ItemCount(); ++i) {
            String text;
            GetSummary()->GroupItemsForLevel(groups->Item(i)->Level)->GetGroupSummaryText(groups->Item(i)->SummaryValues, text);
            s += (i ? "|" : "") + std::string(text);
        }
        return s;
    }
    std::string Rows() {
        std::string s;
        TqzCustomDataControllerInfo* info = GetInfo();
        for (Integer row = 0; row < info->GetRowCount(); ++row) {
            const TqzDataRowInfo ri = info->GetRowInfo(row);
            s += (row ? "," : "") + std::string(ri.Level < info->GetGroups()->GroupingFieldCount() ? "g" : "") +
                 std::to_string(ri.Position);
        }
        return s;
    }

    std::vector<TObject*> Items;

private:
    bool FOwnsItems;
};

// Counts the summary events and changes what the test asks for.
struct TSummaryHooks : public TObject {
    void Summary(TqzDataSummaryItems*, const TqzSummaryEventArguments& arguments, TqzSummaryEventOutArguments& out) {
        ++SummaryCalls;
        if (arguments.RecordIndex == ReplaceRecord) out.Value = 100;
        if (arguments.RecordIndex == DoneRecord) out.Done = true;
        if (arguments.RecordIndex == CountRecord) out.CountValue += 10;
    }
    void GetText(TqzDataSummaryItem*, const Variant& value, bool isFooter, String& text) {
        text = text + (isFooter ? " in footer of " : " in group of ") + VarToStr(value);
    }
    void AfterSummary(TqzDataSummary* summary) {
        ++AfterCalls;
        // A change made here is not reported back to the recomputation.
        if (ChangeInside) summary->GetFooterSummaryItems()->GetItem(0)->SetKind(skMax);
    }
    int SummaryCalls = 0;
    Integer ReplaceRecord = -1, DoneRecord = -1, CountRecord = -1;
    int AfterCalls = 0;
    bool ChangeInside = false;
};

std::string Text(const Variant& v) {
    if (VarIsNull(v)) return "Null";
    if (VarIsEmpty(v)) return "Empty";
    return std::string(VarToStr(v));
}

} // namespace

// ---- Values ----------------------------------------------------------------------------------------

TEST(qzDataSummaryTest, FooterValuesByKindAndNullHandling) {
    testsupport::ScopedFormatSettings scoped(testsupport::DotSettings());
    const Variant n = Null();
    const TDateTime d1 = EncodeDate(2024, 3, 1), d2 = EncodeDate(2024, 3, 5);
    struct Case {
        const char* Name;
        TqzSummaryKind Kind;
        std::vector<Variant> Values;
        bool NullIgnore;
        std::string Expected;
        TVarType Type;
    } cases[] = {
        {"average counts a Null", skAverage, {2, n, 4}, false, "2", varDouble},
        {"average ignoring Null", skAverage, {2, n, 4}, true, "3", varDouble},
        {"sum of Nulls", skSum, {n, n}, false, "0", varInteger},
        {"sum of Nulls ignored", skSum, {n, n}, true, "Null", varNull},
        {"sum starting with Null", skSum, {n, 5, 7}, false, "12", varInteger},
        {"minimum passes Nulls", skMin, {n, 5, 3, n}, false, "3", varInteger},
        {"maximum passes Nulls", skMax, {n, 5, n, 7}, false, "7", varInteger},
        {"count counts Nulls", skCount, {n, 5, n}, false, "3", varInteger},
        {"count ignoring Nulls", skCount, {n, 5, n}, true, "1", varInteger},
        {"minimum of Nulls only", skMin, {n, n}, false, "Null", varNull},
        {"none", skNone, {1, 2}, false, "Null", varNull},
        {"no records", skSum, {}, false, "Null", varNull},
        {"no records count", skCount, {}, false, "0", varInteger},
        {"date average stays a date", skAverage, {VarFromDateTime(d1), VarFromDateTime(d2)}, false, "3/3/2024",
         varDate},
        {"currency sum", skSum, {Currency(1.25), Currency(2.5)}, false, "3.75", varCurrency},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TSumController controller;
        controller.AddFooter(c.Kind);
        if (c.NullIgnore) controller.GetSummary()->SetOptions({soNullIgnore});
        std::vector<TSumController::TRow> rows;
        for (const Variant& v : c.Values) rows.push_back({"a", v});
        controller.Fill(rows);
        const Variant value = controller.GetSummary()->GetFooterSummaryValue(0);
        EXPECT_EQ(Text(value), c.Expected);
        EXPECT_EQ(VarType(value), c.Type);
        if (c.Type == varNull) {
            EXPECT_EQ(std::string(controller.GetSummary()->GetFooterSummaryText(0)), "");
        }
    }
}

TEST(qzDataSummaryTest, ACountWithoutFieldCountsGroupRowsOnly) {
    TSumController c;
    c.Fill({{"a", 1}, {"a", 2}, {"b", 3}});
    TqzDataSummaryItem* footer = c.AddFooter(skCount, -1);
    TqzDataSummaryItem* group = c.AddGroupItem(skCount, -1);
    TqzDataSummaryItem* groupFooter = c.AddGroupItem(skCount, -1);
    groupFooter->SetPosition(spFooter);
    c.ChangeItemGroupIndex(0, 0);
    EXPECT_FALSE(footer->IsCalculated());
    EXPECT_TRUE(group->IsCalculated());
    EXPECT_FALSE(groupFooter->IsCalculated());
    // Stored positions (window definitions): only a group item away from the group row.
    EXPECT_FALSE(footer->StoresPosition());
    EXPECT_FALSE(group->StoresPosition());
    EXPECT_TRUE(groupFooter->StoresPosition());
    EXPECT_EQ(Text(c.GetSummary()->GetFooterSummaryValue(0)), "Empty"); // not calculated: left as it was
    EXPECT_EQ(std::string(c.GetSummary()->GetFooterSummaryText(0)), "");
    TqzDataGroups* groups = c.GetInfo()->GetGroups();
    ASSERT_EQ(groups->ItemCount(), 2);
    EXPECT_EQ(Text(groups->Item(0)->SummaryValues.at(0)), "2");
    EXPECT_EQ(Text(groups->Item(1)->SummaryValues.at(0)), "1");
    EXPECT_EQ(Text(groups->Item(1)->SummaryValues.at(1)), "Empty");
}

TEST(qzDataSummaryTest, EachGroupSummarisesAllRecordsBelowIt) {
    TSumController c;
    c.Fill({{"a", 1, "x"}, {"b", 10, "x"}, {"a", 2, "y"}, {"a", 4, "x"}, {"b", 20, "y"}});
    c.AddGroupItem(skSum);
    c.AddGroupItem(skCount);
    c.ChangeItemGroupIndex(0, 0);
    c.ChangeItemGroupIndex(2, 1);
    // a (x: 1, 4; y: 2), b (x: 10; y: 20)
    EXPECT_EQ(c.GroupTexts(), "(SUM=7.00, COUNT=3)|(SUM=5.00, COUNT=2)|(SUM=2.00, COUNT=1)|"
                              "(SUM=30.00, COUNT=2)|(SUM=10.00, COUNT=1)|(SUM=20.00, COUNT=1)");
}

TEST(qzDataSummaryTest, OnSummaryChangesTheValueTheCountAndStopsARecord) {
    TSumController c;
    TSummaryHooks hooks;
    c.AddFooter(skAverage);
    c.AddFooter(skCount);
    c.GetSummary()->GetFooterSummaryItems()->OnSummary = TqzSummaryEvent(&hooks, &TSummaryHooks::Summary);
    hooks.ReplaceRecord = 0;
    hooks.DoneRecord = 2;
    c.Fill({{"a", 1}, {"a", 2}, {"a", 3}});
    EXPECT_EQ(hooks.SummaryCalls, 6); // each record for each item
    EXPECT_EQ(Text(c.GetSummary()->GetFooterSummaryValue(0)), "51"); // (100 + 2) / 2
    EXPECT_EQ(Text(c.GetSummary()->GetFooterSummaryValue(1)), "2");

    hooks.CountRecord = 1;
    c.Refresh();
    EXPECT_EQ(Text(c.GetSummary()->GetFooterSummaryValue(0)), "8.5"); // 102 / (2 + 10)
    EXPECT_EQ(Text(c.GetSummary()->GetFooterSummaryValue(1)), "12");
}

TEST(qzDataSummaryTest, ValuesThatCannotBeAddedRaiseAfterTheRecomputationIsCleanedUp) {
    for (bool grouped : {false, true}) {
        SCOPED_TRACE(grouped ? "group item" : "footer item");
        TSumController c;
        c.Fill({{"a", 1}, {"a", 2}});
        if (grouped) {
            c.ChangeItemGroupIndex(0, 0);
            c.AddGroupItem(skSum);
        } else {
            c.AddFooter(skSum);
        }
        EXPECT_THROW(c.SetValue(1, 1, "not a number"), EVariantError);
        EXPECT_FALSE(c.GetInfo()->IsCalculating());
        EXPECT_EQ(c.GetInfo()->GetLockCount(), 0);
        EXPECT_EQ(c.GetLockCount(), 0);
        EXPECT_EQ(c.GetInfo()->GetChanges(), 0);
        c.SetValue(1, 1, 5);
        const Variant value = grouped ? c.GetInfo()->GetGroups()->Item(0)->SummaryValues.at(0)
                                      : c.GetSummary()->GetFooterSummaryValue(0);
        EXPECT_EQ(Text(value), "6");
    }
}

// ---- Selected records ------------------------------------------------------------------------------

TEST(qzDataSummaryTest, SelectedRecordsModeCountsSelectedDataRowsOrTheFocusedRecord) {
    TSumController c;
    c.Fill({{"a", 1}, {"a", 2}, {"b", 4}, {"b", 8}});
    c.AddFooter(skSum);
    c.ChangeItemGroupIndex(0, 0);
    c.GetSummary()->SetOptions({soSelectedRecords});
    TqzDataSummary* summary = c.GetSummary();

    // Single select: the focused record alone.
    c.GetInfo()->GetGroups()->SetAllExpanded(true);
    c.ChangeFocusedRowIndex(2); // g0, 0, 1, g3, 2, 3: record 1
    EXPECT_EQ(Text(summary->GetFooterSummaryValue(0)), "2");

    // Multi select: a selected group row does not stand for its records.
    c.MultiSelect = true;
    c.ClearSelection();
    c.ChangeRowSelection(3, true); // the group row of b
    EXPECT_EQ(Text(summary->GetFooterSummaryValue(0)), "Null");
    c.ChangeRowSelection(1, true);
    c.ChangeRowSelection(5, true);
    EXPECT_EQ(Text(summary->GetFooterSummaryValue(0)), "9");
}

// ---- Texts -----------------------------------------------------------------------------------------

TEST(qzDataSummaryTest, DefaultFormatsByKindValueClassAndPlace) {
    TFormatSettings settings = testsupport::DotSettings();
    settings.CurrencyString = "kr.";
    settings.CurrencyFormat = 3;
    testsupport::ScopedFormatSettings scoped(settings);
    TSumController c;
    TqzDataSummaryItems* items = c.GetSummary()->GetFooterSummaryItems();
    // Rows by kind; columns: currency group, currency footer, date group, date footer, other group,
    // other footer.
    const char* expected[5][6] = {
        {"SUM=,0.00 kr'.';SUM=-,0.00 kr'.'", ",0.00 kr'.';-,0.00 kr'.'", "SUM=", "", "SUM=0.00;SUM=-0.00",
         "0.00;-0.00"},
        {"MIN=,0.00 kr'.';MIN=-,0.00 kr'.'", "MIN=,0.00 kr'.';MIN=-,0.00 kr'.'", "MIN=", "MIN=", "MIN=0.00;MIN=-0.00",
         "MIN=0.00;MIN=-0.00"},
        {"MAX=,0.00 kr'.';MAX=-,0.00 kr'.'", "MAX=,0.00 kr'.';MAX=-,0.00 kr'.'", "MAX=", "MAX=", "MAX=0.00;MAX=-0.00",
         "MAX=0.00;MAX=-0.00"},
        {"COUNT=0", "0", "COUNT=0", "0", "COUNT=0", "0"},
        {"AVG=,0.00 kr'.';AVG=-,0.00 kr'.'", "AVG=,0.00 kr'.';AVG=-,0.00 kr'.'", "AVG=", "AVG=", "AVG=0.00;AVG=-0.00",
         "AVG=0.00;AVG=-0.00"},
    };
    const TqzSummaryValueClass classes[] = {svcCurrency, svcDate, svcOther};
    for (int kind = skSum; kind <= skAverage; ++kind)
        for (int column = 0; column < 6; ++column) {
            String text = "unchanged";
            items->GetDefaultFormat(classes[column / 2], TqzSummaryKind(kind), text, column % 2 == 1);
            EXPECT_EQ(std::string(text), expected[kind - skSum][column]) << "kind " << kind << ", column " << column;
        }
    String text = "unchanged";
    items->GetDefaultFormat(svcOther, skNone, text, true);
    EXPECT_EQ(std::string(text), "");
}

TEST(qzDataSummaryTest, FormattedValuesUnderTheLocale) {
    TFormatSettings settings = testsupport::DotSettings();
    settings.CurrencyString = "$";
    settings.CurrencyFormat = 0;
    testsupport::ScopedFormatSettings scoped(settings);
    TSumController c;
    TqzDataSummaryItem* item = c.AddFooter(skSum);
    const TDateTime day = EncodeDate(2024, 3, 1), time = EncodeTime(13, 5, 0, 0);
    struct Case {
        TqzSummaryKind Kind;
        const char* Format;
        Variant Value;
        bool Footer;
        const char* Expected;
    } cases[] = {
        {skSum, "", 1234.5, true, "1234.50"},
        {skSum, "", -2.5, false, "SUM=-2.50"},
        {skCount, "", 3, false, "COUNT=3"},
        {skSum, "", Currency(1234.5), true, "$1,234.50"},
        {skMax, "", Currency(-7), false, "MAX=-$7.00"},
        {skMin, "", VarFromDateTime(day), false, "MIN=3/1/2024"},
        {skMin, "", VarFromDateTime(day + time), true, "MIN=3/1/2024 1:05:00 PM"},
        {skMax, "", VarFromDateTime(time), true, "MAX=1:05:00 PM"},
        {skSum, "", VarFromDateTime(day), true, "3/1/2024"},
        {skAverage, "#.0 units", 2.25, true, "2.3 units"},
        {skMin, "from ", VarFromDateTime(day), true, "from 3/1/2024"},
        {skNone, "", "text", true, "text"},
        {skSum, "", Null(), true, ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Expected);
        item->SetKind(k.Kind);
        item->SetFormat(k.Format);
        String text;
        item->FormatValue(k.Value, k.Footer, text);
        EXPECT_EQ(std::string(text), k.Expected);
    }
    TFormatSettings comma = testsupport::CommaSettings();
    testsupport::ScopedFormatSettings scopedComma(comma);
    item->SetKind(skSum);
    item->SetFormat("");
    String text;
    item->FormatValue(1234.5, true, text);
    EXPECT_EQ(std::string(text), "1234,50");
}

TEST(qzDataSummaryTest, GroupTextJoinsTheGroupRowItems) {
    testsupport::ScopedFormatSettings scoped(testsupport::DotSettings());
    TSumController c;
    c.Fill({{"a", 4.5}, {"a", 5.5}, {"b", 1.0}});
    c.AddGroupItem(skSum);
    c.AddGroupItem(skCount);
    c.AddGroupItem(skMax)->SetPosition(spFooter); // not on the group row
    c.ChangeItemGroupIndex(0, 0);
    EXPECT_EQ(c.GroupTexts(), "(SUM=10.00, COUNT=2)|(SUM=1.00, COUNT=1)");

    TqzDataGroupSummaryItems* items = c.GetSummary()->GetDefaultGroupSummaryItems();
    items->SetBeginText("[");
    items->SetEndText("]");
    items->SetSeparator(";");
    EXPECT_TRUE(items->IsBeginTextStored());
    EXPECT_EQ(c.GroupTexts(), "[SUM=10.00; COUNT=2]|[SUM=1.00; COUNT=1]");
    String text = "x";
    items->GetGroupSummaryText({}, text); // no values: each item shows an empty text
    EXPECT_EQ(std::string(text), "[; ]");
}

TEST(qzDataSummaryTest, OnGetTextSeesValueAndPlace) {
    testsupport::ScopedFormatSettings scoped(testsupport::DotSettings());
    TSumController c;
    TSummaryHooks hooks;
    TqzDataSummaryItem* item = c.AddFooter(skSum);
    item->OnGetText = TqzDataSummaryItemGetTextEvent(&hooks, &TSummaryHooks::GetText);
    c.Fill({{"a", 2}, {"a", 3}});
    EXPECT_EQ(std::string(c.GetSummary()->GetFooterSummaryText(0)), "5.00 in footer of 5");
    String text;
    item->FormatValue(Null(), false, text);
    EXPECT_EQ(std::string(text), " in group of ");
}

TEST(qzDataSummaryTest, ItemLookups) {
    TSumController c;
    TqzDataGroupSummaryItems* items = c.GetSummary()->GetDefaultGroupSummaryItems();
    TqzDataSummaryItem* onGroup = c.AddGroupItem(skSum);
    TqzDataSummaryItem* other = c.AddGroupItem(skSum, 2);
    TqzDataSummaryItem* inFooter = c.AddGroupItem(skMax);
    inFooter->SetPosition(spFooter);
    EXPECT_EQ(items->ItemOfField(0, spFooter), inFooter);
    EXPECT_EQ(items->ItemOfField(2, spGroup), onGroup);
    EXPECT_EQ(items->ItemOfField(1, spFooter), nullptr);
    EXPECT_EQ(c.GetSummary()->GetFooterSummaryItems()->PositionOf(other), spFooter); // the footer's answer for any item
    EXPECT_THROW(items->ItemOfField(3, spGroup), EListError);

    struct Case {
        Integer Flags;
        bool A, B, Visible;
    } cases[] = {{0, true, true, true}, {1, true, false, false}, {1, false, true, true}, {2, false, true, false},
                 {2, true, false, true}, {3, true, false, false}, {3, false, false, true}};
    for (const Case& k : cases)
        EXPECT_EQ(items->ItemVisible(k.Flags, k.A, k.B), k.Visible) << k.Flags << k.A << k.B;
}

// ---- Change reports and events ---------------------------------------------------------------------

TEST(qzDataSummaryTest, DisplaySettingsChangeTheViewOnlyAndKindRecomputes) {
    TSumController c;
    TSummaryHooks hooks;
    TqzDataSummaryItem* item = c.AddFooter(skSum);
    c.AddGroupItem(skSum);
    c.GetSummary()->GetFooterSummaryItems()->OnSummary = TqzSummaryEvent(&hooks, &TSummaryHooks::Summary);
    c.Fill({{"a", 2}, {"a", 3}});
    const int afterFill = hooks.SummaryCalls;
    EXPECT_EQ(afterFill, 2);
    item->SetFormat("0");
    item->SetPosition(spFooter);
    c.GetSummary()->GetDefaultGroupSummaryItems()->SetBeginText("<"); // a view change of its first item
    EXPECT_EQ(hooks.SummaryCalls, afterFill + 0);
    item->SetKind(skMax);
    EXPECT_EQ(hooks.SummaryCalls, afterFill + 2);
    EXPECT_EQ(Text(c.GetSummary()->GetFooterSummaryValue(0)), "3");
    item->SetItemLink(c.GetItem(2)); // Null values
    EXPECT_EQ(hooks.SummaryCalls, afterFill + 4);
    EXPECT_EQ(Text(c.GetSummary()->GetFooterSummaryValue(0)), "Null");
    item->SetItemLink(c.GetItem(2));
    EXPECT_EQ(hooks.SummaryCalls, afterFill + 4); // unchanged: ignored
}

TEST(qzDataSummaryTest, AfterSummaryWaitsWhileTheOwnerLoads) {
    TComponent owner(nullptr);
    owner.IncludeComponentState(csLoading);
    TSummaryHooks hooks;
    {
        TSumController c(&owner);
        c.AddFooter(skSum);
        c.GetSummary()->OnAfterSummary = TqzAfterSummaryEvent(&hooks, &TSummaryHooks::AfterSummary);
        c.Fill({{"a", 2}, {"a", 3}});
        c.Refresh();
        EXPECT_EQ(hooks.AfterCalls, 0);
        EXPECT_TRUE(c.SummaryRecalcPending);
        EXPECT_EQ(Text(c.GetSummary()->GetFooterSummaryValue(0)), "5"); // computed, only the event waits

        owner.ExcludeComponentState(csLoading);
        c.Loaded();
        EXPECT_EQ(hooks.AfterCalls, 1);
        EXPECT_FALSE(c.SummaryRecalcPending);
        c.Loaded();
        EXPECT_EQ(hooks.AfterCalls, 1);

        // A change made by the handler is not reported: no second run.
        hooks.ChangeInside = true;
        c.Refresh();
        EXPECT_EQ(hooks.AfterCalls, 2);
        EXPECT_FALSE(c.GetSummary()->InAfterSummary());
        EXPECT_EQ(c.GetSummary()->GetFooterSummaryItems()->GetItem(0)->GetKind(), skMax);
    }
}

// ---- Fields, summary groups and assignment -------------------------------------------------------------

TEST(qzDataSummaryTest, RemovingAFieldClearsItFromEveryItemAndLink) {
    TSumController c;
    c.Fill({{"a", 1}, {"b", 2}});
    TqzDataSummary* summary = c.GetSummary();
    TqzDataSummaryItem* footer = c.AddFooter(skSum);
    TqzDataSummaryItem* other = c.AddFooter(skSum, 2);
    TqzDataSummaryItem* byDefault = c.AddGroupItem(skSum);
    TqzDataSummaryGroup* group = summary->GetSummaryGroups()->AddGroup();
    TqzDataSummaryItem* inGroup = c.AddGroupItem(skMin, 1, group->GetSummaryItems());
    TqzDataSummaryGroupItemLink* link = group->GetLinks()->AddLink();
    link->SetItemLink(c.GetItem(1));
    TqzCustomDataField* field = c.GetItemField(1);
    int runs = 0;
    TSummaryHooks hooks;
    summary->GetFooterSummaryItems()->OnSummary = TqzSummaryEvent(&hooks, &TSummaryHooks::Summary);
    runs = hooks.SummaryCalls;

    summary->RemoveItemsOfField(field);
    for (TqzCustomDataSummaryItem* item : std::vector<TqzCustomDataSummaryItem*>{footer, byDefault, inGroup, link})
        EXPECT_EQ(item->GetField(), nullptr);
    EXPECT_EQ(other->GetField(), c.GetItemField(2));
    EXPECT_EQ(hooks.SummaryCalls, runs + 2); // one recomputation: two records for the remaining calculated item
    summary->RemoveItemsOfField(field);
    EXPECT_EQ(hooks.SummaryCalls, runs + 2); // nothing changed: no report

    // Removing the column drops its field from the summary before the field is freed.
    c.RemoveItem(c.GetItem(2));
    EXPECT_EQ(other->GetField(), nullptr);
    EXPECT_EQ(summary->GetLockCount(), 0);
}

TEST(qzDataSummaryTest, GroupItemsForLevelFollowTheSummaryGroupLinks) {
    TSumController c;
    c.Fill({{"a", 1, "x"}, {"a", 2, "y"}, {"b", 3, "x"}});
    TqzDataSummary* summary = c.GetSummary();
    TqzDataSummaryGroup* first = summary->GetSummaryGroups()->AddGroup();
    TqzDataSummaryGroup* second = summary->GetSummaryGroups()->AddGroup();
    EXPECT_EQ(first->GetSummaryItems()->GetOwner(), first);
    EXPECT_EQ(summary->GetDefaultGroupSummaryItems()->GetOwner(), summary);
    first->GetLinks()->AddLink()->SetItemLink(c.GetItem(2));
    c.AddGroupItem(skSum, 1, first->GetSummaryItems());
    c.AddGroupItem(skCount, -1);
    c.ChangeItemGroupIndex(0, 0);
    c.ChangeItemGroupIndex(2, 1);

    EXPECT_EQ(summary->GroupItemsForLevel(0), summary->GetDefaultGroupSummaryItems());
    EXPECT_EQ(summary->GroupItemsForLevel(1), first->GetSummaryItems());
    EXPECT_EQ(summary->GroupItemsForLevel(2), nullptr);
    EXPECT_EQ(summary->GroupItemsForLevel(-1), nullptr);
    // a (x, y), b (x): the level-1 groups show the linked group's sum.
    EXPECT_EQ(c.GroupTexts(), "(COUNT=2)|(SUM=1.00)|(SUM=2.00)|(COUNT=1)|(SUM=3.00)");

    // A column belongs to one summary group: linking it elsewhere takes it from the first group.
    TqzDataSummaryGroupItemLink* moved = second->GetLinks()->AddLink();
    moved->SetItemLink(c.GetItem(2));
    EXPECT_EQ(first->GetLinks()->GetItem(0)->GetField(), nullptr);
    EXPECT_EQ(summary->GroupItemsForLevel(1), second->GetSummaryItems());
    EXPECT_EQ(c.GroupTexts(), "(COUNT=2)|||(COUNT=1)|"); // the second group has no items
}

TEST(qzDataSummaryTest, AssignCopiesItemsByTheirColumnsOptionsAndEvents) {
    TSumController source;
    TSumController target(nullptr, &source);
    TSummaryHooks hooks;
    TqzDataSummaryItem* item = source.AddFooter(skAverage, 2);
    item->SetFormat("0.0");
    item->SetPosition(spFooter);
    item->OnGetText = TqzDataSummaryItemGetTextEvent(&hooks, &TSummaryHooks::GetText);
    source.GetSummary()->GetSummaryGroups()->AddGroup()->GetLinks()->AddLink()->SetItemLink(source.GetItem(0));
    source.GetSummary()->SetOptions({soNullIgnore});
    source.GetSummary()->OnAfterSummary = TqzAfterSummaryEvent(&hooks, &TSummaryHooks::AfterSummary);
    target.Fill({{"a", 1, 4}, {"a", 1, 6}});
    hooks.AfterCalls = 0;

    target.GetSummary()->Assign(source.GetSummary());
    TqzDataSummaryItem* copy = target.GetSummary()->GetFooterSummaryItems()->GetItem(0);
    EXPECT_EQ(copy->GetField(), target.GetItemField(2)); // the target's field of the same column
    EXPECT_EQ(std::string(copy->GetFormat()), "0.0");
    EXPECT_EQ(copy->GetKind(), skAverage);
    EXPECT_TRUE(copy->OnGetText.Assigned());
    EXPECT_EQ(target.GetSummary()->GetSummaryGroups()->GetItem(0)->GetLinks()->GetItem(0)->GetField(),
              target.GetItemField(0));
    EXPECT_TRUE(target.GetSummary()->GetOptions().Contains(soNullIgnore));
    EXPECT_EQ(hooks.AfterCalls, 1); // one recomputation when the lock closed
    EXPECT_EQ(Text(target.GetSummary()->GetFooterSummaryValue(0)), "5");
    EXPECT_EQ(target.GetLockCount(), 0);
}

// ---- Group access and ordering by summary ----------------------------------------------------------

TEST(qzDataSummaryTest, GroupAccessWalksGroupsAndRecordsInRowOrder) {
    TSumController c;
    c.Fill({{"b", 1, "y"}, {"a", 2, "y"}, {"b", 3, "x"}, {"a", 4, "x"}, {"a", 5, "y"}});
    c.ChangeItemGroupIndex(0, 0);
    c.ChangeItemGroupIndex(2, 1);
    TqzDataControllerGroups* groups = c.GetGroups();
    // a (x: 3; y: 1, 4), b (x: 2; y: 0)
    EXPECT_EQ(groups->LevelCount(), 2);
    EXPECT_EQ(groups->FieldIndexOfLevel(0), 0);
    EXPECT_EQ(groups->FieldIndexOfLevel(1), 2);
    EXPECT_EQ(groups->ChildCount(-1), 2);
    const Integer a = groups->ChildGroup(-1, 0);
    EXPECT_EQ(groups->Level(a), 0);
    EXPECT_EQ(groups->ChildCount(a), 2);
    const Integer ay = groups->ChildGroup(a, 1);
    EXPECT_EQ(groups->Level(ay), 1);
    EXPECT_EQ(groups->ChildCount(ay), 2);
    EXPECT_EQ(groups->ChildRecord(ay, 0), 1);
    EXPECT_EQ(groups->ChildRecord(ay, 1), 4);
    EXPECT_EQ(groups->ChildRecord(ay, 2), -1);
    EXPECT_EQ(groups->ChildRecord(a, 0), -1);
    EXPECT_EQ(groups->ChildGroup(ay, 0), -1);

    std::vector<Integer> records;
    groups->CollectRecordIndexes(records, a);
    EXPECT_EQ(records, (std::vector<Integer>{3, 1, 4}));
    groups->CollectRecordIndexes(records, groups->ChildGroup(-1, 1));
    EXPECT_EQ(records, (std::vector<Integer>{3, 1, 4, 2, 0})); // appended

    records.clear();
    EXPECT_EQ(groups->GroupOfRow(1), groups->ChildGroup(-1, 1));
    groups->CollectRecordIndexesOfRow(records, 1); // the collapsed group row of b
    EXPECT_EQ(records, (std::vector<Integer>{2, 0}));
    c.GetInfo()->GetGroups()->SetAllExpanded(true);
    records.clear();
    groups->CollectRecordIndexesOfRow(records, 2); // g a, g ax, 3, g ay, 1, ...: a data row
    EXPECT_EQ(records, (std::vector<Integer>{3}));
    EXPECT_THROW(groups->CollectRecordIndexesOfRow(records, 99), EqzInvalidDataControllerOperation);
}

TEST(qzDataSummaryTest, ASummarySortItemOrdersTheTopGroups) {
    TSumController c;
    c.Fill({{"a", 5}, {"b", 1}, {"c", 3}, {"a", 4}, {"b", 1}});
    c.ChangeItemGroupIndex(0, 0);
    c.AddGroupItem(skCount, -1);
    TqzDataSummaryItem* sum = c.AddGroupItem(skSum);
    EXPECT_EQ(c.Rows(), "g0,g1,g2"); // a, b, c by value (the rows show their first records)
    // Sums: a 9, b 2, c 3.
    c.SetSummarySortItem(sum);
    EXPECT_EQ(c.Rows(), "g1,g2,g0"); // b, c, a
    c.SetSummarySortOrder(soDescending);
    EXPECT_EQ(c.Rows(), "g0,g2,g1"); // a, c, b
    c.SetValue(2, 1, 100); // c: 100
    EXPECT_EQ(c.Rows(), "g2,g0,g1");

    // Freeing the item stops the ordering.
    delete sum;
    EXPECT_EQ(c.GetSummarySortItem(), nullptr);
    EXPECT_EQ(c.Rows(), "g0,g1,g2");

    // So does freeing the summary group that holds it, and the controller with it set.
    TqzDataSummaryGroup* group = c.GetSummary()->GetSummaryGroups()->AddGroup();
    group->GetLinks()->AddLink()->SetItemLink(c.GetItem(0));
    c.SetSummarySortItem(c.AddGroupItem(skSum, 1, group->GetSummaryItems()));
    EXPECT_EQ(c.Rows(), "g2,g0,g1"); // the linked group's sums, still descending
    delete group;
    EXPECT_EQ(c.GetSummarySortItem(), nullptr);
    EXPECT_EQ(c.Rows(), "g0,g1,g2");
    c.SetSummarySortItem(c.GetSummary()->GetDefaultGroupSummaryItems()->GetItem(0));
}

TEST(qzDataSummaryTest, FreeingSummaryObjectsSurvivesAFailingRecomputation) {
    TSumController c;
    c.Fill({{"a", 1, 5}, {"a", 2, 6}, {"b", 3, 7}});
    c.ChangeItemGroupIndex(0, 0);
    TqzDataSummaryItem* sum = c.AddGroupItem(skSum);
    c.AddGroupItem(skSum, 2);
    c.SetSummarySortItem(sum);
    TqzDataSummaryGroup* group = c.GetSummary()->GetSummaryGroups()->AddGroup();
    TqzDataSummaryGroupItemLink* link = group->GetLinks()->AddLink();
    EXPECT_THROW(c.SetValue(1, 2, "z"), EVariantError); // the second item cannot add 5 and "z"
    // Each removal recomputes and fails again: the destructors still end.
    delete sum;
    EXPECT_EQ(c.GetSummarySortItem(), nullptr);
    delete link;
    delete group;
    EXPECT_EQ(c.GetSummary()->GetSummaryGroups()->GetCount(), 0);
    EXPECT_EQ(c.GetLockCount(), 0);
    EXPECT_FALSE(c.GetInfo()->IsCalculating());
    EXPECT_THROW(c.Refresh(), EVariantError); // and the failure is still reported where it can be
}
