// Builds compiled script pieces by hand for the tests, the way the program builder does:
// designators classified into their fast forms, expressions fed from left to right, and
// statements added to lists.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/runtime/Strings.h"
#include "script/kq_iexpression.h"
#include "script/kq_iinterpreter.h"
#include "script/kq_iparser.h"

namespace scriptbuild {

struct ItemSpec {
    TkqCustomVariable* symbol;
    std::vector<TkqExpression*> args; // owned by the item once built
};

// A designator over the chain of items, classified (pass general = true to keep the walk).
inline TkqDesignator* Path(TkqScript* script, std::initializer_list<ItemSpec> items, bool general = false) {
    auto* designator = new TkqDesignator(script);
    for (const ItemSpec& spec : items) {
        auto* item = new TkqDesignatorItem();
        item->Symbol = spec.symbol;
        for (TkqExpression* arg : spec.args)
            item->Add(arg);
        designator->Add(item);
    }
    if (general) {
        designator->Classify();
        designator->Mode = 0;
        designator->LinkedSymbol = nullptr;
        return designator;
    }
    return MakeFastDesignator(designator);
}

inline TkqDesignator* Ref(TkqScript* script, const String& name) {
    TkqCustomVariable* symbol = script->Find(name);
    if (symbol == nullptr) throw std::runtime_error("no symbol " + name);
    return Path(script, {{symbol, {}}});
}

// An expression fed from a text: numbers, 'strings', True/False, names of symbols (designators
// of one item), and operator texts (symbols, "div", "mod", "and", "or", "xor", "not", "shl",
// "shr", "in", "is", "strcat", "unminus"). "?" stands for the next of `operands`, which the
// expression takes over (designators). The text is kept as SourceText.
inline TkqExpression* Expr(TkqScript* script, const String& text, std::vector<TkqDesignator*> operands = {},
                           bool finalize = true) {
    auto* expression = new TkqExpression(script);
    expression->SourceText = text;
    TkqParser lexer;
    lexer.SetText(text);
    std::size_t next = 0;
    static const char* const words[] = {"div", "mod", "and", "or", "xor",    "not",
                                        "shl", "shr", "in",  "is", "strcat", "unminus"};
    for (;;) {
        lexer.SkipSpaces();
        expression->DeclPos = lexer.GetPositionText();
        if (lexer.GetPosition() > lexer.GetSize()) break;
        String token = lexer.GetNumber();
        if (!token.empty()) {
            expression->AddConstOperand(ParseLiteral(token));
            continue;
        }
        token = lexer.GetString();
        if (!token.empty()) {
            expression->AddConstOperand(token.substr(1, token.size() - 2));
            continue;
        }
        token = lexer.GetWord();
        if (!token.empty()) {
            bool isOperator = false;
            for (const char* word : words)
                isOperator = isOperator || SameText(token, word);
            if (isOperator)
                expression->AddOperator(LowerCase(token));
            else if (SameText(token, "True") || SameText(token, "False"))
                expression->AddConstOperand(Variant(SameText(token, "True")));
            else
                expression->AddDesignator(Ref(script, token));
            continue;
        }
        token = lexer.GetChar();
        if (token == "?") {
            expression->AddDesignator(operands.at(next++));
            continue;
        }
        if ((token == "<" || token == ">") &&
            (lexer.GetText()[std::size_t(lexer.GetPosition()) - 1] == '=' ||
             (token == "<" && lexer.GetText()[std::size_t(lexer.GetPosition()) - 1] == '>')))
            token += lexer.GetChar();
        if (token.empty()) throw std::runtime_error("cannot read " + text);
        expression->AddOperator(token);
    }
    if (finalize) {
        String errorPos;
        expression->Finalize(errorPos);
        if (!errorPos.empty()) throw std::runtime_error("misfit at " + errorPos + " in " + text);
    }
    return expression;
}

inline TkqVariable* Var(TkqScript* script, const String& name, TkqValueKind kind, const Variant& value,
                        const String& typeName = "") {
    auto* variable = new TkqVariable(name, typeName, kind);
    variable->Value = value;
    script->Add(name, variable);
    return variable;
}

inline TkqAssignmentStmt* Assign(TkqStatement* list, const String& target, const String& source) {
    TkqScript* script = list->OwnerScript;
    auto* statement = new TkqAssignmentStmt(script, "", "");
    statement->Target.reset(Ref(script, target));
    statement->Source.reset(Expr(script, source));
    statement->ResolveShortcuts();
    list->Add(statement);
    return statement;
}

// A statement that runs a C++ action after the run-line notice, as compiled statements do.
class TActionStmt : public TkqStatement {
public:
    TActionStmt(TkqScript* script, const String& pos, std::function<void()> action)
        : TkqStatement(script, pos, ""), FAction(std::move(action)) {}
    void Execute() override {
        NotifyRunLine();
        if (OwnerScript->TerminatePending) return;
        FAction();
    }

private:
    std::function<void()> FAction;
};

inline TActionStmt* Act(TkqStatement* list, std::function<void()> action, const String& pos = "") {
    auto* statement = new TActionStmt(list->OwnerScript, pos, std::move(action));
    list->Add(statement);
    return statement;
}

// A procedure declared in `script` with Variant parameters, as the program builder makes it.
inline TkqProcVariable* Proc(TkqScript* script, const String& name, bool isFunction,
                             std::initializer_list<const char*> params, bool varParams = false) {
    auto* proc = new TkqProcVariable(name, isFunction ? "Variant" : "", vkVariant, isFunction, script);
    for (const char* paramName : params) {
        auto* param = new TkqParamItem(paramName, varParams, false, "Variant", vkVariant);
        proc->Add(param);
        proc->LocalScript->Add(paramName, param);
    }
    script->Add(name, proc);
    return proc;
}

// Frees the entry at an index of a list.
inline void DeleteAt(TkqItemList* list, Integer index) {
    TObject* entry = list->Items(index);
    list->Remove(entry);
    delete entry;
}

template <class T> T* AddStmt(TkqStatement* list, const String& pos = "") {
    auto* statement = new T(list->OwnerScript, pos, "");
    list->Add(statement);
    return statement;
}

} // namespace scriptbuild
