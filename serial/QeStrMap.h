// The serial library's message table: one text per code, for the error codes of its
// operations, the status texts of its displays and the vocabulary of the dispatch log.
#pragma once

#include <vector>

#include "platform/runtime/RtlTypes.h"

struct QeMessageNumberLookupRecord {
    Integer Code;
    String Msg;
};

// Number of rows of the table.
inline constexpr Integer QeMessageCount = 892;

// The table, sorted by the absolute value of the code; no absolute value occurs twice, so a
// negative error code and the positive number of the same size share one row.
const std::vector<QeMessageNumberLookupRecord>& QeMessageNumberLookup();

// The text of a code (looked up by its absolute value), at most 255 characters. A code without
// a row, or whose row is empty, gives the system's text for the absolute value with control
// characters turned into blanks and runs of blanks reduced to one; failing that, "".
String LookupMessage(Integer code);
