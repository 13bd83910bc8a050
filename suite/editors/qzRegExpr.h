// The regular-expression engine of the masked editors.
//
// A pattern is compiled into a nondeterministic automaton that is then fed one character at a
// time, as the user types: a character is taken or refused, the matcher can step back one
// character, and it tells whether the text so far is a complete match or only a valid beginning
// of one. A pattern always describes the whole text from its first character (no anchors, no
// searching). With auto-completion on, the characters the pattern leaves no choice about (a
// literal, the locale's date or time separator) are taken by the engine itself and reported.
//
// Characters are Unicode code points; the pattern is read as UTF-8.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Streams.h"

// ---- Errors --------------------------------------------------------------------------------------

class TqzRegExprError : public TObject {
    KOV_CLASS(TqzRegExprError, TObject)
public:
    TqzRegExprError() = default;
    TqzRegExprError(Integer lineNo, Integer charNo, String text)
        : LineNo(lineNo), CharNo(charNo), Text(std::move(text)) {}

    // "Line1, Char7: text"; only the text when LineNo is 0.
    String FullText() const;

    Integer LineNo = 0; // 0 = none
    Integer CharNo = 0; // 0 = none
    String Text;
};

class TqzRegExprErrors {
public:
    void Add(std::unique_ptr<TqzRegExprError> error);
    void Add(Integer lineNo, Integer charNo, const String& text);
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    TqzRegExprError* Item(Integer index) const; // nullptr out of range
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TqzRegExprError>> FItems;
};

// Raised by a failed compile; the list stays valid while the expression lives (until its next
// Compile). The message text is not set.
class EqzRegExprError : public Exception {
public:
    explicit EqzRegExprError(TqzRegExprErrors& errors) : ErrorList(&errors) {}
    const char* ClassName() const noexcept override { return "EqzRegExprError"; }
    TqzRegExprErrors& GetErrorList() const { return *ErrorList; }

    TqzRegExprErrors* ErrorList;
};

// ---- Lexemes -------------------------------------------------------------------------------------

enum TqzLexemKind {
    lkSymbol,
    lkOperator,
    lkInteger,
    lkAnyChar,
    lkWordChar,
    lkNonWordChar,
    lkDigit,
    lkNonDigit,
    lkSpace,
    lkNonSpace,
    lkBackReference,
    lkDateSeparator,
    lkTimeSeparator
};

struct TqzLexem {
    Integer LineNo = 0;
    Integer CharNo = 0;
    TqzLexemKind Kind = lkSymbol;
    String Text; // UTF-8; one character except for integers

    char32_t FirstChar() const;
};

using TqzLexems = std::vector<TqzLexem>;

// ---- Character items -----------------------------------------------------------------------------

class TqzRegExprItem {
public:
    virtual ~TqzRegExprItem() = default;
    // May rewrite ch (a symbol matched without regard to case gives the pattern's case).
    virtual bool Matches(char32_t& ch, bool ignoreCase) const = 0;
    virtual std::unique_ptr<TqzRegExprItem> Duplicate() const = 0;
};

class TqzRegExprSymbol : public TqzRegExprItem {
public:
    explicit TqzRegExprSymbol(char32_t symbol) : Symbol(symbol) {}
    bool Matches(char32_t& ch, bool ignoreCase) const override;
    std::unique_ptr<TqzRegExprItem> Duplicate() const override;
    char32_t Symbol;
};

class TqzRegExprTimeSeparator : public TqzRegExprItem {
public:
    bool Matches(char32_t& ch, bool ignoreCase) const override;
    std::unique_ptr<TqzRegExprItem> Duplicate() const override;
};

class TqzRegExprDateSeparator : public TqzRegExprItem {
public:
    bool Matches(char32_t& ch, bool ignoreCase) const override;
    std::unique_ptr<TqzRegExprItem> Duplicate() const override;
};

class TqzRegExprSubrange : public TqzRegExprItem {
public:
    TqzRegExprSubrange(char32_t first, char32_t last) : First(first), Last(last) {}
    bool Matches(char32_t& ch, bool ignoreCase) const override;
    std::unique_ptr<TqzRegExprItem> Duplicate() const override;
    char32_t First;
    char32_t Last;
};

class TqzRegExprEnumeration : public TqzRegExprItem {
public:
    explicit TqzRegExprEnumeration(bool negated) : Negated(negated) {}
    bool Negated;
};

class TqzRegExprUserEnumeration : public TqzRegExprEnumeration {
public:
    explicit TqzRegExprUserEnumeration(bool negated) : TqzRegExprEnumeration(negated) {}
    bool Matches(char32_t& ch, bool ignoreCase) const override;
    std::unique_ptr<TqzRegExprItem> Duplicate() const override;
    std::vector<std::unique_ptr<TqzRegExprItem>> Members;
};

class TqzRegExprDigit : public TqzRegExprEnumeration {
public:
    using TqzRegExprEnumeration::TqzRegExprEnumeration;
    bool Matches(char32_t& ch, bool ignoreCase) const override;
    std::unique_ptr<TqzRegExprItem> Duplicate() const override;
};

class TqzRegExprIdLetter : public TqzRegExprEnumeration {
public:
    using TqzRegExprEnumeration::TqzRegExprEnumeration;
    bool Matches(char32_t& ch, bool ignoreCase) const override;
    std::unique_ptr<TqzRegExprItem> Duplicate() const override;
};

class TqzRegExprSpace : public TqzRegExprEnumeration {
public:
    using TqzRegExprEnumeration::TqzRegExprEnumeration;
    bool Matches(char32_t& ch, bool ignoreCase) const override;
    std::unique_ptr<TqzRegExprItem> Duplicate() const override;
};

class TqzRegExprAll : public TqzRegExprItem {
public:
    bool Matches(char32_t& ch, bool ignoreCase) const override;
    std::unique_ptr<TqzRegExprItem> Duplicate() const override;
};

// ---- Automaton nodes -----------------------------------------------------------------------------

class TqzRegExprState;

// A state set: a non-owning list of nodes. The sets the matcher builds hold each node once.
class TqzRegExprStates {
public:
    void Add(TqzRegExprState* state) { FItems.push_back(state); }
    void AddFrom(const TqzRegExprStates& other);
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    TqzRegExprState* Item(Integer index) const { return FItems[static_cast<std::size_t>(index)]; }
    bool HasAccepting() const;
    // True when every member is a simple state whose item is a symbol or a separator, all
    // standing for the same character (the separators by their current locale value).
    bool UniqueChar(char32_t& ch) const;

private:
    std::vector<TqzRegExprState*> FItems;
};

// One pass over the automaton: each node is visited at most once per walk, so a loop made of link
// nodes only cannot keep a step or a closure going.
struct TqzRegExprWalk {
    unsigned Stamp = 0;
};

class TqzRegExprState {
public:
    virtual ~TqzRegExprState() = default;

    // The simple states reachable through the links that take ch.
    virtual void TakeChar(char32_t& ch, bool ignoreCase, TqzRegExprWalk walk, TqzRegExprStates& result);
    // An unlinked copy.
    virtual std::unique_ptr<TqzRegExprState> Duplicate() const = 0;
    // The simple states this node stands for (itself, or what a link node leads to).
    virtual void Expand(TqzRegExprWalk walk, TqzRegExprStates& result);

    void AddLink(TqzRegExprState* state) { Links.push_back(state); }
    void Candidates(TqzRegExprWalk walk, TqzRegExprStates& result);
    void LinksTaking(char32_t& ch, bool ignoreCase, TqzRegExprWalk walk, TqzRegExprStates& result);

    std::vector<TqzRegExprState*> Links; // successors, not owned

protected:
    // False when the node was already visited in this walk (and marks it otherwise).
    bool Visit(TqzRegExprWalk walk);

private:
    unsigned FStamp = 0;
};

class TqzRegExprSimpleState : public TqzRegExprState {
public:
    TqzRegExprSimpleState() = default; // the start node: no item
    explicit TqzRegExprSimpleState(std::unique_ptr<TqzRegExprItem> item) : Item(std::move(item)) {}

    void TakeChar(char32_t& ch, bool ignoreCase, TqzRegExprWalk walk, TqzRegExprStates& result) override;
    std::unique_ptr<TqzRegExprState> Duplicate() const override;
    void Expand(TqzRegExprWalk walk, TqzRegExprStates& result) override;

    void MarkAccepting() { IsAccepting = true; }

    std::unique_ptr<TqzRegExprItem> Item;
    bool IsAccepting = false;
};

class TqzRegExprBlockState : public TqzRegExprState {
public:
    void TakeChar(char32_t& ch, bool ignoreCase, TqzRegExprWalk walk, TqzRegExprStates& result) override;
    std::unique_ptr<TqzRegExprState> Duplicate() const override;
    void Expand(TqzRegExprWalk walk, TqzRegExprStates& result) override;
};

// ---- Parse tree ----------------------------------------------------------------------------------

class TqzRegExprQuantifier {
public:
    virtual ~TqzRegExprQuantifier() = default;
    virtual bool AllowsNone() const = 0;
    virtual bool AllowsMany() const = 0;
    virtual std::unique_ptr<TqzRegExprQuantifier> Duplicate() const = 0;
    virtual String DumpText() const = 0;
};

class TqzRegExprSimpleQuantifier : public TqzRegExprQuantifier {
public:
    bool AllowsNone() const override { return false; }
    bool AllowsMany() const override { return false; }
    std::unique_ptr<TqzRegExprQuantifier> Duplicate() const override;
    String DumpText() const override { return String(); }
};

class TqzRegExprQuestionQuantifier : public TqzRegExprQuantifier {
public:
    bool AllowsNone() const override { return true; }
    bool AllowsMany() const override { return false; }
    std::unique_ptr<TqzRegExprQuantifier> Duplicate() const override;
    String DumpText() const override { return "?"; }
};

class TqzRegExprStarQuantifier : public TqzRegExprQuantifier {
public:
    bool AllowsNone() const override { return true; }
    bool AllowsMany() const override { return true; }
    std::unique_ptr<TqzRegExprQuantifier> Duplicate() const override;
    String DumpText() const override { return "*"; }
};

class TqzRegExprPlusQuantifier : public TqzRegExprQuantifier {
public:
    bool AllowsNone() const override { return false; }
    bool AllowsMany() const override { return true; }
    std::unique_ptr<TqzRegExprQuantifier> Duplicate() const override;
    String DumpText() const override { return "+"; }
};

class TqzRegExprParserItem;
using TqzRegExprParserAlt = std::vector<std::unique_ptr<TqzRegExprParserItem>>;
using TqzRegExprParserAlts = std::vector<std::unique_ptr<TqzRegExprParserAlt>>;

class TqzRegExprParserItem {
public:
    TqzRegExprParserItem();
    virtual ~TqzRegExprParserItem() = default;

    virtual bool CanMatchEmpty() const = 0;
    virtual std::unique_ptr<TqzRegExprParserItem> Duplicate() const = 0;
    virtual String DumpText() const = 0;
    virtual void MarkFinal() = 0;
    // The number of nodes and the nesting depth of groups, for the compile's limits.
    virtual Integer NodeCount() const = 0;
    virtual Integer Depth() const = 0;

    bool IsOptional() const { return Quantifier->AllowsNone(); }
    bool IsRepeatable() const { return Quantifier->AllowsMany(); }
    bool IsUnquantified() const;
    void ReplaceQuantifier(std::unique_ptr<TqzRegExprQuantifier> quantifier);

    std::unique_ptr<TqzRegExprQuantifier> Quantifier;
};

class TqzRegExprParserSimpleItem : public TqzRegExprParserItem {
public:
    explicit TqzRegExprParserSimpleItem(std::unique_ptr<TqzRegExprItem> item);
    bool CanMatchEmpty() const override { return IsOptional(); }
    std::unique_ptr<TqzRegExprParserItem> Duplicate() const override;
    String DumpText() const override;
    void MarkFinal() override { State->MarkAccepting(); }
    Integer NodeCount() const override { return 1; }
    Integer Depth() const override { return 0; }

    std::unique_ptr<TqzRegExprSimpleState> State;
};

class TqzRegExprParserBlockItem : public TqzRegExprParserItem {
public:
    TqzRegExprParserBlockItem();
    bool CanMatchEmpty() const override;
    std::unique_ptr<TqzRegExprParserItem> Duplicate() const override;
    String DumpText() const override;
    void MarkFinal() override;
    Integer NodeCount() const override;
    Integer Depth() const override;

    TqzRegExprParserAlts Alternatives;
    std::unique_ptr<TqzRegExprBlockState> EntryState;
    std::unique_ptr<TqzRegExprBlockState> ExitState;
};

// ---- Matcher -------------------------------------------------------------------------------------

class TqzRegExpr;

class TqzRegExprAutomat {
public:
    TqzRegExprAutomat(TqzRegExpr* owner, TqzRegExprParserAlts alternatives);

    bool Advance(char32_t& ch, bool ignoreCase);
    bool StepBack();
    void Rewind();
    bool AtStart() const;
    bool InAcceptingState() const;
    TqzRegExprStates NextCandidates();
    void DropForcedTail();
    void FillForced();
    String DumpText() const;

private:
    friend class TqzRegExpr;
    TqzRegExprWalk NewWalk() { return TqzRegExprWalk{++FWalkStamp}; }

    TqzRegExpr* FOwner;
    TqzRegExprParserAlts FAlternatives;
    std::unique_ptr<TqzRegExprSimpleState> FStart;
    TqzRegExprStates FCurrent;
    std::vector<TqzRegExprStates> FHistory;
    unsigned FWalkStamp = 0;
};

using TqzRegExprAutoInsertEvent = TClosure<void(char32_t ch)>;
using TqzRegExprAutoRemoveEvent = TClosure<void()>;

class TqzRegExpr : public TObject {
    KOV_CLASS(TqzRegExpr, TObject)
public:
    TqzRegExpr();
    ~TqzRegExpr() override;

    // Raises EqzRegExprError with every error found; reads the stream from its beginning.
    void Compile(TStream* stream);
    bool IsCompiled() const { return FCompiled; }
    // The pattern text when compiled, else nullptr; another expression can compile from it.
    TMemoryStream* PatternStream() const;

    bool Feed(char32_t& ch);
    String FeedText(const String& text);
    bool StepBack();
    void Restart();
    bool IsComplete() const;
    bool IsAtStart() const;

    bool GetAutoComplete() const { return FAutoComplete; }
    void SetAutoComplete(bool value);
    bool GetIgnoreCase() const { return FIgnoreCase; }
    void SetIgnoreCase(bool value) { FIgnoreCase = value; }

    const TqzRegExprErrors& GetErrors() const { return FErrors; }
    const TqzLexems& GetLexems() const { return FLexems; }
    // A debugging aid: the parse tree as text (empty when not compiled).
    String DumpText() const;

    TqzRegExprAutoInsertEvent OnAutoInsert;
    TqzRegExprAutoRemoveEvent OnAutoRemove;

    // Limits that keep a pathological pattern at a bounded cost.
    static constexpr Integer MaxNodes = 10000;
    static constexpr Integer MaxLinks = 50000;
    static constexpr Integer MaxDepth = 500;
    static constexpr Integer MaxForced = 1000;

private:
    friend class TqzRegExprAutomat;
    friend class TqzRegExprCompiler;

    void CheckCompiled() const;
    void DoAutoInsert(char32_t ch);
    void DoAutoRemove();

    std::unique_ptr<TMemoryStream> FPattern;
    TqzRegExprErrors FErrors;
    TqzLexems FLexems;
    std::unique_ptr<TqzRegExprAutomat> FAutomat;
    bool FCompiled = false;
    bool FAutoComplete = false;
    bool FIgnoreCase = false;
};
