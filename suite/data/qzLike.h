// LIKE patterns: a multi wildcard stands for any run of characters, a single wildcard for
// exactly one character (a code point). There is no escape: a wildcard always acts as one.
// Characters are compared exactly; callers fold case themselves.
#pragma once

#include "platform/runtime/RtlTypes.h"

// A multi wildcard that is not the pattern's last character needs at least one character of
// text left, so "a%%" does not match "a".
bool LikeMatch(const String& text, const String& pattern, char multiWildcard, char singleWildcard);
// Every run of two or more wildcards becomes one.
void CollapseWildcardRuns(String& text, char wildcard);
// Collapses runs, then (for a text of at least 2 characters) removes a leading wildcard (answer
// bit 2) and a trailing one (answer bit 1): 1 starts with, 2 ends with, 3 contains, 0 neither.
Integer StripEdgeWildcards(String& text, char wildcard);
