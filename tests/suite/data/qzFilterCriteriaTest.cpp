// Filter criteria: evaluation and its options, change notification, copying, removing item
// links, component streaming and the binary image.
#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/Streams.h"
#include "suite/data/qzFilter.h"
#include "tests/suite/data/FilterFixture.h"
#include "tests/support/TestSupport.h"

using namespace filtertest;

namespace {

String Bytes(std::initializer_list<int> values) {
    String result;
    for (int v : values)
        result.push_back(char(v));
    return result;
}

// The message of the exception action raises ("" when none).
template <class E, class F> String ErrorOf(F action) {
    try {
        action();
    } catch (const E& e) {
        return e.Message;
    }
    return "";
}

} // namespace

TEST(qzFilterCriteriaTest, EmptyFilterAcceptsEveryRecord) {
    TTableCriteria criteria;
    const Integer row = criteria.AddRow(criteria.Name(), "x");
    EXPECT_TRUE(criteria.IsEmpty());
    EXPECT_FALSE(criteria.HasFilter());
    EXPECT_TRUE(criteria.FilterRecord(row));
    EXPECT_EQ(criteria.GetFilterText(), "");
    EXPECT_EQ(criteria.GetFilterCaption(), "");
    // A root of another kind filters, though it has nothing to test yet.
    criteria.GetRoot()->SetBoolOperatorKind(fboNotOr);
    EXPECT_TRUE(criteria.HasFilter());
    EXPECT_TRUE(criteria.FilterRecord(row));
}

TEST(qzFilterCriteriaTest, ListKindsJoinTheirChildren) {
    struct TCase {
        TqzFilterBoolOperatorKind Kind;
        bool Results[4]; // for (A, B): FF, FT, TF, TT
        const char* Text;
        const char* Caption;
    };
    const std::vector<TCase> cases = {
        {fboAnd, {false, false, false, true}, "(ID > 1) AND (Name = 'x')", "(Number > 1) and (Customer = x)"},
        {fboOr, {false, true, true, true}, "(ID > 1) OR (Name = 'x')", "(Number > 1) or (Customer = x)"},
        {fboNotAnd,
         {true, true, true, false},
         "NOT ((ID > 1) AND (Name = 'x'))",
         "not ((Number > 1) and (Customer = x))"},
        {fboNotOr,
         {true, false, false, false},
         "NOT ((ID > 1) OR (Name = 'x'))",
         "not ((Number > 1) or (Customer = x))"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        TTableCriteria criteria;
        criteria.GetRoot()->SetBoolOperatorKind(c.Kind);
        criteria.AddCondition(nullptr, criteria.ID(), fokGreater, 1, "1");
        criteria.AddCondition(nullptr, criteria.Name(), fokEqual, "x", "x");
        const std::pair<int, const char*> records[] = {{0, "y"}, {0, "x"}, {2, "y"}, {2, "x"}};
        for (int i = 0; i < 4; ++i) {
            const Integer row =
                criteria.AddRecord({{criteria.ID(), records[i].first}, {criteria.Name(), records[i].second}});
            EXPECT_EQ(criteria.FilterRecord(row), c.Results[i]) << "record " << i;
        }
        EXPECT_EQ(criteria.GetFilterText(), c.Text);
        EXPECT_EQ(criteria.GetFilterCaption(), c.Caption);
    }

    // A nested list in parentheses; every child is evaluated, also after the answer is known.
    TTableCriteria criteria;
    criteria.AddCondition(nullptr, criteria.Price(), fokLess, 10, "10");
    auto* list = criteria.GetRoot()->AddList(fboOr);
    list->AddCondition(criteria.ID(), fokGreater, 1, "1");
    list->AddCondition(criteria.Name(), fokEqual, "x", "x");
    EXPECT_EQ(criteria.GetFilterText(), "(Price < 10) AND ((ID > 1) OR (Name = 'x'))");
    const Integer row =
        criteria.AddRecord({{criteria.Price(), 5}, {criteria.ID(), 2}, {criteria.Name(), "y"}});
    criteria.Reads = 0;
    EXPECT_TRUE(criteria.FilterRecord(row));
    EXPECT_EQ(criteria.Reads, 3);
}

TEST(qzFilterCriteriaTest, NullTestsAndNullOptions) {
    struct TCase {
        TqzFilterCriteriaOptions Options;
        TqzFilterOperatorKind Kind;
        Variant Value;
        bool NullTest;
        bool Results[3]; // records Null, "", "a"
    };
    const std::vector<TCase> cases = {
        {{}, fokEqual, Null(), true, {true, false, false}},
        {{}, fokNotEqual, Null(), true, {false, true, true}},
        {{}, fokEqual, "", false, {false, true, false}},
        {{fcoSoftNull}, fokEqual, "", true, {true, true, false}},
        {{fcoSoftNull}, fokNotLike, "", true, {false, false, true}},
        {{}, fokNotEqual, "x", false, {true, true, true}},
        {{fcoIgnoreNull}, fokNotEqual, "x", false, {false, true, true}},
        {{fcoIgnoreNull, fcoSoftNull}, fokNotEqual, "x", false, {false, false, true}},
        {{fcoIgnoreNull}, fokEqual, Null(), true, {true, false, false}},
        {{fcoIgnoreNull}, fokLess, "b", false, {false, true, true}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TCase& c = cases[i];
        SCOPED_TRACE(i);
        TTableCriteria criteria;
        criteria.SetOptions(c.Options);
        auto* condition = criteria.AddCondition(nullptr, criteria.Name(), c.Kind, c.Value);
        EXPECT_EQ(condition->GetOperator()->IsNullTest(), c.NullTest);
        const Variant records[] = {Null(), "", "a"};
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(criteria.FilterRecord(criteria.AddRow(criteria.Name(), records[r])), c.Results[r]) << r;
    }
}

TEST(qzFilterCriteriaTest, SoftCompareTurnsVariantErrorsIntoFailedConditions) {
    struct TCase {
        TqzFilterOperatorKind Kind;
        Variant Value;
        bool OneMatches; // the record "1", which converts
    };
    const std::vector<TCase> cases = {{fokLess, 1, false},
                                      {fokEqual, 1, true},
                                      {fokGreaterEqual, 1, true},
                                      {fokBetween, Array({1, 5}), true},
                                      {fokInList, Array({1, 2}), true}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(int(c.Kind));
        TTableCriteria criteria;
        criteria.AddCondition(nullptr, criteria.Name(), c.Kind, c.Value);
        const Integer abc = criteria.AddRow(criteria.Name(), "abc");
        EXPECT_THROW(criteria.FilterRecord(abc), EVariantError);
        criteria.SetOptions({fcoSoftCompare});
        EXPECT_FALSE(criteria.FilterRecord(abc));
        // Comparable values still compare.
        EXPECT_EQ(criteria.FilterRecord(criteria.AddRow(criteria.Name(), "1")), c.OneMatches);
    }
}

TEST(qzFilterCriteriaTest, CaseInsensitiveAndCurrencyValuesArePrepared) {
    TTableCriteria criteria;
    criteria.AddCondition(nullptr, criteria.Name(), fokEqual, "ABC");
    const Integer lower = criteria.AddRow(criteria.Name(), "abc");
    EXPECT_FALSE(criteria.FilterRecord(lower));
    criteria.SetOptions({fcoCaseInsensitive});
    EXPECT_TRUE(criteria.FilterRecord(lower));
    EXPECT_EQ(VarType(criteria.PrepareValue(Currency(2.5))), varDouble);
}

TEST(qzFilterCriteriaTest, LikeUsesTheCriteriaWildcards) {
    TTableCriteria criteria;
    criteria.AddCondition(nullptr, criteria.Name(), fokLike, "_b%");
    // One character is one code point, however many bytes it takes.
    const Integer wide = criteria.AddRow(criteria.Name(), String("\xE4\xB8\xAD") + "bx");
    const Integer literal = criteria.AddRow(criteria.Name(), "_b%");
    const Integer twoBeforeB = criteria.AddRow(criteria.Name(), "aabx");
    EXPECT_TRUE(criteria.FilterRecord(wide));
    EXPECT_TRUE(criteria.FilterRecord(literal));
    EXPECT_FALSE(criteria.FilterRecord(twoBeforeB));
    criteria.SetPercentWildcard('*');
    criteria.SetUnderscoreWildcard('?');
    EXPECT_FALSE(criteria.FilterRecord(wide)); // "_" and "%" now stand for themselves
    EXPECT_TRUE(criteria.FilterRecord(literal));
    static_cast<TqzFilterCriteriaItem*>(criteria.GetRoot()->Items(0))->SetValue("?b*");
    EXPECT_TRUE(criteria.FilterRecord(wide));
    EXPECT_FALSE(criteria.FilterRecord(twoBeforeB));
}

TEST(qzFilterCriteriaTest, ChangesNotifyOnceWhenTheOutermostBracketCloses) {
    TTableCriteria criteria;
    TChangeCounter changes(criteria);
    criteria.AddCondition(nullptr, criteria.Name(), fokEqual, "x");
    EXPECT_EQ(changes.Count, 1);
    criteria.SetOptions({});
    criteria.SetPercentWildcard('%');
    EXPECT_EQ(changes.Count, 1); // nothing changed

    changes.Count = 0;
    criteria.BeginUpdate();
    criteria.BeginUpdate();
    auto* list = criteria.GetRoot()->AddList(fboOr);
    list->AddCondition(criteria.ID(), fokLess, 3);
    criteria.SetOptions({fcoSoftNull});
    criteria.SetDateTimeFormat("yyyy");
    criteria.EndUpdate();
    EXPECT_EQ(changes.Count, 0);
    criteria.EndUpdate();
    EXPECT_EQ(changes.Count, 1);

    changes.Count = 0;
    criteria.ClearTree();
    EXPECT_EQ(changes.Count, 1);
    EXPECT_TRUE(criteria.IsEmpty());
}

TEST(qzFilterCriteriaTest, AssignCopiesSettingsTreeAndEvents) {
    auto build = [](TTableCriteria& c, bool reversed) {
        c.BeginUpdate();
        auto* list = c.GetRoot()->AddList(fboNotOr);
        if (reversed) list->AddCondition(c.Price(), fokBetween, Array({1, 5}), "1;5");
        list->AddCondition(c.Name(), fokLike, "a%", "a%");
        if (!reversed) list->AddCondition(c.Price(), fokBetween, Array({1, 5}), "1;5");
        c.EndUpdate();
    };
    TTableCriteria source;
    build(source, false);
    source.SetDateTimeFormat("yyyy-mm-dd");
    source.SetMaxValueListCount(7);
    source.SetOptions({fcoCaseInsensitive});
    source.SetTranslateIn(true);
    source.SetTranslateBetween(true);
    source.SetSupportedLike(false);
    source.SetUnderscoreWildcard('?');
    TChangeCounter changes(source);

    TTableCriteria same;
    same.SetDateTimeFormat("yyyy-mm-dd");
    same.SetMaxValueListCount(7);
    same.SetOptions({fcoCaseInsensitive});
    same.SetTranslateIn(true);
    same.SetTranslateBetween(true);
    same.SetSupportedLike(false);
    same.SetUnderscoreWildcard('?');
    build(same, false);
    const std::string before = ImageOf(same);
    same.Assign(&source);
    EXPECT_EQ(changes.Count, 0); // identical: no change, the tree left alone
    EXPECT_EQ(ImageOf(same), before);
    EXPECT_TRUE(same.OnChanged == source.OnChanged);

    TTableCriteria other;
    build(other, true);
    other.Assign(&source);
    EXPECT_EQ(changes.Count, 1);
    EXPECT_EQ(ImageOf(other), ImageOf(source));
    EXPECT_EQ(other.GetFilterText(), source.GetFilterText());
    EXPECT_EQ(other.GetDateTimeFormat(), "yyyy-mm-dd");
    EXPECT_EQ(other.GetMaxValueListCount(), 7);
    EXPECT_TRUE(other.GetOptions() == TqzFilterCriteriaOptions{fcoCaseInsensitive});
    EXPECT_TRUE(other.GetTranslateIn());
    EXPECT_TRUE(other.GetTranslateBetween());
    EXPECT_FALSE(other.GetSupportedLike());
    EXPECT_EQ(other.GetUnderscoreWildcard(), '?');

    other.RestoreDefaults();
    EXPECT_TRUE(other.GetOptions() == TqzFilterCriteriaOptions{});
    EXPECT_FALSE(other.GetTranslateIn());
    EXPECT_TRUE(other.GetSupportedLike());
    EXPECT_EQ(other.GetUnderscoreWildcard(), '_');
}

TEST(qzFilterCriteriaTest, RemovingAnItemLinkTidiesTheLists) {
    // A nested AND list left with one child gives way to it; the child goes last.
    {
        TTableCriteria criteria;
        auto* list = criteria.GetRoot()->AddList(fboAnd);
        list->AddCondition(criteria.ID(), fokGreater, 1);
        list->AddCondition(criteria.Name(), fokEqual, "x");
        criteria.AddCondition(nullptr, criteria.Price(), fokLess, 9);
        TChangeCounter changes(criteria);
        criteria.RemoveItemLink(criteria.ID());
        EXPECT_EQ(changes.Count, 1);
        EXPECT_EQ(criteria.GetFilterText(), "(Price < 9) AND (Name = 'x')");
        EXPECT_EQ(criteria.GetRoot()->Count(), 2);
    }
    // A NOT OR list keeps its one child, so the filter keeps its sense.
    {
        TTableCriteria criteria;
        auto* list = criteria.GetRoot()->AddList(fboNotOr);
        list->AddCondition(criteria.ID(), fokGreater, 1);
        list->AddCondition(criteria.Name(), fokEqual, "x");
        criteria.RemoveItemLink(criteria.ID());
        EXPECT_EQ(criteria.GetFilterText(), "(NOT ((Name = 'x')))");
        EXPECT_FALSE(criteria.FilterRecord(criteria.AddRow(criteria.Name(), "x")));
        EXPECT_TRUE(criteria.FilterRecord(criteria.AddRow(criteria.Name(), "y")));
    }
    // Emptied lists go, climbing; the root stays; every condition of the link goes.
    {
        TTableCriteria criteria;
        auto* outer = criteria.GetRoot()->AddList(fboOr);
        auto* inner = outer->AddList(fboAnd);
        inner->AddCondition(criteria.ID(), fokGreater, 1);
        inner->AddCondition(criteria.ID(), fokLess, 5);
        criteria.AddCondition(nullptr, criteria.Name(), fokEqual, "x");
        criteria.AddCondition(nullptr, criteria.ID(), fokEqual, 3);
        criteria.RemoveItemLink(criteria.ID());
        EXPECT_EQ(criteria.GetFilterText(), "(Name = 'x')");
        EXPECT_EQ(criteria.FindByItemLink(criteria.ID()), nullptr);
    }
    // Nothing to remove: no change.
    {
        TTableCriteria criteria;
        criteria.AddCondition(nullptr, criteria.Name(), fokEqual, "x");
        TChangeCounter changes(criteria);
        criteria.RemoveItemLink(criteria.Price());
        EXPECT_EQ(changes.Count, 0);
        EXPECT_FALSE(criteria.IsLocked());
    }
}

TEST(qzFilterCriteriaTest, ComponentStreamCarriesThePublishedSettings) {
    TTableCriteria source;
    source.SetOptions({fcoCaseInsensitive, fcoSoftNull});
    source.SetPercentWildcard('*');
    source.SetUnderscoreWildcard('?');
    source.SetMaxValueListCount(5);
    TMemoryStream stream;
    source.WriteToComponentStream(&stream);

    TTableCriteria target;
    target.AddCondition(nullptr, target.Name(), fokEqual, "x");
    TChangeCounter changes(target);
    stream.Seek(0, soBeginning);
    target.ReadFromComponentStream(&stream);
    EXPECT_EQ(changes.Count, 1);
    EXPECT_TRUE((target.GetOptions() == TqzFilterCriteriaOptions{fcoCaseInsensitive, fcoSoftNull}));
    EXPECT_EQ(target.GetPercentWildcard(), '*');
    EXPECT_EQ(target.GetUnderscoreWildcard(), '?');
    EXPECT_EQ(target.GetMaxValueListCount(), 5);
    EXPECT_EQ(target.GetFilterText(), "(Name = 'x')"); // the tree is no published property
}

// ---- Binary image --------------------------------------------------------------------------------

TEST(qzFilterImageTest, ExactBytesAndRoundTrips) {
    struct TCase {
        const char* Name;
        void (*Build)(TTableCriteria&);
        String Bytes;
        const char* Text;
    };
    const std::vector<TCase> cases = {
        {"empty", [](TTableCriteria&) {}, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0}), ""},
        {"Name = 'x'", [](TTableCriteria& c) { c.AddCondition(nullptr, c.Name(), fokEqual, "x", "x"); },
         Bytes({0xFF,         0xFF, 0xFF, 0xFF, 0, 1,   0, 0, 0, /*condition*/ 0,
                /*equal*/ 0,  1,    0,    0,    0, 'x', 2, 0, 0, 0,
                /*string*/ 6, 1,    'x'}),
         "(Name = 'x')"},
        {"nested list",
         [](TTableCriteria& c) {
             c.GetRoot()->SetBoolOperatorKind(fboOr);
             c.GetRoot()->AddList(fboNotAnd)->AddCondition(c.ID(), fokGreater, 1, "1");
         },
         Bytes({0xFF, 0xFF, 0xFF, 0xFF, 1, 1,   0, 0, 0, /*list*/ 1, 2,          1, 0, 0, 0, /*condition*/ 0,
                4,    1,    0,    0,    0, '1', 0, 0, 0, 0,          /*int8*/ 2, 1}),
         "(NOT ((ID > 1)))"},
        {"between",
         [](TTableCriteria& c) {
             c.AddCondition(nullptr, c.Price(), fokBetween, Array({1, 5}), "1;5");
         },
         Bytes({0xFF,
                0xFF,
                0xFF,
                0xFF,
                0,
                1,
                0,
                0,
                0,
                0,
                8,
                3,
                0,
                0,
                0,
                '1',
                ';',
                '5',
                1,
                0,
                0,
                0,
                /*list of 2*/ 1,
                2,
                2,
                2,
                1,
                2,
                5}),
         "(Price BETWEEN 1 AND 5)"},
        {"UTF-8 display value",
         [](TTableCriteria& c) {
             c.AddCondition(nullptr, c.Name(), fokLike, "\xE4\xB8\xAD%", "\xE4\xB8\xAD%");
         },
         Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 0, 0, 0, 0, 6,    4,    0,    0,  0,
                0xE4, 0xB8, 0xAD, '%',  2, 0, 0, 0, 6, 4, 0xE4, 0xB8, 0xAD, '%'}),
         "(Name LIKE '\xE4\xB8\xAD%')"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTableCriteria criteria;
        c.Build(criteria);
        EXPECT_EQ(ImageOf(criteria), c.Bytes);
        TTableCriteria copy;
        TChangeCounter changes(copy);
        ReadImage(copy, c.Bytes);
        EXPECT_EQ(changes.Count, copy.IsEmpty() ? 0 : 1); // reading an empty image changes nothing
        EXPECT_EQ(ImageOf(copy), c.Bytes);
        EXPECT_EQ(copy.GetFilterText(), c.Text);
    }
}

TEST(qzFilterImageTest, OlderFormHasAnAndRoot) {
    TTableCriteria criteria;
    criteria.GetRoot()->SetBoolOperatorKind(fboOr);
    ReadImage(criteria, Bytes({1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'x', 2, 0, 0, 0, 6, 1, 'x'}));
    EXPECT_EQ(criteria.GetRoot()->GetBoolOperatorKind(), fboAnd);
    EXPECT_EQ(criteria.GetFilterText(), "(Name = 'x')");
}

TEST(qzFilterImageTest, ImagesTellTheBuildOrder) {
    auto build = [](TTableCriteria& c, bool nameFirst) {
        if (nameFirst) c.AddCondition(nullptr, c.Name(), fokEqual, "x");
        c.AddCondition(nullptr, c.ID(), fokLess, 3);
        if (!nameFirst) c.AddCondition(nullptr, c.Name(), fokEqual, "x");
    };
    TTableCriteria a, b, c;
    build(a, true);
    build(b, true);
    build(c, false);
    EXPECT_EQ(ImageOf(a), ImageOf(b));
    EXPECT_NE(ImageOf(a), ImageOf(c));
}

TEST(qzFilterImageTest, DamagedImagesRaiseReadErrors) {
    TTableCriteria source;
    source.GetRoot()->AddList(fboOr)->AddCondition(source.ID(), fokGreater, 1, "1");
    source.AddCondition(nullptr, source.Price(), fokBetween, Array({1, 5}), "1;5");
    const std::string whole = ImageOf(source);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        TTableCriteria criteria;
        criteria.AddCondition(nullptr, criteria.Name(), fokEqual, "old");
        TChangeCounter changes(criteria);
        EXPECT_EQ(ErrorOf<EReadError>([&] { ReadImage(criteria, whole.substr(0, length)); }),
                  "Stream read error");
        EXPECT_EQ(changes.Count, 1);
        EXPECT_FALSE(criteria.IsLocked());
    }

    const String nameIsX =
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'x', 2, 0, 0, 0, 6, 1, 'x'});
    auto patched = [&](std::size_t offset, std::initializer_list<int> bytes) {
        String image = nameIsX;
        for (int b : bytes)
            image[offset++] = char(b);
        return image;
    };
    const std::vector<std::pair<const char*, String>> damaged = {
        {"operator kind 200", patched(10, {200})},
        {"operator kind 24", patched(10, {24})},
        {"root count -1", patched(5, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"root kind 4", patched(4, {4})},
        {"is-list byte 2", patched(9, {2})},
        {"display value longer than the image", patched(11, {0xFF, 0xFF, 0, 0})},
        {"unknown variant tag", patched(20, {0x77})},
        {"nested count -1", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 0, 0, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF})},
    };
    for (const auto& [name, image] : damaged) {
        SCOPED_TRACE(name);
        TTableCriteria criteria;
        EXPECT_EQ(ErrorOf<EReadError>([&] { ReadImage(criteria, image); }), "Stream read error");
    }

    // What was read before the damage stays.
    String twoConditions = nameIsX;
    twoConditions[5] = 2;
    twoConditions += Bytes({0, 200});
    TTableCriteria partial;
    EXPECT_EQ(ErrorOf<EReadError>([&] { ReadImage(partial, twoConditions); }), "Stream read error");
    EXPECT_EQ(partial.GetFilterText(), "(Name = 'x')");
}

TEST(qzFilterImageTest, DeeplyNestedListsStopAtTheNestingLimit) {
    String image = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 0, 0, 0});
    for (int i = 0; i < 5000; ++i)
        image += Bytes({1, 0, 1, 0, 0, 0});
    TTableCriteria criteria;
    TChangeCounter changes(criteria);
    EXPECT_EQ(ErrorOf<EReadError>([&] { ReadImage(criteria, image); }), "Stream read error");
    EXPECT_EQ(changes.Count, 1);
    int depth = 0;
    for (TqzCustomFilterCriteriaItem* item = criteria.GetRoot()->Items(0); item != nullptr;
         item = static_cast<TqzFilterCriteriaItemList*>(item)->Items(0)) {
        ASSERT_TRUE(item->IsList());
        ++depth;
    }
    EXPECT_EQ(depth, 1000);
}
