// Filter value lists: the order of entries, refused values, finding entries and the entry that
// stands for a condition.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runtime/Strings.h"

#include "suite/data/qzFilter.h"
#include "tests/suite/data/FilterFixture.h"

using namespace filtertest;

namespace {

// "kind:text" of every entry.
std::vector<String> Entries(const TqzFilterValueList& list) {
    std::vector<String> result;
    for (Integer i = 0; i < list.Count(); ++i)
        result.push_back(IntToStr(Integer(list.Items(i).Kind)) + ":" + list.Items(i).DisplayText);
    return result;
}

struct TValueListFixture {
    TTableCriteria Criteria;
    std::unique_ptr<TqzFilterValueList> List{Criteria.ValueListClass()->Create(&Criteria)};
};

} // namespace

TEST(qzFilterValueListTest, EntriesStandInTheirPlaces) {
    struct TStep {
        TqzFilterValueItemKind Kind;
        Variant Value;
        const char* Text;
        bool Append;
    };
    struct TCase {
        const char* Name;
        Integer MaxCount;
        std::vector<TStep> Steps;
        std::vector<String> Expected;
    };
    const std::vector<TCase> cases = {
        {"values sorted after the fixed entries",
         0,
         {{fvkAll, Null(), "(All)", false},
          {fvkValue, 3, "3", false},
          {fvkValue, 1, "1", false},
          {fvkCustom, Null(), "(Custom...)", false},
          {fvkValue, 2, "2", false}},
         {"0:(All)", "1:(Custom...)", "5:1", "5:2", "5:3"}},
        {"the same value once", 0, {{fvkValue, 1, "1", false}, {fvkValue, 1, "one", false}}, {"5:1"}},
        {"a limit counts the fixed entries",
         3,
         {{fvkAll, Null(), "(All)", false},
          {fvkCustom, Null(), "(Custom...)", false},
          {fvkValue, 2, "2", false},
          {fvkValue, 1, "1", false},
          {fvkBlanks, Null(), "(Blanks)", false}},
         {"0:(All)", "1:(Custom...)", "2:(Blanks)", "5:2"}},
        {"a pinned entry brings its separator", 0, {{fvkPinned, 9, "nine", false}}, {"6:nine", "7:"}},
        {"pinned entries stay above the separator",
         0,
         {{fvkAll, Null(), "(All)", false},
          {fvkPinned, 9, "nine", false},
          {fvkValue, 1, "1", false},
          {fvkPinned, 8, "eight", false}},
         {"6:nine", "6:eight", "7:", "0:(All)", "5:1"}},
        {"appended values are not sorted or checked",
         1,
         {{fvkValue, 5, "5", false}, {fvkValue, 1, "1", true}, {fvkValue, 1, "1", true}},
         {"5:5", "5:1", "5:1"}},
        {"a pinned value is found among the pinned entries",
         0,
         {{fvkPinned, 4, "four", false}, {fvkValue, 4, "4", false}, {fvkValue, 3, "3", false}},
         {"6:four", "7:", "5:3"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TValueListFixture f;
        f.Criteria.SetMaxValueListCount(c.MaxCount);
        for (const TStep& step : c.Steps)
            f.List->Add(step.Kind, step.Value, step.Text, step.Append);
        EXPECT_EQ(Entries(*f.List), c.Expected);
    }
}

TEST(qzFilterValueListTest, FindComparesValuesOrTexts) {
    TValueListFixture f;
    f.List->Add(fvkAll, Null(), "(All)");
    for (const char* name : {"Cherry", "apple", "Banana"})
        f.List->Add(fvkValue, name, name);
    EXPECT_EQ(Entries(*f.List), (std::vector<String>{"0:(All)", "5:Banana", "5:Cherry", "5:apple"}));
    Integer index = -1;
    EXPECT_TRUE(f.List->Find("Cherry", "", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(f.List->Find("Apricot", "", index));
    EXPECT_EQ(index, 1); // where it belongs

    // By display text, case ignored with fcoCaseInsensitive.
    f.List->SetCompareByText(true);
    EXPECT_FALSE(f.List->Find(Null(), "BANANA", index));
    f.Criteria.SetOptions({fcoCaseInsensitive});
    EXPECT_TRUE(f.List->Find(Null(), "BANANA", index));
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(f.List->Find(Null(), "cherry", index));
    EXPECT_EQ(index, 2);

    // Values compared case-insensitively too.
    f.List->SetCompareByText(false);
    EXPECT_TRUE(f.List->Find("banana", "", index));
    EXPECT_EQ(index, 1);
}

TEST(qzFilterValueListTest, EntryOfACondition) {
    TValueListFixture f;
    TTableCriteria& c = f.Criteria;
    for (auto kind : {fvkAll, fvkCustom})
        f.List->Add(kind, Null(), "fixed");
    for (const char* name : {"a", "b"})
        f.List->Add(fvkValue, name, name);
    f.List->Add(fvkBlanks, Null(), "(Blanks)");
    f.List->Add(fvkNonBlanks, Null(), "(NonBlanks)");
    // (All) 0, (Custom...) 1, (Blanks) 2, (NonBlanks) 3, a 4, b 5
    struct TCase {
        const char* Name;
        TqzFilterCriteriaItem* Condition;
        Integer Expected;
    };
    auto* nested = c.GetRoot()->AddList(fboOr);
    const std::vector<TCase> cases = {
        {"none", nullptr, -1},
        {"Name = Null", c.AddCondition(nullptr, c.Name(), fokEqual, Null()), 2},
        {"Name <> Null", c.AddCondition(nullptr, c.Name(), fokNotEqual, Null()), 3},
        {"Name = 'b'", c.AddCondition(nullptr, c.Name(), fokEqual, "b"), 5},
        {"Name = 'zz'", c.AddCondition(nullptr, c.Name(), fokEqual, "zz"), 0},
        {"Name > 'a'", c.AddCondition(nullptr, c.Name(), fokGreater, "a"), 1},
        {"Name = 'b' nested", nested->AddCondition(c.Name(), fokEqual, "b"), 1},
    };
    for (const TCase& tc : cases)
        EXPECT_EQ(f.List->IndexOfCondition(tc.Condition), tc.Expected) << tc.Name;

    // Without a (Blanks) entry there is none to answer.
    TValueListFixture bare;
    EXPECT_EQ(bare.List->IndexOfCondition(
                  bare.Criteria.AddCondition(nullptr, bare.Criteria.Name(), fokEqual, Null())),
              -1);
}
