// What the editor controls ask of the locale format controller besides its masks and format
// items: whether date texts follow the toolchain's format variables, and the application's own
// standard date-time mask.
#pragma once

#include "platform/runtime/RtlTypes.h"

// Date texts use the toolchain's format variables (the process format settings) instead of the
// locale's formats. The locale is read into those variables at start-up, so both name the same
// formats until the application changes the variables; false until set.
bool FormatControllerUsesToolchainFormats();
void SetFormatControllerUsesToolchainFormats(bool value);

// The application's own standard date-time mask: assigned by a non-empty text, cleared by an
// empty one.
void SetStandardDateTimeEditMask(const String& mask);
bool IsStandardDateTimeMaskAssigned();
// The assigned mask, else the format controller's standard date-time mask.
String GetStandardDateTimeEditMask();
