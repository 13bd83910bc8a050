#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrDBSet.h"
#include "report/pvrRes.h"
#include "script/kq_iinterpreter.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

// An engine that answers aggregate calls from a table and records what it was asked.
class TRecordingEngine : public TpvrCustomEngine {
public:
    using TpvrCustomEngine::TpvrCustomEngine;
    void EndPage() override {}
    void NewColumn() override {}
    void NewPage() override {}
    void ShowBand(TpvrBand*) override {}
    void ShowBandOfClass(TClass) override {}
    Extended GetFootersHeight() override { return 0; }
    Extended FreeSpace() override { return 0; }
    bool Run() override { return true; }
    void GetAggregateValue(const String& name, const String& expression, Variant& result, TpvrComponent* band,
                           Integer flags) override {
        Calls.push_back(name + "|" + expression + "|" + (band ? band->GetName() : String("-")) + "|" +
                        IntToStr(flags));
        result = Variant(Integer(42));
    }
    std::vector<String> Calls;
};

class pvrExpressionsTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        RegisterSysRTTI(); // types and functions of the language, before the report's script is made
        Module.reset(new TDataModule(nullptr, TCreateNew{}));
        ReadComponentText(testsupport::ReadFileBytes(testsupport::FixturePath("report/PrintData.form")),
                          Module.get());
        Ado = dynamic_cast<TMemDataSet*>(Module->FindComponent("myAdo"));
        Report = dynamic_cast<TpvrReport*>(Module->FindComponent("pvrReport"));
        Bridge = dynamic_cast<TpvrDBDataset*>(Module->FindComponent("pvrDataset"));
        ASSERT_TRUE(Ado && Report && Bridge);
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
    }
    void TearDown() override {
        Module.reset();
        TFormFixture::TearDown();
    }

    // The text of the exception Calc raises, or "" when it raises none.
    String CalcError(const String& expression) {
        try {
            Report->Calc(expression);
        } catch (const Exception& e) {
            return e.Message;
        }
        return String();
    }
    std::vector<String> Errors() const {
        std::vector<String> lines;
        for (Integer i = 0; i < Report->GetErrors()->GetCount(); ++i)
            lines.push_back(Report->GetErrors()->GetStrings(i));
        return lines;
    }

    std::unique_ptr<TDataModule> Module;
    TMemDataSet* Ado = nullptr;
    TpvrReport* Report = nullptr;
    TpvrDBDataset* Bridge = nullptr;
};

} // namespace

TEST_F(pvrExpressionsTest, FieldReferencesReadTheBoundRecordAndConvertNulls) {
    Ado->CreateDataSet();
    Ado->Append();
    Ado->FieldByName("TypeID")->SetAsVariant(Variant(Integer(7)));
    Ado->FieldByName("TypeName")->SetAsVariant(Variant(String("Beep")));
    Ado->Post();
    Ado->Append(); // TypeID and TypeName Null
    Ado->Post();
    Bridge->SetDataSet(Ado);
    Report->GetDataSets()->Initialize();
    Bridge->First();
    EXPECT_EQ(Report->Calc("pvrDataset.\"TypeID\"").AsInteger(), 7);
    EXPECT_EQ(VarToStr(Report->Calc("PVRDATASET.\"TypeName\"")), "Beep");
    Bridge->Next();
    struct Case {
        const char* expression;
        bool convertNulls;
        TVarType type;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{"pvrDataset.\"TypeID\"", true, varInteger, "0"},
                                           {"pvrDataset.\"TypeName\"", true, varString, ""},
                                           {"pvrDataset.\"TypeID\"", false, varNull, ""},
                                           {"pvrDataset.\"TypeName\"", false, varNull, ""}}) {
        SCOPED_TRACE(String(c.expression) + (c.convertNulls ? " converted" : " as Null"));
        Report->GetEngineOptions()->ConvertNulls = c.convertNulls;
        const Variant value = Report->Calc(c.expression);
        EXPECT_EQ(VarType(value), c.type);
        EXPECT_EQ(VarToStr(value), c.text);
    }
    EXPECT_TRUE(Errors().empty());

    // More text after a reference still reads as one reference: to a field that is not there.
    Report->GetEngineOptions()->ConvertNulls = true;
    Report->CurObject = "Memo1";
    const Variant value = Report->Calc("pvrDataset.\"TypeID\" + 1");
    EXPECT_EQ(VarType(value), varInteger);
    EXPECT_EQ(value.AsInteger(), 0);
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0], "Memo1: " + GetResources()->Get("dbFldNotFound") + " pvrDataset.\"TypeID\" + \"");
    Report->GetDataSets()->Finalize();

    TpvrDataSet* found = nullptr;
    String field;
    Report->SplitFieldReference("pvrMainData.\"Title\"", found, field);
    EXPECT_EQ(found, Report->GetDataset("pvrMainData"));
    EXPECT_EQ(field, "Title");
    Report->SplitFieldReference("nobody.\"Title\"", found, field);
    EXPECT_EQ(found, nullptr);
    Report->SplitFieldReference("plain", found, field);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(field, "");
}

TEST_F(pvrExpressionsTest, NamesAreAnsweredInOrderBeforeAnythingIsCompiled) {
    TpvrVariables* variables = Report->GetVariables();
    variables->SetVariables("Sum5", Variant(String("2+3")));
    variables->SetVariables("Lines", Variant(String("one\r\ntwo")));
    variables->SetVariables("Number", Variant(Integer(9)));
    variables->SetVariables("Date", Variant(String("shadowed by the system variable")));
    Report->OnGetValue = +[](const String& name, Variant& value) {
        if (SameText(name, "Host")) value = Variant(String("from host"));
        if (SameText(name, "Number")) value = Variant(Integer(1)); // the host comes before variables
    };
    struct Case {
        const char* name;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{"sum5", "5"},
                                           {"Lines", "one\r\ntwo"},
                                           {"NUMBER", "1"},
                                           {"Host", "from host"},
                                           {"'quoted'", "quoted"},
                                           {"3*4", "12"}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VarToStr(Report->Calc(c.name)), c.text);
    }
    Variant value;
    EXPECT_TRUE(Report->ResolveName("date", value)); // a system variable, without an engine Null
    EXPECT_TRUE(VarIsNull(value));
    EXPECT_FALSE(Report->ResolveName("3*4", value));
    // The cache compiled only what nobody answered.
    EXPECT_EQ(Report->GetExpressionCache()->GetExpressions()->GetCount(), 3); // 2+3, 'quoted', 3*4
    Report->OnGetValue = nullptr;
}

TEST_F(pvrExpressionsTest, TheCacheKeepsEachTextOnceAndItsCase) {
    EXPECT_EQ(VarToStr(Report->Calc("'abc'")), "abc");
    EXPECT_EQ(VarToStr(Report->Calc("'ABC'")), "ABC");
    EXPECT_EQ(VarToStr(Report->Calc("'abc'")), "abc");
    TStringList* expressions = Report->GetExpressionCache()->GetExpressions();
    EXPECT_EQ(expressions->GetCount(), 2);
    // Functions of earlier compilations still run after later ones were compiled.
    TkqCustomVariable* first =
        static_cast<TkqCustomVariable*>(expressions->GetObjects(expressions->IndexOf("'abc'")));
    EXPECT_EQ(VarToStr(first->GetValue()), "abc");

    // A text that does not compile takes no number from the ones after it.
    EXPECT_NE(CalcError("NoSuchThing"), "");
    EXPECT_EQ(Report->Calc("1+1").AsInteger(), 2);
    Report->GetExpressionCache()->Clear();
    EXPECT_EQ(expressions->GetCount(), 0);
    EXPECT_EQ(Report->Calc("2+2").AsInteger(), 4);
}

TEST_F(pvrExpressionsTest, ExpressionFaultsNameTheObjectAndAreRaised) {
    Report->CurObject = "Memo1";
    const String message = CalcError("1 +");
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0], message);
    const String head = "Memo1: " + GetResources()->Get("clExprError") + " '1 +': ";
    EXPECT_EQ(message.substr(0, head.size()), head);
    EXPECT_GT(message.size(), head.size()); // the compiler's own text follows

    // Without a current object the text stands alone.
    Report->CurObject.clear();
    Report->GetErrors()->Clear();
    EXPECT_EQ(CalcError("1 +").substr(0, GetResources()->Get("clExprError").size()),
              GetResources()->Get("clExprError"));

    // Variables that name each other end in an error instead of endless recursion.
    Report->GetErrors()->Clear();
    Report->GetVariables()->SetVariables("A", Variant(String("B")));
    Report->GetVariables()->SetVariables("B", Variant(String("A")));
    Report->CurObject = "Memo2";
    EXPECT_NE(CalcError("A"), "");
    ASSERT_FALSE(Errors().empty());
    EXPECT_EQ(Errors()[0].substr(0, 7), "Memo2: ");
    // Afterwards the variables evaluate again when they no longer loop.
    Report->GetVariables()->SetVariables("B", Variant(String("1")));
    EXPECT_EQ(Report->Calc("A").AsInteger(), 1);
}

TEST_F(pvrExpressionsTest, ReportFunctionsAfterScriptSetUp) {
    auto* page = new TpvrReportPage(Report);
    page->SetName("Page9");
    auto* band = new TpvrMasterData(page);
    band->SetName("Band9");
    band->IsDesigning = true;
    auto* picture = new TpvrPictureView(band);
    picture->SetName("Picture9");
    picture->PictureChanged = true;
    Report->GetScriptText()->SetText("begin\r\n  Set('FromScript', 6 * 7);\r\nend.");
    ASSERT_TRUE(Report->SetupScript());
    // The aggregates ask whatever engine the report runs with at the time of the call.
    TRecordingEngine engine(Report);
    TpvrCustomEngine* const ownEngine = Report->Engine;
    Report->Engine = &engine;
    EXPECT_FALSE(band->IsDesigning);
    EXPECT_FALSE(picture->PictureChanged);
    ASSERT_NE(Report->ValueVariable, nullptr);
    EXPECT_EQ(Report->ValueVariable, Report->GetScript()->FindLocal("Value"));
    EXPECT_TRUE(VarIsNull(Report->ValueVariable->GetValue()));
    Report->GetScript()->Execute();
    EXPECT_EQ(VarToStr(Report->GetVariables()->GetVariables("FromScript")), "42");

    // The objects are script symbols; IIF evaluates only the branch it takes.
    Variant object;
    ASSERT_TRUE(Report->ResolveName("Band9", object));
    EXPECT_EQ(VariantToObject(object), band);
    ASSERT_TRUE(Report->ResolveName("Report", object));
    EXPECT_EQ(VariantToObject(object), Report);
    Report->GetVariables()->SetVariables("V", Variant(Integer(4)));
    struct Case {
        const char* expression;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{"IIF(False, 1/0, 2)", "2"},
                                           {"IIF(1 = 1, 'yes', 1/0)", "yes"},
                                           {"IIF(Get('V') > 3, Get('V') * 10, 0)", "40"},
                                           {"Get('V') + 1", "5"}}) {
        SCOPED_TRACE(c.expression);
        EXPECT_EQ(VarToStr(Report->Calc(c.expression)), c.text);
    }
    EXPECT_TRUE(Errors().empty());

    // An unknown name asked with Get: a line, Null, no exception.
    EXPECT_TRUE(VarIsNull(Report->Calc("Get('Nowhere')")));
    EXPECT_EQ(Errors(), (std::vector<String>{GetResources()->Get("clUnknownVar") + " Nowhere"}));

    // Aggregates hand their expression text unevaluated, the band and flags evaluated.
    EXPECT_EQ(Report->Calc("SUM(Get('V') * 2, Band9, 2)").AsInteger(), 42);
    EXPECT_EQ(Report->Calc("COUNT(Band9)").AsInteger(), 42);
    EXPECT_EQ(Report->Calc("MAX(Value * 2)").AsInteger(), 42);
    EXPECT_EQ(engine.Calls,
              (std::vector<String>{"SUM|Get('V') * 2|Band9|2", "COUNT||Band9|0", "MAX|Value * 2|-|0"}));

    // A new set-up forgets the compiled expressions and registers the objects again.
    Report->Engine = ownEngine;
    band->SetName("Band10");
    ASSERT_TRUE(Report->SetupScript());
    EXPECT_EQ(Report->GetExpressionCache()->GetExpressions()->GetCount(), 0);
    EXPECT_FALSE(Report->ResolveName("Band9", object));
    ASSERT_TRUE(Report->ResolveName("Band10", object));
    EXPECT_EQ(VariantToObject(object), band);
}

TEST_F(pvrExpressionsTest, AScriptThatDoesNotCompileIsReportedWithItsPosition) {
    Report->GetScriptText()->SetText("begin\r\n  x := ;\r\nend.");
    EXPECT_FALSE(Report->SetupScript());
    ASSERT_EQ(Errors().size(), 1u);
    TkqScript* script = Report->GetScript();
    EXPECT_FALSE(script->LastErrorPos.empty());
    EXPECT_EQ(Errors()[0],
              Format(GetResources()->Get("clScrError"), {script->LastErrorPos, script->LastErrorText}));
}

TEST_F(pvrExpressionsTest, MacroArgumentsSeeTheScriptThatCalls) {
    Report->GetScriptText()->SetText("var a: Integer;\r\n"
                                     "procedure P;\r\n"
                                     "var b: Integer;\r\n"
                                     "begin\r\n"
                                     "  b := 1;\r\n"
                                     "  Set('Local', IIF(b = 1, 'one', 'other'));\r\n"
                                     "end;\r\n"
                                     "begin\r\n"
                                     "  a := 5;\r\n"
                                     "  Set('Global', IIF(a > 3, 'big', 'small'));\r\n"
                                     "  P;\r\n"
                                     "end.");
    ASSERT_TRUE(Report->SetupScript()) << Report->GetScript()->LastErrorText;
    Report->GetScript()->Execute();
    EXPECT_EQ(VarToStr(Report->GetVariables()->GetVariables("Global")), "big");
    EXPECT_EQ(VarToStr(Report->GetVariables()->GetVariables("Local")), "one");
    EXPECT_TRUE(Errors().empty());
    // The report's script is the running program again once the expressions are done.
    EXPECT_TRUE(Report->GetScript()->ScopeAnchor);
}

TEST_F(pvrExpressionsTest, TheHostsOptionalCallBacksComeFirstWhenSet) {
    struct THooks {
        static bool Value(const String& name, Variant& value) {
            if (name != "Magic") return false;
            value = Variant(Integer(7));
            return true;
        }
        static bool Unknown(const String& name, Variant& value) {
            value = Variant(String("?" + name));
            return true;
        }
        static void AfterSetup(TpvrReport* report) { report->CurObject = "set up"; }
    };
    TpvrQO2Events saved = *QO2Events();
    QO2Events()->OnGetValue = &THooks::Value;
    QO2Events()->OnUnknownName = &THooks::Unknown;
    QO2Events()->OnAfterScriptSetup = &THooks::AfterSetup;
    ASSERT_TRUE(Report->SetupScript());
    EXPECT_EQ(Report->CurObject, "set up");
    Report->CurObject.clear();
    EXPECT_EQ(Report->Calc("Magic").AsInteger(), 7);
    EXPECT_EQ(VarToStr(Report->Calc("Get('Nope')")), "?Nope");
    EXPECT_TRUE(Errors().empty());
    *QO2Events() = saved;
    EXPECT_TRUE(VarIsNull(Report->Calc("Get('Nope')")));
    EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(pvrExpressionsTest, DamagedExpressionsFailWithTheReportsErrorOnly) {
    ASSERT_TRUE(Report->SetupScript());
    const std::vector<String> texts = {"'unterminated",
                                       "((((",
                                       "1 +* 2",
                                       String("\x01\x02", 2),
                                       String(3000, '('),
                                       String(3000, '(') + "1" + String(3000, ')'),
                                       "Get(",
                                       "IIF(",
                                       "IIF(True)",
                                       "SUM(",
                                       "COUNT(,,,)",
                                       "pvrDataset.\"",
                                       ".\"",
                                       "\"",
                                       "a.\"b\"c\"",
                                       "end; begin",
                                       "1; end; function x: Integer; begin Result := 1",
                                       String(20000, 'x'),
                                       "Get('Get(''Get'')')"};
    for (const String& text : texts) {
        SCOPED_TRACE(text.substr(0, 40));
        try {
            Report->Calc(text);
        } catch (const Exception&) {
            // the report's expression error: fine
        }
    }
    // The cache still works afterwards.
    EXPECT_EQ(Report->Calc("40 + 2").AsInteger(), 42);
    // A text that reads as a field reference of a known data source never compiles.
    EXPECT_EQ(Report->Calc("pvrDataset.\"").AsInteger(), 0);
}

TEST_F(pvrExpressionsTest, StoppingTheRunStopsTheScript) {
    TRecordingEngine engine(Report);
    TkqScript* script = Report->GetScript();
    engine.StopReport();
    EXPECT_TRUE(Report->Terminated);
    EXPECT_TRUE(script->TerminatePending);
    Report->SetTerminated(false);
    EXPECT_FALSE(Report->Terminated);
}
