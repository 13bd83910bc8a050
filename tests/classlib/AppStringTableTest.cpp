// The numbered texts: registered tables, RT_STRING resources and the formatting of FmtLoadStr.
#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/StrTables.h"
#include "platform/runtime/Resources.h"

namespace {

// Numbers of this test's own, far from the ones the program's units register.
constexpr Integer kBase = 59000;

struct TScopedStrings {
    std::vector<Integer> Idents;
    ~TScopedStrings() {
        for (Integer id : Idents)
            UnregisterResourceString(id);
    }
    void Add(Integer id, const String& text) {
        RegisterResourceString(id, text);
        Idents.push_back(id);
    }
};

// An RT_STRING block for the numbers 60000..60015 (block 3751): entry 60001 is "Abc", entry 60003
// is "数据 %d", the rest are empty.
const unsigned char kBlock[] = {
    0, 0,                                   // 60000
    3, 0, 'A', 0, 'b', 0, 'c', 0,           // 60001
    0, 0,                                   // 60002
    5, 0, 0x70, 0x65, 0x6E, 0x63, ' ', 0, '%', 0, 'd', 0, // 60003
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// A block cut short after its first entry: nothing in it may be read past the end.
const unsigned char kShortBlock[] = {0, 0, 9, 0, 'x', 0};

const bool kRegistered = [] {
    RegisterResource(TResourceId(60000 / 16 + 1), TResourceId(RT_STRING), kBlock, sizeof(kBlock));
    RegisterResource(TResourceId(60016 / 16 + 1), TResourceId(RT_STRING), kShortBlock, sizeof(kShortBlock));
    return true;
}();

} // namespace

TEST(AppStringTable, RegisteredTextsAreFoundByNumberAndCanBeReplacedAndForgotten) {
    TScopedStrings strings;
    strings.Add(kBase + 1, "First");
    strings.Add(kBase + 2, "数据");
    EXPECT_EQ(LoadStr(kBase + 1), "First");
    EXPECT_EQ(LoadStr(kBase + 2), "数据");
    EXPECT_EQ(LoadStr(kBase + 3), "");

    strings.Add(kBase + 1, "Second");
    EXPECT_EQ(LoadStr(kBase + 1), "Second");
    UnregisterResourceString(kBase + 1);
    EXPECT_EQ(LoadStr(kBase + 1), "");

    RegisterResourceStrings({{kBase + 4, "four"}, {kBase + 5, nullptr}});
    strings.Idents.insert(strings.Idents.end(), {kBase + 4, kBase + 5});
    EXPECT_EQ(LoadStr(kBase + 4), "four");
    EXPECT_EQ(LoadStr(kBase + 5), "");
}

TEST(AppStringTable, StringResourceBlocksAreReadByNumber) {
    ASSERT_TRUE(kRegistered);
    struct Case {
        Integer Ident;
        String Text;
    };
    const std::vector<Case> cases = {
        {60000, ""}, {60001, "Abc"}, {60002, ""}, {60003, "数据 %d"}, {60015, ""},
        {60016, ""}, {60017, ""}, // the short block
        {-1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Ident);
        EXPECT_EQ(LoadStr(c.Ident), c.Text);
    }
    // A registered text comes before the resource of the same number.
    TScopedStrings strings;
    strings.Add(60001, "Override");
    EXPECT_EQ(LoadStr(60001), "Override");
}

TEST(AppStringTable, FmtLoadStrFormatsTheTextWithTheArguments) {
    TScopedStrings strings;
    strings.Add(kBase + 10, "Cell[%d,%d] %s");
    EXPECT_EQ(FmtLoadStr(kBase + 10, {3, 4, "bad"}), "Cell[3,4] bad");
    EXPECT_EQ(FmtLoadStr(60003, {7}), "数据 7");
    EXPECT_EQ(FmtLoadStr(kBase + 11, {1}), "");
    EXPECT_THROW(FmtLoadStr(kBase + 10, {1}), EConvertError);
}
