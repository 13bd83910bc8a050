// Filter texts of data sets (every form the data controller writes), filtered navigation,
// record counts and bookmarks, OnFilterRecord, and FindFirst / FindNext / FindPrior / FindLast.
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

Integer ID(TDataSet* dataSet) { return dataSet->FieldByName("ID")->GetAsInteger(); }

std::vector<Integer> AllIDs(TDataSet* dataSet) {
    std::vector<Integer> ids;
    for (dataSet->First(); !dataSet->GetEof(); dataSet->Next())
        ids.push_back(ID(dataSet));
    return ids;
}

// Five channels with a value of every kind the filter texts compare; record 2 has no note,
// record 4 no date and no price.
std::unique_ptr<TMemDataSet> MakeChannels() {
    auto dataSet = std::make_unique<TMemDataSet>(nullptr);
    dataSet->SetName("channels");
    TFieldDefs* defs = dataSet->GetFieldDefs();
    defs->Add("ID", ftInteger);
    defs->Add("Name", ftString, 20);
    defs->Add("Freq", ftFloat);
    defs->Add("Active", ftBoolean);
    defs->Add("Added", ftDateTime);
    defs->Add("Note", ftString, 20);
    defs->Add("Unit Price", ftFloat);
    dataSet->CreateDataSet();
    const Variant null = Null();
    dataSet->AppendRecord({1, "Alpha", 136.5, true, VarFromDateTime(EncodeDate(2024, 1, 5)), "x", 1.5});
    dataSet->AppendRecord({2, "beta", 150.25, false, VarFromDateTime(EncodeDate(2024, 2, 10)), null, 2.0});
    dataSet->AppendRecord(
        {3, "O'Brien", 400.0, true, VarFromDateTime(EncodeDate(2024, 2, 29)), "50% off", 3.25});
    dataSet->AppendRecord({4, "Gamma_1", 446.00625, false, null, "", null});
    dataSet->AppendRecord({5, "gamma2", 470.0, true,
                           VarFromDateTime(EncodeDate(2024, 3, 1) + EncodeTime(10, 30, 0, 0)), "y", 10.0});
    dataSet->First();
    return dataSet;
}

struct TFilterCase {
    String Filter;
    TFilterOptions Options;
    std::vector<Integer> IDs;
};

void CheckCases(TDataSet* dataSet, const std::vector<TFilterCase>& cases) {
    dataSet->SetFiltered(true);
    for (const TFilterCase& c : cases) {
        SCOPED_TRACE(c.Filter);
        dataSet->SetFilterOptions(c.Options);
        dataSet->SetFilter(c.Filter);
        EXPECT_EQ(AllIDs(dataSet), c.IDs);
        EXPECT_EQ(dataSet->GetRecordCount(), Integer(c.IDs.size()));
    }
}

TEST(DBFilterTest, EveryFormOfFilterText) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeChannels();
    // Dates are written as a date value's text reads in this locale.
    ASSERT_EQ(VarToStr(VarFromDateTime(EncodeDate(2024, 2, 29))), "2/29/2024");
    ASSERT_EQ(VarToStr(VarFromDateTime(EncodeDate(2024, 3, 1) + EncodeTime(10, 30, 0, 0))),
              "3/1/2024 10:30:00 AM");
    const TFilterOptions none;
    const TFilterOptions caseless{foCaseInsensitive};
    const std::vector<TFilterCase> cases = {
        // Comparisons.
        {"ID = 3", none, {3}},
        {"ID <> 3", none, {1, 2, 4, 5}},
        {"ID < 3", none, {1, 2}},
        {"ID > 3", none, {4, 5}},
        {"ID <= 2", none, {1, 2}},
        {"ID >= 4", none, {4, 5}},
        {"ID > -1", none, {1, 2, 3, 4, 5}},
        {"Freq = 150.25", none, {2}},
        {"Freq > 4.0E2", none, {4, 5}},
        {"Name = 'O''Brien'", none, {3}},
        {"Name = 'BETA'", none, {}},
        {"Name = 'BETA'", caseless, {2}},
        {"Name > 'a'", none, {2, 5}},
        {"Active = True", none, {1, 3, 5}},
        {"Active = False", none, {2, 4}},
        {"Active", none, {1, 3, 5}},
        {"not active", none, {2, 4}},
        {"id = 1 or id = 2", none, {1, 2}},
        // Dates as the locale writes them, and in a fixed format.
        {"Added = '2/29/2024'", none, {3}},
        {"Added = '3/1/2024 10:30:00 AM'", none, {5}},
        {"(Added >= '2/1/2024') AND (Added < '3/1/2024')", none, {2, 3}},
        {"Added = '2024-02-29'", none, {3}},
        {"Added > '2024-03-01 10:00'", none, {5}},
        // Null tests, also in the "= NULL" form; other comparisons leave nulls out.
        {"Note = NULL", none, {2}},
        {"Note <> NULL", none, {1, 3, 4, 5}},
        {"Note IS NULL", none, {2}},
        {"Note IS NOT NULL", none, {1, 3, 4, 5}},
        {"Note = ''", none, {4}},
        {"Note <> 'x'", none, {3, 4, 5}},
        {"NOT (Note = 'x')", none, {3, 4, 5}},
        {"Added IS NULL", none, {4}},
        // LIKE and its escape.
        {"Name LIKE 'gamma%'", none, {5}},
        {"Name LIKE 'gamma%'", caseless, {4, 5}},
        {"Name LIKE '%a'", none, {1, 2}},
        {"Name LIKE '_eta'", none, {2}},
        {"Name NOT LIKE '%a%'", none, {3}},
        {"Name LIKE 'gamma_%'", caseless, {4, 5}},
        {"Name LIKE 'gamma\\_%' ESCAPE '\\'", caseless, {4}},
        {"Note LIKE '50!%%' ESCAPE '!'", none, {3}},
        {"Note LIKE '%'", none, {1, 3, 4, 5}},
        // IN lists and their translated form.
        {"ID IN (1, 3, 5)", none, {1, 3, 5}},
        {"ID NOT IN (1, 3, 5)", none, {2, 4}},
        {"Name IN ('beta', 'O''Brien')", none, {2, 3}},
        {"Name IN ('ALPHA')", caseless, {1}},
        {"Freq IN (136.5, 470)", none, {1, 5}},
        {"Note IN ('x', NULL)", none, {1, 2}},
        {"ID IN ()", none, {}},
        {"(ID = 1) OR (ID = 3) OR (ID = 5)", none, {1, 3, 5}},
        {"NOT ((ID = 1) OR (ID = 3))", none, {2, 4, 5}},
        // BETWEEN and its translated form.
        {"ID BETWEEN 2 AND 4", none, {2, 3, 4}},
        {"ID NOT BETWEEN 2 AND 4", none, {1, 5}},
        {"Freq BETWEEN 140 AND 446.5", none, {2, 3, 4}},
        {"Added BETWEEN '2/1/2024' AND '2/29/2024'", none, {2, 3}},
        {"(ID >= 2) AND (ID <= 4)", none, {2, 3, 4}},
        {"NOT ((ID >= 2) AND (ID <= 4))", none, {1, 5}},
        // Conditions on several key fields, nested lists, lists without conditions.
        {"(ID = 3) AND (Name = 'O''Brien')", none, {3}},
        {"(ID > 1) AND ((Name LIKE '%a') OR (Active = True))", none, {2, 3, 5}},
        {"NOT ((ID = 1) OR (ID = 2))", none, {3, 4, 5}},
        {"NOT ((Active = True) AND (ID > 1))", none, {1, 2, 4}},
        {"()", none, {1, 2, 3, 4, 5}},
        {"NOT ()", none, {1, 2, 3, 4, 5}},
        {"(ID = 1) AND ()", none, {1}},
        {"(ID = 1) AND (NOT ())", none, {1}},
        // Bracketed names; the partial compare of "*".
        {"[Unit Price] > 2", none, {3, 5}},
        {"[Unit Price] IS NULL", none, {4}},
        {"Name = 'gam*'", none, {5}},
        {"Name = 'gam*'", caseless, {4, 5}},
        {"Name <> 'gam*'", none, {1, 2, 3, 4}},
        {"Name = 'gam*'", {foNoPartialCompare}, {}},
    };
    CheckCases(dataSet.get(), cases);
}

TEST(DBFilterTest, NumbersAndDatesFollowTheLocale) {
    ScopedFormatSettings settings(testsupport::CommaSettings());
    auto dataSet = MakeChannels();
    ASSERT_EQ(VarToStr(Variant(150.25)), "150,25");
    ASSERT_EQ(VarToStr(VarFromDateTime(EncodeDate(2024, 2, 29))), "29.02.2024");
    const std::vector<TFilterCase> cases = {
        {"Freq = 150,25", {}, {2}},
        {"Freq = 150.25", {}, {2}},
        {"Freq IN (136,5, 470)", {}, {1, 5}},
        {"Freq BETWEEN 136,5 AND 150,25", {}, {1, 2}},
        {"(Freq >= 136,5) AND (Freq <= 150,25)", {}, {1, 2}},
        {"[Unit Price] = 3,25", {}, {3}},
        {"ID IN (1, 2)", {}, {1, 2}},
        {"Added = '29.02.2024'", {}, {3}},
        {"Added = '01.03.2024 10:30:00'", {}, {5}},
        {"Added < '2024-02-01'", {}, {1}},
    };
    CheckCases(dataSet.get(), cases);
}

TEST(DBFilterTest, NamesCanBeTheFieldsOrigins) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeChannels();
    dataSet->FieldByName("Freq")->SetOrigin("CHANNELS.FREQ");
    const std::vector<TFilterCase> cases = {{"CHANNELS.FREQ > 400", {}, {4, 5}},
                                            {"\"Unit Price\" < 2", {}, {1}}};
    CheckCases(dataSet.get(), cases);
}

TEST(DBFilterTest, TextsThatDoNotParseRaiseAndLeaveTheFilterAsItWas) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeChannels();
    dataSet->SetFiltered(true);
    dataSet->SetFilter("ID > 3");
    const String prefix = "channels: Filter expression incorrectly formatted: ";
    const std::vector<std::pair<String, String>> cases = {
        {"ID >", prefix + "unexpected end"},
        {"ID = 1 AND", prefix + "unexpected end"},
        {"ID = 1 ID = 2", prefix + "unexpected 'ID'"},
        {"ID = AND", prefix + "unexpected 'AND'"},
        {"ID = # 1", prefix + "unexpected '#'"},
        {"Name = 'abc", prefix + "unterminated text"},
        {"[Name = 1", prefix + "unterminated field name"},
        {"ID IN (1, 2", prefix + "')' expected"},
        {"ID IN 1, 2", prefix + "'(' expected"},
        {"(ID = 1", prefix + "')' expected"},
        {"ID BETWEEN 1 OR 2", prefix + "AND expected"},
        {"Note IS 'x'", prefix + "NULL expected"},
        {"ID NOT = 2", prefix + "LIKE, IN or BETWEEN expected"},
        {"Name LIKE 'a' ESCAPE 'ab'", prefix + "ESCAPE needs one character in quotes"},
        {"Name", prefix + "condition expected instead of 'Name'"},
        {"ID = 1 OR 5", prefix + "condition expected instead of '5'"},
        {"ID = -Name", prefix + "number expected"},
        {"Nope = 1", "channels: Field 'Nope' not found"},
    };
    for (const auto& [filter, message] : cases) {
        SCOPED_TRACE(filter);
        EXPECT_EQ(ErrorOf([&] { dataSet->SetFilter(filter); }), message);
        EXPECT_EQ(dataSet->GetFilter(), "ID > 3");
        EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{4, 5}));
    }

    // Switching a bad text on fails and leaves the data set unfiltered; so does opening.
    dataSet->SetFiltered(false);
    dataSet->SetFilter("ID >");
    EXPECT_EQ(ErrorOf([&] { dataSet->SetFiltered(true); }), prefix + "unexpected end");
    EXPECT_FALSE(dataSet->GetFiltered());
    EXPECT_EQ(dataSet->GetRecordCount(), 5);
    // A blank text filters nothing.
    dataSet->SetFilter("  ");
    dataSet->SetFiltered(true);
    EXPECT_EQ(dataSet->GetRecordCount(), 5);
}

TEST(DBFilterTest, DeepNestingIsRefusedAndLongChainsWork) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeChannels();
    dataSet->SetFiltered(true);
    auto nested = [](int depth, const String& open, const String& close) {
        String text;
        for (int i = 0; i < depth; ++i)
            text += open;
        text += "ID = 2";
        for (int i = 0; i < depth; ++i)
            text += close;
        return text;
    };
    const String tooDeep = "channels: Filter expression incorrectly formatted: nested too deeply";
    // Groups and NOTs up to the limit read; one more, or thousands, are refused.
    EXPECT_EQ(ErrorOf([&] { dataSet->SetFilter(nested(256, "(", ")")); }), "(no error)");
    EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{2}));
    EXPECT_EQ(ErrorOf([&] { dataSet->SetFilter(nested(128, "NOT (", ")")); }), "(no error)");
    EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{2}));
    const String fixture = testsupport::ReadFileBytes(testsupport::FixturePath("fuzz/filter-5000-nested-groups.txt"));
    ASSERT_FALSE(fixture.empty());
    for (const String& text : {fixture, nested(257, "(", ")"), nested(5000, "(", ")"), nested(5000, "NOT ", ""),
                               nested(5000, "(", ""), nested(200, "(NOT ", ")")}) {
        SCOPED_TRACE(text.substr(0, 20));
        EXPECT_EQ(ErrorOf([&] { dataSet->SetFilter(text); }), tooDeep);
    }

    // Flat chains of any length are parsed, evaluated and freed.
    auto chain = [](int terms, const char* word, const std::function<String(int)>& term) {
        String text = term(0);
        for (int i = 1; i < terms; ++i)
            text += String(" ") + word + " " + term(i);
        return text;
    };
    const String orChain = chain(200000, "OR", [](int i) { return "ID = " + IntToStr(i % 4 == 0 ? 3 : i + 10); });
    dataSet->SetFilter(orChain);
    EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{3}));
    dataSet->SetFilter(chain(100000, "AND", [](int i) { return i == 99999 ? String("ID <> 4") : String("ID > 1"); }));
    EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{2, 3, 5}));
    // Null and unknown terms keep their three-valued meaning inside a chain.
    CheckCases(dataSet.get(), {
                                  {"Note = 'y' OR Note = 'z' OR ID = 1", {}, {1, 5}},
                                  {"NOT (Note = 'q' OR Note = 'z' OR Note = 'w')", {}, {1, 3, 4, 5}},
                                  {"NOT (Note <> 'q' AND ID > 0 AND ID < 9)", {}, {}},
                                  {"Active AND ID > 1 AND Note IS NOT NULL", {}, {3, 5}},
                              });
}

TEST(DBFilterTest, FilterSetBeforeOpeningAppliesWhenItOpens) {
    TMemDataSet dataSet(nullptr);
    dataSet.SetName("numbers");
    dataSet.GetFieldDefs()->Add("ID", ftInteger);
    dataSet.SetFilter("ID >= 2");
    dataSet.SetFiltered(true);
    dataSet.CreateDataSet();
    for (Integer i = 1; i <= 3; ++i)
        dataSet.AppendRecord({i});
    EXPECT_EQ(AllIDs(&dataSet), (std::vector<Integer>{2, 3}));
    // Reopening with default fields parses again against the new fields.
    dataSet.Close();
    dataSet.Open();
    EXPECT_TRUE(dataSet.IsEmpty());
    dataSet.AppendRecord({5});
    dataSet.AppendRecord({1});
    EXPECT_EQ(AllIDs(&dataSet), (std::vector<Integer>{5}));

    dataSet.Close();
    dataSet.SetFilter("Nope = 1");
    EXPECT_EQ(ErrorOf([&] { dataSet.Open(); }), "numbers: Field 'Nope' not found");
    EXPECT_FALSE(dataSet.GetActive());
}

TEST(DBFilterTest, FilteredNavigationRecordNumbersAndBookmarks) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeChannels();
    dataSet->Locate("ID", 2, {});
    const TBookmark hidden = dataSet->GetBookmark();
    dataSet->SetFilter("Active = True");
    dataSet->SetFiltered(true);

    // Filtering goes to the first record that passes.
    EXPECT_EQ(ID(dataSet.get()), 1);
    EXPECT_TRUE(dataSet->GetBof());
    dataSet->Next();
    EXPECT_EQ(ID(dataSet.get()), 3);
    const TBookmark three = dataSet->GetBookmark();
    EXPECT_EQ(dataSet->GetRecNo(), 2);
    dataSet->Next();
    EXPECT_EQ(ID(dataSet.get()), 5);
    dataSet->Next();
    EXPECT_TRUE(dataSet->GetEof());
    EXPECT_EQ(ID(dataSet.get()), 5);
    EXPECT_EQ(dataSet->MoveBy(-5), -2);
    EXPECT_TRUE(dataSet->GetBof());
    dataSet->Last();
    EXPECT_EQ(dataSet->GetRecNo(), 3);
    EXPECT_EQ(dataSet->GetRecordCount(), 3);
    dataSet->SetRecNo(2);
    EXPECT_EQ(ID(dataSet.get()), 3);

    // A bookmark of a record the filter hides is not valid while it hides it.
    EXPECT_TRUE(dataSet->BookmarkValid(three));
    EXPECT_FALSE(dataSet->BookmarkValid(hidden));
    dataSet->Last();
    EXPECT_EQ(ErrorOf([&] { dataSet->GotoBookmark(hidden); }), "channels: Record not found");
    dataSet->GotoBookmark(three);
    EXPECT_EQ(ID(dataSet.get()), 3);
    EXPECT_EQ(dataSet->CompareBookmarks(hidden, three), -1);

    // A changed option takes effect at once.
    dataSet->SetFilter("Name LIKE 'G%'");
    EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{4}));
    dataSet->SetFilterOptions({foCaseInsensitive});
    EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{4, 5}));

    dataSet->SetFiltered(false);
    EXPECT_EQ(dataSet->GetRecordCount(), 5);
    EXPECT_TRUE(dataSet->BookmarkValid(hidden));
    dataSet->GotoBookmark(hidden);
    EXPECT_EQ(ID(dataSet.get()), 2);
}

TEST(DBFilterTest, FilterTextAndOnFilterRecordTogether) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeChannels();
    struct THandler {
        std::vector<Integer> Asked;
        TDataSetState State = dsInactive;
        void Filter(TDataSet* d, bool& accept) {
            Asked.push_back(ID(d));
            State = d->GetState();
            accept = ID(d) != 3;
        }
    } handler;
    dataSet->OnFilterRecord = TFilterRecordEvent(&handler, &THandler::Filter);
    dataSet->SetFilter("Active = True");
    dataSet->SetFiltered(true);
    EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{1, 5}));
    // The event hears only the records the text lets through, in the filter state.
    for (Integer id : handler.Asked)
        EXPECT_TRUE(id == 1 || id == 3 || id == 5) << id;
    EXPECT_EQ(handler.State, dsFilter);
    EXPECT_EQ(dataSet->GetState(), dsBrowse);

    dataSet->SetFilter("");
    EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{1, 2, 4, 5}));
}

TEST(DBFilterTest, FindMovesByTheFilterWhetherFilteredOrNot) {
    ScopedFormatSettings settings(testsupport::DotSettings());
    auto dataSet = MakeChannels();
    struct TCounter {
        Integer Before = 0;
        Integer After = 0;
        void BeforeScroll(TDataSet*) { ++Before; }
        void AfterScroll(TDataSet*) { ++After; }
    } counter;
    dataSet->BeforeScroll = TDataSetNotifyEvent(&counter, &TCounter::BeforeScroll);
    dataSet->AfterScroll = TDataSetNotifyEvent(&counter, &TCounter::AfterScroll);

    dataSet->SetFilter("Active = True");
    EXPECT_TRUE(dataSet->FindFirst());
    EXPECT_EQ(ID(dataSet.get()), 1);
    EXPECT_TRUE(dataSet->FindNext());
    EXPECT_EQ(ID(dataSet.get()), 3);
    EXPECT_TRUE(dataSet->GetFound());
    EXPECT_TRUE(dataSet->FindNext());
    EXPECT_EQ(ID(dataSet.get()), 5);
    counter = TCounter();
    EXPECT_FALSE(dataSet->FindNext());
    EXPECT_FALSE(dataSet->GetFound());
    EXPECT_EQ(ID(dataSet.get()), 5);
    EXPECT_EQ(counter.Before, 1);
    EXPECT_EQ(counter.After, 0);
    EXPECT_TRUE(dataSet->FindPrior());
    EXPECT_EQ(ID(dataSet.get()), 3);
    EXPECT_EQ(counter.After, 1);
    EXPECT_TRUE(dataSet->FindLast());
    EXPECT_EQ(ID(dataSet.get()), 5);
    // The data set itself stays unfiltered.
    EXPECT_FALSE(dataSet->GetFiltered());
    dataSet->Prior();
    EXPECT_EQ(ID(dataSet.get()), 4);
    EXPECT_EQ(dataSet->GetRecordCount(), 5);

    // The event takes part, also without a text.
    struct TEven {
        void Filter(TDataSet* d, bool& accept) { accept = ID(d) % 2 == 0; }
    } even;
    dataSet->OnFilterRecord = TFilterRecordEvent(&even, &TEven::Filter);
    EXPECT_FALSE(dataSet->FindFirst()); // active and even: none
    EXPECT_EQ(ID(dataSet.get()), 4);
    dataSet->SetFilter("");
    EXPECT_TRUE(dataSet->FindLast());
    EXPECT_EQ(ID(dataSet.get()), 4);
    EXPECT_TRUE(dataSet->FindPrior());
    EXPECT_EQ(ID(dataSet.get()), 2);
    EXPECT_FALSE(dataSet->FindPrior());
    dataSet->OnFilterRecord = TFilterRecordEvent();

    // Filtered, the search stays among the records that pass.
    dataSet->SetFilter("ID <> 2");
    dataSet->SetFiltered(true);
    dataSet->First();
    EXPECT_TRUE(dataSet->FindNext());
    EXPECT_EQ(ID(dataSet.get()), 3);

    dataSet->SetFiltered(false);
    dataSet->SetFilter("ID <");
    EXPECT_EQ(ErrorOf([&] { dataSet->FindFirst(); }),
              "channels: Filter expression incorrectly formatted: unexpected end");

    TMemDataSet empty(nullptr);
    empty.GetFieldDefs()->Add("ID", ftInteger);
    empty.CreateDataSet();
    EXPECT_FALSE(empty.FindFirst());
    EXPECT_FALSE(empty.FindNext());
}

TEST(DBFilterTest, LikeMatchesByCharacters) {
    struct TCase {
        String Text;
        String Pattern;
        char32_t Escape;
        bool Match;
    };
    const std::vector<TCase> cases = {
        {"", "", 0, true},
        {"a", "", 0, false},
        {"", "%", 0, true},
        {"abc", "%", 0, true},
        {"a", "a%", 0, true},
        {"a", "a%%", 0, true},
        {"abc", "a_c", 0, true},
        {"ac", "a_c", 0, false},
        {"abbc", "a_c", 0, false},
        {"ABC", "a%", 0, false},
        {"abcabd", "%ab_", 0, true},
        {"mississippi", "%ss%ss%i", 0, true},
        {"mississippi", "%ss%ss%ss%", 0, false},
        {"\xC3\xA9t\xC3\xA9", "_t_", 0, true}, // two-byte characters count once
        {"50%", "50\\%", U'\\', true},
        {"500", "50\\%", U'\\', false},
        {"a_b", "a\\_b", U'\\', true},
        {"axb", "a\\_b", U'\\', false},
        {"a\\", "a\\", U'\\', true}, // a trailing escape stands for itself
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text + " LIKE " + c.Pattern);
        EXPECT_EQ(FilterLikeMatch(c.Text, c.Pattern, c.Escape), c.Match);
    }
    // Many wildcards over a long text stay quick.
    EXPECT_FALSE(FilterLikeMatch(String(5000, 'a'), "%a%a%a%a%a%a%a%a%b"));
}

} // namespace
