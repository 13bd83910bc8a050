#include "script/kq_itools.h"

#include <gtest/gtest.h>

#include "script/kq_iconst.h"
#include "tests/support/TestSupport.h"

namespace {

struct ParamExpect {
    const char* name;
    const char* typeName;
    bool isVar;
    bool isOptional;
    Variant defValue;
};

struct SignatureCase {
    const char* signature;
    const char* name;
    const char* typeName;
    TkqValueKind kind;
    bool isMacro;
    std::vector<ParamExpect> params;
};

} // namespace

TEST(kq_itoolsTest, SignaturesGiveNameResultAndParameters) {
    TkqScript script(nullptr);
    script.AddType("String", vkString);
    script.AddType("Integer", vkInteger);
    script.AddType("Variant", vkVariant);
    script.AddType("Boolean", vkBoolean);
    script.AddConst("True", "Boolean", true);

    const std::vector<SignatureCase> cases = {
        {"function Get(Name: String): Variant",
         "Get",
         "Variant",
         vkVariant,
         false,
         {{"Name", "String", false, false, Null()}}},
        {"procedure Set(Name: String; Value: Variant)",
         "Set",
         "",
         vkClass,
         false,
         {{"Name", "String", false, false, Null()}, {"Value", "Variant", false, false, Null()}}},
        {"macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
         "IIF",
         "Variant",
         vkVariant,
         true,
         {{"Expr", "Boolean", false, false, Null()},
          {"TrueValue", "Variant", false, false, Null()},
          {"FalseValue", "Variant", false, false, Null()}}},
        {"function SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
         "SUM",
         "Variant",
         vkVariant,
         false,
         {{"Expr", "Variant", false, false, Null()},
          {"Band", "Variant", false, true, 0},
          {"Flags", "Integer", false, true, 0}}},
        {"function F(a: Integer = -1; b: String = 'x'; c: Boolean = True; d: Integer = Nope): Integer",
         "F",
         "Integer",
         vkInteger,
         false,
         {{"a", "Integer", false, true, -1},
          {"b", "String", false, true, "x"},
          {"c", "Boolean", false, true, true},
          {"d", "Integer", false, false, Null()}}},
        {"procedure Swap(var A, B: Integer; const C: String)",
         "Swap",
         "",
         vkClass,
         false,
         {{"A", "Integer", true, false, Null()},
          {"B", "Integer", true, false, Null()},
          {"C", "String", false, false, Null()}}},
        {"function Now: TDateTime", "Now", "TDateTime", vkClass, false, {}},
        // Broken texts end where the text ends.
        {"function Cut(a: Integer; b",
         "Cut",
         "Integer",
         vkInteger,
         false,
         {{"a", "Integer", false, false, Null()}, {"b", "", false, false, Null()}}},
        {"procedure Open(a: Integer = ",
         "Open",
         "",
         vkClass,
         false,
         {{"a", "Integer", false, false, Null()}}},
        {"", "", "", vkClass, false, {}},
    };
    for (const SignatureCase& c : cases) {
        SCOPED_TRACE(c.signature);
        std::unique_ptr<TkqCustomVariable> symbol(ParseSignature(c.signature, &script));
        EXPECT_EQ(symbol->Name, c.name);
        EXPECT_EQ(symbol->TypeName, c.typeName);
        EXPECT_EQ(symbol->ValueKind, c.kind);
        EXPECT_EQ(symbol->IsMacro, c.isMacro);
        ASSERT_EQ(symbol->Count(), Integer(c.params.size()));
        for (std::size_t i = 0; i < c.params.size(); ++i) {
            SCOPED_TRACE(i);
            auto* param = dynamic_cast<TkqParamItem*>(symbol->Param(Integer(i)));
            ASSERT_NE(param, nullptr);
            EXPECT_EQ(param->Name, c.params[i].name);
            EXPECT_EQ(param->TypeName, c.params[i].typeName);
            EXPECT_EQ(param->IsVarParam, c.params[i].isVar);
            EXPECT_EQ(param->IsOptional, c.params[i].isOptional);
            EXPECT_EQ(VarType(param->DefValue), VarType(c.params[i].defValue));
            if (!VarIsNull(c.params[i].defValue)) {
                EXPECT_TRUE(param->DefValue == c.params[i].defValue);
            }
        }
    }
    std::unique_ptr<TkqCustomVariable> sum(ParseSignature(cases[3].signature, &script));
    EXPECT_EQ(sum->RequiredParamCount(), 1);
}

TEST(kq_itoolsTest, LiteralsBecomeStringsIntegersAndFloats) {
    testsupport::ScopedFormatSettings comma(testsupport::CommaSettings());
    struct Case {
        const char* text;
        TVarType type;
        Variant value;
    };
    const std::vector<Case> cases = {
        {"'abc'", varString, "abc"},
        {"'it''s'", varString, "it''s"},
        {"2147483647", varInteger, 2147483647},
        {"2147483648", varInt64, Int64(2147483648LL)},
        {"$FF", varInteger, 255},
        {"1.5", varDouble, 1.5},
        {"-7", varInteger, -7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Variant value = ParseLiteral(c.text);
        EXPECT_EQ(VarType(value), c.type);
        EXPECT_TRUE(value == c.value);
    }
    EXPECT_TRUE(VarIsNull(ParseLiteral("")));
    EXPECT_EQ(VarToStr(ParseLiteral("'")), "");
    EXPECT_THROW(ParseLiteral("abc"), EConvertError);
}

TEST(kq_itoolsTest, LanguagesAreFoundByNameAndReplaced) {
    RegisterLanguage("TestLangA", "<a/>");
    RegisterLanguage("testlanga", "<b/>");
    EXPECT_EQ(GetLanguageGrammar("TESTLANGA"), "<b/>");
    try {
        GetLanguageGrammar("NoSuchLang");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Language 'NoSuchLang' not found");
    }
}

TEST(kq_itoolsTest, TypeNamesTakeTheKindOfTheirSymbol) {
    TkqScript parent(nullptr);
    TkqScript script(nullptr);
    script.ParentScript = &parent;
    parent.AddType("Integer", vkInteger);
    script.AddEnum("TAlign", "alNone");
    EXPECT_EQ(KindOfTypeName("integer", &script), vkInteger);
    EXPECT_EQ(KindOfTypeName("TAlign", &script), vkEnum);
    EXPECT_EQ(KindOfTypeName("TUnknown", &script), vkClass);
    EXPECT_EQ(KindOfTypeName("", &script), vkClass);
}
