// The translator of the script engine: it walks the rules of the selected grammar over the
// source with the lexer and writes the intermediate form, one line per tag, then loads it into
// an XML document. Units named in uses clauses are translated by nested translators and
// inlined. Everything language-specific comes from the grammar.
#pragma once

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/StringLists.h"
#include "script/kq_iexpression.h"
#include "script/kq_iinterpreter.h"
#include "script/kq_iparser.h"
#include "script/kq_xml.h"

class TkqILParser : public TObject {
    KOV_CLASS(TkqILParser, TObject)
public:
    explicit TkqILParser(TkqScript* script);
    TkqILParser(const TkqILParser&) = delete;
    TkqILParser& operator=(const TkqILParser&) = delete;
    ~TkqILParser() override;

    // Configures the lexer and the rules from the grammar registered under the name; an
    // unknown name raises "Language '%s' not found".
    void SelectLanguage(const String& name);
    // True when the intermediate form was made without error. Sets the script's LastErrorText
    // and LastErrorPos from the first error (both empty when there is none). Only a grammar
    // that names an undefined rule raises ("Invalid language definition"); faults of the text
    // (a character code too large, a directive naming no language, a unit that cannot be read)
    // are errors of the translation.
    bool TranslateSource(const String& text);

    TkqScript* Script;
    std::shared_ptr<TkqXMLDocument> Grammar; // shared by the translators of the same grammar text
    TkqXMLItem* GrammarRoot = nullptr;
    std::unique_ptr<TkqXMLDocument> ILDocument;
    std::unique_ptr<TkqParser> Lexer;
    String LanguageName;
    bool DeclarationsRequired = true;
    std::unique_ptr<TStringList> UsesList;
    String CurrentUnit;
    // Used by the program builder.
    std::unique_ptr<TStringList> WithList;
    TkqXMLItem* ProgramElement = nullptr;
    String BuildErrorPos;
    // The texts of the units translated into ILDocument, by unit name.
    std::vector<std::pair<String, String>> UnitTexts;

    // How a designator is built: as written, as the class of a `new`, or as the object of a
    // `delete` (its Free member is appended).
    enum TBuildMode { bmNormal, bmConstructor, bmDestructor };

    // Builds the symbols and statements of ILDocument into the script. Errors are recorded in
    // the script's LastErrorText, LastErrorPos and LastErrorUnit, never raised; what was built
    // before an error stays.
    void BuildProgram();
    TkqExpression* BuildExpression(TkqXMLItem* element, TkqScript* script);
    TkqSetExpression* BuildSet(TkqXMLItem* element, TkqScript* script);
    TkqDesignator* BuildDesignator(TkqXMLItem* element, TkqScript* script, TBuildMode mode);

protected:
    bool InterpretRule(TkqXMLItem* element);
    // Records the element's error text unless an error is recorded already.
    void ReportRuleError(TkqXMLItem* element, Integer startPosition);
    // Wraps the lines after `mark` in the element named `node` (or drops them on failure);
    // "uses" replaces its file lines by the units.
    void CloseNode(const String& node, bool success, Integer startPosition, std::size_t& mark);
    void AddUnit(const String& name, std::size_t& mark, Integer startPosition);

private:
    // What the rule walk reads of a grammar element, read once per element: the walk visits
    // the same elements again for every token.
    struct TRuleElement {
        String Name;    // lower-cased
        String Text;    // lower-cased
        String RawText; // as written (a loop's separator)
        String Node;    // lower-cased
        String Add;
        String AddText;
        String Skip;
        String Err;
        bool Term = false;
        bool IsRule = false;
        TkqXMLItem* Definition = nullptr; // the rule an element of another name refers to
    };
    // A grammar text read once per process, with the table of its elements.
    struct TGrammar;
    static std::shared_ptr<const TGrammar> LoadGrammar(const String& text);
    const TRuleElement& RuleElement(TkqXMLItem* element);
    std::shared_ptr<const TGrammar> FGrammar;
    std::unordered_map<const TkqXMLItem*, TRuleElement> FOtherElements;

    // ---- Program building ----
    void SetBuildPos(TkqXMLItem* element);
    void BuildBlock(TkqXMLItem* element, TkqScript* script);
    void DeclareProcedures(TkqXMLItem* element, TkqScript* script);
    void BuildStatementList(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildStatement(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void AddStatement(TkqStatement* statement, TkqStatement* list);
    void BuildAssignment(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildCall(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildIf(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildCase(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildFor(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildVbFor(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildCppFor(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildWhile(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildRepeat(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildTry(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildReturn(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildWith(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void BuildDelete(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    void DeclareVariables(TkqXMLItem* element, TkqScript* script, TkqStatement* list);
    TkqCustomVariable* CreateVariable(TkqXMLItem* element, TkqScript* script, bool isVarParam, bool isParam,
                                      TkqStatement* list, const String& name);
    void DeclareConstant(TkqXMLItem* element, TkqScript* script);
    void DeclareParameters(TkqXMLItem* element, TkqProcVariable* proc);
    void DeclareProcedureHeader(TkqXMLItem* element, TkqScript* script);
    void DeclareFunctionHeader(TkqXMLItem* element, TkqScript* script);
    void BuildProcedureBody(TkqXMLItem* element, TkqScript* script, const String& name);
    void BuildUses(TkqXMLItem* element, TkqScript* script);
    TkqValueKind TypeKindOf(const String& name);
    TkqCustomVariable* FindVariable(TkqScript* script, const String& name);
    TkqClassVariable* FindClassOrFail(const String& name);
    void CheckNotDeclared(TkqScript* script, const String& name);
    void CheckAssignable(TkqCustomVariable* target, TkqCustomVariable* value);
    String NewWithName(TkqScript* script);
    bool ResolveWith(const String& name, TkqXMLItem* element, TkqDesignator* designator,
                     TkqDesignatorItem* item, TkqScript* script);
    void BuildAutomationChain(TkqXMLItem* element, Integer from, TkqDesignator* designator, TkqScript* script);
    void CheckArguments(TkqDesignator* designator, TkqScript* script);
    String SourceTextOf(TkqXMLItem* element);

    std::unique_ptr<TkqParser> FUnitLexer;
    String FUnitLexerName;
    // The loops and the case statements around the statement being built, in the procedure
    // being built: a break needs one of them, a continue a loop.
    Integer FLoopDepth = 0;
    Integer FCaseDepth = 0;

    bool InterpretLoop(TkqXMLItem* element, Integer startPosition);
    // A terminal element reads its token (a reference in angle brackets also emits its call of
    // Get); false for any other element.
    bool ReadTerminal(const TRuleElement& rule, String& token);
    // The empty element an element's `add` names.
    void EmitAdd(const TRuleElement& rule, const String& token);
    void NoteTooDeep();
    void RecordError(const String& text, const String& position, bool term = false);
    void Emit(const String& line) { FLines.push_back(line); }
    // Past blanks, comments and line ends.
    void SkipToText();

    // The intermediate form: one entry per emitted line, with the start tags of the elements
    // that begin at it in front (an entry may thus hold several lines).
    std::vector<String> FLines;
    String FErrorText;
    String FErrorPos;
    bool FErrorTerm = false;
    // Where the rules nested too deep for the stack's reserve; empty while they fit. The
    // translation then fails with "Nesting too deep" there.
    String FTooDeepPos;
};
