// Engine-wide services shared by the compiler, the symbols and the binding modules: the
// registry of languages, the static kind of a type name, the parser of host signatures and the
// conversion of literal texts.
#pragma once

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Variant.h"
#include "script/kq_iinterpreter.h"

// Replaces the grammar of a language registered under that name (case-insensitive) or adds it.
void RegisterLanguage(const String& name, const String& grammar);
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
