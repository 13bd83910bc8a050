#include "suite/editors/qzRegExpr.h"

#include <algorithm>

#include "platform/runtime/Format.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Strings.h"
#include "suite/foundation/qzClasses.h"

namespace {

const char* const sqzMissing = "Missing '%s'";
const char* const sqzUnnecessary = "Unnecessary '%s'";
const char* const sqzIllegal = "Illegal '%s'";
const char* const sqzIllegalQuantifier = "Illegal quantifier '%s'";
const char* const sqzIncorrectParameterQuantifier = "Incorrect parameter quantifier";
const char* const sqzTooComplex = "The regular expression is too complex";

const char32_t CR = 13;
const char32_t LF = 10;

bool IsBlank(char32_t c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
bool IsDigitChar(char32_t c) { return c >= '0' && c <= '9'; }

int HexValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

char32_t SeparatorChar(char separator) { return static_cast<unsigned char>(separator); }

String Text(const char* text) { return LocalizeSuiteText(text); }
String Text(const char* text, const String& arg) { return Format(LocalizeSuiteText(text), {arg}); }

String CharText(char32_t c) { return Utf8FromCodePoint(c); }

const String CRLF = "\r\n";

} // namespace

// ---- Errors --------------------------------------------------------------------------------------

String TqzRegExprError::FullText() const {
    String result;
    if (LineNo > 0) {
        result = LocalizeSuiteText("Line") + IntToStr(LineNo);
        if (CharNo > 0) result += ", " + LocalizeSuiteText("Char") + IntToStr(CharNo);
        result += ": ";
    }
    return result + Text;
}

void TqzRegExprErrors::Add(std::unique_ptr<TqzRegExprError> error) {
    if (error) FItems.push_back(std::move(error));
}

void TqzRegExprErrors::Add(Integer lineNo, Integer charNo, const String& text) {
    FItems.push_back(std::make_unique<TqzRegExprError>(lineNo, charNo, text));
}

TqzRegExprError* TqzRegExprErrors::Item(Integer index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[static_cast<std::size_t>(index)].get();
}

char32_t TqzLexem::FirstChar() const { return Text.empty() ? 0 : Utf8CodePointAt(Text, 0); }

// ---- Character items -----------------------------------------------------------------------------

bool TqzRegExprSymbol::Matches(char32_t& ch, bool ignoreCase) const {
    if (!ignoreCase) return ch == Symbol;
    if (UnicodeToUpper(ch) != UnicodeToUpper(Symbol)) return false;
    ch = Symbol;
    return true;
}
std::unique_ptr<TqzRegExprItem> TqzRegExprSymbol::Duplicate() const {
    return std::make_unique<TqzRegExprSymbol>(Symbol);
}

bool TqzRegExprTimeSeparator::Matches(char32_t& ch, bool) const {
    return ch == SeparatorChar(FormatSettings.TimeSeparator);
}
std::unique_ptr<TqzRegExprItem> TqzRegExprTimeSeparator::Duplicate() const {
    return std::make_unique<TqzRegExprTimeSeparator>();
}

bool TqzRegExprDateSeparator::Matches(char32_t& ch, bool) const {
    return ch == SeparatorChar(FormatSettings.DateSeparator);
}
std::unique_ptr<TqzRegExprItem> TqzRegExprDateSeparator::Duplicate() const {
    return std::make_unique<TqzRegExprDateSeparator>();
}

bool TqzRegExprSubrange::Matches(char32_t& ch, bool) const { return First <= ch && ch <= Last; }
std::unique_ptr<TqzRegExprItem> TqzRegExprSubrange::Duplicate() const {
    return std::make_unique<TqzRegExprSubrange>(First, Last);
}

bool TqzRegExprUserEnumeration::Matches(char32_t& ch, bool ignoreCase) const {
    bool found = false;
    for (const auto& member : Members) {
        if (member->Matches(ch, ignoreCase)) {
            found = true;
            break;
        }
    }
    return found != Negated;
}
std::unique_ptr<TqzRegExprItem> TqzRegExprUserEnumeration::Duplicate() const {
    auto copy = std::make_unique<TqzRegExprUserEnumeration>(Negated);
    for (const auto& member : Members)
        copy->Members.push_back(member->Duplicate());
    return copy;
}

bool TqzRegExprDigit::Matches(char32_t& ch, bool) const { return IsDigitChar(ch) != Negated; }
std::unique_ptr<TqzRegExprItem> TqzRegExprDigit::Duplicate() const {
    return std::make_unique<TqzRegExprDigit>(Negated);
}

bool TqzRegExprIdLetter::Matches(char32_t& ch, bool) const {
    bool letter = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || IsDigitChar(ch) || ch == '_';
    return letter != Negated;
}
std::unique_ptr<TqzRegExprItem> TqzRegExprIdLetter::Duplicate() const {
    return std::make_unique<TqzRegExprIdLetter>(Negated);
}

bool TqzRegExprSpace::Matches(char32_t& ch, bool) const { return IsBlank(ch) != Negated; }
std::unique_ptr<TqzRegExprItem> TqzRegExprSpace::Duplicate() const {
    return std::make_unique<TqzRegExprSpace>(Negated);
}

bool TqzRegExprAll::Matches(char32_t&, bool) const { return true; }
std::unique_ptr<TqzRegExprItem> TqzRegExprAll::Duplicate() const { return std::make_unique<TqzRegExprAll>(); }

// ---- State sets and nodes ------------------------------------------------------------------------

void TqzRegExprStates::AddFrom(const TqzRegExprStates& other) {
    FItems.insert(FItems.end(), other.FItems.begin(), other.FItems.end());
}

bool TqzRegExprStates::HasAccepting() const {
    return std::any_of(FItems.begin(), FItems.end(), [](TqzRegExprState* state) {
        auto* simple = dynamic_cast<TqzRegExprSimpleState*>(state);
        return simple != nullptr && simple->IsAccepting;
    });
}

bool TqzRegExprStates::UniqueChar(char32_t& ch) const {
    if (FItems.empty()) return false;
    bool first = true;
    char32_t found = 0;
    for (TqzRegExprState* state : FItems) {
        auto* simple = dynamic_cast<TqzRegExprSimpleState*>(state);
        if (simple == nullptr || !simple->Item) return false;
        char32_t c;
        if (auto* symbol = dynamic_cast<TqzRegExprSymbol*>(simple->Item.get()))
            c = symbol->Symbol;
        else if (dynamic_cast<TqzRegExprTimeSeparator*>(simple->Item.get()))
            c = SeparatorChar(FormatSettings.TimeSeparator);
        else if (dynamic_cast<TqzRegExprDateSeparator*>(simple->Item.get()))
            c = SeparatorChar(FormatSettings.DateSeparator);
        else
            return false;
        if (!first && c != found) return false;
        found = c;
        first = false;
    }
    ch = found;
    return true;
}

bool TqzRegExprState::Visit(TqzRegExprWalk walk) {
    if (FStamp == walk.Stamp) return false;
    FStamp = walk.Stamp;
    return true;
}

void TqzRegExprState::TakeChar(char32_t&, bool, TqzRegExprWalk, TqzRegExprStates&) {}

void TqzRegExprState::Expand(TqzRegExprWalk walk, TqzRegExprStates& result) {
    if (Visit(walk)) result.Add(this);
}

void TqzRegExprState::Candidates(TqzRegExprWalk walk, TqzRegExprStates& result) {
    for (TqzRegExprState* link : Links)
        link->Expand(walk, result);
}

void TqzRegExprState::LinksTaking(char32_t& ch, bool ignoreCase, TqzRegExprWalk walk,
                                  TqzRegExprStates& result) {
    for (TqzRegExprState* link : Links)
        link->TakeChar(ch, ignoreCase, walk, result);
}

void TqzRegExprSimpleState::TakeChar(char32_t& ch, bool ignoreCase, TqzRegExprWalk walk,
                                     TqzRegExprStates& result) {
    if (!Visit(walk)) return;
    if (Item && Item->Matches(ch, ignoreCase)) result.Add(this);
}

std::unique_ptr<TqzRegExprState> TqzRegExprSimpleState::Duplicate() const {
    return std::make_unique<TqzRegExprSimpleState>(Item ? Item->Duplicate() : nullptr);
}

void TqzRegExprSimpleState::Expand(TqzRegExprWalk walk, TqzRegExprStates& result) {
    if (Visit(walk)) result.Add(this);
}

void TqzRegExprBlockState::TakeChar(char32_t& ch, bool ignoreCase, TqzRegExprWalk walk,
                                    TqzRegExprStates& result) {
    if (Visit(walk)) LinksTaking(ch, ignoreCase, walk, result);
}

std::unique_ptr<TqzRegExprState> TqzRegExprBlockState::Duplicate() const {
    return std::make_unique<TqzRegExprBlockState>();
}

void TqzRegExprBlockState::Expand(TqzRegExprWalk walk, TqzRegExprStates& result) {
    if (Visit(walk)) Candidates(walk, result);
}

// ---- Quantifiers and parse tree ------------------------------------------------------------------

std::unique_ptr<TqzRegExprQuantifier> TqzRegExprSimpleQuantifier::Duplicate() const {
    return std::make_unique<TqzRegExprSimpleQuantifier>();
}
std::unique_ptr<TqzRegExprQuantifier> TqzRegExprQuestionQuantifier::Duplicate() const {
    return std::make_unique<TqzRegExprQuestionQuantifier>();
}
std::unique_ptr<TqzRegExprQuantifier> TqzRegExprStarQuantifier::Duplicate() const {
    return std::make_unique<TqzRegExprStarQuantifier>();
}
std::unique_ptr<TqzRegExprQuantifier> TqzRegExprPlusQuantifier::Duplicate() const {
    return std::make_unique<TqzRegExprPlusQuantifier>();
}

TqzRegExprParserItem::TqzRegExprParserItem() : Quantifier(std::make_unique<TqzRegExprSimpleQuantifier>()) {}

bool TqzRegExprParserItem::IsUnquantified() const {
    return dynamic_cast<TqzRegExprSimpleQuantifier*>(Quantifier.get()) != nullptr;
}

void TqzRegExprParserItem::ReplaceQuantifier(std::unique_ptr<TqzRegExprQuantifier> quantifier) {
    if (quantifier) Quantifier = std::move(quantifier);
}

TqzRegExprParserSimpleItem::TqzRegExprParserSimpleItem(std::unique_ptr<TqzRegExprItem> item)
    : State(std::make_unique<TqzRegExprSimpleState>(std::move(item))) {}

std::unique_ptr<TqzRegExprParserItem> TqzRegExprParserSimpleItem::Duplicate() const {
    auto copy =
        std::make_unique<TqzRegExprParserSimpleItem>(State->Item ? State->Item->Duplicate() : nullptr);
    copy->Quantifier = Quantifier->Duplicate();
    return copy;
}

String TqzRegExprParserSimpleItem::DumpText() const { return "item --> " + Quantifier->DumpText() + CRLF; }

namespace {

bool AltCanMatchEmpty(const TqzRegExprParserAlt& alt) {
    return std::all_of(alt.begin(), alt.end(), [](const auto& item) { return item->CanMatchEmpty(); });
}

bool AllOptional(const TqzRegExprParserAlt& alt) {
    return std::all_of(alt.begin(), alt.end(), [](const auto& item) { return item->IsOptional(); });
}

void MarkAltFinal(TqzRegExprParserAlt& alt) {
    for (auto it = alt.rbegin(); it != alt.rend(); ++it) {
        (*it)->MarkFinal();
        if (!(*it)->IsOptional()) break;
    }
}

String DumpAlt(const TqzRegExprParserAlt& alt) {
    String result = "<Start_Alt>" + CRLF;
    for (const auto& item : alt)
        result += item->DumpText();
    return result + "<Finish_Alt>" + CRLF;
}

} // namespace

TqzRegExprParserBlockItem::TqzRegExprParserBlockItem()
    : EntryState(std::make_unique<TqzRegExprBlockState>()),
      ExitState(std::make_unique<TqzRegExprBlockState>()) {}

bool TqzRegExprParserBlockItem::CanMatchEmpty() const {
    if (IsOptional()) return true;
    return std::any_of(Alternatives.begin(), Alternatives.end(),
                       [](const auto& alt) { return AltCanMatchEmpty(*alt); });
}

std::unique_ptr<TqzRegExprParserItem> TqzRegExprParserBlockItem::Duplicate() const {
    auto copy = std::make_unique<TqzRegExprParserBlockItem>();
    copy->Quantifier = Quantifier->Duplicate();
    for (const auto& alt : Alternatives) {
        auto altCopy = std::make_unique<TqzRegExprParserAlt>();
        for (const auto& item : *alt)
            altCopy->push_back(item->Duplicate());
        copy->Alternatives.push_back(std::move(altCopy));
    }
    return copy;
}

String TqzRegExprParserBlockItem::DumpText() const {
    String result = "<Start_Block>" + CRLF;
    for (const auto& alt : Alternatives)
        result += DumpAlt(*alt);
    return result + "<Finish_Block> --> " + Quantifier->DumpText() + CRLF;
}

void TqzRegExprParserBlockItem::MarkFinal() {
    for (auto& alt : Alternatives)
        MarkAltFinal(*alt);
}

Integer TqzRegExprParserBlockItem::NodeCount() const {
    Integer count = 2;
    for (const auto& alt : Alternatives)
        for (const auto& item : *alt)
            count += item->NodeCount();
    return count;
}

Integer TqzRegExprParserBlockItem::Depth() const {
    Integer depth = 0;
    for (const auto& alt : Alternatives)
        for (const auto& item : *alt)
            depth = std::max(depth, item->Depth());
    return depth + 1;
}

// ---- Compiler ------------------------------------------------------------------------------------

class TqzRegExprCompiler {
public:
    explicit TqzRegExprCompiler(TqzRegExpr& owner)
        : FOwner(owner), FErrors(owner.FErrors), FLexems(owner.FLexems) {}

    void Lex(const String& pattern);
    TqzRegExprParserAlts Parse();
    // Links the tree and marks its final states; false when the link budget ran out.
    bool Link(TqzRegExprParserAlts& alts, TqzRegExprSimpleState& start);

private:
    // -- reading
    bool AtEnd() const { return FIndex >= FChars.size(); }
    char32_t Peek() const { return FChars[FIndex]; }
    char32_t Read();
    void AddLexem(Integer line, Integer pos, TqzLexemKind kind, const String& text);
    void Error(Integer line, Integer pos, const String& text) { FErrors.Add(line, pos, text); }

    void LexQuoted();
    void LexEscape();
    void LexBrackets();
    void LexBraces();

    // -- parsing
    const TqzLexem* PeekLexem() const { return FLexIndex < FLexems.size() ? &FLexems[FLexIndex] : nullptr; }
    const TqzLexem* NextLexem() { return FLexIndex < FLexems.size() ? &FLexems[FLexIndex++] : nullptr; }
    static bool IsOperator(const TqzLexem* lexem, char32_t op) {
        return lexem != nullptr && lexem->Kind == lkOperator && lexem->FirstChar() == op;
    }
    void Error(const TqzLexem& lexem, const String& text) { FErrors.Add(lexem.LineNo, lexem.CharNo, text); }
    bool Budget(const TqzLexem& lexem, Integer nodes, Integer depth);
    void CheckLimits(const TqzLexem& lexem, const TqzRegExprParserItem& item);

    void ParseAlternatives(TqzRegExprParserAlts& alts, bool top);
    bool ParseAlt(TqzRegExprParserAlt& alt, bool top);
    void ParseGroup(TqzRegExprParserAlt& alt);
    void ParseBrackets(TqzRegExprParserAlt& alt);
    void ParseParameterQuantifier(TqzRegExprParserAlt& alt, const TqzLexem& brace);
    void ApplyQuantifier(std::unique_ptr<TqzRegExprParserItem>& item,
                         std::unique_ptr<TqzRegExprQuantifier> quantifier);
    std::unique_ptr<TqzRegExprItem> ClassItem(TqzLexemKind kind) const;

    // -- linking
    void AddLink(TqzRegExprState* from, TqzRegExprState* to);
    bool LinksSpent() const { return FLinks > TqzRegExpr::MaxLinks; }
    static TqzRegExprState* EntryOf(TqzRegExprParserItem& item);
    static TqzRegExprState* ExitOf(TqzRegExprParserItem& item);
    std::vector<TqzRegExprState*> EntryStates(TqzRegExprParserAlt& alt);
    std::vector<TqzRegExprState*> EndStates(TqzRegExprParserAlt& alt);
    void LinkAlt(TqzRegExprParserAlt& alt);

    [[maybe_unused]] TqzRegExpr& FOwner;
    TqzRegExprErrors& FErrors;
    TqzLexems& FLexems;

    std::u32string FChars;
    std::size_t FIndex = 0;
    Integer FLine = 1;
    Integer FPos = 0;

    std::size_t FLexIndex = 0;
    std::vector<TqzRegExprParserBlockItem*> FGroups;
    Integer FOpenGroups = 0;
    Integer FNodes = 0;
    bool FTooComplex = false;
    Integer FLinks = 0;
    // Items replaced by a parameter quantifier stay alive until the parse ends: a back reference
    // to such a group copies the group as the pattern wrote it.
    std::vector<std::unique_ptr<TqzRegExprParserItem>> FReplaced;
};

char32_t TqzRegExprCompiler::Read() {
    char32_t c = FChars[FIndex++];
    if (c == CR) ++FLine;
    if (c == LF)
        FPos = 0;
    else
        ++FPos;
    return c;
}

void TqzRegExprCompiler::AddLexem(Integer line, Integer pos, TqzLexemKind kind, const String& text) {
    FLexems.push_back(TqzLexem{line, pos, kind, text});
}

void TqzRegExprCompiler::Lex(const String& pattern) {
    for (std::size_t i = 0; i < pattern.size(); i = Utf8Next(pattern, i))
        FChars += Utf8CodePointAt(pattern, i);
    Integer depth = 0;
    while (!AtEnd()) {
        char32_t c = Read();
        Integer line = FLine, pos = FPos;
        if (IsBlank(c)) continue;
        switch (c) {
        case '\'':
            LexQuoted();
            break;
        case '(':
            ++depth;
            AddLexem(line, pos, lkOperator, "(");
            break;
        case ')':
            --depth;
            AddLexem(line, pos, lkOperator, ")");
            break;
        case '*':
        case '+':
        case '?':
        case '|':
            AddLexem(line, pos, lkOperator, CharText(c));
            break;
        case '.':
            AddLexem(line, pos, lkAnyChar, ".");
            break;
        case '/':
            AddLexem(line, pos, lkDateSeparator, "/");
            break;
        case ':':
            AddLexem(line, pos, lkTimeSeparator, ":");
            break;
        case '[':
            AddLexem(line, pos, lkOperator, "[");
            LexBrackets();
            break;
        case '\\':
            LexEscape();
            break;
        case '{':
            AddLexem(line, pos, lkOperator, "{");
            LexBraces();
            break;
        default:
            AddLexem(line, pos, lkSymbol, CharText(c));
            break;
        }
    }
    if (depth > 0) Error(0, 0, Text(sqzMissing, ")"));
    if (depth < 0) Error(0, 0, Text(sqzUnnecessary, ")"));
}

void TqzRegExprCompiler::LexQuoted() {
    for (;;) {
        if (AtEnd()) {
            Error(FLine, FPos + 1, Text(sqzMissing, " ' "));
            return;
        }
        char32_t c = Read();
        Integer line = FLine, pos = FPos;
        if (c == '\'') {
            if (AtEnd() || Peek() != '\'') return;
            Read();
        }
        AddLexem(line, pos, lkSymbol, CharText(c));
    }
}

void TqzRegExprCompiler::LexEscape() {
    Integer line = FLine, pos = FPos; // the backslash
    if (AtEnd()) return;
    char32_t c = Read();
    if (c >= '1' && c <= '9') {
        AddLexem(line, pos, lkBackReference, CharText(c));
        return;
    }
    if (IsBlank(c)) {
        Error(FLine, FPos, Text("The space character is not allowed after '\\'"));
        return;
    }
    switch (c) {
    case 'd':
        AddLexem(line, pos, lkDigit, "d");
        return;
    case 'D':
        AddLexem(line, pos, lkNonDigit, "D");
        return;
    case 'w':
        AddLexem(line, pos, lkWordChar, "w");
        return;
    case 'W':
        AddLexem(line, pos, lkNonWordChar, "W");
        return;
    case 's':
        AddLexem(line, pos, lkSpace, "s");
        return;
    case 'S':
        AddLexem(line, pos, lkNonSpace, "S");
        return;
    case 't':
        AddLexem(line, pos, lkSymbol, CharText(9));
        return;
    case 'n':
        AddLexem(line, pos, lkSymbol, CharText(10));
        return;
    case 'r':
        AddLexem(line, pos, lkSymbol, CharText(13));
        return;
    case 'f':
        AddLexem(line, pos, lkSymbol, CharText(12));
        return;
    case 'a':
        AddLexem(line, pos, lkSymbol, CharText(7));
        return;
    case 'e':
        AddLexem(line, pos, lkSymbol, CharText(27));
        return;
    case 'p':
        AddLexem(line, pos, lkSymbol, CharText(SeparatorChar(FormatSettings.DecimalSeparator)));
        return;
    case 'x': {
        char32_t value = 0;
        for (int i = 0; i < 2; ++i) {
            if (AtEnd()) {
                Error(FLine, FPos + 1, Text("Hexadecimal number expected"));
                return;
            }
            char32_t h = Read();
            int digit = HexValue(h);
            if (digit < 0) {
                Error(FLine, FPos, Text("Hexadecimal number expected but '%s' found", CharText(h)));
                return;
            }
            value = value * 16 + static_cast<char32_t>(digit);
        }
        AddLexem(line, pos, lkSymbol, CharText(value));
        return;
    }
    default:
        AddLexem(line, pos, lkSymbol, CharText(c));
        return;
    }
}

void TqzRegExprCompiler::LexBrackets() {
    bool first = true;
    for (;;) {
        if (AtEnd()) {
            Error(FLine, FPos + 1, Text(sqzMissing, "]"));
            return;
        }
        char32_t c = Read();
        Integer line = FLine, pos = FPos;
        if (IsBlank(c)) continue;
        bool wasFirst = first;
        first = false;
        switch (c) {
        case '\'':
            LexQuoted();
            continue;
        case '/':
            AddLexem(line, pos, lkDateSeparator, "/");
            continue;
        case ':':
            AddLexem(line, pos, lkTimeSeparator, ":");
            continue;
        case '\\':
            LexEscape();
            continue;
        case ']':
            AddLexem(line, pos, lkOperator, "]");
            return;
        default:
            break;
        }
        if (wasFirst && c == '^') {
            AddLexem(line, pos, lkOperator, "^");
        } else if (!wasFirst && c == '-') {
            std::size_t next = FIndex;
            while (next < FChars.size() && IsBlank(FChars[next]))
                ++next;
            bool closes = next < FChars.size() && FChars[next] == ']';
            AddLexem(line, pos, closes ? lkSymbol : lkOperator, "-");
        } else {
            AddLexem(line, pos, lkSymbol, CharText(c));
        }
    }
}

void TqzRegExprCompiler::LexBraces() {
    for (;;) {
        if (AtEnd()) {
            Error(FLine, FPos + 1, Text(sqzMissing, "}"));
            return;
        }
        char32_t c = Read();
        Integer line = FLine, pos = FPos;
        if (IsBlank(c)) continue;
        if (IsDigitChar(c)) {
            String digits = CharText(c);
            while (!AtEnd() && IsDigitChar(Peek()))
                digits += CharText(Read());
            AddLexem(line, pos, lkInteger, digits);
        } else if (c == ',') {
            AddLexem(line, pos, lkOperator, ",");
        } else if (c == '}') {
            AddLexem(line, pos, lkOperator, "}");
            return;
        } else if (c == '\'') {
            Error(line, pos, Text(sqzIllegal, " ' "));
        } else {
            Error(line, pos, Text(sqzIllegal, CharText(c)));
        }
    }
}

// -- parsing

namespace {

// The value of an integer lexeme, saturated so that a long run of digits cannot overflow.
Integer IntegerValue(const TqzLexem& lexem) {
    Int64 value = 0;
    for (char c : lexem.Text) {
        value = value * 10 + (c - '0');
        if (value > 1000000000) return 1000000000;
    }
    return static_cast<Integer>(value);
}

} // namespace

bool TqzRegExprCompiler::Budget(const TqzLexem& lexem, Integer nodes, Integer depth) {
    if (!FTooComplex && Int64(FNodes) + nodes <= TqzRegExpr::MaxNodes &&
        FOpenGroups + depth <= TqzRegExpr::MaxDepth) {
        FNodes += nodes;
        return true;
    }
    if (!FTooComplex) Error(lexem, Text(sqzTooComplex));
    FTooComplex = true;
    return false;
}

void TqzRegExprCompiler::CheckLimits(const TqzLexem& lexem, const TqzRegExprParserItem& item) {
    if (FTooComplex || (FNodes <= TqzRegExpr::MaxNodes && FOpenGroups + item.Depth() <= TqzRegExpr::MaxDepth))
        return;
    Error(lexem, Text(sqzTooComplex));
    FTooComplex = true;
}

std::unique_ptr<TqzRegExprItem> TqzRegExprCompiler::ClassItem(TqzLexemKind kind) const {
    switch (kind) {
    case lkAnyChar:
        return std::make_unique<TqzRegExprAll>();
    case lkWordChar:
        return std::make_unique<TqzRegExprIdLetter>(false);
    case lkNonWordChar:
        return std::make_unique<TqzRegExprIdLetter>(true);
    case lkDigit:
        return std::make_unique<TqzRegExprDigit>(false);
    case lkNonDigit:
        return std::make_unique<TqzRegExprDigit>(true);
    case lkSpace:
        return std::make_unique<TqzRegExprSpace>(false);
    case lkNonSpace:
        return std::make_unique<TqzRegExprSpace>(true);
    case lkDateSeparator:
        return std::make_unique<TqzRegExprDateSeparator>();
    case lkTimeSeparator:
        return std::make_unique<TqzRegExprTimeSeparator>();
    default:
        return nullptr;
    }
}

TqzRegExprParserAlts TqzRegExprCompiler::Parse() {
    TqzRegExprParserAlts alts;
    FLexIndex = 0;
    ParseAlternatives(alts, true);
    return alts;
}

void TqzRegExprCompiler::ParseAlternatives(TqzRegExprParserAlts& alts, bool top) {
    bool more = true;
    while (more) {
        auto alt = std::make_unique<TqzRegExprParserAlt>();
        more = ParseAlt(*alt, top);
        alts.push_back(std::move(alt));
    }
}

// Answers whether another alternative follows.
bool TqzRegExprCompiler::ParseAlt(TqzRegExprParserAlt& alt, bool top) {
    const TqzLexem* first = PeekLexem();
    if (first == nullptr) {
        Error(0, 0, Text("The alternative should not be empty"));
        return false;
    }
    if (IsOperator(first, '|')) {
        Error(*first, Text("The alternative should not be empty"));
        ++FLexIndex;
        return true;
    }
    if (!top && IsOperator(first, ')')) {
        Error(*first, Text("The block should not be empty"));
        ++FLexIndex;
        return false;
    }
    while (const TqzLexem* lexem = NextLexem()) {
        switch (lexem->Kind) {
        case lkSymbol:
            if (Budget(*lexem, 1, 0))
                alt.push_back(std::make_unique<TqzRegExprParserSimpleItem>(
                    std::make_unique<TqzRegExprSymbol>(lexem->FirstChar())));
            continue;
        case lkAnyChar:
        case lkWordChar:
        case lkNonWordChar:
        case lkDigit:
        case lkNonDigit:
        case lkSpace:
        case lkNonSpace:
        case lkDateSeparator:
        case lkTimeSeparator:
            if (Budget(*lexem, 1, 0))
                alt.push_back(std::make_unique<TqzRegExprParserSimpleItem>(ClassItem(lexem->Kind)));
            continue;
        case lkBackReference: {
            auto number = static_cast<std::size_t>(lexem->FirstChar() - '0');
            if (number > FGroups.size()) {
                Error(*lexem, Text("Too big reference number"));
            } else {
                TqzRegExprParserBlockItem* group = FGroups[number - 1];
                if (Budget(*lexem, group->NodeCount(), group->Depth())) alt.push_back(group->Duplicate());
            }
            continue;
        }
        case lkInteger:
            Error(*lexem, Text("Illegal integer value"));
            continue;
        default:
            break;
        }
        // operators
        switch (lexem->FirstChar()) {
        case '|':
            return true;
        case ')':
            if (!top) return false;
            Error(*lexem, Text(sqzIllegal, ")"));
            break;
        case '(':
            ParseGroup(alt);
            break;
        case '[':
            ParseBrackets(alt);
            break;
        case '*':
        case '+':
        case '?': {
            char32_t op = lexem->FirstChar();
            if (alt.empty()) {
                Error(*lexem, Text(sqzIllegalQuantifier, CharText(op)));
                break;
            }
            if (FTooComplex) break; // the compile fails anyway; build nothing deeper
            auto& item = alt.back();
            if (op == '?') {
                ApplyQuantifier(item, std::make_unique<TqzRegExprQuestionQuantifier>());
            } else if (item->CanMatchEmpty()) {
                Error(*lexem, Text(op == '*' ? "The '*' quantifier cannot be applied here"
                                             : "The '+' quantifier cannot be applied here"));
            } else if (op == '*') {
                ApplyQuantifier(item, std::make_unique<TqzRegExprStarQuantifier>());
            } else {
                ApplyQuantifier(item, std::make_unique<TqzRegExprPlusQuantifier>());
            }
            CheckLimits(*lexem, *item);
            break;
        }
        case '{':
            if (alt.empty())
                Error(*lexem, Text(sqzIncorrectParameterQuantifier));
            else
                ParseParameterQuantifier(alt, *lexem);
            break;
        case '}':
            Error(*lexem, Text(sqzIllegal, "}"));
            break;
        default:
            break; // ',' and anything else
        }
    }
    return false;
}

void TqzRegExprCompiler::ParseGroup(TqzRegExprParserAlt& alt) {
    const TqzLexem& open = FLexems[FLexIndex - 1];
    if (!Budget(open, 2, 1)) {
        // Too deep or too big: the compile fails; skip the group's lexemes without building it.
        Integer depth = 1;
        while (const TqzLexem* lexem = NextLexem()) {
            if (IsOperator(lexem, '(')) ++depth;
            if (IsOperator(lexem, ')') && --depth == 0) break;
        }
        return;
    }
    auto group = std::make_unique<TqzRegExprParserBlockItem>();
    FGroups.push_back(group.get());
    ++FOpenGroups;
    ParseAlternatives(group->Alternatives, false);
    --FOpenGroups;
    alt.push_back(std::move(group));
}

void TqzRegExprCompiler::ParseBrackets(TqzRegExprParserAlt& alt) {
    bool negated = false;
    if (IsOperator(PeekLexem(), '^')) {
        negated = true;
        ++FLexIndex;
    }
    if (IsOperator(PeekLexem(), ']')) {
        Error(*NextLexem(), Text("Can't create empty enumeration"));
        return;
    }
    auto enumeration = std::make_unique<TqzRegExprUserEnumeration>(negated);
    const TqzLexem* start = nullptr;
    while (const TqzLexem* lexem = NextLexem()) {
        if (start == nullptr) start = lexem;
        if (IsOperator(lexem, ']')) break;
        // A range needs a real end; "-" right before the closing bracket stays a member.
        const TqzLexem* dash = PeekLexem();
        if (IsOperator(dash, '-') && FLexIndex + 1 < FLexems.size() &&
            !IsOperator(&FLexems[FLexIndex + 1], ']')) {
            const TqzLexem& last = FLexems[FLexIndex + 1];
            FLexIndex += 2;
            char32_t from = lexem->FirstChar(), to = last.FirstChar();
            if (from < to)
                enumeration->Members.push_back(std::make_unique<TqzRegExprSubrange>(from, to));
            else
                Error(last,
                      Text("The starting character of the subrange must be less than the finishing one"));
            while (IsOperator(PeekLexem(), '-'))
                Error(*NextLexem(), Text(sqzIllegal, "-"));
            continue;
        }
        if (auto item = ClassItem(lexem->Kind))
            enumeration->Members.push_back(std::move(item));
        else
            enumeration->Members.push_back(std::make_unique<TqzRegExprSymbol>(lexem->FirstChar()));
    }
    if (start != nullptr && Budget(*start, 1, 0))
        alt.push_back(std::make_unique<TqzRegExprParserSimpleItem>(std::move(enumeration)));
}

void TqzRegExprCompiler::ApplyQuantifier(std::unique_ptr<TqzRegExprParserItem>& item,
                                         std::unique_ptr<TqzRegExprQuantifier> quantifier) {
    if (item->IsUnquantified()) {
        item->ReplaceQuantifier(std::move(quantifier));
        return;
    }
    auto group = std::make_unique<TqzRegExprParserBlockItem>();
    group->ReplaceQuantifier(std::move(quantifier));
    auto inner = std::make_unique<TqzRegExprParserAlt>();
    inner->push_back(std::move(item));
    group->Alternatives.push_back(std::move(inner));
    FNodes += 2;
    item = std::move(group);
}

void TqzRegExprCompiler::ParseParameterQuantifier(TqzRegExprParserAlt& alt, const TqzLexem& brace) {
    auto bad = [&](const TqzLexem* at) {
        Error(at != nullptr ? *at : brace, Text(sqzIncorrectParameterQuantifier));
    };
    const TqzLexem* a = NextLexem();
    if (a == nullptr || a->Kind != lkInteger) return bad(a);
    Integer n = IntegerValue(*a);
    Integer m = n;
    bool open = false;
    const TqzLexem* b = NextLexem();
    if (IsOperator(b, ',')) {
        const TqzLexem* c = NextLexem();
        if (IsOperator(c, '}')) {
            open = true;
        } else if (c != nullptr && c->Kind == lkInteger) {
            m = IntegerValue(*c);
            const TqzLexem* d = NextLexem();
            if (!IsOperator(d, '}') || m < n) return bad(d != nullptr ? d : c);
        } else {
            return bad(c != nullptr ? c : b);
        }
    } else if (!IsOperator(b, '}')) {
        return bad(b != nullptr ? b : a);
    }

    auto& item = alt.back();
    if (item->IsOptional()) {
        Error(brace, Text("The parameter quantifier cannot be applied here"));
        return;
    }
    // Check the cost before building: n (or m) copies and one group per optional occurrence.
    Int64 copies = open ? Int64(n) + 1 : Int64(m);
    Int64 nodes = copies * item->NodeCount() + 2 * (Int64(m) - n + 2);
    Int64 depth = item->Depth() + (open ? 2 : Int64(m) - n + 1);
    if (nodes > TqzRegExpr::MaxNodes || depth > TqzRegExpr::MaxDepth) {
        Budget(brace, TqzRegExpr::MaxNodes + 1, 0);
        return;
    }
    if (!Budget(brace, static_cast<Integer>(nodes), static_cast<Integer>(depth))) return;

    auto group = std::make_unique<TqzRegExprParserBlockItem>();
    auto body = std::make_unique<TqzRegExprParserAlt>();
    for (Integer i = 0; i < n; ++i)
        body->push_back(item->Duplicate());
    if (open) {
        auto star = item->Duplicate();
        ApplyQuantifier(star, std::make_unique<TqzRegExprStarQuantifier>());
        body->push_back(std::move(star));
    } else if (m > n) {
        auto chain = item->Duplicate();
        ApplyQuantifier(chain, std::make_unique<TqzRegExprQuestionQuantifier>());
        for (Integer k = 2; k <= m - n; ++k) {
            auto outer = std::make_unique<TqzRegExprParserBlockItem>();
            outer->ReplaceQuantifier(std::make_unique<TqzRegExprQuestionQuantifier>());
            auto outerAlt = std::make_unique<TqzRegExprParserAlt>();
            outerAlt->push_back(item->Duplicate());
            outerAlt->push_back(std::move(chain));
            outer->Alternatives.push_back(std::move(outerAlt));
            chain = std::move(outer);
        }
        body->push_back(std::move(chain));
    }
    group->Alternatives.push_back(std::move(body));
    FReplaced.push_back(std::move(item));
    item = std::move(group);
}

// -- linking

void TqzRegExprCompiler::AddLink(TqzRegExprState* from, TqzRegExprState* to) {
    if (LinksSpent()) return;
    ++FLinks;
    from->AddLink(to);
}

TqzRegExprState* TqzRegExprCompiler::EntryOf(TqzRegExprParserItem& item) {
    if (auto* simple = dynamic_cast<TqzRegExprParserSimpleItem*>(&item)) return simple->State.get();
    return static_cast<TqzRegExprParserBlockItem&>(item).EntryState.get();
}

TqzRegExprState* TqzRegExprCompiler::ExitOf(TqzRegExprParserItem& item) {
    if (auto* simple = dynamic_cast<TqzRegExprParserSimpleItem*>(&item)) return simple->State.get();
    return static_cast<TqzRegExprParserBlockItem&>(item).ExitState.get();
}

std::vector<TqzRegExprState*> TqzRegExprCompiler::EntryStates(TqzRegExprParserAlt& alt) {
    std::vector<TqzRegExprState*> result;
    for (auto& item : alt) {
        result.push_back(EntryOf(*item));
        if (!item->IsOptional()) break;
    }
    return result;
}

std::vector<TqzRegExprState*> TqzRegExprCompiler::EndStates(TqzRegExprParserAlt& alt) {
    std::vector<TqzRegExprState*> result;
    for (auto it = alt.rbegin(); it != alt.rend(); ++it) {
        result.push_back(ExitOf(**it));
        if (!(*it)->IsOptional()) break;
    }
    return result;
}

void TqzRegExprCompiler::LinkAlt(TqzRegExprParserAlt& alt) {
    // Once the budget is spent the pattern is refused anyway: linking stops right there, since
    // a long run of optional items would otherwise cost time quadratic in its length.
    for (std::size_t i = 0; i < alt.size() && !LinksSpent(); ++i) {
        TqzRegExprParserItem& item = *alt[i];
        TqzRegExprState* exit = ExitOf(item);
        for (std::size_t j = i + 1; j < alt.size() && !LinksSpent(); ++j) {
            AddLink(exit, EntryOf(*alt[j]));
            if (!alt[j]->IsOptional()) break;
        }
        if (item.IsRepeatable()) AddLink(exit, EntryOf(item));
        auto* group = dynamic_cast<TqzRegExprParserBlockItem*>(&item);
        if (group == nullptr) continue;
        TqzRegExprState* entry = group->EntryState.get();
        bool someAllOptional = false;
        for (auto& inner : group->Alternatives) {
            for (TqzRegExprState* state : EntryStates(*inner))
                AddLink(entry, state);
            someAllOptional = someAllOptional || AllOptional(*inner);
        }
        if (someAllOptional) AddLink(entry, exit);
        for (auto& inner : group->Alternatives)
            LinkAlt(*inner);
        for (auto& inner : group->Alternatives)
            for (TqzRegExprState* state : EndStates(*inner))
                AddLink(state, exit);
    }
}

bool TqzRegExprCompiler::Link(TqzRegExprParserAlts& alts, TqzRegExprSimpleState& start) {
    bool someAllOptional = false;
    for (auto& alt : alts) {
        if (LinksSpent()) break;
        for (TqzRegExprState* state : EntryStates(*alt))
            AddLink(&start, state);
        someAllOptional = someAllOptional || AllOptional(*alt);
        LinkAlt(*alt);
        MarkAltFinal(*alt);
    }
    if (someAllOptional) start.MarkAccepting();
    if (LinksSpent()) {
        Error(0, 0, Text(sqzTooComplex));
        return false;
    }
    return true;
}

// ---- Automaton -----------------------------------------------------------------------------------

TqzRegExprAutomat::TqzRegExprAutomat(TqzRegExpr* owner, TqzRegExprParserAlts alternatives)
    : FOwner(owner), FAlternatives(std::move(alternatives)),
      FStart(std::make_unique<TqzRegExprSimpleState>()) {
    FCurrent.Add(FStart.get());
}

bool TqzRegExprAutomat::Advance(char32_t& ch, bool ignoreCase) {
    TqzRegExprWalk walk = NewWalk();
    TqzRegExprStates next;
    for (Integer i = 0; i < FCurrent.Count(); ++i)
        FCurrent.Item(i)->LinksTaking(ch, ignoreCase, walk, next);
    if (next.Count() == 0) return false;
    FHistory.push_back(std::move(FCurrent));
    FCurrent = std::move(next);
    return true;
}

bool TqzRegExprAutomat::StepBack() {
    if (FHistory.empty()) return false;
    FCurrent = std::move(FHistory.back());
    FHistory.pop_back();
    return true;
}

void TqzRegExprAutomat::Rewind() {
    FHistory.clear();
    FCurrent = TqzRegExprStates();
    FCurrent.Add(FStart.get());
}

bool TqzRegExprAutomat::AtStart() const { return FCurrent.Count() > 0 && FCurrent.Item(0) == FStart.get(); }

bool TqzRegExprAutomat::InAcceptingState() const { return FCurrent.HasAccepting(); }

TqzRegExprStates TqzRegExprAutomat::NextCandidates() {
    TqzRegExprWalk walk = NewWalk();
    TqzRegExprStates result;
    for (Integer i = 0; i < FCurrent.Count(); ++i)
        FCurrent.Item(i)->Candidates(walk, result);
    return result;
}

void TqzRegExprAutomat::FillForced() {
    // A run of forced characters that never reaches an accepting state would not end by
    // itself in a pathological pattern; a mask never needs that many.
    for (Integer count = 0; count < TqzRegExpr::MaxForced && !InAcceptingState(); ++count) {
        TqzRegExprStates candidates = NextCandidates();
        char32_t ch;
        if (!candidates.UniqueChar(ch)) return;
        FOwner->DoAutoInsert(ch);
        FHistory.push_back(std::move(FCurrent));
        FCurrent = std::move(candidates);
    }
}

void TqzRegExprAutomat::DropForcedTail() {
    char32_t ch;
    while (FCurrent.UniqueChar(ch)) {
        if (FHistory.empty()) return;
        TqzRegExprStates previous = std::move(FHistory.back());
        FHistory.pop_back();
        TqzRegExprStates candidates;
        TqzRegExprWalk walk = NewWalk();
        for (Integer i = 0; i < previous.Count(); ++i)
            previous.Item(i)->Candidates(walk, candidates);
        if (!candidates.UniqueChar(ch) || previous.HasAccepting()) {
            FHistory.push_back(std::move(previous));
            return;
        }
        FOwner->DoAutoRemove();
        FCurrent = std::move(previous);
    }
}

String TqzRegExprAutomat::DumpText() const {
    String result;
    for (const auto& alt : FAlternatives)
        result += DumpAlt(*alt);
    return result;
}

// ---- Expression ----------------------------------------------------------------------------------

TqzRegExpr::TqzRegExpr() = default;
TqzRegExpr::~TqzRegExpr() = default;

void TqzRegExpr::Compile(TStream* stream) {
    FPattern.reset();
    FErrors.Clear();
    FLexems.clear();
    FAutomat.reset();
    FCompiled = false;

    auto pattern = std::make_unique<TMemoryStream>();
    bool copied = stream != nullptr;
    if (copied) {
        try {
            pattern->CopyFrom(stream, 0);
        } catch (const Exception&) {
            copied = false;
        }
    }
    if (!copied) {
        FErrors.Add(0, 0, Text("The source stream is not assigned"));
        throw EqzRegExprError(FErrors);
    }
    String text(static_cast<const char*>(pattern->GetMemory()), static_cast<std::size_t>(pattern->GetSize()));
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return IsBlank(static_cast<unsigned char>(c)); })) {
        FErrors.Add(0, 0, Text("The source stream is empty"));
        throw EqzRegExprError(FErrors);
    }

    TqzRegExprCompiler compiler(*this);
    compiler.Lex(text);
    if (FErrors.Count() > 0) throw EqzRegExprError(FErrors);
    TqzRegExprParserAlts alts = compiler.Parse();
    if (FErrors.Count() > 0) throw EqzRegExprError(FErrors);
    auto automat = std::make_unique<TqzRegExprAutomat>(this, std::move(alts));
    // The tree is linked where the automaton keeps it.
    if (!compiler.Link(automat->FAlternatives, *automat->FStart)) throw EqzRegExprError(FErrors);

    FPattern = std::move(pattern);
    FPattern->SetPosition(0);
    FAutomat = std::move(automat);
    FCompiled = true;
    if (FAutoComplete) FAutomat->FillForced();
}

TMemoryStream* TqzRegExpr::PatternStream() const { return FCompiled ? FPattern.get() : nullptr; }

void TqzRegExpr::CheckCompiled() const {
    if (!FCompiled) throw Exception(LocalizeSuiteText("Regular expression is not compiled"));
}

bool TqzRegExpr::Feed(char32_t& ch) {
    CheckCompiled();
    if (!FAutomat->Advance(ch, FIgnoreCase)) return false;
    if (FAutoComplete && !FAutomat->InAcceptingState()) FAutomat->FillForced();
    return true;
}

String TqzRegExpr::FeedText(const String& text) {
    CheckCompiled();
    String result;
    for (std::size_t i = 0; i < text.size(); i = Utf8Next(text, i)) {
        char32_t ch = Utf8CodePointAt(text, i);
        if (FAutomat->Advance(ch, FIgnoreCase))
            result.append(text, i, static_cast<std::size_t>(Utf8CharLen(text, i)));
    }
    return result;
}

bool TqzRegExpr::StepBack() {
    CheckCompiled();
    if (FAutoComplete) FAutomat->DropForcedTail();
    return FAutomat->StepBack();
}

void TqzRegExpr::Restart() {
    CheckCompiled();
    FAutomat->Rewind();
}

bool TqzRegExpr::IsComplete() const {
    CheckCompiled();
    return FAutomat->InAcceptingState();
}

bool TqzRegExpr::IsAtStart() const {
    CheckCompiled();
    return FAutomat->AtStart();
}

void TqzRegExpr::SetAutoComplete(bool value) {
    if (FAutoComplete == value) return;
    FAutoComplete = value;
    if (value && FCompiled) FAutomat->FillForced();
}

String TqzRegExpr::DumpText() const { return FAutomat ? FAutomat->DumpText() : String(); }

void TqzRegExpr::DoAutoInsert(char32_t ch) { OnAutoInsert(ch); }

void TqzRegExpr::DoAutoRemove() { OnAutoRemove(); }
