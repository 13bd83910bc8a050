// Locate and Lookup with one or several key fields and their options, and lookup fields
// following their keys, with and without the lookup cache.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/DBFilter.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Strings.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::ScopedFormatSettings;

String ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.Message;
    }
    return "(no error)";
}

// Bands: row numbers 1..5 in the Row column.
std::unique_ptr<TMemDataSet> MakeBands() {
    auto dataSet = std::make_unique<TMemDataSet>(nullptr);
    dataSet->SetName("bands");
    TFieldDefs* defs = dataSet->GetFieldDefs();
    defs->Add("Row", ftInteger);
    defs->Add("Code", ftString, 8);
    defs->Add("Band", ftInteger);
    defs->Add("Label", ftString, 20);
    defs->Add("Step", ftFloat);
    defs->Add("Since", ftDate);
    dataSet->CreateDataSet();
    dataSet->AppendRecord({1, "UHF", 1, "400-470", 12.5, VarFromDateTime(EncodeDate(2020, 1, 1))});
    dataSet->AppendRecord({2, "vhf", 2, "67-300", 6.25, VarFromDateTime(EncodeDate(2021, 6, 1))});
    dataSet->AppendRecord({3, "VHF", 3, "136-174", 12.5, VarFromDateTime(EncodeDate(2022, 6, 1))});
    dataSet->AppendRecord({4, Null(), 4, "none", 5.0, Null()});
    dataSet->AppendRecord(
        {5, "\xC3\x9Chf", 5, "\xC3\xBC-band", 25.0, VarFromDateTime(EncodeDate(2023, 1, 1))});
    dataSet->First();
    return dataSet;
}

Integer Row(TDataSet* dataSet) { return dataSet->FieldByName("Row")->GetAsInteger(); }

TEST(DBLocateTest, OptionsAndSeveralFields) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeBands();
    struct TCase {
        String Fields;
        Variant Keys;
        TLocateOptions Options;
        Integer Row; // the record found; 0: none, the current record stays
    };
    const TLocateOptions partial{loPartialKey};
    const TLocateOptions caseless{loCaseInsensitive};
    const TLocateOptions both{loPartialKey, loCaseInsensitive};
    const std::vector<TCase> cases = {
        {"Code", "VHF", {}, 3},
        {"Code", "vhf", {}, 2},
        {"Code", "Vhf", {}, 0},
        {"Code", "Vhf", caseless, 2},
        {"Code", "V", partial, 3},
        {"Code", "v", partial, 2},
        {"Code", "VHFX", partial, 0},
        {"Code", "u", both, 1},
        {"Code", "\xC3\xBCHF", caseless, 5}, // case folds beyond ASCII
        {"Label", "136", partial, 3},
        {"Label", "", partial, 1},
        {"code", "UHF", {}, 1}, // field names ignore case
        {"Code", Null(), {}, 4},
        {"Code;Band", VarArrayOf({"VHF", 3}), {}, 3},
        {"Code;Band", VarArrayOf({"VHF", 2}), {}, 0},
        {"Code;Band", VarArrayOf({"vhf", 3}), caseless, 3},
        {"Code; Label", VarArrayOf({"v", "67"}), partial, 2},
        {"Step;Code", VarArrayOf({12.5, "VHF"}), {}, 3},
        {"Band", "2", {}, 2},
        {"Band", 9, {}, 0},
        {"Step", 6.25, {}, 2},
        {"Since", VarFromDateTime(EncodeDate(2022, 6, 1)), {}, 3},
        {"Since", "6/1/2021", {}, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Fields + " " + VarToStr(VarIsArray(c.Keys) ? VarArrayGet(c.Keys, {0}) : c.Keys));
        dataSet->Last();
        EXPECT_EQ(dataSet->Locate(c.Fields, c.Keys, c.Options), c.Row != 0);
        EXPECT_EQ(Row(dataSet.get()), c.Row != 0 ? c.Row : 5);
    }
    EXPECT_EQ(ErrorOf([&] { dataSet->Locate("Nope", 1, {}); }), "bands: Field 'Nope' not found");
}

TEST(DBLocateTest, LocateSearchesWhatTheFilterShowsAndPostsFirst) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeBands();
    struct TCounter {
        Integer After = 0;
        void AfterScroll(TDataSet*) { ++After; }
    } counter;
    dataSet->AfterScroll = TDataSetNotifyEvent(&counter, &TCounter::AfterScroll);

    dataSet->SetFilter("Band <> 3");
    dataSet->SetFiltered(true);
    EXPECT_TRUE(dataSet->Locate("Code", "vhf", {loCaseInsensitive}));
    EXPECT_EQ(Row(dataSet.get()), 2);
    counter.After = 0;
    EXPECT_FALSE(dataSet->Locate("Code", "VHF", {}));
    EXPECT_EQ(counter.After, 0);
    EXPECT_TRUE(VarIsNull(dataSet->Lookup("Code", "VHF", "Label")));
    dataSet->SetFiltered(false);

    // A pending edit is posted before the search.
    dataSet->Locate("Row", 1, {});
    dataSet->Edit();
    dataSet->FieldByName("Label")->SetAsString("380-470");
    EXPECT_TRUE(dataSet->Locate("Label", "380", {loPartialKey}));
    EXPECT_EQ(dataSet->GetState(), dsBrowse);
    EXPECT_EQ(Row(dataSet.get()), 1);

    dataSet->Close();
    EXPECT_EQ(ErrorOf([&] { dataSet->Locate("Row", 1, {}); }),
              "bands: Cannot perform this operation on a closed dataset");
}

TEST(DBLocateTest, LookupAnswersWithoutMoving) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeBands();
    dataSet->Locate("Row", 4, {});
    EXPECT_EQ(VarToStr(dataSet->Lookup("Band", 3, "Label")), "136-174");
    const Variant results = dataSet->Lookup("Code;Band", VarArrayOf({"UHF", 1}), "Label;Step");
    ASSERT_TRUE(VarIsArray(results));
    EXPECT_EQ(VarToStr(VarArrayGet(results, {0})), "400-470");
    EXPECT_EQ(VarArrayGet(results, {1}).AsDouble(), 12.5);
    // Lookup matches whole keys, as they are written.
    EXPECT_TRUE(VarIsNull(dataSet->Lookup("Code", "uhf", "Label")));
    EXPECT_TRUE(VarIsNull(dataSet->Lookup("Code", "U", "Label")));
    EXPECT_TRUE(VarIsNull(dataSet->Lookup("Band", 9, "Label")));
    EXPECT_EQ(Row(dataSet.get()), 4);
}

TEST(DBLocateTest, KeyMatchingRules) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    struct TCase {
        Variant Value;
        Variant Key;
        TLocateOptions Options;
        bool Match;
    };
    const std::vector<TCase> cases = {
        {Null(), Null(), {}, true},
        {Null(), "", {}, false},
        {"", Null(), {}, false},
        {"abc", "ab", {loPartialKey}, true},
        {"abc", "AB", {loPartialKey}, false},
        {"abc", "AB", {loPartialKey, loCaseInsensitive}, true},
        {12, "1", {loPartialKey}, true},
        {12, "12", {}, true},
        {12, 12.0, {}, true},
        {12, "twelve", {}, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(VarToStr(c.Value) + " / " + VarToStr(c.Key));
        EXPECT_EQ(LocateKeyMatches(c.Value, c.Key, c.Options), c.Match);
    }
}

// A data set that counts the lookups asked of it.
class TCountingDataSet : public TMemDataSet {
public:
    using TMemDataSet::TMemDataSet;
    Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) override {
        ++Lookups;
        return TMemDataSet::Lookup(keyFields, keyValues, resultFields);
    }
    Integer Lookups = 0;
};

// Models keyed by Maker and Code; channels with those two keys and a lookup field ModelName.
struct TLookupFixture {
    TCountingDataSet Models{nullptr};
    TMemDataSet Channels{nullptr};
    TField* ModelName = nullptr;

    TLookupFixture() {
        Models.GetFieldDefs()->Add("Maker", ftString, 4);
        Models.GetFieldDefs()->Add("Code", ftInteger);
        Models.GetFieldDefs()->Add("Name", ftString, 20);
        Models.CreateDataSet();
        Models.AppendRecord({"KOV", 571, "Handheld"});
        Models.AppendRecord({"KOV", 572, "Mobile"});
        Models.AppendRecord({"ZED", 571, "Base"});
        Models.First();

        Channels.SetName("channels");
        Channels.GetFieldDefs()->Add("No", ftInteger);
        Channels.GetFieldDefs()->Add("Maker", ftString, 4);
        Channels.GetFieldDefs()->Add("Code", ftInteger);
        for (const char* name : {"No", "Maker", "Code"})
            Channels.GetFieldDefs()->Find(name)->CreateField(&Channels);
        ModelName = new TStringField(&Channels);
        ModelName->SetFieldName("ModelName");
        ModelName->SetSize(20);
        ModelName->SetFieldKind(fkLookup);
        ModelName->SetLookupDataSet(&Models);
        ModelName->SetKeyFields("Maker;Code");
        ModelName->SetLookupKeyFields("Maker;Code");
        ModelName->SetLookupResultField("Name");
        ModelName->SetDataSet(&Channels);
        Channels.CreateDataSet();
        Channels.AppendRecord({1, "KOV", 571});
        Channels.AppendRecord({2, "ZED", 571});
        Channels.AppendRecord({3, "KOV", 572});
        Channels.AppendRecord({4, "KOV", 571});
        Channels.AppendRecord({5, Null(), 571});
        Channels.First();
    }

    std::vector<String> Names() {
        std::vector<String> names;
        for (Channels.First(); !Channels.GetEof(); Channels.Next())
            names.push_back(ModelName->GetAsString());
        return names;
    }
};

TEST(DBLookupFieldTest, FollowsItsKeysWhileEditing) {
    TLookupFixture f;
    EXPECT_EQ(f.Names(), (std::vector<String>{"Handheld", "Base", "Mobile", "Handheld", ""}));

    // The field follows its key as the key changes, before the record is posted.
    f.Channels.First();
    f.Channels.Edit();
    f.Channels.FieldByName("Code")->SetAsInteger(572);
    EXPECT_EQ(f.ModelName->GetAsString(), "Mobile");
    f.Channels.FieldByName("Maker")->SetAsString("ZED");
    EXPECT_TRUE(f.ModelName->GetIsNull()); // no ZED 572
    f.Channels.FieldByName("Code")->SetAsInteger(571);
    EXPECT_EQ(f.ModelName->GetAsString(), "Base");
    f.Channels.FieldByName("Maker")->Clear();
    EXPECT_TRUE(f.ModelName->GetIsNull());
    f.Channels.Cancel();
    EXPECT_EQ(f.ModelName->GetAsString(), "Handheld");
    // The lookup data set's current record does not move.
    EXPECT_EQ(f.Models.FieldByName("Name")->GetAsString(), "Handheld");

    // Filters, Locate and Lookup see the looked-up values.
    f.Channels.SetFilter("ModelName = 'Handheld'");
    f.Channels.SetFiltered(true);
    EXPECT_EQ(f.Channels.GetRecordCount(), 2);
    f.Channels.SetFiltered(false);
    EXPECT_TRUE(f.Channels.Locate("ModelName", "mob", {loPartialKey, loCaseInsensitive}));
    EXPECT_EQ(f.Channels.FieldByName("No")->GetAsInteger(), 3);
    EXPECT_EQ(VarToStr(f.Channels.Lookup("No", 2, "ModelName")), "Base");

    // A change in the lookup data set shows when the records are read again.
    f.Models.Locate("Name", "Base", {});
    f.Models.Edit();
    f.Models.FieldByName("Name")->SetAsString("Base station");
    f.Models.Post();
    f.Channels.Refresh();
    EXPECT_EQ(f.Names(), (std::vector<String>{"Handheld", "Base station", "Mobile", "Handheld", ""}));
}

TEST(DBLookupFieldTest, CacheAnswersEachKeyOnceUntilRefreshed) {
    TLookupFixture f;
    f.Channels.Close();
    f.ModelName->SetLookupCache(true);
    f.Channels.Open();
    f.Models.Lookups = 0;
    f.Channels.AppendRecord({1, "KOV", 571});
    f.Channels.AppendRecord({2, "ZED", 571});
    f.Channels.AppendRecord({3, "KOV", 571});
    EXPECT_EQ(f.Names(), (std::vector<String>{"Handheld", "Base", "Handheld"}));
    EXPECT_EQ(f.Names(), (std::vector<String>{"Handheld", "Base", "Handheld"}));
    EXPECT_EQ(f.Models.Lookups, 2); // KOV 571 and ZED 571, once each

    // A key with no model is remembered too.
    f.Channels.AppendRecord({4, "KOV", 999});
    EXPECT_TRUE(f.ModelName->GetIsNull());
    const Integer afterMissing = f.Models.Lookups;
    f.Channels.Refresh();
    EXPECT_TRUE(f.ModelName->GetIsNull());
    EXPECT_EQ(f.Models.Lookups, afterMissing);

    // The cache keeps old results until it is refreshed.
    f.Models.First();
    f.Models.Edit();
    f.Models.FieldByName("Name")->SetAsString("Portable");
    f.Models.Post();
    f.Channels.Refresh();
    EXPECT_EQ(f.Names(), (std::vector<String>{"Handheld", "Base", "Handheld", ""}));
    f.ModelName->RefreshLookupList();
    f.Channels.Refresh();
    EXPECT_EQ(f.Names(), (std::vector<String>{"Portable", "Base", "Portable", ""}));

    // Reopening starts a fresh cache; switching the cache off asks every time.
    f.Models.Lookups = 0;
    f.Channels.Close();
    f.Channels.Open();
    f.Channels.AppendRecord({1, "KOV", 571});
    f.Channels.AppendRecord({2, "KOV", 571});
    EXPECT_EQ(f.Names(), (std::vector<String>{"Portable", "Portable"}));
    EXPECT_EQ(f.Models.Lookups, 1);
    f.Channels.Close();
    f.ModelName->SetLookupCache(false);
    f.Channels.Open();
    f.Channels.AppendRecord({1, "KOV", 571});
    f.Models.Lookups = 0;
    f.Names();
    f.Names();
    EXPECT_EQ(f.Models.Lookups, 2);
}

TEST(DBLookupFieldTest, LookupListKeys) {
    TLookupList list;
    list.Add(1, "one");
    list.Add(VarArrayOf({"KOV", 571}), "model");
    list.Add(Null(), "none");
    Variant value;
    EXPECT_TRUE(list.Find(1.0, value));
    EXPECT_EQ(VarToStr(value), "one");
    EXPECT_TRUE(list.Find(Int64(1), value));
    EXPECT_FALSE(list.Find("1", value));
    EXPECT_FALSE(list.Find(1.5, value));
    EXPECT_TRUE(list.Find(VarArrayOf({"KOV", 571.0}), value));
    EXPECT_EQ(VarToStr(value), "model");
    EXPECT_FALSE(list.Find(VarArrayOf({"KOV"}), value));
    EXPECT_FALSE(list.Find(VarArrayOf({"kov", 571}), value));
    EXPECT_TRUE(list.Find(Null(), value));
    EXPECT_EQ(list.GetCount(), 3);
    list.Clear();
    EXPECT_FALSE(list.Find(1, value));
}

} // namespace
