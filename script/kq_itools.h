// Engine-wide services shared by the compiler, the symbols and the binding modules: the
// registry of languages, the static kind of a type name, the parser of host signatures and the
// conversion of literal texts.
#pragma once

#include <vector>

#include "platform/runtime/Format.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/StackLimit.h"
#include "platform/runtime/Variant.h"
#include "script/kq_iinterpreter.h"

// Replaces the grammar of a language registered under that name (case-insensitive) or adds it.
// The built-in grammars ("PascalScript", "C++Script", "BasicScript", "JScript", in this order)
// are registered before the first registration or lookup.
void RegisterLanguage(const String& name, const String& grammar);
// The text of a grammar compiled into the program as an RCDATA resource.
String LoadGrammarResource(const String& resourceName);
// Raises Exception with SLangNotFound formatted with the name when none is registered.
String GetLanguageGrammar(const String& name);

// The kind of the symbol the name finds in the script; vkClass when there is none.
TkqValueKind KindOfTypeName(const String& typeName, TkqScript* script);

// A new symbol (owned by the caller) from a signature such as
// "function Copy(s: String; from, count: Integer): String": name, result type and kind,
// IsMacro, and the parameters as entries. Reading stops at the end of the text.
TkqCustomVariable* ParseSignature(const String& signature, TkqScript* script);

// A quoted string without its quotes, an integer (32-bit, 64-bit above 2147483647), else a
// float read with the locale's separator in place of "."; Null for an empty text. Text that is
// no number raises the float conversion's error.
Variant ParseLiteral(const String& text);

// A static type as the type rules see it: a kind and a type name of at most 32 characters
// (longer names are cut).
struct TkqTypeTag {
    TkqTypeTag() = default;
    TkqTypeTag(TkqValueKind kind, const String& typeName);

    TkqValueKind Kind = vkVariant;
    String TypeName;
};

// Both names are registered classes of the script and the second is the first or descends
// from it.
bool ClassInheritsByName(const String& className, const String& descendantName, TkqScript* script);
// A value of tag `r` may stand where tag `l` is expected. Not symmetric: an integer accepts a
// float, a float accepts an integer, a Boolean only Booleans and Variants.
bool KindsCompatible(const TkqTypeTag& l, const TkqTypeTag& r, TkqScript* script);
// KindsCompatible for the two symbols' tags, except that an integer variable refuses a float.
bool AssignCompatible(TkqCustomVariable* variable, TkqCustomVariable* expression, TkqScript* script);

// The line and column of a "line:column" source position; both 0 for an empty text. A part
// that is no number raises EConvertError.
void ParsePos(const String& position, Integer& line, Integer& column);

// An entry of a host event's argument list as a Variant. A pointer entry must be an object (or
// nullptr); kinds without a script meaning give Null.
Variant VarRecToVariant(const TVarRec& entry);
// One entry per element of a one-dimensional Variant array, for the formatting routine.
// Strings pass whole; Null and Empty give the integer 0.
std::vector<TVarRec> VariantArrayToVarRecs(const Variant& values);
// Releases what the entries hold.
void FreeVarRecs(std::vector<TVarRec>& entries);

// ---- Depth of nesting ----------------------------------------------------------------------------
// Calls, nested constructs and the grammar's rules go as deep as the thread's stack allows: each
// level checks that the stack still holds the reserve, which covers one more level, a host
// call-back and the unwinding of the error. On a small stack the reserve is a quarter of it.

// The error of a run that would exceed the stack.
extern const char* const SStackOverflow;
// The error of a text whose constructs nest too deep to translate or build.
extern const char* const SNestingTooDeep;
// Raises Exception with SStackOverflow.
[[noreturn]] void RaiseStackOverflow();

namespace kqstack {
// The lowest frame address at which the calling thread still holds the reserve; 0 until found.
extern thread_local constinit std::uintptr_t tFloor;
std::uintptr_t QueryFloor();
} // namespace kqstack

// Bytes a script keeps in reserve on the calling thread's stack.
std::size_t ScriptStackReserve();

// Whether the calling thread's stack has less than the reserve (and `extra` bytes) left.
inline bool ScriptStackLow(std::size_t extra = 0) {
    std::uintptr_t floor = kqstack::tFloor;
    if (floor == 0) floor = kqstack::QueryFloor();
    return StackPointer() < floor + extra;
}
