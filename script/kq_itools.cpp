#include "script/kq_itools.h"

#include <cctype>
#include <algorithm>
#include <climits>

#include "platform/runtime/Format.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Strings.h"
#include "script/kq_ibasic.h"
#include "script/kq_iconst.h"
#include "script/kq_icpp.h"
#include "script/kq_ijs.h"
#include "script/kq_ipascal.h"

namespace {

// name=grammar entries in registration order.
TStringList& LanguageList() {
    static TStringList* list = new TStringList();
    return *list;
}

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A cursor over a signature text with the readers the signature grammar needs. Every reader
// stops at the end of the text.
class TSignatureReader {
public:
    explicit TSignatureReader(const String& text) : FText(text) {}

    bool AtEnd() const { return FPos >= FText.size(); }
    std::size_t Position() const { return FPos; }
    void SetPosition(std::size_t pos) { FPos = pos; }
    void StepBack() {
        if (FPos > 0) --FPos;
    }
    void SkipBlanks() {
        while (!AtEnd() && static_cast<unsigned char>(FText[FPos]) <= ' ')
            ++FPos;
    }
    // Blanks, then an identifier; "" (nothing consumed but the blanks) when there is none.
    String Ident() {
        SkipBlanks();
        const std::size_t start = FPos;
        if (AtEnd() || !IsIdentStart(FText[FPos])) return "";
        while (!AtEnd() && IsIdentChar(FText[FPos]))
            ++FPos;
        return FText.substr(start, FPos - start);
    }
    // The next character; '\0' at the end.
    char Punct() { return AtEnd() ? '\0' : FText[FPos++]; }
    char Peek() const { return AtEnd() ? '\0' : FText[FPos]; }
    // A decimal number (with fraction and exponent) or "$" and hexadecimal digits; "" when none.
    String Number() {
        const std::size_t start = FPos;
        if (Peek() == '$') {
            ++FPos;
            while (!AtEnd() && std::isxdigit(static_cast<unsigned char>(FText[FPos])))
                ++FPos;
            if (FPos == start + 1) FPos = start;
            return FText.substr(start, FPos - start);
        }
        while (!AtEnd() && IsDigit(FText[FPos]))
            ++FPos;
        if (FPos == start) return "";
        if (Peek() == '.' && FPos + 1 < FText.size() && IsDigit(FText[FPos + 1])) {
            ++FPos;
            while (!AtEnd() && IsDigit(FText[FPos]))
                ++FPos;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            std::size_t p = FPos + 1;
            if (p < FText.size() && (FText[p] == '+' || FText[p] == '-')) ++p;
            if (p < FText.size() && IsDigit(FText[p])) {
                FPos = p;
                while (!AtEnd() && IsDigit(FText[FPos]))
                    ++FPos;
            }
        }
        return FText.substr(start, FPos - start);
    }
    // A quoted string with its quotes ('' inside stands for one quote, kept as written); ""
    // when none. An unclosed quote runs to the end of the text.
    String Quoted() {
        if (Peek() != '\'') return "";
        const std::size_t start = FPos++;
        while (!AtEnd()) {
            if (FText[FPos] == '\'') {
                if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
                    FPos += 2;
                    continue;
                }
                ++FPos;
                break;
            }
            ++FPos;
        }
        return FText.substr(start, FPos - start);
    }

private:
    const String& FText;
    std::size_t FPos = 0;
};

Variant ReadDefault(TSignatureReader& reader, TkqScript* script) {
    reader.SkipBlanks();
    String literal = reader.Number();
    if (literal.empty()) literal = reader.Quoted();
    if (literal.empty() && reader.Peek() == '-') {
        const std::size_t save = reader.Position();
        reader.Punct();
        const String number = reader.Number();
        if (number.empty())
            reader.SetPosition(save);
        else
            literal = "-" + number;
    }
    if (!literal.empty()) return ParseLiteral(literal);
    const String name = reader.Ident();
    TkqCustomVariable* symbol = script != nullptr && !name.empty() ? script->Find(name) : nullptr;
    return symbol != nullptr ? symbol->GetValue() : Null();
}

void AddSignatureParams(TkqCustomVariable* target, const std::vector<String>& names, const String& typeName,
                        bool isVar, const Variant& defValue, TkqScript* script) {
    const TkqValueKind kind = KindOfTypeName(typeName, script);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool last = i + 1 == names.size();
        auto* param = new TkqParamItem(names[i], isVar, last && !VarIsNull(defValue), typeName, kind);
        if (last) param->DefValue = defValue;
        target->Add(param);
    }
}

void ReadParams(TSignatureReader& reader, TkqCustomVariable* target, TkqScript* script) {
    while (!reader.AtEnd()) {
        std::vector<String> names;
        bool isVar = false;
        String typeName;
        Variant defValue = Null();
        while (!reader.AtEnd()) {
            const String word = reader.Ident();
            // The modifiers come before the first name; the name, not punctuation, follows them.
            if (SameText(word, "var")) {
                isVar = true;
                continue;
            }
            if (SameText(word, "const")) continue;
            if (!word.empty()) names.push_back(word);
            reader.SkipBlanks();
            const char c = reader.Punct();
            if (c == ',') continue;
            if (c == ')') {
                reader.StepBack();
                break;
            }
            if (c == ':') {
                typeName = reader.Ident();
                reader.SkipBlanks();
                const std::size_t save = reader.Position();
                if (reader.Punct() == '=')
                    defValue = ReadDefault(reader, script);
                else
                    reader.SetPosition(save);
                break;
            }
        }
        AddSignatureParams(target, names, typeName, isVar, defValue, script);
        reader.SkipBlanks();
        if (reader.Punct() == ')') return;
    }
}

} // namespace

namespace {

// The grammar modules register their languages once, before anything else is registered or
// looked up; registering them marks the work started, so their own calls come straight through.
void EnsureBuiltInLanguages() {
    static bool started = false;
    if (started) return;
    started = true;
    RegisterPascalScript();
    RegisterCppScript();
    RegisterBasicScript();
    RegisterJScript();
}

} // namespace

String LoadGrammarResource(const String& resourceName) {
    TResourceStream stream(HInstance, resourceName.c_str(), RT_RCDATA);
    String text(std::size_t(stream.GetSize()), '\0');
    if (!text.empty()) stream.ReadBuffer(text.data(), Integer(text.size()));
    return text;
}

void RegisterLanguage(const String& name, const String& grammar) {
    EnsureBuiltInLanguages();
    TStringList& list = LanguageList();
    const Integer index = list.IndexOfName(name);
    if (index >= 0)
        list.SetStrings(index, name + "=" + grammar);
    else
        list.Add(name + "=" + grammar);
}

String GetLanguageGrammar(const String& name) {
    EnsureBuiltInLanguages();
    TStringList& list = LanguageList();
    const Integer index = name.empty() ? -1 : list.IndexOfName(name);
    if (index < 0) throw Exception(Format(SLangNotFound, {name}));
    return list.GetValueFromIndex(index);
}

TkqValueKind KindOfTypeName(const String& typeName, TkqScript* script) {
    TkqCustomVariable* symbol = script != nullptr ? script->Find(typeName) : nullptr;
    return symbol != nullptr ? symbol->ValueKind : vkClass;
}

TkqCustomVariable* ParseSignature(const String& signature, TkqScript* script) {
    TSignatureReader reader(signature);
    String word = reader.Ident();
    bool isMacro = false;
    if (LowerCase(word).starts_with("macro")) {
        isMacro = true;
        word.erase(0, 5);
    }
    const bool isFunction = SameText(word, "function");
    const String name = reader.Ident();
    String typeName;
    if (isFunction) {
        const std::size_t colon = signature.rfind(':');
        if (colon != String::npos) {
            const std::size_t save = reader.Position();
            reader.SetPosition(colon + 1);
            typeName = reader.Ident();
            reader.SetPosition(save);
        }
    }
    auto result = std::make_unique<TkqCustomVariable>(name, typeName, KindOfTypeName(typeName, script));
    result->IsMacro = isMacro;
    reader.SkipBlanks();
    if (reader.Punct() == '(') ReadParams(reader, result.get(), script);
    return result.release();
}

Variant ParseLiteral(const String& text) {
    if (text.empty()) return Null();
    if (text[0] == '\'') return text.size() < 2 ? String() : text.substr(1, text.size() - 2);
    Int64 number = 0;
    if (TryStrToInt64(text, number)) {
        if (number > INT_MAX || number < INT_MIN) return Variant(number);
        return Variant(Integer(number));
    }
    String floatText = text;
    const std::size_t dot = floatText.find('.');
    if (dot != String::npos && FormatSettings.DecimalSeparator != '.')
        floatText[dot] = FormatSettings.DecimalSeparator;
    return Variant(double(StrToFloat(floatText)));
}

// ---- Type rules ---------------------------------------------------------------------------------

TkqTypeTag::TkqTypeTag(TkqValueKind kind, const String& typeName)
    : Kind(kind), TypeName(typeName.substr(0, 32)) {}

bool ClassInheritsByName(const String& className, const String& descendantName, TkqScript* script) {
    if (script == nullptr) return false;
    TkqClassVariable* ancestor = script->FindClass(className);
    TkqClassVariable* descendant = script->FindClass(descendantName);
    if (ancestor == nullptr || descendant == nullptr) return false;
    return descendant->ClassRef->InheritsFrom(ancestor->ClassRef);
}

bool KindsCompatible(const TkqTypeTag& l, const TkqTypeTag& r, TkqScript* script) {
    switch (l.Kind) {
    case vkInteger:
        return r.Kind == vkInteger || r.Kind == vkFloat || r.Kind == vkVariant || r.Kind == vkEnum;
    case vkBoolean:
        return r.Kind == vkBoolean || r.Kind == vkVariant;
    case vkFloat:
        return r.Kind == vkInteger || r.Kind == vkFloat || r.Kind == vkVariant;
    case vkChar:
    case vkString:
        return r.Kind == vkChar || r.Kind == vkString || r.Kind == vkVariant;
    case vkClass:
        return r.Kind == vkVariant ||
               (r.Kind == vkClass && ClassInheritsByName(l.TypeName, r.TypeName, script));
    case vkArray:
        return r.Kind == vkArray || r.Kind == vkVariant;
    case vkVariant:
        return true;
    case vkEnum:
        return r.Kind == vkInteger || r.Kind == vkVariant ||
               (r.Kind == vkEnum && AnsiSameText(l.TypeName, r.TypeName));
    case vkConstructor:
    default:
        return false;
    }
}

bool AssignCompatible(TkqCustomVariable* variable, TkqCustomVariable* expression, TkqScript* script) {
    if (variable->ValueKind == vkInteger && expression->ValueKind == vkFloat) return false;
    return KindsCompatible(TkqTypeTag(variable->ValueKind, variable->TypeName),
                           TkqTypeTag(expression->ValueKind, expression->TypeName), script);
}

void ParsePos(const String& position, Integer& line, Integer& column) {
    line = 0;
    column = 0;
    if (position.empty()) return;
    const std::size_t colon = position.find(':');
    line = StrToInt(position.substr(0, colon));
    column = colon == String::npos ? 0 : StrToInt(position.substr(colon + 1));
}

// ---- Argument lists -----------------------------------------------------------------------------

Variant VarRecToVariant(const TVarRec& entry) {
    switch (entry.VType) {
    case vtInteger:
        return Variant(entry.VInteger);
    case vtPointer:
        return ObjectToVariant(static_cast<TObject*>(const_cast<void*>(entry.VPointer)));
    case vtBoolean:
        return Variant(entry.VBoolean);
    case vtChar:
        return Variant(String(1, entry.VChar));
    case vtExtended:
        return Variant(double(entry.VExtended));
    case vtString:
        return Variant(entry.VString);
    case vtVariant:
        return entry.VVariant != nullptr ? *static_cast<const Variant*>(entry.VVariant) : Null();
    default:
        return Null();
    }
}

std::vector<TVarRec> VariantArrayToVarRecs(const Variant& values) {
    std::vector<TVarRec> entries;
    if (!VarIsArray(values)) return entries;
    const Integer low = VarArrayLowBound(values, 1);
    const Integer high = VarArrayHighBound(values, 1);
    for (Integer i = low; i <= high; ++i) {
        const Variant element = VarArrayGet(values, {i});
        switch (VarType(element)) {
        case varSmallint:
        case varInteger:
        case varByte:
        case varShortInt:
        case varWord:
            entries.emplace_back(element.AsInteger());
            break;
        case varLongWord:
        case varInt64:
            entries.emplace_back(element.AsInt64());
            break;
        case varSingle:
        case varDouble:
        case varCurrency:
        case varDate:
            entries.emplace_back(element.AsExtended());
            break;
        case varString:
        case varOleStr:
            entries.emplace_back(element.AsString());
            break;
        case varBoolean:
            entries.emplace_back(element.AsBoolean());
            break;
        default:
            entries.emplace_back(Integer(0));
            break;
        }
    }
    return entries;
}

void FreeVarRecs(std::vector<TVarRec>& entries) {
    entries.clear();
    entries.shrink_to_fit();
}

// ---- Depth of nesting ----------------------------------------------------------------------------

const char* const SStackOverflow = "Stack overflow";
const char* const SNestingTooDeep = "Nesting too deep";

void RaiseStackOverflow() { throw Exception(SStackOverflow); }

namespace kqstack {

thread_local constinit std::uintptr_t tFloor = 0;

namespace {

// Frames are larger when the program is built with the address checker.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t ReserveBytes = 512 * 1024;
#else
constexpr std::size_t ReserveBytes = 256 * 1024;
#endif

} // namespace

std::uintptr_t QueryFloor() {
    StackLeft();
    tFloor = stacklimit::tStackLow + ScriptStackReserve();
    return tFloor;
}

} // namespace kqstack

std::size_t ScriptStackReserve() { return std::min(kqstack::ReserveBytes, ThreadStackSize() / 4); }
