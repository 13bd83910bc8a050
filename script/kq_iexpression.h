// Expressions, set literals and designators: the compiled form of values and access paths.
//
// An expression is a tree of nodes that the program builder feeds from left to right (operand,
// operator text, operand, ...); the expression places each operator by priority. Finalize infers
// the static kind, checks the operand kinds of every operator and marks the operators whose
// operands are both integers or both Booleans (native integer arithmetic, short-circuit).
// A designator is a chain of items (a.b[c].d(e)) walked from left to right, each item handing
// its value and symbol to the next.
#pragma once

#include <vector>

#include "script/kq_iinterpreter.h"
#include "script/kq_itools.h"

class TkqXMLItem;
class TkqDesignator;
class TkqSetExpression;

// ---- Expression nodes ----------------------------------------------------------------------------

enum TkqOperatorKind {
    okNone,
    okGreater,
    okLess,
    okLessOrEqual,
    okGreaterOrEqual,
    okNotEqual,
    okEqual,
    okPlus,
    okMinus,
    okOr,
    okXor,
    okMultiply,
    okDivide,
    okIntDivide,
    okModulo,
    okAnd,
    okShiftLeft,
    okShiftRight,
    okOpenBracket,
    okCloseBracket,
    okNot,
    okNegate,
    okIn,
    okIs
};

class TkqExpressionNode : public TkqCustomVariable {
    KOV_CLASS(TkqExpressionNode, TkqCustomVariable)
public:
    TkqExpressionNode();
    ~TkqExpressionNode() override;

    // A lower priority binds tighter.
    virtual Integer Priority() const = 0;

    TkqExpressionNode* Left = nullptr;  // owned
    TkqExpressionNode* Right = nullptr; // owned
    TkqExpressionNode* ParentNode = nullptr;
};

// A constant held in Value.
class TkqOperandNode : public TkqExpressionNode {
    KOV_CLASS(TkqOperandNode, TkqExpressionNode)
public:
    // The kind follows the Variant's type: Boolean, float (single, double, currency), string,
    // and integer for everything else (dates and Null included).
    explicit TkqOperandNode(const Variant& value);
    Integer Priority() const override { return 0; }
};

class TkqDesignatorNode : public TkqOperandNode {
    KOV_CLASS(TkqDesignatorNode, TkqOperandNode)
public:
    // Takes the designator's kind and type name; owns it.
    explicit TkqDesignatorNode(TkqDesignator* designator);
    ~TkqDesignatorNode() override;
    Variant GetValue() override;

    TkqDesignator* Designator;
    // The variable itself for a single-variable designator, else the designator.
    TkqCustomVariable* ValueSource;
};

class TkqSetNode : public TkqOperandNode {
    KOV_CLASS(TkqSetNode, TkqOperandNode)
public:
    explicit TkqSetNode(TkqSetExpression* setExpr);
    ~TkqSetNode() override;
    // The set's Variant array.
    Variant GetValue() override;

    TkqSetExpression* SetExpr; // owned
};

class TkqOperatorNode : public TkqExpressionNode {
    KOV_CLASS(TkqOperatorNode, TkqExpressionNode)
public:
    explicit TkqOperatorNode(TkqOperatorKind op) : Op(op) {}

    // The value of the operator for the value of its left operand, already computed; the
    // right operand is evaluated here.
    virtual Variant Apply(const Variant& left) = 0;

    TkqOperatorKind Op;
    bool IntegerOnly = false;
    bool BooleanOnly = false;
    // The node heads a chain of left operands long enough to be walked in a loop rather than
    // by recursion (a + b + c + ... nests one operator per term); Finalize sets it.
    bool LongChain = false;

protected:
    // The operands; raise for a node that lacks one (Finalize reports such a node).
    TkqExpressionNode* LeftOperand() const;
    TkqExpressionNode* RightOperand() const;
    // The value of a long chain headed by this node.
    Variant ChainValue();
};

#define KQ_OPERATOR_NODE(Name, Kind, Prio)                                                                   \
    class Name : public TkqOperatorNode {                                                                    \
        KOV_CLASS(Name, TkqOperatorNode)                                                                     \
    public:                                                                                                  \
        Name() : TkqOperatorNode(Kind) {}                                                                    \
        Integer Priority() const override { return Prio; }                                                   \
        Variant GetValue() override;                                                                         \
        Variant Apply(const Variant& left) override;                                                         \
                                                                                                             \
    private:                                                                                                 \
        /* The operator's work, inlined into both entries. */                                                \
        [[gnu::always_inline]] inline Variant Compute(const Variant& left);                                  \
    }

KQ_OPERATOR_NODE(TNoneNode, okNone, 7);
KQ_OPERATOR_NODE(TGreatNode, okGreater, 4);
KQ_OPERATOR_NODE(TLessNode, okLess, 4);
KQ_OPERATOR_NODE(TLessEqNode, okLessOrEqual, 4);
KQ_OPERATOR_NODE(TGreatEqNode, okGreaterOrEqual, 4);
KQ_OPERATOR_NODE(TNonEqNode, okNotEqual, 4);
KQ_OPERATOR_NODE(TEqNode, okEqual, 4);
KQ_OPERATOR_NODE(TPlusNode, okPlus, 3);
KQ_OPERATOR_NODE(TStrCatNode, okPlus, 3);
KQ_OPERATOR_NODE(TMinusNode, okMinus, 3);
KQ_OPERATOR_NODE(TOrNode, okOr, 3);
KQ_OPERATOR_NODE(TXorNode, okXor, 3);
KQ_OPERATOR_NODE(TMulNode, okMultiply, 2);
KQ_OPERATOR_NODE(TDivFloatNode, okDivide, 2);
KQ_OPERATOR_NODE(TDivIntNode, okIntDivide, 2);
KQ_OPERATOR_NODE(TModNode, okModulo, 2);
KQ_OPERATOR_NODE(TAndNode, okAnd, 2);
KQ_OPERATOR_NODE(TShlNode, okShiftLeft, 2);
KQ_OPERATOR_NODE(TShrNode, okShiftRight, 2);
KQ_OPERATOR_NODE(TLeftBracketNode, okOpenBracket, 6);
KQ_OPERATOR_NODE(TRightBracketNode, okCloseBracket, 5);
KQ_OPERATOR_NODE(TNotNode, okNot, 1);
KQ_OPERATOR_NODE(TUnMinusNode, okNegate, 1);
KQ_OPERATOR_NODE(TIsNode, okIs, 4);

#undef KQ_OPERATOR_NODE

// `in` reads its right operand before its left one, unless the right one is a set literal.
class TInNode : public TkqOperatorNode {
    KOV_CLASS(TInNode, TkqOperatorNode)
public:
    TInNode() : TkqOperatorNode(okIn) {}
    Integer Priority() const override { return 4; }
    Variant GetValue() override;
    Variant Apply(const Variant& left) override;
};

// The node for an operator text (any case: "+", "div", "STRCAT", "unminus", ...); nullptr for
// any other text.
TkqOperatorNode* CreateOperatorNode(const String& text);

// ---- Set literals --------------------------------------------------------------------------------

// The element expressions of a set literal or of one case branch; a range lo..hi is stored as
// three entries: lo, nullptr (the range marker), hi.
class TkqSetExpression : public TkqCustomVariable {
    KOV_CLASS(TkqSetExpression, TkqCustomVariable)
public:
    TkqSetExpression();

    TkqCustomVariable* Item(Integer index) const;
    // A Variant array of the elements' values, Null for each range marker.
    Variant GetValue() override;
    // The entries in order; a range evaluates its upper end only when the value reaches its
    // lower end. Later entries are not evaluated after a match.
    bool Contains(const Variant& value);
};

// ---- Expressions ---------------------------------------------------------------------------------

class TkqCustomExpression : public TkqCustomVariable {
    KOV_CLASS(TkqCustomExpression, TkqCustomVariable)
public:
    TkqCustomExpression() : TkqCustomVariable("", "", vkVariant) {}
};

class TkqExpression : public TkqCustomExpression {
    KOV_CLASS(TkqExpression, TkqCustomExpression)
public:
    explicit TkqExpression(TkqScript* script);
    ~TkqExpression() override;

    // Operands; each copies DeclPos. The expression owns the designator or set.
    void AddConstOperand(const Variant& value);
    void AddDesignator(TkqDesignator* designator);
    void AddSet(TkqSetExpression* setExpr);
    void AddNode(TkqExpressionNode* node);
    // Places the operator by priority; "(", "not" and "unminus" hang below Current like operands.
    void AddOperator(const String& text);
    // Completes the tree and infers its kind. `errorPos` receives the position of the first
    // operator whose operands do not fit, or that lacks an operand; empty when all is well.
    void Finalize(String& errorPos);

    Variant GetValue() override;
    // Assigns through the designator at the root; ignored for anything that cannot be assigned.
    void SetValue(const Variant& value) override;

    // For `target := target op ...`: reduces the tree to the other operand and gives "+", "-",
    // "*" or "/"; a blank when the assignment is no self-operation.
    void SplitSelfOperation(TkqDesignator* target, String& opText);

    TkqExpressionNode* Current = nullptr;
    TkqExpressionNode* Root = nullptr; // owned
    TkqScript* Script;
    String SourceText;

private:
    bool LinkOrDrop(TkqExpressionNode* parent, TkqExpressionNode* child);
    void NoteBuildError();
    // Marks the long chains of the complete tree and notes the stack its evaluation needs.
    void PlanEvaluation();

    String FBuildErrorPos;
    std::size_t FStackNeed = 0;
};

// The node or variable an assignment reads directly: the variable of a single-variable
// designator, the designator, or a constant operand node; nullptr when the root is an operator.
TkqCustomVariable* LoneOperand(TkqExpression* expression);

// Puts the child into the parent's first free slot (Left, else Right); false when both are
// taken. UnlinkChild clears the parent's slot that holds the child.
bool LinkChild(TkqExpressionNode* parent, TkqExpressionNode* child);
void UnlinkChild(TkqExpressionNode* parent, TkqExpressionNode* child);

// The static tag of a node (and its subtree); records the first misfit's position in errorPos.
TkqTypeTag InferNodeType(TkqExpressionNode* node, TkqScript* script, String& errorPos);

// ---- Designators ---------------------------------------------------------------------------------

// One link of a designator: the symbol it names and, as entries, its argument expressions.
class TkqDesignatorItem : public TkqItemList {
    KOV_CLASS(TkqDesignatorItem, TkqItemList)
public:
    TkqDesignatorItem() = default;
    TkqCustomExpression* Argument(Integer index) const;

    bool IndexConsumed = false;
    TkqCustomVariable* Symbol = nullptr; // not owned
    String ItemPos;
    // Whether the arguments may be lent to the symbol's parameters: -1 until the first call.
    signed char Lending = -1;
};

class TkqDesignator : public TkqCustomVariable {
    KOV_CLASS(TkqDesignator, TkqCustomVariable)
public:
    explicit TkqDesignator(TkqScript* script);
    ~TkqDesignator() override;

    TkqDesignatorItem* Item(Integer index) const;
    // Sets kind, type name, read-only mark and the fast form from the complete items.
    void Classify();
    // Exchanges the item lists and copies the classification from `other`.
    void TakeOver(TkqDesignator* other);

    Variant GetValue() override;
    void SetValue(const Variant& value) override;
    // The general walk; writes `newValue` through the last item when `assign` is set.
    Variant Evaluate(const Variant& newValue, bool assign);
    // Builds a late-bound access at its first use (through PendingResolver), and again when
    // its variable holds another kind of value or an object of another class than the build
    // before; the designator to walk.
    TkqDesignator* ResolvePending();

    // 0 general chain, 1 single variable, 2 one character of a string variable, 3 one element of
    // a declared array variable.
    Integer Mode = 0;
    TkqScript* CompileScript;
    TObject* IndexTarget = nullptr;
    TkqDesignatorItem* IndexItem = nullptr;
    TkqXMLItem* PendingSource = nullptr; // owned

    // A late-bound access once built: its source (owned), the variable whose value decided the
    // build, what that value was (its kind, and the class of the object it named), and the
    // builds for the other values met since (the first build is the designator's own items).
    struct TLateShape {
        int Kind = 0;
        TClass Class = nullptr;
        bool operator==(const TLateShape&) const = default;
    };
    TkqXMLItem* LateSource = nullptr;
    TkqCustomVariable* LateSymbol = nullptr;
    TLateShape LateShape;
    std::vector<std::pair<TLateShape, std::unique_ptr<TkqDesignator>>> LateBuilds;

    // Builds the designator's items from PendingSource in CompileScript, or, once built, gives
    // the build for the value its variable holds now; set by the program builder's unit.
    static inline TkqDesignator* (*PendingResolver)(TkqDesignator* designator) = nullptr;
};

class TkqVariableDesignator : public TkqDesignator {
    KOV_CLASS(TkqVariableDesignator, TkqDesignator)
public:
    using TkqDesignator::TkqDesignator;
    Variant GetValue() override;
    void SetValue(const Variant& value) override;
};

// One character (a code point, 1-based) of a string variable; an index outside the string raises
// ERangeError.
class TkqStringDesignator : public TkqDesignator {
    KOV_CLASS(TkqStringDesignator, TkqDesignator)
public:
    using TkqDesignator::TkqDesignator;
    Variant GetValue() override;
    void SetValue(const Variant& value) override;
};

class TkqArrayDesignator : public TkqDesignator {
    KOV_CLASS(TkqArrayDesignator, TkqDesignator)
public:
    using TkqDesignator::TkqDesignator;
    Variant GetValue() override;
    void SetValue(const Variant& value) override;

private:
    TkqCustomHelper* PrepareHelper();
};

// Classifies a general designator and moves its items into the fast form it qualifies for
// (variable, string element, array element); a designator that qualifies for none is kept.
// Either way the caller owns what comes back and the general one is no longer its own.
TkqDesignator* MakeFastDesignator(TkqDesignator* general);
