// Texts kept by number: the string table that LoadStr and FmtLoadStr read.
//
// A unit registers its numbered texts at start-up (RegisterResourceStrings from a static
// initialiser); texts compiled in as RT_STRING resources are found too. A resource block of
// type RT_STRING named n holds the texts n*16-16 .. n*16-1, each stored as a 16-bit
// little-endian count of UTF-16 code units followed by those units (0 for a missing text).
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/runtime/Format.h"
#include "platform/runtime/RtlTypes.h"

// Adds or replaces the text of a number.
void RegisterResourceString(Integer ident, const String& text);
void RegisterResourceStrings(std::initializer_list<std::pair<Integer, const char*>> table);
// Forgets a registered text (resources stay).
void UnregisterResourceString(Integer ident);

// The registered text of the number, else the text of the RT_STRING resources, else "".
String LoadStr(Integer ident);
// Format of the text with the arguments (Format's errors for a text that does not fit them).
String FmtLoadStr(Integer ident, std::initializer_list<TVarRec> args);
String FmtLoadStr(Integer ident, const std::vector<TVarRec>& args);
