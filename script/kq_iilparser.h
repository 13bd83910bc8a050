// The translator of the script engine: it walks the rules of the selected grammar over the
// source with the lexer and writes the intermediate form, one line per tag, then loads it into
// an XML document. Units named in uses clauses are translated by nested translators and
// inlined. Everything language-specific comes from the grammar.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/StringLists.h"
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
    std::unique_ptr<TkqXMLDocument> Grammar;
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

    // Rule elements nested deeper than this fail with a syntax error instead of exhausting
    // the stack.
    static constexpr Integer MaxRuleDepth = 600;

protected:
    bool InterpretRule(TkqXMLItem* element);
    // Records the element's error text unless an error is recorded already.
    void ReportRuleError(TkqXMLItem* element, Integer startPosition);
    // Wraps the lines after `mark` in the element named `node` (or drops them on failure);
    // "uses" replaces its file lines by the units.
    void CloseNode(const String& node, bool success, Integer startPosition, std::size_t& mark);
    void AddUnit(const String& name, std::size_t& mark, Integer startPosition);

private:
    bool InterpretLoop(TkqXMLItem* element, Integer startPosition);
    void RecordError(const String& text, const String& position, bool term = false);
    void Emit(const String& line) { FLines.push_back(line); }
    // Past blanks, comments and line ends.
    void SkipToText();

    std::vector<String> FLines;
    String FErrorText;
    String FErrorPos;
    bool FErrorTerm = false;
    Integer FDepth = 0;
};
