// Filter texts of data sets: the parser, the evaluator and LIKE; the key matching of Locate.
#include "platform/classlib/DBFilter.h"

#include <cctype>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"

struct TFilterExpression::TNode {
    enum TKind {
        nkConst,   // Value
        nkField,   // Field
        nkAll,     // an empty group: accepts every record
        nkNot,     // Children[0]
        nkAnd,     // Children[0] AND Children[1] AND ... (a whole chain in one node)
        nkOr,      // Children[0] OR Children[1] OR ...
        nkCompare, // Children[0] Op Children[1]
        nkIsNull,  // Children[0] IS [NOT] NULL (Negate)
        nkLike,    // Children[0] [NOT] LIKE Children[1] [ESCAPE Escape]
        nkIn,      // Children[0] [NOT] IN (Children[1..])
        nkBetween  // Children[0] [NOT] BETWEEN Children[1] AND Children[2]
    };
    enum TCompareOp { coEqual, coNotEqual, coLess, coGreater, coLessEqual, coGreaterEqual };

    TKind Kind = nkConst;
    TCompareOp Op = coEqual;
    bool Negate = false;
    char32_t Escape = 0;
    Variant Value;
    TField* Field = nullptr;
    std::vector<std::unique_ptr<TNode>> Children;
};

namespace {

using TNode = TFilterExpression::TNode;

bool IsNullValue(const Variant& value) { return VarIsNull(value) || VarIsEmpty(value); }

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool IsNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '.'; }

bool IsDateType(TFieldType type) {
    return type == ftDate || type == ftTime || type == ftDateTime || type == ftTimeStamp;
}

// Reads minCount to maxCount digits at `pos` as a number.
bool ReadDigits(const String& text, std::size_t& pos, std::size_t minCount, std::size_t maxCount,
                Word& value) {
    std::size_t count = 0;
    value = 0;
    while (pos < text.size() && IsDigit(text[pos]) && count < maxCount) {
        value = Word(value * 10 + (text[pos] - '0'));
        ++pos;
        ++count;
    }
    return count >= minCount;
}

// yyyy-mm-dd (also with "/" or "." between), optionally followed by a blank or "T" and
// hh:nn[:ss[.zzz]]: the form a fixed date format writes, whatever the locale.
bool TryIsoDateTime(const String& source, TDateTime& value) {
    const String text = Trim(source);
    std::size_t pos = 0;
    Word year = 0, month = 0, day = 0;
    if (!ReadDigits(text, pos, 4, 4, year)) return false;
    if (pos >= text.size() || (text[pos] != '-' && text[pos] != '/' && text[pos] != '.')) return false;
    const char separator = text[pos++];
    if (!ReadDigits(text, pos, 1, 2, month) || pos >= text.size() || text[pos++] != separator) return false;
    if (!ReadDigits(text, pos, 1, 2, day)) return false;
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date)) return false;
    if (pos == text.size()) {
        value = date;
        return true;
    }
    if (text[pos] != ' ' && text[pos] != 'T') return false;
    ++pos;
    Word hour = 0, minute = 0, second = 0, msec = 0;
    if (!ReadDigits(text, pos, 1, 2, hour) || pos >= text.size() || text[pos++] != ':') return false;
    if (!ReadDigits(text, pos, 2, 2, minute)) return false;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!ReadDigits(text, pos, 2, 2, second)) return false;
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            if (!ReadDigits(text, pos, 1, 3, msec)) return false;
        }
    }
    TDateTime time = 0;
    if (pos != text.size() || !TryEncodeTime(hour, minute, second, msec, time)) return false;
    value = date + time;
    return true;
}

// ---- Lexer and parser --------------------------------------------------------------------------

enum TTokenKind { tkEnd, tkName, tkText, tkNumber, tkSymbol };

struct TToken {
    TTokenKind Kind = tkEnd;
    String Text;
    bool Quoted = false; // a [bracketed] or "quoted" name, never a keyword
};

const char* const ReservedWords[] = {"AND", "OR", "NOT", "LIKE", "IN", "IS", "BETWEEN", "ESCAPE"};

class TFilterParser {
public:
    TFilterParser(const String& text, TDataSet* dataSet)
        : FText(text), FDataSet(dataSet), FDecimalSeparator(FormatSettings.DecimalSeparator) {
        NextToken();
    }

    std::unique_ptr<TNode> Parse() {
        auto node = ParseOr();
        if (FToken.Kind != tkEnd) Unexpected();
        CheckCondition(*node);
        return node;
    }

private:
    [[noreturn]] void Fail(const String& detail) { DatabaseErrorFmt(SFilterSyntaxError, {detail}, FDataSet); }

    // Groups and NOTs inside each other; far deeper than any filter a person writes, and
    // shallow enough for the parser's, the evaluator's and the tree's recursion.
    static constexpr int MaxNesting = 256;

    class TNesting {
    public:
        explicit TNesting(TFilterParser& parser) : FParser(parser) {
            if (++FParser.FNesting > MaxNesting) FParser.Fail("nested too deeply");
        }
        ~TNesting() { --FParser.FNesting; }

    private:
        TFilterParser& FParser;
    };

    [[noreturn]] void Unexpected() {
        Fail(FToken.Kind == tkEnd ? String("unexpected end") : "unexpected '" + FToken.Text + "'");
    }

    bool IsKeyword(const char* keyword) const {
        return FToken.Kind == tkName && !FToken.Quoted && SameText(FToken.Text, keyword);
    }

    bool IsSymbol(const char* symbol) const { return FToken.Kind == tkSymbol && FToken.Text == symbol; }

    void Expect(const char* symbol) {
        if (!IsSymbol(symbol)) Fail(String("'") + symbol + "' expected");
        NextToken();
    }

    void NextToken() {
        while (FPos < FText.size() && std::isspace(static_cast<unsigned char>(FText[FPos])))
            ++FPos;
        FToken = TToken();
        if (FPos >= FText.size()) return;
        const char c = FText[FPos];
        if (c == '\'') {
            ReadText();
        } else if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            const std::size_t end = FText.find(close, FPos + 1);
            if (end == String::npos) Fail("unterminated field name");
            FToken.Kind = tkName;
            FToken.Text = FText.substr(FPos + 1, end - FPos - 1);
            FToken.Quoted = true;
            FPos = end + 1;
        } else if (IsDigit(c) || (c == '.' && FPos + 1 < FText.size() && IsDigit(FText[FPos + 1]))) {
            ReadNumber();
        } else if (IsNameStart(c)) {
            const std::size_t start = FPos;
            while (FPos < FText.size() && IsNameChar(FText[FPos]))
                ++FPos;
            FToken.Kind = tkName;
            FToken.Text = FText.substr(start, FPos - start);
        } else {
            static const char* const twoCharSymbols[] = {"<>", "<=", ">=", "!="};
            for (const char* symbol : twoCharSymbols)
                if (FText.compare(FPos, 2, symbol) == 0) {
                    FToken.Kind = tkSymbol;
                    FToken.Text = symbol;
                    FPos += 2;
                    return;
                }
            if (String("=<>(),-+").find(c) == String::npos) Fail(String("unexpected '") + c + "'");
            FToken.Kind = tkSymbol;
            FToken.Text = String(1, c);
            ++FPos;
        }
    }

    void ReadText() {
        String text;
        ++FPos;
        for (;;) {
            if (FPos >= FText.size()) Fail("unterminated text");
            if (FText[FPos] == '\'') {
                if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
                    text += '\'';
                    FPos += 2;
                    continue;
                }
                ++FPos;
                break;
            }
            text += FText[FPos++];
        }
        FToken.Kind = tkText;
        FToken.Text = std::move(text);
    }

    // Digits, a decimal part after the locale's separator or ".", an exponent. The separator
    // belongs to the number only when a digit follows it, so "1, 2" stays two numbers where
    // the separator is ",".
    void ReadNumber() {
        const std::size_t start = FPos;
        auto digits = [&] {
            while (FPos < FText.size() && IsDigit(FText[FPos]))
                ++FPos;
        };
        digits();
        if (FPos + 1 < FText.size() && (FText[FPos] == '.' || FText[FPos] == FDecimalSeparator) &&
            IsDigit(FText[FPos + 1])) {
            ++FPos;
            digits();
        }
        if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
            std::size_t next = FPos + 1;
            if (next < FText.size() && (FText[next] == '+' || FText[next] == '-')) ++next;
            if (next < FText.size() && IsDigit(FText[next])) {
                FPos = next;
                digits();
            }
        }
        FToken.Kind = tkNumber;
        FToken.Text = FText.substr(start, FPos - start);
    }

    Variant NumberValue(const String& written) {
        String text = written;
        bool integral = true;
        for (char& c : text) {
            if (c == FDecimalSeparator) c = '.';
            if (c == '.' || c == 'e' || c == 'E') integral = false;
        }
        Int64 integer = 0;
        if (integral && TryStrToInt64(text, integer))
            return integer >= -2147483648LL && integer <= 2147483647LL ? Variant(Integer(integer))
                                                                       : Variant(integer);
        TFormatSettings dot = FormatSettings;
        dot.DecimalSeparator = '.';
        dot.ThousandSeparator = ',';
        Extended number = 0;
        if (!TryStrToFloat(text, number, dot)) Fail("invalid number '" + written + "'");
        return Variant(double(number));
    }

    static std::unique_ptr<TNode> Make(TNode::TKind kind) {
        auto node = std::make_unique<TNode>();
        node->Kind = kind;
        return node;
    }

    static std::unique_ptr<TNode> Make(TNode::TKind kind, std::unique_ptr<TNode> first,
                                       std::unique_ptr<TNode> second = nullptr) {
        auto node = Make(kind);
        node->Children.push_back(std::move(first));
        if (second) node->Children.push_back(std::move(second));
        return node;
    }

    // A lone operand stands for a condition only when it can be true or false.
    void CheckCondition(const TNode& node) {
        if (node.Kind == TNode::nkField) {
            const TFieldType type = node.Field->GetDataType();
            if (type != ftBoolean && type != ftVariant)
                Fail("condition expected instead of '" + node.Field->GetFieldName() + "'");
        } else if (node.Kind == TNode::nkConst && VarType(node.Value) != varBoolean) {
            Fail("condition expected instead of '" +
                 (VarIsNull(node.Value) ? String("NULL") : VarToStr(node.Value)) + "'");
        }
    }

    // A chain of terms joined by one word becomes one node holding them all, so that a chain
    // of any length is parsed, evaluated and freed without a level of recursion per term.
    std::unique_ptr<TNode> ParseOr() {
        auto left = ParseAnd();
        if (!IsKeyword("OR")) return left;
        CheckCondition(*left);
        auto chain = Make(TNode::nkOr, std::move(left));
        while (IsKeyword("OR")) {
            NextToken();
            chain->Children.push_back(ParseAnd());
            CheckCondition(*chain->Children.back());
        }
        return chain;
    }

    std::unique_ptr<TNode> ParseAnd() {
        auto left = ParseNot();
        if (!IsKeyword("AND")) return left;
        CheckCondition(*left);
        auto chain = Make(TNode::nkAnd, std::move(left));
        while (IsKeyword("AND")) {
            NextToken();
            chain->Children.push_back(ParseNot());
            CheckCondition(*chain->Children.back());
        }
        return chain;
    }

    std::unique_ptr<TNode> ParseNot() {
        if (!IsKeyword("NOT")) return ParsePredicate();
        NextToken();
        TNesting nesting(*this);
        auto operand = ParseNot();
        CheckCondition(*operand);
        // A list without conditions accepts every record whatever its joining word.
        if (operand->Kind == TNode::nkAll) return operand;
        return Make(TNode::nkNot, std::move(operand));
    }

    static bool IsNullConstant(const TNode& node) {
        return node.Kind == TNode::nkConst && VarIsNull(node.Value);
    }

    // A text compared with a date or time field is read as a date once, here.
    static void ReadAsFieldType(const TNode& field, TNode& constant) {
        if (field.Kind != TNode::nkField || constant.Kind != TNode::nkConst || !VarIsStr(constant.Value))
            return;
        if (!IsDateType(field.Field->GetDataType())) return;
        const String text = VarToStr(constant.Value);
        TDateTime value = 0;
        if (TryStrToDateTime(text, value) || TryIsoDateTime(text, value))
            constant.Value = VarFromDateTime(value);
    }

    std::unique_ptr<TNode> ParsePredicate() {
        auto left = ParseOperand();
        if (left->Kind == TNode::nkAll) return left;
        if (FToken.Kind == tkSymbol) {
            static const std::pair<const char*, TNode::TCompareOp> ops[] = {
                {"=", TNode::coEqual},        {"<>", TNode::coNotEqual}, {"!=", TNode::coNotEqual},
                {"<", TNode::coLess},         {">", TNode::coGreater},   {"<=", TNode::coLessEqual},
                {">=", TNode::coGreaterEqual}};
            for (const auto& [symbol, op] : ops) {
                if (FToken.Text != symbol) continue;
                NextToken();
                auto right = ParseOperand();
                if ((op == TNode::coEqual || op == TNode::coNotEqual) &&
                    (IsNullConstant(*left) || IsNullConstant(*right))) {
                    auto node =
                        Make(TNode::nkIsNull, IsNullConstant(*left) ? std::move(right) : std::move(left));
                    node->Negate = op == TNode::coNotEqual;
                    return node;
                }
                ReadAsFieldType(*left, *right);
                ReadAsFieldType(*right, *left);
                auto node = Make(TNode::nkCompare, std::move(left), std::move(right));
                node->Op = op;
                return node;
            }
            return left;
        }
        if (IsKeyword("IS")) {
            NextToken();
            auto node = Make(TNode::nkIsNull, std::move(left));
            if (IsKeyword("NOT")) {
                node->Negate = true;
                NextToken();
            }
            if (!IsKeyword("NULL")) Fail("NULL expected");
            NextToken();
            return node;
        }
        bool negate = false;
        if (IsKeyword("NOT")) {
            negate = true;
            NextToken();
            if (!IsKeyword("LIKE") && !IsKeyword("IN") && !IsKeyword("BETWEEN"))
                Fail("LIKE, IN or BETWEEN expected");
        }
        if (IsKeyword("LIKE")) {
            NextToken();
            auto node = Make(TNode::nkLike, std::move(left), ParseOperand());
            node->Negate = negate;
            if (IsKeyword("ESCAPE")) {
                NextToken();
                if (FToken.Kind != tkText || FToken.Text.empty() ||
                    Utf8Next(FToken.Text, 0) != FToken.Text.size())
                    Fail("ESCAPE needs one character in quotes");
                node->Escape = Utf8CodePointAt(FToken.Text, 0);
                NextToken();
            }
            return node;
        }
        if (IsKeyword("IN")) {
            NextToken();
            auto node = Make(TNode::nkIn, std::move(left));
            node->Negate = negate;
            Expect("(");
            if (!IsSymbol(")")) {
                for (;;) {
                    node->Children.push_back(ParseOperand());
                    ReadAsFieldType(*node->Children[0], *node->Children.back());
                    if (!IsSymbol(",")) break;
                    NextToken();
                }
            }
            Expect(")");
            return node;
        }
        if (IsKeyword("BETWEEN")) {
            NextToken();
            auto node = Make(TNode::nkBetween, std::move(left), ParseOperand());
            node->Negate = negate;
            if (!IsKeyword("AND")) Fail("AND expected");
            NextToken();
            node->Children.push_back(ParseOperand());
            ReadAsFieldType(*node->Children[0], *node->Children[1]);
            ReadAsFieldType(*node->Children[0], *node->Children[2]);
            return node;
        }
        return left;
    }

    TField* ResolveField(const String& name) {
        if (TField* field = FDataSet->FindField(name)) return field;
        TFields* fields = FDataSet->GetFields();
        for (Integer i = 0; i < fields->GetCount(); ++i)
            if (!fields->GetFields(i)->GetOrigin().empty() &&
                SameText(fields->GetFields(i)->GetOrigin(), name))
                return fields->GetFields(i);
        return FDataSet->FieldByName(name); // raises "Field '...' not found"
    }

    std::unique_ptr<TNode> ParseOperand() {
        if (IsSymbol("(")) {
            NextToken();
            if (IsSymbol(")")) {
                NextToken();
                return Make(TNode::nkAll);
            }
            TNesting nesting(*this);
            auto node = ParseOr();
            Expect(")");
            return node;
        }
        String sign;
        if (IsSymbol("-") || IsSymbol("+")) {
            sign = FToken.Text == "-" ? "-" : "";
            NextToken();
            if (FToken.Kind != tkNumber) Fail("number expected");
        }
        auto node = Make(TNode::nkConst);
        switch (FToken.Kind) {
        case tkText:
            node->Value = Variant(FToken.Text);
            break;
        case tkNumber:
            node->Value = NumberValue(sign + FToken.Text);
            break;
        case tkName:
            if (IsKeyword("NULL")) {
                node->Value = Null();
            } else if (IsKeyword("TRUE") || IsKeyword("FALSE")) {
                node->Value = Variant(IsKeyword("TRUE"));
            } else {
                if (!FToken.Quoted)
                    for (const char* word : ReservedWords)
                        if (SameText(FToken.Text, word)) Unexpected();
                node->Kind = TNode::nkField;
                node->Field = ResolveField(FToken.Text);
            }
            break;
        default:
            Unexpected();
        }
        NextToken();
        return node;
    }

    String FText;
    std::size_t FPos = 0;
    TDataSet* FDataSet;
    char FDecimalSeparator;
    TToken FToken;
    int FNesting = 0;
};

// ---- Evaluation ----------------------------------------------------------------------------------

// SQL's three truth values: a comparison with a null operand is unknown.
enum class TTruth { False, True, Unknown };

TTruth TruthOf(bool value) { return value ? TTruth::True : TTruth::False; }

TTruth NotTruth(TTruth value) {
    return value == TTruth::Unknown ? value : value == TTruth::True ? TTruth::False : TTruth::True;
}

TTruth AndTruth(TTruth a, TTruth b) {
    if (a == TTruth::False || b == TTruth::False) return TTruth::False;
    return a == TTruth::True && b == TTruth::True ? TTruth::True : TTruth::Unknown;
}

TTruth OrTruth(TTruth a, TTruth b) {
    if (a == TTruth::True || b == TTruth::True) return TTruth::True;
    return a == TTruth::False && b == TTruth::False ? TTruth::False : TTruth::Unknown;
}

enum class TOrder { Less, Equal, Greater, Null, Invalid };

class TFilterEvaluator {
public:
    explicit TFilterEvaluator(TFilterOptions options)
        : FCaseInsensitive(options.Contains(foCaseInsensitive)),
          FPartialCompare(!options.Contains(foNoPartialCompare)) {}

    TTruth Truth(const TNode& node) const {
        switch (node.Kind) {
        case TNode::nkConst:
        case TNode::nkField: {
            const Variant value = Value(node);
            if (IsNullValue(value)) return TTruth::Unknown;
            try {
                return TruthOf(value.AsBoolean());
            } catch (const EVariantError&) {
                return TTruth::False;
            }
        }
        case TNode::nkAll:
            return TTruth::True;
        case TNode::nkNot:
            return NotTruth(Truth(*node.Children[0]));
        case TNode::nkAnd: {
            TTruth result = TTruth::True;
            for (const auto& child : node.Children) {
                result = AndTruth(result, Truth(*child));
                if (result == TTruth::False) break;
            }
            return result;
        }
        case TNode::nkOr: {
            TTruth result = TTruth::False;
            for (const auto& child : node.Children) {
                result = OrTruth(result, Truth(*child));
                if (result == TTruth::True) break;
            }
            return result;
        }
        case TNode::nkCompare:
            return CompareTruth(node);
        case TNode::nkIsNull:
            return TruthOf(IsNullValue(Value(*node.Children[0])) != node.Negate);
        case TNode::nkLike: {
            const Variant value = Value(*node.Children[0]);
            const Variant pattern = Value(*node.Children[1]);
            if (IsNullValue(value) || IsNullValue(pattern)) return TTruth::Unknown;
            String text = VarToStr(value);
            String mask = VarToStr(pattern);
            char32_t escape = node.Escape;
            if (FCaseInsensitive) {
                text = AnsiUpperCase(text);
                mask = AnsiUpperCase(mask);
                if (escape != 0) escape = Utf8CodePointAt(AnsiUpperCase(Utf8FromCodePoint(escape)), 0);
            }
            return TruthOf(FilterLikeMatch(text, mask, escape) != node.Negate);
        }
        case TNode::nkIn: {
            const Variant value = Value(*node.Children[0]);
            const bool valueNull = IsNullValue(value);
            bool found = false;
            for (std::size_t i = 1; i < node.Children.size() && !found; ++i) {
                const Variant item = Value(*node.Children[i]);
                // A NULL in the list takes the null values, as "= NULL" does.
                found = valueNull ? IsNullValue(item) : OrderOf(value, item) == TOrder::Equal;
            }
            const TTruth result = found ? TTruth::True : valueNull ? TTruth::Unknown : TTruth::False;
            return node.Negate ? NotTruth(result) : result;
        }
        case TNode::nkBetween: {
            const Variant value = Value(*node.Children[0]);
            const TTruth result = AndTruth(LessOrEqual(Value(*node.Children[1]), value),
                                           LessOrEqual(value, Value(*node.Children[2])));
            return node.Negate ? NotTruth(result) : result;
        }
        }
        return TTruth::Unknown;
    }

private:
    Variant Value(const TNode& node) const {
        switch (node.Kind) {
        case TNode::nkConst:
            return node.Value;
        case TNode::nkField:
            return node.Field->GetValue();
        default: {
            // A condition used as a value (a comparison of two conditions).
            const TTruth truth = Truth(node);
            return truth == TTruth::Unknown ? Null() : Variant(truth == TTruth::True);
        }
        }
    }

    String Folded(const Variant& text) const {
        return FCaseInsensitive ? AnsiUpperCase(VarToStr(text)) : VarToStr(text);
    }

    TOrder OrderOf(const Variant& a, const Variant& b) const {
        if (IsNullValue(a) || IsNullValue(b)) return TOrder::Null;
        if (VarIsStr(a) && VarIsStr(b)) {
            const int c = CompareStr(Folded(a), Folded(b));
            return c < 0 ? TOrder::Less : c > 0 ? TOrder::Greater : TOrder::Equal;
        }
        try {
            switch (VarCompareValue(a, b)) {
            case vrEqual:
                return TOrder::Equal;
            case vrLessThan:
                return TOrder::Less;
            case vrGreaterThan:
                return TOrder::Greater;
            default:
                return TOrder::Invalid;
            }
        } catch (const EVariantError&) {
            return TOrder::Invalid;
        } catch (const EConvertError&) {
            return TOrder::Invalid;
        }
    }

    TTruth LessOrEqual(const Variant& a, const Variant& b) const {
        const TOrder order = OrderOf(a, b);
        if (order == TOrder::Null) return TTruth::Unknown;
        return TruthOf(order == TOrder::Less || order == TOrder::Equal);
    }

    TTruth CompareTruth(const TNode& node) const {
        const Variant left = Value(*node.Children[0]);
        const Variant right = Value(*node.Children[1]);
        const bool equality = node.Op == TNode::coEqual || node.Op == TNode::coNotEqual;
        if (equality && FPartialCompare && VarIsStr(left) && VarIsStr(right)) {
            const String wanted = Folded(right);
            if (!wanted.empty() && wanted.back() == '*') {
                const bool match =
                    Folded(left).compare(0, wanted.size() - 1, wanted, 0, wanted.size() - 1) == 0;
                return TruthOf(match == (node.Op == TNode::coEqual));
            }
        }
        const TOrder order = OrderOf(left, right);
        if (order == TOrder::Null) return TTruth::Unknown;
        if (order == TOrder::Invalid) return TruthOf(node.Op == TNode::coNotEqual);
        switch (node.Op) {
        case TNode::coEqual:
            return TruthOf(order == TOrder::Equal);
        case TNode::coNotEqual:
            return TruthOf(order != TOrder::Equal);
        case TNode::coLess:
            return TruthOf(order == TOrder::Less);
        case TNode::coGreater:
            return TruthOf(order == TOrder::Greater);
        case TNode::coLessEqual:
            return TruthOf(order != TOrder::Greater);
        case TNode::coGreaterEqual:
            return TruthOf(order != TOrder::Less);
        }
        return TTruth::Unknown;
    }

    bool FCaseInsensitive;
    bool FPartialCompare;
};

} // namespace

// ---- TFilterExpression ---------------------------------------------------------------------------

TFilterExpression::TFilterExpression(const String& text, TDataSet* dataSet) {
    TFilterParser parser(text, dataSet);
    FRoot = parser.Parse();
}

TFilterExpression::~TFilterExpression() = default;

bool TFilterExpression::Evaluate(TFilterOptions options) const {
    return TFilterEvaluator(options).Truth(*FRoot) == TTruth::True;
}

// ---- LIKE ----------------------------------------------------------------------------------------

bool FilterLikeMatch(const String& text, const String& pattern, char32_t escape) {
    struct TPatternChar {
        enum { pcAny, pcOne, pcLiteral } Kind;
        char32_t Char;
    };
    std::vector<TPatternChar> mask;
    for (std::size_t i = 0; i < pattern.size(); i = Utf8Next(pattern, i)) {
        const char32_t c = Utf8CodePointAt(pattern, i);
        if (escape != 0 && c == escape) {
            const std::size_t next = Utf8Next(pattern, i);
            // A trailing escape character stands for itself.
            if (next < pattern.size()) {
                i = next;
                mask.push_back({TPatternChar::pcLiteral, Utf8CodePointAt(pattern, i)});
            } else {
                mask.push_back({TPatternChar::pcLiteral, c});
            }
        } else if (c == U'%') {
            mask.push_back({TPatternChar::pcAny, c});
        } else if (c == U'_') {
            mask.push_back({TPatternChar::pcOne, c});
        } else {
            mask.push_back({TPatternChar::pcLiteral, c});
        }
    }
    std::u32string chars;
    for (std::size_t i = 0; i < text.size(); i = Utf8Next(text, i))
        chars.push_back(Utf8CodePointAt(text, i));

    // Greedy walk that falls back to the last "%" on a mismatch: time grows with the product of
    // the two lengths at worst, never exponentially.
    std::size_t t = 0, p = 0;
    std::size_t starP = std::size_t(-1), starT = 0;
    while (t < chars.size()) {
        if (p < mask.size() && (mask[p].Kind == TPatternChar::pcOne ||
                                (mask[p].Kind == TPatternChar::pcLiteral && mask[p].Char == chars[t]))) {
            ++t;
            ++p;
        } else if (p < mask.size() && mask[p].Kind == TPatternChar::pcAny) {
            starP = p++;
            starT = t;
        } else if (starP != std::size_t(-1)) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < mask.size() && mask[p].Kind == TPatternChar::pcAny)
        ++p;
    return p == mask.size();
}

// ---- Locate --------------------------------------------------------------------------------------

bool LocateKeyMatches(const Variant& value, const Variant& key, TLocateOptions options) {
    const bool valueNull = IsNullValue(value);
    const bool keyNull = IsNullValue(key);
    if (valueNull || keyNull) return valueNull && keyNull;
    if (VarIsStr(value) || (VarIsStr(key) && options.Contains(loPartialKey))) {
        String text = VarToStr(value);
        String wanted = VarToStr(key);
        if (options.Contains(loCaseInsensitive)) {
            text = AnsiUpperCase(text);
            wanted = AnsiUpperCase(wanted);
        }
        if (options.Contains(loPartialKey)) return text.compare(0, wanted.size(), wanted) == 0;
        return text == wanted;
    }
    try {
        return VarCompareValue(value, key) == vrEqual;
    } catch (const EVariantError&) {
        return false;
    } catch (const EConvertError&) {
        return false;
    }
}
