#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "tests/support/TestSupport.h"

namespace {

using Lines = std::vector<String>;

Lines LinesOf(const TStrings& list) {
    Lines result;
    for (Integer i = 0; i < list.GetCount(); ++i) result.push_back(list.GetStrings(i));
    return result;
}

void Fill(TStrings& list, const Lines& lines) {
    list.Clear();
    for (const String& s : lines) list.Add(s);
}

template <class E, class F>
void ExpectError(F&& action, const String& message) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const E& e) {
        EXPECT_EQ(e.Message, message);
    }
}

// Counts the list's change events and keeps the text it saw at each.
class TSlChangeLog : public TObject {
    KOV_CLASS(TSlChangeLog, TObject)
public:
    void Attach(TStringList& list) {
        list.OnChanging = MakeEvent(this, &TSlChangeLog::ListChanging);
        list.OnChange = MakeEvent(this, &TSlChangeLog::ListChange);
    }
    void ListChanging(TObject* sender) {
        ++Changing;
        SeenBefore.push_back(static_cast<TStringList*>(sender)->GetCommaText());
    }
    void ListChange(TObject* sender) {
        ++Changed;
        SeenAfter.push_back(static_cast<TStringList*>(sender)->GetCommaText());
    }
    void Reset() {
        Changing = Changed = 0;
        SeenBefore.clear();
        SeenAfter.clear();
    }
    int Changing = 0;
    int Changed = 0;
    Lines SeenBefore;
    Lines SeenAfter;
};

class TSlObject : public TObject {
    KOV_CLASS(TSlObject, TObject)
};

TEST(StringLists, TextSplitsAtEveryLineEndAndWritesCrLf) {
    struct Case {
        const char* Name;
        String In;
        Lines Expected;
    };
    const std::vector<Case> cases = {
        {"empty", "", {}},
        {"one line without end", "a", {"a"}},
        {"crlf with trailing end", "a\r\nb\r\n", {"a", "b"}},
        {"mixed ends", "a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"empty line between", "a\n\nb", {"a", "", "b"}},
        {"empty last line", "a\r\n\r\n", {"a", ""}},
        {"only a line end", "\n", {""}},
        {"cr then crlf", "\r\r\n", {"", ""}},
        {"lf then cr", "\n\r", {"", ""}},
        {"bytes kept", "\xB2\xE2\xCA\xD4\x01\r\n\xE4\xB8\xAD", {"\xB2\xE2\xCA\xD4\x01", "\xE4\xB8\xAD"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TStringList list;
        list.Add("old");
        list.SetText(c.In);
        EXPECT_EQ(LinesOf(list), c.Expected);
        String out;
        for (const String& line : c.Expected) out += line + "\r\n";
        EXPECT_EQ(list.GetText(), out);
    }
}

TEST(StringLists, ErrorsCarryTheirTexts) {
    TStringList list;
    list.Add("b");
    list.Add("a");
    struct Case {
        const char* Name;
        std::function<void()> Action;
        String Message;
    };
    const std::vector<Case> unsorted = {
        {"read past the end", [&] { list.GetStrings(2); }, "List index out of bounds (2)"},
        {"object below zero", [&] { list.GetObjects(-1); }, "List index out of bounds (-1)"},
        {"write past the end", [&] { list.SetStrings(5, "x"); }, "List index out of bounds (5)"},
        {"delete past the end", [&] { list.Delete(2); }, "List index out of bounds (2)"},
        {"insert past the end", [&] { list.Insert(3, "x"); }, "List index out of bounds (3)"},
        {"exchange", [&] { list.Exchange(0, 7); }, "List index out of bounds (7)"},
        {"capacity below count", [&] { list.SetCapacity(1); }, "List capacity out of bounds (1)"},
    };
    for (const Case& c : unsorted) {
        SCOPED_TRACE(c.Name);
        ExpectError<EStringListError>(c.Action, c.Message);
    }

    list.SetSorted(true);
    list.SetDuplicates(dupError);
    const std::vector<Case> sorted = {
        {"insert", [&] { list.Insert(0, "c"); }, "Operation not allowed on sorted list"},
        {"insert object", [&] { list.InsertObject(0, "c", nullptr); }, "Operation not allowed on sorted list"},
        {"exchange", [&] { list.Exchange(0, 1); }, "Operation not allowed on sorted list"},
        {"write", [&] { list.SetStrings(0, "c"); }, "Operation not allowed on sorted list"},
        {"move", [&] { list.Move(0, 1); }, "Operation not allowed on sorted list"},
        {"duplicate", [&] { list.Add("A"); }, "String list does not allow duplicates"},
    };
    for (const Case& c : sorted) {
        SCOPED_TRACE(c.Name);
        ExpectError<EStringListError>(c.Action, c.Message);
        EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));  // nothing lost or added
    }
}

TEST(StringLists, CommaTextQuotesAndReadsBack) {
    struct Case {
        const char* Name;
        Lines Items;
        String Text;
    };
    const std::vector<Case> cases = {
        {"plain", {"a", "b", "c"}, "a,b,c"},
        {"blank, quote and trailing empty", {"a", "b c", "d\"e", ""}, "a,\"b c\",\"d\"\"e\","},
        {"single empty string", {""}, "\"\""},
        {"no strings", {}, ""},
        {"delimiter inside", {"a,b"}, "\"a,b\""},
        {"control character", {"tab\there"}, "\"tab\there\""},
        {"empty in the middle", {"x", "", "y"}, "x,,y"},
        {"leading empty", {"", "y"}, ",y"},
        {"utf-8 text needs no quotes", {"\xE4\xB8\xAD\xE6\x96\x87", "\xC3\xBC"}, "\xE4\xB8\xAD\xE6\x96\x87,\xC3\xBC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TStringList list;
        Fill(list, c.Items);
        EXPECT_EQ(list.GetCommaText(), c.Text);
        TStringList back;
        back.Add("old");
        back.SetCommaText(c.Text);
        EXPECT_EQ(LinesOf(back), c.Items);
    }
}

TEST(StringLists, CommaTextReadsLooseInput) {
    struct Case {
        const char* Name;
        String Text;
        Lines Expected;
    };
    const std::vector<Case> cases = {
        {"blanks around fields", "  a , b  ", {"a", "b"}},
        {"blank separates", "a b", {"a", "b"}},
        {"quoted field keeps blanks", "\"a b\" c", {"a b", "c"}},
        {"trailing delimiter", "a,", {"a", ""}},
        {"unclosed quote takes the rest", "x,\"open, end", {"x", "open, end"}},
        {"doubled quote", "\"a\"\"b\"", {"a\"b"}},
        {"text right after a quote", "\"a\"b,c", {"a", "b", "c"}},
        {"only blanks", "   ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TStringList list;
        list.SetCommaText(c.Text);
        EXPECT_EQ(LinesOf(list), c.Expected);
    }
}

TEST(StringLists, DelimitedTextUsesTheListsSettings) {
    struct Case {
        const char* Name;
        char Delimiter;
        char Quote;
        bool Strict;
        Lines Items;
        String Text;
    };
    const std::vector<Case> cases = {
        {"semicolon and apostrophe", ';', '\'', false, {"a b", "c;d", "it's", "e,f"}, "'a b';'c;d';'it''s';e,f"},
        {"strict keeps blanks unquoted", ';', '"', true, {"a b", " c", "d;e"}, "a b; c;\"d;e\""},
        {"strict pipe", '|', '"', true, {"one two", "", "three"}, "one two||three"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TStringList list;
        list.SetDelimiter(c.Delimiter);
        list.SetQuoteChar(c.Quote);
        list.SetStrictDelimiter(c.Strict);
        Fill(list, c.Items);
        EXPECT_EQ(list.GetDelimitedText(), c.Text);
        list.SetDelimitedText(c.Text);
        EXPECT_EQ(LinesOf(list), c.Items);
    }

    // CommaText keeps to its own rules whatever the list's settings.
    TStringList list;
    list.SetDelimiter(';');
    list.SetStrictDelimiter(true);
    list.SetCommaText("a b,c");
    EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
    EXPECT_EQ(list.GetDelimitedText(), "a;b;c");
}

TEST(StringLists, NamesAndValues) {
    TStringList list;
    Fill(list, {"Key=1", "other=x=y", "noname", "=empty"});
    EXPECT_EQ(list.GetName(0), "Key");
    EXPECT_EQ(list.GetName(1), "other");
    EXPECT_EQ(list.GetName(2), "");
    EXPECT_EQ(list.GetName(3), "");
    EXPECT_EQ(list.GetValue("key"), "1");  // names compare without case
    EXPECT_EQ(list.GetValue("other"), "x=y");
    EXPECT_EQ(list.GetValue("missing"), "");
    EXPECT_EQ(list.GetValue("noname"), "");
    EXPECT_EQ(list.GetValue(""), "empty");
    EXPECT_EQ(list.IndexOfName("OTHER"), 1);
    EXPECT_EQ(list.IndexOfName("noname"), -1);
    EXPECT_EQ(list.GetValueFromIndex(1), "x=y");
    EXPECT_EQ(list.GetValueFromIndex(2), "");

    list.SetValue("key", "2");  // replaced in place, with the name as given
    list.SetValue("new", "v");  // appended
    list.SetValue("other", "");  // deleted
    EXPECT_EQ(LinesOf(list), (Lines{"key=2", "noname", "=empty", "new=v"}));
    list.SetValueFromIndex(1, "n");
    list.SetValueFromIndex(3, "");
    EXPECT_EQ(LinesOf(list), (Lines{"key=2", "=n", "=empty"}));

    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOfName("KEY"), -1);
    EXPECT_EQ(list.IndexOfName("key"), 0);

    TStringList colon;
    colon.SetNameValueSeparator(':');
    colon.Add("host:example:80");
    EXPECT_EQ(colon.GetName(0), "host");
    EXPECT_EQ(colon.GetValue("HOST"), "example:80");
}

TEST(StringLists, ValuesOfASortedListStayInOrder) {
    TStringList list;
    list.SetSorted(true);
    list.Add("b=1");
    list.AddObject("c=1", nullptr);
    TSlObject tag;
    list.SetObjects(list.IndexOf("b=1"), &tag);
    list.SetValue("b", "9");  // the changed line keeps its object
    list.SetValue("a", "5");
    EXPECT_EQ(LinesOf(list), (Lines{"a=5", "b=9", "c=1"}));
    EXPECT_EQ(list.GetObjects(1), &tag);
    list.SetValueFromIndex(2, "0");
    EXPECT_EQ(LinesOf(list), (Lines{"a=5", "b=9", "c=0"}));
}

TEST(StringLists, SortedListsAndDuplicates) {
    struct Case {
        TDuplicates Mode;
        Lines Expected;
        Integer IndexOfRepeat;  // what Add("B") returns; -1 when it raises
    };
    const std::vector<Case> cases = {
        {dupIgnore, {"a", "b", "c"}, 1},
        {dupAccept, {"a", "B", "b", "c"}, 1},
        {dupError, {"a", "b", "c"}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Mode));
        TStringList list;
        list.SetDuplicates(c.Mode);
        list.SetSorted(true);
        EXPECT_EQ(list.Add("c"), 0);
        EXPECT_EQ(list.Add("a"), 0);
        EXPECT_EQ(list.Add("b"), 1);
        if (c.IndexOfRepeat < 0) {
            EXPECT_THROW(list.Add("B"), EStringListError);
        } else {
            EXPECT_EQ(list.Add("B"), c.IndexOfRepeat);
        }
        EXPECT_EQ(LinesOf(list), c.Expected);
    }

    // Duplicates apply to sorted lists only: an unsorted list takes everything.
    TStringList unsorted;
    unsorted.SetDuplicates(dupError);
    unsorted.Add("x");
    EXPECT_EQ(unsorted.Add("x"), 1);

    // Switching Sorted on sorts the list.
    Fill(unsorted, {"pear", "Apple", "fig"});
    unsorted.SetSorted(true);
    EXPECT_EQ(LinesOf(unsorted), (Lines{"Apple", "fig", "pear"}));
}

TEST(StringLists, FindOnSortedLists) {
    TStringList list;
    list.SetSorted(true);
    Fill(list, {"cherry", "apple", "banana"});
    struct Case {
        String Key;
        bool Found;
        Integer Index;
    };
    const std::vector<Case> cases = {
        {"banana", true, 1}, {"BANANA", true, 1}, {"blueberry", false, 2},
        {"zzz", false, 3},   {"", false, 0},      {"apple", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Key);
        Integer index = -7;
        EXPECT_EQ(list.Find(c.Key, index), c.Found);
        EXPECT_EQ(index, c.Index);
        EXPECT_EQ(list.IndexOf(c.Key), c.Found ? c.Index : -1);
    }

    TStringList many;
    many.SetDuplicates(dupAccept);
    many.SetSorted(true);
    Fill(many, {"b", "c", "b", "a", "b"});
    Integer index = -1;
    EXPECT_TRUE(many.Find("b", index));
    EXPECT_EQ(index, 1);  // the first of the equal strings
}

TEST(StringLists, CaseSensitivityDecidesSearchAndOrder) {
    TStringList list;
    Fill(list, {"hello", "World"});
    EXPECT_EQ(list.IndexOf("HELLO"), 0);
    EXPECT_EQ(list.IndexOf("\xC3\x9C" "ber"), -1);
    list.Add("\xC3\xBC" "ber");  // "über"
    EXPECT_EQ(list.IndexOf("\xC3\x9C" "BER"), 2);  // Unicode case folding, not ASCII only
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("HELLO"), -1);
    EXPECT_EQ(list.IndexOf("hello"), 0);

    TStringList sorted;
    sorted.SetDuplicates(dupAccept);
    sorted.SetSorted(true);
    Fill(sorted, {"b", "B", "a", "A"});
    sorted.SetCaseSensitive(true);  // sorted again: lower case before upper case
    EXPECT_EQ(LinesOf(sorted), (Lines{"a", "A", "b", "B"}));
    EXPECT_EQ(sorted.IndexOf("B"), 3);
    EXPECT_EQ(sorted.IndexOf("A"), 1);
    sorted.SetDuplicates(dupError);
    EXPECT_EQ(sorted.Add("c"), 4);
    EXPECT_THROW(sorted.Add("B"), EStringListError);
    sorted.SetDuplicates(dupAccept);
    sorted.SetCaseSensitive(false);
    Integer index = -1;
    EXPECT_TRUE(sorted.Find("C", index));
    EXPECT_EQ(index, 4);
}

TEST(StringLists, ChangeEventsFireOncePerOutermostUpdate) {
    TStringList list;
    TSlChangeLog log;
    log.Attach(list);

    list.Add("a");
    EXPECT_EQ(log.Changing, 1);
    EXPECT_EQ(log.Changed, 1);
    EXPECT_EQ(log.SeenBefore, (Lines{""}));  // OnChanging sees the list as it was
    EXPECT_EQ(log.SeenAfter, (Lines{"a"}));

    log.Reset();
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("b");
    list.SetStrings(0, "z");
    list.Delete(1);
    list.EndUpdate();
    EXPECT_EQ(log.Changed, 0);
    list.Add("c");
    list.EndUpdate();
    EXPECT_EQ(log.Changing, 1);
    EXPECT_EQ(log.Changed, 1);
    EXPECT_EQ(log.SeenAfter, (Lines{"z,c"}));

    struct Case {
        const char* Name;
        std::function<void()> Action;
        int Expected;
    };
    TStringList other;
    Fill(other, {"p", "q"});
    const std::vector<Case> cases = {
        {"text", [&] { list.SetText("x\ny\nz"); }, 1},
        {"comma text", [&] { list.SetCommaText("x,y"); }, 1},
        {"assign", [&] { list.Assign(&other); }, 1},
        {"add strings", [&] { list.AddStrings(&other); }, 1},
        {"sort", [&] { list.Sort(); }, 1},
        {"move", [&] { list.Move(0, 2); }, 1},
        {"exchange", [&] { list.Exchange(0, 1); }, 1},
        {"value", [&] { list.SetValue("k", "v"); }, 1},
        {"clear", [&] { list.Clear(); }, 1},
        {"clear when empty", [&] { list.Clear(); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        log.Reset();
        c.Action();
        EXPECT_EQ(log.Changing, c.Expected);
        EXPECT_EQ(log.Changed, c.Expected);
    }
}

TEST(StringLists, ObjectsTravelWithTheirStrings) {
    TSlObject one, two, three;
    TStringList list;
    EXPECT_EQ(list.AddObject("one", &one), 0);
    list.AddObject("two", &two);
    list.InsertObject(0, "three", &three);
    list.Move(0, 2);
    EXPECT_EQ(LinesOf(list), (Lines{"one", "two", "three"}));
    EXPECT_EQ(list.GetObjects(2), &three);
    list.Exchange(0, 1);
    EXPECT_EQ(list.GetObjects(0), &two);
    EXPECT_EQ(list.IndexOfObject(&one), 1);
    EXPECT_EQ(list.IndexOfObject(nullptr), -1);

    TStringList copy;
    copy.Add("old");
    copy.Assign(&list);
    EXPECT_TRUE(copy.Equals(&list));
    EXPECT_EQ(copy.GetObjects(1), &one);
    copy.Assign(&copy);  // assigning a list to itself keeps it
    EXPECT_TRUE(copy.Equals(&list));
    copy.AddStrings(&copy);  // its own strings, once
    EXPECT_EQ(copy.GetCount(), 6);
    EXPECT_FALSE(copy.Equals(&list));

    TStringList differentCase;
    Fill(differentCase, {"TWO", "one", "three"});
    EXPECT_FALSE(differentCase.Equals(&list));  // Equals compares bytes

    ExpectError<EConvertError>([&] { copy.Assign(nullptr); }, "Cannot assign a nil to a TStringList");
}

TEST(StringLists, CustomSortAndSortLeaveSortedListsAlone) {
    TStringList list;
    Fill(list, {"ccc", "a", "bb", "dd"});
    auto byLength = [](TStringList* l, Integer i, Integer j) {
        const auto a = l->GetStrings(i).size(), b = l->GetStrings(j).size();
        if (a != b) return a < b ? -1 : 1;
        return AnsiCompareText(l->GetStrings(i), l->GetStrings(j));
    };
    list.CustomSort(byLength);
    EXPECT_EQ(LinesOf(list), (Lines{"a", "bb", "dd", "ccc"}));
    list.Sort();
    EXPECT_EQ(LinesOf(list), (Lines{"a", "bb", "ccc", "dd"}));

    list.SetSorted(true);
    list.CustomSort(byLength);  // a sorted list keeps its order
    EXPECT_EQ(LinesOf(list), (Lines{"a", "bb", "ccc", "dd"}));
}

TEST(StringLists, FilesAndStreamsKeepTheBytes) {
    testsupport::TempDir dir;
    const String path = dir.File("lines.txt");
    testsupport::WriteFileBytes(path, "first\nsecond\r\n\xB2\xE2\xCA\xD4\rlast");

    TStringList list;
    list.LoadFromFile(path);
    EXPECT_EQ(LinesOf(list), (Lines{"first", "second", "\xB2\xE2\xCA\xD4", "last"}));
    list.SetStrings(0, "1st");
    const String saved = dir.File("saved.txt");
    list.SaveToFile(saved);
    EXPECT_EQ(testsupport::ReadFileBytes(saved), "1st\r\nsecond\r\n\xB2\xE2\xCA\xD4\r\nlast\r\n");

    TStringStream stream("skip\r\nx\r\ny");
    stream.SetPosition(6);  // reading starts where the stream stands
    list.LoadFromStream(&stream);
    EXPECT_EQ(LinesOf(list), (Lines{"x", "y"}));
    TStringStream out;
    list.SaveToStream(&out);
    EXPECT_EQ(out.GetDataString(), "x\r\ny\r\n");

    EXPECT_THROW(list.LoadFromFile(dir.File("missing.txt")), EFOpenError);
    EXPECT_EQ(LinesOf(list), (Lines{"x", "y"}));  // a failed load keeps the lines
}

TEST(StringLists, MadeByClassReference) {
    TObject* made = TStringList::StaticClass()->Create();
    auto* list = dynamic_cast<TStringList*>(made);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Add("a"), 0);
    EXPECT_EQ(list->Add("b"), 1);
    EXPECT_EQ(list->Add("c"), 2);
    EXPECT_EQ(list->GetCount(), 3);
    delete made;
}

}  // namespace
