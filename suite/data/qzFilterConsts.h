// The texts of the filter: operator descriptions, the words of display texts and the fixed
// entries of filter value lists. Each is shown only after passing LocalizeFilterText, so a
// translation table may replace it.
#pragma once

#include "platform/runtime/RtlTypes.h"

// Operator descriptions.
extern const char* const qzSFilterOperatorEqual;         // "equals"
extern const char* const qzSFilterOperatorNotEqual;      // "does not equal"
extern const char* const qzSFilterOperatorLess;          // "is less than"
extern const char* const qzSFilterOperatorLessEqual;     // "is less than or equal to"
extern const char* const qzSFilterOperatorGreater;       // "is greater than"
extern const char* const qzSFilterOperatorGreaterEqual;  // "is greater than or equal to"
extern const char* const qzSFilterOperatorLike;          // "like"
extern const char* const qzSFilterOperatorNotLike;       // "not like"
extern const char* const qzSFilterOperatorBeginsWith;    // "begins with"
extern const char* const qzSFilterOperatorEndsWith;      // "ends with"
extern const char* const qzSFilterOperatorContains;      // "contains"
extern const char* const qzSFilterOperatorNotBeginsWith; // "does not begin with"
extern const char* const qzSFilterOperatorNotEndsWith;   // "does not end with"
extern const char* const qzSFilterOperatorNotContains;   // "does not contain"
extern const char* const qzSFilterOperatorBetween;       // "between"
extern const char* const qzSFilterOperatorNotBetween;    // "not between"
extern const char* const qzSFilterOperatorInList;        // "in"
extern const char* const qzSFilterOperatorNotInList;     // "not in"
extern const char* const qzSFilterOperatorNull;          // "is blank"
extern const char* const qzSFilterOperatorNotNull;       // "is not blank"
extern const char* const qzSFilterOperatorYesterday;     // "is yesterday"
extern const char* const qzSFilterOperatorToday;         // "is today"
extern const char* const qzSFilterOperatorTomorrow;      // "is tomorrow"
extern const char* const qzSFilterOperatorLastWeek;      // "is last week"
extern const char* const qzSFilterOperatorLastMonth;     // "is last month"
extern const char* const qzSFilterOperatorLastYear;      // "is last year"
extern const char* const qzSFilterOperatorThisWeek;      // "is this week"
extern const char* const qzSFilterOperatorThisMonth;     // "is this month"
extern const char* const qzSFilterOperatorThisYear;      // "is this year"
extern const char* const qzSFilterOperatorNextWeek;      // "is next week"
extern const char* const qzSFilterOperatorNextMonth;     // "is next month"
extern const char* const qzSFilterOperatorNextYear;      // "is next year"

// Words of display texts.
extern const char* const qzSFilterAndCaption;   // "and"
extern const char* const qzSFilterOrCaption;    // "or"
extern const char* const qzSFilterNotCaption;   // "not"
extern const char* const qzSFilterBlankCaption; // "blank"

// Fixed entries of filter value lists.
extern const char* const qzSFilterBoxAllCaption;       // "(All)"
extern const char* const qzSFilterBoxCustomCaption;    // "(Custom...)"
extern const char* const qzSFilterBoxBlanksCaption;    // "(Blanks)"
extern const char* const qzSFilterBoxNonBlanksCaption; // "(NonBlanks)"
