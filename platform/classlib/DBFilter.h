// Filter texts of data sets, and the key matching of Locate and Lookup.
//
// A filter text is a condition over the fields of a record:
//   condition  := term { OR term }
//   term       := factor { AND factor }
//   factor     := NOT factor | predicate
//   predicate  := operand [ comparison operand
//                         | IS [NOT] NULL
//                         | [NOT] LIKE operand [ESCAPE 'c']
//                         | [NOT] IN ( [operand { , operand }] )
//                         | [NOT] BETWEEN operand AND operand ]
//   comparison := =  <>  !=  <  >  <=  >=
//   operand    := 'text' | number | NULL | TRUE | FALSE | name | [name] | "name" | ( [condition] )
//
// Keywords are case-insensitive. Texts double an inner quote ('O''Brien'). Numbers are written
// as the locale writes them: the locale's decimal separator (or ".") and an optional exponent,
// so with "," as separator 1,5 is one number and a list is separated by ", ". A name is a
// field's name or, failing that, a field's Origin. A text compared with a date or time field
// is read as the locale writes dates and times, or as yyyy-mm-dd [hh:nn[:ss[.zzz]]].
//
// "= NULL" and "<> NULL" test for null like IS NULL and IS NOT NULL. Other comparisons follow
// SQL: a null operand leaves the condition unknown, and only a condition that is true accepts
// the record. An empty group "()" stands for a list without conditions and accepts every
// record, also behind NOT. Texts compare ordinally, ignoring case with foCaseInsensitive; unless
// foNoPartialCompare, "=" and "<>" with a text ending in "*" compare only the beginning.
// Values that cannot be compared (a text that is no number beside a number) are unequal.
#pragma once

#include <memory>

#include "platform/classlib/DB.h"

class TFilterExpression {
public:
    // Parses `text` against the fields of `dataSet`. Raises EDatabaseError: "Filter expression
    // incorrectly formatted: <detail>" for bad syntax, "Field '<name>' not found" for a name no
    // field has (both prefixed with the data set's name).
    TFilterExpression(const String& text, TDataSet* dataSet);
    ~TFilterExpression();
    TFilterExpression(const TFilterExpression&) = delete;
    TFilterExpression& operator=(const TFilterExpression&) = delete;

    // Whether the record whose values the fields show now passes.
    bool Evaluate(TFilterOptions options) const;

    struct TNode;

private:
    std::unique_ptr<TNode> FRoot;
};

// LIKE by characters (code points): "%" stands for any run of characters, "_" for exactly one;
// the escape character (0: none) makes the character after it stand for itself.
bool FilterLikeMatch(const String& text, const String& pattern, char32_t escape = 0);

// Whether a record's value matches a key value of Locate or Lookup. Null (or Empty) matches
// only Null. Texts compare as texts (ignoring case with loCaseInsensitive; with loPartialKey
// the value need only begin with the key), other values by the variant comparison; values
// that cannot be compared do not match.
bool LocateKeyMatches(const Variant& value, const Variant& key, TLocateOptions options);
