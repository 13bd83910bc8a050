#include "script/kq_itools.h"

#include <gtest/gtest.h>

#include "script/kq_iconst.h"
#include "tests/support/TestSupport.h"

namespace {

class TToolsBase : public TComponent {
    KOV_CLASS(TToolsBase, TComponent)
public:
    using TComponent::TComponent;
};

class TToolsDerived : public TToolsBase {
    KOV_CLASS(TToolsDerived, TToolsBase)
public:
    using TToolsBase::TToolsBase;
};

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

TEST(kq_itoolsTest, KindsCompatibleFollowsTheExpectedKind) {
    TkqScript script(nullptr);
    script.AddClass(TToolsBase::StaticClass(), "TComponent");
    script.AddClass(TToolsDerived::StaticClass(), "TToolsBase");
    const TkqValueKind kinds[] = {vkInteger, vkBoolean, vkFloat,   vkChar, vkString,
                                  vkClass,   vkArray,   vkVariant, vkEnum, vkConstructor};
    auto tag = [](TkqValueKind kind) {
        return TkqTypeTag(kind, kind == vkClass ? "TToolsBase" : kind == vkEnum ? "TAlign" : "");
    };
    // Rows: the expected kind; columns: the given kind, in the order of `kinds`.
    const char* const matrix[] = {
        "1010000110", // Integer accepts Integer, Float, Variant, Enum
        "0100000100", // Boolean
        "1010000100", // Float
        "0001100100", // Char
        "0001100100", // String
        "0000010100", // Class (the same class)
        "0000001100", // Array
        "1111111111", // Variant
        "1000000110", // Enum (the same enumeration)
        "0000000000", // Constructor
    };
    for (int l = 0; l < 10; ++l)
        for (int r = 0; r < 10; ++r)
            EXPECT_EQ(KindsCompatible(tag(kinds[l]), tag(kinds[r]), &script), matrix[l][r] == '1')
                << "expected " << l << ", given " << r;

    struct Case {
        TkqTypeTag expected;
        TkqTypeTag given;
        bool compatible;
    };
    for (const Case& c : std::vector<Case>{
             {{vkClass, "TToolsBase"}, {vkClass, "TToolsDerived"}, true},
             {{vkClass, "TToolsDerived"}, {vkClass, "TToolsBase"}, false},
             {{vkClass, "TToolsBase"}, {vkClass, "TUnregistered"}, false},
             {{vkEnum, "TAlign"}, {vkEnum, "talign"}, true},
             {{vkEnum, "TAlign"}, {vkEnum, "TFontStyle"}, false},
         }) {
        SCOPED_TRACE(c.expected.TypeName + " <- " + c.given.TypeName);
        EXPECT_EQ(KindsCompatible(c.expected, c.given, &script), c.compatible);
    }
    EXPECT_TRUE(ClassInheritsByName("TToolsBase", "TToolsBase", &script));
    EXPECT_FALSE(ClassInheritsByName("TComponent", "TToolsBase", &script)) << "TComponent is not registered";
    // Type names longer than 32 characters are cut.
    EXPECT_EQ(TkqTypeTag(vkEnum, String(40, 'T')).TypeName, String(32, 'T'));
}

TEST(kq_itoolsTest, AssignmentsRefuseAFloatForAnInteger) {
    TkqScript script(nullptr);
    struct Case {
        TkqValueKind variableKind;
        const char* variableType;
        TkqValueKind expressionKind;
        const char* expressionType;
        bool compatible;
    };
    for (const Case& c : std::vector<Case>{
             {vkInteger, "", vkFloat, "", false},
             {vkFloat, "", vkInteger, "", true},
             {vkInteger, "", vkEnum, "TAlign", true},
             {vkEnum, "TAlign", vkInteger, "", true},
             {vkEnum, "TAlign", vkEnum, "TFontStyle", false},
             {vkBoolean, "", vkInteger, "", false},
             {vkVariant, "", vkFloat, "", true},
         }) {
        TkqVariable variable("v", c.variableType, c.variableKind);
        TkqVariable expression("e", c.expressionType, c.expressionKind);
        EXPECT_EQ(AssignCompatible(&variable, &expression, &script), c.compatible)
            << variable.KindText() << " := " << expression.KindText();
    }
}

TEST(kq_itoolsTest, SourcePositionsSplitIntoLineAndColumn) {
    struct Case {
        const char* text;
        Integer line;
        Integer column;
    };
    for (const Case& c : std::vector<Case>{{"12:5", 12, 5}, {"", 0, 0}, {"1:1", 1, 1}}) {
        Integer line = -1;
        Integer column = -1;
        ParsePos(c.text, line, column);
        EXPECT_EQ(line, c.line) << c.text;
        EXPECT_EQ(column, c.column) << c.text;
    }
    Integer line = 0;
    Integer column = 0;
    EXPECT_THROW(ParsePos("x:1", line, column), EConvertError);
    EXPECT_THROW(ParsePos("1:y", line, column), EConvertError);
}

TEST(kq_itoolsTest, ArgumentListsAndVariants) {
    TComponent object(nullptr);
    const Variant held = "held";
    struct Case {
        TVarRec entry;
        Variant expected;
    };
    for (const Case& c : std::vector<Case>{
             {TVarRec(42), 42},
             {TVarRec(true), true},
             {TVarRec('q'), "q"},
             {TVarRec(2.5), 2.5},
             {TVarRec(String("text")), "text"},
             {TVarRec::FromVariant(&held), "held"},
             {TVarRec(static_cast<TObject*>(&object)), ObjectToVariant(&object)},
         }) {
        const Variant value = VarRecToVariant(c.entry);
        EXPECT_TRUE(value == c.expected) << VarToStr(value);
    }
    EXPECT_TRUE(VarIsNull(VarRecToVariant(TVarRec(Currency(1)))));
    EXPECT_EQ(VariantToObject(VarRecToVariant(TVarRec(static_cast<TObject*>(&object)))), &object);

    const String longText(300, 'x');
    const Variant values = VarArrayOf({Variant(SmallInt(3)), 7, Variant(Word(9)), 1.5, longText,
                                       Variant(u"wide"), true, Null(), Int64(1) << 40});
    std::vector<TVarRec> entries = VariantArrayToVarRecs(values);
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[0].VType, vtInteger);
    EXPECT_EQ(entries[0].VInteger, 3);
    EXPECT_EQ(entries[2].VInteger, 9);
    EXPECT_EQ(entries[3].VType, vtExtended);
    EXPECT_EQ(entries[3].VExtended, 1.5L);
    EXPECT_EQ(entries[4].VString, longText) << "strings pass whole";
    EXPECT_EQ(entries[5].VString, "wide");
    EXPECT_EQ(entries[6].VType, vtBoolean);
    EXPECT_EQ(entries[7].VType, vtInteger);
    EXPECT_EQ(entries[7].VInteger, 0);
    EXPECT_EQ(entries[8].VType, vtInt64);
    EXPECT_EQ(Format("%d %s %d", {entries[1], entries[4], entries[8]}), "7 " + longText + " 1099511627776");
    FreeVarRecs(entries);
    EXPECT_TRUE(entries.empty());
}
