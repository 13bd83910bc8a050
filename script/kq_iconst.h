// The script engine's error texts. They start as the English texts; a host may replace them
// (the report engine puts in the texts of its language).
#pragma once

#include "platform/runtime/RtlTypes.h"

extern String SLangNotFound;
extern String SInvalidLanguage;
extern String SIdRedeclared;
extern String SUnknownType;
extern String SIncompatibleTypes;
extern String SIdUndeclared;
extern String SClassRequired;
extern String SIndexRequired;
extern String SStringError;
extern String SClassError;
extern String SArrayRequired;
extern String SVarRequired;
extern String SNotEnoughParams;
extern String STooManyParams;
extern String SLeftCantAssigned;
extern String SForError;
extern String SEventError;
