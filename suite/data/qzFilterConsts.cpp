#include "suite/data/qzFilterConsts.h"

const char* const qzSFilterOperatorEqual = "equals";
const char* const qzSFilterOperatorNotEqual = "does not equal";
const char* const qzSFilterOperatorLess = "is less than";
const char* const qzSFilterOperatorLessEqual = "is less than or equal to";
const char* const qzSFilterOperatorGreater = "is greater than";
const char* const qzSFilterOperatorGreaterEqual = "is greater than or equal to";
const char* const qzSFilterOperatorLike = "like";
const char* const qzSFilterOperatorNotLike = "not like";
const char* const qzSFilterOperatorBeginsWith = "begins with";
const char* const qzSFilterOperatorEndsWith = "ends with";
const char* const qzSFilterOperatorContains = "contains";
const char* const qzSFilterOperatorNotBeginsWith = "does not begin with";
const char* const qzSFilterOperatorNotEndsWith = "does not end with";
const char* const qzSFilterOperatorNotContains = "does not contain";
const char* const qzSFilterOperatorBetween = "between";
const char* const qzSFilterOperatorNotBetween = "not between";
const char* const qzSFilterOperatorInList = "in";
const char* const qzSFilterOperatorNotInList = "not in";
const char* const qzSFilterOperatorNull = "is blank";
const char* const qzSFilterOperatorNotNull = "is not blank";
const char* const qzSFilterOperatorYesterday = "is yesterday";
const char* const qzSFilterOperatorToday = "is today";
const char* const qzSFilterOperatorTomorrow = "is tomorrow";
const char* const qzSFilterOperatorLastWeek = "is last week";
const char* const qzSFilterOperatorLastMonth = "is last month";
const char* const qzSFilterOperatorLastYear = "is last year";
const char* const qzSFilterOperatorThisWeek = "is this week";
const char* const qzSFilterOperatorThisMonth = "is this month";
const char* const qzSFilterOperatorThisYear = "is this year";
const char* const qzSFilterOperatorNextWeek = "is next week";
const char* const qzSFilterOperatorNextMonth = "is next month";
const char* const qzSFilterOperatorNextYear = "is next year";

const char* const qzSFilterAndCaption = "and";
const char* const qzSFilterOrCaption = "or";
const char* const qzSFilterNotCaption = "not";
const char* const qzSFilterBlankCaption = "blank";

const char* const qzSFilterBoxAllCaption = "(All)";
const char* const qzSFilterBoxCustomCaption = "(Custom...)";
const char* const qzSFilterBoxBlanksCaption = "(Blanks)";
const char* const qzSFilterBoxNonBlanksCaption = "(NonBlanks)";
