// The in-memory data set and its filter expressions.
#include "platform/classlib/MemDataSet.h"

#include <algorithm>
#include <cctype>

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

// ---- Filter expressions --------------------------------------------------------------------------
//
// The filter text is a condition over the fields of the record:
//   condition := term { OR term };  term := factor { AND factor };  factor := NOT factor | test
//   test := operand [ comparison operand | IS [NOT] NULL | [NOT] LIKE operand
//                     | [NOT] IN ( operand { , operand } ) ]
//   comparison := = <> != < > <= >=
//   operand := 'text' | number | NULL | TRUE | FALSE | field name | [field name] | "field name"
//              | ( condition )
// Comparisons follow SQL: a Null operand makes the test unknown, and only a condition that is
// true accepts the record. Texts compare ignoring case with foCaseInsensitive; unless
// foNoPartialCompare, a text ending in "*" matches every value that begins with the rest.

class TMemDataSet::TFilterNode {
public:
    enum TKind { nkConst, nkField, nkNot, nkAnd, nkOr, nkCompare, nkIsNull, nkLike, nkIn };
    enum TCompareOp { coEqual, coNotEqual, coLess, coGreater, coLessEqual, coGreaterEqual };

    TKind Kind = nkConst;
    TCompareOp Op = coEqual;
    bool Negate = false;
    Variant Value;
    TField* Field = nullptr;
    std::vector<std::unique_ptr<TFilterNode>> Children;
};

namespace {

using TFilterNode = TMemDataSet::TFilterNode;

enum TTokenKind { tkEnd, tkName, tkText, tkNumber, tkSymbol };

struct TToken {
    TTokenKind Kind = tkEnd;
    String Text;
};

class TFilterParser {
public:
    TFilterParser(const String& text, TDataSet* dataSet) : FText(text), FDataSet(dataSet) { NextToken(); }

    std::unique_ptr<TFilterNode> Parse() {
        auto node = ParseOr();
        if (FToken.Kind != tkEnd) Fail("unexpected '" + FToken.Text + "'");
        return node;
    }

private:
    [[noreturn]] void Fail(const String& detail) { DatabaseErrorFmt(SFilterSyntaxError, {detail}, FDataSet); }

    bool IsKeyword(const char* keyword) const {
        return FToken.Kind == tkName && SameText(FToken.Text, keyword);
    }

    void NextToken() {
        while (FPos < FText.size() && std::isspace(static_cast<unsigned char>(FText[FPos])))
            ++FPos;
        FToken = TToken();
        if (FPos >= FText.size()) return;
        const char c = FText[FPos];
        if (c == '\'') {
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
            FToken = {tkText, text};
        } else if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            const std::size_t end = FText.find(close, FPos + 1);
            if (end == String::npos) Fail("unterminated field name");
            FToken = {tkName, FText.substr(FPos + 1, end - FPos - 1)};
            FToken.Text.insert(0, 1, '\x01'); // marks a quoted name, never a keyword
            FPos = end + 1;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && FPos + 1 < FText.size() &&
                    std::isdigit(static_cast<unsigned char>(FText[FPos + 1])))) {
            const std::size_t start = FPos;
            while (FPos < FText.size() &&
                   (std::isdigit(static_cast<unsigned char>(FText[FPos])) || FText[FPos] == '.'))
                ++FPos;
            if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
                ++FPos;
                if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
                while (FPos < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos])))
                    ++FPos;
            }
            FToken = {tkNumber, FText.substr(start, FPos - start)};
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
                   static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t start = FPos;
            while (FPos < FText.size() &&
                   (std::isalnum(static_cast<unsigned char>(FText[FPos])) || FText[FPos] == '_' ||
                    static_cast<unsigned char>(FText[FPos]) >= 0x80))
                ++FPos;
            FToken = {tkName, FText.substr(start, FPos - start)};
        } else {
            static const char* const twoCharSymbols[] = {"<>", "<=", ">=", "!="};
            for (const char* symbol : twoCharSymbols)
                if (FText.compare(FPos, 2, symbol) == 0) {
                    FToken = {tkSymbol, symbol};
                    FPos += 2;
                    return;
                }
            if (String("=<>(),-+").find(c) == String::npos) Fail(String("unexpected '") + c + "'");
            FToken = {tkSymbol, String(1, c)};
            ++FPos;
        }
    }

    static std::unique_ptr<TFilterNode> Make(TFilterNode::TKind kind) {
        auto node = std::make_unique<TFilterNode>();
        node->Kind = kind;
        return node;
    }

    std::unique_ptr<TFilterNode> ParseOr() {
        auto left = ParseAnd();
        while (IsKeyword("OR")) {
            NextToken();
            auto node = Make(TFilterNode::nkOr);
            node->Children.push_back(std::move(left));
            node->Children.push_back(ParseAnd());
            left = std::move(node);
        }
        return left;
    }

    std::unique_ptr<TFilterNode> ParseAnd() {
        auto left = ParseNot();
        while (IsKeyword("AND")) {
            NextToken();
            auto node = Make(TFilterNode::nkAnd);
            node->Children.push_back(std::move(left));
            node->Children.push_back(ParseNot());
            left = std::move(node);
        }
        return left;
    }

    std::unique_ptr<TFilterNode> ParseNot() {
        if (IsKeyword("NOT")) {
            NextToken();
            auto node = Make(TFilterNode::nkNot);
            node->Children.push_back(ParseNot());
            return node;
        }
        return ParseTest();
    }

    std::unique_ptr<TFilterNode> ParseTest() {
        auto left = ParseOperand();
        if (FToken.Kind == tkSymbol) {
            static const std::pair<const char*, TFilterNode::TCompareOp> ops[] = {
                {"=", TFilterNode::coEqual},        {"<>", TFilterNode::coNotEqual},
                {"!=", TFilterNode::coNotEqual},    {"<", TFilterNode::coLess},
                {">", TFilterNode::coGreater},      {"<=", TFilterNode::coLessEqual},
                {">=", TFilterNode::coGreaterEqual}};
            for (const auto& [symbol, op] : ops)
                if (FToken.Text == symbol) {
                    NextToken();
                    auto node = Make(TFilterNode::nkCompare);
                    node->Op = op;
                    node->Children.push_back(std::move(left));
                    node->Children.push_back(ParseOperand());
                    return node;
                }
            return left;
        }
        if (IsKeyword("IS")) {
            NextToken();
            auto node = Make(TFilterNode::nkIsNull);
            if (IsKeyword("NOT")) {
                node->Negate = true;
                NextToken();
            }
            if (!IsKeyword("NULL")) Fail("NULL expected");
            NextToken();
            node->Children.push_back(std::move(left));
            return node;
        }
        bool negate = false;
        if (IsKeyword("NOT")) {
            negate = true;
            NextToken();
            if (!IsKeyword("LIKE") && !IsKeyword("IN")) Fail("LIKE or IN expected");
        }
        if (IsKeyword("LIKE")) {
            NextToken();
            auto node = Make(TFilterNode::nkLike);
            node->Negate = negate;
            node->Children.push_back(std::move(left));
            node->Children.push_back(ParseOperand());
            return node;
        }
        if (IsKeyword("IN")) {
            NextToken();
            auto node = Make(TFilterNode::nkIn);
            node->Negate = negate;
            node->Children.push_back(std::move(left));
            if (!(FToken.Kind == tkSymbol && FToken.Text == "(")) Fail("'(' expected");
            do {
                NextToken();
                node->Children.push_back(ParseOperand());
            } while (FToken.Kind == tkSymbol && FToken.Text == ",");
            if (!(FToken.Kind == tkSymbol && FToken.Text == ")")) Fail("')' expected");
            NextToken();
            return node;
        }
        return left;
    }

    std::unique_ptr<TFilterNode> ParseOperand() {
        if (FToken.Kind == tkSymbol && FToken.Text == "(") {
            NextToken();
            auto node = ParseOr();
            if (!(FToken.Kind == tkSymbol && FToken.Text == ")")) Fail("')' expected");
            NextToken();
            return node;
        }
        if (FToken.Kind == tkSymbol && (FToken.Text == "-" || FToken.Text == "+")) {
            const bool minus = FToken.Text == "-";
            NextToken();
            if (FToken.Kind != tkNumber) Fail("number expected");
            FToken.Text.insert(0, minus ? "-" : "");
        }
        auto node = Make(TFilterNode::nkConst);
        switch (FToken.Kind) {
        case tkText:
            node->Value = Variant(FToken.Text);
            break;
        case tkNumber: {
            Int64 integer = 0;
            if (TryStrToInt64(FToken.Text, integer)) {
                node->Value = integer >= -2147483648LL && integer <= 2147483647LL ? Variant(Integer(integer))
                                                                                  : Variant(integer);
            } else {
                TFormatSettings dot = FormatSettings;
                dot.DecimalSeparator = '.';
                Extended number = 0;
                if (!TryStrToFloat(FToken.Text, number, dot)) Fail("invalid number " + FToken.Text);
                node->Value = Variant(double(number));
            }
            break;
        }
        case tkName:
            if (IsKeyword("NULL")) {
                node->Value = Null();
            } else if (IsKeyword("TRUE") || IsKeyword("FALSE")) {
                node->Value = Variant(IsKeyword("TRUE"));
            } else {
                String name = FToken.Text;
                if (!name.empty() && name[0] == '\x01') name.erase(0, 1);
                node->Kind = TFilterNode::nkField;
                node->Field = FDataSet->FieldByName(name);
            }
            break;
        default:
            Fail(FToken.Kind == tkEnd ? String("unexpected end") : "unexpected '" + FToken.Text + "'");
        }
        NextToken();
        return node;
    }

    String FText;
    std::size_t FPos = 0;
    TDataSet* FDataSet;
    TToken FToken;
};

bool IsTextValue(const Variant& value) { return VarIsStr(value); }

bool IsNullValue(const Variant& value) { return VarIsNull(value) || VarIsEmpty(value); }

// LIKE with % (any run of characters) and _ (one character), by code points.
bool LikeMatch(const std::u32string& text, std::size_t ti, const std::u32string& pattern, std::size_t pi) {
    while (pi < pattern.size()) {
        if (pattern[pi] == U'%') {
            while (pi < pattern.size() && pattern[pi] == U'%')
                ++pi;
            if (pi == pattern.size()) return true;
            for (std::size_t k = ti; k <= text.size(); ++k)
                if (LikeMatch(text, k, pattern, pi)) return true;
            return false;
        }
        if (ti >= text.size()) return false;
        if (pattern[pi] != U'_' && pattern[pi] != text[ti]) return false;
        ++ti;
        ++pi;
    }
    return ti == text.size();
}

std::u32string CodePoints(const String& text) {
    std::u32string result;
    for (std::size_t i = 0; i < text.size(); i = Utf8Next(text, i))
        result.push_back(Utf8CodePointAt(text, i));
    return result;
}

class TFilterEvaluator {
public:
    explicit TFilterEvaluator(TFilterOptions options) : FOptions(options) {}

    // Null for unknown, else a Boolean (or the operand's value).
    Variant Evaluate(const TFilterNode& node) {
        switch (node.Kind) {
        case TFilterNode::nkConst:
            return node.Value;
        case TFilterNode::nkField:
            return node.Field->GetValue();
        case TFilterNode::nkNot: {
            const Variant value = Evaluate(*node.Children[0]);
            return IsNullValue(value) ? Null() : Variant(!value.AsBoolean());
        }
        case TFilterNode::nkAnd: {
            const Variant left = Evaluate(*node.Children[0]);
            if (!IsNullValue(left) && !left.AsBoolean()) return Variant(false);
            const Variant right = Evaluate(*node.Children[1]);
            if (!IsNullValue(right) && !right.AsBoolean()) return Variant(false);
            return IsNullValue(left) || IsNullValue(right) ? Null() : Variant(true);
        }
        case TFilterNode::nkOr: {
            const Variant left = Evaluate(*node.Children[0]);
            if (!IsNullValue(left) && left.AsBoolean()) return Variant(true);
            const Variant right = Evaluate(*node.Children[1]);
            if (!IsNullValue(right) && right.AsBoolean()) return Variant(true);
            return IsNullValue(left) || IsNullValue(right) ? Null() : Variant(false);
        }
        case TFilterNode::nkIsNull: {
            const bool isNull = IsNullValue(Evaluate(*node.Children[0]));
            return Variant(node.Negate ? !isNull : isNull);
        }
        case TFilterNode::nkCompare:
            return Compare(Evaluate(*node.Children[0]), Evaluate(*node.Children[1]), node.Op);
        case TFilterNode::nkLike: {
            const Variant value = Evaluate(*node.Children[0]);
            const Variant pattern = Evaluate(*node.Children[1]);
            if (IsNullValue(value) || IsNullValue(pattern)) return Null();
            String text = VarToStr(value);
            String mask = VarToStr(pattern);
            if (FOptions.Contains(foCaseInsensitive)) {
                text = AnsiUpperCase(text);
                mask = AnsiUpperCase(mask);
            }
            const bool match = LikeMatch(CodePoints(text), 0, CodePoints(mask), 0);
            return Variant(node.Negate ? !match : match);
        }
        case TFilterNode::nkIn: {
            const Variant value = Evaluate(*node.Children[0]);
            if (IsNullValue(value)) return Null();
            bool found = false;
            for (std::size_t i = 1; i < node.Children.size() && !found; ++i) {
                const Variant item = Compare(value, Evaluate(*node.Children[i]), TFilterNode::coEqual);
                found = !IsNullValue(item) && item.AsBoolean();
            }
            return Variant(node.Negate ? !found : found);
        }
        }
        return Null();
    }

private:
    Variant Compare(const Variant& left, const Variant& right, TFilterNode::TCompareOp op) {
        if (IsNullValue(left) || IsNullValue(right)) return Null();
        Integer order = 0;
        if (IsTextValue(left) && IsTextValue(right)) {
            String a = VarToStr(left);
            String b = VarToStr(right);
            if (FOptions.Contains(foCaseInsensitive)) {
                a = AnsiUpperCase(a);
                b = AnsiUpperCase(b);
            }
            const bool partial = !FOptions.Contains(foNoPartialCompare) &&
                                 (op == TFilterNode::coEqual || op == TFilterNode::coNotEqual);
            if (partial && !b.empty() && b.back() == '*') {
                b.pop_back();
                const bool match = a.compare(0, b.size(), b) == 0;
                return Variant(op == TFilterNode::coEqual ? match : !match);
            }
            order = CompareStr(a, b);
        } else {
            try {
                switch (VarCompareValue(left, right)) {
                case vrEqual:
                    order = 0;
                    break;
                case vrLessThan:
                    order = -1;
                    break;
                case vrGreaterThan:
                    order = 1;
                    break;
                default:
                    return Null();
                }
            } catch (const EVariantError&) {
                // Values of kinds that do not compare (a text that is no number) never match.
                return Variant(op == TFilterNode::coNotEqual);
            }
        }
        switch (op) {
        case TFilterNode::coEqual:
            return Variant(order == 0);
        case TFilterNode::coNotEqual:
            return Variant(order != 0);
        case TFilterNode::coLess:
            return Variant(order < 0);
        case TFilterNode::coGreater:
            return Variant(order > 0);
        case TFilterNode::coLessEqual:
            return Variant(order <= 0);
        case TFilterNode::coGreaterEqual:
            return Variant(order >= 0);
        }
        return Null();
    }

    TFilterOptions FOptions;
};

// Whether a record value matches a key value (Locate, Lookup).
bool KeyMatches(const Variant& value, const Variant& key, TLocateOptions options) {
    const bool valueNull = IsNullValue(value);
    const bool keyNull = IsNullValue(key);
    if (valueNull || keyNull) return valueNull && keyNull;
    if (IsTextValue(value) || (IsTextValue(key) && options.Contains(loPartialKey))) {
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
    }
}

} // namespace

// ---- TMemDataSet ---------------------------------------------------------------------------------

TMemDataSet::TMemDataSet(TComponent* owner) : TDataSet(owner) {}

TMemDataSet::~TMemDataSet() {
    Destroying();
    try {
        Close();
    } catch (...) {
        // Closing an in-memory set drops its records; nothing can be lost that was not already.
    }
}

void TMemDataSet::CreateDataSet() {
    CheckInactive();
    if (GetFieldDefs()->GetCount() == 0 && GetFieldCount() > 0) InitFieldDefsFromFields();
    Open();
}

void TMemDataSet::EmptyDataSet() {
    CheckBrowseMode();
    FRecords.clear();
    RecordsChanged();
    FCursor = -1;
    Resync({});
}

void TMemDataSet::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    if (GetActive()) CheckBrowseMode();
    FReadOnly = value;
}

void TMemDataSet::InitFieldDefsFromFields() {
    TFieldDefs* defs = GetFieldDefs();
    defs->BeginUpdate();
    try {
        defs->Clear();
        for (Integer i = 0; i < GetFieldCount(); ++i) {
            TField* field = GetFields()->GetFields(i);
            if (field->GetFieldKind() != fkData) continue;
            const bool sized = dynamic_cast<TStringField*>(field) != nullptr ||
                               dynamic_cast<TBinaryField*>(field) != nullptr ||
                               dynamic_cast<TBCDField*>(field) != nullptr ||
                               dynamic_cast<TFMTBCDField*>(field) != nullptr || field->GetIsBlob();
            TFieldDef* def = defs->Add(field->GetFieldName(), field->GetDataType(),
                                       sized ? field->GetSize() : 0, field->GetRequired());
            if (auto* f = dynamic_cast<TFloatField*>(field)) def->SetPrecision(f->GetPrecision());
            if (auto* f = dynamic_cast<TBCDField*>(field)) def->SetPrecision(f->GetPrecision());
            if (auto* f = dynamic_cast<TFMTBCDField*>(field)) def->SetPrecision(f->GetPrecision());
        }
    } catch (...) {
        defs->EndUpdate();
        throw;
    }
    defs->EndUpdate();
}

void TMemDataSet::InternalOpen() {
    if (GetFieldDefs()->GetCount() == 0) {
        if (GetFieldCount() == 0) DatabaseError(SNoFieldDefs, this);
        InitFieldDefsFromFields();
    }
    if (GetDefaultFields()) CreateFields();
    BindFields(true);
    if (GetFiltered()) PrepareFilterText();
    FRecords.clear();
    RecordsChanged();
    FAutoIncValues.assign(std::size_t(GetFieldDefs()->GetCount()), 0);
    FCursor = -1;
    FCursorOpen = true;
}

void TMemDataSet::InternalClose() {
    FRecords.clear();
    RecordsChanged();
    FFilterExpression.reset();
    FCursorOpen = false;
    BindFields(false);
    if (GetDefaultFields()) DestroyFields();
}

TBookmark TMemDataSet::BookmarkOf(Int64 id) { return IntToStr(id); }

Int64 TMemDataSet::IdOf(const TBookmark& bookmark) {
    Int64 id = 0;
    return TryStrToInt64(bookmark, id) ? id : -1;
}

Integer TMemDataSet::IndexOfId(Int64 id) const {
    if (!FIndexValid) {
        FIndex.clear();
        for (std::size_t i = 0; i < FRecords.size(); ++i)
            FIndex[FRecords[i]->Id] = Integer(i);
        FIndexValid = true;
    }
    const auto found = FIndex.find(id);
    return found == FIndex.end() ? -1 : found->second;
}

Integer TMemDataSet::IndexOfBookmark(const TBookmark& bookmark) const {
    const Int64 id = IdOf(bookmark);
    return id < 0 ? -1 : IndexOfId(id);
}

void TMemDataSet::FillBuffer(TRecordBuffer& buffer, Integer index) const {
    const TMemRecord& record = *FRecords[std::size_t(index)];
    buffer.Data = record.Values;
    buffer.Data.resize(std::size_t(GetFieldDefs()->GetCount()), Null());
    buffer.Calc.assign(std::size_t(GetCalcFieldCount()), Null());
    buffer.Bookmark = BookmarkOf(record.Id);
    buffer.Flag = bfCurrent;
}

bool TMemDataSet::AcceptRecord(Integer index, TRecordBuffer& buffer) {
    FillBuffer(buffer, index);
    return FilterRecord(buffer);
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool) {
    const Integer count = Integer(FRecords.size());
    switch (mode) {
    case gmNext: {
        Integer index = std::max(FCursor + 1, 0);
        while (index < count && !AcceptRecord(index, buffer))
            ++index;
        if (index >= count) {
            FCursor = count;
            return grEOF;
        }
        FCursor = index;
        return grOK;
    }
    case gmPrior: {
        Integer index = std::min(FCursor, count) - 1;
        while (index >= 0 && !AcceptRecord(index, buffer))
            --index;
        if (index < 0) {
            FCursor = -1;
            return grBOF;
        }
        FCursor = index;
        return grOK;
    }
    case gmCurrent:
        if (FCursor < 0 || FCursor >= count || !AcceptRecord(FCursor, buffer)) return grError;
        return grOK;
    }
    return grError;
}

void TMemDataSet::InternalFirst() { FCursor = -1; }

void TMemDataSet::InternalLast() { FCursor = Integer(FRecords.size()); }

void TMemDataSet::InternalSetToRecord(const TRecordBuffer& buffer) {
    const Integer index = IndexOfBookmark(buffer.Bookmark);
    if (index >= 0) FCursor = index;
}

void TMemDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    const Integer index = IndexOfBookmark(bookmark);
    if (index < 0) DatabaseError(SRecordNotFound, this);
    FCursor = index;
}

void TMemDataSet::InternalPost() {
    CheckRequiredFields();
    const TRecordBuffer& buffer = *ActiveBuffer();
    std::vector<Variant> values = buffer.Data;
    values.resize(std::size_t(GetFieldDefs()->GetCount()), Null());
    if (GetState() == dsEdit) {
        const Integer index = IndexOfBookmark(buffer.Bookmark);
        if (index < 0) DatabaseError(SRecordNotFound, this);
        FRecords[std::size_t(index)]->Values = std::move(values);
        FCursor = index;
        return;
    }
    // A new record: numbered columns left null get the next number of their column.
    for (std::size_t column = 0; column < values.size(); ++column) {
        if (GetFieldDefs()->GetItems(Integer(column))->GetDataType() != ftAutoInc) continue;
        Int64& last = FAutoIncValues[column];
        if (IsNullValue(values[column]))
            values[column] = Variant(Integer(++last));
        else
            last = std::max<Int64>(last, values[column].AsInt64());
    }
    auto record = std::make_unique<TMemRecord>();
    record->Id = FNextId++;
    record->Values = std::move(values);
    Integer index = Integer(FRecords.size());
    if (buffer.Flag == bfBOF) {
        index = 0;
    } else if (buffer.Flag == bfInserted) {
        const Integer before = IndexOfBookmark(buffer.Bookmark);
        if (before >= 0) index = before;
    }
    FRecords.insert(FRecords.begin() + index, std::move(record));
    RecordsChanged();
    FCursor = index;
}

void TMemDataSet::InternalDelete() {
    const Integer index = IndexOfBookmark(ActiveBuffer()->Bookmark);
    if (index < 0) DatabaseError(SRecordNotFound, this);
    FRecords.erase(FRecords.begin() + index);
    RecordsChanged();
    FCursor = index; // now on the record that followed
}

Integer TMemDataSet::GetRecordCount() const {
    CheckActive();
    if (!GetFiltered()) return Integer(FRecords.size());
    auto* self = const_cast<TMemDataSet*>(this);
    TRecordBuffer buffer;
    Integer count = 0;
    for (Integer i = 0; i < Integer(FRecords.size()); ++i)
        if (self->AcceptRecord(i, buffer)) ++count;
    return count;
}

Integer TMemDataSet::GetRecNo() const {
    if (!GetActive() || IsEmpty() || GetState() == dsInsert) return -1;
    const Integer index = IndexOfBookmark(ActiveBuffer()->Bookmark);
    if (index < 0) return -1;
    if (!GetFiltered()) return index + 1;
    auto* self = const_cast<TMemDataSet*>(this);
    TRecordBuffer buffer;
    Integer number = 0;
    for (Integer i = 0; i <= index; ++i)
        if (self->AcceptRecord(i, buffer)) ++number;
    return number;
}

void TMemDataSet::SetRecNo(Integer value) {
    CheckBrowseMode();
    if (value < 1) return;
    TRecordBuffer buffer;
    Integer number = 0;
    for (Integer i = 0; i < Integer(FRecords.size()); ++i) {
        if (!AcceptRecord(i, buffer) || ++number != value) continue;
        if (value == GetRecNo()) return;
        if (BeforeScroll) BeforeScroll(this);
        FCursor = i;
        Resync({rmCenter});
        if (AfterScroll) AfterScroll(this);
        return;
    }
}

bool TMemDataSet::BookmarkValid(const TBookmark& bookmark) const {
    if (!GetActive()) return false;
    const Integer index = IndexOfBookmark(bookmark);
    if (index < 0) return false;
    TRecordBuffer buffer;
    return const_cast<TMemDataSet*>(this)->AcceptRecord(index, buffer);
}

Integer TMemDataSet::DoCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const {
    const Integer index1 = IndexOfBookmark(bookmark1);
    const Integer index2 = IndexOfBookmark(bookmark2);
    // Records that are gone keep the order they were made in.
    const Int64 a = index1 >= 0 && index2 >= 0 ? index1 : IdOf(bookmark1);
    const Int64 b = index1 >= 0 && index2 >= 0 ? index2 : IdOf(bookmark2);
    return a < b ? -1 : a > b ? 1 : 0;
}

Variant TMemDataSet::GetStoredFieldValue(const TField* field, TDataSetState state) const {
    if (field->GetFieldKind() != fkData) return TDataSet::GetStoredFieldValue(field, state);
    const TRecordBuffer* buffer = ActiveBuffer();
    if (!GetActive() || buffer == nullptr || IsEmpty() || buffer->Flag != bfCurrent) return Null();
    const Integer index = IndexOfBookmark(buffer->Bookmark);
    const Integer column = field->GetFieldNo() - 1;
    if (index < 0 || column < 0) return Null();
    const std::vector<Variant>& values = FRecords[std::size_t(index)]->Values;
    return column < Integer(values.size()) ? values[std::size_t(column)] : Null();
}

Integer TMemDataSet::FindRecord(const std::vector<TField*>& fields, const Variant& keyValues,
                                TLocateOptions options, TRecordBuffer& buffer) {
    std::vector<Variant> keys;
    if (fields.size() == 1) {
        keys.push_back(VarIsArray(keyValues) ? VarArrayGet(keyValues, {VarArrayLowBound(keyValues, 1)})
                                             : keyValues);
    } else {
        if (!VarIsArray(keyValues)) return -1;
        const Integer low = VarArrayLowBound(keyValues, 1);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (low + Integer(i) > VarArrayHighBound(keyValues, 1)) return -1;
            keys.push_back(VarArrayGet(keyValues, {low + Integer(i)}));
        }
    }
    for (Integer index = 0; index < Integer(FRecords.size()); ++index) {
        if (!AcceptRecord(index, buffer)) continue;
        if (!GetFiltered()) CalculateFields(buffer);
        const Variant values = FieldValuesOf(buffer, fields);
        bool match = true;
        for (std::size_t i = 0; i < fields.size() && match; ++i) {
            const Variant value = fields.size() == 1 ? values : VarArrayGet(values, {Integer(i)});
            match = KeyMatches(value, keys[i], options);
        }
        if (match) return index;
    }
    return -1;
}

bool TMemDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    if (fields.empty()) return false;
    TRecordBuffer buffer;
    const Integer index = FindRecord(fields, keyValues, options, buffer);
    if (index < 0) return false;
    if (BeforeScroll) BeforeScroll(this);
    FCursor = index;
    Resync({rmExact, rmCenter});
    if (AfterScroll) AfterScroll(this);
    return true;
}

Variant TMemDataSet::Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
    if (!GetActive()) return Null();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    const std::vector<TField*> results = GetFieldList(resultFields);
    if (fields.empty() || results.empty()) return Null();
    TRecordBuffer buffer;
    if (FindRecord(fields, keyValues, {}, buffer) < 0) return Null();
    return FieldValuesOf(buffer, results);
}

void TMemDataSet::PrepareFilterText() {
    if (GetFilter().empty()) {
        FFilterExpression.reset();
        return;
    }
    TFilterParser parser(GetFilter(), this);
    FFilterExpression = parser.Parse();
}

bool TMemDataSet::EvaluateFilterText() {
    if (!FFilterExpression) return true;
    TFilterEvaluator evaluator(GetFilterOptions());
    const Variant result = evaluator.Evaluate(*FFilterExpression);
    if (IsNullValue(result)) return false;
    try {
        return result.AsBoolean();
    } catch (const EVariantError&) {
        return false;
    }
}

// ---- Registration --------------------------------------------------------------------------------

namespace {

struct TMemDataSetRegistration {
    TMemDataSetRegistration() {
        RegisterEnum<TFilterOption>("TFilterOption", {"foCaseInsensitive", "foNoPartialCompare"});
        RegisterTypeName<TFilterOptions>("TFilterOptions");
        RegisterTypeName<TDataSetNotifyEvent>("TDataSetNotifyEvent");
        RegisterTypeName<TDataSetErrorEvent>("TDataSetErrorEvent");
        RegisterTypeName<TFilterRecordEvent>("TFilterRecordEvent");
        RegisterClass(TMemDataSet::StaticClass());
    }
};
const TMemDataSetRegistration MemDataSetRegistration;

} // namespace

KOV_PUBLISHED(TMemDataSet) {
    Property("AutoCalcFields", &TMemDataSet::GetAutoCalcFields, &TMemDataSet::SetAutoCalcFields)
        .Default(true);
    Property("FieldDefs", &TMemDataSet::GetFieldDefs, &TMemDataSet::SetFieldDefs);
    Property("Filter", &TMemDataSet::GetFilter, &TMemDataSet::SetFilter);
    Property("Filtered", &TMemDataSet::GetFiltered, &TMemDataSet::SetFiltered).Default(false);
    Property("FilterOptions", &TMemDataSet::GetFilterOptions, &TMemDataSet::SetFilterOptions)
        .Default(TFilterOptions());
    Property("ReadOnly", &TMemDataSet::GetReadOnly, &TMemDataSet::SetReadOnly).Default(false);
    // Active comes last so that a stored definition has everything else in place when it opens.
    Property("Active", &TMemDataSet::GetActive, &TMemDataSet::SetActive).Default(false);
    Property("BeforeOpen", &TMemDataSet::BeforeOpen);
    Property("AfterOpen", &TMemDataSet::AfterOpen);
    Property("BeforeClose", &TMemDataSet::BeforeClose);
    Property("AfterClose", &TMemDataSet::AfterClose);
    Property("BeforeInsert", &TMemDataSet::BeforeInsert);
    Property("AfterInsert", &TMemDataSet::AfterInsert);
    Property("BeforeEdit", &TMemDataSet::BeforeEdit);
    Property("AfterEdit", &TMemDataSet::AfterEdit);
    Property("BeforePost", &TMemDataSet::BeforePost);
    Property("AfterPost", &TMemDataSet::AfterPost);
    Property("BeforeCancel", &TMemDataSet::BeforeCancel);
    Property("AfterCancel", &TMemDataSet::AfterCancel);
    Property("BeforeDelete", &TMemDataSet::BeforeDelete);
    Property("AfterDelete", &TMemDataSet::AfterDelete);
    Property("BeforeScroll", &TMemDataSet::BeforeScroll);
    Property("AfterScroll", &TMemDataSet::AfterScroll);
    Property("BeforeRefresh", &TMemDataSet::BeforeRefresh);
    Property("AfterRefresh", &TMemDataSet::AfterRefresh);
    Property("OnCalcFields", &TMemDataSet::OnCalcFields);
    Property("OnDeleteError", &TMemDataSet::OnDeleteError);
    Property("OnEditError", &TMemDataSet::OnEditError);
    Property("OnFilterRecord", &TMemDataSet::OnFilterRecord);
    Property("OnNewRecord", &TMemDataSet::OnNewRecord);
    Property("OnPostError", &TMemDataSet::OnPostError);
}
