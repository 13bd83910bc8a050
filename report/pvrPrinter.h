// Printers of the report engine: the table of standard paper sizes.
#pragma once

#include "platform/runtime/RtlTypes.h"

// A standard paper: its number, name (empty) and portrait size in tenths of a millimetre.
struct TPaperInfo {
    Integer Typ;
    const char* Name;
    Integer X;
    Integer Y;
};

constexpr Integer PaperCount = 66;
// Numbers 1 to 47 and 50 to 68.
extern const TPaperInfo PaperInfo[PaperCount];

// The portrait width and height of a paper number in millimetres; False for a number the
// table does not hold.
bool GetPaperDimensions(Integer paper, Extended& width, Extended& height);
