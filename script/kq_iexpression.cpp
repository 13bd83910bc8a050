#include "script/kq_iexpression.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "script/kq_xml.h"

namespace {

[[noreturn]] void MissingOperand() { throw EVariantError("Operand expected"); }

// 32-bit arithmetic that wraps around.
Integer Wrap(Int64 value) { return Integer(static_cast<std::uint32_t>(value)); }

bool IsComparison(TkqOperatorKind op) {
    return op == okGreater || op == okLess || op == okLessOrEqual || op == okGreaterOrEqual ||
           op == okNotEqual || op == okEqual;
}

bool IsPrefix(TkqOperatorKind op) { return op == okNot || op == okNegate; }

// Whether an operator may take operands of the left kind.
bool OperatorAllowed(TkqValueKind kind, TkqOperatorKind op) {
    switch (kind) {
    case vkBoolean:
        return op == okNotEqual || op == okEqual || op == okOr || op == okXor || op == okAnd || op == okNot;
    case vkChar:
    case vkString:
        return IsComparison(op) || op == okPlus || op == okIn;
    case vkClass:
    case vkArray:
        return op == okNotEqual || op == okEqual;
    default:
        return true;
    }
}

} // namespace

// ---- Nodes ---------------------------------------------------------------------------------------

TkqExpressionNode::TkqExpressionNode() : TkqCustomVariable("", "", vkVariant) {}

TkqExpressionNode::~TkqExpressionNode() {
    // The subtree is taken apart in a loop: a chain of operators nests one node per term.
    std::vector<TkqExpressionNode*> pending;
    for (TkqExpressionNode* node = this;;) {
        for (TkqExpressionNode** child : {&node->Left, &node->Right}) {
            if (*child != nullptr) pending.push_back(*child);
            *child = nullptr;
        }
        if (node != this) delete node;
        if (pending.empty()) break;
        node = pending.back();
        pending.pop_back();
    }
}

TkqOperandNode::TkqOperandNode(const Variant& value) {
    Value = value;
    switch (VarType(value)) {
    case varBoolean:
        ValueKind = vkBoolean;
        break;
    case varSingle:
    case varDouble:
    case varCurrency:
        ValueKind = vkFloat;
        break;
    case varString:
    case varOleStr:
        ValueKind = vkString;
        break;
    default:
        ValueKind = vkInteger;
        break;
    }
}

TkqDesignatorNode::TkqDesignatorNode(TkqDesignator* designator)
    : TkqOperandNode(Null()), Designator(designator), ValueSource(designator) {
    ValueKind = designator->ValueKind;
    TypeName = designator->TypeName;
    if (dynamic_cast<TkqVariableDesignator*>(designator) != nullptr && designator->LinkedSymbol != nullptr)
        ValueSource = designator->LinkedSymbol;
}

TkqDesignatorNode::~TkqDesignatorNode() { delete Designator; }

Variant TkqDesignatorNode::GetValue() { return ValueSource->GetValue(); }

TkqSetNode::TkqSetNode(TkqSetExpression* setExpr) : TkqOperandNode(Null()), SetExpr(setExpr) {
    ValueKind = vkVariant;
}

TkqSetNode::~TkqSetNode() { delete SetExpr; }

Variant TkqSetNode::GetValue() { return SetExpr->GetValue(); }

TkqExpressionNode* TkqOperatorNode::LeftOperand() const {
    if (Left == nullptr) MissingOperand();
    return Left;
}

TkqExpressionNode* TkqOperatorNode::RightOperand() const {
    if (Right == nullptr) MissingOperand();
    return Right;
}

Variant TkqOperatorNode::ChainValue() {
    std::vector<TkqOperatorNode*> chain{this};
    TkqExpressionNode* bottom = Left;
    while (auto* op = dynamic_cast<TkqOperatorNode*>(bottom)) {
        if (op->Left == nullptr) break;
        chain.push_back(op);
        bottom = op->Left;
    }
    // A node lacking its left operand raises here, as its own GetValue would.
    if (bottom == nullptr) MissingOperand();
    Variant value = bottom->GetValue();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        value = (*it)->Apply(value);
    return value;
}

Variant TNoneNode::Compute(const Variant& left) { return left; }
Variant TLeftBracketNode::Compute(const Variant& left) { return left; }
Variant TRightBracketNode::Compute(const Variant& left) { return left; }

#define KQ_COMPARISON(Node, Operator)                                                                        \
    Variant Node::Compute(const Variant& left) {                                                             \
        const Variant right = RightOperand()->GetValue();                                                    \
        if (left.VType() == varInteger && right.VType() == varInteger)                                       \
            return Variant(bool(left.AsInteger() Operator right.AsInteger()));                               \
        return Variant(bool(left Operator right));                                                           \
    }
KQ_COMPARISON(TGreatNode, >)
KQ_COMPARISON(TLessNode, <)
KQ_COMPARISON(TLessEqNode, <=)
KQ_COMPARISON(TGreatEqNode, >=)
KQ_COMPARISON(TNonEqNode, !=)
KQ_COMPARISON(TEqNode, ==)
#undef KQ_COMPARISON

Variant TPlusNode::Compute(const Variant& left) {
    const Variant right = RightOperand()->GetValue();
    if (IntegerOnly) return Variant(Wrap(Int64(left.AsInteger()) + Int64(right.AsInteger())));
    return left + right;
}

Variant TMinusNode::Compute(const Variant& left) {
    const Variant right = RightOperand()->GetValue();
    if (IntegerOnly) return Variant(Wrap(Int64(left.AsInteger()) - Int64(right.AsInteger())));
    return left - right;
}

Variant TMulNode::Compute(const Variant& left) {
    const Variant right = RightOperand()->GetValue();
    if (IntegerOnly) return Variant(Wrap(Int64(left.AsInteger()) * Int64(right.AsInteger())));
    return left * right;
}

Variant TDivFloatNode::Compute(const Variant& left) {
    const Variant right = RightOperand()->GetValue();
    return left / right;
}

Variant TDivIntNode::Compute(const Variant& left) {
    const Variant right = RightOperand()->GetValue();
    if (IntegerOnly) return Variant(IntDiv(left.AsInteger(), right.AsInteger()));
    return VarOp(left, right, opIntDivide);
}

Variant TModNode::Compute(const Variant& left) {
    const Variant right = RightOperand()->GetValue();
    if (IntegerOnly) return Variant(IntMod(left.AsInteger(), right.AsInteger()));
    return VarOp(left, right, opModulus);
}

Variant TStrCatNode::Compute(const Variant& left) {
    const Variant right = RightOperand()->GetValue();
    if (VarType(left) == varString) return Variant(VarToStr(left) + VarToStr(right));
    return left + right;
}

Variant TOrNode::Compute(const Variant& left) {
    if (BooleanOnly) return left.AsBoolean() ? left : RightOperand()->GetValue();
    return left | RightOperand()->GetValue();
}

Variant TAndNode::Compute(const Variant& left) {
    if (BooleanOnly) return left.AsBoolean() ? RightOperand()->GetValue() : left;
    return left & RightOperand()->GetValue();
}

Variant TXorNode::Compute(const Variant& left) { return left ^ RightOperand()->GetValue(); }

Variant TShlNode::Compute(const Variant& left) { return left << RightOperand()->GetValue(); }

Variant TShrNode::Compute(const Variant& left) { return left >> RightOperand()->GetValue(); }

Variant TNotNode::Compute(const Variant& left) { return ~left; }

Variant TUnMinusNode::Compute(const Variant& left) { return -left; }

namespace {

// Whether the value is an element of the array, or inside one of its ranges (lo, Null, hi).
bool InArray(const Variant& value, const Variant& array) {
    const Integer low = VarArrayLowBound(array, 1);
    const Integer high = VarArrayHighBound(array, 1);
    for (Integer i = low; i <= high;) {
        const Variant element = VarArrayGet(array, {i});
        if (i + 1 <= high && VarIsNull(VarArrayGet(array, {i + 1}))) {
            const Variant upper = i + 2 <= high ? VarArrayGet(array, {i + 2}) : Null();
            if (value >= element && value <= upper) return true;
            i += 3;
        } else {
            if (value == element) return true;
            ++i;
        }
    }
    return false;
}

} // namespace

Variant TInNode::GetValue() {
    if (LongChain) return ChainValue();
    if (auto* setNode = dynamic_cast<TkqSetNode*>(RightOperand()))
        return Variant(setNode->SetExpr->Contains(LeftOperand()->GetValue()));
    const Variant array = RightOperand()->GetValue();
    return Variant(InArray(LeftOperand()->GetValue(), array));
}

Variant TInNode::Apply(const Variant& left) {
    if (auto* setNode = dynamic_cast<TkqSetNode*>(RightOperand())) return Variant(setNode->SetExpr->Contains(left));
    return Variant(InArray(left, RightOperand()->GetValue()));
}

Variant TIsNode::Compute(const Variant& left) {
    TObject* object = VariantToObject(left);
    if (object == nullptr) return Variant(false);
    auto* right = dynamic_cast<TkqDesignatorNode*>(Right);
    if (right == nullptr || right->Designator->Count() == 0) return Variant(false);
    auto* cls = dynamic_cast<TkqClassVariable*>(right->Designator->Item(0)->Symbol);
    return Variant(cls != nullptr && object->InheritsFrom(cls->ClassRef));
}

// An operator reads its left operand, then computes with its right one; a long chain of left
// operands is walked in a loop.
#define KQ_OPERATOR_VALUE(Node)                                                                              \
    Variant Node::GetValue() {                                                                               \
        if (LongChain) return ChainValue();                                                                  \
        return Compute(LeftOperand()->GetValue());                                                           \
    }                                                                                                        \
    Variant Node::Apply(const Variant& left) { return Compute(left); }
KQ_OPERATOR_VALUE(TNoneNode)
KQ_OPERATOR_VALUE(TGreatNode)
KQ_OPERATOR_VALUE(TLessNode)
KQ_OPERATOR_VALUE(TLessEqNode)
KQ_OPERATOR_VALUE(TGreatEqNode)
KQ_OPERATOR_VALUE(TNonEqNode)
KQ_OPERATOR_VALUE(TEqNode)
// The left operand's value is this node's own: a text is joined to in its buffer.
Variant TPlusNode::GetValue() {
    if (LongChain) return ChainValue();
    Variant left = LeftOperand()->GetValue();
    if (String* text = left.StrPtr(); text != nullptr && !IntegerOnly) {
        const Variant right = RightOperand()->GetValue();
        if (const String* tail = right.StrPtr()) {
            text->append(*tail);
            return left;
        }
        return left + right;
    }
    return Compute(left);
}
Variant TPlusNode::Apply(const Variant& left) { return Compute(left); }
KQ_OPERATOR_VALUE(TStrCatNode)
KQ_OPERATOR_VALUE(TMinusNode)
KQ_OPERATOR_VALUE(TOrNode)
KQ_OPERATOR_VALUE(TXorNode)
KQ_OPERATOR_VALUE(TMulNode)
KQ_OPERATOR_VALUE(TDivFloatNode)
KQ_OPERATOR_VALUE(TDivIntNode)
KQ_OPERATOR_VALUE(TModNode)
KQ_OPERATOR_VALUE(TAndNode)
KQ_OPERATOR_VALUE(TShlNode)
KQ_OPERATOR_VALUE(TShrNode)
KQ_OPERATOR_VALUE(TLeftBracketNode)
KQ_OPERATOR_VALUE(TRightBracketNode)
KQ_OPERATOR_VALUE(TNotNode)
KQ_OPERATOR_VALUE(TUnMinusNode)
KQ_OPERATOR_VALUE(TIsNode)
#undef KQ_OPERATOR_VALUE


TkqOperatorNode* CreateOperatorNode(const String& text) {
    const String op = UpperCase(text);
    if (op == " ") return new TNoneNode();
    if (op == ">") return new TGreatNode();
    if (op == "<") return new TLessNode();
    if (op == "<=") return new TLessEqNode();
    if (op == ">=") return new TGreatEqNode();
    if (op == "<>") return new TNonEqNode();
    if (op == "=") return new TEqNode();
    if (op == "+") return new TPlusNode();
    if (op == "STRCAT") return new TStrCatNode();
    if (op == "-") return new TMinusNode();
    if (op == "OR") return new TOrNode();
    if (op == "XOR") return new TXorNode();
    if (op == "*") return new TMulNode();
    if (op == "/") return new TDivFloatNode();
    if (op == "DIV") return new TDivIntNode();
    if (op == "MOD") return new TModNode();
    if (op == "AND") return new TAndNode();
    if (op == "SHL") return new TShlNode();
    if (op == "SHR") return new TShrNode();
    if (op == "(") return new TLeftBracketNode();
    if (op == ")") return new TRightBracketNode();
    if (op == "NOT") return new TNotNode();
    if (op == "UNMINUS") return new TUnMinusNode();
    if (op == "IN") return new TInNode();
    if (op == "IS") return new TIsNode();
    return nullptr;
}

// ---- Set literals --------------------------------------------------------------------------------

TkqSetExpression::TkqSetExpression() : TkqCustomVariable("", "", vkVariant) {}

TkqCustomVariable* TkqSetExpression::Item(Integer index) const {
    return dynamic_cast<TkqCustomVariable*>(Items(index));
}

Variant TkqSetExpression::GetValue() {
    Variant result = VarArrayCreate({0, Count() - 1}, varVariant);
    for (Integer i = 0; i < Count(); ++i) {
        TkqCustomVariable* element = Item(i);
        VarArrayPut(result, element != nullptr ? element->GetValue() : Null(), {i});
    }
    return result;
}

bool TkqSetExpression::Contains(const Variant& value) {
    for (Integer i = 0; i < Count();) {
        TkqCustomVariable* element = Item(i);
        if (i + 1 < Count() && Item(i + 1) == nullptr) {
            if (element != nullptr && value >= element->GetValue()) {
                TkqCustomVariable* upper = i + 2 < Count() ? Item(i + 2) : nullptr;
                if (upper != nullptr && value <= upper->GetValue()) return true;
            }
            i += 3;
        } else {
            if (element != nullptr && value == element->GetValue()) return true;
            ++i;
        }
    }
    return false;
}

// ---- Expressions ---------------------------------------------------------------------------------

bool LinkChild(TkqExpressionNode* parent, TkqExpressionNode* child) {
    if (parent->Left == nullptr)
        parent->Left = child;
    else if (parent->Right == nullptr)
        parent->Right = child;
    else
        return false;
    child->ParentNode = parent;
    return true;
}

void UnlinkChild(TkqExpressionNode* parent, TkqExpressionNode* child) {
    if (parent->Left == child)
        parent->Left = nullptr;
    else if (parent->Right == child)
        parent->Right = nullptr;
    child->ParentNode = nullptr;
}

TkqExpression::TkqExpression(TkqScript* script) : Script(script) {
    Root = new TNoneNode();
    Current = Root;
}

TkqExpression::~TkqExpression() { delete Root; }

void TkqExpression::NoteBuildError() {
    if (FBuildErrorPos.empty()) FBuildErrorPos = DeclPos.empty() ? String("0:0") : DeclPos;
}

bool TkqExpression::LinkOrDrop(TkqExpressionNode* parent, TkqExpressionNode* child) {
    // An operand takes no children: two operands in a row leave the second one out.
    if (dynamic_cast<TkqOperandNode*>(parent) == nullptr && LinkChild(parent, child)) return true;
    delete child;
    NoteBuildError();
    return false;
}

void TkqExpression::AddNode(TkqExpressionNode* node) {
    if (LinkOrDrop(Current, node)) Current = node;
}

void TkqExpression::AddConstOperand(const Variant& value) {
    auto* node = new TkqOperandNode(value);
    node->DeclPos = DeclPos;
    AddNode(node);
}

void TkqExpression::AddDesignator(TkqDesignator* designator) {
    auto* node = new TkqDesignatorNode(designator);
    node->DeclPos = DeclPos;
    AddNode(node);
}

void TkqExpression::AddSet(TkqSetExpression* setExpr) {
    auto* node = new TkqSetNode(setExpr);
    node->DeclPos = DeclPos;
    AddNode(node);
}

void TkqExpression::AddOperator(const String& text) {
    TkqOperatorNode* node = CreateOperatorNode(text);
    if (node == nullptr) return;
    node->DeclPos = DeclPos;
    switch (node->Op) {
    case okOpenBracket:
    case okNot:
    case okNegate:
        AddNode(node);
        return;
    case okCloseBracket: {
        std::unique_ptr<TkqOperatorNode> closing(node);
        TkqExpressionNode* bracket = Current;
        while (bracket != nullptr && closing->Priority() >= bracket->Priority())
            bracket = bracket->ParentNode;
        auto* open = dynamic_cast<TLeftBracketNode*>(bracket);
        if (open == nullptr || open->Left == nullptr) {
            // A closing bracket without its opening one, or an empty pair.
            NoteBuildError();
            return;
        }
        TkqExpressionNode* parent = open->ParentNode;
        TkqExpressionNode* inner = open->Left;
        UnlinkChild(open, inner);
        UnlinkChild(parent, open);
        LinkChild(parent, inner);
        delete open;
        Current = inner;
        return;
    }
    default:
        break;
    }
    if (Current == Root && Root->Left == nullptr) {
        // An operator before any operand.
        LinkChild(Root, node);
        Current = node;
        return;
    }
    TkqExpressionNode* s = Current;
    TkqExpressionNode* p = Current->ParentNode;
    if (Current == Root || dynamic_cast<TLeftBracketNode*>(Current) != nullptr) {
        s = nullptr;
        p = Current;
    }
    while (p != nullptr && node->Priority() >= p->Priority()) {
        s = p;
        p = p->ParentNode;
    }
    if (p == nullptr) {
        delete node;
        NoteBuildError();
        return;
    }
    if (s != nullptr) UnlinkChild(p, s);
    if (!LinkOrDrop(p, node)) {
        if (s != nullptr) LinkChild(p, s);
        return;
    }
    if (s != nullptr) LinkChild(node, s);
    Current = node;
}

namespace {

// The tag of an operator from its operands' tags; sets its fast-path marks and records it in
// errorPos when the operands do not fit.
TkqTypeTag OperatorTag(TkqOperatorNode* op, const TkqTypeTag& l, const TkqTypeTag& r, TkqScript* script,
                       String& errorPos) {
    op->IntegerOnly = l.Kind == vkInteger && r.Kind == vkInteger;
    op->BooleanOnly = l.Kind == vkBoolean && r.Kind == vkBoolean;
    // A node that lacks an operand, or a bracket left open, never fits.
    const bool complete = op->Left != nullptr && (IsPrefix(op->Op) || op->Right != nullptr) &&
                          op->Op != okOpenBracket && op->Op != okCloseBracket && op->Op != okNone;
    bool fits = false;
    if (complete) {
        if (op->Op == okIs && l.Kind == vkClass && r.Kind == vkClass)
            fits = true;
        else
            fits = KindsCompatible(l, r, script) && OperatorAllowed(l.Kind, op->Op);
    }
    TkqTypeTag tag = l;
    if (fits) {
        if ((l.Kind == vkInteger && r.Kind == vkFloat) || (l.Kind == vkFloat && r.Kind == vkInteger))
            tag.Kind = vkFloat;
        if (l.Kind == vkInteger && r.Kind == vkInteger && op->Op == okDivide) tag.Kind = vkFloat;
        if (IsComparison(op->Op) || op->Op == okIn || op->Op == okIs) tag.Kind = vkBoolean;
    } else if (errorPos.empty()) {
        errorPos = op->DeclPos.empty() ? String("0:0") : op->DeclPos;
    }
    op->ValueKind = tag.Kind;
    op->TypeName = tag.TypeName;
    return tag;
}

} // namespace

TkqTypeTag InferNodeType(TkqExpressionNode* node, TkqScript* script, String& errorPos) {
    // Left operand, right operand, then the operator, walked with a stack of its own: a chain of
    // operators nests one node per term.
    struct TFrame {
        TkqOperatorNode* Op;
        bool LeftDone;
        TkqTypeTag Left;
    };
    std::vector<TFrame> frames;
    TkqExpressionNode* next = node;
    for (;;) {
        TkqTypeTag value(vkVariant, "");
        if (auto* op = dynamic_cast<TkqOperatorNode*>(next)) {
            frames.push_back({op, false, TkqTypeTag()});
            next = op->Left;
            continue;
        }
        if (next != nullptr) value = TkqTypeTag(next->ValueKind, next->TypeName);
        for (;;) {
            if (frames.empty()) return value;
            TFrame& frame = frames.back();
            if (!frame.LeftDone) {
                frame.LeftDone = true;
                frame.Left = value;
                next = frame.Op->Right;
                break;
            }
            value = OperatorTag(frame.Op, frame.Left, value, script, errorPos);
            frames.pop_back();
        }
    }
}

namespace {

// Chains of left operands at least this long are walked in a loop when evaluated.
constexpr Integer LongChainLength = 32;

// Marks the heads of long chains of left operands, and gives the depth of the tree counted
// without those chains: how deep its evaluation recurses.
Integer MarkLongChains(TkqExpressionNode* root) {
    Integer deepest = 0;
    std::vector<std::pair<TkqExpressionNode*, Integer>> pending{{root, 1}};
    while (!pending.empty()) {
        auto [head, depth] = pending.back();
        pending.pop_back();
        // The chain of left operands below the head.
        Integer length = 0;
        for (TkqExpressionNode* node = head; node != nullptr; node = node->Left)
            ++length;
        auto* op = dynamic_cast<TkqOperatorNode*>(head);
        const bool loop = op != nullptr && length >= LongChainLength;
        if (op != nullptr) op->LongChain = loop;
        Integer level = depth;
        for (TkqExpressionNode* node = head; node != nullptr; node = node->Left) {
            if (auto* inner = dynamic_cast<TkqOperatorNode*>(node); inner != nullptr && inner != head)
                inner->LongChain = false;
            deepest = std::max(deepest, level);
            if (node->Right != nullptr) pending.emplace_back(node->Right, level + 1);
            if (!loop) ++level;
        }
    }
    return deepest;
}

} // namespace

void TkqExpression::Finalize(String& errorPos) {
    errorPos.clear();
    auto* sentinel = dynamic_cast<TNoneNode*>(Root);
    if (sentinel != nullptr && sentinel->ParentNode == nullptr) {
        TkqExpressionNode* tree = sentinel->Left;
        if (tree != nullptr) UnlinkChild(sentinel, tree);
        delete sentinel;
        Root = tree;
        Current = tree;
    }
    if (Root == nullptr) {
        errorPos = DeclPos.empty() ? String("0:0") : DeclPos;
        return;
    }
    const TkqTypeTag tag = InferNodeType(Root, Script, errorPos);
    if (errorPos.empty()) errorPos = FBuildErrorPos;
    ValueKind = tag.Kind;
    TypeName = tag.TypeName;
    PlanEvaluation();
}

void TkqExpression::PlanEvaluation() {
    // What one level of nested operators takes of the stack, with room to spare.
#if defined(__SANITIZE_ADDRESS__)
    constexpr std::size_t LevelBytes = 1024;
#else
    constexpr std::size_t LevelBytes = 256;
#endif
    const Integer depth = Root != nullptr ? MarkLongChains(Root) : 0;
    FStackNeed = depth > 8 ? std::size_t(depth) * LevelBytes : 0;
}

namespace {

// Out of line, so the common shallow expression pays one compare for the check.
[[gnu::noinline]] void CheckStackFor(std::size_t need) {
    if (ScriptStackLow(need)) RaiseStackOverflow();
}

} // namespace

Variant TkqExpression::GetValue() {
    if (Root == nullptr) MissingOperand();
    if (FStackNeed != 0) CheckStackFor(FStackNeed);
    return Root->GetValue();
}

void TkqExpression::SetValue(const Variant& value) {
    if (IsReadOnly) return;
    auto* node = dynamic_cast<TkqDesignatorNode*>(Root);
    if (node == nullptr || node->Designator->IsReadOnly) return;
    node->Designator->SetValue(value);
}

void TkqExpression::SplitSelfOperation(TkqDesignator* target, String& opText) {
    opText = " ";
    auto* variableTarget = dynamic_cast<TkqVariableDesignator*>(target);
    auto* op = dynamic_cast<TkqOperatorNode*>(Root);
    // A concatenation is never split: with a Variant addition "5" & 1 would give 6.
    if (variableTarget == nullptr || op == nullptr || dynamic_cast<TStrCatNode*>(op) != nullptr) return;
    if (op->Op != okPlus && op->Op != okMinus && op->Op != okMultiply && op->Op != okDivide) return;
    if (op->Left == nullptr || op->Right == nullptr) return;
    auto sameVariable = [&](TkqExpressionNode* node) {
        auto* designatorNode = dynamic_cast<TkqDesignatorNode*>(node);
        if (designatorNode == nullptr) return false;
        auto* designator = dynamic_cast<TkqVariableDesignator*>(designatorNode->Designator);
        return designator != nullptr && designator->LinkedSymbol == variableTarget->LinkedSymbol;
    };
    TkqExpressionNode* keep = nullptr;
    if (sameVariable(op->Left)) {
        keep = op->Right;
        opText = op->Op == okPlus ? "+" : op->Op == okMinus ? "-" : op->Op == okMultiply ? "*" : "/";
    } else if (sameVariable(op->Right) && (op->Op == okPlus || op->Op == okMultiply)) {
        const TkqValueKind kind =
            variableTarget->LinkedSymbol != nullptr ? variableTarget->LinkedSymbol->ValueKind : vkVariant;
        if (kind == vkString || kind == vkVariant) return;
        keep = op->Left;
        opText = op->Op == okPlus ? "+" : "*";
    } else {
        return;
    }
    UnlinkChild(op, keep);
    delete op;
    Root = keep;
    Current = keep;
    PlanEvaluation();
}

TkqCustomVariable* LoneOperand(TkqExpression* expression) {
    TkqExpressionNode* root = expression->Root;
    if (auto* node = dynamic_cast<TkqDesignatorNode*>(root)) return node->ValueSource;
    if (dynamic_cast<TkqOperandNode*>(root) != nullptr) return root;
    return nullptr;
}

// ---- Designators ---------------------------------------------------------------------------------

TkqCustomExpression* TkqDesignatorItem::Argument(Integer index) const {
    return dynamic_cast<TkqCustomExpression*>(Items(index));
}

TkqDesignator::TkqDesignator(TkqScript* script)
    : TkqCustomVariable("", "", vkInteger), CompileScript(script) {}

TkqDesignator::~TkqDesignator() {
    delete PendingSource;
    delete LateSource;
}

TkqDesignatorItem* TkqDesignator::Item(Integer index) const {
    return dynamic_cast<TkqDesignatorItem*>(Items(index));
}

void TkqDesignator::Classify() {
    Mode = 0;
    IndexTarget = nullptr;
    IndexItem = nullptr;
    LinkedSymbol = nullptr;
    if (Count() == 0) return;
    TkqCustomVariable* last = Item(Count() - 1)->Symbol;
    if (last != nullptr) {
        ValueKind = last->ValueKind;
        TypeName = last->TypeName;
        IsReadOnly = last->IsReadOnly;
        if (ValueKind == vkConstructor) {
            ValueKind = vkClass;
            TkqCustomVariable* cls = Count() >= 2 ? Item(Count() - 2)->Symbol : nullptr;
            TypeName = cls != nullptr ? cls->TypeName : String();
        }
    }
    auto* first = dynamic_cast<TkqVariable*>(Item(0)->Symbol);
    if (first == nullptr) return;
    if (Count() == 1) {
        Mode = 1;
        LinkedSymbol = first;
    } else if (Count() == 2 && dynamic_cast<TkqStringVariable*>(first) != nullptr && Item(1)->Count() > 0) {
        Mode = 2;
        LinkedSymbol = first;
        IndexTarget = Item(1)->Argument(0);
    } else if (Count() == 2 && first->ValueKind == vkArray && first->LinkedSymbol != nullptr) {
        Mode = 3;
        LinkedSymbol = first;
        IndexTarget = first->LinkedSymbol;
        IndexItem = Item(1);
    }
}

void TkqDesignator::TakeOver(TkqDesignator* other) {
    ExchangeItems(*other);
    Mode = other->Mode;
    IndexTarget = other->IndexTarget;
    IndexItem = other->IndexItem;
    ValueKind = other->ValueKind;
    TypeName = other->TypeName;
    IsReadOnly = other->IsReadOnly;
    LinkedSymbol = other->LinkedSymbol;
}

TkqDesignator* TkqDesignator::ResolvePending() {
    if ((PendingSource == nullptr && LateSource == nullptr) || PendingResolver == nullptr) return this;
    return PendingResolver(this);
}

namespace {

const Variant& NoValue() {
    static const Variant none = Null();
    return none;
}

} // namespace

Variant TkqDesignator::GetValue() {
    TkqDesignator* target = ResolvePending();
    if (target != this) {
        target->WantsResult = WantsResult;
        return target->GetValue();
    }
    return Evaluate(NoValue(), false);
}

void TkqDesignator::SetValue(const Variant& value) {
    TkqDesignator* target = ResolvePending();
    if (target != this) {
        target->SetValue(value);
        return;
    }
    Evaluate(value, true);
}

namespace {

// Keeps the activation of a procedure or host function that a call enters again: its values
// come back when the inner call is over, also when an exception ends it.
class TActivationGuard {
public:
    explicit TActivationGuard(TkqCustomVariable* symbol) {
        if (auto* proc = dynamic_cast<TkqProcVariable*>(symbol); proc != nullptr && proc->IsRunning) {
            FProc = proc;
            FSaved = proc->SaveLocals();
        } else if (auto* method = dynamic_cast<TkqMethodHelper*>(symbol);
                   method != nullptr && method->RunDepth > 0) {
            FMethod = method;
            for (Integer i = 0; i < method->Count(); ++i)
                FSaved.push_back(method->Param(i)->Value);
        }
    }
    TActivationGuard(const TActivationGuard&) = delete;
    TActivationGuard& operator=(const TActivationGuard&) = delete;
    ~TActivationGuard() {
        if (FProc != nullptr) FProc->RestoreLocals(FSaved);
        if (FMethod != nullptr)
            for (Integer i = 0; i < FMethod->Count() && i < Integer(FSaved.size()); ++i)
                FMethod->Param(i)->Value = FSaved[std::size_t(i)];
    }

private:
    TkqProcVariable* FProc = nullptr;
    TkqMethodHelper* FMethod = nullptr;
    std::vector<Variant> FSaved;
};

[[gnu::noinline]] void NestedValue(TkqDesignator* nested, Variant& value) { value = nested->GetValue(); }

// The guard of a symbol that runs already, else nothing.
std::unique_ptr<TActivationGuard> StartActivation(TkqCustomVariable* symbol) {
    if (auto* proc = dynamic_cast<TkqProcVariable*>(symbol); proc != nullptr && proc->IsRunning)
        return std::make_unique<TActivationGuard>(symbol);
    if (auto* method = dynamic_cast<TkqMethodHelper*>(symbol); method != nullptr && method->RunDepth > 0)
        return std::make_unique<TActivationGuard>(symbol);
    return nullptr;
}

// A variable that holds its value in Value (a string variable in StrValue) and is read without
// side effects.
bool IsPlainVariable(TkqCustomVariable* symbol) {
    const TClass cls = symbol->ClassType();
    return cls == TkqVariable::StaticClass() || cls == TkqStringVariable::StaticClass() ||
           cls == TkqParamItem::StaticClass();
}

bool ReadsOnly(TkqCustomExpression* argument, int depth);

// A call of a host function that lends its arguments, with arguments that change nothing.
bool IsLendingCall(TkqDesignatorItem* item, TkqCustomVariable* symbol, int depth) {
    auto* method = dynamic_cast<TkqMethodHelper*>(symbol);
    if (method == nullptr || !method->LendArguments || method->IsMacro || !method->ModuleCallback.Assigned() ||
        method->ArrayCallback.Assigned() || item->Count() > method->Count())
        return false;
    for (Integer a = 0; a < item->Count(); ++a)
        if (!ReadsOnly(item->Argument(a), depth + 1)) return false;
    return true;
}

// Whether evaluating the node changes nothing: constants, plain variables, operators over them
// and lending calls. Deep trees are not looked into (they count as changing something).
bool ReadsOnlyNode(TkqExpressionNode* node, int depth) {
    if (node == nullptr || depth > 16) return false;
    if (node->ClassType() == TkqOperandNode::StaticClass()) return true;
    if (auto* operand = dynamic_cast<TkqDesignatorNode*>(node)) {
        if (IsPlainVariable(operand->ValueSource)) return true;
        TkqDesignator* designator = operand->Designator;
        return designator->ClassType() == TkqDesignator::StaticClass() && designator->PendingSource == nullptr &&
               designator->LateSource == nullptr && designator->Count() == 1 &&
               IsLendingCall(designator->Item(0), designator->Item(0)->Symbol, depth);
    }
    auto* op = dynamic_cast<TkqOperatorNode*>(node);
    if (op == nullptr || op->Op == okIn || op->Op == okIs) return false;
    return (op->Left == nullptr || ReadsOnlyNode(op->Left, depth + 1)) &&
           (op->Right == nullptr || ReadsOnlyNode(op->Right, depth + 1));
}

bool ReadsOnly(TkqCustomExpression* argument, int depth) {
    auto* expression = dynamic_cast<TkqExpression*>(argument);
    return expression != nullptr && ReadsOnlyNode(expression->Root, depth);
}

// The plain variable an argument names alone; nullptr for any other argument.
TkqCustomVariable* LoneVariable(TkqCustomExpression* argument) {
    auto* expression = dynamic_cast<TkqExpression*>(argument);
    auto* operand = expression != nullptr ? dynamic_cast<TkqDesignatorNode*>(expression->Root) : nullptr;
    return operand != nullptr && IsPlainVariable(operand->ValueSource) ? operand->ValueSource : nullptr;
}

// Lends the lone plain variables among the arguments of a lending call (each variable once);
// the others are evaluated first, while every variable still holds its value. Since no argument
// changes anything, the order makes no difference.
void LendArguments(TkqDesignatorItem* item, TkqMethodHelper* method) {
    std::vector<TkqCustomVariable*> lone(std::size_t(item->Count()), nullptr);
    std::vector<Variant> arguments(std::size_t(item->Count()));
    for (Integer a = 0; a < item->Count(); ++a) {
        TkqCustomVariable* variable = LoneVariable(item->Argument(a));
        bool first = variable != nullptr;
        for (Integer b = 0; first && b < a; ++b)
            first = lone[std::size_t(b)] != variable;
        if (first)
            lone[std::size_t(a)] = variable;
        else
            arguments[std::size_t(a)] = item->Argument(a)->GetValue();
    }
    for (Integer a = 0; a < item->Count(); ++a) {
        if (lone[std::size_t(a)] != nullptr)
            method->Lend(lone[std::size_t(a)], a);
        else
            method->Param(a)->TakeValue(std::move(arguments[std::size_t(a)]));
    }
}

// Every argument first, then the parameters: an argument may read a parameter of the same
// procedure. Kept out of the walk, whose frame every nested call adds to the stack. A call of a
// host function that lends its arguments gets the loan of its plain variables.
[[gnu::noinline]] void PassArguments(TkqDesignatorItem* item, TkqCustomVariable* symbol) {
    if (item->Lending < 0) item->Lending = IsLendingCall(item, symbol, 0) ? 1 : 0;
    if (item->Lending > 0 && static_cast<TkqMethodHelper*>(symbol)->RunDepth == 0) {
        LendArguments(item, static_cast<TkqMethodHelper*>(symbol));
        return;
    }
    std::vector<Variant> arguments;
    for (Integer a = 0; a < item->Count(); ++a) {
        TkqCustomExpression* argument = item->Argument(a);
        if (symbol->IsMacro) {
            auto* expression = dynamic_cast<TkqExpression*>(argument);
            arguments.push_back(Variant(expression != nullptr ? expression->SourceText : String()));
        } else {
            arguments.push_back(argument->GetValue());
        }
    }
    for (Integer a = 0; a < Integer(arguments.size()); ++a)
        symbol->Param(a)->TakeValue(std::move(arguments[std::size_t(a)]));
}

// Restores the caller's activation. The var arguments are written back once it is restored, so
// a recursive call's change reaches the caller's own variables.
[[gnu::noinline]] void EndActivation(TkqDesignatorItem* item, TkqCustomVariable* symbol,
                                     std::unique_ptr<TActivationGuard>& activation) {
    std::vector<std::pair<Integer, Variant>> writeBack;
    for (Integer a = 0; a < symbol->Count() && a < item->Count(); ++a) {
        auto* param = dynamic_cast<TkqParamItem*>(symbol->Items(a));
        if (param != nullptr && param->IsVarParam) writeBack.emplace_back(a, param->GetValue());
    }
    activation.reset();
    for (const auto& [a, value] : writeBack)
        item->Argument(a)->SetValue(value);
}

} // namespace

Variant TkqDesignator::Evaluate(const Variant& newValue, bool assign) {
    Variant current = Null();
    TkqCustomVariable* preceding = nullptr;
    for (Integer i = 0; i < Count(); ++i) {
        TkqDesignatorItem* item = Item(i);
        TkqCustomVariable* symbol = item->Symbol;
        const bool last = i == Count() - 1;
        if (auto* nested = dynamic_cast<TkqDesignator*>(symbol)) {
            preceding = nested;
            NestedValue(nested, current);
            continue;
        }
        std::unique_ptr<TActivationGuard> activation = StartActivation(symbol);
        if (symbol->Count() > 0) PassArguments(item, symbol);
        if (auto* helper = dynamic_cast<TkqCustomHelper*>(symbol)) {
            helper->ParentRef = preceding;
            helper->ParentValue = current;
            helper->CallScript = CompileScript;
        }
        preceding = symbol;
        if (assign && last) {
            symbol->SetValue(newValue);
        } else {
            symbol->WantsResult = last ? WantsResult : true;
            current = symbol->GetValue();
        }
        EndActivation(item, symbol, activation);
    }
    return current;
}

Variant TkqVariableDesignator::GetValue() { return LinkedSymbol->GetValue(); }

void TkqVariableDesignator::SetValue(const Variant& value) { LinkedSymbol->SetValue(value); }

namespace {

// The byte range of the code point at a 1-based character index; ERangeError outside the text.
void CharacterRange(const String& text, Integer index, std::size_t& start, std::size_t& length) {
    if (index < 1) RaiseRangeError();
    std::size_t at = 0;
    for (Integer n = 1; n < index && at < text.size(); ++n)
        at = Utf8Next(text, at);
    if (at >= text.size()) RaiseRangeError();
    start = at;
    length = Utf8Next(text, at) - at;
}

} // namespace

Variant TkqStringDesignator::GetValue() {
    auto* variable = static_cast<TkqStringVariable*>(LinkedSymbol);
    const Integer index = static_cast<TkqCustomVariable*>(IndexTarget)->GetValue().AsInteger();
    std::size_t start = 0;
    std::size_t length = 0;
    CharacterRange(variable->StrValue, index, start, length);
    return Variant(variable->StrValue.substr(start, length));
}

void TkqStringDesignator::SetValue(const Variant& value) {
    auto* variable = static_cast<TkqStringVariable*>(LinkedSymbol);
    const Integer index = static_cast<TkqCustomVariable*>(IndexTarget)->GetValue().AsInteger();
    const String replacement = VarToStr(value);
    std::size_t start = 0;
    std::size_t length = 0;
    CharacterRange(variable->StrValue, index, start, length);
    // No character to store: nothing is replaced.
    if (replacement.empty()) RaiseRangeError();
    variable->StrValue.replace(start, length, replacement.substr(0, Utf8Next(replacement, 0)));
}

TkqCustomHelper* TkqArrayDesignator::PrepareHelper() {
    auto* helper = static_cast<TkqCustomHelper*>(IndexTarget);
    helper->ParentRef = LinkedSymbol;
    std::vector<Variant> indices;
    for (Integer i = 0; i < IndexItem->Count(); ++i)
        indices.push_back(IndexItem->Argument(i)->GetValue());
    for (Integer i = 0; i < Integer(indices.size()); ++i)
        helper->Param(i)->SetValue(indices[std::size_t(i)]);
    return helper;
}

Variant TkqArrayDesignator::GetValue() { return PrepareHelper()->GetValue(); }

void TkqArrayDesignator::SetValue(const Variant& value) { PrepareHelper()->SetValue(value); }

TkqDesignator* MakeFastDesignator(TkqDesignator* general) {
    general->Classify();
    TkqDesignator* fast = nullptr;
    switch (general->Mode) {
    case 1:
        fast = new TkqVariableDesignator(general->CompileScript);
        break;
    case 2:
        fast = new TkqStringDesignator(general->CompileScript);
        break;
    case 3:
        fast = new TkqArrayDesignator(general->CompileScript);
        break;
    default:
        return general;
    }
    fast->TakeOver(general);
    delete general;
    return fast;
}
