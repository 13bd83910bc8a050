// The program builder: turns the intermediate form into symbols, statements, expressions and
// designators of a script, resolving names and checking kinds and argument counts on the way.
#include <memory>
#include <utility>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "script/kq_iconst.h"
#include "script/kq_ievents.h"
#include "script/kq_iexpression.h"
#include "script/kq_iilparser.h"
#include "script/kq_itools.h"

namespace {

const char* const SExpressionExpected = "Expression expected";
const char* const SBreakOutside = "Break outside a loop or case statement";
const char* const SContinueOutside = "Continue outside a loop";

// Counts one more enclosing loop or case statement while a body is built.
class TEnclosing {
public:
    explicit TEnclosing(Integer& depth) : FDepth(depth) { ++FDepth; }
    TEnclosing(const TEnclosing&) = delete;
    TEnclosing& operator=(const TEnclosing&) = delete;
    ~TEnclosing() { --FDepth; }

private:
    Integer& FDepth;
};

String Quoted(const String& name) { return "'" + name + "'"; }

String Lower(const String& text) { return LowerCase(text); }

// The position of the first operator that lacks an operand (the operator first, then its left
// operand, then its right one); empty when there is none. Walked with a stack of its own: a
// chain of operators nests one node per term.
String MissingOperandPos(TkqExpressionNode* root) {
    std::vector<TkqExpressionNode*> pending{root};
    while (!pending.empty()) {
        auto* op = dynamic_cast<TkqOperatorNode*>(pending.back());
        pending.pop_back();
        if (op == nullptr) continue;
        const bool prefix = op->Op == okNot || op->Op == okNegate || op->Op == okOpenBracket;
        if (op->Left == nullptr || (!prefix && op->Op != okNone && op->Right == nullptr))
            return op->DeclPos.empty() ? String("0:0") : op->DeclPos;
        pending.push_back(op->Right);
        pending.push_back(op->Left);
    }
    return String();
}

TkqXMLItem* NewToken(const String& name, const String& text, const String& pos) {
    auto* item = new TkqXMLItem();
    item->Name = name;
    item->Text = " text=\"" + EscapeXMLText(text) + "\" pos=\"" + pos + "\"";
    return item;
}

// What decides the build of a late-bound access: the kind of value its variable holds, and the
// class of the object a number names (no class when it names no live object). Only variables
// and parameters are read; any other symbol gives one fixed shape.
TkqDesignator::TLateShape LateShapeOf(TkqCustomVariable* symbol) {
    TkqDesignator::TLateShape shape;
    if (dynamic_cast<TkqVariable*>(symbol) == nullptr && dynamic_cast<TkqParamItem*>(symbol) == nullptr)
        return shape;
    const Variant value = symbol->GetValue();
    const TVarType type = VarType(value);
    if (VarIsNull(value) || VarIsEmpty(value)) {
        shape.Kind = 1;
    } else if (VarIsStr(value)) {
        shape.Kind = 2;
    } else if (type == varDispatch || type == varUnknown) {
        shape.Kind = 3;
    } else if (VarIsArray(value)) {
        shape.Kind = 4;
    } else if (type == varInteger || type == varInt64 || type == varByte || type == varSmallint ||
               type == varShortInt || type == varWord || type == varLongWord) {
        shape.Kind = 5;
        if (TObject* object = VariantToObject(value)) shape.Class = object->ClassType();
    } else {
        shape.Kind = 6;
    }
    return shape;
}

std::unique_ptr<TkqDesignator> BuildLateBound(TkqDesignator* designator, TkqXMLItem* source) {
    TkqILParser builder(designator->CompileScript);
    builder.DeclarationsRequired = false;
    std::unique_ptr<TkqDesignator> built(
        builder.BuildDesignator(source, designator->CompileScript, TkqILParser::bmNormal));
    if (built->PendingSource != nullptr) throw Exception(SClassRequired);
    return built;
}

// Builds a late-bound designator at its first use, in the script it was compiled in. A value
// that still gives nothing to build on keeps the designator pending and raises. Once built, a
// value of another kind, or an object of another class, gets a build of its own (kept for the
// next time), so a member found for one class never runs on an object of another; a value that
// names no live object (a freed one) raises as at the first use.
TkqDesignator* ResolveLateBound(TkqDesignator* designator) {
    if (designator->PendingSource != nullptr) {
        TkqCustomVariable* symbol = designator->Count() > 0 ? designator->Item(0)->Symbol : nullptr;
        const TkqDesignator::TLateShape shape = LateShapeOf(symbol);
        std::unique_ptr<TkqDesignator> built = BuildLateBound(designator, designator->PendingSource);
        designator->Clear();
        designator->TakeOver(built.get());
        designator->LateSource = designator->PendingSource;
        designator->PendingSource = nullptr;
        designator->LateSymbol = symbol;
        designator->LateShape = shape;
        return designator;
    }
    const TkqDesignator::TLateShape shape = LateShapeOf(designator->LateSymbol);
    if (shape == designator->LateShape) return designator;
    for (auto& [known, built] : designator->LateBuilds)
        if (known == shape) return built.get();
    std::unique_ptr<TkqDesignator> built = BuildLateBound(designator, designator->LateSource);
    designator->LateBuilds.emplace_back(shape, std::move(built));
    return designator->LateBuilds.back().second.get();
}

} // namespace

// ---- The walk ------------------------------------------------------------------------------------

void TkqILParser::SetBuildPos(TkqXMLItem* element) {
    const String pos = element->Prop("pos");
    if (!pos.empty()) BuildErrorPos = pos;
}

void TkqILParser::BuildProgram() {
    WithList->Clear();
    Script->LastErrorUnit.clear();
    CurrentUnit.clear();
    BuildErrorPos.clear();
    try {
        BuildBlock(ILDocument->Root, Script);
        Script->LastErrorPos.clear();
    } catch (const Exception& e) {
        Script->LastErrorText = e.Message.empty() ? String("Error") : e.Message;
        Script->LastErrorPos = BuildErrorPos;
        Script->LastErrorUnit = CurrentUnit;
    } catch (const std::exception& e) {
        Script->LastErrorText = e.what();
        Script->LastErrorPos = BuildErrorPos;
        Script->LastErrorUnit = CurrentUnit;
    }
    WithList->Clear();
}

void TkqILParser::BuildBlock(TkqXMLItem* element, TkqScript* script) {
    TkqXMLItem* saved = ProgramElement;
    ProgramElement = element;
    try {
        DeclareProcedures(element, script);
        BuildStatementList(element, script, script->RootStatement.get());
    } catch (...) {
        ProgramElement = saved;
        throw;
    }
    ProgramElement = saved;
}

void TkqILParser::DeclareProcedures(TkqXMLItem* element, TkqScript* script) {
    // Procedures standing inside other statements (a BasicScript IF block, a JScript if) are
    // declared with their block too; a procedure's own body is its own block.
    for (Integer i = 0; i < element->Count(); ++i) {
        TkqXMLItem* child = element->Items(i);
        const String name = Lower(child->Name);
        if (name == "procedure")
            DeclareProcedureHeader(child, script);
        else if (name == "function")
            DeclareFunctionHeader(child, script);
        else if (name != "expr" && name != "dsgn" && name != "uses" && name != "types" && child->Count() > 0)
            DeclareProcedures(child, script);
    }
}

void TkqILParser::BuildStatementList(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    for (Integer i = 0; i < element->Count(); ++i)
        BuildStatement(element->Items(i), script, list);
}

void TkqILParser::AddStatement(TkqStatement* statement, TkqStatement* list) {
    list->Add(statement);
    Script->AddStatementLine(CurrentUnit, statement->StmtPos);
}

void TkqILParser::BuildStatement(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    SetBuildPos(element);
    if (ScriptStackLow()) throw Exception(SNestingTooDeep);
    const String name = Lower(element->Name);
    const String pos = element->Prop("pos");
    if (name == "assignstmt")
        BuildAssignment(element, script, list);
    else if (name == "callstmt")
        BuildCall(element, script, list);
    else if (name == "ifstmt")
        BuildIf(element, script, list);
    else if (name == "casestmt")
        BuildCase(element, script, list);
    else if (name == "forstmt")
        BuildFor(element, script, list);
    else if (name == "vbforstmt")
        BuildVbFor(element, script, list);
    else if (name == "cppforstmt")
        BuildCppFor(element, script, list);
    else if (name == "whilestmt")
        BuildWhile(element, script, list);
    else if (name == "repeatstmt")
        BuildRepeat(element, script, list);
    else if (name == "trystmt")
        BuildTry(element, script, list);
    else if (name == "break") {
        // A break nowhere to go would end the statement list around it and be taken for a
        // success.
        if (FLoopDepth == 0 && FCaseDepth == 0) throw Exception(SBreakOutside);
        AddStatement(new TkqBreakStmt(script, pos, CurrentUnit), list);
    } else if (name == "continue") {
        if (FLoopDepth == 0) throw Exception(SContinueOutside);
        AddStatement(new TkqContinueStmt(script, pos, CurrentUnit), list);
    }
    else if (name == "exit")
        AddStatement(new TkqExitStmt(script, pos, CurrentUnit), list);
    else if (name == "return")
        BuildReturn(element, script, list);
    else if (name == "with")
        BuildWith(element, script, list);
    else if (name == "delete")
        BuildDelete(element, script, list);
    else if (name == "compoundstmt")
        BuildStatementList(element, script, list);
    else if (name == "uses")
        BuildUses(element, script);
    else if (name == "var")
        DeclareVariables(element, script, list);
    else if (name == "const")
        DeclareConstant(element, script);
    else if (name == "procedure")
        BuildProcedureBody(element, script,
                           element->Count() > 0 ? element->Items(0)->Prop("text") : String());
    else if (name == "function") {
        const Integer at = element->Find("name");
        BuildProcedureBody(element, script, at >= 0 ? element->Items(at)->Prop("text") : String());
    }
}

// ---- Statements ----------------------------------------------------------------------------------

void TkqILParser::BuildAssignment(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    const String pos = element->Prop("pos");
    if (element->Count() < 2) throw Exception(SExpressionExpected);
    std::unique_ptr<TkqDesignator> target(BuildDesignator(element->Items(0), script, bmNormal));
    String modifier = " ";
    TkqXMLItem* valueElement = element->Items(1);
    if (SameText(valueElement->Name, "modificator")) {
        modifier = valueElement->Prop("text");
        if (element->Count() < 3) throw Exception(SExpressionExpected);
        valueElement = element->Items(2);
    }
    std::unique_ptr<TkqExpression> source(BuildExpression(valueElement, script));
    if (target->IsReadOnly) {
        SetBuildPos(element->Items(0));
        throw Exception(SLeftCantAssigned);
    }
    CheckAssignable(target.get(), source.get());
    if (modifier == " ") source->SplitSelfOperation(target.get(), modifier);
    std::unique_ptr<TkqAssignmentStmt> statement;
    switch (modifier.empty() ? ' ' : modifier[0]) {
    case '*':
        statement = std::make_unique<TkqAssignMulStmt>(script, pos, CurrentUnit);
        break;
    case '+':
        statement = std::make_unique<TkqAssignPlusStmt>(script, pos, CurrentUnit);
        break;
    case '-':
        statement = std::make_unique<TkqAssignMinusStmt>(script, pos, CurrentUnit);
        break;
    case '/':
        statement = std::make_unique<TkqAssignDivStmt>(script, pos, CurrentUnit);
        break;
    default:
        statement = std::make_unique<TkqAssignmentStmt>(script, pos, CurrentUnit);
        break;
    }
    statement->Target = std::move(target);
    statement->Source = std::move(source);
    statement->ResolveShortcuts();
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildCall(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    auto statement = std::make_unique<TkqCallStmt>(script, element->Prop("pos"), CurrentUnit);
    statement->Target.reset(BuildDesignator(element->Items(0), script, bmNormal));
    if (element->Count() > 1) {
        statement->Modifier = element->Items(1)->Prop("text");
        if (statement->Target->IsReadOnly) throw Exception(SLeftCantAssigned);
    }
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildIf(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    const String pos = element->Prop("pos");
    auto statement = std::make_unique<TkqIfStmt>(script, pos, CurrentUnit);
    statement->Condition.reset(BuildExpression(element->Items(0), script));
    for (Integer i = 1; i < element->Count(); ++i) {
        TkqXMLItem* child = element->Items(i);
        if (SameText(child->Name, "thenstmt")) {
            BuildStatementList(child, script, statement.get());
        } else if (SameText(child->Name, "elsestmt")) {
            statement->ElseBranch = std::make_unique<TkqStatement>(script, child->Prop("pos"), CurrentUnit);
            BuildStatementList(child, script, statement->ElseBranch.get());
        }
    }
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildCase(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    auto statement = std::make_unique<TkqCaseStmt>(script, element->Prop("pos"), CurrentUnit);
    statement->Selector.reset(BuildExpression(element->Items(0), script));
    for (Integer i = 1; i < element->Count(); ++i) {
        TkqXMLItem* child = element->Items(i);
        SetBuildPos(child);
        if (SameText(child->Name, "caseselector")) {
            if (child->Count() == 0) continue;
            // A branch whose statement is empty keeps its values with an empty body.
            auto selector = std::make_unique<TkqCaseSelector>(script, child->Prop("pos"), CurrentUnit);
            selector->Values.reset(BuildSet(child->Items(0), script));
            TEnclosing inCase(FCaseDepth);
            if (child->Count() > 1) BuildStatement(child->Items(1), script, selector.get());
            statement->Add(selector.release());
        } else if (i == element->Count() - 1) {
            statement->ElseBranch = std::make_unique<TkqStatement>(script, child->Prop("pos"), CurrentUnit);
            TEnclosing inCase(FCaseDepth);
            BuildStatement(child, script, statement->ElseBranch.get());
        }
    }
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildFor(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    auto statement = std::make_unique<TkqForStmt>(script, element->Prop("pos"), CurrentUnit);
    SetBuildPos(element->Items(0));
    TkqCustomVariable* variable = FindVariable(script, element->Items(0)->Prop("text"));
    if (dynamic_cast<TkqVariable*>(variable) == nullptr ||
        (variable->ValueKind != vkInteger && variable->ValueKind != vkFloat &&
         variable->ValueKind != vkVariant))
        throw Exception(SForError);
    statement->LoopVariable = variable;
    statement->StartValue.reset(BuildExpression(element->Items(1), script));
    CheckAssignable(variable, statement->StartValue.get());
    Integer at = 2;
    if (SameText(element->Items(2)->Name, "downto")) {
        statement->Downward = true;
        at = 3;
    }
    statement->EndValue.reset(BuildExpression(element->Items(at), script));
    CheckAssignable(variable, statement->EndValue.get());
    TEnclosing inLoop(FLoopDepth);
    if (at + 1 < element->Count()) BuildStatement(element->Items(at + 1), script, statement.get());
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildVbFor(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    auto statement = std::make_unique<TkqVbForStmt>(script, element->Prop("pos"), CurrentUnit);
    SetBuildPos(element->Items(0));
    TkqCustomVariable* variable = FindVariable(script, element->Items(0)->Prop("text"));
    if (dynamic_cast<TkqVariable*>(variable) == nullptr ||
        (variable->ValueKind != vkInteger && variable->ValueKind != vkFloat &&
         variable->ValueKind != vkVariant))
        throw Exception(SForError);
    statement->LoopVariable = variable;
    statement->StartValue.reset(BuildExpression(element->Items(1), script));
    CheckAssignable(variable, statement->StartValue.get());
    statement->EndValue.reset(BuildExpression(element->Items(2), script));
    CheckAssignable(variable, statement->EndValue.get());
    Integer at = 3;
    if (at < element->Count() && SameText(element->Items(at)->Name, "expr")) {
        statement->StepValue.reset(BuildExpression(element->Items(at), script));
        CheckAssignable(variable, statement->StepValue.get());
        ++at;
    }
    TEnclosing inLoop(FLoopDepth);
    if (at < element->Count()) BuildStatement(element->Items(at), script, statement.get());
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildCppFor(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    const String pos = element->Prop("pos");
    auto statement = std::make_unique<TkqCppForStmt>(script, pos, CurrentUnit);
    statement->InitPart = std::make_unique<TkqStatement>(script, pos, CurrentUnit);
    statement->StepPart = std::make_unique<TkqStatement>(script, pos, CurrentUnit);
    BuildStatement(element->Items(0), script, statement->InitPart.get());
    statement->Condition.reset(BuildExpression(element->Items(1), script));
    BuildStatement(element->Items(2), script, statement->StepPart.get());
    // A for without a body gets an empty one, as a while does.
    TEnclosing inLoop(FLoopDepth);
    if (element->Count() > 3) BuildStatement(element->Items(3), script, statement.get());
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildWhile(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    auto statement = std::make_unique<TkqWhileStmt>(script, element->Prop("pos"), CurrentUnit);
    statement->Condition.reset(BuildExpression(element->Items(0), script));
    TEnclosing inLoop(FLoopDepth);
    if (element->Count() > 1) BuildStatement(element->Items(1), script, statement.get());
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildRepeat(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    auto statement = std::make_unique<TkqRepeatStmt>(script, element->Prop("pos"), CurrentUnit);
    Integer conditionAt = element->Count() - 1;
    if (conditionAt >= 0 && SameText(element->Items(conditionAt)->Name, "inverse")) {
        statement->InvertCondition = true;
        --conditionAt;
    }
    if (conditionAt < 0) throw Exception(SExpressionExpected);
    {
        TEnclosing inLoop(FLoopDepth);
        for (Integer i = 0; i < conditionAt; ++i)
            BuildStatement(element->Items(i), script, statement.get());
    }
    statement->Condition.reset(BuildExpression(element->Items(conditionAt), script));
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildTry(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    auto statement = std::make_unique<TkqTryStmt>(script, element->Prop("pos"), CurrentUnit);
    for (Integer i = 0; i < element->Count(); ++i) {
        TkqXMLItem* child = element->Items(i);
        const bool isExcept = SameText(child->Name, "exceptstmt");
        if (isExcept || SameText(child->Name, "finallystmt")) {
            statement->IsExcept = isExcept;
            statement->HandlerPart = std::make_unique<TkqStatement>(script, child->Prop("pos"), CurrentUnit);
            BuildStatementList(child, script, statement->HandlerPart.get());
        } else {
            BuildStatement(child, script, statement.get());
        }
    }
    AddStatement(statement.release(), list);
}

void TkqILParser::BuildReturn(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    if (element->Count() > 0) {
        TkqXMLItem* value = element->Items(0);
        auto* designator = new TkqXMLItem();
        designator->Name = "dsgn";
        designator->Text = " pos=\"" + value->Prop("pos") + "\"";
        element->InsertItem(0, designator);
        designator->AddItem(NewToken("node", "Result", value->Prop("pos")));
        BuildAssignment(element, script, list);
    }
    SetBuildPos(element);
    AddStatement(new TkqExitStmt(script, element->Prop("pos"), CurrentUnit), list);
}

String TkqILParser::NewWithName(TkqScript* script) {
    for (Integer n = 0;; ++n) {
        const String name = IntToStr(n);
        if (script->FindLocal(name) == nullptr && WithList->IndexOf(name) < 0) {
            bool present = false;
            for (Integer i = 0; i < script->Symbols->GetCount(); ++i)
                if (script->Symbols->GetStrings(i) == name) present = true;
            if (!present) return name;
        }
    }
}

void TkqILParser::BuildWith(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    const Integer before = WithList->GetCount();
    try {
        for (Integer i = 0; i + 1 < element->Count(); ++i) {
            TkqXMLItem* child = element->Items(i);
            std::unique_ptr<TkqDesignator> target(BuildDesignator(child, script, bmNormal));
            SetBuildPos(child);
            if (target->ValueKind != vkClass && target->ValueKind != vkVariant)
                throw Exception(SClassRequired);
            const String name = NewWithName(script);
            auto* variable = new TkqVariable(name, target->TypeName, target->ValueKind);
            script->Add(name, variable);
            auto statement = std::make_unique<TkqWithStmt>(script, element->Prop("pos"), CurrentUnit);
            statement->WithVariable = variable;
            statement->Target = std::move(target);
            TkqWithStmt* with = statement.get();
            AddStatement(statement.release(), list);
            WithList->AddObject(name, with);
        }
        if (element->Count() > 0) BuildStatement(element->Items(element->Count() - 1), script, list);
    } catch (...) {
        while (WithList->GetCount() > before)
            WithList->Delete(WithList->GetCount() - 1);
        throw;
    }
    while (WithList->GetCount() > before)
        WithList->Delete(WithList->GetCount() - 1);
}

void TkqILParser::BuildDelete(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    auto statement = std::make_unique<TkqCallStmt>(script, element->Prop("pos"), CurrentUnit);
    statement->Target.reset(BuildDesignator(element->Items(0), script, bmDestructor));
    AddStatement(statement.release(), list);
}

// ---- Declarations --------------------------------------------------------------------------------

void TkqILParser::DeclareVariables(TkqXMLItem* element, TkqScript* script, TkqStatement* list) {
    for (Integer i = 0; i < element->Count(); ++i) {
        TkqXMLItem* child = element->Items(i);
        SetBuildPos(child);
        if (!SameText(child->Name, "ident")) continue;
        const String name = child->Prop("text");
        CheckNotDeclared(script, name);
        TkqCustomVariable* variable = CreateVariable(element, script, false, false, list, name);
        script->Add(name, variable);
    }
}

TkqCustomVariable* TkqILParser::CreateVariable(TkqXMLItem* element, TkqScript* script, bool isVarParam,
                                               bool isParam, TkqStatement* list, const String& name) {
    const String declPos = BuildErrorPos;
    String typeName = "Variant";
    const Integer typeAt = element->Find("type");
    const bool shared = typeAt > 0;
    if (typeAt >= 0) {
        typeName = element->Items(typeAt)->Prop("text");
        SetBuildPos(element->Items(typeAt));
    }
    TkqValueKind kind = TypeKindOf(typeName);
    const TkqValueKind declaredKind = kind;
    Variant initial = Null();
    switch (kind) {
    case vkBoolean:
        initial = false;
        break;
    case vkChar:
    case vkString:
        initial = String();
        break;
    case vkInteger:
    case vkFloat:
    case vkClass:
        initial = 0;
        break;
    default:
        break;
    }

    TkqArrayHelper* helper = nullptr;
    TkqXMLItem* init = nullptr;
    Integer identAt = -1;
    for (Integer i = 0; i < element->Count(); ++i)
        if (SameText(element->Items(i)->Prop("text"), name)) {
            identAt = i;
            break;
        }
    for (Integer i = identAt + 1; identAt >= 0 && i < element->Count(); ++i) {
        TkqXMLItem* child = element->Items(i);
        if (!shared && SameText(child->Name, "ident")) break;
        if (SameText(child->Name, "array")) {
            SetBuildPos(child);
            std::vector<Integer> bounds;
            for (Integer d = 0; d < child->Count(); ++d) {
                TkqXMLItem* dim = child->Items(d);
                if (!SameText(dim->Name, "dim")) continue;
                std::vector<Integer> values;
                for (Integer e = 0; e < dim->Count(); ++e) {
                    if (!SameText(dim->Items(e)->Name, "expr")) continue;
                    std::unique_ptr<TkqExpression> expression(BuildExpression(dim->Items(e), script));
                    values.push_back(expression->GetValue().AsInteger());
                }
                if (values.size() == 1) {
                    bounds.push_back(0);
                    bounds.push_back(values[0] - 1);
                } else if (values.size() >= 2) {
                    bounds.push_back(values[0]);
                    bounds.push_back(values[1]);
                }
            }
            if (bounds.empty()) bounds = {0, 0};
            initial = VarArrayCreate(bounds, varVariant);
            helper = new TkqArrayHelper("", typeName, kind, Integer(bounds.size() / 2));
            script->Add("", helper);
            kind = vkArray;
        } else if (SameText(child->Name, "init")) {
            init = child;
        }
    }

    TkqXMLItem* initExpr = nullptr;
    if (init != nullptr) {
        const Integer at = init->Find("expr");
        if (at >= 0) initExpr = init->Items(at);
    }
    if (initExpr != nullptr && list == nullptr) {
        std::unique_ptr<TkqExpression> expression(BuildExpression(initExpr, script));
        initial = expression->GetValue();
        TkqVariable probe("", typeName, declaredKind);
        CheckAssignable(&probe, expression.get());
    }

    std::unique_ptr<TkqCustomVariable> symbol;
    if (isParam)
        symbol = std::make_unique<TkqParamItem>(name, isVarParam, init != nullptr, typeName, kind);
    else if (kind == vkChar || kind == vkString)
        symbol = std::make_unique<TkqStringVariable>(name, typeName, kind);
    else
        symbol = std::make_unique<TkqVariable>(name, typeName, kind);
    symbol->SetValue(initial);
    symbol->LinkedSymbol = helper;
    symbol->DeclPos = declPos;
    symbol->DeclUnit = CurrentUnit;

    if (initExpr != nullptr && list != nullptr) {
        auto statement = std::make_unique<TkqAssignmentStmt>(script, element->Prop("pos"), CurrentUnit);
        auto* general = new TkqDesignator(script);
        auto* item = new TkqDesignatorItem();
        item->Symbol = symbol.get();
        item->ItemPos = declPos;
        general->Add(item);
        statement->Target.reset(MakeFastDesignator(general));
        statement->Source.reset(BuildExpression(initExpr, script));
        CheckAssignable(statement->Target.get(), statement->Source.get());
        statement->ResolveShortcuts();
        list->Add(statement.release());
    }
    return symbol.release();
}

void TkqILParser::DeclareConstant(TkqXMLItem* element, TkqScript* script) {
    if (element->Count() < 2) throw Exception(SExpressionExpected);
    SetBuildPos(element->Items(0));
    const String name = element->Items(0)->Prop("text");
    CheckNotDeclared(script, name);
    std::unique_ptr<TkqExpression> expression(BuildExpression(element->Items(1), script));
    auto constant = std::make_unique<TkqVariable>(name, expression->TypeName, expression->ValueKind);
    constant->SetValue(expression->GetValue());
    constant->IsReadOnly = true;
    constant->DeclPos = element->Items(0)->Prop("pos");
    constant->DeclUnit = CurrentUnit;
    script->Add(name, constant.release());
}

void TkqILParser::DeclareProcedureHeader(TkqXMLItem* element, TkqScript* script) {
    if (element->Count() == 0) return;
    SetBuildPos(element->Items(0));
    const String name = element->Items(0)->Prop("text");
    CheckNotDeclared(script, name);
    auto* proc = new TkqProcVariable(name, "", vkInteger, false, script);
    proc->DeclPos = element->Prop("pos");
    proc->DeclUnit = CurrentUnit;
    script->Add(name, proc);
    for (Integer i = 0; i < element->Count(); ++i)
        if (SameText(element->Items(i)->Name, "parameters")) DeclareParameters(element->Items(i), proc);
}

void TkqILParser::DeclareFunctionHeader(TkqXMLItem* element, TkqScript* script) {
    TkqValueKind kind = vkVariant;
    String typeName;
    String name;
    for (Integer i = 0; i < element->Count(); ++i) {
        TkqXMLItem* child = element->Items(i);
        SetBuildPos(child);
        if (SameText(child->Name, "type")) {
            typeName = child->Prop("text");
            kind = SameText(typeName, "void") ? vkVariant : TypeKindOf(typeName);
        } else if (SameText(child->Name, "name")) {
            name = child->Prop("text");
            CheckNotDeclared(script, name);
        }
    }
    auto* proc = new TkqProcVariable(name, typeName, kind, !SameText(typeName, "void"), script);
    proc->DeclPos = element->Prop("pos");
    proc->DeclUnit = CurrentUnit;
    script->Add(name, proc);
    for (Integer i = 0; i < element->Count(); ++i)
        if (SameText(element->Items(i)->Name, "parameters")) DeclareParameters(element->Items(i), proc);
}

void TkqILParser::DeclareParameters(TkqXMLItem* element, TkqProcVariable* proc) {
    if (!SameText(element->Name, "parameters")) return;
    bool byReference = false;
    for (Integer i = 0; i < element->Count(); ++i) {
        TkqXMLItem* group = element->Items(i);
        if (SameText(group->Name, "varparams")) {
            byReference = true;
            continue;
        }
        if (!SameText(group->Name, "var")) continue;
        bool single = false;
        for (Integer j = 0; j < group->Count(); ++j) {
            TkqXMLItem* child = group->Items(j);
            SetBuildPos(child);
            if (SameText(child->Name, "varparam")) {
                single = true;
            } else if (SameText(child->Name, "ident")) {
                const String name = child->Prop("text");
                CheckNotDeclared(proc->LocalScript, name);
                auto* param = static_cast<TkqParamItem*>(
                    CreateVariable(group, proc->LocalScript, byReference || single, true, nullptr, name));
                param->DefValue = param->Value;
                proc->Add(param);
                proc->LocalScript->Add(name, param);
                single = false;
            }
        }
        byReference = false;
    }
}

void TkqILParser::BuildProcedureBody(TkqXMLItem* element, TkqScript* script, const String& name) {
    auto* proc = dynamic_cast<TkqProcVariable*>(FindVariable(script, name));
    if (proc == nullptr) throw Exception(SIdUndeclared + Quoted(name));
    // The loops around a procedure declared in a block are not the procedure's.
    const Integer loops = std::exchange(FLoopDepth, 0);
    const Integer cases = std::exchange(FCaseDepth, 0);
    try {
        BuildBlock(element, proc->LocalScript);
    } catch (...) {
        FLoopDepth = loops;
        FCaseDepth = cases;
        throw;
    }
    FLoopDepth = loops;
    FCaseDepth = cases;
}

void TkqILParser::BuildUses(TkqXMLItem* element, TkqScript* script) {
    const String saved = CurrentUnit;
    CurrentUnit = element->Prop("unit");
    String ilText;
    if (Script->OnGetILUnit.Assigned()) Script->OnGetILUnit(Script, CurrentUnit, ilText);
    if (!ilText.empty()) {
        auto document = std::make_unique<TkqXMLDocument>();
        TStringStream stream(ilText);
        document->LoadFromStream(&stream);
        BuildBlock(document->Root, script);
    } else {
        for (Integer i = 0; i < element->Count(); ++i)
            BuildBlock(element->Items(i), script);
    }
    CurrentUnit = saved;
}

// ---- Helpers -------------------------------------------------------------------------------------

TkqValueKind TkqILParser::TypeKindOf(const String& name) {
    String typeName = name;
    bool found = false;
    if (ProgramElement != nullptr) {
        TkqXMLItem* types = ProgramElement->FindItem("types");
        for (Integer i = 0; i < types->Count(); ++i)
            if (SameText(types->Items(i)->Name, name)) {
                typeName = types->Items(i)->Prop("type");
                found = true;
                break;
            }
    }
    if (!found && GrammarRoot != nullptr) {
        const Integer at = GrammarRoot->Find("types");
        TkqXMLItem* types = at >= 0 ? GrammarRoot->Items(at) : nullptr;
        for (Integer i = 0; types != nullptr && i < types->Count(); ++i)
            if (SameText(types->Items(i)->Name, name)) {
                typeName = types->Items(i)->Prop("type");
                break;
            }
    }
    const TkqValueKind kind = KindOfTypeName(typeName, Script);
    if (kind == vkClass) FindClassOrFail(typeName);
    return kind;
}

TkqCustomVariable* TkqILParser::FindVariable(TkqScript* script, const String& name) {
    TkqCustomVariable* symbol = script->Find(name);
    if (symbol != nullptr) return symbol;
    if (DeclarationsRequired) throw Exception(SIdUndeclared + Quoted(name));
    auto* variable = new TkqVariable(name, "", vkVariant);
    variable->DeclPos = BuildErrorPos;
    variable->DeclUnit = CurrentUnit;
    Script->Add(name, variable);
    return variable;
}

TkqClassVariable* TkqILParser::FindClassOrFail(const String& name) {
    TkqClassVariable* found = Script->FindClass(name);
    if (found == nullptr) throw Exception(SUnknownType + Quoted(name));
    return found;
}

void TkqILParser::CheckNotDeclared(TkqScript* script, const String& name) {
    if (script->FindLocal(name) != nullptr) throw Exception(SIdRedeclared + Quoted(name));
}

void TkqILParser::CheckAssignable(TkqCustomVariable* target, TkqCustomVariable* value) {
    if (!AssignCompatible(target, value, Script))
        throw Exception(SIncompatibleTypes + ": " + Quoted(target->KindText()) + ", " +
                        Quoted(value->KindText()));
}

// ---- Expressions and designators -----------------------------------------------------------------

String TkqILParser::SourceTextOf(TkqXMLItem* element) {
    const String from = element->Prop("pos");
    const String to = element->Prop("pos1");
    if (from.empty() || to.empty()) return String();
    TkqParser* lexer = Lexer.get();
    if (!CurrentUnit.empty()) {
        // A unit's expressions take their text from the unit.
        if (FUnitLexer == nullptr || !SameText(FUnitLexerName, CurrentUnit)) {
            FUnitLexer.reset();
            for (const auto& [unitName, text] : UnitTexts)
                if (SameText(unitName, CurrentUnit)) {
                    FUnitLexer = std::make_unique<TkqParser>();
                    FUnitLexer->SetText(text);
                    FUnitLexerName = CurrentUnit;
                    break;
                }
        }
        lexer = FUnitLexer.get();
    }
    if (lexer == nullptr) return String();
    Integer line0 = 0, column0 = 0, line1 = 0, column1 = 0;
    try {
        ParsePos(from, line0, column0);
        ParsePos(to, line1, column1);
    } catch (const Exception&) {
        return String();
    }
    const Integer p0 = lexer->PositionOf(column0, line0);
    const Integer p1 = lexer->PositionOf(column1, line1);
    const String& text = lexer->GetText();
    if (p0 < 1 || p1 < p0 || p0 > Integer(text.size()) + 1) return String();
    return text.substr(std::size_t(p0) - 1,
                       std::size_t(std::min<Integer>(p1, Integer(text.size()) + 1) - p0));
}

TkqExpression* TkqILParser::BuildExpression(TkqXMLItem* element, TkqScript* script) {
    auto expression = std::make_unique<TkqExpression>(script);
    SetBuildPos(element);
    expression->DeclPos = BuildErrorPos;
    const String startPos = BuildErrorPos;
    // Nested expressions are walked into the same tree, without recursion.
    std::vector<std::pair<TkqXMLItem*, Integer>> stack{{element, 0}};
    while (!stack.empty()) {
        auto& [current, index] = stack.back();
        if (index >= current->Count()) {
            stack.pop_back();
            continue;
        }
        TkqXMLItem* child = current->Items(index++);
        SetBuildPos(child);
        expression->DeclPos = BuildErrorPos;
        const String name = Lower(child->Name);
        if (name == "op") {
            expression->AddOperator(Lower(child->Prop("text")));
        } else if (name == "number") {
            expression->AddConstOperand(ParseLiteral(child->Prop("text")));
        } else if (name == "string") {
            expression->AddConstOperand(ParseLiteral(child->Prop("text")));
        } else if (name == "dsgn") {
            expression->AddDesignator(BuildDesignator(child, script, bmNormal));
        } else if (name == "set") {
            expression->AddSet(BuildSet(child, script));
        } else if (name == "new") {
            const Integer at = child->Find("dsgn");
            if (at < 0) throw Exception(SClassRequired);
            expression->AddDesignator(BuildDesignator(child->Items(at), script, bmConstructor));
        } else if (name == "expr") {
            stack.emplace_back(child, 0);
        }
    }
    expression->SourceText = SourceTextOf(element);
    String errorPos;
    expression->Finalize(errorPos);
    if (!errorPos.empty()) {
        const String missing = expression->Root == nullptr ? startPos : MissingOperandPos(expression->Root);
        if (!missing.empty()) {
            BuildErrorPos = missing;
            throw Exception(SExpressionExpected);
        }
        BuildErrorPos = errorPos;
        throw Exception(SIncompatibleTypes);
    }
    expression->DeclPos = startPos;
    return expression.release();
}

TkqSetExpression* TkqILParser::BuildSet(TkqXMLItem* element, TkqScript* script) {
    auto set = std::make_unique<TkqSetExpression>();
    SetBuildPos(element);
    for (Integer i = 0; i < element->Count(); ++i) {
        TkqXMLItem* child = element->Items(i);
        if (SameText(child->Name, "expr"))
            set->Add(BuildExpression(child, script));
        else if (SameText(child->Name, "range"))
            set->Add(nullptr);
    }
    return set.release();
}

bool TkqILParser::ResolveWith(const String& name, TkqXMLItem* element, TkqDesignator* designator,
                              TkqDesignatorItem* item, TkqScript* script) {
    for (Integer i = WithList->GetCount() - 1; i >= 0; --i) {
        TkqCustomVariable* with = script->FindLocal(WithList->GetStrings(i));
        if (with == nullptr) continue;
        if (with->ValueKind == vkVariant) {
            if (script->Find(name) != nullptr) return false;
            item->Symbol = with;
            designator->Classify();
            auto source = std::make_unique<TkqXMLItem>();
            source->Assign(element);
            source->InsertItem(0, NewToken("node", with->Name, item->ItemPos));
            designator->PendingSource = source.release();
            return true;
        }
        TkqClassVariable* classVar = FindClassOrFail(with->TypeName);
        TkqCustomVariable* member = classVar->FindMember(name);
        if (member != nullptr) {
            auto* first = new TkqDesignatorItem();
            first->Symbol = with;
            first->ItemPos = item->ItemPos;
            designator->Remove(item);
            designator->Add(first);
            designator->Add(item);
            item->Symbol = member;
            return true;
        }
    }
    return false;
}

void TkqILParser::BuildAutomationChain(TkqXMLItem* element, Integer from, TkqDesignator* designator,
                                       TkqScript* script) {
    for (Integer i = from; i < element->Count(); ++i) {
        TkqXMLItem* child = element->Items(i);
        SetBuildPos(child);
        if (SameText(child->Name, "node")) {
            const String text = child->Prop("text");
            if (text == "[") continue;
            auto* helper = new TkqOLEHelper(text);
            script->Add("", helper);
            auto* item = new TkqDesignatorItem();
            item->Symbol = helper;
            item->ItemPos = BuildErrorPos;
            designator->Add(item);
        } else if (SameText(child->Name, "expr")) {
            TkqDesignatorItem* last = designator->Item(designator->Count() - 1);
            if (last->Count() >= TkqOLEHelper::MaxArguments) throw Exception(STooManyParams);
            last->Add(BuildExpression(child, script));
            last->Symbol->Add(new TkqParamItem("", false, false, "", vkVariant));
        }
    }
}

TkqDesignator* TkqILParser::BuildDesignator(TkqXMLItem* element, TkqScript* script, TBuildMode mode) {
    auto designator = std::make_unique<TkqDesignator>(script);
    SetBuildPos(element);
    if (ScriptStackLow()) throw Exception(SNestingTooDeep);
    for (Integer c = 0; c < element->Count(); ++c) {
        TkqXMLItem* child = element->Items(c);
        SetBuildPos(child);
        const String kind = Lower(child->Name);
        if (kind == "expr") {
            if (designator->Count() == 0) throw Exception(SVarRequired);
            TkqDesignatorItem* last = designator->Item(designator->Count() - 1);
            last->Add(BuildExpression(child, script));
            continue;
        }
        if (kind == "addr") {
            if (element->Count() != 2 || c != 0) throw Exception(SVarRequired);
            auto* text = new TkqStringVariable("", "", vkString);
            text->SetValue(element->Items(1)->Prop("text"));
            script->Add("", text);
            auto* item = new TkqDesignatorItem();
            item->Symbol = text;
            item->ItemPos = BuildErrorPos;
            designator->Add(item);
            break;
        }
        if (kind != "node") continue;
        const String text = child->Prop("text");
        auto* item = new TkqDesignatorItem();
        item->ItemPos = BuildErrorPos;
        designator->Add(item);

        if (designator->Count() == 1) {
            if (!ResolveWith(text, element, designator.get(), item, script))
                item->Symbol = FindVariable(script, text);
            else if (designator->PendingSource != nullptr)
                return designator.release();
            if (mode == bmConstructor) {
                auto* classVar = dynamic_cast<TkqClassVariable*>(item->Symbol);
                if (classVar == nullptr) throw Exception(SClassRequired);
                TkqCustomVariable* create = classVar->FindMember("Create");
                if (create == nullptr) throw Exception(SIdUndeclared + Quoted("Create"));
                auto* second = new TkqDesignatorItem();
                second->Symbol = create;
                second->ItemPos = BuildErrorPos;
                designator->Add(second);
            }
            continue;
        }

        TkqDesignatorItem* previous = designator->Item(designator->Count() - 2);
        TkqCustomVariable* symbol = previous->Symbol;
        auto* method = dynamic_cast<TkqMethodHelper*>(symbol);
        const bool openIndex = method != nullptr && method->IsIndexProperty && !previous->IndexConsumed;
        TkqValueKind valueKind = symbol->ValueKind;

        if (valueKind == vkVariant && !openIndex) {
            // Only plain variables and parameters are read; anything else is resolved when it runs.
            Variant value = Null();
            if (dynamic_cast<TkqVariable*>(symbol) != nullptr || dynamic_cast<TkqParamItem*>(symbol) != nullptr)
                value = symbol->GetValue();
            if (VarIsNull(value) || VarIsEmpty(value)) {
                designator->Remove(item);
                delete item;
                designator->Classify();
                auto source = std::make_unique<TkqXMLItem>();
                source->Assign(element);
                designator->PendingSource = source.release();
                return designator.release();
            }
            const TVarType type = VarType(value);
            if (VarIsStr(value)) {
                valueKind = vkString;
            } else if (type == varDispatch || type == varUnknown) {
                designator->Remove(item);
                delete item;
                BuildAutomationChain(element, c, designator.get(), script);
                designator->Classify();
                return designator.release();
            } else if (VarIsArray(value)) {
                if (text != "[") throw Exception(SIndexRequired);
                item->Symbol = FindVariable(script, "__ArrayHelper");
                continue;
            } else {
                TObject* object = nullptr;
                if (type == varInteger || type == varInt64 || type == varByte || type == varSmallint ||
                    type == varShortInt || type == varWord || type == varLongWord)
                    object = VariantToObject(value);
                if (object == nullptr) throw Exception(SClassRequired);
                symbol->TypeName = object->ClassName();
                valueKind = vkClass;
            }
        }

        if (openIndex) {
            previous->IndexConsumed = true;
            designator->Remove(item);
            delete item;
            BuildErrorPos = previous->ItemPos;
            if (text != "[") throw Exception(SIndexRequired);
        } else if (valueKind == vkString) {
            if (text != "[") throw Exception(SStringError);
            item->Symbol = FindVariable(script, "__StringHelper");
        } else if (valueKind == vkClass) {
            TkqClassVariable* classVar = FindClassOrFail(symbol->TypeName);
            if (text == "[") {
                item->IndexConsumed = true;
                item->Symbol = classVar->DefaultProperty;
                if (item->Symbol == nullptr) throw Exception(Format(SClassError, {symbol->TypeName}));
            } else {
                item->Symbol = classVar->FindMember(text);
                if (item->Symbol == nullptr) throw Exception(SIdUndeclared + Quoted(text));
            }
        } else if (valueKind == vkArray) {
            item->Symbol = symbol->LinkedSymbol;
            if (item->Symbol == nullptr) throw Exception(SArrayRequired);
        } else {
            throw Exception(SArrayRequired);
        }
    }
    if (designator->Count() == 0) throw Exception(SVarRequired);

    if (mode == bmDestructor) {
        TkqDesignatorItem* last = designator->Item(designator->Count() - 1);
        if (last->Symbol->ValueKind != vkClass && last->Symbol->ValueKind != vkVariant)
            throw Exception(SClassRequired);
        auto* free = new TkqDesignatorItem();
        free->Symbol = FindClassOrFail("TObject")->FindMember("Free");
        if (free->Symbol == nullptr) {
            delete free;
            throw Exception(SIdUndeclared + Quoted("Free"));
        }
        free->ItemPos = last->ItemPos;
        designator->Add(free);
    }

    std::unique_ptr<TkqDesignator> result(MakeFastDesignator(designator.release()));
    CheckArguments(result.get(), script);
    return result.release();
}

void TkqILParser::CheckArguments(TkqDesignator* designator, TkqScript* script) {
    for (Integer i = 0; i < designator->Count(); ++i) {
        TkqDesignatorItem* item = designator->Item(i);
        TkqCustomVariable* symbol = item->Symbol;
        if (symbol == nullptr || dynamic_cast<TkqDesignator*>(symbol) != nullptr) continue;
        BuildErrorPos = item->ItemPos;
        const Integer given = item->Count();
        if (given < symbol->RequiredParamCount()) throw Exception(SNotEnoughParams);
        if (given > symbol->Count()) throw Exception(STooManyParams);
        for (Integer p = given; p < symbol->Count(); ++p) {
            auto* param = dynamic_cast<TkqParamItem*>(symbol->Param(p));
            auto filler = std::make_unique<TkqExpression>(script);
            filler->DeclPos = item->ItemPos;
            filler->AddConstOperand(param != nullptr ? param->DefValue : Variant(Null()));
            String ignored;
            filler->Finalize(ignored);
            item->Add(filler.release());
        }
        for (Integer a = 0; a < given; ++a) {
            TkqCustomExpression* argument = item->Argument(a);
            if (!argument->DeclPos.empty()) BuildErrorPos = argument->DeclPos;
            CheckAssignable(symbol->Param(a), argument);
        }
    }
}

// ---- The script's compile ------------------------------------------------------------------------

bool TkqScript::Compile() {
    LastErrorText.clear();
    TkqDesignator::PendingResolver = &ResolveLateBound;
    TkqILParser parser(this);
    parser.SelectLanguage(FSyntaxType);
    if (parser.TranslateSource(FLines->GetText())) parser.BuildProgram();
    if (!LastErrorText.empty()) return false;
    LastErrorPos.clear();
    return true;
}
