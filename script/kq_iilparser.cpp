#include "script/kq_iilparser.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <mutex>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "script/kq_iconst.h"
#include "script/kq_itools.h"

namespace {

// The error of text that no rule of the grammar reads.
const char* const SStatementExpected = "Statement expected";

TkqXMLItem* Child(TkqXMLItem* item, const String& name) {
    if (item == nullptr) return nullptr;
    const Integer index = item->Find(name);
    return index >= 0 ? item->Items(index) : nullptr;
}

// A text split into lines and joined again with CR LF after every line, as a string list gives
// its text.
String NormalizeLineEnds(const String& text) {
    String out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    if (!out.empty() && !out.ends_with("\r\n")) out += "\r\n";
    return out;
}

[[noreturn]] void RaiseInvalidLanguage() { throw Exception(SInvalidLanguage); }

} // namespace

TkqILParser::TkqILParser(TkqScript* script)
    : Script(script), Grammar(std::make_unique<TkqXMLDocument>()),
      ILDocument(std::make_unique<TkqXMLDocument>()), Lexer(std::make_unique<TkqParser>()),
      UsesList(std::make_unique<TStringList>()), WithList(std::make_unique<TStringList>()) {}

TkqILParser::~TkqILParser() = default;

struct TkqILParser::TGrammar {
    TkqXMLDocument Document;
    std::unordered_map<const TkqXMLItem*, TRuleElement> Elements;

    static TRuleElement Read(TkqXMLItem* element, TkqXMLItem* root) {
        TRuleElement info;
        info.Name = LowerCase(element->Name);
        info.RawText = element->Prop("text");
        info.Text = LowerCase(info.RawText);
        info.Node = LowerCase(element->Prop("node"));
        info.Add = element->Prop("add");
        info.AddText = element->Prop("addtext");
        info.Skip = element->Prop("skip");
        info.Err = element->Prop("err");
        info.Term = element->Prop("term") == "1";
        info.IsRule = element->Parent == root;
        static const char* const builtIn[] = {
            "char",   "keyword",        "ident",    "number", "string",      "qostring", "eol",
            "sequence", "switch", "optionalswitch", "optional", "loop",   "optionalloop"};
        if (!info.IsRule && std::find(std::begin(builtIn), std::end(builtIn), info.Name) == std::end(builtIn))
            info.Definition = Child(root, info.Name);
        return info;
    }
};

std::shared_ptr<const TkqILParser::TGrammar> TkqILParser::LoadGrammar(const String& text) {
    static std::mutex lock;
    static auto* loaded = new std::map<String, std::shared_ptr<const TGrammar>>;
    {
        std::lock_guard guard(lock);
        auto found = loaded->find(text);
        if (found != loaded->end()) return found->second;
    }
    auto grammar = std::make_shared<TGrammar>();
    TStringStream stream(text);
    grammar->Document.LoadFromStream(&stream);
    TkqXMLItem* root = grammar->Document.Root;
    std::vector<TkqXMLItem*> pending;
    if (root != nullptr) pending.push_back(root);
    while (!pending.empty()) {
        TkqXMLItem* element = pending.back();
        pending.pop_back();
        grammar->Elements.emplace(element, TGrammar::Read(element, root));
        for (Integer i = 0; i < element->Count(); ++i)
            pending.push_back(element->Items(i));
    }
    std::lock_guard guard(lock);
    return loaded->emplace(text, std::move(grammar)).first->second;
}

void TkqILParser::SelectLanguage(const String& name) {
    Lexer->Clear();
    // A grammar never inherits the case rule or the second comment opener of another one.
    Lexer->CommentLine2.clear();
    Lexer->CaseSensitive = false;
    LanguageName = name;
    FOtherElements.clear();
    FGrammar = LoadGrammar(GetLanguageGrammar(name));
    // The document is only read: the translators of one grammar share it.
    Grammar = std::shared_ptr<TkqXMLDocument>(FGrammar, const_cast<TkqXMLDocument*>(&FGrammar->Document));
    GrammarRoot = Grammar->Root;

    TkqXMLItem* parser = Child(GrammarRoot, "parser");
    if (TkqXMLItem* keywords = Child(parser, "keywords"))
        for (Integer i = 0; i < keywords->Count(); ++i)
            Lexer->Keywords->Add(keywords->Items(i)->Name);
    for (Integer i = 0; parser != nullptr && i < parser->Count(); ++i) {
        TkqXMLItem* setting = parser->Items(i);
        const String key = LowerCase(setting->Name);
        const String value = setting->Prop("text");
        if (key == "identchars")
            Lexer->SetIdentifierCharset(value);
        else if (key == "commentline1")
            Lexer->CommentLine1 = value;
        else if (key == "commentline2")
            Lexer->CommentLine2 = value;
        else if (key == "commentblock1")
            Lexer->SetCommentBlock1(value);
        else if (key == "commentblock2")
            Lexer->SetCommentBlock2(value);
        else if (key == "stringquotes")
            Lexer->StringQuotes = value;
        else if (key == "hexsequence")
            Lexer->HexSequence = value;
        else if (key == "declarevars" && value == "0")
            DeclarationsRequired = false;
        else if (key == "skipeol" && value == "0")
            Lexer->SkipEOL = false;
        else if (key == "skipchar")
            Lexer->SkipChar = value;
        else if (key == "casesensitive" && value == "1")
            Lexer->CaseSensitive = true;
    }
    if (Script != nullptr && Script->HighCharIdentifiers) {
        TkqCharSet charset = Lexer->GetIdentifierCharset();
        for (std::size_t c = 128; c < 256; ++c)
            charset.set(c);
        Lexer->SetIdentifierCharset(charset);
    }
}

void TkqILParser::RecordError(const String& text, const String& position, bool term) {
    if (!FErrorText.empty() || text.empty()) return;
    FErrorText = text;
    FErrorPos = position;
    FErrorTerm = term;
}

void TkqILParser::SkipToText() {
    for (;;) {
        Lexer->SkipSpaces();
        const Integer position = Lexer->GetPosition();
        if (position > Lexer->GetSize()) return;
        const char c = Lexer->GetText()[std::size_t(position) - 1];
        if (c != '\r' && c != '\n') return;
        Lexer->SetPosition(position + 1);
    }
}

bool TkqILParser::TranslateSource(const String& text) {
    FLines.clear();
    FErrorText.clear();
    FErrorPos.clear();
    FErrorTerm = false;
    FTooDeepPos.clear();
    Lexer->SetText(text);

    bool result = false;
    bool directiveFailed = false;
    Integer translationStart = 1;
    // A language directive on the very first character: "#language Name".
    if (Lexer->GetChar() == "#" && SameText(Lexer->GetIdent(), "language")) {
        const Integer from = Lexer->GetPosition();
        const std::size_t cr = text.find('\r', std::size_t(from) - 1);
        const String name =
            Trim(text.substr(std::size_t(from) - 1, cr == String::npos ? String::npos : cr - (from - 1)));
        try {
            SelectLanguage(name);
            translationStart = cr == String::npos ? Lexer->GetSize() + 1 : Integer(cr) + 3;
        } catch (const Exception& e) {
            RecordError(e.Message, "1:1");
            directiveFailed = true;
        }
    }
    Lexer->SetPosition(translationStart);

    TkqXMLItem* program = Child(GrammarRoot, "program");
    if (!directiveFailed) {
        if (program == nullptr) throw Exception(SInvalidLanguage);
        try {
            result = InterpretRule(program);
        } catch (const EConvertError& e) {
            RecordError(e.Message, Lexer->GetPositionText());
            result = false;
        }
        if (!FTooDeepPos.empty()) {
            FErrorText = SNestingTooDeep;
            FErrorPos = FTooDeepPos;
            FErrorTerm = false;
            result = false;
        }
    }

    bool ok = result && FErrorText.empty();
    if (!directiveFailed && FErrorText.empty()) {
        // Nothing of the text may be left unread, unless the grammar ends its program with an
        // end mark after which text is ignored.
        const bool endMark =
            program->Count() > 0 && SameText(program->Items(program->Count() - 1)->Name, "char");
        if (!result) {
            Lexer->SetPosition(translationStart);
            SkipToText();
            if (Lexer->GetPosition() > Lexer->GetSize()) {
                // Only blanks, line ends and comments: an empty program.
                FLines.clear();
                ok = true;
            } else {
                RecordError(SStatementExpected, Lexer->GetPositionText());
            }
        } else if (!endMark) {
            SkipToText();
            if (Lexer->GetPosition() <= Lexer->GetSize()) {
                RecordError(SStatementExpected, Lexer->GetPositionText());
                ok = false;
            }
        }
    }

    if (ok) {
        String xml = "<?xml version=\"1.0\"?>\r\n<program>\r\n";
        for (const String& line : FLines)
            xml += line + "\r\n";
        xml += "</program>";
        auto document = std::make_unique<TkqXMLDocument>();
        TStringStream stream(xml);
        document->LoadFromStream(&stream);
        ILDocument = std::move(document);
        TkqXMLItem* types = Child(GrammarRoot, "types");
        TkqXMLItem* copy = ILDocument->Root->Add();
        if (types != nullptr)
            copy->Assign(types);
        else
            copy->Name = "types";
    }
    if (Script != nullptr) {
        Script->LastErrorText = FErrorText;
        Script->LastErrorPos = FErrorPos;
    }
    return ok;
}

const TkqILParser::TRuleElement& TkqILParser::RuleElement(TkqXMLItem* element) {
    if (FGrammar != nullptr) {
        auto found = FGrammar->Elements.find(element);
        if (found != FGrammar->Elements.end()) return found->second;
    }
    auto found = FOtherElements.find(element);
    if (found != FOtherElements.end()) return found->second;
    return FOtherElements.emplace(element, TGrammar::Read(element, GrammarRoot)).first->second;
}

void TkqILParser::ReportRuleError(TkqXMLItem* element, Integer startPosition) {
    const String& err = RuleElement(element).Err;
    if (err.empty() || !FErrorText.empty()) return;
    const String text = [&] {
        TkqXMLItem* entry = Child(Child(Child(GrammarRoot, "parser"), "errors"), err);
        return entry != nullptr ? entry->Prop("text") : String();
    }();
    if (text.empty()) return;
    Lexer->SetPosition(startPosition);
    Lexer->SkipSpaces();
    RecordError(text, Lexer->GetPositionText(), RuleElement(element).Term);
}

// The rules nest as deep as the text does, so InterpretRule keeps its own frame small: what
// needs temporaries of its own is done in the helpers below.

bool TkqILParser::ReadTerminal(const TRuleElement& rule, String& token) {
    const String& name = rule.Name;
    if (name == "char") {
        if (rule.Skip != "0") Lexer->SkipSpaces();
        token = Lexer->GetChar();
    } else if (name == "keyword") {
        token = Lexer->GetWord();
    } else if (name == "ident") {
        token = Lexer->GetIdent();
    } else if (name == "number") {
        token = Lexer->GetNumber();
    } else if (name == "string") {
        token = Lexer->GetString();
    } else if (name == "qostring") {
        token = Lexer->GetAngleText();
        const String pos = "pos=\"" + Lexer->GetPositionText() + "\"";
        Emit("<dsgn " + pos + ">");
        Emit("<node text=\"Get\" " + pos + "/>");
        Emit("<expr " + pos + ">");
        Emit("<string text=\"'" + EscapeXMLText(token) + "'\" " + pos + "/>");
        Emit("</expr>");
        Emit("</dsgn>");
    } else {
        return false;
    }
    return true;
}

void TkqILParser::EmitAdd(const TRuleElement& rule, const String& token) {
    const String& addText = rule.AddText;
    Emit("<" + rule.Add + " text=\"" + EscapeXMLText(addText.empty() ? token : addText) + "\" pos=\"" +
         Lexer->GetPositionText() + "\"/>");
}

void TkqILParser::NoteTooDeep() { FTooDeepPos = Lexer->GetPositionText(); }

bool TkqILParser::InterpretRule(TkqXMLItem* element) {
    // Past the stack's reserve the translation fails as a whole: every rule still open fails at
    // once, and no alternative or loop may take the text up again.
    if (!FTooDeepPos.empty()) return false;
    if (ScriptStackLow()) {
        NoteTooDeep();
        return false;
    }
    const Integer start = Lexer->GetPosition();
    std::size_t mark = FLines.size();
    // Entries of the table keep their place while it grows.
    const TRuleElement& rule = RuleElement(element);
    const String& name = rule.Name;

    bool matched = false;
    bool terminal = false;
    String token;
    if (rule.IsRule) {
        matched = true;
    } else if (ReadTerminal(rule, token)) {
        terminal = true;
    } else if (name == "eol") {
        matched = Lexer->GetEOL();
    } else if (name == "sequence") {
        matched = true;
    } else if (name == "switch" || name == "optionalswitch") {
        // A failed alternative leaves nothing behind: the next one starts from the same text
        // and the same output (else a failed "lo..hi" would leave its "lo" in the form).
        for (Integer i = 0; i < element->Count(); ++i) {
            if (InterpretRule(element->Items(i))) return true;
            FLines.resize(std::min(FLines.size(), mark));
        }
        if (name == "switch") {
            ReportRuleError(element, start);
            return false;
        }
        return true;
    } else if (name == "optional") {
        for (Integer i = 0; i < element->Count(); ++i) {
            if (!InterpretRule(element->Items(i))) {
                // The text goes back, and so does what the matched part emitted.
                Lexer->SetPosition(start);
                FLines.resize(std::min(FLines.size(), mark));
                break;
            }
        }
        return true;
    } else if (name == "loop" || name == "optionalloop") {
        return InterpretLoop(element, start);
    } else {
        if (rule.Definition == nullptr) RaiseInvalidLanguage();
        matched = InterpretRule(rule.Definition);
    }
    if (terminal) {
        const String& text = rule.Text;
        matched = !token.empty() &&
                  (text.empty() || (Lexer->CaseSensitive ? token == text : SameText(token, text)));
    }

    bool result = true;
    if (matched) {
        if (!rule.IsRule && !rule.Node.empty()) CloseNode(rule.Node, true, start, mark);
        if (!rule.Add.empty()) EmitAdd(rule, token);
        for (Integer i = 0; i < element->Count(); ++i) {
            if (!InterpretRule(element->Items(i))) {
                result = false;
                break;
            }
        }
    } else {
        ReportRuleError(element, start);
        result = false;
    }
    if (!result) Lexer->SetPosition(start);
    if (rule.IsRule) CloseNode(rule.Node, result, start, mark);
    return result;
}

bool TkqILParser::InterpretLoop(TkqXMLItem* element, Integer startPosition) {
    const String separator = RuleElement(element).RawText;
    Integer turns = 0;
    Integer resume = startPosition;
    bool failed = false;
    for (;;) {
        ++turns;
        const Integer turnStart = Lexer->GetPosition();
        bool ok = true;
        for (Integer i = 0; i < element->Count(); ++i) {
            if (!InterpretRule(element->Items(i))) {
                ok = false;
                break;
            }
        }
        resume = Lexer->GetPosition();
        if (!ok) {
            failed = true;
            break;
        }
        if (!separator.empty()) {
            Lexer->SkipSpaces();
            if (Lexer->GetChar() != separator) {
                Lexer->SetPosition(resume);
                break;
            }
        }
        if (Lexer->GetPosition() == turnStart) break;
    }
    if (turns > 1) {
        if (RuleElement(element).Skip == "1" || FErrorTerm) {
            FErrorText.clear();
            FErrorPos.clear();
            FErrorTerm = false;
        }
        Lexer->SetPosition(resume);
        return true;
    }
    if (!failed) return true;
    if (SameText(element->Name, "optionalloop")) {
        Lexer->SetPosition(startPosition);
        return true;
    }
    return false;
}

void TkqILParser::CloseNode(const String& node, bool success, Integer startPosition, std::size_t& mark) {
    if (node.empty()) return;
    if (node == "uses") {
        while (FLines.size() > mark) {
            const String line = FLines.back();
            String value;
            const std::size_t at = line.find("text=\"");
            if (at != String::npos) {
                const std::size_t from = at + 6;
                const std::size_t to = line.find("\" ", from);
                value = line.substr(from, to == String::npos ? String::npos : to - from);
            }
            if (value.size() >= 2) value = value.substr(1, value.size() - 2);
            AddUnit(UnescapeXMLText(value), mark, startPosition);
            FLines.pop_back();
        }
        return;
    }
    if (!success) {
        FLines.resize(std::min(FLines.size(), mark));
        return;
    }
    const Integer end = Lexer->GetPosition();
    Lexer->SetPosition(startPosition);
    Lexer->SkipSpaces();
    String tag = "<" + node + " pos=\"" + Lexer->GetPositionText() + "\"";
    Lexer->SetPosition(end);
    if (node == "expr") tag += " pos1=\"" + Lexer->GetPositionText() + "\"";
    tag += ">";
    // The start tag goes in front of the first line emitted since the mark, in the same entry:
    // inserting an entry would move every later one, once per closing element.
    if (mark < FLines.size())
        FLines[mark].insert(0, tag + "\r\n");
    else
        FLines.push_back(tag);
    FLines.push_back("</" + node + ">");
}

void TkqILParser::AddUnit(const String& name, std::size_t& mark, Integer startPosition) {
    if (UsesList->IndexOf(name) >= 0) return;
    UsesList->Add(name);
    String unitText;
    bool haveText = true;
    if (Script != nullptr && Script->OnGetUnit.Assigned()) {
        Script->OnGetUnit(Script, name, unitText);
    } else {
        TStringList lines;
        try {
            lines.LoadFromFile(name);
            unitText = lines.GetText();
        } catch (const Exception& e) {
            const Integer end = Lexer->GetPosition();
            Lexer->SetPosition(startPosition);
            Lexer->SkipSpaces();
            if (FErrorText.empty() && Script != nullptr && Script->LastErrorUnit.empty())
                Script->LastErrorUnit = CurrentUnit;
            RecordError(e.Message, Lexer->GetPositionText());
            Lexer->SetPosition(end);
            haveText = false;
        }
    }
    String included;
    if (haveText && !unitText.empty()) {
        TkqILParser nested(Script);
        nested.CurrentUnit = name;
        nested.SelectLanguage(LanguageName);
        nested.UsesList->Assign(UsesList.get());
        if (nested.TranslateSource(NormalizeLineEnds(unitText))) {
            UsesList->Assign(nested.UsesList.get());
            UnitTexts.emplace_back(name, NormalizeLineEnds(unitText));
            UnitTexts.insert(UnitTexts.end(), nested.UnitTexts.begin(), nested.UnitTexts.end());
            TStringStream stream;
            nested.ILDocument->AutoIndent = false;
            nested.ILDocument->SaveToStream(&stream);
            const String saved = stream.GetDataString();
            const std::size_t declarationEnd = saved.find("?>");
            included = declarationEnd == String::npos ? saved : saved.substr(declarationEnd + 2);
        } else if (Script != nullptr) {
            if (FErrorText.empty() && Script->LastErrorUnit.empty()) Script->LastErrorUnit = name;
            RecordError(Script->LastErrorText, Script->LastErrorPos);
        }
    }
    const std::vector<String> lines = {"<uses unit=\"" + EscapeXMLText(name) + "\">", included, "</uses>"};
    FLines.insert(FLines.begin() + std::ptrdiff_t(std::min(mark, FLines.size())), lines.begin(), lines.end());
    mark += 3;
}
